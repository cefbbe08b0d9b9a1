// Copyright Tavolin developers.

#include "server/chat_site.h"

#include <charconv>
#include <chrono>
#include <iostream>

#include "component/counter_store.h"
#include "component/list_record.h"
#include "component/live_state.h"
#include "component/room_directory.h"
#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/farewells.h"
#include "conversation/say_audience.h"
#include "conversation/visits.h"
#include "entry/guess_throttle.h"
#include "server/basic_auth.h"
#include "server/error_log.h"
#include "server/forgery_guard.h"
#include "server/metrics.h"
#include "server/page_request.h"
#include "server/redis_session_store.h"
#include "server/secrets.h"
#include "server/url_codec.h"
#include "sitepages/site_html.h"
#include "tavolin/error.h"
#include "text/gbk.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin::server {

using text::HtmlEscape;
using text::ScriptStringEscape;

namespace {

// A browser that stops polling for this long has left (its window closed).
constexpr int64_t kSilentSeconds = 120;

// A page of the site's own, in the chat's look.
std::string SitePage(std::string_view title, std::string_view body) {
  return "<!DOCTYPE html><html><head><meta http-equiv='Content-Type' content='text/html; "
         "charset=gb2312'><title>" +
         HtmlEscape(title) +
         "</title><link rel='stylesheet' href='chat.css'></head><body class='site'><div "
         "class='panel'>" +
         std::string(body) + "</div></body></html>";
}

std::string BackToLogin(std::string_view words) {
  return "<p><a href='/' target='_top'>" + std::string(words) + "</a></p>";
}

// The session cookie carrying `id`; "" drops it.
std::string SessionCookie(std::string_view id) {
  return std::string(ChatSite::kSessionCookie) + "=" + std::string(id) +
         (id.empty() ? "; Max-Age=0" : "") + "; Path=/; HttpOnly; SameSite=Lax";
}

// An answer loaded into the chat window's hidden poll frame: a system line,
// and the polls go on.
std::string PollFrameLine(std::string_view message, std::string_view time) {
  return "<meta http-equiv=refresh content='6;url=refresh.asp'><script>parent.addsay(-1,'" +
         ScriptStringEscape(message) + "','','',0,'990066','',-2,'" + std::string(time) +
         "','');</script>";
}

// The pages whose answers go to the poll frame.
bool AnswersIntoPollFrame(std::string_view path) {
  return path == "/say.asp" || path == "/changeroom.asp";
}

void LogForgedPost(std::string_view path, const HttpRequest& http) {
  std::cerr << "tavolin: " << LogEscape(std::string(path)) << ": refused a forged POST from "
            << LogEscape(http.peer_address) << " (origin '" << LogEscape(http.Header("origin"))
            << "')\n";
}

// The longest a poll may wait; a visitor whose poll waits is not silent,
// since its last poll is at most this long ago.
constexpr int kLongestWaitSeconds = 30;
static_assert(kLongestWaitSeconds < kSilentSeconds);

// The request a waiting poll is answered with: the poll itself, without
// what the answer does not read, so that a waiting poll stays small.
HttpRequest PlainPoll(const HttpRequest& http, const std::string& session_id) {
  HttpRequest plain;
  plain.method = http.method;
  plain.target = http.target;
  plain.peer_address = http.peer_address;
  plain.headers.emplace("cookie", std::string(ChatSite::kSessionCookie) + "=" + session_id);
  return plain;
}

// The pages timed under their own path.
template <typename PageMap>
std::vector<std::string_view> TimedPages(const PageMap& pages) {
  std::vector<std::string_view> paths = console::ConsolePagePaths();
  for (const auto& [path, page] : pages) paths.push_back(path);
  paths.push_back("/metrics");
  return paths;
}

std::unique_ptr<SessionStore> NewSessionStore(const ChatSite::Options& options) {
  constexpr auto kIdleLimit = std::chrono::minutes(20);
  if (options.live_url.empty()) {
    return std::make_unique<MemorySessionStore>(kIdleLimit, options.max_sessions);
  }
  return std::make_unique<RedisSessionStore>(options.live_url, kIdleLimit, options.max_sessions);
}

// The page of a request that failed on the server's side; the detail goes
// to the log only, under a reference the page shows.
void ServerErrorPage(HttpResponse& response, std::string_view path, const std::string& detail) {
  response.status = 500;
  response.body = text::Utf8ToGbk(
      SitePage("出错了", "<h2>页面出错了</h2><p>服务器出错了，请稍后再试。(参考号 " +
                             LogRequestError(path, detail) + ")</p>"));
}

std::string NotInChatPage() {
  return SitePage("不在聊天室",
                  "<h2>你还没有进入聊天室，或者已经离开了。</h2>" + BackToLogin("请重新登录"));
}

}  // namespace

int PollWaitSeconds(const HttpRequest& http) {
  const auto [path, query] = SplitTarget(http.target);
  if (http.method != "GET" || text::AsciiLower(PercentDecode(path)) != "/refresh.asp") return 0;
  for (const auto& [name, value] : ParseUrlEncoded(query)) {
    if (name != "wait") continue;
    int seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    const bool whole = error == std::errc() && end == value.data() + value.size();
    return whole && seconds >= 1 && seconds <= kLongestWaitSeconds ? seconds : 0;
  }
  return 0;
}

ChatSite::ChatSite(Application& application, Env* env, Options options)
    : application_(application),
      env_(env),
      options_(std::move(options)),
      files_(options_.site_folder),
      sessions_(NewSessionStore(options_)),
      admin_token_(NewSecret()),
      waits_([this](const HttpRequest& poll, Responder& out) { out.Answer(Handle(poll)); }),
      metrics_(TimedPages(Pages())) {
  ObserveDatabaseStatements();
}

void ChatSite::Start(const std::string& connection_string) {
  application_.Set(Key("_connstr"), Variant(connection_string));
  if (options_.live_url.empty()) {
    NewObject()->InitGlobal(application_);
  } else {
    shared_ =
        std::make_unique<cluster::SharedChat>(application_, options_.prefix, options_.live_url);
    shared_->LoadOnce([this] { NewObject()->InitGlobal(application_); });
  }
  {
    ApplicationLock lock(application_);
    const auto [says, current] = LiveStateOf(application_, options_.prefix)->ReadRing();
    announced_ = NewestSayId(says, current);
  }
  // Lines written on the other servers wake the polls waiting here.
  if (shared_) {
    shared_->ListenForNews([this] {
      try {
        AnnounceNewLines();
      } catch (const std::exception& e) {
        std::cerr << "tavolin: lines of another server not announced: " << e.what() << '\n';
      }
    });
  }
}

void ChatSite::Handle(const HttpRequest& http, Responder& responder) {
  const int seconds = PollWaitSeconds(http);
  if (seconds > 0 && ParkPoll(http, seconds, responder)) return;
  responder.Answer(Handle(http));
}

bool ChatSite::ParkPoll(const HttpRequest& http, int seconds, Responder& responder) {
  std::string session_id;
  std::shared_ptr<MemorySession> session;
  try {
    session = FindSession(http, session_id);
  } catch (const RedisError&) {
    return false;  // answered at once, with the error page
  }
  if (!session) return false;
  MemoryRequest request = ToPageRequest(http);
  return NewObject()->WaitForNews(application_, *session, request,
                                  [&](const std::string& name, int32_t room) {
                                    return waits_.Park(name, room, std::chrono::seconds(seconds),
                                                       PlainPoll(http, session_id), responder);
                                  });
}

// Reads only the ring's lines newer than the last announced: the cost of a
// page is its own lines, whoever is online.
void ChatSite::AnnounceNewLines() {
  std::vector<SayAudience> lines;
  {
    ApplicationLock lock(application_);
    const auto [says, current] = LiveStateOf(application_, options_.prefix)->ReadRing();
    lines = AudiencesAfter(says, current, announced_);
    if (!lines.empty()) announced_ = lines.front().id;
  }
  if (!lines.empty()) {
    metrics_.lines.Add(lines.size());
    waits_.Wake(lines);
  }
}

void ChatSite::SaveCounters() {
  // Shared counters are brought up to date first: they hold every server's
  // visits, so whichever server writes them last writes the totals.
  if (shared_) ApplicationLock refresh(application_);
  SaveVisitCounters(application_, options_.prefix, env_);
}

std::unique_ptr<Corvane> ChatSite::NewObject() {
  auto object = CreateObject("Tavolin.Corvane", env_);
  object->SetConstStr(Variant(options_.prefix));
  return object;
}

const std::map<std::string, ChatSite::Page, std::less<>>& ChatSite::Pages() {
  static const std::map<std::string, Page, std::less<>> pages = {
      {"/", [](ChatSite& s, Visit&) { return s.LoginPage(); }},
      {"/index.asp", [](ChatSite& s, Visit&) { return s.LoginPage(); }},
      {"/login.asp", [](ChatSite& s, Visit& v) { return s.LoginResult(v); }},
      {"/chat.asp",
       [](ChatSite& s, Visit& v) {
         return s.NewObject()->ChatFrame(s.application_, *v.session, v.request).ToText();
       }},
      {"/saylist.asp",
       [](ChatSite& s, Visit& v) {
         return s.NewObject()->InitSayList(s.application_, *v.session).ToText();
       }},
      {"/refresh.asp",
       [](ChatSite& s, Visit& v) {
         return s.NewObject()->refresh(s.application_, *v.session, v.request).ToText();
       }},
      {"/say.asp",
       [](ChatSite& s, Visit& v) {
         return s.NewObject()->subsay(s.application_, *v.session, v.request).ToText();
       }},
      {"/changeroom.asp", [](ChatSite& s, Visit& v) { return s.ChangeRoomResult(v); }},
      {"/close.asp", [](ChatSite& s, Visit& v) { return s.ClosePage(v); }},
      {"/showerr.asp", [](ChatSite& s, Visit& v) { return s.LeftChatPage(v); }},
      {"/usercheck.asp",
       [](ChatSite& s, Visit&) {
         const int ended =
             EndSilentVisits(*s.NewObject(), s.application_, s.env_->Now(), kSilentSeconds);
         return "<html><body>" + std::to_string(ended) + "</body></html>";
       }},
      {"/namefilter.asp",
       [](ChatSite& s, Visit&) {
         const std::string rules = s.files_.Utf8Text("/namefilter.htm");
         return rules.empty() ? SitePage("名字规则", "<p>名字只能用小写字母、数字和汉字。</p>")
                              : rules;
       }},
      {"/userset.asp", [](ChatSite& s, Visit& v) { return s.SiteOwnPage(UserSettingsPage, v); }},
      {"/guest.asp", [](ChatSite& s, Visit& v) { return s.SiteOwnPage(GuestbookPage, v); }},
      {"/getcall.asp", [](ChatSite& s, Visit& v) { return s.SiteOwnPage(CallsPage, v); }},
      {"/addfriend.asp", [](ChatSite& s, Visit& v) { return s.SiteOwnPage(FriendRequestPage, v); }},
      {"/agreefriend.asp",
       [](ChatSite& s, Visit& v) { return s.SiteOwnPage(FriendAnswerPage, v); }},
      {"/admin/userclear.asp", [](ChatSite& s, Visit& v) { return s.AdminPage(v, false); }},
      {"/admin/roomupdate.asp", [](ChatSite& s, Visit& v) { return s.AdminPage(v, true); }},
  };
  return pages;
}

std::shared_ptr<MemorySession> ChatSite::FindSession(const HttpRequest& http, std::string& id) {
  for (const auto& [name, value] : ParseCookies(http.Header("cookie"))) {
    if (name != kSessionCookie) continue;
    if (auto session = sessions_->Find(value)) {
      id = value;
      return session;
    }
  }
  return nullptr;
}

HttpResponse ChatSite::Handle(const HttpRequest& http) {
  const std::string path = text::AsciiLower(PercentDecode(SplitTarget(http.target).first));
  const auto start = std::chrono::steady_clock::now();
  HttpResponse response;
  try {
    response = Answer(http, path);
  } catch (const RedisError& e) {
    response = HttpResponse();
    ServerErrorPage(response, path, std::string("sessions unreachable: ") + e.what());
  }
  metrics_.ObservePage(
      path, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  if (response.status >= 500) metrics_.page_errors.Add();
  if (path == "/refresh.asp") metrics_.polls.Add();
  if (path == "/say.asp" && http.method == "POST" && response.status == 200) metrics_.posts.Add();
  return response;
}

HttpResponse ChatSite::MetricsPage() {
  ChatMetrics::Gauges now;
  now.sessions = sessions_->size();
  now.waiting_polls = waits_.size();
  {
    LiveState& live = *LiveStateOf(application_, options_.prefix);
    ApplicationLock lock(application_);
    now.online = live.UserCount();
    // One walk over the visitors, counting by the room each is in.
    std::map<std::string, int, std::less<>> by_room;
    for (const std::string& room : live.RoomKeys()) by_room[room] = 0;
    live.VisitUsers([&](const std::string&, const std::vector<std::string>& fields) {
      if (fields.size() > user_field::kRoom) ++by_room[fields[user_field::kRoom]];
    });
    now.rooms.assign(by_room.begin(), by_room.end());
  }
  HttpResponse response;
  response.content_type = kMetricsContentType;
  response.headers.emplace_back("Cache-Control", "no-cache");
  response.body = metrics_.Render(now);
  return response;
}

HttpResponse ChatSite::Answer(const HttpRequest& http, const std::string& path) {
  if (path == "/metrics") {
    HttpResponse refused;
    refused.content_type = "text/plain; charset=utf-8";
    if (auto refusal = AdminRefusal(http, refused)) {
      refused.body = *refusal + "\n";
      return refused;
    }
    return MetricsPage();
  }
  if (const HttpResponse* file = files_.Find(path)) {
    // The site's own pages (the input frame, the tool bar) carry the token
    // of the session as the chat's pages do.
    std::string id;
    const auto session =
        file->content_type.starts_with("text/html") ? FindSession(http, id) : nullptr;
    const std::string token = session ? session->Get(kTokenField).ToText() : "";
    if (token.empty()) return *file;
    HttpResponse carrying = *file;
    carrying.body = WithTokenMeta(std::move(carrying.body), token);
    return carrying;
  }
  const auto page = Pages().find(path);
  if (page == Pages().end() && console::IsConsolePage(path)) {
    HttpResponse answer = ConsoleResponse(http, path);
    AnnounceNewLines();  // a visitor sent out, a room's visitors moved
    return answer;
  }
  if (page == Pages().end()) {
    HttpResponse missing;
    missing.status = 404;
    missing.body = text::Utf8ToGbk(
        SitePage("找不到", "<h2>找不到这个页面。</h2>" + BackToLogin("回到聊天室")));
    return missing;
  }

  HttpResponse response;
  response.headers.emplace_back("Cache-Control", "no-cache");
  MemoryRequest request = ToPageRequest(http);
  std::string session_id;
  std::shared_ptr<MemorySession> session = FindSession(http, session_id);
  Visit visit{http, request, std::move(session), std::move(session_id), response, ""};
  // Without a stored session the page gets an empty one of its own, which the
  // store keeps only if the visitor logs in: a visit that stores nothing costs
  // no memory after its answer.
  if (!visit.session) visit.session = std::make_shared<MemorySession>();
  visit.token = visit.session->Get(kTokenField).ToText();
  try {
    std::string text =
        Forged(visit, path) ? ForgeryRefusal(visit, path) : page->second(*this, visit);
    if (!visit.token.empty()) text = WithTokenMeta(std::move(text), visit.token);
    response.body = text::Utf8ToGbk(text);
  } catch (const CallError& e) {
    // The page failed as the engine reports it: an error of the request.
    // A request's own error is shown; any other detail (SQL, say) goes to
    // the log only, under a reference the page shows.
    const std::string detail =
        "error " + std::to_string(static_cast<int>(e.code())) + ": " + e.what();
    if (e.code() != ErrorCode::kTypeMismatch) {
      ServerErrorPage(response, path, detail);
    } else {
      response.status = 400;
      std::cerr << "tavolin: " << LogEscape(path) << ": " << LogEscape(detail) << '\n';
      response.body = text::Utf8ToGbk(
          SitePage("出错了", "<h2>页面出错了</h2><p>" + HtmlEscape(e.what()) + "</p>"));
    }
  }
  // Every page but the poll may have written lines (a failed one too).
  if (path != "/refresh.asp") AnnounceNewLines();
  if (!visit.session_id.empty()) sessions_->Save(visit.session_id, *visit.session);
  return response;
}

// A POST from another site's page, or one of a visitor's session without the
// session's token, is refused before the page runs. The login needs no token
// (it is where a session gets one); the admin pages check their own.
bool ChatSite::Forged(const Visit& visit, std::string_view path) {
  if (visit.http.method != "POST") return false;
  if (!FromOwnOrigin(visit.http)) return true;
  if (path == "/login.asp" || path.starts_with("/admin/") || visit.token.empty()) return false;
  return !SecretMatches(visit.request.Form(kTokenField).ToText(), visit.token);
}

std::string ChatSite::ForgeryRefusal(Visit& visit, std::string_view path) {
  static constexpr std::string_view kRefused =
      "这个请求没有带上本次访问的凭证，没有执行。请在聊天室的窗口里重新操作。";
  visit.response.status = 403;
  LogForgedPost(path, visit.http);
  if (AnswersIntoPollFrame(path))
    return PollFrameLine(kRefused, NewObject()->GetTimeStr().ToText());
  return SitePage("不能完成", "<h2>" + std::string(kRefused) + "</h2>" + BackToLogin("回到聊天室"));
}

std::string ChatSite::LoginPage() {
  std::string options;
  for (const RoomChoice& room : RoomChoices(application_, options_.prefix)) {
    options += "<option value='" + HtmlEscape(room.id) + "'>" + HtmlEscape(room.name) + "</option>";
  }
  return SitePage("Tavolin 聊天室",
                  "<h1>Tavolin 聊天室</h1>"
                  "<form method='post' action='login.asp' class='login'>"
                  "<label>名字 <input name='sUserName' maxlength='10' autofocus></label>"
                  "<label>密码 <input name='sPass' type='password' maxlength='15'></label>"
                  "<label>性别 <select name='bSex'><option value='1'>女</option>"
                  "<option value='0'>男</option></select></label>"
                  "<label>房间 <select name='room_id'>" +
                      options +
                      "</select></label>"
                      "<button type='submit'>进入聊天室</button></form>"
                      "<p class='hint'>新名字第一次登录时自动注册，密码就是这次输入的密码。"
                      "<a href='namefilter.asp'>名字规则</a></p>");
}

std::string ChatSite::LoginResult(Visit& visit) {
  // With the store full a login that would need a new session is refused
  // before it enters, which loses nothing; dropping another visitor's session
  // to make room would throw that visitor out of the chat.
  static constexpr std::string_view kFull = "聊天室现在人太多了，请稍后再来。";
  const bool room_for_session = !visit.session_id.empty() || !sessions_->full();
  std::string message =
      room_for_session
          ? NewObject()->LoginCheck(application_, *visit.session, visit.request).ToText()
          : std::string(kFull);
  if (message.empty()) {
    bool kept = false;
    try {
      kept = RenewSessionId(visit);
    } catch (const RedisError&) {
      EndVisit(*NewObject(), application_, *visit.session);  // no session to come back with
      throw;
    }
    if (!kept) {
      EndVisit(*NewObject(), application_, *visit.session);  // others filled the store meanwhile
      message = kFull;
    }
  }
  if (message.empty()) {
    metrics_.logins_admitted.Add();
  } else {
    metrics_.CountRefusal(LoginRefusalOf(message));
  }
  if (!message.empty()) {
    return SitePage("不能进入",
                    "<div class='message'>" + message + "</div>" + BackToLogin("返回登录"));
  }
  // The chat page accepts only a window named after the chat.
  return "<html><head><meta http-equiv='Content-Type' content='text/html; charset=gb2312'>"
         "</head><body><script>window.name='" +
         ScriptStringEscape(application_.Get(Key("_user")).ToText()) +
         "';location.replace('chat.asp');</script></body></html>";
}

// The login makes the session someone's: it is kept under a new id and the
// old one ends, so an id known before the login (one planted on the visitor)
// reaches nothing; it gets a new anti-forgery token too. False, keeping
// nothing, when the store is full.
bool ChatSite::RenewSessionId(Visit& visit) {
  sessions_->End(visit.session_id);
  const std::optional<std::string> id = sessions_->Add(visit.session);
  if (!id) return false;
  visit.session_id = *id;
  visit.token = NewSecret();
  visit.session->Set(kTokenField, Variant(visit.token));
  visit.response.headers.emplace_back("Set-Cookie", SessionCookie(*id));
  return true;
}

std::string ChatSite::ChangeRoomResult(Visit& visit) {
  auto object = NewObject();
  if (visit.http.method != "POST") {
    return PollFrameLine("请用输入框上的房间选单换房间。", object->GetTimeStr().ToText());
  }
  const std::string message =
      object->ChangeRoom(application_, *visit.session, visit.request).ToText();
  if (message.empty()) {
    // Moved: the frame starts over with the new room's say list.
    return "<html><body><script>location.replace('saylist.asp');</script></body></html>";
  }
  return PollFrameLine(message, object->GetTimeStr().ToText());
}

std::string ChatSite::ClosePage(Visit& visit) {
  // Only a POST leaves: the leave button's form, or the closing window's
  // beacon. A GET (a second window sent here because the chat is open in the
  // first one, or a link) changes nothing.
  if (visit.http.method != "POST") {
    if (NewObject()->VisitorLevel(application_, *visit.session) == 0) return NotInChatPage();
    // The chat window itself arrives here by GET when it was idle too long:
    // it is named after the chat, so it goes on to leave for real; only when
    // sent by a page of this site, since any site may open a window by name.
    const std::string chat_window = ScriptStringEscape(application_.Get(Key("_user")).ToText());
    const std::string leave_by_itself = FromOwnPage(visit.http)
                                            ? "<script>if (window.name == '" + chat_window +
                                                  "') document.forms[0].submit();</script>"
                                            : "";
    return SitePage("聊天室已经打开",
                    "<h2>聊天室已经在另一个窗口里打开了。</h2>"
                    "<p>请回到那个窗口继续聊天。要离开聊天室，请按下面的按钮。</p>" +
                        PostForm("action='close.asp' target='_top'", visit.token) +
                        "<button type='submit'>离开聊天室</button></form>" + leave_by_itself);
  }
  EndVisit(*NewObject(), application_, *visit.session);
  if (!visit.session_id.empty()) {
    sessions_->End(visit.session_id);
    visit.response.headers.emplace_back("Set-Cookie", SessionCookie(""));
  }
  return SitePage("再见", "<h2>你已经离开了聊天室，欢迎下次再来！</h2>" + BackToLogin("重新登录"));
}

// A visitor the operator sent out reads why; anybody else, that they are not
// in the chat.
std::string ChatSite::LeftChatPage(Visit& visit) {
  const std::optional<std::string> words = console::TakeFarewell(
      application_, options_.prefix, text::TrimBlanks(visit.session->Get("myname").ToText()),
      visit.session->Get("mytemp").ToText());
  if (!words) return NotInChatPage();
  return SitePage("离开聊天室", "<h2 class='message'>" + HtmlEscape(*words) + "</h2>" +
                                    BackToLogin("回到登录页"));
}

std::string ChatSite::SiteOwnPage(OwnPage page, Visit& visit) {
  const std::optional<PageContent> content =
      page({application_, options_.prefix, *visit.session, visit.request, env_, visit.token});
  return content ? SitePage(content->title, content->body) : NotInChatPage();
}

std::optional<std::string> ChatSite::AdminRefusal(const HttpRequest& http, HttpResponse& response) {
  if (options_.admin_password.empty()) {
    response.status = 403;
    return "管理页面已关闭：没有设置管理密码。";
  }
  const GuardedAuth auth =
      CheckBasicAuthGuarded(GuessThrottle::Of(application_, "admin address", {}), http.peer_address,
                            http.Header("authorization"), "admin", options_.admin_password,
                            env_->Now().SecondsSinceEpoch());
  if (auth.wait > 0) {
    response.status = 429;
    response.headers.emplace_back("Retry-After", std::to_string(auth.wait));
    return TooManyGuessesMessage(auth.wait);
  }
  if (!auth.allowed) {
    response.status = 401;
    response.headers.emplace_back("WWW-Authenticate", "Basic realm=\"Tavolin admin\"");
    return "需要管理员登录。";
  }
  return std::nullopt;
}

// The console's pages answer in UTF-8: they are not part of the chat's GBK
// protocol. Like the reports they need the admin password, and a POST
// changes something only with the admin token and from this site's pages.
HttpResponse ChatSite::ConsoleResponse(const HttpRequest& http, std::string_view path) {
  HttpResponse response;
  response.content_type = "text/html; charset=utf-8";
  response.headers.emplace_back("Cache-Control", "no-cache");
  console::ConsoleContext context(application_, options_.prefix, env_);
  console::ConsoleVisit visit{context, http.method == "POST", {}, admin_token_};
  const auto [target_path, query] = SplitTarget(http.target);
  for (auto& [name, value] : ParseUrlEncoded(query)) visit.values[name] = std::move(value);
  if (visit.posted && text::AsciiLower(http.Header("content-type"))
                          .starts_with("application/x-www-form-urlencoded")) {
    for (auto& [name, value] : ParseUrlEncoded(http.body)) visit.values[name] = std::move(value);
  }
  if (auto refusal = AdminRefusal(http, response)) {
    response.body = console::ConsoleFrame("管理", "<h2>" + HtmlEscape(*refusal) + "</h2>", "");
    return response;
  }
  if (visit.posted &&
      (!FromOwnOrigin(http) || !SecretMatches(visit.Value(kTokenField), admin_token_))) {
    response.status = 403;
    LogForgedPost(path, http);
    response.body = console::ConsoleFrame(
        "不能完成", "<h2>这个请求没有带上控制台的凭证，没有执行。请在控制台的页面里重新操作。</h2>",
        admin_token_);
    return response;
  }
  try {
    console::ConsoleAnswer answer = console::ServeConsolePage(visit, path);
    response.status = answer.status;
    response.body = std::move(answer.html);
    // The outcome in words, for a program posting to the console (the
    // tavolin admin command); percent-encoded UTF-8, as a header holds.
    if (answer.outcome) {
      response.headers.emplace_back(std::string(kConsoleOutcomeHeader),
                                    PercentEncode(answer.outcome->message));
    }
  } catch (const CallError& e) {
    response.status = 500;
    const std::string detail =
        "error " + std::to_string(static_cast<int>(e.code())) + ": " + e.what();
    response.body = console::ConsoleFrame(
        "出错了",
        "<h2>服务器出错了，请稍后再试。(参考号 " + LogRequestError(path, detail) + ")</h2>",
        admin_token_);
  }
  return response;
}

std::string ChatSite::AdminPage(Visit& visit, bool rooms) {
  if (auto refusal = AdminRefusal(visit.http, visit.response)) {
    return SitePage("管理", "<h2>" + *refusal + "</h2>");
  }
  // A page of the admin shows a preview and the form that carries out the
  // work; only that form, posted with the server's admin token, does it.
  visit.token = admin_token_;
  const bool asked = visit.http.method == "POST" && visit.request.Form("mode").ToText() == "1";
  const bool run = asked && SecretMatches(visit.request.Form(kTokenField).ToText(), admin_token_);
  if (asked && !run) visit.response.status = 403;
  Variant mode(run ? "1" : "0");
  auto object = NewObject();
  const std::string report = rooms ? object->RoomUpdate(application_, mode).ToText()
                                   : object->UserClear(application_, mode).ToText();
  // The reports list stored names; their only markup is the room report's
  // line breaks.
  const std::string shown = text::ReplaceAll(HtmlEscape(report), "&lt;br&gt;", "<br>");
  const std::string action = rooms ? "roomupdate.asp" : "userclear.asp";
  return SitePage("管理",
                  "<h2>" + std::string(rooms ? "房间整理" : "用户清理") + (run ? "" : "（预览）") +
                      "</h2>" +
                      (asked && !run ? "<p class='message'>请求没有带上凭证，没有执行。</p>" : "") +
                      "<div class='report'>" + shown + "</div>" +
                      (run ? ""
                           : PostForm("action='" + action + "'", admin_token_) +
                                 "<input type='hidden' name='mode' value='1'><button "
                                 "type='submit'>执行</button></form>"));
}

}  // namespace tavolin::server
