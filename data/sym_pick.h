/*
** sym_pick.h: the symbol and pattern pickers: pages of 24 small pictures
** in the image tiles of the dialogs pv_sel_sym and pv_sel_pat; the label
** under the picture the user clicks is the answer.
**
**     char name[33] = "";
**     if (sym_pick_shape_dialog("PVSTRUCT", name, sizeof name) == 0 && *name) ...
**
** The symbol picker shows the symbols of the items of a column's profile,
** the shape picker the shapes of one loaded library by number, the
** pattern picker the hatch patterns of ACAD.PAT as slides. Every picker
** is given the size of its output buffer and cuts a longer label to fit;
** exit leaves the buffer as it was.
**
** sym_pick_fill_tiles draws one page of item symbols into the first
** tiles of any dialog with image and label tiles; its paging position
** lives in a sym_pick_page of the caller (the item-tree picker keeps its
** own with 16 tiles and the current node as the scope):
**
**     sym_pick_page page = {16, current, nullptr, nullptr};
**     sym_pick_fill_tiles(dlg, &page, current, SYM_PICK_FROM);
**     sym_pick_fill_tiles(dlg, &page, nullptr, SYM_PICK_NEXT);
*/
#ifndef PV_DATA_SYM_PICK_H
#define PV_DATA_SYM_PICK_H

#include <cstddef>

#include "platform/include/dcl_host.h"

struct col_attr_rec;
struct item_node;

/* Pictures of a page. */
#define SYM_PICK_PAGE 24
/* Colour a tile is cleared with. */
#define SYM_PICK_CLEAR_COLOUR 4
/* Modes of sym_pick_fill_tiles. */
#define SYM_PICK_FROM 0   /* the page that starts at the node given */
#define SYM_PICK_NEXT 1   /* the page after the one shown */
#define SYM_PICK_PREV 2   /* the page before the one shown */

/* The paging position of a page of item symbols. */
struct sym_pick_page {
    int tiles;              /* image tiles drawn: image1 .. image<tiles> */
    item_node *scope;       /* null: every item of the tree in walk order;
                               else this node and then its children */
    item_node *first;       /* first item shown; null when none is */
    item_node *last;        /* last item shown; null when none is */
};

int pv_sel_sym_dialog(col_attr_rec *rule, char *out, size_t size);
int sym_pick_shape_dialog(const char *library, char *out, size_t size);
int sym_pick_pattern_dialog(const char *slide_library, char *out, size_t size);
int sym_pick_fill_tiles(ads_hdlg dlg, sym_pick_page *page, item_node *node, int mode);

#endif
