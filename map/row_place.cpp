/*
** row_place.cpp: a row's placements, the search for the setup deciding
** each role of a column's drawing, and the collected-message text.
**
** A role is searched from the column's own setup along the association
** column the setup names for that role; each setup visited carries the
** role's bit as a mark, so a cycle of associations ends at the first
** setup seen twice. When no setup of the chain gives the role, the items
** of the last column's dictionary or profile are asked, climbing from the
** item named by the value to its parents.
*/
#include "map/row_place.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/map_params.h"
#include "map/sym_draw.h"

namespace {

/* Out-of-memory code of the application. */
constexpr int ROW_NO_MEMORY = -9101;
/* What str_nonblank answers for a text with a character above blank. */
constexpr int ROW_NONBLANK = 5100;
/* Lowest and highest character a joined value may be split at. */
constexpr int ROW_DELIM_FIRST = 32;
constexpr int ROW_DELIM_LAST = 126;
/* Highest symbol form a slot keeps; others become shapes. */
constexpr int ROW_FORM_LAST = SYM_MODE_VECTORS;

/* The association each role follows, -1 for none (by row_role_index). */
constexpr int k_role_assoc[ROW_ROLE_COUNT] = {
    SYM_ASSOC_SYMBOL, SYM_ASSOC_LAYER, SYM_ASSOC_ANGLE, SYM_ASSOC_POSITION, SYM_ASSOC_FONT, SYM_ASSOC_COLOUR,
    SYM_ASSOC_SCALE, SYM_ASSOC_ANGLE_OFFSET, -1, SYM_ASSOC_PATTERN, SYM_ASSOC_LINE_WIDTH,
};

/* The scratch setup of a composed symbol, and the composed names given
** out since the last row was built: a name stays alive while the slots of
** that row may still point at it. */
sym_rec g_scratch;
/* The names of the last row stay until the next build; whatever is still
** held when the module is unloaded is freed with the list. */
struct composed_names : std::vector<char *> {
    ~composed_names()
    {
        for (char *s : *this) free(s);
    }
};
composed_names g_composed;

/* 1 when the text holds a character above blank. */
bool nonblank(const char *text) { return str_nonblank(text) == ROW_NONBLANK; }

/* A trimmed copy of a text ("" for null). */
std::string trimmed(const char *text)
{
    std::string t = text ? text : "";
    size_t a = t.find_first_not_of(" \t\r\n"), b = t.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : t.substr(a, b - a + 1);
}

/* 1 for a character column. */
bool is_char(const sql_col_rec *c) { return c && c->sql_type == SQL_TYPE_CHAR; }

/* The column of the row named by an association of a setup; null when the
** setup names none or the row lacks it. */
sql_col_rec *assoc_column(sql_col_rec *row, const sym_rec *setup, int which, const char *table)
{
    if (!setup || which < 0) return nullptr;
    std::string name = trimmed(sym_assoc_text(setup, which));
    if (name.empty()) return nullptr;
    return sql_col_find(row, name.c_str(), table, nullptr);
}

/* The symbol record of a node or of its nearest ancestor that has one. */
item_node *with_symbol(item_node *node)
{
    while (node && !node->symbol) node = node->parent;
    return node;
}

/* Frees the composed names kept since the last build. */
void composed_release()
{
    for (char *s : g_composed) free(s);
    g_composed.clear();
    g_scratch.symbol = nullptr;
}

}  // namespace

/* ---- Roles ---- */

int row_role_index(int role)
{
    for (int i = 0; i < ROW_ROLE_COUNT; i++)
        if (role == (ROW_ROLE_FIRST << i)) return i;
    return -1;
}

int sym_has_role(const sym_rec *s, int role)
{
    if (!s) return 0;
    switch (role) {
    case ROW_ROLE_SYMBOL:
        return ((s->flags & SYM_TEXT) && nonblank(s->symbol)) ||
               ((s->flags & SYM_SYMBOL) && s->shape_number > 0 && nonblank(s->library));
    case ROW_ROLE_LAYER: return nonblank(s->layer);
    case ROW_ROLE_ANGLE: return s->angle != 0.0f;
    case ROW_ROLE_POSITION: return s->position >= 1;
    case ROW_ROLE_FONT: return nonblank(s->library) && !(s->flags & SYM_SYMBOL);
    case ROW_ROLE_COLOUR: return s->colour != 0 && s->colour >= -1;
    case ROW_ROLE_SCALE: return s->scale > 0.0f;
    case ROW_ROLE_ANGLE_OFFSET: return s->angle_offset != 0.0f;
    case ROW_ROLE_OFFSETS: return s->x_offset != 0.0 || s->y_offset != 0.0 || s->z_offset != 0.0;
    case ROW_ROLE_FILL: return ((s->flags & SYM_FILL) && nonblank(s->pattern)) || (s->flags & SYM_SOLID);
    case ROW_ROLE_LINE_WIDTH: return s->line_width > 0.0f;
    default: return 0;
    }
}

void row_clear_marks(pjct_rec *project)
{
    if (!project) return;
    for (sym_rec *s = project->symbols; s; s = s->next) s->flags &= ~ROW_ROLE_MARKS;
}

sym_rec *row_resolve_role(sql_col_rec *row, sql_col_rec *column, int role)
{
    int index = row_role_index(role);
    if (!row || !column || index < 0) return nullptr;
    const sym_rec *start = nullptr;   /* the starting column's setup */
    bool start_point = false;
    sql_col_rec *last = nullptr;      /* last column reached */
    std::string name = column->name, table = column->table;
    for (bool first = true;; first = false) {
        sql_col_rec *c = sql_col_find(row, name.c_str(), table.c_str(), nullptr);
        if (!c) break;
        last = c;
        col_attr_rec *rule = c->attr;
        if (first && rule) {
            start = rule->symbol;
            start_point = (rule->flags & COL_ATTR_POINT) != 0;
        }
        if (!rule || !rule->symbol) break;
        sym_rec *s = rule->symbol;
        if (s->flags & role) break;
        if (!nonblank(c->text) && !start_point) break;
        s->flags |= role;
        if (role == ROW_ROLE_POSITION) {
            if (start && start->position >= 1) return (sym_rec *)start;
        } else if (sym_has_role(s, role)) {
            return s;
        }
        if (k_role_assoc[index] < 0) break;
        std::string next = trimmed(sym_assoc_text(s, k_role_assoc[index]));
        if (next.empty()) break;
        name = next;
        table = c->table;
    }
    if (!last || !last->attr || !last->attr->tree) return nullptr;
    const col_attr_rec *r = last->attr;
    int delimiter = (r->flags & COL_ATTR_MANY) ? (unsigned char)r->delimiter : 0;
    return item_resolve_role(last->text, r->tree, delimiter, role);
}

sym_rec *item_resolve_role(const char *value, item_node *tree, int delimiter, int role)
{
    int index = row_role_index(role);
    if (!tree || index < 0) return nullptr;
    item_node *node = item_find(tree, trimmed(value).c_str());
    if (!node) {
        if (role == ROW_ROLE_SYMBOL && delimiter >= ROW_DELIM_FIRST) return item_compose_symbol(value, tree, delimiter);
        return nullptr;
    }
    while ((node = with_symbol(node)) != nullptr) {
        sym_rec *s = node->symbol;
        if (s->flags & role) return nullptr;
        s->flags |= role;
        if (sym_has_role(s, role)) return s;
        int a = k_role_assoc[index];
        item_node *linked = (a >= 0 && s->owner_kind == SYM_OWNER_ITEM) ? (item_node *)s->assoc[a] : nullptr;
        node = linked ? linked : node->parent;
    }
    return nullptr;
}

sym_rec *item_compose_symbol(const char *value, item_node *tree, int delimiter)
{
    if (!value || !tree || delimiter < ROW_DELIM_FIRST || delimiter > ROW_DELIM_LAST) return nullptr;
    std::string joined, text = value;
    bool any = false;
    size_t from = 0;
    while (from <= text.size()) {
        size_t cut = text.find((char)delimiter, from);
        if (cut == std::string::npos) cut = text.size();
        std::string part = trimmed(text.substr(from, cut - from).c_str());
        from = cut + 1;
        item_node *item = part.empty() ? nullptr : item_find(tree, part.c_str());
        if (!item) continue;
        item_node *holder = with_symbol(item);
        sym_rec *s = holder ? holder->symbol : nullptr;
        const char *piece = item->name;
        if (s && !(s->flags & ROW_ROLE_SYMBOL)) {
            s->flags |= ROW_ROLE_SYMBOL;
            if ((s->flags & SYM_TEXT) && nonblank(s->symbol)) piece = s->symbol;
        }
        if (any) joined += (char)delimiter;
        joined += trimmed(piece);
        any = true;
    }
    if (!nonblank(joined.c_str())) return nullptr;
    char *name = strdup(joined.c_str());
    if (!name) return nullptr;
    g_composed.push_back(name);
    g_scratch.symbol = name;
    g_scratch.flags = SYM_TEXT;
    g_scratch.colour = 0;
    g_scratch.position = -1;
    g_scratch.form = SYM_FORM_NONE;
    return &g_scratch;
}

/* ---- Slots ---- */

int place_fill(sym_place_rec *slot, const row_roles *f)
{
    if (!slot || !f) return -2;
    auto setup = [f](int role) { return f->setup[row_role_index(role)]; };
    auto column = [f](int which, bool want_char) -> sql_col_rec * {
        sql_col_rec *c = f->assoc[which];
        return c && c->text && is_char(c) == want_char ? c : nullptr;
    };
    const sym_rec *sym = setup(ROW_ROLE_SYMBOL);
    bool symbol = sym && (sym->flags & SYM_SYMBOL);
    if (sym) slot->name = sym->symbol;
    if (symbol) {
        slot->font = sym->library;
        slot->mode = sym->form >= SYM_MODE_TEXT && sym->form <= ROW_FORM_LAST ? sym->form : SYM_MODE_SHAPE;
        slot->size = g_map_params.scale;
    } else {
        slot->size = g_map_params.text_height;
    }
    if (sym) slot->offset = {sym->x_offset, sym->y_offset, sym->z_offset, 0.0};
    if (const sym_rec *o = setup(ROW_ROLE_OFFSETS)) slot->offset = {o->x_offset, o->y_offset, o->z_offset, 0.0};

    /* The font of a text; a symbol's font is its library. */
    if (!symbol) {
        if (const sym_rec *s = setup(ROW_ROLE_FONT)) slot->font = s->library;
        else if (sql_col_rec *c = column(SYM_ASSOC_FONT, true)) slot->font = c->text;
    }
    if (const sym_rec *s = setup(ROW_ROLE_SCALE)) {
        if (s->scale > 0.0f) slot->size = s->scale;
    } else if (sql_col_rec *c = column(SYM_ASSOC_SCALE, false)) {
        double v = atof(c->text);
        if (v > 0.0) slot->size = slot->size > 0.0 ? slot->size * v : v;
    }
    if (const sym_rec *s = setup(ROW_ROLE_COLOUR)) {
        if (s->colour >= -1) slot->colour = s->colour == 0 ? SYM_PLACE_COLOUR_NONE : s->colour;
    } else if (sql_col_rec *c = column(SYM_ASSOC_COLOUR, false)) {
        int v = atoi(c->text);
        if (v != 0) slot->colour = v;
    }
    if (const sym_rec *s = setup(ROW_ROLE_LAYER)) slot->layer = s->layer;
    else if (sql_col_rec *c = column(SYM_ASSOC_LAYER, true)) slot->layer = c->text;
    if (const sym_rec *s = setup(ROW_ROLE_POSITION); s && s->position >= 0) slot->text_pos = s->position;
    if (const sym_rec *s = setup(ROW_ROLE_ANGLE); s && s->angle != 0.0f) {
        slot->angle = s->angle;
    } else if (!s) {
        if (sql_col_rec *c = column(SYM_ASSOC_ANGLE, false)) {
            slot->angle = atof(c->text);
            slot->angle_col = c;
        }
    }
    if (symbol && slot->angle == 0.0) slot->ask_rotation = 1;
    if (const sym_rec *s = setup(ROW_ROLE_ANGLE_OFFSET)) slot->angle_offset = s->angle_offset;

    /* The fill: a pattern, or the solid fill's switch. */
    if (const sym_rec *s = setup(ROW_ROLE_FILL)) {
        if (s->flags & SYM_SOLID) slot->fill = 1;
        if ((s->flags & SYM_FILL) && nonblank(s->pattern)) slot->pattern = s->pattern;
    } else if (sql_col_rec *c = column(SYM_ASSOC_PATTERN, true)) {
        slot->pattern = c->text;
    }
    if (const sym_rec *s = setup(ROW_ROLE_LINE_WIDTH)) {
        if (s->line_width > 0.0f) slot->line_width = s->line_width;
    } else if (sql_col_rec *c = column(SYM_ASSOC_LINE_WIDTH, true)) {
        slot->line_width = atof(c->text);
    }
    slot->angle_base = g_map_params.angle_base;
    slot->angle_dir = g_map_params.angle_dir;
    slot->source_col = f->shown;
    slot->own_col = f->column;
    return 0;
}

int place_link_all(sym_place_rec *slots, int count, sql_col_rec *row)
{
    if (!slots || count < 1) return -2;
    for (int i = 0; i < count; i++)
        if (slots[i].own_col) link_from_row(&slots[i].link, row, slots[i].own_col);
    return 0;
}

int row_alloc_placements(sql_col_rec *row, sym_place_rec **first, int *first_count, sym_place_rec **second,
                         int *second_count)
{
    if (!row || !first || !first_count || !second || !second_count) return -2;
    *first = *second = nullptr;
    *first_count = *second_count = 0;
    int n = 0;
    for (sql_col_rec *c = row; c; c = c->next) n++;
    if (n == 0) return 0;
    sym_place_rec *a = (sym_place_rec *)malloc(sizeof(sym_place_rec) * (size_t)n);
    sym_place_rec *b = (sym_place_rec *)malloc(sizeof(sym_place_rec) * (size_t)n);
    if (!a || !b) {
        free(a);
        free(b);
        return ROW_NO_MEMORY;
    }
    for (int i = 0; i < n; i++) {
        sym_place_init(&a[i]);
        sym_place_init(&b[i]);
    }
    *first = a, *second = b;
    *first_count = *second_count = n;
    return 0;
}

namespace {

/* 1 when the column is the row's table's BASENUMBER column. */
bool is_basenumber(const tbl_rec *t, const sql_col_rec *c)
{
    const sql_col_rec *b = t ? t->keys[TBL_KEY_BASENUMBER] : nullptr;
    return b && str_eq_nocase(b->name, c->name);
}

/* Moves the texts shown with each anchor's column behind one another in
** anchor order, each owned by its anchor. */
void group_behind_anchors(sym_place_rec *first, int first_count, sym_place_rec *second, int second_count)
{
    int run = 0;
    for (int a = 0; a < first_count; a++) {
        if (first[a].ask_rotation == 1) continue;
        for (int j = run; j < second_count; j++) {
            if (!second[j].source_col || second[j].source_col != first[a].source_col) continue;
            if (j != run) sym_place_swap(&second[j], &second[run]);
            second[run++].owner = a;
        }
    }
}

}  // namespace

int row_build_placements(sql_col_rec *row, sym_place_rec *first, int *first_count, sym_place_rec *second,
                         int *second_count, int mode)
{
    if (!row || !first || !first_count || !second || !second_count) return -2;
    pjct_rec *p = pjct_find_by_session(row->connection);
    if (!p) return -1;
    composed_release();
    const tbl_rec *t = tbl_find_by_name(p->tables, row->table, nullptr);
    int room1 = *first_count, room2 = *second_count, n1 = 0, n2 = 0;
    for (sql_col_rec *c = row; c; c = c->next) {
        col_attr_rec *rule = c->attr;
        if (!rule) continue;
        int axis = col_point_axis(c);
        if (axis == 1 || axis == 2) continue;
        if (!(rule->flags & COL_ATTR_PLOT) && (mode != ROW_PLACE_ALL || is_basenumber(t, c))) continue;
        row_roles f = {};
        for (int i = 0; i < ROW_ROLE_COUNT; i++) f.setup[i] = row_resolve_role(row, c, ROW_ROLE_FIRST << i);
        const sym_rec *own = rule->symbol;
        for (int a = 0; a < SYM_ASSOC_COUNT; a++)
            if (a != SYM_ASSOC_SYMBOL && a != SYM_ASSOC_ANGLE_OFFSET) f.assoc[a] = assoc_column(row, own, a, c->table);
        f.column = c;
        f.shown = f.setup[row_role_index(ROW_ROLE_POSITION)] && f.assoc[SYM_ASSOC_POSITION] ? f.assoc[SYM_ASSOC_POSITION]
                                                                                             : c;
        const sym_rec *sym = f.setup[row_role_index(ROW_ROLE_SYMBOL)];
        if (sym && (sym->flags & SYM_SYMBOL)) {
            if (n1 < room1) place_fill(&first[n1++], &f);
        } else if (sym && (sym->flags & SYM_TEXT) && nonblank(sym->symbol)) {
            if (n2 < room2) place_fill(&second[n2++], &f);
        } else if (nonblank(c->text) && !(rule->point && (rule->flags & COL_ATTR_POINT)) && n2 < room2) {
            place_fill(&second[n2], &f);
            second[n2++].name = c->text;
        }
        row_clear_marks(p);
    }
    *first_count = n1;
    *second_count = n2;
    group_behind_anchors(first, n1, second, n2);
    if (n1 > 0) place_link_all(first, n1, row);
    if (n2 > 0) place_link_all(second, n2, row);
    return 0;
}

/* ---- Collected messages ---- */

int row_msg_append(char *text, const char *line)
{
    if (!text || !line) return -2;
    size_t used = strnlen(text, ROW_MSG_SIZE);
    if (used >= ROW_MSG_SIZE) return -1;   /* not a terminated collected text */
    size_t n = strlen(line);
    if (n > ROW_MSG_SIZE - 1 - used) return -1;
    memcpy(text + used, line, n + 1);
    return 0;
}

int xform_error_line(const prj_rec *from, const prj_rec *to, const char *column, char *text)
{
    std::string line = "\nCould not transform " + trimmed(column) + " from " + trimmed(from ? from->name : "") +
                       " to " + trimmed(to ? to->name : "");
    char why[PRJ_NAME_MAX + 128];
    if (prj_unusable_text(from, to, why, sizeof why)) line += std::string(". ") + why;
    row_msg_append(text, line.c_str());
    return 0;
}
