#pragma once
#include <string>
#include <vector>

// Who spoke last in each chat, newest first, so that completing a nickname
// offers the people in the conversation before the rest of a large channel.
// Any thread; kept per slot and generation, so a reused slot starts afresh.

constexpr size_t recent_speaker_count = 50;

void note_speaker(int slot, unsigned generation, const std::wstring& nickname);
std::vector<std::wstring> recent_speakers(int slot, unsigned generation);
