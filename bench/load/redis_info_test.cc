// Copyright Tavolin developers.

#include "bench/load/redis_info.h"

#include <gtest/gtest.h>

namespace tavolin::load {
namespace {

// INFO as Redis 7 writes it; a reading taken later keeps only what grew.
TEST(RedisInfoTest, ReadsCommandsAndMemoryAndWhatRanBetweenTwoReadings) {
  const RedisInfo before = ParseRedisInfo(
      "# Commandstats\r\n"
      "cmdstat_evalsha:calls=10,usec=200,usec_per_call=20.00,rejected_calls=0,failed_calls=0\r\n"
      "cmdstat_info:calls=3,usec=90,usec_per_call=30.00,rejected_calls=0,failed_calls=0\r\n"
      "# Memory\r\nused_memory:1000\r\nused_memory_human:1000B\r\n");
  EXPECT_EQ(before.commands.size(), 2u);
  EXPECT_EQ(before.Total().calls, 13u);
  EXPECT_EQ(before.Total().usec, 290u);
  const RedisInfo after = ParseRedisInfo(
      "cmdstat_evalsha:calls=25,usec=500,usec_per_call=20.00\r\n"
      "cmdstat_info:calls=3,usec=90\r\n"
      "cmdstat_publish:calls=4,usec=8\r\n"
      "used_memory:1500\r\n");
  const RedisInfo since = after.Since(before);
  ASSERT_EQ(since.commands.size(), 2u);  // info ran no more
  EXPECT_EQ(since.commands.at("evalsha").calls, 15u);
  EXPECT_EQ(since.commands.at("evalsha").usec, 300u);
  EXPECT_EQ(since.commands.at("publish").calls, 4u);
  EXPECT_EQ(since.used_memory, 500);
}

}  // namespace
}  // namespace tavolin::load
