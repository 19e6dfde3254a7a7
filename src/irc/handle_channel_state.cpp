// MODE and TOPIC: changes to a channel's state, kept in its slot.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"
#include "irc/channel_mode.h"
#include "irc/chat_view.h"
#include "irc/command_handlers.h"
#include "irc/irc_line.h"

void handle_mode(ChatClient& client, const IrcLine& line) {
    std::wstring sender;
    // Server mode lines and user modes change nothing here.
    if (!line_sender_nickname(line, sender)) return;
    const std::wstring& target = line.token(2);
    if (target.empty() || target[0] != L'#') return;
    ChatView chat = view_chat(client, target);
    if (!chat.found()) return;
    // Only the first change of the line: "+ov a b" counts as "+o".
    apply_channel_mode(client, line.token(3).c_str(), chat.slot, chat.generation, line.token(4).c_str());
}

void handle_topic(ChatClient& client, const IrcLine& line) {
    ChatView chat = view_chat(client, line.token(2));
    if (!chat.found()) return;
    std::wstring topic = line.text_after_token(3);
    // The topic is read on the user-interface thread (Change Topic).
    post_chat_task(client, chat.slot, chat.generation,
                   [topic](ChatRecord& record) { copy_text(record.topic, topic.c_str()); }, TaskKind::droppable);
}
