/*
** mark_file.h: the mark a command that writes several rows or files keeps
** where every user of the project finds it while it runs, so that the
** next logon, whoever's, can put back what a command cut short (the
** process killed) left half done.
**
** A dBASE project's marks are files in its folder: a mark is written whole
** under a fresh name and renamed into place, and its writer holds a lock
** on it (flock) until it ends; so a mark found unlocked is one a command
** cut short left behind, and one found locked belongs to a command still
** running. A server project's marks are rows of the table PVMARK in its
** schema (the mark's name, the order of its pieces, a piece of its text in
** hex, the command that writes it and the role that wrote it, which a
** trigger of the table records whatever the statement gives, so that a
** mark asks nothing its writer may not do), each piece one INSERT; its writer's
** session holds the server's advisory lock named after the mark until it
** ends, which the server lets go when the session is gone, so there too a
** mark whose lock another logon can take is one a command cut short left.
**
** Each line of a mark ends in a tab and the check of the body so far (the
** CRC-32 of every line before it and of itself, newline included, as
** eight lowercase hex digits), so that a mark changed by hand or damaged
** on disk is told from one a command wrote: mark_take refuses it whole
** (MARK_DAMAGED) and no caller changes anything by it. The callers see
** the body without the checks.
**
**     mark_file m;
**     if (mark_begin(m, dir + "PVMOVE.MRK", body) != 0) ...   // errno says why
**     ... the rows are written ...
**     mark_end(m, false);
*/
#ifndef PV_CORE_MARK_FILE_H
#define PV_CORE_MARK_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct mark_file;
/* Where a held mark other than a file is written (mark_store.cpp). */
struct mark_store {
    int (*append)(mark_file &mark, const std::string &sealed); /* adds sealed lines: 0, or -1 with errno */
    void (*end)(mark_file &mark, bool keep);                    /* lets it go, removed unless keep */
    int (*aside)(mark_file &mark, std::string &aside);          /* mark_set_aside of a held mark */
};

/* A mark held by the command that writes it. */
struct mark_file {
    std::string path;   /* the mark as named in messages (a file's path); empty when none was written */
    int fd = -1;        /* a file mark: open and locked while the command runs */
    uint32_t check = 0; /* the check of the body written so far (CRC-32) */
    void *connection = nullptr; /* a server mark: the session holding its lock while held */
    const mark_store *store = nullptr; /* a server mark: its writer while held */
    std::string name;   /* a server mark: its name in PVMARK */
    long pieces = 0;    /* a server mark: the pieces written so far */
    std::string command; /* a server mark found busy: the command that writes it ("" unknown) */
    std::string writer;  /* a server mark taken: the role the server recorded writing it ("" unknown) */
};

/* What a command does under its mark before the mark names it, or after
** the mark is let go and before its lock is (a copy of a table the mark
** names made or removed): while it runs the mark stands, locked, at path +
** "N", so that a logon tells it at work from one cut short. 0, or -1 with
** errno. */
using mark_step = std::function<int()>;

/* Writes body whole as the mark at path (through path + "N" renamed into
** place) and keeps it locked; ready, when given, runs once the fresh mark
** is locked and before it is written (its failure fails the mark). 0, or
** -1 with errno (nothing is left; EEXIST when a mark stands at path: it is
** never replaced). */
int mark_begin(mark_file &mark, const std::string &path, const std::string &body, const mark_step &ready = nullptr);
/* Adds text (whole lines) to the end of a held mark. 0, or -1 with errno. */
int mark_append(mark_file &mark, const std::string &text);
/* Lets a held mark go, removing it unless keep is set (its path stays
** named); nothing for a mark not held. A mark removed runs gone, when
** given, after it left its name and (a file mark) before its lock goes. */
void mark_end(mark_file &mark, bool keep, const mark_step &gone = nullptr);

/* What mark_take found. */
#define MARK_NONE 0   /* no mark (a mark cut short while written is removed) */
#define MARK_FOUND 1  /* a mark left behind: its body read, held in mark */
#define MARK_BUSY 2   /* a mark a running command holds */
#define MARK_DAMAGED 3 /* a mark left behind that fails its check: held, body says why */
#define MARK_UNREAD 4  /* the server cannot say whether there is a mark, or who wrote it: nothing held, body says why */
/* Takes the mark at path left by a command cut short: reads its body and
** holds it (end it with mark_end). A last line cut short while it was
** written is left out of the body; a line that fails its check makes the
** whole mark MARK_DAMAGED, with body saying which ("its line 3 fails its
** check"), and so does something other than a regular file at its name
** (a FIFO is never waited on), path then naming it. */
int mark_take(mark_file &mark, const std::string &path, std::string &body);
/* Sets a mark the logon cannot use aside, so that it stands in no
** command's way and its owner can still read it: renamed, never over
** another name, to its name and ".BAD" (".BAD2", ".BAD3"... while taken;
** on a server its rows of PVMARK), and let go. Answers 0 with aside the
** name it now has as messages name it; -1 with aside saying why it cannot
** be (it is then left in place). */
int mark_set_aside(mark_file &mark, std::string &aside);
/* Names a mark set aside may take before mark_set_aside gives up. */
constexpr int MARK_ASIDE_TRIES = 100;
/* The try-th name (from 1) a mark named name is set aside as: name and
** ".BAD", then ".BAD2", ".BAD3"... */
std::string mark_aside_name(const std::string &name, int try_no);
/* The end of the logon's message on a mark it cannot use, set aside by
** mark_set_aside: "It is set aside as X and no row was changed: check
** <check>." (row the word for what was left as it was), or, when it
** cannot be set aside, why, and what to do to let commands begin. */
std::string mark_aside_text(mark_file &mark, const char *row, const std::string &check);
/* mark_take of the mark of that name in folder dir (a separator is added
** when it has none). */
int mark_take_in(mark_file &mark, const char *dir, const char *name, std::string &body);
/* The whole lines of a mark's body (a last line without its newline was
** cut short and is left out). */
std::vector<std::string> mark_lines(const std::string &body);
/* The lines of text as a mark holds them, each with the check of the body
** so far, check being that of the lines before (0 for the first); check
** follows. A last line without its newline is given one. */
std::string mark_seal(const std::string &text, uint32_t &check);
/* The body of a mark as read from its file, without the checks: 0; -1
** when a whole line fails its check (why names it). A last line without
** its newline (cut short while written) is left out. */
int mark_unseal(const std::string &sealed, std::string &body, std::string &why);

/* The folder of a project's own files (pjct_file_dir) ending in a
** separator, or "" when it has none. */
struct pjct_rec;
std::string mark_folder(const pjct_rec *project);

/* The table of a server project's marks. */
#define MARK_TABLE "PVMARK"

/* mark_begin of the mark of that name (STATN.MRG) where the project keeps
** its marks: a file of its folder, or on a server a mark of PVMARK written
** by command (said to another logon that finds it busy). 0 (nothing for a
** dBASE project without a folder: no path); -1 with errno (EEXIST: a mark
** of that name is there, EBUSY another session holds it). ready runs as
** mark_begin's does. */
int mark_begin_of(mark_file &mark, const pjct_rec *project, const std::string &name, const std::string &body,
                  const char *command, const mark_step &ready = nullptr);
/* Why mark_begin_of failed with errno err: on a server, for a statement
** refused (EIO), the server's words; else the system's. */
std::string mark_failure_text(const pjct_rec *project, int err);
/* mark_take of the mark of that name of the project (on a server a name
** in the project's folder is a file of its former marks, read as a dBASE
** project's; any other name holding a folder separator or ".." is no
** mark's name and is refused as MARK_DAMAGED, nothing held). A busy
** server mark gives its command in mark.command, a server mark taken the
** role that wrote it in mark.writer. */
int mark_take_of(mark_file &mark, const pjct_rec *project, const std::string &name, std::string &body);
/* The names of the project's marks ending in ext (".MRG", any case), a
** file mark cut short while written (ext and "N") under its own name; on a
** server also the former marks of its folder in the user's (by path). */
std::vector<std::string> mark_names_of(const pjct_rec *project, const char *ext);
/* A name no mark of the project holds: stem, "-", a number of this writer
** (the process, on a server its session) and ext. */
std::string mark_unique_name(const pjct_rec *project, const std::string &stem, const char *ext);
/* Why the writer of a mark taken may not have what it asks done to table
** (right "DELETE" or "UPDATE" its rows, "DROP" it: the table's owner),
** "" when it may: on a server the role that wrote it and the owner of
** PVMARK (who could write any mark) must both hold the right, and a mark
** whose writer the server did not record is refused. "" for a file mark,
** and for a table the server does not hold. */
std::string mark_writer_refusal(const mark_file &mark, const std::string &table, const char *right);
/* The line a logon shows for a mark another session holds, table naming
** what it writes ("Table STATN"): "Table STATN is being written by
** pv-merge in another session." (command the mark's own when it gives
** one). */
std::string mark_busy_text(const mark_file &mark, const char *table, const char *command);
/* Notes, for the logon to say once, a mark another session holds
** (mark_busy_text's arguments): the notes of one table are said in one
** line, "Table STATN is being written by pv-add in 4 other sessions." */
void mark_busy_note(const mark_file &mark, const char *table, const char *command);
/* The lines of the notes taken since the last call, one a table in the
** order first noted ("" when none), and forgets them. */
std::string mark_busy_said(void);
/* Why a command may not begin its mark of that name where the project
** keeps its marks, "" when it may: another session's command writes it
** (mark_busy_text of table and command), it cannot be read (why), or a
** command cut short left it (left, the mark's path in place of its "%s"). */
std::string mark_in_the_way(const pjct_rec *p, const std::string &name, const std::string &table, const char *command,
                            const std::string &left);

#endif /* PV_CORE_MARK_FILE_H */
