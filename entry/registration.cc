// Copyright Tavolin developers.
//
// Registration of a new name on its first login: refused under an address
// lock, when the address registered too many names in the last minutes, or
// when registration is switched off; otherwise the user row is written with
// level 1, a drawn pair of colour numbers and the site's first colours, and
// the welcome notice repeats the password the visitor chose.

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "conversation/script_values.h"
#include "entry/login.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The words of a configured colour list; at least `count` of them.
std::vector<std::string_view> ColourWords(const std::string& list, std::string_view key,
                                          size_t count) {
  std::vector<std::string_view> words = text::Split(list, " ");
  if (words.size() < count) {
    throw CallError(ErrorCode::kSubscriptOutOfRange, std::string(key) + " needs at least " +
                                                         std::to_string(count) +
                                                         " colours separated by blanks");
  }
  return words;
}

// A colour number from 0 to 17, Int(r * 18) in single precision.
int ColourNumber(SharedRandom& random) {
  const float scaled = random.Draw() * 18.0F;
  return static_cast<int>(std::floor(scaled));
}

}  // namespace

std::optional<std::string> Corvane::RegisterNewUser(Application& application, Request& request,
                                                    const AddressLock& lock, int32_t new_users,
                                                    Login& login) {
  if (lock.locked) return "对不起：您的IP被封锁了！";
  // An empty limit is 0, so no new user can register.
  if (new_users - application.Get(Key("_newusernum")).ToDouble() >= 0) {
    return "对不起：您暂时不能注册新用户，请等几分钟再试！";
  }
  const Variant disabled = application.Get(Key("_disablenewuser"));
  if (!disabled.is_null() && disabled.ToText() == "1") return "对不起：管理员禁止新用户注册！";

  login.sex = request.Item("bSex").ToText() == "1" ? 1 : 0;
  const std::string faces = application.Get(Key("_facecolorstr")).ToText();
  const std::string backgrounds = application.Get(Key("_backgroudcolorstr")).ToText();
  const std::vector<std::string_view> fc = ColourWords(faces, "_facecolorstr", 2);
  const std::vector<std::string_view> bc = ColourWords(backgrounds, "_backgroudcolorstr", 1);
  const std::string colours =
      std::string(bc[0]) + ":" + std::string(fc[0]) + ":" + std::string(fc[1]);
  const int name_colour = ColourNumber(env_->Random());
  const int say_colour = ColourNumber(env_->Random());

  const std::string now = env_->Now().ToString();
  Database(application)
      .Execute(
          "INSERT INTO user (username,passwd,headface,sex,log_time,user_level,first_ip,last_ip,"
          "visit_num,in_time,out_info,exp_num,out_time,f_size,l_height,n_color,s_color,bgcolor) "
          "VALUES (?,?,1010,?,?,1,?,?,1,?,0,0,?,4,6,?,?,?)",
          {Variant(login.name), Variant(login.scrambled_password), Variant(int{login.sex}),
           Variant(now), Variant(login.ip), Variant(login.ip), Variant(now), Variant(now),
           Variant(name_colour), Variant(say_colour), Variant(colours)});

  login.stored_level = 1;
  login.level = 1;
  login.face = 1010;
  // The password is shown as sent, from inside a single-quoted script string.
  login.notices = "【系统】" + login.name + ":欢迎光临！请记牢您的密码[" +
                  ShownInScript(request.Item("sPass").ToText()) +
                  "]，点[<a href=userset.asp target=list onclick=\\'parent.listflag=0\\'>"
                  "设置</a>]可以修改和设置您的个人信息！<br>";
  return std::nullopt;
}

}  // namespace tavolin
