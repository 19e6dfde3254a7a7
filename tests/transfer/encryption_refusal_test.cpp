// What the send command cannot encrypt it refuses with the encryption error,
// before any sender starts.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "support/file_bytes.h"
#include "support/modal_dialog.h"
#include "support/test_client.h"
#include "transfer/file_sender.h"
#include "transfer_fixture.h"

TEST_F(TransferTest, WhatCannotBeEncryptedIsRefusedWithTheEncryptionError) {
    const std::wstring folder = make_temp_folder(L"unencryptable");
    write_file_bytes(folder + L"locked.txt", "held by another program");
    write_file_bytes(folder + L"plain.txt", "fine");
    ASSERT_TRUE(CreateDirectoryW((folder + L"album").c_str(), nullptr));
    // Another program holds this one open and lets nobody read it.
    HANDLE holder = CreateFileW((folder + L"locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const struct {
        const wchar_t* name;
        const wchar_t* password;
    } cases[] = {
        {L"locked.txt", L"Fifth-pass"},
        {L"album", L"Fifth-pass"},  // a folder exists, yet is no file to read
        {L"plain.txt", L"\u041f\u0430\u0440\u043e\u043b\u044c-1"},  // no 8-bit form to derive the key from
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BoxRecorder boxes;
        ready_to_send(folder + c.name, c.password);
        click(IDC_SEND_FILE);
        EXPECT_EQ(boxes.take(), L"Encryption error: Encryption error.\n");
        EXPECT_EQ(active_file_senders(), 0);
    }
    CloseHandle(holder);
}
