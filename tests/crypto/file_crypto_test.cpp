#include <windows.h>
#include <psapi.h>

#include <cryptopp/cryptlib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/text.h"
#include "crypto/encrypting_reader.h"
#include "crypto/file_crypto.h"
#include "crypto/key_cache.h"
#include "password_table.h"
#include "support/file_bytes.h"
#include "support/test_client.h"

namespace {

std::string narrow(const std::wstring& path) {
    return narrow_text(path.c_str(), CP_THREAD_ACP);
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

SIZE_T peak_working_set() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

// Known answers made outside with OpenSSL under the keys of key_derivation_test:
//   printf '' | openssl enc -aes-256-cbc -K <Tulip9 key> -iv <Tulip9 iv> | xxd -p -u
//   printf '0123456789ABCDEF' | openssl enc ...same key...
//   python3 -c "...bytes(range(40))" | openssl enc -aes-256-cbc -K <63-byte password key> -iv ...
struct FileVector {
    std::string password, plain, cipher_hex;
};
const std::string long_password = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!";
std::string first_bytes(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(i);
    return s;
}

}  // namespace

TEST(FileCrypto, MatchesOpensslAndRoundTrips) {
    const std::string folder = narrow(make_temp_folder(L"filekat"));
    const FileVector vectors[] = {
        {"Tulip9", "", "F7D4C42FB49FFC34CAFF0163F9D0CA9D"},
        {"Tulip9", "0123456789ABCDEF", "D558813E13CA82DA24BC56DF910E43334B2526B258427D1F2CB8EB5B7CD3F9A0"},
        {long_password, first_bytes(40),
         "20009C90AE62A8C2B650BEF4AA64B023E0BDA57F4781012E4BB09AE50D9F2BC43ECCA39936EDDBD0F4F43B1D7378A3D7"},
    };
    for (const FileVector& v : vectors) {
        SCOPED_TRACE(v.plain.size());
        EXPECT_TRUE(write_file_bytes(folder + "plain.bin", v.plain));
        encrypt_file(v.password, folder + "plain.bin", folder + "plain.bin.zof");
        EXPECT_EQ(to_hex(read_file_bytes(folder + "plain.bin.zof")), v.cipher_hex);
        // Same file, same password: the same bytes again.
        encrypt_file(v.password, folder + "plain.bin", folder + "again.zof");
        EXPECT_EQ(read_file_bytes(folder + "again.zof"), read_file_bytes(folder + "plain.bin.zof"));
        decrypt_file(v.password, folder + "plain.bin.zof", folder + "back.bin");
        EXPECT_EQ(read_file_bytes(folder + "back.bin"), v.plain);
    }
}

TEST(FileCrypto, LibraryErrorsRaisedAndNoEmptyOutputLeft) {
    const std::string folder = narrow(make_temp_folder(L"fileerr"));
    EXPECT_THROW(encrypt_file("Tulip9", folder + "absent.txt", folder + "absent.txt.zof"), CryptoPP::Exception);
    EXPECT_FALSE(exists(folder + "absent.txt.zof"));
    EXPECT_TRUE(write_file_bytes(folder + "a.txt", "some text"));
    EXPECT_THROW(encrypt_file("Tulip9", folder + "a.txt", folder + "no such folder\\a.txt.zof"), CryptoPP::Exception);
    encrypt_file("Tulip9", folder + "a.txt", folder + "a.txt.zof");
    EXPECT_THROW(decrypt_file("Tulip8", folder + "a.txt.zof", folder + "out.txt"), CryptoPP::Exception);
    EXPECT_TRUE(write_file_bytes(folder + "short.zof", "not a multiple of sixteen"));
    EXPECT_THROW(decrypt_file("Tulip9", folder + "short.zof", folder + "out.txt"), CryptoPP::Exception);
}

// Encrypting as it sends, in pieces of any size the sender asks for, gives the
// bytes of the file encryption exactly, padding block included.
TEST(FileCrypto, EncryptingReaderMatchesFileEncryption) {
    const std::string folder = narrow(make_temp_folder(L"reader"));
    for (size_t size : {0u, 16u, 1023u, 65535u, 65536u, 65537u, 200000u}) {
        EXPECT_TRUE(write_file_bytes(folder + "plain", std::string(size, 'r')));
        encrypt_file("Tulip9", folder + "plain", folder + "plain.zof");
        const std::string expected = read_file_bytes(folder + "plain.zof");
        for (size_t capacity : {16u, 1024u, 5120u, 65536u}) {
            SCOPED_TRACE(testing::Message() << size << " bytes in pieces of " << capacity);
            EncryptingReader reader;
            ASSERT_TRUE(reader.open(wide_text(folder + "plain", CP_THREAD_ACP)));
            EXPECT_EQ(reader.encrypted_size(), expected.size());
            reader.start(cached_key_iv("Tulip9"));
            std::string produced(capacity, '\0'), all;
            size_t got = 0;
            while (reader.read(reinterpret_cast<unsigned char*>(&produced[0]), capacity, got) && got)
                all.append(produced, 0, got);
            EXPECT_TRUE(all == expected);
        }
    }
}

TEST(ReceivedFile, RightPasswordInSlotFive) {
    ChatClient& client = test_client();
    const std::string folder = narrow(make_temp_folder(L"recv5"));
    const std::string content = "%PDF-1.4 pretend report\r\n" + first_bytes(200);
    EXPECT_TRUE(write_file_bytes(folder + "source.pdf", content));
    encrypt_file("Fifth-pass", folder + "source.pdf", folder + "report.pdf.zof");
    DeleteFileA((folder + "source.pdf").c_str());

    set_stored_passwords(client, {{1, "First-pass"}, {2, "Second-pass"}, {4, "Fourth-pass"}, {5, "Fifth-pass"},
                                  {6, "Sixth-pass"}});
    const ReceivedFileResult result = decrypt_received_file(client, folder + "report.pdf.zof", L"report.pdf.zof");
    EXPECT_TRUE(result.decrypted);
    EXPECT_EQ(result.status_text, L"File 'report.pdf.zof' received. Successful decryption file.");
    EXPECT_EQ(read_file_bytes(folder + "report.pdf"), content);
    EXPECT_EQ(files_in(folder), std::vector<std::string>{"report.pdf"});  // no partial output, no .zof
    set_stored_passwords(client, {});
}

TEST(ReceivedFile, NoFittingPasswordLeavesNothingAndKeepsExistingFile) {
    ChatClient& client = test_client();
    const std::string folder = narrow(make_temp_folder(L"recvbad"));
    EXPECT_TRUE(write_file_bytes(folder + "notes.txt", "the user's own notes"));
    EXPECT_TRUE(write_file_bytes(folder + "source", std::string(5000, 'q')));
    encrypt_file("Unknown-pass", folder + "source", folder + "notes.txt.zof");
    encrypt_file("Unknown-pass", folder + "source", folder + "other.bin.zof");
    DeleteFileA((folder + "source").c_str());

    const char* expected = "File '%s' received. Decryption file error. Wrong password.";
    set_stored_passwords(client, {{1, "First-pass"}, {3, "Third-pass"}, {16, "Last-pass"}});
    ReceivedFileResult result = decrypt_received_file(client, folder + "notes.txt.zof", L"notes.txt.zof");
    EXPECT_FALSE(result.decrypted);
    EXPECT_EQ(result.status_text, format_text(wide_text(expected, CP_THREAD_ACP).c_str(), L"notes.txt.zof"));
    EXPECT_EQ(read_file_bytes(folder + "notes.txt"), "the user's own notes");

    set_stored_passwords(client, {});  // no password at all
    result = decrypt_received_file(client, folder + "other.bin.zof", L"other.bin.zof");
    EXPECT_FALSE(result.decrypted);
    EXPECT_EQ(result.status_text, format_text(wide_text(expected, CP_THREAD_ACP).c_str(), L"other.bin.zof"));
    EXPECT_EQ(files_in(folder), std::vector<std::string>{"notes.txt"});
}

// Only passwords whose padding fits are decrypted in full, yet the outcome is
// that of trying every slot in order: a wrong password that happens to give
// valid padding, in an earlier slot, still wins over the right one.
TEST(ReceivedFile, FirstSlotWithValidPaddingWinsEvenWhenWrong) {
    ChatClient& client = test_client();
    const std::string folder = narrow(make_temp_folder(L"recvpad"));
    const std::string content = first_bytes(100);
    EXPECT_TRUE(write_file_bytes(folder + "source", content));
    encrypt_file("Right-pass", folder + "source", folder + "data.bin.zof");
    std::string lucky;
    for (int i = 0; lucky.empty() && i < 5000; ++i) {
        const std::string candidate = "lucky-" + std::to_string(i);
        try {
            decrypt_file(candidate, folder + "data.bin.zof", folder + "probe.out");
            lucky = candidate;
        } catch (const CryptoPP::Exception&) {
        }
    }
    ASSERT_FALSE(lucky.empty());
    set_stored_passwords(client, {{1, "Other-pass"}, {3, lucky}, {5, "Right-pass"}});
    const ReceivedFileResult result = decrypt_received_file(client, folder + "data.bin.zof", L"data.bin.zof");
    EXPECT_TRUE(result.decrypted);
    EXPECT_NE(read_file_bytes(folder + "data.bin"), content);  // the lucky password's garbage, as the format allows
    EXPECT_EQ(read_file_bytes(folder + "data.bin"), read_file_bytes(folder + "probe.out"));
    set_stored_passwords(client, {});
}

TEST(ReceivedFile, NameWithoutExtensionIsNotDecrypted) {
    ChatClient& client = test_client();
    const std::string folder = narrow(make_temp_folder(L"recvname"));
    EXPECT_TRUE(write_file_bytes(folder + "source", "abc"));
    set_stored_passwords(client, {{1, "First-pass"}});
    for (const char* name : {"plain.txt", ".zof", "x.zo"}) {
        encrypt_file("First-pass", folder + "source", folder + name);
        const ReceivedFileResult result =
            decrypt_received_file(client, folder + name, wide_text(name, CP_THREAD_ACP));
        EXPECT_FALSE(result.decrypted) << name;
        EXPECT_FALSE(exists(folder + name)) << name;
    }
    EXPECT_EQ(files_in(folder), std::vector<std::string>{"source"});
    set_stored_passwords(client, {});
}

TEST(FileCrypto, LargeFileStreamsWithFlatMemory) {
    const std::string folder = narrow(make_temp_folder(L"filebig"));
    const size_t size = 64u << 20;
    const size_t chunk = 1u << 16;
    std::string block(chunk, '\0');
    auto fill = [&](size_t index) {
        unsigned x = static_cast<unsigned>(index) * 2654435761u + 1;
        for (size_t i = 0; i < chunk; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            block[i] = static_cast<char>(x);
        }
    };
    {
        FILE* f = std::fopen((folder + "big.bin").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (size_t i = 0; i < size / chunk; ++i) {
            fill(i);
            std::fwrite(block.data(), 1, chunk, f);
        }
        std::fclose(f);
    }
    const SIZE_T before = peak_working_set();
    encrypt_file("Tulip9", folder + "big.bin", folder + "big.bin.zof");
    decrypt_file("Tulip9", folder + "big.bin.zof", folder + "back.bin");
    const SIZE_T growth = peak_working_set() - before;
    EXPECT_LT(growth, SIZE_T(8) << 20) << "peak working set grew by " << growth << " bytes";

    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExA((folder + "big.bin.zof").c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(info.nFileSizeLow, size + 16);
    FILE* f = std::fopen((folder + "back.bin").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::string read_back(chunk, '\0');
    size_t mismatched = 0, chunks = 0;
    while (std::fread(&read_back[0], 1, chunk, f) == chunk) {
        fill(chunks++);
        if (read_back != block) ++mismatched;
    }
    std::fclose(f);
    EXPECT_EQ(chunks, size / chunk);
    EXPECT_EQ(mismatched, 0u);
    for (const char* name : {"big.bin", "big.bin.zof", "back.bin"}) DeleteFileA((folder + name).c_str());
}
