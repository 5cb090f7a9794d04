// The graphical host in Debian's chromium (driven by playwright-core) against the real program,
// the stand-in servers and the stand-in game: the road a player takes, and the server's refusals
// of what is not its own page. Skips (exit 77) without chromium or the npm package (./test.sh).
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
const at = (...parts) => path.join(dir, ...parts);
const children = [];
let context, page, url, ports, silentMaster;

/* Starts a program; resolves with its first line of output. */
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
  fs.mkdirSync(at('engine', 'etmain'), { recursive: true });
  fs.writeFileSync(at('engine', 'etmain', 'pak0.pk3'), 'pak');
  fs.writeFileSync(at('colours'), '13 0x00ABCDEF\n');
  const et = '\\protocol\\84\\gamename\\et\\gametype\\2';
  ports = (await start(process.env.STAND_IN_SERVERS, [
    '--server', `\\hostname\\^1Red^7Fox\\mapname\\oasis${et}\\needpass\\1\\clients\\1\\sv_maxclients\\20`,
    '--player', '5', '40', '^2Al', '--server', `\\hostname\\Blue\\mapname\\goldrush${et}\\clients\\0\\sv_maxclients\\9`,
    '--server', '\\hostname\\Other\\protocol\\68', '--silent', '--closed'])).split(' ');
  [silentMaster] = (await start(process.env.STAND_IN_SERVERS, ['--master-silent'])).split(' ');
  url = await start(process.env.WOLFET_HOST, ['ui', '--no-open'], {
    WOLFET_HOST_SETTINGS: at('settings.json'), HOME: dir, XDG_CONFIG_HOME: '', XDG_STATE_HOME: '',
    SDLL_SYSCOLOR_FILE: at('colours'), FAKE_ET_RUN_MS: '1500', FAKE_ET_SET_COLOUR: '0x00112233' });
  context = await chromium.launchPersistentContext(at('browser'), {
    executablePath: chromiumPath, headless: true, env: { ...process.env, HOME: dir },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
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
    await page.screenshot({ path: path.join(process.env.SCREENSHOTS ?? at(), `${name}-${width}.png`), fullPage: true });
  }
}
const text = (selector) => page.locator(selector).innerText();
const words = (lines) => lines.join(' ').replace(/\s+/g, ' ').trim();
const names = () => page.locator('#server-table tbody td.name').allInnerTexts();
const listed = (s) => page.waitForFunction((t) => document.querySelector('#summary').textContent.includes(t), s);
const enter = async (selector, value) => { await page.fill(selector, value); await page.press(selector, 'Enter'); };
const go = (name) => page.click(`nav a[href="#${name}"]`);

test('settings, check, verify, servers, favourites, join and the colour back', async () => {
  const schema = await page.evaluate(() => fetch('/api/schema').then((r) => r.json()));
  for (const { name: pageName, groups } of schema.pages) {
    await go(pageName);
    for (const group of groups) for (const s of group.settings) {
      const id = `${pageName}-${group.name}-${s.name}`;
      const label = s.type === 'caption' ? `#${pageName}` : `label[for="${id}"]`;
      assert.ok(words([await text(label)]).includes(words(s.caption)), s.name);
      if (s.type === 'caption') continue;
      const seen = await page.$eval(`#${id}`, (e) => [e.type, e.type === 'checkbox' ? e.checked : e.value,
        [...(e.options ?? e.list?.options ?? [])].map((o) => o.label)]);
      const type = { boolean: 'checkbox', select: 'select-one' }[s.type] ?? 'text';
      assert.deepEqual(seen.slice(0, 2), [type, type === 'checkbox' ? s.value === '1' : s.value], s.name);
      assert.deepEqual(s.list.filter((entry) => !seen[2].includes(entry.text)), [], s.name);
    }
    await screenshots(pageName);
  }

  // A folder without et.exe: the plug-in's own message, as the launcher's box.
  await go('engine');
  await enter('#engine-general-enginepath', at('engine') + '/');
  await page.waitForSelector('#message[open]');
  assert.match(await text('#message-text'), /et\.exe/);
  assert.equal(await page.evaluate(() => document.activeElement.closest('dialog')?.id), 'message');
  await page.keyboard.press('Escape');
  await page.waitForSelector('#message', { state: 'hidden' });
  assert.match(await text('#check-result'), /not usable: no et\.exe/);
  fs.copyFileSync(process.env.FAKE_ET, at('engine', 'et.exe'));
  await go('check');
  await page.click('#check-run');
  await page.waitForSelector('#check-result >> text=(usable)');
  await page.click('#verify-record');
  await page.waitForSelector('#verify-result >> text=recorded 2 file(s)');
  await page.click('#verify-run');
  await page.waitForSelector('#verify-result >> text=all files match the manifest');
  assert.match(await text('#verify-result tr:has-text("pak0.pk3")'),
    new RegExp(`found in etmain\\s+3 bytes\\s+${createHash('sha256').update('pak').digest('hex')}`));
  fs.writeFileSync(at('engine', 'etmain', 'pak0.pk3'), 'changed');
  await page.click('#verify-run');
  await page.waitForSelector('#verify-result >> text=verification failed');
  await screenshots('check');

  // The servers as they answer, from the master the engine page names.
  await go('engine');
  await enter('#engine-servers-masteraddress', `127.0.0.1:${ports[0]}`);
  await page.waitForSelector('#engine-servers-masteraddress-status >> text=saved');
  await go('servers');
  await page.check('#with-players');
  await page.click('#listing button[type=submit]');
  await page.waitForFunction(() => !document.querySelector('#progress').hidden && document.querySelector('#server-table tbody tr'));
  await listed(`5 servers listed by 127.0.0.1:${ports[0]}, 3 answering, 1 silent, 1 unreachable`);
  const red = page.locator('#server-table tbody tr:has-text("RedFox")');
  assert.equal(await red.locator('.c1').innerText(), 'Red');
  assert.notEqual(await red.locator('.c1').evaluate((e) => getComputedStyle(e).color),
    await page.evaluate(() => getComputedStyle(document.body).color));
  assert.match(await red.innerText(), /1\+0\/20 pw\s+Objective/);
  assert.match(await text('#server-table tbody tr:has-text("Other")'), /other game \(protocol 68\)/);
  await page.click('th[data-sort=name] button');
  assert.deepEqual(await names(), ['Blue', 'Other', 'RedFox', '(not answering)', '(unreachable)']);
  await page.focus('th[data-sort=name] button');
  await page.keyboard.press('Enter');
  assert.deepEqual(await names(), ['RedFox', 'Other', 'Blue', '(not answering)', '(unreachable)']);
  await red.locator('button:has-text("Players")').click();
  assert.match(await text('tr.player-row'), /Al\s+score 5\s+ping 40 ms/);
  await screenshots('servers');
  await page.check('#filter-not-empty');
  await enter('#filter-map', 'OAS');
  await listed('1 of 5 servers shown (filters: --not-empty --map OAS)');
  assert.deepEqual(await names(), ['RedFox']);
  await enter('#filter-game-type', 'bogus');
  await page.waitForSelector("#filter-game-type-status >> text='bogus' is not a game type");

  // A password the launch cannot carry: refused, with the way past it offered.
  await red.locator('button:has-text("Join")').click();
  await page.waitForSelector('#refusal[open] >> text=needs a password');
  assert.ok(await page.isVisible('#force'));
  await page.keyboard.press('Escape');
  await page.waitForSelector('#refusal', { state: 'hidden' });

  // A favourite is asked even when the master says nothing.
  const blue = `127.0.0.1:${ports[2]}`;
  await page.click('#server-table tbody tr:has-text("Blue") button.star');
  await page.waitForSelector(`#favourites >> text=${blue}`);
  await page.fill('#master', `127.0.0.1:${silentMaster}`);
  await page.click('#listing button[type=submit]');
  await listed('1 servers listed by your favourites');
  assert.deepEqual(await names(), ['Blue']);
  assert.match(await text('#listing-error'), /sent no server list.*your favourites are shown/);

  // Join; a script in the game's home folder is refused until forced.
  fs.mkdirSync(at('.etlegacy', 'etmain'), { recursive: true });
  fs.writeFileSync(at('.etlegacy', 'etmain', 'launch.cfg'), 'map oasis\n');
  await page.fill('#player', 'Tester');
  await page.click('#server-table tbody tr:has-text("Blue") button:has-text("Join")');
  await page.waitForSelector("#refusal[open] >> text=in the game's home folder");
  await page.click('#force');
  await page.waitForSelector('#game-status >> text=game running');
  assert.match(await text('#script'), new RegExp(`name Tester\\s+connect ${blue}`));
  await page.waitForSelector('#game-status >> text=the game ended after');
  assert.match(await text('#game-status'), /highlight colour: 0x00ABCDEF \(#EFCDAB\), as before the launch/);
  assert.match(fs.readFileSync(at('colours'), 'utf8'), /^13 0x00ABCDEF$/m);
  await screenshots('game');
  await go('servers');
  await page.waitForSelector(`#recent >> text=${blue}`);
});

test('the server answers only its own pages: token, Host and Origin', async () => {
  const { host, hostname, port } = new URL(url);
  const request = (method, target, headers, body) => new Promise((resolve, reject) => {
    const r = http.request({ hostname, port, method, path: target, headers }, (res) => {
      let data = '';
      res.on('data', (d) => { data += d; }).on('end', () => resolve({ status: res.statusCode, data }));
    }).on('error', reject);
    r.end(body);
  });
  const cookie = `wolfet-host-token=${new URL(url).searchParams.get('token')}`;
  const parameters = async () => JSON.parse((await request('GET', '/api/schema', { Cookie: cookie })).data)
    .pages[0].groups[0].settings.find((s) => s.name === 'parameters').value;
  const set = (origin, value) => request('POST', '/api/settings', { Cookie: cookie, Origin: origin },
    JSON.stringify({ page: 'engine', group: 'general', setting: 'parameters', value }));
  assert.equal((await request('GET', '/api/schema', {})).status, 403);
  assert.equal((await request('GET', '/api/schema', { Cookie: 'wolfet-host-token=0' })).status, 403);
  assert.equal((await request('GET', '/api/schema', { Cookie: cookie, Host: `evil.example:${port}` })).status, 403);
  assert.equal((await set('http://evil.example', 'evil')).status, 403);
  assert.equal(await parameters(), '');
  assert.equal((await set(`http://${host}`, 'mine')).status, 200);
  assert.equal(await parameters(), 'mine');
});
