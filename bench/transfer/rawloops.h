// The two plain loops the transfer is measured against, written straight on the
// client library: one issuing the very statements and transaction modes of the
// driver, one as a programmer would write it first.
#pragma once

#include "bench/transfer/rawclient.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace didu::bench {

/// One customer as the loops read it.
struct Customer {
    std::string id, name, phone, address, mail, sales;
};

/// A plain loop that can be driven one customer at a time, so that a benchmark
/// can run it in step with the transfer and a slow spell of the disk falls on
/// every contender alike.
class PlainLoop {
public:
    enum class Style {
        /// Every customer read into memory, then per customer the lookup and,
        /// when it finds nothing, the insert in a read-write transaction of its
        /// own; each statement allocated, prepared in a long-lived read-only
        /// transaction, run and dropped, and the lookup run in that long-lived
        /// transaction too, as the driver does.
        SameStatements,
        /// The same work with every statement in a read-write snapshot
        /// transaction of its own (the library's default), prepared inside it.
        Naive,
    };

    PlainLoop(RawDatabase& db, Style style);
    ~PlainLoop();
    PlainLoop(const PlainLoop&) = delete;
    PlainLoop& operator=(const PlainLoop&) = delete;

    /// Reads every customer into memory (the start of a run).
    void start();
    /// The lookup, and the insert when needed, of the next customer; false once
    /// every customer is done.
    bool step();
    std::size_t inserted() const { return m_inserted; }
    std::size_t customers() const { return m_customers.size(); }

private:
    void sameStatementsStep(const Customer& customer);
    void naiveStep(const Customer& customer);

    RawDatabase& m_db;
    Style m_style;
    std::unique_ptr<RawTransaction> m_prepareTr;
    std::vector<Customer> m_customers;
    std::size_t m_next = 0;
    std::size_t m_inserted = 0;
};

/// A whole run of `style` at once; answers the rows inserted.
std::size_t runLoop(RawDatabase& db, PlainLoop::Style style);

} // namespace didu::bench
