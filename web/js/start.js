// Events from the native side, the keyboard, the wiring of every control,
// and the start of the page. Comes last: it runs the page.

// ---------------------------------------------------------------------------
// Events from the native side
// ---------------------------------------------------------------------------

// Probe results come in batches ("pings": {results: [...]}), up to a whole
// sweep of tens of thousands at once. They are kept, the latest per server,
// until the next frame and applied there within a time budget, the rest in
// the frames after: a sweep never holds the page for longer than a frame,
// and a hidden page (no frames) keeps only one result per server.
const PING_FRAME_BUDGET_MS = 8;
const pendingPings = new Map();
let pingFrame = 0;

function onPings(d) {
  const list = Array.isArray(d.results) ? d.results : [];
  for (const r of list) {
    if (!r || typeof r !== 'object') continue;
    const id = str(r.id);
    pendingPings.delete(id); // a later result goes to the end, after the ones it overtook
    pendingPings.set(id, r);
  }
  if (pendingPings.size && !pingFrame) pingFrame = requestAnimationFrame(applyPings);
}

function applyPing(r) {
  const s = findServer(str(r.id));
  if (!s) return;
  const before = netBucket(s);
  s.netState = num(r.state, 0);
  s.rtt = num(r.rtt, -1);
  s.resolvedIp = str(r.ip);
  s.netDetail = str(r.detail);
  moveNetCount(before, netBucket(s));
  refreshItem(s.id);
  refreshTabDot(s.id);
}

function applyPings() {
  pingFrame = 0;
  const until = performance.now() + PING_FRAME_BUDGET_MS;
  let n = 0;
  for (const [id, r] of pendingPings) {
    pendingPings.delete(id);
    applyPing(r);
    // The clock is read every so often: reading it costs more than a result.
    if (++n % 256 === 0 && performance.now() > until) break;
  }
  updateSummary();
  if (pendingPings.size) pingFrame = requestAnimationFrame(applyPings);
}

function onSessionState(d) {
  const id = str(d.id);
  state.sessions[id] = d;
  refreshItem(id);
  drawTabs();
  const st = num(d.state, 0);
  // A tab reconnecting by itself tells its attempts in the tab, not in toasts.
  if ((st === 3 || st === 4) && d.retold !== true && !reconnectOf(id)) {
    const s = tabServer(id);
    showToast(st === 4 ? 'error' : 'info', iso(s ? hostLabel(s) : ''), '：', iso(d.detail));
  }
}

function onTabOpened(d) {
  const id = str(d.id);
  state.tabInfo[id] = {
    id: id,
    host: str(d.host),
    port: num(d.port, RDP_PORT),
    remark: str(d.remark),
    temporary: d.temporary === true,
  };
  if (!hasTab(id)) state.tabs.push(id);
  state.activeTab = id;
  drawTabs();
  refreshItemClasses();
  nudgeContentReport();
}

function onTabClosed(d) {
  removeTab(str(d.id));
  drawTabs();
  drawList();
}

function onSettings(d) {
  state.settings = obj(d);
  updatePasswordBadge();
  applyTheme(state.settings.darkTheme === false ? 'light' : 'dark');
  applyResizeMode(state.settings.changeRemoteResolution === false ? 'stretch' : 'resolution');
}

const EVENT_HANDLERS = {
  env: onEnv,
  servers: (d) => {
    setServers(d);
    drawList();
    drawTabs();
  },
  settings: onSettings,
  pings: onPings,
  sessionState: onSessionState,
  reconnect: onReconnect,
  tabOpened: onTabOpened,
  tabClosed: onTabClosed,
  tabActivated: (d) => {
    state.activeTab = d.id ? str(d.id) : null;
    drawTabs();
    refreshItemClasses();
  },
  fullscreen: (d) => applyFullscreen(!!d.on),
  toast: (d) => showToast(d.type, str(d.text)),
  confirmClose: showCloseDialog,
};

function handleEvent(cmd, data) {
  const h = Object.prototype.hasOwnProperty.call(EVENT_HANDLERS, cmd) ? EVENT_HANDLERS[cmd] : null;
  if (!h) return;
  h(cmd === 'servers' ? (Array.isArray(data) ? data : []) : obj(data));
}

// ---------------------------------------------------------------------------
// Keyboard
// ---------------------------------------------------------------------------

function onEscape() {
  if (isOpen('closeModal')) {
    answerClose(false);
    return;
  }
  if (isOpen('confirmModal')) {
    answerConfirm(false);
    return;
  }
  closeContextMenu();
  closeDialog('serverModal');
  closeDialog('importModal');
  closeDialog('exportModal');
  closeDialog('settingsPanel');
}

// Enter saves the server dialog, except while an input method is composing
// (Chinese input confirms with Enter), while a confirmation sits on top, and
// Shift+Enter in the remark box, which starts a second line.
function enterSavesServer(ev) {
  if (!isOpen('serverModal') || isOpen('confirmModal') || ev.isComposing) return false;
  if (ev.shiftKey && ev.target === $('f_remark')) return false;
  return !(ev.target && ev.target.tagName === 'BUTTON');
}

function onKeyDown(ev) {
  if (ev.key === 'Escape') {
    onEscape();
    return;
  }
  if (ev.key === 'Tab') {
    keepFocusInDialog(ev);
    return;
  }
  if (ev.key === 'F12') {
    ev.preventDefault();
    send('devtools', {});
    return;
  }
  if (ev.ctrlKey && (ev.key === 'r' || ev.key === 'R')) {
    ev.preventDefault();
    send('reloadUI', {});
    return;
  }
  if (ev.key === 'Enter' && enterSavesServer(ev)) {
    ev.preventDefault();
    saveServerDialog();
  }
}

// ---------------------------------------------------------------------------
// Wiring and start
// ---------------------------------------------------------------------------

function wireButtons() {
  $('btnCollapse').addEventListener('click', () => setSidebarCollapsed(true));
  $('btnExpand').addEventListener('click', () => setSidebarCollapsed(false));
  $('btnPingAll').addEventListener('click', () => send('pingNow', {}));
  $('btnAdd').addEventListener('click', () => openServerDialog(null));
  $('btnImport').addEventListener('click', openImportDialog);
  $('btnExport').addEventListener('click', openExportDialog);
  $('btnDoExport').addEventListener('click', doExport);
  $('exportPasswords').addEventListener('change', updateExportPasswordRow);
  $('btnSettings').addEventListener('click', openSettings);
  $('btnFullscreen').addEventListener('click', () => send('toggleFullscreen', {}));
  $('btnSaveServer').addEventListener('click', saveServerDialog);
  wireOptionFields();
  $('btnDeleteServer').addEventListener('click', () => {
    if (state.editingId !== null) confirmDelete(state.editingId, () => closeDialog('serverModal'));
  });
  $('btnDoImport').addEventListener('click', doImport);
  $('btnSaveSettings').addEventListener('click', saveSettings);
  $('btnSetPwd').addEventListener('click', savePassword);
  $('btnClearPwd').addEventListener('click', clearPassword);
  $('themeSeg').addEventListener('click', onThemeClick);
  $('s_autoReconnect').addEventListener('change', (ev) =>
    send('saveSettings', { autoReconnect: ev.target.checked }),
  );
  $('modeSeg').addEventListener('click', onModeClick);
  $('confirmOk').addEventListener('click', () => answerConfirm(true));
  $('confirmNo').addEventListener('click', () => answerConfirm(false));
  $('closeYes').addEventListener('click', () => answerClose(true));
  $('closeNo').addEventListener('click', () => answerClose(false));
}

function wireList() {
  const ul = $('serverList');
  ul.addEventListener('click', onListClick);
  ul.addEventListener('dblclick', onListDblClick);
  ul.addEventListener('contextmenu', onListContextMenu);
  ul.addEventListener('scroll', onListScroll);
  wireListKeys(ul);
  wireReorder(ul);
  $('ctxMenu').addEventListener('keydown', onMenuKeyDown);
  const tabs = $('tabs');
  tabs.addEventListener('click', onTabsClick);
  tabs.addEventListener('contextmenu', onTabsContextMenu);
  $('search').addEventListener('input', (ev) => {
    state.search = ev.target.value;
    drawList();
  });
}

function wireDocument() {
  document.addEventListener('keydown', onKeyDown);
  // The browser's own menu makes no sense in an application window; list
  // items and tabs open ours instead (their handlers suppress it there).
  document.addEventListener('contextmenu', (ev) => {
    const t = ev.target;
    if (!(t.closest && t.closest('li.srv, .tab'))) ev.preventDefault();
  });
  document.addEventListener(
    'mousedown',
    (ev) => {
      const menu = $('ctxMenu');
      if (!menu.hidden && !menu.contains(ev.target)) closeContextMenu();
    },
    true,
  );
  wireRdpImport();
}

function start() {
  wireButtons();
  wireList();
  wireDialogMasks();
  wireDocument();
  wireRecovery();
  watchContentArea();
  watchFullscreenPointer();
  watchEnv();
  drawLegend();
  // The settings' own default, so that most starts do not flash from one
  // theme to the other when the settings arrive.
  applyTheme('dark');
  applyResizeMode('resolution');
  const b = bridge();
  if (b) b.addEventListener('message', onBridgeMessage);
  window.__send = send;
  // The program gives the view the keyboard as the window opens: the first
  // keys a user types go to the search.
  $('search').focus();
  send('ready', {});
  // The native side may have missed the first "ready" while the page was
  // still being attached; asking twice is harmless (its answers are idempotent).
  setTimeout(() => {
    send('ready', {});
    reportContentRect();
  }, 400);
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
else start();
