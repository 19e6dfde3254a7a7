#include "crypto/sealed/sealed_file.h"

#include <sodium.h>

namespace {
using namespace sealed_file;
constexpr char key_label[] = "quillmere file ";
constexpr size_t sealed_about_size = about_size + overhead;

static_assert(header_size == crypto_secretstream_xchacha20poly1305_HEADERBYTES, "stream header");
static_assert(overhead == crypto_secretstream_xchacha20poly1305_ABYTES, "stream overhead");

void put_be(Bytes& out, unsigned long long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

unsigned long long get_be(const uint8_t* in, int bytes) {
    unsigned long long value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | in[i];
    return value;
}
}  // namespace

FileId random_file_id() {
    FileId id{};
    randombytes_buf(id.data(), id.size());
    return id;
}

std::string file_id_text(const FileId& id) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : id) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

bool parse_file_id(const std::string& text, FileId& id) {
    if (text.size() != 2 * id.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int value;
        if (c >= '0' && c <= '9') value = c - '0';
        else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
        else return false;
        if (i % 2 == 0) id[i / 2] = static_cast<uint8_t>(value << 4);
        else id[i / 2] |= static_cast<uint8_t>(value);
    }
    return true;
}

Key file_key(const Key& files, const FileId& id) {
    Bytes message(key_label, key_label + sizeof key_label - 1);
    message.insert(message.end(), id.begin(), id.end());
    Bytes mac = hmac_sha512(files.data(), files.size(), message, 32);
    Key key{};
    std::copy(mac.begin(), mac.end(), key.begin());
    wipe(mac);
    return key;
}

unsigned long long sealed_file_size(unsigned long long plain_size) {
    const unsigned long long full = plain_size / chunk_size;
    return header_size + sealed_about_size + full * sealed_chunk_size + (plain_size - full * chunk_size) + overhead;
}

struct FileSealer::State {
    crypto_secretstream_xchacha20poly1305_state stream;
    Key key;
    ~State() { sodium_memzero(this, sizeof *this); }
};

FileSealer::FileSealer(const Key& key) : state_(new State) { state_->key = key; }
FileSealer::~FileSealer() = default;

bool FileSealer::start(const std::string& name, unsigned long long size, Bytes& out) {
    if (name.empty() || name.size() > longest_name) return false;
    uint8_t header[header_size];
    crypto_secretstream_xchacha20poly1305_init_push(&state_->stream, header, state_->key.data());
    sodium_memzero(state_->key.data(), state_->key.size());
    out.insert(out.end(), header, header + header_size);
    Bytes about;
    put_be(about, size, 8);
    put_be(about, name.size(), 2);
    about.insert(about.end(), name.begin(), name.end());
    about.resize(about_size, 0);
    seal(about.data(), about.size(), false, out);
    return true;
}

void FileSealer::seal(const uint8_t* plain, size_t size, bool final, Bytes& out) {
    const size_t at = out.size();
    out.resize(at + size + overhead);
    crypto_secretstream_xchacha20poly1305_push(&state_->stream, out.data() + at, nullptr, plain, size, nullptr, 0,
                                               final ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                                     : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
}

struct FileOpener::State {
    crypto_secretstream_xchacha20poly1305_state stream;
    Key key;
    ~State() { sodium_memzero(this, sizeof *this); }
};

FileOpener::FileOpener(const Key& key, unsigned long long total) : state_(new State), total_(total) {
    state_->key = key;
    refused_ = total < sealed_file_size(0);
}

FileOpener::~FileOpener() { wipe(pending_); }

bool FileOpener::feed(const uint8_t* data, size_t size, Bytes& out) {
    if (refused_) return false;
    if (size > total_ - consumed_ - pending_.size()) {
        refused_ = true;
        return false;
    }
    pending_.insert(pending_.end(), data, data + size);
    for (;;) {
        // The length of the next unit follows from where it starts.
        const unsigned long long left = total_ - consumed_;
        size_t wanted;
        if (!started_) wanted = header_size;
        else if (!described_) wanted = sealed_about_size;
        else if (left == 0) return true;
        else wanted = static_cast<size_t>(left >= sealed_chunk_size ? sealed_chunk_size : left);
        if (pending_.size() < wanted) return true;
        Bytes unit(pending_.begin(), pending_.begin() + wanted);
        pending_.erase(pending_.begin(), pending_.begin() + wanted);
        consumed_ += wanted;
        if (!take(unit, out)) {
            refused_ = true;
            wipe(pending_);
            return false;
        }
    }
}

bool FileOpener::take(const Bytes& unit, Bytes& out) {
    if (!started_) {
        started_ = true;
        const int result =
            crypto_secretstream_xchacha20poly1305_init_pull(&state_->stream, unit.data(), state_->key.data());
        sodium_memzero(state_->key.data(), state_->key.size());
        return result == 0;
    }
    if (complete_ || unit.size() < overhead) return false;
    Bytes plain(unit.size() - overhead);
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state_->stream, plain.data(), nullptr, &tag, unit.data(),
                                                   unit.size(), nullptr, 0) != 0)
        return false;
    const bool last = consumed_ == total_;
    const bool final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
    if (!described_) {
        described_ = true;
        size_ = get_be(plain.data(), 8);
        const size_t length = static_cast<size_t>(get_be(plain.data() + 8, 2));
        if (final || tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE || length == 0 ||
            length > longest_name || size_ > total_ || sealed_file_size(size_) != total_)
            return false;
        name_.assign(plain.begin() + 10, plain.begin() + 10 + static_cast<long>(length));
        return true;
    }
    // Only the last unit may be, and must be, the final one; a full chunk
    // that is last means the stream was cut after it.
    if (final != last || (!final && tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)) return false;
    out.insert(out.end(), plain.begin(), plain.end());
    wipe(plain);
    complete_ = final;
    return true;
}
