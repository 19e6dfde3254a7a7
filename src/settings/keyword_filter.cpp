#include "settings/keyword_filter.h"

#include <windows.h>

#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"

namespace {
std::mutex& keywords_lock() {
    static std::mutex lock;
    return lock;
}
}  // namespace

std::vector<std::string> split_keywords(const wchar_t* text) {
    std::vector<std::string> keywords;
    if (!text) return keywords;
    std::wstring word;
    for (const wchar_t* p = text;; ++p) {
        if (*p == L' ' || *p == 0) {
            if (!word.empty()) keywords.push_back(utf8_text(word));
            word.clear();
            if (*p == 0) break;
        } else {
            word += *p;
        }
    }
    return keywords;
}

void replace_filter_keywords(ChatClient& client, std::vector<std::string> keywords) {
    std::lock_guard<std::mutex> hold(keywords_lock());
    client.filter_keywords.swap(keywords);
}

std::vector<std::string> filter_keywords_copy(const ChatClient& client) {
    std::lock_guard<std::mutex> hold(keywords_lock());
    return client.filter_keywords;
}
