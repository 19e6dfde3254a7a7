#include "controls/input_history.h"

void InputHistory::add(const std::wstring& line) {
    if (line.empty()) return;
    if (lines_.empty() || lines_.back() != line) lines_.push_back(line);
    if (lines_.size() > capacity) lines_.pop_front();
    position_ = lines_.size();
    draft_.clear();
}

bool InputHistory::older(const std::wstring& current, std::wstring& shown) {
    if (position_ > lines_.size()) position_ = lines_.size();
    if (position_ == 0) return false;
    if (position_ == lines_.size()) draft_ = current;
    shown = lines_[--position_];
    return true;
}

bool InputHistory::newer(const std::wstring&, std::wstring& shown) {
    if (position_ >= lines_.size()) return false;
    ++position_;
    shown = position_ == lines_.size() ? draft_ : lines_[position_];
    return true;
}
