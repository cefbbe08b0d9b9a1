// The served chat in headless Chromium and in headless Firefox ESR: a real
// `tavolin serve` with a fresh database for each browser, three visitors in
// separate browser contexts who log in through the login page and walk the
// same table of steps, using the chat window as a person would.
//
// Run: TAVOLIN_BINARY=/path/to/tavolin node --test --test-concurrency=1 .
// Screenshots and the server's log are left in e2e/artifacts/.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import { binary, startServer } from './served.mjs';

const artifacts = path.join(path.dirname(fileURLToPath(import.meta.url)), 'artifacts');
const WAIT_MS = 30_000;  // a poll every 6 s; much more on a busy machine
const PASSWORD = 'e2epass';
const PUBLIC_LINE = 'hello everybody 大家好';
const PRIVATE_LINE = 'only for cici 悄悄话内容';
const TITLE = '今天聊电影';

const BROWSERS = [
  { name: 'chromium', executablePath: '/usr/bin/chromium', browser: 'chrome',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync', '--disable-background-networking'] },
  { name: 'firefox', executablePath: '/usr/bin/firefox-esr', browser: 'firefox', args: [] },
];

const frameText = (v, frame) => v.page.evaluate((n) => {
  const doc = document.getElementsByName(n)[0]?.contentDocument;
  return doc && doc.body ? doc.body.innerText : '';
}, frame);

// The names in the user list without everybody and the robot, and both counts of users online.
const listed = (v) => v.page.evaluate(() => {
  const doc = (n) => document.getElementsByName(n)[0]?.contentDocument;
  const names = Array.from(doc('list')?.querySelectorAll('a[data-name]:not(.all):not(.robot)') || []);
  return { names: names.map((a) => a.getAttribute('data-name')).sort(),
    counts: [doc('listtitle')?.getElementById('count'), doc('list')?.querySelector('.online')].map((e) => e?.textContent) };
});

async function eventually(read, ok, what) {
  const deadline = Date.now() + WAIT_MS;
  for (;;) {
    const value = await read().catch((e) => String(e));  // a window between two pages
    if (ok(value)) return value;
    if (Date.now() > deadline) throw new assert.AssertionError({ message: `${what}; it shows:\n${JSON.stringify(value)}` });
    await new Promise((resolve) => setTimeout(resolve, 250));
  }
}

const waitForText = (v, frame, text) => eventually(() => frameText(v, frame), (t) => t.includes(text),
  `${v.name}: frame ${frame} never showed "${text}"`);
const waitForList = (v, names) => eventually(() => listed(v), (l) => l.names?.join() === names.join(),
  `${v.name}: the user list never showed ${names}`);
const waitForUrl = (page, pattern) => eventually(async () => page.url(), (u) => pattern.test(u), `never reached ${pattern}`);
const frame = async (v, name) => (await v.page.waitForSelector(`frame[name=${name}]`, { timeout: WAIT_MS })).contentFrame();

async function openLogin(context, base, name, password, errors) {
  const page = await context.newPage();
  page.on('pageerror', (e) => errors.push(`${name}: ${e}`));
  page.on('dialog', (d) => (d.type() === 'confirm' ? d.accept() : d.dismiss().then(() => errors.push(d.message()))));
  await page.goto(base);
  await page.type('input[name=sUserName]', name);
  await page.type('input[name=sPass]', password);
  await page.select('select[name=room_id]', '1');
  await page.click('button[type=submit]');
  return page;
}

// Types a line into the input frame and sends it with the Enter key.
async function say(v, text, { whisper = false, title = false } = {}) {
  const input = await frame(v, 'input');
  await input.$eval('#whisper', (el, on) => { el.checked = on; }, whisper);
  await input.$eval('input[name=istitle]', (el, on) => { el.checked = on; }, title);
  await input.type('input[name=saystemp]', text);
  await (await input.$('input[name=saystemp]')).press('Enter');
}

const STEPS = [
  ['refuses a wrong password on the login page', async (w) => {
    const page = await openLogin(await w.browser.createBrowserContext(), w.base, 'anna', 'wrong', w.errors);
    await waitForUrl(page, /login\.asp$/);
    assert.notEqual(await page.$eval('.message', (e) => e.textContent.trim()), '');
  }],
  ['shows every visitor of the hall in each user list', async (w) => {
    for (const v of w.all) await waitForList(v, ['anna', 'bobo', 'cici']);
  }],
  ['delivers a public line to everybody and a private one to its addressee alone', async (w) => {
    await say(w.anna, PUBLIC_LINE);
    for (const v of w.all) await waitForText(v, 'say1', `anna 对大家说：${PUBLIC_LINE}`);
    await (await frame(w.anna, 'list')).click('a[data-name="cici"]');
    await say(w.anna, PRIVATE_LINE, { whisper: true });
    await waitForText(w.cici, 'say2', `[悄悄话]anna 对 cici 说：${PRIVATE_LINE}`);
    await (await frame(w.anna, 'input')).click('#towhoname');  // back to everybody
    await say(w.anna, '/hi');
    await waitForText(w.bobo, 'say1', '[动作]anna向大家挥手');
    assert.ok(!(await frameText(w.bobo, 'say1') + await frameText(w.bobo, 'say2')).includes(PRIVATE_LINE));
  }],
  ['shows a line in another browser at once, not at the next six-second poll', async (w) => {
    // Sent just after cici's last answer: six-second polls would show it about six seconds later.
    await say(w.bobo, 'just now');
    await waitForText(w.cici, 'say1', 'bobo 对大家说：just now');
    const sent = Date.now();
    await say(w.bobo, 'right now');
    await waitForText(w.cici, 'say1', 'bobo 对大家说：right now');
    const took = Date.now() - sent;
    assert.ok(took < 2000, `the line took ${took} ms to show`);
  }],
  ['sets a title that shows with its setter and time in magenta', async (w) => {
    await say(w.anna, TITLE, { title: true });
    await waitForText(w.bobo, 'title', TITLE);
    const shown = await (await frame(w.bobo, 'title')).$eval('#fTitle font[style]', (e) => `${e.textContent} ${getComputedStyle(e).color}`);
    assert.match(shown, /^\(anna,\d\d:\d\d:\d\d\) rgb\(153, 0, 153\)$/);
    await w.bobo.page.screenshot({ path: path.join(artifacts, `${w.name}-title.png`) });
  }],
  ['rotates the news links, which lead to real pages, and has an icon', async (w) => {
    await eventually(async () => (await frame(w.anna, 'input')).$eval('#news a', (a) => a.getAttribute('href')),
      (h) => /^(help|rules)\.htm$/.test(h), 'no news link in the input frame');
    const got = await w.anna.page.evaluate(async () => Promise.all(['help.htm', 'rules.htm', 'favicon.ico'].map(async (f) => {
      const r = await fetch(f);
      const title = /<title>(.*?)<\/title>/.exec(new TextDecoder('gbk').decode(await r.arrayBuffer()));
      return `${r.status} ${title ? title[1] : r.headers.get('content-type')}`;
    })));
    assert.deepEqual(got, ['200 聊天室使用说明', '200 文明聊天公约', '200 image/x-icon']);
  }],
  ['tells a second tab the chat is open elsewhere and keeps the first', async (w) => {
    const tab = await w.anna.page.browserContext().newPage();
    await tab.goto(w.base + 'chat.asp').catch(() => {});  // the chat page sends it on at once
    await waitForUrl(tab, /close\.asp$/);
    assert.match(await tab.evaluate(() => document.body.innerText), /聊天室已经在另一个窗口里打开了/);
    await tab.close();
    await say(w.bobo, 'still there?');
    await waitForText(w.anna, 'say1', 'still there?');
  }],
  ['keeps the visit and the lines over a reload', async (w) => {
    // The window reloads itself: a driver's reload can be cut short by a frame still loading (Firefox).
    await w.cici.page.evaluate(() => { window.beforeReload = true; setTimeout(() => location.reload(), 0); });
    await eventually(() => w.cici.page.evaluate(() => window.beforeReload), (b) => b === undefined, 'cici never reloaded');
    await waitForList(w.cici, ['anna', 'bobo', 'cici']);
    await waitForText(w.cici, 'say1', PUBLIC_LINE);
    await waitForText(w.cici, 'say2', PRIVATE_LINE);
    await say(w.bobo, 'after the reload');
    await waitForText(w.cici, 'say1', 'after the reload');
  }],
  ['fits a 390 px phone screen', async (w) => {
    await w.cici.page.setViewport({ width: 390, height: 844 });
    await eventually(async () => (await frame(w.cici, 'input')).evaluate(() =>
      Array.from(document.querySelectorAll('#towhoname, label, select, input:not([type=hidden])'))
        .filter((e) => { const r = e.getBoundingClientRect(); return r.width === 0 || r.right > innerWidth || r.bottom > innerHeight; })
        .map((e) => e.outerHTML.slice(0, 40))), (l) => Array.isArray(l) && l.length === 0, 'controls outside the input frame');
    await w.cici.page.screenshot({ path: path.join(artifacts, `${w.name}-phone-390.png`) });
  }],
  ['shows a room change in the user lists of both rooms', async (w) => {
    const input = await frame(w.bobo, 'input');
    await input.waitForSelector('#rooms option[value="2"]', { timeout: WAIT_MS });
    await input.select('#rooms', '2');
    await waitForList(w.bobo, ['bobo']);
    await waitForList(w.cici, ['anna', 'cici']);
  }],
  ['ends the visit by the leave button; both counts agree', async (w) => {
    await (await frame(w.anna, 'toolbar')).click('#leave');
    await waitForUrl(w.anna.page, /close\.asp$/);
    assert.match(await w.anna.page.evaluate(() => document.body.innerText), /你已经离开了聊天室/);
    await waitForList(w.cici, ['cici']);
    await eventually(() => listed(w.cici), (l) => l.counts?.join() === '2,2', 'cici counts two online');
    // bobo, in another room, leaves as any client may, with the token the chat page carries: only the counts tell.
    await w.bobo.page.evaluate(() => fetch('close.asp', { method: 'POST',
      body: new URLSearchParams({ token: document.querySelector('meta[name="csrf-token"]').content }) }));
    await eventually(() => listed(w.cici), (l) => l.counts?.join() === '1,1', 'cici counts one online');
    await w.cici.page.screenshot({ path: path.join(artifacts, `${w.name}-after-leaving.png`) });
  }],
  ['raises no script errors in the windows and no page errors in the server', (w) => {
    assert.deepEqual(w.errors, []);
    assert.deepEqual(w.log.join('').split('\n').filter((l) => /^tavolin: \S+: error /.test(l)), []);
  }],
];

for (const kind of BROWSERS) {
  const skip = !fs.existsSync(kind.executablePath) && `no ${kind.executablePath}: scripts/install-deps.sh installs it`;
  describe(`the chat in headless ${kind.name}`, { skip, timeout: 170_000 }, () => {
    const w = { name: kind.name, errors: [] };
    let server;

    before(async () => {
      assert.ok(fs.existsSync(binary), `no tavolin binary at ${binary}: build it or set TAVOLIN_BINARY`);
      fs.mkdirSync(artifacts, { recursive: true });
      server = await startServer({ l_title: '0' });  // everybody may set a title
      Object.assign(w, { base: server.base, log: server.log });
      w.browser = await puppeteer.launch({ ...kind, headless: true, defaultViewport: { width: 1000, height: 640 } });
      for (const name of ['anna', 'bobo', 'cici']) {
        const page = await openLogin(await w.browser.createBrowserContext(), w.base, name, PASSWORD, w.errors);
        await waitForUrl(page, /chat\.asp$/);
        w[name] = { name, page };
      }
      w.all = [w.anna, w.bobo, w.cici];
    }, { timeout: 90_000 });

    after(async () => {
      await w.browser?.close();
      await server?.stop();
      if (server) fs.writeFileSync(path.join(artifacts, `${kind.name}-server.log`), server.log.join(''));
    });

    for (const [title, step] of STEPS) it(title, () => step(w));
  });
}
