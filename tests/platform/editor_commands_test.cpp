/*
** editor_commands_test.cpp: host commands through ads_command (with pauses
** answered from a script), user input calls, and the module's function
** table.
*/
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "arx_host.h"
#include "ase_service.h"
#include "editor_fixture.h"
#include "scratch_dir.h"

using Commands = EditorTest;
using Input = EditorTest;
using Functions = EditorTest;

/* Type of the last entity, empty when none. */
static std::string last_type() {
  ads_name e;
  if (ads_entlast(e) != RTNORM) return "";
  struct resbuf* l = ads_entget(e);
  std::string t = l->rbnext->resval.rstring;
  ads_relrb(l);
  return t;
}

TEST_F(Commands, CircleWithTwoPausesDrawsFromTheAnswers) {
  host_io_use_script_text("1,2\n4,6\n");
  ASSERT_EQ(ads_command(RTSTR, "_CIRCLE", RTSTR, PAUSE, RTSTR, PAUSE, RTNONE), RTNORM);
  struct resbuf* l = last_list();
  EXPECT_STREQ(find(l, 0)->resval.rstring, "CIRCLE");
  EXPECT_DOUBLE_EQ(find(l, 10)->resval.rpoint[0], 1);
  EXPECT_DOUBLE_EQ(find(l, 40)->resval.rreal, 5);
  ads_relrb(l);
}

TEST_F(Commands, CancelledCircleOrInsertLeavesNothingAndAnswersCancel) {
  host_io_use_script_text("1,2\n*cancel*\n");
  EXPECT_EQ(ads_command(RTSTR, "_CIRCLE", RTSTR, PAUSE, RTSTR, PAUSE, RTNONE), RTCAN);
  EXPECT_EQ(host_model_entity_count(), 0);
  ads_point o = {0, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "SYM", 10, o, 0);
  struct resbuf* ci = ads_buildlist(RTDXF0, "CIRCLE", 10, o, 40, 1.0, 0);
  struct resbuf* end = ads_buildlist(RTDXF0, "ENDBLK", 0);
  ads_entmake(blk);
  ads_entmake(ci);
  ASSERT_EQ(ads_entmake(end), RTKWORD);
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(ads_command(RTSTR, "_INSERT", RTSTR, "SYM", RTSTR, PAUSE, RTSTR, "", RTSTR, "", RTSTR, "", RTNONE), RTCAN);
  EXPECT_EQ(host_model_entity_count(), 0);
  host_io_use_script_text("");
  EXPECT_EQ(ads_command(RTSTR, "_CIRCLE", RTSTR, PAUSE, RTSTR, PAUSE, RTNONE), RTCAN) << "a dry script cancels";
  ASSERT_EQ(host_io_faults().size(), 1u);
  EXPECT_NE(host_io_faults()[0].find("script ran dry"), std::string::npos);
  for (auto* r : {blk, ci, end}) ads_relrb(r);
}

TEST_F(Commands, InsertTakesThePausedPointDefaultScalesAndARotation) {
  ads_point o = {0, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "SYM", 10, o, 0);
  struct resbuf* ci = ads_buildlist(RTDXF0, "CIRCLE", 10, o, 40, 1.0, 0);
  struct resbuf* end = ads_buildlist(RTDXF0, "ENDBLK", 0);
  ads_entmake(blk);
  ads_entmake(ci);
  ads_entmake(end);
  host_io_use_script_text("10,20\n11,21\n");
  ASSERT_EQ(ads_command(RTSTR, "_INSERT", RTSTR, "SYM", RTSTR, PAUSE, RTSTR, "", RTSTR, "", RTSTR, PAUSE, RTNONE),
            RTNORM);
  struct resbuf* l = last_list();
  EXPECT_STREQ(find(l, 2)->resval.rstring, "SYM");
  EXPECT_DOUBLE_EQ(find(l, 10)->resval.rpoint[1], 20);
  EXPECT_DOUBLE_EQ(find(l, 41)->resval.rreal, 1);
  EXPECT_NEAR(find(l, 50)->resval.rreal, M_PI / 4, 1e-12) << "rotation towards the second point";
  ads_relrb(l);
  EXPECT_EQ(ads_command(RTSTR, "_INSERT", RTSTR, "NOSUCH", RTSTR, "1,1", RTNONE), RTERROR);
  for (auto* r : {blk, ci, end}) ads_relrb(r);
}

TEST_F(Commands, BlockCommandMakesAndRedefinesABlockFromASelection) {
  ads_name a, b, ss, res;
  line(0, 0, 1, 0, a);
  line(0, 1, 1, 1, b);
  ads_ssadd(a, nullptr, ss);
  ads_ssadd(b, ss, res);
  ads_point base = {0, 0, 0};
  ASSERT_EQ(ads_command(RTSTR, "_BLOCK", RTSTR, "TWO", RTPOINT, base, RTPICKS, ss, RTSTR, "", RTNONE), RTNORM);
  ads_ssfree(ss);
  EXPECT_EQ(host_model_entity_count(), 0) << "the objects leave model space";
  struct resbuf* entry = ads_tblsearch("BLOCK", "TWO", 0);
  ASSERT_NE(entry, nullptr);
  ads_name first, second, third;
  ads_name f0 = {find(entry, -2)->resval.rlname[0], find(entry, -2)->resval.rlname[1]};
  first[0] = f0[0];
  first[1] = f0[1];
  EXPECT_EQ(ads_entnext(first, second), RTNORM);
  EXPECT_EQ(ads_entnext(second, third), RTERROR);
  ads_relrb(entry);

  ads_name c;
  circle(5, 5, 1, c);
  EXPECT_EQ(ads_command(RTSTR, "_BLOCK", RTSTR, "TWO", RTSTR, "Y", RTPOINT, base, RTENAME, c, RTPOINT, base, RTSTR,
                        "", RTNONE),
            RTNORM);
  entry = ads_tblsearch("BLOCK", "TWO", 0);
  struct resbuf* fl = ads_entget(find(entry, -2)->resval.rlname);
  EXPECT_STREQ(find(fl, 0)->resval.rstring, "CIRCLE") << "redefinition replaces the contents";
  ads_relrb(fl);
  ads_relrb(entry);
  EXPECT_EQ(ads_entget(first), nullptr) << "the former contents are gone, not found by their handles";
  EXPECT_EQ(ads_entnext(first, second), RTERROR);
}

TEST_F(Commands, HatchMakesAHatchOfTheClosedBoundaryAndEntlastFindsIt) {
  ads_name c, ss;
  circle(0, 0, 3, c);
  ads_ssadd(c, nullptr, ss);
  ASSERT_EQ(ads_command(RTSTR, "_HATCH", RTSTR, "ANSI31", RTREAL, 2.0, RTREAL, 45.0, RTPICKS, ss, RTSTR, "", RTNONE),
            RTNORM);
  ads_ssfree(ss);
  ads_name h;
  ads_entlast(h);
  struct resbuf* l = ads_entget(h);
  EXPECT_STREQ(find(l, 0)->resval.rstring, "HATCH");
  EXPECT_STREQ(find(l, 2)->resval.rstring, "ANSI31");
  EXPECT_DOUBLE_EQ(find(l, 41)->resval.rreal, 2);
  // The whole list given back (as a link is added) keeps the groups in their
  // order: the boundary's centre stays in its path, after 91 and 92.
  auto codes = [](const struct resbuf* r) {
    std::vector<int> v;
    for (; r; r = r->rbnext) v.push_back(r->restype);
    return v;
  };
  std::vector<int> before = codes(l);
  EXPECT_EQ(ads_entmod(l), RTNORM);
  ads_relrb(l);
  l = ads_entget(h);
  EXPECT_EQ(codes(l), before) << "a hatch given back whole keeps the reference order of its groups";
  ads_relrb(l);
  struct resbuf* mod = ads_buildlist(-1, h, 8, "FILL", 62, 3, 0);
  EXPECT_EQ(ads_entmod(mod), RTNORM) << "a hatch's layer and colour can be changed";
  ads_relrb(mod);

  ads_name open_line, ss2;
  line(0, 0, 1, 1, open_line);
  ads_ssadd(open_line, nullptr, ss2);
  EXPECT_EQ(ads_command(RTSTR, "_HATCH", RTSTR, "ANSI31", RTREAL, 1.0, RTREAL, 0.0, RTPICKS, ss2, RTSTR, "", RTNONE),
            RTERROR);
  EXPECT_EQ(last_type(), "LINE");
  ads_ssfree(ss2);
}

/* Makes a POLYLINE with closed flag 0 through the given points; its name. */
static void polyline(const std::vector<std::array<double, 2>>& pts, ads_name out) {
  struct resbuf* head = ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 70, 0, 0);
  ASSERT_EQ(ads_entmake(head), RTNORM);
  ads_relrb(head);
  for (const auto& p : pts) {
    ads_point q = {p[0], p[1], 0};
    struct resbuf* v = ads_buildlist(RTDXF0, "VERTEX", 10, q, 0);
    ASSERT_EQ(ads_entmake(v), RTNORM);
    ads_relrb(v);
  }
  struct resbuf* end = ads_buildlist(RTDXF0, "SEQEND", 0);
  ASSERT_EQ(ads_entmake(end), RTNORM);
  ads_relrb(end);
  ASSERT_EQ(ads_entlast(out), RTNORM);
}

TEST_F(Commands, HatchTakesAPolylineClosedByRepeatingItsFirstVertexButNotAnOpenOne) {
  ads_name ring, ss;
  polyline({{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}}, ring);
  ads_ssadd(ring, nullptr, ss);
  ASSERT_EQ(ads_command(RTSTR, "_HATCH", RTSTR, "ANSI31", RTREAL, 1.0, RTREAL, 0.0, RTPICKS, ss, RTSTR, "", RTNONE),
            RTNORM);
  ads_ssfree(ss);
  struct resbuf* l = last_list();
  EXPECT_STREQ(find(l, 0)->resval.rstring, "HATCH");
  EXPECT_EQ(find(l, 93)->resval.rlong, 4) << "the repeated first vertex is one corner, not two";
  ads_relrb(l);

  ads_name open, ss2;
  polyline({{0, 0}, {4, 0}, {4, 3}, {0, 3}}, open);
  ads_ssadd(open, nullptr, ss2);
  EXPECT_EQ(ads_command(RTSTR, "_HATCH", RTSTR, "ANSI31", RTREAL, 1.0, RTREAL, 0.0, RTPICKS, ss2, RTSTR, "", RTNONE),
            RTERROR);
  ads_ssfree(ss2);
}

TEST_F(Commands, LoadMakesAShapeFileStyleOnce) {
  pv_scratch_dir scratch("pv_plat_load_");
  const std::filesystem::path& dir = scratch.path();
  std::ofstream(dir / "PVSYM.SHX") << "AutoCAD-86 shapes 1.0\r\n\x1a";
  host_add_support_path(dir.string());
  EXPECT_EQ(ads_command(RTSTR, "_LOAD", RTSTR, "nosuchlib", RTNONE), RTERROR);
  ASSERT_EQ(ads_command(RTSTR, "_LOAD", RTSTR, "pvsym", RTNONE), RTNORM);
  ASSERT_EQ(ads_command(RTSTR, "_LOAD", RTSTR, "pvsym", RTNONE), RTNORM);
  int shape_styles = 0;
  for (struct resbuf* s = ads_tblnext("STYLE", 1); s; s = ads_tblnext("STYLE", 0)) {
    if (find(s, 70)->resval.rint & 1) {
      ++shape_styles;
      EXPECT_STREQ(find(s, 3)->resval.rstring, "pvsym");
    }
    ads_relrb(s);
  }
  EXPECT_EQ(shape_styles, 1);
  ads_point p = {0, 0, 0};
  struct resbuf* shp = ads_buildlist(RTDXF0, "SHAPE", 10, p, 40, 1.0, 2, "S1", 0);
  EXPECT_EQ(ads_entmake(shp), RTNORM) << "a shape needs a loaded shape file";
  ads_relrb(shp);
}

TEST_F(Commands, EraseTakesAnEntityWithItsPickPointAndRedrawClearsVectors) {
  ads_name a, b;
  line(0, 0, 1, 0, a);
  line(0, 5, 1, 5, b);
  ads_point pick = {0.5, 0, 0};
  ASSERT_EQ(ads_command(RTSTR, "_ERASE", RTENAME, a, RTPOINT, pick, RTSTR, "", RTNONE), RTNORM);
  EXPECT_EQ(ads_entget(a), nullptr);
  EXPECT_EQ(host_model_entity_count(), 1);
  ads_point f = {0, 0, 0}, t = {1, 1, 0};
  ads_grdraw(f, t, -1, 0);
  EXPECT_EQ(host_temp_vectors().size(), 1u);
  EXPECT_EQ(ads_command(RTSTR, "_REDRAW", RTNONE), RTNORM);
  EXPECT_TRUE(host_temp_vectors().empty());
  EXPECT_EQ(ads_command(RTSTR, "_NOSUCHCMD", RTNONE), RTERROR);
}

/* At the terminal "*cancel*" cancels the question, as in a script; the
** end of the input cancels every question after it. */
TEST_F(Input, TypedCancelWordCancelsAtTheTerminal) {
  std::istringstream typed("*cancel*\n1,2\n");
  std::streambuf* keyboard = std::cin.rdbuf(typed.rdbuf());
  host_io_use_terminal();
  ads_point r;
  EXPECT_EQ(ads_getpoint(nullptr, "Point: ", r), RTCAN);
  EXPECT_EQ(ads_getpoint(nullptr, "Point: ", r), RTNORM);
  EXPECT_DOUBLE_EQ(r[1], 2);
  EXPECT_EQ(ads_getpoint(nullptr, "Point: ", r), RTCAN);
  std::cin.rdbuf(keyboard);
  std::cin.clear();
  host_io_use_script_text("");
}

TEST_F(Input, PointsKeywordsAndReturn) {
  host_io_use_script_text("1,2\n@3,4\nU\n\nnonsense\n7,8,9\n*cancel*\n");
  ads_point p, base = {10, 10, 0};
  EXPECT_EQ(ads_getpoint(nullptr, "\nFirst: ", p), RTNORM);
  EXPECT_EQ(p[0], 1);
  EXPECT_EQ(ads_getpoint(base, "\nNext: ", p), RTNORM);
  EXPECT_EQ(p[0], 13);
  EXPECT_EQ(p[1], 14);
  ads_initget(40, "Undo");
  EXPECT_EQ(ads_getpoint(base, "\nNext or <U>ndo: ", p), RTKWORD);
  char kw[ADS_INPUT_MAX];
  ads_getinput(kw);
  EXPECT_STREQ(kw, "Undo");
  EXPECT_EQ(ads_getpoint(nullptr, "\nNext: ", p), RTNONE);
  EXPECT_EQ(ads_getpoint(nullptr, "\nNext: ", p), RTNORM) << "a bad answer is asked again";
  EXPECT_EQ(p[2], 9);
  EXPECT_NE(host_io_transcript().find("Invalid point."), std::string::npos);
  EXPECT_EQ(ads_getpoint(nullptr, "\nNext: ", p), RTCAN);
}

TEST_F(Input, NumbersKeywordsTextsAndFiles) {
  host_io_use_script_text("0\n40000\n-3\n2.5\nye\nxyz\nN\nhello world\nhello world\nrocks\n\n");
  int i;
  ads_initget(RSG_NOZERO, nullptr);
  EXPECT_EQ(ads_getint("Int: ", &i), RTNORM) << "zero and out-of-range answers are asked again";
  EXPECT_EQ(i, -3);
  ads_real r;
  EXPECT_EQ(ads_getreal("Real: ", &r), RTNORM);
  EXPECT_EQ(r, 2.5);
  char buf[ADS_INPUT_MAX];
  ads_initget(0, "Yes No");
  EXPECT_EQ(ads_getkword("Yes/No: ", buf), RTNORM);
  EXPECT_STREQ(buf, "Yes");
  ads_initget(0, "Yes No");
  EXPECT_EQ(ads_getkword("Yes/No: ", buf), RTNORM);
  EXPECT_STREQ(buf, "No");
  EXPECT_EQ(ads_getstring(1, "Text: ", buf), RTNORM);
  EXPECT_STREQ(buf, "hello world");
  EXPECT_EQ(ads_getstring(0, "Word: ", buf), RTNORM);
  EXPECT_STREQ(buf, "hello");
  struct resbuf f;
  EXPECT_EQ(ads_getfiled("Find Profile", "", "dbf", 18, &f), RTNORM);
  EXPECT_STREQ(f.resval.rstring, "rocks.dbf");
  free(f.resval.rstring);
  EXPECT_EQ(ads_getfiled("Find Profile", "", "dbf", 18, &f), RTCAN);
  host_io_use_script_text("rocks\n\n");
  EXPECT_EQ(ads_getfiled("Find Profile", "C:\\PROJ\\", "dbf", 18, &f), RTNORM);
  EXPECT_STREQ(f.resval.rstring, "C:\\PROJ\\rocks.dbf") << "a bare name is taken from the start directory";
  free(f.resval.rstring);
  EXPECT_EQ(ads_getfiled("Find Profile", "C:\\PROJ\\", "dbf", 18, &f), RTCAN);
  host_io_use_script_text("go\n\n");
  EXPECT_EQ(ads_getkword("Press RETURN to continue...", buf), RTNONE) << "without keywords only RETURN ends it";
}

TEST_F(Input, EntselPicksByHandleLastOrPointAndRefusesAMiss) {
  ads_name a, got;
  line(0, 0, 10, 0, a);
  host_io_use_script_text("last\n50,50\n5,0.2\n\n");
  ads_point pt;
  EXPECT_EQ(ads_entsel("\nSelect: ", got, pt), RTNORM);
  EXPECT_EQ(got[0], a[0]);
  EXPECT_EQ(ads_entsel("\nSelect: ", got, pt), RTERROR);
  EXPECT_EQ(ads_entsel("\nSelect: ", got, pt), RTNORM);
  EXPECT_EQ(pt[0], 5);
  EXPECT_EQ(ads_entsel("\nSelect: ", got, pt), RTERROR);
}

TEST_F(Input, TextScreenKeepsPrintsPromptsAndAlerts) {
  ads_printf("\rPlotting... %ld", 12L);
  ads_prompt("\nNext: ");
  ads_alert("Cannot register PETRIVEX as an AutoCAD application.");
  const std::string& t = host_io_transcript();
  EXPECT_NE(t.find("\rPlotting... 12"), std::string::npos);
  EXPECT_NE(t.find("\nNext: "), std::string::npos);
  EXPECT_NE(t.find("Cannot register PETRIVEX"), std::string::npos);
  // A long text is printed whole, up to 65,535 characters.
  std::string long_text(600, 'x'), huge(70000, 'y');
  ads_printf("\n%s|", long_text.c_str());
  EXPECT_EQ(t.substr(t.size() - 602), "\n" + long_text + "|");
  size_t before = t.size();
  ads_printf("%s", huge.c_str());
  EXPECT_EQ(t.size() - before, 65535u);
  ads_point a = {0, 0, 0}, b = {1, 0, 0};
  ads_grdraw(a, b, -1, 1);
  ads_grdraw(b, a, -1, 1);
  EXPECT_TRUE(host_temp_vectors().empty()) << "drawing a complement vector twice erases it";
}

/* A module entry that records the code and arguments it was given. */
static int g_seen_code = -1;
static std::string g_seen_arg;
static int test_entry(int msg, void*) {
  if (msg != HOST_MSG_INVOKE) return 0;
  g_seen_code = ads_getfuncode();
  struct resbuf* args = ads_getargs();
  g_seen_arg = args && args->restype == RTSTR ? args->resval.rstring : "";
  ads_relrb(args);
  if (g_seen_code == 3) ads_retstr("done");
  else ads_rett();
  return 0;
}

TEST_F(Functions, InvokeSetsTheCodeAndArgumentsAndReturnsTheValue) {
  host_register_module("pvx14.arx", test_entry);
  ASSERT_EQ(ads_defun("c:pv-open", 0), RTNORM);
  ASSERT_EQ(ads_defun("pv_open", 3), RTNORM);
  EXPECT_EQ(ads_defun("", 4), RTERROR);
  struct resbuf* args = ads_buildlist(RTSTR, "GEO", 0);
  struct resbuf* result = nullptr;
  EXPECT_EQ(host_invoke_function("PV_OPEN", args, &result), 0);
  EXPECT_EQ(g_seen_code, 3);
  EXPECT_EQ(g_seen_arg, "GEO");
  ASSERT_NE(result, nullptr);
  EXPECT_STREQ(result->resval.rstring, "done");
  ads_relrb(result);
  EXPECT_EQ(host_invoke_function("c:pv-open", nullptr, &result), 0);
  EXPECT_EQ(result->restype, RTT);
  ads_relrb(result);
  EXPECT_EQ(ads_undef("pv_open", 1), RTERROR) << "wrong code";
  EXPECT_EQ(ads_undef("pv_open", 3), RTNORM);
  EXPECT_EQ(host_invoke_function("pv_open", args, &result), RTERROR);
  EXPECT_EQ(ads_getfuncode(), RTERROR) << "outside a call there is no code";
  ads_relrb(args);
  ads_undef("c:pv-open", 0);
}

static bool load_myapp() { return true; }

TEST_F(Functions, EnvironmentFilesAndApplications) {
  char buf[ADS_PATH_MAX];
  EXPECT_EQ(ads_agetenv("ACAD", buf), RTERROR);
  host_set_env("ACAD", "/support");
  EXPECT_EQ(ads_agetenv("acad", buf), RTNORM);
  EXPECT_STREQ(buf, "/support");
  {
    pv_scratch_dir scratch("pv_plat_find_");
    std::ofstream(scratch.path() / "Petrivex.DCL") << "x";
    host_add_support_path(scratch.path().string());
    ASSERT_EQ(ads_findfile("PETRIVEX.DCL", buf), RTNORM) << "names are found in any case";
    EXPECT_EQ(std::filesystem::path(buf).filename(), "Petrivex.DCL");
    EXPECT_EQ(ads_findfile("NOSUCHFILE.XYZ", buf), RTERROR);
  }

  host_register_module("pvx14.arx", test_entry);
  EXPECT_EQ(ads_arxload("myapp"), RTERROR);
  host_register_arx_app("MYAPP", load_myapp);
  EXPECT_EQ(ads_arxload("myapp"), RTNORM);
  EXPECT_EQ(ads_arxload("c:\\acad\\myapp.arx"), RTERROR) << "already loaded";
  struct resbuf* apps = ads_arxloaded();
  ASSERT_NE(apps, nullptr);
  EXPECT_STREQ(apps->resval.rstring, "pvx14.arx");
  ASSERT_NE(apps->rbnext, nullptr);
  EXPECT_STREQ(apps->rbnext->resval.rstring, "myapp");
  ads_relrb(apps);
  EXPECT_FALSE(acrxServiceIsRegistered("Ase_Services"));
  EXPECT_EQ(ads_arxload("ase"), RTNORM) << "the editor's own link-store application is always known";
  EXPECT_TRUE(acrxServiceIsRegistered("Ase_Services"));
  void* p = acad_malloc(10);
  EXPECT_NE(p, nullptr);
  acad_free(p);
  EXPECT_NE(std::string(acrxProductKey()).find("R14.0"), std::string::npos);
}
