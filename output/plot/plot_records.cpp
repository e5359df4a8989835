/*
** plot_records.cpp: the record plotting loop. It walks the rows of the
** browsed cursor once per pass, keeps the rows the browser's selection or
** the query's post-filter lets through, prepares each (memo texts,
** coordinates, symbol placements, bounding box) and hands it to the
** per-row stage of the output type, between the type's header and
** finishing stages. Kept in its own file: test programs put their own
** loop in its place.
*/
#include "output/plot/plot.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/img_show.h"
#include "core/msg_box.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/browse.h"
#include "map/row_place.h"
#include "map/sym_draw.h"
#include "output/diagrams/chem_plot.h"
#include "output/diagrams/ddh_plot.h"
#include "output/diagrams/diagram_road.h"
#include "output/exports/e00_writer.h"
#include "output/exports/mif_writer.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_diagrams.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_io.h"
#include "output/plot/plot_memo.h"
#include "output/plot/plot_state.h"
#include "output/query/qry_filter.h"
#include "output/diagrams/rose_plot.h"
#include "output/diagrams/stereo_plot.h"

namespace {

/* Title of the closing messages. */
const char k_title[] = "PETRIVEX:";
/* Stage rows that serve every pass. */
const int k_any_pass = -1;
/* Room of a progress text. */
const int k_progress_size = 64;

/* What one call of the loop works with. */
struct plot_run {
    ads_hdlg dialog;          /* dialog showing progress, or null */
    int pass;                 /* PLOT_PASS_* */
    int type;                 /* the output type */
    std::FILE *file;          /* text and SPANS file, or null */
    char *buffer;             /* its stdio buffer */
    long records;             /* rows of the cursor plus one (.TBA NRECORD) */
    long plotted;             /* rows plotted */
    long failures;            /* coordinate conversions that failed */
    long images;              /* images shown (type 2) */
    int stop;                 /* 1 ends the loop after the row */
    geo_point point;          /* the row's converted point */
    prj_rec *row_prj;         /* the coordinate system of the row's point */
    geo_box box;              /* plotted points */
    int has_box;              /* 1 once a point extended the box */
    sym_place_rec *sym;       /* the row's symbol placements; owned */
    sym_place_rec *txt;       /* the row's text placements; owned */
    int sym_room, txt_room;   /* slots of each array */
    int sym_count, txt_count; /* slots filled for the row */
    sym_place_rec *symbol;    /* the placement of the symbol column, or null */
    diagram_mark mark;        /* the drawing's end before the rows */
    std::string failure;      /* why the rows stopped short; empty when they did not */
    long left_out;            /* rows a diagram left out for a missing value */
    std::string first_left_out; /* the first of them, by name */
    std::string left_out_why;   /* why they were, or why the first point failed to convert, when a
                                ** coordinate system cannot be used; else empty */
};

/* A stage: 0 or more succeeds. */
typedef int (*stage_fn)(plot_run *run);

/* The stages of one type and pass. */
struct stage_row {
    int type;         /* output type */
    int pass;         /* pass served, or k_any_pass */
    stage_fn begin;   /* header stage, or null */
    stage_fn row;     /* per-row stage, or null (the row counts) */
    stage_fn end;     /* finishing stage, or null */
    stage_fn discard; /* undoes the output after a failure, in place of end; or null */
};

/* ---- Stages ---- */

/* MAP: draws the row's placements; the drawing's result. */
int map_row(plot_run *r)
{
    return sym_place_draw(r->sym, r->txt, r->sym_count, r->txt_count, 0);
}

/* MAP: erases what the rows drew. */
int map_discard(plot_run *r)
{
    diagram_erase_after(r->mark);
    return 0;
}

/* Images: shows the row's images, counting them; a cancel ends the loop. */
int image_row(plot_run *r)
{
    int rc = img_show_row(&r->images);
    if (rc == RTCAN) r->stop = 1;
    return rc;
}

/* Images: ends the display. */
int image_end(plot_run *)
{
    return img_end();
}

/* TABLE: creates the new table. */
int table_begin(plot_run *)
{
    return table_plot_begin();
}

/* TABLE: inserts the row. */
int table_row(plot_run *)
{
    return table_plot_row();
}

/* TABLE: frees the new table's columns. */
int table_end(plot_run *)
{
    return table_plot_end();
}

/* TABLE: drops the new table. */
int table_discard(plot_run *)
{
    return table_plot_discard();
}

/* Text and SPANS: the row's delimited line; the values written, -1 on a failed write. */
int line_row(plot_run *r)
{
    const plot_state_rec &s = g_plot_state;
    return plot_write_line(r->file, s.row, s.out_index, s.out_count, r->type, s.col_delim, s.txt_delim);
}

/* SPANS: the .TBA header with the record count. */
int tba_begin(plot_run *r)
{
    const plot_state_rec &s = g_plot_state;
    const char delim[2] = {s.col_delim ? s.col_delim : ' ', 0};
    return plot_write_tba_header(r->file, s.row, s.file_name.c_str(), delim, s.out_index, s.out_count, r->records);
}

/* E00, first pass: opens the file. */
int e00_first_begin(plot_run *)
{
    return e00_plot_begin(g_plot_state.file_name.c_str());
}

/* E00, first pass: the row's label point. */
int e00_first_row(plot_run *r)
{
    plot_fill_null_values(g_plot_state.row);
    return e00_plot_label_row(r->symbol, &r->point);
}

/* E00, first pass: the description sections from the box of the labels. */
int e00_first_end(plot_run *r)
{
    return e00_plot_points_end(r->has_box ? &r->box : nullptr, g_plot_state.out_prj);
}

/* E00, second pass: the .PAT table's definitions. */
int e00_second_begin(plot_run *)
{
    return e00_plot_pat_header();
}

/* E00, second pass: the row's .PAT record. */
int e00_second_row(plot_run *r)
{
    plot_fill_null_values(g_plot_state.row);
    return e00_plot_pat_row(&r->point);
}

/* E00, second pass: BND, TIC and the end of the file. */
int e00_second_end(plot_run *r)
{
    return e00_plot_ifo(r->has_box ? &r->box : nullptr);
}

/* MapInfo: opens the pair and writes the header. */
int mif_begin(plot_run *)
{
    return mif_plot_begin();
}

/* MapInfo: the row's object and .MID line. */
int mif_row(plot_run *r)
{
    return mif_plot_row(r->symbol, &r->point, r->row_prj, g_plot_state.out_prj);
}

/* MapInfo: closes the pair. */
int mif_end(plot_run *)
{
    return mif_plot_end();
}

/* E00 and MapInfo: removes the file under way. */
int e00_discard_file(plot_run *)
{
    e00_discard();
    plot_free_buffers();
    return 0;
}
int mif_discard_files(plot_run *)
{
    mif_discard();
    plot_free_buffers();
    return 0;
}

/* MapInfo's first pass only measures: the box is kept for the header. */
int mif_keep_box(plot_run *r)
{
    g_plot_state.first_box = r->box;
    g_plot_state.has_first_box = r->has_box;
    return 0;
}

/* The diagrams: their own argument-less stages on their own state. */
int stereo_begin(plot_run *) { return stereo_plot_begin(); }
int stereo_row(plot_run *) { return stereo_plot_row(); }
int stereo_end(plot_run *) { return stereo_plot_end(); }
int rose_begin(plot_run *) { return rose_plot_begin(); }
int rose_row(plot_run *) { return rose_bin_row(); }
int rose_end(plot_run *) { return rose_plot(); }
int chem_row(plot_run *) { return chem_plot_row(); }
int chem_end(plot_run *r)
{
    /* The diagram's state is gone after its end: its count first. */
    r->left_out = g_chem.left_out;
    r->first_left_out = g_chem.first_left_out;
    return chem_plot_end();
}
int pie_row(plot_run *) { return pie_plot_row(); }
int pie_end(plot_run *) { return pie_plot_end(); }
int ddh_row(plot_run *) { return ddh_plot_row(); }
int ddh_end(plot_run *r)
{
    int rc = ddh_plot_end();
    r->left_out = g_ddh.unplaced;
    r->first_left_out = g_ddh.first_unplaced;
    r->left_out_why = g_ddh.unplaced_why;
    return rc;
}
/* ... and what undoes them: the entities the rows drew go with the state. */
int stereo_discard(plot_run *) { return stereo_plot_discard(), 0; }
int chem_discard(plot_run *) { return chem_plot_discard(), 0; }
int pie_discard(plot_run *r) { return diagram_erase_after(r->mark), pie_plot_end(); }
int ddh_discard(plot_run *r) { return diagram_erase_after(r->mark), ddh_reset_all(), 0; }

/* The stage table. The text and SPANS files are opened and closed by the
** loop around their stages. */
const stage_row k_stages[] = {
    {PLOT_TYPE_MAP, k_any_pass, nullptr, map_row, nullptr, map_discard},
    {PLOT_TYPE_IMAGE, k_any_pass, nullptr, image_row, image_end, image_end},
    {PLOT_TYPE_TABLE, k_any_pass, table_begin, table_row, table_end, table_discard},
    {PLOT_TYPE_TEXT, k_any_pass, nullptr, line_row, nullptr, nullptr},
    {PLOT_TYPE_E00, PLOT_PASS_FIRST, e00_first_begin, e00_first_row, e00_first_end, e00_discard_file},
    {PLOT_TYPE_E00, PLOT_PASS_SECOND, e00_second_begin, e00_second_row, e00_second_end, e00_discard_file},
    {PLOT_TYPE_MIF, PLOT_PASS_FIRST, nullptr, nullptr, mif_keep_box, nullptr},
    {PLOT_TYPE_MIF, k_any_pass, mif_begin, mif_row, mif_end, mif_discard_files},
    {PLOT_TYPE_SPANS, k_any_pass, tba_begin, line_row, nullptr, nullptr},
    {PLOT_TYPE_STEREO, k_any_pass, stereo_begin, stereo_row, stereo_end, stereo_discard},
    {PLOT_TYPE_ROSE, k_any_pass, rose_begin, rose_row, rose_end, nullptr},
    {PLOT_TYPE_CHEM, k_any_pass, nullptr, chem_row, chem_end, chem_discard},
    {PLOT_TYPE_PIE, k_any_pass, nullptr, pie_row, pie_end, pie_discard},
    {PLOT_TYPE_DHOLE, k_any_pass, nullptr, ddh_row, ddh_end, ddh_discard},
};

/* The stages of a type and pass; null when the loop does not serve them. */
const stage_row *stages_for(int type, int pass)
{
    for (const stage_row &s : k_stages)
        if (s.type == type && (s.pass == pass || s.pass == k_any_pass)) return &s;
    return nullptr;
}

/* ---- Steps ---- */

/* 1 for the types that need chosen output columns. */
int needs_columns(int type)
{
    return type != PLOT_TYPE_IMAGE && !(type >= PLOT_TYPE_STEREO && type <= PLOT_TYPE_DHOLE);
}

/* 1 for the types that write a file or a table. */
int needs_file(int type)
{
    return type == PLOT_TYPE_TABLE || type == PLOT_TYPE_TEXT || type == PLOT_TYPE_E00 || type == PLOT_TYPE_SPANS;
}

/* 1 for the types whose rows are placed as symbols at their point. */
int places_symbols(int type)
{
    return type == PLOT_TYPE_MAP || type == PLOT_TYPE_E00 || type == PLOT_TYPE_MIF;
}

/* Shows the progress count. */
void progress(const plot_run &r)
{
    char text[k_progress_size];
    std::snprintf(text, sizeof text, "Plotting... %ld", r.plotted);
    if (r.dialog) ads_set_tile(r.dialog, "error", text);
    else ads_printf("\r%s", text);
}

/* Saves every column's rule flags and marks only the chosen output
** columns as plotted. */
void mark_plotted(std::vector<uint16_t> &saved)
{
    const plot_state_rec &s = g_plot_state;
    saved.clear();
    for (sql_col_rec *c = s.row; c; c = c->next) {
        saved.push_back(c->attr ? c->attr->flags : 0);
        if (c->attr) c->attr->flags &= (uint16_t)~PLOT_RULE_PLOT;
    }
    for (int i = 0; i < s.out_count; i++) {
        sql_col_rec *c = sql_col_nth(s.row, s.out_index[i]);
        if (c && c->attr) c->attr->flags |= PLOT_RULE_PLOT;
    }
}

/* Gives every column's rule its saved flags back; walking backwards, a
** rule shared by several columns ends with the flags saved first. */
void restore_flags(const std::vector<uint16_t> &saved)
{
    std::vector<sql_col_rec *> columns;
    for (sql_col_rec *c = g_plot_state.row; c; c = c->next) columns.push_back(c);
    for (size_t n = columns.size(); n-- > 0;)
        if (n < saved.size() && columns[n]->attr) columns[n]->attr->flags = saved[n];
}

/* Frees the placement arrays. */
void free_placements(plot_run &r)
{
    std::free(r.sym);
    std::free(r.txt);
    r.sym = r.txt = nullptr;
    r.sym_room = r.txt_room = 0;
}

/* The placement standing for the symbol column, or null. */
sym_place_rec *find_symbol(plot_run &r)
{
    const sql_col_rec *want = g_plot_state.sym_col;
    if (!want) return nullptr;
    for (int pass = 0; pass < 2; pass++) {
        sym_place_rec *list = pass ? r.txt : r.sym;
        int n = pass ? r.txt_count : r.sym_count;
        for (int i = 0; i < n; i++) {
            const sql_col_rec *c = list[i].own_col ? list[i].own_col : list[i].source_col;
            if (c && str_eq_nocase(c->name, want->name) && str_eq_nocase(c->table, want->table)) return &list[i];
        }
    }
    return nullptr;
}

/* Prepares a row of the map, E00 and MapInfo outputs: placements, the
** point converted to the output projection and the bounding box. 1 when
** the row is to be plotted; 0 when it is skipped. */
int prepare_placed(plot_run &r)
{
    plot_state_rec &s = g_plot_state;
    for (sql_col_rec *c = s.row; c; c = c->next)
        if (c->text) str_trim(c->text);
    for (int i = 0; i < r.sym_room; i++) sym_place_init(&r.sym[i]);
    for (int i = 0; i < r.txt_room; i++) sym_place_init(&r.txt[i]);
    r.sym_count = r.sym_room;
    r.txt_count = r.txt_room;
    if (row_build_placements(s.row, r.sym, &r.sym_count, r.txt, &r.txt_count, ROW_PLACE_PLOTTED) < 0)
        r.sym_count = r.txt_count = 0;
    r.symbol = find_symbol(r);
    geo_point in{};
    r.row_prj = nullptr;
    if (!plot_find_coord_column(s.row, &in, &r.row_prj)) return 0;
    if (in.x == 0.0 && in.y == 0.0) return 0;
    geo_point out = in;
    /* Without an output projection the stored coordinates are kept. */
    if (s.out_prj && r.row_prj && !prj_transform_point(&in, r.row_prj, &out, s.out_prj)) {
        if (r.failures++ == 0) {
            char why[PRJ_NAME_MAX + 128];
            if (prj_unusable_text(r.row_prj, s.out_prj, why, sizeof why)) r.left_out_why = why;
        }
        return 0;
    }
    r.point = out;
    for (int i = 0; i < r.sym_count; i++) {
        r.sym[i].ins = out;
        if (s.scale > 0.0) r.sym[i].size = r.sym[i].size > 0.0 ? r.sym[i].size * s.scale : s.scale;
    }
    for (int i = 0; i < r.txt_count; i++) {
        r.txt[i].ins = out;
        if (s.height > 0.0) r.txt[i].size = r.txt[i].size > 0.0 ? r.txt[i].size * s.height : s.height;
    }
    if (!r.has_box) {
        r.box.min = out;
        r.box.max = out;
        r.has_box = 1;
    } else {
        if (out.x < r.box.min.x) r.box.min.x = out.x;
        if (out.y < r.box.min.y) r.box.min.y = out.y;
        if (out.x > r.box.max.x) r.box.max.x = out.x;
        if (out.y > r.box.max.y) r.box.max.y = out.y;
    }
    return 1;
}

/* 1 when the fetched row is to be plotted: marked in the browser in its
** selected-rows mode, else passing the query's post-filter. */
int row_selected(void)
{
    if (g_row_state.plot_selected) return browse_row_is_selected(g_cur_row);
    return !g_plot_state.query || qry_filter_row(g_plot_state.query, g_plot_state.row);
}

/* Moves the cursor back to the browser's row. A row that cannot be read
** back is not said here: the browser's next read of its page says it. */
void restore_row(long remembered)
{
    plot_state_rec &s = g_plot_state;
    if (remembered >= 0) {
        (void)sql_fetch(s.cursor, s.row, SQL_FETCH_ABSOLUTE, remembered, 1);
    } else {
        (void)sql_fetch(s.cursor, nullptr, SQL_FETCH_PRIOR, SQL_FROM_START, 1);
        g_cur_row = remembered;
    }
}

/* Why the output's file could not be written, in the system's words. */
std::string write_reason(void)
{
    std::string why = out_failure_reason();
    return why.empty() ? "it cannot be written" : why;
}

/* 1 when the output's file could not be written whole (its end failed). */
int file_failed(const plot_run &r, int end_rc)
{
    return end_rc < 0 && (needs_file(r.type) || r.type == PLOT_TYPE_MIF) && r.type != PLOT_TYPE_TABLE;
}

/* The closing message of the plot. */
void closing_message(const plot_run &r, int end_rc)
{
    const plot_state_rec &s = g_plot_state;
    if (!r.failure.empty()) {
        if (r.type == PLOT_TYPE_TABLE) {
            msg_alert(ERR_TITLE, "No table %s made: %s", table_plot_name().c_str(), r.failure.c_str());
        } else if (needs_file(r.type) || r.type == PLOT_TYPE_MIF) {
            msg_alert(ERR_TITLE, "Could not write %s: %s; no file was written.", s.file_name.c_str(),
                      r.failure.c_str());
        } else {
            msg_alert(ERR_TITLE, "Nothing was plotted: %s", r.failure.c_str());
        }
        return;
    }
    if (r.type == PLOT_TYPE_STEREO && end_rc < 0) {
        msg_alert(ERR_TITLE, "Could not plot %ld points", r.plotted);
        return;
    }
    if (r.type == PLOT_TYPE_ROSE && end_rc < 0) {
        msg_alert(ERR_TITLE, "Could not plot %ld items", r.plotted);
        return;
    }
    /* A table not kept was said with why. */
    if (end_rc < 0 && r.type == PLOT_TYPE_TABLE) return;
    /* A file that could not be written whole was not put in place. */
    if (file_failed(r, end_rc)) {
        msg_alert(ERR_TITLE, "Could not write %s: %s; no file was written.", s.file_name.c_str(),
                  write_reason().c_str());
        return;
    }
    if (r.pass == PLOT_PASS_FIRST) return;
    if (r.failures > 0) {
        char name[PRJ_NAME_MAX + 1] = "";
        if (s.out_prj) std::snprintf(name, sizeof name, "%s", s.out_prj->name);
        msg_alert(k_title, "Plotted... %ld records\n\nWARNING: Could not transform %ld points to %s.%s%s%s", r.plotted,
                  r.failures, str_trim(name), r.left_out_why.empty() ? "" : "\n", r.left_out_why.c_str(),
                  out_renamed_text(s.renamed).c_str());
        return;
    }
    switch (r.type) {
    case PLOT_TYPE_IMAGE: msg_alert(k_title, "Displayed... %ld images", r.plotted); break;
    case PLOT_TYPE_TABLE: msg_alert(k_title, "Saved... %ld records", r.plotted); break;
    case PLOT_TYPE_CHEM:
        if (r.left_out > 0) {
            msg_alert(k_title, "Plotted... %ld\n\nLeft out, a value of the diagram's equations missing: %ld sample%s, "
                      "the first %s.", r.plotted, r.left_out, r.left_out == 1 ? "" : "s", r.first_left_out.c_str());
            break;
        }
        msg_alert(k_title, "Plotted... %ld", r.plotted);
        break;
    case PLOT_TYPE_PIE: msg_alert(k_title, "Plotted... %ld", r.plotted); break;
    case PLOT_TYPE_DHOLE:
        if (r.left_out > 0) {
            msg_alert(k_title,
                      "Plotted... %ld drill holes\n\nERROR: Unable to place %ld drill hole%s on the map, the "
                      "first %s.%s%s",
                      r.plotted, r.left_out, r.left_out == 1 ? "" : "s", r.first_left_out.c_str(),
                      r.left_out_why.empty() ? "" : "\n", r.left_out_why.c_str());
            break;
        }
        msg_alert(k_title, "Plotted... %ld drill holes", r.plotted);
        break;
    default: msg_alert(k_title, "Plotted... %ld records%s", r.plotted, out_renamed_text(s.renamed).c_str()); break;
    }
}

} // namespace

/* The record plotting loop; see output/plot.h. */
long plot_records(ads_hdlg dialog, int pass)
{
    plot_state_rec &s = g_plot_state;
    plot_run r{};
    r.dialog = dialog;
    r.pass = pass;
    r.type = plot_type;
    const stage_row *stages = stages_for(r.type, pass);
    if (!stages || !s.cursor || !s.row) return 0;
    if (needs_columns(r.type) && (s.out_count < 1 || !s.out_index)) return 0;
    if (needs_file(r.type)) {
        if (s.file_name.empty() || str_nonblank(s.file_name.c_str()) != RTNORM) return 0;
        long rows = sql_count_rows(s.cursor);
        if (rows < 0) {
            /* Rows that cannot be counted are no rows to leave out. */
            r.failure = std::string("the rows cannot be counted: ") + sql_failure_text((int)rows);
            closing_message(r, -1);
            return -1;
        }
        if (rows < 1) return 0;
        r.records = rows + 1;
    }
    if (r.type == PLOT_TYPE_TEXT || r.type == PLOT_TYPE_SPANS) {
        errno = 0;
        int rc = plot_open_file(s.file_name.c_str(), &r.file, &r.buffer, PLOT_FILE_BUFFER);
        if (rc < 0) {
            const int err = errno;
            err_report(rc, (s.file_name + (err ? std::string(" (") + std::strerror(err) + ")" : "")).c_str());
            return 0;
        }
    }

    s.renamed.clear();
    errno = 0;
    int rc = stages->begin ? stages->begin(&r) : 0;
    /* The system's reason names a file only for the outputs that open one. */
    const int open_errno = r.type == PLOT_TYPE_TABLE ? 0 : errno;
    std::vector<uint16_t> saved;
    const int placed = places_symbols(r.type);
    if (rc >= 0 && placed) {
        mark_plotted(saved);
        rc = row_alloc_placements(s.row, &r.sym, &r.sym_room, &r.txt, &r.txt_room);
        if (rc < 0) rc = ERR_NO_MEMORY;
    }
    if (rc < 0) {
        if (r.file) out_discard_file(&r.file, &r.buffer);
        if (placed) restore_flags(saved);
        free_placements(r);
        /* The TABLE output says its own, naming the table and why. */
        if (r.type != PLOT_TYPE_TABLE)
            msg_alert(ERR_TITLE, "%s", out_header_failure(plot_type_label(r.type), s.file_name, open_errno).c_str());
        return 0;
    }

    const long remembered = g_cur_row;
    r.mark = diagram_mark_drawing();
    /* Before the first row; a cursor that cannot be read fails the first
    ** fetch below. */
    (void)sql_fetch(s.cursor, nullptr, SQL_FETCH_PRIOR, SQL_FROM_START, 1);
    if (dialog) ads_set_tile(dialog, "error", "Plotting... 0");
    else ads_printf("\r\n"), ads_printf("\rPlotting... 0");

    long fetched = 0;
    int fetch = RTNORM;
    while (!r.stop && (fetch = sql_fetch(s.cursor, s.row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 1)) == RTNORM) {
        fetched++;
        if (!row_selected()) continue;
        /* A memo that cannot be read stops the rows: the output would
        ** lack it. */
        const int memo = plot_size_memo_columns(1, s.row, s.cursor, &r.failure);
        if (memo < 0) {
            if (r.failure.empty()) r.failure = sql_failure_text(memo);
            break;
        }
        int use = 1;
        if (r.type == PLOT_TYPE_TEXT || r.type == PLOT_TYPE_SPANS) {
            if (plot_number_format(s.row, s.out_prj, s.out_index, s.out_count, 1) < 0) r.failures++, use = 0;
        } else if (placed) {
            use = prepare_placed(r);
        }
        if (use) {
            if (r.type == PLOT_TYPE_IMAGE) {
                stages->row(&r);
                r.plotted = r.images;
            } else {
                const int got = stages->row ? stages->row(&r) : 0;
                if (got >= 0) {
                    r.plotted++;
                } else if (needs_file(r.type) || r.type == PLOT_TYPE_MIF) {
                    /* A file or a table short of a row is none: the rows
                    ** stop at the first one the output cannot take. */
                    r.failure =
                        "row " + std::to_string(fetched) +
                        (r.type == PLOT_TYPE_TABLE ? " cannot be inserted: " + std::string(sql_failure_text(got))
                                                   : " cannot be written: " + write_reason());
                    break;
                }
            }
        }
        progress(r);
    }
    /* A row that cannot be read is no end of the rows. */
    const int lost = fetch != RTNORM && fetch != RTERROR ? fetch : 0;
    if (lost < 0) r.failure = "row " + std::to_string(fetched + 1) + " cannot be read: " + sql_failure_text(lost);

    if (pass != PLOT_PASS_FIRST) plot_rebind_memo_columns(s.row, s.cursor);
    free_placements(r);
    if (placed) restore_flags(saved);

    int end_rc = 0;
    if (!r.failure.empty()) {
        /* Nothing of the rows stays: the output is all or none of them. */
        if (stages->discard) stages->discard(&r);
        end_rc = -1;
        r.plotted = 0;
    } else if (stages->end) {
        end_rc = stages->end(&r);
    }
    if (r.type == PLOT_TYPE_DHOLE && end_rc >= 0) r.plotted++;
    if (r.file && end_rc < 0) out_discard_file(&r.file, &r.buffer);
    if (r.file && plot_close_file(r.file, r.buffer) != 0) end_rc = -1;
    if (dialog) ads_set_tile(dialog, "error", "");
    else ads_printf("... done"), ads_printf("\r\n");

    closing_message(r, end_rc);
    restore_row(remembered);
    return r.failure.empty() && !file_failed(r, end_rc) ? r.plotted : -1;
}
