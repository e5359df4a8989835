/*
** prf_editor.cpp: the profile editor pv_edit_profile, its options dialog,
** and the save of the profiles the pickers changed.
**
** Every action is a tile callback. The target and source trees are heap
** roots; a target saved as a table is handed to the input rules bound to
** that profile and dictionary and is then shared (the reset leaves it).
*/
#include "data/prf_edit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <strings.h>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"
#include "data/item_pick.h"
#include "data/item_table.h"
#include "data/row_edit.h"
#include "data/sym_setup_dialog.h"

namespace {

/* Codes the editor reports. */
constexpr int k_bad_project = -9401;
constexpr int k_no_dialog = -9501;
constexpr int k_no_memory = -9101;
/* Dialog status of accept. */
constexpr int k_done_accept = 1;
/* Flags of the host's file dialog: start in the directory given. */
constexpr int k_getfiled_flags = 18;
/* Room of a message or a path. */
constexpr size_t k_text_size = 600;

const char *const k_dialog = "pv_edit_profile";
const char *const k_project = "prf_project";
const char *const k_tgt_name = "tgt_prf_name";
const char *const k_src_name = "src_prf_name";
const char *const k_dix_name = "src_dix_name";
const char *const k_tgt_list = "tgt_prf";
const char *const k_src_list = "src_prf";
const char *const k_longname = "tgt_longname";
const char *const k_shortname = "tgt_shortname";
const char *const k_error = "error";

prf_edit_state s_edit;   /* the editor's state */

/* An alert under the error title. */
void say(const char *text) { msg_alert(ERR_TITLE, "%s", text); }

/* A tile's text, trimmed. */
std::string tile_text(ads_hdlg d, const char *key)
{
    char text[TILE_BUF_SIZE] = "";
    ads_get_tile(d, key, text, TILE_BUF_SIZE);
    str_trim(text);
    return text;
}

/* The flag of the list value in the current mode. */
int mode_flag(void) { return s_edit.mode == PRF_MODE_NORMAL ? ITEM_SELECTED : ITEM_INSERT_AT; }

/* A fresh empty heap root, or null when memory runs out (reported). */
item_node *fresh_root(void)
{
    item_node *r = (item_node *)calloc(1, sizeof(item_node));
    if (!r) err_report(k_no_memory, "profile");
    return r;
}

/* Frees the target unless it is shared. */
void drop_target(void)
{
    if (s_edit.target && !s_edit.shared) item_free_tree(s_edit.target);
    s_edit.target = nullptr;
    s_edit.tgt_page = nullptr;
    s_edit.shared = 0;
}

void drop_source(void)
{
    if (s_edit.source) item_free_tree(s_edit.source);
    s_edit.source = nullptr;
    s_edit.src_page = nullptr;
}

/* 1 when a root names both a profile and a dictionary. */
bool both_names(const item_node *r)
{
    return r && item_named(r->name) && item_named(r->second_name);
}

/* 1 when the target tree has items. */
bool target_has_items(void) { return s_edit.target && s_edit.target->child; }

/* The project of the prf_project tile; null after "No project selected". */
pjct_rec *need_project(ads_hdlg d)
{
    pjct_rec *p = pjct_nth(tile_get_int(d, k_project));
    if (!p || p != s_edit.project) {
        say("No project selected");
        return nullptr;
    }
    return p;
}

/* The target is loaded; else "No target profile loaded". */
bool prf_edit_need_loaded(ads_hdlg d)
{
    if (!need_project(d)) return false;
    if (!both_names(s_edit.target)) {
        say("No target profile loaded");
        return false;
    }
    return true;
}

/* Asks to go on with a pending move or copy; false when the user quits
** (the mode is then 0 and the error tile cleared). */
bool prf_edit_pending(ads_hdlg d)
{
    const char *q = nullptr;
    if (s_edit.mode == PRF_MODE_MOVE) q = "MOVE in progress. Continue MOVE ?";
    else if (s_edit.mode == PRF_MODE_COPY || s_edit.mode == PRF_MODE_SRC_COPY) q = "COPY in progress. Continue COPY ?";
    if (!q || msg_ok_quit(q) == RTNORM) return true;
    s_edit.mode = PRF_MODE_NORMAL;
    ads_set_tile(d, k_error, "");
    return false;
}

/* The target and source lists redrawn from their page starts. */
void show_target(ads_hdlg d) { item_list_show(d, k_tgt_list, s_edit.tgt_page, mode_flag()); }
void show_source(ads_hdlg d) { item_list_show(d, k_src_list, s_edit.src_page, mode_flag()); }

/* The index of the project in the tile, blank when none. */
void prf_edit_show_project(ads_hdlg d)
{
    int i = 0;
    for (pjct_rec *p = pjct_nth(0); p; p = pjct_nth(++i))
        if (p == s_edit.project) {
            dlg_set_index(d, k_project, i);
            return;
        }
    ads_set_tile(d, k_project, "");
}

/* The name tiles refilled from the roots. */
void prf_edit_show_names(ads_hdlg d)
{
    const item_node *t = s_edit.target, *s = s_edit.source;
    ads_set_tile(d, k_tgt_name, t && t->name ? t->name : "");
    if (s && s->second_name) ads_set_tile(d, k_dix_name, s->second_name);
    else if (t && t->second_name) ads_set_tile(d, k_dix_name, t->second_name);
    ads_set_tile(d, k_src_name, s && s->name ? s->name : "");
}

/* The selected positions of a list. */
std::vector<int> list_positions(ads_hdlg d, const char *key)
{
    int *sel = nullptr, count = 0;
    std::vector<int> out;
    if (tile_get_int_list(d, key, &sel, &count) == RTNORM)
        for (int i = 0; i < count; i++) out.push_back(sel[i]);
    free(sel);
    std::sort(out.begin(), out.end());
    return out;
}

/* Marks the page's selected lines with a flag code (the others cleared). */
void mark_page(ads_hdlg d, const char *key, item_node *page, int code)
{
    std::vector<int> pos = list_positions(d, key);
    if (page) item_mark_positions(page, PRF_EDIT_PAGE, pos.data(), (int)pos.size(), code);
}

/* The node of the one selected line of a list; null after the message. */
item_node *one_selected(ads_hdlg d, const char *key, item_node *page, const char *none_text)
{
    std::vector<int> pos = list_positions(d, key);
    if (pos.empty()) {
        say(none_text);
        return nullptr;
    }
    if (pos.size() > 1) {
        say("More than one item selected");
        return nullptr;
    }
    item_node *n = page;
    for (int i = 0; n && i < pos[0]; i++) n = item_walk_next(n);
    if (!n) say("Cannot perform this operation");
    return n;
}

/* The folder the file choice starts in: the project's directory ending
** in '/' (or the '\' it has). */
std::string project_folder(const pjct_rec *p)
{
    const char *dir = p ? pjct_dir(p->name) : nullptr;
    std::string start = dir ? dir : "";
    if (start.empty() || (start.back() != '\\' && start.back() != '/')) start += '/';
    return start;
}

/* The folder part of a path: up to and with its last ':', '\' or '/';
** "" for a bare name. */
std::string folder_of(const std::string &path)
{
    size_t cut = path.find_last_of(":\\/");
    return cut == std::string::npos ? "" : path.substr(0, cut + 1);
}

/* A dictionary is a table of the project's folder: a dictionary text with
** a folder other than that one (as the file choice gives it) is refused,
** never cut to its last part. 0; -1 after the alert. */
int dix_check_folder(const std::string &text)
{
    std::string part = folder_of(text), own = project_folder(s_edit.project);
    if (part.empty() || strcasecmp(part.c_str(), own.c_str()) == 0) return 0;
    msg_alert(ERR_TITLE, "ERROR: dictionary %s is not in the project's folder %s", text.c_str(), own.c_str());
    return -1;
}

/* The table name of the dictionary tile; empty after "No dictionary
** specified" or a refused name. */
std::string dictionary_name(ads_hdlg d, const char *key = k_dix_name)
{
    std::string text = tile_text(d, key);
    char name[DIX_NAME_SIZE] = "";
    if (text.empty() || prf_name_from_path(name, text.c_str()) != 0) {
        say("No dictionary specified");
        return "";
    }
    if (dix_check_folder(text) != 0 || dix_check_name(text.c_str()) != 0) return "";
    return name;
}

/* ---- Loading ---- */

/* Loads the target (target = true) or the source profile. */
void prf_edit_load(ads_hdlg d, bool target);

/* ---- Saving ---- */

/* "Really abort SAVE ?": true unless answered no, so a cancelled box (or
** a script that ran dry) ends the save instead of asking again forever. */
bool really_abort()
{
    return msg_yes_no_or_cancel("Really abort SAVE ?") != RTERROR;
}

/* Asks an overwrite question again until answered: true to overwrite,
** false when the user really aborts. */
bool overwrite(const char *question)
{
    for (;;) {
        if (msg_ok_quit(question) == RTNORM) return true;
        if (really_abort()) return false;
    }
}

/* Hands the saved target to the rules bound to its profile and
** dictionary; each distinct tree so replaced is freed once, none that
** another rule still holds. The target is shared only when a rule took
** it. */
void hand_over(pjct_rec *p, const char *profile, const char *dictionary)
{
    item_node *target = s_edit.target;
    std::set<item_node *> replaced;
    for (col_attr_rec *r = p->col_attrs; r; r = r->next)
        if (str_eq_nocase(r->profile, profile) && str_eq_nocase(r->dictionary, dictionary) && r->tree != target) {
            if (r->tree) replaced.insert(r->tree);
            r->tree = target;
            r->flags |= COL_ATTR_PROFILE;
        }
    int held = 0;
    for (col_attr_rec *r = p->col_attrs; r; r = r->next) {
        replaced.erase(r->tree);
        if (r->tree == target) held = 1;
    }
    for (item_node *old : replaced) item_free_tree(old);
    s_edit.shared = held;   /* a target no rule took stays the editor's to free */
    for (item_node *n = target; n; n = item_walk_next(n))
        if (n->symbol && n->parent) n->symbol->owner = n;
    sym_bind_items(p, target);
}

/* After a save refused because another user changed the profile since it
** was loaded (said): the target is loaded again as the profile is now when
** the user wants it, as the row editor shows a row changed meanwhile. */
void offer_reload(ads_hdlg d, const char *prf_table, const char *dix_table)
{
    char text[k_text_size];
    snprintf(text, sizeof text, "Load profile %s again as it is now ?", prf_table);
    if (msg_yes_no(text) != RTNORM) return;
    drop_target();
    s_edit.target = s_edit.tgt_page = fresh_root();
    if (!s_edit.target) return;
    int rc = prf_edit_open_dictionary(dix_table);
    if (rc >= 0) rc = item_load_profile(prf_table, dix_table, s_edit.target);
    if (rc < 0) dix_report_failure(rc, prf_table, prf_table);
    sym_bind_items(s_edit.project, s_edit.target);
    prf_edit_show_names(d);
    show_target(d);
}

/* The save of tgt_save. Answers 0 when saved, else a code. */
int prf_edit_save(ads_hdlg d)
{
    if (!prf_edit_need_loaded(d)) return -1;
    pjct_rec *p = s_edit.project;
    std::string profile = tile_text(d, k_tgt_name), dix_text = tile_text(d, k_dix_name);
    if (dix_text.empty()) {
        msg_alert(ERR_TITLE, "No dictionary specified, cannot SAVE %s", profile.c_str());
        return -1;
    }
    if (profile.empty()) profile = s_edit.target->name;
    if (dix_check_folder(dix_text) != 0 || dix_check_name(dix_text.c_str()) != 0 ||
        dix_check_name(profile.c_str()) != 0)
        return -1;
    char prf_table[DIX_NAME_SIZE] = "", dix_table[DIX_NAME_SIZE] = "";
    if (prf_name_from_path(prf_table, profile.c_str()) != 0 || prf_name_from_path(dix_table, dix_text.c_str()) != 0)
        return -1;
    char text[k_text_size];
    snprintf(text, sizeof text, "Save %s as %s ?", s_edit.target->name, profile.c_str());
    int opt;
    for (;;) {
        opt = prf_opts_dialog("pv_prf_opts", text);
        if (opt == PRF_OPT_TABLE || opt == PRF_OPT_TEXT) break;
        if (opt == k_no_dialog) return opt;
        if (really_abort()) {
            ads_set_tile(d, k_error, "");
            return -1;
        }
    }
    ads_set_tile(d, k_error, "Saving...");
    int rc;
    if (opt == PRF_OPT_TABLE) {
        /* "Overwrite ?" is asked only of a profile nobody changed since
        ** it was loaded; one another user saved meanwhile is said. */
        std::string changed = prf_changed_text(prf_table, dix_table);
        if (!changed.empty()) {
            ads_set_tile(d, k_error, "");
            msg_alert(ERR_TITLE, "%s", changed.c_str());
            offer_reload(d, prf_table, dix_table);
            return ERR_ROW_CHANGED;
        }
        uint32_t parent = 0, window = 0;
        if (prf_find_number(prf_table, 0, &parent, &window) > 0) {
            snprintf(text, sizeof text, "Profile %s exists. Overwrite ?", profile.c_str());
            if (!overwrite(text)) {
                ads_set_tile(d, k_error, "");
                return -1;
            }
        }
        rc = item_save_profile(prf_table, dix_table, s_edit.target);
        if (rc == 0) hand_over(p, prf_table, dix_table);
        if (rc == ERR_ROW_CHANGED) {
            ads_set_tile(d, k_error, "");
            offer_reload(d, prf_table, dix_table);
            return rc;
        }
    } else {
        char found[ADS_PATH_MAX] = "";
        if (ads_findfile(profile.c_str(), found) == RTNORM) {
            snprintf(text, sizeof text, "File %s exists. Overwrite ?", profile.c_str());
            if (!overwrite(text)) {
                ads_set_tile(d, k_error, "");
                return -1;
            }
        }
        rc = item_write_text(profile.c_str(), dix_table, s_edit.target);
    }
    if (rc != 0) {
        ads_set_tile(d, k_error, "");
        err_report(rc, profile.c_str());
        return rc;
    }
    item_update(s_edit.target, prf_table, dix_table, 0, nullptr);
    ads_set_tile(d, k_error, "Saving... done");
    msg_alert("", "Profile saved as %s", profile.c_str());
    ads_set_tile(d, k_error, "");
    if (s_edit.tgt_page == s_edit.target) show_target(d);
    return 0;
}

/* ---- Callbacks ---- */

/* "prf_project": another project. */
void prj_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    int index = tile_get_int(d, k_project);
    pjct_rec *p = pjct_nth(index);
    if (!p) {
        err_report(k_bad_project, "");
        prf_edit_show_project(d);
        return;
    }
    if (p == s_edit.project) return;
    if (target_has_items() && s_edit.project) {
        prf_edit_show_project(d);   /* the save runs on the project shown so far */
        prf_edit_save(d);
    }
    prf_edit_set_project(d, p);
    s_edit.project = p;
    dlg_set_index(d, k_project, index);
}

/* "accept": save, bind the symbols again, reset; the dialog stays. */
void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    pjct_rec *p = s_edit.project;
    if (target_has_items()) prf_edit_save(d);
    if (p && s_edit.target) sym_bind_items(p, s_edit.target);
    prf_edit_reset(d, 0);
    s_edit.project = p;
    prf_edit_show_project(d);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_done_dialog(cpkt->dialog, 0);
}

/* "tgt_file", "src_file", "dix_file": a file of the project's directory. */
void file_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    pjct_rec *p = need_project(d);
    if (!p) return;
    char key[TILE_BUF_SIZE] = "";
    ads_get_attr_string(cpkt->tile, "key", key, TILE_BUF_SIZE);
    const char *title, *target;
    if (strcmp(key, "tgt_file") == 0) title = "Find Target Profile", target = k_tgt_name;
    else if (strcmp(key, "src_file") == 0) title = "Find Source Profile", target = k_src_name;
    else title = "Find Dictionary", target = k_dix_name;
    std::string start = project_folder(p);
    for (;;) {
        struct resbuf rb = {};
        if (ads_getfiled(title, start.c_str(), "", k_getfiled_flags, &rb) != RTNORM) return;
        std::string chosen = rb.resval.rstring ? rb.resval.rstring : "";
        free(rb.resval.rstring);
        if (strcasecmp(folder_of(chosen).c_str(), start.c_str()) == 0) {
            ads_set_tile(d, target, chosen.c_str());
            ads_mode_tile(d, target, MODE_SETFOCUS);
            return;
        }
        msg_alert(ERR_TITLE, "File must be selected from %s", start.c_str());
    }
}

void tgt_load_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) prf_edit_load(cpkt->dialog, true);
}

void src_load_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) prf_edit_load(cpkt->dialog, false);
}

/* "dix_load": a dictionary as the source. */
void dix_load_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (!need_project(d)) return;
    drop_source();
    s_edit.source = s_edit.src_page = fresh_root();
    if (!s_edit.source) return;
    std::string text = tile_text(d, k_dix_name);
    if (text.empty()) {
        say("No dictionary specified");
        return;
    }
    ads_set_tile(d, k_src_name, "");
    char name[DIX_NAME_SIZE] = "";
    if (dix_check_folder(text) != 0 || dix_check_name(text.c_str()) != 0 ||
        prf_name_from_path(name, text.c_str()) != 0)
        return;
    char message[k_text_size];
    snprintf(message, sizeof message, "Load %s as: ", text.c_str());
    int opt = prf_opts_dialog("pv_dix_opts", message);
    if (opt != PRF_OPT_TABLE && opt != PRF_OPT_TEXT) return;
    ads_set_tile(d, k_error, "Loading...");
    int rc = prf_edit_open_dictionary(name);
    if (rc >= 0) rc = opt == PRF_OPT_TABLE ? item_load_dictionary(name, s_edit.source)
                                           : item_read_text(text.c_str(), name, s_edit.source);
    if (rc < 0) {
        ads_set_tile(d, k_error, "");
        dix_report_failure(rc, name, name);
        prf_edit_show_names(d);
        return;
    }
    s_edit.src_page = s_edit.source;
    show_source(d);
    ads_set_tile(d, k_error, " ");
}

void save_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) prf_edit_save(cpkt->dialog);
}

/* "next", "src_next": the next page. */
void page_next(ads_hdlg d, bool target)
{
    const char *key = target ? k_tgt_list : k_src_list;
    item_node **page = target ? &s_edit.tgt_page : &s_edit.src_page;
    if (!*page) return;
    std::vector<int> pos = list_positions(d, key);
    item_node *next = item_mark_positions(*page, PRF_EDIT_PAGE, pos.data(), (int)pos.size(), mode_flag());
    if (!next) {
        say("End of profile reached");
        return;
    }
    *page = next;
    item_list_show(d, key, *page, mode_flag());
}

/* "prev", "src_prev": the page before. */
void page_prev(ads_hdlg d, bool target)
{
    const char *key = target ? k_tgt_list : k_src_list;
    item_node **page = target ? &s_edit.tgt_page : &s_edit.src_page;
    if (!*page) return;
    std::vector<int> pos = list_positions(d, key);
    item_node *start = item_select_positions(*page, PRF_EDIT_PAGE, pos.data(), (int)pos.size(), mode_flag());
    if (!start || start == *page) {
        say("Top of profile reached");
        return;
    }
    *page = start;
    item_list_show(d, key, *page, mode_flag());
}

void next_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) page_next(cpkt->dialog, true);
}
void src_next_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) page_next(cpkt->dialog, false);
}
void prev_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) page_prev(cpkt->dialog, true);
}
void src_prev_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) page_prev(cpkt->dialog, false);
}

/* "select", "clear" and their source twins. */
void select_page(ads_hdlg d, bool target, bool on)
{
    if (!prf_edit_pending(d) || !need_project(d)) return;
    const char *key = target ? k_tgt_list : k_src_list;
    item_node *n = target ? s_edit.tgt_page : s_edit.src_page;
    for (int i = 0; n && i < PRF_EDIT_PAGE; i++, n = item_walk_next(n)) {
        if (on) n->flags |= (uint16_t)mode_flag();
        else n->flags &= ITEM_SYMBOL;
    }
    if (!on) {
        ads_set_tile(d, key, "");
        return;
    }
    std::string value;
    for (int i = 0; i < PRF_EDIT_PAGE; i++) value += std::to_string(i) + " ";
    ads_set_tile(d, key, value.c_str());
}

void select_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) select_page(cpkt->dialog, true, true);
}
void src_select_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) select_page(cpkt->dialog, false, true);
}
void clear_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) select_page(cpkt->dialog, true, false);
}
void src_clear_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) select_page(cpkt->dialog, false, false);
}

/* The item typed for insert or modify. */
struct typed_item {
    item_node *at;                          /* the selected node */
    char longname[ITEM_NAME_SIZE];          /* its long name */
    char shortname[ITEM_NAME_SIZE];         /* its short name */
    uint16_t number;                        /* its dictionary number */
    std::string dictionary;                 /* the dictionary's table name */
};

/* Reads the item typed and looks it up in the dictionary, adding a new
** row when it lacks it. false after the message. */
bool prf_edit_read_item(ads_hdlg d, typed_item &item)
{
    item.dictionary = dictionary_name(d);
    if (item.dictionary.empty()) return false;
    std::string lng = tile_text(d, k_longname), shrt = tile_text(d, k_shortname);
    if (str_nonblank(lng.c_str()) != RTNORM) {   /* nothing left once trimmed of controls too */
        say("No item name specified");
        return false;
    }
    item.at = one_selected(d, k_tgt_list, s_edit.tgt_page, "No item selected");
    if (!item.at) return false;
    item.at->flags &= ITEM_SYMBOL;
    char longname[DIX_LONGNAME_LEN + 1] = "", shortname[DIX_SHORTNAME_LEN + 1] = "";
    char definition[DIX_DEFINITION_SIZE] = "";
    uint16_t number = 0;
    if (dix_find_long(item.dictionary.c_str(), lng.c_str(), longname, shortname, &number, definition) > 0) {
        snprintf(item.longname, sizeof item.longname, "%s", longname);
        snprintf(item.shortname, sizeof item.shortname, "%s", shortname);
        item.number = number;
        return true;
    }
    snprintf(item.longname, sizeof item.longname, "%s", lng.c_str());
    if (dix_new_item(item.dictionary.c_str(), item.longname, shrt.c_str(), &item.number, item.shortname) != 0) {
        say("Cannot add item to dictionary");
        return false;
    }
    return true;
}

/* Adds an item to a source dictionary that lacks it. */
void add_to_source(ads_hdlg d, const typed_item &item)
{
    item_node *s = s_edit.source;
    if (!s || item_named(s->name) || !s->second_name || item_find(s, item.longname)) return;
    item_node *near = item_hash_nearest(s, item.longname);
    if (!near || near == s) item_add_child(s, item.longname, item.shortname, item.number, 0, nullptr);
    else item_add_sibling(near, item.longname, item.shortname, item.number, 0, nullptr);
    show_source(d);
}

/* The symbol setup of an item of the target. */
sym_rec *item_symbol(const char *longname)
{
    const item_node *t = s_edit.target;
    return sym_find_by_owner(s_edit.project->symbols, SYM_FIND_PROFILE, t->second_name, t->name, longname, 0);
}

/* Completes a pending move or copy at the selected line. */
void prf_edit_insert_pending(ads_hdlg d)
{
    item_node *at = one_selected(d, k_tgt_list, s_edit.tgt_page, "No insertion point selected");
    if (!at) return;
    at->flags |= ITEM_INSERT_AT;
    int place = prf_edit_placement(d);
    if (place == ITEM_PLACE_SIBLING && !at->parent) {
        say("Cannot insert sibling at top");
        return;
    }
    int rc = s_edit.mode == PRF_MODE_SRC_COPY
                 ? item_copy_selected(s_edit.source, at, place, ITEM_KIND_COPY)
                 : item_copy_selected(s_edit.target, at, place,
                                      s_edit.mode == PRF_MODE_MOVE ? ITEM_KIND_MOVE : ITEM_KIND_COPY);
    ads_set_tile(d, k_error, "");
    s_edit.mode = PRF_MODE_NORMAL;
    for (item_node *n = s_edit.target; n; n = item_walk_next(n)) n->flags &= ITEM_SYMBOL;
    if (rc != 0) {
        err_report(rc, "");
        return;
    }
    show_target(d);
    if (s_edit.source) show_source(d);
}

/* "insert": a new item, or the end of a pending move or copy. */
void insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (s_edit.mode != PRF_MODE_NORMAL) {
        if (prf_edit_need_loaded(d)) prf_edit_insert_pending(d);
        return;
    }
    if (!prf_edit_pending(d) || !prf_edit_need_loaded(d)) return;
    typed_item item = {};
    if (!prf_edit_read_item(d, item)) return;
    int place = prf_edit_placement(d);
    if (place == ITEM_PLACE_SIBLING && !item.at->parent) {
        say("Cannot insert sibling at top");
        return;
    }
    sym_rec *symbol = item_symbol(item.longname);
    item_node *added = place == ITEM_PLACE_SIBLING
                           ? item_add_sibling(item.at, item.longname, item.shortname, item.number, 0, symbol)
                           : item_add_child(item.at, item.longname, item.shortname, item.number, 0, symbol);
    if (!added) {
        err_report(k_no_memory, item.longname);
        return;
    }
    show_target(d);
    add_to_source(d, item);
}

/* "modify": the selected item takes the typed names. */
void modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (!prf_edit_pending(d) || !prf_edit_need_loaded(d)) return;
    typed_item item = {};
    if (!prf_edit_read_item(d, item)) return;
    if (!item.at->parent) {
        say("Cannot modify top");
        return;
    }
    int rc = item_update(item.at, item.longname, item.shortname, item.number, item_symbol(item.longname));
    if (rc != 0) err_report(rc, item.longname);
    show_target(d);
    add_to_source(d, item);
}

/* "delete": the selected lines go, children move up; nothing is asked. */
void delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (!prf_edit_pending(d) || !prf_edit_need_loaded(d)) return;
    mark_page(d, k_tgt_list, s_edit.tgt_page, ITEM_SELECTED);
    s_edit.target->flags &= (uint16_t)~ITEM_SELECTED;
    item_node *start = item_first_unflagged(s_edit.tgt_page);
    s_edit.tgt_page = start ? start : s_edit.target;
    item_delete_flagged(s_edit.target);
    show_target(d);
}

/* "move", "copy", "src_copy": start (or, pressed again, cancel) the
** operation. */
void start_op(ads_hdlg d, int mode)
{
    if (s_edit.mode != PRF_MODE_NORMAL) {
        prf_edit_pending(d);
        if (s_edit.mode == PRF_MODE_NORMAL) show_target(d);
        return;
    }
    if (!need_project(d)) return;
    if (mode == PRF_MODE_SRC_COPY) {
        item_node *s = s_edit.source;
        if (!s || !item_named(s->second_name)) {
            say("No dictionary loaded");
            return;
        }
        if (!tile_text(d, k_src_name).empty() && !both_names(s)) {
            say("No source profile loaded");
            return;
        }
        if (!both_names(s_edit.target)) {
            say("No target profile loaded");
            return;
        }
    } else if (!prf_edit_need_loaded(d)) {
        return;
    }
    ads_set_tile(d, k_error, mode == PRF_MODE_MOVE ? "Click on INSERT to insert, or MOVE to cancel."
                                                   : "Click on INSERT to insert, or COPY to cancel.");
    if (mode == PRF_MODE_SRC_COPY) mark_page(d, k_src_list, s_edit.src_page, ITEM_SELECTED);
    else mark_page(d, k_tgt_list, s_edit.tgt_page, ITEM_SELECTED);
    s_edit.mode = mode;
    show_target(d);
}

void move_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) start_op(cpkt->dialog, PRF_MODE_MOVE);
}
void copy_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) start_op(cpkt->dialog, PRF_MODE_COPY);
}
void src_copy_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) start_op(cpkt->dialog, PRF_MODE_SRC_COPY);
}

/* "symbol": the symbol setup of the selected item. */
void symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    if (!prf_edit_pending(d) || !prf_edit_need_loaded(d)) return;
    item_node *n = one_selected(d, k_tgt_list, s_edit.tgt_page, "No items selected");
    if (!n) return;
    n->flags &= ITEM_SYMBOL;
    pv_symsetup_dialog(s_edit.project, nullptr, n);
    ads_set_tile(d, k_tgt_list, "");
}

/* "tgt_dix", "src_dix": the dictionary row of the selected item. */
void dix_row(ads_hdlg d, bool target)
{
    if (!prf_edit_pending(d) || !need_project(d)) return;
    item_node *root = target ? s_edit.target : s_edit.source;
    if (!root || (!root->name && !root->second_name)) {
        say(target ? "No target profile loaded" : "No dictionary loaded");
        return;
    }
    std::string dictionary = dictionary_name(d, k_dix_name);
    if (dictionary.empty()) return;
    const char *list = target ? k_tgt_list : k_src_list;
    item_node *n = one_selected(d, list, target ? s_edit.tgt_page : s_edit.src_page, "No item selected");
    if (!n) return;
    if (!n->name || !n->parent) {
        say("Cannot perform this operation");
        return;
    }
    std::string name = n->name;
    char shortname[ROW_SHORTNAME_SIZE] = "";
    if (dix_edit_item(dictionary.c_str(), name.c_str(), shortname) != 0) return;
    for (item_node *w = root; w; w = item_walk_next(w))
        if (w->parent && w->name && item_name_eq(w->name, name.c_str())) item_set_short(w, shortname);
    if (root->name && root->second_name) {
        col_attr_rec *r = col_attr_find_profile(s_edit.project->col_attrs, root->name, root->second_name);
        if (r && r->tree && r->tree != root)
            for (item_node *w = r->tree; w; w = item_walk_next(w))
                if (w->parent && w->name && item_name_eq(w->name, name.c_str())) item_set_short(w, shortname);
    }
    ads_set_tile(d, list, "");
    item_list_show(d, list, target ? s_edit.tgt_page : s_edit.src_page, mode_flag());
}

void tgt_dix_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) dix_row(cpkt->dialog, true);
}
void src_dix_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) dix_row(cpkt->dialog, false);
}

const dlg_tile k_tiles[] = {
    {"prf_project", prj_cb},   {"accept", accept_cb},     {"cancel", cancel_cb},       {"tgt_file", file_cb},
    {"src_file", file_cb},     {"dix_file", file_cb},     {"tgt_load", tgt_load_cb},   {"src_load", src_load_cb},
    {"dix_load", dix_load_cb}, {"tgt_save", save_cb},     {"next", next_cb},           {"src_next", src_next_cb},
    {"prev", prev_cb},         {"src_prev", src_prev_cb}, {"select", select_cb},       {"src_select", src_select_cb},
    {"clear", clear_cb},       {"src_clear", src_clear_cb}, {"insert", insert_cb},     {"modify", modify_cb},
    {"delete", delete_cb},     {"move", move_cb},         {"copy", copy_cb},           {"src_copy", src_copy_cb},
    {"symbol", symbol_cb},     {"tgt_dix", tgt_dix_cb},   {"src_dix", src_dix_cb},
};

/* Loads the target or the source profile. */
void prf_edit_load(ads_hdlg d, bool target)
{
    if (target) {
        if (target_has_items()) prf_edit_save(d);
        drop_target();
        s_edit.target = s_edit.tgt_page = fresh_root();
        if (!s_edit.target) return;
        ads_start_list(d, k_tgt_list, LIST_NEW, 0);
        ads_end_list();
    } else {
        drop_source();
        s_edit.source = s_edit.src_page = fresh_root();
        if (!s_edit.source) return;
        ads_start_list(d, k_src_list, LIST_NEW, 0);
        ads_end_list();
    }
    if (!need_project(d)) return;
    std::string dix_text = tile_text(d, k_dix_name), prf_text = tile_text(d, target ? k_tgt_name : k_src_name);
    if (dix_text.empty()) {
        say("No dictionary specified, LOAD aborted");
        return;
    }
    if (prf_text.empty()) {
        say("No profile specified, LOAD aborted");
        return;
    }
    if (dix_check_folder(dix_text) != 0 || dix_check_name(dix_text.c_str()) != 0 ||
        dix_check_name(prf_text.c_str()) != 0)
        return;
    char dix_table[DIX_NAME_SIZE] = "", prf_table[DIX_NAME_SIZE] = "";
    if (prf_name_from_path(dix_table, dix_text.c_str()) != 0 || prf_name_from_path(prf_table, prf_text.c_str()) != 0)
        return;
    char message[k_text_size];
    snprintf(message, sizeof message, "Load %s as: ", prf_text.c_str());
    int opt = prf_opts_dialog("pv_prf_opts", message);
    if (opt != PRF_OPT_TABLE && opt != PRF_OPT_TEXT) return;
    ads_set_tile(d, k_error, "Loading...");
    item_node *root = target ? s_edit.target : s_edit.source;
    int rc = prf_edit_open_dictionary(dix_table);
    const char *table = dix_table;   /* the table a failure is of */
    if (rc >= 0 && opt == PRF_OPT_TABLE) {
        table = prf_table;
        rc = prf_edit_open_profile(prf_table, dix_table);
        if (rc >= 0) rc = item_load_profile(prf_table, dix_table, root);
    } else if (rc >= 0) {
        rc = item_read_text(prf_text.c_str(), dix_table, root);
    }
    if (rc < 0) {
        ads_set_tile(d, k_error, "");
        dix_report_failure(rc, prf_text.c_str(), table);
        prf_edit_show_names(d);
        return;
    }
    sym_bind_items(s_edit.project, root);
    if (target) show_target(d);
    else show_source(d);
    ads_set_tile(d, k_error, " ");
}

/* "accept" and "cancel" of the options dialog. */
void opts_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "file_opts", value, TILE_BUF_SIZE);
    int status = strcmp(value, "prf_opt") == 0 ? PRF_OPT_TABLE : strcmp(value, "txt_opt") == 0 ? PRF_OPT_TEXT : 0;
    ads_done_dialog(cpkt->dialog, status);
}

void opts_cancel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_done_dialog(cpkt->dialog, 0);
}

/* The reset prf_edit_set_project runs while the editor is open. */
void reset_for_project(void *dialog) { prf_edit_reset((ads_hdlg)dialog, 1); }

const dlg_tile k_opts_tiles[] = {{"accept", opts_accept_cb}, {"cancel", opts_cancel_cb}};

}  // namespace

/* ---- Public ---- */

prf_edit_state *prf_edit_state_get(void) { return &s_edit; }

/* The list of a page; see the header. */
int item_list_show(ads_hdlg dialog, const char *key, item_node *start, int flag)
{
    if (!dialog || !key) return -2;
    std::string value;
    ads_start_list(dialog, key, LIST_NEW, 0);
    int line = 0;
    for (item_node *n = start; n && line < PRF_EDIT_PAGE; n = item_walk_next(n)) {
        const bool named = item_named(n->name);
        const bool second = item_named(n->second_name);
        if (!named && !second) continue;
        std::string text;
        if (!n->parent && named && second) text = std::string(n->name) + " : " + n->second_name;
        else text = std::string(2u * n->depth, ' ') + (named ? n->name : n->second_name);
        if (text.size() > PRF_EDIT_LINE_MAX) text.resize(PRF_EDIT_LINE_MAX);
        ads_add_list(text.c_str());
        if (n->flags & flag) value += std::to_string(line) + " ";
        line++;
    }
    ads_end_list();
    ads_set_tile(dialog, key, value.c_str());
    return 0;
}

/* The reset; see the header. */
int prf_edit_reset(ads_hdlg dialog, int full)
{
    s_edit.project = nullptr;
    if (full) {
        prf_tables()->dix = prf_side{};
    }
    dix_close();
    prf_close();
    if (prf_tables()->dix_columns) sql_col_list_free(&prf_tables()->dix_columns);
    drop_target();
    drop_source();
    s_edit.mode = PRF_MODE_NORMAL;
    s_edit.shared = 0;
    if (dialog) {
        for (const char *k : {k_project, k_tgt_name, k_src_name, k_dix_name}) ads_set_tile(dialog, k, "");
        for (const char *k : {k_tgt_list, k_src_list}) {
            ads_start_list(dialog, k, LIST_NEW, 0);
            ads_end_list();
        }
        ads_mode_tile(dialog, k_project, MODE_SETFOCUS);
    }
    return 0;
}

/* The options dialog; see the header. */
int prf_opts_dialog(const char *dialog, const char *message)
{
    ads_hdlg d = nullptr;
    if (ads_new_dialog(dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) return err_report(k_no_dialog, dialog);
    dlg_register(d, k_opts_tiles, 2, nullptr);
    ads_set_tile(d, "msg_opt", message ? message : "");
    int status = 0;
    ads_start_dialog(d, &status);
    return status == 0 ? -1 : status;
}

/* The editor; see the header. */
int pv_edit_profile_dialog(void)
{
    prf_edit_reset(nullptr, 1);
    prf_tables()->reset_editor = reset_for_project;
    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        prf_tables()->reset_editor = nullptr;
        err_report(k_no_dialog, k_dialog);
        return RTERROR;
    }
    ads_start_list(d, k_project, LIST_NEW, 0);
    for (pjct_rec *p = g_pjct_list; p; p = p->next) ads_add_list(p->name);
    ads_add_list("");
    ads_end_list();
    ads_set_tile(d, k_project, "");
    dlg_register(d, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    ads_mode_tile(d, "src_dum1", MODE_DISABLE);
    ads_mode_tile(d, "src_dum2", MODE_DISABLE);
    ads_mode_tile(d, k_dix_name, MODE_SETFOCUS);
    if (g_pjct_list) {
        prf_edit_set_project(d, g_pjct_list);
        s_edit.project = g_pjct_list;
        ads_set_tile(d, k_project, "0");
    }
    int status = 0;
    ads_start_dialog(d, &status);
    prf_tables()->reset_editor = nullptr;
    prf_edit_reset(nullptr, 1);
    return status == k_done_accept ? RTNORM : RTERROR;
}
