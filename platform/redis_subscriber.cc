// Copyright Tavolin developers.

#include <hiredis/hiredis.h>
#include <poll.h>

#include <cerrno>
#include <exception>
#include <memory>

#include "platform/redis_connection.h"

namespace tavolin {
namespace {

constexpr timeval kConnectTimeout{1, 0};
// How often a waiting read looks whether the subscriber is being stopped.
constexpr int kStopCheckMillis = 100;
constexpr std::chrono::milliseconds kReconnectPause(500);
constexpr std::chrono::seconds kFirstSubscriptionWait(2);

struct ContextDeleter {
  void operator()(redisContext* context) const { redisFree(context); }
};
struct ReplyDeleter {
  void operator()(redisReply* reply) const { freeReplyObject(reply); }
};
using Reply = std::unique_ptr<redisReply, ReplyDeleter>;

// Whether `reply` confirms the subscription.
bool IsConfirmation(const redisReply& reply) {
  if (reply.type != REDIS_REPLY_ARRAY || reply.elements != 3) return false;
  const redisReply& kind = *reply.element[0];
  return kind.type == REDIS_REPLY_STRING && std::string_view(kind.str, kind.len) == "subscribe";
}

// The payload of a "message" push, or nullptr for any other reply
// (the subscription's confirmation).
const redisReply* MessagePayload(const redisReply& reply) {
  if (reply.type != REDIS_REPLY_ARRAY || reply.elements != 3) return nullptr;
  const redisReply& kind = *reply.element[0];
  if (kind.type != REDIS_REPLY_STRING || std::string_view(kind.str, kind.len) != "message") {
    return nullptr;
  }
  return reply.element[2]->type == REDIS_REPLY_STRING ? reply.element[2] : nullptr;
}

}  // namespace

RedisSubscriber::RedisSubscriber(std::string url, std::string channel,
                                 std::function<void(const std::string& payload)> on_message)
    : address_(url), channel_(std::move(channel)), on_message_(std::move(on_message)) {
  thread_ = std::thread([this] { Loop(); });
  // Messages published before the subscription is made are not seen: wait
  // for it a while, so that a caller that publishes next is heard.
  std::unique_lock<std::mutex> lock(mutex_);
  subscribed_changed_.wait_for(lock, kFirstSubscriptionWait, [this] { return subscribed_; });
}

RedisSubscriber::~RedisSubscriber() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  stop_asked_.notify_all();
  thread_.join();
}

bool RedisSubscriber::WaitForStop(std::chrono::milliseconds pause) {
  std::unique_lock<std::mutex> lock(mutex_);
  return stop_asked_.wait_for(lock, pause, [this] { return stop_.load(); });
}

void RedisSubscriber::Loop() {
  while (!stop_) {
    const std::unique_ptr<redisContext, ContextDeleter> context(
        redisConnectWithTimeout(address_.host.c_str(), address_.port, kConnectTimeout));
    if (context && context->err == 0) {
      const char* argv[] = {"SUBSCRIBE", channel_.data()};
      const size_t lengths[] = {9, channel_.size()};
      if (redisAppendCommandArgv(context.get(), 2, argv, lengths) == REDIS_OK) Listen(*context);
    }
    if (WaitForStop(kReconnectPause)) return;
  }
}

void RedisSubscriber::Listen(redisContext& context) {
  // Sends the SUBSCRIBE appended by the caller.
  int done = 0;
  while (done == 0) {
    if (redisBufferWrite(&context, &done) != REDIS_OK) return;
  }
  while (!stop_) {
    void* raw = nullptr;
    if (redisReaderGetReply(context.reader, &raw) != REDIS_OK) return;
    if (raw != nullptr) {
      const Reply reply(static_cast<redisReply*>(raw));
      if (IsConfirmation(*reply)) {
        // What was published while no subscription stood is lost: the
        // handler hears of every new subscription, with an empty payload.
        try {
          on_message_("");
        } catch (const std::exception&) {
        }
        {
          std::lock_guard<std::mutex> lock(mutex_);
          subscribed_ = true;
        }
        subscribed_changed_.notify_all();
      } else if (const redisReply* payload = MessagePayload(*reply)) {
        // A failing handler loses its message, not the subscription.
        try {
          on_message_(std::string(payload->str, payload->len));
        } catch (const std::exception&) {
        }
      }
      continue;
    }
    // Nothing whole in the buffer: wait for the socket a short while at a
    // time, so that a stop is seen promptly.
    pollfd socket{context.fd, POLLIN, 0};
    const int ready = ::poll(&socket, 1, kStopCheckMillis);
    if (ready < 0 && errno != EINTR) return;
    if (ready > 0 && redisBufferRead(&context) != REDIS_OK) return;
  }
}

}  // namespace tavolin
