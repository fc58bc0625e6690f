#!/usr/bin/env bash
# The command line explains itself: --version, help, COMMAND --help, and a
# usage error for what it does not know.
set -uo pipefail
T=${TAVRIN_CLI:?}
fail=0
check() { # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
# tavrin with the arguments. Wine now and then fails to start a program: it
# exits non-zero having printed nothing of tavrin's own (which always says
# why it failed, or its usage). That run is said and run again, as the
# Python tests' clitest.tavrin does.
tv() {
  local out err rc
  out=$(mktemp) err=$(mktemp)
  "$T" "$@" >"$out" 2>"$err"; rc=$?
  if [ "${TAVRIN_CLI_WINDOWS:-}" = 1 ] && [ $rc -ne 0 ] && [ ! -s "$out" ] &&
     ! grep -q '^\(tavrin\|usage: \)' <(head -c 200 "$err" | tr -d '\r'); then
    echo "note: Wine did not start tavrin-cli.exe $* (exit $rc, stderr '$(head -c 200 "$err")'); running it again" >&2
    "$T" "$@" >"$out" 2>"$err"; rc=$?
  fi
  cat "$out"; cat "$err" >&2
  rm -f "$out" "$err"
  return $rc
}
version=$(head -n1 "$TAVRIN_SOURCE_DIR/VERSION")
check "--version prints the VERSION file's version" [ "$(tv --version)" = "tavrin $version" ]
for command in info split merge repair; do
  out=$(tv "$command" --help); rc=$?
  check "$command --help exits 0" [ $rc -eq 0 ]
  check "$command --help starts with its usage" grep -q "^usage: tavrin $command" <<<"$out"
  check "help $command prints the same" [ "$(tv help "$command")" = "$out" ]
done
check "split --help names --size-mb and --overlap" grep -q -- "--size-mb" <<<"$(tv split --help)"
check "merge --help names --write" grep -q -- "--write" <<<"$(tv merge --help)"
check "repair --help names --output" grep -q -- "--output" <<<"$(tv repair --help)"
check "help lists every command on stdout" [ "$(tv help | grep -c '^ *\(usage: \)\?tavrin ')" -ge 4 ]
# tavrin help: every command with a line on what it does, then the synopsis
# of every command, which is the README's synopsis block word for word; a
# command's usage message is its part of that synopsis.
help=$(tv help)
check "--help prints what help prints" [ "$(tv --help)" = "$help" ]
commands=$(sed -n '/^commands:$/,/^$/s/^  \([a-z][a-z-]*\)  *[a-z].*/\1/p' <<<"$help")
check "help lists info, split, merge, join, cut, extract, streams, dub, shift, repair, keyframes, frame, detect and batch" \
  [ "$(sort <<<"$commands" | tr '\n' ' ')" = "batch cut detect dub extract frame info join keyframes merge repair shift split streams " ]
synopsis=$(sed -n '/^usage: /,$p' <<<"$help" | sed 's/^usage: //; s/^       //')
readme=$(sed -n '/^    tavrin info FILE/,/^    tavrin COMMAND --help/p' "$TAVRIN_SOURCE_DIR/README.md" | sed 's/^    //')
check "help's synopsis is the README's" [ "$synopsis" = "$readme" ]
for command in $commands; do
  check "help says what $command does" grep -q "^  $command  *[a-z].\{20,\}" <<<"$help"
  check "$command --help is listed in the synopsis" grep -q "^tavrin $command " <<<"$synopsis"
  usage=$(tv "$command" 2>&1 >/dev/null | sed -n '/^usage: /,$p' | sed 's/^usage: //; s/^       //')
  part=$(awk -v c="tavrin $command " 'index($0, c) == 1 { on = 1; print; next } /^tavrin / { on = 0 } on' <<<"$synopsis")
  check "$command's usage message is its synopsis" [ "$usage" = "$part" ]
done
tv >/dev/null 2>err.txt; rc=$?
check "tavrin alone is a usage error" [ $rc -eq 2 ]
check "tavrin alone prints the synopsis on stderr" [ "$(sed 's/^usage: //; s/^       //' err.txt)" = "$synopsis" ]
tv frobnicate >/dev/null 2>err.txt; rc=$?
check "an unknown command exits 2" [ $rc -eq 2 ]
check "an unknown command is named on stderr" grep -q "unknown command 'frobnicate'" err.txt
tv help frobnicate >/dev/null 2>&1; rc=$?
check "help on an unknown command exits 2" [ $rc -eq 2 ]
# Options of join, merge and repair: values after "=" or in the next
# argument, and everything after "--" a file.
usage() { # expected stderr text, then the arguments
  local want=$1; shift
  tv "$@" >/dev/null 2>err.txt; rc=$?
  check "$* is a usage error naming: $want" [ $rc -eq 2 ]
  check "$* says: $want" grep -qF -- "$want" err.txt
}
usage "--lang takes en or ja" join a.avi b.avi --lang xx
usage "unknown option '--bogus'" join a.avi b.avi --bogus
usage "missing value for --output" merge a.avi b.avi --write --output
usage "missing value for --output" join a.avi b.avi --output=
usage "--clone needs --write" merge a.avi b.avi --clone
usage "--lang takes en or ja" repair a.avi --lang=fr
usage "unexpected argument 'b.avi'" repair a.avi b.avi
# split and info read their arguments the same way.
usage "missing value for --overlap" split a.avi --overlap
usage "unknown option '--hoursx'" split a.avi --hoursx 3
usage "unexpected argument 'b.avi'" split a.avi --seconds=3 b.avi
usage "--create takes both, first or second" split a.avi --seconds 3 --create=all
usage "--all needs --size-mb N" split a.avi --all
usage "no input file" split --seconds 3
usage "unexpected argument '-x'" info -x
usage "unknown option '--bogus'" info a.avi --bogus
tv split --seconds -1 a.avi >/dev/null 2>&1; rc=$?
check "split: a value may begin with - (refused by the job, not as usage)" [ $rc -eq 1 ]
tv split --seconds 1 -- --a.avi >/dev/null 2>err.txt; rc=$?
check "split after --: an argument is a file" [ $rc -eq 1 ]
check "split after --: the file is named" grep -qF -- "--a.avi" err.txt
tv info -- -x.avi >/dev/null 2>err.txt; rc=$?
check "info after --: -x.avi is a file" [ $rc -eq 1 ]
tv repair -- --lang.avi >/dev/null 2>err.txt; rc=$?
check "after -- an argument is a file (exit 1, not a usage error)" [ $rc -eq 1 ]
check "after -- the file is named" grep -qF -- "--lang.avi" err.txt
tv join --lang=ja -- --a.avi --b.avi >/dev/null 2>err.txt; rc=$?
check "join after --: both are files" [ $rc -eq 1 ]
[ $fail -eq 0 ] && echo "all usage checks passed"
exit $fail
