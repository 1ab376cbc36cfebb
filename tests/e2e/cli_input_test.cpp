// The varnolo tool refuses input it would otherwise change silently, before
// anything is sent, and names what is wrong; its exports cannot fail quietly.
#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "support/param_name.h"

namespace varnolo::test {
namespace {

using nlohmann::json;

class CliInput : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = cli.sim().File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  CliAgainstSim cli{{}};
};

struct CheckFileCase {
  const char* name;
  const char* document;
  const char* named;  // what the message must name
};

class CliCheckFile : public CliInput, public ::testing::WithParamInterface<CheckFileCase> {};

TEST_P(CliCheckFile, IsRefusedBeforeAnythingIsPrinted) {
  const CheckFileCase& c = GetParam();
  const CliRun run = cli.Run("sell --file " + Write("check.json", c.document));
  EXPECT_EQ(run.exit, 2) << run.out << run.err;
  EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
  EXPECT_EQ(cli.Paper(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CliCheckFile,
    ::testing::Values(
        CheckFileCase{"MisspelledLineKey", R"({"lines":[{"qty":2,"price":10}]})", "\"qty\""},
        CheckFileCase{"MisspelledCheckKey", R"({"lines":[{"price":10}],"noncash":true})",
                      "\"noncash\""},
        CheckFileCase{"WrongType", R"({"lines":[{"price":"10"}]})", "\"price\" must be a number"},
        CheckFileCase{"NegativeSection", R"({"lines":[{"price":1,"section":-1}]})",
                      "line 1: section -1 is out of range"},
        CheckFileCase{"LongName", R"({"lines":[{"price":1,"name":"Sixteen letters!"}]})",
                      "longer than 15"},
        CheckFileCase{"ShortBarcode", R"({"lines":[{"price":1,"barcode":"123"}]})",
                      "not 13 digits"},
        CheckFileCase{"NoLines", R"({"lines":[]})", "\"lines\""},
        CheckFileCase{"PriceWithThreeDecimals", R"({"lines":[{"price":1.005}]})", "price 1.005"},
        CheckFileCase{"DiscountTooHigh", R"({"lines":[{"price":1,"discount":100}]})",
                      "line 1: discount 100"},
        CheckFileCase{"SecondLineBadTax", R"({"lines":[{"price":1},{"price":2,"tax":4}]})",
                      "line 2: tax 4"},
        CheckFileCase{"NotJson", R"({"lines":[)", "not valid JSON"}),
    ParamName());

// What every face answers alike: a value the library would cut or refuse,
// or a text the register cannot print, is refused before anything is sent,
// naming the argument and its range.
struct SameAnswerCase {
  const char* name;
  const char* command;
  const char* message;
};

class CliSameAnswer : public CliInput, public ::testing::WithParamInterface<SameAnswerCase> {};

TEST_P(CliSameAnswer, RefusedBeforeSending) {
  const SameAnswerCase& c = GetParam();
  const CliRun run = cli.Run(c.command);
  EXPECT_EQ(run.exit, 2) << run.out << run.err;
  EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  EXPECT_EQ(cli.Paper(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliSameAnswer,
    ::testing::Values(
        SameAnswerCase{"CashInThreeDecimals", "cash-in 10.999",
                       "cash-in: amount 10.999 has more than 2 decimals (allowed: 0 to 99999.99, "
                       "at most 2 decimals)"},
        SameAnswerCase{"CashInAboveItsRange", "cash-in 100000",
                       "cash-in: amount 100000 is out of range (allowed: 0 to 99999.99"},
        SameAnswerCase{"LinePriceThreeDecimals", "sell '1*10.005'", "price 10.005 has more than 2"},
        SameAnswerCase{"NameTheRegisterCannotPrint", "sell '1*5,name=€uro'",
                       "name \"€uro\" holds \"€\", which the register cannot print"},
        SameAnswerCase{"DecoratedTextTheRegisterCannotPrint", "decorated 5 'Price in €'",
                       "text \"Price in €\" holds \"€\""},
        SameAnswerCase{"PackSectionPastSixteen", "pack 17 5", "section 17 is out of range"},
        SameAnswerCase{"GoodsEntryPastTheBase", "goods-sell 1801", "number 1801 is out of range"},
        SameAnswerCase{"ARaiseLiftingTheLineAboveTheLargestSum", "sell '1*99999.99,raise=1'",
                       "the line's sum (quantity x price, with its raise and discount) "
                       "100999.9899 is above 99999.99"},
        SameAnswerCase{"HalfASection", "sell '1*10,section=2.5'",
                       "section 2.5 is not a whole number (allowed: 1 to 16, a whole number)"},
        SameAnswerCase{"HeaderTheRegisterCannotPrint", "header 'Café €'",
                       "header \"Café €\" holds \"é\", which the register cannot print"},
        SameAnswerCase{"TaxNameTheRegisterCannotPrint", "tax 1 20 --name 'VAT ‰'",
                       "tax: name \"VAT ‰\" holds \"‰\""}),
    ParamName());

// What the library carries out, the tool carries out: a cash-out may be
// larger than any one cash-in.
TEST_F(CliInput, ACashOutLargerThanACashInPrints) {
  ASSERT_EQ(cli.Run("cash-in 75000").exit, 0);
  ASSERT_EQ(cli.Run("cash-in 75000").exit, 0);
  const CliRun run = cli.Run("--json cash-out 150000");
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(run.Json()["registered"], true);
  EXPECT_EQ(run.Json()["verdict"], "cash out: printed");
  EXPECT_NE(cli.Paper().find("150000.00"), std::string::npos) << cli.Paper();
}

// 2 and 2.0 are the same section, in the line syntax as in a check file.
TEST_F(CliInput, ASectionWrittenWithAPointIsTheSameSection) {
  ASSERT_EQ(cli.Run("config set --sections 4").exit, 0);
  ASSERT_EQ(cli.Run("sell '1*10,section=2.0'").exit, 0);
  const CliRun file =
      cli.Run("sell --file " + Write("check.json", R"({"lines":[{"price":7,"section":2.0}]})"));
  ASSERT_EQ(file.exit, 0) << file.err;
  const CliRun totals = cli.Run("--json totals --section 2");
  ASSERT_EQ(totals.exit, 0) << totals.err;
  EXPECT_EQ(totals.Json()["amounts"][0], 17) << totals.out;  // both sales in section 2
}

// A goods-base entry sold by pieces takes more pieces than a weight may
// weigh: the tool prints it once, and says nothing else.
TEST_F(CliInput, PiecesOfAGoodsEntryBeyondAWeightArePrinted) {
  ASSERT_EQ(cli.Run("goods set 5 --name Bun --price 2 --by-pieces 1").exit, 0);
  const CliRun run = cli.Run("--json goods-sell 5 --quantity 70");
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.Json()["verdict"], "goods-base check: printed") << run.out;
  EXPECT_EQ(Occurrences(cli.Paper(), "Bun"), 1u) << cli.Paper();
  EXPECT_NE(cli.Paper().find("140.00"), std::string::npos) << cli.Paper();
  const CliRun weighed = cli.Run("goods-sell 5 --quantity 2.5");
  EXPECT_EQ(weighed.exit, 2);
  EXPECT_EQ(Occurrences(weighed.err, "quantity 2.5"), 1u) << weighed.err;
}

TEST_F(CliInput, CheckFileWithEveryKeyPrintsWhatItSays) {
  const CliRun run = cli.Run(
      "--json sell --file " +
      Write("check.json", R"({"lines":[{"quantity":2,"price":10,"section":1,"tax":0,)"
                          R"("discount":0,"raise":0,"name":"Tea","barcode":"4600000000017",)"
                          R"("pieces":true}],"paid":50,"nonCash":false})"));
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  const std::string paper = cli.Paper();
  EXPECT_NE(paper.find("Tea"), std::string::npos) << paper;
  EXPECT_NE(paper.find("2 x 10.00"), std::string::npos) << paper;
  EXPECT_NE(paper.find("CHANGE"), std::string::npos) << paper;
}

TEST_F(CliInput, HelpListsTheCheckFileKeys) {
  const CliRun run = cli.Run("sell --help");
  for (const char* key : {"lines", "paid", "nonCash", "quantity", "discount", "barcode", "pieces"})
    EXPECT_NE(run.out.find(key), std::string::npos) << key << "\n" << run.out;
  const CliRun version = cli.Run("--version");
  EXPECT_EQ(version.exit, 0);
  EXPECT_EQ(version.out, std::string("varnolo ") + VARNOLO_PROJECT_VERSION + "\n");
}

TEST_F(CliInput, GoodsImportReadsBomSemicolonsAndDecimalCommas) {
  const std::string file = Write("goods.csv",
                                 "\xEF\xBB\xBFnumber;name;price;section;barcode;byPieces\r\n"
                                 "1;Rye bread;45,50;3;4600000000017;1\r\n"
                                 "2;\"Cheese; aged\";640;2;;0\r\n");
  const CliRun run = cli.Run("goods import " + file);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  const json bread = cli.Run("--json goods get 1").Json();
  EXPECT_EQ(bread["name"], "Rye bread");
  EXPECT_EQ(bread["price"], 45.5);
  EXPECT_EQ(bread["section"], 3);
  const json cheese = cli.Run("--json goods get 2").Json();
  EXPECT_EQ(cheese["name"], "Cheese; aged");
  EXPECT_EQ(cheese["byPieces"], 0);
}

struct BadCsvCase {
  const char* name;
  const char* third;  // the third line of the file
  const char* named;
};

class CliBadCsv : public CliInput, public ::testing::WithParamInterface<BadCsvCase> {};

TEST_P(CliBadCsv, WritesNothingAndNamesTheLine) {
  const BadCsvCase& c = GetParam();
  const std::string file =
      Write("goods.csv", std::string("number,name,price,section\n1,Tea,10,1\n") + c.third + "\n");
  const CliRun run = cli.Run("goods import " + file);
  EXPECT_EQ(run.exit, 2) << run.out << run.err;
  EXPECT_NE(run.err.find("line 3"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
  EXPECT_EQ(cli.Run("--json goods get 1").Json()["result"], 267);  // still empty
}

INSTANTIATE_TEST_SUITE_P(Lines, CliBadCsv,
                         ::testing::Values(BadCsvCase{"BadPrice", "2,Milk,abc,1", "price"},
                                           BadCsvCase{"TooFewFields", "2,Milk", "fields"},
                                           BadCsvCase{"Duplicate", "1,Milk,5,1", "line 2"},
                                           BadCsvCase{"BeyondTheBase", "1801,Milk,5,1", "1800"},
                                           BadCsvCase{"BadByPieces", "2,Milk,5,1,,7", "byPieces"}),
                         ParamName());

TEST_F(CliInput, ExportToAPlaceThatCannotBeWrittenFails) {
  const CliRun run = cli.Run("goods export " + cli.sim().dir() + "/missing/goods.csv");
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
}

TEST_F(CliInput, ExportReplacesTheFileWhenComplete) {
  ASSERT_EQ(cli.Run("goods set 7 --name Tea --price 99.5 --barcode 4600000000017").exit, 0);
  const std::string file = Write("goods.csv", "old\n");
  const CliRun run = cli.Run("goods export " + file);
  ASSERT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(ReadText(file),
            "number,name,price,section,barcode,byPieces\n7,Tea,99.50,1,4600000000017,1\n");
}

struct UsageCase {
  const char* name;
  const char* args;
  const char* named;
};

class CliUsage : public CliInput, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(CliUsage, IsRefusedWithExit2) {
  const CliRun run = cli.Run(GetParam().args);
  EXPECT_EQ(run.exit, 2) << run.out << run.err;
  EXPECT_NE(run.err.find(GetParam().named), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliUsage,
    ::testing::Values(UsageCase{"FlagNotZeroOrOne", "config set --taxes 2", "--taxes"},
                      UsageCase{"DayThatDoesNotExist", "clock set '2026-02-30 10:00:00'",
                                "2026-02-30"},
                      UsageCase{"NotLeapYear", "clock set '2027-02-29 10:00:00'", "2027-02-29"},
                      UsageCase{"CashierAndSection", "totals --cashier 1 --section 2", "excludes"},
                      UsageCase{"LineNotUnderstood", "sell '1*5,qty=2'", "qty=2"}),
    ParamName());

TEST_F(CliInput, ValuesThatExistAreTaken) {
  ASSERT_EQ(cli.Run("config set --taxes 0").exit, 0);
  EXPECT_EQ(cli.Run("--json config get").Json()["useTaxes"], 0);
  ASSERT_EQ(cli.Run("clock set '2028-02-29 23:59:00'").exit, 0);
  EXPECT_EQ(cli.Run("--json clock get").Json()["clock"].get<std::string>().substr(0, 16),
            "2028-02-29 23:59");
  ASSERT_EQ(cli.Run("sell '1*5'").exit, 0);
  const CliRun totals = cli.Run("totals --cashier 1");
  ASSERT_EQ(totals.exit, 0) << totals.err;
  EXPECT_NE(totals.out.find("sales"), std::string::npos);
}

}  // namespace
}  // namespace varnolo::test
