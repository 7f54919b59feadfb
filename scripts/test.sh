#!/usr/bin/env bash
# Builds everything and runs the whole test suite; then builds the serial and transfer code for
# Windows as a check that the Win32 layer compiles and links.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build-windows -j"$jobs"
echo "Windows build: $(ls build-windows/tools/port_check/*.exe)"
