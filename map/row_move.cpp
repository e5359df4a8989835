/*
** row_move.cpp: the pv_move command, which drags the symbols of a row, a
** group, a table or a station to a new place and writes their new
** positions back into the rows' coordinate columns.
**
** The picked symbol's insertion point is the base of the drag; the
** translation is the picked point minus that base. The moved entities are
** grouped by row; each row whose table has a point column is fetched, its
** placements matched with the moved entities and its points read back.
** Only when every row converted are the rows updated; a row that still
** cannot be updated gives the rows already updated their former texts
** back, and on any message the whole set goes back to where it was, so
** that table and map never disagree.
**
** A row is written only while it still holds the point its symbols showed
** before the drag (read back from them where they stood): a row changed
** since it was drawn, by another user while the drag went on or before
** this drawing was last brought up to date, is named with its columns and
** no row is written. The write itself is one statement whose condition is
** the texts the row held (move_swap), so that a change another user makes
** meanwhile is never written over either.
**
** Before the first row is written, a mark PVMOVE.MRK in the folder of each
** project concerned lists the rows, the former texts of the columns the
** move changes and the texts it writes, and is held locked
** (core/mark_file.h) until the move is over. A move cut short (pvhost or
** its driver killed) leaves it, and the next logon of the project writes
** the former texts back (move_recover) into each row that still holds
** what the move wrote, so that no row keeps coordinates its symbols do not
** have; a row changed since keeps its values and is named. A mark that
** cannot be read whole, or names a table, column or row the project does
** not have, is left in place and named, and no row is changed.
**
**     PVMOVE
**     R<tab>STATN<tab>2<tab>NAME<tab>2<tab>          (table, row, key column, key, extra)
**     C<tab>EASTING<tab>615980<tab>615983            (column, former text, text written)
**     END
**
** (each line followed on disk by its check, core/mark_file.h: a mark that
** fails it is refused whole like one that cannot be read).
*/
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "draw/draw_util.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "map/row_cmd.h"
#include "map/row_place.h"
#include "map/sym_draw.h"

namespace {

/* The prompts and the dialog. */
const char k_move_prompt[] = "\nSelect object to move: ";
const char k_drag_prompt[] = "\nPick new location:";
const char k_ssget_dialog[] = "pv_ssget";
/* Code of a dialog that cannot be loaded. */
constexpr int MOVE_ERR_DIALOG = -5001;
/* Group code of an entity's insertion point. */
constexpr int MOVE_GROUP_INSERT = 10;
/* Group code of an entity's name in its list. */
constexpr int MOVE_GROUP_NAME = -1;
/* Size of the homogeneous transform and the column of its translation. */
constexpr int MOVE_DIM = 4;
constexpr int MOVE_TRANSLATION = 3;

/* The mark of a move under way, in a project's folder; its first and its
** last line. */
const char k_move_mark[] = "PVMOVE.MRK";
const char k_move_mark_head[] = "PVMOVE";
const char k_move_mark_end[] = "END";
/* A row that no longer holds what the move read from it or wrote into it. */
constexpr int MOVE_ROW_CHANGED = ERR_ROW_CHANGED;
/* Rows a message names one by one. */
constexpr size_t MOVE_NAMED_ROWS = 10;

/* The base point of the current drag. */
ads_point g_move_base = {0.0, 0.0, 0.0};

/* The scope toggles in the order they are tested, with their scopes. */
struct scope_tile {
    const char *key; /* toggle key */
    int scope;       /* the scope it stands for */
};
const scope_tile k_scopes[] = {
    {"ss_station", MOVE_SCOPE_STATION},
    {"ss_table", MOVE_SCOPE_TABLE},
    {"ss_row", MOVE_SCOPE_ROW},
    {"ss_group", MOVE_SCOPE_GROUP},
};

/* One row of the move: its first entity, its entities and the columns
** the read back changes, with their texts before and after it. */
struct move_row {
    std::vector<std::array<long, 2>> names; /* the row's moved entities */
    link_rec link;                          /* the first entity's link */
    std::vector<std::string> columns;       /* names of the changed columns */
    std::vector<std::string> before;        /* their texts as fetched */
    std::vector<std::string> after;         /* their texts read back */
    bool updated = false;                   /* the row holds `after` */
};

/* Gives the named columns of a linked row the texts `to` while they
** still hold the texts `from` (sql_update_held), so that a change another
** user makes between the look-up and the write is not written over
** either. 0 when the row holds `to` (written now, or already);
** MOVE_ROW_CHANGED when it holds neither or took a change meanwhile; else
** the failure's code. */
int move_swap(const link_rec &link, const std::vector<std::string> &names, const std::vector<std::string> &from,
              const std::vector<std::string> &to)
{
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rc = link_row_fetch(&link, &cursor, &stmt, &row);
    if (rc != 0) return rc;
    pjct_rec *p = nullptr;
    tbl_rec *t = nullptr;
    link_find_table(&link, &p, &t);
    rc = sql_update_held(p->connection, t->name, link_id_column_name(t), link.row_id, row, names, from, to);
    sql_close_query(&stmt, &cursor, &row);
    return rc == RTNORM ? 0 : rc;
}

/* A text for a line of a mark: '%' and bytes below the blank as %XX. */
std::string mark_escape(const std::string &text)
{
    std::string out;
    for (unsigned char ch : text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", ch);
        out += ch < ' ' || ch == '%' ? std::string(hex) : std::string(1, (char)ch);
    }
    return out;
}

/* The text of a mark's field; false when an escape is not two hex digits. */
bool mark_unescape(const std::string &field, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || !std::isxdigit((unsigned char)field[i + 1]) ||
            !std::isxdigit((unsigned char)field[i + 2]))
            return false;
        out += (char)std::stoi(field.substr(i + 1, 2), nullptr, 16);
        i += 2;
    }
    return true;
}

/* The fields of a line split at its tabs. */
std::vector<std::string> mark_fields(const std::string &line)
{
    std::vector<std::string> out;
    for (size_t at = 0;;) {
        size_t tab = line.find('\t', at);
        out.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) return out;
        at = tab + 1;
    }
}

/* Writes the mark of each project whose rows the move changes: a row line
** "R", table, row id, key column, key value and extra, then a line "C",
** column, former text and text written for each column whose text the
** move changes, and a last line "END". True when every mark is written;
** else a message is collected and the marks written are removed. */
bool move_marks_begin(const std::vector<move_row> &rows, std::vector<mark_file> &marks, char *messages)
{
    std::vector<std::string> projects, bodies;
    for (const move_row &r : rows) {
        if (r.columns.empty()) continue;
        size_t k = 0;
        while (k < projects.size() && projects[k] != r.link.project) ++k;
        if (k == projects.size()) {
            projects.push_back(r.link.project);
            bodies.push_back(std::string(k_move_mark_head) + "\n");
        }
        bodies[k] += "R\t" + std::string(r.link.table) + "\t" + std::to_string(r.link.row_id) + "\t" +
                     r.link.key_column + "\t" + mark_escape(r.link.key_value) + "\t" + mark_escape(r.link.extra) +
                     "\n";
        for (size_t i = 0; i < r.columns.size(); ++i)
            bodies[k] += "C\t" + r.columns[i] + "\t" + mark_escape(r.before[i]) + "\t" + mark_escape(r.after[i]) + "\n";
    }
    for (std::string &body : bodies) body += std::string(k_move_mark_end) + "\n";
    for (size_t k = 0; k < projects.size(); ++k) {
        const pjct_rec *p = pjct_find(projects[k].c_str(), nullptr);
        std::string dir = mark_folder(p);
        std::string why = dir.empty() ? "the project has no folder"
                                      : mark_in_the_way(p, k_move_mark, "a table of project " + projects[k], "pv-move",
                                                        "%s of another move is there");
        mark_file m;
        if (why.empty() && mark_begin_of(m, p, k_move_mark, bodies[k], "pv-move") != 0)
            why = "cannot write " + (m.path.empty() ? std::string(k_move_mark) : m.path) + ": " +
                  mark_failure_text(p, errno);
        if (!why.empty()) {
            row_msg_append(messages, ("\nCould not move the rows of project " + projects[k] + ": " + why).c_str());
            for (mark_file &done : marks) mark_end(done, false);
            marks.clear();
            return false;
        }
        marks.push_back(m);
    }
    return true;
}

/* Whether a text a row holds is the one its symbols show: the same text
** or, for a number, one within the round-off of reading a point back
** (half a unit of the column's last decimal; a millionth of the value for
** a column of floating numbers). */
bool move_holds_shown(const sql_col_rec *c, const std::string &held, const std::string &shown)
{
    if (held == shown) return true;
    if (c->value_type == SQL_HOST_STRING) return false;
    char *end_a = nullptr, *end_b = nullptr;
    double a = std::strtod(held.c_str(), &end_a), b = std::strtod(shown.c_str(), &end_b);
    if (end_a == held.c_str() || end_b == shown.c_str()) return false;
    bool floating = c->value_type == SQL_HOST_FLOAT || c->value_type == SQL_HOST_DOUBLE;
    double round_off = floating ? 1e-6 * std::fabs(a) : 0.5 * std::pow(10.0, -c->decimals);
    return std::fabs(a - b) <= round_off;
}

/* Reads the row's points back from its moved entities where they stand.
** With shown null, the texts read (every column of the row, in order) go
** into out: what the symbols show before the drag. Otherwise the columns
** whose texts the drag changes against shown become the row's columns,
** with the texts the row holds now and those read back, once the row is
** found to hold there what its symbols showed (move_holds_shown): a row
** that does not is named in a message with those columns, and is not
** written. True when the row converted without a message (a row without
** a point column converts). */
bool move_read_back(move_row &r, char *messages, std::vector<std::string> &out, const std::vector<std::string> *shown)
{
    if (link_has_point_column(&r.link) != 0) return true;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int fetched = link_row_fetch(&r.link, &cursor, &stmt, &row);
    if (fetched != 0) {
        std::string line = "\nCould not find a moved row";
        /* A row that cannot be read is named with what failed. */
        if (sql_driver_lost(fetched)) line = line + ": " + sql_last_failure()->text;
        else if (link_read_failed(fetched))
            line += ": " + row_link_name(r.link) + " cannot be read: " + sql_failure_text(fetched);
        row_msg_append(messages, line.c_str());
        return false;
    }
    std::vector<std::string> held;
    for (const sql_col_rec *c = row; c; c = c->next) held.emplace_back(c->text ? c->text : "");
    sym_place_rec *sym = nullptr, *txt = nullptr;
    int ns = 0, nt = 0;
    int rc = row_alloc_placements(row, &sym, &ns, &txt, &nt);
    if (rc == 0 && ns > 0) rc = row_build_placements(row, sym, &ns, txt, &nt, ROW_PLACE_ALL);
    if (rc == 0) {
        ads_name group = {0, 0};
        for (const auto &k : r.names) {
            ads_name e = {k[0], k[1]};
            ads_ssadd(e, ename_isnull(group) ? nullptr : group, group);
        }
        if (!ename_isnull(group)) {
            link_ss_to_placements(group, sym, ns, txt, nt, 0);
            ss_free(group);
        }
        place_points_from_symbols(sym, ns, messages, row);
        place_points_from_symbols(txt, nt, messages, row);
        place_points_from_map(sym, ns, messages, row);
        place_points_from_map(txt, nt, messages, row);
        out.clear();
        for (const sql_col_rec *c = row; c; c = c->next) out.emplace_back(c->text ? c->text : "");
    }
    std::string changed;
    size_t i = 0;
    for (const sql_col_rec *c = row; rc == 0 && shown && c && i < held.size() && i < shown->size(); c = c->next, ++i) {
        if ((*shown)[i] == out[i]) continue;
        if (!move_holds_shown(c, held[i], (*shown)[i])) changed += (changed.empty() ? "" : ", ") + std::string(c->name);
        r.columns.emplace_back(c->name);
        r.before.push_back(held[i]);
        r.after.push_back(out[i]);
    }
    if (!changed.empty()) {
        std::string line = std::string("\nCould not update table ") + r.link.table + ": " + row_link_name(r.link) +
                           " was changed meanwhile (" + changed + "); no row was written";
        row_msg_append(messages, line.c_str());
    }
    free(sym);
    free(txt);
    sql_close_query(&stmt, &cursor, &row);
    return rc == 0 && !messages[0];
}

/* Writes every row the read back changed, giving the rows already written
** their former texts back when one fails (a row changed meanwhile keeps
** its values). True when all went. */
bool move_update_rows(std::vector<move_row> &rows, char *messages)
{
    for (move_row &r : rows) {
        if (r.columns.empty()) continue;
        int rc = move_swap(r.link, r.columns, r.before, r.after);
        if (rc == 0) {
            r.updated = true;
            continue;
        }
        std::string line = std::string("Could not update table ") + r.link.table;
        if (sql_driver_lost(rc)) line = line + ": " + sql_last_failure()->text;
        if (rc == MOVE_ROW_CHANGED) line += ": " + row_link_name(r.link) + " was changed meanwhile";
        row_msg_append(messages, line.c_str());
        for (move_row &done : rows)
            if (done.updated) done.updated = move_swap(done.link, done.columns, done.after, done.before) != 0;
        return false;
    }
    return true;
}

/* The moved set grouped by row. */
std::vector<move_row> move_rows(ads_name ss, const int *groups, long count)
{
    std::vector<move_row> rows;
    for (long i = 0; i < count; ++i) {
        const int index = groups[i] < 0 ? -groups[i] : groups[i];
        if (i == 0 || groups[i] < 0) rows.emplace_back();
        ads_name e;
        if (ads_ssname(ss, index, e) != RTNORM) continue;
        move_row &r = rows.back();
        if (r.names.empty()) link_xdata_get(&r.link, e);
        r.names.push_back({e[0], e[1]});
    }
    return rows;
}

/* Moves the set by the translation, or back by its negation. */
void move_set(ads_name ss, const ads_point to, int sign)
{
    ads_point t = {g_move_base[0] + sign * (to[0] - g_move_base[0]), g_move_base[1] + sign * (to[1] - g_move_base[1]),
                   g_move_base[2] + sign * (to[2] - g_move_base[2])};
    ads_matrix m;
    move_drag_xform(t, m);
    ads_xformss(ss, m);
}

/* The moving after the scope is known. */
void move_scope(struct resbuf *list, int scope, char *messages)
{
    ads_name ss = {0, 0};
    int *groups = nullptr;
    if (link_ss_same_row(list, scope, ss) <= 0 || link_ss_group_rows(&groups, ss) != 0) {
        err_report(LINK_ERR_NOTHING_PICKED, nullptr);
        free(groups);
        if (!ename_isnull(ss)) ss_free(ss);
        return;
    }
    ads_point to;
    if (ads_draggen(ss, k_drag_prompt, 0, move_drag_xform, to) == RTNORM) {
        long count = 0;
        ads_sslength(ss, &count);
        std::vector<move_row> rows = move_rows(ss, groups, count);
        /* What the symbols show where they stand is what the user moves
        ** from: a row is written only while it holds that. */
        std::vector<std::vector<std::string>> shown(rows.size());
        bool ok = true;
        for (size_t i = 0; ok && i < rows.size(); ++i) ok = move_read_back(rows[i], messages, shown[i], nullptr);
        move_set(ss, to, 1);
        std::vector<std::string> moved;
        for (size_t i = 0; ok && i < rows.size(); ++i) ok = move_read_back(rows[i], messages, moved, &shown[i]);
        std::vector<mark_file> marks;
        if (ok && move_marks_begin(rows, marks, messages)) {
            move_update_rows(rows, messages);
            /* A row that could not be given its former texts back keeps the
            ** mark for the next logon. */
            bool kept = false;
            for (const move_row &r : rows) kept = kept || r.updated;
            for (mark_file &m : marks) mark_end(m, messages[0] && kept);
        }
        if (messages[0]) {
            msg_alert(ERR_TITLE, "%s", messages);
            move_set(ss, to, -1);
        }
    }
    free(groups);
    ss_free(ss);
}

/* One row of a move's mark: its link, the columns the move changed, their
** former texts and the texts the move wrote. */
struct move_undo {
    link_rec link{};
    std::vector<std::string> names, former, written;
};

/* Reads a move's mark found in project p's folder into rows; answers why
** it cannot be used, "" when it can: read whole (its last line "END"),
** every table, column and key column one the project has, every escape
** two hex digits. */
std::string move_read_mark(pjct_rec *p, const std::string &body, std::vector<move_undo> &rows)
{
    if (body.empty()) return "it is empty";
    std::vector<std::string> lines = mark_lines(body);
    if (lines.empty() || lines[0] != k_move_mark_head) return "it is not a move's mark";
    if (body.back() != '\n' || lines.back() != k_move_mark_end) return "its end is missing";
    const tbl_rec *t = nullptr;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        std::vector<std::string> f = mark_fields(lines[i]);
        std::string line = "its line " + std::to_string(i + 1);
        std::string key, extra, former, written;
        if (f[0] == "R" && f.size() == 6) {
            move_undo u;
            t = tbl_find_by_name(p->tables, f[1].c_str(), nullptr);
            if (!t) return f[1] + " is not a registered table of project " + p->name;
            if (!tbl_column_find(t->columns, f[3].c_str(), nullptr, nullptr))
                return f[3] + " is not a column of table " + t->name;
            char *end = nullptr;
            errno = 0;
            long id = std::strtol(f[2].c_str(), &end, 10);
            if (f[2].empty() || *end || errno == ERANGE || id <= 0 || id > INT32_MAX)
                return "its row number \"" + f[2] + "\" is not a number";
            if (!mark_unescape(f[4], key) || !mark_unescape(f[5], extra)) return line + " cannot be read";
            std::snprintf(u.link.project, sizeof u.link.project, "%s", p->name);
            std::snprintf(u.link.table, sizeof u.link.table, "%s", t->name);
            u.link.row_id = (int32_t)id;
            std::snprintf(u.link.key_column, sizeof u.link.key_column, "%s", f[3].c_str());
            std::snprintf(u.link.key_value, sizeof u.link.key_value, "%s", key.c_str());
            std::snprintf(u.link.extra, sizeof u.link.extra, "%s", extra.c_str());
            rows.push_back(u);
        } else if (f[0] == "C" && f.size() == 4 && t && mark_unescape(f[2], former) && mark_unescape(f[3], written)) {
            if (!tbl_column_find(t->columns, f[1].c_str(), nullptr, nullptr))
                return f[1] + " is not a column of table " + t->name;
            rows.back().names.push_back(f[1]);
            rows.back().former.push_back(former);
            rows.back().written.push_back(written);
        } else {
            return line + " cannot be read";
        }
    }
    return "";
}

/* "STATN row 2, STATN row 5" for the first rows of a list, and how many
** more there are. */
std::string move_row_list(const std::vector<link_rec> &links)
{
    std::string out;
    for (size_t i = 0; i < links.size() && i < MOVE_NAMED_ROWS; ++i) out += (i ? ", " : "") + row_link_name(links[i]);
    if (links.size() > MOVE_NAMED_ROWS) out += " and " + std::to_string(links.size() - MOVE_NAMED_ROWS) + " more";
    return out;
}

/* Undoes the move whose mark has that name (move_recover). */
int move_recover_one(pjct_rec *p, const std::string &name)
{
    mark_file m;
    std::string body;
    int got = mark_take_of(m, p, name, body);
    if (got == MARK_BUSY) mark_busy_note(m, (std::string("A table of project ") + p->name).c_str(), "pv-move");
    if (got != MARK_FOUND && got != MARK_DAMAGED) return 0;
    std::vector<move_undo> rows;
    std::string why = got == MARK_DAMAGED ? body : move_read_mark(p, body, rows);
    /* Its writer may change the rows of every table it names. */
    std::set<std::string> tables;
    for (size_t i = 0; why.empty() && i < rows.size(); ++i)
        if (tables.insert(rows[i].link.table).second) why = mark_writer_refusal(m, rows[i].link.table, "UPDATE");
    /* Every row the mark names is looked up before any is written. */
    int lost = 0;
    for (size_t i = 0; why.empty() && !lost && i < rows.size(); ++i) {
        int rc = link_row_exists(&rows[i].link);
        if (rc == LINK_ERR_ROW) why = row_link_name(rows[i].link) + " is not there";
        else lost = rc;
    }
    if (!why.empty()) {
        std::string named = m.path;
        std::string aside =
            mark_aside_text(m, "row", std::string("the coordinates of the rows of project ") + p->name + " moved last");
        msg_alert(ERR_TITLE, "The mark %s of a move cut short was not used: %s. %s", named.c_str(), why.c_str(),
                  aside.c_str());
        return -1;
    }
    long failed = 0;
    std::vector<link_rec> changed;
    for (size_t i = 0; !lost && i < rows.size(); ++i) {
        int rc = move_swap(rows[i].link, rows[i].names, rows[i].written, rows[i].former);
        if (rc == MOVE_ROW_CHANGED) changed.push_back(rows[i].link);
        else if (rc != 0) ++failed;
    }
    if (failed || lost) {
        msg_alert(ERR_TITLE, "A move of %ld rows of project %s was cut short, and %ld of them cannot be given their "
                  "former coordinates back: %s. They are tried again at the next logon.", (long)rows.size(), p->name,
                  lost ? (long)rows.size() : failed, sql_last_failure()->text);
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false);
    if (!changed.empty()) {
        msg_alert(ERR_TITLE, "A move of %ld rows of project %s was cut short; it is undone, but these rows were "
                  "changed since and keep their values: %s.", (long)rows.size(), p->name,
                  move_row_list(changed).c_str());
        return -1;
    }
    msg_alert(WARN_TITLE, "A move of %ld rows of project %s was cut short; it is undone, every row holds its former "
              "coordinates.", (long)rows.size(), p->name);
    return 0;
}

}  // namespace

/* A linked row in a message; see row_cmd.h. */
std::string row_link_name(const link_rec &link)
{
    return std::string(link.table) + " row " + std::to_string(link.row_id);
}

int move_recover(pjct_rec *p)
{
    int rc = 0;
    for (const std::string &name : p ? mark_names_of(p, ".MRK") : std::vector<std::string>())
        if (std::filesystem::path(name).filename() == k_move_mark && move_recover_one(p, name) < 0) rc = -1;
    return rc;
}

void xform_identity(ads_matrix m)
{
    for (int i = 0; i < MOVE_DIM; ++i)
        for (int j = 0; j < MOVE_DIM; ++j) m[i][j] = i == j ? 1.0 : 0.0;
}

void move_set_base(const ads_point base)
{
    for (int i = 0; i < 3; ++i) g_move_base[i] = base[i];
}

int move_drag_xform(ads_point point, ads_matrix m)
{
    xform_identity(m);
    for (int i = 0; i < 3; ++i) m[i][MOVE_TRANSLATION] = point[i] - g_move_base[i];
    return RTNORM;
}

void pv_ssget_accept_cb(ads_callback_packet *cpkt)
{
    if (!cpkt) return;
    int chosen = MOVE_SCOPE_NONE;
    for (const scope_tile &s : k_scopes) {
        char value[TILE_STR_LIMIT + 1] = "";
        if (ads_get_tile(cpkt->dialog, s.key, value, sizeof value) != RTNORM) {
            if (&s == &k_scopes[3]) {
                ads_done_dialog(cpkt->dialog, MOVE_SCOPE_NONE);
                return;
            }
            continue;
        }
        if (chosen == MOVE_SCOPE_NONE && value[0] == '1') chosen = s.scope;
    }
    ads_done_dialog(cpkt->dialog, chosen);
}

void pv_ssget_cancel_cb(ads_callback_packet *cpkt)
{
    if (cpkt) ads_done_dialog(cpkt->dialog, MOVE_SCOPE_NONE);
}

int pv_ssget_dialog(void)
{
    ads_hdlg d = nullptr;
    if (ads_new_dialog(k_ssget_dialog, g_dcl_id, nullptr, &d) != RTNORM || !d) {
        err_report(ERR_LOAD_DIALOG, k_ssget_dialog);
        return MOVE_ERR_DIALOG;
    }
    const dlg_tile tiles[] = {{"accept", pv_ssget_accept_cb}, {"cancel", pv_ssget_cancel_cb}};
    dlg_register(d, tiles, 2, nullptr);
    int status = MOVE_SCOPE_NONE;
    ads_start_dialog(d, &status);
    return status;
}

int pv_move(struct resbuf *)
{
    char *messages = (char *)calloc(ROW_MSG_SIZE, 1);
    if (!messages) return err_report(ERR_NO_MEMORY, nullptr);
    struct resbuf *list = nullptr;
    link_rec link;
    int rc = link_pick(k_move_prompt, &list, &link);
    if (rc != 0) err_report(rc, nullptr);
    const struct resbuf *own = rc == 0 ? rb_find(list, MOVE_GROUP_NAME) : nullptr;
    if (own && link_keyed_by_id(own->resval.rlname)) rc = -1;
    const struct resbuf *ins = rc == 0 ? rb_find(list, MOVE_GROUP_INSERT) : nullptr;
    if (rc == 0 && !ins) err_report(LINK_ERR_NOT_LINKED, nullptr);
    if (rc == 0 && ins) {
        move_set_base(ins->resval.rpoint);
        int scope = pv_ssget_dialog();
        if (scope == MOVE_SCOPE_STATION || scope == MOVE_SCOPE_TABLE || scope == MOVE_SCOPE_ROW ||
            scope == MOVE_SCOPE_GROUP)
            move_scope(list, scope, messages);
        else if (scope != MOVE_SCOPE_NONE && scope != MOVE_ERR_DIALOG)
            err_report(LINK_ERR_NOT_LINKED, nullptr);
    }
    if (list) ads_relrb(list);
    free(messages);
    return RTNORM;
}
