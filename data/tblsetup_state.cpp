/*
** tblsetup_state.cpp: the state of the one open table setup dialog, and
** keeping its tree's column nodes pointed at live input rules.
**
** The input-rule list calls in here (through g_col_attr_followers, set
** when the state is first asked for, before any tree can exist) when it
** frees or replaces a rule, so a column node of the open tree never keeps
** a freed rule:
**
**     tblsetup_repoint_attr(old_rule, nullptr);   // old_rule is about to be freed
**     tblsetup_point_column_at(new_rule);         // its column node now uses new_rule
*/
#include "data/tblsetup.h"

#include "core/col_attr.h"

namespace {

/* The open dialog's state; everything empty while no dialog is open. */
tblsetup_state g_state = {nullptr, nullptr, nullptr, nullptr, nullptr, TS_ANSWER_NONE, TS_MODE_PROJECTS, {}};

}  // namespace

/* The table setup dialog's state (one dialog at a time). */
tblsetup_state *tblsetup_state_get(void)
{
    g_col_attr_followers = {tblsetup_repoint_attr, tblsetup_point_column_at};
    return &g_state;
}

/* Every column node of the tree (key copies included) that uses the rule
** `from` takes `to` (null for none), and so does the sub-dialog's rule. */
void tblsetup_repoint_attr(const col_attr_rec *from, col_attr_rec *to)
{
    if (!from) return;
    for (tblsetup_table_node *t = g_state.tree; t; t = t->next) {
        for (tblsetup_column_node *c = t->columns; c; c = c->next)
            if (c->attr == from) c->attr = to;
        for (tblsetup_column_node *c = t->key_columns; c; c = c->next)
            if (c->attr == from) c->attr = to;
    }
    if (g_state.rule == from) g_state.rule = to;
}

/* The column node of the rule's table and column in the tree (names
** compared without regard to case) points at the rule. */
void tblsetup_point_column_at(col_attr_rec *rule)
{
    if (!rule) return;
    for (tblsetup_table_node *t = g_state.tree; t; t = t->next) {
        if (!t->name || tbl_name_cmp(t->name, rule->table) != 0) continue;
        for (tblsetup_column_node *c = t->columns; c; c = c->next)
            if (c->name && tbl_name_cmp(c->name, rule->column) == 0) c->attr = rule;
    }
}
