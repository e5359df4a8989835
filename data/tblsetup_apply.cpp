/*
** tblsetup_apply.cpp: saving the table setup: the tree is applied to the
** database and the registry.
**
** In this order: tables whose columns changed are altered (server
** projects) or rebuilt from their node (dBASE projects), tables new in
** the tree are created and registered, and registered tables gone from
** the tree leave the registry and, when the user says so, the disk.
** Failures are collected and shown once at the end.
**
**     tblsetup_apply(dialog);   // "GEO database saved", or the failures
*/
#include "data/tblsetup.h"

#include <cstdlib>
#include <string>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/tile_util.h"
#include "data/memo.h"

namespace {

/* Title of the closing report when nothing failed. */
const char k_saved_title[] = "PETRIVEX";

/* Appends a failure line while the collected text stays below
** TS_TEXT_SIZE characters. */
void ts_collect(std::string &errors, const char *format, const char *name)
{
    std::string line = format;
    line.replace(line.find("%s"), 2, name);
    if (errors.size() + line.size() < TS_TEXT_SIZE) errors += line;
}

/* Shows a progress text in the dialog's "error" tile. */
void ts_progress(ads_hdlg dlg, const char *what, const char *name)
{
    std::string text = std::string(what) + name + "...";
    ads_set_tile(dlg, "error", text.c_str());
}

/* Step 1: the modified tables. */
void ts_apply_modified(ads_hdlg dlg, pjct_rec *p, std::string &errors)
{
    for (tblsetup_table_node *t = tblsetup_state_get()->tree; t; t = t->next) {
        if (tblsetup_table_is_modified(t, p) <= 0) continue;
        ts_progress(dlg, "Modifying table ", t->name);
        tbl_rec *row = tbl_find_by_name(p->tables, t->name, nullptr);
        int failed = 1;
        std::string why; /* a rebuild's failure, said in the line of its table */
        /* A dBASE table cannot be altered with SQL: its files are rebuilt
        ** from the node. */
        if (p->flags & PJCT_ENV_DB3)
            failed = dbf_restructure(dlg, t, p, &why) != 0;
        else if ((p->flags & PJCT_ENV_SERVER) && row)
            failed = tblsetup_alter_server_table(t, row, p) != 0;
        if (failed)
            ts_collect(errors, ("\nCould not modify table %s" + (why.empty() ? "" : ": " + why)).c_str(), t->name);
        ads_set_tile(dlg, "error", "");
    }
}

/* Creates and registers one new table node; answers 0, or -1 when the
** table could not be created or registered: a table of that name already
** in the project is left alone (*exists set), anything this call made of
** the table goes again. */
int ts_create_one(tblsetup_table_node *t, pjct_rec *p, bool *exists)
{
    sql_col_rec *columns = nullptr;
    *exists = sql_describe_table(p->connection, t->name, &columns, 0) > 0;
    sql_col_list_free(&columns);
    if (*exists) return -1;
    auto undo = [&] {
        sql_drop_table(p->connection, t->name);
        return -1;
    };
    if (tbl_create_table(t, p) <= 0) return undo();
    int count = sql_describe_table(p->connection, t->name, &columns, 1);
    if (count <= 0) return undo();
    tbl_rec *row = tbl_rec_new();
    if (!row) {
        sql_col_list_free(&columns);
        return undo();
    }
    std::snprintf(row->name, sizeof row->name, "%s", t->name);
    row->columns = columns;
    row->column_count = count;
    if (tbl_add(p, row) != 0) {
        tbl_list_free(row);
        return undo();
    }
    tblsetup_set_row(t, row);
    tblsetup_take_described(t, columns);
    return 0;
}

/* Step 2: the new tables; a node whose table could not be made stays in
** the tree, its design there to be mended and saved again. */
void ts_apply_new(ads_hdlg dlg, pjct_rec *p, std::string &errors)
{
    tblsetup_state *s = tblsetup_state_get();
    for (tblsetup_table_node *t = s->tree, *next; t; t = next) {
        next = t->next;
        if (tblsetup_table_is_new(t, p) != TS_CHG_NEW) continue;
        ts_progress(dlg, "Creating table ", t->name);
        bool exists = false;
        if (ts_create_one(t, p, &exists) != 0) {
            ts_collect(errors, "\nCould not create table %s", t->name);
            ts_collect(errors, exists ? "\nThe project has a table of %s's name; its design is kept in the setup"
                                      : "\nThe design of %s is kept in the setup", t->name);
        }
        ads_set_tile(dlg, "error", "");
    }
}

/* Drops a table from the disk: its standard indexes, the table, and its
** memo side table when it has one (else a later table of the same name
** would show the old lines as its memos). */
void ts_drop_from_disk(pjct_rec *p, tbl_rec *row)
{
    tbl_drop_indexes(row);
    sql_drop_table(p->connection, row->name);
    std::string memo = std::string(row->name) + MEMO_TABLE_SUFFIX;
    sql_col_rec *columns = nullptr;
    if (sql_describe_table(p->connection, memo.c_str(), &columns, 0) > 0) {
        sql_col_list_free(&columns);
        sql_drop_table(p->connection, memo.c_str());
    }
}

/* Step 3: registered tables gone from the tree leave the registry, and
** the disk when the user says so. */
void ts_apply_gone(ads_hdlg dlg, pjct_rec *p)
{
    for (tbl_rec *r = p->tables, *next; r; r = next) {
        next = r->next;
        if (tblsetup_table_is_gone(r) != TS_CHG_GONE) continue;
        std::string question = std::string(r->name) + " removed from setup. Delete table from disk?";
        if (msg_yes_no(question.c_str()) == RTNORM) {
            ts_progress(dlg, "Deleting table ", r->name);
            ts_drop_from_disk(p, r);
            ads_set_tile(dlg, "error", "");
        }
        tbl_unregister(p, r);
    }
}

}  // namespace

/* Applies the tree to the chosen project's database and registry (see the
** file comment) and refreshes the dialog's lists. Answers 0; -2 without a
** dialog or tree; -1 without a chosen project. */
int tblsetup_apply(ads_hdlg dialog)
{
    tblsetup_state *s = tblsetup_state_get();
    if (!dialog || !s->tree) return -2;
    char name[TILE_BUF_SIZE] = "";
    ads_get_tile(dialog, "prj_name", name, TILE_STR_LIMIT);
    pjct_rec *p = pjct_find(name, nullptr);
    if (!p) return -1;
    std::string errors;
    ts_apply_modified(dialog, p, errors);
    ts_apply_new(dialog, p, errors);
    ts_apply_gone(dialog, p);
    if (errors.empty()) msg_alert(k_saved_title, "%s database saved", p->name);
    else msg_alert(ERR_TITLE, "%s", errors.c_str());
    tblsetup_refresh(dialog);
    return 0;
}
