#include "connection/receive_loop.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "chat/queue_stats.h"
#include "chat/sealed_state.h"
#include "irc/capabilities.h"
#include "irc/irc_line.h"
#include "irc/playback.h"
#include "net/irc_commands.h"
#include "connection/connect_texts.h"
#include "connection/reconnect.h"
#include "connection/server_log.h"
#include "connection/tls_connection.h"
#include "irc/login_texts.h"
#include "net/client_certificate.h"
#include "net/connect_step.h"
#include "net/host_port.h"
#include "net/proxy_texts.h"
#include "net/session.h"
#include "net/tls_channel.h"
#include "chat/ui_post.h"

namespace {
constexpr const wchar_t* compatible_mark = L"z-z";
constexpr size_t registration_username_limit = 15;
// The loop never waits for the user-interface thread, and a closed socket
// wakes its read at once: it ends within moments of being stopped.
constexpr DWORD stop_wait_ms = 10000;

std::mutex folder_lock;
std::wstring folder_copy;

std::mutex thread_lock;
HANDLE receive_thread = nullptr;
// Loop threads started and not yet ended, including one that a stop gave up
// waiting for.
std::atomic<int> running_loops{0};

// What the loop starts from, taken on the thread that connected: the
// preferences may be reloaded there while the loop runs.
struct LoopStart {
    ChatClient* client;
    unsigned session;
    std::wstring folder;
    std::wstring nickname;
    std::wstring user;
    bool connects = false;  // the loop makes the connection to `target` itself
    ConnectTarget target;
};

LoopStart loop_start(ChatClient& client, unsigned session) {
    return {&client, session, client.app_folder, client.connection.nickname, registration_username(client)};
}

// A TLS channel for the server, with the user's certificate when the account
// login is EXTERNAL (the account was set before this thread started).
std::unique_ptr<TlsChannel> tls_channel_for(ChatClient& client, const std::wstring& host) {
    auto channel = std::make_unique<TlsChannel>(host_without_brackets(host));
    const ServerAccount& account = client.connection.account;
    if (account.method != SaslMethod::external || account.certificate.empty()) return channel;
    PCCERT_CONTEXT certificate = find_client_certificate(account.certificate);
    if (!certificate) {
        append_server_line(client, format_text(login_text::certificate_missing_format, account.certificate), true);
        return channel;
    }
    channel->use_client_certificate(certificate);
    CertFreeCertificateContext(certificate);
    return channel;
}

// The connection the loop reads: the one it makes, or the one already open.
// Null when it could not be made or is no longer wanted.
std::shared_ptr<OpenSocket> take_connection(const LoopStart& start) {
    ChatClient& client = *start.client;
    ServerSocket& server = client.server_socket;
    const auto wanted = [&] { return current_session() == start.session; };
    if (!start.connects) return wanted() ? hold_connection(server) : nullptr;
    const ConnectTarget& target = start.target;
    std::wstring proxy_error;
    SOCKET sock = INVALID_SOCKET;
    if (target.proxy.on) {
        append_server_line(client, format_text(proxy_text::through_format, host_for_display(target.proxy.host),
                                               static_cast<int>(target.proxy.port)));
        sock = open_through_proxy(target.proxy, target.host, target.port, wanted, proxy_error);
    } else {
        sock = open_server_connection(target.host.c_str(), target.port, wanted);
    }
    std::shared_ptr<OpenSocket> open;
    if (sock != INVALID_SOCKET)
        open = publish_connection(server, sock, target.number, target.tls ? tls_channel_for(client, target.host) : nullptr,
                                  wanted);
    if (!wanted()) {
        if (open) close_connection(server, *open);
        return nullptr;
    }
    const std::wstring host = host_for_display(target.host);
    std::wstring said = format_text(connect_text::error_format, host, target.port_text);
    if (open) said = connect_text::connected;
    else if (!proxy_error.empty()) said = format_text(proxy_text::failed_format, host, target.port_text, proxy_error);
    append_server_line(client, said, !open);
    return open;
}

// The lines that register the connection, in one place.
void send_registration(ServerSocket& server, const LoopStart& start) {
    send_command(server, irc::nick, start.nickname);
    send_command(server, irc::user, start.user, start.user, start.user, start.user);
}

// A server password goes first; capability negotiation is begun before NICK
// and USER, so that a server which knows it holds registration until it ends.
void begin_registration(ChatClient& client, const LoopStart& start) {
    ServerSocket& server = client.server_socket;
    client.connection.receive.reset();
    client.connection.features.reset();
    const std::wstring& password = client.connection.account.server_password;
    // A bouncer tells its users and networks apart by the password's login.
    begin_line_times(client.connection.receive,
                     client.connection.host.get() + L":" + client.connection.port.get() + L" " + password);
    if (!password.empty()) {
        const bool one_word = password.find(L' ') == std::wstring::npos && password[0] != L':';
        send_command(server, one_word ? irc::pass : irc::pass_trailing, password);
    }
    begin_capability_negotiation(client);
    send_registration(server, start);
}

bool read_lines(const LoopStart& start, OpenSocket& held);
bool start_loop_thread(LoopStart* start);

// False when the connection ended in a way that must not be retried by itself.
bool run_loop(const LoopStart& start) {
    ChatClient& client = *start.client;
    const unsigned session = start.session;
    bind_thread_to_session(session);
    {
        std::lock_guard<std::mutex> guard(folder_lock);
        folder_copy = start.folder;
    }
    ServerSocket& server = client.server_socket;
    // The loop holds the connection: whoever closes it meanwhile only shuts
    // it down, and the handle is closed when the loop lets go of it. All the
    // loop sends and closes is its own connection's, even once a newer one
    // has replaced it.
    const std::shared_ptr<OpenSocket> held = take_connection(start);
    if (!held) return true;
    bind_thread_to_connection(held.get());
    const bool may_retry = read_lines(start, *held);
    bind_thread_to_connection(nullptr);
    if (held->up) close_connection(server, *held);
    return may_retry;
}

bool read_lines(const LoopStart& start, OpenSocket& held) {
    ChatClient& client = *start.client;
    const unsigned session = start.session;
    ServerSocket& server = client.server_socket;
    const auto current = [&] { return held.up && current_session() == session; };
    const SecureOutcome secured = secure_connection(client, held, current);
    if (secured != SecureOutcome::ready) {
        // A reconnect would only ask the user the same question again.
        return secured != SecureOutcome::refused;
    }

    begin_registration(client, start);

    ServerLogBatch log;
    bool log_error_reported = false;
    // An unwritable log is reported once per connection, without holding up
    // the lines: the server drops a client that stops reading.
    const auto write_log = [&] {
        if (log.empty() || log.flush(client) || log_error_reported) return;
        log_error_reported = true;
        post_message_box(client.main_window, server_log_error_text, server_log_error_caption, MB_OK | MB_ICONERROR);
    };
    int idle_reads = 0;
    // The line's storage is reused: a flood of lines allocates nothing per line.
    LineReader reader;
    std::wstring line;
    TextForm form = TextForm::code_page;
    while (current()) {
        // The log is written before a read that may wait (a part of a line
        // held meanwhile changes nothing), so it lags only while lines pour in.
        if (!reader.holds_line() || log.characters() >= server_log_batch_characters) write_log();
        // All read so far is queued: a flood the window holds off for is over.
        if (!reader.holds_line() && !bytes_waiting(held)) note_receiving_paused(client);
        const int length = receive_line(reader, held, held.up, line, &form);
        if (!current()) break;
        if (length == 0) continue;  // not convertible: neither text nor silence
        if (length > 1) {
            idle_reads = 0;
            if (client.save_log_file) log.add(line);
            dispatch_line(client, line, form);
            continue;
        }
        write_log();  // a partial line held the buffer while the server paused
        if (++idle_reads < idle_read_limit) continue;
        append_server_line(client, server_not_responding_text, true);
        close_connection(server, held);
    }
    write_log();
    // Ended for a failed login the user required: a retry would fail alike.
    return !client.connection.receive.refused;
}

// What the loop throws (memory running out, chiefly) ends its connection
// rather than the process, and is told in the server tab. The reconnect
// series goes on as after any lost connection.
bool run_loop_guarded(const LoopStart& start) {
    // Copied while the exception lives, into room that needs no allocation.
    char what[128] = "unknown";
    try {
        return run_loop(start);
    } catch (const std::exception& error) {
        copy_text(what, error.what());
    } catch (...) {
    }
    ChatClient& client = *start.client;
    if (current_session() == start.session) close_connection(client.server_socket);
    try {
        append_server_line(client, format_text(receive_failed_text, wide_text(what, std::strlen(what), CP_ACP)), true);
    } catch (...) {
        // Nothing left to tell it with; the connection is closed all the same.
    }
    return true;
}

DWORD WINAPI receive_thread_main(void* parameter) {
    std::unique_ptr<LoopStart> start(static_cast<LoopStart*>(parameter));
    note_thread_role("receive");
    const bool may_retry = run_loop_guarded(*start);
    // The connection is over, and its sealed sessions with it (not those of a newer one).
    if (current_session() == start->session) forget_sealed_chats(*start->client);
    // Still current: nobody stopped the loop, the connection ended by itself.
    if (may_retry && current_session() == start->session) report_connection_lost(*start->client, start->session);
    --running_loops;
    return 0;
}
}  // namespace

std::wstring registration_username(const ChatClient& client) {
    const std::wstring own = client.connection.username;
    std::wstring name = client.check_compatible_app ? compatible_mark + own : own;
    if (name.size() > registration_username_limit) name.resize(registration_username_limit);
    return name;
}

void receive_loop(ChatClient& client) {
    run_loop_guarded(loop_start(client, current_session()));
}

bool start_receive_thread(ChatClient& client) {
    return start_loop_thread(new LoopStart(loop_start(client, begin_session())));
}

bool start_receive_thread(ChatClient& client, const ConnectTarget& target) {
    auto* start = new LoopStart(loop_start(client, begin_session()));
    start->connects = true;
    start->target = target;
    return start_loop_thread(start);
}

namespace {
bool start_loop_thread(LoopStart* start) {
    ++running_loops;
    HANDLE thread = CreateThread(nullptr, 0, receive_thread_main, start, 0, nullptr);
    if (!thread) {
        --running_loops;
        delete start;
        return false;
    }
    std::lock_guard<std::mutex> guard(thread_lock);
    if (receive_thread) CloseHandle(receive_thread);
    receive_thread = thread;
    return true;
}
}  // namespace

bool stop_receive_thread(ChatClient& client) {
    HANDLE thread = nullptr;
    {
        std::lock_guard<std::mutex> guard(thread_lock);
        thread = receive_thread;
        receive_thread = nullptr;
    }
    // From here on nothing the old connection's threads hand over is run.
    begin_session();
    if (client.server_socket.connected) close_connection(client.server_socket);
    forget_sealed_chats(client);  // a new connection makes new sessions
    if (!thread) return true;
    // Synchronous messages sent to this thread (by code of other threads that
    // still does so) are answered while waiting.
    const DWORD deadline = GetTickCount() + stop_wait_ms;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD left = static_cast<int>(deadline - now) > 0 ? deadline - now : 0;
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return ended;
}

bool receive_thread_running() {
    return running_loops > 0;
}

std::wstring program_folder() {
    std::lock_guard<std::mutex> guard(folder_lock);
    return folder_copy;
}
