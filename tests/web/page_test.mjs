// The web page in a real browser: Debian's chromium driven headless through
// chromedriver (WebDriver over HTTP, no client library) against a real
// zentrox-serve on a loopback port.
//
//   node page_test.mjs SERVE CHECK EXAMPLES_DIR [--screenshots DIR] [--measure ARCHIVE]
import { test, after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, execFileSync } from 'node:child_process';
import { createServer } from 'node:net';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [serveProgram, checkProgram, examples] = process.argv.slice(2, 5).map((p) => path.resolve(p));
const option = (name) => {
  const i = process.argv.indexOf(name);
  return i > 0 ? process.argv[i + 1] : null;
};
const screenshots = option('--screenshots');
const measured = option('--measure') && path.resolve(option('--measure'));
const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'zentrox-web-'));
const FAULTY = 'REV5_1234567_00002_2026T03.rar';
const CLEAN = ['REV5_1234567_00001_2026T03.rar', 'REV5_1234567_00003_2026L11.rar', 'REV5_1234567_00004_2025L00.rar'];
const LIMIT = measured ? 256 << 20 : 200000;
const children = [];

function freePort() {
  return new Promise((resolve) => {
    const s = createServer().listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

// Starts `program` and waits for `pattern` in its standard output.
function start(program, args, pattern) {
  const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'ignore'] });
  children.push(child);
  return new Promise((resolve, reject) => {
    let out = '';
    child.stdout.on('data', (d) => {
      out += d;
      const m = pattern.exec(out);
      if (m) resolve(m);
    });
    child.on('exit', () => reject(new Error(`${program} ended: ${out}`)));
  });
}

let driver;
let session;
let page;

async function wd(method, where, body) {
  const r = await fetch(`${driver}/session${session ? `/${session}` : ''}${where}`, {
    method,
    headers: { 'Content-Type': 'application/json' },
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const j = await r.json();
  if (!r.ok) throw new Error(`${where}: ${JSON.stringify(j.value).slice(0, 400)}`);
  return j.value;
}
const run = (script, ...args) => wd('POST', '/execute/sync', { script, args });
const ELEMENT = 'element-6066-11e4-a52e-4f735466cecf';

async function until(script, what, seconds = 60) {
  for (const end = Date.now() + seconds * 1000; Date.now() < end; await new Promise((r) => setTimeout(r, 100))) {
    const v = await run(script);
    if (v) return v;
  }
  throw new Error(`waited in vain for ${what}`);
}

async function keys(...sequence) {
  const actions = [];
  for (const k of sequence) actions.push({ type: 'keyDown', value: k });
  for (const k of sequence.reverse()) actions.push({ type: 'keyUp', value: k });
  await wd('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions }] });
}
const F8 = '\uE038';
const SHIFT = '\uE008';
const ENTER = '\uE007';

async function choose(files) {
  await wd('POST', '/url', { url: page });
  const input = await wd('POST', '/element', { using: 'css selector', value: '#files' });
  await wd('POST', `/element/${input[ELEMENT]}/value`, { text: files.join('\n') });
}

async function screenshot(name) {
  if (!screenshots) return;
  fs.writeFileSync(path.join(screenshots, name), Buffer.from(await wd('GET', '/screenshot'), 'base64'));
}

// The archive list as data: each row's status and text.
const LIST = `return [...document.querySelectorAll('#archives li')].map((li) =>
  ({ status: li.dataset.status, text: li.children[1].textContent, name: li.children[0].textContent }))`;

// A copy of `from` named `name` in a directory of its own.
function copy(from, name) {
  const dir = fs.mkdtempSync(path.join(tmp, 'a-'));
  fs.copyFileSync(from, path.join(dir, name));
  return path.join(dir, name);
}

before(async () => {
  const state = fs.mkdtempSync(path.join(tmp, 'state-'));
  const [, port] = await start(serveProgram, ['--listen', '127.0.0.1:0', '--state-dir', state, '--workers', '2',
    '--max-upload', String(LIMIT)], /http:\/\/127\.0\.0\.1:(\d+)\//);
  page = `http://127.0.0.1:${port}/`;
  const dport = await freePort();
  driver = `http://127.0.0.1:${dport}`;
  await start('chromedriver', [`--port=${dport}`], /started successfully/);
  const downloads = fs.mkdtempSync(path.join(tmp, 'downloads-'));
  const s = await wd('POST', '', {
    capabilities: {
      alwaysMatch: {
        browserName: 'chrome',
        'goog:chromeOptions': {
          binary: '/usr/bin/chromium',
          args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=1280,900',
            `--user-data-dir=${fs.mkdtempSync(path.join(tmp, 'profile-'))}`],
          prefs: { 'download.default_directory': downloads, 'download.prompt_for_download': false },
        },
      },
    },
  });
  session = s.sessionId;
  globalThis.downloads = downloads;
});

after(async () => {
  if (session) await wd('DELETE', '').catch(() => {});
  for (const c of children) c.kill('SIGTERM');
  fs.rmSync(tmp, { recursive: true, force: true });
});

if (measured) {
  test('the page shows the first lines of a large package soon after its answer', async () => {
    await choose([measured]);
    const t = await until('return window.zentroxTimings[0]', 'the answer', 600);
    await screenshot('web-large-protocol.png');
    console.log(`zentrox-web: ${t.lines} protocol lines; check (upload to answer) ${Math.round(t.check)} ms; ` +
      `answer to first lines shown ${Math.round(t.shown)} ms`);
  });
} else {
  test('the faulty example: verdict, overview, the record of the first loader fault, F8', async () => {
    await choose([path.join(examples, FAULTY)]);
    await until(`return document.querySelector('#archives li')?.dataset.status === 'findings'`, 'the verdict');
    const state = await run(`return { verdict: document.getElementById('result-verdict').textContent,
      lines: document.querySelectorAll('#view-protocol .line').length }`);
    assert.equal(state.verdict, '11 erori în 5 declarații, 2 pachete');
    assert.ok(state.lines > 0);
    await screenshot('web-protocol.png');

    await run(`document.getElementById('tab-summary').click()`);
    const groups = await run(`return [...document.querySelectorAll('#summary-table tbody tr')].map((tr) =>
      [tr.className, tr.dataset.rule || '', Number(tr.children[1].textContent)])`);
    assert.deepEqual(groups[0], ['all', '', 11]);
    const files = groups.filter(([c]) => c === 'file').map(([, , n]) => n);
    assert.equal(files.reduce((a, b) => a + b, 0), 11);
    assert.deepEqual(groups.find(([, rule]) => rule === 'new.na.cpas-unique'), ['group', 'new.na.cpas-unique', 2]);
    await screenshot('web-summary.png');
    // A group filters the protocol to its lines; "Arată tot protocolul" undoes it.
    await run(`document.querySelector('#summary-table tr[data-rule="new.na.cpas-unique"]').click()`);
    const filtered = await run(`return document.querySelectorAll('#view-protocol .line').length`);
    assert.equal(filtered, 2);
    await run(`document.getElementById('show-all').click()`);
    assert.ok((await run(`return document.querySelectorAll('#view-protocol .line').length`)) > 2);

    // The first loader fault, chosen with a click and opened with Enter.
    await run(`document.querySelector('#view-protocol .line.fault').click()`);
    await keys(ENTER);
    const record = `return { header: document.getElementById('record-header').textContent,
      marked: [...document.querySelectorAll('#record-fields tr.marked')].map((tr) =>
        [tr.children[0].textContent, tr.children[1].textContent, tr.className]),
      odd: document.querySelectorAll('#record-fields mark.odd').length,
      findings: document.querySelectorAll('#record-findings li').length }`;
    const first = await run(record);
    assert.match(first.header, /^REV5_SD, linia 16/);
    assert.deepEqual(first.marked, [['8.Конечная дата работы в месяце', '31.09.2026', 'marked unconverted']]);
    assert.equal(first.findings, 2);
    // What would be right, and the rule's sentence in Romanian with its id in the tooltip.
    const rules = new Map((await (await fetch(`${page}api/v1/rules`)).json()).map((r) => [r.id, r.requirement_ro]));
    const said = await run(`const s = document.querySelector('#record-findings li.current .sentence');
      return { expected: document.getElementById('record-expected').textContent, rule: s.title.replace('Regula: ', ''),
        sentence: s.textContent }`);
    assert.equal(said.expected, 'Ar trebui: «30.09.2026», scris «31.09.2026»');
    assert.ok(rules.get(said.rule) && said.sentence.includes(rules.get(said.rule)), said.sentence);
    await screenshot('web-record.png');
    await run(`document.getElementById('view-record').scrollTop = 1e6`);
    await screenshot('web-expected.png');
    await keys(F8);
    const next = await run(record);
    assert.match(next.header, /^REV5_NA, linia 3/);
    assert.deepEqual(next.marked.map(([caption, text]) => [caption, text]), [['4.Фамилия', 'Ceban']]);
    assert.equal(next.odd, 4);
    await screenshot('web-record-odd.png');
    await keys(SHIFT, F8);
    assert.match((await run(record)).header, /^REV5_SD, linia 16/);
    // A duplicate links to the other record holding its value.
    await run(`document.getElementById('tab-summary').click()`);
    await run(`document.querySelector('#summary-table tr[data-rule="new.na.cpas-unique"]').click()`);
    await run(`document.querySelector('#view-protocol .line.fault').click()`);
    await keys(ENTER);
    const duplicate = (await run(record)).header;
    await run(`document.querySelector('#record-expected a').click()`);
    const other = await run(record);
    assert.match(other.header, /^REV5_NA, linia \d+$/);
    assert.notEqual(other.header, duplicate);
    assert.ok(await run(`return document.querySelectorAll('#record-fields tbody tr').length > 0`));
  });

  test('the downloaded CSV is what zentrox-check --format csv prints', async () => {
    await run(`document.getElementById('download-csv').click()`);
    const file = path.join(globalThis.downloads, FAULTY.replace('.rar', '.csv'));
    for (let i = 0; i < 100 && !fs.existsSync(file); i++) await new Promise((r) => setTimeout(r, 100));
    const workdir = fs.mkdtempSync(path.join(tmp, 'work-'));
    let cli = '';
    try {
      execFileSync(checkProgram, ['--format', 'csv', '--workdir', workdir, FAULTY], { cwd: examples, stdio: ['ignore', 'pipe', 'ignore'] });
    } catch (e) {
      cli = e.stdout.toString(); // exit status 1: findings
    }
    assert.ok(cli.length > 0);
    // The checker names the archive by its path; the service by the name it was given.
    assert.equal(fs.readFileSync(file, 'utf8'), cli.replaceAll(`${path.resolve(examples)}/`, ''));
  });

  test('printing gives A4 pages with the name at the top in readable type', async () => {
    await run(`window.dispatchEvent(new Event('beforeprint'))`);
    const pdf = await wd('POST', '/goog/cdp/execute',
      { cmd: 'Page.printToPDF', params: { preferCSSPageSize: true, printBackground: true } });
    const file = path.join(tmp, 'protocol.pdf');
    fs.writeFileSync(file, Buffer.from(pdf.data, 'base64'));
    const info = execFileSync('pdfinfo', [file]).toString();
    assert.match(info, /Page size:.*\(A4\)/);
    const text = execFileSync('pdftotext', ['-l', '1', file, '-']).toString();
    assert.equal(text.trimStart().split('\n')[0].split(' ')[0], FAULTY);
    // The type size: the median height of the words of the protocol's lines.
    const boxes = execFileSync('pdftotext', ['-bbox', '-f', '1', '-l', '1', file, '-']).toString();
    const heights = [...boxes.matchAll(/yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">[А-Яа-я]/g)]
      .map((m) => Number(m[2]) - Number(m[1])).sort((a, b) => a - b);
    const median = heights[heights.length >> 1];
    console.log(`zentrox-web: printed word height ${median.toFixed(1)} pt`);
    assert.ok(median > 11 && median < 16, `word height ${median} pt`);
  });

  test('a garbage file and an oversized one get their messages', async () => {
    const cases = [
      { bytes: Buffer.from('not an archive at all'), holds: 'nu este o arhivă RAR' },
      { bytes: Buffer.concat([Buffer.from('Rar!\x1a\x07\x00'), Buffer.alloc(LIMIT)]), holds: 'cel mult 0,2 MB' },
    ];
    for (const c of cases) {
      const file = path.join(fs.mkdtempSync(path.join(tmp, 'bad-')), 'REV5_1234567_00002_2026T03.rar');
      fs.writeFileSync(file, c.bytes);
      await choose([file]);
      const shown = await until(`return document.getElementById('notice').textContent`, 'the message');
      assert.ok(shown.includes(c.holds), shown);
      assert.deepEqual((await run(LIST)).map((r) => r.status), ['failed']);
    }
  });

  test('twenty archives give twenty verdict lines, worst first', async () => {
    const garbage = path.join(tmp, 'garbage.rar');
    fs.writeFileSync(garbage, 'garbage');
    const files = [
      ...CLEAN.flatMap((n) => [1, 2, 3, 4].map(() => copy(path.join(examples, n), n))),
      ...[1, 2, 3, 4].map(() => copy(path.join(examples, FAULTY), FAULTY)),
      copy(path.join(examples, CLEAN[0]), 'misnamed.rar'), copy(path.join(examples, CLEAN[0]), 'misnamed.rar'),
      copy(garbage, 'garbage.rar'), copy(garbage, 'garbage.rar'),
    ];
    await choose(files);
    const list = await until(`const l = (() => { ${LIST} })();
      return l.length === 20 && l.every((r) => !['waiting', 'uploading', 'checking', 'busy'].includes(r.status)) && l`,
    'twenty verdicts', 180);
    await screenshot('web-archives.png');
    const expected = [...Array(2).fill('failed'), ...Array(2).fill('not-checked'), ...Array(4).fill('findings'),
      ...Array(12).fill('clean')];
    assert.deepEqual(list.map((r) => r.status), expected);
    assert.deepEqual(list.filter((r) => r.status === 'clean').map((r) => r.text), Array(12).fill('Fără erori'));
  });
}
