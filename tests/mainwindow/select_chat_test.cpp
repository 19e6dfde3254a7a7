#include <atomic>
#include <thread>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "support/test_client.h"
#include "window_fixture.h"

namespace {

// Expected state of one control: shown, and (when it matters) enabled or ticked.
enum Tri { no, yes, any };
struct Expect {
    HWND ChatClient::*field;
    bool shown;
    Tri enabled = any;
    Tri ticked = any;
};

void check_controls(const ChatClient& client, std::initializer_list<Expect> table) {
    for (const Expect& e : table) {
        HWND control = client.*e.field;
        SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(control));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(IsWindowVisible(control) != FALSE, e.shown);
        if (e.enabled != any) {
            EXPECT_EQ(IsWindowEnabled(control) != FALSE, e.enabled == yes);
        }
        if (e.ticked != any) {
            EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0), e.ticked == yes ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

HWND buffer_of(const ChatClient& client, int slot) {
    return client.chats[slot].buffer ? client.chats[slot].buffer->window : nullptr;
}

using SelectChat = MainWindowTest;

TEST_F(SelectChat, PrivateChatShowsUserInfoAndFileTransferInsteadOfIdentification) {
    const int slot = create_chat(client, L"bob", false);
    ASSERT_GT(slot, 0);
    ChatRecord& chat = client.chats[slot];
    copy_text(chat.peer_ip, L"198.51.100.4");
    chat.share_ip = true;
    SetWindowTextW(client.encrypted_text_edit, L"A1B2");
    show_status_notice("Old", "notice");

    click_tab(slot);
    EXPECT_EQ(client.current_chat, &chat);
    EXPECT_EQ(window_text(client.title_edit), L"bob");
    EXPECT_TRUE(IsWindowVisible(buffer_of(client, slot)));
    EXPECT_FALSE(IsWindowVisible(buffer_of(client, 0)));
    RECT place = child_rect(client.main_window, buffer_of(client, slot));
    EXPECT_EQ(place.left, 255);
    EXPECT_EQ(place.top, 35);
    EXPECT_EQ(place.right - place.left, 776);
    EXPECT_EQ(place.bottom - place.top, 500);
    EXPECT_EQ(window_text(client.peer_ip_edit), L"198.51.100.4");
    EXPECT_EQ(window_text(client.encrypted_text_edit), L"");
    EXPECT_EQ(status_text(0), L"");
    EXPECT_EQ(status_text(1), L"");
    EXPECT_EQ(GetFocus(), client.input_window);

    // No password, no encryption, correspondent not known to run Quillmere.
    check_controls(client, {
        {&ChatClient::close_tab_button, true},       {&ChatClient::encrypt_check, true, no, no},
        {&ChatClient::lock_icon, true, no},          {&ChatClient::encrypt_banner, false},
        {&ChatClient::encrypted_text_edit, false},   {&ChatClient::password_label, true},
        {&ChatClient::password_combo, true},         {&ChatClient::password_edit, true},
        {&ChatClient::user_info_group, true},        {&ChatClient::user_info_edit, true},
        {&ChatClient::file_transfer_group, true},    {&ChatClient::peer_ip_edit, true},
        {&ChatClient::get_ip_button, true, no},      {&ChatClient::file_path_edit, true},
        {&ChatClient::browse_button, true},          {&ChatClient::send_file_button, true},
        {&ChatClient::share_ip_check, true, no, yes}, {&ChatClient::compatible_icon, true, no},
        {&ChatClient::users_label, false},           {&ChatClient::private_chat_button, false},
        {&ChatClient::kick_button, false},           {&ChatClient::voice_off_button, false},
        {&ChatClient::voice_on_button, false},       {&ChatClient::filter_users_check, false},
        {&ChatClient::key_icon, false},              {&ChatClient::secret_icon, false},
        {&ChatClient::operator_icon, false},         {&ChatClient::moderated_icon, false},
    });
    for (HWND control : identification_controls(client)) EXPECT_FALSE(IsWindowVisible(control));
    for (int command : {IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND, IDM_SILENCE_ON, IDM_SILENCE_OFF})
        EXPECT_TRUE(menu_enabled(command)) << command;
    for (int command = IDM_PASSWORD_ON; command <= IDM_MESSAGES; ++command) EXPECT_TRUE(menu_greyed(command)) << command;
    EXPECT_TRUE(menu_greyed(IDM_CHANGE_TOPIC));
}

TEST_F(SelectChat, PrivateChatFollowsPasswordEncryptionAndPeerFlags) {
    const int slot = create_chat(client, L"carol", false);
    ASSERT_GT(slot, 0);
    ChatRecord& chat = client.chats[slot];
    copy_text(chat.password, L"river-stone");
    chat.encrypt_messages = true;
    chat.peer_ready = true;
    click_tab(slot);
    EXPECT_EQ(window_text(client.password_edit), L"river-stone");
    EXPECT_EQ(SendMessageW(client.password_combo, CB_GETCURSEL, 0, 0), CB_ERR);
    check_controls(client, {
        {&ChatClient::encrypt_check, true, yes, yes}, {&ChatClient::lock_icon, true, yes},
        {&ChatClient::encrypt_banner, true},          {&ChatClient::encrypted_text_edit, true},
        {&ChatClient::compatible_icon, true, yes},    {&ChatClient::share_ip_check, true, yes, no},
        {&ChatClient::get_ip_button, true, yes},
    });

    // Without the compatibility check there is no icon to light.
    client.check_compatible_app = false;
    click_tab(slot);
    check_controls(client, {{&ChatClient::compatible_icon, false}, {&ChatClient::get_ip_button, true, yes}});
    client.check_compatible_app = true;
}

TEST_F(SelectChat, ChannelShowsItsListButtonsAndIndicators) {
    const int slot = create_chat(client, L"#room", true);  // a new channel is selected at once
    ASSERT_GE(slot, 17);
    ChatRecord& chat = client.chats[slot];
    ASSERT_EQ(client.current_chat, &chat);
    EXPECT_EQ(window_text(client.title_edit), L"#room");
    EXPECT_TRUE(IsWindowVisible(chat.user_list));
    EXPECT_EQ(SendMessageW(chat.user_list, CB_GETCURSEL, 0, 0), CB_ERR);
    check_controls(client, {
        {&ChatClient::users_label, true},            {&ChatClient::private_chat_button, true, no},
        {&ChatClient::kick_button, true, no},        {&ChatClient::voice_off_button, true, no},
        {&ChatClient::voice_on_button, true, no},    {&ChatClient::filter_users_check, true, no, no},
        {&ChatClient::key_icon, true, no},           {&ChatClient::secret_icon, true, no},
        {&ChatClient::operator_icon, true, no},      {&ChatClient::moderated_icon, true, no},
        {&ChatClient::close_tab_button, true},       {&ChatClient::encrypt_check, true, no},
        {&ChatClient::lock_icon, true, no},          {&ChatClient::password_combo, true},
        {&ChatClient::user_info_group, false},       {&ChatClient::file_transfer_group, false},
        {&ChatClient::peer_ip_edit, false},          {&ChatClient::get_ip_button, false},
        {&ChatClient::send_file_button, false},      {&ChatClient::share_ip_check, false},
        {&ChatClient::compatible_icon, false},       {&ChatClient::logo_button, false},
        {&ChatClient::identification_group, false},
    });
    for (int command : {IDM_USERS_IN_OUT, IDM_MESSAGES, IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND})
        EXPECT_TRUE(menu_enabled(command)) << command;
    for (int command : {IDM_SILENCE_ON, IDM_SILENCE_OFF, IDM_PASSWORD_ON, IDM_MODERATED_OFF, IDM_CHANGE_TOPIC})
        EXPECT_TRUE(menu_greyed(command)) << command;

    // The keyword filter can be used once there are keywords.
    client.filter_keywords = {"bot"};
    chat.filter_users = true;
    click_tab(slot);
    check_controls(client, {{&ChatClient::filter_users_check, true, yes, yes}});
    client.filter_keywords.clear();
}

TEST_F(SelectChat, LeavingAChatRestoresTheOtherKindsLayout) {
    const int channel = create_chat(client, L"#room", true);
    const int person = create_chat(client, L"dave", false);
    ASSERT_GT(channel, 0);
    ASSERT_GT(person, 0);

    click_tab(person);  // channel -> private chat: the channel's list and buttons go
    EXPECT_FALSE(IsWindowVisible(client.chats[channel].user_list));
    EXPECT_FALSE(IsWindowVisible(buffer_of(client, channel)));
    check_controls(client, {{&ChatClient::users_label, false}, {&ChatClient::kick_button, false},
                            {&ChatClient::moderated_icon, false}, {&ChatClient::user_info_group, true}});

    click_tab(0);  // back to the server tab: exactly the start layout
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    EXPECT_EQ(window_text(client.title_edit), L"IRC Server");
    EXPECT_TRUE(IsWindowVisible(buffer_of(client, 0)));
    EXPECT_FALSE(IsWindowVisible(buffer_of(client, person)));
    for (HWND control : chat_specific_controls(client)) EXPECT_FALSE(IsWindowVisible(control)) << GetDlgCtrlID(control);
    for (HWND control : identification_controls(client)) EXPECT_TRUE(IsWindowVisible(control)) << GetDlgCtrlID(control);
    for (int command : {IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND, IDM_SILENCE_ON, IDM_USERS_IN_OUT, IDM_CHANGE_TOPIC})
        EXPECT_TRUE(menu_greyed(command)) << command;
}

TEST_F(SelectChat, ACommandForAClosedTabChangesNothing) {
    const int slot = create_chat(client, L"erin", false);
    ASSERT_GT(slot, 0);
    click_tab(slot);
    const int free_slot = 16;
    ASSERT_FALSE(client.chats[free_slot].in_use);
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(tab_button_id(free_slot), BN_CLICKED), 0);
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(399, BN_CLICKED), 0);  // beyond the table of slots
    EXPECT_EQ(client.current_chat, &client.chats[slot]);
    EXPECT_TRUE(IsWindowVisible(buffer_of(client, slot)));
    EXPECT_TRUE(IsWindowVisible(client.user_info_group));
}

using ChannelControls = MainWindowTest;

TEST_F(ChannelControls, IndicatorsAndMenuFollowTheModes) {
    const int slot = create_chat(client, L"#modes", true);
    ASSERT_GT(slot, 0);
    ChatRecord& chat = client.chats[slot];
    struct Case {
        bool has_key, secret, is_operator, moderated, topic_protected;
        bool modes_menu, topic_menu;
    };
    const Case cases[] = {
        {false, false, false, true, true, false, false},  // moderated only
        {true, true, true, false, true, true, true},
        {false, false, false, false, false, false, true},  // topic open to all
        {false, false, true, false, true, true, true},
        {true, false, false, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.has_key << c.secret << c.is_operator << c.moderated << c.topic_protected);
        chat.has_key = c.has_key;
        chat.secret = c.secret;
        chat.is_operator = c.is_operator;
        chat.moderated = c.moderated;
        chat.topic_protected = c.topic_protected;
        refresh_channel_controls(client);
        EXPECT_EQ(IsWindowEnabled(client.key_icon) != FALSE, c.has_key);
        EXPECT_EQ(IsWindowEnabled(client.secret_icon) != FALSE, c.secret);
        EXPECT_EQ(IsWindowEnabled(client.operator_icon) != FALSE, c.is_operator);
        EXPECT_EQ(IsWindowEnabled(client.moderated_icon) != FALSE, c.moderated);
        for (int command = IDM_PASSWORD_ON; command <= IDM_MODERATED_OFF; ++command)
            EXPECT_EQ(menu_enabled(command), c.modes_menu) << command;
        EXPECT_EQ(menu_enabled(IDM_CHANGE_TOPIC), c.topic_menu);
    }
}

TEST_F(ChannelControls, ModeratedOnlyChannelLightsOnlyItsIndicatorWhenSelected) {
    const int other = create_chat(client, L"frank", false);
    const int slot = create_chat(client, L"#quiet", true);
    ASSERT_GT(slot, 0);
    ChatRecord& chat = client.chats[slot];
    chat.moderated = true;
    chat.has_key = chat.secret = chat.is_operator = false;
    click_tab(other);
    click_tab(slot);
    check_controls(client, {{&ChatClient::moderated_icon, true, yes}, {&ChatClient::key_icon, true, no},
                            {&ChatClient::secret_icon, true, no}, {&ChatClient::operator_icon, true, no}});
}

using DisconnectReset = MainWindowTest;

TEST_F(DisconnectReset, ClosesEveryTabAndShowsTheNotConnectedState) {
    for (const wchar_t* name : {L"gina", L"hank"}) ASSERT_GT(create_chat(client, name, false), 0);
    for (const wchar_t* name : {L"#one", L"#two"}) ASSERT_GT(create_chat(client, name, true), 0);
    show_connection_state(client, true);
    set_menu_item_enabled(client, IDM_CONNECT, false);
    set_menu_item_enabled(client, IDM_DISCONNECT, true);
    set_menu_item_enabled(client, IDM_JOIN_FAVORITE_CHANNELS, true);
    ASSERT_NE(SetTimer(client.main_window, favorites_timer_id, favorites_timer_period_ms, nullptr), 0u);
    client.favorites_timer_running = true;

    disconnect_reset(client);

    for (int slot = 1; slot < chat_slot_count; ++slot) EXPECT_FALSE(client.chats[slot].in_use) << slot;
    EXPECT_EQ(client.channel_count, 0);
    EXPECT_EQ(client.private_chat_count, 1);  // the server tab
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    EXPECT_TRUE(IsWindowVisible(client.identification_group));
    EXPECT_TRUE(menu_enabled(IDM_CONNECT));
    EXPECT_TRUE(menu_greyed(IDM_DISCONNECT));
    EXPECT_TRUE(menu_greyed(IDM_JOIN_FAVORITE_CHANNELS));
    EXPECT_FALSE(client.favorites_timer_running);
    EXPECT_FALSE(KillTimer(client.main_window, favorites_timer_id));  // already gone

    // The red light of bitmap 125, not the green one of 126.
    HBITMAP light = reinterpret_cast<HBITMAP>(SendMessageW(client.connection_image, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(light, nullptr);
    const COLORREF centre = bitmap_pixel(light, 8, 8);
    EXPECT_GT(GetRValue(centre), 150);
    EXPECT_LT(GetGValue(centre), 100);
}

TEST_F(DisconnectReset, FromAnotherThreadRunsOnTheWindowsThread) {
    ASSERT_GT(create_chat(client, L"ivy", false), 0);
    ASSERT_GT(create_chat(client, L"#three", true), 0);
    ASSERT_TRUE(run_beside_ui([&] { disconnect_reset(client); }));
    EXPECT_EQ(find_chat(client, L"ivy"), -1);
    EXPECT_EQ(find_chat(client, L"#three"), -1);
    EXPECT_EQ(client.current_chat, &client.chats[0]);
}

}  // namespace
