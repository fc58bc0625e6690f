# Sourced by the Wine harness: the environment every Wine run shares.
# Usage: source env.sh STATE_DIR
#   wine_slot N ARCH   selects slot N's display and its prefix for ARCH
# The fixture keeps STATE_DIR/slots slots side by side; slot N is one Xvfb
# display (STATE_DIR/slotN/display) with one prefix per architecture
# (STATE_DIR/slotN/prefix-ARCH), so that two test programs never share a
# screen or a wineserver.
TAVRIN_WINE_STATE=$1
# shellcheck source=../../scripts/wine_arch.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine_arch.sh"
export WINEDEBUG=-all
# No offers to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_slot() { # N ARCH
  local dir=$TAVRIN_WINE_STATE/slot$1
  wine_use "$2" || return 1
  export WINEPREFIX=$dir/prefix-$2
  if [ -s "$dir/display" ]; then
    DISPLAY=:$(tr -d '\n' <"$dir/display")
    export DISPLAY
  else
    unset DISPLAY
  fi
}

wine_slot_count() { cat "$TAVRIN_WINE_STATE/slots" 2>/dev/null || echo 0; }

# Unix path -> the path a Windows program sees (drive Z: is the root).
windows_path() {
  local p
  p=$(realpath -m "$1")
  p=${p//\//\\}
  printf 'Z:%s' "$p"
}
