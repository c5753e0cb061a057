#!/usr/bin/env bash
# Start-up benchmark: how fast the program shows its main window with 240 month books of 100
# bookings and 50 regular bookings, how much CPU it spends until it is idle and how much memory
# it takes at its peak, beside HomeBank (Debian's `homebank`, the program a user would pick
# instead) opening the same 24,000 bookings, and beside the program with an empty data folder.
#
#   tools/startup-bench.sh [--ours BINARY]... [--pairs N] [--no-peer] [--idle-ms MS]
#                          [--no-dbus] [--work DIR]
#
#   --ours BINARY  the haushaltsbuch binary to measure (default build-release/app/haushaltsbuch);
#                  give it twice to compare two builds in the same interleaved run. The CLI and
#                  the demo-data generator come from the first binary's build folder.
#   --pairs N      measured rounds (default 15); each round starts every program once, the order
#                  reversed every other round; one round before them warms the caches, is shown
#                  apart as the first start and leaves a screenshot of each in WORK/shots/
#   --no-peer      without HomeBank
#   --idle-ms MS   a program counts as idle when its CPU time has not changed for MS (default 300)
#   --no-dbus      no private session bus (by default the runs have one, as on a desktop)
#   --work DIR     where the fresh homes, data, logs and results go (default: a new /tmp folder)
#
# All programs run one after the other on one private Xvfb server (no window manager, not reset
# between runs, as a desktop session is not), each in its own fresh HOME / XDG_CONFIG_HOME /
# XDG_RUNTIME_DIR. The Markdown tables go to stdout, the raw runs into WORK/results.txt.
# HomeBank is installed with apt when it is missing (for this measurement only).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
here="$root/tools/startup"

ours=()
pairs=15
peer=1
idle_ms=300
dbus=1
work=""

usage() {
    sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//' >&2
    exit "${1:-2}"
}

while [ $# -gt 0 ]; do
    case "$1" in
        --ours) [ $# -ge 2 ] || usage; ours+=("$(realpath "$2")"); shift 2 ;;
        --pairs) [ $# -ge 2 ] || usage; pairs="$2"; shift 2 ;;
        --no-peer) peer=0; shift ;;
        --idle-ms) [ $# -ge 2 ] || usage; idle_ms="$2"; shift 2 ;;
        --no-dbus) dbus=0; shift ;;
        --work) [ $# -ge 2 ] || usage; work="$2"; shift 2 ;;
        -h|--help) usage 0 ;;
        *) echo "startup-bench: unknown option $1" >&2; usage ;;
    esac
done
[[ "$pairs" =~ ^[1-9][0-9]*$ ]] || { echo "startup-bench: --pairs needs a positive number" >&2; exit 2; }
[[ "$idle_ms" =~ ^[1-9][0-9]*$ ]] || { echo "startup-bench: --idle-ms needs a positive number" >&2; exit 2; }
[ ${#ours[@]} -gt 0 ] || ours=("$root/build-release/app/haushaltsbuch")

say() { echo "startup-bench: $*" >&2; }
die() { say "$*"; exit 1; }

for binary in "${ours[@]}"; do
    [ -x "$binary" ] || die "$binary not found; build it first:
  cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build build-release --target haushaltsbuch haushaltsbuch-cli qel-demo-data"
done
build="$(dirname "$(dirname "${ours[0]}")")"
cli="$build/cli/haushaltsbuch-cli"
demo_data="$build/tools/qel-demo-data"
for tool in "$cli" "$demo_data"; do
    [ -x "$tool" ] || die "$tool not found; build it: cmake --build $build --target haushaltsbuch-cli qel-demo-data"
done

need() { command -v "$1" >/dev/null || die "$1 is missing: apt-get install $2"; }
need Xvfb xvfb
need cc gcc
need python3 python3
[ -f /usr/include/xcb/xcb.h ] || die "the XCB headers are missing: apt-get install libxcb1-dev"
if [ "$dbus" = 1 ]; then need dbus-daemon dbus; fi
if [ "$peer" = 1 ] && ! command -v homebank >/dev/null; then
    say "installing HomeBank (Debian package homebank) for the comparison; --no-peer measures without it"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends homebank >&2 \
        || die "could not install homebank; install it with 'sudo apt-get install homebank' or use --no-peer"
fi

if [ -z "$work" ]; then
    work="$(mktemp -d /tmp/startup-bench.XXXXXX)"
else
    [ ! -e "$work" ] || [ -z "$(ls -A "$work")" ] || die "$work is not empty; give a new folder"
    mkdir -p "$work"
fi
work="$(realpath "$work")"
say "working in $work"

# The probe, built with the system compiler (it needs only libxcb).
probe="$work/startup-probe"
cc -std=c11 -O2 -Wall -Wextra -o "$probe" "$here/startup-probe.c" -lxcb

# A fresh home for each program: HOME, XDG_CONFIG_HOME below it, a private XDG_RUNTIME_DIR.
new_home() {
    mkdir -p "$1/.config" "$1/run"
    chmod 700 "$1/run"
}
data_folder() { echo "$1/Documents/Orvo Haushaltsbuch/Daten"; }

labels=()     # one per measured program, in the order of the table
kinds=()      # data, empty or peer
programs=()   # the binary of each
arguments=()  # its one argument, or nothing
homes=()
titles=()

for i in "${!ours[@]}"; do
    name="haushaltsbuch"
    [ ${#ours[@]} -eq 1 ] || name="haushaltsbuch #$((i + 1))"
    for kind in data empty; do
        home="$work/ours$i-$kind"
        new_home "$home"
        if [ "$kind" = empty ]; then
            mkdir -p "$(data_folder "$home")"
        elif [ "$i" = 0 ]; then
            "$demo_data" "$(data_folder "$home")" >&2
        else
            mkdir -p "$(dirname "$(data_folder "$home")")"
            cp -a "$(data_folder "$work/ours0-data")" "$(data_folder "$home")"
        fi
        labels+=("$name, $([ "$kind" = data ] && echo "240 books" || echo "empty folder")")
        kinds+=("$kind")
        programs+=("${ours[$i]}")
        arguments+=("")
        homes+=("$home")
        titles+=("Orvo Haushaltsbuch")
    done
done

peer_version=""
if [ "$peer" = 1 ]; then
    home="$work/homebank"
    new_home "$home"
    python3 "$here/ledger-to-xhb.py" --cli "$cli" --data-dir "$(data_folder "$work/ours0-data")" \
        --program-data-dir "$work/cli-program-data" --out "$home/Haushaltsbuch.xhb"
    # No splash screen before the main window, no welcome dialog over it, no other file opened.
    mkdir -p "$home/.config/homebank"
    printf '[General]\nShowSplash=false\nShowWelcome=false\nLoadLast=false\n' >"$home/.config/homebank/preferences"
    peer_version="$(homebank --version 2>/dev/null | head -n 1)"
    labels+=("HomeBank${peer_version:+ ${peer_version#homebank }}, same bookings")
    kinds+=(peer)
    programs+=("$(command -v homebank)")
    arguments+=("$home/Haushaltsbuch.xhb")
    homes+=("$home")
    titles+=("Haushaltsbuch.xhb - Haushaltsbuch - HomeBank")
fi

# One private X server (and session bus) for all runs, both ended by their process ids. The
# server is not reset between runs (-noreset), as a desktop session is not: what a program leaves
# on the root window for the next start stays there (GTK keeps its probed GL visuals there).
xvfb_pid=""
dbus_pid=""
cleanup() {
    if [ -n "$dbus_pid" ]; then kill "$dbus_pid" 2>/dev/null || true; wait "$dbus_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
wait_for_file() {
    for _ in $(seq 100); do
        [ -s "$1" ] && return 0
        sleep 0.1
    done
    return 1
}
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for_file "$work/display" || die "Xvfb did not start (see $work/xvfb.log)"
export DISPLAY=":$(head -n 1 "$work/display")"
if [ "$dbus" = 1 ]; then
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$work/dbus-address" >"$work/dbus.log" 2>&1 &
    dbus_pid=$!
    wait_for_file "$work/dbus-address" || die "dbus-daemon did not start (see $work/dbus.log)"
    export DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/dbus-address")"
else
    unset DBUS_SESSION_BUS_ADDRESS
fi
export LANG=C.UTF-8
unset LC_ALL LANGUAGE

# One start of program $1 (with a command to run when it is idle: $2); appends "index mapped
# cpu busy hwm_kib earlier" to the results file $3.
results="$work/results.txt"
first_results="$work/first-start.txt"
: >"$results"
: >"$first_results"
run_one() {
    local index="$1" at_idle="$2" into="$3" home="${homes[$1]}" line
    local args=(--title "${titles[$index]}" --idle-ms "$idle_ms" --log "$work/program$index.log")
    [ -z "$at_idle" ] || args+=(--at-idle "$at_idle")
    local command=("${programs[$index]}")
    [ -z "${arguments[$index]}" ] || command+=("${arguments[$index]}")
    if ! line="$(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run" \
                 "$probe" "${args[@]}" -- "${command[@]}" 2>>"$work/probe.log")"; then
        die "${labels[$index]} failed; see $work/probe.log and $work/program$index.log"
    fi
    # mapped=… cpu_mapped=… cpu=… busy=… hwm_kib=… earlier=… title=…
    echo "$index $line" | awk '{ for (i = 2; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
        print $1, v["mapped"], v["cpu"], v["busy"], v["hwm_kib"], v["earlier"] }' >>"$into"
}

load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
mkdir -p "$work/shots"
say "warm-up round (screenshots in $work/shots)"
for index in "${!labels[@]}"; do
    shot="$work/shots/$(echo "${labels[$index]}" | tr -c 'A-Za-z0-9\n' '-' | tr -s '-').png"
    if command -v import >/dev/null; then
        run_one "$index" "import -window root $(printf '%q' "$shot")" "$first_results"
    else
        run_one "$index" "" "$first_results"
    fi
done
count=${#labels[@]}
for round in $(seq "$pairs"); do
    say "round $round of $pairs"
    for k in $(seq 0 $((count - 1))); do
        index=$([ $((round % 2)) = 1 ] && echo "$k" || echo $((count - 1 - k)))
        run_one "$index" "" "$results"
    done
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# The table: median (min) of each figure per program, the ratios to HomeBank, the cost of the data.
describe_build() {
    local source commit=""
    source="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$(dirname "$(dirname "$1")")/CMakeCache.txt" 2>/dev/null || true)"
    [ -z "$source" ] || commit="$(git -C "$source" log -1 --format='%h %s' 2>/dev/null | cut -c1-72 || true)"
    echo "$("$1" --version 2>/dev/null | head -n 1), $1${commit:+ (source tree at $commit)}"
}

echo "### Start-up: window mapped, CPU until idle, peak RSS"
echo
echo "240 month books × 100 bookings + 50 regular bookings (qel-demo-data);"
[ "$peer" = 0 ] || echo "HomeBank: the same 24,000 bookings in one account, the 50 regular ones as monthly scheduled templates."
echo "$pairs interleaved rounds after one warm-up round; median (min). One Xvfb 1280×1024×24 server, not reset between runs, no window manager;"
echo "$([ "$dbus" = 1 ] && echo "a private session bus;" || echo "no session bus;") idle = CPU time unchanged for $idle_ms ms; $(nproc) cores; load average $load_before before, $load_after after."
echo
for i in "${!ours[@]}"; do
    [ ${#ours[@]} -eq 1 ] && echo "- haushaltsbuch: $(describe_build "${ours[$i]}")" \
                          || echo "- haushaltsbuch #$((i + 1)): $(describe_build "${ours[$i]}")"
done
[ "$peer" = 0 ] || echo "- HomeBank: ${peer_version:-homebank}, $(command -v homebank)"
echo
for index in "${!labels[@]}"; do
    printf '%s\t%s\t%s\n' "$index" "${labels[$index]}" "${kinds[$index]}"
done >"$work/labels.txt"
python3 "$here/table.py" "$work/labels.txt" "$results"
echo
echo "The first start of each on the fresh X server and session bus (the warm-up round, one run each, not in the table above):"
echo
python3 "$here/table.py" "$work/labels.txt" "$first_results"
echo
say "each run: $results (program index, mapped, CPU, busy until, peak RSS KiB, windows before); logs in $work"
