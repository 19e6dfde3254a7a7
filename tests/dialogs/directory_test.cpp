// The channel directory: what a row shows, sorting and searching, the cache
// file, the listing's end, and the dialog on its real window.

#include <windows.h>
#include <commctrl.h>

#include <thread>
#include <vector>

#include "app/text.h"
#include "dialog_fixture.h"
#include "dialogs/directory_listing.h"
#include "dialogs/directory_view.h"
#include "dialogs/join_all_channels_dialog.h"
#include "irc/directory_rows.h"
#include "irc/irc_line.h"
#include "support/net_test_support.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/directory_cache.h"
#include "settings/settings_file.h"

namespace {
std::string packed(const char* channel, const char* users, const char* topic) {
    return pack_directory_row({channel, users, topic});
}

std::vector<std::wstring> column(const DirectoryView& view, int which) {
    std::vector<std::wstring> texts;
    for (size_t row = 0; row < view.size(); ++row) texts.push_back(view.cell(row, which));
    return texts;
}

const std::vector<std::string> sample_rows = {
    packed("#zeta", "7", "Chat ROOM for all"), packed("#chatroom", "12", "talk"),
    packed("#alpha", "123", "nothing here"), packed("#big", "4321", "caf\xe9 corner"),
};
}  // namespace

TEST(DirectoryView, PadsCountsSortsAndSearches) {
    const std::pair<const wchar_t*, const wchar_t*> pads[] = {
        {L"7", L"0007"}, {L"12", L"0012"}, {L"123", L"0123"}, {L"4321", L"4321"}, {L"12345", L"12345"}, {L"", L""}};
    for (const auto& pad : pads) EXPECT_EQ(pad_user_count(pad.first), pad.second);

    DirectoryView view;
    view.fill(sample_rows, "");
    EXPECT_EQ(column(view, column_users), (std::vector<std::wstring>{L"0007", L"0012", L"0123", L"4321"}));
    view.sort(column_channel + 1);
    EXPECT_EQ(column(view, column_channel), (std::vector<std::wstring>{L"#alpha", L"#big", L"#chatroom", L"#zeta"}));
    view.sort(-(column_users + 1));
    EXPECT_EQ(column(view, column_users), (std::vector<std::wstring>{L"4321", L"0123", L"0012", L"0007"}));
    view.sort(column_topic + 1);  // case-sensitive: capitals first
    EXPECT_EQ(view.cell(0, column_topic), L"Chat ROOM for all");

    // The search looks at channel and topic, folding ASCII letters only.
    view.fill(sample_rows, "ROOM");
    EXPECT_EQ(column(view, column_channel), (std::vector<std::wstring>{L"#zeta", L"#chatroom"}));
    view.fill(sample_rows, "CAF\xc9");
    EXPECT_EQ(view.size(), 0u);
    view.fill(sample_rows, "caf\xe9");
    EXPECT_EQ(view.size(), 1u);
    EXPECT_EQ(find_ignoring_case("", "abc"), 0);
    EXPECT_EQ(find_ignoring_case("abcd", "abc"), -1);
    EXPECT_EQ(find_ignoring_case("Room", "#chatroom"), 5);
}

TEST_F(DialogTest, OnlyNamedChannelsWithMoreThanOneUserAreKept) {
    client.channel_directory.clear();
    add_directory_row(L"#one", L"", client, L"1");
    add_directory_row(L"#two", L"t", client, L"2");
    add_directory_row(L"", L"t", client, L"9");
    add_directory_row(L"#junk", L"t", client, L"x");
    ASSERT_EQ(client.channel_directory.size(), 1u);
    EXPECT_EQ(unpack_directory_row(client.channel_directory[0]).channel, "#two");
}

TEST_F(DialogTest, CacheFileRoundTripsAndStaysAProfileFile) {
    const std::wstring path = directory_cache_path(client, L"irc.example.test");
    EXPECT_EQ(path, folder + L"Settings\\irc.example.test.ini");
    const std::vector<CachedRow> rows = {{L"#a", L"5", L"  blanks around  "},
                                         {L"#b", L"2", L"\"quoted\""},
                                         {L"#c", L"3", L"caf\u00e9 \u4e2d = x"},
                                         {L"#d", L"2", L""}};
    ASSERT_TRUE(write_directory_cache(path, rows));
    const std::vector<CachedRow> back = read_directory_cache(path, 5000);
    ASSERT_EQ(back.size(), rows.size());
    for (size_t n = 0; n < rows.size(); ++n) {
        EXPECT_EQ(back[n].description, rows[n].description);
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"channels", format_text(L"description_%d", static_cast<int>(n)).c_str(), L"", value,
                                 256, path.c_str());
        EXPECT_EQ(value, rows[n].description) << "the profile reader sees row " << n;
        GetPrivateProfileStringW(L"channels", format_text(L"channel_%d", static_cast<int>(n)).c_str(), L"", value, 256,
                                 path.c_str());
        EXPECT_EQ(value, rows[n].channel);
    }

    // A file the profile functions wrote: rows up to the first missing channel.
    const std::wstring other = directory_cache_path(client, L"other.test");
    for (const wchar_t* key : {L"channel_0", L"channel_1", L"channel_3"})
        WritePrivateProfileStringW(L"channels", key, L"#x", other.c_str());
    WritePrivateProfileStringW(L"channels", L"USERS_1", L"44", other.c_str());
    const std::vector<CachedRow> two = read_directory_cache(other, 5000);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].users, L"44");
}

TEST_F(DialogTest, CacheNamesStayInsideTheSettingsFolder) {
    const std::wstring settings = folder + L"Settings\\";
    for (const wchar_t* host : {L"..\\..\\evil", L"a/b:c", L"Settings", L"settings", L"CON", L"", L".", L"C:\\x"}) {
        const std::wstring path = directory_cache_path(client, host);
        if (path.empty()) continue;
        EXPECT_EQ(path.compare(0, settings.size(), settings), 0) << path;
        const std::wstring name = path.substr(settings.size());
        EXPECT_EQ(name.find_first_of(L"\\/:"), std::wstring::npos) << path;
        EXPECT_NE(_wcsicmp(name.c_str(), L"Settings.ini"), 0) << path;
    }
}

TEST_F(DialogTest, ListingEndsAtItsEndOrAfterTheLastRowKept) {
    client.connection.host = L"irc.listing.test";
    client.channel_directory.clear();
    client.directory_row_count = 0;
    const std::wstring cache = directory_cache_path(client, L"irc.listing.test");
    // From another thread, as the receive thread hands them over.
    std::thread receiver([&] {
        dispatch_line(client, L":srv 322 me #room 5 :hello there");
        dispatch_line(client, L":srv 322 me #solo 1 :only me");
        dispatch_line(client, L":srv 323 me :End of LIST");
    });
    EXPECT_TRUE(net_test::wait_until([&] { return GetFileAttributesW(cache.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    receiver.join();
    std::vector<CachedRow> rows = read_directory_cache(cache, 5000);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].description, L"hello there");

    DeleteFileW(cache.c_str());
    client.channel_directory.clear();
    client.directory_row_count = 0;
    for (int n = 0; n < directory_row_limit; ++n)
        dispatch_line(client, format_text(L":srv 322 me #c%d 3 :t", n));
    EXPECT_EQ(GetFileAttributesW(cache.c_str()), INVALID_FILE_ATTRIBUTES);
    dispatch_line(client, L":srv 322 me #over 3 :dropped");
    EXPECT_EQ(read_directory_cache(cache, 10000).size(), static_cast<size_t>(directory_row_limit));
    EXPECT_EQ(client.channel_directory.size(), static_cast<size_t>(directory_row_limit));

    // Loading counts every cached row but keeps only those with company.
    ASSERT_TRUE(write_directory_cache(cache, {{L"#a", L"1", L""}, {L"#b", L"2", L""}}));
    EXPECT_EQ(load_directory_cache(L"irc.listing.test", client), 2);
    EXPECT_EQ(client.channel_directory.size(), 1u);
    EXPECT_EQ(load_directory_cache(L"no.such.server", client), 0);
    EXPECT_EQ(client.channel_directory.size(), 1u);
}

TEST_F(DialogTest, OfflineDirectoryShowsACachedServer) {
    write(L"servers", L"server_name_1", L"irc.cached.test");
    write(L"servers", L"server_name_2", L"irc.nocache.test");
    write(L"servers", L"server_name_3", L"IRC.CACHED.TEST");
    load_settings(client, SettingsGroup::servers);
    client.channel_directory.clear();
    client.directory_cache_server[0] = 0;
    ASSERT_TRUE(write_directory_cache(directory_cache_path(client, L"irc.cached.test"),
                                      {{L"#zeta", L"7", L"Chat ROOM"}, {L"#alone", L"1", L""},
                                       {L"#chatroom", L"12", L"talk"}, {L"#alpha", L"123", L"quiet"}}));
    ASSERT_TRUE(with_dialog(IDM_JOIN_ALL_CHANNELS, [&](HWND dialog) {
        auto& directory = static_cast<JoinAllChannelsDialog&>(*client.join_all_channels_dialog);
        HWND list = GetDlgItem(dialog, IDC_DIRECTORY_LIST);
        HWND servers = GetDlgItem(dialog, IDC_DIRECTORY_SERVERS);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DIRECTORY_UPDATE)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DIRECTORY_SEARCH)));
        ASSERT_EQ(SendMessageW(servers, CB_GETCOUNT, 0, 0), 1);
        SendMessageW(servers, CB_SETCURSEL, 0, 0);
        press(dialog, IDC_DIRECTORY_SERVERS, CBN_SELCHANGE);
        EXPECT_EQ(ListView_GetItemCount(list), 3);
        EXPECT_EQ(item_text_of(dialog, IDC_DIRECTORY_COUNT), L"(3)");
        wchar_t cell[64] = {};
        ListView_GetItemText(list, 0, 1, cell, 64);
        EXPECT_STREQ(cell, L"0007");

        // The first click of the process sorts ascending (no other test clicks
        // a column), each later one, on any column, the other way; an even
        // number of clicks leaves the next one ascending again.
        using Column = std::vector<std::wstring>;
        const struct {
            int column;
            Column rows;
        } clicks[] = {
            {column_users, {L"0007", L"0012", L"0123"}},
            {column_channel, {L"#zeta", L"#chatroom", L"#alpha"}},
            {column_topic, {L"Chat ROOM", L"quiet", L"talk"}},
            {column_users, {L"0123", L"0012", L"0007"}},
        };
        for (const auto& c : clicks) {
            NMLISTVIEW click{};
            click.hdr = {list, IDC_DIRECTORY_LIST, static_cast<UINT>(LVN_COLUMNCLICK)};
            click.iItem = -1;
            click.iSubItem = c.column;
            SendMessageW(dialog, WM_NOTIFY, IDC_DIRECTORY_LIST, reinterpret_cast<LPARAM>(&click));
            Column shown;
            for (size_t row = 0; row < c.rows.size(); ++row) shown.push_back(directory.view().cell(row, c.column));
            EXPECT_EQ(shown, c.rows) << "column " << c.column;
        }

        SetDlgItemTextW(dialog, IDC_DIRECTORY_SEARCH, L"ROOM");
        press(dialog, IDC_DIRECTORY_SEARCH_BUTTON);
        EXPECT_EQ(item_text_of(dialog, IDC_DIRECTORY_COUNT), L"(2)");
        SetDlgItemTextW(dialog, IDC_DIRECTORY_SEARCH, L"");
        press(dialog, IDC_DIRECTORY_SEARCH_BUTTON);
        EXPECT_EQ(ListView_GetItemCount(list), 2) << "an empty search changes nothing";
        press(dialog, IDC_DIRECTORY_CLEAR_SEARCH);
        EXPECT_EQ(ListView_GetItemCount(list), 3);
    }));
    EXPECT_STREQ(client.directory_cache_server, L"irc.cached.test");
    // Closed: the end of a later listing leaves it alone.
    EXPECT_EQ(static_cast<JoinAllChannelsDialog&>(*client.join_all_channels_dialog).window(), nullptr);
}
