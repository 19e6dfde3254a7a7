#pragma once
#include <atomic>
#include <string>

class ChatClient;

// Encrypted files are the raw AES-256-CBC ciphertext of the whole file (PKCS #7
// padding, no header), streamed so memory stays flat whatever the size.
// Paths and passwords are 8-bit text in the thread's code page.

// Extension of an encrypted file ("%s.zof" of the plain file's path).
constexpr char encrypted_file_extension[] = ".zof";
constexpr wchar_t encrypted_file_format[] = L"%s.zof";
constexpr wchar_t encrypted_file_extension_wide[] = L".zof";

// Throw CryptoPP::Exception when a file cannot be opened, read or written, and
// (decrypt_file) when the password does not fit. decrypt_file may leave a
// partly written output behind on failure.
void encrypt_file(const std::string& password, const std::string& plain_path, const std::string& encrypted_path);
// A set `stop` ends decrypt_file early with the library error.
void decrypt_file(const std::string& password, const std::string& encrypted_path, const std::string& decrypted_path,
                  const std::atomic<bool>* stop = nullptr);

// Status-bar label and texts of a received file (filled with the received name).
constexpr char file_transfer_label[] = "File Trans.";
constexpr wchar_t file_decrypted_format[] = L"File '%s' received. Successful decryption file.";
constexpr wchar_t file_decrypted_renamed_format[] =
    L"File '%s' received. Successful decryption file. Saved as '%s' (the name was taken).";
constexpr wchar_t file_not_decrypted_format[] = L"File '%s' received. Decryption file error. Wrong password.";
constexpr wchar_t file_bad_name_format[] = L"File '%s' received. Decryption file error. Invalid file name.";
constexpr wchar_t file_not_saved_format[] = L"File '%s' received. Decryption file error. The file could not be saved.";

struct ReceivedFileResult {
    bool decrypted = false;
    std::wstring status_text;
    std::wstring saved_name;  // the decrypted file's name in its folder
};

// Receiving side, after the last byte of `encrypted_path` (which ends in ".zof")
// has arrived: tries stored passwords 1 to 16 in order and writes the plain file
// as the same path without ".zof", or as "name (N).ext" beside it when that
// name is taken: it never replaces a file. Leaves no partial output behind,
// deletes the encrypted file in every case, and shows the result in the
// status bar under "File Trans.".
// `received_name` is the name as the peer sent it (".zof" included).
ReceivedFileResult decrypt_received_file(const ChatClient& client, const std::string& encrypted_path,
                                         const std::wstring& received_name);

// The same with the plain file's path given: the received file may wait under
// a scratch name until it is complete. Only passwords whose padding check on
// the last block passes are decrypted in full. A set `stop` gives up early
// (reported as not decrypted, nothing left behind).
ReceivedFileResult decrypt_received_file(const ChatClient& client, const std::string& encrypted_path,
                                         const std::string& decrypted_path, const std::wstring& received_name,
                                         const std::atomic<bool>* stop = nullptr);
