#!/usr/bin/env bash
# clang-tidy over the program's own sources with .clang-tidy (its findings are errors).
# Needs a configured build with compile_commands.json (default: build/dev). The build is
# a unity build, so each library is one translation unit: clang-tidy reads the Qt
# headers once a library, not once a file, and reports in every source file of it (the
# header filter names our folders). The unity files' own including of .cpp files is no
# finding, so that one check is off.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
grep -o '"file": "[^"]*"' "$build/compile_commands.json" | sed 's/"file": "\(.*\)"/\1/' \
    | grep -E '/(storage|country|contest|platform|formats|links|convert|logview|mainwindow|app|export)/CMakeFiles/[^/]+/Unity/' \
    | xargs -r -P "$(nproc)" -n 1 clang-tidy -p "$build" --config-file=.clang-tidy \
        --checks=-bugprone-suspicious-include --quiet 2>&1 \
    | grep -v -E 'warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter|^Use -system-headers' \
    | tee "$out" || true
if grep -q -E '(warning|error):' "$out"; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: clean"
