// A real `tavolin serve` for the tests: a free port, a fresh database in a
// temporary folder (with the installation settings a test asks for), and the
// site's files from site/.

import { spawn, spawnSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const binary = path.resolve(here, process.env.TAVOLIN_BINARY || '../build/tavolin');

// Resolves with { base, db, log, stop } once the server's first line names its
// port; stop() ends it and removes the folder.
export async function startServer(settings = {}) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-test-'));
  const [db, log] = [path.join(dir, 'chat.db'), []];
  // The database is made and seeded first so that the settings are in it
  // before the server loads them.
  spawnSync(binary, ['load', 'sqlite:' + db], { stdio: 'ignore' });
  for (const [alias, body] of Object.entries(settings)) {
    const set = spawnSync('sqlite3', [db, `UPDATE sysparam SET body='${body}' WHERE alias='${alias}'`]);
    if (set.status !== 0) throw new Error('sqlite3: ' + set.stderr);
  }
  const server = spawn(binary, ['serve', '--listen', '127.0.0.1:0', '--db', 'sqlite:' + db,
    '--site', path.join(here, '..', 'site'), '--log-level', 'info'], { cwd: dir, stdio: ['ignore', 'pipe', 'pipe'] });
  server.stderr.on('data', (chunk) => log.push(chunk.toString()));
  const lines = readline.createInterface({ input: server.stdout }).on('line', (l) => log.push(l + '\n'));
  const stop = async () => {
    if (server.exitCode === null && server.signalCode === null) {
      const exited = once(server, 'exit');
      server.kill('SIGTERM');
      const timer = setTimeout(() => server.kill('SIGKILL'), 10_000);
      await exited;
      clearTimeout(timer);
    }
    fs.rmSync(dir, { recursive: true, force: true });
  };
  try {
    const exited = once(server, 'exit').then(([code]) => { throw new Error(`tavolin serve exited (${code})`); });
    exited.catch(() => {});  // an exit after the first line is stop()'s
    const [line] = await Promise.race([once(lines, 'line', { signal: AbortSignal.timeout(20_000) }), exited]).catch((e) => {
      throw e.name === 'AbortError' ? new Error('tavolin serve did not say where it listens') : e;
    });
    const m = /^tavolin: listening on (http:\/\/127\.0\.0\.1:\d+\/)/.exec(line);
    if (!m) throw new Error('unexpected first line: ' + line);
    return { base: m[1], db, log, stop };
  } catch (e) {
    await stop();
    throw e;
  }
}

// Logs a visitor in over plain HTTP; resolves with the session cookie.
export async function logIn(base, name, password, room = '1') {
  const answer = await fetch(base + 'login.asp', {
    method: 'POST',
    headers: { 'content-type': 'application/x-www-form-urlencoded' },
    body: new URLSearchParams({ sUserName: name, sPass: password, bSex: '0', room_id: room }),
  });
  if (!/chat\.asp/.test(await answer.text())) throw new Error(name + ' was not let in');
  return answer.headers.get('set-cookie').split(';')[0];
}

// A page of the site as text (the wire carries GBK).
export async function page(base, address, cookie) {
  const answer = await fetch(base + address, { headers: { cookie } });
  return new TextDecoder('gbk').decode(await answer.arrayBuffer());
}
