#!/usr/bin/env bash
# Prints one line per test that the last ctest run in a build folder skipped,
# with the reason the test gave (gtest's "Skipped" message):
#   Skipped: NAME: REASON
# ctest names skipped tests but never shows their output; its log keeps it.
#   scripts/lib/skip-reasons.sh BUILD_DIR
log=$1/Testing/Temporary/LastTest.log
[ -f "$log" ] || exit 0
awk '
  /^[0-9]+\/[0-9]+ Testing: / { name = $3; reason = ""; inside = 0; next }
  /^\[  SKIPPED \]/ { inside = 0; next }
  inside { sub(/\r$/, ""); if ($0 != "") reason = reason (reason == "" ? "" : " ") $0; next }
  /: Skipped\r?$/ { inside = 1; next }
  /^Test Pass Reason:/ { pass = 1; next }
  pass && /Skip regular expression found/ {
    printf "Skipped: %s: %s\n", name, (reason == "" ? "(no reason given)" : reason)
  }
  { pass = 0 }
' "$log"
