/*
** tbl_define.cpp: the table-definition rules of the registry.
**
** A table type (traverse, station, sample, dictionary...) asks for some key
** columns, allows others and has no use for the rest. The definition check
** walks the key slots in a fixed order, clears the slots the type has no
** use for, refuses a missing, shared or badly typed key column with its
** code (-11072..-11001, texts in tbl_errors.cpp), sets the input-rule
** flags that the key columns need, and can read the current maxima of the
** numbering columns. The key-column check compares a key column with the
** same key column of every other table of the project.
**
**     int rc = tbl_resolve_definition(row, 0);
**     if (rc) err_report(rc, row->name);
*/
#include "core/tbl.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/sql_access.h"

/* Smallest widths of the name and definition columns of a dictionary. */
#define TBL_DICT_NAME_MIN_WIDTH       32
#define TBL_DICT_DEFINITION_MIN_WIDTH 70

/* Widest text of a padded first number ("00000001"). */
#define TBL_NUMBER_TEXT_MAX 64

/* The key slot of a PVTABLE definition index; -1 for an index without a
** slot (the name and type columns, COMPOSE, GENESIS, OTHER). */
int tbl_key_slot_of_index(int index)
{
    static const int slot[TBL_DEF_COUNT] = {
        -1, -1, TBL_KEY_BASENUMBER, TBL_KEY_ANALYSIS, TBL_KEY_SAMPLE, -1,
        TBL_KEY_ROCK, -1, TBL_KEY_SEGMENT, TBL_KEY_STATION, TBL_KEY_OUTCROP,
        TBL_KEY_TRAVERSE, TBL_KEY_BOUNDARY, TBL_KEY_UNIT, TBL_KEY_LEGEND,
        TBL_KEY_REFERENCE, TBL_KEY_DICTION, -1, TBL_KEY_GROUPING, TBL_KEY_PNT,
        TBL_KEY_PNT};
    return index >= 0 && index < TBL_DEF_COUNT ? slot[index] : -1;
}

/* Whether the column fills one of the thirteen slots BASENUMBER..DICTION
** other than `slot` and the two exempt slots (-1 for none). */
static int tbl_key_shared(const tbl_rec *row, const sql_col_rec *c, int slot, int except1, int except2)
{
    for (int k = 0; k < TBL_KEY_UNSHARED_COUNT; k++) {
        if (k == slot || k == except1 || k == except2) continue;
        if (row->keys[k] == c) return 1;
    }
    return 0;
}

/* Answers 0 when the column fills no other of the slots BASENUMBER..
** DICTION than `slot`, else -1; -2 for a null argument. */
int tbl_key_column_unshared(const tbl_rec *row, const sql_col_rec *column, int slot)
{
    if (!row || !column) return -2;
    return tbl_key_shared(row, column, slot, -1, -1) ? -1 : 0;
}

static int tbl_is_char(const sql_col_rec *c) { return c->sql_type == SQL_TYPE_CHAR; }

/* Whether a numbering column is too narrow: NUMERIC, DEC or FLOAT of
** fewer than eight digits. */
static int tbl_too_narrow(const sql_col_rec *c)
{
    int t = c->sql_type;
    return (t == SQL_TYPE_NUMERIC || t == SQL_TYPE_DEC || t == SQL_TYPE_FLOAT) && c->length < TBL_KEY_MIN_WIDTH;
}

/* Width and consistency codes of the key-column check, by definition index. */
struct tbl_key_codes {
    int index;         /* PVTABLE definition index */
    int width;         /* code of a column narrower than eight */
    int consistency;   /* code of a column CHAR in one table, numeric in another */
};
static const tbl_key_codes k_key_codes[] = {
    {TBL_DEF_BASENUMBER, -11043, -11024}, {TBL_DEF_ANALYSIS, -11044, -11035},
    {TBL_DEF_SAMPLE, -11045, -11034},     {TBL_DEF_ROCK, -11046, -11033},
    {TBL_DEF_SEGMENT, -11047, -11036},    {TBL_DEF_STATION, -11048, -11027},
    {TBL_DEF_OUTCROP, -11049, -11028},    {TBL_DEF_TRAVERSE, -11050, -11029},
    {TBL_DEF_BOUNDARY, -11051, -11030},   {TBL_DEF_UNIT, -11052, -11032},
    {TBL_DEF_LEGEND, -11053, -11040},     {TBL_DEF_REFERENCE, -11054, -11031},
    {TBL_DEF_DICTION, -11055, -11056},
};

static const tbl_key_codes *tbl_codes_of(int index)
{
    for (const tbl_key_codes &k : k_key_codes)
        if (k.index == index) return &k;
    return nullptr;
}

/* The logged-on project whose registry holds the row, or null. */
static pjct_rec *tbl_project_of(const tbl_rec *row)
{
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
        for (tbl_rec *t = p->tables; t; t = t->next)
            if (t == row) return p;
    return nullptr;
}

static int tbl_width_test(const tbl_rec *row, int index)
{
    const sql_col_rec *c = row->keys[tbl_key_slot_of_index(index)];
    return c && tbl_too_narrow(c) ? tbl_codes_of(index)->width : 0;
}

static int tbl_consistency_test(const pjct_rec *project, const tbl_rec *row, int index)
{
    int slot = tbl_key_slot_of_index(index);
    const sql_col_rec *c = row->keys[slot];
    if (!c) return 0;
    for (const tbl_rec *t = project->tables; t; t = t->next) {
        const sql_col_rec *o = t->keys[slot];
        if (o && tbl_is_char(o) != tbl_is_char(c)) return tbl_codes_of(index)->consistency;
    }
    return 0;
}

/* Checks the key column of a definition index against the width rule and
** against the same key column of every table of the row's project. Answers
** 0 when it passes (always for a row in no logged-on project's registry,
** and for COMPOSE, GENESIS and OTHER); the width or consistency code of
** the index when it fails; -2 for a null row or an index outside 2..17. */
int tbl_check_key_column(tbl_rec *row, int index)
{
    if (!row || index < TBL_DEF_BASENUMBER || index > TBL_DEF_OTHER) return -2;
    pjct_rec *project = tbl_project_of(row);
    if (!project || !tbl_codes_of(index)) return 0;
    int rc = tbl_width_test(row, index);
    if (!rc && index == TBL_DEF_LEGEND) rc = tbl_width_test(row, TBL_DEF_DICTION);
    if (!rc) rc = tbl_consistency_test(project, row, index);
    if (!rc && index == TBL_DEF_LEGEND) rc = tbl_consistency_test(project, row, TBL_DEF_DICTION);
    return rc;
}

/* Input-rule flags of a key column: set the `on` bits, then clear `off`. */
static void tbl_key_flags(sql_col_rec *c, unsigned on, unsigned off)
{
    if (!c || !c->attr) return;
    c->attr->flags = (uint16_t)((c->attr->flags | on) & ~off);
}

/* Cuts a column name to its first word, in place. */
static void tbl_first_word(char *s)
{
    char *p = s;
    while (*p && (unsigned char)*p <= 32) p++;
    size_t n = 0;
    while (p[n] && (unsigned char)p[n] > 32) n++;
    memmove(s, p, n);
    s[n] = 0;
}

/* How a table type treats an optional or required key slot. */
enum tbl_need { TBL_CLEAR, TBL_OPTIONAL, TBL_REQUIRED, TBL_KEEP };

/* One ordinary step: for the type's need, a missing column gives
** `missing`, a column that fills another slot (other than the exempt ones)
** gives `shared`, else the flags are ORed in. */
static int tbl_step(tbl_rec *row, int slot, tbl_need need, int missing, int shared, unsigned flags,
                    int except1 = -1, int except2 = -1)
{
    sql_col_rec *c = row->keys[slot];
    if (need == TBL_CLEAR) {
        row->keys[slot] = nullptr;
        return 0;
    }
    if (!c) return need == TBL_REQUIRED ? missing : 0;
    if (shared && tbl_key_shared(row, c, slot, except1, except2)) return shared;
    tbl_key_flags(c, flags, 0);
    return 0;
}

/* The dictionary rules of step 13: the named columns with their widths
** and types. */
static int tbl_check_dictionary(tbl_rec *row)
{
    struct need_col {
        const char *name;
        int missing, narrow, numeric; /* codes */
        int width;
    };
    static const need_col k_cols[] = {
        {"LONGNAME", -11059, -11060, -11061, TBL_DICT_NAME_MIN_WIDTH},
        {"SHORTNAME", -11062, -11063, -11064, TBL_DICT_NAME_MIN_WIDTH},
        {"DEFINITION", -11068, -11069, -11070, TBL_DICT_DEFINITION_MIN_WIDTH},
    };
    for (const need_col &n : k_cols) {
        sql_col_rec *c = tbl_column_find(row->columns, n.name, nullptr, nullptr);
        if (!c) return n.missing;
        if (c->length < n.width) return n.narrow;
        if (!tbl_is_char(c)) return n.numeric;
        if (n.missing == -11059 && row->keys[TBL_KEY_DICTION] != c) return -11071;
    }
    sql_col_rec *b = tbl_column_find(row->columns, "BASENUMBER", nullptr, nullptr);
    if (!b) return -11065;
    if (tbl_is_char(b)) return -11067;
    if (tbl_too_narrow(b)) return -11066;
    if (row->keys[TBL_KEY_BASENUMBER] != b) return -11072;
    return 0;
}

/* Why the numbers last failed to be read; "" when they were read. */
static std::string s_numbers_failure;

/* Why the numbers could not be read; see tbl.h. */
const char *tbl_numbers_failure(void)
{
    return s_numbers_failure.c_str();
}

/* Reads the current maximum of every column numbered from its maximum;
** an empty table starts at 1, zero-padded to the column's length. The
** unique number's value goes to last_number. Answers 0 or -11026 (why in
** s_numbers_failure). */
static int tbl_read_numbers(tbl_rec *row)
{
    s_numbers_failure.clear();
    for (sql_col_rec *c = row->columns; c; c = c->next) {
        if (!c->attr || !(c->attr->flags & COL_ATTR_MAX)) continue;
        if (!c->text) return -11026;
        int max = sql_select_max(c->connection, &row->columns, c->name, row->name);
        if (max < 0) {
            s_numbers_failure = std::string("table ") + row->name + " cannot be read: " + sql_failure_text(max);
            return -11026;
        }
        if (tbl_name_blank(c->text)) {
            int width = c->length;
            if (width < 1) width = 1;
            if (width > TBL_NUMBER_TEXT_MAX) width = TBL_NUMBER_TEXT_MAX;
            char fmt[16];
            snprintf(fmt, sizeof fmt, "%%0%dd", width);
            /* The text buffer holds at least length + 1 characters. */
            snprintf(c->text, (size_t)(c->length > 0 ? c->length : 1) + 1, fmt, 1);
            sql_row_from_text(row->columns);
        }
        if (c == row->keys[TBL_KEY_BASENUMBER]) {
            errno = 0;
            long v = strtol(c->text, nullptr, 10);
            if (errno == ERANGE || v > INT_MAX || v < INT_MIN) v = v < 0 ? INT_MIN : INT_MAX;
            row->last_number = (int32_t)v;
        }
    }
    row->numbers_read = 1;
    return 0;
}

/* Checks and completes a registry row for its table type (see the file
** comment): clears the slots the type does not use, sets the key columns'
** rule flags and, with read_numbers, reads the numbering columns' maxima.
** Answers 0; the code of the first rule that fails (the steps already
** passed keep their changes); -2 for a null row, a blank name or no
** columns. */
int tbl_resolve_definition(tbl_rec *row, int read_numbers)
{
    if (!row || tbl_name_blank(row->name) || !row->columns || row->column_count < 1) return -2;
    const int T = row->table_type;
    sql_col_rec **k = row->keys;
    int rc;
    auto first_word = [&](int slot) {
        if (k[slot]) tbl_first_word(k[slot]->name);
    };
    auto check = [&](int index) { return tbl_check_key_column(row, index); };

    /* 1. the unique number */
    first_word(TBL_KEY_BASENUMBER);
    if (!k[TBL_KEY_BASENUMBER]) return -11022;
    if (tbl_is_char(k[TBL_KEY_BASENUMBER])) return -11024;
    if (tbl_key_shared(row, k[TBL_KEY_BASENUMBER], TBL_KEY_BASENUMBER, -1, -1)) return -11023;
    if (check(TBL_DEF_BASENUMBER)) return -11043;
    tbl_key_flags(k[TBL_KEY_BASENUMBER], 0x81F, COL_ATTR_EDIT);

    /* 2. traverse */
    first_word(TBL_KEY_TRAVERSE);
    if (T == TBL_DEF_TRAVERSE) rc = tbl_step(row, TBL_KEY_TRAVERSE, TBL_REQUIRED, -11020, -11021, 0x1F);
    else if (T == TBL_DEF_STATION || T == TBL_DEF_OUTCROP) rc = tbl_step(row, TBL_KEY_TRAVERSE, TBL_OPTIONAL, 0, -11021, 0x6);
    else rc = tbl_step(row, TBL_KEY_TRAVERSE, TBL_CLEAR, 0, 0, 0);
    if (rc || (rc = check(TBL_DEF_TRAVERSE))) return rc;

    /* 3. outcrop */
    first_word(TBL_KEY_OUTCROP);
    if (T == TBL_DEF_OUTCROP) rc = tbl_step(row, TBL_KEY_OUTCROP, TBL_REQUIRED, -11018, -11019, 0x1F);
    else if (T == TBL_DEF_STATION) rc = tbl_step(row, TBL_KEY_OUTCROP, TBL_OPTIONAL, 0, -11019, 0x4);
    else rc = tbl_step(row, TBL_KEY_OUTCROP, TBL_CLEAR, 0, 0, 0);
    if (rc || (rc = check(TBL_DEF_OUTCROP))) return rc;

    /* 4. station: a sample or analysis table may use it as its own number */
    first_word(TBL_KEY_STATION);
    if (T >= TBL_DEF_ANALYSIS && T <= TBL_DEF_SEGMENT) {
        sql_col_rec *c = k[TBL_KEY_STATION];
        if (!c) return -11016;
        if (tbl_key_shared(row, c, TBL_KEY_STATION, TBL_KEY_SAMPLE, TBL_KEY_ANALYSIS)) return -11017;
        tbl_key_flags(c, 0x6, 0x18);
    } else if (T == TBL_DEF_STATION) {
        if ((rc = tbl_step(row, TBL_KEY_STATION, TBL_REQUIRED, -11016, -11017, 0x1F))) return rc;
    } else {
        tbl_step(row, TBL_KEY_STATION, TBL_CLEAR, 0, 0, 0);
    }
    if ((rc = check(TBL_DEF_STATION))) return rc;

    /* 5. section (segment) */
    first_word(TBL_KEY_SEGMENT);
    if (T >= TBL_DEF_ANALYSIS && T <= TBL_DEF_ROCK) rc = tbl_step(row, TBL_KEY_SEGMENT, TBL_OPTIONAL, 0, -11038, 0x6);
    else if (T == TBL_DEF_GENESIS) rc = tbl_step(row, TBL_KEY_SEGMENT, TBL_OPTIONAL, 0, 0, 0x4);
    else if (T == TBL_DEF_SEGMENT) rc = tbl_step(row, TBL_KEY_SEGMENT, TBL_REQUIRED, -11039, -11038, 0xF);
    else rc = tbl_step(row, TBL_KEY_SEGMENT, TBL_CLEAR, 0, 0, 0);
    if (rc || (rc = check(TBL_DEF_SEGMENT))) return rc;

    /* 6. rock */
    first_word(TBL_KEY_ROCK);
    if (T >= TBL_DEF_ANALYSIS && T <= TBL_DEF_COMPOSE) rc = tbl_step(row, TBL_KEY_ROCK, TBL_OPTIONAL, 0, -11014, 0x6);
    else if (T == TBL_DEF_ROCK) rc = tbl_step(row, TBL_KEY_ROCK, TBL_REQUIRED, -11013, -11014, 0xF);
    else if (T == TBL_DEF_GENESIS) rc = tbl_step(row, TBL_KEY_ROCK, TBL_OPTIONAL, 0, 0, 0x4);
    else rc = tbl_step(row, TBL_KEY_ROCK, TBL_CLEAR, 0, 0, 0);
    if (rc || (rc = check(TBL_DEF_ROCK))) return rc;

    /* 7. sample: a sample table may number its samples by station */
    first_word(TBL_KEY_SAMPLE);
    if (T == TBL_DEF_ANALYSIS) {
        rc = tbl_step(row, TBL_KEY_SAMPLE, TBL_OPTIONAL, 0, -11011, 0x6);
    } else if (T == TBL_DEF_SAMPLE) {
        sql_col_rec *c = k[TBL_KEY_SAMPLE];
        if (!c) return -11010;
        if (tbl_key_shared(row, c, TBL_KEY_SAMPLE, TBL_KEY_STATION, -1)) return -11011;
        if (c == k[TBL_KEY_STATION]) tbl_key_flags(c, 0x6, 0x18);
        else tbl_key_flags(c, 0xF, 0);
        rc = 0;
    } else if (T == TBL_DEF_COMPOSE || T == TBL_DEF_GENESIS) {
        rc = tbl_step(row, TBL_KEY_SAMPLE, TBL_OPTIONAL, 0, -11011, 0x4);
    } else {
        rc = tbl_step(row, TBL_KEY_SAMPLE, TBL_CLEAR, 0, 0, 0);
    }
    if (rc || (rc = check(TBL_DEF_SAMPLE))) return rc;

    /* 8. analysis: optional even in an analysis table */
    first_word(TBL_KEY_ANALYSIS);
    if (T == TBL_DEF_ANALYSIS) {
        sql_col_rec *c = k[TBL_KEY_ANALYSIS];
        if (c) {
            if (tbl_key_shared(row, c, TBL_KEY_ANALYSIS, TBL_KEY_STATION, -1)) return -11008;
            if (c == k[TBL_KEY_STATION]) tbl_key_flags(c, 0x6, 0x18);
            else tbl_key_flags(c, 0xF, 0);
        }
    } else {
        tbl_step(row, TBL_KEY_ANALYSIS, TBL_CLEAR, 0, 0, 0);
    }
    if ((rc = check(TBL_DEF_ANALYSIS))) return rc;

    /* 9. unit */
    first_word(TBL_KEY_UNIT);
    if (T == TBL_DEF_UNIT) rc = tbl_step(row, TBL_KEY_UNIT, TBL_REQUIRED, -11005, -11006, 0x1F);
    else if (T == TBL_DEF_STATION) rc = tbl_step(row, TBL_KEY_UNIT, TBL_OPTIONAL, 0, -11006, 0x4);
    else rc = tbl_step(row, TBL_KEY_UNIT, TBL_CLEAR, 0, 0, 0);
    if (rc || (rc = check(TBL_DEF_UNIT))) return rc;

    /* 10. legend: a legend table may number its legends by long name */
    first_word(TBL_KEY_LEGEND);
    if (T == TBL_DEF_LEGEND) {
        sql_col_rec *c = k[TBL_KEY_LEGEND];
        if (!c) return -11042;
        if (tbl_key_shared(row, c, TBL_KEY_LEGEND, TBL_KEY_DICTION, -1)) return -11041;
        tbl_key_flags(c, c == k[TBL_KEY_DICTION] ? 0x1F : 0x4, 0);
        rc = 0;
    } else if (T == TBL_DEF_STATION) {
        rc = tbl_step(row, TBL_KEY_LEGEND, TBL_OPTIONAL, 0, -11041, 0x4);
    } else if (T == TBL_DEF_BOUNDARY || T == TBL_DEF_UNIT) {
        rc = tbl_step(row, TBL_KEY_LEGEND, TBL_OPTIONAL, 0, -11041, 0);
    } else {
        rc = tbl_step(row, TBL_KEY_LEGEND, TBL_CLEAR, 0, 0, 0);
    }
    if (rc || (rc = check(TBL_DEF_LEGEND))) return rc;

    /* 11. boundary, kept in any table */
    first_word(TBL_KEY_BOUNDARY);
    if (T == TBL_DEF_BOUNDARY) rc = tbl_step(row, TBL_KEY_BOUNDARY, TBL_REQUIRED, -11003, -11004, 0x1F);
    else rc = tbl_step(row, TBL_KEY_BOUNDARY, TBL_KEEP, 0, -11004, 0);
    if (rc || (rc = check(TBL_DEF_BOUNDARY))) return rc;

    /* 12. reference, kept in any table */
    first_word(TBL_KEY_REFERENCE);
    if (T == TBL_DEF_REFERENCE) rc = tbl_step(row, TBL_KEY_REFERENCE, TBL_REQUIRED, -11001, -11002, 0x1F);
    else rc = tbl_step(row, TBL_KEY_REFERENCE, TBL_KEEP, 0, -11002, 0);
    if (rc || (rc = check(TBL_DEF_REFERENCE))) return rc;

    /* 13. long name of legend and dictionary tables */
    first_word(TBL_KEY_DICTION);
    if (T == TBL_DEF_LEGEND || T == TBL_DEF_DICTION) {
        sql_col_rec *c = k[TBL_KEY_DICTION];
        if (!c) return -11057;
        if (tbl_key_shared(row, c, TBL_KEY_DICTION, TBL_KEY_LEGEND, -1)) return -11058;
        if ((rc = tbl_check_dictionary(row))) return rc;
        tbl_key_flags(c, 0x1F, 0);
    }
    if ((rc = check(TBL_DEF_DICTION))) return rc;

    /* 14. the parent numbers agree with the station number on being CHAR */
    if (T >= TBL_DEF_ANALYSIS && T <= TBL_DEF_STATION && k[TBL_KEY_STATION]) {
        static const struct { int slot, code; } k_agree[] = {
            {TBL_KEY_SEGMENT, -11037}, {TBL_KEY_ROCK, -11015},
            {TBL_KEY_SAMPLE, -11012},  {TBL_KEY_ANALYSIS, -11009}};
        int station_char = tbl_is_char(k[TBL_KEY_STATION]);
        for (const auto &a : k_agree)
            if (k[a.slot] && tbl_is_char(k[a.slot]) != station_char) return a.code;
    }

    /* 15. the next numbers */
    if (read_numbers) return tbl_read_numbers(row);
    return 0;
}
