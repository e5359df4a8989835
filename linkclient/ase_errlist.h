/*
** ase_errlist.h: CAseErrList, the list of error items every link client
** object reports into, its pool of scratch buffers and the text
** conversions between the library's code page, code page "1252", the
** host's code page and the tagged form of packed records.
**
** An error item is one condition record of a CAsiDiagArea: native code
** 0xE001 (a condition copied from the SQL client keeps its own), message
** text, and numbered items: 1025 category, 1026 code, 1027 message text and
** the path and object items of the item table.  Message texts come from the
** catalogue aseloc.xmx through the message file that msgFile answers.
**
**     errs.add(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
**     char *s = errs.to1252("Grüße");  ...  errs.release(s);
*/
#ifndef PV_LINKCLIENT_ASE_ERRLIST_H
#define PV_LINKCLIENT_ASE_ERRLIST_H

#include <cstdint>

#include "linkclient/ase_obj.h"
#include "sqlclient/asi_handle.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_ucstr.h"

struct resbuf;
class CAseMsgFile;
class CAseStr;

/* Item ids of an error item. */
constexpr int ASE_ITEM_CATEGORY = 1025;
constexpr int ASE_ITEM_CODE = 1026;
constexpr int ASE_ITEM_MESSAGE = 1027;
constexpr int ASE_ITEM_LPN = 1030;
constexpr int ASE_ITEM_ENVIRONMENT = 1031;
constexpr int ASE_ITEM_CATALOG = 29;
constexpr int ASE_ITEM_SCHEMA = 30;
constexpr int ASE_ITEM_TABLE = 31;

/* The parts of a link path: environment, catalog, schema, table, name. */
constexpr int ASE_PATH_PARTS = 5;

/* Rows of the item table reached by index (0 to 19). */
constexpr int ASE_ITEM_ROWS = 20;

/* The list holds this many items before (2, 4) "too many errors" is added. */
constexpr int ASE_ERR_LIMIT = 99;

/* The longest prefix of a message text (characters). */
constexpr int ASE_PREFIX_MAX = 125;

/* Message numbers of set 1 used by the list itself. */
constexpr int ASE_MSG_SET = 1;
constexpr int ASE_MSG_PREFIX = 11;          /* "Link client: " */
constexpr int ASE_MSG_WARN_PREFIX = 12;     /* prefix of (2, 4) */
constexpr int ASE_MSG_TOO_MANY = 74;        /* text of (2, 4) */
constexpr int ASE_MSG_BAD_CODEPAGE = 78;    /* unknown code page, then its name */

/* The text when no message applies. */
constexpr const char *ASE_DEFAULT_TEXT = "No applicable message is available";

/* The largest scratch buffer (bytes of text room without the terminator):
** the block header counts capacity in 16 bits. */
constexpr int ASE_SCRATCH_MAX = 0xFFFF - 1;

/* A scratch block this many blocks or more down the chain is freed on
** release. */
constexpr int ASE_SCRATCH_KEEP = 8;

/* The separator of the tagged text form: code page name, 7, text. */
constexpr char ASE_TAG_CHAR = '\x07';

/* The fixed code page of extended data. */
constexpr const char *ASE_CP_1252 = "1252";

/* Header of one scratch block; capacity + 1 bytes of text room follow. */
struct ase_scratch {
    ase_scratch *next;        /* next block of the pool */
    std::uint16_t capacity;   /* bytes of text room, terminator not counted */
    std::uint16_t inUse;      /* 1 while handed out */
};

class CAseErrList : public CAseObj {
public:
    /* An empty list reporting into itself. */
    CAseErrList() noexcept;
    ~CAseErrList() override;

    /* --- CAseObj slots --- */
    int clear() override;
    int isA() const override { return ASE_CLASS_ERRLIST; }
    int isKindOf(int n) const override { return n == ASE_CLASS_ERRLIST; }
    CAseObj *clone() const override;
    int copyFrom(const CAseObj *other) override;
    void print() const override;
    /* The message file that gives the texts; a plain list has none. */
    virtual CAseMsgFile *msgFile() const { return nullptr; }
    /* The host's code page name when texts to and from the host are
    ** converted; a plain list converts nothing (null). */
    virtual const char *hostCodePage() const { return nullptr; }

    /* --- items --- */
    /* Appends (category, code) with text, or the default text of the pair. */
    int add(int category, int code, const char *text = nullptr) noexcept;
    /* Number of items; category, code of item i (0 out of range). */
    int count() const noexcept;
    int category(int i) const noexcept;
    int code(int i) const noexcept;
    /* Integer or text item id of item i; 1 when present. */
    int itemInt(int i, int id, int *out) const noexcept;
    int itemText(int i, int id, char *buf, int size) const noexcept;
    /* The message text (item 1027) of item i into buf. */
    int message(int i, char *buf, int size) const noexcept;
    /* Adds a text item to the latest item; the five parts of a link path. */
    int addTextItem(int id, const char *text) noexcept;
    int addPathItems(const CAseStr *path) noexcept;
    /* Row 0 to 19 of the item table: id and kind; its name text. */
    static int itemName(int row, int *id, int *isText) noexcept;
    const char *itemNameText(int row, char *buf, int size) const noexcept;
    /* Conditions of an engine exception or handle as category-4 items. */
    int fromSqlException(const CAsiException &e) noexcept;
    int fromDiagnostics(const CAsiHandle *handle) noexcept;
    /* The host's reply to request 63 as items; the items as such a chain. */
    int loadHostItems(const resbuf *chain) noexcept;
    resbuf *toChain() const noexcept;
    CAsiDiagArea *diagnostics() noexcept { return m_diag; }
    const CAsiDiagArea *diagnostics() const noexcept { return m_diag; }

    /* --- message texts --- */
    /* Message (set, number) of the message file; the default text when the
    ** set is -1 or there is no message file (answer 0). */
    int messageText(int set, int number, CAsiUcStr &out) const;
    /* The default message of (category, code) by the table of codes. */
    int defaultText(int category, int code, CAsiUcStr &out) const;

    /* --- scratch pool --- */
    /* A zeroed buffer of size bytes of text plus a terminator, or null;
    ** release gives it back and clears the caller's pointer. */
    char *get(int size) noexcept;
    void release(char *&p) noexcept;
    void release(const char *&p) noexcept;
    int scratchBlocks() const noexcept;

    /* --- text conversions (ase_convert.cpp) --- */
    /* Each writes into buf when given, else into a scratch buffer. */
    char *to1252(const char *text, char *buf = nullptr, int size = 0) noexcept;
    char *from1252(const char *text, char *buf = nullptr, int size = 0) noexcept;
    char *upper(const char *text, char *buf = nullptr, int size = 0) noexcept;
    char *upper1252(const char *text, char *buf = nullptr, int size = 0) noexcept;
    int compareByLocale(const char *a, const char *b, const char *locale = nullptr) noexcept;
    /* A calloc copy between two named code pages; the caller frees it. */
    char *convert(const char *text, const char *fromCp, const char *toCp) noexcept;
    /* "<code page>\7<text>" and back. */
    char *toTagged(const char *text, const char *cpName = nullptr) noexcept;
    char *fromTagged(const char *text) noexcept;

private:
    int ensureArea() noexcept;
    int finishAdd(int result) noexcept;
    char *recode(const char *text, int fromCp, int toCp, int upcase, char *buf, int size) noexcept;
    char *intoScratch(const CAsiUcStr &s, int cp, char *buf, int size);

    CAsiDiagArea *m_diag;    /* one condition record per item; owned */
    CAsiUcStr *m_work;       /* work strings of the conversions; owned */
    CAsiUcStr *m_work2;
    ase_scratch *m_pool;     /* scratch blocks, most recent first; owned */
};

#endif
