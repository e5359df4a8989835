/*
** qry_db3_test.cpp: stored queries on a DB3 project that query_project.py
** writes: the SELECT texts of the query cases run through the engine and
** the DB3 driver give the rows that Python's sqlite3 gives for the same
** texts over the tables as python3-dbfread reads them
** (query_rows_check.py); NEAR agrees with python3-shapely's distance; and
** the queries go through PVQUERY, PVQOUT and PVQPOINT and come back after
** a new logon, a query naming an unregistered table being left out and
** written back as it was; running a query costs five requests to the
** driver however many rows it finds.
*/
#include "core/geo_util.h"
#include "platform/dialog/dialog_test_api.h"
#include "output/qry_db3_fixture.h"
#include "sqlclient/asi_connection.h"

namespace fs = std::filesystem;

namespace {

TEST_F(QueryDb3, EveryCaseGivesTheRowsSqliteGivesOverTheSameTables) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  col_attr_rec *rock = pjct_find_column(p, "STATION", "ROCKTYPE", nullptr)->attr;
  ASSERT_NE(rock, nullptr);
  snprintf(rock->dictionary, COL_ATTR_NAME_SIZE, "ROCKD");   /* the rule names the dictionary table */
  struct qcase {
    const char *name;
    std::vector<const char *> outs;
    std::vector<std::vector<const char *>> rows;
    size_t want_rows;
  };
  const qcase cases[] = {
      {"gold above five with the station's rock", {"SAMPLE.AU", "STATION.ROCKTYPE"}, {{"", "SAMPLE.AU", ">", "5"}}, 4},
      {"GRAN% or gold above eight, bracketed before the joins",
       {"SAMPLE.AU", "STATION.ROCKTYPE"},
       {{"", "STATION.ROCKTYPE", "LIKE", "GRAN%"}, {"OR", "SAMPLE.AU", ">", "8"}}, 5},
      {"one condition", {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "=", "1"}}, 2},
      {"OR", {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "=", "1"}, {"OR", "STATION.UNIT", "=", "3"}}, 3},
      {"AND, OR, AND",
       {"STATION.ROCKTYPE"},
       {{"", "STATION.UNIT", "=", "1"}, {"AND", "STATION.SEGMENT", ">", "1"},
        {"OR", "STATION.UNIT", "=", "3"}, {"AND", "STATION.SEGMENT", "<", "9"}}, 2},
      {"= NULL", {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "=", "NULL"}}, 1},
      {"NOT = NULL", {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "NOT =", "NULL"}}, 4},
      {"NOT = a value", {"STATION.ROCKTYPE"}, {{"", "STATION.ROCKTYPE", "NOT =", "SHALE"}}, 4},
      {"NOT LIKE then AND",
       {"STATION.ROCKTYPE"},
       {{"", "STATION.ROCKTYPE", "NOT LIKE", "GRAN%"}, {"AND", "STATION.SEGMENT", "=", "2"}}, 1},
      {"a quote inside a value", {"STATION.ROCKTYPE"}, {{"", "STATION.ROCKTYPE", "=", "O'NEIL"}}, 1},
      {"a link table between units and legends", {"UNITS.UNITNAME", "LEGND.LEGTEXT"}, {}, 3},
      {"a dictionary join", {"STATION.ROCKTYPE", "ROCKD.MEANING"}, {}, 4},
      {"DISTINCT with a unit table", {"STATION.SEGMENT", "UNITS.UNITNAME"}, {}, 4},
      {"station and segment order", {"STATION.STATION", "STATION.SEGMENT"}, {}, 5},
  };
  std::ofstream cases_file(dir_ / "cases.txt", std::ios::binary);
  for (const auto &c : cases) {
    qry_rec *q = query(p, c.outs, c.rows);
    char *t = qry_build_select(q);
    ASSERT_NE(t, nullptr) << c.name;
    std::vector<std::string> got = rows_of(p, t);
    EXPECT_EQ(got.size(), c.want_rows) << c.name << "\n" << t;
    cases_file << "TEXT\t" << t << "\n";
    for (const auto &r : got) cases_file << "ROW\t" << r << "\n";
    free(t);
    qry_free(q);
  }
  cases_file.close();
  std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/output/query_rows_check.py " + project_dir_.string() +
                    " " + (dir_ / "cases.txt").string() + " 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  rock->dictionary[0] = '\0';
}

TEST_F(QueryDb3, PostFilterRowsOnlySelectEverythingAndKeepThePassingRows) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  qry_cond_rec *filters = nullptr;
  qry_rec *q = query(p, {"STATION.ROCKTYPE", "STATION.EASTING", "STATION.NORTHING"},
                     {{"", "STATION.EASTING", "NEAR", "6"}}, &filters);
  q->filters = filters;
  geo_point line[2] = {{0, 0, 0, 0}, {60, 0, 0, 0}};
  ASSERT_NE(filters, nullptr);
  const col_attr_rec *east = filters->column->attr;
  ASSERT_TRUE(east && (east->flags & COL_ATTR_POINT) && east->point) << "the point setup ties EASTING's rule";
  filters->points = (geo_point *)malloc(sizeof line);
  memcpy(filters->points, line, sizeof line);
  filters->point_count = 2;
  char *t = qry_build_select(q);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::string(t).find(" WHERE "), std::string::npos) << t;
  std::vector<std::string> all = rows_of(p, t), near = rows_of(p, t, q);
  EXPECT_EQ(all.size(), 5u);
  /* shapely's distance from each station to the line decides which rows are near. */
  std::string py = "/usr/bin/python3 -c \"from shapely.geometry import LineString, Point; l = LineString([(0,0),(60,0)]); "
                   "print(sum(1 for x, y in [(10,10),(20,10),(30,40),(55,5),(70,70)] if Point(x, y).distance(l) <= 6))\"";
  FILE *f = popen(py.c_str(), "r");
  ASSERT_NE(f, nullptr);
  int want = -1;
  ASSERT_EQ(fscanf(f, "%d", &want), 1);
  pclose(f);
  EXPECT_EQ((int)near.size(), want);
  EXPECT_EQ(near.size(), 1u) << "only station 104 (55, 5) lies within 6 of the line";
  free(t);
  qry_free(q);
}

TEST_F(QueryDb3, RunningAQueryCountsItsRowsAndOpensTheBrowserOnItsFirstPageInFiveRequests) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  for (int i = 6; i <= 75; i++) {   /* more rows than a prepare answers whole */
    long rows = 0;
    std::string sql = "INSERT INTO STATION (BASENUMBER, STATION, SEGMENT, UNIT, ROCKTYPE) VALUES (" +
                      std::to_string(i) + ", " + std::to_string(100 + i) + ", 1, 1, 'R" + std::to_string(i) + "')";
    ASSERT_EQ(sql_execute_rows(p->connection, sql.c_str(), 0, &rows), 5100) << sql;
  }
  qry_rec *q = query(p, {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "=", "1"}});
  CAsiConnection *c = (CAsiConnection *)p->connection;
  long before = c->requestCount();
  host_io_use_script_text("pv_msg_box\nshow\nok\npv_table_med\nok\n");
  EXPECT_EQ(qry_execute(q), 0);
  /* The prepare, the open, the count at the last row, the first page and
  ** the close. */
  EXPECT_EQ(c->requestCount() - before, 5);
  std::string out = take_transcript();
  EXPECT_NE(out.find("Querying... 72 records found..."), std::string::npos) << out;
  dlg_tile_snapshot page;
  ASSERT_TRUE(dlg_test_last_tile("pv_table_med", "sqlrow", page));
  ASSERT_EQ(page.items.size(), 15u);
  EXPECT_EQ(page.items[0].substr(0, 8), "GRANITE ");
  EXPECT_EQ(page.items[1].substr(0, 13), "GRANODIORITE ");
  EXPECT_EQ(page.items[14].substr(0, 5), "R18  ") << "in STATION order";
  qry_free(q);
}

TEST_F(QueryDb3, QueriesComeBackAfterALogonAndAnUnregisteredOneIsKeptAsStored) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  std::string out = take_transcript();
  EXPECT_NE(out.find("Query GHOST of project QP is left out: table GONE is not registered."), std::string::npos)
      << out;
  EXPECT_EQ(p->queries, nullptr);
  qry_cond_rec *filters = nullptr;
  qry_rec *q = query(p, {"SAMPLE.AU", "STATION.ROCKTYPE"},
                     {{"", "SAMPLE.AU", ">", "5"}, {"AND", "STATION.ROCKTYPE", "=", "O'NEIL"},
                      {"AND", "STATION.EASTING", "INSIDE", "AREA"}},
                     &filters);
  q->filters = filters;
  geo_point ring[4] = {{0, 0, 0, 0}, {50.5, 0, 0, 0}, {0, 1.0 / 3, 7, 2}, {0, 0, 0, 0}};
  filters->points = (geo_point *)malloc(sizeof ring);
  memcpy(filters->points, ring, sizeof ring);
  filters->point_count = 4;
  snprintf(q->name, sizeof q->name, "AUQ");
  qry_list_insert(&p->queries, q);
  qry_rec *b = query(p, {"UNITS.UNITNAME"}, {});
  snprintf(b->name, sizeof b->name, "Alpha");
  qry_list_insert(&p->queries, b);
  /* A value longer than one CHAR column, with blanks where it is split. */
  std::string long_value = "'" + std::string(251, 'A') + "   B" + std::string(40, 'C') + "'";
  qry_rec *l = query(p, {"STATION.ROCKTYPE"}, {{"", "STATION.ROCKTYPE", "=", "X"}});
  qry_cond_set_value(l->conds, long_value.c_str());
  snprintf(l->name, sizeof l->name, "LONG");
  qry_list_insert(&p->queries, l);
  char *before = qry_build_select(q);
  p->flags |= PJCT_CHG_QUERIES;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(texts(call("pv_logoff", {"QP"}))[0], "T");

  p = logon();
  ASSERT_NE(p, nullptr);
  ASSERT_NE(p->queries, nullptr);
  EXPECT_STREQ(p->queries->name, "AUQ") << "byte order: upper case first";
  ASSERT_NE(p->queries->next, nullptr);
  EXPECT_STREQ(p->queries->next->name, "Alpha");
  qry_rec *back = p->queries;
  qry_rec *long_back = qry_find(p->queries, "LONG", nullptr);
  ASSERT_NE(long_back, nullptr);
  EXPECT_EQ(std::string(long_back->conds->value), long_value) << "nothing of a long value is lost";
  char *after = qry_build_select(back);
  ASSERT_NE(after, nullptr);
  EXPECT_STREQ(after, before) << "conditions, brackets, outputs and joins as they were";
  ASSERT_NE(back->filters, nullptr);
  EXPECT_EQ(back->filters->point_count, 4);
  EXPECT_EQ(back->filters->points[2].y, 1.0 / 3);
  EXPECT_EQ(back->filters->points[2].w, 2);
  EXPECT_EQ(back->filters->box.max.x, 50.5) << "the box is computed again";
  EXPECT_STREQ(back->conds->next->value, "'O''NEIL'");
  ASSERT_NE(back->joins, nullptr);
  free(before);
  free(after);
  EXPECT_EQ(texts(call("pv_logoff", {"QP"}))[0], "T");
  std::string cmd = "/usr/bin/python3 -c \"import dbfread, sys; d = sys.argv[1]; "
                    "n = [r['QRYNAME'] for r in dbfread.DBF(d + '/PVQUERY.DBF')]; "
                    "o = [r['QRYNAME'] for r in dbfread.DBF(d + '/PVQOUT.DBF')]; "
                    "p = [r['QRYNAME'] for r in dbfread.DBF(d + '/PVQPOINT.DBF')]; "
                    "sys.exit(0 if n.count('GHOST') == 1 and n.count('AUQ') == 3 and o.count('GHOST') == 1 "
                    "and o.count('Alpha') == 3 and p.count('AUQ') == 4 else 1)\" " +
                    project_dir_.string();
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "the stored rows as python3-dbfread reads them";
}

TEST_F(QueryDb3, ALeftOutQueryReplacedByANewOneOfItsNameDoesNotComeBackWhenThatOneIsDeleted) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  qry_rec *g = query(p, {"UNITS.UNITNAME"}, {});
  snprintf(g->name, sizeof g->name, "GHOST");
  qry_list_insert(&p->queries, g);
  p->flags |= PJCT_CHG_QUERIES;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  qry_list_unlink(&p->queries, g);
  qry_free(g);
  p->flags |= PJCT_CHG_QUERIES;
  ASSERT_EQ(setup_save_all(g_pjct_list, 0), 0);
  EXPECT_EQ(texts(call("pv_logoff", {"QP"}))[0], "T");
  std::string cmd = "/usr/bin/python3 -c \"import dbfread, sys; d = sys.argv[1]; "
                    "n = [r['QRYNAME'] for r in dbfread.DBF(d + '/PVQUERY.DBF')]; "
                    "o = [r['QRYNAME'] for r in dbfread.DBF(d + '/PVQOUT.DBF')]; "
                    "sys.exit(0 if 'GHOST' not in n and 'GHOST' not in o else 1)\" " +
                    project_dir_.string();
  EXPECT_EQ(std::system(cmd.c_str()), 0) << "the deleted query's name is gone from PVQUERY and PVQOUT";
}

}  // namespace
