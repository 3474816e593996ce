// The checking service's requests.
import { TEXTS } from './words.js';

// The service's upload limit in bytes; null when it cannot be asked.
export async function uploadLimit() {
  try {
    const r = await fetch('healthz', { cache: 'no-store' });
    const body = await r.json();
    return Number.isFinite(body.max_upload) ? body.max_upload : null;
  } catch {
    return null;
  }
}

// The rule catalogue's Romanian sentences by rule id, asked for once; an
// empty map (asked again next time) when the service cannot be asked.
let catalogue = null;
export function ruleSentences() {
  catalogue ??= fetch('api/v1/rules')
    .then((r) => r.json())
    .then((rules) => new Map(rules.map((r) => [r.id, r.requirement_ro || ''])))
    .catch(() => {
      catalogue = null;
      return new Map();
    });
  return catalogue;
}

// Whether `file` begins as a RAR archive does ("Rar!" 1A 07).
export async function looksLikeRar(file) {
  const head = new Uint8Array(await file.slice(0, 7).arrayBuffer());
  const sign = [0x52, 0x61, 0x72, 0x21, 0x1a, 0x07];
  return head.length >= 6 && sign.every((b, i) => head[i] === b);
}

export function checkUrl(name, format) {
  const q = new URLSearchParams({ name });
  if (format) q.set('format', format);
  return `api/v1/check?${q}`;
}

function send(file, format, onProgress) {
  return new Promise((resolve) => {
    const xhr = new XMLHttpRequest();
    xhr.open('POST', checkUrl(file.name, format));
    xhr.setRequestHeader('Content-Type', 'application/octet-stream');
    xhr.responseType = format ? 'blob' : 'json';
    xhr.upload.onprogress = (e) => e.lengthComputable && onProgress?.('upload', e.loaded / e.total);
    xhr.upload.onload = () => onProgress?.('checking');
    xhr.onload = () => {
      const at = performance.now(); // before the body is read: reading JSON parses it
      resolve({ status: xhr.status, body: xhr.response, headers: xhr, at });
    };
    xhr.onerror = () => resolve({ status: 0 });
    xhr.send(file);
  });
}

// Checks `file`: { answer, arrived } (the time its answer arrived), or
// { error } with a plain text. A busy service is asked again after the
// time it gives; `onProgress(phase, fraction)` follows the upload.
export async function check(file, { format, onProgress, onBusy } = {}) {
  for (;;) {
    const r = await send(file, format, onProgress);
    if (r.status === 200) {
      if (r.body === null) return { error: TEXTS.unreadable };
      return { answer: r.body, arrived: r.at };
    }
    if (r.status === 503) {
      const seconds = Math.max(1, parseInt(r.headers.getResponseHeader('Retry-After'), 10) || 5);
      onBusy?.(seconds);
      await new Promise((done) => setTimeout(done, seconds * 1000));
      continue;
    }
    if (r.status === 0) return { error: TEXTS.unreachable };
    if (r.status === 413) return { error: 'tooLarge' };
    if (r.status === 400) return { error: TEXTS.refused };
    return { error: TEXTS.unreadable };
  }
}
