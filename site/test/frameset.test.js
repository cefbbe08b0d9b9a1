'use strict';
// newchat.js inside the chat window's global scope: the head script of the
// chat page that a running server writes for a visitor runs first, then
// newchat.js, then the scripts of the say-list, poll and post answers call it
// through `parent`. No DOM: the frames are absent, so this checks the names
// and the state they keep.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const source = fs.readFileSync(path.join(__dirname, '..', 'newchat.js'), 'utf8');
const ChatLines = require('../newchat.js');
const served = import('../../e2e/served.mjs');
let head = null;  // the real chat page's head script, for a visitor tom in the hall

test.before(async () => {
  const { binary, startServer, logIn, page } = await served;
  if (!fs.existsSync(binary)) return;
  const server = await startServer();
  try {
    const chat = await page(server.base, 'chat.asp', await logIn(server.base, 'tom', 'tompass'));
    head = /<script>([\s\S]*?)<\/script><script src=newchat\.js>/.exec(chat)[1];
  } finally {
    await server.stop();
  }
});

// What the engine's texts reach through `parent.`, and the frames the
// frameset names (newchat.js must not hide those behind globals).
const ENGINE_NAMES = ['addsay', 'ref', 'allusernum', 'clearsay', 'clearper', 'showlist', 'userlist',
  'addl', 'dell', 'chftitle', 'chttitle', 'refresh', 'chuser', 'mdstr', 'listflag', 'newlist',
  'listreftime', 'noreftime', 'transtimer', 'i_mms'];
const FRAMES = ['title', 'say1', 'say2', 'input', 'toolbar', 'listtitle', 'list', 'newsay', 'song',
  'usercheck'];

function chatWindow(t) {
  if (head === null) return t.skip('no tavolin binary: build it (scripts/test.sh builds first)');
  const win = {
    name: ChatLines.chatWindowName(head),
    news: [],
    location: { href: 'chat.asp' },
    input: { dotrans: () => win.news.push('dotrans') },
    addEventListener: (type, fn) => { win.loaded = { type, fn }; }
  };
  win.window = win.top = win.self = win.parent = win;
  const context = vm.createContext(win);
  vm.runInContext(head, context);
  const before = new Set(Object.keys(context));
  vm.runInContext(source, context);
  const added = Object.keys(context).filter((k) => !before.has(k) && k !== 'loaded');
  return { context, added, run: (code) => vm.runInContext(code, context) };
}

test('newchat.js defines every name the engine calls and nothing that hides a frame', (t) => {
  const { context, added } = chatWindow(t) || {};
  if (!context) return;
  assert.deepEqual(ENGINE_NAMES.filter((name) => !(name in context)), [], 'names left undefined');
  assert.deepEqual(FRAMES.filter((name) => added.includes(name)), [], 'frames hidden');
  // Beside the engine's names, only the two objects of newchat.js itself.
  assert.deepEqual(added.filter((n) => !ENGINE_NAMES.includes(n)).sort(), ['ChatClient', 'ChatLines']);
  // The head's own values survive: the news (the seeded help and rules), the visitor, refcheck.
  // The window checks let it stay on chat.asp; start-up waits for the frames' load.
  assert.deepEqual([Array.from(context.bbsnews, (a) => /href='([^']+)'/.exec(a)[1]).sort(), context.myname,
    typeof context.refcheck, context.window.location.href, context.loaded.type, /chat\.css/.test(context.mdstr)],
  [['help.htm', 'rules.htm'], 'tom', 'function', 'chat.asp', 'load', true]);
});

test('the say-list start-up, a poll and a post answer drive the user list, the addressee and the say id', (t) => {
  const { context, run } = chatWindow(t) || {};
  if (!context) return;
  // The say-list start-up: room settings, an old entry notice, then the room's list.
  run("parent.allusernum=2;parent.roomname='大厅';parent.roomauto='小精灵'; parent.roomtt=0;" +
      "  parent.room_owner='';  parent.room_des='d'; parent.roomhtml=0;  parent.roomguests='';" +
      "  parent.roomlife=0;parent.chftitle('文明聊天');parent.chttitle('欢迎光临');" +
      "  parent.clearsay();parent.clearper();parent.addsay(40,'<small>girl</small>##走进了聊天室" +
      "<\\script>parent.addl(\\'ann\\',1,\\'1010\\',\\'\\')</\\script>','ann','大厅',0,'990000','',-3," +
      "'10:00:01',''); parent.ref(41);parent.userlist=new Array('tom 0 1010 ','ann 1 1010 ');" +
      'parent.userlist.sort();parent.showlist();');
  assert.deepEqual([Array.from(context.userlist), context.allusernum, context.ChatClient.lastSayId()],
    [['ann 1 1010 ', 'tom 0 1010 '], 2, 41]);

  // A poll delivers bob's entry: the list changes at once and is shown again
  // by the timer once the list refresh limit has passed.
  run("parent.addsay(42,'##推门走进了房间<\\script>parent.addl(\\'bob\\',0,\\'1010\\',\\'\\')</\\script>'," +
      "'bob','音乐之声',0,'009900','',-3,'10:00:02','');parent.ref(42);parent.allusernum=3;");
  assert.deepEqual([Array.from(context.userlist), context.newlist], [['ann 1 1010 ', 'bob 0 1010 ', 'tom 0 1010 '], true]);
  for (let i = 0; i < 100 && context.newlist; i++) context.refcheck();
  assert.equal(context.newlist, false);
  // Only listed names, everybody and the robot can be addressed.
  const able = ['bob', '大家', '小精灵', 'nobody', '<img src=x onerror=alert(1)>', ''].filter(context.ChatClient.canAddress);
  assert.deepEqual(able, ['bob', '大家', '小精灵']);

  // An ordinary line carrying a fragment changes nothing; a leave notice does.
  run("parent.addsay(43,'hi<\\script>parent.dell(\\'tom\\')</\\script>','bob','大家',0,'','',0," +
      "'10:00:03',44,'##离开了房间<\\script>parent.dell(\\'bob\\')</\\script>','bob','大厅',0,'','',-3," +
      "'10:00:04','');parent.ref(44);");
  assert.deepEqual([Array.from(context.userlist), context.ChatClient.canAddress('bob')], [['ann 1 1010 ', 'tom 0 1010 '], false]);

  // A post answer: the poster's own line to oneself; then 50 quiet timer
  // steps poll again (refresh() starts counting anew) and rotate the news.
  run("parent.addsay(-1,'想一想','tom','tom',1,'','',0,'10:00:05');parent.ref(44);");
  assert.equal(context.ChatClient.lastSayId(), 44);
  const rotated = context.news.length;
  const counts = [];
  for (let i = 0; i < 51; i++) counts.push((context.refcheck(), context.noreftime));
  assert.deepEqual([counts[49], counts[50], context.news.length - rotated], [50, 0, 17]);  // news every third step
});
