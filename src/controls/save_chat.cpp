#include <windows.h>
#include <richedit.h>

#include <cstdio>
#include <string>

#include "app/chat_client.h"
#include "app/file_names.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "controls/buffer_actions.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "mainwindow/main_window.h"
#include "controls/buffer_texts.h"

namespace {
// Room for the name before its extension.
constexpr size_t file_name_limit = 127;

// The buffer's whole plain text, line ends as CR LF.
std::wstring buffer_text_of(HWND buffer) {
    GETTEXTLENGTHEX measure{GTL_NUMCHARS | GTL_USECRLF | GTL_PRECISE, 1200};
    const LRESULT length = SendMessageW(buffer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX request{};
    request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    request.flags = GT_USECRLF;
    request.codepage = 1200;
    const LRESULT copied =
        SendMessageW(buffer, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// A chat the code page holds is saved in it, as it always was; any other as
// UTF-8 after a byte order mark, by which editors know it.
std::string saved_bytes(const std::wstring& text) {
    TextForm form = TextForm::code_page;
    std::string bytes = encode_wire_text(text, CP_THREAD_ACP, &form);
    if (form == TextForm::utf8) bytes.insert(0, utf8_byte_order_mark);
    return bytes;
}

bool write_file(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                       written == content.size();
    CloseHandle(file);
    return whole;
}
}  // namespace

std::wstring saved_chat_file_name(const std::wstring& chat_name, const SYSTEMTIME& now) {
    auto name_with = [&](const std::wstring& chat) {
        return format_text(buffer_text::chat_file_format, chat, int(now.wYear), int(now.wMonth), int(now.wDay),
                           int(now.wHour), int(now.wMinute), int(now.wSecond));
    };
    // A long chat name gives way so that the date and time stay whole.
    const size_t fixed = name_with(L"").size();
    std::wstring chat = chat_name;
    if (fixed + chat.size() > file_name_limit) chat.resize(file_name_limit > fixed ? file_name_limit - fixed : 0);
    // A chat name comes from the server: it must not lead out of the folder.
    return clean_file_name(name_with(chat) + buffer_text::chat_file_extension);
}

bool save_chat(ChatClient& client, int slot) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return save_chat(client, slot, now);
}

bool save_chat(ChatClient& client, int slot, const SYSTEMTIME& now) {
    if (slot < 0 || slot >= chat_slot_count) return true;
    flush_chat_appends(client, slot);
    ChatRecord& chat = client.chats[slot];
    if (!chat.in_use || !chat.buffer) return true;
    const std::wstring text = buffer_text_of(chat.buffer->window);
    if (text.empty()) return true;

    const std::wstring path = std::wstring(client.app_folder) + buffer_text::downloads_folder +
                              saved_chat_file_name(chat_name(client, slot), now);
    if (!write_file(path, saved_bytes(text))) {
        show_message_box(client.main_window, buffer_text::cannot_create_file, buffer_text::file_caption,
                         MB_OK | MB_ICONERROR);
        return false;
    }
    show_status_notice(buffer_text::saved_title, format_text(buffer_text::saved_format, path));
    return true;
}
