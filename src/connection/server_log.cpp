#include "connection/server_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"

namespace {
constexpr const wchar_t* log_folder = L"Downloads\\";
constexpr const wchar_t* log_name = L"server_data_log.txt";
constexpr const wchar_t* converted_suffix = L".utf8";

// What the file holds so far. One file is never of two encodings: a file that
// begins with the UTF-8 byte order mark is UTF-8 throughout, any other is the
// code page's.
enum class LogState { empty, code_page, utf8 };

// `file` is open for reading and appending; it is left at its end.
LogState log_state(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0 || ftell(file) <= 0) return LogState::empty;
    char head[utf8_byte_order_mark_size] = {};
    fseek(file, 0, SEEK_SET);
    const size_t read = fread(head, 1, sizeof head, file);
    fseek(file, 0, SEEK_END);
    return read == sizeof head && std::memcmp(head, utf8_byte_order_mark, sizeof head) == 0 ? LogState::utf8
                                                                                             : LogState::code_page;
}

// Each LF as CR LF, the line ended by one more: what the log has always held
// (it was written in the runtime's text mode), the file now being opened
// as bytes to look at its start.
std::string log_line(std::string bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    for (char c : bytes) {
        if (c == '\n') out += '\r';
        out += c;
    }
    out += "\r\n";
    return out;
}

bool read_whole(const std::wstring& path, std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    char chunk[65536];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.append(chunk, n);
    const bool whole = !ferror(file);
    fclose(file);
    return whole;
}

bool write_whole(const std::wstring& path, const std::string& bytes) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    const bool whole = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && fflush(file) == 0;
    fclose(file);
    return whole;
}

// The first line the code page cannot hold turns a log kept in the code page
// into UTF-8, every earlier line with it, so that no reader meets two
// encodings in one file. It is written beside the log and then put in its
// place: a failure leaves the old log as it was.
bool convert_log_to_utf8(const std::wstring& path) {
    std::string bytes;
    if (!read_whole(path, bytes)) return false;
    const std::string converted = utf8_byte_order_mark + utf8_text(wide_text(bytes, CP_THREAD_ACP));
    const std::wstring aside = path + converted_suffix;
    if (!write_whole(aside, converted)) {
        DeleteFileW(aside.c_str());
        return false;
    }
    if (MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileW(aside.c_str());
    return false;
}
}  // namespace

std::wstring server_log_path(const ChatClient& client) {
    return format_text(L"%s%s%s", client.app_folder, log_folder, log_name);
}

bool write_server_log(ChatClient& client, const std::wstring* lines, size_t count) {
    if (count == 0) return true;
    if (!client.app_folder[0]) return false;  // never a file in the current folder
    // The wide path reaches folders whose names the 8-bit code page cannot spell.
    const std::wstring path = server_log_path(client);
    FILE* file = _wfopen(path.c_str(), L"a+b");
    if (!file) return false;
    LogState state = log_state(file);
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        TextForm form = TextForm::utf8;
        std::string encoded = state == LogState::utf8 ? utf8_text(lines[i]) : encode_wire_text(lines[i], CP_THREAD_ACP, &form);
        if (state != LogState::utf8 && form == TextForm::utf8) {
            if (state == LogState::code_page) {
                // The lines before this one go in first, so that they are converted with the rest.
                const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
                fclose(file);
                bytes.clear();
                file = written && convert_log_to_utf8(path) ? _wfopen(path.c_str(), L"ab") : nullptr;
                if (!file) return false;
            } else {
                bytes.append(utf8_byte_order_mark, utf8_byte_order_mark_size);
            }
            state = LogState::utf8;
        } else if (state == LogState::empty) {
            state = LogState::code_page;
        }
        bytes += log_line(std::move(encoded));
    }
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && fflush(file) == 0;
    fclose(file);
    return written;
}

bool write_server_log(ChatClient& client, const std::wstring& line) {
    return write_server_log(client, &line, 1);
}

void ServerLogBatch::add(const std::wstring& line) {
    // The strings of earlier batches are reused: a flood allocates little.
    if (count_ == lines_.size()) lines_.emplace_back();
    lines_[count_++] = line;
    characters_ += line.size();
}

bool ServerLogBatch::flush(ChatClient& client) {
    const bool written = write_server_log(client, lines_.data(), count_);
    count_ = 0;
    characters_ = 0;
    return written;
}
