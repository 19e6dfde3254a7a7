"""A strict IRC server for the send-pacing tests: it counts every line a client
sends the way servers guard against floods and cuts off a client that runs
ahead, and otherwise speaks just enough IRC to register, join channels and
pass messages between its clients.

    penalty_server.py PORT_FILE    serve on 127.0.0.1 at a free four-digit port,
                                   written to PORT_FILE once it listens

Each line pushes the client's clock on by 2 s plus 1 s per 120 bytes (CR LF
included), starting from now whenever the clock has fallen behind. When the
clock is then more than 10 s ahead, the client gets "ERROR :Closing Link: ...
(Excess Flood)", its channels see it quit with "Excess Flood", and the
connection is closed. Every line and every cut-off is printed.
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
clients = {}   # nickname (lower case) -> Client
channels = {}  # channel (lower case) -> set of Client


def log(text):
    print("%.3f %s" % (time.monotonic(), text), flush=True)


class Client:
    def __init__(self, sock):
        self.sock, self.nick, self.user, self.clock = sock, "", "", 0.0
        self.registered, self.closed = False, False

    def prefix(self):
        return "%s!%s@127.0.0.1" % (self.nick, self.user or "u")

    def send(self, line):
        try:
            self.sock.sendall((line + "\r\n").encode("utf-8", "surrogateescape"))
        except OSError:
            pass

    def numeric(self, number, text):
        self.send(":%s %s %s %s" % (NAME, number, self.nick or "*", text))

    def charge(self, length):
        """Counts a line of `length` bytes; False when it flooded the server."""
        now = time.monotonic()
        self.clock = max(self.clock, now) + LINE_COST + length / BYTES_PER_SECOND
        return self.clock - now <= ALLOWANCE


def members_of(name):
    return channels.get(name.lower(), set())


def to_channel(name, line, sender=None):
    for member in list(members_of(name)):
        if member is not sender:
            member.send(line)


def leave_all(client, reason):
    with lock:
        shared = set()
        for name, members in list(channels.items()):
            if client in members:
                members.discard(client)
                shared |= members
                if not members:
                    del channels[name]
        if clients.get(client.nick.lower()) is client:
            del clients[client.nick.lower()]
    for other in shared:
        other.send(":%s QUIT :%s" % (client.prefix(), reason))


def welcome(client):
    client.registered = True
    client.numeric("001", ":Welcome to the strict test server %s" % client.prefix())
    client.numeric("375", ":- %s Message of the day -" % NAME)
    client.numeric("376", ":End of MOTD command")


def join(client, names):
    for name in names.split(","):
        if not name.startswith("#"):
            client.numeric("403", "%s :No such channel" % name)
            continue
        with lock:
            members = channels.setdefault(name.lower(), set())
            members.add(client)
            nicks = " ".join(sorted(member.nick for member in members))
        to_channel(name, ":%s JOIN %s" % (client.prefix(), name))
        client.numeric("353", "= %s :%s" % (name, nicks))
        client.numeric("366", "%s :End of NAMES list" % name)


def message(client, command, target, text):
    line = ":%s %s %s :%s" % (client.prefix(), command, target, text)
    if target.startswith("#"):
        to_channel(target, line, sender=client)
        return
    other = clients.get(target.lower())
    if other:
        other.send(line)
    elif command == "PRIVMSG":
        client.numeric("401", "%s :No such nick/channel" % target)


def handle(client, line):
    """One line from a registered or registering client; False ends it."""
    head, _, trailing = line.partition(" :")
    words = head.split()
    if not words:
        return True
    command, params = words[0].upper(), words[1:] + ([trailing] if _ else [])
    if command == "CAP":
        if params[:1] == ["LS"]:
            client.send(":%s CAP * LS :" % NAME)
        elif params[:1] == ["REQ"]:
            client.send(":%s CAP * NAK :%s" % (NAME, params[-1]))
    elif command == "NICK" and params:
        with lock:
            taken = params[0].lower() in clients and clients[params[0].lower()] is not client
            if not taken:
                clients.pop(client.nick.lower(), None)
                clients[params[0].lower()] = client
        if taken:
            client.numeric("433", "%s :Nickname is already in use" % params[0])
        elif client.registered:
            client.send(":%s NICK :%s" % (client.prefix(), params[0]))
            client.nick = params[0]
        else:
            client.nick = params[0]
    elif command == "USER" and params:
        client.user = params[0]
    elif command == "PING":
        client.send(":%s PONG %s :%s" % (NAME, NAME, params[-1] if params else ""))
    elif command == "QUIT":
        client.send("ERROR :Closing Link: %s (Quit)" % client.nick)
        leave_all(client, "Quit: " + (params[-1] if params else ""))
        return False
    elif not client.registered:
        if command not in ("PASS", "PONG"):
            client.numeric("451", ":You have not registered")
    elif command == "JOIN" and params:
        join(client, params[0])
    elif command == "PART" and params:
        to_channel(params[0], ":%s PART %s" % (client.prefix(), params[0]))
        with lock:
            members_of(params[0]).discard(client)
    elif command in ("PRIVMSG", "NOTICE") and len(params) >= 2:
        message(client, command, params[0], params[1])
    elif command not in ("PONG", "MODE", "WHO", "USERHOST", "ISON", "AWAY"):
        client.numeric("421", "%s :Unknown command" % command)
    if not client.registered and client.nick and client.user and command in ("NICK", "USER", "CAP"):
        welcome(client)
    return True


def drain(sock):
    """Lets the client read the ERROR line: closing with its lines unread
    would reset the connection and lose it."""
    try:
        sock.shutdown(socket.SHUT_WR)
        sock.settimeout(2)
        while sock.recv(4096):
            pass
    except OSError:
        pass


def serve(sock):
    client, pending = Client(sock), b""
    try:
        while True:
            data = sock.recv(4096)
            if not data:
                break
            pending += data
            *lines, pending = pending.split(b"\n")
            for raw in lines:
                line = raw.rstrip(b"\r").decode("utf-8", "surrogateescape")
                log("<< %s %s" % (client.nick or "*", line))
                if not client.charge(len(raw.rstrip(b"\r")) + 2):
                    log("FLOODED %s" % (client.nick or "*"))
                    client.send("ERROR :Closing Link: %s[127.0.0.1] (Excess Flood)" % (client.nick or "*"))
                    leave_all(client, "Excess Flood")
                    drain(sock)
                    return
                if not handle(client, line):
                    return
    except OSError:
        pass
    finally:
        leave_all(client, "Connection closed")
        sock.close()


def listen():
    for _ in range(200):
        listener = socket.socket()
        try:
            listener.bind(("127.0.0.1", random.randint(2000, 9999)))
            listener.listen(16)
            return listener
        except OSError:
            listener.close()
    sys.exit("no free port")


def main():
    listener = listen()
    with open(sys.argv[1] + ".tmp", "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.replace(sys.argv[1] + ".tmp", sys.argv[1])
    while True:
        sock, _ = listener.accept()
        threading.Thread(target=serve, args=(sock,), daemon=True).start()


if __name__ == "__main__":
    main()
