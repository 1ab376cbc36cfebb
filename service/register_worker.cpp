#include "register_worker.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "varnolo.h"

namespace varnolo::service {

const char* LineStateName(LineState state) {
  switch (state) {
    case LineState::kStarting:
      return "starting";
    case LineState::kOnline:
      return "online";
    case LineState::kReconnecting:
      return "reconnecting";
    case LineState::kStopping:
      return "stopping";
  }
  return "unknown";
}

RegisterWorker::RegisterWorker(Settings settings) : settings_(std::move(settings)) {
  status_.queueLimit = settings_.queueLimit;
}

RegisterWorker::~RegisterWorker() { Stop(); }

void RegisterWorker::Start() {
  thread_ = std::thread([this] { Loop(); });
}

std::optional<std::future<Reply>> RegisterWorker::Submit(Job job) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stop_ || queue_.size() >= settings_.queueLimit) return std::nullopt;
  queue_.push_back(Pending{std::move(job), {}});
  std::future<Reply> f = queue_.back().done.get_future();
  status_.queued = queue_.size();
  wake_.notify_all();
  return f;
}

void RegisterWorker::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    status_.state = LineState::kStopping;
    wake_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
}

WorkerStatus RegisterWorker::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

bool RegisterWorker::WaitStopOr(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
}

void RegisterWorker::AnswerQueued(const Reply& reply) {
  std::deque<Pending> waiting;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting.swap(queue_);
    status_.queued = 0;
  }
  for (Pending& p : waiting) p.done.set_value(reply);
}

bool RegisterWorker::OpenSession() {
  session_.emplace(settings_.target);
  if (session_->open() && (!settings_.onSessionOpen || settings_.onSessionOpen())) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++status_.sessionsOpened;
    if (!stop_) status_.state = LineState::kOnline;
    status_.nextAttemptMs = 0;
    return true;
  }
  session_.reset();
  return false;
}

void RegisterWorker::CloseSession() {
  session_.reset();
  std::lock_guard<std::mutex> lock(mutex_);
  if (!stop_) status_.state = LineState::kReconnecting;
}

bool RegisterWorker::LineAnswers() {
  uint16_t count = 0;
  return CRGetNumOfShoppings(&count) == CR_OK || CRGetNumOfShoppings(&count) == CR_OK;
}

void RegisterWorker::Loop() {
  uint32_t backoff = settings_.firstBackoffMs;
  for (;;) {
    if (!session_) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stop_) break;
      }
      if (!OpenSession()) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          if (!stop_) status_.state = LineState::kReconnecting;
          status_.nextAttemptMs = backoff;
        }
        std::cerr << "varnolo-service: register " << settings_.target.registerNumber
                  << " does not answer on " << settings_.portName << "; next try in " << backoff
                  << " ms" << std::endl;
        AnswerQueued(ErrorReply(503, "the register does not answer; the service is reconnecting",
                                static_cast<int>((backoff + 999) / 1000)));
        if (WaitStopOr(backoff)) break;
        backoff = std::min(backoff * 2, settings_.maxBackoffMs);
        continue;
      }
      backoff = settings_.firstBackoffMs;
      std::cerr << "varnolo-service: session open with register " << settings_.target.registerNumber
                << " on " << settings_.portName << std::endl;
    }

    Pending next;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const bool woken = wake_.wait_for(lock, std::chrono::milliseconds(settings_.idleProbeMs),
                                        [this] { return stop_ || !queue_.empty(); });
      if (stop_) break;
      if (!woken) {
        lock.unlock();
        if (!LineAnswers()) CloseSession();
        continue;
      }
      next = std::move(queue_.front());
      queue_.pop_front();
      status_.queued = queue_.size();
      status_.busy = true;
    }
    Reply reply = next.job();
    const bool silent = RegisterSilent(reply.libraryResult);
    const bool journalFailed = reply.journalFailed;
    next.done.set_value(std::move(reply));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      status_.busy = false;
      ++status_.requestsRun;
    }
    if (journalFailed) {
      std::cerr << "varnolo-service: the journal could not record an outcome; the session is "
                   "started anew to settle it"
                << std::endl;
      CloseSession();
    } else if (silent && !LineAnswers()) {
      CloseSession();
    }
  }
  AnswerQueued(ErrorReply(503, "the service is stopping", 5));
  CloseSession();
}

}  // namespace varnolo::service
