#pragma once
#include <string>

// Pronounceable random names for the connect dialog: vowels and consonants
// alternate, and there is no q.

// The source of random numbers; the C library's rand() in the program, a
// scripted sequence in tests.
using RandomSource = int (*)();

// One name of 6 to `max_length` letters (max_length is at least 6); the first
// letter is a capital when `capitalise` is set.
std::wstring random_name(int max_length, bool capitalise, RandomSource next);

struct RandomIdentity {
    std::wstring nickname;  // 6 to 10 letters, first one a capital
    std::wstring username;  // exactly 6 lower-case letters
};

// Seeds the C library's generator with the current time, then makes the
// nickname and the user name, in that order.
RandomIdentity random_identity();
