/*
** editor_dxf_test.cpp: drawings saved as ASCII DXF come back the same
** (entities, blocks with anonymous names and ATTDEFs, extended data,
** handles, POLYLINE sequences, system variables), an independent reader
** (ezdxf, through dxf_audit.py) accepts them, and damaged files are
** refused without touching the open drawing.
*/
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor_fixture.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

class Dxf : public EditorTest {
 protected:
  fs::path dir;
  void SetUp() override {
    EditorTest::SetUp();
    dir = pv_make_scratch_dir("pv_platform_dxf_");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    EditorTest::TearDown();
  }

  /* Fills the drawing with one of everything the module makes. */
  static void populate() {
    ads_regapp("PETRIVEX");
    ads_point o = {0, 0, 0}, p = {10, 5, 0}, q = {3, 4, 0};
    struct resbuf* lists[] = {
        ads_buildlist(RTDXF0, "LINE", 8, "GEOLOGY", 10, o, 11, p, 62, 3, -3, 1001, "PETRIVEX", 1000, "GEO", 1000,
                      "STATION", 1071, 42, 1000, "STATION", 1000, "ST-1\nsecond line ^ caret", 1000, "", 0),
        ads_buildlist(RTDXF0, "TEXT", 10, q, 40, 2.5, 1, "Sample 7", 50, 0.5, 7, "STANDARD", 0),
        ads_buildlist(RTDXF0, "ARC", 10, o, 40, 3.0, 50, 0.25, 51, 2.0, 0),
        ads_buildlist(RTDXF0, "BLOCK", 2, "*PETRIVEX_PARAMS", 70, 1, 10, o, 0),
        ads_buildlist(RTDXF0, "ATTDEF", 10, o, 40, 1.0, 1, "PETRIVEX_PARAMS", 3, "NAME", 2, "NAME", 70, 13, 0),
        ads_buildlist(RTDXF0, "ATTDEF", 10, o, 40, 1.0, 1, "1.000000", 3, "SCALE", 2, "SCALE", 70, 13, 0),
        ads_buildlist(RTDXF0, "ENDBLK", 0),
        ads_buildlist(RTDXF0, "BLOCK", 2, "PETRIVEX_SYMBOL", 70, 0, 10, o, 0),
        ads_buildlist(RTDXF0, "CIRCLE", 10, o, 40, 1.0, 0),
        ads_buildlist(RTDXF0, "ENDBLK", 0),
        ads_buildlist(RTDXF0, "INSERT", 2, "PETRIVEX_SYMBOL", 10, p, 41, 2.0, 42, 2.0, 43, 2.0, 50, 1.0, 0),
        ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, o, 70, 1, 0),
        ads_buildlist(RTDXF0, "VERTEX", 10, o, 0),
        ads_buildlist(RTDXF0, "VERTEX", 10, p, 0),
        ads_buildlist(RTDXF0, "VERTEX", 10, q, 0),
        ads_buildlist(RTDXF0, "SEQEND", 0),
        ads_buildlist(RTDXF0, "LWPOLYLINE", 90, 3, 70, 1, 10, o, 10, p, 10, q, 0),
    };
    for (auto* l : lists) {
      ASSERT_NE(l, nullptr);
      int rc = ads_entmake(l);
      EXPECT_TRUE(rc == RTNORM || rc == RTKWORD);
      ads_relrb(l);
    }
    ads_name c, ss;
    ads_point far = {40, 40, 0};
    struct resbuf* cl = ads_buildlist(RTDXF0, "CIRCLE", 10, far, 40, 2.0, 0);
    ads_entmakex(cl, c);
    ads_relrb(cl);
    ads_ssadd(c, nullptr, ss);
    ASSERT_EQ(ads_command(RTSTR, "_HATCH", RTSTR, "ANSI31", RTREAL, 1.0, RTREAL, 0.0, RTPICKS, ss, RTSTR, "", RTNONE),
              RTNORM);
    ads_ssfree(ss);
    struct resbuf v;
    v.restype = RTREAL;
    v.resval.rreal = M_PI / 2;
    ads_setvar("ANGBASE", &v);
    v.restype = RTSHORT;
    v.resval.rint = 1;
    ads_setvar("ANGDIR", &v);
  }

  /* Runs the independent reader's audit (plain and recover mode) over a
  ** saved drawing; answers its exit status, its report in *report. */
  int audit(const std::string& path, std::string* report) {
    std::string out = path + ".audit.txt";  /* one per drawing: tests run side by side */
    std::string cmd = "/usr/bin/python3 " + std::string(PV_TEST_DATA_DIR) + "/platform/dxf_audit.py " + path + " > " +
                      out + " 2>&1";
    int rc = std::system(cmd.c_str());
    std::ifstream f(out);
    std::stringstream text;
    text << f.rdbuf();
    *report = text.str();
    return rc;
  }

  /* Every entity of model space and of every block, as text with
  ** extended data of all applications. */
  static std::string dump() {
    std::ostringstream o;
    struct resbuf* all = ads_buildlist(RTSTR, "*", 0);
    auto one = [&](ads_name e) {
      struct resbuf* l = ads_entgetx(e, all);
      for (auto* r = l; r; r = r->rbnext) {
        o << r->restype << "=";
        switch (r->restype) {
          case -1: case -2: o << r->resval.rlname[0]; break;
          default:
            if ((r->restype >= 0 && r->restype <= 9) || (r->restype >= 1000 && r->restype <= 1003))
              o << r->resval.rstring;
            else if ((r->restype >= 10 && r->restype <= 39))
              o << r->resval.rpoint[0] << "," << r->resval.rpoint[1] << "," << r->resval.rpoint[2];
            else if (r->restype >= 40 && r->restype <= 59)
              o << r->resval.rreal;
            else if (r->restype == 1071 || (r->restype >= 90 && r->restype <= 99))
              o << r->resval.rlong;
            else
              o << r->resval.rint;
        }
        o << " ";
      }
      o << "\n";
      ads_relrb(l);
    };
    ads_name e, n;
    for (int ok = ads_entnext(nullptr, e); ok == RTNORM; ok = ads_entnext(e, n), e[0] = n[0], e[1] = n[1]) one(e);
    for (struct resbuf* b = ads_tblnext("BLOCK", 1); b; b = ads_tblnext("BLOCK", 0)) {
      o << "block " << b->rbnext->resval.rstring << "\n";
      for (auto* r = b; r; r = r->rbnext)
        if (r->restype == -2) {
          ads_name f = {r->resval.rlname[0], r->resval.rlname[1]};
          for (int ok = RTNORM; ok == RTNORM; ok = ads_entnext(f, n), f[0] = n[0], f[1] = n[1]) one(f);
        }
      ads_relrb(b);
    }
    ads_relrb(all);
    return o.str();
  }
};

TEST_F(Dxf, RoundTripBringsBackEntitiesBlocksExtendedDataAndHandles) {
  populate();
  std::string before = dump();
  ads_name last_before;
  ads_entlast(last_before);
  std::string err, path = (dir / "round.dxf").string();
  ASSERT_TRUE(host_save_drawing(path, err)) << err;
  host_new_drawing();
  EXPECT_EQ(host_model_entity_count(), 0);
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(dump(), before);
  ads_name last_after;
  ads_entlast(last_after);
  EXPECT_EQ(last_after[0], last_before[0]) << "names stay valid across save and load";
  struct resbuf v;
  ads_getvar("ANGBASE", &v);
  EXPECT_NEAR(v.resval.rreal, M_PI / 2, 1e-12);
  ads_getvar("ANGDIR", &v);
  EXPECT_EQ(v.resval.rint, 1);
  ASSERT_EQ(ads_regapp("PETRIVEX"), RTERROR) << "the application stays registered";

  /* The polyline read back heads its vertices: they go and come back with it. */
  ads_name pl = {0, 0}, e, n;
  auto vertices = [&] {
    int count = 0;
    for (int ok = ads_entnext(nullptr, e); ok == RTNORM; ok = ads_entnext(e, n), e[0] = n[0], e[1] = n[1]) {
      struct resbuf* l = ads_entget(e);
      std::string type = find(l, 0)->resval.rstring;
      ads_relrb(l);
      if (type == "POLYLINE") pl[0] = e[0], pl[1] = e[1];
      count += type == "VERTEX";
    }
    return count;
  };
  EXPECT_EQ(vertices(), 3);
  ASSERT_EQ(ads_entdel(pl), RTNORM);
  EXPECT_EQ(vertices(), 0);
  ASSERT_EQ(ads_entdel(pl), RTNORM);
  EXPECT_EQ(vertices(), 3);

  /* New entities get handles above every loaded one. */
  ads_name fresh;
  line(0, 0, 1, 1, fresh);
  EXPECT_GT(fresh[0], last_before[0]);
}

TEST_F(Dxf, AnIndependentReaderAuditsTheSavedDrawingWithoutError) {
  populate();
  std::string err, path = (dir / "audit.dxf").string();
  ASSERT_TRUE(host_save_drawing(path, err)) << err;
  std::string report;
  EXPECT_EQ(audit(path, &report), 0) << report;
  EXPECT_NE(report.find("HATCH#"), std::string::npos) << report;
  EXPECT_NE(report.find("*U1"), std::string::npos) << report;
  EXPECT_NE(report.find("xdata:"), std::string::npos) << report;
}

/* Drawings of other writers that open only after a mend: each is opened,
** saved, reopened with the same entities and audited clean. */
TEST_F(Dxf, DrawingsMendedOnOpenAreSavedInAFormThatReopensAndAuditsClean) {
  const std::string head = "0\nSECTION\n2\nENTITIES\n";
  const std::string polyline =
      "0\nPOLYLINE\n8\nROCKS\n66\n1\n10\n0\n20\n0\n30\n0\n0\nVERTEX\n8\nROCKS\n10\n1\n20\n1\n30\n0\n"
      "0\nVERTEX\n8\nROCKS\n10\n2\n20\n0\n30\n0\n";
  const std::string line = "0\nLINE\n10\n0\n20\n0\n30\n0\n11\n5\n21\n5\n31\n0\n";
  const std::string tail = "0\nENDSEC\n0\nEOF\n";
  struct {
    const char* what;
    std::string text;
    int entities;  /* model-space entities after the mend (sequence heads only) */
    int closed;    /* sequences the open closes */
    bool audited;  /* false: the independent reader flags even its own R12 block polylines */
  } cases[] = {
      {"polyline open at ENDSEC", head + polyline + tail, 1, 1, true},
      {"polyline open at ENDSEC, then a second ENTITIES section", head + polyline + tail.substr(0, 9) + head + line + tail,
       2, 1, true},
      {"two ENTITIES sections", head + line + tail.substr(0, 9) + head + line + tail, 2, 0, true},
      {"polyline closed in a block",
       "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nSYM\n70\n0\n10\n0\n20\n0\n30\n0\n" + polyline +
           "0\nSEQEND\n0\nENDBLK\n0\nENDSEC\n" + head + "0\nINSERT\n2\nSYM\n10\n0\n20\n0\n30\n0\n" + tail,
       1, 0, false},
      {"polyline open at ENDBLK",
       "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nSYM\n70\n0\n10\n0\n20\n0\n30\n0\n" + polyline +
           "0\nENDBLK\n0\nENDSEC\n" + head + "0\nINSERT\n2\nSYM\n10\n0\n20\n0\n30\n0\n" + tail,
       1, 1, false},
  };
  for (auto& c : cases) {
    std::string path = (dir / "foreign_mend.dxf").string(), again = (dir / "mended.dxf").string(), err;
    std::ofstream(path, std::ios::binary) << c.text;
    host_io_clear_transcript();
    ASSERT_TRUE(host_open_drawing(path, err)) << c.what << ": " << err;
    EXPECT_EQ(host_model_entity_count(), c.entities) << c.what;
    size_t said = host_io_transcript().find("without SEQEND closed");
    EXPECT_EQ(said != std::string::npos, c.closed > 0) << c.what << ": " << host_io_transcript();
    std::string before = dump();
    ASSERT_TRUE(host_save_drawing(again, err)) << c.what << ": " << err;
    host_new_drawing();
    host_io_clear_transcript();
    ASSERT_TRUE(host_open_drawing(again, err)) << c.what << ": the saved drawing reopens: " << err;
    EXPECT_EQ(dump(), before) << c.what;
    EXPECT_EQ(host_io_transcript().find("SEQEND"), std::string::npos) << c.what << ": nothing left to mend";
    std::string report;
    if (c.audited) { EXPECT_EQ(audit(again, &report), 0) << c.what << ": " << report; }
  }
}

/* Group-code lines that are not a plain integer are refused with their
** line number, never read as some other code. */
TEST_F(Dxf, GroupCodeLineThatIsNoPlainIntegerIsRefusedWithItsLineNumber) {
  struct {
    const char* what;
    std::string code;
  } cases[] = {
      {"NUL byte", std::string("\0", 1)},
      {"NUL after digits", std::string("0\0junk", 6)},
      {"blanks only", "   "},
      {"sign only", " - "},
      {"digits and letters", "10x"},
  };
  for (auto& c : cases) {
    std::string text = "0\nSECTION\n2\nENTITIES\n" + c.code + "\nLINE\n0\nENDSEC\n0\nEOF\n";
    std::string path = (dir / "badcode.dxf").string(), err;
    std::ofstream(path, std::ios::binary) << text;
    EXPECT_FALSE(host_open_drawing(path, err)) << c.what;
    EXPECT_NE(err.find("line 5:"), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(err.find('\0'), std::string::npos) << c.what << ": the message shows the NUL, not cut at it";
  }
  std::string path = (dir / "goodcode.dxf").string(), err;
  std::ofstream(path, std::ios::binary) << "  0\nSECTION\n  2\nENTITIES\n  0 \nENDSEC\n0\nEOF\n";
  EXPECT_TRUE(host_open_drawing(path, err)) << "codes padded with blanks stay readable: " << err;
}

TEST_F(Dxf, DamagedFilesAreRefusedAndTheDrawingIsKept) {
  populate();
  std::string err, path = (dir / "good.dxf").string();
  ASSERT_TRUE(host_save_drawing(path, err)) << err;
  std::stringstream whole;
  whole << std::ifstream(path).rdbuf();
  std::string text = whole.str();
  std::string before = dump();

  std::string dup = text;
  size_t h = dup.find("\n5\n", dup.find("ENTITIES"));
  size_t h2 = dup.find("\n5\n", h + 3);
  std::string first_handle = dup.substr(h + 3, dup.find('\n', h + 3) - h - 3);
  dup.replace(h2 + 3, dup.find('\n', h2 + 3) - h2 - 3, first_handle);
  struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"truncated", text.substr(0, text.size() / 2)},
      {"no EOF", text.substr(0, text.rfind("EOF"))},
      {"bad group code", "0\nSECTION\n2\nENTITIES\nX1\nLINE\n0\nENDSEC\n0\nEOF\n"},
      {"point without Y", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1.0\n30\n0\n0\nENDSEC\n0\nEOF\n"},
      {"bad real", "0\nSECTION\n2\nENTITIES\n0\nCIRCLE\n40\nabc\n0\nENDSEC\n0\nEOF\n"},
      {"vertex alone", "0\nSECTION\n2\nENTITIES\n0\nVERTEX\n10\n1\n20\n1\n0\nENDSEC\n0\nEOF\n"},
      {"duplicate handle", dup},
      {"empty", ""},
  };
  for (auto& c : cases) {
    std::string bad = (dir / "bad.dxf").string();
    std::ofstream(bad, std::ios::binary) << c.text;
    err.clear();
    EXPECT_FALSE(host_open_drawing(bad, err)) << c.what;
    EXPECT_FALSE(err.empty()) << c.what;
    EXPECT_EQ(dump(), before) << c.what;
  }
  EXPECT_FALSE(host_open_drawing((dir / "missing.dxf").string(), err));
  EXPECT_FALSE(host_save_drawing((dir / "no_such_dir" / "x.dxf").string(), err));
}

TEST_F(Dxf, ReadsDrawingsWrittenByAnIndependentWriterAndSavesEveryEntityForIt) {
  struct {
    const char* version;
    int entities;
  } cases[] = {{"R12", 5}, {"R2000", 7}, {"R2013", 7}, {"R2018", 7}};
  for (auto& c : cases) {
    std::string path = (dir / (std::string("foreign_") + c.version + ".dxf")).string();
    std::string cmd = "/usr/bin/python3 " + std::string(PV_TEST_DATA_DIR) + "/platform/dxf_foreign.py " + c.version +
                      " " + path;
    ASSERT_EQ(std::system(cmd.c_str()), 0) << c.version;
    std::string err;
    ASSERT_TRUE(host_open_drawing(path, err)) << c.version << ": " << err;
    EXPECT_EQ(host_model_entity_count(), c.entities) << c.version;
    ads_name first;
    ASSERT_EQ(ads_entnext(nullptr, first), RTNORM);
    struct resbuf* app = ads_buildlist(RTSTR, "PETRIVEX", 0);
    struct resbuf* l = ads_entgetx(first, app);
    EXPECT_STREQ(find(l, 8)->resval.rstring, "GEOLOGY") << c.version;
    ASSERT_NE(find(l, 1071), nullptr) << c.version;
    EXPECT_EQ(find(l, 1071)->resval.rlong, 42);
    ads_relrb(l);
    ads_relrb(app);
    struct resbuf* sym = ads_tblsearch("BLOCK", "SYM", 0);
    EXPECT_NE(sym, nullptr);
    ads_relrb(sym);
    struct resbuf* text = nullptr;
    ads_name e, n;
    for (int ok = RTNORM; ok == RTNORM; ok = ads_entnext(first, n), first[0] = n[0], first[1] = n[1]) {
      struct resbuf* x = ads_entget(first);
      if (std::string(find(x, 0)->resval.rstring) == "TEXT") text = x;
      else ads_relrb(x);
    }
    ASSERT_NE(text, nullptr);
    EXPECT_NEAR(find(text, 50)->resval.rreal, M_PI / 2, 1e-9) << "degrees in the file, radians in the drawing";
    ads_relrb(text);
    (void)e;
    /* Saved again, the independent reader takes every entity, MTEXT too. */
    std::string saved = (dir / (std::string("saved_") + c.version + ".dxf")).string(), report;
    ASSERT_TRUE(host_save_drawing(saved, err)) << err;
    EXPECT_EQ(audit(saved, &report), 0) << c.version << "\n" << report;
    const size_t at = report.find("entities:");
    ASSERT_NE(at, std::string::npos) << report;
    std::string listed = report.substr(at, report.find('\n', at) - at);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '#'), c.entities) << c.version << "\n" << report;
    EXPECT_NE(report.find("blocks: SYM"), std::string::npos) << report;
  }
}

TEST_F(Dxf, HostVariablesAreSetAndReadAsText) {
  std::string err;
  EXPECT_TRUE(host_set_var("ACADVER", "13.0", err));
  EXPECT_EQ(host_get_var("acadver"), "13.0");
  EXPECT_TRUE(host_set_var("CMDECHO", "0", err));
  EXPECT_EQ(host_get_var("CMDECHO"), "0");
  EXPECT_FALSE(host_set_var("CMDECHO", "0.5", err));
  EXPECT_FALSE(host_set_var("HPSCALE", "-1", err));
  EXPECT_FALSE(host_set_var("NOSUCH", "1", err));
  EXPECT_EQ(host_get_var("NOSUCH"), "");
}

TEST_F(Dxf, EveryDamagedLineOfAGoodFileIsRefusedOrReadWithoutACrash) {
  populate();
  std::string err, path = (dir / "mutate_src.dxf").string();
  ASSERT_TRUE(host_save_drawing(path, err)) << err;
  std::stringstream whole;
  whole << std::ifstream(path).rdbuf();
  std::vector<std::string> lines;
  for (std::string l; std::getline(whole, l);) lines.push_back(l);
  const char* junk[] = {"", "-", "1e999", "nan", "0", "ENDSEC", "EOF", "99999999", "SEQEND"};
  std::string bad = (dir / "mutated.dxf").string();
  int refused = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::ofstream out(bad, std::ios::binary);
    for (size_t k = 0; k < lines.size(); ++k) out << (k == i ? junk[i % 9] : lines[k]) << "\n";
    out.close();
    host_new_drawing();
    if (!host_open_drawing(bad, err)) {
      ++refused;
      EXPECT_EQ(host_model_entity_count(), 0) << "line " << i;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST_F(Dxf, ObjectsWithoutHandlesGetFreshOnesThatClashWithNone) {
  std::string text =
      "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\nROCKS\n70\n0\n62\n1\n6\nCONTINUOUS\n"
      "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB1\n70\n0\n10\n0\n20\n0\n30\n0\n"
      "0\nPOINT\n10\n1\n20\n1\n30\n0\n0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n"
      "0\nLINE\n8\nROCKS\n10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n"
      "0\nCIRCLE\n5\n30\n10\n0\n20\n0\n30\n0\n40\n1\n0\nENDSEC\n0\nEOF\n";
  std::string path = (dir / "nohandles.dxf").string(), err;
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(host_model_entity_count(), 2);
  std::string again = (dir / "nohandles_saved.dxf").string();
  ASSERT_TRUE(host_save_drawing(again, err)) << err;
  ASSERT_TRUE(host_open_drawing(again, err)) << err;
  EXPECT_EQ(host_model_entity_count(), 2);
  ads_name first;
  ASSERT_EQ(ads_entnext(nullptr, first), RTNORM);
  EXPECT_GT(first[0], 0x30) << "the line's new handle lies above the file's own";
  struct resbuf* layer = ads_tblsearch("LAYER", "ROCKS", 0);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(find(layer, 62)->resval.rint, 1);
  ads_relrb(layer);
}
