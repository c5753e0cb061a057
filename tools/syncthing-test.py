#!/usr/bin/env python3
"""Two and three computers whose data folders the real Syncthing keeps in step.

Each computer is a home of its own on this machine (its program folder, its data folder, its
Syncthing instance on the loopback, no discovery, relays or reporting). The computers change
their books with the command-line program, also while their connection is paused, so that
Syncthing has to make conflict copies; afterwards every computer must show the same bookings,
each exactly once. In one case the program itself is open on both computers (each on an X
display of its own, typed into through xdotool) and takes in what the other brings without any
command. Waits are on Syncthing's own state (scanned, nothing needed, folders equal),
never on a clock; a cap only keeps a broken run from hanging.

    python3 tools/syncthing-test.py BUILD_FOLDER
    QEL_SYNC_CASE="open on both" python3 tools/syncthing-test.py BUILD_FOLDER   (one case alone)
Prints "ok ..." or "FAIL ..." per case and exits 1 when a case failed.
"""

import hashlib
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request
import xml.etree.ElementTree as ET

FOLDER = "haushalt"
CAP_SECONDS = 240


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Computer:
    def __init__(self, work, name, cli):
        self.name = name
        self.cli = cli
        self.home = os.path.join(work, name)
        # Where the program looks in that home, so that it can be started there too.
        self.data = os.path.join(self.home, "Documents", "Orvo Haushaltsbuch", "Daten")
        self.program = os.path.join(self.home, ".config", "Orvo Haushaltsbuch")
        self.st = os.path.join(self.home, "syncthing")
        self.key = "key-" + name
        self.gui = free_port()
        self.listen = free_port()
        self.clock = None  # a faketime offset such as "+15m"
        os.makedirs(os.path.join(self.data, ".stfolder"))
        os.makedirs(self.program)
        subprocess.run(["syncthing", "generate", "--home=" + self.st, "--no-default-folder"],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._quiet_config()
        self.log = open(os.path.join(self.home, "syncthing.log"), "w")
        self.process = subprocess.Popen(
            ["syncthing", "serve", "--home=" + self.st, "--no-browser", "--no-restart", "--no-upgrade",
             "--no-default-folder", "--gui-address=http://127.0.0.1:%d" % self.gui, "--gui-apikey=" + self.key],
            stdout=self.log, stderr=subprocess.STDOUT, env=dict(os.environ, STNOUPGRADE="1"))
        wait_for(lambda: self._try("/rest/system/ping"), "%s: Syncthing answers" % name)
        self.id = self.rest("/rest/system/status")["myID"]

    def _quiet_config(self):
        path = os.path.join(self.st, "config.xml")
        tree = ET.parse(path)
        options = tree.getroot().find("options")
        settings = {
            "listenAddress": "tcp://127.0.0.1:%d" % self.listen, "globalAnnounceEnabled": "false",
            "localAnnounceEnabled": "false", "relaysEnabled": "false", "natEnabled": "false",
            "urAccepted": "-1", "autoUpgradeIntervalH": "0", "startBrowser": "false",
            "crashReportingEnabled": "false", "announceLANAddresses": "false",
        }
        for tag, value in settings.items():
            for old in options.findall(tag):
                options.remove(old)
            ET.SubElement(options, tag).text = value
        tree.write(path)

    def _try(self, path):
        try:
            self.rest(path)
            return True
        except OSError:
            return False

    def rest(self, path, method="GET", body=None):
        request = urllib.request.Request("http://127.0.0.1:%d%s" % (self.gui, path), method=method,
                                         headers={"X-API-Key": self.key})
        if body is not None:
            request.data = json.dumps(body).encode()
            request.add_header("Content-Type", "application/json")
        with urllib.request.urlopen(request, timeout=30) as answer:
            text = answer.read()
        return json.loads(text) if text.strip() else None

    def share_with(self, others):
        for other in others:
            self.rest("/rest/config/devices", "POST", {
                "deviceID": other.id, "name": other.name,
                "addresses": ["tcp://127.0.0.1:%d" % other.listen]})
        self.rest("/rest/config/folders", "POST", {
            "id": FOLDER, "label": "Haushalt", "path": self.data, "type": "sendreceive",
            "rescanIntervalS": 3600, "fsWatcherEnabled": False,
            "devices": [{"deviceID": self.id}] + [{"deviceID": o.id} for o in others]})

    def pause(self, others):
        for other in others:
            self.rest("/rest/system/pause?device=" + other.id, "POST")

    def resume(self, others):
        for other in others:
            self.rest("/rest/system/resume?device=" + other.id, "POST")

    def run(self, *args, expect=0):
        command = [self.cli, "--data-dir", self.data, "--program-data-dir", self.program] + list(args)
        env = dict(os.environ, QEL_TEST_HOSTNAME="rechner-" + self.name, QT_QPA_PLATFORM="offscreen")
        if self.clock:
            # The clock runs ahead, the disk keeps what was written: a file's time reads back as
            # the computer set it (libfaketime would otherwise shift those too).
            command = ["faketime", "-f", self.clock] + command
            env["NO_FAKE_STAT"] = "1"
        done = subprocess.run(command, capture_output=True, text=True, env=env)
        if done.returncode != expect:
            raise Failure("%s: %s exits %d: %s%s" % (self.name, " ".join(args), done.returncode,
                                                    done.stdout, done.stderr))
        return done.stdout

    def bookings(self, book):
        """The book's bookings as sorted lines (the totals left out)."""
        lines = self.run("show", book).splitlines()
        return sorted(line for line in lines if line.startswith(("Einnahme\t", "Ausgabe\t")))

    def tree(self):
        """What Syncthing would carry: every file and its hash, its own folders left out."""
        files = {}
        for folder, dirs, names in os.walk(self.data):
            dirs[:] = [d for d in dirs if not d.startswith(".st")]
            for name in names:
                if name.startswith(".syncthing.") or name.endswith(".tmp"):
                    continue
                path = os.path.join(folder, name)
                with open(path, "rb") as f:
                    files[os.path.relpath(path, self.data)] = hashlib.sha256(f.read()).hexdigest()
        return files

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.process.kill()
        self.log.close()


class Failure(Exception):
    pass


class Window:
    """The program itself open on a computer: an X display of its own, driven by keys through
    xdotool as a user types them. The message boxes it shows are noted and confirmed."""

    def __init__(self, computer, app):
        self.computer = computer
        display = next(n for n in range(90, 200) if not os.path.exists("/tmp/.X%d-lock" % n))
        self.env = dict(os.environ, DISPLAY=":%d" % display, HOME=computer.home,
                        XDG_CONFIG_HOME=os.path.join(computer.home, ".config"),
                        XDG_RUNTIME_DIR=os.path.join(computer.home, "run"),
                        QEL_TEST_HOSTNAME="rechner-" + computer.name, QT_QPA_PLATFORM="xcb")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.xvfb = subprocess.Popen(["Xvfb", ":%d" % display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                                      "-noreset"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: self.xdo("getmouselocation") is not None, "%s: the X display" % computer.name)
        self.log = open(os.path.join(computer.home, "program.log"), "w")
        self.app = subprocess.Popen([app], env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        self.boxes = []  # the titles of the boxes confirmed, in order
        self.main = None
        wait_for(self._found_main, "%s: the program's window" % computer.name)

    def xdo(self, *args):
        done = subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True)
        return done.stdout if done.returncode == 0 else None

    def windows(self):
        """The visible windows by id, with their titles."""
        found = self.xdo("search", "--onlyvisible", "--name", ".") or ""
        return {w: (self.xdo("getwindowname", w) or "").strip() for w in found.split()}

    def _found_main(self):
        for window, title in self.windows().items():
            if title == "Orvo Haushaltsbuch":
                self.main = window
                return True
        return False

    def confirm_boxes(self):
        """Confirms every box open now with Return, as a user who read it."""
        for window, title in self.windows().items():
            if window != self.main and title in ("Informationen", "Fehler", "Warnung"):
                self.boxes.append(title)
                self.xdo("windowfocus", "--sync", window)
                self.xdo("key", "--clearmodifiers", "Return")

    def keys(self, *keys):
        self.xdo("windowfocus", "--sync", self.main)
        self.xdo("key", "--clearmodifiers", *keys)

    def open_last_book(self):
        """The book list shows first, nothing chosen: Down chooses the first book, End the last,
        Return opens it."""
        self.confirm_boxes()
        self.keys("Down", "End", "Return")

    def book_income(self, date, amount, category, purpose):
        """Alt+N on the income panel, the dialog filled field by field, one Return."""
        self.confirm_boxes()
        self.keys("alt+n")
        dialog = []

        def opened():
            dialog[:] = [w for w, title in self.windows().items() if title == "Einnahme"]
            return bool(dialog)
        wait_for(opened, "%s: the booking dialog" % self.computer.name)
        self.xdo("windowfocus", "--sync", dialog[0])
        for text in (date, amount, category):
            self.xdo("type", "--delay", "20", text)
            self.xdo("key", "Tab")
        self.xdo("type", "--delay", "20", purpose)
        self.xdo("key", "Return")
        wait_for(lambda: dialog[0] not in self.windows(), "%s: the booking dialog closes" % self.computer.name)

    def close(self):
        self.app.terminate()
        try:
            self.app.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.app.kill()
        self.xvfb.terminate()
        self.xvfb.wait()
        self.log.close()


def wait_for(condition, what):
    deadline = time.monotonic() + CAP_SECONDS
    while not condition():
        if time.monotonic() > deadline:
            raise Failure("never came: " + what)
        time.sleep(0.2)


def connected(computers):
    def check():
        for c in computers:
            connections = c.rest("/rest/system/connections")["connections"]
            for other in computers:
                if other is not c and not connections.get(other.id, {}).get("connected"):
                    return False
        return True
    wait_for(check, "the computers are connected")


def settle(computers):
    """Scans every folder and waits until each computer has all the others have, and all folders
    hold the same files."""
    for c in computers:
        c.rest("/rest/db/scan?folder=" + FOLDER, "POST")

    def check():
        for c in computers:
            status = c.rest("/rest/db/status?folder=" + FOLDER)
            if status["state"] != "idle" or status["needTotalItems"] != 0:
                return False
            for other in computers:
                if other is not c:
                    done = c.rest("/rest/db/completion?folder=%s&device=%s" % (FOLDER, other.id))
                    if done["completion"] < 100 or done["needItems"] != 0:
                        return False
        first = computers[0].tree()
        return all(c.tree() == first for c in computers[1:])
    wait_for(check, "the folders are in step")


def same_everywhere(computers, book, expected):
    """Every computer shows exactly the expected bookings (type, date, amount, category, purpose)."""
    expected = sorted(expected)
    for c in computers:
        got = c.bookings(book)
        if got != expected:
            raise Failure("%s shows in %s:\n  %s\nexpected:\n  %s" % (
                c.name, book, "\n  ".join(got), "\n  ".join(expected)))


def in_step_with_windows(computers, windows, book, expected):
    """Waits, without a command on any computer, until the open programs have taken in what
    came: every folder the same, no conflict copy left in it, every computer showing exactly the
    expected bookings. Boxes the programs show meanwhile are confirmed."""
    expected = sorted(expected)
    seen = {}

    def check():
        for w in windows:
            w.confirm_boxes()
        # Syncthing here looks only when asked (see _quiet_config).
        for c in computers:
            c.rest("/rest/db/scan?folder=" + FOLDER, "POST")
        for c in computers:
            status = c.rest("/rest/db/status?folder=" + FOLDER)
            if status["state"] != "idle" or status["needTotalItems"] != 0:
                return False
        trees = [c.tree() for c in computers]
        seen["copies"] = [f for f in trees[0] if ".sync-conflict-" in f]
        if seen["copies"] or any(t != trees[0] for t in trees[1:]):
            return False
        for c in computers:
            seen[c.name] = c.bookings(book)
        return all(seen[c.name] == expected for c in computers)
    try:
        wait_for(check, "the open programs are in step")
    except Failure as failure:
        raise Failure("%s; last seen: %s; expected:\n  %s" % (failure, seen, "\n  ".join(expected)))


def line(kind, date, amount, category, purpose=""):
    return "\t".join([kind, date, amount, category, purpose])


def offline(computers, changes):
    """The connections paused, each computer's changes made, connections resumed, all in step,
    then one command on each so that each takes in what came (conflict copies included), in step
    again."""
    for c in computers:
        c.pause([o for o in computers if o is not c])
    for c in computers:
        if c in changes:
            changes[c]()
            c.rest("/rest/db/scan?folder=" + FOLDER, "POST")
    for c in computers:
        c.resume([o for o in computers if o is not c])
    connected(computers)
    settle(computers)
    for c in computers:
        c.run("books")
    settle(computers)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-test")
    cli = os.path.join(build, "cli", "haushaltsbuch-cli")
    app = os.path.join(build, "app", "haushaltsbuch")
    if not shutil.which("syncthing") or not shutil.which("faketime"):
        print("FAIL syncthing and faketime are needed (tools/setup-debian.sh installs them)")
        return 1
    work = tempfile.mkdtemp(prefix="qel-syncthing-")
    computers = []
    failures = 0

    only = os.environ.get("QEL_SYNC_CASE")  # a part of a case's name: that case alone

    def case(name, body):
        nonlocal failures
        if only and only not in name:
            return
        try:
            body()
            print("ok   " + name)
        except Failure as failure:
            failures += 1
            print("FAIL %s\n%s" % (name, failure))

    try:
        a = Computer(work, "a", cli)
        b = Computer(work, "b", cli)
        computers = [a, b]
        a.share_with([b])
        b.share_with([a])
        connected([a, b])
        march = "März 2026"
        rent = line("Ausgabe", "01.03.2026", "800.00", "Miete")
        pay = line("Einnahme", "25.03.2026", "2400.00", "Gehalt")
        socks = line("Ausgabe", "03.03.2026", "4.99", "Kleidung", "Socken")
        bread = line("Ausgabe", "04.03.2026", "3.20", "Lebensmittel", "Brot")
        march_all = [rent, pay]

        def everyday():
            a.run("new", march)
            a.run("add", march, "expense", "01.03.2026", "800", "Miete")
            settle([a, b])
            b.run("add", march, "income", "25.03.2026", "2400,00", "Gehalt")
            settle([a, b])
            same_everywhere([a, b], march, march_all)
        case("one computer books, the other sees it and books on", everyday)

        def concurrent():
            offline([a, b], {
                a: lambda: a.run("add", march, "expense", "03.03.2026", "4,99", "Kleidung", "Socken"),
                b: lambda: b.run("add", march, "expense", "04.03.2026", "3,20", "Lebensmittel", "Brot"),
            })
            march_all.extend([socks, bread])
            same_everywhere([a, b], march, march_all)
            kept = os.path.join(a.program, "Konfliktkopien")
            if not os.path.isdir(kept) or not any(".sync-conflict-" in f for f in os.listdir(kept)):
                raise Failure("Syncthing made no conflict copy; the case proves nothing")
        case("both computers book into one book while apart: each booking once", concurrent)

        april = "April 2026"
        coffee = line("Ausgabe", "02.04.2026", "2.50", "Café", "Kaffee")

        def same_new_book():
            def made(c):
                return lambda: (c.run("new", april),
                                c.run("add", april, "expense", "02.04.2026", "2,50", "Café", "Kaffee"),
                                c.run("add", april, "expense", "02.04.2026", "2,50", "Café", "Kaffee"))
            offline([a, b], {a: made(a), b: made(b)})
            # Four coffees were booked, two on each computer: none may go.
            same_everywhere([a, b], april, [coffee] * 4)
        case("the same new book made on both computers while apart keeps every booking", same_new_book)

        def undo_across():
            offline([a, b], {
                a: lambda: a.run("add", march, "expense", "05.03.2026", "9,99", "Bücher", "Roman"),
                b: lambda: b.run("add", march, "expense", "06.03.2026", "1,50", "Café", "Espresso"),
            })
            novel = line("Ausgabe", "05.03.2026", "9.99", "Bücher", "Roman")
            espresso = line("Ausgabe", "06.03.2026", "1.50", "Café", "Espresso")
            same_everywhere([a, b], march, march_all + [novel, espresso])
            a.run("undo")
            settle([a, b])
            same_everywhere([a, b], march, march_all + [espresso])
            b.run("undo")
            settle([a, b])
            same_everywhere([a, b], march, march_all)
            a.run("redo")
            settle([a, b])
            same_everywhere([a, b], march, march_all + [novel])
            march_all.append(novel)
        case("undo and redo take back this computer's step, never the other's", undo_across)

        def clock_ahead():
            b.clock = "+15m"
            offline([a, b], {
                b: lambda: b.run("add", march, "expense", "07.03.2026", "30", "Tanken"),
                a: lambda: a.run("add", march, "expense", "07.03.2026", "12", "Kino"),
            })
            fuel = line("Ausgabe", "07.03.2026", "30.00", "Tanken")
            cinema = line("Ausgabe", "07.03.2026", "12.00", "Kino")
            same_everywhere([a, b], march, march_all + [fuel, cinema])
            # The computer whose clock is right undoes its own step, although the other's came
            # "later" by its clock.
            a.run("undo")
            settle([a, b])
            same_everywhere([a, b], march, march_all + [fuel])
            march_all.append(fuel)
            b.clock = None
        case("a computer 15 minutes ahead: both bookings stay, each undoes its own", clock_ahead)

        def programs_open():
            may = "Mai 2026"
            a.run("new", may)
            settle([a, b])
            windows = [Window(a, app), Window(b, app)]
            wa, wb = windows
            try:
                for w in windows:
                    w.open_last_book()
                wa.book_income("01.05.2026", "100,00", "Gehalt", "A Mai")
                may_all = [line("Einnahme", "01.05.2026", "100.00", "Gehalt", "A Mai")]
                in_step_with_windows([a, b], windows, may, may_all)
                a.pause([b])
                b.pause([a])
                wa.book_income("02.05.2026", "2,50", "Zinsen", "A Zins")
                wb.book_income("03.05.2026", "0,25", "Pfand", "B Pfand")
                for c in (a, b):
                    c.rest("/rest/db/scan?folder=" + FOLDER, "POST")
                a.resume([b])
                b.resume([a])
                connected([a, b])
                may_all += [line("Einnahme", "02.05.2026", "2.50", "Zinsen", "A Zins"),
                            line("Einnahme", "03.05.2026", "0.25", "Pfand", "B Pfand")]
                in_step_with_windows([a, b], windows, may, may_all)
                kept = [f for c in (a, b) if os.path.isdir(os.path.join(c.program, "Konfliktkopien"))
                        for f in os.listdir(os.path.join(c.program, "Konfliktkopien"))]
                if not any(may + ".sync-conflict-" in f for f in kept):
                    raise Failure("Syncthing made no conflict copy of %s; the case proves nothing" % may)
                if "Fehler" in wa.boxes + wb.boxes:
                    raise Failure("a program showed an error: %s, %s" % (wa.boxes, wb.boxes))
            finally:
                for w in windows:
                    w.close()
        case("the program open on both computers, booking together and apart: each booking once, "
             "no command needed", programs_open)

        def third_joins():
            c = Computer(work, "c", cli)
            computers.append(c)
            for old in (a, b):
                old.rest("/rest/config/devices", "POST", {
                    "deviceID": c.id, "name": c.name, "addresses": ["tcp://127.0.0.1:%d" % c.listen]})
                folder = old.rest("/rest/config/folders/" + FOLDER)
                folder["devices"].append({"deviceID": c.id})
                old.rest("/rest/config/folders/" + FOLDER, "PUT", folder)
            c.share_with([a, b])
            connected([a, b, c])
            settle([a, b, c])
            same_everywhere([a, b, c], march, march_all)
            same_everywhere([a, b, c], april, [coffee] * 4)
            offline([a, b, c], {
                a: lambda: a.run("add", march, "income", "10.03.2026", "50", "Geschenk"),
                b: lambda: b.run("add", march, "income", "11.03.2026", "20", "Flohmarkt"),
                c: lambda: c.run("add", march, "income", "12.03.2026", "5", "Pfand"),
            })
            march_all.extend([line("Einnahme", "10.03.2026", "50.00", "Geschenk"),
                              line("Einnahme", "11.03.2026", "20.00", "Flohmarkt"),
                              line("Einnahme", "12.03.2026", "5.00", "Pfand")])
            same_everywhere([a, b, c], march, march_all)
        case("a third computer joins, gets everything, and all three book while apart", third_joins)
    except Failure as failure:
        failures += 1
        print("FAIL setting up: %s" % failure)
    finally:
        for c in computers:
            c.stop()
    if failures:
        print("%d case(s) failed; the homes stay in %s" % (failures, work))
        return 1
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
