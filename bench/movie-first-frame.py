#!/usr/bin/env python3
"""Time from a press of the main window's movie button to the movie's first
frame on the screen, as a user sees it: the press is a real pointer click
(XTest) and the frame is read back from the X display, so the figure holds
everything between the two (window, browser page, player start-up, movie
load, first drawing).

    bench/movie-first-frame.py PROGRAM OPENINGS [--wait SECONDS] [--concurrent]

Starts PROGRAM (its environment gives the site), waits until its main
window shows and then SECONDS more (default 8: the panes load, the program
is idle), then presses 拜佛求签 OPENINGS times, closing the movie window a
second after each first frame. Prints one line per opening in milliseconds,
then the memory of the program and all its processes (PSS summed, kB):
before the first press, and 5 s after the last movie's first frame with it
still showing. With --concurrent no window is closed: each movie opens while
the ones before still show (each moved below the place where the next one
opens after its first frame, so that the next is seen on its own, and watched 5 s before the next press). Needs an X display without a window manager (Xvfb), as
bench/panes-startup.sh gives it.
"""
import ctypes
import os
import subprocess
import sys
import time

WAIT_LIMIT = 30.0  # s for one opening before it counts as failed

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                          ctypes.c_ulong, ctypes.c_int]
x11.XDestroyImage = None  # a macro; the image's own destroy function is called instead
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XWarpPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                             ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_int]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]


class XImage(ctypes.Structure):
    # The head of Xlib's XImage, up to the function table.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p),
                ("create_image", ctypes.c_void_p), ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("movie-first-frame: no X display")
root = x11.XDefaultRootWindow(display)


def samples(x, y, width, height, step=8):
    """Pixels of a screen rectangle on a grid, as (r, g, b) tuples."""
    pointer = x11.XGetImage(display, root, x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
    image = ctypes.cast(pointer, ctypes.POINTER(XImage)).contents
    data, stride = image.data, image.bytes_per_line
    found = []
    for row in range(0, height, step):
        for column in range(0, width, step):
            at = row * stride + column * 4
            found.append((data[at + 2], data[at + 1], data[at]))
    image.destroy_image(pointer)
    return found


def window_ids(name):
    answer = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], capture_output=True, text=True)
    return [int(line) for line in answer.stdout.split()]


def geometry(window):
    """The window's place and size on the screen, or None while it has none."""
    answer = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)], capture_output=True, text=True)
    values = dict(line.split("=", 1) for line in answer.stdout.split() if "=" in line)
    try:
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
    except (KeyError, ValueError):
        return None


def click(x, y):
    x11.XWarpPointer(display, 0, root, 0, 0, 0, 0, x, y)
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    x11.XFlush(display)


def close(window):
    """What a window manager's close box does: WM_DELETE_WINDOW."""
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XSync(display, 0)


def pss_of_tree(pid):
    pids, queue = [], [pid]
    while queue:
        current = queue.pop()
        pids.append(current)
        try:
            with open(f"/proc/{current}/task/{current}/children") as children:
                queue += [int(child) for child in children.read().split()]
        except OSError:
            pass
    total = 0
    for current in pids:
        try:
            with open(f"/proc/{current}/smaps_rollup") as rollup:
                pss = next(int(line.split()[1]) for line in rollup if line.startswith("Pss:"))
            total += pss
            if os.environ.get("BENCH_DETAIL"):
                with open(f"/proc/{current}/cmdline") as command:
                    kind = next((part for part in command.read().split("\0") if part.startswith("--type=")), "program")
                print(f"    {current:>7} {kind:<24} {pss:>8} kB")
        except (OSError, StopIteration):
            pass
    return total


def main():
    args = sys.argv[1:]
    wait = 8.0
    if "--wait" in args:
        at = args.index("--wait")
        wait = float(args[at + 1])
        del args[at:at + 2]
    concurrent = "--concurrent" in args
    if concurrent:
        args.remove("--concurrent")
    if len(args) != 2:
        sys.exit(__doc__)
    program, openings = args[0], int(args[1])
    process = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.monotonic() + 60
        place = None
        while place is None and time.monotonic() < deadline:
            places = [geometry(window) for window in window_ids("^Vandrel")]
            place = next((found for found in places if found and found[2] >= 792), None)
            time.sleep(0.05)
        if place is None:
            sys.exit("movie-first-frame: the main window did not show")
        time.sleep(wait)
        left, top, width, _ = place
        scale = width / 792  # QT_SCALE_FACTOR
        # 拜佛求签 (RzButton4): left 194, top 8, 80 x 20 in the command bar under the 84-pixel banner.
        button = (left + int((194 + 40) * scale), top + int((84 + 8 + 10) * scale))
        pss = 0
        idle = pss_of_tree(process.pid)
        earlier = set()
        for opening in range(openings):
            click(*button)
            start = time.monotonic()
            shown, elapsed = None, None
            while time.monotonic() - start < WAIT_LIMIT:
                if shown is None:
                    found = [(window, geometry(window)) for window in window_ids("^拜佛求签$")]
                    found = [(window, area) for window, area in found
                             if area and area[2] >= 674 and window not in earlier]
                    if found:
                        shown, area = found[0]
                    else:
                        time.sleep(0.005)
                        continue
                pixels = samples(*area)
                # Before the movie the window is grey, white or black (the
                # button face, the page's line of grey text, an empty view);
                # the shrine's first frame is more than half in colour.
                coloured = sum(max(pixel) - min(pixel) > 40 for pixel in pixels) / len(pixels)
                if coloured > 0.25:
                    elapsed = time.monotonic() - start
                    break
                time.sleep(0.005)
            print(f"opening {opening + 1}: " + (f"{elapsed * 1000:.0f} ms" if elapsed is not None else "no frame"),
                  flush=True)
            if opening == openings - 1:
                time.sleep(5)
                pss = pss_of_tree(process.pid)
            if shown is not None and concurrent:
                earlier.add(shown)
                # Below the place where the next window opens: a window just
                # mapped shows what lay under it until it first paints, and
                # the movie still showing there would read as its first frame.
                left_of, top_of, _, height_of = area
                subprocess.run(["xdotool", "windowmove", str(shown), str(left_of + 20 * opening),
                                str(top_of + height_of + 10 + 20 * opening)])
                time.sleep(5.0)  # the user watches the first movie a while
            elif shown is not None:
                close(shown)
                deadline = time.monotonic() + 10
                while window_ids("^拜佛求签$") and time.monotonic() < deadline:
                    time.sleep(0.05)
                time.sleep(1.0)
        print(f"pss before the first movie: {idle} kB")
        print(f"pss with both panes and one movie showing: {pss} kB")
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()


if __name__ == "__main__":
    main()
