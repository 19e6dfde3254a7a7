#!/usr/bin/env python3
"""A one-client IRC server that floods a channel, to measure how fast an IRC
client takes in server lines.

It listens on 127.0.0.1, registers the client that connects (answers NICK and
USER with 001 to 376), joins it to a channel, sends LINES channel messages from
SENDERS different nicknames as fast as the connection takes them, then a PING,
and reports the time until the client's PONG and the lines per second. The
client is anything that speaks IRC: Quillmere, irssi, ...

    python3 tools/flood_server.py [--port 6670] [--lines 100000] [--senders 500] [--tls CERT KEY]

With --tls it speaks TLS with that certificate and key (PEM files), reading
the client's lines on its own thread between the writes rather than beside
them: one TLS connection is not shared by two threads.
"""
import argparse
import socket
import ssl
import sys
import threading
import time

SERVER = "flood.local"


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=6670, help="TCP port on 127.0.0.1 (default 6670)")
    parser.add_argument("--lines", type=int, default=100000, help="channel messages to send (default 100000)")
    parser.add_argument("--senders", type=int, default=500, help="distinct sender nicknames (default 500)")
    parser.add_argument("--channel", default="#flood", help="channel the client is joined to (default #flood)")
    parser.add_argument("--settle", type=float, default=2.0,
                        help="seconds given to the client to open the channel before the flood (default 2)")
    parser.add_argument("--timeout", type=float, default=600.0, help="seconds to wait for the PONG (default 600)")
    parser.add_argument("--hold", type=float, default=0.0,
                        help="seconds to keep the connection open after the PONG, so that a client still "
                             "showing the flood is not disturbed by a disconnection (default 0)")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="speak TLS with this certificate and key (PEM)")
    return parser.parse_args()


class ClientReader(threading.Thread):
    """Reads the client's lines all along, so that neither side can block the
    other with a full buffer, and notices registration and the PONG."""

    def __init__(self, sock, pong_token):
        super().__init__(daemon=True)
        self.sock = sock
        self.pong_token = pong_token
        self.nick = None
        self.user = None
        self.registered = threading.Event()
        self.pong = threading.Event()
        self.pong_time = None
        self.closed = threading.Event()

    def run(self):
        self.pending = b""
        try:
            while self.feed(self.sock.recv(65536)):
                pass
        except OSError:
            pass
        self.closed.set()

    def feed(self, data):
        """Handles the complete lines received so far; False at the end."""
        if not data:
            return False
        self.pending = getattr(self, "pending", b"") + data
        while b"\n" in self.pending:
            raw, self.pending = self.pending.split(b"\n", 1)
            self.handle(raw.rstrip(b"\r").decode("latin-1"))
        return True

    def handle(self, line):
        words = line.split(" ")
        command = words[0].upper() if words else ""
        if command == "NICK" and len(words) > 1:
            self.nick = words[1].lstrip(":")
        elif command == "USER" and len(words) > 1:
            self.user = words[1]
        elif command == "CAP" and len(words) > 1 and words[1].upper() == "LS":
            # Clients that negotiate capabilities wait for this before NICK and USER.
            self.sock.sendall(f":{SERVER} CAP * LS :\r\n".encode("latin-1"))
        elif command == "CAP" and len(words) > 1 and words[1].upper() == "REQ":
            self.sock.sendall(f":{SERVER} CAP * NAK :{' '.join(words[2:]).lstrip(':')}\r\n".encode("latin-1"))
        elif command == "PING" and len(words) > 1:
            self.sock.sendall(f":{SERVER} PONG {SERVER} {words[1]}\r\n".encode("latin-1"))
        elif command == "PONG" and self.pong_token in line and not self.pong.is_set():
            self.pong_time = time.perf_counter()
            self.pong.set()
        if self.nick and self.user and not self.registered.is_set():
            self.registered.set()


class ReadWhileWaiting:
    """An event whose wait reads the client's lines on the waiting thread."""

    def __init__(self, reader):
        self.reader = reader
        self.flag = False

    def set(self):
        self.flag = True

    def is_set(self):
        return self.flag

    def wait(self, timeout):
        deadline = time.perf_counter() + timeout
        while not self.flag and time.perf_counter() < deadline:
            self.reader.sock.settimeout(max(deadline - time.perf_counter(), 0.01))
            try:
                if not self.reader.feed(self.reader.sock.recv(65536)):
                    break
            except (socket.timeout, OSError):
                break
        self.reader.sock.settimeout(None)
        return self.flag


class TlsClientReader(ClientReader):
    """The TLS client's reader: no thread of its own; waiting reads."""

    def __init__(self, sock, pong_token):
        super().__init__(sock, pong_token)
        self.registered = ReadWhileWaiting(self)
        self.pong = ReadWhileWaiting(self)

    def start(self):
        pass


def registration(nick, user, channel):
    lines = [
        f":{SERVER} 001 {nick} :Welcome to the flood test, {nick}!{user}@127.0.0.1",
        f":{SERVER} 002 {nick} :Your host is {SERVER}",
        f":{SERVER} 003 {nick} :This server was created just now",
        f":{SERVER} 004 {nick} {SERVER} flood-1 o o",
        f":{SERVER} 005 {nick} CHANTYPES=# PREFIX=(ov)@+ :are supported by this server",
        f":{SERVER} 251 {nick} :There are 21 users on 1 server",
        f":{SERVER} 375 {nick} :- {SERVER} Message of the day -",
        f":{SERVER} 372 {nick} :- Lines are coming.",
        f":{SERVER} 376 {nick} :End of MOTD command",
        f":{nick}!{user}@127.0.0.1 JOIN :{channel}",
        f":{SERVER} 332 {nick} {channel} :Flood test channel",
        f":{SERVER} 353 {nick} = {channel} :@{nick} " + " ".join(f"sender{i}" for i in range(20)),
        f":{SERVER} 366 {nick} {channel} :End of NAMES list",
    ]
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def flood(count, senders, channel):
    words = "the quick brown fox jumps over the lazy dog while the chat scrolls on".split()
    out = []
    for i in range(count):
        sender = f"sender{i % senders}"
        text = " ".join(words[(i + k) % len(words)] for k in range(8))
        out.append(f":{sender}!~user{i % senders}@host{i % 97}.example PRIVMSG {channel} :{text} #{i}\r\n")
    return "".join(out).encode("latin-1")


def accept_registered_client(name, port, what, token, channel, tls=None):
    """Waits on 127.0.0.1:port for one client, reads its NICK and USER, sends
    the registration replies and joins it to `channel`; returns the socket and
    its reader (which answers the final PING's PONG)."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(1)
    print(f"{name}: waiting for an IRC client on 127.0.0.1:{port} ({what})", flush=True)
    sock, _ = listener.accept()
    listener.close()
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    if tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*tls)
        sock = context.wrap_socket(sock, server_side=True)
        print(f"{name}: TLS {sock.version()}, {sock.cipher()[0]}", flush=True)
    reader = (TlsClientReader if tls else ClientReader)(sock, token)
    reader.start()
    if not reader.registered.wait(30):
        sys.exit(f"{name}: the client did not send NICK and USER within 30 s")
    print(f"{name}: {reader.nick} ({reader.user}) registered; joining it to {channel}", flush=True)
    sock.sendall(registration(reader.nick, reader.user, channel))
    return sock, reader


def main():
    args = parse_args()
    payload = flood(args.lines, args.senders, args.channel)
    token = f"flood-done-{int(time.time())}"
    sock, reader = accept_registered_client(
        "flood server", args.port, f"{args.lines} lines from {args.senders} senders into {args.channel}", token,
        args.channel, args.tls)
    time.sleep(args.settle)

    start = time.perf_counter()
    # Wall clock too: a benchmark compares it with times taken in other processes.
    print(f"flood server: first line at unix {time.time():.3f}", flush=True)
    sock.sendall(payload)
    sock.sendall(f"PING :{token}\r\n".encode("latin-1"))
    sent = time.perf_counter()
    if not reader.pong.wait(args.timeout):
        sys.exit(f"flood server: no PONG within {args.timeout:.0f} s")
    elapsed = reader.pong_time - start
    megabytes = len(payload) / 1e6
    print(f"flood server: {args.lines} lines ({megabytes:.1f} MB) sent in {sent - start:.2f} s")
    print(f"flood server: PONG {elapsed:.2f} s after the first line: "
          f"{args.lines / elapsed:,.0f} lines/s, {megabytes / elapsed:.2f} MB/s", flush=True)
    if args.hold > 0:
        time.sleep(args.hold)
    sock.shutdown(socket.SHUT_RDWR)
    sock.close()


if __name__ == "__main__":
    main()
