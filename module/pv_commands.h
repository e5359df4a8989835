/*
** pv_commands.h: the command table, the definition of its names in the
** host and the dispatch of an invoked function to its handler.
**
** Each of the 33 commands is defined twice: under its command-line name
** ("c:pv-open", codes 0 to 32) and its LISP name ("pv_open", codes 33 to
** 65). The host invokes a name by its code; pv_dispatch calls the
** command's handler with the argument list.
**
**     (pv_open "GEO" "DB3" "" "")  ->  pv_dispatch  ->  handler of "open"
*/
#ifndef PV_MODULE_PV_COMMANDS_H
#define PV_MODULE_PV_COMMANDS_H

#include "platform/include/ads_host.h"

/* Commands of the table, and names defined in the host (two per command). */
#define PV_COMMAND_COUNT 33
#define PV_FUNCTION_COUNT (2 * PV_COMMAND_COUNT)

/* A command handler: takes the invocation's argument list (may be null;
** the dispatcher releases it) and answers a host or application code. */
typedef int (*pv_handler)(struct resbuf *args);

/* What a command gives back to a LISP caller. */
enum pv_result_kind {
    PV_RESULT_NONE = 0,   /* nothing */
    PV_RESULT_LOGON = 1,  /* (project environment user password) or nil */
    PV_RESULT_FLAG = 2    /* T or nil */
};

/* One command of the table. */
struct pv_command {
    const char *cmd_name;     /* command-line name, "c:pv-open" */
    const char *lisp_name;    /* LISP name, "pv_open" */
    pv_handler handler;       /* the handler; null while the command is not built */
    pv_result_kind result;    /* what a LISP caller gets back */
};

/* The command table, in the order of the function codes. */
extern const pv_command pv_command_table[PV_COMMAND_COUNT];

/* The name defined under a function code (0..65); null for another code. */
const char *pv_function_name(int code);

/* Undefines and defines the 66 names with their codes. 5100; -5001 after
** the alert "Cannot load function: %s" when the host refuses a name. */
int pv_defun_all(void);

/* Runs the invoked function: reads its code and arguments, calls its
** handler, releases the arguments. 5100 for a code of the table whatever
** the handler did; -5001 after the alert "Cannot execute function: %s."
** for another code. A command not built yet prints one line saying so. */
int pv_dispatch(void);

/* Gives the LISP result of a logon: the list of the four texts, or nil
** when project is null. 5100, -5001 when the host cannot take it. */
int pv_ret_logon(const char *project, const char *environment, const char *user,
                 const char *password);
/* Gives T when ok is non-zero, else nil; the host's result. */
int pv_ret_flag(int ok);

#endif
