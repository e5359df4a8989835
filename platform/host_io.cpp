/*
** host_io.cpp: the stand-in editor's input source and text screen.
**
** One module-level source of answers (the terminal, or the lines of a
** script) and one transcript of everything printed. Every ads_get* call,
** every host-command pause and every dialog answer reads through
** host_io_read_answer; every ads_printf, ads_prompt and alert prints through
** host_io_print. A script that runs dry cancels and records a fault.
**
** The editor's texts are in its code page (Windows-1252); the terminal and
** scripts are UTF-8. An answer is converted when it is read (an answer
** holding a character the code page lacks is refused with a line saying
** so), and what is printed is converted on its way to the screen; the
** transcript keeps the editor's own bytes.
*/
#include "platform/host_io.h"

#include "platform/host_codepage.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace {

/* The state of the input source and the text screen. */
struct io_state {
  bool script = false;                 /* answers come from script_lines   */
  std::deque<std::string> script_lines;/* answers not yet read             */
  std::string transcript;              /* everything printed since clear   */
  std::vector<std::string> faults;     /* faults since clear               */
  bool echo = true;                    /* print to standard output too     */
  bool ran_out = false;                /* the last read found no answer    */
                                       /* left (script dry, end of input)  */
  std::vector<std::string> secrets;    /* texts never shown (passwords)    */
  bool stopped = false;                /* the script was stopped: reads    */
                                       /* answer dry without a fault       */
  int cancels = 0;                     /* answers that cancelled           */
};

/* The one input source and text screen. */
io_state& io() {
  static io_state s;
  return s;
}

/* Cuts a trailing carriage return (scripts written on other systems). */
void strip_cr(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

/* The answer that cancels a question, typed or scripted. */
const char* const CANCEL_WORD = "*cancel*";

/* True when an answer line is the cancel word. */
bool is_cancel_word(const std::string& line) { return line == CANCEL_WORD; }

/* Converts an answer into the editor's code page in place; false after the
** line that refuses it. */
bool answer_to_code_page(std::string& line) {
  std::string conv, err;
  if (host_cp_from_utf8(line, conv, err)) {
    line = std::move(conv);
    return true;
  }
  host_io_print("*Refused*: " + err + "; the answer is not taken.\n");
  line.clear();
  return false;
}

/* Splits text into script lines; a final line without newline counts. */
void load_lines(std::istream& in) {
  io_state& s = io();
  s.script_lines.clear();
  std::string line;
  while (std::getline(in, line)) {
    strip_cr(line);
    s.script_lines.push_back(line);
  }
  s.script = true;
  s.stopped = false;
}

}  // namespace

/* Switches to answers typed at the terminal. */
void host_io_use_terminal() {
  io().script = false;
  io().script_lines.clear();
}

/* Loads a script file of answers; false (source unchanged) when it cannot be
** opened. */
bool host_io_use_script_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  load_lines(in);
  return true;
}

/* Loads the answers from text, one per line. */
void host_io_use_script_text(const std::string& text) {
  std::istringstream in(text);
  load_lines(in);
}

/* True while answers come from a script. */
bool host_io_is_script() { return io().script; }

static host_answer read_one_answer(const std::string& prompt, std::string& line);

/* What stands for a secret wherever it would be shown. */
constexpr char SECRET_SHOWN[] = "****";

/* The text with every secret replaced by SECRET_SHOWN, the longest first
** (a password's escaped form holds more than the password). */
static std::string masked(std::string text) {
  std::vector<const std::string*> order;
  for (const std::string& secret : io().secrets) order.push_back(&secret);
  std::stable_sort(order.begin(), order.end(),
                   [](const std::string* a, const std::string* b) { return a->size() > b->size(); });
  for (const std::string* secret : order)
    for (size_t at = text.find(*secret); at != std::string::npos;
         at = text.find(*secret, at + sizeof SECRET_SHOWN - 1))
      text.replace(at, secret->size(), SECRET_SHOWN);
  return text;
}

/* The complaint about an answer holding a NUL byte. */
const char* const NUL_REFUSED = "A NUL byte in an answer is refused.\n";

/* Shows the prompt and reads one answer; see host_io.h for the rules. An
** answer holding a NUL byte is refused with a complaint (and a fault in a
** script) and the question asked again: it is never cut at the NUL. */
host_answer host_io_read_answer(const std::string& prompt, std::string& line) {
  while (true) {
    host_answer a = read_one_answer(prompt, line);
    if (a != HOST_ANSWER_LINE || line.find('\0') == std::string::npos) return a;
    host_io_print(NUL_REFUSED);
    if (io().script) host_io_record_fault("answer with a NUL byte at: " + prompt);
  }
}

/* Shows the prompt and reads one answer, as host_io_read_answer without
** the NUL check. */
static host_answer read_one_answer(const std::string& prompt, std::string& line) {
  io_state& s = io();
  host_io_print(prompt);
  line.clear();
  s.ran_out = false;
  if (s.script) {
    if (s.script_lines.empty()) {
      s.ran_out = true;
      if (!s.stopped) host_io_record_fault("script ran dry at: " + prompt);
      return HOST_ANSWER_CANCEL;
    }
    line = s.script_lines.front();
    s.script_lines.pop_front();
    if (!answer_to_code_page(line)) {
      host_io_record_fault("answer refused at: " + prompt);
      return HOST_ANSWER_CANCEL;
    }
    if (is_cancel_word(line)) {
      line.clear();
      host_io_print("*Cancel*\n");
      ++s.cancels;
      return HOST_ANSWER_CANCEL;
    }
    /* Echo the scripted answer so the transcript reads like a session. */
    host_io_print(line + "\n");
    return HOST_ANSWER_LINE;
  }
  while (true) {
    std::cout.flush();
    if (!std::getline(std::cin, line)) {
      line.clear();
      s.ran_out = true;
      s.transcript += "*Cancel*\n";
      return HOST_ANSWER_CANCEL;
    }
    strip_cr(line);
    if (answer_to_code_page(line)) break;
    host_io_print(prompt);   /* the person types the answer again */
  }
  s.transcript += masked(line) + "\n";
  if (is_cancel_word(line)) {
    line.clear();
    s.transcript += "*Cancel*\n";
    ++s.cancels;
    return HOST_ANSWER_CANCEL;
  }
  return HOST_ANSWER_LINE;
}

/* True when the last read answered cancel because no answer was left
** (a dry script, the end of the terminal's input) rather than because the
** user cancelled. */
bool host_io_ran_out() { return io().ran_out; }

/* Answers that cancelled; see host_io.h. */
int host_io_cancels() { return io().cancels; }
void host_io_note_cancel() { ++io().cancels; }

/* Drops the script's answers left; see host_io.h. */
void host_io_stop_script() {
  io_state& s = io();
  s.script_lines.clear();
  s.stopped = s.script;
}

/* Gives the next script line without taking it, in the editor's code page
** when it converts (as read otherwise); false when none is left or the
** terminal is the source. */
bool host_io_peek_answer(std::string& line) {
  io_state& s = io();
  if (!s.script || s.script_lines.empty()) return false;
  line = s.script_lines.front();
  std::string conv, err;
  if (host_cp_from_utf8(line, conv, err)) line = std::move(conv);
  return true;
}

/* Takes the next script line unshown; see host_io.h. */
void host_io_drop_answer() {
  io_state& s = io();
  if (s.script && !s.script_lines.empty()) s.script_lines.pop_front();
}

/* True when the text screen is a terminal, where each line is shown as
** it comes; into a file or a pipe lines go as the stream's buffer fills
** (and before each answer is read), so a command printing a line per
** entity does not write once per line. */
static bool out_is_terminal() {
  static const bool tty = isatty(STDOUT_FILENO) == 1;
  return tty;
}

/* Keeps a text (a password) off the screen and out of the transcript from
** now on; the transcript kept so far loses it too. An empty text is no
** secret. */
void host_io_add_secret(const std::string& text) {
  io_state& s = io();
  if (text.empty()) return;
  for (const std::string& known : s.secrets)
    if (known == text) return;
  s.secrets.push_back(text);
  s.transcript = masked(s.transcript);
}

/* What a screen that is no terminal (a file, a pipe) is given of a text.
** A terminal shows a count written over itself after a carriage return
** ("\rCleaning... 7"); in a file those counts would run together on one
** line, so a line begun with a carriage return is held back, each later
** count replacing it, and written when its line ends: a reader of the
** file sees the last count of each run, on a line of its own. */
static std::string off_terminal(const std::string& text) {
  static bool holding = false;   /* a line begun with '\r' is held     */
  static bool at_start = true;   /* the file stands at a line's start   */
  static std::string held;       /* that line's text so far            */
  std::string out;
  for (char c : text) {
    if (c == '\r') {
      if (!holding && !at_start) out += '\n';
      at_start = true;
      holding = true;
      held.clear();
    } else if (holding && c == '\n') {
      if (!held.empty()) out += held + '\n';
      holding = false;
      held.clear();
    } else if (holding) {
      held += c;
    } else {
      out += c;
      at_start = c == '\n';
    }
  }
  return out;
}

/* Prints on the text screen (when echo is on) and keeps it in the
** transcript, secrets masked. */
void host_io_print(const std::string& raw) {
  io_state& s = io();
  const std::string text = s.secrets.empty() ? raw : masked(raw);
  s.transcript += text;
  if (s.echo) {
    if (out_is_terminal()) {
      std::cout << host_cp_to_utf8(text);
      std::cout.flush();
    } else {
      std::cout << host_cp_to_utf8(off_terminal(text));
    }
  }
}

/* Transcript, echo and fault accessors (see host_io.h). */
const std::string& host_io_transcript() { return io().transcript; }
void host_io_clear_transcript() { io().transcript.clear(); }
void host_io_set_echo(bool on) { io().echo = on; }

/* Keeps a fault for tests and pvhost --script, and shows it where it
** happens (the screen's lines before it first), secrets masked. */
void host_io_record_fault(const std::string& raw) {
  const std::string what = masked(raw);
  io().faults.push_back(what);
  if (!io().echo) return;
  std::cout.flush();
  std::cerr << HOST_IO_FAULT_PREFIX << host_cp_to_utf8(what) << "\n";
}

/* The faults recorded since the last clear. */
const std::vector<std::string>& host_io_faults() { return io().faults; }
void host_io_clear_faults() { io().faults.clear(); }
