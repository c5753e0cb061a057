#!/usr/bin/env bash
# Proves that undo and redo killed at any moment leave the ledger wholly as before or wholly as
# after: the month books, Regular.dat, the change log's next undo, the trash and the rows the
# import counts as booked. Kills "haushaltsbuch-cli undo" and "redo" with SIGKILL before every
# rename, unlink and sync step in turn (a preloaded library counts the steps); after every kill
# "haushaltsbuch-cli books" runs, which brings the files in line with the change logs, and the
# files are compared with both states by their bytes. No temporary file may be left. After an import taken back, the statement imported again must give each of its rows
# exactly once, whether the kill came before or after the step took effect.
#
#   tools/undo-crash-test.sh [BUILD_DIR]      (BUILD_DIR defaults to build-test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-test}"
name=undo-crash-test
# shellcheck source=kill-test-home.sh
source "$root/tools/kill-test-home.sh"
config="$XDG_CONFIG_HOME/Orvo Haushaltsbuch"
data="$work/Daten"
statement="$root/tests/data/statements/moiristo-camt053-germany.xml"

run() { "$cli" --data-dir "$data" "$@"; }

# Everything undo and redo may change, by its bytes: the ledger files, the trash as it is
# listed (without the moment of removal) and the rows an import would book.
state() {
  (cd "$data" && find . -maxdepth 1 -type f \( -name '*.qel' -o -name Regular.dat \) -print0 |
    sort -z | xargs -0 -r sha256sum)
  run trash | cut -f1,3,4 | sed 's/^/Papierkorb\t/'
  run import --dry-run "$statement" 2>/dev/null | cut -f1-5 | sort | sha256sum | sed 's/-$/Kontoimport/'
}
# Every booking of every book, one line each: book, kind, date, amount.
bookings() {
  run books | cut -f1 | while IFS= read -r name; do
    run show "$name" | cut -f1-3 | sed "s/^/$name\t/"
  done | sort
}
leftovers() {
  find "$data" "$config" \( -name '.*.tmp' -o -name '.*.neu' -o -name '.*.alt' -o -name '*.journal' \) 2>/dev/null | wc -l
}

failures=0
fail() {
  failures=$((failures + 1))
  echo "$*" >&2
}

# The ledger before the step: six books, regular bookings, a booking added, a book removed
# into the trash and a statement imported (new books among them).
"$demo" --books 6 --rows 12 --regular 4 --seed 7 "$data" >/dev/null
run add "Januar 2008" expense 15.01.2008 12,34 Lebensmittel Markt >/dev/null
run remove "Februar 2008" >/dev/null
run import "$statement" >/dev/null
cp -a "$data" "$work/pristine-data"
cp -a "$config" "$work/pristine-config"

reset() {
  rm -rf "$data" "$config"
  cp -a "$work/pristine-data" "$data"
  cp -a "$work/pristine-config" "$config"
}

# Kills "$@" (undo or redo commands, the last one killed) before each of its steps; $1 names the case.
kill_each_step() {
  local what="$1"
  shift
  local before after steps n status now
  reset
  for command in "${@:1:$#-1}"; do run "$command" >/dev/null; done
  before="$(state)"
  QEL_KILL_COUNT_FILE="$work/steps" LD_PRELOAD="$shim" "$cli" --data-dir "$data" "${@: -1}" >/dev/null
  steps="$(cat "$work/steps")"
  after="$(state)"
  [ "$before" != "$after" ] || fail "$what: the step changed nothing to look at"
  local finished=0
  for n in $(seq 1 "$steps"); do
    reset
    for command in "${@:1:$#-1}"; do run "$command" >/dev/null; done
    status=0
    { (QEL_KILL_AT="$n" LD_PRELOAD="$shim" exec "$cli" --data-dir "$data" "${@: -1}" >/dev/null 2>&1); } 2>/dev/null ||
      status=$?
    [ "$status" -eq 137 ] || fail "$what, step $n: not killed (status $status)"
    run books >/dev/null 2>&1 || fail "$what, step $n: books failed"
    now="$(state)"
    if [ "$now" = "$after" ]; then
      finished=$((finished + 1))
    elif [ "$now" != "$before" ]; then
      fail "$what killed before step $n of $steps: neither before nor after:"$'\n'"$(diff <(echo "$before") <(echo "$now"))"
    fi
    [ "$(leftovers)" -eq 0 ] || fail "$what, step $n: left behind: $(find "$data" "$config" -name '.*.neu' -o -name '.*.alt' -o -name '*.journal')"
  done
  echo "$what: killed before each of its $steps steps; $finished ended as after the step, the rest as before"
}

kill_each_step "undo of the import" undo
kill_each_step "redo of the import" undo redo
kill_each_step "undo of the removal (the book back from the trash)" undo undo
kill_each_step "undo of the booking" undo undo undo

echo "== Undo of the import killed at every step, then the statement imported again"
reset
run undo >/dev/null
run import "$statement" >/dev/null
expected="$(bookings)"
reset
kept="$(bookings)"
QEL_KILL_COUNT_FILE="$work/steps" LD_PRELOAD="$shim" "$cli" --data-dir "$data" undo >/dev/null
steps="$(cat "$work/steps")"
for n in $(seq 1 "$steps"); do
  reset
  { (QEL_KILL_AT="$n" LD_PRELOAD="$shim" exec "$cli" --data-dir "$data" undo >/dev/null 2>&1); } 2>/dev/null || true
  run books >/dev/null 2>&1 || true
  if ! output="$(run import "$statement" 2>&1)"; then
    fail "import after undo killed at step $n failed: $output"
    continue
  fi
  now="$(bookings)"
  [ "$now" = "$expected" ] || [ "$now" = "$kept" ] ||
    fail "undo killed before step $n of $steps, then import: rows missing or twice:"$'\n'"$(diff <(echo "$expected") <(echo "$now"))"
done
echo "undo of the import, then import: each row once after a kill before each of $steps steps"

if [ "$failures" -ne 0 ]; then
  echo "undo-crash-test: $failures failures" >&2
  exit 1
fi
echo "undo-crash-test: every kill left the ledger wholly before or wholly after the step"
