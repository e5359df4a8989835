/*
** tblsetup_ddl.cpp: comparing the setup tree with the registry, and the
** data definition statements that bring the database into line.
**
** A tree node is looked up in the registry by name, a column node in the
** registered table's column list by name. Changes are answered as codes:
** 640 a table new in the tree, 1152 a registered table gone from it, 3 a
** table or column modified, 5 a column added, 9 a column dropped, 128 some
** change, 0 none. Columns of existing tables change only in dBASE and
** server projects.
**
**     if (tblsetup_column_is_new(col, node, project) == TS_CHG_ADDED)
**         tbl_alter_add(node, col, project);   // ALTER TABLE SOILS ADD DEPTH CHAR(12)
*/
#include "data/tblsetup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/err_text.h"
#include "core/setup_store.h"
#include "core/sql_access.h"

namespace {

/* The registered row of a node's name, or null. */
tbl_rec *ts_registered(const pjct_rec *project, const char *name)
{
    return project && name ? tbl_find_by_name(project->tables, name, nullptr) : nullptr;
}

/* 1 when the project's columns may be changed: a dBASE or a server project. */
int ts_alterable(const pjct_rec *project)
{
    return (project->flags & (PJCT_ENV_DB3 | PJCT_ENV_SERVER)) != 0;
}

/* Runs one DDL text on a connection and releases the statement. Answers
** the code of sql_execute (5100 on success). */
int ts_run(void *connection, const char *text)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text, 1);
    sql_close_query(&stmt, &cursor, &row);
    return rc;
}

/* "ALTER TABLE %s <verb> %s %s%s" for a column node. Answers the code of
** sql_execute; -1 for a type outside 0..7; -2 for a null argument; -9101
** when the text buffer cannot be allocated. */
int ts_alter_column(const char *verb, const tblsetup_table_node *table, const tblsetup_column_node *column,
                    pjct_rec *project)
{
    if (!table || !column || !project || !table->name || !column->name) return -2;
    char size[TBL_INDEX_COLUMNS_SIZE];
    if (tblsetup_size_text(column, size, sizeof size) < 0) return -1;
    std::unique_ptr<char, decltype(&std::free)> text((char *)std::malloc(TS_TEXT_SIZE), std::free);
    if (!text) return ERR_NO_MEMORY;
    std::snprintf(text.get(), TS_TEXT_SIZE, "ALTER TABLE %s %s %s %s%s", table->name, verb, column->name,
                  tblsetup_type_name(column->type), size);
    return ts_run(project->connection, text.get());
}

}  // namespace

/* 640 when no registered table has the node's name; 0 when one has or no
** tree is open; -1 for a blank name; -2 for a null argument. */
int tblsetup_table_is_new(const tblsetup_table_node *node, const pjct_rec *project)
{
    if (!node || !project) return -2;
    if (!node->name || tbl_name_blank(node->name)) return -1;
    if (!tblsetup_state_get()->tree) return TS_CHG_NONE;
    return ts_registered(project, node->name) ? TS_CHG_NONE : TS_CHG_NEW;
}

/* 640 when some node of the tree is new, else 0. */
int tblsetup_any_new(const pjct_rec *project)
{
    for (tblsetup_table_node *t = tblsetup_state_get()->tree; t; t = t->next)
        if (tblsetup_table_is_new(t, project) == TS_CHG_NEW) return TS_CHG_NEW;
    return TS_CHG_NONE;
}

/* 1152 when the user removed the row's table from the tree (and no node of
** that name came back); 0 when not, or no tree is open: a registered table
** the tree never listed (a dictionary, a profile) is never gone; -1 for a
** row without columns or with a blank name. */
int tblsetup_table_is_gone(const tbl_rec *row)
{
    if (!row || !row->columns || tbl_name_blank(row->name)) return -1;
    const tblsetup_state *s = tblsetup_state_get();
    if (tblsetup_table_find(s->tree, row->name, nullptr)) return TS_CHG_NONE;
    for (const std::string &name : s->removed)
        if (setup_name_eq(name.c_str(), row->name)) return TS_CHG_GONE;
    return TS_CHG_NONE;
}

/* 1152 when some registered table of the project is gone, else 0. */
int tblsetup_any_gone(const pjct_rec *project)
{
    for (tbl_rec *r = project ? project->tables : nullptr; r; r = r->next)
        if (tblsetup_table_is_gone(r) == TS_CHG_GONE) return TS_CHG_GONE;
    return TS_CHG_NONE;
}

/* 5 when the registered table has no column of the node's name; 0 when it
** has; -1 when the table is not registered (or for a null argument). */
int tblsetup_column_is_new(const tblsetup_column_node *column, const tblsetup_table_node *table,
                           const pjct_rec *project)
{
    if (!column || !table || !column->name) return -1;
    tbl_rec *row = ts_registered(project, table->name);
    if (!row) return -1;
    return tbl_column_find(row->columns, column->name, nullptr, nullptr) ? TS_CHG_NONE : TS_CHG_ADDED;
}

/* 3 when the node differs from the registered column of its name in a way
** the database must follow, else 0 (also when there is no such column).
** A registered CHAR changes when the node is not CHAR; NUMERIC, DEC or
** FLOAT when the node is CHAR; INT, SMALLINT, REAL or DOUBLE when the type
** differs. Then CHAR, NUMERIC, DEC and FLOAT nodes change with their
** length, NUMERIC and DEC with their decimals. */
int tblsetup_column_is_changed(const tblsetup_column_node *column, const tblsetup_table_node *table,
                               const pjct_rec *project)
{
    if (!column || !table || !column->name) return TS_CHG_NONE;
    tbl_rec *row = ts_registered(project, table->name);
    sql_col_rec *reg = row ? tbl_column_find(row->columns, column->name, nullptr, nullptr) : nullptr;
    if (!reg) return TS_CHG_NONE;
    int old_type = tblsetup_type_index(reg->sql_type);
    switch (old_type) {
    case TS_TYPE_CHAR:
        if (column->type != TS_TYPE_CHAR) return TS_CHG_MODIFIED;
        break;
    case TS_TYPE_NUMERIC:
    case TS_TYPE_DEC:
    case TS_TYPE_FLOAT:
        if (column->type == TS_TYPE_CHAR) return TS_CHG_MODIFIED;
        break;
    default:
        if (column->type != old_type) return TS_CHG_MODIFIED;
        break;
    }
    switch (column->type) {
    case TS_TYPE_NUMERIC:
    case TS_TYPE_DEC:
        if (column->decimals != reg->decimals) return TS_CHG_MODIFIED;
        [[fallthrough]];
    case TS_TYPE_CHAR:
    case TS_TYPE_FLOAT:
        if (column->length != reg->length) return TS_CHG_MODIFIED;
        break;
    default:
        break;
    }
    return TS_CHG_NONE;
}

/* 3 when, in a dBASE project, the node's position in its table node
** differs from its column's position in the registered list; else 0. */
int tblsetup_column_is_moved(const tblsetup_column_node *column, const tblsetup_table_node *table,
                             const pjct_rec *project)
{
    if (!column || !table || !project || !(project->flags & PJCT_ENV_DB3)) return TS_CHG_NONE;
    tbl_rec *row = ts_registered(project, table->name);
    if (!row) return TS_CHG_NONE;
    int pos = 0;
    for (tblsetup_column_node *c = table->columns; c && c != column; c = c->next) pos++;
    int reg = -1;
    tbl_column_find(row->columns, column->name, nullptr, &reg);
    return reg == pos ? TS_CHG_NONE : TS_CHG_MODIFIED;
}

/* 9 when the table node of the row's name has no column node of the
** registered column's name; 0 when it has; -1 when the table is not in
** the tree (or for a null argument). */
int tblsetup_column_is_dropped(const sql_col_rec *column, const tbl_rec *row)
{
    if (!column || !row) return -1;
    tblsetup_table_node *t = tblsetup_table_find(tblsetup_state_get()->tree, row->name, nullptr);
    if (!t) return -1;
    return tblsetup_column_find(t->columns, column->name, nullptr) ? TS_CHG_NONE : TS_CHG_DROPPED;
}

/* 3 when a registered table's node has a new, changed or moved column or
** lost one; 0 when not, for a new table, and in a project that is neither
** a dBASE nor a server project; -1 for a blank name or no columns; -2 for
** a null argument. */
int tblsetup_table_is_modified(const tblsetup_table_node *node, const pjct_rec *project)
{
    if (!node || !project) return -2;
    if (!node->name || tbl_name_blank(node->name) || !node->columns) return -1;
    if (!ts_alterable(project)) return TS_CHG_NONE;
    tbl_rec *row = ts_registered(project, node->name);
    if (!row) return TS_CHG_NONE;
    for (tblsetup_column_node *c = node->columns; c; c = c->next)
        if (tblsetup_column_is_new(c, node, project) == TS_CHG_ADDED ||
            tblsetup_column_is_changed(c, node, project) == TS_CHG_MODIFIED ||
            tblsetup_column_is_moved(c, node, project) == TS_CHG_MODIFIED)
            return TS_CHG_MODIFIED;
    for (sql_col_rec *c = row->columns; c; c = c->next)
        if (tblsetup_column_is_dropped(c, row) == TS_CHG_DROPPED) return TS_CHG_MODIFIED;
    return TS_CHG_NONE;
}

/* 640 when some node of the tree is modified, else 0. */
int tblsetup_any_modified(const pjct_rec *project)
{
    for (tblsetup_table_node *t = tblsetup_state_get()->tree; t; t = t->next)
        if (tblsetup_table_is_modified(t, project) > 0) return TS_CHG_NEW;
    return TS_CHG_NONE;
}

/* 128 when, for the project, a table is new, gone or modified; else 0;
** -2 for a null project. */
int tblsetup_project_changes(const pjct_rec *project)
{
    if (!project) return -2;
    if (tblsetup_any_new(project) || tblsetup_any_gone(project) || tblsetup_any_modified(project))
        return TS_CHG_ANY;
    return TS_CHG_NONE;
}

/* "ALTER TABLE %s ADD %s %s%s"; see ts_alter_column for the answers. */
int tbl_alter_add(const tblsetup_table_node *table, const tblsetup_column_node *column, pjct_rec *project)
{
    return ts_alter_column("ADD", table, column, project);
}

/* "ALTER TABLE %s MODIFY %s %s%s"; see ts_alter_column for the answers. */
int tbl_alter_modify(const tblsetup_table_node *table, const tblsetup_column_node *column, pjct_rec *project)
{
    return ts_alter_column("MODIFY", table, column, project);
}

/* "ALTER TABLE %s DROP %s CASCADE" on the column's connection. Answers
** the code of sql_execute; -2 for a null argument; -9101 when the text
** buffer cannot be allocated. */
int tbl_alter_drop(const sql_col_rec *column, const tbl_rec *row)
{
    if (!column || !row) return -2;
    std::unique_ptr<char, decltype(&std::free)> text((char *)std::malloc(TS_TEXT_SIZE), std::free);
    if (!text) return ERR_NO_MEMORY;
    std::snprintf(text.get(), TS_TEXT_SIZE, "ALTER TABLE %s DROP %s CASCADE", row->name, column->name);
    return ts_run(column->connection, text.get());
}

/* "CREATE TABLE %s (" with every column node of type 0..7 in order, then
** ")"; on a dBASE project the table's standard indexes are dropped first.
** Sets the node's column_count to the columns written. Answers the code
** of sql_execute; -1 without a column or with a blank name; -2 for a null
** argument; -9101 when the text buffer cannot be allocated. */
int tbl_create_table(tblsetup_table_node *table, pjct_rec *project)
{
    if (!table || !project) return -2;
    if (!table->name || tbl_name_blank(table->name)) return -1;
    std::unique_ptr<char, decltype(&std::free)> text((char *)std::malloc(TS_TEXT_SIZE), std::free);
    if (!text) return ERR_NO_MEMORY;
    if (project->flags & PJCT_ENV_DB3) sql_drop_indexes(project->connection, table->name);
    int used = std::snprintf(text.get(), TS_TEXT_SIZE, "CREATE TABLE %s (", table->name);
    int count = 0;
    for (tblsetup_column_node *c = table->columns; c && used < TS_TEXT_SIZE; c = c->next) {
        char size[TBL_INDEX_COLUMNS_SIZE];
        if (tblsetup_size_text(c, size, sizeof size) < 0) continue;
        used += std::snprintf(text.get() + used, (size_t)(TS_TEXT_SIZE - used), "%s%s %s%s", count ? "," : "",
                              c->name, tblsetup_type_name(c->type), size);
        count++;
    }
    if (used < TS_TEXT_SIZE) used += std::snprintf(text.get() + used, (size_t)(TS_TEXT_SIZE - used), ")");
    table->column_count = count;
    if (count == 0 || used >= TS_TEXT_SIZE) return -1;
    return ts_run(project->connection, text.get());
}

/* Installs a table's newly described column list: the row takes the list
** and count, the project's references are re-bound to it while the old
** list still exists, then the old list is freed; the node's row copy takes
** the new list and its column nodes their rule, length and decimals from
** the new column of their name. Answers 0; -2 for a null argument. */
int tblsetup_take_columns(tblsetup_table_node *node, tbl_rec *row, sql_col_rec *columns, int count,
                          pjct_rec *project)
{
    if (!row || !columns || !project) return -2;
    sql_col_rec *old = row->columns;
    row->columns = columns;
    row->column_count = count;
    tbl_rebind_columns(project, row, row->name);
    if (old != columns) sql_col_list_free(&old);
    if (!node) return 0;
    tblsetup_set_row(node, row);
    tblsetup_take_described(node, columns);
    return 0;
}

/* Each column node takes its rule, length and decimals from the described
** column of its name (a node without one is left as it is). */
void tblsetup_take_described(tblsetup_table_node *node, sql_col_rec *columns)
{
    for (tblsetup_column_node *c = node ? node->columns : nullptr; c; c = c->next) {
        sql_col_rec *n = tbl_column_find(columns, c->name, nullptr, nullptr);
        if (!n) continue;
        c->attr = n->attr;
        c->length = (uint16_t)n->length;
        c->decimals = (int16_t)n->decimals;
    }
}

/* Alters a registered table of a server project to its node: each new
** column is added and each changed one modified, in order, then each
** dropped column is dropped; the first failure stops. Whenever a
** statement succeeded the table is described again and its columns
** installed (tblsetup_take_columns), so the registry matches the
** database even after a failure part-way. Answers 0 when every statement
** succeeded; -1 after a failure; -2 for a null argument. */
int tblsetup_alter_server_table(tblsetup_table_node *node, tbl_rec *row, pjct_rec *project)
{
    if (!node || !row || !project) return -2;
    int failed = 0, done = 0;
    for (tblsetup_column_node *c = node->columns; c && !failed; c = c->next) {
        int rc = RTNORM;
        if (tblsetup_column_is_new(c, node, project) == TS_CHG_ADDED)
            rc = tbl_alter_add(node, c, project);
        else if (tblsetup_column_is_changed(c, node, project) == TS_CHG_MODIFIED)
            rc = tbl_alter_modify(node, c, project);
        else
            continue;
        if (rc == RTNORM) done++;
        else failed = 1;
    }
    for (sql_col_rec *c = row->columns; c && !failed; c = c->next) {
        if (tblsetup_column_is_dropped(c, row) != TS_CHG_DROPPED) continue;
        if (tbl_alter_drop(c, row) == RTNORM) done++;
        else failed = 1;
    }
    if (done > 0) {
        sql_col_rec *columns = nullptr;
        int count = sql_describe_table(project->connection, row->name, &columns, 0);
        if (count > 0) tblsetup_take_columns(node, row, columns, count, project);
        else sql_col_list_free(&columns);
    }
    return failed ? -1 : 0;
}
