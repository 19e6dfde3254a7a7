#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Runs the setup package the way a user's machine would, inside the Wine
// prefix that tests/installer/run.sh makes afresh for it: QUILLMERE_SETUP is
// the setup program, QUILLMERE_VERSION the version it must record.

namespace {

const wchar_t uninstall_key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmere";

std::wstring environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::wstring shell_folder(int id) {
    wchar_t path[MAX_PATH]{};
    SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring install_dir() { return shell_folder(CSIDL_LOCAL_APPDATA) + L"\\Programs\\Quillmere"; }
std::wstring shortcut_path() { return shell_folder(CSIDL_PROGRAMS) + L"\\Quillmere.lnk"; }

bool exists(const std::wstring& path) { return std::filesystem::exists(path); }

std::string read_file(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void write_file(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    ASSERT_TRUE(file << bytes) << "cannot write " << testing::PrintToString(path);
}

std::wstring registry_text(const wchar_t* name) {
    wchar_t value[1024]{};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, uninstall_key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

bool uninstall_entry_exists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, uninstall_key, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Runs a command and waits until it and every process it started have ended:
// the uninstaller copies itself to %TEMP% and does its work from there after
// the first process has already exited. Returns the first process's exit code.
DWORD run_to_end(std::wstring command) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start " << testing::PrintToString(command);
        CloseHandle(job);
        return ~0u;
    }
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0) << "still running after 120 s";
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    for (int waited = 0; waited < 1200; ++waited) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr);
        if (accounting.ActiveProcesses == 0) break;
        Sleep(100);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    return code;
}

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

void install() { ASSERT_EQ(run_to_end(quoted(environment(L"QUILLMERE_SETUP")) + L" /S"), 0u); }

// As Windows' list of installed programs would: through the recorded command.
void uninstall(const wchar_t* options) {
    std::wstring command = registry_text(L"UninstallString");
    ASSERT_FALSE(command.empty()) << "no uninstall entry";
    run_to_end(command + L" " + options);
}

std::wstring shortcut_target(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* shell_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shell_link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t path[MAX_PATH]{};
        if (SUCCEEDED(file->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(shell_link->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shell_link->Release();
    return target;
}

struct WindowSearch {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK find_main_window(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<WindowSearch*>(search_address);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t class_name[64]{};
    GetClassNameW(window, class_name, 64);
    if (owner == search->process_id && wcscmp(class_name, L"QuillmereWindowClass") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Starts the installed program as its shortcut does and returns the title of
// its visible main window, or "" if none appeared within 60 s.
std::wstring start_and_read_title(const std::wstring& exe, const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring command = quoted(exe);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return L"";
    WindowSearch search{process.dwProcessId, nullptr};
    for (int waited = 0; waited < 600 && !search.found; ++waited) {
        EnumWindows(find_main_window, reinterpret_cast<LPARAM>(&search));
        if (!search.found) Sleep(100);
    }
    wchar_t title[128]{};
    if (search.found) GetWindowTextW(search.found, title, 128);
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return title;
}

class Installer : public testing::Test {
  protected:
    void SetUp() override {
        if (environment(L"QUILLMERE_SETUP").empty()) GTEST_SKIP() << "run through tests/installer/run.sh";
        CoInitialize(nullptr);
    }
    void TearDown() override { CoUninitialize(); }

    const std::wstring dir = install_dir();
    const std::wstring exe = dir + L"\\Quillmere.exe";
    const std::wstring settings = dir + L"\\Settings\\Settings.ini";
    const std::wstring received = dir + L"\\Downloads\\received.txt";
};

}  // namespace

TEST_F(Installer, SetupAsksForNoAdministratorRights) {
    HMODULE setup = LoadLibraryExW(environment(L"QUILLMERE_SETUP").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(setup, nullptr);
    HRSRC found = FindResourceW(setup, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "setup has no manifest";
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(setup, found))),
                         SizeofResource(setup, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    FreeLibrary(setup);
}

TEST_F(Installer, InstallStartReinstallAndUninstallKeepTheUsersFiles) {
    // A fresh install: program, empty folders, shortcut and uninstall entry,
    // all in the user's own profile.
    ASSERT_NO_FATAL_FAILURE(install());
    EXPECT_TRUE(exists(exe));
    EXPECT_TRUE(exists(dir + L"\\Settings"));
    EXPECT_TRUE(exists(dir + L"\\Downloads"));
    EXPECT_TRUE(exists(dir + L"\\README.txt"));
    EXPECT_TRUE(exists(dir + L"\\Licences\\Crypto++.txt"));
    EXPECT_EQ(_wcsicmp(shortcut_target(shortcut_path()).c_str(), exe.c_str()), 0)
        << testing::PrintToString(shortcut_target(shortcut_path()));
    EXPECT_EQ(registry_text(L"DisplayName"), L"Quillmere");
    EXPECT_EQ(registry_text(L"DisplayVersion"), environment(L"QUILLMERE_VERSION"));
    EXPECT_EQ(_wcsicmp(registry_text(L"InstallLocation").c_str(), dir.c_str()), 0);
    EXPECT_EQ(registry_text(L"QuietUninstallString"), registry_text(L"UninstallString") + L" /S");

    // The user's own files: a stored server, no file receiver (a test must
    // not hold port 8087), and a received file.
    write_file(settings,
               "[preferences]\r\nallow_receive_files=false\r\n"
               "[servers]\r\nserver_name_1=irc.example.net\r\nserver_port_1=6667\r\n"
               "server_nickname_1=Quillfan\r\nserver_username_1=quilly\r\n");
    write_file(received, "a file that arrived\r\n");

    EXPECT_EQ(start_and_read_title(exe, dir), L"Quillmere v1.5b") << "no visible main window";
    const std::string settings_before = read_file(settings);
    ASSERT_NE(settings_before.find("server_name_1=irc.example.net"), std::string::npos);

    ASSERT_NO_FATAL_FAILURE(install());
    EXPECT_EQ(read_file(settings), settings_before) << "installing again changed Settings.ini";
    EXPECT_EQ(read_file(received), "a file that arrived\r\n");
    EXPECT_TRUE(exists(exe));

    // Uninstalling quietly removes the program and keeps the user's files.
    ASSERT_NO_FATAL_FAILURE(uninstall(L"/S"));
    EXPECT_FALSE(exists(exe));
    EXPECT_FALSE(exists(dir + L"\\Uninstall.exe"));
    EXPECT_FALSE(exists(dir + L"\\README.txt"));
    EXPECT_FALSE(exists(dir + L"\\Licences"));
    EXPECT_FALSE(exists(shortcut_path()));
    EXPECT_FALSE(uninstall_entry_exists());
    EXPECT_EQ(read_file(settings), settings_before) << "uninstalling changed Settings.ini";
    EXPECT_EQ(read_file(received), "a file that arrived\r\n");
}

TEST_F(Installer, UninstallAskedToRemoveTheUsersFilesLeavesNothing) {
    ASSERT_NO_FATAL_FAILURE(install());
    write_file(settings, "[servers]\r\nserver_name_1=irc.example.net\r\n");
    write_file(received, "a file that arrived\r\n");
    // The same as ticking the box on the uninstaller's components page.
    ASSERT_NO_FATAL_FAILURE(uninstall(L"/S /REMOVEUSERDATA"));
    EXPECT_FALSE(exists(settings));
    EXPECT_FALSE(exists(received));
    EXPECT_FALSE(exists(dir)) << "the install folder is left behind";
    EXPECT_FALSE(uninstall_entry_exists());
}
