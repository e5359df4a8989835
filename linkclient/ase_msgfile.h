/*
** ase_msgfile.h: CAseMsgFile, the link client's message catalogue
** aseloc.xmx: found next to the loaded host application whose file name
** begins with "ASE", else by the engine's home search, and read through
** the engine's catalogue reader.
**
**     CAseMsgFile mf(&errs);
**     if (mf.open()) puts(mf.text(1, 3));     // "Out of memory"
*/
#ifndef PV_LINKCLIENT_ASE_MSGFILE_H
#define PV_LINKCLIENT_ASE_MSGFILE_H

#include "linkclient/ase_obj.h"
#include "sqlclient/base/asi_msgfile.h"
#include "sqlclient/base/asi_ucstr.h"

/* The catalogue's file name. */
constexpr const char *ASE_MSGFILE_NAME = "aseloc.xmx";

/* Bytes of the text area: a path while the file is looked for, afterwards
** the last message fetched (1023 characters and the terminator). */
constexpr int ASE_MSGFILE_TEXT = 1024;

class CAseMsgFile : public CAseObj {
public:
    /* A closed message file reporting into owner. */
    explicit CAseMsgFile(CAseErrList *owner) noexcept;
    ~CAseMsgFile() override;

    int clear() override { return open(); }
    int isA() const override { return ASE_CLASS_MSGFILE; }
    int isKindOf(int n) const override { return n == ASE_CLASS_MSGFILE; }
    void print() const override {}

    /* Looks aseloc.xmx up and opens it; 1 on success, 0 when not found. */
    int open() noexcept;
    /* Closes the catalogue. */
    void close() noexcept;
    /* 1 while a catalogue is open. */
    int isOpen() const noexcept { return m_reader && m_reader->isOpen(); }
    /* Message (set, number) in the library's code page; "" when missing. */
    const char *text(int set, int number) noexcept;
    /* Message (set, number) as a UCS-2 string; 1, or 0 (out emptied). */
    int text(int set, int number, CAsiUcStr &out) const;
    /* The path of the catalogue that was opened ("" before). */
    const char *path() const noexcept { return m_path; }

private:
    int openPath(const char *path) noexcept;
    int openBesideAse() noexcept;

    CAsiMsgFile *m_reader;            /* catalogue reader; owned, or null */
    CAsiUcStr *m_str;                 /* last message in UCS-2; owned, or null */
    char m_text[ASE_MSGFILE_TEXT];    /* path, then the last message */
    char m_path[ASE_MSGFILE_TEXT];    /* the catalogue opened */
};

#endif
