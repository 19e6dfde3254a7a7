// Links in messages: which are opened, downloaded or counted, and downloads
// from a web server run by the test.
#include <thread>

#include "http_stub.h"
#include "link_fixture.h"
#include "links/link_download.h"
#include "links/link_processing.h"
#include "support/net_test_support.h"

using namespace link_test;
using net_test::wait_until;

TEST_F(LinkTest, DecisionTable) {
    using A = LinkDecision;
    const Preferences download = with(defaults, [](Preferences& p) { p.open = false; });
    const Preferences pages_open = with(defaults, [](Preferences& p) { p.pages = true; });
    const Preferences pages_counted = with(download, [](Preferences& p) { p.pages = true; });
    const Preferences plain_http = with(download, [](Preferences& p) { p.https_only = false; });
    const Preferences plain_http_open = with(defaults, [](Preferences& p) { p.https_only = false; });
    const Preferences videos = with(download, [](Preferences& p) { p.videos = true; });
    struct Case {
        Preferences preferences;
        std::wstring line;
        A::Action action;
        std::wstring link;
        std::wstring line_after;
    } cases[] = {
        {defaults, L"see https://site/a.png", A::open, L"https://site/a.png", L"see https://site/a.png"},
        {defaults, L"see http://site/a.png", A::open, L"https://site/a.png", L"see http://site/a.png"},
        {plain_http, L"HTTP://site/a.jpg", A::none, L"", L"HTTP://site/a.jpg"},
        {download, L"look https://site/cat.gif now", A::download, L"https://site/cat.gif", L"look https://site/cat.gif"},
        {download, L"https://site/cat.gif/", A::download, L"https://site/cat.gif/", L"https://site/cat.gif/"},
        {defaults, L"https://site/page", A::none, L"https://site/page", L"https://site/page"},
        {defaults, L"a.png then https://site/page x.mp4", A::open, L"https://site/page", L"a.png then https://site/page"},
        {pages_open, L"https://site/page", A::open, L"https://site/page", L"https://site/page"},
        {pages_counted, L"https://site/page", A::count_only, L"https://site/page", L"https://site/page"},
        {videos, L"Https://site/x.mp4", A::download, L"Https://site/x.mp4", L"Https://site/x.mp4"},
        {download, L"https://site/x.mp4", A::none, L"https://site/x.mp4", L"https://site/x.mp4"},
        // Upgrading needs https-only and opening; a line with "ttps:" is not looked at again.
        {download, L"http://site/a.png", A::none, L"", L"http://site/a.png"},
        {defaults, L"xttps://s/a.png http://site/b.png", A::none, L"", L"xttps://s/a.png http://site/b.png"},
        {plain_http_open, L"http://site/a.png", A::open, L"http://site/a.png", L"http://site/a.png"},
        {plain_http, L"first http://site/a.png then https://site/b.png", A::download, L"http://site/a.png",
         L"first http://site/a.png"},
    };
    for (const Case& c : cases) {
        set(c.preferences);
        std::wstring line = c.line;
        const LinkDecision decision = decide_link(client, line);
        EXPECT_EQ(decision.action, c.action) << c.line;
        EXPECT_EQ(decision.link, c.link) << c.line;
        EXPECT_EQ(line, c.line_after) << c.line;
    }
}

// The receive thread never calls the shell: it hands the link over.
TEST_F(LinkTest, OpeningIsHandedToTheInterfaceThreadAndCounted) {
    const unsigned before = client.stats_urls;
    std::thread receive([this] {
        std::wstring line = L"see http://site/a.png and more";
        process_link(client, 0, line);
    });
    receive.join();
    ASSERT_TRUE(wait_until([] {
        std::lock_guard<std::mutex> guard(opened_lock);
        return !opened.empty();
    }));
    EXPECT_EQ(opened[0].link, L"https://site/a.png");
    EXPECT_EQ(opened[0].show, 0);
    EXPECT_EQ(opened[0].thread, GetCurrentThreadId());
    EXPECT_EQ(client.stats_urls, before + 1);

    std::wstring page = L"https://site/page";
    process_link(client, 0, page);
    EXPECT_EQ(client.stats_urls, before + 1);
    EXPECT_EQ(opened.size(), 1u);
}

TEST(DownloadName, QueryFragmentAndFolderPartsGo) {
    const struct {
        const wchar_t* link;
        const wchar_t* name;
    } cases[] = {
        {L"https://site/img/cat.jpg?size=large", L"cat.jpg"},
        {L"https://site/cat.jpg#top", L"cat.jpg"},
        {L"https://site/a/b?next=/x/y.png", L"b"},
        {L"https://site/cat.gif/", L""},
        {L"https://site/..\\..\\evil.png", L"evil.png"},
        {L"https://site/CON.png", L"_CON.png"},
        {L"https://site/a:b*c.png", L"a_b_c.png"},
        {L"https://site/..", L""},
        {L"cat.png", L"cat.png"},
    };
    for (const auto& c : cases) EXPECT_EQ(download_file_name(c.link), c.name) << c.link;
}

TEST_F(LinkTest, DownloadsFromALocalServer) {
    HttpStub server(std::map<std::string, std::string>{{"/files/cat.jpg", "meow bytes"},
                                                       {"/files/cat.jpg?size=large", "large meow"}});
    struct Case {
        std::string path;
        DownloadResult::Kind kind;
        const wchar_t* notice;
        const wchar_t* file;
        const char* content;
    } cases[] = {
        {"/files/cat.jpg", DownloadResult::received, L"File 'cat.jpg' received", L"cat.jpg", "meow bytes"},
        {"/files/gone.png", DownloadResult::server_error, L"Server Error", L"gone.png", nullptr},
        {"/files/cat.jpg?size=large", DownloadResult::received, L"File 'cat.jpg' received", L"cat.jpg",
         "large meow"},
        {"/files/", DownloadResult::not_attempted, L"", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        show_status_notice("", "");
        if (c.file) DeleteFileW((downloads + c.file).c_str());
        const DownloadResult result = download_link(client.app_folder, server.url(c.path));
        pump_messages();
        EXPECT_EQ(result.kind, c.kind) << c.path;
        EXPECT_EQ(status(0), c.kind == DownloadResult::not_attempted ? L"" : L"Download File") << c.path;
        EXPECT_EQ(status(1), c.notice) << c.path;
        if (c.file) {
            EXPECT_EQ(net_test::file_exists(downloads + c.file), c.content != nullptr) << c.path;
            if (c.content) {
                EXPECT_EQ(read_file_bytes(downloads + c.file), c.content);
            }
            EXPECT_FALSE(net_test::file_exists(downloads + c.file + L".part")) << c.path;
        }
    }
    const unsigned short closed_port = server.port();
    server.stop();
    const DownloadResult refused =
        download_link(client.app_folder, format_text(L"http://127.0.0.1:%d/x.png", int(closed_port)));
    EXPECT_EQ(download_result_text(refused), L"Error: Please check your Internet connection and firewall");
    EXPECT_EQ(download_result_text({DownloadResult::other_error, 0x80070005u, L""}), L"Error code: 80070005");
}

// With opening off, a link line starts a download on the pool; a flood of
// them runs a few at a time, keeps a bounded queue and drops the rest.
TEST_F(LinkTest, DownloadPoolIsBounded) {
    set(with(defaults, [](Preferences& p) { p.open = false; p.https_only = false; }));
    HttpStub server(std::map<std::string, std::string>{{"/pics/dog.png", "woof"}}, {"/slow.png"});
    DeleteFileW((downloads + L"dog.png").c_str());
    std::wstring line = L"look " + server.url("/pics/dog.png") + L" here";
    process_link(client, 0, line);
    ASSERT_TRUE(wait_until([&] { return net_test::file_exists(downloads + L"dog.png"); }));
    ASSERT_TRUE(wait_until([&] { return status(1) == L"File 'dog.png' received"; }));
    ASSERT_TRUE(wait_until([] { return download_pool_figures().running == 0; }));

    const size_t dropped_before = download_pool_figures().dropped;
    const size_t flood = downloads_in_flight + downloads_waiting + 5;
    for (size_t i = 0; i < flood; ++i) queue_download(client.app_folder, server.url("/slow.png"));
    const DownloadPoolFigures figures = download_pool_figures();
    EXPECT_EQ(figures.running, downloads_in_flight);
    EXPECT_EQ(figures.waiting, downloads_waiting);
    EXPECT_EQ(figures.dropped - dropped_before, 5u);
    pump_messages();
    EXPECT_EQ(status(1), L"Too many downloads at once: link not downloaded");
    server.stop();
    EXPECT_TRUE(wait_until([] { return download_pool_figures().running == 0; }, 60000));
    EXPECT_FALSE(net_test::file_exists(downloads + L"slow.png"));
}
