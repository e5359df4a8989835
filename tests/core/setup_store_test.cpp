/*
** setup_store_test.cpp: the setup store against DB3 projects run by the
** DB3 driver: the coordinate tables and the registry tables saved and
** loaded back to the same records, a user project that never receives
** the built-in project's records, the one question before saving, tables
** missing at logon and made at the first save, saves that fail part-way
** without losing the old rows, tables made without the save columns,
** saves that change nothing and leave the files alone, and tables that
** cannot be read: reported with the driver's text, never written over,
** their registration kept.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "coords/xfrm_fit.h"
#include "coords/xfrm_list.h"
#include "core/mark_file.h"
#include "core/setup_store.h"
#include "dcl_host.h"
#include "platform/dialog/dialog_test_api.h"
#include "sql_fixture.h"

namespace {

TEST(SetupNameEq, LettersIgnoreCaseOtherCharactersMustMatch) {
  struct { const char *a, *b; int want; } cases[] = {
      {"Statn", "STATN", 1}, {"ZONE 1", "ZONE Q", 0}, {"A@", "A`", 0}, {"AB", "ABC", 0},
      {"", "", 1},           {"x_1", "X_1", 1},       {nullptr, "A", 0},
  };
  for (const auto &c : cases) EXPECT_EQ(setup_name_eq(c.a, c.b), c.want) << (c.a ? c.a : "null") << " " << c.b;
}

class SetupStore : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    dlg_test_clear();
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM);
    forget_lists();
  }
  void TearDown() override {
    if (!dir_.empty()) {
      forget_lists();
      ads_unload_dialog(g_dcl_id);
      g_dcl_id = PV_NO_DCL;
    }
    SqlDb3Test::TearDown();
  }

  /* Empties the global coordinate lists, as unload does. */
  static void forget_lists() {
    xfrm_list_free();
    prj_list_free();
    dtm_list_free();
    setup_owner_clear();
  }

  /* The trimmed first texts of a setup table's current rows, joined by "|". */
  std::string names(pjct_rec *p, const char *table) {
    setup_text_rows rows;
    EXPECT_EQ(setup_table_read(p, setup_table_find(table), &rows), 0);
    std::string out;
    for (const auto &r : rows.rows) {
      std::string t = r[0];
      while (!t.empty() && t.back() == ' ') t.pop_back();
      out += (out.empty() ? "" : "|") + t;
    }
    return out;
  }

  /* A file's bytes. */
  static std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  /* The lines of the last wrapping alert joined by blanks, after the
  ** transcript's short alerts. */
  static std::string alert_text() {
    std::string t = host_io_transcript();
    dlg_tile_snapshot lines;
    if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
      for (const std::string &l : lines.items) t += l + " ";
    return t;
  }

  /* Whether the alert says WANT, however its lines wrap: the wrap may cut
  ** a long path anywhere, so blanks count for nothing. */
  static bool alert_says(const std::string &want) {
    auto squeezed = [](std::string s) {
      std::erase(s, ' ');
      return s;
    };
    return squeezed(alert_text()).find(squeezed(want)) != std::string::npos;
  }

  static dtm_rec *datum(const char *name, double a, double b) {
    dtm_rec *d = dtm_new();
    prj_name_copy(d->name, name);
    d->a_m = a;
    d->b_m = b;
    EXPECT_EQ(dtm_insert(d), 1) << name;
    return d;
  }

  static prj_rec *projection(const char *name, const char *type, const char *dtm, const char *units) {
    prj_rec *p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, dtm);
    prj_name_copy(p->units_name, units);
    return p;
  }
};

TEST_F(SetupStore, CoordinateTablesRoundTripAndUserProjectsGetOnlyTheirOwnRecords) {
  pjct_rec *builtin = logon("Projections");
  /* The built-in project's own ellipsoids and system. */
  ASSERT_EQ(setup_load_all(builtin), 0);
  datum("CLARKE 1866", 6378206.4, 6356583.8);
  datum("WGS 84", 6378137.0, 6356752.314245);
  prj_rec *utm = projection("UTM 31 N", "UTM", "WGS 84", "meters");
  utm->zone = 31;
  ASSERT_EQ(prj_insert(utm), 1);
  builtin->flags |= PJCT_CHG_DATUMS | PJCT_CHG_PROJS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(builtin->flags & (PJCT_CHG_DATUMS | PJCT_CHG_PROJS), 0u);
  EXPECT_EQ(names(builtin, "PVDATUM"), "CLARKE 1866|WGS 84");
  EXPECT_EQ(names(builtin, "PVPROJ"), "UTM 31 N");   /* USER and GEOGRAPHIC are made, not saved */

  /* Logon order: the built-in project first, then the user's. */
  forget_lists();
  ASSERT_EQ(setup_load_all(builtin), 0);
  ASSERT_EQ(setup_load_all(project_), 0);
  ASSERT_NE(prj_find("GEOGRAPHIC WGS 84", nullptr), nullptr);
  ASSERT_NE(prj_find("UTM 31 N", nullptr), nullptr);
  datum("AIRY 1830", 6377563.396, 6356256.909);
  prj_rec *tm = projection("TM LOCAL", "TM", "AIRY 1830", "survey feet");
  tm->scale = 0.9996012717;
  tm->origin = {-2.0, 49.0, 0, 0};
  tm->false_origin = {400000.0, -100000.0, 0, 0};
  ASSERT_EQ(prj_insert(tm), 1);
  ASSERT_EQ(prj_insert(projection("SITE GRID", "USER", "", "meters")), 1);
  xfrm_rec *t = xfrm_new();
  prj_name_copy(t->name, "SITE TO UTM");
  prj_name_copy(t->prj_name1, "SITE GRID");
  prj_name_copy(t->prj_name2, "UTM 31 N");
  t->degree = 1;
  ASSERT_EQ(xfrm_alloc_points(t, 4), 1);
  const double src[4][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100.5}};
  for (int i = 0; i < 4; i++) {
    t->src[i] = {src[i][0], src[i][1], 0, 0};
    t->dst[i] = {500000.0 + 2 * src[i][0] + 0.125, 4649776.0 + 2 * src[i][1], 0, 0};
  }
  ASSERT_EQ(xfrm_fit(t), 1);
  ASSERT_EQ(xfrm_insert(t), 1);
  t->changed = 1;
  project_->flags |= PJCT_CHG_DATUMS | PJCT_CHG_PROJS | PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS;
  builtin->flags |= PJCT_CHG_DATUMS;   /* the dialogs mark every project */
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(t->changed, 0);

  /* The user's tables hold only the user's records. */
  EXPECT_EQ(names(project_, "PVDATUM"), "AIRY 1830");
  EXPECT_EQ(names(project_, "PVPROJ"), "SITE GRID|TM LOCAL");
  EXPECT_EQ(names(project_, "PVXFORM"), "SITE TO UTM");
  EXPECT_EQ(names(project_, "PVXPOINT"), "SITE TO UTM|SITE TO UTM|SITE TO UTM|SITE TO UTM");
  EXPECT_EQ(names(builtin, "PVDATUM"), "CLARKE 1866|WGS 84");

  /* Loaded again in logon order: the same records. */
  forget_lists();
  ASSERT_EQ(setup_load_all(builtin), 0);
  ASSERT_EQ(setup_load_all(project_), 0);
  dtm_rec *airy = dtm_find("AIRY 1830", nullptr);
  ASSERT_NE(airy, nullptr);
  EXPECT_EQ(airy->a_m, 6377563.396);
  EXPECT_EQ(airy->b_m, 6356256.909);
  ASSERT_NE(prj_find("GEOGRAPHIC AIRY 1830", nullptr), nullptr);
  prj_rec *tm2 = prj_find("TM LOCAL", nullptr);
  ASSERT_NE(tm2, nullptr);
  EXPECT_EQ(tm2->type, PRJ_TYPE_TM);
  EXPECT_EQ(tm2->units, PRJ_UNIT_SURVEY_FEET);
  EXPECT_EQ(tm2->dtm, airy);
  EXPECT_EQ(tm2->scale, 0.9996012717);
  EXPECT_EQ(tm2->origin.x, -2.0);
  EXPECT_EQ(tm2->origin.y, 49.0);
  EXPECT_EQ(tm2->false_origin.x, 400000.0);
  EXPECT_EQ(tm2->false_origin.y, -100000.0);
  prj_rec *utm2 = prj_find("UTM 31 N", nullptr);
  ASSERT_NE(utm2, nullptr);
  EXPECT_EQ(utm2->zone, 31);
  xfrm_rec *t2 = xfrm_list_head();
  ASSERT_NE(t2, nullptr);
  EXPECT_TRUE(prj_name_match(t2->name, "SITE TO UTM"));
  EXPECT_EQ(t2->degree, 1);
  EXPECT_EQ(t2->prj1, prj_find("SITE GRID", nullptr));
  EXPECT_EQ(t2->prj2, utm2);
  ASSERT_EQ(t2->count, 4);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(t2->src[i].x, src[i][0]);
    EXPECT_EQ(t2->src[i].y, src[i][1]);
    EXPECT_EQ(t2->dst[i].x, 500000.0 + 2 * src[i][0] + 0.125);
  }
  geo_point in = {50, 50, 0, 0}, out = {};
  ASSERT_EQ(xfrm_apply(&in, &out, t2), 1);   /* fitted on loading */
  EXPECT_NEAR(out.x, 500100.125, 1e-3);
  EXPECT_EQ(t2->changed, 0);
  EXPECT_EQ(project_->flags & 0xFFu, 0u);   /* loading is no change */
}

TEST_F(SetupStore, RegistryInputRulesAndPointSetupsRoundTrip) {
  run("CREATE TABLE STATN (BASENUMBER NUMERIC(8), STATION NUMERIC(8), X DOUBLE PRECISION, "
      "Y DOUBLE PRECISION, NAME CHAR(20))");
  run("CREATE TABLE NOTES (BASENUMBER NUMERIC(8), TEXT CHAR(40))");
  ASSERT_EQ(setup_load_all(project_), 0);
  prj_rec *user = prj_find("USER", nullptr);
  ASSERT_NE(user, nullptr);

  for (const char *name : {"STATN", "NOTES"}) {
    sql_col_rec *cols = nullptr;
    ASSERT_GT(sql_describe_table(project_->connection, name, &cols, 0), 0);
    tbl_rec *t = tbl_rec_new();
    strcpy(t->name, name);
    t->columns = cols;
    t->table_type = strcmp(name, "STATN") == 0 ? TBL_DEF_STATION : TBL_DEF_OTHER;
    for (sql_col_rec *c = cols; c; c = c->next) t->column_count++;
    t->keys[TBL_KEY_BASENUMBER] = cols;
    if (t->table_type == TBL_DEF_STATION) t->keys[TBL_KEY_STATION] = cols->next;
    ASSERT_EQ(tbl_add(project_, t), 0);
  }
  tbl_rec *statn = tbl_find_by_name(project_->tables, "STATN", nullptr);
  sql_col_rec *x = sql_col_find(statn->columns, "X", nullptr, nullptr);
  sql_col_rec *y = sql_col_find(statn->columns, "Y", nullptr, nullptr);
  sql_col_rec *name = sql_col_find(statn->columns, "NAME", nullptr, nullptr);
  ASSERT_TRUE(x && y && name && name->attr);
  EXPECT_FALSE(name->attr->flags & COL_ATTR_PLACEHOLDER);   /* listed by the registry */
  name->attr->default_text = strdup("O'NEIL");
  name->attr->flags |= COL_ATTR_NULL;
  x->attr->range = COL_ATTR_HAS_MIN | COL_ATTR_HAS_MAX;
  x->attr->minimum = -0.1;
  x->attr->maximum = 1e7;
  pnt_rec *pt = pnt_new();
  pt->x_col = x;
  pt->y_col = y;
  pt->sym_col = name;
  pt->projection = user;
  ASSERT_EQ(pnt_attach(project_, pt), 0);

  /* What the project holds, as texts. */
  auto describe = [](pjct_rec *p) {
    std::string s;
    for (tbl_rec *t = p->tables; t; t = t->next) {
      s += std::string("T ") + t->name + " " + std::to_string(t->table_type) + " " + std::to_string(t->column_count);
      for (int k = 0; k < TBL_KEY_COUNT; k++) s += t->keys[k] ? std::string(" ") + t->keys[k]->name : " -";
      s += "\n";
    }
    for (col_attr_rec *r = p->col_attrs; r; r = r->next) {
      char buf[256];
      snprintf(buf, sizeof buf, "R %s.%s %u %u %.17g %.17g '%s' %c\n", r->table, r->column, r->flags, r->range,
               r->minimum, r->maximum, r->default_text ? r->default_text : "", r->delimiter);
      s += buf;
    }
    for (pnt_rec *q = p->points; q; q = q->next)
      s += std::string("P ") + (q->table ? q->table->name : "?") + " " + q->x_col->name + " " + q->y_col->name + " " +
           (q->sym_col ? q->sym_col->name : "-") + " " + (q->projection ? q->projection->name : "-") + "\n";
    return s;
  };
  std::string before = describe(project_);

  host_io_use_script_text("pv_yesno_small\nok\n");
  ASSERT_EQ(setup_save_all(g_pjct_list, 1), 0);
  EXPECT_TRUE(host_io_faults().empty());
  dlg_tile_snapshot l1, l2;
  ASSERT_TRUE(dlg_test_last_tile("pv_yesno_small", "line1", l1));
  dlg_test_last_tile("pv_yesno_small", "line2", l2);
  EXPECT_EQ(l1.value + " " + l2.value, "Your GEO setup has been changed. Save changes ?");
  EXPECT_EQ(project_->flags & (PJCT_CHG_TABLES | PJCT_CHG_COLUMNS | PJCT_CHG_POINTS), 0u);

  /* Loaded before logon links the project into g_pjct_list, and after. */
  free_lists(project_);
  g_pjct_list = nullptr;
  ASSERT_EQ(setup_load_all(project_), 0);
  g_pjct_list = project_;
  EXPECT_EQ(describe(project_), before);
  free_lists(project_);
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_EQ(describe(project_), before);
  EXPECT_EQ(project_->flags & (PJCT_CHG_TABLES | PJCT_CHG_COLUMNS | PJCT_CHG_POINTS), 0u);
  statn = tbl_find_by_name(project_->tables, "STATN", nullptr);
  x = sql_col_find(statn->columns, "X", nullptr, nullptr);
  ASSERT_NE(x->attr, nullptr);
  EXPECT_EQ(x->attr->point, project_->points);   /* the rules point at their setup again */
  EXPECT_TRUE(x->attr->flags & COL_ATTR_POINT);
}

TEST_F(SetupStore, AnsweringNoWritesNothingAndKeepsTheChanges) {
  ASSERT_EQ(setup_load_all(project_), 0);
  project_->flags |= PJCT_CHG_TABLES;
  host_io_use_script_text("pv_yesno_small\npick no\n");
  EXPECT_EQ(setup_save_all(g_pjct_list, 1), -1);
  EXPECT_FALSE(has_file("PVTABLE.DBF"));
  EXPECT_TRUE(project_->flags & PJCT_CHG_TABLES);
  EXPECT_EQ(setup_save_all(nullptr, 0), -2);
  project_->flags &= ~PJCT_CHG_TABLES;
  host_io_use_script_text("");
  EXPECT_EQ(setup_save_all(g_pjct_list, 1), 0);   /* nothing changed: no question */
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SetupStore, MissingTablesLoadEmptyAndAreMadeAtTheFirstSave) {
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_EQ(project_->tables, nullptr);
  EXPECT_NE(prj_find("USER", nullptr), nullptr);
  project_->flags |= PJCT_CHG_TABLES | PJCT_CHG_COLUMNS | PJCT_CHG_POINTS | PJCT_CHG_DATUMS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  for (const char *f : {"PVTABLE.DBF", "PVCOLUMN.DBF", "PVPOINT.DBF", "PVDATUM.DBF"}) EXPECT_TRUE(has_file(f)) << f;
  EXPECT_FALSE(has_file("PVPROJ.DBF"));
  EXPECT_EQ(rows("SELECT COUNT(*) FROM PVTABLE"), "0\n");
  sql_col_rec *cols = nullptr;
  EXPECT_EQ(sql_describe_table(project_->connection, "PVTABLE", &cols, 0), 23);   /* 21 and our two */
  EXPECT_NE(sql_col_find(cols, "POINT", nullptr, nullptr), nullptr);
  sql_col_list_free(&cols);

  /* A registered name no statement can hold is named as such, not as a bare code. */
  run("INSERT INTO PVTABLE (TABLENAME, TABLETYPE) VALUES ('ST;N', 'OTHER')");
  free_lists(project_);
  host_io_use_script_text("pv_alert_wrap\nok\n");
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_NE(alert_text().find("ST;N: not a valid table name"), std::string::npos) << alert_text();
}

TEST_F(SetupStore, SaveFailingPartWayLeavesTheOldRows) {
  /* A PVDATUM whose name column is too narrow for one of the new names. */
  run("CREATE TABLE PVDATUM (DATUMNAME CHAR(6), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION, "
      "SAVEGEN INTEGER, SAVEROW INTEGER)");
  run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB, SAVEGEN, SAVEROW) VALUES ('OLD', 6378137, 6356752, 3, 0)");
  run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB, SAVEGEN, SAVEROW) VALUES ('STALE', 6378137, 6356752, 2, 0)");
  run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB, SAVEGEN, SAVEROW) VALUES ('HALF', 6378137, 6356752, -4, 0)");
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_NE(dtm_find("OLD", nullptr), nullptr);       /* the newest save only */
  EXPECT_EQ(dtm_find("STALE", nullptr), nullptr);
  EXPECT_EQ(dtm_find("HALF", nullptr), nullptr);      /* never made current */
  datum("AAA", 6378388.0, 6356911.946);
  datum("LONGER NAME", 6378388.0, 6356911.946);
  project_->flags |= PJCT_CHG_DATUMS;
  host_io_clear_transcript();
  EXPECT_EQ(setup_save_all(g_pjct_list, 0), -1);
  EXPECT_NE(host_io_transcript().find("Cannot save setup table PVDATUM of project GEO"), std::string::npos);
  EXPECT_TRUE(project_->flags & PJCT_CHG_DATUMS);
  EXPECT_EQ(names(project_, "PVDATUM"), "OLD");
  EXPECT_EQ(rows("SELECT DATUMNAME FROM PVDATUM WHERE SAVEGEN = -5"), "");   /* the half-written rows went */

  /* Without the long name the save goes through and the older rows go. */
  dtm_remove(dtm_find("LONGER NAME", nullptr));
  EXPECT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(rows("SELECT DATUMNAME, SAVEGEN, SAVEROW FROM PVDATUM ORDER BY SAVEROW"), "AAA|5|0\nOLD|5|1\n");
}

/* Steps of a save seen by the hook, and the one at which the process
** kills itself. */
long g_save_steps = 0;
long g_save_kill_at = 0;
void count_or_kill_save()
{
  if (++g_save_steps == g_save_kill_at) raise(SIGKILL);
}

TEST_F(SetupStore, ASaveKilledAtAnyStepLeavesEverySetupAsBeforeOrAfterTheNextLogon) {
  /* Two setup tables saved at once, PVPROJ made without the save columns
  ** (rebuilt by the save): killed after each statement or mark line, the
  ** next logon finds both as before or both as after. */
  auto execute = [&](const std::string &sql) {
    void *stmt = nullptr, *cursor = nullptr;
    sql_execute(project_->connection, &stmt, &cursor, sql.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
  };
  auto made = [&]() {
    for (const char *t : {"PVDATUM", "PVPROJ", "PVDATUM_NEW", "PVPROJ_NEW"}) execute(std::string("DROP TABLE ") + t);
    run("CREATE TABLE PVDATUM (DATUMNAME CHAR(32), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION, "
        "SAVEGEN INTEGER, SAVEROW INTEGER)");
    run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB, SAVEGEN, SAVEROW) VALUES ('D OLD', 6378137, 6356752, 1, 0)");
    run("CREATE TABLE PVPROJ (PROJNAME CHAR(32), DATUMNAME CHAR(32), UNITS CHAR(32), PROJTYPE CHAR(32), UTMZONE INT)");
    run("INSERT INTO PVPROJ (PROJNAME, DATUMNAME, UNITS, PROJTYPE, UTMZONE) VALUES ('P OLD', 'D OLD', 'meters', 'UTM', 10)");
  };
  made();
  ASSERT_EQ(setup_load_all(project_), 0);
  datum("D NEW", 6378388.0, 6356911.946);
  prj_rec *utm = projection("P NEW", "UTM", "D NEW", "meters");
  utm->zone = 31;
  ASSERT_EQ(prj_insert(utm), 1);
  project_->flags |= PJCT_CHG_DATUMS | PJCT_CHG_PROJS;
  bool finished = false;
  for (long at = 1; !finished && at < 100; at++) {
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      /* Only the child speaks to the driver until it is killed. */
      g_save_kill_at = at;
      setup_set_step_hook(count_or_kill_save);
      _exit(setup_save_all(g_pjct_list, 0) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    finished = WIFEXITED(status);
    ASSERT_TRUE(finished ? WEXITSTATUS(status) == 0 : WIFSIGNALED(status)) << "step " << at;
    bool left = mark_in_the_way(project_, SETUP_SAVE_MARK, "setup", "pv-save", "left") == "left";
    host_io_clear_transcript();
    EXPECT_EQ(setup_tables_recover(project_), 0) << host_io_transcript();
    EXPECT_EQ(host_io_transcript().find("Saving the setup of project GEO was cut short") != std::string::npos, left)
        << "step " << at << ": " << host_io_transcript();
    std::string datums = names(project_, "PVDATUM"), projs = names(project_, "PVPROJ");
    bool after = datums.find("D NEW") != std::string::npos;
    EXPECT_EQ(projs.find("P NEW") != std::string::npos, after) << "killed at step " << at << ": " << datums << " / " << projs;
    EXPECT_NE(datums.find("D OLD"), std::string::npos) << at;
    EXPECT_NE(projs.find("P OLD"), std::string::npos) << at;
    EXPECT_TRUE(!finished || after) << "the save went through at step " << at;
    EXPECT_EQ(mark_in_the_way(project_, SETUP_SAVE_MARK, "setup", "pv-save", "left"), "") << "step " << at;
    if (!finished) made();
  }
  EXPECT_TRUE(finished);
  /* A finished mark whose save the table does not hold (none of its rows,
  ** or a later save there) is set aside, every row kept. */
  std::string datums = names(project_, "PVDATUM");
  for (const char *body : {"setup\nPVDATUM 7\ndone\n", "setup\nPVDATUM 1 0\ndone\n"}) {
    mark_file planted;
    ASSERT_EQ(mark_begin_of(planted, project_, SETUP_SAVE_MARK, body, "pv-save"), 0) << body;
    mark_end(planted, true);
    EXPECT_EQ(setup_tables_recover(project_), -1) << body;
    EXPECT_EQ(names(project_, "PVDATUM"), datums) << body;
    EXPECT_EQ(mark_in_the_way(project_, SETUP_SAVE_MARK, "setup", "pv-save", "left"), "") << body;
  }
}

TEST_F(SetupStore, TableWithoutSaveColumnsIsReadWholeAndRebuiltAtTheSave) {
  run("CREATE TABLE PVDATUM (DATUMNAME CHAR(32), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION)");
  run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB) VALUES ('BESSEL 1841', 6377397.155, 6356078.963)");
  run("INSERT INTO PVDATUM (DATUMNAME, MAJORAXISA, MINORAXISB) VALUES ('GRS 1980', 6378137, 6356752.314140)");
  ASSERT_EQ(setup_load_all(project_), 0);
  ASSERT_NE(dtm_find("BESSEL 1841", nullptr), nullptr);
  ASSERT_NE(prj_find("GEOGRAPHIC GRS 1980", nullptr), nullptr);
  /* Nothing changed: the table is left as it is, without the save columns. */
  std::string file = std::string(pjct_dir("GEO")) + "/PVDATUM.DBF";
  std::string before = read_file(file);
  project_->flags |= PJCT_CHG_DATUMS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(read_file(file), before);
  EXPECT_EQ(project_->flags & PJCT_CHG_DATUMS, 0u);
  /* A change rebuilds it with them. */
  datum("AIRY 1830", 6377563.396, 6356256.909);
  project_->flags |= PJCT_CHG_DATUMS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_FALSE(has_file("PVDATUM_NEW.DBF"));
  EXPECT_EQ(rows("SELECT DATUMNAME, SAVEGEN FROM PVDATUM ORDER BY SAVEROW"),
            "AIRY 1830|1\nBESSEL 1841|1\nGRS 1980|1\n");   /* list order */
  forget_lists();
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_EQ(dtm_find("GRS 1980", nullptr)->b_m, 6356752.314140);
}

TEST_F(SetupStore, ShippedProjectionsLoadAndSaveWithoutLosingARecord) {
  pjct_rec *builtin = logon("Projections");
  for (const auto &e : std::filesystem::directory_iterator(PV_RESOURCE_DIR "/projects/Projections"))
    std::filesystem::copy_file(e.path(), std::string(pjct_dir("Projections")) + "/" + e.path().filename().string());
  ASSERT_EQ(setup_load_all(builtin), 0);
  std::string datums = names(builtin, "PVDATUM"), projs = names(builtin, "PVPROJ");
  EXPECT_NE(datums.find("WGS 84"), std::string::npos) << datums;
  int n = 0;
  for (dtm_rec *d = dtm_list_head(); d; d = d->next) n++;
  EXPECT_EQ(n, (int)std::count(datums.begin(), datums.end(), '|') + 1);   /* every shipped ellipsoid */
  builtin->flags |= PJCT_CHG_DATUMS | PJCT_CHG_PROJS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  /* The same records, now in list order. */
  auto sorted = [](std::string t) {
    std::vector<std::string> v;
    for (size_t at = 0; at != std::string::npos;) {
      size_t bar = t.find('|', at);
      v.push_back(t.substr(at, bar == std::string::npos ? bar : bar - at));
      at = bar == std::string::npos ? bar : bar + 1;
    }
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(names(builtin, "PVDATUM")), sorted(datums));
  EXPECT_EQ(sorted(names(builtin, "PVPROJ")), sorted(projs));
}

TEST_F(SetupStore, HalfRebuiltTableIsReadFromItsScratchTable) {
  run("CREATE TABLE PVDATUM_NEW (DATUMNAME CHAR(32), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION, "
      "SAVEGEN INTEGER, SAVEROW INTEGER)");
  run("INSERT INTO PVDATUM_NEW (DATUMNAME, MAJORAXISA, MINORAXISB, SAVEGEN, SAVEROW) "
      "VALUES ('INTERNATIONAL 1924', 6378388, 6356911.946, 1, 0)");
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_NE(dtm_find("INTERNATIONAL 1924", nullptr), nullptr);
}

TEST_F(SetupStore, DamagedTableIsNeverOverwritten) {
  run("CREATE TABLE PVDATUM (DATUMNAME CHAR(32), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION)");
  std::string path = std::string(pjct_dir("GEO")) + "/PVDATUM.DBF";
  { std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a table"; }
  host_io_use_script_text("pv_alert_wrap\nok\npv_alert_wrap\nok\n");
  EXPECT_EQ(setup_load_all(project_), -14225);   /* damaged: reported, nothing loaded */
  EXPECT_EQ(dtm_list_head(), nullptr);
  EXPECT_TRUE(alert_says("setup table PVDATUM: table file " + path + " is damaged (dBASE code -3)")) << alert_text();
  datum("WGS 84", 6378137.0, 6356752.314245);
  project_->flags |= PJCT_CHG_DATUMS;
  EXPECT_EQ(setup_save_all(g_pjct_list, 0), 0);   /* said so; the logoff is not held up by it */
  EXPECT_EQ(std::filesystem::file_size(path), strlen("not a table"));
  EXPECT_FALSE(project_->flags & PJCT_CHG_DATUMS);
  EXPECT_NE(alert_text().find("Setup table PVDATUM of project GEO could not be read at logon (table file"),
            std::string::npos) << alert_text();
  EXPECT_TRUE(host_io_faults().empty());
}

}  // namespace

namespace {

TEST_F(SetupStore, UnreadableRegisteredTableKeepsItsSetupThroughSavesThatChangeOtherTables) {
  run("CREATE TABLE STATN (BASENUMBER NUMERIC(8), X DOUBLE PRECISION, Y DOUBLE PRECISION)");
  run("CREATE TABLE NOTES (BASENUMBER NUMERIC(8), TEXT CHAR(40))");
  ASSERT_EQ(setup_load_all(project_), 0);
  for (const char *name : {"STATN", "NOTES"}) {
    sql_col_rec *cols = nullptr;
    ASSERT_GT(sql_describe_table(project_->connection, name, &cols, 0), 0);
    tbl_rec *t = tbl_rec_new();
    strcpy(t->name, name);
    t->columns = cols;
    t->table_type = TBL_DEF_OTHER;
    for (sql_col_rec *c = cols; c; c = c->next) t->column_count++;
    t->keys[TBL_KEY_BASENUMBER] = cols;
    ASSERT_EQ(tbl_add(project_, t), 0);
  }
  tbl_rec *statn = tbl_find_by_name(project_->tables, "STATN", nullptr);
  pnt_rec *pt = pnt_new();
  pt->x_col = sql_col_find(statn->columns, "X", nullptr, nullptr);
  pt->y_col = sql_col_find(statn->columns, "Y", nullptr, nullptr);
  pt->projection = prj_find("USER", nullptr);
  ASSERT_EQ(pnt_attach(project_, pt), 0);
  pt->x_col->attr->minimum = -5;
  pt->x_col->attr->range = COL_ATTR_HAS_MIN;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  const std::string setup = "SELECT TABLENAME FROM PVTABLE ORDER BY TABLENAME";
  const std::string rules = "SELECT COLUMNAME, FLAGS, MINIMUM FROM PVCOLUMN WHERE TABLENAME = 'STATN' ORDER BY COLUMNAME";
  const std::string points = "SELECT TABLENAME, XCOLUMN, YCOLUMN, PROJECTION FROM PVPOINT";
  std::string registry = rows(setup), statn_rules = rows(rules), statn_points = rows(points);
  ASSERT_EQ(registry, "NOTES\nSTATN\n");
  ASSERT_NE(statn_points, "");

  /* STATN's file loses its header: logon names it, NOTES stays usable. */
  std::string file = std::string(pjct_dir("GEO")) + "/STATN.DBF";
  std::string good = read_file(file);
  { std::ofstream(file, std::ios::binary | std::ios::trunc) << good.substr(0, 20); }
  free_lists(project_);
  host_io_use_script_text("pv_alert_wrap\nok\n");
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_TRUE(alert_says("STATN: table file " + file + " is damaged (dBASE code -3)")) << alert_text();
  EXPECT_EQ(tbl_find_by_name(project_->tables, "STATN", nullptr), nullptr);
  EXPECT_NE(tbl_find_by_name(project_->tables, "NOTES", nullptr), nullptr);
  EXPECT_EQ(project_->points, nullptr);
  ASSERT_NE(setup_table_refusal(project_, "statn"), nullptr);
  EXPECT_EQ(std::string(setup_table_refusal(project_, "statn")), "table file " + file + " is damaged (dBASE code -3)");
  EXPECT_EQ(setup_table_refusal(project_, "NOTES"), nullptr);

  /* A real change to the registry, the rules and the points: STATN's rows go with it. */
  tbl_rec *notes = tbl_find_by_name(project_->tables, "NOTES", nullptr);
  notes->table_type = TBL_DEF_REFERENCE;
  sql_col_rec *text = sql_col_find(notes->columns, "TEXT", nullptr, nullptr);
  text->attr->flags |= COL_ATTR_NULL;
  project_->flags |= PJCT_CHG_TABLES | PJCT_CHG_COLUMNS | PJCT_CHG_POINTS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(rows(setup), registry);
  EXPECT_EQ(rows("SELECT TABLETYPE FROM PVTABLE WHERE TABLENAME = 'NOTES'"), "REFERENCE\n");
  EXPECT_EQ(rows(rules), statn_rules);
  EXPECT_EQ(rows(points), statn_points);

  /* Repaired, it is registered again with its point setup and rules. */
  { std::ofstream(file, std::ios::binary | std::ios::trunc) << good; }
  free_lists(project_);
  ASSERT_EQ(setup_load_all(project_), 0);
  EXPECT_EQ(setup_table_refusal(project_, "STATN"), nullptr);
  statn = tbl_find_by_name(project_->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  ASSERT_NE(project_->points, nullptr);
  EXPECT_EQ(project_->points->table, statn);
  sql_col_rec *x = sql_col_find(statn->columns, "X", nullptr, nullptr);
  EXPECT_TRUE(x->attr->flags & COL_ATTR_POINT);
  EXPECT_EQ(x->attr->minimum, -5);
}

TEST_F(SetupStore, AFailedWriteNamesTheTableWithTheDriversText) {
  run("CREATE TABLE PVDATUM (DATUMNAME CHAR(32), MAJORAXISA DOUBLE PRECISION, MINORAXISB DOUBLE PRECISION, "
      "SAVEGEN INTEGER, SAVEROW INTEGER)");
  ASSERT_EQ(setup_load_all(project_), 0);
  /* Damaged after logon: found at the save, which neither rebuilds nor reports a bare code. */
  std::string path = std::string(pjct_dir("GEO")) + "/PVDATUM.DBF";
  { std::ofstream(path, std::ios::binary | std::ios::trunc) << "cut"; }
  datum("WGS 84", 6378137.0, 6356752.314245);
  project_->flags |= PJCT_CHG_DATUMS;
  host_io_use_script_text("pv_alert_wrap\nok\n");
  EXPECT_EQ(setup_save_all(g_pjct_list, 0), -1);
  std::string t = alert_text();
  EXPECT_TRUE(alert_says("Cannot save setup table PVDATUM of project GEO: table file " + path)) << t;
  EXPECT_EQ(t.find("GEO: code"), std::string::npos) << t;
  EXPECT_EQ(read_file(path), "cut");
}

}  // namespace

#ifdef PV_SQL_FIXTURE_ODBC
/* On a server project the saved setup is rows of the server's own tables:
** psql reads the registry and the rules the store wrote. */
TEST_F(SetupStore, ServerHoldsTheSavedSetupRows) {
  run("CREATE TABLE NOTES (BASENUMBER NUMERIC(8), TEXT CHAR(40))");
  ASSERT_EQ(setup_load_all(project_), 0);
  sql_col_rec *cols = nullptr;
  ASSERT_GT(sql_describe_table(project_->connection, "NOTES", &cols, 0), 0);
  tbl_rec *t = tbl_rec_new();
  strcpy(t->name, "NOTES");
  t->columns = cols;
  t->table_type = TBL_DEF_OTHER;
  for (sql_col_rec *c = cols; c; c = c->next) t->column_count++;
  t->keys[TBL_KEY_BASENUMBER] = cols;
  ASSERT_EQ(tbl_add(project_, t), 0);
  sql_col_rec *text = sql_col_find(t->columns, "TEXT", nullptr, nullptr);
  ASSERT_TRUE(text && text->attr);
  text->attr->default_text = strdup("O'NEIL");
  project_->flags |= PJCT_CHG_TABLES | PJCT_CHG_COLUMNS;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(g_sql_pg->psql("SELECT trim(tablename), trim(tabletype), trim(basenumber) FROM geo.pvtable "
                           "WHERE savegen >= 0"),
            "NOTES|OTHER|BASENUMBER\n");
  EXPECT_EQ(g_sql_pg->psql("SELECT trim(columname) || ' ' || trim(defaultval) FROM geo.pvcolumn "
                           "WHERE savegen >= 0 AND trim(columname) = 'TEXT'"),
            "TEXT O'NEIL\n");
  EXPECT_EQ(names(project_, "PVTABLE"), "NOTES");
}
#endif
