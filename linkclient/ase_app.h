/*
** ase_app.h: CAseAppDsc, the application descriptor (handle type 1): the
** link client's connection to the editor's link-store service and the one
** request channel of every descriptor made under it.  It finds the
** service's registry object "Ase_Class", prepares the drawing before a
** request, converts texts between the host's code page and the library's,
** and after each request fetches the host's error items (request 63) into
** the caller's error list.
**
**     CAseAppDsc *app = new CAseAppDsc(nullptr);
**     if (app->init()) ...requests 1 and 64 done; app->getAppText()...
**     int owned;  resbuf *r = app->request(10, args, errs, nullptr, 0, &owned);
*/
#ifndef PV_LINKCLIENT_ASE_APP_H
#define PV_LINKCLIENT_ASE_APP_H

#include "linkclient/ase_dsc.h"

class CAseMsgFile;
class CAseRxObj;
class CAsiConnection;
class CAsiEnv;
class AcDbObjectId;

class CAseAppDsc : public CAseDsc {
public:
    /* An unconnected application descriptor under parent (null: none).
    ** Throws 0xA008 without memory for its members. */
    explicit CAseAppDsc(CAseDsc *parent);
    /* Terminates, leaves its children without channel, frees its members. */
    ~CAseAppDsc() override;

    /* --- CAseDsc slots --- */
    /* Connects: message file, request 1, request 64; 1, 0 on failure (the
    ** descriptor is then terminated). */
    int init() override;
    int type() const override { return ASE_DSC_APP; }
    CAseDsc *clone() override;
    int copyFrom(CAseDsc *other) override;
    int equals(CAseDsc *other) override { return isEqual(other); }
    /* Identity. */
    int isEqual(CAseDsc *other) override { return other == this; }
    /* The base check, then the host text must be present ((8, 903)). */
    int check() override;

    /* Request 65 when connected; host texts freed, message file closed. */
    void terminate() noexcept;

    /* The door to the host for all descriptors: see ase_app.cpp.  Answers
    ** the reply (never null; a missing reply raises); *owned is 1 when the
    ** reply is the client's copy, to be released with ads_relrb. */
    resbuf *request(int code, resbuf *args, CAseErrList *errs, AcDbDatabase *db, int mode, int *owned);
    /* One raw request without checks or conversion; null for no reply (or
    ** RTNIL, RTVOID, RTNONE).  Raises (8, 903) when the service is missing. */
    resbuf *send(int code, const resbuf *args, CAseErrList *errs, CAseRxObj *obj = nullptr);
    /* The service's registry object; raises (8, 903) into errs when absent. */
    CAseRxObj *protocol(CAseErrList *errs);
    /* Request 63 to obj; its items into errs (emptied when none); 1 when
    ** there was a reply. */
    int fetchErrors(CAseErrList *errs, CAseRxObj *obj);

    /* --- operations of the service besides requests --- */
    /* Protocol operation 2 to 6 on the drawing (null: the current one),
    ** then the host's error items; 1, 0 unless the operation gave 1. */
    int protocolOp(int op, AcDbDatabase *db);
    /* Operation 10 or 11 with two arguments, the drawing prepared first
    ** when operation 7 refuses it; the operation's result, 0 on failure. */
    int protocolOp2Args(int op, void *first, void *second, AcDbDatabase *db);
    /* Operation 12 with the entity of an id (1 at once for an object that
    ** is no entity); the operation's result, 0 on failure. */
    int protocolOp12(AcDbObjectId id);
    /* Request 60: 1, 0 on failure. */
    int request60();
    /* Requests 66 to 69 on the drawing: 1 when the host answers T. */
    int requestDb(int code, AcDbDatabase *db);
    /* A new connection of the engine environment to envName, with the user
    ** and password given or those the host holds; null on failure. */
    CAsiConnection *openConnection(CAsiEnv *env, const char *envName, const char *user, const char *password);

    /* A client copy of a host chain in which every RTSTR text is converted
    ** from the host's code page; null when a conversion fails. */
    resbuf *fromHost(const resbuf *chain, CAseErrList *errs) noexcept;
    /* Converts every RTSTR text of a chain into the host's code page in
    ** place; 0 when one fails. */
    int toHost(resbuf *chain, CAseErrList *errs) noexcept;

    const char *hostText() const noexcept { return m_hostText; }
    const char *hostCodePage() const noexcept { return m_convert ? m_hostCp : nullptr; }
    int converting() const noexcept { return m_convert; }
    CAseMsgFile *msgFile() const noexcept { return m_msgFile; }
    CAseDscList *children() const noexcept { return m_children; }

private:
    char *m_hostText;         /* second text of the reply to request 1; owned (calloc) */
    CAseMsgFile *m_msgFile;   /* message catalogue; owned, null when not made */
    CAseDscList *m_children;  /* descriptors using this channel; owned */
    int m_convert;            /* 1 when the host's code page differs */
    char *m_hostCp;           /* the host's code page name; owned (calloc), null */
};

#endif
