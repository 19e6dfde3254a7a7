#include "transfer/public_ip.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <cwctype>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "net/session.h"
#include "transfer/ip_sharing.h"
#include "net/internet_handle.h"

namespace {
constexpr size_t answer_read_limit = 256;
// Each network step of the lookup (connecting, sending, each read) gives up
// after this long, so a service that accepts and then says nothing cannot
// hold the lookup for ever.
constexpr DWORD step_timeout_ms = 5000;
constexpr const wchar_t* user_agent = L"Quillmere";

std::mutex url_lock;
std::atomic<size_t> lookups_running{0};
std::wstring url_override;
std::atomic<unsigned> lookups_started{0};

bool is_address_character(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F') || c == L'.' ||
           c == L':';
}

void set_timeouts(HINTERNET handle) {
    DWORD timeout = step_timeout_ms;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionW(handle, option, &timeout, sizeof timeout);
}

// The start of the service's answer, or false when there is none in time. The
// request is made in steps so that its own time limits are in force before it
// is sent.
bool fetch_answer(const std::wstring& url, std::string& answer) {
    wchar_t host[256] = {}, path[1024] = {};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 1024;
    if (!InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) return false;

    InternetHandle session(InternetOpenW(user_agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.handle) return false;
    set_timeouts(session.handle);
    InternetHandle server(
        InternetConnectW(session.handle, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!server.handle) return false;
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | (secure ? INTERNET_FLAG_SECURE : 0);
    InternetHandle request(
        HttpOpenRequestW(server.handle, L"GET", path[0] ? path : L"/", nullptr, nullptr, nullptr, flags, 0));
    if (!request.handle) return false;
    set_timeouts(request.handle);
    if (!HttpSendRequestW(request.handle, nullptr, 0, nullptr, 0)) return false;
    DWORD status = 0, size = sizeof status;
    if (HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
        status != 200)
        return false;
    char buffer[answer_read_limit];
    while (answer.size() < answer_read_limit) {
        DWORD read = 0;
        if (!InternetReadFile(request.handle, buffer, DWORD(answer_read_limit - answer.size()), &read)) return false;
        if (read == 0) break;
        answer.append(buffer, read);
    }
    return true;
}

// What the lookup thread needs, held by value: the thread may outlive the
// client (the program ends while the service is slow to answer).
struct LookupStart {
    std::wstring url;
    unsigned session;
};

DWORD WINAPI lookup_thread_main(void* parameter) {
    struct Running {
        ~Running() { --lookups_running; }
    } running;
    std::unique_ptr<LookupStart> start(static_cast<LookupStart*>(parameter));
    bind_thread_to_session(start->session);
    std::string answer;
    if (!fetch_answer(start->url, answer)) return 0;
    const std::wstring address = address_from_text(wide_text(answer, CP_THREAD_ACP));
    if (address.empty() || session_is_replaced(start->session)) return 0;
    // Stored and shown by the user-interface thread, in turn with the rest of
    // the identification; dropped there when the session has been replaced
    // meanwhile, and never handed over once the client is gone.
    use_live_client([&address](ChatClient& client) {
        post_ui_task(client, [&client, address] {
            client.connection.public_ip = address;
            if (client.server_socket.connected && client.my_ip_edit)
                SetWindowTextW(client.my_ip_edit, address.c_str());
        });
    });
    return 0;
}
}  // namespace

void set_ip_echo_url(const std::wstring& url) {
    std::lock_guard<std::mutex> guard(url_lock);
    url_override = url;
}

std::wstring ip_echo_url() {
    {
        std::lock_guard<std::mutex> guard(url_lock);
        if (!url_override.empty()) return url_override;
    }
    wchar_t value[1024];
    DWORD length = GetEnvironmentVariableW(ip_echo_url_variable, value, 1024);
    if (length > 0 && length < 1024) return value;
    return default_ip_echo_url;
}

std::wstring address_from_text(const std::wstring& text) {
    std::wstring line = text.substr(0, text.find(L'\n'));
    size_t begin = 0, end = line.size();
    while (begin < end && iswspace(line[begin])) ++begin;
    while (end > begin && iswspace(line[end - 1])) --end;
    line = line.substr(begin, end - begin);
    if (line.size() > address_limit) line.resize(address_limit);
    for (wchar_t c : line)
        if (!is_address_character(c)) return {};
    return line;
}

bool store_public_ip(ChatClient& client, const std::wstring& text) {
    std::wstring address = address_from_text(text);
    if (address.empty()) return false;
    client.connection.public_ip = address;
    return true;
}

bool lookup_public_ip(ChatClient& client) {
    std::string answer;
    if (!fetch_answer(ip_echo_url(), answer)) return false;
    if (session_is_replaced(thread_session())) return false;
    return store_public_ip(client, wide_text(answer, CP_THREAD_ACP));
}

void start_public_ip_lookup(ChatClient& client) {
    ++lookups_started;
    auto* start = new LookupStart{ip_echo_url(), thread_session()};
    ++lookups_running;
    HANDLE thread = CreateThread(nullptr, 0, lookup_thread_main, start, 0, nullptr);
    if (!thread) {
        --lookups_running;
        delete start;
        return;
    }
    CloseHandle(thread);
}

unsigned public_ip_lookups_started() {
    return lookups_started;
}

size_t public_ip_lookups_running() {
    return lookups_running;
}
