/*
** asi_connection.h: CAsiConnection, one session with an environment's
** driver over one channel of the driver's mapping.
**
** A connection serialises its own requests; different connections of one
** driver proceed on their own channels.  The statements prepared on it are
** told when it goes, so that none keeps a dangling connection.
**
**     CAsiConnection c(&asi_env());
**     c.connect("DB3", "", "");
**     CAsiMessage reply; c.request(ASI_REQ_SET_SCHEMA, body, reply);
*/
#ifndef PV_SQLCLIENT_ASI_CONNECTION_H
#define PV_SQLCLIENT_ASI_CONNECTION_H

#include <mutex>
#include <vector>

#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_env.h"
#include "sqlclient/asi_message.h"

class CAsiDriverLink;
class CAsiStatement;

/* SQLSTATE conditions of a connection: 08003 connection does not exist,
** 08002 connection name in use. */
constexpr int ASI_STATE_NO_CONNECTION = 0x0803;
constexpr int ASI_STATE_CONNECTED = 0x0802;

class CAsiConnection : public CAsiHandle {
public:
    /* A new, unconnected handle on the environment. */
    explicit CAsiConnection(CAsiEnv *env) noexcept;

    /* Disconnects quietly and detaches the statements still prepared. */
    ~CAsiConnection() override;

    /* Connects through the environment's driver (started when it does not
    ** run).  Raises 08002 when already connected, the driver manager's
    ** conditions, and the driver's conditions (the connection then stays
    ** unconnected). */
    void connect(const char *envName, const char *user, const char *password);

    /* Ends the session; the channel is given back even when the driver has
    ** gone.  Raises 08003 when not connected. */
    void disconnect();

    /* Sets the default catalog or schema in the driver; raises 08003 and
    ** the driver's conditions. */
    void setCatalog(const char *name);
    void setSchema(const char *name);

    /* 1 while connected. */
    int isConnected() const noexcept { return m_link != nullptr; }

    /* 1 while connected to a driver not known to have ended: rows the
    ** driver sent earlier may still be served. */
    int driverTrusted() const noexcept;

    /* Requests sent to the driver on this connection so far (round trips). */
    long requestCount() const noexcept { return m_requests; }

    /* Requests sent to the connection's driver on any connection so far;
    ** -1 while unconnected. */
    long driverCalls() const noexcept { return m_link ? m_link->calls() : -1; }

    /* 1 while connected to a driver that still lives (asks the system). */
    int driverAlive() noexcept { return m_link != nullptr && m_link->alive(); }

    /* Queues the release of statement id in the driver: it travels with
    ** the next request (the disconnect at the latest), ahead of it. */
    void releaseLater(int id);

    /* Sends a request, with the releases queued, and parses the reply.
    ** The reply's conditions are
    ** recorded in the thread's diagnostics; a failed request raises its
    ** first error's native code.  Raises 08003 when not connected and
    ** ASI_ERR_DRIVER_LOST when the driver has gone. */
    void request(int code, const CAsiMsgBuf &body, CAsiMessage &reply);

    /* A fresh id for a statement or cursor of this session. */
    int newId() noexcept;

    /* The environment's name ("" when unconnected). */
    const char *envName() const noexcept { return m_envName; }

    /* Statements register while prepared on the connection. */
    void attach(CAsiStatement *s);
    void detach(CAsiStatement *s) noexcept;

    /* s holds the whole result its prepare was answered with: it lets it
    ** go at the connection's next request, after which no open could take
    ** it, so that statements prepared and never opened hold one at most. */
    void holdResult(CAsiStatement *s) noexcept;

private:
    /* Sends a one-name request (catalog, schema). */
    void nameRequest(int code, const char *name);

    CAsiEnv *m_env;                      /* the environment */
    CAsiDriverLink *m_link;              /* the driver, null while unconnected */
    int m_channel;                       /* channel of the mapping, -1 when none */
    long m_requests = 0;                 /* requests sent, for the counting callers */
    int m_nextId;                        /* last id handed out */
    char m_envName[ASI_ENV_NAME_MAX];    /* environment name */
    std::recursive_mutex m_call;         /* one request at a time */
    std::vector<CAsiStatement *> m_stmts;/* statements prepared on it */
    std::vector<int> m_releases;         /* statements the next request releases */
    CAsiStatement *m_resultHolder = nullptr;   /* statement holding a whole result, or none */
};

/* Records the conditions of a parsed reply in the thread's diagnostics
** (native code, SQLSTATE item, text); when failed is non-zero raises the
** first error's native code (ASI_ERR_DRIVER_FAILED when there is none). */
void asi_reply_conditions(const CAsiMessage &reply, int failed);

#endif
