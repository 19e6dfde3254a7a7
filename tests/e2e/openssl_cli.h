#pragma once
// OpenSSL's own command line, run from inside a test, as the outside judge of
// what goes into and comes out of an encrypted message. Wine starts a Linux
// program like a Windows one but gives back no handle to wait on, so the
// shell that runs openssl leaves a status file when it is done.
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/net_test_support.h"

namespace openssl_cli {

// Key and IV of the password "Tulip9" (PBKDF2 made outside; see the crypto
// tests' key derivation cases).
constexpr const char* tulip9_key = "9D3647CED6DCD70FA964ACEE7F97BE89C7D5E2C7742323111BC412918D9179C0";
constexpr const char* tulip9_iv = "893804F634DF3EABAA47F1FC13CD3DA9";

inline bool write_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                       written == bytes.size();
    CloseHandle(file);
    return whole;
}

// `openssl enc -aes-256-cbc` (with -d to decrypt) under Tulip9's key and IV,
// PKCS #7 padding as OpenSSL does it. False, with `error` saying why, when
// openssl is missing, fails (a wrong padding) or does not end within 20 s.
inline bool aes_256_cbc(bool decrypt, const std::string& input, std::string& output, std::string& error) {
    // A folder of the Linux side, which Wine shows as drive Z:.
    const std::string unix_folder = "/tmp/quillmere-openssl-" + std::to_string(GetCurrentProcessId());
    std::wstring folder = L"Z:" + std::wstring(unix_folder.begin(), unix_folder.end()) + L"\\";
    for (wchar_t& c : folder)
        if (c == L'/') c = L'\\';
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring status = folder + L"status";
    DeleteFileW(status.c_str());
    DeleteFileW((folder + L"out.bin").c_str());
    if (!write_bytes(folder + L"in.bin", input)) {
        error = "cannot write openssl's input";
        return false;
    }
    const std::string script = "cd " + unix_folder + " && /usr/bin/openssl enc -aes-256-cbc" + (decrypt ? " -d" : "") +
                               " -K " + tulip9_key + " -iv " + tulip9_iv +
                               " -in in.bin -out out.bin 2>err.txt; echo $? >status.tmp; mv status.tmp status";
    std::wstring command = L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error = "cannot start /bin/sh";
        return false;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    if (!net_test::wait_until([&] { return net_test::file_exists(status); }, 20000)) {
        error = "openssl did not finish";
        return false;
    }
    const std::string result = read_file_bytes(status);
    const bool done = result.compare(0, 2, "0\n") == 0;
    if (done) output = read_file_bytes(folder + L"out.bin");
    else error = "openssl exit status " + result + ": " + read_file_bytes(folder + L"err.txt");
    for (const wchar_t* name : {L"in.bin", L"out.bin", L"err.txt", L"status"}) DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
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
