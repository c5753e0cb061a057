#!/usr/bin/env bash
# Proves that a backup or restore killed at any moment leaves the data folder and the backup
# folder each with exactly its old files or exactly the new ones. Kills "haushaltsbuch-cli
# backup" and "restore" with SIGKILL before every rename, link, unlink and sync step in turn (a
# preloaded library counts the steps), then at random moments of a restore of 240 books; after
# every kill "haushaltsbuch-cli books" runs, which finishes or undoes the interrupted transfer,
# and both folders are compared with their old and new contents by their bytes. No staging
# folder and no journal may be left. A restore of books that a statement was imported into after
# their backup is killed the same way, and the statement imported again must give each of its
# rows exactly once.
#
#   tools/transfer-crash-test.sh [--random N] [BUILD_DIR]      (BUILD_DIR defaults to build-test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
random_kills=50
if [ "${1:-}" = "--random" ]; then
  random_kills="$2"
  shift 2
fi
build="${1:-$root/build-test}"
name=transfer-crash-test
# shellcheck source=kill-test-home.sh
source "$root/tools/kill-test-home.sh"
journal="$XDG_CONFIG_HOME/Orvo Haushaltsbuch/Sicherungen/Journal"
data="$work/Daten"
backup="$work/USB/OrvoHaushalt_Backup"

# The month books and Regular.dat of a folder with their bytes, one line each.
ledger() {
  (cd "$1" 2>/dev/null && find . -maxdepth 1 -type f \( -name '*.qel' -o -name Regular.dat \) -print0 |
    sort -z | xargs -0 -r sha256sum) || true
}
staging_left() { find "$data" "$(dirname "$backup")" -name '.Haushaltsbuch-Sicherung-*' 2>/dev/null | wc -l; }
journals_left() { find "$journal" -name '*.journal' 2>/dev/null | wc -l; }

# Two ledgers that differ in every way a transfer can see: books only in one, books in both
# with other bytes, and Regular.dat.
"$demo" --books 6 --rows 20 --regular 5 --seed 1 "$work/pristine-data" >/dev/null
"$demo" --books 4 --rows 15 --regular 3 --seed 2 "$work/pristine-backup" >/dev/null
mv "$work/pristine-backup/Januar 2008.qel" "$work/pristine-backup/Dezember 2007.qel"
data_old="$(ledger "$work/pristine-data")"
backup_old="$(ledger "$work/pristine-backup")"

reset() {
  rm -rf "$data" "$(dirname "$backup")" "$XDG_CONFIG_HOME"
  mkdir -p "$(dirname "$backup")"
  cp -a "$work/pristine-data" "$data"
  cp -a "$work/pristine-backup" "$backup"
}

failures=0
fail() {
  failures=$((failures + 1))
  echo "$*" >&2
}

# Checks both folders after the kill and the next command; $1 names the case.
check() {
  local what="$1" expect_data_new="$2" expect_backup_new="$3"
  local output
  if ! output="$("$cli" --data-dir "$data" books 2>&1 >/dev/null)"; then
    fail "$what: books failed: $output"
  fi
  local now_data now_backup
  now_data="$(ledger "$data")"
  now_backup="$(ledger "$backup")"
  if [ "$now_data" != "$data_old" ] && [ "$now_data" != "$expect_data_new" ]; then
    fail "$what: the data folder is neither old nor new:"$'\n'"$now_data"
  fi
  if [ "$now_backup" != "$backup_old" ] && [ "$now_backup" != "$expect_backup_new" ]; then
    fail "$what: the backup folder is neither old nor new:"$'\n'"$now_backup"
  fi
  [ "$(staging_left)" -eq 0 ] || fail "$what: a staging folder is left: $(find "$work" -name '.Haushaltsbuch-Sicherung-*')"
  [ "$(journals_left)" -eq 0 ] || fail "$what: a journal is left"
  [ "$(find "$XDG_CONFIG_HOME" \( -name '.unfertig-*' -o -name '.veraltet-*' \) 2>/dev/null | wc -l)" -eq 0 ] ||
    fail "$what: an unfinished or half-removed automatic backup is left"
  if [ -n "$output" ]; then recovered=$((recovered + 1)); fi
  if [ "$now_data" != "$data_old" ] || [ "$now_backup" != "$backup_old" ]; then finished=$((finished + 1)); fi
}

for op in backup restore; do
  if [ "$op" = backup ]; then
    data_new="$data_old" backup_new="$data_old"
  else
    # The backup's books replace the data's; Regular.dat comes from the backup too.
    data_new="$backup_old" backup_new="$backup_old"
  fi
  reset
  QEL_KILL_COUNT_FILE="$work/steps" LD_PRELOAD="$shim" "$cli" --data-dir "$data" "$op" "$backup" >/dev/null
  steps="$(cat "$work/steps")"
  recovered=0 finished=0
  for n in $(seq 1 "$steps"); do
    reset
    status=0
    { (QEL_KILL_AT="$n" LD_PRELOAD="$shim" exec "$cli" --data-dir "$data" "$op" "$backup" >/dev/null 2>&1); } 2>/dev/null || status=$?
    [ "$status" -eq 137 ] || fail "$op, step $n: not killed (status $status)"
    check "$op killed before step $n of $steps" "$data_new" "$backup_new"
  done
  echo "$op: killed before each of its $steps steps; the next command reported $recovered interrupted transfers, $finished ended with the new files"
done

echo "== Restore killed at every step, then the statement imported again"
# A backup, a statement imported after it, a restore of the backup killed before each of its steps,
# the next command, the statement again: the books are either the restored ones with the
# statement's rows or the ones from before the restore, each row exactly once.
statement="$root/tests/data/statements/moiristo-camt053-germany.xml"
config="$XDG_CONFIG_HOME"
"$demo" --books 6 --rows 20 --regular 5 --seed 5 "$work/import-backup" >/dev/null
rm -rf "$data" "$config" "$(dirname "$backup")"
mkdir -p "$(dirname "$backup")"
cp -a "$work/import-backup" "$data"
cp -a "$work/import-backup" "$backup"
"$cli" --data-dir "$data" add "Januar 2008" expense 15.01.2008 12,34 Nach Sicherung >/dev/null
"$cli" --data-dir "$data" import "$statement" >/dev/null
rm -rf "$work/import-data" "$work/import-config"
cp -a "$data" "$work/import-data"
cp -a "$config" "$work/import-config"
reset_import() {
  rm -rf "$data" "$config" "$backup"
  cp -a "$work/import-data" "$data"
  cp -a "$work/import-config" "$config"
  cp -a "$work/import-backup" "$backup"
}
# Every booking of every book, one line each: book, kind, date, amount (category and purpose of
# an imported row follow what the import remembers, so they are left out).
bookings() {
  "$cli" --data-dir "$data" books | cut -f1 | while IFS= read -r name; do
    "$cli" --data-dir "$data" show "$name" | cut -f1-3 | sed "s/^/$name\t/"
  done | sort
}
# What must come out: the backup's books with the statement imported into them afresh.
rm -rf "$data" "$config"
cp -a "$work/import-backup" "$data"
"$cli" --data-dir "$data" import "$statement" >/dev/null
restored="$(bookings)"
reset_import
"$cli" --data-dir "$data" import "$statement" >/dev/null
kept="$(bookings)"
[ "$restored" != "$kept" ] || fail "restore, then import: the restore changed nothing to look at"
reset_import
QEL_KILL_COUNT_FILE="$work/steps" LD_PRELOAD="$shim" "$cli" --data-dir "$data" restore "$backup" >/dev/null
steps="$(cat "$work/steps")"
finished=0
for n in $(seq 1 "$steps"); do
  reset_import
  status=0
  { (QEL_KILL_AT="$n" LD_PRELOAD="$shim" exec "$cli" --data-dir "$data" restore "$backup" >/dev/null 2>&1); } 2>/dev/null || status=$?
  [ "$status" -eq 137 ] || fail "restore, then import, step $n: not killed (status $status)"
  "$cli" --data-dir "$data" books >/dev/null 2>&1 || fail "restore, then import, step $n: books failed"
  if ! output="$("$cli" --data-dir "$data" import "$statement" 2>&1)"; then
    fail "restore, then import, step $n: the import failed: $output"
    continue
  fi
  now="$(bookings)"
  if [ "$now" = "$restored" ]; then
    finished=$((finished + 1))
  elif [ "$now" != "$kept" ]; then
    fail "restore killed before step $n of $steps, then import: the books are neither restored nor kept:"$'\n'"$(diff <(echo "$kept") <(echo "$now"))"
  fi
done
echo "restore, then import: killed before each of its $steps steps; $finished ended with the restored books and the statement's rows, each once"

echo "== Restore of 240 books killed at $random_kills random moments"
"$demo" --seed 3 "$work/pristine-data" --force >/dev/null
"$demo" --seed 4 "$work/pristine-backup" --force >/dev/null
data_old="$(ledger "$work/pristine-data")"
backup_old="$(ledger "$work/pristine-backup")"
now_us() { echo $(( $(date +%s%N) / 1000 )); }
times=()
for i in 1 2 3; do
  reset
  start="$(now_us)"
  "$cli" --data-dir "$data" restore "$backup" >/dev/null
  times+=($(( $(now_us) - start )))
done
span="$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)"
echo "one restore takes about $((span / 1000)) ms; the kills fall between 0 and $((span / 1000)) ms"
recovered=0 finished=0
for i in $(seq 1 "$random_kills"); do
  reset
  delay=$(( (RANDOM * 32768 + RANDOM) % (span + 1) ))
  (exec "$cli" --data-dir "$data" restore "$backup" >/dev/null 2>&1) &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  check "restore killed after ${delay} us" "$backup_old" "$backup_old"
done
echo "random kills: $random_kills; the next command reported $recovered interrupted transfers, $finished ended with the new files"

if [ "$failures" -ne 0 ]; then
  echo "transfer-crash-test: $failures failures" >&2
  exit 1
fi
echo "transfer-crash-test: every folder held exactly its old or its new files"
