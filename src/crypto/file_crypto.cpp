#include "crypto/file_crypto.h"

#include <windows.h>

#include <cryptopp/files.h>

#include <cstring>
#include <vector>

#include "app/file_names.h"
#include "app/text.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
#include "crypto/padding_probe.h"
#include "crypto/stored_passwords.h"
#include "mainwindow/main_window.h"

void encrypt_file(const std::string& password, const std::string& plain_path, const std::string& encrypted_path) {
    const KeyMaterial material = cached_key_iv(password);
    CbcEncryption encryption(material);
    try {
        CryptoPP::FileSource source(
            plain_path.c_str(), true,
            new CryptoPP::StreamTransformationFilter(encryption.mode(),
                                                     new CryptoPP::FileSink(encrypted_path.c_str(), true),
                                                     cbc_padding));
    } catch (const CryptoPP::Exception&) {
        // The sink opens (and creates) its file before the source is read: a
        // missing or unreadable input must not leave an empty .zof behind.
        DeleteFileA(encrypted_path.c_str());
        throw;
    }
}

void decrypt_file(const std::string& password, const std::string& encrypted_path, const std::string& decrypted_path,
                  const std::atomic<bool>* stop) {
    const KeyMaterial material = cached_key_iv(password);
    CbcDecryption decryption(material);
    CryptoPP::FileSource source(
        encrypted_path.c_str(), false,
        new CryptoPP::StreamTransformationFilter(decryption.mode(),
                                                 new CryptoPP::FileSink(decrypted_path.c_str(), true), cbc_padding));
    // Pumped a piece at a time so that a receiver being stopped does not sit
    // through the rest of a large file.
    for (;;) {
        if (stop && *stop) throw CryptoPP::Exception(CryptoPP::Exception::OTHER_ERROR, "decryption stopped");
        CryptoPP::lword pumped = 1 << 20;
        source.Pump2(pumped);
        if (pumped == 0) break;
    }
    source.PumpAll();
}

namespace {

// What the library reports for a wrong password.
constexpr char wrong_padding_text[] = "StreamTransformationFilter: invalid PKCS #7 block padding found";

bool has_encrypted_extension(const std::string& path) {
    const size_t extension_length = std::strlen(encrypted_file_extension);
    if (path.size() <= extension_length) return false;
    const size_t separator = path.find_last_of("\\/:");
    const size_t name_start = separator == std::string::npos ? 0 : separator + 1;
    if (path.size() - name_start <= extension_length) return false;  // nothing left of the name
    return _stricmp(path.c_str() + path.size() - extension_length, encrypted_file_extension) == 0;
}

std::string folder_of(const std::string& path) {
    const size_t end = path.find_last_of("\\/");
    return end == std::string::npos ? std::string(".\\") : path.substr(0, end + 1);
}

// A fresh, unique file beside the final one: decryption never writes into a
// file of the user's until a password has fitted.
std::string make_scratch_file(const std::string& folder) {
    char path[MAX_PATH] = {};
    if (folder.size() >= MAX_PATH - 14) return {};
    if (!GetTempFileNameA(folder.c_str(), "zof", 0, path)) return {};
    return path;
}

// The last block and the one before it (the IV for a one-block file): all
// that decides whether a password gives valid padding. False when the file
// cannot be read or its length can never be a ciphertext.
bool read_tail_blocks(const std::string& path, unsigned char (&tail)[2 * cipher_block_size], bool& one_block) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool read = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart % cipher_block_size == 0;
    if (read) {
        one_block = size.QuadPart == cipher_block_size;
        const DWORD wanted = one_block ? cipher_block_size : 2 * cipher_block_size;
        LARGE_INTEGER start{};
        start.QuadPart = size.QuadPart - wanted;
        DWORD got = 0;
        read = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) &&
               ReadFile(file, one_block ? tail + cipher_block_size : tail, wanted, &got, nullptr) && got == wanted;
    }
    CloseHandle(file);
    return read;
}

// Moves the decrypted scratch file to `wanted`, or beside it under the first
// free "name (N).ext", never over a file that is there: the content is not
// authenticated, and a lucky padding makes any peer's bytes "decrypted".
// The move fails rather than replace, so a file made meanwhile under the
// chosen name only sends it on to the next one.
bool move_to_free_name(const std::string& scratch, const std::string& wanted, std::wstring& saved_path) {
    const std::wstring from = wide_text(scratch, CP_THREAD_ACP), to = wide_text(wanted, CP_THREAD_ACP);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = free_file_path(to);
        if (candidate.empty()) return false;
        if (MoveFileExW(from.c_str(), candidate.c_str(), 0)) {
            saved_path = candidate;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::wstring name_of(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

void finish(ReceivedFileResult& result, const std::wstring& text, const std::string& encrypted_path) {
    DeleteFileA(encrypted_path.c_str());
    result.status_text = text;
    show_status_notice(file_transfer_label, result.status_text);
}

void finish(ReceivedFileResult& result, const wchar_t* format, const std::wstring& received_name,
            const std::string& encrypted_path) {
    finish(result, format_text(format, received_name), encrypted_path);
}

}  // namespace

ReceivedFileResult decrypt_received_file(const ChatClient& client, const std::string& encrypted_path,
                                         const std::wstring& received_name) {
    if (!has_encrypted_extension(encrypted_path)) {
        ReceivedFileResult result;
        finish(result, file_bad_name_format, received_name, encrypted_path);
        return result;
    }
    const std::string decrypted_path =
        encrypted_path.substr(0, encrypted_path.size() - std::strlen(encrypted_file_extension));
    return decrypt_received_file(client, encrypted_path, decrypted_path, received_name);
}

ReceivedFileResult decrypt_received_file(const ChatClient& client, const std::string& encrypted_path,
                                         const std::string& decrypted_path, const std::wstring& received_name,
                                         const std::atomic<bool>* stop) {
    ReceivedFileResult result;
    const std::string folder = folder_of(decrypted_path);
    unsigned char tail[2 * cipher_block_size] = {};
    bool one_block = false;
    const bool has_tail = read_tail_blocks(encrypted_path, tail, one_block);

    const StoredPasswords passwords(client);
    LibraryErrorLog errors;
    std::string scratch;
    bool fitted = false, writable = true;
    // A length that can never be a ciphertext fits no password.
    const std::vector<StoredPasswords::Entry> none;
    for (const StoredPasswords::Entry& entry : has_tail ? passwords.entries() : none) {
        // Only a password that gives valid padding can decrypt; the first such
        // slot wins, as a full decryption with each in turn would decide. The
        // others leave the trace a full decryption would have left.
        const KeyMaterial material = cached_key_iv(entry.password);
        if (!padding_would_fit(material, one_block ? material.iv : tail, tail + cipher_block_size)) {
            errors.add(CryptoPP::InvalidCiphertext(wrong_padding_text));
            continue;
        }
        scratch = make_scratch_file(folder);
        if (scratch.empty()) {
            writable = false;
            break;
        }
        try {
            decrypt_file(entry.password, encrypted_path, scratch, stop);
            fitted = true;
            break;
        } catch (const CryptoPP::Exception& error) {
            errors.add(error);
        }
        DeleteFileA(scratch.c_str());
        if (stop && *stop) break;
    }

    if (!fitted) {
        finish(result, writable ? file_not_decrypted_format : file_not_saved_format, received_name, encrypted_path);
        return result;
    }
    std::wstring saved_path;
    if (!move_to_free_name(scratch, decrypted_path, saved_path)) {
        DeleteFileA(scratch.c_str());
        finish(result, file_not_saved_format, received_name, encrypted_path);
        return result;
    }
    result.decrypted = true;
    result.saved_name = name_of(saved_path);
    // The usual notice when the file got its own name; else the one it got.
    if (result.saved_name == name_of(wide_text(decrypted_path, CP_THREAD_ACP)))
        finish(result, file_decrypted_format, received_name, encrypted_path);
    else
        finish(result, format_text(file_decrypted_renamed_format, received_name, result.saved_name), encrypted_path);
    return result;
}
