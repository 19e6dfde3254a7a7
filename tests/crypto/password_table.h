#pragma once
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "crypto/key_cache.h"

// Fills the password table the way the settings loader does: every slot
// rewritten under the lock, then the derived keys forgotten.
inline void set_stored_passwords(ChatClient& client, const std::vector<std::pair<int, std::string>>& slots) {
    {
        std::lock_guard<std::mutex> guard(client.password_lock);
        for (int slot = 1; slot <= password_count; ++slot) client.encryption_passwords[slot][0] = 0;
        for (const auto& entry : slots) copy_text(client.encryption_passwords[entry.first], entry.second.c_str());
    }
    forget_derived_keys();
}

// Bytes <-> upper-case hexadecimal, for vectors made with other tools.
inline std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

inline std::string from_hex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}
