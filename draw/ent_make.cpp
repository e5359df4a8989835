/*
** ent_make.cpp: makers of line work and block definitions (SOLID, LINE,
** CIRCLE, ARC, BLOCK, ENDBLK, VERTEX, POLYLINE, SEQEND), the hatch of a
** selection set, and the circle the user draws to place a plot.
*/
#include "draw/ent_make.h"

#include <cstdio>
#include <cstring>

#include "core/err_text.h"
#include "core/host_util.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"

namespace {

/* "Pick insertion points" prompt of plot_pick_points. */
const char *const k_pick_prompt = "\nPick insertion points for plot:";

/* A layer name, "0" when blank. */
const char *layer_or_0(const char *layer)
{
    return str_nonblank(layer) == RTNORM ? layer : SYM_PLACE_DEFAULT_LAYER;
}

/* The first three values of a point. */
void to_ads(const geo_point *p, ads_point out)
{
    out[0] = p->x;
    out[1] = p->y;
    out[2] = p->z;
}

/* Appends group 62 for a colour other than -1; releases the list and
** answers null when memory runs out. */
struct resbuf *colour_if(struct resbuf *list, int colour, int from)
{
    if (list && colour >= from && rb_append_color(list, colour) != 0) {
        ads_relrb(list);
        return nullptr;
    }
    return list;
}

/* Makes the list with ads_entmake and releases it: 0 or -1. */
int make_plain(struct resbuf *list)
{
    if (!list) return -1;
    int rc = ads_entmake(list);
    ads_relrb(list);
    return rc == RTNORM ? 0 : -1;
}

/* Makes a LINE or ARC list that may carry a link (given, it must be
** accepted first); the host link follows, its failure gives -1 with the
** entity kept. A list that cannot be built cancels a block definition
** under way. */
int make_linked_work(struct resbuf *list, link_rec *link)
{
    if (!list) {
        ads_entmake(nullptr);
        return -1;
    }
    if (link) {
        int rc = link_xdata_put(link, list);
        if (rc) {
            ads_relrb(list);
            return rc;
        }
    }
    ads_name e;
    int rc = ads_entmakex(list, e);
    ads_relrb(list);
    if (rc != RTNORM) return -1;
    if (link && link_ase_create(link, e) != RTNORM) return -1;
    return 0;
}

/* Makes a record's entity with ads_entmakex into its name, with its link
** when complete. */
int make_named(sym_place_rec *rec, struct resbuf *list)
{
    if (!list) return -1;
    int rc = 0;
    if (!link_incomplete(&rec->link)) rc = link_xdata_put(&rec->link, list);
    if (rc == 0 && ads_entmakex(list, rec->ename) != RTNORM) rc = -1;
    ads_relrb(list);
    if (rc) ename_clear(rec->ename);
    return rc;
}

/* Whether two corners coincide in x and y. */
bool same_corner(const geo_point &a, const geo_point &b) { return a.x == b.x && a.y == b.y; }

}  // namespace

int ent_make_solid(const sym_place_rec *rec, const geo_point *corners, int count)
{
    if (!rec || !corners || (count != 3 && count != 4) || rec->colour < SYM_PLACE_COLOUR_NONE) return -2;
    if (same_corner(corners[0], corners[1]) || same_corner(corners[0], corners[2]) ||
        same_corner(corners[1], corners[2]))
        return -2;
    ads_point p[4];
    for (int i = 0; i < 4; ++i) to_ads(&corners[i < count ? i : 2], p[i]);
    return make_plain(colour_if(ads_buildlist(RTDXF0, "SOLID", 8, layer_or_0(rec->layer), 10, p[0], 11, p[1], 12,
                                              p[2], 13, p[3], 0),
                                rec->colour, 0));
}

int ent_make_line(const geo_point *start, const geo_point *end, const char *layer, int colour, link_rec *link)
{
    if (!start || !end) return -2;
    ads_point a, b;
    to_ads(start, a);
    to_ads(end, b);
    return make_linked_work(
        colour_if(ads_buildlist(RTDXF0, "LINE", 8, layer_or_0(layer), 10, a, 11, b, 0), colour, 0), link);
}

int ent_make_circle(const geo_point *centre, double radius, const char *layer, int colour)
{
    if (!centre || !(radius > 0.0)) return -2;
    ads_point c;
    to_ads(centre, c);
    return make_plain(
        colour_if(ads_buildlist(RTDXF0, "CIRCLE", 8, layer_or_0(layer), 10, c, 40, radius, 0), colour, 0));
}

int ent_make_arc(const geo_point *centre, double radius, double start, double end, const char *layer,
                 int colour, link_rec *link)
{
    if (!centre || !link || !(radius > 0.0)) return -2;
    ads_point c;
    to_ads(centre, c);
    return make_linked_work(colour_if(ads_buildlist(RTDXF0, "ARC", 8, layer_or_0(layer), 10, c, 50, start, 51,
                                                    end, 40, radius, 0),
                                      colour, 0),
                            link);
}

int ent_make_block(const char *name, const geo_point *base, int flags)
{
    if (!name || !base) return -2;
    char word[ADS_SYM_MAX];
    snprintf(word, sizeof word, "%s", name);
    str_first_word(word);
    if (!*word) return -2;
    struct resbuf *found = ads_tblsearch("BLOCK", word, 0);
    if (found) {
        struct resbuf *f = rb_find(found, 70);
        bool foreign = f && (f->resval.rint & ENT_BLOCK_FOREIGN_BITS);
        ads_relrb(found);
        if (foreign) return -1;
    }
    ads_point b;
    to_ads(base, b);
    return make_plain(ads_buildlist(RTDXF0, "BLOCK", 2, word, 70, flags, 10, b, 3, word, 0));
}

int ent_make_endblk(char *name_out)
{
    struct resbuf *list = ads_buildlist(RTDXF0, "ENDBLK", 0);
    if (!list) {
        ads_entmake(nullptr);
        return -1;
    }
    int rc = ads_entmake(list);
    ads_relrb(list);
    if (rc != RTKWORD) return -1;
    char name[ADS_INPUT_MAX];
    if (ads_getinput(name) != RTNORM) return -1;
    if (name_out) snprintf(name_out, ADS_INPUT_MAX, "%s", name);
    return 0;
}

int ent_make_vertex(sym_place_rec *rec)
{
    if (!rec || rec->colour < SYM_PLACE_COLOUR_NONE) return -2;
    ads_point p;
    to_ads(&rec->ins, p);
    return make_named(rec, colour_if(ads_buildlist(RTDXF0, "VERTEX", 8, layer_or_0(rec->layer), 10, p, 0),
                                     rec->colour, 0));
}

int ent_make_polyline(sym_place_rec *rec)
{
    if (!rec || rec->colour < SYM_PLACE_COLOUR_NONE) return -2;
    const ads_point origin = {0.0, 0.0, 0.0};
    double w = rec->line_width < 0.0 ? 0.0 : rec->line_width;
    return make_named(rec, colour_if(ads_buildlist(RTDXF0, "POLYLINE", 8, layer_or_0(rec->layer), 66, 1, 10,
                                                   origin, 70, 0, 40, w, 41, w, 0),
                                     rec->colour, 0));
}

int ent_make_seqend(void) { return make_plain(ads_buildlist(RTDXF0, "SEQEND", 0)); }

int ent_make_hatch(sym_place_rec *rec, ads_name ss)
{
    if (!rec || ename_isnull(ss)) return -2;
    const char *pattern = str_nonblank(rec->pattern) == RTNORM ? rec->pattern : SYM_PLACE_DEFAULT_PATTERN;
    double scale = rec->size > 0.0 ? rec->size : SYM_PLACE_SIZE;
    struct resbuf *args = ads_buildlist(RTSTR, pattern, RTREAL, scale, RTREAL, rec->angle + rec->angle_offset,
                                        RTPICKS, ss, RTSTR, "", 0);
    if (!args) return ERR_NO_MEMORY;
    int rc = cmd_run("_HATCH", args);
    rb_free(args);
    if (rc != RTNORM || ads_entlast(rec->ename) != RTNORM) return -1;
    struct resbuf *list = ads_entget(rec->ename);
    if (!list) return -1;
    const char *layer = layer_or_0(rec->layer);
    rc = rb_set_text(list, 8, layer);
    if (rc == -1) {
        struct resbuf *l8 = ads_buildlist(8, layer, 0), *tail = list;
        if (!l8) rc = ERR_NO_MEMORY;
        else {
            while (tail->rbnext) tail = tail->rbnext;
            tail->rbnext = l8;
            rc = 0;
        }
    }
    if (rec->colour < SYM_PLACE_COLOUR_NONE) rec->colour = SYM_PLACE_COLOUR_NONE;
    if (rc == 0 && rec->colour != SYM_PLACE_COLOUR_NONE) {
        struct resbuf *c = rb_find(list, 62);
        if (c) c->resval.rint = (short)rec->colour;
        else rc = rb_append_color(list, rec->colour);
    }
    if (rc == 0 && !link_incomplete(&rec->link)) link_xdata_put(&rec->link, list);
    if (rc == 0 && ads_entmod(list) != RTNORM) rc = -1;
    ads_relrb(list);
    if (rc) return rc;
    link_ase_create(&rec->link, rec->ename);   /* the hatch stands without its host link */
    return 0;
}

int plot_pick_points(geo_point *point_out, double *radius_out)
{
    if (!point_out || !radius_out) return -2;
    ads_prompt(k_pick_prompt);
    struct resbuf *args = ads_buildlist(RTSTR, PAUSE, RTSTR, PAUSE, 0);
    if (!args) return -1;
    int rc = cmd_run("_CIRCLE", args);
    rb_free(args);
    ads_name e;
    if (rc != RTNORM || ads_entlast(e) != RTNORM) return -1;
    struct resbuf *list = ads_entget(e);
    struct resbuf *c = list ? rb_find(list, 10) : nullptr, *r = list ? rb_find(list, 40) : nullptr;
    if (!c || !r || ent_type_code(e) != ENT_TYPE_CIRCLE) {
        if (list) ads_relrb(list);
        return -1;
    }
    *point_out = geo_point{c->resval.rpoint[0], c->resval.rpoint[1], c->resval.rpoint[2], 0.0};
    *radius_out = r->resval.rreal;
    ads_relrb(list);
    ads_entdel(e);
    return 0;
}
