#pragma once
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/chat_client.h"
#include "controls/input_edit.h"
#include "support/loopback.h"


// Each test starts with only the server tab open and selected, the user named
// "bob", and the input line of the main window (child id 2) empty.
class InputLineTest : public testing::Test {
protected:
    ChatClient& client;
    HWND input = nullptr;
    std::unique_ptr<LoopbackServer> server;

    InputLineTest();
    void SetUp() override;
    void TearDown() override;

    void connect();
    // Opens a chat (before connecting: a private chat asks the server about
    // its correspondent) and selects it.
    int open_chat(const wchar_t* name, bool is_channel);
    void select(int slot) { client.current_chat = &client.chats[slot]; }

    // Puts the text into the input line and presses Enter.
    void type_and_enter(const std::wstring& text);
    std::wstring input_text() const;
    // The next line the server received; empty when none came.
    std::string next_line(int timeout_ms = 3000);
    // True when nothing was sent: the next line to arrive is the sentinel's.
    bool nothing_sent_before_sentinel();

    // Buffer text as the control counts characters (paragraphs end in "\r").
    std::wstring buffer_text(int slot) const;
    size_t count_in_buffer(int slot, const std::wstring& text) const;
    // Colours of the last occurrence of `text` in the buffer (every character).
    bool last_run_has_colours(int slot, const std::wstring& text, COLORREF colour, COLORREF background) const;
};
