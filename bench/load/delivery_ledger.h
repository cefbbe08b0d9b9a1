// Copyright Tavolin developers.
//
// What the visitors posted and what reached whom, and when. Posted lines
// read "<mark><number> from <name>"; the number finds the line again in every
// delivery. Every third line goes privately to a visitor of the poster's
// room. At the end each visitor must have got every stored line it may see
// (its room's public lines, private lines from or to it) exactly once and no
// other line; each delivery's delay counts from the post's answer.

#ifndef TAVOLIN_BENCH_LOAD_DELIVERY_LEDGER_H_
#define TAVOLIN_BENCH_LOAD_DELIVERY_LEDGER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/load/closed_loop.h"

namespace tavolin::load {

struct PostedLine {
  int poster = 0;
  int addressee = -1;  // -1: a public line
  int room = 0;
  bool stored = false;           // the poster's answer delivered it
  Clock::time_point answered{};  // when that answer came
};

struct Delivery {
  int line = 0;
  Clock::time_point at{};
};

struct DeliveryCount {
  uint64_t lines = 0;       // lines posted and stored
  uint64_t deliveries = 0;  // of stored lines to visitors who may see them
  uint64_t lost = 0;        // deliveries missing
  uint64_t duplicated = 0;  // deliveries beyond the first
  uint64_t leaked = 0;      // lines delivered to a visitor who may not see them
  Latencies delay;          // from the post's answer to each first delivery, 0 when before it
};

// Shards may share a ledger when each writes only the entries of its own
// visitors and of the lines those visitors post.
struct Ledger {
  // Room for the lines posted at `posts_per_second` for `duration`.
  Ledger(std::vector<Visitor>& visitors, Clock::duration duration, double posts_per_second,
         std::string_view mark);

  // Line `number` is to be posted by `poster`.
  void Plan(int number, int poster);
  // The say.asp request that posts line `number`.
  std::string PostRequest(int number) const;

  // Reads a chat answer to `visitor`. `posted` is the line the request
  // posted (-1 for none), which the answer must hold. With `record`, the
  // lines delivered are noted and the visitor's newest say id follows the
  // answer. Returns how many lines the answer carried; nullopt when it is not
  // a chat answer or lacks the posted line.
  std::optional<size_t> TakeAnswer(int visitor, int posted, const HttpAnswer& answer,
                                   bool record = true);

  std::vector<Visitor>& visitors;
  const std::string mark;
  std::vector<PostedLine> lines;
  std::vector<std::vector<Delivery>> received;  // by visitor
};

// One plain poll per visitor, in a closed loop, for what came after its last
// one; returns how many visitors were not polled within `limit` or not
// answered as the chat answers.
uint64_t CollectRest(ConnectionPool& pool, Ledger& ledger, Clock::duration limit);

// Compares each visitor's deliveries with the stored lines it may see.
DeliveryCount Account(Ledger& ledger);

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_DELIVERY_LEDGER_H_
