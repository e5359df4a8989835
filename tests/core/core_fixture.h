/*
** core_fixture.h: set-up shared by the core's tests: a new drawing in the
** stand-in editor, a quiet screen, an empty script, a scratch working
** directory (acad.lsp is made there) holding a copy of the shipped
** configuration and sample projects, the module's entry registered, and
** unload after each test; LISP functions called with text arguments.
*/
#ifndef PV_TESTS_CORE_CORE_FIXTURE_H
#define PV_TESTS_CORE_CORE_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/pv_globals.h"
#include "host_editor.h"
#include "module/pv_entry.h"
#include "platform/host_io.h"

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    host_io_clear_faults();
    host_new_drawing();
    old_dir_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           ("pvcore-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
    /* The module's configuration and sample projects are a copy, so no
    ** test writes into the source tree. */
    std::filesystem::copy_file(std::filesystem::path(PV_RESOURCE_DIR) / "asi.ini", dir_ / "asi.ini");
    std::filesystem::copy(std::filesystem::path(PV_RESOURCE_DIR) / "projects", dir_ / "projects",
                          std::filesystem::copy_options::recursive);
    host_set_env("ASI_INI", (dir_ / "asi.ini").string());
    _SetacrxPtp();
    host_register_module("pvx14.arx", acrxEntryPoint);
  }

  void TearDown() override {
    acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  /* Loads the module as the editor does: messages 1 and 3. */
  int load() {
    static int app = 0;
    acrxEntryPoint(PV_MSG_INIT, &app);
    return acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr);
  }

  /* Answers the transcript and clears it. */
  static std::string take_transcript() {
    std::string t = host_io_transcript();
    host_io_clear_transcript();
    return t;
  }

  /* Calls a LISP function with text arguments; answers its result (the
  ** caller releases it). */
  static struct resbuf *call(const char *fn, std::vector<const char *> args) {
    struct resbuf *head = nullptr, *tail = nullptr;
    for (const char *a : args) {
      struct resbuf *rb = ads_buildlist(RTSTR, a, 0);
      (tail ? tail->rbnext : head) = rb;
      tail = rb;
    }
    struct resbuf *result = nullptr;
    EXPECT_EQ(host_invoke_function(fn, head, &result), PV_ENTRY_OK) << fn;
    ads_relrb(head);
    return result;
  }
  /* The texts of a result list; {"nil"} for nil, {"T"} for T. */
  static std::vector<std::string> texts(struct resbuf *r) {
    std::vector<std::string> out;
    if (!r) out.push_back("(none)");
    for (struct resbuf *p = r; p; p = p->rbnext) {
      if (p->restype == RTSTR) out.push_back(p->resval.rstring);
      else if (p->restype == RTNIL) out.push_back("nil");
      else if (p->restype == RTT) out.push_back("T");
    }
    ads_relrb(r);
    return out;
  }

  std::filesystem::path dir_;      /* scratch working directory */
  std::filesystem::path old_dir_;  /* directory to return to */
};

#endif
