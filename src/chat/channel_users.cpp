#include "chat/channel_users.h"

namespace {
// NAMES marks operators and voiced users in front of the nickname.
bool is_mark(char ch) { return ch == '@' || ch == '+'; }

std::string entry_of(const std::string& nickname, char mark) {
    return mark ? mark + nickname : nickname;
}
}  // namespace

ChannelUsers::Listed ChannelUsers::list(const std::string& entry) {
    const char mark = !entry.empty() && is_mark(entry[0]) ? entry[0] : '\0';
    std::string nickname = mark ? entry.substr(1) : entry;
    if (nickname.empty()) return Listed::refused;
    auto found = marks_.find(nickname);
    if (found == marks_.end()) {
        if (marks_.size() >= capacity) return Listed::refused;
        insert(nickname, mark);
        return Listed::added;
    }
    if (found->second == mark) return Listed::unchanged;
    sorted_.erase(entry_of(nickname, found->second));
    sorted_.insert(entry);
    found->second = mark;
    return Listed::mark_changed;
}

bool ChannelUsers::join(const std::string& nickname) {
    if (nickname.empty() || marks_.size() >= capacity || marks_.count(nickname)) return false;
    insert(nickname, '\0');
    return true;
}

bool ChannelUsers::remove(const std::string& nickname) {
    auto found = marks_.find(nickname);
    if (found == marks_.end()) return false;
    erase(found);
    return true;
}

bool ChannelUsers::rename(const std::string& old_nickname, const std::string& new_nickname) {
    auto found = marks_.find(old_nickname);
    if (found == marks_.end() || new_nickname.empty()) return false;
    erase(found);
    // A server naming an already listed user leaves that user as listed.
    if (!marks_.count(new_nickname)) insert(new_nickname, '\0');
    return true;
}

void ChannelUsers::clear() {
    marks_.clear();
    sorted_.clear();
}

std::vector<std::string> ChannelUsers::entries() const {
    return std::vector<std::string>(sorted_.begin(), sorted_.end());
}

void ChannelUsers::insert(const std::string& nickname, char mark) {
    marks_.emplace(nickname, mark);
    sorted_.insert(entry_of(nickname, mark));
}

void ChannelUsers::erase(std::map<std::string, char>::iterator found) {
    sorted_.erase(entry_of(found->first, found->second));
    marks_.erase(found);
}
