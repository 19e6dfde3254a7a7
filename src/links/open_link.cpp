#include "links/open_link.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "links/link_check.h"
#include "links/link_texts.h"
#include "mainwindow/main_window.h"

namespace {
constexpr UINT_PTR refused_report_timer_id = 0x4C4E;

void open_with_shell(const std::wstring& link, int show_command) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpFile = link.c_str();
    info.nShow = show_command;
    // Failures of the shell are not reported: the user sees no browser and
    // can open the address by hand.
    ShellExecuteExW(&info);
}

std::atomic<LinkOpener> link_opener{nullptr};

unsigned long long system_milliseconds() {
    return GetTickCount64();
}

// Decided where the link is found (the receive thread), so that refused links
// never take room in the user-interface thread's queue. Never destroyed: the
// receive thread may still be finding links while static objects go.
struct OpenState {
    std::mutex lock;
    LinkOpenLimiter limiter{system_milliseconds};
    int refused = 0;  // since the last notice; the first one arms the notice
};

OpenState& open_state() {
    static OpenState* state = new OpenState;
    return *state;
}

void CALLBACK report_refused_links(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    OpenState& state = open_state();
    int refused = 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        refused = state.refused;
        state.refused = 0;
    }
    if (refused > 0)
        show_status_notice(link_text::open_title, format_text(link_text::not_opened_format, refused));
}

// On the user-interface thread: the notice follows when the burst had time
// to arrive, counting every link it refused.
void arm_refused_report(ChatClient& client) {
    if (!client.main_window ||
        !SetTimer(client.main_window, refused_report_timer_id, refused_links_report_delay_ms, report_refused_links))
        report_refused_links(nullptr, 0, 0, 0);
}
}  // namespace

void open_link(const std::wstring& link, int show_command) {
    if (!is_web_link(link)) return;
    const LinkOpener opener = link_opener;
    (opener ? opener : open_with_shell)(link, show_command);
}

void open_link_later(ChatClient& client, const std::wstring& link, int show_command) {
    if (!is_web_link(link)) return;
    OpenState& state = open_state();
    bool admitted = false, first_refused = false;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        admitted = state.limiter.admit(link);
        if (!admitted) first_refused = ++state.refused == 1;
    }
    if (admitted)
        post_ui_task(client, [link, show_command] { open_link(link, show_command); }, TaskKind::droppable);
    else if (first_refused)
        // Even for a replaced session: the count waits for this notice.
        post_ui_task(client, [&client] { arm_refused_report(client); }, TaskKind::always);
}

void set_link_opener(LinkOpener opener) {
    link_opener = opener;
}

void reset_link_open_limiter(LinkOpenLimiter::Clock clock) {
    OpenState& state = open_state();
    std::lock_guard<std::mutex> guard(state.lock);
    state.limiter = LinkOpenLimiter(clock ? std::move(clock) : LinkOpenLimiter::Clock(system_milliseconds));
    state.refused = 0;
}
