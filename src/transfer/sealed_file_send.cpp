#include "transfer/sealed_file_send.h"

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/input_line.h"
#include "chat/sealed_state.h"
#include "framework/message_box.h"
#include "irc/handler_support.h"
#include "net/irc_commands.h"
#include "transfer/file_sender.h"
#include "transfer/sealed_file_receive.h"
#include "transfer/sealed_file_texts.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_texts.h"

namespace {
SealedSend refuse(ChatClient& client, const transfer_text::BoxText& box) {
    show_message_box(client.main_window, box.text, box.caption, MB_OK | MB_ICONWARNING);
    return SealedSend::refused;
}
}  // namespace

SealedSend send_sealed_file(ChatClient& client, ChatRecord& chat, const std::wstring& path,
                            const std::string& address) {
    if (chat.is_channel || chat.slot <= 0) return SealedSend::not_sealed;
    const std::wstring nickname = chat_name(client, chat.slot);
    SealedChats& chats = sealed_state(client).chats;
    const std::string peer = sealed_nick(nickname);
    if (chats.state(peer) != SealedChats::State::sealed) return SealedSend::not_sealed;

    const FileId id = random_file_id();
    std::optional<Key> key = chats.file_key_for(peer, id);
    if (!key) return SealedSend::not_sealed;
    const std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    OutgoingFile file;
    file.sealed = std::make_unique<SealedFileReader>();
    const bool opened = file.sealed->open(path, utf8_text(name), *key);
    wipe(*key);
    if (!opened) return refuse(client, transfer_text::encryption_error);
    if (file.sealed->encrypted_size() > transfer::largest_size) return refuse(client, transfer_text::file_too_large);

    std::optional<std::string> line = chats.seal(peer, PayloadKind::file, file_id_text(id));
    if (!line) return SealedSend::not_sealed;
    send_command(client.server_socket, irc::privmsg, nickname, wide_text(*line, CP_UTF8));
    file.address = address;
    file.wire_name = sealed_wire_name(id);
    file.display_name = name;
    const std::wstring note = format_text(sealed_file_text::sending, name);
    append_line(client, chat.slot, {{note, colour_encrypted_echo, colour_black}});
    start_file_sender(std::move(file));
    return SealedSend::started;
}
