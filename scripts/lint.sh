#!/usr/bin/env bash
# clang-tidy over the program's own sources with .clang-tidy (its findings are errors).
# Needs a configured build with compile_commands.json (default: build/dev). In a unity
# build each library is one translation unit: clang-tidy reads the Qt headers once a
# library, not once a file, and reports in every source file of it (the header filter
# names our folders); the unity files' own including of .cpp files is no finding, so
# that one check is off. A build without unity sources is checked file by file. A run
# that checks no file at all fails: it would say nothing about the code.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
commands="$build/compile_commands.json"
if [ ! -f "$commands" ]; then
    echo "clang-tidy: no $commands (configure the build first)" >&2
    exit 1
fi
command -v clang-tidy >/dev/null || { echo "clang-tidy: not installed (scripts/deps.sh)" >&2; exit 1; }
out=$(mktemp)
list=$(mktemp)
trap 'rm -f "$out" "$list"' EXIT
folders='storage|radio|country|contest|adif|import|platform|formats|links|convert|logview|stats|mainwindow|app|export'
files=$(grep -o '"file": "[^"]*"' "$commands" | sed 's/"file": "\(.*\)"/\1/')
grep -E "/($folders)/CMakeFiles/[^/]+/Unity/" <<<"$files" >"$list" || true
if [ ! -s "$list" ]; then
    source=$(pwd -P)
    grep -E "^$source/($folders)/[^/]+\.cpp\$" <<<"$files" >"$list" || true
fi
checked=$(wc -l <"$list")
if [ "$checked" -eq 0 ]; then
    echo "clang-tidy: no source of the program in $commands: nothing was checked" >&2
    exit 1
fi
xargs -r -P "$(nproc)" -n 1 clang-tidy -p "$build" --config-file=.clang-tidy \
        --checks=-bugprone-suspicious-include --quiet <"$list" 2>&1 \
    | grep -v -E 'warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter|^Use -system-headers' \
    | tee "$out" || true
if grep -q -E '(warning|error):' "$out"; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: clean ($checked translation units)"
