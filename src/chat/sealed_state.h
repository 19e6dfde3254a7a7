#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "crypto/sealed/sealed_chats.h"

class ChatClient;

// The sealed sessions of one client, and the lines typed while an offer
// waits for its answer (sent sealed once it comes, else the compatible way).
struct SealedChatState {
    SealedChats chats;
    std::mutex held_lock;
    std::map<std::string, std::vector<std::wstring>> held;  // by lower-case nickname
    std::atomic<bool> offer_sealed_chats{true};
    // How long an offer waits; the program's value is the protocol's 10 s.
    std::atomic<int64_t> answer_wait_ms{SealedChats::answer_wait_ms};
};

SealedChatState& sealed_state(const ChatClient& client);

// Milliseconds of a steady clock.
int64_t sealed_clock_ms();

// Nicknames as the sealed code takes them (UTF-8), lower case for look-ups.
std::string sealed_nick(const std::wstring& nickname);
std::string sealed_key(const std::wstring& nickname);

// Keys wiped: one chat closed, or all at a disconnect; the banner that said
// the chat was sealed says so no longer. Any thread.
void forget_sealed_chat(ChatClient& client, const std::wstring& nickname);
void forget_sealed_chats(ChatClient& client);
