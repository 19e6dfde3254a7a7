#include "mainwindow/command_groups.h"

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "net/irc_commands.h"
#include "net/proxy_route.h"
#include "net/proxy_texts.h"
#include "resources/resource_ids.h"
#include "transfer/ip_sharing.h"
#include "transfer/public_ip.h"
#include "transfer/send_command.h"

namespace {

// The selected chat when it is a private chat or a channel (not the server tab).
ChatRecord* selected_chat(ChatClient& client) {
    ChatRecord* chat = client.current_chat;
    return chat && chat->in_use && chat->slot != 0 ? chat : nullptr;
}

ChatRecord* selected_private_chat(ChatClient& client) {
    ChatRecord* chat = selected_chat(client);
    return chat && !chat->is_channel ? chat : nullptr;
}

void pick_password(ChatClient& client, HWND combo) {
    ChatRecord* chat = selected_chat(client);
    if (!chat) return;
    const LRESULT item = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (item < 0) return;
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, item, 0);
    if (length <= 0) return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(wcslen(text.c_str()));
    if (text.empty()) return;
    copy_text(chat->password, text.c_str());
    if (client.password_edit) SetWindowTextW(client.password_edit, chat->password);
    if (client.encrypt_check) EnableWindow(client.encrypt_check, TRUE);
    update_send_file_button(client);
}

void ask_peer_address(ChatClient& client) {
    ChatRecord* chat = selected_private_chat(client);
    if (!chat) return;
    std::wstring name;
    {
        std::lock_guard<std::mutex> guard(chat->lock);
        name = chat->name;
    }
    send_command(client.server_socket, irc::privmsg, name, ip_request_tag);
}

// A plain check box: the program flips it.
void flip_share_ip(ChatClient& client) {
    ChatRecord* chat = selected_private_chat(client);
    if (!chat || !client.share_ip_check) return;
    const bool share = SendMessageW(client.share_ip_check, BM_GETCHECK, 0, 0) != BST_CHECKED;
    SendMessageW(client.share_ip_check, BM_SETCHECK, share ? BST_CHECKED : BST_UNCHECKED, 0);
    chat->share_ip = share;
    // The address is looked up around the proxy, and only now that the user
    // shares it: the peer learns the real one.
    if (!share || !proxy_configured()) return;
    append_chat_text(proxy_text::shared_address_is_real, client, static_cast<int>(chat - client.chats),
                     colour_server_text, colour_black, true);
    if (client.connection.public_ip.empty()) start_public_ip_lookup(client);
}

}  // namespace

bool handle_transfer_command(ChatClient& client, int id, int code, HWND source) {
    switch (id) {
    case IDC_PASSWORD_COMBO:
        if (code == CBN_SELCHANGE) pick_password(client, source ? source : client.password_combo);
        return true;
    case IDC_GET_IP:
        ask_peer_address(client);
        return true;
    case IDC_BROWSE:
        choose_file_to_send(client);
        return true;
    case IDC_SEND_FILE:
        send_encrypted_file(client);
        return true;
    case IDC_SHARE_IP:
        flip_share_ip(client);
        return true;
    default:
        return false;
    }
}
