#!/usr/bin/env python3
"""Sealed private chats written from docs/sealed-chats.md alone: an IRC
client that offers or answers a session and trades sealed lines with Quillmere.
Group operations from libsodium (ctypes), the rest from hashlib, hmac and
cryptography.

usage: sealed_peer.py PORT NICK TARGET offer|answer PASSWORD[,...] SCRIPT LOG
SCRIPT: ;-separated "wait" (answer an offer), "say:TEXT", "act:TEXT", "expect:TEXT",
"sendfile:PORT:PATH" (a file to the transfer port, announced in the session),
"badfile:PORT:PATH" (the same with one bit of a chunk flipped), "listen" (gives
the address in the session and listens; logs "listening on PORT"),
"getfile:FOLDER" (takes one file there under its real name).
LOG: what the peer saw, ending in "done" or "failed: why".
"""
import base64, ctypes, hashlib, hmac, os, socket, sys, time
from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305

na = ctypes.CDLL("libsodium.so.23")
assert na.sodium_init() >= 0
V = 2
DSI = b"CPaceRistretto255"
TEXT, ACTION, ADDRESS, FILE = 1, 2, 3, 4
TAG_MESSAGE, TAG_FINAL = 0, 3
PIECE, ABOUT, OVERHEAD = 65536, 512, 17
_u64, _p = ctypes.c_ulonglong, ctypes.c_char_p
na.crypto_secretstream_xchacha20poly1305_push.argtypes = [_p, _p, ctypes.c_void_p, _p, _u64, _p, _u64, ctypes.c_ubyte]
na.crypto_secretstream_xchacha20poly1305_pull.argtypes = [_p, _p, ctypes.c_void_p, ctypes.POINTER(ctypes.c_ubyte),
                                                           _p, _u64, _p, _u64]


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


def file_key(files, fid):
    return hmac512(files, b"quillmere file " + fid)[:32]


def seal_file(key, name, data):
    state = ctypes.create_string_buffer(na.crypto_secretstream_xchacha20poly1305_statebytes())
    header = ctypes.create_string_buffer(24)
    na.crypto_secretstream_xchacha20poly1305_init_push(state, header, key)
    out = [header.raw]

    def push(m, tag):
        c = ctypes.create_string_buffer(len(m) + OVERHEAD)
        na.crypto_secretstream_xchacha20poly1305_push(state, c, None, m, len(m), None, 0, tag)
        out.append(c.raw)

    encoded = name.encode()
    push((len(data).to_bytes(8, "big") + len(encoded).to_bytes(2, "big") + encoded).ljust(ABOUT, b"\0"), TAG_MESSAGE)
    whole = len(data) // PIECE
    for i in range(whole):
        push(data[i * PIECE:(i + 1) * PIECE], TAG_MESSAGE)
    push(data[whole * PIECE:], TAG_FINAL)
    return b"".join(out)


def open_file(key, stream):
    """(name, content), or None when the stream fails any check."""
    state = ctypes.create_string_buffer(na.crypto_secretstream_xchacha20poly1305_statebytes())
    if len(stream) < 24 or na.crypto_secretstream_xchacha20poly1305_init_pull(state, stream[:24], key) != 0:
        return None

    def pull(c):
        m, tag = ctypes.create_string_buffer(max(1, len(c) - OVERHEAD)), ctypes.c_ubyte()
        ok = na.crypto_secretstream_xchacha20poly1305_pull(state, m, None, ctypes.byref(tag), c, len(c), None, 0) == 0
        return (m.raw[:len(c) - OVERHEAD], tag.value) if ok else (None, None)

    about, tag = pull(stream[24:24 + ABOUT + OVERHEAD])
    if about is None or tag != TAG_MESSAGE:
        return None
    size, name_len = int.from_bytes(about[:8], "big"), int.from_bytes(about[8:10], "big")
    at, parts = 24 + ABOUT + OVERHEAD, []
    if at + (size // PIECE) * (PIECE + OVERHEAD) + size % PIECE + OVERHEAD != len(stream):
        return None
    while at < len(stream):
        part, tag = pull(stream[at:at + PIECE + OVERHEAD])
        at += PIECE + OVERHEAD
        if part is None or (tag == TAG_FINAL) != (at >= len(stream)):
            return None
        parts.append(part)
    return about[10:10 + name_len].decode(), b"".join(parts)


def read_unit(sock, limit):
    data = sock.recv(limit)
    if not data:
        raise ConnectionError("transfer connection closed")
    sock.sendall(b"OK")
    return data


def send_unit(sock, unit):
    sock.sendall(unit)
    answer = b""
    while len(answer) < 2:
        more = sock.recv(2 - len(answer))
        if not more:
            raise ConnectionError("no answer on the transfer connection")
        answer += more
    if answer != b"OK":
        raise ConnectionError("answered %r" % answer)


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
        self.send_chain = self.recv_chain = self.files = self.listener = None
        self.announced = set()

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
                    self.files = k["files"]
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
        self.files = k["files"]
        self.note("sealed with password %d" % index)

    def opened(self, text):
        """A sealed line from the target, opened; file announcements are kept."""
        got = self.recv_chain.open(text) if text.startswith("[ZOVMSG02]") else None
        if got and got[0] == FILE:
            self.announced.add(got[1])
        return got

    def send_file(self, port, path, flip):
        with open(path, "rb") as f:
            data = f.read()
        fid = os.urandom(16)
        stream = bytearray(seal_file(file_key(self.files, fid), os.path.basename(path), data))
        if flip:  # inside the first content chunk
            stream[24 + ABOUT + OVERHEAD + 100] ^= 0x04
        self.privmsg(self.send_chain.seal(FILE, fid.hex()))
        with socket.create_connection(("127.0.0.1", int(port)), timeout=30) as sock:
            for unit in (b"File_send", b"sealed_" + fid.hex().encode() + b".zof", str(len(stream)).encode()):
                send_unit(sock, unit)
            for at in range(0, len(stream), 1024):
                send_unit(sock, bytes(stream[at:at + 1024]))
            send_unit(sock, b"End_connection")
        self.note("sent " + os.path.basename(path))

    def listen(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.privmsg(self.send_chain.seal(ADDRESS, "127.0.0.1"))
        self.note("listening on %d" % self.listener.getsockname()[1])

    def get_file(self, folder):
        self.listener.settimeout(60)
        sock, _ = self.listener.accept()
        with sock:
            sock.settimeout(30)
            if read_unit(sock, 32) != b"File_send":
                raise ValueError("no File_send")
            name = read_unit(sock, 128).decode()
            size = int(read_unit(sock, 32))
            stream, answered = bytearray(), 0
            while len(stream) < size:
                more = sock.recv(min(65536, size - len(stream)))
                if not more:
                    raise ConnectionError("file cut short")
                stream += more
                done = (len(stream) + 1023) // 1024 if len(stream) == size else len(stream) // 1024
                sock.sendall(b"OK" * (done - answered))
                answered = done
            if read_unit(sock, 32) != b"End_connection":
                raise ValueError("no End_connection")
        fid = name[len("sealed_"):-len(".zof")]
        if fid not in self.announced:
            for text in self.from_target(30):
                self.opened(text)
                if fid in self.announced:
                    break
        got = open_file(file_key(self.files, bytes.fromhex(fid)), bytes(stream))
        if got is None:
            raise ValueError("the stream failed its check")
        with open(os.path.join(folder, got[0]), "wb") as f:
            f.write(got[1])
        self.note("got file %s, %d bytes" % (got[0], len(got[1])))


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
                peer.privmsg(peer.send_chain.seal(TEXT if kind == "say" else ACTION, arg))
            elif kind == "expect":
                for text in peer.from_target(30):
                    if text.startswith("[ZOVMSG02]"):
                        opened = peer.opened(text)
                        if opened and opened[0] == FILE:
                            continue
                        peer.note("got: %s%s" % (opened[1], " (action)" if opened[0] == ACTION else "") if opened else "got nothing")
                        if opened and opened[1] == arg:
                            break
            elif kind in ("sendfile", "badfile"):
                port, _, path = arg.partition(":")
                peer.send_file(port, path, kind == "badfile")
            elif kind == "listen":
                peer.listen()
            elif kind == "getfile":
                peer.get_file(arg)
        peer.note("done")
    except Exception as error:  # the test reads why from the log
        peer.note("failed: %r" % (error,))
    finally:
        peer.send("QUIT")
        peer.sock.close()


if __name__ == "__main__":
    main()
