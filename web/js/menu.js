// The context menu of a list item or a tab, with its copy and delete actions.

// A tab whose server is in no list has only what concerns its session.
function temporaryTabEntries(id) {
  return [
    { text: '断开连接', run: () => disconnect(id) },
    { text: '重新连接', run: () => send('reconnect', { id: id }) },
    null,
    { text: '保存为服务器', run: () => send('saveQuick', { id: id }) },
    { text: '关闭标签', run: () => closeTab(id) },
  ];
}

function menuEntries(id) {
  if (isTemporaryTab(id)) return temporaryTabEntries(id);
  const tabbed = hasTab(id);
  const waiting = reconnectOf(id) ? [{ text: '取消自动重连', run: () => cancelReconnect(id) }] : [];
  return [
    { text: '连接（新标签）', run: () => connect(id) },
    { text: '断开连接', disabled: !tabbed, run: () => disconnect(id) },
    { text: '重新连接', disabled: !tabbed, run: () => send('reconnect', { id: id }) },
    ...waiting,
    null,
    { text: '用系统 mstsc 打开', run: () => send('openExternal', { id: id }) },
    { text: '立即探测延迟', run: () => send('pingNow', {}) },
    null,
    { text: '编辑 / 备注', run: () => openServerDialog(id) },
    { text: '复制地址', run: () => copyHost(id) },
    { text: '导出为 .rdp', run: () => send('exportRdp', { id: id }) },
    { text: '删除', danger: true, run: () => confirmDelete(id) },
  ];
}

function buildMenuItem(entry) {
  if (!entry) return el('div', 'ctx-sep');
  const b = el('button', 'ctx-item' + (entry.danger ? ' danger' : ''), entry.text);
  b.type = 'button';
  b.disabled = !!entry.disabled;
  b.addEventListener('click', () => {
    closeContextMenu();
    entry.run();
  });
  return b;
}

// The element to give the focus back to when a menu opened by keyboard closes.
let menuOpener = null;

// opener: the focused item when the keyboard opened the menu; its first
// entry then takes the focus.
function openContextMenu(id, x, y, opener) {
  if (!tabServer(id)) return;
  const menu = $('ctxMenu');
  menu.replaceChildren(...menuEntries(id).map(buildMenuItem));
  menu.hidden = false;
  // Keep the whole menu 8 px inside the window, and a menu opened over the
  // sidebar inside the sidebar, clear of the remote desktop: move it left or
  // up when needed.
  const w = menu.offsetWidth,
    h = menu.offsetHeight;
  const side = $('sidebar').getBoundingClientRect();
  const right = x < side.right ? side.right : window.innerWidth;
  menu.style.left = Math.max(8, Math.min(x, right - w - 8)) + 'px';
  menu.style.top = Math.max(8, Math.min(y, window.innerHeight - h - 8)) + 'px';
  menuOpener = opener || null;
  if (opener) menu.querySelector('.ctx-item:not(:disabled)').focus();
  floatingChanged();
}

function closeContextMenu() {
  const menu = $('ctxMenu');
  if (menu.hidden) return;
  const hadFocus = menu.contains(document.activeElement);
  menu.hidden = true;
  if (hadFocus && menuOpener && menuOpener.isConnected) menuOpener.focus();
  menuOpener = null;
  floatingChanged();
}

// Up and down move between the enabled entries, round the ends.
function onMenuKeyDown(ev) {
  const step = { ArrowDown: 1, ArrowUp: -1 }[ev.key];
  if (!step) return;
  ev.preventDefault();
  const entries = [...$('ctxMenu').querySelectorAll('.ctx-item:not(:disabled)')];
  const i = entries.indexOf(document.activeElement);
  const next = i < 0 ? (step > 0 ? 0 : entries.length - 1) : (i + step + entries.length) % entries.length;
  entries[next].focus();
}

function copyHost(id) {
  const s = findServer(id);
  if (!s) return;
  const label = hostLabel(s);
  const done = () => showToast('ok', '已复制 ', iso(label));
  if (navigator.clipboard && navigator.clipboard.writeText) {
    navigator.clipboard.writeText(label).then(done, () => {
      copyFallback(label);
      done();
    });
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
  try {
    document.execCommand('copy');
  } catch (e) {
    /* nothing more to try */
  }
  ta.remove();
}

function confirmDelete(id, after) {
  const s = findServer(id);
  if (!s) return;
  showConfirm({
    title: '删除服务器',
    text: ['确定删除 ', iso(hostLabel(s)), ' 吗？'],
    ok: '删除',
    onYes: () => {
      send('removeServer', { id: id });
      if (after) after();
    },
  });
}
