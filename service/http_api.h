// The service's HTTP interface: the routes under /v1, the bearer token on
// every one of them, the rate and size limits, and the status page.
#pragma once

#include <httplib.h>

#include <string>

#include "access_guard.h"
#include "document_desk.h"
#include "journal.h"
#include "register_session.h"
#include "register_worker.h"

namespace varnolo::service {

struct ApiSettings {
  std::string token;
  client::Target target;
  size_t maxBodyBytes = 64 * 1024;
  double requestsPerSecond = 50;  // per client address
  double requestBurst = 100;
  const char* version = "";
};

class HttpApi {
 public:
  HttpApi(httplib::Server& server, RegisterWorker& worker, DocumentDesk& desk, Journal& journal,
          ApiSettings settings);

 private:
  void Install();
  httplib::Server::HandlerResponse Guard(const httplib::Request& req, httplib::Response& res);
  void Document(const std::string& path, const httplib::Request& req, httplib::Response& res);
  void OnWorker(httplib::Response& res, RegisterWorker::Job job);

  httplib::Server& server_;
  RegisterWorker& worker_;
  DocumentDesk& desk_;
  Journal& journal_;
  ApiSettings settings_;
  RateLimiter limiter_;
};

// How an answer goes out: status, JSON body, Retry-After.
void Send(httplib::Response& res, const Reply& reply);

}  // namespace varnolo::service
