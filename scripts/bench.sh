#!/usr/bin/env bash
# Builds in release mode and runs every benchmark. Each one is measured beside its floor
# in the same run; the "ratio" lines are the figures that count.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
export QT_QPA_PLATFORM=offscreen
build/release/bench/bench_logbook --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
build/release/bench/bench_adif --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# An import of 32 000 contacts, beside writing the same records at once.
build/release/bench/bench_import --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
build/release/bench/bench_ui --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
build/release/bench/bench_logview --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# The country files loaded, and a key's lookup and check partial over MASTER.SCP.
build/release/bench/bench_country --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# A contest's score on a full logbook: counted afresh and after one save.
build/release/bench/bench_contest --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# The statistics window on a full logbook: counted, and shown and painted.
build/release/bench/bench_stats --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# A key in the call field on a full logbook: station, worked before, check partial.
build/release/bench/bench_station --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# The links beside silent peers, interleaved with the same keys with every link off.
build/release/bench/bench_links --benchmark_repetitions=8 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true
build/release/bench/bench_footprint
# The first F2 of a freshly started program, beside a later one: offscreen, then through
# an X server as the operator meets it.
build/release/bench/bench_first_f2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
    build/release/bench/bench_first_f2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
