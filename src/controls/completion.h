#pragma once
#include <string>
#include <vector>

class ChatClient;

// Tab completion of the word before the caret. Candidates are tried in the
// order given; matching ignores letter case. A repeated Tab, with the line
// and caret as the last completion left them, moves on to the next candidate.
class Completion {
public:
    struct Edit {
        std::wstring text;
        size_t caret = 0;
    };

    // The completed line, or nothing when no candidate fits. `candidates_for`
    // is asked for the candidates of the word (its text, its start in the line).
    template <class Candidates>
    bool complete(Edit& edit, Candidates candidates_for) {
        if (!cycling(edit)) {
            const size_t start = word_start(edit);
            matches_ = matching(edit.text.substr(start, edit.caret - start), candidates_for(edit, start));
            if (matches_.empty()) return false;
            start_ = start;
            tail_ = edit.text.substr(edit.caret);
            next_ = 0;
        }
        apply(edit);
        return true;
    }
    // Any other key: the next Tab starts afresh.
    void forget() { matches_.clear(); }

private:
    bool cycling(const Edit& edit) const;
    static size_t word_start(const Edit& edit);
    static std::vector<std::wstring> matching(const std::wstring& word, const std::vector<std::wstring>& candidates);
    void apply(Edit& edit);

    std::vector<std::wstring> matches_;
    size_t start_ = 0, next_ = 0;
    std::wstring tail_;
    Edit last_;
};

// The candidates in the selected chat for a word at `start` of `line`:
// command words after a leading "/", open channels after "#", else the chat's
// users, those who spoke lately first, then alphabetically. User-interface thread.
std::vector<std::wstring> completion_candidates(ChatClient& client, const std::wstring& line, size_t start);
