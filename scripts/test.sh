#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit, headless and
# end-to-end tests under Xvfb). With --sanitize, builds with AddressSanitizer
# and UndefinedBehaviorSanitizer in a folder of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  flags+=(-DKESTU_SANITIZE=ON)
fi

scripts/install-deps.sh
cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTU_GUI=ON "${flags[@]}" >/dev/null
ninja -C "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
