/*
** transport_driver.cpp: the driver the transport benchmark starts.  It
** serves one table, "SELECT * FROM ROWS", of PV_BENCH_ROWS rows: an INTEGER
** row number, a DOUBLE PRECISION value and a NUMERIC(10,2) amount.  It
** answers fetches with blocks of rows, or one row at a time when started
** with PV_BENCH_ONE_ROW set in its environment.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/values/asi_decimal.h"

namespace {

/* Rows of the table unless PV_BENCH_ROWS says, and the amount's precision
** and scale. */
constexpr long BENCH_DEFAULT_ROWS = 100000;
constexpr unsigned AMOUNT_PRECISION = 10;
constexpr unsigned AMOUNT_SCALE = 2;
constexpr int TEXT_MAX = 32;

class bench_session : public CAsiDrvSession {
public:
    ~bench_session() override
    {
        delete m_id;
        delete m_x;
    }

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
        if (orientation != ASI_FETCH_NEXT || m_pos >= m_rows)
            return 1;
        m_pos++;
        r.setRow(m_pos);
        add_values(m_pos, r);
        return 1;
    }

    /* The rows after the current one, as many as the block takes. */
    void fetchBlock(int, CAsiDrvReply &r) override
    {
        if (m_oneRow)
            return;
        while (m_pos < m_rows && r.beginBlockRow(m_pos + 1)) {
            add_values(m_pos + 1, r);
            if (!r.endBlockRow())
                return;
            m_pos++;
        }
    }

    void close(int) override {}

private:
    /* The values of row n. */
    void add_values(long n, CAsiDrvReply &r)
    {
        m_id->setLong((std::int32_t)n);
        m_x->setDouble(n * 0.5);
        char text[TEXT_MAX];
        std::snprintf(text, sizeof text, "%ld.75", n);
        m_amount.setText(text, (int)std::strlen(text));
        r.addValue(*m_id);
        r.addValue(*m_x);
        r.addValue(m_amount);
    }

    long m_pos = 0;                    /* current row, 0 before the first */
    long m_rows = std::getenv("PV_BENCH_ROWS") && std::atol(std::getenv("PV_BENCH_ROWS")) > 0
                      ? std::atol(std::getenv("PV_BENCH_ROWS")) : BENCH_DEFAULT_ROWS;   /* rows of the table */
    int m_oneRow = std::getenv("PV_BENCH_ONE_ROW") != nullptr;   /* 1: no blocks */
    CAsiData *m_id = asi_value_new(ASI_TYPE_INTEGER, 0);         /* row number, owned */
    CAsiData *m_x = asi_value_new(ASI_TYPE_DOUBLE, 0);           /* value, owned */
    CAsiNumeric m_amount{AMOUNT_PRECISION, AMOUNT_SCALE};        /* amount */
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
