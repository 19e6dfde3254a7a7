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

constexpr ULONG request_flags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
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

TlsChannel::TlsChannel(std::wstring host) : host_(std::move(host)), handles_(std::make_unique<Handles>()) {}

TlsChannel::~TlsChannel() = default;

bool TlsChannel::fill(SOCKET sock, const std::atomic<int>& up, DWORD deadline) {
    char chunk[read_chunk];
    const int n = receive_some(sock, up, chunk, sizeof chunk, &deadline);
    if (n <= 0) return false;
    encrypted_.append(chunk, static_cast<size_t>(n));
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
    status = InitializeSecurityContextW(&h.credentials, nullptr, host_.data(), request_flags, 0, 0, nullptr, 0,
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
    while (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_INCOMPLETE_MESSAGE) {
        if ((encrypted_.empty() || status == SEC_E_INCOMPLETE_MESSAGE) && !fill(sock, up, deadline)) {
            error = static_cast<int>(deadline - GetTickCount()) <= 0 ? tls_error::no_answer : tls_error::closed;
            return false;
        }
        // Every TLS record starts with its content type (change cipher spec,
        // alert, handshake, application data, heartbeat); anything else is a
        // server speaking plain text on this port, which Schannel might
        // otherwise wait on as the start of a long record.
        const unsigned char type = static_cast<unsigned char>(encrypted_[0]);
        if (type < 0x14 || type > 0x18) {
            error = tls_error::not_tls;
            return false;
        }
        if (encrypted_.size() > handshake_limit) {
            error = tls_error::too_much;
            return false;
        }
        SecBuffer in_buffers[2] = {
            {static_cast<ULONG>(encrypted_.size()), SECBUFFER_TOKEN, encrypted_.data()},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc in{SECBUFFER_VERSION, 2, in_buffers};
        out_token = {0, SECBUFFER_TOKEN, nullptr};
        status = InitializeSecurityContextW(&h.credentials, &h.context, host_.data(), request_flags, 0, 0, &in, 0,
                                            nullptr, &out, &attributes, &expiry);
        if (status == SEC_E_INCOMPLETE_MESSAGE) continue;  // the record is not all here yet
        const bool sent = send_token(sock, out_token, up);
        if (FAILED(status)) {
            error = status_text(tls_error::failed, status);
            return false;
        }
        if (!sent) {
            error = tls_error::closed;
            return false;
        }
        // What the server sent beyond the handshake stays for the next step
        // (or, once done, for the first read).
        if (in_buffers[1].BufferType == SECBUFFER_EXTRA && in_buffers[1].cbBuffer > 0)
            encrypted_.erase(0, encrypted_.size() - in_buffers[1].cbBuffer);
        else
            encrypted_.clear();
    }
    if (status != SEC_E_OK) {
        error = status_text(tls_error::failed, status);
        return false;
    }
    status = QueryContextAttributesW(&h.context, SECPKG_ATTR_STREAM_SIZES, &h.sizes);
    if (status != SEC_E_OK) {
        error = status_text(tls_error::no_sizes, status);
        return false;
    }
    return true;
}

bool TlsChannel::send_all(SOCKET sock, const char* data, size_t size, const std::atomic<int>& up) {
    Handles& h = *handles_;
    if (!open_) return false;
    while (size > 0) {
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
        // One writer: records leave in the order they were sealed.
        if (!send_while_up(sock, outgoing_.data(), outgoing_.size(), up)) return false;
        data += part;
        size -= part;
    }
    return true;
}

// Decrypts the complete records in `encrypted_` into `plain_`. Returns 1 when
// something was decrypted or a record needs more bytes, 0 when the peer closed
// the session, SOCKET_ERROR on a fault.
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
        // TLS 1.3 hands its post-handshake messages (session tickets) over
        // this way; they need no answer from a client that never resumes.
        if (status == SEC_I_RENEGOTIATE && plain_.size() == plain_used_ && extra == 0) break;
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
