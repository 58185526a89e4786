#!/usr/bin/env python3
"""Prints what a screen reader finds in the windows of one process over the
accessibility bus (AT-SPI): for each text box, combo box and table that
shows, its window's name, role, accessible name and text (none for a table),
tab-separated, one a line.

    atspi_names.py PID
"""
import sys

import pyatspi

TEXT_ROLES = {
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_EDITBAR,
}
WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW}
# A table's cells are not text boxes, and there may be forty thousand rows.
TABLE_ROLES = {pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE}
SKIPPED_ROLES = TABLE_ROLES | {pyatspi.ROLE_LIST}


def flat(text):
    return text.replace("\t", " ").replace("\n", " ")[:200]


def walk(node, window, depth):
    if depth > 40:
        return
    try:
        role = node.getRole()
        states = node.getState()
    except Exception:
        return
    if role in WINDOW_ROLES:
        window = node.name or ""
    if role in TEXT_ROLES | TABLE_ROLES and states.contains(pyatspi.STATE_SHOWING):
        text = ""
        try:
            if role not in TABLE_ROLES:
                box = node.queryText()
                text = box.getText(0, box.characterCount)
        except NotImplementedError:
            pass
        print("\t".join([flat(window), node.getRoleName(), flat(node.name or ""), flat(text)]))
    if role in SKIPPED_ROLES:
        return
    for child in node:
        if child is not None:
            walk(child, window, depth + 1)


def main():
    pid = int(sys.argv[1])
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
        except Exception:
            continue
        walk(app, "", 0)
        return 0
    print("no application with process id %d on the accessibility bus" % pid, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
