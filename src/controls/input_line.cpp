#include "controls/input_line.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/message_split.h"
#include "controls/sealed_send.h"
#include "controls/slash_commands.h"
#include "controls/typed_commands.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_derivation.h"
#include "crypto/message_crypto.h"
#include "framework/message_box.h"
#include "net/irc_commands.h"
#include "connection/receive_loop.h"

namespace {

void show_error(ChatClient& client, int slot, const wchar_t* text) {
    append_chat_text(text, client, slot, colour_error_text, colour_error_back, true);
}

// Text pasted into the line may hold line breaks. Sent as they are, they would
// end the IRC line early and make whatever follows a command of its own.
std::wstring single_line(const wchar_t* line) {
    std::wstring text = line;
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n') c = L' ';
    return text;
}

bool fits(const std::wstring& line) {
    return !line.empty() && line.size() < outgoing_line_capacity;
}

InputOutcome send_slash_command(ChatClient& client, const std::wstring& text) {
    if (std::optional<InputOutcome> done = run_typed_command(client, text)) return *done;
    const SlashCommand* command = find_slash_command(text.c_str());
    if (!command) {
        show_error(client, client.current_chat->slot, format_text(unknown_command_format, command_word(text)).c_str());
        return InputOutcome::invalid_command;
    }
    const std::wstring line = format_slash_command(*command, text.c_str());
    if (!fits(line)) {
        show_error(client, client.current_chat->slot, line_too_long_text);
        return InputOutcome::too_long;
    }
    send_line(line.c_str(), client.server_socket);
    return InputOutcome::command_sent;
}

// The hexadecimal block for the text under the chat's password, or empty when
// it could not be made (reported to the user here).
std::wstring encrypt_for_chat(ChatClient& client, const std::wstring& text, const std::wstring& password) {
    std::string narrow_message = encode_wire_text(text, CP_THREAD_ACP);
    // The bytes must be those the stored passwords are kept in, or the
    // correspondent's copy of the same password would not open the message. A
    // password without such bytes is not sent under a substitute key.
    std::string narrow_password;
    std::wstring block;
    if (latin1_bytes(password, narrow_password)) {
        try {
            block = wide_text(encrypt_message(narrow_message, narrow_password), CP_THREAD_ACP);
        } catch (const CryptoPP::Exception& error) {
            LibraryErrorLog log;
            log.add(error);
        }
    }
    wipe_text(narrow_message);
    wipe_text(narrow_password);
    if (block.empty())
        show_message_box(client.main_window, encryption_error_text, encryption_error_caption, MB_OK | MB_ICONERROR);
    return block;
}

void echo_message(ChatClient& client, int slot, const std::wstring& text, bool encrypted) {
    append_chat_text(format_text(own_nickname_format, client.connection.nickname).c_str(), client, slot, colour_white,
                     colour_away_back, false);
    if (encrypted)
        append_chat_text(format_text(encrypted_echo_format, encrypted_marker, text).c_str(), client, slot,
                         colour_encrypted_echo, colour_black, true);
    else
        append_chat_text(format_text(plain_echo_format, text).c_str(), client, slot, colour_white, colour_black, true);
    append_chat_text(L"", client, slot, keep_format, keep_format, false);
}

void echo_action(ChatClient& client, int slot, const std::wstring& text, bool encrypted) {
    const std::wstring line = encrypted ? format_text(encrypted_action_echo_format, client.connection.nickname,
                                                      encrypted_marker, text)
                                        : format_text(action_echo_format, client.connection.nickname, text);
    append_chat_text(line.c_str(), client, slot, encrypted ? colour_encrypted_echo : colour_action, colour_black,
                     true);
    append_chat_text(L"", client, slot, keep_format, keep_format, false);
}

// The parts the text goes out in, each fitting one relayed line; empty when
// the text is refused for its length.
std::vector<std::wstring> message_parts(ChatClient& client, const std::wstring& target, const std::wstring& text,
                                        bool encrypted, bool action) {
    if (text.size() > longest_message) return {};
    size_t room = message_room(client.connection.nickname.get(), registration_username(client), target);
    room = action ? (room > action_frame_length ? room - action_frame_length : 0) : room;
    if (encrypted) return split_message(text, encrypted_text_room(room), CP_THREAD_ACP);
    return split_message(text, room, CP_ACP);
}

InputOutcome refuse_server_tab_text(ChatClient& client) {
    show_error(client, 0, invalid_command_text);
    return InputOutcome::invalid_command;
}

InputOutcome send_chat_message(ChatClient& client, const std::wstring& text) {
    const int slot = client.current_chat->slot;
    if (slot == 0) return refuse_server_tab_text(client);
    return send_to_chat(client, slot, text, false);
}

}  // namespace

InputOutcome send_to_chat(ChatClient& client, int slot, const std::wstring& text, bool action) {
    ChatRecord& chat = client.chats[slot];
    const std::wstring target = chat_name(client, slot);
    const std::wstring password(chat.password, wcsnlen(chat.password, sizeof chat.password / sizeof *chat.password));
    const bool encrypted = chat.encrypt_messages && !password.empty();
    if (action) {
        if (send_sealed_action(client, chat, text)) return InputOutcome::encrypted_sent;
    } else if (const std::optional<InputOutcome> sealed = send_sealed_message(client, chat, target, text, encrypted)) {
        return *sealed;
    }

    const std::vector<std::wstring> parts = message_parts(client, target, text, encrypted, action);
    if (parts.empty()) {
        show_error(client, slot, line_too_long_text);
        return InputOutcome::too_long;
    }
    // Every part is made before any goes out: a failure sends nothing.
    std::vector<std::wstring> lines, blocks;
    for (const std::wstring& part : parts) {
        if (encrypted) {
            blocks.push_back(encrypt_for_chat(client, part, password));
            if (blocks.back().empty()) return InputOutcome::encryption_failed;
            lines.push_back(format_command(action ? irc::action_tagged : irc::privmsg_tagged, target,
                                           encrypted_message_tag, blocks.back()));
        } else {
            lines.push_back(format_command(action ? irc::action : irc::privmsg, target, part));
        }
        if (!fits(lines.back())) {
            show_error(client, slot, line_too_long_text);
            return InputOutcome::too_long;
        }
    }
    if (encrypted && client.encrypted_text_edit) {
        std::wstring shown;
        for (const std::wstring& block : blocks) shown += (shown.empty() ? L"" : L" ") + block;
        SetWindowTextW(client.encrypted_text_edit, shown.c_str());
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        send_line(lines[i].c_str(), client.server_socket);
        if (action)
            echo_action(client, slot, parts[i], encrypted);
        else
            echo_message(client, slot, parts[i], encrypted);
    }
    return encrypted ? InputOutcome::encrypted_sent : InputOutcome::message_sent;
}

InputOutcome send_text_to_chat(ChatClient& client, ChatRecord& chat, const std::wstring& text) {
    if (chat.slot == 0) return refuse_server_tab_text(client);
    return send_to_chat(client, chat.slot, text, false);
}
InputOutcome process_input_line(ChatClient& client, const wchar_t* line) {
    const std::wstring text = single_line(line ? line : L"");
    if (text.empty()) return InputOutcome::ignored;
    if (text[0] == L'/') return send_slash_command(client, text);
    return send_text_to_chat(client, *client.current_chat, text);
}

bool has_line_breaks(const std::wstring& text) {
    return text.find_first_of(L"\r\n") != std::wstring::npos;
}

InputOutcome process_pasted_lines(ChatClient& client, const std::wstring& text, std::wstring& rest) {
    rest.clear();
    ChatRecord& chat = *client.current_chat;
    InputOutcome outcome = InputOutcome::ignored;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
        const std::wstring line = text.substr(start, end - start);
        if (!line.empty()) {
            outcome = send_text_to_chat(client, chat, line);
            if (!clears_input(outcome)) {
                rest = text.substr(start);
                return outcome;
            }
            // On the server tab nothing is sent: one refusal says so.
            if (outcome == InputOutcome::invalid_command) return outcome;
        }
        start = end + 1;
    }
    return outcome;
}

void process_offline_line(ChatClient& client, const wchar_t* line) {
    ChatRecord& chat = *client.current_chat;
    if (line && std::wcscmp(line, local_address_command) == 0 && chat.slot > 0 && !chat.is_channel) {
        // Marked first: storing the address re-evaluates the "Send encrypted
        // file" button, which needs the correspondent to count as ready.
        chat.peer_ready = true;
        set_peer_ip(client, chat.slot, local_address);
        return;
    }
    show_error(client, chat.slot, not_connected_text);
}
