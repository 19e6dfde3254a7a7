#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/chat_client.h"
#include "irc/sounds.h"
#include "support/loopback.h"
#include "support/tone_recorder.h"

// A piece of chat text and its colours as the buffer holds them.
struct TextRun {
    std::wstring text;
    COLORREF colour;
    COLORREF background;
    bool operator==(const TextRun& other) const {
        return text == other.text && colour == other.colour && background == other.background;
    }
};
using ChatLine = std::vector<TextRun>;
std::ostream& operator<<(std::ostream& out, const TextRun& run);

// The one hidden client with its server socket connected to a loopback server
// played by the test; only the server tab is open, the user is "me", tones
// are recorded rather than played and every switch is at its default.
class IrcTest : public testing::Test {
protected:
    ChatClient& client;
    LoopbackServer server;
    ToneRecorder speaker;

    IrcTest();
    void SetUp() override;
    void TearDown() override;

    // On this (the user-interface) thread, as a direct call.
    void dispatch(const std::wstring& line);
    // On a second thread standing for the receive thread, while this thread
    // pumps the messages it sends.
    void dispatch_from_receive_thread(const std::vector<std::wstring>& lines);

    // Every line the client sent to the server since the last call.
    std::vector<std::string> sent_lines();

    int open_channel(const wchar_t* name);
    int open_private(const wchar_t* name);
    void select(int slot);

    // The slot's text, line by line (empty lines left out), with colours.
    std::vector<ChatLine> chat_lines(int slot);
    // The slot's text as plain lines.
    std::vector<std::wstring> chat_texts(int slot);
    std::wstring status_text(int part);
    // Every tone played since the last clear, once the player is silent.
    std::vector<Tone> tones() { return speaker.tones(); }
};

// A line of runs, for expectations.
TextRun run(const wchar_t* text, COLORREF colour, COLORREF background = RGB(0, 0, 0));
