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
class CAseResBuf;

/* Status flags the module reads: link path names exist within the path;
** the environment is refused. */
constexpr int ASE_STATUS_NAMES = 2;
constexpr int ASE_STATUS_REFUSED = 8;
/* Status flag cleared by request 76. */
constexpr int ASE_STATUS_FLAG4 = 4;

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

    /* --- requests without a caller in the module --- */
    int request21(const char *text);
    resbuf *request22();
    int request23(char *buf, int size);
    int request24();
    int request25(const char *text);
    int request26();
    int request27(const char *text);
    int request70(CAsiColumn ***array, int *count);
    int request72(CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount, long *out);
    int request73(long number, CAsiRow *first, CAsiRow *second);
    int request74(long number);
    int request75(CAsiColumn **values, int count);
    int request76();
    int request77(CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount, long *out);
    int request78(CAsiColumn **values, int count, long *out);
    int request79(CAsiColumn **values, int count);
    int request80(CAsiColumn **values, int count, CAsiRow *second);
    int request81(const char *first, const char *second);
    int request82();
    int request83(long number);
    int setDatabase(AcDbDatabase *db);

    CAsePath *path() const noexcept { return m_path; }
    AcDbDatabase *database() const noexcept { return m_db; }

private:
    int fill(CAsePath &target, const char *text, int level, const CAsePath *previous);
    int resolve(int code, const char *text, int needsText);
    resbuf *pathArg(int upTo);
    int askStatus(int code, int mode);
    int askT(int code, int mode);
    void doCreate(CAsiRow *row);
    void need(int level, int code);
    void addPath(CAseResBuf &args, int upTo);
    void addText(CAseResBuf &args, const char *text);
    void addNumber(CAseResBuf &args, int type, long n);
    void addRow(CAseResBuf &args, CAsiRow *row, int what, int enclosed);
    resbuf *send(int code, CAseResBuf &args, int mode, int *owned);
    int columnsOut(resbuf *reply, CAsiColumn ***array, int *count);
    int askLpn(int code, const char *text, int withText);
    int rowsRequest(int code, CAsiColumn **first, int firstCount, CAsiColumn **second, int secondCount,
                    CAsiRow *target, long *out);
    int envRequest(int code, const char *first, const char *second, long number);

    CAsePath *m_path;      /* the link path; owned, null until init */
    AcDbDatabase *m_db;    /* drawing of the requests; null the current one */
};

#endif
