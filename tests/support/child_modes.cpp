#include <windows.h>

#include <cstdio>
#include <string>

#include "app/chat_client.h"
#include "framework/message_box.h"

// Modes in which a test executable runs as a child of one of its own tests.
// Returns true when argv asked for one (it may not return at all).
bool run_child_mode(int argc, wchar_t** argv) {
    if (argc < 3 || std::wstring(argv[1]) != L"--construct-twice") return false;
    std::wstring box_file = argv[2];
    set_message_box_hook([box_file](HWND, const wchar_t* text, const wchar_t* caption, UINT) {
        FILE* f = _wfopen(box_file.c_str(), L"wb");
        if (f) {
            std::wstring line = std::wstring(caption) + L"|" + text;
            fwrite(line.c_str(), sizeof(wchar_t), line.size(), f);
            fclose(f);
        }
        return IDOK;
    });
    new ChatClient(SW_HIDE, L"QuillmereWindowClass", GetModuleHandleW(nullptr), L"first");
    new ChatClient(SW_HIDE, L"QuillmereWindowClass", GetModuleHandleW(nullptr), L"second");
    return true;
}
