/*
** transport_driver.cpp: the driver the transport benchmark starts.  It
** serves one table, "SELECT * FROM ROWS", of BENCH_ROWS rows: an INTEGER
** row number, a DOUBLE PRECISION value and a NUMERIC(10,2) amount.
*/
#include <cstdio>
#include <cstring>

#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/values/asi_decimal.h"

namespace {

/* Rows of the table, and the amount's precision and scale. */
constexpr long BENCH_ROWS = 10000;
constexpr unsigned AMOUNT_PRECISION = 10;
constexpr unsigned AMOUNT_SCALE = 2;
constexpr int TEXT_MAX = 32;

class bench_session : public CAsiDrvSession {
public:
    int connect(const CAsiUcStr &, const CAsiUcStr &, const CAsiUcStr &, CAsiDrvReply &) override { return 1; }

    int prepare(int, const CAsiUcStr &, CAsiDrvReply &r) override
    {
        CAsiData *id = asi_value_new(ASI_TYPE_INTEGER, 0), *x = asi_value_new(ASI_TYPE_DOUBLE, 0);
        CAsiNumeric amount(AMOUNT_PRECISION, AMOUNT_SCALE);
        r.setFunction(ASI_FUNC_CURSOR_SPEC);
        r.addColumn("BASENUMBER", *id, 0);
        r.addColumn("X", *x);
        r.addColumn("AMOUNT", amount);
        delete id;
        delete x;
        return 1;
    }

    int execute(int, const asi_value_list &, CAsiDrvReply &r) override
    {
        r.error(1, "07005", "only the query is served");
        return 0;
    }

    void deallocate(int) override {}

    int open(int, int, const asi_value_list &, CAsiDrvReply &) override
    {
        m_pos = 0;
        return 1;
    }

    int fetch(int, int orientation, long, CAsiDrvReply &r) override
    {
        if (orientation != ASI_FETCH_NEXT || m_pos >= BENCH_ROWS)
            return 1;
        m_pos++;
        r.setRow(m_pos);
        CAsiData *id = asi_value_new(ASI_TYPE_INTEGER, 0), *x = asi_value_new(ASI_TYPE_DOUBLE, 0);
        id->setLong((std::int32_t)m_pos);
        x->setDouble(m_pos * 0.5);
        CAsiNumeric amount(AMOUNT_PRECISION, AMOUNT_SCALE);
        char text[TEXT_MAX];
        std::snprintf(text, sizeof text, "%ld.75", m_pos);
        amount.setText(text, (int)std::strlen(text));
        r.addValue(*id);
        r.addValue(*x);
        r.addValue(amount);
        delete id;
        delete x;
        return 1;
    }

    void close(int) override {}

private:
    long m_pos = 0;   /* current row, 0 before the first */
};

/* Makes a session. */
CAsiDrvSession *make_session(void *)
{
    return new bench_session();
}

} // namespace

/* Serves the engine that started it. */
int main(int argc, char **argv)
{
    return asi_drv_serve(argc, argv, make_session, nullptr);
}
