/*
** sym_place.cpp: the placement record and the makers that draw one
** record: TEXT (linked or inside a block), SHAPE, and block references of
** an existing block or of a shape's block.
*/
#include "draw/sym_place.h"

#include <cstdio>
#include <cstring>

#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"
#include "draw/shape_block.h"

namespace {

/* A right angle, radians: shapes and shape blocks are drawn pointing up. */
constexpr double HALF_PI = 1.5707963267948966;
/* A TEXT's horizontal alignment (group 72) centred, vertical (73) middle. */
constexpr int TEXT_ALIGN_CENTRE = 1;
constexpr int TEXT_ALIGN_MIDDLE = 2;

/* The record's layer, "0" when blank. */
const char *layer_of(const sym_place_rec *rec)
{
    return str_nonblank(rec->layer) == RTNORM ? rec->layer : SYM_PLACE_DEFAULT_LAYER;
}

/* Insertion point plus offset. */
void placed_point(const sym_place_rec *rec, ads_point out)
{
    out[0] = rec->ins.x + rec->offset.x;
    out[1] = rec->ins.y + rec->offset.y;
    out[2] = rec->ins.z + rec->offset.z;
}

/* The common checks: a non-blank name, size > 0, colour >= -1. */
bool record_ok(const sym_place_rec *rec)
{
    return rec && str_nonblank(rec->name) == RTNORM && rec->size > 0.0 && rec->colour >= SYM_PLACE_COLOUR_NONE;
}

/* Appends group 62 when the record has a colour. */
struct resbuf *with_colour(struct resbuf *list, int colour)
{
    if (list && colour != SYM_PLACE_COLOUR_NONE && rb_append_color(list, colour) != 0) {
        ads_relrb(list);
        return nullptr;
    }
    return list;
}

/* The TEXT list of a record; null when it cannot be built. */
struct resbuf *text_list(const sym_place_rec *rec)
{
    char style[ENT_STYLE_OUT_SIZE];
    const char *font = str_nonblank(rec->font) == RTNORM ? rec->font : SYM_PLACE_DEFAULT_FONT;
    if (!ent_find_style_by_font(font, 0, style)) snprintf(style, sizeof style, "%s", SYM_PLACE_DEFAULT_STYLE);
    ads_point pt;
    placed_point(rec, pt);
    /* A CHAR column's padding would shift a centred or right-aligned text. */
    std::string text = str_trim_right(rec->name);
    double angle = sym_place_drawing_angle(rec);
    /* A middle-justified text stands on its alignment point (11), which a
    ** reader takes for its middle; group 10 repeats it. */
    if (rec->justify == SYM_JUSTIFY_MIDDLE)
        return with_colour(ads_buildlist(RTDXF0, "TEXT", 1, text.c_str(), 7, style, 8, layer_of(rec), 10, pt, 40,
                                         rec->size, 50, angle, 72, TEXT_ALIGN_CENTRE, 73, TEXT_ALIGN_MIDDLE, 11,
                                         pt, 0),
                           rec->colour);
    return with_colour(ads_buildlist(RTDXF0, "TEXT", 1, text.c_str(), 7, style, 8, layer_of(rec), 10, pt, 40,
                                     rec->size, 50, angle, 0),
                       rec->colour);
}

/* The INSERT list of a record with a rotation. */
struct resbuf *insert_list(const sym_place_rec *rec, double rotation)
{
    ads_point pt;
    placed_point(rec, pt);
    return with_colour(ads_buildlist(RTDXF0, "INSERT", 2, rec->name, 8, layer_of(rec), 10, pt, 41, rec->size,
                                     42, rec->size, 43, rec->size, 50, rotation, 0),
                       rec->colour);
}

/* Whether a block of that name exists. */
bool block_exists(const char *name)
{
    struct resbuf *b = ads_tblsearch("BLOCK", name, 0);
    if (!b) return false;
    ads_relrb(b);
    return true;
}

/* Makes a linked entity whose host link is required: the link's group on
** the list, ads_entmakex, the host link; the entity is deleted again when
** the host link fails. Releases the list. */
int make_required_link(sym_place_rec *rec, struct resbuf *list)
{
    if (!list) return -1;
    int rc = link_xdata_put(&rec->link, list);
    if (rc == 0 && ads_entmakex(list, rec->ename) != RTNORM) rc = -1;
    ads_relrb(list);
    if (rc) {
        ename_clear(rec->ename);
        return rc;
    }
    if (link_ase_create(&rec->link, rec->ename) != RTNORM) {
        ads_entdel(rec->ename);
        ename_clear(rec->ename);
        return -1;
    }
    return 0;
}

/* Makes a plain entity and releases the list: 0 or -1. */
int make_plain(struct resbuf *list)
{
    if (!list) return -1;
    int rc = ads_entmake(list);
    ads_relrb(list);
    return rc == RTNORM ? 0 : -1;
}

}  // namespace

void sym_place_init(sym_place_rec *rec)
{
    if (!rec) return;
    memset(rec, 0, sizeof *rec);
    rec->size = SYM_PLACE_SIZE;
    rec->width_factor = SYM_PLACE_WIDTH_FACTOR;
    rec->colour = SYM_PLACE_COLOUR_NONE;
    rec->mode = SYM_MODE_TEXT;
    rec->owner = -1;
    ename_clear(rec->ename);
    link_clear(&rec->link);
}

double sym_place_drawing_angle(const sym_place_rec *rec)
{
    return ang_user_to_drawing(rec->angle + rec->angle_offset, rec->angle_base, rec->angle_dir);
}

int sym_place_text(sym_place_rec *rec)
{
    if (!record_ok(rec) || rec->mode != SYM_MODE_TEXT) return -2;
    struct resbuf *list = text_list(rec);
    if (!link_incomplete(&rec->link)) return make_required_link(rec, list);
    return make_plain(list);
}

int sym_block_text(sym_place_rec *rec)
{
    if (!record_ok(rec) || rec->mode != SYM_MODE_TEXT) return -2;
    return make_plain(text_list(rec));
}

int sym_place_shape(sym_place_rec *rec)
{
    if (!record_ok(rec)) return -2;
    int loaded = shape_lib_load_cmd(rec->font);   /* -2 for a record without library */
    if (loaded) return loaded;
    ads_point pt;
    placed_point(rec, pt);
    struct resbuf *list = with_colour(ads_buildlist(RTDXF0, "SHAPE", 2, rec->name, 8, layer_of(rec), 10, pt, 40,
                                                    rec->size, 50, sym_place_drawing_angle(rec) - HALF_PI, 0),
                                      rec->colour);
    return make_required_link(rec, list);
}

int sym_place_insert_block(sym_place_rec *rec)
{
    if (!record_ok(rec) || rec->mode != SYM_MODE_INSERT || !block_exists(rec->name)) return -2;
    struct resbuf *list = insert_list(rec, ang_deg_to_rad(rec->angle + rec->angle_offset));
    if (!list) return -1;
    link_xdata_put(&rec->link, list);   /* an unlinked block reference is still drawn */
    int rc = ads_entmake(list);
    ads_relrb(list);
    if (rc != RTNORM) return -1;
    ads_entlast(rec->ename);
    link_ase_create(&rec->link, rec->ename);   /* a failure is reported and leaves the entity */
    return 0;
}

int sym_block_insert(sym_place_rec *rec)
{
    if (!record_ok(rec) || !block_exists(rec->name)) return -2;
    return make_plain(insert_list(rec, sym_place_drawing_angle(rec) - HALF_PI));
}

int sym_place_insert_shape(sym_place_rec *rec)
{
    if (!record_ok(rec) || rec->mode != SYM_MODE_INSERT) return -2;
    int loaded = shape_lib_load_cmd(rec->font);
    if (loaded) return loaded;
    if (!block_exists(rec->name)) {
        int rc = sym_block_from_shape(rec->name, layer_of(rec));
        if (rc) return rc;
    }
    struct resbuf *list = insert_list(rec, sym_place_drawing_angle(rec) - HALF_PI);
    if (!list) return -1;
    int rc = link_xdata_put(&rec->link, list);
    if (rc == 0 && ads_entmake(list) != RTNORM) rc = -1;
    ads_relrb(list);
    if (rc) return rc;
    ads_entlast(rec->ename);
    if (link_ase_create(&rec->link, rec->ename) != RTNORM) {
        ads_entdel(rec->ename);
        ename_clear(rec->ename);
        return -1;
    }
    return 0;
}
