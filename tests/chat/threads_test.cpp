#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "controls/buffer_edit.h"
#include "support/test_client.h"

namespace {

using Threads = ChatTest;

// Numbers of the lines of the buffer that start with `tag`, in buffer order.
std::vector<int> numbers_of(const std::wstring& text, const std::wstring& tag) {
    std::vector<int> numbers;
    for (size_t at = 0; (at = text.find(tag, at)) != std::wstring::npos; at += tag.size())
        if (at == 0 || text[at - 1] == L'\n') numbers.push_back(std::stoi(text.substr(at + tag.size())));
    return numbers;
}

std::vector<int> zero_to(int count) {
    std::vector<int> numbers(count);
    for (int n = 0; n < count; ++n) numbers[n] = n;
    return numbers;
}

TEST_F(Threads, AppendsFromAnotherThreadKeepTheirOrderWhileTabsComeAndGo) {
    const int slot = open_private_chat(client, L"steady", false);
    ASSERT_GT(slot, 0);
    give_view_size(slot);
    constexpr int worker_lines = 600;
    int ui_lines = 0;
    const bool finished = run_beside_ui(
        [&] {
            for (int n = 0; n < worker_lines; ++n) {
                append_chat_text(format_text(L"w %d", n).c_str(), client, slot, colour_private_message, colour_black,
                                 true);
                if (n % 50 == 0) {
                    // The receive thread opens and closes tabs the same way.
                    open_private_chat(client, L"passing", false);
                    close_chat(client, L"passing");
                }
            }
        },
        [&](int step) {
            const std::wstring name = format_text(L"#tab%d", step % 3);
            if (find_chat(client, name.c_str()) > 0)
                close_chat(client, name.c_str());
            else
                create_chat(client, name.c_str(), true);
            append_chat_text(format_text(L"u %d", ui_lines++).c_str(), client, slot, colour_server_text, colour_black,
                             true);
            // The reader scrolls up now and then and comes back to the end.
            if (step % 7 == 0) SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
            if (step % 7 == 3) append_chat_text(L"", client, slot, 0, 0, false);
        });
    ASSERT_TRUE(finished);
    append_chat_text(L"", client, slot, 0, 0, false);

    const std::wstring text = buffer_text(slot);
    EXPECT_EQ(numbers_of(text, L"w "), zero_to(worker_lines));
    EXPECT_EQ(numbers_of(text, L"u "), zero_to(ui_lines));
    EXPECT_EQ(find_chat(client, L"passing"), -1);
}

TEST_F(Threads, WindowsOfChatsOpenedElsewhereBelongToTheInterfaceThread) {
    int slot = -1;
    ASSERT_TRUE(run_beside_ui(
        [&] {
            slot = open_private_chat(client, L"remote", false);
            set_user_host(client, slot, L"z-zuser@example");
            set_peer_ip(client, slot, L"127.0.0.1");
        }));
    ASSERT_GT(slot, 0);
    const DWORD ui_thread = GetCurrentThreadId();
    EXPECT_EQ(GetWindowThreadProcessId(client.chats[slot].buffer->window, nullptr), ui_thread);
    EXPECT_EQ(GetWindowThreadProcessId(client.chats[slot].button, nullptr), ui_thread);
    EXPECT_STREQ(client.chats[slot].user_host, L"z-zuser@example");
    EXPECT_STREQ(client.chats[slot].peer_ip, L"127.0.0.1");
    EXPECT_TRUE(client.chats[slot].peer_ready);
    EXPECT_EQ(buffer_text(slot), L"********** Private chat with [ remote ] **********\r\n\r\n");
}

// Lines written from another thread go in batches through a different path
// than the interface thread's own appends: each keeps its own colours all the
// same, including the non-ASCII, bracket and backslash characters that a
// batched write has to carry over intact.
TEST_F(Threads, LinesFromAnotherThreadKeepTheirTextAndColours) {
    struct Case {
        const wchar_t* text;
        COLORREF colour, back;
    } cases[] = {
        {L"srv {brace} \\back", colour_server_text, colour_black},
        {L"err caf\u00E9 \u20AC", colour_error_text, colour_error_back},
        {L"[nick]", colour_nick, colour_black},
        {L"chan \u05D0\u05D1 text", colour_channel_message, colour_black},
        {L"away reply", colour_white, colour_away_back},
        {L"mention here", colour_mention, colour_black},
    };
    const int slot = create_chat(client, L"#colours", true);
    ASSERT_GT(slot, 0);
    ASSERT_TRUE(run_beside_ui(
        [&] {
            for (int round = 0; round < 3; ++round)
                for (const Case& c : cases) append_chat_text(c.text, client, slot, c.colour, c.back, true);
        }));
    HWND buffer = buffer_window(slot);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FINDTEXTEXW find{{0, -1}, c.text, {0, 0}};
        int found = 0;
        while (SendMessageW(buffer, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)) >= 0) {
            ++found;
            SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
            CHARFORMAT2W format{};
            format.cbSize = sizeof format;
            SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            EXPECT_TRUE((format.dwMask & CFM_COLOR) && (format.dwMask & CFM_BACKCOLOR));
            EXPECT_EQ(format.crTextColor, c.colour);
            EXPECT_EQ(format.crBackColor, c.back);
            EXPECT_TRUE(format.dwEffects & CFE_BOLD);
            find.chrg.cpMin = find.chrgText.cpMax;
        }
        EXPECT_EQ(found, 3);
    }
    close_chat(client, L"#colours");
}

}  // namespace
