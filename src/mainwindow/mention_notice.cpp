#include "mainwindow/mention_notice.h"

#include <shellapi.h>

#include <atomic>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "mainwindow/main_window.h"
#include "mainwindow/mention_texts.h"
#include "resources/resource_ids.h"

namespace {
constexpr UINT icon_id = 1;
constexpr size_t shown_text_limit = 120;

// User-interface thread only.
bool icon_added = false;
int noticed_slot = -1;
unsigned noticed_generation = 0;

// Any thread.
std::atomic<unsigned long> asked{0};

NOTIFYICONDATAW icon_data(const ChatClient& client) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = client.main_window;
    data.uID = icon_id;
    return data;
}

void flash_until_in_front(const ChatClient& client) {
    FLASHWINFO flash{sizeof flash, client.main_window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
}

bool show_balloon(ChatClient& client, const MentionNotice& notice) {
    NOTIFYICONDATAW data = icon_data(client);
    if (!icon_added) {
        data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
        data.uCallbackMessage = msg_mention_icon;
        data.hIcon = LoadIconW(client.instance, MAKEINTRESOURCEW(IDI_QUILLMERE_SMALL));
        copy_text(data.szTip, mention_text::tip);
        icon_added = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
        if (!icon_added) return false;
    }
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    format_into(data.szInfoTitle, mention_text::title_format, notice.chat);
    format_into(data.szInfo, mention_text::body_format, notice.sender, notice.text.substr(0, shown_text_limit));
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
}  // namespace

bool NoticeGate::admit(int slot, unsigned generation) {
    if (slot < 0 || slot >= chat_slot_count) return false;
    const ULONGLONG now = clock_();
    Last& last = last_[slot];
    if (last.shown && last.generation == generation && now - last.at < interval_) return false;
    last = {true, generation, now};
    return true;
}

bool show_mention(ChatClient& client, const MentionNotice& notice, NoticeGate& gate, bool window_in_front) {
    if (window_in_front || !client.main_window) return false;
    flash_until_in_front(client);
    if (!client.notify_on_mention || !gate.admit(notice.slot, notice.generation)) return false;
    noticed_slot = notice.slot;
    noticed_generation = notice.generation;
    return show_balloon(client, notice);
}

void notify_mention(ChatClient& client, MentionNotice notice) {
    ++asked;
    post_chat_task(
        client, notice.slot, notice.generation,
        [&client, notice](ChatRecord&) {
            static NoticeGate gate;
            show_mention(client, notice, gate, GetForegroundWindow() == client.main_window);
        },
        TaskKind::droppable);
}

unsigned long mention_notices_asked() { return asked; }

void mention_icon_event(ChatClient& client, LPARAM event) {
    if (LOWORD(event) != NIN_BALLOONUSERCLICK && LOWORD(event) != WM_LBUTTONUP) return;
    if (IsIconic(client.main_window)) ShowWindow(client.main_window, SW_RESTORE);
    SetForegroundWindow(client.main_window);
    const int slot = noticed_slot;
    if (slot >= 0 && slot < chat_slot_count && client.chats[slot].in_use &&
        client.chats[slot].generation == noticed_generation)
        select_chat(client, slot);
}

void remove_mention_icon(ChatClient& client) {
    if (!icon_added) return;
    NOTIFYICONDATAW data = icon_data(client);
    Shell_NotifyIconW(NIM_DELETE, &data);
    icon_added = false;
}
