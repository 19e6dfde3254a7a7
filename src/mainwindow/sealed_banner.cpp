#include "mainwindow/sealed_banner.h"

#include <cwchar>
#include <mutex>
#include <string>

#include "app/chat_client.h"
#include "chat/sealed_state.h"
#include "chat/ui_thread.h"
#include "crypto/sealed/sealed_texts.h"
#include "mainwindow/control_table.h"

namespace {
bool selected_chat_sealed(ChatClient& client) {
    const ChatRecord* chat = client.current_chat;
    if (!chat || !chat->in_use || chat->slot <= 0 || chat->is_channel) return false;
    std::wstring name;
    {
        std::lock_guard<std::mutex> guard(chat->lock);
        name = chat->name;
    }
    return sealed_state(client).chats.state(sealed_nick(name)) == SealedChats::State::sealed;
}
}  // namespace

void show_sealed_standing(ChatClient& client) {
    if (!client.encrypt_banner) return;
    const wchar_t* wanted = selected_chat_sealed(client) ? sealed_text::established : encrypt_banner_text;
    // Set only on a change: the banner repaints on every setting.
    wchar_t shown[128] = {};
    GetWindowTextW(client.encrypt_banner, shown, static_cast<int>(sizeof shown / sizeof *shown));
    if (std::wcscmp(shown, wanted) != 0) SetWindowTextW(client.encrypt_banner, wanted);
}

void post_sealed_standing(ChatClient& client) {
    post_ui_task(client, [&client] { show_sealed_standing(client); }, TaskKind::always);
}
