/*
** memo_lines_test.cpp: a memo text split into stored lines, the check of
** a typed line and the line list the editor works on.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/memo.h"
#include "platform/host_io.h"

namespace {

/* The state's line list as texts. */
std::vector<std::string> lines()
{
    std::vector<std::string> out;
    for (memo_line *l = memo_state()->lines; l; l = l->next) out.push_back(l->text);
    return out;
}

/* "word" n times with single blanks. */
std::string words(int n)
{
    std::string s;
    for (int i = 0; i < n; i++) s += i ? " word" : "word";
    return s;
}

class MemoLines : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_clear_transcript();
    memo_reset();
  }
  void TearDown() override { memo_reset(); }
};

TEST_F(MemoLines, SplitBreaksLinesWhereTheTextAllowsAndEndsWithTheEndLine) {
  std::string letters;
  for (int i = 0; i < 200; i++) letters += (char)('a' + i % 26);
  struct {
    const char *why;
    std::string text;
    std::vector<size_t> lengths;     /* lengths of the stored lines */
  } cases[] = {
      {"no break character: cut at 68", letters, {68, 68, 64}},
      {"blanks every fifth character", words(30), {65, 65, 15, 4}},
      {"exactly one full line", std::string(68, 'x'), {68}},
      {"one character", "x", {1}},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(memo_split(c.text.c_str()), 0) << c.why;
    std::vector<std::string> got = lines();
    ASSERT_EQ(got.size(), c.lengths.size() + 1) << c.why;
    std::string joined;
    for (size_t i = 0; i < c.lengths.size(); i++) {
      EXPECT_EQ(got[i].size(), c.lengths[i]) << c.why << " line " << i;
      joined += got[i];
    }
    EXPECT_EQ(joined, c.text) << c.why << ": nothing is lost or doubled";
    EXPECT_EQ(got.back(), MEMO_END_SPLIT) << c.why;
  }
}

TEST_F(MemoLines, SplitTurnsControlsIntoBlanksAndKeepsEveryWindows1252Character) {
  struct {
    const char *why;
    const char *text;
    std::vector<std::string> want;   /* stored lines, end line left out */
  } cases[] = {
      {"a last word after a blank is a line of its own", "Rock is grey", {"Rock is ", "grey"}},
      {"a final full stop keeps the text on one line", "Rock is grey.", {"Rock is grey."}},
      {"tab and line feed become blanks", "a\tb\nc", {"a b ", "c"}},
      {"accented letters and quotes are kept", "Cr\xeate \xe0 l'Ouest, pr\xe8s du \"lac\"",
       {"Cr\xeate \xe0 l'Ouest, pr\xe8s du ", "\"lac\""}},
      {"other control codes and 141 become blanks", "ab\x01" "cd\x8d" "e\x7f" "f", {"ab cd e ", "f"}},
      {"an empty text: an empty list", "", {}},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(memo_split(c.text), 0) << c.why;
    std::vector<std::string> got = lines();
    std::vector<std::string> want = c.want;
    if (!want.empty()) want.push_back(MEMO_END_SPLIT);
    EXPECT_EQ(got, want) << c.why;
  }
  EXPECT_EQ(memo_split(nullptr), -2);
}

TEST_F(MemoLines, SplittingAgainReplacesTheListInsteadOfAppending) {
  ASSERT_EQ(memo_split("first text."), 0);
  ASSERT_EQ(memo_split("second."), 0);
  EXPECT_EQ(lines(), (std::vector<std::string>{"second.", MEMO_END_SPLIT}));
}

TEST_F(MemoLines, CheckRefusesControlsDeleteAndQuoteNamingCodeAndColumn) {
  struct {
    const char *text;
    int want;
    const char *alert;               /* text of the alert, null for none */
  } cases[] = {
      {"Rock's", RTERROR, "Illegal character 39 at column 5."},
      {"a\tb", RTERROR, "Illegal character 9 at column 2."},
      {"del\x7f", RTERROR, "Illegal character 127 at column 4."},
      {"Granite, grey \"fresh\" - 5%", RTNORM, nullptr},
      {"", RTNORM, nullptr},
  };
  for (const auto &c : cases) {
    host_io_clear_transcript();
    EXPECT_EQ(memo_check_line(c.text), c.want) << c.text;
    std::string t = host_io_transcript();
    if (c.alert) {
      EXPECT_NE(t.find("Petrivex ERROR:\n" + std::string(c.alert)), std::string::npos) << t;
    } else {
      EXPECT_EQ(t, "") << c.text;
    }
  }
  EXPECT_EQ(memo_check_line(nullptr), -2);
}

TEST_F(MemoLines, ListAddsAfterALineOrAtTheHeadAndRemovesByIndex) {
  memo_line *list = nullptr;
  memo_line *b = memo_line_add(&list, nullptr, "b");
  memo_line_add(&list, b, "d");
  memo_line_add(&list, b, "c");
  memo_line_add(&list, nullptr, "a");
  std::string seen;
  for (memo_line *l = list; l; l = l->next) seen += l->text;
  EXPECT_EQ(seen, "abcd");
  EXPECT_STREQ(memo_line_nth(list, 2)->text, "c");
  EXPECT_EQ(memo_line_nth(list, 4), nullptr);
  EXPECT_EQ(memo_line_nth(list, -1), nullptr);
  EXPECT_EQ(memo_line_remove(&list, 0), 0);
  EXPECT_EQ(memo_line_remove(&list, 1), 0);
  EXPECT_EQ(memo_line_remove(&list, 2), -1);
  seen.clear();
  for (memo_line *l = list; l; l = l->next) seen += l->text;
  EXPECT_EQ(seen, "bd");
  std::string long_text(400, 'x');
  memo_line *cut = memo_line_add(&list, nullptr, long_text.c_str());
  EXPECT_EQ(std::string(cut->text).size(), (size_t)MEMO_LINE_SIZE - 1) << "a line never overruns its buffer";
  memo_line_free(&list);
  EXPECT_EQ(list, nullptr);
}

}  // namespace
