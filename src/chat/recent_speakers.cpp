#include "chat/recent_speakers.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "app/limits.h"

namespace {
struct Speakers {
    unsigned generation = 0;
    std::deque<std::wstring> newest_first;
};

std::mutex speakers_lock;
Speakers speakers[chat_slot_count];
}  // namespace

void note_speaker(int slot, unsigned generation, const std::wstring& nickname) {
    if (slot < 0 || slot >= chat_slot_count || nickname.empty()) return;
    std::lock_guard<std::mutex> guard(speakers_lock);
    Speakers& chat = speakers[slot];
    if (chat.generation != generation) {
        chat.generation = generation;
        chat.newest_first.clear();
    }
    auto& list = chat.newest_first;
    list.erase(std::remove(list.begin(), list.end(), nickname), list.end());
    list.push_front(nickname);
    if (list.size() > recent_speaker_count) list.pop_back();
}

std::vector<std::wstring> recent_speakers(int slot, unsigned generation) {
    if (slot < 0 || slot >= chat_slot_count) return {};
    std::lock_guard<std::mutex> guard(speakers_lock);
    const Speakers& chat = speakers[slot];
    if (chat.generation != generation) return {};
    return {chat.newest_first.begin(), chat.newest_first.end()};
}
