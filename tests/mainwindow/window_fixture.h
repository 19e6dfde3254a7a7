#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/chat_client.h"
#include "support/window_probe.h"

// Every main-window test starts and ends with only the server tab open and
// selected, not connected, and the window shown (hidden windows would report
// every child as invisible).
class MainWindowTest : public testing::Test {
protected:
    ChatClient& client;
    MainWindowTest();
    void SetUp() override;
    void TearDown() override;

    // A tab selected the way its button does it.
    void click_tab(int slot) const;
    bool menu_enabled(int command) const;
    bool menu_greyed(int command) const;
    std::wstring status_text(int part) const;
};


// Colour of a solid brush; `solid` false for a hollow one.
COLORREF brush_colour(HBRUSH brush, bool& solid);

// Pixels of a bitmap, read through a 32-bit copy of its bits (rows top down).
std::vector<COLORREF> bitmap_pixels(HBITMAP bitmap);
COLORREF bitmap_pixel(HBITMAP bitmap, int x, int y);

// The controls that never show on the server tab, and the server tab's own
// identification box with the logo.
std::vector<HWND> chat_specific_controls(const ChatClient& c);
std::vector<HWND> identification_controls(const ChatClient& c);
