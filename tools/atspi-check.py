#!/usr/bin/python3
"""Walks the program's windows as a screen reader sees them, over AT-SPI.

Started by tools/check-accessibility.sh inside a private session bus and X server, beside a
running program. Each step opens a panel or a dialog by keyboard (xdotool), then every control
shown there must have a name, skin buttons must be push buttons or check boxes with a press
action, and the dialog's texts must be there to read. Prints what it misses and exits 1 then.
"""

import subprocess
import sys
import time

import pyatspi

INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SLIDER,
}
# Cells and items are read through their rows; the walk does not go into them.
CONTAINERS_OF_ITEMS = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_COMBO_BOX}


def poll(probe, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    return None


def wait_for(what, probe, seconds=120):
    """Polls probe until it returns something; the machine may be busy, so be generous."""
    found = poll(probe, seconds)
    if found:
        return found
    seen = []
    app = application()
    if app is not None:
        seen = [f"{w.getRoleName()} {w.name!r} {'shown' if showing(w) else 'hidden'}" for w in app if w is not None]
    sys.exit(f"AT-SPI: {what} did not appear; the program's windows: {seen}")


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and "haushaltsbuch" in (app.name or "").lower():
            return app
    return None


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    if node.getRole() in CONTAINERS_OF_ITEMS:
        return
    for child in node:
        if child is not None and showing(child):
            yield from walk(child, depth + 1)


def where(node):
    """The node's place for a message: its description, its parent and its position there."""
    parent = node.parent
    return (f"description {node.description!r}, in {parent.getRoleName()} {parent.name!r}"
            f" (child {node.getIndexInParent()} of {parent.childCount})" if parent else repr(node.description))


def texts(window):
    return [n.name for n in walk(window) if n.getRole() == pyatspi.ROLE_LABEL and n.name]


def enabled(window, name):
    """True when the window shows a push button of that name that is not greyed out."""
    return any(n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == name
               and n.getState().contains(pyatspi.STATE_ENABLED) for n in walk(window))


def shown_windows(app):
    return [w for w in app if w is not None and showing(w)]


def focus_main_window():
    # Without a window manager nobody gives the window the keyboard: xdotool does.
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "Haushaltsbuch", "windowfocus"],
                   check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)


def check_window(step, window, problems):
    named = 0
    for node in walk(window):
        role = node.getRole()
        # A container that takes the keys (the scrolled analysis page) must say what it is; a tab
        # widget passes them to its tab bar.
        if (role == pyatspi.ROLE_FILLER and node.getState().contains(pyatspi.STATE_FOCUSABLE)
                and not node.name.strip()
                and not any(c is not None and c.getRole() == pyatspi.ROLE_PAGE_TAB_LIST for c in node)):
            problems.append(f"{step}: a focusable control is a filler: {where(node)}")
        if role not in INTERACTIVE:
            continue
        if not node.name.strip():
            problems.append(f"{step}: {node.getRoleName()} without a name: {where(node)}")
            continue
        named += 1
        # Qt's own buttons offer no action while greyed out; ours keep it and do nothing.
        if role in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX) and node.getState().contains(pyatspi.STATE_ENABLED):
            try:
                action = node.queryAction()
                names = [action.getName(i) for i in range(action.nActions)]
            except NotImplementedError:
                names = []
            if not any(n.lower() in ("press", "toggle") for n in names):
                problems.append(f"{step}: {node.name!r} has no press action ({names})")
    if named == 0:
        problems.append(f"{step}: no named control at all")
    return named


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", "--delay", "250", *keys], check=True)


def main():
    app = wait_for("the program", application)
    main_window = wait_for("the main window", lambda: next(iter(shown_windows(app)), None))
    # The books are read once the window shows; the window has the keys after that.
    time.sleep(2)
    focus_main_window()
    problems = []
    counts = {}

    def window_step(step, keys, expect_dialog, must_read=None, close=("Escape",), until=None):
        key(*keys)
        if until:
            # A step whose keys change the window: again, should the keys have been lost.
            for _ in range(3):
                if poll(until, 20):
                    break
                focus_main_window()
                key(*keys)
            wait_for(step, until)
        if expect_dialog:
            dialog = lambda: next((w for w in shown_windows(app) if w != main_window), None)
            # Keys typed while the window was still taking the focus back are lost: once more.
            for _ in range(3):
                if poll(dialog, 20):
                    break
                focus_main_window()
                key(*keys)
            window = wait_for(step, dialog)
        else:
            time.sleep(0.5)
            window = main_window
        time.sleep(0.5)  # the dialog's controls are made visible with it
        counts[step] = check_window(step, window, problems)
        if must_read:
            shown = " ".join(texts(window))
            if must_read not in shown:
                problems.append(f"{step}: the text {must_read!r} cannot be read ({shown[:200]!r})")
        if expect_dialog:
            key(*close)
            closed = lambda: shown_windows(app) == [main_window]
            for _ in range(3):
                if poll(closed, 20):
                    break
                key(*close)
            wait_for(f"{step} closed", closed)
            focus_main_window()

    window_step("Haushaltsbücher", ["alt+F5"], False)
    window_step("Haushaltsbuch erstellen", ["alt+F5", "alt+n"], True)
    window_step("Haushaltsbuch entfernen (Frage)", ["alt+F5", "Down", "alt+e"], True, must_read="entfernt")
    window_step("Papierkorb", ["alt+F5", "alt+p"], True)
    window_step("Haushaltsbuch öffnen", ["alt+F5", "Down", "alt+o"], False, until=lambda: enabled(main_window, "Einnahmen"))
    window_step("Einnahmen", ["alt+F6"], False)
    window_step("Neue Einnahme", ["alt+F6", "alt+n"], True)
    window_step("Ausgaben", ["alt+F7"], False)
    window_step("Regelmäßige Buchungen", ["alt+F8"], False)
    window_step("Neue regelmäßige Buchung", ["alt+F8", "alt+n"], True)
    window_step("Haushalt berechnen", ["alt+F9"], False)
    window_step("Drucken der Auswertung", ["alt+F9", "alt+d"], True)
    window_step("Budgets", ["alt+F9", "alt+u"], True)
    window_step("Jahresübersicht", ["alt+F9", "alt+j"], False)
    window_step("Grafische Auswertung", ["alt+F10"], False)
    window_step("Taschenrechner", ["alt+F3"], True, close=("Escape",))
    window_step("Datensicherung", ["alt+F11"], True)
    window_step("Information", ["alt+F2"], True)

    for step, count in counts.items():
        print(f"{step}: {count} benannte Bedienelemente")
    if problems:
        print("\n".join(problems))
        sys.exit(1)
    print("Every control a screen reader reaches has a name.")


if __name__ == "__main__":
    main()
