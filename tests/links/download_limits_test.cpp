// What one link may cost: time, bytes in Downloads\, files already there, and
// threads still running when the program ends.
#include <atomic>
#include <string>
#include <thread>

#include "app/file_names.h"
#include "chat/chat_tabs.h"
#include "http_stub.h"
#include "link_fixture.h"
#include "links/link_download.h"
#include "support/net_test_support.h"
#include "support/loopback.h"
#include "transfer/public_ip.h"

using namespace link_test;
using net_test::wait_until;

namespace {
// A web server that answers at once and then sends its body a byte at a
// time, for as long as `bytes` lasts.
class TrickleServer {
public:
    TrickleServer(int bytes, DWORD interval_ms) : thread_([this, bytes, interval_ms] { serve(bytes, interval_ms); }) {}
    ~TrickleServer() {
        stop_ = true;
        thread_.join();
    }
    std::wstring url(const wchar_t* path) const {
        return format_text(L"http://127.0.0.1:%d", static_cast<int>(server_.port())) + path;
    }

private:
    void serve(int bytes, DWORD interval_ms) {
        if (!server_.accept_client(10000)) return;
        while (!server_.receive_line(5000).empty()) {
        }
        server_.send_bytes("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n\r\n");
        for (int sent = 0; sent < bytes && !stop_; ++sent) {
            server_.send_bytes("x");
            Sleep(interval_ms);
        }
        server_.close_client();
    }
    LoopbackServer server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class DownloadLimitsTest : public LinkTest {
protected:
    void TearDown() override {
        set_download_limits(DownloadLimits{});
        LinkTest::TearDown();
    }
};
}  // namespace

// Without its limits a server sending a byte every 100 ms would hold the
// download for the 6 s its body lasts (and a byte every 14 s for ever).
TEST_F(DownloadLimitsTest, ATricklingServerIsGivenUpOn) {
    const struct {
        DownloadLimits limits;
        DownloadResult::Kind kind;
        const wchar_t* notice;
    } cases[] = {
        {{1000, 60000, 1, DownloadLimits{}.bytes_per_hour}, DownloadResult::took_too_long,
         L"Error: Download took too long"},
        {{60000, 500, 100, DownloadLimits{}.bytes_per_hour}, DownloadResult::too_slow, L"Error: Download too slow"},
    };
    for (const auto& c : cases) {
        set_download_limits(c.limits);
        DeleteFileW((downloads + L"drip.png").c_str());
        TrickleServer server(60, 100);
        const DownloadResult result = download_link(client.app_folder, server.url(L"/drip.png"));
        pump_messages();
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(status(1), c.notice);
        EXPECT_FALSE(net_test::file_exists(downloads + L"drip.png"));
        EXPECT_FALSE(net_test::file_exists(downloads + L"drip.png.part"));
    }
}

TEST_F(DownloadLimitsTest, DownloadsKeepWithinTheHourlyAmount) {
    HttpStub server(std::map<std::string, std::string>{{"/one.png", "0123456789"}, {"/two.png", "abcdefghij"}});
    set_download_limits({DownloadLimits{}.deadline_ms, DownloadLimits{}.rate_window_ms, 1, 15});
    for (const wchar_t* name : {L"one.png", L"two.png"}) DeleteFileW((downloads + name).c_str());
    EXPECT_EQ(download_link(client.app_folder, server.url("/one.png")).kind, DownloadResult::received);
    EXPECT_EQ(download_link(client.app_folder, server.url("/two.png")).kind, DownloadResult::over_budget);
    pump_messages();
    EXPECT_EQ(status(1), L"Error: Downloads are limited to 15 bytes an hour");
    EXPECT_EQ(read_file_bytes(downloads + L"one.png"), "0123456789");
    EXPECT_FALSE(net_test::file_exists(downloads + L"two.png"));
    EXPECT_FALSE(net_test::file_exists(downloads + L"two.png.part"));
}

TEST_F(DownloadLimitsTest, ADownloadNeverReplacesAFile) {
    const std::wstring folder = make_temp_folder(L"names");
    for (const wchar_t* taken : {L"cat.gif", L"cat (2).gif", L"notes", L".profile", L"a.tar.gz"})
        CloseHandle(CreateFileW((folder + taken).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const struct {
        const wchar_t* name;
        const wchar_t* free;
    } names[] = {
        {L"cat.gif", L"cat (3).gif"}, {L"notes", L"notes (2)"},     {L".profile", L".profile (2)"},
        {L"a.tar.gz", L"a.tar (2).gz"}, {L"free.png", L"free.png"},
    };
    for (const auto& n : names) EXPECT_EQ(free_file_path(folder + n.name), folder + n.free) << n.name;

    HttpStub server(std::map<std::string, std::string>{{"/cat.jpg", "new cat"}});
    for (const wchar_t* name : {L"cat.jpg", L"cat (2).jpg", L"cat (3).jpg"}) DeleteFileW((downloads + name).c_str());
    FILE* mine = _wfopen((downloads + L"cat.jpg").c_str(), L"wb");
    fputs("my own cat", mine);
    fclose(mine);
    for (const wchar_t* saved : {L"cat (2).jpg", L"cat (3).jpg"}) {
        const DownloadResult result = download_link(client.app_folder, server.url("/cat.jpg"));
        pump_messages();
        EXPECT_EQ(result.kind, DownloadResult::received);
        EXPECT_EQ(result.file_name, saved);
        EXPECT_EQ(status(1), format_text(L"File '%s' received", saved));
        EXPECT_EQ(read_file_bytes(downloads + saved), "new cat");
    }
    EXPECT_EQ(read_file_bytes(downloads + L"cat.jpg"), "my own cat");
}

// At exit: the pool cuts off what runs (here a server that never answers,
// which its step time-out would hold for 15 s), and threads that outlive the
// client find nobody to report to.
TEST_F(DownloadLimitsTest, ShutdownEndsDownloadsAndLateWorkFindsNoClient) {
    HttpStub server(std::map<std::string, std::string>{}, {"/stuck.png"});
    ASSERT_TRUE(queue_download(client.app_folder, server.url("/stuck.png")));
    ASSERT_TRUE(wait_until([&] { return server.stalled_requests() == 1; }));
    EXPECT_TRUE(stop_downloads());
    EXPECT_EQ(download_pool_figures().running, 0u);
    EXPECT_FALSE(queue_download(client.app_folder, server.url("/stuck.png")));
    restart_downloads();

    // The client is gone (retired as its destructor does, kept here for the
    // tests that follow): a notice from another thread neither waits for the
    // window nor reaches it, and the address lookup stores nothing.
    struct Unretire {
        ChatClient& client;
        ~Unretire() { the_client = &client; }
    };
    LoopbackServer echo;
    set_ip_echo_url(format_text(L"http://127.0.0.1:%d/", static_cast<int>(echo.port())));
    client.connection.public_ip = L"192.0.2.1";
    start_public_ip_lookup(client);
    ASSERT_TRUE(echo.accept_client());
    HANDLE told = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread late;
    {
        Unretire unretire{client};
        retire_client(client);
        EXPECT_EQ(the_client.load(), nullptr);
        echo.receive_line();
        echo.send_bytes("HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\n203.0.113.9");
        EXPECT_TRUE(echo.wait_closed());

        late = std::thread([told] {
            show_status_notice("Download File", "late");
            SetEvent(told);
        });
        // This thread does not answer the window's messages meanwhile: a
        // notice that waited for the window would never be told.
        EXPECT_EQ(WaitForSingleObject(told, 60000), WAIT_OBJECT_0);
        // The lookup has handed on whatever it was going to.
        EXPECT_TRUE(wait_until([] { return public_ip_lookups_running() == 0; }));
    }
    CloseHandle(told);
    pump_messages();
    flush_chat_appends(client);  // runs whatever the lookup queued
    late.join();
    EXPECT_EQ(status(1), L"");
    EXPECT_EQ(client.connection.public_ip, L"192.0.2.1");
    set_ip_echo_url(L"");
}
