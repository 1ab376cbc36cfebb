// varnolo-service: the register on the network. One thread owns the
// register's session; HTTP clients queue their requests for it, and every
// document goes through the journal under its idempotency key.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>

#include "document_desk.h"
#include "http_api.h"
#include "journal.h"
#include "register_session.h"
#include "register_worker.h"

namespace {

using namespace varnolo;
using namespace varnolo::service;

int64_t WallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool SplitListen(const std::string& listen, std::string& host, int& port) {
  const size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = listen.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  const std::string digits = listen.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  port = std::stoi(digits);
  return port <= 65535;
}

// One line per request on stderr: never a header, so never the token.
void LogRequest(const httplib::Request& req, const httplib::Response& res) {
  std::cerr << "varnolo-service: " << req.remote_addr << " " << req.method << " " << req.path << " "
            << res.status << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varnolo-service: the fiscal register on the network"};
  client::Target target;
  std::string listen = "127.0.0.1:8700", journalPath = "varnolo-journal.sqlite", tokenFile;
  size_t queueLimit = 32;
  app.add_option(
         "--register-port", target.port,
         "the register's port: COM1, COM2, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT")
      ->required();
  app.add_option("--register-number", target.registerNumber, "the register's number on the line")
      ->capture_default_str();
  app.add_option("--listen", listen, "HOST:PORT to listen on (port 0: any free one)")
      ->capture_default_str();
  app.add_option("--journal", journalPath, "the journal (SQLite) file")->capture_default_str();
  app.add_option("--token-file", tokenFile, "the file holding the bearer token")->required();
  app.add_option("--queue", queueLimit, "requests that may wait for the register")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  app.set_version_flag("--version", "varnolo-service " VARNOLO_VERSION);
  CLI11_PARSE(app, argc, argv);

  std::string host, error, token;
  int port = 0;
  if (!SplitListen(listen, host, port)) {
    std::cerr << "varnolo-service: --listen " << listen << " is not HOST:PORT" << std::endl;
    return 2;
  }
  if (!ReadTokenFile(tokenFile, token, error)) {
    std::cerr << "varnolo-service: " << error << std::endl;
    return 2;
  }
  std::unique_ptr<Journal> journal = Journal::Open(journalPath, error);
  if (!journal) {
    std::cerr << "varnolo-service: " << error << std::endl;
    return 2;
  }

  // SIGTERM and SIGINT are taken by a thread of their own; every other
  // thread, started after this, keeps them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  DocumentDesk desk(*journal, client::LibraryTapeWitness(), WallMs);
  RegisterWorker::Settings workerSettings;
  workerSettings.target = target;
  workerSettings.queueLimit = queueLimit;
  workerSettings.onSessionOpen = [&desk] { return desk.SettleInFlight(); };
  // A device path is the library's COM1, set here before any thread runs, so
  // that the worker never touches the environment.
  std::string portError;
  const std::optional<client::Target> selected = client::SelectPort(target, &portError);
  if (!selected) {
    std::cerr << "varnolo-service: --register-port: " << portError << std::endl;
    return 2;
  }
  workerSettings.target = *selected;
  workerSettings.portName = target.port;
  RegisterWorker worker(workerSettings);

  httplib::Server server;
  server.new_task_queue = [queueLimit] {
    return new httplib::ThreadPool(std::max<size_t>(8, std::min<size_t>(queueLimit + 4, 64)));
  };
  server.set_logger(LogRequest);
  server.set_tcp_nodelay(true);  // answers go out at once, not after the next ACK
  ApiSettings api;
  api.token = token;
  api.target = target;
  api.version = VARNOLO_VERSION;
  HttpApi routes(server, worker, desk, *journal, api);

  if (port == 0) {
    port = server.bind_to_any_port(host);
  } else if (!server.bind_to_port(host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "varnolo-service: cannot listen on " << listen << std::endl;
    return 2;
  }
  worker.Start();
  std::cerr << "varnolo-service: listening on " << host << ":" << port << std::endl;

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    std::cerr << "varnolo-service: stopping (signal " << signal
              << "): the document in hand is finished, the session ended" << std::endl;
    worker.Stop();  // finishes the request in hand; the queued ones get 503
    server.stop();
  });
  server.listen_after_bind();
  stopper.join();
  std::cerr << "varnolo-service: stopped" << std::endl;
  return 0;
}
