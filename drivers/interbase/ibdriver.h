// The driver object, for the plugin's entry and for tests that give the
// connections a clock of their own.
#pragma once

#include "drivers/interbase/fbclient.h"
#include "drivers/interbase/transactionlease.h"

#include "db/connection/dbxdriver.h"

#include <memory>

namespace didu::ib {

/// A driver over `client` (one reference, the caller's) whose connections
/// measure the life of their kept transactions on `clock`.
dbx::ISQLDriver* newDriver(std::shared_ptr<const FbClient> client, SteadyClock clock);

} // namespace didu::ib
