// Figures for the channel directory with a full listing (5000 rows): filling
// the dialog from a cache file, sorting a column, searching, and writing the
// cache at the end of a listing, each on the user-interface thread, which is
// the time the window stays unresponsive; then the longest of them. For
// comparison, the cost of writing the cache one profile key at a time.
// Usage: bench_directory [rows, default 5000]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench_clock.h"
#include "dialogs/directory_listing.h"
#include "dialogs/join_all_channels_dialog.h"
#include "headless_client.h"
#include "irc/directory_rows.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/directory_cache.h"
#include "settings/settings_file.h"

namespace {
std::function<void(HWND)> drive_step;
double longest_stall = 0;

double timed(const char* what, const std::function<void()>& work) {
    const double start = now_seconds();
    work();
    const double ms = (now_seconds() - start) * 1000;
    longest_stall = std::max(longest_stall, ms);
    std::printf("%-44s %9.1f ms\n", what, ms);
    return ms;
}

BOOL CALLBACK find_dialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK drive(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, timer);
    drive_step(dialog);
    EndDialog(dialog, IDCANCEL);
}

void command(HWND dialog, int id, int code) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The list repainted at once, as the user would see it.
void repaint(HWND dialog) { RedrawWindow(GetDlgItem(dialog, IDC_DIRECTORY_LIST), nullptr, nullptr, RDW_UPDATENOW); }

std::vector<CachedRow> sample_rows(int count) {
    std::vector<CachedRow> rows;
    for (int n = 0; n < count; ++n)
        rows.push_back({format_text(L"#channel%d", (n * 7919) % count), format_text(L"%d", 2 + (n * 31) % 4000),
                        format_text(L"Topic of room %d: talk about anything and everything, all day long", n)});
    return rows;
}
}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : directory_row_limit;
    auto client = bench::start_headless_client(L"bench-directory");
    if (!client) return 1;
    const std::vector<CachedRow> rows = sample_rows(count);
    const std::wstring cache = directory_cache_path(*client, L"bench.test");
    write_directory_cache(cache, rows);
    WritePrivateProfileStringW(L"servers", L"server_name_1", L"bench.test", settings_file_path(*client).c_str());
    load_settings(*client, SettingsGroup::servers);
    std::printf("channel directory, %d rows\n", count);

    double open_start = now_seconds();
    drive_step = [&](HWND dialog) {
        const double opened = (now_seconds() - open_start) * 1000;
        longest_stall = std::max(longest_stall, opened);
        std::printf("%-44s %9.1f ms\n", "open the dialog (offline)", opened);
        HWND servers = GetDlgItem(dialog, IDC_DIRECTORY_SERVERS);
        SendMessageW(servers, CB_SETCURSEL, 0, 0);
        timed("fill from the cache file (load + show)", [&] {
            command(dialog, IDC_DIRECTORY_SERVERS, CBN_SELCHANGE);
            repaint(dialog);
        });
        HWND list = GetDlgItem(dialog, IDC_DIRECTORY_LIST);
        for (int column : {1, 1, 2, 0}) {
            NMLISTVIEW click{};
            click.hdr = {list, IDC_DIRECTORY_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
            click.iItem = -1;
            click.iSubItem = column;
            timed(column == 1 ? "sort the Users column" : column == 2 ? "sort the Topic column" : "sort the Channel column",
                  [&] {
                      SendMessageW(dialog, WM_NOTIFY, IDC_DIRECTORY_LIST, reinterpret_cast<LPARAM>(&click));
                      repaint(dialog);
                  });
        }
        SetDlgItemTextW(dialog, IDC_DIRECTORY_SEARCH, L"ROOM 12");
        timed("search \"ROOM 12\"", [&] {
            command(dialog, IDC_DIRECTORY_SEARCH_BUTTON, BN_CLICKED);
            repaint(dialog);
        });
        timed("show all again (\"...\")", [&] {
            command(dialog, IDC_DIRECTORY_CLEAR_SEARCH, BN_CLICKED);
            repaint(dialog);
        });
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 1, drive);
    SendMessageW(client->main_window, WM_COMMAND, IDM_JOIN_ALL_CHANNELS, 0);
    KillTimer(nullptr, timer);

    // Again, with the rows in memory: the opening shows them all.
    open_start = now_seconds();
    drive_step = [&](HWND dialog) {
        repaint(dialog);
        const double opened = (now_seconds() - open_start) * 1000;
        longest_stall = std::max(longest_stall, opened);
        std::printf("%-44s %9.1f ms\n", "open again with the rows in memory", opened);
    };
    timer = SetTimer(nullptr, 0, 1, drive);
    SendMessageW(client->main_window, WM_COMMAND, IDM_JOIN_ALL_CHANNELS, 0);
    KillTimer(nullptr, timer);
    timed("read the cache file alone", [&] { read_directory_cache(cache, directory_row_limit); });
    timed("read it into the directory alone", [&] { load_directory_cache(L"bench.test", *client); });

    client->connection.host = L"bench.test";
    timed("end of listing: write the cache", [&] { end_directory_listing(*client); });
    std::printf("%-44s %9.1f ms\n", "longest stall of the interface thread", longest_stall);

    // What one profile call per key costs, on a tenth of the rows.
    const int sample = std::max(1, count / 10);
    const std::wstring slow = directory_cache_path(*client, L"per-key.test");
    const double start = now_seconds();
    for (int n = 0; n < sample; ++n) {
        WritePrivateProfileStringW(L"channels", format_text(L"channel_%d", n).c_str(), rows[n].channel.c_str(), slow.c_str());
        WritePrivateProfileStringW(L"channels", format_text(L"users_%d", n).c_str(), rows[n].users.c_str(), slow.c_str());
        WritePrivateProfileStringW(L"channels", format_text(L"description_%d", n).c_str(), rows[n].description.c_str(),
                                   slow.c_str());
    }
    std::printf("for comparison, one profile call per key: %d rows in %.1f ms\n", sample,
                (now_seconds() - start) * 1000);
    return 0;
}
