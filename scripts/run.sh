#!/usr/bin/env bash
# Builds vantel and starts it in run/, where it keeps its six settings files.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target vantel
mkdir -p run
cd run
exec ../build/release/app/vantel "$@"
