/*
** plot_memo.cpp: sizing, loading and binding the memo columns of the
** plotted rows.
*/
#include "output/plot/plot_memo.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/memo.h"
#include "output/plot/plot_state.h"

namespace {

/* The placeholder a memo column holds. */
const char k_memo[] = "MEMO";

/* 1 for the types whose memo columns are left alone. */
int memo_untouched(int type)
{
    return type == PLOT_TYPE_IMAGE || (type >= PLOT_TYPE_STEREO && type <= PLOT_TYPE_DHOLE);
}

/* 1 for the types that carry a memo at its own length. */
int memo_short(int type)
{
    return type == PLOT_TYPE_MAP || type == PLOT_TYPE_TEXT;
}

/* Gives the column new text and value buffers of size bytes each holding
** text (cut to size - 1), a length of size - 1 and binds it again. 0;
** -9101 without memory (the column keeps its buffers). */
int give_buffers(sql_col_rec *c, int size, const char *text, int position, void *cursor)
{
    char *t = (char *)std::calloc((size_t)size, 1);
    char *v = (char *)std::calloc((size_t)size, 1);
    if (!t || !v) {
        std::free(t);
        std::free(v);
        return ERR_NO_MEMORY;
    }
    std::strncpy(t, text, (size_t)size - 1);
    std::memcpy(v, t, (size_t)size);
    std::free(c->text);
    std::free(c->value);
    c->text = t;
    c->value = v;
    c->length = size - 1;
    c->value_size = size;
    if (cursor) sql_bind_column(cursor, c, position);
    return 0;
}

/* The memo text of the row the column belongs to (by its table's
** BASENUMBER value), padded with blanks to width, or to its own length
** (at least PLOT_MEMO_SHORT) when width is 0, into *out (a heap text); a
** row without a memo gets blanks. 0; -9101 without memory; the read's code
** when the memo cannot be read, with failure saying whose. */
int memo_text_of(sql_col_rec *c, sql_col_rec *row, int width, char **out, std::string *failure)
{
    *out = nullptr;
    char *memo = nullptr;
    sql_col_rec *key = sql_row_key_column(c, row);
    long number = key && key->text ? std::atol(key->text) : 0;
    int rc = number < 1 ? -1 : memo_get_text(c->table, number, c->connection, &memo, 0);
    /* No lines, no side table or no table to read them from: no memo. */
    if (rc < 0 && rc != -1 && rc != -2) {
        std::free(memo);
        if (failure)
            *failure = "the memo of row " + std::to_string(number) + " of table " + str_trim_right(c->table) +
                       " cannot be read: " + sql_failure_text(rc);
        return rc;
    }
    if (rc < 0) {
        std::free(memo);
        memo = strdup("");
        if (!memo) return ERR_NO_MEMORY;
    }
    int n = (int)std::strlen(memo);
    if (!width) width = n <= PLOT_MEMO_SHORT ? PLOT_MEMO_SHORT : n;
    *out = (char *)std::malloc((size_t)width + 1);
    if (*out) {
        int keep = n < width ? n : width;
        std::memcpy(*out, memo, (size_t)keep);
        std::memset(*out + keep, ' ', (size_t)(width - keep));
        (*out)[width] = 0;
    }
    std::free(memo);
    return *out ? 0 : ERR_NO_MEMORY;
}

} // namespace

/* Whether a column is a memo column holding its placeholder; see the header. */
int plot_is_memo_column(const sql_col_rec *c)
{
    if (!c || !c->attr || !(c->attr->flags & PLOT_RULE_MEMO) || c->value_type != SQL_HOST_STRING || !c->text)
        return 0;
    size_t n = std::strlen(c->text);
    while (n && c->text[n - 1] == ' ') n--;
    return n == sizeof k_memo - 1 && std::strncmp(c->text, k_memo, n) == 0;
}

/* Sizes and loads the memo columns; see the header. */
int plot_size_memo_columns(int load, sql_col_rec *row, void *cursor, std::string *failure)
{
    if (!row) return -2;
    const int type = plot_type;
    if (memo_untouched(type)) return 0;
    int position = 0, rc = 0;
    for (sql_col_rec *c = row; c; c = c->next, position++) {
        if (!plot_is_memo_column(c)) continue;
        if (!load) {
            /* The map and text outputs take the memo at its own length,
            ** the others at the fixed width; the cursor keeps a buffer
            ** that holds the placeholder. */
            if (memo_short(type)) rc = give_buffers(c, PLOT_MEMO_SHORT + 1, k_memo, position, cursor);
            else if (c->display_width < PLOT_MEMO_WIDTH) {
                /* The display width stays: the browser sizes its lines by it. */
                rc = give_buffers(c, PLOT_MEMO_WIDTH + 1, k_memo, position, cursor);
            }
        } else {
            char *text = nullptr;
            rc = memo_text_of(c, row, memo_short(type) ? 0 : PLOT_MEMO_WIDTH, &text, failure);
            if (rc < 0) return rc;
            const int length = (int)std::strlen(text);
            if (memo_short(type) || c->value_size < length + 1)
                rc = give_buffers(c, length + 1, text, position, cursor);
            else {
                std::memcpy(c->text, text, (size_t)length + 1);
                std::memcpy(c->value, text, (size_t)length + 1);
            }
            c->null_ind = 0;
            std::free(text);
        }
        if (rc < 0) return rc;
    }
    return 0;
}

/* Sizes the memo columns back and binds them; see the header. */
int plot_rebind_memo_columns(sql_col_rec *row, void *cursor)
{
    if (!row) return -2;
    if (memo_untouched(plot_type)) return 0;
    int position = 0;
    for (sql_col_rec *c = row; c; c = c->next, position++) {
        if (!c->attr || !(c->attr->flags & PLOT_RULE_MEMO) || c->value_type != SQL_HOST_STRING) continue;
        int length = c->value_size - 1;
        if (length < 0) length = 0;
        int text_size = length > (int)std::strlen(c->name) ? length : (int)std::strlen(c->name);
        text_size += 1;
        if (text_size < PLOT_MEMO_MIN_TEXT) text_size = PLOT_MEMO_MIN_TEXT;
        char *t = (char *)std::calloc((size_t)text_size, 1);
        char *v = (char *)std::calloc((size_t)(c->value_size > 0 ? c->value_size : 1), 1);
        if (!t || !v) {
            std::free(t);
            std::free(v);
            return ERR_NO_MEMORY;
        }
        std::free(c->text);
        std::free(c->value);
        c->text = t;
        c->value = v;
        c->length = length;
        if (c->value_size < 1) c->value_size = 1;
        if (cursor) sql_bind_column(cursor, c, position);
    }
    return 0;
}
