#include "irc/irc_line.h"

#include <cwchar>

namespace {
// Lines this long cannot come from an IRC server; refusing them keeps every
// offset computation far from overflow.
constexpr size_t longest_line = (size_t(1) << 30) - 1;

const std::wstring empty_token;
}  // namespace

const std::wstring& IrcLine::token(size_t index) const {
    return index < tokens.size() ? tokens[index] : empty_token;
}

size_t IrcLine::token_start(size_t k) const {
    size_t start = 0;
    for (size_t i = 0; i < k; ++i) {
        if (i >= tokens.size()) return text.size() + 1;
        start += tokens[i].size() + 1;
    }
    return start;
}

std::wstring IrcLine::text_after_token(size_t k) const {
    size_t start = token_start(k) + 1;
    return start < text.size() ? text.substr(start) : std::wstring();
}

std::wstring IrcLine::text_from_token(size_t k) const {
    size_t start = token_start(k);
    return start < text.size() ? text.substr(start) : std::wstring();
}

bool split_tokens(const std::wstring& text, IrcLine& line) {
    if (text.empty() || text.size() > longest_line || text.find(L' ') == std::wstring::npos) {
        line.tokens.clear();
        line.text.clear();
        return false;
    }
    line.text.assign(text);
    // The tokens of a line used before are overwritten in place: a flood's
    // lines then reuse their storage rather than allocate each token anew.
    size_t count = 0, start = 0;
    for (;;) {
        const size_t space = text.find(L' ', start);
        const size_t end = space == std::wstring::npos ? text.size() : space;
        if (count < line.tokens.size())
            line.tokens[count].assign(text, start, end - start);
        else
            line.tokens.emplace_back(text, start, end - start);
        ++count;
        if (space == std::wstring::npos) break;
        start = space + 1;
    }
    line.tokens.resize(count);
    return true;
}

bool line_sender_nickname(const IrcLine& line, std::wstring& nickname) {
    // Only token 0 is searched: a '!' further on (a ban mask, a quit message)
    // must not turn a server's own line into a user's.
    const std::wstring& prefix = line.token(0);
    size_t bang = prefix.find(L'!');
    if (bang == std::wstring::npos) return false;
    nickname = bang > 1 ? prefix.substr(1, bang - 1) : std::wstring();
    if (nickname.size() > sender_nickname_limit) nickname.resize(sender_nickname_limit);
    return !nickname.empty();
}

std::wstring prefix_sender_nickname(const IrcLine& line) {
    const std::wstring& prefix = line.token(0);
    if (prefix.size() < 2) return {};
    size_t bang = prefix.find(L'!');
    size_t end = bang == std::wstring::npos ? prefix.size() : bang;
    return end > 1 ? cut_text(prefix.substr(1, end - 1), sender_nickname_limit) : std::wstring();
}

bool begins_with(const std::wstring& text, const wchar_t* keyword) {
    size_t length = wcslen(keyword);
    return text.size() >= length && text.compare(0, length, keyword) == 0;
}

std::wstring cut_text(std::wstring text, size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}
