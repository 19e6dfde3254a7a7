// What a link may bring and where it may lead: the saved name shows what the
// file is, and an automatic download never reaches into the user's network.
#include <thread>

#include "http_stub.h"
#include "link_fixture.h"
#include "links/link_host.h"
#include "support/file_bytes.h"
#include "support/net_test_support.h"
#include "support/zone_marks.h"

using namespace link_test;

constexpr HostReach outside = HostReach::outside, local = HostReach::local;
constexpr bool image = false, video = true;

TEST(DownloadDecisionTable, NamesTypesAndHosts) {
    const struct {
        const wchar_t* link;
        bool kind;
        const wchar_t* saved;  // the name it would be saved under
        bool allowed;          // whether that name may be saved
        HostReach reach;
    } cases[] = {
        {L"https://93.184.216.34/a/cat.jpg.exe", image, L"cat.jpg.exe", false, outside},
        {L"https://93.184.216.34/x/pics\u202Egpj.exe", image, L"pics_gpj.exe", false, outside},
        {L"https://93.184.216.34/x/my\u2066cat\u2069.png", image, L"my_cat_.png", true, outside},
        {L"https://93.184.216.34/x/a\u200Fb\u00AD.GIF?size=2", image, L"a_b_.GIF", true, outside},
        {L"https://93.184.216.34/x/tag\U000E0041\u2028.png", image, L"tag__.png", true, outside},
        {L"https://93.184.216.34/COM\u00B9.png", image, L"_COM\u00B9.png", true, outside},
        {L"https://93.184.216.34/lpt\u00B3.Jpeg", image, L"_lpt\u00B3.Jpeg", true, outside},
        {L"https://93.184.216.34/show?img=cat.jpg", image, L"show", false, outside},
        {L"https://93.184.216.34/v/clip.mp4", image, L"clip.mp4", false, outside},
        {L"https://93.184.216.34/v/clip.mp4", video, L"clip.mp4", true, outside},
        {L"https://93.184.216.34/v/clip.mp4.SCR", video, L"clip.mp4.SCR", false, outside},
        {L"https://93.184.216.34/v/open.library-ms", video, L"open.library-ms", false, outside},
        {L"https://2130706433/a.png", image, L"a.png", true, local},
        {L"https://0x7f.1/a.png", image, L"a.png", true, local},
        {L"https://017700000001/a.png", image, L"a.png", true, local},
        {L"https://0.0.0.0/a.png", image, L"a.png", true, local},
        {L"https://10.1.2.3/a.png", image, L"a.png", true, local},
        {L"https://172.31.255.255/a.png", image, L"a.png", true, local},
        {L"https://172.32.0.1/a.png", image, L"a.png", true, outside},
        {L"https://192.168.0.1:8080/a.png", image, L"a.png", true, local},
        {L"https://169.254.169.254/a.png", image, L"a.png", true, local},
        {L"https://1.2.3.4.5/a.png", image, L"a.png", true, local},
        {L"https://[::1]/a.png", image, L"a.png", true, local},
        {L"https://[::ffff:192.168.1.1]/a.png", image, L"a.png", true, local},
        {L"https://[::ffff:8.8.8.8]/a.png", image, L"a.png", true, outside},
        {L"https://[fe80::1]/a.png", image, L"a.png", true, local},
        {L"https://[fd12:3456::1]/a.png", image, L"a.png", true, local},
        {L"https://[2606:4700::1111]/a.png", image, L"a.png", true, outside},
        {L"https://router.LocalHost./a.png", image, L"a.png", true, local},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.link)));
        const std::wstring name = download_file_name(c.link);
        EXPECT_EQ(name, c.saved);
        EXPECT_EQ(download_type_allowed(name, DownloadRequest{c.kind, false}), c.allowed);
        EXPECT_EQ(judge_link_host(c.link), c.reach);
    }
}

TEST_F(LinkTest, RefusedLinksAskNothingAndSavedFilesAreMarked) {
    HttpStub server(std::map<std::string, std::string>{{"/cat.jpg.exe", "MZ"}, {"/mark.png", "png"}});
    DeleteFileW((downloads + L"mark.png").c_str());
    ZoneMarkRecorder recorder;
    const struct {
        std::string path;
        DownloadRequest request;
        DownloadResult::Kind kind;
        std::wstring notice;
    } cases[] = {
        {"/cat.jpg.exe", DownloadRequest{}, DownloadResult::refused_type,
         L"File 'cat.jpg.exe' not downloaded: links may not bring files of this type"},
        {"/mark.png", DownloadRequest{false, false}, DownloadResult::local_host,
         L"Link not downloaded: it leads into your own network"},
        {"/mark.png", DownloadRequest{}, DownloadResult::received, L"File 'mark.png' received"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(download_link(client.app_folder, server.url(c.path), nullptr, c.request).kind, c.kind) << c.path;
        pump_messages();
        EXPECT_EQ(status(1), c.notice);
    }
    EXPECT_FALSE(net_test::file_exists(downloads + L"cat.jpg.exe"));
    ASSERT_EQ(recorder.marks().size(), 1u);
    EXPECT_EQ(recorder.marks()[0].first, downloads + L"mark.png");
    EXPECT_EQ(recorder.marks()[0].second,
              "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=" + narrow_text(server.url("/mark.png").c_str(), CP_ACP) + "\r\n");
}

TEST_F(LinkTest, RedirectionsAreFollowedByHandAFewAtMost) {
    HttpStub server(std::map<std::string, std::string>{
        {"/hop.png", "=> /there/final.png"}, {"/there/final.png", "done"}, {"/loop.png", "=> /loop.png"}});
    DeleteFileW((downloads + L"hop.png").c_str());
    const struct {
        std::string path;
        DownloadResult::Kind kind;
    } cases[] = {{"/hop.png", DownloadResult::received}, {"/loop.png", DownloadResult::server_error}};
    for (const auto& c : cases)
        EXPECT_EQ(download_link(client.app_folder, server.url(c.path)).kind, c.kind) << c.path;
    EXPECT_EQ(read_file_bytes(downloads + L"hop.png"), "done");
}

TEST_F(LinkTest, DownloadsAreCountedByTheHour) {
    HttpStub server(std::map<std::string, std::string>{{"/one.png", "1"}});
    DownloadLimits limits;
    limits.downloads_per_hour = 2;
    set_download_limits(limits);
    EXPECT_EQ(download_link(client.app_folder, server.url("/none.png")).kind, DownloadResult::server_error);
    EXPECT_EQ(download_link(client.app_folder, server.url("/one.png")).kind, DownloadResult::received);
    EXPECT_EQ(download_link(client.app_folder, server.url("/one.png")).kind, DownloadResult::too_many);
    pump_messages();
    EXPECT_EQ(status(1), L"Error: Downloads are limited to 2 files an hour");
}

// A server that never answers: the deadline ends the wait, not the network
// step's own time-out (here far longer than the test may take).
TEST_F(LinkTest, TheDeadlineEndsEveryWait) {
    HttpStub server(std::map<std::string, std::string>{}, {"/stuck.png"});
    DownloadLimits limits;
    limits.deadline_ms = 300;
    limits.step_timeout_ms = 600000;
    set_download_limits(limits);
    HANDLE ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DownloadResult result;
    std::thread download([&] {
        result = download_link(client.app_folder, server.url("/stuck.png"));
        SetEvent(ended);
    });
    const bool in_time = WaitForSingleObject(ended, 60000) == WAIT_OBJECT_0;
    EXPECT_TRUE(in_time);
    if (!in_time) server.stop();
    download.join();
    CloseHandle(ended);
    pump_messages();  // the worker's notice, before the next test looks
    EXPECT_EQ(result.kind, DownloadResult::took_too_long);
}
