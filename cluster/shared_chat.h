// Copyright Tavolin developers.
//
// SharedChat: makes one chat of several servers over one Redis. It gives the
// application a mirrored live state and the shared home, and listens for the
// lines other servers write, so that the visitors' waiting polls here hear of
// them at once.
//
// Thread safety: construct and start from one thread; the news callback runs
// on a thread of its own.

#ifndef TAVOLIN_CLUSTER_SHARED_CHAT_H_
#define TAVOLIN_CLUSTER_SHARED_CHAT_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cluster/shared_state_home.h"
#include "platform/redis_connection.h"
#include "tavolin/application.h"

namespace tavolin::cluster {

class SharedChat {
 public:
  // Makes `application`'s chat under `prefix` the chat kept at `url`
  // (redis://host:port[/db]). REQUIRES: before the application is used.
  // Throws RedisError when Redis cannot be reached.
  SharedChat(Application& application, const std::string& prefix, const std::string& url,
             SharedStateHome::Options options = {});
  ~SharedChat();

  // Runs the start-up load on the first server only (see
  // SharedStateHome::LoadOnce); the others wait for it. Then brings the
  // application up to date, so that the settings, which pages read without
  // the lock, are here before the first page.
  bool LoadOnce(const std::function<void()>& load);

  // Calls `on_news` (from a thread of its own) whenever any server writes a
  // line.
  void ListenForNews(std::function<void()> on_news);

  const SharedStateHome& home() const { return *home_; }

 private:
  Application& application_;
  const std::string url_;
  std::shared_ptr<SharedStateHome> home_;
  std::optional<RedisSubscriber> news_;
};

}  // namespace tavolin::cluster

#endif  // TAVOLIN_CLUSTER_SHARED_CHAT_H_
