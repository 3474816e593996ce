// The three views of one checked archive: Protocol, Rezumat and Rând.
import { countFindings, expectedParts, TEXTS } from './words.js';

const LINE_HEIGHT = 20; // px; the protocol's rows all have one height
const OVERSCAN = 20; // rows drawn above and below the visible ones

function el(tag, props = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(props)) {
    if (k === 'class') e.className = v;
    else if (k === 'data') Object.assign(e.dataset, v);
    else if (k in e) e[k] = v;
    else e.setAttribute(k, v);
  }
  e.append(...children.filter((c) => c !== null && c !== undefined));
  return e;
}

// One protocol line as the checker styled it.
export function lineElement(line, index) {
  const e = el('div', { class: line.fault ? 'line fault' : 'line', data: { index } }, line.text || '\u00a0');
  e.style.color = line.color;
  if (line.bold) e.style.fontWeight = 'bold';
  if (line.italic) e.style.fontStyle = 'italic';
  return e;
}

// What the views share: the answer, the fault lines and their findings.
export class Checked {
  // `sentences`: the rules' Romanian sentences by id.
  constructor(answer, sentences = new Map()) {
    this.answer = answer;
    this.sentences = sentences;
    this.lines = answer.styled_lines;
    // The findings are the fault lines' in protocol order.
    this.faultLines = [];
    this.findingAt = new Map(); // protocol line -> finding
    let k = 0;
    this.lines.forEach((line, i) => {
      if (!line.fault) return;
      this.faultLines.push(i);
      const f = answer.findings[k];
      if (f && f.text === line.text) {
        this.findingAt.set(i, f);
        k++;
      }
    });
    this.records = new Map(answer.records.map((r) => [`${r.file}\u0000${r.line}`, r]));
  }
  recordAt(ref) {
    return ref ? this.records.get(`${ref.file}\u0000${ref.line}`) : undefined;
  }
  sentence(rule) {
    return this.sentences.get(rule) || '';
  }
}

// What would be right for `finding` (its field's text `value` as it stood),
// the other records of a duplicate as links that call `onRecord(ref)`.
function expectedElement(finding, value, onRecord, props = {}) {
  const parts = expectedParts(finding, value);
  if (!parts.length) return null;
  return el('div', { class: 'expected', ...props }, ...parts.map((p) => {
    if (typeof p === 'string') return p;
    let label = `linia ${p.ref.line}`;
    if (p.ref.file !== finding.record?.file) label += ` din ${p.ref.file}`;
    const a = el('a', { href: '#' }, label);
    a.addEventListener('click', (e) => {
      e.preventDefault();
      onRecord?.(p.ref);
    });
    return a;
  }));
}

// A finding as a list shows it: its protocol line, the rule's sentence (the
// id in the tooltip) and what would be right.
function findingItem(checked, i, current, onRecord) {
  const f = checked.findingAt.get(i);
  const sentence = checked.sentence(f.rule);
  return el('li', { class: current ? 'current' : '' }, lineElement(checked.lines[i], i),
    sentence ? el('div', { class: 'sentence', title: `Regula: ${f.rule}` }, `— ${sentence}`) : null,
    expectedElement(f, f.value, onRecord));
}

// The protocol, drawing only the rows in sight.
export class ProtocolView {
  constructor(root, { onOpen }) {
    this.root = root;
    this.spacer = root.querySelector('.spacer');
    this.rows = root.querySelector('.lines');
    this.onOpen = onOpen;
    this.shown = null; // protocol indices shown; null: all
    this.current = -1; // the chosen line (a protocol index)
    root.addEventListener('scroll', () => this.draw());
    root.addEventListener('click', (e) => {
      const row = e.target.closest('.line');
      if (row) this.choose(Number(row.dataset.index));
    });
    root.addEventListener('dblclick', (e) => {
      const row = e.target.closest('.fault');
      if (row) this.onOpen(Number(row.dataset.index));
    });
    root.addEventListener('keydown', (e) => {
      if (e.key === 'Enter' && this.checked?.lines[this.current]?.fault) {
        e.preventDefault();
        this.onOpen(this.current);
      }
    });
    new ResizeObserver(() => this.draw()).observe(root);
  }

  show(checked) {
    this.checked = checked;
    this.shown = null;
    this.current = -1;
    this.root.scrollTop = 0;
    this.layout();
  }

  filter(indices) {
    this.shown = indices;
    this.root.scrollTop = 0;
    this.layout();
  }

  get count() {
    return this.shown ? this.shown.length : this.checked ? this.checked.lines.length : 0;
  }

  layout() {
    this.spacer.style.height = `${this.count * LINE_HEIGHT}px`;
    this.drawn = null;
    this.draw();
  }

  draw() {
    if (!this.checked) return;
    const first = Math.max(0, Math.floor(this.root.scrollTop / LINE_HEIGHT) - OVERSCAN);
    const last = Math.min(this.count, Math.ceil((this.root.scrollTop + this.root.clientHeight) / LINE_HEIGHT) + OVERSCAN);
    if (this.drawn && this.drawn[0] === first && this.drawn[1] === last) return;
    this.drawn = [first, last];
    const rows = [];
    for (let r = first; r < last; r++) {
      const i = this.shown ? this.shown[r] : r;
      const row = lineElement(this.checked.lines[i], i);
      if (i === this.current) row.classList.add('current');
      rows.push(row);
    }
    this.rows.style.transform = `translateY(${first * LINE_HEIGHT}px)`;
    this.rows.replaceChildren(...rows);
  }

  // Chooses protocol line `index` and brings it into sight.
  choose(index) {
    this.current = index;
    const r = this.shown ? this.shown.indexOf(index) : index;
    if (r >= 0) {
      const top = r * LINE_HEIGHT;
      if (top < this.root.scrollTop || top + LINE_HEIGHT > this.root.scrollTop + this.root.clientHeight) {
        this.root.scrollTop = Math.max(0, top - this.root.clientHeight / 3);
      }
    }
    this.drawn = null;
    this.draw();
  }

  // The next (step 1) or previous (-1) fault line from the chosen one,
  // among those shown; -1 when there is none.
  nextFault(step) {
    const faults = this.checked.faultLines.filter((i) => !this.shown || this.shownSet().has(i));
    if (step > 0) return faults.find((i) => i > this.current) ?? -1;
    for (let k = faults.length - 1; k >= 0; k--) if (faults[k] < this.current) return faults[k];
    return -1;
  }

  shownSet() {
    if (this.shownSetOf !== this.shown) {
      this.shownSetOf = this.shown;
      this.cachedSet = new Set(this.shown);
    }
    return this.cachedSet;
  }
}

// Rezumat: the findings by package file and rule.
export function renderSummary(root, checked, { onChoose }) {
  const a = checked.answer;
  const c = countFindings(a);
  const kept = checked.faultLines.length;
  const groups = a.groups;
  let head = `Erori: ${c.findings} (în protocol ${kept}, peste limită neafișate ${c.leftOut}); ` +
    `declarații: ${c.declarations}; pachete: ${c.packs}.`;
  if (groups.length) head += ' Clic sau Enter pe un grup: protocolul arată doar liniile lui.';
  const rows = [];
  const row = (cls, cells, choose) => {
    const tr = el('tr', { class: cls }, ...cells.map((x) => el('td', {}, ...[].concat(x))));
    if (choose) {
      tr.tabIndex = 0;
      tr.addEventListener('click', choose);
      tr.addEventListener('keydown', (e) => e.key === 'Enter' && choose());
    }
    rows.push(tr);
    return tr;
  };
  row('all', ['Toate erorile (tot protocolul)', String(c.findings), ''], () => onChoose(null));
  const files = [];
  for (const g of groups) {
    if (!files.length || files[files.length - 1].file !== g.file) files.push({ file: g.file, groups: [] });
    files[files.length - 1].groups.push(g);
  }
  for (const f of files) {
    const title = f.file || 'Fără fișier / înregistrare';
    const count = f.groups.reduce((n, g) => n + g.lines.length, 0);
    row('file', [title, String(count), '']);
    for (const g of f.groups) {
      // The rule's sentence; for a line without a rule in the catalogue its message.
      const text = checked.sentence(g.rule) || g.message.trim();
      const first = g.first_records.join(', ') + (g.lines.length > g.first_records.length ? ', …' : '');
      const tr = row('group', [text, String(g.lines.length), first], () => onChoose(g, `${title} · ${text}`));
      tr.title = `${text}\nMesajul din protocol: ${g.message.trim()}\nRegula: ${g.rule || '(fără regulă)'}`;
      tr.dataset.rule = g.rule;
      tr.dataset.file = g.file;
    }
  }
  if (c.leftOut > 0) row('left-out', ['Peste limită (neafișate)', String(c.leftOut), '']);
  const headRow = el('tr', {}, ...['Fișier / regulă', 'Erori', 'Primele linii'].map((t) =>
    el('th', {}, t)));
  root.replaceChildren(el('p', { id: 'summary-headline' }, head),
    el('table', { id: 'summary-table' }, el('thead', {}, headRow), el('tbody', {}, ...rows)));
}

// A field's text with the characters outside its alphabet marked.
function fieldText(text, odd) {
  if (!odd.length) return [text];
  const chars = Array.from(text);
  const marked = new Set(odd);
  const parts = [];
  let plain = '';
  chars.forEach((ch, i) => {
    if (!marked.has(i)) {
      plain += ch;
      return;
    }
    if (plain) parts.push(plain);
    plain = '';
    const code = ch.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
    parts.push(el('mark', { class: 'odd', title: `U+${code} (poziția ${i + 1})` }, /\p{Cc}/u.test(ch) ? `U+${code}` : ch));
  });
  if (plain) parts.push(plain);
  return parts;
}

// Rând: the record the fault line at protocol index `index` names, or with
// `place` ({ file, line }) that record alone; `onRecord(ref)` opens another.
export function renderRecord(root, checked, index, { place, onRecord } = {}) {
  const finding = !place && index >= 0 ? checked.findingAt.get(index) : undefined;
  if (!finding && !place) {
    root.replaceChildren(el('p', { class: 'hint' }, TEXTS.recordHint));
    return;
  }
  const where = place || finding.record;
  const record = checked.recordAt(where);
  let text = where ? `${where.file}, linia ${where.line}` : 'Linia de eroare nu numește o înregistrare';
  let value = finding?.value ?? '';
  if (finding?.caption) {
    value = record?.fields.find((f) => f.caption === finding.caption)?.text ?? value;
    text += ` — câmpul ${finding.caption}: «${value}»`;
  }
  const parts = [el('p', { id: 'record-header' }, text)];
  if (finding) parts.push(expectedElement(finding, value, onRecord, { id: 'record-expected' }));
  if (finding?.pack || finding?.declaration) {
    parts.push(el('p', { class: 'context' },
      `Pachet ${finding.pack}, declarația ${finding.declaration} ${finding.name || ''}`.trim()));
  }
  if (where && !record) {
    parts.push(el('p', { class: 'hint' }, place ? `Serviciul nu a trimis câmpurile liniei ${where.line} din ${where.file}.` :
      `Linia ${where.line} din ${where.file} nu a fost încărcată în tabel.`));
  }
  if (record) {
    const marks = new Map(record.marks.map((m) => [m.field, m]));
    const rows = record.fields.map((f, i) => {
      const m = marks.get(i);
      const notes = [];
      if (m?.unconverted) notes.push('Textul din fișier nu a putut fi citit ca valoare a câmpului: câmpul a rămas gol în tabel.');
      if (m?.odd.length) notes.push('Caractere în afara alfabetului câmpului.');
      const cls = [finding && f.caption === finding.caption ? 'marked' : '', m?.unconverted ? 'unconverted' : '',
        m?.odd.length ? 'has-odd' : ''].filter(Boolean).join(' ');
      return el('tr', { class: cls, title: notes.join('\n') }, el('th', { scope: 'row' }, f.caption),
        el('td', {}, ...fieldText(f.text, m?.odd || [])), el('td', { class: 'note' }, notes.join(' ')));
    });
    parts.push(el('table', { id: 'record-fields' },
      el('thead', {}, el('tr', {}, el('th', {}, 'Câmp'), el('th', {}, 'Text în fișier'), el('th', {}, ''))),
      el('tbody', {}, ...rows)));
  }
  const same = [];
  for (const [i, f] of checked.findingAt) {
    if (f === finding || (where && f.record && f.record.file === where.file && f.record.line === where.line)) {
      same.push(findingItem(checked, i, i === index, onRecord));
    }
  }
  parts.push(el('h3', {}, 'Erorile înregistrării'), el('ul', { id: 'record-findings' }, ...same));
  if (!same.length) parts.push(el('p', { class: 'hint' }, 'Înregistrarea nu are erori proprii.'));
  root.replaceChildren(...parts.filter(Boolean));
  root.scrollTop = 0;
}
