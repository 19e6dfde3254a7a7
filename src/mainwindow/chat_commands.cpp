#include "mainwindow/command_groups.h"

#include "app/chat_client.h"

bool handle_chat_command(ChatClient& client, int id, int code, HWND source) {
    return false;
}
