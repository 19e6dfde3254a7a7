#pragma once
#include <string>
#include <vector>

// The tags a server may put in front of a line ("@time=...;account=alice :n!u@h ...").
// They are read, never shown: handlers see the line without them.
struct MessageTag {
    std::wstring key;
    std::wstring value;  // unescaped; empty for a tag without '='
};
using MessageTags = std::vector<MessageTag>;

// Splits the tag section off the front of `text`: `tags` gets its tags and
// the result is the line after it (the whole line when it has none; empty
// when the line is nothing but tags).
std::wstring take_message_tags(const std::wstring& text, MessageTags& tags);

// The value of the last tag named `key` (a later repeat wins), or nullptr.
const std::wstring* find_tag(const MessageTags& tags, const wchar_t* key);

// A server-time value ("2026-12-08T01:41:39.855Z", fraction optional) as
// milliseconds since 1970-01-01 UTC; 0 when it is not such a time.
long long parse_server_time(const std::wstring& value);
