#include "app/chat_client.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/settings_dialogs.h"
#include "net/host_port.h"
#include "resources/dialog_ids.h"
#include "settings/proxy_settings.h"
#include "settings/settings_file.h"

namespace {
constexpr int host_limit = 255;
constexpr int port_limit = 5;
constexpr int login_limit = 255;

// The fields only matter while the proxy is on; they keep their text when off.
void follow_switch(HWND dialog) {
    const bool on = is_item_checked(dialog, IDC_PROXY_ON);
    for (int item : {IDC_PROXY_HOST, IDC_PROXY_PORT, IDC_PROXY_USERNAME, IDC_PROXY_PASSWORD}) enable_item(dialog, item, on);
}
}  // namespace

bool ProxyDialog::command(HWND dialog, WPARAM wparam) {
    if (LOWORD(wparam) != IDC_PROXY_ON) return false;
    if (HIWORD(wparam) == BN_CLICKED) follow_switch(dialog);
    return true;
}

void ProxyDialog::open(HWND dialog) {
    const ProxySettings proxy = read_proxy_settings(client_);
    limit_item(dialog, IDC_PROXY_HOST, host_limit);
    limit_item(dialog, IDC_PROXY_PORT, port_limit);
    limit_item(dialog, IDC_PROXY_USERNAME, login_limit);
    limit_item(dialog, IDC_PROXY_PASSWORD, login_limit);
    check_item(dialog, IDC_PROXY_ON, proxy.type == ProxyType::socks5);
    set_item_text(dialog, IDC_PROXY_HOST, proxy.host);
    set_item_text(dialog, IDC_PROXY_PORT, proxy.port);
    set_item_text(dialog, IDC_PROXY_USERNAME, proxy.username);
    set_item_text(dialog, IDC_PROXY_PASSWORD, proxy.password);
    follow_switch(dialog);
}

void ProxyDialog::save(HWND dialog) {
    ProxySettings proxy;
    proxy.type = is_item_checked(dialog, IDC_PROXY_ON) ? ProxyType::socks5 : ProxyType::none;
    proxy.host = item_text(dialog, IDC_PROXY_HOST, host_limit);
    proxy.port = item_text(dialog, IDC_PROXY_PORT, port_limit);
    proxy.username = item_text(dialog, IDC_PROXY_USERNAME, login_limit);
    proxy.password = item_text(dialog, IDC_PROXY_PASSWORD, login_limit);
    if (proxy.type == ProxyType::socks5 && (proxy.host.empty() || port_number(proxy.port) == 0)) {
        show_refusal(dialog, dialog_text::proxy_incomplete, dialog_text::proxy_incomplete_title);
        return;
    }
    write_proxy_settings(client_, proxy);
    // The file receiver and the link downloads follow at once.
    load_settings(client_, SettingsGroup::preferences);
    EndDialog(dialog, IDOK);
}
