#pragma once
#include <windows.h>

class ChatClient;

// WM_COMMAND is answered by groups, each in its own file, tried in turn by
// handle_command; each returns false for an id that is not its own.

// Chat and channel commands of the main window, the buffers' buttons, the user list.
bool handle_chat_command(ChatClient& client, int id, int code, HWND source);

// Items and buttons that open a dialog.
bool handle_dialog_command(ChatClient& client, int id, int code, HWND source);

// The private chat's file-transfer and IP-sharing controls.
bool handle_transfer_command(ChatClient& client, int id, int code, HWND source);

// Keys without a menu item: Find in the selected chat, moving between chats.
bool handle_key_command(ChatClient& client, int id, int code, HWND source);
