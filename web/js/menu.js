// The context menu of a list item or a tab, with its copy and delete actions.

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
