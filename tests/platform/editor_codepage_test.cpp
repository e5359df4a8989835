/*
** editor_codepage_test.cpp: the stand-in editor keeps its texts in
** Windows-1252: answers typed or scripted in UTF-8 reach the module in the
** code page, what it prints reaches the screen in UTF-8, characters the
** code page lacks are refused whole, and drawings written by an independent
** DXF library (ezdxf, through dxf_texts.py) keep their texts through OPEN
** and SAVE.
*/
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <poll.h>
#include <unistd.h>

#include "editor_fixture.h"
#include "platform/host_codepage.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

namespace {

/* Texts in UTF-8 and in the code page. */
struct cp_pair {
  const char* utf8;
  const char* cp;
};
const cp_pair k_pairs[] = {
    {"plain ASCII", "plain ASCII"},
    {"Cr\xC3\xAAte", "Cr\xEAte"},                     /* e circumflex, Latin-1 half */
    {"Stra\xC3\x9F" "e", "Stra\xDF" "e"},             /* sharp s */
    {"\xE2\x82\xAC 5 \xC2\xB5m", "\x80 5 \xB5m"},     /* euro sign sits at 0x80 */
    {"\xC5\xBD\xC5\x93\xE2\x80\x9C\xC5\xB8", "\x8E\x9C\x93\x9F"}, /* Z caron, oe, quote, Y diaeresis */
    {"\xC3\xBF", "\xFF"},
    {"", ""},
};

/* UTF-8 texts refused, and a part of the reason that must be given. */
struct cp_refusal {
  const char* utf8;
  const char* reason;
};
const cp_refusal k_refusals[] = {
    {"Han \xE4\xB8\xAD", "U+4E2D at position 5"},       /* outside the code page */
    {"C1 \xC2\x81", "U+0081"},                          /* a byte the page leaves unassigned */
    {"Latin-1 byte \xEA", "0xEA at position 14 is not UTF-8"},
    {"cut \xE2\x82", "0xE2 at position 5 is not UTF-8"},
    {"overlong \xC0\xAF", "0xC0 at position 10 is not UTF-8"},
    {"surrogate \xED\xA0\x80", "0xED at position 11 is not UTF-8"},
};

/* Runs a command and gives what it printed. */
std::string run(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (pclose(p) != 0) out = "failed: " + out;
  }
  return out;
}

}  // namespace

TEST(CodePage, TextsConvertBothWaysWithoutLoss) {
  for (const cp_pair& p : k_pairs) {
    std::string cp, err;
    ASSERT_TRUE(host_cp_from_utf8(p.utf8, cp, err)) << p.utf8 << ": " << err;
    EXPECT_EQ(cp, p.cp) << p.utf8;
    EXPECT_EQ(host_cp_to_utf8(p.cp), p.utf8);
  }
  for (int b = 0; b < 256; ++b) {
    std::string one(1, (char)b), back, err;
    std::string shown = host_cp_to_utf8(one);
    bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (unassigned) {
      EXPECT_EQ(shown, "\xEF\xBF\xBD") << "byte " << b << " shows as the replacement character";
      continue;
    }
    ASSERT_TRUE(host_cp_from_utf8(shown, back, err)) << "byte " << b << ": " << err;
    EXPECT_EQ(back, one) << "byte " << b << " does not come back from UTF-8";
  }
}

TEST(CodePage, CharactersOutsideTheCodePageAreRefusedWhole) {
  for (const cp_refusal& r : k_refusals) {
    std::string cp = "left over", err;
    EXPECT_FALSE(host_cp_from_utf8(r.utf8, cp, err)) << r.utf8;
    EXPECT_TRUE(cp.empty()) << "half a text was given back for " << r.utf8;
    EXPECT_NE(err.find(r.reason), std::string::npos) << err;
  }
}

class CodePageIo : public EditorTest {};

TEST_F(CodePageIo, ScriptedAnswerReachesTheModuleInTheCodePageAndIsShownInUtf8) {
  host_io_set_echo(true);
  host_io_use_script_text("Cr\xC3\xAAte\n");
  std::string line;
  testing::internal::CaptureStdout();
  host_answer a = host_io_read_answer("Name: ", line);
  host_io_print("Station " + line + " saved\n");
  std::string screen = testing::internal::GetCapturedStdout();
  host_io_set_echo(false);
  ASSERT_EQ(a, HOST_ANSWER_LINE);
  EXPECT_EQ(line, "Cr\xEAte");
  EXPECT_EQ(screen, "Name: Cr\xC3\xAAte\nStation Cr\xC3\xAAte saved\n");
  EXPECT_NE(host_io_transcript().find("Station Cr\xEAte saved"), std::string::npos)
      << "the transcript keeps the editor's own bytes";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(CodePageIo, LinesPrintedIntoAPipeWaitInTheBufferInsteadOfBeingWrittenOneByOne) {
  if (isatty(STDOUT_FILENO)) GTEST_SKIP() << "the screen is a terminal, where lines are shown as they come";
  std::cout.flush();
  fflush(stdout);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  int saved = dup(STDOUT_FILENO);
  dup2(fds[1], STDOUT_FILENO);
  host_io_set_echo(true);
  for (int i = 0; i < 3; i++) host_io_print("Entities... " + std::to_string(i) + "\n");
  struct pollfd p = {fds[0], POLLIN, 0};
  int waiting = poll(&p, 1, 0);
  std::cout.flush();
  fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(fds[1]);
  host_io_set_echo(false);
  std::string got;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, (size_t)n);
  close(fds[0]);
  EXPECT_EQ(waiting, 0) << "a line reached the pipe before the stream was flushed";
  EXPECT_EQ(got, "Entities... 0\nEntities... 1\nEntities... 2\n");
}

TEST_F(CodePageIo, ScriptedAnswerOutsideTheCodePageIsRefusedAndCancels) {
  host_io_use_script_text("\xE4\xB8\xAD\nnext\n");
  std::string line = "x";
  EXPECT_EQ(host_io_read_answer("Name: ", line), HOST_ANSWER_CANCEL);
  EXPECT_TRUE(line.empty());
  EXPECT_NE(host_io_transcript().find("*Refused*: character U+4E2D"), std::string::npos) << host_io_transcript();
  ASSERT_EQ(host_io_faults().size(), 1u);
  EXPECT_EQ(host_io_faults()[0], "answer refused at: Name: ");
  ASSERT_EQ(host_io_read_answer("Again: ", line), HOST_ANSWER_LINE) << "the refused line alone is used up";
  EXPECT_EQ(line, "next");
}

TEST_F(CodePageIo, TypedAnswerOutsideTheCodePageIsAskedForAgain) {
  std::istringstream typed("\xE4\xB8\xAD\nStra\xC3\x9F" "e\n");
  std::streambuf* saved = std::cin.rdbuf(typed.rdbuf());
  host_io_use_terminal();
  std::string line;
  host_answer a = host_io_read_answer("Name: ", line);
  std::cin.rdbuf(saved);
  host_io_use_script_text("");
  ASSERT_EQ(a, HOST_ANSWER_LINE);
  EXPECT_EQ(line, "Stra\xDF" "e");
  const std::string& t = host_io_transcript();
  size_t refused = t.find("*Refused*: character U+4E2D");
  ASSERT_NE(refused, std::string::npos) << t;
  EXPECT_NE(t.find("Name: ", refused), std::string::npos) << "the question is not asked again: " << t;
  EXPECT_TRUE(host_io_faults().empty()) << "a person's slip is not a fault";
}

class CodePageDxf : public EditorTest {
 protected:
  fs::path dir;
  void SetUp() override {
    EditorTest::SetUp();
    dir = pv_make_scratch_dir("pv_platform_codepage_");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
    EditorTest::TearDown();
  }
  /* The values of the drawing's TEXT entities, in order. */
  std::vector<std::string> texts() {
    std::vector<std::string> out;
    ads_name e, n;
    for (int ok = ads_entnext(nullptr, e); ok == RTNORM; ok = ads_entnext(e, n), e[0] = n[0], e[1] = n[1]) {
      struct resbuf* l = ads_entget(e);
      if (std::string(find(l, 0)->resval.rstring) == "TEXT") out.push_back(find(l, 1)->resval.rstring);
      ads_relrb(l);
    }
    return out;
  }
};

TEST_F(CodePageDxf, TextsOfAnIndependentWriterSurviveOpenAndSaveInEveryVersion) {
  const std::string script = "/usr/bin/python3 " + std::string(PV_TEST_DATA_DIR) + "/platform/dxf_texts.py ";
  /* (version, the value ezdxf reads back for the character beyond the
  ** code page: older versions keep ezdxf's own notation, UTF-8 versions
  ** get the editor's) */
  struct {
    const char* version;
    const char* han_back;
  } cases[] = {{"R12", "\\U+4e2d"}, {"R2000", "\\U+4e2d"}, {"R2010", "\\U+4E2D"}};
  for (auto& c : cases) {
    std::string in = (dir / (std::string("in_") + c.version + ".dxf")).string();
    std::string out = (dir / (std::string("out_") + c.version + ".dxf")).string();
    ASSERT_EQ(run(script + "write " + c.version + " " + in +
                  " 'Cr\xC3\xAAte' 'Stra\xC3\x9F" "e' '\xE2\x82\xAC 5 \xC2\xB5m' '\xE4\xB8\xAD'"),
              "")
        << c.version;
    std::string err;
    ASSERT_TRUE(host_open_drawing(in, err)) << c.version << ": " << err;
    std::vector<std::string> held = texts();
    ASSERT_EQ(held.size(), 4u) << c.version;
    EXPECT_EQ(held[0], "Cr\xEAte") << c.version << ": the drawing holds its texts in the code page";
    EXPECT_EQ(held[2], "\x80 5 \xB5m") << c.version;
    ASSERT_TRUE(host_save_drawing(out, err)) << err;
    EXPECT_EQ(run(script + "read " + out), std::string("ANSI_1252\nCr\xC3\xAAte\nStra\xC3\x9F" "e\n\xE2\x82\xAC 5 \xC2\xB5m\n") +
                                               c.han_back + "\n")
        << c.version;
  }
}

TEST_F(CodePageDxf, FilesInAnotherCodePageOrNotUtf8AreRefusedAndTheDrawingIsKept) {
  ads_name keep;
  line(0, 0, 1, 1, keep);
  const std::string head = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\n";
  const std::string body = "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nTEXT\n10\n0\n20\n0\n40\n1\n1\n";
  const std::string tail = "\n0\nENDSEC\n0\nEOF\n";
  struct {
    const char* what;
    std::string text;
    const char* reason;
  } cases[] = {
      {"Cyrillic page", head + "AC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n" + body + "\xC4\xE0" + tail, "ANSI_1251"},
      {"UTF-8 version with a Latin-1 byte", head + "AC1027\n" + body + "Cr\xEAte" + tail, "not UTF-8"},
  };
  for (auto& c : cases) {
    std::string path = (dir / "bad.dxf").string();
    std::ofstream(path, std::ios::binary) << c.text;
    std::string err;
    EXPECT_FALSE(host_open_drawing(path, err)) << c.what;
    EXPECT_NE(err.find(c.reason), std::string::npos) << c.what << ": " << err;
    EXPECT_EQ(host_model_entity_count(), 1) << c.what;
  }
  /* Another code page with ASCII texts only reads as it is. */
  std::string path = (dir / "ascii.dxf").string();
  std::ofstream(path, std::ios::binary) << head + "AC1015\n9\n$DWGCODEPAGE\n3\nANSI_1251\n" + body + "Sample" + tail;
  std::string err;
  ASSERT_TRUE(host_open_drawing(path, err)) << err;
  EXPECT_EQ(texts(), std::vector<std::string>{"Sample"});
}
