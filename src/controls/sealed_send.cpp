#include "controls/sealed_send.h"

#include <chrono>
#include <cwchar>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/sealed_state.h"
#include "chat/ui_thread.h"
#include "connection/receive_loop.h"
#include "controls/message_split.h"
#include "crypto/key_derivation.h"
#include "crypto/sealed/sealed_texts.h"
#include "irc/handler_support.h"
#include "mainwindow/sealed_banner.h"
#include "net/irc_commands.h"

namespace {

std::wstring wide(const std::string& line) { return wide_text(line, CP_UTF8); }

void note(ChatClient& client, int slot, const wchar_t* text, bool warning) {
    append_line(client, slot,
                {{text, warning ? colour_error_text : colour_encrypted_echo, warning ? colour_error_back : colour_black}});
}

// Sends every part sealed, or nothing when no session holds.
bool send_sealed_parts(ChatClient& client, int slot, const std::wstring& nickname, const std::wstring& text,
                       PayloadKind kind = PayloadKind::text) {
    SealedChatState& state = sealed_state(client);
    const size_t room = message_room(client.connection.nickname.get(), registration_username(client), nickname);
    const std::vector<std::wstring> parts = split_message(text, sealed_text_room(room), CP_UTF8);
    if (parts.empty()) return false;
    std::vector<std::string> lines;
    for (const std::wstring& part : parts) {
        std::optional<std::string> line = state.chats.seal(sealed_nick(nickname), kind, utf8_text(part));
        if (!line) return false;
        lines.push_back(*line);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        send_command(client.server_socket, irc::privmsg, nickname, wide(lines[i]));
        const std::wstring own = client.connection.nickname.get();
        const std::wstring shown =
            kind == PayloadKind::action
                ? format_text(sealed_text::action_format, sealed_text::sealed_marker, own, parts[i])
                : format_text(sealed_text::line_format, sealed_text::sealed_marker, parts[i]);
        append_line(client, slot, {{bracketed(own), colour_white, colour_away_back}, {shown, colour_encrypted_echo}});
    }
    return true;
}

std::vector<std::wstring> take_held(SealedChatState& state, const std::wstring& nickname) {
    std::lock_guard<std::mutex> guard(state.held_lock);
    std::vector<std::wstring> lines;
    auto found = state.held.find(sealed_key(nickname));
    if (found == state.held.end()) return lines;
    lines.swap(found->second);
    state.held.erase(found);
    return lines;
}

// User-interface thread, once the wait is over: offers left unanswered fall
// back, and their held lines go the compatible way.
void expire_offers(ChatClient& client) {
    SealedChatState& state = sealed_state(client);
    for (const std::string& peer : state.chats.expire(sealed_clock_ms())) {
        const std::wstring nickname = text_from_utf8(peer);
        const int slot = find_chat(client, nickname.c_str());
        std::vector<std::wstring> held = take_held(state, nickname);
        if (slot <= 0) continue;
        note(client, slot, sealed_text::fallback, true);
        for (const std::wstring& line : held) send_text_to_chat(client, client.chats[slot], line);
    }
}

void wait_for_answer(ChatClient& client) {
    const int64_t wait = sealed_state(client).answer_wait_ms;
    std::thread([wait] {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        use_live_client([](ChatClient& live) { post_ui_task(live, [&live] { expire_offers(live); }); });
    }).detach();
}

bool start_offer(ChatClient& client, ChatRecord& chat, const std::wstring& nickname) {
    std::string password;
    const std::wstring chosen(chat.password, wcsnlen(chat.password, sizeof chat.password / sizeof *chat.password));
    if (chosen.empty() || !latin1_bytes(chosen, password)) return false;
    SealedChatState& state = sealed_state(client);
    state.chats.set_answer_wait(state.answer_wait_ms);
    const std::string offer = state.chats.offer(sealed_nick(client.connection.nickname.get()), sealed_nick(nickname),
                                                Bytes(password.begin(), password.end()), sealed_clock_ms());
    wipe_text(password);
    send_command(client.server_socket, irc::privmsg, nickname, wide(offer));
    show_sealed_standing(client);
    wait_for_answer(client);
    return true;
}

}  // namespace

std::optional<InputOutcome> send_sealed_message(ChatClient& client, ChatRecord& chat, const std::wstring& target,
                                                const std::wstring& text, bool encrypted) {
    SealedChatState& state = sealed_state(client);
    if (!encrypted || chat.is_channel || !state.offer_sealed_chats) return std::nullopt;
    switch (state.chats.state(sealed_nick(target))) {
    case SealedChats::State::sealed:
        if (send_sealed_parts(client, chat.slot, target, text)) return InputOutcome::encrypted_sent;
        return InputOutcome::too_long;
    case SealedChats::State::compatible: return std::nullopt;
    case SealedChats::State::none:
        if (!start_offer(client, chat, target)) return std::nullopt;
        note(client, chat.slot, sealed_text::offering, false);
        break;
    case SealedChats::State::offering: break;
    }
    std::lock_guard<std::mutex> guard(state.held_lock);
    state.held[sealed_key(target)].push_back(text);
    return InputOutcome::encrypted_sent;
}

bool send_sealed_action(ChatClient& client, ChatRecord& chat, const std::wstring& action) {
    if (chat.is_channel || chat.slot <= 0) return false;
    const std::wstring nickname = chat_name(client, chat.slot);
    if (sealed_state(client).chats.state(sealed_nick(nickname)) != SealedChats::State::sealed) return false;
    return send_sealed_parts(client, chat.slot, nickname, action, PayloadKind::action);
}

void offer_sealed_chat(ChatClient& client, ChatRecord& chat) {
    SealedChatState& state = sealed_state(client);
    if (chat.is_channel || !state.offer_sealed_chats || !client.server_socket.connected) return;
    std::wstring name;
    {
        std::lock_guard<std::mutex> guard(chat.lock);
        name = chat.name;
    }
    const SealedChats::State now = state.chats.state(sealed_nick(name));
    if (now == SealedChats::State::sealed || now == SealedChats::State::offering) return;
    if (start_offer(client, chat, name)) note(client, chat.slot, sealed_text::offering, false);
}

void send_held_sealed_lines(ChatClient& client, int slot, const std::wstring& nickname) {
    for (const std::wstring& line : take_held(sealed_state(client), nickname)) send_sealed_parts(client, slot, nickname, line);
}

void send_sealed_address(ChatClient& client, int slot, unsigned generation, const std::wstring& nickname) {
    if (slot <= 0 || slot >= chat_slot_count) return;
    const ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || !chat.share_ip || chat.generation != generation) return;
    const std::wstring address = client.connection.public_ip.get();
    std::optional<std::string> line =
        sealed_state(client).chats.seal(sealed_nick(nickname), PayloadKind::address, utf8_text(address));
    if (line) send_command(client.server_socket, irc::privmsg, nickname, wide(*line));
}
