/*
** setup_tables.cpp: the list of setup tables and the reading and writing
** they share (see setup_tables.h for the columns and the save protocol).
**
** Reading selects the layout's columns that the table has, with SAVEGEN
** and SAVEROW when it has them, and keeps the rows of the newest save.
** Writing puts the new rows in first, under the negative of a new save
** number, makes them current with one UPDATE and deletes the older rows
** last; any failure before the UPDATE removes the new rows again and
** leaves the old ones as they were.
*/
#include "core/setup_tables.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/chem_term.h"
#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pie_rec.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "wfile/wfile.h"

/* Host result codes. */
#define SETUP_OK      5100
#define SETUP_NONE    (-5001)
#define SETUP_ERR_ARG (-2)

/* Type and width of a CHAR column. */
#define SETUP_CHAR(n) SQL_TYPE_CHAR, n
/* Widths of the coordinate-system names. */
#define SETUP_CS_NAME_WIDTH SETUP_PRJ_NAME_WIDTH

static const setup_column_def k_pvdatum[] = {
    {"DATUMNAME", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"MAJORAXISA", SQL_TYPE_DOUBLE, 0, 0},
    {"MINORAXISB", SQL_TYPE_DOUBLE, 0, 0},
};

static const setup_column_def k_pvproj[] = {
    {"PROJNAME", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0}, {"DATUMNAME", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"UNITS", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},    {"PROJTYPE", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"UTMZONE", SQL_TYPE_INT, 0, 0},                  {"SCALE", SQL_TYPE_DOUBLE, 0, 0},
    {"ORIGINLONG", SQL_TYPE_DOUBLE, 0, 0},            {"ORIGINLAT", SQL_TYPE_DOUBLE, 0, 0},
    {"FALSEEAST", SQL_TYPE_DOUBLE, 0, 0},             {"FALSENORTH", SQL_TYPE_DOUBLE, 0, 0},
    {"PARALLEL1", SQL_TYPE_DOUBLE, 0, 0},             {"PARALLEL2", SQL_TYPE_DOUBLE, 0, 0},
};

static const setup_column_def k_pvxform[] = {
    {"XFORMNAME", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"PROJNAME1", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"PROJNAME2", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"DEGREE", SQL_TYPE_INT, 0, 0},
};

static const setup_column_def k_pvxpoint[] = {
    {"XFORMNAME", SETUP_CHAR(SETUP_CS_NAME_WIDTH), 0},
    {"X1", SQL_TYPE_DOUBLE, 0, 0},
    {"Y1", SQL_TYPE_DOUBLE, 0, 0},
    {"X2", SQL_TYPE_DOUBLE, 0, 0},
    {"Y2", SQL_TYPE_DOUBLE, 0, 0},
    {"RESIDUAL", SQL_TYPE_DOUBLE, 0, 0},
};

/* Widths of the symbol setup texts. */
#define SETUP_SYM_NAME_WIDTH  32    /* item, symbol, pattern and associated names */
#define SETUP_SYM_OWNER_WIDTH 20    /* table, column, profile and dictionary names */
#define SETUP_SYM_LIB_WIDTH   128   /* library name (may carry a directory) */
#define SETUP_SYM_LAYER_WIDTH 35    /* layer name */

static const setup_column_def k_pvsymbol[] = {
    {"OWNERKIND", SQL_TYPE_INT, 0, 0},
    {"ITEMNAME", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"TABLENAME", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"COLUMNNAME", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"PROFILE", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"DICTIONARY", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"SYMBOL", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"LIBRARY", SETUP_CHAR(SETUP_SYM_LIB_WIDTH), 0},
    {"PATTERN", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"LAYER", SETUP_CHAR(SETUP_SYM_LAYER_WIDTH), 0},
    {"SHAPENUM", SQL_TYPE_INT, 0, 0},
    {"SYMFORM", SQL_TYPE_INT, 0, 0},
    {"TEXTFLAG", SQL_TYPE_INT, 0, 0},
    {"COLOR", SQL_TYPE_INT, 0, 0},
    {"SCALE", SQL_TYPE_DOUBLE, 0, 0},
    {"ANGLE", SQL_TYPE_DOUBLE, 0, 0},
    {"LINEWIDTH", SQL_TYPE_DOUBLE, 0, 0},
    {"POSITION", SQL_TYPE_INT, 0, 0},
    {"XOFFSET", SQL_TYPE_DOUBLE, 0, 0},
    {"YOFFSET", SQL_TYPE_DOUBLE, 0, 0},
    {"ZOFFSET", SQL_TYPE_DOUBLE, 0, 0},
    {"ANGOFFSET", SQL_TYPE_DOUBLE, 0, 0},
    {"SYMASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"LAYASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"ANGASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"POSASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"PATASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"CLRASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"SCLASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"AOFFASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"FNTASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
    {"LWDASSOC", SETUP_CHAR(SETUP_SYM_NAME_WIDTH), 0},
};

/* Widths of the query texts. */
#define SETUP_QRY_NAME_WIDTH  32    /* query name */
#define SETUP_QRY_CONN_WIDTH  3     /* connector: AND, OR */
#define SETUP_QRY_OP_WIDTH    8     /* operator: "NOT LIKE" at most */
#define SETUP_QRY_BRKT_WIDTH  1     /* bracket */
#define SETUP_QRY_VALUE_WIDTH 254   /* value, quotes included */

static const setup_column_def k_pvquery[] = {
    {"QRYNAME", SETUP_CHAR(SETUP_QRY_NAME_WIDTH), 0},
    {"LISTKIND", SQL_TYPE_INT, 0, 0},
    {"POSITION", SQL_TYPE_INT, 0, 0},
    {"CONNECTOR", SETUP_CHAR(SETUP_QRY_CONN_WIDTH), 0},
    {"OPERATOR", SETUP_CHAR(SETUP_QRY_OP_WIDTH), 0},
    {"OPENBRKT", SETUP_CHAR(SETUP_QRY_BRKT_WIDTH), 0},
    {"CLOSEBRKT", SETUP_CHAR(SETUP_QRY_BRKT_WIDTH), 0},
    {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"COLUMNAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"VALUE", SETUP_CHAR(SETUP_QRY_VALUE_WIDTH), 0},
    {"NPOINTS", SQL_TYPE_INT, 0, 0},
    {"VALUEMORE", SETUP_CHAR(SETUP_QRY_VALUE_WIDTH), 0},
};

static const setup_column_def k_pvqout[] = {
    {"QRYNAME", SETUP_CHAR(SETUP_QRY_NAME_WIDTH), 0},
    {"POSITION", SQL_TYPE_INT, 0, 0},
    {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"COLUMNAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"FLAGS", SQL_TYPE_INT, 0, 0},
};

static const setup_column_def k_pvqpoint[] = {
    {"QRYNAME", SETUP_CHAR(SETUP_QRY_NAME_WIDTH), 0},
    {"LISTKIND", SQL_TYPE_INT, 0, 0},
    {"CONDPOS", SQL_TYPE_INT, 0, 0},
    {"POSITION", SQL_TYPE_INT, 0, 0},
    {"X", SQL_TYPE_DOUBLE, 0, 0},
    {"Y", SQL_TYPE_DOUBLE, 0, 0},
    {"Z", SQL_TYPE_DOUBLE, 0, 0},
    {"W", SQL_TYPE_DOUBLE, 0, 0},
};

/* Widths of the pie definitions' texts. */
#define SETUP_PIE_NAME_WIDTH 32     /* definition name and absent text */

static const setup_column_def k_pvpie[] = {
    {"PLOTNAME", SETUP_CHAR(SETUP_PIE_NAME_WIDTH), 0},
    {"RADIUS", SQL_TYPE_DOUBLE, 0, 0},
    {"CIRCLE", SQL_TYPE_INT, 0, 0},
    {"ABSENT", SETUP_CHAR(SETUP_PIE_NAME_WIDTH), 0},
    {"MAXVALUE", SQL_TYPE_DOUBLE, 0, 0},
    {"INWIDTH", SQL_TYPE_DOUBLE, 0, 0},
    {"INLENGTH", SQL_TYPE_DOUBLE, 0, 0},
    {"INWIDPROP", SQL_TYPE_INT, 0, 0},
    {"INLENPROP", SQL_TYPE_INT, 0, 0},
    {"OUTWIDTH", SQL_TYPE_DOUBLE, 0, 0},
    {"OUTLENGTH", SQL_TYPE_DOUBLE, 0, 0},
    {"OUTWIDPROP", SQL_TYPE_INT, 0, 0},
    {"OUTLENPROP", SQL_TYPE_INT, 0, 0},
};

static const setup_column_def k_pvpieout[] = {
    {"PLOTNAME", SETUP_CHAR(SETUP_PIE_NAME_WIDTH), 0},
    {"TABLENAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"COLUMNAME", SETUP_CHAR(SETUP_NAME_WIDTH), 0},
    {"INSIDE", SETUP_CHAR(1), 0},
};

/* Width of a chemistry diagram's name. */
#define SETUP_CHEM_NAME_WIDTH 32

static const setup_column_def k_pvchem[] = {
    {"PLOTNAME", SETUP_CHAR(SETUP_CHEM_NAME_WIDTH), 0},
    {"TERMNO", SQL_TYPE_INT, 0, 0},
    {"AXIS", SQL_TYPE_INT, 0, 0},
    {"LOGFLAG", SQL_TYPE_INT, 0, 0},
    {"XMIN", SQL_TYPE_DOUBLE, 0, 0},
    {"YMIN", SQL_TYPE_DOUBLE, 0, 0},
    {"XMAX", SQL_TYPE_DOUBLE, 0, 0},
    {"YMAX", SQL_TYPE_DOUBLE, 0, 0},
    {"XSCALE", SQL_TYPE_DOUBLE, 0, 0},
    {"YSCALE", SQL_TYPE_DOUBLE, 0, 0},
    {"SYMTABLE", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"SYMCOLUMN", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"OPERATOR", SQL_TYPE_INT, 0, 0},
    {"SCALAR1", SQL_TYPE_DOUBLE, 0, 0},
    {"OPENBKT", SQL_TYPE_INT, 0, 0},
    {"SCALAR2", SQL_TYPE_DOUBLE, 0, 0},
    {"TABLENAME", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"COLUMNNAME", SETUP_CHAR(SETUP_SYM_OWNER_WIDTH), 0},
    {"CLOSEBKT", SQL_TYPE_INT, 0, 0},
};

#define SETUP_COUNT_OF(a) (int)(sizeof(a) / sizeof((a)[0]))

static const setup_table_def k_datum_layout = {"PVDATUM", k_pvdatum, SETUP_COUNT_OF(k_pvdatum)};
static const setup_table_def k_proj_layout = {"PVPROJ", k_pvproj, SETUP_COUNT_OF(k_pvproj)};
static const setup_table_def k_xform_layout = {"PVXFORM", k_pvxform, SETUP_COUNT_OF(k_pvxform)};
static const setup_table_def k_xpoint_layout = {"PVXPOINT", k_pvxpoint, SETUP_COUNT_OF(k_pvxpoint)};
static const setup_table_def k_query_layout = {"PVQUERY", k_pvquery, SETUP_COUNT_OF(k_pvquery)};
static const setup_table_def k_qout_layout = {"PVQOUT", k_pvqout, SETUP_COUNT_OF(k_pvqout)};
static const setup_table_def k_qpoint_layout = {"PVQPOINT", k_pvqpoint, SETUP_COUNT_OF(k_pvqpoint)};
static const setup_table_def k_symbol_layout = {"PVSYMBOL", k_pvsymbol, SETUP_COUNT_OF(k_pvsymbol)};
static const setup_table_def k_pie_layout = {"PVPIE", k_pvpie, SETUP_COUNT_OF(k_pvpie)};
static const setup_table_def k_pieout_layout = {"PVPIEOUT", k_pvpieout, SETUP_COUNT_OF(k_pvpieout)};
static const setup_table_def k_chem_layout = {"PVCHEM", k_pvchem, SETUP_COUNT_OF(k_pvchem)};

/* The setup tables in loading order: the ellipsoids, the coordinate
** systems (after the built-in ones) and the transformations with their
** control points first, since point setups name coordinate systems; then
** the input rules, so that the registered tables' columns find theirs;
** the registry; the point setups, which name registered columns; the
** queries, which name columns and their point setups; the
** symbol setups, which name columns, their rules and point setups; the
** pie definitions and the chemistry diagrams, which name registered
** columns. */
static const setup_table_entry k_entries[] = {
    {"PVDATUM", &k_datum_layout, PJCT_CHG_DATUMS, setup_load_pvdatum, setup_save_pvdatum, nullptr, 0},
    {"PVPROJ", &k_proj_layout, PJCT_CHG_PROJS, setup_load_pvproj, setup_save_pvproj, nullptr, 0},
    {"PVXFORM", &k_xform_layout, PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS, setup_load_pvxform, setup_save_pvxform,
     setup_saved_pvxform, 0},
    {"PVXPOINT", &k_xpoint_layout, PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS, nullptr, setup_save_pvxpoint, nullptr, 1},
    {"PVCOLUMN", nullptr, PJCT_CHG_COLUMNS, setup_load_pvcolumn, setup_save_pvcolumn, nullptr, 0},
    {"PVTABLE", nullptr, PJCT_CHG_TABLES, setup_load_pvtable, setup_save_pvtable, nullptr, 0},
    {"PVPOINT", nullptr, PJCT_CHG_POINTS, setup_load_pvpoint, setup_save_pvpoint, nullptr, 0},
    {"PVQUERY", &k_query_layout, PJCT_CHG_QUERIES, setup_load_pvquery, setup_save_pvquery, nullptr, 0},
    {"PVQOUT", &k_qout_layout, PJCT_CHG_QUERIES, nullptr, setup_save_pvqout, nullptr, 0},
    {"PVQPOINT", &k_qpoint_layout, PJCT_CHG_QUERIES, nullptr, setup_save_pvqpoint, nullptr, 0},
    {"PVSYMBOL", &k_symbol_layout, PJCT_CHG_SYMBOLS, setup_load_pvsymbol, setup_save_pvsymbol, nullptr, 0},
    {"PVPIE", &k_pie_layout, PJCT_CHG_PIES, setup_load_pvpie, setup_save_pvpie, nullptr, 1},
    {"PVPIEOUT", &k_pieout_layout, PJCT_CHG_PIES, nullptr, setup_save_pvpieout, nullptr, 1},
    {"PVCHEM", &k_chem_layout, PJCT_CHG_CHEM, setup_load_pvchem, setup_save_pvchem, nullptr, 1},
};

/* The layout of an entry: its own, or for the registry's tables the one
** of core/setup_columns.h. */
static const setup_table_def *setup_layout_of(const setup_table_entry *e)
{
    if (e->layout) return e->layout;
    if (strcmp(e->name, "PVTABLE") == 0) return setup_layout(SETUP_PVTABLE);
    if (strcmp(e->name, "PVCOLUMN") == 0) return setup_layout(SETUP_PVCOLUMN);
    if (strcmp(e->name, "PVPOINT") == 0) return setup_layout(SETUP_PVPOINT);
    return nullptr;
}

/* The number of setup tables. */
int setup_table_count(void)
{
    return SETUP_COUNT_OF(k_entries);
}

/* The i-th setup table in loading order, its layout filled in; null when
** out of range. */
const setup_table_entry *setup_table_at(int i)
{
    static setup_table_entry entries[SETUP_COUNT_OF(k_entries)];
    static bool ready = false;
    if (!ready) {
        for (int k = 0; k < SETUP_COUNT_OF(k_entries); k++) {
            entries[k] = k_entries[k];
            entries[k].layout = setup_layout_of(&k_entries[k]);
        }
        ready = true;
    }
    if (i < 0 || i >= SETUP_COUNT_OF(k_entries)) return nullptr;
    return &entries[i];
}

/* The setup table of that name (without regard to case); null when none. */
const setup_table_entry *setup_table_find(const char *name)
{
    if (!name) return nullptr;
    for (int i = 0; i < setup_table_count(); i++)
        if (strcasecmp(setup_table_at(i)->name, name) == 0) return setup_table_at(i);
    return nullptr;
}

/* The i-th text of a row; "" when the row is shorter. */
const char *setup_row_text(const std::vector<std::string> &row, int i)
{
    return i >= 0 && i < (int)row.size() ? row[i].c_str() : "";
}

/* A column name as it stands in a statement: quoted when the layout says so. */
static std::string setup_column_sql(const setup_column_def *c)
{
    return c->quoted ? std::string("\"") + c->name + "\"" : std::string(c->name);
}

/* What a described table holds. */
struct setup_shape {
    int exists = 0;                  /* the table could be described */
    int has_gen = 0;                 /* it has SAVEGEN and SAVEROW */
    std::vector<int> present;        /* per layout column: 1 when the table has it */
};

/* The text of a failure the SQL layer answered with a code: the driver's
** condition text when the layer's last failure is that one, else the
** code's application text, else "code N". */
std::string setup_failure_text(int code)
{
    const sql_failure *f = sql_last_failure();
    if (f->code == code && f->text[0]) return f->text;
    const char *t = err_text(code);
    return t ? std::string(t) : "code " + std::to_string(code);
}

/* Keeps the text of a failure for the caller when it asked for it.
** Answers the code. */
static int setup_failed(int code, std::string *why)
{
    if (why) *why = setup_failure_text(code);
    return code;
}

/* Describes a table and compares it with a layout. Answers 0, with
** shape->exists 0 when the table does not exist; the code of the failure
** (its text in *why when given) when it exists but cannot be described. */
static int setup_describe(void *connection, const char *table, const setup_table_def *layout, setup_shape *shape,
                          std::string *why)
{
    sql_col_rec *cols = nullptr;
    *shape = setup_shape();
    int n = sql_describe_table(connection, table, &cols, 0);
    if (n <= 0) {
        const sql_failure *f = sql_last_failure();
        if (n < 0 && f->code == n && strcmp(f->sqlstate, SQL_STATE_NO_TABLE) == 0) return 0;
        return setup_failed(n < 0 ? n : ERR_SQL_NO_CONDITION, why);
    }
    shape->exists = 1;
    shape->has_gen = sql_col_find(cols, SETUP_GEN_COLUMN, nullptr, nullptr) &&
                     sql_col_find(cols, SETUP_SEQ_COLUMN, nullptr, nullptr);
    for (int i = 0; i < layout->count; i++)
        shape->present.push_back(sql_col_find(cols, layout->columns[i].name, nullptr, nullptr) != nullptr);
    sql_col_list_free(&cols);
    return 0;
}

/* Reads a whole number from a text: 0 for a blank text. Answers 1, or 0
** when the text is not a whole number. */
static int setup_read_long(const char *text, long *out)
{
    char *end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    while (end && *end == ' ') end++;
    if (end == text) {
        *out = 0;
        return *text == 0;
    }
    /* LONG_MAX rounds up to 2^63 as a double, which no long holds. */
    if (!end || *end || errno || v < (double)LONG_MIN || v >= -(double)LONG_MIN) return 0;
    *out = (long)v;
    return 1;
}

/* Reads the rows of the newest save of one table that exists. Answers 0;
** a negative code when the rows cannot be read (also when fewer rows come
** than were counted). */
static int setup_read_rows(pjct_rec *p, const char *table, const setup_table_def *layout, const setup_shape &shape,
                           setup_text_rows *out)
{
    std::string text = "SELECT ";
    int selected = 0;
    for (int i = 0; i < layout->count; i++) {
        if (!shape.present[i]) continue;
        if (selected++) text += ", ";
        text += setup_column_sql(&layout->columns[i]);
    }
    if (shape.has_gen) text += std::string(selected++ ? ", " : "") + SETUP_GEN_COLUMN + ", " + SETUP_SEQ_COLUMN;
    if (!selected) return 0;
    text += std::string(" FROM ") + table;
    if (shape.has_gen) text += std::string(" ORDER BY ") + SETUP_SEQ_COLUMN;

    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(p->connection, text.c_str(), &stmt, &cursor, &row, 0);
    if (n < 0) return n;
    std::vector<std::pair<long, std::vector<std::string>>> all;
    long newest = -1;
    for (int k = 0; k < n; k++) {
        if (int rc = sql_fetch_counted(cursor, row, k); rc != SETUP_OK) {
            sql_close_query(&stmt, &cursor, &row);
            return rc;   /* rows counted but not read: never half a table */
        }
        std::vector<std::string> texts;
        sql_col_rec *c = row;
        for (int i = 0; i < layout->count; i++) {
            if (!shape.present[i] || !c) {
                texts.emplace_back();
                continue;
            }
            texts.emplace_back(c->text ? c->text : "");
            c = c->next;
        }
        long gen = 0;
        if (shape.has_gen && c && !setup_read_long(c->text ? c->text : "", &gen)) gen = -1;
        if (gen < 0) continue;   /* a save that never became current */
        if (gen > newest) newest = gen;
        all.emplace_back(gen, std::move(texts));
    }
    sql_close_query(&stmt, &cursor, &row);
    for (auto &r : all)
        if (r.first == newest) out->rows.push_back(std::move(r.second));
    return 0;
}

/* Reads the rows of the newest save of a project's setup table. A table
** that does not exist reads as empty; a table rebuilt half-way is read
** from its scratch table when it is gone or empty. Answers 0 with the
** rows in *out; -2 for a missing argument; a negative code when an
** existing table cannot be described or read, the driver's text of the
** failure in *why when given. */
int setup_table_read(pjct_rec *project, const setup_table_entry *entry, setup_text_rows *out, std::string *why)
{
    if (!project || !project->connection || !entry || !entry->layout || !out) return SETUP_ERR_ARG;
    out->rows.clear();
    const setup_table_def *layout = entry->layout;
    setup_shape shape;
    int rc = setup_describe(project->connection, entry->name, layout, &shape, why);
    if (rc < 0) return rc;
    if (shape.exists) {
        rc = setup_read_rows(project, entry->name, layout, shape, out);
        if (rc < 0) return setup_failed(rc, why);
        if (!out->rows.empty()) return 0;
    }
    std::string scratch = std::string(entry->name) + SETUP_SCRATCH_SUFFIX;
    setup_shape spare;
    std::string spare_why;
    rc = setup_describe(project->connection, scratch.c_str(), layout, &spare, &spare_why);
    if (!spare.exists) {
        if (rc < 0 && !shape.exists && why) *why = spare_why;
        return shape.exists ? 0 : rc;
    }
    rc = setup_read_rows(project, scratch.c_str(), layout, spare, out);
    if (rc < 0 && shape.exists) return 0;
    return rc < 0 ? setup_failed(rc, why) : rc;
}

/* A text trimmed at both ends. */
static std::string setup_trimmed(const std::string &v)
{
    size_t a = 0, b = v.size();
    while (a < b && (unsigned char)v[a] <= 32) a++;
    while (b > a && (unsigned char)v[b - 1] <= 32) b--;
    return v.substr(a, b - a);
}

/* The test hook run after each step of a save. */
static setup_step_hook s_step_hook = nullptr;

/* Sets the test hook; see setup_tables.h. */
void setup_set_step_hook(setup_step_hook hook)
{
    s_step_hook = hook;
}

/* Runs one statement without result. Answers the code of sql_execute. */
static int setup_run(pjct_rec *p, const std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(p->connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    if (s_step_hook) s_step_hook();
    return rc;
}

/* Creates a table with a layout's columns and SAVEGEN and SAVEROW.
** Answers 5100 or the code of the statement. */
static int setup_create(pjct_rec *p, const char *table, const setup_table_def *layout)
{
    std::string text = std::string("CREATE TABLE ") + table + " (";
    for (int i = 0; i < layout->count; i++) {
        char type[32];
        if (!setup_column_type_text(&layout->columns[i], type, sizeof type)) return SETUP_ERR_ARG;
        text += setup_column_sql(&layout->columns[i]) + " " + type + ", ";
    }
    text += std::string(SETUP_GEN_COLUMN) + " INTEGER, " + SETUP_SEQ_COLUMN + " INTEGER)";
    return setup_run(p, text);
}

/* The highest save number (by its size) in a table with SAVEGEN, and with
** held given the count of rows of save of (either sign) added to *held.
** Answers 0 or above, or a negative code (also when not every row could be
** read). */
static long setup_newest_gen(pjct_rec *p, const char *table, long of = 0, long *held = nullptr)
{
    std::string text = std::string("SELECT ") + SETUP_GEN_COLUMN + " FROM " + table;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(p->connection, text.c_str(), &stmt, &cursor, &row, 0);
    if (n < 0) return n;
    long top = 0;
    for (int k = 0; k < n; k++) {
        if (int rc = sql_fetch_counted(cursor, row, k); rc != SETUP_OK) {
            sql_close_query(&stmt, &cursor, &row);
            return rc;
        }
        long gen = 0;
        if (!row || !row->text || !setup_read_long(row->text, &gen)) continue;
        if (labs(gen) > top) top = labs(gen);
        if (held && labs(gen) == of) ++*held;
    }
    sql_close_query(&stmt, &cursor, &row);
    return top;
}

/* Inserts the rows into a table under a save number. Answers 5100, or the
** first failure's code (rows already inserted stay). */
static int setup_insert(pjct_rec *p, const char *table, const setup_table_def *layout, const setup_text_rows *rows,
                        long gen)
{
    std::string names;
    for (int i = 0; i < layout->count; i++) names += setup_column_sql(&layout->columns[i]) + ", ";
    names += std::string(SETUP_GEN_COLUMN) + ", " + SETUP_SEQ_COLUMN;
    long seq = 0;
    for (const auto &row : rows->rows) {
        std::string text = std::string("INSERT INTO ") + table + " (" + names + ") VALUES (";
        for (int i = 0; i < layout->count; i++) {
            const setup_column_def *c = &layout->columns[i];
            std::string v = setup_row_text(row, i);
            if (c->sql_type == SQL_TYPE_CHAR) {
                while (!v.empty() && (unsigned char)v.back() <= 32) v.pop_back();
                if ((int)v.size() > c->length) v.resize((size_t)c->length);
                sql_quote(v.c_str(), text);
            } else if (setup_trimmed(v).empty()) {
                text += "NULL";
            } else if (sql_is_number(v.c_str())) {
                text += setup_trimmed(v);
            } else {
                return -9302;
            }
            text += ", ";
        }
        text += std::to_string(gen) + ", " + std::to_string(seq++) + ")";
        int rc = setup_run(p, text);
        if (rc != SETUP_OK) return rc;
    }
    return SETUP_OK;
}

/* Rebuilds a table made without SAVEGEN (or without a column of its
** layout) with them, its rows as they were: they go into the scratch
** table first, current; only then is the table dropped and made anew,
** empty, so that readers take the scratch table's rows until a save's rows
** become current in the table. Answers 5100, or the failure's code with
** its text in *why (before the drop the table is left as it was). */
static int setup_rebuild(pjct_rec *p, const char *table, const setup_table_def *layout, const setup_text_rows *held,
                         std::string *why)
{
    std::string scratch = std::string(table) + SETUP_SCRATCH_SUFFIX;
    setup_run(p, "DROP TABLE " + scratch);
    int rc = setup_create(p, scratch.c_str(), layout);
    if (rc == SETUP_OK) rc = setup_insert(p, scratch.c_str(), layout, held, 1);
    if (rc == SETUP_OK) rc = sql_drop_table(p->connection, table);
    if (rc != SETUP_OK) {
        setup_failed(rc, why);
        setup_run(p, "DROP TABLE " + scratch);
        return rc;
    }
    rc = setup_create(p, table, layout);
    return rc == SETUP_OK ? rc : setup_failed(rc, why);
}

/* A text as the table keeps it, for comparing rows: a CHAR text without
** its trailing blanks and cut to the column's width; a number written
** back from its value; any other text trimmed. */
static std::string setup_stored_text(const setup_column_def *c, const std::string &v)
{
    if (c->sql_type == SQL_TYPE_CHAR) {
        std::string t = v;
        while (!t.empty() && (unsigned char)t.back() <= 32) t.pop_back();
        if ((int)t.size() > c->length) t.resize((size_t)c->length);
        return t;
    }
    std::string t = setup_trimmed(v);
    if (t.empty() || !sql_is_number(t.c_str())) return t;
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, "%.17g", strtod(t.c_str(), nullptr));
    return buf;
}

/* The rows as the table keeps them, sorted unless their order counts. */
static std::vector<std::vector<std::string>> setup_stored_rows(const setup_table_entry *entry,
                                                               const setup_text_rows *rows)
{
    std::vector<std::vector<std::string>> out;
    for (const auto &row : rows->rows) {
        std::vector<std::string> texts;
        for (int i = 0; i < entry->layout->count; i++)
            texts.push_back(setup_stored_text(&entry->layout->columns[i], setup_row_text(row, i)));
        out.push_back(std::move(texts));
    }
    if (!entry->ordered) std::sort(out.begin(), out.end());
    return out;
}

/* Gets a setup table ready for new rows; see setup_tables.h. */
int setup_table_stage(pjct_rec *project, const setup_table_entry *entry, const setup_text_rows *rows,
                      setup_staged *staged, std::string *why)
{
    if (!project || !project->connection || !entry || !entry->layout || !rows || !staged) return SETUP_ERR_ARG;
    *staged = setup_staged();
    staged->entry = entry;
    const setup_table_def *layout = entry->layout;
    setup_shape shape;
    int rc = setup_describe(project->connection, entry->name, layout, &shape, why);
    if (rc < 0) return rc;
    setup_text_rows held;
    if (shape.exists) {
        rc = setup_read_rows(project, entry->name, layout, shape, &held);
        if (rc < 0) return setup_failed(rc, why);
        if (setup_stored_rows(entry, &held) == setup_stored_rows(entry, rows)) return 0;
    }
    bool whole = shape.has_gen;
    for (int present : shape.present) whole = whole && present;
    if (!shape.exists) {
        rc = setup_create(project, entry->name, layout);
        if (rc != SETUP_OK) return setup_failed(rc, why);
        staged->scratch = 1; /* a scratch table left by a rebuild cut short goes with the save */
    } else if (!whole) {
        rc = setup_rebuild(project, entry->name, layout, &held, why);
        if (rc != SETUP_OK) return rc;
        staged->scratch = 1;
    }
    long top = setup_newest_gen(project, entry->name);
    if (top < 0) return setup_failed((int)top, why);
    if (top >= INT_MAX - 1) top = 0; /* numbers run out: start again */
    staged->gen = top + 1;
    /* An empty save leaves no row in the table: the scratch table's rows
    ** would be read in its place. */
    if (rows->rows.empty()) staged->scratch = 1;
    return 0;
}

/* Puts a staged table's rows in; see setup_tables.h. */
int setup_table_put(pjct_rec *project, const setup_staged *staged, const setup_text_rows *rows, std::string *why)
{
    if (!project || !staged || !staged->entry || !rows) return SETUP_ERR_ARG;
    int rc = setup_insert(project, staged->entry->name, staged->entry->layout, rows, -staged->gen);
    return rc == SETUP_OK ? rc : setup_failed(rc, why);
}

/* Makes a save's rows current; see setup_tables.h. */
int setup_table_current(pjct_rec *project, const char *table, long gen, int scratch, std::string *why)
{
    std::string name = table;
    int rc = setup_run(project, "UPDATE " + name + " SET " + SETUP_GEN_COLUMN + " = " + std::to_string(gen) +
                                    " WHERE " + SETUP_GEN_COLUMN + " = " + std::to_string(-gen));
    if (rc != SETUP_OK) return setup_failed(rc, why);
    /* Older rows left behind by a failure here are passed over by readers
    ** and go at the next save. */
    setup_run(project, "DELETE FROM " + name + " WHERE " + SETUP_GEN_COLUMN + " <> " + std::to_string(gen));
    if (scratch) setup_run(project, "DROP TABLE " + name + SETUP_SCRATCH_SUFFIX);
    return SETUP_OK;
}

/* Removes a staged table's rows; see setup_tables.h. */
void setup_table_unstage(pjct_rec *project, const char *table, long gen)
{
    setup_run(project,
              std::string("DELETE FROM ") + table + " WHERE " + SETUP_GEN_COLUMN + " = " + std::to_string(-gen));
}

/* The first line of a save's mark, its last once every table's rows are
** in, and the word of a table whose scratch table goes with the save. */
static const char k_save_head[] = "setup";
static const char k_save_done[] = "done";
static const char k_save_scratch[] = "scratch";

/* Adds a line to a save's mark. 0, or -1 with why. */
static int setup_mark_line(mark_file &mark, const std::string &line, std::string *why)
{
    int rc = mark_append(mark, line + "\n");
    if (s_step_hook) s_step_hook();
    if (rc != 0 && why) *why = "cannot write its mark " + mark.path + ": " + std::strerror(errno);
    return rc;
}

/* Writes the tables of a save as one; see setup_tables.h. */
int setup_tables_write(pjct_rec *project, const std::vector<setup_table_rows> &tables, std::string *table,
                       std::string *why)
{
    table->clear();
    why->clear();
    if (tables.empty()) return 0;
    /* One save of a project's setup at a time: the mark is held throughout. */
    *why = mark_in_the_way(project, SETUP_SAVE_MARK, "its setup", "pv-save",
                           "the mark %s of a save cut short is there; log on to the project again");
    mark_file mark;
    if (why->empty() && mark_begin_of(mark, project, SETUP_SAVE_MARK, std::string(k_save_head) + "\n", "pv-save") != 0)
        *why = "cannot write its mark " SETUP_SAVE_MARK ": " + std::string(wf_reason(errno));
    if (!why->empty()) return -1;
    if (s_step_hook) s_step_hook();
    std::vector<setup_staged> staged;
    int rc = 0;
    for (const setup_table_rows &t : tables) {
        setup_staged one;
        rc = setup_table_stage(project, t.entry, &t.rows, &one, why);
        if (rc == 0 && one.gen) {
            one.rows = (long)t.rows.rows.size();
            staged.push_back(one);
            std::string line =
                std::string(t.entry->name) + " " + std::to_string(one.gen) + " " + std::to_string(one.rows);
            if (one.scratch) line += std::string(" ") + k_save_scratch;
            if ((rc = setup_mark_line(mark, line, why)) != 0) break;
            if (setup_table_put(project, &one, &t.rows, why) != SETUP_OK) rc = -1;
        }
        if (rc != 0) {
            *table = t.entry->name;
            break;
        }
    }
    if (rc == 0 && !staged.empty()) rc = setup_mark_line(mark, k_save_done, why);
    if (rc != 0) {
        /* Nothing became current: the rows put in go again. */
        for (const setup_staged &one : staged) setup_table_unstage(project, one.entry->name, one.gen);
        mark_end(mark, false);
        return -1;
    }
    std::string late;
    for (const setup_staged &one : staged)
        if (setup_table_current(project, one.entry->name, one.gen, one.scratch, why) != SETUP_OK && late.empty())
            late = std::string(one.entry->name) + ": " + *why;
    mark_end(mark, !late.empty());
    why->clear();
    if (!late.empty())
        msg_alert(ERR_TITLE,
                  "The setup of project %s was saved, but not every table took it yet (%s); the next "
                  "logon of the project finishes it.",
                  project->name, late.c_str());
    return 0;
}

/* The tables a save's mark lists, and whether it says "done"; why says
** what makes the mark unusable. */
static std::string setup_mark_read(const std::string &body, std::vector<setup_staged> &listed, bool &done)
{
    std::vector<std::string> lines = mark_lines(body);
    done = false;
    if (lines.empty() || lines[0] != k_save_head) return body.empty() ? "it is empty" : "it is not a mark of a save";
    for (size_t i = 1; i < lines.size(); i++) {
        if (lines[i] == k_save_done && i + 1 == lines.size()) {
            done = true;
            break;
        }
        /* "<table> <save> [<rows>] [scratch]": a mark of an older save
        ** gives no count of rows. */
        char name[64] = "", word[16] = "", last[16] = "";
        long gen = 0;
        int n = std::sscanf(lines[i].c_str(), "%63s %ld %15s %15s", name, &gen, word, last);
        setup_staged one;
        one.entry = setup_table_find(name);
        one.gen = gen;
        char *end = word;
        if (n >= 3) one.rows = std::strtol(word, &end, 10);
        bool counted = n >= 3 && *end == '\0' && end != word && one.rows >= 0;
        const char *tail = counted ? (n == 4 ? last : "") : (n == 3 ? word : n == 4 ? "?" : "");
        if (!counted) one.rows = -1;
        one.scratch = std::strcmp(tail, k_save_scratch) == 0;
        if (n < 2 || !one.entry || gen <= 0 || (*tail && !one.scratch))
            return "its line " + std::to_string(i + 1) + " names no setup table and save";
        listed.push_back(one);
    }
    return "";
}

/* Puts back or finishes a save cut short; see setup_tables.h. */
int setup_tables_recover(pjct_rec *project)
{
    mark_file mark;
    std::string body;
    int got = mark_take_of(mark, project, SETUP_SAVE_MARK, body);
    if (got == MARK_BUSY)
        mark_busy_note(mark, (std::string("The setup of project ") + project->name).c_str(), "pv-save");
    if (got != MARK_FOUND && got != MARK_DAMAGED) return 0;
    std::vector<setup_staged> listed;
    bool done = false;
    std::string why = got == MARK_DAMAGED ? body : setup_mark_read(body, listed, done);
    /* Its writer may change and delete the rows of every table it lists,
    ** and drop the scratch tables that go with them. */
    for (size_t i = 0; why.empty() && i < listed.size(); i++) {
        std::string name = listed[i].entry->name;
        for (const char *right : {"UPDATE", "DELETE"})
            if (why.empty()) why = mark_writer_refusal(mark, name, right);
        if (why.empty() && listed[i].scratch) why = mark_writer_refusal(mark, name + SETUP_SCRATCH_SUFFIX, "DROP");
        /* Finishing deletes every row but the save's: only a table that
        ** holds the save's own rows, and none of a later save, is. */
        long held = 0, newest = why.empty() && done ? setup_newest_gen(project, name.c_str(), listed[i].gen, &held) : 0;
        if (newest < 0)
            why = "table " + name + " cannot be read: " + setup_failure_text((int)newest);
        else if (newest > listed[i].gen)
            why = "table " + name + " holds a later save than its save " + std::to_string(listed[i].gen);
        else if (why.empty() && done && (listed[i].rows < 0 ? held == 0 : held != listed[i].rows))
            why = "table " + name + " holds " + std::to_string(held) + " rows of its save " +
                  std::to_string(listed[i].gen) + " where it lists " +
                  (listed[i].rows < 0 ? std::string("some") : std::to_string(listed[i].rows));
    }
    /* One that cannot be read, or whose writer may not do what it asks, is
    ** set aside: it would stop every save. */
    if (!why.empty()) {
        std::string named = mark.path;
        std::string aside = mark_aside_text(mark, "table", std::string("the setup of project ") + project->name);
        msg_alert(ERR_TITLE, "The mark %s of a save of the setup cut short was not used: %s. %s", named.c_str(),
                  why.c_str(), aside.c_str());
        return -1;
    }
    for (size_t i = 0; why.empty() && done && i < listed.size(); i++) {
        std::string failed;
        if (setup_table_current(project, listed[i].entry->name, listed[i].gen, listed[i].scratch, &failed) != SETUP_OK)
            why = std::string("table ") + listed[i].entry->name + " cannot take its rows: " + failed;
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "The mark %s of a save of the setup cut short was not used: %s. It is left in place%s.",
                  mark.path.c_str(), why.c_str(), done ? "" : " and no table was changed");
        mark_end(mark, true);
        return -1;
    }
    if (!done)
        for (const setup_staged &one : listed) setup_table_unstage(project, one.entry->name, one.gen);
    mark_end(mark, false);
    msg_alert(WARN_TITLE,
              done ? "Saving the setup of project %s was cut short after it was complete; it is finished now."
                   : "Saving the setup of project %s was cut short; its setup is as it was before.",
              project->name);
    return 0;
}
