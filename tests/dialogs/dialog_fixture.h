#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/chat_client.h"
#include "support/loopback.h"
#include "support/modal_dialog.h"

// The hidden test client in a fresh program folder, its boxes recorded, and
// dialogs opened through the main window's commands as the user opens them.
class DialogTest : public testing::Test {
protected:
    ChatClient& client;
    std::wstring folder, ini;
    BoxRecorder boxes;

    DialogTest();
    void TearDown() override;

    // Shows the dialog of menu command `command` and drives it; false when none opened.
    bool with_dialog(int command, const std::function<void(HWND)>& drive);

    void write(const wchar_t* section, const wchar_t* key, const std::wstring& value);
    std::wstring read(const wchar_t* section, const wchar_t* key);
    // A key that is not in the file at all (not merely empty).
    bool missing(const wchar_t* section, const wchar_t* key);
};

// DialogTest with the client connected to a loopback server the test plays.
class ConnectedDialogTest : public DialogTest {
protected:
    LoopbackServer server;
    void SetUp() override;
    void TearDown() override;
    // Every line the client sent since the last call.
    std::vector<std::string> sent_lines();
};

std::wstring item_text_of(HWND dialog, int id);
