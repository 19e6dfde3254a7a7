#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "irc/irc_line.h"

namespace {

struct SplitCase {
    const wchar_t* line;
    bool ok;
    std::vector<std::wstring> tokens;
};

TEST(SplitTokens, EverySingleSpaceSeparates) {
    const SplitCase cases[] = {
        {L":n!u@h PRIVMSG #c :hi there", true, {L":n!u@h", L"PRIVMSG", L"#c", L":hi", L"there"}},
        {L"a  b", true, {L"a", L"", L"b"}},
        {L" a", true, {L"", L"a"}},
        {L"a ", true, {L"a", L""}},
        {L" ", true, {L"", L""}},
        {L"   ", true, {L"", L"", L"", L""}},
        {L"a\tb c", true, {L"a\tb", L"c"}},      // a tab does not separate
        {L"a :b:c d", true, {L"a", L":b:c", L"d"}},  // nor does a colon
        {L"", false, {}},
        {L"NOSPACE", false, {}},
        {L"PING:x", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line [" << std::wstring(c.line) << "]");
        IrcLine line;
        EXPECT_EQ(split_tokens(c.line, line), c.ok);
        EXPECT_EQ(line.tokens, c.tokens);
    }
}

TEST(SplitTokens, TokenCountIsSpacesPlusOne) {
    std::wstring spaces(65535, L' ');
    IrcLine line;
    ASSERT_TRUE(split_tokens(spaces, line));
    EXPECT_EQ(line.tokens.size(), 65536u);
    EXPECT_EQ(line.token(70000), L"");
}

struct PositionCase {
    const wchar_t* line;
    size_t k;
    const wchar_t* after;  // text after token k
    const wchar_t* from;   // text from token k
};

TEST(IrcLine, TrailingTextIsTakenByPosition) {
    const PositionCase cases[] = {
        {L":n!u@h PRIVMSG #c :a  b", 3, L"a  b", L":a  b"},
        {L":n!u@h PRIVMSG #c :", 3, L"", L":"},
        {L":n!u@h PRIVMSG #c", 3, L"", L""},          // no token 3
        {L":n!u@h PRIVMSG #c ", 3, L"", L""},         // empty token 3
        {L":n!u@h PRIVMSG #c x y z", 3, L" y z", L"x y z"},  // first character skipped whatever it is
        {L":n!u@h  PRIVMSG #c :x", 3, L"c :x", L"#c :x"},    // double space shifts positions
        {L":srv 004 me irc.example v1 :modes", 3, L"rc.example v1 :modes", L"irc.example v1 :modes"},
        {L"a b", 7, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line [" << std::wstring(c.line) << "] k=" << c.k);
        IrcLine line;
        ASSERT_TRUE(split_tokens(c.line, line));
        EXPECT_EQ(line.text_after_token(c.k), c.after);
        EXPECT_EQ(line.text_from_token(c.k), c.from);
    }
}

struct SenderCase {
    const wchar_t* line;
    bool has_line_sender;
    const wchar_t* line_sender;
    const wchar_t* prefix_sender;
};

TEST(SenderNickname, ThreeRules) {
    const SenderCase cases[] = {
        {L":bob!u@h JOIN #c", true, L"bob", L"bob"},
        {L":irc.example NOTICE AUTH :hi", false, L"", L"irc.example"},
        {L":irc.example MODE #c +b x!*@*", false, L"", L"irc.example"},  // '!' only past token 0
        {L":!u@h JOIN #c", false, L"", L""},
        {L": PRIVMSG me :x", false, L"", L""},
        {L"bob!u@h JOIN #c", true, L"ob", L"ob"},  // the first character is dropped whatever it is
        {L":a!b!c PART #c", true, L"a", L"a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line [" << std::wstring(c.line) << "]");
        IrcLine line;
        ASSERT_TRUE(split_tokens(c.line, line));
        std::wstring sender;
        EXPECT_EQ(line_sender_nickname(line, sender), c.has_line_sender);
        if (c.has_line_sender) {
            EXPECT_EQ(sender, c.line_sender);
        }
        EXPECT_EQ(prefix_sender_nickname(line), c.prefix_sender);
    }
}

TEST(SenderNickname, IsCutAt1023Characters) {
    std::wstring nick(5000, L'n');
    IrcLine line;
    ASSERT_TRUE(split_tokens(L":" + nick + L"!u@h QUIT :bye", line));
    std::wstring sender;
    ASSERT_TRUE(line_sender_nickname(line, sender));
    EXPECT_EQ(sender.size(), 1023u);
    EXPECT_EQ(prefix_sender_nickname(line).size(), 1023u);
}

}  // namespace
