#pragma once
#include "dialogs/dialog_controls.h"

// The dialogs of the Settings menu. Each writes the values that pass its
// rules row by row, reloads its group so that memory matches the file, and
// stays open (the user's text kept) when it refused a value.

// "Encryption Passwords" (template 200): the 16 passwords.
class PasswordsDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void save(HWND dialog);
};

// "Channels (favorite)" (template 201): 15 channels with key and auto-join.
class ChannelsDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void save(HWND dialog);
};

// "Servers and User IDs" (template 204): 15 servers with the identity to use.
class ServersNicknamesDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void save(HWND dialog);
};

// "Preferences" (template 205): the switches and two texts of [preferences].
class PreferencesDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void open(HWND dialog);
    void save(HWND dialog);
};
