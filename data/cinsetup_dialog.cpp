/*
** cinsetup_dialog.cpp: the column input setup dialog "pv_cinsetup".
**
** The dialog shows a working copy of a column's input rule, enables its
** tiles by the column's role in the table's keys, its type and the memo
** and image switches, and on "accept" reads the tiles back, attaches the
** profile's item tree (shared with another rule naming the same profile
** and dictionary, else loaded from the project, creating dictionary and
** profile when the user agrees) and installs the copy with
** col_attr_replace. Cancel frees the copy.
**
**     pv_cinsetup_dialog(rule, project);   // from table setup and the row editor
*/
#include "data/cinsetup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/item_table.h"

namespace {

/* Dialog name and tile keys. */
const char k_dialog[] = "pv_cinsetup";
const char k_tbl[] = "cin_tbl";
const char k_col[] = "cin_col";
const char k_prf[] = "cin_prf";
const char k_dix[] = "cin_dix";
const char k_level[] = "cin_level";
const char k_many[] = "cin_many";
const char k_delim[] = "cin_delim";
const char k_defval[] = "cin_defval";
const char k_minval[] = "cin_minval";
const char k_maxval[] = "cin_maxval";
const char k_edit[] = "cin_edit";
const char k_null[] = "cin_null";
const char k_def[] = "cin_def";
const char k_inc[] = "cin_inc";
const char k_unq[] = "cin_unq";
const char k_plot[] = "cin_plot";
const char k_memo[] = "cin_memo";
const char k_max[] = "cin_max";
const char k_image[] = "cin_image";
const char k_error[] = "error";

/* A toggle's text when on and when off. */
const char k_on[] = "1";
const char k_off[] = "";

/* The texts the dialog shows. */
const char k_min_above_max[] = "ERROR: Minimum is greater than maximum";
const char k_loading[] = "Loading profile %s from dictionairy %s";
const char k_cannot_load[] = "ERROR:  Cannot load profile %s from dictionairy %s";
const char k_no_dictionary[] = "ERROR:  Project %s has no dictionary %s";
const char k_profile_alone[] = "ERROR:  Profile %s names no dictionary";
const char k_bad_minimum[] = "ERROR: Minimum is not a number";
const char k_bad_maximum[] = "ERROR: Maximum is not a number";
const char k_bad_level[] = "ERROR: Level is too large";
const char k_warn_title[] = "WARNING:";
const char k_not_in_profile[] = "Default value: %s not in profile %s";

/* Format of minimum and maximum. */
const char k_range_format[] = "%.6lf";

/* Profile and dictionary names keep at most this many characters. */
constexpr size_t CIN_NAME_MAX = 5;
/* Delimiters shown: the printable characters from blank to '~'. */
constexpr int CIN_DELIM_FIRST = 32;
constexpr int CIN_DELIM_LAST = 126;
/* Largest level a rule can hold (16 bits). */
constexpr long CIN_LEVEL_MAX = 65535;
/* Status with which "accept" closes the dialog. */
constexpr int CIN_ACCEPTED = 1;
/* Room of a message built from two names: a project name of up to 256
** characters (PJCT_NAME_SIZE), a dictionary or profile name, and words. */
constexpr size_t CIN_MESSAGE_SIZE = 2 * PJCT_NAME_SIZE + 80;

/* Each toggle and the flag it sets. */
struct cin_toggle {
    const char *key;   /* toggle tile */
    uint16_t flag;     /* COL_ATTR_* bit */
};
const cin_toggle k_toggles[] = {
    {k_edit, COL_ATTR_EDIT}, {k_null, COL_ATTR_NULL}, {k_def, COL_ATTR_DEF},    {k_inc, COL_ATTR_INC},
    {k_unq, COL_ATTR_UNQ},   {k_plot, COL_ATTR_PLOT}, {k_many, COL_ATTR_MANY},  {k_memo, COL_ATTR_MEMO},
    {k_max, COL_ATTR_MAX},   {k_image, COL_ATTR_IMAGE},
};

/* The profile fields. */
const char *const k_profile_fields[] = {k_prf, k_dix, k_level, k_many, k_delim};
/* Every tile the user can change. */
const char *const k_editable[] = {k_prf,    k_dix,    k_level, k_many, k_delim, k_defval, k_minval, k_maxval, k_edit,
                                  k_null,   k_def,    k_inc,   k_unq,  k_plot,  k_max,    k_memo,   k_image};

/* A table type and the key slot that is the table's own key. */
struct cin_own_key {
    int type;   /* TBL_DEF_* table type */
    int slot;   /* TBL_KEY_* slot */
};
const cin_own_key k_own_keys[] = {
    {TBL_DEF_SEGMENT, TBL_KEY_SEGMENT},     {TBL_DEF_ROCK, TBL_KEY_ROCK},
    {TBL_DEF_SAMPLE, TBL_KEY_SAMPLE},       {TBL_DEF_ANALYSIS, TBL_KEY_ANALYSIS},
    {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY},   {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE},
    {TBL_DEF_UNIT, TBL_KEY_UNIT},           {TBL_DEF_LEGEND, TBL_KEY_LEGEND},
    {TBL_DEF_DICTION, TBL_KEY_DICTION},     {TBL_DEF_LEGEND, TBL_KEY_DICTION},
};
/* Slots that make a column a fixed key in any table. */
const int k_fixed_slots[] = {TBL_KEY_TRAVERSE, TBL_KEY_OUTCROP, TBL_KEY_STATION};
/* Slots whose column takes no profile, memo or image. */
const int k_numbered_slots[] = {TBL_KEY_BOUNDARY, TBL_KEY_UNIT,    TBL_KEY_REFERENCE, TBL_KEY_DICTION,
                                TBL_KEY_SEGMENT,  TBL_KEY_ROCK,    TBL_KEY_SAMPLE,    TBL_KEY_ANALYSIS};

/* What a running dialog works on. */
struct cin_dialog {
    col_attr_rec *work;      /* the working copy; owned until installed */
    pjct_rec *project;       /* the rule's project */
    const tbl_rec *table;    /* the registered table of the rule, or null */
    const sql_col_rec *column; /* its registered column, or null */
};

/* The tile's text, trimmed. */
std::string cin_text(ads_hdlg dlg, const char *key)
{
    char buf[TILE_BUF_SIZE] = "";
    if (ads_get_tile(dlg, key, buf, TILE_STR_LIMIT) != RTNORM) buf[0] = '\0';
    return str_trim(buf);
}

/* 1 when a toggle is on. */
int cin_on(ads_hdlg dlg, const char *key)
{
    return tile_get_int(dlg, key) == 1;
}

void cin_enable(ads_hdlg dlg, const char *key)
{
    ads_mode_tile(dlg, key, MODE_ENABLE);
}

/* Disables a tile and, with clear, empties it. */
void cin_disable(ads_hdlg dlg, const char *key, bool clear)
{
    ads_mode_tile(dlg, key, MODE_DISABLE);
    if (clear) ads_set_tile(dlg, key, k_off);
}

void cin_disable_profile_fields(ads_hdlg dlg)
{
    for (const char *key : k_profile_fields) cin_disable(dlg, key, true);
}

/* A profile or dictionary name as a rule keeps it: the first word,
** upper-cased, at most five characters. */
std::string cin_short_name(const std::string &text)
{
    char buf[TILE_BUF_SIZE];
    std::snprintf(buf, sizeof buf, "%s", text.c_str());
    str_upper(str_first_word(buf));
    if (std::strlen(buf) > CIN_NAME_MAX) buf[CIN_NAME_MAX] = '\0';
    return buf;
}

/* The profile fields follow the names: both cut and written back, the
** level enabled, "cin_many" only with both names, "cin_delim" only with
** "cin_many" on. */
void cin_profile_update(ads_hdlg dlg)
{
    cin_enable(dlg, k_prf);
    cin_enable(dlg, k_dix);
    std::string prf = cin_short_name(cin_text(dlg, k_prf)), dix = cin_short_name(cin_text(dlg, k_dix));
    ads_set_tile(dlg, k_prf, prf.c_str());
    ads_set_tile(dlg, k_dix, dix.c_str());
    cin_enable(dlg, k_level);
    if (prf.empty() || dix.empty()) cin_disable(dlg, k_many, true);
    else cin_enable(dlg, k_many);
    if (!cin_on(dlg, k_many)) cin_disable(dlg, k_delim, true);
    else cin_enable(dlg, k_delim);
}

/* The memo and image switches: a memo takes no profile, default,
** numbering or uniqueness; an image takes a default but no numbering,
** uniqueness or memo. */
void cin_memo_image(ads_hdlg dlg)
{
    const bool memo = cin_on(dlg, k_memo);
    if (!memo) {
        cin_profile_update(dlg);
        for (const char *key : {k_plot, k_unq, k_def, k_inc, k_max, k_image, k_defval}) cin_enable(dlg, key);
    } else {
        cin_disable_profile_fields(dlg);
        cin_enable(dlg, k_plot);
        ads_set_tile(dlg, k_plot, k_off);
        for (const char *key : {k_unq, k_def, k_inc, k_max, k_image, k_defval}) cin_disable(dlg, key, true);
    }
    if (cin_on(dlg, k_image)) {
        cin_enable(dlg, k_plot);
        ads_set_tile(dlg, k_plot, k_off);
        for (const char *key : {k_unq, k_inc, k_max, k_memo}) cin_disable(dlg, key, true);
        cin_enable(dlg, k_def);
        cin_enable(dlg, k_defval);
    } else if (!memo) {
        for (const char *key : {k_plot, k_unq, k_def, k_inc, k_max, k_memo, k_defval}) cin_enable(dlg, key);
    }
}

/* 1 when the registered column fills the table's key slot. */
int cin_fills(const cin_dialog *d, int slot)
{
    const sql_col_rec *key = d->table ? d->table->keys[slot] : nullptr;
    return key && tbl_name_cmp(key->name, d->work->column) == 0;
}

/* 1 when the column is the table's own key or a traverse, outcrop or
** station number. */
int cin_fixed_key(const cin_dialog *d)
{
    for (const cin_own_key &k : k_own_keys)
        if (d->table->table_type == k.type && cin_fills(d, k.slot)) return 1;
    for (int slot : k_fixed_slots)
        if (cin_fills(d, slot)) return 1;
    return 0;
}

/* 1 when the column is another table's number held here. */
int cin_numbered_key(const cin_dialog *d)
{
    for (int slot : k_numbered_slots)
        if (cin_fills(d, slot)) return 1;
    return 0;
}

/* Enables the tiles by the column's role in the keys and its type. */
void cin_availability(ads_hdlg dlg, const cin_dialog *d)
{
    if (!d->table) return;
    const bool base = cin_fills(d, TBL_KEY_BASENUMBER) != 0;
    if (base) {
        for (const char *key : k_editable) cin_disable(dlg, key, false);
        for (const char *key : {k_defval, k_minval, k_maxval, k_memo, k_image}) ads_set_tile(dlg, key, k_off);
    } else if (cin_fixed_key(d)) {
        for (const char *key : k_editable)
            if (key != k_plot && key != k_max) cin_disable(dlg, key, false);
        for (const char *key : {k_memo, k_image}) ads_set_tile(dlg, key, k_off);
    } else if (cin_numbered_key(d)) {
        cin_disable_profile_fields(dlg);
        for (const char *key : {k_memo, k_image}) cin_disable(dlg, key, true);
    }
    if (d->table->table_type == TBL_DEF_DICTION) {
        cin_disable_profile_fields(dlg);
        for (const char *key : {k_memo, k_image}) cin_disable(dlg, key, true);
    }
    if (d->column && d->column->sql_type != SQL_TYPE_CHAR) {
        cin_disable_profile_fields(dlg);
        for (const char *key : {k_memo, k_image}) cin_disable(dlg, key, true);
        if (!base)
            for (const char *key : {k_minval, k_maxval}) cin_enable(dlg, key);
    }
}

/* Shows a range bound when its bit is set, else an empty text. */
void cin_show_bound(ads_hdlg dlg, const char *key, bool set, double value)
{
    char text[TILE_BUF_SIZE] = "";
    if (set) std::snprintf(text, sizeof text, k_range_format, value);
    ads_set_tile(dlg, key, text);
}

/* Shows the working copy in the tiles. */
void cin_show(ads_hdlg dlg, const col_attr_rec *r)
{
    ads_set_tile(dlg, k_tbl, r->table);
    ads_set_tile(dlg, k_col, r->column);
    ads_set_tile(dlg, k_prf, r->profile);
    ads_set_tile(dlg, k_dix, r->dictionary);
    /* Every printable delimiter is shown, so that opening and accepting
    ** keeps a '|', '{', '}' or '~'. */
    char delim[2] = {0, 0};
    if (r->delimiter >= CIN_DELIM_FIRST && r->delimiter <= CIN_DELIM_LAST) delim[0] = r->delimiter;
    ads_set_tile(dlg, k_delim, delim);
    char level[TILE_BUF_SIZE];
    std::snprintf(level, sizeof level, "%d", (int)r->level);
    ads_set_tile(dlg, k_level, level);
    ads_set_tile(dlg, k_defval, r->default_text ? r->default_text : k_off);
    for (const cin_toggle &t : k_toggles) ads_set_tile(dlg, t.key, (r->flags & t.flag) ? k_on : k_off);
    cin_show_bound(dlg, k_minval, (r->range & COL_ATTR_HAS_MIN) != 0, r->minimum);
    cin_show_bound(dlg, k_maxval, (r->range & COL_ATTR_HAS_MAX) != 0, r->maximum);
}

/* Reads a range bound: a blank text clears its bit and value. Answers 0,
** or -1 when the text is not a number (the copy keeps its bound). */
int cin_read_bound(ads_hdlg dlg, const char *key, uint16_t bit, double *value, uint16_t *range)
{
    std::string text = cin_text(dlg, key);
    if (text.empty()) {
        *range &= (uint16_t)~bit;
        *value = 0.0;
        return 0;
    }
    char *end = nullptr;
    errno = 0;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) return -1;
    *range |= bit;
    *value = v;
    return 0;
}

/* Accept step 1: the tiles into the working copy. Answers 0; -1 when a
** tile holds what a rule cannot take (the reason shown in "error"). */
int cin_read_tiles(ads_hdlg dlg, col_attr_rec *r)
{
    const char *refusal = nullptr;
    if (cin_read_bound(dlg, k_minval, COL_ATTR_HAS_MIN, &r->minimum, &r->range) != 0) refusal = k_bad_minimum;
    else if (cin_read_bound(dlg, k_maxval, COL_ATTR_HAS_MAX, &r->maximum, &r->range) != 0) refusal = k_bad_maximum;
    else if ((r->range & COL_ATTR_HAS_MIN) && (r->range & COL_ATTR_HAS_MAX) && r->minimum > r->maximum)
        refusal = k_min_above_max;
    std::string level = cin_text(dlg, k_level);
    long lv = level.empty() ? 0 : std::strtol(level.c_str(), nullptr, 10);
    if (!refusal && lv > CIN_LEVEL_MAX) refusal = k_bad_level;
    if (refusal) {
        ads_set_tile(dlg, k_error, refusal);
        return -1;
    }
    r->level = (uint16_t)(lv < 1 ? 0 : lv);
    std::snprintf(r->profile, sizeof r->profile, "%s", cin_short_name(cin_text(dlg, k_prf)).c_str());
    std::snprintf(r->dictionary, sizeof r->dictionary, "%s", cin_short_name(cin_text(dlg, k_dix)).c_str());
    std::string delim = cin_text(dlg, k_delim);
    r->delimiter = delim.empty() ? ' ' : delim[0];
    std::string def = cin_text(dlg, k_defval);
    char *text = def.empty() ? nullptr : strdup(def.c_str());
    if (!def.empty() && !text) {
        err_report(ERR_NO_MEMORY, nullptr);
        return -1;
    }
    std::free(r->default_text);
    r->default_text = text;
    for (const cin_toggle &t : k_toggles) {
        if (cin_on(dlg, t.key)) r->flags |= t.flag;
        else r->flags &= (uint16_t)~t.flag;
    }
    return 0;
}

/* The tree of a listed rule naming the profile and dictionary; null when
** none of them has one loaded (rules read at logon carry none). */
item_node *cin_shared_tree(pjct_rec *project, const char *profile, const char *dictionary)
{
    for (col_attr_rec *r = col_attr_find_profile(project->col_attrs, profile, dictionary); r;
         r = col_attr_find_profile(r->next, profile, dictionary))
        if (r->tree) return r->tree;
    return nullptr;
}

/* Loads the profile into a new root: from the project's tables, else after
** opening (or, when the user agrees, creating) the dictionary and the
** profile; a table that is there but cannot be read is named with what
** failed, never made anew. Answers the root, or null when it cannot be
** loaded. */
item_node *cin_load_tree(ads_hdlg dlg, pjct_rec *project, const char *profile, const char *dictionary)
{
    item_node *root = (item_node *)std::calloc(1, sizeof(item_node));
    if (!root) {
        err_report(ERR_NO_MEMORY, nullptr);
        return nullptr;
    }
    char message[CIN_MESSAGE_SIZE];
    std::snprintf(message, sizeof message, k_loading, profile, dictionary);
    ads_set_tile(dlg, k_error, message);
    int rc = prf_edit_set_project(nullptr, project);
    if (rc == 0 && item_load_profile(profile, dictionary, root) != 0) {
        rc = prf_edit_open_dictionary(dictionary);
        const char *table = dictionary;   /* the table a failure is of */
        if (rc >= 0) {
            table = profile;
            rc = prf_edit_open_profile(profile, dictionary);
        }
        if (rc >= 0) rc = item_load_profile(profile, dictionary, root);
        if (rc < 0) dix_report_failure(rc, profile, table);
    }
    if (rc == 0) return root;
    item_free_tree(root);
    std::snprintf(message, sizeof message, k_cannot_load, profile, dictionary);
    ads_set_tile(dlg, k_error, message);
    return nullptr;
}

/* A dictionary named without a profile: the project must have it, or the
** user agrees to create it (as a profile's dictionary is opened). 0; -1
** after naming it in "error", so that no rule keeps a dangling name. */
int cin_open_dictionary(ads_hdlg dlg, pjct_rec *project, const char *dictionary)
{
    if (prf_edit_set_project(nullptr, project) == 0 && prf_edit_open_dictionary(dictionary) >= 0) return 0;
    char message[CIN_MESSAGE_SIZE];
    std::snprintf(message, sizeof message, k_no_dictionary, project->name, dictionary);
    ads_set_tile(dlg, k_error, message);
    return -1;
}

/* "accept": the tiles are read, the profile's tree attached, the default
** checked against it; the dialog closes with 1. Any refusal keeps the
** dialog open and leaves the rule list as it was. */
void cin_cb_accept(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    cin_dialog *d = (cin_dialog *)cpkt->client_data;
    col_attr_rec *r = d->work;
    if (cin_read_tiles(dlg, r) != 0) return;
    r->tree = nullptr;
    const bool has_profile = !tbl_name_blank(r->profile), has_dictionary = !tbl_name_blank(r->dictionary);
    if (has_profile && !has_dictionary) {
        char message[CIN_MESSAGE_SIZE];
        std::snprintf(message, sizeof message, k_profile_alone, r->profile);
        ads_set_tile(dlg, k_error, message);
        return;
    }
    if (has_dictionary && !has_profile && cin_open_dictionary(dlg, d->project, r->dictionary) != 0) return;
    if (!tbl_name_blank(r->dictionary) && !tbl_name_blank(r->profile)) {
        r->tree = cin_shared_tree(d->project, r->profile, r->dictionary);
        if (!r->tree) {
            r->tree = cin_load_tree(dlg, d->project, r->profile, r->dictionary);
            if (!r->tree) return;
            sym_bind_items(d->project, r->tree);
        }
        ads_set_tile(dlg, k_error, "");
    }
    /* Without a tree there is no profile to look the default up in. */
    if (r->default_text && r->tree && !item_find(r->tree, r->default_text))
        msg_alert(k_warn_title, k_not_in_profile, r->default_text, r->profile);
    if (r->tree) r->flags |= COL_ATTR_PROFILE;
    else r->flags &= (uint16_t)~COL_ATTR_PROFILE;
    ads_done_dialog(dlg, CIN_ACCEPTED);
}

void cin_cb_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* "cin_prf", "cin_dix", "cin_many". */
void cin_cb_profile(ads_callback_packet *cpkt)
{
    cin_profile_update(cpkt->dialog);
}

/* "cin_memo", "cin_image". */
void cin_cb_memo_image(ads_callback_packet *cpkt)
{
    cin_memo_image(cpkt->dialog);
}

const dlg_tile k_tiles[] = {
    {"accept", cin_cb_accept},   {"cancel", cin_cb_cancel},       {k_prf, cin_cb_profile},
    {k_dix, cin_cb_profile},     {k_many, cin_cb_profile},        {k_memo, cin_cb_memo_image},
    {k_image, cin_cb_memo_image},
};

/* Symbol setups drawing the rule's column take the rule that replaces
** the listed ones. */
void cin_repoint_symbols(pjct_rec *project, col_attr_rec *rule)
{
    for (sym_rec *s = project->symbols; s; s = s->next) {
        if (s->owner_kind != SYM_OWNER_COLUMN || !s->owner) continue;
        const col_attr_rec *owner = (const col_attr_rec *)s->owner;
        if (tbl_name_cmp(owner->column, rule->column) == 0 && tbl_name_cmp(owner->table, rule->table) == 0)
            s->owner = rule;
    }
}

}  // namespace

/* Runs the dialog on a rule of the project; see the header. */
int pv_cinsetup_dialog(col_attr_rec *rule, pjct_rec *project)
{
    if (!rule || !project) return -2;
    col_attr_rec *work = col_attr_new();
    if (!work) {
        err_report(ERR_NO_MEMORY, nullptr);
        return ERR_NO_MEMORY;
    }
    col_attr_copy(work, rule);
    work->tree = nullptr;
    work->next = nullptr;
    work->flags &= (uint16_t)~COL_ATTR_PLACEHOLDER;

    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        col_attr_free(work);
        err_report(ERR_LOAD_DIALOG, k_dialog);
        return RTERROR;
    }
    cin_dialog d = {work, project, nullptr, nullptr};
    tbl_rec *table = tbl_find_by_name(project->tables, work->table, nullptr);
    d.table = table;
    d.column = table ? tbl_column_find(table->columns, work->column, nullptr, nullptr) : nullptr;
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), &d);
    cin_show(dlg, work);
    cin_memo_image(dlg);
    cin_availability(dlg, &d);

    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == CIN_ACCEPTED) {
        cin_repoint_symbols(project, work);
        col_attr_replace(work, project);
    } else {
        col_attr_free(work);
    }
    return RTNORM;
}
