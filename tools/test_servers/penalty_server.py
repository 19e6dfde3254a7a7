"""A strict IRC server for the send-pacing tests: it counts every line a client
sends the way servers guard against floods and cuts off a client that runs
ahead; otherwise it speaks just enough IRC to register, join channels and pass
messages on to the other members.

    penalty_server.py PORT_FILE    serves on 127.0.0.1 at a free four-digit
                                   port, written to PORT_FILE once it listens

Each line pushes the client's clock on by 2 s plus 1 s per 120 bytes (CR LF
included), from now whenever the clock has fallen behind. A client whose clock
is then more than 10 s ahead gets "ERROR :Closing Link: ... (Excess Flood)",
its channels see it quit with "Excess Flood", and it is disconnected. Every
line, and "FLOODED nick", is printed.
"""
import os
import random
import socket
import sys
import threading
import time

LINE_COST, BYTES_PER_SECOND, ALLOWANCE = 2.0, 120.0, 10.0
NAME = "penalty.test"
lock = threading.Lock()
channels = {}  # lower-case name -> set of Client


class Client:
    def __init__(self, sock):
        self.sock, self.nick, self.user, self.clock, self.registered = sock, "*", "", 0.0, False

    def prefix(self):
        return "%s!%s@127.0.0.1" % (self.nick, self.user)

    def send(self, line):
        try:
            self.sock.sendall((line + "\r\n").encode("utf-8", "surrogateescape"))
        except OSError:
            pass

    def numeric(self, number, text):
        self.send(":%s %s %s %s" % (NAME, number, self.nick, text))

    def within_allowance(self, length):
        now = time.monotonic()
        self.clock = max(self.clock, now) + LINE_COST + length / BYTES_PER_SECOND
        return self.clock - now <= ALLOWANCE


def to_channel(name, line, sender=None):
    with lock:
        members = list(channels.get(name.lower(), ()))
    for member in members:
        if member is not sender:
            member.send(line)


def leave_all(client, reason):
    with lock:
        others = set()
        for members in channels.values():
            if client in members:
                members.discard(client)
                others |= members
    for other in others:
        other.send(":%s QUIT :%s" % (client.prefix(), reason))


def handle(client, line):
    """One line from the client; False when it quits."""
    head, colon, trailing = line.partition(" :")
    words = head.split()
    command, params = words[0].upper() if words else "", words[1:] + ([trailing] if colon else [])
    if command == "CAP" and params[:1] == ["LS"]:
        client.send(":%s CAP * LS :" % NAME)
    elif command == "NICK" and params:
        client.nick = params[0]
    elif command == "USER" and params:
        client.user = params[0]
    elif command == "PING":
        client.send(":%s PONG %s :%s" % (NAME, NAME, params[-1] if params else ""))
    elif command == "QUIT":
        leave_all(client, "Quit")
        return False
    elif command == "JOIN" and params and client.registered:
        for name in params[0].split(","):
            with lock:
                members = channels.setdefault(name.lower(), set())
                members.add(client)
                nicks = " ".join(sorted(member.nick for member in members))
            to_channel(name, ":%s JOIN %s" % (client.prefix(), name))
            client.numeric("353", "= %s :%s" % (name, nicks))
            client.numeric("366", "%s :End of NAMES list" % name)
    elif command in ("PRIVMSG", "NOTICE") and len(params) >= 2 and params[0].startswith("#"):
        to_channel(params[0], ":%s %s %s :%s" % (client.prefix(), command, params[0], params[1]), client)
    if not client.registered and client.nick != "*" and client.user:
        client.registered = True
        client.numeric("001", ":Welcome to the strict test server %s" % client.prefix())
        client.numeric("376", ":End of MOTD command")
    return True


def serve(sock):
    client, pending = Client(sock), b""
    try:
        while True:
            data = sock.recv(4096)
            if not data:
                return
            *lines, pending = (pending + data).split(b"\n")
            for raw in lines:
                raw = raw.rstrip(b"\r")
                line = raw.decode("utf-8", "surrogateescape")
                print("<< %s %s" % (client.nick, line), flush=True)
                if not client.within_allowance(len(raw) + 2):
                    print("FLOODED %s" % client.nick, flush=True)
                    client.send("ERROR :Closing Link: %s[127.0.0.1] (Excess Flood)" % client.nick)
                    leave_all(client, "Excess Flood")
                    # Closing with lines unread would reset the connection and
                    # lose the ERROR line: the client reads it, then hangs up.
                    sock.shutdown(socket.SHUT_WR)
                    sock.settimeout(5)
                    while sock.recv(4096):
                        pass
                    return
                if not handle(client, line):
                    return
    except OSError:
        pass
    finally:
        leave_all(client, "Connection closed")
        sock.close()


def main():
    listener = socket.socket()
    while True:
        try:
            listener.bind(("127.0.0.1", random.randint(2000, 9999)))
            break
        except OSError:
            pass
    listener.listen(16)
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    while True:
        sock, _ = listener.accept()
        threading.Thread(target=serve, args=(sock,), daemon=True).start()


if __name__ == "__main__":
    main()
