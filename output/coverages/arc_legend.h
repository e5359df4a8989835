/*
** arc_legend.h: the legend checker pv_arclegend. It reads the age legend
** of each map unit (a polygon of the coverage), the rock types of the
** legend units and the recorded contact type of each arc (table ARCS),
** counts which age classes touch across arcs, shows the counts as a
** matrix, decides for each pair of touching classes which contact the
** legend implies (intrusive, unconformable, conformable) and draws the
** arcs whose recorded contact type differs from it.
**
**     arc_legend_matrix *m = arc_legend_matrix_new(classes);
**     arc_legend_check_ages(&run);  arc_legend_matrix_list(&run);
**     arc_legend_matrix_free(m);
*/
#ifndef PV_OUTPUT_ARC_LEGEND_H
#define PV_OUTPUT_ARC_LEGEND_H

#include <string>
#include <vector>

#include "output/coverages/arc_cover.h"
#include "platform/include/dcl_host.h"

struct pjct_rec;
struct prj_rec;
struct tbl_rec;
struct item_node;
struct sym_place_rec;
struct resbuf;

/* Characters of an age code. */
constexpr int ARC_AGE_CODE_MAX = 3;
/* Largest age class the check accepts. */
constexpr int ARC_LEGEND_CLASS_MAX = 80;
/* Classes the matrix list shows at most. */
constexpr int ARC_LEGEND_SHOWN_MAX = 24;
/* Width of a matrix list cell, in characters. */
constexpr int ARC_LEGEND_CELL_WIDTH = 4;

/* Arc (contact) types by index; an arc's recorded type is its ARC_TYPE
** item's index among these names. */
constexpr int ARC_TYPE_BLANK = 0;
constexpr int ARC_TYPE_BORDER = 1;
constexpr int ARC_TYPE_SHORELINE = 2;
constexpr int ARC_TYPE_FAULTS = 3;
constexpr int ARC_TYPE_INTRUSIONS = 4;
constexpr int ARC_TYPE_UNCONFORMABLE = 5;
constexpr int ARC_TYPE_CONFORMABLE = 6;
constexpr int ARC_TYPE_BASEMENT = 7;
constexpr int ARC_TYPE_COUNT = 8;
/* Contact codes of a cell besides the arc types 4, 5 and 6. */
constexpr int ARC_CONTACT_NONE = 0;     /* nothing implied                     */
constexpr int ARC_CONTACT_SAME = 3;     /* the diagonal of a column            */
constexpr int ARC_CONTACT_ALONE = 7;    /* no other class in the column        */
constexpr int ARC_CONTACT_UNSET = -1;   /* the cell was not decided            */

/* The age legend of one map unit (polygon). */
struct arc_unit_entry {
    char age[ARC_AGE_CODE_MAX + 1] = "";  /* age code: the first 3 characters */
    int cls = 0;                          /* its walk-order position in the age dictionary; 0 none */
};

/* One arc as ARCS records it. */
struct arc_arc_entry {
    item_node *type = nullptr;   /* its ARC_TYPE item; null when none or not in the dictionary */
    int type_index = ARC_TYPE_BLANK; /* that item's index among the arc types              */
    long left = 0, right = 0;    /* LEFT_POLY and RIGHT_POLY                              */
};

/* One cell of the legend matrix: polygons of its row class that border
** polygons of its column class, in parallel lists. */
struct arc_legend_cell {
    long *polys;         /* the polygons; owned (malloc)          */
    long *neighbours;    /* their neighbours, one for one; owned  */
    long count;          /* entries (or the adjacencies counted)  */
    long room;           /* entries the lists have room for       */
    int code;            /* contact code decided; ARC_CONTACT_UNSET */
};

/* The C x C matrix, cells indexed (class of a polygon, class of its
** neighbour). */
struct arc_legend_matrix {
    int size;                  /* C                                  */
    arc_legend_cell *cells;    /* size * size cells, row by row; owned */
};

/* A chain of rock type items of one class. */
struct arc_rocktype_chain {
    item_node *item;           /* a rock type item; not owned        */
    arc_rocktype_chain *next;  /* the next one; owned                */
};

/* Everything one check works on. */
struct arc_legend_run {
    ads_hdlg dialog = nullptr;          /* the progress box; null: no progress shown */
    pjct_rec *project = nullptr;        /* the project; borrowed                   */
    arc_cover_rec *cover = nullptr;     /* the open coverage; borrowed             */
    item_node *ages = nullptr;          /* the age dictionary                      */
    item_node *legends = nullptr;       /* the map legend dictionary               */
    item_node *rocks = nullptr;         /* the rock type dictionary                */
    item_node *arc_types = nullptr;     /* the ARC_TYPE dictionary                 */
    std::vector<item_node *> owned;     /* the trees loaded here, freed at the end */
    std::vector<arc_unit_entry> units;  /* by polygon number 0..count              */
    std::vector<arc_arc_entry> arcs;    /* by arc number 0..count                  */
    int classes = 0;                    /* C                                       */
    arc_legend_matrix *matrix = nullptr; /* owned                                  */
    arc_rocktype_chain **rocktypes = nullptr; /* one chain per class; owned        */
    tbl_rec *arcs_table = nullptr;      /* ARCS (the arc number column's table)    */
    prj_rec *cover_prj = nullptr;       /* the coverage's system                   */
    prj_rec *map_prj = nullptr;         /* the map's system                        */
    sym_place_rec *place = nullptr;     /* the placement of the drawn arcs         */
    std::vector<char> drawn;            /* one flag per arc: drawn by this check   */
    long drawn_count = 0;               /* arcs drawn                              */
};

/* The command handler (arguments unused). 5100. */
int pv_arclegend(struct resbuf *args);

/* The 1-based walk-order position of the item named name (without regard
** to case) below the root; 0 when absent. */
int arc_dict_position(item_node *root, const char *name);
/* The item at a walk-order position; null when out of range. */
item_node *arc_dict_item_at(item_node *root, int position);
/* C from the unit legend: the largest class plus one; -1 when the largest
** class is below 1 or above ARC_LEGEND_CLASS_MAX (the check stops). */
int arc_legend_class_count(const std::vector<arc_unit_entry> &units);
/* A matrix of size x size empty cells; null without memory. */
arc_legend_matrix *arc_legend_matrix_new(int size);
/* Frees a matrix and its lists; null is ignored. */
void arc_legend_matrix_free(arc_legend_matrix *m);
/* The cell (r, c); null out of range. */
arc_legend_cell *arc_legend_cell_at(arc_legend_matrix *m, int r, int c);
/* Appends the entry (polygon p, neighbour q) to a cell. 1; 0 without
** memory (the cell unchanged). */
int arc_legend_cell_append(arc_legend_cell *cell, long p, long q);
/* The number of cells (r, c), r from 1 to C - 1, with a count. */
int arc_legend_column_count(arc_legend_matrix *m, int c);
/* 1 when cell (c + 1, c) has a count. */
int arc_legend_below_diagonal(arc_legend_matrix *m, int c);
/* 1 when cell (c, c) has a count. */
int arc_legend_diagonal(arc_legend_matrix *m, int c);
/* A new chain link holding the item; null without memory. */
arc_rocktype_chain *arc_legend_chain_new(item_node *item);
/* One empty chain per class; null without memory. */
arc_rocktype_chain **arc_legend_rocktypes_new(int classes);
/* Frees the chains of every class and the array; null is ignored. */
void arc_legend_free_rocktypes(arc_rocktype_chain **rocktypes, int classes);
/* The stratified test of one side (polygons, or neighbours with
** neighbours set) of a cell: the rock type dictionary holds one of the six
** class names, and each polygon's class has at least one rock type under
** a stratified class and none under an intrusive one. An empty cell
** passes. 1 or 0. */
int arc_rocktype_class(arc_legend_run *run, const arc_legend_cell *cell, int neighbours);
/* The intrusive test of one side: the dictionary holds "hypabyssal" or
** "plutonic" and every rock type of each polygon's class lies under one of
** them; a class without rock types fails. An empty cell passes. 1 or 0. */
int arc_rocktype_intrusive(arc_legend_run *run, const arc_legend_cell *cell, int neighbours);
/* Swaps entries i and j of a cell. */
void arc_legend_swap_entries(arc_legend_cell *cell, long i, long j);
/* Drops from a cell every entry whose polygon has an arc bordering its
** neighbour recorded as INTRUSIONS, UNCONFORMABLE or CONFORMABLE (moved
** to the end, then cut off). Answers the entries left. */
long arc_legend_prune_cell(arc_legend_run *run, arc_legend_cell *cell);
/* Draws, for each polygon of a cell, its arcs bordering the neighbour
** whose recorded type is INTRUSIONS, UNCONFORMABLE or CONFORMABLE but not
** the code; an arc is drawn once per check. Answers the arcs drawn now. */
long arc_legend_mark_arcs(arc_legend_run *run, arc_legend_cell *cell, int code);

/* The reading steps: each answers 0, or -1 when a table, column or
** dictionary is missing (the later steps are skipped); -9101 without
** memory (reported); the SQL layer's code when the table, a row of it or
** a dictionary of its columns cannot be read (said once, naming the
** table; the later steps are skipped and nothing is drawn). */
int arc_legend_read_units(arc_legend_run *run, tbl_rec *table, const char *unit_column, const char *age_column);
int arc_legend_read_arcs(arc_legend_run *run, tbl_rec *table, const char *arc_column);
int arc_legend_read_tables(arc_legend_run *run, tbl_rec *table, const char *legend_column,
                           const char *rock_column);
/* Counts every adjacency of two classes in 1..C-1 (unit adjacencies). */
void arc_legend_check_units(arc_legend_run *run);
/* Records the adjacencies whose ages agree: equal codes, or the polygon's
** age strictly under its neighbour's (age adjacencies). */
void arc_legend_check_ages(arc_legend_run *run);
/* The lines of the matrix list: a header of class names, then per class
** its name and the count of each cell ("..." when empty); at most
** ARC_LEGEND_SHOWN_MAX classes. */
std::vector<std::string> arc_legend_matrix_lines(arc_legend_run *run);
/* Shows the lines in dialog leg_matrix (list leg_mtx) until OK. 0; -9501
** when it cannot be opened (reported). */
int arc_legend_matrix_list(arc_legend_run *run);
/* Decides the contact code of every cell of columns 1..C-2 and draws the
** arcs that differ (arc_legend_mark_arcs). */
void arc_legend_check_columns(arc_legend_run *run);
/* Frees what the run owns (matrix, chains, loaded trees). */
void arc_legend_run_free(arc_legend_run *run);

#endif /* PV_OUTPUT_ARC_LEGEND_H */
