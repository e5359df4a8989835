/*
** linkstore_requests_test.cpp: the link-store service answers through the
** registry: loading and unloading it, the database objects it works on,
** and each request it serves (1, 63, 64, 65, 10, 12, 13, 20, 32, 34, 47,
** 48) with its refusals, error items and record of calls.
*/
#include <cstring>
#include <string>

#include "linkstore_fixture.h"

/* Element i of a chain, or nullptr. */
static const struct resbuf* nth(const struct resbuf* r, int i) {
  while (r && i-- > 0) r = r->rbnext;
  return r;
}

/* Number of elements of a chain. */
static int length(const struct resbuf* r) {
  int n = 0;
  for (; r; r = r->rbnext) ++n;
  return n;
}

/* The texts of a chain's RTSTR elements, joined by blanks. */
static std::string texts(const struct resbuf* r) {
  std::string s;
  for (; r; r = r->rbnext)
    if (r->restype == RTSTR) s += (s.empty() ? "" : " ") + std::string(r->resval.rstring);
  return s;
}

using Pairs = std::vector<std::pair<long, long>>;

/* ---- Registration and the registry ---- */

TEST_F(LinkStoreTest, ServiceIsFoundOnlyWhileTheApplicationIsLoaded) {
  AcRxClass* proto = static_cast<AcRxClass*>(
      static_cast<AcRxDictionary*>(acrxSysRegistry()->at("ClassDictionary"))->at("CAseRxObj"));
  ASSERT_NE(proto, nullptr);
  EXPECT_TRUE(acrxServiceIsRegistered("Ase_Services"));
  ASSERT_NE(svc(), nullptr);
  EXPECT_TRUE(svc()->isKindOf(proto));
  EXPECT_FALSE(svc()->isKindOf(AcDbEntity::desc()));
  struct resbuf* apps = ads_arxloaded();
  EXPECT_NE(texts(apps).find("ase"), std::string::npos);
  ads_relrb(apps);

  ase_service_unregister();
  EXPECT_FALSE(acrxServiceIsRegistered("Ase_Services"));
  EXPECT_EQ(acrxSysRegistry()->at("Ase_Class"), nullptr);
  EXPECT_EQ(proto, CAseRxObj::desc()) << "a class record outlives the service";

  EXPECT_EQ(ads_arxload("ase"), RTNORM);
  EXPECT_EQ(ads_arxload("ase"), RTERROR) << "an application loads once";
  EXPECT_TRUE(acrxServiceIsRegistered("Ase_Services"));
  EXPECT_TRUE(svc()->isKindOf(proto));
}

TEST_F(LinkStoreTest, ClassRecordsFormATreeUnderTheRoot) {
  AcRxClass* a = newAcRxClass("PvTestClass", "AcDbEntity");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(newAcRxClass("PvTestClass", "AcDbEntity"), a);
  EXPECT_EQ(newAcRxClass("PvTestClass", "AcRxObject"), nullptr) << "one class, one parent";
  EXPECT_EQ(newAcRxClass("PvOther", "NoSuchParent"), nullptr);
  EXPECT_EQ(newAcRxClass(nullptr, "AcRxObject"), nullptr);
  EXPECT_TRUE(a->isDerivedFrom(AcDbObject::desc()));
  EXPECT_TRUE(a->isDerivedFrom(AcRxObject::desc()));
  EXPECT_FALSE(AcDbObject::desc()->isDerivedFrom(a));
  EXPECT_FALSE(a->isDerivedFrom(nullptr));
  EXPECT_STREQ(a->myParent()->name(), "AcDbEntity");
}

TEST_F(LinkStoreTest, EntitiesOpenForTheServiceByName) {
  ads_name ln;
  line(0, 0, 1, 1, ln);
  AcDbObjectId id;
  ASSERT_EQ(acdbGetObjectId(id, ln), Acad::eOk);
  AcDbObject* obj = nullptr;
  ASSERT_EQ(acdbOpenAcDbObject(obj, id, AcDb::kForRead), Acad::eOk);
  EXPECT_TRUE(obj->isKindOf(AcDbEntity::desc()));
  EXPECT_EQ(obj->database(), acdbCurDwg());
  EXPECT_EQ(svc()->protocolOp12(static_cast<AcDbEntity*>(obj)), 1);
  EXPECT_EQ(obj->close(), Acad::eOk);

  ads_name none = {0, 0}, bogus = {999, 1};
  EXPECT_EQ(acdbGetObjectId(id, none), Acad::eInvalidInput);
  EXPECT_EQ(acdbGetObjectId(id, bogus), Acad::eKeyNotFound);
  EXPECT_EQ(acdbOpenAcDbObject(obj, AcDbObjectId(), AcDb::kForRead), Acad::eInvalidInput);
  EXPECT_EQ(acdbOpenAcDbObject(obj, AcDbObjectId(999), AcDb::kForRead), Acad::eKeyNotFound);
  ASSERT_EQ(acdbGetObjectId(id, ln), Acad::eOk);
  ads_entdel(ln);
  EXPECT_EQ(acdbOpenAcDbObject(obj, id, AcDb::kForRead), Acad::eWasErased);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(LinkStoreTest, DatabaseOperationsAcceptOnlyTheCurrentDrawing) {
  for (int op = 2; op <= 7; ++op) {
    int (CAseRxObj::*fn)(AcDbDatabase*) = nullptr;
    switch (op) {
      case 2: fn = &CAseRxObj::protocolOp2; break;
      case 3: fn = &CAseRxObj::protocolOp3; break;
      case 4: fn = &CAseRxObj::protocolOp4; break;
      case 5: fn = &CAseRxObj::protocolOp5; break;
      case 6: fn = &CAseRxObj::protocolOp6; break;
      default: fn = &CAseRxObj::protocolOp7; break;
    }
    EXPECT_EQ((svc()->*fn)(acdbCurDwg()), 1) << op;
    EXPECT_EQ((svc()->*fn)(nullptr), 0) << op;
  }
  const char *user = "x", *pw = "y";
  EXPECT_EQ(svc()->protocolOp8("DB3", &user, &pw), 0);
  EXPECT_EQ(user, nullptr);
  EXPECT_EQ(pw, nullptr);
  EXPECT_TRUE(ase_service_request_codes().empty()) << "operations are not requests";
  EXPECT_EQ(ase_service_calls().size(), 13u);
  EXPECT_EQ(ase_service_call_text(ase_service_calls()[0]), "op 2");
}

/* ---- Connection, errors and the hooks ---- */

TEST_F(LinkStoreTest, ConnectGivesTheCodePageAndHostText) {
  struct resbuf* r = rq(1);
  ASSERT_EQ(length(r), 2);
  EXPECT_STREQ(r->resval.rstring, "1252");
  EXPECT_EQ(r->rbnext->restype, RTSTR);
  EXPECT_GT(std::strlen(r->rbnext->resval.rstring), 0u);
  EXPECT_EQ(rq(64)->restype, RTT);
  EXPECT_EQ(rq(65)->restype, RTT);

  ase_service_set_host_text(nullptr);
  ase_service_set_code_page("cp1252");
  r = rq(1);
  ASSERT_EQ(length(r), 1) << "no host text";
  EXPECT_STREQ(r->resval.rstring, "cp1252");
}

TEST_F(LinkStoreTest, AFailingRequestLeavesItsErrorForRequest63) {
  ase_service_fail_request(10, 1);
  EXPECT_TRUE(none(rq(10, ads_buildlist(RTSTR, "DB3", 0))));
  EXPECT_EQ(errors(), (Pairs{{5, 506}}));
  EXPECT_EQ(errors(), (Pairs{{5, 506}})) << "request 63 does not consume the items";
  EXPECT_FALSE(none(rq(10, ads_buildlist(RTSTR, "DB3", 0)))) << "only the next one fails";
  EXPECT_TRUE(errors().empty());
  EXPECT_EQ(svc()->request(63, nullptr), nullptr) << "no items: no reply";

  ase_service_fail_request(1, -1);
  EXPECT_TRUE(none(rq(1)));
  EXPECT_TRUE(none(rq(1)));
  ase_service_fail_request(1, 0);
  EXPECT_FALSE(none(rq(1)));

  EXPECT_TRUE(none(rq(99)));
  EXPECT_EQ(errors(), (Pairs{{5, 507}})) << "a request code the store does not serve";
}

TEST_F(LinkStoreTest, ErrorItemsCarryNativeCodeMessageCategoryAndCode) {
  rq(10);
  struct resbuf* r = svc()->request(63, nullptr);
  ASSERT_EQ(length(r), 8);
  EXPECT_EQ(r->restype, RTREAL);
  EXPECT_EQ(r->resval.rreal, 57345.0);
  EXPECT_EQ(nth(r, 1)->restype, RTSTR);
  EXPECT_EQ(nth(r, 2)->resval.rint, 1025);
  EXPECT_EQ(nth(r, 3)->resval.rlong, 5);
  EXPECT_EQ(nth(r, 4)->resval.rint, 1026);
  EXPECT_EQ(nth(r, 5)->resval.rlong, 501);
  EXPECT_EQ(nth(r, 6)->resval.rint, 1027);
  EXPECT_STREQ(nth(r, 7)->resval.rstring, nth(r, 1)->resval.rstring);
}

TEST_F(LinkStoreTest, TheRecordHoldsEveryRequestWithItsArguments) {
  ads_name ln;
  line(0, 0, 1, 1, ln);
  rq(13, ads_buildlist(RTSTR, "db3.x", 0));
  rq(63, ads_buildlist(RTSTR, "db3.x", 0));
  rq(34, ads_buildlist(RTSHORT, 4, RTENAME, ln, 0));
  EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{13, 63, 34}));
  EXPECT_EQ(ase_service_call_text(ase_service_calls()[0]), "13 (5005 \"db3.x\")");
  EXPECT_EQ(ase_service_call_text(ase_service_calls()[2]),
            "34 (5003 4) (5006 " + std::to_string(ln[0]) + "," + std::to_string(ln[1]) + ")");
  ase_service_clear_calls();
  EXPECT_TRUE(ase_service_calls().empty());
}

/* ---- Paths: 13, 10, 12 ---- */

TEST_F(LinkStoreTest, PathNamesResolveToTheirCanonicalText) {
  struct Case {
    const char* given;  /* text of request 13          */
    const char* want;   /* canonical text, or nullptr */
  } cases[] = {
      {"db3.petrivex.geo-1.station", "DB3.PETRIVEX.GEO-1.STATION"},
      {" DB3 . petrivex.Geo.station ", "DB3.PETRIVEX.GEO.STATION"},
      {"odbc.*.\"C:\\data\\proj\\\".station", "ODBC.*.\"C:\\data\\proj\\\".STATION"},
      {"E..S.T", "E..S.T"},
      {"E...T", "E...T"},
      {"e.c.s.t(geo$st)", "E.C.S.T(GEO$ST)"},
      {"E.C.S.T.U", nullptr},
      {"E.\"abc", nullptr},
      {"E.C S.T", nullptr},
      {"E.C.S.T(L", nullptr},
      {"E.C.S.T(L) x", nullptr},
      {"E.C.S.T(a b)", nullptr},
      {"", nullptr},
  };
  for (auto& c : cases) {
    struct resbuf* r = rq(13, ads_buildlist(RTSTR, c.given, 0));
    if (!c.want) {
      EXPECT_TRUE(none(r)) << c.given;
      EXPECT_EQ(errors(), (Pairs{{5, 502}})) << c.given;
      continue;
    }
    ASSERT_EQ(length(r), 2) << c.given;
    EXPECT_STREQ(r->resval.rstring, c.want);
    EXPECT_EQ(r->rbnext->restype, RTSHORT);
    EXPECT_EQ(r->rbnext->resval.rint, 0) << "13 leaves the status to request 10";
  }
  EXPECT_TRUE(none(rq(13)));
  EXPECT_EQ(errors(), (Pairs{{5, 501}}));
  EXPECT_TRUE(none(rq(13, ads_buildlist(RTSTR, "A", RTSTR, "B", 0))));
  EXPECT_EQ(errors(), (Pairs{{5, 501}}));
}

TEST_F(LinkStoreTest, StatusHasFlag2ForNamesWithinThePathAndFlag8ForARefusedEnvironment) {
  EXPECT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "GEO$STATION"), 2);
  ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.SAMPLE", "GEO$SAMPLE"), 2);
  struct Case {
    const char* path; /* text of request 10 */
    int status;       /* expected word      */
  } cases[] = {
      {"DB3", 2},
      {"db3.petrivex.geo.station", 2},
      {"DB3.PETRIVEX.GEO.ROCK", 0},
      {"DB3.*.GEO.STATION", 2},
      {"DB3.PETRIVEX.GEO.STATION(GEO$STATION)", 2},
      {"DB3.PETRIVEX.GEO.STATION(GEO$SAMPLE)", 0},
      {"ODBC", 0},
      {"DB3..GEO.STATION", 0},
  };
  for (auto& c : cases) {
    struct resbuf* r = rq(10, ads_buildlist(RTSTR, c.path, 0));
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->restype, RTSHORT) << c.path;
    EXPECT_EQ(r->resval.rint, c.status) << c.path;
  }
  ase_service_refuse_environment("db3", true);
  EXPECT_EQ(rq(10, ads_buildlist(RTSTR, "DB3", 0))->resval.rint, 2 | 8);
  EXPECT_EQ(rq(10, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.ROCK", 0))->resval.rint, 8);
  EXPECT_EQ(rq(10, ads_buildlist(RTSTR, "ODBC", 0))->resval.rint, 0);
  EXPECT_TRUE(none(rq(10, ads_buildlist(RTSTR, "A.B.C.D.E", 0))));
  EXPECT_EQ(errors(), (Pairs{{5, 502}}));
}

TEST_F(LinkStoreTest, NamesListsTheLinkPathNamesWithinThePath) {
  ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "GEO$STATION"), 2);
  ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.SAMPLE", "geo$sample"), 2);
  ASSERT_EQ(register_lpn("ODBC.*.\"C:\\x\\\".STATION", "X$STATION"), 2);
  EXPECT_EQ(texts(rq(12, ads_buildlist(RTSTR, "DB3", 0))), "GEO$STATION GEO$SAMPLE");
  EXPECT_EQ(texts(rq(12, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.SAMPLE", 0))), "GEO$SAMPLE");
  EXPECT_EQ(texts(rq(12, ads_buildlist(RTSTR, "ODBC.*.\"C:\\x\\\".STATION", 0))), "X$STATION");
  EXPECT_EQ(texts(rq(12, ads_buildlist(RTSTR, "*", 0))), "GEO$STATION GEO$SAMPLE X$STATION");
  EXPECT_TRUE(none(rq(12, ads_buildlist(RTSTR, "DB3.PETRIVEX.GEO.ROCK", 0))));
  EXPECT_EQ(errors(), (Pairs{{5, 502}}));
}

/* ---- Registering link path names: 20 ---- */

TEST_F(LinkStoreTest, RegistrationTakesDescriptionsAloneWithValuesOrNamesWithValues) {
  struct resbuf* forms[] = {
      ads_buildlist(RTSTR, "DB3.P.G.A", RTSTR, "G$A", INT_KEY("BASENUMBER"), INT_KEY("PART"), 0),
      ads_buildlist(RTSTR, "DB3.P.G.B", RTSTR, "G$B", INT_KEY("BASENUMBER"), RTLONG, 7, INT_KEY("NAME"), RTSTR,
                    "x", 0),
      ads_buildlist(RTSTR, "DB3.P.G.C", RTSTR, "G$C", RTSTR, "basenumber", RTREAL, 7.0, RTSTR, "NAME", RTSTR, "x", 0),
      ads_buildlist(RTSTR, "DB3.P.G.D", RTSTR, "G$D", RTLB, INT_KEY("BASENUMBER"), RTLE, 0),
  };
  for (auto* f : forms) {
    struct resbuf* r = rq(20, f);
    ASSERT_EQ(r->restype, RTSHORT) << texts(f);
    EXPECT_EQ(r->resval.rint, 2);
  }
  EXPECT_EQ(ase_service_dump(),
            "LPN G$A DB3.P.G.A BASENUMBER:4 PART:4\n"
            "LPN G$B DB3.P.G.B BASENUMBER:4 NAME:4\n"
            "LPN G$C DB3.P.G.C BASENUMBER:0 NAME:0\n"
            "LPN G$D DB3.P.G.D BASENUMBER:4\n");
}

TEST_F(LinkStoreTest, RegistrationRefusesBadPathsNamesAndColumns) {
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  struct Case {
    const char* what;  /* what is wrong          */
    struct resbuf* args;
    long code;         /* expected error code    */
  } cases[] = {
      {"no arguments", nullptr, 501},
      {"no name", ads_buildlist(RTSTR, "DB3.P.G.T", 0), 501},
      {"no table", ads_buildlist(RTSTR, "DB3", RTSTR, "G$T", INT_KEY("K"), 0), 502},
      {"no environment", ads_buildlist(RTSTR, ".P.G.T", RTSTR, "G$T", INT_KEY("K"), 0), 502},
      {"path with a name", ads_buildlist(RTSTR, "DB3.P.G.T(G$T)", RTSTR, "G$T", INT_KEY("K"), 0), 502},
      {"wildcard table", ads_buildlist(RTSTR, "DB3.P.G.*", RTSTR, "G$T", INT_KEY("K"), 0), 502},
      {"invalid name", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G T", INT_KEY("K"), 0), 502},
      {"wildcard name", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "*", INT_KEY("K"), 0), 502},
      {"name taken", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "g$station", INT_KEY("K"), 0), 505},
      {"no key column", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", 0), 501},
      {"column twice", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", INT_KEY("K"), INT_KEY("k"), 0), 501},
      {"name without value", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", RTSTR, "K", 0), 501},
      {"short description", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", INT_KEY("K"), RTSTR, "L", RTSTR, "",
                                          RTSTR, "", RTSHORT, 4, 0), 501},
      {"open list", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", RTLB, INT_KEY("K"), 0), 501},
      {"empty column name", ads_buildlist(RTSTR, "DB3.P.G.T", RTSTR, "G$T", INT_KEY(""), 0), 501},
  };
  for (auto& c : cases) {
    EXPECT_TRUE(none(rq(20, c.args))) << c.what;
    EXPECT_EQ(errors(), (Pairs{{5, c.code}})) << c.what;
  }
  EXPECT_EQ(ase_service_dump(), "LPN G$STATION DB3.P.G.STATION BASENUMBER:4\n") << "nothing half-registered";
}

/* ---- Links: 32 ---- */

TEST_F(LinkStoreTest, WritingANewLinkNumbersItAndRepliesTheStoredLink) {
  ads_name a, b;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, b);
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  struct resbuf* r = rq(32, ads_buildlist(RTSHORT, 1, RTLONG, -1, RTSHORT, 2, RTSHORT, 1, RTSHORT, 3, RTSHORT, 0,
                                          RTSHORT, 4, RTENAME, a, RTSHORT, 5, RTSTR, "g$Station", RTSHORT, 6, RTLB,
                                          RTREAL, 12.0, RTLE, 0));
  ASSERT_EQ(length(r), 14);
  EXPECT_EQ(nth(r, 1)->resval.rlong, 1);
  EXPECT_EQ(nth(r, 3)->resval.rint, 1);
  EXPECT_EQ(nth(r, 7)->resval.rlname[0], a[0]);
  EXPECT_EQ(nth(r, 7)->resval.rlname[1], a[1]);
  EXPECT_STREQ(nth(r, 9)->resval.rstring, "G$STATION");
  EXPECT_EQ(nth(r, 11)->restype, RTLB);
  EXPECT_EQ(nth(r, 12)->resval.rreal, 12.0);
  EXPECT_EQ(nth(r, 13)->restype, RTLE);
  EXPECT_EQ(write_link(b, "G$STATION", 13), 2);

  r = rq(32, ads_buildlist(RTSHORT, 1, RTLONG, 1, RTSHORT, 2, RTSHORT, 1, RTSHORT, 4, RTENAME, b, RTSHORT, 5, RTSTR,
                           "G$STATION", RTSHORT, 6, RTLB, RTLONG, 14, RTLE, 0));
  ASSERT_FALSE(none(r)) << "link 1 rewritten";
  std::string hb = handle_text_of(b);
  EXPECT_EQ(ase_service_dump(), "LPN G$STATION DB3.P.G.STATION BASENUMBER:4\nLINK 1 kind 1 entity " + hb +
                                    " G$STATION 14\nLINK 2 kind 1 entity " + hb + " G$STATION 13\n");
}

TEST_F(LinkStoreTest, LinksOfKind2KeepTheirListsAndNeedNoEntity) {
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  ads_name empty = {0, 0};
  struct resbuf* r = rq(32, ads_buildlist(RTSHORT, 1, RTLONG, -1, RTSHORT, 2, RTSHORT, 2, RTSHORT, 4, RTENAME, empty,
                                          RTSHORT, 5, RTSTR, "G$STATION", RTSHORT, 6, RTLB, RTLONG, 5, RTLE, RTSHORT,
                                          7, RTLB, RTSTR, "NAME", RTLE, RTSHORT, 8, RTLB, RTLB, RTSHORT, 1, RTLE, RTLE,
                                          RTSHORT, 9, RTLB, RTSTR, "Granite", RTLE, 0));
  ASSERT_FALSE(none(r));
  EXPECT_EQ(length(r), 28);
  EXPECT_EQ(ase_service_dump(), "LPN G$STATION DB3.P.G.STATION BASENUMBER:4\n"
                                "LINK 1 kind 2 entity 0 G$STATION 5 [7: \"NAME\"] [8: ( 1 )] [9: \"Granite\"]\n");
}

TEST_F(LinkStoreTest, WritingALinkRefusesWhatTheStoreCannotHold) {
  ads_name a, gone;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, gone);
  ads_entdel(gone);
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  ASSERT_EQ(rq(20, ads_buildlist(RTSTR, "DB3.P.G.ROCK", RTSTR, "G$ROCK", RTSTR, "NAME", RTSTR, "", RTSTR, "", RTSHORT,
                                 12, RTSHORT, 20, RTSHORT, 0, RTSHORT, 0, RTSHORT, 1024, 0))
                ->restype,
            RTSHORT);
  ads_name empty = {0, 0};
  /* A link whose parts may be replaced one by one. */
  auto link = [&](int number, int kind, const long* ent, const char* lpn, struct resbuf* keys, struct resbuf* more) {
    struct resbuf* head = ads_buildlist(RTSHORT, 1, RTLONG, number, RTSHORT, 2, RTSHORT, kind, RTSHORT, 4, RTENAME, ent,
                                        RTSHORT, 5, RTSTR, lpn, RTSHORT, 6, 0);
    struct resbuf* t = head;
    while (t->rbnext) t = t->rbnext;
    t->rbnext = keys;
    while (t->rbnext) t = t->rbnext;
    t->rbnext = more;
    return head;
  };
  auto keys = [](int v) { return ads_buildlist(RTLB, RTLONG, v, RTLE, 0); };
  struct Case {
    const char* what;
    struct resbuf* args;
    long code;
  } cases[] = {
      {"no arguments", nullptr, 501},
      {"unknown name", link(-1, 1, a, "G$NONE", keys(1), nullptr), 502},
      {"erased entity", link(-1, 1, gone, "G$STATION", keys(1), nullptr), 503},
      {"no entity for kind 1", link(-1, 1, empty, "G$STATION", keys(1), nullptr), 503},
      {"kind 3", link(-1, 3, a, "G$STATION", keys(1), nullptr), 501},
      {"two keys for one column", link(-1, 1, a, "G$STATION", ads_buildlist(RTLB, RTLONG, 1, RTLONG, 2, RTLE, 0), nullptr), 501},
      {"null key", link(-1, 1, a, "G$STATION", ads_buildlist(RTLB, RTVOID, RTLE, 0), nullptr), 501},
      {"text key of an integer column", link(-1, 1, a, "G$STATION", ads_buildlist(RTLB, RTSTR, "1", RTLE, 0), nullptr), 501},
      {"fraction in an integer column", link(-1, 1, a, "G$STATION", ads_buildlist(RTLB, RTREAL, 1.5, RTLE, 0), nullptr), 501},
      {"number key of a text column", link(-1, 1, a, "G$ROCK", keys(1), nullptr), 501},
      {"keys not a list", link(-1, 1, a, "G$STATION", ads_buildlist(RTLONG, 1, 0), nullptr), 501},
      {"list 7 on kind 1", link(-1, 1, a, "G$STATION", keys(1), ads_buildlist(RTSHORT, 7, RTLB, RTLE, 0)), 501},
      {"unknown link number", link(99, 1, a, "G$STATION", keys(1), nullptr), 500},
      {"unknown attribute", link(-1, 1, a, "G$STATION", keys(1), ads_buildlist(RTSHORT, 11, RTSTR, "", 0)), 501},
      {"attribute twice", link(-1, 1, a, "G$STATION", keys(1), ads_buildlist(RTSHORT, 2, RTSHORT, 1, 0)), 501},
      {"list without end", link(-1, 1, a, "G$STATION", ads_buildlist(RTLB, RTLONG, 1, 0), nullptr), 501},
      {"value without code", ads_buildlist(RTLONG, -1, 0), 501},
      {"code without value", ads_buildlist(RTSHORT, 1, 0), 501},
      {"selection set in a list", link(-1, 1, a, "G$STATION", keys(1), ads_buildlist(RTSHORT, 8, RTLB, RTPICKS, a, RTLE, 0)), 501},
  };
  for (auto& c : cases) {
    EXPECT_TRUE(none(rq(32, c.args))) << c.what;
    EXPECT_EQ(errors(), (Pairs{{5, c.code}})) << c.what;
  }
  EXPECT_EQ(ase_service_dump().find("LINK"), std::string::npos) << "no link half-written";
}

/* ---- Selections: 34, 47, 48 ---- */

TEST_F(LinkStoreTest, SelectionsTakeTheLinksThatPassEveryCriterion) {
  ads_name a, b, c;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, b);
  line(4, 4, 5, 5, c);
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  ASSERT_EQ(register_lpn("ODBC.*.\"C:\\\".STATION", "X$STATION"), 2);
  ASSERT_EQ(write_link(a, "G$STATION", 1), 1);
  ASSERT_EQ(write_link(b, "G$STATION", 2), 2);
  ASSERT_EQ(write_link(a, "X$STATION", 1), 3);
  ASSERT_EQ(write_link(c, "G$STATION", 3), 4);
  ASSERT_EQ(write_link(b, "G$STATION", 3, 4), 4) << "link 4 moves to b";
  ads_name ss;
  ads_ssadd(b, nullptr, ss);
  ads_ssadd(c, ss, ss);
  struct Case {
    const char* what;
    struct resbuf* filter;
    const char* links; /* SEL line expected, without its number */
  } cases[] = {
      {"no filter", nullptr, " 1 2 3 4"},
      {"entity", ads_buildlist(RTSHORT, 4, RTENAME, a, 0), " 1 3"},
      {"entity a link moved to", ads_buildlist(RTSHORT, 4, RTENAME, b, 0), " 2 4"},
      {"entity without links", ads_buildlist(RTSHORT, 4, RTENAME, c, 0), ""},
      {"selection set", ads_buildlist(RTSHORT, -2, RTPICKS, ss, 0), " 2 4"},
      {"link path name", ads_buildlist(RTSHORT, 5, RTSTR, "x$station", 0), " 3"},
      {"environment", ads_buildlist(RTSHORT, -3, RTSTR, "DB3", 0), " 1 2 4"},
      {"path with name", ads_buildlist(RTSHORT, -3, RTSTR, "*.*.*.STATION(X$STATION)", 0), " 3"},
      {"keys", ads_buildlist(RTSHORT, 6, RTLB, RTREAL, 1.0, RTLE, 0), " 1 3"},
      {"entity and name", ads_buildlist(RTSHORT, 4, RTENAME, a, RTSHORT, 5, RTSTR, "G$STATION", 0), " 1"},
      {"kind 1", ads_buildlist(RTSHORT, 2, RTSHORT, 1, 0), " 1 2 3 4"},
      {"kind 2", ads_buildlist(RTSHORT, 2, RTSHORT, 2, 0), ""},
  };
  for (auto& k : cases) {
    long n = select(k.filter);
    ASSERT_GT(n, 0) << k.what;
    std::string dump = ase_service_dump(), want = "SEL " + std::to_string(n) + k.links + "\n";
    EXPECT_NE(dump.find(want), std::string::npos) << k.what << "\n" << dump;
    EXPECT_EQ(rq(48, ads_buildlist(RTLONG, (int)n, 0))->restype, RTT);
  }
  EXPECT_EQ(ase_service_dump().find("SEL"), std::string::npos) << "every selection released";
}

TEST_F(LinkStoreTest, ASelectionRefusesCriteriaItCannotServe) {
  ads_name a, gone;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, gone);
  ads_entdel(gone);
  ads_name bogus = {999, 1}, noset = {999, 2};
  struct Case {
    const char* what;
    struct resbuf* filter;
    long code;
  } cases[] = {
      {"unknown entity", ads_buildlist(RTSHORT, 4, RTENAME, bogus, 0), 503},
      {"unknown selection set", ads_buildlist(RTSHORT, -2, RTPICKS, noset, 0), 501},
      {"unknown name", ads_buildlist(RTSHORT, 5, RTSTR, "G$NONE", 0), 502},
      {"bad path", ads_buildlist(RTSHORT, -3, RTSTR, "A.B.C.D.E", 0), 502},
      {"text criterion", ads_buildlist(RTSHORT, 10, RTSTR, "x", 0), 507},
      {"second text criterion", ads_buildlist(RTSHORT, -1, RTSTR, "x", 0), 507},
      {"names and values", ads_buildlist(RTSHORT, 12, RTLB, RTLE, RTLB, RTLE, 0), 507},
      {"unknown criterion", ads_buildlist(RTSHORT, 3, RTSHORT, 0, 0), 501},
      {"kind not a short", ads_buildlist(RTSHORT, 2, RTLONG, 1, 0), 501},
  };
  for (auto& c : cases) {
    EXPECT_TRUE(none(rq(34, c.filter))) << c.what;
    EXPECT_EQ(errors(), (Pairs{{5, c.code}})) << c.what;
  }
  EXPECT_GT(select(ads_buildlist(RTSHORT, 4, RTENAME, gone, 0)), 0) << "an erased entity can still be asked for";
}

TEST_F(LinkStoreTest, ErasingASelectionRemovesItsLinksAndEndsIt) {
  ads_name a, b;
  line(0, 0, 1, 1, a);
  line(2, 2, 3, 3, b);
  ASSERT_EQ(register_lpn("DB3.P.G.STATION", "G$STATION"), 2);
  ASSERT_EQ(write_link(a, "G$STATION", 1), 1);
  ASSERT_EQ(write_link(a, "G$STATION", 2), 2);
  ASSERT_EQ(write_link(b, "G$STATION", 3), 3);
  long all = select(nullptr);
  long of_a = select(ads_buildlist(RTSHORT, 4, RTENAME, a, 0));
  EXPECT_EQ(rq(47, ads_buildlist(RTLONG, (int)of_a, 0))->restype, RTT);
  std::string hb = handle_text_of(b);
  EXPECT_EQ(ase_service_dump(), "LPN G$STATION DB3.P.G.STATION BASENUMBER:4\nLINK 3 kind 1 entity " + hb +
                                    " G$STATION 3\nSEL " + std::to_string(all) + " 3\n");
  EXPECT_TRUE(none(rq(48, ads_buildlist(RTLONG, (int)of_a, 0)))) << "the erased selection is gone";
  EXPECT_EQ(errors(), (Pairs{{5, 504}}));
  EXPECT_TRUE(none(rq(47, ads_buildlist(RTLONG, (int)of_a, 0))));
  EXPECT_EQ(errors(), (Pairs{{5, 504}}));
  for (struct resbuf* bad : {ads_buildlist(RTSTR, "1", 0), ads_buildlist(RTREAL, 1e300, 0),
                             ads_buildlist(RTREAL, 1.5, 0), ads_buildlist(RTLONG, (int)all, RTLONG, 1, 0)}) {
    EXPECT_TRUE(none(rq(48, bad)));
    EXPECT_EQ(errors(), (Pairs{{5, 501}}));
  }
  EXPECT_EQ(rq(48, ads_buildlist(RTREAL, (double)all, 0))->restype, RTT) << "a whole real names a selection";
  EXPECT_EQ(write_link(a, "G$STATION", 1), 4) << "numbers are not reused";
}
