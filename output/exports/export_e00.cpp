/*
** export_e00.cpp: the E00 stages of the export (see export_run.h). One
** coverage is written section by section over the passes:
**
**   points    1 LAB (TOL, or TOL SIN LOG PRJ)  2 TX6 SIN LOG PRJ, or .PAT  3 .PAT
**   lines     1 ARC TOL SIN LOG PRJ            2 .AAT
**   polygons  1 ARC  2 CNT, empty LAB  3 PAL TOL SIN LOG PRJ  4 .PAT
**
** and the last pass ends with .BND, .TIC and EOI. n, the number of objects
** written before the current one, restarts in every pass, so that ids
** agree between the sections. Polygons are turned clockwise by the walker:
** each lies right of its one arc (left polygon 1, the outer polygon).
**
** Pass 1 reads each entity with its row's values and keeps the object in
** the export's spool (export_spool.h); the later passes take the objects
** back from it, and read the entities again only when it is gone.
*/
#include <cmath>
#include <string>
#include <vector>

#include "output/exports/e00_writer.h"
#include "output/exports/export_entity.h"
#include "output/exports/export_geo.h"
#include "output/exports/export_run.h"
#include "output/exports/export_spool.h"
#include "output/exports/export_state.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"

namespace {

/* Share of the larger extent: CNT's first centroid, PAL's outer box. */
constexpr double k_centroid_offset = 0.001;
constexpr double k_outer_margin = 0.01;
/* TOL of extents without size. */
constexpr double k_tol_default = 1.0;
/* Annotation level of the texts. */
constexpr int k_text_level = 1;

/* The item definitions of the output columns, and the current object's
** values. */
struct items_rec {
    std::vector<const char *> names;
    std::vector<int> types, widths, decimals;
    std::vector<std::string> texts;
    std::vector<const char *> values;
};

/* What the current pass has begun. */
struct e00_pass_rec {
    int pass = 0;          /* the pass the flags belong to */
    bool section = false;  /* the pass's section header is written */
    bool ifo = false;      /* IFO is written */
    bool items = false;    /* `items` holds the definitions */
    items_rec defs;        /* the item definitions, made once a pass */
};
e00_pass_rec s_pass;

/* The export's last pass: the one of the attribute table. */
int last_pass(const export_state_rec &s)
{
    return export_pass_count(PLOT_TYPE_E00, s.kind, s.text_met);
}

/* Forgets the flags of another pass; pass 1 starts the spool, a later
** pass turns it back to its first object. */
void enter(int pass)
{
    if (s_pass.pass == pass) return;
    s_pass = e00_pass_rec{};
    s_pass.pass = pass;
    if (pass == 1)
        export_spool_open(); /* none to be had: every pass reads the entities */
    else
        export_spool_rewind();
}

/* Reads the entity into the current object, with its row's values when
** attributes are asked: in pass 1 from the drawing, with the values
** whatever the pass, kept in the spool; in a later pass from the spool,
** or from the drawing when the spool is gone. The walker's result. */
int read_object(int kind, const long *entity, prj_rec *projection, int pass, bool attributes, int text_as_attr)
{
    int rc = 0;
    if (pass > 1 && export_spool_get(entity, attributes, &rc)) return rc;
    bool spool = pass == 1 && export_spool_active();
    rc = export_read_entity(kind, entity, projection, pass, attributes || spool, 0, text_as_attr);
    if (spool) export_spool_put(entity, rc);
    return rc;
}

/* Maps a writer result to the stage's: 0, or the negative code. */
int check(int rc)
{
    return rc == E00_OK ? 0 : (rc < 0 ? rc : -1);
}

/* The larger side of the extents. */
double larger_side(const geo_box &e)
{
    return std::fmax(e.max.x - e.min.x, e.max.y - e.min.y);
}

/* The item definitions of the output columns, made at the pass's first
** use (the columns stay as they are through the export). */
items_rec &items()
{
    items_rec &r = s_pass.defs;
    if (s_pass.items) return r;
    r = items_rec{};
    for (const export_column_rec &c : export_state().columns) {
        r.names.push_back(c.name.c_str());
        r.types.push_back(c.type);
        r.widths.push_back(c.width);
        r.decimals.push_back(c.decimals);
    }
    s_pass.items = true;
    return r;
}

/* The item definitions with the current object's values in binary form,
** null where none. */
items_rec &values()
{
    export_state_rec &s = export_state();
    items_rec &r = items();
    r.texts.resize(s.columns.size());
    r.values.assign(s.columns.size(), nullptr);
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        bool has = (int)i < s.fixed_count ? export_fixed_value((int)i, 0, s.kind, r.texts[i]) != 0
                                          : s.columns[i].has_value;
        if ((int)i >= s.fixed_count) r.texts[i] = s.columns[i].text;
        if (has) r.values[i] = r.texts[i].c_str();
    }
    return r;
}

/* IFO and the attribute table's definitions, once per pass. */
int table_header(bool arcs, long records)
{
    if (s_pass.ifo) return 0;
    const items_rec &r = items();
    int rc = e00_write_ifo();
    if (rc == E00_OK)
        rc = arcs ? e00_write_aat(r.names.data(), r.types.data(), r.widths.data(), r.decimals.data(),
                                  (int)r.names.size(), records)
                  : e00_write_pat(r.names.data(), r.types.data(), r.widths.data(), r.decimals.data(),
                                  (int)r.names.size(), records);
    s_pass.ifo = rc == E00_OK;
    return check(rc);
}

/* A section header, once per pass. */
int section(int (*header)(void))
{
    if (s_pass.section) return 0;
    int rc = header();
    s_pass.section = rc == E00_OK;
    return check(rc);
}

/* TOL from the extents. */
int write_tol(const geo_box *extents)
{
    double tol = extents ? larger_side(*extents) : 0.0;
    if (!(tol > 0.0)) tol = k_tol_default;
    return check(e00_write_tol(tol));
}

/* The description sections after TOL. */
int write_sin_log_prj(prj_rec *prj)
{
    int rc = check(e00_write_sin());
    if (rc == 0) rc = check(e00_write_log());
    if (rc == 0) rc = e00_plot_prj(prj);
    return rc;
}

/* A .PAT record of the current object. */
int pat_record(double area, double perimeter, long number)
{
    const items_rec &r = values();
    return check(e00_write_pat_record(area, perimeter, number, number, r.values.data(), r.types.data(),
                                      r.widths.data(), (int)r.values.size()));
}

/* The points' object stage. */
int points(export_state_rec &s, int pass, int text_as_attr)
{
    export_object_rec &o = s.obj;
    long n = s.count;
    bool pat_pass = pass == last_pass(s);
    if (pass == 1) {
        if (o.is_text && !text_as_attr) return -1;
        int rc = section(e00_write_lab_header);
        if (rc == 0)
            rc = check(e00_write_lab_record(o.box_flag, n + 1, 0, o.point.x, o.point.y,
                                            o.height * o.scale_factor, o.angle_deg + o.rotation_deg));
        return rc;
    }
    if (pass == 2 && s.text_met) {
        if (!o.is_text || o.name.empty()) return -1;
        int rc = section(e00_write_tx6_header);
        if (rc == 0)
            rc = check(e00_write_tx6_record(o.name.c_str(), o.point.x, o.point.y, o.height * o.scale_factor,
                                            k_text_level, n + 1));
        return rc;
    }
    if (!pat_pass || (o.is_text && !text_as_attr)) return -1;
    int rc = table_header(false, s.pass1_count);
    return rc == 0 ? pat_record(0.0, 0.0, n + 1) : rc;
}

/* The lines' object stage. */
int lines(export_state_rec &s, int pass)
{
    export_object_rec &o = s.obj;
    long n = s.count;
    if (pass == 1) {
        int rc = section(e00_write_arc_header);
        if (rc == 0) rc = check(e00_write_arc_record(n + 1, n + 1, 2 * n + 1, 2 * n + 2, 0, 0, (int)o.x.size()));
        if (rc == 0) rc = check(e00_write_arc_points(o.x.data(), o.y.data(), (int)o.x.size()));
        return rc;
    }
    int rc = table_header(true, s.pass1_count);
    if (rc != 0) return rc;
    const items_rec &r = values();
    return check(e00_write_aat_record(2 * n + 1, 2 * n + 2, 0, 0, o.length, n + 1, n + 1, r.values.data(),
                                      r.types.data(), r.widths.data(), (int)r.values.size()));
}

/* The outer polygon's PAL record: every ring's arc turned round. */
int outer_pal(const export_state_rec &s)
{
    long polygons = s.pass1_count;
    double m = larger_side(s.extents) * k_outer_margin;
    int rc = check(e00_write_pal_record(2 * polygons, s.extents.min.x - m, s.extents.min.y - m,
                                        s.extents.max.x + m, s.extents.max.y + m));
    for (long i = 0; rc == 0 && i < polygons; ++i) {
        rc = check(e00_write_pal_arc(0, 0, 0));
        if (rc == 0) rc = check(e00_write_pal_arc(-(i + 1), i + 1, i + 2));
    }
    return rc;
}

/* The polygons' object stage. */
int polygons(export_state_rec &s, int pass)
{
    export_object_rec &o = s.obj;
    long n = s.count;
    int rc = 0;
    switch (pass) {
    case 1:
        rc = section(e00_write_arc_header);
        if (rc == 0) rc = check(e00_write_arc_record(n + 1, n + 1, n + 1, n + 1, 1, n + 2, (int)o.x.size()));
        if (rc == 0) rc = check(e00_write_arc_points(o.x.data(), o.y.data(), (int)o.x.size()));
        return rc;
    case 2:
        if (!s_pass.section) {
            double d = larger_side(s.extents) * k_centroid_offset;
            rc = section(e00_write_cnt_header);
            if (rc == 0) rc = check(e00_write_cnt_record(s.extents.min.x - d, s.extents.min.y - d, nullptr, 0));
        }
        if (rc == 0) rc = check(e00_write_cnt_record(o.inside.x, o.inside.y, nullptr, 0));
        return rc;
    case 3:
        if (!s_pass.section) {
            rc = section(e00_write_pal_header);
            if (rc == 0) rc = outer_pal(s);
        }
        if (rc == 0) rc = check(e00_write_pal_record(1, o.box.min.x, o.box.min.y, o.box.max.x, o.box.max.y));
        if (rc == 0) rc = check(e00_write_pal_arc(n + 1, n + 1, 1));
        return rc;
    default:
        if (!s_pass.ifo) {
            rc = table_header(false, s.pass1_count + 1);
            double side = k_outer_margin * 2.0 * larger_side(s.extents) + (s.extents.max.x - s.extents.min.x);
            if (rc == 0) {
                items_rec &r = items();
                r.values.assign(r.names.size(), nullptr);
                rc = check(e00_write_pat_record(-(side * side), 0.0, 1, 0, r.values.data(), r.types.data(),
                                                r.widths.data(), (int)r.values.size()));
            }
        }
        if (rc == 0)
            rc = pat_record(std::fabs(geo_ring_signed_area(o.x.data(), o.y.data(), (int)o.x.size())), o.length,
                            n + 2);
        return rc;
    }
}

/* Closes the file and the spool after a failed write. */
int fail(int rc)
{
    e00_discard();
    export_spool_close();
    return rc;
}

}  // namespace

int export_e00(int kind, const long *entity, prj_rec *projection, int pass, int text_as_attr)
{
    if (!entity || !projection) return -2;
    export_state_rec &s = export_state();
    enter(pass);
    bool attributes = pass == last_pass(s); /* the attribute table is every kind's last pass */
    if (read_object(kind, entity, projection, pass, attributes, text_as_attr) != 0) return -1;
    int rc = kind == EXPORT_KIND_POINTS ? points(s, pass, text_as_attr)
             : kind == EXPORT_KIND_LINES ? lines(s, pass)
                                         : polygons(s, pass);
    if (rc == -1) return -1;
    if (rc != 0) return fail(rc);
    ++s.count;
    return 0;
}

void export_e00_restart(void)
{
    s_pass = e00_pass_rec{};
    export_spool_close();
}

int export_e00_tail(int kind, int pass, prj_rec *projection, const geo_box *extents)
{
    export_state_rec &s = export_state();
    enter(pass);
    int rc = 0;
    bool last = pass == last_pass(s);
    if (kind == EXPORT_KIND_POINTS) {
        if (pass == 1) {
            rc = section(e00_write_lab_header);
            if (rc == 0) rc = check(e00_write_lab_end());
            if (rc == 0) rc = write_tol(extents);
            if (rc == 0 && !s.text_met) rc = write_sin_log_prj(projection);
        } else if (pass == 2 && s.text_met) {
            rc = section(e00_write_tx6_header);
            if (rc == 0) rc = check(e00_write_tx6_end());
            if (rc == 0) rc = write_sin_log_prj(projection);
        }
    } else if (kind == EXPORT_KIND_LINES) {
        if (pass == 1) {
            rc = section(e00_write_arc_header);
            if (rc == 0) rc = check(e00_write_arc_end());
            if (rc == 0) rc = write_tol(extents);
            if (rc == 0) rc = write_sin_log_prj(projection);
        }
    } else if (pass == 1) {
        rc = section(e00_write_arc_header);
        if (rc == 0) rc = check(e00_write_section_end());
    } else if (pass == 2) {
        rc = section(e00_write_cnt_header);
        if (rc == 0) rc = check(e00_write_section_end());
        if (rc == 0) rc = check(e00_write_lab_header());
        if (rc == 0) rc = check(e00_write_lab_end());
    } else if (pass == 3) {
        rc = section(e00_write_pal_header);
        if (rc == 0) rc = check(e00_write_section_end());
        if (rc == 0) rc = write_tol(extents);
        if (rc == 0) rc = write_sin_log_prj(projection);
    }
    if (rc == 0 && last) {
        if (!s_pass.ifo) rc = check(e00_write_ifo());
        if (rc == 0) rc = e00_plot_ifo(extents);
    } else if (rc == 0) {
        rc = check(e00_flush()); /* a pass that could not be written fails here */
    }
    if (rc != 0) return fail(rc);
    if (last) export_spool_close();
    return 0;
}
