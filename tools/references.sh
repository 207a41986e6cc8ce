#!/usr/bin/env bash
# Re-blesses the reference pictures (make references): runs every reference test of the Linux
# build (CTest label "reference", the tests of tests/reference), then of the Windows build under
# Wine (CTest names containing "reference"), one at a time with ORVANE_BLESS_REFERENCES=1, so that each rewrites its rows of the tables and its PNGs
# in tests/reference; then prints what each run changed and what git sees changed.
# Usage: tools/references.sh [LINUX_BUILD] [WINDOWS_BUILD]   (default build build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux="${1:-build}"
windows="${2:-build-windows}"
export ORVANE_BLESS_REFERENCES=1

# Only each run's own report of its changes, not CTest's chatter.
reports() { sed -n 's/^[0-9]*: \(references: .*\|  \(new\|changed\|removed\|\.\.\.\) .*\)$/\1/p'; }

echo "== Linux build ($linux)"
ctest --test-dir "$linux" -L reference -j1 -V | reports
if [ -d "$windows" ]; then
  echo "== Windows build ($windows), under Wine"
  ctest --test-dir "$windows" -R 'wine_prefix|reference' -j1 -V | reports
else
  echo "== no Windows build in $windows: its rows are left as they were"
fi
echo "== changed in tests/reference (look at the pictures before committing):"
git -C "$root" status --short -- tests/reference
