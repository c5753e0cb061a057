#!/usr/bin/env bash
# Sets up, builds and runs every test: the whole suite with warnings as errors, the same
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and every fuzz target
# for a bounded time from its committed seeds.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

bash "$root/tools/setup-debian.sh"

echo "== Build and test (warnings are errors)"
cmake -S "$root" -B "$root/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQEL_WERROR=ON -DQEL_BENCH=ON >/dev/null
cmake --build "$root/build-test" -- -j"$jobs"
ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"

echo "== Widget tests again, with two busy loops beside them"
sh -c 'while :; do :; done' &
busy1=$!
sh -c 'while :; do :; done' &
busy2=$!
status=0
ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs" -L widget || status=$?
kill "$busy1" "$busy2"
wait "$busy1" "$busy2" 2>/dev/null || true
[ "$status" -eq 0 ]

echo "== Crash and full-disk test"
bash "$root/tools/crash-test.sh" "$root/build-test"

echo "== Backups and restores killed at every step"
bash "$root/tools/transfer-crash-test.sh" "$root/build-test"

echo "== Undo and redo killed at every step"
bash "$root/tools/undo-crash-test.sh" "$root/build-test"

echo "== What a synced folder brought, taken in and killed at every step"
bash "$root/tools/merge-crash-test.sh" "$root/build-test"

echo "== Two and three computers whose data folders Syncthing keeps in step"
python3 "$root/tools/syncthing-test.py" "$root/build-test"

echo "== Printing through CUPS and the exported tables in LibreOffice Calc"
bash "$root/tools/check-output.sh" "$root/build-test"

echo "== The program as a screen reader sees it, over AT-SPI"
bash "$root/tools/check-accessibility.sh" "$root/build-test"

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQEL_WERROR=ON -DQEL_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" -- -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== Fuzz targets, ${FUZZ_SECONDS:-30} s each"
FUZZ_SECONDS="${FUZZ_SECONDS:-30}" bash "$root/fuzz/run.sh" "$root/build-fuzz"

echo "== Debian package: build, validate, lintian, run from an unpacked copy"
bash "$root/tools/package.sh" "$root/build-package"
bash "$root/tools/check-package.sh" "$root/build-package"
