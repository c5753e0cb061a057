#!/usr/bin/env bash
# Proves that saves survive a crash and a full disk. Kills "haushaltsbuch-cli add" on a
# month book of about 2,000 rows with SIGKILL at random moments spread over the whole
# run of the command, and after every kill checks that the book reads back with the old
# or the new row count, that "verify" is clean, that no file is left that the book scan
# or a backup would take, and that the lock is free. Then it fills a small file system
# and checks that saves there fail with a message and leave the old files as they were.
#
#   tools/crash-test.sh [--kills N] [BUILD_DIR]      (BUILD_DIR defaults to build-test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
kills=200
if [ "${1:-}" = "--kills" ]; then
  kills="$2"
  shift 2
fi
build="${1:-$root/build-test}"
cli="$build/cli/haushaltsbuch-cli"
demo="$build/tools/qel-demo-data"
for program in "$cli" "$demo"; do
  [ -x "$program" ] || { echo "crash-test: $program is missing; build first" >&2; exit 2; }
done

work="$(mktemp -d)"
mounted=""
cleanup() {
  if [ -n "$mounted" ]; then umount "$mounted" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
data="$work/data"
book="Januar 2008"
lock="$data/Haushaltsbuch-$(hostname | sed 's/[^A-Za-z0-9._-]/_/g').lock"

run_cli() { "$cli" --data-dir "$1" "${@:2}"; }
rows_of() { run_cli "$1" show "$2" | wc -l; }
now_us() { echo $(( $(date +%s%N) / 1000 )); }
add() { run_cli "$data" add "$book" income 15.01.2008 "$1,00" Crash Lauf; }

# Files other than the book, Regular.dat and the hidden temporary files of a save: what
# the scan or a backup would take by mistake.
strays() {
  find "$1" -mindepth 1 -maxdepth 1 ! -name "$book.qel" ! -name Regular.dat ! -name "Haushaltsbuch-*.lock" ! -name Änderungen \
    -regextype posix-extended \
    ! -regex '.*/\.(.*\.qel|Regular\.dat)\.[A-Za-z0-9]{6}\.tmp' | wc -l
}
leftovers() { find "$1" -mindepth 1 -maxdepth 1 -name '.*.tmp' | wc -l; }

echo "== Crash test: $kills kills of haushaltsbuch-cli add on a book of about 2,000 rows"
"$demo" --books 1 --rows 2000 --regular 20 "$data" >/dev/null
rows="$(rows_of "$data" "$book")"
echo "book: $rows rows, $(stat -c %s "$data/$book.qel") bytes"

# The usual length of one whole add (the median of five), so that the kills fall anywhere in it.
times=()
for i in 1 2 3 4 5; do
  start="$(now_us)"
  add "$i" >/dev/null
  times+=($(( $(now_us) - start )))
  rows=$((rows + 1))
done
span="$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)"
echo "one add takes about $((span / 1000)) ms; the kills fall between 0 and $((span / 1000)) ms"

landed=0 finished=0 corrupt=0 lost=0 stuck=0 stray=0 maxleft=0
for i in $(seq 1 "$kills"); do
  before="$(stat -c %s "$data/$book.qel")"
  delay=$(( (RANDOM * 32768 + RANDOM) % (span + 1) ))
  # exec: the kill must hit the command itself, not a shell around it
  (exec "$cli" --data-dir "$data" add "$book" income 15.01.2008 "$((i % 90 + 10)),00" Crash Lauf >/dev/null 2>&1) &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
  kill -KILL "$pid" 2>/dev/null || true
  status=0
  wait "$pid" 2>/dev/null || status=$?
  if [ "$status" -eq 0 ]; then
    finished=$((finished + 1))
  elif [ "$status" -ne 137 ]; then
    # Not killed, yet failed: refused by a lock that a killed add left behind.
    stuck=$((stuck + 1))
    echo "kill $i: the add ended with status $status" >&2
  fi

  if [ ! -f "$data/$book.qel" ]; then
    lost=$((lost + 1))
    echo "kill $i: the book is gone" >&2
    break
  fi
  now="$(rows_of "$data" "$book" 2>/dev/null || echo -1)"
  if [ "$now" -eq $((rows + 1)) ]; then
    landed=$((landed + 1))
    rows="$now"
  elif [ "$now" -ne "$rows" ]; then
    corrupt=$((corrupt + 1))
    echo "kill $i after ${delay} us: $now rows instead of $rows or $((rows + 1)) (file was $before bytes)" >&2
    rows="$now"
  fi
  if ! run_cli "$data" verify >/dev/null 2>&1; then
    corrupt=$((corrupt + 1))
    echo "kill $i after ${delay} us: verify finds an unreadable file" >&2
  fi
  if [ "$(strays "$data")" -ne 0 ]; then
    stray=$((stray + 1))
    echo "kill $i: a file the scan or a backup would take:" >&2
    ls -A "$data" >&2
  fi
  left="$(leftovers "$data")"
  [ "$left" -gt "$maxleft" ] && maxleft="$left"
  # A killed holder's lock file may stay; it must never stay locked.
  if [ -e "$lock" ] && ! flock -n "$lock" true; then
    stuck=$((stuck + 1))
    echo "kill $i: the lock is still held" >&2
  fi
done

# A last whole add must work and take the temporary files of killed saves with it.
if add 7 >/dev/null; then
  rows=$((rows + 1))
else
  stuck=$((stuck + 1))
fi
[ "$(rows_of "$data" "$book")" -eq "$rows" ] || corrupt=$((corrupt + 1))
finalleft="$(leftovers "$data")"

echo "kills: $kills"
echo "saves that landed: $landed (commands that ended before their kill: $finished)"
echo "corrupt books: $corrupt"
echo "lost books: $lost"
echo "stuck locks: $stuck"
echo "files the scan or a backup would take: $stray"
echo "temporary files of killed saves: at most $maxleft at a time, $finalleft after the next save"
failed=$(( corrupt + lost + stuck + stray + finalleft ))

echo "== Full file system"
full="$work/full"
mkdir -p "$full"
if ! mount -t tmpfs -o size=1m,mode=0755 qel-crash-test "$full" 2>/dev/null; then
  echo "skipped: mounting a small tmpfs is not allowed here (needs root or a user namespace)"
else
  mounted="$full"
  fdata="$full/Daten"
  "$demo" --books 1 --rows 130 --regular 60 "$fdata" >/dev/null
  cp "$data/$book.qel" "$fdata/Dezember 2008.qel"
  echo "on a 1 MB tmpfs: $(cd "$fdata" && stat -c '%n %s bytes' -- * | paste -sd ';' | sed 's/;/, /g')"

  # Each case runs twice: with no room left at all, and with one page left, so that
  # the write fails part-way through.
  check_full() {
    local what="$1" file="$2"
    shift 2
    cp "$fdata/$file" "$work/before"
    local out status=0
    out="$(run_cli "$fdata" "$@" 2>&1)" || status=$?
    if [ "$status" -ne 1 ] || ! grep -q "Speicherplatz" <<<"$out" || ! grep -qF "Es wurde nichts geändert" <<<"$out"; then
      echo "FAIL $what: exit $status, $out"
      failed=$((failed + 1))
    elif ! cmp -s "$fdata/$file" "$work/before"; then
      echo "FAIL $what: $file changed"
      failed=$((failed + 1))
    elif [ -n "$(find "$fdata" -mindepth 1 -name '.*')" ] || ! run_cli "$fdata" verify >/dev/null; then
      echo "FAIL $what: temporary file left or verify not clean"
      failed=$((failed + 1))
    else
      echo "ok   $what: refused ($(grep -o '[^.]*Speicherplatz[^.]*\.' <<<"$out" | head -n1 | sed 's/^ //')), old file intact"
    fi
  }
  for room in none one-page; do
    rm -f "$full/fill"
    dd if=/dev/zero of="$full/fill" bs=4096 2>/dev/null || true
    [ "$room" = one-page ] && truncate -s -4096 "$full/fill"
    check_full "add, small book, room $room" "Januar 2008.qel" add "Januar 2008" income 01.01.2008 1 Voll
    check_full "add-regular, room $room" "Regular.dat" add-regular 5 1 Voll Platte Ausgabe
    check_full "add, book of 2,000 rows, room $room" "Dezember 2008.qel" add "Dezember 2008" expense 01.12.2008 1 Voll
  done
  rm -f "$full/fill"
  if run_cli "$fdata" add "Januar 2008" income 01.01.2008 1 Platz >/dev/null; then
    echo "ok   with room again the save lands"
  else
    echo "FAIL with room again the save still fails"
    failed=$((failed + 1))
  fi
  # Taking that save back writes the book anew: refused as a whole while there is no room.
  for room in none one-page; do
    rm -f "$full/fill"
    dd if=/dev/zero of="$full/fill" bs=4096 2>/dev/null || true
    [ "$room" = one-page ] && truncate -s -4096 "$full/fill"
    check_full "undo, room $room" "Januar 2008.qel" undo
  done
  rm -f "$full/fill"
  if run_cli "$fdata" undo >/dev/null && ! run_cli "$fdata" show "Januar 2008" | grep -q Platz; then
    echo "ok   with room again the undo lands"
  else
    echo "FAIL with room again the undo still fails"
    failed=$((failed + 1))
  fi
fi

if [ "$failed" -ne 0 ]; then
  echo "crash test FAILED"
  exit 1
fi
echo "crash test passed"
