/*
** row_delete.cpp: the pv_delete command, which deletes selected objects
** together with the rows they are linked to.
**
** For an object linked to row 7 of STATN the row is looked up with
**     SELECT * FROM STATN WHERE BASENUMBER = 7
** and, once the fetched row is the linked one, the row and then its memo
** lines are deleted by its BASENUMBER (memo_delete_with_row), every other
** object linked to that row is erased wherever it lies in the drawing and
** the object itself is erased. A row that cannot be read or deleted keeps
** its objects, and the command stops naming the row, its table and why.
** Objects without a valid link stay. Deletions cannot be undone, so the
** user confirms once for the whole selection; the rows are read before the
** question, and a row goes only while it still holds what it held then
** (sql_delete_held): one another user changed while the question was
** pending keeps its objects and is named.
*/
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/memo.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/row_cmd.h"

namespace {

/* Title of the closing alert. */
const char k_delete_title[] = "PETRIVEX";
/* The alert naming the rows changed while the question was pending. */
const char k_kept_text[] = "These rows were changed by another user since they were selected and stay with their "
                           "objects: %s.";

/* Erases one object and takes it out of the user's set; true when it
** was erased. */
bool erase_from_set(const ads_name ename, ads_name ss)
{
    if (ads_entdel(ename) != RTNORM) return false;
    ads_ssdel(ename, ss);
    return true;
}

/* Erases the objects linked to the row of the link, wherever they lie in
** the drawing, except the object itself, counting each erased one. */
void erase_row_others(const ads_name ename, const link_rec *link, ads_name ss, long *entities)
{
    ads_name same = {0, 0};
    if (link_ss_drawing(link, LINK_SAME_ROW, same) <= 0) return;
    /* The names are taken first: erasing must not shift the walk. */
    std::vector<std::array<long, 2>> names;
    ads_name e;
    for (long i = 0; ads_ssname(same, i, e) == RTNORM; ++i) names.push_back({e[0], e[1]});
    ss_free(same);
    for (const auto &k : names) {
        ads_name other = {k[0], k[1]};
        if (ename_equal(other, ename)) continue;
        if (erase_from_set(other, ss)) ++*entities;
    }
}

/* The key of a linked row among the rows a delete notes: project, table
** and row id. */
std::string delete_row_key(const link_rec &link)
{
    return std::string(link.project) + "\t" + link.table + "\t" + std::to_string(link.row_id);
}

}  // namespace

/* Deletes an object's row with the row's objects; see row_cmd.h. */
int delete_linked_row(const ads_name ename, const link_rec *link, ads_name ss, long *rows, long *entities,
                      std::string *why, const std::vector<std::string> *shown)
{
    if (!ename || ename_isnull(ename) || !link || !ss || !rows || !entities) return -2;
    pjct_rec *project = nullptr;
    tbl_rec *table = nullptr;
    if (link_find_table(link, &project, &table) != 0 || !project || !table) return ROW_DELETE_NOT_LOADED;
    const char *id_name = link_id_column_name(table);
    if (!sql_col_find(table->columns, link->key_column, nullptr, nullptr) ||
        !sql_col_find(table->columns, id_name, nullptr, nullptr))
        return ROW_DELETE_NOT_LOADED;

    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rc = link_row_fetch(link, &cursor, &stmt, &row);
    /* A row that cannot be read (its driver ended, its table damaged) is
    ** no row that is not there: it and its objects stay. */
    if (rc != 0 && rc != LINK_ERR_ROW) {
        if (why && !sql_driver_lost(rc)) {
            char text[512];
            std::snprintf(text, sizeof text, "Row %ld of table %s cannot be read: %s", (long)link->row_id,
                          link->table, sql_failure_text(rc));
            *why = text;
        }
        return rc;
    }
    int failed = 0;
    if (rc == 0) {
        sql_col_rec *id = sql_col_find(row, id_name, nullptr, nullptr);
        std::string said;
        int gone = 0;
        int deleted = id ? memo_delete_with_row(row, id, said, &gone, shown) : ROW_DELETE_NOT_LOADED;
        /* A row that stays keeps its objects: the failure is named. */
        if (deleted != RTNORM && !gone) {
            sql_close_query(&stmt, &cursor, &row);
            if (why) *why = said;
            return deleted;
        }
        erase_row_others(ename, link, ss, entities);
        ++*rows;
        /* The row went but its memo lines did not: said, and the walk
        ** stops after the row's objects. */
        if (deleted != RTNORM) {
            failed = deleted;
            if (why) *why = said;
        }
        sql_close_query(&stmt, &cursor, &row);
    }
    if (!erase_from_set(ename, ss)) return failed ? failed : -1;
    ++*entities;
    return failed;
}

/* The pv-delete command; see row_cmd.h. */
int pv_delete(struct resbuf *)
{
    if (!g_map_params.projection) {
        msg_alert(ERR_TITLE, "No map projection defined.\nUse Map Setup unded DU-ZOREZ to initialize map.");
        return RTNORM;
    }
    ads_name ss = {0, 0};
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    long count = 0;
    if (ads_sslength(ss, &count) != RTNORM || count == 0) {
        ss_free(ss);
        return RTNORM;
    }
    /* What each row holds while the question is asked is what the user
    ** deletes: a row changed before the answer stays. */
    std::map<std::string, std::vector<std::string>> shown;
    for (long i = 0; i < count; ++i) {
        ads_name object;
        link_rec link;
        if (ads_ssname(ss, i, object) != RTNORM || link_xdata_get(&link, object) != 0) continue;
        std::vector<std::string> &texts = shown[delete_row_key(link)];
        if (!texts.empty()) continue;
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *row = nullptr;
        if (link_row_fetch(&link, &cursor, &stmt, &row) == 0)
            for (const sql_col_rec *c = row; c; c = c->next) texts.emplace_back(c->text ? c->text : "");
        sql_close_query(&stmt, &cursor, &row);
    }
    if (msg_yes_no("WARNING: Deletions cannot be recovered! Continue ?") != RTNORM) count = 0;

    /* The walk goes over the names the selection held at the start: an
    ** object erased with an earlier one's row has left the set and is
    ** passed over, the others are each treated once. */
    std::vector<std::array<long, 2>> names;
    ads_name e;
    for (long i = 0; i < count && ads_ssname(ss, i, e) == RTNORM; ++i) names.push_back({e[0], e[1]});

    ads_printf("\n");
    long rows = 0, entities = 0;
    bool failed = false;
    std::string kept;
    for (const auto &k : names) {
        ads_name object = {k[0], k[1]};
        if (ads_ssmemb(object, ss) != RTNORM) continue;
        ads_printf("\rDeleting... %ld", entities);
        link_rec link;
        if (link_xdata_get(&link, object) != 0) continue;
        std::string why;
        auto held = shown.find(delete_row_key(link));
        bool noted = held != shown.end() && !held->second.empty();
        int rc = delete_linked_row(object, &link, ss, &rows, &entities, &why, noted ? &held->second : nullptr);
        /* A row changed while the question was pending stays with its
        ** objects; the others go on. */
        if (rc == ERR_ROW_CHANGED) {
            std::string name = row_link_name(link);
            if ((", " + kept + ", ").find(", " + name + ", ") == std::string::npos)
                kept += (kept.empty() ? "" : ", ") + name;
            continue;
        }
        /* A row that cannot be read or deleted, or memo lines that cannot
        ** follow their row, stop the command, said once: with the driver
        ** gone, a table damaged or not to be written, no later row would
        ** go either. */
        if (rc == -2 || rc == -1 || rc == ROW_DELETE_NOT_LOADED || rc == 0) continue;
        /* What went before the failure is told with it, not as the
        ** command's count. */
        if (why.empty() && rows == 0)
            err_report(rc, nullptr);
        else
            msg_alert(ERR_TITLE, "%s%s", why.empty() ? sql_failure_text(rc) : why.c_str(),
                      rows ? ("\nDeleted before it: " + std::to_string(entities) + " entities, " +
                              std::to_string(rows) + " rows")
                                 .c_str()
                           : "");
        failed = true;
        break;
    }
    ss_free(ss);
    if (failed)
        ads_printf("\n");
    else {
        ads_printf("\rDeleted...  %ld\n", entities);
        msg_alert(k_delete_title, "Deleted... %ld entities, %ld rows", entities, rows);
    }
    if (!kept.empty()) msg_alert(ERR_TITLE, k_kept_text, kept.c_str());
    return RTNORM;
}
