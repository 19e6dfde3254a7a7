#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "crypto/sealed/sealed_file.h"

class ChatClient;
struct ChatView;

// The receiving side of sealed files. A sealed correspondent announces each
// file in the session (its id); the file then comes over the transfer port
// under a wire name that carries the id, and is opened with that session's
// key for it. Nothing of it reaches Downloads\ under its own name before the
// final chunk checked.

// A sealed message announcing file `id_text` from `sender`: its key is kept
// for the file that follows. Receive thread.
void expect_sealed_file(ChatClient& client, const ChatView& chat, const std::wstring& sender,
                        const std::string& id_text);

// Whether `wire_name` is the wire name of a sealed file (whether announced or not).
bool is_sealed_wire_name(const std::string& wire_name, FileId& id);
std::string sealed_wire_name(const FileId& id);

// The received stream in `scratch_path` (deleted in every case) opened into
// `folder` under its real name, cleaned, beside any file there. Waits a while
// for an announcement still on its way. The name it was saved under, or
// empty when it was not.
std::wstring open_sealed_file(ChatClient& client, const std::string& scratch_path, const FileId& id,
                      const std::wstring& folder, const std::atomic<bool>& stop);

// A sealed stream opened as it arrives, when its announcement came before
// its content (the usual order): the content goes once through the disk
// instead of being written sealed, read back and written again.
class SealedStreamSink {
public:
    SealedStreamSink();
    ~SealedStreamSink();
    SealedStreamSink(const SealedStreamSink&) = delete;
    SealedStreamSink& operator=(const SealedStreamSink&) = delete;
    // Takes the announcement of `id` if it has come, without waiting, for a
    // stream of `stream_size` bytes opened into a scratch file in `folder`.
    bool start(const FileId& id, const std::wstring& folder, unsigned long long stream_size,
               const std::atomic<bool>& stop);
    // The next received bytes. A stream that failed its check takes the rest
    // unread, so the transfer ends as usual; false when the content cannot be written.
    bool write(const char* bytes, size_t length);
    // All bytes in: saved under the real name, or removed, and the chat told
    // which (as open_sealed_file). The name it was saved under, or empty.
    std::wstring finish(ChatClient& client, const std::wstring& folder, bool stopped);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Announcements not yet used (tests).
size_t sealed_files_expected();
