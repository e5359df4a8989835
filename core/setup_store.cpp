/*
** setup_store.cpp: the loaders and savers of the setup tables, and the
** loading and saving of a whole project's setup.
**
** Each loader turns the texts of one table's rows into records: the
** ellipsoids, coordinate systems and fitted transformations go into the
** global lists of map/, the input rules, registered tables and point
** setups hang from the project (through data/'s row conversions). Each
** saver turns the records back into rows' texts; lists kept newest first
** are written oldest first, so that loading them again gives the same
** order. The coordinate records remember the project they came from:
** a project's tables get its own records and the new ones that no
** project has saved yet, never those of another project (such as the
** built-in project "Projections").
*/
#include "core/setup_store.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "coords/prj_name.h"
#include "coords/xfrm_fit.h"
#include "coords/xfrm_list.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pnt.h"
#include "core/setup_columns.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"

/* Host result codes. */
#define SETUP_OK      5100
#define SETUP_ERR_ARG (-2)

/* Texts of the failures a load or a save reports. */
#define SETUP_READ_FAILED  "These tables of project %s cannot be read; their setup is kept as it was read:%s"
#define SETUP_READ_LINE    "\n%s: %s"
#define SETUP_READ_SETUP   "\nsetup table %s: %s"
#define SETUP_WRITE_FAILED "Cannot save setup table %s of project %s: %s"
#define SETUP_SAVE_REFUSED   "The setup of project %s was not saved: %s"
#define SETUP_BAD_TABLE_NAME "not a valid table name (letters, digits, _, $ and # only)"
#define SETUP_LEFT_ALONE   "Setup table %s of project %s could not be read at logon (%s); it is left unchanged."

/* Numbers are written with 17 significant digits: they read back exactly. */
#define SETUP_DOUBLE_FORMAT "%.17g"

/* Column indexes of the coordinate tables (layouts in setup_tables.cpp). */
enum { DATUM_NAME, DATUM_A, DATUM_B };
enum { PROJ_NAME, PROJ_DATUM, PROJ_UNITS, PROJ_TYPE, PROJ_ZONE, PROJ_SCALE, PROJ_ORIGIN_LON, PROJ_ORIGIN_LAT,
       PROJ_FALSE_EAST, PROJ_FALSE_NORTH, PROJ_PARALLEL1, PROJ_PARALLEL2, PROJ_COUNT };
enum { XFORM_NAME, XFORM_PRJ1, XFORM_PRJ2, XFORM_DEGREE };
enum { XPOINT_NAME, XPOINT_X1, XPOINT_Y1, XPOINT_X2, XPOINT_Y2, XPOINT_RESIDUAL, XPOINT_COUNT };

/* The project a global coordinate record belongs to. */
struct setup_owner {
    int kind;               /* setup_kind */
    std::string name;       /* the record's name */
    std::string project;    /* name of the project it was loaded from or saved to */
};

/* The project shipped with the common ellipsoids and projections. */
#define SETUP_BUILTIN_PROJECT "Projections"

/* A table that could not be read at a project's logon. */
struct setup_unread {
    std::string project;   /* project name */
    std::string table;     /* table name */
    std::string why;       /* the driver's condition text */
    int setup;             /* 1 a setup table (never written), 0 a registered table */
};

/* A setup row of a registered table that could not be read at logon,
** kept as it was read and written back by every save. */
struct setup_kept_row {
    std::string project;              /* project name */
    std::string setup;                /* the setup table it came from */
    std::string table;                /* the registered table it belongs to */
    std::vector<std::string> texts;   /* its texts in layout order */
};

setup_upcalls g_setup_upcalls = {nullptr, nullptr, nullptr};

/* Owners of the global coordinate records, from logon to unload. */
static std::vector<setup_owner> s_owners;
/* Tables that could not be read at a project's logon. */
static std::vector<setup_unread> s_unreadable;
/* Setup rows of the registered tables that could not be read. */
static std::vector<setup_kept_row> s_kept;
/* The PVCOLUMN rows of the logon being loaded, for the rules of tables
** that turn out unreadable. */
static setup_text_rows s_rule_rows;

/* 1 when two names are equal, letters compared without regard to case
** and every other character exactly ("ZONE 1" and "ZONE Q" differ, though
** '1' and 'Q' agree modulo 32); 0 otherwise and for a null name. */
int setup_name_eq(const char *a, const char *b)
{
    if (!a || !b) return 0;
    for (;; a++, b++) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (isalpha(x) && isalpha(y) ? toupper(x) != toupper(y) : x != y) return 0;
        if (!x) return 1;
    }
}

/* Forgets which project each global coordinate record belongs to (at
** unload, with the lists). */
void setup_owner_clear(void)
{
    s_owners.clear();
}

/* The owner entry of a record; null when it has none. */
static setup_owner *setup_owner_find(int kind, const char *name)
{
    for (auto &o : s_owners)
        if (o.kind == kind && prj_name_match(o.name.c_str(), name)) return &o;
    return nullptr;
}

/* Makes a project the owner of a record that has none yet. */
static void setup_owner_set(int kind, const char *name, const pjct_rec *p)
{
    if (setup_owner_find(kind, name)) return;
    char trimmed[PRJ_NAME_MAX + 1];
    prj_name_copy(trimmed, name);
    prj_name_trim(trimmed);
    s_owners.push_back({kind, trimmed, p->name});
}

/* Sets the change bits in every logged-on project; see the header. */
void setup_mark_changed_all(uint32_t bits)
{
    for (pjct_rec *p = g_pjct_list; p; p = p->next) p->flags |= bits;
}

/* Moves an owner entry to the record's new name; see the header. */
void setup_owner_rename(int kind, const char *old_name, const char *new_name)
{
    setup_owner *o = setup_owner_find(kind, old_name);
    if (!o || !new_name) return;
    char trimmed[PRJ_NAME_MAX + 1];
    prj_name_copy(trimmed, new_name);
    prj_name_trim(trimmed);
    o->name = trimmed;
}

/* 1 when a record goes into the project's tables: it belongs to the
** project, or to none yet (it then becomes the project's); else 0. */
static int setup_owned_by(int kind, const char *name, const pjct_rec *p)
{
    setup_owner *o = setup_owner_find(kind, name);
    if (!o) {
        setup_owner_set(kind, name, p);
        return 1;
    }
    return str_eq_nocase(o->project.c_str(), p->name);
}

/* The record of a table of a project that could not be read at its
** logon (a setup table with setup 1, a registered one with 0); null when
** it was read. */
static const setup_unread *setup_unread_find(const pjct_rec *p, const char *table, int setup)
{
    for (const auto &u : s_unreadable)
        if (u.setup == setup && str_eq_nocase(u.project.c_str(), p->name) && str_eq_nocase(u.table.c_str(), table))
            return &u;
    return nullptr;
}

/* Why a registered table of a project cannot be used: the driver's text
** of the failure that kept it from being read at logon; null when it was
** read. Commands that use a registered table ask here and refuse such a
** table with this text. */
const char *setup_table_refusal(const pjct_rec *project, const char *table)
{
    if (!project || !table) return nullptr;
    const setup_unread *u = setup_unread_find(project, table, 0);
    return u ? u->why.c_str() : nullptr;
}

/* 1 when the setup rows naming a table are kept as read: the table could
** not be read at logon, or the registry itself could not. */
static int setup_rows_kept_for(const pjct_rec *p, const char *table)
{
    return setup_unread_find(p, table, 0) || setup_unread_find(p, "PVTABLE", 1);
}

/* Keeps a setup row of a table that could not be read. */
static void setup_keep_row(const pjct_rec *p, const char *setup, const char *table, const std::vector<std::string> &row)
{
    s_kept.push_back({p->name, setup, table, row});
}

/* Appends the kept rows of one setup table of a project; for the
** registry, not those of a table registered again since. */
static void setup_push_kept(pjct_rec *p, const char *setup, setup_text_rows *rows)
{
    for (const auto &k : s_kept) {
        if (!str_eq_nocase(k.project.c_str(), p->name) || k.setup != setup) continue;
        if (k.setup == "PVTABLE" && tbl_find_by_name(p->tables, k.table.c_str(), nullptr)) continue;
        rows->rows.push_back(k.texts);
    }
}

/* Forgets what the last logon of a project could not read. */
static void setup_forget_unread(const pjct_rec *p)
{
    auto mine = [p](const std::string &project) { return str_eq_nocase(project.c_str(), p->name); };
    s_unreadable.erase(std::remove_if(s_unreadable.begin(), s_unreadable.end(),
                                      [&](const setup_unread &u) { return mine(u.project); }),
                       s_unreadable.end());
    s_kept.erase(std::remove_if(s_kept.begin(), s_kept.end(), [&](const setup_kept_row &k) { return mine(k.project); }),
                 s_kept.end());
}

/* The texts of a row as an array of count texts for data/'s conversions. */
static std::vector<const char *> setup_texts(const std::vector<std::string> &row, int count)
{
    std::vector<const char *> t;
    for (int i = 0; i < count; i++) t.push_back(setup_row_text(row, i));
    return t;
}

/* A number of a text; the fallback for a blank text or one that is not a
** number. */
static double setup_number(const char *text, double fallback)
{
    if (!sql_is_number(text)) return fallback;
    return strtod(text, nullptr);
}

/* A whole number of a text, within an int's range; the fallback for a
** blank text, one that is not a number or one out of range. */
static int setup_whole(const char *text, int fallback)
{
    double v = setup_number(text, fallback);
    return (v >= INT_MIN && v <= INT_MAX) ? (int)v : fallback;
}

/* A name without its blank fill. */
static std::string setup_name(const char *name)
{
    char t[PRJ_NAME_MAX + 1];
    prj_name_copy(t, name ? name : "");
    prj_name_trim(t);
    return t;
}

/* A double as text, 17 significant digits. */
static std::string setup_double(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    snprintf(buf, sizeof buf, SETUP_DOUBLE_FORMAT, v);
    return buf;
}

/* Makes the ellipsoids of PVDATUM rows; a row the list refuses (a bad
** axis, a name already taken) is passed over. Answers 0; -9101 when
** memory is short. */
int setup_load_pvdatum(pjct_rec *project, const setup_text_rows *rows)
{
    for (const auto &row : rows->rows) {
        dtm_rec *d = dtm_new();
        if (!d) return ERR_NO_MEMORY;
        prj_name_copy(d->name, setup_row_text(row, DATUM_NAME));
        d->a_m = setup_number(setup_row_text(row, DATUM_A), 0);
        d->b_m = setup_number(setup_row_text(row, DATUM_B), 0);
        if (dtm_insert(d)) setup_owner_set(SETUP_KIND_DATUM, d->name, project);
        else free(d);
    }
    return 0;
}

/* The PVDATUM rows of the project's ellipsoids. Answers 0. */
int setup_save_pvdatum(pjct_rec *project, setup_text_rows *rows)
{
    for (dtm_rec *d = dtm_list_head(); d; d = d->next) {
        if (!setup_owned_by(SETUP_KIND_DATUM, d->name, project)) continue;
        rows->rows.push_back({setup_name(d->name), setup_double(d->a_m), setup_double(d->b_m)});
    }
    return 0;
}

/* Whether a coordinate system is one that logon makes: "USER", or
** "GEOGRAPHIC %s" on its ellipsoid. */
static int setup_is_builtin(const prj_rec *p)
{
    if (p->type == PRJ_TYPE_USER) return prj_name_match(p->name, "USER");
    if (p->type != PRJ_TYPE_GEOGRAPHIC || !p->dtm) return 0;
    std::string full = "GEOGRAPHIC " + setup_name(p->dtm->name);
    char name[PRJ_NAME_MAX + 1];
    prj_name_copy(name, full.c_str());
    return prj_name_match(p->name, name);
}

/* Makes the built-in systems ("USER" and one "GEOGRAPHIC %s" per
** ellipsoid), then the coordinate systems of PVPROJ rows; a row the list
** refuses is passed over. Answers 0; -9101 when memory is short. */
int setup_load_pvproj(pjct_rec *project, const setup_text_rows *rows)
{
    if (prj_add_builtin_systems() < 0) return ERR_NO_MEMORY;
    for (const auto &row : rows->rows) {
        prj_rec *p = prj_new();
        if (!p) return ERR_NO_MEMORY;
        prj_name_copy(p->name, setup_row_text(row, PROJ_NAME));
        prj_name_copy(p->dtm_name, setup_row_text(row, PROJ_DATUM));
        prj_name_copy(p->units_name, setup_row_text(row, PROJ_UNITS));
        prj_name_copy(p->type_name, setup_row_text(row, PROJ_TYPE));
        p->zone = setup_whole(setup_row_text(row, PROJ_ZONE), 0);
        p->scale = setup_number(setup_row_text(row, PROJ_SCALE), p->scale);
        p->origin.x = setup_number(setup_row_text(row, PROJ_ORIGIN_LON), 0);
        p->origin.y = setup_number(setup_row_text(row, PROJ_ORIGIN_LAT), 0);
        p->false_origin.x = setup_number(setup_row_text(row, PROJ_FALSE_EAST), 0);
        p->false_origin.y = setup_number(setup_row_text(row, PROJ_FALSE_NORTH), 0);
        p->parallels.x = setup_number(setup_row_text(row, PROJ_PARALLEL1), 0);
        p->parallels.y = setup_number(setup_row_text(row, PROJ_PARALLEL2), 0);
        if (prj_insert(p)) setup_owner_set(SETUP_KIND_PROJ, p->name, project);
        else free(p);
    }
    return 0;
}

/* The PVPROJ rows of the project's coordinate systems, without the
** built-in ones. Answers 0. */
int setup_save_pvproj(pjct_rec *project, setup_text_rows *rows)
{
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
        if (setup_is_builtin(p) || !setup_owned_by(SETUP_KIND_PROJ, p->name, project)) continue;
        const char *units = prj_unit_name(p->units);
        std::vector<std::string> r(PROJ_COUNT);
        r[PROJ_NAME] = setup_name(p->name);
        r[PROJ_DATUM] = setup_name(p->dtm ? p->dtm->name : p->dtm_name);
        r[PROJ_UNITS] = setup_name(units && *units ? units : p->units_name);
        r[PROJ_TYPE] = prj_type_name(p->type);
        r[PROJ_ZONE] = std::to_string(p->zone);
        r[PROJ_SCALE] = setup_double(p->scale);
        r[PROJ_ORIGIN_LON] = setup_double(p->origin.x);
        r[PROJ_ORIGIN_LAT] = setup_double(p->origin.y);
        r[PROJ_FALSE_EAST] = setup_double(p->false_origin.x);
        r[PROJ_FALSE_NORTH] = setup_double(p->false_origin.y);
        r[PROJ_PARALLEL1] = setup_double(p->parallels.x);
        r[PROJ_PARALLEL2] = setup_double(p->parallels.y);
        rows->rows.push_back(std::move(r));
    }
    return 0;
}

/* Makes the transformations of PVXFORM rows, each with its control points
** of PVXPOINT (in their order) and fitted; a transformation that cannot
** be fitted keeps its points, one the list refuses is freed. Answers 0;
** -9101 when memory is short; the failure's code when PVXPOINT cannot be
** read. */
int setup_load_pvxform(pjct_rec *project, const setup_text_rows *rows)
{
    setup_text_rows points;
    int rc = setup_table_read(project, setup_table_find("PVXPOINT"), &points);
    if (rc < 0) return rc;
    for (const auto &row : rows->rows) {
        xfrm_rec *t = xfrm_new();
        if (!t) return ERR_NO_MEMORY;
        prj_name_copy(t->name, setup_row_text(row, XFORM_NAME));
        prj_name_copy(t->prj_name1, setup_row_text(row, XFORM_PRJ1));
        prj_name_copy(t->prj_name2, setup_row_text(row, XFORM_PRJ2));
        t->degree = setup_whole(setup_row_text(row, XFORM_DEGREE), 0);
        std::vector<const std::vector<std::string> *> mine;
        for (const auto &pt : points.rows)
            if (prj_name_match(setup_row_text(pt, XPOINT_NAME), t->name)) mine.push_back(&pt);
        if (!mine.empty() && !xfrm_alloc_points(t, (int)mine.size())) {
            xfrm_free(t);
            return ERR_NO_MEMORY;
        }
        for (size_t i = 0; i < mine.size(); i++) {
            t->src[i].x = setup_number(setup_row_text(*mine[i], XPOINT_X1), 0);
            t->src[i].y = setup_number(setup_row_text(*mine[i], XPOINT_Y1), 0);
            t->dst[i].x = setup_number(setup_row_text(*mine[i], XPOINT_X2), 0);
            t->dst[i].y = setup_number(setup_row_text(*mine[i], XPOINT_Y2), 0);
        }
        if (t->count > 0) xfrm_fit(t);
        if (xfrm_insert(t)) {
            t->changed = 0;
            setup_owner_set(SETUP_KIND_XFORM, t->name, project);
        } else {
            xfrm_free(t);
        }
    }
    return 0;
}

/* The PVXFORM rows of the project's transformations. Answers 0. */
int setup_save_pvxform(pjct_rec *project, setup_text_rows *rows)
{
    for (xfrm_rec *t = xfrm_list_head(); t; t = t->next) {
        if (!setup_owned_by(SETUP_KIND_XFORM, t->name, project)) continue;
        rows->rows.push_back({setup_name(t->name), setup_name(t->prj1 ? t->prj1->name : t->prj_name1),
                              setup_name(t->prj2 ? t->prj2->name : t->prj_name2), std::to_string(t->degree)});
    }
    return 0;
}

/* The PVXPOINT rows of the control points of the project's
** transformations, in their order. Answers 0. */
int setup_save_pvxpoint(pjct_rec *project, setup_text_rows *rows)
{
    for (xfrm_rec *t = xfrm_list_head(); t; t = t->next) {
        if (!setup_owned_by(SETUP_KIND_XFORM, t->name, project) || !t->src || !t->dst) continue;
        for (int i = 0; i < t->count; i++)
            rows->rows.push_back({setup_name(t->name), setup_double(t->src[i].x), setup_double(t->src[i].y),
                                  setup_double(t->dst[i].x), setup_double(t->dst[i].y),
                                  setup_double(t->residuals ? t->residuals[i] : 0.0)});
    }
    return 0;
}

/* Marks the project's transformations as written. */
void setup_saved_pvxform(pjct_rec *project)
{
    for (xfrm_rec *t = xfrm_list_head(); t; t = t->next)
        if (setup_owned_by(SETUP_KIND_XFORM, t->name, project)) t->changed = 0;
}

/* Makes the input rules of PVCOLUMN rows and lists them in the project;
** a row that does not read, or a second rule of one column and table, is
** passed over. Answers 0; -9101 when memory is short. */
int setup_load_pvcolumn(pjct_rec *project, const setup_text_rows *rows)
{
    s_rule_rows = *rows;
    for (const auto &row : rows->rows) {
        col_attr_rec *r = col_attr_new();
        if (!r) return ERR_NO_MEMORY;
        std::vector<const char *> t = setup_texts(row, PVCOLUMN_COUNT);
        int rc = col_attr_from_setup_row(t.data(), r);
        if (rc != 0 || col_attr_find(project->col_attrs, r->column, r->table, nullptr)) {
            col_attr_free(r);
            if (rc == ERR_NO_MEMORY) return rc;
            continue;
        }
        r->next = project->col_attrs;   /* newest first, as col_attr_push lists */
        project->col_attrs = r;
    }
    return 0;
}

/* Appends the texts of a data/ setup row of count columns. */
static void setup_push_row(setup_text_rows *rows, const setup_row &r, int count)
{
    std::vector<std::string> texts;
    for (int i = 0; i < count; i++) texts.emplace_back(r.text[i]);
    rows->rows.push_back(std::move(texts));
}

/* The PVCOLUMN rows of the project's input rules, oldest first, then the
** rows kept as read of the tables that could not be read. Answers 0. */
int setup_save_pvcolumn(pjct_rec *project, setup_text_rows *rows)
{
    std::vector<const col_attr_rec *> list;
    for (const col_attr_rec *r = project->col_attrs; r; r = r->next) list.push_back(r);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        setup_row r;
        col_attr_to_setup_row(*it, &r);
        setup_push_row(rows, r, PVCOLUMN_COUNT);
    }
    setup_push_kept(project, "PVCOLUMN", rows);
    return 0;
}

/* The trimmed text of a row's column. */
static std::string setup_trimmed_text(const std::vector<std::string> &row, int i)
{
    std::string t = setup_row_text(row, i);
    t.resize(strlen(str_trim(t.data())));
    return t;
}

/* Sets aside the input rules of the tables that could not be read: their
** PVCOLUMN rows are kept as read (bits that loading drops included) and
** their records leave the project's list. */
static void setup_keep_rules(pjct_rec *project)
{
    for (const auto &row : s_rule_rows.rows) {
        std::string table = setup_trimmed_text(row, PVCOLUMN_TABLENAME);
        if (table.empty() || tbl_find_by_name(project->tables, table.c_str(), nullptr) ||
            !setup_rows_kept_for(project, table.c_str()))
            continue;
        setup_keep_row(project, "PVCOLUMN", table.c_str(), row);
        std::string column = setup_trimmed_text(row, PVCOLUMN_COLUMNAME);
        for (col_attr_rec **at = &project->col_attrs; *at; at = &(*at)->next) {
            if (str_eq_nocase((*at)->column, column.c_str()) && str_eq_nocase((*at)->table, table.c_str())) {
                col_attr_rec *gone = *at;
                *at = gone->next;
                col_attr_free(gone);
                break;
            }
        }
    }
    s_rule_rows.rows.clear();
}

/* Registers the tables of PVTABLE rows: each table is described (its
** columns taking their listed input rules, the others placeholder rules
** that join the project's list), its key slots found by column name, and
** the row registered. A row whose table cannot be described (missing,
** damaged, refused by the driver) is kept as read with the driver's text,
** and written back by every save; a row whose type is unknown or whose
** name is taken already is passed over. Answers 0; -9101 when memory is
** short. */
int setup_load_pvtable(pjct_rec *project, const setup_text_rows *rows)
{
    for (const auto &row : rows->rows) {
        std::string name = setup_row_text(row, TBL_DEF_TABLENAME);
        str_trim(name.data());
        name.resize(strlen(name.c_str()));
        if (name.empty() || tbl_find_by_name(project->tables, name.c_str(), nullptr)) continue;
        sql_col_rec *cols = nullptr;
        int n = sql_describe_table(project->connection, name.c_str(), &cols, 0);
        if (n == ERR_NO_MEMORY) return n;
        if (n <= 0) {
            if (!setup_unread_find(project, name.c_str(), 0))
                s_unreadable.push_back({project->name, name,
                                        sql_is_ident(name.c_str()) ? setup_failure_text(n)
                                                                   : std::string(SETUP_BAD_TABLE_NAME),
                                        0});
            setup_keep_row(project, "PVTABLE", name.c_str(), row);
            continue;
        }
        /* Columns take the rules PVCOLUMN listed, whether or not the
        ** project is in g_pjct_list yet (where describing finds them). */
        for (sql_col_rec *c = cols; c; c = c->next) {
            col_attr_rec *listed = col_attr_find(project->col_attrs, c->name, name.c_str(), nullptr);
            if (!listed || c->attr == listed) continue;
            if (c->attr && (c->attr->flags & COL_ATTR_PLACEHOLDER)) col_attr_free(c->attr);
            c->attr = listed;
        }
        tbl_rec *t = tbl_rec_new();
        if (!t) {
            sql_col_list_free(&cols);
            return ERR_NO_MEMORY;
        }
        std::vector<const char *> texts = setup_texts(row, TBL_DEF_COUNT);
        if (tbl_from_setup_row(texts.data(), cols, t) != 0) {
            sql_col_list_free(&cols);
            free(t);
            continue;
        }
        if (tbl_add(project, t) < 0) tbl_list_free(t);
    }
    return 0;
}

/* The PVTABLE rows of the project's registered tables, and those kept as
** read of the tables that could not be read. Answers 0. */
int setup_save_pvtable(pjct_rec *project, setup_text_rows *rows)
{
    for (const tbl_rec *t = project->tables; t; t = t->next) {
        setup_row r;
        tbl_to_setup_row(t, &r);
        setup_push_row(rows, r, TBL_DEF_COUNT);
    }
    setup_push_kept(project, "PVTABLE", rows);
    return 0;
}

/* Makes the point setups of PVPOINT rows, each on its registered table's
** columns and its coordinate system, and attaches them; a row of a table
** that could not be read (or of any table when the registry could not be
** read) is kept as read; a row naming another table or a column that is
** not registered is passed over. Answers 0; -9101 when memory is short. */
int setup_load_pvpoint(pjct_rec *project, const setup_text_rows *rows)
{
    for (const auto &row : rows->rows) {
        pnt_rec *s = pnt_new();
        if (!s) return ERR_NO_MEMORY;
        char projection[PRJ_NAME_MAX + 1] = "";
        std::vector<const char *> texts = setup_texts(row, PVPOINT_COUNT);
        if (pnt_from_setup_row(texts.data(), project, s, projection, sizeof projection) != 0) {
            free(s);
            std::string table = setup_trimmed_text(row, PVPOINT_TABLENAME);
            if (!tbl_find_by_name(project->tables, table.c_str(), nullptr) && setup_rows_kept_for(project, table.c_str()))
                setup_keep_row(project, "PVPOINT", table.c_str(), row);
            continue;
        }
        s->projection = projection[0] ? prj_find(projection, nullptr) : nullptr;
        pnt_attach(project, s);
    }
    return 0;
}

/* The PVPOINT rows of the project's point setups, oldest first, then
** those kept as read of the tables that could not be read. Answers 0. */
int setup_save_pvpoint(pjct_rec *project, setup_text_rows *rows)
{
    std::vector<const pnt_rec *> list;
    for (const pnt_rec *s = project->points; s; s = s->next) list.push_back(s);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        setup_row r;
        std::string prj = (*it)->projection ? setup_name((*it)->projection->name) : std::string();
        pnt_to_setup_row(*it, prj.c_str(), &r);
        setup_push_row(rows, r, PVPOINT_COUNT);
    }
    setup_push_kept(project, "PVPOINT", rows);
    return 0;
}

/* Loads every setup table of a logged-on project, in the order of
** setup_tables.cpp: the coordinate lists first (a table that does not
** exist is empty), then the input rules, the registry and the point
** setups. Loading is no change: the project's change bits are as before.
** A setup table that exists but cannot be read is marked, so that it is
** never written over by a save; a registered table that cannot be read
** keeps its setup rows as read (see setup_load_pvtable). Every table that
** could not be read is named in one alert with the driver's text. Answers
** 0; -2 for a missing project or connection; the code of the first setup
** table that could not be read (the others are still loaded). */
int setup_load_all(pjct_rec *project)
{
    if (!project || !project->connection) return SETUP_ERR_ARG;
    uint32_t flags = project->flags;
    if (!dtm_list_head() && !prj_list_head() && !xfrm_list_head()) setup_owner_clear();
    setup_forget_unread(project);
    s_rule_rows.rows.clear();
    int result = 0;
    for (int i = 0; i < setup_table_count(); i++) {
        const setup_table_entry *e = setup_table_at(i);
        if (!e->load) continue;
        setup_text_rows rows;
        std::string why;
        int rc = setup_table_read(project, e, &rows, &why);
        if (rc == 0) rc = e->load(project, &rows);
        if (rc >= 0) continue;
        if (!result) result = rc;
        if (why.empty()) why = setup_failure_text(rc);
        /* The table and the tables its loader reads are left alone. */
        for (int k = 0; k < setup_table_count(); k++) {
            const setup_table_entry *c = setup_table_at(k);
            if (c == e || (!c->load && (c->change_bits & e->change_bits)))
                s_unreadable.push_back({project->name, c->name, why, 1});
        }
    }
    setup_keep_rules(project);
    /* The built-in systems stand even when PVPROJ could not be read. */
    if (prj_add_builtin_systems() < 0 && !result) result = ERR_NO_MEMORY;
    project->flags = flags;

    std::string lines;
    for (const auto &u : s_unreadable) {
        if (!str_eq_nocase(u.project.c_str(), project->name)) continue;
        char line[SQL_REPORT_TEXT_MAX];
        snprintf(line, sizeof line, u.setup ? SETUP_READ_SETUP : SETUP_READ_LINE, u.table.c_str(), u.why.c_str());
        lines += line;
    }
    if (!lines.empty()) msg_alert(ERR_TITLE, SETUP_READ_FAILED, project->name, lines.c_str());
    return result;
}

/* The change bits of every setup table. */
static uint32_t setup_all_bits(void)
{
    uint32_t bits = 0;
    for (int i = 0; i < setup_table_count(); i++) bits |= setup_table_at(i)->change_bits;
    return bits;
}

/* Writes the changed setup tables of one project as one and clears the
** bits of those written. A table that could not be read at logon is left
** alone and said so with the driver's text; its bits are cleared too,
** since nothing can be written to it during this logon (keeping them would
** only make every later save and the logoff fail on the same known
** condition). Answers 0, or -1 when the tables could not be written (none
** is; their bits stay). */
static int setup_save_project(pjct_rec *p)
{
    uint32_t written = 0, kept = 0;
    std::vector<setup_table_rows> tables;
    std::string table, why;
    for (int i = 0; i < setup_table_count(); i++) {
        const setup_table_entry *e = setup_table_at(i);
        if (!(p->flags & e->change_bits)) continue;
        const setup_unread *u = setup_unread_find(p, e->name, 1);
        if (u) {
            msg_alert(ERR_TITLE, SETUP_LEFT_ALONE, e->name, p->name, u->why.c_str());
            written |= e->change_bits;
            continue;
        }
        tables.push_back({e, setup_text_rows()});
        int rc = e->save(p, &tables.back().rows);
        if (rc < 0 && table.empty()) {
            table = e->name;
            why = setup_failure_text(rc);
        }
    }
    int rc = table.empty() ? setup_tables_write(p, tables, &table, &why) : -1;
    for (const setup_table_rows &t : tables) {
        (rc == 0 ? written : kept) |= t.entry->change_bits;
        if (rc == 0 && t.entry->saved) t.entry->saved(p);
    }
    if (rc != 0 && !table.empty())
        msg_alert(ERR_TITLE, SETUP_WRITE_FAILED, table.c_str(), p->name, why.c_str());
    else if (rc != 0)
        msg_alert(ERR_TITLE, SETUP_SAVE_REFUSED, p->name, why.c_str());
    p->flags &= ~(written & ~kept);
    return kept ? -1 : 0;
}

/* Writes back the changed setups of every project of the list (projects
** whose change bits name a setup table). With confirm set it first asks
** "Your %s setup has been changed. Save changes ?" once, naming the
** changed projects. Answers 0 when all was written (or nothing had
** changed); -1 when the user said no (nothing is written, the bits stay)
** or a table could not be written (its bits stay); -2 for an empty list. */
int setup_save_all(pjct_rec *list, int confirm)
{
    if (!list) return SETUP_ERR_ARG;
    uint32_t bits = setup_all_bits();
    std::string names;
    int changed = 0;
    /* Profiles changed through the pickers count like a setup table: one
    ** question covers them, and they are saved with the tables. */
    for (pjct_rec *p = list; p; p = p->next) {
        if (!(p->flags & (bits | PJCT_CHG_PROFILES))) continue;
        if (changed++) names += ", ";
        names += p->name;
    }
    if (!changed) return 0;
    if (confirm) {
        if (names.size() > SETUP_QUESTION_NAMES_MAX) names = names.substr(0, SETUP_QUESTION_NAMES_MAX) + "...";
        char question[SETUP_QUESTION_NAMES_MAX + sizeof SETUP_SAVE_QUESTION + 8];
        snprintf(question, sizeof question, SETUP_SAVE_QUESTION, names.c_str());
        if (msg_yes_no(question) != SETUP_OK) return -1;
    }
    /* The built-in project goes last, so that a record new since logon
    ** goes to a user's project being saved, not into the built-in one. */
    int result = 0;
    for (int builtin = 0; builtin <= 1; builtin++)
        for (pjct_rec *p = list; p; p = p->next)
            if ((p->flags & bits) && str_eq_nocase(p->name, SETUP_BUILTIN_PROJECT) == builtin &&
                setup_save_project(p) < 0)
                result = -1;
    if (g_setup_upcalls.save_profiles && g_setup_upcalls.save_profiles(list) < 0) result = -1;
    return result;
}
