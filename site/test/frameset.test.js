'use strict';
// newchat.js inside the chat window's global scope: the head script that the
// server's chat page writes runs first, then newchat.js, then the scripts of
// the say-list, poll and post answers call it through `parent`. No DOM: the
// frames are absent, so this checks the names and the state they keep.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const source = fs.readFileSync(path.join(__dirname, '..', 'newchat.js'), 'utf8');

// The chat page's head script for a visitor tom in room 大厅, with two news
// links, as the server writes it (settings, addnews, refcheck with a list
// refresh limit of 3, inittitle, titleheight).
const head =
  "if(window!=window.top){top.location.href='chat.asp';}if (window.name!='tavolinchat') " +
  "{top.location.href='close.asp';}var ckmc=0;var cksc=2;var self_color=''.split(':');" +
  'var bgcolor=self_color[0];var bc1=self_color[1];var bc2=self_color[2];' +
  "var backgroudcolorstr=bgcolor+' 自定:#FFFFFF #F5F9FF';var nosaytimeout=27;var dontsavevalue=57;" +
  "var facecolorstr=self_color[1]+' '+self_color[2]+' 自定:#336699 #D6E4F2';var roomname='大厅';" +
  "var roomauto='<';var roomlife=0;var roomtt=0;var roomhtml=0;var roomguests='';var LHeight='150';" +
  "var friendlist='';var room_owner='';var room_des='大厅';var myname='tom';" +
  'var oldbgcolor=self_color[0];var saysize=11;var minsayslength=1;var sayslength=200;' +
  'var bbsnews=null;function addnews(n_link,n_title){if (bbsnews==null){bbsnews=new Array(1)}else' +
  '{for (var i=bbsnews.length-1;i>0;i--) bbsnews[i]=bbsnews[i-1];}bbsnews[0]="<a href=\'" + n_link + ' +
  '"\' target=_blank>"+n_title+"</a>";i_mms=0;}function refcheck(){listreftime++;if (listflag && ' +
  'newlist && listreftime>3) {showlist();listreftime=0};noreftime++;if(noreftime>50){refresh();' +
  'noreftime=0;}if (bbsnews!=null) {transtimer++;if (transtimer>2) {self.input.dotrans();transtimer=0}}}' +
  "bbsnews=new Array(2);addnews('b.htm','second');addnews('a.htm','first');" +
  ';function inittitle(){self.title.document.open();self.title.document.write("<html><head>"+mdstr+' +
  '"</head><body></body></html>");}var titleheight=40;';

// What the engine's texts reach through `parent.`, and the frames the
// frameset names (newchat.js must not hide those behind globals).
const ENGINE_NAMES = ['addsay', 'ref', 'allusernum', 'clearsay', 'clearper', 'showlist', 'userlist',
  'addl', 'dell', 'chftitle', 'chttitle', 'refresh', 'chuser', 'mdstr', 'listflag', 'newlist',
  'listreftime', 'noreftime', 'transtimer', 'i_mms'];
const FRAMES = ['title', 'say1', 'say2', 'input', 'toolbar', 'listtitle', 'list', 'newsay', 'song',
  'usercheck'];

function chatWindow() {
  const news = [];
  const win = {
    name: 'tavolinchat',
    location: { href: 'chat.asp' },
    input: { dotrans: () => news.push('dotrans') },
    addEventListener: (type, fn) => { win.loaded = { type, fn }; }
  };
  win.window = win;
  win.top = win;
  win.self = win;
  win.parent = win;
  const context = vm.createContext(win);
  vm.runInContext(head, context);
  const before = new Set(Object.keys(context));
  vm.runInContext(source, context);
  const added = Object.keys(context).filter((k) => !before.has(k) && k !== 'loaded');
  return { context, added, news, run: (code) => vm.runInContext(code, context) };
}

test('newchat.js defines every name the engine calls and nothing that hides a frame', () => {
  const { context, added } = chatWindow();
  for (const name of ENGINE_NAMES) assert.ok(name in context, name + ' is defined');
  for (const name of FRAMES) assert.ok(!added.includes(name), name + ' stays the frame');
  // Beside the engine's names, only the two objects of newchat.js itself.
  assert.deepEqual(added.filter((n) => !ENGINE_NAMES.includes(n)).sort(), ['ChatClient', 'ChatLines']);
  // The head's own values survive: the news, the visitor, the room, refcheck.
  assert.equal(context.bbsnews.length, 2);
  assert.match(context.bbsnews[0], /a\.htm/);
  assert.equal(context.myname, 'tom');
  assert.equal(typeof context.refcheck, 'function');
  assert.equal(context.window.location.href, 'chat.asp');  // the window checks let it stay
  assert.equal(context.loaded.type, 'load');                 // start-up waits for the frames
  assert.match(context.mdstr, /chat\.css/);
});

test('the say-list start-up, a poll and a post answer drive the user list and the say id', () => {
  const { context, run } = chatWindow();
  // The say-list start-up: room settings, an old entry notice, then the room's list.
  run("parent.allusernum=2;parent.roomname='大厅';parent.roomauto='小精灵'; parent.roomtt=0;" +
      "  parent.room_owner='';  parent.room_des='d'; parent.roomhtml=0;  parent.roomguests='';" +
      "  parent.roomlife=0;parent.chftitle('文明聊天');parent.chttitle('欢迎光临');" +
      "  parent.clearsay();parent.clearper();parent.addsay(40,'<small>girl</small>##走进了聊天室" +
      "<\\script>parent.addl(\\'ann\\',1,\\'1010\\',\\'\\')</\\script>','ann','大厅',0,'990000','',-3," +
      "'10:00:01',''); parent.ref(41);parent.userlist=new Array('tom 0 1010 ','ann 1 1010 ');" +
      'parent.userlist.sort();parent.showlist();');
  assert.deepEqual(Array.from(context.userlist), ['ann 1 1010 ', 'tom 0 1010 ']);
  assert.equal(context.allusernum, 2);
  assert.equal(context.newlist, false);
  assert.equal(context.ChatClient.lastSayId(), 41);

  // A poll delivers bob's entry into the room: the list changes at once and
  // is shown again by the timer once the list refresh limit has passed.
  run("parent.addsay(42,'##推门走进了房间<\\script>parent.addl(\\'bob\\',0,\\'1010\\',\\'\\')</\\script>'," +
      "'bob','音乐之声',0,'009900','',-3,'10:00:02','');parent.ref(42);parent.allusernum=3;");
  assert.deepEqual(Array.from(context.userlist), ['ann 1 1010 ', 'bob 0 1010 ', 'tom 0 1010 ']);
  assert.equal(context.newlist, true);
  for (let i = 0; i < 4; i++) context.refcheck();
  assert.equal(context.newlist, false);

  // An ordinary line carrying a fragment changes nothing; a leave notice does.
  run("parent.addsay(43,'hi<\\script>parent.dell(\\'tom\\')</\\script>','bob','大家',0,'','',0," +
      "'10:00:03',44,'##离开了房间<\\script>parent.dell(\\'bob\\')</\\script>','bob','大厅',0,'','',-3," +
      "'10:00:04','');parent.ref(44);");
  assert.deepEqual(Array.from(context.userlist), ['ann 1 1010 ', 'tom 0 1010 ']);

  // A post answer: the delivered lines, then the poster's own line to oneself.
  run("parent.addsay(-1,'想一想','tom','tom',1,'','',0,'10:00:05');parent.ref(44);");
  assert.equal(context.ChatClient.lastSayId(), 44);
});

test('the timer step polls again after 50 quiet steps and rotates the news', () => {
  const { context, news } = chatWindow();
  context.ref(5);
  for (let i = 0; i < 50; i++) context.refcheck();
  assert.equal(context.noreftime, 50);
  context.refcheck();  // the 51st step calls refresh(), which starts counting anew
  assert.equal(context.noreftime, 0);
  assert.equal(news.length, 17);  // every third step
});
