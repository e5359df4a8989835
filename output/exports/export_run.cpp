/*
** export_run.cpp: the export driver (see export_run.h). Each output type
** is one row of a stage table: its open stage, its object stage and its
** pass-end stage.
*/
#include "output/exports/export_run.h"

#include <cerrno>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "output/exports/e00_writer.h"
#include "output/exports/export_entity.h"
#include "output/exports/export_state.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"
#include "output/exports/txt_spans.h"
#include "platform/include/ads_host.h"

namespace {

/* Title of the final count. */
constexpr const char *k_done_title = "PETRIVEX:";
/* Blanks that clear the prompt line after a pass. */
constexpr int k_clear_width = 40;
/* Passes of the E00 output: points and lines, points with texts, polygons. */
constexpr int k_e00_passes = 2;
constexpr int k_e00_text_passes = 3;
constexpr int k_e00_polygon_passes = 4;
/* Passes of the MapInfo output: the walk for the bounds, then the objects. */
constexpr int k_mif_passes = 2;

/* Stages of the text output. */
int text_object(const long *e, int) { return txt_write_record(e, export_state().text_as_attr); }
int text_end(int) { return txt_close(); }
/* Stages of the SPANS output. */
int spans_object(const long *e, int) { return spans_write_record(e, export_state().text_as_attr); }
int spans_end(int) { return spans_finish(); }
/* Stages of the E00 output. */
int e00_open_stage()
{
    export_e00_restart();
    return e00_plot_begin(export_state().file_name.c_str());
}
int e00_object(const long *e, int pass)
{
    export_state_rec &s = export_state();
    return export_e00(s.kind, e, s.projection, pass, s.text_as_attr);
}
int e00_end(int pass)
{
    export_state_rec &s = export_state();
    return export_e00_tail(s.kind, pass, s.projection, &s.extents);
}
/* Stages of the MapInfo output. */
int mif_object(const long *e, int pass)
{
    export_state_rec &s = export_state();
    return export_mif(s.kind, e, s.projection, s.col_delim, pass, s.text_as_attr);
}

/* One output type's stages; a null open stage opens nothing. */
struct export_stages {
    int type;                             /* plot type */
    int (*open)(void);                    /* before the first entity of pass 1 */
    int (*object)(const long *e, int pass); /* one entity: 0 when written */
    int (*end)(int pass);                 /* after each pass: 0 or negative */
};
const export_stages k_stages[] = {
    {PLOT_TYPE_TEXT, txt_open, text_object, text_end},
    {PLOT_TYPE_E00, e00_open_stage, e00_object, e00_end},
    {PLOT_TYPE_MIF, nullptr, mif_object, export_mif_end},
    {PLOT_TYPE_SPANS, spans_open_vec_files, spans_object, spans_end},
};

/* The progress format of a pass. */
const char *progress_format(int type, int kind, int pass, int text_met)
{
    if (type != PLOT_TYPE_E00) return "\rEntities... %ld";
    bool points = kind == EXPORT_KIND_POINTS, polygons = kind == EXPORT_KIND_POLYGONS;
    switch (pass) {
    case 1: return points ? "\rLabels... %ld" : "\rArcs... %ld";
    case 2:
        if (points && text_met) return "\rText... %ld";
        return polygons ? "\rCentroids... %ld" : "\rAttributes... %ld";
    case 3: return polygons ? "\rPolygons... %ld" : "\rAttributes... %ld";
    default: return "\rAttributes... %ld";
    }
}

/* Grows extents that are one point other than the origin by d. */
void grow_single_point(export_state_rec &s, double d)
{
    geo_box &e = s.extents;
    if (!s.extents_set || e.min.x != e.max.x || e.min.y != e.max.y) return;
    if (e.min.x == 0.0 && e.min.y == 0.0) return;
    e.min.x -= d;
    e.min.y -= d;
    e.max.x += d;
    e.max.y += d;
}

/* Ends an export early: closes what is open, tells why. */
void abort_export(const std::string &text)
{
    export_state_rec &s = export_state();
    out_discard_file(&s.file, &s.buffer);
    e00_discard();
    export_mif_abandon();
    msg_alert(ERR_TITLE, "%s", text.c_str());
}

}  // namespace

int export_pass_count(int type, int kind, int text_met)
{
    switch (type) {
    case PLOT_TYPE_MIF: return k_mif_passes;
    case PLOT_TYPE_E00:
        if (kind == EXPORT_KIND_POLYGONS) return k_e00_polygon_passes;
        if (kind == EXPORT_KIND_POINTS && text_met) return k_e00_text_passes;
        return k_e00_passes;
    default: return 1;
    }
}

long export_run(void)
{
    export_state_rec &s = export_state();
    const export_stages *st = nullptr;
    for (const export_stages &row : k_stages)
        if (row.type == plot_type) st = &row;
    if (!st) return 0;
    s.count = 0;
    s.extents_set = 0;
    s.extents = geo_box{};
    s.text_met = 0;
    s.row_failure.clear();
    export_object_clear();
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return 0;
    long n = 0;
    if (ads_sslength(ss, &n) != RTNORM || n <= 0) {
        ads_ssfree(ss);
        return 0;
    }
    std::vector<char> written((std::size_t)n, 0);
    const std::string label = plot_type_label(plot_type);
    bool failed = false;
    for (int pass = 1; !failed && pass <= export_pass_count(plot_type, s.kind, s.text_met); ++pass) {
        s.count = 0;
        const char *fmt = progress_format(plot_type, s.kind, pass, s.text_met);
        export_rows_begin(ss, n);
        for (long i = 0; i < n; ++i) {
            ads_printf(fmt, s.count);
            errno = 0;
            if (pass == 1 && i == 0 && st->open && st->open() != 0) {
                abort_export(out_header_failure(label.c_str(), export_state().file_name, errno));
                failed = true;
                break;
            }
            ads_name e;
            if (ads_ssname(ss, i, e) != RTNORM) continue;
            export_rows_at(i);
            if (st->object(e, pass) == 0) written[(std::size_t)i] = 1;
            /* A linked row that cannot be read is no row that is not there:
            ** the export stops with no file written and says so once. */
            if (!s.row_failure.empty()) {
                abort_export("Nothing was exported: " + s.row_failure);
                failed = true;
                break;
            }
        }
        if (failed) break;
        ads_printf("\r%*s", k_clear_width, "");
        if (pass == 1) {
            s.pass1_count = s.count;
            grow_single_point(s, s.height * s.scale);
        }
        errno = 0;
        if (st->end(pass) != 0) {
            bool header = plot_type == PLOT_TYPE_MIF && pass == 1;
            std::string why = out_failure_reason();
            abort_export(header ? out_header_failure(label.c_str(), export_state().file_name, errno)
                                : "Plot aborted: cannot write " + export_state().file_name + ": " +
                                      (why.empty() ? std::string("no reason given") : why));
            failed = true;
        }
    }
    export_rows_end();
    ads_ssfree(ss);
    export_object_clear();
    long total = 0;
    if (!failed)
        for (char w : written) total += w;
    if (failed) return 0; /* told once, by abort_export */
    msg_alert(k_done_title, "Plotted... %ld entities%s", total, out_renamed_text(export_state().renamed).c_str());
    return total;
}
