"""A small IRC server that logs clients in with SASL SCRAM-SHA-256 (RFC 5802,
RFC 7677) and then welcomes them. One account: alice / pencil.

    scram_server.py PORT      serve on 127.0.0.1:PORT
    scram_server.py --check   run RFC 7677's example exchange and exit
"""
import base64
import hashlib
import hmac
import os
import socket
import sys
import threading

ACCOUNT, PASSWORD, ITERATIONS = "alice", "pencil", 4096


def h(key, data):
    return hmac.new(key, data, hashlib.sha256).digest()


class ScramServer:
    """The server side of one exchange; each step returns the next message or None."""

    def __init__(self, users, nonce=None, salt=None):
        self.users = users  # name -> password
        self.nonce = nonce or base64.b64encode(os.urandom(18)).decode()
        self.salt = salt or os.urandom(16)

    def first(self, client_first):
        if not client_first.startswith("n,,"):
            return None
        self.bare = client_first[3:]
        fields = dict(f.split("=", 1) for f in self.bare.split(","))
        self.user = fields["n"].replace("=2C", ",").replace("=3D", "=")
        if self.user not in self.users:
            return None
        self.combined = fields["r"] + self.nonce
        self.server_first = "r=%s,s=%s,i=%d" % (self.combined, base64.b64encode(self.salt).decode(), ITERATIONS)
        return self.server_first

    def final(self, client_final):
        without_proof, _, proof = client_final.rpartition(",p=")
        if without_proof != "c=biws,r=" + self.combined:
            return None
        salted = hashlib.pbkdf2_hmac("sha256", self.users[self.user].encode(), self.salt, ITERATIONS)
        client_key = h(salted, b"Client Key")
        auth = ",".join((self.bare, self.server_first, without_proof)).encode()
        signature = h(hashlib.sha256(client_key).digest(), auth)
        expected = bytes(a ^ b for a, b in zip(client_key, signature))
        if not hmac.compare_digest(base64.b64decode(proof), expected):
            return None
        return "v=" + base64.b64encode(h(h(salted, b"Server Key"), auth)).decode()


def check():
    """RFC 7677, section 3: user "user", password "pencil"."""
    server = ScramServer({"user": "pencil"}, nonce="%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0",
                         salt=base64.b64decode("W22ZaJ0SNY7soEsUEjb6gQ=="))
    first = server.first("n,,n=user,r=rOprNGfwEbeRWgbNEkqO")
    assert first == "r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", first
    final = server.final("c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,"
                         "p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=")
    assert final == "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=", final
    print("RFC 7677 example: ok")


def serve_client(sock):
    reader = sock.makefile("r", encoding="utf-8", errors="replace", newline="\r\n")
    send = lambda line: sock.sendall((line + "\r\n").encode())
    nick, scram, step, ended = "*", None, 0, False
    for line in reader:
        line = line.rstrip("\r\n")
        print("<<", line, flush=True)
        words = line.split(" ")
        command = words[0].upper()
        if command == "CAP" and words[1:2] == ["LS"]:
            send(":scram.test CAP * LS :sasl=SCRAM-SHA-256 server-time multi-prefix")
        elif command == "CAP" and words[1:2] == ["REQ"]:
            send(":scram.test CAP * ACK :" + line.split(":", 1)[1])
        elif command == "CAP" and words[1:2] == ["END"]:
            ended = True
        elif command == "AUTHENTICATE":
            payload = words[1] if len(words) > 1 else ""
            if step == 0:
                if payload != "SCRAM-SHA-256":
                    send(":scram.test 908 %s SCRAM-SHA-256 :are available SASL mechanisms" % nick)
                    send(":scram.test 904 %s :SASL authentication failed" % nick)
                    continue
                scram, step = ScramServer({ACCOUNT: PASSWORD}), 1
                send("AUTHENTICATE +")
                continue
            if payload == "*":
                send(":scram.test 906 %s :SASL authentication aborted" % nick)
                step = 0
                continue
            message = base64.b64decode(payload).decode() if payload != "+" else ""
            reply = scram.first(message) if step == 1 else scram.final(message) if step == 2 else ""
            if reply is None:
                send(":scram.test 904 %s :SASL authentication failed" % nick)
                step = 0
            elif step < 3:
                send("AUTHENTICATE " + base64.b64encode(reply.encode()).decode())
                step += 1
            else:
                send(":scram.test 900 %s %s!u@127.0.0.1 %s :You are now logged in as %s" % (nick, nick, ACCOUNT, ACCOUNT))
                send(":scram.test 903 %s :SASL authentication successful" % nick)
                step = 0
        elif command == "NICK":
            nick = words[1].lstrip(":")
        elif command == "PING":
            send(":scram.test PONG scram.test " + words[1])
        elif command == "QUIT":
            break
        if ended and command in ("CAP", "NICK", "USER") and nick != "*":
            ended = False
            send(":scram.test 001 %s :Welcome to the SCRAM test server" % nick)
            send(":scram.test 376 %s :End of MOTD" % nick)
    sock.close()


def main():
    if sys.argv[1] == "--check":
        check()
        return
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", int(sys.argv[1])))
    listener.listen(8)
    while True:
        sock, _ = listener.accept()
        threading.Thread(target=serve_client, args=(sock,), daemon=True).start()


if __name__ == "__main__":
    main()
