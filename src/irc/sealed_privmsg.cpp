#include "irc/sealed_privmsg.h"

#include <cstring>
#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/sealed_state.h"
#include "chat/ui_thread.h"
#include "connection/receive_loop.h"
#include "controls/input_line.h"
#include "controls/message_split.h"
#include "controls/sealed_send.h"
#include "crypto/message_crypto.h"
#include "crypto/sealed/sealed_texts.h"
#include "crypto/stored_passwords.h"
#include "irc/chat_view.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "mainwindow/mention_notice.h"
#include "mainwindow/sealed_banner.h"
#include "mainwindow/window_helpers.h"
#include "net/irc_commands.h"
#include "transfer/ip_sharing.h"
#include "transfer/sealed_file_receive.h"

namespace {
constexpr size_t payload_limit = 1023;

std::vector<CandidatePassword> candidates(const ChatClient& client) {
    StoredPasswords stored(client);
    std::vector<CandidatePassword> out;
    for (const StoredPasswords::Entry& entry : stored.entries())
        out.push_back({entry.slot, Bytes(entry.password.begin(), entry.password.end())});
    return out;
}

void wipe_candidates(std::vector<CandidatePassword>& list) {
    for (CandidatePassword& candidate : list) wipe(candidate.password);
}

void say(ChatClient& client, const ChatView& chat, const std::wstring& text, bool warning) {
    append_line(client, chat.slot, chat.generation,
                {{text, warning ? colour_error_text : colour_encrypted_echo, warning ? colour_error_back : colour_black}});
}

// The answering side's chat takes the password that matched, as if picked.
void select_password(ChatClient& client, const ChatView& chat, int slot) {
    std::wstring password;
    {
        std::lock_guard<std::mutex> guard(client.password_lock);
        const char* stored = client.encryption_passwords[slot];
        password = latin1_text(stored, strnlen(stored, password_capacity - 1));
    }
    post_chat_task(client, chat.slot, chat.generation, [&client, password, slot](ChatRecord& record) {
        copy_text(record.password, password.c_str());
        record.encrypt_messages = true;
        if (!record.selected || !client.password_combo) return;
        const LRESULT count = SendMessageW(client.password_combo, CB_GETCOUNT, 0, 0);
        for (LRESULT item = 0; item < count; ++item)
            if (SendMessageW(client.password_combo, CB_GETITEMDATA, item, 0) == slot)
                SendMessageW(client.password_combo, CB_SETCURSEL, item, 0);
        if (client.password_edit) SetWindowTextW(client.password_edit, record.password);
        set_check(client.encrypt_check, true);
        enable_control(client.lock_icon, true);
        show_control(client.encrypt_banner, true);
        show_control(client.encrypted_text_edit, true);
    });
}

void show_notice(ChatClient& client, const ChatView& chat, const std::wstring& sender, const SealedNotice& notice) {
    switch (notice.kind) {
    case SealedNotice::Kind::established:
        if (notice.slot > 0) select_password(client, chat, notice.slot);
        say(client, chat, sealed_text::established, false);
        post_sealed_standing(client);
        send_held_sealed_lines(client, chat.slot, sender);
        break;
    case SealedNotice::Kind::mismatch: say(client, chat, sealed_text::mismatch, true); break;
    case SealedNotice::Kind::refused: say(client, chat, sealed_text::refused, true); break;
    case SealedNotice::Kind::fallback: say(client, chat, sealed_text::fallback, true); break;
    case SealedNotice::Kind::rejected: say(client, chat, sealed_text::rejected, true); break;
    case SealedNotice::Kind::missed:
        say(client, chat, format_text(sealed_text::missed_format, static_cast<long long>(notice.count)),
            true);
        break;
    }
}

void show_message(ChatClient& client, const ChatView& chat, const std::wstring& sender, const OpenedMessage& message) {
    const std::wstring body = cut_text(text_from_utf8(message.body), payload_limit);
    if (message.kind == PayloadKind::file) {
        expect_sealed_file(client, chat, sender, message.body);
        return;
    }
    if (message.kind == PayloadKind::address) {
        set_peer_ip(client, chat.slot, chat.generation, body.c_str());
        return;
    }
    const std::wstring shown = message.kind == PayloadKind::action
                                   ? format_text(sealed_text::action_format, sealed_text::sealed_marker, sender, body)
                                   : format_text(sealed_text::line_format, sealed_text::sealed_marker, body);
    append_line(client, chat.slot, chat.generation, {{bracketed(sender), colour_nick}, {shown, colour_private_message}});
    // A private line, sealed or not, is worth a notice when the window is behind others.
    notify_mention(client, {chat.slot, chat.generation, chat_name(client, chat.slot), sender, shown.substr(1)});
}

// A compatible-format or plain line from a correspondent whose chat is sealed.
void show_unsealed(ChatClient& client, const ChatView& chat, const std::wstring& sender, const std::wstring& text) {
    std::wstring body = is_encrypted_message(text.c_str())
                            ? read_encrypted_message(client, cut_text(text, encrypted_message_tag_length + payload_limit).c_str())
                            : L" - " + text;
    const std::wstring shown = std::wstring(sealed_text::unsealed_marker) + body;
    append_line(client, chat.slot, chat.generation, {{bracketed(sender), colour_nick}, {L" " + shown, colour_private_message}});
    say(client, chat, sealed_text::unsealed_warning, true);
    notify_mention(client, {chat.slot, chat.generation, chat_name(client, chat.slot), sender, shown});
}
}  // namespace

bool take_sealed_privmsg(ChatClient& client, const ChatView& chat, const std::wstring& sender, const std::wstring& text) {
    SealedChatState& state = sealed_state(client);
    if (!state.offer_sealed_chats || !chat.found() || chat.is_channel) return false;
    const std::string peer = sealed_nick(sender);
    const std::string narrow = utf8_text(text.data(), text.size());
    std::vector<CandidatePassword> stored;
    const bool handshake = begins_with(text, L"[ZOVKEX02]");
    if (handshake) stored = candidates(client);
    const size_t room = message_room(client.connection.nickname.get(), registration_username(client), sender);
    SealedOutcome outcome = state.chats.receive(sealed_nick(client.connection.nickname.get()), peer, narrow, stored,
                                                room, sealed_clock_ms());
    wipe_candidates(stored);
    if (!outcome.handled) {
        if (state.chats.state(peer) != SealedChats::State::sealed) return false;
        // Asked for the address by a sealed correspondent: the answer goes sealed.
        if (begins_with(text, ip_request_tag)) {
            send_sealed_address(client, chat.slot, chat.generation, sender);
            return true;
        }
        show_unsealed(client, chat, sender, text);
        return true;
    }
    for (const std::string& reply : outcome.replies)
        send_command(client.server_socket, irc::privmsg, sender, wide_text(reply, CP_UTF8));
    for (const SealedNotice& notice : outcome.notices) show_notice(client, chat, sender, notice);
    if (outcome.message) show_message(client, chat, sender, *outcome.message);
    return true;
}
