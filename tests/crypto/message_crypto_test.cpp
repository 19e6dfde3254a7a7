#include <windows.h>

#include <cryptopp/cryptlib.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

#include "app/text.h"
#include "crypto/message_crypto.h"
#include "password_table.h"
#include "support/test_client.h"

namespace {

// Made outside the program: the key and IV of "Tulip9" (see key_derivation_test)
// and OpenSSL on the 16 prefix characters plus a Windows-1252 text:
//   printf 'QWERTYuiop123456Hello from outside, caf\xe9' |
//     openssl enc -aes-256-cbc -K 9D3647CE...8D9179C0 -iv 893804F6...13CD3DA9 | xxd -p -u
const char outside_block[] =
    "AA9440A6120D3BEF598939F794AE1D8DC089D4DC5475D8E59F6453EA2265FA6B6DC8DF863D23743070772EB4B58FE571";

// Made by encrypt_message("Made inside Quillmere, na\xEFve", "Tulip9") and read
// back outside with `xxd -r -p | openssl enc -d -aes-256-cbc -K ... -iv ...`,
// which gave the prefix "LcCMtvik4xQGNlMl" and the text.
const char inside_block[] =
    "E96C14195698670FEEF79937C1859889C698E6BA6ABE642F6D7BC9C55C93DF998E3EB0513FE3D3E902CD0D62D02C4F84";

// Made outside the same way on the prefix plus UTF-8 Cyrillic, CJK and an
// emoji, as a client that sends UTF-8 would:
//   printf 'QWERTYuiop123456\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80' |
//     openssl enc -aes-256-cbc -K <Tulip9 key> -iv <Tulip9 iv> | xxd -p -u
const char outside_utf8_block[] =
    "AA9440A6120D3BEF598939F794AE1D8D2EBDE8FC22E9AC3DB60F2182FF87B1D8EB20D0CCF3207BA351307DAB8EE477D3";

// Made outside: PBKDF2 of "Seventh-pass" (python hashlib) and OpenSSL on
// "ABCDEFGHabcdefgh" + "slot seven".
const char slot_seven_block[] = "0EC87CDFF3AEEEDBD32396608AA93CD030A1D9E2C1F1B52C8874D3079FB5F500";

bool is_upper_hex(const std::string& s) {
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return false;
    return true;
}

}  // namespace

TEST(MessageCrypto, ReadsBlocksMadeOutsideAndInside) {
    EXPECT_EQ(decrypt_message(outside_block, "Tulip9"), "Hello from outside, caf\xE9");
    EXPECT_EQ(decrypt_message(inside_block, "Tulip9"), "Made inside Quillmere, na\xEFve");
}

TEST(MessageCrypto, BlockLengthFollowsTextLength) {
    struct Case {
        size_t text_bytes, hex_digits;
    } cases[] = {{1, 64}, {15, 64}, {16, 96}, {31, 96}, {32, 128}, {479, 992}};
    for (const Case& c : cases) {
        const std::string text(c.text_bytes, 'x');
        const std::string block = encrypt_message(text, "Tulip9");
        EXPECT_EQ(block.size(), c.hex_digits) << c.text_bytes;
        EXPECT_TRUE(is_upper_hex(block)) << block;
        EXPECT_EQ(decrypt_message(block, "Tulip9"), text);
    }
}

TEST(MessageCrypto, SameTextTwiceGivesDifferentBlocks) {
    const std::string first = encrypt_message("same words", "Tulip9");
    const std::string second = encrypt_message("same words", "Tulip9");
    EXPECT_NE(first, second);
    EXPECT_EQ(decrypt_message(first, "Tulip9"), "same words");
    EXPECT_EQ(decrypt_message(second, "Tulip9"), "same words");
}

TEST(MessageCrypto, ToleratesLowerCaseStrayCharactersAndOddDigit) {
    std::string lower = outside_block;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string stray = outside_block;
    stray.insert(64, " \r\n");
    stray.insert(32, "-zz:");
    stray.insert(0, "  ");
    const std::string odd = std::string(outside_block) + "7";
    for (const std::string& block : {lower, stray, odd})
        EXPECT_EQ(decrypt_message(block, "Tulip9"), "Hello from outside, caf\xE9") << block;
}

TEST(MessageCrypto, RefusesWhatCannotComeFromTheSender) {
    const std::string full = outside_block;
    const char* refused[] = {
        // One block with valid padding (openssl, "Tulip9"): an empty text, then 15
        // bytes; both shorter than the random prefix.
        "F7D4C42FB49FFC34CAFF0163F9D0CA9D",
        "C0010B55536DEC1EA0342A900640C236",
        "",
        "ZZZZ",
        "0123456789ABCDEF0123456789ABCDE",  // half a block
    };
    for (const char* block : refused) EXPECT_THROW(decrypt_message(block, "Tulip9"), CryptoPP::Exception) << block;
    EXPECT_THROW(decrypt_message(full.substr(0, full.size() - 2), "Tulip9"), CryptoPP::Exception);  // cut by a server
    EXPECT_THROW(decrypt_message(full, "Tulip8"), CryptoPP::Exception);
}

TEST(MessageCrypto, TriesStoredSlotsInOrder) {
    ChatClient& client = test_client();
    set_stored_passwords(client, {{3, "Third-pass"}, {7, "Seventh-pass"}});
    EXPECT_EQ(decrypt_with_any_password(client, slot_seven_block).value_or("<none>"), "slot seven");
    EXPECT_FALSE(decrypt_with_any_password(client, outside_block).has_value());

    set_stored_passwords(client, {{16, "Tulip9"}, {1, "Seventh-pass"}});
    EXPECT_EQ(decrypt_with_any_password(client, outside_block).value_or("<none>"), "Hello from outside, caf\xE9");
    EXPECT_EQ(decrypt_with_any_password(client, slot_seven_block).value_or("<none>"), "slot seven");

    set_stored_passwords(client, {});
    EXPECT_FALSE(decrypt_with_any_password(client, slot_seven_block).has_value());
}

TEST(MessageCrypto, UnterminatedSlotReadsAsSixtyThreeBytes) {
    ChatClient& client = test_client();
    set_stored_passwords(client, {});
    const std::string password(63, 'k');
    {
        std::lock_guard<std::mutex> guard(client.password_lock);
        std::memset(client.encryption_passwords[2], 'k', password_capacity);  // no terminator
    }
    const std::string block = encrypt_message("edge", password);
    EXPECT_EQ(decrypt_with_any_password(client, block).value_or("<none>"), "edge");
    set_stored_passwords(client, {});
}

TEST(MessageCrypto, ReceivedTextRecognisedAndShown) {
    struct Case {
        std::wstring text;
        bool encrypted;
    } cases[] = {
        {L"[ZOVMSG01]0123456789", false},  // ten characters after the tag: ordinary text
        {L"[ZOVMSG01]0123456789A", true},
        {L"[zovmsg01]" + std::wstring(64, L'A'), false},
        {L" [ZOVMSG01]" + std::wstring(64, L'A'), false},
        {L"[ZOVMSG0" + std::wstring(64, L'A'), false},
        {L"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_encrypted_message(c.text.c_str()), c.encrypted) << c.text;
    EXPECT_FALSE(is_encrypted_message(nullptr));

    ChatClient& client = test_client();
    set_stored_passwords(client, {{7, "Seventh-pass"}});
    const std::wstring seven = std::wstring(L"[ZOVMSG01]") + wide_text(slot_seven_block, CP_THREAD_ACP);
    EXPECT_EQ(read_encrypted_message(client, seven.c_str()), L" [DECRYPTED] - slot seven");
    const std::wstring other = std::wstring(L"[ZOVMSG01]") + wide_text(outside_block, CP_THREAD_ACP);
    EXPECT_EQ(read_encrypted_message(client, other.c_str()), std::wstring(L" - [NOT DECRYPTED] ") + (other.c_str() + 10));
    EXPECT_EQ(read_encrypted_message(client, L"[ZOVMSG01]0123456789"), L"");

    // Text beyond ASCII travels as Windows-1252 and comes back as the same characters.
    const std::wstring typed = L"Gr\u00fc\u00dfe \u20ac5";
    const std::string block =
        encrypt_message(narrow_text(typed.c_str(), CP_THREAD_ACP), narrow_text(L"Seventh-pass", CP_THREAD_ACP));
    const std::wstring received = L"[ZOVMSG01]" + wide_text(block, CP_THREAD_ACP);
    EXPECT_EQ(read_encrypted_message(client, received.c_str()), L" [DECRYPTED] - " + typed);
    // A decrypted text cannot draw a line of someone else's below it.
    const std::string forged = encrypt_message("hi\r\n<alice> [DECRYPTED] - meet at 5\n", "Seventh-pass");
    EXPECT_EQ(read_encrypted_message(client, (L"[ZOVMSG01]" + wide_text(forged, CP_THREAD_ACP)).c_str()),
              L" [DECRYPTED] - hi\u21B5\u21B5<alice> [DECRYPTED] - meet at 5\u21B5");

    // A decrypted text is read like a line from the server: UTF-8 when it is
    // valid UTF-8 beyond ASCII, else the code page.
    set_stored_passwords(client, {{9, "Tulip9"}});
    const struct {
        const char* block;
        std::wstring shown;
    } read_cases[] = {
        {outside_utf8_block, L" [DECRYPTED] - \u041F\u0440\u0438\u0432\u0435\u0442 \u4E2D\u6587 \U0001F600"},
        {outside_block, L" [DECRYPTED] - Hello from outside, caf\u00E9"},
    };
    for (const auto& c : read_cases) {
        const std::wstring tagged = L"[ZOVMSG01]" + wide_text(c.block, strlen(c.block), CP_THREAD_ACP);
        EXPECT_EQ(read_encrypted_message(client, tagged.c_str()), c.shown);
    }
    set_stored_passwords(client, {});
}
