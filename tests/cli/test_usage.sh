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
version=$(head -n1 "$TAVRIN_SOURCE_DIR/VERSION")
check "--version prints the VERSION file's version" [ "$("$T" --version)" = "tavrin $version" ]
for command in info split merge repair; do
  out=$("$T" "$command" --help); rc=$?
  check "$command --help exits 0" [ $rc -eq 0 ]
  check "$command --help starts with its usage" grep -q "^usage: tavrin $command" <<<"$out"
  check "help $command prints the same" [ "$("$T" help "$command")" = "$out" ]
done
check "split --help names --size-mb and --overlap" grep -q -- "--size-mb" <<<"$("$T" split --help)"
check "merge --help names --write" grep -q -- "--write" <<<"$("$T" merge --help)"
check "repair --help names --output" grep -q -- "--output" <<<"$("$T" repair --help)"
check "help lists every command on stdout" [ "$("$T" help | grep -c '^ *\(usage: \)\?tavrin ')" -ge 4 ]
"$T" frobnicate >/dev/null 2>err.txt; rc=$?
check "an unknown command exits 2" [ $rc -eq 2 ]
check "an unknown command is named on stderr" grep -q "unknown command 'frobnicate'" err.txt
"$T" help frobnicate >/dev/null 2>&1; rc=$?
check "help on an unknown command exits 2" [ $rc -eq 2 ]
# Options of join, merge and repair: values after "=" or in the next
# argument, and everything after "--" a file.
usage() { # expected stderr text, then the arguments
  local want=$1; shift
  "$T" "$@" >/dev/null 2>err.txt; rc=$?
  check "$* is a usage error naming: $want" [ $rc -eq 2 ]
  check "$* says: $want" grep -qF -- "$want" err.txt
}
usage "unknown language 'xx'" join a.avi b.avi --lang xx
usage "unknown option '--bogus'" join a.avi b.avi --bogus
usage "missing value for '--output'" merge a.avi b.avi --write --output
usage "missing value for '--output'" join a.avi b.avi --output=
usage "--clone needs '--write'" merge a.avi b.avi --clone
usage "--lang takes en or ja" repair a.avi --lang=fr
usage "unexpected argument 'b.avi'" repair a.avi b.avi
"$T" repair -- --lang.avi >/dev/null 2>err.txt; rc=$?
check "after -- an argument is a file (exit 1, not a usage error)" [ $rc -eq 1 ]
check "after -- the file is named" grep -qF -- "--lang.avi" err.txt
"$T" join --lang=ja -- --a.avi --b.avi >/dev/null 2>err.txt; rc=$?
check "join after --: both are files" [ $rc -eq 1 ]
[ $fail -eq 0 ] && echo "all usage checks passed"
exit $fail
