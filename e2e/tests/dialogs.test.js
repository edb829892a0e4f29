// The server editor, the import box, the settings drawer with its password
// form, and the confirmation and close dialogs.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { startEnv } = require('../harness');
const { server, realisticList, SETTINGS } = require('../fixtures');

let env;
before(async () => { env = await startEnv(); });
after(async () => { await env.stop(); });

async function listPage(settings) {
  const page = await env.newPage();
  await page.deliver('settings', Object.assign({}, SETTINGS, settings || {}));
  await page.deliver('servers', realisticList().concat([
    server('p1', { host: 'pw.example', port: 3391, user: 'ops', remark: '第一行\n第二行', group: 'G', colorDepth: 16,
      width: 1600, height: 900, smartSizing: false, autoConnect: true, hasPassword: true }),
  ]));
  await page.waitForTimeout(450);
  await page.clearSent();
  return page;
}
const toasts = (page) => page.$$eval('#toasts .toast', (ts) => ts.map((t) => t.className.replace('toast ', '') + ':' + t.textContent));

test('new server: defaults from the settings, validation of the address, and the data sent', async () => {
  const page = await listPage({ defaultUser: 'deploy', defaultColorDepth: 24, defaultSmartSizing: false });
  await page.click('#btnAdd');
  assert.equal(await page.textContent('#serverTitle'), '新增服务器');
  assert.equal(await page.isVisible('#btnDeleteServer'), false);
  assert.equal(await page.inputValue('#f_user'), 'deploy');
  assert.equal(await page.inputValue('#f_port'), '3389');
  assert.equal(await page.inputValue('#f_colorDepth'), '24');
  assert.equal(await page.inputValue('#f_resolution'), '0');
  assert.equal(await page.isChecked('#f_smartSizing'), false);
  assert.equal(await page.isChecked('#f_autoConnect'), false);
  assert.equal(await page.getAttribute('#f_password', 'placeholder'), '可留空');
  await page.waitForFunction(() => document.activeElement.id === 'f_host');

  await page.keyboard.type('   ');
  await page.click('#btnSaveServer');
  assert.deepEqual(await toasts(page), ['error:请填写服务器地址']);
  assert.equal(await page.evaluate(() => document.activeElement.id), 'f_host');
  assert.equal(await page.isVisible('#serverModal'), true);
  assert.deepEqual(await page.actions(), []);

  await page.fill('#f_host', '  10.9.8.7 ');
  await page.fill('#f_port', '');
  await page.fill('#f_user', ' admin ');
  await page.fill('#f_remark', ' 备注 ');
  await page.fill('#f_group', ' 组 ');
  await page.selectOption('#f_resolution', '1920x1080');
  await page.check('#f_autoConnect');
  await page.focus('#f_group');
  await page.keyboard.press('Enter');
  assert.deepEqual(await page.actions(), [{ cmd: 'addServer', data: {
    host: '10.9.8.7', port: 3389, user: 'admin', remark: '备注', group: '组', colorDepth: 24,
    width: 1920, height: 1080, smartSizing: false, autoConnect: true } }]);
  assert.equal(await page.isVisible('#serverModal'), false);
  await page.context().close();
});

test('editing a server: its values, the saved-password hint, an odd resolution kept, "password" only when typed', async () => {
  const page = await listPage();
  await page.hover('#serverList li.srv[data-id="p1"]');
  await page.click('#serverList li.srv[data-id="p1"] .edit');
  assert.equal(await page.textContent('#serverTitle'), '编辑服务器');
  assert.equal(await page.isVisible('#btnDeleteServer'), true);
  assert.equal(await page.getAttribute('#f_password', 'placeholder'), '已保存密码（留空表示不修改）');
  assert.equal(await page.inputValue('#f_remark'), '第一行\n第二行');
  assert.equal(await page.inputValue('#f_resolution'), '1600x900');
  assert.equal(await page.inputValue('#f_colorDepth'), '16');
  await page.click('#btnSaveServer');
  const [first] = await page.actions();
  assert.deepEqual(first, { cmd: 'updateServer', data: {
    host: 'pw.example', port: 3391, user: 'ops', remark: '第一行\n第二行', group: 'G', colorDepth: 16,
    width: 1600, height: 900, smartSizing: false, autoConnect: true, id: 'p1' } });

  await page.clearSent();
  await page.dblclick('#serverList li.srv[data-id="c3"] .name'); // opens a tab; the editor must still work
  await page.click('#serverList li.srv[data-id="c3"]', { button: 'right' });
  await page.click('#ctxMenu >> text=编辑 / 备注');
  assert.equal(await page.inputValue('#f_user'), 'Administrator');
  assert.equal(await page.inputValue('#f_resolution'), '0');
  assert.equal(await page.$$eval('#f_resolution option', (o) => o.length), 6); // the odd size was not left behind
  await page.fill('#f_password', 'n3w pass');
  await page.click('#btnSaveServer');
  const upd = (await page.actions()).find((m) => m.cmd === 'updateServer');
  assert.equal(upd.data.id, 'c3');
  assert.equal(upd.data.password, 'n3w pass');
  await page.context().close();
});

test('deleting from the editor asks first; the mask closes the editor and answers the confirmation with no', async () => {
  const page = await listPage();
  await page.hover('#serverList li.srv[data-id="a2"]');
  await page.click('#serverList li.srv[data-id="a2"] .edit');
  await page.click('#btnDeleteServer');
  assert.equal(await page.textContent('#confirmText'), '确定删除 app-02.corp.example 吗？');
  await page.waitForFunction(() => document.activeElement.id === 'confirmOk');
  await page.mouse.click(5, 5); // on the confirmation's mask
  assert.equal(await page.isVisible('#confirmModal'), false);
  assert.equal(await page.isVisible('#serverModal'), true);
  assert.deepEqual(await page.actions(), []);
  await page.keyboard.press('Enter'); // Enter on the editor again must not delete anything
  assert.deepEqual((await page.actions()).map((m) => m.cmd), ['updateServer']);
  await page.click('#serverList li.srv[data-id="a2"]', { button: 'right' });
  await page.click('#ctxMenu >> text=编辑 / 备注');
  await page.click('#btnDeleteServer');
  await page.click('#confirmOk');
  assert.deepEqual((await page.actions()).slice(1), [{ cmd: 'removeServer', data: { id: 'a2' } }]);
  assert.equal(await page.isVisible('#serverModal'), false);
  assert.equal(await page.evaluate(() => document.querySelectorAll('.mask:not([hidden])').length), 0);
  await page.click('#btnAdd');
  await page.mouse.click(5, 5); // on the editor's mask
  assert.equal(await page.isVisible('#serverModal'), false);
  await page.context().close();
});

test('import: refuses empty text, sends the text untrimmed, clears and closes', async () => {
  const page = await listPage();
  await page.click('#btnImport');
  await page.fill('#importText', ' \n\t ');
  await page.click('#btnDoImport');
  assert.deepEqual(await toasts(page), ['error:请先粘贴要导入的内容']);
  assert.deepEqual(await page.actions(), []);
  const text = '  10.0.0.5:3389, Administrator, pw, 主机, 生产\n# comment\n';
  await page.fill('#importText', text);
  await page.click('#btnDoImport');
  assert.deepEqual(await page.actions(), [{ cmd: 'importText', data: { text } }]);
  assert.equal(await page.isVisible('#importModal'), false);
  await page.click('#btnImport');
  assert.equal(await page.inputValue('#importText'), '');
  await page.context().close();
});

test('settings drawer: fields from the settings, the six members on save, theme and mode sent alone', async () => {
  const page = await listPage({ pingIntervalSec: 30, pingTimeoutMs: 1500, pingThreads: 4, defaultUser: 'ops', defaultColorDepth: 16, defaultSmartSizing: false, passwordHint: '生日' });
  await page.click('#btnSettings');
  assert.deepEqual(await Promise.all(['#s_interval', '#s_timeout', '#s_threads', '#s_defUser', '#s_defColor', '#s_hint'].map((s) => page.inputValue(s))),
    ['30', '1500', '4', 'ops', '16', '生日']);
  assert.equal(await page.isChecked('#s_defSmart'), false);
  await page.fill('#s_interval', '');
  await page.fill('#s_threads', '8');
  await page.fill('#s_defUser', '  root ');
  await page.check('#s_defSmart');
  await page.click('#btnSaveSettings');
  assert.deepEqual(await page.actions(), [{ cmd: 'saveSettings', data: {
    pingIntervalSec: 0, pingTimeoutMs: 1500, pingThreads: 8, defaultUser: 'root', defaultColorDepth: 16, defaultSmartSizing: true } }]);
  await page.clearSent();
  await page.click('#themeSeg [data-theme-value="dark"]'); // already dark: nothing
  await page.click('#themeSeg [data-theme-value="light"]');
  assert.equal(await page.getAttribute('html', 'data-theme'), 'light');
  await page.click('#modeSeg [data-mode-value="stretch"]');
  await page.click('#modeSeg [data-mode-value="resolution"]');
  assert.deepEqual(await page.actions(), [
    { cmd: 'saveSettings', data: { darkTheme: false } },
    { cmd: 'saveSettings', data: { changeRemoteResolution: false } },
    { cmd: 'saveSettings', data: { changeRemoteResolution: true } },
  ]);
  assert.equal(await page.textContent('#modeTip'), '把远端桌面分辨率改成窗口大小，画面最清晰。需要远端系统支持，不支持时会退化成拉伸。');
  await page.mouse.click(100, 400); // the drawer's mask
  assert.equal(await page.isVisible('#settingsPanel'), false);
  await page.context().close();
});

test('start-up password: validation in order, the command, and clearing', async () => {
  const page = await listPage();
  await page.click('#btnSettings');
  const attempt = async (a, b) => { await page.fill('#s_newPwd', a); await page.fill('#s_newPwd2', b); await page.click('#btnSetPwd'); };
  await attempt('', 'x');
  await attempt('abcd', 'abce');
  await attempt('abc', 'abc');
  await attempt('密码', '密码');
  assert.deepEqual(await toasts(page), ['error:新密码不能为空', 'error:两次输入的新密码不一致', 'error:密码至少要 4 位', 'error:密码至少要 4 位']);
  assert.deepEqual(await page.actions(), []);
  await page.fill('#s_oldPwd', 'old1');
  await page.fill('#s_hint', '  我的提示  ');
  await attempt('good pass', 'good pass');
  assert.deepEqual(await page.actions(), [{ cmd: 'setPassword', data: { old: 'old1', new: 'good pass', hint: '我的提示' } }]);
  assert.deepEqual(await Promise.all(['#s_oldPwd', '#s_newPwd', '#s_newPwd2'].map((s) => page.inputValue(s))), ['', '', '']);
  assert.equal(await page.getAttribute('#s_hint', 'maxlength'), '60');

  await page.clearSent();
  await page.click('#btnClearPwd');
  assert.equal((await toasts(page)).pop(), 'info:当前没有设置启动密码');
  await page.deliver('settings', Object.assign({}, SETTINGS, { passwordEnabled: true }));
  await page.fill('#s_oldPwd', 'cur');
  await page.click('#btnClearPwd');
  assert.equal(await page.textContent('#confirmTitle'), '取消启动密码');
  assert.equal(await page.textContent('#confirmText'), '确定取消启动密码吗？取消后打开软件将不再需要输入密码。');
  assert.equal(await page.textContent('#confirmOk'), '取消密码');
  await page.keyboard.press('Escape');
  assert.equal(await page.isVisible('#settingsPanel'), true); // Escape answered the confirmation only
  assert.deepEqual(await page.actions(), []);
  await page.click('#btnClearPwd');
  await page.click('#confirmOk');
  assert.deepEqual(await page.actions(), [{ cmd: 'clearPassword', data: { old: 'cur' } }]);
  assert.equal(await page.inputValue('#s_oldPwd'), '');
  await page.context().close();
});

test('close dialog: texts by count, focus, answers by button and Escape, and a second ask only changes the text', async () => {
  const page = await listPage();
  await page.deliver('tabOpened', { id: 'a1' });
  await page.deliver('confirmClose', { tabs: 0, connected: 0 });
  assert.equal(await page.textContent('#closeTitle'), '确定要关闭吗？');
  assert.equal(await page.textContent('#closeText'), '关闭后需要重新打开程序。');
  assert.equal(await page.textContent('#closeYes'), '关闭软件');
  assert.equal(await page.textContent('#closeNo'), '取消');
  await page.waitForFunction(() => document.activeElement.id === 'closeYes');
  await page.waitForTimeout(100);
  assert.deepEqual((await page.sent('contentRect')).pop().data, { hidden: true });
  await page.deliver('confirmClose', { tabs: '3', connected: 2 });
  assert.equal(await page.textContent('#closeText'), '还有 2 个远程桌面会话连着，关闭后这些连接会全部断开。');
  await page.deliver('confirmClose', { tabs: 3 });
  assert.equal(await page.textContent('#closeText'), '打开了 3 个远程桌面标签，关闭后这些连接会全部断开。');
  await page.keyboard.press('Escape');
  assert.equal(await page.isVisible('#closeModal'), false);
  await page.deliver('confirmClose', null);
  await page.click('#closeYes');
  assert.deepEqual(await page.actions(), [{ cmd: 'confirmClose', data: { ok: false } }, { cmd: 'confirmClose', data: { ok: true } }]);
  // Both dialogs counted once each: with none left open the rectangle is reported again.
  await page.waitForTimeout(100);
  assert.equal((await page.sent('contentRect')).pop().data.hidden, undefined);
  await page.context().close();
});
