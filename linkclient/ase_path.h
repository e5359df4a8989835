/*
** ase_path.h: CAsePath, the name of a link path: environment, catalog,
** schema and table of an SQL table and the link path name (LPN) under which
** the editor's link store keeps the links of drawing entities to its rows,
** with the status word the host last reported for it.
**
** The path text joins the parts by dots and writes the LPN in parentheses:
** "ENV.CAT.SCH.TAB(LPN)"; a missing part keeps its dot ("E...T").  Unquoted
** names are stored upper-cased, quoted catalog, schema and table names as
** written, and "*" stands for any name.
**
**     CAsePath p(errs);
**     p.setText("db3.petrivex.geo.station(geo$station)", 1);
**     char t[64];  p.buildText(t, sizeof t, 5);   // DB3.PETRIVEX.GEO.STATION(GEO$STATION)
*/
#ifndef PV_LINKCLIENT_ASE_PATH_H
#define PV_LINKCLIENT_ASE_PATH_H

#include "linkclient/ase_str.h"

struct resbuf;
class CAseResBuf;

/* Levels of the parts. */
constexpr int ASE_LVL_ENV = 1;
constexpr int ASE_LVL_CAT = 2;
constexpr int ASE_LVL_SCHEMA = 3;
constexpr int ASE_LVL_TABLE = 4;
constexpr int ASE_LVL_LPN = 5;

/* Forms of sizes, texts and comparisons besides the single parts 1 to 5. */
constexpr int ASE_FORM_WHOLE = 6;      /* the whole text (0 too) */
constexpr int ASE_FORM_NO_LPN = 7;     /* environment to table */
constexpr int ASE_FORM_SQL = 8;        /* catalog, schema and table */

/* A path text this long or longer is refused (characters). */
constexpr int ASE_PATH_TEXT_MAX = 2048;

/* Status word of a path read by fromList. */
constexpr int ASE_PATH_STATUS_LIST = 512;

/* Storage a path asks for at least (bytes), and the room setText adds. */
constexpr int ASE_PATH_MIN_STORAGE = 64;
constexpr int ASE_PATH_TEXT_ROOM = 9;

/* Errors of paths (category 2). */
constexpr int ASE_ERR_NO_LPN = 13;        /* (2, 13) the path has no link path name */
constexpr int ASE_ERR_NO_ENV = 14;        /* (2, 14) the path has no environment */
constexpr int ASE_ERR_NO_TABLE = 17;      /* (2, 17) the path has no table */
constexpr int ASE_ERR_PATH_SYNTAX = 26;   /* (2, 26) path text malformed or too long */
constexpr int ASE_ERR_PATH_NAME = 29;     /* (2, 29) the host refuses the link path name */

/* Messages of set 9: an unexpected and a missing character (formatted with
** the character), a reply that holds no path, a refused link path name. */
constexpr int ASE_MSG_SET_PATH = 9;
constexpr int ASE_MSG_UNEXPECTED = 1;
constexpr int ASE_MSG_MISSING = 2;
constexpr int ASE_MSG_NO_PATH = 4;
constexpr int ASE_MSG_BAD_NAME = 5;

class CAsePath : public CAseStr {
public:
    /* An empty path (status 0) reporting into owner; storage on first use. */
    explicit CAsePath(CAseErrList *owner) noexcept;
    ~CAsePath() override;

    /* --- CAseObj slots --- */
    /* All parts empty, status 0; 1. */
    int clear() override;
    int isA() const override { return ASE_CLASS_PATH; }
    int isKindOf(int n) const override { return n == ASE_CLASS_PATH || CAseStr::isKindOf(n); }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    int compare(const CAseObj *other) const override;
    void print() const override;
    /* --- CAseBuf slot: valid while it has storage --- */
    int isValid() const noexcept override { return m_data != nullptr; }
    /* --- own slots --- */
    virtual int setText(const char *text, int level) noexcept;
    virtual int setPart(int level, const char *text, int parse) noexcept;
    virtual int getStatus() const noexcept { return m_attr; }
    virtual void setStatus(int word) noexcept { m_attr = word; }

    /* --- parts --- */
    /* Path part 1..5 (environment .. LPN), or null when absent or empty. */
    const char *part(int level) const noexcept;
    /* 4 with a table or LPN, else 3, 2, 1 by the highest part present, or 0. */
    int level() const noexcept;
    /* Stores text (null: empty) as part `level`; the later parts go. */
    int storePart(int level, const char *text) noexcept;
    /* Reads one part from text; see ase_path.cpp. */
    int parsePart(const char *text, int level, int allowEmpty, int inParens, int allowRest,
                  const char **rest) noexcept;
    /* 1 when the host accepts text as a symbol name. */
    int isValidName(const char *text) const noexcept;
    /* 1 when the LPN holds a vertical bar; 1 when part 2..4 is quoted. */
    int lpnHasBar() const noexcept;
    int isQuoted(int level) const noexcept;

    /* --- texts and sizes (bytes with the NUL) --- */
    int textSize() const noexcept;
    int formSize(int form) const noexcept;
    int buildText(char *buf, int size, int upTo) const noexcept;
    int sqlTableName(char *buf, int size) const noexcept;

    /* --- order: -1, 0, 1; ASE_CMP_NONE when the other is no path --- */
    int comparePart(int level, const char *a, const char *b) const noexcept;
    int compareRange(const CAseObj *other, int from, int to) const noexcept;
    int compareTo(int form, const CAseObj *other) const noexcept;

    /* Reads a path text and its status from a host reply at cursor (an RTLB
    ** before and an RTLE after them passed over); the cursor moves past
    ** them.  1, 0 with (2, 27). */
    int fromReply(const resbuf *&cursor) noexcept;
    /* Links (RTSTR whole text, RTSHORT status) in after *tail and moves tail
    ** to the RTSHORT; the RTSTR, or null with (2, 2). */
    resbuf *toReply(resbuf *&tail) noexcept;
    /* Environment, catalog and schema from three RTSTR elements at the
    ** list's cursor, status 512; 1, 0 with (2, 27) for fewer. */
    int fromList(CAseResBuf &list) noexcept;
    /* A scratch copy of a part (the owner's pool), a quoted one without its
    ** quotes; null when the part is missing. */
    char *unquoted(int level) const noexcept;

private:
    int syntaxError(int msg, char c) const noexcept;
    int messageError(int code, int msg) const noexcept;

    int m_attr;   /* status word the host last reported; 0 none cached */
};

#endif
