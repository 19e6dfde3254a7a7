#include "transfer/send_command.h"

#include <windows.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "crypto/file_crypto.h"
#include "framework/message_box.h"
#include "net/proxy_route.h"
#include "net/proxy_texts.h"
#include "settings/password_table.h"
#include "transfer/file_sender.h"
#include "transfer/ip_sharing.h"
#include "transfer/sealed_file_send.h"
#include "transfer/transfer_status.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_texts.h"

namespace {

constexpr int path_limit = 259;
constexpr int address_limit = 19;

std::wstring window_text(HWND control, int limit) {
    if (!control) return {};
    std::wstring text(static_cast<size_t>(limit) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], limit + 1)));
    return text;
}

bool refuse(ChatClient& client, const transfer_text::BoxText& box) {
    show_message_box(client.main_window, box.text, box.caption, MB_OK | MB_ICONWARNING);
    return false;
}

// The name as the peer will see it, in the thread's code page; false when the
// code page does not give it back exactly (the peer would get another name).
// The transfer protocol has no other form for it: no UTF-8 here.
bool wire_name_of(const std::wstring& path, std::wstring& display, std::string& wire) {
    const size_t slash = path.find_last_of(L"\\/");
    display = format_text(encrypted_file_format, slash == std::wstring::npos ? path : path.substr(slash + 1));
    if (!code_page_holds(display, CP_THREAD_ACP)) return false;
    wire = narrow_text(display.c_str(), CP_THREAD_ACP);
    return !wire.empty();
}

void report_encryption_error(ChatClient& client, const char* what) {
    std::fprintf(stdout, "%s\n", what);
    std::fflush(stdout);
    refuse(client, transfer_text::encryption_error);
}

}  // namespace

void choose_file_to_send(ChatClient& client) {
    wchar_t path[path_limit + 1] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = client.main_window;
    dialog.lpstrFilter = transfer_text::choose_filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = path_limit + 1;
    dialog.lpstrTitle = transfer_text::choose_title;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog)) return;
    if (client.file_path_edit) {
        SetWindowTextW(client.file_path_edit, path);
        SendMessageW(client.file_path_edit, EM_SETSEL, 0, -1);
    }
    update_send_file_button(client);
}

void send_encrypted_file(ChatClient& client) {
    if (proxy_configured()) {
        show_transfer_status(proxy_text::file_send_refused);
        return;
    }
    const std::wstring path = window_text(client.file_path_edit, path_limit);
    if (path.empty()) {
        refuse(client, transfer_text::no_file_chosen);
        return;
    }
    if (!PathFileExistsW(path.c_str())) {
        refuse(client, transfer_text::file_missing);
        return;
    }
    const std::wstring address = window_text(client.peer_ip_edit, address_limit);
    if (address.empty()) {
        refuse(client, transfer_text::no_peer_address);
        return;
    }
    const ChatRecord* chat = client.current_chat;
    if (!chat || !chat->password[0]) {
        refuse(client, transfer_text::no_password);
        return;
    }

    // A sealed correspondent gets it sealed; anyone else the compatible way.
    if (send_sealed_file(client, *client.current_chat, path, narrow_text(address.c_str(), CP_THREAD_ACP)) !=
        SealedSend::not_sealed)
        return;

    OutgoingFile file;
    file.address = narrow_text(address.c_str(), CP_THREAD_ACP);
    if (!wire_name_of(path, file.display_name, file.wire_name)) {
        refuse(client, transfer_text::name_outside_code_page);
        return;
    }
    if (file.wire_name.size() > transfer::name_limit) {
        refuse(client, transfer_text::name_too_long);
        return;
    }
    file.reader = std::make_unique<EncryptingReader>();
    if (!file.reader->open(path)) {
        report_encryption_error(client, "the file to send cannot be opened");
        return;
    }
    if (file.reader->encrypted_size() > transfer::largest_size) {
        refuse(client, transfer_text::file_too_large);
        return;
    }
    // Taken last, so that no refusal above leaves a copy of it behind; the
    // sender wipes it once the key is derived.
    file.password = narrow_password(chat->password);
    if (file.password.empty()) {
        report_encryption_error(client, "the chat's password has no 8-bit form");
        return;
    }
    start_file_sender(std::move(file));
}
