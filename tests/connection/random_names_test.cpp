#include <gtest/gtest.h>

#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "connection/random_names.h"

namespace {

std::vector<int> script;
size_t script_position = 0;
int scripted() { return script_position < script.size() ? script[script_position++] : 0; }

struct ScriptCase {
    const char* name;
    int max_length;
    bool capitalise;
    std::vector<int> draws;
    std::wstring expected;
};

TEST(RandomNames, FollowTheDrawsExactly) {
    const ScriptCase cases[] = {
        // length 3 % 5 + 6 = 9; 10 < 50 starts with a vowel; pairs (vowel, consonant).
        {"nickname from a vowel", 10, true,
         {3, 10, 0, 0, 7, 1, 2, 19, 9, 5, 4, 16, 13, 12, 1, 20, 3, 3, 24, 18}, L"Acihurefu"},
        // 4 % 5 + 6 = 10 letters; 50 is not below 50: a consonant first, index 12 capital.
        {"nickname from a consonant", 10, true,
         {4, 50, 9, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, L"Rababababa"},
        // A user name always has 6 letters and no capital.
        {"user name", 6, false, {12345, 99, 0, 19, 1, 0, 2, 7, 3, 3, 4, 4, 5, 15}, L"zekoga"},
        {"shortest nickname", 10, true, {5, 0, 1, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 2}, L"Ebacid"},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        script = c.draws;
        script_position = 0;
        EXPECT_EQ(random_name(c.max_length, c.capitalise, scripted), c.expected);
        // Two numbers are drawn for every letter, whichever kind is used.
        EXPECT_EQ(script_position, 2 + 2 * c.expected.size());
    }
}

bool is_vowel(wchar_t c) { return std::wstring(L"aeiou").find(static_cast<wchar_t>(towlower(c))) != std::wstring::npos; }

TEST(RandomNames, AlternateLettersWithinTheirLengths) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        srand(seed);
        const std::wstring nickname = random_name(10, true, rand);
        const std::wstring username = random_name(6, false, rand);
        SCOPED_TRACE(seed);
        ASSERT_GE(nickname.size(), 6u);
        ASSERT_LE(nickname.size(), 10u);
        ASSERT_EQ(username.size(), 6u);
        EXPECT_TRUE(iswupper(nickname[0]));
        for (size_t i = 1; i < nickname.size(); ++i) EXPECT_TRUE(iswlower(nickname[i]));
        for (wchar_t c : username) EXPECT_TRUE(iswlower(c));
        for (const std::wstring* name : {&nickname, &username}) {
            EXPECT_EQ(name->find_first_of(L"qQ"), std::wstring::npos);
            for (size_t i = 1; i < name->size(); ++i) EXPECT_NE(is_vowel((*name)[i]), is_vowel((*name)[i - 1]));
        }
    }
}

TEST(RandomNames, IdentityGivesANicknameAndAUserName) {
    RandomIdentity identity = random_identity();
    EXPECT_GE(identity.nickname.size(), 6u);
    EXPECT_LE(identity.nickname.size(), 10u);
    EXPECT_TRUE(iswupper(identity.nickname[0]));
    EXPECT_EQ(identity.username.size(), 6u);
}

}  // namespace
