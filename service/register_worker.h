// The one owner of the register's session. A single thread opens the session
// once, runs the requests one at a time in the order they arrived from a
// bounded queue, watches the line, and when the register stops answering
// ends the session and opens it again with a growing pause.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "register_session.h"
#include "reply.h"

namespace varnolo::service {

enum class LineState { kStarting, kOnline, kReconnecting, kStopping };
const char* LineStateName(LineState state);

struct WorkerStatus {
  LineState state = LineState::kStarting;
  size_t queued = 0;
  size_t queueLimit = 0;
  bool busy = false;
  uint64_t sessionsOpened = 0;
  uint64_t requestsRun = 0;
  uint32_t nextAttemptMs = 0;  // while reconnecting: the pause before the next try
};

class RegisterWorker {
 public:
  struct Settings {
    client::Target target;
    std::string portName;  // the port as the user named it, for the log
    size_t queueLimit = 32;
    uint32_t idleProbeMs = 5000;  // a quiet line is checked this often
    uint32_t firstBackoffMs = 500;
    uint32_t maxBackoffMs = 10000;
    // Runs on the worker thread after every session start, before any
    // request; false means the session is not fit to use.
    std::function<bool()> onSessionOpen;
  };
  using Job = std::function<Reply()>;

  explicit RegisterWorker(Settings settings);
  ~RegisterWorker();
  RegisterWorker(const RegisterWorker&) = delete;
  RegisterWorker& operator=(const RegisterWorker&) = delete;

  void Start();
  // Queues a request; nothing when the queue is full.
  std::optional<std::future<Reply>> Submit(Job job);
  // Lets the request in hand finish, answers those still queued with 503 and
  // ends the session.
  void Stop();
  WorkerStatus Status() const;

 private:
  struct Pending {
    Job job;
    std::promise<Reply> done;
  };
  void Loop();
  bool OpenSession();
  void CloseSession();
  bool LineAnswers();
  void AnswerQueued(const Reply& reply);
  bool WaitStopOr(uint32_t ms);

  Settings settings_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Pending> queue_;
  WorkerStatus status_;
  bool stop_ = false;
  std::optional<client::RegisterSession> session_;
  std::thread thread_;
};

}  // namespace varnolo::service
