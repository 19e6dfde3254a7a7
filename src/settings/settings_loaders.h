#pragma once

class ChatClient;

// One loader per settings group; load_settings picks among them.
void load_password_settings(ChatClient& client);
void load_channel_settings(ChatClient& client);
void load_server_settings(ChatClient& client);
void load_server_default_settings(ChatClient& client);
void load_preference_settings(ChatClient& client);
void load_favorite_nickname_settings(ChatClient& client);
