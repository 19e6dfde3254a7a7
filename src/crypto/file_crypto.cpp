#include "crypto/file_crypto.h"

#include <windows.h>

#include <cryptopp/files.h>

#include <cstring>

#include "app/text.h"
#include "crypto/aes_cbc.h"
#include "crypto/key_cache.h"
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

void decrypt_file(const std::string& password, const std::string& encrypted_path, const std::string& decrypted_path) {
    const KeyMaterial material = cached_key_iv(password);
    CbcDecryption decryption(material);
    CryptoPP::FileSource source(
        encrypted_path.c_str(), true,
        new CryptoPP::StreamTransformationFilter(decryption.mode(),
                                                 new CryptoPP::FileSink(decrypted_path.c_str(), true), cbc_padding));
}

namespace {

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

void finish(ReceivedFileResult& result, const wchar_t* format, const std::wstring& received_name,
            const std::string& encrypted_path) {
    DeleteFileA(encrypted_path.c_str());
    result.status_text = format_text(format, received_name);
    show_status_notice(file_transfer_label, narrow_text(result.status_text.c_str(), CP_THREAD_ACP).c_str());
}

}  // namespace

ReceivedFileResult decrypt_received_file(const ChatClient& client, const std::string& encrypted_path,
                                         const std::wstring& received_name) {
    ReceivedFileResult result;
    if (!has_encrypted_extension(encrypted_path)) {
        finish(result, file_bad_name_format, received_name, encrypted_path);
        return result;
    }
    const std::string decrypted_path =
        encrypted_path.substr(0, encrypted_path.size() - std::strlen(encrypted_file_extension));
    const std::string folder = folder_of(encrypted_path);

    const StoredPasswords passwords(client);
    LibraryErrorLog errors;
    std::string scratch;
    bool fitted = false, writable = true;
    for (const StoredPasswords::Entry& entry : passwords.entries()) {
        scratch = make_scratch_file(folder);
        if (scratch.empty()) {
            writable = false;
            break;
        }
        try {
            decrypt_file(entry.password, encrypted_path, scratch);
            fitted = true;
            break;
        } catch (const CryptoPP::Exception& error) {
            errors.add(error);
        }
        DeleteFileA(scratch.c_str());
    }

    if (!fitted) {
        finish(result, writable ? file_not_decrypted_format : file_not_saved_format, received_name, encrypted_path);
        return result;
    }
    if (!MoveFileExA(scratch.c_str(), decrypted_path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(scratch.c_str());
        finish(result, file_not_saved_format, received_name, encrypted_path);
        return result;
    }
    result.decrypted = true;
    finish(result, file_decrypted_format, received_name, encrypted_path);
    return result;
}
