# Sourced by scripts that start Tavrin.exe under Wine: makes a prefix show the
# dialogs' faces and Japanese text. Needs WINEPREFIX set and the prefix made.
#   wine_fonts_setup WORKDIR        Wine's own faces + Japanese face substitutes
#   wine_fonts_language WORKDIR en|ja   the dialog face for that language

# Writes registry text (UTF-8) as the UTF-16 file regedit reads, so that the
# Japanese face names arrive intact, and imports it.
wine_reg_import() { # WORKDIR NAME LOCALE  (registry text on stdin)
  local work=$1 name=$2 locale=$3
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE | sed 's/\x0a\x00/\x0d\x00\x0a\x00/g'; } >"$work/$name.reg"
  LANG=$locale LC_ALL=$locale wine regedit /S "$(winepath -w "$work/$name.reg")"
  wineserver -w
}

wine_fonts_setup() { # WORKDIR
  # Wine's own TrueType faces (Tahoma for the dialogs, Marlett for the caption
  # buttons) are not found where Debian installs them: put them where the
  # prefix's programs look.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wine_reg_import "$1" fonts C.UTF-8 <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
REG
}

wine_fonts_language() { # WORKDIR en|ja
  if [ "$2" = ja ]; then
    # Japanese: the English template's face must show Japanese too.
    wine_reg_import "$1" fonts-ja ja_JP.UTF-8 <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
REG
  else
    wine_reg_import "$1" fonts-en C.UTF-8 <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS Shell Dlg"=-
"MS Shell Dlg 2"=-
REG
  fi
}
