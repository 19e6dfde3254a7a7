#pragma once

class ChatClient;

// Gives the menu items their 16 x 16 pictures and redraws the menu bar.
void set_menu_pictures(ChatClient& client);

// Disables and greys the items that need a connection or a chat at start.
void set_initial_menu_state(ChatClient& client);
