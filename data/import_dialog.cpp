/*
** import_dialog.cpp: the import command (dialog pv_import), the
** registration of a dBASE table that lies in the project's directory, and
** the text import dialog pv_importxt with the options it runs with.
**
** Every message of the two dialogs goes to their "error" tile and leaves
** the dialog open; the few alerts are named where they are shown. The text
** import's input and buffers live while pv_importxt is open and are always
** released when it ends (importxt_close).
*/
#include "data/import.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/tblsetup.h"

namespace {

/* Dialog names and the tiles both share. */
const char k_import[] = "pv_import";
const char k_importxt[] = "pv_importxt";
const char k_error[] = "error";
/* Tiles of pv_import. */
const char k_project[] = "imp_project";
const char k_fname[] = "imp_fname";
const char k_dbase[] = "imp_dbase";
const char k_text[] = "imp_text";
/* Tiles of pv_importxt. */
const char k_table[] = "txt_table";
const char k_proj[] = "txt_proj";
const char k_coldel[] = "txt_coldel";
const char k_txtdel[] = "txt_txtdel";
const char k_append[] = "txt_append";
const char k_update[] = "txt_update";
const char k_output[] = "txt_output";
const char k_fw[] = "txt_fw";

/* Title and flags of the host's file dialog: start in the default's
** directory, no extension filter. */
const char k_file_title[] = "PETRIVEX: Select file to Import";
constexpr int IMPORT_FILED_FLAGS = 18;
/* Longest table name a dBASE file may give. */
constexpr size_t IMPORT_DBASE_NAME_MAX = 5;
/* Title of the dBASE import's success alert. */
const char k_import_title[] = "PETRIVEX: Import";

/* The options of the one text import. */
import_state g_import;

/* Tiles pv_import enables once a project is chosen. */
const char *const k_import_tiles[] = {"filename", "import", k_fname, k_dbase, k_text};
/* Option tiles of pv_importxt, blanked for each table chosen. */
const char *const k_option_tiles[] = {k_coldel, k_txtdel, k_append, k_update, k_output, k_error};
/* Tiles pv_importxt starts with disabled. */
const char *const k_xt_disabled[] = {k_coldel, k_txtdel, k_append, k_update, k_proj, k_output, "import"};

/* Sets the mode of every tile of a list. */
template <size_t N>
void import_mode_tiles(ads_hdlg dlg, const char *const (&keys)[N], short mode)
{
    for (const char *k : keys) ads_mode_tile(dlg, k, mode);
}

/* The project chosen in imp_project, or null. */
pjct_rec *import_project_of_tile(ads_hdlg dlg)
{
    int n = tile_get_int(dlg, k_project);
    return n >= 0 ? pjct_nth(n) : nullptr;
}

/* 1 when a column of the table has a point setup. */
int import_table_has_point(const tbl_rec *table)
{
    for (const sql_col_rec *c = table->columns; c; c = c->next)
        if (c->attr && (c->attr->flags & COL_ATTR_POINT) && c->attr->point) return 1;
    return 0;
}

/* Blanks the option tiles of pv_importxt. */
void importxt_clear_tiles(ads_hdlg dlg)
{
    for (const char *k : k_option_tiles) ads_set_tile(dlg, k, "");
}

/* Shows a message in "error", clears the options and answers -1. */
int importxt_fail(ads_hdlg dlg, const char *message)
{
    importxt_reset_options();
    ads_set_tile(dlg, k_error, message);
    return -1;
}

/* Why a field name read from a table's file cannot go into a statement as
** it stands (as table setup would not make it): not a letter followed by
** letters, digits and '_', or a reserved word; null when it can. */
const char *import_field_name_fault(const char *name)
{
    if (!name || !std::isalpha((unsigned char)name[0])) return "is not a plain name (a letter, then letters, digits and _)";
    for (const char *c = name; *c; c++)
        if (!std::isalnum((unsigned char)*c) && *c != '_')
            return "is not a plain name (a letter, then letters, digits and _)";
    return tblsetup_is_reserved(name) ? "is a reserved word" : nullptr;
}

/* Registers a dBASE table lying in the project's directory (the table
** name from the file name); ends the dialog when the registration ran. A
** table with a field whose name a statement cannot hold is refused,
** naming the field, before anything is changed. */
void import_dbase(ads_hdlg dlg, pjct_rec *project, const char *fname)
{
    char name[IMPORT_FNAME_SIZE];
    std::snprintf(name, sizeof name, "%s", fname);
    str_upper(str_basename(name));
    char msg[IMPORT_FNAME_SIZE * 2 + 64];
    if (std::strlen(name) > IMPORT_DBASE_NAME_MAX) {
        std::snprintf(msg, sizeof msg, "ERROR: File name %s too long", name);
        ads_set_tile(dlg, k_error, msg);
        return;
    }
    if (tbl_find_by_name(project->tables, name, nullptr)) {
        std::snprintf(msg, sizeof msg, "ERROR: Table %s already registered", name);
        ads_set_tile(dlg, k_error, msg);
        return;
    }
    /* A table named with a word of SQL could be named in no statement. */
    if (tblsetup_is_reserved(name)) {
        std::snprintf(msg, sizeof msg, "ERROR: Table name %s is a reserved word of SQL: rename the file", name);
        ads_set_tile(dlg, k_error, msg);
        return;
    }
    sql_col_rec *columns = nullptr;
    int n = sql_describe_table(project->connection, name, &columns, 0);
    if (n <= 0) {
        const char *dir = pjct_dir(project->name);
        std::string why = std::string(": ") + sql_failure_text(n);
        if (dir) std::snprintf(msg, sizeof msg, "ERROR: Cannot access %s/%s%s", dir, name, why.c_str());
        else std::snprintf(msg, sizeof msg, "ERROR: Cannot access %s%s", name, why.c_str());
        ads_set_tile(dlg, k_error, msg);
        return;
    }
    for (sql_col_rec *c = columns; c; c = c->next) {
        const char *fault = import_field_name_fault(c->name);
        if (!fault) continue;
        std::snprintf(msg, sizeof msg, "ERROR: Field %s of table %s %s", c->name, name, fault);
        ads_set_tile(dlg, k_error, msg);
        sql_col_list_free(&columns);
        return;
    }
    sql_drop_indexes(project->connection, name);
    tbl_rec *row = pv_tblimport_dialog(project, nullptr, columns);
    if (!row || tbl_add(project, row) < 0) {
        sql_col_list_free(&columns);
        std::free(row);
        msg_alert(ERR_TITLE, "%s not imported", name);
        ads_done_dialog(dlg, DLGCANCEL);
        return;
    }
    int rc = tbl_resolve_definition(row, 1);
    if (rc < 0) msg_alert(WARN_TITLE, "%s in table %s.\nCorrect with DU-ZOREZ.", err_text(rc), row->name);
    std::snprintf(msg, sizeof msg, "Indexing %s...", row->name);
    ads_set_tile(dlg, k_error, msg);
    tbl_create_indexes(row);
    msg_alert(k_import_title, "%s imported", row->name);
    ads_done_dialog(dlg, DLGOK);
}

/* Runs the text import dialog over a file of the project; ends pv_import. */
void import_text(ads_hdlg dlg, pjct_rec *project, const char *fname)
{
    FILE *fp = std::fopen(fname, "rb");
    if (!fp) {
        char msg[IMPORT_FNAME_SIZE + 32];
        std::snprintf(msg, sizeof msg, "ERROR: File %s not found", fname);
        ads_set_tile(dlg, k_error, msg);
        return;
    }
    std::fclose(fp);
    g_import.project = project;
    if (pv_importxt_dialog(fname, project->tables) < 0) {
        msg_alert(ERR_TITLE, "%s not imported", fname);
        ads_done_dialog(dlg, DLGCANCEL);
        return;
    }
    ads_done_dialog(dlg, DLGOK);
}

/* Index of a column in its list, or -1. */
int import_index_of(const sql_col_rec *columns, const sql_col_rec *column)
{
    int i = 0;
    for (const sql_col_rec *c = columns; c; c = c->next, i++)
        if (c == column) return i;
    return -1;
}

/* The update checks of step 12: the table's own key and its parent keys
** must be selected. 0, or -1 with the message shown. */
int importxt_check_keys(ads_hdlg dlg, const tbl_rec *t)
{
    char message[IMPORT_MSG_SIZE] = "";
    const int type = t->table_type;
    sql_col_rec *const *k = t->keys;
    auto check = [&](const sql_col_rec *key) {
        import_check_key_selected(t->columns, key, g_import.selected, g_import.selected_count, message);
    };
    check(t->keys[import_key_slot(type)]);
    if (type == TBL_DEF_ANALYSIS) check(k[TBL_KEY_SAMPLE]);
    if ((type == TBL_DEF_ANALYSIS || type == TBL_DEF_SAMPLE) && k[TBL_KEY_ROCK]) check(k[TBL_KEY_ROCK]);
    if ((type == TBL_DEF_ANALYSIS || type == TBL_DEF_SAMPLE || type == TBL_DEF_ROCK) && k[TBL_KEY_SEGMENT])
        check(k[TBL_KEY_SEGMENT]);
    if (type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_SEGMENT && type != TBL_DEF_COMPOSE && type != TBL_DEF_GENESIS)
        check(k[TBL_KEY_STATION]);
    if (message[0]) return importxt_fail(dlg, message);
    return 0;
}

/* The dialog tables. */
const dlg_tile k_import_table[] = {
    {k_project, pv_import_imp_project_cb},
    {"filename", pv_import_filename_cb},
    {"import", pv_import_import_cb},
    {"cancel", pv_import_cancel_cb},
};
const dlg_tile k_importxt_table[] = {
    {k_table, pv_importxt_txt_table_cb},
    {k_fw, pv_importxt_txt_fw_cb},
    {"import", pv_importxt_import_cb},
    {"cancel", pv_importxt_cancel_cb},
};

}  // namespace

/* The options of the one text import. */
import_state *import_state_get(void)
{
    return &g_import;
}

/* 1 for the table types a Fieldworker export fills: SAMPLE, COMPOSE,
** ROCK, GENESIS, SEGMENT and STATION; else 0. */
int import_fw_type(int type)
{
    return type == TBL_DEF_SAMPLE || type == TBL_DEF_COMPOSE || type == TBL_DEF_ROCK || type == TBL_DEF_GENESIS ||
           type == TBL_DEF_SEGMENT || type == TBL_DEF_STATION;
}

/* The key slot of a table's own key column by its type (BASENUMBER for
** OTHER tables and for the types without a key of their own). */
int import_key_slot(int table_type)
{
    switch (table_type) {
    case TBL_DEF_ANALYSIS: return TBL_KEY_ANALYSIS;
    case TBL_DEF_SAMPLE: return TBL_KEY_SAMPLE;
    case TBL_DEF_ROCK: return TBL_KEY_ROCK;
    case TBL_DEF_SEGMENT: return TBL_KEY_SEGMENT;
    case TBL_DEF_STATION: return TBL_KEY_STATION;
    case TBL_DEF_OUTCROP: return TBL_KEY_OUTCROP;
    case TBL_DEF_TRAVERSE: return TBL_KEY_TRAVERSE;
    case TBL_DEF_BOUNDARY: return TBL_KEY_BOUNDARY;
    case TBL_DEF_UNIT: return TBL_KEY_UNIT;
    case TBL_DEF_LEGEND: return TBL_KEY_LEGEND;
    case TBL_DEF_REFERENCE: return TBL_KEY_REFERENCE;
    case TBL_DEF_DICTION: return TBL_KEY_DICTION;
    default: return TBL_KEY_BASENUMBER;
    }
}

/* Clears the options, keeping the input, its buffers and the project. */
void importxt_reset_options(void)
{
    std::free(g_import.selected);
    g_import.selected = nullptr;
    g_import.selected_count = 0;
    g_import.col_delim = IMPORT_DELIM_BLANK;
    g_import.text_delim = 0;
    g_import.append = g_import.update = 0;
    g_import.table = nullptr;
    g_import.fieldworker = 0;
    g_import.prj = nullptr;
}

/* Ends the text import: closes the input and frees its buffers and the
** options (the import project stays). */
void importxt_close(void)
{
    if (g_import.fp) std::fclose(g_import.fp);
    g_import.fp = nullptr;
    std::free(g_import.read_buf);
    std::free(g_import.reader);
    std::free(g_import.memo_buf);
    g_import.read_buf = g_import.memo_buf = nullptr;
    g_import.reader = nullptr;
    g_import.file_name[0] = 0;
    importxt_reset_options();
}

/* 1 dBASE, 2 text, 0 neither toggle on, -1 both on. */
int import_kind(ads_hdlg dialog)
{
    int dbase = tile_get_int(dialog, k_dbase) > 0;
    int text = tile_get_int(dialog, k_text) > 0;
    if (dbase && text) return IMPORT_KIND_BOTH;
    if (dbase) return IMPORT_KIND_DBASE;
    if (text) return IMPORT_KIND_TEXT;
    return IMPORT_KIND_NONE;
}

/* The key column's index in the row when it is among the selected
** indexes; else -1 with the message extended: "Cannot update %s" (the
** table) for a missing key column when the message is still empty, else
** "Must import %s" for the first missing column and ",%s" for each
** further one. -2 for bad arguments. */
int import_check_key_selected(sql_col_rec *columns, const sql_col_rec *key, const int *selected, int count,
                              char *message)
{
    if (!columns || !message || count < 0 || (count > 0 && !selected)) return -2;
    size_t used = std::strlen(message);
    if (!key) {
        if (used == 0) std::snprintf(message, IMPORT_MSG_SIZE, "Cannot update %s", columns->table);
        return -1;
    }
    int index = import_index_of(columns, key);
    if (index >= 0 && import_find_int(selected, count, index) >= 0) return index;
    if (used < IMPORT_MSG_SIZE)
        std::snprintf(message + used, IMPORT_MSG_SIZE - used, used ? ",%s" : "Must import %s", key->name);
    return -1;
}

/* Reads and checks the options of pv_importxt; 0 when sound, -1 after
** showing the reason. */
int importxt_read_options(ads_hdlg dialog)
{
    importxt_reset_options();
    ads_set_tile(dialog, k_error, "");
    g_import.fieldworker = tile_get_int(dialog, k_fw) >= 1;
    tbl_rec *t = g_import.project ? tbl_nth(g_import.project->tables, tile_get_int(dialog, k_table)) : nullptr;
    if (!t) return importxt_fail(dialog, "ERROR: No table specified");
    g_import.table = t;
    char msg[IMPORT_MSG_SIZE];
    if (g_import.fieldworker && !import_fw_type(t->table_type)) {
        std::snprintf(msg, sizeof msg, "ERROR: Cannot import into %s from Fieldworker", t->name);
        return importxt_fail(dialog, msg);
    }
    char text[TILE_BUF_SIZE];
    if (tile_get_str(dialog, k_coldel, text) != RTNORM) g_import.col_delim = IMPORT_DELIM_BLANK;
    else if (str_eq_nocase(str_first_word(text), "tab")) g_import.col_delim = IMPORT_DELIM_TAB;
    else g_import.col_delim = (unsigned char)text[0];
    if (g_import.fieldworker && g_import.col_delim != IMPORT_DELIM_TAB && g_import.col_delim != IMPORT_DELIM_COMMA)
        return importxt_fail(dialog, "ERROR: Column delimiter must be ',' or 'tab'");
    if (tile_get_str(dialog, k_txtdel, text) == RTNORM && !g_import.fieldworker)
        g_import.text_delim = (unsigned char)str_first_word(text)[0];
    g_import.append = tile_get_int(dialog, k_append) == 1;
    g_import.update = tile_get_int(dialog, k_update) == 1;
    if (g_import.append == g_import.update) return importxt_fail(dialog, "ERROR: select Update or Append");
    if (g_import.update && (t->table_type == TBL_DEF_COMPOSE || t->table_type == TBL_DEF_GENESIS))
        return importxt_fail(dialog, "ERROR: Cannot update this table");
    if (!g_import.fieldworker) {
        int *sel = nullptr, count = 0;
        if (tile_get_int_list(dialog, k_output, &sel, &count) != RTNORM || count == 0) {
            std::free(sel);
            return importxt_fail(dialog, "ERROR: No columns selected");
        }
        g_import.selected = sel;
        g_import.selected_count = count;
    }
    g_import.prj = prj_at(tile_get_int(dialog, k_proj));
    if (g_import.fieldworker && g_import.prj && g_import.prj->type != PRJ_TYPE_GEOGRAPHIC)
        return importxt_fail(dialog, "ERROR: Projection must be GEOGRAPHIC");
    if (g_import.append || g_import.fieldworker) return 0;
    return importxt_check_keys(dialog, t);
}

/* A project was chosen in imp_project: the other tiles come alive. */
void pv_import_imp_project_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !import_project_of_tile(cpkt->dialog)) return;
    ads_set_tile(cpkt->dialog, k_error, "");
    import_mode_tiles(cpkt->dialog, k_import_tiles, MODE_ENABLE);
}

/* Chooses the file through the host's file dialog, starting in the
** project's directory. */
void pv_import_filename_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pjct_rec *p = import_project_of_tile(cpkt->dialog);
    const char *dir = p ? pjct_dir(p->name) : nullptr;
    if (!dir) return;
    ads_set_tile(cpkt->dialog, k_error, "");
    struct resbuf rb;
    std::memset(&rb, 0, sizeof rb);
    if (ads_getfiled(k_file_title, dir, "", IMPORT_FILED_FLAGS, &rb) != RTNORM || rb.restype != RTSTR) return;
    char name[IMPORT_FNAME_SIZE];
    std::snprintf(name, sizeof name, "%s", rb.resval.rstring ? rb.resval.rstring : "");
    std::free(rb.resval.rstring);
    ads_set_tile(cpkt->dialog, k_fname, name);
}

/* The import button of pv_import. */
void pv_import_import_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *project = import_project_of_tile(dlg);
    g_import.project = project;
    if (!project || !pjct_dir(project->name)) return;
    ads_set_tile(dlg, k_error, "");
    char fname[TILE_BUF_SIZE];
    if (tile_get_str(dlg, k_fname, fname) != RTNORM) {
        ads_set_tile(dlg, k_error, "ERROR: No file name specified");
        return;
    }
    fname[IMPORT_FNAME_SIZE - 1] = 0;
    str_trim(fname);
    switch (import_kind(dlg)) {
    case IMPORT_KIND_DBASE: import_dbase(dlg, project, fname); break;
    case IMPORT_KIND_TEXT: import_text(dlg, project, fname); break;
    default: ads_set_tile(dlg, k_error, "ERROR:  Choose database or text file import"); break;
    }
}

/* Ends pv_import with 0. */
void pv_import_cancel_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The command: dialog pv_import over the logged-on projects. 5100; -5001
** when the dialog cannot be made (reported). */
int pv_import(struct resbuf *)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_import, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_import);
        return RTERROR;
    }
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, k_project, names.data(), (int)names.size());
    ads_set_tile(dlg, k_project, "0");
    ads_set_tile(dlg, k_dbase, "");
    ads_set_tile(dlg, k_text, "");
    dlg_register(dlg, k_import_table, (int)(sizeof k_import_table / sizeof k_import_table[0]), nullptr);
    import_mode_tiles(dlg, k_import_tiles, MODE_DISABLE);
    if (g_pjct_list) {
        ads_callback_packet pkt;
        std::memset(&pkt, 0, sizeof pkt);
        pkt.dialog = dlg;
        pkt.reason = CBR_SELECT;
        pv_import_imp_project_cb(&pkt);
    }
    int status = 0;
    ads_start_dialog(dlg, &status);
    g_import.project = nullptr;
    return RTNORM;
}

/* Dialog pv_importxt over an input file and the project's tables. 5100
** when the dialog ran; -2 for a missing name, project or list; -1 when
** the file cannot be opened or buffered; -9101 without memory; -5001 when
** the dialog cannot be made (reported). */
int pv_importxt_dialog(const char *file_name, tbl_rec *tables)
{
    importxt_close();
    if (!file_name || !*file_name || !tables || !g_import.project) return -2;
    g_import.fp = std::fopen(file_name, "rb");
    if (!g_import.fp) return -1;
    const char *base = file_name;
    for (const char *s = file_name; *s; s++)
        if (*s == '/' || *s == '\\' || *s == ':') base = s + 1;
    std::snprintf(g_import.file_name, sizeof g_import.file_name, "%s", base);
    g_import.read_buf = (char *)std::malloc(IMPORT_BUF_SIZE);
    if (!g_import.read_buf || setvbuf(g_import.fp, g_import.read_buf, _IOFBF, IMPORT_READ_BUF) != 0) {
        importxt_close();
        return -1;
    }
    g_import.reader = (import_reader *)std::malloc(sizeof(import_reader));
    g_import.memo_buf = (char *)std::calloc(1, IMPORT_BUF_SIZE);
    if (!g_import.reader || !g_import.memo_buf) {
        importxt_close();
        return ERR_NO_MEMORY;
    }
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_importxt, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_importxt);
        importxt_close();
        return RTERROR;
    }
    std::string title = std::string("Import text file: ") + file_name;
    ads_set_tile(dlg, "txt_title", title.c_str());
    std::vector<const char *> names;
    for (tbl_rec *t = tables; t; t = t->next) names.push_back(t->name);
    dlg_fill_list(dlg, k_table, names.data(), (int)names.size());
    names.clear();
    for (prj_rec *p = prj_list_head(); p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, k_proj, names.data(), (int)names.size());
    ads_set_tile(dlg, k_table, "");
    ads_set_tile(dlg, k_proj, "");
    importxt_clear_tiles(dlg);
    import_mode_tiles(dlg, k_xt_disabled, MODE_DISABLE);
    dlg_register(dlg, k_importxt_table, (int)(sizeof k_importxt_table / sizeof k_importxt_table[0]), nullptr);
    int status = 0;
    ads_start_dialog(dlg, &status);
    importxt_close();
    return RTNORM;
}

/* A table was chosen: the options it allows come alive. */
void pv_importxt_txt_table_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_import.project) return;
    ads_hdlg dlg = cpkt->dialog;
    tbl_rec *t = tbl_nth(g_import.project->tables, tile_get_int(dlg, k_table));
    if (!t) return;
    importxt_clear_tiles(dlg);
    for (const char *k : {k_coldel, k_txtdel, k_append, "import"}) ads_mode_tile(dlg, k, MODE_ENABLE);
    if (!g_import.fieldworker) ads_mode_tile(dlg, k_output, MODE_ENABLE);
    ads_mode_tile(dlg, k_update, MODE_DISABLE);
    ads_mode_tile(dlg, k_proj, MODE_DISABLE);
    if (t->table_type != TBL_DEF_COMPOSE && t->table_type != TBL_DEF_GENESIS) ads_mode_tile(dlg, k_update, MODE_ENABLE);
    if (!g_import.fieldworker) {
        std::vector<const char *> names;
        for (const sql_col_rec *c = t->columns; c; c = c->next) names.push_back(c->name);
        dlg_fill_list(dlg, k_output, names.data(), (int)names.size());
    }
    if (import_table_has_point(t)) ads_mode_tile(dlg, k_proj, MODE_ENABLE);
}

/* The Fieldworker toggle: on empties and disables the column list. */
void pv_importxt_txt_fw_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    g_import.fieldworker = tile_get_int(dlg, k_fw) >= 1;
    if (g_import.fieldworker) {
        dlg_fill_list(dlg, k_output, nullptr, 0);
        ads_mode_tile(dlg, k_output, MODE_DISABLE);
        return;
    }
    ads_mode_tile(dlg, k_output, MODE_ENABLE);
    ads_callback_packet pkt = *cpkt;
    pkt.reason = CBR_SELECT;
    pv_importxt_txt_table_cb(&pkt);
}

/* Ends pv_importxt with 0. */
void pv_importxt_cancel_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}
