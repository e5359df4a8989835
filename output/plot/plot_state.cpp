/*
** plot_state.cpp: the plot state, its type table, the freeing of the
** options, the drawing's layer names and the writers' work arrays.
*/
#include "output/plot/plot_state.h"

#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/sql_access.h"
#include "draw/draw_util.h"
#include "platform/include/ads_host.h"

plot_state_rec g_plot_state = {};

namespace {

/* Group code of a symbol table entry's name. */
const int k_name_code = 2;

/* One type of the type table. */
struct plot_type_row {
    const char *label;   /* the "plot" list's text */
    const char *ext;     /* file extension, "" for none */
};

/* Labels and extensions by type (index = type). */
const plot_type_row k_types[PLOT_TYPE_LAST + 1] = {
    {"", ""},
    {"MAP", ""},
    {"Image or Sketch", ""},
    {"TABLE", ""},
    {"Text    .TXT", ".TXT"},
    {"ArcInfo .E00", ".E00"},
    {"MapInfo .MIF", ".MIF"},
    {"Spans   .TBA", ".TBA"},
    {"Stereo Diagram", ""},
    {"Rose Diagram", ""},
    {"Chem Diagram", ""},
    {"Pie Diagram", ""},
    {"Drill Holes", ""},
    {"", ""},
    {"Map Units", ""},
    {"SurView .AOB", ".AOB"},
    {"AutoCAD .DXF", ".DXF"},
};

/* Frees a null-terminated list of heap texts. */
void free_names(char ***names)
{
    if (!*names) return;
    for (char **p = *names; *p; p++) std::free(*p);
    std::free(*names);
    *names = nullptr;
}

} // namespace

/* The label of a type; see the header. */
const char *plot_type_label(int type)
{
    return type >= 0 && type <= PLOT_TYPE_LAST ? k_types[type].label : "";
}

/* The extension of a type; see the header. */
const char *plot_type_ext(int type)
{
    return type >= 0 && type <= PLOT_TYPE_LAST ? k_types[type].ext : "";
}

/* Frees the options; see the header. */
void plot_free_options(void)
{
    plot_state_rec &s = g_plot_state;
    std::free(s.out_index);
    s.out_index = nullptr;
    s.out_count = 0;
    free_names(&s.layer_names);
    s.file_name.clear();
    s.out_prj = nullptr;
    s.sym_col = nullptr;
    s.strike_col = nullptr;
    s.height = 0.0;
    s.scale = 0.0;
    s.col_delim = 0;
    s.txt_delim = 0;
    s.first_box = geo_box{};
    s.has_first_box = 0;
}

/* The drawing's layer names; see the header. */
int plot_collect_layer_names(void)
{
    free_names(&g_plot_state.layer_names);
    int count = 0, room = 0;
    char **names = nullptr;
    for (struct resbuf *entry = ads_tblnext("LAYER", 1); entry; entry = ads_tblnext("LAYER", 0)) {
        struct resbuf *name = rb_find(entry, k_name_code);
        int ok = 1;
        if (name && name->resval.rstring) {
            if (count + 1 >= room) {
                int grown = room ? room * 2 : 8;
                char **more = (char **)std::realloc(names, grown * sizeof(char *));
                if (more) names = more, room = grown;
                else ok = 0;
            }
            char *copy = ok ? strdup(name->resval.rstring) : nullptr;
            if (copy) names[count++] = copy, names[count] = nullptr;
            else ok = 0;
        }
        ads_relrb(entry);
        if (!ok) {
            g_plot_state.layer_names = names;
            free_names(&g_plot_state.layer_names);
            return ERR_NO_MEMORY;
        }
    }
    if (!count) {
        std::free(names);
        return RTERROR;
    }
    g_plot_state.layer_names = names;
    return 0;
}

/* Sizes the work arrays; see the header. */
int plot_alloc_buffers(int lead)
{
    plot_state_rec &s = g_plot_state;
    plot_free_buffers();
    if (lead < 0) return -2;
    int present = 0;
    for (int i = 0; i < s.out_count; i++)
        if (sql_col_nth(s.row, s.out_index[i])) present++;
    if (!present) return -2;
    plot_buffers_rec &b = s.buffers;
    const int n = lead + present;
    b.column = (sql_col_rec **)std::calloc(n, sizeof *b.column);
    b.table = (const char **)std::calloc(n, sizeof *b.table);
    b.type = (int *)std::calloc(n, sizeof *b.type);
    b.length = (int *)std::calloc(n, sizeof *b.length);
    b.decimals = (int *)std::calloc(n, sizeof *b.decimals);
    b.value = (const char **)std::calloc(n, sizeof *b.value);
    if (!b.column || !b.table || !b.type || !b.length || !b.decimals || !b.value) {
        plot_free_buffers();
        return ERR_NO_MEMORY;
    }
    b.lead = lead;
    b.count = lead;
    for (int i = 0; i < s.out_count; i++) {
        sql_col_rec *c = sql_col_nth(s.row, s.out_index[i]);
        if (!c) continue;
        b.column[b.count] = c;
        b.table[b.count] = c->table;
        b.count++;
    }
    return 0;
}

/* Forgets the work arrays' entries; see the header. */
void plot_clear_buffers(void)
{
    plot_buffers_rec &b = g_plot_state.buffers;
    b.count = 0;
    b.lead = 0;
}

/* Releases the work arrays; see the header. */
void plot_free_buffers(void)
{
    plot_buffers_rec &b = g_plot_state.buffers;
    std::free(b.column);
    std::free(b.table);
    std::free(b.type);
    std::free(b.length);
    std::free(b.decimals);
    std::free(b.value);
    b = plot_buffers_rec{};
}
