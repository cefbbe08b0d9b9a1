// Copyright Tavolin developers.

#include "console/setting_guide.h"

#include "text/strings.h"

namespace tavolin::console {

namespace {

using enum SettingGroup;

constexpr SettingGuide kGuides[] = {
    {"maxpeople", kEntry, "最多同时在线的人数"},
    {"disableproxy", kEntry, "拒绝经代理服务器来的访客", true},
    {"disablenewuser", kEntry, "不许新用户注册", true},
    {"newusernum", kEntry, "同一地址十分钟内最多能注册的新用户数"},
    {"usernamefilter", kEntry, "名字里不许出现的词，用逗号隔开"},
    {"namelength", kEntry, "名字最短的长度（汉字算两个）"},
    {"maxnamelength", kEntry, "名字最多的字数"},
    {"usernameenable", kEntry, "名字里另外允许的字符（空格和句点总是不许）"},
    {"enterchatshow", kEntry, "进聊天室的通告：文字::颜色::颜色，## 处是名字"},
    {"reentershow", kEntry, "重新进聊天室的通告：文字::颜色::颜色"},
    {"enterroomshow", kEntry, "进房间的通告：文字::颜色::颜色"},
    {"exitroomshow", kEntry, "离开房间的通告：文字::颜色::颜色"},
    {"l_delroom", kEntry, "从这个级别起不受房间进入规则限制（空：谁都不受限）"},
    {"maxsayslength", kPosting, "一句话最多的字数，多出的截掉"},
    {"minsayslength", kPosting, "一句话最少的字数（聊天窗口检查）"},
    {"enablesaysfilter", kPosting, "过滤脏话", true},
    {"saysfilterstr", kPosting, "要过滤的脏话，用逗号隔开"},
    {"l_title", kPosting, "从这个级别起可以设房间话题"},
    {"titlelength", kPosting, "房间话题最多的字数"},
    {"l_allhtml", kPosting, "从这个级别起发言可以用 HTML"},
    {"l_tt", kPosting, "从这个级别起对别人说话可以用方括号"},
    {"nosaytimeout", kPosting, "多少分钟不说话就被请出聊天室"},
    {"dontsavevalue", kPosting, "进来后最多待多少分钟就要重新进"},
    {"maxsaysper10s", kPosting, "每人十秒内最多说几句（0：不限）"},
    {"maxcallsperminute", kPosting, "每人每分钟最多传几次呼叫（0：不限）"},
    {"maxgbperminute", kPosting, "每人每分钟最多写几条留言（0：不限）"},
    {"maxfriendrqperminute", kPosting, "每人每分钟最多发几个好友请求（0：不限）"},
    {"maxtoallcallsperhour", kPosting, "每人每小时最多对大家呼叫几次（0：不限）"},
    {"calltimeout", kHousekeeping, "好友请求保留的天数（每天 14 点清理）"},
    {"friendtimeout", kHousekeeping, "呼叫保留的天数（每天 14 点清理）"},
    {"autoclearmanagelog", kHousekeeping, "每天清理旧的管理记录", true},
    {"managelogtimeout", kHousekeeping, "管理记录保留的天数"},
    {"autocleargb", kHousekeeping, "每天清理旧留言", true},
    {"gbtimeout", kHousekeeping, "留言保留的天数"},
    {"autoclearusername", kHousekeeping, "每天清理不再来的用户", true},
    {"usernameoncetimeout", kHousekeeping, "只来过一次的用户多少天不来就清除"},
    {"usernametimeout", kHousekeeping, "其他用户多少天不来就清除"},
    {"roomautoclear", kHousekeeping, "每天整理房间", true},
    {"roomkeepexp", kHousekeeping, "经验达到多少的房间改为保留"},
    {"roomtimeout", kHousekeeping, "不保留的房间多少分钟没人活动就关掉"},
    {"roomexpperday", kHousekeeping, "房间每天减去的经验"},
    {"user", kAppearance, "聊天窗口的名字（字母、数字和 _）"},
    {"facecolorstr", kAppearance, "新用户的名字颜色，至少两个，用空格隔开"},
    {"backgroudcolorstr", kAppearance, "新用户的背景颜色，至少一个，用空格隔开"},
    {"listreftime", kAppearance, "聊天窗口刷新名单的间隔"},
    {"maxtalk", kAppearance, "保留最近多少句话（说话环的最后一行号，重启后生效）"},
};

}  // namespace

std::span<const SettingGuide> SettingGuides() { return kGuides; }

const SettingGuide* FindSettingGuide(std::string_view alias) {
  for (const SettingGuide& guide : kGuides) {
    if (text::AsciiLower(guide.alias) == text::AsciiLower(alias)) return &guide;
  }
  return nullptr;
}

std::string_view GroupName(SettingGroup group) {
  switch (group) {
    case kEntry:
      return "进入";
    case kPosting:
      return "发言";
    case kHousekeeping:
      return "整理";
    case kAppearance:
      return "外观";
  }
  return "";
}

}  // namespace tavolin::console
