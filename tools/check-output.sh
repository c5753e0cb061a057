#!/usr/bin/env bash
# Checks what leaves the program with the real clients: a printed list through a private
# CUPS server whose default queue is cups-pdf, and the exported tables opened by
# LibreOffice Calc. A client that is missing or cannot start is reported and skipped.
#   tools/check-output.sh BUILD_DIR
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
chmod 755 "$work" # the CUPS filters run as another user and must reach the spool
source "$root/tools/private-cups.sh"
trap 'private_cups_stop; rm -rf "$work"' EXIT

echo "== Printing through a private CUPS server (cups-pdf)"
if private_cups_start "$work/cups" >"$work/cups-start.log" 2>&1; then
  # cups-pdf writes into the printing user's own folder; the test removes its file again.
  home="$(getent passwd "$(id -un)" | cut -d: -f6)"
  out="$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -1)"
  out="${out:-'${HOME}/PDF'}"
  out="${out/'${HOME}'/$home}"
  status=0
  # The year overview first: the list's check ends by taking the queue away.
  QEL_CUPS_SERVER="$CUPS_SERVER" QEL_CUPS_PDF_DIR="$out" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    timeout 600 "$build/tests/tst_yearpanel" printsThroughCups || status=$?
  [ "$status" -eq 0 ] && { QEL_CUPS_SERVER="$CUPS_SERVER" QEL_CUPS_PDF_DIR="$out" QT_QPA_PLATFORM=offscreen \
    LC_ALL=C.UTF-8 timeout 600 "$build/tests/tst_listoutput" printsThroughCups || status=$?; }
  private_cups_stop
  [ "$status" -eq 0 ] || { echo "printing through CUPS failed"; exit "$status"; }
else
  echo "Skipped: $(cat "$work/cups-start.log")"
fi

echo "== Exported tables in LibreOffice Calc"
if command -v soffice >/dev/null; then
  export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  cli=("$build/cli/haushaltsbuch-cli" --data-dir "$work/data" --program-data-dir "$work/config")
  "${cli[@]}" new "März 2008" >/dev/null
  "${cli[@]}" add "März 2008" income 01.03.2008 12,50 Gebühren "Überweisung für Jörg" >/dev/null
  "${cli[@]}" add "März 2008" income 03.03.2008 650 Wohnen "Miete 5 €" >/dev/null
  "${cli[@]}" add-regular 7 1200 Lohn Gehalt Einnahme >/dev/null
  "${cli[@]}" export "März 2008" income "$work/Einnahmen.xls" >/dev/null
  "${cli[@]}" export-regular "$work/Regelmäßige Buchungen.xls" >/dev/null
  "${cli[@]}" export-year 2008 "$work/Jahr 2008.xls" >/dev/null
  # The first start of LibreOffice sets up its profile and can take a minute.
  timeout 600 soffice -env:UserInstallation="file://$work/lo-profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir "$work" \
    "$work/Einnahmen.xls" "$work/Regelmäßige Buchungen.xls" "$work/Jahr 2008.xls" >"$work/soffice.log" 2>&1 \
    || { cat "$work/soffice.log"; echo "LibreOffice could not convert the tables"; exit 1; }
  diff -u - "$work/Einnahmen.csv" <<'CSV'
Datum,Betrag (€),Kategorie,Verwendung
01.03.2008,12.50,Gebühren,Überweisung für Jörg
03.03.2008,650.00,Wohnen,Miete 5 €
CSV
  diff -u - "$work/Regelmäßige Buchungen.csv" <<'CSV'
Tag,Betrag (€),Kategorie,Verwendung,Buchungsart
07.,1200.00,Lohn,Gehalt,Einnahme
CSV
  # The year's amounts are numbers: Calc shows them without the text's trailing zeros.
  grep -q '^März,1862.5,0,1862.5,' "$work/Jahr 2008.csv" \
    || { head -5 "$work/Jahr 2008.csv"; echo "The year's amounts are not numbers in Calc"; exit 1; }
  # The year overview, exported through the window's dialog and read back by Calc.
  QEL_CHECK_CALC=1 QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    timeout 900 "$build/tests/tst_yearpanel" exportReadByCalc \
    || { echo "LibreOffice does not read the year overview as written"; exit 1; }
  echo "LibreOffice Calc reads the tables as written."
else
  echo "Skipped: soffice (libreoffice-calc-nogui) is not installed"
fi
