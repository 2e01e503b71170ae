#!/usr/bin/python3
"""Stand-ins for a desktop's session services, for the end-to-end tests only:
a StatusNotifierWatcher (with a host), a notification server, the desktop
portal's Inhibit, the screen saver that a portal back end calls, logind, and
the portal's appearance settings (no package gives a portal back end that
answers color-scheme headless). Each logs what it was asked, one line per
event, to the file given; none of them is a real implementation.

    desktop_standins.py LOG watcher|notifications|inhibit|inhibit-idle-only|inhibit-silent|
                            screensaver|logind|appearance-dark|appearance-light|
                            appearance-dark-read-only...

The appearance stand-ins turn to the other scheme on SIGUSR1, telling it by
SettingChanged as the portal does.
"""
import signal
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
LOG = open(sys.argv[1], "a", buffering=1)
BUS = dbus.SessionBus()


def log(*words):
    LOG.write(" ".join(str(w) for w in words) + "\n")


class Watcher(dbus.service.Object):
    IFACE = "org.kde.StatusNotifierWatcher"

    def __init__(self):
        self.name = dbus.service.BusName(self.IFACE, BUS)
        super().__init__(BUS, "/StatusNotifierWatcher")
        self.items = []
        BUS.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus")

    @dbus.service.method(IFACE, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        path = "/StatusNotifierItem"
        if service.startswith("/"):
            service, path = sender, service
        if service not in self.items:
            self.items.append(service)
        item = BUS.get_object(service, path)
        props = dbus.Interface(item, "org.freedesktop.DBus.Properties")
        sizes = ",".join(f"{int(w)}x{int(h)}" for w, h, _ in
                         props.Get("org.kde.StatusNotifierItem", "IconPixmap"))
        tip = props.Get("org.kde.StatusNotifierItem", "ToolTip")
        log("item", service, "sizes=" + sizes, "tip=" + str(tip[2]))

    @dbus.service.method(IFACE, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss",
                         out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="s",
                         out_signature="a{sv}")
    def GetAll(self, interface):
        return {"RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "IsStatusNotifierHostRegistered": True, "ProtocolVersion": 0}

    def owner_changed(self, name, old, new):
        if name in self.items and not new:
            self.items.remove(name)
            log("item-gone", name)


class Notifications(dbus.service.Object):
    IFACE = "org.freedesktop.Notifications"

    def __init__(self):
        self.name = dbus.service.BusName(self.IFACE, BUS)
        super().__init__(BUS, "/org/freedesktop/Notifications")
        self.last = 0

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        log("notify", f"id={self.last}", f"replaces={int(replaces)}", f"icon={icon}",
            f"entry={hints.get('desktop-entry', '')}", f"timeout={int(timeout)}",
            f"summary={str(summary)!r}", f"body={str(body)!r}")
        return self.last

    @dbus.service.method(IFACE, in_signature="u")
    def CloseNotification(self, nid):
        log("close", f"id={int(nid)}")
        self.NotificationClosed(nid, 3)

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "actions"]

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "hushwave tests", "0", "1.2")

    @dbus.service.signal(IFACE, signature="uu")
    def NotificationClosed(self, nid, reason):
        pass


class Request(dbus.service.Object):
    IFACE = "org.freedesktop.portal.Request"

    def __init__(self, portal, path, sender):
        super().__init__(BUS, path)
        self.portal, self.path, self.sender = portal, path, sender

    @dbus.service.method(IFACE)
    def Close(self):
        self.portal.release(self)

    @dbus.service.signal(IFACE, signature="ua{sv}")
    def Response(self, code, results):
        pass


class Inhibit(dbus.service.Object):
    """Answers through the request's Response, as the real portal does; with
    idle_only, refuses suspend as the GTK back end does (response 2); with
    silent, replies to the call but never sends the Response (a back end
    that hangs)."""
    IFACE = "org.freedesktop.portal.Inhibit"

    def __init__(self, idle_only=False, silent=False):
        self.name = dbus.service.BusName("org.freedesktop.portal.Desktop", BUS)
        super().__init__(BUS, "/org/freedesktop/portal/desktop")
        self.active, self.count, self.idle_only, self.silent = [], 0, idle_only, silent
        BUS.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus")

    @dbus.service.method(IFACE, in_signature="sua{sv}", out_signature="o",
                         sender_keyword="sender")
    def Inhibit(self, window, flags, options, sender=None):
        self.count += 1
        token = str(options.get("handle_token", f"t{self.count}"))
        path = f"/org/freedesktop/portal/desktop/request/{sender[1:].replace('.', '_')}/{token}"
        request = Request(self, path, sender)
        if self.silent:
            self.active.append(request)
            log("unanswered", f"flags={int(flags)}", f"active={len(self.active)}")
            return dbus.ObjectPath(path)
        refused = self.idle_only and flags & 4
        if refused:
            log("refuse", f"flags={int(flags)}")
        else:
            self.active.append(request)
            log("inhibit", f"flags={int(flags)}", f"reason={str(options.get('reason', ''))!r}",
                f"active={len(self.active)}")
        # After the reply, as the portal does.
        GLib.idle_add(self.respond, request, 2 if refused else 0)
        return dbus.ObjectPath(path)

    def respond(self, request, code):
        request.Response(dbus.UInt32(code), dbus.Dictionary({}, signature="sv"))
        if code:
            request.remove_from_connection()
        return False

    def release(self, request):
        if request in self.active:
            self.active.remove(request)
            request.remove_from_connection()
            log("release", f"active={len(self.active)}")

    def owner_changed(self, name, old, new):
        if not new:
            for request in [r for r in self.active if r.sender == name]:
                self.release(request)


class ScreenSaver(dbus.service.Object):
    """What the GTK portal back end calls to keep the screen awake where no
    GNOME session manager runs."""
    IFACE = "org.freedesktop.ScreenSaver"

    def __init__(self):
        self.name = dbus.service.BusName(self.IFACE, BUS)
        super().__init__(BUS, "/org/freedesktop/ScreenSaver")
        self.cookies = set()
        self.next = 0

    @dbus.service.method(IFACE, in_signature="ss", out_signature="u")
    def Inhibit(self, app, reason):
        self.next += 1
        self.cookies.add(self.next)
        log("screensaver-inhibit", f"reason={str(reason)!r}", f"active={len(self.cookies)}")
        return self.next

    @dbus.service.method(IFACE, in_signature="u")
    def UnInhibit(self, cookie):
        self.cookies.discard(int(cookie))
        log("screensaver-release", f"active={len(self.cookies)}")

    @dbus.service.method(IFACE, out_signature="b")
    def GetActive(self):
        return False


class Logind(dbus.service.Object):
    """An inhibit lasts while the caller keeps its end of a pipe open."""
    IFACE = "org.freedesktop.login1.Manager"

    def __init__(self):
        self.name = dbus.service.BusName("org.freedesktop.login1", BUS)
        super().__init__(BUS, "/org/freedesktop/login1")
        self.active = 0

    @dbus.service.method(IFACE, in_signature="ssss", out_signature="h")
    def Inhibit(self, what, who, why, mode):
        read_end, write_end = os.pipe()
        self.active += 1
        log("logind-inhibit", f"what={what}", f"who={who}", f"mode={mode}",
            f"active={self.active}")
        GLib.io_add_watch(read_end, GLib.IO_HUP | GLib.IO_ERR, self.closed)
        fd = dbus.types.UnixFd(write_end)
        os.close(write_end)
        return fd

    def closed(self, fd, condition):
        os.close(fd)
        self.active -= 1
        log("logind-release", f"active={self.active}")
        return False


class Appearance(dbus.service.Object):
    """color-scheme: 1 prefers dark, 2 prefers light. The read-only one is
    a portal before version 2 of Settings: Read alone, its answer wrapped in
    one variant more."""
    IFACE = "org.freedesktop.portal.Settings"
    GROUP = "org.freedesktop.appearance"

    def __init__(self, scheme, read_one=True):
        self.name = dbus.service.BusName("org.freedesktop.portal.Desktop", BUS)
        super().__init__(BUS, "/org/freedesktop/portal/desktop")
        self.scheme, self.read_one = scheme, read_one
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, self.flip)

    def value(self, group, key):
        if (group, key) != (self.GROUP, "color-scheme"):
            raise dbus.exceptions.DBusException(
                "org.freedesktop.portal.Error.NotFound", "Requested setting not found")
        return dbus.UInt32(self.scheme)

    @dbus.service.method(IFACE, in_signature="ss", out_signature="v")
    def ReadOne(self, group, key):
        log("appearance-read-one", group, key)
        if not self.read_one:
            raise dbus.exceptions.DBusException(
                "org.freedesktop.DBus.Error.UnknownMethod", "No such method 'ReadOne'")
        return self.value(group, key)

    @dbus.service.method(IFACE, in_signature="ss", out_signature="v")
    def Read(self, group, key):
        log("appearance-read", group, key)
        value = self.value(group, key)
        return value if self.read_one else dbus.UInt32(value, variant_level=2)

    @dbus.service.signal(IFACE, signature="ssv")
    def SettingChanged(self, group, key, value):
        pass

    def flip(self):
        self.scheme = 1 if self.scheme == 2 else 2
        log("appearance-changed", self.scheme)
        self.SettingChanged(self.GROUP, "color-scheme", dbus.UInt32(self.scheme))
        return True


SERVICES = {"watcher": Watcher, "notifications": Notifications, "inhibit": Inhibit,
            "inhibit-idle-only": lambda: Inhibit(idle_only=True),
            "inhibit-silent": lambda: Inhibit(silent=True), "screensaver": ScreenSaver,
            "logind": Logind, "appearance-dark": lambda: Appearance(1),
            "appearance-light": lambda: Appearance(2),
            "appearance-dark-read-only": lambda: Appearance(1, read_one=False)}
keep = [SERVICES[name]() for name in sys.argv[2:]]
log("ready", *sys.argv[2:])
GLib.MainLoop().run()
