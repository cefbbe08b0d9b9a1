// Copyright Tavolin developers.

#include "platform/redis_connection.h"

#include <hiredis/hiredis.h>
#include <openssl/evp.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace tavolin {
namespace {

constexpr timeval kConnectTimeout{2, 0};
constexpr timeval kIoTimeout{3, 0};

// A decimal number of digits only, no larger than `max`; nullopt otherwise.
std::optional<int> ParseDigits(std::string_view text, int max) {
  int value = 0;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

[[noreturn]] void ThrowMalformed(const std::string& url, const char* why) {
  throw std::invalid_argument("malformed Redis url '" + url + "': " + why);
}

struct ReplyDeleter {
  void operator()(redisReply* reply) const { freeReplyObject(reply); }
};

// Converts hiredis's reply; the first error reply met (at any depth) goes to
// `error` and stands as Nil in the result.
RedisReply Convert(const redisReply& raw, std::string& error) {
  RedisReply reply;
  switch (raw.type) {
    case REDIS_REPLY_INTEGER:
      reply.type = RedisReply::Type::kInteger;
      reply.integer = raw.integer;
      break;
    case REDIS_REPLY_STRING:
    case REDIS_REPLY_STATUS:
      reply.type =
          raw.type == REDIS_REPLY_STRING ? RedisReply::Type::kString : RedisReply::Type::kStatus;
      reply.text.assign(raw.str, raw.len);
      break;
    case REDIS_REPLY_ARRAY:
      reply.type = RedisReply::Type::kArray;
      reply.elements.reserve(raw.elements);
      for (size_t i = 0; i < raw.elements; ++i) {
        reply.elements.push_back(Convert(*raw.element[i], error));
      }
      break;
    case REDIS_REPLY_ERROR:
      if (error.empty()) error.assign(raw.str, raw.len);
      break;
    default:  // REDIS_REPLY_NIL
      break;
  }
  return reply;
}

std::string Sha1Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha1(), nullptr) != 1) {
    throw std::runtime_error("SHA-1 of a Redis script failed");
  }
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

}  // namespace

RedisAddress::RedisAddress(const std::string& url) {
  constexpr std::string_view kScheme = "redis://";
  if (!url.starts_with(kScheme)) ThrowMalformed(url, "it must start with redis://");
  std::string_view rest = std::string_view(url).substr(kScheme.size());
  const size_t slash = rest.find('/');
  if (slash != std::string_view::npos) {
    const auto db = ParseDigits(rest.substr(slash + 1), 1 << 30);
    if (!db) ThrowMalformed(url, "the database must be a number");
    database = *db;
    rest = rest.substr(0, slash);
  }
  if (rest.find('@') != std::string_view::npos)
    ThrowMalformed(url, "credentials are not supported");
  std::string_view port_text;
  if (rest.starts_with('[')) {  // an IPv6 address
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) ThrowMalformed(url, "unclosed [");
    host = rest.substr(1, close - 1);
    rest = rest.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) ThrowMalformed(url, "text after ]");
    if (!rest.empty()) port_text = rest.substr(1);
    if (rest == ":") ThrowMalformed(url, "empty port");
  } else {
    const size_t colon = rest.find(':');
    host = rest.substr(0, colon);
    if (colon != std::string_view::npos) {
      port_text = rest.substr(colon + 1);
      if (port_text.empty()) ThrowMalformed(url, "empty port");
    }
  }
  if (host.empty()) ThrowMalformed(url, "no host");
  if (!port_text.empty()) {
    const auto parsed = ParseDigits(port_text, 65535);
    if (!parsed || *parsed == 0) ThrowMalformed(url, "the port must be a number from 1 to 65535");
    port = *parsed;
  }
}

RedisScript::RedisScript(std::string source)
    : source_(std::move(source)), sha1_(Sha1Hex(source_)) {}

void RedisConnection::ContextDeleter::operator()(redisContext* context) const {
  redisFree(context);
}

RedisConnection::RedisConnection(std::string url) : url_(std::move(url)), address_(url_) {
  Connect();
}

RedisConnection::~RedisConnection() = default;

void RedisConnection::Connect() {
  context_.reset();
  const std::string where = address_.host + ":" + std::to_string(address_.port);
  Context context(redisConnectWithTimeout(address_.host.c_str(), address_.port, kConnectTimeout));
  if (!context || context->err != 0) {
    throw RedisError("cannot connect to Redis at " + where + ": " +
                     (context ? context->errstr : "out of memory"));
  }
  if (redisSetTimeout(context.get(), kIoTimeout) != REDIS_OK) {
    throw RedisError("cannot set the I/O timeout of the Redis connection to " + where);
  }
  context_ = std::move(context);
  if (address_.database != 0) {
    std::vector<RedisReply> replies;
    std::string error;
    if (!Exchange({{"SELECT", std::to_string(address_.database)}}, replies, error)) {
      throw RedisError("lost the connection to Redis at " + where + " while selecting a database");
    }
    if (!error.empty()) {
      context_.reset();
      throw RedisError("Redis at " + where + " refused database " +
                       std::to_string(address_.database) + ": " + error);
    }
  }
}

bool RedisConnection::Exchange(const std::vector<std::vector<std::string>>& commands,
                               std::vector<RedisReply>& replies, std::string& first_error) {
  replies.clear();
  first_error.clear();
  std::vector<const char*> argv;
  std::vector<size_t> lengths;
  for (const auto& command : commands) {
    argv.clear();
    lengths.clear();
    for (const std::string& arg : command) {
      argv.push_back(arg.data());
      lengths.push_back(arg.size());
    }
    if (redisAppendCommandArgv(context_.get(), static_cast<int>(argv.size()), argv.data(),
                               lengths.data()) != REDIS_OK) {
      context_.reset();
      return false;
    }
  }
  for (size_t i = 0; i < commands.size(); ++i) {
    void* raw = nullptr;
    if (redisGetReply(context_.get(), &raw) != REDIS_OK || raw == nullptr) {
      context_.reset();
      return false;
    }
    const std::unique_ptr<redisReply, ReplyDeleter> reply(static_cast<redisReply*>(raw));
    replies.push_back(Convert(*reply, first_error));
  }
  return true;
}

std::vector<RedisReply> RedisConnection::Send(
    const std::vector<std::vector<std::string>>& commands) {
  std::vector<RedisReply> replies;
  std::string error;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!context_) Connect();
    if (Exchange(commands, replies, error)) {
      if (!error.empty()) throw RedisError(error);
      return replies;
    }
  }
  throw RedisError("lost the connection to Redis at " + address_.host + ":" +
                   std::to_string(address_.port) + " twice");
}

RedisReply RedisConnection::Command(const std::vector<std::string>& args) {
  return std::move(Send({args}).front());
}

std::vector<RedisReply> RedisConnection::Pipeline(
    const std::vector<std::vector<std::string>>& commands) {
  if (commands.empty()) return {};
  return Send(commands);
}

RedisReply RedisConnection::Run(const RedisScript& script, const std::vector<std::string>& keys,
                                const std::vector<std::string>& args) {
  std::vector<std::string> call{"EVALSHA", script.sha1(), std::to_string(keys.size())};
  call.insert(call.end(), keys.begin(), keys.end());
  call.insert(call.end(), args.begin(), args.end());
  try {
    return Command(call);
  } catch (const RedisError& e) {
    // A server that restarted, or never saw the script, has to load it first.
    if (!std::string_view(e.what()).starts_with("NOSCRIPT")) throw;
  }
  Command({"SCRIPT", "LOAD", script.source()});
  return Command(call);
}

}  // namespace tavolin
