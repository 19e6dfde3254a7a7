#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/limits.h"
#include "chat/chat_record.h"
#include "framework/basic_window.h"
#include "framework/dialog.h"
#include "connection/connection_params.h"
#include "net/server_socket.h"

class InputEdit;
class FindBox;

struct FavoriteChannel {
    wchar_t name[channel_name_capacity] = {};
    wchar_t password[channel_password_capacity] = {};
    bool autojoin = false;
};

struct StoredServer {
    wchar_t name[server_name_capacity] = {};
    wchar_t port[port_capacity] = {};
    wchar_t nickname[nickname_capacity] = {};
    wchar_t username[username_capacity] = {};
    bool tls = false;
};

struct FavoriteNickname {
    wchar_t nickname[nickname_capacity] = {};
    bool online = false;
};

// The application: the main window's object and the owner of all shared state.
// Slots of the 1-based tables below are used from index 1; index 0 is unused
// so that numbers match the settings file's keys.
class ChatClient : public BasicWindow {
public:
    ChatClient(int show_command, const wchar_t* class_name, HINSTANCE instance, const wchar_t* title);
    ~ChatClient() override;
    ChatClient(const ChatClient&) = delete;
    ChatClient& operator=(const ChatClient&) = delete;

    LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

    HMENU menu = nullptr;

    // Settings mirror.
    // Passwords are read by the receive thread while the UI thread may reload
    // them: every access goes through password_lock.
    char encryption_passwords[password_count + 1][password_capacity] = {};
    mutable std::mutex password_lock;
    FavoriteChannel favorite_channels[favorite_channel_count + 1];
    StoredServer servers[server_count + 1];
    // The switches are read on the receive thread while a dialog may reload
    // them: each is atomic. The refusal text is read and written under
    // preference_text_lock.
    std::atomic<bool> allow_receive_files{true};
    std::atomic<bool> allow_open_private_chats{true};
    std::atomic<bool> reply_away_message{false};
    std::atomic<bool> show_rejected_message{true};
    std::atomic<bool> check_compatible_app{true};
    std::atomic<bool> enable_sounds_app{true};
    std::atomic<bool> save_log_file{false};
    std::atomic<bool> enable_http_open{false};
    std::atomic<bool> enable_https_only{true};
    std::atomic<bool> enable_http_prc_images{true};
    std::atomic<bool> enable_http_prc_videos{true};
    std::atomic<bool> enable_http_prc_web_pages{true};
    std::atomic<bool> auto_reconnect{true};
    std::atomic<bool> notify_on_mention{true};
    std::atomic<bool> show_times{true};
    std::atomic<bool> answer_ctcp_version{true};
    std::atomic<bool> strip_formatting{false};
    mutable std::mutex preference_text_lock;
    wchar_t msg_dont_allow_open_private_chats[refusal_message_capacity] = {};
    wchar_t nicknames_keywords_filter[keywords_capacity] = {};
    wchar_t highlight_words[keywords_capacity] = {};  // under preference_text_lock
    std::vector<std::string> filter_keywords;
    FavoriteNickname favorite_nicknames[favorite_nickname_count + 1];
    bool check_nicknames_online_time = false;
    wchar_t app_folder[app_folder_capacity] = {};

    // Connection.
    ServerSocket server_socket;
    ConnectionParams connection;

    // Chat views.
    ChatRecord chats[chat_slot_count];
    ChatRecord* current_chat = nullptr;
    // Changed where a slot is taken or freed (chat/chat_tabs.cpp), on any thread.
    std::atomic<int> channel_count{0};
    std::atomic<int> private_chat_count{0};

    // Dialogs, created with the controls and kept for the whole run.
    std::unique_ptr<Dialog> about_dialog, connect_dialog, passwords_dialog, channels_dialog,
        join_channels_dialog, join_all_channels_dialog, servers_nicknames_dialog, preferences_dialog,
        manual_features_dialog, manual_procedures_dialog, change_topic_dialog, nicknames_favorites_dialog;

    // Controls and drawing.
    std::unique_ptr<InputEdit> input_edit;
    std::unique_ptr<FindBox> find_box;  // made at the first Ctrl+F
    // The scale the window is drawn at; the fonts and pictures are made for it.
    UINT dpi = 96;
    HFONT font_normal = nullptr;
    HFONT font_small = nullptr;
    HBRUSH background_brush = nullptr;
    bool favorites_timer_running = false;
    HWND input_window = nullptr, status_bar = nullptr, title_edit = nullptr, close_tab_button = nullptr,
         users_label = nullptr, private_chat_button = nullptr, kick_button = nullptr, voice_off_button = nullptr,
         voice_on_button = nullptr, filter_users_check = nullptr, encrypt_check = nullptr, tabs_group = nullptr,
         encrypt_banner = nullptr, encrypted_text_edit = nullptr, share_ip_check = nullptr,
         password_label = nullptr, password_combo = nullptr, password_edit = nullptr, user_info_group = nullptr,
         user_info_edit = nullptr, file_transfer_group = nullptr, peer_ip_edit = nullptr, get_ip_button = nullptr,
         file_path_edit = nullptr, browse_button = nullptr, send_file_button = nullptr, moderated_icon = nullptr,
         operator_icon = nullptr, secret_icon = nullptr, key_icon = nullptr, compatible_icon = nullptr,
         lock_icon = nullptr, connection_image = nullptr, nicknames_online_button = nullptr,
         clear_button = nullptr, save_chat_button = nullptr, scroll_end_button = nullptr,
         paste_send_button = nullptr, send_button = nullptr, logo_button = nullptr,
         identification_group = nullptr, server_name_label = nullptr, server_name_edit = nullptr,
         nickname_label = nullptr, nickname_edit = nullptr, my_ip_label = nullptr, my_ip_edit = nullptr,
         title_band = nullptr;

    // Other state.
    wchar_t silence_all_but[silence_all_but_capacity] = {};
    std::atomic<unsigned> stats_urls{0}, stats_mentions{0}, stats_chats_accepted{0}, stats_chats_refused{0},
        stats_away_replies{0};
    std::vector<std::string> channel_directory;
    int directory_row_count = 0;
    wchar_t directory_cache_server[directory_server_capacity] = {};

    // Asks before exiting; posts the quit message unless the answer is No.
    void confirm_exit();
    // The shutdown sequence after the message loop.
    void shut_down();
};

// The one instance, for code that has no object at hand (threads, controls).
// Cleared by retire_client before the instance goes.
extern std::atomic<ChatClient*> the_client;

// For threads that may outlive the client (downloads, the address lookup, a
// notice from any thread): runs `use` with the client while it cannot be
// retired. False, without running it, once there is none. `use` must not wait
// for the user-interface thread (which may be retiring the client).
bool use_live_client(const std::function<void(ChatClient&)>& use);

// Clears the_client when it is `client`, after any use_live_client in
// progress; from then on no other thread reaches it.
void retire_client(const ChatClient& client);

// Set at process start, cleared when the main window has finished building.
extern std::atomic<bool> startup_in_progress;



// Time given to QUIT to reach the server before the socket closes, after a
// Disconnect (the window goes on meanwhile).
constexpr unsigned quit_wait_ms = 2000;
// At exit, the window waits at most this long for the QUIT to leave.
constexpr unsigned quit_leave_wait_ms = 500;
