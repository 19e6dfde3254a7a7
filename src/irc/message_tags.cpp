#include "irc/message_tags.h"

namespace {
// A line of tags longer than this is not from a server that follows the
// rules (the tag section is limited to 8191 bytes); its tags are dropped.
constexpr size_t longest_tag_section = 8191;
constexpr size_t most_tags = 64;

std::wstring unescape(const std::wstring& raw) {
    std::wstring value;
    value.reserve(raw.size());
    for (size_t at = 0; at < raw.size(); ++at) {
        if (raw[at] != L'\\') {
            value += raw[at];
            continue;
        }
        if (++at == raw.size()) break;  // a lone trailing backslash is dropped
        switch (raw[at]) {
            case L':': value += L';'; break;
            case L's': value += L' '; break;
            case L'r': value += L'\r'; break;
            case L'n': value += L'\n'; break;
            default: value += raw[at]; break;  // "\\" and unknown escapes give the character
        }
    }
    return value;
}

void parse_tags(const std::wstring& section, MessageTags& tags) {
    size_t start = 0;
    while (start <= section.size() && tags.size() < most_tags) {
        size_t end = section.find(L';', start);
        if (end == std::wstring::npos) end = section.size();
        const std::wstring item = section.substr(start, end - start);
        if (!item.empty()) {
            const size_t equals = item.find(L'=');
            MessageTag tag;
            tag.key = item.substr(0, equals);
            if (equals != std::wstring::npos) tag.value = unescape(item.substr(equals + 1));
            if (!tag.key.empty()) tags.push_back(std::move(tag));
        }
        start = end + 1;
    }
}

bool read_number(const std::wstring& text, size_t at, size_t digits, int& number) {
    if (at + digits > text.size()) return false;
    number = 0;
    for (size_t i = at; i < at + digits; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        number = number * 10 + (text[i] - L'0');
    }
    return true;
}

// Days from 1970-01-01 to the date (proleptic Gregorian calendar).
long long days_from_civil(int year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long year_of_era = year - era * 400;
    const long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}
}  // namespace

std::wstring take_message_tags(const std::wstring& text, MessageTags& tags) {
    tags.clear();
    if (text.empty() || text[0] != L'@') return text;
    const size_t space = text.find(L' ');
    const size_t end = space == std::wstring::npos ? text.size() : space;
    if (end - 1 <= longest_tag_section) parse_tags(text.substr(1, end - 1), tags);
    size_t rest = end;
    while (rest < text.size() && text[rest] == L' ') ++rest;
    return text.substr(rest);
}

const std::wstring* find_tag(const MessageTags& tags, const wchar_t* key) {
    const std::wstring* found = nullptr;
    for (const MessageTag& tag : tags)
        if (tag.key == key) found = &tag.value;
    return found;
}

long long parse_server_time(const std::wstring& value) {
    int year, month, day, hour, minute, second;
    if (!read_number(value, 0, 4, year) || value.size() < 20 || value[4] != L'-' || value[7] != L'-' ||
        value[10] != L'T' || value[13] != L':' || value[16] != L':')
        return 0;
    if (!read_number(value, 5, 2, month) || !read_number(value, 8, 2, day) || !read_number(value, 11, 2, hour) ||
        !read_number(value, 14, 2, minute) || !read_number(value, 17, 2, second))
        return 0;
    if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return 0;
    size_t at = 19;
    int milliseconds = 0;
    if (value[at] == L'.') {
        size_t digits = 0;
        for (++at; at < value.size() && value[at] >= L'0' && value[at] <= L'9'; ++at, ++digits)
            if (digits < 3) milliseconds = milliseconds * 10 + (value[at] - L'0');
        if (digits == 0) return 0;
        for (; digits < 3; ++digits) milliseconds *= 10;
    }
    if (at + 1 != value.size() || value[at] != L'Z') return 0;
    const long long seconds = days_from_civil(year, month, day) * 86400LL + hour * 3600 + minute * 60 + second;
    return seconds * 1000 + milliseconds;
}
