/*
** plot_table.cpp: the TABLE output of the plot loop: a new table of the
** chosen columns in the project of the rows' connection, one inserted row
** per plotted row. On a dBASE project the table is made under a mark
** (data/dbf_refill.h), so that one whose output is cut short or fails is
** not left half filled: it goes at once or at the next logon.
*/
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/dbf_refill.h"
#include "data/tblsetup.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_io.h"
#include "output/plot/plot_state.h"

namespace {

/* The new table's mark. */
dbf_refill s_refill;

/* The chosen output column of a name; null when none. */
sql_col_rec *chosen_named(const char *name)
{
    const plot_state_rec &s = g_plot_state;
    for (int i = 0; i < s.out_count; i++) {
        sql_col_rec *c = sql_col_nth(s.row, s.out_index[i]);
        if (c && str_eq_nocase(c->name, name)) return c;
    }
    return nullptr;
}

/* Ends the new table's mark, keeping the table when whole; else it goes,
** also from a server project, where nothing was kept to put back. 0; -1
** when the table filled whole was not kept (said). */
int end_table(bool whole)
{
    pjct_rec *project = g_plot_state.row ? pjct_find_by_session(g_plot_state.row->connection) : nullptr;
    const bool kept = !s_refill.dir.empty();
    int rc = dbf_refill_end(s_refill, project, whole);
    if (!whole && !kept && project && g_plot_state.table_cols)
        sql_drop_table(project->connection, table_plot_name().c_str());
    sql_col_list_free(&g_plot_state.table_cols);
    return rc;
}

} // namespace

/* The new table's name: the file name's base, trimmed; see the header. */
std::string table_plot_name(void)
{
    std::string name = g_plot_state.file_name;
    str_basename(name.data());
    name.resize(std::strlen(name.c_str()));
    str_trim(name.data());
    name.resize(std::strlen(name.c_str()));
    return name;
}

/* Creates and describes the new table; see the header. */
int table_plot_begin(void)
{
    plot_state_rec &s = g_plot_state;
    if (s.out_count < 1 || !s.row) return -2;
    sql_col_list_free(&s.table_cols);
    pjct_rec *project = pjct_find_by_session(s.row->connection);
    const std::string name = table_plot_name();
    if (!project || name.empty()) {
        msg_alert(ERR_TITLE, "No table %s made: the rows' project is not logged on", name.c_str());
        return -1;
    }
    /* A reserved word makes a table no statement can name again. */
    if (tblsetup_is_reserved(name.c_str())) {
        msg_alert(ERR_TITLE, "No table %s made: %s is a reserved word of SQL", name.c_str(), name.c_str());
        return -1;
    }
    /* A table of that name is never touched: making the new one would drop
    ** its indexes before CREATE TABLE failed. */
    sql_col_rec *existing = nullptr;
    int found = sql_describe_table(project->connection, name.c_str(), &existing, 0);
    sql_col_list_free(&existing);
    if (found > 0) {
        msg_alert(ERR_TITLE, "No table %s made: %s already has a table of that name", name.c_str(), project->name);
        return -1;
    }
    tblsetup_table_node *node = tblsetup_table_new();
    if (!node || !(node->name = tblsetup_strdup(name.c_str()))) {
        tblsetup_table_free(node);
        err_report(ERR_NO_MEMORY, name.c_str());
        return -1;
    }
    int rc = 0;
    for (int i = 0; rc >= 0 && i < s.out_count; i++) {
        sql_col_rec *c = sql_col_nth(s.row, s.out_index[i]);
        tblsetup_column_node *column = c ? tblsetup_column_from_desc(c) : nullptr;
        if (column) column->attr = nullptr;
        if (!column || tblsetup_column_append(&node->columns, column) < 0) {
            tblsetup_column_free(column);
            err_report(ERR_NO_MEMORY, name.c_str());
            rc = -1;
        }
    }
    /* The mark, the guard and CREATE TABLE say their own failures. */
    if (rc >= 0 && dbf_refill_begin(s_refill, project, name.c_str(), "the table browser's TABLE output") != 0)
        rc = -1;
    if (rc >= 0 && (tbl_create_table(node, project) <= 0 || dbf_refill_guard(s_refill) != 0)) rc = -1;
    tblsetup_table_free(node);
    int described = rc >= 0 ? sql_describe_table(project->connection, name.c_str(), &s.table_cols, 0) : 0;
    if (rc >= 0 && described < 1) {
        /* A table the output cannot fill is not left behind. */
        msg_alert(ERR_TITLE, "No table %s made: it cannot be described: %s", name.c_str(), sql_failure_text(described));
        sql_col_list_free(&s.table_cols);
        sql_drop_table(project->connection, name.c_str());
        rc = -1;
    }
    if (rc < 0) dbf_refill_end(s_refill, project, false);
    return rc;
}

/* Inserts the row into the new table; see the header. */
int table_plot_row(void)
{
    plot_state_rec &s = g_plot_state;
    if (!s.table_cols) return -2;
    plot_number_format(s.row, s.out_prj, s.out_index, s.out_count, 0);
    for (sql_col_rec *to = s.table_cols; to; to = to->next) {
        const sql_col_rec *from = chosen_named(to->name);
        if (!to->text) continue;
        int size = sql_col_text_size(to);
        std::snprintf(to->text, (size_t)size, "%s", from && from->text ? from->text : "");
        to->null_ind = from ? from->null_ind : (uint16_t)SQL_COL_NULL;
    }
    std::string name = table_plot_name();
    int rc = sql_insert_row(s.row->connection, s.table_cols, name.c_str());
    return rc < 0 ? rc : 0;
}

/* Frees the new table's columns and the options; see the header. */
int table_plot_end(void)
{
    /* A table filled whole may still not be kept: its mark could not say
    ** so (said). */
    return end_table(true) != 0 ? -1 : 0;
}

/* Drops the new table after the rows stopped short; see the header. */
int table_plot_discard(void)
{
    end_table(false);
    return 0;
}
