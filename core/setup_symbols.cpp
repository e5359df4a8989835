/*
** setup_symbols.cpp: the loader and saver of PVSYMBOL, the project's
** symbol setups (core/sym_setup.h), one row per setup.
**
** Loading comes after PVPOINT, so that the input rules, the registered
** tables and the point setups exist: a column setup is attached to its
** column's rule (and through a point column to the X, Y and Z rules), the
** profile item setups are bound to their loaded items, and the setups
** without an owner are listed. Every library a setup names is loaded into
** the editor and the shape store, and the shape numbers are looked up by
** name in it. An owner, an association or a library that cannot be found
** costs nothing: the setup keeps its names and is written back as read.
*/
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "platform/include/ads_host.h"

/* Numbers are written with 17 significant digits: they read back exactly. */
#define SYMROW_DOUBLE_FORMAT "%.17g"
/* A library that could not be loaded at logon. */
#define SYMROW_LIB_FAILED "Cannot load symbol library %s of project %s; its setups are kept."

/* Column indexes of PVSYMBOL (layout in setup_tables.cpp). */
enum {
    SYMROW_OWNERKIND, SYMROW_ITEMNAME, SYMROW_TABLENAME, SYMROW_COLUMNNAME, SYMROW_PROFILE, SYMROW_DICTIONARY,
    SYMROW_SYMBOL, SYMROW_LIBRARY, SYMROW_PATTERN, SYMROW_LAYER, SYMROW_SHAPENUM, SYMROW_SYMFORM, SYMROW_TEXTFLAG,
    SYMROW_COLOR, SYMROW_SCALE, SYMROW_ANGLE, SYMROW_LINEWIDTH, SYMROW_POSITION, SYMROW_XOFFSET, SYMROW_YOFFSET,
    SYMROW_ZOFFSET, SYMROW_ANGOFFSET, SYMROW_ASSOC_FIRST, SYMROW_COUNT = SYMROW_ASSOC_FIRST + SYM_ASSOC_COUNT
};

/* The association columns, in the row's order, by association. */
static const int k_assoc_order[SYM_ASSOC_COUNT] = {
    SYM_ASSOC_SYMBOL, SYM_ASSOC_LAYER,        SYM_ASSOC_ANGLE,   SYM_ASSOC_POSITION, SYM_ASSOC_PATTERN,
    SYM_ASSOC_COLOUR, SYM_ASSOC_SCALE,        SYM_ASSOC_ANGLE_OFFSET, SYM_ASSOC_FONT, SYM_ASSOC_LINE_WIDTH,
};

/* The trimmed text of a row's column. */
static std::string symrow_text(const std::vector<std::string> &row, int i)
{
    std::string t = setup_row_text(row, i);
    t.resize(strlen(str_trim(t.data())));
    return t;
}

/* A number of a row's column; fallback when blank or not a number. */
static double symrow_number(const std::vector<std::string> &row, int i, double fallback)
{
    const char *t = setup_row_text(row, i);
    return sql_is_number(t) ? strtod(t, nullptr) : fallback;
}

/* A whole number of a row's column within an int32's range; fallback
** otherwise. */
static int symrow_whole(const std::vector<std::string> &row, int i, int fallback)
{
    double v = symrow_number(row, i, fallback);
    return v >= INT32_MIN && v <= INT32_MAX ? (int)v : fallback;
}

/* A number as text, 17 significant digits. */
static std::string symrow_double(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, SYMROW_DOUBLE_FORMAT, v);
    return buf;
}

/* Fills a new setup from a row; the owner and associations are bound
** later. Answers 0; -9101 without memory. */
static int symrow_read(const std::vector<std::string> &row, sym_rec *s)
{
    s->owner_kind = symrow_whole(row, SYMROW_OWNERKIND, 0);
    int rc = 0;
    rc |= sym_set_text(&s->item_name, symrow_text(row, SYMROW_ITEMNAME).c_str());
    rc |= sym_set_text(&s->table_name, symrow_text(row, SYMROW_TABLENAME).c_str());
    rc |= sym_set_text(&s->column_name, symrow_text(row, SYMROW_COLUMNNAME).c_str());
    rc |= sym_set_text(&s->profile, symrow_text(row, SYMROW_PROFILE).c_str());
    rc |= sym_set_text(&s->dictionary, symrow_text(row, SYMROW_DICTIONARY).c_str());
    rc |= sym_set_text(&s->symbol, symrow_text(row, SYMROW_SYMBOL).c_str());
    rc |= sym_set_text(&s->library, symrow_text(row, SYMROW_LIBRARY).c_str());
    rc |= sym_set_text(&s->pattern, symrow_text(row, SYMROW_PATTERN).c_str());
    for (int i = 0; i < SYM_ASSOC_COUNT; i++)
        rc |= sym_set_text(&s->assoc_name[k_assoc_order[i]], symrow_text(row, SYMROW_ASSOC_FIRST + i).c_str());
    if (rc) return ERR_NO_MEMORY;
    snprintf(s->layer, sizeof s->layer, "%s", symrow_text(row, SYMROW_LAYER).c_str());
    s->shape_number = (uint16_t)symrow_whole(row, SYMROW_SHAPENUM, 0);
    s->form = symrow_whole(row, SYMROW_SYMFORM, SYM_FORM_SHAPE);
    s->flags = symrow_whole(row, SYMROW_TEXTFLAG, 0);
    s->colour = symrow_whole(row, SYMROW_COLOR, 0);
    s->scale = (float)symrow_number(row, SYMROW_SCALE, 0);
    s->angle = (float)symrow_number(row, SYMROW_ANGLE, 0);
    s->line_width = (float)symrow_number(row, SYMROW_LINEWIDTH, 0);
    s->position = symrow_whole(row, SYMROW_POSITION, -1);
    s->x_offset = symrow_number(row, SYMROW_XOFFSET, 0);
    s->y_offset = symrow_number(row, SYMROW_YOFFSET, 0);
    s->z_offset = symrow_number(row, SYMROW_ZOFFSET, 0);
    s->angle_offset = (float)symrow_number(row, SYMROW_ANGOFFSET, 0);
    return 0;
}

/* Binds a column setup to its column's rule and its associations to the
** rules of the same table's columns; names that find nothing are kept. */
static void symrow_bind_column(pjct_rec *project, sym_rec *s)
{
    const char *table = s->table_name ? s->table_name : "";
    if (s->column_name) s->owner = col_attr_find(project->col_attrs, s->column_name, table, nullptr);
    for (int i = 0; i < SYM_ASSOC_COUNT; i++)
        if (s->assoc_name[i] && *table)
            s->assoc[i] = col_attr_find(project->col_attrs, s->assoc_name[i], table, nullptr);
}

/* Loads every library the project's setups name (into the editor and the
** shape store) and looks up their symbols' shape numbers; a library that
** cannot be loaded is reported once and its setups are kept. */
static void symrow_load_libraries(pjct_rec *project)
{
    std::set<std::string> tried;
    for (sym_rec *s = project->symbols; s && g_setup_upcalls.shape_lib_load; s = s->next) {
        if (!(s->flags & SYM_SYMBOL) || str_nonblank(s->library) != 5100) continue;
        char name[ADS_PATH_MAX];
        g_setup_upcalls.shape_lib_name(s->library, name, sizeof name);
        if (!tried.insert(name).second) continue;
        if (g_setup_upcalls.shape_lib_load(name) != 0) msg_alert(ERR_TITLE, SYMROW_LIB_FAILED, name, project->name);
    }
    for (sym_rec *s = project->symbols; s; s = s->next) {
        if (!(s->flags & SYM_SYMBOL) || str_nonblank(s->symbol) != 5100) continue;
        int slot = symlib_slot(s->library);
        const shape_entry *e = slot >= 0 ? shape_find_in_lib((uint16_t)slot, s->symbol) : nullptr;
        if (e) s->shape_number = e->number;
    }
}

/* Makes the symbol setups of PVSYMBOL rows: column setups attached to
** their rules, item setups bound to their loaded items, the others
** listed; their libraries loaded. The rows keep their order. Answers 0;
** -9101 without memory. */
int setup_load_pvsymbol(pjct_rec *project, const setup_text_rows *rows)
{
    for (const auto &row : rows->rows) {
        sym_rec *s = sym_new();
        if (!s) return ERR_NO_MEMORY;
        if (symrow_read(row, s) != 0) {
            sym_free(s);
            return ERR_NO_MEMORY;
        }
        if (s->owner_kind == SYM_OWNER_COLUMN) symrow_bind_column(project, s);
        sym_attach(project, s);
    }
    sym_bind_items(project, nullptr);
    symrow_load_libraries(project);
    return 0;
}

/* The PVSYMBOL row of one setup. */
static std::vector<std::string> symrow_of(const sym_rec *s)
{
    std::vector<std::string> r(SYMROW_COUNT);
    auto text = [](const char *t) { return std::string(t ? t : ""); };
    r[SYMROW_OWNERKIND] = std::to_string(s->owner_kind);
    r[SYMROW_ITEMNAME] = text(s->item_name);
    if (s->owner_kind == SYM_OWNER_COLUMN) {
        r[SYMROW_TABLENAME] = sym_owner_table(s);
        r[SYMROW_COLUMNNAME] = sym_owner_column(s);
    } else {
        r[SYMROW_TABLENAME] = text(s->table_name);
        r[SYMROW_COLUMNNAME] = text(s->column_name);
    }
    r[SYMROW_PROFILE] = text(s->profile);
    r[SYMROW_DICTIONARY] = text(s->dictionary);
    r[SYMROW_SYMBOL] = text(s->symbol);
    r[SYMROW_LIBRARY] = text(s->library);
    r[SYMROW_PATTERN] = text(s->pattern);
    r[SYMROW_LAYER] = s->layer;
    r[SYMROW_SHAPENUM] = std::to_string(s->shape_number);
    r[SYMROW_SYMFORM] = std::to_string(s->form);
    r[SYMROW_TEXTFLAG] = std::to_string(s->flags);
    r[SYMROW_COLOR] = std::to_string(s->colour);
    r[SYMROW_SCALE] = symrow_double(s->scale);
    r[SYMROW_ANGLE] = symrow_double(s->angle);
    r[SYMROW_LINEWIDTH] = symrow_double(s->line_width);
    r[SYMROW_POSITION] = std::to_string(s->position);
    r[SYMROW_XOFFSET] = symrow_double(s->x_offset);
    r[SYMROW_YOFFSET] = symrow_double(s->y_offset);
    r[SYMROW_ZOFFSET] = symrow_double(s->z_offset);
    r[SYMROW_ANGOFFSET] = symrow_double(s->angle_offset);
    for (int i = 0; i < SYM_ASSOC_COUNT; i++) r[SYMROW_ASSOC_FIRST + i] = sym_assoc_text(s, k_assoc_order[i]);
    return r;
}

/* The PVSYMBOL rows of the project's setups, oldest first, after the
** profile item setups were bound again to their items. Answers 0. */
int setup_save_pvsymbol(pjct_rec *project, setup_text_rows *rows)
{
    sym_bind_items(project, nullptr);
    std::vector<const sym_rec *> list;
    for (const sym_rec *s = project->symbols; s; s = s->next) list.push_back(s);
    for (auto it = list.rbegin(); it != list.rend(); ++it) rows->rows.push_back(symrow_of(*it));
    return 0;
}
