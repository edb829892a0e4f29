// Tabs waiting for their server to come back, the content area of a tab
// whose session ended, and connecting to a typed address without saving it.

// ---------------------------------------------------------------------------
// Waiting tabs
// ---------------------------------------------------------------------------

// "reconnect": {id, phase: "waiting" | "connecting" | "off", attempts}.
function onReconnect(d) {
  const id = str(d.id);
  const phase = str(d.phase);
  if (phase === 'waiting' || phase === 'connecting')
    state.reconnects[id] = { phase: phase, attempts: num(d.attempts, 0) };
  else delete state.reconnects[id];
  drawTabs();
  refreshItem(id);
  drawSessionPanel();
}

function reconnectOf(id) {
  return Object.prototype.hasOwnProperty.call(state.reconnects, id) ? state.reconnects[id] : null;
}

function waitingText(r) {
  if (r.phase === 'connecting') return '正在重新连接（第 ' + r.attempts + ' 次）…';
  return r.attempts ? '等待服务器恢复…（已重试 ' + r.attempts + ' 次）' : '等待服务器恢复…';
}

function cancelReconnect(id) {
  send('cancelReconnect', { id: id });
}

// ---------------------------------------------------------------------------
// Temporary tabs: opened from a typed address, their server in no list
// ---------------------------------------------------------------------------

// What "tabOpened" told of a temporary tab; a tab of a server that left the
// list is not one, and goes with it.
function temporaryInfo(id) {
  const info = Object.prototype.hasOwnProperty.call(state.tabInfo, id) ? state.tabInfo[id] : null;
  return info && info.temporary ? info : null;
}

function tabServer(id) {
  return findServer(id) || temporaryInfo(id);
}

function isTemporaryTab(id) {
  return hasTab(id) && !findServer(id) && !!temporaryInfo(id);
}

// ---------------------------------------------------------------------------
// The content area of a tab without a session window
// ---------------------------------------------------------------------------

// Shown where the session window was: why the session ended and the way
// back, or what the tab is waiting for.
function drawSessionPanel() {
  const panel = $('sessionPanel');
  const id = state.activeTab;
  const s = id ? tabServer(id) : null;
  const r = id ? reconnectOf(id) : null;
  const st = id ? sessionState(id) : 0;
  if (!s || !(r || st === 3 || st === 4)) {
    panel.hidden = true;
    return;
  }
  const session = state.sessions[id];
  const title = el('h2', null);
  title.appendChild(iso(str(s.remark) || hostLabel(s)));
  const parts = [title];
  if (r) parts.push(el('p', 'panel-wait', waitingText(r)));
  const reason = el('p', 'panel-reason');
  reason.append(st === 4 ? '连接失败：' : '连接已断开：', iso(str(session && session.detail) || '原因不明'));
  parts.push(reason);
  const row = el('div', 'row');
  const again = el('button', 'btn primary', r ? '立即重新连接' : '重新连接');
  again.type = 'button';
  again.dataset.act = 'reconnect';
  row.appendChild(again);
  if (r) {
    const cancel = el('button', 'btn', '取消自动重连');
    cancel.type = 'button';
    cancel.dataset.act = 'cancel';
    row.appendChild(cancel);
  }
  parts.push(row);
  panel.className = r ? 'waiting' : 'ended';
  panel.replaceChildren(...parts);
  panel.hidden = false;
}

function onSessionPanelClick(ev) {
  const b = ev.target.closest('button[data-act]');
  const id = state.activeTab;
  if (!b || !id) return;
  if (b.dataset.act === 'cancel') cancelReconnect(id);
  else send('reconnect', { id: id });
}

// ---------------------------------------------------------------------------
// Connecting to a typed address
// ---------------------------------------------------------------------------

// host, host:port or user@host[:port]; the native side checks it again.
const QUICK_ADDRESS = new RegExp(
  '^(?:[^\\s@/"\']+@)?(?:' +
    '\\[[0-9A-Fa-f:.]+(?:%[\\w.-]+)?\\](?::\\d{1,5})?' +
    '|' +
    '[0-9A-Fa-f]*:[0-9A-Fa-f]*:[0-9A-Fa-f:.]*(?:%[\\w.-]+)?' +
    '|' +
    '[\\w\\u0080-\\uffff][\\w.\\-\\u0080-\\uffff]*(?::\\d{1,5})?)$',
);

// The address a search offers to connect to: only when no server matches.
function quickAddress() {
  const text = state.search.trim();
  return text && QUICK_ADDRESS.test(text) && !matchingServers().length ? text : '';
}

function drawQuickOffer() {
  const offer = $('quickOffer');
  const address = quickAddress();
  offer.hidden = !address;
  if (address) offer.replaceChildren('连接 ', iso(address));
}

function quickConnect() {
  const address = quickAddress();
  if (!address) return false;
  send('quickConnect', { address: address });
  $('search').value = '';
  state.search = '';
  drawList();
  return true;
}

function onSearchKeyDown(ev) {
  if (ev.key !== 'Enter' || ev.isComposing) return;
  if (quickConnect()) ev.preventDefault();
}

function wireRecovery() {
  $('sessionPanel').addEventListener('click', onSessionPanelClick);
  $('quickOffer').addEventListener('click', quickConnect);
  $('search').addEventListener('keydown', onSearchKeyDown);
}
