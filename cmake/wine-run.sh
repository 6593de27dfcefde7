#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest. The program writes into
# a file rather than into ctest's pipe: a Wine service that starts during a
# test inherits the program's standard handles and outlives it, and ctest
# would wait on a pipe held open that way until the test's time ran out.
#   wine-run.sh PROGRAM.exe [ARGS...]
out=$(mktemp /tmp/vtr-wine-run.XXXXXX)
trap 'rm -f "$out"' EXIT
wine "$@" </dev/null >"$out" 2>&1
status=$?
cat "$out"
exit $status
