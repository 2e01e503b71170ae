#!/usr/bin/python3
"""What a user's launcher and mouse do on a wlroots compositor, for the
end-to-end tests: stand-ins, since the packaged launchers are interactive and
a headless compositor has no pointer. Speaks the wire protocol directly, so
it needs nothing beyond Python.

    wayland_input.py token [seconds]  asks for an xdg-activation token, as a
                                      launcher does before it starts a
                                      program, prints it and stays connected
                                      for a while, as a launcher would
    wayland_input.py click X Y        a click of the left button at a point,
                                      through a virtual pointer
"""
import os
import socket
import struct
import sys
import time


def path():
    display = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
    if display.startswith("/"):
        return display
    return os.path.join(os.environ["XDG_RUNTIME_DIR"], display)


def string(text):
    data = text.encode() + b"\0"
    return struct.pack("=I", len(data)) + data + b"\0" * (-len(data) % 4)


class Connection:
    def __init__(self):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path())
        self.buffer = b""

    def send(self, obj, opcode, payload=b""):
        self.sock.sendall(struct.pack("=II", obj, (8 + len(payload)) << 16 | opcode) + payload)

    def events(self):
        while True:
            while len(self.buffer) >= 8:
                obj, word = struct.unpack_from("=II", self.buffer)
                size = word >> 16
                if len(self.buffer) < size:
                    break
                body = self.buffer[8:size]
                self.buffer = self.buffer[size:]
                yield obj, word & 0xFFFF, body
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit("the compositor closed the connection")
            self.buffer += chunk


def read_string(body, offset):
    (length,) = struct.unpack_from("=I", body, offset)
    text = body[offset + 4:offset + 4 + length - 1].decode()
    return text, offset + 4 + length + (-length % 4)


DISPLAY, REGISTRY, SYNC, GLOBAL, OBJECT, ROUNDTRIP = 1, 2, 3, 4, 5, 6
BTN_LEFT = 0x110


def bind(conn, wanted):
    """Binds the compositor's global of that interface as object GLOBAL."""
    conn.send(DISPLAY, 1, struct.pack("=I", REGISTRY))  # get_registry
    conn.send(DISPLAY, 0, struct.pack("=I", SYNC))      # sync
    found = None
    for obj, opcode, body in conn.events():
        if obj == REGISTRY and opcode == 0:  # global
            (name,) = struct.unpack_from("=I", body)
            if read_string(body, 4)[0] == wanted:
                found = name
        elif obj == SYNC and opcode == 0:    # done
            break
    if found is None:
        raise SystemExit(f"the compositor offers no {wanted}")
    conn.send(REGISTRY, 0, struct.pack("=I", found) + string(wanted) +
              struct.pack("=II", 1, GLOBAL))


def roundtrip(conn, callback):
    """Waits until the compositor has handled all that was sent."""
    conn.send(DISPLAY, 0, struct.pack("=I", callback))  # sync
    for obj, opcode, body in conn.events():
        if obj == DISPLAY and opcode == 0:
            raise SystemExit("protocol error")
        if obj == callback and opcode == 0:
            return


def token(stay):
    conn = Connection()
    bind(conn, "xdg_activation_v1")
    conn.send(GLOBAL, 1, struct.pack("=I", OBJECT))  # get_activation_token
    conn.send(OBJECT, 3)                             # commit
    for obj, opcode, body in conn.events():
        if obj == OBJECT and opcode == 0:            # done
            print(read_string(body, 0)[0], flush=True)
            break
        if obj == DISPLAY and opcode == 0:
            raise SystemExit("protocol error")
    time.sleep(stay)


def click(x, y):
    conn = Connection()
    bind(conn, "zwlr_virtual_pointer_manager_v1")
    conn.send(GLOBAL, 0, struct.pack("=II", 0, OBJECT))  # create_virtual_pointer (any seat)
    roundtrip(conn, ROUNDTRIP)
    # The seat has a pointer now; clients bind theirs when told so.
    time.sleep(0.5)
    now = int(time.monotonic() * 1000) & 0xFFFFFFFF
    # Absolute motion within an extent of the whole layout.
    conn.send(OBJECT, 1, struct.pack("=IIIII", now, x, y, 1280, 800))  # motion_absolute
    conn.send(OBJECT, 4)                                               # frame
    time.sleep(0.2)
    for step, state in enumerate((1, 0)):
        conn.send(OBJECT, 2, struct.pack("=III", now + 200 + step, BTN_LEFT, state))  # button
        conn.send(OBJECT, 4)
        time.sleep(0.1)
    conn.send(OBJECT, 8)  # destroy
    roundtrip(conn, ROUNDTRIP + 1)


if sys.argv[1] == "token":
    token(float(sys.argv[2]) if len(sys.argv) > 2 else 30)
elif sys.argv[1] == "click":
    click(int(sys.argv[2]), int(sys.argv[3]))
else:
    raise SystemExit(__doc__)
