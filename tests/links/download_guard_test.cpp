// A download past its size cap ends as a failure, and a failed download
// leaves Downloads\ as it found it: the user's file of that name and a file
// under the partial file's name stay, and no partial file is left behind.
#include <algorithm>
#include <string>
#include <vector>

#include "http_stub.h"
#include "link_fixture.h"
#include "links/link_download.h"
#include "support/file_bytes.h"
#include "support/net_test_support.h"

using namespace link_test;

namespace {

std::vector<std::wstring> names_in(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void write_text(const std::wstring& path, const char* text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    fputs(text, file);
    fclose(file);
}

class DownloadGuard : public LinkTest {
protected:
    void TearDown() override {
        set_download_limits(DownloadLimits{});
        LinkTest::TearDown();
    }
};

}  // namespace

TEST_F(DownloadGuard, PastTheSizeCapADownloadFailsAndLeavesTheFolderAsItWas) {
    constexpr size_t cap = 100000;
    DownloadLimits limits;
    limits.largest_file = cap;
    set_download_limits(limits);
    const std::string at_cap(cap, 'a');
    HttpStub server(std::map<std::string, std::string>{{"/big.png", std::string(cap + 1, 'b')},
                                                       {"/full.png", at_cap}});
    const std::wstring folder = make_temp_folder(L"capped");
    const std::wstring saved = folder + L"Downloads\\";
    ASSERT_TRUE(CreateDirectoryW(saved.c_str(), nullptr));
    write_text(saved + L"big.png", "my own picture");
    write_text(saved + L"big.png.part", "my own half picture");
    const std::vector<std::wstring> before = names_in(saved);

    EXPECT_EQ(download_link(folder, server.url("/big.png")).kind, DownloadResult::download_failure);
    pump_messages();
    EXPECT_EQ(status(1), L"Error: Download failure");
    EXPECT_EQ(names_in(saved), before);
    EXPECT_EQ(read_file_bytes(saved + L"big.png"), "my own picture");
    EXPECT_EQ(read_file_bytes(saved + L"big.png.part"), "my own half picture");

    EXPECT_EQ(download_link(folder, server.url("/full.png")).kind, DownloadResult::received);
    EXPECT_TRUE(read_file_bytes(saved + L"full.png") == at_cap);
}
