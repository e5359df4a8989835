/*
** ase_lp.h: CAsePathDsc, the link path descriptor (handle type 2): one
** link path (CAsePath) and the requests about it: its canonical text (13,
** 14, 15), its status word (10, cached), its link path names (12), its key
** columns (8), the registration of a new link path name with its key
** columns (20), and the link path's other requests of the C interface.
**
**     CAsePathDsc *p = new CAsePathDsc(app);        // under a connected app
**     p->setPart("db3", 1);  if (p->status() & 8) ...refused environment...
**     p->setName("DB3.PETRIVEX.GEO.STATION");  p->setPart("GEO$STATION", 5);
*/
#ifndef PV_LINKCLIENT_ASE_LP_H
#define PV_LINKCLIENT_ASE_LP_H

#include "linkclient/ase_dsc.h"

class CAsePath;

/* Status flags the module reads: link path names exist within the path;
** the environment is refused. */
constexpr int ASE_STATUS_NAMES = 2;
constexpr int ASE_STATUS_REFUSED = 8;

/* Error of a text that did not fit the caller's buffer: (1, 10). */
constexpr int ASE_ERR_BUFFER_SMALL = 10;

class CAsePathDsc : public CAseDsc {
public:
    /* A descriptor under a connected application, initialised at once;
    ** (8, 901) thrown when the application's check fails. */
    explicit CAsePathDsc(CAseDsc *parent);
    ~CAsePathDsc() override;

    /* --- CAseDsc slots --- */
    int init() override;
    int type() const override { return ASE_DSC_PATH; }
    CAseDsc *clone() override;
    int copyFrom(CAseDsc *other) override;
    int equals(CAseDsc *other) override { return isEqual(other); }
    int isEqual(CAseDsc *other) override;
    int check() override;

    /* --- the path --- */
    int setPart(const char *text, int level);
    int setName(const char *text);
    int request14(const char *text);
    int request15();
    int getText(char *buf, int size, int form);
    int textLength(int form);
    int matches(const char *text, int form);
    int compare(CAseDsc *other, int form);
    int level();

    /* --- requests --- */
    int status();
    int request16();
    int request17();
    int request18();
    int keyColumns(CAsiColumn ***array, int *count);
    int createFromValues(CAsiColumn **values, int count);
    int create(CAsiRow *row);
    int renameLpn(const char *newName);
    resbuf *names();
    resbuf *request11(int number);

    CAsePath *path() const noexcept { return m_path; }
    AcDbDatabase *database() const noexcept { return m_db; }

private:
    int fill(CAsePath &target, const char *text, int level, const CAsePath *previous);
    int resolve(int code, const char *text, int needsText);
    resbuf *pathArg(int upTo);
    int askStatus(int code, int mode);
    int askT(int code, int mode);
    void doCreate(CAsiRow *row);

    CAsePath *m_path;      /* the link path; owned, null until init */
    AcDbDatabase *m_db;    /* drawing of the requests; null the current one */
};

#endif
