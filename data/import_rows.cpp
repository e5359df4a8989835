/*
** import_rows.cpp: the text and Fieldworker importer behind the import
** button of dialog pv_importxt.
**
** The destination table is described into a working row; every record of
** the input is read value by value into the row's column texts, then
** appended with the next row number or, in update mode, written over the
** existing row of the same key (a record without exactly one such row is
** appended). Coordinates read in the import coordinate system are
** converted into each point's own system. Rows the database refuses are
** written to <project directory>/<table>.ERR, laid out so that the file
** can be corrected and imported again.
**
** The whole input is read before anything is written, so that a table's
** own .ERR file imports like any other; it is read as UTF-8 or as
** Windows-1252 (import_reader.h), and a record holding a character the
** code page lacks is refused into the .ERR without reaching the table.
** The .ERR keeps each refused record's values as they were read, never
** cut, and is written only when a row is refused: an import that refuses
** nothing leaves an earlier .ERR as it was. When the driver ends, the
** import stops at once and says so; the row in flight is never written to
** the .ERR, since the table may hold it.
**
** Each appended row is offered the number above the last one handed out,
** counted from the table's highest BASENUMBER read before the first row
** (the registry loaded at logon holds no numbers), and goes in as every
** writer's new row does (row_insert_new, in one run of new rows for the
** whole import): when another writer stored that number meanwhile, the
** row takes the next free one. Its memo lines are held with it and stored
** only once it is in, under the number it went in under: no line stands in
** the side table before its row, nor under another writer's. On a dBASE
** project the rows without memo lines go in a batch at a time, each batch
** one statement taken whole or not at all, and only while no row holds
** one of its numbers; a batch the database refuses, or whose numbers
** another writer took, goes in row by row as above, so that each refused
** row reaches the .ERR with its line and numbers follow as they would
** have.
**
** An import that updates rows holds the mark <table>.MRI (core/
** mark_file.h) while it writes, naming the table and the input, so that
** the next logon, whoever's, says which table an update cut short left
** part updated (import_recover); importing the file again finishes it. A
** mark the logon cannot use is set aside (<table>.MRI.BAD) and named.
*/
#include "data/import.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "dbf/dbf.h"
#include "data/memo.h"
#include "data/row_edit.h"
#include "data/tblsetup.h"
#include "wfile/wfile.h"

namespace {

/* Host version under which the index work is always done. */
constexpr int IMPORT_INDEX_HOST_VERSION = 255;
/* Minutes in a degree. */
constexpr double IMPORT_MINUTES_PER_DEGREE = 60.0;
/* Fixed fields of a Fieldworker record. */
enum fw_field {
    FW_STATION = 1,
    FW_LAT_DEG = 5,
    FW_LAT_MIN = 6,
    FW_LAT_HEMI = 7,
    FW_LON_DEG = 8,
    FW_LON_MIN = 9,
    FW_LON_HEMI = 10,
    FW_ELEVATION = 11,
};
/* Characters written for a delimiter outside 1..126. */
constexpr int IMPORT_DELIM_LOW = 1;
constexpr int IMPORT_DELIM_HIGH = 126;
/* Text of a memo column whose memo is written. */
const char k_memo_mark[] = "MEMO";
/* Title of the final alert. */
const char k_done_title[] = "PETRIVEX:";
/* The mark of an import updating a table. */
const char k_update_mark_ext[] = ".MRI";
/* Room of a progress or error text. */
constexpr size_t IMPORT_TEXT_SIZE = 256;
/* Bytes read from the input at a time, and the UTF-8 byte order mark. */
constexpr size_t IMPORT_CHUNK = 65536;
const char k_utf8_bom[] = "\xEF\xBB\xBF";

/* Sets g_host_version to 255 for its lifetime and restores it. */
struct host_version_guard {
    int saved;  /* the version restored */
    host_version_guard() : saved(g_host_version) { g_host_version = IMPORT_INDEX_HOST_VERSION; }
    ~host_version_guard() { g_host_version = saved; }
};

/* Characters of a statement of new rows at most (within the engine's
** 32,767), and its rows at most. */
constexpr size_t IMPORT_BATCH_TEXT = 30000;
constexpr size_t IMPORT_BATCH_ROWS = 1000;

/* One row waiting in a batch: what it goes in with, and what the import
** knew of its record, to take it alone again when the batch is refused. */
struct import_batch_row {
    long number;                    /* its BASENUMBER */
    long line;                      /* the line of the input its record begins at */
    int utf8;                       /* the line was read as UTF-8 */
    std::vector<std::string> texts; /* every column's text, converted */
    std::vector<std::string> whole; /* per column: the value as read */
    std::vector<char> given;        /* per column: the record gave it */
    std::string memo;               /* the record's memo text */
    sql_col_rec *memo_col;          /* the memo column the record filled, or null */
    std::string refusal;            /* why the importer refuses it, or "" */
};

/* One point of the working row: its setup and coordinate columns. */
struct import_point {
    pnt_rec *setup;     /* the point setup; the project's, or null */
    sql_col_rec *x;     /* its X column in the row */
    sql_col_rec *y;     /* its Y column */
    sql_col_rec *z;     /* its Z column, or null */
};

/* What one import works with, from start to end. */
struct import_run {
    import_state *st;                   /* the options */
    ads_hdlg dlg;                       /* dialog pv_importxt */
    tbl_rec *table;                     /* destination table */
    sql_col_rec *row;                   /* working row; owned */
    std::vector<sql_col_rec *> cols;    /* the row's columns by index */
    sql_col_rec *key;                   /* key column of the row */
    sql_col_rec *base;                  /* BASENUMBER column of the row */
    import_point p1, p2;                /* first and second point */
    std::vector<char> filled;           /* per column: the record fills it */
    std::vector<char> letter;           /* per column: its dBASE type letter (DB3 projects), or 0 */
    std::vector<sql_col_rec *> fw_cols; /* Fieldworker: the row's column of each destination position */
    int fw_first;                       /* Fieldworker: first destination position */
    int expected;                       /* fields of a record */
    int keep_base;                      /* 1 when an imported BASENUMBER is kept for the look-up */
    sql_col_rec *memo_col;              /* memo column the record filled, or null */
    std::string input;                  /* the whole input, read before anything is written */
    int utf8;                           /* 1 when the current line is read as UTF-8 */
    std::vector<std::string> whole;     /* per column: the record's value as read, never cut */
    std::vector<char> given;            /* per column: 1 when the record gave it a value */
    std::string refusal;                /* why the importer refuses the record itself, or "" */
    std::string first_refusal;          /* the first such reason with its line, for the closing message */
    long line;                          /* line of the input where the record begins */
    FILE *err;                          /* the error file once a row is refused; owned */
    std::string err_path;               /* its path */
    int err_existed;                    /* 1 when the error file was there before the import */
    std::string stop;                   /* why the import stopped before the end, or "" */
    bool ended = false;                 /* it stopped because the driver ended */
    long count;                         /* rows imported */
    long errors;                        /* rows refused */
    bool batching = false;              /* appended rows go in many a statement (dBASE projects) */
    std::vector<import_batch_row> batch;  /* rows waiting to go in together */
    std::string batch_values;             /* their values, as one statement takes them */
    long doubt_first = 0, doubt_last = 0; /* lines of the rows a driver that ended may or may not have stored */
};

/* 1 when a column is a coordinate column of a point setup. */
int import_is_coord(const sql_col_rec *c)
{
    return c && c->attr && (c->attr->flags & COL_ATTR_POINT) && c->attr->point;
}

/* The row's column of the same name as a registered column, or null. */
sql_col_rec *import_row_col(sql_col_rec *row, const sql_col_rec *registered)
{
    return registered ? sql_col_find(row, registered->name, nullptr, nullptr) : nullptr;
}

/* Fills a point from a setup; 1 when its X and Y columns are in the row. */
int import_point_of(import_point *p, pnt_rec *setup, sql_col_rec *row)
{
    p->setup = setup;
    p->x = import_row_col(row, setup->x_col);
    p->y = import_row_col(row, setup->y_col);
    p->z = import_row_col(row, setup->z_col);
    return p->x && p->y;
}

/* 1 when a column is one of a point's coordinate columns. */
int import_in_point(const import_point &p, const sql_col_rec *c)
{
    return p.setup && c && (c == p.x || c == p.y || c == p.z);
}

/* Finds the first and second points of the working row. */
void import_find_points(import_run *run)
{
    std::memset(&run->p1, 0, sizeof run->p1);
    std::memset(&run->p2, 0, sizeof run->p2);
    sql_col_rec *c = run->row;
    for (; c; c = c->next)
        if (import_is_coord(c) && import_point_of(&run->p1, c->attr->point, run->row)) break;
    if (!c) {
        std::memset(&run->p1, 0, sizeof run->p1);
        return;
    }
    for (c = run->p1.x->next; c; c = c->next) {
        if (!import_is_coord(c) || c->attr->point == run->p1.setup || c == run->p1.y || c == run->p1.z) continue;
        if (import_point_of(&run->p2, c->attr->point, run->row)) return;
    }
    std::memset(&run->p2, 0, sizeof run->p2);
}

/* Copies a value into a column's text: a character value to the column's
** length, any other as far as its text buffer holds it. 0; -1 when the
** value was cut (a character value by more than blanks), so that its
** record is refused, never stored cut. */
int import_set_text(sql_col_rec *c, const char *value)
{
    if (!c || !c->text) return 0;
    int chars = c->value_type == SQL_HOST_STRING || c->sql_type == SQL_TYPE_CHAR;
    size_t room = chars ? (size_t)(c->length > 0 ? c->length : 1) + 1 : (size_t)sql_col_text_size(c);
    if ((size_t)std::snprintf(c->text, room, "%s", value) < room) return 0;
    return !chars || str_nonblank(value + room - 1) == RTNORM ? -1 : 0;
}

/* Writes a number into a column's text with the column's output format. */
void import_set_number(sql_col_rec *c, double v)
{
    if (!c || !c->text) return;
    char buf[SQL_NUMBER_TEXT_SIZE];
    std::snprintf(buf, sizeof buf, "%.*f", c->decimals > 0 ? c->decimals : 0, v);
    if (c->value && sql_text_to_value(c, buf) == RTNORM && sql_value_to_text(c, c->text) == RTNORM) return;
    import_set_text(c, buf);
}

/* Blanks the memo text, every column text and what the record gave, and
** converts the row. */
void import_clear_row(import_run *run)
{
    if (run->st->memo_buf) run->st->memo_buf[0] = 0;
    for (sql_col_rec *c : run->cols)
        if (c->text) c->text[0] = 0;
    sql_row_from_text(run->row);
    run->whole.assign(run->cols.size(), std::string());
    run->given.assign(run->cols.size(), 0);
    run->refusal.clear();
}

/* Notes why the importer refuses the record: the column and what is
** wrong with its value ("%s" and "%lX" in the format); the first reason
** counts. */
void import_refuse_record(import_run *run, const char *format, const char *column, unsigned long what = 0)
{
    if (!run->refusal.empty()) return;
    char text[IMPORT_TEXT_SIZE];
    std::snprintf(text, sizeof text, format, column, what);
    run->refusal = text;
}

/* Keeps the value a record gives a column as read, for the error file,
** and turns it into Windows-1252 text. 0; -1 when the value holds a
** character the code page lacks (the record is then refused). */
int import_take(import_run *run, sql_col_rec *c, const char *value, std::string &text)
{
    /* A value the reader cut keeps no part of a character. */
    std::string kept = run->utf8 ? import_utf8_whole(value) : std::string(value);
    value = kept.c_str();
    for (size_t i = 0; i < run->cols.size(); i++)
        if (run->cols[i] == c) {
            run->whole[i] = value;
            run->given[i] = 1;
        }
    unsigned long bad = 0;
    if (import_to_cp1252(value, run->utf8, text, &bad) == 0) return 0;
    import_refuse_record(run, run->utf8 ? "%s holds U+%04lX, a character Windows-1252 lacks"
                                        : "%s holds the byte 0x%02lX, which Windows-1252 leaves unassigned",
                         c->name, bad);
    text.clear();
    return -1;
}

/* Puts a record's value into a column (see import_take); a number too
** long for its column's text, or a value a date or logical field of a
** dBASE table cannot hold, refuses the record. */
void import_put(import_run *run, sql_col_rec *c, const char *value)
{
    if (!c) return;
    std::string text;
    import_take(run, c, value, text);
    size_t i = 0;
    while (i < run->cols.size() && run->cols[i] != c) i++;
    const char *why = i < run->letter.size() ? dbf_value_refusal(run->letter[i], text.c_str(), text.size()) : nullptr;
    if (why) {
        std::string v = str_trim_right(text.c_str());
        v.erase(0, v.find_first_not_of(' '));
        std::string reason = std::string(c->name) + ": " + v + " " + why;
        import_refuse_record(run, "%s", reason.c_str());
    }
    if (import_set_text(c, text.c_str()) != 0) import_refuse_record(run, "%s: the value is too long", c->name);
}

/* Reads the type letter of each column from the table's own file, on a
** dBASE project: the driver describes a date field as CHAR(8) and a
** logical one as CHAR(1), and a value cut to those would read as another
** date or logical. Nothing is known (all 0) when the file cannot be read;
** the driver still refuses what such a field cannot hold. */
void import_read_letters(import_run *run)
{
    run->letter.assign(run->cols.size(), 0);
    const pjct_rec *p = run->st->project;
    const char *dir = (p->flags & PJCT_ENV_DB3) ? pjct_dir(p->name) : nullptr;
    if (!dir || !*dir) return;
    std::string path = dir;
    if (path.back() != '/' && path.back() != '\\') path += '/';
    path += std::string(run->table->name) + ".DBF";
    std::vector<char> buf(path.begin(), path.end());
    buf.resize(DBF_PATH_SIZE, 0);
    dbf_handle *h = dbf_new();
    if (!h) return;
    if (path.size() < DBF_PATH_SIZE && dbf_file_exists(buf.data()) == 1 && dbf_open(h, buf.data(), 1, 0) == DBF_OK) {
        for (size_t i = 0; i < run->cols.size(); i++) {
            int f = dbf_find_field(h, run->cols[i]->name);
            if (f >= 0) run->letter[i] = h->fields[f].type;
        }
    }
    dbf_close(h);
    dbf_free(h);
}

/* The record's value for a column: BASENUMBER dropped (unless kept for
** the look-up), memo text kept, anything else copied. */
void import_give_value(import_run *run, sql_col_rec *c, const char *raw)
{
    if (!c) return;
    if (c == run->base && !run->keep_base) return;
    if (!(c->attr && (c->attr->flags & COL_ATTR_MEMO))) {
        import_put(run, c, raw);
        return;
    }
    std::string value;
    import_take(run, c, raw, value);
    std::snprintf(run->st->memo_buf, IMPORT_BUF_SIZE, "%s", value.c_str());
    run->memo_col = c;
    /* The memo is stored with the row (import_insert) or over the row
    ** found (import_update_found), which then mark the column. */
    import_set_text(c, str_nonblank(value.c_str()) == RTNORM ? "" : value.c_str());
}

/* Applies a degrees, minutes or hemisphere field to the Y or X texts of
** both points; degrees or minutes that are neither blank nor a number
** refuse the record. */
void import_fw_coord(import_run *run, int field, const char *value)
{
    if (field != FW_LAT_HEMI && field != FW_LON_HEMI && str_nonblank(value) == RTNORM && !sql_is_number(value)) {
        static const char *const what[] = {"latitude degrees", "latitude minutes", "", "longitude degrees",
                                           "longitude minutes"};
        std::string v = str_trim_right(value);
        v.erase(0, v.find_first_not_of(" \t"));
        std::string text = std::string(what[field - FW_LAT_DEG]) + " " + v + " is not a number";
        import_refuse_record(run, "%s", text.c_str());
        return;
    }
    for (import_point *p : {&run->p1, &run->p2}) {
        if (!p->setup) continue;
        sql_col_rec *c = (field <= FW_LAT_HEMI) ? p->y : p->x;
        char trimmed[IMPORT_VALUE_SIZE];
        std::snprintf(trimmed, sizeof trimmed, "%s", value);
        str_trim(trimmed);
        char out[SQL_NUMBER_TEXT_SIZE];
        switch (field) {
        case FW_LAT_DEG:
        case FW_LON_DEG: import_set_text(c, trimmed); break;
        case FW_LAT_MIN:
        case FW_LON_MIN:
            std::snprintf(out, sizeof out, "%.6lf", std::atof(c->text) + std::atof(trimmed) / IMPORT_MINUTES_PER_DEGREE);
            import_set_text(c, out);
            break;
        case FW_LAT_HEMI:
        case FW_LON_HEMI: {
            char want = field == FW_LAT_HEMI ? 'S' : 'W';
            char first = str_first_word(trimmed)[0];
            if (first == want || first == want + ('a' - 'A')) {
                std::snprintf(out, sizeof out, "%.6lf", -std::atof(c->text));
                import_set_text(c, out);
            }
            break;
        }
        default: break;
        }
    }
}

/* Gives the value of a field to its column. */
void import_field(import_run *run, int field, const char *value)
{
    if (!run->st->fieldworker) {
        if (field >= run->st->selected_count) return;
        int index = run->st->selected[field];
        if (index >= 0 && index < (int)run->cols.size()) import_give_value(run, run->cols[index], value);
        return;
    }
    if (field == FW_STATION) {
        char trimmed[IMPORT_VALUE_SIZE];
        std::snprintf(trimmed, sizeof trimmed, "%s", value);
        import_put(run, run->key, str_trim(trimmed));
    } else if (field >= FW_LAT_DEG && field <= FW_LON_HEMI) {
        import_fw_coord(run, field, value);
    } else if (field == FW_ELEVATION) {
        char trimmed[IMPORT_VALUE_SIZE];
        std::snprintf(trimmed, sizeof trimmed, "%s", value);
        str_trim(trimmed);
        import_put(run, run->p1.z, trimmed);
        import_put(run, run->p2.z, trimmed);
    } else if (field >= run->fw_first && field < run->fw_first + (int)run->fw_cols.size()) {
        import_give_value(run, run->fw_cols[field - run->fw_first], value);
    }
}

/* Number of a registered table's columns a Fieldworker record carries. */
int import_fw_count(const tbl_rec *t)
{
    const sql_col_rec *base = t->keys[TBL_KEY_BASENUMBER];
    const sql_col_rec *key = t->keys[TBL_KEY_STATION];
    int n = 0;
    for (const sql_col_rec *c = t->columns; c; c = c->next)
        if (c != base && c != key && !import_is_coord(c)) n++;
    return n;
}

/* The Fieldworker layout: the record's field count, the destination's
** first position and the row's column of each of its positions. */
void import_fw_layout(import_run *run, tbl_rec *tables)
{
    tbl_rec *first = tbl_find_by_type(tables, TBL_DEF_STATION, nullptr);
    if (!first) first = tables;
    std::vector<tbl_rec *> order;
    if (first) order.push_back(first);
    for (tbl_rec *t = tables; t; t = t->next)
        if (t != first) order.push_back(t);
    int pos = IMPORT_FW_FIXED;
    for (tbl_rec *t : order) {
        if (!import_fw_type(t->table_type)) continue;
        if (t == run->table) run->fw_first = pos;
        pos += import_fw_count(t);
    }
    run->expected = pos;
    for (sql_col_rec *c : run->cols)
        if (c != run->key && c != run->base && !import_in_point(run->p1, c) && !import_in_point(run->p2, c) &&
            !import_is_coord(c))
            run->fw_cols.push_back(c);
}

/* Marks the columns a record fills. */
void import_mark_filled(import_run *run)
{
    run->filled.assign(run->cols.size(), 0);
    if (!run->st->fieldworker) {
        for (int k = 0; k < run->st->selected_count; k++) {
            int i = run->st->selected[k];
            if (i >= 0 && i < (int)run->cols.size()) run->filled[i] = 1;
        }
        return;
    }
    for (size_t i = 0; i < run->cols.size(); i++) {
        sql_col_rec *c = run->cols[i];
        int fills = c == run->key || import_in_point(run->p1, c) || import_in_point(run->p2, c);
        for (sql_col_rec *f : run->fw_cols) fills |= f == c;
        run->filled[i] = (char)fills;
    }
}

/* Shows the progress text. */
void import_progress(import_run *run)
{
    char text[IMPORT_TEXT_SIZE];
    std::snprintf(text, sizeof text, "Imported... %ld  ", run->count);
    ads_set_tile(run->dlg, "error", text);
}

/* Writes a row number into the BASENUMBER column. */
void import_set_number_text(import_run *run, long number)
{
    char text[SQL_NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%ld", number);
    import_set_text(run->base, text);
}

/* Writes the record to the error file, which is opened (emptied) for the
** first refused row, and counts it. 0; -1 when the file cannot be opened
** (the import stops). */
int import_write_refused(import_run *run)
{
    import_state *st = run->st;
    if (!run->err && !(run->err = wf_fopen(run->err_path.c_str(), "wb"))) {
        run->stop = "cannot write " + run->err_path + ": " + wf_reason(errno);
        return -1;
    }
    std::vector<const char *> values(run->cols.size());
    for (size_t i = 0; i < run->cols.size(); i++) values[i] = run->given[i] ? run->whole[i].c_str() : nullptr;
    import_write_error_row(run->err, st->project, run->row, values.data(), st->memo_buf, st->col_delim,
                           st->text_delim);
    /* A refused row the error file cannot hold is lost: the import stops. */
    if (std::fflush(run->err) != 0 || std::ferror(run->err)) {
        run->stop = "cannot write " + run->err_path + ": " + wf_reason(errno ? errno : EIO);
        return -1;
    }
    run->errors++;
    if (!run->refusal.empty() && run->first_refusal.empty())
        run->first_refusal = "Line " + std::to_string(run->line) + ": " + run->refusal;
    return 0;
}

/* After a statement failed: when its driver has ended, notes why the
** import stops and answers 1 (the record is then neither counted nor
** written to the error file: the table may hold it); else 0. */
int import_driver_ended(import_run *run, int code)
{
    if (!sql_driver_lost(code)) return 0;
    const sql_failure *f = sql_last_failure();
    run->stop = f->code == code && f->text[0] ? f->text : "the driver has ended";
    run->ended = true;
    return 1;
}

/* After a statement that writes the record failed: when the table, its
** files or the server failed rather than the row (a full disk, a lost
** connection, a statement cut short), notes why the import stops and
** answers 1 (the record is neither counted nor written to the error file:
** no later row would go either); else 0. */
int import_table_failed(import_run *run, int code)
{
    if (sql_row_refused(code)) return 0;
    run->stop = std::string("table ") + run->table->name + " cannot be written: " + sql_failure_text(code);
    return 1;
}

/* Notes why the database refused the record, from the failure the
** statement's code names. */
void import_db_refused(import_run *run, int code)
{
    if (!run->refusal.empty()) return;
    import_refuse_record(run, "the database refused the row: %s", row_refused_text(run->table->name, code).c_str());
}

/* Inserts the working row, its points converted, as every writer of new
** rows does (row_insert_new), its memo's lines held with it and stored
** once it is in, under the number it went in under; the table's counter
** follows that number. A row refused by the importer or the database is
** counted, its number given back and the row written to the error file;
** none of its memo lines is stored. */
void import_insert_one(import_run *run)
{
    import_state *st = run->st;
    int rc = RTERROR;
    if (run->refusal.empty()) {
        int memo = run->memo_col && str_nonblank(st->memo_buf) == RTNORM;
        rc = memo ? memo_hold_text(run->row, st->memo_buf) : 0;
        if (memo) import_set_text(run->memo_col, rc == 0 ? k_memo_mark : "");
        if (rc == 0) rc = row_insert_new(run->row->connection, run->row, run->table->name);
        memo_drop_held(run->row);
    }
    long number = std::atol(run->base->text);
    if (rc == RTNORM) {
        if (number > run->table->last_number && number <= INT32_MAX) run->table->last_number = (int32_t)number;
        run->count++;
        import_progress(run);
        return;
    }
    if (import_driver_ended(run, rc) || import_table_failed(run, rc)) return;
    /* Another user holding the lock on new rows for longer than the wait
    ** stops the import: every row before this one is in whole. */
    if (rc == ERR_LOCK_HELD) {
        run->stop = row_lock_held_text(run->table->name);
        return;
    }
    import_db_refused(run, rc);
    if (number == run->table->last_number) run->table->last_number--;
    import_write_refused(run);
}

/* What the import knows of the working row's record, to take it up again. */
import_batch_row import_batch_take(import_run *run)
{
    import_batch_row r;
    r.number = std::atol(run->base->text);
    r.line = run->line;
    r.utf8 = run->utf8;
    for (sql_col_rec *c : run->cols) r.texts.emplace_back(c->text ? c->text : "");
    r.whole = run->whole;
    r.given = run->given;
    r.memo = run->st->memo_buf;
    r.memo_col = run->memo_col;
    r.refusal = run->refusal;
    return r;
}

/* Makes a record taken by import_batch_take the working row again. */
void import_batch_put_back(import_run *run, import_batch_row &r)
{
    for (size_t i = 0; i < run->cols.size(); i++)
        if (run->cols[i]->text)
            std::snprintf(run->cols[i]->text, (size_t)sql_col_text_size(run->cols[i]), "%s", r.texts[i].c_str());
    run->whole.swap(r.whole);
    run->given.swap(r.given);
    run->line = r.line;
    run->utf8 = r.utf8;
    run->memo_col = r.memo_col;
    run->refusal = r.refusal;
    std::snprintf(run->st->memo_buf, IMPORT_BUF_SIZE, "%s", r.memo.c_str());
}

/* Sends the rows waiting in the batch in one statement, all or none. When
** the database refuses it, or another writer took one of its numbers
** meanwhile, each row goes in alone as it would have without the batch:
** numbered anew in turn, a refused one written to the error file with its
** line. */
void import_batch_flush(import_run *run)
{
    if (run->batch.empty()) return;
    std::vector<import_batch_row> rows;
    rows.swap(run->batch);
    std::string values;
    values.swap(run->batch_values);
    long low = rows.front().number, high = rows.back().number, stored = 0;
    int rc = sql_insert_rows(run->row->connection, run->row, run->table->name, values, run->base, low, high, &stored);
    if (rc == RTNORM && stored == (long)rows.size()) {
        run->count += stored;
        import_progress(run);
        return;
    }
    if (import_driver_ended(run, rc)) {
        run->doubt_first = rows.front().line;
        run->doubt_last = rows.back().line;
        return;
    }
    /* Row by row, as each record would have gone in alone. */
    run->table->last_number = (int32_t)(low - 1);
    for (import_batch_row &r : rows) {
        import_batch_put_back(run, r);
        import_set_number_text(run, ++run->table->last_number);
        import_insert_one(run);
        if (!run->stop.empty()) break;
    }
}

/* Sends the rows waiting in the batch before the working row, which gives
** back the number it took and takes the next one after them. */
void import_batch_before(import_run *run)
{
    if (run->batch.empty()) return;
    import_batch_row r = import_batch_take(run);
    run->table->last_number--;
    import_batch_flush(run);
    if (!run->stop.empty()) return;
    import_batch_put_back(run, r);
    import_set_number_text(run, ++run->table->last_number);
}

/* Puts the working row, its points converted, into the batch, which is
** sent first when it would grow too long. Answers whether it took the row
** (a row whose values make no statement goes alone). */
bool import_batch_add(import_run *run)
{
    std::string values;
    if (sql_row_values(run->row, values) != 0) return false;
    if (!run->batch.empty() &&
        (run->batch.size() >= IMPORT_BATCH_ROWS || run->batch_values.size() + values.size() + 1 > IMPORT_BATCH_TEXT)) {
        import_batch_before(run);
        if (!run->stop.empty()) return true;
        values.clear();
        if (sql_row_values(run->row, values) != 0) return false;
    }
    run->batch.push_back(import_batch_take(run));
    if (!run->batch_values.empty()) run->batch_values += ",";
    run->batch_values += values;
    return true;
}

/* Inserts the working row (see import_insert_one), its points converted
** first: on a dBASE project a row without memo lines waits in a batch of
** rows that go in together (import_batch_add); any other row goes in
** alone after the rows waiting. */
void import_insert(import_run *run)
{
    import_state *st = run->st;
    std::string why;
    if (run->refusal.empty() &&
        import_convert_points(run->row, st->prj, st->selected, st->selected_count, st->fieldworker, &why) != 0)
        run->refusal = why;
    int memo = run->memo_col && str_nonblank(st->memo_buf) == RTNORM;
    if (run->batching && run->refusal.empty() && !memo && import_batch_add(run)) return;
    import_batch_before(run);
    if (!run->stop.empty()) return;
    import_insert_one(run);
}

/* Writes a record over the row found for it: only the columns the record
** changes (those of the file, and the points converted from them), each
** only while it holds what the row held when found, so that another
** user's change to another column meanwhile stays. */
void import_update_found(import_run *run, sql_col_rec *found)
{
    import_state *st = run->st;
    if (!run->refusal.empty()) {
        import_write_refused(run);
        return;
    }
    std::vector<std::string> was;
    for (sql_col_rec *f = found; f; f = f->next) was.emplace_back(f->text ? f->text : "");
    int i = 0;
    sql_col_rec *base = nullptr;
    sql_col_rec *memo = nullptr;
    for (sql_col_rec *f = found; f && i < (int)run->cols.size(); f = f->next, i++) {
        sql_col_rec *c = run->cols[i];
        if (c == run->base) base = f;
        if (!run->filled[i] || c == run->base || !f->text) continue;
        int is_memo = c->attr && (c->attr->flags & COL_ATTR_MEMO);
        if (is_memo) memo = f;
        import_set_text(f, is_memo && str_nonblank(st->memo_buf) == RTNORM ? k_memo_mark : c->text);
    }
    std::string why;
    if (import_convert_points(found, st->prj, st->selected, st->selected_count, st->fieldworker, &why) != 0) {
        run->refusal = why;
        import_write_refused(run);
        return;
    }
    /* The columns changed, and the row as found to hold them against. */
    std::vector<std::string> names, from, to;
    size_t k = 0;
    for (sql_col_rec *f = found; f && k < was.size(); f = f->next, ++k) {
        std::string now = f->text ? f->text : "";
        if (f == base || now == was[k]) continue;
        names.emplace_back(f->name);
        from.push_back(was[k]);
        to.push_back(now);
        std::snprintf(f->text, (size_t)sql_col_text_size(f), "%s", was[k].c_str());
    }
    /* Another user may write the row between its look-up and this write:
    ** a test holds the import here. A memo goes with its row, as one. */
    pv_hold_at("import-update");
    std::vector<std::string> lines;
    int rc = !base ? -2 : memo ? memo_split_lines(st->memo_buf, lines) : 0;
    const long number = base ? std::atol(base->text) : 0;
    if (rc == 0)
        rc = memo ? memo_write_row(run->row->connection, run->table->name, base->name, number, found, names, from, to,
                                   lines, nullptr, "pv-import")
                  : sql_update_held(run->row->connection, run->table->name, base->name, number, found, names, from, to);
    if (rc == ERR_ROW_CHANGED) {
        import_refuse_record(run, "row %s was changed by another user meanwhile", str_trim_right(base->text).c_str());
        import_write_refused(run);
        return;
    }
    if (rc != RTNORM) {
        if (import_driver_ended(run, rc) || import_table_failed(run, rc)) return;
        /* The row and its memo stay as they were: said with why. */
        if (memo && !memo_write_failure().empty())
            import_refuse_record(run, "%s", ("row " + str_trim_right(base->text) + ": " + memo_write_failure()).c_str());
        import_db_refused(run, rc);
        import_write_refused(run);
        return;
    }
    run->count++;
    import_progress(run);
}

/* Ends a record: appends, updates or passes over the row, then blanks it. */
void import_end_record(import_run *run)
{
    import_state *st = run->st;
    /* A record refused for a value it gave is never taken for an empty one. */
    int empty = run->refusal.empty() && import_row_is_empty(run->table, run->row, st->fieldworker);
    if (st->append) {
        if (empty) run->table->last_number--;
        else import_insert(run);
    } else if (!empty) {
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *found = nullptr;
        int existing = import_find_existing_row(&stmt, &cursor, &found, run->row, run->table);
        if (existing == 1) {
            import_update_found(run, found);
        } else if (existing < -2) {
            /* A row that cannot be looked up is no row that is not there:
            ** it would go in twice. */
            if (!import_driver_ended(run, existing))
                run->stop = std::string("table ") + run->table->name + " cannot be read: " + sql_failure_text(existing);
        } else {
            import_set_number_text(run, ++run->table->last_number);
            import_insert(run);
        }
        sql_close_query(&stmt, &cursor, &found);
    }
    run->memo_col = nullptr;
    import_clear_row(run);
}

/* Raises the table's row counter to its highest BASENUMBER. */
void import_raise_last_number(import_run *run)
{
    if (sql_select_max(run->row->connection, &run->row, run->base->name, run->table->name) >= 0) {
        long highest = std::atol(run->base->text);
        if (highest > run->table->last_number) run->table->last_number = (int32_t)highest;
    }
    run->base->text[0] = 0;
}

/* Sets up the working row, its special columns and the record's layout.
** 0; -1 with a line in "error" when the import cannot run. */
int import_prepare(import_run *run)
{
    char text[IMPORT_TEXT_SIZE];
    tbl_rec *t = run->table;
    int n = sql_describe_table(run->st->project->connection, t->name, &run->row, 0);
    if (n <= 0 || !run->row) {
        std::string line = std::string("ERROR: Cannot describe ") + t->name;
        if (n < 0) line = line + ": " + sql_failure_text(n);
        /* The error line is one line: a server's words on several are joined. */
        for (char &c : line)
            if (c == '\n' || c == '\t' || c == '\r') c = ' ';
        ads_set_tile(run->dlg, "error", line.c_str());
        return -1;
    }
    for (sql_col_rec *c = run->row; c; c = c->next) run->cols.push_back(c);
    import_read_letters(run);
    import_find_points(run);
    run->key = import_key_column(t, run->row);
    run->base = import_row_col(run->row, t->keys[TBL_KEY_BASENUMBER]);
    if (!run->key || !run->base) {
        std::snprintf(text, sizeof text, "ERROR: Table %s has no %s column", t->name,
                      run->base ? "key" : "BASENUMBER");
        ads_set_tile(run->dlg, "error", text);
        return -1;
    }
    run->keep_base = run->st->update && t->table_type == TBL_DEF_OTHER;
    if (!run->st->fieldworker) {
        for (int k = 0; k < run->st->selected_count; k++) {
            int i = run->st->selected[k];
            if (i >= 0 && i < (int)run->cols.size() && run->cols[i] == run->base && t->table_type != TBL_DEF_OTHER) {
                std::snprintf(text, sizeof text, "ERROR: Cannot import %s", run->base->name);
                ads_set_tile(run->dlg, "error", text);
                return -1;
            }
        }
        run->expected = run->st->selected_count;
    } else {
        import_fw_layout(run, run->st->project->tables);
    }
    import_mark_filled(run);
    return 0;
}

/* Reads the whole input into memory, from its start, without a UTF-8 byte
** order mark. 0; -1 with a line in "error" when it cannot be read. */
int import_read_input(import_run *run)
{
    FILE *fp = run->st->fp;
    std::rewind(fp);
    std::vector<char> chunk(IMPORT_CHUNK);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), fp)) > 0) {
        /* A text's first line ends long before; this is no text at all. */
        if (run->input.empty() && n == chunk.size() && std::memchr(chunk.data(), '\0', n) &&
            !std::memchr(chunk.data(), '\n', n)) {
            std::string text = std::string("ERROR: ") + run->st->file_name + " is not a text file: its first " +
                               std::to_string(n) + " bytes hold a NUL byte and no line end";
            ads_set_tile(run->dlg, "error", text.c_str());
            return -1;
        }
        run->input.append(chunk.data(), n);
    }
    if (std::ferror(fp)) {
        std::string text = std::string("ERROR: Cannot read ") + run->st->file_name + ": " + std::strerror(errno);
        ads_set_tile(run->dlg, "error", text.c_str());
        return -1;
    }
    if (run->input.compare(0, sizeof k_utf8_bom - 1, k_utf8_bom) == 0) run->input.erase(0, sizeof k_utf8_bom - 1);
    return 0;
}

/* Refuses the record whose field (from 0) holds a NUL byte, as one
** holding a character outside the code page; the error file gets the
** value with blanks for its NUL bytes. */
void import_refuse_nul(import_run *run, int field, import_reader *r)
{
    std::string named = "field " + std::to_string(field + 1);
    int index = !run->st->fieldworker && field < run->st->selected_count ? run->st->selected[field] : -1;
    if (index >= 0 && index < (int)run->cols.size()) named = run->cols[(size_t)index]->name;
    import_refuse_record(run, "%s holds a NUL byte, which is not text", named.c_str());
    for (int i = 0; i < r->length; i++)
        if (r->value[i] == '\0') r->value[i] = ' ';
}

/* Reads the whole input into the table; stops early when the driver ends
** or the error file cannot be written. */
void import_read_all(import_run *run)
{
    import_clear_row(run);
    import_raise_last_number(run);
    if (run->input.empty()) return;
    FILE *fp = fmemopen(run->input.data(), run->input.size(), "rb");
    if (!fp) {
        run->stop = std::string("cannot read the input: ") + std::strerror(errno);
        return;
    }
    import_reader *r = run->st->reader;
    import_reader_init(r, fp, run->st->col_delim, run->st->text_delim);
    size_t counted = 0;   /* bytes of the input whose line ends are counted in run->line */
    run->line = 1;
    int field = 0;
    for (;;) {
        if (field == 0) {
            long at = std::ftell(fp);
            for (; at > 0 && counted < (size_t)at; counted++) run->line += run->input[counted] == '\n';
            /* Each line is read in its own encoding: UTF-8 when it is valid
            ** UTF-8 beyond ASCII, else Windows-1252. */
            size_t from = at > 0 ? (size_t)at : 0, to = run->input.find('\n', from);
            if (to == std::string::npos) to = run->input.size();
            run->utf8 = import_is_utf8(run->input.data() + from, to - from);
        }
        int end = import_read_value(r);
        if (std::memchr(r->value, '\0', (size_t)r->length)) import_refuse_nul(run, field, r);
        if (field == 0 && run->st->append) import_set_number_text(run, ++run->table->last_number);
        import_field(run, field, r->value);
        field++;
        if (!import_ends_record(r, field, run->expected)) continue;
        import_end_record(run);
        if (end == IMPORT_EOF || !run->stop.empty()) break;
        import_skip_record_end(r);
        field = 0;
    }
    if (run->stop.empty()) import_batch_flush(run);
    std::fclose(fp);
}

/* The text of a condition's value: CHAR quoted with its quotes doubled,
** a number bare. 0; -1 for a blank or non-numeric text of a number column. */
int import_condition_value(const sql_col_rec *c, std::string &out)
{
    char value[IMPORT_VALUE_SIZE];
    std::snprintf(value, sizeof value, "%s", c->text ? c->text : "");
    str_trim(value);
    if (c->sql_type == SQL_TYPE_CHAR) {
        sql_quote(value, out);
        return 0;
    }
    if (!sql_is_number(value)) return -1;
    out += value;
    return 0;
}

}  // namespace

/* The key column of the row for a table's type (the STATION key for the
** field types, the own key for the others, BASENUMBER for OTHER); null
** when the table or the row has none. */
sql_col_rec *import_key_column(const tbl_rec *table, sql_col_rec *row)
{
    if (!table || !row) return nullptr;
    int type = table->table_type;
    int slot = (type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_STATION) ? TBL_KEY_STATION : import_key_slot(type);
    return import_row_col(row, table->keys[slot]);
}

/* Index of a value in an array, or -1. */
int import_find_int(const int *array, int count, int value)
{
    if (!array) return -1;
    for (int i = 0; i < count; i++)
        if (array[i] == value) return i;
    return -1;
}

/* 1 when no column but BASENUMBER (and, for Fieldworker, the key column)
** has a non-blank text; 0 otherwise (also for bad arguments). */
int import_row_is_empty(const tbl_rec *table, sql_col_rec *row, int fieldworker)
{
    if (!table || !row) return 0;
    sql_col_rec *base = import_row_col(row, table->keys[TBL_KEY_BASENUMBER]);
    sql_col_rec *key = fieldworker ? import_key_column(table, row) : nullptr;
    for (sql_col_rec *c = row; c; c = c->next)
        if (c != base && c != key && c->text && str_nonblank(c->text) == RTNORM) return 0;
    return 1;
}

/* Finds the one existing row with the record's key values; see import.h. */
int import_find_existing_row(void **stmt, void **cursor, sql_col_rec **found, sql_col_rec *row,
                             const tbl_rec *table)
{
    if (!stmt || !cursor || !found || !row || !table || !row->connection) return -2;
    std::vector<sql_col_rec *> keys;
    int type = table->table_type;
    if (type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_STATION) {
        sql_col_rec *station = import_row_col(row, table->keys[TBL_KEY_STATION]);
        if (!station) return -1;
        keys.push_back(station);
        for (int slot : {TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_ANALYSIS}) {
            sql_col_rec *c = import_row_col(row, table->keys[slot]);
            if (c && c != station) keys.push_back(c);
        }
    } else {
        sql_col_rec *c = import_row_col(row, table->keys[import_key_slot(type)]);
        if (!c) return -1;
        keys.push_back(c);
    }
    std::string text = std::string("SELECT * FROM ") + table->name + " WHERE ";
    for (size_t i = 0; i < keys.size(); i++) {
        text += i ? " AND " : "";
        text += keys[i]->name;
        text += " = ";
        if (import_condition_value(keys[i], text) < 0) return -1;
    }
    int n = sql_query(row->connection, text.c_str(), stmt, cursor, found, 0);
    if (n < 0) return n;
    if (n != 1) {
        sql_close_query(stmt, cursor, found);
        return -1;
    }
    /* The query's columns carry no table: the update needs it. */
    for (sql_col_rec *c = *found; c; c = c->next) std::snprintf(c->table, sizeof c->table, "%s", table->name);
    return 1;
}

/* Reads a point from the row's texts: x and y from its X and Y columns, z
** from its Z column or 0. 0; -1 when a coordinate column is missing. */
static int import_read_point(geo_point *pt, const pnt_rec *setup, sql_col_rec *row)
{
    sql_col_rec *x = import_row_col(row, setup->x_col);
    sql_col_rec *y = import_row_col(row, setup->y_col);
    if (!x || !y || !x->text || !y->text) return -1;
    sql_col_rec *z = import_row_col(row, setup->z_col);
    pt->x = std::atof(x->text);
    pt->y = std::atof(y->text);
    pt->z = z && z->text ? std::atof(z->text) : 0.0;
    pt->w = 0.0;
    return 0;
}

/* Writes x, y and z into the point's column texts. 0; -1 when a
** coordinate column is missing. */
static int import_write_point(const geo_point *pt, const pnt_rec *setup, sql_col_rec *row)
{
    sql_col_rec *x = import_row_col(row, setup->x_col);
    sql_col_rec *y = import_row_col(row, setup->y_col);
    if (!x || !y) return -1;
    import_set_number(x, pt->x);
    import_set_number(y, pt->y);
    import_set_number(import_row_col(row, setup->z_col), pt->z);
    return 0;
}

/* The point whose X column a column is, or null. */
static pnt_rec *import_x_point(const sql_col_rec *c)
{
    if (!import_is_coord(c)) return nullptr;
    pnt_rec *p = c->attr->point;
    return p->x_col && str_eq_nocase(p->x_col->name, c->name) ? p : nullptr;
}

/* Says why a point cannot be converted from one system into another. */
static void import_unconvertible(std::string *why, const pnt_rec *p, const geo_point &pt, const prj_rec *from,
                                 const prj_rec *to)
{
    if (!why) return;
    char text[IMPORT_TEXT_SIZE];
    std::string a = from ? str_trim_right(from->name) : "", b = to ? str_trim_right(to->name) : "none";
    if (from && from->type == PRJ_TYPE_GEOGRAPHIC && std::fabs(pt.y) > 90.0)
        std::snprintf(text, sizeof text, "%s, %s: latitude %.10g lies outside -90 to 90", p->x_col->name,
                      p->y_col->name, pt.y);
    else
        std::snprintf(text, sizeof text, "%s, %s: the point %.10g, %.10g cannot be converted from %s into %s",
                      p->x_col->name, p->y_col->name, pt.x, pt.y, a.c_str(), b.c_str());
    *why = text;
}

/* Converts the row's points from the import coordinate system into each
** point's own system. 0; -1 when a point cannot be converted (the row is
** then left as it was read, and why says which point and why); -2 for bad
** arguments. */
int import_convert_points(sql_col_rec *row, prj_rec *prj, const int *selected, int count, int fieldworker,
                          std::string *why)
{
    if (!row || (!fieldworker && count > 0 && !selected)) return -2;
    if (!prj) return 0;
    std::vector<sql_col_rec *> candidates;
    if (fieldworker) {
        for (sql_col_rec *c = row; c; c = c->next) candidates.push_back(c);
    } else {
        for (int k = 0; k < count; k++)
            if (sql_col_rec *c = sql_col_nth(row, selected[k])) candidates.push_back(c);
    }
    pnt_rec *first = nullptr;
    geo_point pt = {0, 0, 0, 0};
    for (sql_col_rec *c : candidates) {
        pnt_rec *p = import_x_point(c);
        if (p && import_read_point(&pt, p, row) == 0) {
            first = p;
            break;
        }
    }
    if (!first) return 0;
    if (!fieldworker && prj->type == PRJ_TYPE_GEOGRAPHIC && first->x_index < first->y_index) {
        double swap = pt.x;
        pt.x = pt.y;
        pt.y = swap;
    }
    geo_point own = {0, 0, pt.z, 0};
    int zero = pt.x == 0.0 && pt.y == 0.0;
    if (!zero && !prj_transform_point(&pt, prj, &own, first->projection)) {
        import_unconvertible(why, first, pt, prj, first->projection);
        return -1;
    }
    /* Every point is converted before any is written. */
    std::vector<std::pair<pnt_rec *, geo_point>> others;
    for (sql_col_rec *c = row; c; c = c->next) {
        pnt_rec *other = import_x_point(c);
        if (!other || other == first) continue;
        geo_point out = {0, 0, own.z, 0};
        if (!zero && !prj_transform_point(&own, first->projection, &out, other->projection)) {
            import_unconvertible(why, other, own, first->projection, other->projection);
            return -1;
        }
        others.emplace_back(other, out);
    }
    import_write_point(&own, first, row);
    for (auto &o : others) import_write_point(&o.second, o.first, row);
    return 0;
}

/* Writes a refused row as one line of the error file; see import.h. */
int import_write_error_row(FILE *fp, pjct_rec *project, sql_col_rec *row, const char *const *values,
                           const char *memo, int col_delim, int text_delim)
{
    if (!fp || !project || !row) return -2;
    tbl_rec *t = tbl_find_by_name(project->tables, row->table, nullptr);
    if (!t || !t->keys[TBL_KEY_BASENUMBER]) return -1;
    const char *base = t->keys[TBL_KEY_BASENUMBER]->name;
    int delim = (col_delim >= IMPORT_DELIM_LOW && col_delim <= IMPORT_DELIM_HIGH) ? col_delim : ' ';
    int written = 0;
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++) {
        if (str_eq_nocase(c->name, base)) continue;
        if (written++) std::fputc(delim, fp);
        int quoted = c->sql_type == SQL_TYPE_CHAR && text_delim;
        if (quoted) std::fputc(text_delim, fp);
        const char *given = values ? values[i] : nullptr;
        if (c->attr && (c->attr->flags & COL_ATTR_MEMO)) std::fputs(given ? given : memo ? memo : "", fp);
        else std::fprintf(fp, "%-*s", c->length, given ? given : c->text ? c->text : "");
        if (quoted) std::fputc(text_delim, fp);
    }
    std::fputs("\r\n", fp);
    return 0;
}

/* The import button of pv_importxt: reads the input into the table. */
void pv_importxt_import_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    import_state *st = import_state_get();
    if (importxt_read_options(cpkt->dialog) != 0) return;
    if (!st->fp || !st->reader || !st->memo_buf) return;
    import_run run;
    run.st = st;
    run.dlg = cpkt->dialog;
    run.table = st->table;
    run.row = nullptr;
    run.key = run.base = nullptr;
    run.fw_first = -1;
    run.expected = 0;
    run.keep_base = 0;
    run.memo_col = nullptr;
    run.utf8 = 0;
    run.line = 0;
    run.err = nullptr;
    run.err_existed = 0;
    run.count = run.errors = 0;
    /* The server's writers take its lock on new rows row by row. */
    run.batching = st->append && !memo_integer_numbers(st->project->connection);
    char text[IMPORT_TEXT_SIZE];
    std::snprintf(text, sizeof text, "Imported... %ld", 0L);
    ads_set_tile(run.dlg, "error", text);
    if (import_prepare(&run) != 0 || import_read_input(&run) != 0) {
        sql_col_list_free(&run.row);
        return;
    }
    if (st->update) {
        std::snprintf(text, sizeof text, "Indexing %s...  ", run.table->name);
        ads_set_tile(run.dlg, "error", text);
        host_version_guard guard;
        /* An index that cannot be made stops the update before its first
        ** row, said once with the import's closing message. */
        tbl_create_indexes(run.table, &run.stop);
        if (!run.stop.empty()) run.line = 0;
    }
    if (st->update) ads_set_tile(run.dlg, "error", "");
    /* A server project's .ERR goes into its folder in the user's own. */
    std::string why;
    int dir_rc = pjct_file_dir(st->project, run.err_path, why);
    if (!run.err_path.empty() && run.err_path.back() != '/' && run.err_path.back() != '\\') run.err_path += '/';
    run.err_path += std::string(run.table->name) + ".ERR";
    /* The error file must be writable before any row goes in; it is only
    ** emptied once a row is refused. */
    run.err_existed = access(run.err_path.c_str(), F_OK) == 0;
    FILE *probe = dir_rc == 0 ? wf_fopen(run.err_path.c_str(), "ab") : nullptr;
    if (!probe) {
        /* A link, a FIFO or a second name of another file at the name is
        ** never written through, and is named so. */
        if (dir_rc == 0) why = run.err_path + ": " + wf_reason(errno);
        err_report(ERR_OPEN_FILE, (dir_rc == 0 && why.empty() ? run.err_path : why).c_str());
        if (st->update) {
            host_version_guard guard;
            tbl_drop_indexes(run.table);
        }
        sql_col_list_free(&run.row);
        return;
    }
    std::fclose(probe);
    /* Rows updated in place cannot be taken back: a mark names the table
    ** until the import has said how far it came. */
    mark_file updating;
    std::string mark = std::string(run.table->name) + k_update_mark_ext;
    if (st->update && run.stop.empty()) {
        run.stop = mark_in_the_way(st->project, mark, std::string("table ") + run.table->name, "pv-import",
                                   "%s of an update cut short is there; log on to the project again");
        if (run.stop.empty() &&
            mark_begin_of(updating, st->project, mark, std::string(run.table->name) + "\n" + st->file_name + "\n",
                          "pv-import") != 0)
            run.stop = "cannot write its mark " + mark + ": " + mark_failure_text(st->project, errno);
        if (!run.stop.empty()) run.line = 0;
    }
    /* One run of new rows: the server's lock and the rows' mark are taken
    ** once for many rows. */
    if (run.stop.empty()) {
        row_new_run_begin(st->project->connection, run.table->name);
        import_read_all(&run);
        row_new_run_end();
    }
    sql_col_list_free(&run.row);
    /* With the driver gone nothing more can be asked of the table. */
    int stopped = !run.stop.empty();
    if (st->append && !st->fieldworker && !stopped) {
        int rc = tbl_resolve_definition(run.table, 1);
        if (rc < 0) msg_alert(WARN_TITLE, "%s in table %s.\nCorrect with DU-ZOREZ.", err_text(rc), run.table->name);
    }
    /* The update's indexes go also after a table that could not be read,
    ** not after a driver that ended. */
    if (st->update && !run.ended) {
        std::snprintf(text, sizeof text, "Deindexing %s...  ", run.table->name);
        ads_set_tile(run.dlg, "error", text);
        host_version_guard guard;
        tbl_drop_indexes(run.table);
    }
    mark_end(updating, false);
    /* The refused rows are counted as written only when the file holds
    ** them whole. */
    std::string err_lost;
    if (run.err && std::fclose(run.err) != 0)
        err_lost = wf_reason(errno ? errno : EIO);
    else if (!run.err && !run.err_existed)
        std::remove(run.err_path.c_str());
    std::string message;
    if (stopped && run.line == 0)
        message = "The import stopped before its first line: " + run.stop + ".\n";
    else if (stopped && run.ended && run.doubt_first < run.doubt_last)
        message = "The import stopped at lines " + std::to_string(run.doubt_first) + " to " +
                  std::to_string(run.doubt_last) + ": " + run.stop +
                  ".\nThe rows of those lines may or may not be in " + run.table->name +
                  "; the lines after them were not read.\n";
    else if (stopped && run.ended)
        message = "The import stopped at line " + std::to_string(run.doubt_first ? run.doubt_first : run.line) + ": " +
                  run.stop + ".\nThe row of that line may or may not be in " + run.table->name +
                  "; the lines after it were not read.\n";
    else if (stopped)
        message = "The import stopped at line " + std::to_string(run.line) + ": " + run.stop +
                  ".\nThe lines after it were not read.\n";
    message += "Imported: " + std::to_string(run.count) + " rows into " + run.table->name;
    if (run.errors && err_lost.empty())
        message += "\n\nERRORS: " + std::to_string(run.errors) + " rows written to " + run.err_path;
    else if (run.errors)
        message += "\n\nERRORS: " + std::to_string(run.errors) + " rows refused, which " + run.err_path +
                   " cannot hold: " + err_lost;
    if (!run.first_refusal.empty()) message += "\n" + run.first_refusal;
    msg_alert(k_done_title, "%s", message.c_str());
    ads_done_dialog(run.dlg, DLGOK);
}

int import_recover(pjct_rec *p)
{
    int rc = 0;
    for (const std::string &name : mark_names_of(p, k_update_mark_ext)) {
        mark_file m;
        std::string body;
        int got = mark_take_of(m, p, name, body);
        std::string stem = name.substr(0, name.size() - (sizeof k_update_mark_ext - 1));
        stem = stem.substr(stem.find_last_of("/\\") == std::string::npos ? 0 : stem.find_last_of("/\\") + 1);
        if (got == MARK_BUSY) mark_busy_note(m, ("Table " + stem).c_str(), "pv-import");
        if (got != MARK_FOUND && got != MARK_DAMAGED) continue;
        std::vector<std::string> lines = got == MARK_FOUND ? mark_lines(body) : std::vector<std::string>();
        /* A mark that cannot be used is set aside, so that it stands in no
        ** later update's way; it is named as found. */
        if (lines.size() != 2 || !str_eq_nocase(lines[0].c_str(), stem.c_str())) {
            std::string named = m.path;
            std::string aside = mark_aside_text(m, "row", "table " + stem + ", which an update cut short may have "
                                                "left part updated");
            msg_alert(ERR_TITLE, "The mark %s of an import cut short was not used: %s. %s", named.c_str(),
                      got == MARK_DAMAGED ? body.c_str() : "it is not a mark of this table's update", aside.c_str());
            mark_end(m, true);
            rc = -1;
            continue;
        }
        msg_alert(WARN_TITLE, "Table %s was left part updated by an import of %s cut short; import it again to finish.",
                  lines[0].c_str(), lines[1].c_str());
        mark_end(m, false);
    }
    return rc;
}
