// Copyright Tavolin developers.

#include "server/metrics.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "testing/served_chat.h"

namespace tavolin::server {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Catches label values or help texts that break the line format, buckets
// that are not cumulative, and a histogram without +Inf, _sum or _count.
TEST(MetricsTest, RendersTheExpositionTextExactly) {
  Histogram histogram({0.5, 1});
  for (const double value : {0.25, 0.5, 0.75, 3.0}) histogram.Observe(value);
  MetricFamily visitors{"chat_visitors", "Visitors\\now\nby room.", "gauge", {}};
  visitors.Add({{"room", "a\"b\\c\nd"}, {"kind", "x"}}, 2);
  visitors.Add({}, 0.125);
  MetricFamily times{"chat_seconds", "Times.", "histogram", {}};
  times.AddHistogram({{"page", "/p"}}, histogram.snapshot());
  EXPECT_EQ(RenderMetrics({visitors, times}),
            "# HELP chat_visitors Visitors\\\\now\\nby room.\n"
            "# TYPE chat_visitors gauge\n"
            "chat_visitors{room=\"a\\\"b\\\\c\\nd\",kind=\"x\"} 2\n"
            "chat_visitors 0.125\n"
            "# HELP chat_seconds Times.\n"
            "# TYPE chat_seconds histogram\n"
            "chat_seconds_bucket{page=\"/p\",le=\"0.5\"} 2\n"
            "chat_seconds_bucket{page=\"/p\",le=\"1\"} 3\n"
            "chat_seconds_bucket{page=\"/p\",le=\"+Inf\"} 4\n"
            "chat_seconds_sum{page=\"/p\"} 4.5\n"
            "chat_seconds_count{page=\"/p\"} 4\n");
}

// Catches a /metrics open to strangers, and logins, polls, rooms or pages
// that are not counted where they happen.
TEST(MetricsTest, TheChatCountsWhatItServesBehindThePassword) {
  testing::ServedChat chat;
  testing::HttpTestClient stranger(chat.port()), scraper(chat.port()), guesser(chat.port());
  scraper.set_authorization("Basic YWRtaW46c2VjcmV0");  // admin:secret
  chat.Visitor("ann");
  for (const char* says : {"hi", ""})
    chat.Page("ann", "/say.asp", {{"says", says}});  // one refused
  const std::string poll = chat.Page("ann", "/refresh.asp");
  const size_t newest = poll.find("parent.ref(") + 11;  // every line the chat wrote
  const std::string lines = poll.substr(newest, poll.find(')', newest) - newest);
  chat.Login(guesser, "ann", "1", "wrong");
  chat.Login(guesser, "a'b");
  chat.Login(guesser, "bob", "1", "bob");  // a name that is its password
  chat.Page("ann", "/no-such-page");
  EXPECT_EQ(stranger.Get("/metrics").status, 401);
  const testing::HttpTestResponse scraped = scraper.Get("/metrics");
  EXPECT_EQ(scraped.headers.at("content-type"), "text/plain; version=0.0.4; charset=utf-8");
  for (const char* line : {
           "\ntavolin_visitors_online 1\n",
           "\ntavolin_room_visitors{room=\"1\"} 1\n",
           "\ntavolin_room_visitors{room=\"2\"} 0\n",
           "\ntavolin_polls_total 1\n",
           "\ntavolin_posts_total 2\n",
           "\ntavolin_logins_admitted_total 1\n",
           "\ntavolin_logins_refused_total{reason=\"wrong_password\"} 1\n",
           "\ntavolin_logins_refused_total{reason=\"name_rule\"} 2\n",
           "\ntavolin_logins_refused_total{reason=\"other\"} 0\n",
           "\ntavolin_request_duration_seconds_count{page=\"/login.asp\"} 4\n",
           "\ntavolin_request_duration_seconds_count{page=\"other\"} 1\n",
           "\n# TYPE tavolin_database_statement_seconds histogram\n",
       }) {
    EXPECT_THAT(scraped.body, HasSubstr(line));
  }
  EXPECT_THAT(scraped.body, HasSubstr("\ntavolin_lines_total " + lines + "\n"));
  EXPECT_THAT(scraped.body, Not(HasSubstr("tavolin_database_statement_seconds_count 0\n")));
}

}  // namespace
}  // namespace tavolin::server
