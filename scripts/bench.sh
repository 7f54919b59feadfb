#!/usr/bin/env bash
# Builds and runs the benchmarks: the port scan (Google Benchmark), then the upload against the
# simulated device on three kinds of line (a few minutes; pass --quick for a smoke run).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build
cmake --build build --target upload_bench scan_bench

build/bench/scan_bench
echo
build/bench/upload_bench "$@"
