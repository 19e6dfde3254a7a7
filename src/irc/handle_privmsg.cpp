// PRIVMSG: channel and private messages. Decides whether a message is shown at
// all (channel switches, the "Silence ALL but" filter, private-chat
// acceptance), shows it (decrypted when tagged), answers with the away text,
// and hands the shown line to link processing.

#include <cwchar>

#include "app/chat_client.h"
#include "app/hidden_characters.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/silence.h"
#include "chat/ui_thread.h"
#include "crypto/message_crypto.h"
#include "irc/away_reply.h"
#include "irc/chat_view.h"
#include "irc/ctcp.h"
#include "chat/recent_speakers.h"
#include "irc/command_handlers.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/repair_utf8.h"
#include "irc/sealed_privmsg.h"
#include "irc/sounds.h"
#include "irc/statistics.h"
#include "links/link_processing.h"
#include "mainwindow/main_window.h"
#include "transfer/ip_sharing.h"

namespace {
constexpr size_t message_limit = 4095;
constexpr size_t payload_limit = 1023;
constexpr size_t notice_title_limit = 99;
constexpr wchar_t plain_line_format[] = L" - %s";
constexpr wchar_t plain_line_format_prefix[] = L" - ";
constexpr wchar_t away_line_format[] = L" - %s";

// The chat a message belongs to, or nothing when it is not to be shown.
ChatView chat_for_channel_message(ChatClient& client, ChatView chat, const std::wstring& sender) {
    if (!chat.found() || !chat.show_messages) return {};
    if (silenced_by_filter(client, sender)) return {};
    return chat;
}

void refuse_private_chat(ChatClient& client, const HandlerSettings& settings, const std::wstring& sender,
                         const std::wstring& text) {
    if (settings.reply_away_message && !settings.away_text.empty())
        send_away_reply(client, sender, text, settings.away_text);
    count_event(client, client.stats_chats_refused);
    if (settings.show_rejected_message) show_status_notice(cut_text(sender, notice_title_limit), text);
}

ChatView chat_for_private_message(ChatClient& client, ChatView chat, const HandlerSettings& settings,
                                  const std::wstring& sender, const std::wstring& text) {
    if (chat.found()) return chat;
    if (!settings.allow_open_private_chats) {
        refuse_private_chat(client, settings, sender, text);
        return {};
    }
    if (open_private_chat(client, sender.c_str(), false) <= 0) return {};
    if (settings.enable_sounds_app) play_tune(tunes::chat_accepted);
    count_event(client, client.stats_chats_accepted);
    return view_chat(client, sender);
}

bool is_mention(const ChatClient& client, const std::wstring& text) {
    const std::wstring& own = client.connection.nickname;
    return !own.empty() && text.size() > own.size() && text.find(own) != std::wstring::npos;
}

// "* nick text" in the action colour: the sender's text (decrypted, or as
// sent) keeps its formatting, shifted behind the prefix.
TextPart action_part(const std::wstring& sender, const TextPart& message) {
    const std::wstring prefix = format_text(action_line_format, sender);
    const bool plain = begins_with(message.text, plain_line_format_prefix);
    // A plain message line is " - text": the action shows " text".
    const size_t skip = plain ? wcslen(plain_line_format_prefix) - 1 : 0;
    TextPart part{prefix + message.text.substr(skip), colour_action};
    for (FormatRun run : message.runs) {
        run.start = static_cast<std::uint32_t>(prefix.size() + (run.start > skip ? run.start - skip : 0));
        part.runs.push_back(run);
    }
    return part;
}

// The part of the shown line after the sender: decrypted, or the plain text.
std::wstring message_line(const ChatClient& client, const std::wstring& text) {
    if (!is_encrypted_message(text.c_str())) return format_text(plain_line_format, text);
    return read_encrypted_message(client, cut_text(text, encrypted_message_tag_length + payload_limit).c_str());
}
}  // namespace

void handle_privmsg(ChatClient& client, const IrcLine& line) {
    const std::wstring sender = prefix_sender_nickname(line);
    if (sender.empty()) return;
    std::wstring text = cut_text(line.text_after_token(3), message_limit);
    // A line that was valid UTF-8 has been read as such already: its U+00C3 is meant.
    if (line.form == TextForm::code_page && looks_like_misread_utf8(text)) text = repair_utf8(text);
    mark_line_breaks_and_bidi(text);  // the repair may have made what the line was cleared of
    const bool to_channel = client.connection.features.is_channel(line.token(2));
    // Requests are answered or shown without opening a chat; an action is a
    // message shown in its own form.
    const Ctcp ctcp = parse_ctcp(text);
    if (ctcp.framed && !ctcp.is_action()) return handle_ctcp_request(client, sender, ctcp);
    const bool action = ctcp.is_action();
    if (action) text = ctcp.argument;
    // Answered on this thread, without waiting for the user-interface thread:
    // a flood of lines must not wait on it once per line.
    HandlerSettings settings;
    ChatView chat = view_chat_with_settings(client, to_channel ? line.token(2) : sender, settings);
    chat = to_channel ? chat_for_channel_message(client, chat, sender)
                      : chat_for_private_message(client, chat, settings, sender, text);
    if (!chat.found()) return;
    note_speaker(chat.slot, chat.generation, sender);
    if (!to_channel && take_sealed_privmsg(client, chat, sender, text)) return;

    COLORREF colour = to_channel ? colour_channel_message : colour_private_message;
    if (to_channel && is_mention(client, text)) {
        // Marked in turn with the chat's other changes (selecting it clears
        // the mark), not ahead of them.
        post_chat_task(client, chat.slot, chat.generation, [](ChatRecord& record) { record.mention = true; },
                       TaskKind::droppable);
        colour = colour_mention;
        if (settings.enable_sounds_app) play_tune(tunes::mention);
        count_event(client, client.stats_mentions);
    }

    // The IP-sharing tags are acted on and never shown; an encrypted message
    // is never one of them, whatever follows its tag.
    const bool ip_tag = !action && !is_encrypted_message(text.c_str()) &&
                        handle_ip_sharing_tag(client, chat.slot, chat.generation, sender.c_str(), text.c_str());
    std::wstring shown;
    if (!ip_tag) {
        TextPart message = sender_text(client, message_line(client, text), colour);
        shown = message.text;
        if (action)
            append_line(client, chat.slot, chat.generation, {action_part(sender, message)});
        else
            append_line(client, chat.slot, chat.generation, {{bracketed(sender), colour_nick}, std::move(message)});
    }

    if (colour == colour_private_message && settings.reply_away_message && !settings.away_text.empty() &&
        send_away_reply(client, sender, text, settings.away_text))
        append_line(client, chat.slot, chat.generation,
                    {{bracketed(client.connection.nickname), colour_white, colour_away_back},
                     {format_text(away_line_format, settings.away_text), colour_white}});

    if (ip_tag) return;
    if (chat.selected && chat.message_sound) play_tune(tunes::message_click);
    if (chat.process_links) process_link(client, chat.slot, shown);
}
