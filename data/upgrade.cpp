/*
** upgrade.cpp: the pv_upgrade command and the upgrade of a version-3.0
** project: the catalogue PETRIVEX.DBF read record by record into input
** rules, dictionaries, profiles and registered tables, every old table
** rewritten into the current layout (the old files kept as NAME283), the
** point setups of its PNT fields, the setups saved, and last the old links
** of the drawing's entities made current.
*/
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "shapes/shape_store.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/item_table.h"
#include "data/memo.h"
#include "data/sym_setup_dialog.h"
#include "data/tblsetup.h"
#include "data/upgrade.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "draw/map_params.h"

namespace {

/* Fields of the catalogue, read by name. */
enum upg_cat_field {
    CAT_MODULE, CAT_FIELDNAME, CAT_TYPE, CAT_LENGTH, CAT_DECIMAL, CAT_DEFAULTON, CAT_PROMPT, CAT_KEYWORD,
    CAT_FUNCTION, CAT_NULL, CAT_DISPLAY, CAT_LAYER, CAT_KEY, CAT_MASTER, CAT_FIELDID, CAT_MODULEID, CAT_ANGLEID,
    CAT_POSITIONID, CAT_POSIT, CAT_PROJECTION, CAT_SAVED, CAT_XOFFSET, CAT_YOFFSET, CAT_SECONDKEY, CAT_MAXRECID,
    CAT_ANGOFFSET, CAT_GROUPKEY, CAT_DATUM, CAT_PROJECTID, CAT_OWNERNAME, CAT_UPGRADEFLG, CAT_COUNT
};
const char *const k_cat_names[CAT_COUNT] = {
    "MODULE", "FIELDNAME", "TYPE", "LENGTH", "DECIMAL", "DEFAULTON", "PROMPT", "KEYWORD", "FUNCTION", "NULL",
    "DISPLAY", "LAYER", "KEY", "MASTER", "FIELDID", "MODULEID", "ANGLEID", "POSITIONID", "POSIT", "PROJECTION",
    "SAVED", "XOFFSET", "YOFFSET", "SECONDKEY", "MAXRECID", "ANGOFFSET", "GROUPKEY", "DATUM", "PROJECTID",
    "OWNERNAME", "UPGRADEFLG"};

/* The catalogue's file name, and the title of the upgrade's alerts. */
const char k_catalogue[] = "PETRIVEX";
const char k_title[] = "PETRIVEX v3.0";
const char k_error_tile[] = "error";
/* Characters of FIELDNAME that name a column's dictionary and profile. */
const int k_dictionary_stem = 4;
/* Place of the digit that tells apart dictionaries of one stem, and the digits tried. */
const int k_stem_digit_at = 3;
const char k_stem_digits[] = "123456789";
/* Flags of a rule given to the other tables' copies of the master column, and of a master rule. */
const uint16_t k_master_copy_flags = COL_ATTR_EDIT | COL_ATTR_NULL | COL_ATTR_DEF;
const uint16_t k_master_flags = COL_ATTR_UNQ | COL_ATTR_DEF | COL_ATTR_INC | COL_ATTR_MAX;
/* The unique number column of a rewritten table. */
const char k_id_column[] = "ID";
/* Indexes of a dictionary or profile file, and the room of their statements. */
const int k_dictionary_indexes = 2;
const int k_statement_size = 256;

/* A built-in ellipsoid of an old project: DATUM 1 to 3. */
struct upg_datum {
    const char *name;   /* ellipsoid name */
    double a_m;         /* semi-major axis, metres */
    double b_m;         /* semi-minor axis, metres */
};
const upg_datum k_datums[] = {
    {"NAD27", 6378206.4, 6356583.8}, {"NAD83", 6378137.0, 6356752.31414}, {"KOREAN", 6377397.155, 6356078.96325}};
const int k_datum_count = 3;
/* PROJECTION values of the built-in systems. */
const int k_proj_utm = 2;
const int k_proj_geographic = 3;
const int k_proj_user = 4;

/* The upgrade's state while the command runs. */
struct upg_state {
    pjct_rec *project;              /* the project chosen in the dialog */
    col_attr_rec *master;           /* the master column's input rule, or null */
    int zone;                       /* UTM zone of the last coordinate system read, 0 none */
    std::vector<pjct_rec *> shown;  /* the DB3 projects of the list, in its order */
    std::vector<std::string> not_upgraded;  /* tables left in their old state, with why */
};
upg_state s_upg;

/* Shows a progress text in the dialog's "error" tile. */
void progress(void *dialog, const std::string &text)
{
    if (dialog) ads_set_tile(static_cast<ads_hdlg>(dialog), k_error_tile, text.c_str());
}

/* Catalogue field n of the current record, trimmed of blanks at both ends;
** empty when the catalogue has no such field. */
std::string cat_field(dbf_handle *h, int n)
{
    int i = dbf_find_field(h, k_cat_names[n]);
    if (i < 0) return "";
    std::string s(dbf_field_at(h, i), h->fields[i].length);
    size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

/* Catalogue field n raw (untrimmed), for the two-character ids. */
std::string cat_raw(dbf_handle *h, int n)
{
    int i = dbf_find_field(h, k_cat_names[n]);
    return i < 0 ? "" : std::string(dbf_field_at(h, i), h->fields[i].length);
}

/* A name upper-cased and cut to a rule's name size. */
std::string upper_name(const std::string &s)
{
    char buf[COL_ATTR_NAME_SIZE] = {};
    std::snprintf(buf, sizeof buf, "%s", s.c_str());
    upg_upper_n(buf, COL_ATTR_NAME_SIZE);
    return buf;
}

/* A name with its reserved-word form ('_' last) when it is one. */
std::string reserved_form(const std::string &s)
{
    char buf[COL_ATTR_NAME_SIZE] = {};
    std::snprintf(buf, sizeof buf, "%s", s.c_str());
    upg_reserved_name(buf);
    return buf;
}

/* The rule of a column and table, also under their reserved-word names. */
col_attr_rec *find_rule(pjct_rec *project, const std::string &column, const std::string &table)
{
    for (const std::string &c : {column, reserved_form(column)})
        for (const std::string &t : {table, reserved_form(table)}) {
            col_attr_rec *r = col_attr_find(project->col_attrs, c.c_str(), t.c_str(), nullptr);
            if (r) return r;
        }
    return nullptr;
}

/* The registered table of a name or of its reserved-word name. */
tbl_rec *find_table(pjct_rec *project, const std::string &name)
{
    tbl_rec *t = tbl_find_by_name(project->tables, name.c_str(), nullptr);
    return t ? t : tbl_find_by_name(project->tables, reserved_form(name).c_str(), nullptr);
}

/* 1 when a table (or its reserved-word name) could not be read at the
** project's logon: its setup is kept as it was read, and an upgrade run
** again leaves it so rather than register it and its rules a second time. */
int kept_as_read(pjct_rec *project, const std::string &table)
{
    return setup_table_refusal(project, table.c_str()) || setup_table_refusal(project, reserved_form(table).c_str());
}

/* Frees a heap item tree made here. */
void free_tree(item_node *root)
{
    if (root) item_free_tree(root);
}

/* 1 when two trees hold the same top-level item names in the same order. */
int same_items(const item_node *a, const item_node *b)
{
    const item_node *x = a->child, *y = b->child;
    for (; x && y; x = x->next, y = y->next)
        if (std::strcmp(x->name, y->name) != 0) return 0;
    return !x && !y;
}

/* Drops and creates the two indexes of a dictionary file written anew:
** "%s1" on BASENUMBER and "%s2" on the second column. Answers 0 or the
** first failing statement's code. */
int index_dictionary(void *connection, const char *name, const char *second)
{
    const char *columns[k_dictionary_indexes] = {"BASENUMBER", second};
    for (int k = 0; k < k_dictionary_indexes; k++) {
        char index[COL_ATTR_NAME_SIZE + 2];
        std::snprintf(index, sizeof index, "%s%d", name, k + 1);
        sql_drop_index(connection, index, name);
        char text[k_statement_size];
        std::snprintf(text, sizeof text, "CREATE INDEX %s ON %s (%s)", index, name, columns[k]);
        void *stmt = nullptr, *cursor = nullptr;
        int rc = sql_execute(connection, &stmt, &cursor, text, 1);
        sql_free_handles(&stmt, &cursor);
        if (rc < 0) return rc;
    }
    return 0;
}

} // namespace

/* Writes the dictionary and profile files of a tree into the project
** directory and makes their indexes; the project's next-number counter of
** the dictionary is dropped afterwards. Answers 0; -2 for a null argument;
** -9201 when a file cannot be written; -9101 for memory; an index's code. */
int upg_write_dictionary_files(pjct_rec *project, const char *dictionary, const char *profile, item_node *root)
{
    if (!project || !dictionary || !profile || !root) return -2;
    std::string dir;
    if (upg_project_dir(pjct_dir(project->name), dir) != 0) return UPG_ERR_FILES;
    int rc = upg_mark_made(dictionary) || upg_mark_made(profile) ? UPG_ERR_FILES
                                                                  : upg_write_dictionary_dbf(dir.c_str(), dictionary, profile, root);
    if (rc == 0) rc = index_dictionary(project->connection, profile, "SORTNUMBER");
    if (rc == 0) rc = index_dictionary(project->connection, dictionary, "LONGNAME");
    dix_counters_drop(project->name);
    return rc;
}

/* Makes the dictionary and profile of a rule from a keyword list: names
** from the first four characters of the field, a further list of the same
** stem under the first free name with a digit in the fourth place, a name
** of a registered table or a reserved word ending in '_'. Answers 1 when
** the rule got a dictionary, 0 when it gets none. */
int upg_keywords_to_dictionary(pjct_rec *project, col_attr_rec *rule, const std::string &field,
                               const std::string &keywords)
{
    if ((rule->flags & (COL_ATTR_MEMO | COL_ATTR_POINT)) || keywords.empty()) return 0;
    item_node *root = static_cast<item_node *>(std::calloc(1, sizeof(item_node)));
    if (!root) return 0;
    std::string stem = upper_name(field.substr(0, k_dictionary_stem));
    for (int attempt = -1; attempt < (int)std::strlen(k_stem_digits); attempt++) {
        std::string s = stem;
        if (attempt >= 0) {
            if (s.size() <= (size_t)k_stem_digit_at) s.resize(k_stem_digit_at + 1, '_');
            s[k_stem_digit_at] = k_stem_digits[attempt];
        }
        std::string dix = reserved_form(s + "D"), prf = reserved_form(s + "P");
        if (find_table(project, dix)) dix = dix.substr(0, dix.size() - 1) + "_";
        if (find_table(project, prf)) prf = prf.substr(0, prf.size() - 1) + "_";
        if (tbl_find_by_name(project->tables, dix.c_str(), nullptr) ||
            tbl_find_by_name(project->tables, prf.c_str(), nullptr))
            break;
        item_root_empty(root);
        std::memset(root, 0, sizeof *root);
        if (upg_keywords_tree(root, prf.c_str(), dix.c_str(), keywords.c_str()) <= 0) break;
        col_attr_rec *other = col_attr_find_profile(project->col_attrs, prf.c_str(), dix.c_str());
        if (other && other->tree && same_items(other->tree, root)) {
            std::snprintf(rule->dictionary, sizeof rule->dictionary, "%s", dix.c_str());
            std::snprintf(rule->profile, sizeof rule->profile, "%s", prf.c_str());
            rule->tree = other->tree;
            free_tree(root);
            return 1;
        }
        if (other) continue;
        if (upg_write_dictionary_files(project, dix.c_str(), prf.c_str(), root) != 0) break;
        std::snprintf(rule->dictionary, sizeof rule->dictionary, "%s", dix.c_str());
        std::snprintf(rule->profile, sizeof rule->profile, "%s", prf.c_str());
        rule->tree = root;
        return 1;
    }
    free_tree(root);
    return 0;
}

/* The owner text and project letter of a catalogue row. */
int upg_project_from_row(pjct_rec *project, dbf_handle *h)
{
    std::string owner = cat_field(h, CAT_OWNERNAME), letter = cat_field(h, CAT_PROJECTID);
    std::snprintf(project->owner, sizeof project->owner, "%s", owner.c_str());
    project->letter = letter.empty() ? 0 : letter[0];
    return 0;
}

/* The input rule of a catalogue row (and of the items of an ISTR or RSTR
** dictionary). Answers 0; -1 for an unknown type or a rule not taken. */
int upg_column_from_row(pjct_rec *project, dbf_handle *h)
{
    int type = upg_field_type(cat_field(h, CAT_TYPE).c_str());
    if (type < 0) return -1;
    std::string table = upper_name(cat_field(h, CAT_MODULE)), field = upper_name(cat_field(h, CAT_FIELDNAME));
    if (table.empty() || field.empty() || kept_as_read(project, table)) return -1;
    uint16_t id = upg_read_id(cat_raw(h, CAT_FIELDID).c_str());
    /* A reserved word names the column with its '_', as in the table. */
    std::string column = reserved_form(type == UPG_TYPE_PNT ? upper_name(field + "X") : field);
    if (col_attr_rec *old = find_rule(project, column, table)) {
        old->extra = id;
        return 0;
    }
    col_attr_rec *rule = col_attr_new();
    if (!rule) return -1;
    std::snprintf(rule->column, sizeof rule->column, "%s", column.c_str());
    std::snprintf(rule->table, sizeof rule->table, "%s", table.c_str());
    uint16_t flags = COL_ATTR_EDIT;
    if (upg_field_yes(cat_field(h, CAT_DEFAULTON).c_str())) flags |= COL_ATTR_DEF;
    if (!upg_field_yes(cat_field(h, CAT_NULL).c_str())) flags |= COL_ATTR_NULL;
    if (upg_field_yes(cat_field(h, CAT_DISPLAY).c_str())) flags |= COL_ATTR_PLOT;
    if (upg_field_yes(cat_field(h, CAT_GROUPKEY).c_str())) flags |= COL_ATTR_GROUPKEY;
    int master = upg_field_yes(cat_field(h, CAT_MASTER).c_str());
    if (master) flags |= k_master_flags;
    if (type == UPG_TYPE_MEMO) flags |= COL_ATTR_MEMO;
    if (type == UPG_TYPE_PNT) flags |= COL_ATTR_POINT;
    rule->flags = flags;
    rule->extra = id;
    if (upg_keywords_to_dictionary(project, rule, field, cat_field(h, CAT_KEYWORD))) {
        if (type == UPG_TYPE_ISTR) rule->flags |= COL_ATTR_ISTR;
        if (type == UPG_TYPE_RSTR) rule->flags |= COL_ATTR_RSTR;
    }
    if (col_attr_push(rule, project) != 0) {
        if (rule->tree && !col_attr_find_profile(project->col_attrs, rule->profile, rule->dictionary))
            free_tree(rule->tree);
        col_attr_free(rule);
        return -1;
    }
    if (master) s_upg.master = rule;
    if (!(rule->flags & (COL_ATTR_ISTR | COL_ATTR_RSTR)) || !rule->tree) return 0;
    std::vector<std::string> fields;
    upg_item_fields(rule, fields);
    for (const std::string &item_field : fields) {
        if (item_field.empty() || find_rule(project, item_field, table)) continue;
        col_attr_rec *r = col_attr_new();
        if (!r) break;
        std::snprintf(r->column, sizeof r->column, "%s", item_field.c_str());
        std::snprintf(r->table, sizeof r->table, "%s", table.c_str());
        r->flags = rule->flags & ~(COL_ATTR_ISTR | COL_ATTR_RSTR);
        r->extra = rule->extra;
        if (col_attr_push(r, project) != 0) col_attr_free(r);
    }
    return 0;
}

/* The registered table of a catalogue row: an existing one takes the
** row's MODULEID, else a new row is registered. Answers 0; -1 when it
** cannot be made. */
int upg_table_from_row(pjct_rec *project, dbf_handle *h)
{
    std::string name = upper_name(cat_field(h, CAT_MODULE));
    if (name.empty()) return -1;
    if (kept_as_read(project, name)) {
        std::string why = name + " (cannot be read)";
        auto &skipped = s_upg.not_upgraded;
        if (std::find(skipped.begin(), skipped.end(), why) == skipped.end()) skipped.push_back(why);
        return -1;
    }
    uint16_t id = upg_read_id(cat_raw(h, CAT_MODULEID).c_str());
    if (tbl_rec *t = find_table(project, name)) {
        t->module_id = id;
        return 0;
    }
    tbl_rec *row = tbl_rec_new();
    if (!row) return -1;
    std::snprintf(row->name, sizeof row->name, "%s", name.c_str());
    row->module_id = id;
    if (tbl_insert(project, row) != 0) {
        tbl_list_free(row);
        return -1;
    }
    return 0;
}

namespace {

/* The paths of a table's files and of their old copies. */
struct upg_paths {
    std::string dbf;      /* NAME.DBF */
    std::string dbt;      /* NAME.DBT */
    std::string old_dbf;  /* NAME283.DBF */
    std::string old_dbt;  /* NAME283.DBT */
};

/* dir + name + ext, with the case the file has on disk when it exists. */
std::string file_path(const std::string &dir, const std::string &name, const char *ext)
{
    char path[DBF_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s%s%s", dir.c_str(), name.c_str(), ext);
    dbf_match_case(path, 1);
    return path;
}

/* Fills the paths of a table's files. */
void table_paths(upg_paths &p, const std::string &dir, const std::string &name)
{
    p.dbf = file_path(dir, name, DBF_EXT_TABLE);
    p.dbt = file_path(dir, name, DBF_EXT_MEMO);
    p.old_dbf = file_path(dir, name + UPG_OLD_SUFFIX, DBF_EXT_TABLE);
    p.old_dbt = file_path(dir, name + UPG_OLD_SUFFIX, DBF_EXT_MEMO);
}

/* 1 when a file exists. */
int exists(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

/* Renames a table's old copies back to its names (the new files removed). */
void rename_back(const upg_paths &p, const std::string &new_dbf)
{
    if (!new_dbf.empty()) std::remove(new_dbf.c_str());
    std::remove(p.dbf.c_str());
    std::rename(p.old_dbf.c_str(), p.dbf.c_str());
    if (exists(p.old_dbt)) {
        std::remove(p.dbt.c_str());
        std::rename(p.old_dbt.c_str(), p.dbt.c_str());
    }
}

/* The first record (from 0) of the table at path whose memos cannot be
** read for want of memory, as the upgrade reads them; -1 when there is
** none. */
long memo_out_of_memory(const std::string &path)
{
    dbf_handle *h = dbf_new();
    if (!h) return 0;
    long bad = -1;
    if (dbf_open(h, path.c_str(), DBF_MODE_READ, 1) == DBF_OK && h->memo_state == 1)
        for (long n = 0; bad < 0 && n < (long)h->header.record_count; n++) {
            if (dbf_read_record(h, n) == DBF_ERR_OPEN) bad = n;
            for (int i = 0; bad < 0 && i < h->field_count; i++)
                if (h->fields[i].type == 'M' && dbt_memo_text(h, i, nullptr, 0) == DBT_NO_MEMORY) bad = n;
        }
    dbf_close(h);
    dbf_free(h);
    return bad;
}

/* Why an old table cannot be upgraded whole: its file cannot be read, its
** records do not fill its file as its header counts them, a memo of it
** lies outside its memo file (or that file is missing), or a memo of it
** cannot be read for want of memory. "" when it can, and
** for a table without a file or already in the current layout, which the
** upgrade leaves as they are. */
std::string damage_of(const std::string &dir, const std::string &table)
{
    std::string name = upper_name(table);
    upg_paths p;
    table_paths(p, dir, name);
    if (!exists(p.dbf)) return "";
    dbf_handle *h = dbf_new();
    if (!h) return err_text(ERR_NO_MEMORY);
    int rc = dbf_open(h, (dir + name).c_str(), DBF_MODE_READ, 0);
    const int old_layout = rc == DBF_OK && upg_has_old_layout(h);
    dbf_close(h);
    dbf_free(h);
    if (rc == DBF_OK && !old_layout) return "";
    if (rc == DBF_OK) rc = dbf_check_whole(p.dbf.c_str(), exists(p.dbt) ? p.dbt.c_str() : nullptr);
    /* The files are named as in the project's folder. */
    const std::string dbf = p.dbf.substr(dir.size()), dbt = p.dbt.substr(dir.size());
    long row = rc == DBF_OK && exists(p.dbt) ? memo_out_of_memory(dir + name) : -1;
    if (row >= 0)
        return "its row " + std::to_string(row + 1) + " has a memo in " + dbt +
               " that cannot be read: " + err_text(ERR_NO_MEMORY);
    if (rc == DBF_OK) return "";
    if (rc == DBF_ERR_FORMAT) return dbf + " does not hold the records its header counts";
    if (rc == DBF_ERR_MEMO) return exists(p.dbt) ? "a memo lies outside " + dbt : "its memo file " + dbt + " is missing";
    return dbf + " cannot be read (dBASE code " + std::to_string(rc) + ")";
}

/* Gives a registered table and the rules naming it a new name. */
void rename_table(pjct_rec *project, tbl_rec *row, const char *name)
{
    for (col_attr_rec *r = project->col_attrs; r; r = r->next)
        if (tbl_name_cmp(r->table, row->name) == 0) std::snprintf(r->table, sizeof r->table, "%s", name);
    std::snprintf(row->name, sizeof row->name, "%s", name);
    project->flags |= PJCT_CHG_TABLES | PJCT_CHG_COLUMNS;
}

/* What stands on disk for a registered table. */
constexpr int TABLE_MISSING = 0;   /* no file opens under its name */
constexpr int TABLE_OLD = 1;       /* a file in the old layout */
constexpr int TABLE_CURRENT = 2;   /* a file in the current layout */

/* The state of a table's file in the project directory. */
int table_state(const std::string &dir, const char *table)
{
    dbf_handle *h = dbf_new();
    if (!h) return TABLE_MISSING;
    int state = TABLE_MISSING;
    if (dbf_open(h, (dir + upper_name(table)).c_str(), DBF_MODE_READ, 1) == DBF_OK)
        state = upg_has_old_layout(h) ? TABLE_OLD : TABLE_CURRENT;
    dbf_close(h);
    dbf_free(h);
    return state;
}

/* 1 when the table has an M field. */
int has_memo_field(const dbf_handle *h)
{
    for (int i = 0; i < h->field_count; i++)
        if (h->fields[i].type == 'M') return 1;
    return 0;
}

/* Copies the master column's rule for every other registered table's
** column of its name, and gives every registered table a rule for its
** column "ID"; only where that column and table have no rule yet. */
void master_rules(pjct_rec *project)
{
    col_attr_rec *master = s_upg.master;
    if (!master) return;
    for (tbl_rec *t = project->tables; t; t = t->next) {
        if (tbl_name_cmp(t->name, master->table) != 0 &&
            !col_attr_find(project->col_attrs, master->column, t->name, nullptr)) {
            col_attr_rec *copy = col_attr_new();
            if (copy && col_attr_copy(copy, master) == 0) {
                std::snprintf(copy->table, sizeof copy->table, "%s", t->name);
                copy->flags = k_master_copy_flags;
                copy->next = nullptr;
                if (col_attr_push(copy, project) != 0) col_attr_free(copy);
            } else {
                col_attr_free(copy);
            }
        }
        if (!col_attr_find(project->col_attrs, k_id_column, t->name, nullptr)) {
            col_attr_rec *id = col_attr_new();
            if (!id) continue;
            std::snprintf(id->column, sizeof id->column, "%s", k_id_column);
            std::snprintf(id->table, sizeof id->table, "%s", t->name);
            id->flags = 0;
            if (col_attr_push(id, project) != 0) col_attr_free(id);
        }
    }
}

/* Describes a rewritten table into its registry row and, with keys, fills
** its key slots and type and drops and makes its standard indexes; without,
** its key slots stay empty (a table left in the old layout). Answers 0 or
** the describe's code. */
int describe_table(pjct_rec *project, tbl_rec *row, int keys)
{
    sql_col_rec *columns = nullptr;
    int count = sql_describe_table(project->connection, row->name, &columns, 0);
    if (count <= 0) {
        sql_col_list_free(&columns);
        return count < 0 ? count : UPG_ERR_FILES;
    }
    /* The references go by the name the old columns carry (the row may have
    ** been renamed since), and move while the old columns still exist. */
    char old_name[TBL_NAME_SIZE];
    std::snprintf(old_name, sizeof old_name, "%s",
                  row->columns && !tbl_name_blank(row->columns->table) ? row->columns->table : row->name);
    sql_col_rec *old = row->columns;
    row->columns = columns;
    row->column_count = count;
    for (sql_col_rec *&k : row->keys) k = nullptr;
    tbl_rebind_columns(project, row, old_name);
    sql_col_list_free(&old);
    project->flags |= PJCT_CHG_TABLES;
    if (!keys) return 0;
    if (col_attr_rec *m = s_upg.master) {
        row->keys[TBL_KEY_STATION] = tbl_column_find(row->columns, m->column, nullptr, nullptr);
        row->table_type = upg_name_equal(row->name, m->table, TBL_NAME_SIZE) ? TBL_DEF_STATION : TBL_DEF_GENESIS;
    }
    row->keys[TBL_KEY_BASENUMBER] = tbl_column_find(row->columns, k_id_column, nullptr, nullptr);
    for (col_attr_rec *r = project->col_attrs; r; r = r->next)
        if ((r->flags & COL_ATTR_GROUPKEY) && tbl_name_cmp(r->table, row->name) == 0)
            row->keys[TBL_KEY_GROUPING] = tbl_column_find(row->columns, r->column, nullptr, nullptr);
    tbl_drop_indexes(row);
    tbl_create_indexes(row);
    return 0;
}

/* Copies every live record of the old table into the new one, the first
** memo field's text into the memo side table; the rows holding characters
** of the old code page that Windows-1252 lacks are reported with the
** first one's row and column. Answers 0; UPG_ERR_MEMORY when a record's
** memo cannot be read for want of memory (never taken for no memo). */
int copy_records(pjct_rec *project, tbl_rec *row, dbf_handle *old_h, dbf_handle *new_h, const std::string &memo)
{
    long count = (long)old_h->header.record_count, written = 0, lacking = 0;
    std::string first_lacking;
    for (long n = 0; n < count; n++) {
        int read = dbf_read_record(old_h, n);
        if (read == DBF_ERR_OPEN) return UPG_ERR_MEMORY;
        if (read != DBF_OK || dbf_is_deleted(old_h)) continue;
        upg_record_out out;
        int converted = upg_convert_record(old_h, new_h, row->name, project->col_attrs, &out);
        if (converted == UPG_ERR_MEMORY) return UPG_ERR_MEMORY;
        if (converted != 0) continue;
        if (out.lacking && lacking++ == 0) {
            char line[160];
            std::snprintf(line, sizeof line, "row %ld, column %s: U+%04lX", out.number > 0 ? out.number : n + 1,
                          out.lacking_in.c_str(), out.lacking);
            first_lacking = line;
        }
        if (dbf_write_record(new_h, written) != DBF_OK) continue;
        written++;
        if (out.number > row->last_number) row->last_number = (int32_t)out.number;
        if (out.has_memo && !memo.empty() && out.number > 0)
            memo_insert_text(memo.c_str(), out.memo.c_str(), out.number, project->connection);
    }
    if (lacking)
        msg_alert(WARN_TITLE, "Table %s: %ld rows hold characters Windows-1252 lacks, written as '?' (the old table "
                  "keeps them), the first at %s", row->name, lacking, first_lacking.c_str());
    return 0;
}

} // namespace

/* Rewrites one registered table of an old project into the current layout,
** its old files kept as NAME283.DBF and NAME283.DBT, and registers it anew.
** Answers 0; -9201 when its files are not in the old layout (nothing
** changes) or cannot be rewritten; the describe's code, or the definition
** check's, when the rewritten table cannot be registered.  On every
** failure the table keeps its old name, files and registration. */
int upg_restructure_table(pjct_rec *project, tbl_rec *row)
{
    if (!project || !row) return -2;
    std::string dir;
    if (upg_project_dir(pjct_dir(project->name), dir) != 0) return UPG_ERR_FILES;
    std::string name = upper_name(row->name);
    upg_paths p;
    table_paths(p, dir, name);
    dbf_handle *h = dbf_new();
    if (!h) return UPG_ERR_MEMORY;
    int old_layout = dbf_open(h, (dir + name).c_str(), DBF_MODE_READ, 1) == DBF_OK && upg_has_old_layout(h);
    dbf_close(h);
    dbf_free(h);
    if (!old_layout) return UPG_ERR_FILES;

    std::string new_name = reserved_form(name);
    if (upg_mark_table(name.c_str(), new_name.c_str()) != 0) return UPG_ERR_FILES;
    std::remove(p.old_dbf.c_str());
    std::remove(p.old_dbt.c_str());
    if (std::rename(p.dbf.c_str(), p.old_dbf.c_str()) != 0) return UPG_ERR_FILES;
    if (exists(p.dbt) && std::rename(p.dbt.c_str(), p.old_dbt.c_str()) != 0) {
        std::rename(p.old_dbf.c_str(), p.dbf.c_str());
        return UPG_ERR_FILES;
    }
    if (new_name != name) rename_table(project, row, new_name.c_str());

    dbf_handle *old_h = dbf_new(), *new_h = dbf_new();
    int rc = old_h && new_h ? 0 : UPG_ERR_MEMORY;
    if (rc == 0 && dbf_open(old_h, p.old_dbf.c_str(), DBF_MODE_READ, 1) != DBF_OK) rc = UPG_ERR_FILES;
    if (rc == 0) rc = upg_new_layout(old_h, row->name, project->col_attrs, new_h);
    std::string made;
    if (rc == 0) {
        std::snprintf(new_h->path, sizeof new_h->path, "%s%s", dir.c_str(), new_name.c_str());
        if (dbf_create(new_h) != DBF_OK) rc = UPG_ERR_FILES;
        else made = new_h->path;
    }
    std::string memo;
    if (rc == 0 && has_memo_field(old_h)) {
        if (memo_table_name(row->name, memo) != 0 || memo_create_table(project->connection, memo.c_str()) != 0)
            rc = UPG_ERR_FILES;
    }
    if (rc == 0) rc = copy_records(project, row, old_h, new_h, memo);
    if (new_h && new_h->file && dbf_close(new_h) != DBF_OK && rc == 0) rc = UPG_ERR_FILES;
    /* A table is registered only when its header matches its file. */
    if (rc == 0 && dbf_check_whole(made.c_str(), nullptr) != DBF_OK) rc = UPG_ERR_FILES;
    if (old_h) dbf_close(old_h);
    dbf_free(old_h);
    dbf_free(new_h);
    /* A table that cannot be rewritten or registered keeps its old name,
    ** files and registration. */
    auto restore = [&](int code) {
        if (new_name != name) rename_table(project, row, name.c_str());
        table_paths(p, dir, name);
        rename_back(p, made);
        return code;
    };
    if (rc != 0) return restore(UPG_ERR_FILES);
    master_rules(project);
    int old_type = row->table_type;
    rc = describe_table(project, row, 1);
    if (rc != 0) return restore(rc);
    if ((rc = tbl_resolve_definition(row, 1)) != 0) {
        restore(rc);
        describe_table(project, row, 0);   /* the registration follows the old files again */
        row->table_type = old_type;
        return rc;
    }
    return 0;
}

namespace {

/* The ellipsoid of a DATUM value (1 to 3) in the list, added when absent; null for another value. */
dtm_rec *datum_of(int value)
{
    if (value < 1 || value > k_datum_count) return nullptr;
    const upg_datum &d = k_datums[value - 1];
    if (dtm_rec *found = dtm_find(d.name, nullptr)) return found;
    dtm_rec *made = dtm_new();
    if (!made) return nullptr;
    prj_name_copy(made->name, d.name);
    made->a_m = d.a_m;
    made->b_m = d.b_m;
    if (!dtm_insert(made)) {
        std::free(made);
        return nullptr;
    }
    return dtm_find(d.name, nullptr);
}

/* The coordinate system of a PROJECTION and DATUM value in the list, added
** when new; null when the values name none (or UTM without a zone). */
prj_rec *system_of(int projection, int datum)
{
    if (projection == k_proj_user) return prj_find("USER", nullptr);
    if (projection != k_proj_utm && projection != k_proj_geographic) return nullptr;
    dtm_rec *dtm = datum_of(datum);
    if (!dtm) return nullptr;
    if (projection == k_proj_utm) {
        const prj_rec *map = g_map_params.projection;
        s_upg.zone = map && map->type == PRJ_TYPE_UTM ? map->zone : 0;
        if (s_upg.zone == 0) return nullptr;
    }
    prj_rec *p = prj_new();
    if (!p) return nullptr;
    char name[PRJ_NAME_MAX + 1];
    std::string datum_name = dtm->name;
    datum_name.erase(datum_name.find_last_not_of(' ') + 1);
    if (projection == k_proj_geographic) {
        std::snprintf(name, sizeof name, "Geographic %s", datum_name.c_str());
        prj_name_copy(p->type_name, "GEOGRAPHIC");
        prj_name_copy(p->units_name, "DEGREES");
        p->type = PRJ_TYPE_GEOGRAPHIC;
        p->units = PRJ_UNIT_DEGREES;
    } else {
        std::snprintf(name, sizeof name, "UTM Zone %d %s", s_upg.zone, datum_name.c_str());
        prj_name_copy(p->type_name, "UTM");
        prj_name_copy(p->units_name, "METERS");
        p->type = PRJ_TYPE_UTM;
        p->units = PRJ_UNIT_METERS;
        p->zone = s_upg.zone;
    }
    prj_name_copy(p->name, name);
    prj_name_copy(p->dtm_name, datum_name.c_str());
    p->dtm = dtm;
    if (prj_rec *same = prj_find_equal(p, nullptr)) {
        std::free(p);
        return same;
    }
    if (!prj_insert(p)) {
        std::free(p);
        return prj_find(name, nullptr);
    }
    return p;
}

} // namespace

/* The point setup of a PNT catalogue row: the table's X, Y and Z columns
** of the field's name on the coordinate system its PROJECTION and DATUM
** select. Answers 0 when made or already there; -1 when the row gives none. */
int upg_point_from_row(pjct_rec *project, dbf_handle *h)
{
    if (upg_field_type(cat_field(h, CAT_TYPE).c_str()) != UPG_TYPE_PNT) return -1;
    tbl_rec *table = find_table(project, upper_name(cat_field(h, CAT_MODULE)));
    std::string field = upper_name(cat_field(h, CAT_FIELDNAME));
    if (!table || field.empty()) return -1;
    sql_col_rec *x = tbl_column_find(table->columns, (field + "X").c_str(), nullptr, nullptr);
    sql_col_rec *y = tbl_column_find(table->columns, (field + "Y").c_str(), nullptr, nullptr);
    sql_col_rec *z = tbl_column_find(table->columns, (field + "Z").c_str(), nullptr, nullptr);
    if (!x || !y) return -1;
    for (const pnt_rec *p = project->points; p; p = p->next)
        if (p->table == table && p->x_col && tbl_name_cmp(p->x_col->name, x->name) == 0) return 0;
    prj_rec *system = system_of(std::atoi(cat_field(h, CAT_PROJECTION).c_str()),
                                std::atoi(cat_field(h, CAT_DATUM).c_str()));
    if (!system) return -1;
    pnt_rec *setup = pnt_new();
    if (!setup) return -1;
    setup->table = table;
    setup->x_col = x;
    setup->y_col = y;
    setup->z_col = z;
    setup->projection = system;
    pnt_attach(project, setup);
    project->flags |= PJCT_CHG_DATUMS | PJCT_CHG_PROJS;
    return 0;
}

namespace {

/* The standard symbol fonts of an old project. */
const char *const k_symbol_fonts[] = {"HOLKAN.SHX", "QMS.SHX", "WRB.SHX"};
/* Group codes of a text style: flags, font file; flag bit of a shape file. */
const int k_group_flags = 70;
const int k_group_font = 3;
const int k_style_shape_file = 0x1;
/* Smallest field id that names a column; the id of two blanks. */
const int k_first_field_id = 257;
const uint16_t k_blank_id = ' ' + 256 * ' ';
/* Text positions a symbol setup takes: 0 to 8. */
const int k_last_position = 8;

/* Looks a font file up on the host's search path and loads it into the
** shape store with its extents when the path found is not the style's own
** font name. */
void load_font(const std::string &file, const char *style_font)
{
    char found[ADS_PATH_MAX] = {};
    if (ads_findfile(file.c_str(), found) != RTNORM) return;
    if (style_font && strcasecmp(found, style_font) == 0) return;
    if (shape_font_load(found) > 0) shape_extents(found);
}

/* The value of an old offset field: the signed 16-bit id (0 for blanks). */
int16_t offset_value(dbf_handle *h, int n)
{
    return (int16_t)upg_read_id(cat_raw(h, n).c_str());
}

/* Fills the placement of a symbol setup from a catalogue row. */
void placement_from_row(pjct_rec *project, sym_rec *s, dbf_handle *h)
{
    std::snprintf(s->layer, sizeof s->layer, "%s", cat_field(h, CAT_LAYER).c_str());
    s->assoc[SYM_ASSOC_ANGLE] = upg_column_by_id(project, upg_read_id(cat_raw(h, CAT_ANGLEID).c_str()));
    s->assoc[SYM_ASSOC_POSITION] = upg_column_by_id(project, upg_read_id(cat_raw(h, CAT_POSITIONID).c_str()));
    s->angle_offset = offset_value(h, CAT_ANGOFFSET);
    s->x_offset = offset_value(h, CAT_XOFFSET);
    s->y_offset = offset_value(h, CAT_YOFFSET);
    std::string posit = cat_field(h, CAT_POSIT);
    s->position = !posit.empty() && posit[0] >= '0' && posit[0] <= '0' + k_last_position ? posit[0] - '0' : -1;
    s->flags = SYM_TEXT;
}

} // namespace

/* The input rule carrying an old field id (the oldest, so the column of
** the catalogue rather than the item rules that share its id); null for
** ids below 257, the id of two blanks, or an id no rule carries. */
col_attr_rec *upg_column_by_id(pjct_rec *project, uint16_t id)
{
    if (!project || id < k_first_field_id || id == k_blank_id) return nullptr;
    col_attr_rec *found = nullptr;
    for (col_attr_rec *r = project->col_attrs; r; r = r->next)
        if (r->extra == id) found = r;
    return found;
}

/* Loads the symbol fonts of the drawing's shape-file text styles and the
** standard ones, then runs the symbol-library dialog in upgrade mode. */
int upg_load_symbol_fonts(void)
{
    for (struct resbuf *style = ads_tblnext("STYLE", 1); style; style = ads_tblnext("STYLE", 0)) {
        int flags = 0;
        std::string font;
        for (struct resbuf *rb = style; rb; rb = rb->rbnext) {
            if (rb->restype == k_group_flags) flags = rb->resval.rint;
            if (rb->restype == k_group_font && rb->resval.rstring) font = rb->resval.rstring;
        }
        if ((flags & k_style_shape_file) && !font.empty()) {
            size_t slash = font.find_last_of("/\\");
            std::string base = slash == std::string::npos ? font : font.substr(slash + 1);
            base = base.substr(0, base.find('.'));
            load_font(upper_name(base) + ".SHX", font.c_str());
        }
        ads_relrb(style);
    }
    for (const char *f : k_symbol_fonts) load_font(f, nullptr);
    return symlib_load_for_upgrade();
}

/* The symbol setup of a catalogue row: for its column, or for the items of
** its dictionary (ISTR and RSTR), when the project has none yet. Answers 0
** when made; -1 when the row gives none. */
int upg_symbol_from_row(pjct_rec *project, dbf_handle *h)
{
    int type = upg_field_type(cat_field(h, CAT_TYPE).c_str());
    if (type < 0 || type == UPG_TYPE_MEMO) return -1;
    std::string table = upper_name(cat_field(h, CAT_MODULE)), field = upper_name(cat_field(h, CAT_FIELDNAME));
    /* A reserved word names the column with its '_', as in the table. */
    std::string column = reserved_form(type == UPG_TYPE_PNT ? upper_name(field + "X") : field);
    col_attr_rec *rule = find_rule(project, column, table);
    tbl_rec *row = find_table(project, table);
    if (!rule || !row || (rule->flags & COL_ATTR_MEMO)) return -1;
    int spread = (rule->flags & (COL_ATTR_ISTR | COL_ATTR_RSTR)) && rule->tree;
    if (!spread && !tbl_column_find(row->columns, rule->column, nullptr, nullptr)) return -1;
    if (!spread) {
        if (rule->symbol) return -1;
        sym_rec *s = sym_new();
        if (!s) return -1;
        s->owner_kind = SYM_OWNER_COLUMN;
        s->owner = rule;
        sym_set_text(&s->table_name, rule->table);
        sym_set_text(&s->column_name, rule->column);
        sym_set_text(&s->symbol, rule->column);
        placement_from_row(project, s, h);
        sym_attach(project, s);
        return 0;
    }
    int made = 0;
    for (item_node *item = rule->tree->child; item; item = item->next) {
        if (item->symbol) continue;
        sym_rec *s = sym_new();
        if (!s) break;
        s->owner_kind = SYM_OWNER_ITEM;
        s->owner = item;
        sym_set_text(&s->item_name, item->name);
        sym_set_text(&s->profile, rule->profile);
        sym_set_text(&s->dictionary, rule->dictionary);
        placement_from_row(project, s, h);
        sym_attach(project, s);
        made++;
    }
    return made ? 0 : -1;
}

/* Gives the master column's symbol setup to the other registered tables'
** columns of its name that have none; the walk stops at the first such
** column that already has one. Answers the copies made. */
int upg_copy_master_symbol(pjct_rec *project)
{
    col_attr_rec *master = s_upg.master;
    if (!project || !master || !master->symbol) return 0;
    int made = 0;
    for (tbl_rec *t = project->tables; t; t = t->next) {
        if (tbl_name_cmp(t->name, master->table) == 0) continue;
        col_attr_rec *rule = col_attr_find(project->col_attrs, master->column, t->name, nullptr);
        if (!rule) continue;
        if (rule->symbol) break;
        sym_rec *s = sym_new();
        if (!s || sym_copy(s, master->symbol) != 0) {
            sym_free(s);
            break;
        }
        s->next = nullptr;
        s->owner = rule;
        sym_set_text(&s->table_name, rule->table);
        sym_set_text(&s->column_name, rule->column);
        sym_attach(project, s);
        made++;
    }
    return made;
}

/* Upgrades a DB3 project from its catalogue; progress in the dialog's
** "error" tile. Answers 0; -1 when the catalogue cannot be opened or read,
** or an old table of it or of the registry cannot be read whole (alerted
** naming the table and the damage, nothing changed); -2 for a project that
** is not DB3; -9101 when memory runs out. */
int upg_run(void *dialog, pjct_rec *project)
{
    if (!project || !(project->flags & PJCT_ENV_DB3)) return -2;
    std::string dir;
    if (upg_project_dir(pjct_dir(project->name), dir) != 0) dir = "./";
    dbf_handle *h = dbf_new();
    if (!h) return UPG_ERR_MEMORY;
    if (dbf_open(h, (dir + k_catalogue).c_str(), DBF_MODE_READ, 0) != DBF_OK) {
        dbf_free(h);
        msg_alert(ERR_TITLE, "Cannot open PETRIVEX.DBF");
        return -1;
    }
    if (dbf_read_record(h, 0) != DBF_OK || dbf_find_field(h, k_cat_names[CAT_UPGRADEFLG]) < 0) {
        dbf_close(h);
        dbf_free(h);
        msg_alert(ERR_TITLE, "Cannot read PETRIVEX.DBF");
        return -1;
    }
    long count = (long)h->header.record_count;
    /* A table that cannot be read whole would lose rows: nothing is
    ** changed, the catalogue included, until every table can. */
    std::vector<std::string> tables;
    bool whole = dbf_check_whole(file_path(dir, k_catalogue, DBF_EXT_TABLE).c_str(), nullptr) == DBF_OK;
    for (long n = 0; whole && n < count; n++) {
        whole = dbf_read_record(h, n) == DBF_OK;
        if (whole && !dbf_is_deleted(h)) tables.push_back(cat_field(h, CAT_MODULE));
    }
    for (tbl_rec *t = project->tables; t; t = t->next) tables.push_back(t->name);
    std::string damage;
    for (size_t i = 0; whole && damage.empty() && i < tables.size(); i++)
        if (!(damage = damage_of(dir, tables[i])).empty())
            msg_alert(ERR_TITLE, "Cannot upgrade table %s: %s. Nothing was changed.", upper_name(tables[i]).c_str(),
                      damage.c_str());
    if (!whole || !damage.empty()) {
        dbf_close(h);
        dbf_free(h);
        if (!whole) msg_alert(ERR_TITLE, "Cannot read PETRIVEX.DBF");
        return -1;
    }
    if (upg_mark_begin(dir.c_str()) != 0) {
        dbf_close(h);
        dbf_free(h);
        return -1;
    }
    s_upg.not_upgraded.clear();
    progress(dialog, "Upgrading... dictionaries");
    for (long n = 0; n < count; n++) {
        if (dbf_read_record(h, n) != DBF_OK || dbf_is_deleted(h)) continue;
        upg_project_from_row(project, h);
        upg_column_from_row(project, h);
        upg_table_from_row(project, h);
    }
    for (tbl_rec *t = project->tables; t; t = t->next) {
        progress(dialog, std::string("Upgrading... ") + t->name);
        int rc = upg_restructure_table(project, t);
        int state = rc == 0 ? TABLE_CURRENT : table_state(dir, t->name);
        if (state != TABLE_CURRENT)
            s_upg.not_upgraded.push_back(std::string(t->name) + (state == TABLE_MISSING ? " (no table file)" : ""));
    }
    progress(dialog, "Upgrading... symbol libraries");
    upg_load_symbol_fonts();
    progress(dialog, "Upgrading...");
    for (long n = 0; n < count; n++) {
        if (dbf_read_record(h, n) != DBF_OK || dbf_is_deleted(h)) continue;
        upg_point_from_row(project, h);
        upg_symbol_from_row(project, h);
    }
    upg_copy_master_symbol(project);
    dbf_close(h);
    dbf_free(h);
    progress(dialog, "");
    pjct_rec *after = project->next;
    project->next = nullptr;
    int saved = setup_save_all(project, 0);
    project->next = after;
    return upg_mark_end(saved == 0) == 0 ? 0 : -1;
}

/* Converts the old links of the entities the user selects into current
** links, when the user says yes to "Upgrade current map ?". An old link
** whose row the upgraded table does not hold (a deleted record) is left
** as it was and counted as not converted. Answers the entities converted. */
long upg_map_entities(void)
{
    if (msg_yes_no("Upgrade current map ?") != RTNORM) return 0;
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return 0;
    long count = 0, done = 0, rowless = 0;
    ads_sslength(ss, &count);
    ads_printf("\nUpgrading... 0");
    for (long i = 0; i < count; i++) {
        ads_name e;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        link_legacy_rec legacy;
        link_rec link;
        if (link_legacy_get(&legacy, e) != 0 || link_legacy_convert(&legacy, &link) != 0) continue;
        if (link_row_exists(&link) != 0) {
            ++rowless;
            continue;
        }
        struct resbuf *list = link_entget(e);
        if (!list) continue;
        int ok = link_xdata_put(&link, list) == 0 && ads_entmod(list) == RTNORM && link_ase_create(&link, e) == RTNORM;
        ads_relrb(list);
        if (!ok) continue;
        ads_printf("\rUpgrading... %ld", ++done);
    }
    ads_ssfree(ss);
    ads_printf("\rUpgrading... %ld... done", done);
    if (rowless) ads_printf(", %ld not converted: their rows are not in their tables", rowless);
    return done;
}

/* "project": the chosen entry names the project to upgrade and enables
** "accept"; an entry that names none sets the list back to "". */
void pv_upgrade_project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int i = cpkt->value ? std::atoi(cpkt->value) : -1;
    if (!cpkt->value || i < 0 || i >= (int)s_upg.shown.size()) {
        ads_set_tile(cpkt->dialog, "project", "");
        return;
    }
    s_upg.project = s_upg.shown[(size_t)i];
    ads_mode_tile(cpkt->dialog, "accept", MODE_ENABLE);
}

/* "accept": upgrades the chosen project; ends the dialog with 1 when that
** answers 0 or more, else with 0. */
void pv_upgrade_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s_upg.project) return;
    int rc = upg_run(cpkt->dialog, s_upg.project);
    ads_done_dialog(cpkt->dialog, rc >= 0 ? DLGOK : DLGCANCEL);
}

/* "cancel": ends the dialog with 0. */
void pv_upgrade_cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The pv_upgrade command: the dialog of the logged-on DB3 projects, the
** upgrade of the chosen one, the drawing's links, and the closing alert.
** Answers RTNORM. */
int pv_upgrade(struct resbuf *)
{
    s_upg = upg_state{};
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_upgrade", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_upgrade");
        return RTNORM;
    }
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
        if (p->flags & PJCT_ENV_DB3) {
            s_upg.shown.push_back(p);
            names.push_back(p->name);
        }
    dlg_fill_list(dlg, "project", names.data(), (int)names.size());
    static const dlg_tile k_tiles[] = {
        {"project", pv_upgrade_project_cb}, {"accept", pv_upgrade_accept_cb}, {"cancel", pv_upgrade_cancel_cb}};
    dlg_register(dlg, k_tiles, 3, nullptr);
    ads_mode_tile(dlg, "accept", MODE_DISABLE);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK) {
        upg_map_entities();
        if (s_upg.not_upgraded.empty()) {
            msg_alert(k_title, "Upgrading complete. You may need to revise your Tables setup");
        } else {
            std::string names;
            for (const std::string &n : s_upg.not_upgraded) names += (names.empty() ? "" : ", ") + n;
            msg_alert(k_title, "Upgrading incomplete. Not upgraded, kept as they were: %s. "
                               "You may need to revise your Tables setup", names.c_str());
        }
    }
    s_upg = upg_state{};
    return RTNORM;
}
