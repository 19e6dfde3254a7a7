#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {

// The "..." of row 3 opens the row's login; what OK saves is protected, and
// the Connect dialog tells which login picking that server brings.
TEST_F(DialogTest, ARowsLoginIsEditedSavedProtectedAndSummedUpOnConnect) {
    const std::pair<const wchar_t*, const wchar_t*> keys[] = {
        {L"server_name_3", L"irc.example.test"}, {L"server_port_3", L"6697"}, {L"server_nickname_3", L"longnames"},
        {L"server_username_3", L"abcdef"}, {L"server_sasl_method_3", L"scram-sha-256"},
        {L"server_sasl_account_3", L"alice"}, {L"server_sasl_password_3", L"hand written"}};
    for (const auto& key : keys) write(L"servers", key.first, key.second);
    bool rows_have_buttons = false;
    ASSERT_TRUE(with_dialog(IDM_SERVERS_USER_IDS, [&](HWND servers) {
        rows_have_buttons = GetDlgItem(servers, IDC_SERVER_ACCOUNT_FIRST) && GetDlgItem(servers, IDC_SERVER_ACCOUNT_FIRST + 14);
        press(servers, IDCANCEL);
    }));
    EXPECT_TRUE(rows_have_buttons);
    const bool account_opened = run_modal(
        [&] { ServerAccountDialog(client.instance, IDD_SERVER_ACCOUNT, client.main_window, client, 3).show(); },
        [](HWND account) {
            EXPECT_EQ(item_text_of(account, IDC_ACCOUNT_NAME), L"alice");
            EXPECT_EQ(item_text_of(account, IDC_ACCOUNT_PASSWORD), L"hand written");
            EXPECT_EQ(SendDlgItemMessageW(account, IDC_ACCOUNT_METHOD, CB_GETCURSEL, 0, 0), 2);
            EXPECT_EQ(IsDlgButtonChecked(account, IDC_ACCOUNT_REQUIRED), BST_CHECKED);
            SetDlgItemTextW(account, IDC_ACCOUNT_NAME, L"bob");
            SetDlgItemTextW(account, IDC_ACCOUNT_SERVER_PASSWORD, L"bob/net:bnc");
            SendDlgItemMessageW(account, IDC_ACCOUNT_METHOD, CB_SETCURSEL, 1, 0);
            click_box(account, IDC_ACCOUNT_REQUIRED);
            press(account, IDOK);
        });
    EXPECT_TRUE(account_opened);
    EXPECT_EQ(read(L"servers", L"server_sasl_method_3"), L"plain");
    EXPECT_EQ(read(L"servers", L"server_sasl_account_3"), L"bob");
    EXPECT_EQ(read(L"servers", L"server_sasl_required_3"), L"false");
    for (const wchar_t* key : {L"server_sasl_password_3", L"server_password_3"})
        EXPECT_EQ(read(L"servers", key).rfind(L"protected:", 0), 0u) << key;

    std::wstring summary;
    ASSERT_TRUE(with_dialog(IDM_CONNECT, [&](HWND connect) {
        SendDlgItemMessageW(connect, IDC_CONNECT_SERVER_LIST, CB_SETCURSEL, 0, 0);
        press(connect, IDC_CONNECT_SERVER_LIST, CBN_SELCHANGE);
        summary = item_text_of(connect, IDC_CONNECT_ACCOUNT);
        press(connect, IDCANCEL);
    }));
    EXPECT_EQ(summary, L"Login: bob (PLAIN), server password");
}

}  // namespace
