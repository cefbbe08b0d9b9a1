'use strict';
// The site files as the server sends them: converted to GBK, so every
// character must exist there; pages declare gb2312; their scripts parse;
// the input form posts what say.asp reads.

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');

const site = path.join(__dirname, '..');
const files = fs.readdirSync(site).filter((f) => /\.(htm|js|css)$/.test(f));
const read = (f) => fs.readFileSync(path.join(site, f), 'utf8');

// Every character GBK holds: ASCII and what its two-byte codes decode to.
function gbkCharacters() {
  const chars = new Set();
  for (let b = 0; b < 0x80; b++) chars.add(String.fromCharCode(b));
  const decoder = new TextDecoder('gbk');
  for (let lead = 0x81; lead <= 0xfe; lead++) {
    for (let trail = 0x40; trail <= 0xfe; trail++) {
      if (trail === 0x7f) continue;
      const c = decoder.decode(new Uint8Array([lead, trail]));
      if (c.length === 1 && c !== '\ufffd') chars.add(c);
    }
  }
  return chars;
}

function scriptsOf(html) {
  const out = [];
  html.replace(/<script\b[^>]*>([\s\S]*?)<\/script>/gi, (all, body) => out.push(body));
  return out;
}

test('site files use only characters that GBK holds; pages declare gb2312 and their scripts parse', () => {
  const gbk = gbkCharacters();
  for (const f of files) {
    assert.deepEqual([...read(f)].filter((c) => !gbk.has(c)), [], f);
    if (!f.endsWith('.htm')) continue;
    assert.match(read(f), /<meta http-equiv="Content-Type" content="text\/html; charset=gb2312">/, f);
    assert.match(read(f), /href="chat\.css"/, f);
    for (const code of scriptsOf(read(f))) assert.doesNotThrow(() => new vm.Script(code), f);
  }
});

test('the input form posts the fields of a post to say.asp into the refresh frame', () => {
  const html = read('input.htm');
  const form = /<form\b([^>]*)>([\s\S]*?)<\/form>/.exec(html);
  assert.ok(form);
  assert.match(form[1], /action="say\.asp"/);
  assert.match(form[1], /method="post"/);
  assert.match(form[1], /target="refresh"/);
  const names = new Set([...form[2].matchAll(/\bname="([^"]+)"/g)].map((m) => m[1]));
  for (const field of ['says', 'towho', 'secret', 'sayscolor', 'addwordcolor', 'addsays', 'istitle', 'id']) {
    assert.ok(names.has(field), field);
  }
  // Login notices focus the first form's text box by this name.
  assert.ok(names.has('saystemp'));
  assert.match(html, /name="towho" value="大家"/);
  assert.match(html, /function dotrans\(\)/);
  assert.match(html, /function settowho\(name\)/);
});
