#!/usr/bin/python3
# Runs talo-updater-sim under a private Xvfb server, clicks "Update" and sends the window
# manager's _NET_WM_PING to the main window every 100 ms until the write is over: every ping
# must be answered within 1 s. Then Escape must end the program; when the unit is lost at block
# N, the failure box comes first and Escape closes it.
#
#   window_liveness.py PROGRAM [N]        prints the ping figures; exit code 0 when all held
import os
import select
import subprocess
import sys
import time

from Xlib import X, display as xdisplay, error as xerror
from Xlib.protocol import event as xevent

LIMIT_S = 1.0
INTERVAL_S = 0.1


def wait_for(predicate, timeout_s):
    end = time.monotonic() + timeout_s
    while time.monotonic() < end and not predicate():
        time.sleep(0.02)
    return predicate()


# The mapped top-level window whose title holds `fragment` (without a window manager the
# top-level windows are the root's children).
def find_window(dpy, fragment):
    for window in dpy.screen().root.query_tree().children:
        try:
            name = window.get_full_property(dpy.get_atom("_NET_WM_NAME"), 0)
            if (name is not None and fragment in name.value.decode("utf-8", "replace")
                    and window.get_attributes().map_state == X.IsViewable):
                return window
        except xerror.XError:
            pass
    return None


# Pings `window` until over() holds, then waits LIMIT_S for late answers. Returns the answer
# times and the number of pings left unanswered.
def ping_until(dpy, window, over):
    protocols, ping = dpy.get_atom("WM_PROTOCOLS"), dpy.get_atom("_NET_WM_PING")
    dpy.screen().root.change_attributes(event_mask=X.StructureNotifyMask)  # Qt answers there
    sent, answers, stamp, last, ended = {}, [], 0, 0.0, None
    while ended is None or time.monotonic() - ended < LIMIT_S:
        now = time.monotonic()
        if ended is None and over():
            ended = now
        elif ended is None and now - last >= INTERVAL_S:
            stamp, last = stamp + 1, now
            sent[stamp] = now
            window.send_event(xevent.ClientMessage(window=window, client_type=protocols,
                                                   data=(32, [ping, stamp, window.id, 0, 0])),
                              event_mask=0)
            dpy.flush()
        select.select([dpy.fileno()], [], [], 0.005)
        while dpy.pending_events():
            ev = dpy.next_event()
            if ev.type == X.ClientMessage and ev.data[1][0] == ping and ev.data[1][1] in sent:
                answers.append(time.monotonic() - sent.pop(ev.data[1][1]))
    return answers, len(sent)


def main():
    program, lost_at = sys.argv[1], (sys.argv[2:] or [None])[0]
    read_end, write_end = os.pipe()  # Xvfb picks a free display and names it once it is up
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1280x800x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as announced:
        display_name = ":" + announced.readline().strip()
    env = dict(os.environ, DISPLAY=display_name, QT_QPA_PLATFORM="xcb", LSAN_OPTIONS="suppressions="
               + os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp"))
    command = [program, "--no-control", "--situation", "ready", "--image-bytes", "9600"]
    updater = subprocess.Popen(command + (["--disconnect-at-block", lost_at] if lost_at else []),
                               env=env)
    key = lambda name: subprocess.run(["xdotool", "key", name], env=env, check=True)
    failures = []
    try:
        dpy = xdisplay.Display(display_name)
        main_window = (wait_for(lambda: find_window(dpy, "Firmware Updater"), 10)
                       or sys.exit("the main window did not appear"))
        # "Update", in the dialog's units of 300 x 228.
        geometry = main_window.get_geometry()
        origin = main_window.translate_coords(dpy.screen().root, 0, 0)
        x, y = -origin.x + 86 * geometry.width // 300, -origin.y + 206 * geometry.height // 228
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env=env, check=True)

        started, seen = time.monotonic(), []

        def over():  # the progress window has come and gone, or the failure box is up
            seen.append(find_window(dpy, "Firmware wird geschrieben") is not None)
            return time.monotonic() - started > 120 or (
                find_window(dpy, "Update fehlgeschlagen!") is not None if lost_at
                else any(seen) and not seen[-1])

        answers, lost = ping_until(dpy, main_window, over)
        write_s = time.monotonic() - started - LIMIT_S
        print(f"write watched: {write_s:.1f} s, pings answered: {len(answers)}, longest: "
              f"{max(answers, default=0) * 1000:.1f} ms, unanswered within {LIMIT_S} s: {lost}")
        if not any(seen) or write_s > 120:
            failures.append("the progress window never showed or the update did not end")
        if (lost or max(answers, default=LIMIT_S + 1) > LIMIT_S
                or len(answers) < write_s / INTERVAL_S * 0.8):
            failures.append("pings were not answered in time")
        if lost_at:
            key("Escape")  # closes the failure box; the next one must end the program
        time.sleep(0.5)
        key("Escape")
        if updater.wait(timeout=5) != 0:
            failures.append(f"the program ended with {updater.returncode}")
    except subprocess.TimeoutExpired:
        failures.append("Escape after the update did not end the program")
    finally:
        if updater.poll() is None:
            updater.kill()
            updater.wait()
        server.terminate()
        server.wait()
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
