#pragma once
#include <windows.h>

#include <string>

// Notices under "File Trans.", from any thread: the status bar hands them to
// the window's thread, so a transfer thread never waits for the window.
void show_transfer_status(const std::wstring& text, bool with_sound = true);

// Percent and amount of one transfer, shown a few times a second rather than
// per chunk (a chunk is a kilobyte), and at the end.
class TransferProgress {
public:
    TransferProgress(const wchar_t* format, const std::wstring& name, unsigned long long total)
        : format_(format), name_(name), total_(total) {}
    void update(unsigned long long done);

private:
    const wchar_t* format_;
    std::wstring name_;
    unsigned long long total_;
    ULONGLONG last_shown_ = 0;
    int last_percent_ = -1;
};
