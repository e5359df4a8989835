/*
** sym_pick.cpp: the symbol, shape and pattern pickers and the drawing of
** their pages.
**
** A page is 24 image tiles with a label tile under each. Shapes are drawn
** by walking them through the interpreter with arcs as chords, at one
** scale for the whole page that makes the largest loaded shape fit its
** tile inside margins of a tenth of the tile, each picture centred on its
** tile, y turned downwards; patterns are shown as slides. The page state
** lives from a picker's opening to its end.
*/
#include "data/sym_pick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"

namespace {

/* Dialogs and tile names. */
constexpr const char *PICK_SYM_DIALOG = "pv_sel_sym";
constexpr const char *PICK_PAT_DIALOG = "pv_sel_pat";
constexpr const char *PICK_IMAGE = "image";
constexpr const char *PICK_LABEL = "shape";
/* Room of a tile key such as "image24". */
constexpr int PICK_KEY_SIZE = 16;
/* Status a pick or exit closes the dialog with. */
constexpr int PICK_DONE = 1;
/* Callback reasons that pick a picture: selected, double-clicked. */
constexpr int PICK_REASON_SELECT = 1;
constexpr int PICK_REASON_DOUBLE = 4;
/* Shape numbers a library picker pages through: 1 up to this bound. */
constexpr int PICK_SHAPE_BOUND = 256;
/* The tile's size is divided by this for its margins. */
constexpr int PICK_MARGIN_DIVISOR = 10;
/* Slide name of a pattern: the slide library and the pattern. */
constexpr const char *PICK_SLIDE_FORMAT = "%s(%s)";

/* What a picker pages through. */
enum pick_kind { PICK_NONE, PICK_PROFILE, PICK_LIBRARY, PICK_PATTERN };

/* The page state of the open picker. */
struct pick_state {
    int kind = PICK_NONE;          /* pick_kind */
    char *out = nullptr;           /* the caller's output buffer; not owned */
    size_t size = 0;               /* its size, terminator included */
    ads_hdlg dialog = nullptr;     /* the picker's open dialog; its pictures pick */
    sym_pick_page items = {SYM_PICK_PAGE, nullptr, nullptr, nullptr};  /* profile: the page's items */
    std::string library;           /* library or slide library name */
    int first_index = 0;           /* library: first shape number; pattern: first index */
    int last_index = -1;           /* the last one shown */
    int bound = 0;                 /* shape number bound, or the pattern count */
};

pick_state s_pick;

/* One page's drawing measures: the tile size and the page's scale. */
struct pick_frame {
    short width = 0, height = 0;   /* tile size, pixels */
    double scale = 1.0;            /* pixels per drawing unit */
};

/* The key of tile n (1..24) of a kind ("image" or "shape"). */
void pick_key(char *key, const char *kind, int n)
{
    snprintf(key, PICK_KEY_SIZE, "%s%d", kind, n);
}

/* The frame of a page: the size of image1 and one scale that fits the
** largest width and height of the loaded shapes inside the margins. */
pick_frame pick_frame_of(ads_hdlg dlg)
{
    pick_frame f;
    ads_dimensions_tile(dlg, "image1", &f.width, &f.height);
    double min_x, min_y, max_x, max_y, max_w, max_h;
    shape_store_extents(&min_x, &min_y, &max_x, &max_y, &max_w, &max_h);
    double room_w = f.width - 2.0 * (f.width / PICK_MARGIN_DIVISOR);
    double room_h = f.height - 2.0 * (f.height / PICK_MARGIN_DIVISOR);
    double sx = max_w > 0 ? room_w / max_w : 0, sy = max_h > 0 ? room_h / max_h : 0;
    if (sx > 0 && sy > 0) f.scale = std::min(sx, sy);
    else if (sx > 0 || sy > 0) f.scale = std::max(sx, sy);
    return f;
}

/* A picture's coordinate as a pixel. */
short pick_px(double v)
{
    return (short)std::lround(v);
}

/* Clears image tile n and draws shape number of library into it, centred,
** y downwards; nothing but the clearing when the shape is not found. */
void pick_draw_shape(ads_hdlg dlg, int n, const char *library, int number, const pick_frame &f)
{
    char key[PICK_KEY_SIZE];
    pick_key(key, PICK_IMAGE, n);
    ads_start_image(dlg, key);
    ads_fill_image(0, 0, f.width, f.height, SYM_PICK_CLEAR_COLOUR);
    double x0, y0, x1, y1;
    if (library && number > 0 && shape_extents_by_number(library, (uint16_t)number, &x0, &y0, &x1, &y1)) {
        shape_caller_rec *caller = shape_caller();
        int saved_arcs = caller->arc_switch;
        caller->arc_switch = 0;
        shape_walk_reset();
        shape_state_reset();
        double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, mx = f.width / 2.0, my = f.height / 2.0;
        while (shape_walk_number(library, (uint16_t)number)) {
            const shape_output_rec *o = shape_output();
            if (o->kind != SHAPE_STEP_LINE) continue;
            ads_vector_image(pick_px(mx + (o->x1 - cx) * f.scale), pick_px(my - (o->y1 - cy) * f.scale),
                             pick_px(mx + (o->x2 - cx) * f.scale), pick_px(my - (o->y2 - cy) * f.scale),
                             DCL_COLOR_DLGLINE);
        }
        shape_walk_reset();
        caller->arc_switch = saved_arcs;
    }
    ads_end_image();
}

/* A tile callback that does nothing (tiles without an entry). */
void pick_inert(ads_callback_packet *)
{
}

/* An image tile's callback: the label under it goes to the output
** buffer (cut to its size) and the dialog closes. */
void pick_image(ads_callback_packet *cpkt)
{
    if (cpkt->reason != PICK_REASON_SELECT && cpkt->reason != PICK_REASON_DOUBLE) return;
    if (!s_pick.dialog || cpkt->dialog != s_pick.dialog) return;   /* a preview of another dialog */
    char key[PICK_KEY_SIZE] = "";
    if (ads_get_attr_string(cpkt->tile, "key", key, sizeof key) != RTNORM) return;
    int n = atoi(key + strlen(PICK_IMAGE));
    char label_key[PICK_KEY_SIZE], label[TILE_BUF_SIZE] = "";
    pick_key(label_key, PICK_LABEL, n);
    ads_get_tile(cpkt->dialog, label_key, label, TILE_BUF_SIZE);
    if (s_pick.out && s_pick.size > 0) snprintf(s_pick.out, s_pick.size, "%s", label);
    ads_done_dialog(cpkt->dialog, PICK_DONE);
}

/* Sets tile n's label and its callback: a pick when it has an entry,
** inert otherwise. */
void pick_label(ads_hdlg dlg, int n, const char *label)
{
    char key[PICK_KEY_SIZE];
    pick_key(key, PICK_LABEL, n);
    ads_set_tile(dlg, key, label ? label : "");
    pick_key(key, PICK_IMAGE, n);
    ads_action_tile(dlg, key, label ? pick_image : pick_inert);
}

/* Enables or disables prev and next. */
void pick_buttons(ads_hdlg dlg, bool prev, bool next)
{
    ads_mode_tile(dlg, "prev", prev ? MODE_ENABLE : MODE_DISABLE);
    ads_mode_tile(dlg, "next", next ? MODE_ENABLE : MODE_DISABLE);
}

/* ---- Library pages ---- */

/* Draws the page of library shapes from shape number start up. */
void pick_library_page(ads_hdlg dlg, int start)
{
    const char *lib = s_pick.library.c_str();
    uint16_t slot = shape_lib_slot(lib);
    pick_frame f = pick_frame_of(dlg);
    int number = std::max(start, 1);
    s_pick.first_index = s_pick.last_index = -1;
    for (int n = 1; n <= SYM_PICK_PAGE; n++) {
        const shape_entry *e = nullptr;
        for (; number < s_pick.bound && !e; number++) e = shape_find_by_number(slot, (uint16_t)number);
        pick_draw_shape(dlg, n, lib, e ? e->number : 0, f);
        pick_label(dlg, n, e ? e->name : nullptr);
        if (!e) continue;
        if (s_pick.first_index < 0) s_pick.first_index = e->number;
        s_pick.last_index = e->number;
    }
    bool more = false;
    for (int k = s_pick.last_index + 1; k > 0 && k < s_pick.bound && !more; k++)
        more = shape_find_by_number(slot, (uint16_t)k) != nullptr;
    bool earlier = false;
    for (int k = s_pick.first_index - 1; k >= 1 && !earlier; k--)
        earlier = shape_find_by_number(slot, (uint16_t)k) != nullptr;
    pick_buttons(dlg, earlier, more);
}

/* The shape number where the page before the one shown starts. */
int pick_library_prev_start(void)
{
    uint16_t slot = shape_lib_slot(s_pick.library.c_str());
    int start = s_pick.first_index, found = 0;
    for (int k = s_pick.first_index - 1; k >= 1 && found < SYM_PICK_PAGE; k--)
        if (shape_find_by_number(slot, (uint16_t)k)) {
            start = k;
            found++;
        }
    return start;
}

/* ---- Pattern pages ---- */

/* Draws the page of patterns from index start. */
void pick_pattern_page(ads_hdlg dlg, int start)
{
    short w = 0, h = 0;
    ads_dimensions_tile(dlg, "image1", &w, &h);
    s_pick.first_index = std::max(start, 0);
    s_pick.last_index = -1;
    for (int n = 1; n <= SYM_PICK_PAGE; n++) {
        int i = s_pick.first_index + n - 1;
        const char *pattern = i < s_pick.bound ? g_hatch_list[i] : nullptr;
        char key[PICK_KEY_SIZE];
        pick_key(key, PICK_IMAGE, n);
        ads_start_image(dlg, key);
        ads_fill_image(0, 0, w, h, SYM_PICK_CLEAR_COLOUR);
        if (pattern) {
            std::string slide(s_pick.library.size() + strlen(pattern) + 3, '\0');
            snprintf(slide.data(), slide.size(), PICK_SLIDE_FORMAT, s_pick.library.c_str(), pattern);
            ads_slide_image(0, 0, w, h, slide.c_str());
            s_pick.last_index = i;
        }
        ads_end_image();
        pick_label(dlg, n, pattern);
    }
    pick_buttons(dlg, s_pick.first_index > 0, s_pick.last_index >= 0 && s_pick.last_index + 1 < s_pick.bound);
}

/* ---- Buttons ---- */

/* "prev": the page before. */
void pick_prev(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    if (s_pick.kind == PICK_PROFILE) sym_pick_fill_tiles(cpkt->dialog, &s_pick.items, nullptr, SYM_PICK_PREV);
    else if (s_pick.kind == PICK_LIBRARY) pick_library_page(cpkt->dialog, pick_library_prev_start());
    else if (s_pick.kind == PICK_PATTERN) pick_pattern_page(cpkt->dialog, s_pick.first_index - SYM_PICK_PAGE);
}

/* "next": the page after. */
void pick_next(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    if (s_pick.kind == PICK_PROFILE) sym_pick_fill_tiles(cpkt->dialog, &s_pick.items, nullptr, SYM_PICK_NEXT);
    else if (s_pick.kind == PICK_LIBRARY && s_pick.last_index > 0) pick_library_page(cpkt->dialog, s_pick.last_index + 1);
    else if (s_pick.kind == PICK_PATTERN && s_pick.last_index >= 0)
        pick_pattern_page(cpkt->dialog, s_pick.last_index + 1);
}

/* "exit": closes the dialog; the buffer stays as it was. */
void pick_exit(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, PICK_DONE);
}

const dlg_tile k_pick_buttons[] = {{"prev", pick_prev}, {"next", pick_next}, {"exit", pick_exit}};

/* Runs a picker dialog whose state is set: its buttons, its first page
** (drawn by first), then the dialog; the state is cleared afterwards.
** Answers 0; -1 after the alert when the dialog cannot be opened. */
int pick_run(const char *dialog, void (*first)(ads_hdlg))
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        s_pick = pick_state();
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", dialog);
        return -1;
    }
    dlg_register(dlg, k_pick_buttons, (int)(sizeof k_pick_buttons / sizeof k_pick_buttons[0]), nullptr);
    s_pick.dialog = dlg;
    first(dlg);
    int status = 0;
    ads_start_dialog(dlg, &status);
    s_pick = pick_state();
    return 0;
}

/* The first pages of each picker. */
void pick_first_profile(ads_hdlg dlg)
{
    sym_pick_fill_tiles(dlg, &s_pick.items, s_pick.items.first, SYM_PICK_FROM);
}
void pick_first_library(ads_hdlg dlg)
{
    pick_library_page(dlg, 1);
}
void pick_first_pattern(ads_hdlg dlg)
{
    pick_pattern_page(dlg, 0);
}

/* Opens a picker's page state: what it pages through and the caller's
** buffer; the library name and bound for the library and pattern
** pickers. */
void pick_begin(int kind, char *out, size_t size, const char *library, int bound)
{
    s_pick = pick_state();
    s_pick.kind = kind;
    s_pick.out = out;
    s_pick.size = size;
    if (library) s_pick.library = library;
    s_pick.bound = bound;
}

/* 1 when an item has a symbol setup. */
bool pick_flagged(const item_node *n)
{
    return n && (n->flags & ITEM_SYMBOL);
}

/* ---- The entries of a page of item symbols ---- */

/* The entry after n: the next flagged item of the tree in walk order, or
** in a scope the next flagged child (the first one after the scope node
** itself); null at the end. */
item_node *page_after(const sym_pick_page *page, item_node *n)
{
    if (!page->scope) return item_next_flagged(n, ITEM_SYMBOL);
    item_node *c = n == page->scope ? n->child : n->next;
    while (c && !pick_flagged(c)) c = c->next;
    return c;
}

/* The first entry at or after n (a node outside the scope counts as the
** scope node); null when none follows. */
item_node *page_from(const sym_pick_page *page, item_node *n)
{
    if (page->scope && n != page->scope && n->parent != page->scope) n = page->scope;
    return pick_flagged(n) ? n : page_after(page, n);
}

/* The first entry of all: from the scope, else from the root of the tree
** holding anchor. */
item_node *page_begin(const sym_pick_page *page, item_node *anchor)
{
    return page_from(page, page->scope ? page->scope : item_root_of(anchor));
}

/* Where the page before the one starting at first begins: page->tiles
** entries back; the first entry when fewer lie before it, or when first
** is no longer among the entries. */
item_node *page_back(const sym_pick_page *page, item_node *first)
{
    std::vector<item_node *> before;
    item_node *e = page_begin(page, first);
    for (; e && e != first; e = page_after(page, e)) before.push_back(e);
    if (!e || before.size() < (size_t)page->tiles) return page_begin(page, first);
    return before[before.size() - (size_t)page->tiles];
}

}  // namespace

/* Draws one page of item symbols into the first page->tiles image tiles
** of an open dialog and keeps the paging position in page. The entries
** are the items with item flag 8: those of the whole tree in walk order,
** or with a scope the scope node and then its children. With
** SYM_PICK_FROM the page starts at node (the first entry at or after it;
** a node outside the scope starts at the scope), with SYM_PICK_NEXT it is
** the page after the one shown (the same page when none follows), with
** SYM_PICK_PREV the page of the tiles entries before the one shown, or
** the first page. Each picture is the item's symbol in its library, the
** label the item's name; prev is enabled unless the page starts at the
** first entry, next while entries follow the page. Answers the number of
** items drawn; -2 for a missing dialog or page, no tiles, FROM without a
** node, or NEXT and PREV with no page shown. */
int sym_pick_fill_tiles(ads_hdlg dlg, sym_pick_page *page, item_node *node, int mode)
{
    if (!dlg || !page || page->tiles < 1) return -2;
    item_node *anchor = mode == SYM_PICK_FROM ? node : page->first;
    if (!anchor) return -2;
    item_node *start = nullptr;
    if (mode == SYM_PICK_FROM) start = page_from(page, node);
    else if (mode == SYM_PICK_NEXT) start = page->last ? page_after(page, page->last) : nullptr;
    else if (mode == SYM_PICK_PREV) start = page_back(page, anchor);
    if (!start) start = mode == SYM_PICK_NEXT ? page->first : page_begin(page, anchor);
    pick_frame f = pick_frame_of(dlg);
    item_node *entry = start;
    page->first = entry;
    page->last = nullptr;
    int drawn = 0;
    for (int n = 1; n <= page->tiles; n++) {
        const sym_rec *s = entry ? entry->symbol : nullptr;
        int number = 0;
        if (s && s->library && s->symbol) {
            uint16_t slot = shape_lib_slot(s->library);
            const shape_entry *e = slot == SHAPE_SLOT_NONE ? nullptr : shape_find_in_lib(slot, s->symbol);
            number = e ? e->number : 0;
        }
        pick_draw_shape(dlg, n, s ? s->library : nullptr, number, f);
        pick_label(dlg, n, entry ? (entry->name ? entry->name : "") : nullptr);
        if (!entry) continue;
        page->last = entry;
        drawn++;
        entry = page_after(page, entry);
    }
    pick_buttons(dlg, page->first && page->first != page_begin(page, anchor),
                 page->last && page_after(page, page->last));
    return drawn;
}

/* The symbol picker of a column's profile: pictures of the symbols of
** the items of the rule's tree; the picked item's name goes to out (at
** most size bytes). Answers 5100 after the dialog; -2 without a rule, a
** buffer or a loaded tree, for a blank dictionary or profile name, or
** when the rule's flag 0x100 is clear; -1 after the alert when the dialog
** cannot be opened. */
int pv_sel_sym_dialog(col_attr_rec *rule, char *out, size_t size)
{
    if (!rule || !out || size < 1 || !rule->tree || str_nonblank(rule->dictionary) != RTNORM ||
        str_nonblank(rule->profile) != RTNORM || !(rule->flags & COL_ATTR_PROFILE))
        return -2;
    pick_begin(PICK_PROFILE, out, size, nullptr, 0);
    s_pick.items.first = rule->tree;
    int rc = pick_run(PICK_SYM_DIALOG, pick_first_profile);
    return rc < 0 ? rc : RTNORM;
}

/* The shape picker of a loaded library: its shapes by number; the picked
** shape's name goes to out (at most size bytes). Answers 0 after the
** dialog; -2 for a blank name, a missing buffer or a library that is not
** loaded; -1 after the alert when the dialog cannot be opened. */
int sym_pick_shape_dialog(const char *library, char *out, size_t size)
{
    if (!out || size < 1 || symlib_slot(library) < 0) return -2;
    pick_begin(PICK_LIBRARY, out, size, library, PICK_SHAPE_BOUND);
    return pick_run(PICK_SYM_DIALOG, pick_first_library);
}

/* The hatch pattern picker: the patterns read from ACAD.PAT, each shown
** as the slide "%s(%s)" of the slide library; the picked pattern's name
** goes to out (at most size bytes). Answers 0 after the dialog; -2 for a
** blank name, a missing buffer or no patterns; -1 after the alert when the
** dialog cannot be opened. */
int sym_pick_pattern_dialog(const char *slide_library, char *out, size_t size)
{
    if (!out || size < 1 || str_nonblank(slide_library) != RTNORM || !g_hatch_list || g_hatch_count < 1) return -2;
    pick_begin(PICK_PATTERN, out, size, slide_library, g_hatch_count);
    return pick_run(PICK_PAT_DIALOG, pick_first_pattern);
}
