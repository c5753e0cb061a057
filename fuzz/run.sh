#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for FUZZ_SECONDS (default 30) on a
# copy of its committed seed corpus. Exits non-zero when any target finds a crash.
#   bash fuzz/run.sh [build folder, default build-fuzz]
# The seeds are committed; after a format change rewrite them with
#   <build folder>/fuzz/fuzz_make_seeds fuzz/corpus
# The statement readers' seeds are copies of the statements in tests/data/statements; the ZIP
# reader's are those statements packed with the zip tool (see SOURCES.md there).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build-fuzz}
[[ $build = /* ]] || build=$root/$build
seconds=${FUZZ_SECONDS:-30}
targets=(fuzz_list_record fuzz_month_book fuzz_category_table fuzz_amount_text fuzz_help_map fuzz_lock_holder
         fuzz_booking_draft fuzz_statement_camt fuzz_statement_mt940 fuzz_statement_csv fuzz_statement_zip
         fuzz_csv_layout_guess fuzz_budget_file fuzz_change_log fuzz_transfer_journal fuzz_document)

# Debug keeps Qt's and our asserts; the fuzz CMakeLists raises the optimisation to -O1.
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DQEL_FUZZ=ON -DQEL_GUI=OFF -DQEL_TESTS=OFF -DQEL_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -- -j2

work=$(mktemp -d "${TMPDIR:-/tmp}/qel-fuzz.XXXXXX")
# One frame of each allocation's stack: recording whole stacks costs a third of the runs. A
# crash's input is kept under artifacts; run the target on it alone with
# ASAN_OPTIONS=malloc_context_size=30 for the full stacks.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:malloc_context_size=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for t in "${targets[@]}"; do
  seeds=$root/fuzz/corpus/$t
  if [[ ! -d $seeds ]]; then
    echo "missing seed corpus $seeds" >&2
    exit 1
  fi
  # The run adds inputs to its corpus; only the copy gets them.
  mkdir -p "$work/corpus/$t" "$work/artifacts/$t"
  cp -R "$seeds/." "$work/corpus/$t/"
  log=$work/$t.log
  echo "== $t: ${seconds}s"
  status=0
  "$build/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/$t/" "$work/corpus/$t" >"$log" 2>&1 || status=$?
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$done_line")
  execs=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -n 1)
  if [[ $status -ne 0 ]]; then
    failed+=("$t")
    summary+=("$(printf '%-22s FAILED (exit %s), log %s' "$t" "$status" "$log")")
    tail -n 60 "$log"
  else
    summary+=("$(printf '%-22s %8s exec/s %10s runs  cov: %s' "$t" "${execs:-?}" "${runs:-?}" "${cov:-?}")")
  fi
done

echo
printf '%s\n' "${summary[@]}"
if ((${#failed[@]})); then
  echo "crashes in: ${failed[*]}; inputs and logs kept in $work" >&2
  while IFS= read -r -d '' input; do
    echo "-- $input" >&2
    od -A x -t x1z -v "$input" | head -n 32 >&2
  done < <(find "$work/artifacts" -type f -print0)
  exit 1
fi
rm -rf "$work"
