// Figures for appending chat lines: microseconds per line written on the
// user-interface thread as the buffer grows towards its scrollback, per line
// held back while the reader has scrolled up, per line handed over from
// another thread (the other thread's own cost, and the time until the lines
// are in the buffer), and per line into a buffer left at zero size.
// Usage: bench_chat_append [lines per stage, default 500] [scrollback characters] [times|notimes]
// (the time in front of each line: on unless "notimes")
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench_clock.h"
#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/irc_formatting.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"
#include "framework/basic_window.h"

namespace {

const std::wstring line_text = std::wstring(L"<somebody> ") + std::wstring(189, L'x');  // 200 characters

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The same 200 characters as a sender formats them: bold, colours, italics.
const std::wstring formatted_text = std::wstring(L"<somebody> \x02") + std::wstring(40, L'b') + L"\x02 \x03" L"4," L"2" +
                                    std::wstring(60, L'c') + L"\x03 \x1D" + std::wstring(87, L'i') + L"\x0F";

double append_lines(ChatClient& client, int slot, int count, bool formatted = false) {
    const FormattedText parsed = parse_formatting(formatted_text);
    const std::vector<PendingLine> line{PendingLine{parsed.text, colour_channel_message, colour_black, true, parsed.runs}};
    const double start = now_seconds();
    for (int n = 0; n < count; ++n) {
        if (formatted)
            append_chat_line(client, slot, line);
        else
            append_chat_text(line_text.c_str(), client, slot, colour_channel_message, colour_black, true);
    }
    return (now_seconds() - start) * 1e6 / count;
}

long buffer_length(ChatClient& client, int slot) {
    return GetWindowTextLengthW(client.chats[slot].buffer->window);
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 500;
    LoadLibraryW(L"Msftedit.dll");
    ChatClient client(SW_HIDE, L"QuillmereBenchClass", GetModuleHandleW(nullptr), L"bench");
    if (!create_main_window(client)) return 1;
    if (!client.chats[0].in_use) create_chat(client, L"IRC Server", false);
    const int slot = open_private_chat(client, L"bench", false);
    HWND buffer = client.chats[slot].buffer->window;
    MoveWindow(buffer, 255, 35, 776, 500, FALSE);

    const long limit = argc > 2 ? std::atol(argv[2]) : default_scrollback_limit;
    set_scrollback_limit(limit);
    client.show_times = !(argc > 3 && std::string(argv[3]) == "notimes");
    std::printf("lines of %d characters, %d per stage, scrollback %ld characters, times %s\n",
                static_cast<int>(line_text.size()), lines, limit, client.show_times ? "on" : "off");
    std::printf("%-44s %12s %14s\n", "stage", "us per line", "buffer chars");
    for (long target : {0L, limit / 4, limit / 2, limit - limit / 10}) {
        while (buffer_length(client, slot) < target) append_lines(client, slot, 50);
        const std::string stage = "written at the end, buffer from " + std::to_string(buffer_length(client, slot));
        const double cost = append_lines(client, slot, lines);
        std::printf("%-44s %12.1f %14ld\n", stage.c_str(), cost, buffer_length(client, slot));
    }
    // Past the limit every few dozen lines drop the oldest ones.
    std::printf("%-44s %12.1f %14ld\n", "written at the scrollback limit", append_lines(client, slot, lines * 2),
                buffer_length(client, slot));

    SendMessageW(buffer, WM_VSCROLL, SB_TOP, 0);
    std::printf("%-44s %12.1f %14ld\n", "held back (scrolled up)", append_lines(client, slot, lines),
                buffer_length(client, slot));
    double start = now_seconds();
    append_chat_text(L"", client, slot, 0, 0, false);
    std::printf("%-44s %12.1f\n", "released on scrolling to end (per line)", (now_seconds() - start) * 1e6 / lines);

    for (bool formatted : {false, true}) {
        clear_chat(client, slot);
        std::atomic<bool> done{false};
        double worker_cost = 0;
        start = now_seconds();
        std::thread worker([&] {
            worker_cost = append_lines(client, slot, lines, formatted);
            done = true;
        });
        while (!done) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump();
        }
        worker.join();
        std::printf("%-44s %12.1f %14ld\n",
                    formatted ? "handed over, formatted by its sender" : "handed over from another thread", worker_cost,
                    buffer_length(client, slot));
        const long expected = static_cast<long>(lines) * static_cast<long>(line_text.size() + 2);
        while (buffer_length(client, slot) < expected) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump();
        }
        std::printf("%-44s %12.1f %14ld\n", "  ... until in the buffer (per line)",
                    (now_seconds() - start) * 1e6 / lines, buffer_length(client, slot));
    }

    clear_chat(client, slot);
    MoveWindow(buffer, 0, 0, 0, 0, FALSE);
    const int few = lines / 10 > 0 ? lines / 10 : 1;
    std::printf("%-44s %12.1f %14ld\n", "zero-size buffer (text wraps per character)", append_lines(client, slot, few),
                buffer_length(client, slot));
    return 0;
}
