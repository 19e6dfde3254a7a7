#include "transfer/receive_session.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <algorithm>
#include <functional>
#include <vector>

#include "app/chat_client.h"
#include "app/file_names.h"
#include "app/text.h"
#include "app/zone_mark.h"
#include "crypto/file_crypto.h"
#include "transfer/receiver_limits.h"
#include "transfer/sealed_file_receive.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_socket.h"
#include "transfer/transfer_status.h"
#include "transfer/transfer_texts.h"

namespace {

constexpr size_t receive_buffer_size = 64 * 1024;

bool ends_with_extension(const std::wstring& name) {
    const size_t length = std::wcslen(encrypted_file_extension_wide);
    return name.size() > length && _wcsicmp(name.c_str() + name.size() - length, encrypted_file_extension_wide) == 0;
}

// 1 to 9 decimal digits and nothing else; anything else ends the connection
// (a peer following the protocol never sends more).
bool parse_size(const std::string& text, unsigned long long& size) {
    if (text.empty() || text.size() > transfer::size_digits_limit) return false;
    size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        size = size * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// The file being received waits under a scratch name in Downloads\ until the
// last byte is in, so an interrupted transfer never leaves a file under the
// name the peer chose.
class IncomingFile {
public:
    ~IncomingFile() { discard(); }
    bool create(const std::string& folder) {
        char path[MAX_PATH] = {};
        if (folder.size() >= MAX_PATH - 14 || !GetTempFileNameA(folder.c_str(), "zof", 0, path)) return false;
        path_ = path;
        handle_ = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
    }
    bool write(const char* bytes, size_t length) {
        DWORD written = 0;
        return WriteFile(handle_, bytes, static_cast<DWORD>(length), &written, nullptr) && written == length;
    }
    // Closes it and hands the path over: the caller deletes it from now on.
    std::string finish() {
        close();
        std::string path;
        path.swap(path_);
        return path;
    }
    void discard() {
        close();
        if (!path_.empty()) DeleteFileA(path_.c_str());
        path_.clear();
    }

private:
    void close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool answer(TransferLink& link, size_t count = 1) {
    static const std::string many = [] {
        std::string text;
        for (size_t i = 0; i < receive_buffer_size / transfer::chunk_size + 1; ++i) text += transfer::answer;
        return text;
    }();
    return link.send_all(many.data(), count * transfer::answer_length);
}

// Why a file did not arrive. A stop is the user's own doing: its notice
// ("NOT allowed ...") says so.
void report_cut(const TransferLink& link, const std::wstring& name) {
    switch (link.end()) {
    case LinkEnd::stopped: return;
    case LinkEnd::too_slow: show_transfer_status(format_text(transfer_text::slow_sender, name)); return;
    case LinkEnd::deadline: show_transfer_status(format_text(transfer_text::late_sender, name)); return;
    default: show_transfer_status(format_text(transfer_text::receive_cut, name)); return;
    }
}

// Reads the file's bytes into `write`, answering each chunk once it is
// complete. A receive takes whatever has arrived up to the end of the file
// (never beyond: the next unit follows), so a windowed sender costs few calls
// and a lock-step one works as before.
bool receive_content(TransferLink& link, const std::function<bool(const char*, size_t)>& write,
                     unsigned long long size, const std::wstring& name) {
    std::vector<char> buffer(receive_buffer_size);
    TransferProgress progress(transfer_text::receiving, name, size);
    unsigned long long received = 0, answered = 0;
    while (received < size) {
        const size_t wanted = static_cast<size_t>(std::min<unsigned long long>(size - received, buffer.size()));
        const size_t got = link.receive_some(buffer.data(), wanted);
        if (!got) {
            report_cut(link, name);
            return false;
        }
        if (!write(buffer.data(), got)) {
            show_transfer_status(format_text(transfer_text::cannot_save, name));
            return false;
        }
        received += got;
        const unsigned long long done = transfer::chunks_done(received, size);
        if (done > answered && !answer(link, static_cast<size_t>(done - answered))) {
            report_cut(link, name);
            return false;
        }
        answered = done;
        progress.update(received);
    }
    return true;
}

// One file: name, size, content, then decryption. False when the connection
// must end (the protocol has no refusal: ending it is the refusal).
bool receive_file(ChatClient& client, TransferLink& link, const ReceiverLimits& limits, unsigned long address,
                  const std::atomic<bool>& stop) {
    const std::string name_bytes = link.receive_once(transfer::name_limit);
    if (name_bytes.empty()) return false;
    std::wstring name;
    if (!acceptable_received_name(name_bytes, name)) {
        show_transfer_status(transfer_text::refused_name);
        return false;
    }
    if (!answer(link)) return false;

    const std::wstring folder = std::wstring(client.app_folder) + L"Downloads\\";
    const std::string narrow_folder = narrow_text(folder.c_str(), CP_THREAD_ACP);
    const std::wstring plain_name = name.substr(0, name.size() - std::strlen(encrypted_file_extension));
    const std::string plain_path = narrow_text((folder + plain_name).c_str(), CP_THREAD_ACP);
    IncomingFile file;
    // Both the received and the decrypted path must be ordinary Windows paths.
    if (!client.app_folder[0] || folder.size() + name.size() >= MAX_PATH || !file.create(narrow_folder)) {
        show_transfer_status(format_text(transfer_text::cannot_save, name));
        return false;
    }

    unsigned long long size = 0;
    const std::string size_text = link.receive_once(transfer::size_read_limit);
    if (size_text.empty()) return false;
    if (!parse_size(size_text, size)) {
        show_transfer_status(format_text(transfer_text::refused_size, name));
        return false;
    }
    ScratchReservation room;
    if (!room.reserve(size, folder, address)) {
        show_transfer_status(format_text(transfer_text::refused_room, name));
        return false;
    }
    if (limits.deadline_rate) link.extend_deadline(size * 1000 / limits.deadline_rate);
    if (!answer(link)) return false;
    link.expect_bytes(size);
    // A sealed file already announced is opened as it comes; any other is
    // kept whole first (a late announcement is waited for afterwards).
    FileId sealed_id{};
    const bool sealed = is_sealed_wire_name(name_bytes, sealed_id);
    SealedStreamSink sink;
    const bool at_once = sealed && sink.start(sealed_id, folder, size, stop);
    const auto write = [&](const char* bytes, size_t length) {
        return at_once ? sink.write(bytes, length) : file.write(bytes, length);
    };
    if (!receive_content(link, write, size, name)) return false;

    std::wstring saved;
    if (at_once) {
        file.discard();
        saved = sink.finish(client, folder, stop);
    } else {
        const std::string encrypted_path = file.finish();
        saved = sealed ? open_sealed_file(client, encrypted_path, sealed_id, folder, stop)
                       : decrypt_received_file(client, encrypted_path, plain_path, name, &stop).saved_name;
    }
    if (!saved.empty()) mark_from_internet(folder + saved);
    link.restart_rate_window();
    return true;
}

}  // namespace

bool acceptable_received_name(const std::string& bytes, std::wstring& wide) {
    wide.clear();
    if (bytes.empty() || bytes.size() > transfer::name_limit || std::memchr(bytes.data(), 0, bytes.size())) return false;
    // A name the code page cannot turn into text is refused, not guessed at.
    const int length = MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) return false;
    std::wstring name(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), &name[0],
                        length);
    // A name that would read otherwise than it is ("x<U+202E>fdp.exe.zof") is
    // saved with '_' where the hidden characters were.
    name = without_format_characters(name);
    if (!is_plain_file_name(name) || !ends_with_extension(name)) return false;
    if (!is_plain_file_name(std::wstring_view(name).substr(0, name.size() - std::strlen(encrypted_file_extension))))
        return false;
    wide.swap(name);
    return true;
}

void serve_transfer_connection(ChatClient& client, SOCKET connection, const std::atomic<bool>& stop) {
    const ReceiverLimits limits = receiver_limits();
    LinkPace pace;
    pace.idle_ms = transfer::idle_timeout_ms;
    pace.deadline_ms = limits.deadline_ms;
    pace.min_rate = limits.min_rate;
    pace.rate_window_ms = limits.rate_window_ms;
    TransferLink link(connection, stop, pace);
    sockaddr_in peer{};
    int length = sizeof peer;
    const unsigned long address =
        getpeername(connection, reinterpret_cast<sockaddr*>(&peer), &length) == 0 ? peer.sin_addr.s_addr : 0;
    for (;;) {
        const std::string marker = link.receive_once(transfer::marker_read_limit);
        // Every marker is answered, the unknown ones too.
        if (marker.empty() || !answer(link)) return;
        if (marker == transfer::start_marker) {
            if (!receive_file(client, link, limits, address, stop)) return;
        } else if (marker == transfer::end_marker) {
            return;
        }
    }
}
