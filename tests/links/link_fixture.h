#pragma once
// What the link tests share: a recorder in place of the shell, the link
// preferences, and the status bar's text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "links/open_link.h"
#include "mainwindow/main_window.h"
#include "support/test_client.h"

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

struct Preferences {
    bool open, https_only, images, videos, pages;
};
constexpr Preferences defaults{true, true, true, false, false};

inline Preferences with(Preferences p, void (*change)(Preferences&)) {
    change(p);
    return p;
}

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
        set(defaults);
        downloads = std::wstring(client.app_folder) + L"Downloads\\";
        show_status_notice("", "");
    }
    void TearDown() override { set_link_opener(nullptr); }
    void set(const Preferences& p) {
        client.enable_http_open = p.open;
        client.enable_https_only = p.https_only;
        client.enable_http_prc_images = p.images;
        client.enable_http_prc_videos = p.videos;
        client.enable_http_prc_web_pages = p.pages;
    }
    std::wstring status(int part) const {
        wchar_t text[512] = {};
        if (LOWORD(SendMessageW(client.status_bar, SB_GETTEXTLENGTHW, part, 0)) < 512)
            SendMessageW(client.status_bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
};

}  // namespace link_test
