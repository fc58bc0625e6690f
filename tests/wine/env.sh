# Sourced by the Wine harness: the environment every Wine run shares.
# Usage: source env.sh STATE_DIR
TAVRIN_WINE_STATE=$1
export WINEPREFIX=$TAVRIN_WINE_STATE/prefix
export WINEARCH=win32
export WINEDEBUG=-all
# No offers to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -s "$TAVRIN_WINE_STATE/display" ]; then
  DISPLAY=:$(tr -d '\n' <"$TAVRIN_WINE_STATE/display")
  export DISPLAY
fi

# Unix path -> the path a Windows program sees (drive Z: is the root).
windows_path() {
  local p
  p=$(realpath -m "$1")
  p=${p//\//\\}
  printf 'Z:%s' "$p"
}
