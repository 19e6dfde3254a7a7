// How bytes from the wire become text and text becomes bytes: UTF-8 where it
// is meant, the code page (1252 under Wine) everywhere else, as before.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/text.h"
#include "app/wire_text.h"
#include "support/thread_language.h"

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::wstring text;
    TextForm form;
};

const DecodeCase decode_cases[] = {
    {"empty", "", L"", TextForm::code_page},
    {"pure ASCII", "PRIVMSG #room :hello", L"PRIVMSG #room :hello", TextForm::code_page},
    {"UTF-8 Latin", "caf\xC3\xA9", L"caf\u00E9", TextForm::utf8},
    {"UTF-8 Cyrillic", "\xD0\xA2\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xBA\xD0\xBE", L"\u0422\u043E\u043B\u044C\u043A\u043E",
     TextForm::utf8},
    {"UTF-8 CJK", "\xE4\xB8\xAD\xE6\x96\x87", L"\u4E2D\u6587", TextForm::utf8},
    {"UTF-8 emoji", "ok \xF0\x9F\x98\x80", L"ok \U0001F600", TextForm::utf8},
    {"UTF-8 edges", "\xC2\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF", L"\u0080\uFFFF\U0010FFFF", TextForm::utf8},
    {"1252, not UTF-8", "caf\xE9 \x80 5", L"caf\u00E9 \u20AC 5", TextForm::code_page},
    // "Ã©" in 1252 is also "é" in UTF-8: UTF-8 wins.
    {"both", "\xC3\xA9t\xC3\xA9", L"\u00E9t\u00E9", TextForm::utf8},
    {"overlong two bytes", "a\xC0\xAF", L"a\u00C0\u00AF", TextForm::code_page},
    {"overlong C1", "\xC1\xBF", L"\u00C1\u00BF", TextForm::code_page},
    {"overlong three bytes", "\xE0\x80\xAF", L"\u00E0\u20AC\u00AF", TextForm::code_page},
    {"overlong four bytes", "\xF0\x80\x80\xAF", L"\u00F0\u20AC\u20AC\u00AF", TextForm::code_page},
    {"high surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u20AC", TextForm::code_page},
    {"low surrogate", "\xED\xBF\xBF", L"\u00ED\u00BF\u00BF", TextForm::code_page},
    {"above U+10FFFF", "\xF4\x90\x80\x80", L"\u00F4\u0090\u20AC\u20AC", TextForm::code_page},
    {"F5 lead", "\xF5\x80\x80\x80", L"\u00F5\u20AC\u20AC\u20AC", TextForm::code_page},
    {"lone continuation", "\xA9t\xC3\xA9", L"\u00A9t\u00C3\u00A9", TextForm::code_page},
    {"cut at the end, two bytes", "caf\xC3", L"caf\u00C3", TextForm::code_page},
    {"cut at the end, three bytes", "\xE4\xB8\xAD\xE6\x96", L"\u00E4\u00B8\u00AD\u00E6\u2013", TextForm::code_page},
    {"cut at the end, four bytes", "ok \xF0\x9F\x98", L"ok \u00F0\u0178\u02DC", TextForm::code_page},
};

TEST(WireText, DecodesUtf8WhenValidAndTheCodePageOtherwise) {
    std::wstring out = L"left from an earlier line";
    for (const DecodeCase& c : decode_cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_wire_text(c.bytes.data(), c.bytes.size(), CP_ACP, out), c.form);
        EXPECT_EQ(out, c.text);
        const bool ascii = std::all_of(c.bytes.begin(), c.bytes.end(), [](char b) { return b >= 0; });
        EXPECT_EQ(is_valid_utf8(c.bytes.data(), c.bytes.size()), ascii || c.form == TextForm::utf8);
    }
}

struct EncodeCase {
    const char* name;
    std::wstring text;
    std::string bytes;
    TextForm form;
};

const EncodeCase encode_cases[] = {
    {"empty", L"", "", TextForm::code_page},
    {"ASCII", L"QUIT", "QUIT", TextForm::code_page},
    {"held by 1252", L"caf\u00E9 \u20AC \u0152uvre", "caf\xE9 \x80 \x8Cuvre", TextForm::code_page},
    {"the issue's line", L"Reply: \u041F\u0440\u0438\u0432\u0435\u0442 \u2615 caf\u00E9",
     "Reply: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x98\x95 caf\xC3\xA9", TextForm::utf8},
    {"CJK", L"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87", TextForm::utf8},
    {"emoji", L"\U0001F600!", "\xF0\x9F\x98\x80!", TextForm::utf8},
    // 1252 would give "A" by best fit: not the character, so UTF-8.
    {"best fit is no fit", L"\u0100", "\xC4\x80", TextForm::utf8},
    {"lone surrogate", std::wstring(L"a") + wchar_t(0xD800) + L"b", "a\xEF\xBF\xBD" "b", TextForm::utf8},
};

TEST(WireText, EncodesInTheCodePageWhenItHoldsTheTextElseUtf8) {
    for (const EncodeCase& c : encode_cases) {
        SCOPED_TRACE(c.name);
        TextForm form = TextForm::utf8;
        const std::string bytes = encode_wire_text(c.text, CP_ACP, &form);
        EXPECT_EQ(bytes, c.bytes);
        EXPECT_EQ(form, c.form);
        EXPECT_EQ(code_page_holds(c.text, CP_ACP), c.form == TextForm::code_page);
        // Text the code page holds leaves exactly as the plain conversion made it.
        if (c.form == TextForm::code_page) EXPECT_EQ(bytes, narrow_text(c.text.c_str(), CP_ACP));
        if (c.form == TextForm::utf8) EXPECT_EQ(utf8_size(c.text.data(), c.text.size()), c.bytes.size());
        if (c.text.find(wchar_t(0xD800)) == std::wstring::npos) EXPECT_EQ(decode_wire_text(bytes, CP_ACP), c.text);
    }
    // Other code pages keep their own letters 8-bit; no page holds an emoji.
    EXPECT_GT(under_each_code_page([] {
                  for (const CodePageCase& page : code_page_cases) {
                      if (narrow_text(page.probe, CP_THREAD_ACP) != page.probe_bytes) continue;  // not this page
                      TextForm form = TextForm::utf8;
                      EXPECT_EQ(encode_wire_text(page.probe, CP_THREAD_ACP, &form), page.probe_bytes);
                      EXPECT_EQ(form, TextForm::code_page);
                  }
                  TextForm form = TextForm::code_page;
                  EXPECT_EQ(encode_wire_text(L"\U0001F600", CP_THREAD_ACP, &form), "\xF0\x9F\x98\x80");
                  EXPECT_EQ(form, TextForm::utf8);
              }),
              1);
}

}  // namespace
