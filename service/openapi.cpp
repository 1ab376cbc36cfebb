#include "openapi.h"

#include <string>

#include "document_requests.h"
#include "rulebook.h"

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

json NumberSchema(const rules::NumberRule& n) {
  return json{{"type", n.decimals == 0 ? "integer" : "number"},
              {"minimum", n.low},
              {"maximum", n.high},
              {"description", std::string(n.meaning) + ": " + rules::RangeText(n)}};
}

json TextSchema(const rules::TextRule& t) {
  if (t.digits)
    return json{{"type", "string"},
                {"pattern", "^([0-9]{" + std::to_string(t.maxBytes) + "})?$"},
                {"description", std::to_string(t.maxBytes) + " digits, or empty"}};
  return json{{"type", "string"},
              {"maxLength", t.maxBytes},
              {"description", "up to " + std::to_string(t.maxBytes) +
                                  " characters, each one the register can print (code page 866)"}};
}

// A document's body: exactly its rule's arguments, all required.
json BodySchema(const rules::DocumentRule& rule) {
  if (rule.numbers.empty() && rule.texts.empty()) return nullptr;
  json schema{{"type", "object"},
              {"additionalProperties", false},
              {"required", json::array()},
              {"properties", json::object()}};
  for (const rules::NumberRule& n : rule.numbers) {
    schema["required"].push_back(n.field);
    schema["properties"][std::string(n.field)] = NumberSchema(n);
  }
  for (const rules::TextRule& t : rule.texts) {
    schema["required"].push_back(t.field);
    schema["properties"][std::string(t.field)] = TextSchema(t);
  }
  return schema;
}

// A receipt: the sale check's lines and payment, as `varnolo sell --file` reads them.
json ReceiptSchema() {
  using namespace rules;
  json quantity = NumberSchema(kLineQuantity);
  quantity["maximum"] = kLinePieces.high;
  quantity["description"] = std::string(kLineQuantity.meaning) + ": " + RangeText(kLineQuantity) +
                            "; with pieces: " + RangeText(kLinePieces);
  const json line{{"type", "object"},
                  {"additionalProperties", false},
                  {"required", json::array({"price"})},
                  {"properties",
                   {{"quantity", quantity},
                    {"price", NumberSchema(kLinePrice)},
                    {"section", NumberSchema(kLineSection)},
                    {"tax", NumberSchema(kLineTax)},
                    {"discount", NumberSchema(kLineDiscount)},
                    {"raise", NumberSchema(kLineRaise)},
                    {"name", TextSchema(kLineName)},
                    {"barcode", TextSchema(kLineBarcode)},
                    {"pieces", {{"type", "boolean"}}}}}};
  return json{
      {"type", "object"},
      {"additionalProperties", false},
      {"required", json::array({"lines"})},
      {"properties",
       {{"lines",
         {{"type", "array"}, {"minItems", 1}, {"maxItems", kMaxCheckLines}, {"items", line}}},
        {"paid", NumberSchema(kCheckPaid)},
        {"nonCash", {{"type", "boolean"}}}}}};
}

json DocumentPost(const std::string& summary, const json& schema) {
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
  json paths{
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
  for (const DocumentPath& d : DocumentPaths()) {
    std::string summary =
        "Print the " + std::string(d.rule->title) + " (" + std::string(d.rule->function) + ")";
    const json body =
        d.rule->id == rules::DocumentKind::kSaleCheck ? ReceiptSchema() : BodySchema(*d.rule);
    paths["/v1/" + d.path] = DocumentPost(summary, body);
  }
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
              {"tapeCountBefore", {{"type", "integer"}, {"nullable", true}}},
              {"tapeCountAfter", {{"type", "integer"}, {"nullable", true}}},
              {"verdict", {{"type", "string"}}},
              {"settledBy", {{"type", "string"}}},
              {"replayed", {{"type", "boolean"}}}}}}},
          {"Status", object},
          {"Totals", object},
          {"Tape", object},
          {"Journal", object}}}}}};
}

}  // namespace varnolo::service
