// Copyright Tavolin developers.
//
// WaitingPolls: the polls that wait for a line their visitor may see. Each is
// kept by its visitor's room and name, so that a line wakes exactly the polls
// that may see it, and timed out by a timer on its connection's strand. A
// parked poll holds its responder, a request of a few fields to answer with
// and the timer: no thread, no page.
//
// Thread safety: every method may be called from any thread; the registry's
// own lock is held only to file and take polls, never while one is answered.

#ifndef TAVOLIN_SERVER_WAITING_POLLS_H_
#define TAVOLIN_SERVER_WAITING_POLLS_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "conversation/say_audience.h"
#include "server/http_message.h"
#include "server/responder.h"
#include "tavolin/thread_annotations.h"

namespace tavolin::server {

class WaitingPolls {
 public:
  // Answers a poll whose wait is over, on its connection's strand.
  using Answer = std::function<void(const HttpRequest& request, Responder& responder)>;

  explicit WaitingPolls(Answer answer) : answer_(std::move(answer)) {}
  WaitingPolls(const WaitingPolls&) = delete;
  WaitingPolls& operator=(const WaitingPolls&) = delete;

  // Takes `responder` and keeps it until a line that `name` in `room` may see
  // is announced, `wait` passes or Close runs; then answers `request`
  // through it. False, taking nothing, once closed.
  bool Park(std::string name, int32_t room, std::chrono::seconds wait, HttpRequest request,
            Responder& responder);
  // Wakes the polls that may see any of `lines`.
  void Wake(const std::vector<SayAudience>& lines);
  // Wakes every poll; later ones are refused.
  void Close();
  // How many polls wait now.
  size_t size() const;

 private:
  struct Poll;
  using Polls = std::vector<std::shared_ptr<Poll>>;

  // Whether `poll` is still kept (not woken nor timed out).
  bool Filed(const Poll* poll) const EXCLUSIVE_LOCKS_REQUIRED(mutex_);
  // Takes `poll` out of both indexes into `taken`.
  void Take(const Poll* poll, Polls& taken) EXCLUSIVE_LOCKS_REQUIRED(mutex_);
  // Answers each poll on its strand, after its timer is stopped.
  void Finish(Polls polls);

  const Answer answer_;
  mutable std::mutex mutex_;
  bool closed_ GUARDED_BY(mutex_) = false;
  size_t count_ GUARDED_BY(mutex_) = 0;
  std::unordered_map<int32_t, std::unordered_map<const Poll*, std::shared_ptr<Poll>>> by_room_
      GUARDED_BY(mutex_);
  std::unordered_multimap<std::string, const Poll*> by_name_ GUARDED_BY(mutex_);
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_WAITING_POLLS_H_
