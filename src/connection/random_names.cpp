#include "connection/random_names.h"

#include <cstdlib>
#include <ctime>

namespace {
constexpr const wchar_t* vowels = L"aeiou";
constexpr const wchar_t* consonants = L"bcdfghjklmnprstvwxyz";
constexpr const wchar_t* capital_vowels = L"AEIOU";
constexpr const wchar_t* capital_consonants = L"BCDFGHJKLMNPRSTVWXYZ";
constexpr int shortest_name = 6;
constexpr int nickname_letters = 10;
constexpr int username_letters = 6;
}  // namespace

std::wstring random_name(int max_length, bool capitalise, RandomSource next) {
    // The draws are taken as unsigned so that no remainder is negative.
    const unsigned spread = static_cast<unsigned>(max_length - (shortest_name - 1));
    const unsigned length = static_cast<unsigned>(next()) % spread + shortest_name;
    bool vowel = static_cast<unsigned>(next()) % 100 < 50;
    std::wstring name;
    for (unsigned position = 0; position < length; ++position) {
        // Both numbers are drawn for every letter, whichever kind is used.
        const unsigned vowel_index = static_cast<unsigned>(next()) % 5;
        const unsigned consonant_index = static_cast<unsigned>(next()) % 20;
        const bool capital = capitalise && position == 0;
        if (vowel)
            name += (capital ? capital_vowels : vowels)[vowel_index];
        else
            name += (capital ? capital_consonants : consonants)[consonant_index];
        vowel = !vowel;
    }
    return name;
}

RandomIdentity random_identity() {
    srand(static_cast<unsigned>(time(nullptr)));
    RandomIdentity identity;
    identity.nickname = random_name(nickname_letters, true, rand);
    identity.username = random_name(username_letters, false, rand);
    return identity;
}
