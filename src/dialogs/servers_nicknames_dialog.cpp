#include "app/chat_client.h"
#include "connection/certificate_trust.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
// The user name is sent with a prefix of up to three characters at
// registration (the compatibility mark), which must still fit in ten.
constexpr int typed_username_limit = 7;

struct ServerColumn {
    int first_item;
    const wchar_t* key;
    int typed_limit;
    // What OK reads back: a value the file already held may be longer than
    // what can be typed (a user name of 8 to 10), and is kept as it is.
    int stored_limit;
    bool checked;  // refused when 1 to 5 characters long
};

constexpr ServerColumn columns[] = {
    {IDC_SERVER_NAME_FIRST, settings_key::server_name, server_name_capacity - 1, server_name_capacity - 1, false},
    {IDC_SERVER_PORT_FIRST, settings_key::server_port, port_capacity - 1, port_capacity - 1, false},
    {IDC_SERVER_NICKNAME_FIRST, settings_key::server_nickname, nickname_capacity - 1, nickname_capacity - 1, true},
    {IDC_SERVER_USERNAME_FIRST, settings_key::server_username, typed_username_limit, username_capacity - 1, true},
};

// The port TLS is usually offered on: typing it ticks the row's TLS box.
constexpr const wchar_t* usual_tls_port = L"6697";

int tls_item(int number) { return IDC_SERVER_TLS_FIRST + number - 1; }

const wchar_t* stored_value(const StoredServer& server, int column) {
    const wchar_t* values[] = {server.name, server.port, server.nickname, server.username};
    return values[column];
}
}  // namespace

void ServersNicknamesDialog::open(HWND dialog) {
    load_settings(client_, SettingsGroup::servers);
    for (int number = 1; number <= server_count; ++number)
        for (int column = 0; column < 4; ++column) {
            const int item = columns[column].first_item + number - 1;
            limit_item(dialog, item, columns[column].typed_limit);
            set_item_text(dialog, item, stored_value(client_.servers[number], column));
        }
    for (int number = 1; number <= server_count; ++number)
        check_item(dialog, tls_item(number), client_.servers[number].tls);
}

bool ServersNicknamesDialog::command(HWND dialog, WPARAM wparam) {
    const int id = LOWORD(wparam);
    if (HIWORD(wparam) == BN_CLICKED && id >= IDC_SERVER_ACCOUNT_FIRST && id < IDC_SERVER_ACCOUNT_FIRST + server_count) {
        ServerAccountDialog(instance, IDD_SERVER_ACCOUNT, dialog, client_, id - IDC_SERVER_ACCOUNT_FIRST + 1).show();
        return true;
    }
    if (HIWORD(wparam) != EN_CHANGE || id < IDC_SERVER_PORT_FIRST || id >= IDC_SERVER_PORT_FIRST + server_count)
        return false;
    if (item_text(dialog, id, port_capacity - 1) == usual_tls_port)
        check_item(dialog, tls_item(id - IDC_SERVER_PORT_FIRST + 1), true);
    return true;
}

void ServersNicknamesDialog::save(HWND dialog) {
    bool refused = false;
    // A fingerprint trusted for a line speaks for the server it named, not for
    // whatever the line names now.
    for (int number = 1; number <= server_count; ++number) {
        const StoredServer& before = client_.servers[number];
        const std::wstring name = item_text(dialog, IDC_SERVER_NAME_FIRST + number - 1, server_name_capacity - 1);
        const std::wstring port = item_text(dialog, IDC_SERVER_PORT_FIRST + number - 1, port_capacity - 1);
        if (trust_key(name, port) != trust_key(before.name, before.port)) forget_line_fingerprint(client_, number);
    }
    for (int number = 1; number <= server_count; ++number)
        for (const ServerColumn& column : columns) {
            const std::wstring text = item_text(dialog, column.first_item + number - 1, column.stored_limit);
            if (column.checked && is_too_short(text)) {
                refused = true;
                continue;
            }
            write_setting(client_, settings_key::servers_section, numbered_key(column.key, number).c_str(), text);
        }
    for (int number = 1; number <= server_count; ++number) {
        // A file that never had the key keeps it absent until TLS is ticked.
        const std::wstring key = numbered_key(settings_key::server_tls, number);
        const bool on = is_item_checked(dialog, tls_item(number));
        if (on || !read_setting(client_, settings_key::servers_section, key.c_str()).empty())
            write_switch_setting(client_, settings_key::servers_section, key.c_str(), on);
    }
    load_settings(client_, SettingsGroup::servers);
    if (refused) show_refusal(dialog, dialog_text::identity_length, dialog_text::identity_length_title);
    else EndDialog(dialog, IDOK);
}
