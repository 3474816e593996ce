// The page's words, as the desktop program's status bar and views say them.

// "1 eroare", "11 erori", "20 de erori": Romanian puts "de" before the noun
// from twenty on, unless the last two digits are 1 to 19.
export function countedNoun(n, one, many) {
  const tens = n % 100;
  const de = n >= 20 && (tens === 0 || tens >= 20);
  return `${n} ${de ? 'de ' : ''}${n === 1 ? one : many}`;
}

// The distinct packs and declarations the findings name.
export function countFindings(answer) {
  const packs = new Set();
  const declarations = new Set();
  for (const f of answer.findings) {
    if (f.pack) packs.add(f.pack);
    if (f.declaration) declarations.add(`${f.pack}\u0000${f.declaration}`);
  }
  return {
    findings: answer.summary.findings,
    leftOut: answer.summary.left_out,
    packs: packs.size,
    declarations: declarations.size,
  };
}

const NOT_CHECKED = 'Pachetul nu a fost verificat: ';

const END_REASONS = {
  'name-refused': 'numele arhivei nu este corect.',
  'listing-refused': 'arhiva nu conține doar fișierele pachetului.',
  'extraction-failed': 'dezarhivarea a eșuat.',
  'workdir-busy': 'directorul de lucru este ocupat de altă verificare.',
  'not-unpacked': 'pachetul nu a fost dezarhivat.',
  'files-missing': 'lipsesc fișiere ale pachetului.',
  'period-refused': 'perioada din numele arhivei nu este acceptată.',
  'variant-unknown': 'felul pachetului nu se poate afla din numele arhivei.',
};

// Why the service could not check it, when the check itself did not say.
function serviceReason(reason) {
  const seconds = /within (\d+) seconds/.exec(reason || '');
  if (seconds) return `verificarea nu s-a încheiat în ${seconds[1]} de secunde.`;
  return 'verificarea s-a oprit neașteptat.';
}

// The verdict line of a checked archive, as the desktop status bar words it.
export function verdictText(answer) {
  if (answer.end === 'out-of-memory') return 'Verificarea s-a oprit: memoria nu ajunge pentru acest pachet.';
  if (answer.end === 'internal-error') return 'Verificarea s-a oprit: eroare internă a programului.';
  if (answer.summary.status === 'not-checked') {
    return NOT_CHECKED + (END_REASONS[answer.end] || serviceReason(answer.reason));
  }
  const c = countFindings(answer);
  if (c.findings === 0) return 'Fără erori';
  const where = [];
  if (c.declarations > 0) where.push(countedNoun(c.declarations, 'declarație', 'declarații'));
  if (c.packs > 0) where.push(countedNoun(c.packs, 'pachet', 'pachete'));
  let text = countedNoun(c.findings, 'eroare', 'erori');
  if (where.length) text += ' în ' + where.join(', ');
  if (c.leftOut > 0) text += ` (${c.leftOut} peste limită, neafișate)`;
  return text;
}

// How bad a verdict is, for the list of archives: worst first.
export function severity(item) {
  if (item.state === 'failed') return [4, 0];
  if (item.state !== 'done') return [0, 0];
  const s = item.answer.summary;
  if (s.status === 'not-checked') return [3, 0];
  if (s.status === 'findings') return [2, s.findings];
  return [1, 0];
}

const quoted = (text) => `«${text}»`;

// What would satisfy a finding's rule, as the desktop record page says it:
// strings and, for a duplicate, the other records ({ ref }) to link to.
// `value` is the field's text as it stood; [] where the rule implies nothing.
export function expectedParts(finding, value) {
  const e = finding.expected;
  if (!e) return [];
  const written = value ? `, scris ${quoted(value)}` : '';
  switch (e.kind) {
    case 'sum': {
      let text = `Ar trebui: ${quoted(e.text)} (suma calculată)`;
      const [w, s] = [Number(value?.trim() || NaN), Number(e.text)];
      if (Number.isFinite(w) && Number.isFinite(s)) text += `${written}, diferența ${(w - s).toFixed(2)}`;
      else text += written;
      const lines = e.related.slice(0, 10).map((r) => r.line).join(', ') + (e.related.length > 10 ? ', …' : '');
      if (e.related.length) text += `; adunată din ${e.related.length === 1 ? 'linia' : 'liniile'} ${lines}`;
      return [text];
    }
    case 'duplicate': {
      if (!e.related.length) return [`Ce se cere: ${e.text}`];
      const parts = [e.related.length === 1 ? 'Aceeași valoare o are și înregistrarea de la ' :
        'Aceeași valoare o au și înregistrările de la '];
      e.related.forEach((ref, i) => parts.push(...(i ? [', '] : []), { ref }));
      return [...parts, '.'];
    }
    case 'code': {
      // The valid codes themselves are in the dictionary, which the service
      // does not send: the desktop program lists them.
      let text = `Ar trebui: ${e.text}`;
      if (e.dictionary && !e.text.includes(e.dictionary)) text += ` (dicționarul ${e.dictionary})`;
      text += written;
      if (e.dictionary) text += '; lista codurilor valabile o arată programul de pe calculator';
      return [text];
    }
    case 'characters': return [`Ar trebui: ${e.text}`];
    case 'sentence': return [`Ce se cere: ${e.text}`];
    default: return [`Ar trebui: ${quoted(e.text)}${written}`];
  }
}

export function megabytes(bytes) {
  const mb = bytes / (1 << 20);
  return `${mb >= 10 ? Math.round(mb) : mb.toFixed(1).replace('.', ',')} MB`;
}

export const TEXTS = {
  notArchive: (name) => `Fișierul „${name}” nu este o arhivă RAR: nu a fost trimis la verificare.`,
  tooLarge: (name, size, limit) =>
    `Fișierul „${name}” are ${megabytes(size)}; serviciul primește arhive de cel mult ${megabytes(limit)}.`,
  busy: (seconds) => `Serviciul este ocupat; se încearcă din nou în ${seconds} s…`,
  unreachable: 'Serviciul de verificare nu răspunde. Verificați legătura la rețea și încercați din nou.',
  refused: 'Serviciul nu a primit arhiva: numele ei nu poate fi folosit.',
  unreadable: 'Răspunsul serviciului nu a putut fi citit.',
  checking: 'se verifică…',
  waiting: 'în așteptare',
  uploading: (percent) => `se trimite… ${percent} %`,
  open: 'Deschide',
  recordHint:
    'Dublu clic sau Enter pe o linie de eroare din protocol arată aici înregistrarea din fișierul pachetului. ' +
    'F8 / Shift+F8: eroarea următoare / precedentă; Escape: înapoi la protocol.',
};
