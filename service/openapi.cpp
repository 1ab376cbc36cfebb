#include "openapi.h"

#include <string>

#include "document_requests.h"

namespace varnolo::service {

using nlohmann::json;

namespace {

json Ref(const char* name) { return json{{"$ref", std::string("#/components/schemas/") + name}}; }

json Answer(const char* description, const char* schema) {
  return json{{"description", description},
              {"content", {{"application/json", {{"schema", Ref(schema)}}}}}};
}

json DocumentResponses() {
  return json{
      {"200", Answer("On the control tape (a replayed key answers what it answered first)",
                     "DocumentResult")},
      {"400", Answer("No Idempotency-Key, or the body is not JSON", "Error")},
      {"401", Answer("No or wrong bearer token", "Error")},
      {"409", Answer("Refused by the register's state; nothing registered", "DocumentResult")},
      {"422",
       Answer("Arguments refused, or the key was used for another request", "DocumentResult")},
      {"429", Answer("Too many requests; see Retry-After", "Error")},
      {"502", Answer("Whether it was registered is unknown (registered: null)", "DocumentResult")},
      {"503", Answer("The register does not answer or the queue is full; nothing registered; "
                     "see Retry-After",
                     "DocumentResult")}};
}

json AmountBody(bool withSection) {
  json schema{
      {"type", "object"},
      {"additionalProperties", false},
      {"required", withSection ? json::array({"section", "amount"}) : json::array({"amount"})},
      {"properties", {{"amount", {{"type", "number"}, {"minimum", 0}, {"maximum", 99999.99}}}}}};
  if (withSection)
    schema["properties"]["section"] = {{"type", "integer"}, {"minimum", 1}, {"maximum", 16}};
  return schema;
}

json DocumentPost(const char* summary, const json& schema) {
  json op{{"summary", summary},
          {"parameters", json::array({{{"name", "Idempotency-Key"},
                                       {"in", "header"},
                                       {"required", true},
                                       {"schema", {{"type", "string"}, {"maxLength", 200}}}}})},
          {"responses", DocumentResponses()}};
  if (!schema.is_null())
    op["requestBody"] = {{"required", true},
                         {"content", {{"application/json", {{"schema", schema}}}}}};
  return json{{"post", op}};
}

json Get(const char* summary, const char* schema, json parameters = json::array()) {
  return json{{"get",
               {{"summary", summary},
                {"parameters", parameters},
                {"responses",
                 {{"200", Answer("The data", schema)},
                  {"401", Answer("No or wrong bearer token", "Error")},
                  {"503", Answer("The register does not answer", "Error")}}}}}};
}

json Query(const char* name, const char* description) {
  return json{{"name", name},
              {"in", "query"},
              {"description", description},
              {"schema", {{"type", "integer"}}}};
}

}  // namespace

json OpenApiDocument(const char* version) {
  const json line{{"type", "object"},
                  {"additionalProperties", false},
                  {"properties",
                   {{"quantity", {{"type", "number"}}},
                    {"price", {{"type", "number"}}},
                    {"section", {{"type", "integer"}}},
                    {"tax", {{"type", "integer"}}},
                    {"discount", {{"type", "number"}, {"description", "percent"}}},
                    {"raise", {{"type", "number"}, {"description", "percent"}}},
                    {"name", {{"type", "string"}, {"maxLength", 15}}},
                    {"barcode", {{"type", "string"}, {"pattern", "^[0-9]{13}$"}}},
                    {"pieces", {{"type", "boolean"}}}}}};
  const json receipt{
      {"type", "object"},
      {"additionalProperties", false},
      {"required", json::array({"lines"})},
      {"properties",
       {{"lines", {{"type", "array"}, {"minItems", 1}, {"maxItems", 20}, {"items", line}}},
        {"paid", {{"type", "number"}}},
        {"nonCash", {{"type", "boolean"}}}}}};
  const json decorated{
      {"type", "object"},
      {"additionalProperties", false},
      {"required", json::array({"amount", "text"})},
      {"properties",
       {{"amount", {{"type", "number"}}},
        {"text", {{"type", "string"}, {"description", "up to 255 bytes in code page 1251"}}}}}};
  json paths{
      {"/v1/receipts", DocumentPost("Print a sale check", receipt)},
      {"/v1/cash-in", DocumentPost("Put cash into the drawer", AmountBody(false))},
      {"/v1/cash-out", DocumentPost("Take cash out of the drawer", AmountBody(false))},
      {"/v1/pack", DocumentPost("Print a pack check", AmountBody(true))},
      {"/v1/money-back", DocumentPost("Pay money back", AmountBody(true))},
      {"/v1/decorated", DocumentPost("Print a check of one amount with a text", decorated)},
      {"/v1/annul", DocumentPost("Annul the last check of the shift", nullptr)},
      {"/v1/shift/close", DocumentPost("Print the closing report and close the shift", nullptr)},
      {"/v1/status", Get("The register's line, the queue and the last documents", "Status")},
      {"/v1/totals", Get("The trade totals", "Totals",
                         json::array({Query("cashier", "one cashier's (1-8)"),
                                      Query("section", "one section's (1-16)")}))},
      {"/v1/tape",
       Get("Control tape entries (at most 200 per request)", "Tape",
           json::array({Query("from", "first entry, from 1"), Query("to", "last entry")}))},
      {"/v1/journal",
       Get("The service's journal in journal order", "Journal",
           json::array({Query("after", "entries after this seq"), Query("limit", "at most 500")}))},
  };
  for (const char* kind : {"x", "cashiers", "sections", "hourly", "goods"})
    paths[std::string("/v1/reports/") + kind] = DocumentPost("Print a report", nullptr);
  const json object{{"type", "object"}};
  return json{
      {"openapi", "3.0.3"},
      {"info",
       {{"title", "varnolo-service"},
        {"version", version},
        {"description",
         "A fiscal register on the network. Every document request carries an Idempotency-Key: "
         "a key is printed at most once, and a repeated key is answered from the journal."}}},
      {"security", json::array({{{"bearer", json::array()}}})},
      {"paths", paths},
      {"components",
       {{"securitySchemes", {{"bearer", {{"type", "http"}, {"scheme", "bearer"}}}}},
        {"schemas",
         {{"Error", {{"type", "object"}, {"properties", {{"error", {{"type", "string"}}}}}}},
          {"DocumentResult",
           {{"type", "object"},
            {"properties",
             {{"document", {{"type", "string"}}},
              {"key", {{"type", "string"}}},
              {"result", {{"type", "integer"}, {"nullable", true}}},
              {"message", {{"type", "string"}}},
              {"registered", {{"type", "boolean"}, {"nullable", true}}},
              {"tapeCountBefore", {{"type", "integer"}}},
              {"tapeCount", {{"type", "integer"}, {"nullable", true}}},
              {"replayed", {{"type", "boolean"}}}}}}},
          {"Status", object},
          {"Totals", object},
          {"Tape", object},
          {"Journal", object}}}}}};
}

}  // namespace varnolo::service
