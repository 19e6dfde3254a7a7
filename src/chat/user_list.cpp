#include "chat/user_list.h"

#include "app/chat_client.h"

// Channel user lists are not built yet.
void add_user(ChatClient&, int, const wchar_t*) {}
bool remove_user(const wchar_t*, ChatClient&, int) { return false; }
bool rename_user(const wchar_t*, const wchar_t*, ChatClient&, int) { return false; }
void refresh_user_list(ChatClient&, int) {}
