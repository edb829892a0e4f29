/*
 * Tavolin page script: a thin view over the native side.
 *
 * The page keeps a copy of what the native side sends (servers, settings,
 * session states), draws it, and turns every user action into one command.
 * Nothing that comes from the native side or from the user is ever parsed as
 * markup: every node holding such text is built with DOM calls and textContent.
 */
'use strict';

(function () {
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

  // Elements of the currently drawn list and tab strip, by server id, so that a
  // "ping" touches one item instead of redrawing thousands.
  let listItems = new Map();
  let tabItems = new Map();
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
  // Texts and classes derived from a server
  // ---------------------------------------------------------------------------

  function hostLabel(s) {
    const host = str(s.host);
    const port = num(s.port, 0);
    return port && port !== 3389 ? host + ':' + port : host;
  }

  function netClass(s) {
    const st = num(s.netState, 0);
    const rtt = num(s.rtt, -1);
    if (st === 1) {
      if (rtt < 0) return 'st-unknown';
      if (rtt < 50) return 'st-ok';
      if (rtt < 120) return 'st-mid';
      if (rtt < 250) return 'st-warn';
      return 'st-bad';
    }
    if (st === 2) return 'st-port';
    if (st === 3 || st === 4 || st === 5) return 'st-bad';
    return 'st-unknown';
  }

  const NET_TEXTS = { 2: '端口被拒', 3: '超时', 4: '解析失败', 5: '不可达' };
  function netText(s) {
    const st = num(s.netState, 0);
    const rtt = num(s.rtt, -1);
    if (st === 1) return rtt >= 0 ? Math.round(rtt) + ' ms' : '可达';
    return NET_TEXTS[st] || '未探测';
  }

  function itemTooltip(s) {
    const lines = [hostLabel(s)];
    const ip = str(s.resolvedIp);
    if (ip && ip !== str(s.host)) lines.push('解析到 ' + ip);
    if (num(s.netState, 0) === 1) lines.push('RDP 端口可达，延迟约 ' + Math.round(num(s.rtt, -1)) + ' ms');
    else if (str(s.netDetail)) lines.push(str(s.netDetail));
    else lines.push('尚未探测');
    if (str(s.remark)) lines.push('备注：' + str(s.remark));
    lines.push('双击发起连接');
    return lines.join('\n');
  }

  const SESSION_DOT = { 1: 'st-warn', 2: 'st-ok', 3: 'st-bad', 4: 'st-bad' };
  function dotClass(s) { return SESSION_DOT[sessionState(s.id)] || netClass(s); }

  function summaryText() {
    let normal = 0, slow = 0, bad = 0, unknown = 0;
    for (const s of state.servers) {
      const st = num(s.netState, 0);
      if (st === 1) { if (num(s.rtt, -1) >= 250) slow++; else normal++; }
      else if (st === 0) unknown++;
      else bad++;
    }
    let t = state.servers.length + ' 台 · ' + normal + ' 正常';
    if (slow) t += ' · ' + slow + ' 慢';
    if (bad) t += ' · ' + bad + ' 异常';
    if (unknown) t += ' · ' + unknown + ' 未知';
    return t;
  }

  function updateSummary() { $('netSummary').textContent = summaryText(); }

  // ---------------------------------------------------------------------------
  // Server list
  // ---------------------------------------------------------------------------

  function matchingServers() {
    const kw = state.search.trim().toLowerCase();
    if (!kw) return state.servers;
    return state.servers.filter((s) =>
      (str(s.host) + ' ' + str(s.remark) + ' ' + str(s.group) + ' ' + str(s.user)).toLowerCase().indexOf(kw) >= 0);
  }

  function groupServers(list) {
    const groups = new Map();
    for (const s of list) {
      const g = str(s.group);
      if (!groups.has(g)) groups.set(g, []);
      groups.get(g).push(s);
    }
    return groups;
  }

  // One prototype item, cloned per server: cloning is much cheaper than
  // building the same small tree node by node thousands of times.
  let itemProto = null;
  function itemPrototype() {
    if (itemProto) return itemProto;
    const li = el('li', 'srv');
    li.appendChild(el('span', 'dot'));
    const info = el('div', 'info');
    info.appendChild(el('div', 'name'));
    info.appendChild(el('div', 'sub'));
    li.appendChild(info);
    li.appendChild(el('span', 'lat'));
    const edit = el('button', 'icon-btn edit');
    edit.type = 'button';
    edit.title = '编辑 / 备注';
    edit.appendChild(icon(ICON_PENCIL));
    li.appendChild(edit);
    itemProto = li;
    return li;
  }

  function fillSubLine(sub, s) {
    sub.textContent = '';
    if (str(s.group)) sub.appendChild(el('span', 'tag', str(s.group)));
    if (str(s.remark)) sub.appendChild(document.createTextNode(str(s.remark)));
    else sub.appendChild(el('span', 'dim', '（无备注，点右侧铅笔可填写）'));
  }

  function itemClass(s) {
    let c = 'srv';
    if (s.id === state.activeTab) c += ' active';
    if (s.id === state.selectedId) c += ' sel';
    return c;
  }

  function buildItem(s) {
    const li = itemPrototype().cloneNode(true);
    const parts = { li: li, dot: li.firstChild, lat: li.children[2] };
    li.className = itemClass(s);
    li.dataset.id = str(s.id);
    li.title = itemTooltip(s);
    parts.dot.className = 'dot ' + dotClass(s);
    li.children[1].firstChild.textContent = hostLabel(s);
    fillSubLine(li.children[1].lastChild, s);
    parts.lat.className = 'lat ' + netClass(s);
    parts.lat.textContent = netText(s);
    listItems.set(s.id, parts);
    return li;
  }

  function drawListCount(shown) {
    let t = state.servers.length + ' 台服务器';
    if (state.search) t += '（匹配 ' + shown + '）';
    $('listCount').textContent = t;
  }

  // The list is drawn as a window: only the rows near the visible part exist
  // as elements, between two spacers that keep the full scroll height. Rows
  // have fixed heights (see style.css), so offsets are simple sums. This keeps
  // a list of thousands as quick to draw as a list of fifty.
  const ROW_H = 50, HEAD_H = 28, SPARE_ROWS = 40;
  let rows = [];
  let rowTops = [];
  let drawnRange = [0, 0];

  function buildRows(shown) {
    rows = [];
    const groups = groupServers(shown);
    const headings = groups.size > 1 || !groups.has('');
    for (const [name, members] of groups) {
      if (headings) rows.push({ head: name || '未分组' });
      for (const s of members) rows.push({ s: s });
    }
    rowTops = new Array(rows.length + 1);
    let y = 0;
    for (let i = 0; i < rows.length; i++) { rowTops[i] = y; y += rows[i].head !== undefined ? HEAD_H : ROW_H; }
    rowTops[rows.length] = y;
  }

  function firstRowAt(y) {
    let lo = 0, hi = rows.length;
    while (lo < hi) { const mid = (lo + hi) >> 1; if (rowTops[mid + 1] <= y) lo = mid + 1; else hi = mid; }
    return lo;
  }

  function visibleRange(ul) {
    const top = ul.scrollTop, height = ul.clientHeight || 800;
    const from = Math.max(0, firstRowAt(top) - SPARE_ROWS);
    const to = Math.min(rows.length, firstRowAt(top + height) + 1 + SPARE_ROWS);
    return [from, to];
  }

  function spacer(height) {
    const li = el('li', 'spacer');
    li.style.height = height + 'px';
    return li;
  }

  function drawRows(ul, range) {
    drawnRange = range;
    listItems = new Map();
    const frag = document.createDocumentFragment();
    frag.appendChild(spacer(rowTops[range[0]]));
    for (let i = range[0]; i < range[1]; i++) {
      const r = rows[i];
      frag.appendChild(r.head !== undefined ? el('li', 'group-head', r.head) : buildItem(r.s));
    }
    frag.appendChild(spacer(rowTops[rows.length] - rowTops[range[1]]));
    ul.replaceChildren(frag);
  }

  function onListScroll() {
    const ul = $('serverList');
    const [from, to] = visibleRange(ul);
    // Redraw only when the visible part nears the edge of what is drawn.
    const margin = SPARE_ROWS >> 1;
    const staleTop = from < drawnRange[0] || from - drawnRange[0] > margin;
    const staleBottom = to > drawnRange[1] || drawnRange[1] - to > margin;
    if (staleTop || staleBottom) drawRows(ul, [from, to]);
  }

  function drawList() {
    const ul = $('serverList');
    const scroll = ul.scrollTop;
    const shown = matchingServers();
    drawListCount(shown.length);
    updateSummary();
    const tip = $('emptyTip');
    buildRows(shown);
    if (!shown.length) {
      listItems = new Map();
      ul.replaceChildren();
      tip.hidden = false;
      tip.firstElementChild.textContent = state.search ? '没有匹配的服务器' : '还没有服务器';
      return;
    }
    tip.hidden = true;
    drawRows(ul, visibleRange(ul));
    ul.scrollTop = scroll;
  }

  // Selection and the active tab change only classes: no need to rebuild items.
  function refreshItemClasses() {
    for (const [id, parts] of listItems) {
      const s = findServer(id);
      if (s) parts.li.className = itemClass(s);
    }
  }

  function refreshItem(id) {
    const parts = listItems.get(id);
    const s = findServer(id);
    if (!parts || !s) return;
    parts.li.className = itemClass(s);
    parts.li.title = itemTooltip(s);
    parts.dot.className = 'dot ' + dotClass(s);
    parts.lat.className = 'lat ' + netClass(s);
    parts.lat.textContent = netText(s);
  }

  function setServers(list) {
    state.servers = Array.isArray(list) ? list.filter((s) => s && typeof s === 'object') : [];
    serverIndex = new Map();
    for (const s of state.servers) {
      s.id = str(s.id);
      if (!serverIndex.has(s.id)) serverIndex.set(s.id, s);
    }
  }

  // ---------------------------------------------------------------------------
  // List interaction
  // ---------------------------------------------------------------------------

  function itemFromEvent(ev) {
    const li = ev.target.closest ? ev.target.closest('li.srv') : null;
    return li && $('serverList').contains(li) ? li : null;
  }

  function onListClick(ev) {
    const li = itemFromEvent(ev);
    if (!li) return;
    const id = li.dataset.id;
    if (ev.target.closest('.edit')) { openServerDialog(id); return; }
    state.selectedId = id;
    if (hasTab(id) && state.activeTab !== id) { activateTab(id); return; }
    refreshItemClasses();
  }

  function onListDblClick(ev) {
    const li = itemFromEvent(ev);
    if (!li || ev.target.closest('.edit')) return;
    connect(li.dataset.id);
  }

  function onListContextMenu(ev) {
    const li = itemFromEvent(ev);
    if (!li) return;
    ev.preventDefault();
    openContextMenu(li.dataset.id, ev.clientX, ev.clientY);
  }

  function connect(id) {
    if (!findServer(id)) return;
    const st = sessionState(id);
    if (hasTab(id) && (st === 1 || st === 2)) { activateTab(id); return; }
    if (!hasTab(id)) state.tabs.push(id);
    state.activeTab = id;
    drawTabs();
    refreshItemClasses();
    send('connect', { id: id });
  }

  // ---------------------------------------------------------------------------
  // Tab strip
  // ---------------------------------------------------------------------------

  const STATUS_TEXTS = { 1: '连接中…', 2: '已连接', 3: '已断开', 4: '连接失败' };

  function tabTooltip(s) {
    const st = sessionState(s.id);
    let t = hostLabel(s) + ' — ' + (STATUS_TEXTS[st] || netText(s));
    if (st === 3 || st === 4) t += '\n' + str(state.sessions[s.id].detail);
    return t;
  }

  function buildTab(s) {
    const tab = el('div', s.id === state.activeTab ? 'tab active' : 'tab');
    tab.dataset.id = s.id;
    tab.title = tabTooltip(s);
    const dot = el('span', 'dot ' + dotClass(s));
    tab.appendChild(dot);
    tab.appendChild(el('span', 'tname', str(s.remark) || str(s.host)));
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
      const s = findServer(id);
      if (s) frag.appendChild(buildTab(s));
    }
    $('tabs').replaceChildren(frag);
    $('welcome').hidden = state.tabs.length > 0;
    nudgeContentReport();
  }

  function refreshTabDot(id) {
    const t = tabItems.get(id);
    const s = findServer(id);
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
  // can ask many times in a row, and each report moves a native window.
  function reportContentRect() {
    if (reportPending) return;
    reportPending = true;
    requestAnimationFrame(() => {
      reportPending = false;
      if (state.overlay > 0 || !state.activeTab) { send('contentRect', { hidden: true }); return; }
      const r = $('contentArea').getBoundingClientRect();
      send('contentRect', { x: Math.round(r.left), y: Math.round(r.top), w: Math.round(r.width), h: Math.round(r.height) });
    });
  }

  // The layout may still be settling after a change of tabs; a native window
  // left at a stale place would cover the list, so report again a little later.
  function nudgeContentReport() {
    reportContentRect();
    setTimeout(reportContentRect, 120);
    setTimeout(reportContentRect, 420);
  }

  function watchContentArea() {
    window.addEventListener('resize', reportContentRect);
    if (window.ResizeObserver) {
      const ro = new ResizeObserver(reportContentRect);
      ro.observe($('contentArea'));
      ro.observe(document.body);
    }
    if (document.fonts && document.fonts.ready) document.fonts.ready.then(reportContentRect);
  }

  // ---------------------------------------------------------------------------
  // Context menu
  // ---------------------------------------------------------------------------

  function menuEntries(id) {
    const tabbed = hasTab(id);
    return [
      { text: '连接（新标签）', run: () => connect(id) },
      { text: '断开连接', disabled: !tabbed, run: () => disconnect(id) },
      { text: '重新连接', disabled: !tabbed, run: () => send('reconnect', { id: id }) },
      null,
      { text: '用系统 mstsc 打开', run: () => send('openExternal', { id: id }) },
      { text: '立即探测延迟', run: () => send('pingNow', {}) },
      null,
      { text: '编辑 / 备注', run: () => openServerDialog(id) },
      { text: '复制地址', run: () => copyHost(id) },
      { text: '删除', danger: true, run: () => confirmDelete(id) },
    ];
  }

  function buildMenuItem(entry) {
    if (!entry) return el('div', 'ctx-sep');
    const b = el('button', 'ctx-item' + (entry.danger ? ' danger' : ''), entry.text);
    b.type = 'button';
    b.disabled = !!entry.disabled;
    b.addEventListener('click', () => { closeContextMenu(); entry.run(); });
    return b;
  }

  function openContextMenu(id, x, y) {
    if (!findServer(id)) return;
    const menu = $('ctxMenu');
    menu.replaceChildren(...menuEntries(id).map(buildMenuItem));
    menu.hidden = false;
    // Keep the whole menu 8 px inside the window: move it left or up when needed.
    const w = menu.offsetWidth, h = menu.offsetHeight;
    menu.style.left = Math.max(8, Math.min(x, window.innerWidth - w - 8)) + 'px';
    menu.style.top = Math.max(8, Math.min(y, window.innerHeight - h - 8)) + 'px';
  }

  function closeContextMenu() { $('ctxMenu').hidden = true; }

  function copyHost(id) {
    const s = findServer(id);
    if (!s) return;
    const label = hostLabel(s);
    const done = () => showToast('ok', '已复制 ' + label);
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(label).then(done, () => { copyFallback(label); done(); });
    } else {
      copyFallback(label);
      done();
    }
  }

  // Clipboard access can be refused (no secure context, no focus): the old way
  // through a selected temporary text area still works there.
  function copyFallback(text) {
    const ta = el('textarea');
    ta.value = text;
    ta.setAttribute('readonly', '');
    ta.style.position = 'fixed';
    ta.style.left = '-9999px';
    document.body.appendChild(ta);
    ta.select();
    try { document.execCommand('copy'); } catch (e) { /* nothing more to try */ }
    ta.remove();
  }

  function confirmDelete(id, after) {
    const s = findServer(id);
    if (!s) return;
    showConfirm({
      title: '删除服务器',
      text: '确定删除 ' + hostLabel(s) + ' 吗？',
      ok: '删除',
      onYes: () => { send('removeServer', { id: id }); if (after) after(); },
    });
  }

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

  // ---------------------------------------------------------------------------
  // Full screen and the sidebar
  // ---------------------------------------------------------------------------

  let fsHideTimer = 0;

  function scheduleTabbarHide() {
    clearTimeout(fsHideTimer);
    fsHideTimer = setTimeout(() => { if (state.fullscreen) $('tabbar').classList.add('fs-hidden'); }, 2200);
  }

  function showTabbar() {
    $('tabbar').classList.remove('fs-hidden');
    if (state.fullscreen && !tabbarHovered) scheduleTabbarHide();
  }

  let tabbarHovered = false;

  function applyFullscreen(on) {
    state.fullscreen = !!on;
    document.body.classList.toggle('fullscreen', state.fullscreen);
    clearTimeout(fsHideTimer);
    $('tabbar').classList.remove('fs-hidden');
    if (state.fullscreen) scheduleTabbarHide();
    reportContentRect();
  }

  function watchFullscreenPointer() {
    document.addEventListener('mousemove', (ev) => {
      if (state.fullscreen && ev.clientY <= 60) showTabbar();
    });
    const bar = $('tabbar');
    bar.addEventListener('mouseenter', () => { tabbarHovered = true; clearTimeout(fsHideTimer); bar.classList.remove('fs-hidden'); });
    bar.addEventListener('mouseleave', () => { tabbarHovered = false; if (state.fullscreen) scheduleTabbarHide(); });
  }

  function setSidebarCollapsed(on) {
    $('app').classList.toggle('collapsed', on);
    setTimeout(reportContentRect, 200);
  }

  // ---------------------------------------------------------------------------
  // Theme, display mode, password badge
  // ---------------------------------------------------------------------------

  function applyTheme(theme) {
    state.theme = theme === 'dark' ? 'dark' : 'light';
    document.documentElement.setAttribute('data-theme', state.theme);
    for (const b of $('themeSeg').children) b.classList.toggle('on', b.dataset.themeValue === state.theme);
  }

  const MODE_TIPS = {
    stretch: '远端分辨率保持不变，画面缩放铺满窗口。任何服务器都有效，缩放后可能略微模糊。',
    resolution: '把远端桌面分辨率改成窗口大小，画面最清晰。需要远端系统支持，不支持时会退化成拉伸。',
  };

  function applyResizeMode(mode) {
    state.resizeMode = mode === 'stretch' ? 'stretch' : 'resolution';
    for (const b of $('modeSeg').children) b.classList.toggle('on', b.dataset.modeValue === state.resizeMode);
    $('modeTip').textContent = MODE_TIPS[state.resizeMode];
  }

  function updatePasswordBadge() {
    const on = !!state.settings.passwordEnabled;
    const badge = $('pwdState');
    badge.className = on ? 'badge on' : 'badge';
    badge.textContent = on ? '当前状态：已设置启动密码' : '当前状态：未设置（直接进入主界面）';
  }

  // ---------------------------------------------------------------------------
  // Dialogs: shared opening and closing
  // ---------------------------------------------------------------------------

  // Every open dialog hides the native remote desktop, which would otherwise be
  // drawn above the page and cover the dialog.
  function openDialog(id) {
    const d = $(id);
    if (!d.hidden) return;
    d.hidden = false;
    state.overlay++;
    reportContentRect();
  }

  function closeDialog(id) {
    const d = $(id);
    if (d.hidden) return;
    d.hidden = true;
    state.overlay = Math.max(0, state.overlay - 1);
    reportContentRect();
  }

  function isOpen(id) { return !$(id).hidden; }

  // The focus waits until the dialog is shown, and leaves alone a field the
  // user already went to in the meantime.
  function focusLater(id) {
    setTimeout(() => {
      const a = document.activeElement;
      if (a && /^(INPUT|TEXTAREA|SELECT)$/.test(a.tagName)) return;
      $(id).focus();
    }, 30);
  }

  function wireDialogMasks() {
    for (const id of ['serverModal', 'importModal', 'settingsPanel']) {
      $(id).addEventListener('mousedown', (ev) => { if (ev.target === ev.currentTarget) closeDialog(id); });
    }
    $('confirmModal').addEventListener('mousedown', (ev) => { if (ev.target === ev.currentTarget) answerConfirm(false); });
    document.addEventListener('click', (ev) => {
      const b = ev.target.closest ? ev.target.closest('[data-close]') : null;
      if (b) closeDialog(b.dataset.close);
    });
  }

  // ---------------------------------------------------------------------------
  // Server dialog
  // ---------------------------------------------------------------------------

  // A value the fixed choices lack (an odd size or depth from an imported list)
  // gets its own option, so saving does not silently replace it.
  function selectValue(select, value, label) {
    if (![...select.options].some((o) => o.value === value)) {
      const o = el('option', 'custom', label);
      o.value = value;
      select.appendChild(o);
    }
    select.value = value;
  }

  function resetCustomOptions() {
    for (const sel of [$('f_colorDepth'), $('f_resolution')]) {
      for (const o of [...sel.querySelectorAll('option.custom')]) o.remove();
    }
  }

  function serverFormValues(s) {
    const set = state.settings;
    if (s) {
      const w = num(s.width, 0), h = num(s.height, 0);
      return {
        host: str(s.host), port: num(s.port, 3389) || 3389,
        user: str(s.user) || str(set.defaultUser) || 'Administrator',
        remark: str(s.remark), group: str(s.group), depth: num(s.colorDepth, 32) || 32,
        res: w && h ? w + 'x' + h : '0', smart: s.smartSizing !== false, auto: !!s.autoConnect,
        hasPassword: !!s.hasPassword,
      };
    }
    return {
      host: '', port: 3389, user: str(set.defaultUser) || 'Administrator', remark: '', group: '',
      depth: num(set.defaultColorDepth, 32) || 32, res: '0', smart: set.defaultSmartSizing !== false,
      auto: false, hasPassword: false,
    };
  }

  function openServerDialog(id) {
    const s = id ? findServer(id) : null;
    state.editingId = s ? s.id : null;
    const v = serverFormValues(s);
    resetCustomOptions();
    $('serverTitle').textContent = s ? '编辑服务器' : '新增服务器';
    $('btnDeleteServer').hidden = !s;
    $('f_host').value = v.host;
    $('f_port').value = String(v.port);
    $('f_user').value = v.user;
    $('f_password').value = '';
    $('f_password').placeholder = v.hasPassword ? '已保存密码（留空表示不修改）' : '可留空';
    $('f_remark').value = v.remark;
    $('f_group').value = v.group;
    selectValue($('f_colorDepth'), String(v.depth), v.depth + ' 位');
    selectValue($('f_resolution'), v.res, v.res);
    $('f_smartSizing').checked = v.smart;
    $('f_autoConnect').checked = v.auto;
    openDialog('serverModal');
    focusLater('f_host');
  }

  function saveServerDialog() {
    const host = $('f_host').value.trim();
    if (!host) {
      showToast('error', '请填写服务器地址');
      $('f_host').focus();
      return;
    }
    const res = $('f_resolution').value;
    const wh = res === '0' ? ['0', '0'] : res.split('x');
    const data = {
      host: host,
      port: intOr($('f_port').value, 3389),
      user: $('f_user').value.trim(),
      remark: $('f_remark').value.trim(),
      group: $('f_group').value.trim(),
      colorDepth: intOr($('f_colorDepth').value, 32),
      width: intOr(wh[0], 0),
      height: intOr(wh[1], 0),
      smartSizing: $('f_smartSizing').checked,
      autoConnect: $('f_autoConnect').checked,
    };
    if ($('f_password').value !== '') data.password = $('f_password').value;
    if (state.editingId !== null) {
      data.id = state.editingId;
      send('updateServer', data);
    } else {
      send('addServer', data);
    }
    closeDialog('serverModal');
  }

  // ---------------------------------------------------------------------------
  // Import dialog
  // ---------------------------------------------------------------------------

  function openImportDialog() {
    openDialog('importModal');
    focusLater('importText');
  }

  function doImport() {
    const text = $('importText').value;
    if (!text.trim()) { showToast('error', '请先粘贴要导入的内容'); return; }
    send('importText', { text: text });
    $('importText').value = '';
    closeDialog('importModal');
  }

  // ---------------------------------------------------------------------------
  // Settings drawer
  // ---------------------------------------------------------------------------

  function openSettings() {
    const s = state.settings;
    $('s_interval').value = String(num(s.pingIntervalSec, 10));
    $('s_timeout').value = String(num(s.pingTimeoutMs, 2000));
    $('s_threads').value = String(num(s.pingThreads, 6));
    $('s_defUser').value = str(s.defaultUser);
    $('s_defColor').value = String(num(s.defaultColorDepth, 32));
    if (!$('s_defColor').value) $('s_defColor').value = '32';
    $('s_defSmart').checked = s.defaultSmartSizing !== false;
    $('s_oldPwd').value = '';
    $('s_newPwd').value = '';
    $('s_newPwd2').value = '';
    $('s_hint').value = str(s.passwordHint);
    updatePasswordBadge();
    applyTheme(state.theme);
    applyResizeMode(state.resizeMode);
    openDialog('settingsPanel');
  }

  function saveSettings() {
    send('saveSettings', {
      pingIntervalSec: intOr($('s_interval').value, 0),
      pingTimeoutMs: intOr($('s_timeout').value, 2000),
      pingThreads: intOr($('s_threads').value, 6),
      defaultUser: $('s_defUser').value.trim(),
      defaultColorDepth: intOr($('s_defColor').value, 32),
      defaultSmartSizing: $('s_defSmart').checked,
    });
  }

  function onThemeClick(ev) {
    const b = ev.target.closest('[data-theme-value]');
    if (!b || b.dataset.themeValue === state.theme) return;
    applyTheme(b.dataset.themeValue);
    send('saveSettings', { darkTheme: state.theme === 'dark' });
  }

  function onModeClick(ev) {
    const b = ev.target.closest('[data-mode-value]');
    if (!b || b.dataset.modeValue === state.resizeMode) return;
    applyResizeMode(b.dataset.modeValue);
    send('saveSettings', { changeRemoteResolution: state.resizeMode === 'resolution' });
  }

  function savePassword() {
    const pwd = $('s_newPwd').value;
    if (!pwd) return showToast('error', '新密码不能为空');
    if (pwd !== $('s_newPwd2').value) return showToast('error', '两次输入的新密码不一致');
    if ([...pwd].length < 4) return showToast('error', '密码至少要 4 位');
    send('setPassword', { old: $('s_oldPwd').value, new: pwd, hint: $('s_hint').value.trim() });
    $('s_oldPwd').value = '';
    $('s_newPwd').value = '';
    $('s_newPwd2').value = '';
  }

  function clearPassword() {
    if (!state.settings.passwordEnabled) { showToast('info', '当前没有设置启动密码'); return; }
    showConfirm({
      title: '取消启动密码',
      text: '确定取消启动密码吗？取消后打开软件将不再需要输入密码。',
      ok: '取消密码',
      onYes: () => { send('clearPassword', { old: $('s_oldPwd').value }); $('s_oldPwd').value = ''; },
    });
  }

  // ---------------------------------------------------------------------------
  // Confirmation and close dialogs
  // ---------------------------------------------------------------------------

  let confirmAction = null;

  function showConfirm(opts) {
    $('confirmTitle').textContent = opts.title || '确认操作';
    $('confirmText').textContent = str(opts.text);
    const ok = $('confirmOk');
    ok.textContent = opts.ok || '确定';
    ok.className = opts.safe ? 'btn primary' : 'btn danger';
    confirmAction = opts.onYes || null;
    openDialog('confirmModal');
    focusLater('confirmOk');
  }

  function answerConfirm(yes) {
    const action = confirmAction;
    confirmAction = null;
    closeDialog('confirmModal');
    if (yes && action) action();
  }

  function closeDialogText(d) {
    const tabs = intOr(d.tabs, 0), connected = intOr(d.connected, 0);
    if (connected > 0) return '还有 ' + connected + ' 个远程桌面会话连着，关闭后这些连接会全部断开。';
    if (tabs > 0) return '打开了 ' + tabs + ' 个远程桌面标签，关闭后这些连接会全部断开。';
    return '关闭后需要重新打开程序。';
  }

  function showCloseDialog(data) {
    $('closeText').textContent = closeDialogText(obj(data));
    if (isOpen('closeModal')) return;
    openDialog('closeModal');
    focusLater('closeYes');
  }

  function answerClose(ok) {
    closeDialog('closeModal');
    send('confirmClose', { ok: ok });
  }

  // ---------------------------------------------------------------------------
  // Events from the native side
  // ---------------------------------------------------------------------------

  function onPing(d) {
    const s = findServer(str(d.id));
    if (!s) return;
    s.netState = num(d.state, 0);
    s.rtt = num(d.rtt, -1);
    s.resolvedIp = str(d.ip);
    s.netDetail = str(d.detail);
    refreshItem(s.id);
    updateSummary();
    refreshTabDot(s.id);
  }

  function onSessionState(d) {
    const id = str(d.id);
    state.sessions[id] = d;
    refreshItem(id);
    drawTabs();
    const st = num(d.state, 0);
    if (st === 3 || st === 4) {
      const s = findServer(id);
      showToast(st === 4 ? 'error' : 'info', (s ? hostLabel(s) : '') + '：' + str(d.detail));
    }
  }

  function onTabOpened(d) {
    const id = str(d.id);
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
    servers: (d) => { setServers(d); drawList(); drawTabs(); },
    settings: onSettings,
    ping: onPing,
    sessionState: onSessionState,
    tabOpened: onTabOpened,
    tabClosed: onTabClosed,
    tabActivated: (d) => { state.activeTab = d.id ? str(d.id) : null; drawTabs(); refreshItemClasses(); },
    fullscreen: (d) => applyFullscreen(!!d.on),
    toast: (d) => showToast(d.type, d.text),
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
    if (isOpen('closeModal')) { answerClose(false); return; }
    if (isOpen('confirmModal')) { answerConfirm(false); return; }
    closeContextMenu();
    closeDialog('serverModal');
    closeDialog('importModal');
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
    if (ev.key === 'Escape') { onEscape(); return; }
    if (ev.key === 'F12') { ev.preventDefault(); send('devtools', {}); return; }
    if (ev.ctrlKey && (ev.key === 'r' || ev.key === 'R')) { ev.preventDefault(); send('reloadUI', {}); return; }
    if (ev.key === 'Enter' && enterSavesServer(ev)) { ev.preventDefault(); saveServerDialog(); }
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
    $('btnExport').addEventListener('click', () => send('exportServers', {}));
    $('btnSettings').addEventListener('click', openSettings);
    $('btnFullscreen').addEventListener('click', () => send('toggleFullscreen', {}));
    $('btnSaveServer').addEventListener('click', saveServerDialog);
    $('btnDeleteServer').addEventListener('click', () => {
      if (state.editingId !== null) confirmDelete(state.editingId, () => closeDialog('serverModal'));
    });
    $('btnDoImport').addEventListener('click', doImport);
    $('btnSaveSettings').addEventListener('click', saveSettings);
    $('btnSetPwd').addEventListener('click', savePassword);
    $('btnClearPwd').addEventListener('click', clearPassword);
    $('themeSeg').addEventListener('click', onThemeClick);
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
    const tabs = $('tabs');
    tabs.addEventListener('click', onTabsClick);
    tabs.addEventListener('contextmenu', onTabsContextMenu);
    $('search').addEventListener('input', (ev) => { state.search = ev.target.value; drawList(); });
  }

  function wireDocument() {
    document.addEventListener('keydown', onKeyDown);
    // The browser's own menu makes no sense in an application window; list
    // items and tabs open ours instead (their handlers suppress it there).
    document.addEventListener('contextmenu', (ev) => {
      const t = ev.target;
      if (!(t.closest && t.closest('li.srv, .tab'))) ev.preventDefault();
    });
    document.addEventListener('mousedown', (ev) => {
      const menu = $('ctxMenu');
      if (!menu.hidden && !menu.contains(ev.target)) closeContextMenu();
    }, true);
  }

  function start() {
    wireButtons();
    wireList();
    wireDialogMasks();
    wireDocument();
    watchContentArea();
    watchFullscreenPointer();
    applyTheme('light');
    applyResizeMode('resolution');
    const b = bridge();
    if (b) b.addEventListener('message', onBridgeMessage);
    window.__send = send;
    send('ready', {});
    // The native side may have missed the first "ready" while the page was
    // still being attached; asking twice is harmless (its answers are idempotent).
    setTimeout(() => { send('ready', {}); reportContentRect(); }, 400);
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
