#pragma once
#include <array>
#include <memory>
#include <string>

#include "crypto/sealed/sealed_keys.h"

// A file for a sealed correspondent: one secretstream (XChaCha20-Poly1305)
// under a key of its own drawn from the session's file key and a random file
// id. The stream's first message names the file and its size; the content
// follows in chunks, the last one marked final, so a cut stream is refused.

using FileId = std::array<uint8_t, 16>;

namespace sealed_file {
constexpr size_t header_size = 24;          // the stream's header
constexpr size_t overhead = 17;             // per message: tag byte and MAC
constexpr size_t about_size = 512;          // the description, padded
constexpr size_t longest_name = about_size - 8 - 2;
constexpr size_t chunk_size = 64 * 1024;    // content per full chunk
constexpr size_t sealed_chunk_size = chunk_size + overhead;
}  // namespace sealed_file

FileId random_file_id();
std::string file_id_text(const FileId& id);                 // 32 lower-case hex digits
bool parse_file_id(const std::string& text, FileId& id);    // exactly that form

// The key of one file.
Key file_key(const Key& files, const FileId& id);

// Bytes on the wire for a file of `plain_size` bytes.
unsigned long long sealed_file_size(unsigned long long plain_size);

class FileSealer {
public:
    explicit FileSealer(const Key& key);
    ~FileSealer();
    FileSealer(const FileSealer&) = delete;
    FileSealer& operator=(const FileSealer&) = delete;
    // Appends the header and the description; false when the name (UTF-8) is
    // empty or longer than longest_name.
    bool start(const std::string& name, unsigned long long size, Bytes& out);
    // Appends one sealed chunk: chunk_size bytes, or fewer for the final one.
    void seal(const uint8_t* plain, size_t size, bool final, Bytes& out);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Opens a stream of `total` bytes fed in pieces of any size. Once refused
// (altered, another key, cut short, a layout that does not add up) it stays
// refused; complete() only after the final chunk checked as the last bytes.
class FileOpener {
public:
    FileOpener(const Key& key, unsigned long long total);
    ~FileOpener();
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    // Appends the content the piece completes to `out`.
    bool feed(const uint8_t* data, size_t size, Bytes& out);
    bool refused() const { return refused_; }
    bool complete() const { return complete_; }
    const std::string& name() const { return name_; }  // UTF-8, once described
    unsigned long long size() const { return size_; }

private:
    bool take(const Bytes& sealed, Bytes& out);
    struct State;
    std::unique_ptr<State> state_;
    Bytes pending_;
    unsigned long long total_, consumed_ = 0, size_ = 0;
    bool started_ = false, described_ = false, refused_ = false, complete_ = false;
    std::string name_;
};
