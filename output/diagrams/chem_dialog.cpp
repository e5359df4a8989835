/*
** chem_dialog.cpp: the dialog pv_chemdiagram (a table of tile keys and
** callbacks over the chemistry state): saved diagrams, name, symbol
** column, limits and scales, the three axis equations, the symbol setups,
** and saving the accepted diagram into the project's list of terms.
*/
#include "output/diagrams/chem_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/geo_util.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "output/diagrams/chem_plot.h"
#include "output/diagrams/diagram_road.h"

namespace {

constexpr const char *kDialogName = "pv_chemdiagram";
constexpr int kHostOk = 5100;                  /* yes, a text is there       */
constexpr const char *kNumberFormat = "%7.5lg";
constexpr const char *kEmptyEntry = " ";      /* last entry of "chem_saved" */

/* The limit and scale tiles, in the order of limit_slot. */
const char *const kLimitKeys[] = {"chem_xmin", "chem_ymin", "chem_xmax", "chem_ymax", "chem_xscale", "chem_yscale"};
constexpr int kLimitCount = 6;

/* The name of the saved diagram picked in "chem_saved"; "" for a new one. */
char s_picked[CHEM_NAME_SIZE] = "";

/* The state's number behind each limit and scale tile. */
double *limit_slot(int i)
{
    double *slots[kLimitCount] = {&g_chem.limits.min.x, &g_chem.limits.min.y, &g_chem.limits.max.x,
                                  &g_chem.limits.max.y, &g_chem.scale.x,      &g_chem.scale.y};
    return slots[i];
}

/* The names of the saved diagrams, each once, in the list's order. */
std::vector<std::string> saved_names(const pjct_rec *p)
{
    std::vector<std::string> names;
    const char *previous = nullptr;
    for (const chem_term_rec *t = p ? p->chem_terms : nullptr; t; t = t->next) {
        if (!previous || strcmp(previous, t->name) != 0) names.emplace_back(t->name);
        previous = t->name;
    }
    return names;
}

/* The trimmed name typed in "chem_name", at most 28 characters. */
std::string typed_name(ads_hdlg dlg)
{
    char text[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "chem_name", text, TILE_BUF_SIZE);
    text[CHEM_NAME_TYPED] = '\0';
    return str_trim(text);
}

/* Shows an equation's text in its tile. */
void show_equation(ads_hdlg dlg, const char *key, const chem_term_rec *equation)
{
    char text[CHEM_TITLE_SIZE];
    chem_equation_text(equation, text, sizeof text);
    ads_set_tile(dlg, key, text);
}

/* Shows a limit or scale; a scale of 0 or 1.0 is shown empty. */
void show_number(ads_hdlg dlg, const char *key, double v, int scale)
{
    char text[SQL_NUMBER_TEXT_SIZE] = "";
    if (!scale || (v != 0 && v != 1.0)) snprintf(text, sizeof text, kNumberFormat, v);
    ads_set_tile(dlg, key, text);
}

/* The registered column of a row's column; null when none. */
sql_col_rec *registered(const sql_col_rec *c)
{
    return c && g_chem.project ? pjct_find_column(g_chem.project, c->table, c->name, nullptr) : nullptr;
}

/* Runs the equation editor on one equation and shows its text. */
void edit_equation(ads_hdlg dlg, chem_term_rec **equation, const char *key)
{
    pv_chemequation_dialog(equation);
    show_equation(dlg, key, *equation);
    chem_mode_tiles(dlg);
}

void saved_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    std::vector<std::string> names = saved_names(g_chem.project);
    int i = tile_get_int(cpkt->dialog, "chem_saved");
    std::string name = i >= 0 && i < (int)names.size() ? names[i] : "";
    chem_load(cpkt->dialog, name.c_str());
    chem_mode_tiles(cpkt->dialog);
}

void sym_cb(ads_callback_packet *cpkt)
{
    chem_read_tiles(cpkt->dialog);
    chem_mode_tiles(cpkt->dialog);
}

void x_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) edit_equation(cpkt->dialog, &g_chem.x_equ, "chem_xequ");
}

void y_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) edit_equation(cpkt->dialog, &g_chem.y_equ, "chem_yequ");
}

void z_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) edit_equation(cpkt->dialog, &g_chem.z_equ, "chem_zequ");
}

/* "symbols": the symbol setup of the symbol column. */
void symbols_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    chem_read_tiles(cpkt->dialog);
    sql_col_rec *reg = registered(g_chem.symbol_col);
    sql_col_rec *c = reg ? reg : g_chem.symbol_col;
    if (g_chem.project && c && c->attr) pv_symsetup_dialog(g_chem.project, c->attr, nullptr);
}

/* "palette": the diagram's own symbol setup, made when the project has
** none of that name. */
void palette_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_chem.project) return;
    std::string typed = typed_name(cpkt->dialog);
    std::string name = CHEM_SETUP_NAME;
    if (s_picked[0])
        name = s_picked;
    else if (!typed.empty() && chem_check_name(cpkt->dialog, typed.c_str()) == 1)
        name = typed;
    sym_rec *setup = sym_find(g_chem.project->symbols, name.c_str());
    sym_rec *made = nullptr;
    if (!setup) {
        made = sym_new();
        if (!made || sym_set_text(&made->item_name, name.c_str()) != 0) {
            sym_free(made);
            err_report(ERR_NO_MEMORY, nullptr);
            return;
        }
        made->owner_kind = SYM_OWNER_COLUMN;
        snprintf(made->layer, sizeof made->layer, "%s", name.c_str());
        made->colour = 0;
        made->scale = 1.0f;
    }
    pv_symsetup_dialog(g_chem.project, setup ? setup : made);
    sym_free(made);
    chem_placement_from_symbol(g_chem.project, name.c_str());
}

void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    chem_read_tiles(cpkt->dialog);
    const char *error = chem_check_dialog(cpkt->dialog);
    if (error) {
        ads_set_tile(cpkt->dialog, "error", error);
        return;
    }
    chem_save(cpkt->dialog);
    ads_done_dialog(cpkt->dialog, DLGOK);
}

void cancel_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

}  // namespace

/* Shows a diagram; see chem_dialog.h. */
void chem_show(ads_hdlg dlg, const chem_term_rec *t)
{
    snprintf(g_chem.name, sizeof g_chem.name, "%s", t ? t->name : "");
    ads_set_tile(dlg, "chem_name", g_chem.name);
    int index = -1;
    g_chem.symbol_col = nullptr;
    const char *sym_name = t ? t->sym_name : "";
    const char *sym_table = t ? t->sym_table : "";
    if (sym_name[0]) g_chem.symbol_col = sql_col_find(g_chem.row, sym_name, sym_table, &index);
    char text[SQL_NUMBER_TEXT_SIZE] = "";
    if (g_chem.symbol_col) snprintf(text, sizeof text, "%d", index);
    ads_set_tile(dlg, "chem_sym", text);
    int xy_term = t && (t->axis == CHEM_AXIS_X || t->axis == CHEM_AXIS_Y);
    if (xy_term && (t->xmin != 0 || t->ymin != 0 || t->xmax != 0 || t->ymax != 0)) {
        g_chem.limits.min = {t->xmin, t->ymin, 0, 0};
        g_chem.limits.max = {t->xmax, t->ymax, 0, 0};
        for (int i = 0; i < 4; ++i) show_number(dlg, kLimitKeys[i], *limit_slot(i), 0);
    } else {
        geo_box_zero(&g_chem.limits);
        for (int i = 0; i < 4; ++i) ads_set_tile(dlg, kLimitKeys[i], "");
    }
    double xs = t ? t->xscale : 1.0, ys = t ? t->yscale : 1.0;
    show_number(dlg, "chem_xscale", xs, 1);
    show_number(dlg, "chem_yscale", ys, 1);
    g_chem.scale.x = xs == 0 ? 1.0 : xs;
    g_chem.scale.y = ys == 0 ? 1.0 : ys;
    chem_placement_from_symbol(g_chem.project, g_chem.name);
    show_equation(dlg, "chem_xequ", g_chem.x_equ);
    show_equation(dlg, "chem_yequ", g_chem.y_equ);
    show_equation(dlg, "chem_zequ", g_chem.z_equ);
    ads_set_tile(dlg, "error", "");
}

/* Sets the modes; see chem_dialog.h. */
void chem_mode_tiles(ads_hdlg dlg)
{
    ads_mode_tile(dlg, "chem_sym", MODE_ENABLE);
    for (const char *k : {"chem_xequ", "chem_yequ", "chem_zequ"}) ads_mode_tile(dlg, k, MODE_DISABLE);
    ads_mode_tile(dlg, "symbols", g_chem.symbol_col ? MODE_ENABLE : MODE_DISABLE);
    int xy = g_chem.x_equ && g_chem.y_equ && !g_chem.z_equ;
    for (const char *k : kLimitKeys) {
        if (!xy) ads_set_tile(dlg, k, "");
        ads_mode_tile(dlg, k, xy ? MODE_ENABLE : MODE_DISABLE);
    }
}

/* Reads the tiles; see chem_dialog.h. */
void chem_read_tiles(ads_hdlg dlg)
{
    std::string name = typed_name(dlg);
    snprintf(g_chem.name, sizeof g_chem.name, "%s", name.c_str());
    chem_term_rec *head = g_chem.x_equ;
    int n = tile_get_int(dlg, "chem_sym");
    g_chem.symbol_col = n >= 0 ? sql_col_nth(g_chem.row, n) : nullptr;
    if (head) {
        snprintf(head->name, sizeof head->name, "%s", g_chem.name);
        /* A column outside the registry is kept by its names: the row it
        ** came from does not outlive the plot. */
        chem_term_set_symbol(head, g_chem.symbol_col);
        head->symbol_col = registered(g_chem.symbol_col);
    }
    chem_placement_from_symbol(g_chem.project, g_chem.name);
    for (int i = 0; i < kLimitCount; ++i) {
        char text[TILE_BUF_SIZE] = "";
        ads_get_tile(dlg, kLimitKeys[i], text, TILE_BUF_SIZE);
        double v = atof(text);
        if (i >= 4 && v == 0) v = 1.0;
        *limit_slot(i) = v;
    }
    if (head) {
        head->xmin = g_chem.limits.min.x, head->ymin = g_chem.limits.min.y;
        head->xmax = g_chem.limits.max.x, head->ymax = g_chem.limits.max.y;
        head->xscale = g_chem.scale.x, head->yscale = g_chem.scale.y;
    }
}

/* Loads a saved diagram; see chem_dialog.h. */
void chem_load(ads_hdlg dlg, const char *name)
{
    chem_term_list_free(&g_chem.x_equ);
    chem_term_list_free(&g_chem.y_equ);
    chem_term_list_free(&g_chem.z_equ);
    snprintf(s_picked, sizeof s_picked, "%s", name && str_nonblank(name) == kHostOk ? name : "");
    chem_term_rec **tails[] = {&g_chem.x_equ, &g_chem.y_equ, &g_chem.z_equ};
    for (const chem_term_rec *t = g_chem.project && s_picked[0] ? g_chem.project->chem_terms : nullptr; t;
         t = t->next) {
        if (strcmp(t->name, s_picked) != 0 || t->axis < CHEM_AXIS_X || t->axis > CHEM_AXIS_Z) continue;
        chem_term_rec *c = chem_term_copy(t);
        if (!c) {
            err_report(ERR_NO_MEMORY, nullptr);
            break;
        }
        *tails[t->axis] = c;
        tails[t->axis] = &c->next;
    }
    chem_show(dlg, g_chem.x_equ);
}

/* Checks before accepting; see chem_dialog.h. */
const char *chem_check_dialog(ads_hdlg dlg)
{
    if (!g_chem.symbol_col) return "No symbol selected";
    if (!g_chem.x_equ) return "ERROR: No X axis defined";
    if (!g_chem.y_equ) return "ERROR: No Y axis defined";
    std::string name = typed_name(dlg);
    if (name.empty()) return "ERROR: Must specify a name";
    int rc = chem_check_name(dlg, name.c_str());
    if (rc == -1) return "ERROR: Name already used";
    if (rc == 0) return "ERROR: Improper name";
    return nullptr;
}

/* Checks a name; see chem_dialog.h. */
int chem_check_name(ads_hdlg dlg, const char *name)
{
    if (!dlg || !name || str_nonblank(name) != kHostOk) return 1;
    if (!str_is_ident(name)) return 0;
    for (const std::string &n : saved_names(g_chem.project))
        if (str_eq_nocase(n.c_str(), name) && !str_eq_nocase(n.c_str(), s_picked)) return -1;
    return 1;
}

/* Saves the diagram; see chem_dialog.h. */
void chem_save(ads_hdlg dlg)
{
    pjct_rec *p = g_chem.project;
    std::string name = typed_name(dlg);
    if (!p || chem_check_name(dlg, name.c_str()) == 0) return;
    if (!s_picked[0] && name.empty()) return;
    if (s_picked[0]) {
        if (name.empty()) {
            if (msg_yes_no("No name specified. Remove plot from list ?") != kHostOk) {
                ads_set_tile(dlg, "chem_name", s_picked);
                return;
            }
        } else {
            sym_rec *s = sym_find(p->symbols, s_picked);
            if (s && strcmp(s_picked, name.c_str()) != 0 && sym_set_text(&s->item_name, name.c_str()) == 0) {
                s->owner_kind = SYM_OWNER_NONE;
                p->flags |= PJCT_CHG_SYMBOLS;   /* the renamed setup is written back */
            }
            chem_placement_from_symbol(p, name.c_str());
        }
        for (chem_term_rec **t = &p->chem_terms; *t;) {
            if (strcmp((*t)->name, s_picked) != 0) {
                t = &(*t)->next;
                continue;
            }
            chem_term_rec *gone = *t;
            *t = gone->next;
            free(gone);
        }
        p->flags |= PJCT_CHG_CHEM;   /* a removal is written back too */
    }
    if (name.empty()) return;
    p->flags |= PJCT_CHG_CHEM;
    chem_term_rec *added = nullptr;
    int rc = 0;
    for (const chem_term_rec *equ : {g_chem.x_equ, g_chem.y_equ, g_chem.z_equ})
        if (rc == 0) rc = chem_term_list_append(&added, equ, name.c_str());
    if (rc != 0) err_report(rc, nullptr);
    /* The diagram's own fields ride on every term. */
    const chem_term_rec *head = g_chem.x_equ;
    for (chem_term_rec *t = added; t; t = t->next) {
        t->xmin = g_chem.limits.min.x, t->ymin = g_chem.limits.min.y;
        t->xmax = g_chem.limits.max.x, t->ymax = g_chem.limits.max.y;
        t->xscale = g_chem.scale.x, t->yscale = g_chem.scale.y;
        if (head) {
            t->symbol_col = head->symbol_col;
            memcpy(t->sym_table, head->sym_table, sizeof t->sym_table);
            memcpy(t->sym_name, head->sym_name, sizeof t->sym_name);
        }
    }
    chem_term_rec **tail = &p->chem_terms;
    while (*tail) tail = &(*tail)->next;
    *tail = added;
    snprintf(s_picked, sizeof s_picked, "%s", name.c_str());
}

/* Runs the diagram dialog; see chem_dialog.h. */
int pv_chemdiagram_dialog(sql_col_rec *row)
{
    chem_state_free();
    s_picked[0] = '\0';
    g_chem.row = row;
    g_chem.project = row ? pjct_find_by_session(row->connection) : nullptr;
    ads_hdlg dlg = diagram_dialog_open(kDialogName);
    if (!dlg) return -1;
    std::vector<std::string> names = saved_names(g_chem.project);
    names.emplace_back(kEmptyEntry);
    std::vector<const char *> texts;
    for (const auto &n : names) texts.push_back(n.c_str());
    dlg_fill_list(dlg, "chem_saved", texts.data(), (int)texts.size());
    const char *keys[] = {"chem_sym"};
    diagram_fill_columns(dlg, keys, 1, g_chem.project, row);
    chem_show(dlg, g_chem.x_equ);
    chem_mode_tiles(dlg);
    static const dlg_tile k_tiles[] = {
        {"chem_saved", saved_cb}, {"chem_sym", sym_cb},         {"chem_x", x_cb},         {"chem_y", y_cb},
        {"chem_z", z_cb},         {"symbols", symbols_cb},      {"palette", palette_cb},  {"accept", accept_cb},
        {"cancel", cancel_cb}};
    return diagram_dialog_start(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0])) == 1 ? 0 : -1;
}
