/*
** host_io.h: the stand-in editor's input source and text screen.
**
** Every question the editor asks (a point, a keyword, a text, a file name,
** an answer inside a dialog) reads one answer line here; every text the
** editor shows (ads_printf, ads_prompt, alerts, dialog forms) is printed here
** and kept in a transcript that tests read. The source is either a person at
** the terminal or a script file of answers. A script that runs dry answers
** "cancel" and records a fault, so nothing ever waits forever.
**
**   host_io_use_script_text("pv_logon\nset project GEO\nok\n");
**   std::string line; host_io_read_answer("Command: ", line);  // "pv_logon"
*/
#ifndef PV_PLATFORM_HOST_IO_H
#define PV_PLATFORM_HOST_IO_H

#include <string>
#include <vector>

/* Result of reading one answer. */
enum host_answer {
  HOST_ANSWER_LINE = 0,   /* a line was read into the caller's string        */
  HOST_ANSWER_CANCEL = 1  /* the user cancelled, or the script ran dry       */
};

/* Reads answers from the terminal (standard input); the default. */
void host_io_use_terminal();
/* Reads answers from a script file; false when it cannot be opened. */
bool host_io_use_script_file(const std::string& path);
/* Reads answers from the given text, one answer per line (tests). */
void host_io_use_script_text(const std::string& text);
/* True while answers come from a script rather than a person. */
bool host_io_is_script();

/* Shows the prompt and reads the next answer line (without its newline).
** A line "*cancel*" (typed or scripted) answers HOST_ANSWER_CANCEL; an empty line
** is RETURN. When the script has no line left, records the fault
** "script ran dry at: <prompt>" and answers HOST_ANSWER_CANCEL. The answer
** is given in the editor's code page (Windows-1252); a UTF-8 answer that
** does not convert is refused with a line naming the character: typed, the
** question is asked again; scripted, the fault "answer refused at: <prompt>"
** is recorded and the answer is HOST_ANSWER_CANCEL. */
host_answer host_io_read_answer(const std::string& prompt, std::string& line);
/* True when the last host_io_read_answer answered HOST_ANSWER_CANCEL
** because no answer was left (a dry script, the end of the terminal's
** input), false after a cancel the user gave. */
bool host_io_ran_out();
/* Drops the answers a script has left: every later question is answered
** as by a dry script, without a further fault (the caller recorded why). */
void host_io_stop_script();
/* Answers that cancelled so far: the cancel word, a dialog's "cancel" or
** a press of its cancel tile. A command's caller tells by it a command the
** user cancelled from one that failed. */
int host_io_cancels();
/* Counts one such answer (the dialog runtime's). */
void host_io_note_cancel();
/* Looks at the next script line without taking it; false when none is left
** or answers come from the terminal. */
bool host_io_peek_answer(std::string& line);

/* Takes the next script line without showing it or keeping it in the
** transcript (a script's comment); nothing at the terminal. */
void host_io_drop_answer();

/* Prints text (in the editor's code page) on the editor's text screen, as
** UTF-8, and appends it unchanged to the transcript. */
void host_io_print(const std::string& text);
/* Everything printed since the last clear. */
const std::string& host_io_transcript();
void host_io_clear_transcript();
/* When false, printing only fills the transcript (tests keep quiet). */
void host_io_set_echo(bool on);
/* Keeps a text (a password) off the screen, out of the transcript and out
** of the faults: from now on every occurrence is printed as "****", and
** the transcript kept so far is masked too. An empty text is ignored. */
void host_io_add_secret(const std::string& text);

/* What begins the line that shows a fault on standard error. */
#define HOST_IO_FAULT_PREFIX "pvhost: fault: "

/* Records a fault that a test or pvhost --script must see (a dry script, a
** dialog without a script entry, a tile key the dialog lacks...) and, when
** echo is on, shows it at once on standard error. */
void host_io_record_fault(const std::string& what);
const std::vector<std::string>& host_io_faults();
void host_io_clear_faults();

#endif /* PV_PLATFORM_HOST_IO_H */
