#pragma once
#include <string>

class ChatClient;

// Looks for the first web link in a message line just shown in `slot` and
// opens or downloads it as the link preferences say. `line` may be cut in
// place. Called by the PRIVMSG handler on the receive thread when the chat's
// process_links switch is on.
void process_link(ChatClient& client, int slot, std::wstring& line);

// What process_link does with a line: the link it found (opened links have
// "http:" upgraded when only secure links are wanted) and the action, none
// for anything but a well-formed web address (is_web_link). The line is cut
// after the link as for process_link.
struct LinkDecision {
    enum Action { none, open, download, count_only } action = none;
    std::wstring link;
    bool video = false;  // a video's extension was found (its switch on)
};
LinkDecision decide_link(const ChatClient& client, std::wstring& line);

