#include "app/chat_client.h"

#include "controls/find_box.h"
#include "controls/input_edit.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "framework/fatal_error.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

std::atomic<ChatClient*> the_client{nullptr};
std::atomic<bool> startup_in_progress{true};

namespace {
// Never destroyed: a thread that outlives the client may still ask for it
// while the process's static objects are going. Recursive, so that a use
// may show a notice, which asks for the client again.
std::recursive_mutex& client_lifetime_lock() {
    static std::recursive_mutex* lock = new std::recursive_mutex;
    return *lock;
}

void reset_slots(ChatClient& client) {
    for (int slot = 0; slot < chat_slot_count; ++slot) {
        ChatRecord& chat = client.chats[slot];
        chat.slot = slot;
        chat.control_id = 200 + 2 * slot;
    }
}
}  // namespace

bool use_live_client(const std::function<void(ChatClient&)>& use) {
    std::lock_guard<std::recursive_mutex> guard(client_lifetime_lock());
    ChatClient* client = the_client;
    if (!client) return false;
    use(*client);
    return true;
}

void retire_client(const ChatClient& client) {
    std::lock_guard<std::recursive_mutex> guard(client_lifetime_lock());
    ChatClient* expected = const_cast<ChatClient*>(&client);
    the_client.compare_exchange_strong(expected, nullptr);
}

ChatClient::ChatClient(int show, const wchar_t* class_name_text, HINSTANCE module, const wchar_t* title) {
    instance = module;
    class_name = class_name_text;
    window_title = title;
    icon_id = IDI_QUILLMERE;
    small_icon_id = IDI_QUILLMERE_SMALL;
    menu_id = IDR_MAIN_MENU;
    show_command = show;
    if (!register_window_class(*this)) fatal_error(L"Register window class of the application.");
    connection.socket = &server_socket;
    reset_slots(*this);
    chats[0].unread = false;
    current_chat = &chats[0];
    the_client = this;
}

ChatClient::~ChatClient() {
    retire_client(*this);
}
