#pragma once
#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

// The users of one channel as NAMES lists them: "nick", "@op", "+voiced" or,
// where the server lists every mark a user has, "@+both" (UTF-8, so that a
// nickname the code page cannot spell stays whole). A nickname is held once whatever its mark, and lookups go by
// the bare nickname, case-sensitive. Not thread-safe: ChatRecord::lock guards it.
class ChannelUsers {
public:
    // Big public channels reach a few thousand users; beyond ten thousand the
    // drop-down is of no use to a reader, while a server repeating made-up
    // names could otherwise grow the list until memory runs out. At roughly a
    // hundred bytes an entry this keeps a channel near one megabyte.
    static constexpr size_t capacity = 10000;

    enum class Listed { added, mark_changed, unchanged, refused };

    // A NAMES entry: the server's latest word on the marks wins. `marks` are
    // the characters that mark a user (the server's PREFIX). Refused when the
    // bare nickname is empty or the list is full.
    Listed list(const std::string& entry, const std::string& marks = "@+");
    // A JOIN: a nickname already listed keeps its entry and mark.
    bool join(const std::string& nickname);
    bool remove(const std::string& nickname);
    // The new nickname comes in unmarked; the next NAMES tells its mark again.
    bool rename(const std::string& old_nickname, const std::string& new_nickname);
    void clear();

    size_t size() const { return marks_.size(); }
    bool empty() const { return marks_.empty(); }
    // Every entry, sorted as byte strings.
    std::vector<std::string> entries() const;

private:
    void insert(const std::string& nickname, const std::string& mark);
    void erase(std::map<std::string, std::string>::iterator found);

    // Bare nickname to its marks (empty for none), for lookups in O(log n)
    // even when a server picks names that collide in a hash.
    std::map<std::string, std::string> marks_;
    // The entries in the order the drop-down shows, so a rebuild never sorts.
    std::set<std::string> sorted_;
};
