#include "connection/connect_dialog.h"

#include "app/chat_client.h"
#include "app/text.h"
#include "connection/connection_start.h"
#include "connection/random_names.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "connection/connect_texts.h"
#include "settings/account_settings.h"
#include "settings/proxy_settings.h"
#include "settings/server_defaults.h"
#include "settings/settings_file.h"

namespace {
// The login line also says whether the connection will go through the proxy.
std::wstring account_summary(const ChatClient& client, const ServerAccount& account) {
    const bool proxied = !account.without_proxy && proxy_route(read_proxy_settings(client)).on;
    return login_summary(account) + (proxied ? connect_text::proxy_summary : L"");
}

std::wstring dialog_text(HWND dialog, int id, int capacity) {
    std::wstring text(static_cast<size_t>(capacity), L'\0');
    int length = GetDlgItemTextW(dialog, id, text.data(), capacity);
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}
}  // namespace

ConnectDialog::ConnectDialog(HINSTANCE instance, int template_id, HWND owner, ChatClient& client, ServerSocket& server,
                             ConnectionParams& connection)
    : Dialog(instance, template_id, owner), client_(client), server_(server), connection_(connection) {}

INT_PTR ConnectDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        open(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            connect(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_CONNECT_SERVER_LIST:
            select_server(dialog);
            return TRUE;
        case IDC_CONNECT_RANDOM:
            if (HIWORD(wparam) == BN_CLICKED) toggle_random(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void ConnectDialog::open(HWND dialog) {
    selected_row_ = -1;
    load_settings(client_, SettingsGroup::servers);
    // The stored last connection fills the dialog, not `connection`: that is
    // the live session's identity until the user actually connects again.
    const ServerDefaults stored = read_server_defaults(client_);
    shown_ = {stored.host.empty() ? connection_.host.get() : stored.host,
              stored.port.empty() ? connection_.port.get() : stored.port,
              stored.nickname.empty() ? connection_.nickname.get() : stored.nickname,
              stored.username.empty() ? connection_.username.get() : stored.username, stored.tls};

    SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_NAME, EM_LIMITTEXT, server_name_capacity - 1, 0);
    SendDlgItemMessageW(dialog, IDC_CONNECT_PORT, EM_LIMITTEXT, port_capacity - 1, 0);
    SendDlgItemMessageW(dialog, IDC_CONNECT_NICKNAME, EM_LIMITTEXT, nickname_capacity - 1, 0);
    SendDlgItemMessageW(dialog, IDC_CONNECT_USERNAME, EM_LIMITTEXT, username_capacity - 1, 0);

    HWND list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    row_count_ = 0;
    for (int number = 1; number <= server_count; ++number) {
        const StoredServer& server = client_.servers[number];
        if (!server.name[0] || !port_known(server.name, server.port) || !server.nickname[0] || !server.username[0])
            continue;
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(server.name));
        row_servers_[row_count_++] = number;
    }

    SetDlgItemTextW(dialog, IDC_CONNECT_SERVER_NAME, shown_.host.c_str());
    SetDlgItemTextW(dialog, IDC_CONNECT_PORT, shown_.port.c_str());
    show_identity(dialog, shown_.nickname.c_str(), shown_.username.c_str());

    const bool random = read_random_nickname(client_);
    if (random) {
        RandomIdentity identity = random_identity();
        show_identity(dialog, identity.nickname.c_str(), identity.username.c_str());
    }
    CheckDlgButton(dialog, IDC_CONNECT_RANDOM, random ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CONNECT_TLS, shown_.tls ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(dialog, IDC_CONNECT_ACCOUNT, account_summary(client_, read_server_account(client_, 0).account).c_str());
}

void ConnectDialog::select_server(HWND dialog) {
    LRESULT row = SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, CB_GETCURSEL, 0, 0);
    if (row < 0 || row >= row_count_) return;
    selected_row_ = static_cast<int>(row);
    const StoredServer& server = client_.servers[row_servers_[selected_row_]];
    SetDlgItemTextW(dialog, IDC_CONNECT_SERVER_NAME, server.name);
    SetDlgItemTextW(dialog, IDC_CONNECT_PORT, server.port);
    show_identity(dialog, server.nickname, server.username);
    CheckDlgButton(dialog, IDC_CONNECT_TLS, server.tls ? BST_CHECKED : BST_UNCHECKED);
    const ServerAccount account = read_server_account(client_, row_servers_[selected_row_]).account;
    SetDlgItemTextW(dialog, IDC_CONNECT_ACCOUNT, account_summary(client_, account).c_str());
}

void ConnectDialog::toggle_random(HWND dialog) {
    const bool random = IsDlgButtonChecked(dialog, IDC_CONNECT_RANDOM) == BST_CHECKED;
    if (random) {
        RandomIdentity identity = random_identity();
        show_identity(dialog, identity.nickname.c_str(), identity.username.c_str());
    } else {
        show_identity(dialog, shown_.nickname.c_str(), shown_.username.c_str());
    }
    write_random_nickname(client_, random);
}

void ConnectDialog::show_identity(HWND dialog, const wchar_t* nickname, const wchar_t* username) {
    SetDlgItemTextW(dialog, IDC_CONNECT_NICKNAME, nickname);
    SetDlgItemTextW(dialog, IDC_CONNECT_USERNAME, username);
}

void ConnectDialog::connect(HWND dialog) {
    ConnectRequest request;
    request.host = dialog_text(dialog, IDC_CONNECT_SERVER_NAME, server_name_capacity);
    request.port = dialog_text(dialog, IDC_CONNECT_PORT, port_capacity);
    request.nickname = dialog_text(dialog, IDC_CONNECT_NICKNAME, nickname_capacity);
    request.username = dialog_text(dialog, IDC_CONNECT_USERNAME, username_capacity);
    request.tls = IsDlgButtonChecked(dialog, IDC_CONNECT_TLS) == BST_CHECKED;
    // The chosen stored server's login, else the last connection's.
    const StoredAccount stored =
        read_server_account(client_, selected_row_ >= 0 ? row_servers_[selected_row_] : 0);
    request.account = stored.account;
    request.password_unreadable = stored.password_unreadable;
    if (request.host.empty() || !port_known(request.host, request.port) || request.nickname.empty() ||
        request.username.empty())
        return;
    EndDialog(dialog, IDOK);
    // Out of the way before the progress lines appear in the server tab.
    ShowWindow(dialog, SW_HIDE);
    connect_and_start(client_, request);
}
