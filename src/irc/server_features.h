#pragma once
#include <mutex>
#include <set>
#include <string>

struct IrcLine;

// How the server compares nicknames and channel names (ISUPPORT CASEMAPPING).
enum class CaseMapping { ascii, rfc1459, strict_rfc1459 };

// What the server told about itself on this connection: the capabilities it
// agreed to and its ISUPPORT values. Until it says otherwise, the values are
// those every server has always had.
struct ServerFeatures {
    std::set<std::wstring> capabilities;  // enabled, by name
    size_t nickname_length = 0;           // NICKLEN; 0 = not told
    std::wstring prefix_modes = L"ov";    // PREFIX, highest first
    std::wstring prefix_marks = L"@+";
    std::wstring channel_types = L"#";    // CHANTYPES
    CaseMapping case_mapping = CaseMapping::rfc1459;

    bool has(const wchar_t* capability) const { return capabilities.count(capability) != 0; }
    // Does `name` begin with one of the channel types?
    bool is_channel(const std::wstring& name) const;
    // The leading run of prefix marks of a NAMES entry ("@+nick" -> 2).
    size_t marks_length(const std::wstring& entry) const;
    bool same_name(const std::wstring& a, const std::wstring& b) const;
};

// Applies the values of one ISUPPORT (005) reply: its tokens from the one
// after the nickname up to the trailing text. Unknown or malformed values
// leave what was known.
void apply_isupport(ServerFeatures& features, const IrcLine& line);

// Nicknames the program keeps are cut here unless the server allows fewer;
// a server that allows more is believed up to this, not beyond.
constexpr size_t longest_nickname = 64;
// The length a granted nickname is cut to on this server.
size_t granted_nickname_limit(const ServerFeatures& features, size_t usual_limit);

// The features of the current connection, shared by the receive thread, which
// learns them, and the user-interface thread.
class SharedFeatures {
public:
    ServerFeatures get() const {
        std::lock_guard<std::mutex> guard(lock_);
        return features_;
    }
    template <class Change>
    void change(Change change) {
        std::lock_guard<std::mutex> guard(lock_);
        change(features_);
    }
    bool same_name(const std::wstring& a, const std::wstring& b) const {
        std::lock_guard<std::mutex> guard(lock_);
        return features_.same_name(a, b);
    }
    size_t granted_nickname_limit(size_t usual_limit) const {
        std::lock_guard<std::mutex> guard(lock_);
        return ::granted_nickname_limit(features_, usual_limit);
    }
    std::wstring prefix_marks() const {
        std::lock_guard<std::mutex> guard(lock_);
        return features_.prefix_marks;
    }
    bool is_channel(const std::wstring& name) const {
        std::lock_guard<std::mutex> guard(lock_);
        return features_.is_channel(name);
    }
    void reset() {
        std::lock_guard<std::mutex> guard(lock_);
        features_ = ServerFeatures{};
    }

private:
    mutable std::mutex lock_;
    ServerFeatures features_;
};
