#pragma once
#include <string>

class ChatClient;

// Appends one received line and a newline to Downloads\server_data_log.txt.
// The log stays in the thread's code page while every line fits it; the first
// line that does not makes the whole file UTF-8 after a byte order mark (the
// lines before converted with it), and from then on every line is UTF-8. A
// new log whose first line needs UTF-8 starts so. False when the file cannot
// be opened or converted; the caller decides how to tell the user.
bool write_server_log(ChatClient& client, const std::wstring& line);

// Path of the log file.
std::wstring server_log_path(const ChatClient& client);

// What the user is told when the log cannot be written.
constexpr const wchar_t* server_log_error_text = L"Unable to create 'server_data.txt' file.";
constexpr const wchar_t* server_log_error_caption = L"File create error";
