#!/usr/bin/python3
"""Runs talo-updater-sim under a private Xvfb server, starts an update with a click on
"Update", sends the window manager's _NET_WM_PING to the main window every 100 ms while the
controller is written, and checks that every ping is answered within the limit. Then presses
Escape and checks that the program ends.

  window_liveness.py PROGRAM [--image-bytes N] [--disconnect-at-block N] [--limit-s S]

With --disconnect-at-block the update fails: pings go on until the failure box shows, Escape
closes the box and a second Escape ends the program. Prints the ping figures; exit code 0 when
every check passed.
"""
import argparse
import os
import random
import select
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay, error as xerror
from Xlib.protocol import event as xevent

MAIN_TITLE = "Firmware Updater"
PROGRESS_TITLE = "Firmware wird geschrieben, bitte warten..."
FAILURE_TITLE = "Update fehlgeschlagen!"
PING_INTERVAL_S = 0.1


def start_xvfb():
    """Starts Xvfb on a free display; returns the server and the display name. A display that
    another server takes first makes this Xvfb exit, and the next number is tried."""
    for number in random.sample(range(200, 1000), 40):
        if os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        server = subprocess.Popen(
            ["Xvfb", f":{number}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(200):
            if server.poll() is not None:
                break
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                return server, f":{number}"
            time.sleep(0.025)
        if server.poll() is None:
            server.terminate()
            server.wait()
    sys.exit("no Xvfb display could be started")


def connect(display_name):
    try:
        return xdisplay.Display(display_name)
    except xerror.DisplayError:
        return None


def find_window(dpy, fragment):
    """The mapped top-level window whose title holds `fragment` (without a window manager the
    top-level windows are the root's children)."""
    for window in dpy.screen().root.query_tree().children:
        try:
            name = window.get_full_property(dpy.get_atom("_NET_WM_NAME"), 0)
            if (window.get_attributes().map_state == X.IsViewable and name is not None
                    and fragment in name.value.decode("utf-8", "replace")):
                return window
        except xerror.XError:
            pass
    return None


def wait_for(predicate, timeout_s):
    end = time.monotonic() + timeout_s
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    return None


class Pinger:
    """Sends _NET_WM_PING to one window and collects the answers on the root window."""

    def __init__(self, dpy, window):
        self.dpy = dpy
        self.window = window
        self.root = dpy.screen().root
        self.protocols = dpy.get_atom("WM_PROTOCOLS")
        self.ping = dpy.get_atom("_NET_WM_PING")
        # Qt answers to the root with StructureNotify | SubstructureRedirect.
        self.root.change_attributes(event_mask=X.StructureNotifyMask)
        self.sent = {}
        self.latencies = []
        self.next_stamp = 1
        self.last_sent = 0.0

    def send(self):
        stamp = self.next_stamp
        self.next_stamp += 1
        message = xevent.ClientMessage(
            window=self.window, client_type=self.protocols,
            data=(32, [self.ping, stamp, self.window.id, 0, 0]))
        self.window.send_event(message, event_mask=0)
        self.dpy.flush()
        self.sent[stamp] = time.monotonic()
        self.last_sent = self.sent[stamp]

    def collect(self, wait_s=0.0):
        if wait_s > 0:
            select.select([self.dpy.fileno()], [], [], wait_s)
        while self.dpy.pending_events():
            ev = self.dpy.next_event()
            if (ev.type == X.ClientMessage and ev.client_type == self.protocols
                    and ev.data[1][0] == self.ping):
                stamp = ev.data[1][1]
                if stamp in self.sent:
                    self.latencies.append(time.monotonic() - self.sent.pop(stamp))

    def tick(self):
        """Sends a ping when one is due and takes the answers that came."""
        if time.monotonic() - self.last_sent >= PING_INTERVAL_S:
            self.send()
        self.collect(0.005)

    def overdue(self, limit_s):
        now = time.monotonic()
        return [stamp for stamp, sent in self.sent.items() if now - sent > limit_s]


def click_update(dpy, window):
    geometry = window.get_geometry()
    origin = window.translate_coords(dpy.screen().root, 0, 0)
    x = -origin.x + (61 + 25) * geometry.width // 300
    y = -origin.y + (199 + 7) * geometry.height // 228
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--image-bytes", type=int, default=0)
    parser.add_argument("--disconnect-at-block", type=int, default=0)
    parser.add_argument("--limit-s", type=float, default=1.0)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            sys.exit(f"missing {tool}")

    server, display_name = start_xvfb()
    runtime = tempfile.mkdtemp(prefix="talo-liveness-")
    os.chmod(runtime, 0o700)
    suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
    env = dict(os.environ, DISPLAY=display_name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
               LSAN_OPTIONS=f"suppressions={suppressions}")
    os.environ["DISPLAY"] = display_name
    command = [args.program, "--no-control", "--situation", "ready"]
    if args.image_bytes:
        command += ["--image-bytes", str(args.image_bytes)]
    if args.disconnect_at_block:
        command += ["--disconnect-at-block", str(args.disconnect_at_block)]
    program = subprocess.Popen(command, env=env)
    failures = []
    try:
        dpy = wait_for(lambda: connect(display_name), 5)
        if dpy is None:
            sys.exit(f"cannot connect to the X server at {display_name}")
        main_window = wait_for(lambda: find_window(dpy, MAIN_TITLE), 10)
        if main_window is None:
            sys.exit("the main window did not appear")
        pinger = Pinger(dpy, main_window)
        # Idle answers first: the client itself works.
        pinger.send()
        pinger.collect(0.5)
        if len(pinger.latencies) != 1:
            sys.exit("the idle window did not answer a ping")
        pinger.latencies.clear()

        click_update(dpy, main_window)
        started = time.monotonic()
        progress_seen = False
        progress_gone = False
        end_title = FAILURE_TITLE if args.disconnect_at_block else None
        # From the click until the write is over: the progress window has come and gone, or
        # the failure box is up. The lock and the 4 s erase come before the progress window.
        while time.monotonic() - started < 120:
            pinger.tick()
            progress = find_window(dpy, PROGRESS_TITLE) is not None
            progress_seen |= progress
            if end_title and find_window(dpy, end_title) is not None:
                break
            if not end_title and progress_seen and not progress:
                progress_gone = True
                break
        write_s = time.monotonic() - started
        pinger.collect(args.limit_s)
        lost = pinger.overdue(args.limit_s)
        answered = pinger.latencies
        longest = max(answered) if answered else float("nan")
        print(f"write span watched: {write_s:.1f} s, pings sent: {len(answered) + len(lost)}, "
              f"answered: {len(answered)}, longest answer: {longest * 1000:.1f} ms, "
              f"unanswered within {args.limit_s:.1f} s: {len(lost)}")
        if not progress_seen:
            failures.append("the progress window never showed")
        if not end_title and not progress_gone:
            failures.append("the update did not end")
        if lost or not answered or longest > args.limit_s:
            failures.append("pings were not answered in time")
        if len(answered) < write_s / PING_INTERVAL_S * 0.8:
            failures.append("too few pings were answered")

        if end_title:
            subprocess.run(["xdotool", "key", "Escape"], check=True)  # closes the failure box
            if wait_for(lambda: find_window(dpy, FAILURE_TITLE) is None, 5) is None:
                failures.append("Escape did not close the failure box")
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "Escape"], check=True)
        try:
            code = program.wait(timeout=5)
            if code != 0:
                failures.append(f"the program ended with {code}")
        except subprocess.TimeoutExpired:
            failures.append("Escape after the update did not end the program")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
        server.terminate()  # lets Xvfb remove its lock file
        server.wait()
        shutil.rmtree(runtime, ignore_errors=True)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
