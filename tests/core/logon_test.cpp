/*
** logon_test.cpp: the module in the stand-in editor with the DB3 driver:
** start-up with the SQL client, the configuration and the built-in
** projections; logon with and without the dialog, the setup loaded, saved
** and created, logoff and unload; and every refusal leaving nothing behind.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core_fixture.h"
#include "module/pv_logon.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/include/ase_service.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

namespace {

namespace fs = std::filesystem;

/* The module loaded with a configuration of its own: the built-in
** projections and the sample project copied into the scratch directory,
** a project whose directory is missing, and a server environment. */
class LogonTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    /* The fixture copied the sample projects into projects/. */
    write_ini(
        "[ENVIRONMENTS]\nDB3=\nORACLE7=\n"
        "[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
        "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\nPETRIVEX.GONE=GONE\n"
        "[ORACLE7]\nDriver=/nonexistent/pvora\nPETRIVEX.MINES=mines\n"
        "[PETRIVEX_MISC]\nGEO.links=1\n");
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }
  void write_ini(const std::string &text) {
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << text;
    host_set_env("ASI_INI", ini);
  }

  bool exists(const char *rel) const { return fs::exists(dir_ / "projects" / rel); }
};

const std::vector<std::string> k_nil = {"nil"};
const std::vector<std::string> k_t = {"T"};

}  // namespace

TEST_F(LogonTest, StartUpLoadsTheSqlClientTheRegistryAndTheProjectionsInOrder) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::string t = take_transcript();
  const char *steps[] = {"\nLoading PETRIVEX.DCL...done", "\nLoading ASI...done", "\nLoading ASE...done",
                         "\nLoading ACAD.PAT...done",
                         "\nLoading ASI registry...done", "\nVerifying pv-logon loaded in ACAD.LSP...done",
                         "\nLoading Projections...done", "\nLoading PETRIVEX...done\n"};
  size_t at = 0;
  for (const char *s : steps) {
    size_t p = t.find(s, at);
    ASSERT_NE(p, std::string::npos) << "missing or out of order: " << s << "\nin: " << t;
    at = p + 1;
  }
  EXPECT_EQ(g_env_count, 2);
  ASSERT_NE(g_pjct_list, nullptr);
  EXPECT_STREQ(g_pjct_list->name, "Projections");
  EXPECT_EQ(g_pjct_list->flags & (PJCT_ENV_DB3 | PJCT_ENV_SERVER), PJCT_ENV_DB3);
  EXPECT_NE(dtm_find("WGS 84", nullptr), nullptr);
  EXPECT_NE(dtm_find("clarke 1866", nullptr), nullptr);
  EXPECT_NE(prj_find("UTM 10 NAD27", nullptr), nullptr);
  EXPECT_NE(prj_find("Lambert 93", nullptr), nullptr);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(LogonTest, TheBuiltInEllipsoidsCarryTheirPublishedSemiAxes) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  struct { const char *name; double a_m, b_m; } want[] = {
      {"Clarke 1866", 6378206.4, 6356583.8},          {"Clarke 1880", 6378249.145, 6356514.870},
      {"International 1924", 6378388.0, 6356911.946}, {"Bessel 1841", 6377397.155, 6356078.963},
      {"Airy 1830", 6377563.396, 6356256.909},        {"GRS 1980", 6378137.0, 6356752.314},
      {"WGS 84", 6378137.0, 6356752.314245},
  };
  for (auto &w : want) {
    dtm_rec *d = dtm_find(w.name, nullptr);
    ASSERT_NE(d, nullptr) << w.name;
    EXPECT_DOUBLE_EQ(d->a_m, w.a_m) << w.name;
    EXPECT_DOUBLE_EQ(d->b_m, w.b_m) << w.name;
  }
}

TEST_F(LogonTest, StartUpLoadsTheLinkStoreAndUnloadClosesTheApplicationHandle) {
  ase_service_unregister();
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_NE(take_transcript().find("\nLoading ASE...done"), std::string::npos);
  EXPECT_TRUE(ase_service_registered()) << "the editor's \"ase\" was loaded for the retry";
  EXPECT_NE(g_ase_app, nullptr);
  ase_service_clear_calls();
  acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
  EXPECT_EQ(g_ase_app, nullptr);
  std::vector<int> codes = ase_service_request_codes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), 65), codes.end()) << "the handle disconnected from the store";
  /* A second start-up finds the service already there. */
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_NE(g_ase_app, nullptr);
}

TEST_F(LogonTest, OpenAsksTheLinkStoreAboutTheEnvironmentAndGivesUpWhenRefused) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  ase_service_clear_calls();
  ase_service_refuse_environment("DB3", true);
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""})), k_nil);
  EXPECT_NE(take_transcript().find("The link store refuses environment DB3."), std::string::npos);
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);
  std::vector<int> codes = ase_service_request_codes();
  EXPECT_NE(std::find(codes.begin(), codes.end(), 10), codes.end()) << "the environment's status was asked";
  ase_service_refuse_environment("DB3", false);
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""}))[0], "GEO");
}

TEST_F(LogonTest, ALinkStoreThatCannotBeReachedFailsTheLoadAndReleasesEverything) {
  ase_service_unregister();
  host_register_arx_app("ase", [] { return false; });
  EXPECT_EQ(load(), PV_ENTRY_FAIL);
  std::string t = take_transcript();
  EXPECT_NE(t.find("\nLoading ASE...\n[Alert] Petrivex ERROR:\nUnable to initialize ASE."), std::string::npos) << t;
  EXPECT_EQ(t.find("ACAD.PAT"), std::string::npos) << "no step after the failed one";
  EXPECT_EQ(g_ase_app, nullptr);
  EXPECT_EQ(g_dcl_id, PV_NO_DCL);
  host_register_arx_app("ase", ase_service_load);
}

TEST_F(LogonTest, HostVersionThirteenReadsTheConfigurationAsAsiIni) {
  std::string err;
  ASSERT_TRUE(host_set_var("ACADVER", "13.0", err)) << err;
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::string t = take_transcript();
  EXPECT_NE(t.find("\nLoading ASI.INI...done"), std::string::npos) << t;
  EXPECT_EQ(t.find("ASI registry"), std::string::npos);
}

TEST_F(LogonTest, OpenSaveLogoffAndUnloadEndToEnd) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  take_transcript();
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""})), (std::vector<std::string>{"GEO", "DB3", "", ""}))
      << take_transcript();
  pjct_rec *p = g_pjct_list;
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->name, "GEO");
  EXPECT_STREQ(p->next->name, "Projections") << "the newest first";
  EXPECT_EQ(p->next->prev, p);
  EXPECT_NE(p->flags & PJCT_ENV_DB3, 0u);
  EXPECT_EQ(p->link_flags & PJCT_LINKS_ON, PJCT_LINKS_ON) << "GEO.links=1";
  EXPECT_EQ(pjct_find_by_session(p->connection), p);
  ASSERT_NE(p->tables, nullptr) << "PVTABLE registers STATN";
  EXPECT_STREQ(p->tables->name, "STATN");
  int at = -1;
  EXPECT_NE(pjct_find_column(p, "STATN", "EASTING", &at), nullptr);
  EXPECT_NE(p->points, nullptr) << "PVPOINT";

  /* A change to the input rules is written, creating PVCOLUMN. */
  EXPECT_FALSE(exists("GEO/PVCOLUMN.DBF"));
  p->flags |= PJCT_CHG_COLUMNS;
  host_io_use_script_text("pv_yesno_small\nok\n");
  ads_relrb(call("pv_save", {}));
  EXPECT_TRUE(exists("GEO/PVCOLUMN.DBF")) << take_transcript();
  EXPECT_EQ(p->flags & PJCT_CHG_COLUMNS, 0u);
  EXPECT_TRUE(host_io_faults().empty());

  EXPECT_EQ(texts(call("pv_logoff", {"geo"})), k_t);
  ASSERT_NE(g_pjct_list, nullptr);
  EXPECT_STREQ(g_pjct_list->name, "Projections");
  EXPECT_EQ(g_pjct_list->prev, nullptr);
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);

  acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
  EXPECT_EQ(g_pjct_list, nullptr);
  EXPECT_EQ(g_env_count, 0);
  EXPECT_EQ(dtm_list_head(), nullptr);
  EXPECT_EQ(prj_list_head(), nullptr);

  /* The next drawing starts it all again. */
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_NE(take_transcript().find("\nLoading Projections...done"), std::string::npos);
  EXPECT_NE(dtm_find("WGS 84", nullptr), nullptr);
}

TEST_F(LogonTest, OpenWithoutArgumentsUsesTheLogonDialog) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  int geo = pv_config_project_index("GEO", -1);
  ASSERT_GE(geo, 0);
  host_io_use_script_text("pv_logon\nselect project " + std::to_string(geo) +
                          "\nset user field\nset password secret\nok\n");
  EXPECT_EQ(texts(call("pv_open", {})), (std::vector<std::string>{"GEO", "DB3", "field", "secret"}));
  dlg_tile_snapshot env;
  ASSERT_TRUE(dlg_test_last_tile("pv_logon", "env", env));
  EXPECT_EQ(env.value, "0") << "picking GEO shows its environment";
  EXPECT_TRUE(host_io_faults().empty());
  ASSERT_NE(pjct_find("GEO", nullptr), nullptr);
  EXPECT_STREQ(pjct_find("GEO", nullptr)->user, "field");
  std::string t = take_transcript();
  EXPECT_EQ(t.find("secret"), std::string::npos) << "the password is never shown: " << t;
  EXPECT_NE(t.find("set password ****"), std::string::npos) << t;
}

TEST_F(LogonTest, TheLogonDialogRefusesAProjectOfAnotherEnvironmentAndCancelGivesNil) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  int geo = pv_config_project_index("GEO", -1);
  host_io_use_script_text("pv_logon\nselect project " + std::to_string(geo) + "\nset env 1\nok\ncancel\n");
  EXPECT_EQ(texts(call("pv_open", {})), k_nil);
  dlg_tile_snapshot err;
  ASSERT_TRUE(dlg_test_last_tile("pv_logon", "error", err));
  EXPECT_EQ(err.value, "ERROR: GEO is not a project of ORACLE7.");
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);
}

TEST_F(LogonTest, RefusedLogonsSayWhyAndKeepNothing) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  pjct_rec *before = g_pjct_list;
  struct { std::vector<const char *> args; const char *why; } cases[] = {
      {{"NOSUCH", "DB3", "", ""}, "Project NOSUCH is not configured."},
      {{"O'NEIL", "DB3", "", ""}, "Project O'NEIL is not configured."},
      {{"GEO", "ODBC", "", ""}, "Environment ODBC is not configured."},
      {{"GEO", "ORACLE7", "", ""}, "Project GEO is not configured for ORACLE7."},
      {{"GONE", "DB3", "", ""}, "Cannot open"},
      {{"MINES", "ORACLE7", "", ""}, "Cannot connect to MINES in ORACLE7"},
      {{"", "DB3", "", ""}, "No project given."},
  };
  for (auto &c : cases) {
    take_transcript();
    dlg_test_clear();
    /* A long text (the missing directory's path) goes to the wrapping alert. */
    host_io_use_script_text("pv_alert_wrap\nok\n");
    EXPECT_EQ(texts(call("pv_open", c.args)), k_nil) << c.why;
    std::string t = take_transcript();
    dlg_tile_snapshot lines;
    if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
      for (const std::string &l : lines.items) t += l + " ";
    host_io_use_script_text("");
    EXPECT_NE(t.find(c.why), std::string::npos) << c.why << "\n" << t;
    EXPECT_EQ(g_pjct_list, before) << c.why;
    EXPECT_EQ(g_pjct_list->next, nullptr) << c.why;
  }
  std::string long_user(PJCT_USER_SIZE, 'u');
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", long_user.c_str(), ""})), k_nil);
  EXPECT_EQ(g_pjct_list, before);
}

TEST_F(LogonTest, OpenRefusesArgumentsThatAreNotTexts) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  struct resbuf *args = ads_buildlist(RTSTR, "GEO", RTSHORT, 3, 0);
  struct resbuf *result = nullptr;
  take_transcript();
  EXPECT_EQ(host_invoke_function("pv_open", args, &result), PV_ENTRY_OK);
  ads_relrb(args);
  EXPECT_EQ(texts(result), k_nil);
  EXPECT_NE(take_transcript().find("pv_open takes (project environment user password)."), std::string::npos);
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);
}

TEST_F(LogonTest, LoggingOnTwiceKeepsOneProject) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(texts(call("pv_open", {"GEO"})).size(), 4u);
  EXPECT_EQ(texts(call("pv_open", {"geo", "db3"}))[0], "GEO");
  int n = 0;
  for (pjct_rec *p = g_pjct_list; p; p = p->next) n += str_eq_nocase(p->name, "GEO");
  EXPECT_EQ(n, 1);
}

TEST_F(LogonTest, LogoffAndAseoffAnswerTOrNil) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(texts(call("pv_logoff", {})), k_nil) << "only the built-in projections are logged on";
  EXPECT_EQ(texts(call("pv_logoff", {"NOSUCH"})), k_nil);
  texts(call("pv_open", {"GEO", "DB3", "", ""}));
  ASSERT_NE(pjct_find("GEO", nullptr), nullptr);
  EXPECT_EQ(texts(call("pv_aseoff", {})), k_t);
  for (pjct_rec *p = g_pjct_list; p; p = p->next) EXPECT_EQ(p->link_flags & PJCT_LINKS_ON, 0u) << p->name;
  EXPECT_EQ(texts(call("pv_logoff", {})), k_t) << "every user project";
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);
  EXPECT_NE(pjct_find("Projections", nullptr), nullptr) << "the built-in projections stay";
}

TEST_F(LogonTest, SymbolSetupButtonListsTheChosenProjectsColumns) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  host_io_use_script_text("pv_setup\npick symsetup\npv_sympick\ncancel\ncancel\n");
  ads_relrb(call("pv_setup", {}));
  dlg_tile_snapshot project, columns;
  ASSERT_TRUE(dlg_test_last_tile("pv_setup", "project", project));
  EXPECT_EQ(project.items, (std::vector<std::string>{"Projections"}));
  ASSERT_TRUE(dlg_test_last_tile("pv_sympick", "sym_list", columns));
  EXPECT_TRUE(columns.items.empty()) << "the built-in projections register no table";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(LogonTest, TheDriverLogonDialogGivesUserAndPassword) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  char user[PJCT_USER_SIZE] = "old", password[PJCT_PASSWORD_SIZE] = "";
  host_io_use_script_text("pv_auth\nset user geologist\nset password s3cret\nok\n");
  EXPECT_EQ(pjct_auth_dialog("GEO (DB3)", user, password), RTNORM);
  EXPECT_STREQ(user, "geologist");
  EXPECT_STREQ(password, "s3cret");
  EXPECT_EQ(take_transcript().find("s3cret"), std::string::npos) << "the password is never shown";
  dlg_tile_snapshot title;
  ASSERT_TRUE(dlg_test_last_tile("pv_auth", "title", title));
  EXPECT_EQ(title.value, "GEO (DB3)");
  host_io_use_script_text("pv_auth\ncancel\n");
  EXPECT_EQ(pjct_auth_dialog("GEO (DB3)", user, password), RTCAN);
  EXPECT_STREQ(user, "geologist") << "cancel changes nothing";
}

TEST_F(LogonTest, AMissingProjectionsProjectOnlyWarns) {
  write_ini("[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX.GEO=projects/GEO\n");
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::string t = take_transcript();
  EXPECT_NE(t.find("\nLoading Projections... ** No projections!"), std::string::npos) << t;
  EXPECT_NE(t.find("\nLoading PETRIVEX...done\n"), std::string::npos);
  EXPECT_EQ(g_pjct_list, nullptr);
}

/* A text without its blanks. */
std::string without_blanks(std::string t) {
  t.erase(std::remove_if(t.begin(), t.end(), [](unsigned char c) { return std::isspace(c); }), t.end());
  return t;
}

/* A transcript's text with the wrapping alert's lines, without blanks. */
std::string shown_without_blanks(std::string t) {
  dlg_tile_snapshot lines;
  if (dlg_test_last_tile("pv_alert_wrap", "lines", lines))
    for (const std::string &l : lines.items) t += l;
  return without_blanks(t);
}

TEST_F(LogonTest, AConfigurationWithoutEnvironmentsFailsTheLoadNamingItsFileLineAndCause) {
  const std::string ini = (dir_ / "asi.ini").string();
  struct { const char *text, *why; } cases[] = {
      {"[DB3]\nDriver=pvdb3\n", ": it has no section [ENVIRONMENTS]."},
      {"[ENVIRONMENTS\nDB3=\n[DB3]\nDriver=pvdb3\n",
       ": it has no section [ENVIRONMENTS]; line 1 is neither a [section], a key=value entry nor a comment: "
       "\"[ENVIRONMENTS\"."},
      {"[ENVIRONMENTS]\n[DB3]\nDriver=pvdb3\n", ": its section [ENVIRONMENTS] lists no environment."},
  };
  for (const auto &c : cases) {
    write_ini(c.text);
    dlg_test_clear();
    host_io_use_script_text("pv_alert_wrap\nok\n");
    EXPECT_EQ(load(), PV_ENTRY_FAIL) << c.text;
    std::string want = without_blanks(std::string("Unable to load ASI registry: ") + ini + c.why);
    EXPECT_NE(shown_without_blanks(take_transcript()).find(want), std::string::npos) << want;
    EXPECT_EQ(g_dcl_id, PV_NO_DCL);
    EXPECT_EQ(g_hatch_list, nullptr);
    EXPECT_EQ(g_env_count, 0);
  }
  host_io_use_script_text("");
}

TEST_F(LogonTest, AProjectEntryTooLongIsNamedAtStartUpAndAtLogon) {
  const std::string ini = (dir_ / "asi.ini").string();
  write_ini("[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
            "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=" + std::string(100000, 'G') + "\n");
  ASSERT_EQ(load(), PV_ENTRY_OK);
  const std::string why = "the entry PETRIVEX.GEO in [DB3] of " + ini + ", line 7, is longer than 1023 characters.";
  std::string t = take_transcript();
  EXPECT_NE(t.find("Loading ASI registry...done\n** Left out: " + why), std::string::npos) << t;
  dlg_test_clear();
  host_io_use_script_text("pv_alert_wrap\nok\n");
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""})), k_nil);
  EXPECT_NE(shown_without_blanks(take_transcript()).find(without_blanks("Project GEO is not configured: " + why)),
            std::string::npos);
  host_io_use_script_text("");
}

TEST_F(LogonTest, LogoffAsksOnceAndNoDropsTheChangesWithoutWriting) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  texts(call("pv_open", {"GEO", "DB3", "", ""}));
  pjct_rec *p = pjct_find("GEO", nullptr);
  ASSERT_NE(p, nullptr);
  p->flags |= PJCT_CHG_COLUMNS;
  host_io_use_script_text("pv_yesno_small\ncancel\n");
  EXPECT_EQ(texts(call("pv_logoff", {"GEO"})), k_t);
  EXPECT_EQ(pjct_find("GEO", nullptr), nullptr);
  EXPECT_FALSE(exists("GEO/PVCOLUMN.DBF"));
  EXPECT_TRUE(host_io_faults().empty()) << "one question only";
}

TEST_F(LogonTest, ASetupThatCannotBeWrittenKeepsTheProjectLoggedOnWithItsChanges) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  texts(call("pv_open", {"GEO", "DB3", "", ""}));
  pjct_rec *p = pjct_find("GEO", nullptr);
  ASSERT_NE(p, nullptr);
  /* A directory where the new table's file must go. */
  fs::create_directories(dir_ / "projects" / "GEO" / "PVCOLUMN.DBF");
  p->flags |= PJCT_CHG_COLUMNS;
  host_io_use_script_text("pv_yesno_small\nok\npv_alert_wrap\nok\n");
  EXPECT_EQ(texts(call("pv_logoff", {"GEO"})), k_nil);
  host_io_use_script_text("");
  ASSERT_EQ(pjct_find("GEO", nullptr), p) << "still logged on";
  EXPECT_NE(p->flags & PJCT_CHG_COLUMNS, 0u) << "its change is kept for another try";
  EXPECT_NE(p->connection, nullptr);
  fs::remove_all(dir_ / "projects" / "GEO" / "PVCOLUMN.DBF");
}

TEST_F(LogonTest, AUserProjectBringsTheProjectionsFirstWhenStartUpMissedThem) {
  fs::rename(dir_ / "projects" / "Projections", dir_ / "kept");
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_NE(take_transcript().find(" ** No projections!"), std::string::npos);
  EXPECT_EQ(dtm_find("WGS 84", nullptr), nullptr);
  fs::rename(dir_ / "kept", dir_ / "projects" / "Projections");
  EXPECT_EQ(texts(call("pv_open", {"GEO", "DB3", "", ""})).size(), 4u);
  ASSERT_NE(g_pjct_list, nullptr);
  EXPECT_STREQ(g_pjct_list->name, "GEO");
  ASSERT_NE(g_pjct_list->next, nullptr);
  EXPECT_STREQ(g_pjct_list->next->name, "Projections") << "logged on before GEO";
  EXPECT_NE(dtm_find("WGS 84", nullptr), nullptr);
}
