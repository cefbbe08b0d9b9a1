// Copyright Tavolin developers.
//
// What the login tests share: a loaded chat on a seeded database whose
// visitors log in through LoginCheck with a form like the login page's, and
// look-ups of what the login left in the live chat.

#ifndef TAVOLIN_TESTING_LOGIN_CHAT_H_
#define TAVOLIN_TESTING_LOGIN_CHAT_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "component/list_record.h"
#include "tavolin/request.h"
#include "tavolin/session.h"
#include "testing/chat_test_env.h"

namespace tavolin::testing {

// The login form and the server variables of one login request. Empty texts
// are not sent at all.
struct LoginForm {
  LoginForm(std::string name, std::string password)
      : name(std::move(name)), password(std::move(password)) {}
  // A name alone logs in with the password "pw".
  LoginForm(const char* name) : LoginForm(name, "pw") {}  // NOLINT(runtime/explicit)
  LoginForm& Room(std::string value) { return Set(room, std::move(value)); }
  LoginForm& Sex(std::string value) { return Set(sex, std::move(value)); }
  LoginForm& Address(std::string value) { return Set(address, std::move(value)); }
  LoginForm& Via(std::string value) { return Set(via, std::move(value)); }
  LoginForm& Forwarded(std::string value) { return Set(forwarded, std::move(value)); }

  std::string name;
  std::string password;
  std::string room = "1";
  std::string sex;
  std::string address = "10.0.0.1";
  std::string via;
  std::string forwarded;

 private:
  LoginForm& Set(std::string& field, std::string value) {
    field = std::move(value);
    return *this;
  }
};

class LoginChat : public ChatTestEnv {
 public:
  // Loads configuration and rooms; sysparam rows set before it take effect.
  void Load() { NewObject()->InitGlobal(app()); }

  // A login in a session of its own; the session is kept as last_session().
  std::string LogIn(const LoginForm& form) {
    sessions_.push_back(std::make_unique<MemorySession>());
    return LogIn(form, *sessions_.back());
  }
  std::string LogIn(const LoginForm& form, MemorySession& session) {
    MemoryRequest request;
    if (!form.name.empty()) request.SetForm("sUserName", form.name);
    if (!form.password.empty()) request.SetForm("sPass", form.password);
    if (!form.room.empty()) request.SetForm("room_id", form.room);
    if (!form.sex.empty()) request.SetForm("bSex", form.sex);
    request.SetServerVariable("REMOTE_ADDR", form.address);
    if (!form.via.empty()) request.SetServerVariable("HTTP_VIA", form.via);
    if (!form.forwarded.empty()) request.SetServerVariable("HTTP_X_FORWARDED_FOR", form.forwarded);
    return NewObject()->LoginCheck(app(), session, request).ToText();
  }
  MemorySession& last_session() { return *sessions_.back(); }
  MemorySession& session(size_t index) { return *sessions_.at(index); }

  // A poll of the browser of `session`; `sayid` as sent, or none.
  std::string Refresh(MemorySession& session, const char* sayid = nullptr) {
    MemoryRequest request;
    if (sayid != nullptr) request.SetQuery("sayid", sayid);
    return NewObject()->refresh(app(), session, request).ToText();
  }

  // A registered user row with the password scrambled as the login does,
  // registered a day ago (so it does not count as a new user).
  void AddUser(const std::string& name, const std::string& password, int level = 1) {
    Variant typed(password);
    const std::string scrambled = NewObject()->trpass(typed).ToText();
    const std::string day_ago = clock().Now().AddSeconds(-86400).ToString();
    Exec(
        "INSERT INTO user (username, passwd, user_level, headface, sex, log_time, first_ip, "
        "out_time, visit_num) VALUES (?, ?, ?, 1020, 1, ?, '10.9.9.9', ?, 4)",
        {Variant(name), Variant(scrambled), Variant(level), Variant(day_ago), Variant(day_ago)});
  }
  // One column of a user's row; Empty when the user has no row.
  Variant UserColumn(const std::string& name, const std::string& column) {
    const auto row =
        db().Execute("SELECT " + column + " AS v FROM user WHERE username = ?", {Variant(name)});
    return row->eof() ? Variant() : row->Field("v");
  }

  std::string Users() { return lists().Users(); }
  std::string UserField(const std::string& name, int field) {
    return lists().UserField(name, field);
  }
  std::string RoomField(int room, int field) {
    return lists().RoomField(std::to_string(room), field);
  }
  // A column of the ring slot `back` lines before the newest.
  Variant RingColumn(int column, int back = 0) {
    const VariantArray& ring = Get("_says").array();
    const int slots = ring.upper_bound(1) + 1;
    const int slot = ((Get("_current").ToLong() - back) % slots + slots) % slots;
    return ring.at(slot, column);
  }
  int32_t NewestSayId() { return RingColumn(0).ToLong(); }

 private:
  std::vector<std::unique_ptr<MemorySession>> sessions_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_LOGIN_CHAT_H_
