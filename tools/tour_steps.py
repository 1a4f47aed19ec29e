#!/usr/bin/python3
"""Input for scripts/run's tour measured in the viewer's frames, not in seconds, and the check that a picture
still shows the box.

The window's frames are counted through the X DAMAGE extension: each Present draws the whole client area, and
the X server reports every such drawing as one rectangle the window's size. Keys go through the XTEST
extension to the window that has the focus, as a user's would.

  tour_steps.py hold WINDOW KEY FRAMES   hold KEY (an X key name, e.g. w) down while the window presents
                                         FRAMES frames, then release it
  tour_steps.py frames WINDOW FRAMES     wait until the window has presented FRAMES more frames
  tour_steps.py fur PICTURE              print the share of the picture's pixels in the fur's colours; exit
                                         code 1 when it is below 0.5 % (the box is not in the picture)

A window that presents no frame for 60 s ends the wait with a one-line error and exit code 2 (a held key is
released first).
"""
import select
import sys
import time

STALL_SECONDS = 60
# The start picture shows the box on 2.8 % of the frame; only the box has the fur's brown (the text is grey).
FUR_SHARE_MIN = 0.005


def fail(message, code=2):
    print(f"tour_steps.py: {message}", file=sys.stderr)
    sys.exit(code)


class Frames:
    """Counts the frames a window presents: whole-window damage rectangles."""

    def __init__(self, window_id):
        from Xlib import display
        from Xlib.ext import damage

        self.display = display.Display()
        if not self.display.has_extension("DAMAGE") or not self.display.has_extension("XTEST"):
            fail("the X server lacks the DAMAGE or XTEST extension")
        self.display.damage_query_version()
        self.window = self.display.create_resource_object("window", window_id)
        geometry = self.window.get_geometry()
        self.size = (geometry.width, geometry.height)
        self.window.damage_create(damage.DamageReportRawRectangles)
        self.display.sync()

    def wait(self, count):
        seen = 0
        last = time.monotonic()
        while seen < count:
            while self.display.pending_events():
                event = self.display.next_event()
                if event.type != self.display.extension_event.DamageNotify:
                    continue
                if (event.area.width, event.area.height) == self.size:
                    seen += 1
                    last = time.monotonic()
            if seen >= count:
                break
            if time.monotonic() - last > STALL_SECONDS:
                return seen
            select.select([self.display.fileno()], [], [], 0.5)
        return seen

    def key(self, name, down):
        from Xlib import X, XK
        from Xlib.ext import xtest

        keycode = self.display.keysym_to_keycode(XK.string_to_keysym(name))
        if keycode == 0:
            fail(f"no key named {name}")
        xtest.fake_input(self.display, X.KeyPress if down else X.KeyRelease, keycode)
        self.display.sync()


def fur_share(path):
    import numpy
    from PIL import Image

    rgb = numpy.asarray(Image.open(path).convert("RGB")).astype(int)
    r, g, b = rgb[..., 0], rgb[..., 1], rgb[..., 2]
    fur = (r >= 16) & (r >= g) & (g >= b) & (r - b >= 8)
    return float(fur.mean())


def main(args):
    if len(args) == 4 and args[0] == "hold":
        frames = Frames(int(args[1], 0))
        frames.key(args[2], True)
        seen = frames.wait(int(args[3]))
        frames.key(args[2], False)
        if seen < int(args[3]):
            fail(f"the window presented {seen} of {args[3]} frames while {args[2]} was held")
    elif len(args) == 3 and args[0] == "frames":
        seen = Frames(int(args[1], 0)).wait(int(args[2]))
        if seen < int(args[2]):
            fail(f"the window presented {seen} of {args[2]} frames in {STALL_SECONDS} s")
    elif len(args) == 2 and args[0] == "fur":
        share = fur_share(args[1])
        print(f"{share * 100:.1f}")
        return 0 if share >= FUR_SHARE_MIN else 1
    else:
        fail("usage: tour_steps.py hold WINDOW KEY FRAMES | frames WINDOW FRAMES | fur PICTURE")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
