// The two plain loops the transfer is measured against, written straight on the
// client library: one issuing the very statements and transaction modes of the
// driver, one as a programmer would write it first.
#pragma once

#include "bench/transfer/rawclient.h"

#include <cstddef>

namespace didu::bench {

/// Every customer read into memory, then per customer the lookup in a read-only
/// transaction and, when it finds nothing, the insert in a read-write one; each
/// statement allocated, prepared in a long-lived read-only transaction, run and
/// dropped, as the driver does. Answers the rows inserted.
std::size_t runSameStatementsLoop(RawDatabase& db);

/// The same work with every statement in a read-write snapshot transaction of
/// its own, prepared inside it. Answers the rows inserted.
std::size_t runNaiveLoop(RawDatabase& db);

} // namespace didu::bench
