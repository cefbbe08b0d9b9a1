'use strict';
// The pure half of newchat.js: reading addsay()'s arguments, rendering each
// kind of line and picking the script calls a line may make.

const test = require('node:test');
const assert = require('node:assert/strict');
const ChatLines = require('../newchat.js');

// A line as addsay() receives it: the say text's fields after the browser
// has read the single-quoted script string (so "<\script>" is "<script>").
const line = (fields) => Object.assign(
  { id: 7, mess: 'hi', who: 'ann', towho: '大家', secret: 0, c1: '', c2: '', act: 0, time: '10:00:01' }, fields);
const render = (fields, me = '') => ChatLines.renderLine(line(fields), me);

test('addsay arguments: nine values a line, then the closing empty string', () => {
  assert.deepEqual(ChatLines.parseSays([
    41, 'hi', 'ann', 'bob', 0, 'c1', 'c2', 0, '10:00:01',
    42, 'yes', 'bob', 'ann', 1, 'c1', 'c2', 0, '10:00:09', '']), [
    { id: 41, mess: 'hi', who: 'ann', towho: 'bob', secret: 0, c1: 'c1', c2: 'c2', act: 0, time: '10:00:01' },
    { id: 42, mess: 'yes', who: 'bob', towho: 'ann', secret: 1, c1: 'c1', c2: 'c2', act: 0, time: '10:00:09' }]);
  // Nothing; a line for the poster alone (no closing string); an incomplete group.
  const ids = (args) => ChatLines.parseSays(args).map((l) => [l.id, l.act]);
  assert.deepEqual([[''], [-1, '【系统】发言为空！', '', 'ann', 0, '990066', '', -2, '10:00:02'], [5, 'a', 'b']].map(ids),
    [[], [[-1, -2]], []]);
});

test('lines already shown are dropped, lines for the poster alone always pass', () => {
  const first = ChatLines.newLines([40, 41, -1, 42].map((id) => line({ id })), 40);
  const again = ChatLines.newLines([42, 43].map((id) => line({ id })), first.shownMax);
  assert.deepEqual([first.lines.map((l) => l.id), first.shownMax, again.lines.map((l) => l.id)], [[41, -1, 42], 42, [43]]);
});

test('each kind of line: its pane and what it shows', () => {
  const rows = [
    // fields, viewer, kind/pane, patterns the html must match, and must not
    [{ mess: '你好', c1: '990000', act: 2 }, 'bob', 'public/say1',
      [/data-name="ann">ann<\/a> 对大家大声说：/, /style="color:#990000">你好</, /\(10:00:01\)/]],
    [{ towho: 'bob', act: 99 }, 'bob', 'public/say1',  // unknown act: plain "说"
      [/对 <a class="nm" data-name="bob">bob<\/a> 说：/, /class="line k-public tome"/]],
    [{ towho: 'bob', secret: 1 }, 'ann', 'private/say2', [/\[悄悄话\]/, / mine"/]],
    [{ id: -1, towho: 'ann', secret: 1 }, 'ann', 'self/say2', [/自言自语：/]],
    // Actions and notices show the sender where "##" stands, each time.
    [{ act: -1, mess: '##向大家挥手：“大家好！”<font color=990099>[/hi]</font>' }, '', 'action/say1',
      [/<a class="nm" data-name="ann">ann<\/a>向大家挥手/], [/##/, /\(对/]],
    [{ act: -1, towho: 'bob', mess: '##指着对方哈哈大笑。' }, '', 'action/say1', [/\(对<a class="nm" data-name="bob">bob<\/a>\)/]],
    [{ act: -1, mess: '##看了看##' }, '', 'action/say1', [/data-name="ann">ann<\/a>看了看<a class="nm" data-name="ann">/]],
    // A trusted poster's HTML line may carry a fragment; an ordinary line shows and runs none.
    [{ mess: "hi<script>parent.dell('ann')</script>" }, '', 'public/say1', [], [/script|dell/]],
  ];
  for (const [fields, me, where, has, hasNot = []] of rows) {
    const r = render(fields, me);
    assert.equal(`${r.kind}/${r.pane}`, where, r.html);
    for (const re of has) assert.match(r.html, re);
    for (const re of hasNot) assert.doesNotMatch(r.html, re);
    if (!fields.act) assert.deepEqual(r.calls, []);
  }
});

test('notices and titles show their words and run their own calls alone', () => {
  const entry = render({ act: -3, who: 'tom', towho: '大厅', c1: '990000',
    mess: "<small>girl</small>##兴高采烈地走进了聊天室，大家欢迎！<script>parent.addl('tom',1,'1010','')</script>" }, 'ann');
  assert.deepEqual([entry.kind, entry.pane, entry.calls], ['notice', 'say1', [{ name: 'addl', args: ['tom', 1, '1010', ''] }]]);
  assert.match(entry.html, /<small>girl<\/small><a class="nm" data-name="tom">tom<\/a>兴高采烈/);
  assert.doesNotMatch(entry.html, /script|addl/);
  assert.deepEqual(render({ act: -3, who: 'tom', mess: "##离开了房间。<script>parent.dell('tom')</script>" }).calls,
    [{ name: 'dell', args: ['tom'] }]);

  const title = '文明聊天<font style=color:990099>(tom,10:00:00)</font>';
  const r = render({ act: -5, who: 'tom', mess: "<script>parent.chftitle('" + title + "')</script>" }, 'ann');
  assert.deepEqual([r.kind, r.calls], ['title', [{ name: 'chftitle', args: [title] }]]);
  assert.match(r.html, /把话题改为：<span class="msg">文明聊天<font style=color:990099>\(tom,10:00:00\)<\/font><\/span>/);
});

test('login notices: the call page opens, the links keep only known handlers', () => {
  const mess = "<script>window.open('getcall.asp','','width=550,height=300,scrollbars=1');</script>" +
    "【系统】ann向你发出好友申请，你是[<a href='agreefriend.asp?ID=3&answer=yes' " +
    "onclick='parent.input.document.forms[0].saystemp.focus()' target=newsay>同意</a>]<br>";
  const r = render({ act: -5, who: 'bob', towho: '', secret: 1, mess }, 'bob');
  assert.deepEqual([r.pane, r.calls], ['say2', [{ name: 'window.open', args: ['getcall.asp', '', 'width=550,height=300,scrollbars=1'] }]]);
  assert.match(r.html, /同意<\/a>/);
  assert.deepEqual(['parent.input.document.forms[0].saystemp.focus()', "javascript:parent.chuser('ann')", 'parent.listflag=0',
    'alert(document.cookie)', "parent.addl('x',1,'1','')"].map(ChatLines.inlineCalls),
  [[{ name: 'focusinput', args: [] }], [{ name: 'chuser', args: ['ann'] }], [{ name: 'listflag', args: [0] }], null, null]);
});

test('fragments run only known calls with literal arguments, by line kind', () => {
  const notice = (mess) => render({ act: -3, mess }).calls;
  assert.deepEqual(["<script>parent.addl('x',1,'1','');alert(1)</script>", '<script>parent.addl(alert(1))</script>',
    "<script>parent.addl('x'+document.cookie)</script>", "<script>parent.chftitle('x')</script>",  // not a notice's call
    "<SCRIPT language=javascript>top.dell(\"x\")</SCRIPT>"].map(notice), [[], [], [], [], [{ name: 'dell', args: ['x'] }]]);
  // Only this site's pages open.
  const opens = (url) => render({ act: -5, mess: "<script>window.open('" + url + "')</script>" }).calls.length;
  assert.deepEqual(['getcall.asp', 'http://elsewhere.example/x.asp', 'javascript:alert(1)'].map(opens), [1, 0, 0]);
  // Escapes inside literals, and an unclosed fragment is not shown.
  assert.deepEqual(ChatLines.parseStatements("parent.dell('o\\'k', \"a\\\\b\")"),
    [{ path: 'parent.dell', args: ["o'k", 'a\\b'], assign: false }]);
  assert.equal(ChatLines.extractScripts('hi<script>parent.dell(').html, 'hi');
});

test('colours, links and styles from lines', () => {
  assert.deepEqual(['990000', '#FFF', 'Red', 'red;background:url(x)', ''].map(ChatLines.safeColor), ['#990000', '#FFF', 'red', '', '']);
  // Addresses in line HTML: outside http(s) links and mail stay; of this site only images stay,
  // since loading or following any of its pages acts for the viewer.
  const kept = ['https://example.com/', 'http://elsewhere.example/x.asp?a=1', 'mailto:ann@example.com', 'face.gif',
    '/img/a.JPG', 'http://chat.example/b.png', 'c.jpeg#top', 'aspx.webp'];
  const dropped = ['close.asp', 'say.asp?says=x', '/agreefriend.asp?ID=3', 'http://chat.example/x.asp', 'HTTP://CHAT.EXAMPLE/X.ASP',
    '//chat.example/say.asp', 'https://chat.example:8443/close.asp', 'http://chat.example./close.asp', 'http://u@chat.example/close.asp',
    'close', '/', '', 'changeroom.asp?toroom=2', 'a.gif?x=1', 'a.gif/../close.asp', '%2e%2e/close.asp',
    'img/%2e%2e/close.asp', 'x.gif%3f/../../close.asp', '\\\\chat.example\\close.asp', '/\\chat.example/close.asp', 'http:close.asp',
    ' java\tscript:alert(1)', 'data:image/png;base64,AA', 'vbscript:x', 'close.asp;.gif', 'close.asp%00.gif', 'pic.svg', 'x.asp#.gif'];
  const keeps = (u) => ChatLines.keepsAddress(u, 'http://chat.example/chat.asp');
  assert.deepEqual([kept.filter((u) => !keeps(u)), dropped.filter(keeps)], [[], []]);
  // Static pages and those of the server's own notices stay as links, never as anything that loads by itself.
  const notices = ['help.htm', 'rules.html', 'guest.asp', '/userset.asp', 'agreefriend.asp?ID=12&answer=no'];
  const asLink = (u) => ChatLines.keepsAddress(u, 'http://chat.example/chat.asp', 'HREF');
  assert.deepEqual([notices.map(asLink), notices.map(keeps), dropped.filter(asLink)], [notices.map(() => true), notices.map(() => false), []]);
  // A friend answer link is posted by the client: its request number and answer, from this site only.
  const answers = ['agreefriend.asp?ID=12&answer=no', '/AgreeFriend.asp?ID=3&answer=yes', 'http://elsewhere.example/agreefriend.asp?ID=3&answer=yes',
    'agreefriend.asp?ID=3&answer=yes&x=1', 'agreefriend.asp?ID=x&answer=yes', 'guest.asp?ID=3&answer=yes'];
  assert.deepEqual(answers.map((u) => ChatLines.friendAnswer(u, 'http://chat.example/chat.asp')),
    [{ ID: '12', answer: 'no' }, { ID: '3', answer: 'yes' }, null, null, null, null]);
  // Styles: bare hex colours get their "#"; anything that loads or runs drops the whole style, however written.
  const styles = [
    ['color:990099', 'color:#990099'], ['font-size:9pt; background-color: FFF', 'font-size:9pt; background-color: #FFF'],
    ['color:#990099;width:990099', 'color:#990099;width:990099'], ['color:#f00; font-weight:bold', 'color:#f00; font-weight:bold'],
    ['font-family:"a\\\\b"', 'font-family:"a\\\\b"'],
    ['background:url(close.asp)', null], ['background:u\\72l(close.asp)', null], ['background:u\\000072l(close.asp)', null],
    ['background:\\75\\72\\6c(close.asp)', null], ['background:\\75 \\72 \\6C (x)', null], ['background:u/**/rl(x)', null],
    ['background:U\\RL(x)', null], ['background:IMAGE-SET("x.asp" 1x)', null], ['background:-webkit-image-set(\'x\' 1x)', null],
    ['background:image\\2d set("x" 1x)', null], ['@\\69mport "x"', null], ['width:expr\\65ssion(alert(1))', null],
    ['width:EXPRE/**/SSION(alert(1))', null], ['background:java\\73 cript:x', null], ['behavior:\\75rl(x.htc)', null],
    ['font-family:"/*";background:u/**/rl(x);x:"*/"', null], ['font-family:"\\22/*";background:url(x)', null],
    ['background:src("close.asp")', null], ['background:url\\\n(x)', null]];
  assert.deepEqual(styles.map(([s]) => ChatLines.cleanStyle(s)), styles.map(([, want]) => want));
  // The window name the chat page demands; the frameset's colour menus.
  assert.deepEqual(["if (window.name!='tavo\\'lin') {top.location.href='close.asp';}", 'var x=1;'].map(ChatLines.chatWindowName), ["tavo'lin", null]);
  assert.deepEqual(ChatLines.colorList('undefined undefined 自定:#336699 #D6E4F2 bad!'), ['#336699', '#D6E4F2']);
});

test('the user list: entries replace, leave and render with their marks', () => {
  let list = ChatLines.withUser(['tom 0 1010 ', 'ann 1 1010 '], 'bob', 0, '1010', '');
  assert.deepEqual(list, ['ann 1 1010 ', 'bob 0 1010 ', 'tom 0 1010 ']);
  list = ChatLines.withUser(list, 'tom', 1, '1020', 'x');  // entering again replaces
  assert.deepEqual(ChatLines.withoutUser(list, 'bob'), ['ann 1 1010 ', 'tom 1 1020 x']);

  const html = ChatLines.renderUserList(['ann 1 1010 ', 'tom 0 1010 ', 'x<b> 0 1 '], {
    myname: 'tom', robot: '小精灵', owner: 'ann', guests: ' tom', friends: 'ann', towho: 'ann', count: 9
  });
  for (const re of [/本室3人，在线<span class="online">9<\/span>人/, /<a class="u all" data-name="大家">大家<\/a>/,
    /data-name="小精灵">小精灵<span class="mark">\[精灵\]/,
    /<a class="u friend sel" data-name="ann"><span class="sex s1">♀<\/span>ann<span class="mark">\[主\]<\/span><span class="mark">\[友\]/,
    /<a class="u me" data-name="tom"><span class="sex s0">♂<\/span>tom<span class="mark">\[宾\]/, /x&lt;b&gt;/]) assert.match(html, re);
});
