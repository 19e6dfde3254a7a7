#include "input_fixture.h"

#include "chat/palette.h"
#include "controls/input_line.h"

TEST_F(InputLineTest, SlashCommandsBecomeTheirIrcLines) {
    connect();
    open_chat(L"#room", true);
    struct Case {
        const wchar_t* typed;
        const char* sent;
    } cases[] = {
        {L"/join #room", "JOIN #room"},
        {L"/JOIN #room", "JOIN #room"},
        {L"/Join #room key", "JOIN #room key"},
        {L"/joinx #a", "JOIN #a"},
        {L"/join", "JOIN "},  // no argument: the server answers with its own error
        {L"/part #room see you", "PART #room see you"},
        {L"/quit leaving now", "QUIT :leaving now"},
        {L"/userip bob", "USERIP bob"},
        {L"/usERIP a  b", "USERIP a  b"},
        {L"/userhost bob", "USERHOST bob"},
        {L"/userhostz bob", "USERHOST bob"},
        {L"/whois bob", "WHOIS bob"},
        {L"/help me", "HELP"},
        {L"/INFO", "INFO"},
        {L"/lusers x", "LUSERS"},
        {L"/time", "TIME"},
        {L"/versions", "VERSION"},
        {L"/who #room", "WHO #room"},
        {L"/who ", "WHO "},
        {L"/silence", "SILENCE"},
        {L"/SILENCE x", "SILENCE"},
    };
    const size_t shown_before = count_in_buffer(0, invalid_command_text);
    for (const Case& c : cases) {
        type_and_enter(c.typed);
        EXPECT_EQ(next_line(), c.sent) << c.typed;
        EXPECT_EQ(input_text(), L"") << c.typed;
    }
    // Commands are never echoed.
    EXPECT_EQ(count_in_buffer(0, invalid_command_text), shown_before);
    EXPECT_EQ(count_in_buffer(client.current_chat->slot, L"[bob]"), 0u);
}

TEST_F(InputLineTest, UnknownCommandsShownInTheSelectedChat) {
    connect();
    const int room = open_chat(L"#room", true);
    const wchar_t* refused[] = {L"/", L"/iplocal", L"/ join #a", L"/jo", L"/nickname bob"};
    for (const wchar_t* typed : refused) {
        const size_t before = count_in_buffer(room, L"Unknown command /");
        type_and_enter(typed);
        EXPECT_EQ(count_in_buffer(room, L"Unknown command /"), before + 1) << typed;
        EXPECT_EQ(input_text(), L"") << typed;
        EXPECT_TRUE(nothing_sent_before_sentinel()) << typed;
    }
    EXPECT_TRUE(last_run_has_colours(room, L"Unknown command /nickname", colour_error_text, colour_error_back));
    EXPECT_EQ(count_in_buffer(0, L"Unknown command"), 0u);
}

TEST_F(InputLineTest, OverlongCommandRefusedAndKept) {
    connect();
    const int room = open_chat(L"#room", true);
    // WHOIS and USERHOST lines have a limit of their own; every line fits 2048.
    const std::wstring lines[] = {L"/whois " + std::wstring(200, L'x'), L"/join #" + std::wstring(2100, L'a')};
    for (const std::wstring& typed : lines) {
        type_and_enter(typed);
        EXPECT_EQ(input_text(), typed);
        EXPECT_TRUE(nothing_sent_before_sentinel());
    }
    EXPECT_EQ(count_in_buffer(room, line_too_long_text), 2u);
}
