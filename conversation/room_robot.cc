// Copyright Tavolin developers.
//
// The room robot: a post addressed to the room's robot gets a random answer.
// Question and answer go back to the poster alone; nothing is stored.

#include <cmath>
#include <cstdint>
#include <string>

#include "component/column_text.h"
#include "conversation/post.h"
#include "tavolin/corvane.h"

namespace tavolin {

namespace {

// What the robot says when it finds no answer.
constexpr std::string_view kNoAnswer = "我什么都不知道，真的，不骗你！";

// The platform's default text form of a time value: the time part of the
// date-time text.
std::string TimeOfDayText(const DateTime& now) { return now.ToString().substr(11); }

}  // namespace

void Corvane::RobotReply(Application& application, Post& post) {
  // The draw runs from 0 to count - 1 while the answers are numbered from 1:
  // a draw of 0 finds no answer and the last one is never given, as this
  // robot has always answered.
  SharedRandom& random = env_->Random();
  random.Randomize(env_->Timer());
  const double count = application.Get(Key("_autosay_count")).ToDouble();
  const auto number = static_cast<int32_t>(std::floor(random.Draw() * count - 1) + 1);

  std::string reply(kNoAnswer);
  auto rows =
      Database(application).Execute("select text_body from autoact where id=?", {Variant(number)});
  if (!rows->eof()) {
    Variant body(ColumnText(*rows, "text_body"));
    reply = TrStr(body, post.filter_switch).ToText();
  }

  post.out += "parent.addsay(-1,'" + post.text + "','" + my_name_ + "','" + post.to_who + "',1,'" +
              post.color1 + "','" + post.color2 + "'," + std::to_string(post.act) + ",'" +
              TimeOfDayText(env_->Now()) + "');";
  // The robot's line swaps the colours and carries the act number as sent.
  post.out += "parent.addsay(-1,'" + reply + "','" + post.to_who + "','" + my_name_ + "',1,'" +
              post.color2 + "','" + post.color1 + "'," + std::to_string(post.chosen_act) + ",'" +
              TimeOfDayText(env_->Now()) + "');";
}

}  // namespace tavolin
