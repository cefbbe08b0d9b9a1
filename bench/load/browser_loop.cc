// Copyright Tavolin developers.

#include "bench/load/browser_loop.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <optional>
#include <string>

#include "bench/load/closed_loop.h"

namespace tavolin::load {

namespace {

struct Action {
  int visitor = 0;
  int line = -1;  // -1: a poll
  Clock::time_point due;
};

// A visitor's place in line: busy while a request of its own waits or is in
// flight; actions that fall due meanwhile wait here in order.
struct Turn {
  bool busy = false;
  std::deque<Action> waiting;
};

// What the shards share. Each shard writes only the entries of its own
// visitors (v % shards) and its own lines (number % shards).
struct Chat {
  Ledger ledger;
  std::vector<Turn> turns;
};

class BrowserShard {
 public:
  BrowserShard(ConnectionPool::Shard& shard, int shards, Chat& chat, const BrowserOptions& options,
               Clock::time_point start)
      : shard_(shard),
        shards_(shards),
        chat_(chat),
        options_(options),
        start_(start),
        end_(start + options.duration),
        own_visitors_((static_cast<int>(chat.ledger.visitors.size()) - shard.index + shards - 1) /
                      shards),
        timer_(shard.io) {
    for (auto& connection : shard.connections) idle_.push_back(connection.get());
  }

  void Start() { Tick(); }
  BrowserResult& result() { return result_; }

 private:
  int VisitorOfPoll(int64_t poll) const {
    return shard_.index + shards_ * static_cast<int>(poll % own_visitors_);
  }
  // When poll or post number `i` of this shard falls due; end_ for none.
  Clock::time_point PollTime(int64_t poll) const {
    if (own_visitors_ == 0) return end_;
    // The shards' polls interleave, so all visitors' polls spread evenly.
    const double interval = std::chrono::duration<double>(options_.poll_interval).count();
    return start_ +
           Seconds(interval * shard_.index / static_cast<double>(chat_.ledger.visitors.size()) +
                   interval * static_cast<double>(poll) / own_visitors_);
  }
  int LineNumber(int64_t post) const { return shard_.index + shards_ * static_cast<int>(post); }
  Clock::time_point PostTime(int64_t post) const {
    if (options_.posts_per_second <= 0 || LineNumber(post) >= std::ssize(chat_.ledger.lines))
      return end_;
    return start_ + Seconds(LineNumber(post) / options_.posts_per_second);
  }

  // Puts every action that has fallen due in line, then sleeps until the next.
  void Tick() {
    const Clock::time_point now = Clock::now();
    const auto due_now = [&](Clock::time_point due) {
      return !interrupted && due < end_ && due <= now;
    };
    for (Clock::time_point due; due_now(due = PollTime(next_poll_));) {
      Due({VisitorOfPoll(next_poll_++), -1, due});
    }
    for (Clock::time_point due; due_now(due = PostTime(next_post_));) {
      Post(LineNumber(next_post_++), due);
    }
    Dispatch();
    const Clock::time_point next = std::min(PollTime(next_poll_), PostTime(next_post_));
    if (interrupted || next >= end_) return;
    timer_.expires_at(next);
    timer_.async_wait([this](boost::system::error_code) { Tick(); });
  }

  void Post(int number, Clock::time_point due) {
    const int poster =
        shard_.index + shards_ * static_cast<int>((number / shards_) % own_visitors_);
    chat_.ledger.Plan(number, poster);
    Due({poster, number, due});
  }

  void Due(const Action& action) {
    Turn& turn = chat_.turns[action.visitor];
    if (turn.busy) {
      turn.waiting.push_back(action);
      return;
    }
    turn.busy = true;
    ready_.push_back(action);
  }

  void Dispatch() {
    if (interrupted || Clock::now() > end_ + options_.drain_limit) {
      // Given up: the server has fallen too far behind, or the run stops.
      result_.failed += ready_.size();
      ready_.clear();
    }
    while (!ready_.empty() && !idle_.empty()) {
      KeepAliveConnection* connection = idle_.back();
      idle_.pop_back();
      const Action action = ready_.front();
      ready_.pop_front();
      connection->Send(Request(action), [this, connection, action](HttpAnswer answer) {
        Answered(connection, action, answer);
      });
    }
  }

  std::string Request(const Action& action) const {
    if (action.line < 0) return PollRequest(chat_.ledger.visitors[action.visitor]);
    return chat_.ledger.PostRequest(action.line);
  }

  void Answered(KeepAliveConnection* connection, const Action& action, const HttpAnswer& answer) {
    const Clock::time_point now = Clock::now();
    const bool poll = action.line < 0;
    if (chat_.ledger.TakeAnswer(action.visitor, action.line, answer)) {
      ++(poll ? result_.polls : result_.posts);
      (poll ? result_.poll_latency : result_.post_latency).Add(now - action.due);
    } else {
      ++result_.failed;
    }
    Turn& turn = chat_.turns[action.visitor];
    turn.busy = false;
    if (!turn.waiting.empty()) {
      Due(turn.waiting.front());
      turn.waiting.pop_front();
    }
    idle_.push_back(connection);
    Dispatch();
    result_.seconds = std::chrono::duration<double>(now - start_).count();
  }

  ConnectionPool::Shard& shard_;
  const int shards_;
  Chat& chat_;
  const BrowserOptions& options_;
  const Clock::time_point start_;
  const Clock::time_point end_;
  const int own_visitors_;
  boost::asio::steady_timer timer_;
  int64_t next_poll_ = 0;
  int64_t next_post_ = 0;
  std::deque<Action> ready_;
  std::vector<KeepAliveConnection*> idle_;
  BrowserResult result_;
};

}  // namespace

BrowserResult RunBrowsers(ConnectionPool& pool, std::vector<Visitor>& visitors,
                          const BrowserOptions& options) {
  Chat chat{Ledger(visitors, options.duration, options.posts_per_second, "loadline "),
            std::vector<Turn>(visitors.size())};
  const Clock::time_point start = Clock::now();
  const auto shards = RunLoops<BrowserShard>(pool, [&](ConnectionPool::Shard& shard) {
    return std::make_unique<BrowserShard>(shard, pool.threads(), chat, options, start);
  });

  BrowserResult result;
  for (auto& shard : shards) {
    BrowserResult& part = shard->result();
    result.polls += part.polls;
    result.posts += part.posts;
    result.failed += part.failed;
    result.seconds = std::max(result.seconds, part.seconds);
    result.poll_latency.Merge(part.poll_latency);
    result.post_latency.Merge(part.post_latency);
  }
  // Actions still waiting behind a request that was given up.
  for (const Turn& turn : chat.turns) result.failed += turn.waiting.size();
  result.failed += CollectRest(pool, chat.ledger, options.drain_limit);
  result.delivery = Account(chat.ledger);
  return result;
}

}  // namespace tavolin::load
