#!/usr/bin/python3
# A window for tests that shows one colour, given as RRGGBB, over all of it
# (no title bar); it prints "shown" once it is on the screen. Runs until
# killed.
import sys

import gi

gi.require_version("Gtk", "4.0")
from gi.repository import GLib, Gtk  # noqa: E402


def activate(application):
    css = Gtk.CssProvider()
    css.load_from_data(("window { background: #%s; }" % sys.argv[1]).encode())
    window = Gtk.ApplicationWindow(application=application, title="Clickwisp colour")
    window.get_style_context().add_provider(css, Gtk.STYLE_PROVIDER_PRIORITY_USER)
    window.set_decorated(False)
    window.set_default_size(400, 300)
    window.present()
    GLib.timeout_add(500, lambda: print("shown", flush=True) and False)


application = Gtk.Application(application_id="io.github.clickwisp.TestColour")
application.connect("activate", activate)
application.run([])
