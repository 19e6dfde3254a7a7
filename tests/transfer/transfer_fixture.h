#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/chat_client.h"
#include "transfer_peer.h"

// The test client with its file receiver listening (on a port of the
// system's choosing), an empty Downloads folder and passwords in slots 2 and 5.
class TransferTest : public testing::Test {
protected:
    ChatClient& client;
    std::wstring downloads;
    unsigned short port = 0;

    TransferTest();
    void SetUp() override;
    void TearDown() override;

    // The encrypted form of `plain` under `password`, made by the program's
    // file encryption (checked against OpenSSL in the crypto tests).
    std::string encrypted(const std::string& plain, const std::string& password);
    // Waits until the receiver has ended one more connection than `before`.
    bool wait_served(unsigned long before);
    // The notices of threads that have ended (or been joined): they wait in
    // the window's queue.
    void show_handed_over_notices();
    std::vector<std::wstring> downloads_files() const { return files_in(downloads); }
    // The private chat with "bob", selected, ready to send `path` to 127.0.0.1
    // under `password` (empty fields stay empty).
    ChatRecord& ready_to_send(const std::wstring& path, const wchar_t* password = L"Fifth-pass",
                              const wchar_t* address = L"127.0.0.1");
    void click(int id, int code = BN_CLICKED, HWND source = nullptr);
};

constexpr char right_password[] = "Fifth-pass";
