#include "connection/server_log.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"

namespace {
constexpr const wchar_t* log_folder = L"Downloads\\";
constexpr const wchar_t* log_name = L"server_data_log.txt";
// The name a full or code-page log is kept under: the stem, the local time,
// and a number when that name is taken.
constexpr const wchar_t* kept_name = L"server_data_log %s-%s-%s %s.%s.%s%s.txt";
constexpr const wchar_t* kept_number = L" (%d)";
constexpr int kept_name_tries = 100;

enum class LogState { empty, code_page, utf8 };

// The log, opened for one batch. Others may read it meanwhile, as they could
// when it was written through the C library.
class LogFile {
public:
    explicit LogFile(const std::wstring& path) {
        handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER size{};
        char head[utf8_byte_order_mark_size] = {};
        DWORD read = 0;
        if (!GetFileSizeEx(handle_, &size) || !ReadFile(handle_, head, sizeof head, &read, nullptr)) {
            close();
            return;
        }
        size_ = static_cast<unsigned long long>(size.QuadPart);
        if (size_ == 0) state_ = LogState::empty;
        else if (read == sizeof head && std::memcmp(head, utf8_byte_order_mark, sizeof head) == 0) state_ = LogState::utf8;
        else state_ = LogState::code_page;
    }
    ~LogFile() { close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
    LogState state() const { return state_; }
    unsigned long long size() const { return size_; }

    // All of `bytes` at the end, or none: a write cut short (a full disk) is
    // taken back, so that the next try does not repeat the part written.
    bool append(const std::string& bytes) {
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size_);
        if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN)) return false;
        DWORD written = 0;
        if (WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size()) {
            size_ += bytes.size();
            return true;
        }
        if (SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN)) SetEndOfFile(handle_);
        return false;
    }
    void close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    LogState state_ = LogState::empty;
    unsigned long long size_ = 0;
};

// Each LF as CR LF, the line ended by one more: what the log has always held
// (it was once written in the C library's text mode).
void append_log_line(std::string& out, const std::string& bytes) {
    for (char c : bytes) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
}

std::wstring zero_padded(unsigned value, size_t width) {
    const std::wstring digits = std::to_wstring(value);
    return std::wstring(width > digits.size() ? width - digits.size() : 0, L'0') + digits;
}

// Moves the log aside under a dated name, never over another file. False
// when it cannot be moved (another program holds it open, say).
bool keep_aside(const std::wstring& folder, const std::wstring& path) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (int number = 1; number <= kept_name_tries; ++number) {
        const std::wstring suffix = number == 1 ? std::wstring() : format_text(kept_number, number);
        const std::wstring kept =
            folder + format_text(kept_name, zero_padded(now.wYear, 4), zero_padded(now.wMonth, 2),
                                 zero_padded(now.wDay, 2), zero_padded(now.wHour, 2), zero_padded(now.wMinute, 2),
                                 zero_padded(now.wSecond, 2), suffix);
        if (MoveFileW(path.c_str(), kept.c_str())) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}
}  // namespace

std::wstring server_log_path(const ChatClient& client) {
    return format_text(L"%s%s%s", client.app_folder, log_folder, log_name);
}

size_t write_server_log(ChatClient& client, const std::wstring* lines, size_t count) {
    if (count == 0) return 0;
    if (!client.app_folder[0]) return 0;  // never a file in the current folder
    const std::wstring folder = std::wstring(client.app_folder) + log_folder;
    const std::wstring path = folder + log_name;
    size_t done = 0;
    // A full log that cannot be moved aside takes the lines all the same:
    // better too long than lines lost.
    bool may_keep_aside = true;
    std::string bytes, encoded;
    while (done < count) {
        LogFile file(path);
        if (!file.is_open()) return done;
        if (may_keep_aside && file.size() >= server_log_size_limit) {
            file.close();
            may_keep_aside = false;
            if (keep_aside(folder, path)) may_keep_aside = true;
            continue;
        }
        LogState state = file.state();
        bytes.clear();
        size_t taken = done;
        for (; taken < count; ++taken) {
            TextForm form = TextForm::utf8;
            encoded = state == LogState::utf8 ? utf8_text(lines[taken])
                                              : encode_wire_text(lines[taken], CP_THREAD_ACP, &form);
            // A line the code page cannot hold goes into a new file of its own encoding.
            if (state == LogState::code_page && form == TextForm::utf8) break;
            if (state == LogState::empty) {
                state = form == TextForm::utf8 ? LogState::utf8 : LogState::code_page;
                if (state == LogState::utf8) bytes.append(utf8_byte_order_mark, utf8_byte_order_mark_size);
            }
            append_log_line(bytes, encoded);
        }
        if (!bytes.empty() && !file.append(bytes)) return done;
        done = taken;
        if (done == count) break;
        file.close();
        if (!keep_aside(folder, path)) return done;
    }
    return done;
}

void ServerLogBatch::add(const std::wstring& line) {
    if (kept_characters_ + line.size() > kept_characters) return;
    // The strings of earlier batches are reused: a flood allocates little.
    if (count_ == lines_.size()) lines_.emplace_back();
    lines_[count_++] = line;
    kept_characters_ += line.size();
    added_characters_ += line.size();
}

bool ServerLogBatch::flush(ChatClient& client) {
    added_characters_ = 0;
    const size_t written = write_server_log(client, lines_.data(), count_);
    if (written == count_) {
        count_ = 0;
        kept_characters_ = 0;
        return true;
    }
    // The lines not written move to the front, in order, for the next try.
    std::rotate(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(written),
                lines_.begin() + static_cast<std::ptrdiff_t>(count_));
    count_ -= written;
    kept_characters_ = 0;
    for (size_t i = 0; i < count_; ++i) kept_characters_ += lines_[i].size();
    return false;
}
