#include "app/chat_client.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_helpers.h"
#include "resources/resource_ids.h"

void refresh_channel_controls(ChatClient& client) {
    ChatRecord* chat = client.current_chat;
    // Only a channel has modes: on any other tab its items stay greyed.
    const bool channel = chat && chat->in_use && chat->is_channel;
    enable_control(client.key_icon, channel && chat->has_key);
    enable_control(client.secret_icon, channel && chat->secret);
    enable_control(client.operator_icon, channel && chat->is_operator);
    enable_control(client.moderated_icon, channel && chat->moderated);
    const bool operator_here = channel && chat->is_operator;
    for (int command = IDM_PASSWORD_ON; command <= IDM_MODERATED_OFF; ++command)
        set_menu_item_enabled(client, command, operator_here);
    set_menu_item_enabled(client, IDM_CHANGE_TOPIC, channel && (operator_here || !chat->topic_protected));
}
