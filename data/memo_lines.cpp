/*
** memo_lines.cpp: memo texts as lines: splitting a text into the lines of
** a side table, the line list, the check of a typed line and filling a
** list tile.
**
** A list of lines always ends with an end line that is never stored:
** MEMO_END_SPLIT after memo_split, MEMO_END_EDITOR in the editor.
*/
#include "data/memo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/str_util.h"

namespace {

/* First code that is not a control character; 127 (delete) is a control
** code too. */
constexpr unsigned char MEMO_FIRST_PRINTABLE = 32;
constexpr unsigned char MEMO_DELETE = 127;
/* The codes above 127 that Windows-1252 gives no character (129, 141, 143,
** 144, 157). */
const unsigned char k_1252_gaps[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

/* Characters a line may be broken after. */
const char k_break_chars[] = " -,.;?/:";

/* What the splitter makes of a character: a blank for a control code (or
** a code Windows-1252 has no character for), else the character itself,
** so that accented letters, signs and quotes of the text are kept. */
int memo_split_char(unsigned char c)
{
    if (c < MEMO_FIRST_PRINTABLE || c == MEMO_DELETE) return ' ';
    for (unsigned char gap : k_1252_gaps)
        if (c == gap) return ' ';
    return c;
}

/* Cuts the head off a piece of text: after the last break character found
** searching back from its last character down to its second, or the whole
** piece when there is none. Answers the head; the rest stays in piece. */
std::string memo_cut(std::string &piece)
{
    size_t cut = piece.size();
    for (size_t i = piece.size(); i-- > 1;) {
        if (std::strchr(k_break_chars, piece[i])) {
            cut = i + 1;
            break;
        }
    }
    std::string head = piece.substr(0, cut);
    piece.erase(0, cut);
    return head;
}

}  // namespace

/* Splits a text into the state's line list; see memo.h. */
int memo_split(const char *text)
{
    if (!text) return -2;
    memo_rec *m = memo_state();
    memo_line_free(&m->lines);
    memo_line *tail = nullptr;
    std::string piece;
    auto emit = [&](const std::string &line) {
        memo_line *l = memo_line_add(&m->lines, tail, line.c_str());
        if (l) tail = l;
        return l != nullptr;
    };
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        piece += (char)memo_split_char(*p);
        if ((int)piece.size() == MEMO_SPLIT_WIDTH && !emit(memo_cut(piece))) goto no_memory;
    }
    while (!piece.empty())
        if (!emit(memo_cut(piece))) goto no_memory;
    if (m->lines && !emit(MEMO_END_SPLIT)) goto no_memory;
    return 0;
no_memory:
    memo_line_free(&m->lines);
    return ERR_NO_MEMORY;
}

/* The lines of a text, as memo_split makes them; see memo.h. */
int memo_split_lines(const char *text, std::vector<std::string> &out)
{
    out.clear();
    memo_reset();
    int rc = memo_split(text);
    for (memo_line *l = memo_state()->lines; rc == 0 && l && l->next; l = l->next) out.emplace_back(l->text);
    memo_reset();
    return rc;
}

/* Checks a typed line; see memo.h. */
int memo_check_line(const char *text)
{
    if (!text) return -2;
    for (int i = 0; text[i]; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c < MEMO_FIRST_PRINTABLE || c == MEMO_DELETE || c == '\'') {
            msg_alert(ERR_TITLE, "Illegal character %i at column %i.", (int)c, i + 1);
            return RTERROR;
        }
    }
    return RTNORM;
}

/* Links a new line after another or at the head; see memo.h. */
memo_line *memo_line_add(memo_line **list, memo_line *after, const char *text)
{
    if (!list || !text) return nullptr;
    memo_line *l = (memo_line *)std::malloc(sizeof(memo_line));
    char *buf = (char *)std::malloc(MEMO_LINE_SIZE);
    if (!l || !buf) {
        std::free(l);
        std::free(buf);
        return nullptr;
    }
    std::snprintf(buf, MEMO_LINE_SIZE, "%s", text);
    l->text = buf;
    if (after) {
        l->next = after->next;
        after->next = l;
    } else {
        l->next = *list;
        *list = l;
    }
    return l;
}

/* The line at an index; see memo.h. */
memo_line *memo_line_nth(memo_line *list, long index)
{
    if (index < 0) return nullptr;
    for (; list && index > 0; index--) list = list->next;
    return list;
}

/* Unlinks and frees the line at an index; see memo.h. */
int memo_line_remove(memo_line **list, long index)
{
    if (!list || index < 0) return -1;
    memo_line **slot = list;
    for (; *slot && index > 0; index--) slot = &(*slot)->next;
    memo_line *l = *slot;
    if (!l) return -1;
    *slot = l->next;
    std::free(l->text);
    std::free(l);
    return 0;
}

/* Frees a line list; see memo.h. */
void memo_line_free(memo_line **list)
{
    if (!list) return;
    while (*list) {
        memo_line *next = (*list)->next;
        std::free((*list)->text);
        std::free(*list);
        *list = next;
    }
}

/* Fills a list tile with the lines that are not blank; see memo.h. */
int memo_fill_list(ads_hdlg dialog, const char *tile, const memo_line *list)
{
    if (!dialog || !tile) return -2;
    ads_start_list(dialog, tile, LIST_NEW, 0);
    for (; list; list = list->next)
        if (str_nonblank(list->text) == RTNORM) ads_add_list(list->text);
    ads_end_list();
    return RTNORM;
}
