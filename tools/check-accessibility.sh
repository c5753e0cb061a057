#!/usr/bin/env bash
# The program as a screen reader sees it: starts it on a private X server with its own
# session bus and accessibility bus, with one month book, and lets tools/atspi-check.py
# walk every panel and dialog by keyboard over AT-SPI.
#
#   tools/check-accessibility.sh [BUILD_DIR]      (BUILD_DIR defaults to build-test)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-test}"
program="$build/app/haushaltsbuch"
cli="$build/cli/haushaltsbuch-cli"
for needed in "$program" "$cli"; do
  [ -x "$needed" ] || { echo "check-accessibility: $needed is missing; build first" >&2; exit 2; }
done
for tool in dbus-run-session xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "Skipped: $tool is not installed"; exit 0; }
done
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || { echo "Skipped: at-spi2-core is not installed"; exit 0; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "Skipped: python3-pyatspi is not installed"; exit 0; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$cli" new "März 2008" >/dev/null
"$cli" add "März 2008" expense 03.03.2008 12,50 Lebensmittel Brot >/dev/null
"$cli" add-regular 7 1200 Lohn Gehalt Einnahme >/dev/null

cat >"$work/session.sh" <<EOF
set -euo pipefail
$launcher --launch-immediately >"$work/atspi.log" 2>&1 &
launcher_pid=\$!
# The program finds the accessibility bus as it starts: wait until the launcher offers it.
for _ in \$(seq 600); do
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
  sleep 0.1
done
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
"$program" >"$work/program.log" 2>&1 &
program_pid=\$!
status=0
timeout 900 /usr/bin/python3 "$root/tools/atspi-check.py" || status=\$?
kill "\$program_pid" "\$launcher_pid" 2>/dev/null || true
wait "\$program_pid" 2>/dev/null || true
exit \$status
EOF
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash "$work/session.sh" || status=$?
if [ "$status" -ne 0 ]; then
  echo "--- program log"; cat "$work/program.log" || true
  echo "--- accessibility bus log"; cat "$work/atspi.log" || true
fi
exit "$status"
