// Joining: the favourites' join dialog with its access passwords, and the
// directory while connected (double-click join, "Update list", Close while waiting).

#include <windows.h>
#include <commctrl.h>

#include "app/text.h"
#include "dialog_fixture.h"
#include "dialogs/join_all_channels_dialog.h"
#include "irc/directory_rows.h"
#include "irc/irc_line.h"
#include "net/session.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {
using Lines = std::vector<std::string>;

void pick(HWND dialog, int entry) {
    SendDlgItemMessageW(dialog, IDC_JOIN_CHANNEL, CB_SETCURSEL, entry, 0);
    press(dialog, IDC_JOIN_CHANNEL, CBN_SELCHANGE);
}
}  // namespace

TEST_F(ConnectedDialogTest, FavouritesJoinWithTheirPasswordWhenAsked) {
    write(L"channels", L"channel_name_2", L"#keyed");
    write(L"channels", L"channel_password_2", L"sesame1");
    write(L"channels", L"channel_name_5", L"open");
    ASSERT_TRUE(with_dialog(IDM_JOIN_FAVORITE_CHANNELS, [&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_JOIN_CHANNEL, CB_GETCOUNT, 0, 0), 2);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_JOIN_USE_PASSWORD)));
        pick(dialog, 0);
        EXPECT_EQ(item_text_of(dialog, IDC_JOIN_PASSWORD), L"sesame1");
        EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_JOIN_USE_PASSWORD));
        press(dialog, IDC_JOIN_BUTTON);
        CheckDlgButton(dialog, IDC_JOIN_USE_PASSWORD, BST_UNCHECKED);
        press(dialog, IDC_JOIN_BUTTON);
        // A name typed in keeps the password box as it was.
        SetDlgItemTextW(dialog, IDC_JOIN_CHANNEL, L"typed");
        press(dialog, IDC_JOIN_CHANNEL, CBN_EDITCHANGE);
        EXPECT_EQ(item_text_of(dialog, IDC_JOIN_PASSWORD), L"sesame1");
        pick(dialog, 1);
        EXPECT_EQ(item_text_of(dialog, IDC_JOIN_PASSWORD), L"");
        EXPECT_FALSE(IsDlgButtonChecked(dialog, IDC_JOIN_USE_PASSWORD));
        CheckDlgButton(dialog, IDC_JOIN_USE_PASSWORD, BST_CHECKED);  // with an empty password: no key
        press(dialog, IDC_JOIN_BUTTON);
        EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open for the next channel";
    }));
    EXPECT_EQ(sent_lines(), (Lines{"JOIN #keyed sesame1", "JOIN #keyed", "JOIN #open"}));
}

TEST_F(ConnectedDialogTest, DirectoryJoinsListsAndClosesWhileWaiting) {
    client.connection.host = L"irc.joined.test";
    copy_text(client.directory_cache_server, L"irc.joined.test");
    client.channel_directory = {pack_directory_row({"#first", "5", "one"}), pack_directory_row({"#second", "9", ""})};
    bool closed = false;
    ASSERT_TRUE(with_dialog(IDM_JOIN_ALL_CHANNELS, [&](HWND dialog) {
        auto& directory = static_cast<JoinAllChannelsDialog&>(*client.join_all_channels_dialog);
        HWND list = GetDlgItem(dialog, IDC_DIRECTORY_LIST);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DIRECTORY_SERVERS)));
        EXPECT_EQ(ListView_GetItemCount(list), 2);
        NMITEMACTIVATE click{};
        click.hdr = {list, IDC_DIRECTORY_LIST, static_cast<UINT>(NM_DBLCLK)};
        click.iItem = 1;
        SendMessageW(dialog, WM_NOTIFY, IDC_DIRECTORY_LIST, reinterpret_cast<LPARAM>(&click));

        press(dialog, IDC_DIRECTORY_UPDATE);
        EXPECT_TRUE(directory.busy());
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_DIRECTORY_WAIT)));
        EXPECT_EQ(ListView_GetItemCount(list), 0);
        EXPECT_TRUE(client.channel_directory.empty());
        SetDlgItemTextW(dialog, IDC_DIRECTORY_SEARCH, L"x");
        press(dialog, IDC_DIRECTORY_SEARCH_BUTTON);  // ignored while the rows come in
        SendMessageW(dialog, WM_NOTIFY, IDC_DIRECTORY_LIST, reinterpret_cast<LPARAM>(&click));
        // The listing never ends (say the connection dropped): Close still closes.
        press(dialog, IDCANCEL);
        closed = !IsWindow(dialog) || !IsWindowVisible(dialog);
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(sent_lines(), (Lines{"JOIN #second", "LIST"}));
}

// A listing asked for on a connection that was replaced before its end
// (Disconnect, a reconnect) never ends: the next connection's directory is
// not held up by it, while on the same connection it still waits.
TEST_F(ConnectedDialogTest, ANewConnectionEndsAListingThatNeverEnded) {
    client.connection.host = L"irc.lost.test";
    begin_session();  // whatever an earlier test left waiting is over
    auto showing = [&](const std::function<void(JoinAllChannelsDialog&, HWND)>& drive) {
        return with_dialog(IDM_JOIN_ALL_CHANNELS, [&](HWND dialog) {
            drive(static_cast<JoinAllChannelsDialog&>(*client.join_all_channels_dialog), dialog);
            press(dialog, IDCANCEL);
        });
    };
    ASSERT_TRUE(showing([](JoinAllChannelsDialog& directory, HWND dialog) {
        press(dialog, IDC_DIRECTORY_UPDATE);
        EXPECT_TRUE(directory.busy());
    }));
    ASSERT_TRUE(showing([](JoinAllChannelsDialog& directory, HWND dialog) {
        EXPECT_TRUE(directory.busy()) << "the same connection may still end it";
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_DIRECTORY_WAIT)));
    }));
    client.channel_directory = {pack_directory_row({"#partial", "5", "of the lost listing"})};
    begin_session();
    ASSERT_TRUE(showing([&](JoinAllChannelsDialog& directory, HWND dialog) {
        EXPECT_FALSE(directory.busy());
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_DIRECTORY_WAIT)));
        EXPECT_TRUE(client.channel_directory.empty());
        press(dialog, IDC_DIRECTORY_UPDATE);
        EXPECT_TRUE(directory.busy());
        dispatch_line(client, L":srv 323 me :End of LIST");
        EXPECT_FALSE(directory.busy());
    }));
    EXPECT_EQ(sent_lines(), (Lines{"LIST", "LIST"}));
}

