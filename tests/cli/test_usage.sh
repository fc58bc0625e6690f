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
[ $fail -eq 0 ] && echo "all usage checks passed"
exit $fail
