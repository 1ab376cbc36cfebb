#include "http_api.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "openapi.h"
#include "register_json.h"
#include "status_page.h"
#include "status_report.h"
#include "varnolo.h"

namespace varnolo::service {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

namespace {

constexpr size_t kMaxKeyBytes = 200;
constexpr int32_t kMaxTapeEntriesPerRequest = 200;
constexpr size_t kMaxJournalEntriesPerRequest = 500;

bool OpenPath(const std::string& path) { return path == "/" || path == "/status.json"; }

// A key is 1 to 200 printable ASCII characters.
bool KeyIsValid(const std::string& key) {
  return !key.empty() && key.size() <= kMaxKeyBytes &&
         std::all_of(key.begin(), key.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

// A whole number from a query parameter, within [low, high].
bool QueryNumber(const Request& req, const char* name, int64_t low, int64_t high,
                 std::optional<int64_t>& out, std::string& error) {
  if (!req.has_param(name)) return true;
  const std::string text = req.get_param_value(name);
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) {
    error = std::string("\"") + name + "\" must be a whole number from " + std::to_string(low) +
            " to " + std::to_string(high);
    return false;
  }
  out = v;
  return true;
}

}  // namespace

void Send(Response& res, const Reply& reply) {
  res.status = reply.status;
  if (reply.retryAfterS > 0) res.set_header("Retry-After", std::to_string(reply.retryAfterS));
  if (reply.body.contains("replayed")) res.set_header("Idempotent-Replayed", "true");
  res.set_content(reply.body.dump(), "application/json");
}

HttpApi::HttpApi(httplib::Server& server, RegisterWorker& worker, DocumentDesk& desk,
                 Journal& journal, ApiSettings settings)
    : server_(server),
      worker_(worker),
      desk_(desk),
      journal_(journal),
      settings_(std::move(settings)),
      limiter_(settings_.requestsPerSecond, settings_.requestBurst) {
  Install();
}

httplib::Server::HandlerResponse HttpApi::Guard(const Request& req, Response& res) {
  int retryAfter = 1;
  if (!limiter_.Allow(req.remote_addr, &retryAfter)) {
    Send(res, ErrorReply(429, "too many requests", retryAfter));
    return httplib::Server::HandlerResponse::Handled;
  }
  if (OpenPath(req.path)) return httplib::Server::HandlerResponse::Unhandled;
  if (!BearerMatches(req.get_header_value("Authorization"), settings_.token)) {
    res.set_header("WWW-Authenticate", "Bearer");
    Send(res, ErrorReply(401, "a valid bearer token is needed"));
    return httplib::Server::HandlerResponse::Handled;
  }
  return httplib::Server::HandlerResponse::Unhandled;
}

void HttpApi::OnWorker(Response& res, RegisterWorker::Job job) {
  std::optional<std::future<Reply>> done = worker_.Submit(std::move(job));
  if (!done) {
    const bool stopping = worker_.Status().state == LineState::kStopping;
    return Send(res, ErrorReply(503, stopping ? "the service is stopping" : "the queue is full",
                                stopping ? 5 : 1));
  }
  Send(res, done->get());
}

void HttpApi::Document(const std::string& path, const Request& req, Response& res) {
  const std::string key = req.get_header_value("Idempotency-Key");
  if (!req.has_header("Idempotency-Key"))
    return Send(res, ErrorReply(400, "a document request needs an Idempotency-Key header"));
  if (!KeyIsValid(key))
    return Send(res, ErrorReply(400,
                                "the Idempotency-Key must be 1 to 200 printable ASCII "
                                "characters without blanks"));
  json body = nullptr;
  if (!req.body.empty()) {
    body = json::parse(req.body, nullptr, false);
    if (body.is_discarded()) return Send(res, ErrorReply(400, "the body is not JSON"));
  }
  auto doc = std::make_shared<DocumentRequest>();
  std::string error;
  if (!ParseDocumentRequest(path, body, *doc, error)) return Send(res, ErrorReply(422, error));
  const std::string canonical = CanonicalRequest(std::string(doc->rule->kind), body);
  if (std::optional<Reply> stored = desk_.Replay(key, canonical)) return Send(res, *stored);
  OnWorker(res, [this, key, canonical, doc] { return desk_.Run(key, canonical, *doc); });
}

void HttpApi::Install() {
  server_.set_payload_max_length(settings_.maxBodyBytes);
  server_.set_pre_routing_handler(
      [this](const Request& req, Response& res) { return Guard(req, res); });

  server_.Get("/", [](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                   "connect-src 'self'");
    res.set_content(kStatusPageHtml, "text/html; charset=utf-8");
  });
  auto status = [this](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-store");
    Send(res, Reply{200, StatusJson(worker_.Status(), settings_.target, journal_), 0, 0});
  };
  server_.Get("/status.json", status);
  server_.Get("/v1/status", status);
  server_.Get("/v1/openapi.json", [this](const Request&, Response& res) {
    Send(res, Reply{200, OpenApiDocument(settings_.version), 0, 0});
  });

  for (const DocumentPath& document : DocumentPaths()) {
    server_.Post("/v1/" + document.path,
                 [this, path = document.path](const Request& req, Response& res) {
                   Document(path, req, res);
                 });
  }

  server_.Get("/v1/totals", [this](const Request& req, Response& res) {
    std::optional<int64_t> cashier, section;
    std::string error;
    if (!QueryNumber(req, "cashier", 1, 8, cashier, error) ||
        !QueryNumber(req, "section", 1, 16, section, error))
      return Send(res, ErrorReply(422, error));
    if (cashier && section) return Send(res, ErrorReply(422, "give cashier or section, not both"));
    const uint32_t index = static_cast<uint32_t>(cashier ? *cashier : section ? *section : 0);
    const int32_t byCashier = cashier ? 1 : 0;
    OnWorker(res, [index, byCashier] {
      TradeTotals t{};
      TradeCounters n{};
      const int32_t code = CRGetTradeResults(&t, &n, index, byCashier);
      return ResultReply(code, code == CR_OK ? client::TotalsJson(t, n) : json::object());
    });
  });

  server_.Get("/v1/tape", [this](const Request& req, Response& res) {
    std::optional<int64_t> from, to;
    std::string error;
    if (!QueryNumber(req, "from", 1, 65535, from, error) ||
        !QueryNumber(req, "to", 1, 65535, to, error))
      return Send(res, ErrorReply(422, error));
    OnWorker(res, [from, to] {
      uint16_t count = 0;
      int32_t code = CRGetNumOfShoppings(&count);
      if (code != CR_OK) return ResultReply(code);
      const int32_t first = static_cast<int32_t>(from.value_or(1));
      int32_t last = static_cast<int32_t>(std::min<int64_t>(to.value_or(count), count));
      last = std::min(last, first + kMaxTapeEntriesPerRequest - 1);
      json data{{"tapeCount", count}, {"entries", json::array()}};
      if (first <= last) {
        code = client::ReadTapeRange(first, static_cast<uint32_t>(last),
                                     [&](const client::TapeRow& row) {
                                       data["entries"].push_back(client::TapeRowJson(row));
                                       return true;
                                     });
      }
      if (last < count && first <= last) data["next"] = last + 1;
      return ResultReply(code, data);
    });
  });

  server_.Get("/v1/journal", [this](const Request& req, Response& res) {
    std::optional<int64_t> after, limit;
    std::string error;
    if (!QueryNumber(req, "after", 0, INT64_MAX, after, error) ||
        !QueryNumber(req, "limit", 1, kMaxJournalEntriesPerRequest, limit, error))
      return Send(res, ErrorReply(422, error));
    json entries = json::array();
    for (const JournalEntry& e :
         journal_.Since(after.value_or(0), static_cast<size_t>(limit.value_or(100))))
      entries.push_back(JournalEntryJson(e, true));
    Send(res, Reply{200, json{{"entries", entries}}, 0, 0});
  });

  server_.set_error_handler([](const Request&, Response& res) {
    if (!res.body.empty()) return;  // an answer of ours
    const char* what = res.status == 404   ? "no such endpoint"
                       : res.status == 413 ? "the request body is too large"
                                           : "the request was refused";
    res.set_content(json{{"error", what}}.dump(), "application/json");
  });
}

}  // namespace varnolo::service
