#pragma once
#include <string>

#include "dialogs/dialog_controls.h"
#include "irc/server_account.h"

// The dialogs of the Settings menu. Each writes the values that pass its
// rules row by row, reloads its group so that memory matches the file, and
// stays open (the user's text kept) when it refused a value.

// What the four have in common: fill on opening, OK saves (and closes only
// when every value passed), Cancel closes; other commands go to `command`.
class SettingsDialog : public ClientDialog {
public:
    using ClientDialog::ClientDialog;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) override;

protected:
    virtual void open(HWND dialog) = 0;
    virtual void save(HWND dialog) = 0;
    virtual bool command(HWND, WPARAM) { return false; }
};

// "Encryption Passwords" (template 200): the 16 passwords.
class PasswordsDialog : public SettingsDialog {
public:
    using SettingsDialog::SettingsDialog;

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
};

// "Channels (favorite)" (template 201): 15 channels with key and auto-join.
class ChannelsDialog : public SettingsDialog {
public:
    using SettingsDialog::SettingsDialog;

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
};

// "Servers and User IDs" (template 204): 15 servers with the identity to use.
class ServersNicknamesDialog : public SettingsDialog {
public:
    using SettingsDialog::SettingsDialog;

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
    bool command(HWND dialog, WPARAM wparam) override;
};

// "Preferences" (template 205): the switches and two texts of [preferences].
class PreferencesDialog : public SettingsDialog {
public:
    using SettingsDialog::SettingsDialog;

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
    bool command(HWND dialog, WPARAM wparam) override;
};

// "Proxy" (template 211), the preferences' "Proxy..." button: the SOCKS5
// proxy of [preferences], saved on OK (a port from 1 to 65535 when it is on).
class ProxyDialog : public SettingsDialog {
public:
    using SettingsDialog::SettingsDialog;

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
    bool command(HWND dialog, WPARAM wparam) override;
};

// "Server password and account" (template 210), the "..." of a row of the
// servers dialog: stored server `number`'s PASS and account login, saved on OK.
class ServerAccountDialog : public SettingsDialog {
public:
    ServerAccountDialog(HINSTANCE instance, int template_id, HWND owner, ChatClient& client, int number)
        : SettingsDialog(instance, template_id, owner, client), number_(number) {}

private:
    void open(HWND dialog) override;
    void save(HWND dialog) override;
    int number_;
};

// The login a Connect will use, in one line ("Login: alice (PLAIN)").
std::wstring login_summary(const ServerAccount& account);
