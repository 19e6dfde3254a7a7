#pragma once
#include <string>
#include <vector>

// What the channel directory shows: the rows of the listing that match the
// search, as the list's three columns, in the order of the last sort. Kept
// apart from the list view (a virtual one asks for each visible cell) so that
// filling, sorting and searching thousands of rows costs milliseconds.

struct DirectoryEntry {
    std::wstring channel;
    std::wstring users;  // padded to four digits, so that text order is numeric order
    std::wstring topic;
};

enum DirectoryColumn { column_channel = 0, column_users = 1, column_topic = 2 };

// "7" -> "0007", "12" -> "0012", "123" -> "0123"; longer counts unchanged.
std::wstring pad_user_count(const std::wstring& users);

// Position of `needle` in `haystack` with ASCII letters folded to upper case
// (other bytes compare as they are); -1 when absent. An empty needle is found at 0.
int find_ignoring_case(const std::string& needle, const std::string& haystack);

// Sort key: column + 1 ascending, -(column + 1) descending. Compares by
// UTF-16 code units, case-sensitive, a prefix before the longer text.
int compare_directory_rows(const DirectoryEntry& first, const DirectoryEntry& second, int key);

class DirectoryView {
public:
    // Rows of the listing (packed DirectoryRow texts) in listing order, only
    // those whose channel or topic holds `search` (8-bit) when it is not empty.
    void fill(const std::vector<std::string>& packed_rows, const std::string& search);
    void sort(int key);
    void clear() { entries_.clear(); }

    size_t size() const { return entries_.size(); }
    const DirectoryEntry& at(size_t row) const { return entries_[row]; }
    // The text of one cell; empty for a row or column out of range.
    const std::wstring& cell(size_t row, int column) const;

private:
    std::vector<DirectoryEntry> entries_;
};
