/*
** host_io.cpp: the stand-in editor's input source and text screen.
**
** One module-level source of answers (the terminal, or the lines of a
** script) and one transcript of everything printed. Every ads_get* call,
** every host-command pause and every dialog answer reads through
** host_io_read_answer; every ads_printf, ads_prompt and alert prints through
** host_io_print. A script that runs dry cancels and records a fault.
*/
#include "platform/host_io.h"

#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>

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

/* Shows the prompt and reads one answer; see host_io.h for the rules. */
host_answer host_io_read_answer(const std::string& prompt, std::string& line) {
  io_state& s = io();
  host_io_print(prompt);
  line.clear();
  s.ran_out = false;
  if (s.script) {
    if (s.script_lines.empty()) {
      s.ran_out = true;
      host_io_record_fault("script ran dry at: " + prompt);
      return HOST_ANSWER_CANCEL;
    }
    line = s.script_lines.front();
    s.script_lines.pop_front();
    if (is_cancel_word(line)) {
      line.clear();
      host_io_print("*Cancel*\n");
      return HOST_ANSWER_CANCEL;
    }
    /* Echo the scripted answer so the transcript reads like a session. */
    host_io_print(line + "\n");
    return HOST_ANSWER_LINE;
  }
  std::cout.flush();
  if (!std::getline(std::cin, line)) {
    line.clear();
    s.ran_out = true;
    s.transcript += "*Cancel*\n";
    return HOST_ANSWER_CANCEL;
  }
  strip_cr(line);
  s.transcript += line + "\n";
  if (is_cancel_word(line)) {
    line.clear();
    s.transcript += "*Cancel*\n";
    return HOST_ANSWER_CANCEL;
  }
  return HOST_ANSWER_LINE;
}

/* True when the last read answered cancel because no answer was left
** (a dry script, the end of the terminal's input) rather than because the
** user cancelled. */
bool host_io_ran_out() { return io().ran_out; }

/* Gives the next script line without taking it; false when none is left or
** the terminal is the source. */
bool host_io_peek_answer(std::string& line) {
  io_state& s = io();
  if (!s.script || s.script_lines.empty()) return false;
  line = s.script_lines.front();
  return true;
}

/* Prints on the text screen (when echo is on) and keeps it in the
** transcript. */
void host_io_print(const std::string& text) {
  io_state& s = io();
  s.transcript += text;
  if (s.echo) {
    std::cout << text;
    std::cout.flush();
  }
}

/* Transcript, echo and fault accessors (see host_io.h). */
const std::string& host_io_transcript() { return io().transcript; }
void host_io_clear_transcript() { io().transcript.clear(); }
void host_io_set_echo(bool on) { io().echo = on; }

/* Keeps a fault for tests and pvhost --script, and shows it. */
void host_io_record_fault(const std::string& what) {
  io().faults.push_back(what);
  if (io().echo) std::cerr << "host fault: " << what << "\n";
}

/* The faults recorded since the last clear. */
const std::vector<std::string>& host_io_faults() { return io().faults; }
void host_io_clear_faults() { io().faults.clear(); }
