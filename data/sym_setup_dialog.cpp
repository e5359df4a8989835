/*
** sym_setup_dialog.cpp: the dialog pv_symsetup, its pickers, and putting
** an accepted setup in place in the project's list.
**
** The pickers: the list picker pv_sympick (pv_sympick2 for a profile item)
** for the font, the position column, the library and the layer; the
** association picker pv_asspick (pv_asspick2) with one button per field;
** the colour dialog pv_symcolor; and the shape and pattern pickers. Each
** writes its choice into the field's tile; nothing is taken until accept
** reads and checks the tiles.
*/
#include "data/sym_setup_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "core/tile_util.h"
#include "data/sym_pick.h"
#include "draw/draw_util.h"
#include "platform/include/ads_host.h"

namespace {

/* Dialogs. */
constexpr const char *SYMSET_DIALOG = "pv_symsetup";
constexpr const char *PICK_COLUMN_DIALOG = "pv_sympick";
constexpr const char *PICK_ITEM_DIALOG = "pv_sympick2";
constexpr const char *ASSOC_COLUMN_DIALOG = "pv_asspick";
constexpr const char *ASSOC_ITEM_DIALOG = "pv_asspick2";
constexpr const char *COLOUR_DIALOG = "pv_symcolor";
constexpr const char *CANNOT_LOAD = "Cannot load dialog box: %s.";
constexpr const char *BAD_LIBRARY = "ERROR:  Invalid symbol library specified";
/* Slide library of the pattern pictures. */
constexpr const char *PATTERN_SLIDES = "ACAD";
/* Group codes of a style's entry: its flags and its font file. */
constexpr int STYLE_FLAGS_CODE = 70;
constexpr int STYLE_FONT_CODE = 3;
/* Style flag of a shape file (a symbol library, not a text font). */
constexpr int STYLE_SHAPE_FILE = 1;
/* Group code of a layer's name. */
constexpr int LAYER_NAME_CODE = 2;
/* Blanks an item is indented by per level below the first. */
constexpr int ITEM_INDENT = 2;
/* The standard colours the colour dialog lists (BYLAYER, 256, is no
** colour a setup takes). */
constexpr const char *k_colours[] = {"0 BYBLOCK", "1 Red", "2 Yellow", "3 Green",
                                     "4 Cyan",    "5 Blue", "6 Magenta", "7 White"};
/* Corner of the colour swatch: it is filled whole. */
constexpr int SWATCH_ORIGIN = 0;

/* ---- The list picker ---- */

/* What a list picker answers. */
struct list_pick {
    int chosen = -1;   /* the selected index, -1 for none */
};

/* "accept" (or a double click on the list): the selection is the answer. */
void list_accept(ads_callback_packet *cpkt)
{
    if (cpkt->reason != CBR_SELECT && cpkt->reason != CBR_DOUBLE_CLICK) return;
    list_pick *lp = (list_pick *)cpkt->client_data;
    lp->chosen = tile_get_int(cpkt->dialog, "sym_list");
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* A click on the list: only a double click ends the picker. */
void list_click(ads_callback_packet *cpkt)
{
    if (cpkt->reason == CBR_DOUBLE_CLICK) list_accept(cpkt);
}

void list_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

const dlg_tile k_list_tiles[] = {{"accept", list_accept}, {"cancel", list_cancel}, {"sym_list", list_click}};

/* ---- Entries of the pickers ---- */

/* The font files (without directory and extension) of the drawing's text
** styles, each once. */
std::vector<std::string> font_entries(void)
{
    std::vector<std::string> out;
    for (struct resbuf *st = ads_tblnext("STYLE", 1); st; st = ads_tblnext("STYLE", 0)) {
        struct resbuf *flags = rb_find(st, STYLE_FLAGS_CODE), *file = rb_find(st, STYLE_FONT_CODE);
        if (file && file->resval.rstring && !(flags && (flags->resval.rint & STYLE_SHAPE_FILE))) {
            std::string stem = file->resval.rstring;
            str_basename(stem.data());
            stem.resize(strlen(stem.c_str()));
            bool seen = stem.empty();
            for (const auto &s : out) seen = seen || str_eq_nocase(s.c_str(), stem.c_str());
            if (!seen) out.push_back(stem);
        }
        ads_relrb(st);
    }
    return out;
}

/* The drawing's layers. */
std::vector<std::string> layer_entries(void)
{
    std::vector<std::string> out;
    for (struct resbuf *st = ads_tblnext("LAYER", 1); st; st = ads_tblnext("LAYER", 0)) {
        struct resbuf *name = rb_find(st, LAYER_NAME_CODE);
        if (name && name->resval.rstring) out.push_back(name->resval.rstring);
        ads_relrb(st);
    }
    return out;
}

/* The loaded libraries in slot order. */
std::vector<std::string> library_entries(void)
{
    std::vector<std::string> out;
    for (int slot = 0; slot < SYMLIB_SLOTS; slot++) {
        const shape_lib_rec *lib = shape_lib_get((uint16_t)slot);
        if (lib && lib->name) out.push_back(lib->name);
    }
    return out;
}

/* The columns of the setup's table. */
std::vector<sql_col_rec *> table_columns(const symsetup_state *st)
{
    std::vector<sql_col_rec *> out;
    tbl_rec *t = st->project && st->rule ? tbl_find_by_name(st->project->tables, st->rule->table, nullptr) : nullptr;
    for (sql_col_rec *c = t ? t->columns : nullptr; c; c = c->next) out.push_back(c);
    return out;
}

/* The items of the setup's profile in walk order. */
std::vector<item_node *> profile_items(const symsetup_state *st)
{
    std::vector<item_node *> out;
    for (item_node *n = st->root ? st->root->child : nullptr; n; n = item_walk_next(n)) out.push_back(n);
    return out;
}

/* An item's line of a list: its name indented by its level. */
std::string item_line(const item_node *n)
{
    int indent = n->depth > 1 ? (n->depth - 1) * ITEM_INDENT : 0;
    char format[16];
    snprintf(format, sizeof format, "%%%ds", indent);
    char pad[64];
    snprintf(pad, sizeof pad, format, "");
    return std::string(pad) + (n->name ? n->name : "");
}

/* The position entries: the table's columns or the profile's items, with
** the names that go into the tile. */
void position_entries(const symsetup_state *st, std::vector<std::string> *shown, std::vector<std::string> *names)
{
    if (st->rule) {
        for (sql_col_rec *c : table_columns(st)) {
            shown->push_back(c->name);
            names->push_back(c->name);
        }
    } else {
        for (item_node *n : profile_items(st)) {
            shown->push_back(item_line(n));
            names->push_back(n->name ? n->name : "");
        }
    }
}

/* The setup's list picker dialog: the item form for a profile item. */
const char *list_dialog(const symsetup_state *st)
{
    return st->item ? PICK_ITEM_DIALOG : PICK_COLUMN_DIALOG;
}

/* Runs a list picker and writes the chosen name into a tile. */
void pick_into(ads_hdlg dlg, const symsetup_state *st, const std::vector<std::string> &shown,
               const std::vector<std::string> &names, const char *target)
{
    int chosen = -1;
    if (sym_pick_list(list_dialog(st), shown, &chosen) == 1 && chosen >= 0 && chosen < (int)names.size())
        ads_set_tile(dlg, target, names[(size_t)chosen].c_str());
}

/* ---- The association picker ---- */

/* The fields of the association picker: its button, the field's tile and
** the columns it may take. */
enum assoc_columns { ASSOC_ANY, ASSOC_CHAR, ASSOC_NOT_CHAR };
struct assoc_field {
    const char *key;      /* button of the picker */
    const char *target;   /* tile of pv_symsetup the choice goes to */
    int columns;          /* assoc_columns */
};
const assoc_field k_assoc_fields[] = {
    {"sym_font", "sym_font_chc", ASSOC_CHAR},     {"sym_name", "sym_name_chc", ASSOC_ANY},
    {"sym_lay", "sym_lay_chc", ASSOC_CHAR},       {"sym_clr", "sym_clr_chc", ASSOC_NOT_CHAR},
    {"sym_size", "sym_size_chc", ASSOC_NOT_CHAR}, {"sym_lwd", "sym_lwd_chc", ASSOC_CHAR},
    {"sym_ang", "sym_ang_chc", ASSOC_NOT_CHAR},   {"sym_aof", "sym_aof_chc", ASSOC_ANY},
    {"sym_pat", "sym_pat_chc", ASSOC_CHAR},
};

/* The association picker's state. */
struct assoc_pick {
    const symsetup_state *st = nullptr;   /* the setup; not owned */
    const assoc_field *field = nullptr;   /* the field whose list is shown */
    std::vector<std::string> shown;       /* its list lines */
    std::vector<std::string> names;       /* the names they stand for */
    const assoc_field *chosen_field = nullptr;
    std::string chosen;                   /* the name chosen */
};

/* Fills the picker's list with what the field may be associated with:
** the other columns of the table of the right kind, or every other item. */
void assoc_fill(ads_hdlg dlg, assoc_pick *ap, const assoc_field *f)
{
    ap->field = f;
    ap->shown.clear();
    ap->names.clear();
    const symsetup_state *st = ap->st;
    if (st->rule) {
        for (sql_col_rec *c : table_columns(st)) {
            if (str_eq_nocase(c->name, st->rule->column)) continue;
            bool is_char = c->sql_type == SQL_TYPE_CHAR;
            if ((f->columns == ASSOC_CHAR && !is_char) || (f->columns == ASSOC_NOT_CHAR && is_char)) continue;
            ap->shown.push_back(c->name);
            ap->names.push_back(c->name);
        }
    } else {
        for (item_node *n : profile_items(st)) {
            if (n == st->item) continue;
            ap->shown.push_back(item_line(n));
            ap->names.push_back(n->name ? n->name : "");
        }
    }
    std::vector<const char *> texts;
    for (const auto &s : ap->shown) texts.push_back(s.c_str());
    dlg_fill_list(dlg, "sym_list", texts.data(), (int)texts.size());
    ads_set_tile(dlg, "error", "");
}

/* A field button of the association picker. */
void assoc_button(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char key[TILE_BUF_SIZE] = "";
    if (ads_get_attr_string(cpkt->tile, "key", key, sizeof key) != RTNORM) return;
    for (const assoc_field &f : k_assoc_fields)
        if (strcmp(f.key, key) == 0) assoc_fill(cpkt->dialog, (assoc_pick *)cpkt->client_data, &f);
}

/* "accept" of the association picker: the selected entry for the field. */
void assoc_accept(ads_callback_packet *cpkt)
{
    assoc_pick *ap = (assoc_pick *)cpkt->client_data;
    int i = tile_get_int(cpkt->dialog, "sym_list");
    if (ap->field && i >= 0 && i < (int)ap->names.size()) {
        ap->chosen_field = ap->field;
        ap->chosen = ap->names[(size_t)i];
    }
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* A double click on the association list accepts it. */
void assoc_list(ads_callback_packet *cpkt)
{
    if (cpkt->reason == CBR_DOUBLE_CLICK) assoc_accept(cpkt);
}

/* ---- The colour dialog ---- */

/* The colour dialog's state. */
struct colour_pick {
    int colour = -1;   /* the colour chosen, -1 for none */
};

/* Fills the swatch with a colour number (nothing outside 0..255). */
void colour_swatch(ads_hdlg dlg, int colour)
{
    if (colour < 0 || colour > SYMSET_COLOUR_MAX) return;
    short w = 0, h = 0;
    ads_dimensions_tile(dlg, "clr_swatch", &w, &h);
    ads_start_image(dlg, "clr_swatch");
    ads_fill_image(SWATCH_ORIGIN, SWATCH_ORIGIN, w, h, (short)colour);
    ads_end_image();
}

/* The number typed in "clr_num"; -1 when it is no colour 0..255. */
int colour_typed(ads_hdlg dlg)
{
    char text[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "clr_num", text, TILE_BUF_SIZE);
    if (str_nonblank(text) != RTNORM || !symsetup_is_number(text)) return -1;
    int n = atoi(text);
    return n >= 0 && n <= SYMSET_COLOUR_MAX ? n : -1;
}

/* "clr_list": the standard colour's number goes to "clr_num". */
void colour_list(ads_callback_packet *cpkt)
{
    int i = tile_get_int(cpkt->dialog, "clr_list");
    if (i < 0 || i >= (int)(sizeof k_colours / sizeof k_colours[0])) return;
    ads_set_tile(cpkt->dialog, "clr_num", std::to_string(atoi(k_colours[i])).c_str());
    colour_swatch(cpkt->dialog, atoi(k_colours[i]));
    ads_set_tile(cpkt->dialog, "error", "");
}

/* "clr_num": the typed colour is shown in the swatch. */
void colour_num(ads_callback_packet *cpkt)
{
    colour_swatch(cpkt->dialog, colour_typed(cpkt->dialog));
}

/* "accept": a colour 0..255, else the colour error stays in "error". */
void colour_accept(ads_callback_packet *cpkt)
{
    int n = colour_typed(cpkt->dialog);
    if (n < 0) {
        std::string text = err_text(ERR_SYM_BASE + SYMSET_BAD_COLOUR);
        text.resize(strlen(str_trim(text.data())));
        ads_set_tile(cpkt->dialog, "error", text.c_str());
        return;
    }
    ((colour_pick *)cpkt->client_data)->colour = n;
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* Runs the colour dialog on the colour shown; the chosen colour number or
** -1; -2 after the alert when it cannot be loaded. */
int colour_dialog(const char *current)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(COLOUR_DIALOG, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, CANNOT_LOAD, COLOUR_DIALOG);
        return -2;
    }
    colour_pick cp;
    const dlg_tile tiles[] = {
        {"clr_list", colour_list}, {"clr_num", colour_num}, {"accept", colour_accept}, {"cancel", list_cancel}};
    dlg_register(dlg, tiles, (int)(sizeof tiles / sizeof tiles[0]), &cp);
    dlg_fill_list(dlg, "clr_list", k_colours, (int)(sizeof k_colours / sizeof k_colours[0]));
    ads_set_tile(dlg, "clr_num", current);
    colour_swatch(dlg, colour_typed(dlg));
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return cp.colour;
}

/* ---- The dialog's callbacks ---- */

symsetup_state *state_of(ads_callback_packet *cpkt)
{
    return (symsetup_state *)cpkt->client_data;
}

/* The key of the tile a callback came from ("" when unreadable). */
std::string key_of(ads_callback_packet *cpkt)
{
    char key[TILE_BUF_SIZE] = "";
    ads_get_attr_string(cpkt->tile, "key", key, sizeof key);
    return key;
}

/* The kind toggles: text and symbol exclude each other; every change sets
** the modes anew and clears "error". */
void cb_kind(ads_callback_packet *cpkt)
{
    std::string key = key_of(cpkt);
    char on[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, key.c_str(), on, TILE_BUF_SIZE);
    if (strcmp(on, "1") == 0 && key == "sym_text") ads_set_tile(cpkt->dialog, "sym_symbol", "0");
    if (strcmp(on, "1") == 0 && key == "sym_symbol") ads_set_tile(cpkt->dialog, "sym_text", "0");
    symsetup_modes(cpkt->dialog, state_of(cpkt));
    ads_set_tile(cpkt->dialog, "error", "");
}

/* Entries of the list pickers: the font files of the drawing's text
** styles, the loaded libraries, the drawing's layers. */
void fonts_of(const symsetup_state *, std::vector<std::string> *shown, std::vector<std::string> *names)
{
    *shown = *names = font_entries();
}
void libraries_of(const symsetup_state *, std::vector<std::string> *shown, std::vector<std::string> *names)
{
    *shown = *names = library_entries();
}
void layers_of(const symsetup_state *, std::vector<std::string> *shown, std::vector<std::string> *names)
{
    *shown = *names = layer_entries();
}

/* The list pickers: the button, what it lists, the tile the choice goes
** to. */
struct list_picker {
    const char *key;     /* button of pv_symsetup */
    void (*entries)(const symsetup_state *, std::vector<std::string> *, std::vector<std::string> *);
    const char *target;  /* tile the chosen name goes to */
};
const list_picker k_list_pickers[] = {
    {"sym_font", fonts_of, "sym_font_chc"},
    {"sym_pos", position_entries, "sym_pos_col"},
    {"sym_lib", libraries_of, "sym_lib_chc"},
    {"sym_lay", layers_of, "sym_lay_chc"},
};

/* "sym_font", "sym_pos", "sym_lib", "sym_lay": a list picker. */
void cb_list(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    std::string key = key_of(cpkt);
    for (const list_picker &p : k_list_pickers) {
        if (key != p.key) continue;
        std::vector<std::string> shown, names;
        p.entries(state_of(cpkt), &shown, &names);
        pick_into(cpkt->dialog, state_of(cpkt), shown, names, p.target);
    }
}

/* "sym_name": a shape of the library named in "sym_lib_chc". */
void cb_name(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char lib[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "sym_lib_chc", lib, TILE_BUF_SIZE);
    str_trim(lib);
    if (symlib_slot(lib) < 0) {
        ads_set_tile(cpkt->dialog, "error", BAD_LIBRARY);
        return;
    }
    char name[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "sym_name_chc", name, TILE_BUF_SIZE);
    if (sym_pick_shape_dialog(lib, name, sizeof name) == 0) ads_set_tile(cpkt->dialog, "sym_name_chc", name);
}

/* "sym_pat": a hatch pattern, starting from the one shown. */
void cb_pat(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char name[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "sym_pat_chc", name, TILE_BUF_SIZE);
    if (sym_pick_pattern_dialog(PATTERN_SLIDES, name, sizeof name) == 0)
        ads_set_tile(cpkt->dialog, "sym_pat_chc", name);
}

/* "sym_clr": a colour number 0..255. */
void cb_clr(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    char current[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "sym_clr_chc", current, TILE_BUF_SIZE);
    int n = colour_dialog(str_trim(current));
    if (n >= 0) ads_set_tile(cpkt->dialog, "sym_clr_chc", std::to_string(n).c_str());
}

/* "sym_assoc": the association picker; the choice goes into the tile of
** the field whose button was pressed last. */
void cb_assoc(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    symsetup_state *st = state_of(cpkt);
    if (st->named) return;
    const char *name = st->item ? ASSOC_ITEM_DIALOG : ASSOC_COLUMN_DIALOG;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(name, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, CANNOT_LOAD, name);
        return;
    }
    assoc_pick ap;
    ap.st = st;
    for (const assoc_field &f : k_assoc_fields) {
        ads_action_tile(dlg, f.key, assoc_button);
        ads_client_data_tile(dlg, f.key, &ap);
    }
    const dlg_tile tiles[] = {{"accept", assoc_accept}, {"cancel", list_cancel}, {"sym_list", assoc_list}};
    dlg_register(dlg, tiles, (int)(sizeof tiles / sizeof tiles[0]), &ap);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (ap.chosen_field) ads_set_tile(cpkt->dialog, ap.chosen_field->target, ap.chosen.c_str());
}

/* The setup the dialog edits now: the rule's or item's, else one of the
** project's setups that names the same owner and is bound to nothing (as
** a setup whose owner was not found at logon is kept). */
sym_rec *current_setup(const symsetup_state *st)
{
    if (st->named) return st->named;
    if (st->rule && st->rule->symbol) return st->rule->symbol;
    if (st->item && st->item->symbol) return st->item->symbol;
    sym_rec *s = nullptr;
    if (st->rule) {
        s = sym_find_by_owner(st->project->symbols, SYM_FIND_COLUMN, st->rule->column, st->rule->table, nullptr, 0);
    } else if (st->item && st->root) {
        s = sym_find_by_owner(st->project->symbols, SYM_FIND_PROFILE, st->root->second_name, st->root->name,
                              st->item->name, 0);
    }
    return s && !s->owner ? s : nullptr;
}

/* Puts the accepted working record in place and gives it to the list. */
void commit(symsetup_state *st)
{
    sym_rec *r = st->record;
    st->record = nullptr;
    if (st->named) {
        bool listed = false;
        for (sym_rec *s = st->project->symbols; s && !listed; s = s->next) listed = s == st->named;
        if (!listed) {
            sym_attach(st->project, r);
            return;
        }
        sym_rec *next = st->named->next;
        sym_copy(st->named, r);
        st->named->next = next;
        sym_free(r);
        st->project->flags |= PJCT_CHG_SYMBOLS;
        return;
    }
    sym_replace(st->project, current_setup(st), r);
}

/* "accept": reads and checks the tiles; on success the setup is put in
** place and the dialog ends, else it stays open. */
void cb_accept(ads_callback_packet *cpkt)
{
    symsetup_state *st = state_of(cpkt);
    int rc = pv_symsetup_read(cpkt->dialog, st);
    if (rc == ERR_NO_MEMORY) err_report(ERR_NO_MEMORY, nullptr);
    if (rc != 0) return;
    commit(st);
    ads_done_dialog(cpkt->dialog, DLGOK);
}

void cb_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

const dlg_tile k_symset_tiles[] = {
    {"sym_text", cb_kind}, {"sym_symbol", cb_kind}, {"sym_fill", cb_kind},   {"sym_sld", cb_kind},
    {"sym_font", cb_list}, {"sym_pos", cb_list},     {"sym_lib", cb_list},    {"sym_lay", cb_list},
    {"sym_name", cb_name}, {"sym_pat", cb_pat},       {"sym_clr", cb_clr},     {"sym_assoc", cb_assoc},
    {"accept", cb_accept}, {"cancel", cb_cancel},
};

/* Runs the dialog on a state whose target is set: the working copy of the
** current setup, the tiles, the dialog; the copy is freed unless it was
** accepted. Answers 5100, -9101 or -5001 as pv_symsetup_dialog. */
int symsetup_run(symsetup_state *st)
{
    st->record = sym_new();
    if (!st->record) return ERR_NO_MEMORY;
    sym_rec *cur = current_setup(st);
    if (cur && sym_copy(st->record, cur) != 0) {
        sym_free(st->record);
        return ERR_NO_MEMORY;
    }
    st->record->next = nullptr;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(SYMSET_DIALOG, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        sym_free(st->record);
        err_report(ERR_LOAD_DIALOG, SYMSET_DIALOG);
        return RTERROR;
    }
    dlg_register(dlg, k_symset_tiles, (int)(sizeof k_symset_tiles / sizeof k_symset_tiles[0]), st);
    symsetup_show(dlg, st);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    sym_free(st->record);
    st->record = nullptr;
    return RTNORM;
}

}  // namespace

/* A list picker; see the header. */
int sym_pick_list(const char *dialog, const std::vector<std::string> &entries, int *chosen)
{
    if (chosen) *chosen = -1;
    ads_hdlg dlg = nullptr;
    if (!dialog || ads_new_dialog(dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, CANNOT_LOAD, dialog ? dialog : "");
        return -1;
    }
    list_pick lp;
    dlg_register(dlg, k_list_tiles, (int)(sizeof k_list_tiles / sizeof k_list_tiles[0]), &lp);
    std::vector<const char *> texts;
    for (const auto &e : entries) texts.push_back(e.c_str());
    dlg_fill_list(dlg, "sym_list", texts.data(), (int)texts.size());
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status != DLGOK || lp.chosen < 0 || lp.chosen >= (int)entries.size()) return 0;
    if (chosen) *chosen = lp.chosen;
    return 1;
}

/* The dialog on a column or a profile item; see the header. */
int pv_symsetup_dialog(pjct_rec *project, col_attr_rec *rule, item_node *item)
{
    if (!project || (!rule) == (!item)) return -2;
    symsetup_state st;
    st.project = project;
    st.rule = rule;
    if (item) {
        if (!item->parent) return -2;
        st.item = item;
        st.root = item_root_of(item);
    }
    return symsetup_run(&st);
}

/* The dialog on a named setup; see the header. */
int pv_symsetup_dialog(pjct_rec *project, sym_rec *setup)
{
    if (!project || !setup) return -2;
    symsetup_state st;
    st.project = project;
    st.named = setup;
    return symsetup_run(&st);
}
