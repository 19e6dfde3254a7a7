#!/usr/bin/env python3
"""Sealed private chats written from docs/sealed-chats.md alone: an IRC
client that offers or answers a session and trades sealed lines with Quillmere.
Group operations from libsodium (ctypes), the rest from hashlib, hmac and
cryptography.

usage: sealed_peer.py PORT NICK TARGET offer|answer PASSWORD[,...] SCRIPT LOG
SCRIPT: ;-separated "wait" (answer an offer), "say:TEXT", "act:TEXT", "expect:TEXT".
LOG: what the peer saw, ending in "done" or "failed: why".
"""
import base64, ctypes, hashlib, hmac, os, socket, sys, time
from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305

na = ctypes.CDLL("libsodium.so.23")
assert na.sodium_init() >= 0
V = 2
DSI = b"CPaceRistretto255"


def leb128(n):
    out = bytearray()
    while True:
        b, n = n & 0x7F, n >> 7
        out.append(b | (0x80 if n else 0))
        if not n:
            return bytes(out)


def lv_cat(*parts):
    return b"".join(leb128(len(p)) + p for p in parts)


def generator(prs, ci, sid):
    zpad = max(0, 128 - len(leb128(len(prs)) + prs) - len(leb128(len(DSI)) + DSI) - 1)
    h = hashlib.sha512(lv_cat(DSI, prs, bytes(zpad), ci, sid)).digest()
    g = ctypes.create_string_buffer(32)
    na.crypto_core_ristretto255_from_hash(g, h)
    return g.raw


def scalar():
    y = ctypes.create_string_buffer(32)
    na.crypto_core_ristretto255_scalar_random(y)
    return y.raw


def mult(y, p):
    out = ctypes.create_string_buffer(32)
    return out.raw if na.crypto_scalarmult_ristretto255(out, y, p) == 0 else None


def hmac512(key, msg):
    return hmac.new(key, msg, hashlib.sha512).digest()


def keys(sid, K, transcript):
    isk = hashlib.sha512(lv_cat(DSI + b"_ISK", sid, K) + transcript).digest()
    prk = hmac512(sid, isk)
    return {label: hmac512(prk, b"quillmere sealed 2 " + label.encode() + b"\x01")[:32]
            for label in ("confirm initiator", "confirm responder", "chain initiator", "chain responder", "files")}


def fold(nick):
    return bytes(c + 32 if 65 <= c <= 90 else c for c in nick.encode())


class Chain:
    def __init__(self, key, sid, direction):
        self.key, self.sid, self.dir, self.n = key, sid, direction, 0

    def step(self):
        mk = hmac512(self.key, b"\x01")[:32]
        self.key = hmac512(self.key, b"\x02")[:32]
        return mk

    def seal(self, kind, text):
        n = self.n
        self.n += 1
        mk = self.step()
        ad = bytes([V]) + self.sid + self.dir + n.to_bytes(8, "big")
        ct = ChaCha20Poly1305(mk).encrypt(bytes(4) + n.to_bytes(8, "big"), bytes([kind]) + text.encode(), ad)
        return "[ZOVMSG02]" + base64.b64encode(bytes([V]) + self.sid + n.to_bytes(8, "big") + ct).decode()

    def open(self, line):
        w = base64.b64decode(line[10:], validate=True)
        if w[0] != V or w[1:17] != self.sid:
            return None
        n = int.from_bytes(w[17:25], "big")
        if n < self.n:
            return None
        while self.n < n:
            self.step()
            self.n += 1
        mk = self.step()
        self.n += 1
        ad = bytes([V]) + self.sid + self.dir + n.to_bytes(8, "big")
        pt = ChaCha20Poly1305(mk).decrypt(bytes(4) + n.to_bytes(8, "big"), w[25:], ad)
        return pt[0], pt[1:].decode()


class Peer:
    def __init__(self, port, nick, target, log):
        self.nick, self.target, self.log = nick, target, open(log, "w")
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.buf = b""
        self.send("NICK " + nick)
        self.send("USER z-zsealed 0 * :sealed peer")
        self.send_chain = self.recv_chain = None

    def note(self, text):
        self.log.write(text + "\n")
        self.log.flush()

    def send(self, line):
        self.sock.sendall(line.encode() + b"\r\n")

    def privmsg(self, text):
        self.send("PRIVMSG %s :%s" % (self.target, text))

    def lines(self, timeout):
        end = time.time() + timeout
        while time.time() < end:
            while b"\r\n" in self.buf:
                line, self.buf = self.buf.split(b"\r\n", 1)
                line = line.decode("utf-8", "replace")
                if line.startswith("PING "):
                    self.send("PONG " + line[5:])
                    continue
                yield line
            self.sock.settimeout(max(0.05, end - time.time()))
            try:
                data = self.sock.recv(8192)
            except socket.timeout:
                continue
            if not data:
                return
            self.buf += data
        raise TimeoutError("nothing in time")

    def from_target(self, timeout=30):
        for line in self.lines(timeout):
            head, _, text = line.partition(" PRIVMSG %s :" % self.nick)
            if text and head[1:].split("!")[0].lower() == self.target.lower():
                yield text

    def registered(self):
        for line in self.lines(30):
            if " 001 " in line:
                return

    def offer(self, password):
        sid, y = os.urandom(16), scalar()
        ci = lv_cat(fold(self.nick), fold(self.target))
        Y = mult(y, generator(password.encode("latin-1"), ci, sid))
        self.privmsg("[ZOVKEX02]" + base64.b64encode(b"O" + bytes([V]) + sid + Y).decode())
        seen = 0
        for text in self.from_target():
            if not text.startswith("[ZOVKEX02]"):
                continue
            a = base64.b64decode(text[10:], validate=True)
            if a[0:1] != b"A" or a[2:18] != sid:
                continue
            total = a[18]
            for at in range(19, len(a), 49):
                seen += 1
                index, Yb, tag = a[at], a[at + 1:at + 33], a[at + 33:at + 49]
                K = mult(y, Yb)
                if K is None:
                    continue
                t = lv_cat(Y, b"") + lv_cat(Yb, b"")
                k = keys(sid, K, t)
                if hmac.compare_digest(hmac512(k["confirm responder"], t)[:16], tag):
                    self.privmsg("[ZOVKEX02]" + base64.b64encode(
                        b"C" + bytes([V]) + sid + bytes([index]) + hmac512(k["confirm initiator"], t)[:16]).decode())
                    self.send_chain = Chain(k["chain initiator"], sid, b"I")
                    self.recv_chain = Chain(k["chain responder"], sid, b"R")
                    self.note("sealed")
                    return
            if seen >= total:
                self.privmsg("[ZOVKEX02]" + base64.b64encode(b"C" + bytes([V]) + sid + bytes(17)).decode())
                self.note("mismatch")
                return

    def answer(self, passwords, text):
        o = base64.b64decode(text[10:], validate=True)
        sid, Ya = o[2:18], o[18:50]
        ci = lv_cat(fold(self.target), fold(self.nick))
        entries, self.pending = b"", []
        for i, password in enumerate(passwords, 1):
            y = scalar()
            Yb = mult(y, generator(password.encode("latin-1"), ci, sid))
            t = lv_cat(Ya, b"") + lv_cat(Yb, b"")
            k = keys(sid, mult(y, Ya), t)
            self.pending.append((k, t))
            entries += bytes([i]) + Yb + hmac512(k["confirm responder"], t)[:16]
        self.privmsg("[ZOVKEX02]" + base64.b64encode(b"A" + bytes([V]) + sid + bytes([len(passwords)]) + entries).decode())
        self.answer_sid = sid

    def confirmed(self, text):
        c = base64.b64decode(text[10:], validate=True)
        index, tag = c[18], c[19:35]
        if c[0:1] != b"C" or c[2:18] != self.answer_sid or not 1 <= index <= len(self.pending):
            self.note("mismatch")
            return
        k, t = self.pending[index - 1]
        if not hmac.compare_digest(hmac512(k["confirm initiator"], t)[:16], tag):
            self.note("mismatch")
            return
        self.send_chain = Chain(k["chain responder"], self.answer_sid, b"R")
        self.recv_chain = Chain(k["chain initiator"], self.answer_sid, b"I")
        self.note("sealed with password %d" % index)


def main():
    port, nick, target, role, passwords, script, log = sys.argv[1:8]
    peer = Peer(int(port), nick, target, log)
    try:
        peer.registered()
        peer.note("registered")
        passwords = passwords.split(",")
        if role == "offer":
            peer.offer(passwords[0])
        for step in script.split(";"):
            kind, _, arg = step.partition(":")
            if kind == "wait":
                for text in peer.from_target(60):
                    if not text.startswith("[ZOVKEX02]"):
                        peer.note("plain: " + text)
                    elif base64.b64decode(text[10:])[0:1] == b"O":
                        peer.answer(passwords, text)
                    elif base64.b64decode(text[10:])[0:1] == b"C":
                        peer.confirmed(text)
                        break
            elif kind in ("say", "act"):
                peer.privmsg(peer.send_chain.seal(1 if kind == "say" else 2, arg))
            elif kind == "expect":
                for text in peer.from_target(30):
                    if text.startswith("[ZOVMSG02]"):
                        opened = peer.recv_chain.open(text)
                        peer.note("got: %s%s" % (opened[1], " (action)" if opened[0] == 2 else "") if opened else "got nothing")
                        if opened and opened[1] == arg:
                            break
        peer.note("done")
    except Exception as error:  # the test reads why from the log
        peer.note("failed: %r" % (error,))
    finally:
        peer.send("QUIT")
        peer.sock.close()


if __name__ == "__main__":
    main()
