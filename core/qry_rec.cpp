/*
** qry_rec.cpp: the keyword tables of query conditions and the helpers
** that make, find, link and free queries, condition rows and output
** records (see qry.h).
*/
#include "core/qry.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/str_util.h"

/* Host result codes. */
#define QRY_ERR_ARG (-2)

/* The operators by index; a lookup by text searches the first
** QRY_OPERATOR_OFFERED of them. */
const char *const qry_operator_table[QRY_OPERATOR_COUNT] = {
    " ", "<", ">", "<=", ">=", "=", "NOT =", "LIKE", "NOT LIKE", "IS", "HAS", "INSIDE", "OUTSIDE", "NEAR",
    " ", "OLDER", "YOUNGER", "DURING",
};
const char *const qry_bracket_table[QRY_BRACKET_COUNT] = {" ", "(", ")"};
const char *const qry_connector_table[QRY_CONNECTOR_COUNT] = {"   ", "AND", "OR"};

/* A new query: empty name, no project, no lists. */
void qry_rec_init(qry_rec *query)
{
    if (!query) return;
    std::memset(query, 0, sizeof *query);
}

/* A new condition: blank connector, operator and brackets, nothing else. */
void qry_cond_init(qry_cond_rec *cond)
{
    if (!cond) return;
    std::memset(cond, 0, sizeof *cond);
    cond->connector = qry_connector_table[QRY_CONN_NONE];
    cond->op = qry_operator_table[QRY_OP_BLANK];
    cond->open_bracket = qry_bracket_table[QRY_BRACKET_NONE];
    cond->close_bracket = qry_bracket_table[QRY_BRACKET_NONE];
}

/* A new output record: no column, flags 0. */
void qry_out_init(qry_out_rec *out)
{
    if (!out) return;
    std::memset(out, 0, sizeof *out);
}

/* An allocated, initialised query; null without memory. */
qry_rec *qry_new(void)
{
    qry_rec *q = (qry_rec *)std::malloc(sizeof(qry_rec));
    qry_rec_init(q);
    return q;
}

/* An allocated, initialised condition; null without memory. */
qry_cond_rec *qry_cond_new(void)
{
    qry_cond_rec *c = (qry_cond_rec *)std::malloc(sizeof(qry_cond_rec));
    qry_cond_init(c);
    return c;
}

/* An allocated, initialised output record; null without memory. */
qry_out_rec *qry_out_new(void)
{
    qry_out_rec *o = (qry_out_rec *)std::malloc(sizeof(qry_out_rec));
    qry_out_init(o);
    return o;
}

/* Frees one condition with its value and points. */
void qry_cond_free(qry_cond_rec *cond)
{
    if (!cond) return;
    std::free(cond->value);
    std::free(cond->points);
    std::free(cond);
}

/* Replaces the condition's value by a copy; 0, -2 without a condition,
** -9101 without memory (the old value kept). */
int qry_cond_set_value(qry_cond_rec *cond, const char *text)
{
    if (!cond) return QRY_ERR_ARG;
    char *copy = nullptr;
    if (text) {
        copy = strdup(text);
        if (!copy) return ERR_NO_MEMORY;
    }
    std::free(cond->value);
    cond->value = copy;
    return 0;
}

/* Frees a condition list and clears its head. */
void qry_cond_list_free(qry_cond_rec **head)
{
    if (!head) return;
    for (qry_cond_rec *c = *head; c;) {
        qry_cond_rec *next = c->next;
        qry_cond_free(c);
        c = next;
    }
    *head = nullptr;
}

/* Frees an output list and clears its head. */
void qry_out_list_free(qry_out_rec **head)
{
    if (!head) return;
    for (qry_out_rec *o = *head; o;) {
        qry_out_rec *next = o->next;
        std::free(o);
        o = next;
    }
    *head = nullptr;
}

/* Frees one query with its four lists. */
void qry_free(qry_rec *query)
{
    if (!query) return;
    qry_cond_list_free(&query->conds);
    qry_cond_list_free(&query->filters);
    qry_cond_list_free(&query->joins);
    qry_out_list_free(&query->outputs);
    std::free(query);
}

/* Frees a query list with all its lists and clears its head. */
void qry_list_free(qry_rec **head)
{
    if (!head) return;
    for (qry_rec *q = *head; q;) {
        qry_rec *next = q->next;
        qry_free(q);
        q = next;
    }
    *head = nullptr;
}

/* The length of a text without blanks at both ends, and where it starts. */
static const char *qry_trimmed(const char *text, size_t *len)
{
    while (*text && (unsigned char)*text <= ' ') text++;
    size_t n = std::strlen(text);
    while (n > 0 && (unsigned char)text[n - 1] <= ' ') n--;
    *len = n;
    return text;
}

/* 1 when two texts are equal without regard to case and to blanks at
** both ends. */
static int qry_name_eq(const char *a, const char *b)
{
    size_t na, nb;
    a = qry_trimmed(a, &na);
    b = qry_trimmed(b, &nb);
    return na == nb && strncasecmp(a, b, na) == 0;
}

/* The query of that name and its position; null (index -1) when absent. */
qry_rec *qry_find(qry_rec *list, const char *name, int *index)
{
    if (index) *index = -1;
    if (!name) return nullptr;
    int i = 0;
    for (qry_rec *q = list; q; q = q->next, i++)
        if (qry_name_eq(q->name, name)) {
            if (index) *index = i;
            return q;
        }
    return nullptr;
}

/* The n-th query; null when out of range. */
qry_rec *qry_nth(qry_rec *list, int n)
{
    if (n < 0) return nullptr;
    for (qry_rec *q = list; q; q = q->next)
        if (n-- == 0) return q;
    return nullptr;
}

/* 1 when the query is in the list. */
int qry_list_contains(const qry_rec *list, const qry_rec *query)
{
    if (!query) return 0;
    for (const qry_rec *q = list; q; q = q->next)
        if (q == query) return 1;
    return 0;
}

/* Inserts the query before the first one whose name does not sort below
** its own, in byte order; 0, -2 for a null argument. */
int qry_list_insert(qry_rec **head, qry_rec *query)
{
    if (!head || !query) return QRY_ERR_ARG;
    qry_rec **at = head;
    while (*at && std::strcmp((*at)->name, query->name) < 0) at = &(*at)->next;
    query->next = *at;
    *at = query;
    return 0;
}

/* Takes the query out of the list; 1 when it was there. */
int qry_list_unlink(qry_rec **head, qry_rec *query)
{
    if (!head || !query) return 0;
    for (qry_rec **at = head; *at; at = &(*at)->next)
        if (*at == query) {
            *at = query->next;
            query->next = nullptr;
            return 1;
        }
    return 0;
}

/* The output record of that column (and table, when given). */
qry_out_rec *qry_out_find(qry_out_rec *list, const char *column, const char *table)
{
    if (!column) return nullptr;
    int any_table = !table || str_nonblank(table) != 5100;
    for (qry_out_rec *o = list; o; o = o->next) {
        if (!o->column || !str_eq_nocase(o->column->name, column)) continue;
        if (any_table || qry_name_eq(o->column->table, table)) return o;
    }
    return nullptr;
}

/* Index of an operator text among the offered operators; -1 when none. A
** blank text is the blank operator. */
int qry_op_index(const char *text)
{
    if (!text) return -1;
    size_t n;
    const char *t = qry_trimmed(text, &n);
    if (n == 0) return QRY_OP_BLANK;
    for (int i = QRY_OP_BLANK + 1; i < QRY_OPERATOR_OFFERED; i++)
        if (std::strlen(qry_operator_table[i]) == n && strncasecmp(qry_operator_table[i], t, n) == 0) return i;
    return -1;
}

/* Index of a connector text; blank texts are QRY_CONN_NONE; -1 unknown. */
int qry_connector_index(const char *text)
{
    if (!text) return QRY_CONN_NONE;
    size_t n;
    const char *t = qry_trimmed(text, &n);
    if (n == 0) return QRY_CONN_NONE;
    for (int i = QRY_CONN_AND; i < QRY_CONNECTOR_COUNT; i++)
        if (std::strlen(qry_connector_table[i]) == n && strncasecmp(qry_connector_table[i], t, n) == 0) return i;
    return -1;
}

/* Index of the condition's operator: its entry of the table, else its text
** among the offered ones; -1 unknown. */
int qry_cond_op(const qry_cond_rec *cond)
{
    if (!cond || !cond->op) return -1;
    for (int i = 0; i < QRY_OPERATOR_COUNT; i++)
        if (cond->op == qry_operator_table[i]) return i;
    return qry_op_index(cond->op);
}

/* Index of the condition's connector (0 for none or unknown). */
int qry_cond_connector(const qry_cond_rec *cond)
{
    if (!cond || !cond->connector) return QRY_CONN_NONE;
    for (int i = 0; i < QRY_CONNECTOR_COUNT; i++)
        if (cond->connector == qry_connector_table[i]) return i;
    int i = qry_connector_index(cond->connector);
    return i < 0 ? QRY_CONN_NONE : i;
}

/* 1 when the row has a column, a table, a value and a non-blank operator. */
int qry_cond_complete(const qry_cond_rec *cond)
{
    if (!cond || !cond->column || !cond->table || str_nonblank(cond->value) != 5100) return 0;
    int op = qry_cond_op(cond);
    return op > QRY_OP_BLANK && op != QRY_OP_BLANK_2;
}

/* 1 for a post-filter operator. */
int qry_op_is_filter(int op)
{
    return op >= QRY_OP_FIRST_FILTER && op != QRY_OP_BLANK_2;
}

/* 1 for INSIDE, OUTSIDE and NEAR. */
int qry_op_is_spatial(int op)
{
    return op == QRY_OP_INSIDE || op == QRY_OP_OUTSIDE || op == QRY_OP_NEAR;
}
