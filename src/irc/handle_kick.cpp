// KICK: another user's removal is announced in the channel; the user's own is
// announced as an error with a tune, and the tab stays open.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "irc/chat_view.h"
#include "irc/command_handlers.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/sounds.h"

namespace {
constexpr wchar_t kicked_arrow[] = L"<--- ";
constexpr wchar_t kicked_by[] = L" Kicked  by ";
constexpr wchar_t you_were_kicked[] = L"You have been kicked by [%s] from this channel";
}  // namespace

void handle_kick(ChatClient& client, const IrcLine& line) {
    std::wstring kicker;
    if (!line_sender_nickname(line, kicker)) return;
    const std::wstring& channel = line.token(2);
    const std::wstring victim = cut_text(line.token(3), sender_nickname_limit);
    if (victim.empty()) return;
    ChatView chat = view_chat(client, channel);

    if (is_own_nickname(client, victim.c_str())) {
        if (chat.found())
            append_line(client, chat.slot, chat.generation,
                        {{format_text(you_were_kicked, kicker), colour_error_text, colour_error_back}});
        if (read_handler_settings(client).enable_sounds_app) play_tune(tunes::kicked);
        return;
    }
    if (!chat.found() || !chat.is_channel) return;
    if (remove_user(victim.c_str(), client, chat.slot))
        append_line(client, chat.slot, chat.generation,
                    {{kicked_arrow, colour_event},
                     {bracketed(victim), colour_nick},
                     {kicked_by, colour_event},
                     {bracketed(kicker), colour_nick}});
}
