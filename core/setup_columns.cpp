/*
** setup_columns.cpp: the layouts of PVTABLE, PVCOLUMN and PVPOINT and the
** conversions between one row's texts and the records (see
** setup_columns.h for the columns and their meaning).
**
** Texts are read trimmed and without regard to case; a null text counts
** as blank. Reading never leaves a half-filled record behind: a refused
** row changes nothing.
*/
#include "core/setup_columns.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/* Type and width of a CHAR column of a layout. */
#define SETUP_CHAR(n) SQL_TYPE_CHAR, n

/* Doubles are written with 17 significant digits: they read back exactly. */
#define SETUP_DOUBLE_FORMAT "%.17g"

static const setup_column_def k_pvtable[TBL_DEF_COUNT] = {
    {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0}, {"TABLETYPE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"BASENUMBER", SETUP_CHAR(SETUP_NAME_WIDTH), 0}, {"ANALYSIS", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"SAMPLE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},     {"COMPOSE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"ROCK", SETUP_CHAR(SETUP_NAME_WIDTH), 0},       {"GENESIS", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"SEGMENT", SETUP_CHAR(SETUP_NAME_WIDTH), 0},    {"STATION", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"OUTCROP", SETUP_CHAR(SETUP_NAME_WIDTH), 0},    {"TRAVERSE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"BOUNDARY", SETUP_CHAR(SETUP_NAME_WIDTH), 0},   {"UNIT", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"LEGEND", SETUP_CHAR(SETUP_NAME_WIDTH), 0},     {"REFERENCE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"DICTION", SETUP_CHAR(SETUP_NAME_WIDTH), 0},    {"OTHER", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"GROUPING", SETUP_CHAR(SETUP_NAME_WIDTH), 0},   {"PNT", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"POINT", SETUP_CHAR(SETUP_NAME_WIDTH), 1},
};

static const setup_column_def k_pvcolumn[PVCOLUMN_COUNT] = {
    {"COLUMNAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},  {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"DICTIONARY", SETUP_CHAR(SETUP_NAME_WIDTH), 0}, {"PROFILE", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"FLAGS", SQL_TYPE_INT, 0, 0},           {"RANGEFLAGS", SQL_TYPE_INT, 0, 0},
    {"PICKLEVEL", SQL_TYPE_INT, 0, 0},       {"EXTRAWORD", SQL_TYPE_INT, 0, 0},
    {"DELIMITER", SETUP_CHAR(1), 0},                 {"DEFAULTVAL", SETUP_CHAR(SETUP_DEFAULT_WIDTH), 0},
    {"MINIMUM", SQL_TYPE_DOUBLE, 0, 0},      {"MAXIMUM", SQL_TYPE_DOUBLE, 0, 0},
};

static const setup_column_def k_pvpoint[PVPOINT_COUNT] = {
    {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0}, {"XCOLUMN", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"YCOLUMN", SETUP_CHAR(SETUP_NAME_WIDTH), 0},   {"ZCOLUMN", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"SYMCOLUMN", SETUP_CHAR(SETUP_NAME_WIDTH), 0}, {"PROJECTION", SETUP_CHAR(SETUP_PRJ_NAME_WIDTH), 0},
};

static const setup_table_def k_layouts[] = {
    {"PVTABLE", k_pvtable, TBL_DEF_COUNT},
    {"PVCOLUMN", k_pvcolumn, PVCOLUMN_COUNT},
    {"PVPOINT", k_pvpoint, PVPOINT_COUNT},
};

/* The layout of a setup table; null for an unknown id. */
const setup_table_def *setup_layout(int id)
{
    if (id < SETUP_PVTABLE || id > SETUP_PVPOINT) return nullptr;
    return &k_layouts[id];
}

/* The name of the PVTABLE definition column of a table type 3..17; null
** for any other index. */
const char *setup_number_type_name(int index)
{
    if (index < TBL_TYPE_FIRST || index > TBL_TYPE_LAST) return nullptr;
    return k_pvtable[index].name;
}

/* Writes the layout's column names joined by ", " into buf, quoted
** identifiers in double quotes. Answers the text's length; -1 when it
** does not fit (buf then holds an empty text); -2 for a null argument. */
int setup_select_list(const setup_table_def *layout, char *buf, size_t size)
{
    if (!layout || !buf || size == 0) return -2;
    size_t n = 0;
    buf[0] = 0;
    for (int i = 0; i < layout->count; i++) {
        const setup_column_def *c = &layout->columns[i];
        int w = snprintf(buf + n, size - n, c->quoted ? "%s\"%s\"" : "%s%s", i ? ", " : "", c->name);
        if (w < 0 || (size_t)w >= size - n) {
            buf[0] = 0;
            return -1;
        }
        n += (size_t)w;
    }
    return (int)n;
}

/* The SQL type of a setup column as written in CREATE TABLE ("CHAR(20)",
** "INTEGER", "DOUBLE PRECISION"), in buf; null for a null argument or a
** type the layouts do not use. */
const char *setup_column_type_text(const setup_column_def *column, char *buf, size_t size)
{
    if (!column || !buf || size == 0) return nullptr;
    switch (column->sql_type) {
    case SQL_TYPE_CHAR: snprintf(buf, size, "CHAR(%d)", column->length); break;
    case SQL_TYPE_INT: snprintf(buf, size, "INTEGER"); break;
    case SQL_TYPE_DOUBLE: snprintf(buf, size, "DOUBLE PRECISION"); break;
    default: return nullptr;
    }
    return buf;
}

/* Copies a text trimmed at both ends into dst of `size` bytes, cut to fit. */
static void setup_copy_trimmed(char *dst, size_t size, const char *src)
{
    if (!src) src = "";
    while (*src && (unsigned char)*src <= 32) src++;
    size_t n = strlen(src);
    while (n && (unsigned char)src[n - 1] <= 32) n--;
    if (n >= size) n = size - 1;
    memcpy(dst, src, n);
    dst[n] = 0;
}

static void setup_put(setup_row *out, int i, const char *text)
{
    snprintf(out->text[i], SETUP_TEXT_SIZE, "%s", text ? text : "");
}

/* Builds a registry row from a PVTABLE row's texts and the table's
** described columns, which the row takes over. Key slots are the columns
** named by the texts (a name the table lacks leaves its slot empty).
** Answers 0; -1 for a blank table name or a type name that is not one of
** the table types (the row and the columns are left alone); -2 for a null
** argument. */
int tbl_from_setup_row(const char *const *texts, sql_col_rec *columns, tbl_rec *row)
{
    if (!texts || !row) return -2;
    char name[TBL_NAME_SIZE], word[SETUP_TEXT_SIZE];
    setup_copy_trimmed(name, sizeof name, texts[TBL_DEF_TABLENAME]);
    if (tbl_name_blank(name)) return -1;
    setup_copy_trimmed(word, sizeof word, texts[TBL_DEF_TABLETYPE]);
    int type = -1;
    for (int t = TBL_TYPE_FIRST; t <= TBL_TYPE_LAST; t++)
        if (tbl_name_cmp(word, setup_number_type_name(t)) == 0) type = t;
    if (type < 0) return -1;

    tbl_rec_init(row);
    memcpy(row->name, name, sizeof name);
    row->table_type = type;
    row->columns = columns;
    for (sql_col_rec *c = columns; c; c = c->next) row->column_count++;
    for (int i = TBL_DEF_BASENUMBER; i < TBL_DEF_COUNT; i++) {
        int slot = tbl_key_slot_of_index(i);
        if (slot < 0 || row->keys[slot]) continue;   /* "POINT" only when PNT is blank */
        setup_copy_trimmed(word, sizeof word, texts[i]);
        if (!tbl_name_blank(word)) row->keys[slot] = tbl_column_find(columns, word, nullptr, nullptr);
    }
    return 0;
}

/* Writes a registry row as PVTABLE texts: name, type name, the names of
** the key slots' columns (blank for an empty slot and for COMPOSE, GENESIS
** and OTHER), the PNT column under both PNT and "POINT". Answers 0; -2 for
** a null argument. */
int tbl_to_setup_row(const tbl_rec *row, setup_row *out)
{
    if (!row || !out) return -2;
    memset(out, 0, sizeof *out);
    setup_put(out, TBL_DEF_TABLENAME, row->name);
    setup_put(out, TBL_DEF_TABLETYPE, setup_number_type_name(row->table_type));
    for (int i = TBL_DEF_BASENUMBER; i < TBL_DEF_COUNT; i++) {
        int slot = tbl_key_slot_of_index(i);
        if (slot >= 0 && row->keys[slot]) setup_put(out, i, row->keys[slot]->name);
    }
    return 0;
}

/* Reads a finite number from a text; blank reads as 0. Answers 0 or -1. */
static int setup_read_double(const char *text, double *out)
{
    char t[SETUP_TEXT_SIZE];
    setup_copy_trimmed(t, sizeof t, text);
    if (!t[0]) {
        *out = 0;
        return 0;
    }
    char *end;
    errno = 0;
    double v = strtod(t, &end);
    if (*end || errno == ERANGE || !std::isfinite(v)) return -1;
    *out = v;
    return 0;
}

/* Reads a whole number 0..65535 from a text ("12" and "12.0000" both
** read); blank reads as 0. Answers 0 or -1 for another text. */
static int setup_read_u16(const char *text, uint16_t *out)
{
    double v;
    if (setup_read_double(text, &v) < 0 || v < 0 || v > 65535 || v != floor(v)) return -1;
    *out = (uint16_t)v;
    return 0;
}

/* Builds an input rule from a PVCOLUMN row's texts into a fresh rule
** (its old default text is not freed). The placeholder, profile-loaded
** and point flags are dropped: the rule is listed, and its tree and point
** setup are tied afresh. Answers 0; -1 for a blank column name or a
** number that does not read (the rule is left alone); -2 for a null
** argument; -9101 when the default text cannot be kept. */
int col_attr_from_setup_row(const char *const *texts, col_attr_rec *rule)
{
    if (!texts || !rule) return -2;
    col_attr_rec r;
    col_attr_init(&r);
    setup_copy_trimmed(r.column, sizeof r.column, texts[PVCOLUMN_COLUMNAME]);
    if (tbl_name_blank(r.column)) return -1;
    setup_copy_trimmed(r.table, sizeof r.table, texts[PVCOLUMN_TABLENAME]);
    setup_copy_trimmed(r.dictionary, sizeof r.dictionary, texts[PVCOLUMN_DICTIONARY]);
    setup_copy_trimmed(r.profile, sizeof r.profile, texts[PVCOLUMN_PROFILE]);
    if (setup_read_u16(texts[PVCOLUMN_FLAGS], &r.flags) || setup_read_u16(texts[PVCOLUMN_RANGEFLAGS], &r.range) ||
        setup_read_u16(texts[PVCOLUMN_PICKLEVEL], &r.level) || setup_read_u16(texts[PVCOLUMN_EXTRAWORD], &r.extra) ||
        setup_read_double(texts[PVCOLUMN_MINIMUM], &r.minimum) ||
        setup_read_double(texts[PVCOLUMN_MAXIMUM], &r.maximum))
        return -1;
    r.flags &= (uint16_t)~(COL_ATTR_PLACEHOLDER | COL_ATTR_PROFILE | COL_ATTR_POINT);
    const char *d = texts[PVCOLUMN_DELIMITER];
    r.delimiter = d && d[0] ? d[0] : ' ';
    char text[SETUP_TEXT_SIZE];
    setup_copy_trimmed(text, sizeof text, texts[PVCOLUMN_DEFAULTVAL]);
    if (text[0]) {
        size_t n = strlen(text) + 1;
        r.default_text = (char *)malloc(n);
        if (!r.default_text) return -9101;
        memcpy(r.default_text, text, n);
    }
    *rule = r;
    return 0;
}

/* Writes an input rule as PVCOLUMN texts (a default text longer than the
** column is cut). Answers 0; -2 for a null argument. */
int col_attr_to_setup_row(const col_attr_rec *rule, setup_row *out)
{
    if (!rule || !out) return -2;
    memset(out, 0, sizeof *out);
    setup_put(out, PVCOLUMN_COLUMNAME, rule->column);
    setup_put(out, PVCOLUMN_TABLENAME, rule->table);
    setup_put(out, PVCOLUMN_DICTIONARY, rule->dictionary);
    setup_put(out, PVCOLUMN_PROFILE, rule->profile);
    snprintf(out->text[PVCOLUMN_FLAGS], SETUP_TEXT_SIZE, "%u", (unsigned)rule->flags);
    snprintf(out->text[PVCOLUMN_RANGEFLAGS], SETUP_TEXT_SIZE, "%u", (unsigned)rule->range);
    snprintf(out->text[PVCOLUMN_PICKLEVEL], SETUP_TEXT_SIZE, "%u", (unsigned)rule->level);
    snprintf(out->text[PVCOLUMN_EXTRAWORD], SETUP_TEXT_SIZE, "%u", (unsigned)rule->extra);
    out->text[PVCOLUMN_DELIMITER][0] = rule->delimiter ? rule->delimiter : ' ';
    setup_put(out, PVCOLUMN_DEFAULTVAL, rule->default_text);
    snprintf(out->text[PVCOLUMN_MINIMUM], SETUP_TEXT_SIZE, SETUP_DOUBLE_FORMAT, rule->minimum);
    snprintf(out->text[PVCOLUMN_MAXIMUM], SETUP_TEXT_SIZE, SETUP_DOUBLE_FORMAT, rule->maximum);
    return 0;
}

/* Builds a point setup from a PVPOINT row's texts: its table is the
** project's registered table of that name, its columns that table's
** columns of those names (a Z or symbol column the table lacks is left
** out). The coordinate system's name goes to `projection` for the caller
** to look up; the caller then attaches the setup (pnt_attach). Answers 0;
** -1 when the table is not registered or lacks the X or Y column (the
** setup is left alone); -2 for a null argument. */
int pnt_from_setup_row(const char *const *texts, pjct_rec *project, pnt_rec *setup, char *projection,
                       size_t size)
{
    if (!texts || !project || !setup) return -2;
    char name[SETUP_TEXT_SIZE];
    setup_copy_trimmed(name, sizeof name, texts[PVPOINT_TABLENAME]);
    tbl_rec *t = tbl_find_by_name(project->tables, name, nullptr);
    if (!t) return -1;
    sql_col_rec *col[PVPOINT_SYMCOLUMN + 1] = {};
    int index[PVPOINT_SYMCOLUMN + 1] = {-1, -1, -1, -1, -1};
    for (int i = PVPOINT_XCOLUMN; i <= PVPOINT_SYMCOLUMN; i++) {
        setup_copy_trimmed(name, sizeof name, texts[i]);
        if (!tbl_name_blank(name)) col[i] = tbl_column_find(t->columns, name, nullptr, &index[i]);
    }
    if (!col[PVPOINT_XCOLUMN] || !col[PVPOINT_YCOLUMN]) return -1;
    pnt_rec_init(setup);
    setup->table = t;
    setup->x_col = col[PVPOINT_XCOLUMN];
    setup->y_col = col[PVPOINT_YCOLUMN];
    setup->z_col = col[PVPOINT_ZCOLUMN];
    setup->sym_col = col[PVPOINT_SYMCOLUMN];
    setup->x_index = index[PVPOINT_XCOLUMN];
    setup->y_index = index[PVPOINT_YCOLUMN];
    setup->z_index = index[PVPOINT_ZCOLUMN];
    if (projection && size) setup_copy_trimmed(projection, size, texts[PVPOINT_PROJECTION]);
    return 0;
}

/* Writes a point setup as PVPOINT texts with the given coordinate-system
** name (null for none). Answers 0; -2 for a null setup or row. */
int pnt_to_setup_row(const pnt_rec *setup, const char *projection, setup_row *out)
{
    if (!setup || !out) return -2;
    memset(out, 0, sizeof *out);
    const char *table = setup->table ? setup->table->name : setup->x_col ? setup->x_col->table : "";
    setup_put(out, PVPOINT_TABLENAME, table);
    const sql_col_rec *col[] = {setup->x_col, setup->y_col, setup->z_col, setup->sym_col};
    for (int i = 0; i < (int)(sizeof col / sizeof col[0]); i++)
        if (col[i]) setup_put(out, PVPOINT_XCOLUMN + i, col[i]->name);
    setup_put(out, PVPOINT_PROJECTION, projection);
    return 0;
}
