#pragma once

// Every text the file transfer shows. Status texts go under the label
// "File Trans." (crypto/file_crypto.h holds it with the decryption results).
namespace transfer_text {

// Receiver.
constexpr wchar_t invalid_listen_socket[] = L"Invalid socket to receive files.";
constexpr wchar_t bind_failed[] = L"Socket error to receive files.";
constexpr wchar_t listen_failed[] = L"Error listening on socket to receive files.";
constexpr wchar_t allowed[] = L"Allowed to receive files.";
constexpr wchar_t not_allowed[] = L"NOT allowed to receive files.";
constexpr wchar_t client_connected[] = L"Client user connected to send file.";
constexpr wchar_t refused_name[] = L"File refused: the name sent is not a plain file name ending in .zof.";
constexpr wchar_t refused_size[] = L"File '%s' refused: its size is not 1 to 9 decimal digits.";
constexpr wchar_t cannot_save[] = L"File '%s' not received: it could not be saved in the Downloads folder.";
constexpr wchar_t receive_cut[] = L"File '%s' not received: the connection ended before the end of the file.";
constexpr wchar_t receiving[] = L"Receiving '%s': %d%% (%s of %s)";
constexpr wchar_t refused_busy[] = L"A sender was turned away: %d transfers are in progress already.";
constexpr wchar_t refused_address[] = L"A sender at %s was turned away: %d transfers from there are in progress already.";
constexpr wchar_t refused_room[] = L"File '%s' refused: there is no room for it in the Downloads folder now.";
constexpr wchar_t slow_sender[] = L"File '%s' not received: the sender sent too slowly.";
constexpr wchar_t late_sender[] = L"File '%s' not received: the transfer took longer than allowed.";

// Sender.
constexpr wchar_t connecting[] = L"Connecting to user IP %s:%d";
constexpr wchar_t invalid_send_socket[] = L"Invalid socket to send files.";
constexpr wchar_t connect_failed[] =
    L"Failed to connect to send file.\nThe user receiving the file must check 'Allow receive files' in "
    L"'Settings/Preferences'.";
constexpr wchar_t connected[] = L"Connected to user IP %s:%d (Sending encrypted file)";
constexpr wchar_t sending[] = L"Sending '%s': %d%% (%s of %s)";
constexpr wchar_t sent[] = L"File successfully sent.";
constexpr wchar_t send_cut[] = L"File '%s' not sent: the connection ended before the end of the file.";
constexpr wchar_t send_read_failed[] = L"File '%s' not sent: the file could not be read to its end.";

// Boxes of the send command (text, caption).
struct BoxText {
    const wchar_t* text;
    const wchar_t* caption;
};
constexpr BoxText no_file_chosen{L"File not found.\r\nPlease selected file to send.", L"File not found"};
constexpr BoxText file_missing{L"File not found.\r\nThe selected file doesn't exist.", L"File not found"};
constexpr BoxText no_peer_address{
    L"Please get the IP address of the user you want to send the file.\nThe other user must check 'Share my IP "
    L"address'.\nIt only works for users of Quillmere application.",
    L"User IP address required"};
constexpr BoxText no_password{L"Please select the encryption password before send the file.",
                              L"Encryption password required"};
constexpr BoxText encryption_error{L"Encryption error.", L"Encryption error"};
constexpr BoxText file_too_large{
    L"The file is too large to send.\nIts encrypted form must be smaller than 1,000,000,000 bytes.",
    L"File too large"};
constexpr BoxText name_too_long{
    L"The file name is too long to send.\nThe name with the ending \".zof\" must fit in 128 bytes.",
    L"File name too long"};
constexpr BoxText name_outside_code_page{
    L"The file name holds characters that cannot be sent.\nFile names travel as 8-bit text in this system's code "
    L"page; please rename the file using only its characters.",
    L"File name not supported"};

// The open-file dialog.
constexpr wchar_t choose_title[] = L"Select file to send";
constexpr wchar_t choose_filter[] = L"All files\0*.*\0";

}  // namespace transfer_text
