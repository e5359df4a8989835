/*
** lisp_call_test.cpp: reading the LISP calls typed at pvhost's prompt and
** printing results back.
*/
#include "host/lisp_call.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

/* The type codes of a chain. */
std::vector<int> types(const struct resbuf *rb) {
  std::vector<int> t;
  for (; rb; rb = rb->rbnext) t.push_back(rb->restype);
  return t;
}

}  // namespace

TEST(LispCall, ArgumentsOfEveryKind) {
  lisp_call c;
  std::string err;
  ASSERT_TRUE(lisp_parse_call("( pv_open \"GEO\" \"DB3\" \"\" \"a \\\"q\\\" b\" 12 70000 1.5 nil T (1 \"x\") )", c, err))
      << err;
  EXPECT_EQ(c.name, "pv_open");
  EXPECT_EQ(types(c.args), (std::vector<int>{RTSTR, RTSTR, RTSTR, RTSTR, RTSHORT, RTLONG, RTREAL, RTNIL, RTT, RTLB,
                                             RTSHORT, RTSTR, RTLE}));
  EXPECT_STREQ(c.args->resval.rstring, "GEO");
  EXPECT_STREQ(c.args->rbnext->rbnext->resval.rstring, "");
  EXPECT_STREQ(c.args->rbnext->rbnext->rbnext->resval.rstring, "a \"q\" b");
  ads_relrb(c.args);
  ASSERT_TRUE(lisp_parse_call("(pv_logoff)", c, err));
  EXPECT_EQ(c.args, nullptr);
}

TEST(LispCall, MalformedCallsAreRefused) {
  const char *bad[] = {"pv_open", "()", "(pv_open \"GEO\"", "(pv_open \"GEO)", "(pv_open GEO)",
                       "(pv_open) extra", "(f (1 2)", "(f ((((((((((((((((((((((((((((((((((1)))))))))))))))))))))))))))))))))))"};
  for (const char *text : bad) {
    lisp_call c;
    std::string err;
    EXPECT_FALSE(lisp_parse_call(text, c, err)) << text;
    EXPECT_FALSE(err.empty()) << text;
  }
}

TEST(LispCall, NulByteAnywhereInTheCallIsRefusedNeverCut) {
  const std::string bad[] = {std::string("(pv_open \"GEO\0junk\" \"DB3\" \"\" \"\")", 33),
                             std::string("(pv_open\0x \"GEO\")", 18), std::string("(f 12\0)", 8)};
  for (const std::string &text : bad) {
    lisp_call c;
    std::string err;
    EXPECT_FALSE(lisp_parse_call(text, c, err)) << "column " << text.find('\0') + 1;
    EXPECT_NE(err.find("NUL byte at column " + std::to_string(text.find('\0') + 1)), std::string::npos) << err;
    EXPECT_EQ(c.args, nullptr);
  }
}

TEST(LispCall, ResultsPrintAsLisp) {
  EXPECT_EQ(lisp_format_result(nullptr), "nil");
  struct resbuf *r = ads_buildlist(RTSTR, "GEO", RTSTR, "DB3", RTSTR, "", RTSTR, "", 0);
  EXPECT_EQ(lisp_format_result(r), "(\"GEO\" \"DB3\" \"\" \"\")");
  ads_relrb(r);
  r = ads_newrb(RTT);
  EXPECT_EQ(lisp_format_result(r), "T");
  ads_relrb(r);
  r = ads_newrb(RTVOID);
  EXPECT_EQ(lisp_format_result(r), "");
  ads_relrb(r);
  r = ads_buildlist(RTSHORT, 1, RTLB, RTSTR, "a\"b", RTREAL, 2.5, RTLE, 0);
  EXPECT_EQ(lisp_format_result(r), "(1 (\"a\\\"b\" 2.5))");
  ads_relrb(r);
}
