#pragma once
#include <mutex>
#include <string>

// A wide string that one thread may change while another reads it: every
// access copies under the lock, so a reader never sees half a change.
class SharedText {
public:
    SharedText() = default;
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    std::wstring get() const {
        std::lock_guard<std::mutex> guard(lock_);
        return text_;
    }
    void set(std::wstring value) {
        std::lock_guard<std::mutex> guard(lock_);
        text_.swap(value);
    }
    SharedText& operator=(std::wstring value) {
        set(std::move(value));
        return *this;
    }
    SharedText& operator=(const wchar_t* value) {
        set(value ? value : L"");
        return *this;
    }
    operator std::wstring() const { return get(); }

    void clear() { set(std::wstring()); }

    bool empty() const {
        std::lock_guard<std::mutex> guard(lock_);
        return text_.empty();
    }
    bool operator==(const std::wstring& other) const {
        std::lock_guard<std::mutex> guard(lock_);
        return text_ == other;
    }
    bool operator==(const wchar_t* other) const {
        std::lock_guard<std::mutex> guard(lock_);
        return other && text_ == other;
    }
    bool operator!=(const std::wstring& other) const { return !(*this == other); }
    bool operator!=(const wchar_t* other) const { return !(*this == other); }

private:
    mutable std::mutex lock_;
    std::wstring text_;
};
