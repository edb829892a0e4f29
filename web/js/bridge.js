// Page state, the bridge to the native side, and the small helpers every
// other part uses (element building, lookups, toasts).
//
// The page is a thin view: it keeps a copy of what the native side sends
// (servers, settings, session states), draws it, and turns every user action
// into one command. Nothing that comes from the native side or from the user
// is ever parsed as markup: every node holding such text is built with DOM
// calls and textContent.

// ---------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------

// The port a remote desktop listens on unless a server says otherwise.
const RDP_PORT = 3389;

const state = {
  servers: [],
  settings: {},
  sessions: {},
  // Waiting tabs' phases, and what "tabOpened" told of each tab.
  reconnects: {},
  tabInfo: {},
  tabs: [],
  activeTab: null,
  selectedId: null,
  editingId: null,
  search: '',
  overlay: 0,
  theme: 'dark',
  resizeMode: 'resolution',
  fullscreen: false,
};

// The listed servers by id (the first of any duplicates), for the lookups
// every event makes.
let serverIndex = new Map();

const $ = (id) => document.getElementById(id);
// ---------------------------------------------------------------------------
// Bridge to the native side
// ---------------------------------------------------------------------------

function bridge() {
  const c = window.chrome;
  return c && c.webview ? c.webview : null;
}

function send(cmd, data) {
  const text = JSON.stringify({ cmd: cmd, data: data === undefined ? null : data });
  const b = bridge();
  if (b) b.postMessage(text);
  else console.log('[tavolin] no native bridge:', text);
}

function onBridgeMessage(ev) {
  let msg = ev ? ev.data : null;
  if (typeof msg === 'string') {
    try {
      msg = JSON.parse(msg);
    } catch (e) {
      return;
    }
  }
  if (!msg || typeof msg !== 'object' || typeof msg.cmd !== 'string') return;
  handleEvent(msg.cmd, msg.data);
}

// ---------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------

function str(v) {
  return v === undefined || v === null ? '' : String(v);
}
function num(v, dflt) {
  const n = Number(v);
  return Number.isFinite(n) ? n : dflt;
}
function intOr(v, dflt) {
  const n = parseInt(v, 10);
  return Number.isFinite(n) ? n : dflt;
}
function obj(v) {
  return v && typeof v === 'object' && !Array.isArray(v) ? v : {};
}

function el(tag, cls, text) {
  const e = document.createElement(tag);
  if (cls) e.className = cls;
  if (text !== undefined) e.textContent = text;
  return e;
}

// Inline vector icons made with DOM calls (no markup strings anywhere).
function icon(paths) {
  const ns = 'http://www.w3.org/2000/svg';
  const svg = document.createElementNS(ns, 'svg');
  svg.setAttribute('viewBox', '0 0 24 24');
  svg.setAttribute('aria-hidden', 'true');
  for (const d of paths) {
    const p = document.createElementNS(ns, 'path');
    p.setAttribute('d', d);
    p.setAttribute('fill', 'none');
    p.setAttribute('stroke', 'currentColor');
    p.setAttribute('stroke-width', '2');
    p.setAttribute('stroke-linecap', 'round');
    p.setAttribute('stroke-linejoin', 'round');
    svg.appendChild(p);
  }
  return svg;
}
const ICON_PENCIL = ['M4 20h4L19 9l-4-4L4 16v4z', 'M13.5 6.5l4 4'];
const ICON_CLOSE = ['M6 6l12 12', 'M18 6L6 18'];

// User text that shares a line with fixed text is isolated, so that
// bidirectional controls in it (an override such as U+202E) cannot reorder
// the text around it. Its own isolate controls are dropped: a stray U+2069
// would end the isolation early (the browser honours it even inside <bdi>).
const ISOLATE_CONTROLS = /[\u2066-\u2069]/g;
const BIDI_SENSITIVE = /[\u0590-\u08ff\u200e\u200f\u202a-\u202e\u2066-\u2069\ufb1d-\ufdff\ufe70-\ufefc]/;
function iso(text) {
  return el('bdi', null, str(text).replace(ISOLATE_CONTROLS, ''));
}
// The same for tooltips, which are plain strings: first-strong isolate and
// pop isolate around the text, only where it holds right-to-left letters or
// controls, so that plain text stays as it is.
function isoText(text) {
  const t = str(text);
  return BIDI_SENSITIVE.test(t) ? '\u2068' + t.replace(ISOLATE_CONTROLS, '') + '\u2069' : t;
}

function findServer(id) {
  return serverIndex.get(id) || null;
}
function sessionState(id) {
  const s = state.sessions[id];
  return s ? num(s.state, 0) : 0;
}
function hasTab(id) {
  return state.tabs.indexOf(id) >= 0;
}
// ---------------------------------------------------------------------------
// Toasts
// ---------------------------------------------------------------------------

// parts: texts, and nodes such as iso() of user text.
function showToast(type, ...parts) {
  const t = el('div', 'toast ' + (str(type) || 'info'));
  t.replaceChildren(...parts.map((p) => (p instanceof Node ? p : str(p))));
  $('toasts').appendChild(t);
  floatingChanged();
  setTimeout(() => {
    t.classList.add('fade');
    setTimeout(() => {
      t.remove();
      floatingChanged();
    }, 260);
  }, 3200);
}
