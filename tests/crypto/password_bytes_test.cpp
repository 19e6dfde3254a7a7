#include <gtest/gtest.h>

#include <string>

#include "app/text.h"

namespace {

struct ByteForm {
    std::wstring text;
    const char* bytes;  // nullptr: refused
};
const ByteForm byte_forms[] = {
    {L"", ""},
    {L"Tulip9", "Tulip9"},
    {L"\u0001\u007f", "\x01\x7f"},
    {L"\u0080\u009f", "\x80\x9f"},
    {L"\u00a0\u00e9\u00ff", "\xa0\xe9\xff"},
    {L"\u20ac", nullptr},  // the letter Windows-1252 keeps at 0x80
    {L"ab\u0100", nullptr},
    {L"\U0001F511", nullptr},
    {std::wstring(L"a\0b", 3), nullptr},
};

}  // namespace

TEST(PasswordBytes, OneByteOfTheSameValuePerCharacter) {
    for (const ByteForm& form : byte_forms) {
        SCOPED_TRACE(static_cast<int>(&form - byte_forms));
        std::string out = "left over";
        EXPECT_EQ(latin1_bytes(form.text, out), form.bytes != nullptr);
        EXPECT_EQ(out, form.bytes ? form.bytes : "");
        if (form.bytes) {
            EXPECT_EQ(latin1_text(out.data(), out.size()), form.text);
        }
    }
}
