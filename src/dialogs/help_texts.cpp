#include "dialogs/help_texts.h"

#include <initializer_list>

#include "resources/dialog_ids.h"

namespace {
struct HelpBox {
    int box;
    std::initializer_list<const wchar_t*> paragraphs;
};

const HelpBox help_boxes[] = {
    {IDC_HELP_FEATURES,
     {L"Messages and files are encrypted with the AES-256 algorithm before they leave your computer.",
      L"You can chat as usual and switch encryption on only for the messages you want to protect.",
      L"- Encrypted messages are always different even if the same message is encrypted with the same password.",
      L"Your IP address becomes known only to the users you allow to see it.",
      L"There is no DCC file transfer: Quillmere sends encrypted files with a point-to-point system of its own.",
      L"The connection to the IRC server does not use SSL/TLS. Such a connection protects only the way to the "
      L"server, where messages would lie in plain text again; Quillmere keeps them encrypted on the server too.",
      L"Use Quillmere when privacy matters most: passwords, addresses, photos and private conversations.",
      L"Keys: Ctrl+Tab and Ctrl+Shift+Tab (or Ctrl+PgDn and Ctrl+PgUp) go to the next and the previous chat, "
      L"Alt+1 to Alt+9 to the chat in that place (the server tab first, then the private chats, then the "
      L"channels), Ctrl+W closes the chat as its close button does. Ctrl+F finds text in the chat: Enter or F3 "
      L"finds the next match, Shift+Enter or Shift+F3 the one before, Esc closes the box. Typing anywhere in "
      L"the window goes to the input line.",
      L"Each line of a chat starts with the time it was said, in your Windows time format: the time the server "
      L"gives (a bouncer playing back what it kept keeps the times of its lines), else the time it arrived. "
      L"'Show the time of each line' in Settings/Preferences switches the times off."}},
    {IDC_HELP_COMPATIBILITY,
     {L"Encryption works only with other users of Quillmere.",
      L"Encrypted files go straight from one user to the other and never pass through the IRC server.",
      L"Encrypted messages do pass through the IRC server, but they stay encrypted there.",
      L"Note: only messages and files are encrypted. IRC commands, user names, nicknames, channel names and "
      L"channel access passwords are not."}},
    {IDC_HELP_MESSAGES,
     {L"1.- Select the password in the 'Encryption password' box.", L"2.- Check 'Encrypt message'.",
      L"3.- Type the message in the black box at the bottom and press Enter.",
      L"4.- If you want to continue chatting without encrypting messages, uncheck 'Encrypt message'.",
      L"Note: a receiver who holds the same password (section 'Settings/Passwords') reads the message. A receiver "
      L"without it, or without Quillmere, sees a block of hexadecimal characters. Do not send encrypted messages "
      L"in public channels: nobody there understands them and you may be kicked."}},
    {IDC_HELP_FILES,
     {L"1.- Open a private chat with the user.", L"2.- Select the password in the 'Encryption password' box.",
      L"3.- The other user must check 'Share my IP address' in the private chat with your nickname, and "
      L"'Allow receive files from users' in 'Settings/Preferences'.",
      L"4.- Press 'Get IP'.", L"5.- Press '...' button to select the file to send.",
      L"6.- Press 'Send encrypted file'.",
      L"Note: only users with whom you share your IP address can send you files, and files are received only "
      L"while 'Allow receive files from users' is checked.",
      L"- The received files are automatically saved in the 'Downloads' folder of the application.",
      L"Allow Quillmere through your firewall and open port 8087 on your Internet router."}},
};
}  // namespace

std::wstring help_text(int box) {
    for (const HelpBox& help : help_boxes) {
        if (help.box != box) continue;
        std::wstring text;
        for (const wchar_t* paragraph : help.paragraphs) {
            if (!text.empty()) text += L"\r\n\r\n";
            text += paragraph;
        }
        return text;
    }
    return {};
}
