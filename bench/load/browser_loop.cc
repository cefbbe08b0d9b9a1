// Copyright Tavolin developers.

#include "bench/load/browser_loop.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <deque>
#include <optional>
#include <string>

#include "bench/load/chat_answer.h"
#include "bench/load/closed_loop.h"
#include "component/page_text.h"

namespace tavolin::load {

namespace {

// Posted lines read "loadline <number> from <name>"; the number finds the
// line again in every delivery.
constexpr std::string_view kLineMark = "loadline ";

struct PostedLine {
  int poster = 0;
  int addressee = -1;  // -1: a public line
  int room = 0;
  bool stored = false;  // the poster's answer delivered it
};

// Whom line `number` of `poster` is for: every third line goes privately to
// a visitor of the same room (kRooms apart), when there is one.
int Addressee(int number, int poster, int visitors) {
  if (number % 3 != 2) return -1;
  if (poster + kRooms < visitors) return poster + kRooms;
  return poster >= kRooms ? poster - kRooms : -1;
}

std::optional<int> LineNumber(std::string_view text) {
  int number = 0;
  const bool ours =
      text.starts_with(kLineMark) &&
      std::from_chars(text.begin() + kLineMark.size(), text.end(), number).ec == std::errc();
  return ours ? std::optional(number) : std::nullopt;
}

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
  std::vector<Visitor>& visitors;
  std::vector<PostedLine> lines;
  std::vector<std::vector<int>> received;  // line numbers delivered, by visitor
  std::vector<Turn> turns;
};

// Records what a chat answer delivered to `visitor`; false when the answer
// is not one. `posted` is the line the request posted (-1 for none), which
// the answer must hold.
bool TakeAnswer(Chat& chat, int visitor, int posted, const HttpAnswer& answer) {
  if (answer.status != 200) return false;
  const ChatAnswer read = ReadChatAnswer(answer.body);
  if (!read.newest_say_id) return false;
  chat.visitors[visitor].last_say_id = *read.newest_say_id;
  bool posted_seen = false;
  for (const DeliveredLine& line : read.lines) {
    const std::optional<int> number = LineNumber(line.text);
    if (!number) continue;
    chat.received[visitor].push_back(*number);
    posted_seen = posted_seen || *number == posted;
  }
  if (posted < 0) return true;
  chat.lines[posted].stored = posted_seen;
  return posted_seen;
}

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
        own_visitors_((static_cast<int>(chat.visitors.size()) - shard.index + shards - 1) / shards),
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
    return start_ + Seconds(interval * shard_.index / static_cast<double>(chat_.visitors.size()) +
                            interval * static_cast<double>(poll) / own_visitors_);
  }
  int LineNumber(int64_t post) const { return shard_.index + shards_ * static_cast<int>(post); }
  Clock::time_point PostTime(int64_t post) const {
    if (options_.posts_per_second <= 0 || LineNumber(post) >= std::ssize(chat_.lines)) return end_;
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
    const int visitors = static_cast<int>(chat_.visitors.size());
    const int poster =
        shard_.index + shards_ * static_cast<int>((number / shards_) % own_visitors_);
    chat_.lines[number] = {poster, Addressee(number, poster, visitors), VisitorRoom(poster)};
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
    const Visitor& visitor = chat_.visitors[action.visitor];
    if (action.line < 0) return PollRequest(visitor);
    const PostedLine& line = chat_.lines[action.line];
    const bool private_line = line.addressee >= 0;
    return FormPostRequest(
        "/say.asp", visitor.cookie,
        {{"says", std::string(kLineMark) + std::to_string(action.line) + " from " +
                      VisitorName(action.visitor)},
         {"towho", private_line ? VisitorName(line.addressee) : std::string(page::kEverybody)},
         {"secret", private_line ? "-1" : "0"},
         {"id", std::to_string(visitor.last_say_id)},
         {"addsays", "0"},
         {"sayscolor", "000000"},
         {"addwordcolor", "000000"},
         {"token", visitor.token}});
  }

  void Answered(KeepAliveConnection* connection, const Action& action, const HttpAnswer& answer) {
    const Clock::time_point now = Clock::now();
    const bool poll = action.line < 0;
    if (TakeAnswer(chat_, action.visitor, action.line, answer)) {
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

// One poll per visitor, in a closed loop, for what came after its last one;
// visitors not polled within `limit` count as failed.
uint64_t CollectRest(ConnectionPool& pool, Chat& chat, Clock::duration limit) {
  std::atomic<uint64_t> failed{0};
  const size_t polled =
      RunEach(pool, chat.visitors.size(), Clock::now() + limit, [&](size_t v, int) {
        return Job{PollRequest(chat.visitors[v]),
                   [&chat, &failed, v](const HttpAnswer& answer, Clock::duration) {
                     if (!TakeAnswer(chat, static_cast<int>(v), -1, answer)) ++failed;
                   }};
      });
  return failed + (chat.visitors.size() - polled);
}

// Compares each visitor's deliveries with the stored lines it may see.
void Account(Chat& chat, BrowserResult& result) {
  for (size_t v = 0; v < chat.visitors.size(); ++v) {
    std::vector<int>& received = chat.received[v];
    std::sort(received.begin(), received.end());
    const int visitor = static_cast<int>(v);
    auto at = received.begin();
    for (int number = 0; number < static_cast<int>(chat.lines.size()); ++number) {
      const PostedLine& line = chat.lines[number];
      while (at != received.end() && *at < number) ++at;  // numbers of no line
      const auto past = std::find_if(at, received.end(), [number](int n) { return n != number; });
      const auto times = static_cast<uint64_t>(past - at);
      at = past;
      if (times > 1) result.duplicated += times - 1;
      if (!line.stored) continue;  // its post failed, counted there
      const bool may_see = line.poster == visitor || line.addressee == visitor ||
                           (line.addressee < 0 && line.room == VisitorRoom(visitor));
      if (may_see && times == 0) ++result.lost;
      if (!may_see && times > 0) ++result.leaked;
    }
  }
}

}  // namespace

BrowserResult RunBrowsers(ConnectionPool& pool, std::vector<Visitor>& visitors,
                          const BrowserOptions& options) {
  const double seconds = std::chrono::duration<double>(options.duration).count();
  const auto lines =
      static_cast<size_t>(std::max(0.0, std::ceil(seconds * options.posts_per_second)));
  Chat chat{visitors, std::vector<PostedLine>(lines),
            std::vector<std::vector<int>>(visitors.size()), std::vector<Turn>(visitors.size())};

  // Each shard's loop is built on its own thread and outlives the run.
  std::vector<std::unique_ptr<BrowserShard>> shards(pool.threads());
  const Clock::time_point start = Clock::now();
  pool.Run([&](ConnectionPool::Shard& shard) {
    shards[shard.index] =
        std::make_unique<BrowserShard>(shard, pool.threads(), chat, options, start);
    shards[shard.index]->Start();
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
  result.failed += CollectRest(pool, chat, options.drain_limit);
  for (const PostedLine& line : chat.lines) result.lines += line.stored ? 1 : 0;
  Account(chat, result);
  return result;
}

}  // namespace tavolin::load
