// Copyright Tavolin developers.

#include "bench/load/delivery_ledger.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>

#include "component/page_text.h"
#include "testing/chat_answer.h"

namespace tavolin::load {

namespace {

// Whom line `number` of `poster` is for: every third line goes privately to
// a visitor of the same room (`rooms` apart), when there is one.
int Addressee(int number, int poster, int visitors) {
  if (number % 3 != 2) return -1;
  if (poster + rooms < visitors) return poster + rooms;
  return poster >= rooms ? poster - rooms : -1;
}

}  // namespace

Ledger::Ledger(std::vector<Visitor>& visitors, Clock::duration duration, double posts_per_second,
               std::string_view mark)
    : visitors(visitors),
      mark(mark),
      lines(static_cast<size_t>(std::max(
          0.0, std::ceil(std::chrono::duration<double>(duration).count() * posts_per_second)))),
      received(visitors.size()) {}

void Ledger::Plan(int number, int poster) {
  lines[number] = {poster, Addressee(number, poster, static_cast<int>(visitors.size())),
                   VisitorRoom(poster)};
}

std::string Ledger::PostRequest(int number) const {
  const PostedLine& line = lines[number];
  const Visitor& visitor = visitors[line.poster];
  const bool private_line = line.addressee >= 0;
  return FormPostRequest(
      "/say.asp", visitor.cookie,
      {{"says", mark + std::to_string(number) + " from " + VisitorName(line.poster)},
       {"towho", private_line ? VisitorName(line.addressee) : std::string(page::kEverybody)},
       {"secret", private_line ? "-1" : "0"},
       {"id", std::to_string(visitor.last_say_id)},
       {"addsays", "0"},
       {"sayscolor", "000000"},
       {"addwordcolor", "000000"},
       {"token", visitor.token}});
}

std::optional<size_t> Ledger::TakeAnswer(int visitor, int posted, const HttpAnswer& answer,
                                         bool record) {
  if (answer.status != 200) return std::nullopt;
  const testing::ChatAnswer read = testing::ReadChatAnswer(answer.body);
  if (!read.newest_say_id) return std::nullopt;
  const Clock::time_point now = Clock::now();
  if (record) visitors[visitor].last_say_id = *read.newest_say_id;
  bool posted_seen = false;
  for (const testing::DeliveredLine& line : read.lines) {
    int number = 0;
    const std::string_view text = line.text;
    const bool ours =
        text.starts_with(mark) &&
        std::from_chars(text.begin() + mark.size(), text.end(), number).ec == std::errc();
    if (!ours) continue;
    if (record) received[visitor].push_back({number, now});
    posted_seen = posted_seen || number == posted;
  }
  if (posted >= 0) {
    lines[posted].stored = posted_seen;
    lines[posted].answered = now;
    if (!posted_seen) return std::nullopt;
  }
  return read.lines.size();
}

uint64_t CollectRest(ConnectionPool& pool, Ledger& ledger, Clock::duration limit) {
  std::atomic<uint64_t> failed{0};
  const size_t polled =
      RunEach(pool, ledger.visitors.size(), Clock::now() + limit, [&](size_t v, int) {
        return Job{PollRequest(ledger.visitors[v]),
                   [&ledger, &failed, v](const HttpAnswer& answer, Clock::duration) {
                     if (!ledger.TakeAnswer(static_cast<int>(v), -1, answer)) ++failed;
                   }};
      });
  return failed + (ledger.visitors.size() - polled);
}

DeliveryCount Account(Ledger& ledger) {
  DeliveryCount count;
  for (const PostedLine& line : ledger.lines) count.lines += line.stored ? 1 : 0;
  for (size_t v = 0; v < ledger.visitors.size(); ++v) {
    std::vector<Delivery>& received = ledger.received[v];
    std::stable_sort(received.begin(), received.end(),
                     [](const Delivery& a, const Delivery& b) { return a.line < b.line; });
    const int visitor = static_cast<int>(v);
    auto at = received.begin();
    for (int number = 0; number < static_cast<int>(ledger.lines.size()); ++number) {
      const PostedLine& line = ledger.lines[number];
      while (at != received.end() && at->line < number) ++at;  // numbers of no line
      const auto first = at;
      const auto past = std::find_if(at, received.end(),
                                     [number](const Delivery& d) { return d.line != number; });
      const auto times = static_cast<uint64_t>(past - at);
      at = past;
      if (times > 1) count.duplicated += times - 1;
      if (!line.stored) continue;  // its post failed, counted there
      const bool may_see = line.poster == visitor || line.addressee == visitor ||
                           (line.addressee < 0 && line.room == VisitorRoom(visitor));
      if (may_see && times == 0) ++count.lost;
      if (!may_see && times > 0) ++count.leaked;
      if (may_see && times > 0) {
        ++count.deliveries;
        count.delay.Add(std::max(first->at - line.answered, Clock::duration::zero()));
      }
    }
  }
  return count;
}

}  // namespace tavolin::load
