#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/chat_client.h"
#include "support/window_probe.h"

// Every chat test starts with only the server tab open and selected, and
// leaves the same way, whatever it opened.
class ChatTest : public testing::Test {
protected:
    ChatClient& client;
    ChatTest();
    void SetUp() override;
    void TearDown() override;

    HWND buffer_window(int slot) const;
    // Plain text of the slot's buffer, line ends as "\r\n".
    std::wstring buffer_text(int slot) const;
    // The size the main window gives the selected chat's buffer, so that it
    // can scroll.
    void give_view_size(int slot) const;
    SCROLLINFO vertical_scroll(int slot) const;
    std::wstring status_text(int part) const;
};
