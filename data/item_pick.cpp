/*
** item_pick.cpp: the item pickers pv_select_profile and pv_sel_tree, the
** placement tiles shared with the profile editor, and a new dictionary row
** completed in the row editor.
*/
#include "data/item_pick.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

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
#include "data/row_edit.h"
#include "data/sym_pick.h"
#include "data/sym_setup_dialog.h"

namespace {

/* Code of a record that cannot be made for want of memory. */
constexpr int k_no_memory = -9101;
/* Code of a dialog that cannot be opened. */
constexpr int k_no_dialog = -9501;
/* Dialog status of accept. */
constexpr int k_done_accept = 1;
/* Room of a list line. */
constexpr size_t k_line_size = 80;

const char *const k_list = "sel_prf";
const char *const k_edit = "sel_edit";
const char *const k_level = "sel_level";

pick_state s_pick;   /* the picker's state in force */

/* The name a node shows: its long name, else its short name; null for
** neither. */
const char *node_label(const item_node *n)
{
    if (item_named(n->name)) return n->name;
    if (item_named(n->second_name)) return n->second_name;
    return nullptr;
}

/* 1 when a node is listed down to the level. */
bool listed(const item_node *n, int level)
{
    return node_label(n) && (level < 1 || n->depth <= level);
}

/* A node's line: two blanks per level and its name; the root with both
** names "%s : %s". */
std::string line_of(const item_node *n)
{
    if (!n->parent && item_named(n->name) && item_named(n->second_name)) {
        char text[k_line_size];
        snprintf(text, sizeof text, "%s : %s", n->name, n->second_name);
        return text;
    }
    return std::string(2u * n->depth, ' ') + node_label(n);
}

/* The long name a pick gives. */
const char *long_name(const item_node *n)
{
    const char *label = node_label(n);
    return label ? label : "";
}

/* Alert under the error title. */
void say(const char *text) { msg_alert(ERR_TITLE, "%s", text); }

/* The one selected line of the list: -1 after saying none_text or "More
** than one item selected". */
int one_line(ads_hdlg d, const char *key, const char *none_text)
{
    int *sel = nullptr, count = 0;
    if (tile_get_int_list(d, key, &sel, &count) != RTNORM || count == 0) {
        free(sel);
        say(none_text);
        return -1;
    }
    int line = sel[0];
    free(sel);
    if (count > 1) {
        say("More than one item selected");
        return -1;
    }
    return line;
}

/* The node of the one selected line; null after the message. */
item_node *one_node(ads_hdlg d, const char *none_text)
{
    int line = one_line(d, k_list, none_text);
    if (line < 0) return nullptr;
    item_node *n = pick_prf_node_at(s_pick.root, s_pick.level, line);
    if (!n) say("Internal error");
    return n;
}

/* Fills the list: the level, the lines, the value and sel_edit cleared and
** the remembered selection dropped. */
void pick_prf_show(ads_hdlg d)
{
    if (s_pick.level < 0) ads_set_tile(d, k_level, "");
    else {
        char text[k_line_size];
        snprintf(text, sizeof text, "%d", s_pick.level);
        ads_set_tile(d, k_level, text);
    }
    std::vector<std::string> lines = pick_prf_lines(s_pick.root, s_pick.level);
    std::vector<const char *> texts;
    for (const auto &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(d, k_list, texts.data(), (int)texts.size());
    ads_set_tile(d, k_list, "");
    ads_set_tile(d, k_edit, "");
    s_pick.picked.clear();
}

/* "sel_prf": the selected lines become the selection, kept in pick order. */
void pick_select(ads_hdlg d)
{
    int *sel = nullptr, count = 0;
    if (tile_get_int_list(d, k_list, &sel, &count) != RTNORM || count == 0) {
        free(sel);
        s_pick.picked.clear();
        ads_set_tile(d, k_edit, "");
        return;
    }
    std::vector<item_node *> nodes;
    for (int i = 0; i < count; i++) {
        item_node *n = pick_prf_node_at(s_pick.root, s_pick.level, sel[i]);
        if (n && n->parent) nodes.push_back(n);
    }
    free(sel);
    /* Remembered picks still selected go to the front in their order. */
    size_t front = 0;
    for (item_node *r : s_pick.picked)
        for (size_t i = front; i < nodes.size(); i++)
            if (nodes[i] == r) {
                std::swap(nodes[i], nodes[front++]);
                break;
            }
    if (!s_pick.many && nodes.size() >= 2) {
        std::swap(nodes.front(), nodes.back());
        nodes.resize(1);
        dlg_set_index(d, k_list, pick_prf_line_of(s_pick.root, s_pick.level, nodes.front()));
    }
    s_pick.picked = nodes;
    std::string text = pick_join_names(nodes, s_pick.size, s_pick.many, s_pick.delimiter);
    ads_set_tile(d, k_edit, text.c_str());
    ads_mode_tile(d, k_edit, MODE_SETFOCUS);
}

void pick_sel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) pick_select(cpkt->dialog);
}

/* "apply": a level of 0 or more is taken and the list refilled. */
void pick_apply_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int level = tile_get_int(cpkt->dialog, k_level);
    if (level < 0) return;
    s_pick.level = level;
    pick_prf_show(cpkt->dialog);
}

/* "accept": the picks into the caller's buffer. */
void pick_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    if (!s_pick.picked.empty()) {
        std::string text = pick_join_names(s_pick.picked, s_pick.size, s_pick.many, s_pick.delimiter);
        memcpy(s_pick.buffer, text.c_str(), text.size() + 1);
    }
    ads_done_dialog(cpkt->dialog, k_done_accept);
}

void pick_cancel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_done_dialog(cpkt->dialog, 0);
}

/* Gives every node of the tree named name exactly the short name. */
void set_short_everywhere(item_node *root, const char *name, const char *shortname)
{
    for (item_node *n = root; n; n = item_walk_next(n))
        if (n->parent && n->name && item_name_eq(n->name, name)) item_set_short(n, shortname);
}

/* "tgt_dix": the dictionary row of the one selected item. */
void pick_dix_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    item_node *n = one_node(cpkt->dialog, "No item selected");
    if (!n || !n->name) return;
    std::string name = n->name;
    char shortname[ROW_SHORTNAME_SIZE] = "";
    prf_sides_saved saved;
    prf_sides_point(s_pick.project, &saved);
    int rc = dix_edit_item(s_pick.root->second_name ? s_pick.root->second_name : "", name.c_str(), shortname);
    prf_sides_restore(&saved);
    if (rc == 0) set_short_everywhere(s_pick.root, name.c_str(), shortname);
}

/* "symbol": the symbol setup of the one selected item. */
void pick_symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s_pick.project) return;
    item_node *n = one_node(cpkt->dialog, "No item selected");
    if (n) pv_symsetup_dialog(s_pick.project, nullptr, n);
}

/* Marks the tree changed through the picker. */
void mark_changed(void)
{
    s_pick.root->flags |= ITEM_CHANGED;
    s_pick.project->flags |= PJCT_CHG_PROFILES;
}

/* Refills the list, selects a line and takes it as the selection. */
void reselect(ads_hdlg d, int line)
{
    pick_prf_show(d);
    if (line >= 0) dlg_set_index(d, k_list, line);
    pick_select(d);
}

/* "insert": the text of sel_edit as an item next to the selected one. */
void pick_insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s_pick.root || !s_pick.project) return;
    ads_hdlg d = cpkt->dialog;
    char text[TILE_BUF_SIZE] = "";
    ads_get_tile(d, k_edit, text, TILE_BUF_SIZE);
    str_trim(text);
    if (str_nonblank(text) != RTNORM) return;
    text[ITEM_NAME_MAX] = 0;
    item_node *at = one_node(d, "No items selected");
    if (!at) return;
    int place = prf_edit_placement(d);
    if (place == ITEM_PLACE_SIBLING && !at->parent) {
        say("Cannot insert sibling at top");
        return;
    }
    const char *dictionary = s_pick.root->second_name ? s_pick.root->second_name : "";
    char longname[DIX_LONGNAME_LEN + 1] = "", shortname[ITEM_NAME_SIZE] = "";
    char definition[DIX_DEFINITION_SIZE] = "";
    uint16_t number = 0;
    prf_sides_saved saved;
    prf_sides_point(s_pick.project, &saved);
    int found = dix_find_long(dictionary, text, longname, shortname, &number, definition);
    /* A dictionary that cannot be read gets no new item: it is said. */
    const bool unread = found < -2 && !sql_no_table(found);
    int rc = unread ? found : 0;
    if (found <= 0 && !unread) {
        snprintf(longname, sizeof longname, "%s", text);
        rc = dix_new_item(dictionary, text, "", &number, shortname);
    }
    prf_sides_restore(&saved);
    if (unread) {
        dix_report_failure(found, dictionary, dictionary);
        return;
    }
    if (rc != 0) {
        say("Cannot add item to dictionary");
        return;
    }
    sym_rec *symbol = sym_find_by_owner(s_pick.project->symbols, SYM_FIND_PROFILE, dictionary,
                                        s_pick.root->name, longname, 0);
    item_node *added = place == ITEM_PLACE_SIBLING ? item_add_sibling(at, longname, shortname, number, 0, symbol)
                                                   : item_add_child(at, longname, shortname, number, 0, symbol);
    if (!added) {
        err_report(k_no_memory, longname);
        return;
    }
    reselect(d, pick_prf_line_of(s_pick.root, s_pick.level, added));
    mark_changed();
}

/* "delete": the one selected item goes, its children move up. */
void pick_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s_pick.root || !s_pick.project) return;
    ads_hdlg d = cpkt->dialog;
    int line = one_line(d, k_list, "No items selected");
    if (line < 0) return;
    item_node *n = pick_prf_node_at(s_pick.root, s_pick.level, line);
    if (!n) {
        say("Internal error");
        return;
    }
    if (!n->parent) {
        say("Cannot delete top item");
        return;
    }
    for (item_node *w = s_pick.root; w; w = item_walk_next(w)) w->flags &= ~ITEM_SELECTED;
    n->flags |= ITEM_SELECTED;
    item_delete_flagged(s_pick.root);
    reselect(d, line);
    mark_changed();
}

const dlg_tile k_pick_tiles[] = {
    {"sel_prf", pick_sel_cb}, {"apply", pick_apply_cb},   {"accept", pick_accept_cb}, {"cancel", pick_cancel_cb},
    {"tgt_dix", pick_dix_cb}, {"symbol", pick_symbol_cb}, {"insert", pick_insert_cb}, {"delete", pick_delete_cb},
};

/* ---- pv_sel_tree ---- */

/* The state of pv_sel_tree. */
struct tree_state {
    char *buffer;          /* caller's result buffer */
    size_t size;           /* its size */
    item_node *current;    /* the node whose children are listed */
    pjct_rec *project;     /* project owning the rule; not owned */
    sym_pick_page previews;  /* paging of the symbols of current and its children */
};
tree_state s_tree;

const char *const k_tree_list = "symbol_tree";

/* The k-th child (1 = the first) of a node; null when none. */
item_node *nth_child(item_node *n, int k)
{
    item_node *c = n->child;
    for (int i = 1; c && i < k; i++) c = c->next;
    return k >= 1 ? c : nullptr;
}

/* Lists the current node and its children, selecting the line of from. */
void sel_tree_show(ads_hdlg d, const item_node *from)
{
    std::vector<std::string> lines;
    const item_node *cur = s_tree.current;
    const char *label = node_label(cur);
    lines.push_back(!label ? std::string() : cur->parent ? std::string(label) : line_of(cur));
    int selected = 0, k = 1;
    for (item_node *c = cur->child; c; c = c->next, k++) {
        const char *l = node_label(c);
        lines.push_back(std::string("  ") + (l ? l : ""));
        if (c == from) selected = k;
    }
    std::vector<const char *> texts;
    for (const auto &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(d, k_tree_list, texts.data(), (int)texts.size());
    dlg_set_index(d, k_tree_list, selected);
}

/* Draws the previews of the current node and its children from the
** page starting at node (the first page for the current node). */
void sel_tree_previews(ads_hdlg d, item_node *node)
{
    s_tree.previews.tiles = PICK_TREE_PAGE;
    s_tree.previews.scope = s_tree.current;
    sym_pick_fill_tiles(d, &s_tree.previews, node, SYM_PICK_FROM);
}

/* What a node's picture is drawn from, to tell whether the symbol setup
** dialog changed it. */
struct tree_symbol_seen {
    bool flagged;          /* the node had a symbol record */
    std::string library;   /* its library */
    std::string symbol;    /* its symbol */
};
/* What a node's picture is drawn from now; not flagged and blank texts
** when it has no symbol record. */
tree_symbol_seen symbol_seen(const item_node *n)
{
    const sym_rec *s = (n->flags & ITEM_SYMBOL) ? n->symbol : nullptr;
    return {s != nullptr, s && s->library ? s->library : "", s && s->symbol ? s->symbol : ""};
}

/* "symbol_tree": line 0 climbs, line k descends to the k-th child. */
void tree_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int line = tile_get_int(cpkt->dialog, k_tree_list);
    if (line < 0) return;
    item_node *from = s_tree.current;
    if (line == 0) {
        if (!from->parent) return;
        s_tree.current = from->parent;
    } else {
        item_node *c = nth_child(from, line);
        if (!c) return;
        s_tree.current = c;
    }
    sel_tree_show(cpkt->dialog, from);
    sel_tree_previews(cpkt->dialog, s_tree.current);
}

/* "accept": the long name of the line's node into the buffer. */
void tree_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int line = tile_get_int(cpkt->dialog, k_tree_list);
    const item_node *n = nullptr;
    if (line == 0 && s_tree.current->parent) n = s_tree.current;
    else if (line > 0) n = nth_child(s_tree.current, line);
    if (!n) {
        ads_done_dialog(cpkt->dialog, 0);
        return;
    }
    snprintf(s_tree.buffer, s_tree.size, "%s", long_name(n));
    ads_done_dialog(cpkt->dialog, k_done_accept);
}

void tree_cancel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_done_dialog(cpkt->dialog, 0);
}

/* "symbol": the symbol setup of the line's node (line 0 the current node). */
void tree_symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !s_tree.project) return;
    int line = tile_get_int(cpkt->dialog, k_tree_list);
    item_node *n = line == 0 ? s_tree.current : line > 0 ? nth_child(s_tree.current, line) : nullptr;
    if (!n) return;
    tree_symbol_seen before = symbol_seen(n);
    pv_symsetup_dialog(s_tree.project, nullptr, n);
    tree_symbol_seen after = symbol_seen(n);
    if (before.flagged != after.flagged || before.library != after.library || before.symbol != after.symbol)
        sel_tree_previews(cpkt->dialog, s_tree.previews.first ? s_tree.previews.first : s_tree.current);
}

/* "next": the page of previews after the one shown. */
void tree_next_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) sym_pick_fill_tiles(cpkt->dialog, &s_tree.previews, nullptr, SYM_PICK_NEXT);
}

/* "prev": the page of previews before the one shown. */
void tree_prev_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) sym_pick_fill_tiles(cpkt->dialog, &s_tree.previews, nullptr, SYM_PICK_PREV);
}

const dlg_tile k_tree_tiles[] = {
    {"symbol_tree", tree_list_cb}, {"accept", tree_accept_cb}, {"cancel", tree_cancel_cb},
    {"symbol", tree_symbol_cb},    {"next", tree_next_cb},     {"prev", tree_prev_cb},
};

}  // namespace

/* ---- The list of a tree ---- */

/* The node of a list line; see the header. */
item_node *pick_prf_node_at(item_node *root, int level, int line)
{
    if (!root || line < 0) return nullptr;
    int i = 0;
    for (item_node *n = root; n; n = item_walk_next(n))
        if (listed(n, level) && i++ == line) return n;
    return nullptr;
}

/* The list line of a node; see the header. */
int pick_prf_line_of(item_node *root, int level, const item_node *node)
{
    if (!root || !node) return -1;
    int i = 0;
    for (item_node *n = root; n; n = item_walk_next(n)) {
        if (!listed(n, level)) continue;
        if (n == node) return i;
        i++;
    }
    return -1;
}

/* The list lines; see the header. */
std::vector<std::string> pick_prf_lines(item_node *root, int level)
{
    std::vector<std::string> lines;
    for (item_node *n = root; n; n = item_walk_next(n))
        if (listed(n, level)) lines.push_back(line_of(n));
    return lines;
}

/* The joined names; see the header. */
std::string pick_join_names(const std::vector<item_node *> &nodes, size_t size, int many, char delimiter)
{
    std::string out;
    for (const item_node *n : nodes) {
        std::string piece;
        if (many && !out.empty()) piece += delimiter;
        piece += long_name(n);
        if (out.size() + piece.size() < size) out += piece;
    }
    return out;
}

/* The placement tiles; see the header. */
int prf_edit_placement(ads_hdlg dialog)
{
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(dialog, "sibling", value, TILE_BUF_SIZE);
    if (strcmp(value, "1") == 0) return ITEM_PLACE_SIBLING;
    ads_set_tile(dialog, "child", "1");
    return ITEM_PLACE_CHILD;
}

/* ---- Sides and new dictionary rows ---- */

/* A new dictionary row completed in the row editor; see the header. */
int dix_new_item(const char *dictionary, const char *longname, const char *shortname_in, uint16_t *number,
                 char *shortname)
{
    if (!dictionary || !longname || !number || !shortname) return -2;
    void *conn = prf_tables()->dix.connection;
    if (!conn) return -1;
    sql_col_rec *row = nullptr;
    if (sql_describe_table(conn, dictionary, &row, 0) <= 0 || !row) {
        sql_col_list_free(&row);
        return -1;
    }
    dix_lock_keys(row);
    uint16_t next = dix_next_number(dictionary);
    if (next == 0) {
        sql_col_list_free(&row);
        return -1;
    }
    char digits[DIX_NUMBER_DIGITS + 4];
    snprintf(digits, sizeof digits, "%u", (unsigned)next);
    for (sql_col_rec *c = row; c; c = c->next) {
        const char *text = "";
        if (strcasecmp(c->name, DIX_COL_NUMBER) == 0) text = digits;
        else if (strcasecmp(c->name, DIX_COL_LONGNAME) == 0) text = longname;
        else if (strcasecmp(c->name, DIX_COL_SHORTNAME) == 0) text = shortname_in ? shortname_in : "";
        int room = sql_col_text_size(c);
        if (c->text && room > 0) snprintf(c->text, (size_t)room, "%s", text);
    }
    int rc = sql_row_from_text(row);
    if (rc == RTNORM) rc = row_enter_new(conn, &row, dictionary, 0);
    int result = -1;
    if (rc == RTNORM) {
        sql_col_rec *s = sql_col_find(row, DIX_COL_SHORTNAME, nullptr, nullptr);
        std::string text = s && s->text ? s->text : "";
        str_trim(text.data());
        snprintf(shortname, ITEM_NAME_SIZE, "%s", text.c_str());
        *number = next;
        result = 0;
    }
    sql_col_list_free(&row);
    return result;
}

/* ---- The dialogs ---- */

pick_state pick_state_save(void) { return s_pick; }

void pick_state_restore(const pick_state &saved) { s_pick = saved; }

/* pv_select_profile; see the header. */
int pv_select_profile_dialog(item_node *root, char *buffer, size_t size, int many, int delimiter,
                             pjct_rec *project, int *level)
{
    if (!root || !buffer || size == 0 || !project) return -1;
    pick_state saved = pick_state_save();
    s_pick = pick_state();
    s_pick.root = root;
    s_pick.buffer = buffer;
    s_pick.size = size;
    s_pick.many = many ? 1 : 0;
    s_pick.delimiter = (delimiter < ' ' || delimiter == 127) ? ' ' : (char)delimiter;
    s_pick.project = project;
    s_pick.level = level && *level >= 0 ? *level : 0;
    ads_hdlg d = nullptr;
    if (ads_new_dialog("pv_select_profile", g_dcl_id, nullptr, &d) != RTNORM || !d) {
        pick_state_restore(saved);
        return err_report(k_no_dialog, "pv_select_profile");
    }
    dlg_register(d, k_pick_tiles, (int)(sizeof k_pick_tiles / sizeof k_pick_tiles[0]), nullptr);
    pick_prf_show(d);
    int status = 0;
    ads_start_dialog(d, &status);
    if (level) *level = s_pick.level;
    if (root->flags & ITEM_CHANGED) sym_bind_items(project, root);
    pick_state_restore(saved);
    return RTNORM;
}

/* pv_sel_tree; see the header. */
int pv_sel_tree_dialog(col_attr_rec *rule, char *buffer, size_t size)
{
    if (!rule || !rule->tree || !buffer || size == 0 || str_nonblank(rule->profile) != RTNORM ||
        str_nonblank(rule->dictionary) != RTNORM)
        return -2;
    tree_state saved = s_tree;
    s_tree = {buffer, size, rule->tree, pjct_of_col_attr(rule), {PICK_TREE_PAGE, rule->tree, nullptr, nullptr}};
    ads_hdlg d = nullptr;
    if (ads_new_dialog("pv_sel_tree", g_dcl_id, nullptr, &d) != RTNORM || !d) {
        s_tree = saved;
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", "pv_sel_tree");
        return -1;
    }
    dlg_register(d, k_tree_tiles, (int)(sizeof k_tree_tiles / sizeof k_tree_tiles[0]), nullptr);
    ads_mode_tile(d, "prev", MODE_DISABLE);
    sel_tree_show(d, s_tree.current);
    sel_tree_previews(d, s_tree.current);
    int status = 0;
    ads_start_dialog(d, &status);
    s_tree = saved;
    return RTNORM;
}
