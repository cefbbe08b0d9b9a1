// Copyright Tavolin developers.

#include "bench/load/closed_loop.h"

#include <atomic>
#include <limits>
#include <mutex>

#include "testing/chat_answer.h"
#include "text/gbk.h"

namespace tavolin::load {

namespace {

using NextJob = std::function<std::optional<Job>(int shard)>;

void SendNext(KeepAliveConnection& connection, int shard, const NextJob& next) {
  if (interrupted) return;
  std::optional<Job> job = next(shard);
  if (!job) return;
  const Clock::time_point sent = Clock::now();
  connection.Send(std::move(job->request),
                  [&connection, shard, &next, sent,
                   answered = std::move(job->answered)](const HttpAnswer& answer) {
                    answered(answer, Clock::now() - sent);
                    SendNext(connection, shard, next);
                  });
}

// Why a login was refused: the message of the refusal page, or the status
// and the start of the body.
std::string Refusal(const HttpAnswer& answer) {
  const std::string body = text::GbkToUtf8(answer.body);
  const std::string_view open = "<div class='message'>";
  const size_t from = body.find(open);
  const size_t to = body.find("</div>", from);
  if (from != std::string::npos && to != std::string::npos) {
    return body.substr(from + open.size(), to - from - open.size());
  }
  return "status " + std::to_string(answer.status) + ": " + body.substr(0, 200);
}

}  // namespace

size_t RunEach(ConnectionPool& pool, size_t count, Clock::time_point deadline,
               const std::function<Job(size_t i, int shard)>& job) {
  std::atomic<size_t> issued{0};
  const NextJob next = [&](int shard) -> std::optional<Job> {
    if (Clock::now() >= deadline) return std::nullopt;
    const size_t i = issued++;
    if (i >= count) return std::nullopt;
    return job(i, shard);
  };
  pool.Run([&next](ConnectionPool::Shard& shard) {
    for (auto& connection : shard.connections) SendNext(*connection, shard.index, next);
  });
  return std::min(issued.load(), count);
}

Throughput MeasureClosedLoop(ConnectionPool& pool,
                             const std::function<std::string(uint64_t)>& request,
                             const std::function<bool(const HttpAnswer&)>& good,
                             Clock::duration duration, uint64_t max_requests) {
  std::vector<Throughput> shards(pool.threads());
  const Clock::time_point start = Clock::now();
  RunEach(pool, max_requests, start + duration, [&](size_t i, int shard) {
    Throughput& mine = shards[shard];
    return Job{request(i), [&mine, &good](const HttpAnswer& answer, Clock::duration latency) {
                 if (!good(answer)) {
                   ++mine.failed;
                   return;
                 }
                 ++mine.good;
                 mine.body_bytes += answer.body.size();
                 mine.latency.Add(latency);
               }};
  });
  Throughput total;
  total.seconds = SecondsSince(start);
  for (const Throughput& shard : shards) {
    total.good += shard.good;
    total.failed += shard.failed;
    total.body_bytes += shard.body_bytes;
    total.latency.Merge(shard.latency);
  }
  return total;
}

Logins LogIn(ConnectionPool& pool, std::vector<Visitor>& visitors, Clock::duration limit) {
  std::atomic<int> succeeded{0};
  std::mutex refusal_mutex;
  Logins logins;
  const Clock::time_point start = Clock::now();
  RunEach(pool, visitors.size(), start + limit, [&](size_t i, int) {
    const int n = static_cast<int>(i);
    std::string request = FormPostRequest("/login.asp", "",
                                          {{"sUserName", VisitorName(n)},
                                           {"sPass", std::string(kPassword)},
                                           {"bSex", std::to_string(n % 2)},
                                           {"room_id", std::to_string(VisitorRoom(n))}});
    return Job{std::move(request), [&, i](const HttpAnswer& answer, Clock::duration) {
                 // Inside, the answer sends the window on to the chat page.
                 const bool entered =
                     answer.status == 200 && answer.set_cookie.starts_with("TAVOLINSID=") &&
                     answer.body.find("location.replace('chat.asp')") != std::string::npos;
                 if (entered) {
                   visitors[i].cookie = answer.set_cookie.substr(0, answer.set_cookie.find(';'));
                   static constexpr std::string_view kMeta = "<meta name='csrf-token' content='";
                   const size_t meta = answer.body.find(kMeta);
                   if (meta != std::string::npos)
                     visitors[i].token = answer.body.substr(meta + kMeta.size(), 32);
                   ++succeeded;
                   return;
                 }
                 std::lock_guard<std::mutex> lock(refusal_mutex);
                 if (logins.first_refusal.empty()) logins.first_refusal = Refusal(answer);
               }};
  });
  logins.succeeded = succeeded;
  logins.seconds = SecondsSince(start);
  return logins;
}

std::string PollRequest(const Visitor& visitor, int wait_seconds) {
  std::string target = "/refresh.asp?sayid=" + std::to_string(visitor.last_say_id);
  if (wait_seconds > 0) target += "&wait=" + std::to_string(wait_seconds);
  return GetRequest(target, visitor.cookie);
}

std::optional<int32_t> NewestSayId(ConnectionPool& pool, const Visitor& visitor) {
  // A say id no line reaches delivers nothing and still names the newest.
  Visitor asking = visitor;
  asking.last_say_id = std::numeric_limits<int32_t>::max();
  std::optional<int32_t> newest;
  RunEach(pool, 1, Clock::time_point::max(), [&](size_t, int) {
    return Job{PollRequest(asking), [&newest](const HttpAnswer& answer, Clock::duration) {
                 if (answer.status == 200)
                   newest = testing::ReadChatAnswer(answer.body).newest_say_id;
               }};
  });
  return newest;
}

}  // namespace tavolin::load
