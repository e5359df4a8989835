/*
** tblsetup_tree.cpp: the setup tree of the table setup dialog.
**
** The tree is a list of table nodes, each with its column nodes in table
** order and a second list holding copies of its primary-key columns in key
** order. A node built from a registered table keeps a copy of its tbl_rec
** whose column list is the registry's (shared, never freed with the node).
**
**     tblsetup_build_tree(project);                 // one node per registered table
**     tblsetup_table_node *t = tblsetup_table_find(tblsetup_state_get()->tree, "statn", &i);
*/
#include "data/tblsetup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/setup_store.h"

namespace {

/* Type names of the column types, by type index. */
const char *const k_type_names[TS_TYPE_COUNT] = {"CHAR", "NUMERIC", "DEC", "INT",
                                                  "SMALLINT", "FLOAT", "REAL", "DOUBLE"};

/* Key slots of a table type's primary key, in key order; TBL_KEY_COUNT ends
** a list. */
struct ts_key_order {
    int type;                   /* table type */
    int slots[6];               /* key slots, then TBL_KEY_COUNT */
};
const ts_key_order k_key_orders[] = {
    {TBL_DEF_ANALYSIS, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_ANALYSIS, TBL_KEY_COUNT}},
    {TBL_DEF_SAMPLE, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_COUNT}},
    {TBL_DEF_COMPOSE, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_COUNT}},
    {TBL_DEF_GENESIS, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_COUNT}},
    {TBL_DEF_ROCK, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_COUNT}},
    {TBL_DEF_SEGMENT, {TBL_KEY_STATION, TBL_KEY_SEGMENT, TBL_KEY_COUNT}},
    {TBL_DEF_STATION, {TBL_KEY_STATION, TBL_KEY_COUNT}},
    {TBL_DEF_OUTCROP, {TBL_KEY_OUTCROP, TBL_KEY_COUNT}},
    {TBL_DEF_TRAVERSE, {TBL_KEY_TRAVERSE, TBL_KEY_COUNT}},
    {TBL_DEF_BOUNDARY, {TBL_KEY_BOUNDARY, TBL_KEY_COUNT}},
    {TBL_DEF_UNIT, {TBL_KEY_UNIT, TBL_KEY_COUNT}},
    {TBL_DEF_LEGEND, {TBL_KEY_LEGEND, TBL_KEY_COUNT}},
    {TBL_DEF_REFERENCE, {TBL_KEY_REFERENCE, TBL_KEY_COUNT}},
    {TBL_DEF_DICTION, {TBL_KEY_DICTION, TBL_KEY_COUNT}},
    {TBL_DEF_OTHER, {TBL_KEY_BASENUMBER, TBL_KEY_COUNT}},
};

}  // namespace

/* A heap copy of a node name; null when memory is short. */
char *tblsetup_strdup(const char *text)
{
    size_t n = std::strlen(text) + 1;
    char *copy = (char *)std::malloc(n);
    if (copy) std::memcpy(copy, text, n);
    return copy;
}

/* A new column node: no name, type TS_TYPE_NONE, everything else zero;
** null when memory is short. */
tblsetup_column_node *tblsetup_column_new(void)
{
    tblsetup_column_node *n = (tblsetup_column_node *)std::calloc(1, sizeof *n);
    if (n) n->type = TS_TYPE_NONE;
    return n;
}

/* A new table node, all zero; null when memory is short. */
tblsetup_table_node *tblsetup_table_new(void)
{
    return (tblsetup_table_node *)std::calloc(1, sizeof(tblsetup_table_node));
}

/* Frees a column node with its name. Answers 1, or -1 for null. */
int tblsetup_column_free(tblsetup_column_node *node)
{
    if (!node) return -1;
    std::free(node->name);
    std::free(node);
    return 1;
}

/* Frees a table node with its name, both column lists and its row copy
** (not the row's column list, which is the registry's). Answers 1, or -1
** for null. */
int tblsetup_table_free(tblsetup_table_node *node)
{
    if (!node) return -1;
    std::free(node->name);
    tblsetup_column_list_free(&node->columns);
    tblsetup_column_list_free(&node->key_columns);
    std::free(node->row);
    std::free(node);
    return 1;
}

/* Frees a list of column nodes and clears its head. Answers 1; -1 for an
** empty list or a null head. */
int tblsetup_column_list_free(tblsetup_column_node **head)
{
    if (!head || !*head) return -1;
    while (*head) {
        tblsetup_column_node *next = (*head)->next;
        tblsetup_column_free(*head);
        *head = next;
    }
    return 1;
}

/* Frees a tree and clears its root. Answers 1; -1 for an empty tree or a
** null root. */
int tblsetup_table_list_free(tblsetup_table_node **root)
{
    if (!root || !*root) return -1;
    tblsetup_state *s = tblsetup_state_get();
    while (*root) {
        tblsetup_table_node *next = (*root)->next;
        if (s->table == *root) s->table = nullptr;
        tblsetup_table_free(*root);
        *root = next;
    }
    return 1;
}

/* Removes the characters of code 32 or below at both ends in place;
** answers the text (null stays null). */
char *tblsetup_trim(char *text)
{
    if (!text) return text;
    size_t start = 0, n = std::strlen(text);
    while (start < n && (unsigned char)text[start] <= ' ') start++;
    while (n > start && (unsigned char)text[n - 1] <= ' ') n--;
    std::memmove(text, text + start, n - start);
    text[n - start] = '\0';
    return text;
}

/* Appends a column node after trimming its name. Answers 1; -1 (nothing
** linked) for a null argument, an empty name, a type outside 0..7, CHAR
** longer than 255, or NUMERIC or DEC decimals above 0 that leave no room
** for sign and point. */
int tblsetup_column_append(tblsetup_column_node **head, tblsetup_column_node *node)
{
    if (!head || !node || !node->name) return -1;
    if (!*tblsetup_trim(node->name)) return -1;
    if (node->type < TS_TYPE_CHAR || node->type > TS_TYPE_DOUBLE) return -1;
    if (node->type == TS_TYPE_CHAR && node->length > TS_CHAR_MAX_TREE) return -1;
    if ((node->type == TS_TYPE_NUMERIC || node->type == TS_TYPE_DEC) && node->decimals > 0 &&
        node->decimals + TS_DECIMAL_ROOM > node->length)
        return -1;
    node->next = nullptr;
    while (*head) head = &(*head)->next;
    *head = node;
    return 1;
}

/* Appends a table node without the column conditions (a table just named
** in the dialog). Answers 1; -1 for a null argument or an empty name. */
int tblsetup_table_append(tblsetup_table_node **root, tblsetup_table_node *node)
{
    if (!root || !node || !node->name) return -1;
    if (!*tblsetup_trim(node->name)) return -1;
    int count = 0;
    for (tblsetup_column_node *c = node->columns; c; c = c->next) count++;
    node->column_count = count;
    node->next = nullptr;
    while (*root) root = &(*root)->next;
    *root = node;
    return 1;
}

/* Appends a table node that has columns and a primary key. Answers 1; -1
** for an empty name, no columns or no key columns. */
int tblsetup_table_append_full(tblsetup_table_node **root, tblsetup_table_node *node)
{
    if (!node || !node->columns || !node->key_columns) return -1;
    return tblsetup_table_append(root, node);
}

/* Unlinks and frees a column node. Answers 1; -1 when the list is empty
** or does not hold it. */
int tblsetup_column_remove(tblsetup_column_node **head, tblsetup_column_node *node)
{
    if (!head || !node) return -1;
    for (tblsetup_column_node **l = head; *l; l = &(*l)->next) {
        if (*l != node) continue;
        *l = node->next;
        tblsetup_state *s = tblsetup_state_get();
        if (s->column == node) s->column = nullptr;
        tblsetup_column_free(node);
        return 1;
    }
    return -1;
}

/* Unlinks and frees a table node; its name is kept among the removed ones,
** which alone the save may take for gone. Answers 1; -1 when the tree is
** empty or does not hold it. */
int tblsetup_table_remove(tblsetup_table_node **root, tblsetup_table_node *node)
{
    if (!root || !node) return -1;
    for (tblsetup_table_node **l = root; *l; l = &(*l)->next) {
        if (*l != node) continue;
        *l = node->next;
        tblsetup_state *s = tblsetup_state_get();
        if (node->name) s->removed.push_back(node->name);
        if (s->table == node) s->table = nullptr;
        tblsetup_table_free(node);
        return 1;
    }
    return -1;
}

/* The column node of that name (letters without regard to case) and its
** position from 0; null (index -1) when absent. */
tblsetup_column_node *tblsetup_column_find(tblsetup_column_node *list, const char *name, int *index)
{
    int i = 0;
    for (tblsetup_column_node *c = list; c && name; c = c->next, i++)
        if (c->name && setup_name_eq(c->name, name)) {
            if (index) *index = i;
            return c;
        }
    if (index) *index = -1;
    return nullptr;
}

/* The table node of that name and its position from 0; null (index -1)
** when absent. */
tblsetup_table_node *tblsetup_table_find(tblsetup_table_node *root, const char *name, int *index)
{
    int i = 0;
    for (tblsetup_table_node *t = root; t && name; t = t->next, i++)
        if (t->name && setup_name_eq(t->name, name)) {
            if (index) *index = i;
            return t;
        }
    if (index) *index = -1;
    return nullptr;
}

/* The column node at position n from 0; null past the end or below 0. */
tblsetup_column_node *tblsetup_column_nth(tblsetup_column_node *list, int n)
{
    if (n < 0) return nullptr;
    while (list && n-- > 0) list = list->next;
    return list;
}

/* The table node at position n from 0; null past the end or below 0. */
tblsetup_table_node *tblsetup_table_nth(tblsetup_table_node *root, int n)
{
    if (n < 0) return nullptr;
    while (root && n-- > 0) root = root->next;
    return root;
}

/* The type index of an SQL type code (1..8 give 0..7); -1 for another code. */
int tblsetup_type_index(int sql_type)
{
    if (sql_type < SQL_TYPE_CHAR || sql_type > SQL_TYPE_DOUBLE) return TS_TYPE_NONE;
    return sql_type - SQL_TYPE_CHAR;
}

/* The name of a type index ("CHAR".."DOUBLE"); null outside 0..7. */
const char *tblsetup_type_name(int type)
{
    if (type < TS_TYPE_CHAR || type > TS_TYPE_DOUBLE) return nullptr;
    return k_type_names[type];
}

/* Writes a column's size text ("(%d)" for CHAR and FLOAT, "(%d,%d)" for
** NUMERIC and DEC, nothing for the others) into buffer. Answers its
** length; -1 for a type outside 0..7 or a null argument. */
int tblsetup_size_text(const tblsetup_column_node *column, char *buffer, int size)
{
    if (!column || !buffer || size < 1) return -1;
    buffer[0] = '\0';
    switch (column->type) {
    case TS_TYPE_CHAR:
    case TS_TYPE_FLOAT:
        return std::snprintf(buffer, (size_t)size, "(%d)", (int)column->length);
    case TS_TYPE_NUMERIC:
    case TS_TYPE_DEC:
        return std::snprintf(buffer, (size_t)size, "(%d,%d)", (int)column->length, (int)column->decimals);
    case TS_TYPE_INT:
    case TS_TYPE_SMALLINT:
    case TS_TYPE_REAL:
    case TS_TYPE_DOUBLE:
        return 0;
    default:
        return -1;
    }
}

/* Unlinks a column node and links it again directly before the target
** (first when the target is first). Answers 0; -1 when either is not a
** node of the table or they are the same node. */
int tblsetup_column_move_before(tblsetup_table_node *table, tblsetup_column_node *moved,
                                tblsetup_column_node *target)
{
    if (!table || !moved || !target || moved == target) return -1;
    tblsetup_column_node **from = &table->columns;
    while (*from && *from != moved) from = &(*from)->next;
    if (!*from) return -1;
    *from = moved->next;
    tblsetup_column_node **at = &table->columns;
    while (*at && *at != target) at = &(*at)->next;
    if (!*at) {   /* the target is not in this table: put the node back */
        moved->next = *from;
        *from = moved;
        return -1;
    }
    moved->next = target;
    *at = moved;
    return 0;
}

/* A new column node with the record's name, type index, length, decimals
** and rule; null for a null record or when memory is short. */
tblsetup_column_node *tblsetup_column_from_desc(const sql_col_rec *column)
{
    if (!column) return nullptr;
    tblsetup_column_node *n = tblsetup_column_new();
    if (!n) return nullptr;
    if (!(n->name = tblsetup_strdup(column->name))) {
        tblsetup_column_free(n);
        return nullptr;
    }
    n->type = tblsetup_type_index(column->sql_type);
    n->length = (uint16_t)column->length;
    n->decimals = (int16_t)column->decimals;
    n->attr = column->attr;
    return n;
}

/* Builds the node's primary-key columns from its row's key slots by table
** type (empty slots skipped; none when the row's BASENUMBER slot is empty),
** freeing a previous list first. Answers the number of key columns; -1
** for a null node or when memory is short. */
int tblsetup_key_columns(tblsetup_table_node *node)
{
    if (!node) return -1;
    tblsetup_column_list_free(&node->key_columns);
    const tbl_rec *row = node->row;
    if (!row || !row->keys[TBL_KEY_BASENUMBER]) return 0;
    int count = 0;
    for (const ts_key_order &k : k_key_orders) {
        if (k.type != row->table_type) continue;
        tblsetup_column_node **tail = &node->key_columns;
        for (int i = 0; k.slots[i] != TBL_KEY_COUNT; i++) {
            const sql_col_rec *c = row->keys[k.slots[i]];
            if (!c) continue;
            tblsetup_column_node *n = tblsetup_column_from_desc(c);
            if (!n) {
                tblsetup_column_list_free(&node->key_columns);
                return -1;
            }
            *tail = n;
            tail = &n->next;
            count++;
        }
    }
    return count;
}

/* Gives the node a fresh copy of a row (next cleared; the column list
** shared) and builds its key columns anew. Answers 0; -1 when memory is
** short; -2 for a null argument. */
int tblsetup_set_row(tblsetup_table_node *node, const tbl_rec *row)
{
    if (!node || !row) return -2;
    if (!node->row && !(node->row = tbl_rec_new())) return -1;
    tbl_rec_copy(node->row, row);
    node->row->next = nullptr;
    return tblsetup_key_columns(node) < 0 ? -1 : 0;
}

/* A new table node from a registered row: its name, a copy of the row,
** one column node per column (a refused one dropped) and its key columns.
** Null for a null row or when memory is short. */
tblsetup_table_node *tblsetup_table_from_row(const tbl_rec *row)
{
    if (!row) return nullptr;
    tblsetup_table_node *t = tblsetup_table_new();
    if (!t || !(t->name = tblsetup_strdup(row->name))) {
        tblsetup_table_free(t);
        return nullptr;
    }
    for (const sql_col_rec *c = row->columns; c; c = c->next) {
        tblsetup_column_node *n = tblsetup_column_from_desc(c);
        if (!n) {
            tblsetup_table_free(t);
            return nullptr;
        }
        if (tblsetup_column_append(&t->columns, n) < 0) tblsetup_column_free(n);
    }
    if (tblsetup_set_row(t, row) < 0) {
        tblsetup_table_free(t);
        return nullptr;
    }
    return t;
}

/* Builds the dialog's tree anew from a project's registry: the old tree is
** freed and every registered table with columns becomes a node. A table
** with a primary key is appended with its key list; one whose key slots
** are still empty (registered by the apply, not yet set up) is appended
** all the same, so that it is never taken for a table the user removed.
** Answers the number of nodes; -1 when memory is short; -2 for a null
** project. */
int tblsetup_build_tree(pjct_rec *project)
{
    if (!project) return -2;
    tblsetup_state *s = tblsetup_state_get();
    tblsetup_table_list_free(&s->tree);
    s->table = nullptr;
    s->column = nullptr;
    s->removed.clear();
    int count = 0;
    for (tbl_rec *r = project->tables; r; r = r->next) {
        tblsetup_table_node *t = tblsetup_table_from_row(r);
        if (!t) return -1;
        int rc = tblsetup_table_append_full(&s->tree, t);
        if (rc < 0 && t->columns && !r->keys[TBL_KEY_BASENUMBER]) rc = tblsetup_table_append(&s->tree, t);
        if (rc < 0) tblsetup_table_free(t);
        else count++;
    }
    return count;
}
