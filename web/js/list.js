// The server list: texts and classes derived from a server, the network
// summary, drawing the list as a window over the rows, and the clicks on it.

// ---------------------------------------------------------------------------
// Texts and classes derived from a server
// ---------------------------------------------------------------------------

function hostLabel(s) {
  const host = str(s.host);
  const port = num(s.port, 0);
  return port && port !== RDP_PORT ? host + ':' + port : host;
}

// One table decides a server's colour, the summary count it goes into and
// the legend's word for it, so that the three cannot disagree. A reachable
// server takes the first band above its time (one with no measured time
// counts as normal); red is kept for servers that do not answer.
const RTT_BANDS = [
  [50, 'st-ok'],
  [120, 'st-mid'],
  [Infinity, 'st-warn'],
];
const STATE_CLASSES = { 2: 'st-port', 3: 'st-bad', 4: 'st-bad', 5: 'st-bad' };
// In the summary's order; `name` is the legend's and the tooltip's word,
// `short` the summary's, `legend` whether the sidebar's legend shows it.
const NET_BUCKETS = [
  { classes: ['st-ok', 'st-mid'], name: '正常', short: '正常', legend: true },
  { classes: ['st-warn'], name: '较慢', short: '慢', legend: true },
  { classes: ['st-bad', 'st-port'], name: '异常', short: '异常', legend: true },
  { classes: ['st-unknown'], name: '未知', short: '未知', legend: false },
];

function netClass(s) {
  const st = num(s.netState, 0);
  if (st !== 1) return STATE_CLASSES[st] || 'st-unknown';
  const rtt = num(s.rtt, -1);
  if (rtt < 0) return 'st-ok';
  let i = 0;
  while (rtt >= RTT_BANDS[i][0]) i++;
  return RTT_BANDS[i][1];
}

// Class to bucket index: the summary counts thousands of servers on every ping.
const BUCKET_OF = {};
NET_BUCKETS.forEach((b, i) => {
  for (const c of b.classes) BUCKET_OF[c] = i;
});

function drawLegend() {
  const parts = NET_BUCKETS.filter((b) => b.legend).map((b) => {
    const entry = el('span');
    for (const c of b.classes) entry.appendChild(el('i', 'dot ' + c));
    entry.appendChild(document.createTextNode(b.name));
    return entry;
  });
  $('legend').replaceChildren(...parts);
}

const NET_TEXTS = { 2: '端口被拒', 3: '超时', 4: '解析失败', 5: '不可达' };
function netText(s) {
  const st = num(s.netState, 0);
  const rtt = num(s.rtt, -1);
  if (st === 1) return rtt >= 0 ? Math.round(rtt) + ' ms' : '可达';
  return NET_TEXTS[st] || '未探测';
}

function reachText(s) {
  const rtt = num(s.rtt, -1);
  return rtt >= 0 ? 'RDP 端口可达，延迟约 ' + Math.round(rtt) + ' ms' : 'RDP 端口可达，未测到延迟';
}

function itemTooltip(s) {
  const lines = [isoText(hostLabel(s))];
  const ip = str(s.resolvedIp);
  if (ip && ip !== str(s.host)) lines.push('解析到 ' + isoText(ip));
  if (num(s.netState, 0) === 1) lines.push(reachText(s));
  else if (str(s.netDetail)) lines.push(isoText(s.netDetail));
  else lines.push('尚未探测');
  if (str(s.remark)) lines.push('备注：' + isoText(s.remark));
  const r = reconnectOf(s.id);
  if (r) lines.push(waitingText(r));
  lines.push('双击发起连接');
  return lines.join('\n');
}

const SESSION_DOT = { 1: 'st-warn', 2: 'st-ok', 3: 'st-bad', 4: 'st-bad' };
function dotClass(s) {
  if (reconnectOf(s.id)) return 'st-wait';
  return SESSION_DOT[sessionState(s.id)] || netClass(s);
}

// Servers per bucket: counted in full when a list arrives, then moved by
// each probe result, since counting tens of thousands of servers for every
// batch of results would take most of a frame.
let netCounts = NET_BUCKETS.map(() => 0);
function netBucket(s) {
  return BUCKET_OF[netClass(s)];
}
function countBuckets() {
  netCounts = NET_BUCKETS.map(() => 0);
  for (const s of state.servers) netCounts[netBucket(s)]++;
}
function moveNetCount(from, to) {
  netCounts[from]--;
  netCounts[to]++;
}

// The first count is always named, the others only when not zero; the
// tooltip names every count.
function updateSummary() {
  const counts = netCounts,
    total = state.servers.length;
  let t = total + ' 台';
  NET_BUCKETS.forEach((b, i) => {
    if (i === 0 || counts[i]) t += ' · ' + counts[i] + ' ' + b.short;
  });
  const box = $('netSummary');
  // Unchanged text is left alone: writing it anew would lay the page out again.
  if (box.textContent !== t) box.textContent = t;
  const title = [total + ' 台服务器'].concat(NET_BUCKETS.map((b, i) => b.name + ' ' + counts[i])).join('\n');
  if (box.title !== title) box.title = title;
}

// ---------------------------------------------------------------------------
// Server list
// ---------------------------------------------------------------------------

// What a search looks in, per server in list order, lower-cased once when
// the list arrives rather than on every keystroke.
let searchTexts = [];

function matchingServers() {
  const kw = state.search.trim().toLowerCase();
  if (!kw) return state.servers;
  return state.servers.filter((s, i) => searchTexts[i].indexOf(kw) >= 0);
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

// Elements of the currently drawn items, by server id, so that a probe result
// touches one item instead of redrawing thousands.
let listItems = new Map();

// One prototype item, cloned per server: cloning is much cheaper than
// building the same small tree node by node thousands of times.
let itemProto = null;
function itemPrototype() {
  if (itemProto) return itemProto;
  const li = el('li', 'srv');
  li.tabIndex = -1;
  li.draggable = true;
  li.setAttribute('role', 'option');
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
  if (str(s.remark)) sub.appendChild(iso(s.remark));
  else sub.appendChild(el('span', 'dim', '（无备注，点右侧铅笔可填写）'));
}

function itemClass(s) {
  let c = 'srv';
  if (s.id === state.activeTab) c += ' active';
  if (s.id === state.selectedId) c += ' sel';
  if (reconnectOf(s.id)) c += ' waiting';
  return c;
}

function buildItem(s) {
  const li = itemPrototype().cloneNode(true);
  const parts = { li: li, dot: li.firstChild, lat: li.children[2] };
  li.className = itemClass(s);
  li.setAttribute('aria-selected', String(s.id === state.selectedId));
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

function searching() {
  return state.search.trim() !== '';
}

function drawListCount(shown) {
  let t = state.servers.length + ' 台服务器';
  if (searching()) t += '（匹配 ' + shown + '）';
  $('listCount').textContent = t;
}

// The list is drawn as a window: only the rows near the visible part exist
// as elements, between two spacers that keep the full scroll height. Rows
// have fixed heights (see style.css), so offsets are simple sums. This keeps
// a list of thousands as quick to draw as a list of fifty.
const ROW_H = 50,
  HEAD_H = 28,
  SPARE_ROWS = 20;
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
  for (let i = 0; i < rows.length; i++) {
    rowTops[i] = y;
    y += rows[i].head !== undefined ? HEAD_H : ROW_H;
  }
  rowTops[rows.length] = y;
}

function firstRowAt(y) {
  let lo = 0,
    hi = rows.length;
  while (lo < hi) {
    const mid = (lo + hi) >> 1;
    if (rowTops[mid + 1] <= y) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

function visibleRange(ul) {
  const top = ul.scrollTop,
    height = ul.clientHeight || 800;
  const from = Math.max(0, firstRowAt(top) - SPARE_ROWS);
  const to = Math.min(rows.length, firstRowAt(top + height) + 1 + SPARE_ROWS);
  return [from, to];
}

function spacer(height) {
  const li = el('li', 'spacer');
  li.style.height = height + 'px';
  return li;
}

// A redraw replaces the items; the one that had the keyboard focus gets it back.
function focusedItemId(ul) {
  const a = document.activeElement;
  return a && a.matches('li.srv') && ul.contains(a) ? a.dataset.id : null;
}

function drawRows(ul, range) {
  const focusId = focusedItemId(ul);
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
  updateTabStop();
  if (focusId && listItems.has(focusId)) listItems.get(focusId).li.focus({ preventScroll: true });
}

// Tab reaches the list at one item: the selected one when it is drawn, else
// the first; the arrows move from there.
function updateTabStop() {
  const stop = listItems.has(state.selectedId) ? state.selectedId : listItems.keys().next().value;
  for (const [id, parts] of listItems) parts.li.tabIndex = id === stop ? 0 : -1;
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
  drawQuickOffer();
  buildRows(shown);
  if (!shown.length) {
    listItems = new Map();
    ul.replaceChildren();
    tip.hidden = false;
    tip.firstElementChild.textContent = searching() ? '没有匹配的服务器' : '还没有服务器';
    for (const line of tip.querySelectorAll('.empty-add')) line.hidden = searching();
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
    parts.li.setAttribute('aria-selected', String(id === state.selectedId));
  }
  updateTabStop();
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
  searchTexts = state.servers.map((s) =>
    (str(s.host) + ' ' + str(s.remark) + ' ' + str(s.group) + ' ' + str(s.user)).toLowerCase(),
  );
  countBuckets();
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
  if (ev.target.closest('.edit')) {
    openServerDialog(id);
    return;
  }
  state.selectedId = id;
  if (hasTab(id) && state.activeTab !== id) {
    activateTab(id);
    return;
  }
  refreshItemClasses();
}

function onListDblClick(ev) {
  const li = itemFromEvent(ev);
  if (!li || ev.target.closest('.edit')) return;
  connect(li.dataset.id);
}

// The menu key and Shift+F10 raise the same event on the focused item, with
// no pointer behind it (the browser gives button -1 then): the menu opens at
// the item instead, keyboard-ready.
function onListContextMenu(ev) {
  const li = itemFromEvent(ev);
  if (!li) return;
  ev.preventDefault();
  if (ev.button >= 0) {
    openContextMenu(li.dataset.id, ev.clientX, ev.clientY);
    return;
  }
  const r = li.getBoundingClientRect();
  openContextMenu(li.dataset.id, r.left + 24, r.bottom, li);
}

function connect(id) {
  if (!findServer(id)) return;
  const st = sessionState(id);
  if (hasTab(id) && (st === 1 || st === 2)) {
    activateTab(id);
    return;
  }
  if (!hasTab(id)) state.tabs.push(id);
  state.activeTab = id;
  drawTabs();
  refreshItemClasses();
  send('connect', { id: id });
}
