// Dialogs: shared opening and closing, the server editor, the import box,
// and the confirmation and close dialogs.

// ---------------------------------------------------------------------------
// Dialogs: shared opening and closing
// ---------------------------------------------------------------------------

// The open dialogs, the last on top, each with the element that had the
// focus before it opened.
const dialogStack = [];

// Every open dialog hides the native remote desktop, which would otherwise be
// drawn above the page and cover the dialog.
function openDialog(id) {
  const d = $(id);
  if (!d.hidden) return;
  d.hidden = false;
  state.overlay++;
  dialogStack.push({ id: id, back: document.activeElement });
  floatingChanged();
}

// The focus goes back where it was before the dialog, when it was inside.
function closeDialog(id) {
  const d = $(id);
  if (d.hidden) return;
  const hadFocus = d.contains(document.activeElement);
  d.hidden = true;
  state.overlay = Math.max(0, state.overlay - 1);
  const i = dialogStack.findIndex((e) => e.id === id);
  const back = i >= 0 ? dialogStack.splice(i, 1)[0].back : null;
  if (hadFocus && back && back.isConnected && back.getClientRects().length) back.focus();
  floatingChanged();
}

function topDialog() {
  return dialogStack.length ? $(dialogStack[dialogStack.length - 1].id) : null;
}

// Tab and Shift+Tab go round the controls of the top dialog and never leave
// it, because what lies behind the mask cannot be used.
function keepFocusInDialog(ev) {
  const top = topDialog();
  if (!top) return;
  const list = [...top.querySelectorAll('button, input, select, textarea, [tabindex]')].filter(
    (e) =>
      e.tabIndex >= 0 &&
      !e.disabled &&
      e.getClientRects().length &&
      getComputedStyle(e).visibility === 'visible',
  );
  const a = document.activeElement;
  const edge = ev.shiftKey ? list[0] : list[list.length - 1];
  if (list.length && top.contains(a) && a !== edge) return;
  ev.preventDefault();
  if (list.length) (ev.shiftKey ? list[list.length - 1] : list[0]).focus();
}

function isOpen(id) {
  return !$(id).hidden;
}

// The focus waits until the dialog is shown, and leaves alone whatever in the
// dialog the user already went to in the meantime. A dialog that another one
// covered in between (the delete confirmation over the editor) gets nothing:
// the focus would land behind the mask on top.
function focusLater(id) {
  setTimeout(() => {
    const top = topDialog();
    if (!top || !top.contains($(id)) || top.contains(document.activeElement)) return;
    $(id).focus();
  }, 30);
}

function wireDialogMasks() {
  for (const id of ['serverModal', 'importModal', 'exportModal', 'settingsPanel']) {
    $(id).addEventListener('mousedown', (ev) => {
      if (ev.target === ev.currentTarget) closeDialog(id);
    });
  }
  $('confirmModal').addEventListener('mousedown', (ev) => {
    if (ev.target === ev.currentTarget) answerConfirm(false);
  });
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
    const w = num(s.width, 0),
      h = num(s.height, 0);
    return {
      host: str(s.host),
      port: num(s.port, RDP_PORT) || RDP_PORT,
      pingPort: num(s.pingPort, 0),
      user: str(s.user) || str(set.defaultUser) || 'Administrator',
      domain: str(s.domain),
      remark: str(s.remark),
      group: str(s.group),
      depth: num(s.colorDepth, 32) || 32,
      res: w && h ? w + 'x' + h : '0',
      smart: s.smartSizing !== false,
      auto: !!s.autoConnect,
      full: !!s.fullscreenOnConnect,
      hasPassword: !!s.hasPassword,
    };
  }
  return {
    host: '',
    port: RDP_PORT,
    pingPort: 0,
    user: str(set.defaultUser) || 'Administrator',
    domain: str(set.defaultDomain),
    remark: '',
    group: '',
    depth: num(set.defaultColorDepth, 32) || 32,
    res: '0',
    smart: set.defaultSmartSizing !== false,
    auto: false,
    full: false,
    hasPassword: false,
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
  $('f_pingPort').value = String(v.pingPort);
  $('f_user').value = v.user;
  $('f_domain').value = v.domain;
  $('f_password').value = '';
  $('f_password').placeholder = v.hasPassword ? '已保存密码（留空表示不修改）' : '可留空';
  $('f_remark').value = v.remark;
  $('f_group').value = v.group;
  selectValue($('f_colorDepth'), String(v.depth), v.depth + ' 位');
  selectValue($('f_resolution'), v.res, v.res);
  $('f_smartSizing').checked = v.smart;
  $('f_autoConnect').checked = v.auto;
  $('f_fullscreenOnConnect').checked = v.full;
  fillOptionFields(s || defaultOptionDoc(state.settings));
  openDialog('serverModal');
  focusLater('f_host');
}

// The probe port field: a whole number from 0 to 65535; anything else is 0,
// which probes the RDP port itself.
function probePort(text) {
  const n = Number(text);
  return Number.isInteger(n) && n >= 0 && n <= 65535 ? n : 0;
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
    port: intOr($('f_port').value, RDP_PORT),
    user: $('f_user').value.trim(),
    domain: $('f_domain').value.trim(),
    remark: $('f_remark').value.trim(),
    group: $('f_group').value.trim(),
    colorDepth: intOr($('f_colorDepth').value, 32),
    width: intOr(wh[0], 0),
    height: intOr(wh[1], 0),
    smartSizing: $('f_smartSizing').checked,
    fullscreenOnConnect: $('f_fullscreenOnConnect').checked,
    autoConnect: $('f_autoConnect').checked,
    pingPort: probePort($('f_pingPort').value),
  };
  if ($('f_password').value !== '') data.password = $('f_password').value;
  Object.assign(data, optionFieldValues());
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
  if (!text.trim()) {
    showToast('error', '请先粘贴要导入的内容');
    return;
  }
  send('importText', { text: text });
  $('importText').value = '';
  closeDialog('importModal');
}
// ---------------------------------------------------------------------------
// Export dialog: passwords only when asked for, and then, with a start-up
// password set, only after typing it again (the native side checks it).
// ---------------------------------------------------------------------------

function updateExportPasswordRow() {
  $('exportPwdRow').hidden = !($('exportPasswords').checked && state.settings.passwordEnabled);
}

function openExportDialog() {
  $('exportPasswords').checked = false;
  $('exportPwd').value = '';
  updateExportPasswordRow();
  openDialog('exportModal');
  focusLater('btnDoExport');
}

function doExport() {
  const include = $('exportPasswords').checked;
  const data = { includePasswords: include };
  if (include && state.settings.passwordEnabled) {
    if (!$('exportPwd').value) {
      showToast('error', '导出密码前请再次输入启动密码');
      $('exportPwd').focus();
      return;
    }
    data.password = $('exportPwd').value;
  }
  $('exportPwd').value = '';
  closeDialog('exportModal');
  send('exportServers', data);
}

// ---------------------------------------------------------------------------
// Confirmation and close dialogs
// ---------------------------------------------------------------------------

let confirmAction = null;

function showConfirm(opts) {
  $('confirmTitle').textContent = opts.title || '确认操作';
  // The text may be a list of texts and nodes (user text isolated by iso()).
  $('confirmText').replaceChildren(...[].concat(opts.text).map((p) => (p instanceof Node ? p : str(p))));
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
  const tabs = intOr(d.tabs, 0),
    connected = intOr(d.connected, 0);
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
