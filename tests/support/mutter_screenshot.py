#!/usr/bin/python3
# An independent screenshot for tests: the compositor's own screen cast
# (mutter's org.gnome.Mutter.ScreenCast, which gnome-shell has too) of the
# whole virtual monitor, one frame read by GStreamer's pipewiresrc, written
# as a binary PPM (P6, rows top first, red green blue) to the file given.
import sys

import dbus
import gi
from dbus.mainloop.glib import DBusGMainLoop

gi.require_version("Gst", "1.0")
from gi.repository import GLib, Gst  # noqa: E402

DBusGMainLoop(set_as_default=True)
Gst.init(None)
bus = dbus.SessionBus()
cast = dbus.Interface(bus.get_object("org.gnome.Mutter.ScreenCast", "/org/gnome/Mutter/ScreenCast"),
                      "org.gnome.Mutter.ScreenCast")
session_path = cast.CreateSession({})
session = dbus.Interface(bus.get_object("org.gnome.Mutter.ScreenCast", session_path),
                         "org.gnome.Mutter.ScreenCast.Session")
# cursor-mode 0: hidden, as Clickwisp captures.
stream_path = session.RecordMonitor("", {"cursor-mode": dbus.UInt32(0)})
loop = GLib.MainLoop()
node = []


def added(node_id):
    node.append(int(node_id))
    loop.quit()


bus.add_signal_receiver(added, "PipeWireStreamAdded", "org.gnome.Mutter.ScreenCast.Stream",
                        "org.gnome.Mutter.ScreenCast", stream_path)
session.Start()
GLib.timeout_add_seconds(20, loop.quit)
loop.run()
if not node:
    sys.exit("no PipeWire stream within 20 s")
pipeline = Gst.parse_launch("pipewiresrc path=%d always-copy=true ! videoconvert ! video/x-raw,format=RGB "
                            "! appsink name=sink max-buffers=1" % node[0])
sink = pipeline.get_by_name("sink")
pipeline.set_state(Gst.State.PLAYING)
sample = sink.emit("try-pull-sample", 20 * Gst.SECOND)
if sample is None:
    sys.exit("no frame within 20 s")
structure = sample.get_caps().get_structure(0)
width, height = structure.get_value("width"), structure.get_value("height")
buffer = sample.get_buffer()
data = buffer.extract_dup(0, buffer.get_size())
stride = len(data) // height
with open(sys.argv[1], "wb") as out:
    out.write(b"P6\n%d %d\n255\n" % (width, height))
    for row in range(height):
        out.write(data[row * stride:row * stride + width * 3])
pipeline.set_state(Gst.State.NULL)
session.Stop()
