/*
** pie_rec.cpp: the pie-diagram definitions (records, the project's list)
** and their setup tables: PVPIE holds one row per definition, PVPIEOUT one
** row per chosen column. The loader of PVPIE reads PVPIEOUT too, so that
** a definition is made whole with its columns; rows are kept in the order
** of the list, so a reload gives the same list (newest first).
*/
#include "core/pie_rec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/err_text.h"
#include "core/setup_tables.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

namespace {

constexpr int kOk = 0;                       /* a loader's or saver's success */
constexpr int kErrArg = -2;                  /* a missing argument        */
constexpr int kNonBlank = 5100;              /* str_nonblank of a text with a character */
constexpr const char *kDoubleFormat = "%.17g"; /* numbers read back exactly */

/* Columns of PVPIE in layout order (setup_tables.cpp). */
enum {
    PIE_ROW_NAME, PIE_ROW_RADIUS, PIE_ROW_CIRCLE, PIE_ROW_ABSENT, PIE_ROW_MAXIMUM, PIE_ROW_IN_WIDTH,
    PIE_ROW_IN_LENGTH, PIE_ROW_IN_WIDTH_PROP, PIE_ROW_IN_LENGTH_PROP, PIE_ROW_OUT_WIDTH, PIE_ROW_OUT_LENGTH,
    PIE_ROW_OUT_WIDTH_PROP, PIE_ROW_OUT_LENGTH_PROP
};
/* Columns of PVPIEOUT in layout order. */
enum { PIE_OUT_NAME, PIE_OUT_TABLE, PIE_OUT_COLUMN, PIE_OUT_INSIDE };

/* Copies a text trimmed into a buffer of `size` bytes, cut to fit. */
void copy_trimmed(char *to, size_t size, const char *from)
{
    std::string t = from ? from : "";
    size_t a = 0, b = t.size();
    while (a < b && (unsigned char)t[a] <= ' ') a++;
    while (b > a && (unsigned char)t[b - 1] <= ' ') b--;
    snprintf(to, size, "%s", t.substr(a, b - a).c_str());
}

/* Frees a ring of pie columns and clears its head. */
void ring_free(pie_col_rec **ring)
{
    while (*ring) {
        pie_col_rec *next = (*ring)->next;
        free(*ring);
        *ring = next;
    }
}

/* 1 when two names are equal without regard to case or blanks at both ends. */
int same_name(const char *a, const char *b)
{
    char x[PIE_NAME_SIZE], y[PIE_NAME_SIZE];
    copy_trimmed(x, sizeof x, a);
    copy_trimmed(y, sizeof y, b);
    return str_eq_nocase(x, y);
}

/* A number of a stored text; 0 for a blank text or one that is not a number. */
double stored_number(const char *text)
{
    return sql_is_number(text) ? strtod(text, nullptr) : 0.0;
}

/* A number as a stored text. */
std::string number_text(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, kDoubleFormat, v);
    return buf;
}

/* The registered column a stored table and column name name; null when none. */
sql_col_rec *registered_column(pjct_rec *project, const char *table, const char *column)
{
    tbl_rec *t = tbl_find_by_name(project->tables, table, nullptr);
    return t ? sql_col_find(t->columns, column, nullptr, nullptr) : nullptr;
}

/* Appends a stored column to a ring; 0, -9101 without memory. */
int append_stored(pjct_rec *project, pie_col_rec **ring, const char *table, const char *column)
{
    char t[SQL_COL_NAME_SIZE], c[SQL_COL_NAME_SIZE];
    copy_trimmed(t, sizeof t, table);
    copy_trimmed(c, sizeof c, column);
    pie_col_rec *added = pie_col_append(ring, registered_column(project, t, c));
    if (!added) return ERR_NO_MEMORY;
    snprintf(added->table, sizeof added->table, "%s", t);
    snprintf(added->name, sizeof added->name, "%s", c);
    return kOk;
}

/* Re-binds one ring; see pie_rebind_columns. */
void rebind_ring(pie_col_rec *ring, tbl_rec *row, const char *old_name)
{
    for (pie_col_rec *c = ring; c; c = c->next) {
        if (c->column ? tbl_name_cmp(c->column->table, old_name) != 0
                      : !row || tbl_name_cmp(c->table, row->name) != 0)
            continue;
        sql_col_rec *to = row ? tbl_column_find(row->columns, c->column ? c->column->name : c->name, nullptr,
                                                nullptr)
                              : nullptr;
        if (to) {
            snprintf(c->table, sizeof c->table, "%s", to->table);
            snprintf(c->name, sizeof c->name, "%s", to->name);
        }
        c->column = to;
    }
}

/* The PVPIEOUT rows of one ring. Columns are written by the names kept
** with them: a restructured table frees the column records they pointed
** at. */
void save_ring(const pie_rec *p, const pie_col_rec *ring, const char *inside, setup_text_rows *rows)
{
    for (const pie_col_rec *c = ring; c; c = c->next) rows->rows.push_back({p->name, c->table, c->name, inside});
}

}  // namespace

/* Clears a definition; see pie_rec.h. */
void pie_rec_init(pie_rec *rec)
{
    if (rec) memset(rec, 0, sizeof *rec);
}

/* Clears a pie column; see pie_rec.h. */
void pie_col_init(pie_col_rec *rec)
{
    if (rec) memset(rec, 0, sizeof *rec);
}

/* A new definition; see pie_rec.h. */
pie_rec *pie_new(void)
{
    pie_rec *p = (pie_rec *)malloc(sizeof(pie_rec));
    pie_rec_init(p);
    return p;
}

/* Appends a column to a ring; see pie_rec.h. */
pie_col_rec *pie_col_append(pie_col_rec **ring, sql_col_rec *column)
{
    if (!ring) return nullptr;
    pie_col_rec *c = (pie_col_rec *)malloc(sizeof(pie_col_rec));
    if (!c) return nullptr;
    pie_col_init(c);
    c->column = column;
    if (column) {
        snprintf(c->table, sizeof c->table, "%s", column->table);
        snprintf(c->name, sizeof c->name, "%s", column->name);
    }
    pie_col_rec **tail = ring;
    while (*tail) tail = &(*tail)->next;
    *tail = c;
    return c;
}

/* Frees one definition; see pie_rec.h. */
void pie_free(pie_rec *rec)
{
    if (!rec) return;
    ring_free(&rec->inside);
    ring_free(&rec->outside);
    free(rec);
}

/* Frees a list; see pie_rec.h. */
void pie_list_free(pie_rec **head)
{
    if (!head) return;
    while (*head) {
        pie_rec *next = (*head)->next;
        pie_free(*head);
        *head = next;
    }
}

/* The n-th definition; see pie_rec.h. */
pie_rec *pie_nth(pie_rec *list, int n)
{
    if (n < 0) return nullptr;
    for (pie_rec *p = list; p; p = p->next)
        if (n-- == 0) return p;
    return nullptr;
}

/* The definition of a name; see pie_rec.h. */
pie_rec *pie_find(pie_rec *list, const char *name, int *index)
{
    if (str_nonblank(name) != kNonBlank) return nullptr;
    int i = 0;
    for (pie_rec *p = list; p; p = p->next, i++)
        if (same_name(p->name, name)) {
            if (index) *index = i;
            return p;
        }
    return nullptr;
}

/* Unlinks a definition; see pie_rec.h. */
int pie_unlink(pjct_rec *project, pie_rec *rec)
{
    if (!project || !rec) return kErrArg;
    for (pie_rec **at = &project->pies; *at; at = &(*at)->next)
        if (*at == rec) {
            *at = rec->next;
            rec->next = nullptr;
            return kOk;
        }
    return -1;
}

/* Loads PVPIE and PVPIEOUT; see pie_rec.h. */
int setup_load_pvpie(pjct_rec *project, const setup_text_rows *rows)
{
    if (!project || !rows) return kErrArg;
    setup_text_rows columns;
    int rc = setup_table_read(project, setup_table_find("PVPIEOUT"), &columns);
    if (rc < 0) return rc;
    pie_rec **tail = &project->pies;
    while (*tail) tail = &(*tail)->next;
    for (const auto &row : rows->rows) {
        char name[PIE_NAME_SIZE];
        copy_trimmed(name, sizeof name, setup_row_text(row, PIE_ROW_NAME));
        if (!name[0] || pie_find(project->pies, name, nullptr)) continue;   /* unreachable or a repeat */
        pie_rec *p = pie_new();
        if (!p) return ERR_NO_MEMORY;
        snprintf(p->name, sizeof p->name, "%s", name);
        copy_trimmed(p->absent, sizeof p->absent, setup_row_text(row, PIE_ROW_ABSENT));
        p->radius = (float)stored_number(setup_row_text(row, PIE_ROW_RADIUS));
        p->circle = stored_number(setup_row_text(row, PIE_ROW_CIRCLE)) != 0;
        p->maximum = (float)stored_number(setup_row_text(row, PIE_ROW_MAXIMUM));
        p->in_width = (float)stored_number(setup_row_text(row, PIE_ROW_IN_WIDTH));
        p->in_length = (float)stored_number(setup_row_text(row, PIE_ROW_IN_LENGTH));
        p->in_width_prop = stored_number(setup_row_text(row, PIE_ROW_IN_WIDTH_PROP)) != 0;
        p->in_length_prop = stored_number(setup_row_text(row, PIE_ROW_IN_LENGTH_PROP)) != 0;
        p->out_width = (float)stored_number(setup_row_text(row, PIE_ROW_OUT_WIDTH));
        p->out_length = (float)stored_number(setup_row_text(row, PIE_ROW_OUT_LENGTH));
        p->out_width_prop = stored_number(setup_row_text(row, PIE_ROW_OUT_WIDTH_PROP)) != 0;
        p->out_length_prop = stored_number(setup_row_text(row, PIE_ROW_OUT_LENGTH_PROP)) != 0;
        *tail = p;   /* in stored order: the list stays newest first */
        tail = &p->next;
        for (const auto &c : columns.rows) {
            if (!same_name(setup_row_text(c, PIE_OUT_NAME), name)) continue;
            char inside[PIE_NAME_SIZE];
            copy_trimmed(inside, sizeof inside, setup_row_text(c, PIE_OUT_INSIDE));
            pie_col_rec **ring = str_eq_nocase(inside, PIE_INSIDE_MARK) ? &p->inside : &p->outside;
            rc = append_stored(project, ring, setup_row_text(c, PIE_OUT_TABLE), setup_row_text(c, PIE_OUT_COLUMN));
            if (rc < 0) return rc;
        }
    }
    return kOk;
}

/* Re-binds the definitions' columns; see pie_rec.h. */
void pie_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    if (!project || tbl_name_blank(old_name)) return;
    for (pie_rec *p = project->pies; p; p = p->next) {
        rebind_ring(p->inside, row, old_name);
        rebind_ring(p->outside, row, old_name);
    }
}

/* The PVPIE rows; see pie_rec.h. */
int setup_save_pvpie(pjct_rec *project, setup_text_rows *rows)
{
    if (!project || !rows) return kErrArg;
    for (const pie_rec *p = project->pies; p; p = p->next)
        rows->rows.push_back({p->name, number_text(p->radius), std::to_string(p->circle), p->absent,
                              number_text(p->maximum), number_text(p->in_width), number_text(p->in_length),
                              std::to_string(p->in_width_prop), std::to_string(p->in_length_prop),
                              number_text(p->out_width), number_text(p->out_length),
                              std::to_string(p->out_width_prop), std::to_string(p->out_length_prop)});
    return kOk;
}

/* The PVPIEOUT rows; see pie_rec.h. */
int setup_save_pvpieout(pjct_rec *project, setup_text_rows *rows)
{
    if (!project || !rows) return kErrArg;
    for (const pie_rec *p = project->pies; p; p = p->next) {
        save_ring(p, p->inside, PIE_INSIDE_MARK, rows);
        save_ring(p, p->outside, "", rows);
    }
    return kOk;
}
