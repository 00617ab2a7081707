# SPDX-License-Identifier: GPL-3.0-or-later
"""What a window manager asks of a window, asked of one window by hand.

Usage: window_ping.py WINDOW PINGS [--cover] [--close]

Sends PINGS _NET_WM_PING messages to the X window WINDOW (a number), one
at a time, and counts those answered within a second; a window manager
offers to kill a window that leaves them unanswered. The answer comes to
the root window, where Qt sends it for StructureNotify: the probe listens
there (on SubstructureNotify alone it would hear nothing). --cover maps a
window over WINDOW and takes it away again, so that WINDOW must repaint
what was covered; --close asks WINDOW to close, as its close box does.
Prints "answered N of PINGS".
"""

import sys
import time

from Xlib import X, display
from Xlib.protocol import event

window_id, pings = int(sys.argv[1], 0), int(sys.argv[2])
screen = display.Display()
root = screen.screen().root
target = screen.create_resource_object("window", window_id)
protocols = screen.intern_atom("WM_PROTOCOLS")
ping = screen.intern_atom("_NET_WM_PING")
root.change_attributes(event_mask=X.StructureNotifyMask | X.SubstructureNotifyMask)
screen.sync()


def ask(atom, stamp):
    message = event.ClientMessage(window=target, client_type=protocols,
                                  data=(32, [atom, stamp, window_id, 0, 0]))
    target.send_event(message, event_mask=X.NoEventMask)
    screen.flush()


def answered(stamp):
    deadline = time.monotonic() + 1.0
    while time.monotonic() < deadline:
        while screen.pending_events():
            reply = screen.next_event()
            if (reply.type == X.ClientMessage and reply.client_type == protocols
                    and reply.data[1][0] == ping and reply.data[1][1] == stamp):
                return True
        time.sleep(0.01)
    return False


if "--cover" in sys.argv:
    geometry = target.get_geometry()
    position = root.translate_coords(target, 0, 0)
    cover = root.create_window(position.x, position.y, geometry.width, geometry.height, 0,
                               screen.screen().root_depth,
                               background_pixel=screen.screen().black_pixel,
                               override_redirect=True)
    cover.map()
    screen.sync()
    time.sleep(0.3)
    cover.destroy()
    screen.sync()

if "--close" in sys.argv:
    ask(screen.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime)

count = 0
for number in range(1, pings + 1):
    ask(ping, number)
    count += answered(number)
    time.sleep(0.2)
print(f"answered {count} of {pings}")
