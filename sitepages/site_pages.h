// Copyright Tavolin developers.
//
// The site's own pages for visitors in the chat: personal settings, calls,
// the guestbook and friend requests. The chat's texts link to them
// ("userset.asp", "getcall.asp", "guest.asp", "agreefriend.asp"); each works
// only for the visitor the session proves and only on that visitor's own
// data. A page changes something only when its form is posted.
//
// Each returns the page's title and body (UTF-8 HTML; every stored or typed
// text in it escaped), which the host puts into its page frame, or nothing
// when the session proves no visitor in the chat: the host then answers with
// its "not in the chat" page.
//
// Thread safety: any number of pages may run at once; each opens its own
// database connection.

#ifndef TAVOLIN_SITEPAGES_SITE_PAGES_H_
#define TAVOLIN_SITEPAGES_SITE_PAGES_H_

#include <optional>
#include <string>
#include <string_view>

#include "tavolin/application.h"
#include "tavolin/env.h"
#include "tavolin/request.h"
#include "tavolin/session.h"

namespace tavolin {

// The host objects of one request to a site page. The application holds the
// live chat and "_connstr" under `prefix`; `env` is the clock. The host
// accepts a posted form of the session only with `token` in its field
// "token"; the pages put it into every form they write.
struct SiteHost {
  Application& application;
  std::string_view prefix;
  Session& session;
  Request& request;
  Env* env;
  std::string_view token;
};

struct PageContent {
  std::string title;
  std::string body;
};

// userset.asp: colours, name and line colours, font size, line height, the
// friends list; posted with do=password, a password change.
std::optional<PageContent> UserSettingsPage(const SiteHost& host);
// guest.asp: the messages left for the visitor, newest first, a page of them
// at a time (page=N, from 1); posted, leaves
// a message (towho, body) for a user.
std::optional<PageContent> GuestbookPage(const SiteHost& host);
// getcall.asp: the newest calls waiting for the visitor, a page of them at
// most, marked read as they are shown; posted, calls a user or everybody (towho, body).
std::optional<PageContent> CallsPage(const SiteHost& host);
// addfriend.asp: the friend requests waiting for the visitor with their
// answer buttons; posted, asks a user (towho) to become a friend.
std::optional<PageContent> FriendRequestPage(const SiteHost& host);
// agreefriend.asp, posted with ID=…&answer=yes|no: answers a request
// addressed to the visitor; the answer also shows as a system line when the
// page is loaded into a frame of the chat window. Asked for (a link of the
// login notice), it shows the request with its answer buttons and changes
// nothing.
std::optional<PageContent> FriendAnswerPage(const SiteHost& host);

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_SITE_PAGES_H_
