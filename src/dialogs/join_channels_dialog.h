#pragma once
#include "app/limits.h"
#include "dialogs/dialog_controls.h"

// "Join channel (favorites)" (template 202): joins a favourite channel with
// its access password, or a channel typed in; stays open for the next one.
class JoinChannelsDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void pick(HWND dialog);
    void join(HWND dialog);

    int selected_index_ = -1;
    int favorite_count_ = 0;
    HBITMAP picture_ = nullptr;
    // The access password of each entry of the combo box, in its order.
    wchar_t join_passwords_[favorite_channel_count][channel_password_capacity] = {};
};
