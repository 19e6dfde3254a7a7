#!/usr/bin/env python3
"""A one-client IRC server that behaves like a hostile or broken one, to see
whether an IRC client keeps reading and answering PING under abuse.

It listens on 127.0.0.1, registers the client that connects (001 to 376 and a
JOIN to a channel, as tools/flood_server.py does, with the nickname the client
sent), then sends a mix of garbage bytes, malformed lines, private messages
from thousands of new nicknames, mentions, join refusals, repeated NAMES
replies, JOIN/PART, TOPIC/MODE and NOTICE lines, cut into sends of random
sizes. The mix depends only on --seed, --lines and the nickname. At the end it
sends PING on the same connection and reports the time until the matching
PONG. Exit status 1 when no PONG came.

    python3 tools/hostile_server.py [--port 6671] [--lines 100000] [--seed 1]
"""
import argparse
import random
import select
import socket
import sys
import time

from flood_server import SERVER, accept_registered_client

CHANNEL = "#hostile"
REFUSALS = (437, 474, 475, 477, 482)
# Any byte but CR and LF, so that a garbage line ends where the mix says.
NO_LINE_ENDS = bytes.maketrans(b"\r\n", b"  ")


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=6671, help="TCP port on 127.0.0.1 (default 6671)")
    parser.add_argument("--lines", type=int, default=100000, help="lines in the mix (default 100000)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the mix (default 1)")
    parser.add_argument("--settle", type=float, default=1.0,
                        help="seconds given to the client to open the channel before the mix (default 1)")
    parser.add_argument("--pong-timeout", type=float, default=60.0,
                        help="seconds from the PING to the PONG before giving up (default 60)")
    parser.add_argument("--send-timeout", type=float, default=900.0,
                        help="seconds the client gets to take in the whole mix (default 900)")
    return parser.parse_args()


def random_bytes(rng):
    size = rng.choice((rng.randint(1, 40), rng.randint(1, 1000)))
    return rng.randbytes(size).translate(NO_LINE_ENDS)


def malformed(rng, nick, n):
    me, x, to_channel = f":{SERVER} ", f":x{n}", f":x{n}!u@h PRIVMSG {CHANNEL} :"
    return rng.choice((
        ":", "::", ": ", ":" + " " * rng.randint(1, 400), " ", "", "   \t ", me,
        f"{x}!u@h", f"{x}!u@h PRIVMSG", f"{x}!u@h PRIVMSG {nick}", f"{x}!u@h PRIVMSG {CHANNEL}",
        f":!@ PRIVMSG {CHANNEL} :empty prefix parts", f": PRIVMSG {CHANNEL} :no prefix",
        "PRIVMSG", "PRIVMSG :", "NOTICE", "JOIN", "PING", "ERROR",
        f"{x} JOIN", f"{x} PART", f"{x} MODE", f"{x} MODE {CHANNEL}", f"{x} TOPIC", f"{x}!u@h KICK {CHANNEL}",
        f"{x} NICK", f"{x} QUIT",
        f"{me}353", f"{me}353 {nick} = ", f"{me}353 {nick} = {CHANNEL}", f"{me}366",
        f"{me}332 {nick}", f"{me}311 {nick}", f"{me}302 {nick} :",
        f"{me}99999999999999 {nick} :huge numeric", f"@tag=v :x!u@h PRIVMSG {CHANNEL} :t",
        f"{to_channel}\x01ACTION", f"{to_channel}[ZOVMSG01]{'A' * rng.randint(0, 90)}",
        to_channel + "%" * (2 * rng.randint(1, 60)), f"{to_channel}\xff\xfe\xc3",
        f"{to_channel}http://" + "a" * rng.randint(0, 500),
    ))


def names_reply(rng, nick, n):
    # The same users over and over; every so often the list ends.
    if n % 20 == 19:
        return f":{SERVER} 366 {nick} {CHANNEL} :End of NAMES list"
    return f":{SERVER} 353 {nick} = {CHANNEL} :@{nick} " + " ".join(
        f"{'@+ '[k % 3].strip()}regular{k}" for k in range(40))


def mix_line(rng, nick, n):
    kind = rng.randrange(100)
    who = f"visitor{rng.randrange(3000)}!~v@host{n % 251}.example"
    if kind < 14:
        return random_bytes(rng)
    if kind < 24:
        line = malformed(rng, nick, n)
    elif kind < 38:
        line = f":stranger{n}!~s@nowhere.example PRIVMSG {nick} :hello from a stranger, message {n}"
    elif kind < 46:
        line = f":{who} PRIVMSG {CHANNEL} :{nick}: are you there? ({n})"
    elif kind < 52:
        line = f":{who} PRIVMSG {CHANNEL} :plain channel chatter number {n}"
    elif kind < 57:
        line = f":{SERVER} {rng.choice(REFUSALS)} {nick} #refused{n % 50} :Cannot join channel"
    elif kind < 72:
        line = names_reply(rng, nick, n)
    elif kind < 82:
        line = f":{who} {rng.choice(('JOIN :', 'PART '))}{CHANNEL}"
    elif kind < 87:
        line = f":{who} TOPIC {CHANNEL} :topic number {n}"
    elif kind < 92:
        line = f":{who} MODE {CHANNEL} {rng.choice(('+o', '-o', '+v', '-v'))} regular{n % 40}"
    else:
        line = f":{rng.choice((SERVER, who))} NOTICE {rng.choice((nick, CHANNEL, '*'))} :notice number {n}"
    return line.encode("latin-1")


def hostile_mix(seed, count, nick):
    """The mix as one byte string and the offset just past each line."""
    rng = random.Random(seed)
    out, ends, size = [], [], 0
    for n in range(count):
        data = mix_line(rng, nick, n) + b"\r\n"
        out.append(data)
        size += len(data)
        ends.append(size)
    return b"".join(out), ends


def chunk_sizes(seed):
    # Mostly ordinary sends, now and then a few bytes alone, which cut a line
    # anywhere (also between its CR and LF) when the client reads them apart.
    rng = random.Random(seed + 1)
    while True:
        yield rng.randint(1, 3) if rng.random() < 0.05 else rng.randint(100, 16384)


def send_mix(sock, payload, seed, deadline):
    """Sends until done or the deadline; returns the bytes taken by the client."""
    sent = 0
    for size in chunk_sizes(seed):
        if sent >= len(payload):
            break
        left = deadline - time.perf_counter()
        if left <= 0:
            break
        if not select.select([], [sock], [], min(left, 1.0))[1]:
            continue
        sent += sock.send(payload[sent:sent + size])
        if size <= 3:
            time.sleep(0.001)  # lets the client read the piece on its own
    return sent


def wait_for_pong(reader, timeout):
    # A client that hangs up will never answer: no need to wait the time out.
    deadline = time.perf_counter() + timeout
    while not reader.pong.is_set() and not reader.closed.is_set() and time.perf_counter() < deadline:
        reader.pong.wait(0.1)
    return reader.pong.is_set()


def main():
    args = parse_args()
    token = f"hostile-done-{args.seed}-{int(time.time())}"
    sock, reader = accept_registered_client(
        "hostile server", args.port, f"{args.lines} lines, seed {args.seed}", token, CHANNEL)
    payload, ends = hostile_mix(args.seed, args.lines, reader.nick)
    time.sleep(args.settle)

    start = time.perf_counter()
    try:
        taken = send_mix(sock, payload, args.seed, start + args.send_timeout)
    except OSError as error:
        taken = 0
        print(f"hostile server: the connection failed while sending: {error}", flush=True)
    seconds = time.perf_counter() - start
    lines = sum(1 for end in ends if end <= taken)
    # Once the socket buffers are full, the sending goes at the client's pace.
    print(f"hostile server: {lines} of {args.lines} lines ({taken / 1e6:.1f} MB) sent in {seconds:.2f} s "
          f"({lines / seconds:,.0f} lines/s)", flush=True)
    status = 0
    if taken < len(payload):
        print(f"hostile server: the client did not take the whole mix within {args.send_timeout:.0f} s", flush=True)
        status = 1
    else:
        sock.sendall(f"PING :{token}\r\n".encode("latin-1"))
        pinged = time.perf_counter()
        if wait_for_pong(reader, args.pong_timeout):
            total = reader.pong_time - start
            print(f"hostile server: PONG {reader.pong_time - pinged:.2f} s after the PING, {total:.2f} s after the "
                  f"first line: {lines / total:,.0f} lines/s as read by the client", flush=True)
        else:
            print(f"hostile server: no PONG within {args.pong_timeout:.0f} s", flush=True)
            status = 1
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()
    sys.exit(status)


if __name__ == "__main__":
    main()
