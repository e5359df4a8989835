/*
** out_fixture.h: a scratch folder per test and a reader of the lines an
** export writer left in a file (CR LF ends checked, then stripped); a
** full disk for the writes of a stretch of a test.
*/
#ifndef PV_TESTS_OUTPUT_OUT_FIXTURE_H
#define PV_TESTS_OUTPUT_OUT_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"

class OutFolder : public ::testing::Test {
 protected:
  std::filesystem::path dir;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = pv_make_scratch_dir(std::string("pv_out_") + info->test_suite_name() + "_" + info->name() + "_");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string path(const std::string& name) const { return (dir / name).string(); }

  /* The file's whole bytes. */
  static std::string bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  /* The file's lines; fails the test when a line does not end in CR LF. */
  static std::vector<std::string> lines(const std::string& file) {
    std::string all = bytes(file);
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < all.size()) {
      std::size_t nl = all.find("\r\n", at);
      if (nl == std::string::npos) {
        ADD_FAILURE() << "line without CR LF at the end of " << file;
        out.push_back(all.substr(at));
        break;
      }
      out.push_back(all.substr(at, nl - at));
      at = nl + 2;
    }
    return out;
  }

  /* The temporary file a writer keeps beside target while it writes
  ** (target's name, a dot, six letters, its writer and ".tmp"); "" for none. */
  std::string temp_of(const std::string& target) const {
    std::string name = std::filesystem::path(path(target)).filename().string() + ".";
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      std::string n = e.path().filename().string();
      if (n.size() > name.size() + 10 && n.compare(0, name.size(), name) == 0 && n.ends_with(".tmp"))
        return e.path().string();
    }
    return "";
  }

  /* While it lives, every write to a file fails as on a full disk (the
  ** process may not grow a file past its first bytes: EFBIG, the signal
  ** ignored); the limit and the signal are put back after. */
  class FullDisk {
   public:
    FullDisk() {
      getrlimit(RLIMIT_FSIZE, &old_);
      rlimit none = old_;
      none.rlim_cur = 0;
      setrlimit(RLIMIT_FSIZE, &none);
      old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FullDisk() {
      setrlimit(RLIMIT_FSIZE, &old_);
      std::signal(SIGXFSZ, old_signal_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

   private:
    rlimit old_;
    void (*old_signal_)(int);
  };
};

#endif /* PV_TESTS_OUTPUT_OUT_FIXTURE_H */
