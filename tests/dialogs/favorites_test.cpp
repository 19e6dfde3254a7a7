// Favourite nicknames, the two-minute check, the topic and the help dialogs.

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "dialog_fixture.h"
#include "dialogs/change_topic_dialog.h"
#include "dialogs/help_texts.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "irc/irc_line.h"
#include "mainwindow/main_window.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "support/test_client.h"

namespace {
using Lines = std::vector<std::string>;

HBITMAP picture_of(HWND dialog, int row) {
    return reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(dialog, IDC_FAVORITE_PICTURE_FIRST + row - 1, STM_GETIMAGE, IMAGE_BITMAP, 0));
}
bool chat_enabled(HWND dialog, int row) { return IsWindowEnabled(GetDlgItem(dialog, IDC_FAVORITE_CHAT_FIRST + row - 1)); }

class Favorites : public ConnectedDialogTest {
protected:
    void SetUp() override {
        ConnectedDialogTest::SetUp();
        write(L"nicknames_favorite", L"nickname_favorite_1", L"alice");
        write(L"nicknames_favorite", L"nickname_favorite_2", L"bob");
        load_settings(client, SettingsGroup::favorite_nicknames);
        set_favorites_timer(client, false);
    }
    void TearDown() override {
        set_favorites_timer(client, false);
        ConnectedDialogTest::TearDown();
    }
};
}  // namespace

TEST_F(Favorites, CheckAsksForTheStoredNicknamesAndTheReplyLightsTheirRows) {
    ASSERT_TRUE(with_dialog(IDM_FAVORITE_NICKNAMES, [&](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_FAVORITE_CHECK_NOW)));
        const HBITMAP unknown = picture_of(dialog, 1);
        SetDlgItemTextW(dialog, IDC_FAVORITE_NICKNAME_FIRST + 2, L"Carol1");  // saved by the check
        press(dialog, IDC_FAVORITE_CHECK_NOW);
        EXPECT_EQ(sent_lines(), (Lines{"ISON alice bob Carol1"}));
        dispatch_line(client, L":srv 303 me :bob carol1");
        EXPECT_NE(picture_of(dialog, 1), unknown);
        EXPECT_NE(picture_of(dialog, 2), picture_of(dialog, 1));
        EXPECT_EQ(picture_of(dialog, 3), picture_of(dialog, 1)) << "Carol1 is not carol1";
        EXPECT_EQ(picture_of(dialog, 4), unknown) << "an empty row keeps its picture";
        EXPECT_FALSE(chat_enabled(dialog, 1));
        EXPECT_TRUE(chat_enabled(dialog, 2));
        EXPECT_FALSE(chat_enabled(dialog, 3));
        press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(read(L"nicknames_favorite", L"nickname_favorite_3"), L"Carol1");
    EXPECT_TRUE(client.favorite_nicknames[2].online);
    EXPECT_FALSE(client.favorite_nicknames[1].online);

    // With the dialog closed the main window's button and notice answer.
    EnableWindow(client.nicknames_online_button, FALSE);
    dispatch_line(client, L":srv 303 me :alice");
    EXPECT_TRUE(IsWindowEnabled(client.nicknames_online_button));
    dispatch_line(client, L":srv 303 me :");
    EXPECT_FALSE(IsWindowEnabled(client.nicknames_online_button));
}

TEST_F(Favorites, TheBoxStartsAndStopsTheTimerWhichAsksOnlyWhileConnected) {
    for (bool on : {true, false}) {
        ASSERT_TRUE(with_dialog(IDM_FAVORITE_NICKNAMES, [&](HWND dialog) {
            CheckDlgButton(dialog, IDC_FAVORITE_EVERY_TWO_MINUTES, on ? BST_CHECKED : BST_UNCHECKED);
            press(dialog, IDOK);
        }));
        EXPECT_EQ(client.favorites_timer_running, on);
        EXPECT_EQ(client.check_nicknames_online_time, on);
        EXPECT_EQ(read(L"nicknames_favorite", L"check_nicknames_online_time"), on ? L"true" : L"false");
    }
    // Cancel discards what was typed.
    ASSERT_TRUE(with_dialog(IDM_FAVORITE_NICKNAMES, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_FAVORITE_NICKNAME_FIRST, L"zed");
        press(dialog, IDCANCEL);
    }));
    EXPECT_STREQ(client.favorite_nicknames[1].nickname, L"alice");

    SendMessageW(client.main_window, WM_TIMER, favorites_timer_id, 0);
    SendMessageW(client.main_window, WM_TIMER, favorites_timer_id + 1, 0);
    EXPECT_EQ(sent_lines(), (Lines{"ISON alice bob"}));
    close_connection(client.server_socket);
    SendMessageW(client.main_window, WM_TIMER, favorites_timer_id, 0);
    EXPECT_EQ(server.receive_line(300), "");
}

TEST_F(ConnectedDialogTest, TopicIsSentForTheSelectedChannelOnly) {
    const int slot = create_chat(client, L"#room", true);
    pump_messages();
    select_chat(client, slot);
    copy_text(client.chats[slot].topic, L"old topic");
    ASSERT_TRUE(with_dialog(IDM_CHANGE_TOPIC, [&](HWND dialog) {
        EXPECT_EQ(item_text_of(dialog, IDC_TOPIC_TEXT), L"old topic");
        SetDlgItemTextW(dialog, IDC_TOPIC_TEXT, L"new: topic");
        press(dialog, IDOK);
    }));
    send_topic(slot, L"", client);
    send_topic(0, L"server tab", client);
    EXPECT_EQ(sent_lines(), (Lines{"TOPIC #room :new: topic"}));
    select_chat(client, 0);
    close_chat(client, L"#room");
    pump_messages();
}

TEST_F(DialogTest, HelpDialogsKeepTheirFixedSentences) {
    const std::pair<int, const wchar_t*> fixed[] = {
        {IDC_HELP_FEATURES,
         L"- Encrypted messages are always different even if the same message is encrypted with the same password."},
        {IDC_HELP_MESSAGES, L"2.- Check 'Encrypt message'."},
        {IDC_HELP_MESSAGES,
         L"4.- If you want to continue chatting without encrypting messages, uncheck 'Encrypt message'."},
        {IDC_HELP_FILES, L"5.- Press '...' button to select the file to send."},
        {IDC_HELP_FILES, L"- The received files are automatically saved in the 'Downloads' folder of the application."},
        {IDC_HELP_FILES, L"port 8087"},
    };
    for (const auto& sentence : fixed)
        EXPECT_NE(help_text(sentence.first).find(sentence.second), std::wstring::npos) << sentence.first;
    for (int command : {IDM_MAIN_FEATURES, IDM_SEND_MESSAGES_FILES}) {
        std::wstring shown;
        bool closed = false;
        ASSERT_TRUE(with_dialog(command, [&](HWND dialog) {
            const int box = command == IDM_MAIN_FEATURES ? IDC_HELP_COMPATIBILITY : IDC_HELP_FILES;
            shown = item_text_of(dialog, box);
            press(dialog, IDOK);
            closed = !IsWindow(dialog) || !IsWindowVisible(dialog);
        }));
        EXPECT_TRUE(closed);
        EXPECT_FALSE(shown.empty());
        EXPECT_NE(shown.back(), L'\n') << "no blank line after the last paragraph";
    }
}
