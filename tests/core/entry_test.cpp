/*
** entry_test.cpp: the module in the stand-in editor: its exports and
** version, start-up and unload with their progress lines, the 66 names and
** their codes, dispatch of known and unknown codes, and the LISP results.
*/
#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "core/setup_store.h"
#include "core_fixture.h"
#include "data/browse.h"
#include "module/pv_commands.h"
#include "module/pv_startup.h"

namespace {

/* Counts occurrences of a text in another. */
int count_of(const std::string &hay, const std::string &needle) {
  int n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace

TEST(ModuleFile, ExportsOnlyTheThreeEntryPointsAndAnswersTheVersion) {
  void *h = dlopen(PV_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  auto setptp = (void (*)(void))dlsym(h, "_SetacrxPtp");
  auto version = (int (*)(void))dlsym(h, "acrxGetApiVersion");
  EXPECT_NE(setptp, nullptr);
  EXPECT_NE(dlsym(h, "acrxEntryPoint"), nullptr);
  ASSERT_NE(version, nullptr);
  setptp();
  EXPECT_EQ(version(), 0xE0000);
  for (const char *hidden : {"pv_dispatch", "pv_defun_all", "pv_init", "msg_alert", "err_text", "g_dcl_id"})
    EXPECT_EQ(dlsym(h, hidden), nullptr) << hidden << " should not be exported";
  dlclose(h);
}

TEST_F(CoreTest, StartUpFillsTheCallsLowerLayersMakeIntoHigherOnes) {
  for (const void *call : {(const void *)g_setup_upcalls.save_profiles, (const void *)g_setup_upcalls.shape_lib_name,
                           (const void *)g_setup_upcalls.shape_lib_load, (const void *)g_browse_output.row_counts,
                           (const void *)g_browse_output.plot_opts_dialog, (const void *)g_browse_output.plot_type,
                           (const void *)g_browse_output.plot_bind_memo_columns,
                           (const void *)g_browse_output.plot_records, (const void *)g_browse_output.plot_reset})
    EXPECT_NE(call, nullptr);
}

TEST_F(CoreTest, LoadPrintsTheProgressLinesInOrder) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::string t = take_transcript();
  const char *steps[] = {"\nLoading PETRIVEX...", "\nLoading PETRIVEX.DCL...done", "\nLoading ACAD.PAT...done",
                         "\nVerifying pv-logon loaded in ACAD.LSP...done", "\nLoading PETRIVEX...done\n"};
  size_t at = 0;
  for (const char *s : steps) {
    size_t p = t.find(s, at);
    ASSERT_NE(p, std::string::npos) << "missing or out of order: " << s << "\nin: " << t;
    at = p + 1;
  }
  EXPECT_NE(g_dcl_id, PV_NO_DCL);
  EXPECT_EQ(g_host_version, 14);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(CoreTest, LoadRegistersTheApplicationName) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  struct resbuf *app = ads_tblsearch("APPID", "PETRIVEX", 0);
  EXPECT_NE(app, nullptr);
  ads_relrb(app);
}

TEST_F(CoreTest, TheSixtySixNamesHaveCodesZeroToSixtyFiveInTableOrder) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::map<std::string, int> defined;
  for (auto &[name, code] : host_defined_functions()) defined[name] = code;
  const char *verbs[] = {"open", "logoff", "profile", "add", "edit", "delete", "query", "export", "project",
                         "map", "datum", "projection", "transform", "setup", "move", "import", "point",
                         "tblsetup", "save", "upgrade", "stereo", "arcpoly", "rose", "update", "scale",
                         "clean", "link", "merge", "rename", "arclegend", "arcmake", "aseoff", "ustation"};
  ASSERT_EQ(std::size(verbs), (size_t)PV_COMMAND_COUNT);
  for (int i = 0; i < PV_COMMAND_COUNT; ++i) {
    std::string cmd = std::string("c:pv-") + verbs[i], lisp = std::string("pv_") + verbs[i];
    ASSERT_TRUE(defined.count(cmd)) << cmd;
    ASSERT_TRUE(defined.count(lisp)) << lisp;
    EXPECT_EQ(defined[cmd], i) << cmd;
    EXPECT_EQ(defined[lisp], i + PV_COMMAND_COUNT) << lisp;
  }
  EXPECT_EQ(defined.size(), (size_t)PV_FUNCTION_COUNT);
}

TEST_F(CoreTest, SecondLoadDoesNotStartAgainButUnloadMakesItStartAgain) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  take_transcript();
  ASSERT_EQ(acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(count_of(take_transcript(), "Loading"), 0);
  EXPECT_EQ(host_defined_functions().size(), (size_t)PV_FUNCTION_COUNT);

  ASSERT_EQ(acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(g_dcl_id, PV_NO_DCL);
  EXPECT_EQ(g_hatch_list, nullptr);
  EXPECT_EQ(g_hatch_count, 0);
  EXPECT_EQ(pv_is_started(), 0);
  /* End and quit after unload change nothing and do not fail. */
  EXPECT_EQ(acrxEntryPoint(PV_MSG_END, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(acrxEntryPoint(PV_MSG_QUIT, nullptr), PV_ENTRY_OK);

  ASSERT_EQ(acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_NE(take_transcript().find("Loading PETRIVEX.DCL...done"), std::string::npos);
  EXPECT_NE(g_dcl_id, PV_NO_DCL);
}

TEST_F(CoreTest, HostVersionIsReadFromAcadverAndNeverBelowThirteen) {
  std::string err;
  ASSERT_TRUE(host_set_var("ACADVER", "15.0s", err)) << err;
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(g_host_version, 15);
  ASSERT_TRUE(host_set_var("ACADVER", "12", err)) << err;
  ASSERT_EQ(acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(g_host_version, 13);
}

TEST_F(CoreTest, HatchPatternsOfTheResourcesAreLoaded) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  ASSERT_GE(g_hatch_count, 12);
  std::vector<std::string> names(g_hatch_list, g_hatch_list + g_hatch_count);
  for (const char *want : {"SAND", "CLAY", "LIMESTONE", "DOLOMITE", "GRANITE", "CONGLOMERATE", "SHALE", "COAL"})
    EXPECT_NE(std::find(names.begin(), names.end(), want), names.end()) << want;
}

TEST_F(CoreTest, UnknownFunctionCodeIsRefusedWithTheFailureResult) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  ASSERT_EQ(ads_defun("pv_bogus", 66), RTNORM);
  take_transcript();
  EXPECT_EQ(host_invoke_function("pv_bogus", nullptr, nullptr), PV_ENTRY_FAIL);
  EXPECT_NE(take_transcript().find("Petrivex ERROR:\nCannot execute function: 66."), std::string::npos);
  ads_undef("pv_bogus", 66);
}

/* The LISP results are built by the helpers a handler calls; run them
** inside an invocation through a defined name of our own. */
namespace {
int g_result_case = 0;
int result_entry(int msg, void *) {
  if (msg != PV_MSG_INVOKE) return 0;
  if (g_result_case == 0) pv_ret_logon("GEO", "DB3", "JOE", "PW");
  if (g_result_case == 1) pv_ret_logon(nullptr, "DB3", "JOE", "PW");
  if (g_result_case == 2) pv_ret_flag(1);
  if (g_result_case == 3) pv_ret_flag(0);
  return 0;
}
}  // namespace

TEST_F(CoreTest, LispResultsAreTheLogonListTAndNil) {
  host_register_module("results", result_entry);
  ASSERT_EQ(ads_defun("pv_result", 0), RTNORM);
  struct resbuf *r = nullptr;
  g_result_case = 0;
  host_invoke_function("pv_result", nullptr, &r);
  std::vector<std::string> texts;
  for (struct resbuf *p = r; p; p = p->rbnext) {
    ASSERT_EQ(p->restype, RTSTR);
    texts.push_back(p->resval.rstring);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"GEO", "DB3", "JOE", "PW"}));
  ads_relrb(r);
  const int want[] = {RTNIL, RTT, RTNIL};
  for (int c = 1; c <= 3; ++c) {
    g_result_case = c;
    r = nullptr;
    host_invoke_function("pv_result", nullptr, &r);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->restype, want[c - 1]) << "case " << c;
    ads_relrb(r);
  }
  ads_undef("pv_result", 0);
  host_register_module("pvx14.arx", acrxEntryPoint);
}

TEST_F(CoreTest, StartupLspIsMadeWithTheLoadLine) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  std::string lsp = read_file("acad.lsp");
  EXPECT_EQ(lsp, "(load \"petrivex.lsp\")\n");
}

TEST_F(CoreTest, StartupLspGetsTheLineAppendedOnceAfterAnOpenLastLine) {
  { std::ofstream out("acad.lsp"); out << "(setq a 1)"; }
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(read_file("acad.lsp"), "(setq a 1)\n(load \"petrivex.lsp\")\n");
  acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
  ASSERT_EQ(acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(count_of(read_file("acad.lsp"), "petrivex.lsp"), 1);
}

TEST_F(CoreTest, StartupLspThatCannotBeWrittenOnlyWarns) {
  std::filesystem::create_directory("acad.lsp");  /* a directory cannot be appended to */
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_NE(host_io_transcript().find(
                "failed\n** WARNING: AutoCAD may not recognize pv-logon.  Use pv-open.\n"),
            std::string::npos);
  EXPECT_EQ(pv_is_started(), 1);
}

TEST_F(CoreTest, StartupLspLivesInTheEditorsSupportFolderNotTheCurrentOne) {
  std::filesystem::create_directory("support");
  host_set_env("ACAD", (dir_ / "support").string() + ":" + PV_RESOURCE_DIR);
  int rc = load();
  host_set_env("ACAD", "");
  ASSERT_EQ(rc, PV_ENTRY_OK);
  EXPECT_EQ(read_file("support/acad.lsp"), "(load \"petrivex.lsp\")\n");
  EXPECT_FALSE(std::filesystem::exists("acad.lsp")) << "acad.lsp was written into the current directory";
}

TEST_F(CoreTest, ADriverFoundNowhereIsNamedBesideTheMissingProjections) {
  std::string ini = read_file("asi.ini");
  size_t at = ini.find("Driver=pvdb3");
  ASSERT_NE(at, std::string::npos);
  ini.replace(at, std::strlen("Driver=pvdb3"), "Driver=pvdb3-removed");
  { std::ofstream out("asi.ini"); out << ini; }
  ASSERT_EQ(load(), PV_ENTRY_OK) << "start-up goes on without the projections";
  EXPECT_NE(host_io_transcript().find("\nLoading Projections... ** No projections!\n** Cannot connect to Projections "
                                      "in DB3: driver program pvdb3-removed of environment DB3 not found"),
            std::string::npos)
      << host_io_transcript();
}

TEST_F(CoreTest, HatchNamesAreReadUpperCasedAndLongLinesSkipped) {
  {
    std::ofstream out("t.pat");
    out << ";; comment\n*sand , Sand\n0, 0,0, .1,.1\n*Clay\n*" << std::string(3000, 'x') << "\n*  \n*COAL,c\n";
  }
  char **names = nullptr;
  int n = 0;
  ASSERT_EQ(pv_read_hatch_names("t.pat", &names, &n), RTNORM);
  ASSERT_EQ(n, 4);
  EXPECT_STREQ(names[0], "SAND");
  EXPECT_STREQ(names[1], "CLAY");
  EXPECT_EQ(std::strlen(names[2]), 1022u); /* cut at the line buffer, rest skipped */
  EXPECT_STREQ(names[3], "COAL");
  for (int i = 0; i < n; ++i) free(names[i]);
  free(names);
  EXPECT_EQ(pv_read_hatch_names("missing.pat", &names, &n), -9102);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(n, 0);
}
