// Every rich-edit insertion costs far more than its text (the control rewraps
// and rescrolls each time), so a run of lines for one buffer goes in as one RTF
// insertion carrying all its colours. Text the RTF form cannot reproduce
// exactly (control characters, lone line ends, kept formats) takes the plain
// path: one EM_REPLACESEL per piece, as the single-line writer always did.

#include "chat/rich_write.h"

#include <richedit.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <cstdio>
#include <iterator>
#include <string>

#include "chat/irc_formatting.h"
#include "chat/palette.h"
#include "chat/queue_stats.h"

namespace {
constexpr const wchar_t* line_break_text = L"\r\n";
// The face of text its sender marked as monospaced.
constexpr const char* monospace_face = "Courier New";
constexpr const wchar_t* monospace_face_wide = L"Courier New";

long text_length(HWND buffer) {
    GETTEXTLENGTHEX how{GTL_NUMCHARS, 1200};
    return static_cast<long>(SendMessageW(buffer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
}

// Characters the pieces add to the buffer's length (a line end counts one).
long added_length(const PendingLine& piece) {
    long length = 0;
    for (size_t at = 0; at < piece.text.size(); ++at)
        if (!(piece.text[at] == L'\n' && at > 0 && piece.text[at - 1] == L'\r')) ++length;
    return length + (piece.line_break ? 1 : 0);
}

}  // namespace

void select_end(HWND buffer) {
    CHARRANGE end{LONG_MAX, LONG_MAX};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
}

LONG line_start_after(HWND buffer, LONG at) {
    wchar_t after[1024];
    TEXTRANGEW range{{at, at + static_cast<LONG>(std::size(after)) - 1}, after};
    const LONG read = static_cast<LONG>(SendMessageW(buffer, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    for (LONG next = 0; next < read; ++next) {
        if (after[next] != L'\r' && after[next] != L'\n') continue;
        return at + next + (after[next] == L'\r' && next + 1 < read && after[next + 1] == L'\n' ? 2 : 1);
    }
    return at;
}

long cut_step(long limit) { return limit / 500; }

long incoming_length(const std::vector<PendingLine>& pieces) {
    long incoming = 0;
    for (const PendingLine& piece : pieces) incoming += added_length(piece);
    return incoming;
}

namespace {
// Drops the first `cut` characters and the rest of the line the cut falls
// into, so that no half line stays on top.
void drop_front(HWND buffer, LONG cut) {
    cut = line_start_after(buffer, cut);
    CHARRANGE front{0, cut};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&front));
    SendMessageW(buffer, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

// Makes room for what is about to be written and returns the index of the
// first piece worth writing: pieces that would be dropped at once are skipped,
// and a batch longer than the scrollback replaces the whole buffer. Cuts are
// made a five-hundredth of the limit at a time, and each cut goes that far
// beyond what the batch needs: the control's cost of a cut from the front
// grows with the cut times the lines left behind it (under Wine about 20 ms
// for 1,000 characters from a full buffer of the default scrollback), so a
// larger step would hold the window longer at every write.
size_t make_room(HWND buffer, const std::vector<PendingLine>& pieces, long limit) {
    const long incoming = incoming_length(pieces);
    long length = text_length(buffer);
    if (length + incoming <= limit) return 0;
    const long step = cut_step(limit);
    long cut = length + incoming - limit + step;
    size_t first = 0;
    if (cut > length) {
        long skipped = 0;
        for (size_t at = 0; at < pieces.size() && skipped < cut - length; ++at) {
            skipped += added_length(pieces[at]);
            if (pieces[at].line_break) first = at + 1;
        }
        cut = length;
    }
    while (cut > 0 && length > 0) {
        const long piece = cut < step ? cut : step;
        drop_front(buffer, piece);
        const long left = text_length(buffer);
        note_front_cut(length - left);
        cut -= length - left;
        length = left;
    }
    return first;
}

bool fits_rtf(const PendingLine& piece) {
    if (piece.colour == keep_format || piece.background == keep_format) return false;
    const std::wstring& text = piece.text;
    for (size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c >= 0x20) continue;
        if (c == L'\r' && at + 1 < text.size() && text[at + 1] == L'\n') {
            ++at;
            continue;
        }
        return false;
    }
    return true;
}

int colour_index(std::vector<COLORREF>& table, COLORREF colour) {
    for (size_t at = 0; at < table.size(); ++at)
        if (table[at] == colour) return static_cast<int>(at) + 1;  // 0 means the automatic colour
    table.push_back(colour);
    return static_cast<int>(table.size());
}

void add_rtf_text(std::string& rtf, const std::wstring& text) {
    char number[16];
    for (size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (c == L'\r') {  // always "\r\n" here (fits_rtf)
            rtf += "\\par ";
            ++at;
        } else if (c == L'\\' || c == L'{' || c == L'}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c < 0x7F) {
            rtf += static_cast<char>(c);
        } else {
            std::snprintf(number, sizeof number, "\\u%d?", static_cast<int>(static_cast<short>(c)));
            rtf += number;
        }
    }
}

// A run's look: its effects and its two colours, the reverse effect applied.
struct RunLook {
    std::uint8_t effects = 0;
    COLORREF colour = 0, background = 0;
};

RunLook look_of(const PendingLine& piece, const FormatRun& run) {
    RunLook look{run.effects, piece.colour, piece.background};
    irc_colour(run.colour, look.colour);
    irc_colour(run.background, look.background);
    if (run.effects & FormatRun::reverse) std::swap(look.colour, look.background);
    return look;
}

// The chat's text is bold throughout; in a piece whose sender made some of it
// bold, the rest is shown regular, so that the bold stands out.
bool uses_bold(const PendingLine& piece) {
    for (const FormatRun& run : piece.runs)
        if (run.effects & FormatRun::bold) return true;
    return false;
}

bool uses_monospace(const std::vector<PendingLine>& pieces, size_t first) {
    for (size_t at = first; at < pieces.size(); ++at)
        for (const FormatRun& run : pieces[at].runs)
            if (run.effects & FormatRun::monospace) return true;
    return false;
}

// The segments of a piece, each with its run (the piece's own format before
// the first run); run starts beyond the text (a cut piece) are left out.
template <class Write>
void for_each_segment(const PendingLine& piece, Write write) {
    const size_t size = piece.text.size();
    size_t from = 0;
    FormatRun current;
    for (const FormatRun& run : piece.runs) {
        const size_t start = std::min<size_t>(run.start, size);
        if (start > from) write(piece.text.substr(from, start - from), current);
        from = std::max(from, start);
        current = run;
    }
    if (from < size) write(piece.text.substr(from), current);
}

void add_formatted_rtf(std::string& body, std::vector<COLORREF>& table, const PendingLine& piece, bool fonts) {
    const bool regular_base = uses_bold(piece);
    char words[160];
    for_each_segment(piece, [&](const std::wstring& text, const FormatRun& run) {
        const RunLook look = look_of(piece, run);
        std::snprintf(words, sizeof words, "%s%s%s%s\\cf%d\\highlight%d%s ",
                      (look.effects & FormatRun::bold) || !regular_base ? "\\b" : "\\b0",
                      look.effects & FormatRun::italic ? "\\i" : "\\i0",
                      look.effects & FormatRun::underline ? "\\ul" : "\\ul0",
                      look.effects & FormatRun::strikethrough ? "\\strike" : "\\strike0",
                      colour_index(table, look.colour), colour_index(table, look.background),
                      !fonts ? "" : look.effects & FormatRun::monospace ? "\\f1" : "\\f0");
        body += words;
        add_rtf_text(body, text);
    });
    body += fonts ? "\\b\\i0\\ul0\\strike0\\f0 " : "\\b\\i0\\ul0\\strike0 ";
}

// The font table, only when some text is monospaced: the buffer's own font
// first, so that the rest of the text keeps it.
std::string font_table(HWND buffer) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(buffer, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    std::string face;
    add_rtf_text(face, format.szFaceName);
    char size[32];
    std::snprintf(size, sizeof size, "\\fs%ld ", format.yHeight > 0 ? format.yHeight / 10 : 20);
    return "{\\fonttbl{\\f0 " + face + ";}{\\f1\\fmodern " + monospace_face + ";}}\\f0" + size;
}

std::string rtf_of(HWND buffer, const std::vector<PendingLine>& pieces, size_t first) {
    std::vector<COLORREF> table;
    std::string body;
    char words[96];
    const bool fonts = uses_monospace(pieces, first);
    // Every effect switched off but bold, as the single-piece writer's
    // CFM_EFFECTS2 format does; then only the colours that change: the
    // control's reader pays for every word.
    body += "\\b\\i0\\ul0\\strike0 ";
    int text_colour = -1, back_colour = -1;
    for (size_t at = first; at < pieces.size(); ++at) {
        const PendingLine& piece = pieces[at];
        if (!piece.runs.empty()) {
            add_formatted_rtf(body, table, piece, fonts);
            text_colour = back_colour = -1;
        } else {
            const int text = colour_index(table, piece.colour), back = colour_index(table, piece.background);
            if (text != text_colour || back != back_colour) {
                std::snprintf(words, sizeof words, "\\cf%d\\highlight%d ", text, back);
                body += words;
                text_colour = text;
                back_colour = back;
            }
            add_rtf_text(body, piece.text);
        }
        if (piece.line_break) body += "\\par\n";
    }
    std::string rtf = "{\\rtf1\\ansi\\uc1";
    if (fonts) rtf += font_table(buffer);
    rtf += "{\\colortbl;";
    for (COLORREF colour : table) {
        std::snprintf(words, sizeof words, "\\red%d\\green%d\\blue%d;", GetRValue(colour), GetGValue(colour),
                      GetBValue(colour));
        rtf += words;
    }
    rtf += "}";
    rtf += body;
    rtf += "}";
    return rtf;
}

void set_format(HWND buffer, const RunLook& look, bool regular_base) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_EFFECTS2 | CFM_FACE;
    const bool bold = (look.effects & FormatRun::bold) || !regular_base;
    format.dwEffects = (bold ? CFE_BOLD : 0) | (look.effects & FormatRun::italic ? CFE_ITALIC : 0) |
                       (look.effects & FormatRun::underline ? CFE_UNDERLINE : 0) |
                       (look.effects & FormatRun::strikethrough ? CFE_STRIKEOUT : 0);
    format.crTextColor = look.colour;
    format.crBackColor = look.background;
    if (look.effects & FormatRun::monospace) {
        wcsncpy(format.szFaceName, monospace_face_wide, LF_FACESIZE - 1);
    } else {
        format.dwMask &= ~CFM_FACE;
    }
    SendMessageW(buffer, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// A formatted piece on the plain path: one insertion per segment. The face
// of a monospaced segment is put back afterwards.
void write_plain_formatted(HWND buffer, const PendingLine& piece) {
    CHARFORMAT2W before{};
    before.cbSize = sizeof before;
    SendMessageW(buffer, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&before));
    const bool regular_base = uses_bold(piece);
    for_each_segment(piece, [&](const std::wstring& text, const FormatRun& run) {
        select_end(buffer);
        set_format(buffer, look_of(piece, run), regular_base);
        SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
        if (run.effects & FormatRun::monospace) {
            select_end(buffer);
            CHARFORMAT2W face{};
            face.cbSize = sizeof face;
            face.dwMask = CFM_FACE;
            wcsncpy(face.szFaceName, before.szFaceName, LF_FACESIZE - 1);
            SendMessageW(buffer, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&face));
        }
    });
}

void write_plain(HWND buffer, const PendingLine& piece) {
    if (!piece.runs.empty() && piece.colour != keep_format && piece.background != keep_format) {
        write_plain_formatted(buffer, piece);
        if (piece.line_break) {
            select_end(buffer);
            set_format(buffer, RunLook{0, piece.colour, piece.background}, false);
            SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line_break_text));
        }
        return;
    }
    select_end(buffer);
    if (piece.colour != keep_format && piece.background != keep_format) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_EFFECTS2;  // every effect named, only bold switched on
        format.dwEffects = CFE_BOLD;
        format.crTextColor = piece.colour;
        format.crBackColor = piece.background;
        SendMessageW(buffer, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    if (!piece.text.empty()) SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(piece.text.c_str()));
    if (piece.line_break) SendMessageW(buffer, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(line_break_text));
}
}  // namespace

long buffer_text_length(HWND buffer) {
    return text_length(buffer);
}

bool leaves_nothing_behind(long long text, long limit) {
    return text + cut_step(limit) >= limit;
}

bool leaves_nothing_behind(const std::vector<PendingLine>& pieces, long limit, long long text_behind) {
    return leaves_nothing_behind(incoming_length(pieces) + text_behind, limit);
}

void write_pieces(HWND buffer, const std::vector<PendingLine>& pieces, long limit) {
    if (pieces.empty()) return;
    RedrawOff quiet(buffer);
    const size_t first = make_room(buffer, pieces, limit);
    bool rtf = true;
    for (size_t at = first; at < pieces.size() && rtf; ++at) rtf = fits_rtf(pieces[at]);
    if (!rtf) {
        for (size_t at = first; at < pieces.size(); ++at) write_plain(buffer, pieces[at]);
        return;
    }
    if (first >= pieces.size()) return;
    const std::string text = rtf_of(buffer, pieces, first);
    select_end(buffer);
    SETTEXTEX how{ST_SELECTION, CP_ACP};
    SendMessageW(buffer, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(text.c_str()));
    // EM_REPLACESEL brings the caret into view; the RTF insertion must too, or
    // the next line would count as written while the reader is scrolled up.
    SendMessageW(buffer, EM_SCROLLCARET, 0, 0);
}
