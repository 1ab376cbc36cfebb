// The OpenAPI document describes every document's body by the rulebook: the
// same fields, ranges and kinds of number the service reads.
#include "openapi.h"

#include <gtest/gtest.h>

#include "document_requests.h"
#include "rulebook.h"

namespace varnolo::service {
namespace {

using nlohmann::json;

json BodySchemaOf(const json& api, const std::string& path) {
  const json& post = api["paths"]["/v1/" + path]["post"];
  if (!post.contains("requestBody")) return nullptr;
  return post["requestBody"]["content"]["application/json"]["schema"];
}

TEST(OpenApi, DescribesEveryDocumentByItsRule) {
  const json api = OpenApiDocument("test");
  ASSERT_FALSE(DocumentPaths().empty());
  for (const DocumentPath& d : DocumentPaths()) {
    SCOPED_TRACE(d.path);
    const json schema = BodySchemaOf(api, d.path);
    if (d.rule->id == rules::DocumentKind::kSaleCheck) {
      const json& line = schema["properties"]["lines"]["items"]["properties"];
      EXPECT_EQ(schema["properties"]["lines"]["maxItems"], rules::kMaxCheckLines);
      EXPECT_EQ(line["price"]["maximum"], rules::kLinePrice.high);
      EXPECT_EQ(line["section"]["type"], "integer");
      EXPECT_EQ(line["name"]["maxLength"], rules::kLineName.maxBytes);
      EXPECT_EQ(schema["properties"]["paid"]["maximum"], rules::kCheckPaid.high);
      continue;
    }
    if (d.rule->numbers.empty() && d.rule->texts.empty()) {
      EXPECT_TRUE(schema.is_null()) << schema.dump();
      continue;
    }
    EXPECT_EQ(schema["additionalProperties"], false);
    EXPECT_EQ(schema["required"].size(), d.rule->numbers.size() + d.rule->texts.size());
    for (const rules::NumberRule& n : d.rule->numbers) {
      const json& p = schema["properties"][std::string(n.field)];
      EXPECT_EQ(p["minimum"], n.low) << n.field;
      EXPECT_EQ(p["maximum"], n.high) << n.field;
      EXPECT_EQ(p["type"], n.decimals == 0 ? "integer" : "number") << n.field;
      EXPECT_NE(p["description"].get<std::string>().find(rules::RangeText(n)), std::string::npos);
    }
    for (const rules::TextRule& t : d.rule->texts) {
      EXPECT_EQ(schema["properties"][std::string(t.field)]["maxLength"], t.maxBytes) << t.field;
    }
  }
  // The cash-out allows what the library allows, not a cash-in's limit.
  EXPECT_EQ(BodySchemaOf(api, "cash-out")["properties"]["amount"]["maximum"], 9999999999.99);
}

TEST(OpenApi, EveryOperationHasAnAnswerShapeWithTheVerdictFields) {
  const json api = OpenApiDocument("test");
  const json& result = api["components"]["schemas"]["DocumentResult"]["properties"];
  for (const char* field : {"document", "result", "message", "registered", "tapeCountBefore",
                            "tapeCountAfter", "verdict"})
    EXPECT_TRUE(result.contains(field)) << field;
}

}  // namespace
}  // namespace varnolo::service
