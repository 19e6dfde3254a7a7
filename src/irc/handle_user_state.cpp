// AWAY and ACCOUNT: another user went away, came back, logged in or out.
// Told in the private chat with that user when one is open.

#include "app/chat_client.h"
#include "app/text.h"
#include "irc/chat_view.h"
#include "irc/command_handlers.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/login_texts.h"

namespace {
void tell_private_chat(ChatClient& client, const std::wstring& nickname, const std::wstring& text) {
    const ChatView chat = view_chat(client, nickname);
    if (!chat.found() || chat.is_channel) return;
    append_line(client, chat.slot, chat.generation, {{text, colour_event}});
}
}  // namespace

void handle_away(ChatClient& client, const IrcLine& line) {
    std::wstring sender;
    if (!line_sender_nickname(line, sender)) return;
    const std::wstring reason = line.text_after_token(2);
    tell_private_chat(client, sender,
                      reason.empty() ? format_text(login_text::back_format, sender)
                                     : format_text(login_text::away_format, sender, reason));
}

void handle_account(ChatClient& client, const IrcLine& line) {
    std::wstring sender;
    if (!line_sender_nickname(line, sender)) return;
    const std::wstring& account = line.token(2);
    tell_private_chat(client, sender,
                      account == L"*" || account.empty() ? format_text(login_text::no_account_format, sender)
                                                         : format_text(login_text::account_format, sender, account));
}
