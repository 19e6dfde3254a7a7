#pragma once
#include <string>
#include <vector>

class ChatClient;

// A snapshot of the defined slots of the password table, in slot order, taken
// under the table's lock so that a reload never shows a half-written password.
// Trying the passwords then runs without holding the lock. Wiped when destroyed.
class StoredPasswords {
public:
    explicit StoredPasswords(const ChatClient& client);
    ~StoredPasswords();
    StoredPasswords(const StoredPasswords&) = delete;
    StoredPasswords& operator=(const StoredPasswords&) = delete;

    struct Entry {
        int slot;
        std::string password;
    };
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};
