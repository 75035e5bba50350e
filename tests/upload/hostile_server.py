#!/usr/bin/env python3
"""Misbehaving HTTPS upload servers on loopback for the uploader's tests.

    hostile_server.py CERT_CHAIN KEY

Listens on one port of 127.0.0.1 per mode, with the given certificate, and
prints one line of "PORT_<MODE>=<port>" words once all of them listen. Every connection reads the request head, answers "100 Continue" when
the client asks for it, and then does what its port's mode says:

  ENDLESS  reads the whole bundle, answers 200 and sends a body without end
  TRICKLE  the same, but five bytes a second: never a stall, never an end
  CLOSE    reads 64 KiB of the bundle, then closes the connection
  RESET    resets the connection right after the request head (and the
           100 Continue)
  HEADERS  reads the whole bundle and answers 200 with 200 KB of header lines
  LONGLINE reads the whole bundle and answers 200 with one 200 KB header line

Runs until it is killed (nginx_fixture.sh stops it by its process id).
"""
import socket
import ssl
import struct
import sys
import threading
import time

MODES = ("ENDLESS", "TRICKLE", "CLOSE", "RESET", "HEADERS", "LONGLINE")
FILLER = {
    "HEADERS": b"".join(b"X-Filler-%d: %s\r\n" % (i, b"a" * 90) for i in range(2000)),
    "LONGLINE": b"X-Filler: " + b"a" * 200000 + b"\r\n",
}


def read_head(conn):
    """The request's header fields (lower-case names) and the body bytes
    that came with the head."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            raise ConnectionError("the client sent no request")
        data += chunk
    head, _, rest = data.partition(b"\r\n\r\n")
    fields = {}
    for line in head.decode("latin-1").split("\r\n")[1:]:
        name, _, value = line.partition(":")
        fields[name.strip().lower()] = value.strip()
    return fields, len(rest)


def receive(conn, count):
    while count > 0:
        chunk = conn.recv(min(count, 65536))
        if not chunk:
            return
        count -= len(chunk)


def misbehave(mode, conn):
    fields, received = read_head(conn)
    if fields.get("expect", "").lower() == "100-continue":
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
    if mode == "RESET":
        # Closing with a zero linger time sends RST instead of FIN.
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return
    length = 64 * 1024 if mode == "CLOSE" else int(fields.get("content-length", "0"))
    receive(conn, length - received)
    if mode == "CLOSE":
        return
    if mode in FILLER:
        conn.sendall(b"HTTP/1.1 200 OK\r\n" + FILLER[mode] + b"\r\n")
        conn.recv(1)  # until the client gives up
        return
    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")
    chunk, pause = (b"<p>more</p>" * 1024, 0) if mode == "ENDLESS" else (b"x", 0.2)
    while True:
        conn.sendall(chunk)
        time.sleep(pause)


def serve(mode, context, raw):
    conn = None
    try:
        raw.settimeout(60)
        conn = context.wrap_socket(raw, server_side=True)
        misbehave(mode, conn)
    except (OSError, ConnectionError, ValueError):
        pass  # the client gave up, which is what it should do
    finally:
        (conn or raw).close()


def listen(mode, context, listener):
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=serve, args=(mode, context, raw), daemon=True).start()


def main():
    chain, key = sys.argv[1:3]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(chain, key)
    ports = []
    for mode in MODES:
        listener = socket.socket()
        # A small receive window, so that a client cannot hand the whole
        # bundle to the kernel before CLOSE and RESET act.
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 32 * 1024)
        listener.bind(("127.0.0.1", 0))
        listener.listen(16)
        ports.append("PORT_%s=%d" % (mode, listener.getsockname()[1]))
        threading.Thread(target=listen, args=(mode, context, listener), daemon=True).start()
    print(" ".join(ports), flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
