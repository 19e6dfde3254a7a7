#include <iterator>

#include "app/chat_client.h"
#include "app/text.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/account_settings.h"

namespace {
constexpr int secret_limit = 255;
constexpr int account_limit = 64;
// A SHA-256 fingerprint with its colons is 95 characters.
constexpr int certificate_limit = 128;
constexpr SaslMethod methods[] = {SaslMethod::none, SaslMethod::plain, SaslMethod::scram_sha_256, SaslMethod::external};
}  // namespace

void ServerAccountDialog::open(HWND dialog) {
    const StoredAccount stored = read_server_account(client_, number_);
    const ServerAccount& account = stored.account;
    limit_item(dialog, IDC_ACCOUNT_SERVER_PASSWORD, secret_limit);
    limit_item(dialog, IDC_ACCOUNT_NAME, account_limit);
    limit_item(dialog, IDC_ACCOUNT_PASSWORD, secret_limit);
    set_item_text(dialog, IDC_ACCOUNT_SERVER_PASSWORD, account.server_password);
    set_item_text(dialog, IDC_ACCOUNT_NAME, account.account);
    set_item_text(dialog, IDC_ACCOUNT_PASSWORD, account.password);
    limit_item(dialog, IDC_ACCOUNT_CERTIFICATE, certificate_limit);
    set_item_text(dialog, IDC_ACCOUNT_CERTIFICATE, account.certificate);
    HWND list = GetDlgItem(dialog, IDC_ACCOUNT_METHOD);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (size_t at = 0; at < std::size(methods); ++at) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(dialog_text::method_names[at]));
        if (methods[at] == account.method) SendMessageW(list, CB_SETCURSEL, at, 0);
    }
    check_item(dialog, IDC_ACCOUNT_REQUIRED, account.required);
    check_item(dialog, IDC_ACCOUNT_UNENCRYPTED, account.allow_unencrypted);
    check_item(dialog, IDC_ACCOUNT_NO_PROXY, account.without_proxy);
}

void ServerAccountDialog::save(HWND dialog) {
    ServerAccount account;
    account.server_password = item_text(dialog, IDC_ACCOUNT_SERVER_PASSWORD, secret_limit);
    const LRESULT row = SendDlgItemMessageW(dialog, IDC_ACCOUNT_METHOD, CB_GETCURSEL, 0, 0);
    account.method = row > 0 && row < static_cast<LRESULT>(std::size(methods)) ? methods[row] : SaslMethod::none;
    account.account = item_text(dialog, IDC_ACCOUNT_NAME, account_limit);
    account.password = item_text(dialog, IDC_ACCOUNT_PASSWORD, secret_limit);
    account.certificate = item_text(dialog, IDC_ACCOUNT_CERTIFICATE, certificate_limit);
    account.required = is_item_checked(dialog, IDC_ACCOUNT_REQUIRED);
    account.allow_unencrypted = is_item_checked(dialog, IDC_ACCOUNT_UNENCRYPTED);
    account.without_proxy = is_item_checked(dialog, IDC_ACCOUNT_NO_PROXY);
    write_server_account(client_, number_, account);
    EndDialog(dialog, IDOK);
}

std::wstring login_summary(const ServerAccount& account) {
    std::wstring text = account.method == SaslMethod::none
                            ? std::wstring(dialog_text::no_login_summary)
                            : format_text(dialog_text::login_summary, account.account,
                                          dialog_text::method_names[static_cast<int>(account.method)]);
    if (!account.server_password.empty()) text += dialog_text::server_password_summary;
    return text;
}
