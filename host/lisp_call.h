/*
** lisp_call.h: the LISP calls typed at pvhost's command prompt.
**
** A call is written as a list: its function name, then its arguments as
** texts in double quotes, numbers, nil, T or nested lists. Its result is
** printed back as LISP prints it.
**
**     lisp_call c;  std::string err;
**     if (lisp_parse_call("(pv_open \"GEO\" \"DB3\" \"\" \"\")", c, err)) ...
**     lisp_format_result(result)   // ("GEO" "DB3" "" "")
*/
#ifndef PV_HOST_LISP_CALL_H
#define PV_HOST_LISP_CALL_H

#include <string>

#include "platform/include/ads_host.h"

/* A parsed call: the function's name and its arguments. */
struct lisp_call {
    std::string name;             /* function name as written */
    struct resbuf *args = nullptr;/* argument chain; the caller releases it */
};

/* Parses "(name arg ...)". True with the call; false with err for a
** malformed text or one holding a NUL byte (nothing to release then). */
bool lisp_parse_call(const std::string &text, lisp_call &out, std::string &err);

/* True for the logon's names: pv_open or pv-open, in any case, with or
** without "c:". */
bool lisp_is_logon(const std::string &name);

/* The password a call to pv_open carries (the function's name in any
** case, with or without "c:"): the fourth text of the chain, which is its
** arguments or its result; empty for any other function or chain. */
std::string lisp_open_password(const std::string &name, const struct resbuf *chain);

/* A text as LISP writes it between its double quotes: '"' and '\'
** with a '\' before them. */
std::string lisp_escaped(const std::string &text);

/* The result chain as LISP prints it: nil for none, "" for no value
** (RTVOID), a lone value as itself, several values as a list. */
std::string lisp_format_result(const struct resbuf *result);

#endif
