// The settings drawer, with the theme, the display mode and the start-up
// password, and what a "settings" document changes on the page.

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
  $('s_autoReconnect').checked = s.autoReconnect !== false;
  fillOptionFields(defaultOptionDoc(s), 'd_');
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
    ...defaultOptionMembers(),
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
  if ([...pwd].length < 6) return showToast('error', '新密码至少要 6 个字符');
  send('setPassword', { old: $('s_oldPwd').value, new: pwd, hint: $('s_hint').value.trim() });
  $('s_oldPwd').value = '';
  $('s_newPwd').value = '';
  $('s_newPwd2').value = '';
}

function clearPassword() {
  if (!state.settings.passwordEnabled) {
    showToast('info', '当前没有设置启动密码');
    return;
  }
  showConfirm({
    title: '取消启动密码',
    text: '确定取消启动密码吗？取消后打开软件将不再需要输入密码。',
    ok: '取消密码',
    onYes: () => {
      send('clearPassword', { old: $('s_oldPwd').value });
      $('s_oldPwd').value = '';
    },
  });
}
