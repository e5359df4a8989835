/*
** pie_dialog.cpp: the pie state, its reset and set-up from the query row,
** and the dialog pv_piediagram (a table of tile keys and callbacks) in
** which the user picks, edits, saves or deletes a project's pie
** definition and chooses the settings of one plot.
*/
#include "output/diagrams/pie_diagram.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/map_params.h"
#include "output/diagrams/diagram_road.h"

pie_state g_pie;

namespace {

constexpr int kYes = 5100;                    /* msg_yes_no's yes              */
constexpr int kNonBlank = 5100;               /* str_nonblank of a text        */
constexpr double kFullCircleDeg = 360.0;      /* degrees shared by the sectors */
constexpr const char *kDialogName = "pv_piediagram";
constexpr const char *kBlankEntry = "  ";     /* last entry of "pie_saved"    */
constexpr const char *kNoMap = "No map coordinates present.\nUse DU-ZOREZ to setup map.";
constexpr const char *kNoPoint = "No coordinates present. Cannot plot.";
constexpr const char *kDeleteQuestion = "Delete this pie diagram ?";

/* The tiles of one ring and the words of its messages. */
struct ring_tiles {
    const char *list;         /* multiple-selection list of the row's columns */
    const char *length;       /* fixed length */
    const char *width;        /* fixed width */
    const char *length_prop;  /* toggle: proportional length */
    const char *width_prop;   /* toggle: proportional width */
    const char *palette;      /* the chosen column's symbol setup */
    const char *word;         /* "Inside" or "Outside" */
};
const ring_tiles k_rings[PIE_RINGS] = {
    {"pie_ins", "pie_ins_len", "pie_ins_wid", "pie_ins_len_prp", "pie_ins_wid_prp", "pie_ins_pal", "Inside"},
    {"pie_out", "pie_out_len", "pie_out_wid", "pie_out_len_prp", "pie_out_wid_prp", "pie_out_pal", "Outside"},
};
/* Every tile the modes enable. */
const char *const k_all_tiles[] = {
    "pie_saved", "pie_name", "pie_rad", "pie_circle", "pie_max_prp", "pie_ins", "pie_out", "pie_ins_len",
    "pie_ins_wid", "pie_out_len", "pie_out_wid", "pie_ins_len_prp", "pie_ins_wid_prp", "pie_out_len_prp",
    "pie_out_wid_prp", "pie_ins_pal", "pie_out_pal", "pie_neg", "symbol", "accept", "cancel",
};

/* Reads a tile trimmed into a buffer of PIE_TEXT_SIZE, cut to `keep`
** characters. */
void read_text(ads_hdlg dlg, const char *key, char *out, size_t keep)
{
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, key, value, TILE_BUF_SIZE);
    str_trim(value);
    if (strlen(value) > keep) value[keep] = '\0';
    snprintf(out, PIE_TEXT_SIZE, "%s", value);
}

/* A tile's value as a number; 0 when blank or not a number. */
double read_number(ads_hdlg dlg, const char *key)
{
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, key, value, TILE_BUF_SIZE);
    return atof(value);
}

/* 1 when a toggle is on. */
int read_toggle(ads_hdlg dlg, const char *key)
{
    char value[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, key, value, TILE_BUF_SIZE);
    return strcmp(value, "1") == 0;
}

/* Shows a number with a format, or an empty tile when `shown` is 0. */
void show_number(ads_hdlg dlg, const char *key, const char *format, double v, int shown)
{
    char text[TILE_BUF_SIZE] = "";
    if (shown) snprintf(text, sizeof text, format, v);
    ads_set_tile(dlg, key, text);
}

/* Frees the index arrays of both rings. */
void free_rings(void)
{
    for (auto &r : g_pie.ring) {
        free(r.columns);
        r = pie_ring_state();
    }
}

/* The setup the pie draws with: the project's one named like the picked
** saved definition, else its "PIE_DIAGRAM"; null when neither exists. */
sym_rec *project_setup(void)
{
    if (!g_pie.project) return nullptr;
    const pie_rec *picked = pie_nth(g_pie.project->pies, g_pie.saved);
    sym_rec *s = picked ? sym_find(g_pie.project->symbols, picked->name) : nullptr;
    return s ? s : sym_find(g_pie.project->symbols, PIE_SETUP_NAME);
}

/* Puts a copy of the setup (the default when null) into the state and
** rebuilds the placement. 0; -9101 without memory. */
int take_symbol(const sym_rec *setup)
{
    if (!g_pie.symbol) g_pie.symbol = sym_new();
    if (!g_pie.symbol) return ERR_NO_MEMORY;
    int rc = setup ? sym_copy(g_pie.symbol, setup) : pie_default_symbol(g_pie.symbol);
    if (rc != 0) {
        sym_free(g_pie.symbol);
        g_pie.symbol = nullptr;
        return ERR_NO_MEMORY;
    }
    pie_placement_from_symbol(g_pie.symbol, &g_pie.placement);
    return 0;
}

/* The row's column at an index of the column lists; null when none. */
sql_col_rec *row_column(int index)
{
    return index >= 0 ? sql_col_nth(g_pie.row, index) : nullptr;
}

/* The first chosen column of a ring that is not numeric; null when none. */
sql_col_rec *first_char_column(const pie_ring_state &r)
{
    for (int i = 0; i < r.count; i++) {
        sql_col_rec *c = row_column(r.columns[i]);
        if (c && c->sql_type == SQL_TYPE_CHAR) return c;
    }
    return nullptr;
}

/* Shows an error naming a column ("%s.%s" filled with table and column). */
int column_error(ads_hdlg dlg, const char *format, const sql_col_rec *c)
{
    char text[TILE_BUF_SIZE];
    snprintf(text, sizeof text, format, c->table, c->name);
    ads_set_tile(dlg, "error", text);
    return -1;
}

/* Shows an error text; -1. */
int show_error(ads_hdlg dlg, const char *text)
{
    ads_set_tile(dlg, "error", text);
    return -1;
}

/* The checks of one ring; 0, or -1 after a message. */
int check_ring(ads_hdlg dlg, int which, int n)
{
    const pie_ring_state &r = g_pie.ring[which];
    const char *word = k_rings[which].word;
    char text[TILE_BUF_SIZE];
    if (!r.length_prop && r.length > g_pie.radius) {
        snprintf(text, sizeof text, "ERROR: %s length greater than radius", word);
        return show_error(dlg, text);
    }
    const sql_col_rec *c = first_char_column(r);
    if (r.length_prop && c) return column_error(dlg, "ERROR: %s.%s is non-numeric", c);
    double most = kFullCircleDeg / n;
    if (!r.width_prop && r.width > most) {
        snprintf(text, sizeof text, "ERROR: %s width > %.1lf degrees", word, most);
        return show_error(dlg, text);
    }
    if (r.width_prop && c) return column_error(dlg, "ERROR: %s.%s is non-numeric", c);
    return 0;
}

/* Fills the three lists. */
void fill_lists(ads_hdlg dlg)
{
    std::vector<const char *> saved;
    for (const pie_rec *p = g_pie.project ? g_pie.project->pies : nullptr; p; p = p->next)
        if (str_nonblank(p->name) == kNonBlank) saved.push_back(p->name);
    saved.push_back(kBlankEntry);
    dlg_fill_list(dlg, "pie_saved", saved.data(), (int)saved.size());
    const char *lists[] = {k_rings[PIE_INSIDE].list, k_rings[PIE_OUTSIDE].list};
    diagram_fill_columns(dlg, lists, PIE_RINGS, g_pie.project, g_pie.row);
}

/* A proportional toggle: the modes follow it. */
void toggle_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) pie_mode_tiles(cpkt->dialog);
}

/* "pie_saved": loads the picked definition, or resets for the blank
** entry; the loaded one picked again changes nothing. */
void saved_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int n = tile_get_int(cpkt->dialog, "pie_saved");
    if (n == g_pie.saved) return;
    const pie_rec *picked = g_pie.project ? pie_nth(g_pie.project->pies, n) : nullptr;
    if (picked) {
        pie_to_dialog(picked);
        g_pie.saved = n;
        take_symbol(project_setup());
    } else {
        pie_reset();
    }
    pie_set_tiles(cpkt->dialog);
}

/* A palette button: the symbol setup of the one column chosen in the list. */
void palette(ads_callback_packet *cpkt, int which)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pie_read_dialog(dlg);
    const pie_ring_state &r = g_pie.ring[which];
    if (r.count < 1) {
        show_error(dlg, "ERROR: No column selected");
        return;
    }
    if (r.count > 1) {
        show_error(dlg, "ERROR: More than one column selected");
        return;
    }
    sql_col_rec *c = row_column(r.columns[0]);
    col_attr_rec *rule = c ? c->attr : nullptr;
    if (rule && !(rule->flags & COL_ATTR_PLACEHOLDER)) pv_symsetup_dialog(g_pie.project, rule, nullptr);
}

/* The palette buttons of the two rings. */
void inside_palette_cb(ads_callback_packet *cpkt) { palette(cpkt, PIE_INSIDE); }
void outside_palette_cb(ads_callback_packet *cpkt) { palette(cpkt, PIE_OUTSIDE); }

/* "symbol": the setup named like the picked definition, else
** "PIE_DIAGRAM", else a new default. */
void symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_pie.project) return;
    const pie_rec *picked = pie_nth(g_pie.project->pies, tile_get_int(cpkt->dialog, "pie_saved"));
    const char *name = picked && sym_find(g_pie.project->symbols, picked->name) ? picked->name : PIE_SETUP_NAME;
    diagram_symbol_dialog(g_pie.project, name, [] { return diagram_new_setup(pie_default_symbol); });
}

/* "accept": reads and checks the tiles; when they pass, keeps, replaces
** or deletes the saved definition and closes with OK. */
void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    if (pie_read_dialog(dlg) != 0) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    if (pie_check(dlg) != 0) return;
    if (pie_accept() != 1) err_report(ERR_NO_MEMORY, kDialogName);
    ads_done_dialog(dlg, DLGOK);
}

/* "cancel": forgets the pie and closes. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    pie_state_clear();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

}  // namespace

/* Resets the settings; see pie_diagram.h. */
void pie_reset(void)
{
    free_rings();
    g_pie.saved = -1;
    g_pie.name[0] = g_pie.absent[0] = '\0';
    g_pie.radius = g_pie.maximum = 0;
    g_pie.circle = 1;
    take_symbol(nullptr);
}

/* Forgets everything; see pie_diagram.h. */
void pie_state_clear(void)
{
    pie_reset();
    g_pie.row = g_pie.x = g_pie.y = g_pie.key = nullptr;
    g_pie.project = nullptr;
    g_pie.projection = nullptr;
}

/* The default setup; see pie_diagram.h. */
int pie_default_symbol(sym_rec *setup)
{
    return diagram_default_setup(setup, PIE_SETUP_NAME, SYM_OWNER_NONE);
}

/* The placement of a setup; see pie_diagram.h. */
void pie_placement_from_symbol(const sym_rec *setup, sym_place_rec *placement)
{
    sym_place_init(placement);
    if (!setup) return;
    placement->layer = setup->layer;
    placement->colour = setup->colour;
    placement->size = setup->scale;
    placement->angle = setup->angle;
    placement->angle_offset = setup->angle_offset;
    placement->line_width = setup->line_width;
    placement->mode = SYM_MODE_INSERT;
}

/* Prepares the state for a row; see pie_diagram.h. */
int pie_setup_from_row(sql_col_rec *row)
{
    pie_state_clear();
    if (!row) return -2;
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, kNoMap);
        return -1;
    }
    if (diagram_row_point(row, 1, &g_pie.x, &g_pie.y, &g_pie.projection) != 0) {
        msg_alert(ERR_TITLE, kNoPoint);
        return -1;
    }
    g_pie.project = pjct_find_by_session(row->connection);
    if (!g_pie.project) {
        g_pie.x = g_pie.y = nullptr;
        g_pie.projection = nullptr;
        return -1;
    }
    g_pie.row = row;
    const tbl_rec *keyed = nullptr;
    for (sql_col_rec *c = row; c; c = c->next) {
        const tbl_rec *t = tbl_find_by_name(g_pie.project->tables, c->table, nullptr);
        if (t && (!keyed || t->table_type < keyed->table_type)) keyed = t;
    }
    const sql_col_rec *k = keyed ? keyed->keys[TBL_KEY_BASENUMBER] : nullptr;
    g_pie.key = k ? sql_col_find(row, k->name, keyed->name, nullptr) : nullptr;
    return 0;
}

/* Shows the state; see pie_diagram.h. */
void pie_set_tiles(ads_hdlg dlg)
{
    show_number(dlg, "pie_saved", "%.0lf", g_pie.saved, g_pie.saved >= 0);
    ads_set_tile(dlg, "pie_name", g_pie.name);
    show_number(dlg, "pie_rad", "%.3lf", g_pie.radius, g_pie.radius > 0);
    show_number(dlg, "pie_max_prp", "%.4lf", g_pie.maximum, g_pie.maximum != 0);
    ads_set_tile(dlg, "pie_circle", g_pie.circle == 1 ? "1" : "0");
    for (int i = 0; i < PIE_RINGS; i++) {
        const pie_ring_state &r = g_pie.ring[i];
        const ring_tiles &t = k_rings[i];
        show_number(dlg, t.length, "%.3lf", r.length, r.length > 0);
        show_number(dlg, t.width, "%.3lf", r.width, r.width > 0);
        ads_set_tile(dlg, t.length_prop, r.length_prop ? "1" : "0");
        ads_set_tile(dlg, t.width_prop, r.width_prop ? "1" : "0");
        std::string chosen;
        for (int k = 0; k < r.count; k++)
            if (r.columns[k] >= 0) chosen += " " + std::to_string(r.columns[k]);
        ads_set_tile(dlg, t.list, chosen.c_str());
    }
    ads_set_tile(dlg, "pie_neg", g_pie.absent);
    pie_mode_tiles(dlg);
}

/* Sets the modes; see pie_diagram.h. */
void pie_mode_tiles(ads_hdlg dlg)
{
    ads_set_tile(dlg, "error", "");
    for (const char *k : k_all_tiles) ads_mode_tile(dlg, k, MODE_ENABLE);
    int any = 0;
    for (const auto &t : k_rings)
        for (auto [toggle, value] : {std::pair{t.length_prop, t.length}, std::pair{t.width_prop, t.width}})
            if (read_toggle(dlg, toggle)) {
                any = 1;
                ads_set_tile(dlg, value, "");
                ads_mode_tile(dlg, value, MODE_DISABLE);
            }
    if (!any) {
        ads_set_tile(dlg, "pie_max_prp", "");
        ads_mode_tile(dlg, "pie_max_prp", MODE_DISABLE);
    }
}

/* Reads the tiles; see pie_diagram.h. */
int pie_read_dialog(ads_hdlg dlg)
{
    pie_reset();
    g_pie.saved = tile_get_int(dlg, "pie_saved");
    read_text(dlg, "pie_name", g_pie.name, PIE_NAME_SIZE - 1);
    g_pie.radius = read_number(dlg, "pie_rad");
    g_pie.maximum = read_number(dlg, "pie_max_prp");
    g_pie.circle = read_toggle(dlg, "pie_circle");
    int rc = 0;
    for (int i = 0; i < PIE_RINGS; i++) {
        pie_ring_state &r = g_pie.ring[i];
        const ring_tiles &t = k_rings[i];
        if (tile_get_int_list(dlg, t.list, &r.columns, &r.count) != RTNORM) {
            r.columns = nullptr;
            r.count = 0;
        }
        r.length = read_number(dlg, t.length);
        r.width = read_number(dlg, t.width);
        r.length_prop = read_toggle(dlg, t.length_prop);
        r.width_prop = read_toggle(dlg, t.width_prop);
    }
    if (take_symbol(project_setup()) != 0) rc = ERR_NO_MEMORY;
    read_text(dlg, "pie_neg", g_pie.absent, PIE_TEXT_SIZE - 1);
    pie_mode_tiles(dlg);
    return rc;
}

/* Checks the state; see pie_diagram.h. */
int pie_check(ads_hdlg dlg)
{
    if (!g_pie.row) return -2;
    int index = -1;
    if (g_pie.project && pie_find(g_pie.project->pies, g_pie.name, &index) && index != g_pie.saved)
        return show_error(dlg, "ERROR: Name already in use");
    if (g_pie.radius <= 0) return show_error(dlg, "ERROR: Invalid radius");
    int n = g_pie.ring[PIE_INSIDE].count + g_pie.ring[PIE_OUTSIDE].count;
    if (n > PIE_MAX_COLUMNS) {
        char text[TILE_BUF_SIZE];
        snprintf(text, sizeof text, "ERROR: More than %d columns selected", PIE_MAX_COLUMNS);
        return show_error(dlg, text);
    }
    if (n == 0) return show_error(dlg, "ERROR: No columns selected");
    for (int i = 0; i < PIE_RINGS; i++)
        if (check_ring(dlg, i, n) != 0) return -1;
    const pie_ring_state &in = g_pie.ring[PIE_INSIDE], &out = g_pie.ring[PIE_OUTSIDE];
    for (int i = 0; i < in.count; i++)
        for (int k = 0; k < out.count; k++)
            if (in.columns[i] == out.columns[k] && row_column(in.columns[i]))
                return column_error(dlg, "ERROR: %s.%s is inside and outside", row_column(in.columns[i]));
    return 0;
}

/* Builds a definition; see pie_diagram.h. */
pie_rec *pie_from_dialog(void)
{
    pie_rec *p = pie_new();
    if (!p) return nullptr;
    snprintf(p->name, sizeof p->name, "%.*s", PIE_NAME_SIZE - 1, g_pie.name);
    snprintf(p->absent, sizeof p->absent, "%.*s", PIE_NAME_SIZE - 1, g_pie.absent);
    p->radius = (float)g_pie.radius;
    p->circle = g_pie.circle;
    p->maximum = (float)g_pie.maximum;
    const pie_ring_state &in = g_pie.ring[PIE_INSIDE], &out = g_pie.ring[PIE_OUTSIDE];
    p->in_width = (float)in.width;
    p->in_length = (float)in.length;
    p->in_width_prop = (uint16_t)in.width_prop;
    p->in_length_prop = (uint16_t)in.length_prop;
    p->out_width = (float)out.width;
    p->out_length = (float)out.length;
    p->out_width_prop = (uint16_t)out.width_prop;
    p->out_length_prop = (uint16_t)out.length_prop;
    pie_col_rec **rings[PIE_RINGS] = {&p->inside, &p->outside};
    for (int i = 0; i < PIE_RINGS; i++)
        for (int k = 0; k < g_pie.ring[i].count; k++) {
            const sql_col_rec *c = row_column(g_pie.ring[i].columns[k]);
            const tbl_rec *t = c && g_pie.project ? tbl_find_by_name(g_pie.project->tables, c->table, nullptr) : nullptr;
            sql_col_rec *registered = t ? sql_col_find(t->columns, c->name, nullptr, nullptr) : nullptr;
            if (registered && !pie_col_append(rings[i], registered)) {
                pie_free(p);
                return nullptr;
            }
        }
    return p;
}

/* Loads a definition; see pie_diagram.h. */
void pie_to_dialog(const pie_rec *pie)
{
    pie_reset();
    if (!pie) return;
    snprintf(g_pie.name, sizeof g_pie.name, "%s", pie->name);
    snprintf(g_pie.absent, sizeof g_pie.absent, "%s", pie->absent);
    g_pie.radius = pie->radius;
    g_pie.circle = pie->circle;
    g_pie.maximum = pie->maximum;
    struct {
        double length, width;
        int length_prop, width_prop;
        const pie_col_rec *columns;
    } from[PIE_RINGS] = {
        {pie->in_length, pie->in_width, pie->in_length_prop, pie->in_width_prop, pie->inside},
        {pie->out_length, pie->out_width, pie->out_length_prop, pie->out_width_prop, pie->outside},
    };
    for (int i = 0; i < PIE_RINGS; i++) {
        pie_ring_state &r = g_pie.ring[i];
        r.length = from[i].length;
        r.width = from[i].width;
        r.length_prop = from[i].length_prop;
        r.width_prop = from[i].width_prop;
        int n = 0;
        for (const pie_col_rec *c = from[i].columns; c; c = c->next) n++;
        r.columns = n ? (int *)malloc(sizeof(int) * (size_t)n) : nullptr;
        if (!r.columns) continue;
        for (const pie_col_rec *c = from[i].columns; c; c = c->next) {
            int index = -1;
            if (!sql_col_find(g_pie.row, c->name, c->table, &index)) index = -1;
            r.columns[r.count++] = index;
        }
    }
}

/* Accepts the checked settings; see pie_diagram.h. */
int pie_accept(void)
{
    pjct_rec *project = g_pie.project;
    if (!project) return 1;
    pie_rec *old = pie_nth(project->pies, g_pie.saved);
    char old_name[PIE_NAME_SIZE] = "";
    if (old) snprintf(old_name, sizeof old_name, "%s", old->name);
    /* A blank name deletes the picked definition, or on No saves the
    ** dialog's settings under its name. */
    if (old && str_nonblank(g_pie.name) != kNonBlank && msg_yes_no(kDeleteQuestion) != kYes)
        snprintf(g_pie.name, sizeof g_pie.name, "%s", old_name);
    /* The new definition is made before the old one goes, so that a
    ** failed allocation keeps what was saved. */
    pie_rec *made = nullptr;
    if (str_nonblank(g_pie.name) == kNonBlank) {
        made = pie_from_dialog();
        if (!made) return ERR_NO_MEMORY;
    }
    if (old && pie_unlink(project, old) == 0) {
        pie_free(old);
        project->flags |= PJCT_CHG_PIES;
    }
    if (!made) return 1;
    made->next = project->pies;
    project->pies = made;
    project->flags |= PJCT_CHG_PIES;
    sym_rec *s = old_name[0] ? sym_find(project->symbols, old_name) : nullptr;
    if (!s) s = sym_find(project->symbols, PIE_SETUP_NAME);
    if (s && sym_set_text(&s->item_name, made->name) == 0) {
        s->owner_kind = SYM_OWNER_NONE;
        project->flags |= PJCT_CHG_SYMBOLS;
    }
    return 1;
}

/* Runs the dialog; see pie_diagram.h. */
int pv_piediagram_dialog(sql_col_rec *row)
{
    if (!row) return -2;
    if (pie_setup_from_row(row) != 0) return -1;
    ads_hdlg dlg = diagram_dialog_open(kDialogName);
    if (!dlg) {
        pie_state_clear();
        return -1;
    }
    static const dlg_tile k_tiles[] = {
        {"pie_saved", saved_cb},          {"pie_ins_len_prp", toggle_cb},  {"pie_ins_wid_prp", toggle_cb},
        {"pie_out_len_prp", toggle_cb},   {"pie_out_wid_prp", toggle_cb},  {"pie_ins_pal", inside_palette_cb},
        {"pie_out_pal", outside_palette_cb}, {"symbol", symbol_cb},        {"accept", accept_cb},
        {"cancel", cancel_cb},
    };
    fill_lists(dlg);
    pie_set_tiles(dlg);
    if (diagram_dialog_start(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0])) != 1) {
        pie_state_clear();
        return -1;
    }
    return 0;
}
