#!/usr/bin/env bash
# What a Linux user gets: cmake --install puts the command line in PREFIX/bin,
# its manual page in share/man/man1 and its bash completion in
# share/bash-completion/completions, and nothing else; the program runs from
# there, the page renders without a warning and tells of every command, the
# completion completes commands, options and their values. cpack -G DEB in
# the same tree makes a package that holds the same three under /usr and
# tells of every command as `tavrin help` does.
set -uo pipefail
T=${TAVRIN_CLI:?}
build=$(dirname "$T")
prefix=$PWD/prefix
rm -rf "$prefix" pkg deb
fail=0
check() { # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
commands=$("$T" help | sed -n '/^commands:$/,/^$/s/^  \([a-z][a-z-]*\)  *[a-z].*/\1/p')
check "help lists the commands" [ -n "$commands" ]
installed="./bin/tavrin
./share/bash-completion/completions/tavrin
./share/man/man1/tavrin.1.gz"

cmake --install "$build" --prefix "$prefix" >install.log 2>&1; rc=$?
check "cmake --install succeeds" [ $rc -eq 0 ]
check "it installs the program, its manual page and its completion alone" \
  [ "$(cd "$prefix" && find . -type f -o -type l | sort)" = "$installed" ]
check "bin/tavrin is executable" [ -x "$prefix/bin/tavrin" ]
version=$(head -n1 "$TAVRIN_SOURCE_DIR/VERSION")
check "the installed program runs from the path" \
  [ "$(cd / && PATH="$prefix/bin:/usr/bin:/bin" tavrin --version)" = "tavrin $version" ]

# The manual page: what man shows, rendered as man does (groff through man
# when man-db is there), every command and option of the synopses in it.
page=$prefix/share/man/man1/tavrin.1.gz
zcat "$page" | groff -man -Tutf8 -ww -z 2>groff.err
check "groff renders the page without a warning" [ ! -s groff.err ]
if command -v man >/dev/null; then
  MANWIDTH=100 MANPAGER=cat man -l "$page" >man.txt 2>man.err
else
  zcat "$page" | groff -man -Tutf8 -P-cbou >man.txt 2>man.err
fi
check "the page renders" [ -s man.txt ] && [ ! -s man.err ]
check "the page names the program and its version" grep -q "tavrin $version" man.txt
for section in NAME SYNOPSIS DESCRIPTION COMMANDS "EXIT STATUS"; do
  check "the page has $section" grep -qx "$section" man.txt
done
for command in $commands; do
  check "the page's commands include $command" grep -qx "   $command" man.txt
  for option in $("$T" "$command" --help | sed -n '/^[a-z]/q;p' | grep -o -- '--[a-z-]*' | sort -u); do
    check "the page shows $command $option" grep -q -- "$option" man.txt
  done
done
check "the page shows the options with plain hyphens" grep -q -- "--overlap T" man.txt

# The completion, loaded into bash as bash-completion loads it.
complete_words() { # the words of a command line (the last being completed)
  bash -c 'source "$1"; shift; cd "$1"; shift
           COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tavrin
           printf "%s\n" "${COMPREPLY[@]}" | sort' - "$prefix/share/bash-completion/completions/tavrin" "$PWD/files" "$@"
}
mkdir -p files/folder && touch files/a.avi files/B.AVI files/notes.txt
check "the completion registers for tavrin" \
  [ "$(bash -c 'source "$1"; complete -p tavrin' - "$prefix/share/bash-completion/completions/tavrin")" = "complete -F _tavrin tavrin" ]
check "tavrin sp completes to split" [ "$(complete_words tavrin sp)" = "split" ]
check "every command completes" [ "$(complete_words tavrin '')" = "$(printf '%s\n' $commands help --help --version | sort)" ]
check "tavrin split --ov completes to --overlap" [ "$(complete_words tavrin split a.avi --ov)" = "--overlap" ]
check "tavrin split --create offers its choices" [ "$(complete_words tavrin split --create '')" = "$(printf 'both\nfirst\nsecond')" ]
check "tavrin join --lang offers en and ja" [ "$(complete_words tavrin join a.avi --lang '')" = "$(printf 'en\nja')" ]
check "a file operand offers AVI files (any case) and folders" \
  [ "$(complete_words tavrin merge a.avi '')" = "$(printf 'B.AVI\na.avi\nfolder')" ]
check "--output offers any file" [ "$(complete_words tavrin repair a.avi --output '')" = "$(printf 'B.AVI\na.avi\nfolder\nnotes.txt')" ]
check "a time offers nothing" [ -z "$(complete_words tavrin split a.avi --seconds '')" ]
check "help completes the command it tells of" [ "$(complete_words tavrin help re)" = "repair" ]
check "after -- a word that looks like an option is a file" \
  [ "$(complete_words tavrin info -- '')" = "$(printf 'B.AVI\na.avi\nfolder')" ]
for command in $commands; do
  check "$command --help is offered" grep -qx -- --help <<<"$(complete_words tavrin "$command" --)"
done

# The Debian package, made from the same tree and unpacked without
# installing it.
if command -v dpkg-deb >/dev/null; then
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$PWD/pkg" >cpack.log 2>&1; rc=$?
  check "cpack -G DEB succeeds" [ $rc -eq 0 ]
  deb=$(ls pkg/*.deb 2>/dev/null | head -n1)
  case $deb in pkg/tavrin_${version}_*.deb) named=yes ;; *) named=no ;; esac
  check "it makes tavrin_${version}_ARCH.deb" [ $named = yes ]
  if [ -n "$deb" ]; then
    dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort >deb.txt
    check "the package installs the three under /usr" [ "$(cat deb.txt)" = "$(sed 's|^\.|./usr|' <<<"$installed")" ]
    check "the package is named tavrin" [ "$(dpkg-deb -f "$deb" Package)" = tavrin ]
    check "the package has the version" [ "$(dpkg-deb -f "$deb" Version)" = "$version" ]
    check "the package names a maintainer" [ -n "$(dpkg-deb -f "$deb" Maintainer)" ]
    # The summary and the list of commands, read from the table of commands
    # when the tree was configured: what `tavrin help` says, word for word.
    description=$(dpkg-deb -f "$deb" Description)
    check "the package describes the program" grep -q "AVI" <<<"$description"
    check "the package's summary is the one tavrin help gives" \
      [ "$(head -n1 <<<"$description")" = "$("$T" help | sed -n '1s/^tavrin: //p')" ]
    for command in $commands; do
      said=$("$T" help | sed -n "/^commands:\$/,/^\$/s/^  $command  *//p")
      check "the package's description tells of $command as help does" grep -qxF -- "   $command: $said" <<<"$description"
    done
    check "the package's description lists no other command" \
      [ "$(grep -c '^   [a-z]*: ' <<<"$description")" -eq "$(wc -w <<<"$commands")" ]
    check "the package depends on the C library it was linked with" grep -q "libc6" <<<"$(dpkg-deb -f "$deb" Depends)"
    # FFmpeg's libraries, where tavrin links them: the packages holding the
    # very files the loader takes (libavcodec59, ...).
    for lib in $(readelf -d "$T" | sed -n 's/.*NEEDED.*\[\(lib\(avcodec\|avutil\|swscale\)\.so\.[0-9]*\)\]/\1/p'); do
      file=$(readlink -f "$(ldd "$T" | awk -v lib="$lib" '$1 == lib {print $3}')")
      owner=$(dpkg-query -S "$file" 2>/dev/null | cut -d: -f1)
      check "the package depends on $owner, which holds $lib" \
        grep -qE "(^|, )$owner( |,|$)" <<<"$(dpkg-deb -f "$deb" Depends)"
    done
    dpkg-deb -x "$deb" deb
    check "the unpacked program runs" [ "$(deb/usr/bin/tavrin --version)" = "tavrin $version" ]
    check "the unpacked page is the installed one" cmp -s deb/usr/share/man/man1/tavrin.1.gz "$page"
  fi
else
  echo "skip the Debian package: no dpkg-deb here"
fi
rm -rf "$prefix" pkg deb files install.log cpack.log groff.err man.txt man.err deb.txt
[ $fail -eq 0 ] && echo "all install checks passed"
exit $fail
