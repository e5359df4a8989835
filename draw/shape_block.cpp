/*
** shape_block.cpp: loading a shape library into the editor and the shape
** store, and making the block of LINEs of one shape.
*/
#include "draw/shape_block.h"

#include <cstdio>
#include <cstring>

#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"
#include "core/host_util.h"
#include "core/setup_store.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"

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

int shape_lib_name(const char *text, char *out, size_t size)
{
    if (!out || size < 1) return -2;
    out[0] = '\0';
    if (str_nonblank(text) != RTNORM) return -2;
    snprintf(out, size, "%s", text);
    str_trim(out);
    char *base = out;
    for (char *c = out; *c; c++)
        if (*c == '/' || *c == '\\' || *c == ':') base = c + 1;
    str_upper(base);
    return 0;
}

void shape_lib_file(const char *name, char *file, size_t size)
{
    const char *base = name;
    for (const char *c = name; *c; c++)
        if (*c == '/' || *c == '\\' || *c == ':') base = c + 1;
    if (strchr(base, '.')) snprintf(file, size, "%s", name);
    else snprintf(file, size, "%s.%s", name, SHAPE_FILE_EXT);
}

int shape_lib_open(const char *library)
{
    char name[ADS_PATH_MAX];
    if (shape_lib_name(library, name, sizeof name) != 0) return 0;
    if (shape_lib_slot(name) != SHAPE_SLOT_NONE) return SHAPE_ALREADY_LOADED;
    char file[ADS_PATH_MAX + 8], path[ADS_PATH_MAX];
    shape_lib_file(name, file, sizeof file);
    if (ads_findfile(file, path) != RTNORM) return 0;
    FILE *fp = fopen(path, "rb");
    if (!fp) return 0;
    int n = shape_font_load_stream(name, fp);
    fclose(fp);
    return n > 0 ? n : 0;
}

int shape_lib_load_cmd(const char *library)
{
    char name[ADS_PATH_MAX];
    if (shape_lib_name(library, name, sizeof name) != 0) return -2;
    char style[ENT_STYLE_OUT_SIZE];
    if (!ent_find_style_by_font(name, 1, style)) {
        struct resbuf *args = ads_buildlist(RTSTR, name, 0);
        if (!args) return -1;
        int rc = cmd_run("_LOAD", args);
        rb_free(args);
        if (rc != RTNORM) return -1;
    }
    int n = shape_lib_open(name);
    if (n == SHAPE_ALREADY_LOADED) return 0;
    if (n <= 0) return -1;
    if (shape_extents(name) == 0) {
        shape_font_unload(name);
        return -1;
    }
    return 0;
}

/* Hands the setup store the loader of the symbol setups' libraries; see
** the header. */
void shape_lib_serve_setups(void)
{
    g_setup_upcalls.shape_lib_name = shape_lib_name;
    g_setup_upcalls.shape_lib_load = shape_lib_load_cmd;
}
