#!/usr/bin/python3
# An independent client of the desktop portal for tests: opens one
# RemoteDesktop session with every monitor shared, prints how the desktop
# answered ("Start 0 streams 1"), then taps the keys given as evdev codes,
# each optionally with modifiers held ("30+42" is Shift+A), and keeps the
# session until its standard input closes.
import sys

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = bus.get_object("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop")
remote = dbus.Interface(portal, "org.freedesktop.portal.RemoteDesktop")
screen = dbus.Interface(portal, "org.freedesktop.portal.ScreenCast")
loop = GLib.MainLoop()
sender = bus.get_unique_name()[1:].replace(".", "_")
count = [0]


def request(method, *arguments, options):
    count[0] += 1
    token = "probe%d" % count[0]
    path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender, token)
    answer = {}

    def respond(code, results):
        answer["code"] = int(code)
        answer["results"] = results
        loop.quit()

    match = bus.add_signal_receiver(respond, "Response", "org.freedesktop.portal.Request",
                                    "org.freedesktop.portal.Desktop", path)
    options["handle_token"] = token
    method(*arguments, options)
    loop.run()
    match.remove()
    return answer


session = request(remote.CreateSession, options={"session_handle_token": "probe"})["results"]["session_handle"]
request(remote.SelectDevices, session, options={"types": dbus.UInt32(3)})
request(screen.SelectSources, session, options={"types": dbus.UInt32(1), "multiple": True})
started = request(remote.Start, session, "", options={})
streams = started["results"].get("streams", [])
print("Start %d streams %d" % (started["code"], len(streams)), flush=True)
if started["code"] != 0:
    sys.exit(1)


def key(code, down):
    remote.NotifyKeyboardKeycode(session, {}, dbus.Int32(code), dbus.UInt32(1 if down else 0))


# The virtual keyboard appears with its first event, which mutter loses.
key(42, True)
key(42, False)
GLib.timeout_add(300, loop.quit)
loop.run()
for spec in sys.argv[1:]:
    codes = [int(part) for part in spec.split("+")]
    for modifier in codes[1:]:
        key(modifier, True)
    key(codes[0], True)
    key(codes[0], False)
    for modifier in reversed(codes[1:]):
        key(modifier, False)
print("typed", flush=True)
sys.stdin.read()
