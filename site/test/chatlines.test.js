'use strict';
// The pure half of newchat.js: reading addsay()'s arguments, rendering each
// kind of line and picking the script calls a line may make.

const test = require('node:test');
const assert = require('node:assert/strict');
const ChatLines = require('../newchat.js');

// A line as addsay() receives it: the say text's fields after the browser
// has read the single-quoted script string (so "<\script>" is "<script>").
function line(fields) {
  return Object.assign(
    { id: 7, mess: 'hi', who: 'ann', towho: '大家', secret: 0, c1: '', c2: '', act: 0, time: '10:00:01' },
    fields);
}

test('addsay arguments: nine values a line, then the closing empty string', () => {
  const lines = ChatLines.parseSays([
    41, 'hi', 'ann', 'bob', 0, 'c1', 'c2', 0, '10:00:01',
    42, 'yes', 'bob', 'ann', 1, 'c1', 'c2', 0, '10:00:09', '']);
  assert.deepEqual(lines, [
    { id: 41, mess: 'hi', who: 'ann', towho: 'bob', secret: 0, c1: 'c1', c2: 'c2', act: 0, time: '10:00:01' },
    { id: 42, mess: 'yes', who: 'bob', towho: 'ann', secret: 1, c1: 'c1', c2: 'c2', act: 0, time: '10:00:09' }]);
  assert.deepEqual(ChatLines.parseSays(['']), []);
  // A line for the poster alone has no closing string and a negative act.
  const own = ChatLines.parseSays([-1, '【系统】发言为空！', '', 'ann', 0, '990066', '', -2, '10:00:02']);
  assert.deepEqual(own.map((l) => [l.id, l.act]), [[-1, -2]]);
  // An incomplete group is not a line.
  assert.deepEqual(ChatLines.parseSays([5, 'a', 'b']), []);
});

test('lines already shown are dropped, lines for the poster alone always pass', () => {
  const lines = [line({ id: 40 }), line({ id: 41 }), line({ id: -1 }), line({ id: 42 })];
  const first = ChatLines.newLines(lines, 40);
  assert.deepEqual(first.lines.map((l) => l.id), [41, -1, 42]);
  assert.equal(first.shownMax, 42);
  const again = ChatLines.newLines([line({ id: 42 }), line({ id: 43 })], first.shownMax);
  assert.deepEqual(again.lines.map((l) => l.id), [43]);
});

test('ordinary, private and to-oneself lines', () => {
  const open = ChatLines.renderLine(line({ mess: '你好', c1: '990000', act: 2 }), 'bob');
  assert.equal(open.kind, 'public');
  assert.equal(open.pane, 'say1');
  assert.match(open.html, /data-name="ann">ann<\/a> 对大家大声说：/);
  assert.match(open.html, /style="color:#990000">你好</);
  assert.match(open.html, /\(10:00:01\)/);

  const toBob = ChatLines.renderLine(line({ towho: 'bob', act: 99 }), 'bob');
  assert.match(toBob.html, /对 <a class="nm" data-name="bob">bob<\/a> 说：/);  // unknown act: plain "说"
  assert.match(toBob.html, /class="line k-public tome"/);

  const secret = ChatLines.renderLine(line({ towho: 'bob', secret: 1 }), 'ann');
  assert.equal(secret.kind, 'private');
  assert.equal(secret.pane, 'say2');
  assert.match(secret.html, /\[悄悄话\]/);
  assert.match(secret.html, / mine"/);

  const self = ChatLines.renderLine(line({ id: -1, towho: 'ann', secret: 1 }), 'ann');
  assert.equal(self.kind, 'self');
  assert.equal(self.pane, 'say2');
  assert.match(self.html, /自言自语：/);
});

test('actions and notices show the sender where "##" stands', () => {
  const wave = ChatLines.renderLine(line({ act: -1, mess: '##向大家挥手：“大家好！”<font color=990099>[/hi]</font>' }), '');
  assert.equal(wave.kind, 'action');
  assert.ok(!wave.html.includes('##'));
  assert.match(wave.html, /<a class="nm" data-name="ann">ann<\/a>向大家挥手/);
  assert.doesNotMatch(wave.html, /\(对/);

  const atBob = ChatLines.renderLine(line({ act: -1, towho: 'bob', mess: '##指着对方哈哈大笑。' }), '');
  assert.match(atBob.html, /\(对<a class="nm" data-name="bob">bob<\/a>\)/);

  // Several markers: each one is the sender.
  const twice = ChatLines.renderLine(line({ act: -1, mess: '##看了看##' }), '');
  assert.equal(twice.html.split('data-name="ann"').length - 1, 2);
});

test('an entry notice shows its words and adds the visitor to the list', () => {
  const entry = ChatLines.renderLine(line({
    act: -3, who: 'tom', towho: '大厅', c1: '990000',
    mess: "<small>girl</small>##兴高采烈地走进了聊天室，大家欢迎！<script>parent.addl('tom',1,'1010','')</script>"
  }), 'ann');
  assert.equal(entry.kind, 'notice');
  assert.equal(entry.pane, 'say1');
  assert.deepEqual(entry.calls, [{ name: 'addl', args: ['tom', 1, '1010', ''] }]);
  assert.match(entry.html, /<small>girl<\/small><a class="nm" data-name="tom">tom<\/a>兴高采烈/);
  assert.doesNotMatch(entry.html, /script|addl/);

  const leave = ChatLines.renderLine(line({
    act: -3, who: 'tom', mess: "##离开了房间。<script>parent.dell('tom')</script>"
  }), 'ann');
  assert.deepEqual(leave.calls, [{ name: 'dell', args: ['tom'] }]);
});

test('a title line announces the title and calls chftitle', () => {
  const title = '文明聊天<font style=color:990099>(tom,10:00:00)</font>';
  const r = ChatLines.renderLine(line({
    act: -5, who: 'tom', mess: "<script>parent.chftitle('" + title + "')</script>"
  }), 'ann');
  assert.equal(r.kind, 'title');
  assert.deepEqual(r.calls, [{ name: 'chftitle', args: [title] }]);
  assert.match(r.html, /把话题改为：<span class="msg">文明聊天<font style=color:990099>\(tom,10:00:00\)<\/font><\/span>/);
});

test('login notices: the call page opens, the links keep only known handlers', () => {
  const mess = "<script>window.open('getcall.asp','','width=550,height=300,scrollbars=1');</script>" +
    "【系统】ann向你发出好友申请，你是[<a href='agreefriend.asp?ID=3&answer=yes' " +
    "onclick='parent.input.document.forms[0].saystemp.focus()' target=newsay>同意</a>]<br>";
  const r = ChatLines.renderLine(line({ act: -5, who: 'bob', towho: '', secret: 1, mess }), 'bob');
  assert.equal(r.pane, 'say2');
  assert.deepEqual(r.calls, [{ name: 'window.open', args: ['getcall.asp', '', 'width=550,height=300,scrollbars=1'] }]);
  assert.match(r.html, /同意<\/a>/);
  assert.deepEqual(ChatLines.inlineCalls('parent.input.document.forms[0].saystemp.focus()'),
    [{ name: 'focusinput', args: [] }]);
  assert.deepEqual(ChatLines.inlineCalls("javascript:parent.chuser('ann')"), [{ name: 'chuser', args: ['ann'] }]);
  assert.deepEqual(ChatLines.inlineCalls('parent.listflag=0'), [{ name: 'listflag', args: [0] }]);
  assert.equal(ChatLines.inlineCalls('alert(document.cookie)'), null);
  assert.equal(ChatLines.inlineCalls("parent.addl('x',1,'1','')"), null);
});

test('fragments run only known calls with literal arguments, by line kind', () => {
  const notice = (mess) => ChatLines.renderLine(line({ act: -3, mess }), '').calls;
  assert.deepEqual(notice("<script>parent.addl('x',1,'1','');alert(1)</script>"), []);
  assert.deepEqual(notice('<script>parent.addl(alert(1))</script>'), []);
  assert.deepEqual(notice("<script>parent.addl('x'+document.cookie)</script>"), []);
  assert.deepEqual(notice("<script>parent.chftitle('x')</script>"), []);          // not a notice's call
  assert.deepEqual(notice("<SCRIPT language=javascript>top.dell(\"x\")</SCRIPT>"), [{ name: 'dell', args: ['x'] }]);
  // A trusted poster's HTML line may carry a fragment; an ordinary line runs nothing.
  const talk = ChatLines.renderLine(line({ mess: "hi<script>parent.dell('ann')</script>" }), '');
  assert.deepEqual(talk.calls, []);
  assert.doesNotMatch(talk.html, /script|dell/);
  // Only this site's pages open.
  const opens = (url) => ChatLines.renderLine(line({ act: -5, mess: "<script>window.open('" + url + "')</script>" }), '').calls.length;
  assert.equal(opens('getcall.asp'), 1);
  assert.equal(opens('http://elsewhere.example/x.asp'), 0);
  assert.equal(opens('javascript:alert(1)'), 0);
  // Escapes inside literals, and an unclosed fragment is not shown.
  assert.deepEqual(ChatLines.parseStatements("parent.dell('o\\'k', \"a\\\\b\")"),
    [{ path: 'parent.dell', args: ["o'k", 'a\\b'], assign: false }]);
  assert.equal(ChatLines.extractScripts('hi<script>parent.dell(').html, 'hi');
});

test('colours and links from lines', () => {
  assert.equal(ChatLines.safeColor('990000'), '#990000');
  assert.equal(ChatLines.safeColor('#FFF'), '#FFF');
  assert.equal(ChatLines.safeColor('Red'), 'red');
  assert.equal(ChatLines.safeColor('red;background:url(x)'), '');
  assert.equal(ChatLines.safeColor(''), '');
  assert.ok(ChatLines.safeUrl('guest.asp'));
  assert.ok(ChatLines.safeUrl('https://example.com/'));
  assert.ok(!ChatLines.safeUrl(' java\tscript:alert(1)'));
  assert.ok(!ChatLines.safeUrl('data:text/html,x'));
  // Titles carry bare hex colours in their style; other text stays as it is.
  assert.equal(ChatLines.withHashColors('color:990099'), 'color:#990099');
  assert.equal(ChatLines.withHashColors('font-size:9pt; background-color: FFF'), 'font-size:9pt; background-color: #FFF');
  assert.equal(ChatLines.withHashColors('color:#990099;width:990099'), 'color:#990099;width:990099');
  // Images and backgrounds may not load this site's pages (they change things).
  const own = ['say.asp?says=x', 'close.asp', '/agreefriend.asp?ID=3', 'http://chat.example/x.asp', '//chat.example/say.asp'];
  const other = ['face.gif', 'http://elsewhere.example/x.asp', 'aspx.gif'];
  assert.deepEqual(own.concat(other).filter((u) => ChatLines.isOwnPage(u, 'chat.example')), own);
  // The window name the chat page demands.
  assert.equal(ChatLines.chatWindowName("if (window.name!='tavo\\'lin') {top.location.href='close.asp';}"), "tavo'lin");
  assert.equal(ChatLines.chatWindowName('var x=1;'), null);
  // The frameset's colour menus: the visitor's own first, then "自定:" and the list.
  assert.deepEqual(ChatLines.colorList('undefined undefined 自定:#336699 #D6E4F2 bad!'), ['#336699', '#D6E4F2']);
});

test('the user list: entries replace, leave and render with their marks', () => {
  let list = ['tom 0 1010 ', 'ann 1 1010 '];
  list = ChatLines.withUser(list, 'bob', 0, '1010', '');
  assert.deepEqual(list, ['ann 1 1010 ', 'bob 0 1010 ', 'tom 0 1010 ']);
  list = ChatLines.withUser(list, 'tom', 1, '1020', 'x');  // entering again replaces
  assert.deepEqual(list, ['ann 1 1010 ', 'bob 0 1010 ', 'tom 1 1020 x']);
  list = ChatLines.withoutUser(list, 'bob');
  assert.deepEqual(list, ['ann 1 1010 ', 'tom 1 1020 x']);

  const html = ChatLines.renderUserList(['ann 1 1010 ', 'tom 0 1010 ', 'x<b> 0 1 '], {
    myname: 'tom', robot: '小精灵', owner: 'ann', guests: ' tom', friends: 'ann', towho: 'ann', count: 9
  });
  assert.match(html, /本室3人，在线<span class="online">9<\/span>人/);
  assert.match(html, /<a class="u all" data-name="大家">大家<\/a>/);
  assert.match(html, /data-name="小精灵">小精灵<span class="mark">\[精灵\]/);
  assert.match(html, /<a class="u friend sel" data-name="ann"><span class="sex s1">♀<\/span>ann<span class="mark">\[主\]<\/span><span class="mark">\[友\]/);
  assert.match(html, /<a class="u me" data-name="tom"><span class="sex s0">♂<\/span>tom<span class="mark">\[宾\]/);
  assert.match(html, /x&lt;b&gt;/);
});
