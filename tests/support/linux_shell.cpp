#include "support/linux_shell.h"

#include <windows.h>

#include <atomic>

#include "support/file_bytes.h"

namespace linux_shell {

namespace {

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

// Wine gives the same process id to programs in different prefixes, so test
// runs side by side are told apart by their start time as well.
std::string scratch_folder() {
    static const std::string folder = [] {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return "/tmp/quillmere-test-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(static_cast<unsigned long long>(now.QuadPart));
    }();
    return folder;
}

std::wstring scratch_folder_wide() {
    std::wstring folder = L"Z:" + wide(scratch_folder()) + L"\\";
    for (wchar_t& c : folder)
        if (c == L'/') c = L'\\';
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool run(const std::string& script, std::string& error, int timeout_ms) {
    static std::atomic<int> runs{0};
    const std::wstring folder = scratch_folder_wide();
    const std::string tag = std::to_string(++runs);
    const std::wstring status = folder + L"status-" + wide(tag);
    const std::wstring errors = folder + L"stderr-" + wide(tag);
    // The script goes through a file so that its quotes need no escaping on
    // the command line.
    const std::wstring script_file = folder + L"script-" + wide(tag) + L".sh";
    HANDLE file = CreateFileW(script_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot write the shell script";
        return false;
    }
    DWORD written = 0;
    WriteFile(file, script.data(), static_cast<DWORD>(script.size()), &written, nullptr);
    CloseHandle(file);

    const std::string unix_folder = scratch_folder();
    const std::string line = "cd " + unix_folder + " && /bin/sh script-" + tag + ".sh 2>stderr-" + tag +
                             "; echo $? >status-" + tag + ".tmp; mv status-" + tag + ".tmp status-" + tag;
    std::wstring command = L"Z:\\bin\\sh -c \"" + wide(line) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        error = "cannot start /bin/sh";
        return false;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);

    const DWORD deadline = GetTickCount() + timeout_ms;
    while (!exists(status)) {
        if (static_cast<int>(deadline - GetTickCount()) <= 0) {
            error = "the shell script did not finish within " + std::to_string(timeout_ms / 1000) + " s";
            return false;
        }
        Sleep(20);
    }
    const std::string result = read_file_bytes(status);
    const bool ok = result.compare(0, 2, "0\n") == 0;
    if (!ok) error = "exit status " + result + ": " + read_file_bytes(errors);
    for (const std::wstring& path : {status, errors, script_file}) DeleteFileW(path.c_str());
    return ok;
}

}  // namespace linux_shell
