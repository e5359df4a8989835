/*
** msg_box.h: alerts and message boxes of the application.
**
** An alert shows a title and a printf-style text; a long one goes to the
** wrapping alert dialog. The question boxes (OK/quit, yes/no,
** yes/no/cancel) come in three sizes, chosen by how many lines the text
** needs; each answers the host's result codes.
**
**     if (msg_yes_no("Delete this row ?") != RTNORM) return RTCAN;
**     msg_alert("Petrivex ERROR:", "Cannot open %s.", path);
*/
#ifndef PV_CORE_MSG_BOX_H
#define PV_CORE_MSG_BOX_H

#include <string>
#include <vector>

/* Title and text of this many characters or more go to pv_alert_wrap. */
#define MSG_WRAP_THRESHOLD 133
/* Columns the wrapping alert wraps its text at. */
#define MSG_WRAP_COLUMNS 55
/* Room for the formatted text beyond the lengths of title and format. */
#define MSG_FORMAT_EXTRA 4096

/* Sizes of the question boxes. */
enum msg_box_size {
    MSG_BOX_SMALL = 0,   /* 2 lines of 40 columns */
    MSG_BOX_MEDIUM = 1,  /* 4 lines of 55 columns */
    MSG_BOX_LARGE = 2    /* 8 lines of 70 columns */
};

/* Shows a printf-style alert under the title. Answers 5100; -5001 for a
** null title, a null or empty format, or when memory runs out. A text cut
** at the buffer's end is shown cut, never written beyond it. */
int msg_alert(const char *title, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

/* OK/quit box: 5100 for OK, -5001 for quit or cancel, -2 for a null text,
** -9501 when the box cannot be loaded. */
int msg_ok_quit(const char *text);
/* Yes/no box: 5100 for yes, -5001 for no, -2 for a null text, -9501 when
** the box cannot be loaded. */
int msg_yes_no(const char *text);
/* The same yes/no box for a question that is asked again on no: 5100 for
** yes, -5001 for no, -5002 when the box was closed without an answer (a
** cancel, or a script that ran dry), so the asking loop can end. */
int msg_yes_no_or_cancel(const char *text);
/* Yes/no/cancel box: 5100 yes, -5001 no, -5002 cancel, -2 for a null
** text, -9501 when the box cannot be loaded. */
int msg_yes_no_cancel(const char *text);

/* Shows a title and a text in dialog pv_msg_box (progress or a summary)
** until OK. 5100; -2 for a null text; -9501 when it cannot be loaded. */
int pv_msg_box(const char *title, const char *text);

/* The smallest box whose lines hold the text (wrapped at its columns);
** MSG_BOX_LARGE for a text that fits none (it is cut to eight lines). */
msg_box_size msg_box_size_for(const char *text);
/* Name of the question box of a kind ("ok", "okquit", "yesno", "ync") in a
** size: "pv_yesno_small" and so on. */
std::string msg_box_dialog_name(const char *kind, msg_box_size size);
/* Wraps a text at a width: line breaks are kept, lines are broken at
** blanks, and a word longer than the width is cut into pieces. */
std::vector<std::string> msg_wrap_text(const char *text, int width);

#endif
