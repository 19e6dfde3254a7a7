#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "irc/sounds.h"
#include "support/net_test_support.h"
#include "support/tone_recorder.h"

// The hidden client with its server socket connected to a loopback server
// played by the test: only the server tab is open, the user is "me".
class NumericsTest : public testing::Test {
protected:
    ChatClient& client = test_client();
    LoopbackServer server;
    std::wstring folder;
    ToneRecorder speaker;

    void SetUp() override;
    void TearDown() override;

    // Hands one received line to the numeric replies, as the dispatcher does.
    void feed(const std::wstring& line);
    // Every line the client sent since the last call.
    std::vector<std::string> sent_lines();

    int open_chat(const wchar_t* name, bool channel);
    void reopen(int& slot, const wchar_t* name, bool channel);
    void select(int slot);
    std::wstring text_of(int slot) { return net_test::chat_text(client, slot); }
    // Every tone played since the last clear, once the player is silent.
    std::vector<Tone> tones() { return speaker.tones(); }
};
