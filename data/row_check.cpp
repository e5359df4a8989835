/*
** row_check.cpp: the checks of a typed value against its column's input
** rule, their message lines, the stepping of auto-increment values and the
** key that links a row to the rows of another table.
**
** A check runs in a fixed order: memo columns pass as they stand; then
** editable, blank, length, the number's form and range, and last the
** profile items by long name or short-name prefix, several of them joined
** by the rule's delimiter.
**
**     char out[ROW_VALUE_SIZE];
**     col_check_value(rock, "GR", out);     // 0, out "Granite"
*/
#include "data/row_edit.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/pjct.h"

namespace {

/* The delimiter of several items when the rule's is not printable. */
constexpr char ROW_DEFAULT_DELIMITER = ' ';
/* The first and the excluded character codes of a printable delimiter. */
constexpr int ROW_PRINTABLE_FIRST = 32;
constexpr int ROW_DELETE_CODE = 127;

/* The text without blanks at either end. */
std::string row_trimmed(const char *text)
{
    std::string t = text ? text : "";
    size_t a = t.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = t.find_last_not_of(" \t\r\n");
    return t.substr(a, b - a + 1);
}

/* Copies a text into out (ROW_VALUE_SIZE bytes), cut to at most max
** characters when max is not negative. */
void row_put(char *out, const std::string &text, int max)
{
    size_t n = text.size();
    if (max >= 0 && n > (size_t)max) n = (size_t)max;
    if (n > ROW_VALUE_SIZE - 1) n = ROW_VALUE_SIZE - 1;
    memcpy(out, text.data(), n);
    out[n] = 0;
}

/* 1 for the exact types whose decimals are checked. */
int row_counts_decimals(int type)
{
    return type == SQL_TYPE_NUMERIC || type == SQL_TYPE_DEC || type == SQL_TYPE_INT || type == SQL_TYPE_SMALLINT;
}

/* The form of a number: 0, or the check code of the first fault. */
int row_check_number(const sql_col_rec *column, const std::string &t)
{
    int points = 0, decimals = 0, digits = 0;
    for (size_t i = 0; i < t.size(); i++) {
        char ch = t[i];
        if ((ch == '+' || ch == '-') && i == 0) continue;
        if (ch == '.') {
            if (++points > 1) return ROW_ERR_POINTS;
            continue;
        }
        if (!isdigit((unsigned char)ch)) return ROW_ERR_NON_NUMERIC;
        digits++;
        if (points) decimals++;
    }
    /* A sign or a point alone is no number. */
    if (!digits) return ROW_ERR_NON_NUMERIC;
    if (row_counts_decimals(column->sql_type)) {
        if (points && column->decimals == 0) return ROW_ERR_POINTS;
        if (decimals > column->decimals) return ROW_ERR_DECIMALS;
    }
    const col_attr_rec *r = column->attr;
    if (!r) return 0;
    double v = atof(t.c_str());
    if ((r->range & COL_ATTR_HAS_MIN) && v < r->minimum) return ROW_ERR_BELOW_MIN;
    if ((r->range & COL_ATTR_HAS_MAX) && v > r->maximum) return ROW_ERR_ABOVE_MAX;
    return 0;
}

/* The item a part names by long name, else by short name; null when none,
** with the common prefix length of several short-name candidates. */
item_node *row_item_named(item_node *tree, const std::string &part, int *prefix)
{
    *prefix = 0;
    item_node *n = item_find(tree, part.c_str());
    if (n) return n;
    return item_match_short(tree, part.c_str(), prefix);
}

/* Several items joined by the rule's delimiter: each part names an item;
** the output is their long names joined. */
int row_check_many(const sql_col_rec *column, const std::string &t, char *out)
{
    const col_attr_rec *r = column->attr;
    char delim = r->delimiter;
    if ((unsigned char)delim < ROW_PRINTABLE_FIRST || (unsigned char)delim == ROW_DELETE_CODE)
        delim = ROW_DEFAULT_DELIMITER;
    std::string joined;
    size_t at = 0;
    while (at <= t.size()) {
        size_t end = t.find(delim, at);
        if (end == std::string::npos) end = t.size();
        std::string part = row_trimmed(t.substr(at, end - at).c_str());
        at = end + 1;
        /* Two delimiters in a row (two blanks) name no part. */
        if (part.empty()) continue;
        int prefix = 0;
        item_node *n = row_item_named(r->tree, part, &prefix);
        if (!n) return ROW_ERR_NOT_IN_PRF;
        if (!joined.empty()) joined += delim;
        joined += n->name;
    }
    if ((int)joined.size() > column->length) return ROW_ERR_TOO_LONG;
    row_put(out, joined, -1);
    return 0;
}

}  // namespace

/* Checks a typed text against the column's input rule; see the header. */
int col_check_value(sql_col_rec *column, const char *text, char *out)
{
    if (!column || !text || !out) return -2;
    const col_attr_rec *r = column->attr;
    const int len = column->length > 0 ? column->length : 0;
    /* 1. A memo column keeps its own text (its memo lives elsewhere). */
    if (r && (r->flags & COL_ATTR_MEMO)) {
        row_put(out, column->text ? column->text : "", len);
        return 0;
    }
    /* 2. */
    std::string t = row_trimmed(text);
    row_put(out, t, len);
    /* 3. */
    if (r && !(r->flags & COL_ATTR_EDIT)) return ROW_ERR_NOT_EDITABLE;
    /* 4. */
    if (t.empty()) return r && (r->flags & COL_ATTR_NULL) ? ROW_ERR_BLANK : 0;
    /* 5. */
    if ((int)t.size() > len) return ROW_ERR_TOO_LONG;
    /* 6. */
    if (column->sql_type != SQL_TYPE_CHAR) {
        int rc = row_check_number(column, t);
        if (rc) return rc;
    }
    if (r && r->tree) {
        if (!(r->flags & COL_ATTR_MANY)) {
            /* 7. One item, by long name or short-name prefix. */
            int prefix = 0;
            item_node *n = row_item_named(r->tree, t, &prefix);
            if (!n) {
                if (prefix > 0) row_put(out, t, prefix);
                return ROW_ERR_NOT_IN_PRF;
            }
            if ((int)strlen(n->name) > len) {
                row_put(out, t, -1);
                return ROW_ERR_TOO_LONG;
            }
            row_put(out, n->name, -1);
        } else {
            /* 8. */
            int rc = row_check_many(column, t, out);
            if (rc) return rc;
        }
    }
    /* 9. */
    if (row_trimmed(out).empty()) row_put(out, t, len);
    return 0;
}

/* The message line of a check code; see the header. The fixed text of
** the code stands before the last thing named: "12.5 Too many decimal
** points in DIP", "DIP 95 is greater than maximum of 90.000000". */
int row_check_message(const sql_col_rec *column, int code, const char *text, std::string &out)
{
    if (!column || code >= 0) return -2;
    std::string t = row_trimmed(text ? text : column->text);
    const char *name = column->name;
    const char *fixed = err_text(code);
    const col_attr_rec *r = column->attr;
    char buf[ROW_VALUE_SIZE * 2];
    switch (code) {
    case ROW_ERR_POINTS:
    case ROW_ERR_DECIMALS:
    case ROW_ERR_NOT_EDITABLE:
    case ROW_ERR_BLANK:
    case ROW_ERR_NON_NUMERIC:
        snprintf(buf, sizeof buf, "%s %s %s", t.c_str(), fixed, name);
        break;
    case ROW_ERR_ABOVE_MAX:
    case ROW_ERR_BELOW_MIN:
        snprintf(buf, sizeof buf, "%s %s %s %.6lf", name, t.c_str(), fixed,
                 r ? (code == ROW_ERR_ABOVE_MAX ? r->maximum : r->minimum) : 0.0);
        break;
    case ROW_ERR_NOT_UNIQUE:
        snprintf(buf, sizeof buf, "%s: %s already exists in table %s", name, t.c_str(), column->table);
        break;
    case ROW_ERR_NOT_IN_PRF:
        snprintf(buf, sizeof buf, "Entry for %s %s %s %s", name, t.c_str(), fixed, r ? r->profile : "");
        break;
    case ROW_ERR_TOO_LONG:
        snprintf(buf, sizeof buf, "%s %s %s: max length is %d", t.c_str(), fixed, name, (int)column->length);
        break;
    default:
        snprintf(buf, sizeof buf, "Incorrect entry for %s", name);
        break;
    }
    out = buf;
    /* A blank text leaves a blank at the front. */
    out = row_trimmed(out.c_str());
    return 0;
}

/* Writes the message of a check code into "error"; see the header. */
int row_show_check_error(ads_hdlg dialog, sql_col_rec *column, int code, const char *text)
{
    if (!dialog) return -2;
    std::string line;
    if (row_check_message(column, code, text, line) != 0) return -2;
    ads_set_tile(dialog, "error", line.c_str());
    return 0;
}

/* The next value of an auto-increment text; see the header. The digit run
** is raised as text, so no run is too long. */
std::string row_step_text(const char *text)
{
    std::string t = text ? text : "";
    size_t end = t.size();
    while (end > 0 && (unsigned char)t[end - 1] <= ' ') end--;
    if (end == 0) return t;
    t.resize(end);
    size_t start = end;
    while (start > 0 && isdigit((unsigned char)t[start - 1])) start--;
    if (start == end) {
        t[end - 1] = (char)(t[end - 1] + 1);
        return t;
    }
    size_t i = end;
    while (i > start) {
        i--;
        if (t[i] != '9') {
            t[i]++;
            return t;
        }
        t[i] = '0';
    }
    t.insert(start, 1, '1');
    return t;
}

namespace {

/* The key slot two table types share, or -1: REFERENCE, LEGEND, UNIT,
** BOUNDARY, TRAVERSE and OUTCROP when either table is of that type, else
** STATION when either is of a type from ANALYSIS to STATION. */
int row_shared_slot(int a, int b)
{
    static const struct {
        int type;   /* table type */
        int slot;   /* the key slot it shares */
    } k_shared[] = {
        {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE}, {TBL_DEF_LEGEND, TBL_KEY_LEGEND},
        {TBL_DEF_UNIT, TBL_KEY_UNIT},           {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY},
        {TBL_DEF_TRAVERSE, TBL_KEY_TRAVERSE},   {TBL_DEF_OUTCROP, TBL_KEY_OUTCROP},
    };
    for (const auto &s : k_shared)
        if (a == s.type || b == s.type) return s.slot;
    auto field = [](int t) { return t >= TBL_DEF_ANALYSIS && t <= TBL_DEF_STATION; };
    if (field(a) || field(b)) return TBL_KEY_STATION;
    return -1;
}

/* The project whose registry holds the table; null when none. */
pjct_rec *row_project_of_table(const tbl_rec *target)
{
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
        for (tbl_rec *t = p->tables; t; t = t->next)
            if (t == target) return p;
    return nullptr;
}

}  // namespace

/* The key a row shares with a target table; see the header. The tables of
** the row's columns are tried in column order. */
int row_find_link_column(sql_col_rec *row, sql_col_rec **column, tbl_rec *target, sql_col_rec **target_column)
{
    if (!row || !column || !target || !target_column) return -2;
    *column = nullptr;
    *target_column = nullptr;
    pjct_rec *p = row_project_of_table(target);
    tbl_rec *tables = p ? p->tables : target;
    std::vector<std::string> tried;
    for (sql_col_rec *c = row; c; c = c->next) {
        bool seen = false;
        for (const auto &name : tried) seen = seen || tbl_name_cmp(name.c_str(), c->table) == 0;
        if (seen) continue;
        tried.push_back(c->table);
        tbl_rec *t = tbl_find_by_name(tables, c->table, nullptr);
        if (!t) continue;
        int slot = row_shared_slot(t->table_type, target->table_type);
        if (slot < 0 || !t->keys[slot] || !target->keys[slot]) continue;
        sql_col_rec *own = tbl_column_find(row, t->keys[slot]->name, t->name, nullptr);
        if (!own) continue;
        *column = own;
        *target_column = target->keys[slot];
        return 0;
    }
    return -1;
}
