/*
** dbf_restructure.cpp: rebuilding a dBASE table's files from its setup
** tree node, when its columns changed or its deleted rows are purged.
**
** A dBASE project cannot alter a table with SQL. Instead the table's .DBF
** (and .DBT) are set aside as TEMPRARY.DBF (and TEMPRARY.DBT), a new .DBF
** is created with the node's columns, every record not marked deleted is
** copied into it field by field (fields are matched by name), and the old
** files are removed; then the table is described, checked and indexed
** again. Until the old files are removed, every failure puts them back
** under their own names and creates the standard indexes again, so the
** table is as it was. Memo (M) fields and F numbers of the old file keep
** their letter, so memo texts travel into the new .DBT.
**
**     if (dbf_restructure(dialog, node, project) != 0) ...   // reported already
*/
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "data/dbf/dbf.h"
#include "data/tblsetup.h"

namespace {

/* Name of the set-aside files: eight letters, not "TEMPORARY". */
const char k_temp_name[] = "TEMPRARY";
/* Bytes of the DB3 driver's journal between two changes: its mark alone,
** which undoes nothing. */
constexpr off_t k_journal_idle = 8;
/* Tile that shows the progress. */
const char k_error_tile[] = "error";
/* Room of one message text. */
constexpr size_t RS_TEXT_SIZE = DBF_PATH_SIZE + 256;

/* One rebuild in progress. */
struct rs_job {
    ads_hdlg dlg;                   /* the table setup dialog, or null */
    tblsetup_table_node *node;      /* the table's node; borrowed */
    pjct_rec *project;              /* its project; borrowed */
    char dbf[DBF_PATH_SIZE];        /* the table's .DBF, as found on disk */
    char dbt[DBF_PATH_SIZE];        /* its .DBT, as found (or as it would be named) */
    char tmp_dbf[DBF_PATH_SIZE];    /* TEMPRARY.DBF */
    char tmp_dbt[DBF_PATH_SIZE];    /* TEMPRARY.DBT */
    char made_dbf[DBF_PATH_SIZE];   /* the new .DBF once created, else empty */
    char made_dbt[DBF_PATH_SIZE];   /* the new .DBT once created, else empty */
    dbf_handle *old_h;              /* the set-aside table; owned */
    dbf_handle *new_h;              /* the new table; owned */
};

/* Shows a progress text in the dialog's tile (nothing without a dialog). */
void rs_tile(ads_hdlg dlg, const char *text)
{
    if (dlg) ads_set_tile(dlg, k_error_tile, text);
}

/* Formats a message into out (RS_TEXT_SIZE bytes). */
void rs_format(char *out, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(out, RS_TEXT_SIZE, format, ap);
    va_end(ap);
}

/* "%s%s%s" of directory, name and extension into out; answers 0, or -1
** when it does not fit a path. */
int rs_path(char *out, const std::string &dir, const char *name, const char *ext)
{
    int n = std::snprintf(out, DBF_PATH_SIZE, "%s%s%s", dir.c_str(), name, ext);
    return n > 0 && n < DBF_PATH_SIZE ? 0 : -1;
}

/* Creates the standard indexes of the node's registered table again (a
** table not registered has none). */
void rs_index_again(const rs_job &job)
{
    tbl_rec *row = tbl_find_by_name(job.project->tables, job.node->name, nullptr);
    if (row) tbl_create_indexes(row);
}

/* Closes and frees both handles of the job (nothing for an empty slot). */
void rs_release(rs_job &job)
{
    for (dbf_handle **h : {&job.old_h, &job.new_h}) {
        if (!*h) continue;
        dbf_close(*h);
        dbf_free(*h);
        *h = nullptr;
    }
}

/* Fails the rebuild after the old files were set aside: the handles are
** released, the new files removed, the old ones put back with the message
** shown, and the standard indexes created again. Answers -1. */
int rs_fail(rs_job &job, const char *message)
{
    if (job.new_h) job.new_h->mode = DBF_MODE_READ;   /* nothing more is written */
    rs_release(job);
    if (*job.made_dbf) std::remove(job.made_dbf);
    if (*job.made_dbt) std::remove(job.made_dbt);
    dbf_restore_files(message, job.tmp_dbf, job.tmp_dbt, job.dbf, job.dbt);
    rs_index_again(job);
    return -1;
}

/* Fails the rebuild before anything was set aside: the message is shown,
** the handles released and, when they were dropped, the indexes created
** again. Answers -1. */
int rs_refuse(rs_job &job, const char *message, int dropped)
{
    msg_alert(ERR_TITLE, "%s", message);
    rs_release(job);
    if (dropped) rs_index_again(job);
    return -1;
}

/* Gives the new fields the letters of the old file that the node's types
** cannot say: a CHAR column whose old field is a memo stays an M field of
** its old width, a number column whose old field is F stays F. Answers
** 0, or the index of an old field of type G or P plus one (such a table
** is not rebuilt). */
int rs_keep_letters(dbf_handle *old_h, dbf_handle *new_h)
{
    for (int j = 0; j < old_h->field_count; j++)
        if (old_h->file_types[j] == 'G' || old_h->file_types[j] == 'P') return j + 1;
    for (int i = 0; i < new_h->field_count; i++) {
        dbf_field *f = &new_h->fields[i];
        int j = dbf_find_field(old_h, f->name);
        if (j < 0) continue;
        char was = old_h->file_types[j];
        if (was == 'M' && f->type == 'C') {
            f->type = 'M';
            f->length = old_h->fields[j].length;
            f->decimals = 0;
            new_h->memo_state = 1;
        } else if (was == 'F' && f->type == 'N') {
            f->type = 'F';
        }
    }
    return 0;
}

/* Finds the table's files and names the set-aside ones (step 4). Answers
** 0, or -1 with a message in text when a path does not fit or a
** set-aside file is left from an earlier rebuild. */
int rs_paths(rs_job &job, const std::string &dir, char *text)
{
    const char *name = job.node->name;
    if (rs_path(job.dbf, dir, name, DBF_EXT_TABLE) || rs_path(job.dbt, dir, name, DBF_EXT_MEMO) ||
        rs_path(job.tmp_dbf, dir, k_temp_name, DBF_EXT_TABLE) || rs_path(job.tmp_dbt, dir, k_temp_name, DBF_EXT_MEMO)) {
        rs_format(text, "Cannot access table %s%s%s", dir.c_str(), name, DBF_EXT_TABLE);
        return -1;
    }
    dbf_file_exists(job.dbf);
    dbf_file_exists(job.dbt);
    for (char *tmp : {job.tmp_dbf, job.tmp_dbt}) {
        char found[DBF_PATH_SIZE];
        std::strcpy(found, tmp);
        if (dbf_file_exists(found) == 1) {
            rs_format(text, "Cannot rebuild table %s: %s is left from an earlier rebuild and may hold its only copy",
                      name, found);
            return -1;
        }
    }
    /* A change to the table cut short leaves a journal beside it that the
    ** driver would write back into the new file; between its changes the
    ** driver keeps the journal cut back to its mark (k_journal_idle bytes). */
    char journal[DBF_PATH_SIZE];
    std::strcpy(journal, job.dbf);
    struct stat jst;
    if (dbf_set_extension(journal, sizeof journal, ".JNL") == DBF_OK && dbf_file_exists(journal) == 1 &&
        stat(journal, &jst) == 0 && jst.st_size > k_journal_idle) {
        rs_format(text, "Cannot rebuild table %s: a change to it was cut short (%s); use the table once first",
                  name, journal);
        return -1;
    }
    return 0;
}

/* Copies every record not marked deleted from the set-aside table into
** the new one (step 8). Answers 0, or -1 with the message in text. */
int rs_copy_records(rs_job &job, char *text)
{
    long count = (long)job.old_h->header.record_count;
    for (long n = 0; n < count; n++) {
        if (dbf_read_record(job.old_h, n) != DBF_OK) {
            rs_format(text, "Cannot read record %ld from table %s", n, job.dbf);
            return -1;
        }
        /* A deleted record is dropped before it is copied, so that a value
        ** of it that would not fit cannot stop the rebuild. */
        if (dbf_is_deleted(job.old_h) == 1) continue;
        int rc = dbf_copy_record(job.new_h, job.old_h);
        if (rc == DBF_ERR_OVERFLOW) {
            rs_format(text, "Record %ld of table %s: a number does not fit its new column", n, job.dbf);
            return -1;
        }
        if (rc != DBF_OK) {
            rs_format(text, "Cannot copy record %ld of table %s", n, job.dbf);
            return -1;
        }
        if (dbf_write_record(job.new_h, (long)job.new_h->header.record_count) != DBF_OK) {
            rs_format(text, "Cannot write record %ld to table %s", n, job.dbf);
            return -1;
        }
    }
    return 0;
}

/* Steps 10 to 13: the registered table is described again, checked and
** indexed. */
void rs_register_again(rs_job &job)
{
    tbl_rec *row = tbl_find_by_name(job.project->tables, job.node->name, nullptr);
    if (!row) return;
    std::string text = std::string("Indexing table ") + row->name + "...";
    rs_tile(job.dlg, text.c_str());
    sql_col_rec *columns = nullptr;
    int count = sql_describe_table(job.project->connection, row->name, &columns, 0);
    if (count > 0) tblsetup_take_columns(job.node, row, columns, count, job.project);
    else sql_col_list_free(&columns);
    tblsetup_warn_definition(row);
    tbl_create_indexes(row);
    rs_tile(job.dlg, "");
}

}  // namespace

/* 'N' for the number types 1..7, 'C' for CHAR and any other value. */
char dbf_field_letter(int type)
{
    return type >= TS_TYPE_NUMERIC && type <= TS_TYPE_DOUBLE ? 'N' : 'C';
}

/* Describes a new dBASE table from a table node in a fresh handle: its
** path is the node's name, version 0x03, one field per column node in
** order (the first 10 characters of its name, the letter of its type,
** its length and decimals), mode update, and a blank record buffer; the
** header is completed by dbf_create. Answers 0; -2 for a null argument, a
** node without columns or a length a field cannot hold; -9101 when memory
** runs out. */
int dbf_describe_node(const tblsetup_table_node *node, const pjct_rec *project, dbf_handle *handle)
{
    if (!node || !project || !handle || !node->name) return -2;
    int count = 0;
    long record_length = 1;
    for (const tblsetup_column_node *c = node->columns; c; c = c->next, count++) {
        if (!c->name || c->length > UCHAR_MAX || c->decimals < 0 || c->decimals > UCHAR_MAX) return -2;
        record_length += c->length;
    }
    if (count == 0 || record_length > DBF_HEADER_MAX) return -2;
    dbf_field *fields = static_cast<dbf_field *>(std::calloc((size_t)count, sizeof(dbf_field)));
    char *record = static_cast<char *>(std::malloc((size_t)record_length));
    if (!fields || !record) {
        std::free(fields);
        std::free(record);
        return ERR_NO_MEMORY;
    }
    int i = 0;
    for (const tblsetup_column_node *c = node->columns; c; c = c->next, i++) {
        std::strncpy(fields[i].name, c->name, DBF_NAME_MAX);
        fields[i].type = dbf_field_letter(c->type);
        fields[i].length = (unsigned char)c->length;
        fields[i].decimals = (unsigned char)c->decimals;
    }
    std::memset(record, DBF_BLANK, (size_t)record_length);
    std::free(handle->fields);
    std::free(handle->record);
    std::snprintf(handle->path, sizeof handle->path, "%s", node->name);
    handle->header.version = DBF_VERSION_PLAIN;
    handle->header.record_count = 0;
    handle->header.record_length = (int16_t)record_length;
    handle->fields = fields;
    handle->field_count = count;
    handle->record = record;
    handle->mode = DBF_MODE_UPDATE;
    return 0;
}

/* Puts a table's set-aside files back: the files at the .DBF and .DBT
** paths are removed and the temporary files renamed to them; a path whose
** temporary file is missing is left alone (so a table is never removed
** without its copy). A message that is not blank is shown under
** "Petrivex ERROR:". Answers 0; -2 for a null path. */
int dbf_restore_files(const char *message, const char *tmp_dbf, const char *tmp_dbt, const char *dbf,
                      const char *dbt)
{
    if (!tmp_dbf || !tmp_dbt || !dbf || !dbt) return -2;
    const char *pairs[][2] = {{tmp_dbf, dbf}, {tmp_dbt, dbt}};
    for (auto &p : pairs) {
        FILE *probe = std::fopen(p[0], "rb");
        if (!probe) continue;
        std::fclose(probe);
        std::remove(p[1]);
        dbf_rename_new(p[0], p[1]);
    }
    if (message && std::strspn(message, " ") < std::strlen(message)) msg_alert(ERR_TITLE, "%s", message);
    return 0;
}

/* Rebuilds the table of a dBASE project from its node (see the file
** comment). Answers 0 on success, also when the table is not registered;
** -1 on any failure (shown once; the table unchanged); -2 for a null node
** or project; -9101 when memory runs out. */
int dbf_restructure(ads_hdlg dialog, tblsetup_table_node *node, pjct_rec *project)
{
    if (!node || !project || !node->name) return -2;
    const char *configured = pjct_dir(project->name);
    if (!configured || !*configured) return -1;
    std::string dir = configured;
    if (dir.back() != '\\' && dir.back() != '/') dir += '/';

    rs_job job{};
    job.dlg = dialog;
    job.node = node;
    job.project = project;
    job.old_h = dbf_new();
    job.new_h = dbf_new();
    int described = job.old_h && job.new_h ? dbf_describe_node(node, project, job.new_h) : ERR_NO_MEMORY;
    if (described != 0) {
        rs_release(job);
        if (described != ERR_NO_MEMORY) return -1;
        err_report(ERR_NO_MEMORY, "");
        return ERR_NO_MEMORY;
    }

    char text[RS_TEXT_SIZE];
    if (rs_paths(job, dir, text) != 0) return rs_refuse(job, text, 0);
    sql_drop_indexes(project->connection, node->name);
    if (dbf_rename_new(job.dbf, job.tmp_dbf) != DBF_OK) {
        rs_format(text, "Cannot access table %s", job.dbf);
        return rs_refuse(job, text, 1);
    }
    if (dbf_rename_new(job.dbt, job.tmp_dbt) != DBF_OK && dbf_file_exists(job.dbt) == 1) {
        dbf_rename_new(job.tmp_dbf, job.dbf);
        rs_format(text, "Cannot access table %s", job.dbt);
        return rs_refuse(job, text, 1);
    }

    if (dbf_open(job.old_h, job.tmp_dbf, DBF_MODE_READ, 1) != DBF_OK) {
        rs_format(text, "Cannot open table %s", job.dbf);
        return rs_fail(job, text);
    }
    if (int bad = rs_keep_letters(job.old_h, job.new_h)) {
        rs_format(text, "Cannot rebuild table %s: its field %s is of type %c", node->name,
                  job.old_h->fields[bad - 1].name, job.old_h->file_types[bad - 1]);
        return rs_fail(job, text);
    }
    std::snprintf(job.new_h->path, sizeof job.new_h->path, "%s%s", dir.c_str(), node->name);
    job.new_h->header.reserved[DBF_LANGUAGE_AT] = job.old_h->header.reserved[DBF_LANGUAGE_AT];
    int created = dbf_create(job.new_h);   /* a failed create removes what it made */
    if (created == DBF_OK) {
        std::strcpy(job.made_dbf, job.new_h->path);
        dbf_set_extension(job.made_dbf, sizeof job.made_dbf, DBF_EXT_TABLE);
        if (job.new_h->memo_state == 1) {
            std::strcpy(job.made_dbt, job.made_dbf);
            dbf_set_extension(job.made_dbt, sizeof job.made_dbt, DBF_EXT_MEMO);
        }
    }
    if (created != DBF_OK) {
        rs_format(text, "Cannot access table %s", job.dbf);
        return rs_fail(job, text);
    }
    if (rs_copy_records(job, text) != 0) return rs_fail(job, text);
    if (dbf_close(job.new_h) != DBF_OK) {
        rs_format(text, "Cannot write table %s", job.dbf);
        return rs_fail(job, text);
    }

    rs_release(job);
    std::remove(job.tmp_dbf);
    std::remove(job.tmp_dbt);
    rs_register_again(job);
    return 0;
}
