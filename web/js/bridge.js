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

const state = {
  servers: [],
  settings: {},
  sessions: {},
  tabs: [],
  activeTab: null,
  selectedId: null,
  editingId: null,
  search: '',
  overlay: 0,
  theme: 'light',
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
    try { msg = JSON.parse(msg); } catch (e) { return; }
  }
  if (!msg || typeof msg !== 'object' || typeof msg.cmd !== 'string') return;
  handleEvent(msg.cmd, msg.data);
}

// ---------------------------------------------------------------------------
// Small helpers
// ---------------------------------------------------------------------------

function str(v) { return v === undefined || v === null ? '' : String(v); }
function num(v, dflt) { const n = Number(v); return Number.isFinite(n) ? n : dflt; }
function intOr(v, dflt) { const n = parseInt(v, 10); return Number.isFinite(n) ? n : dflt; }
function obj(v) { return v && typeof v === 'object' && !Array.isArray(v) ? v : {}; }

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

function findServer(id) { return serverIndex.get(id) || null; }
function sessionState(id) {
  const s = state.sessions[id];
  return s ? num(s.state, 0) : 0;
}
function hasTab(id) { return state.tabs.indexOf(id) >= 0; }
// ---------------------------------------------------------------------------
// Toasts
// ---------------------------------------------------------------------------

function showToast(type, text) {
  const t = el('div', 'toast ' + (str(type) || 'info'), str(text));
  $('toasts').appendChild(t);
  setTimeout(() => {
    t.classList.add('fade');
    setTimeout(() => t.remove(), 260);
  }, 3200);
}
