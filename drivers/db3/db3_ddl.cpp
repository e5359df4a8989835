/*
 * Data definition of the DB3 driver, done on the files themselves:
 *
 *   CREATE TABLE name (column type [, column type]...)
 *   CREATE [UNIQUE] INDEX name ON table (column [, column]...)
 *   DROP INDEX name [ON table]
 *   DROP TABLE name [CASCADE]
 *
 * A table is NAME.DBF (created upper-case); its indexes are entries of its
 * side file NAME.INI (db3_files.cpp), checked by the virtual tables when
 * rows are written. An index name is unique in the directory and may equal
 * its table's name. ALTER TABLE is refused: a dBASE table is rebuilt, not
 * altered. Each statement holds the table's exclusive lock while it works.
 */
#include "drivers/db3/db3_internal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <set>

/* Longest table name (the file's base name). */
constexpr size_t DB3_TABLE_NAME_MAX = 32;

/* Longest index name. */
constexpr size_t DB3_INDEX_NAME_MAX = 32;

/* Most columns of a table. */
constexpr size_t DB3_COLUMNS_MAX = 255;

/* One parsed data definition statement. */
struct db3_ddl_stmt {
    int function = 0;                         /* DB3_FUNC_ code */
    std::string name;                         /* table or index name, upper-cased */
    std::string table;                        /* table of an index, upper-cased ("" when not given) */
    int unique = 0;                           /* CREATE UNIQUE INDEX */
    std::vector<std::string> columns;         /* column names (table) or key columns (index) */
    std::vector<db3_coltype> types;           /* column types of CREATE TABLE */
};

/* Answers 1 when the identifier holds only letters, digits and '_'. */
static int db3_plain_name(const std::string &s)
{
    if (s.empty()) return 0;
    for (char c : s)
        if (!(isalnum((unsigned char)c) || c == '_')) return 0;
    return 1;
}

/* Reads an identifier at t[*pos] into *out (upper-cased). Answers 1, or 0
 * with DB3_ERR_SYNTAX naming what was expected. */
static int db3_take_name(const std::vector<db3_token> &t, size_t *pos, const char *what, std::string *out, db3_error *err)
{
    if (!db3_is_ident(t[*pos]))
        return db3_fail(err, DB3_ERR_SYNTAX, "%s is expected at character %zu", what, t[*pos].at + 1);
    *out = db3_upper(t[*pos].text);
    (*pos)++;
    return 1;
}

/* Takes the punctuation p at t[*pos]. Answers 1, or 0 with DB3_ERR_SYNTAX. */
static int db3_take_punct(const std::vector<db3_token> &t, size_t *pos, const char *p, db3_error *err)
{
    if (t[*pos].kind != DB3_TOK_PUNCT || t[*pos].text != p)
        return db3_fail(err, DB3_ERR_SYNTAX, "\"%s\" is expected at character %zu", p, t[*pos].at + 1);
    (*pos)++;
    return 1;
}

/* Checks that the statement ends at t[pos] (a ';' may close it). Answers
 * 1, or 0 with DB3_ERR_SYNTAX. */
static int db3_take_end(const std::vector<db3_token> &t, size_t pos, db3_error *err)
{
    if (t[pos].kind == DB3_TOK_PUNCT && t[pos].text == ";") pos++;
    if (t[pos].kind != DB3_TOK_END)
        return db3_fail(err, DB3_ERR_SYNTAX, "unexpected \"%s\" at character %zu", t[pos].text.c_str(), t[pos].at + 1);
    return 1;
}

/* Checks a table name for a file name of the directory (no path: a name
 * never reaches outside the catalog). Answers 1, or 0 with
 * DB3_ERR_DEFINITION. */
static int db3_check_table_name(const std::string &name, db3_error *err)
{
    if (!db3_plain_name(name) || name.size() > DB3_TABLE_NAME_MAX)
        return db3_fail(err, DB3_ERR_DEFINITION, "table name %s: a dBASE table name has 1 to %zu letters, digits or _",
                        name.c_str(), DB3_TABLE_NAME_MAX);
    return 1;
}

/* Parses "( name [, name]... )" of an index. */
static int db3_parse_key_list(const std::vector<db3_token> &t, size_t *pos, db3_ddl_stmt *d, db3_error *err)
{
    if (!db3_take_punct(t, pos, "(", err)) return 0;
    for (;;) {
        std::string col;
        if (!db3_take_name(t, pos, "a column name", &col, err)) return 0;
        if (db3_is_word(t[*pos], "ASC") || db3_is_word(t[*pos], "DESC")) (*pos)++;
        d->columns.push_back(col);
        if (t[*pos].kind == DB3_TOK_PUNCT && t[*pos].text == ",") {
            (*pos)++;
            continue;
        }
        return db3_take_punct(t, pos, ")", err);
    }
}

/* Parses CREATE TABLE after its two words. */
static int db3_parse_create_table(const std::vector<db3_token> &t, size_t pos, db3_ddl_stmt *d, db3_error *err)
{
    d->function = DB3_FUNC_CREATE_TABLE;
    if (!db3_take_name(t, &pos, "a table name", &d->name, err) || !db3_take_punct(t, &pos, "(", err)) return 0;
    std::set<std::string> seen;
    for (;;) {
        std::string col;
        size_t at = pos;
        if (!db3_take_name(t, &pos, "a column name", &col, err)) return 0;
        db3_coltype ct;
        if (!db3_parse_coltype(t, &pos, &ct, err)) return 0;
        if (!db3_plain_name(col) || !isalpha((unsigned char)col[0]) || col.size() > (size_t)DBF_NAME_MAX)
            return db3_fail(err, DB3_ERR_DEFINITION,
                            "column name %s at character %zu: a dBASE field name has a letter and up to %d letters, digits or _",
                            col.c_str(), t[at].at + 1, DBF_NAME_MAX - 1);
        if (!seen.insert(col).second)
            return db3_fail(err, DB3_ERR_COLUMN_EXISTS, "column %s is given twice", col.c_str());
        d->columns.push_back(col);
        d->types.push_back(ct);
        if (t[pos].kind == DB3_TOK_PUNCT && t[pos].text == ",") {
            pos++;
            continue;
        }
        if (!db3_take_punct(t, &pos, ")", err)) return 0;
        break;
    }
    if (d->columns.size() > DB3_COLUMNS_MAX)
        return db3_fail(err, DB3_ERR_DEFINITION, "a dBASE table has at most %zu columns", DB3_COLUMNS_MAX);
    long width = 1;
    for (const db3_coltype &ct : d->types) width += ct.width;
    if (width > DBF_HEADER_MAX)
        return db3_fail(err, DB3_ERR_DEFINITION, "a record of %ld characters is too long for a dBASE table", width);
    if (!db3_check_table_name(d->name, err)) return 0;
    return db3_take_end(t, pos, err);
}

/* Parses a data definition statement into d. Answers 1, or 0 with
 * DB3_ERR_SYNTAX (or DB3_ERR_DEFINITION, DB3_ERR_NOT_SUPPORTED). */
static int db3_parse_ddl(const std::vector<db3_token> &t, db3_ddl_stmt *d, db3_error *err)
{
    size_t pos = 0;
    if (db3_is_word(t[0], "ALTER")) {
        d->function = DB3_FUNC_ALTER_TABLE;
        if (!db3_is_word(t[1], "TABLE")) return db3_fail(err, DB3_ERR_SYNTAX, "TABLE is expected after ALTER");
        return db3_fail(err, DB3_ERR_NOT_SUPPORTED,
                        "ALTER TABLE is not available for dBASE tables: the table must be rebuilt instead");
    }
    if (db3_is_word(t[0], "CREATE")) {
        pos = 1;
        if (db3_is_word(t[pos], "TABLE")) return db3_parse_create_table(t, pos + 1, d, err);
        if (db3_is_word(t[pos], "UNIQUE")) {
            d->unique = 1;
            pos++;
        }
        if (!db3_is_word(t[pos], "INDEX"))
            return db3_fail(err, DB3_ERR_SYNTAX, "TABLE or INDEX is expected at character %zu", t[pos].at + 1);
        pos++;
        d->function = DB3_FUNC_CREATE_INDEX;
        if (!db3_take_name(t, &pos, "an index name", &d->name, err)) return 0;
        if (!db3_is_word(t[pos], "ON")) return db3_fail(err, DB3_ERR_SYNTAX, "ON is expected at character %zu", t[pos].at + 1);
        pos++;
        if (!db3_take_name(t, &pos, "a table name", &d->table, err) || !db3_parse_key_list(t, &pos, d, err)) return 0;
        if (!db3_check_table_name(d->table, err)) return 0;
        if (!db3_plain_name(d->name) || d->name.size() > DB3_INDEX_NAME_MAX)
            return db3_fail(err, DB3_ERR_DEFINITION, "index name %s: an index name has 1 to %zu letters, digits or _",
                            d->name.c_str(), DB3_INDEX_NAME_MAX);
        return db3_take_end(t, pos, err);
    }
    if (db3_is_word(t[0], "DROP")) {
        pos = 1;
        if (db3_is_word(t[pos], "TABLE")) {
            pos++;
            d->function = DB3_FUNC_DROP_TABLE;
            if (!db3_take_name(t, &pos, "a table name", &d->name, err) || !db3_check_table_name(d->name, err)) return 0;
            if (db3_is_word(t[pos], "CASCADE")) pos++;
            return db3_take_end(t, pos, err);
        }
        if (db3_is_word(t[pos], "INDEX")) {
            pos++;
            d->function = DB3_FUNC_DROP_INDEX;
            if (!db3_take_name(t, &pos, "an index name", &d->name, err)) return 0;
            if (!db3_plain_name(d->name)) return db3_fail(err, DB3_ERR_NO_INDEX, "index %s does not exist", d->name.c_str());
            if (db3_is_word(t[pos], "ON")) {
                pos++;
                if (!db3_take_name(t, &pos, "a table name", &d->table, err) || !db3_check_table_name(d->table, err))
                    return 0;
            }
            return db3_take_end(t, pos, err);
        }
        return db3_fail(err, DB3_ERR_SYNTAX, "TABLE or INDEX is expected at character %zu", t[pos].at + 1);
    }
    return db3_fail(err, DB3_ERR_SYNTAX, "not a data definition statement");
}

/* Answers whether the first tokens name a data definition statement. */
int db3_is_ddl(const std::vector<db3_token> &t)
{
    return db3_is_word(t[0], "CREATE") || db3_is_word(t[0], "DROP") || db3_is_word(t[0], "ALTER");
}

/* Creates the table of d. Answers 1, or 0 with DB3_ERR_TABLE_EXISTS,
 * DB3_ERR_DEFINITION (a path too long for the files) or DB3_ERR_IO. The
 * table is made whole in a folder of its own beside the others and given
 * its name in one step (a second name that fails when the name is taken),
 * so that no other connection ever sees it part made, nor two make it. */
static int db3_create_table(db3_session *s, const db3_ddl_stmt &d, db3_error *err)
{
    if (!db3_find_file(s->dir, d.name, DBF_EXT_TABLE).empty())
        return db3_fail(err, DB3_ERR_TABLE_EXISTS, "table %s exists already", d.name.c_str());
    std::string path = db3_new_path(s->dir, d.name, DBF_EXT_TABLE);
    std::string folder = s->dir + "/.pvnew-XXXXXX";
    if (folder.size() + path.size() - s->dir.size() >= (size_t)DBF_PATH_SIZE)
        return db3_fail(err, DB3_ERR_DEFINITION, "the path of table %s is longer than %d characters", d.name.c_str(),
                        DBF_PATH_SIZE - 1 - (int)(folder.size() - s->dir.size()));
    if (!mkdtemp(folder.data()))
        return db3_fail(err, DB3_ERR_IO, "cannot create %s: %s", path.c_str(), strerror(errno));
    std::string made = folder + path.substr(s->dir.size());
    dbf_handle *h = dbf_new();
    dbf_field *fields = static_cast<dbf_field *>(calloc(d.columns.size(), sizeof(dbf_field)));
    if (!h || !fields) {
        free(fields);
        dbf_free(h);
        rmdir(folder.c_str());
        return db3_fail(err, DB3_ERR_MEMORY, "no memory to create table %s", d.name.c_str());
    }
    for (size_t i = 0; i < d.columns.size(); i++) db3_field_from_type(&fields[i], d.columns[i].c_str(), &d.types[i]);
    snprintf(h->path, sizeof h->path, "%s", made.c_str());
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_PLAIN;
    h->fields = fields;
    h->field_count = (int)d.columns.size();
    h->memo_state = 0;
    int rc = dbf_create(h);
    int e = errno;
    if (rc == DBF_OK) made = h->path;   /* as created: its case made the table's */
    int closed = rc == DBF_OK ? dbf_close(h) : DBF_OK;
    if (rc == DBF_OK) e = errno;
    if (rc != DBF_OK) dbf_close(h);
    dbf_free(h);
    /* Moved to its name only while no file holds it; a file system that
    ** cannot refuse that way gets a second name, the first then removed. */
    const bool whole = rc == DBF_OK && closed == DBF_OK;
    const bool moved = whole && renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
    bool named = moved || (whole && errno == EINVAL && link(made.c_str(), path.c_str()) == 0);
    if (whole && !named) e = errno;
    if (!moved) unlink(made.c_str());
    rmdir(folder.c_str());
    if (whole && !named && e == EEXIST)
        return db3_fail(err, DB3_ERR_TABLE_EXISTS, "table %s exists already", d.name.c_str());
    if (!named)
        return db3_fail(err, DB3_ERR_IO, "table %s cannot be created: %s (dBASE code %d)", d.name.c_str(),
                        strerror(e ? e : EIO), rc != DBF_OK ? rc : closed);
    /* Indexes of an earlier table of that name do not belong to this one. */
    db3_lock lk;
    db3_error ignored;
    if (db3_lock_file(&lk, path, 1, &ignored)) {
        db3_write_indexes(s->dir, d.name, {}, &ignored);
        db3_unlock_file(&lk);
    }
    db3_forget_vtab(s, d.name);
    return 1;
}

/* Finds the table whose side file holds index name (only table when
 * given). Answers 1 with *table and *list (that table's indexes), 0 when
 * none holds it, -1 with err when a side file cannot be read. */
static int db3_find_index(db3_session *s, const std::string &name, const std::string &only, std::string *table,
                          std::vector<db3_index> *list, db3_error *err)
{
    std::vector<std::string> tables;
    if (!only.empty())
        tables.push_back(only);
    else
        tables = db3_list_tables(s->dir);
    for (const std::string &tb : tables) {
        std::vector<db3_index> l;
        if (!db3_read_indexes(s->dir, tb, &l, err)) return -1;
        for (const db3_index &ix : l) {
            if (ix.name == name) {
                *table = db3_upper(tb);
                *list = l;
                return 1;
            }
        }
    }
    return 0;
}

/* Reads the live records of the table at path and fails when two hold the
 * same key of the given columns. Answers 1, or 0 with DB3_ERR_DUPLICATE,
 * DB3_ERR_NO_COLUMN or DB3_ERR_DAMAGED. */
static int db3_check_columns(const std::string &path, const db3_ddl_stmt &d, int check_unique, db3_error *err)
{
    dbf_handle *h = dbf_new();
    if (!h) return db3_fail(err, DB3_ERR_MEMORY, "no memory to read table %s", d.table.c_str());
    int rc = dbf_open(h, path.c_str(), DBF_MODE_READ, 0);
    if (rc != DBF_OK) {
        dbf_free(h);
        return db3_fail(err, DB3_ERR_DAMAGED, "table %s cannot be read (dBASE code %d)", d.table.c_str(), rc);
    }
    int ok = 1;
    std::vector<int> idx;
    for (const std::string &c : d.columns) {
        int i = dbf_find_field(h, c.c_str());
        if (i < 0) {
            ok = db3_fail(err, DB3_ERR_NO_COLUMN, "table %s has no column %s", d.table.c_str(), c.c_str());
            break;
        }
        idx.push_back(i);
    }
    std::set<std::string> keys;
    for (long n = 0; ok && check_unique && n < (long)h->header.record_count; n++) {
        if (dbf_read_record(h, n) != DBF_OK) {
            ok = db3_fail(err, DB3_ERR_DAMAGED, "table %s: record %ld cannot be read", d.table.c_str(), n + 1);
            break;
        }
        if (dbf_is_deleted(h) == 1) continue;
        std::string key;
        bool whole = true;
        for (int i : idx) {
            db3_coltype ct = db3_type_of_field(&h->fields[i]);
            if (!db3_field_key(&ct, dbf_field_at(h, i), h->fields[i].length, &key)) whole = false;
            key.push_back('\x1f');
        }
        if (whole && !keys.insert(key).second)
            ok = db3_fail(err, DB3_ERR_DUPLICATE, "table %s holds duplicate keys for unique index %s (record %ld)",
                          d.table.c_str(), d.name.c_str(), n + 1);
    }
    dbf_close(h);
    dbf_free(h);
    return ok;
}

/* Creates the index of d. Answers 1, or 0 with DB3_ERR_NO_TABLE,
 * DB3_ERR_INDEX_EXISTS, DB3_ERR_NO_COLUMN, DB3_ERR_DUPLICATE or
 * DB3_ERR_IO. */
static int db3_create_index(db3_session *s, const db3_ddl_stmt &d, db3_error *err)
{
    std::string path = db3_find_file(s->dir, d.table, DBF_EXT_TABLE);
    if (path.empty()) return db3_fail(err, DB3_ERR_NO_TABLE, "table %s does not exist", d.table.c_str());
    db3_lock lk;
    if (!db3_lock_file(&lk, path, 1, err)) return 0;
    std::string holder;
    std::vector<db3_index> list;
    int found = db3_find_index(s, d.name, "", &holder, &list, err);
    int ok = found < 0 ? 0 : 1;
    if (found > 0)
        ok = db3_fail(err, DB3_ERR_INDEX_EXISTS, "index %s exists already on table %s", d.name.c_str(), holder.c_str());
    ok = ok && db3_check_columns(path, d, d.unique, err);
    ok = ok && db3_read_indexes(s->dir, d.table, &list, err);
    if (ok) {
        db3_index ix;
        ix.name = d.name;
        ix.unique = d.unique;
        ix.columns = d.columns;
        list.push_back(ix);
        ok = db3_write_indexes(s->dir, d.table, list, err);
    }
    db3_unlock_file(&lk);
    return ok;
}

/* Drops the index of d. Answers 1, or 0 with DB3_ERR_NO_INDEX or
 * DB3_ERR_IO. */
static int db3_drop_index(db3_session *s, const db3_ddl_stmt &d, db3_error *err)
{
    std::string table;
    std::vector<db3_index> list;
    int found = db3_find_index(s, d.name, d.table, &table, &list, err);
    if (found < 0) return 0;
    if (found == 0)
        return d.table.empty() ? db3_fail(err, DB3_ERR_NO_INDEX, "index %s does not exist", d.name.c_str())
                               : db3_fail(err, DB3_ERR_NO_INDEX, "index %s does not exist on table %s", d.name.c_str(),
                                          d.table.c_str());
    db3_lock lk;
    std::string path = db3_find_file(s->dir, table, DBF_EXT_TABLE);
    if (!path.empty() && !db3_lock_file(&lk, path, 1, err)) return 0;
    int ok = db3_read_indexes(s->dir, table, &list, err);
    if (ok) {
        for (size_t i = 0; i < list.size(); i++) {
            if (list[i].name == d.name) {
                list.erase(list.begin() + (long)i);
                break;
            }
        }
        ok = db3_write_indexes(s->dir, table, list, err);
    }
    db3_unlock_file(&lk);
    return ok;
}

/* Drops the table of d: its .DBF, .DBT, journal and index side file. Answers 1, or
 * 0 with DB3_ERR_NO_TABLE or DB3_ERR_IO. */
static int db3_drop_table(db3_session *s, const db3_ddl_stmt &d, db3_error *err)
{
    std::string path = db3_find_file(s->dir, d.name, DBF_EXT_TABLE);
    if (path.empty()) return db3_fail(err, DB3_ERR_NO_TABLE, "table %s does not exist", d.name.c_str());
    db3_lock lk;
    if (!db3_lock_file(&lk, path, 1, err)) return 0;
    db3_forget_vtab(s, d.name);
    int ok = 1;
    if (unlink(path.c_str()) != 0)
        ok = db3_fail(err, DB3_ERR_IO, "cannot remove %s: %s", path.c_str(), strerror(errno));
    if (ok) {
        std::string memo = db3_find_file(s->dir, d.name, DBF_EXT_MEMO);
        if (!memo.empty()) unlink(memo.c_str());
        unlink(db3_journal_path(path).c_str());   /* kept empty for the table's statements */
        db3_error ignored;
        db3_write_indexes(s->dir, d.name, {}, &ignored);
    }
    db3_unlock_file(&lk);
    return ok;
}

/* Parses (check = 1) or runs a data definition statement. Answers 1 with
 * its function code in *function, or 0 with the condition. */
int db3_ddl(db3_session *s, const std::vector<db3_token> &toks, int check, int *function, db3_error *err)
{
    db3_ddl_stmt d;
    int ok = db3_parse_ddl(toks, &d, err);
    if (function) *function = d.function;
    if (!ok || check) return ok;
    switch (d.function) {
    case DB3_FUNC_CREATE_TABLE: return db3_create_table(s, d, err);
    case DB3_FUNC_CREATE_INDEX: return db3_create_index(s, d, err);
    case DB3_FUNC_DROP_INDEX: return db3_drop_index(s, d, err);
    case DB3_FUNC_DROP_TABLE: return db3_drop_table(s, d, err);
    default: return db3_fail(err, DB3_ERR_SYNTAX, "not a data definition statement");
    }
}
