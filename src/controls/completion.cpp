#include "controls/completion.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/recent_speakers.h"
#include "controls/typed_commands.h"

namespace {
// After a nickname that opens the line, the usual address form; after any
// other word, a space.
constexpr wchar_t address_suffix[] = L": ";
constexpr wchar_t word_suffix[] = L" ";

bool same_ignoring_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool less_ignoring_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_LESS_THAN;
}

// NAMES marks an operator or a voiced user in front of the nickname.
std::wstring bare_nickname(const std::string& entry) {
    size_t skip = 0;
    while (skip < entry.size() && std::string("@+%~&!").find(entry[skip]) != std::string::npos) ++skip;
    return wide_text(entry.substr(skip), CP_UTF8);
}

std::vector<std::wstring> chat_users(ChatClient& client, const ChatRecord& chat) {
    std::vector<std::wstring> everyone;
    if (chat.is_channel) {
        std::vector<std::string> entries;
        {
            std::lock_guard<std::mutex> guard(chat.lock);
            entries = chat.users.entries();
        }
        for (const std::string& entry : entries) everyone.push_back(bare_nickname(entry));
        std::sort(everyone.begin(), everyone.end(), less_ignoring_case);
    } else if (chat.slot > 0) {
        everyone.push_back(chat_name(client, chat.slot));
    }
    std::vector<std::wstring> ordered;
    for (const std::wstring& speaker : recent_speakers(chat.slot, chat.generation))
        if (std::find(everyone.begin(), everyone.end(), speaker) != everyone.end()) ordered.push_back(speaker);
    for (const std::wstring& nickname : everyone)
        if (std::find(ordered.begin(), ordered.end(), nickname) == ordered.end()) ordered.push_back(nickname);
    const std::wstring own = client.connection.nickname;
    ordered.erase(std::remove(ordered.begin(), ordered.end(), own), ordered.end());
    return ordered;
}

std::vector<std::wstring> open_channels(ChatClient& client) {
    std::vector<std::wstring> channels;
    for (int slot = first_channel_slot; slot <= last_channel_slot; ++slot)
        if (client.chats[slot].in_use && !client.chats[slot].closing) channels.push_back(chat_name(client, slot));
    std::sort(channels.begin(), channels.end(), less_ignoring_case);
    return channels;
}

std::vector<std::wstring> command_words() {
    std::vector<std::wstring> words = known_command_words();
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return words;
}
}  // namespace

bool Completion::cycling(const Edit& edit) const {
    return !matches_.empty() && edit.text == last_.text && edit.caret == last_.caret;
}

size_t Completion::word_start(const Edit& edit) {
    size_t start = std::min(edit.caret, edit.text.size());
    while (start > 0 && edit.text[start - 1] != L' ') --start;
    return start;
}

std::vector<std::wstring> Completion::matching(const std::wstring& word, const std::vector<std::wstring>& candidates) {
    std::vector<std::wstring> found;
    for (const std::wstring& candidate : candidates)
        if (candidate.size() >= word.size() && same_ignoring_case(candidate.substr(0, word.size()), word) &&
            std::find(found.begin(), found.end(), candidate) == found.end())
            found.push_back(candidate);
    return found;
}

void Completion::apply(Edit& edit) {
    const std::wstring& word = matches_[next_ % matches_.size()];
    ++next_;
    const bool nickname = word[0] != L'/' && word[0] != L'#';
    std::wstring completed = word + (nickname && start_ == 0 ? address_suffix : word_suffix);
    // A space already after the caret stays the only one.
    if (!tail_.empty() && tail_[0] == L' ' && completed.back() == L' ') completed.pop_back();
    edit.text = edit.text.substr(0, start_) + completed + tail_;
    edit.caret = start_ + completed.size();
    last_ = edit;
}

std::vector<std::wstring> completion_candidates(ChatClient& client, const std::wstring& line, size_t start) {
    const std::wstring word = line.substr(start, line.find(L' ', start) - start);
    if (start == 0 && !word.empty() && word[0] == L'/') return command_words();
    if (!word.empty() && word[0] == L'#') return open_channels(client);
    return chat_users(client, *client.current_chat);
}
