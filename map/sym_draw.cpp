/*
** sym_draw.cpp: drawing a row's group of symbols and texts, dragging it
** into place, text positions around a symbol, erasing, matching entities
** to records, and redrawing.
*/
#include "map/sym_draw.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/str_util.h"
#include "core/tbl_column.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "draw/shape_block.h"

namespace {

/* A right angle, radians: shapes are drawn pointing up. */
constexpr double HALF_PI = 1.5707963267948966;
/* An eighth of a turn, radians: the step between text positions. */
constexpr double EIGHTH_TURN = 0.7853981633974483;
/* How far back from a position its second point is taken, radians: the
** two points tell which way the outline runs there. */
constexpr double TEXT_POS_BACKSTEP = 0.1;
/* Colour number that hands the colour to the layer. */
constexpr int COLOUR_BYLAYER = 256;

/* Text positions by the side of the shape they are pushed past. */
constexpr int POS_EAST = 1, POS_NORTH_EAST = 2, POS_NORTH = 3, POS_NORTH_WEST = 4, POS_WEST = 5,
              POS_SOUTH_WEST = 6, POS_SOUTH = 7, POS_SOUTH_EAST = 8;

/* The record's layer, "0" when blank. */
const char *layer_of(const sym_place_rec *rec)
{
    return str_nonblank(rec->layer) == RTNORM ? rec->layer : SYM_PLACE_DEFAULT_LAYER;
}

/* The drawing rotation of a symbol's shape: its drawing angle less a
** right angle. */
double shape_rotation(const sym_place_rec *rec) { return sym_place_drawing_angle(rec) - HALF_PI; }

/* Registers the application when the APPID table lacks it; 0 or -1. */
int ensure_app(void)
{
    struct resbuf *found = ads_tblsearch("APPID", LINK_APP_NAME, 0);
    if (found) {
        ads_relrb(found);
        return 0;
    }
    return ads_regapp(LINK_APP_NAME) == RTNORM ? 0 : -1;
}

/* The shape's pen-down vectors, scaled, turned and moved to the insertion
** point (the offset is not added), each a linked LINE on the symbol's
** layer; the last LINE's name goes to the record. 0; the library's or the
** first LINE's failure. */
int draw_vectors(sym_place_rec *rec)
{
    if (!rec || str_nonblank(rec->name) != RTNORM) return -2;
    int rc = shape_lib_load_cmd(rec->font);
    if (rc) return rc;
    if (!shape_find_any(rec->name)) return -1;
    double turn = shape_rotation(rec);
    shape_caller_rec *caller = shape_caller();
    int saved_arcs = caller->arc_switch;
    caller->arc_switch = 0;
    shape_walk_reset();
    while (rc == 0 && shape_walk_any(rec->name)) {
        const shape_output_rec *o = shape_output();
        if (o->kind != SHAPE_STEP_LINE) continue;
        geo_point a = {o->x1 * rec->size, o->y1 * rec->size, 0.0, 0.0};
        geo_point b = {o->x2 * rec->size, o->y2 * rec->size, 0.0, 0.0};
        vec_rotate(&a, turn);
        vec_rotate(&b, turn);
        for (geo_point *p : {&a, &b}) {
            p->x += rec->ins.x;
            p->y += rec->ins.y;
            p->z = rec->ins.z;
        }
        rc = ent_make_line(&a, &b, layer_of(rec), SYM_PLACE_COLOUR_NONE, &rec->link);
        if (rc == 0) ads_entlast(rec->ename);
    }
    shape_walk_reset();
    caller->arc_switch = saved_arcs;
    return rc;
}

/* Draws one symbol by its mode; the maker's result. */
int draw_symbol(sym_place_rec *rec)
{
    switch (rec->mode) {
        case SYM_MODE_SHAPE: return sym_place_shape(rec);
        case SYM_MODE_INSERT: return sym_place_insert_shape(rec);
        case SYM_MODE_VECTORS: return draw_vectors(rec);
        default: return -2;
    }
}

/* The owner of a text among the symbols; null for a free text. */
sym_place_rec *owner_of(const sym_place_rec *text, sym_place_rec *symbols, int symbol_count)
{
    return symbols && text->owner >= 0 && text->owner < symbol_count ? &symbols[text->owner] : nullptr;
}

/* Saves CMDECHO and sets it to 0; false when that fails. */
bool echo_off(double *saved)
{
    *saved = sysvar_get_number("CMDECHO");
    return *saved >= 0 && sysvar_set_number("CMDECHO", 0) == 0;
}

/* Defines PETRIVEX_SYMBOL with nothing in it, so that it exists. 0 or the
** block maker's failure. */
int define_empty_drag_block(const geo_point *base)
{
    int rc = ent_make_block(SYM_DRAG_BLOCK, base, 0);
    if (rc == 0) rc = ent_make_endblk(nullptr);
    if (rc) ads_entmake(nullptr);
    return rc;
}

/* One record of the group inside the drag block: at the base point with
** its offset, on layer "0", a symbol as a shape-block reference, the
** angle offset dropped when the user gives the rotation. */
int add_to_drag_block(sym_place_rec *rec, const geo_point *base, bool symbol)
{
    sym_place_rec copy;
    sym_place_copy(&copy, rec);
    copy.ins = *base;
    copy.layer = SYM_PLACE_DEFAULT_LAYER;
    if (symbol) copy.mode = SYM_MODE_INSERT;
    if (rec->ask_rotation == 1) copy.angle_offset = 0.0;
    int rc = symbol ? sym_block_insert(&copy) : sym_block_text(&copy);
    ename_clear(rec->ename);
    return rc;
}

/* Defines PETRIVEX_SYMBOL holding the whole group around the base point.
** 0; the first failure (the definition cancelled). */
int define_drag_block(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count,
                      const geo_point *base)
{
    int rc = define_empty_drag_block(base);
    for (int i = 0; rc == 0 && i < symbol_count; ++i) {
        rc = shape_lib_load_cmd(symbols[i].font);
        if (rc == 0) rc = sym_block_from_shape(symbols[i].name, SYM_PLACE_DEFAULT_LAYER);
    }
    if (rc) return rc;
    rc = ent_make_block(SYM_DRAG_BLOCK, base, 0);
    for (int i = 0; rc == 0 && i < symbol_count; ++i) rc = add_to_drag_block(&symbols[i], base, true);
    for (int i = 0; rc == 0 && i < text_count; ++i) rc = add_to_drag_block(&texts[i], base, false);
    if (rc == 0) rc = ent_make_endblk(nullptr);
    if (rc) ads_entmake(nullptr);
    return rc;
}

/* Runs _INSERT of the drag block: the point always from the user, default
** scales, the rotation from the user only when asked. The command's
** result. */
int drag_insert(bool ask_rotation)
{
    struct resbuf *args = ads_buildlist(RTSTR, SYM_DRAG_BLOCK, RTSTR, PAUSE, RTSTR, "", RTSTR, "", RTSTR,
                                        ask_rotation ? PAUSE : "", 0);
    if (!args) return ERR_NO_MEMORY;
    int rc = cmd_run("_INSERT", args);
    rb_free(args);
    return rc;
}

/* The last entity when it is a reference of the drag block: its point and
** rotation. false otherwise. */
bool read_drag_insert(ads_name e, geo_point *point, double *rotation)
{
    if (ads_entlast(e) != RTNORM || ent_type_code(e) != ENT_TYPE_INSERT) return false;
    struct resbuf *list = ads_entget(e);
    struct resbuf *name = rb_find(list, 2), *at = rb_find(list, 10), *rot = rb_find(list, 50);
    bool ok = name && at && str_eq_nocase(name->resval.rstring, SYM_DRAG_BLOCK);
    if (ok) {
        point->x = at->resval.rpoint[0];
        point->y = at->resval.rpoint[1];
        point->z = at->resval.rpoint[2];
        *rotation = rot ? rot->resval.rreal : 0.0;
    }
    if (list) ads_relrb(list);
    return ok;
}

/* Redraws one record on its own (as a symbol or as a text). */
int draw_alone(sym_place_rec *rec, bool symbol)
{
    ename_clear(rec->ename);
    return symbol ? sym_place_draw(rec, nullptr, 1, 0, 0) : sym_place_draw(nullptr, rec, 0, 1, 0);
}

/* The link of an entity as its extended data holds it, checked for
** completeness only. 0 or the parse's code. */
int entity_link(const ads_name e, link_rec *link)
{
    struct resbuf *apps = ads_buildlist(RTSTR, LINK_APP_NAME, 0);
    struct resbuf *list = apps ? ads_entgetx(e, apps) : nullptr;
    if (apps) ads_relrb(apps);
    if (!list) return LINK_ERR_NOT_LINKED;
    int rc = link_xdata_parse_raw(link, list);
    ads_relrb(list);
    return rc;
}

/* Whether two links name the same row's same column. */
bool same_row_column(const link_rec *a, const link_rec *b)
{
    return str_eq_nocase(a->project, b->project) && str_eq_nocase(a->table, b->table) && a->row_id == b->row_id &&
           str_eq_nocase(a->key_column, b->key_column);
}

/* Deletes the given LINE (list: its entity list with its link) and every
** LINE around it whose link names the same row and column (the vectors of
** one symbol of that size): those within the window the commands take a
** row's group from, and at least that many times the size from the LINE.
** The selection takes only linked LINEs, so a symbol costs its own
** entities and its neighbours', not the drawing's. */
void delete_vectors_of(const ads_name line, const struct resbuf *list, double size)
{
    link_rec mine;
    geo_point c;
    double half = 0.0;
    if (link_xdata_parse_raw(&mine, list) == 0 && link_window_of(list, &c, &half) == 0) {
        double h = std::fmax(std::fabs(half), LINK_WINDOW_FACTOR * std::fabs(size));
        ads_point lo = {c.x - h, c.y - h, 0.0}, hi = {c.x + h, c.y + h, 0.0};
        struct resbuf *filter = ads_buildlist(RTDXF0, "LINE", LINK_XD_START, LINK_XD_APP, LINK_APP_NAME, 0);
        ads_name ss = {0, 0};
        if (filter && ads_ssget("C", lo, hi, filter, ss) == RTNORM) {
            long n = 0;
            ads_sslength(ss, &n);
            ads_name e;
            link_rec other;
            for (long i = 0; i < n; ++i)
                if (ads_ssname(ss, i, e) == RTNORM && !ename_equal(e, line) && entity_link(e, &other) == 0 &&
                    same_row_column(&mine, &other))
                    ads_entdel(e);
            ss_free(ss);
        }
        if (filter) ads_relrb(filter);
    }
    ads_entdel(line);
}

/* Brings one record's entity in line (see sym_place_redraw). */
void redraw_one(sym_place_rec *rec, bool symbol)
{
    if (ename_isnull(rec->ename)) return;
    struct resbuf *apps = ads_buildlist(RTSTR, LINK_APP_NAME, 0);
    struct resbuf *list = apps ? ads_entgetx(rec->ename, apps) : nullptr;
    if (apps) ads_relrb(apps);
    if (!list) return;
    rec->offset = {0.0, 0.0, 0.0, 0.0};
    struct resbuf *head = rb_find(list, 0);
    int type = head ? ent_type_of_name(head->resval.rstring) : ENT_TYPE_UNKNOWN;
    bool in_place = (type == ENT_TYPE_TEXT && rec->mode == SYM_MODE_TEXT) ||
                    (type == ENT_TYPE_SHAPE && rec->mode == SYM_MODE_SHAPE) ||
                    (type == ENT_TYPE_INSERT && rec->mode == SYM_MODE_INSERT);
    if (in_place) {
        ent_update_from_placement(list, rec);
    } else if (type == ENT_TYPE_LINE) {
        delete_vectors_of(rec->ename, list, rec->size);
        draw_alone(rec, symbol);
    } else if (type == ENT_TYPE_TEXT || type == ENT_TYPE_SHAPE || type == ENT_TYPE_INSERT) {
        ads_entdel(rec->ename);
        draw_alone(rec, symbol);
    }
    ads_relrb(list);
}

/* Sets the item's point. */
void set_point(struct resbuf *item, const geo_point *p)
{
    item->resval.rpoint[0] = p->x;
    item->resval.rpoint[1] = p->y;
    item->resval.rpoint[2] = p->z;
}

/* Adds group 62 to an entity list, ahead of its extended data. 0; -9101
** without memory. */
int insert_colour(struct resbuf *list, int colour)
{
    struct resbuf *at = list;
    while (at->rbnext && at->rbnext->restype != LINK_XD_START) at = at->rbnext;
    struct resbuf *item = ads_buildlist(62, colour, 0);
    if (!item) return ERR_NO_MEMORY;
    item->rbnext = at->rbnext;
    at->rbnext = item;
    return 0;
}

}  // namespace

int sym_place_draw(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count,
                   int interactive)
{
    if ((!symbols && !texts) || symbol_count < 0 || text_count < 0) return -2;
    if (!symbols) symbol_count = 0;
    if (!texts) text_count = 0;
    if (symbol_count > 0) {
        bool any_free = false;
        for (int i = 0; i < symbol_count; ++i) any_free = any_free || symbols[i].owner == -1;
        if (!any_free) return -2;
    }
    if (ensure_app() != 0) return -1;

    for (int i = 0; i < text_count; ++i) {
        sym_place_rec *t = &texts[i];
        t->angle = ang_drawing_to_user(0.0, t->angle_base, t->angle_dir);
        t->angle_offset = 0.0;
        sym_place_rec *owner = owner_of(t, symbols, symbol_count);
        if (!owner) continue;
        /* The symbol's library is measured before the first of its shapes
        ** is drawn, so that its texts find the shape's extents. */
        if (str_nonblank(owner->font) == RTNORM) shape_lib_load_cmd(owner->font);
        sym_place_text_position(owner, t);
    }
    geo_point chosen = {0.0, 0.0, 0.0, 0.0};
    if (interactive) {
        int rc = sym_place_interactive(symbols, texts, symbol_count, text_count, &chosen);
        if (rc) return rc;
    }
    for (int i = 0; i < symbol_count; ++i) {
        sym_place_rec *s = &symbols[i];
        if (interactive) {
            s->ins.x = chosen.x;
            s->ins.y = chosen.y;
            if (s->ins.z == 0.0) s->ins.z = chosen.z;
        }
        draw_symbol(s);   /* a symbol that cannot be drawn is left out */
    }
    for (int i = 0; i < text_count; ++i) {
        sym_place_rec *t = &texts[i];
        sym_place_rec *owner = owner_of(t, symbols, symbol_count);
        if (owner) t->ins = owner->ins;
        else if (interactive) t->ins = chosen;
        int rc = sym_place_text(t);
        if (rc) return rc;
    }
    return 0;
}

int sym_place_interactive(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count,
                          geo_point *point)
{
    if (!point || (!symbols && !texts) || symbol_count < 0 || text_count < 0) return -1;
    if (!symbols) symbol_count = 0;
    if (!texts) text_count = 0;
    double remembered_z = point->z, echo;
    if (!echo_off(&echo)) return -1;
    int rc = define_drag_block(symbols, texts, symbol_count, text_count, point);
    bool ask_rotation = symbol_count == 1 && text_count == 0 && symbols[0].ask_rotation == 1;
    if (rc == 0) rc = drag_insert(ask_rotation) == RTNORM ? 0 : -1;
    ads_name ref;
    double rotation = 0.0;
    geo_point at = *point;
    if (rc == 0 && !read_drag_insert(ref, &at, &rotation)) rc = -1;
    if (rc == 0) {
        ads_entdel(ref);
        if (remembered_z != 0.0) at.z = remembered_z;
        *point = at;
        if (ask_rotation) {
            sym_place_rec *s = &symbols[0];
            double user = ang_drawing_to_user(ang_deg_to_rad(s->angle_base) + rotation, s->angle_base, s->angle_dir);
            s->angle = ang_mod(user - s->angle_offset + 360.0, 360.0);
        }
    }
    sysvar_set_number("CMDECHO", echo);
    return rc ? -1 : 0;
}

int sym_place_text_position(const sym_place_rec *symbol, sym_place_rec *text)
{
    if (!symbol || !text || str_nonblank(text->name) != RTNORM || text->text_pos < 0 ||
        text->text_pos > SYM_TEXT_POS_LAST || !(text->size > 0.0) || !(text->width_factor > 0.0) ||
        !(symbol->size >= 0.0) || str_nonblank(symbol->name) != RTNORM)
        return -2;
    int p = text->text_pos;
    double min_x, min_y, max_x, max_y;
    if (p == 0 || !shape_extents_by_name(symbol->name, &min_x, &min_y, &max_x, &max_y)) return 0;
    min_x *= symbol->size;
    min_y *= symbol->size;
    max_x *= symbol->size;
    max_y *= symbol->size;
    double gap = text->size * text->width_factor;
    double cx = (min_x + max_x) / 2.0, cy = (min_y + max_y) / 2.0;
    double rx = (max_x - cx) / std::cos(EIGHTH_TURN), ry = (max_y - cy) / std::sin(EIGHTH_TURN);

    double theta = (p - 1) * EIGHTH_TURN;
    geo_point P = {cx + rx * std::cos(theta), cy + ry * std::sin(theta), 0.0, 0.0};
    geo_point Q = {cx + rx * std::cos(theta - TEXT_POS_BACKSTEP), cy + ry * std::sin(theta - TEXT_POS_BACKSTEP),
                   0.0, 0.0};
    geo_point A = P;
    switch (p) {
        case POS_EAST: case POS_NORTH_EAST: case POS_SOUTH_EAST: A.x = max_x + gap; break;
        case POS_NORTH: A.y = max_y + gap; break;
        case POS_NORTH_WEST: case POS_WEST: case POS_SOUTH_WEST: A.x = min_x - gap; break;
        case POS_SOUTH: A.y = min_y - gap; break;
    }
    double turn = shape_rotation(symbol);
    vec_rotate(&P, turn);
    vec_rotate(&Q, turn);
    vec_rotate(&A, turn);
    double dx = P.x - Q.x, dy = P.y - Q.y;

    double n = (double)strlen(text->name);
    double ox = std::fabs(text->offset.x), oy = std::fabs(text->offset.y);
    if (dx > 0 && dy > 0) {
        A.x += ox;
        A.y -= oy + text->size;
    } else if (dx < 0 && dy < 0) {
        A.x -= n * gap + ox;
        A.y += oy;
    } else if (dx > 0 && dy < 0) {
        A.x -= n * gap + ox;
        A.y -= oy + text->size;
    } else {
        A.x += ox;
        A.y += oy;
    }
    text->offset.x = A.x + symbol->offset.x;
    text->offset.y = A.y + symbol->offset.y;
    text->offset.z = A.z + symbol->offset.z;
    return 0;
}

int sym_place_copy(sym_place_rec *to, const sym_place_rec *from)
{
    if (!to || !from) return -2;
    if (to != from) memcpy(to, from, sizeof *to);
    return 0;
}

int sym_place_swap(sym_place_rec *a, sym_place_rec *b)
{
    if (!a || !b) return -2;
    sym_place_rec t;
    sym_place_copy(&t, a);
    sym_place_copy(a, b);
    sym_place_copy(b, &t);
    return 0;
}

int sym_place_erase(sym_place_rec *symbols, sym_place_rec *texts, int symbol_count, int text_count)
{
    if ((!symbols && !texts) || (symbol_count < 1 && text_count < 1)) return -2;
    sym_place_rec *arrays[] = {symbols, texts};
    int counts[] = {symbols ? symbol_count : 0, texts ? text_count : 0};
    for (int a = 0; a < 2; ++a) {
        for (int i = 0; i < counts[a]; ++i) {
            sym_place_rec *r = &arrays[a][i];
            if (ename_isnull(r->ename)) continue;
            ads_point pick = {r->ins.x, r->ins.y, r->ins.z};
            struct resbuf *args = ads_buildlist(RTENAME, r->ename, RT3DPOINT, pick, RTSTR, "", 0);
            if (args) {
                cmd_run("_ERASE", args);
                rb_free(args);
            }
            ename_clear(r->ename);
        }
    }
    return 0;
}

sym_place_rec *sym_place_find_by_column(sym_place_rec *records, int count, const char *column)
{
    if (!records || !column) return nullptr;
    for (int i = 0; i < count; ++i)
        if (records[i].source_col && str_eq_nocase(records[i].source_col->name, column)) return &records[i];
    return nullptr;
}

int sym_place_draws_type(int type, const char *column, sym_place_rec *symbols, int symbol_count)
{
    if (type == ENT_TYPE_TEXT || type == ENT_TYPE_SHAPE || type == ENT_TYPE_INSERT) return 1;
    if (type != ENT_TYPE_LINE || !column) return 0;
    const sym_place_rec *rec = sym_place_find_by_column(symbols, symbol_count, column);
    return rec && rec->mode == SYM_MODE_VECTORS;
}

int link_ss_to_placements(ads_name ss, sym_place_rec *symbols, int symbol_count, sym_place_rec *texts,
                          int text_count, int take_out)
{
    long length = 0;
    if (!ss || (!symbols && !texts) || ads_sslength(ss, &length) != RTNORM) return -2;
    int matched = 0;
    for (long i = 0; i < length;) {
        ads_name e;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        link_rec link;
        sym_place_rec *rec = nullptr;
        if (entity_link(e, &link) == 0 &&
            sym_place_draws_type(ent_type_code(e), link.key_column, symbols, symbol_count)) {
            rec = sym_place_find_by_column(symbols, symbol_count, link.key_column);
            if (!rec) rec = sym_place_find_by_column(texts, text_count, link.key_column);
        }
        if (rec && ename_isnull(rec->ename)) {
            ename_copy(rec->ename, e);
            rec->owner = -1;
            struct resbuf *list = ads_entget(e);
            if (struct resbuf *at = rb_find(list, 10)) {
                rec->ins.x = at->resval.rpoint[0];
                rec->ins.y = at->resval.rpoint[1];
                rec->ins.z = at->resval.rpoint[2];
            }
            if (list) ads_relrb(list);
            ++matched;
            if (take_out && ads_ssdel(e, ss) == RTNORM) {
                --length;
                continue;
            }
        }
        ++i;
    }
    return matched;
}

int sym_place_redraw(sym_place_rec *symbols, int symbol_count, sym_place_rec *texts, int text_count)
{
    if ((!symbols && !texts) || symbol_count < 0 || text_count < 0) return -2;
    for (int i = 0; symbols && i < symbol_count; ++i) redraw_one(&symbols[i], true);
    for (int i = 0; texts && i < text_count; ++i) redraw_one(&texts[i], false);
    return 0;
}

int ent_update_from_placement(struct resbuf *list, sym_place_rec *rec)
{
    if (!list || !rec) return -2;
    struct resbuf *head = rb_find(list, 0), *name = rb_find(list, -1);
    if (!head || !name) return -2;
    bool is_text = str_eq_nocase(head->resval.rstring, "TEXT");
    bool is_insert = str_eq_nocase(head->resval.rstring, "INSERT");
    bool has_colour = false;
    int rc = 0;
    for (struct resbuf *item = list; item && rc == 0; item = item->rbnext) {
        switch (item->restype) {
            case 1: case 2:
                if (str_nonblank(rec->name) != RTNORM) break;
                if (is_insert && item->restype == 2 && shape_lib_load_cmd(rec->font) == 0)
                    sym_block_from_shape(rec->name, layer_of(rec));
                /* A CHAR column's padding would shift a centred or
                ** right-aligned text, as where the text is first drawn. */
                rc = rb_item_set_text(item, is_text ? str_trim_right(rec->name).c_str() : rec->name);
                break;
            case 7: {
                char style[ENT_STYLE_OUT_SIZE];
                const char *font = str_nonblank(rec->font) == RTNORM ? rec->font : SYM_PLACE_DEFAULT_FONT;
                if (!ent_find_style_by_font(font, 0, style)) snprintf(style, sizeof style, "%s", SYM_PLACE_DEFAULT_STYLE);
                rc = rb_item_set_text(item, style);
                break;
            }
            case 8:
                /* A setup that names no layer leaves the entity where the
                ** user put it, as it leaves a dragged text's rotation. */
                if (str_nonblank(rec->layer) == RTNORM) rc = rb_item_set_text(item, rec->layer);
                break;
            case 10: set_point(item, &rec->ins); break;
            case 50:
                if (rec->angle + rec->angle_offset != 0.0)
                    item->resval.rreal = sym_place_drawing_angle(rec) - (is_text ? 0.0 : HALF_PI);
                break;
            case 62:
                has_colour = true;
                item->resval.rint = (short)(rec->colour == SYM_PLACE_COLOUR_NONE ? COLOUR_BYLAYER : rec->colour);
                break;
            default: break;
        }
    }
    if (rc) return rc;
    if (!has_colour && rec->colour != SYM_PLACE_COLOUR_NONE && insert_colour(list, rec->colour) != 0)
        return ERR_NO_MEMORY;
    if (link_xdata_put(&rec->link, list) == 0) link_ase_create(&rec->link, name->resval.rlname);
    return ads_entmod(list) == RTNORM ? 0 : -1;
}
