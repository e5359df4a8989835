/*
** asi_connection.cpp: connecting through the driver manager, the request
** round trip of a connection, and the recording of driver conditions.
*/
#include "sqlclient/asi_connection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_statement.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

/* Records a reply's conditions; raises when it failed. */
void asi_reply_conditions(const CAsiMessage &reply, int failed)
{
    CAsiDiagArea *d = asi_thread_diag();
    int firstError = 0;
    CAsiUcStr firstText;
    for (const asi_msg_cond &c : reply.conds) {
        if (!c.warning && !firstError) {
            firstError = c.native ? c.native : ASI_ERR_DRIVER_FAILED;
            firstText = c.message;
        }
        if (!d)
            continue;
        d->addCondition(c.native);
        if (c.sqlstate.length())
            d->addTextItem(ASI_ITEM_SQLSTATE, c.sqlstate);
        if (c.message.length())
            d->setCondText(c.message);
        d->complete();
    }
    if (!failed)
        return;
    if (!firstError)
        asi_fail(ASI_ERR_DRIVER_FAILED, "the driver failed without a condition");
    char text[ASI_EXC_TEXT_MAX];
    firstText.toMb(text, sizeof text);
    CAsiException e(firstError, "driver", text);
    e.setRecorded(d ? 1 : 0);
    throw e;
}

/* A new, unconnected handle. */
CAsiConnection::CAsiConnection(CAsiEnv *env) noexcept
    : m_env(env), m_link(nullptr), m_channel(-1), m_nextId(0)
{
    m_envName[0] = '\0';
}

/* Disconnects quietly; statements lose their connection. */
CAsiConnection::~CAsiConnection()
{
    if (m_link) {
        CAsiDiagArea scratch;
        asi_try_call(&scratch, 0, [&] {
            disconnect();
            return 1;
        });
    }
    m_resultHolder = nullptr;
    for (CAsiStatement *s : m_stmts)
        s->connectionGone();
    m_stmts.clear();
}

/* Connects through the environment's driver. */
void CAsiConnection::connect(const char *envName, const char *user, const char *password)
{
    if (m_env)
        m_env->require();
    if (m_link)
        asi_raise_state(ASI_STATE_CONNECTED);
    if (!envName || !envName[0] || std::strlen(envName) >= (std::size_t)ASI_ENV_NAME_MAX)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "bad environment name");
    char program[ASI_PATH_MAX];
    asi_env().driverProgram(envName, program);
    CAsiDriverLink *lk = asi_driver_attach(envName, program);
    int k = -1;
    try {
        k = lk->acquireChannel();
        CAsiMsgBuf body, raw;
        CAsiUcStr env(envName), u(user ? user : ""), p(password ? password : "");
        body.put([&](CAsiOStream &o) {
            o.putUcStr(ASI_TAG_NAME, env);
            o.putUcStr(ASI_TAG_USER, u);
            o.putUcStr(ASI_TAG_PASSWORD, p);
        });
        int status = ASI_REPLY_ERROR;
        lk->call(k, ASI_REQ_CONNECT, body, raw, &status);
        CAsiMessage reply;
        reply.parse(raw.data(), raw.length());
        asi_reply_conditions(reply, status != ASI_REPLY_OK);
    } catch (...) {
        if (k >= 0)
            lk->releaseChannel(k);
        asi_driver_detach(lk);
        throw;
    }
    std::lock_guard<std::recursive_mutex> hold(m_call);
    m_link = lk;
    m_channel = k;
    std::snprintf(m_envName, sizeof m_envName, "%s", envName);
}

/* Ends the session. */
void CAsiConnection::disconnect()
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    if (!m_link)
        asi_raise_state(ASI_STATE_NO_CONNECTION);
    /* Statements and their cursors are gone with the session. */
    std::vector<CAsiStatement *> stmts;
    stmts.swap(m_stmts);
    m_resultHolder = nullptr;
    for (CAsiStatement *s : stmts)
        s->connectionGone();
    int failure = 0;
    CAsiException kept(0);
    try {
        CAsiMsgBuf body;
        CAsiMessage reply;
        request(ASI_REQ_DISCONNECT, body, reply);
    } catch (const CAsiException &e) {
        /* A driver that has gone ended the session already. */
        if (e.code() != ASI_ERR_DRIVER_LOST) {
            failure = 1;
            kept = e;
        }
    }
    m_releases.clear();
    m_link->releaseChannel(m_channel);
    asi_driver_detach(m_link);
    m_link = nullptr;
    m_channel = -1;
    m_envName[0] = '\0';
    if (failure)
        throw kept;
}

/* Sends a one-name request. */
void CAsiConnection::nameRequest(int code, const char *name)
{
    if (!name)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "no name given");
    CAsiMsgBuf body;
    CAsiUcStr n(name);
    body.put([&](CAsiOStream &o) { o.putUcStr(ASI_TAG_NAME, n); });
    CAsiMessage reply;
    request(code, body, reply);
}

/* The default catalog. */
void CAsiConnection::setCatalog(const char *name)
{
    nameRequest(ASI_REQ_SET_CATALOG, name);
}

/* The default schema. */
void CAsiConnection::setSchema(const char *name)
{
    nameRequest(ASI_REQ_SET_SCHEMA, name);
}

/* One request and its parsed reply. */
void CAsiConnection::request(int code, const CAsiMsgBuf &body, CAsiMessage &reply)
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    if (!m_link)
        asi_raise_state(ASI_STATE_NO_CONNECTION);
    if (m_resultHolder) {
        m_resultHolder->dropResult();   /* no open can take it after this request */
        m_resultHolder = nullptr;
    }
    CAsiMsgBuf raw, withReleases;
    const CAsiMsgBuf *send = &body;
    if (!m_releases.empty()) {
        withReleases.append(body.data(), body.length());
        withReleases.put([&](CAsiOStream &o) {
            for (int id : m_releases)
                o.putI32(ASI_TAG_RELEASE, id);
        });
        m_releases.clear();
        send = &withReleases;
    }
    int status = ASI_REPLY_ERROR;
    m_requests++;
    m_link->call(m_channel, code, *send, raw, &status);
    reply.parse(raw.data(), raw.length());
    asi_reply_conditions(reply, status != ASI_REPLY_OK);
}

/* Queues a release for the next request. */
void CAsiConnection::releaseLater(int id)
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    if (m_link)
        m_releases.push_back(id);
}

/* Connected to a driver not known to have ended. */
int CAsiConnection::driverTrusted() const noexcept
{
    return m_link != nullptr && !m_link->knownDead();
}

/* A fresh id. */
int CAsiConnection::newId() noexcept
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    return ++m_nextId;
}

/* A statement registers. */
void CAsiConnection::attach(CAsiStatement *s)
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    if (std::find(m_stmts.begin(), m_stmts.end(), s) == m_stmts.end())
        m_stmts.push_back(s);
}

/* A statement leaves. */
void CAsiConnection::detach(CAsiStatement *s) noexcept
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    m_stmts.erase(std::remove(m_stmts.begin(), m_stmts.end(), s), m_stmts.end());
    if (m_resultHolder == s)
        m_resultHolder = nullptr;
}

/* The statement holding a whole result; see the header. */
void CAsiConnection::holdResult(CAsiStatement *s) noexcept
{
    std::lock_guard<std::recursive_mutex> hold(m_call);
    m_resultHolder = s;
}
