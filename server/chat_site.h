// Copyright Tavolin developers.
//
// ChatSite: the chat's pages. Each page request finds the visitor's session
// (or starts one that only the login keeps), creates a Corvane with the state
// prefix, calls one method with the host objects and sends its text as GBK;
// the site's static files are served beside them. A POST that may be forged
// is refused first (server/forgery_guard.h).
//
// Thread safety: Handle may be called from many threads at once.

#ifndef TAVOLIN_SERVER_CHAT_SITE_H_
#define TAVOLIN_SERVER_CHAT_SITE_H_

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cluster/shared_chat.h"
#include "server/chat_metrics.h"
#include "server/http_message.h"
#include "server/responder.h"
#include "server/session_store.h"
#include "server/static_files.h"
#include "server/waiting_polls.h"
#include "sitepages/site_pages.h"
#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/request.h"

namespace tavolin::server {

// The seconds a GET of the poll page asks to wait ("wait=N", N a whole
// number 1 to 30); 0, not waiting, for anything else.
int PollWaitSeconds(const HttpRequest& http);

// The header that tells the outcome of a console POST, percent-encoded.
inline constexpr std::string_view kConsoleOutcomeHeader = "X-Console-Outcome";

class ChatSite {
 public:
  struct Options {
    std::string prefix;             // the state prefix, ConstStr
    std::string admin_password;     // "" switches the admin pages off
    std::string site_folder;        // static files; "" serves none
    size_t max_sessions = 200'000;  // sessions kept at once; a login beyond them is refused
    // redis://host:port[/db] keeps the live chat and the sessions in Redis,
    // shared by every server that names it; "" keeps them in this process.
    std::string live_url;
  };

  // The name of the session cookie.
  static constexpr std::string_view kSessionCookie = "TAVOLINSID";

  // `application` and `env` must outlive the site.
  ChatSite(Application& application, Env* env, Options options);

  // Stores the connection string and runs the start-up load: the database is
  // created and seeded on first use. Throws CallError on failure. With a
  // live url the chat's state is the one kept in Redis: the first server to
  // start loads it, the others join it (throws RedisError when Redis cannot
  // be reached).
  void Start(const std::string& connection_string);
  // Writes the visit counters back to the database (at shutdown).
  void SaveCounters();

  // Answers at once. A page that may have written lines wakes the waiting
  // polls that may see them.
  HttpResponse Handle(const HttpRequest& request);
  // Answers as Handle does, except a poll that asks to wait ("wait=N", N
  // whole seconds 1 to 30) for a visitor with nothing new to see: it is
  // answered, with the page a poll gets then, once a line the visitor may
  // see is written, N seconds pass or EndWaits runs.
  void Handle(const HttpRequest& request, Responder& responder);
  // Answers every waiting poll now, and any later one at once (at shutdown).
  void EndWaits() { waits_.Close(); }
  size_t waiting_polls() const { return waits_.size(); }

  SessionStore& sessions() { return *sessions_; }

  // The measurements in the Prometheus text format, as /metrics answers
  // them to the operator (the admin password) and the metrics listener
  // (no password) alike.
  HttpResponse MetricsPage();

 private:
  // One page: the visitor's session and request in, the page's UTF-8 text
  // out (or a whole response, for the pages that need status or headers).
  struct Visit {
    const HttpRequest& http;
    MemoryRequest& request;
    std::shared_ptr<MemorySession> session;
    std::string session_id;  // "" while the session lives for this request only
    HttpResponse& response;
    std::string token;  // the anti-forgery token the page's forms carry; "" for none
  };
  using Page = std::function<std::string(ChatSite&, Visit&)>;
  static const std::map<std::string, Page, std::less<>>& Pages();

  std::unique_ptr<Corvane> NewObject();
  // Handle's answer, unmeasured; `path` lower case and decoded.
  HttpResponse Answer(const HttpRequest& http, const std::string& path);
  // Parks a poll that asks to wait `seconds` when its visitor has nothing new
  // to see; false when it must be answered now.
  bool ParkPoll(const HttpRequest& http, int seconds, Responder& responder);
  // Wakes the polls that may see the lines written since the last call.
  void AnnounceNewLines();
  // The stored session the request's cookie names, its id in `id`; nullptr
  // when there is none.
  std::shared_ptr<MemorySession> FindSession(const HttpRequest& http, std::string& id);
  bool Forged(const Visit& visit, std::string_view path);
  std::string ForgeryRefusal(Visit& visit, std::string_view path);
  std::string Key(std::string_view suffix) const { return options_.prefix + std::string(suffix); }

  std::string LoginPage();
  std::string LoginResult(Visit& visit);
  bool RenewSessionId(Visit& visit);
  std::string ChangeRoomResult(Visit& visit);
  std::string ClosePage(Visit& visit);
  std::string AdminPage(Visit& visit, bool rooms);
  // Why the admin password does not let the request in (status and headers
  // set in `response`), or nothing when it does.
  std::optional<std::string> AdminRefusal(const HttpRequest& http, HttpResponse& response);
  HttpResponse ConsoleResponse(const HttpRequest& http, std::string_view path);
  std::string LeftChatPage(Visit& visit);
  // One of the engine's site pages (sitepages/) in the site's look, or the
  // "not in the chat" page when the session proves no visitor.
  using OwnPage = std::optional<PageContent> (*)(const SiteHost&);
  std::string SiteOwnPage(OwnPage page, Visit& visit);

  Application& application_;
  Env* const env_;
  const Options options_;
  const StaticFiles files_;
  const std::unique_ptr<SessionStore> sessions_;
  // The token of the admin pages' forms: they have no session of their own.
  const std::string admin_token_;
  WaitingPolls waits_;
  ChatMetrics metrics_;
  // The newest say id whose line has woken its polls; read and written
  // under the application lock.
  int32_t announced_ = 0;
  // The state shared with the other servers of the chat, when there are any;
  // last, so that its news listener stops before the rest goes.
  std::unique_ptr<cluster::SharedChat> shared_;
};

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_CHAT_SITE_H_
