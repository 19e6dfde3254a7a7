// The TLS channel against a TLS server of Python's that places record and
// segment boundaries where it likes: lines packed into one record, one line
// over two records, fifty records in one segment, a record trickled a few
// bytes at a time, a line over several full records, session tickets after
// the handshake, a key update (TLS 1.3) or a request for a new handshake (1.2),
// then an echo of what we sent and the server's close. The server asks for a
// client certificate too, and goes on without one.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/certificate_check.h"
#include "net/server_socket.h"
#include "net/tls_channel.h"
#include "net/tls_errors.h"
#include "support/file_bytes.h"
#include "support/linux_shell.h"
#include "support/net_test_support.h"

namespace {
using namespace net_test;

constexpr const char* server_script = R"PY(
import ctypes, os, socket, ssl, sys, time
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain("tls-cert.pem", "tls-key.pem")
# Asks for a client certificate, and goes on without one.
ctx.verify_mode = ssl.CERT_OPTIONAL
ctx.load_verify_locations("tls-cert.pem")
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
# Generous waits: under load the client's side of a step can take seconds.
listener.settimeout(120)
with open("tls-port.tmp", "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename("tls-port.tmp", "tls-port")
conn, _ = listener.accept()
conn.settimeout(120)
incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
tls = ctx.wrap_bio(incoming, outgoing, server_side=True)

def flush(piece=0, pause=0.0):
    data = outgoing.read()
    step = piece or max(len(data), 1)
    for i in range(0, len(data), step):
        conn.sendall(data[i:i + step])
        time.sleep(pause)

def receive():
    data = conn.recv(65536)
    if not data:
        sys.exit(1)
    incoming.write(data)

while True:
    try:
        tls.do_handshake()
        break
    except ssl.SSLWantReadError:
        flush()
        receive()
flush()
tls.write(b"one\r\ntwo\r\nthree\r\n"); flush()
tls.write(b"split "); tls.write(b"across records\r\n"); flush()
for i in range(50):
    tls.write(b"burst %d\r\n" % i)
flush()
tls.write(b"trickled in pieces\r\n"); flush(5, 0.01)
tls.write(b"L" * 40000 + b"\r\n"); flush(1000)
# A key update that asks for ours, or under TLS 1.2 (all Wine speaks) a new
# handshake: the ssl module has neither, OpenSSL has, on the SSL object.
libssl = ctypes.CDLL("libssl.so.3")
handle = ctypes.c_void_p.from_address(id(tls._sslobj) + 3 * ctypes.sizeof(ctypes.c_void_p)).value
libssl.SSL_version.argtypes = libssl.SSL_renegotiate.argtypes = [ctypes.c_void_p]
libssl.SSL_key_update.argtypes = [ctypes.c_void_p, ctypes.c_int]
tls13 = libssl.SSL_version(handle) == 0x304
if (libssl.SSL_key_update(handle, 1) if tls13 else libssl.SSL_renegotiate(handle)) != 1:
    sys.exit("no key update")
tls.write(b"last\r\n"); flush()
received = b""
while b"QUIT\r\n" not in received:
    try:
        received += tls.read(65536)
    except ssl.SSLWantReadError:
        receive()
for line in received.split(b"\r\n"):
    if line:
        tls.write(b"GOT " + line + b"\r\n")
flush()
try:
    tls.unwrap()
except ssl.SSLWantReadError:
    pass
flush()
# The end of the stream, then wait until the client hangs up: leaving at
# once could reset the connection before it has read the echo.
try:
    conn.shutdown(socket.SHUT_WR)
    while conn.recv(65536):
        pass
except OSError:
    pass
)PY";

// Starts the server in the background; its port, or 0 with `error` set.
int start_server(std::string& fingerprint, std::string& error) {
    const std::string script = std::string("cat >tls_server.py <<'PY'\n") + server_script +
                               "PY\nrm -f tls-port\n"
                               "[ -f tls-cert.pem ] || /usr/bin/openssl req -x509 -newkey rsa:2048 "
                               "-nodes -days 2 -subj /CN=localhost"
                               " -keyout tls-key.pem -out tls-cert.pem 2>/dev/null\n"
                               "/usr/bin/openssl x509 -noout -fingerprint -sha256 -in tls-cert.pem | "
                               "sed 's/^.*=//' >tls-fingerprint\n"
                               "setsid python3 tls_server.py </dev/null >tls-server.log 2>&1 &\n";
    if (!linux_shell::run(script, error, 60000)) return 0;
    const std::wstring folder = linux_shell::scratch_folder_wide();
    std::string port;
    // The server renames its port file into place, so once it exists it is whole.
    if (!wait_until([&] { return file_exists(folder + L"tls-port"); }, 60000)) {
        error = "the TLS server did not start: " + read_file_bytes(folder + L"tls-server.log");
        return 0;
    }
    port = read_file_bytes(folder + L"tls-port");
    fingerprint = read_file_bytes(folder + L"tls-fingerprint");
    while (!fingerprint.empty() && (fingerprint.back() == '\n' || fingerprint.back() == '\r'))
        fingerprint.pop_back();
    return atoi(port.c_str());
}

std::string read_text(LineReader& reader, const OpenSocket& open, ServerSocket& server) {
    std::wstring line;
    const int length = receive_line(reader, open, server.connected, line);
    return length > 1 ? narrow_text(line.c_str(), CP_ACP) : std::string();
}

TEST(TlsChannel, LinesSurviveEveryRecordAndSegmentBoundaryBothWays) {
    std::string fingerprint, error;
    const int port = start_server(fingerprint, error);
    ASSERT_NE(port, 0) << error;

    ServerSocket server;
    ASSERT_TRUE(connect_to_server(server, L"127.0.0.1", static_cast<unsigned short>(port)));
    ASSERT_TRUE(use_tls(server, L"localhost"));
    const std::shared_ptr<OpenSocket> held = hold_connection(server);
    ASSERT_TRUE(held && held->tls);
    std::wstring failure;
    ASSERT_TRUE(held->tls->handshake(held->handle, server.connected, failure)) << narrow_text(failure.c_str(), CP_ACP);

    // The certificate as openssl sees it; self-signed, so the system does not
    // vouch for it.
    PCCERT_CONTEXT certificate = held->tls->server_certificate();
    ASSERT_NE(certificate, nullptr);
    EXPECT_EQ(narrow_text(certificate_fingerprint(certificate).c_str(), CP_ACP), fingerprint);
    EXPECT_FALSE(certificate_verifies(certificate, L"localhost"));
    CertFreeCertificateContext(certificate);
    EXPECT_EQ(held->tls->protocol_name().compare(0, 4, L"TLS "), 0);

    // Until the caller opens the channel nothing leaves.
    EXPECT_EQ(send_line(L"too early", server), SOCKET_ERROR);
    held->tls->open_for_traffic();

    std::vector<std::string> expected = {"one", "two", "three", "split across records"};
    for (int i = 0; i < 50; ++i)
        expected.push_back("burst " + std::to_string(i));
    expected.push_back("trickled in pieces");
    expected.push_back(std::string(40000, 'L'));
    expected.push_back("last");
    LineReader reader;
    for (const std::string& line : expected)
        ASSERT_EQ(read_text(reader, *held, server), line);

    EXPECT_EQ(send_line(L"PRIVMSG #room :caf\u00e9", server), 19);
    EXPECT_GT(send_line((L"PRIVMSG #room :" + std::wstring(30000, L'x')).c_str(), server), 0);
    EXPECT_EQ(send_line(L"QUIT", server), 4);
    EXPECT_EQ(read_text(reader, *held, server), "GOT PRIVMSG #room :caf\xE9");
    EXPECT_EQ(read_text(reader, *held, server), "GOT PRIVMSG #room :" + std::string(30000, 'x'));
    EXPECT_EQ(read_text(reader, *held, server), "GOT QUIT");
    // The server's close ends the reading, as a closed socket does.
    std::wstring rest;
    EXPECT_EQ(receive_line(reader, *held, server.connected, rest), 1);
    close_connection(server);
}

TEST(TlsChannel, AHandshakeThatCannotFinishEndsWithItsReason) {
    // A handshake record that announces a 16 MB ServerHello, and its first bytes.
    const std::string announced = std::string("\x16\x03\x03\x40\x00\x02\xFF\xFF\xFF", 9) + std::string(16380, 'h');
    struct Case {
        std::function<void(LoopbackServer&)> server;
        const wchar_t* error;
    } cases[] = {
        {[](LoopbackServer&) {}, tls_error::no_answer},
        {[&](LoopbackServer& peer) { peer.send_bytes(announced.substr(0, 200)), peer.close_client(); },
         tls_error::closed},
        // Sent as records of 16 KB, none of them ever completing the message.
        {[&](LoopbackServer& peer) {
             peer.send_bytes(announced);
             const std::string record = std::string("\x16\x03\x03\x40\x00", 5) + std::string(16384, 'h');
             for (int i = 0; i < 40; ++i) peer.send_bytes(record);
         }, tls_error::too_much},
    };
    for (const Case& c : cases) {
        LoopbackServer peer;
        ServerSocket server;
        ASSERT_TRUE(connect_to_server(server, L"127.0.0.1", peer.port()));
        ASSERT_TRUE(peer.accept_client());
        ASSERT_TRUE(use_tls(server, L"localhost"));
        const std::shared_ptr<OpenSocket> held = hold_connection(server);
        std::wstring error;
        const DWORD start = GetTickCount();
        std::thread client([&] {
            held->tls->handshake(held->handle, server.connected, error, c.error == tls_error::no_answer ? 300 : 60000);
            close_connection(server);
        });
        // What it sends first is a TLS handshake record, nothing of IRC.
        EXPECT_EQ(peer.receive_bytes(1, 5000), "\x16");
        c.server(peer);
        client.join();
        EXPECT_EQ(error, c.error);
        // The silent server had all of its time.
        EXPECT_TRUE(c.error != tls_error::no_answer || GetTickCount() - start >= 300u);
    }
}
}  // namespace
