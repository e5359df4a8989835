/*
** dsc_fixture.h: what the descriptor tests share: a new drawing with the
** editor's link-store service loaded and an application handle open on
** it, the error items of a handle, key columns, and a scripted service
** that stands in for "Ase_Class" when a test needs replies the store never
** gives (a point, a text, column descriptions, a code page).
*/
#ifndef PV_TESTS_LINKCLIENT_DSC_FIXTURE_H
#define PV_TESTS_LINKCLIENT_DSC_FIXTURE_H

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "linkclient/ase_api.h"
#include "linkclient/ase_app.h"
#include "linkclient/ase_values.h"
#include "platform/linkstore/linkstore.h"
#include "platform/linkstore_fixture.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/values/asi_data.h"

/* (category, code) of every error item of a handle. */
inline std::vector<std::pair<int, int>> errs_of(void *h)
{
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < ase_get_err_count(h); ++i)
        out.emplace_back(ase_get_err_category(h, i), ase_get_err_code(h, i));
    return out;
}

/* True when the handle's list holds (category, code). */
inline bool has_err(void *h, int category, int code)
{
    for (auto &p : errs_of(h))
        if (p.first == category && p.second == code)
            return true;
    return false;
}

/* A new column of the name with a null value of the SQL type. */
inline CAsiColumn *key_column(const char *name, int type = ASI_TYPE_INTEGER)
{
    CAsiColumn *c = new CAsiColumn();
    c->name().set(CAsiUcStr(name));
    CAsiData *v = ase_value_for(type, type == ASI_TYPE_CHAR ? 20 : 10, 0, 0, nullptr, nullptr);
    c->setValue(v);
    delete v;
    return c;
}

/* The requests received since the last clear as "code (type value)..." lines. */
inline std::vector<std::string> request_texts()
{
    std::vector<std::string> out;
    for (auto &c : ase_service_calls())
        if (c.op == 1)
            out.push_back(ase_service_call_text(c));
    return out;
}

/* A test drawing with the service loaded and an application handle. */
class AseDscTest : public LinkStoreTest {
protected:
    void SetUp() override
    {
        LinkStoreTest::SetUp();
        m_app = ase_open_app();
        ASSERT_NE(m_app, nullptr) << "the application handle opens on the service";
        ase_service_clear_calls();
    }
    void TearDown() override
    {
        ase_close_app(&m_app);
        ase_dsc_fail_alloc_after(-1);
        ase_service_reset_hooks();
    }
    CAseAppDsc *app() const { return static_cast<CAseAppDsc *>(m_app); }

    void *m_app = nullptr;
};

/* A scripted service object put in place of "Ase_Class": each request code
** answers what its function builds (none: no reply); replies stay the
** object's until it goes. */
class ScriptedAse : public CAseRxObj {
public:
    std::map<int, std::function<resbuf *(const resbuf *)>> replies;   /* by request code */
    std::vector<int> codes;                                            /* requests received */

    ScriptedAse()
    {
        replies[1] = [](const resbuf *) { return ads_buildlist(RTSTR, "1252", RTSTR, "Scripted host", 0); };
        replies[64] = replies[65] = [](const resbuf *) { return ads_newrb(RTT); };
        m_old = acrxSysRegistry()->atPut("Ase_Class", this);
    }
    ~ScriptedAse() override
    {
        acrxSysRegistry()->atPut("Ase_Class", m_old);
        for (resbuf *r : m_kept)
            ads_relrb(r);
    }
    AcRxClass *isA() const override { return newAcRxClass("PvScriptedAse", "CAseRxObj"); }
    resbuf *request(int code, const resbuf *args) override
    {
        codes.push_back(code);
        auto it = replies.find(code);
        resbuf *r = it == replies.end() ? nullptr : it->second(args);
        m_kept.push_back(r);
        return r;
    }
    int protocolOp2(AcDbDatabase *) override { return 1; }
    int protocolOp3(AcDbDatabase *) override { return 1; }
    int protocolOp4(AcDbDatabase *) override { return 1; }
    int protocolOp5(AcDbDatabase *) override { return 1; }
    int protocolOp6(AcDbDatabase *) override { return 1; }
    int protocolOp7(AcDbDatabase *) override { return 1; }
    int protocolOp8(const char *, const char **, const char **) override { return 0; }
    int protocolOp9() override { return 0; }
    int protocolOp10(void *, void *) override { return 0; }
    int protocolOp11(void *, void *) override { return 0; }
    int protocolOp12(AcDbEntity *) override { return 0; }

private:
    AcRxObject *m_old;              /* the registry object it stands in for */
    std::vector<resbuf *> m_kept;   /* replies given, released at the end */
};

#endif
