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
*/
#ifndef PV_MAP_SYM_PICK_H
#define PV_MAP_SYM_PICK_H

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

int pv_sel_sym_dialog(col_attr_rec *rule, char *out, size_t size);
int sym_pick_shape_dialog(const char *library, char *out, size_t size);
int sym_pick_pattern_dialog(const char *slide_library, char *out, size_t size);
int sym_pick_fill_tiles(ads_hdlg dlg, item_node *node, int mode);

#endif
