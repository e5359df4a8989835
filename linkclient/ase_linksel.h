/*
** ase_linksel.h: CAseLinkSelDsc, the link selection descriptor (handle
** type 4): a selection of links that the editor's link store holds under a
** number.  The descriptor asks the store to make it from a filter (entity,
** selection set, link path name, link path, key values, texts, link kind),
** to add to it, count and read it, compare and combine it, erase the
** selected links and drop it.
**
**     CAseLinkSelDsc *s = new CAseLinkSelDsc(app);     // request 34: all links
**     if (s->selectByEntity(0, ent) == 1) s->erase();   // 48, 34 filtered, 47
**     delete s;                                         // 48 while it holds one
*/
#ifndef PV_LINKCLIENT_ASE_LINKSEL_H
#define PV_LINKCLIENT_ASE_LINKSEL_H

#include "linkclient/ase_dsc.h"

class CAsePathDsc;

/* The selection number of a descriptor that holds none. */
constexpr long ASE_NO_SELECTION = -1;

/* The criteria of a selection filter, each given when not null (kind when
** not 0). */
struct ase_filter {
    int kind = 0;                     /* link kind, code 2 */
    const char *text = nullptr;       /* code 10 */
    const long *entity = nullptr;     /* code 4, two words not both 0 */
    const long *selset = nullptr;     /* code -2, two words not both 0 */
    const char *lpn = nullptr;        /* code 5 */
    CAsePathDsc *path = nullptr;      /* code -3, its whole path text */
    CAsiRow *keys = nullptr;          /* code 6, the row's values */
    const char *text2 = nullptr;      /* code -1 */
    CAsiRow *namesValues = nullptr;   /* code 12, names and value texts */
};

class CAseLinkSelDsc : public CAseDsc {
public:
    /* A descriptor under a connected application, initialised at once (a
    ** selection of every link); (8, 901) thrown when the application's
    ** check fails. */
    explicit CAseLinkSelDsc(CAseDsc *parent);
    /* Drops the selection it holds (request 48). */
    ~CAseLinkSelDsc() override;

    /* --- CAseDsc slots --- */
    int init() override;
    int type() const override { return ASE_DSC_LINKSEL; }
    CAseDsc *clone() override;
    int copyFrom(CAseDsc *other) override;
    int equals(CAseDsc *other) override { return isEqual(other); }
    int isEqual(CAseDsc *other) override;
    int check() override;
    /* --- own slots --- */
    virtual int select(const resbuf *filter, int mode);
    virtual int addSelect(const resbuf *filter);

    /* The filter chain of the criteria, owned by the caller. */
    resbuf *buildFilter(const ase_filter &f);
    /* Builds the filter, checks the named criteria (need: a mask of
    ** ASE_NEED_...) and selects (add 0) or adds (add 1); 1 or 0. */
    int selectWith(const ase_filter &f, unsigned need, int add, int mode = 0);
    /* The same with the key row built from a value array. */
    int selectWithKeys(ase_filter f, unsigned need, int add, CAsiColumn **values, int count);

    /* --- reading and working on the selection --- */
    int linkCount();
    int request36(long n);
    int request37(long n);
    int request38(long n);
    int request39(long n);
    int request40(CAseDsc *other);
    int request41(CAseDsc *other);
    int request42(CAseDsc *dsc);
    resbuf *copySelectionList();
    resbuf *copyReply45();
    int getSelSet(long *out);
    int erase();
    int request50();
    int getLinkText(long n, char *buf, int size);
    int getLinkValues(long n, CAsiRow *row);
    int getLinkEntity(long n, long *out);
    int setDatabase(AcDbDatabase *db);

    long selection() const noexcept { return m_sel; }

private:
    void release();
    resbuf *askSel(int code, const long *n, int mode, int *owned);
    /* The number of an RTREAL reply cut to an integer; (2, 27) raised for
    ** a reply of another type or a number outside 32 bits. */
    long numberOf(const resbuf *reply) const;
    int askNumber(int code, long n);
    int askT(int code, const long *n);
    int askOther(int code, CAseDsc *other);
    resbuf *askChain(int code, int mode);

    long m_sel;            /* the store's selection number; -1 none */
    AcDbDatabase *m_db;    /* drawing of the requests; null the current one */
};

/* Criteria that must be present for an operation of selectWith. */
constexpr unsigned ASE_NEED_TEXT = 0x01;
constexpr unsigned ASE_NEED_ENTITY = 0x02;
constexpr unsigned ASE_NEED_SELSET = 0x04;
constexpr unsigned ASE_NEED_LPN = 0x08;
constexpr unsigned ASE_NEED_PATH = 0x10;
constexpr unsigned ASE_NEED_KEYS = 0x20;
constexpr unsigned ASE_NEED_TEXT2 = 0x40;
constexpr unsigned ASE_NEED_NAMES = 0x80;

#endif
