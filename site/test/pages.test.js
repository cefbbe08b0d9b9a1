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

const scriptsOf = (html) => [...html.matchAll(/<script\b[^>]*>([\s\S]*?)<\/script>/gi)].map((m) => m[1]);

test('site files use only characters that GBK holds; pages declare gb2312 and their scripts parse', () => {
  const gbk = gbkCharacters();
  for (const f of files) {
    assert.deepEqual([...read(f)].filter((c) => !gbk.has(c)), [], f);
    if (!f.endsWith('.htm')) continue;
    for (const re of [/<meta http-equiv="Content-Type" content="text\/html; charset=gb2312">/, /href="chat\.css"/]) assert.match(read(f), re, f);
    for (const code of scriptsOf(read(f))) assert.doesNotThrow(() => new vm.Script(code), f);
  }
});

test('the input form posts the fields of a post to say.asp into the refresh frame', () => {
  const html = read('input.htm');
  const [, attributes, body] = /<form\b([^>]*)>([\s\S]*?)<\/form>/.exec(html);
  for (const re of [/action="say\.asp"/, /method="post"/, /target="refresh"/]) assert.match(attributes, re);
  // saystemp: login notices focus the first form's text box by this name.
  const names = new Set([...body.matchAll(/\bname="([^"]+)"/g)].map((m) => m[1]));
  assert.deepEqual(['says', 'towho', 'secret', 'sayscolor', 'addwordcolor', 'addsays', 'istitle', 'id', 'saystemp']
    .filter((field) => !names.has(field)), []);
  for (const re of [/name="towho" value="大家"/, /function dotrans\(\)/, /function settowho\(name\)/]) assert.match(html, re);
});
