// Copyright Tavolin developers.
//
// The console's home: how many are online and how many rooms are open, and
// the way to every page.

#include "console/console_pages.h"

namespace tavolin::console {

std::string HomePage(ConsoleVisit& visit) {
  int online = 0;
  size_t rooms = 0;
  {
    LiveState& live = visit.context.live();
    ApplicationLock lock(visit.context.app());
    online = live.UserCount();
    rooms = live.RoomKeys().size();
  }
  return "<p class='note'>在线 <b id='online'>" + std::to_string(online) +
         "</b> 人，房间 <b id='rooms'>" + std::to_string(rooms) +
         "</b> 个。</p><ul><li><a href='/admin/rooms.asp'>房间</a>：开、改、关房间</li>"
         "<li><a href='/admin/users.asp'>用户</a>：查找用户，改级别，踢出、冻结，重设密码</li>"
         "<li><a href='/admin/locks.asp'>地址封锁</a></li>"
         "<li><a href='/admin/online.asp'>在线</a>：谁在哪个房间，请人出去</li>"
         "<li><a href='/admin/settings.asp'>设置</a>：进入、发言、整理和外观的设置，马上生效</li>"
         "<li><a href='/admin/robot.asp'>机器人回答</a> 和 <a "
         "href='/admin/actions.asp'>动作</a></li>"
         "<li><a href='/admin/activity.asp'>活动</a>：每小时的访问、管理记录</li>"
         "<li><a href='/admin/userclear.asp'>用户清理</a> 和 <a "
         "href='/admin/roomupdate.asp'>房间整理</a></li></ul>";
}

}  // namespace tavolin::console
