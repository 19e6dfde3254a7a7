#include <gtest/gtest.h>

#include "chat/silence.h"
#include "irc_fixture.h"

namespace {

using Silence = IrcTest;

TEST_F(Silence, ServerSilenceSendsTheNicknameUnchanged) {
    set_silence(client, L"bob", true);
    EXPECT_EQ(status_text(0), L"Silence ON");
    EXPECT_EQ(status_text(1), L"Don't allow to receive messages from bob");
    set_silence(client, L"bob", false);
    EXPECT_EQ(status_text(0), L"Silence OFF");
    EXPECT_EQ(status_text(1), L"Allow to receive messages from bob");
    EXPECT_EQ(sent_lines(), (std::vector<std::string>{"SILENCE +bob", "SILENCE -bob"}));
}

TEST_F(Silence, AllButTogglesAndNeverSendsAnything) {
    toggle_silence_all_but(client, L"alice");
    EXPECT_EQ(silence_all_but_nickname(client), L"alice");
    EXPECT_EQ(status_text(0), L"Silence ALL ON");
    EXPECT_EQ(status_text(1), L"Only allow to receive messages from alice");
    EXPECT_TRUE(silenced_by_filter(client, L"bob"));
    EXPECT_FALSE(silenced_by_filter(client, L"ALICE"));
    toggle_silence_all_but(client, L"carol");
    EXPECT_EQ(silence_all_but_nickname(client), L"");
    EXPECT_EQ(status_text(0), L"Silence ALL OFF");
    EXPECT_EQ(status_text(1), L"Allow to receive messages from all");
    EXPECT_FALSE(silenced_by_filter(client, L"bob"));
    toggle_silence_all_but(client, std::wstring(60, L'n').c_str());
    EXPECT_EQ(silence_all_but_nickname(client), std::wstring(34, L'n'));
    toggle_silence_all_but(client, L"");
    toggle_silence_all_but(client, L"");  // switching on needs a nickname
    EXPECT_EQ(silence_all_but_nickname(client), L"");
    EXPECT_TRUE(sent_lines().empty());
}

TEST(EqualIgnoringCase, Table) {
    struct Case {
        const wchar_t *a, *b;
        bool equal;
    } cases[] = {
        {L"Alice", L"alice", true}, {L"alice", L"alicE", true}, {L"alice", L"alic", false},
        {L"", L"", true},           {L"\u00C9mile", L"\u00E9mile", true}, {L"a[b", L"a{b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(equal_ignoring_case(c.a, c.b), c.equal);
}

}  // namespace
