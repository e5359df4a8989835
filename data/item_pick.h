/*
** item_pick.h: the item pickers. While a row or a query condition is
** typed, pv_select_profile lists the items of a loaded profile down to a
** chosen depth and picks one or several of them (adding a missing item on
** the spot, deleting one, editing an item's dictionary row); pv_sel_tree
** walks the tree one level at a time. Both answer the chosen long names.
**
**     char text[ROW_VALUE_SIZE] = "";
**     int level = rule->level;
**     pv_select_profile_dialog(rule->tree, text, sizeof text, 1, ',', project, &level);
**     pv_sel_tree_dialog(rule, text, sizeof text);
**
** A dictionary row for a new item is made through the row editor
** (dix_new_item), shared with the profile editor.
*/
#ifndef PV_DATA_ITEM_PICK_H
#define PV_DATA_ITEM_PICK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/item_table.h"
#include "platform/include/dcl_host.h"

struct pjct_rec;
struct col_attr_rec;

/* Pictures of pv_sel_tree's symbol previews on a page. */
#define PICK_TREE_PAGE 16

/* The state of pv_select_profile; the state in force is saved around a
** nested run. */
struct pick_state {
    item_node *root;                     /* tree picked from; not owned */
    char *buffer;                        /* caller's result buffer */
    size_t size;                         /* its size */
    int many;                            /* 1: several items may be picked */
    char delimiter;                      /* joins several picks */
    pjct_rec *project;                   /* project of the tree; not owned */
    int level;                           /* deepest level listed, 0 for all */
    std::vector<item_node *> picked;     /* remembered selection, in pick order */
};

/* A copy of the state in force, to be given back to pick_state_restore. */
pick_state pick_state_save(void);
/* Puts a saved state back in force. */
void pick_state_restore(const pick_state &saved);

/* The node of a line of the list of a tree down to a level (below 1: all
** levels); null when the line is out of range or for a null root. */
item_node *pick_prf_node_at(item_node *root, int level, int line);
/* The line of a node in that list; -1 when it has none. */
int pick_prf_line_of(item_node *root, int level, const item_node *node);
/* The list lines of a tree down to a level. */
std::vector<std::string> pick_prf_lines(item_node *root, int level);
/* Joins the long names of nodes as a picker writes them: with many the
** delimiter goes before every name but the first written; a name that
** would make the text reach size is left out (with its delimiter) and
** later names that fit are still added. */
std::string pick_join_names(const std::vector<item_node *> &nodes, size_t size, int many, char delimiter);

/* The placement chosen in a dialog's "child" and "sibling" tiles:
** ITEM_PLACE_SIBLING when "sibling" is set, else "child" is set and
** ITEM_PLACE_CHILD. */
int prf_edit_placement(ads_hdlg dialog);

/* Adds a long name that the dictionary lacks: a row is built from the
** dictionary's columns (a new number, the long and short name, an empty
** definition) and completed in the row editor on the dictionary side's
** connection. The row's number and SHORTNAME go to number and shortname
** (ITEM_NAME_SIZE bytes). 0 when the row was added; -1 when it was not
** (the caller says "Cannot add item to dictionary"); -2 for bad arguments. */
int dix_new_item(const char *dictionary, const char *longname, const char *shortname_in, uint16_t *number,
                 char *shortname);

/* The picker pv_select_profile; see the file's comment. 5100 whatever
** the user did; -1 unless root, buffer, a size above 0 and the project are
** given; -9501 when the dialog cannot be opened (reported). The buffer is
** written only on accept with something picked; *level (when given)
** receives the level in force. */
int pv_select_profile_dialog(item_node *root, char *buffer, size_t size, int many, int delimiter,
                             pjct_rec *project, int *level);
/* The tree walker pv_sel_tree on a rule's loaded tree: the chosen long
** name, cut to size, goes into buffer on accept. 5100; -2 for bad
** arguments (no rule, tree, buffer or size, or a blank profile or
** dictionary name); -1 after the alert when the dialog cannot be opened. */
int pv_sel_tree_dialog(col_attr_rec *rule, char *buffer, size_t size);

/* Points both dictionary and profile sides at a project for a while; the
** sides in force (with the dictionary column list) are kept in saved and
** put back by prf_sides_restore. */
struct prf_sides_saved {
    prf_side dix;              /* dictionary side in force */
    prf_side prf;              /* profile side in force */
    sql_col_rec *dix_columns;  /* its column list, kept aside */
};
void prf_sides_point(pjct_rec *project, prf_sides_saved *saved);
void prf_sides_restore(const prf_sides_saved *saved);

#endif
