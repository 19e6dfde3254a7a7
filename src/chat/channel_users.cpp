#include "chat/channel_users.h"

namespace {
std::string entry_of(const std::string& nickname, const std::string& mark) { return mark + nickname; }
}  // namespace

ChannelUsers::Listed ChannelUsers::list(const std::string& entry, const std::string& marks) {
    // NAMES marks operators and voiced users in front of the nickname.
    size_t mark_length = 0;
    while (mark_length < entry.size() && marks.find(entry[mark_length]) != std::string::npos) ++mark_length;
    const std::string mark = entry.substr(0, mark_length);
    std::string nickname = entry.substr(mark_length);
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
    insert(nickname, std::string());
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
    if (!marks_.count(new_nickname)) insert(new_nickname, std::string());
    return true;
}

void ChannelUsers::clear() {
    marks_.clear();
    sorted_.clear();
}

std::vector<std::string> ChannelUsers::entries() const {
    return std::vector<std::string>(sorted_.begin(), sorted_.end());
}

void ChannelUsers::insert(const std::string& nickname, const std::string& mark) {
    marks_.emplace(nickname, mark);
    sorted_.insert(entry_of(nickname, mark));
}

void ChannelUsers::erase(std::map<std::string, std::string>::iterator found) {
    sorted_.erase(entry_of(found->first, found->second));
    marks_.erase(found);
}
