#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through CTest,
# then builds every test that needs no window (see the "widgets" label in
# tests/CMakeLists.txt) once more with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them, the replay of the fuzz corpus
# (tests/fuzz/corpus through every harness) included.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

jobs=${MORVO3_JOBS:-$(nproc)}

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DMORVO3_SANITIZE=ON -DMORVO3_BUILD_GUI=OFF >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
echo "All tests passed."
