/*
** pjct_list.cpp: lookups over the logged-on projects (g_pjct_list,
** newest first) and over the column records of a project's registry.
*/
#include "core/pjct_list.h"

#include <filesystem>
#include <system_error>

#include "core/col_attr.h"
#include "core/host_util.h"
#include "core/pv_config.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "platform/include/ads_host.h"

/* Answers the n-th logged-on project or null. */
pjct_rec *pjct_nth(int n)
{
    if (n < 0) return nullptr;
    pjct_rec *p = g_pjct_list;
    while (p && n-- > 0) p = p->next;
    return p;
}

/* Answers the logged-on project of that name or null. */
pjct_rec *pjct_find(const char *name, int *index)
{
    if (index) *index = -1;
    if (!name) return nullptr;
    int i = 0;
    for (pjct_rec *p = g_pjct_list; p; p = p->next, ++i) {
        if (str_eq_nocase(p->name, name)) {
            if (index) *index = i;
            return p;
        }
    }
    return nullptr;
}

/* Answers the logged-on project of the connection or null. */
pjct_rec *pjct_find_by_session(const void *connection)
{
    if (!connection) return nullptr;
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
        if (p->connection == connection) return p;
    return nullptr;
}

/* Answers the logged-on project holding the input rule or null. */
pjct_rec *pjct_of_col_attr(const col_attr_rec *rule)
{
    if (!rule) return nullptr;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) {
        for (const col_attr_rec *r = p->col_attrs; r; r = r->next)
            if (r == rule) return p;
        for (const tbl_rec *t = p->tables; t; t = t->next)
            for (const sql_col_rec *c = t->columns; c; c = c->next)
                if (c->attr == rule) return p;
    }
    return nullptr;
}

/* Answers the configured directory of a project or null. */
const char *pjct_dir(const char *name)
{
    int i = pv_config_project_index(name, -1);
    return i < 0 ? nullptr : g_pjct_dirs[i];
}

/* The folder of the project's own files; see pjct_list.h. */
int pjct_file_dir(const pjct_rec *project, std::string &dir, std::string &why)
{
    dir.clear();
    if (!project) {
        why = "no project";
        return -1;
    }
    const char *own = pjct_dir(project->name);
    if (!(project->flags & PJCT_ENV_SERVER)) {
        if (!own) {
            why = std::string("project ") + project->name + " has no directory";
            return -1;
        }
        dir = own;
        return 0;
    }
    char support[ADS_PATH_MAX];
    if (pv_support_folder(support) == RTNORM) dir = std::string(support) + "/";
    dir += project->name;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        why = "cannot make " + dir + ": " + ec.message();
        return -1;
    }
    return 0;
}

/* Answers the n-th column record of the project's registry or null. */
sql_col_rec *pjct_nth_column(const pjct_rec *project, int n)
{
    if (!project || n < 0) return nullptr;
    for (const tbl_rec *t = project->tables; t; t = t->next)
        for (sql_col_rec *c = t->columns; c; c = c->next)
            if (n-- == 0) return c;
    return nullptr;
}

/* Answers the project's column record of a table and column or null. */
sql_col_rec *pjct_find_column(const pjct_rec *project, const char *table, const char *column, int *index)
{
    if (index) *index = -1;
    if (!project || !table || !column) return nullptr;
    int i = 0;
    for (const tbl_rec *t = project->tables; t; t = t->next) {
        bool same_table = str_eq_nocase(t->name, table);
        for (sql_col_rec *c = t->columns; c; c = c->next, ++i) {
            if (same_table && str_eq_nocase(c->name, column)) {
                if (index) *index = i;
                return c;
            }
        }
    }
    return nullptr;
}
