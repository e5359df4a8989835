/*
** linkstore_dxf_test.cpp: the link store travels with the drawing: saved
** and read back whole, links of erased or missing entities dropped, an
** independent reader (ezdxf) accepts the file, damaged store data refuses
** the file; and the request sequence of host link creation and of the
** module's start-up, pv-open and unload as the service answers it.
*/
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "linkstore_fixture.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

class LinkStoreDxf : public LinkStoreTest {
 protected:
  fs::path dir;
  void SetUp() override {
    LinkStoreTest::SetUp();
    dir = pv_make_scratch_dir("pv_platform_linkstore_");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    LinkStoreTest::TearDown();
  }

  /* The store's dump without its selections (they are not saved). */
  static std::string saved_part() {
    std::istringstream in(ase_service_dump());
    std::string line, out;
    while (std::getline(in, line))
      if (line.rfind("SEL ", 0) != 0) out += line + "\n";
    return out;
  }

  /* A drawing with two link path names and links of kinds 1 and 2. */
  void populate(ads_name a, ads_name b) {
    line(0, 0, 1, 1, a);
    circle(5, 5, 2, b);
    ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "GEO$STATION"), 2);
    ASSERT_EQ(rq(20, ads_buildlist(RTSTR, "ODBC.*.\"C:\\data\\\".ROCK", RTSTR, "Geo$Rock", RTSTR, "NAME", RTSTR,
                                   "ISO8859-1", RTSTR, "en_US", RTSHORT, 12, RTSHORT, 40, RTSHORT, 0, RTSHORT, 0,
                                   RTSHORT, 1024, RTSTR, "SCALE", RTSTR, "", RTSTR, "", RTSHORT, 3, RTSHORT, 8,
                                   RTSHORT, 2, RTSHORT, 0, RTSHORT, 1024, 0))
                  ->restype,
              RTSHORT);
    ASSERT_EQ(write_link(a, "GEO$STATION", 7), 1);
    ASSERT_EQ(write_link(b, "GEO$STATION", 8), 2);
    ads_name empty = {0, 0};
    ASSERT_FALSE(none(rq(32, ads_buildlist(RTSHORT, 1, RTLONG, -1, RTSHORT, 2, RTSHORT, 2, RTSHORT, 3, RTSHORT, 1,
                                           RTSHORT, 4, RTENAME, empty, RTSHORT, 5, RTSTR, "GEO$ROCK", RTSHORT, 6, RTLB,
                                           RTSTR, "Granite ^ \"pink\"", RTREAL, 2.25, RTLE, RTSHORT, 8, RTLB, RTLB,
                                           RTENAME, a, RTSHORT, -3, RTLE, RTSTR, "", RTLE, 0))));
    select(nullptr);
  }

  std::string save(const char* name) {
    std::string err, path = (dir / name).string();
    EXPECT_TRUE(host_save_drawing(path, err)) << err;
    return path;
  }

  /* Sends a request the way the module's channel does: the request, then
  ** request 63 with the same arguments. */
  static struct resbuf* channel(int code, struct resbuf* args) {
    struct resbuf* reply = svc()->request(code, args);
    svc()->request(63, args);
    ads_relrb(args);
    return reply;
  }

  static std::string read_file(const std::string& path) {
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
  }
};

TEST_F(LinkStoreDxf, TheStoreComesBackWithTheDrawing) {
  ads_name a, b;
  populate(a, b);
  std::string before = saved_part();
  ASSERT_NE(before.find("LINK 3 kind 2 entity 0 GEO$ROCK \"Granite ^ \"pink\"\" 2.25 [8: ( #"), std::string::npos)
      << before;
  std::string path = save("store.dxf");
  host_new_drawing();
  EXPECT_EQ(ase_service_dump(), "") << "a new drawing has an empty store";
  std::string err;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(ase_service_dump(), before);
  EXPECT_EQ(write_link(a, "GEO$STATION", 9), 4) << "link numbers go on after the saved ones";
  struct resbuf* names = rq(12, ads_buildlist(RTSTR, "DB3", 0));
  ASSERT_EQ(names->restype, RTSTR);
  EXPECT_STREQ(names->resval.rstring, "GEO$STATION");
}

TEST_F(LinkStoreDxf, LinksOfErasedEntitiesAreNotSaved) {
  ads_name a, b;
  populate(a, b);
  ads_entdel(b);
  EXPECT_NE(saved_part().find("LINK 2 "), std::string::npos) << "kept while the entity may come back";
  std::string path = save("erased.dxf");
  std::string err;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  std::string after = saved_part();
  EXPECT_EQ(after.find("LINK 2 "), std::string::npos) << after;
  EXPECT_NE(after.find("LINK 1 "), std::string::npos) << after;
  EXPECT_NE(after.find("LINK 3 "), std::string::npos) << after;
}

TEST_F(LinkStoreDxf, AnIndependentReaderAuditsTheDrawingAndSeesTheStore) {
  ads_name a, b;
  populate(a, b);
  std::string path = save("audit.dxf");
  std::string out = (dir / "audit.txt").string();
  std::string cmd = "/usr/bin/python3 " + std::string(PV_TEST_DATA_DIR) + "/platform/dxf_audit.py " + path + " > " +
                    out + " 2>&1 && /usr/bin/python3 -c \"import ezdxf,sys; d=ezdxf.readfile(sys.argv[1]); "
                    "t=[x.value for x in d.appids.get('ASE').get_xdata('ASE')]; print('store:', t[0], len(t))\" " +
                    path + " >> " + out + " 2>&1";
  int rc = std::system(cmd.c_str());
  std::string report = read_file(out);
  EXPECT_EQ(rc, 0) << report;
  EXPECT_NE(report.find("store: LINKSTORE"), std::string::npos) << report;
}

TEST_F(LinkStoreDxf, DamagedStoreDataRefusesTheFileAndKeepsTheDrawing) {
  ads_name a, b;
  populate(a, b);
  std::string text = read_file(save("good.dxf"));
  std::string before = saved_part();
  struct Case {
    const char* what;  /* the damage          */
    const char* from;  /* text replaced       */
    std::string to;    /* by this             */
  } cases[] = {
      {"unknown format", "LINKSTORE\n1070\n1\n", "LINKSTORE\n1070\n9\n"},
      {"unknown record", "1000\nLPN\n1000\nGEO$STATION", "1000\nLPX\n1000\nGEO$STATION"},
      {"invalid name", "1000\nLPN\n1000\nGEO$STATION", "1000\nLPN\n1000\nGEO STATION"},
      {"NUL in a table name", "PETRIVEX.GEO.STATION\n", std::string("PETRIVEX.GEO.STAT\0ION\n", 22)},
      {"link of an unknown name", "1000\nLINK\n1071\n1\n1070\n1\n1070\n0\n1000\n", "1000\nLINK\n1071\n1\n1070\n1\n1070\n0\n1000\nFF\n1000\nX$Y\n1000\n"},
      {"link number reused", "1000\nLINK\n1071\n2\n", "1000\nLINK\n1071\n1\n"},
      {"key of the wrong type", "1070\n1\n1070\n5010\n1071\n7\n", "1070\n1\n1070\n5005\n1000\nseven\n"},
  };
  for (auto& c : cases) {
    std::string bad = text;
    size_t at = bad.find(c.from);
    ASSERT_NE(at, std::string::npos) << c.what;
    bad.replace(at, std::strlen(c.from), c.to);
    std::string path = (dir / "bad.dxf").string(), err;
    std::ofstream(path, std::ios::binary) << bad;
    EXPECT_FALSE(host_open_drawing(path, err)) << c.what;
    EXPECT_NE(err.find("damaged link store"), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(saved_part(), before) << c.what;
  }
}

TEST_F(LinkStoreDxf, ForeignDataOnTheApplicationAndLinksOfMissingEntitiesAreLeftOut) {
  ads_name a, b;
  populate(a, b);
  std::string text = read_file(save("foreign.dxf"));
  std::string ent = "0\nCIRCLE\n5\n" + handle_text_of(b) + "\n";
  size_t at = text.find(ent);
  ASSERT_NE(at, std::string::npos);
  std::string no_circle = text;
  no_circle.replace(at, ent.size(), "0\nCIRCLE\n");
  std::string path = (dir / "foreign2.dxf").string(), err;
  std::ofstream(path, std::ios::binary) << no_circle;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(saved_part().find("LINK 2 "), std::string::npos) << "its entity is not in the file";

  std::string foreign = text;
  foreign.replace(foreign.find("1000\nLINKSTORE"), 14, "1000\nSOMETHING");
  std::ofstream(path, std::ios::binary) << foreign;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(ase_service_dump(), "") << "not the store's data";
}

/* ---- The request sequences of the module ---- */


TEST_F(LinkStoreDxf, HostLinkCreationRunsThroughTheServiceInTheModulesOrder) {
  ads_name ent;
  line(0, 0, 1, 1, ent);
  ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "OLD$STATION"), 2);
  ASSERT_EQ(write_link(ent, "OLD$STATION", 1), 1);
  ase_service_clear_calls();

  /* start-up */
  ASSERT_STREQ(svc()->request(1, nullptr)->resval.rstring, "1252");
  svc()->request(64, nullptr);
  /* pv-open: the environment's status */
  EXPECT_EQ(channel(10, ads_buildlist(RTSTR, "DB3", 0))->resval.rint & 8, 0);
  /* host link creation */
  struct resbuf* r = channel(13, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.STATION", 0));
  ASSERT_STREQ(r->resval.rstring, "DB3.PETRIVEX.GEO.STATION");
  ASSERT_EQ(r->rbnext->resval.rint, 0) << "no status cached: request 10 follows";
  ASSERT_EQ(channel(10, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.STATION", 0))->resval.rint & 2, 2);
  EXPECT_EQ(std::string(channel(12, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.STATION", 0))->resval.rstring),
            "OLD$STATION");
  ASSERT_EQ(channel(20, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.STATION", RTSTR, "GEO$STATION", INT_KEY("BASENUMBER"), 0))
                ->resval.rint,
            2);
  long init = (long)channel(34, nullptr)->resval.rreal;
  EXPECT_EQ(channel(48, ads_buildlist(RTLONG, (int)init, 0))->restype, RTT);
  long sel = (long)channel(34, ads_buildlist(RTSHORT, 4, RTENAME, ent, 0))->resval.rreal;
  EXPECT_EQ(channel(47, ads_buildlist(RTLONG, (int)sel, 0))->restype, RTT);
  r = channel(32, ads_buildlist(RTSHORT, 1, RTLONG, -1, RTSHORT, 2, RTSHORT, 1, RTSHORT, 3, RTSHORT, 0, RTSHORT, 4,
                                RTENAME, ent, RTSHORT, 5, RTSTR, "GEO$STATION", RTSHORT, 6, RTLB, RTREAL, 12.0, RTLE, 0));
  ASSERT_FALSE(none(r));
  EXPECT_EQ(r->rbnext->resval.rlong, 2);
  /* unload */
  svc()->request(65, nullptr);

  EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{1, 64, 10, 63, 13, 63, 10, 63, 12, 63, 20, 63, 34, 63, 48,
                                                            63, 34, 63, 47, 63, 32, 63, 65}));
  EXPECT_EQ(saved_part(), "LPN OLD$STATION DB3.PETRIVEX.GEO.STATION BASENUMBER:4\n"
                          "LPN GEO$STATION DB3.PETRIVEX.GEO.STATION BASENUMBER:4\n"
                          "LINK 2 kind 1 entity " + handle_text_of(ent) + " GEO$STATION 12\n")
      << "the entity's old link was erased before the new one was written";
  EXPECT_EQ(ase_service_dump().find("SEL"), std::string::npos) << "no selection left behind";
}

TEST_F(LinkStoreDxf, ARefusedEnvironmentShowsFlag8ToPvOpen) {
  ase_service_refuse_environment("INFORMIX", true);
  EXPECT_EQ(channel(10, ads_buildlist(RTSTR, "INFORMIX", 0))->resval.rint, 8);
  EXPECT_EQ(channel(10, ads_buildlist(RTSTR, "DB3", 0))->resval.rint, 0);
}
