// The graphical host in a real browser (Debian's chromium, driven by
// playwright-core) against the real program, the stand-in servers and the
// stand-in game: the whole road a player takes, and the server's refusals
// of what is not its own page. Skips (exit 77) where chromium or the npm
// package is missing; ./test.sh installs both.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';
const skip = (why) => { console.log(`SKIPPED: ${why}; the browser tests do not run`); process.exit(77); };
if (!fs.existsSync(chromiumPath)) skip(`no ${chromiumPath} (Debian: chromium)`);
const { chromium } = await import('playwright-core').catch(() => skip('no playwright-core (npm ci in tests/ui)'));

const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'wolfet-ui-'));
const engine = path.join(dir, 'engine') + '/';
const shots = process.env.SCREENSHOTS ?? path.join(dir, 'screenshots');
const children = [];
let context, page, base, token, standIns, silentMaster;

/* Starts a program and resolves with its first line of output. */
function start(program, args, env = {}) {
  const child = spawn(program, args, { env: { ...process.env, ...env }, stdio: ['pipe', 'pipe', 'inherit'] });
  children.push(child);
  return new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (d) => { out += d; if (out.includes('\n')) resolve(out.split('\n')[0]); });
    child.on('exit', (code) => reject(new Error(`${program} exited with ${code}`)));
  });
}

before(async () => {
  fs.mkdirSync(path.join(engine, 'etmain'), { recursive: true });
  fs.writeFileSync(path.join(engine, 'etmain', 'pak0.pk3'), 'pak');
  fs.writeFileSync(path.join(dir, 'colours'), '13 0x00ABCDEF\n');
  standIns = (await start(process.env.STAND_IN_SERVERS, [
    '--server', '\\hostname\\^1Red^7Fox\\mapname\\oasis\\protocol\\84\\gamename\\et\\needpass\\1\\clients\\1\\sv_maxclients\\20\\gametype\\2',
    '--player', '5', '40', '^2Al',
    '--server', '\\hostname\\Blue\\mapname\\goldrush\\protocol\\84\\gamename\\et\\needpass\\0\\clients\\0\\sv_maxclients\\10\\gametype\\3',
    '--server', '\\hostname\\Other\\protocol\\68\\gamename\\q3', '--silent', '--closed'])).split(' ');
  [silentMaster] = (await start(process.env.STAND_IN_SERVERS, ['--master-silent'])).split(' ');
  const url = await start(process.env.WOLFET_HOST, ['ui', '--no-open'], {
    WOLFET_HOST_SETTINGS: path.join(dir, 'settings.json'), HOME: dir, XDG_CONFIG_HOME: '', XDG_STATE_HOME: '',
    SDLL_SYSCOLOR_FILE: path.join(dir, 'colours'), FAKE_ET_RUN_MS: '1500', FAKE_ET_SET_COLOUR: '0x00112233',
  });
  [base, token] = url.split('/?token=');
  context = await chromium.launchPersistentContext(path.join(dir, 'browser'), {
    executablePath: chromiumPath, headless: true, env: { ...process.env, HOME: dir },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await context.newPage();
  page.setDefaultTimeout(10000);
  page.on('pageerror', (e) => assert.fail(`the page threw: ${e.message}`));
  await page.goto(url);
});

after(async () => {
  await context?.close();
  for (const child of children) child.kill();
  fs.rmSync(dir, { recursive: true, force: true });
});

async function screenshots(name) {
  for (const width of [800, 1920]) {
    await page.setViewportSize({ width, height: 900 });
    await page.screenshot({ path: path.join(shots, `${name}-${width}.png`), fullPage: true });
  }
}
const text = (selector) => page.locator(selector).innerText();
const squash = (lines) => lines.join(' ').replace(/\s+/g, ' ').trim();
const names = () => page.locator('#server-table tbody td.name').allInnerTexts();
const listed = (summary) => page.waitForFunction(
  (s) => document.querySelector('#summary').textContent.includes(s), summary, { timeout: 10000 });

test('settings, check, verify, servers, favourites, join and the colour back', async () => {
  const schema = await page.evaluate(() => fetch('/api/schema').then((r) => r.json()));
  for (const { name: pageName, groups } of schema.pages) {
    await page.click(`nav a[href="#${pageName}"]`);
    for (const group of groups) for (const s of group.settings) {
      if (s.type === 'caption') {
        assert.ok(squash([await text(`#${pageName}`)]).includes(squash(s.caption)), s.name);
        continue;
      }
      const id = `#${pageName}-${group.name}-${s.name}`;
      assert.equal(squash([await text(`label[for="${id.slice(1)}"]`)]), squash(s.caption));
      const seen = await page.$eval(id, (e) => ({ type: e.type, value: e.value, checked: e.checked,
        options: [...(e.options ?? e.list?.options ?? [])].map((o) => o.label) }));
      const type = { boolean: 'checkbox', select: 'select-one' }[s.type] ?? 'text';
      assert.deepEqual([seen.type, seen.type === 'checkbox' ? seen.checked : seen.value],
        [type, type === 'checkbox' ? s.value === '1' : s.value], s.name);
      for (const entry of s.list) assert.ok(seen.options.includes(entry.text), `${s.name}: ${entry.text}`);
      if (s.default) assert.match(await text(`${id}-about`), /default: /);
    }
    await screenshots(pageName);
  }

  // A folder without et.exe: the plug-in's own message, as the launcher's box.
  await page.click('nav a[href="#engine"]');
  await page.fill('#engine-general-enginepath', engine);
  await page.press('#engine-general-enginepath', 'Enter');
  await page.waitForSelector('#message[open]');
  assert.match(await text('#message-text'), /et\.exe/);
  assert.equal(await page.evaluate(() => document.activeElement.closest('dialog')?.id), 'message');
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message', { state: 'hidden' });
  assert.match(await text('#check-result'), /not usable: no et\.exe/);

  fs.copyFileSync(process.env.FAKE_ET, path.join(engine, 'et.exe'));
  await page.click('nav a[href="#check"]');
  await page.click('#check-run');
  await page.waitForFunction(() => document.querySelector('#check-result').textContent.includes('(usable)'));
  await page.click('#verify-record');
  await page.waitForSelector('#verify-result >> text=recorded 2 file(s)');
  await page.click('#verify-run');
  await page.waitForSelector('#verify-result >> text=all files match the manifest');
  const pak = await text('#verify-result tr:has-text("pak0.pk3")');
  assert.match(pak, /found in etmain\s+3 bytes/);
  assert.ok(pak.includes(createHash('sha256').update('pak').digest('hex')));
  fs.writeFileSync(path.join(engine, 'etmain', 'pak0.pk3'), 'changed');
  await page.click('#verify-run');
  await page.waitForSelector('#verify-result >> text=verification failed');
  await screenshots('check');

  // The servers as they answer, from the master the engine page names.
  await page.click('nav a[href="#engine"]');
  await page.fill('#engine-servers-masteraddress', `127.0.0.1:${standIns[0]}`);
  await page.press('#engine-servers-masteraddress', 'Enter');
  await page.waitForSelector('#engine-servers-masteraddress-status >> text=saved');
  await page.click('nav a[href="#servers"]');
  await page.check('#with-players');
  await page.click('#listing button[type=submit]');
  await page.waitForFunction(() => !document.querySelector('#progress').hidden
    && document.querySelector('#server-table tbody tr'));
  await listed(`5 servers listed by 127.0.0.1:${standIns[0]}, 3 answering, 1 silent, 1 unreachable`);
  const red = page.locator('#server-table tbody tr:has-text("RedFox")');
  assert.equal(await red.locator('.c1').innerText(), 'Red');
  assert.notEqual(await red.locator('.c1').evaluate((e) => getComputedStyle(e).color),
    await page.evaluate(() => getComputedStyle(document.body).color));
  assert.equal(await red.locator('abbr.mark').innerText(), 'pw');
  assert.match(await text('#server-table tbody tr:has-text("Other")'), /other game \(protocol 68\)/);
  assert.deepEqual((await names()).slice(3), ['(not answering)', '(unreachable)']);

  await page.click('th[data-sort=name] button');
  assert.deepEqual(await names(), ['Blue', 'Other', 'RedFox', '(not answering)', '(unreachable)']);
  await page.focus('th[data-sort=name] button');
  await page.keyboard.press('Enter');
  assert.deepEqual((await names()).slice(0, 3), ['RedFox', 'Other', 'Blue']);
  await page.click('th[data-sort=players] button');
  assert.deepEqual((await names()).slice(0, 2), ['RedFox', 'Blue']);

  await page.check('#filter-not-empty');
  await listed('1 of 5 servers shown (filters: --not-empty)');
  assert.deepEqual(await names(), ['RedFox']);
  await page.uncheck('#filter-not-empty');
  await page.fill('#filter-map', 'GOLD');
  await page.press('#filter-map', 'Enter');
  await listed('(filters: --map GOLD)');
  assert.deepEqual(await names(), ['Blue']);
  await page.fill('#filter-map', '');
  await page.fill('#filter-game-type', 'bogus');
  await page.press('#filter-game-type', 'Enter');
  await page.waitForSelector("#filter-game-type-status >> text='bogus' is not a game type");
  await page.fill('#filter-game-type', '');
  await page.press('#filter-game-type', 'Enter');
  await listed('5 servers listed');

  await red.locator('button:has-text("Players")').click();
  await page.waitForSelector('tr.player-row >> text=score 5');
  assert.match(await text('tr.player-row'), /Al\s+score 5\s+ping 40 ms/);
  await screenshots('servers');

  // A password the launch cannot carry: refused, with the way past it offered.
  await red.locator('button:has-text("Join")').click();
  await page.waitForSelector('#refusal[open] >> text=needs a password');
  assert.ok(await page.isVisible('#force'));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#refusal', { state: 'hidden' });

  // A favourite is asked even when the master says nothing.
  const blue = `127.0.0.1:${standIns[2]}`;
  await page.click('#server-table tbody tr:has-text("Blue") button.star');
  await page.waitForSelector(`#favourites >> text=${blue}`);
  await page.fill('#master', `127.0.0.1:${silentMaster}`);
  await page.click('#listing button[type=submit]');
  await listed('1 servers listed by your favourites');
  assert.deepEqual(await names(), ['Blue']);
  assert.match(await text('#listing-error'), /sent no server list.*your favourites are shown/);
  assert.equal(await page.getAttribute('#server-table button.star', 'aria-pressed'), 'true');

  // Join; the script in the game's home folder is refused until forced.
  fs.mkdirSync(path.join(dir, '.etlegacy', 'etmain'), { recursive: true });
  fs.writeFileSync(path.join(dir, '.etlegacy', 'etmain', 'launch.cfg'), 'map oasis\n');
  await page.fill('#player', 'Tester');
  await page.click('#server-table tbody tr:has-text("Blue") button:has-text("Join")');
  await page.waitForSelector("#refusal[open] >> text=in the game's home folder");
  await page.click('#force');
  await page.waitForSelector('#game-status >> text=game running');
  assert.match(await text('#script'), new RegExp(`name Tester\\s[\\s\\S]*connect ${blue}`));
  await page.waitForSelector('#game-status >> text=the game ended after', { timeout: 10000 });
  assert.match(await text('#game-status'), /highlight colour: 0x00ABCDEF \(#EFCDAB\), as before the launch/);
  assert.match(fs.readFileSync(path.join(dir, 'colours'), 'utf8'), /^13 0x00ABCDEF$/m);
  await screenshots('game');
  await page.click('nav a[href="#servers"]');
  await page.waitForSelector(`#recent >> text=${blue}`);
});

/* One request as anyone on this machine could send it. */
function request(method, target, headers = {}, body = '') {
  const { hostname, port } = new URL(base);
  return new Promise((resolve, reject) => {
    const r = http.request({ hostname, port, method, path: target, headers }, (res) => {
      let data = '';
      res.on('data', (d) => { data += d; });
      res.on('end', () => resolve({ status: res.statusCode, body: data }));
    });
    r.on('error', reject);
    r.end(body);
  });
}

test('the server answers only its own pages: token, Host and Origin', async () => {
  const { host, port } = new URL(base);
  const cookie = `wolfet-host-token=${token}`;
  const parameters = async () => JSON.parse((await request('GET', '/api/schema', { Cookie: cookie })).body)
    .pages[0].groups[0].settings.find((s) => s.name === 'parameters').value;
  const post = (origin, value) => request('POST', '/api/settings', { Cookie: cookie, Origin: origin },
    JSON.stringify({ page: 'engine', group: 'general', setting: 'parameters', value }));
  assert.equal((await request('GET', '/api/schema')).status, 403);
  assert.equal((await request('GET', '/api/schema', { Cookie: 'wolfet-host-token=0' })).status, 403);
  assert.equal((await request('GET', '/api/schema', { Cookie: cookie, Host: `evil.example:${port}` })).status, 403);
  assert.equal((await post('http://evil.example', 'evil')).status, 403);
  assert.equal(await parameters(), '');
  assert.equal((await post(`http://${host}`, 'mine')).status, 200);
  assert.equal(await parameters(), 'mine');
});
