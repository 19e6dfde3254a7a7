#include "input_fixture.h"

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/input_line.h"
#include "controls/typed_commands.h"
#include "crypto/message_crypto.h"
#include "irc/irc_line.h"
#include "app/text.h"
#include "support/test_client.h"

class TypedCommandTest : public InputLineTest {
protected:
    std::vector<std::string> sent_for(const std::wstring& typed) {
        type_and_enter(typed);
        type_and_enter(L"/time");
        std::vector<std::string> lines;
        for (std::string line = next_line(); !line.empty() && line != "TIME"; line = next_line())
            lines.push_back(line);
        return lines;
    }
    void key(WPARAM key_code) {
        SendMessageW(input, WM_KEYDOWN, key_code, 1);
        if (key_code == VK_TAB) SendMessageW(input, WM_CHAR, L'\t', 1);
        pump_messages();
    }
    void type_at_end(const std::wstring& text) {
        SetWindowTextW(input, text.c_str());
        SendMessageW(input, EM_SETSEL, text.size(), text.size());
    }
};

TEST_F(TypedCommandTest, CommandsSendTheirLinesAndShowWhatTheyDid) {
    connect();
    const int room = open_chat(L"#room", true);
    // The last line sent (nullptr: none) and a text then in the selected chat (nullptr: none asked).
    struct Case { const wchar_t *typed; const char* sent; const wchar_t* shown; } cases[] = {
        {L"/me waves", "PRIVMSG #room :\x01" "ACTION waves\x01", L"* bob waves"},
        {L"/ME  waves twice", "PRIVMSG #room :\x01" "ACTION  waves twice\x01", nullptr},
        {L"/msg #elsewhere hi", "PRIVMSG #elsewhere :hi", L"-> [#elsewhere] hi"},
        {L"/notice carol psst", "NOTICE carol :psst", L"-> -carol- psst"},
        {L"/nick robert", "NICK robert", nullptr}, {L"/back", "AWAY", nullptr},
        {L"/away gone for lunch", "AWAY :gone for lunch", nullptr}, {L"/away", "AWAY :Away", nullptr},
        {L"/topic a new  topic", "TOPIC #room :a new  topic", nullptr},
        {L"/topic", "TOPIC #room", nullptr}, {L"/topic #other its topic", "TOPIC #other :its topic", nullptr},
        {L"/part", "PART #room", nullptr}, {L"/part see you all", "PART #room :see you all", nullptr},
        {L"/part #room as ever", "PART #room as ever", nullptr},
        {L"/quit", "QUIT", nullptr}, {L"/quit gone home", "QUIT :gone home", nullptr},
        {L"/ctcp carol version", "PRIVMSG carol :\x01VERSION\x01", L"-> [carol] CTCP VERSION"},
        {L"/ctcp carol ping 12 ab", "PRIVMSG carol :\x01PING 12 ab\x01", nullptr},
        {L"/raw MODE #room +i", "MODE #room +i", nullptr}, {L"/QUOTE privmsg x :y z", "privmsg x :y z", nullptr},
        {L"/whois carol", "WHOIS carol", nullptr},
        // Refused: nothing goes out, the reason is shown where the user is.
        {L"/foo bar", nullptr, L"Unknown command /foo"},
        {L"/ join #a", nullptr, L"Unknown command /\r"},
        {L"/me", nullptr, L"Usage: /me TEXT"}, {L"/msg carol", nullptr, L"Usage: /msg NICK TEXT"},
        {L"/ctcp carol", nullptr, L"Usage: /ctcp NICK WHAT"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> sent = sent_for(c.typed);
        if (c.sent) {
            ASSERT_FALSE(sent.empty()) << testing::PrintToString(std::wstring(c.typed));
            EXPECT_EQ(sent.back(), c.sent);
        } else {
            EXPECT_TRUE(sent.empty()) << sent.front();
        }
        if (c.shown) {
            EXPECT_EQ(count_in_buffer(room, c.shown), 1u) << buffer_text(room);
        }
    }
    EXPECT_TRUE(last_run_has_colours(room, L"* bob waves", colour_action, colour_black));
    EXPECT_TRUE(last_run_has_colours(room, L"Unknown command /foo", colour_error_text, colour_error_back));
    // Outside a channel or chat, the commands that need one say so.
    select(0);
    EXPECT_TRUE(sent_for(L"/me hi").empty());
    EXPECT_TRUE(sent_for(L"/part").empty());
    EXPECT_EQ(count_in_buffer(0, not_in_chat_text), 1u);
    EXPECT_EQ(count_in_buffer(0, not_in_channel_text), 1u);
}

TEST_F(TypedCommandTest, MessageAndQueryOpenThePrivateChat) {
    connect();
    const int room = open_chat(L"#room", true);
    const std::vector<std::string> sent = sent_for(L"/msg carol hi there");
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "PRIVMSG carol :hi there");
    const int carol = find_chat(client, L"carol");
    ASSERT_GT(carol, 0);
    EXPECT_EQ(client.current_chat->slot, room);  // opened, not selected
    EXPECT_EQ(count_in_buffer(carol, L"[bob] - hi there"), 1u);

    EXPECT_EQ(sent_for(L"/query carol").size(), 0u);
    EXPECT_EQ(client.current_chat->slot, carol);
    sent_for(L"/query dave hello");
    const int dave = find_chat(client, L"dave");
    ASSERT_GT(dave, 0);
    EXPECT_EQ(client.current_chat->slot, dave);
    EXPECT_EQ(count_in_buffer(dave, L"[bob] - hello"), 1u);
}

TEST_F(TypedCommandTest, EncryptedActionCarriesTheBlockInsideTheFrame) {
    const int alice = open_chat(L"alice", false);
    connect();
    client.chats[alice].encrypt_messages = true;
    copy_text(client.chats[alice].password, L"Tulip9");
    const std::vector<std::string> sent = sent_for(L"/me hides");
    ASSERT_EQ(sent.size(), 1u);
    const std::string head = "PRIVMSG alice :\x01" "ACTION [ZOVMSG01]";
    ASSERT_EQ(sent[0].compare(0, head.size(), head), 0) << sent[0];
    ASSERT_EQ(sent[0].back(), '\x01');
    const std::string block = sent[0].substr(head.size(), sent[0].size() - head.size() - 1);
    EXPECT_EQ(decrypt_message(block, "Tulip9"), "hides");
    EXPECT_EQ(count_in_buffer(alice, L"* bob [ENCRYPTED] hides"), 1u);
}

TEST_F(TypedCommandTest, TabCompletesNicknamesChannelsAndCommands) {
    connect();
    const int room = open_chat(L"#room", true);
    {
        ChatRecord& chat = client.chats[room];
        std::lock_guard<std::mutex> guard(chat.lock);
        for (const char* entry : {"@alice", "alan", "bob", "Albert", "+zed"}) chat.users.list(entry);
    }
    // Whoever spoke last in the channel comes first.
    dispatch_line(client, L":alice!u@h PRIVMSG #room :hello");
    struct Case {
        const wchar_t* typed;
        std::vector<const wchar_t*> after_tabs;  // the line after each Tab
    } cases[] = {
        // The last speaker first, then alphabetically; cycling comes round.
        {L"al", {L"alice: ", L"alan: ", L"Albert: ", L"alice: "}},
        {L"hi ZE", {L"hi zed "}},
        {L"b", {L"b"}},  // the user's own nickname is never offered
        {L"/qu", {L"/query ", L"/quit ", L"/quote "}},
        {L"join #r", {L"join #room "}},
        {L"xyz", {L"xyz"}},
    };
    for (const Case& c : cases) {
        type_at_end(c.typed);
        for (const wchar_t* expected : c.after_tabs) {
            key(VK_TAB);
            EXPECT_EQ(input_text(), expected) << testing::PrintToString(std::wstring(c.typed));
        }
    }
}

TEST_F(TypedCommandTest, UpAndDownWalkTheLinesSentFromThatChat) {
    connect();
    const int room = open_chat(L"#room", true);
    const int alice = open_chat(L"alice", false);
    select(room);
    for (const wchar_t* line : {L"one", L"two", L"/time"}) type_and_enter(line);
    select(alice);
    type_and_enter(L"for alice");
    select(room);
    type_at_end(L"half typed");
    struct Step {
        WPARAM key;
        const wchar_t* shown;
    } steps[] = {
        {VK_UP, L"/time"}, {VK_UP, L"two"},   {VK_UP, L"one"},        {VK_UP, L"one"},
        {VK_DOWN, L"two"}, {VK_DOWN, L"/time"}, {VK_DOWN, L"half typed"}, {VK_DOWN, L"half typed"},
    };
    for (const Step& step : steps) {
        key(step.key);
        EXPECT_EQ(input_text(), step.shown);
    }
    select(alice);
    type_at_end(L"");
    key(VK_UP);
    EXPECT_EQ(input_text(), L"for alice");
    key(VK_UP);
    EXPECT_EQ(input_text(), L"for alice");
}
