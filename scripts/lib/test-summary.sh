#!/usr/bin/env bash
# The closing lines of a test log holding one or more ctest runs: the tests
# skipped, each with its reason where scripts/lib/skip-reasons.sh gave one,
# then one line for all runs together. ctest counts a skipped test as passed;
# here it is counted apart.
#   scripts/lib/test-summary.sh LOG
awk '
  /Test +#[0-9]+: .*\*\*\*Skipped/ {
    name = $0; sub(/^.*Test +#[0-9]+: /, "", name); sub(/ \.+ *\*\*\*Skipped.*$/, "", name)
    skipped++; names[skipped] = name
  }
  /^Skipped: / { line = substr($0, 10); at = index(line, ": "); why[substr(line, 1, at - 1)] = substr(line, at + 2) }
  /tests passed, [0-9]+ tests failed out of [0-9]+/ { failed += $4; total += $9 }
  END {
    if (skipped) print "Skipped tests:"
    for (k = 1; k <= skipped; k++)
      printf "  %s: %s\n", names[k], (names[k] in why ? why[names[k]] : "(reason not recorded)")
    printf "Total: %d passed, %d failed, %d skipped\n", total - failed - skipped, failed, skipped
  }
' "$1"
