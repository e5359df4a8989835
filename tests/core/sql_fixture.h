/*
** sql_fixture.h: a DB3 project made by the test for the SQL access layer
** and the setup store: a scratch catalog directory, an asi.ini whose DB3
** environment runs the driver program pvdb3, and logged-on project
** records whose connections work on subdirectories of it.
**
** Built with PV_SQL_FIXTURE_ODBC, the same tests run on a server project
** instead: the environment "ODBC" runs pvodbc against the PostgreSQL server
** of pg_server.h (started once by the program), and each project is a
** schema of the server, made afresh for every test.
*/
#ifndef PV_TESTS_CORE_SQL_FIXTURE_H
#define PV_TESTS_CORE_SQL_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "platform/host_io.h"
#include "scratch_dir.h"
#include "sqlclient/asi_api.h"
#include "sqlclient/asi_driver.h"

/* The driver program, when the build has it; without it the tests that
** need a project are skipped. */
#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER ""
#endif

#ifdef PV_SQL_FIXTURE_ODBC
#include "pg_server.h"
/* The program's server, started before the first test (see below). */
inline pg_server *g_sql_pg = nullptr;
class SqlPgEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static pg_server pg;
    if (pg.start()) {
      g_sql_pg = &pg;
      return;
    }
    const char *ci = std::getenv("CI");
    if (ci && std::strcmp(ci, "true") == 0) FAIL() << "the PostgreSQL test server cannot start: " << pg.why();
    std::printf("server tests skipped: the PostgreSQL test server cannot start: %s\n", pg.why().c_str());
  }
  void TearDown() override {
    if (g_sql_pg) g_sql_pg->stop();
    g_sql_pg = nullptr;
  }
};
inline const ::testing::Environment *const g_sql_pg_env = ::testing::AddGlobalTestEnvironment(new SqlPgEnvironment);
#endif

class SqlDb3Test : public ::testing::Test {
 protected:
  /* True when the projects are schemas of a server. */
#ifdef PV_SQL_FIXTURE_ODBC
  static constexpr bool on_server = true;
#else
  static constexpr bool on_server = false;
#endif

  void SetUp() override {
#ifdef PV_SQL_FIXTURE_ODBC
    if (!g_sql_pg) GTEST_SKIP() << "no PostgreSQL test server";
#else
    if (!*PV_DB3_DRIVER) GTEST_SKIP() << "no DB3 driver in this build";
#endif
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    host_io_clear_faults();
    dir_ = pv_make_scratch_dir("pv_sqlcore_").string();
#ifdef PV_SQL_FIXTURE_ODBC
    std::ofstream(dir_ + "/asi.ini") << "[ENVIRONMENTS]\nODBC=\n\n[ODBC]\nDriver=" PV_ODBC_DRIVER "\nPETRIVEX="
                                     << pg_server::DSN << "\n";
#else
    std::ofstream(dir_ + "/asi.ini") << "[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=" << dir_
                                     << "\n";
#endif
    ASSERT_EQ(asi_init(), 1);
    ASSERT_EQ(asi_cfg_open((dir_ + "/asi.ini").c_str(), &cfg_), 1);
    saved_version_ = g_host_version;
    g_host_version = 15;
    project_ = logon("GEO");
    ASSERT_NE(project_, nullptr);
  }

  void TearDown() override {
    if (dir_.empty()) return;
    while (g_pjct_list) logoff(g_pjct_list);
    g_host_version = saved_version_;
    asi_cfg_close(&cfg_);
    asi_term();
    std::filesystem::remove_all(dir_);
    pv_config_free();
  }

  /* A DB3 project of that name in its own directory, connected and put at
  ** the head of g_pjct_list. */
  pjct_rec *logon(const char *name) {
    std::string pdir = dir_ + "/" + name;
    std::filesystem::create_directories(pdir);
    pjct_rec *p = (pjct_rec *)calloc(1, sizeof(pjct_rec));
    snprintf(p->name, sizeof p->name, "%s", name);
    CAsiConnection *c = nullptr;
    EXPECT_EQ(asi_alloc_connection(&c), 1);
#ifdef PV_SQL_FIXTURE_ODBC
    /* A schema of its own on the server, empty at the start of each test. */
    p->flags = PJCT_ENV_SERVER;
    g_sql_pg->psql(std::string("DROP SCHEMA IF EXISTS ") + name + " CASCADE; CREATE SCHEMA " + name);
    EXPECT_EQ(asi_connect(c, "ODBC", pg_server::USER, pg_server::PASSWORD), 1);
    EXPECT_EQ(asi_set_catalog(c, pg_server::DSN), 1);
#else
    p->flags = PJCT_ENV_DB3;
    EXPECT_EQ(asi_connect(c, "DB3", "", ""), 1);
    EXPECT_EQ(asi_set_catalog(c, dir_.c_str()), 1);
#endif
    EXPECT_EQ(asi_set_schema(c, name), 1);
    p->connection = c;
    p->next = g_pjct_list;
    if (g_pjct_list) g_pjct_list->prev = p;
    g_pjct_list = p;
    /* Configured, so that pjct_dir finds its directory. */
    g_pjct_names = (char **)realloc(g_pjct_names, sizeof(char *) * (g_pjct_count + 1));
    g_pjct_dirs = (char **)realloc(g_pjct_dirs, sizeof(char *) * (g_pjct_count + 1));
    g_pjct_env = (int *)realloc(g_pjct_env, sizeof(int) * (g_pjct_count + 1));
    g_pjct_names[g_pjct_count] = strdup(name);
    g_pjct_dirs[g_pjct_count] = strdup(pdir.c_str());
    g_pjct_env[g_pjct_count] = 0;
    g_pjct_count++;
    return p;
  }

  /* Frees a project's lists (not the global coordinate lists). */
  static void free_lists(pjct_rec *p) {
    pnt_list_free(&p->points);
    tbl_list_free(p->tables);
    p->tables = nullptr;
    while (p->col_attrs) {
      col_attr_rec *next = p->col_attrs->next;
      col_attr_free(p->col_attrs);
      p->col_attrs = next;
    }
  }

  /* Unlinks, disconnects and frees a project. */
  void logoff(pjct_rec *p) {
    free_lists(p);
    if (p->prev) p->prev->next = p->next;
    else g_pjct_list = p->next;
    if (p->next) p->next->prev = p->prev;
    CAsiConnection *c = (CAsiConnection *)p->connection;
    asi_disconnect(c);
    asi_free_connection(&c);
    free(p);
  }

  /* Ends the DB3 driver and waits until it has died (the engine reaps
  ** it). False when there is none to end. */
  static bool kill_driver() {
    pid_t pid = asi_driver_pid("DB3");
    siginfo_t info;
    return pid > 0 && kill(pid, SIGKILL) == 0 && waitid(P_PID, (id_t)pid, &info, WEXITED | WNOWAIT) == 0;
  }

  /* Runs a statement that must succeed. */
  void run(const std::string &sql, pjct_rec *p = nullptr) {
    void *stmt = nullptr, *cursor = nullptr;
    EXPECT_EQ(sql_execute((p ? p : project_)->connection, &stmt, &cursor, sql.c_str(), 0), 5100) << sql;
    sql_free_handles(&stmt, &cursor);
  }

  /* The rows of a query as "a|b" lines, or "error N". */
  std::string rows(const std::string &sql, pjct_rec *p = nullptr) {
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query((p ? p : project_)->connection, sql.c_str(), &stmt, &cursor, &row, 0);
    if (n < 0) return "error " + std::to_string(n);
    std::string out;
    for (int k = 0; k < n; k++) {
      if (int rc = sql_fetch_counted(cursor, row, k); rc != 5100) {
        sql_close_query(&stmt, &cursor, &row);
        return out + "error " + std::to_string(rc);
      }
      for (sql_col_rec *c = row; c; c = c->next) {
        std::string t = c->text;   /* CHAR values come blank-filled */
        while (!t.empty() && t.back() == ' ') t.pop_back();
        out += std::string(c == row ? "" : "|") + t;
      }
      out += "\n";
    }
    sql_close_query(&stmt, &cursor, &row);
    return out;
  }

  /* The path of a file of the project directory (name without regard to
  ** case); "" when there is none. */
  std::string project_file(const std::string &name, pjct_rec *p = nullptr) {
    std::string pdir = pjct_dir((p ? p : project_)->name);
    for (const auto &e : std::filesystem::directory_iterator(pdir))
      if (strcasecmp(e.path().filename().c_str(), name.c_str()) == 0) return e.path();
    return "";
  }

  /* Whether a file of the project directory exists (name without regard
  ** to case). */
  bool has_file(const std::string &name, pjct_rec *p = nullptr) { return !project_file(name, p).empty(); }

  /* A whole file's bytes. */
  static std::string file_bytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  /* Damages a table's file of the project: its header counts three records
  ** more than the file holds. Answers the file's former bytes. */
  std::string count_more_records(const std::string &table) {
    const std::string path = project_file(table + ".DBF");
    std::string bytes = file_bytes(path), damaged = bytes;
    EXPECT_GT(damaged.size(), 8u) << table;
    if (damaged.size() > 8) damaged[4] = (char)(damaged[4] + 3);   /* the record count's low byte */
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
    return bytes;
  }

  std::string dir_;                 /* scratch catalog directory */
  CAsiCfgHandle *cfg_ = nullptr;    /* the engine's store */
  pjct_rec *project_ = nullptr;     /* the project "GEO" */
  int saved_version_ = 0;           /* g_host_version before the test */
};

#endif
