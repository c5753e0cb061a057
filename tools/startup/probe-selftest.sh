#!/usr/bin/env bash
# Checks startup-probe on its own Xvfb server against probe-testwindow: which window counts,
# what the probe reports, and that it fails rather than time a window that is not the program's
# main window.
#   tools/startup/probe-selftest.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d /tmp/probe-selftest.XXXXXX)"
for tool in startup-probe probe-testwindow; do
    cc -std=c11 -O2 -Wall -Wextra -Werror -o "$work/$tool" "$here/$tool.c" -lxcb
done
# A command name with a space and a parenthesis, as /proc/PID/stat shows it.
ln -s "$work/probe-testwindow" "$work/odd) name"

Xvfb -displayfd 3 -noreset -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

failures=0
# name | expected exit status | pattern the output must match | probe arguments...
check() {
    local name="$1" status="$2" pattern="$3" output rc=0
    shift 3
    output="$("$work/startup-probe" --idle-ms 100 --timeout-s 3 "$@" 2>&1)" || rc=$?
    if [ "$rc" != "$status" ] || ! grep -Eq -- "$pattern" <<<"$output"; then
        echo "FAIL $name: exit $rc, output: $output" >&2
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

window="$work/probe-testwindow"
figures='^mapped=0\.[0-9]{4} cpu_mapped=[0-9]+\.[0-9]{3} cpu=[0-9]+\.[0-9]{3} busy=[0-9]+\.[0-9]{4} hwm_kib=[1-9][0-9]*'
check "exact title" 0 "$figures earlier=0 title=Haupt fenster$" --title "Haupt fenster" -- "$window" "Haupt fenster"
check "part of the title" 0 "$figures earlier=0 title=Haupt fenster$" --title-contains "fenster" -- "$window" "Haupt fenster"
check "a splash before the main window" 0 "$figures earlier=1 title=Haupt fenster$" \
    --title "Haupt fenster" -- "$window" Begrüßung "Haupt fenster"
check "CPU and memory of an odd command name" 0 "^mapped=.* cpu=0\.[1-9][0-9]{2} .* hwm_kib=[1-9]" \
    --title "Haupt fenster" -- "$work/odd) name" --burn-ms 200 "Haupt fenster"
check "a title that only starts alike" 1 "no matching window" --title "Haupt" -- "$window" "Haupt fenster"
check "the title on another process's window" 1 "no matching window" \
    --title "Haupt fenster" -- "$window" --foreign-pid "Haupt fenster"
check "a program that ends at once" 1 "ended \(status 1\)" --title "Haupt fenster" -- false

[ "$failures" = 0 ] || { echo "probe-selftest: $failures failed" >&2; exit 1; }
echo "probe-selftest: all passed"
