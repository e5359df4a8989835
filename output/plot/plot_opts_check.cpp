/*
** plot_opts_check.cpp: the checks of the plot options in the order the
** dialog makes them, and the options taken into the plot state.
*/
#include "output/plot/plot_opts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "coords/prj_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "output/plot/plot_io.h"
#include "output/plot/plot_state.h"

namespace {

/* The word that stands for a TAB column delimiter. */
const char k_tab_word[] = "tab";

/* Trims blanks and control characters at both ends. */
std::string trimmed(const std::string &text)
{
    size_t a = 0, b = text.size();
    while (a < b && (unsigned char)text[a] <= ' ') a++;
    while (b > a && (unsigned char)text[b - 1] <= ' ') b--;
    return text.substr(a, b - a);
}

/* The row's column at an entry of the "output" or "symbol" list; null for
** an entry past the listed columns (the blank last entry). */
sql_col_rec *listed(sql_col_rec *row, const std::vector<int> &positions, int entry)
{
    if (entry < 0 || entry >= (int)positions.size()) return nullptr;
    return sql_col_nth(row, positions[entry]);
}

/* Refuses: the options are freed and the message given back. */
int refuse(std::string &error, const std::string &message)
{
    error = message;
    plot_free_options();
    return -1;
}

/* The first character of a tile's text, 0 when it is empty. */
char first_char(const std::string &text)
{
    return text.empty() ? 0 : text[0];
}

} // namespace

/* The listed columns; see the header. */
std::vector<int> plot_listed_columns(sql_col_rec *row)
{
    std::vector<int> out;
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++)
        if (c->table[0] && c->name[0]) out.push_back(i);
    return out;
}

/* The output file name; see the header. */
std::string plot_output_name(const std::string &typed, int type)
{
    std::string name = trimmed(typed);
    size_t slash = name.find_last_of('/');
    size_t own = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = name.find('.', own);
    if (dot != std::string::npos) name.erase(dot);
    if (name.size() == own) return "";
    return name + plot_type_ext(type);
}

/* Checks and takes the options; see the header. */
int plot_opts_apply(const plot_opts_input &in, std::string &error)
{
    plot_state_rec &s = g_plot_state;
    const int type = in.type;
    plot_free_options();
    const std::vector<int> positions = plot_listed_columns(s.row);

    /* Output columns. */
    std::vector<int> chosen;
    for (int entry : in.output)
        if (listed(s.row, positions, entry)) chosen.push_back(positions[entry]);
    if (chosen.empty()) return refuse(error, "ERROR: No columns selected");
    s.out_index = (int *)std::malloc(chosen.size() * sizeof(int));
    if (!s.out_index) return refuse(error, "ERROR: No memory available");
    std::copy(chosen.begin(), chosen.end(), s.out_index);
    s.out_count = (int)chosen.size();

    /* File name with the type's extension (the table's name for TABLE). */
    if (type != PLOT_TYPE_MAP) {
        s.file_name = plot_output_name(in.file_name, type);
        if (s.file_name.empty()) return refuse(error, "ERROR: No file name specified");
    }

    /* Output projection. */
    prj_rec *chosen_prj = prj_at(in.projection);
    char unusable[PRJ_NAME_MAX + 160];
    if (prj_unusable_text(chosen_prj, nullptr, unusable, sizeof unusable))
        return refuse(error, std::string("ERROR: ") + unusable);
    switch (type) {
    case PLOT_TYPE_MAP:
    case PLOT_TYPE_TEXT: s.out_prj = chosen_prj; break;
    case PLOT_TYPE_E00:
    case PLOT_TYPE_MIF:
        if (!chosen_prj) return refuse(error, "ERROR: No projection selected");
        if (chosen_prj->type == PRJ_TYPE_DSTEREO)
            return refuse(error, "ERROR: Projection cannot be Double Stereographic");
        /* The files' projection lines hold no scale factor for a cone. */
        if (chosen_prj->type == PRJ_TYPE_LAMBERT && chosen_prj->scale != 1.0)
            return refuse(error, "ERROR: Projection cannot be Lambert with a scale factor");
        s.out_prj = chosen_prj;
        break;
    case PLOT_TYPE_SPANS:
        if (plot_find_coord_column(s.row, nullptr, nullptr)) {
            if (!chosen_prj || chosen_prj->type != PRJ_TYPE_GEOGRAPHIC)
                return refuse(error, "ERROR: Projection must be GEOGRAPHIC");
            s.out_prj = chosen_prj;
        }
        break;
    default: break;
    }

    /* Symbol column: E00 and MapInfo only, and it must be an output. */
    if (type == PLOT_TYPE_E00 || type == PLOT_TYPE_MIF) {
        sql_col_rec *sym = listed(s.row, positions, in.symbol);
        if (sym) {
            int position = positions[in.symbol];
            if (std::find(chosen.begin(), chosen.end(), position) == chosen.end())
                return refuse(error, std::string("ERROR: ") + sym->name + " must be selected for output");
            s.sym_col = sym;
        }
    }

    /* Delimiters and sizes. */
    const std::string col = trimmed(in.col_delim);
    s.col_delim = str_eq_nocase(col.c_str(), k_tab_word) ? '\t' : first_char(in.col_delim);
    s.txt_delim = first_char(in.txt_delim);
    s.height = std::atof(in.height.c_str());
    s.scale = std::atof(in.scale.c_str());

    /* A new table: a name, columns, and no two columns of one name. */
    if (type == PLOT_TYPE_TABLE) {
        /* The name goes into the CREATE TABLE statement: only a plain
        ** name a registered table could have is taken. */
        std::string table = s.file_name;
        str_basename(table.data());
        table.resize(std::strlen(table.c_str()));
        if (str_nonblank(table.c_str()) != RTNORM || !sql_is_ident(table.c_str()) || table[0] == '"' ||
            table.size() >= TBL_NAME_SIZE)
            return refuse(error, "ERROR: Invalid file name");
        if (s.out_count < 1) return refuse(error, "ERROR: No columns selected for output");
        for (int i = 0; i < s.out_count; i++)
            for (int j = 0; j < i; j++) {
                sql_col_rec *a = sql_col_nth(s.row, s.out_index[i]), *b = sql_col_nth(s.row, s.out_index[j]);
                if (a && b && str_eq_nocase(a->name, b->name))
                    return refuse(error, std::string("ERROR: multiple ") + a->name + " selected");
            }
    }
    return 0;
}
