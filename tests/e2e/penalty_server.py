#!/usr/bin/env python3
# A strict IRC server: a line pushes the client's clock on by 2 s plus 1 s per
# 120 bytes, the clock never lags behind now, and a line arriving while it is
# more than 10 s ahead (plus half a second for the two clocks' jitter) cuts the
# client off. Writes its port to argv[1]; logs every line, and "FLOODED", to argv[2].
import os, socket, sys, time

listener = socket.create_server(("127.0.0.1", 0))
listener.settimeout(600)
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
log = open(sys.argv[2], "a", buffering=1)
while True:
    client, _ = listener.accept()
    clock, pending, nick = 0.0, b"", "guest"
    while True:
        data = client.recv(4096)
        if not data:
            break
        pending += data
        *lines, pending = pending.split(b"\r\n")
        for raw in lines:
            now = time.monotonic()
            clock = max(clock, now)
            if clock - now > 10.5:
                log.write("FLOODED\n")
                client.sendall(b"ERROR :Closing Link: (Excess Flood)\r\n")
                break
            clock += 2 + (len(raw) + 2) / 120
            line = raw.decode("utf-8", "replace")
            log.write(line + "\n")
            words = line.split(" ")
            if words[0] == "NICK":
                nick = words[1]
            elif words[0] == "USER":
                client.sendall((":penalty.test 001 %s :Welcome\r\n:penalty.test 376 %s :End\r\n" % (nick, nick)).encode())
            elif words[0] == "JOIN":
                client.sendall((":%s!u@h JOIN %s\r\n" % (nick, words[1])).encode())
        else:
            continue
        break
    client.close()
