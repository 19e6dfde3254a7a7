"""Waits until NICK is in CHANNEL on the ircd at PORT: wait_for_nick.py PORT CHANNEL NICK."""
import socket
import sys
import time

port, channel, nick = int(sys.argv[1]), sys.argv[2], sys.argv[3]
deadline = time.time() + 30
s = socket.create_connection(("127.0.0.1", port), 10)
s.settimeout(10)
reader = s.makefile("r", encoding="utf-8", errors="replace", newline="\r\n")
send = lambda line: s.sendall((line + "\r\n").encode())
send("NICK waiter")
send("USER waiter 0 * :waiting")
while True:
    line = reader.readline().rstrip("\r\n")
    if not line:
        sys.exit("closed")
    if line.startswith("PING "):
        send("PONG " + line[5:])
    if " 001 " in line:
        break
while time.time() < deadline:
    send("NAMES " + channel)
    line = reader.readline()
    while " 366 " not in line:
        if " 353 " in line and nick in line.split(":")[-1].replace("@", "").split():
            send("QUIT")
            sys.exit(0)
        line = reader.readline()
    time.sleep(0.1)
sys.exit("%s never joined %s" % (nick, channel))
