#!/usr/bin/env bash
# clang-tidy over the program's own sources with .clang-tidy (its findings are errors).
# Needs a configured build with compile_commands.json (default: build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
git ls-files '*.cpp' | grep -v -E '^(tests|bench|fuzz)/' \
    | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>&1 \
    | grep -v -E 'warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter|^Use -system-headers' \
    | tee /tmp/vantel-lint.$$ || true
if grep -q -E '(warning|error):' /tmp/vantel-lint.$$; then
    rm -f /tmp/vantel-lint.$$
    echo "clang-tidy: findings above" >&2
    exit 1
fi
rm -f /tmp/vantel-lint.$$
echo "clang-tidy: clean"
