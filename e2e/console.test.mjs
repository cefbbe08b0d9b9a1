// The operator's console in headless Chromium: the operator opens a room, a
// visitor enters it from the login page, and the operator kicks the visitor,
// whose chat window is sent out with the words the login would refuse them
// with; the operator closes registration from the settings page and the next
// newcomer is refused at once, and the activity page draws the visits per
// hour. Screenshots of the rooms and activity pages are left in e2e/artifacts/.
//
// Run: TAVOLIN_BINARY=/path/to/tavolin node --test --test-concurrency=1 console.test.mjs

import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';
import { startServer } from './served.mjs';

const artifacts = path.join(path.dirname(fileURLToPath(import.meta.url)), 'artifacts');
const ADMIN_PASSWORD = 'opsecret';
const KICKED = '对不起：您是被赶出聊天室的，目前聊天室还不允许你进去！';
let server, browser;

before(async () => {
  process.env.TAVOLIN_ADMIN_PASSWORD = ADMIN_PASSWORD;  // the served chat inherits it
  server = await startServer();
  browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', browser: 'chrome', headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync'] });
});

after(async () => {
  await browser?.close();
  await server?.stop();
});

// Posts the console form whose "do" is `what` and waits for the answer page.
async function submit(page, what) {
  const button = await page.$(`form:has(input[name=do][value=${what}]) button`);
  await Promise.all([page.waitForNavigation(), button.click()]);
  return page.$eval('.panel', (panel) => panel.innerText);
}

it('opens a room, lets a visitor in and kicks the visitor out of the chat window', async () => {
  const operator = await (await browser.createBrowserContext()).newPage();
  await operator.authenticate({ username: 'admin', password: ADMIN_PASSWORD });
  await operator.setViewport({ width: 1100, height: 900 });
  await operator.goto(server.base + 'admin/rooms.asp');
  await operator.type('form:has(input[value=create]) input[name=name]', '电影院');
  await operator.type('form:has(input[value=create]) input[name=description]', '<b>看电影</b>');
  assert.match(await submit(operator, 'create'), /房间“电影院”已经建好。/);
  assert.match(await operator.$eval('#rooms', (t) => t.innerText), /电影院/);
  fs.mkdirSync(artifacts, { recursive: true });
  await operator.screenshot({ path: path.join(artifacts, 'console-rooms.png'), fullPage: true });

  const visitor = await (await browser.createBrowserContext()).newPage();
  await visitor.goto(server.base);
  await visitor.type('input[name=sUserName]', 'dora');
  await visitor.type('input[name=sPass]', 'dorapass');
  const room = await visitor.$$eval('select[name=room_id] option',
    (options) => options.find((o) => o.textContent === '电影院').value);
  await visitor.select('select[name=room_id]', room);
  await Promise.all([visitor.waitForNavigation(), visitor.click('button[type=submit]')]);
  await visitor.waitForFunction(() => location.pathname.endsWith('chat.asp'), { timeout: 30_000 });

  await operator.goto(server.base + 'admin/online.asp');
  assert.match(await operator.$eval('.panel', (p) => p.innerText), new RegExp(`${room} 电影院[\\s\\S]*dora`));
  await operator.goto(server.base + 'admin/users.asp?user=dora');
  await operator.$eval('form:has(input[value=kick]) input[name=until]', (el) => { el.value = '2030-01-01T10:00'; });
  assert.match(await submit(operator, 'kick'), /dora：踢出聊天室，到 2030-01-01 10:00:00。/);

  // The window's next poll (every six seconds) sends it out.
  await visitor.waitForFunction(() => location.pathname.endsWith('showerr.asp'), { timeout: 30_000 });
  assert.match(await visitor.$eval('body', (b) => b.innerText), new RegExp(KICKED));
});

it('closes registration from the settings page at once and charts the visits', async () => {
  const operator = await (await browser.createBrowserContext()).newPage();
  await operator.authenticate({ username: 'admin', password: ADMIN_PASSWORD });
  await operator.goto(server.base + 'admin/settings.asp');
  const row = '#setting-disablenewuser';
  await operator.select(`${row} select[name=value]`, '1');
  await Promise.all([operator.waitForNavigation(), operator.click(`${row} button`)]);
  assert.match(await operator.$eval('.panel', (p) => p.innerText), /设置 disablenewuser 已经改为“1”/);

  const newcomer = await (await browser.createBrowserContext()).newPage();
  await newcomer.goto(server.base);
  await newcomer.type('input[name=sUserName]', 'emil');
  await newcomer.type('input[name=sPass]', 'emilpass');
  await Promise.all([newcomer.waitForNavigation(), newcomer.click('button[type=submit]')]);
  assert.match(await newcomer.$eval('.message', (m) => m.textContent), /对不起：管理员禁止新用户注册！/);

  await operator.goto(server.base + 'admin/activity.asp');
  const bars = await operator.$$eval('svg#hour-chart rect.bar',
    (rects) => rects.map((r) => r.getBoundingClientRect().height));
  assert.equal(bars.length, 24);
  assert.ok(bars.some((height) => height > 0), 'the visits counted today show as a bar');
  assert.match(await operator.$eval('#audit', (t) => t.innerText), /disablenewuser/);
  await operator.screenshot({ path: path.join(artifacts, 'console-activity.png'), fullPage: true });
});
