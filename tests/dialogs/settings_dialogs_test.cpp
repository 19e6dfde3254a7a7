// The four settings dialogs, opened from the menu and driven on their real
// windows: what OK writes, what it refuses and says, and what memory holds after.

#include <vector>

#include "dialog_fixture.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/password_table.h"

namespace {
struct Typed {
    int item;
    const wchar_t* text;
};
struct Stored {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
};
struct RefusalCase {
    const char* what;
    int command;
    std::vector<Stored> before;
    std::vector<Typed> typed;
    std::vector<int> ticked;
    std::wstring boxes;       // what OK says, in order
    std::vector<Stored> after;
};

const RefusalCase refusal_cases[] = {
    {"a password of 5 characters is refused, 6 and empty are written",
     IDM_ENCRYPTION_PASSWORDS,
     {{L"passwords", L"user_password_1", L"oldpass1"}, {L"passwords", L"user_password_3", L"oldpass3"}},
     {{1101, L"12345"}, {1102, L"123456"}, {1103, L""}},
     {},
     L"Password length: Password length should be at least 6 characters.\n",
     {{L"passwords", L"user_password_1", L"oldpass1"},
      {L"passwords", L"user_password_2", L"123456"},
      {L"passwords", L"user_password_3", L""}}},
    {"a password with a character that has no 8-bit form is refused and named, the others written",
     IDM_ENCRYPTION_PASSWORDS,
     {{L"passwords", L"user_password_4", L"oldpass4"}},
     // The euro sign is in Windows-1252, yet passwords are kept one byte a
     // character by the same rule on every machine, which it has no byte in.
     {{1104, L"price\u20ac100"}, {1105, L"\u043f\u0430\u0440\u043e\u043b\u044c"}, {1106, L"caf\u00e9-cr\u00e8me"}},
     {},
     L"Password characters: Password 4 holds a character that cannot be stored; please use other characters.\n",
     {{L"passwords", L"user_password_4", L"oldpass4"},
      {L"passwords", L"user_password_5", L""},
      {L"passwords", L"user_password_6", L"caf\u00e9-cr\u00e8me"}}},
    {"channel rows: a spaced name and a short key refused, the third row written",
     IDM_FAVORITE_CHANNELS,
     {{L"channels", L"channel_name_1", L"first"}, {L"channels", L"channel_password_2", L"keykey"}},
     {{1151, L"my room"}, {1152, L"second"}, {1182, L"abc"}, {1153, L"#third"}, {1183, L"sesame"}},
     {1202},
     L"Password length: Password length should be at least 6 characters.\n"
     L"Name spaces: The names of the channels must not contain spaces.\n",
     {{L"channels", L"channel_name_1", L"first"},
      {L"channels", L"channel_name_2", L"second"},
      {L"channels", L"channel_password_2", L"keykey"},
      {L"channels", L"channel_name_3", L"#third"},
      {L"channels", L"channel_password_3", L"sesame"},
      {L"channels", L"channel_autojoin_3", L"true"},
      {L"channels", L"channel_autojoin_1", L"false"}}},
    {"a nickname of 5 is refused while its server and port are written",
     IDM_SERVERS_USER_IDS,
     {{L"servers", L"server_nickname_1", L"oldnick"}},
     {{1301, L"irc.example.test"}, {1316, L"6667"}, {1331, L"abcde"}, {1346, L"userab"}},
     {},
     L"Nickname and Username length: Nickname and Username length should be at least 6 characters.\n",
     {{L"servers", L"server_name_1", L"irc.example.test"},
      {L"servers", L"server_port_1", L"6667"},
      {L"servers", L"server_nickname_1", L"oldnick"},
      {L"servers", L"server_username_1", L"userab"}}},
    {"TLS boxes: a ticked row is stored, an unticked row's key becomes false, an untouched one stays absent; "
     "typing 6697 ticks",
     IDM_SERVERS_USER_IDS,
     {{L"servers", L"server_tls_2", L"yes"}},
     {{1318, L"6697"}, {1335, L"abc"}},
     {1500},
     L"Nickname and Username length: Nickname and Username length should be at least 6 characters.\n",
     {{L"servers", L"server_tls_1", L"true"},
      {L"servers", L"server_tls_2", L"false"},
      {L"servers", L"server_tls_3", L"true"},
      {L"servers", L"server_tls_4", L""}}},
    {"a line's trusted fingerprint goes with a new host or port, stays through letter case",
     IDM_SERVERS_USER_IDS,
     {{L"servers", L"server_name_1", L"irc.a.test"}, {L"servers", L"server_fingerprint_1", L"AA"},
      {L"servers", L"server_name_2", L"irc.b.test"}, {L"servers", L"server_fingerprint_2", L"BB"},
      {L"servers", L"server_name_3", L"irc.c.test"}, {L"servers", L"server_fingerprint_3", L"CC"}},
     {{1301, L"irc.other.test"}, {1317, L"6698"}, {1303, L"IRC.C.Test"}, {1331, L"abcde"}},
     {},
     L"Nickname and Username length: Nickname and Username length should be at least 6 characters.\n",
     {{L"servers", L"server_fingerprint_1", L""}, {L"servers", L"server_fingerprint_2", L""},
      {L"servers", L"server_fingerprint_3", L"CC"}}},
};

class SettingsDialogs : public DialogTest, public testing::WithParamInterface<RefusalCase> {};
}  // namespace

TEST_P(SettingsDialogs, OkWritesWhatPassesAndCancelKeepsIt) {
    const RefusalCase& c = GetParam();
    for (const Stored& stored : c.before) write(stored.section, stored.key, stored.value);
    bool open_after_ok = false, open_after_cancel = true;
    ASSERT_TRUE(with_dialog(c.command, [&](HWND dialog) {
        for (const Typed& typed : c.typed) SetDlgItemTextW(dialog, typed.item, typed.text);
        for (int box : c.ticked) CheckDlgButton(dialog, box, BST_CHECKED);
        press(dialog, IDOK);
        open_after_ok = IsWindowVisible(dialog) != FALSE;
        // The refused text stays for the user to correct.
        if (!c.typed.empty()) {
            EXPECT_EQ(item_text_of(dialog, c.typed[0].item), c.typed[0].text);
        }
        press(dialog, IDCANCEL);
        open_after_cancel = IsWindow(dialog) && IsWindowVisible(dialog);
    }));
    EXPECT_TRUE(open_after_ok) << c.what;
    EXPECT_FALSE(open_after_cancel);
    EXPECT_EQ(boxes.take(), c.boxes) << c.what;
    for (const Stored& stored : c.after) EXPECT_EQ(read(stored.section, stored.key), stored.value) << stored.key;
}

INSTANTIATE_TEST_SUITE_P(Refusals, SettingsDialogs, testing::ValuesIn(refusal_cases));

TEST_F(DialogTest, MemoryFollowsTheFileAfterOk) {
    write(L"channels", L"channel_name_1", L"kept");
    write(L"passwords", L"user_password_2", L"was-here");
    ASSERT_TRUE(with_dialog(IDM_FAVORITE_CHANNELS, [&](HWND dialog) {
        EXPECT_EQ(item_text_of(dialog, 1151), L"kept");
        SetDlgItemTextW(dialog, 1151, L"bad name");
        SetDlgItemTextW(dialog, 1155, L"#five");
        press(dialog, IDOK);
    }));
    EXPECT_EQ(boxes.take(), L"Name spaces: The names of the channels must not contain spaces.\n");
    EXPECT_STREQ(client.favorite_channels[1].name, L"kept");
    EXPECT_STREQ(client.favorite_channels[5].name, L"#five");

    // The passwords dialog shows memory, not the file, and reloads after writing.
    bool closed = false;
    ASSERT_TRUE(with_dialog(IDM_ENCRYPTION_PASSWORDS, [&](HWND dialog) {
        EXPECT_EQ(item_text_of(dialog, 1102), L"");
        SetDlgItemTextW(dialog, 1104, L"fourth password");
        press(dialog, IDOK);
        closed = !IsWindow(dialog) || !IsWindowVisible(dialog);
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(boxes.take(), L"");
    EXPECT_EQ(stored_password(client, 4), "fourth password");
    // Slot 2 was only in the file: the dialog showed it empty and OK wrote that.
    EXPECT_EQ(stored_password(client, 2), "");
    EXPECT_EQ(read(L"passwords", L"user_password_2"), L"");
}

// Only typing is limited: what the file holds (a user name of 8 to 10
// characters) goes back unchanged on OK.
TEST_F(DialogTest, ServerFieldsLimitTypingButKeepWhatTheFileHolds) {
    write(L"servers", L"server_name_2", L"irc.example.test");
    write(L"servers", L"server_port_2", L"6667");
    write(L"servers", L"server_nickname_2", L"longnames");
    write(L"servers", L"server_username_2", L"abcdefghij");
    bool closed = false;
    ASSERT_TRUE(with_dialog(IDM_SERVERS_USER_IDS, [&](HWND dialog) {
        const int limits[][2] = {{1301, 63}, {1316, 4}, {1331, 34}, {1346, 7}, {1360, 7}};
        for (const auto& limit : limits)
            EXPECT_EQ(SendDlgItemMessageW(dialog, limit[0], EM_GETLIMITTEXT, 0, 0), limit[1]) << limit[0];
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, 1316), GWL_STYLE) & ES_NUMBER);
        EXPECT_EQ(item_text_of(dialog, 1347), L"abcdefghij");
        press(dialog, IDOK);
        closed = !IsWindow(dialog) || !IsWindowVisible(dialog);
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(boxes.take(), L"");
    EXPECT_EQ(read(L"servers", L"server_username_2"), L"abcdefghij");
    EXPECT_EQ(read(L"servers", L"server_nickname_2"), L"longnames");
    EXPECT_STREQ(client.servers[2].username, L"abcdefghij");
}

TEST_F(DialogTest, PreferencesFollowTheirSwitchesAndSaveEverything) {
    write(L"preferences", L"allow_open_private_chats", L"true");
    write(L"preferences", L"reply_away_message", L"false");
    write(L"preferences", L"enable_http_prc_videos", L"true");
    write(L"preferences", L"allow_receive_files", L"false");
    ASSERT_TRUE(with_dialog(IDM_PREFERENCES, [&](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PREF_SHOW_REJECTED)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PREF_AWAY_TEXT)));
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_PREF_VIDEOS));
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_PREF_AUTO_RECONNECT));  // on without a key
        EXPECT_EQ(item_text_of(dialog, IDC_PREF_AWAY_TEXT), L"Sorry, I don't accept private chats now");
        click_box(dialog, IDC_PREF_OPEN_PRIVATE);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PREF_SHOW_REJECTED)));
        click_box(dialog, IDC_PREF_REPLY_AWAY);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_PREF_AWAY_TEXT)));
        click_box(dialog, IDC_PREF_REPLY_AWAY);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_PREF_AWAY_TEXT)));
        SetDlgItemTextW(dialog, IDC_PREF_AWAY_TEXT, L"Back soon");  // greyed, saved anyway
        SetDlgItemTextW(dialog, IDC_PREF_KEYWORDS, L"bot  spam");
        click_box(dialog, IDC_PREF_VIDEOS);
        click_box(dialog, IDC_PREF_AUTO_RECONNECT);
        press(dialog, IDOK);
    }));
    EXPECT_EQ(read(L"preferences", L"allow_open_private_chats"), L"false");
    EXPECT_EQ(read(L"preferences", L"reply_away_message"), L"false");
    EXPECT_EQ(read(L"preferences", L"msg_dont_allow_open_private_chats"), L"Back soon");
    EXPECT_EQ(read(L"preferences", L"enable_http_prc_videos"), L"false");
    EXPECT_EQ(read(L"preferences", L"enable_https_only"), L"true");
    EXPECT_EQ(read(L"preferences", L"auto_reconnect"), L"false");
    EXPECT_EQ(read(L"preferences", L"nicknames_keywords_filter"), L"bot  spam");
    EXPECT_TRUE(missing(L"preferences", L"random_nickname"));
    EXPECT_FALSE(client.allow_open_private_chats);
    EXPECT_FALSE(client.enable_http_prc_videos);
    EXPECT_FALSE(client.auto_reconnect);
    EXPECT_EQ(client.filter_keywords.size(), 2u);
    EXPECT_STREQ(client.msg_dont_allow_open_private_chats, L"Back soon");
}
