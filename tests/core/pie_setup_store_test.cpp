/*
** pie_setup_store_test.cpp: the pie definitions of a DB3 project through
** the setup tables PVPIE and PVPIEOUT: every field and both rings written
** and read back by a new logon in the list's order, a column no longer
** registered kept by its names, a deleted definition gone after the next
** save, the files as dbfread sees them, and columns written by their
** names after their table took a new column list.
*/
#include <cstdio>
#include <cstdlib>

#include "core/pie_rec.h"
#include "core/setup_tables.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "symbol_fixture.h"

namespace {

using PieStore = SymbolProjectTest;

/* Every field of a definition as text, its columns by table and name. */
std::string fields(const pie_rec *p)
{
    char buf[512];
    snprintf(buf, sizeof buf, "%s|%.9g|%d|%s|%.9g|%.9g %.9g %d %d|%.9g %.9g %d %d|", p->name, p->radius, p->circle,
             p->absent, p->maximum, p->in_width, p->in_length, p->in_width_prop, p->in_length_prop, p->out_width,
             p->out_length, p->out_width_prop, p->out_length_prop);
    std::string out = buf;
    for (const pie_col_rec *c = p->inside; c; c = c->next)
        out += std::string("in ") + c->table + "." + c->name + (c->column ? "" : "(unregistered)") + " ";
    for (const pie_col_rec *c = p->outside; c; c = c->next)
        out += std::string("out ") + c->table + "." + c->name + (c->column ? "" : "(unregistered)") + " ";
    return out;
}

std::string all_pies(const pjct_rec *p)
{
    std::string out;
    for (const pie_rec *d = p->pies; d; d = d->next) out += fields(d) + "\n";
    return out;
}

/* A definition put at the head of the project's list. */
pie_rec *add(pjct_rec *p, const char *name, float radius)
{
    pie_rec *d = pie_new();
    snprintf(d->name, sizeof d->name, "%s", name);
    d->radius = radius;
    d->next = p->pies;
    p->pies = d;
    return d;
}

/* What dbfread reads from a project's table file: one line per row. */
std::string dbfread(const char *table)
{
    std::string cmd = std::string("/usr/bin/python3 -c \"import dbfread\nfor r in dbfread.DBF('projects/GEO/") +
                      table + ".DBF'): print('|'.join(str(r[k]) for k in r.keys() if k not in ('SAVEGEN','SAVEROW')))\"";
    FILE *f = popen(cmd.c_str(), "r");
    if (!f) return "";
    std::string out;
    char line[512];
    while (fgets(line, sizeof line, f)) out += line;
    pclose(f);
    return out;
}

}  // namespace

TEST_F(PieStore, DefinitionsRoundTripInTheirOrderWithBothRingsAndUnregisteredColumnsKept) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  pie_rec *older = add(p, "HEIGHTS", 1.5f);
  older->circle = 1;
  older->in_width = 30;
  older->in_length = 0.75f;
  pie_col_append(&older->inside, sql_col_find(statn->columns, "ELEV", nullptr, nullptr));
  pie_rec *newer = add(p, "ASSAYS", 2);
  snprintf(newer->absent, sizeof newer->absent, "n.d.");
  newer->maximum = 1.0f / 3;
  newer->in_width_prop = 1;
  newer->in_length_prop = 1;
  newer->out_width = 45;
  newer->out_length = 0.5f;
  newer->out_width_prop = 0;
  newer->out_length_prop = 1;
  pie_col_append(&newer->inside, sql_col_find(statn->columns, "ELEV", nullptr, nullptr));
  pie_col_append(&newer->inside, sql_col_find(statn->columns, "EASTING", nullptr, nullptr));
  pie_col_rec *gone = pie_col_append(&newer->outside, nullptr);
  snprintf(gone->table, sizeof gone->table, "ASSAY");
  snprintf(gone->name, sizeof gone->name, "AU");
  p->flags |= PJCT_CHG_PIES;
  std::string before = all_pies(p);

  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(all_pies(p), before);
  EXPECT_NE(p->pies->inside->column, nullptr) << "bound to the registered column again";
  EXPECT_EQ(p->flags & PJCT_CHG_PIES, 0u) << "loading is no change";

  EXPECT_EQ(dbfread("PVPIE"),
            "ASSAYS|2|0|n.d.|0.3333333432674408|0|0|1|1|45|0.5|0|1\n"
            "HEIGHTS|1.5|1||0|30|0.75|0|0|0|0|0|0\n");
  EXPECT_EQ(dbfread("PVPIEOUT"),
            "ASSAYS|STATN|ELEV|Y\nASSAYS|STATN|EASTING|Y\nASSAYS|ASSAY|AU|\nHEIGHTS|STATN|ELEV|Y\n");

  pie_rec *first = p->pies;
  p->pies = first->next;
  pie_free(first);
  p->flags |= PJCT_CHG_PIES;
  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(all_pies(p), before.substr(before.find('\n') + 1));
  EXPECT_EQ(dbfread("PVPIEOUT"), "HEIGHTS|STATN|ELEV|Y\n");
}

TEST_F(PieStore, ColumnsAreSavedByTheirNamesAfterTheirTableIsDescribedAgain) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  pie_rec *d = add(p, "HEIGHTS", 1);
  pie_col_append(&d->inside, sql_col_find(statn->columns, "ELEV", nullptr, nullptr));
  describe_again(p, statn);
  if (HasFatalFailure()) return;

  setup_text_rows rows;
  ASSERT_EQ(setup_save_pvpieout(p, &rows), 0);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][1], "STATN");
  EXPECT_EQ(rows.rows[0][2], "ELEV") << "never read through the freed column record";
}

TEST(PieRecords, FindIgnoresCaseAndBlanksAndNthStopsAtTheEnd) {
  pie_rec *list = nullptr;
  for (const char *n : {"ONE", "TWO", "THREE"}) {
    pie_rec *d = pie_new();
    snprintf(d->name, sizeof d->name, "%s", n);
    d->next = list;
    list = d;
  }
  int index = -1;
  EXPECT_EQ(pie_find(list, "  two ", &index), list->next);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(pie_find(list, "", nullptr), nullptr);
  EXPECT_EQ(pie_find(list, "FOUR", nullptr), nullptr);
  EXPECT_EQ(pie_nth(list, 2), list->next->next);
  EXPECT_EQ(pie_nth(list, 3), nullptr);
  EXPECT_EQ(pie_nth(list, -1), nullptr);
  pie_list_free(&list);
  EXPECT_EQ(list, nullptr);
}
