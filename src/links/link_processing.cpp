#include "links/link_processing.h"

#include "app/chat_client.h"
#include "irc/statistics.h"
#include "links/link_check.h"
#include "links/link_download.h"
#include "links/open_link.h"
#include "connection/receive_loop.h"

namespace {
// Searched as plain, case-sensitive substrings: they say what kind of link
// the line holds; the saved file's type is judged on its name alone
// (download_type_allowed).
constexpr const wchar_t* image_extensions[] = {L".jpg", L".jpeg", L".gif", L".png", L".webp", L".jfif", L".gifv"};
constexpr const wchar_t* video_extensions[] = {L".webm", L".mp4", L".mov", L".avi", L".mkv"};

// Links found in messages are opened without showing a window of their own.
constexpr int opened_link_show_command = 0;

template <size_t N>
bool contains_any(const std::wstring& text, const wchar_t* const (&needles)[N]) {
    for (const wchar_t* needle : needles)
        if (text.find(needle) != std::wstring::npos) return true;
    return false;
}

// Where the link starts in the line, or npos; `upgrade` when it is a plain
// "http:" link to be opened as "https:".
size_t find_link(const ChatClient& client, const std::wstring& line, bool& upgrade) {
    upgrade = false;
    const bool https_only = client.enable_https_only;
    std::wstring needle = https_only ? L"https" : L"http";
    size_t at = line.find(needle);
    if (at != std::wstring::npos) return at;
    needle[0] = L'H';
    at = line.find(needle);
    if (at != std::wstring::npos) return at;
    if (line.find(L"ttps:") != std::wstring::npos || !https_only || !client.enable_http_open)
        return std::wstring::npos;
    at = line.find(L"http:");
    upgrade = at != std::wstring::npos;
    return at;
}
}  // namespace

LinkDecision decide_link(const ChatClient& client, std::wstring& line) {
    LinkDecision decision;
    bool upgrade = false;
    const size_t at = find_link(client, line, upgrade);
    if (at == std::wstring::npos) return decision;
    // Only the first link counts: nothing after it is looked at again.
    const size_t end = line.find(L' ', at);
    if (end != std::wstring::npos) line.resize(end);
    decision.link = line.substr(at);
    if (upgrade) decision.link.insert(4, L"s");
    // What merely starts like a link (https\..\..\program.exe) is text.
    if (!is_web_link(decision.link, !client.enable_https_only)) return decision;

    // The extension may stand anywhere up to the link's end, even before it.
    const bool image = client.enable_http_prc_images && contains_any(line, image_extensions);
    const bool video = client.enable_http_prc_videos && contains_any(line, video_extensions);
    if (!image && !video && !client.enable_http_prc_web_pages) return decision;
    decision.video = video;
    if (client.enable_http_open)
        decision.action = LinkDecision::open;
    else
        decision.action = image || video ? LinkDecision::download : LinkDecision::count_only;
    return decision;
}

void process_link(ChatClient& client, int, std::wstring& line) {
    const LinkDecision decision = decide_link(client, line);
    if (decision.action == LinkDecision::none) return;
    count_event(client, client.stats_urls);
    if (decision.action == LinkDecision::open) {
        open_link_later(client, decision.link, opened_link_show_command);
    } else if (decision.action == LinkDecision::download) {
        std::wstring folder = program_folder();
        if (folder.empty()) folder = client.app_folder;
        queue_download(folder, decision.link, DownloadRequest{decision.video});
    }
}
