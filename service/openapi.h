// The service's HTTP interface described as OpenAPI 3, served at
// /v1/openapi.json.
#pragma once

#include <nlohmann/json.hpp>

namespace varnolo::service {

nlohmann::json OpenApiDocument(const char* version);

}  // namespace varnolo::service
