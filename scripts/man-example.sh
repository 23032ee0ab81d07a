#!/usr/bin/env bash
# Prints the example program of a manual page (plain or gzip-compressed):
#   scripts/man-example.sh PAGE
# the lines from "program" to "end program" of its EXAMPLES section, with
# the page's escapes for minus, quote and backslash undone.
set -euo pipefail
zcat -f "$1" | sed -n '/^\.SH EXAMPLES/,/^\.SH /p' | sed -n '/^program /,/^end program/p' \
  | sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\e/\\/g'
