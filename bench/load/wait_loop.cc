// Copyright Tavolin developers.

#include "bench/load/wait_loop.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

namespace tavolin::load {

namespace {

// How long a visitor holds its next poll after an answer that came at once
// with no line, which is all a server that does not wait gives.
constexpr auto kHold = std::chrono::milliseconds(100);
// From the last visitor's first poll to the first post, so every connection
// is open and its poll parked when the memory is read.
constexpr auto kSettle = std::chrono::seconds(2);
// After the last post, how long the visitors keep asking, so that lines
// posted at the very end reach them by their waiting polls.
constexpr auto kLastAsks = std::chrono::seconds(1);
// How long the closing polls may take in all.
constexpr auto kCollectLimit = std::chrono::seconds(120);

class WaitShard {
 public:
  WaitShard(ConnectionPool::Shard& shard, int shards, Ledger& ledger, const WaitOptions& options,
            Clock::time_point start)
      : shard_(shard),
        shards_(shards),
        ledger_(ledger),
        options_(options),
        start_(start),
        own_visitors_((static_cast<int>(ledger.visitors.size()) - shard.index + shards - 1) /
                      shards),
        post_start_(start + Seconds(ledger.visitors.size() / options.connects_per_second) +
                    kSettle),
        post_end_(post_start_ + options.duration),
        stop_asking_(post_end_ + kLastAsks),
        ask_timer_(shard.io),
        hold_timer_(shard.io),
        post_timer_(shard.io) {
    // The shard's first connections are its visitors', the rest post.
    for (size_t c = own_visitors_; c < shard.connections.size(); ++c) {
      idle_posters_.push_back(shard.connections[c].get());
    }
  }

  void Start() {
    AskFirst();
    post_timer_.expires_at(post_start_);
    post_timer_.async_wait([this](boost::system::error_code) { PostTick(); });
  }
  WaitResult& result() { return result_; }

 private:
  // The shard's k-th visitor, which asks over the shard's k-th connection.
  int VisitorOf(int k) const { return shard_.index + shards_ * k; }
  bool Asking(Clock::time_point now) const { return !interrupted && now < stop_asking_; }

  // The visitors' first polls, at a steady pace over all shards.
  void AskFirst() {
    const auto first_ask = [this](int k) {
      return start_ + Seconds(VisitorOf(k) / options_.connects_per_second);
    };
    const Clock::time_point now = Clock::now();
    for (; next_first_ < own_visitors_ && first_ask(next_first_) <= now; ++next_first_) {
      if (Asking(now)) Ask(next_first_);
    }
    if (next_first_ >= own_visitors_ || !Asking(now)) return;
    ask_timer_.expires_at(first_ask(next_first_));
    ask_timer_.async_wait([this](boost::system::error_code) { AskFirst(); });
  }

  void Ask(int k) {
    const Clock::time_point sent = Clock::now();
    shard_.connections[k]->Send(PollRequest(ledger_.visitors[VisitorOf(k)], options_.wait_seconds),
                                [this, k, sent](HttpAnswer answer) { Answered(k, sent, answer); });
  }

  void Answered(int k, Clock::time_point sent, const HttpAnswer& answer) {
    const Clock::time_point now = Clock::now();
    const std::optional<size_t> lines = ledger_.TakeAnswer(VisitorOf(k), -1, answer);
    const bool counted = now >= post_start_ && now <= post_end_;
    // Nothing new long before the wait was up: the server did not hold it.
    const bool at_once = lines && *lines == 0 && now - sent < Seconds(options_.wait_seconds / 2.0);
    if (!lines) {
      ++result_.failed;
    } else if (counted) {
      ++result_.polls;
      result_.at_once += at_once ? 1 : 0;
    }
    if (!Asking(now)) return;
    if (lines && !at_once) return Ask(k);
    held_.emplace_back(now + kHold, k);
    ArmHold();
  }

  void ArmHold() {
    if (hold_armed_ || held_.empty()) return;
    hold_armed_ = true;
    hold_timer_.expires_at(held_.front().first);
    hold_timer_.async_wait([this](boost::system::error_code) {
      hold_armed_ = false;
      ReleaseHeld();
    });
  }

  void ReleaseHeld() {
    const Clock::time_point now = Clock::now();
    while (!held_.empty() && held_.front().first <= now) {
      const int k = held_.front().second;
      held_.pop_front();
      if (Asking(now)) Ask(k);
    }
    ArmHold();
  }

  // Line `number` is this shard's when number % shards is its index.
  int LineOf(int64_t post) const { return shard_.index + shards_ * static_cast<int>(post); }
  Clock::time_point PostTime(int64_t post) const {
    if (own_visitors_ == 0 || LineOf(post) >= std::ssize(ledger_.lines)) {
      return Clock::time_point::max();
    }
    return post_start_ + Seconds(LineOf(post) / options_.posts_per_second);
  }

  void PostTick() {
    if (shard_.index == 0 && !all_waiting_told_) {
      all_waiting_told_ = true;
      if (options_.all_waiting) options_.all_waiting();
    }
    const Clock::time_point now = Clock::now();
    for (Clock::time_point due; !interrupted && (due = PostTime(next_post_)) <= now;) {
      const int number = LineOf(next_post_);
      ledger_.Plan(number, VisitorOf(static_cast<int>(next_post_ % own_visitors_)));
      due_posts_.emplace_back(number, due);
      ++next_post_;
    }
    DispatchPosts();
    const Clock::time_point next = PostTime(next_post_);
    if (interrupted || next == Clock::time_point::max()) return;
    post_timer_.expires_at(next);
    post_timer_.async_wait([this](boost::system::error_code) { PostTick(); });
  }

  void DispatchPosts() {
    while (!due_posts_.empty() && !idle_posters_.empty()) {
      KeepAliveConnection* connection = idle_posters_.back();
      idle_posters_.pop_back();
      const auto [number, due] = due_posts_.front();
      due_posts_.pop_front();
      connection->Send(ledger_.PostRequest(number),
                       [this, connection, number, due](HttpAnswer answer) {
                         // The poster's own waiting poll delivers the line to
                         // it; this answer only shows the line was stored.
                         const int poster = ledger_.lines[number].poster;
                         if (ledger_.TakeAnswer(poster, number, answer, /*record=*/false)) {
                           ++result_.posts;
                           result_.post_latency.Add(Clock::now() - due);
                         } else {
                           ++result_.failed;
                         }
                         idle_posters_.push_back(connection);
                         DispatchPosts();
                       });
    }
  }

  ConnectionPool::Shard& shard_;
  const int shards_;
  Ledger& ledger_;
  const WaitOptions& options_;
  const Clock::time_point start_;
  const int own_visitors_;
  const Clock::time_point post_start_;
  const Clock::time_point post_end_;
  const Clock::time_point stop_asking_;
  boost::asio::steady_timer ask_timer_;
  boost::asio::steady_timer hold_timer_;
  boost::asio::steady_timer post_timer_;
  int next_first_ = 0;
  std::deque<std::pair<Clock::time_point, int>> held_;  // in time order: the hold is fixed
  bool hold_armed_ = false;
  int64_t next_post_ = 0;
  bool all_waiting_told_ = false;
  std::deque<std::pair<int, Clock::time_point>> due_posts_;
  std::vector<KeepAliveConnection*> idle_posters_;
  WaitResult result_;
};

}  // namespace

WaitResult RunWaiting(boost::asio::ip::tcp::endpoint server, ConnectionPool& pool,
                      std::vector<Visitor>& visitors, const WaitOptions& options) {
  Ledger ledger(visitors, options.duration, options.posts_per_second, "waitline ");
  ConnectionPool waiting(
      server, static_cast<int>(visitors.size()) + options.threads * options.posting_connections,
      options.threads);
  const Clock::time_point start = Clock::now();
  const auto shards = RunLoops<WaitShard>(waiting, [&](ConnectionPool::Shard& shard) {
    return std::make_unique<WaitShard>(shard, waiting.threads(), ledger, options, start);
  });

  WaitResult result;
  result.seconds = std::chrono::duration<double>(options.duration).count();
  for (auto& shard : shards) {
    WaitResult& part = shard->result();
    result.polls += part.polls;
    result.at_once += part.at_once;
    result.posts += part.posts;
    result.failed += part.failed;
    result.post_latency.Merge(part.post_latency);
  }
  result.failed += CollectRest(pool, ledger, kCollectLimit);
  result.delivery = Account(ledger);
  return result;
}

}  // namespace tavolin::load
