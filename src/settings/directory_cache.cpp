#include "settings/directory_cache.h"

#include <windows.h>

#include <cwchar>
#include <cwctype>
#include <algorithm>

#include "app/chat_client.h"
#include "app/file_names.h"
#include "app/text.h"
#include "settings/profile_text.h"
#include "settings/settings_file.h"

namespace {
constexpr const wchar_t* cache_path_format = L"%s%s.ini";
constexpr const wchar_t* cache_section = L"[channels]\r\n";
constexpr const wchar_t* row_format = L"channel_%d=%s\r\nusers_%d=%s\r\ndescription_%d=%s\r\n";
constexpr const wchar_t* settings_stem = L"Settings";
// A hand-edited cache is read no further than this.
constexpr LONGLONG largest_cache_file = 64LL * 1024 * 1024;

enum Field { field_channel, field_users, field_description };
constexpr struct {
    const wchar_t* prefix;
    Field field;
} key_prefixes[] = {{L"channel_", field_channel}, {L"users_", field_users}, {L"description_", field_description}};

std::wstring lower_ascii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool is_blank(wchar_t c) { return c == L' ' || c == L'\t'; }

// A piece of the file's text, without copying it.
struct Span {
    const wchar_t* begin;
    const wchar_t* end;
    size_t size() const { return static_cast<size_t>(end - begin); }
    Span trimmed() const {
        Span span = *this;
        while (span.begin < span.end && is_blank(*span.begin)) ++span.begin;
        while (span.end > span.begin && is_blank(span.end[-1])) --span.end;
        return span;
    }
    bool equals_ignoring_case(const wchar_t* text) const {
        const wchar_t* p = begin;
        for (; p < end && *text; ++p, ++text)
            if (lower_ascii(*p) != lower_ascii(*text)) return false;
        return p == end && !*text;
    }
    static wchar_t lower_ascii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
};

// What the profile reader gives back for a stored value: blanks trimmed and
// one pair of matching quotes removed.
std::wstring profile_value(Span stored) {
    Span value = stored.trimmed();
    if (value.size() >= 2 && (*value.begin == L'"' || *value.begin == L'\'') && value.end[-1] == *value.begin) {
        ++value.begin;
        --value.end;
    }
    return std::wstring(value.begin, value.end);
}

// "channel_12" -> field and 12; false for other keys and for numbers that
// "channel_%d" never writes (leading zeros, signs, out of range).
bool parse_row_key(Span key, size_t limit, Field& field, size_t& number) {
    for (const auto& prefix : key_prefixes) {
        const size_t length = std::wcslen(prefix.prefix);
        if (key.size() <= length || !Span{key.begin, key.begin + length}.equals_ignoring_case(prefix.prefix)) continue;
        const Span digits{key.begin + length, key.end};
        if (digits.size() > 7 || (digits.size() > 1 && *digits.begin == L'0')) return false;
        number = 0;
        for (const wchar_t* c = digits.begin; c < digits.end; ++c) {
            if (*c < L'0' || *c > L'9') return false;
            number = number * 10 + static_cast<size_t>(*c - L'0');
        }
        field = prefix.field;
        return number < limit;
    }
    return false;
}

// The file's text, decoded as the profile functions do: UTF-16 or UTF-8 by
// their byte order marks, else the ANSI code page.
bool read_text_file(const std::wstring& path, std::wstring& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    std::string bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart <= largest_cache_file) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = wide_text(bytes.data() + 3, bytes.size() - 3, CP_UTF8);
    } else {
        text = wide_text(bytes, CP_ACP);
    }
    return true;
}
}  // namespace

std::wstring directory_cache_path(const ChatClient& client, const std::wstring& server) {
    std::wstring name = clean_file_name(server);
    if (name.empty()) return {};
    if (lower_ascii(name) == lower_ascii(settings_stem)) name.insert(0, L"_");
    const std::wstring settings = settings_file_path(client);
    if (settings.empty()) return {};
    const std::wstring folder = settings.substr(0, settings.find_last_of(L'\\') + 1);
    std::wstring path = format_text(cache_path_format, folder, name);
    if (path.size() >= MAX_PATH) return {};
    return path;
}

bool write_directory_cache(const std::wstring& path, const std::vector<CachedRow>& rows) {
    if (path.empty()) return false;
    std::wstring text(1, L'\xFEFF');
    text += cache_section;
    for (size_t number = 0; number < rows.size(); ++number) {
        const CachedRow& row = rows[number];
        const long long n = static_cast<long long>(number);
        text += format_text(row_format, n, encode_profile_value(row.channel), n, encode_profile_value(row.users), n,
                            encode_profile_value(row.description));
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    const bool done = WriteFile(file, text.data(), size, &written, nullptr) && written == size;
    CloseHandle(file);
    return done;
}

std::vector<CachedRow> read_directory_cache(const std::wstring& path, size_t limit) {
    std::vector<CachedRow> rows;
    std::wstring text;
    if (path.empty() || !read_text_file(path, text)) return rows;
    // A value stops at a zero character, as it would for the profile reader.
    std::replace(text.begin(), text.end(), L'\0', L'\n');
    std::vector<CachedRow> found;
    std::vector<unsigned char> seen;  // the first of repeated keys counts, as for the profile reader
    bool in_section = false;
    const wchar_t* const end = text.data() + text.size();
    for (const wchar_t* start = text.data(); start < end;) {
        const wchar_t* line_end = start;
        while (line_end < end && *line_end != L'\r' && *line_end != L'\n') ++line_end;
        const Span line = Span{start, line_end}.trimmed();
        start = line_end + 1;
        if (line.size() == 0 || *line.begin == L';') continue;
        if (*line.begin == L'[') {
            const wchar_t* close = std::find(line.begin, line.end, L']');
            in_section = close != line.end && Span{line.begin + 1, close}.trimmed().equals_ignoring_case(L"channels");
            continue;
        }
        const wchar_t* equals = std::find(line.begin, line.end, L'=');
        Field field = field_channel;
        size_t number = 0;
        if (!in_section || equals == line.end || !parse_row_key(Span{line.begin, equals}.trimmed(), limit, field, number))
            continue;
        if (number >= found.size()) {
            found.resize(number + 1);
            seen.resize(number + 1);
        }
        const unsigned char mark = static_cast<unsigned char>(1u << field);
        if (seen[number] & mark) continue;
        seen[number] |= mark;
        CachedRow& row = found[number];
        std::wstring value = profile_value(Span{equals + 1, line.end});
        if (field == field_channel) row.channel = std::move(value);
        else if (field == field_users) row.users = std::move(value);
        else row.description = std::move(value);
    }
    for (CachedRow& row : found) {
        if (row.channel.empty()) break;
        rows.push_back(std::move(row));
    }
    return rows;
}
