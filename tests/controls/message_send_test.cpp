#include "input_fixture.h"

#include <algorithm>
#include <cctype>

#include "app/text.h"
#include "chat/palette.h"
#include "app/wire_text.h"
#include "controls/input_line.h"
#include "controls/message_split.h"
#include "crypto/message_crypto.h"
#include "irc/irc_line.h"
#include "connection/receive_loop.h"
#include "crypto/password_table.h"
#include "framework/message_box.h"
#include "settings/password_table.h"
#include "support/box_recorder.h"
#include "support/thread_language.h"
#include "support/window_probe.h"

namespace {
const COLORREF light_green = RGB(187, 231, 161);

bool is_upper_hex(const std::string& s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return false;
    return !s.empty();
}
}  // namespace

TEST_F(InputLineTest, PlainMessagesGoToTheSelectedChatAndEcho) {
    const int alice = open_chat(L"alice", false);
    connect();
    const int room = open_chat(L"#room", true);
    struct Case {
        int slot;
        const wchar_t* typed;
        const char* sent;
        const wchar_t* echo;
    } cases[] = {
        {room, L"hello", "PRIVMSG #room :hello", L" - hello"},
        {room, L" /join #a", "PRIVMSG #room : /join #a", L" -  /join #a"},
        {alice, L"hi alice", "PRIVMSG alice :hi alice", L" - hi alice"},
        // The code page's own text goes out in it, as ever; any other as UTF-8.
        {room, L"caf\u00e9 \u20ac", "PRIVMSG #room :caf\xE9 \x80", L" - caf\u00e9 \u20ac"},
        {room, L"Reply: \u041f\u0440\u0438\u0432\u0435\u0442 \u2615 caf\u00e9",
         "PRIVMSG #room :Reply: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x98\x95 caf\xC3\xA9",
         L" - Reply: \u041f\u0440\u0438\u0432\u0435\u0442 \u2615 caf\u00e9"},
    };
    for (const Case& c : cases) {
        select(c.slot);
        type_and_enter(c.typed);
        EXPECT_EQ(next_line(), c.sent) << c.typed;
        EXPECT_EQ(input_text(), L"");
        const std::wstring echo_line = std::wstring(L"[bob]") + c.echo + L"\r";
        EXPECT_NE(buffer_text(c.slot).find(echo_line), std::wstring::npos) << buffer_text(c.slot);
        EXPECT_TRUE(last_run_has_colours(c.slot, L"[bob]", colour_white, colour_away_back));
        EXPECT_TRUE(last_run_has_colours(c.slot, c.echo, colour_white, colour_black));
    }
    EXPECT_TRUE(nothing_sent_before_sentinel());  // the QUIT stayed inside the message
}

// A paste of several lines goes out a message a line, in order; a pasted
// line is never a command, and a refused line stays with those after it.
TEST_F(InputLineTest, APasteGoesOutLineByLineAndNeverRunsCommands) {
    connect();
    const int room = open_chat(L"#room", true);
    const std::wstring too_long(longest_message + 1, L'x');
    const struct {
        int slot;
        std::wstring typed;
        std::vector<std::string> sent;
        std::wstring kept;
        const wchar_t* shown;  // the error line, if any
    } cases[] = {
        {room, L"one\r\nQUIT\r\n\r\n/quit bye\ntwo\r",
         {"PRIVMSG #room :one", "PRIVMSG #room :QUIT", "PRIVMSG #room :/quit bye", "PRIVMSG #room :two"}, L"", nullptr},
        {room, L"fits\r\n" + too_long + L"\r\nafter", {"PRIVMSG #room :fits"}, too_long + L"\r\nafter",
         line_too_long_text},
        {0, L"a\r\nb", {}, L"", invalid_command_text},
    };
    for (const auto& c : cases) {
        select(c.slot);
        const size_t errors = c.shown ? count_in_buffer(c.slot, c.shown) : 0;
        type_and_enter(c.typed);
        for (const std::string& line : c.sent) EXPECT_EQ(next_line(), line);
        EXPECT_EQ(input_text(), c.kept);
        if (c.shown) {
            EXPECT_EQ(count_in_buffer(c.slot, c.shown), errors + 1);
        }
        SetWindowTextW(input, L"");
        EXPECT_TRUE(nothing_sent_before_sentinel());
    }
}

TEST_F(InputLineTest, TextInServerTabIsNeverSent) {
    connect();
    const size_t before = count_in_buffer(0, invalid_command_text);
    type_and_enter(L"hello server");
    EXPECT_EQ(count_in_buffer(0, invalid_command_text), before + 1);
    EXPECT_EQ(input_text(), L"");
    EXPECT_TRUE(nothing_sent_before_sentinel());
}

TEST_F(InputLineTest, EncryptedMessageCarriesOnlyTagAndBlock) {
    const int alice = open_chat(L"alice", false);
    connect();
    ChatRecord& chat = client.chats[alice];
    chat.encrypt_messages = true;
    copy_text(chat.password, L"Tulip9");
    const struct {
        std::wstring text;
        std::string plain;  // the bytes inside the block
    } cases[] = {
        {L"hello", "hello"},
        {L"caf\u00e9 \u20ac 16 bytes long!", "caf\xE9 \x80 16 bytes long!"},
        {L"\u0428\u0438\u0444\u0440 \u4e2d \U0001F600", "\xD0\xA8\xD0\xB8\xD1\x84\xD1\x80 \xE4\xB8\xAD \xF0\x9F\x98\x80"},
    };
    for (const auto& [text, plain] : cases) {
        type_and_enter(text);
        const std::string line = next_line();
        const std::string head = "PRIVMSG alice :[ZOVMSG01]";
        ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;
        const std::string block = line.substr(head.size());
        EXPECT_TRUE(is_upper_hex(block)) << block;
        EXPECT_EQ(block.size(), plain.size() < 16 ? 64u : 96u);
        EXPECT_EQ(decrypt_message(block, "Tulip9"), plain);
        EXPECT_EQ(window_text(client.encrypted_text_edit), wide_text(block, CP_ACP));
        const std::wstring echo = L" [ENCRYPTED] - " + text;
        EXPECT_NE(buffer_text(alice).find(L"[bob]" + echo + L"\r"), std::wstring::npos);
        EXPECT_TRUE(last_run_has_colours(alice, echo, light_green, colour_black));
        EXPECT_EQ(buffer_text(alice).find(wide_text(block, CP_ACP)), std::wstring::npos);
    }
    ASSERT_NE(client.encrypted_text_edit, nullptr) << "main window has no encrypted-text field";
}

TEST_F(InputLineTest, StoredPasswordOpensWhatAnotherCodePageSent) {
    const int alice = open_chat(L"alice", false);
    connect();
    ChatRecord& chat = client.chats[alice];
    chat.encrypt_messages = true;
    const wchar_t* passwords[] = {L"caf\u00e9-cr\u00e8me", L"\u0080\u0099\u00a0\u00ff"};
    for (const wchar_t* password : passwords) {
        // The correspondent keeps the password in its table; this side chooses
        // the same text for the chat, on threads of other code pages.
        set_stored_passwords(client, {{5, narrow_password(password)}});
        copy_text(chat.password, password);
        const int code_pages = under_each_code_page([&] {
            type_and_enter(L"hello");
            const std::string line = next_line();
            const std::string head = "PRIVMSG alice :[ZOVMSG01]";
            ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;
            EXPECT_EQ(decrypt_with_any_password(client, line.substr(head.size())), "hello");
        });
        EXPECT_GT(code_pages, 0);
    }
    set_stored_passwords(client, {});
}

TEST_F(InputLineTest, PasswordWithoutBytesOfItsOwnEncryptsNothing) {
    const int alice = open_chat(L"alice", false);
    connect();
    ChatRecord& chat = client.chats[alice];
    chat.encrypt_messages = true;
    copy_text(chat.password, L"price\u20ac");  // Windows-1252 would make '\u20ac' 0x80
    BoxRecorder boxes;
    type_and_enter(L"hello");
    const std::vector<BoxRecorder::Box> shown = boxes.take_boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, encryption_error_text);
    EXPECT_EQ(input_text(), L"hello");
    EXPECT_TRUE(nothing_sent_before_sentinel());
    EXPECT_EQ(count_in_buffer(alice, L"[bob]"), 0u);
}

TEST_F(InputLineTest, EncryptionWithoutPasswordSendsPlain) {
    const int alice = open_chat(L"alice", false);
    connect();
    client.chats[alice].encrypt_messages = true;
    client.chats[alice].password[0] = 0;
    type_and_enter(L"in the clear");
    EXPECT_EQ(next_line(), "PRIVMSG alice :in the clear");
    EXPECT_EQ(count_in_buffer(alice, L"[ENCRYPTED]"), 0u);
}

// A long message goes out in parts: each fits 512 bytes as the server relays
// it (with the longest host a server gives), each encrypted part is a whole
// block of its own, and the parts joined give the text back.
TEST_F(InputLineTest, LongMessagesGoOutInPartsThatFitTheRelayedLine) {
    const int alice = open_chat(L"alice", false);
    connect();
    const size_t relay_prefix =
        (":bob!~" + narrow_text(registration_username(client).c_str(), CP_ACP) + "@").size() + 63 + 1;

    std::wstring pasted;
    for (int i = 0; pasted.size() < 2100; ++i) pasted += format_text(L"word%d ", i);
    pasted.pop_back();
    type_and_enter(pasted);
    EXPECT_EQ(input_text(), L"");
    const std::string head = "PRIVMSG alice :";
    std::string joined;
    size_t parts = 0;
    for (std::string line = next_line(500); !line.empty(); line = next_line(500), ++parts) {
        ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;
        EXPECT_LE(relay_prefix + line.size() + 2, 512u);
        // Cut between words, the space between them left out.
        EXPECT_NE(line.back(), ' ') << line;
        joined += (joined.empty() ? "" : " ") + line.substr(head.size());
    }
    EXPECT_GE(parts, 5u);
    EXPECT_EQ(joined, narrow_text(pasted.c_str(), CP_ACP));
    EXPECT_EQ(count_in_buffer(alice, L"[bob]"), parts);

    client.chats[alice].encrypt_messages = true;
    copy_text(client.chats[alice].password, L"Tulip9");
    const std::wstring long_text(1000, L'e');
    type_and_enter(long_text);
    const std::string tagged = head + "[ZOVMSG01]";
    joined.clear();
    parts = 0;
    for (std::string line = next_line(500); !line.empty(); line = next_line(500), ++parts) {
        ASSERT_EQ(line.compare(0, tagged.size(), tagged), 0) << line;
        EXPECT_LE(relay_prefix + line.size() + 2, 512u);
        joined += decrypt_message(line.substr(tagged.size()), "Tulip9");
    }
    EXPECT_GE(parts, 3u);
    EXPECT_EQ(joined, std::string(1000, 'e'));
    EXPECT_EQ(count_in_buffer(alice, L"[ENCRYPTED]"), parts);

    // Beyond the longest message the text is refused and kept.
    const std::wstring flood(longest_message + 1, L'f');
    type_and_enter(flood);
    EXPECT_EQ(input_text(), flood);
    EXPECT_TRUE(nothing_sent_before_sentinel());
    EXPECT_EQ(count_in_buffer(alice, line_too_long_text), 1u);
}

// The server may give us another nickname (at its welcome, or by a NICK it
// forces): parts are cut for the name our lines are relayed under now.
TEST_F(InputLineTest, LongMessagesFitTheNicknameTheServerNowKnowsUsBy) {
    const int alice = open_chat(L"alice", false);
    connect();
    client.connection.username = L"bobuser";
    copy_text(client.chats[alice].password, L"Tulip9");
    const std::wstring longest = L"Renamed_by_the_server_0123456789ab";  // 34, the most that is kept
    const std::wstring connect_long = L"Chosen_at_connect_0123456789abcdef";
    struct Case {
        std::wstring at_connect, renaming_line, current;
        bool encrypted;
    } cases[] = {
        {L"bob", L":bob!~bobuser@host NICK :" + longest, longest, false},
        {L"bob", L":bob!~bobuser@host NICK :" + longest, longest, true},
        {L"bob", L":irc.example.test 001 " + longest + L" :Welcome", longest, true},
        {connect_long, L":" + connect_long + L"!u@h NICK shorter", L"shorter", false},
        {L"bob", L":carol!u@h NICK :" + longest, L"bob", false},  // someone else's new name
    };
    std::wstring message;
    for (int i = 0; message.size() < 1500; ++i) message += format_text(L"word%d ", i);
    message.pop_back();
    const std::string head = "PRIVMSG alice :";
    const std::string tagged = head + "[ZOVMSG01]";
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow_text(c.renaming_line.c_str(), CP_ACP));
        client.connection.nickname = c.at_connect;
        client.chats[alice].encrypt_messages = c.encrypted;
        dispatch_line(client, c.renaming_line);
        EXPECT_EQ(client.connection.nickname.get(), c.current);
        const size_t relay_prefix = (":" + narrow_text(c.current.c_str(), CP_ACP) + "!~" +
                                     narrow_text(registration_username(client).c_str(), CP_ACP) + "@")
                                        .size() + 63 + 1;
        type_and_enter(message);
        std::string joined;
        size_t parts = 0;
        for (std::string line = next_line(500); !line.empty(); line = next_line(500), ++parts) {
            EXPECT_LE(relay_prefix + line.size() + 2, 512u) << line;
            const std::string& start = c.encrypted ? tagged : head;
            ASSERT_EQ(line.compare(0, start.size(), start), 0) << line;
            const std::string rest = line.substr(start.size());
            // Cut between words, the space between them left out.
            joined += (joined.empty() ? "" : " ") + (c.encrypted ? decrypt_message(rest, "Tulip9") : rest);
        }
        EXPECT_GE(parts, 4u);
        EXPECT_EQ(joined, narrow_text(message.c_str(), CP_ACP));
    }
    client.chats[alice].encrypt_messages = false;
}

// Parts never split a character, and prefer to end after a space.
TEST(MessageSplit, PartsKeepCharactersWholeAndPreferSpaces) {
    const std::wstring pair = L"\U0001F600";  // one character, two UTF-16 units
    struct Case {
        std::wstring text;
        size_t room;
        unsigned code_page;
        std::vector<std::wstring> parts;
    } cases[] = {
        {L"abcdef", 4, CP_UTF8, {L"abcd", L"ef"}},
        {L"ab cdef", 4, CP_UTF8, {L"ab", L"cdef"}},
        {L"a bcdefg", 4, CP_UTF8, {L"a bc", L"defg"}},  // a space in the first half is not worth it
        {L"a" + pair + L"b", 4, CP_UTF8, {L"a", pair, L"b"}},
        {L"\u00e9\u00e9\u00e9", 5, CP_UTF8, {L"\u00e9\u00e9", L"\u00e9"}},
        {L"\u00e9\u00e9\u00e9", 2, 1252, {L"\u00e9\u00e9", L"\u00e9"}},
        // Text that 1252 does not hold goes out as UTF-8 and is weighed so.
        {L"\u0416\u0416\u0416", 5, 1252, {L"\u0416\u0416", L"\u0416"}},
        {L"a" + pair + L"b", 4, 1252, {L"a", pair, L"b"}},
        {L"\u00e9\u00e9\u00e9 \u0416", 4, 1252, {L"\u00e9\u00e9", L"\u00e9", L"\u0416"}},
        {L"short", 100, CP_UTF8, {L"short"}},
        {L"  a", 1, CP_UTF8, {L" ", L" ", L"a"}},  // never an empty part
        {L"x", 0, CP_UTF8, {}},
        // Two bytes a kana in 932 (three in UTF-8), one for ASCII.
        {L"\u3042\u3044\u3046", 5, 932, {L"\u3042\u3044", L"\u3046"}},
        {L"a\u3042b\u3044c", 3, 932, {L"a\u3042", L"b\u3044", L"c"}},
        // Half-width katakana take one byte in 932.
        {L"\uFF71\uFF72\uFF73\uFF74", 3, 932, {L"\uFF71\uFF72\uFF73", L"\uFF74"}},
        // 932 has no exact form for the accented letter: all of it is weighed as UTF-8.
        {L"\u3042\u00e9", 4, 932, {L"\u3042", L"\u00e9"}},
        // A lone surrogate goes out as U+FFFD, three bytes, and is never paired
        // with the character after it.
        {L"\xD800x", 3, CP_UTF8, {L"\xD800", L"x"}},
        {L"\xDE00\xD83D\xDE00", 4, CP_UTF8, {L"\xDE00", L"\xD83D\xDE00"}},
        {L"\u3042\xD800\u3044", 4, 932, {L"\u3042", L"\xD800", L"\u3044"}},
        {L"ab\xD800", 3, 1252, {L"ab", L"\xD800"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        const std::vector<std::wstring> parts = split_message(c.text, c.room, c.code_page);
        EXPECT_EQ(parts, c.parts);
        // Each part fits as it goes out, and together they are the message
        // but for the space a part may end at.
        const auto unspaced = [](std::wstring text) {
            text.erase(std::remove(text.begin(), text.end(), L' '), text.end());
            return text;
        };
        std::wstring joined;
        for (const std::wstring& part : parts) {
            EXPECT_LE(encode_wire_text(part, c.code_page).size(), c.room);
            joined += part;
        }
        if (c.room > 0) EXPECT_EQ(unspaced(joined), unspaced(c.text));
    }
    EXPECT_EQ(encrypted_text_room(10 + 64), 15u);   // two cipher blocks: the random prefix and 15 bytes
    EXPECT_EQ(encrypted_text_room(10 + 63), 0u);    // one block holds only the prefix and padding
    EXPECT_EQ(message_room(L"bob", L"z-zbob", L"alice"), 512u - 2 - (1 + 3 + 1 + 1 + 6 + 1 + 63 + 1) - 8 - 5 - 2);
}

TEST_F(InputLineTest, OfflineOnlyIplocalInPrivateChat) {
    ASSERT_FALSE(client.server_socket.connected);
    const int alice = open_chat(L"alice", false);
    const int room = open_chat(L"#room", true);
    client.chats[alice].peer_ready = false;

    select(alice);
    type_and_enter(L"/iplocal");
    EXPECT_EQ(std::wstring(client.chats[alice].peer_ip), L"127.0.0.1");
    EXPECT_TRUE(client.chats[alice].peer_ready);
    EXPECT_EQ(input_text(), L"");
    EXPECT_EQ(count_in_buffer(alice, not_connected_text), 0u);

    struct Case {
        int slot;
        const wchar_t* typed;
    } refused[] = {{room, L"/iplocal"}, {0, L"/iplocal"}, {alice, L"/IPLOCAL"}, {alice, L"/iplocal "},
                   {alice, L"hello"},   {room, L"/join #x"}};
    for (const Case& c : refused) {
        select(c.slot);
        const size_t before = count_in_buffer(c.slot, not_connected_text);
        type_and_enter(c.typed);
        EXPECT_EQ(count_in_buffer(c.slot, not_connected_text), before + 1) << c.typed;
        EXPECT_EQ(input_text(), L"") << c.typed;
    }
    EXPECT_TRUE(last_run_has_colours(alice, not_connected_text, colour_error_text, colour_error_back));
}

TEST_F(InputLineTest, EnterOnEmptyLineAndOtherKeys) {
    connect();
    open_chat(L"#room", true);
    type_and_enter(L"");
    EXPECT_TRUE(nothing_sent_before_sentinel());
    SendMessageW(input, WM_CHAR, L'a', 1);
    SendMessageW(input, WM_CHAR, L'b', 1);
    EXPECT_EQ(input_text(), L"ab");
}
