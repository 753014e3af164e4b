#!/usr/bin/python3
"""Keeps the WM_STATE of the top-level windows of a display without a window
manager, as a manager would: NormalState once a window is mapped and
WithdrawnState once it is unmapped. It places, stacks and decorates nothing.

Wine waits up to two seconds for a window manager to confirm each map before
it hides or destroys that window again (a dialog closing, a message box
answered, the program ending); on the virtual display the tests and the
viewer run on, this answers at once.

Usage: window-states.py   (on $DISPLAY, until the display closes)
"""
import sys

from Xlib import X, display, error

NORMAL_STATE, WITHDRAWN_STATE = 1, 0


def main():
    screen = display.Display()
    root = screen.screen().root
    wm_state = screen.intern_atom("WM_STATE")
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    screen.sync()
    while True:
        event = screen.next_event()
        if event.type == X.MapNotify and not event.override:
            state = NORMAL_STATE
        elif event.type == X.UnmapNotify:
            state = WITHDRAWN_STATE
        else:
            continue
        try:
            event.window.change_property(wm_state, wm_state, 32, [state, X.NONE])
            screen.flush()
        except error.XError:
            pass  # the window is gone already


if __name__ == "__main__":
    try:
        main()
    except (error.ConnectionClosedError, error.DisplayError, KeyboardInterrupt):
        sys.exit(0)
