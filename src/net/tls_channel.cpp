#include "net/tls_channel.h"

#define SECURITY_WIN32
#include <security.h>
#include <schannel.h>

#include <cstring>

#include "net/socket_waits.h"
#include "net/tls_errors.h"

namespace {
// How often a read waiting for the server looks whether the connection was
// closed: a shutdown does not wake a blocked read on every system.
constexpr long closed_check_us = 200000;
constexpr int read_chunk = 16 * 1024 + 512;  // one full record and change
// A handshake message larger than this is not one any server sends.
constexpr size_t handshake_limit = 256 * 1024;

// Time for the server to finish a handshake it starts after the first.
constexpr DWORD renegotiate_ms = 30000;
// decrypt_available: the server sent a handshake message.
constexpr int handshake_message = 2;

constexpr ULONG first_request_flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                      ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

// Like recv, while `up` holds and, when `deadline` is given, until that tick
// (0 then).
int receive_some(SOCKET sock, const std::atomic<int>& up, char* data, int size, const DWORD* deadline = nullptr) {
    for (;;) {
        if (!up) return 0;
        if (deadline && static_cast<int>(*deadline - GetTickCount()) <= 0) return 0;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        timeval wait{0, closed_check_us};
        if (select(0, &readable, nullptr, nullptr, &wait) == 0) continue;
        const int n = recv(sock, data, size, 0);
        // The socket does not block: a wake-up with nothing to read waits on.
        if (n != SOCKET_ERROR || WSAGetLastError() != WSAEWOULDBLOCK) return n;
    }
}

std::wstring status_text(const wchar_t* what, SECURITY_STATUS status) {
    wchar_t text[96];
    _snwprintf(text, 96, L"%ls (0x%08lX)", what, static_cast<unsigned long>(status));
    text[95] = L'\0';
    return text;
}
bool send_token(SOCKET sock, SecBuffer& token, const std::atomic<int>& up) {
    bool sent = true;
    if (token.pvBuffer && token.cbBuffer > 0)
        sent = send_while_up(sock, static_cast<const char*>(token.pvBuffer), token.cbBuffer, up);
    if (token.pvBuffer) FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    token.cbBuffer = 0;
    return sent;
}
}  // namespace

struct TlsChannel::Handles {
    CredHandle credentials{};
    CtxtHandle context{};
    bool have_credentials = false;
    bool have_context = false;
    SecPkgContext_StreamSizes sizes{};
    ~Handles() {
        if (have_context) DeleteSecurityContext(&context);
        if (have_credentials) FreeCredentialsHandle(&credentials);
    }
};

TlsChannel::TlsChannel(std::wstring host)
    : host_(std::move(host)), handles_(std::make_unique<Handles>()), request_flags_(first_request_flags) {}

TlsChannel::~TlsChannel() {
    if (client_certificate_) CertFreeCertificateContext(client_certificate_);
}

void TlsChannel::use_client_certificate(PCCERT_CONTEXT certificate) {
    if (client_certificate_) CertFreeCertificateContext(client_certificate_);
    client_certificate_ = certificate ? CertDuplicateCertificateContext(certificate) : nullptr;
}

bool TlsChannel::fill(SOCKET sock, const std::atomic<int>& up, DWORD deadline) {
    char chunk[read_chunk];
    const int n = receive_some(sock, up, chunk, sizeof chunk, &deadline);
    if (n <= 0) return false;
    encrypted_.append(chunk, static_cast<size_t>(n));
    handshake_received_ += static_cast<size_t>(n);
    return true;
}

SECURITY_STATUS TlsChannel::step(SOCKET sock, const std::atomic<int>& up, bool& sent) {
    Handles& h = *handles_;
    // A record sealed under the old keys must not follow our answer, nor
    // interleave with it on the wire.
    std::lock_guard<std::mutex> wire(wire_lock_);
    SecBuffer out_token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out{SECBUFFER_VERSION, 1, &out_token};
    SECURITY_STATUS status;
    {
        std::lock_guard<std::mutex> guard(context_lock_);
        SecBuffer in_buffers[2] = {
            {static_cast<ULONG>(encrypted_.size()), SECBUFFER_TOKEN, encrypted_.data()},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc in{SECBUFFER_VERSION, 2, in_buffers};
        ULONG attributes = 0;
        TimeStamp expiry;
        status = InitializeSecurityContextW(&h.credentials, &h.context, host_.data(), request_flags_, 0, 0,
                                            &in, 0, nullptr, &out, &attributes, &expiry);
        // Not all here yet, or to be offered again without a certificate of
        // ours: the same bytes go in once more.
        if (status != SEC_E_INCOMPLETE_MESSAGE && status != SEC_I_INCOMPLETE_CREDENTIALS) {
            // What the server sent beyond the handshake stays for the next
            // step (or, once done, for the first read).
            if (in_buffers[1].BufferType == SECBUFFER_EXTRA && in_buffers[1].cbBuffer > 0)
                encrypted_.erase(0, encrypted_.size() - in_buffers[1].cbBuffer);
            else
                encrypted_.clear();
        }
    }
    sent = send_token(sock, out_token, up);
    return status;
}

bool TlsChannel::negotiate(SOCKET sock, const std::atomic<int>& up, DWORD deadline, SECURITY_STATUS status,
                           std::wstring& error) {
    handshake_received_ = encrypted_.size();
    while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE ||
           status == SEC_I_INCOMPLETE_CREDENTIALS) {
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The server would like a certificate of ours; we have none, and
            // a server that insists says so with its own alert.
            if (request_flags_ & ISC_REQ_USE_SUPPLIED_CREDS) break;
            request_flags_ |= ISC_REQ_USE_SUPPLIED_CREDS;
        } else if ((encrypted_.empty() || status == SEC_E_INCOMPLETE_MESSAGE) && !fill(sock, up, deadline)) {
            error = static_cast<int>(deadline - GetTickCount()) <= 0 ? tls_error::no_answer : tls_error::closed;
            return false;
        }
        // Every TLS record starts with its content type (change cipher spec,
        // alert, handshake, application data, heartbeat); anything else is a
        // server speaking plain text on this port, which Schannel might
        // otherwise wait on as the start of a long record.
        const unsigned char type = encrypted_.empty() ? 0x16 : static_cast<unsigned char>(encrypted_[0]);
        if (type < 0x14 || type > 0x18) {
            error = tls_error::not_tls;
            return false;
        }
        // Counted as received: Schannel may keep a long message's pieces
        // itself while asking for more.
        if (handshake_received_ > handshake_limit) {
            error = tls_error::too_much;
            return false;
        }
        bool sent = false;
        status = step(sock, up, sent);
        if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
        if (FAILED(status)) {
            error = status_text(tls_error::failed, status);
            return false;
        }
        if (!sent) {
            error = tls_error::closed;
            return false;
        }
    }
    if (status != SEC_E_OK) {
        error = status_text(tls_error::failed, status);
        return false;
    }
    Handles& h = *handles_;
    std::lock_guard<std::mutex> wire(wire_lock_);
    std::lock_guard<std::mutex> guard(context_lock_);
    status = QueryContextAttributesW(&h.context, SECPKG_ATTR_STREAM_SIZES, &h.sizes);
    if (status != SEC_E_OK) {
        error = status_text(tls_error::no_sizes, status);
        return false;
    }
    return true;
}

bool TlsChannel::handshake(SOCKET sock, const std::atomic<int>& up, std::wstring& error, DWORD timeout_ms) {
    // A server that takes the connection but never answers in TLS (a plain
    // IRC server waiting for a line) is not waited for without end.
    const DWORD deadline = GetTickCount() + timeout_ms;
    Handles& h = *handles_;
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // The certificate is judged by the caller, against the system store and
    // the fingerprints the user trusted; Schannel must not refuse it first.
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    if (client_certificate_) {
        settings.cCreds = 1;
        settings.paCred = &client_certificate_;
    }
    TimeStamp expiry;
    SECURITY_STATUS status =
        AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr, &settings,
                                  nullptr, nullptr, &h.credentials, &expiry);
    if (status != SEC_E_OK) {
        error = status_text(tls_error::no_credentials, status);
        return false;
    }
    h.have_credentials = true;

    ULONG attributes = 0;
    SecBuffer out_token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc out{SECBUFFER_VERSION, 1, &out_token};
    status = InitializeSecurityContextW(&h.credentials, nullptr, host_.data(), request_flags_, 0, 0, nullptr, 0,
                                        &h.context, &out, &attributes, &expiry);
    if (status != SEC_I_CONTINUE_NEEDED) {
        error = status_text(tls_error::failed, status);
        return false;
    }
    h.have_context = true;
    if (!send_token(sock, out_token, up)) {
        error = tls_error::closed;
        return false;
    }
    encrypted_.clear();
    if (!negotiate(sock, up, deadline, status, error)) return false;
    first_certificate_ = certificate_bytes();
    tls13_ = protocol_name() == L"TLS 1.3";
    return true;
}

bool TlsChannel::renegotiate(SOCKET sock, const std::atomic<int>& up) {
    // TLS 1.2 asks for a new handshake this way. A client may decline by
    // reading on, and does: the certificate the user trusted stays in use,
    // and Wine's Schannel, wanting a record from the server first, could not
    // begin one anyway.
    if (!tls13_) return true;
    // What DecryptMessage left over opens the handshake call, even when empty.
    bool sent = false;
    SECURITY_STATUS status = step(sock, up, sent);
    std::wstring error;
    if (!sent || !negotiate(sock, up, GetTickCount() + renegotiate_ms, status, error)) return false;
    // The user trusted one certificate; another one must not slip in here.
    const std::string now = certificate_bytes();
    return !now.empty() && now == first_certificate_;
}

std::string TlsChannel::certificate_bytes() {
    PCCERT_CONTEXT certificate = server_certificate();
    if (!certificate) return {};
    std::string bytes(reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded);
    CertFreeCertificateContext(certificate);
    return bytes;
}

bool TlsChannel::send_all(SOCKET sock, const char* data, size_t size, const std::atomic<int>& up) {
    Handles& h = *handles_;
    if (!open_) return false;
    while (size > 0) {
        // Sealed and sent as one, so that an answer to the server's
        // post-handshake messages never lands inside a record or before one
        // sealed under the keys it replaced.
        std::lock_guard<std::mutex> wire(wire_lock_);
        const size_t part = size < h.sizes.cbMaximumMessage ? size : h.sizes.cbMaximumMessage;
        {
            std::lock_guard<std::mutex> guard(context_lock_);
            outgoing_.resize(h.sizes.cbHeader + part + h.sizes.cbTrailer);
            char* record = outgoing_.data();
            std::memcpy(record + h.sizes.cbHeader, data, part);
            SecBuffer buffers[4] = {
                {h.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
                {static_cast<ULONG>(part), SECBUFFER_DATA, record + h.sizes.cbHeader},
                {h.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + h.sizes.cbHeader + part},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
            if (EncryptMessage(&h.context, 0, &message, 0) != SEC_E_OK) return false;
            outgoing_.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        }
        if (!send_while_up(sock, outgoing_.data(), outgoing_.size(), up)) return false;
        data += part;
        size -= part;
    }
    return true;
}

// Decrypts the complete records in `encrypted_` into `plain_`. Returns 1 when
// something was decrypted or a record needs more bytes, 0 when the peer closed
// the session, SOCKET_ERROR on a fault, `handshake_message` when the server
// sent one after the handshake (`encrypted_` then holds what is left for it).
int TlsChannel::decrypt_available() {
    Handles& h = *handles_;
    std::lock_guard<std::mutex> guard(context_lock_);
    while (!encrypted_.empty()) {
        SecBuffer buffers[4] = {
            {static_cast<ULONG>(encrypted_.size()), SECBUFFER_DATA, encrypted_.data()},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&h.context, &message, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) return 1;
        if (status == SEC_I_CONTEXT_EXPIRED) return 0;
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return SOCKET_ERROR;
        // Decrypting works in place: the text is copied out before the
        // leftover bytes of the next record move to the front.
        size_t extra = 0;
        for (const SecBuffer& buffer : buffers) {
            if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0)
                plain_.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            if (buffer.BufferType == SECBUFFER_EXTRA) extra = buffer.cbBuffer;
        }
        encrypted_.erase(0, encrypted_.size() - extra);
        // TLS 1.3 session tickets and key updates, or a TLS 1.2 renegotiation.
        if (status == SEC_I_RENEGOTIATE) return handshake_message;
    }
    return 1;
}

int TlsChannel::read(SOCKET sock, const std::atomic<int>& up, char* data, int size) {
    for (;;) {
        if (plain_used_ < plain_.size()) {
            const size_t available = plain_.size() - plain_used_;
            const size_t n = available < static_cast<size_t>(size) ? available : static_cast<size_t>(size);
            std::memcpy(data, plain_.data() + plain_used_, n);
            plain_used_ += n;
            if (plain_used_ == plain_.size()) {
                plain_.clear();
                plain_used_ = 0;
            }
            return static_cast<int>(n);
        }
        if (closed_) return 0;
        const int result = decrypt_available();
        if (result == SOCKET_ERROR) return SOCKET_ERROR;
        if (result == handshake_message) {
            if (!renegotiate(sock, up)) return SOCKET_ERROR;
            continue;
        }
        if (result == 0) closed_ = true;
        if (plain_used_ < plain_.size() || closed_) continue;
        char chunk[read_chunk];
        const int n = receive_some(sock, up, chunk, sizeof chunk);
        if (n <= 0) return n;
        encrypted_.append(chunk, static_cast<size_t>(n));
    }
}

PCCERT_CONTEXT TlsChannel::server_certificate() {
    Handles& h = *handles_;
    if (!h.have_context) return nullptr;
    PCCERT_CONTEXT certificate = nullptr;
    std::lock_guard<std::mutex> guard(context_lock_);
    if (QueryContextAttributesW(&h.context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK) return nullptr;
    return certificate;
}

std::wstring TlsChannel::protocol_name() {
    Handles& h = *handles_;
    SecPkgContext_ConnectionInfo info{};
    {
        std::lock_guard<std::mutex> guard(context_lock_);
        if (!h.have_context || QueryContextAttributesW(&h.context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
            return L"TLS";
    }
    if (info.dwProtocol & SP_PROT_TLS1_3_CLIENT) return L"TLS 1.3";
    if (info.dwProtocol & SP_PROT_TLS1_2_CLIENT) return L"TLS 1.2";
    if (info.dwProtocol & SP_PROT_TLS1_1_CLIENT) return L"TLS 1.1";
    if (info.dwProtocol & SP_PROT_TLS1_0_CLIENT) return L"TLS 1.0";
    return L"TLS";
}
