#pragma once
#include <string>

class ChatClient;
struct ChatRecord;

// Sends a file sealed when the chat is a private one whose session holds:
// announces its id in the session, then hands it to a sender thread under a
// random wire name. User-interface thread.
enum class SealedSend {
    not_sealed,  // no session: the caller sends it the compatible way
    started,
    refused,     // a box said why
};
SealedSend send_sealed_file(ChatClient& client, ChatRecord& chat, const std::wstring& path,
                            const std::string& address);
