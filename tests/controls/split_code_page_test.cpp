// Splitting long messages where a character's size is not one byte in every
// form: a double-byte code page, and UTF-16 that holds a lone surrogate.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/wire_text.h"
#include "controls/message_split.h"

namespace {

TEST(MessageSplit, DoubleByteCodePageAndLoneSurrogatesAreWeighedAsTheyGoOut) {
    const unsigned japanese = 932;
    struct Case {
        std::wstring text;
        size_t room;
        unsigned code_page;
        std::vector<std::wstring> parts;
    } cases[] = {
        // Two bytes a kana in 932 (three in UTF-8), one for ASCII.
        {L"\u3042\u3044\u3046", 5, japanese, {L"\u3042\u3044", L"\u3046"}},
        {L"a\u3042b\u3044c", 3, japanese, {L"a\u3042", L"b\u3044", L"c"}},
        // Half-width katakana take one byte in 932.
        {L"\uFF71\uFF72\uFF73\uFF74", 3, japanese, {L"\uFF71\uFF72\uFF73", L"\uFF74"}},
        // 932 has no exact form for the accented letter: all of it is weighed as UTF-8.
        {L"\u3042\u00e9", 4, japanese, {L"\u3042", L"\u00e9"}},
        // A lone surrogate goes out as U+FFFD, three bytes, and is never paired
        // with the character after it.
        {L"\xD800x", 3, CP_UTF8, {L"\xD800", L"x"}},
        {L"\xDE00\xD83D\xDE00", 4, CP_UTF8, {L"\xDE00", L"\xD83D\xDE00"}},
        {L"\u3042\xD800\u3044", 4, japanese, {L"\u3042", L"\xD800", L"\u3044"}},
        {L"ab\xD800", 3, 1252, {L"ab", L"\xD800"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        const std::vector<std::wstring> parts = split_message(c.text, c.room, c.code_page);
        EXPECT_EQ(parts, c.parts);
        std::wstring joined;
        for (const std::wstring& part : parts) {
            EXPECT_LE(encode_wire_text(part, c.code_page).size(), c.room);
            joined += part;
        }
        EXPECT_EQ(joined, c.text);
    }
}

}  // namespace
