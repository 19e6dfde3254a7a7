#include "transfer/sealed_file_receive.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "app/chat_client.h"
#include "app/file_names.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/palette.h"
#include "controls/input_line.h"
#include "chat/sealed_state.h"
#include "crypto/file_crypto.h"
#include "irc/chat_view.h"
#include "irc/handler_support.h"
#include "transfer/sealed_file_texts.h"
#include "transfer/transfer_status.h"

namespace {

constexpr size_t most_expected = 64;
constexpr int64_t kept_ms = 10 * 60 * 1000;
// The announcement goes through the server, the file straight across: a small
// file may come first.
constexpr int announcement_wait_ms = 30000;
constexpr size_t read_size = 64 * 1024;

struct Expected {
    Key key{};
    int slot = -1;
    unsigned generation = 0;
    int64_t since = 0;
    ~Expected() { wipe(key); }
};

struct Registry {
    std::mutex lock;
    std::condition_variable arrived;
    std::map<std::string, Expected> files;  // by id text
};

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

void drop_old(Registry& r, int64_t now) {
    for (auto it = r.files.begin(); it != r.files.end();)
        it = now - it->second.since > kept_ms ? r.files.erase(it) : std::next(it);
}

bool take_expected(const std::string& id, Expected& out, const std::atomic<bool>& stop, int wait_ms) {
    Registry& r = registry();
    std::unique_lock<std::mutex> guard(r.lock);
    for (int waited = 0; !stop; waited += 100) {
        auto found = r.files.find(id);
        if (found != r.files.end()) {
            out.key = found->second.key;
            out.slot = found->second.slot;
            out.generation = found->second.generation;
            r.files.erase(found);
            return true;
        }
        if (waited >= wait_ms) break;
        r.arrived.wait_for(guard, std::chrono::milliseconds(100));
    }
    return false;
}

void tell_chat(ChatClient& client, const Expected& file, const std::wstring& text, bool warning) {
    show_transfer_status(text);
    append_line(client, file.slot, file.generation,
                {{text, warning ? colour_error_text : colour_encrypted_echo, warning ? colour_error_back : colour_black}});
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { if (ok()) CloseHandle(handle_); }
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void close() { if (ok()) CloseHandle(handle_); handle_ = INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

enum class Opened { whole, refused, unwritable };

// Streams the sealed file into `output` (created by the caller).
Opened open_into(const std::string& sealed_path, const std::string& output, const Key& key,
                 const std::atomic<bool>& stop, std::unique_ptr<FileOpener>& opener) {
    Handle in(CreateFileA(sealed_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Handle out(CreateFileA(output.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                           nullptr));
    LARGE_INTEGER size{};
    if (!in.ok() || !GetFileSizeEx(in.get(), &size)) return Opened::refused;
    if (!out.ok()) return Opened::unwritable;
    opener = std::make_unique<FileOpener>(key, static_cast<unsigned long long>(size.QuadPart));
    std::vector<uint8_t> buffer(read_size);
    Bytes plain;
    for (;;) {
        DWORD got = 0;
        if (stop || !ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return Opened::refused;
        if (!got) break;
        plain.clear();
        if (!opener->feed(buffer.data(), got, plain)) return Opened::refused;
        DWORD written = 0;
        if (!plain.empty() && (!WriteFile(out.get(), plain.data(), static_cast<DWORD>(plain.size()), &written,
                                          nullptr) || written != plain.size()))
            return Opened::unwritable;
    }
    wipe(plain);
    return opener->complete() ? Opened::whole : Opened::refused;
}

// Moves without ever replacing: a name taken meanwhile sends it on to the next.
bool move_beside(const std::string& scratch, const std::wstring& wanted, std::wstring& saved) {
    const std::wstring from = wide_text(scratch, CP_THREAD_ACP);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = free_file_path(wanted);
        if (candidate.empty()) return false;
        if (MoveFileExW(from.c_str(), candidate.c_str(), 0)) {
            saved = candidate;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// The end of an opened file: saved under its real name, or removed, and the
// chat told which. `output` holds the content (closed by now).
std::wstring conclude(ChatClient& client, const Expected& expected, Opened result, const FileOpener* opener,
                      const char* output, const std::wstring& folder, const FileId& id, bool stopped) {
    std::wstring saved;
    if (result == Opened::whole) {
        std::wstring name = clean_file_name(text_from_utf8(opener->name()));
        if (name.empty()) name = wide_text(file_id_text(id), CP_UTF8);
        if (move_beside(output, folder + name, saved)) {
            const std::wstring saved_name = saved.substr(saved.find_last_of(L'\\') + 1);
            tell_chat(client, expected, format_text(sealed_file_text::received, name, saved_name), false);
            return saved_name;
        }
    }
    if (output[0]) DeleteFileA(output);
    if (stopped) return {};
    tell_chat(client, expected, result == Opened::refused ? sealed_file_text::failed : sealed_file_text::not_saved,
              true);
    return {};
}

}  // namespace

struct SealedStreamSink::State {
    Expected expected;
    FileId id{};
    std::unique_ptr<FileOpener> opener;
    HANDLE out = INVALID_HANDLE_VALUE;
    char output[MAX_PATH] = {};
    bool refused = false;
    Bytes plain;
    void close() {
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        out = INVALID_HANDLE_VALUE;
    }
    ~State() {
        close();
        if (output[0]) DeleteFileA(output);
        wipe(plain);
    }
};

SealedStreamSink::SealedStreamSink() = default;
SealedStreamSink::~SealedStreamSink() = default;

bool SealedStreamSink::start(const FileId& id, const std::wstring& folder, unsigned long long stream_size,
                             const std::atomic<bool>& stop) {
    auto state = std::make_unique<State>();
    if (!take_expected(file_id_text(id), state->expected, stop, 0)) return false;
    state->id = id;
    state->opener = std::make_unique<FileOpener>(state->expected.key, stream_size);
    // Without its scratch file the announcement is used all the same: write() then says the file cannot be saved.
    if (GetTempFileNameA(narrow_text(folder.c_str(), CP_THREAD_ACP).c_str(), "zos", 0, state->output))
        state->out = CreateFileA(state->output, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    state_ = std::move(state);
    return true;
}

bool SealedStreamSink::write(const char* bytes, size_t length) {
    State& s = *state_;
    if (s.refused) return true;  // the rest is taken and dropped: the end tells the chat
    if (s.out == INVALID_HANDLE_VALUE) return false;
    s.plain.clear();
    if (!s.opener->feed(reinterpret_cast<const uint8_t*>(bytes), length, s.plain)) {
        s.refused = true;
        return true;
    }
    DWORD written = 0;
    return s.plain.empty() || (WriteFile(s.out, s.plain.data(), static_cast<DWORD>(s.plain.size()), &written,
                                         nullptr) &&
                               written == s.plain.size());
}

std::wstring SealedStreamSink::finish(ChatClient& client, const std::wstring& folder, bool stopped) {
    State& s = *state_;
    s.close();
    const Opened result = !s.refused && s.opener->complete() ? Opened::whole : Opened::refused;
    const std::wstring saved = conclude(client, s.expected, result, s.opener.get(), s.output, folder, s.id, stopped);
    s.output[0] = '\0';  // moved or deleted: the name may be another scratch file's soon
    return saved;
}

void expect_sealed_file(ChatClient& client, const ChatView& chat, const std::wstring& sender,
                        const std::string& id_text) {
    FileId id{};
    if (!parse_file_id(id_text, id)) return;
    std::optional<Key> key = sealed_state(client).chats.file_key_for(sealed_nick(sender), id);
    if (!key) return;
    Registry& r = registry();
    {
        std::lock_guard<std::mutex> guard(r.lock);
        const int64_t now = sealed_clock_ms();
        drop_old(r, now);
        if (r.files.size() < most_expected || r.files.count(id_text)) {
            Expected& entry = r.files[id_text];
            entry.key = *key;
            entry.slot = chat.slot;
            entry.generation = chat.generation;
            entry.since = now;
        }
    }
    wipe(*key);
    r.arrived.notify_all();
}

bool is_sealed_wire_name(const std::string& wire_name, FileId& id) {
    const size_t prefix = std::strlen(sealed_file_text::wire_prefix), ending = std::strlen(encrypted_file_extension);
    if (wire_name.size() != prefix + 2 * id.size() + ending ||
        wire_name.compare(0, prefix, sealed_file_text::wire_prefix) != 0 ||
        wire_name.compare(wire_name.size() - ending, ending, encrypted_file_extension) != 0)
        return false;
    return parse_file_id(wire_name.substr(prefix, 2 * id.size()), id);
}

std::string sealed_wire_name(const FileId& id) {
    return sealed_file_text::wire_prefix + file_id_text(id) + encrypted_file_extension;
}

std::wstring open_sealed_file(ChatClient& client, const std::string& scratch_path, const FileId& id,
                      const std::wstring& folder, const std::atomic<bool>& stop) {
    const std::wstring wire = wide_text(sealed_wire_name(id), CP_THREAD_ACP);
    Expected expected;
    if (!take_expected(file_id_text(id), expected, stop, announcement_wait_ms)) {
        DeleteFileA(scratch_path.c_str());
        if (!stop) show_transfer_status(format_text(sealed_file_text::unannounced, wire));
        return {};
    }
    char output[MAX_PATH] = {};
    const std::string narrow_folder = narrow_text(folder.c_str(), CP_THREAD_ACP);
    Opened result = Opened::unwritable;
    std::unique_ptr<FileOpener> opener;
    if (GetTempFileNameA(narrow_folder.c_str(), "zos", 0, output))
        result = open_into(scratch_path, output, expected.key, stop, opener);
    DeleteFileA(scratch_path.c_str());
    return conclude(client, expected, result, opener.get(), output, folder, id, stop);
}

size_t sealed_files_expected() {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.files.size();
}
