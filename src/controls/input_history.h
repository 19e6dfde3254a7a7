#pragma once
#include <deque>
#include <string>

// The lines sent from one chat, for Up and Down in the input line. Walking
// up first keeps the line being typed; walking back down past the newest
// line gives it back.
class InputHistory {
public:
    static constexpr size_t capacity = 100;

    void add(const std::wstring& line);
    // The older (Up) or newer (Down) line, given what the input line holds
    // now; false when there is none to go to.
    bool older(const std::wstring& current, std::wstring& shown);
    bool newer(const std::wstring& current, std::wstring& shown);

private:
    std::deque<std::wstring> lines_;  // oldest first
    size_t position_ = 0;             // lines_.size(): not walking
    std::wstring draft_;
};
