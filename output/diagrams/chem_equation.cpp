/*
** chem_equation.cpp: the dialog pv_chemequation, the editor of one axis
** equation: the terms listed one a row, the picked term shown in the
** operator, factor, bracket, constant and column tiles, and the buttons
** that modify, insert, delete and, on "exit", check the whole equation.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/tile_util.h"
#include "output/diagrams/chem_dialog.h"
#include "output/diagrams/chem_plot.h"
#include "output/diagrams/diagram_road.h"

namespace {

constexpr const char *kDialogName = "pv_chemequation";
constexpr const char *kNumberFormat = "%7.5lg";
constexpr const char *kRowFormat = "%1s %7s %1s %7s %20s %1s";
constexpr const char *kCannot = "Cannot perform this operation";
const char *const kTitles[] = {"X axis", "Y axis", "Z axis"};

/* The equation being edited. */
struct equation_edit {
    chem_term_rec **head = nullptr;   /* address of the equation's head; borrowed */
    int axis = CHEM_AXIS_X;           /* the axis of its terms */
};
equation_edit s_edit;

/* The n-th term of the edited equation; null when out of range. */
chem_term_rec *term_at(int n)
{
    chem_term_rec *t = *s_edit.head;
    for (int i = 0; t && i < n; ++i) t = t->next;
    return n >= 0 ? t : nullptr;
}

/* The index of a term's column among the row's columns; -1 when none. */
int column_index(const chem_term_rec *t)
{
    int index = -1;
    if (!t->col_name[0] || !sql_col_find(g_chem.row, t->col_name, t->col_table, &index)) return -1;
    return index;
}

/* A number for a tile: empty for 0. */
std::string number_text(double v)
{
    char text[SQL_NUMBER_TEXT_SIZE] = "";
    if (v != 0) snprintf(text, sizeof text, kNumberFormat, v);
    return text;
}

/* One row of the list. */
std::string row_text(const chem_term_rec *t)
{
    std::string s1, s2, column;
    if (t->open_bracket && t->scalar1 != 1.0 && t->scalar1 != 0) s1 = number_text(t->scalar1);
    if (t->scalar2 != 0 && (t->scalar2 != 1.0 || (!t->column && t->op != CHEM_OP_NONE))) s2 = number_text(t->scalar2);
    if (t->column) column = std::string(t->col_table) + "." + t->col_name;
    int op = t->op >= CHEM_OP_NONE && t->op < CHEM_OP_COUNT ? t->op : CHEM_OP_NONE;
    char line[CHEM_TITLE_SIZE];
    snprintf(line, sizeof line, kRowFormat, chem_operator_names[op], s1.c_str(), t->open_bracket ? "(" : " ",
             s2.c_str(), column.c_str(), t->close_bracket ? ")" : " ");
    return line;
}

/* Fills the list and picks row n (none when n is -1). */
void fill_list(ads_hdlg dlg, int n)
{
    std::vector<std::string> lines;
    for (const chem_term_rec *t = *s_edit.head; t; t = t->next) lines.push_back(row_text(t));
    std::vector<const char *> texts;
    for (const auto &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(dlg, "chem_equ", texts.data(), (int)texts.size());
    if (n >= 0) dlg_set_index(dlg, "chem_equ", n);
}

/* The factor tile follows the open-bracket toggle. */
void factor_mode(ads_hdlg dlg)
{
    ads_mode_tile(dlg, "chem_sc1", tile_get_toggle(dlg, "chem_obkt") ? MODE_ENABLE : MODE_DISABLE);
}

/* Shows a term in the tiles. */
void show_term(ads_hdlg dlg, const chem_term_rec *t)
{
    dlg_set_index(dlg, "chem_op", t->op >= CHEM_OP_NONE && t->op < CHEM_OP_COUNT ? t->op : CHEM_OP_NONE);
    std::string s1 = t->open_bracket && t->scalar1 != 1.0 ? number_text(t->scalar1) : "";
    ads_set_tile(dlg, "chem_sc1", s1.c_str());
    ads_set_tile(dlg, "chem_obkt", t->open_bracket ? "1" : "0");
    ads_set_tile(dlg, "chem_cbkt", t->close_bracket ? "1" : "0");
    ads_set_tile(dlg, "chem_sc2", number_text(t->scalar2).c_str());
    int c = column_index(t);
    if (c >= 0)
        dlg_set_index(dlg, "chem_col", c);
    else
        ads_set_tile(dlg, "chem_col", "");
    ads_set_tile(dlg, "error", "");
    factor_mode(dlg);
}

/* The picked row and its term. -1 when no row is picked; -2 when the
** picked row has no term (after the alert). */
int picked(ads_hdlg dlg, chem_term_rec **term)
{
    int n = tile_get_int(dlg, "chem_equ");
    if (n < 0) return -1;
    *term = term_at(n);
    if (!*term) {
        msg_alert(ERR_TITLE, "%s", kCannot);
        return -2;
    }
    return n;
}

/* A new empty term of the edited axis; null after error -9101. */
chem_term_rec *new_term(void)
{
    chem_term_rec *t = chem_term_new(s_edit.axis);
    if (!t) err_report(ERR_NO_MEMORY, nullptr);
    return t;
}

/* Inserts a new empty term at position n and picks it. */
void insert_at(ads_hdlg dlg, int n)
{
    chem_term_rec *t = new_term();
    if (!t) return;
    chem_term_rec **at = s_edit.head;
    for (int i = 0; *at && i < n; ++i) at = &(*at)->next;
    t->next = *at;
    *at = t;
    fill_list(dlg, n);
    show_term(dlg, t);
}

void equ_cb(ads_callback_packet *cpkt)
{
    chem_term_rec *t = nullptr;
    if (picked(cpkt->dialog, &t) >= 0) show_term(cpkt->dialog, t);
}

void obkt_cb(ads_callback_packet *cpkt)
{
    factor_mode(cpkt->dialog);
}

void modify_cb(ads_callback_packet *cpkt)
{
    chem_term_rec *t = nullptr;
    int n = picked(cpkt->dialog, &t);
    if (n == -1) ads_set_tile(cpkt->dialog, "error", "ERROR: No row selected");
    if (n < 0) return;
    chem_read_term(cpkt->dialog, t);
    int ok = chem_check_term(cpkt->dialog, *s_edit.head, t) == 0;
    fill_list(cpkt->dialog, n);
    if (ok) ads_set_tile(cpkt->dialog, "error", "");
}

void up_cb(ads_callback_packet *cpkt)
{
    chem_term_rec *t = nullptr;
    int n = picked(cpkt->dialog, &t);
    if (n == -1) ads_set_tile(cpkt->dialog, "error", "ERROR: No row selected");
    if (n >= 0) insert_at(cpkt->dialog, n);
}

void down_cb(ads_callback_packet *cpkt)
{
    chem_term_rec *t = nullptr;
    int n = picked(cpkt->dialog, &t);
    if (n == -1) ads_set_tile(cpkt->dialog, "error", "ERROR: No x,y or z row selected");
    if (n >= 0) insert_at(cpkt->dialog, n + 1);
}

void delete_cb(ads_callback_packet *cpkt)
{
    chem_term_rec *t = nullptr;
    int n = picked(cpkt->dialog, &t);
    if (n == -1) ads_set_tile(cpkt->dialog, "error", "ERROR: No x,y or z row selected");
    if (n < 0) return;
    chem_term_rec **at = s_edit.head;
    while (*at != t) at = &(*at)->next;
    *at = t->next;
    free(t);
    if (!*s_edit.head) {
        *s_edit.head = new_term();
        if (!*s_edit.head) return;
    }
    int next = term_at(n) ? n : n - 1;
    fill_list(cpkt->dialog, next);
    show_term(cpkt->dialog, term_at(next));
}

void exit_cb(ads_callback_packet *cpkt)
{
    if (chem_check_equation(cpkt->dialog, s_edit.head) == 0) ads_done_dialog(cpkt->dialog, DLGOK);
}

/* Removes the empty terms of an equation. */
void drop_empty(chem_term_rec **head)
{
    for (chem_term_rec **t = head; *t;) {
        if (!chem_term_is_empty(*t)) {
            t = &(*t)->next;
            continue;
        }
        chem_term_rec *gone = *t;
        *t = gone->next;
        free(gone);
    }
}

/* Shows a failure and picks the term's row; answers -1. */
int refuse(ads_hdlg dlg, int n, const char *error)
{
    fill_list(dlg, n);
    ads_set_tile(dlg, "error", error);
    return -1;
}

}  // namespace

/* Reads a term; see chem_dialog.h. */
void chem_read_term(ads_hdlg dlg, chem_term_rec *t)
{
    int op = tile_get_int(dlg, "chem_op");
    t->op = op >= CHEM_OP_NONE && op < CHEM_OP_COUNT ? op : CHEM_OP_NONE;
    t->open_bracket = tile_get_toggle(dlg, "chem_obkt");
    t->close_bracket = tile_get_toggle(dlg, "chem_cbkt");
    char text[TILE_BUF_SIZE] = "";
    if (t->open_bracket) {
        ads_get_tile(dlg, "chem_sc1", text, TILE_BUF_SIZE);
        t->scalar1 = atof(text);
    }
    int n = tile_get_int(dlg, "chem_col");
    sql_col_rec *c = n >= 0 ? sql_col_nth(g_chem.row, n) : nullptr;
    chem_term_set_column(t, c && g_chem.project ? pjct_find_column(g_chem.project, c->table, c->name, nullptr)
                                                : nullptr);
    text[0] = '\0';
    ads_get_tile(dlg, "chem_sc2", text, TILE_BUF_SIZE);
    t->scalar2 = atof(text);
}

/* Checks a term; see chem_dialog.h. */
int chem_check_term(ads_hdlg dlg, const chem_term_rec *equation, const chem_term_rec *t)
{
    const char *error = nullptr;
    int factor = t->scalar1 != 0 && t->scalar1 != 1.0;
    if (chem_term_is_empty(t))
        error = "ERROR: No scalar or column selected";
    else if (factor && !t->open_bracket)
        error = "ERROR: Invalid first scalar - no open bracket";
    else if ((t->open_bracket || factor) && t->close_bracket)
        error = "ERROR: Invalid open and closing brackets";
    else if (t == equation && t->op != CHEM_OP_NONE)
        error = "ERROR: Invalid operator - none required";
    else if (t != equation && t->op == CHEM_OP_NONE)
        error = "ERROR: No operator";
    if (!error) return 0;
    ads_set_tile(dlg, "error", error);
    return -1;
}

/* Checks the equation; see chem_dialog.h. */
int chem_check_equation(ads_hdlg dlg, chem_term_rec **equation)
{
    drop_empty(equation);
    int n = 0;
    for (const chem_term_rec *t = *equation; t; t = t->next, ++n)
        if (chem_check_term(dlg, *equation, t) != 0) {
            fill_list(dlg, n);   /* the failing row is picked; its reason stays shown */
            return -1;
        }
    int open = 0;
    n = 0;
    for (const chem_term_rec *t = *equation; t; t = t->next, ++n) {
        if (t->open_bracket) {
            if (open) return refuse(dlg, n, "ERROR: Missing closing bracket");
            open = 1;
        }
        if (t->close_bracket) {
            if (!open) return refuse(dlg, n, "ERROR: Invalid closing bracket");
            open = 0;
        }
    }
    if (open) return refuse(dlg, n - 1, "ERROR: Missing closing bracket");
    if (*equation) (*equation)->log_flag = tile_get_toggle(dlg, "chem_log");
    return 0;
}

/* Runs the equation editor; see chem_dialog.h. */
int pv_chemequation_dialog(chem_term_rec **equation)
{
    if (!equation) return -1;
    s_edit.head = equation;
    s_edit.axis = equation == &g_chem.y_equ ? CHEM_AXIS_Y : equation == &g_chem.z_equ ? CHEM_AXIS_Z : CHEM_AXIS_X;
    ads_hdlg dlg = diagram_dialog_open(kDialogName);
    if (!dlg) return -1;
    ads_set_tile(dlg, "chem_title", kTitles[s_edit.axis]);
    dlg_fill_list(dlg, "chem_op", chem_operator_names, CHEM_OP_COUNT);
    const char *keys[] = {"chem_col"};
    diagram_fill_columns(dlg, keys, 1, g_chem.project, g_chem.row);
    if (!*equation) *equation = new_term();
    if (!*equation) {
        ads_done_dialog(dlg, DLGCANCEL);
        return -1;
    }
    ads_set_tile(dlg, "chem_log", (*equation)->log_flag == 1 ? "1" : "0");
    fill_list(dlg, 0);
    show_term(dlg, *equation);
    static const dlg_tile k_tiles[] = {{"chem_equ", equ_cb},       {"chem_obkt", obkt_cb}, {"modify", modify_cb},
                                       {"up", up_cb},              {"down", down_cb},      {"delete", delete_cb},
                                       {"exit", exit_cb}};
    int ok = diagram_dialog_start(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0])) == 1;
    /* Closed without the check: the empty terms made for editing go. */
    if (!ok) drop_empty(equation);
    return ok ? 0 : -1;
}
