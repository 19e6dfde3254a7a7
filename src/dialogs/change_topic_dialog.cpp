#include "dialogs/change_topic_dialog.h"

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "net/irc_commands.h"
#include "resources/dialog_ids.h"

namespace {
constexpr int topic_limit = 399;

int selected_slot(const ChatClient& client) { return client.current_chat ? client.current_chat->slot : 0; }
}  // namespace

INT_PTR ChangeTopicDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        limit_item(dialog, IDC_TOPIC_TEXT, topic_limit);
        if (client_.current_chat) set_item_text(dialog, IDC_TOPIC_TEXT, client_.current_chat->topic);
        SetFocus(GetDlgItem(dialog, IDC_TOPIC_TEXT));
        return FALSE;  // the focus is set
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) == IDOK) {
        send_topic(selected_slot(client_), item_text(dialog, IDC_TOPIC_TEXT, topic_limit), client_);
        EndDialog(dialog, IDOK);
    } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    } else {
        return FALSE;
    }
    return TRUE;
}

void send_topic(int slot, const std::wstring& text, ChatClient& client) {
    if (slot <= 0 || slot >= chat_slot_count || text.empty()) return;
    const std::wstring name = chat_name(client, slot);
    if (!name.empty()) send_command(client.server_socket, irc::topic, name, text);
}
