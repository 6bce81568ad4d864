#!/usr/bin/env bash
# Runs every benchmark program built in BUILD/bench, one after the other.
set -euo pipefail
BUILD=${1:-build}
for b in "$BUILD"/bench/*; do
  [ -x "$b" ] || continue
  echo "=== $(basename "$b")"
  "$b"
done
