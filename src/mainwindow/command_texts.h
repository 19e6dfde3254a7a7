#pragma once

// The status notices and boxes of the main window's chat and channel commands
// (titles and texts are 8-bit: show_status_notice takes them so).
namespace command_text {

struct Notice {
    const char* title;
    const char* text;
};

// Channel modes; the password notices end with the password itself.
constexpr Notice password_on{"Password ON", "The following access password has been set for this channel: "};
constexpr Notice password_off{"Password OFF", "The access password for this channel has been removed: "};
constexpr Notice secret_on{"SecretChan ON", "Don't show this channel in the channel list of the server"};
constexpr Notice secret_off{"SecretChan OFF", "Show this channel in the channel list of the server"};
constexpr Notice moderated_on{"ModeratedChan ON", "Only operators and users with voice can send messages to channel"};
constexpr Notice moderated_off{"ModeratedChan OFF", "All users can send messages to channel"};

constexpr wchar_t password_missing_text[] =
    L"Password not defined for this channel.\nUse menu bar option 'Settings/Channels'.";
constexpr wchar_t password_missing_caption[] = L"Password not defined";

// Voice: the user's nickname stands between the two halves of the text.
constexpr const char* voice_off_title = "Voice OFF";
constexpr const char* voice_on_title = "Voice ON";
constexpr const char* voice_text_lead = "User ";
constexpr const char* voice_off_tail = " can't send messages to channel";
constexpr const char* voice_on_tail = " can send messages to channel";

// Display switches of a chat, each with its notice for the new state.
constexpr Notice users_in_out_on{"Users In/Out ON", "Show users that join and leave this channel"};
constexpr Notice users_in_out_off{"Users In/Out OFF", "Don't show users that join and leave this channel"};
constexpr Notice messages_on{"Show Messages", "Show messages from the channel"};
constexpr Notice messages_off{"Hide Messages", "Don't show messages from the channel"};
constexpr Notice links_on{"Process http ON", "Auto-process 'http' links to files in messages."};
constexpr Notice links_off{"Process http OFF", "Don't auto-process 'http' links to files in messages."};
constexpr Notice sound_on{"MsgSound ON", "Play sound when message is received."};
constexpr Notice sound_off{"MsgSound OFF", "No play sound when message is received."};

// Written into the channel when its messages are shown or hidden.
constexpr wchar_t messages_shown_line[] = L"Set: Show messages from the channel";
constexpr wchar_t messages_hidden_line[] = L"Set: Don't show messages from the channel";

constexpr wchar_t disconnect_line[] = L"\r\n**** Disconnect by user ****\r\n";

constexpr wchar_t website_url[] = L"https://quillmere.app/quillmere/index.html";

}  // namespace command_text
