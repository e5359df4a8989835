/*
** ase_fixture.h: what the link client tests share: an error list that
** reads its texts from the built catalogue aseloc.xmx, helpers that build
** result-buffer chains and read back error items, and a guard that puts
** the library's code page and locale back after a test changed them.
*/
#ifndef PV_TESTS_LINKCLIENT_ASE_FIXTURE_H
#define PV_TESTS_LINKCLIENT_ASE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "linkclient/ase_errlist.h"
#include "linkclient/ase_msgfile.h"
#include "platform/include/ads_host.h"
#include "sqlclient/base/asi_codepage.h"

/* An error list whose texts come from the catalogue (as a descriptor's
** request object gives them). */
class CatalogErrList : public CAseErrList {
public:
    CatalogErrList() : m_file(this) { m_opened = m_file.open(); }
    CAseMsgFile *msgFile() const override { return m_opened ? const_cast<CAseMsgFile *>(&m_file) : nullptr; }
    const char *hostCodePage() const override { return m_host.empty() ? nullptr : m_host.c_str(); }
    void setHostCodePage(const char *cp) { m_host = cp ? cp : ""; }
    int opened() const { return m_opened; }

private:
    CAseMsgFile m_file;
    int m_opened = 0;
    std::string m_host;
};

/* (category, code) of every item of a list, in order. */
inline std::vector<std::pair<int, int>> items_of(const CAseErrList &errs)
{
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < errs.count(); ++i)
        out.emplace_back(errs.category(i), errs.code(i));
    return out;
}

/* True when the list holds the item (category, code). */
inline bool has_item(const CAseErrList &errs, int category, int code)
{
    for (auto &p : items_of(errs))
        if (p.first == category && p.second == code)
            return true;
    return false;
}

/* Types of a chain's elements in order. */
inline std::vector<int> types_of(const resbuf *rb)
{
    std::vector<int> out;
    for (; rb; rb = rb->rbnext)
        out.push_back(rb->restype);
    return out;
}

/* Puts the library's code page and locale back at the end of a scope. */
struct CodePageGuard {
    std::string cp = asi_current_cp();
    std::string locale = asi_current_locale_name();
    ~CodePageGuard()
    {
        asi_set_current_cp(cp.c_str());
        asi_set_current_locale(locale.c_str());
    }
};

#endif
