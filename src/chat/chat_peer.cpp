// What is known about a private chat's correspondent: its address for file
// transfer and its user@host, which tells whether it runs this program.
// Both setters run on the user-interface thread (see chat_tabs.cpp).

#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "transfer/ip_sharing.h"

namespace {
// What this program puts before the user name at registration when the
// compatibility check is on.
constexpr const wchar_t* compatible_mark = L"z-z";
constexpr size_t compatible_mark_length = 3;

bool valid_slot(int slot) {
    return slot > 0 && slot < chat_slot_count;
}

void set_peer_ip_here(ChatClient& client, int slot, const wchar_t* address) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use) return;
    copy_text(chat.peer_ip, address);
    // The box shows the selected chat's peer; another chat's address waits
    // until that chat is selected.
    if (client.current_chat == &chat && client.peer_ip_edit) SetWindowTextW(client.peer_ip_edit, chat.peer_ip);
    update_send_file_button(client);
}

void set_user_host_here(ChatClient& client, int slot, const wchar_t* text) {
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || chat.is_channel) return;
    copy_text(chat.user_host, text);
    if (client.check_compatible_app) {
        if (wcslen(text) > 2 && _wcsnicmp(text, compatible_mark, compatible_mark_length) == 0) chat.peer_ready = true;
    } else {
        if (client.compatible_icon) ShowWindow(client.compatible_icon, SW_HIDE);
        chat.peer_ready = true;
    }
    // The controls belong to the selected chat; selecting this one later
    // enables them from peer_ready.
    if (chat.peer_ready && client.current_chat == &chat) {
        for (HWND control : {client.compatible_icon, client.share_ip_check, client.get_ip_button})
            if (control) EnableWindow(control, TRUE);
    }
}
}  // namespace

void set_peer_ip(ChatClient& client, int slot, unsigned generation, const wchar_t* address) {
    if (!valid_slot(slot)) return;
    std::wstring text = address ? address : L"";
    post_chat_task(client, slot, generation,
                   [&client, slot, text](ChatRecord&) { set_peer_ip_here(client, slot, text.c_str()); },
                   TaskKind::droppable);
}

void set_user_host(ChatClient& client, int slot, unsigned generation, const wchar_t* user_host) {
    if (!valid_slot(slot) || !user_host || !*user_host) return;
    std::wstring text = user_host;
    post_chat_task(client, slot, generation,
                   [&client, slot, text](ChatRecord&) { set_user_host_here(client, slot, text.c_str()); },
                   TaskKind::droppable);
}

void set_peer_ip(ChatClient& client, int slot, const wchar_t* address) {
    if (valid_slot(slot)) set_peer_ip(client, slot, client.chats[slot].generation, address);
}

void set_user_host(ChatClient& client, int slot, const wchar_t* user_host) {
    if (valid_slot(slot)) set_user_host(client, slot, client.chats[slot].generation, user_host);
}
