#pragma once
// OpenSSL's own command line, run from inside a test, as the outside judge of
// what goes into and comes out of an encrypted message.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/file_bytes.h"
#include "support/linux_shell.h"

namespace openssl_cli {

// Key and IV of the password "Tulip9" (PBKDF2 made outside; see the crypto
// tests' key derivation cases).
constexpr const char* tulip9_key = "9D3647CED6DCD70FA964ACEE7F97BE89C7D5E2C7742323111BC412918D9179C0";
constexpr const char* tulip9_iv = "893804F634DF3EABAA47F1FC13CD3DA9";

// `openssl enc -aes-256-cbc` (with -d to decrypt) under Tulip9's key and IV,
// PKCS #7 padding as OpenSSL does it. False, with `error` saying why, when
// openssl is missing, fails (a wrong padding) or does not end within 20 s.
inline bool aes_256_cbc(bool decrypt, const std::string& input, std::string& output, std::string& error) {
    const std::wstring folder = linux_shell::scratch_folder_wide();
    if (!write_file_bytes(folder + L"in.bin", input)) {
        error = "cannot write openssl's input";
        return false;
    }
    DeleteFileW((folder + L"out.bin").c_str());
    const bool done = linux_shell::run(std::string("/usr/bin/openssl enc -aes-256-cbc") + (decrypt ? " -d" : "") +
                                           " -K " + tulip9_key + " -iv " + tulip9_iv + " -in in.bin -out out.bin\n",
                                       error);
    if (done) output = read_file_bytes(folder + L"out.bin");
    for (const wchar_t* name : {L"in.bin", L"out.bin"}) DeleteFileW((folder + name).c_str());
    return done;
}

inline std::string upper_hex(const std::string& bytes) {
    std::string hex;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", byte);
        hex += pair;
    }
    return hex;
}

inline std::string hex_bytes(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

}  // namespace openssl_cli
