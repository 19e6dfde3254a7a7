#include "app/chat_client.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_pictures.h"
#include "resources/resource_ids.h"

void set_menu_item_enabled(ChatClient& client, int command, bool enabled) {
    if (!client.menu) return;
    EnableMenuItem(client.menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
}

void set_initial_menu_state(ChatClient& client) {
    // Everything here needs a connection, a channel or a chat; the rest of the
    // menu stays enabled.
    static const int needs_more[] = {
        IDM_DISCONNECT,   IDM_SILENCE_ON,       IDM_SILENCE_OFF,        IDM_JOIN_FAVORITE_CHANNELS,
        IDM_PASSWORD_ON,  IDM_PASSWORD_OFF,     IDM_SECRET_ON,          IDM_SECRET_OFF,
        IDM_MODERATED_ON, IDM_MODERATED_OFF,    IDM_CHANGE_TOPIC,       IDM_USERS_IN_OUT,
        IDM_MESSAGES,     IDM_AUTO_PROCESS_LINKS, IDM_MESSAGE_SOUND,
    };
    for (int command : needs_more) set_menu_item_enabled(client, command, false);
}
