// The documents a client may ask for, read from the request's path and JSON
// body with strict keys (a receipt by the same reader as `varnolo sell
// --file`), and turned into the library call that prints them.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace varnolo::service {

struct DocumentRequest {
  std::string kind;  // "receipt", "cash-in", ..., "report-x", "shift-close"
  uint32_t runTimeoutMs = 20000;
  // Documents that leave entries on the control tape are judged by its count
  // after a failure; reports and the shift close are not.
  bool judgedByTape = true;
  std::function<int32_t()> run;
};

// The paths under /v1/ that print a document, for the router.
const std::vector<std::string>& DocumentPaths();

// Reads the request for POST /v1/<path>. A key that is not the document's,
// a value of the wrong type or out of the register's range is refused with
// a message naming it.
bool ParseDocumentRequest(const std::string& path, const nlohmann::json& body, DocumentRequest& out,
                          std::string& error);

}  // namespace varnolo::service
