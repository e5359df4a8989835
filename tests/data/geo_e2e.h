/*
** geo_e2e.h: the fixture of the data end-to-end programs. The module is
** loaded into the stand-in editor with a configuration of its own that
** names a copy of the sample project GEO (and the built-in projections)
** made in <work>/<folder>/, where the program runs: <work> is the run's own
** folder named by PV_E2E_WORK (tests/scripts/run_e2e.py makes it, and keeps
** it when the test fails), else <build>/e2e. Tables are read back with
** Debian's Python modules through /usr/bin/python3.
**
**     class MemoEndToEnd : public GeoModuleTest {
**       const char *folder() const override { return "memo"; }
**     };
*/
#ifndef PV_TESTS_DATA_GEO_E2E_H
#define PV_TESTS_DATA_GEO_E2E_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/pjct.h"
#include "core/pjct_list.h"
#include "host_editor.h"
#include "module/pv_entry.h"
#include "platform/host_io.h"

class GeoModuleTest : public ::testing::Test {
 protected:
  /* The folder of the run under the run's work folder. */
  virtual const char *folder() const = 0;

  void SetUp() override {
    namespace fs = std::filesystem;
    const char *work = std::getenv("PV_E2E_WORK");
    dir_ = (work && *work ? fs::path(work) : fs::path(PV_BINARY_DIR) / "e2e") / folder();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy(fs::path(PV_RESOURCE_DIR) / "projects" / "GEO", dir_ / "GEO");
    fs::copy(fs::path(PV_RESOURCE_DIR) / "projects" / "Projections", dir_ / "Projections");
    std::ofstream(dir_ / "asi.ini") << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=.\n"
                                       "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n";
    host_set_env("ASI_INI", (dir_ / "asi.ini").string());
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    host_io_clear_faults();
    host_new_drawing();
    old_dir_ = fs::current_path();
    fs::current_path(dir_);
    _SetacrxPtp();
    host_register_module("pvx14.arx", acrxEntryPoint);
    static int app = 0;
    acrxEntryPoint(PV_MSG_INIT, &app);
    ASSERT_EQ(acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr), PV_ENTRY_OK) << host_io_transcript();
  }

  void TearDown() override {
    struct resbuf *r = nullptr;
    host_invoke_function("pv_logoff", nullptr, &r);
    ads_relrb(r);
    acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
    std::filesystem::current_path(old_dir_);
    host_set_env("ASI_INI", "");
  }

  /* Logs on to GEO with pv_open; answers the project. */
  pjct_rec *open_geo() {
    struct resbuf *args = ads_buildlist(RTSTR, "GEO", RTSTR, "DB3", RTSTR, "", RTSTR, "", 0);
    struct resbuf *r = nullptr;
    EXPECT_EQ(host_invoke_function("pv_open", args, &r), PV_ENTRY_OK);
    ads_relrb(args);
    ads_relrb(r);
    return pjct_find("GEO", nullptr);
  }

  /* What a script of the tests' folder prints, run by /usr/bin/python3
  ** with its arguments; "python3 failed: ..." when it fails. */
  static std::string python(const std::string &script, const std::string &args) {
    std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/" + script + " " + args + " 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return "cannot run python3";
    std::string out;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    int status = pclose(p);
    return status == 0 ? out : "python3 failed: " + out;
  }

  std::filesystem::path dir_;       /* <work>/<folder> */
  std::filesystem::path old_dir_;   /* working directory to return to */
};

#endif
