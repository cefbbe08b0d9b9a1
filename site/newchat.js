/*
 * newchat.js: the browser side of the chat window.
 *
 * The chat page (chat.asp) is a frameset whose head script defines the
 * visitor's and the room's settings, addnews(), refcheck() and inittitle().
 * This file defines everything else the server's answers call through
 * `parent.`: addsay() renders delivered lines into the two say frames,
 * ref() keeps the newest say id, showlist()/addl()/dell() keep the user
 * list, chftitle()/chttitle() the title frame, refresh() restarts polling.
 *
 * It has two halves:
 *  - ChatLines: pure functions (no DOM, no globals) that parse addsay()'s
 *    argument list, render a line to HTML by its kind and pick the script
 *    calls a line carries. Node's tests load this half through `module`.
 *  - the browser half: frames, the user list, the timer. It only starts in
 *    a browser window (when `module` is not defined).
 *
 * Lines carry "<script>...</script>" fragments (entry and leave notices call
 * parent.addl/parent.dell, title lines parent.chftitle, login notices open
 * getcall.asp). These fragments are never evaluated: each is parsed as a
 * list of plain calls with literal arguments, and only the calls that the
 * line's kind may make are run, by calling the named function directly.
 * Line HTML is cleaned in an inert document before it reaches a say frame.
 *
 * Plain ES5, no libraries.
 */

var ChatLines = (function () {
  'use strict';

  var EVERYBODY = '大家';

  // Line kinds by act value.
  var ACT_ACTION = -1;
  var ACT_SYSTEM = -2;
  var ACT_NOTICE = -3;
  var ACT_TITLE = -5;

  // What an ordinary line's act number (the "addsays" choice) says about
  // the way it is spoken. input.htm builds its select from this list.
  var VERBS = ['说', '微笑着说', '大声说', '轻声说', '笑嘻嘻地说', '认真地说',
    '生气地说', '委屈地说', '得意地说', '温柔地说', '唱道', '问'];

  // Calls a fragment inside a line may make, by line kind. Entry and leave
  // notices change the user list; title lines and login notices change the
  // title or open the call page. Any other line runs nothing.
  var SCRIPT_CALLS = {
    notice: ['addl', 'dell'],
    title: ['chftitle', 'chttitle', 'window.open']
  };
  // What an onclick handler inside line HTML may do (login notices carry
  // such handlers: pick a friend as addressee, focus the input, keep the
  // list frame for a page loaded into it).
  var INLINE_CALLS = ['chuser', 'focusinput', 'listflag'];

  // Every call the client knows, by the path written in the fragment with
  // its "parent."/"top."/"self." prefixes removed.
  var KNOWN = {
    'addl': { name: 'addl', min: 1, max: 4 },
    'dell': { name: 'dell', min: 1, max: 1 },
    'chftitle': { name: 'chftitle', min: 1, max: 1 },
    'chttitle': { name: 'chttitle', min: 1, max: 1 },
    'chuser': { name: 'chuser', min: 1, max: 1 },
    'window.open': { name: 'window.open', min: 1, max: 3, pageFirst: true },
    'input.document.forms[0].saystemp.focus': { name: 'focusinput', min: 0, max: 0 },
    'listflag': { name: 'listflag', assign: true }
  };

  function escapeHtml(text) {
    return String(text === undefined || text === null ? '' : text)
      .replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
      .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
  }

  function toInt(value) {
    var n = parseInt(value, 10);
    return isNaN(n) ? 0 : n;
  }

  function text(value) {
    return value === undefined || value === null ? '' : String(value);
  }

  /*
   * addsay()'s arguments: nine values a line (say id, mess, who, ToWho,
   * secret, c1, c2, act, time), then one closing empty string. Lines sent to
   * the poster alone come without the closing string. A trailing incomplete
   * group is ignored.
   */
  function parseSays(args) {
    var list = Array.prototype.slice.call(args || []);
    var lines = [];
    for (var i = 0; i + 9 <= list.length; i += 9) {
      lines.push({
        id: toInt(list[i]),
        mess: text(list[i + 1]),
        who: text(list[i + 2]),
        towho: text(list[i + 3]),
        secret: toInt(list[i + 4]),
        c1: text(list[i + 5]),
        c2: text(list[i + 6]),
        act: toInt(list[i + 7]),
        time: text(list[i + 8])
      });
    }
    return lines;
  }

  // Drops lines already shown (a poll and a post answer can overlap); lines
  // with say id -1 were never stored and always pass.
  function newLines(lines, shownMax) {
    var fresh = [];
    var max = shownMax;
    for (var i = 0; i < lines.length; i++) {
      var id = lines[i].id;
      if (id > 0) {
        if (id <= max) continue;
        max = id;
      }
      fresh.push(lines[i]);
    }
    return { lines: fresh, shownMax: max };
  }

  function kindOf(line) {
    if (line.act === ACT_SYSTEM) return 'system';
    if (line.act === ACT_NOTICE) return 'notice';
    if (line.act === ACT_TITLE) return 'title';
    if (line.act === ACT_ACTION) return 'action';
    if (line.act < 0) return 'system';
    if (line.who !== '' && line.who === line.towho) return 'self';
    if (line.secret !== 0) return 'private';
    return 'public';
  }

  // A colour the lines may use: hex digits with or without "#", or a
  // colour word. Anything else gives no colour.
  function safeColor(value) {
    var c = text(value).replace(/^\s+|\s+$/g, '');
    if (/^#?([0-9a-fA-F]{3}|[0-9a-fA-F]{6})$/.test(c)) return c.charAt(0) === '#' ? c : '#' + c;
    if (/^[a-zA-Z]{3,20}$/.test(c)) return c.toLowerCase();
    return '';
  }

  // A style attribute with its bare hex colours given their "#" (titles carry
  // "color:990099", which no browser reads as a colour otherwise).
  function withHashColors(style) {
    return text(style).replace(/(^|[;\s])((?:background-)?color\s*:\s*)([0-9a-fA-F]{6}|[0-9a-fA-F]{3})(?=\s*(;|$))/g,
      '$1$2#$3');
  }

  // What a style must not hold once it is read as a browser reads it:
  // anything that loads an address or runs script.
  var STYLE_DANGER = /url\(|src\(|image-set\(|@import|expression|javascript:|behavior|binding/;

  // A character a style escape stands for; those beyond the first plane
  // spell no keyword and stand in as U+FFFD, as do invalid ones.
  function escapedChar(code) {
    return code === 0 || code > 0xffff || (code >= 0xd800 && code <= 0xdfff) ? '\ufffd' : String.fromCharCode(code);
  }

  // A style's text with its escapes decoded and its comments gone, strings
  // kept (a "/*" inside one opens no comment, an escaped quote closes none).
  function styleAsRead(style) {
    var s = style.replace(/\r\n?|\f/g, '\n');
    var out = '';
    var quote = '';
    for (var i = 0; i < s.length; i++) {
      var c = s.charAt(i);
      if (c === '\\') {
        var hex = /^[0-9a-fA-F]{1,6}[ \t\n]?/.exec(s.slice(i + 1, i + 8));
        if (hex) {
          out += escapedChar(parseInt(hex[0], 16));
          i += hex[0].length;
        } else {
          i++;
          if (i < s.length && s.charAt(i) !== '\n') out += s.charAt(i);  // a backslash-newline joins
        }
      } else if (quote) {
        if (c === quote || c === '\n') quote = '';
        out += c;
      } else if (c === '/' && s.charAt(i + 1) === '*') {
        var end = s.indexOf('*/', i + 2);
        i = end < 0 ? s.length : end + 1;
      } else {
        if (c === '"' || c === "'") quote = c;
        out += c;
      }
    }
    return out;
  }

  // A style attribute from a line as it may stay (bare hex colours given
  // their "#"), or null when it must go whole. Blanks are ignored in the test
  // so that no spelling slips between the keyword and its bracket.
  function cleanStyle(value) {
    var style = text(value);
    var read = styleAsRead(style).replace(/\s+/g, '').toLowerCase();
    return STYLE_DANGER.test(read) ? null : withHashColors(style);
  }

  // Images of this site by a plain path; svg is left out, it can carry script.
  var OWN_IMAGE = /^[\/A-Za-z0-9_.-]*\.(gif|jpe?g|png|webp|bmp|ico)$/i;

  // The site's pages a link may lead to: its static pages (the news links
  // to help and rules) and those the server's own notices link to (the
  // guestbook, the settings, the answers to a friend request). Following one
  // takes the viewer's click; nothing loads them by itself.
  var LINKED_PAGE = /^[\/A-Za-z0-9_.-]*(\/(guest|userset)\.asp|\.html?)$/i;
  var FRIEND_ANSWER = /\/agreefriend\.asp$/i;
  var FRIEND_ANSWER_QUERY = /^\?ID=(\d+)&answer=(yes|no)$/;

  function siteHost(url) {
    return url.hostname.toLowerCase().replace(/\.+$/, '');
  }

  /*
   * Whether an address in line HTML (a link, an image, a background) may
   * stay, read against the page's own address the way the browser reads it:
   * mail and http(s) addresses elsewhere stay; of this site (any scheme or
   * port of its host, whose cookies go along) only images without a query,
   * because loading or following any of its pages acts for the viewer; a
   * link (`href`) may also lead to the pages of the server's notices.
   */
  function keepsAddress(value, pageUrl, attribute) {
    var url;
    try {
      url = new URL(text(value), pageUrl);
    } catch (e) {
      return false;
    }
    if (url.protocol === 'mailto:') return true;
    if (url.protocol !== 'http:' && url.protocol !== 'https:') return false;
    if (siteHost(url) !== siteHost(new URL(pageUrl))) return true;
    if (url.search === '' && OWN_IMAGE.test(url.pathname)) return true;
    if (text(attribute).toLowerCase() !== 'href') return false;
    return (url.search === '' && LINKED_PAGE.test(url.pathname)) || friendAnswer(url.href, pageUrl) !== null;
  }

  /*
   * The answer a link of a friend-request notice gives ({ ID, answer }), or
   * null for any other address. The server takes the answer only as a posted
   * form with the visit's token; the link shows the request and its buttons.
   */
  function friendAnswer(address, pageUrl) {
    var url;
    try {
      url = new URL(text(address), pageUrl);
    } catch (e) {
      return null;
    }
    if (url.origin !== new URL(pageUrl).origin || !FRIEND_ANSWER.test(url.pathname)) return null;
    var parts = FRIEND_ANSWER_QUERY.exec(url.search);
    return parts ? { ID: parts[1], answer: parts[2] } : null;
  }

  // The window name the chat page's head script demands ("window.name!='...'"),
  // or null when it demands none.
  function chatWindowName(headScript) {
    var m = /window\.name\s*!=\s*'((?:[^'\\]|\\.)*)'/.exec(text(headScript));
    return m ? m[1].replace(/\\(.)/g, '$1') : null;
  }

  // Whom a line may be addressed to: everybody, the room's robot or a name
  // in the user list; anything else (a name planted in line HTML) is refused.
  function canAddress(name, list, robot) {
    var n = text(name);
    if (n === EVERYBODY || (n !== '' && n === text(robot))) return true;
    for (var i = 0; i < list.length; i++) if (n !== '' && userName(list[i]) === n) return true;
    return false;
  }

  // Splits the "<script>...</script>" fragments out of a line's HTML.
  function extractScripts(mess) {
    var scripts = [];
    var html = text(mess).replace(/<script\b[^>]*>([\s\S]*?)<\/script\s*>/gi, function (all, body) {
      scripts.push(body);
      return '';
    });
    var open = html.search(/<script\b/i);
    if (open >= 0) html = html.slice(0, open);  // an unclosed fragment is dropped whole
    return { html: html, scripts: scripts };
  }

  /*
   * Parses script text made of plain statements: `path(literal, ...)` or
   * `path = literal`, separated by ";" (an optional "javascript:" in front).
   * Literals are quoted strings and numbers. Returns a list of
   * { path, args, assign } or null when the text holds anything else.
   */
  function parseStatements(code) {
    var s = text(code);
    var i = 0;
    var n = s.length;
    var FAIL = {};

    function spaces() {
      while (i < n && /\s/.test(s.charAt(i))) i++;
    }
    function identifier() {
      var m = /^[A-Za-z_$][A-Za-z0-9_$]*/.exec(s.slice(i));
      if (!m) return null;
      i += m[0].length;
      return m[0];
    }
    function quoted(quote) {
      var out = '';
      i++;
      while (i < n) {
        var c = s.charAt(i++);
        if (c === quote) return out;
        if (c === '\n' || c === '\r') return FAIL;
        if (c !== '\\') {
          out += c;
          continue;
        }
        if (i >= n) return FAIL;
        var e = s.charAt(i++);
        if (e === 'n') out += '\n';
        else if (e === 'r') out += '\r';
        else if (e === 't') out += '\t';
        else if (e === 'u' && /^[0-9a-fA-F]{4}/.test(s.substr(i, 4))) {
          out += String.fromCharCode(parseInt(s.substr(i, 4), 16));
          i += 4;
        } else if (e === 'x' && /^[0-9a-fA-F]{2}/.test(s.substr(i, 2))) {
          out += String.fromCharCode(parseInt(s.substr(i, 2), 16));
          i += 2;
        } else out += e;
      }
      return FAIL;
    }
    function literal() {
      spaces();
      var c = s.charAt(i);
      if (c === '\'' || c === '"') return quoted(c);
      var m = /^-?\d+(\.\d+)?/.exec(s.slice(i));
      if (m) {
        i += m[0].length;
        return Number(m[0]);
      }
      return FAIL;
    }

    var statements = [];
    spaces();
    if (/^javascript:/i.test(s.slice(i))) i += 'javascript:'.length;
    for (;;) {
      while (i < n && /[\s;]/.test(s.charAt(i))) i++;
      if (i >= n) break;
      var path = identifier();
      if (path === null) return null;
      for (;;) {
        if (s.charAt(i) === '.') {
          i++;
          var part = identifier();
          if (part === null) return null;
          path += '.' + part;
        } else if (s.charAt(i) === '[') {
          var index = /^\[\d+\]/.exec(s.slice(i));
          if (!index) return null;
          path += index[0];
          i += index[0].length;
        } else break;
      }
      spaces();
      var args = [];
      var assign = false;
      if (s.charAt(i) === '(') {
        i++;
        spaces();
        if (s.charAt(i) === ')') {
          i++;
        } else {
          for (;;) {
            var value = literal();
            if (value === FAIL) return null;
            args.push(value);
            spaces();
            var sep = s.charAt(i++);
            if (sep === ')') break;
            if (sep !== ',') return null;
          }
        }
      } else if (s.charAt(i) === '=' && s.charAt(i + 1) !== '=') {
        i++;
        var assigned = literal();
        if (assigned === FAIL) return null;
        args.push(assigned);
        assign = true;
      } else {
        return null;
      }
      spaces();
      if (i < n && s.charAt(i) !== ';') return null;
      statements.push({ path: path, args: args, assign: assign });
    }
    return statements;
  }

  function normalPath(path) {
    var p = path;
    while (/^(parent|top|self)\./.test(p)) p = p.replace(/^(parent|top|self)\./, '');
    return p;
  }

  // A page of this site, for the pages the fragments may open.
  function isSitePage(url) {
    return /^[A-Za-z0-9_]+\.(asp|htm)(\?[A-Za-z0-9_=&%.+-]*)?$/.test(text(url));
  }

  /*
   * The calls that script text makes, as { name, args }, when every one of
   * them is among `allowed` and well formed; otherwise null (nothing of it
   * runs).
   */
  function callsIn(code, allowed) {
    var statements = parseStatements(code);
    if (statements === null) return null;
    var calls = [];
    for (var k = 0; k < statements.length; k++) {
      var st = statements[k];
      var known = KNOWN[normalPath(st.path)];
      if (!known || allowed.indexOf(known.name) < 0) return null;
      if (!!known.assign !== st.assign) return null;
      if (!known.assign && (st.args.length < known.min || st.args.length > known.max)) return null;
      if (known.pageFirst && !isSitePage(st.args[0])) return null;
      calls.push({ name: known.name, args: st.args });
    }
    return calls;
  }

  // The action an onclick handler inside line HTML stands for, or null.
  function inlineCalls(code) {
    return callsIn(code, INLINE_CALLS);
  }

  function nameLink(name) {
    return '<a class="nm" data-name="' + escapeHtml(name) + '">' + escapeHtml(name) + '</a>';
  }

  function colored(html, color, cls) {
    return '<span class="' + cls + '"' + (color ? ' style="color:' + color + '"' : '') + '>' +
      html + '</span>';
  }

  function verbOf(act) {
    return act >= 0 && act < VERBS.length ? VERBS[act] : VERBS[0];
  }

  // "##" in actions and notices stands for the sender.
  function withSender(html, who) {
    return html.split('##').join(nameLink(who));
  }

  /*
   * One line as HTML, the say frame it belongs in ("say1" for the room's
   * public talk, "say2" for private lines and system messages) and the calls
   * its fragments may make.
   */
  function renderLine(line, myname) {
    var kind = kindOf(line);
    var parts = extractScripts(line.mess);
    var allowed = SCRIPT_CALLS[kind] || [];
    var calls = [];
    for (var k = 0; k < parts.scripts.length; k++) {
      var found = callsIn(parts.scripts[k], allowed);
      if (found) calls = calls.concat(found);
    }
    var body = parts.html;
    var c1 = safeColor(line.c1);
    var c2 = safeColor(line.c2);
    var toAll = line.towho === EVERYBODY || line.towho === '';
    var content;

    switch (kind) {
      case 'system':
        content = colored(body, c1 || '#990066', 'msg');
        break;
      case 'notice':
        content = colored(withSender(body, line.who), c1, 'msg');
        break;
      case 'title':
        content = '';
        for (var t = 0; t < calls.length; t++) {
          if (calls[t].name === 'chftitle') {
            content += '<span class="tag">【话题】</span>' + nameLink(line.who) +
              ' 把话题改为：' + colored(text(calls[t].args[0]), c1, 'msg');
          }
        }
        if (body !== '') content += colored(body, c1, 'msg');
        break;
      case 'action':
        content = (line.secret !== 0 ? '<span class="tag">[悄悄]</span>' : '') +
          '<span class="tag">[动作]</span>' + colored(withSender(body, line.who), c1, 'msg');
        if (!toAll && line.towho !== line.who) {
          content += ' <span class="to">(对' + nameLink(line.towho) + ')</span>';
        }
        break;
      case 'self':
        content = colored(nameLink(line.who) + ' 自言自语：', c2, 'lead') + colored(body, c1, 'msg');
        break;
      default:  // public and private talk
        content = colored(
          (kind === 'private' ? '<span class="tag">[悄悄话]</span>' : '') + nameLink(line.who) +
            (toAll ? ' 对大家' : ' 对 ' + nameLink(line.towho) + ' ') + verbOf(line.act) + '：',
          c2, 'lead') + colored(body, c1, 'msg');
    }

    var classes = 'line k-' + kind;
    if (line.secret !== 0) classes += ' secret';
    if (myname && line.who === myname) classes += ' mine';
    else if (myname && line.towho === myname) classes += ' tome';
    var html = '<div class="' + classes + '">' + content +
      (line.time !== '' ? ' <span class="tm">(' + escapeHtml(line.time) + ')</span>' : '') + '</div>';
    return {
      kind: kind,
      pane: line.secret !== 0 || kind === 'system' ? 'say2' : 'say1',
      html: html,
      calls: calls
    };
  }

  /*
   * The user list: items "name sex face extra" (extra may be empty), as the
   * say-list start-up writes them and addl() adds them.
   */
  function userItem(name, sex, face, extra) {
    return text(name) + ' ' + text(sex) + ' ' + text(face) + ' ' + text(extra);
  }

  function userName(item) {
    return text(item).split(' ')[0];
  }

  function withoutUser(list, name) {
    var out = [];
    for (var i = 0; i < list.length; i++) {
      if (userName(list[i]) !== name) out.push(text(list[i]));
    }
    return out;
  }

  function withUser(list, name, sex, face, extra) {
    var out = withoutUser(list, text(name));
    out.push(userItem(name, sex, face, extra));
    out.sort();
    return out;
  }

  function hasWord(words, name) {
    return (' ' + text(words) + ' ').indexOf(' ' + name + ' ') >= 0;
  }

  /*
   * The user list frame's HTML. ctx: myname, robot, owner, guests, friends
   * (word lists), towho (the chosen addressee), count (users online).
   */
  function renderUserList(list, ctx) {
    var html = '<div class="ul-head">本室' + list.length + '人，在线<span class="online">' +
      escapeHtml(ctx.count) + '</span>人</div>';
    function entry(name, cls, inner) {
      return '<a class="u' + cls + (name === ctx.towho ? ' sel' : '') + '" data-name="' +
        escapeHtml(name) + '">' + inner + '</a>';
    }
    html += entry(EVERYBODY, ' all', EVERYBODY);
    if (ctx.robot) html += entry(ctx.robot, ' robot', escapeHtml(ctx.robot) + '<span class="mark">[精灵]</span>');
    for (var i = 0; i < list.length; i++) {
      var f = text(list[i]).split(' ');
      var name = f[0];
      if (name === '') continue;
      var sex = f[1] === '1' ? '<span class="sex s1">♀</span>' : '<span class="sex s0">♂</span>';
      var marks = '';
      var cls = '';
      if (name === ctx.myname) cls += ' me';
      if (name === ctx.owner) marks += '<span class="mark">[主]</span>';
      if (hasWord(ctx.guests, name)) marks += '<span class="mark">[宾]</span>';
      if (hasWord(ctx.friends, name)) {
        cls += ' friend';
        marks += '<span class="mark">[友]</span>';
      }
      html += entry(name, cls, sex + escapeHtml(name) + marks);
    }
    return html;
  }

  // Colours offered in a "current 自定:list" text of the frameset head.
  function colorList(value) {
    var t = text(value);
    var at = t.indexOf(':');
    var words = (at >= 0 ? t.slice(at + 1) : t).split(/\s+/);
    var out = [];
    for (var i = 0; i < words.length; i++) {
      var c = safeColor(words[i]);
      if (c) out.push(c);
    }
    return out;
  }

  return {
    EVERYBODY: EVERYBODY,
    VERBS: VERBS,
    escapeHtml: escapeHtml,
    parseSays: parseSays,
    newLines: newLines,
    kindOf: kindOf,
    safeColor: safeColor,
    cleanStyle: cleanStyle,
    keepsAddress: keepsAddress,
    friendAnswer: friendAnswer,
    chatWindowName: chatWindowName,
    canAddress: canAddress,
    extractScripts: extractScripts,
    parseStatements: parseStatements,
    callsIn: callsIn,
    inlineCalls: inlineCalls,
    renderLine: renderLine,
    userName: userName,
    withUser: withUser,
    withoutUser: withoutUser,
    renderUserList: renderUserList,
    colorList: colorList
  };
})();

if (typeof module !== 'undefined' && module.exports) module.exports = ChatLines;

/* ---- Browser half: the names the server's answers use through parent. ---- */

var allusernum = 0;   // users online, set by every poll
var userlist = [];    // the room's users, items "name sex face extra"
var listflag = 1;     // the list frame shows the user list (0 while a page is loaded there)
var newlist = false;  // the user list changed since it was last shown
var listreftime = 0;  // timer steps since the list was last shown
var noreftime = 0;    // timer steps since the last poll answer
var transtimer = 0;   // timer steps since the news last rotated
var i_mms = 0;        // index of the next news link input.htm shows
var mdstr = '<link rel="stylesheet" type="text/css" href="chat.css">';

var ChatClient = (function () {
  var lastSayId = 0;      // newest say id the server reported (ref)
  var shownMax = 0;       // newest say id rendered since the say frames were cleared
  var autoScroll = true;
  var lastPost = new Date().getTime();
  var idleWarned = false;
  var MAX_LINES = 300;    // lines kept per say frame
  var inert = null;
  // Waiting polls: after each answer the poll frame asks again at once with
  // `wait`, and the server holds the answer until there is something new to
  // see. The six-second reload every answer carries stays the fallback: a
  // waiting poll that fails (a proxy that cuts long requests) turns waiting
  // off for a while, and the frame polls every six seconds meanwhile.
  var WAIT_SECONDS = 25;
  var WAIT_OFF_MS = 60000;
  var waitSince = 0;        // when the waiting poll in flight was asked; 0: none
  var answerDoc = null;     // the poll frame's document that last called ref()
  var waitOffUntil = 0;
  var plainTimer = null;    // the next plain poll while waiting is off

  function global(name, fallback) {
    var value = typeof window !== 'undefined' ? window[name] : undefined;
    return value === undefined || value === null ? fallback : value;
  }

  // Frames are found through their elements: the global name `refresh` is
  // the function, so window.refresh is not the frame.
  function frameWindow(name) {
    if (typeof document === 'undefined' || !document.getElementsByName) return null;
    var els = document.getElementsByName(name);
    for (var i = 0; i < els.length; i++) {
      var tag = els[i].tagName.toLowerCase();
      if (tag === 'frame' || tag === 'iframe') return els[i].contentWindow;
    }
    return null;
  }

  function frameDocument(name) {
    var w = frameWindow(name);
    try {
      return w ? w.document : null;
    } catch (e) {
      return null;  // another origin (an error page): leave it alone
    }
  }

  function load(name, url) {
    var w = frameWindow(name);
    if (w) w.location.replace(url);
  }

  // Colours of the window: the visitor's own, else the installation's first.
  function face() {
    var faces = ChatLines.colorList(global('facecolorstr', ''));
    var backs = ChatLines.colorList(global('backgroudcolorstr', ''));
    return {
      bg: ChatLines.safeColor(global('bgcolor', '')) || backs[0] || '#FFFFFF',
      c1: ChatLines.safeColor(global('bc1', '')) || faces[0] || '#336699',
      c2: ChatLines.safeColor(global('bc2', '')) || faces[1] || '#D6E4F2'
    };
  }

  // Gives a frame's page the window's colours (static pages call this on load).
  function dress(doc) {
    if (!doc || !doc.body) return;
    var f = face();
    var role = doc.body.getAttribute('data-role') || '';
    if (role === 'say') {
      doc.body.style.backgroundColor = f.bg;
      doc.body.style.fontSize = Number(global('saysize', 11)) + 'pt';
      doc.body.style.lineHeight = parseInt(global('LHeight', '150'), 10) + '%';
    } else if (role === 'toolbar' || role === 'listtitle') {
      doc.body.style.backgroundColor = f.c1;
    } else {
      doc.body.style.backgroundColor = f.c2;
    }
  }

  // Fills a frame's document in place. A document written with
  // document.open() takes the chat page's address, and a browser that
  // restores the frames' addresses on a reload would load the chat page into
  // the frame, which sends the whole window to the close page.
  function buildPage(doc, role, body) {
    doc.documentElement.innerHTML = '<head>' + mdstr + '</head><body class="' + role +
      '" data-role="' + role + '">' + body + '</body>';
    dress(doc);
  }

  // A frame holding one of this client's generated pages, built anew when
  // the frame shows something else.
  function paneDocument(name, role, boxId) {
    var doc = frameDocument(name);
    if (!doc) return null;
    if (!doc.getElementById(boxId)) {
      buildPage(doc, role, '<div id="' + boxId + '"></div>');
      if (!doc.tavolinClicks) doc.addEventListener('click', onPaneClick, false);
      doc.tavolinClicks = true;
    }
    return doc;
  }

  function sayDocument(name) {
    return paneDocument(name, 'say', 'lines');
  }

  var BANNED = /^(script|style|iframe|frame|frameset|object|embed|applet|link|meta|base|form|input|button|textarea|select|option|svg|math|template|noscript|title|head)$/i;
  var URL_ATTRS = /^(href|src|action|formaction|background|lowsrc|dynsrc|poster|xlink:href|srcdoc|srcset)$/i;

  function cleanAttributes(el) {
    var refused = false;
    for (var i = el.attributes.length - 1; i >= 0; i--) {
      var name = el.attributes[i].name;
      var value = el.attributes[i].value;
      var lower = name.toLowerCase();
      if (lower.slice(0, 2) === 'on') {
        el.removeAttribute(name);
        if (lower === 'onclick' && ChatLines.inlineCalls(value)) el.setAttribute('data-act', value);
      } else if (URL_ATTRS.test(lower)) {
        if (lower === 'srcdoc' || lower === 'srcset' || !ChatLines.keepsAddress(value, location.href, lower)) {
          el.removeAttribute(name);
          refused = true;
        }
      } else if (lower === 'style') {
        var style = ChatLines.cleanStyle(value);
        if (style === null) el.removeAttribute(name);
        else el.setAttribute(name, style);
      } else if (lower === 'data-act' && !ChatLines.inlineCalls(value)) {
        el.removeAttribute(name);
      }
    }
    // A handler that went with a refused page (parent.listflag=0 for a page
    // meant for the list frame) would act on a page that never comes.
    if (refused) el.removeAttribute('data-act');
  }

  function cleanTree(node) {
    var child = node.firstChild;
    while (child) {
      var next = child.nextSibling;
      if (child.nodeType === 1 && !BANNED.test(child.nodeName)) {
        cleanAttributes(child);
        cleanTree(child);
      } else if (child.nodeType !== 3) {
        node.removeChild(child);
      }
      child = next;
    }
  }

  // Puts HTML from the server into `target` after cleaning it in a document
  // that runs no script and loads nothing.
  function setHtml(target, html, append) {
    if (!target) return;
    if (!inert) inert = document.implementation.createHTMLDocument('');
    var holder = inert.createElement('div');
    holder.innerHTML = html;
    cleanTree(holder);
    var doc = target.ownerDocument;
    if (!append) {
      while (target.firstChild) target.removeChild(target.firstChild);
    }
    while (holder.firstChild) {
      target.appendChild(doc.importNode(holder.firstChild, true));
      holder.removeChild(holder.firstChild);
    }
  }

  // Clicks on names (data-name) pick the addressee; data-act runs an
  // allowed handler that a notice carried.
  function onPaneClick(event) {
    var el = event.target;
    while (el && el.getAttribute) {
      // A friend answer link opens the request with its answer buttons in
      // a small window: anybody who may write links could plant one, so
      // the answer takes a click on the server's own page.
      if (el.tagName.toLowerCase() === 'a' && ChatLines.friendAnswer(el.href, location.href)) {
        event.preventDefault();
        window.open(el.href, 'friendanswer', 'width=480,height=260,scrollbars=1');
      }
      var act = el.getAttribute('data-act');
      if (act) {
        runCalls(ChatLines.inlineCalls(act) || []);
        return;
      }
      var name = el.getAttribute('data-name');
      if (name !== null) {
        chuser(name);
        event.preventDefault();
        return;
      }
      el = el.parentNode;
    }
  }

  // The visit's anti-forgery token, which the chat page carries.
  function token() {
    var meta = document.querySelector('meta[name="csrf-token"]');
    return meta ? meta.getAttribute('content') : '';
  }

  // Posts `fields` and the token to `action`, the answer loaded into the
  // frame `target`. The form lives in the input frame: the chat page itself
  // is a frameset, which has no body to hold one.
  function post(target, action, fields) {
    var doc = frameDocument('input');
    if (!doc || !doc.body) return;
    var form = doc.createElement('form');
    form.method = 'post';
    form.action = action;
    form.target = target;
    fields.token = token();
    for (var name in fields) {
      var input = doc.createElement('input');
      input.type = 'hidden';
      input.name = name;
      input.value = fields[name];
      form.appendChild(input);
    }
    doc.body.appendChild(form);
    form.submit();
    doc.body.removeChild(form);
  }

  function inputDocument() {
    return frameDocument('input');
  }

  function focusInput() {
    var doc = inputDocument();
    var box = doc && doc.forms[0] && doc.forms[0].elements.namedItem('saystemp');
    if (box) box.focus();
  }

  function runCalls(calls) {
    for (var i = 0; i < calls.length; i++) {
      var a = calls[i].args;
      try {
        switch (calls[i].name) {
          case 'addl': addl(a[0], a[1], a[2], a[3]); break;
          case 'dell': dell(a[0]); break;
          case 'chftitle': chftitle(a[0]); break;
          case 'chttitle': chttitle(a[0]); break;
          case 'chuser': chuser(a[0]); break;
          case 'listflag': listflag = a[0]; break;
          case 'focusinput': focusInput(); break;
          case 'window.open': window.open(a[0], a[1] || '', a[2] || ''); break;
        }
      } catch (e) {
        // one failing call (a frame not ready) must not stop the others
      }
    }
  }

  // The rendered lines of both say frames, kept in the window's session
  // storage so that a reload shows them again: { name, say1: [], say2: [] }.
  var STORE_KEY = 'tavolin.says';
  var kept = null;
  var restoring = {};  // the say frames a reload fills again at the first clear

  function storage() {
    try {
      return window.sessionStorage || null;
    } catch (e) {
      return null;  // storage switched off: a reload starts empty
    }
  }

  // The kept lines, read at first use (a poll frame that the browser
  // restores on a reload may deliver lines before the window's start-up).
  function keptLines() {
    if (!kept) loadKeptLines();
    return kept;
  }

  function saveLines() {
    var store = storage();
    try {
      if (store) store.setItem(STORE_KEY, JSON.stringify(keptLines()));
    } catch (e) {
      // full: the lines stay on screen, only a reload loses them
    }
  }

  // On a reload of the same visitor's window the kept lines come back;
  // any other load starts with none.
  function loadKeptLines() {
    var store = storage();
    var nav = window.performance && performance.getEntriesByType ?
      performance.getEntriesByType('navigation')[0] : null;
    var saved = null;
    try {
      saved = store ? JSON.parse(store.getItem(STORE_KEY) || 'null') : null;
    } catch (e) {
      saved = null;
    }
    if (saved && nav && nav.type === 'reload' && saved.name === global('myname', '')) {
      kept = saved;
      restoring = { say1: true, say2: true };
    } else {
      kept = { name: global('myname', ''), say1: [], say2: [] };
      saveLines();
    }
  }

  function appendLine(pane, html, keep) {
    var doc = sayDocument(pane);
    if (!doc) return;
    var box = doc.getElementById('lines');
    setHtml(box, html, true);
    while (box.childNodes.length > MAX_LINES) box.removeChild(box.firstChild);
    if (!keep) return;
    var lines = keptLines()[pane] || (keptLines()[pane] = []);
    lines.push(html);
    if (lines.length > MAX_LINES) lines.splice(0, lines.length - MAX_LINES);
    saveLines();
  }

  function scrollDown(pane) {
    if (!autoScroll) return;
    var w = frameWindow(pane);
    var doc = frameDocument(pane);
    if (w && doc && doc.body) w.scrollTo(0, doc.body.scrollHeight);
  }

  function showLines(lines) {
    var fresh = ChatLines.newLines(lines, shownMax);
    shownMax = fresh.shownMax;
    var me = global('myname', '');
    var touched = {};
    for (var i = 0; i < fresh.lines.length; i++) {
      var r = ChatLines.renderLine(fresh.lines[i], me);
      appendLine(r.pane, r.html, true);
      touched[r.pane] = true;
      runCalls(r.calls);
    }
    for (var pane in touched) {
      if (touched.hasOwnProperty(pane)) scrollDown(pane);
    }
  }

  // Empties a say frame; the first clear after a reload (the say-list
  // start-up's) puts the kept lines back instead.
  function clearPane(pane) {
    var doc = sayDocument(pane);
    if (!doc) return;
    var box = doc.getElementById('lines');
    while (box.firstChild) box.removeChild(box.firstChild);
    var lines = keptLines()[pane] || [];
    if (restoring[pane]) {
      restoring[pane] = false;
      for (var i = 0; i < lines.length; i++) appendLine(pane, lines[i], false);
      scrollDown(pane);
      return;
    }
    keptLines()[pane] = [];
    saveLines();
  }

  function robotName() {
    return String(global('roomauto', '')).replace(/^</, '');
  }

  function addressee() {
    var doc = inputDocument();
    var field = doc && doc.forms[0] && doc.forms[0].elements.namedItem('towho');
    return field ? field.value : ChatLines.EVERYBODY;
  }

  function renderList() {
    var doc = paneDocument('list', 'userlist', 'users');
    if (!doc) return;
    var copy = [];
    for (var i = 0; i < userlist.length; i++) copy.push(String(userlist[i]));
    userlist = copy;  // the array may come from the poll frame's page, which goes away
    setHtml(doc.getElementById('users'), ChatLines.renderUserList(userlist, {
      myname: global('myname', ''),
      robot: robotName(),
      owner: global('room_owner', ''),
      guests: global('roomguests', ''),
      friends: global('friendlist', ''),
      towho: addressee(),
      count: allusernum
    }), false);
  }

  // Both counts of users online (the list column's head and the user list's
  // own line) follow every poll, also when nobody left this room.
  function updateCount() {
    var now = String(allusernum);
    var head = frameDocument('listtitle');
    var list = frameDocument('list');
    var shown = [head && head.getElementById('count')];
    var inList = list ? list.querySelectorAll('.online') : [];
    for (var i = 0; i < inList.length; i++) shown.push(inList[i]);
    for (var k = 0; k < shown.length; k++) {
      if (shown[k] && shown[k].textContent !== now) shown[k].textContent = now;
    }
  }

  // Warns once when the visitor has been quiet for nearly the idle limit.
  function checkIdle() {
    var limit = Number(global('nosaytimeout', 0));
    if (!(limit > 0) || idleWarned) return;
    if (new Date().getTime() - lastPost > limit * 60000) {
      idleWarned = true;
      showLines([{
        id: -1, mess: '【系统】你已经' + limit + '分钟没有发言了，再不发言将会被请出聊天室！',
        who: '', towho: global('myname', ''), secret: 0, c1: '990066', c2: '', act: -2,
        time: new Date().toTimeString().slice(0, 8)
      }]);
    }
  }

  // An answer arrived in the poll frame: the next poll waits for news. Its
  // navigation ends the answer's six-second reload, so one poll is in flight.
  function answered() {
    answerDoc = frameDocument('refresh');
    waitSince = 0;
    if (plainTimer) window.clearTimeout(plainTimer);
    if (new Date().getTime() < waitOffUntil) {
      // Polls that name the say id, just before the answer's own reload: a
      // waiting poll cut off on its way may still be answered to nobody,
      // and the server counts its lines as delivered.
      plainTimer = window.setTimeout(pollPlain, 5000);
      return;
    }
    waitSince = new Date().getTime();
    load('refresh', 'refresh.asp?sayid=' + lastSayId + '&wait=' + WAIT_SECONDS);
  }

  // The waiting poll failed when what came back is no answer (an error page
  // in its place) or nothing came back in time: plain polls take over.
  function checkWait() {
    if (!waitSince) return;
    var doc = frameDocument('refresh');
    var late = new Date().getTime() - waitSince > (WAIT_SECONDS + 10) * 1000;
    var failed = doc !== answerDoc &&
      (!doc || (doc.readyState === 'complete' && /[?&]wait=/.test(String(doc.location.href))));
    if (!late && !failed) return;
    waitSince = 0;
    waitOffUntil = new Date().getTime() + WAIT_OFF_MS;
    pollPlain();
  }

  function pollPlain() {
    plainTimer = null;
    load('refresh', 'refresh.asp?sayid=' + lastSayId);
  }

  function tick() {
    try {
      if (typeof refcheck === 'function') refcheck();
    } finally {
      updateCount();
      checkIdle();
      checkWait();
    }
  }

  // An element of the title frame (the room's name line tTitle and its
  // title line fTitle), built when missing; the say-list start-up fills both.
  function titleElement(id) {
    var doc = frameDocument('title');
    if (doc && !doc.getElementById(id)) {
      buildPage(doc, 'title', '<table class="title"><tr><td><div id="tTitle"></div></td></tr>' +
        '<tr><td><div id="fTitle"></div></td></tr></table>');
    }
    return doc ? doc.getElementById(id) : null;
  }

  // The chat page sends a window of another name (a second tab) to the
  // close page; such a window starts nothing and must not end the visit.
  function isChatWindow() {
    var scripts = document.getElementsByTagName('script');
    for (var i = 0; i < scripts.length; i++) {
      var wanted = ChatLines.chatWindowName(scripts[i].text);
      if (wanted !== null) return window.name === wanted;
    }
    return true;
  }

  // The input row takes the height its controls need (they wrap in a narrow
  // window) and a narrow window gives the user list less room.
  function fitFrames() {
    var main = document.getElementsByName('mainfrm')[0];
    var left = document.getElementsByName('leftfrm')[0];
    var input = frameDocument('input');
    var cols = window.innerWidth < 600 ? '*,18,100' : '*,18,140';
    if (main && main.cols !== cols) main.cols = cols;
    if (!left || !input || !input.body) return;
    var rows = left.rows.split(',');
    var need = String(Math.max(70, input.body.offsetHeight));
    if (rows.length === 4 && rows[3] !== need) {
      rows[3] = need;
      left.rows = rows.join(',');
    }
  }

  function start() {
    if (!isChatWindow()) return;
    keptLines();
    window.addEventListener('resize', fitFrames, false);
    fitFrames();
    // A visitor without own colours (an empty bgcolor column) gets the
    // installation's first ones, so the title frame and menus have real values.
    var f = face();
    window.bgcolor = f.bg;
    window.bc1 = f.c1;
    window.bc2 = f.c2;
    chttitle('');
    sayDocument('say1');
    sayDocument('say2');
    showlist();
    load('refresh', 'saylist.asp');
    window.setInterval(tick, 1000);
  }

  return {
    start: start,
    showLines: showLines,
    clearPane: clearPane,
    renderList: renderList,
    frameDocument: frameDocument,
    titleElement: titleElement,
    load: load,
    dress: dress,
    setHtml: setHtml,
    focusInput: focusInput,
    lastSayId: function () { return lastSayId; },
    answered: answered,
    setLastSayId: function (id) { lastSayId = id; },
    resetShown: function () { shownMax = 0; },
    toggleScroll: function () { autoScroll = !autoScroll; return autoScroll; },
    fitFrames: fitFrames,
    canAddress: function (name) {
      return ChatLines.canAddress(name, userlist, robotName());
    },
    // The leave button posts the close page: the kept lines go.
    leaving: function () {
      kept = { name: '', say1: [], say2: [] };
      var store = storage();
      if (store) store.removeItem(STORE_KEY);
    },
    // The input frame reports each post: the idle clock starts again.
    posted: function () {
      lastPost = new Date().getTime();
      idleWarned = false;
    },
    changeRoom: function (id) {
      post('refresh', 'changeroom.asp', { toroom: String(id) });
    },
    token: token,
    // Cycles the say frames' background through the installation's list.
    nextBackground: function () {
      var backs = ChatLines.colorList(global('backgroudcolorstr', ''));
      if (!backs.length) return;
      var now = ChatLines.safeColor(global('bgcolor', ''));
      var at = -1;
      for (var i = 0; i < backs.length; i++) if (backs[i].toLowerCase() === now.toLowerCase()) at = i;
      window.bgcolor = backs[(at + 1) % backs.length];
      dress(frameDocument('say1'));
      dress(frameDocument('say2'));
    }
  };
})();

// Delivered lines: nine values a line, then a closing empty string.
function addsay() {
  ChatClient.showLines(ChatLines.parseSays(arguments));
}

// The newest say id in the ring; a poll answer arrived.
function ref(n) {
  ChatClient.setLastSayId(parseInt(n, 10) || 0);
  noreftime = 0;
  ChatClient.answered();
}

// Empties the public say frame (a new room's lines follow).
function clearsay() {
  ChatClient.clearPane('say1');
  ChatClient.resetShown();
}

// Empties the private say frame.
function clearper() {
  ChatClient.clearPane('say2');
}

// Shows the user list in the list frame.
function showlist() {
  listflag = 1;
  newlist = false;
  listreftime = 0;
  ChatClient.renderList();
}

// Someone entered the room.
function addl(name, sex, face, extra) {
  userlist = ChatLines.withUser(userlist, String(name), sex, face, extra === undefined ? '' : extra);
  newlist = true;
}

// Someone left the room.
function dell(name) {
  userlist = ChatLines.withoutUser(userlist, String(name));
  newlist = true;
}

// The room title line (the room's title field, in blue).
function chftitle(s) {
  ChatClient.setHtml(ChatClient.titleElement('fTitle'), '<font color=blue>' + s + '</font>', false);
}

// The room name line: the room's name in 〖〗 and its top text.
function chttitle(s) {
  ChatClient.setHtml(ChatClient.titleElement('tTitle'),
    '〖' + ChatLines.escapeHtml(typeof roomname === 'undefined' ? '' : roomname) + '〗' + s, false);
}

// Polls again at once, from the newest say id this browser has.
function refresh() {
  noreftime = 0;
  ChatClient.load('refresh', 'refresh.asp?sayid=' + ChatClient.lastSayId());
}

// Picks the addressee of the next line (a click on a name): only somebody
// the user list shows, everybody or the robot.
function chuser(name) {
  if (!ChatClient.canAddress(name)) return;
  var doc = ChatClient.frameDocument('input');
  var w = doc && doc.defaultView;
  if (w && typeof w.settowho === 'function') w.settowho(String(name));
  if (listflag) ChatClient.renderList();
}

if (typeof module === 'undefined' && typeof window !== 'undefined' && window.addEventListener) {
  // Phones lay the window out at their own width.
  (function () {
    if (typeof document === 'undefined' || !document.head || document.querySelector('meta[name=viewport]')) return;
    var viewport = document.createElement('meta');
    viewport.name = 'viewport';
    viewport.content = 'width=device-width, initial-scale=1';
    document.head.appendChild(viewport);
  })();
  window.addEventListener('load', ChatClient.start, false);
}
