// Replies about a joined channel: its modes (324), topic (332) and users (353).

#include <cwctype>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/ui_thread.h"
#include "chat/user_list.h"
#include "irc/channel_mode.h"
#include "irc/chat_view.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/server_features.h"
#include "irc/numeric_handlers.h"

namespace {
constexpr size_t mode_letters_limit = 63;
constexpr size_t topic_limit = 399;
}  // namespace

void handle_channel_modes(ChatClient& client, const IrcLine& line) {
    const ChatView chat = view_chat(client, line.token(3));
    const std::wstring& modes = line.token(4);
    if (!chat.found() || modes.size() < 2 || modes[0] != L'+') return;
    // Arguments such as the key are not in this reply's grammar: "+k" sets
    // has_key with an empty key.
    const std::wstring letters = cut_text(modes.substr(1), mode_letters_limit);
    for (wchar_t letter : letters) {
        const wchar_t mode[] = {L'+', letter, 0};
        apply_channel_mode(client, mode, chat.slot, chat.generation, L"");
    }
}

void handle_channel_topic(ChatClient& client, const IrcLine& line) {
    const ChatView chat = view_chat(client, line.token(3));
    if (!chat.found()) return;
    const std::wstring topic = line.text_after_token(4);
    append_line(client, chat.slot, chat.generation, {{topic, colour_channel_message}});
    const std::wstring stored = cut_text(topic, topic_limit);
    post_chat_task(client, chat.slot, chat.generation,
                   [stored](ChatRecord& record) { copy_text(record.topic, stored.c_str()); }, TaskKind::droppable);
}

void handle_names_reply(ChatClient& client, const IrcLine& line) {
    const int slot = find_chat(client, line.token(4).c_str());
    if (slot <= 0) return;
    const ServerFeatures features = client.connection.features.get();
    const size_t nickname_length = granted_nickname_limit(features, nickname_capacity - 1);
    for (size_t index = 5; index < line.tokens.size(); ++index) {
        const std::wstring& token = line.tokens[index];
        std::wstring name = index == 5 ? (token.empty() ? token : token.substr(1)) : token;
        // Every mark a user has is kept (multi-prefix), then the nickname.
        name = cut_text(name, features.marks_length(name) + nickname_length);
        if (!name.empty()) add_user(client, slot, name.c_str());
    }
    refresh_user_list(client, slot);
}
