#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/switch_rules.h"
#include "settings_folder.h"

namespace {

struct SwitchCase {
    const wchar_t* value;
    bool default_on_reads;
    bool default_off_reads;
    bool random_nickname_reads;
};

const SwitchCase switch_cases[] = {
    {L"", true, false, false},
    {L"true", true, true, true},
    {L"false", false, false, false},
    {L"FALSE", true, false, false},
    {L"TRUE", true, false, false},
    {L"True", true, false, false},
    {L"falsehood", false, false, false},
    {L"false0", false, false, false},
    {L"true1", true, true, false},
    {L"truefalse", true, true, false},
    {L"fals", true, false, false},
    {L"tru", true, false, false},
    {L" false", true, false, false},
    {L" true", true, false, false},
    {L"yes", true, false, false},
    {L"0", true, false, false},
    {L"1", true, false, false},
};

TEST(SwitchRules, EachValueReadsAsTheRulesSay) {
    for (const SwitchCase& c : switch_cases) {
        SCOPED_TRACE(testing::Message() << "value \"" << std::wstring(c.value) << "\"");
        EXPECT_EQ(read_default_on_switch(c.value), c.default_on_reads);
        EXPECT_EQ(read_default_off_switch(c.value), c.default_off_reads);
        EXPECT_EQ(read_exact_true(c.value), c.random_nickname_reads);
    }
}

TEST(SwitchRules, RandomNicknameOnlyOnExactlyTrueInTheFile) {
    SettingsFolder settings;
    const struct {
        const char* stored;
        bool on;
    } cases[] = {{"true", true}, {"true1", false}, {"TRUE", false}, {"false", false}, {"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.write_ini(std::string("[preferences]\r\nrandom_nickname=") + c.stored + "\r\n");
        EXPECT_EQ(read_random_nickname(settings.client), c.on);
    }
    for (bool on : {true, false, true}) {
        write_random_nickname(settings.client, on);
        EXPECT_EQ(read_random_nickname(settings.client), on);
        EXPECT_EQ(read_setting(settings.client, L"preferences", L"random_nickname"), on ? L"true" : L"false");
    }
}

}  // namespace
