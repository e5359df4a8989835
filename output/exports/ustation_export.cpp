/*
** ustation_export.cpp: the pv_ustation command and its dialog.
**
** The export works on the chosen project's connection through the SQL
** access layer. A table takes part when its unique-number column is named
** MSLINK (any case): it gets the unique index "%sUNQ" on that column and a
** catalogue row; when one of its columns is a memo column its memo side
** table "%sMEM" is copied into "%sMMO" with the index "%sMMI" and a row of
** its own. Catalogue numbers count the rows actually written, so a table
** that fails leaves no gap. Failures of one table are reported or passed
** over (a memo side table that is not there leaves no copy); the catalogue
** table and the script stop the export, and so do a table that cannot
** be read (damaged, its server gone) and a driver that ends: the export then
** undoes what it made (the catalogue and memo copies as they were, the
** indexes it made dropped, the script as it was) and says once what
** failed. The catalogue and each memo copy are made under a mark
** (data/dbf_refill.h), and the whole export under its own, MSCATLOG.MRU,
** which takes the texts of the script and the batch file once every table
** is whole: an export cut short before is put back by the next logon,
** one cut short after is finished by it (ustation_recover).
**
** The script and the batch file are written with CR LF line ends: they
** are read by the Microstation tools and cmd.exe.
*/
#include "output/exports/ustation_export.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/dbf_refill.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "wfile/wfile.h"

namespace {

/* The catalogue table and the statement that makes it. */
const char k_catalog[] = "MSCATLOG";
const char k_catalog_create[] =
    "CREATE TABLE MSCATLOG(TABLENAME CHAR(32), ENTITYNUM NUMERIC(10), SCREENFORM CHAR(64), "
    "REPORTTABL CHAR(64), SQLREVIEW CHAR(240), FENCEFILTE CHAR(240), DASTABLE CHAR(32))";
/* The key column a table must have to take part. */
const char k_link_column[] = "MSLINK";
/* Columns of a memo side table and their widths. */
const char k_order_column[] = "ORDNUMBER";
const char k_text_column[] = "MEMOTEXT";
constexpr int k_order_width = 8;
constexpr int k_text_width = 70;
/* The script's first lines. */
const char *const k_script_head[] = {"-init", "-ta MSCATLOG MSCATALOG", "-ta PVCOLUMN PVCOLUMN"};
/* Files written into the project's directory. */
const char k_script_file[] = "pvddict.s";
const char k_batch_file[] = "cleanup.bat";
/* The batch file's lines: the database tool's own catalogue files. */
const char *const k_batch_lines[] = {
    "del ccolumn.ndx ccrtb.ndx creator.ndx crtb.ndx crtbcl.ndx",
    "del crtbps.ndx ctable.ndx owntb.ndx owntbnm.ndx table.ndx",
    "del sqlcolmn.dbf sqlindex.dbf sqltable.dbf",
    "del sqlcolmn.cgp sqlindex.cgp sqltable.cgp",
};

/* The mark of an export under way: "MSCATLOG", and once the catalogue,
** the memo copies and the files' texts are whole, a line "T <copy>" for
** each memo copy, "S <line>" for each line of the script, and "done"
** (the batch file's lines are always the same). */
const char k_export_mark[] = "MSCATLOG.MRU";
const char k_export_done[] = "done";

/* What one export has done so far. */
struct ustn_run {
    pjct_rec *project;              /* the chosen project */
    ads_hdlg dialog;                /* the dialog, for the progress texts */
    std::FILE *script;              /* pvddict.s while open */
    std::vector<std::string> lines; /* the script's lines so far */
    std::vector<dbf_refill> copies; /* the memo copies made, kept under their marks until the export is whole */
    int count;                      /* catalogue rows written */
    std::string summary;            /* lines of the final alert */
    std::vector<std::string> made;  /* "index\ttable" of each unique index made */
    std::string failure;            /* why a table could not be read; empty while all could */
};

/* Shows a progress text in the "error" tile. */
void progress(ads_hdlg dlg, const std::string &text)
{
    ads_set_tile(dlg, "error", text.c_str());
}

/* Answers a statement's code; one saying that the driver ended stops the
** export, its words kept as the failure. */
int stopped(ustn_run &r, int rc)
{
    if (sql_driver_lost(rc) && r.failure.empty()) r.failure = sql_failure_text(rc);
    return rc;
}

/* Runs one statement on the project's connection, its handles released.
** Answers RTNORM when it ran, else the SQL layer's code. */
int run_code(ustn_run &r, const std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(r.project->connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    return stopped(r, rc);
}
/* The same, answering 1 when it ran. */
bool run(ustn_run &r, const std::string &text)
{
    return run_code(r, text) == RTNORM;
}

/* 1 when a failed statement's code says a table named in it is not there,
** as against one that could not be read. */
bool no_such_table(int rc)
{
    const sql_failure *f = sql_last_failure();
    return !sql_driver_lost(rc) && f && f->code == rc && str_eq(f->sqlstate, SQL_STATE_NO_TABLE);
}

/* Adds a catalogue row numbered after the rows written; the count rises
** only when the row is in. */
bool add_catalog_row(ustn_run &r, const std::string &table)
{
    std::string text;
    out_appendf(text, "INSERT INTO MSCATLOG(TABLENAME, ENTITYNUM) VALUES ('%s', %i)", table.c_str(),
                r.count + 1);
    if (!run(r, text)) return false;
    ++r.count;
    return true;
}

/* Writes lines ended with CR LF; answers false when a write failed. */
bool put_lines(std::FILE *f, const std::vector<std::string> &lines)
{
    for (const std::string &l : lines)
        if (std::fprintf(f, "%s\r\n", l.c_str()) < 0) return false;
    return !std::ferror(f);
}

/* Adds lines to the script. */
void script_add(ustn_run &r, const std::vector<std::string> &lines)
{
    put_lines(r.script, lines);
    r.lines.insert(r.lines.end(), lines.begin(), lines.end());
}

/* Writes a whole file of lines (through a temporary file renamed into
** place). 0, or the system's error number. */
int put_file(const std::string &path, const std::vector<std::string> &lines)
{
    std::FILE *f = out_temp_fopen(path.c_str(), "wb");
    if (!f) return errno ? errno : EIO;
    bool ok = put_lines(f, lines);
    int e = ok ? 0 : errno; /* the failed write's reason, else the close's */
    if (out_temp_fclose(f, ok) == 0 && ok) return 0;
    return e ? e : errno ? errno : EIO;
}

/* The batch file's lines. */
std::vector<std::string> batch_text()
{
    return std::vector<std::string>(std::begin(k_batch_lines), std::end(k_batch_lines));
}

/* 1 when a line of a script, the n-th, is one an export writes: its first
** lines, then "-ta" or "-ia" and two names. */
bool script_line_ok(const std::string &line, size_t n)
{
    if (n < std::size(k_script_head)) return line == k_script_head[n];
    char verb[4] = "", a[64] = "", b[64] = "", more[2] = "";
    int got = std::sscanf(line.c_str(), "%3s %63s %63s %1s", verb, a, b, more);
    return got == 3 && (str_eq(verb, "-ta") || str_eq(verb, "-ia")) && sql_is_ident(a) && sql_is_ident(b);
}

/* Whether MSCATLOG, as it stands, lists in order the tables the script
** lines after its first give ("-ta" lines): 1 when it does; 0 when it
** lists others or is not there; -1 when it cannot be read
** (the query or a fetch failed, the driver ended), why then naming the
** table and saying the layer's words. */
int catalog_agrees(pjct_rec *p, const std::vector<std::string> &script, std::string &why)
{
    std::vector<std::string> given, listed;
    for (size_t i = std::size(k_script_head); i < script.size(); i++)
        if (script[i].compare(0, 4, "-ta ") == 0) given.push_back(script[i].substr(4, script[i].find(' ', 4) - 4));
    std::string text = std::string("SELECT TABLENAME FROM ") + k_catalog + " ORDER BY ENTITYNUM";
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rows = sql_query(p->connection, text.c_str(), &stmt, &cursor, &row, 0);
    bool missing = rows < 0 && no_such_table(rows);
    int rc = rows >= 0 || missing ? RTNORM : rows;
    for (long k = 0; rc == RTNORM && row && k < rows; ++k) {
        rc = sql_fetch_counted(cursor, row, k);
        if (rc == RTNORM) listed.push_back(row->null_ind == SQL_COL_NULL ? std::string() : str_trim_right(row->text));
    }
    if (rc != RTNORM) why = std::string("table ") + k_catalog + " cannot be read: " + sql_failure_text(rc);
    sql_close_query(&stmt, &cursor, &row);
    return rc != RTNORM ? -1 : !missing && listed == given ? 1 : 0;
}

/* Adds a summary line while it fits. */
void add_summary(ustn_run &r, const std::string &table)
{
    std::string line = (r.summary.empty() ? "  " : "\n  ") + table;
    if (r.summary.size() + line.size() <= USTN_SUMMARY_MAX) r.summary += line;
}

/* The table's unique-number column when it is named MSLINK, else null. */
const sql_col_rec *link_column(const tbl_rec *t)
{
    const sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
    return key && str_eq_nocase(key->name, k_link_column) ? key : nullptr;
}

/* 1 when a column of the table has a memo input rule. */
bool has_memo(const tbl_rec *t)
{
    for (const sql_col_rec *c = t->columns; c; c = c->next)
        if (c->attr && (c->attr->flags & COL_ATTR_MEMO)) return true;
    return false;
}

/* Copies the table's memo side table into "%sMMO" with its index and
** catalogue row; a copy that fails part-way is dropped again. */
void export_memo(ustn_run &r, const tbl_rec *t)
{
    std::string mmo = std::string(t->name) + "MMO";
    std::string mmi = std::string(t->name) + "MMI";
    progress(r.dialog, "Creating memo table " + mmo + "...");
    void *conn = r.project->connection;
    dbf_refill kept;
    if (dbf_refill_begin(kept, r.project, mmo.c_str(), "pv-ustation") != 0) return;
    sql_drop_table(conn, mmo.c_str());
    std::string create;
    out_appendf(create, "CREATE TABLE %s(MSLINK DEC(10), %s DEC(%d), %s CHAR(%d))", mmo.c_str(),
                k_order_column, k_order_width, k_text_column, k_text_width);
    if (!run(r, create) || dbf_refill_guard(kept) != 0) {
        dbf_refill_end(kept, r.project, false);
        return;
    }
    sql_drop_index(conn, mmi.c_str(), mmo.c_str());
    std::string index, copy;
    out_appendf(index, "CREATE INDEX %s ON %s(MSLINK, %s)", mmi.c_str(), mmo.c_str(), k_order_column);
    out_appendf(copy, "INSERT INTO %s SELECT * FROM %sMEM", mmo.c_str(), t->name);
    /* An index refused leaves this copy out; the side table missing too; a
    ** driver ended or a side table that cannot be read stops the export. */
    int indexed = run_code(r, index);
    int copied = indexed == RTNORM ? run_code(r, copy) : indexed;
    bool unread = indexed != RTNORM ? sql_driver_lost(indexed) != 0 : copied != RTNORM && !no_such_table(copied);
    if (unread)
        r.failure = std::string("the memo lines of ") + t->name + " (table " + t->name +
                    "MEM) cannot be copied: " + sql_failure_text(copied);
    if (copied != RTNORM || !add_catalog_row(r, mmo)) {
        sql_drop_table(conn, mmo.c_str());
        dbf_refill_end(kept, r.project, false);
        return;
    }
    r.copies.push_back(kept);
    script_add(r, {"-ta " + mmo + " " + mmo, "-ia " + mmi + " " + mmo});
    add_summary(r, mmo);
}

/* Finds the first MSLINK value (in order) that more than one row of the
** table holds: two rows under one MSLINK would answer to one element.
** Answers 1 with it in value, 0 when none repeats, -1 with the reason in
** value when the column cannot be read. */
int repeated_link(const ustn_run &r, const tbl_rec *t, const sql_col_rec *key, std::string &value)
{
    std::string text = std::string("SELECT ") + key->name + " FROM " + t->name + " ORDER BY " + key->name;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rows = sql_query(r.project->connection, text.c_str(), &stmt, &cursor, &row, 0);
    int found = 0, failed = rows < 0 ? rows : 0;
    std::string previous;
    for (long k = 0; row && k < rows && !found && !failed; ++k) {
        /* A value that cannot be read is no end of the column: a repeat
        ** after it would go unseen. */
        int got = sql_fetch_counted(cursor, row, k);
        if (got != RTNORM) {
            failed = got;
            break;
        }
        std::string v = row->null_ind == SQL_COL_NULL ? std::string() : str_trim_right(row->text);
        v.erase(0, v.find_first_not_of(' '));
        if (!v.empty() && v == previous) value = v, found = 1;
        previous = v;
    }
    sql_close_query(&stmt, &cursor, &row);
    if (failed < 0) {
        value = sql_failure_text(failed);
        return -1;
    }
    return found;
}

/* Exports one registered table. */
void export_table(ustn_run &r, const tbl_rec *t)
{
    const sql_col_rec *key = link_column(t);
    if (!key) {
        msg_alert(ERR_TITLE, "Unique column not named MSLINK in:\n%s.", t->name);
        return;
    }
    std::string value;
    int repeats = repeated_link(r, t, key, value);
    if (repeats < 0) {
        r.failure = std::string("MSLINK of ") + t->name + " cannot be read: " + value;
        return;
    }
    if (repeats > 0) {
        msg_alert(ERR_TITLE, "MSLINK %s repeats in:\n%s.\nThe table is not exported.", value.c_str(), t->name);
        return;
    }
    std::string name = t->name;
    progress(r.dialog, "Indexing table " + name + "...");
    std::string unq = name + "UNQ";
    if (stopped(r, sql_create_index(r.project->connection, unq.c_str(), t->name, key->name, 1)) != RTNORM) return;
    r.made.push_back(unq + "\t" + name);
    if (!add_catalog_row(r, name)) return;
    script_add(r, {"-ta " + name + " " + name, "-ia " + unq + " " + name});
    add_summary(r, name);
    if (has_memo(t)) export_memo(r, t);
}

/* Joins the folder of the project's own files (a server project's in the
** user's data folder, made when missing: pjct_file_dir) and a file name;
** a folder that cannot be made is named by the write that fails in it. */
std::string project_file(const pjct_rec *p, const char *file)
{
    std::string path, why;
    pjct_file_dir(p, path, why);
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + file;
}

}  // namespace

void pv_ustation_accept_cb(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    int index = tile_get_int(dlg, "project");
    if (index < 0) {
        ads_set_tile(dlg, "error", "No project selected");
        return;
    }
    ustn_run r{pjct_nth(index), dlg, nullptr, {}, {}, 0, std::string(), {}, std::string()};
    if (!r.project) {
        ads_set_tile(dlg, "error", "Invalid project selected");
        return;
    }
    void *conn = r.project->connection;
    /* The export's mark stands until its files are in place. */
    mark_file exporting;
    std::string way = mark_in_the_way(r.project, k_export_mark, std::string("Table ") + k_catalog, "pv-ustation",
                                      "the mark %s of an export cut short is there; log on to the project again");
    if (way.empty() &&
        mark_begin_of(exporting, r.project, k_export_mark, std::string(k_catalog) + "\n", "pv-ustation") != 0)
        way = std::string("cannot write its mark ") + k_export_mark + ": " + mark_failure_text(r.project, errno);
    if (!way.empty()) {
        if (way.back() != '.') way += '.';
        msg_alert(ERR_TITLE, "Nothing was exported: %s", way.c_str());
        return;
    }
    progress(dlg, "Creating MSCATALOG table...");
    dbf_refill catalog;
    if (dbf_refill_begin(catalog, r.project, k_catalog, "pv-ustation") != 0) {
        mark_end(exporting, false);
        progress(dlg, "");
        return;
    }
    sql_drop_table(conn, k_catalog);
    {
        void *stmt = nullptr, *cursor = nullptr;
        int rc = sql_execute(conn, &stmt, &cursor, k_catalog_create, 1);
        sql_free_handles(&stmt, &cursor);
        if (rc != RTNORM || dbf_refill_guard(catalog) != 0) {
            dbf_refill_end(catalog, r.project, false);
            mark_end(exporting, false);
            progress(dlg, "");   /* the layer said why, an ended driver too */
            return;
        }
    }
    progress(dlg, "Creating script PVDDICT.S...");
    std::string script_path = project_file(r.project, k_script_file);
    r.script = out_temp_fopen(script_path.c_str(), "wb");
    if (!r.script) {
        int e = errno;
        sql_drop_table(conn, k_catalog);
        dbf_refill_end(catalog, r.project, false);
        mark_end(exporting, false);
        progress(dlg, "");
        msg_alert(ERR_TITLE, "ERROR: Could not create DATADICT script. Export aborted.\n%s: %s", script_path.c_str(),
                  wf_reason(e));
        return;
    }
    script_add(r, std::vector<std::string>(std::begin(k_script_head), std::end(k_script_head)));
    for (const tbl_rec *t = r.project->tables; t && r.failure.empty(); t = t->next) export_table(r, t);
    /* Whole, the export is one from here: its mark takes the texts of its
    ** files and "done", then the catalogue and its copies are kept and
    ** the files placed; cut short after that, the next logon finishes it. */
    std::vector<std::string> batch_lines = batch_text();
    if (r.failure.empty() && (std::fflush(r.script) != 0 || std::ferror(r.script)))
        r.failure = script_path + " cannot be written: " + wf_reason(errno);
    if (r.failure.empty()) {
        std::string body;
        for (const dbf_refill &c : r.copies) body += "T " + c.name + "\n";
        for (const std::string &l : r.lines) body += "S " + l + "\n";
        if (mark_append(exporting, body + k_export_done + "\n") != 0)
            r.failure = "cannot write its mark " + exporting.path + ": " + mark_failure_text(r.project, errno);
    }
    /* The catalogue filled whole may still not be kept (said, the former
    ** one put back). */
    bool failed = !r.failure.empty();
    if (failed || dbf_refill_end(catalog, r.project, true) != 0) {
        /* A table that cannot be read stops the export: what it made goes. */
        out_temp_fclose(r.script, false);
        for (const std::string &m : r.made) {
            std::size_t tab = m.find('\t');
            sql_drop_index(conn, m.substr(0, tab).c_str(), m.substr(tab + 1).c_str());
        }
        for (dbf_refill &c : r.copies) dbf_refill_end(c, r.project, false);
        if (failed) {
            sql_drop_table(conn, k_catalog);
            dbf_refill_end(catalog, r.project, false);
        }
        mark_end(exporting, false);
        progress(dlg, "");
        msg_alert(ERR_TITLE, "Nothing was exported: %s",
                  failed ? r.failure.c_str() : (std::string("table ") + k_catalog + " was not kept").c_str());
        ads_done_dialog(dlg, DLGCANCEL);
        return;
    }
    for (dbf_refill &c : r.copies) dbf_refill_end(c, r.project, true);
    progress(dlg, "Creating MSCATALOG table...");
    progress(dlg, "");
    /* A script not placed is placed by the next logon, from the mark. */
    bool script_ok = out_temp_fclose(r.script, true) == 0;
    if (!script_ok)
        msg_alert(ERR_TITLE, "ERROR: Could not write %s: %s. The next logon of the project writes it.",
                  script_path.c_str(), wf_reason(errno));

    progress(dlg, "Creating CLEANUP.BAT file...");
    std::string batch_path = project_file(r.project, k_batch_file);
    if (int e = put_file(batch_path, batch_lines))
        msg_alert(ERR_TITLE, "Could not create CLEANUP.BAT file.\n%s: %s", batch_path.c_str(), wf_reason(e));
    mark_end(exporting, !script_ok);

    progress(dlg, "Cleaning up...");
    for (const tbl_rec *t = r.project->tables; t; t = t->next) {
        if (!link_column(t)) continue;
        sql_remove_index_ini(conn, t->name);
        if (has_memo(t)) sql_remove_index_ini(conn, (std::string(t->name) + "MMO").c_str());
    }
    std::string title;
    out_appendf(title, "Exported %d table%s to Microstation 95:", r.count, r.count == 1 ? "" : "s");
    msg_alert(title.c_str(), "%s", r.summary.c_str());
    ads_done_dialog(dlg, DLGOK);
}

int ustation_recover(pjct_rec *p, std::vector<std::string> &mended)
{
    mark_file m;
    std::string body;
    int got = mark_take_of(m, p, k_export_mark, body);
    if (got == MARK_UNREAD) {
        msg_alert(ERR_TITLE, "The mark %s of pv-ustation cut short cannot be used now: %s. It stays for the next logon.",
                  m.path.c_str(), body.c_str());
        return -1;
    }
    /* One at work is said by the catalogue's refill. */
    if (got != MARK_FOUND && got != MARK_DAMAGED) return 0;
    std::vector<std::string> lines = got == MARK_FOUND ? mark_lines(body) : std::vector<std::string>();
    std::string why = got == MARK_DAMAGED                      ? body
                      : lines.empty() || lines[0] != k_catalog ? std::string("it is not a mark of an export")
                                                               : std::string();
    bool done = why.empty() && lines.back() == k_export_done;
    if (why.empty()) why = mark_writer_refusal(m, k_catalog, "DROP");
    std::vector<std::string> copies, script;
    for (size_t i = 1; why.empty() && done && i + 1 < lines.size(); i++) {
        const std::string &l = lines[i];
        std::string rest = l.size() > 2 ? l.substr(2) : "";
        if (l.compare(0, 2, "T ") == 0 && sql_is_ident(rest.c_str()) && rest.size() > 3 &&
            str_eq_nocase(rest.substr(rest.size() - 3).c_str(), "MMO"))
            copies.push_back(rest);
        else if (l.compare(0, 2, "S ") == 0 && script_line_ok(rest, script.size()))
            script.push_back(rest);
        else
            why = "its line " + std::to_string(i + 1) + " is not one of an export";
    }
    /* Only a catalogue read whole and listing other tables refuses the
    ** mark; one that cannot be read now leaves it for the next logon. */
    std::string unread;
    int agrees = 1;
    if (why.empty() && done)
        agrees = script.size() < std::size(k_script_head) ? 0 : catalog_agrees(p, script, unread);
    if (agrees == 0)
        why = std::string("table ") + k_catalog + " does not list the tables of its script";
    if (!why.empty()) {
        std::string named = m.path;
        std::string aside = mark_aside_text(m, "table",
                                            std::string("that ") + k_catalog + " and " + k_script_file +
                                                " of project " + p->name + " agree");
        msg_alert(ERR_TITLE, "The mark %s of pv-ustation cut short was not used: %s. %s", named.c_str(), why.c_str(),
                  aside.c_str());
        return -1;
    }
    if (!done) {
        /* The catalogue and the copies are put back with their refills. */
        mark_end(m, false);
        msg_alert(WARN_TITLE, "pv-ustation on project %s was cut short; %s, its memo copies and %s stay as they were.",
                  p->name, k_catalog, k_script_file);
        return 0;
    }
    int rc = agrees < 0 ? -1 : dbf_refill_finish(p, k_catalog, mended);
    for (size_t i = 0; agrees > 0 && i < copies.size(); i++)
        if (dbf_refill_finish(p, copies[i].c_str(), mended) != 0) rc = -1;
    int e = rc != 0 ? 0 : put_file(project_file(p, k_script_file), script);
    if (rc == 0 && e == 0) e = put_file(project_file(p, k_batch_file), batch_text());
    if (rc != 0 || e != 0) {
        if (e) unread = wf_reason(e);
        msg_alert(ERR_TITLE,
                  "pv-ustation on project %s was cut short after it was complete, and it cannot be finished now%s%s. "
                  "Its mark %s stays for the next logon.",
                  p->name, unread.empty() ? "" : ": ", unread.c_str(), m.path.c_str());
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false);
    msg_alert(WARN_TITLE, "pv-ustation on project %s was cut short after it was complete; it is finished now.",
              p->name);
    return 0;
}

void pv_ustation_cancel_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

void pv_ustation_project_cb(ads_callback_packet *cpkt)
{
    ads_set_tile(cpkt->dialog, "error", "");
}

int pv_ustation(struct resbuf *)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_ustation", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_ustation");
        return RTERROR;
    }
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, "project", names.data(), (int)names.size());
    if (names.empty())
        ads_mode_tile(dlg, "accept", MODE_DISABLE);
    else
        ads_set_tile(dlg, "project", "0");
    static const dlg_tile k_tiles[] = {
        {"accept", pv_ustation_accept_cb},
        {"cancel", pv_ustation_cancel_cb},
        {"project", pv_ustation_project_cb},
    };
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK ? RTNORM : RTERROR;
}
