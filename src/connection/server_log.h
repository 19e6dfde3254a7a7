#pragma once
#include <cstddef>
#include <string>
#include <vector>

class ChatClient;

// Appends one received line and a newline to Downloads\server_data_log.txt.
// The log stays in the thread's code page while every line fits it; the first
// line that does not makes the whole file UTF-8 after a byte order mark (the
// lines before converted with it), and from then on every line is UTF-8. A
// new log whose first line needs UTF-8 starts so. False when the file cannot
// be opened or converted; the caller decides how to tell the user.
bool write_server_log(ChatClient& client, const std::wstring& line);
// The same for `count` lines with one opening of the file.
bool write_server_log(ChatClient& client, const std::wstring* lines, size_t count);

// Received lines waiting to be logged together: opening the file for each line
// of a flood cost the receive thread more than everything else it does. The
// receive loop writes them out whenever its next read could wait, so a quiet
// connection's lines reach the file as they come.
class ServerLogBatch {
public:
    void add(const std::wstring& line);
    bool empty() const { return count_ == 0; }
    size_t characters() const { return characters_; }
    // Writes out and forgets the waiting lines; false when they could not be written.
    bool flush(ChatClient& client);

private:
    std::vector<std::wstring> lines_;
    size_t count_ = 0;
    size_t characters_ = 0;
};

// Path of the log file.
std::wstring server_log_path(const ChatClient& client);

// What the user is told when the log cannot be written.
constexpr const wchar_t* server_log_error_text = L"Unable to create 'server_data.txt' file.";
constexpr const wchar_t* server_log_error_caption = L"File create error";
