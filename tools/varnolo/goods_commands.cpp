// goods get, set, clear, import and export: the register's internal goods base.
#include <cstring>
#include <fstream>
#include <memory>

#include "ansi_text.h"
#include "atomic_file.h"
#include "commands.h"
#include "format.h"
#include "goods_csv.h"
#include "interrupt.h"
#include "outcome.h"
#include "progress.h"
#include "rulebook.h"
#include "varnolo.h"

namespace varnolo::cli {
namespace {

using client::FromAnsi;
using client::ToAnsi;
using nlohmann::json;

GoodsRow RowOf(const GoodsEntry& g, uint32_t number) {
  std::string name = FromAnsi(std::string(g.name, strnlen(g.name, sizeof g.name)));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  GoodsRow row;
  row.number = number;
  row.name = name;
  row.price = Cents(g.price);
  row.section = g.section;
  row.barcode = std::string(g.barcode, strnlen(g.barcode, sizeof g.barcode));
  row.byPieces = g.byPieces;
  return row;
}

json RowJson(const GoodsRow& r) {
  return json{{"number", r.number},   {"name", r.name},         {"price", r.price},
              {"section", r.section}, {"byPieces", r.byPieces}, {"barcode", r.barcode}};
}

GoodsEntry EntryOf(const GoodsRow& row) {
  GoodsEntry g{};
  const std::string ansi = ToAnsi(row.name);
  std::memcpy(g.name, ansi.data(), std::min(ansi.size(), rules::kLineName.maxBytes));
  std::memcpy(g.barcode, row.barcode.data(),
              std::min(row.barcode.size(), rules::kLineBarcode.maxBytes));
  g.price = row.price;
  g.section = row.section;
  g.byPieces = row.byPieces;
  return g;
}

int Import(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return Refuse(file + ": cannot be read");
  std::vector<GoodsRow> rows;
  std::string error;
  if (!ReadGoodsCsv(in, rows, error)) return UsageError(file + ": " + error + "; nothing written");
  return WithSession([&] {
    int32_t size = 0;
    const int32_t code = CRGetIGBSize(&size);
    if (code != CR_OK) return Report(Outcome{code, json{{"imported", 0}}, "", "nothing written"});
    for (const GoodsRow& r : rows) {
      if (r.number > static_cast<uint32_t>(size)) {
        return UsageError(file + ": line " + std::to_string(r.line) + ": entry " +
                          std::to_string(r.number) + " is beyond the goods base of " +
                          std::to_string(size) + " entries; nothing written");
      }
    }
    Progress progress("goods", rows.size());
    size_t done = 0;
    for (const GoodsRow& r : rows) {
      if (StopRequested()) break;
      const GoodsEntry g = EntryOf(r);
      const int32_t written = CRSetInternalGBEntry(&g, r.number);
      if (written != CR_OK) {
        return Report(Outcome{written, json{{"imported", done}, {"failedAt", r.number}}, "",
                              file + ": line " + std::to_string(r.line) + ", entry " +
                                  std::to_string(r.number) + "; " + std::to_string(done) +
                                  " entries before it were written"});
      }
      progress.Step(++done);
    }
    if (StopRequested())
      return Refuse("import interrupted after " + std::to_string(done) + " of " +
                        std::to_string(rows.size()) + " entries",
                    json{{"imported", done}});
    return Report(CR_OK, json{{"imported", done}}, std::to_string(done) + " entries written\n");
  });
}

int Export(const std::string& file) {
  return WithSession([&] {
    int32_t size = 0;
    int32_t code = CRGetIGBSize(&size);
    if (code != CR_OK) return Report(code);
    AtomicFile out(file);
    if (!out.open()) return Refuse(out.error());
    out.Write(std::string(kGoodsCsvHeader) + "\n");
    Progress progress("goods", static_cast<size_t>(size));
    size_t written = 0;
    for (uint32_t n = 1; n <= static_cast<uint32_t>(size); ++n) {
      if (StopRequested()) return int{kExitRefused};  // the old file stays; WithSession says why
      GoodsEntry g{};
      code = CRGetInternalGBEntry(&g, n);
      progress.Step(n);
      if (code == CR_ERR_GOODS_EMPTY) continue;
      if (code != CR_OK)
        return Report(Outcome{code, json{{"exported", 0}}, "",
                              "entry " + std::to_string(n) + "; " + file + " was left as it was"});
      out.Write(GoodsCsvLine(RowOf(g, n)) + "\n");
      ++written;
    }
    if (!out.Commit()) return Refuse(out.error(), json{{"exported", 0}});
    return Report(CR_OK, json{{"exported", written}},
                  std::to_string(written) + " entries exported\n");
  });
}

// goods get and goods clear.
struct GoodsEntryOptions {
  uint32_t number = 1;
};

// goods import and goods export.
struct GoodsFileOptions {
  std::string file;
};

}  // namespace

void AddGoodsCommands(CLI::App& app, CommandRun& run) {
  auto* c = app.add_subcommand("goods", "The register's internal goods base");
  c->require_subcommand(1);

  auto* get = c->add_subcommand("get", "Show an entry");
  auto getOptions = std::make_shared<GoodsEntryOptions>();
  get->add_option("number", getOptions->number, "entry number")->required();
  get->callback([o = getOptions, &run] {
    run = [o] {
      return WithSession([o] {
        GoodsEntry g{};
        const int32_t code = CRGetInternalGBEntry(&g, o->number);
        if (code != CR_OK) return Report(code);
        const GoodsRow r = RowOf(g, o->number);
        return Report(code, RowJson(r),
                      r.name + "  " + Money(r.price) + "  section " + std::to_string(r.section) +
                          "  " + r.barcode + "\n");
      });
    };
  });

  // The options of goods set are the entry's fields.
  auto* set = c->add_subcommand("set", "Write an entry (not while a shift is open)");
  auto row = std::make_shared<GoodsRow>();
  set->add_option("number", row->number, "entry number")->required();
  set->add_option("--name", row->name,
                  "name (" + std::to_string(rules::kLineName.maxBytes) + " characters)")
      ->required();
  set->add_option("--price", row->price, "unit price")->required();
  set->add_option("--section", row->section,
                  "section (" + rules::RangeText(rules::kLineSection) + ")");
  set->add_option("--barcode", row->barcode, "13 digits");
  set->add_option("--by-pieces", row->byPieces,
                  "1 pieces, 0 weight, 2 pieces with computed check digit");
  set->callback([row, &run] {
    run = [row] {
      std::string error;
      if (!CheckGoodsRow(*row, error)) return UsageError("goods set: " + error);
      return WithSession([row] {
        const GoodsEntry g = EntryOf(*row);
        return Report(CRSetInternalGBEntry(&g, row->number), json::object(),
                      "entry " + std::to_string(row->number) + " written\n");
      });
    };
  });

  auto* clear = c->add_subcommand("clear", "Empty an entry");
  auto clearOptions = std::make_shared<GoodsEntryOptions>();
  clear->add_option("number", clearOptions->number, "entry number")->required();
  clear->callback([o = clearOptions, &run] {
    run = [o] {
      return WithSession([o] {
        return Report(CRSetInternalGBEntry(nullptr, o->number), json::object(),
                      "entry " + std::to_string(o->number) + " cleared\n");
      });
    };
  });

  auto* importCmd = c->add_subcommand(
      "import",
      "Write entries from a CSV file: number,name,price,section[,barcode[,byPieces]] separated "
      "by ',' or ';'. The whole file is checked first: one bad line and nothing is written");
  auto importOptions = std::make_shared<GoodsFileOptions>();
  importCmd->add_option("file", importOptions->file, "the CSV file")
      ->required()
      ->check(CLI::ExistingFile);
  importCmd->callback([o = importOptions, &run] { run = [o] { return Import(o->file); }; });

  auto* exportCmd = c->add_subcommand(
      "export", "Write the non-empty entries to a CSV file (replaced only when complete)");
  auto exportOptions = std::make_shared<GoodsFileOptions>();
  exportCmd->add_option("file", exportOptions->file, "the CSV file")->required();
  exportCmd->callback([o = exportOptions, &run] { run = [o] { return Export(o->file); }; });
}

}  // namespace varnolo::cli
