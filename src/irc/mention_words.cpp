#include "irc/mention_words.h"

#include <cwchar>
#include <cwctype>
#include <mutex>

#include "app/chat_client.h"

namespace {
bool joins_word(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || (c != L'\0' && std::wcschr(L"[]\\`_^{|}-", c));
}

// Every channel line is searched for the user's name: the runtime's towlower
// looks up the thread's locale for each character, which cost a flood's
// receive thread more than the search itself. Plain ASCII folds here.
wchar_t folded_char(wchar_t c) {
    if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

std::wstring folded(const std::wstring& text) {
    std::wstring result(text);
    for (wchar_t& c : result) c = folded_char(c);
    return result;
}
}  // namespace

bool holds_word(const std::wstring& text, const std::wstring& word) {
    if (word.empty()) return false;
    const std::wstring haystack = folded(text), needle = folded(word);
    for (size_t at = haystack.find(needle); at != std::wstring::npos; at = haystack.find(needle, at + 1)) {
        const size_t end = at + needle.size();
        const bool free_before = at == 0 || !joins_word(haystack[at - 1]);
        const bool free_after = end == haystack.size() || !joins_word(haystack[end]);
        if (free_before && free_after) return true;
    }
    return false;
}

bool is_mention(const std::wstring& text, const std::wstring& nickname, const std::wstring& highlight_words) {
    if (holds_word(text, nickname)) return true;
    size_t start = 0;
    while (start < highlight_words.size()) {
        size_t end = highlight_words.find_first_of(L" ,", start);
        if (end == std::wstring::npos) end = highlight_words.size();
        if (end > start && holds_word(text, highlight_words.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

bool mentions_user(ChatClient& client, const std::wstring& text) {
    std::wstring words;
    {
        std::lock_guard<std::mutex> guard(client.preference_text_lock);
        words = client.highlight_words;
    }
    return is_mention(text, client.connection.nickname, words);
}
