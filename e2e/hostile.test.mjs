// Hostile lines in headless Chromium: a visitor who may write HTML (level 9)
// types the worst lines into the chat's input box, and a second visitor in
// the same room must show their text while none of them runs, loads a page
// that acts for the viewer, or throws the viewer out of the chat.
//
// Run: TAVOLIN_BINARY=/path/to/tavolin node --test --test-concurrency=1 hostile.test.mjs

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import puppeteer from 'puppeteer-core';
import { binary, logIn, startServer } from './served.mjs';

const CHROMIUM = '/usr/bin/chromium';
const WAIT_MS = 30_000;  // a poll every 6 s; much more on a busy machine
// Each, if it ran, would set `pwned` on a window, or load close.asp,
// agreefriend.asp or a page under /pwned/ for whoever shows the line.
const PAYLOADS = [
  '#P1<script>top.pwned="script"</script><scr<script>ipt>top.pwned=1</script>',
  '#P2<img src=x onerror="top.pwned=\'img\'"><img src="close.asp">',
  '#P3<a id=j href="javascript:top.pwned=\'link\'">a</a><a href="java&#115;cript:top.pwned=1">b</a>',
  '#P4<div style="background:url(/pwned/url)">s</div><div style="background:u\\72l(/pwned/escaped)">t</div>',
  '#P5<div style="width:expression(top.pwned=1);background:image-set(\'/pwned/set\' 1x)">e</div>',
  '#P6<svg onload="top.pwned=\'svg\'"><script>top.pwned="svg script"</script></svg>',
  '#P7<iframe srcdoc="<script>top.pwned=\'srcdoc\'</script>"></iframe><iframe src="/pwned/frame"></iframe>',
  '#P8<meta http-equiv="refresh" content="0;url=close.asp"><link rel=stylesheet href="/pwned/css">',
  '#P9<form action="close.asp" method="post"><input type=submit></form><object data="/pwned/obj"></object>',
  '#P10<a href="agreefriend.asp?ID=1&answer=yes">ok</a><details open ontoggle="top.pwned=\'toggle\'">',
  '</script><script>top.pwned="plain"</script>P11\';top.pwned=1;//',
];
const ACTING = /\/(close|agreefriend)\.asp|\/pwned\//;

const frameText = (page, name) => page.evaluate((n) => document.getElementsByName(n)[0]?.contentDocument?.body?.innerText ?? '', name);
async function eventually(read, ok, what) {
  for (const deadline = Date.now() + WAIT_MS; ;) {
    const value = await read().catch((e) => String(e));  // a window between two pages
    if (ok(value)) return value;
    if (Date.now() > deadline) throw new assert.AssertionError({ message: `${what}; it shows:\n${value}` });
    await new Promise((resolve) => setTimeout(resolve, 250));
  }
}
const waitForLine = (v, text) => eventually(() => frameText(v.page, 'say1'), (t) => t.includes(text), `${v.name} never showed "${text}"`);

async function enter(browser, base, name, errors) {
  const page = await (await browser.createBrowserContext()).newPage();
  page.on('pageerror', (e) => errors.push(`${name}: ${e}`));
  await page.goto(base);
  await page.type('input[name=sUserName]', name);
  await page.type('input[name=sPass]', 'pw' + name);
  await page.select('select[name=room_id]', '1');
  await page.click('button[type=submit]');
  await eventually(async () => page.url(), (u) => /chat\.asp$/.test(u), `${name} never reached the chat`);
  return { name, page };
}

async function say(v, text) {
  // The frameset may still be building when the window has just arrived.
  const input = await (await v.page.waitForSelector('frame[name=input]', { timeout: WAIT_MS })).contentFrame();
  await input.waitForSelector('input[name=saystemp]', { timeout: WAIT_MS });
  await input.type('input[name=saystemp]', text);
  await (await input.$('input[name=saystemp]')).press('Enter');
}

describe('hostile lines in headless chromium', { skip: !fs.existsSync(CHROMIUM) && `no ${CHROMIUM}`, timeout: 170_000 }, () => {
  const errors = [], requested = [];
  let server, browser, poster, viewer;

  before(async () => {
    assert.ok(fs.existsSync(binary), `no tavolin binary at ${binary}: build it or set TAVOLIN_BINARY`);
    server = await startServer({ maxsaysper10s: '0' });
    await logIn(server.base, 'poster', 'pwposter');  // registers the name, then raised to HTML right
    const raise = spawnSync('sqlite3', [server.db, "UPDATE user SET user_level=9 WHERE username='poster'"]);
    assert.equal(raise.status, 0, String(raise.stderr));
    browser = await puppeteer.launch({ executablePath: CHROMIUM, headless: true, args: ['--no-sandbox', '--disable-gpu'] });
    viewer = await enter(browser, server.base, 'viewer', errors);
    viewer.page.on('request', (r) => requested.push(r.url()));
    poster = await enter(browser, server.base, 'poster', errors);
  }, { timeout: 90_000 });

  after(async () => {
    await browser?.close();
    await server?.stop();
  });

  it('shows the lines to the other visitor, runs none of them, and keeps the viewer in the chat', async () => {
    for (const payload of PAYLOADS) await say(poster, payload);
    await say(poster, 'all sent');
    await waitForLine(viewer, 'all sent');
    const shown = await frameText(viewer.page, 'say1');
    for (let n = 1; n <= PAYLOADS.length; ++n) assert.match(shown, new RegExp(`P${n}(?!\\d)`), `line P${n} never arrived`);
    // The viewer's next poll and post still work: the poster sees its line.
    await say(viewer, 'viewer still here');
    await waitForLine(poster, 'viewer still here');
    await waitForLine(viewer, 'viewer still here');
    assert.match(viewer.page.url(), /chat\.asp$/);
    const marks = await Promise.all([viewer, poster].flatMap((v) => v.page.frames()).map((f) => f.evaluate(() => window.pwned).catch(() => undefined)));
    assert.deepEqual(marks.filter((m) => m !== undefined), []);
    assert.deepEqual(requested.filter((url) => ACTING.test(url)), []);
    assert.deepEqual(errors, []);
  });
});
