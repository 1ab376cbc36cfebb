// Document requests are read with strict keys: what the library would refuse
// with a bare code, or silently cut, is refused here with the field named.
#include "document_requests.h"

#include <gtest/gtest.h>

#include "support/param_name.h"

namespace varnolo::service {
namespace {

using nlohmann::json;

struct RequestCase {
  const char* name;
  std::string path;
  json body;
  std::string kindOrError;  // the kind when accepted, a part of the message when refused
  bool accepted;
};

class DocumentRequestOf : public ::testing::TestWithParam<RequestCase> {};

TEST_P(DocumentRequestOf, Body) {
  const RequestCase& c = GetParam();
  DocumentRequest d;
  std::string error;
  EXPECT_EQ(ParseDocumentRequest(c.path, c.body, d, error), c.accepted) << error;
  if (c.accepted) {
    EXPECT_EQ(d.rule->kind, c.kindOrError);
    EXPECT_TRUE(d.run);
  } else {
    EXPECT_NE(error.find(c.kindOrError), std::string::npos) << error;
  }
}

const json kLine = {{"quantity", 1}, {"price", 5}};

INSTANTIATE_TEST_SUITE_P(
    Bodies, DocumentRequestOf,
    ::testing::Values(
        RequestCase{"Receipt", "receipts", {{"lines", {kLine}}, {"paid", 10}}, "receipt", true},
        RequestCase{
            "ReceiptMisspelledKey", "receipts", {{"lines", {kLine}}, {"payd", 10}}, "payd", false},
        RequestCase{
            "ReceiptLineKey", "receipts", {{"lines", {{{"qty", 1}, {"price", 5}}}}}, "qty", false},
        RequestCase{"ReceiptSectionBeyond32Bits",
                    "receipts",
                    {{"lines", {{{"quantity", 1}, {"price", 5}, {"section", 4294967297}}}}},
                    "section",
                    false},
        RequestCase{"ReceiptPaidThreeDecimals",
                    "receipts",
                    {{"lines", {kLine}}, {"paid", 10.001}},
                    "paid",
                    false},
        RequestCase{
            "ReceiptPaidNegative", "receipts", {{"lines", {kLine}}, {"paid", -5}}, "paid", false},
        RequestCase{"CashIn", "cash-in", {{"amount", 100.5}}, "cash-in", true},
        RequestCase{"CashInAsText", "cash-in", {{"amount", "100"}}, "amount", false},
        RequestCase{"CashOutNegative", "cash-out", {{"amount", -1}}, "amount", false},
        RequestCase{"CashOutThreeDecimals", "cash-out", {{"amount", 1.005}}, "decimals", false},
        RequestCase{"CashInMissing", "cash-in", json::object(), "missing", false},
        // What every face answers alike: cut or refused by the library is refused here.
        RequestCase{"CashInThreeDecimals",
                    "cash-in",
                    {{"amount", 10.999}},
                    "amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99",
                    false},
        RequestCase{"CashInAboveItsRange",
                    "cash-in",
                    {{"amount", 100000}},
                    "amount 100000 is out of range (allowed: 0 to 99999.99",
                    false},
        RequestCase{"CashOutAboveACashIn", "cash-out", {{"amount", 150000}}, "cash-out", true},
        RequestCase{"ReceiptSectionWrittenWithAPoint",
                    "receipts",
                    {{"lines", {{{"quantity", 1}, {"price", 5}, {"section", 2.0}, {"tax", 1.0}}}}},
                    "receipt",
                    true},
        RequestCase{"ReceiptRaiseAboveTheLargestSum",
                    "receipts",
                    {{"lines", {{{"quantity", 1}, {"price", 99999.99}, {"raise", 1}}}}},
                    "line 1: the line's sum (quantity x price, with its raise and discount)",
                    false},
        RequestCase{"ReceiptPriceThreeDecimals",
                    "receipts",
                    {{"lines", {{{"quantity", 1}, {"price", 10.005}}}}},
                    "line 1: price 10.005 has more than 2 decimals",
                    false},
        RequestCase{"ReceiptNameOutsideTheRegistersCodePage",
                    "receipts",
                    {{"lines", {{{"quantity", 1}, {"price", 5}, {"name", "€uro"}}}}},
                    "line 1: name \"€uro\" holds \"€\", which the register cannot print",
                    false},
        RequestCase{"Pack", "pack", {{"section", 2}, {"amount", 3}}, "pack", true},
        RequestCase{"PackSection17", "pack", {{"section", 17}, {"amount", 3}}, "section", false},
        RequestCase{"MoneyBackSectionFraction",
                    "money-back",
                    {{"section", 1.5}, {"amount", 3}},
                    "section",
                    false},
        RequestCase{
            "Decorated", "decorated", {{"amount", 3}, {"text", "Спасибо"}}, "decorated", true},
        RequestCase{"DecoratedTooLong",
                    "decorated",
                    {{"amount", 3}, {"text", std::string(256, 'x')}},
                    "255",
                    false},
        RequestCase{"AnnulWithoutBody", "annul", nullptr, "annul", true},
        RequestCase{"AnnulWithAKey", "annul", {{"last", true}}, "last", false},
        RequestCase{"XReport", "reports/x", nullptr, "report-x", true},
        RequestCase{"ShiftClose", "shift/close", json::object(), "shift-close", true},
        RequestCase{"NotADocument", "reports/z", nullptr, "no such document", false},
        RequestCase{"BodyNotAnObject", "cash-in", json::array({1}), "object", false}),
    test::ParamName());

TEST(DocumentRequestOf, ReportsAreNotJudgedByTheTape) {
  DocumentRequest d;
  std::string error;
  ASSERT_TRUE(ParseDocumentRequest("reports/x", nullptr, d, error));
  EXPECT_FALSE(d.rule->judgedByTape);
  ASSERT_TRUE(ParseDocumentRequest("receipts", {{"lines", {kLine}}}, d, error));
  EXPECT_TRUE(d.rule->judgedByTape);
}

}  // namespace
}  // namespace varnolo::service
