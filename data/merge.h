/*
** merge.h: the pv_merge command, which folds one logged-on project (the
** slave) into another (the master). Its database half copies the rows of
** every table both projects register under one name into the master's
** table, each under a new unique number (the master table's last number
** plus the old one) with its memo; its map half relinks the selected
** entities of the slave's rows to the master, their row numbers shifted
** by the same offset. The slave project is never changed.
**
**     (pv_merge)   ->  dialog pv_merge; maps are merged after it closes
*/
#ifndef PV_DATA_MERGE_H
#define PV_DATA_MERGE_H

#include <memory>
#include <string>
#include <vector>

#include "core/mark_file.h"
#include "core/pjct.h"
#include "core/tbl_column.h"
#include "platform/include/dcl_host.h"

struct tbl_rec;

/* The command's state, reset before the dialog opens and after the
** command ends. */
extern pjct_rec *g_merge_master;  /* the master project, or null */
extern pjct_rec *g_merge_slave;   /* the slave project, or null */
extern int g_merge_map;           /* 1 when maps are merged */
extern int g_merge_dbf;           /* 1 when the database is merged */

/* The command; answers 5100 (after the "Cannot load dialog box" report
** when the dialog cannot be loaded). */
int pv_merge(struct resbuf *args);

/* The dialog's buttons. */
void pv_merge_accept_cb(ads_callback_packet *cpkt);
void pv_merge_cancel_cb(ads_callback_packet *cpkt);

/* The database half, showing progress in the dialog's "error" tile (dlg
** may be null). 0; -2 without the state; -1 when a project has no
** registered tables; -9101 without memory. */
int merge_database(ads_hdlg dlg);

/* The map half over the entities the user selects. 0; -2 without the
** state; -1 when nothing is selected. */
int merge_maps(void);

/* What merge_entity answers for a link to a row the slave table does not
** hold (a deleted row whose link was never cleaned): the entity is left as
** it is. */
#define MERGE_ROW_NOT_HELD 1

/* Relinks one entity of a slave row to the row that row became in the
** master. 0; MERGE_ROW_NOT_HELD when the slave table does not hold the
** row; -9802 when the entity cannot be read; the link's parse code; -1
** when it is not the slave's or its table is not the master's, or it
** cannot be written. */
int merge_entity(const ads_name ename);

/* Checks a slave table's keys against the master table's; 0, or -1 with
** the message in text (size bytes); -2 for bad arguments. */
int merge_check_keys(const struct tbl_rec *master, const struct tbl_rec *slave, const char *slave_project,
                     char *text, int size);

/* Raises the master table's last number to its highest unique number
** when that is higher (the registry loaded at logon holds no numbers).
** 0, or the failure's code. */
int merge_raise_last_number(pjct_rec *master, struct tbl_rec *table);

/* The mark of the numbers a writer hands out in a table, kept where the
** project keeps its marks (core/mark_file.h) while its rows go in: pv-merge's <table>.MRG, or the
** mark of one row added with its memo lines, <table>-<process>.MRG (on a server
** <table>-<session>.MRG), a name of its own. Each number is listed before its row goes in, with a
** digest of the values the row is written with (read as the table holds
** them), and taken back ("-" and the number) when another writer stored
** it first; the next logon removes the rows of a mark a writer cut short
** left behind while they still hold those values, and keeps and names any
** other row under a listed number (merge_recover). */
struct merge_mark {
    mark_file file;                  /* the mark; no path for a project without a folder */
    std::vector<long> numbers;       /* the numbers handed out so far, in order */
    std::vector<std::string> digests; /* beside each number, the digest of its row's values */
    std::vector<std::string> columns; /* the columns the digests are over, as last listed in the mark */
    void *connection = nullptr;      /* the connection of the table's project */
    std::string table;               /* the table */
    std::shared_ptr<sql_col_rec> probe; /* the table's columns, described once, to read values as it holds them */
    int failed = 0;                  /* errno of a failed write of the mark, 0 while none */
};
/* Writes the mark of a table about to receive rows (its name, its
** unique-number column and the offset the numbers are above) whole, and
** holds it: the merge's (own 0) or a row's own (own 1), written by command.
** Nothing for a dBASE project without a folder. 0, or -1 with errno. */
int merge_mark_begin(merge_mark &mark, const pjct_rec *project, const struct tbl_rec *table, long offset, int own,
                     const char *command);
/* The note (row_number_note) of a writer keeping a mark, its context the
** merge_mark: lists a number with the digest of the row about to go in
** under it, takes it back (row null) when another writer held it. 0; -1
** when the mark cannot be written or the table described (the errno in
** the mark's failed). */
int merge_note_number(void *context, long number, int taken, const sql_col_rec *row);
/* Takes back the rows a mark lists (the mark's numbers, digests and
** columns): each row, with its memo lines, while it holds the values its
** writer wrote; a row another writer stored under a listed number, or one
** changed since, stays, its number added to kept. 5100, or the code of
** the failure that stopped it (rows already taken back stay gone). */
int merge_take_back(const merge_mark &mark, const struct tbl_rec *table, std::vector<long> &kept);

/* Undoes at logon the merges into a project that were cut short, and the
** rows added with memo lines whose writer was cut short: for each mark
** <table>.MRG or <table>-<process>.MRG a writer cut short left (also
** another user's: on a server the writer's session is gone), the rows
** it lists are taken back (merge_take_back), the table's indexes made
** again (after a merge) and the mark removed, each said once, naming the
** rows kept because another writer stored them or they changed since. A
** mark that fails its check, or does not name its own file's table, a
** registered table, its unique-number column and columns of it, is left
** in place and named, and no row is changed; a mark a running writer
** holds is named with its table and command. 0; -1 when a mark is not
** used, its rows cannot be removed (the mark then stays for the next
** logon) or a row is kept. */
int merge_recover(pjct_rec *project);

#endif /* PV_DATA_MERGE_H */
