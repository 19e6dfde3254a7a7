#include <richedit.h>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat_fixture.h"
#include "controls/buffer_edit.h"

namespace {

using ChatSlots = ChatTest;

TEST_F(ChatSlots, NewChatsTakeTheFirstFreeSlotOfTheirRangeWithTheirWindows) {
    struct Case {
        const wchar_t* name;
        bool is_channel;
        int slot, button_left, button_top;
    };
    const Case cases[] = {
        {L"alice", false, 1, 1070, 71},  // the server tab's button stands above
        {L"#room", true, 17, 1226, 35},
        {L"bert", false, 2, 1070, 107},
        {L"#hall", true, 18, 1226, 71},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.slot);
        ASSERT_EQ(create_chat(client, c.name, c.is_channel), c.slot);
        const ChatRecord& chat = client.chats[c.slot];
        EXPECT_TRUE(chat.in_use);
        EXPECT_EQ(chat.is_channel, c.is_channel);
        EXPECT_EQ(chat.name, c.name);
        EXPECT_EQ(chat.control_id, 200 + 2 * c.slot);

        ASSERT_NE(chat.buffer, nullptr);
        HWND buffer = chat.buffer->window;
        EXPECT_EQ(_wcsicmp(class_of(buffer).c_str(), L"RICHEDIT50W"), 0);
        EXPECT_EQ(GetDlgCtrlID(buffer), chat.control_id);
        EXPECT_EQ(GetParent(buffer), client.main_window);
        EXPECT_TRUE(GetWindowLongPtrW(buffer, GWL_STYLE) & ES_READONLY);

        ASSERT_NE(chat.button, nullptr);
        EXPECT_EQ(GetDlgCtrlID(chat.button), chat.control_id + 1);
        wchar_t caption[64] = {};
        GetWindowTextW(chat.button, caption, 64);
        EXPECT_STREQ(caption, c.name);
        RECT rect = child_rect(client.main_window, chat.button);
        EXPECT_EQ(rect.left, c.button_left);
        EXPECT_EQ(rect.top, c.button_top);
        EXPECT_EQ(rect.right - rect.left, 150);
        EXPECT_EQ(rect.bottom - rect.top, 30);

        if (c.is_channel) {
            ASSERT_NE(chat.user_list, nullptr);
            EXPECT_EQ(_wcsicmp(class_of(chat.user_list).c_str(), L"ComboBox"), 0);
            EXPECT_FALSE(IsWindowVisible(chat.user_list));
            RECT list = child_rect(client.main_window, chat.user_list);
            EXPECT_EQ(list.left, 20);
            EXPECT_EQ(list.top, 40);
        } else {
            EXPECT_EQ(chat.user_list, nullptr);
        }
    }
    EXPECT_EQ(client.private_chat_count, 3);  // the server tab counts
    EXPECT_EQ(client.channel_count, 2);

    HWND gone[] = {client.chats[17].button, client.chats[17].buffer->window, client.chats[17].user_list};
    for (const char* entry : {"@op", "+voice"}) client.chats[17].users.list(entry);
    close_chat(client, L"#room");
    EXPECT_FALSE(client.chats[17].in_use);
    EXPECT_TRUE(client.chats[17].users.empty());
    EXPECT_EQ(client.chats[17].buffer, nullptr);
    for (HWND window : gone) EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(client.channel_count, 1);
    EXPECT_EQ(create_chat(client, L"#again", true), 17);  // the freed slot is reused
}

TEST_F(ChatSlots, ReusedSlotStartsFromItsResetValues) {
    // A private chat: a new channel is selected at once, which clears its unread mark.
    ASSERT_EQ(create_chat(client, L"old", false), 1);
    ChatRecord& chat = client.chats[1];
    for (const char* entry : {"@op", "+voice"}) chat.users.list(entry);
    chat.whois_lines = {"old"};
    chat.pending_lines.push_back({L"held", 0, 0, true});
    copy_text(chat.password, L"secret");
    copy_text(chat.topic, L"old topic");
    chat.unread = false;
    chat.mention = chat.has_key = chat.secret = chat.is_operator = chat.moderated = chat.encrypt_messages = true;
    chat.peer_ready = chat.share_ip = chat.filter_users = chat.show_users_in_out = true;
    chat.process_links = chat.message_sound = true;
    chat.topic_protected = chat.show_messages = false;
    chat.user_list_state = 7;
    close_chat(client, L"old");

    ASSERT_EQ(create_chat(client, L"new", false), 1);
    EXPECT_EQ(chat.name, L"new");
    EXPECT_TRUE(chat.users.empty());
    EXPECT_TRUE(chat.whois_lines.empty());
    EXPECT_TRUE(chat.pending_lines.empty());
    EXPECT_STREQ(chat.password, L"");
    EXPECT_STREQ(chat.topic, L"");
    EXPECT_TRUE(chat.unread);
    EXPECT_TRUE(chat.topic_protected);
    EXPECT_TRUE(chat.show_messages);
    EXPECT_EQ(chat.user_list_state, 8u);
    for (bool flag : {bool(chat.mention), chat.has_key, chat.secret, chat.is_operator, chat.moderated,
                      chat.encrypt_messages, chat.peer_ready, bool(chat.share_ip), chat.filter_users,
                      chat.show_users_in_out, chat.process_links, chat.message_sound})
        EXPECT_FALSE(flag);
}

TEST_F(ChatSlots, LookupIsExactAndCaseSensitive) {
    const int lower = open_private_chat(client, L"bob", false);
    const int upper = open_private_chat(client, L"Bob", false);
    ASSERT_GT(lower, 0);
    ASSERT_GT(upper, 0);
    EXPECT_NE(lower, upper);
    struct Case {
        const wchar_t* name;
        int slot;
    } cases[] = {{L"bob", lower}, {L"Bob", upper}, {L"BOB", -1}, {L"bo", -1}, {L"bob ", -1},
                 {L"IRC Server", 0}, {L"", -1}, {nullptr, -1}};
    for (const Case& c : cases) EXPECT_EQ(find_chat(client, c.name), c.slot) << (c.name ? c.name : L"(null)");

    // Opening an existing chat again does nothing.
    EXPECT_EQ(open_private_chat(client, L"bob", true), -1);
    EXPECT_EQ(client.private_chat_count, 3);
}

TEST_F(ChatSlots, RefusesOwnNicknameEmptyNamesAndNamesTooLongToClose) {
    client.connection.nickname = L"me";
    EXPECT_EQ(open_private_chat(client, L"me", true), -1);
    EXPECT_EQ(open_private_chat(client, L"", true), -1);
    EXPECT_EQ(open_private_chat(client, nullptr, true), -1);
    EXPECT_EQ(create_chat(client, (L"#" + std::wstring(204, L'x')).c_str(), true), -1);
    EXPECT_EQ(create_chat(client, (L"#" + std::wstring(203, L'x')).c_str(), true), 17);
    EXPECT_EQ(find_chat(client, L"me"), -1);
    EXPECT_EQ(client.private_chat_count, 1);
    // "Me" is somebody else.
    EXPECT_GT(open_private_chat(client, L"Me", false), 0);
}

TEST_F(ChatSlots, SeventeenthPrivateChatIsRefusedWithStatusNotice) {
    for (int n = 1; n <= 16; ++n) ASSERT_EQ(open_private_chat(client, format_text(L"user%d", n).c_str(), false), n);
    EXPECT_EQ(client.private_chat_count, 17);
    EXPECT_EQ(open_private_chat(client, L"onemore", false), -1);
    EXPECT_EQ(find_chat(client, L"onemore"), -1);
    EXPECT_EQ(status_text(0), L"Chats limit");
    EXPECT_EQ(status_text(1), L"You can't open more private chats.");
    // The channel range is separate.
    EXPECT_EQ(create_chat(client, L"#still", true), 17);

    close_chat(client, L"user5");
    EXPECT_EQ(open_private_chat(client, L"onemore", false), 5);
}

TEST_F(ChatSlots, CloseLeavesServerTabAndUnknownNamesAlone) {
    close_chat(client, L"IRC Server");
    close_chat(client, L"nobody");
    close_chat(client, nullptr);
    EXPECT_TRUE(client.chats[0].in_use);
    EXPECT_NE(client.chats[0].buffer, nullptr);
    EXPECT_EQ(client.private_chat_count, 1);
}

TEST_F(ChatSlots, ClosingTheSelectedChatFallsBackToTheServerTab) {
    const int slot = open_private_chat(client, L"gone", false);
    ASSERT_GT(slot, 0);
    client.current_chat = &client.chats[slot];
    close_chat(client, L"gone");
    EXPECT_EQ(client.current_chat, &client.chats[0]);
}

TEST_F(ChatSlots, NewBufferIsBoldWhiteOnBlack) {
    const int slot = open_private_chat(client, L"fresh", false);
    HWND buffer = buffer_window(slot);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(buffer, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, RGB(255, 255, 255));
    EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    EXPECT_FALSE(format.dwEffects & (CFE_ITALIC | CFE_UNDERLINE | CFE_AUTOCOLOR));
    // Setting the background answers the previous one.
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(buffer, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 0))), RGB(0, 0, 0));
}

}  // namespace
