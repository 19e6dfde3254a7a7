#pragma once
#include <string>

class ChatClient;

// Appends one received line and a newline to Downloads\server_data_log.txt
// (8-bit text in the thread's code page). False when the file cannot be opened;
// the caller decides how to tell the user.
bool write_server_log(ChatClient& client, const std::wstring& line);

// Path of the log file.
std::wstring server_log_path(const ChatClient& client);

// What the user is told when the log cannot be written.
constexpr const wchar_t* server_log_error_text = L"Unable to create 'server_data.txt' file.";
constexpr const wchar_t* server_log_error_caption = L"File create error";
