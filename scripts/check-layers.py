#!/usr/bin/env python3
"""Checks that every file under src/ includes only its own folder and folders below it.

The layers, lowest first. A folder's sub-folders (lobby/invite) belong to it. main.cpp at the top
of src/ stands above everything. docs/architecture.md says what belongs in each layer.

  check-layers.py [SRC]        check the tree (default: the src/ beside this script's folder)
  check-layers.py --self-test  plant an upward include in a scratch tree and make sure it is caught
"""
import os
import re
import sys
import tempfile

LAYERS = [
    "platform", "support", "net", "session", "frame", "game", "prefs", "board", "web",
    "lobby", "chat", "mail", "records", "app",
]
RANK = {name: rank for rank, name in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z0-9_]+)/')


def check(src):
    """Returns the list of 'file:line: message' faults under src."""
    faults = []
    for folder, _dirs, files in sorted(os.walk(src)):
        rel = os.path.relpath(folder, src)
        if rel == ".":
            continue  # main.cpp and the generated headers' templates sit above every layer
        top = rel.split(os.sep)[0]
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            shown = os.path.relpath(path, os.path.dirname(src.rstrip(os.sep)) or ".")
            if top not in RANK:
                faults.append(f"{shown}:1: folder '{top}' has no place in the layers")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or m.group(1) not in RANK:
                        continue
                    if RANK[m.group(1)] > RANK[top]:
                        faults.append(f"{shown}:{number}: '{top}' includes '{m.group(1)}', a layer above it")
    return faults


def self_test():
    with tempfile.TemporaryDirectory() as scratch:
        src = os.path.join(scratch, "src")
        os.makedirs(os.path.join(src, "frame"))
        os.makedirs(os.path.join(src, "lobby", "invite"))
        with open(os.path.join(src, "lobby", "invite", "Good.cpp"), "w") as f:
            f.write('#include "frame/GameView.h"\n#include "lobby/UserListView.h"\n')
        if check(src):
            print("self-test: a downward include was refused", file=sys.stderr)
            return 1
        with open(os.path.join(src, "frame", "Bad.h"), "w") as f:
            f.write('#pragma once\n\n#include "app/MainFrame.h"\n')
        faults = check(src)
        if len(faults) != 1 or not faults[0].startswith(os.path.join("src", "frame", "Bad.h") + ":3:"):
            print(f"self-test: the planted upward include was not reported right: {faults}", file=sys.stderr)
            return 1
    print("self-test: the planted upward include was caught")
    return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    faults = check(os.path.normpath(src))
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} include(s) against the layers", file=sys.stderr)
        return 1
    print("layers: every include goes downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
