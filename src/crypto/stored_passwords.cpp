#include "crypto/stored_passwords.h"

#include <cstring>
#include <mutex>

#include "app/chat_client.h"
#include "crypto/key_derivation.h"

StoredPasswords::StoredPasswords(const ChatClient& client) {
    entries_.reserve(password_count);
    std::lock_guard<std::mutex> guard(client.password_lock);
    for (int slot = 1; slot <= password_count; ++slot) {
        const char* stored = client.encryption_passwords[slot];
        // An edited settings file may leave a slot without its terminator.
        size_t length = strnlen(stored, password_capacity - 1);
        if (length == 0) continue;
        entries_.push_back({slot, std::string(stored, length)});
    }
}

StoredPasswords::~StoredPasswords() {
    for (Entry& entry : entries_) wipe_text(entry.password);
}
