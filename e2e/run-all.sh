#!/usr/bin/env bash
# Runs every end-to-end scenario against the given vantel binary and, unless --no-package,
# checks that the Debian package built from the release tree (default build/package, made
# by the package preset) installs and starts. Each scenario has an X server of its own,
# so they run side by side; their output is shown one after the other.
# Usage: e2e/run-all.sh build/dev/app/vantel [--no-package | --package BUILD_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(realpath "$1")
package_tree="$here/../build/package"
[ "${2:-}" = --package ] && package_tree=$3
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
start=$SECONDS
scenarios=(operator logview links contest import stats station)
"$here/operator.sh" "$bin" >"$logs/operator" 2>&1 &
pids=($!)
"$here/logview.sh" "$bin" >"$logs/logview" 2>&1 &
pids+=($!)
"$here/links.sh" "$bin" >"$logs/links" 2>&1 &
pids+=($!)
"$here/contest.sh" "$bin" >"$logs/contest" 2>&1 &
pids+=($!)
"$here/import.sh" "$bin" >"$logs/import" 2>&1 &
pids+=($!)
"$here/stats.sh" "$bin" "$logs/stats-pictures" >"$logs/stats" 2>&1 &
pids+=($!)
# Its pictures go to a folder of the run's own; e2e/station.sh alone writes docs/.
"$here/station.sh" "$bin" "$logs/shots" >"$logs/station" 2>&1 &
pids+=($!)
if [ "${2:-}" != --no-package ]; then
    scenarios+=(package)
    "$here/package.sh" "$package_tree" >"$logs/package" 2>&1 &
    pids+=($!)
fi
failed=0
passed=0
for i in "${!scenarios[@]}"; do
    wait "${pids[$i]}" || failed=$((failed + 1))
    cat "$logs/${scenarios[$i]}"
    passed=$((passed + $(grep -c '^ok ' "$logs/${scenarios[$i]}")))
done
echo "end-to-end run took $((SECONDS - start)) s"
echo "e2e: $passed passed, $failed failed"
[ "$failed" = 0 ]
