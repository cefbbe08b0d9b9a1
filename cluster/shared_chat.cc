// Copyright Tavolin developers.

#include "cluster/shared_chat.h"

#include "component/live_state.h"

namespace tavolin::cluster {

SharedChat::SharedChat(Application& application, const std::string& prefix, const std::string& url,
                       SharedStateHome::Options options)
    : application_(application), url_(url) {
  auto live = std::make_shared<MirroredLiveState>(&application, prefix);
  home_ = std::make_shared<SharedStateHome>(url, prefix, live, options);
  UseLiveState(application, prefix, std::move(live));
  application.SetHome(home_);
}

SharedChat::~SharedChat() = default;

bool SharedChat::LoadOnce(const std::function<void()>& load) {
  const bool loaded_here = home_->LoadOnce(load);
  ApplicationLock catch_up(application_);
  return loaded_here;
}

void SharedChat::ListenForNews(std::function<void()> on_news) {
  news_.emplace(url_, home_->news_channel(),
                [on_news = std::move(on_news)](const std::string&) { on_news(); });
}

}  // namespace tavolin::cluster
