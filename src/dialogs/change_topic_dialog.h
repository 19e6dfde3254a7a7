#pragma once
#include <string>

#include "dialogs/dialog_controls.h"

// "Change Topic" (template 208): a new topic for the selected channel.
class ChangeTopicDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;
};

// Sends "TOPIC <chat> :<text>" for a chat other than the server tab; an empty
// text sends nothing (a topic cannot be cleared this way).
void send_topic(int slot, const std::wstring& text, ChatClient& client);
