// The served chat in headless Chromium: a real `tavolin serve` on a free
// port with a fresh database, three visitors in three browser contexts who
// log in through the login page and use the chat window as a person would.
//
// Run: TAVOLIN_BINARY=/path/to/tavolin node --test --test-concurrency=1 .
// Screenshots and the server's log are left in e2e/artifacts/.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..');
const binary = path.resolve(here, process.env.TAVOLIN_BINARY || '../build/tavolin');
const artifacts = path.join(here, 'artifacts');

// The poll frame reloads every 6 s and the user list is redrawn a few timer
// steps after it changed, so a change shows within about 10 s; the waits
// allow much more on a busy machine.
const WAIT_MS = 30_000;

const PASSWORD = 'e2epass';
const HALL = '1';
const TEA_ROOM = '2';
const EVERYBODY = '大家';

const PUBLIC_LINE = 'hello everybody 大家好';
const PRIVATE_LINE = 'only for cici 悄悄话内容';
const AFTER_PRIVATE_LINE = 'the next public line 再说一句';

// ---- the server ----

// Starts `tavolin serve` on a free port with a database in `dir`; resolves
// with the process and its address once the first line names the port.
async function startServer(dir, log) {
  const server = spawn(
    binary,
    ['serve', '--listen', '127.0.0.1:0', '--db', 'sqlite:' + path.join(dir, 'chat.db'),
      '--site', path.join(repo, 'site'), '--log-level', 'info'],
    { cwd: dir, stdio: ['ignore', 'pipe', 'pipe'] });
  server.stderr.on('data', (chunk) => log.push(chunk.toString()));
  const lines = readline.createInterface({ input: server.stdout });
  const first = new Promise((resolve, reject) => {
    lines.once('line', resolve);
    server.once('error', reject);
    server.once('exit', (code, signal) =>
      reject(new Error(`tavolin serve exited (${code ?? signal}) before listening`)));
  });
  // Whatever follows the first line is kept for the log file; reading it
  // keeps the pipe from filling up.
  let timer;
  try {
    const line = await Promise.race([first, new Promise((resolve, reject) => {
      timer = setTimeout(() => reject(new Error('tavolin serve did not say where it listens')), 20_000);
    })]);
    log.push(line + '\n');
    lines.on('line', (l) => log.push(l + '\n'));
    const m = /^tavolin: listening on (http:\/\/127\.0\.0\.1:(\d+)\/)/.exec(line);
    assert.ok(m && Number(m[2]) > 0, 'unexpected first line: ' + line);
    return { server, base: m[1] };
  } catch (e) {
    server.kill('SIGKILL');
    throw e;
  } finally {
    clearTimeout(timer);
  }
}

async function stopServer(server) {
  if (server.exitCode !== null || server.signalCode !== null) return;
  const exited = once(server, 'exit');
  server.kill('SIGTERM');
  const timer = setTimeout(() => server.kill('SIGKILL'), 10_000);
  await exited;
  clearTimeout(timer);
}

// ---- the chat window, read through the frameset's own page ----

// The text of one frame of the chat window ('' while it holds nothing).
function frameTextIn(name) {
  const el = document.getElementsByName(name)[0];
  const doc = el && el.contentDocument;
  return doc && doc.body ? doc.body.innerText : '';
}

// The names the user list frame shows, without "everybody" and the robot.
function listedNamesIn() {
  const el = document.getElementsByName('list')[0];
  const doc = el && el.contentDocument;
  if (!doc) return [];
  return Array.from(doc.querySelectorAll('a[data-name]'))
    .filter((a) => !a.classList.contains('all') && !a.classList.contains('robot'))
    .map((a) => a.getAttribute('data-name'))
    .sort();
}

async function frameText(visitor, frame) {
  return visitor.page.evaluate(frameTextIn, frame);
}

async function listedNames(visitor) {
  return visitor.page.evaluate(listedNamesIn);
}

// Reads a value of the visitor's window until it is what `ok` wants; a
// failure shows what was last seen.
async function eventually(read, ok, what) {
  const deadline = Date.now() + WAIT_MS;
  for (;;) {
    const value = await read();
    if (ok(value)) return value;
    if (Date.now() > deadline) {
      throw new assert.AssertionError({ message: `${what}; it shows:\n${JSON.stringify(value)}` });
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
}

async function waitForText(visitor, frame, text) {
  await eventually(() => frameText(visitor, frame), (t) => t.includes(text),
    `${visitor.name}: frame ${frame} never showed "${text}"`);
}

// Waits until the visitor's user list shows exactly `names`.
async function waitForList(visitor, names) {
  const wanted = JSON.stringify([...names].sort());
  await eventually(() => listedNames(visitor), (list) => JSON.stringify(list) === wanted,
    `${visitor.name}: the user list never showed ${wanted}`);
}

async function screenshot(visitor, moment) {
  await visitor.page.screenshot({ path: path.join(artifacts, `${moment}-${visitor.name}.png`) });
}

// ---- what a visitor does ----

async function logIn(context, base, name, sex, room) {
  const page = await context.newPage();
  const visitor = { name, page, errors: [] };
  page.on('pageerror', (e) => visitor.errors.push(String(e)));
  page.on('dialog', (d) => {
    visitor.errors.push('dialog: ' + d.message());
    d.dismiss().catch(() => {});
  });
  await page.goto(base);
  await page.fill('input[name=sUserName]', name);
  await page.fill('input[name=sPass]', PASSWORD);
  await page.selectOption('select[name=bSex]', sex);
  await page.selectOption('select[name=room_id]', room);
  await Promise.all([
    page.waitForURL(/\/chat\.asp$/, { timeout: WAIT_MS }),
    page.click('button[type=submit]'),
  ]);
  // The say list start-up fills the user list with the room's visitors.
  await eventually(() => listedNames(visitor), (list) => list.includes(name),
    `${name}: the user list never showed the visitor`);
  return visitor;
}

function inputFrame(visitor) {
  return visitor.page.frame({ name: 'input' });
}

// Picks the addressee by a click on a name in the user list frame.
async function address(visitor, name) {
  await visitor.page.frame({ name: 'list' }).click(`a[data-name="${name}"]`);
  await inputFrame(visitor).waitForFunction(
    (n) => document.getElementById('towhoname').textContent === n, name, { timeout: WAIT_MS });
}

// Types a line into the input frame and sends it with the Enter key.
async function say(visitor, text, { whisper = false } = {}) {
  const input = inputFrame(visitor);
  await input.setChecked('#whisper', whisper);
  await input.fill('input[name=saystemp]', text);
  await input.press('input[name=saystemp]', 'Enter');
}

// Changes room through the input frame's room choice (its options are the
// login page's rooms, loaded after the frame opens); returns the room's name.
async function changeRoom(visitor, room) {
  const input = inputFrame(visitor);
  const option = `#rooms option[value="${room}"]`;
  await input.waitForSelector(option, { state: 'attached', timeout: WAIT_MS });
  const name = await input.$eval(option, (o) => o.textContent.trim());
  await input.selectOption('#rooms', room);
  return name;
}

// ---- the test ----

// A normal run takes about half a minute; the bound keeps a broken server
// from holding the run for every wait in turn.
describe('the chat in headless Chromium', { timeout: 150_000 }, () => {
  const log = [];
  let dir;
  let server;
  let browser;
  let anna;  // posts the lines
  let bobo;  // a bystander, later changes rooms
  let cici;  // gets the private line, later follows bobo

  before(async () => {
    assert.ok(fs.existsSync(binary), `no tavolin binary at ${binary}: build it or set TAVOLIN_BINARY`);
    fs.mkdirSync(artifacts, { recursive: true });
    dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-e2e-'));
    let base;
    ({ server, base } = await startServer(dir, log));
    // launch() gives the browser an empty temporary profile of its own and
    // removes it at close; every visitor gets a separate context (cookies).
    browser = await chromium.launch({
      executablePath: '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--no-first-run',
        '--disable-component-update', '--disable-sync', '--disable-quic'],
    });
    const visitor = async (name, sex) =>
      logIn(await browser.newContext({ viewport: { width: 1000, height: 640 } }), base, name, sex, HALL);
    anna = await visitor('anna', '1');
    bobo = await visitor('bobo', '0');
    cici = await visitor('cici', '1');
  }, { timeout: 90_000 });

  after(async () => {
    try {
      if (browser) await browser.close();
    } finally {
      try {
        if (server) await stopServer(server);
      } finally {
        if (fs.existsSync(artifacts)) fs.writeFileSync(path.join(artifacts, 'server.log'), log.join(''));
        if (dir) fs.rmSync(dir, { recursive: true, force: true });
      }
    }
  });

  it('shows every visitor of the hall in each user list', async () => {
    for (const v of [anna, bobo, cici]) {
      await waitForList(v, ['anna', 'bobo', 'cici']);
      await screenshot(v, '01-entered');
    }
  });

  it('delivers a public line to everybody in the room', async () => {
    await say(anna, PUBLIC_LINE);
    for (const v of [anna, bobo, cici]) {
      await waitForText(v, 'say1', PUBLIC_LINE);
      await screenshot(v, '02-public-line');
    }
    assert.match(await frameText(bobo, 'say1'), new RegExp(`anna 对${EVERYBODY}说：${PUBLIC_LINE}`));
  });

  it('delivers a private line to its addressee alone', async () => {
    await address(anna, 'cici');
    await say(anna, PRIVATE_LINE, { whisper: true });
    await waitForText(cici, 'say2', PRIVATE_LINE);
    await waitForText(anna, 'say2', PRIVATE_LINE);
    assert.match(await frameText(cici, 'say2'), /\[悄悄话\]anna 对 cici 说：/);
    assert.ok(!(await frameText(cici, 'say1')).includes(PRIVATE_LINE), 'the private line is not public talk');

    // A public line posted after the private one: once bobo has it, his
    // polls have covered the private line too.
    await address(anna, EVERYBODY);
    await say(anna, AFTER_PRIVATE_LINE);
    await waitForText(bobo, 'say1', AFTER_PRIVATE_LINE);
    for (const frame of ['say1', 'say2']) {
      assert.ok(!(await frameText(bobo, frame)).includes(PRIVATE_LINE), `bobo's ${frame} shows the private line`);
    }
    for (const v of [anna, bobo, cici]) await screenshot(v, '03-private-line');
  });

  it('shows a room change in the user lists of both rooms', async () => {
    const roomName = await changeRoom(bobo, TEA_ROOM);
    assert.notEqual(roomName, '');
    await waitForText(bobo, 'title', roomName);
    await waitForList(bobo, ['bobo']);
    await waitForList(anna, ['anna', 'cici']);
    await waitForList(cici, ['anna', 'cici']);
    for (const v of [anna, bobo, cici]) await screenshot(v, '04-bobo-moved');

    // Someone already in the new room sees the next visitor arrive.
    await changeRoom(cici, TEA_ROOM);
    await waitForList(bobo, ['bobo', 'cici']);
    await waitForList(cici, ['bobo', 'cici']);
    await waitForList(anna, ['anna']);
    for (const v of [anna, bobo, cici]) await screenshot(v, '05-cici-moved');
  });

  it('raises no script errors in the chat windows and no page errors in the server', () => {
    for (const v of [anna, bobo, cici]) assert.deepEqual(v.errors, [], `${v.name}'s window`);
    const failed = log.join('').split('\n').filter((line) => /^tavolin: \S+: error /.test(line));
    assert.deepEqual(failed, [], 'pages that failed');
  });
});
