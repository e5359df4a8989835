/*
** prf_save.cpp: pointing the dictionary and profile sides at a project for
** a while, and saving the profiles the pickers changed. Kept apart from the
** editor and the pickers so the setup saver reaches it without them.
*/
#include "data/prf_edit.h"

#include <set>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "data/item_pick.h"
#include "data/item_table.h"

/* Points both sides at a project; see item_pick.h. */
void prf_sides_point(pjct_rec *project, prf_sides_saved *saved)
{
    prf_table_state *t = prf_tables();
    saved->dix = t->dix;
    saved->prf = t->prf;
    saved->dix_columns = t->dix_columns;
    t->dix_columns = nullptr;
    prf_side side = {project, project ? pjct_dir(project->name) : nullptr, project ? project->connection : nullptr};
    t->dix = side;
    t->prf = side;
}

/* Puts the sides kept by prf_sides_point back; see item_pick.h. */
void prf_sides_restore(const prf_sides_saved *saved)
{
    prf_table_state *t = prf_tables();
    if (t->dix_columns) sql_col_list_free(&t->dix_columns);
    t->dix = saved->dix;
    t->prf = saved->prf;
    t->dix_columns = saved->dix_columns;
}

/* The save of changed profiles; see the header. */
int prf_save_changed(pjct_rec *list)
{
    int result = 0;
    for (pjct_rec *p = list; p; p = p->next) {
        if (!(p->flags & PJCT_CHG_PROFILES)) continue;
        std::set<item_node *> seen;
        bool failed = false;
        prf_sides_saved saved;
        prf_sides_point(p, &saved);
        for (col_attr_rec *r = p->col_attrs; r; r = r->next) {
            item_node *t = r->tree;
            if (!t || !(t->flags & ITEM_CHANGED) || !seen.insert(t).second) continue;
            int rc = item_save_profile(r->profile, r->dictionary, t);
            if (rc != 0) {
                /* A profile another user changed meanwhile is said with what changed. */
                if (rc != ERR_ROW_CHANGED) err_report(rc, r->profile);
                failed = true;
                continue;
            }
            t->flags &= (uint16_t)~ITEM_CHANGED;
        }
        prf_sides_restore(&saved);
        if (failed) result = -1;
        else p->flags &= ~PJCT_CHG_PROFILES;
    }
    return result;
}

/* Hands the setup store the saver of changed profiles; see the header. */
void prf_serve_setups(void)
{
    g_setup_upcalls.save_profiles = prf_save_changed;
}
