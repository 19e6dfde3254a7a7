#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "irc/irc_line.h"
#include "irc_fixture.h"
#include "net/server_socket.h"

namespace {

// Wine's GDI under the null display driver faults on some combining marks
// after a base of another script (U+05B3 or U+0ECD after a Latin letter);
// Windows draws them. Those blocks are left out of the random text.
bool wine_cannot_draw(wchar_t ch) {
    return (ch >= 0x0300 && ch <= 0x1DFF) || (ch >= 0x20D0 && ch <= 0x20FF) || (ch >= 0xA800 && ch <= 0xABFF) ||
           (ch >= 0xFB1D && ch <= 0xFDFF) || (ch >= 0xFE00 && ch <= 0xFE2F);
}

// Random and malformed lines, from a fixed seed so that a failure repeats.
class LineMaker {
public:
    explicit LineMaker(unsigned seed) : random_(seed) {}

    std::wstring next() {
        switch (pick(10)) {
        case 0: return random_wide(pick(400) + 1);
        case 1: return random_bytes(pick(600) + 1);
        case 2: return huge();
        default: return structured();
        }
    }

private:
    std::mt19937 random_;

    unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }

    std::wstring random_wide(size_t length) {
        std::wstring text;
        for (size_t i = 0; i < length; ++i) {
            wchar_t ch = static_cast<wchar_t>(pick(0xFFFF) + 1);  // anything but NUL, surrogates included
            if (wine_cannot_draw(ch)) ch = L'?';
            if (pick(6) == 0) ch = L' ';
            text += ch;
        }
        return text;
    }

    std::wstring random_bytes(size_t length) {
        std::string bytes;
        for (size_t i = 0; i < length; ++i) bytes += static_cast<char>(pick(255) + 1);
        return wide_text(bytes, CP_ACP);
    }

    std::wstring huge() {
        switch (pick(4)) {
        case 0: return std::wstring(65535, L' ');
        case 1: return L":n!u@h PRIVMSG #c :" + std::wstring(65536, L'x');
        case 2: return L":" + std::wstring(65536, L'n') + L"!u@h JOIN #c";
        default: {
            std::wstring line = L":srv 353 me = #c :";
            while (line.size() < 65536) line += L"@u" + std::to_wstring(pick(100000)) + L" ";
            return line;
        }
        }
    }

    std::wstring token() {
        static const wchar_t* const words[] = {
            L":n!u@h", L":me!u@h", L":bob!b@h", L":srv", L"", L":", L"!", L"#c", L"#d", L"#", L"me", L"bob",
            L"PRIVMSG", L"NOTICE", L"JOIN", L"PART", L"KICK", L"MODE", L"NICK", L"TOPIC", L"QUIT", L"PING",
            L"ERROR", L"SILENCE", L"+k", L"-k", L"+o", L"-o", L"+ov", L"+", L"-", L":+bob!*@*", L"-bob!x",
            L":[ZOVMSG01]", L":[ZOVMSG01]00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF",
            L":[ZOVUIP01]1.2.3.4", L":[ZOVUIP01]", L":[ZOVGIP01]", L":\u00C3\u00A9\u00C2", L":\u00F0\u0178",
            L"001", L"004", L"005", L"302", L"303", L"311", L"318", L"322", L"323", L"324", L"332", L"340", L"353",
            L"401", L"404", L"432", L"433", L"437", L"441", L"474", L"475", L"482", L"486", L"716", L"999",
            L":bob=+~u@h", L":me=+u@1.2.3.4", L"=", L"@", L":@me", L"+v",
        };
        switch (pick(8)) {
        case 0: return random_wide(pick(30));
        case 1: return std::wstring(pick(2000), L'a' + static_cast<wchar_t>(pick(26)));
        default: return words[pick(sizeof words / sizeof words[0])];
        }
    }

    std::wstring structured() {
        std::wstring line = token();
        const unsigned count = pick(12) + 1;
        for (unsigned i = 0; i < count; ++i) line += (pick(8) == 0 ? L"  " : L" ") + token();
        return line;
    }
};

// Registration's end would look up the public address on the internet and
// rewrite the settings: not something random lines may set off here.
bool ends_registration(const std::wstring& text) {
    IrcLine line;
    if (!split_tokens(text, line)) return false;
    const std::wstring& numeric = line.token(1);
    if (numeric.empty() || numeric.size() > 9 || numeric.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    const int value = std::stoi(numeric);
    return value == 376 || value == 422;
}

class HostileInput : public IrcTest {
protected:
    void reconnect() {
        if (client.server_socket.connected) close_connection(client.server_socket);
        server.close_client();
        ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
        ASSERT_TRUE(server.accept_client());
    }
    // The client still answers: a PING line gets its PONG.
    void expect_alive() {
        reconnect();
        dispatch(L"PING :alive");
        std::vector<std::string> sent = sent_lines();
        EXPECT_NE(std::find(sent.begin(), sent.end(), "PONG :alive"), sent.end());
    }
    void open_some_chats() {
        open_channel(L"#c");
        open_channel(L"#d");
        open_private(L"bob");
    }
};

TEST_F(HostileInput, RandomLinesOnTheUserInterfaceThread) {
    open_some_chats();
    LineMaker maker(20240601);
    for (int i = 0; i < 2500; ++i) {
        std::wstring line = maker.next();
        if (ends_registration(line)) continue;
        dispatch(line);
        if (!client.server_socket.connected) reconnect();
        if (i % 500 == 0) open_some_chats();
    }
    for (int slot = 1; slot < chat_slot_count; ++slot) {
        if (client.chats[slot].in_use) {
            EXPECT_FALSE(chat_name(client, slot).empty());
        }
    }
    EXPECT_LE(client.private_chat_count, 17);
    EXPECT_LE(client.channel_count, 17);
    expect_alive();
}

TEST_F(HostileInput, RandomLinesFromTheReceiveThread) {
    open_some_chats();
    LineMaker maker(777);
    std::vector<std::wstring> lines;
    while (lines.size() < 1000) {
        std::wstring line = maker.next();
        if (!ends_registration(line)) lines.push_back(line);
    }
    dispatch_from_receive_thread(lines);
    expect_alive();
}

TEST_F(HostileInput, MissingTokensReadAsEmpty) {
    open_some_chats();
    const wchar_t* const lines[] = {
        L":n!u@h PRIVMSG", L":n!u@h PRIVMSG ", L":n!u@h PRIVMSG #c", L":n!u@h NOTICE", L":n!u@h JOIN",
        L":n!u@h JOIN :", L":n!u@h PART", L":n!u@h KICK", L":n!u@h KICK #c", L":n!u@h MODE", L":n!u@h MODE #c",
        L":n!u@h NICK", L":n!u@h NICK :", L":n!u@h TOPIC", L":n!u@h QUIT", L"PING ", L"SILENCE ", L"SILENCE !",
        L"SILENCE +!", L": PRIVMSG me :x", L"! PRIVMSG me :x", L":srv 353", L":srv 353 me = #c", L":srv 001",
        L":srv 302 me", L":srv 324 me #c", L":srv 332 me", L":srv 441 me", L" ", L"  ",
    };
    for (const wchar_t* line : lines) dispatch(line);
    EXPECT_EQ(find_chat(client, L""), -1);
    expect_alive();
}

}  // namespace
