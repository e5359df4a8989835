/*
** chem_term.cpp: the terms of chemistry diagrams' axis equations and
** their table PVCHEM, one row per term (layout in core/setup_tables.cpp).
** A row carries every field of its term and the term's position in the
** project's list, so a diagram's terms load back consecutive and in
** order; columns are stored by table and column name and found again
** among the registered tables at logon.
*/
#include "core/chem_term.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/pjct_list.h"
#include "core/setup_tables.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

const char *const chem_operator_names[CHEM_OP_COUNT] = {" ", "+", "-", "/", "x"};

namespace {

/* Numbers are written with 17 significant digits: they read back exactly. */
constexpr const char *kDoubleFormat = "%.17g";

/* Column indexes of PVCHEM (layout in setup_tables.cpp). */
enum {
    CHEMROW_PLOTNAME, CHEMROW_TERMNO, CHEMROW_AXIS, CHEMROW_LOGFLAG, CHEMROW_XMIN, CHEMROW_YMIN, CHEMROW_XMAX,
    CHEMROW_YMAX, CHEMROW_XSCALE, CHEMROW_YSCALE, CHEMROW_SYMTABLE, CHEMROW_SYMCOLUMN, CHEMROW_OPERATOR,
    CHEMROW_SCALAR1, CHEMROW_OPENBKT, CHEMROW_SCALAR2, CHEMROW_TABLENAME, CHEMROW_COLUMNNAME, CHEMROW_CLOSEBKT,
    CHEMROW_COUNT
};

/* The trimmed text of a row's column. */
std::string row_text(const std::vector<std::string> &row, int i)
{
    std::string t = setup_row_text(row, i);
    t.resize(strlen(str_trim(t.data())));
    return t;
}

/* A number of a row's column; 0 when blank or not a number. */
double row_number(const std::vector<std::string> &row, int i)
{
    const char *t = setup_row_text(row, i);
    return sql_is_number(t) ? strtod(t, nullptr) : 0.0;
}

/* A whole number of a row's column; fallback when blank, not a number or
** beyond an int32. */
int row_whole(const std::vector<std::string> &row, int i, int fallback)
{
    const char *t = setup_row_text(row, i);
    if (!sql_is_number(t)) return fallback;
    double v = strtod(t, nullptr);
    return v >= INT32_MIN && v <= INT32_MAX ? (int)v : fallback;
}

std::string number_text(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, kDoubleFormat, v);
    return buf;
}

/* Finds a column by its stored names, which the term's slots keep. */
sql_col_rec *resolve(pjct_rec *p, const std::string &table, const std::string &column, char *keep_table,
                     char *keep_column)
{
    if (table.empty() && column.empty()) return nullptr;
    snprintf(keep_table, SQL_COL_NAME_SIZE, "%s", table.c_str());
    snprintf(keep_column, SQL_COL_NAME_SIZE, "%s", column.c_str());
    return pjct_find_column(p, table.c_str(), column.c_str(), nullptr);
}

/* Re-binds one column slot of a term with the names kept for it; see
** chem_term_rebind_columns. The names stay when the column goes. */
void rebind_slot(sql_col_rec **slot, char *keep_table, char *keep_column, tbl_rec *row, const char *old_name)
{
    const sql_col_rec *was = *slot;
    if (was ? tbl_name_cmp(was->table, old_name) != 0
            : !row || !keep_column[0] || tbl_name_cmp(keep_table, row->name) != 0)
        return;
    sql_col_rec *to = row ? tbl_column_find(row->columns, was ? was->name : keep_column, nullptr, nullptr) : nullptr;
    if (to || was) {
        snprintf(keep_table, SQL_COL_NAME_SIZE, "%s", to ? to->table : was->table);
        snprintf(keep_column, SQL_COL_NAME_SIZE, "%s", to ? to->name : was->name);
    }
    *slot = to;
}

}  // namespace

/* Re-binds the terms' columns; see chem_term.h. */
void chem_term_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    if (!project || tbl_name_blank(old_name)) return;
    for (chem_term_rec *t = project->chem_terms; t; t = t->next) {
        rebind_slot(&t->column, t->col_table, t->col_name, row, old_name);
        rebind_slot(&t->symbol_col, t->sym_table, t->sym_name, row, old_name);
    }
}

/* Clears a term; see chem_term.h. */
void chem_term_init(chem_term_rec *term, int axis)
{
    memset(term, 0, sizeof *term);
    term->xscale = term->yscale = 1.0;
    term->axis = axis;
}

/* Answers a new term; see chem_term.h. */
chem_term_rec *chem_term_new(int axis)
{
    chem_term_rec *t = (chem_term_rec *)malloc(sizeof(chem_term_rec));
    if (t) chem_term_init(t, axis);
    return t;
}

/* Answers a copy; see chem_term.h. */
chem_term_rec *chem_term_copy(const chem_term_rec *term)
{
    chem_term_rec *t = (chem_term_rec *)malloc(sizeof(chem_term_rec));
    if (!t) return nullptr;
    *t = *term;
    t->next = nullptr;
    return t;
}

/* Frees a list; see chem_term.h. */
void chem_term_list_free(chem_term_rec **head)
{
    if (!head) return;
    while (*head) {
        chem_term_rec *next = (*head)->next;
        free(*head);
        *head = next;
    }
}

/* Appends copies; see chem_term.h. */
int chem_term_list_append(chem_term_rec **to, const chem_term_rec *from, const char *name)
{
    chem_term_rec **tail = to;
    while (*tail) tail = &(*tail)->next;
    for (const chem_term_rec *t = from; t; t = t->next) {
        chem_term_rec *c = chem_term_copy(t);
        if (!c) return ERR_NO_MEMORY;
        if (name) snprintf(c->name, sizeof c->name, "%s", name);
        *tail = c;
        tail = &c->next;
    }
    return 0;
}

/* Copies a column's names into a term's slots, or clears them. */
static void keep_names(const sql_col_rec *column, char *table, char *name)
{
    snprintf(table, SQL_COL_NAME_SIZE, "%s", column ? column->table : "");
    snprintf(name, SQL_COL_NAME_SIZE, "%s", column ? column->name : "");
}

/* Sets the column; see chem_term.h. */
void chem_term_set_column(chem_term_rec *term, const sql_col_rec *column)
{
    term->column = (sql_col_rec *)column;
    keep_names(column, term->col_table, term->col_name);
}

/* Sets the symbol column; see chem_term.h. */
void chem_term_set_symbol(chem_term_rec *term, const sql_col_rec *column)
{
    term->symbol_col = (sql_col_rec *)column;
    keep_names(column, term->sym_table, term->sym_name);
}

/* Answers whether the term is empty; see chem_term.h. */
int chem_term_is_empty(const chem_term_rec *term)
{
    return term->scalar2 == 0 && !term->column;
}

/* Answers the length of a list; see chem_term.h. */
int chem_term_count(const chem_term_rec *head)
{
    int n = 0;
    for (; head; head = head->next) ++n;
    return n;
}

/* Loads PVCHEM; see chem_term.h. */
int setup_load_pvchem(pjct_rec *project, const setup_text_rows *rows)
{
    if (!project || !rows) return -2;
    std::vector<const std::vector<std::string> *> order;
    for (const auto &r : rows->rows) order.push_back(&r);
    std::stable_sort(order.begin(), order.end(), [](const auto *a, const auto *b) {
        return row_whole(*a, CHEMROW_TERMNO, 0) < row_whole(*b, CHEMROW_TERMNO, 0);
    });
    chem_term_rec *head = nullptr, **tail = &head;
    for (const auto *r : order) {
        chem_term_rec *t = chem_term_new(CHEM_AXIS_UNSET);
        if (!t) {
            chem_term_list_free(&head);
            return ERR_NO_MEMORY;
        }
        snprintf(t->name, sizeof t->name, "%s", row_text(*r, CHEMROW_PLOTNAME).c_str());
        t->axis = row_whole(*r, CHEMROW_AXIS, CHEM_AXIS_UNSET);
        t->log_flag = row_whole(*r, CHEMROW_LOGFLAG, 0);
        t->xmin = row_number(*r, CHEMROW_XMIN);
        t->ymin = row_number(*r, CHEMROW_YMIN);
        t->xmax = row_number(*r, CHEMROW_XMAX);
        t->ymax = row_number(*r, CHEMROW_YMAX);
        t->xscale = row_number(*r, CHEMROW_XSCALE);
        t->yscale = row_number(*r, CHEMROW_YSCALE);
        if (t->xscale == 0) t->xscale = 1.0;
        if (t->yscale == 0) t->yscale = 1.0;
        t->symbol_col = resolve(project, row_text(*r, CHEMROW_SYMTABLE), row_text(*r, CHEMROW_SYMCOLUMN),
                                t->sym_table, t->sym_name);
        t->op = row_whole(*r, CHEMROW_OPERATOR, CHEM_OP_NONE);
        if (t->op < CHEM_OP_NONE || t->op >= CHEM_OP_COUNT) t->op = CHEM_OP_NONE;
        t->scalar1 = row_number(*r, CHEMROW_SCALAR1);
        t->open_bracket = row_whole(*r, CHEMROW_OPENBKT, 0) != 0;
        t->scalar2 = row_number(*r, CHEMROW_SCALAR2);
        t->column = resolve(project, row_text(*r, CHEMROW_TABLENAME), row_text(*r, CHEMROW_COLUMNNAME),
                            t->col_table, t->col_name);
        t->close_bracket = row_whole(*r, CHEMROW_CLOSEBKT, 0) != 0;
        *tail = t;
        tail = &t->next;
    }
    chem_term_list_free(&project->chem_terms);
    project->chem_terms = head;
    return 0;
}

/* Saves PVCHEM; see chem_term.h. */
int setup_save_pvchem(pjct_rec *project, setup_text_rows *rows)
{
    if (!project || !rows) return -2;
    int position = 0;
    for (const chem_term_rec *t = project->chem_terms; t; t = t->next) {
        std::vector<std::string> r(CHEMROW_COUNT);
        r[CHEMROW_PLOTNAME] = t->name;
        r[CHEMROW_TERMNO] = std::to_string(position++);
        r[CHEMROW_AXIS] = std::to_string(t->axis);
        r[CHEMROW_LOGFLAG] = std::to_string(t->log_flag);
        r[CHEMROW_XMIN] = number_text(t->xmin);
        r[CHEMROW_YMIN] = number_text(t->ymin);
        r[CHEMROW_XMAX] = number_text(t->xmax);
        r[CHEMROW_YMAX] = number_text(t->ymax);
        r[CHEMROW_XSCALE] = number_text(t->xscale);
        r[CHEMROW_YSCALE] = number_text(t->yscale);
        r[CHEMROW_SYMTABLE] = t->sym_table;
        r[CHEMROW_SYMCOLUMN] = t->sym_name;
        r[CHEMROW_OPERATOR] = std::to_string(t->op);
        r[CHEMROW_SCALAR1] = number_text(t->scalar1);
        r[CHEMROW_OPENBKT] = std::to_string(t->open_bracket);
        r[CHEMROW_SCALAR2] = number_text(t->scalar2);
        r[CHEMROW_TABLENAME] = t->col_table;
        r[CHEMROW_COLUMNNAME] = t->col_name;
        r[CHEMROW_CLOSEBKT] = std::to_string(t->close_bracket);
        rows->rows.push_back(std::move(r));
    }
    return 0;
}
