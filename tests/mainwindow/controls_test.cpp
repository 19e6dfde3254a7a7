#include <richedit.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "app/text.h"
#include "mainwindow/build_steps.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "window_fixture.h"

namespace {

using StartState = MainWindowTest;

TEST_F(StartState, ServerTabSelectedWithGreenBannerAndIdentificationBox) {
    ASSERT_TRUE(client.chats[0].in_use);
    EXPECT_EQ(client.current_chat, &client.chats[0]);
    EXPECT_EQ(window_text(client.title_edit), L"IRC Server");
    EXPECT_FALSE(startup_in_progress);

    HWND buffer = GetDlgItem(client.main_window, 200);
    ASSERT_NE(buffer, nullptr);
    EXPECT_TRUE(IsWindowVisible(buffer));
    EXPECT_LT(window_text(buffer).find(L"] ********** IRC Server **********"), 12u) << window_text(buffer).c_str();
    CHARRANGE first{0, 1};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&first));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.crTextColor, RGB(0, 255, 0));
    RECT place = child_rect(client.main_window, buffer);
    EXPECT_EQ(place.left, 255);
    EXPECT_EQ(place.top, 35);
    EXPECT_EQ(place.right - place.left, 776);
    EXPECT_EQ(place.bottom - place.top, 500);

    for (HWND control : identification_controls(client)) {
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(IsWindowVisible(control)) << GetDlgCtrlID(control);
    }
    for (HWND control : chat_specific_controls(client)) {
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(IsWindowVisible(control)) << GetDlgCtrlID(control);
    }
}

TEST_F(StartState, MenuItemsNeedingAConnectionOrAChatAreGreyed) {
    ASSERT_EQ(client.menu, GetMenu(client.main_window));
    for (int command : {IDM_DISCONNECT, IDM_SILENCE_ON, IDM_SILENCE_OFF, IDM_JOIN_FAVORITE_CHANNELS, IDM_PASSWORD_ON,
                        IDM_PASSWORD_OFF, IDM_SECRET_ON, IDM_SECRET_OFF, IDM_MODERATED_ON, IDM_MODERATED_OFF,
                        IDM_CHANGE_TOPIC, IDM_USERS_IN_OUT, IDM_MESSAGES, IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND})
        EXPECT_TRUE(menu_greyed(command)) << command;
    for (int command : {IDM_CONNECT, IDM_EXIT, IDM_JOIN_ALL_CHANNELS, IDM_PREFERENCES, IDM_SERVERS_USER_IDS,
                        IDM_FAVORITE_CHANNELS, IDM_FAVORITE_NICKNAMES, IDM_ENCRYPTION_PASSWORDS, IDM_MAIN_FEATURES,
                        IDM_SEND_MESSAGES_FILES, IDM_WEBSITE, IDM_ABOUT})
        EXPECT_TRUE(menu_enabled(command)) << command;
}

TEST_F(StartState, AppFolderIsTheExecutablesFolder) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    // The test client works in a folder of its own: set it as the window does.
    const std::wstring own = client.app_folder;
    set_app_folder(client);
    const std::wstring folder = client.app_folder;
    copy_text(client.app_folder, own.c_str());
    // The folder followed by this executable's own name is the running file.
    EXPECT_EQ(_wcsicmp((folder + L"test_mainwindow.exe").c_str(), path), 0)
        << std::string(folder.begin(), folder.end());
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST(FolderOfPath, KeepsDriveAndFolderWithTheirBackslash) {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Quillmere\\Quillmere.exe", L"C:\\Program Files\\Quillmere\\"},
        {L"C:\\Quillmere.exe", L"C:\\"},
        {L"\\\\server\\share\\tools\\Quillmere.exe", L"\\\\server\\share\\tools\\"},
        {L"Z:/unix/style/Quillmere.exe", L"Z:/unix/style/"},
        {L"Quillmere.exe", L""},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(folder_of_path(c.path), c.folder) << c.path;
    EXPECT_EQ(folder_of_path(nullptr), L"");
}

// Id, class, text, rectangle and initial state of every control of the window.
using ControlTable = MainWindowTest;

TEST_F(ControlTable, IdsClassesTextsRectanglesAndInitialStates) {
    enum Kind { plain, read_only, multi_line, auto_check, check, group, bitmap, picture, drop_list };
    struct Row {
        HWND ChatClient::*field;
        int id;
        const wchar_t* class_name;
        Kind kind;
        const wchar_t* text;
        int left, top, width, height;
        bool visible, enabled;
    };
    const wchar_t* banner =
        L"\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7 Encrypt this "
        L"message with AES-256 bits \u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7"
        L"\u00B7\u00B7";
    const Row rows[] = {
        {&ChatClient::input_window, 2, L"Edit", multi_line, L"", 255, 540, 780, 80, true, true},
        {&ChatClient::title_edit, 500, L"Edit", read_only, L"IRC Server", 255, 7, 370, 26, true, true},
        {&ChatClient::close_tab_button, 501, L"Button", bitmap, L"", 1002, 8, 24, 24, false, true},
        {&ChatClient::private_chat_button, 502, L"Button", plain, L"Private chat", 20, 71, 130, 26, false, false},
        {&ChatClient::kick_button, 503, L"Button", plain, L"Kick", 160, 71, 66, 26, false, false},
        {&ChatClient::voice_off_button, 504, L"Button", plain, L"Voice OFF", 20, 102, 100, 26, false, false},
        {&ChatClient::voice_on_button, 505, L"Button", plain, L"Voice ON", 126, 102, 100, 26, false, false},
        {&ChatClient::users_label, 506, L"Static", plain, L"Users", 20, 18, 205, 22, false, true},
        {&ChatClient::encrypt_check, 507, L"Button", check, L"Encrypt message", 85, 540, 156, 26, false, false},
        {&ChatClient::filter_users_check, 508, L"Button", auto_check, L"Filter Users by keywords", 20, 130, 220, 26, false, false},
        {&ChatClient::tabs_group, 509, L"Button", group, L" Private chats and channels ", 1062, 10, 324, 646, true, true},
        {&ChatClient::encrypt_banner, 510, L"Static", plain, banner, 255, 622, 780, 20, false, true},
        {&ChatClient::encrypted_text_edit, 511, L"Edit", read_only, L"", 255, 644, 780, 22, false, true},
        {&ChatClient::title_band, 512, L"Static", plain, L"", 255, 3, 776, 32, true, true},
        {&ChatClient::password_combo, 513, L"ComboBox", drop_list, L"", 20, 470, 220, 0, false, true},
        {&ChatClient::user_info_group, 514, L"Button", group, L" User info ", 12, 10, 230, 170, false, true},
        {&ChatClient::user_info_edit, 515, L"Edit", read_only, L"", 17, 30, 220, 140, false, true},
        {&ChatClient::file_transfer_group, 516, L"Button", group, L" File transfer ", 12, 195, 230, 180, false, true},
        {&ChatClient::password_edit, 517, L"Edit", read_only, L"", 20, 500, 220, 26, false, true},
        {&ChatClient::password_label, 518, L"Static", plain, L"Encryption password", 20, 447, 220, 22, false, true},
        {&ChatClient::peer_ip_edit, 519, L"Edit", read_only, L"", 20, 220, 140, 26, false, true},
        {&ChatClient::get_ip_button, 520, L"Button", plain, L"Get IP", 164, 220, 66, 26, false, false},
        {&ChatClient::file_path_edit, 521, L"Edit", read_only, L"", 20, 260, 180, 26, false, true},
        {&ChatClient::browse_button, 522, L"Button", plain, L"...", 204, 260, 30, 26, false, true},
        {&ChatClient::send_file_button, 523, L"Button", plain, L"Send encrypted file", 20, 290, 180, 26, false, false},
        {&ChatClient::key_icon, 524, L"Button", bitmap, L"", 750, 3, 32, 32, false, false},
        {&ChatClient::secret_icon, 525, L"Button", bitmap, L"", 714, 3, 32, 32, false, false},
        {&ChatClient::operator_icon, 526, L"Button", bitmap, L"", 678, 3, 32, 32, false, false},
        {&ChatClient::moderated_icon, 527, L"Button", bitmap, L"", 642, 3, 32, 32, false, false},
        {&ChatClient::compatible_icon, 528, L"Button", bitmap, L"", 750, 3, 32, 32, false, false},
        {&ChatClient::lock_icon, 529, L"Button", bitmap, L"", 180, 570, 56, 49, false, true},
        {&ChatClient::nicknames_online_button, 530, L"Button", bitmap, L"", 1035, 409, 24, 24, true, false},
        {&ChatClient::clear_button, 531, L"Button", bitmap, L"", 1035, 443, 24, 24, true, true},
        {&ChatClient::save_chat_button, 532, L"Button", bitmap, L"", 1035, 477, 24, 24, true, true},
        {&ChatClient::scroll_end_button, 533, L"Button", bitmap, L"", 1035, 511, 24, 24, true, true},
        {&ChatClient::paste_send_button, 534, L"Button", bitmap, L"", 1037, 544, 24, 24, true, true},
        {&ChatClient::send_button, 535, L"Button", bitmap, L"", 1037, 580, 24, 24, true, true},
        {&ChatClient::connection_image, 536, L"Static", picture, L"", 1203, 41, 16, 16, true, true},
        {&ChatClient::share_ip_check, 537, L"Button", check, L"Share my IP address", 20, 330, 186, 26, false, false},
        {&ChatClient::logo_button, 538, L"Button", bitmap, L"", 12, 15, 230, 115, true, true},
        {&ChatClient::identification_group, 539, L"Button", group, L" Identification ", 12, 150, 230, 210, true, true},
        {&ChatClient::server_name_label, 540, L"Static", plain, L"Server name", 22, 175, 125, 20, true, true},
        {&ChatClient::server_name_edit, 541, L"Edit", read_only, L"", 22, 195, 210, 26, true, true},
        {&ChatClient::nickname_label, 542, L"Static", plain, L"Nickname (username)", 22, 233, 185, 20, true, true},
        {&ChatClient::nickname_edit, 543, L"Edit", read_only, L"", 22, 253, 210, 26, true, true},
        {&ChatClient::my_ip_label, 544, L"Static", plain, L"My IP address", 22, 292, 185, 20, true, true},
        {&ChatClient::my_ip_edit, 545, L"Edit", read_only, L"", 22, 312, 210, 26, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "control " << row.id);
        HWND control = GetDlgItem(client.main_window, row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(client.*row.field, control);
        EXPECT_EQ(lstrcmpiW(class_of(control).c_str(), row.class_name), 0) << class_of(control).c_str();
        // A channel's selection has since written its user count after "Users".
        if (row.id == 506) {
            EXPECT_EQ(window_text(control).rfind(row.text, 0), 0u);
        } else if (row.kind != picture) {
            EXPECT_EQ(window_text(control), row.text);
        }
        RECT rect = child_rect(client.main_window, control);
        EXPECT_EQ(rect.left, row.left);
        EXPECT_EQ(rect.top, row.top);
        EXPECT_EQ(rect.right - rect.left, row.width);
        if (row.kind != drop_list) {
            EXPECT_EQ(rect.bottom - rect.top, row.height);
        }
        EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible);
        // The settings enable the filter box exactly when there are keywords;
        // the lock follows the last chat's encryption once a chat was selected.
        const bool enabled = row.id == 508 ? !client.filter_keywords.empty() : row.enabled;
        if (row.id != 529) {
            EXPECT_EQ(IsWindowEnabled(control) != FALSE, enabled);
        }

        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        if (row.kind != picture) {
            EXPECT_EQ(font, row.id == 515 ? client.font_small : client.font_normal);
        }
        switch (row.kind) {
        case read_only:
            EXPECT_TRUE(style & ES_READONLY);
            break;
        case multi_line:
            EXPECT_TRUE(style & ES_MULTILINE);
            EXPECT_FALSE(style & ES_READONLY);
            break;
        case auto_check:
            EXPECT_EQ(style & BS_TYPEMASK, BS_AUTOCHECKBOX);
            EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0), BST_UNCHECKED);
            break;
        case check:
            EXPECT_EQ(style & BS_TYPEMASK, BS_CHECKBOX);
            EXPECT_EQ(SendMessageW(control, BM_GETCHECK, 0, 0), BST_UNCHECKED);
            break;
        case group:
            EXPECT_EQ(style & BS_TYPEMASK, BS_GROUPBOX);
            break;
        case bitmap:
            EXPECT_TRUE(style & BS_BITMAP);
            EXPECT_NE(SendMessageW(control, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
            break;
        case picture:
            EXPECT_EQ(style & SS_TYPEMASK, SS_BITMAP);
            EXPECT_NE(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
            break;
        case drop_list:
            EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
            break;
        case plain:
            break;
        }
    }
    EXPECT_EQ(SendMessageW(client.input_window, EM_GETLIMITTEXT, 0, 0), 479);
    EXPECT_EQ(SendMessageW(client.title_edit, EM_GETLIMITTEXT, 0, 0), 205);
    EXPECT_EQ(SendMessageW(client.encrypted_text_edit, EM_GETLIMITTEXT, 0, 0), 205);
    EXPECT_NE(client.input_edit, nullptr);

    HWND bar = GetDlgItem(client.main_window, 499);
    ASSERT_EQ(bar, client.status_bar);
    EXPECT_EQ(lstrcmpiW(class_of(bar).c_str(), STATUSCLASSNAMEW), 0);
    int edges[4] = {};
    ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 160);
    EXPECT_EQ(edges[1], 850);
    EXPECT_EQ(edges[2], 1300);
}

TEST_F(ControlTable, BothFontsAreMsShellDlg2AtTheirSizes) {
    struct Case {
        HFONT font;
        int height, width;
    };
    for (const Case& c : {Case{client.font_normal, 18, 8}, Case{client.font_small, 14, 6}}) {
        LOGFONTW description{};
        ASSERT_EQ(GetObjectW(c.font, sizeof description, &description), int(sizeof description));
        EXPECT_EQ(description.lfHeight, c.height);
        EXPECT_EQ(description.lfWidth, c.width);
        EXPECT_EQ(description.lfWeight, 500);
        EXPECT_FALSE(description.lfItalic || description.lfUnderline || description.lfStrikeOut);
        EXPECT_STREQ(description.lfFaceName, L"MS Shell Dlg 2");
    }
}

TEST_F(ControlTable, ElevenBalloonTooltipsNameTheirControls) {
    const std::map<HWND, std::wstring> expected = {
        {client.key_icon, L"An access password is required to join this channel"},
        {client.secret_icon, L"This channel doesn't appear in the channel list of the server"},
        {client.operator_icon, L"You are operator of this channel"},
        {client.moderated_icon, L"This channel is moderated"},
        {client.compatible_icon, L"This user is compatible with the AES-256 bits encryption system"},
        {client.nicknames_online_button, L"Nicknames online"},
        {client.clear_button, L"Clear"},
        {client.save_chat_button, L"Save chat"},
        {client.scroll_end_button, L"Scroll to end"},
        {client.paste_send_button, L"Paste and Send message"},
        {client.send_button, L"Send message"},
    };
    struct Found {
        HWND owner;
        std::vector<HWND> tips;
    } found{client.main_window, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* f = reinterpret_cast<Found*>(data);
            if (lstrcmpiW(class_of(window).c_str(), TOOLTIPS_CLASSW) == 0 && GetWindow(window, GW_OWNER) == f->owner)
                f->tips.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));

    std::map<HWND, std::wstring> seen;
    for (HWND tip : found.tips) {
        const LONG_PTR style = GetWindowLongPtrW(tip, GWL_STYLE);
        EXPECT_TRUE(style & TTS_BALLOON);
        EXPECT_TRUE(style & TTS_ALWAYSTIP);
        ASSERT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        wchar_t text[128] = {};
        TTTOOLINFOW info{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.lpszText = text;
        ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(info.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), UINT(TTF_IDISHWND | TTF_SUBCLASS));
        EXPECT_EQ(info.hwnd, client.main_window);
        seen[reinterpret_cast<HWND>(info.uId)] = text;
    }
    EXPECT_EQ(seen, expected);
}

}  // namespace
