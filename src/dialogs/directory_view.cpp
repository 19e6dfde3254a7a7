#include "dialogs/directory_view.h"

#include <windows.h>

#include <algorithm>

#include "app/text.h"
#include "app/wire_text.h"
#include "irc/directory_rows.h"

namespace {
char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

const std::wstring& column_text(const DirectoryEntry& entry, int column) {
    if (column == column_users) return entry.users;
    if (column == column_topic) return entry.topic;
    return entry.channel;
}

const std::wstring no_text;
}  // namespace

std::wstring pad_user_count(const std::wstring& users) {
    constexpr size_t width = 4;
    if (users.empty() || users.size() >= width) return users;
    return std::wstring(width - users.size(), L'0') + users;
}

int find_ignoring_case(const std::string& needle, const std::string& haystack) {
    if (needle.empty()) return 0;
    if (needle.size() > haystack.size()) return -1;
    const auto same = [](char a, char b) { return ascii_upper(a) == ascii_upper(b); };
    const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), same);
    return found == haystack.end() ? -1 : static_cast<int>(found - haystack.begin());
}

int compare_directory_rows(const DirectoryEntry& first, const DirectoryEntry& second, int key) {
    const int column = (key < 0 ? -key : key) - 1;
    const std::wstring& a = column_text(key > 0 ? first : second, column);
    const std::wstring& b = column_text(key > 0 ? second : first, column);
    const int order = a.compare(b);  // wchar_t is one UTF-16 unit here
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void DirectoryView::fill(const std::vector<std::string>& packed_rows, const std::string& search) {
    entries_.clear();
    entries_.reserve(packed_rows.size());
    for (const std::string& packed : packed_rows) {
        const DirectoryRow row = unpack_directory_row(packed);
        if (!search.empty() && find_ignoring_case(search, row.channel) < 0 && find_ignoring_case(search, row.topic) < 0)
            continue;
        entries_.push_back({text_from_utf8(row.channel),
                            pad_user_count(text_from_utf8(row.users)), text_from_utf8(row.topic)});
    }
}

void DirectoryView::sort(int key) {
    if (key == 0) return;
    std::stable_sort(entries_.begin(), entries_.end(), [key](const DirectoryEntry& a, const DirectoryEntry& b) {
        return compare_directory_rows(a, b, key) < 0;
    });
}

const std::wstring& DirectoryView::cell(size_t row, int column) const {
    if (row >= entries_.size() || column < column_channel || column > column_topic) return no_text;
    return column_text(entries_[row], column);
}
