// The private chat's transfer controls: the send checks and their boxes, the
// password box, Get IP and Share my IP address.
#include <gtest/gtest.h>

#include "app/text.h"
#include "framework/message_box.h"
#include "support/box_recorder.h"
#include "net/server_socket.h"
#include "resources/resource_ids.h"
#include "support/loopback.h"
#include "support/test_client.h"
#include "transfer/file_sender.h"
#include "transfer/ip_sharing.h"
#include "transfer_fixture.h"

namespace {

// A large file without writing it: the size is set, the content left sparse.
void make_file_of_size(const std::wstring& path, long long size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

unsigned short closed_port() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback_address(0);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

}  // namespace

TEST_F(TransferTest, SendChecksShowTheirBoxAndSendNothing) {
    const std::wstring folder = make_temp_folder(L"checks");
    EXPECT_TRUE(write_file_bytes(folder + L"notes.txt", "notes"));
    const std::wstring long_name = folder + std::wstring(125, L'n');  // 129 bytes with ".zof"
    EXPECT_TRUE(write_file_bytes(long_name, "n"));
    // The code page (1252) has no form for this name: no substitute is sent.
    const std::wstring cyrillic_name = folder + L"\u0436\u0443\u0440\u043d\u0430\u043b.txt";
    EXPECT_TRUE(write_file_bytes(cyrillic_name, "j"));
    // Encrypted, 999,999,984 bytes become 1,000,000,000: one digit too many.
    make_file_of_size(folder + L"huge.iso", 999999984LL);
    make_file_of_size(folder + L"largest.iso", 999999983LL);

    struct Case {
        std::wstring path;
        const wchar_t* password;
        const wchar_t* address;
        const wchar_t* caption;
        const wchar_t* text_start;
    };
    const Case cases[] = {
        {L"", L"Fifth-pass", L"127.0.0.1", L"File not found", L"File not found.\r\nPlease selected file to send."},
        {folder + L"gone.txt", L"Fifth-pass", L"127.0.0.1", L"File not found",
         L"File not found.\r\nThe selected file doesn't exist."},
        {folder + L"notes.txt", L"Fifth-pass", L"", L"User IP address required",
         L"Please get the IP address of the user you want to send the file."},
        {folder + L"notes.txt", L"", L"127.0.0.1", L"Encryption password required",
         L"Please select the encryption password before send the file."},
        {long_name, L"Fifth-pass", L"127.0.0.1", L"File name too long", L"The file name is too long to send."},
        {cyrillic_name, L"Fifth-pass", L"127.0.0.1", L"File name not supported",
         L"The file name holds characters that cannot be sent."},
        {folder + L"huge.iso", L"Fifth-pass", L"127.0.0.1", L"File too large", L"The file is too large to send."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        BoxRecorder recorder;
        ready_to_send(c.path, c.password, c.address);
        click(IDC_SEND_FILE);
        const std::vector<BoxRecorder::Box> shown = recorder.take_boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, c.caption);
        EXPECT_EQ(shown[0].text.rfind(c.text_start, 0), 0u) << shown[0].text;
        EXPECT_EQ(active_file_senders(), 0);
    }

    // The largest file that fits passes the checks; nobody listens on the port,
    // so the send ends with the connection failure and leaves nothing behind.
    set_file_sender_port(closed_port());
    BoxRecorder recorder;
    ready_to_send(folder + L"largest.iso");
    click(IDC_SEND_FILE);
    EXPECT_EQ(recorder.count(), 0u);
    ASSERT_TRUE(wait_until([] { return active_file_senders() == 0; }));
    // The status bar shows the line break of this text as a space.
    EXPECT_TRUE(wait_until(
        [&] {
            const std::wstring shown = status_text(client, 1);
            return shown.rfind(L"Failed to connect to send file.", 0) == 0 &&
                   shown.find(L"'Allow receive files' in 'Settings/Preferences'.") != std::wstring::npos;
        },
        5000));
    EXPECT_EQ(files_in(folder).size(), 5u);  // no .zof beside the chosen files
}

TEST_F(TransferTest, PasswordBoxGetIpAndShareIpAct) {
    const std::wstring folder = make_temp_folder(L"controls");
    EXPECT_TRUE(write_file_bytes(folder + L"a.txt", "a"));
    ChatRecord& chat = ready_to_send(folder + L"a.txt", L"");
    update_send_file_button(client);
    EXPECT_FALSE(IsWindowEnabled(client.send_file_button));

    // Picking a password: the chat's, shown, encryption possible, sending too.
    SendMessageW(client.password_combo, CB_RESETCONTENT, 0, 0);
    SendMessageW(client.password_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Second-pass"));
    SendMessageW(client.password_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Fifth-pass"));
    SendMessageW(client.password_combo, CB_SETCURSEL, 1, 0);
    click(IDC_PASSWORD_COMBO, CBN_SELCHANGE, client.password_combo);
    EXPECT_STREQ(chat.password, L"Fifth-pass");
    wchar_t shown[64] = {};
    GetWindowTextW(client.password_edit, shown, 64);
    EXPECT_STREQ(shown, L"Fifth-pass");
    EXPECT_TRUE(IsWindowEnabled(client.encrypt_check));
    EXPECT_TRUE(IsWindowEnabled(client.send_file_button));
    // Other notifications of the box change nothing.
    SendMessageW(client.password_combo, CB_SETCURSEL, 0, 0);
    click(IDC_PASSWORD_COMBO, CBN_DROPDOWN, client.password_combo);
    EXPECT_STREQ(chat.password, L"Fifth-pass");

    // Share my IP address flips with each click.
    chat.share_ip = false;
    SendMessageW(client.share_ip_check, BM_SETCHECK, BST_UNCHECKED, 0);
    click(IDC_SHARE_IP);
    EXPECT_TRUE(chat.share_ip);
    EXPECT_EQ(SendMessageW(client.share_ip_check, BM_GETCHECK, 0, 0), BST_CHECKED);
    click(IDC_SHARE_IP);
    EXPECT_FALSE(chat.share_ip);
    EXPECT_EQ(SendMessageW(client.share_ip_check, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // Get IP asks the chat's user through the server.
    LoopbackServer server;
    ASSERT_TRUE(connect_to_server(client.server_socket, L"127.0.0.1", server.port()));
    ASSERT_TRUE(server.accept_client());
    click(IDC_GET_IP);
    EXPECT_EQ(server.receive_line(), "PRIVMSG bob :[ZOVGIP01]");
    close_connection(client.server_socket);
}
