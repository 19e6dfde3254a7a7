#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/text.h"
#include "settings/password_table.h"
#include "settings/settings_file.h"
#include "settings_folder.h"

namespace {

TEST(Passwords, SlotsTwoAndNineFillTheBoxInSlotOrder) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    StandInControl combo(client.password_combo, L"COMBOBOX", CBS_DROPDOWNLIST);
    StandInControl edit(client.password_edit, L"EDIT", 0);
    wchar_t saved_choice[64];
    copy_text(saved_choice, client.current_chat->password);
    copy_text(client.current_chat->password, L"chosen-pass");
    SendMessageW(combo.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"stale entry"));

    settings.write_ini("[passwords]\r\nuser_password_9=ninth-pass\r\nuser_password_2=zz-second\r\n");
    load_settings(client, SettingsGroup::passwords);
    ASSERT_EQ(SendMessageW(combo.window, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(combo_item(combo.window, 0), L"zz-second");  // slot order, not sorted
    EXPECT_EQ(combo_item(combo.window, 1), L"ninth-pass");
    EXPECT_EQ(SendMessageW(combo.window, CB_GETITEMDATA, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo.window, CB_GETITEMDATA, 1, 0), 9);
    for (int slot = 1; slot <= 16; ++slot)
        EXPECT_EQ(stored_password(client, slot), slot == 2 ? "zz-second" : slot == 9 ? "ninth-pass" : "") << slot;
    wchar_t shown[64] = {};
    GetWindowTextW(edit.window, shown, 64);
    EXPECT_STREQ(shown, L"chosen-pass");

    settings.write_ini("[passwords]\r\nuser_password_9=ninth-pass\r\n");
    load_settings(client, SettingsGroup::passwords);
    ASSERT_EQ(SendMessageW(combo.window, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(combo_item(combo.window, 0), L"ninth-pass");
    EXPECT_EQ(stored_password(client, 2), "");

    SettingsFolder no_file(false);
    load_settings(client, SettingsGroup::passwords);
    EXPECT_EQ(SendMessageW(combo.window, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(stored_password(client, 9), "");
    copy_text(client.current_chat->password, saved_choice);
}

TEST(Passwords, StoredTextBecomesItsEightBitForm) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    settings.write_ini("[passwords]\r\n"
                       "user_password_1=abc\r\n"                  // short ones are the dialog's concern
                       "user_password_2=caf\xe9-cr\xe8me\r\n"     // Windows-1252 in the file
                       "user_password_3=\"  spaced out \"\r\n" +  // quoted to keep its blanks
                       repeated_value_line("user_password_4", 'x', 200) +
                       repeated_value_line("user_password_5", '\xe9', 70));
    load_settings(client, SettingsGroup::passwords);
    EXPECT_EQ(stored_password(client, 1), "abc");
    EXPECT_EQ(stored_password(client, 2), "caf\xe9-cr\xe8me");
    EXPECT_EQ(stored_password(client, 3), "  spaced out ");
    EXPECT_EQ(stored_password(client, 4), std::string(63, 'x'));
    EXPECT_EQ(stored_password(client, 5), std::string(63, '\xe9'));
    for (int slot : {0, 17, -1, 1000}) EXPECT_EQ(stored_password(client, slot), "") << slot;

    // What the passwords dialog writes comes back byte for byte.
    write_setting(client, L"passwords", L"user_password_6", L" \u00e9t\u00e9 ");
    load_settings(client, SettingsGroup::passwords);
    EXPECT_EQ(stored_password(client, 6), " \xe9t\xe9 ");
}

TEST(Passwords, ALongPasswordIsCutBetweenCharacters) {
    // Under a double-byte code page (the thread's, here Japanese) no character
    // may lose half of its bytes.
    std::string narrow;
    size_t character_bytes = 0;
    std::thread japanese([&] {
        SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
        character_bytes = narrow_text(L"\u65e5", CP_THREAD_ACP).size();
        narrow = narrow_password(std::wstring(40, L'\u65e5').c_str());
    });
    japanese.join();
    if (character_bytes != 2) GTEST_SKIP() << "no Japanese code page for threads here";
    // 80 bytes in all: 31 whole characters fit, a 32nd would need byte 64.
    EXPECT_EQ(narrow.size(), 62u);
}

// Two settings folders whose passwords differ in letter and length, slot by
// slot; the UI thread switches between them while another thread reads.
std::string password_run(char letter, int slot) {
    return std::string(letter == 'a' ? 10 + slot : 60 - slot, letter);
}

std::string password_file(char letter) {
    std::string ini = "[passwords]\r\n";
    for (int slot = 1; slot <= 16; ++slot)
        ini += "user_password_" + std::to_string(slot) + "=" + password_run(letter, slot) + "\r\n";
    return ini;
}

TEST(Passwords, AReaderNeverSeesTwoPasswordsMixed) {
    SettingsFolder file_b;
    file_b.write_ini(password_file('b'));
    SettingsFolder file_a;
    file_a.write_ini(password_file('a'));
    ChatClient& client = file_a.client;
    load_settings(client, SettingsGroup::passwords);

    std::atomic<bool> reloading{true};
    std::atomic<int> mixed{0}, seen_a{0}, seen_b{0};
    std::string first_mixed;
    std::thread reader([&] {
        while (reloading) {
            for (int slot = 1; slot <= 16; ++slot) {
                std::string password = stored_password(client, slot);
                const char letter = password.empty() ? '?' : password[0];
                if ((letter == 'a' || letter == 'b') && password == password_run(letter, slot)) {
                    ++(letter == 'a' ? seen_a : seen_b);
                } else if (mixed++ == 0) {
                    first_mixed = password;
                }
            }
        }
    });
    for (int round = 0; round < 400; ++round) {
        (round % 2 ? file_a : file_b).use();
        load_settings(client, SettingsGroup::passwords);
    }
    reloading = false;
    reader.join();
    EXPECT_EQ(mixed, 0) << first_mixed;
    EXPECT_GT(seen_a, 0);
    EXPECT_GT(seen_b, 0);
}

}  // namespace
