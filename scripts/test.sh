#!/usr/bin/env bash
# Builds vantel and runs every test: the unit and widget suites (headless), then the
# real program under Xvfb, clang-tidy, and the libFuzzer targets for a bounded time. With --sanitize,
# the same suites and end-to-end scenarios in an ASan+UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
preset=dev
if [ "${1:-}" = "--sanitize" ]; then
    preset=asan
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
cmake --workflow --preset "$preset"
# Every piece of state has an owner: no library holds a mutable namespace-scope object.
./scripts/check-globals.sh "build/$preset"
if [ "$preset" = dev ]; then
    # Static checks (warnings are errors), then the readers of untrusted bytes under
    # libFuzzer for a bounded time.
    # A check that cannot fail says nothing: with nothing to check, lint.sh must fail.
    if ./scripts/lint.sh build/no-such-build 2>/dev/null; then
        echo "lint.sh passes without checking a file" >&2
        exit 1
    fi
    ./scripts/lint.sh build/dev
    cmake --workflow --preset fuzz
fi
if [ -d e2e ] && [ -x e2e/run-all.sh ]; then
    if [ "$preset" = dev ]; then
        # The package is checked once, built as users build it: the release build of the
        # program alone (no tests, no benchmarks), warnings not errors.
        cmake --preset package >/dev/null
        cmake --build --preset package
        e2e/run-all.sh build/dev/app/vantel --package build/package
    else
        e2e/run-all.sh "build/$preset/app/vantel" --no-package
    fi
fi
