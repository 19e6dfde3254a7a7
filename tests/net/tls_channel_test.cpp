// The TLS channel against a TLS server of Python's that places record and
// segment boundaries where it likes: lines packed into one record, one line
// over two records, fifty records in one segment, a record trickled a few
// bytes at a time, a line over several full records, session tickets after
// the handshake, then an echo of what we sent and the server's close.
#include <gtest/gtest.h>

#include <string>
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
import os, socket, ssl, sys, time
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain("tls-cert.pem", "tls-key.pem")
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
listener.settimeout(30)
with open("tls-port.tmp", "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename("tls-port.tmp", "tls-port")
conn, _ = listener.accept()
conn.settimeout(30)
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
time.sleep(1)
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
    if (!wait_until([&] { return file_exists(folder + L"tls-port"); }, 20000)) {
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

TEST(TlsChannel, AServerThatNeverAnswersTheHandshakeIsGivenUp) {
    LoopbackServer silent;
    ServerSocket server;
    ASSERT_TRUE(connect_to_server(server, L"127.0.0.1", silent.port()));
    ASSERT_TRUE(silent.accept_client());
    ASSERT_TRUE(use_tls(server, L"localhost"));
    const std::shared_ptr<OpenSocket> held = hold_connection(server);
    std::wstring error;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(held->tls->handshake(held->handle, server.connected, error, 300));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(error, tls_error::no_answer);
    // What it did send was a TLS handshake record, nothing of IRC.
    EXPECT_EQ(silent.receive_bytes(1, 1000), "\x16");
    close_connection(server);
}
}  // namespace
