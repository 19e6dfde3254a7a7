#include <windows.h>
#include <commctrl.h>

#include "app/chat_client.h"
#include "mainwindow/build_steps.h"

namespace {
struct Tip {
    HWND ChatClient::*control;
    const wchar_t* text;
};

const Tip tips[] = {
    {&ChatClient::key_icon, L"An access password is required to join this channel"},
    {&ChatClient::secret_icon, L"This channel doesn't appear in the channel list of the server"},
    {&ChatClient::operator_icon, L"You are operator of this channel"},
    {&ChatClient::moderated_icon, L"This channel is moderated"},
    {&ChatClient::compatible_icon, L"This user is compatible with the AES-256 bits encryption system"},
    {&ChatClient::nicknames_online_button, L"Nicknames online"},
    {&ChatClient::clear_button, L"Clear"},
    {&ChatClient::save_chat_button, L"Save chat"},
    {&ChatClient::scroll_end_button, L"Scroll to end"},
    {&ChatClient::paste_send_button, L"Paste and Send message"},
    {&ChatClient::send_button, L"Send message"},
};
}  // namespace

void create_tooltips(ChatClient& client) {
    for (const Tip& tip : tips) {
        HWND control = client.*tip.control;
        if (!control) continue;
        HWND window = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_BALLOON,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, client.main_window,
                                      nullptr, client.instance, nullptr);
        if (!window) continue;
        TTTOOLINFOW info{};
        // The older record size: accepted by every version of the common controls.
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = client.main_window;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = const_cast<wchar_t*>(tip.text);
        SendMessageW(window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}
