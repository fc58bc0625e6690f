#!/usr/bin/env bash
# cmake --install puts the built command line in PREFIX/bin and nothing else;
# the installed program runs from there (nothing it needs stays behind in
# the build tree).
set -uo pipefail
T=${TAVRIN_CLI:?}
build=$(dirname "$T")
prefix=$PWD/prefix
rm -rf "$prefix"
fail=0
check() { # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; fail=1; fi
}
cmake --install "$build" --prefix "$prefix" >install.log 2>&1; rc=$?
check "cmake --install succeeds" [ $rc -eq 0 ]
check "it installs bin/tavrin alone" [ "$(cd "$prefix" && find . -type f -o -type l | sort)" = "./bin/tavrin" ]
check "bin/tavrin is executable" [ -x "$prefix/bin/tavrin" ]
version=$(head -n1 "$TAVRIN_SOURCE_DIR/VERSION")
check "the installed program runs from the path" \
  [ "$(cd / && PATH="$prefix/bin:/usr/bin:/bin" tavrin --version)" = "tavrin $version" ]
rm -rf "$prefix" install.log
[ $fail -eq 0 ] && echo "all install checks passed"
exit $fail
