#include "irc/channel_mode.h"

#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "mainwindow/main_window.h"

namespace {
bool mode_is(const wchar_t* mode, const wchar_t* change) {
    return wcsncmp(mode, change, 2) == 0;
}

void change_flags(ChatRecord& chat, const wchar_t* mode, const wchar_t* argument) {
    if (mode_is(mode, L"+k")) {
        chat.has_key = true;
        copy_text(chat.key, argument);
    } else if (mode_is(mode, L"-k")) {
        chat.has_key = false;
    } else if (mode_is(mode, L"+s") || mode_is(mode, L"+p")) {
        chat.secret = true;
    } else if (mode_is(mode, L"-s") || mode_is(mode, L"-p")) {
        chat.secret = false;
    } else if (mode_is(mode, L"+o")) {
        // Whoever is named: the server only lets an operator hand out +o, and
        // seeing it is the program's sign of being one.
        chat.is_operator = true;
    } else if (mode_is(mode, L"+t")) {
        chat.topic_protected = true;
    } else if (mode_is(mode, L"-t")) {
        chat.topic_protected = false;
    } else if (mode_is(mode, L"+m")) {
        chat.moderated = true;
    } else if (mode_is(mode, L"-m")) {
        chat.moderated = false;
    }
}
}  // namespace

void apply_channel_mode(ChatClient& client, const wchar_t* mode_text, int slot, unsigned generation,
                        const wchar_t* argument) {
    if (slot <= 0 || slot >= chat_slot_count) return;
    std::wstring mode = mode_text ? mode_text : L"";
    std::wstring value = argument ? argument : L"";
    post_chat_task(client, slot, generation, [&client, mode, value](ChatRecord& chat) {
        change_flags(chat, mode.c_str(), value.c_str());
        if (client.current_chat == &chat) refresh_channel_controls(client);
    }, TaskKind::droppable);
}

void apply_channel_mode(ChatClient& client, const wchar_t* mode_text, int slot, const wchar_t* argument) {
    if (slot <= 0 || slot >= chat_slot_count) return;
    apply_channel_mode(client, mode_text, slot, client.chats[slot].generation, argument);
}
