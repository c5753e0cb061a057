#!/usr/bin/env bash
# A private CUPS server with a cups-pdf queue as its default printer, for checking what the
# program prints with the real printing system. Source it, then:
#   private_cups_start DIR   starts cupsd with its configuration, spool and socket under DIR,
#                            exports CUPS_SERVER; returns 1 (with the reason) when it cannot
#   private_cups_stop        ends it by its PID
# cups-pdf writes its PDFs into ${HOME}/PDF of the user who printed.

private_cups_start() {
  local dir="$1"
  PRIVATE_CUPS_DIR="$dir"
  mkdir -p "$dir"/{conf,spool,spool/tmp,cache,state,log,ppd}
  if ! command -v cupsd >/dev/null || [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
    echo "cupsd or the cups-pdf backend is not installed"; return 1
  fi
  cat >"$dir/conf/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
WebInterface No
Browsing Off
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF
  cat >"$dir/conf/cups-files.conf" <<CONF
ServerRoot $dir/conf
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
Sandboxing Relaxed
CONF
  cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  PRIVATE_CUPS_PID=$!
  export CUPS_SERVER="$dir/cups.sock"
  local i
  for i in $(seq 1 100); do
    [ -S "$dir/cups.sock" ] && lpstat -r >/dev/null 2>&1 && break
    if ! kill -0 "$PRIVATE_CUPS_PID" 2>/dev/null; then
      echo "cupsd ended at once: $(tail -3 "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null)"
      unset CUPS_SERVER; return 1
    fi
    sleep 0.1
  done
  if ! lpstat -r >/dev/null 2>&1; then
    echo "cupsd does not answer"; private_cups_stop; return 1
  fi
  if ! lpadmin -p PDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd 2>"$dir/log/lpadmin" \
     || ! lpadmin -d PDF 2>>"$dir/log/lpadmin"; then
    echo "the cups-pdf queue cannot be added: $(cat "$dir/log/lpadmin")"; private_cups_stop; return 1
  fi
}

private_cups_stop() {
  if [ -n "${PRIVATE_CUPS_PID:-}" ]; then
    kill "$PRIVATE_CUPS_PID" 2>/dev/null
    wait "$PRIVATE_CUPS_PID" 2>/dev/null
  fi
  unset PRIVATE_CUPS_PID CUPS_SERVER
}
