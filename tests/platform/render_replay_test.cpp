/*
** render_replay_test.cpp: ads_invoke and the render module's c:replay:
** unknown functions and bad calls fail, missing files and other kinds
** answer nil with an error line, images are shown and remembered.
*/
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor_fixture.h"

namespace {

class ReplayTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    dir_ = std::filesystem::temp_directory_path() /
           ("pvreplay-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  /* Writes a small file in the scratch directory; its full path. */
  std::string file(const std::string& name) {
    std::string path = (dir_ / name).string();
    std::ofstream(path) << "image";
    return path;
  }

  /* Invokes c:replay with the arguments after the name; the call's
  ** answer, *type the value's type (0 when none). */
  static int replay(struct resbuf* args, int* type) {
    struct resbuf* call = ads_buildlist(RTSTR, "C:Replay", 0);
    call->rbnext = args;
    struct resbuf* value = nullptr;
    int rc = ads_invoke(call, &value);
    *type = value ? value->restype : 0;
    EXPECT_TRUE(!value || !value->rbnext);
    ads_relrb(value);
    ads_relrb(call);
    return rc;
  }

  std::filesystem::path dir_;  /* scratch directory of this test process */
};

}  // namespace

TEST_F(ReplayTest, InvokeFailsForUnknownNamesAndBadCalls) {
  struct resbuf* value = reinterpret_cast<struct resbuf*>(1);
  struct resbuf* unknown = ads_buildlist(RTSTR, "c:render", RTSTR, "x.bmp", 0);
  EXPECT_EQ(ads_invoke(unknown, &value), RTERROR);
  EXPECT_EQ(value, nullptr);
  ads_relrb(unknown);
  EXPECT_EQ(ads_invoke(nullptr, &value), RTERROR);
  struct resbuf* no_name = ads_buildlist(RTSHORT, 1, 0);
  EXPECT_EQ(ads_invoke(no_name, &value), RTERROR);
  ads_relrb(no_name);

  int type = -1;
  EXPECT_EQ(replay(nullptr, &type), RTERROR);                         /* no file */
  EXPECT_EQ(replay(ads_buildlist(RTSHORT, 3, 0), &type), RTERROR);    /* not a text */
  std::string img = file("a.bmp");
  EXPECT_EQ(replay(ads_buildlist(RTSTR, img.c_str(), RTSTR, "BMP", 0), &type), RTERROR);
  EXPECT_EQ(type, 0);
  EXPECT_TRUE(host_replayed_images().empty());
}

TEST_F(ReplayTest, MissingFilesAndOtherKindsAnswerNilWithOneErrorLine) {
  int type = 0;
  std::string missing = (dir_ / "gone.tga").string();
  EXPECT_EQ(replay(ads_buildlist(RTSTR, missing.c_str(), 0), &type), RTNORM);
  EXPECT_EQ(type, RTNIL);
  EXPECT_NE(host_io_transcript().find("\nCannot find image file " + missing + ".\n"), std::string::npos);

  for (const char* name : {"notes.txt", "scan.bmp.bak", "noext"}) {
    host_io_clear_transcript();
    std::string path = file(name);
    EXPECT_EQ(replay(ads_buildlist(RTSTR, path.c_str(), 0), &type), RTNORM) << name;
    EXPECT_EQ(type, RTNIL) << name;
    EXPECT_EQ(host_io_transcript(), "\n" + path + " is not an image file the render module reads.\n");
  }
  EXPECT_TRUE(host_replayed_images().empty());
}

TEST_F(ReplayTest, ImagesOfEveryKindAreShownAndRecordedInOrder) {
  std::vector<std::string> shown;
  for (const char* name : {"a.TGA", "b.bmp", "c.Tif", "d.tiff", "e.gif", "f.pcx", "g.jpg", "h.JPEG", "i.png"}) {
    std::string path = file(name);
    int type = 0;
    host_io_clear_transcript();
    EXPECT_EQ(replay(ads_buildlist(RTSTR, path.c_str(), 0), &type), RTNORM) << name;
    EXPECT_EQ(type, RTT) << name;
    EXPECT_EQ(host_io_transcript(), "\nReplaying image " + path + "\n");
    shown.push_back(path);
  }
  EXPECT_EQ(host_replayed_images(), shown);

  /* A plain name is searched like any file the editor looks for. */
  host_add_support_path(dir_.string());
  struct resbuf* call = ads_buildlist(RTSTR, "c:replay", RTSTR, "b.bmp", 0);
  EXPECT_EQ(ads_invoke(call, nullptr), RTNORM);
  ads_relrb(call);
  ASSERT_EQ(host_replayed_images().size(), shown.size() + 1);
  EXPECT_EQ(std::filesystem::path(host_replayed_images().back()).filename(), "b.bmp");
}
