#include <gtest/gtest.h>

#include "app/file_names.h"

namespace {

struct NameCase {
    const wchar_t* name;
    bool plain;
    const wchar_t* cleaned;
};

const NameCase name_cases[] = {
    {L"photo.jpg.zof", true, L"photo.jpg.zof"},
    {L"..", false, L""},
    {L"..\\..\\evil.zof", false, L".._.._evil.zof"},
    {L"a/b.zof", false, L"a_b.zof"},
    {L"C:evil.zof", false, L"C_evil.zof"},
    {L"\\\\host\\share\\x.zof", false, L"__host_share_x.zof"},
    {L"file.txt:stream", false, L"file.txt_stream"},
    {L"CON", false, L"_CON"},
    {L"nul.txt.zof", false, L"_nul.txt.zof"},
    {L"Com1 .zof", false, L"_Com1 .zof"},
    {L"lpt9", false, L"_lpt9"},
    {L"COM10.zof", true, L"COM10.zof"},
    {L"console.zof", true, L"console.zof"},
    {L"tab\there.zof", false, L"tab_here.zof"},
    {L"name.zof.", false, L"name.zof"},
    {L"name.zof  ", false, L"name.zof"},
    {L"", false, L""},
    {L"a?b*c|d<e>f\"g.zof", false, L"a_b_c_d_e_f_g.zof"},
    {L"caf\u00e9 \u6587.zof", true, L"caf\u00e9 \u6587.zof"},
};

TEST(FileNames, PlainNamesAndTheirCleanedForms) {
    for (const NameCase& c : name_cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - name_cases));
        EXPECT_EQ(is_plain_file_name(c.name), c.plain);
        std::wstring cleaned = clean_file_name(c.name);
        EXPECT_EQ(cleaned, c.cleaned);
        if (!cleaned.empty()) {
            EXPECT_TRUE(is_plain_file_name(cleaned));
        }
    }
}

}  // namespace
