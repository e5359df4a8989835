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
** their letter, so memo texts travel into the new .DBT. A value the new
** column cannot hold refuses the rebuild; fraction digits beyond the new
** decimals are cut and counted in the closing message.
**
** A rebuild cut short (the process killed) must not leave the rows only
** in TEMPRARY.DBF. Before anything is touched the rebuild writes a mark,
** TEMPRARY.MRK, naming the table and its files, and keeps it locked
** (flock) while it runs; once the new files are complete it adds the line
** "done" to it, and it removes the mark when everything is over. The
** next logon of the project, or the next rebuild, finds a mark nobody
** holds (dbf_rebuild_recover): without "done" the set-aside files are put
** back under the table's names, with it only the leftovers go; the table
** is indexed again after either. The mark is written whole under the name
** TEMPRARY.MRN and then renamed, so a mark is never half there.
**
** A mark can only put back its own table in its own folder: the files it
** names are bare names, so a folder renamed or copied after the kill is
** mended where it is now (older marks wrote whole paths: those of another
** folder are not obeyed); the table's name must be a plain name no longer
** than a table name; and a set-aside or new table replaces nothing unless
** its files are whole. A mark failing any check changes no file and is
** left in place, and the alert names it and says why.
**
**     if (dbf_restructure(dialog, node, project) != 0) ...   // reported already
*/
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "dbf/dbf.h"
#include "data/tblsetup.h"
#include "wfile/wfile.h"

namespace {

/* Name of the set-aside files: eight letters, not "TEMPORARY". */
const char k_temp_name[] = "TEMPRARY";
/* Bytes of the DB3 driver's journal between two changes: its mark alone,
** which undoes nothing. */
constexpr off_t k_journal_idle = 8;
/* Extensions of the mark of a rebuild under way, and of the mark while it
** is written. */
const char k_mark_ext[] = ".MRK";
const char k_mark_new_ext[] = ".MRN";
/* Last line of a mark once the new files are complete. */
const char k_mark_done[] = "done";
/* Lines of a mark before "done": the table's name, the names of its .DBF
** and .DBT, TEMPRARY.DBF and TEMPRARY.DBT, and 1 or 0 for whether it had a
** .DBT. */
constexpr size_t k_mark_lines = 6;
/* Permissions of a new mark (the process's umask applies). */
constexpr mode_t k_mark_mode = 0666;
/* Tile that shows the progress. */
const char k_error_tile[] = "error";
/* Field of an approximate number (FLOAT, REAL, DOUBLE): N(20,6), as a new
** table declares it, so other readers keep the fractions. */
constexpr int k_approx_length = 20;
constexpr int k_approx_decimals = 6;
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
    char mark[DBF_PATH_SIZE];       /* TEMPRARY.MRK */
    int mark_fd;                    /* the mark, open and locked, or -1 */
    std::vector<long> cut;          /* per new field, values that lost fraction digits */
    std::string *said;              /* takes the failure in place of an alert, or null */
};

/* The function run at each step of a rebuild (tests only), or none. */
dbf_rebuild_hook s_hook = nullptr;

/* One step of the rebuild is done. */
void rs_step()
{
    if (s_hook) s_hook();
}

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

/* "Cannot access table PATH" with the system's reason err, or, for 0,
** that the path does not fit. */
void rs_cannot_access(char *out, const char *path, int err)
{
    rs_format(out, "Cannot access table %s: %s", path, err ? wf_reason(err) : "its path is too long");
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

/* Writes all of text to fd; answers whether it did. */
bool rs_write_all(int fd, const std::string &text)
{
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

/* The name of a file without its folder. */
std::string rs_base_name(const std::string &path)
{
    size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

/* Names the mark of a rebuild in directory dir (ending in a separator),
** and the mark while it is written. Answers 0, or -1 when a path does not
** fit. */
int rs_mark_paths(const std::string &dir, char *mark, char *fresh)
{
    return rs_path(mark, dir, k_temp_name, k_mark_ext) || rs_path(fresh, dir, k_temp_name, k_mark_new_ext) ? -1 : 0;
}

/* Writes the job's mark before anything is changed, and keeps it locked.
** Answers 0, or -1 with a message in text. */
int rs_mark_begin(rs_job &job, const std::string &dir, char *text)
{
    char fresh[DBF_PATH_SIZE];
    if (rs_mark_paths(dir, job.mark, fresh) != 0) {
        rs_cannot_access(text, job.dbf, 0);
        return -1;
    }
    char probe[DBF_PATH_SIZE];
    std::strcpy(probe, job.dbt);
    std::string body = std::string(job.node->name) + "\n";
    for (const char *file : {job.dbf, job.dbt, job.tmp_dbf, job.tmp_dbt}) body += rs_base_name(file) + "\n";
    body += dbf_file_exists(probe) == 1 ? "1\n" : "0\n";
    /* Never through a link; emptied only once locked. */
    int fd = wf_open(fresh, O_CREAT | O_WRONLY, k_mark_mode);
    bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ftruncate(fd, 0) == 0 && rs_write_all(fd, body) &&
              rename(fresh, job.mark) == 0;
    if (!ok) {
        rs_format(text, "Cannot rebuild table %s: cannot write %s: %s", job.node->name, fresh, wf_reason(errno));
        if (fd >= 0) close(fd);
        return -1;
    }
    job.mark_fd = fd;
    return 0;
}

/* Marks the job's new files complete. Answers whether it could. */
bool rs_mark_done(rs_job &job)
{
    return rs_write_all(job.mark_fd, std::string(k_mark_done) + "\n");
}

/* Removes the job's mark (nothing when it has none). */
void rs_mark_end(rs_job &job)
{
    if (job.mark_fd < 0) return;
    unlink(job.mark);
    close(job.mark_fd);
    job.mark_fd = -1;
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

/* Says the rebuild's failure: into job.said when the caller collects it,
** else in an alert. */
void rs_say(rs_job &job, const char *message)
{
    if (job.said)
        *job.said = message;
    else
        msg_alert(ERR_TITLE, "%s", message);
}

/* Fails the rebuild after the old files were set aside: the handles are
** released, the new files removed, the old ones put back with the message
** said, and the standard indexes created again. Answers -1. */
int rs_fail(rs_job &job, const char *message)
{
    if (job.new_h) job.new_h->mode = DBF_MODE_READ;   /* nothing more is written */
    rs_release(job);
    if (*job.made_dbf) std::remove(job.made_dbf);
    if (*job.made_dbt) std::remove(job.made_dbt);
    dbf_restore_files("", job.tmp_dbf, job.tmp_dbt, job.dbf, job.dbt);
    rs_say(job, message);
    rs_mark_end(job);
    rs_index_again(job);
    return -1;
}

/* Fails the rebuild before anything was set aside: the message is said,
** the handles released and, when they were dropped, the indexes created
** again. Answers -1. */
int rs_refuse(rs_job &job, const char *message, int dropped)
{
    rs_say(job, message);
    rs_release(job);
    rs_mark_end(job);
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
        rs_cannot_access(text, (dir + name + DBF_EXT_TABLE).c_str(), 0);
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

/* The text of the old record's field of that name without its blanks
** (empty when the old file has none). */
std::string rs_old_value(dbf_handle *old_h, const char *name)
{
    int i = dbf_find_field(old_h, name);
    const char *at = i < 0 ? nullptr : dbf_field_at(old_h, i);
    if (!at) return "";
    std::string v(at, (size_t)old_h->fields[i].length);
    size_t a = v.find_first_not_of(' '), z = v.find_last_not_of(' ');
    return a == std::string::npos ? "" : v.substr(a, z - a + 1);
}

/* Names the old record n for a message: "the row with BASENUMBER 7" by
** the table's number column (the registered one, else BASENUMBER), or
** "record n" when it has none. */
std::string rs_row_name(const rs_job &job, long n)
{
    tbl_rec *row = tbl_find_by_name(job.project->tables, job.node->name, nullptr);
    const char *key = row && row->keys[TBL_KEY_BASENUMBER] ? row->keys[TBL_KEY_BASENUMBER]->name : "BASENUMBER";
    if (dbf_find_field(job.old_h, key) >= 0) return std::string("the row with ") + key + " " + rs_old_value(job.old_h, key);
    return "record " + std::to_string(n);
}

/* Copies every record not marked deleted from the set-aside table into
** the new one (step 8), counting the values that lose fraction digits.
** Answers 0, or -1 with the message in text. */
int rs_copy_records(rs_job &job, char *text)
{
    long count = (long)job.old_h->header.record_count;
    job.cut.assign((size_t)job.new_h->field_count, 0);
    dbf_copy_note note = {-1, job.cut.data()};
    for (long n = 0; n < count; n++) {
        if (dbf_read_record(job.old_h, n) != DBF_OK) {
            rs_format(text, "Cannot read record %ld from table %s", n, job.dbf);
            return -1;
        }
        /* A deleted record is dropped before it is copied, so that a value
        ** of it that would not fit cannot stop the rebuild. */
        if (dbf_is_deleted(job.old_h) == 1) continue;
        int rc = dbf_copy_record(job.new_h, job.old_h, &note);
        if (rc == DBF_ERR_OVERFLOW && note.overflow >= 0) {
            const dbf_field &f = job.new_h->fields[note.overflow];
            rs_format(text, "Table %s not changed: column %s (%c %d,%d) cannot hold %s of %s.", job.node->name,
                      f.name, f.type, f.length, f.decimals, rs_old_value(job.old_h, f.name).c_str(),
                      rs_row_name(job, n).c_str());
            return -1;
        }
        if (rc != DBF_OK) {
            rs_format(text, "Cannot copy record %ld of table %s", n, job.dbf);
            return -1;
        }
        errno = 0;
        if (dbf_write_record(job.new_h, (long)job.new_h->header.record_count) != DBF_OK) {
            rs_format(text, "Cannot write record %ld to table %s: %s", n, job.dbf, wf_reason(errno ? errno : EIO));
            return -1;
        }
        rs_step();
    }
    return 0;
}

/* Lists the columns of the new table that hold values that lost fraction
** digits to their new decimals, with how many ("1 in NORTHING, 3 in
** ELEV"); empty when none did. */
std::string rs_cut_list(const rs_job &job)
{
    std::string list;
    for (size_t j = 0; j < job.cut.size(); j++) {
        if (!job.cut[j]) continue;
        if (!list.empty()) list += ", ";
        list += std::to_string(job.cut[j]) + " in " + job.new_h->fields[j].name;
    }
    return list;
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

/* True for the approximate number types, whose fields have a fixed size. */
bool rs_approx_type(int type)
{
    return type >= TS_TYPE_FLOAT && type <= TS_TYPE_DOUBLE;
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
** its length and decimals; N(20,6) for an approximate number), mode
** update, and a blank record buffer; the header is completed by dbf_create. Answers 0; -2 for a null argument, a
** node without columns or a length a field cannot hold; -9101 when memory
** runs out. */
int dbf_describe_node(const tblsetup_table_node *node, const pjct_rec *project, dbf_handle *handle)
{
    if (!node || !project || !handle || !node->name) return -2;
    int count = 0;
    long record_length = 1;
    for (const tblsetup_column_node *c = node->columns; c; c = c->next, count++) {
        if (!c->name || c->length > UCHAR_MAX || c->decimals < 0 || c->decimals > UCHAR_MAX) return -2;
        record_length += rs_approx_type(c->type) ? k_approx_length : c->length;
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
        bool approx = rs_approx_type(c->type);
        fields[i].length = (unsigned char)(approx ? k_approx_length : c->length);
        fields[i].decimals = (unsigned char)(approx ? k_approx_decimals : c->decimals);
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
        struct stat st;
        if (lstat(p[0], &st) != 0 || !S_ISREG(st.st_mode)) continue;
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
int dbf_restructure(ads_hdlg dialog, tblsetup_table_node *node, pjct_rec *project, std::string *said)
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
    job.mark_fd = -1;
    job.said = said;
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
    /* A rebuild cut short is mended first; one still running elsewhere
    ** holds the set-aside names. */
    char mended[DBF_PATH_SIZE];
    int found = dbf_rebuild_recover(dir.c_str(), mended, sizeof mended);
    if (found == DBF_REBUILD_MENDED) dbf_index_mended(project, mended);
    if (found < 0) {
        rs_format(text, "Cannot rebuild table %s: the mark of an earlier change cut short is left in %s", node->name,
                  dir.c_str());
        return rs_refuse(job, text, 0);
    }
    if (found == DBF_REBUILD_BUSY) {
        rs_format(text, "Cannot rebuild table %s: a change to another table of project %s is under way", node->name,
                  project->name);
        return rs_refuse(job, text, 0);
    }
    if (rs_paths(job, dir, text) != 0) return rs_refuse(job, text, 0);
    if (rs_mark_begin(job, dir, text) != 0) return rs_refuse(job, text, 0);
    rs_step();
    sql_drop_indexes(project->connection, node->name);
    rs_step();
    errno = 0;
    if (dbf_rename_new(job.dbf, job.tmp_dbf) != DBF_OK) {
        rs_cannot_access(text, job.dbf, errno ? errno : EIO);
        return rs_refuse(job, text, 1);
    }
    rs_step();
    errno = 0;
    if (dbf_rename_new(job.dbt, job.tmp_dbt) != DBF_OK && dbf_file_exists(job.dbt) == 1) {
        int why = errno ? errno : EIO;
        dbf_rename_new(job.tmp_dbf, job.dbf);
        rs_cannot_access(text, job.dbt, why);
        return rs_refuse(job, text, 1);
    }
    rs_step();

    errno = 0;
    if (dbf_open(job.old_h, job.tmp_dbf, DBF_MODE_READ, 1) != DBF_OK) {
        rs_format(text, "Cannot open table %s: %s", job.dbf, wf_reason(errno ? errno : EIO));
        return rs_fail(job, text);
    }
    if (int bad = rs_keep_letters(job.old_h, job.new_h)) {
        rs_format(text, "Cannot rebuild table %s: its field %s is of type %c", node->name,
                  job.old_h->fields[bad - 1].name, job.old_h->file_types[bad - 1]);
        return rs_fail(job, text);
    }
    std::snprintf(job.new_h->path, sizeof job.new_h->path, "%s%s", dir.c_str(), node->name);
    job.new_h->header.reserved[DBF_LANGUAGE_AT] = job.old_h->header.reserved[DBF_LANGUAGE_AT];
    errno = 0;
    int created = dbf_create(job.new_h);   /* a failed create removes what it made */
    int why = errno ? errno : EIO;
    if (created == DBF_OK) {
        std::strcpy(job.made_dbf, job.new_h->path);
        dbf_set_extension(job.made_dbf, sizeof job.made_dbf, DBF_EXT_TABLE);
        if (job.new_h->memo_state == 1) {
            std::strcpy(job.made_dbt, job.made_dbf);
            dbf_set_extension(job.made_dbt, sizeof job.made_dbt, DBF_EXT_MEMO);
        }
    }
    if (created != DBF_OK) {
        rs_cannot_access(text, job.dbf, why);
        return rs_fail(job, text);
    }
    rs_step();
    if (rs_copy_records(job, text) != 0) return rs_fail(job, text);
    std::string cut = rs_cut_list(job);   /* the descriptors go with the close */
    errno = 0;
    if (dbf_close(job.new_h) != DBF_OK) {
        rs_format(text, "Cannot write table %s: %s", job.dbf, wf_reason(errno ? errno : EIO));
        return rs_fail(job, text);
    }
    rs_step();
    if (!rs_mark_done(job)) {
        rs_format(text, "Cannot write table %s: cannot mark its new files complete in %s: %s", job.dbf, job.mark,
                  std::strerror(errno));
        return rs_fail(job, text);
    }
    rs_step();

    rs_release(job);
    std::remove(job.tmp_dbf);
    rs_step();
    std::remove(job.tmp_dbt);
    rs_step();
    rs_register_again(job);
    rs_step();
    rs_mark_end(job);
    if (!cut.empty())
        msg_alert(WARN_TITLE, "Table %s changed; values cut to the new decimals: %s.", node->name, cut.c_str());
    return 0;
}

/* Sets the function run at each step of a rebuild (tests only). */
void dbf_set_rebuild_hook(dbf_rebuild_hook hook)
{
    s_hook = hook;
}

namespace {

/* 1 when name can name a table's files: a letter, then letters, digits
** and '_', no longer than a table name. */
bool rs_plain_name(const std::string &name)
{
    if (name.empty() || name.size() >= TBL_NAME_SIZE || !std::isalpha((unsigned char)name[0])) return false;
    for (unsigned char ch : name)
        if (!std::isalnum(ch) && ch != '_') return false;
    return true;
}

/* 1 when a file of path (its case as found) is there. */
bool rs_exists(char *path)
{
    return dbf_file_exists(path) == 1;
}

/* Why the table at dbf, with its memo file at dbt (when there), is not
** whole; "" when it is. */
std::string rs_not_whole(char *dbf, char *dbt)
{
    const char *memo = rs_exists(dbt) ? dbt : nullptr;
    switch (dbf_check_whole(dbf, memo)) {
    case DBF_OK: return "";
    case DBF_ERR_FORMAT: return rs_base_name(dbf) + " holds fewer or more bytes than its header counts records";
    case DBF_ERR_MEMO: return rs_base_name(dbf) + " points to memo blocks beyond the end of " + rs_base_name(dbt);
    default: return rs_base_name(dbf) + " cannot be read as a table";
    }
}

/* What a mark says, read from its lines and checked; why is "" when it
** may be obeyed. */
struct rs_mark_says {
    std::string name;              /* the table */
    bool had_dbt = false;          /* the table had a .DBT before */
    bool done = false;             /* the new files were complete */
    std::string why;               /* why the mark is not used, "" when it is */
};

/* 1 when a file line of a mark names a file of the mark's own folder dir:
** a bare name, or (as older marks wrote) a path in that folder. */
bool rs_in_folder(const std::string &line, const std::string &dir)
{
    size_t at = line.find_last_of("/\\");
    if (at == std::string::npos) return true;
    std::error_code ec;
    return std::filesystem::equivalent(line.substr(0, at + 1), dir, ec);
}

/* Reads a mark's lines (each ended by a newline; a last line without one
** is cut short) found in folder dir, and checks them. */
rs_mark_says rs_read_mark(const std::string &body, const std::string &dir)
{
    rs_mark_says m;
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = body.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(body.substr(at, nl - at));
    m.done = lines.size() == k_mark_lines + 1 && lines[k_mark_lines] == k_mark_done;
    if (lines.size() != k_mark_lines + (m.done ? 1 : 0) || (lines[5] != "0" && lines[5] != "1")) {
        m.why = body.empty() ? "it is empty" : "it is cut short or not a mark of a table's change";
        return m;
    }
    m.name = lines[0];
    m.had_dbt = lines[5] == "1";
    if (!rs_plain_name(m.name)) {
        m.why = "\"" + m.name + "\" is not the name of a table of this folder";
        return m;
    }
    const std::string want[] = {m.name + DBF_EXT_TABLE, m.name + DBF_EXT_MEMO, std::string(k_temp_name) + DBF_EXT_TABLE,
                                std::string(k_temp_name) + DBF_EXT_MEMO};
    for (size_t i = 0; i < 4; i++)
        if (!rs_in_folder(lines[i + 1], dir) || !str_eq_nocase(rs_base_name(lines[i + 1]).c_str(), want[i].c_str())) {
            m.why = "it names the file " + lines[i + 1] + " where " + want[i] + " belongs";
            return m;
        }
    return m;
}

}  // namespace

/* Mends a rebuild of a table of the project directory dir that was cut
** short (see the file comment): without "done" in its mark the set-aside
** files go back under the table's names and "The change to table %s was
** cut short; the table is as it was before." is shown; with it the
** leftovers go and the change is said to be finished. The table's name
** is copied into table (size bytes).
** Answers DBF_REBUILD_NONE when there is no mark (or none to read),
** DBF_REBUILD_BUSY when a live rebuild holds it, DBF_REBUILD_MENDED when
** it was mended, -1 when the mark was not used or a file could not be put
** back (shown; the mark stays for the next try). */
int dbf_rebuild_recover(const char *dir_in, char *table, size_t size)
{
    if (!dir_in || !*dir_in || !table || size == 0) return DBF_REBUILD_NONE;
    *table = '\0';
    std::string dir = dir_in;
    if (dir.back() != '\\' && dir.back() != '/') dir += '/';
    char mark[DBF_PATH_SIZE], fresh[DBF_PATH_SIZE];
    if (rs_mark_paths(dir, mark, fresh) != 0) return DBF_REBUILD_NONE;
    /* A mark cut short while it was written: nothing was changed yet. */
    int fd = wf_open(fresh, O_RDONLY);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(fresh);
        close(fd);
    }
    wf_drop_dangling(fresh);   /* never the program's own */
    bool odd = fd < 0 && errno == ENODEV; /* not a file at the fresh name */
    fd = odd ? -1 : wf_open(mark, O_RDWR);
    if (fd < 0 && (odd || errno == ENODEV)) {
        mark_file held;
        held.path = odd ? fresh : mark;
        msg_alert(ERR_TITLE, "The mark %s of a change to a table cut short was not used: %s. %s", held.path.c_str(),
                  wf_reason(ENODEV), mark_aside_text(held, "file", "the tables changed last").c_str());
        return -1;
    }
    if (fd < 0) return DBF_REBUILD_NONE;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return DBF_REBUILD_BUSY;
    }
    std::string body;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0 && body.size() < sizeof buf;) body.append(buf, (size_t)n);
    rs_mark_says m = rs_read_mark(body, dir);
    char dbf[DBF_PATH_SIZE], dbt[DBF_PATH_SIZE], tmp_dbf[DBF_PATH_SIZE], tmp_dbt[DBF_PATH_SIZE];
    if (m.why.empty() &&
        (rs_path(dbf, dir, m.name.c_str(), DBF_EXT_TABLE) || rs_path(dbt, dir, m.name.c_str(), DBF_EXT_MEMO) ||
         rs_path(tmp_dbf, dir, k_temp_name, DBF_EXT_TABLE) || rs_path(tmp_dbt, dir, k_temp_name, DBF_EXT_MEMO)))
        m.why = "the folder's name is too long";
    bool set_aside = m.why.empty() && rs_exists(tmp_dbf);
    if (m.why.empty()) {
        rs_exists(dbf);
        rs_exists(dbt);
        if (m.done) m.why = rs_not_whole(dbf, dbt);
        else if (set_aside) m.why = rs_not_whole(tmp_dbf, rs_exists(tmp_dbt) || !m.had_dbt ? tmp_dbt : dbt);
        else if (rs_exists(tmp_dbt)) m.why = rs_base_name(tmp_dbt) + " is there without " + rs_base_name(tmp_dbf);
        else if (!rs_exists(dbf)) m.why = "neither " + rs_base_name(dbf) + " nor " + rs_base_name(tmp_dbf) + " is there";
    }
    if (!m.why.empty()) {
        mark_file held;
        held.path = mark;
        held.fd = fd;
        std::string files =
            rs_plain_name(m.name) ? "table " + m.name + "'s files" : std::string("the tables changed last");
        msg_alert(ERR_TITLE, "The mark %s of a change to a table cut short was not used: %s. %s", mark, m.why.c_str(),
                  mark_aside_text(held, "file", files + " beside " + k_temp_name + DBF_EXT_TABLE).c_str());
        return -1;
    }
    std::snprintf(table, size, "%s", m.name.c_str());
    const char *name = m.name.c_str();
    if (m.done) {
        std::remove(tmp_dbf);
        std::remove(tmp_dbt);
        msg_alert(WARN_TITLE, "The change to table %s was cut short after its new files were complete; it is "
                  "finished now.", name);
    } else if (set_aside) {
        bool memo_aside = rs_exists(tmp_dbt);
        bool ok = std::rename(tmp_dbf, dbf) == 0;
        if (ok && memo_aside) ok = std::rename(tmp_dbt, dbt) == 0;
        else if (ok && !m.had_dbt) std::remove(dbt);   /* the new table's, if made */
        if (!ok) {
            msg_alert(ERR_TITLE, "The change to table %s was cut short and its files cannot be put back: %s. They are "
                      "kept as %s and %s.", name, std::strerror(errno), tmp_dbf, tmp_dbt);
            close(fd);
            return -1;
        }
    }
    if (!m.done) msg_alert(WARN_TITLE, "The change to table %s was cut short; the table is as it was before.", name);
    unlink(mark);
    close(fd);
    return DBF_REBUILD_MENDED;
}

/* Indexes a registered table of the project again after its rebuild was
** mended (a table not registered has no standard indexes). */
void dbf_index_mended(pjct_rec *project, const char *table)
{
    tbl_rec *row = project && table ? tbl_find_by_name(project->tables, table, nullptr) : nullptr;
    if (!row) return;
    tbl_drop_indexes(row);
    tbl_create_indexes(row);
}
