// Copyright Tavolin developers.

#include "server/waiting_polls.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include "server/error_log.h"

namespace tavolin::server {

namespace net = boost::asio;

struct WaitingPolls::Poll {
  explicit Poll(const net::any_io_executor& strand) : timer(strand) {}

  std::string name;
  int32_t room = 0;
  HttpRequest request;
  Responder responder;
  net::steady_timer timer;  // on the connection's strand
};

bool WaitingPolls::Park(std::string name, int32_t room, std::chrono::seconds wait,
                        HttpRequest request, Responder& responder) {
  auto poll = std::make_shared<Poll>(responder.executor());
  poll->name = std::move(name);
  poll->room = room;
  poll->request = std::move(request);
  poll->responder = std::move(responder);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) {
      responder = std::move(poll->responder);
      return false;
    }
    by_room_[room].emplace(poll.get(), poll);
    by_name_.emplace(poll->name, poll.get());
    ++count_;
  }
  // Woken polls are answered on the same strand, after this: the timer is
  // set before anything can stop it.
  poll->timer.expires_after(wait);
  poll->timer.async_wait([this, poll](boost::system::error_code error) {
    if (error) return;  // woken first
    Polls timed_out;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (Filed(poll.get())) Take(poll.get(), timed_out);
    }
    Finish(std::move(timed_out));
  });
  return true;
}

void WaitingPolls::Wake(const std::vector<SayAudience>& lines) {
  Polls woken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const SayAudience& line : lines) {
      // The candidates: every poll for a line to every room, the room's polls
      // for a public line, the polls of the line's two names for a private one.
      std::vector<const Poll*> candidates;
      if (line.room < -1) {
        for (const auto& [room, polls] : by_room_) {
          for (const auto& entry : polls) candidates.push_back(entry.first);
        }
      } else if (line.is_public) {
        if (const auto room = by_room_.find(line.room); room != by_room_.end()) {
          for (const auto& entry : room->second) candidates.push_back(entry.first);
        }
      } else {
        for (const std::string* name : {&line.who, &line.to_who}) {
          const auto [first, last] = by_name_.equal_range(*name);
          for (auto it = first; it != last; ++it) candidates.push_back(it->second);
        }
      }
      for (const Poll* poll : candidates) {
        // A private line from oneself to oneself names a poll twice.
        if (line.Sees(poll->name, poll->room) && Filed(poll)) Take(poll, woken);
      }
      // A visitor's own line concerns it wherever it waits: one moved to
      // another room (its room deleted) waits under the room it left.
      std::vector<const Poll*> own;
      const auto [first, last] = by_name_.equal_range(line.who);
      for (auto it = first; it != last; ++it) own.push_back(it->second);
      for (const Poll* poll : own) {
        if (Filed(poll)) Take(poll, woken);
      }
    }
  }
  Finish(std::move(woken));
}

void WaitingPolls::Close() {
  Polls all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (auto& [room, polls] : by_room_) {
      for (auto& entry : polls) all.push_back(std::move(entry.second));
    }
    by_room_.clear();
    by_name_.clear();
    count_ = 0;
  }
  Finish(std::move(all));
}

size_t WaitingPolls::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

bool WaitingPolls::Filed(const Poll* poll) const {
  const auto room = by_room_.find(poll->room);
  return room != by_room_.end() && room->second.contains(poll);
}

void WaitingPolls::Take(const Poll* poll, Polls& taken) {
  const auto [first, last] = by_name_.equal_range(poll->name);
  for (auto it = first; it != last; ++it) {
    if (it->second == poll) {
      by_name_.erase(it);
      break;
    }
  }
  const auto room = by_room_.find(poll->room);
  const auto entry = room->second.find(poll);
  taken.push_back(std::move(entry->second));
  room->second.erase(entry);
  if (room->second.empty()) by_room_.erase(room);
  --count_;
}

void WaitingPolls::Finish(Polls polls) {
  for (std::shared_ptr<Poll>& poll : polls) {
    const auto strand = poll->timer.get_executor();
    net::post(strand, [this, poll = std::move(poll)] {
      poll->timer.cancel();
      try {
        answer_(poll->request, poll->responder);
      } catch (const std::exception& e) {
        if (poll->responder) {
          poll->responder.Answer({.status = 500,
                                  .content_type = "text/plain",
                                  .body = "Internal Server Error (reference " +
                                          LogRequestError(poll->request.target, e.what()) + ")",
                                  .headers = {}});
        }
      }
    });
  }
}

}  // namespace tavolin::server
