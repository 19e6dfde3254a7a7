#include "connection/tls_connection.h"

#include <windows.h>

#include <memory>
#include <mutex>

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
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
// How often the wait for the user's answer looks whether the connection is
// still wanted.
constexpr DWORD answer_check_ms = 100;

// Taken from the settings on the user-interface thread when the connection
// opens; the receive thread reads its copy.
struct TrustPlan {
    std::wstring host;
    std::wstring key;
    std::wstring stored;
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
    const std::wstring key = trust.key;
    post_question_box(client.main_window, text, tls_text::untrusted_caption, MB_YESNO | MB_ICONWARNING,
                      [owner, answer, key, fingerprint](int button) {
                          // Stored even when the connection went meanwhile: the
                          // user has said they trust it.
                          if (button == IDYES)
                              write_setting(*owner, settings_key::servers_section, key.c_str(), fingerprint);
                          answer->button = button;
                          SetEvent(answer->given);
                      });
    while (still_current())
        if (WaitForSingleObject(answer->given, answer_check_ms) == WAIT_OBJECT_0) return answer->button == IDYES;
    return false;
}

}  // namespace

bool prepare_tls(ChatClient& client, const ConnectRequest& request) {
    client.connection.tls = request.tls;
    if (!request.tls) return true;
    TrustPlan fresh;
    fresh.host = request.host;
    fresh.key = fingerprint_key(client, request.host, request.port);
    fresh.stored = read_setting(client, settings_key::servers_section, fresh.key.c_str());
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
    const bool verifies = certificate_verifies(certificate, trust.host);
    if (certificate) CertFreeCertificateContext(certificate);
    if (fingerprint.empty()) {
        append_server_line(client, format_text(tls_text::handshake_failed_format, L"no certificate"), true);
        return SecureOutcome::failed;
    }

    const CertificateTrust judged = judge_certificate(verifies, trust.stored, fingerprint);
    if (judged != CertificateTrust::trusted &&
        !user_trusts(client, trust, fingerprint, judged == CertificateTrust::ask_changed, still_current)) {
        if (still_current()) append_server_line(client, tls_text::not_trusted, true);
        return SecureOutcome::refused;
    }
    open.tls->open_for_traffic();
    append_server_line(client, format_text(tls_text::encrypted_format, open.tls->protocol_name()), false);
    return SecureOutcome::ready;
}
