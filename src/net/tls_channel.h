#pragma once
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// A TLS client over a connected socket, through the system's own TLS
// (Schannel). The receive thread runs the handshake and reads; one thread (the
// connection's writer) sends. Certificates are not judged here: the handshake
// accepts any, and the caller looks at the one received;
// a later handshake the server starts must keep that certificate. A server
// that asks for a client certificate gets the one set before the handshake,
// else none.
class TlsChannel {
public:
    explicit TlsChannel(std::wstring host);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // The user's certificate to present (SASL EXTERNAL); the channel keeps its
    // own reference. Before the handshake.
    void use_client_certificate(PCCERT_CONTEXT certificate);

    // Runs the client handshake on `sock` while `up` is set. False, with
    // `error` saying why, when it fails, the connection goes or the server
    // has not finished it within `timeout_ms`.
    bool handshake(SOCKET sock, const std::atomic<int>& up, std::wstring& error, DWORD timeout_ms = 30000);

    // Lets application data through; until then send refuses. The caller
    // opens it once it trusts the certificate.
    void open_for_traffic() { open_ = true; }
    bool is_open() const { return open_; }

    // Encrypts and sends all of `size` bytes while `up` holds, waiting for
    // room in short steps. False when the channel is not open, the send fails
    // or the connection goes.
    bool send_all(SOCKET sock, const char* data, size_t size, const std::atomic<int>& up);

    // Like recv: decrypted bytes (at most `size`), 0 when the peer closed the
    // session or the connection went (or `up` cleared), SOCKET_ERROR on error.
    int read(SOCKET sock, const std::atomic<int>& up, char* data, int size);

    // The server's certificate (the caller frees it with
    // CertFreeCertificateContext); null before the handshake.
    PCCERT_CONTEXT server_certificate();

    // "TLS 1.3", "TLS 1.2", ... of the session in use.
    std::wstring protocol_name();

    // Bytes decrypted so far that the caller has not read yet (for tests of
    // the framing).
    size_t buffered() const { return plain_.size() - plain_used_; }
    // Whether it holds bytes not yet read out, decrypted or not.
    bool holds_bytes() const { return buffered() > 0 || !encrypted_.empty(); }

private:
    // The system's TLS handles, kept out of this header: the security
    // headers name things (Batch, ...) in the global namespace.
    struct Handles;

    bool fill(SOCKET sock, const std::atomic<int>& up, DWORD deadline);
    int decrypt_available();
    // One handshake call on what has arrived; `sent` false when its answer
    // could not be sent. Then the loop that runs it until the handshake is
    // done, reading as it needs, until `deadline`.
    long step(SOCKET sock, const std::atomic<int>& up, bool& sent);
    bool negotiate(SOCKET sock, const std::atomic<int>& up, DWORD deadline, long status, std::wstring& error);
    // The server's messages after the handshake, handed to the handshake
    // call; false when that fails or the server's certificate changed.
    bool renegotiate(SOCKET sock, const std::atomic<int>& up);
    std::string certificate_bytes();

    std::wstring host_;
    PCCERT_CONTEXT client_certificate_ = nullptr;
    std::unique_ptr<Handles> handles_;
    unsigned long request_flags_;
    std::string first_certificate_;  // as encoded, once the first handshake is done
    bool tls13_ = false;
    size_t handshake_received_ = 0;  // bytes read by the handshake in progress
    std::atomic<bool> open_{false};
    bool closed_ = false;  // the peer sent its close
    // Schannel is not asked to encrypt and decrypt on two threads at once.
    std::mutex context_lock_;
    // Taken before context_lock_: a record is sealed and sent, or a
    // handshake message answered, as one.
    std::mutex wire_lock_;
    std::string encrypted_;  // received, not yet decrypted (an incomplete record)
    std::string plain_;      // decrypted, not yet read
    size_t plain_used_ = 0;
    std::string outgoing_;  // one encrypted record's buffer, reused
};
