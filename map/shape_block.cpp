/*
** shape_block.cpp: loading a shape library into the editor and the shape
** store, and making the block of LINEs of one shape.
*/
#include "map/shape_block.h"

#include <cstdio>

#include "core/host_util.h"
#include "core/str_util.h"
#include "map/draw_util.h"
#include "map/ent_make.h"
#include "map/shape_interp.h"
#include "map/shape_store.h"

/* Colour 0: the block's LINEs take the colour of the reference. */
#define SHAPE_BLOCK_COLOUR 0

int sym_block_from_shape(const char *shape, const char *layer)
{
    if (str_nonblank(shape) != RTNORM) return -1;
    struct resbuf *found = ads_tblsearch("BLOCK", shape, 0);
    if (found) {
        ads_relrb(found);
        return 0;
    }
    if (!shape_find_any(shape)) return -1;
    const geo_point origin = {0.0, 0.0, 0.0, 0.0};
    int rc = ent_make_block(shape, &origin, 0);
    if (rc) return rc;

    shape_caller_rec *caller = shape_caller();
    int saved_arcs = caller->arc_switch;
    caller->arc_switch = 0;
    shape_walk_reset();
    while (rc == 0 && shape_walk_any(shape)) {
        const shape_output_rec *o = shape_output();
        if (o->kind != SHAPE_STEP_LINE) continue;
        const geo_point a = {o->x1, o->y1, 0.0, 0.0}, b = {o->x2, o->y2, 0.0, 0.0};
        rc = ent_make_line(&a, &b, layer, SHAPE_BLOCK_COLOUR, nullptr);
    }
    shape_walk_reset();
    caller->arc_switch = saved_arcs;
    if (rc) {
        ads_entmake(nullptr);
        return rc;
    }
    return ent_make_endblk(nullptr);
}

int shape_lib_load_cmd(const char *library)
{
    if (str_nonblank(library) != RTNORM) return -2;
    char style[ENT_STYLE_OUT_SIZE];
    if (ent_find_style_by_font(library, 1, style)) return 0;
    struct resbuf *args = ads_buildlist(RTSTR, library, 0);
    if (!args) return -1;
    int rc = cmd_run("_LOAD", args);
    rb_free(args);
    if (rc != RTNORM) return -1;
    char stem[ADS_PATH_MAX], file[ADS_PATH_MAX + 8], path[ADS_PATH_MAX];
    snprintf(stem, sizeof stem, "%s", library);
    str_upper(str_basename(stem));
    snprintf(file, sizeof file, "%s.%s", stem, SHAPE_FILE_EXT);
    if (ads_findfile(file, path) != RTNORM) return -1;
    int n = shape_font_load(path);
    if (n == SHAPE_ALREADY_LOADED) return 0;
    if (n <= 0) return -1;
    if (shape_extents(path) == 0) {
        shape_font_unload(path);
        return -1;
    }
    return 0;
}
