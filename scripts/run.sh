#!/usr/bin/env bash
# Builds the engine and the velt program in build/ and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target velt
for code in 0xFEB0000C 0xFEB00014 0xFF03000B 13; do
  ./build/cli/velt describe "$code"
done
