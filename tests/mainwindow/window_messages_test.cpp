#include <atomic>
#include <thread>

#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "support/modal_dialog.h"
#include "support/test_client.h"
#include "window_fixture.h"

namespace {

using StatusNotice = MainWindowTest;

TEST_F(StatusNotice, FromAnotherThreadLandsInTheFirstTwoParts) {
    client.enable_sounds_app = false;
    ASSERT_TRUE(run_beside_ui([] { show_status_notice("Caf\xe9 notice", "written by a worker thread"); }));
    EXPECT_EQ(status_text(0), L"Caf\u00e9 notice");
    EXPECT_EQ(status_text(1), L"written by a worker thread");

    show_status_notice(nullptr, nullptr);  // missing texts empty the parts
    EXPECT_EQ(status_text(0), L"");
    EXPECT_EQ(status_text(1), L"");
    client.enable_sounds_app = true;
}

using WindowMessages = MainWindowTest;

TEST_F(WindowMessages, SizePutsBufferAndInputLineBackAndFocusGoesToTheInputLine) {
    HWND buffer = client.chats[0].buffer->window;
    MoveWindow(buffer, 0, 0, 10, 10, FALSE);
    MoveWindow(client.input_window, 0, 0, 10, 10, FALSE);
    SendMessageW(client.input_window, EM_SETLIMITTEXT, 5, 0);
    SendMessageW(client.main_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(1384, 690));
    struct Case {
        HWND control;
        RECT expected;
    };
    for (const Case& c : {Case{buffer, {255, 35, 255 + 776, 35 + 500}},
                          Case{client.input_window, {255, 540, 255 + 780, 540 + 80}}}) {
        RECT rect = child_rect(client.main_window, c.control);
        EXPECT_TRUE(EqualRect(&rect, &c.expected)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    }
    EXPECT_EQ(SendMessageW(client.input_window, EM_GETLIMITTEXT, 0, 0), 479);

    SetFocus(client.title_edit);
    SendMessageW(client.main_window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), client.input_window);
}

TEST_F(WindowMessages, AboutCommandShowsTheAboutBox) {
    std::wstring caption;
    EXPECT_TRUE(run_modal([&] { SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0); },
                          [&](HWND box) {
                              caption = window_text(box);
                              press(box, IDOK);
                          }));
    EXPECT_EQ(caption, L"About Quillmere");
}

TEST_F(WindowMessages, UnknownCommandsGoToTheDefaultProcedure) {
    // A command nobody handles must not be taken as handled.
    constexpr int unknown_command = 0x7EFF;
    EXPECT_FALSE(handle_command(client, unknown_command, 0, nullptr));
    EXPECT_FALSE(handle_command(client, 202, BN_CLICKED, nullptr));  // a buffer id, not a button
}

}  // namespace
