// What the service tells about itself: the register's line, the queue and
// the last documents of the journal. For GET /v1/status and the status page.
#pragma once

#include <nlohmann/json.hpp>

#include "journal.h"
#include "register_session.h"
#include "register_worker.h"

namespace varnolo::service {

// `withRequest` adds the request as the journal holds it.
nlohmann::json JournalEntryJson(const JournalEntry& e, bool withRequest = false);
nlohmann::json StatusJson(const WorkerStatus& status, const client::Target& target,
                          Journal& journal, size_t lastDocuments = 10);

}  // namespace varnolo::service
