#pragma once
// What the link tests share: a recorder in place of the shell, the link
// preferences, and the status bar's text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "links/link_download.h"
#include "links/open_link.h"
#include "mainwindow/main_window.h"
#include "support/test_client.h"
#include "support/window_probe.h"

namespace link_test {

struct Opened {
    std::wstring link;
    int show = -1;
    DWORD thread = 0;
};
inline std::mutex opened_lock;
inline std::vector<Opened> opened;

inline void record_opening(const std::wstring& link, int show) {
    std::lock_guard<std::mutex> guard(opened_lock);
    opened.push_back({link, show, GetCurrentThreadId()});
}

inline size_t opened_count() {
    std::lock_guard<std::mutex> guard(opened_lock);
    return opened.size();
}

// The link limiter's clock: tests move it by hand.
inline std::atomic<unsigned long long> fake_now{1000000};

struct Preferences {
    bool open, https_only, images, videos, pages;
};
constexpr Preferences defaults{true, true, true, false, false};

inline Preferences with(Preferences p, void (*change)(Preferences&)) {
    change(p);
    return p;
}

// Every text written into the status bar's notice part while one lives.
class NoticeRecorder {
public:
    explicit NoticeRecorder(HWND bar) : bar_(bar) {
        texts().clear();
        original() = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record)));
    }
    ~NoticeRecorder() { SetWindowLongPtrW(bar_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original())); }
    size_t count(const std::wstring& text) const {
        size_t seen = 0;
        for (const std::wstring& written : texts()) seen += written == text ? 1 : 0;
        return seen;
    }

private:
    static LRESULT CALLBACK record(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == SB_SETTEXTW && LOBYTE(LOWORD(wparam)) == 1 && lparam)
            texts().push_back(reinterpret_cast<const wchar_t*>(lparam));
        return CallWindowProcW(original(), window, message, wparam, lparam);
    }
    static std::vector<std::wstring>& texts() {
        static std::vector<std::wstring> written;
        return written;
    }
    static WNDPROC& original() {
        static WNDPROC proc = nullptr;
        return proc;
    }
    HWND bar_;
};

class LinkTest : public testing::Test {
protected:
    ChatClient& client = test_client();
    std::wstring downloads;

    void SetUp() override {
        set_link_opener(record_opening);
        {
            std::lock_guard<std::mutex> guard(opened_lock);
            opened.clear();
        }
        // A fresh limiter, an hour after whatever the last test opened.
        fake_now += 3600000;
        reset_link_open_limiter([] { return fake_now.load(); });
        set(defaults);
        allow_local_link_downloads(true);  // the stub servers listen on this machine
        set_download_limits(DownloadLimits{});
        downloads = std::wstring(client.app_folder) + L"Downloads\\";
        show_status_notice("", "");
    }
    void TearDown() override {
        set_link_opener(nullptr);
        reset_link_open_limiter();
    }
    void set(const Preferences& p) {
        client.enable_http_open = p.open;
        client.enable_https_only = p.https_only;
        client.enable_http_prc_images = p.images;
        client.enable_http_prc_videos = p.videos;
        client.enable_http_prc_web_pages = p.pages;
    }
    std::wstring status(int part) const { return status_text(client, part); }
};

}  // namespace link_test
