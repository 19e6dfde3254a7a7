#include "irc/mention_words.h"

#include <cwctype>
#include <mutex>

#include "app/chat_client.h"

namespace {
bool joins_word(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || std::wstring(L"[]\\`_^{|}-").find(c) != std::wstring::npos;
}

std::wstring folded(const std::wstring& text) {
    std::wstring result(text);
    for (wchar_t& c : result) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
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
