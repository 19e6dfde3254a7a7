#pragma once

// Program-wide limits. Text capacities count wide characters including the
// terminating zero unless said otherwise.
constexpr int chat_slot_count = 34;
constexpr int first_private_slot = 1;
constexpr int last_private_slot = 16;
constexpr int first_channel_slot = 17;
constexpr int last_channel_slot = 33;
constexpr int max_private_chats = 16;
constexpr int max_channels = 17;

constexpr int password_count = 16;        // slots 1..16
constexpr int password_capacity = 64;     // 63 bytes of 8-bit text
constexpr int min_secret_length = 6;      // stored passwords, nicknames, user names
constexpr int favorite_channel_count = 15;
constexpr int server_count = 15;
constexpr int favorite_nickname_count = 15;

constexpr int nickname_capacity = 35;
constexpr int username_capacity = 11;
constexpr int server_name_capacity = 64;
constexpr int port_capacity = 5;
constexpr int channel_name_capacity = 205;
constexpr int channel_password_capacity = 64;
constexpr int refusal_message_capacity = 100;
constexpr int keywords_capacity = 256;
constexpr int app_folder_capacity = 260;
constexpr int input_line_limit = 479;
// Typing stops at the limit above; a paste of several lines may bring more.
constexpr int pasted_text_limit = 32768;
constexpr int silence_all_but_capacity = 35;
constexpr int directory_server_capacity = 64;
constexpr int window_text_capacity = 100;  // title and class name from the string table

// Timer 1: the favourite-nicknames check.
constexpr unsigned favorites_timer_id = 1;
constexpr unsigned favorites_timer_period_ms = 120000;
