// The page: archives dropped or chosen, checked by the service one or two at
// a time, listed worst first; the views of the one opened.
import { check, looksLikeRar, ruleSentences, uploadLimit } from './api.js';
import { Checked, ProtocolView, lineElement, renderRecord, renderSummary } from './views.js';
import { severity, TEXTS, verdictText } from './words.js';

const $ = (id) => document.getElementById(id);
const AT_ONCE = 2; // uploads at a time: the service queues the rest anyway

const items = []; // { file, state: waiting|uploading|checking|done|failed, progress, answer, error, order }
let limit = null;
let sentences = new Map(); // the rules' Romanian sentences by id
let running = 0;
let opened = null; // the item whose views are shown
let checked = null;
let view = 'protocol';
let chosenFinding = -1; // the protocol index the Rând view shows
let summaryOf = null; // the answer the Rezumat view was drawn for
// For the measurement of the page itself: when the answer arrived and when
// its first protocol lines were on screen.
window.zentroxTimings = [];

const protocol = new ProtocolView($('view-protocol'), { onOpen: (i) => openRecord(i) });

function notice(text) {
  $('notice').textContent = text || '';
  $('notice').hidden = !text;
}

async function take(files) {
  notice('');
  if (limit === null) limit = await uploadLimit();
  if (!sentences.size) sentences = await ruleSentences();
  for (const file of files) {
    const item = { file, state: 'waiting', progress: 0, order: items.length };
    items.push(item);
    if (limit !== null && file.size > limit) {
      item.state = 'failed';
      item.error = TEXTS.tooLarge(file.name, file.size, limit);
    } else if (!(await looksLikeRar(file))) {
      item.state = 'failed';
      item.error = TEXTS.notArchive(file.name);
    }
  }
  const failed = items.filter((i) => i.state === 'failed' && files.includes(i.file));
  if (failed.length === 1 && files.length === 1) notice(failed[0].error);
  renderList();
  pump();
}

function pump() {
  while (running < AT_ONCE) {
    const item = items.find((i) => i.state === 'waiting');
    if (!item) return;
    running++;
    run(item).finally(() => {
      running--;
      pump();
    });
  }
}

async function run(item) {
  item.state = 'uploading';
  renderList();
  const sent = performance.now();
  const r = await check(item.file, {
    onProgress: (phase, fraction) => {
      if (phase === 'upload') item.progress = Math.round(fraction * 100);
      else item.state = 'checking';
      renderItem(item);
    },
    onBusy: (seconds) => {
      item.state = 'busy';
      item.busy = seconds;
      renderItem(item);
    },
  });
  if (r.error) {
    item.state = 'failed';
    item.error = r.error === 'tooLarge' ? TEXTS.tooLarge(item.file.name, item.file.size, limit ?? 0) : r.error;
  } else {
    item.state = 'done';
    item.answer = r.answer;
    item.timing = { sent, arrived: r.arrived };
  }
  renderList();
  // One archive alone opens at once.
  if (items.length === 1 && item.state === 'done') open(item);
}

function statusText(item) {
  switch (item.state) {
    case 'waiting': return TEXTS.waiting;
    case 'uploading': return TEXTS.uploading(item.progress);
    case 'checking': return TEXTS.checking;
    case 'busy': return TEXTS.busy(item.busy);
    case 'failed': return item.error;
    default: return verdictText(item.answer);
  }
}

function renderItem(item) {
  if (!item.row) {
    item.row = document.createElement('li');
    item.row.tabIndex = 0;
    item.row.addEventListener('click', () => item.state === 'done' && open(item));
    item.row.addEventListener('keydown', (e) => e.key === 'Enter' && item.state === 'done' && open(item));
    item.row.append(document.createElement('b'), document.createElement('span'));
  }
  const [name, verdict] = item.row.children;
  name.textContent = item.file.name;
  verdict.textContent = statusText(item);
  item.row.className = `archive ${item.state} ${item.answer?.summary.status || ''} ${item === opened ? 'opened' : ''}`;
  item.row.dataset.status = item.answer?.summary.status || item.state;
}

function renderList() {
  const sorted = [...items].sort((a, b) => {
    const [x, y] = [severity(a), severity(b)];
    return y[0] - x[0] || y[1] - x[1] || a.order - b.order;
  });
  for (const item of sorted) renderItem(item);
  $('archives').replaceChildren(...sorted.map((i) => i.row));
}

function open(item) {
  opened = item;
  checked = new Checked(item.answer, sentences);
  chosenFinding = -1;
  const a = item.answer;
  $('result').hidden = false;
  $('result-name').textContent = a.archive;
  $('result-verdict').textContent = verdictText(a);
  $('print-name').textContent = a.archive;
  $('print-date').textContent = a.lines[0] || '';
  $('filter-bar').hidden = true;
  summaryOf = null; // drawn when first shown
  renderRecord($('view-record'), checked, -1);
  protocol.show(checked);
  show('protocol');
  renderList();
  requestAnimationFrame(() => {
    if (item.timing) {
      window.zentroxTimings.push({ archive: a.archive, lines: a.styled_lines.length, check: item.timing.arrived - item.timing.sent,
        shown: performance.now() - item.timing.arrived });
      item.timing = null;
    }
  });
}

function show(name) {
  view = name;
  for (const v of ['protocol', 'summary', 'record']) {
    $(`view-${v}`).hidden = v !== name;
    $(`tab-${v}`).setAttribute('aria-selected', String(v === name));
    $(`tab-${v}`).tabIndex = v === name ? 0 : -1;
  }
  $('filter-bar').hidden = name !== 'protocol' || !protocol.shown;
  if (name === 'protocol') protocol.layout();
  if (name === 'summary' && summaryOf !== checked) {
    summaryOf = checked;
    renderSummary($('view-summary'), checked, { onChoose: chooseGroup });
  }
  $(`view-${name}`).focus({ preventScroll: true });
}

function chooseGroup(group, title) {
  if (group) {
    protocol.filter(group.lines);
    $('filter-text').textContent = `Filtru: ${title} — ${group.lines.length} din ${checked.lines.length}`;
  } else {
    protocol.filter(null);
  }
  show('protocol');
}

function openRecord(index) {
  chosenFinding = index;
  protocol.choose(index);
  renderRecord($('view-record'), checked, index, { onRecord: openPlace });
  show('record');
}

// The record at `ref` alone (the other record of a duplicate); F8 goes on
// from the finding it was reached from.
function openPlace(ref) {
  renderRecord($('view-record'), checked, chosenFinding, { place: ref, onRecord: openPlace });
  show('record');
}

// F8 / Shift+F8: the next / previous finding, in whichever view is shown.
function stepFinding(step) {
  if (!checked) return;
  protocol.current = view === 'record' ? chosenFinding : protocol.current;
  const next = protocol.nextFault(step);
  if (next < 0) return;
  if (view === 'record') openRecord(next);
  else {
    if (view !== 'protocol') show('protocol');
    protocol.choose(next);
  }
}

document.addEventListener('keydown', (e) => {
  if (e.key === 'F8') {
    e.preventDefault();
    stepFinding(e.shiftKey ? -1 : 1);
  } else if (e.key === 'Escape' && view !== 'protocol' && checked) {
    show('protocol');
  }
});

// Tabs: click, or the arrow keys between them.
const TABS = ['protocol', 'summary', 'record'];
for (const name of TABS) {
  $(`tab-${name}`).addEventListener('click', () => {
    if (name === 'record' && chosenFinding < 0 && checked?.findingAt.has(protocol.current)) openRecord(protocol.current);
    else show(name);
  });
  $(`tab-${name}`).addEventListener('keydown', (e) => {
    const step = e.key === 'ArrowRight' ? 1 : e.key === 'ArrowLeft' ? -1 : 0;
    if (!step) return;
    const next = TABS[(TABS.indexOf(name) + step + TABS.length) % TABS.length];
    show(next);
    $(`tab-${next}`).focus();
  });
}
$('show-all').addEventListener('click', () => chooseGroup(null));

// Downloads: the same archive checked again in the service's format.
async function download(format, e) {
  e.preventDefault();
  if (!opened) return;
  const r = await check(opened.file, { format });
  if (r.error) return notice(r.error === 'tooLarge' ? TEXTS.tooLarge(opened.file.name, opened.file.size, limit) : r.error);
  const base = opened.file.name.replace(/\.rar$/i, '');
  const a = document.createElement('a');
  a.href = URL.createObjectURL(r.answer);
  a.download = format === 'rtf' ? `${base}.rtf` : `${base}.csv`;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}
$('download-rtf').addEventListener('click', (e) => download('rtf', e));
$('download-csv').addEventListener('click', (e) => download('csv', e));

// Paper gets every line of the protocol (or of its filter), not just those in sight.
function printProtocol() {
  if (!checked) return;
  const indices = protocol.shown || checked.lines.map((_, i) => i);
  const box = $('print-protocol');
  box.replaceChildren(...indices.map((i) => lineElement(checked.lines[i], i)));
}
window.addEventListener('beforeprint', printProtocol);
window.addEventListener('afterprint', () => $('print-protocol').replaceChildren());
$('print').addEventListener('click', () => window.print());

// Choosing and dropping.
$('choose').addEventListener('click', () => $('files').click());
$('files').addEventListener('change', () => {
  take([...$('files').files]);
  $('files').value = '';
});
const drop = $('drop');
drop.addEventListener('keydown', (e) => (e.key === 'Enter' || e.key === ' ') && e.target === drop && $('files').click());
drop.addEventListener('dragover', (e) => {
  e.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (e) => {
  e.preventDefault();
  drop.classList.remove('over');
  take([...e.dataTransfer.files]);
});
document.addEventListener('dragover', (e) => e.preventDefault());
document.addEventListener('drop', (e) => e.preventDefault());
