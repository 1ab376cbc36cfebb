#include "status_report.h"

namespace varnolo::service {

using nlohmann::json;

json JournalEntryJson(const JournalEntry& e, bool withRequest) {
  auto maybe = [](const auto& v) { return v ? json(*v) : json(nullptr); };
  json j{{"seq", e.seq},
         {"key", e.key},
         {"document", e.kind},
         {"state", e.inFlight ? "in flight" : "answered"},
         {"httpStatus", e.httpStatus},
         {"result", maybe(e.result)},
         {"registered", maybe(e.registered)},
         {"tapeCountBefore", maybe(e.tapeBefore)},
         {"tapeCountAfter", maybe(e.tapeAfter)},
         {"startedMs", e.startedMs}};
  if (!e.settledBy.empty()) j["settledBy"] = e.settledBy;
  if (withRequest) j["request"] = json::parse(e.request, nullptr, false);
  return j;
}

json StatusJson(const WorkerStatus& s, const client::Target& target, Journal& journal,
                size_t lastDocuments) {
  json documents = json::array();
  for (const JournalEntry& e : journal.Last(lastDocuments))
    documents.push_back(JournalEntryJson(e));
  return json{{"register",
               {{"state", LineStateName(s.state)},
                {"port", target.port},
                {"registerNumber", target.registerNumber},
                {"sessionsOpened", s.sessionsOpened},
                {"nextAttemptMs", s.nextAttemptMs}}},
              {"queue", {{"queued", s.queued}, {"limit", s.queueLimit}, {"busy", s.busy}}},
              {"requestsRun", s.requestsRun},
              {"documents", documents}};
}

}  // namespace varnolo::service
