// Copyright Tavolin developers.
//
// Column types follow what the engine's commands expect of them: counters,
// levels, flags and colour numbers are INTEGER; every column whose name ends
// in "time" is DATETIME and holds the text "YYYY-MM-DD HH:MM:SS" (the
// database layer hands those back as dates); everything else is TEXT. Names
// that visitors type (user names, room names, action words, addresses,
// configuration aliases) compare without regard to letter case, so a login
// as "tom" finds the row of "Tom" and nobody can register "TOM" beside it.
//
// The site's own pages add the sender and text of a call or a guestbook
// entry (who, body) and, per user, the newest call to everybody already shown
// (calls_seen).
//
// No text in the script contains a ";", so the statements can also be told
// apart by a plain split at ";".

#include "component/schema.h"

#include "tavolin/error.h"

namespace tavolin {
namespace {

constexpr std::string_view kScript = R"sql(
CREATE TABLE sysparam (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  alias TEXT COLLATE NOCASE NOT NULL,
  body TEXT DEFAULT ''
);
CREATE INDEX sysparam_alias ON sysparam (alias);

CREATE TABLE autoact (
  id INTEGER PRIMARY KEY,
  text_body TEXT DEFAULT ''
);

CREATE TABLE scrollad (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ad_title TEXT DEFAULT '',
  ad_link TEXT DEFAULT ''
);

CREATE TABLE room (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  room_name TEXT COLLATE NOCASE,
  room_owner TEXT COLLATE NOCASE DEFAULT '',
  room_auto TEXT COLLATE NOCASE DEFAULT '',
  room_des TEXT DEFAULT '',
  room_top TEXT DEFAULT '',
  room_title TEXT DEFAULT '',
  room_keep INTEGER DEFAULT 0,
  room_time DATETIME,
  room_tt TEXT DEFAULT '0',
  room_html TEXT DEFAULT '0',
  room_exp INTEGER DEFAULT 0,
  build_time DATETIME,
  permit_level INTEGER DEFAULT 0,
  door_open INTEGER DEFAULT 1
);

CREATE TABLE user (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  username TEXT COLLATE NOCASE NOT NULL,
  passwd TEXT DEFAULT '',
  temppass TEXT,
  headface INTEGER DEFAULT 1010,
  sex INTEGER DEFAULT 0,
  log_time DATETIME,
  user_level INTEGER DEFAULT 1,
  first_ip TEXT,
  last_ip TEXT,
  visit_num INTEGER DEFAULT 0,
  in_time DATETIME,
  out_info INTEGER DEFAULT 0,
  exp_num INTEGER DEFAULT 0,
  out_time DATETIME,
  f_size INTEGER DEFAULT 4,
  l_height INTEGER DEFAULT 6,
  n_color INTEGER DEFAULT 0,
  s_color INTEGER DEFAULT 0,
  bgcolor TEXT DEFAULT '',
  friends TEXT DEFAULT '',
  saved INTEGER DEFAULT 0,
  calls_seen INTEGER DEFAULT 0
);
CREATE UNIQUE INDEX user_username ON user (username);
CREATE INDEX user_first_ip ON user (first_ip);

CREATE TABLE record (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  stype INTEGER DEFAULT 0,
  occ_time DATETIME,
  occ_env TEXT DEFAULT ''
);

CREATE TABLE vrecord (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  username TEXT COLLATE NOCASE,
  temp_level INTEGER DEFAULT 0,
  end_time DATETIME
);
CREATE INDEX vrecord_username ON vrecord (username);

CREATE TABLE ip_lock (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  ip TEXT COLLATE NOCASE,
  end_time DATETIME,
  act_level INTEGER DEFAULT 0
);

CREATE TABLE calls (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  towho TEXT COLLATE NOCASE DEFAULT '',
  calltime DATETIME,
  read INTEGER DEFAULT 0,
  who TEXT COLLATE NOCASE DEFAULT '',
  body TEXT DEFAULT ''
);
CREATE INDEX calls_towho ON calls (towho);

CREATE TABLE friendrq (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  who TEXT COLLATE NOCASE DEFAULT '',
  towho TEXT COLLATE NOCASE DEFAULT '',
  sub_time DATETIME
);
CREATE INDEX friendrq_towho ON friendrq (towho);

CREATE TABLE guestbook (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  towho TEXT COLLATE NOCASE DEFAULT '',
  post_time DATETIME,
  who TEXT COLLATE NOCASE DEFAULT '',
  body TEXT DEFAULT ''
);
CREATE INDEX guestbook_towho ON guestbook (towho);

CREATE TABLE action (
  ID INTEGER PRIMARY KEY AUTOINCREMENT,
  act_name TEXT COLLATE NOCASE NOT NULL,
  toall TEXT DEFAULT '',
  toself TEXT DEFAULT '',
  toother TEXT DEFAULT ''
);
CREATE UNIQUE INDEX action_act_name ON action (act_name);

INSERT INTO sysparam (alias, body) VALUES ('maxtalk', '200');
INSERT INTO sysparam (alias, body) VALUES ('saysfilterstr', '他妈的,王八蛋,操你,fuck,shit');
INSERT INTO sysparam (alias, body) VALUES ('enablesaysfilter', '1');
INSERT INTO sysparam (alias, body) VALUES ('maxsayslength', '200');
INSERT INTO sysparam (alias, body) VALUES ('minsayslength', '1');
INSERT INTO sysparam (alias, body) VALUES ('l_title', '3');
INSERT INTO sysparam (alias, body) VALUES ('titlelength', '40');
INSERT INTO sysparam (alias, body) VALUES ('l_allhtml', '9');
INSERT INTO sysparam (alias, body) VALUES ('l_tt', '2');
INSERT INTO sysparam (alias, body) VALUES ('l_delroom', '8');
INSERT INTO sysparam (alias, body) VALUES ('nosaytimeout', '30');
INSERT INTO sysparam (alias, body) VALUES ('dontsavevalue', '120');
INSERT INTO sysparam (alias, body) VALUES ('user', 'tavolinchat');
INSERT INTO sysparam (alias, body) VALUES ('listreftime', '3');
INSERT INTO sysparam (alias, body) VALUES ('disableproxy', '0');
INSERT INTO sysparam (alias, body) VALUES ('maxpeople', '500');
INSERT INTO sysparam (alias, body) VALUES ('usernamefilter', '管理员,系统,站长,客服,fuck');
INSERT INTO sysparam (alias, body) VALUES ('namelength', '2');
INSERT INTO sysparam (alias, body) VALUES ('maxnamelength', '5');
INSERT INTO sysparam (alias, body) VALUES ('usernameenable', '_');
INSERT INTO sysparam (alias, body) VALUES ('newusernum', '3');
INSERT INTO sysparam (alias, body) VALUES ('disablenewuser', '0');
INSERT INTO sysparam (alias, body) VALUES ('facecolorstr', '#336699 #D6E4F2 #669933 #E2F0D6 #996633 #F2E6D6 #993366 #F2D6E4');
INSERT INTO sysparam (alias, body) VALUES ('backgroudcolorstr', '#FFFFFF #F5F9FF #FFFCF0 #F3FFF3 #FFF3F8');
INSERT INTO sysparam (alias, body) VALUES ('enterchatshow', '##兴高采烈地走进了聊天室，大家欢迎！::990000::');
INSERT INTO sysparam (alias, body) VALUES ('reentershow', '##又回到了聊天室，欢迎回来！::990000::');
INSERT INTO sysparam (alias, body) VALUES ('enterroomshow', '##推门走进了房间，大家好！::009900::');
INSERT INTO sysparam (alias, body) VALUES ('exitroomshow', '##离开了房间，到别处逛逛去了。::009900::');
INSERT INTO sysparam (alias, body) VALUES ('friendtimeout', '7');
INSERT INTO sysparam (alias, body) VALUES ('calltimeout', '3');
INSERT INTO sysparam (alias, body) VALUES ('autoclearmanagelog', '1');
INSERT INTO sysparam (alias, body) VALUES ('managelogtimeout', '30');
INSERT INTO sysparam (alias, body) VALUES ('autocleargb', '1');
INSERT INTO sysparam (alias, body) VALUES ('gbtimeout', '30');
INSERT INTO sysparam (alias, body) VALUES ('autoclearusername', '1');
INSERT INTO sysparam (alias, body) VALUES ('usernameoncetimeout', '30');
INSERT INTO sysparam (alias, body) VALUES ('usernametimeout', '180');
INSERT INTO sysparam (alias, body) VALUES ('roomautoclear', '1');
INSERT INTO sysparam (alias, body) VALUES ('roomkeepexp', '1000');
INSERT INTO sysparam (alias, body) VALUES ('roomtimeout', '1440');
INSERT INTO sysparam (alias, body) VALUES ('roomexpperday', '60');
INSERT INTO sysparam (alias, body) VALUES ('hour24', '0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0');
INSERT INTO sysparam (alias, body) VALUES ('visitor', '0');
INSERT INTO sysparam (alias, body) VALUES ('maxsaysper10s', '10');
INSERT INTO sysparam (alias, body) VALUES ('maxcallsperminute', '5');
INSERT INTO sysparam (alias, body) VALUES ('maxgbperminute', '5');
INSERT INTO sysparam (alias, body) VALUES ('maxfriendrqperminute', '5');
INSERT INTO sysparam (alias, body) VALUES ('maxtoallcallsperhour', '3');

INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) VALUES (1, '大厅', '', '', '聊天室的大厅，南来北往的朋友都在这里', '欢迎光临', '文明聊天，畅所欲言', 1, now(), '0', '0', 0, now(), 0, 1);
INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) VALUES (2, '休闲茶座', '', '小精灵', '泡一壶好茶，和小精灵聊聊天', '茶香四溢', '有问题就问小精灵吧', 1, now(), '0', '0', 0, now(), 0, 1);
INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) VALUES (3, '音乐之声', '', '', '聊聊你喜欢的歌', '好歌大家听', '今天你听歌了吗', 1, now(), '0', '0', 0, now(), 0, 1);
INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) VALUES (4, '情感驿站', '', '', '说说心里话', '真情相伴', '用心倾听每一个故事', 1, now(), '0', '0', 0, now(), 0, 1);
INSERT INTO room (ID, room_name, room_owner, room_auto, room_des, room_top, room_title, room_keep, room_time, room_tt, room_html, room_exp, build_time, permit_level, door_open) VALUES (5, '贵宾室', '', '', '五级以上的聊友才能进入', '贵宾专区', '欢迎各位贵宾', 1, now(), '1', '1', 0, now(), 5, 1);

INSERT INTO action (act_name, toall, toself, toother) VALUES ('hi', '##向大家挥手：“大家好！”', '##对着镜子向自己挥了挥手。', '##热情地向对方挥手打招呼：“你好！”');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('bye', '##向大家道别：“我先走了，下次再聊！”', '##对自己说：“该走了。”', '##依依不舍地和对方道别：“再见，下次再聊！”');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('smile', '##对大家甜甜地一笑。', '##不知想起了什么，自己偷偷地笑了。', '##对着对方会心一笑。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('laugh', '##哈哈大笑，笑得前仰后合。', '##自己笑得直不起腰来。', '##指着对方哈哈大笑。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('cry', '##放声大哭，谁来安慰一下？', '##躲在角落里偷偷地抹眼泪。', '##趴在对方肩上呜呜地哭了起来。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('hug', '##张开双臂，给大家一个大大的拥抱！', '##紧紧地抱住了自己。', '##给了对方一个温暖的拥抱。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('bow', '##向大家深深地鞠了一躬。', '##对着镜子鞠了一躬。', '##恭恭敬敬地向对方鞠了一躬。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('tea', '##给每人沏了一杯香茶：“大家请喝茶！”', '##给自己泡了一杯浓茶，慢慢品着。', '##给对方端上一杯热茶：“请喝茶！”');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('flower', '##向大家撒了一把鲜花，满屋飘香。', '##给自己买了一束花。', '##送给对方一束美丽的鲜花。');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('shake', '##和大家一一握手：“幸会，幸会！”', '##左手握住右手：“幸会！”', '##紧紧握住对方的手：“久仰，久仰！”');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('sleep', '##打了个哈欠：“困了，大家晚安！”', '##趴在桌上呼呼大睡。', '##对对方说：“晚安，做个好梦！”');
INSERT INTO action (act_name, toall, toself, toother) VALUES ('clap', '##为大家热烈鼓掌！', '##给自己鼓了鼓掌。', '##为对方鼓掌叫好！');

INSERT INTO autoact (id, text_body) VALUES (1, '你好呀，我是这个房间的小精灵！');
INSERT INTO autoact (id, text_body) VALUES (2, '今天天气不错，适合聊天。');
INSERT INTO autoact (id, text_body) VALUES (3, '这个问题嘛，让我想一想……');
INSERT INTO autoact (id, text_body) VALUES (4, '你说的真有道理！');
INSERT INTO autoact (id, text_body) VALUES (5, '嘻嘻，我不告诉你。');
INSERT INTO autoact (id, text_body) VALUES (6, '多喝水，少熬夜，身体最要紧。');
INSERT INTO autoact (id, text_body) VALUES (7, '要不要来一杯茶？');
INSERT INTO autoact (id, text_body) VALUES (8, '我只是个机器人，别难为我啦。');
INSERT INTO autoact (id, text_body) VALUES (9, '你猜？');
INSERT INTO autoact (id, text_body) VALUES (10, '聊天要文明，大家才开心。');
INSERT INTO autoact (id, text_body) VALUES (11, '有空常来坐坐！');
INSERT INTO autoact (id, text_body) VALUES (12, '哈哈，你真会开玩笑。');

INSERT INTO scrollad (ad_title, ad_link) VALUES ('聊天室使用说明', 'help.htm');
INSERT INTO scrollad (ad_title, ad_link) VALUES ('文明聊天公约', 'rules.htm');
)sql";

}  // namespace

std::string_view ChatSchemaScript() { return kScript; }

void UpgradeChatSchema(Connection& db) {
  // Asking for the column is a question SQLite and PostgreSQL answer alike;
  // only a database without it refuses.
  try {
    db.Execute("SELECT end_time FROM vrecord WHERE 1 = 0");
    return;
  } catch (const CallError&) {
  }
  db.Execute("ALTER TABLE vrecord ADD COLUMN end_time TIMESTAMP(0)");
}

}  // namespace tavolin
