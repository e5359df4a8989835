/*
** dialog_reader_test.cpp: the dialog-file reader: syntax faults are refused
** with their line, prototypes and the predefined groups expand, and a
** dialog that could not be shown (unknown kind, key twice, prototype loop)
** is refused when it is expanded.
*/
#include <gtest/gtest.h>

#include "platform/dialog/dcl_reader.h"

namespace {

/* Parses text; answers the error text ("" on success). */
std::string parse_error(const std::string& text) {
  dcl_file f;
  std::string err;
  return dcl_parse_text(text, f, err) ? "" : err;
}

/* Parses and expands one dialog; answers the error text ("" on success). */
std::string expand_error(const std::string& text, const std::string& name) {
  dcl_file f;
  std::string err;
  if (!dcl_parse_text(text, f, err)) return "parse: " + err;
  std::vector<dcl_tile> tiles;
  return dcl_expand_dialog(f, name, tiles, err) ? "" : err;
}

struct bad_text {
  const char* text;       /* dialog-file text                     */
  const char* message;    /* part of the error it must give       */
};

TEST(DclReader, SyntaxFaultsAreRefusedWithTheirLine) {
  const bad_text cases[] = {
      {"d : dialog { label = \"open;\n }", "line 1: unterminated string"},
      {"d : dialog {\n : button { key = \"a\"; }\n", "line 1: \"dialog\" is not closed"},
      {"d : dialog { key = ; }", "line 1: expected a value"},
      {"d : dialog {\n label = \"x\" }", "line 2: expected ';'"},
      {"/* never closed\n d : dialog {}", "line 1: unterminated comment"},
      {"d dialog {}", "line 1: expected ':'"},
      {"d : dialog {} d : dialog {}", "\"d\" is defined twice"},
      {"d : dialog { # }", "unexpected character '#'"},
  };
  for (const bad_text& c : cases) {
    std::string err = parse_error(c.text);
    EXPECT_NE(err.find(c.message), std::string::npos) << c.text << " gave: " << err;
  }
}

TEST(DclReader, DialogsThatCannotBeBuiltAreRefused) {
  const bad_text cases[] = {
      {"d : dialog { : gizmo { key = \"a\"; } }", "unknown tile kind \"gizmo\""},
      {"d : dialog { : button { key = \"a\"; } : toggle { key = \"a\"; } }",
       "key \"a\" is used twice"},
      {"p : q {} q : p {} d : dialog { : p {} }", "refers to itself"},
      {"d : dialog { : button { : text {} } }", "a button cannot hold"},
      {"d : dialog { : dialog {} }", "cannot sit inside"},
      {"b : button {} d : dialog {}", ""},
  };
  for (const bad_text& c : cases) {
    std::string err = expand_error(c.text, "d");
    if (c.message[0] == '\0')
      EXPECT_EQ(err, "") << c.text;
    else
      EXPECT_NE(err.find(c.message), std::string::npos) << c.text << " gave: " << err;
  }
  EXPECT_NE(expand_error("b : button {}", "b").find("not a dialog"), std::string::npos);
  EXPECT_NE(expand_error("b : button {}", "zz").find("no dialog"), std::string::npos);
}

TEST(DclReader, PrototypesLayTheirAttributesUnderTheTile) {
  const char text[] =
      "// a prototype with a default width\n"
      "wide_list : list_box { width = 40; multiple_select = true; label = \"L\"; }\n"
      "d : dialog {\n"
      "  label = \"Test \\\"quoted\\\"\";\n"
      "  : wide_list { key = \"rows\"; width = 20; list = \"a\\nb\"; }\n"
      "  ok_cancel;\n"
      "  errtile;\n"
      "}\n";
  dcl_file f;
  std::string err;
  ASSERT_TRUE(dcl_parse_text(text, f, err)) << err;
  EXPECT_EQ(dcl_dialog_names(f), std::vector<std::string>{"d"});
  std::vector<dcl_tile> t;
  ASSERT_TRUE(dcl_expand_dialog(f, "d", t, err)) << err;
  EXPECT_EQ(dcl_attr_or(t[0], "label", ""), "Test \"quoted\"");
  ASSERT_EQ(t[1].kind, "list_box");
  EXPECT_EQ(dcl_attr_or(t[1], "width", ""), "20");          /* tile wins   */
  EXPECT_EQ(dcl_attr_or(t[1], "label", ""), "L");           /* inherited   */
  EXPECT_TRUE(dcl_attr_true(t[1], "multiple_select"));
  EXPECT_EQ(dcl_attr_or(t[1], "list", ""), "a\nb");
  std::vector<std::string> keys;
  for (const dcl_tile& x : t)
    if (!dcl_attr_or(x, "key", "").empty()) keys.push_back(dcl_attr_or(x, "key", ""));
  EXPECT_EQ(keys, (std::vector<std::string>{"rows", "accept", "cancel", "error"}));
  EXPECT_EQ(t[t.size() - 1].parent, 0);                     /* errtile     */
}

TEST(DclReader, MissingFileIsReportedWithItsName) {
  dcl_file f;
  std::string err;
  EXPECT_FALSE(dcl_parse_file("/nonexistent/x.dcl", f, err));
  EXPECT_NE(err.find("/nonexistent/x.dcl"), std::string::npos);
}

TEST(DclReader, DeepNestingAndGarbageAreRefusedWithoutACrash) {
  std::string deep = "d : dialog {";
  for (int i = 0; i < 5000; ++i) deep += " : row {";
  EXPECT_NE(parse_error(deep).find("nested too deeply"), std::string::npos);
  /* Random marks: any answer will do as long as the reader returns. */
  static const char kAlphabet[] = "d:{}=;\"/* \nabc";
  unsigned seed = 12345;
  for (int round = 0; round < 200; ++round) {
    std::string text = "d : dialog { ";
    for (int i = 0; i < 64; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += kAlphabet[(seed >> 16) % (sizeof kAlphabet - 1)];
    }
    dcl_file f;
    std::string err;
    if (dcl_parse_text(text, f, err)) {
      std::vector<dcl_tile> tiles;
      dcl_expand_dialog(f, "d", tiles, err);
    }
  }
}

}  // namespace
