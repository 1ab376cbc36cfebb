// The documents a client may ask for, read from the request's path and JSON
// body with strict keys by the rulebook (a receipt by the same reader as
// `varnolo sell --file`), and turned into the library call that prints them.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "rulebook.h"

namespace varnolo::service {

struct DocumentRequest {
  // Its kind ("receipt", "cash-in", ..., "report-x", "shift-close") and
  // whether the control tape judges it after a failure.
  const rules::DocumentRule* rule = nullptr;
  uint32_t runTimeoutMs = 0;  // for a receipt, with its lines
  std::function<int32_t()> run;
};

// A path under /v1/ that prints a document, and the document's rule.
struct DocumentPath {
  std::string path;
  const rules::DocumentRule* rule;
};
const std::vector<DocumentPath>& DocumentPaths();

// Reads the request for POST /v1/<path>. A key that is not the document's,
// a value of the wrong type or one the rulebook refuses is refused with a
// message naming it.
bool ParseDocumentRequest(const std::string& path, const nlohmann::json& body, DocumentRequest& out,
                          std::string& error);

}  // namespace varnolo::service
