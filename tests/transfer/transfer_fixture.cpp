#include "transfer_fixture.h"

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "mainwindow/main_window.h"
#include "crypto/file_crypto.h"
#include "crypto/key_cache.h"
#include "support/stored_passwords.h"
#include "support/test_client.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"
#include "transfer/receiver_limits.h"

TransferTest::TransferTest() : client(test_client()) {}

void TransferTest::SetUp() {
    client.enable_sounds_app = false;
    downloads = std::wstring(client.app_folder) + L"Downloads\\";
    for (const std::wstring& name : files_in(downloads)) DeleteFileW((downloads + name).c_str());
    set_stored_passwords(client, {{2, "Second-pass"}, {5, right_password}});
    switch_file_receiver(client, true);
    ASSERT_TRUE(wait_until([] { return file_receiver_listening(); }));
    port = file_receiver_bound_port();
    ASSERT_NE(port, 0);
}

void TransferTest::TearDown() {
    wait_until([] { return active_file_senders() == 0; });
    set_file_sender_port(8087);
    set_file_sender_window_chunks(256);
    set_receiver_limits(ReceiverLimits{});
}

std::string TransferTest::encrypted(const std::string& plain, const std::string& password) {
    const std::wstring folder = make_temp_folder(L"enc");
    EXPECT_TRUE(write_file_bytes(folder + L"plain", plain));
    const std::string narrow = narrow_text(folder.c_str(), CP_THREAD_ACP);
    encrypt_file(password, narrow + "plain", narrow + "plain.zof");
    return read_file_bytes(folder + L"plain.zof");
}

void TransferTest::show_handed_over_notices() {
    pump_messages();
    write_out_queue(client);
}

// How long a transfer takes follows the machine's load (a lock-step 3 MB
// file is thousands of round trips): the wait gives up only once the status
// bar's progress has stood still for the stall limit.
bool TransferTest::wait_served(unsigned long before) {
    constexpr DWORD stall_limit_ms = 20000;
    std::wstring progress = status_text(client, 1);
    DWORD moved = GetTickCount();
    wait_until(
        [&] {
            if (file_receiver_connections_served() > before) return true;
            const std::wstring now = status_text(client, 1);
            if (now != progress) progress = now, moved = GetTickCount();
            return GetTickCount() - moved > stall_limit_ms;
        },
        600000);
    return file_receiver_connections_served() > before;
}

ChatRecord& TransferTest::ready_to_send(const std::wstring& path, const wchar_t* password, const wchar_t* address) {
    int slot = find_chat(client, L"bob");
    if (slot < 0) slot = create_chat(client, L"bob", false);
    pump_messages();
    select_chat(client, slot);
    ChatRecord& chat = client.chats[slot];
    copy_text(chat.password, password);
    copy_text(chat.peer_ip, address);
    chat.peer_ready = true;
    SetWindowTextW(client.peer_ip_edit, address);
    SetWindowTextW(client.file_path_edit, path.c_str());
    return chat;
}

void TransferTest::click(int id, int code, HWND source) {
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(source));
}
