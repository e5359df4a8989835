/*
** txt_spans.cpp: the delimited text and SPANS writers (see txt_spans.h).
**
** A record line holds the columns in order. The field delimiter is the
** chosen character when it is a tab or printable, else a blank; the text
** qualifier is the chosen character when it is above a blank, else none.
** Text output qualifies CHAR columns, SPANS its character codes (20 and
** up); a qualifier inside a value is doubled, as readers of delimited text
** expect, and a qualified value keeps its line breaks, while an
** unqualified one has them written as blanks. A value is padded with
** blanks to the column's width plus one when it fits (inside its
** qualifiers), else written whole.
*/
#include "output/exports/txt_spans.h"

#include <cstring>
#include <string>

#include "core/str_util.h"
#include "core/tbl_column.h"
#include "output/exports/export_entity.h"
#include "output/exports/export_state.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "output/plot/plot.h"
#include "output/exports/tba_header.h"

namespace {

/* Line end of every export file. */
const char k_eol[] = "\r\n";
/* Extensions of the SPANS vector pair; they replace the last four
** characters of the output name. */
const char k_veh_ext[] = ".VEH";
const char k_vec_ext[] = ".VEC";
constexpr std::size_t k_ext_length = 4;
/* Leading columns of a SPANS vector record: ID and NUMVERTEX. */
constexpr int k_vec_columns = 2;
/* First character that is not a control character. */
constexpr char k_blank = ' ';

/* Writes text to the open file; 0, -1 when the write fails. */
int put(const std::string &text)
{
    export_state_rec &s = export_state();
    if (std::fwrite(text.data(), 1, text.size(), s.file) != text.size()) return out_note_failure(), -1;
    return 0;
}

/* The output name with its last four characters replaced by ext. */
std::string vec_name(const char *ext)
{
    std::string name = export_state().file_name;
    if (name.size() >= k_ext_length) name.erase(name.size() - k_ext_length);
    return name + ext;
}

/* Value text of a column of the current object: trimmed, empty when none;
** has answers whether there is a value at all. */
std::string column_value(int index, bool &has)
{
    export_state_rec &s = export_state();
    std::string v;
    has = true;
    if (index < s.fixed_count) {
        if (!export_fixed_value(index, 1, s.kind, v)) has = false;
    } else {
        const export_column_rec &c = s.columns[(std::size_t)index];
        has = c.has_value;
        v = c.text;
    }
    std::size_t first = v.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return v.substr(first, v.find_last_not_of(' ') - first + 1);
}

/* Writes the .VEH file with its header lines. */
int write_veh(const char *mode, bool areas)
{
    export_state_rec &s = export_state();
    int rc = out_open_file(vec_name(k_veh_ext).c_str(), &s.file, &s.buffer, EXPORT_FILE_BUFFER, mode);
    if (rc != 0) return rc;
    if (std::fseek(s.file, 0L, SEEK_SET) != 0) {
        out_discard_file(&s.file, &s.buffer);
        return -1;
    }
    const geo_box &e = s.extents;
    std::string h;
    if (areas) {
        out_appendf(h, "FILE_TYPE P O U 0 1%s", k_eol);
        out_appendf(h, "VERSION 4.0%s", k_eol);
        out_appendf(h, "AREAS_HEADER %8ld 1 4 %12.7lf %12.7lf %12.7lf %12.7lf 3 0 3 2 0 0 0%s", s.count,
                    e.min.x, e.min.y, e.max.x, e.max.y, k_eol);
    } else {
        out_appendf(h, "FILE_TYPE A X U 0 1%s", k_eol);
        out_appendf(h, "VERSION 4.0%s", k_eol);
        out_appendf(h, "ARCS_HEADER %8ld 4 %12.7lf %12.7lf %12.7lf %12.7lf 2 0 0 0 0 0 0%s", s.count,
                    e.min.x, e.min.y, e.max.x, e.max.y, k_eol);
    }
    out_appendf(h, "EXTENTS 4 %12.7lf %12.7lf %12.7lf %12.7lf%s", e.min.x, e.min.y, e.max.x, e.max.y,
                k_eol);
    out_appendf(h, "PROJECTION 0%s", k_eol);
    out_appendf(h, "REFERENCE 0%s", k_eol);
    rc = put(h);
    /* The first header waits under its temporary name for the final one,
    ** which puts it in place. */
    if (rc != 0) out_discard_file(&s.file, &s.buffer);
    else if ((mode[0] == 'w' ? out_park_file(&s.file, &s.buffer) : out_close_file(&s.file, &s.buffer)) != 0) rc = -1;
    return rc;
}

/* Opens the .VEC file and writes its first line. */
int open_vec(const char *first_line)
{
    export_state_rec &s = export_state();
    int rc = out_open_file(vec_name(k_vec_ext).c_str(), &s.file, &s.buffer, EXPORT_FILE_BUFFER, "wb");
    if (rc != 0) return rc;
    std::string line = std::string(first_line) + k_eol;
    if (put(line) != 0) {
        out_discard_file(&s.file, &s.buffer);
        return -1;
    }
    return 0;
}

/* Reads the entity and writes it; the record entry of both outputs. */
int write_record(const ads_name entity, int text_as_attr)
{
    export_state_rec &s = export_state();
    if (!s.file || !entity) {
        out_close_file(&s.file, &s.buffer);
        return -2;
    }
    int rc = export_read_entity(s.kind, entity, s.projection, 1, 1, 1, text_as_attr);
    if (rc != 0) return -1;
    return txt_write_object();
}

}  // namespace

int txt_open(void)
{
    export_state_rec &s = export_state();
    return out_open_file(s.file_name.c_str(), &s.file, &s.buffer, EXPORT_FILE_BUFFER, "wb");
}

int txt_close(void)
{
    export_state_rec &s = export_state();
    return out_close_file(&s.file, &s.buffer);
}

int spans_write_tba_header(void)
{
    export_state_rec &s = export_state();
    if (!s.file) {
        out_close_file(&s.file, &s.buffer);
        return -2;
    }
    if (std::fseek(s.file, 0L, SEEK_SET) != 0) return -1;
    std::vector<tba_column> cols;
    for (const export_column_rec &c : s.columns) cols.push_back({c.type, c.width, c.decimals, c.name});
    std::string delimiter, nrecord;
    if (s.col_delim) out_appendf(delimiter, "DELIMITER %c", s.col_delim);
    out_appendf(nrecord, "NRECORD %8ld", s.count);
    std::string h = tba_header_text(tba_title(s.file_name), delimiter, nrecord, cols);
    if (s.header_size > 0 && (long)h.size() != s.header_size) return -1;
    if (put(h) != 0) return -1;
    s.header_size = (long)h.size();
    return 0;
}

int spans_write_arcs_header(const char *mode)
{
    return write_veh(mode, false);
}

int spans_write_areas_header(const char *mode)
{
    return write_veh(mode, true);
}

int spans_open_vec_files(void)
{
    export_state_rec &s = export_state();
    s.header_size = 0;
    if (s.kind == EXPORT_KIND_POINTS) {
        int rc = out_open_file(s.file_name.c_str(), &s.file, &s.buffer, EXPORT_FILE_BUFFER, "wb");
        if (rc != 0) return rc;
        rc = spans_write_tba_header();
        if (rc != 0) out_discard_file(&s.file, &s.buffer);
        return rc;
    }
    if (s.kind != EXPORT_KIND_LINES && s.kind != EXPORT_KIND_POLYGONS) return -2;
    bool areas = s.kind == EXPORT_KIND_POLYGONS;
    if ((int)s.columns.size() > k_vec_columns) s.columns.resize(k_vec_columns);
    s.fixed_count = (int)s.columns.size();
    int rc = areas ? spans_write_areas_header("wb") : spans_write_arcs_header("wb");
    if (rc != 0) return rc;
    return open_vec(areas ? "AREAS" : "ARCS");
}

int spans_finish(void)
{
    export_state_rec &s = export_state();
    int rc = 0;
    if (s.kind == EXPORT_KIND_POINTS) {
        rc = spans_write_tba_header();
    } else {
        /* The .VEC is closed first, so that a failure to write it out
        ** fails the finish; it is put in place after the .VEH. */
        int vec = out_park_file(&s.file, &s.buffer);
        const char *mode = "r+b";
        rc = vec != 0 ? vec
             : s.kind == EXPORT_KIND_POLYGONS ? spans_write_areas_header(mode)
                                              : spans_write_arcs_header(mode);
        if (rc == 0) rc = out_place_parked();
    }
    if (rc != 0) {
        out_discard_file(&s.file, &s.buffer);
        return rc;
    }
    return out_close_file(&s.file, &s.buffer);
}

int txt_write_object(void)
{
    export_state_rec &s = export_state();
    if (!s.file) {
        out_close_file(&s.file, &s.buffer);
        return -2;
    }
    bool spans = plot_type == EXPORT_TYPE_SPANS;
    char delim = (s.col_delim == '\t' || s.col_delim >= k_blank) ? s.col_delim : k_blank;
    char qual = s.txt_delim > k_blank ? s.txt_delim : 0;
    std::string line;
    for (int i = 0; i < (int)s.columns.size(); ++i) {
        const export_column_rec &c = s.columns[(std::size_t)i];
        if (i > 0) line += delim;
        bool has = true;
        std::string v = column_value(i, has);
        bool qualified = spans ? c.type >= SPANS_CODE_CHAR : c.type == SQL_TYPE_CHAR;
        /* Text output: nothing between the delimiters for a missing value
        ** or a blank number, as the browser's plot writes them. */
        if (!spans && (!has || (v.empty() && !qualified))) continue;
        if (spans && !qualified && v.empty()) v.push_back('0');
        /* A line break ends the record where no qualifier encloses it. */
        if (!(qualified && qual))
            for (char &ch : v)
                if (ch == '\r' || ch == '\n') ch = k_blank;
        /* The padding stays inside the qualifiers, as part of the field. */
        if ((int)v.size() <= c.width) v.append((std::size_t)(c.width + 1) - v.size(), k_blank);
        out_append_qualified(line, v, qualified ? qual : 0);
    }
    if (spans && s.kind == EXPORT_KIND_POLYGONS) line += std::string(1, delim) + "1";
    line += k_eol;
    if (spans && s.kind != EXPORT_KIND_POINTS) {
        const export_object_rec &o = s.obj;
        for (std::size_t i = 0; i < o.x.size(); ++i)
            out_appendf(line, "%.6lf%c%.6lf%s", o.x[i], delim, o.y[i], k_eol);
    }
    if (put(line) != 0) return -1;
    ++s.count;
    return 0;
}

int txt_write_record(const ads_name entity, int text_as_attr)
{
    return write_record(entity, text_as_attr);
}

int spans_write_record(const ads_name entity, int text_as_attr)
{
    return write_record(entity, text_as_attr);
}
