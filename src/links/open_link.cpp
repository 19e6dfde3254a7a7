#include "links/open_link.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "app/chat_client.h"
#include "chat/ui_thread.h"
#include "links/link_check.h"

namespace {
void open_with_shell(const std::wstring& link, int show_command) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.lpFile = link.c_str();
    info.nShow = show_command;
    // Failures of the shell are not reported: the user sees no browser and
    // can open the address by hand.
    ShellExecuteExW(&info);
}

std::atomic<LinkOpener> link_opener{nullptr};
}  // namespace

void open_link(const std::wstring& link, int show_command) {
    if (!is_web_link(link)) return;
    const LinkOpener opener = link_opener;
    (opener ? opener : open_with_shell)(link, show_command);
}

void open_link_later(ChatClient& client, const std::wstring& link, int show_command) {
    if (!is_web_link(link)) return;
    post_ui_task(client, [link, show_command] { open_link(link, show_command); }, TaskKind::droppable);
}

void set_link_opener(LinkOpener opener) {
    link_opener = opener;
}
