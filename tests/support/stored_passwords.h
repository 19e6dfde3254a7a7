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
