#pragma once
#include "dialogs/dialog_controls.h"

// "Nicknames (favorite)" (template 209): 15 favourite nicknames, which of
// them the server last said were online, and a private chat with one of them.
class NicknamesFavoritesDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

    // Shows the online state of each stored favourite (after an ISON reply).
    void refresh_favorites_status();
    bool is_visible() const { return dialog_window_ && IsWindowVisible(dialog_window_); }

private:
    void open(HWND dialog);
    void save(HWND dialog);

    HWND dialog_window_ = nullptr;
    bool connected_at_open_ = false;
    HBITMAP unknown_ = nullptr, offline_ = nullptr, online_ = nullptr;
};

// Sends one ISON for the stored favourites (nothing when there are none) and
// clears their online marks until the reply. User-interface thread.
void check_favorites_online(ChatClient& client);

// Starts timer 1 (while connected) or stops it. Its running mark is set only
// when the timer really runs, so that the end of the next registration starts
// it when the check was switched on offline.
void set_favorites_timer(ChatClient& client, bool on);

// The ISON reply: the open favourites dialog, if any, shows the new state.
// False when the dialog is not on the screen.
bool refresh_open_favorites_dialog(ChatClient& client);
