// The tab strip, and the content-area report that tells the native side where
// the active remote desktop must appear.

// ---------------------------------------------------------------------------
// Tab strip
// ---------------------------------------------------------------------------

// Elements of the drawn tabs, by server id, so that a probe result redraws one dot.
let tabItems = new Map();

const STATUS_TEXTS = { 1: '连接中…', 2: '已连接', 3: '已断开', 4: '连接失败' };

function tabTooltip(s) {
  const st = sessionState(s.id);
  const r = reconnectOf(s.id);
  let t = isoText(hostLabel(s)) + ' — ' + (r ? waitingText(r) : STATUS_TEXTS[st] || netText(s));
  const session = state.sessions[s.id];
  // The external client reports nothing while it connects, so what the tab
  // waits for (the client's window, behind its prompts) is told here.
  const waitsForClient = st === 1 && str(session && session.mode) === 'mstsc';
  if (st === 3 || st === 4 || waitsForClient) t += '\n' + isoText(session.detail);
  return t;
}

function buildTab(s) {
  const r = reconnectOf(s.id);
  const temporary = isTemporaryTab(s.id);
  let cls = s.id === state.activeTab ? 'tab active' : 'tab';
  if (r) cls += ' waiting';
  if (temporary) cls += ' temp';
  const tab = el('div', cls);
  tab.dataset.id = s.id;
  tab.title = tabTooltip(s) + (temporary ? '\n未保存：右键菜单可保存为服务器' : '');
  const dot = el('span', 'dot ' + dotClass(s));
  tab.appendChild(dot);
  tab.appendChild(el('span', 'tname', str(s.remark) || str(s.host)));
  if (temporary) tab.appendChild(el('span', 'tmark', '未保存'));
  if (r) {
    tab.appendChild(
      el(
        'span',
        'twait',
        r.phase === 'connecting' ? '重连中（第 ' + r.attempts + ' 次）' : '等待服务器恢复…',
      ),
    );
    const cancel = el('button', 'icon-btn tcancel');
    cancel.type = 'button';
    cancel.title = '取消自动重连';
    cancel.appendChild(icon(ICON_CLOSE));
    tab.appendChild(cancel);
  }
  const close = el('button', 'icon-btn tclose');
  close.type = 'button';
  close.title = '关闭标签';
  close.appendChild(icon(ICON_CLOSE));
  tab.appendChild(close);
  tabItems.set(s.id, { tab: tab, dot: dot });
  return tab;
}

function drawTabs() {
  tabItems = new Map();
  const frag = document.createDocumentFragment();
  for (const id of state.tabs) {
    const s = tabServer(id);
    if (s) frag.appendChild(buildTab(s));
  }
  $('tabs').replaceChildren(frag);
  $('welcome').hidden = state.tabs.length > 0;
  drawSessionPanel();
  nudgeContentReport();
}

function refreshTabDot(id) {
  const t = tabItems.get(id);
  const s = tabServer(id);
  if (!t || !s) return;
  t.dot.className = 'dot ' + dotClass(s);
  t.tab.title = tabTooltip(s);
}

function activateTab(id) {
  state.activeTab = id;
  drawTabs();
  refreshItemClasses();
  send('activateTab', { id: id });
}

function removeTab(id) {
  const i = state.tabs.indexOf(id);
  if (i >= 0) state.tabs.splice(i, 1);
  delete state.sessions[id];
  delete state.reconnects[id];
  delete state.tabInfo[id];
  if (state.activeTab === id) state.activeTab = state.tabs.length ? state.tabs[state.tabs.length - 1] : null;
}

function closeTab(id) {
  removeTab(id);
  drawTabs();
  drawList();
  send('closeTab', { id: id });
}

function disconnect(id) {
  delete state.sessions[id];
  send('disconnect', { id: id });
  drawTabs();
  refreshItem(id);
}

function onTabsClick(ev) {
  const tab = ev.target.closest('.tab');
  if (!tab) return;
  const id = tab.dataset.id;
  if (ev.target.closest('.tclose')) closeTab(id);
  else if (ev.target.closest('.tcancel')) cancelReconnect(id);
  else if (state.activeTab !== id) activateTab(id);
}

function onTabsContextMenu(ev) {
  const tab = ev.target.closest('.tab');
  if (!tab) return;
  ev.preventDefault();
  openContextMenu(tab.dataset.id, ev.clientX, ev.clientY);
}

// ---------------------------------------------------------------------------
// Content-area report: where the native remote desktop must appear
// ---------------------------------------------------------------------------

let reportPending = false;

// Coalesced to one report per animation frame: resize observers and dialogs
// can ask many times in a row, and each report moves a native window. The
// remote desktop is hidden while a dialog is open, while no tab is active, and
// while a toast or the menu lies over the content area (see layers.js).
function reportContentRect() {
  if (reportPending) return;
  reportPending = true;
  requestAnimationFrame(() => {
    reportPending = false;
    const r = $('contentArea').getBoundingClientRect();
    if (state.overlay > 0 || !state.activeTab || contentCovered(r)) {
      send('contentRect', { hidden: true });
      return;
    }
    // CSS pixels with their fractions: the native side scales them to the
    // window's device pixels, where half a CSS pixel can be a whole one.
    send('contentRect', { x: r.left, y: r.top, w: r.width, h: r.height });
  });
}

// The layout may still be settling after a change of tabs; a native window
// left at a stale place would cover the list, so report again a little later.
function nudgeContentReport() {
  reportContentRect();
  setTimeout(reportContentRect, 120);
  setTimeout(reportContentRect, 420);
}

// A move to a monitor of another scale changes no CSS size, so no observer
// fires, but the native side places the session in device pixels: report
// again whenever the device pixel ratio changes.
function watchScale() {
  const query = matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`);
  query.addEventListener(
    'change',
    () => {
      reportContentRect();
      watchScale();
    },
    { once: true },
  );
}

function watchContentArea() {
  watchScale();
  window.addEventListener('resize', floatingChanged);
  if (window.ResizeObserver) {
    const ro = new ResizeObserver(reportContentRect);
    ro.observe($('contentArea'));
    ro.observe(document.body);
  }
  if (document.fonts && document.fonts.ready) document.fonts.ready.then(reportContentRect);
}
