// Copyright Tavolin developers.

#include "cluster/shared_state_home.h"

#include <iostream>
#include <thread>
#include <unordered_set>

#include "platform/ascii.h"
#include "platform/variant_codec.h"
#include "server/secrets.h"
#include "tavolin/error.h"

namespace tavolin::cluster {

namespace {

// Application values are fields "v:" + the key in lower case (keys compare
// without case).
constexpr std::string_view kValuePrefix = "v:";
// A value each server keeps for itself: the address it reaches the
// database by, which may differ from server to server.
constexpr std::string_view kOwnValueSuffix = "_connstr";
// The change log keeps this many entries; a server further behind reads
// the whole store.
constexpr int kLogLength = 4096;

// KEYS: lock, version, log, data. ARGV: owner, lease in ms, known version.
// Replies {-1} when another server holds the lock; {version} when the
// known version is current; {version, 0, name, value, ...} with the fields
// changed since (a missing value: deleted); {version, 1, name, value, ...}
// with every field.
const RedisScript& BeginScript() {
  static const RedisScript script(R"lua(
if not redis.call('SET', KEYS[1], ARGV[1], 'NX', 'PX', ARGV[2]) then return {-1} end
local version = tonumber(redis.call('GET', KEYS[2]))
if not version then
  -- A new store, or one that lost the chat: its versions start at the time in
  -- microseconds, above any version a server may still know.
  local now = redis.call('TIME')
  version = tonumber(now[1]) * 1000000 + tonumber(now[2])
  redis.call('SET', KEYS[2], version)
end
local known = tonumber(ARGV[3])
if known == version then return {version} end
local behind = version - known
if known < 0 or behind < 0 or behind > redis.call('LLEN', KEYS[3]) then
  local reply = {version, 1}
  for _, item in ipairs(redis.call('HGETALL', KEYS[4])) do reply[#reply + 1] = item end
  return reply
end
local reply, seen = {version, 0}, {}
for _, entry in ipairs(redis.call('LRANGE', KEYS[3], -behind, -1)) do
  for _, name in ipairs(cmsgpack.unpack(entry)) do
    if not seen[name] then
      seen[name] = true
      reply[#reply + 1] = name
      reply[#reply + 1] = redis.call('HGET', KEYS[4], name)
    end
  end
end
return reply
)lua");
  return script;
}

// KEYS: lock, version, log, data. ARGV: owner, news channel ('' for none),
// the number of fields set, then name/value pairs, then names deleted.
// Replies the new version, or -1 when the lock was no longer this owner's.
const RedisScript& CommitScript() {
  static const RedisScript script(R"lua(
if redis.call('GET', KEYS[1]) ~= ARGV[1] then return -1 end
local names, i = {}, 4
for _ = 1, tonumber(ARGV[3]) do
  redis.call('HSET', KEYS[4], ARGV[i], ARGV[i + 1])
  names[#names + 1] = ARGV[i]
  i = i + 2
end
for j = i, #ARGV do
  redis.call('HDEL', KEYS[4], ARGV[j])
  names[#names + 1] = ARGV[j]
end
local version = tonumber(redis.call('GET', KEYS[2]) or '0')
if #names > 0 then
  version = redis.call('INCR', KEYS[2])
  redis.call('RPUSH', KEYS[3], cmsgpack.pack(names))
  redis.call('LTRIM', KEYS[3], -)lua" +
                                  std::to_string(kLogLength) + R"lua(, -1)
  if ARGV[2] ~= '' then redis.call('PUBLISH', ARGV[2], version) end
end
redis.call('DEL', KEYS[1])
return version
)lua");
  return script;
}

std::string KeyOf(const std::string& chat, std::string_view what) {
  // The braces are the hash tag: every key of the chat in one cluster slot.
  return "{tavolin:" + chat + "}:" + std::string(what);
}

}  // namespace

SharedStateHome::SharedStateHome(const std::string& url, const std::string& chat,
                                 std::shared_ptr<MirroredLiveState> live, Options options)
    : redis_(url),
      live_(std::move(live)),
      options_(options),
      owner_(server::NewSecret()),
      keys_{KeyOf(chat, "lock"), KeyOf(chat, "version"), KeyOf(chat, "log"), KeyOf(chat, "data")},
      loaded_key_(KeyOf(chat, "loaded")),
      news_channel_(KeyOf(chat, "news")) {}

RedisReply SharedStateHome::Run(const RedisScript& script, const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  RedisReply reply = redis_.Run(script, keys_, args);
  round_trips_.fetch_add(1, std::memory_order_relaxed);
  redis_micros_.fetch_add(std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - start)
                              .count(),
                          std::memory_order_relaxed);
  return reply;
}

void SharedStateHome::Begin(Application& application) {
  try {
    TakeLock(application);
  } catch (const RedisError& e) {
    // Reported as the database's errors are: the page fails with a reference.
    throw CallError(ErrorCode::kDatabase, std::string("the shared live state: ") + e.what());
  }
}

void SharedStateHome::TakeLock(Application& application) {
  const std::vector<std::string> args = {owner_, std::to_string(options_.lease.count()),
                                         std::to_string(version_)};
  const auto deadline = std::chrono::steady_clock::now() + options_.longest_wait;
  auto pause = std::chrono::microseconds(20);
  for (;;) {
    RedisReply reply = Run(BeginScript(), args);
    if (reply.type != RedisReply::Type::kArray || reply.elements.empty()) {
      throw RedisError("the shared state's lock answered without a version");
    }
    if (reply.elements[0].integer >= 0) return Apply(application, reply);
    if (std::chrono::steady_clock::now() > deadline) {
      throw RedisError("the shared state stayed locked by another server");
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(1000));
  }
}

void SharedStateHome::Apply(Application& application, const RedisReply& reply) {
  const int64_t version = reply.elements[0].integer;
  if (reply.elements.size() == 1) {
    version_ = version;
    return;
  }
  const bool complete = reply.elements[1].integer == 1;
  if (complete && reply.elements.size() == 2 && version_ >= 0) {
    return Restore(application, version);
  }
  std::vector<StoredField> live_fields;
  try {
    for (size_t i = 2; i + 1 < reply.elements.size(); i += 2) {
      const std::string& name = reply.elements[i].text;
      const RedisReply& value = reply.elements[i + 1];
      const bool present = value.type == RedisReply::Type::kString;
      if (name.starts_with(kValuePrefix)) {
        if (name.ends_with(kOwnValueSuffix)) continue;
        application.SetFromHome(name.substr(kValuePrefix.size()),
                                present ? DecodeVariant(value.text) : Variant());
      } else if (MirroredLiveState::IsLiveField(name)) {
        live_fields.push_back(
            {name, present ? std::optional<std::string>(value.text) : std::nullopt});
      }
    }
    live_->ApplyStored(live_fields, complete);
  } catch (...) {
    // Half applied: the next Begin reads the whole store again.
    version_ = -1;
    throw;
  }
  version_ = version;
}

void SharedStateHome::Restore(Application& application, int64_t version) {
  std::cerr << "tavolin: Redis lost the shared chat; this server stores its copy again\n";
  live_->MarkAllChanged();
  restore_keys_ = application.ValueKeys();
  redis_.Command({"SET", loaded_key_, "done"});
  version_ = version;
}

void SharedStateHome::Commit(Application& application, std::vector<std::string> changed_keys) {
  if (!restore_keys_.empty()) {
    changed_keys.insert(changed_keys.end(), std::make_move_iterator(restore_keys_.begin()),
                        std::make_move_iterator(restore_keys_.end()));
    restore_keys_.clear();
  }
  std::vector<std::string> set_args;
  std::vector<std::string> deleted;
  std::unordered_set<std::string> seen;
  for (const std::string& key : changed_keys) {
    std::string name = std::string(kValuePrefix) + AsciiLower(key);
    if (name.ends_with(kOwnValueSuffix) || !seen.insert(name).second) continue;
    set_args.push_back(std::move(name));
    set_args.push_back(EncodeVariant(application.Get(key)));
  }
  bool ring_moved = false;
  try {
    for (StoredField& field : live_->TakeChanges(ring_moved)) {
      if (field.value) {
        set_args.push_back(std::move(field.name));
        set_args.push_back(std::move(*field.value));
      } else {
        deleted.push_back(std::move(field.name));
      }
    }
    std::vector<std::string> args = {owner_, ring_moved ? news_channel_ : std::string(),
                                     std::to_string(set_args.size() / 2)};
    args.insert(args.end(), std::make_move_iterator(set_args.begin()),
                std::make_move_iterator(set_args.end()));
    args.insert(args.end(), std::make_move_iterator(deleted.begin()),
                std::make_move_iterator(deleted.end()));
    const RedisReply reply = Run(CommitScript(), args);
    if (reply.integer < 0) {
      std::cerr << "tavolin: the shared state's lock expired before a change was stored; "
                   "this server reads the whole state again\n";
      version_ = -1;
      return;
    }
    version_ = reply.integer;
  } catch (const std::exception& e) {
    std::cerr << "tavolin: a change to the shared state was not stored: " << e.what() << '\n';
    version_ = -1;
  }
}

bool SharedStateHome::LoadOnce(const std::function<void()>& load) {
  for (;;) {
    const RedisReply claimed = redis_.Command(
        {"SET", loaded_key_, "loading", "NX", "PX", std::to_string(options_.lease.count() * 20)});
    if (claimed.type == RedisReply::Type::kStatus) {
      try {
        load();
      } catch (...) {
        redis_.Command({"DEL", loaded_key_});
        throw;
      }
      redis_.Command({"SET", loaded_key_, "done"});
      return true;
    }
    for (;;) {
      const RedisReply state = redis_.Command({"GET", loaded_key_});
      if (state.type != RedisReply::Type::kString) break;  // the loader died: claim it
      if (state.text == "done") return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

}  // namespace tavolin::cluster
