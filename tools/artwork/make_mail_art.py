#!/usr/bin/env python3
"""Draws the main window's mail button into res/bitmaps/: mail-waiting.png (messages wait on the
server: an envelope with a red flag) and mail-none.png (the envelope alone), 32 x 32 each.
Uses the rasteriser of make_userlist_art.py.

    python3 tools/artwork/make_mail_art.py [output folder]
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_userlist_art import (Canvas, RED, WHITE, CREAM, circle, envelope, outlined, segment, moved,  # noqa: E402
                               write_png)


def mail_button(waiting):
    c = Canvas(32, 32)
    envelope(c, 0, CREAM)
    if waiting:
        outlined(c, circle(24.5, 8.5, 6.6), circle(24.5, 8.5, 5.4), RED)
        c.paint(*segment(24.5, 5.2, 24.5, 9.4, 2.0), WHITE)
        c.paint(*moved(circle(24.5, 11.9, 1.15), 0, 0), WHITE)
    return c


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res", "bitmaps")
    os.makedirs(out, exist_ok=True)
    for name, waiting in (("mail-waiting.png", True), ("mail-none.png", False)):
        canvas = mail_button(waiting)
        write_png(os.path.join(out, name), canvas.w, canvas.h, canvas.rgba_rows())


if __name__ == "__main__":
    main()
