// The graphical host's pages: the settings pages the plug-in's schema
// describes, the engine check and verification, the server list, and
// host and join. Everything goes through the JSON API of the program that
// serves these files; nothing here decides what the command line would
// not (the filters, the refusals and their messages are the host's).
'use strict';

const $ = (selector) => document.querySelector(selector);

function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [key, value] of Object.entries(attributes)) {
    if (value === undefined || value === null || value === false) continue;
    if (key.startsWith('on')) node.addEventListener(key.slice(2), value);
    else if (key === 'class') node.className = value;
    else if (['value', 'checked', 'disabled', 'colSpan'].includes(key)) node[key] = value;
    else node.setAttribute(key, value === true ? '' : value);
  }
  return put(node, children, true);
}

/* Children as `el` takes them: arrays flattened, nothing for null. */
function put(node, children, append = false) {
  const nodes = children.flat(2).filter((c) => c !== null && c !== undefined && c !== false);
  if (append) node.append(...nodes);
  else node.replaceChildren(...nodes);
  return node;
}

/* Caption lines as the launcher shows them: one under the other. */
const lines = (texts) => texts.flatMap((line, i) => (i ? [el('br'), line] : [line]));

class ApiError extends Error {
  constructor(data, status) {
    super(data.error);
    this.data = data;
    this.status = status;
  }
}

async function api(path, body) {
  const response = await fetch(`/api/${path}`, body === undefined ? {} : {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
  });
  const text = await response.text();
  let data;
  try {
    data = JSON.parse(text);
  } catch {
    data = { error: text.trim() || `the host answered ${response.status}` };
  }
  if (!response.ok) throw new ApiError(data, response.status);
  return data;
}

/* What no page is there to show: the host gone, the token refused. */
function fail(error) {
  const box = $('#failure');
  box.textContent = error.message;
  box.hidden = false;
}

/* ---- Colour codes: '^' and any character but '^', as the engine reads
 * them. A letter picks its colour by its value as a digit does; ^0 and ^7
 * take the page's own text colour (app.css), readable on either scheme. */

function colourOf(character) {
  const value = character.codePointAt(0);
  return value >= 48 && value <= 57 ? value - 48 : ((value & 0xff) - 48) & 7;
}

const shown = (text) => text.replace(/[\u0000-\u001f\u007f-\u009f]/g, '?');

function coloured(text) {
  const parts = [];
  const characters = Array.from(shown(text));
  let colour = null;
  let run = '';
  const flush = () => {
    if (run) parts.push(colour === null ? run : el('span', { class: `c${colour}` }, run));
    run = '';
  };
  for (let i = 0; i < characters.length; i++) {
    if (characters[i] === '^' && i + 1 < characters.length && characters[i + 1] !== '^') {
      flush();
      colour = colourOf(characters[++i]);
    } else {
      run += characters[i];
    }
  }
  flush();
  return parts;
}

const plain = (text) => shown(text).replace(/\^[^^]/gu, '');

/* ---- The settings pages ---- */

function describe(setting) {
  const listed = (key) => (setting.type === 'boolean' ? { 1: 'on', 0: 'off' }[key]
    : setting.list.find((entry) => entry.key === key)?.text ?? key);
  const parts = [{ set: 'set', default: 'the default', 'not set': 'not set' }[setting.source]];
  if (setting.default !== undefined && setting.default !== '')
    parts.push(`default: ${listed(setting.default)}`);
  if (setting.type === 'textselect')
    parts.push(...setting.list.map((entry) => `${entry.key} stands for ${entry.text}`));
  return parts.join('; ');
}

function control(id, setting) {
  const { type, value, list } = setting;
  if (type === 'boolean') return el('input', { id, type: 'checkbox', checked: value === '1' });
  if (type === 'select') {
    const known = list.some((entry) => entry.key === value);
    const select = el('select', { id },
      known ? null : el('option', { value }, value === '' ? '(not set)' : value),
      list.map((entry) => el('option', { value: entry.key }, entry.text)));
    select.value = value;
    return select;
  }
  const input = el('input', { id, type: 'text', value, spellcheck: 'false' });
  if (Number(setting.maxlength) > 0) input.maxLength = Number(setting.maxlength);
  if (type === 'textselect') {
    input.setAttribute('list', `${id}-list`);
    return el('span', {}, input, el('datalist', { id: `${id}-list` },
      list.map((entry) => el('option', { value: entry.key, label: entry.text }))));
  }
  if (type === 'folder') input.classList.add('wide');
  return input;
}

function settingRow(page, group, setting) {
  if (setting.type === 'caption') return el('p', { class: 'caption' }, lines(setting.caption));
  const id = `${page}-${group}-${setting.name}`;
  const field = control(id, setting);
  const input = field.matches('span') ? field.firstChild : field;
  const about = el('p', { class: 'about', id: `${id}-about` }, describe(setting));
  const status = el('p', { class: 'status', id: `${id}-status`, 'aria-live': 'polite' });
  input.setAttribute('aria-describedby', `${id}-about ${id}-status`);
  input.addEventListener('change', async () => {
    const value = setting.type === 'boolean' ? (input.checked ? '1' : '0') : input.value;
    try {
      const answer = await api('settings', { page, group, setting: setting.name, value });
      Object.assign(setting, answer.setting);
      about.textContent = describe(setting);
      status.textContent = answer.hints.join(' ') || 'saved';
      status.className = answer.hints.length ? 'status hint' : 'status';
      input.removeAttribute('aria-invalid');
      /* As the launcher has the plug-in judge a folder once it is set. */
      if (setting.type === 'folder') await check();
    } catch (error) {
      status.textContent = error.message;
      status.className = 'status error';
      input.setAttribute('aria-invalid', 'true');
    }
  });
  return el('div', { class: 'setting' },
    el('label', { for: id }, lines(setting.caption)), field, about, status);
}

function settingsPage(page) {
  const title = page.name === 'engine' ? 'Engine' : 'Multiplayer';
  put($(`#${page.name}`), [
    el('h2', { id: `${page.name}-title` }, title),
    page.groups.map((group) => el('fieldset', {}, el('legend', {}, group.name),
      group.settings.map((setting) => settingRow(page.name, group.name, setting))))]);
}

/* ---- Check and verify ---- */

function showMessage(message) {
  $('#message-caption').textContent = message.caption;
  $('#message-text').textContent = message.text;
  $('#message').showModal();
}

/* A button's request, with the button held until it is answered. */
async function busy(button, work) {
  button.disabled = true;
  try {
    await work();
  } catch (error) {
    fail(error);
  } finally {
    button.disabled = false;
  }
}

async function check() {
  const report = await api('check', {});
  put($('#check-result'), [el('dl', {},
    el('dt', {}, 'Engine folder'), el('dd', {}, el('code', {}, report.folder)),
    el('dt', {}, 'Verdict'),
    el('dd', {}, `HostSetEngineValid ${report.verdict} (${report.usable ? 'usable' : 'not usable'})`),
    el('dt', {}, 'Content flags'), el('dd', {}, report.content_flags)),
  report.problem ? el('p', { class: 'error' }, report.problem) : null]);
  if (report.message) showMessage(report.message);
}

async function verify(record) {
  const report = await api('verify', { record });
  const rows = report.files.map((f) => el('tr', {},
    el('th', { scope: 'row' }, f.name),
    f.present
      ? [el('td', {}, `found in ${f.where}`), el('td', { class: 'number' }, `${f.size} bytes`),
        el('td', {}, el('code', { class: 'digest' }, f.sha256))]
      : el('td', { class: 'error', colSpan: 3 }, `not found (or unreadable) at ${f.path}`)));
  const kept = report.files.filter((f) => f.present).length;
  let verdict = 'all files match the manifest';
  if (report.recorded) verdict = `recorded ${kept} file(s) as the manifest`;
  else if (report.no_manifest) verdict = 'no manifest yet: record one to compare with';
  else if (report.differences.length)
    verdict = `${report.differences.length} difference(s) from the manifest:`;
  put($('#verify-result'), [
    report.note ? el('p', { class: 'hint' }, `note: ${report.note}`) : null,
    el('table', { class: 'files' },
      el('caption', {}, `Files the plug-in names (content flags ${report.content_flags})`),
      el('thead', {}, el('tr', {}, ['File', 'Found', 'Size', 'SHA-256'].map(
        (h) => el('th', { scope: 'col' }, h)))),
      el('tbody', {}, rows)),
    el('p', { class: report.failed ? 'error' : 'ok' }, verdict),
    el('ul', {}, report.differences.map((d) => el('li', {}, d))),
    report.failed ? el('p', { class: 'error' }, 'verification failed') : null]);
}

/* ---- The servers ---- */

const servers = {
  listing: { running: false, servers: [] },
  passing: null, /* the addresses the filters keep; null: no filter on */
  typed: '',
  sort: { key: 'ping', direction: 1 },
  open: new Set(), /* addresses whose players are shown */
  asked: new Map(), /* address: the players asked on demand */
  gameTypes: [],
  filters: [],
};

const typeName = (s) => (s.game_type === null ? '?'
  : servers.gameTypes[s.game_type] ?? `type ${s.game_type}`);

function otherGame(s) {
  if (!s.answered || s.joinable) return '';
  return s.protocol !== null && s.protocol !== 84 ? `other game (protocol ${s.protocol})`
    : `other game (${s.game})`;
}

function playersText(s) {
  const n = (v) => (v === null ? '?' : String(v));
  const count = s.humans !== null && s.bots !== null ? `${s.humans}+${s.bots}` : n(s.players);
  return `${count}/${n(s.max_players)}`;
}

const sortKeys = {
  name: (s) => plain(s.name).toLowerCase(),
  mod: (s) => (s.mod ?? '').toLowerCase(),
  map: (s) => plain(s.map).toLowerCase(),
  players: (s) => s.players ?? -1,
  type: (s) => typeName(s).toLowerCase(),
  ping: (s) => s.ping_ms,
  address: (s) => s.address.split(/[.:]/).map((part) => part.padStart(5, '0')).join('.'),
};

/* The silent ones last, in the order listed; ties keep the faster first. */
function compare(a, b) {
  if (a.answered !== b.answered) return a.answered ? -1 : 1;
  if (!a.answered) return 0;
  const key = sortKeys[servers.sort.key];
  const x = key(a);
  const y = key(b);
  return (x < y ? -1 : x > y ? 1 : 0) * servers.sort.direction || a.ping_ms - b.ping_ms;
}

function playerRows(s) {
  const players = s.player_list ?? servers.asked.get(s.address);
  let body;
  if (players === undefined || players === null) body = 'asking the server for its players…';
  else if (typeof players === 'string') body = players;
  else if (!players.length) body = 'no one on';
  else {
    body = el('table', { class: 'players' }, el('tbody', {}, players.map((p) => el('tr', {},
      el('td', {}, coloured(p.name)), el('td', { class: 'number' }, `score ${p.score}`),
      el('td', { class: 'number' }, `ping ${p.ping} ms`)))));
  }
  return el('tr', { class: 'player-row' }, el('td', {}), el('td', { colSpan: 8 }, body));
}

async function askPlayers(address) {
  try {
    const server = await api('info', { address });
    servers.asked.set(address, server.answered ? server.player_list ?? 'no players came'
      : 'the server sent no answer');
  } catch (error) {
    servers.asked.set(address, error.message);
  }
  renderServers();
}

function togglePlayers(s) {
  if (servers.open.delete(s.address)) return renderServers();
  servers.open.add(s.address);
  if (!s.player_list && !servers.asked.has(s.address)) askPlayers(s.address);
  return renderServers();
}

function serverRow(s) {
  const name = plain(s.name) || s.address;
  const other = otherGame(s);
  const silent = s.reachable ? '(not answering)' : '(unreachable)';
  const open = servers.open.has(s.address);
  const cells = [
    el('td', {}, el('button', {
      class: 'star', 'aria-pressed': String(s.favourite), 'data-key': `star ${s.address}`,
      'aria-label': `favourite: ${name}`, onclick: () => star(s.address, !s.favourite),
    }, s.favourite ? '★' : '☆')),
    el('td', { class: s.answered ? 'name' : 'name silent' }, s.answered ? coloured(s.name) : silent),
    el('td', {}, s.mod ?? ''),
  ];
  if (other) cells.push(el('td', { class: 'other', colSpan: 3 }, other));
  else if (!s.answered) cells.push(el('td', {}), el('td', {}), el('td', {}));
  else {
    cells.push(el('td', {}, coloured(s.map)),
      el('td', { class: 'number' }, playersText(s), s.needpass
        ? [' ', el('abbr', { class: 'mark', title: 'needs a password, which the launch cannot carry' }, 'pw')]
        : null),
      el('td', {}, typeName(s)));
  }
  cells.push(
    el('td', { class: 'number' }, s.answered ? `${Math.round(s.ping_ms)} ms` : '-'),
    el('td', {}, s.address),
    el('td', { class: 'row-actions' },
      el('button', {
        type: 'button', 'aria-expanded': String(open), 'data-key': `players ${s.address}`,
        disabled: !s.answered, 'aria-label': `players on ${name}`, onclick: () => togglePlayers(s),
      }, 'Players'),
      el('button', {
        type: 'button', 'data-key': `join ${s.address}`, disabled: servers.listing.running,
        'aria-label': `join ${name}`, onclick: () => launch({ hosting: false, pick: s.index }),
      }, 'Join')));
  const row = el('tr', { class: s.answered ? '' : 'silent' }, cells);
  return open ? [row, playerRows(s)] : [row];
}

function summary() {
  const { listing, passing, typed } = servers;
  const all = listing.servers ?? [];
  const p = listing.progress;
  if (listing.running) return p ? `${p.answered} of ${p.listed} answered, ${p.elapsed_s.toFixed(1)} s` : 'asking…';
  if (!p && !all.length) return '';
  const answered = all.filter((s) => s.answered).length;
  const refused = all.filter((s) => !s.answered && !s.reachable).length;
  const master = listing.master && !listing.error ? listing.master : 'your favourites';
  let line = passing ? `${passing.size} of ${all.length} servers shown (filters: ${typed}); ` : '';
  line += `${all.length} servers listed by ${master}, ${answered} answering, `
    + `${all.length - answered - refused} silent, ${refused} unreachable`;
  if (p) line += ` (${p.elapsed_s.toFixed(2)} s)`;
  return line;
}

function renderServers() {
  const { listing, passing } = servers;
  const rows = (listing.servers ?? []).filter((s) => !passing || passing.has(s.address));
  rows.sort(compare);
  const focused = document.activeElement?.dataset?.key;
  put($('#server-table tbody'), rows.map(serverRow));
  if (focused) document.querySelector(`[data-key="${CSS.escape(focused)}"]`)?.focus();
  for (const th of document.querySelectorAll('#server-table th[data-sort]')) {
    if (th.dataset.sort !== servers.sort.key) th.removeAttribute('aria-sort');
    else th.setAttribute('aria-sort', servers.sort.direction > 0 ? 'ascending' : 'descending');
  }
  const progress = $('#progress');
  progress.hidden = !listing.running;
  if (listing.progress) {
    progress.max = Math.max(listing.progress.listed, 1);
    progress.value = listing.progress.answered;
  }
  $('#summary').textContent = summary();
  const failure = $('#listing-error');
  let why = '';
  if (listing.off) {
    why = 'public servers are off (engine servers performquery is 0): no master asked; turn '
      + 'them on on the engine page (Show public servers), or name a master above';
  } else if (listing.error) {
    why = listing.exit_code === undefined ? `${listing.error}; your favourites are shown below`
      : listing.error;
  }
  const needsPlayers = servers.filters.some((f) => f.needs_status && f.value());
  if (needsPlayers && rows.length === 0 && (listing.servers ?? []).some((s) => s.answered && !s.player_list))
    why = 'the player filter needs each server\'s players: ask for them and list again';
  failure.textContent = why;
  failure.hidden = !why;
}

/* The filters as the command line takes them, read by the host itself. */
async function applyFilters() {
  const chosen = servers.filters.filter((f) => f.value() !== null)
    .map((f) => ({ option: f.option, value: f.value() }));
  for (const f of servers.filters) f.status.textContent = '';
  if (!chosen.length) {
    servers.passing = null;
    return;
  }
  try {
    const answer = await api('servers/filter', { filters: chosen });
    servers.passing = new Set(answer.shown);
    servers.typed = answer.typed;
  } catch (error) {
    const wrong = servers.filters.find((f) => f.option === error.data?.option);
    if (!wrong) throw error;
    wrong.status.textContent = error.message;
    servers.passing = null; /* none applied until it reads, as the command line takes none */
  }
}

function filterField(kind) {
  const id = `filter${kind.option.slice(1)}`;
  const status = el('span', { class: 'status error', id: `${id}-status`, 'aria-live': 'polite' });
  const input = kind.value_name === null
    ? el('input', { id, type: 'checkbox' })
    : el('input', {
      id, type: 'text', size: 10, placeholder: kind.value_name, 'aria-describedby': `${id}-status`,
      list: kind.option === '--game-type' ? 'game-types' : null,
    });
  const value = () => {
    if (input.type === 'checkbox') return input.checked ? '' : null;
    return input.value.trim() === '' ? null : input.value.trim();
  };
  input.addEventListener('change', () => applyFilters().then(renderServers, fail));
  servers.filters.push({ option: kind.option, needs_status: kind.needs_status, value, status });
  const label = kind.help.replace(/^Show only servers /, '');
  return el('div', { class: 'filter' }, el('label', { for: id }, label), input, status);
}

async function pollServers() {
  servers.listing = await api('servers');
  await applyFilters();
  renderServers();
  if (servers.listing.running) setTimeout(() => pollServers().catch(fail), 200);
}

async function list(event) {
  event.preventDefault();
  const body = { players: $('#with-players').checked };
  const master = $('#master').value.trim();
  if (master) body.master = master;
  servers.open.clear();
  servers.asked.clear();
  try {
    servers.listing = await api('servers', body);
  } catch (error) {
    servers.listing = { ...servers.listing, ...error.data };
  }
  renderServers();
  if (servers.listing.running) await pollServers();
}

function sortBy(key) {
  const { sort } = servers;
  if (sort.key === key) sort.direction = -sort.direction;
  else Object.assign(sort, { key, direction: key === 'players' ? -1 : 1 });
  renderServers();
}

/* ---- Favourites and those joined lately ---- */

function renderBookmarks(bookmarks) {
  const starred = new Set(bookmarks.favourites);
  for (const s of servers.listing.servers ?? []) s.favourite = starred.has(s.address);
  const join = (address, label) => el('button', {
    type: 'button', 'aria-label': `join ${label}`, onclick: () => launch({ hosting: false, address }),
  }, 'Join');
  put($('#favourites'), bookmarks.favourites.length ? bookmarks.favourites.map(
    (address) => el('li', {}, el('code', {}, address), join(address, address),
      el('button', { type: 'button', 'aria-label': `unstar ${address}`, onclick: () => star(address, false) }, 'Unstar')))
    : [el('li', { class: 'hint' }, 'none yet: star a server in the list')]);
  put($('#recent'), bookmarks.recent.length ? bookmarks.recent.map(
    (r) => el('li', {}, el('span', { class: 'name' }, coloured(r.name || r.address)), ' ',
      el('code', {}, r.address), ' ', el('time', { datetime: r.joined }, new Date(r.joined).toLocaleString()),
      join(r.address, plain(r.name) || r.address)))
    : [el('li', { class: 'hint' }, 'none yet')]);
  renderServers();
}

async function star(address, starred) {
  try {
    renderBookmarks(await api('favourites', { address, starred }));
  } catch (error) {
    fail(error);
  }
}

/* ---- Host and join ---- */

let game = { state: 'idle' };
let launched = null; /* the last launch asked for, to ask again with force */

function refuse(error, body) {
  $('#refusal-text').textContent = error.message;
  const force = $('#force');
  force.hidden = !error.data?.forceable;
  const dialog = $('#refusal');
  dialog.onclose = () => {
    if (dialog.returnValue === 'force') launch({ ...body, force: true });
  };
  dialog.returnValue = '';
  dialog.showModal();
}

function renderGame() {
  const running = game.state === 'starting' || game.state === 'running';
  $('#stop').hidden = !running;
  $('#host').disabled = running;
  let status = 'no game launched yet';
  if (game.state === 'starting') status = 'starting';
  if (game.state === 'running') status = `game running, ${game.seconds.toFixed(1)} s`;
  if (game.state === 'ended') {
    status = `the game ended after ${game.seconds.toFixed(1)} s (${game.polls} polls); `
      + `highlight colour: ${game.colour_after}${game.colour_after === game.colour_before
        ? ', as before the launch' : `, changed from ${game.colour_before}`}`;
  }
  if (game.state === 'failed') status = game.error;
  const line = $('#game-status');
  line.textContent = game.what && game.state !== 'failed' ? `${game.what}: ${status}` : status;
  line.className = game.state === 'failed' ? 'error' : '';
  put($('#game-notes'), (game.notes ?? []).map((n) => el('li', { class: 'hint' }, `note: ${n}`)));
  $('#game-script').hidden = !game.script;
  $('#script-path').textContent = game.script_path ?? '';
  $('#script').textContent = (game.script ?? '').replaceAll('\r\n', '\n');
}

async function pollGame() {
  game = await api('game');
  renderGame();
  if (game.state === 'starting' || game.state === 'running') {
    setTimeout(() => pollGame().catch(fail), 200);
    return;
  }
  /* Refused before the game started (its script was never written); a
   * stopped wait or a game gone wrong is told on the page. */
  if (game.state === 'failed' && launched && !game.script) refuse(new ApiError(game, 400), launched);
  launched = null;
  if (game.state === 'ended') renderBookmarks(await api('favourites'));
}

async function launch(body) {
  const request = { ...body, player: $('#player').value };
  try {
    game = await api('game', request);
  } catch (error) {
    if (!(error instanceof ApiError) || error.status === 403) return fail(error);
    return refuse(error, body);
  }
  launched = body;
  location.hash = '#game';
  renderGame();
  return pollGame();
}

/* ---- Pages and start ---- */

function route() {
  const name = location.hash.slice(1) || 'engine';
  const page = document.getElementById(name)?.matches('main > section') ? name : 'engine';
  for (const section of document.querySelectorAll('main > section')) section.hidden = section.id !== page;
  for (const link of document.querySelectorAll('nav a')) {
    if (link.hash === `#${page}`) link.setAttribute('aria-current', 'page');
    else link.removeAttribute('aria-current');
  }
}

async function start() {
  const [schema, filters, bookmarks] = await Promise.all([api('schema'), api('filters'), api('favourites')]);
  $('#title').textContent = schema.plugin;
  document.title = schema.plugin;
  $('#settings-file').textContent = schema.settings_file;
  schema.pages.forEach(settingsPage);
  servers.gameTypes = filters.game_types;
  $('#filters').append(...filters.filters.map(filterField),
    el('datalist', { id: 'game-types' }, filters.game_types.map((t) => el('option', { value: t }))));
  renderBookmarks(bookmarks);
  await pollServers();
  await pollGame();
}

window.addEventListener('hashchange', route);
document.addEventListener('DOMContentLoaded', () => {
  route();
  $('#player').value = localStorage.getItem('player') ?? 'Player';
  $('#player').addEventListener('change', (e) => localStorage.setItem('player', e.target.value));
  $('#check-run').addEventListener('click', (e) => busy(e.target, check));
  $('#verify-run').addEventListener('click', (e) => busy(e.target, () => verify(false)));
  $('#verify-record').addEventListener('click', (e) => busy(e.target, () => verify(true)));
  $('#listing').addEventListener('submit', (e) => list(e).catch(fail));
  $('#host').addEventListener('click', () => launch({ hosting: true }));
  $('#stop').addEventListener('click', () => api('game/stop', {}).catch(fail));
  for (const th of document.querySelectorAll('#server-table th[data-sort]'))
    th.querySelector('button').addEventListener('click', () => sortBy(th.dataset.sort));
  start().catch(fail);
});
