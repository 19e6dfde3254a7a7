#include "chat/sealed_state.h"

#include <chrono>
#include <memory>

#include "app/wire_text.h"
#include "mainwindow/sealed_banner.h"

SealedChatState& sealed_state(const ChatClient& client) {
    // One client per process in the program; tests may make several.
    static std::mutex lock;
    static std::map<const ChatClient*, std::unique_ptr<SealedChatState>> states;
    std::lock_guard<std::mutex> guard(lock);
    std::unique_ptr<SealedChatState>& state = states[&client];
    if (!state) state = std::make_unique<SealedChatState>();
    return *state;
}

int64_t sealed_clock_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string sealed_nick(const std::wstring& nickname) { return utf8_text(nickname.data(), nickname.size()); }

std::string sealed_key(const std::wstring& nickname) {
    std::string key = sealed_nick(nickname);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

void forget_sealed_chat(ChatClient& client, const std::wstring& nickname) {
    SealedChatState& state = sealed_state(client);
    state.chats.forget(sealed_nick(nickname));
    post_sealed_standing(client);
    std::lock_guard<std::mutex> guard(state.held_lock);
    state.held.erase(sealed_key(nickname));
}

void forget_sealed_chats(ChatClient& client) {
    SealedChatState& state = sealed_state(client);
    state.chats.forget_all();
    post_sealed_standing(client);
    std::lock_guard<std::mutex> guard(state.held_lock);
    state.held.clear();
}
