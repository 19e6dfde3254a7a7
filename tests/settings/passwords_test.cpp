#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>

#include "app/text.h"
#include "settings/password_table.h"
#include "settings/settings_file.h"
#include "settings_folder.h"
#include "support/thread_language.h"
#include "support/window_probe.h"

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
    // Even under a double-byte code page (the thread's, here Japanese) every
    // character kept is one byte: 63 of them fit. Japanese characters have no
    // such byte, so they are refused whole rather than cut into bytes.
    std::string accented, japanese_text;
    size_t character_bytes = 0;
    std::thread japanese([&] {
        SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), SORT_DEFAULT));
        character_bytes = narrow_text(L"\u65e5", CP_THREAD_ACP).size();
        accented = narrow_password(std::wstring(70, L'\u00e9').c_str());
        japanese_text = narrow_password(std::wstring(40, L'\u65e5').c_str());
    });
    japanese.join();
    if (character_bytes != 2) GTEST_SKIP() << "no Japanese code page for threads here";
    EXPECT_EQ(accented, std::string(63, '\xe9'));
    EXPECT_EQ(japanese_text, "");
}

// What stored text becomes, whatever the thread's code page. No bytes: the
// text cannot be the same key on every machine, and its slot stays free.
struct StoredForm {
    const wchar_t* stored;
    const char* bytes;
};
const StoredForm stored_forms[] = {
    {L"Tulip9", "Tulip9"},
    {L"c1\u0080\u0081\u009f", "c1\x80\x81\x9f"},  // where Windows-1252 has '\u20ac' and other letters
    {L"caf\u00e9 cr\u00e8me\u00a0\u00ff", "caf\xe9 cr\xe8me\xa0\xff"},
    {L"price\u20ac", ""},  // 0x80 in Windows-1252, 0x88 in 1251
    {L"\u0436\u0436\u0436-ok", ""},
    {L"\u65e5\u672c", ""},
    {L"key\U0001F511", ""},
};

TEST(Passwords, StoredTextGivesTheSameBytesUnderEveryCodePage) {
    SettingsFolder settings;
    ChatClient& client = settings.client;
    StandInControl combo(client.password_combo, L"COMBOBOX", CBS_DROPDOWNLIST);
    const int form_count = static_cast<int>(std::size(stored_forms));
    std::wstring ini = L"[passwords]\r\n";
    for (int slot = 1; slot <= form_count; ++slot)
        ini += format_text(L"user_password_%d=%s\r\n", slot, stored_forms[slot - 1].stored);
    settings.write_unicode_ini(ini);

    const int code_pages = under_each_code_page([&] {
        load_settings(client, SettingsGroup::passwords);
        int item = 0;
        for (int slot = 1; slot <= form_count; ++slot) {
            const StoredForm& form = stored_forms[slot - 1];
            SCOPED_TRACE(slot);
            EXPECT_EQ(stored_password(client, slot), form.bytes);
            if (!*form.bytes) continue;
            // Offered as it was stored; chosen from the box for sending, it
            // gives the stored bytes, hence the stored password's key.
            const std::wstring shown = combo_item(combo.window, item);
            EXPECT_EQ(shown, form.stored);
            EXPECT_EQ(SendMessageW(combo.window, CB_GETITEMDATA, item, 0), slot);
            std::string chosen;
            EXPECT_TRUE(latin1_bytes(shown, chosen));
            EXPECT_EQ(chosen, stored_password(client, slot));
            ++item;
        }
        EXPECT_EQ(SendMessageW(combo.window, CB_GETCOUNT, 0, 0), item);
    });
    EXPECT_GT(code_pages, 0);
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
    std::atomic<int> mixed{0}, seen_a{0}, seen_b{0}, passes{0};
    std::string first_mixed;
    std::thread reader([&] {
        for (; reloading; ++passes) {
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
        const int before = passes;
        load_settings(client, SettingsGroup::passwords);
        // The pass under way at the load may have begun before it; the next
        // one reads the new table whole.
        if (round < 2 && !wait_until([&] { return passes > before + 1; }, 60000)) {
            ADD_FAILURE() << "the reader stopped";
            break;
        }
    }
    reloading = false;
    reader.join();
    EXPECT_EQ(mixed, 0) << first_mixed;
    EXPECT_GT(seen_a, 0);
    EXPECT_GT(seen_b, 0);
}

}  // namespace
