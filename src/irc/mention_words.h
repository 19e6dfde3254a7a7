#pragma once
#include <string>

// Whether `text` holds `word` standing on its own: in any letter case, with
// no letter, digit or nickname character ([]\`_^{|}-) joined to it on either
// side. "bob" is in "hi bob!" and "Bob: hi", not in "bobby" or "bob_".
bool holds_word(const std::wstring& text, const std::wstring& word);

// Whether a message mentions the user: their nickname, or one of the
// highlight words (separated by spaces or commas), as a word of the text.
bool is_mention(const std::wstring& text, const std::wstring& nickname, const std::wstring& highlight_words);

class ChatClient;
// The same for the user's nickname and highlight words now; any thread.
bool mentions_user(ChatClient& client, const std::wstring& text);
