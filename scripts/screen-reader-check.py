#!/usr/bin/python3
# What a screen reader is told of the running program: through AT-SPI (the
# accessibility bus Orca reads), logs in as the demo operator, opens the
# given menu items one after the other and prints, for each window, every
# input with the name and role a screen reader announces; an input without
# a name is counted. Run by scripts/screen-reader-check.sh, which starts the
# bus, a virtual screen and the demo program.
#
#   screen-reader-check.py OPERATOR PASSWORD "MENU>ITEM" ...
#
# Exit status: 0 when every input met has a name, 1 otherwise, 2 when the
# program could not be reached.

import subprocess
import sys
import time

import pyatspi

INPUTS = {
    pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_ENTRY, pyatspi.ROLE_DATE_EDITOR,
}


def find_app(name, timeout=60):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name and name in app.name.lower():
                return app
        time.sleep(0.5)
    return None


def walk(node, depth=0):
    if node is None or depth > 60:
        return
    yield node
    try:
        children = list(node)
    except Exception:
        return
    for child in children:
        yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def find(root, role, name=None, timeout=20, shown=True):
    end = time.time() + timeout
    while time.time() < end:
        for n in walk(root):
            try:
                if n.getRole() == role and (name is None or n.name == name) and (not shown or showing(n)):
                    return n
            except Exception:
                continue
        time.sleep(0.3)
    return None


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "press", "click", "activate", "Toggle", "ShowMenu"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return True
    if names:
        action.doAction(0)
        return True
    return False


def key(name):
    # The keyboard of the virtual screen (AT-SPI's own key events need a
    # window manager to reach the window).
    subprocess.run(["xdotool", "key", "--clearmodifiers", name], check=False)
    time.sleep(0.5)


def type_into(node, text):
    node.queryEditableText().setTextContents(text)


def labelled_by(node):
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                return " ".join((relation.getTarget(i).name or "").strip() for i in range(relation.getNTargets()))
    except Exception:
        pass
    return ""


def report(window_name, root):
    unnamed = 0
    print(f"== {window_name}")
    for n in walk(root):
        try:
            role = n.getRole()
        except Exception:
            continue
        if role not in INPUTS or not showing(n):
            continue
        name = (n.name or "").strip()
        # On Linux a combo box's name is its value; its caption comes from
        # the label that names it (the relation a screen reader follows),
        # or from its accessible description.
        if role == pyatspi.ROLE_COMBO_BOX:
            label = labelled_by(n) or (n.description or "").strip()
            if not label:
                unnamed += 1
            name = f"{label or '<senza etichetta>'} = {name}"
        elif not name:
            unnamed += 1
        print(f"   {n.getRoleName():14} {name if name else '<senza nome>'}")
    return unnamed


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    operator, password, items = sys.argv[1], sys.argv[2], sys.argv[3:]
    app = find_app("nimbo")
    if app is None:
        print("programma non raggiungibile sul bus di accessibilità")
        return 2
    texts = [n for n in walk(app) if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT) and showing(n)]
    unnamed = report("Accesso", app)
    by_name = {n.name: n for n in texts}
    user = by_name.get("Operatore") or texts[0]
    secret = next((n for n in texts if n.getRole() == pyatspi.ROLE_PASSWORD_TEXT), None) or texts[1]
    # Typed as the clerk does, on the virtual screen's keyboard: the
    # operator, Tab, the password (there is no window manager: a click
    # gives the window the focus).
    box = user.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1"],
                   check=False)
    time.sleep(0.3)
    subprocess.run(["xdotool", "type", "--delay", "20", operator], check=False)
    key("Tab")
    subprocess.run(["xdotool", "type", "--delay", "20", password], check=False)
    print("   (digitati:", user.queryText().getText(0, -1), "/", "*" * secret.queryText().characterCount, ")")
    key("Return")
    time.sleep(3)
    for item in items:
        entry_name = item.split(">", 1)[-1]
        entry = find(app, pyatspi.ROLE_MENU_ITEM, entry_name, shown=False)
        if entry is None:
            print(f"voce {entry_name} non trovata")
            return 2
        if not press(entry):
            print(f"voce {entry_name}: nessuna azione")
            return 2
        time.sleep(2)
        unnamed += report(item, app)
    print(f"campi senza nome: {unnamed}")
    return 0 if unnamed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
