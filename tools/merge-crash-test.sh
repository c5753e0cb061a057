#!/usr/bin/env bash
# Proves that taking in what a synced folder brought (another computer's log, the files it wrote,
# and the conflict copies the sync tool left) may be killed at any moment: whatever "merge" got
# done, the next "merge" ends with exactly the ledger an uninterrupted one gives, each booking of
# each computer once, no conflict copy left in the data folder and none taken in twice. Kills
# "haushaltsbuch-cli merge" with SIGKILL before every rename, unlink and sync step in turn (a
# preloaded library counts the steps).
#
# The folder as computer A finds it: B's log and the books B alone changed have arrived; the book
# both changed came as a conflict copy of B's version; a copy no log explains (an older program
# on a third computer booked into another book and into the regular bookings) lies beside it.
#
#   tools/merge-crash-test.sh [BUILD_DIR]      (BUILD_DIR defaults to build-test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-test}"
name=merge-crash-test
# shellcheck source=kill-test-home.sh
source "$root/tools/kill-test-home.sh"
data="$work/Daten"
program_a="$work/programm-a"

on() { # on COMPUTER DATA PROGRAM COMMAND...
  local computer="$1" folder="$2" program="$3"
  shift 3
  QEL_TEST_HOSTNAME="rechner-$computer" "$cli" --data-dir "$folder" --program-data-dir "$program" "$@"
}
run() { on a "$data" "$program_a" "$@"; }

# The ledger's files by their bytes, and the copies taken out of the data folder by their bytes.
state() {
  (cd "$data" && find . -maxdepth 1 -type f \( -name '*.qel' -o -name Regular.dat -o -name Budgets.dat \) -print0 |
    sort -z | xargs -0 -r sha256sum)
  (cd "$data" && find . -maxdepth 1 -name '*sync-conflict*' | sed 's/^/noch im Datenordner: /')
  find "$program_a/Konfliktkopien" -type f -print0 2>/dev/null | xargs -0 -r sha256sum | cut -d' ' -f1 | sort |
    sed 's/^/Konfliktkopie /'
  find "$program_a/Konfliktkopien" -type f 2>/dev/null | wc -l | sed 's/^/Konfliktkopien: /'
}
leftovers() {
  find "$data" "$program_a" \( -name '.*.tmp' -o -name '.*.neu' -o -name '.*.alt' -o -name '*.defekt*' \) 2>/dev/null
}

failures=0
fail() {
  failures=$((failures + 1))
  echo "$*" >&2
}

# One folder all three computers started from, A's log made by its first command.
"$demo" --books 4 --rows 10 --regular 3 --seed 5 "$work/start" >/dev/null
mkdir -p "$work/start-a"
on a "$work/start" "$work/start-a" merge >/dev/null
for computer in b c; do cp -a "$work/start" "$work/daten-$computer"; done
cp -a "$work/start" "$data"
cp -a "$work/start-a" "$program_a"

# Apart: A books into January, B into January and March and sets a budget.
run add "Januar 2008" expense 03.01.2008 11,11 Lebensmittel "A: Bäcker" >/dev/null
on b "$work/daten-b" "$work/programm-b" add "Januar 2008" expense 04.01.2008 22,22 Lebensmittel "B: Markt" >/dev/null
on b "$work/daten-b" "$work/programm-b" add "März 2008" income 05.03.2008 33,33 Gehalt "B: Bonus" >/dev/null
on b "$work/daten-b" "$work/programm-b" budget-set Lebensmittel 300 --ab 01.2008 >/dev/null
# C's program keeps no log that ever arrives: its files are all there is of its bookings.
on c "$work/daten-c" "$work/programm-c" add "Februar 2008" expense 06.02.2008 44,44 Kleidung "C: Socken" >/dev/null
on c "$work/daten-c" "$work/programm-c" add-regular 07. 55,55 Versicherung "C: Haftpflicht" Ausgabe >/dev/null

# What the sync tool brought to A.
for log in "$work/daten-b/Änderungen/"*.log; do
  [ -e "$work/start/Änderungen/$(basename "$log")" ] || cp "$log" "$data/Änderungen/"
done
cp "$work/daten-b/März 2008.qel" "$work/daten-b/Budgets.dat" "$data/"
cp "$work/daten-b/Januar 2008.qel" "$data/Januar 2008.sync-conflict-20080110-101010-BBBBBBB.qel"
cp "$work/daten-c/Februar 2008.qel" "$data/Februar 2008.sync-conflict-20080210-101010-CCCCCCC.qel"
cp "$work/daten-c/Regular.dat" "$data/Regular.sync-conflict-20080210-101011-CCCCCCC.dat"
cp -a "$data" "$work/pristine-data"
cp -a "$program_a" "$work/pristine-program"

reset() {
  rm -rf "$data" "$program_a"
  cp -a "$work/pristine-data" "$data"
  cp -a "$work/pristine-program" "$program_a"
}

# Every booking once: checked on the uninterrupted merge, against which every kill is compared.
reset
QEL_KILL_COUNT_FILE="$work/steps" LD_PRELOAD="$shim" run merge >/dev/null 2>&1
steps="$(cat "$work/steps")"
run merge >/dev/null 2>&1
after="$(state)"
for expected in "Januar 2008	A: Bäcker" "Januar 2008	B: Markt" "März 2008	B: Bonus" "Februar 2008	C: Socken"; do
  book="${expected%%	*}"
  count="$(run show "$book" | grep -c -F "${expected#*	}" || true)"
  [ "$count" -eq 1 ] || fail "uninterrupted merge: \"${expected#*	}\" is in \"$book\" $count times"
done
[ "$(run regular | grep -c -F "C: Haftpflicht" || true)" -eq 1 ] || fail "uninterrupted merge: C's regular booking not once"
run budget | grep -q Lebensmittel || fail "uninterrupted merge: B's budget missing"
grep -q 'noch im Datenordner' <<<"$after" && fail "uninterrupted merge: a conflict copy stayed"
grep -q 'Konfliktkopien: 3' <<<"$after" || fail "uninterrupted merge: not all three copies were moved aside"
[ "$steps" -gt 5 ] || fail "the merge took only $steps steps"

finished=0
for n in $(seq 1 "$steps"); do
  reset
  status=0
  { (QEL_KILL_AT="$n" LD_PRELOAD="$shim" exec env QEL_TEST_HOSTNAME=rechner-a "$cli" --data-dir "$data" \
      --program-data-dir "$program_a" merge >/dev/null 2>&1); } 2>/dev/null || status=$?
  [ "$status" -eq 137 ] || fail "merge, step $n: not killed (status $status)"
  [ "$(state)" = "$after" ] && finished=$((finished + 1))
  if ! output="$(run merge 2>&1)"; then
    fail "merge after a kill before step $n failed: $output"
    continue
  fi
  now="$(state)"
  [ "$now" = "$after" ] ||
    fail "merge killed before step $n of $steps, then merged again: not as uninterrupted:"$'\n'"$(diff <(echo "$after") <(echo "$now"))"
  stray="$(leftovers)"
  [ -z "$stray" ] || fail "merge, step $n: left behind: $stray"
done
echo "merge killed before each of its $steps steps; $finished had already ended as uninterrupted, every other one did on the next merge"

if [ "$failures" -gt 0 ]; then
  echo "$name: $failures failures" >&2
  exit 1
fi
echo "$name: passed"
