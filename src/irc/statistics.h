#pragma once
#include <atomic>
#include <string>

class ChatClient;

constexpr wchar_t statistics_format[] = L"URLs:%d  Ments:%d  ChatA:%d  ChatR:%d  AwayR:%d";
constexpr int statistics_status_part = 2;

// The figures as the status bar shows them.
std::wstring statistics_text(const ChatClient& client);

// Writes the figures into the status bar's third part. Any thread.
void refresh_statistics(ChatClient& client);

// Adds one to one of the client's counters and refreshes the figures.
void count_event(ChatClient& client, std::atomic<unsigned>& counter);
