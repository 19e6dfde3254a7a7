// WHOIS replies about a correspondent, collected for its user-info box.

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "irc/chat_view.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"
#include "irc/whois.h"

namespace {
// The rest of the line from the space that ends token 3 (it begins with that
// space); empty when token 3 ends the line.
std::wstring text_after_nickname(const IrcLine& line) {
    const size_t end = line.token_start(3) + line.token(3).size();
    return end < line.text.size() ? line.text.substr(end) : std::wstring();
}
}  // namespace

void handle_whois_line(ChatClient& client, const IrcLine& line) {
    const int slot = find_chat(client, line.token(3).c_str());
    if (slot <= 0) return;
    std::string text = utf8_text(text_after_nickname(line));
    ChatRecord& chat = client.chats[slot];
    std::lock_guard<std::mutex> guard(chat.lock);
    // Every WHOIS adds its lines again; a server that keeps sending them must
    // not grow the list without end.
    if (chat.whois_lines.size() >= whois_line_limit)
        chat.whois_lines.erase(chat.whois_lines.begin(),
                               chat.whois_lines.begin() + (chat.whois_lines.size() - whois_line_limit + 1));
    chat.whois_lines.push_back(std::move(text));
}

void handle_whois_end(ChatClient& client, const IrcLine& line) {
    const ChatView chat = view_chat(client, line.token(3));
    if (!chat.found()) return;
    // The box is a window: it is filled on its own thread, and only while it
    // shows this chat's correspondent (the user may have switched tabs since);
    // another chat's lines appear when that chat is selected.
    post_chat_task(
        client, chat.slot, chat.generation,
        [&client](ChatRecord& record) {
            if (client.current_chat == &record) show_whois(client, record.slot);
        },
        TaskKind::droppable);
}
