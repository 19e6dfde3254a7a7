// Drives a running Quillmere.exe from outside, as a user would, and watches
// it through a flood (used by tools/flood_compare.sh; run in the same Wine
// prefix and desktop as the program):
//   flood_window_probe.exe HOST PORT LAST_LINE_END [TIMEOUT_S [DESKTOP]]
// It finds the main window, opens the Connect dialog with the menu command,
// types HOST and PORT into it and clicks Connect. Then it sends WM_NULL to
// the main window every ~20 ms and keeps the slowest answer, and every
// half second looks at the end of each chat buffer until one ends with
// LAST_LINE_END. DESKTOP names the Wine desktop the program runs in
// (`explorer /desktop=NAME,...`): windows of another desktop cannot be found.
// Times are printed as Unix seconds, so that the calling script
// can put them beside the flood server's clock:
//   clicked <t>
//   read <t0> <t1>         (each whole read of a buffer, from t0 to t1)
//   last-line <t>          (the first look that found the buffer as it ends)
//   slowest-answer-ms <ms> at <t>
// Exits 1, saying why, when a step does not happen within its time.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {
double unix_now() {
    FILETIME file_time;
    GetSystemTimePreciseAsFileTime(&file_time);
    ULARGE_INTEGER ticks;
    ticks.LowPart = file_time.dwLowDateTime;
    ticks.HighPart = file_time.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart - 116444736000000000ULL) / 1e7;
}

double seconds_since(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void give_up(const char* why) {
    std::printf("failed %s\n", why);
    std::fflush(stdout);
    std::exit(1);
}

struct DialogSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (process == search->process && std::wcscmp(class_name, L"#32770") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, IDC_CONNECT_PORT)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK collect_buffers(HWND window, LPARAM parameter) {
    wchar_t class_name[32] = {};
    GetClassNameW(window, class_name, 32);
    if (_wcsicmp(class_name, L"RICHEDIT50W") == 0) reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

// A chat buffer's length as last seen, and when it was first seen so.
struct Seen {
    LRESULT length = -1;
    double since = 0;
    double read_at = 0;
    std::wstring ending;  // of the text last read, when it was not the flood's end
};

// Whether the buffer's text ends with `tail`; `shown_at` is then when its
// length reached what it is. Read whole (WM_GETTEXT crosses processes under
// Wine; EM_GETLINE does not: the control writes through the pointer in its own
// process and dies), so only once the length has stood still for a second:
// reading a large buffer on every look would load the window far more
// than the probe should, and a flood changes the length several times a second.
bool buffer_ends_with(HWND buffer, const std::wstring& tail, double now, std::map<HWND, Seen>& seen,
                      double& shown_at) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(buffer, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return false;
    Seen& last = seen[buffer];
    if (last.length != static_cast<LRESULT>(length)) {
        last.length = static_cast<LRESULT>(length);
        last.since = now;
        return false;
    }
    if (now - last.since < 1.0 || now - last.read_at < 1.0 || length < tail.size()) return false;
    std::vector<wchar_t> text(length + 1);
    DWORD_PTR read = 0;
    const double read_from = unix_now();
    const bool answered = SendMessageTimeoutW(buffer, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                                              SMTO_NORMAL, 5000, &read) != 0;
    // The program's CPU time meanwhile is the probe's doing, not the flood's.
    std::printf("read %.3f %.3f\n", read_from, unix_now());
    std::fflush(stdout);
    if (!answered) return false;
    std::wstring got(text.data(), read > length ? length : read);
    while (!got.empty() && (got.back() == L'\r' || got.back() == L'\n' || got.back() == L' ')) got.pop_back();
    if (got.size() < tail.size() || got.compare(got.size() - tail.size(), tail.size(), tail) != 0) {
        last.ending = got.substr(got.size() > 100 ? got.size() - 100 : 0);
        last.read_at = now;
        return false;
    }
    shown_at = last.since;
    return true;
}
}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 4) {
        std::fprintf(stderr, "usage: flood_window_probe HOST PORT LAST_LINE_END [TIMEOUT_S [DESKTOP]]\n");
        return 2;
    }
    const std::wstring host = argv[1], port = argv[2], tail = argv[3];
    const double timeout = argc > 4 ? _wtof(argv[4]) : 120.0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (argc > 5) {
        // The desktop's explorer may still be making it when the program's
        // process is already there.
        HDESK desktop = nullptr;
        while (!(desktop = OpenDesktopW(argv[5], 0, FALSE, GENERIC_ALL))) {
            if (seconds_since(start) > 20) give_up("the program's desktop could not be opened within 20 s");
            Sleep(100);
        }
        if (!SetThreadDesktop(desktop)) give_up("the program's desktop could not be entered");
    }

    HWND main_window = nullptr;
    while (!(main_window = FindWindowW(L"QuillmereWindowClass", nullptr)) || !IsWindowVisible(main_window)) {
        if (seconds_since(start) > 30) give_up("the main window did not appear within 30 s");
        Sleep(100);
    }
    DialogSearch search{0, nullptr};
    GetWindowThreadProcessId(main_window, &search.process);
    // Posted, not sent: the modal dialog runs its own loop inside the command.
    PostMessageW(main_window, WM_COMMAND, MAKEWPARAM(IDM_CONNECT, 0), 0);
    const double asked = seconds_since(start);
    while (EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search)), !search.found) {
        if (seconds_since(start) - asked > 10) give_up("the Connect dialog did not open within 10 s");
        Sleep(50);
    }
    HWND dialog = search.found;
    SendMessageW(GetDlgItem(dialog, IDC_CONNECT_SERVER_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(host.c_str()));
    SendMessageW(GetDlgItem(dialog, IDC_CONNECT_PORT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(port.c_str()));
    // The click connects before it returns: posted, so that the probe's clock
    // keeps running meanwhile.
    PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    std::printf("clicked %.3f\n", unix_now());
    std::fflush(stdout);

    const double clicked = seconds_since(start);
    double slowest = 0, slowest_at = 0, next_look = 0;
    std::map<HWND, Seen> buffers_seen;
    double shown_at = 0;
    for (;;) {
        const double before = seconds_since(start);
        DWORD_PTR ignored = 0;
        const bool answered =
            SendMessageTimeoutW(main_window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) != 0;
        const double answer = seconds_since(start) - before;
        if (answer > slowest) {
            slowest = answer;
            slowest_at = unix_now();
        }
        if (!answered && !IsWindow(main_window)) give_up("the main window is gone");
        if (before >= next_look) {
            next_look = before + 0.5;
            std::vector<HWND> buffers;
            EnumChildWindows(main_window, collect_buffers, reinterpret_cast<LPARAM>(&buffers));
            bool seen = false;
            const double now = unix_now();
            for (HWND buffer : buffers) seen = buffer_ends_with(buffer, tail, now, buffers_seen, shown_at) || seen;
            if (seen) break;
            // Every buffer still for a long time, the last line nowhere: the
            // program dropped it (a flood beyond its queue) or lost the connection.
            double latest_change = 0;
            for (const auto& entry : buffers_seen) latest_change = std::max(latest_change, entry.second.since);
            if (!buffers_seen.empty() && now - latest_change > 20) {
                std::wstring endings;
                for (const auto& entry : buffers_seen) endings += L" | " + entry.second.ending;
                std::printf("buffers-end%ls\n", endings.c_str());
                give_up("no chat buffer changed for 20 s and none ends with the flood's last line");
            }
        }
        if (seconds_since(start) - clicked > timeout) give_up("the last line of the flood was not shown in time");
        Sleep(20);
    }
    std::printf("last-line %.3f\n", shown_at);
    std::printf("slowest-answer-ms %.1f at %.3f\n", slowest * 1000, slowest_at);
    std::fflush(stdout);
    return 0;
}
