#include "connection/tls_connection.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_post.h"
#include "connection/certificate_trust.h"
#include "connection/connection_start.h"
#include "connection/tls_texts.h"
#include "net/certificate_check.h"
#include "net/server_socket.h"
#include "net/tls_channel.h"

namespace {
// How often the wait for the user's answer looks whether the connection is
// still wanted.
constexpr DWORD answer_check_ms = 100;

// Taken from the settings on the user-interface thread when the connection
// opens; the receive thread reads its copy.
struct TrustPlan {
    std::wstring host;
    std::wstring port;
    StoredTrust stored;
    bool user_started = true;
    bool through_proxy = false;
};
std::mutex plan_lock;
TrustPlan plan;

TrustPlan current_plan() {
    std::lock_guard<std::mutex> guard(plan_lock);
    return plan;
}

// The user's answer, shared by the box (which may outlive the wait) and the
// receive thread.
struct Answer {
    HANDLE given = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> button{IDNO};
    ~Answer() {
        if (given) CloseHandle(given);
    }
};

bool user_trusts(ChatClient& client, const TrustPlan& trust, const std::wstring& fingerprint, bool changed,
                 const std::function<bool()>& still_current) {
    auto answer = std::make_shared<Answer>();
    if (!answer->given) return false;
    const std::wstring text =
        format_text(changed ? tls_text::changed_format : tls_text::untrusted_format, trust.host, fingerprint);
    ChatClient* owner = &client;
    const std::wstring host = trust.host, port = trust.port;
    // No is the default: Enter typed for the input line must not trust a stranger.
    post_question_box(client.main_window, text, tls_text::untrusted_caption,
                      MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, [owner, answer, host, port, fingerprint](int button) {
                          // Stored even when the connection went meanwhile: the
                          // user has said they trust it.
                          if (button == IDYES) trust_fingerprint(*owner, host, port, fingerprint);
                          answer->button = button;
                          SetEvent(answer->given);
                      });
    while (still_current())
        if (WaitForSingleObject(answer->given, answer_check_ms) == WAIT_OBJECT_0) return answer->button == IDYES;
    return false;
}

// The chain check may fetch revocation lists for seconds: it runs beside the
// receive thread, which meanwhile looks whether the connection is still wanted
// (Disconnect waits for the receive thread). False when it is not.
bool verifies_while_current(PCCERT_CONTEXT certificate, const std::wstring& host, bool cache_only,
                            const std::function<bool()>& still_current) {
    struct Check {
        PCCERT_CONTEXT certificate = nullptr;
        std::wstring host;
        bool cache_only = false;
        std::atomic<bool> verifies{false};
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ~Check() {
            if (certificate) CertFreeCertificateContext(certificate);
            if (done) CloseHandle(done);
        }
    };
    if (!certificate) return false;
    auto check = std::make_shared<Check>();
    if (!check->done) return false;
    check->certificate = CertDuplicateCertificateContext(certificate);
    check->host = host;
    check->cache_only = cache_only;
    try {
        std::thread([check] {
            check->verifies = certificate_verifies(check->certificate, check->host, check->cache_only);
            SetEvent(check->done);
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    while (still_current())
        if (WaitForSingleObject(check->done, answer_check_ms) == WAIT_OBJECT_0) return check->verifies;
    return false;
}

}  // namespace

bool prepare_tls(ChatClient& client, const ConnectRequest& request, bool through_proxy) {
    client.connection.tls = request.tls;
    if (!request.tls) return true;
    TrustPlan fresh;
    fresh.host = request.host;
    fresh.port = request.port;
    fresh.stored = read_trust(client, request.host, request.port);
    fresh.user_started = request.user_started;
    fresh.through_proxy = through_proxy;
    {
        std::lock_guard<std::mutex> guard(plan_lock);
        plan = fresh;
    }
    return true;
}

SecureOutcome secure_connection(ChatClient& client, OpenSocket& open, const std::function<bool()>& still_current) {
    if (!open.tls) return SecureOutcome::ready;
    std::wstring error;
    if (!open.tls->handshake(open.handle, open.up, error)) {
        if (still_current()) append_server_line(client, format_text(tls_text::handshake_failed_format, error), true);
        return SecureOutcome::failed;
    }
    const TrustPlan trust = current_plan();
    PCCERT_CONTEXT certificate = open.tls->server_certificate();
    const std::wstring fingerprint = certificate_fingerprint(certificate);
    const bool verifies = verifies_while_current(certificate, trust.host, trust.through_proxy, still_current);
    if (certificate) CertFreeCertificateContext(certificate);
    if (fingerprint.empty()) {
        append_server_line(client, format_text(tls_text::handshake_failed_format, L"no certificate"), true);
        return SecureOutcome::failed;
    }

    if (verifies && !trust.stored.once_verified) {
        ChatClient* owner = &client;
        post_to_ui_thread([owner, trust] { remember_verified(*owner, trust.host, trust.port); });
    }
    const CertificateTrust judged = judge_certificate(verifies, trust.stored, fingerprint);
    if (judged != CertificateTrust::trusted && !trust.user_started) {
        // The user is not at the keyboard for this: a box now would be
        // answered by whatever key they were pressing.
        if (still_current()) append_server_line(client, tls_text::reconnect_stopped, true);
        return SecureOutcome::refused;
    }
    if (judged != CertificateTrust::trusted &&
        !user_trusts(client, trust, fingerprint, judged == CertificateTrust::ask_changed, still_current)) {
        if (still_current()) append_server_line(client, tls_text::not_trusted, true);
        return SecureOutcome::refused;
    }
    open.tls->open_for_traffic();
    append_server_line(client, format_text(tls_text::encrypted_format, open.tls->protocol_name()), false);
    return SecureOutcome::ready;
}
