#pragma once
#include <cstddef>
#include <string>
#include <vector>

class ChatClient;

// The log of received lines, Downloads\server_data_log.txt, each line ended by
// CR LF. One file is of one encoding: the thread's code page while every line
// fits it, or UTF-8 after a byte order mark (a new log whose first line needs
// UTF-8 starts so). The first line the code page cannot hold, and the first
// batch after the file has passed server_log_size_limit, start a new file;
// the old one is kept beside it under a dated name ("server_data_log
// 2026-12-08 14.05.09.txt"). Nothing is ever read back or converted, so the
// cost of a batch does not grow with the log.
constexpr unsigned long long server_log_size_limit = 64ull * 1024 * 1024;

// Appends `count` lines with one opening of the file. Returns how many of
// them, from the first, are in the file: fewer when it could not be opened,
// written or set aside (a file that fails to take a batch is left as it was
// before it, so a later try neither repeats nor loses a line).
size_t write_server_log(ChatClient& client, const std::wstring* lines, size_t count);

// Received text that waits for the log at the most, so that a flood without a
// pause neither grows the batch without end nor leaves the file far behind.
constexpr size_t server_log_batch_characters = 64 * 1024;

// Received lines waiting to be logged together: opening the file for each line
// of a flood cost the receive thread more than everything else it does. The
// receive loop writes them out whenever its next read could wait, so a quiet
// connection's lines reach the file as they come. Lines the file did not take
// wait for the next try, up to kept_characters; beyond that, while the log
// stays unwritable, new lines are not kept.
class ServerLogBatch {
public:
    static constexpr size_t kept_characters = 4 * 1024 * 1024;

    void add(const std::wstring& line);
    bool empty() const { return count_ == 0; }
    // Characters added since the last try to write: what makes a batch due.
    size_t characters() const { return added_characters_; }
    // Writes out the waiting lines and forgets those written; false when
    // some could not be written (they stay for the next try).
    bool flush(ChatClient& client);

private:
    std::vector<std::wstring> lines_;
    size_t count_ = 0;
    size_t kept_characters_ = 0, added_characters_ = 0;
};

// Path of the log file.
std::wstring server_log_path(const ChatClient& client);

// What the user is told when the log cannot be written.
constexpr const wchar_t* server_log_error_text = L"Unable to create 'server_data.txt' file.";
constexpr const wchar_t* server_log_error_caption = L"File create error";
