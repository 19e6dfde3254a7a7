"""Registers an account with NickServ: register_account.py PORT NICK PASSWORD [FINGERPRINT],
adding the client certificate's fingerprint (hex) for logins by certificate when given."""
import socket
import sys
import time

port, nick, password = int(sys.argv[1]), sys.argv[2], sys.argv[3]
fingerprint = sys.argv[4] if len(sys.argv) > 4 else None
deadline = time.time() + 20
s = socket.create_connection(("127.0.0.1", port), 10)
s.settimeout(max(1, deadline - time.time()))
reader = s.makefile("r", encoding="utf-8", errors="replace", newline="\r\n")


def send(line):
    s.sendall((line + "\r\n").encode())


def wait(predicate):
    while True:
        line = reader.readline()
        if not line:
            sys.exit("closed before the expected reply")
        line = line.rstrip("\r\n")
        if line.startswith("PING "):
            send("PONG " + line[5:])
        if predicate(line):
            return line


send("NICK " + nick)
send("USER reg 0 * :registering")
wait(lambda line: " 001 " in line)
send("PRIVMSG NickServ :REGISTER %s %s@example.invalid" % (password, nick))
wait(lambda line: " 900 " in line or "registered" in line)
if fingerprint:
    # Still logged in after REGISTER: the fingerprint goes to this account.
    send("PRIVMSG NickServ :CERT ADD " + fingerprint)
    reply = wait(lambda line: line.startswith(":NickServ!") and fingerprint in line)
    if "Added" not in reply:
        sys.exit("CERT ADD refused: " + reply)
send("QUIT")
