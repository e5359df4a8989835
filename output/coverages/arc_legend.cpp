/*
** arc_legend.cpp: the legend checker: the unit legend, the arc list and the
** rock types read from the project's tables, the legend matrix of age
** classes counted over the coverage's polygons, its list, the contact code
** of each cell and the arcs drawn where the recorded contact differs.
*/
#include "output/coverages/arc_legend.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/item_tree.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/item_pick.h"
#include "data/item_table.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "draw/sym_place.h"
#include "output/coverages/arc_dialog.h"
#include "output/coverages/arc_make.h"
#include "output/coverages/arc_units.h"

namespace {

constexpr int kResultDone = 5100;              /* a command's result                 */
constexpr long kMinPolygons = 2;               /* the universe and one more           */
constexpr int kTextSize = 512;                 /* room of a progress text             */
constexpr const char *kBoxName = "pv_msg_box";
constexpr const char *kMatrixName = "leg_matrix";
constexpr const char *kMatrixList = "leg_mtx";
constexpr const char *kTitle = "LEGEND CHECKER";
constexpr const char *kEmptyCell = "...";
constexpr const char *kLongName = "LONGNAME";

/* The arc types by index. */
const char *const k_arc_types[ARC_TYPE_COUNT] = {"    ",       "BORDER",        "SHORELINE",   "FAULTS",
                                                 "INTRUSIONS", "UNCONFORMABLE", "CONFORMABLE", "BASEMENT"};
/* Rock type classes. */
const char *const k_stratified[] = {"sedimentary", "metasedimentary", "volcanic", "metavolcanic"};
const char *const k_intrusive[] = {"hypabyssal", "plutonic"};

/* Shows a progress text in the box's "error" tile. */
void progress(const arc_legend_run *run, const char *format, ...) __attribute__((format(printf, 2, 3)));
void progress(const arc_legend_run *run, const char *format, ...)
{
    if (!run->dialog) return;
    char text[kTextSize];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    ads_set_tile(run->dialog, "error", text);
}

/* True for a recorded contact: INTRUSIONS, UNCONFORMABLE or CONFORMABLE. */
bool contact_type(int type) { return type >= ARC_TYPE_INTRUSIONS && type <= ARC_TYPE_CONFORMABLE; }

/* 1 when a dictionary's load failed on a read (a table that cannot be
** read, an ended driver), not on a dictionary or profile that is not
** there or does not fit. */
bool load_unread(int rc)
{
    return sql_driver_lost(rc) || (rc < -2 && sql_last_failure()->code == rc && !sql_no_table(rc));
}

/* The dictionary tree of a column's input rule: the rule's loaded tree,
** else its profile or its dictionary loaded here (kept in the run's owned
** trees). Null when the rule names none or the load fails; a load that
** failed on a read is said, naming the table, and its code left in
** *failed. */
item_node *rule_tree(arc_legend_run *run, const sql_col_rec *column, int *failed)
{
    col_attr_rec *rule = arc_column_rule(run->project, column);
    if (!rule || str_nonblank(rule->dictionary) != RTNORM) return nullptr;
    if (rule->tree) return rule->tree;
    item_node *root = (item_node *)std::calloc(1, sizeof(item_node));
    if (!root) return nullptr;
    prf_sides_saved saved;
    prf_sides_point(run->project, &saved);
    int rc = str_nonblank(rule->profile) == RTNORM ? item_load_profile(rule->profile, rule->dictionary, root)
                                                   : item_load_dictionary(rule->dictionary, root);
    prf_sides_restore(&saved);
    if (rc != 0) {
        item_free_tree(root);
        if (load_unread(rc))
            *failed = link_table_read_report(run->project->name,
                                             str_nonblank(rule->profile) == RTNORM ? rule->profile : rule->dictionary, rc);
        return nullptr;
    }
    run->owned.push_back(root);
    return root;
}

/* Runs "SELECT * FROM" the table and hands every row to use; the query is
** closed afterwards. 0 when every row was handed over (none for an empty
** table); the SQL layer's code, said once naming the table, when the
** table or one of its rows cannot be read: a check on part of a table
** would draw arcs the whole table does not call for. */
template <typename Use>
int each_row(pjct_rec *project, tbl_rec *table, Use use)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_select_all(project->connection, &stmt, &cursor, &row, table->name, nullptr, 0);
    int rc = n < 0 ? n : 0;
    for (int k = 0; rc == 0 && k < n; k++) {
        rc = sql_fetch_counted(cursor, row, k);
        if (rc == RTNORM) rc = 0, use(row);
    }
    sql_close_query(&stmt, &cursor, &row);
    if (rc < 0) link_table_read_report(project->name, table->name, rc);
    return rc;
}

/* The trimmed text of a row's column; "" when absent or null. */
std::string column_text(sql_col_rec *row, const char *name)
{
    sql_col_rec *c = sql_col_find(row, name, nullptr, nullptr);
    if (!c || !c->text || c->null_ind == SQL_COL_NULL) return "";
    std::string t = c->text;
    std::size_t a = t.find_first_not_of(" \t"), b = t.find_last_not_of(" \t");
    return a == std::string::npos ? "" : t.substr(a, b - a + 1);
}

/* The item named name (without regard to case) below the root; null. */
item_node *find_nocase(item_node *root, const char *name)
{
    return arc_dict_item_at(root, arc_dict_position(root, name));
}

/* True when the PAL entry's neighbour is a unit and its arc an arc of the
** list: ring breaks and numbers beyond either are passed over. */
bool usable(const arc_legend_run *run, const arc_pal_entry &e)
{
    long arc = e.arc < 0 ? -(long)e.arc : (long)e.arc;
    return e.adj_poly >= 1 && (std::size_t)e.adj_poly < run->units.size() && arc >= 1 &&
           (std::size_t)arc < run->arcs.size();
}

/* The arc number of a PAL entry (its direction dropped). */
long arc_of(const arc_pal_entry &e) { return e.arc < 0 ? -(long)e.arc : (long)e.arc; }

/* True when the class lies in 1..C-1. */
bool in_range(const arc_legend_run *run, int cls) { return cls >= 1 && cls < run->classes; }

}  // namespace

/* Appends an entry; see arc_legend.h. */
int arc_legend_cell_append(arc_legend_cell *cell, long p, long q)
{
    if (cell->count == cell->room) {
        long room = cell->room ? cell->room * 2 : 4;
        long *polys = (long *)std::realloc(cell->polys, (std::size_t)room * sizeof(long));
        if (polys) cell->polys = polys;
        long *neighbours = polys ? (long *)std::realloc(cell->neighbours, (std::size_t)room * sizeof(long)) : nullptr;
        if (!polys || !neighbours) return 0;
        cell->neighbours = neighbours;
        cell->room = room;
    }
    cell->polys[cell->count] = p;
    cell->neighbours[cell->count] = q;
    cell->count++;
    return 1;
}

namespace {

/* Walks every usable PAL entry of every polygon, announcing each polygon
** with the heading, and hands (p, q) to use when both classes are in range. */
template <typename Use>
void each_adjacency(arc_legend_run *run, const char *heading, Use use)
{
    for (long p = 1; p < (long)run->units.size(); p++) {
        progress(run, "%s... polygon: %ld, unit: %s", heading, p, run->units[(std::size_t)p].age);
        if (!arc_cover_read_pal(run->cover, p)) continue;
        for (const arc_pal_entry &e : run->cover->pal_arcs) {
            if (!usable(run, e)) continue;
            long q = e.adj_poly;
            if (in_range(run, run->units[(std::size_t)p].cls) && in_range(run, run->units[(std::size_t)q].cls))
                use(p, q);
        }
    }
}

/* True when the rock type item lies under (or is) one of the class names
** the dictionary holds. */
template <std::size_t N>
bool under_any(item_node *rocks, const item_node *item, const char *const (&names)[N])
{
    for (const char *n : names)
        if (item_is_ancestor_named(rocks, n, item->name)) return true;
    return false;
}

/* True when the dictionary holds one of the names. */
template <std::size_t N>
bool holds_any(item_node *rocks, const char *const (&names)[N])
{
    for (const char *n : names)
        if (item_find(rocks, n)) return true;
    return false;
}

/* The chain of the class of one polygon; null when it has none. */
arc_rocktype_chain *chain_of(const arc_legend_run *run, long polygon)
{
    if (polygon < 1 || (std::size_t)polygon >= run->units.size()) return nullptr;
    int cls = run->units[(std::size_t)polygon].cls;
    return in_range(run, cls) ? run->rocktypes[cls] : nullptr;
}

/* True when the arc of a PAL entry of a polygon borders the neighbour. */
bool borders(const arc_legend_run *run, const arc_pal_entry &e, long neighbour)
{
    const arc_arc_entry &a = run->arcs[(std::size_t)arc_of(e)];
    return a.left == neighbour || a.right == neighbour;
}

}  // namespace

/* ---- Dictionaries ---- */

/* A position in walk order; see arc_legend.h. */
int arc_dict_position(item_node *root, const char *name)
{
    if (!root || !name || !*name) return 0;
    int n = 0;
    for (item_node *i = item_walk_next(root); i; i = item_walk_next(i)) {
        n++;
        if (i->name && item_name_eq_nocase(i->name, name) == 1) return n;
    }
    return 0;
}

/* The item at a position; see arc_legend.h. */
item_node *arc_dict_item_at(item_node *root, int position)
{
    if (!root || position < 1) return nullptr;
    item_node *i = item_walk_next(root);
    for (int n = 1; i && n < position; n++) i = item_walk_next(i);
    return i;
}

/* ---- The matrix ---- */

/* C from the units; see arc_legend.h. */
int arc_legend_class_count(const std::vector<arc_unit_entry> &units)
{
    int top = 0;
    for (const arc_unit_entry &u : units)
        if (u.cls > top) top = u.cls;
    return top < 1 || top > ARC_LEGEND_CLASS_MAX ? -1 : top + 1;
}

/* A new matrix; see arc_legend.h. */
arc_legend_matrix *arc_legend_matrix_new(int size)
{
    if (size < 1) return nullptr;
    arc_legend_matrix *m = (arc_legend_matrix *)std::calloc(1, sizeof *m);
    if (!m) return nullptr;
    m->cells = (arc_legend_cell *)std::calloc((std::size_t)size * (std::size_t)size, sizeof(arc_legend_cell));
    if (!m->cells) {
        std::free(m);
        return nullptr;
    }
    m->size = size;
    for (int i = 0; i < size * size; i++) m->cells[i].code = ARC_CONTACT_UNSET;
    return m;
}

/* Frees a matrix; see arc_legend.h. */
void arc_legend_matrix_free(arc_legend_matrix *m)
{
    if (!m) return;
    for (int i = 0; i < m->size * m->size; i++) {
        std::free(m->cells[i].polys);
        std::free(m->cells[i].neighbours);
    }
    std::free(m->cells);
    std::free(m);
}

/* A cell; see arc_legend.h. */
arc_legend_cell *arc_legend_cell_at(arc_legend_matrix *m, int r, int c)
{
    if (!m || r < 0 || c < 0 || r >= m->size || c >= m->size) return nullptr;
    return &m->cells[r * m->size + c];
}

/* Cells of a column with a count; see arc_legend.h. */
int arc_legend_column_count(arc_legend_matrix *m, int c)
{
    int k = 0;
    for (int r = 1; m && r < m->size; r++) {
        arc_legend_cell *cell = arc_legend_cell_at(m, r, c);
        if (cell && cell->count > 0) k++;
    }
    return k;
}

/* Cell (c + 1, c); see arc_legend.h. */
int arc_legend_below_diagonal(arc_legend_matrix *m, int c)
{
    arc_legend_cell *cell = arc_legend_cell_at(m, c + 1, c);
    return cell && cell->count > 0 ? 1 : 0;
}

/* Cell (c, c); see arc_legend.h. */
int arc_legend_diagonal(arc_legend_matrix *m, int c)
{
    arc_legend_cell *cell = arc_legend_cell_at(m, c, c);
    return cell && cell->count > 0 ? 1 : 0;
}

/* ---- Rock types ---- */

/* A chain link; see arc_legend.h. */
arc_rocktype_chain *arc_legend_chain_new(item_node *item)
{
    arc_rocktype_chain *link = (arc_rocktype_chain *)std::calloc(1, sizeof *link);
    if (link) link->item = item;
    return link;
}

/* The chains; see arc_legend.h. */
arc_rocktype_chain **arc_legend_rocktypes_new(int classes)
{
    if (classes < 1) return nullptr;
    return (arc_rocktype_chain **)std::calloc((std::size_t)classes, sizeof(arc_rocktype_chain *));
}

/* Frees the chains; see arc_legend.h. */
void arc_legend_free_rocktypes(arc_rocktype_chain **rocktypes, int classes)
{
    if (!rocktypes) return;
    for (int c = 0; c < classes; c++)
        while (rocktypes[c]) {
            arc_rocktype_chain *next = rocktypes[c]->next;
            std::free(rocktypes[c]);
            rocktypes[c] = next;
        }
    std::free(rocktypes);
}

/* The stratified test; see arc_legend.h. */
int arc_rocktype_class(arc_legend_run *run, const arc_legend_cell *cell, int neighbours)
{
    if (!cell || cell->count == 0) return 1;
    if (!run->rocks || !run->rocktypes ||
        !(holds_any(run->rocks, k_stratified) || holds_any(run->rocks, k_intrusive)))
        return 0;
    for (long i = 0; i < cell->count; i++) {
        bool stratified = false;
        for (arc_rocktype_chain *r = chain_of(run, neighbours ? cell->neighbours[i] : cell->polys[i]); r; r = r->next) {
            if (under_any(run->rocks, r->item, k_intrusive)) return 0;
            if (under_any(run->rocks, r->item, k_stratified)) stratified = true;
        }
        if (!stratified) return 0;
    }
    return 1;
}

/* The intrusive test; see arc_legend.h. */
int arc_rocktype_intrusive(arc_legend_run *run, const arc_legend_cell *cell, int neighbours)
{
    if (!cell || cell->count == 0) return 1;
    if (!run->rocks || !run->rocktypes || !holds_any(run->rocks, k_intrusive)) return 0;
    for (long i = 0; i < cell->count; i++) {
        arc_rocktype_chain *chain = chain_of(run, neighbours ? cell->neighbours[i] : cell->polys[i]);
        if (!chain) return 0;
        for (arc_rocktype_chain *r = chain; r; r = r->next)
            if (!under_any(run->rocks, r->item, k_intrusive)) return 0;
    }
    return 1;
}

/* ---- Pruning and drawing ---- */

/* Swaps two entries; see arc_legend.h. */
void arc_legend_swap_entries(arc_legend_cell *cell, long i, long j)
{
    long p = cell->polys[i], q = cell->neighbours[i];
    cell->polys[i] = cell->polys[j];
    cell->neighbours[i] = cell->neighbours[j];
    cell->polys[j] = p;
    cell->neighbours[j] = q;
}

/* Prunes a cell; see arc_legend.h. */
long arc_legend_prune_cell(arc_legend_run *run, arc_legend_cell *cell)
{
    for (long i = 0; cell && i < cell->count;) {
        bool recorded = false;
        if (arc_cover_read_pal(run->cover, cell->polys[i]))
            for (const arc_pal_entry &e : run->cover->pal_arcs)
                if (usable(run, e) && borders(run, e, cell->neighbours[i]) &&
                    contact_type(run->arcs[(std::size_t)arc_of(e)].type_index))
                    recorded = true;
        if (recorded) {
            arc_legend_swap_entries(cell, i, cell->count - 1);
            cell->count--;
        } else {
            i++;
        }
    }
    return cell ? cell->count : 0;
}

/* Draws the differing arcs of a cell; see arc_legend.h. */
long arc_legend_mark_arcs(arc_legend_run *run, arc_legend_cell *cell, int code)
{
    long drawn = 0;
    if (run->drawn.size() != run->arcs.size()) run->drawn.assign(run->arcs.size(), 0);
    for (long i = 0; cell && i < cell->count; i++) {
        if (!arc_cover_read_pal(run->cover, cell->polys[i])) continue;
        std::vector<long> differing;
        for (const arc_pal_entry &e : run->cover->pal_arcs) {
            if (!usable(run, e) || !borders(run, e, cell->neighbours[i])) continue;
            int type = run->arcs[(std::size_t)arc_of(e)].type_index;
            if (contact_type(type) && type != code && !run->drawn[(std::size_t)arc_of(e)])
                differing.push_back(arc_of(e));
        }
        for (long n : differing) {
            if (run->drawn[(std::size_t)n] || !arc_cover_read_arc(run->cover, n)) continue;
            if (arc_plot_arc(run->project, run->arcs_table, &run->cover->arc, run->cover_prj, run->map_prj,
                             run->place) == 0) {
                run->drawn[(std::size_t)n] = 1;
                drawn++;
            }
        }
    }
    run->drawn_count += drawn;
    return drawn;
}

/* ---- Reading ---- */

/* The unit legend; see arc_legend.h. */
int arc_legend_read_units(arc_legend_run *run, tbl_rec *table, const char *unit_column, const char *age_column)
{
    if (!table || !run->cover) return -1;
    sql_col_rec *unit = tbl_column_find(table->columns, unit_column, nullptr, nullptr);
    sql_col_rec *age = tbl_column_find(table->columns, age_column, nullptr, nullptr);
    if (!unit || unit->sql_type == SQL_TYPE_CHAR || !age) return -1;
    int failed = -1;
    run->ages = rule_tree(run, age, &failed);
    if (!run->ages) return failed;
    progress(run, "Reading %s table...", table->name);
    run->units.assign((std::size_t)run->cover->npolygons + 1, arc_unit_entry{});
    return each_row(run->project, table, [&](sql_col_rec *row) {
        long n = 0;
        if (!arc_column_long(sql_col_find(row, unit->name, nullptr, nullptr), &n) || n < 1 ||
            n > run->cover->npolygons)
            return;
        std::string value = column_text(row, age->name);
        progress(run, "Reading unit %ld legend: %s", n, value.c_str());
        arc_unit_entry &u = run->units[(std::size_t)n];
        std::snprintf(u.age, sizeof u.age, "%.*s", ARC_AGE_CODE_MAX, value.c_str());
        u.cls = arc_dict_position(run->ages, u.age);
    });
}

/* The arc list; see arc_legend.h. */
int arc_legend_read_arcs(arc_legend_run *run, tbl_rec *table, const char *arc_column)
{
    if (!table || !run->cover || table->table_type != TBL_DEF_BOUNDARY) return -1;
    sql_col_rec *number = tbl_column_find(table->columns, arc_column, nullptr, nullptr);
    sql_col_rec *type = tbl_column_find(table->columns, ARC_COL_TYPE, nullptr, nullptr);
    if (!number || number->sql_type == SQL_TYPE_CHAR || !type ||
        !tbl_column_find(table->columns, ARC_COL_LEFT, nullptr, nullptr) ||
        !tbl_column_find(table->columns, ARC_COL_RIGHT, nullptr, nullptr))
        return -1;
    int failed = -1;
    run->arc_types = rule_tree(run, type, &failed);
    if (!run->arc_types) return failed;
    run->arcs_table = table;
    progress(run, "Reading %s table...", table->name);
    run->arcs.assign((std::size_t)run->cover->narcs + 1, arc_arc_entry{});
    return each_row(run->project, table, [&](sql_col_rec *row) {
        long n = 0;
        if (!arc_column_long(sql_col_find(row, number->name, nullptr, nullptr), &n) || n < 1 ||
            n > run->cover->narcs)
            return;
        progress(run, "Reading arc... %ld", n);
        arc_arc_entry &a = run->arcs[(std::size_t)n];
        a.type = find_nocase(run->arc_types, column_text(row, ARC_COL_TYPE).c_str());
        a.type_index = ARC_TYPE_BLANK;
        for (int t = 0; a.type && t < ARC_TYPE_COUNT; t++)
            if (item_name_eq_nocase(a.type->name, k_arc_types[t]) == 1) a.type_index = t;
        arc_column_long(sql_col_find(row, ARC_COL_LEFT, nullptr, nullptr), &a.left);
        arc_column_long(sql_col_find(row, ARC_COL_RIGHT, nullptr, nullptr), &a.right);
    });
}

/* The rock types per class; see arc_legend.h. */
int arc_legend_read_tables(arc_legend_run *run, tbl_rec *table, const char *legend_column, const char *rock_column)
{
    if (!table || (table->table_type != TBL_DEF_DICTION && table->table_type != TBL_DEF_LEGEND)) return -1;
    sql_col_rec *legend = tbl_column_find(table->columns, legend_column, nullptr, nullptr);
    sql_col_rec *longname = tbl_column_find(table->columns, kLongName, nullptr, nullptr);
    if (!legend || !longname || legend->sql_type != SQL_TYPE_CHAR || longname->sql_type != SQL_TYPE_CHAR) return -1;
    tbl_rec *rock_table = nullptr;
    arc_opts_rec *o = arc_opts();
    sql_col_rec *rock = arc_opts_column(o, rock_column, &rock_table);
    int failed = -1;
    run->legends = rule_tree(run, legend, &failed);
    run->rocks = rock && run->legends ? rule_tree(run, rock, &failed) : nullptr;
    if (!run->legends || !run->rocks) return failed;
    run->rocktypes = arc_legend_rocktypes_new(run->classes);
    if (!run->rocktypes) {
        err_report(ERR_NO_MEMORY, table->name);
        return ERR_NO_MEMORY;
    }
    int rc = 0;
    int read = each_row(run->project, table, [&](sql_col_rec *row) {
        std::string name = column_text(row, longname->name), value = column_text(row, legend->name);
        progress(run, "Reading... legend %s... rocktype %s", name.c_str(), value.c_str());
        item_node *top = find_nocase(run->legends, name.c_str());
        while (top && top->parent && top->parent->parent) top = top->parent;
        item_node *type = find_nocase(run->rocks, value.c_str());
        int cls = top ? arc_dict_position(run->ages, top->name) : 0;
        if (!type || !in_range(run, cls) || rc != 0) return;
        arc_rocktype_chain *link = arc_legend_chain_new(type);
        if (!link) {
            rc = ERR_NO_MEMORY;
            return;
        }
        arc_rocktype_chain **tail = &run->rocktypes[cls];
        while (*tail) tail = &(*tail)->next;
        *tail = link;
    });
    if (read < 0) return read;
    if (rc != 0) err_report(rc, table->name);
    return rc;
}

/* ---- The checks ---- */

/* Unit adjacencies; see arc_legend.h. */
void arc_legend_check_units(arc_legend_run *run)
{
    each_adjacency(run, "UNIT ADJACENCIES", [&](long p, long q) {
        arc_legend_cell_at(run->matrix, run->units[(std::size_t)p].cls, run->units[(std::size_t)q].cls)->count++;
    });
}

/* Age adjacencies; see arc_legend.h. */
void arc_legend_check_ages(arc_legend_run *run)
{
    bool short_of_memory = false;
    each_adjacency(run, "AGE ADJACENNCIES", [&](long p, long q) {
        const arc_unit_entry &up = run->units[(std::size_t)p], &uq = run->units[(std::size_t)q];
        item_node *ip = arc_dict_item_at(run->ages, up.cls), *iq = arc_dict_item_at(run->ages, uq.cls);
        bool agree = item_name_eq_nocase(up.age, uq.age) == 1 ||
                     (ip && iq && item_is_strict_ancestor_named(run->ages, iq->name, ip->name) == 1);
        if (agree && !short_of_memory &&
            !arc_legend_cell_append(arc_legend_cell_at(run->matrix, up.cls, uq.cls), p, q))
            short_of_memory = true;
    });
    if (short_of_memory) err_report(ERR_NO_MEMORY, kTitle);
}

/* The lines of the matrix list; see arc_legend.h. */
std::vector<std::string> arc_legend_matrix_lines(arc_legend_run *run)
{
    char text_cell[16], number_cell[16], cell[64];
    std::snprintf(text_cell, sizeof text_cell, "%%-%ds\t", ARC_LEGEND_CELL_WIDTH);
    std::snprintf(number_cell, sizeof number_cell, "%%-%dd\t", ARC_LEGEND_CELL_WIDTH);
    int shown = run->classes - 1 < ARC_LEGEND_SHOWN_MAX ? run->classes - 1 : ARC_LEGEND_SHOWN_MAX;
    auto name = [&](int cls) {
        item_node *i = arc_dict_item_at(run->ages, cls);
        return i && i->name ? i->name : "";
    };
    std::vector<std::string> lines;
    std::snprintf(cell, sizeof cell, text_cell, "");
    std::string header = cell;
    for (int c = 1; c <= shown; c++) {
        std::snprintf(cell, sizeof cell, text_cell, name(c));
        header += cell;
    }
    lines.push_back(header);
    for (int r = 1; r <= shown; r++) {
        std::snprintf(cell, sizeof cell, text_cell, name(r));
        std::string line = cell;
        for (int c = 1; c <= shown; c++) {
            long count = arc_legend_cell_at(run->matrix, r, c)->count;
            if (count > 0)
                std::snprintf(cell, sizeof cell, number_cell, (int)count);
            else
                std::snprintf(cell, sizeof cell, text_cell, kEmptyCell);
            line += cell;
        }
        lines.push_back(line);
    }
    return lines;
}

/* Shows the matrix; see arc_legend.h. */
int arc_legend_matrix_list(arc_legend_run *run)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(kMatrixName, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg)
        return err_report(ERR_LOAD_DIALOG, kMatrixName);
    std::vector<std::string> lines = arc_legend_matrix_lines(run);
    std::vector<const char *> texts;
    for (const std::string &l : lines) texts.push_back(l.c_str());
    dlg_fill_list(dlg, kMatrixList, texts.data(), (int)texts.size());
    int status = 0;
    ads_start_dialog(dlg, &status);
    return 0;
}

/* The column check; see arc_legend.h. */
void arc_legend_check_columns(arc_legend_run *run)
{
    int C = run->classes;
    for (int c = 1; c <= C - 2; c++) {
        ads_printf("\rLegend Checking column... %d", c);
        int d = arc_legend_diagonal(run->matrix, c), b = arc_legend_below_diagonal(run->matrix, c);
        int k = arc_legend_column_count(run->matrix, c) - d;
        bool pruned = false;
        for (int r = c; r <= C - 1; r++) {
            arc_legend_cell *cell = arc_legend_cell_at(run->matrix, r, c);
            if (cell->count == 0) continue;
            int code;
            bool stratified_neighbours = arc_rocktype_class(run, cell, 1) == 1;
            if (k == 0) {
                code = ARC_CONTACT_ALONE;
            } else if (d == 1 && r == c) {
                code = ARC_CONTACT_SAME;
            } else if (b == 1 && stratified_neighbours && arc_rocktype_class(run, cell, 0) == 1) {
                code = k - 1 != 0 ? ARC_TYPE_UNCONFORMABLE : ARC_TYPE_CONFORMABLE;
                if (!pruned)
                    for (int rr = r; rr <= C - 1; rr++) arc_legend_prune_cell(run, arc_legend_cell_at(run->matrix, rr, c));
                pruned = true;
            } else if (stratified_neighbours) {
                code = arc_rocktype_intrusive(run, cell, 0) == 1 ? ARC_TYPE_UNCONFORMABLE
                       : arc_rocktype_intrusive(run, cell, 1) == 1 ? ARC_TYPE_INTRUSIONS
                                                                   : ARC_CONTACT_NONE;
            } else {
                code = arc_rocktype_intrusive(run, cell, 1) == 1 ? ARC_TYPE_INTRUSIONS : ARC_CONTACT_NONE;
            }
            cell->code = code;
            if (contact_type(code)) arc_legend_mark_arcs(run, cell, code);
        }
    }
}

/* Frees the run; see arc_legend.h. */
void arc_legend_run_free(arc_legend_run *run)
{
    arc_legend_matrix_free(run->matrix);
    run->matrix = nullptr;
    arc_legend_free_rocktypes(run->rocktypes, run->classes);
    run->rocktypes = nullptr;
    for (item_node *root : run->owned) item_free_tree(root);
    run->owned.clear();
}

/* ---- The command ---- */

/* The command handler; see arc_legend.h. */
int pv_arclegend(struct resbuf *)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "ERROR: no map projection defined");
        return kResultDone;
    }
    if (arc_dialog_open(ARC_DIALOG_LEGEND, nullptr, nullptr) != 0) return kResultDone;
    arc_opts_rec *o = arc_opts();
    if (arc_cover_open() != 0 || o->cover->npolygons < kMinPolygons) {
        std::string name = o->covername, why = arc_cover_refusal(o->covername, kMinPolygons);
        arc_cover_close();
        msg_alert(ERR_TITLE, "ERROR: invalid ArcInfo coverage %s: %s", name.c_str(), why.c_str());
        return kResultDone;
    }
    /* A contact is checked only on a coverage that reads whole: a part of
    ** it would leave arcs unchecked, unsaid. */
    std::string unread = arc_cover_unread(o->cover, o->covername, true);
    if (!unread.empty()) {
        arc_cover_close();
        msg_alert(ERR_TITLE, "ERROR: %s.\nNo contact was checked.", unread.c_str());
        return kResultDone;
    }
    arc_legend_run run;
    if (ads_new_dialog(kBoxName, g_dcl_id, nullptr, &run.dialog) != RTNORM || !run.dialog) {
        err_report(ERR_LOAD_DIALOG, kBoxName);
        arc_cover_close();
        return kResultDone;
    }
    char title[ARC_COVERNAME_SIZE + sizeof ": " + 16];
    std::snprintf(title, sizeof title, "%s: %s", kTitle, o->covername);
    ads_set_tile(run.dialog, "title", title);
    ads_mode_tile(run.dialog, "accept", MODE_DISABLE);
    run.project = o->project;
    run.cover = o->cover;
    run.cover_prj = o->projection;
    run.map_prj = g_map_params.projection;
    sym_place_rec place;
    arc_arcs_placement(o->project, &place);
    run.place = &place;

    tbl_rec *unit_table = nullptr, *arc_table = nullptr, *legend_table = nullptr;
    sql_col_rec *unit = arc_opts_column(o, o->unitnum, nullptr), *age = arc_opts_column(o, o->alegend, &unit_table);
    sql_col_rec *arcnum = arc_opts_column(o, o->arcnum, &arc_table);
    sql_col_rec *legend = arc_opts_column(o, o->mlegend, &legend_table);
    bool rocks = false;
    if (unit && age && arc_legend_read_units(&run, unit_table, unit->name, age->name) == 0 &&
        (run.classes = arc_legend_class_count(run.units)) > 0) {
        progress(&run, "Allocating legend matrix...");
        run.matrix = arc_legend_matrix_new(run.classes);
        if (!run.matrix) err_report(ERR_NO_MEMORY, kTitle);
        if (run.matrix && arcnum && arc_legend_read_arcs(&run, arc_table, arcnum->name) == 0) {
            arc_legend_check_units(&run);
            progress(&run, "ADJACENCY CHECKING... done");
            arc_legend_matrix_list(&run);
            for (int i = 0; i < run.classes * run.classes; i++) run.matrix->cells[i].count = 0;
            arc_legend_check_ages(&run);
            progress(&run, "LEGEND CHECKING... done");
            arc_legend_matrix_list(&run);
            rocks = legend && arc_legend_read_tables(&run, legend_table, legend->name, o->rocktype) == 0;
        }
    }
    ads_mode_tile(run.dialog, "accept", MODE_ENABLE);
    progress(&run, "Legend Checker... press OK to continue");
    ads_action_tile(run.dialog, "accept", [](ads_callback_packet *cpkt) { ads_done_dialog(cpkt->dialog, DLGOK); });
    int status = 0;
    ads_start_dialog(run.dialog, &status);
    run.dialog = nullptr;
    if (rocks) arc_legend_check_columns(&run);
    arc_legend_run_free(&run);
    arc_cover_close();
    return kResultDone;
}
