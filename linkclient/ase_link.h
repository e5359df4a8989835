/*
** ase_link.h: CAseLinkDsc, the link descriptor (handle type 3): one link
** between a drawing entity and a table row as a list of link attributes
** (pairs of an RTSHORT code and its value, see ase_dsc.h), written to the
** editor's link store with request 32.
**
**     CAseLinkDsc *l = new CAseLinkDsc(app);
**     l->init(1);
**     l->createFromValues("GEO$STATION", keys, n, ent);   // attributes 1 to 6
**     l->write();                                         // the store's version back
*/
#ifndef PV_LINKCLIENT_ASE_LINK_H
#define PV_LINKCLIENT_ASE_LINK_H

#include "linkclient/ase_dsc.h"

/* Kinds of link. */
constexpr int ASE_LINK_PLAIN = 1;    /* attributes 1 to 6 */
constexpr int ASE_LINK_LISTS = 2;    /* also the lists 7, 8 (and 9) */

class CAseLinkDsc : public CAseDsc {
public:
    /* A descriptor under a connected application, initialised at once;
    ** (8, 901) thrown when the application's check fails. */
    explicit CAseLinkDsc(CAseDsc *parent);
    /* Releases the attribute list. */
    ~CAseLinkDsc() override;

    /* --- CAseDsc slots --- */
    /* The list becomes attribute 1 alone (number -1); 1, 0 on failure. */
    int init() override;
    int type() const override { return ASE_DSC_LINK; }
    CAseDsc *clone() override;
    int copyFrom(CAseDsc *other) override;
    int equals(CAseDsc *other) override { return isEqual(other); }
    int isEqual(CAseDsc *other) override;
    int check() override;

    /* --- starting and making links --- */
    int init(int kind);
    int createFromValues(const char *lpn, CAsiColumn **values, int count, const long *entity);
    int create(const char *lpn, CAsiRow *row, const long *entity);
    int create2FromValues(const char *lpn, CAsiColumn **values, int count, CAsiColumn **second, int secondCount,
                          const resbuf *list);
    int create2(const char *lpn, CAsiRow *row, CAsiRow *second, const resbuf *list);

    /* --- requests --- */
    int write();
    int request33();
    int request28(long number);
    int request31();

    /* --- attributes --- */
    long number();
    int kind();
    int getName(char *buf, int size);
    int nameSize();
    int setName(const char *text);
    int setEntity(const long *entity);
    int getEntity(long *out);
    int getKeys(CAsiColumn **values, int count);
    int setKeys(CAsiRow *row);
    int setKeysFromValues(CAsiColumn **values, int count);
    int setSecond(CAsiRow *row);
    int setSecondFromValues(CAsiColumn **values, int count);
    int setSecondValues(CAsiRow *row);
    int setSecondValuesFromValues(CAsiColumn **values, int count);
    int setList(const resbuf *chain);
    int getSecond(CAsiColumn ***array, int *count);
    int getText(char *buf, int size);
    int flag3();
    int setAttr(int code, const resbuf *chain);
    resbuf *getAttr(int code);
    int setDatabase(AcDbDatabase *db);
    AcDbDatabase *database() const;

    const resbuf *attributes() const noexcept { return m_attrs; }

private:
    void start(int kind);
    void doCreate(const char *lpn, CAsiRow *row, const long *entity);
    void doCreate2(const char *lpn, CAsiRow *row, CAsiRow *second, const resbuf *list);
    void doSetName(const char *text);
    void doSetKeys(CAsiRow *row);
    void doSetSecond(CAsiRow *row, int names);
    void doSetList(const resbuf *chain);
    void needKind2();
    void ensureAttr(int code);
    void setListValue(int code, resbuf *elements);
    void replaceFromReply(int code, resbuf *args);

    resbuf *m_attrs;        /* the link attribute list; owned (ads_relrb) */
    AcDbDatabase *m_db;     /* drawing of the requests; null the current one */
};

#endif
