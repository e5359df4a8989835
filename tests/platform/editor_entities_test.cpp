/*
** editor_entities_test.cpp: the entity rules of the stand-in editor that
** the map code relies on: refusals, extended data per application, block
** definitions (ENDBLK answering RTKWORD, cancel with no list, redefinition,
** anonymous names), complex entities, tables, system variables, ads_trans.
*/
#include <cmath>
#include <cstring>

#include "editor_fixture.h"

using EntityRules = EditorTest;

TEST_F(EntityRules, RefusesListsWithMissingGroupsOrWrongValuesAndLeavesDrawingAlone) {
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  struct {
    const char* what;
    struct resbuf* list;
  } bad[] = {
      {"line without end", ads_buildlist(RTDXF0, "LINE", 10, a, 0)},
      {"insert of unknown block", ads_buildlist(RTDXF0, "INSERT", 2, "NOSUCH", 10, a, 0)},
      {"circle of radius 0", ads_buildlist(RTDXF0, "CIRCLE", 10, a, 40, 0.0, 0)},
      {"colour 300", ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 62, 300, 0)},
      {"RTSTR item in an entity list", ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, RTSTR, "x", 0)},
      {"unknown text style", ads_buildlist(RTDXF0, "TEXT", 10, a, 40, 1.0, 1, "t", 7, "NOSTYLE", 0)},
      {"layer name with a quote", ads_buildlist(RTDXF0, "LINE", 8, "A'B", 10, a, 11, b, 0)},
      {"no entity type", ads_buildlist(10, a, 11, b, 0)},
      {"unknown entity type", ads_buildlist(RTDXF0, "BANANA", 10, a, 0)},
      {"shape without a loaded shape file", ads_buildlist(RTDXF0, "SHAPE", 10, a, 40, 1.0, 2, "S1", 0)},
  };
  for (auto& c : bad) {
    ASSERT_NE(c.list, nullptr) << c.what;
    ads_name n;
    EXPECT_EQ(ads_entmakex(c.list, n), RTERROR) << c.what;
    EXPECT_FALSE(host_last_error().empty()) << c.what;
    ads_relrb(c.list);
  }
  ads_name last;
  EXPECT_EQ(ads_entlast(last), RTERROR);
  EXPECT_EQ(host_model_entity_count(), 0);
  EXPECT_EQ(ads_tblsearch("LAYER", "A'B", 0), nullptr);
  struct resbuf* ins = ads_buildlist(RTDXF0, "INSERT", 2, "NOSUCH", 10, a, 0);
  ads_entmake(ins);
  EXPECT_EQ(host_last_error(), "unknown block NOSUCH");
  ads_relrb(ins);
}

TEST_F(EntityRules, LayerIsCreatedOnFirstUse) {
  ads_name e;
  line(0, 0, 1, 1, e, "GEOLOGY");
  struct resbuf* l = ads_tblsearch("LAYER", "geology", 0);
  ASSERT_NE(l, nullptr);
  EXPECT_STREQ(find(l, 6)->resval.rstring, "CONTINUOUS");
  ads_relrb(l);
}

TEST_F(EntityRules, ExtendedDataOfUnregisteredApplicationIsRefused) {
  ads_point a = {0, 0, 0}, b = {1, 0, 0};
  struct resbuf* l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, -3, 1001, "PETRIVEX", 1000, "x", 0);
  EXPECT_EQ(ads_entmake(l), RTERROR);
  EXPECT_EQ(host_model_entity_count(), 0);
  EXPECT_EQ(ads_regapp("PETRIVEX"), RTNORM);
  EXPECT_EQ(ads_regapp("PETRIVEX"), RTERROR) << "an application registers once";
  EXPECT_EQ(ads_regapp("BAD NAME"), RTERROR);
  EXPECT_EQ(ads_entmake(l), RTNORM);
  ads_relrb(l);
}

/* Makes a line with extended data of the applications A and B. */
static void line_with_two_apps(ads_name e) {
  ads_point a = {0, 0, 0}, b = {1, 0, 0};
  ads_regapp("A");
  ads_regapp("B");
  struct resbuf* l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, -3, 1001, "A", 1000, "a1", 1071, 7, 1001, "B",
                                   1000, "b1", 0);
  ASSERT_EQ(ads_entmakex(l, e), RTNORM);
  ads_relrb(l);
}

TEST_F(EntityRules, EntgetxGivesOnlyTheNamedApplications) {
  ads_name e;
  line_with_two_apps(e);
  struct resbuf* plain = ads_entget(e);
  EXPECT_EQ(find(plain, -3), nullptr) << "entget carries no extended data";
  ads_relrb(plain);
  struct resbuf* names = ads_buildlist(RTSTR, "A", 0);
  struct resbuf* l = ads_entgetx(e, names);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(apps(l), 1);
  EXPECT_STREQ(find(l, 1001)->resval.rstring, "A");
  EXPECT_EQ(find(l, 1071)->resval.rlong, 7);
  EXPECT_EQ(find(l, 1000)->resval.rstring, std::string("a1"));
  ads_relrb(l);
  ads_relrb(names);
  names = ads_buildlist(RTSTR, "*", 0);
  l = ads_entgetx(e, names);
  EXPECT_EQ(apps(l), 2);
  ads_relrb(l);
  ads_relrb(names);
}

TEST_F(EntityRules, EntmodReplacesOnlyTheExtendedDataOfApplicationsInTheList) {
  ads_name e;
  line_with_two_apps(e);
  struct resbuf* mod = ads_buildlist(-1, e, -3, 1001, "A", 1000, "a2", 0);
  EXPECT_EQ(ads_entmod(mod), RTNORM);
  ads_relrb(mod);
  struct resbuf* names = ads_buildlist(RTSTR, "A,B", 0);
  struct resbuf* l = ads_entgetx(e, names);
  ASSERT_EQ(apps(l), 2) << "B's data must survive";
  std::vector<std::string> texts;
  for (auto* r = l; r; r = r->rbnext)
    if (r->restype == 1000) texts.push_back(r->resval.rstring);
  EXPECT_EQ(texts, (std::vector<std::string>{"a2", "b1"}));
  EXPECT_EQ(find(l, 1071), nullptr) << "A's old data is replaced entirely";
  ads_relrb(l);
  ads_relrb(names);
}

TEST_F(EntityRules, EntmodChangesGroupsAndRefusesBadListsWithoutChange) {
  ads_name e;
  line(0, 0, 1, 1, e);
  ads_point far = {9, 9, 0};
  struct resbuf* mod = ads_buildlist(-1, e, 11, far, 8, "NEWLAYER", 0);
  EXPECT_EQ(ads_entmod(mod), RTNORM);
  ads_relrb(mod);
  struct resbuf* l = ads_entget(e);
  EXPECT_EQ(find(l, 11)->resval.rpoint[0], 9);
  EXPECT_STREQ(find(l, 8)->resval.rstring, "NEWLAYER");
  ads_relrb(l);

  ads_name ghost = {0x7777, e[1]};
  ads_name set_name;
  ASSERT_EQ(ads_ssadd(nullptr, nullptr, set_name), RTNORM);
  ads_name set_like = {e[0], set_name[1]}; /* a set's tag with the entity's number */
  ads_ssfree(set_name);
  struct resbuf* bads[] = {
      ads_buildlist(-1, e, 62, 999, 0),
      ads_buildlist(-1, e, RTDXF0, "CIRCLE", 0),
      ads_buildlist(-1, ghost, 62, 1, 0),
      ads_buildlist(-1, e, -3, 1001, "UNREGISTERED", 1000, "x", 0),
      ads_buildlist(62, 1, 0),
      ads_buildlist(-1, set_like, 62, 1, 0),
  };
  for (auto* b : bads) {
    EXPECT_EQ(ads_entmod(b), RTERROR);
    ads_relrb(b);
  }
  l = ads_entget(e);
  EXPECT_EQ(find(l, 62), nullptr);
  EXPECT_STREQ(find(l, 0)->resval.rstring, "LINE");
  ads_relrb(l);
}

TEST_F(EntityRules, EndblkAnswersKeywordAndGetinputGivesTheBlockName) {
  ads_point o = {0, 0, 0}, p = {1, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "SYM", 70, 0, 10, o, 0);
  struct resbuf* ln = ads_buildlist(RTDXF0, "LINE", 10, o, 11, p, 0);
  struct resbuf* ci = ads_buildlist(RTDXF0, "CIRCLE", 10, o, 40, 2.0, 0);
  struct resbuf* end = ads_buildlist(RTDXF0, "ENDBLK", 0);
  EXPECT_EQ(ads_entmake(blk), RTNORM);
  EXPECT_EQ(ads_entmake(ln), RTNORM);
  EXPECT_EQ(ads_entmake(ci), RTNORM);
  EXPECT_EQ(ads_entmake(end), RTKWORD);
  char name[ADS_INPUT_MAX];
  EXPECT_EQ(ads_getinput(name), RTNORM);
  EXPECT_STREQ(name, "SYM");
  EXPECT_EQ(host_model_entity_count(), 0) << "entities between BLOCK and ENDBLK go into the block";

  struct resbuf* entry = ads_tblsearch("BLOCK", "SYM", 0);
  ASSERT_NE(entry, nullptr);
  const struct resbuf* first = find(entry, -2);
  ASSERT_NE(first, nullptr);
  struct resbuf* fl = ads_entget(first->resval.rlname);
  EXPECT_STREQ(find(fl, 0)->resval.rstring, "LINE");
  ads_name second, third;
  EXPECT_EQ(ads_entnext(first->resval.rlname, second), RTNORM);
  struct resbuf* sl = ads_entget(second);
  EXPECT_STREQ(find(sl, 0)->resval.rstring, "CIRCLE");
  EXPECT_EQ(ads_entnext(second, third), RTERROR) << "the walk ends with the block";
  ads_relrb(fl);
  ads_relrb(sl);
  ads_relrb(entry);

  /* Redefining replaces the contents. */
  EXPECT_EQ(ads_entmake(blk), RTNORM);
  EXPECT_EQ(ads_entmake(ci), RTNORM);
  EXPECT_EQ(ads_entmake(end), RTKWORD);
  entry = ads_tblsearch("BLOCK", "SYM", 0);
  fl = ads_entget(find(entry, -2)->resval.rlname);
  EXPECT_STREQ(find(fl, 0)->resval.rstring, "CIRCLE");
  EXPECT_EQ(ads_entnext(find(entry, -2)->resval.rlname, second), RTERROR);
  ads_relrb(fl);
  ads_relrb(entry);
  for (auto* r : {blk, ln, ci, end}) ads_relrb(r);
}

TEST_F(EntityRules, AnonymousBlocksGetFreshUNames) {
  ads_point o = {0, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "*PETRIVEX_PARAMS", 70, 1, 10, o, 0);
  struct resbuf* att = ads_buildlist(RTDXF0, "ATTDEF", 10, o, 40, 1.0, 1, "PETRIVEX_PARAMS", 3, "NAME", 2, "NAME",
                                     70, 13, 0);
  struct resbuf* end = ads_buildlist(RTDXF0, "ENDBLK", 0);
  std::string names[2];
  for (auto& n : names) {
    ASSERT_EQ(ads_entmake(blk), RTNORM);
    ASSERT_EQ(ads_entmake(att), RTNORM);
    ASSERT_EQ(ads_entmake(end), RTKWORD);
    char buf[ADS_INPUT_MAX];
    ads_getinput(buf);
    n = buf;
  }
  EXPECT_EQ(names[0].rfind("*U", 0), 0u);
  EXPECT_EQ(names[1].rfind("*U", 0), 0u);
  EXPECT_NE(names[0], names[1]);
  struct resbuf* e = ads_tblsearch("BLOCK", names[0].c_str(), 0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(find(e, 70)->resval.rint & 1, 1);
  ads_relrb(e);
  for (auto* r : {blk, att, end}) ads_relrb(r);
}

TEST_F(EntityRules, EntmakeWithNoListCancelsTheDefinitionUnderWay) {
  ads_point o = {0, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "HALF", 10, o, 0);
  struct resbuf* ci = ads_buildlist(RTDXF0, "CIRCLE", 10, o, 40, 1.0, 0);
  struct resbuf* end = ads_buildlist(RTDXF0, "ENDBLK", 0);
  EXPECT_EQ(ads_entmake(blk), RTNORM);
  EXPECT_EQ(ads_entmake(ci), RTNORM);
  EXPECT_EQ(ads_entmake(nullptr), RTNORM);
  EXPECT_EQ(ads_entmake(end), RTERROR) << "no definition is left to end";
  EXPECT_EQ(ads_tblsearch("BLOCK", "HALF", 0), nullptr);
  EXPECT_EQ(ads_entmake(ci), RTNORM) << "after the cancel entities go to model space";
  EXPECT_EQ(host_model_entity_count(), 1);
  for (auto* r : {blk, ci, end}) ads_relrb(r);
}

TEST_F(EntityRules, BlockRefusesASecondBlockAndSelfReference) {
  ads_point o = {0, 0, 0};
  struct resbuf* blk = ads_buildlist(RTDXF0, "BLOCK", 2, "SELF", 10, o, 0);
  struct resbuf* ins = ads_buildlist(RTDXF0, "INSERT", 2, "SELF", 10, o, 0);
  ASSERT_EQ(ads_entmake(blk), RTNORM);
  EXPECT_EQ(ads_entmake(blk), RTERROR);
  EXPECT_EQ(ads_entmake(ins), RTERROR);
  ads_entmake(nullptr);
  ads_relrb(blk);
  ads_relrb(ins);
}

TEST_F(EntityRules, PolylineSequenceWalksThroughItsVertices) {
  ads_point o = {0, 0, 0}, v1 = {1, 1, 0}, v2 = {2, 1, 0};
  struct resbuf* pl = ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, o, 70, 1, 0);
  struct resbuf* vx1 = ads_buildlist(RTDXF0, "VERTEX", 10, v1, 0);
  struct resbuf* vx2 = ads_buildlist(RTDXF0, "VERTEX", 10, v2, 0);
  struct resbuf* ln = ads_buildlist(RTDXF0, "LINE", 10, o, 11, v1, 0);
  struct resbuf* sq = ads_buildlist(RTDXF0, "SEQEND", 0);
  EXPECT_EQ(ads_entmake(vx1), RTERROR) << "a VERTEX needs its POLYLINE";
  EXPECT_EQ(ads_entmake(sq), RTERROR);
  ads_name head;
  EXPECT_EQ(ads_entmakex(pl, head), RTNORM);
  EXPECT_EQ(ads_entmake(vx1), RTNORM);
  EXPECT_EQ(ads_entmake(ln), RTERROR) << "another entity inside the sequence is refused";
  EXPECT_EQ(ads_entmake(vx2), RTNORM);
  EXPECT_EQ(ads_entmake(sq), RTNORM);
  ads_name cur, next, last;
  ASSERT_EQ(ads_entnext(nullptr, cur), RTNORM);
  EXPECT_EQ(cur[0], head[0]);
  std::vector<std::string> types;
  while (ads_entnext(cur, next) == RTNORM) {
    struct resbuf* l = ads_entget(next);
    types.push_back(find(l, 0)->resval.rstring);
    ads_relrb(l);
    cur[0] = next[0];
    cur[1] = next[1];
  }
  EXPECT_EQ(types, (std::vector<std::string>{"VERTEX", "VERTEX", "SEQEND"}));
  ASSERT_EQ(ads_entlast(last), RTNORM);
  EXPECT_EQ(last[0], head[0]) << "entlast gives the main entity";
  EXPECT_EQ(ads_entdel(last), RTNORM);
  EXPECT_EQ(ads_entnext(nullptr, cur), RTERROR) << "its vertices go with it";
  for (auto* r : {pl, vx1, vx2, ln, sq}) ads_relrb(r);
}

TEST_F(EntityRules, EntdelTogglesAndDeletedEntitiesCannotBeRead) {
  ads_name a, b, last;
  line(0, 0, 1, 0, a);
  line(0, 1, 1, 1, b);
  EXPECT_EQ(ads_entdel(b), RTNORM);
  EXPECT_EQ(ads_entget(b), nullptr);
  EXPECT_EQ(ads_entmod(nullptr), RTERROR);
  ads_entlast(last);
  EXPECT_EQ(last[0], a[0]);
  EXPECT_EQ(ads_entdel(b), RTNORM);
  ads_entlast(last);
  EXPECT_EQ(last[0], b[0]);
  ads_name bogus = {12345, 1};
  EXPECT_EQ(ads_entdel(bogus), RTERROR);
  EXPECT_EQ(ads_entupd(bogus), RTERROR);
  EXPECT_EQ(ads_entupd(a), RTNORM);
}

TEST_F(EntityRules, TablesHoldTheDefaultEntries) {
  struct {
    const char* table;
    const char* name;
  } rows[] = {{"STYLE", "STANDARD"}, {"LTYPE", "CONTINUOUS"}, {"LAYER", "0"}, {"APPID", "ACAD"}, {"VPORT", "*ACTIVE"}};
  for (auto& r : rows) {
    struct resbuf* l = ads_tblsearch(r.table, r.name, 0);
    ASSERT_NE(l, nullptr) << r.table;
    EXPECT_STREQ(find(l, 0)->resval.rstring, r.table);
    ads_relrb(l);
  }
  EXPECT_EQ(ads_tblsearch("NOSUCHTABLE", "X", 0), nullptr);
  int n = 0;
  for (struct resbuf* l = ads_tblnext("STYLE", 1); l; l = ads_tblnext("STYLE", 0)) {
    ++n;
    ads_relrb(l);
  }
  EXPECT_EQ(n, 1);
}

TEST_F(EntityRules, SymbolNamesFollowTheEditorsRule) {
  EXPECT_EQ(ads_snvalid("PROJ$TABLE_1", 1), RTNORM);
  EXPECT_EQ(ads_snvalid("A|B", 1), RTNORM);
  EXPECT_EQ(ads_snvalid("A|B", 0), RTERROR);
  EXPECT_EQ(ads_snvalid("|AB", 1), RTERROR);
  EXPECT_EQ(ads_snvalid("", 1), RTERROR);
  EXPECT_EQ(ads_snvalid("A B", 1), RTERROR);
  EXPECT_EQ(ads_snvalid(std::string(32, 'A').c_str(), 1), RTERROR);
}

TEST_F(EntityRules, SystemVariablesHaveTheEditorsTypesAndDefaults) {
  struct resbuf rb;
  ASSERT_EQ(ads_getvar("ACADVER", &rb), RTNORM);
  EXPECT_EQ(rb.restype, RTSTR);
  EXPECT_STREQ(rb.resval.rstring, "14.0");
  free(rb.resval.rstring);
  struct {
    const char* name;
    int type;
    double value;
  } vars[] = {{"CMDECHO", RTSHORT, 1}, {"CMDDIA", RTSHORT, 1}, {"LIMCHECK", RTSHORT, 0}, {"ANGDIR", RTSHORT, 0},
              {"BLIPMODE", RTSHORT, 0}, {"ANGBASE", RTREAL, 0}, {"HPANG", RTREAL, 0}, {"HPSCALE", RTREAL, 1}};
  for (auto& v : vars) {
    ASSERT_EQ(ads_getvar(v.name, &rb), RTNORM) << v.name;
    EXPECT_EQ(rb.restype, v.type) << v.name;
    EXPECT_EQ(v.type == RTSHORT ? rb.resval.rint : rb.resval.rreal, v.value) << v.name;
  }
  EXPECT_EQ(ads_getvar("NOSUCHVAR", &rb), RTERROR);

  struct resbuf set;
  set.restype = RTSTR;
  set.resval.rstring = (char*)"13.0";
  EXPECT_EQ(ads_setvar("ACADVER", &set), RTNORM);
  set.resval.rstring = (char*)"NOLAYER";
  EXPECT_EQ(ads_setvar("CLAYER", &set), RTERROR);
  set.restype = RTSHORT;
  set.resval.rint = 2;
  EXPECT_EQ(ads_setvar("CMDECHO", &set), RTERROR);
  set.resval.rint = 0;
  EXPECT_EQ(ads_setvar("CMDECHO", &set), RTNORM);
  EXPECT_EQ(ads_setvar("ANGBASE", &set), RTNORM) << "a real variable takes an integer";
  set.restype = RTREAL;
  set.resval.rreal = 0.5;
  EXPECT_EQ(ads_setvar("ANGDIR", &set), RTERROR) << "an integer variable refuses a real";
  EXPECT_EQ(ads_getvar("ACADVER", &rb), RTNORM);
  EXPECT_STREQ(rb.resval.rstring, "13.0");
  free(rb.resval.rstring);
}

TEST_F(EntityRules, TransFollowsTheUcsOffsetAndEntitySystems) {
  double origin[3] = {100, 200, 0};
  host_set_ucs_origin(origin);
  struct resbuf wcs, ucs, dcs;
  wcs.restype = ucs.restype = dcs.restype = RTSHORT;
  wcs.resval.rint = 0;
  ucs.resval.rint = 1;
  dcs.resval.rint = 2;
  ads_point p = {1, 2, 3}, r;
  ASSERT_EQ(ads_trans(p, &ucs, &wcs, 0, r), RTNORM);
  EXPECT_DOUBLE_EQ(r[0], 101);
  EXPECT_DOUBLE_EQ(r[1], 202);
  ASSERT_EQ(ads_trans(p, &ucs, &wcs, 1, r), RTNORM);
  EXPECT_DOUBLE_EQ(r[0], 1) << "a displacement does not move";
  ASSERT_EQ(ads_trans(p, &wcs, &dcs, 0, r), RTNORM);
  EXPECT_DOUBLE_EQ(r[0], -99);

  ads_name e;
  line(0, 0, 1, 1, e);
  struct resbuf ecs;
  ecs.restype = RTENAME;
  ecs.resval.rlname[0] = e[0];
  ecs.resval.rlname[1] = e[1];
  ASSERT_EQ(ads_trans(p, &wcs, &ecs, 0, r), RTNORM);
  EXPECT_DOUBLE_EQ(r[0], 1) << "a plan entity's system is the world";
  struct resbuf up;
  up.restype = RT3DPOINT;
  up.resval.rpoint[0] = 1;
  up.resval.rpoint[1] = 0;
  up.resval.rpoint[2] = 0;
  ASSERT_EQ(ads_trans(p, &wcs, &up, 0, r), RTNORM);
  EXPECT_NEAR(r[2], 1, 1e-12) << "normal along X: the world X becomes the object Z";
  struct resbuf bad;
  bad.restype = RTSHORT;
  bad.resval.rint = 7;
  EXPECT_EQ(ads_trans(p, &bad, &wcs, 0, r), RTERROR);
  ads_point q = {4, 6, 3};
  EXPECT_DOUBLE_EQ(ads_distance(p, q), 5);
}

TEST_F(EntityRules, BuildlistRefusesUnknownTypesAndNullTexts) {
  EXPECT_EQ(ads_buildlist(9999, 1, 0), nullptr);
  EXPECT_EQ(ads_buildlist(RTSTR, (const char*)nullptr, 0), nullptr);
  struct resbuf* l = ads_buildlist(RTSTR, "a", RTSHORT, 3, RTLONG, 70000, RTT, RTNIL, 0);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->rbnext->resval.rint, 3);
  EXPECT_EQ(l->rbnext->rbnext->resval.rlong, 70000);
  EXPECT_EQ(l->rbnext->rbnext->rbnext->restype, RTT);
  ads_relrb(l);
}
