/*
** asi_handle.h: CAsiHandle, the base of the engine's handles (environment,
** connection, statement, cursor): each owns a diagnostics area, which its
** interface calls fill and the getters below read.
**
**     n = h->diagCount();
**     h->diagCondText(0, text);
*/
#ifndef PV_SQLCLIENT_ASI_HANDLE_H
#define PV_SQLCLIENT_ASI_HANDLE_H

#include "sqlclient/base/asi_diag.h"

class CAsiHandle : public CAsiObject {
public:
    CAsiHandle() noexcept {}
    ~CAsiHandle() override;

    /* The handle's diagnostics area. */
    CAsiDiagArea &diag() noexcept { return m_diag; }
    const CAsiDiagArea &diag() const noexcept { return m_diag; }

    /* Number of condition records of the last call. */
    int diagCount() const noexcept { return m_diag.count(); }

    /* Record i's native code; 0 when out of range. */
    int diagCondCode(int i) const noexcept { return m_diag.condCode(i); }

    /* Record i's message text into out; 1, or 0 when out of range. */
    int diagCondText(int i, CAsiUcStr &out) const { return m_diag.condText(i, out); }

    /* Record i's SQLSTATE into out (6 bytes); 1, or 0 when out of range. */
    int diagCondSqlstate(int i, char out[ASI_SQLSTATE_LEN + 1]) const noexcept
    {
        return m_diag.condSqlstate(i, out);
    }

    /* Record i's integer item; 0 when absent. */
    int diagCondNumItem(int i, int item) const noexcept { return m_diag.condNumItem(i, item); }

    /* Record i's text item into out; 1, or 0 when absent. */
    int diagCondTextItem(int i, int item, CAsiUcStr &out) const
    {
        return m_diag.condTextItem(i, item, out);
    }

protected:
    CAsiDiagArea m_diag;   /* conditions of the handle's last call */
};

#endif
