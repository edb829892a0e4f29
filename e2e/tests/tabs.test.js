// Tabs, clicks on the list, the context menu, the content-area report, full
// screen, keyboard shortcuts, the settings event and the session events.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { item, listed, realisticList, SETTINGS } = require('../fixtures');

const test = browserTests();

const tab = (id, part) => `#tabs .tab[data-id="${id}"]` + (part ? ' ' + part : '');
const tabIds = (page) => page.$$eval('#tabs .tab', (ts) => ts.map((t) => t.dataset.id + (t.classList.contains('active') ? '*' : '')));
const session = (page, id, state, detail = '') => page.deliver('sessionState', { id, state, code: 0, detail, mode: 'activex' });
const WITH_SIDEBAR = { x: 336, y: 40, w: 944, h: 760 };
const HIDDEN = { hidden: true };

test('clicks on the list: one selects, or activates a tab; a double click connects, or activates a tab still connecting', async (open) => {
  const page = await open(listed());
  await page.click(item('a1', '.name'));
  assert.match(await page.classOf(item('a1')), /\bsel\b/);
  await page.waitForTimeout(300);
  assert.deepEqual([await page.actions(), await tabIds(page)], [[], []]);
  // The tab comes at once, before any answer from the native side.
  assert.deepEqual(await page.sentBy(() => page.dblclick(item('a1', '.name'))), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual([await tabIds(page), await page.isVisible('#welcome')], [['a1*'], false]);
  assert.match(await page.classOf(item('a1')), /\bactive\b/);
  assert.equal(await page.textContent(tab('a1', '.tname')), '生产数据库主库');

  await session(page, 'a1', 1);
  await page.dblclick(item('a2', '.name'));
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  const acts = await page.sentBy(() => page.dblclick(item('a1', '.name')));
  assert.ok(acts.some((m) => m.cmd === 'activateTab' && m.data.id === 'a1'));
  assert.ok(!acts.some((m) => m.cmd === 'connect'));
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);
  assert.deepEqual(await page.sentBy(() => page.click(item('a2', '.name'))), [{ cmd: 'activateTab', data: { id: 'a2' } }]);
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  // A tab whose session failed or ended is connected anew by a double click.
  await session(page, 'a1', 3, '远端已注销');
  const again = await page.sentBy(() => page.dblclick(item('a1', '.name')));
  assert.deepEqual(again.filter((m) => m.cmd === 'connect'), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);
});

test('a failed connection shows its error toast and then loses its tab; one never made stays', async (open) => {
  const page = await open(listed());
  await page.dblclick(item('a2', '.name'));
  await page.dblclick(item('a3', '.name'));
  await page.deliver('tabOpened', { id: 'a3', host: '10.0.1.13', port: 13389, remark: '报表服务器' });
  await session(page, 'a3', 4, '无法连接到远程计算机');
  assert.equal(await page.textContent('#toasts .toast.error'), '10.0.1.13:13389：无法连接到远程计算机');
  assert.match(await page.getAttribute(tab('a3'), 'title'), /— 连接失败\n无法连接到远程计算机$/);
  assert.equal(await page.classOf(item('a3', '.dot')), 'dot st-bad');
  await page.deliver('tabClosed', { id: 'a3' });
  assert.deepEqual(await tabIds(page), ['a2*']);
  assert.equal(await page.classOf(item('a3', '.dot')), 'dot st-warn'); // back to its latency
  // A disconnect is told as information, with an empty label for a server no longer listed.
  await session(page, 'gone', 3, '会话已结束');
  assert.equal(await page.textContent('#toasts .toast.info'), '：会话已结束');

  // A tab the native side could not make (it toasts, no "tabClosed" follows)
  // stays until the user closes it.
  await page.dblclick(item('b1', '.name'));
  await page.deliver('toast', { type: 'error', text: '创建远程桌面窗口失败' });
  assert.deepEqual(await tabIds(page), ['a2', 'b1*']);
  const closes = () => page.click(tab('b1', '.tclose')).then(() => page.click(tab('a2', '.tclose')));
  assert.deepEqual(await page.sentBy(closes), [{ cmd: 'closeTab', data: { id: 'b1' } }, { cmd: 'closeTab', data: { id: 'a2' } }]);
  assert.deepEqual([await tabIds(page), await page.isVisible('#welcome')], [[], true]);
  assert.deepEqual(await page.lastRect(200), HIDDEN);
});

test('tab events: opened, activated, closed, and servers that are not listed are not drawn', async (open) => {
  const page = await open(listed());
  for (const id of ['a1', 'c1', 'a1']) await page.deliver('tabOpened', { id });
  assert.deepEqual(await tabIds(page), ['a1*', 'c1']);
  await page.deliver('tabActivated', { id: 'c1' });
  assert.deepEqual(await tabIds(page), ['a1', 'c1*']);
  assert.match(await page.classOf(item('c1')), /\bactive\b/);
  await page.deliver('tabOpened', { id: 'b2' });
  await page.deliver('tabClosed', { id: 'b2' });
  assert.deepEqual(await tabIds(page), ['a1', 'c1*']); // the last remaining tab became active
  await page.deliver('servers', realisticList().filter((s) => s.id !== 'a1'));
  assert.deepEqual(await tabIds(page), ['c1*']);
  // A tab with no remark is named by its host.
  await page.deliver('tabOpened', { id: 'b2' });
  assert.equal(await page.textContent(tab('b2', '.tname')), '192.0.2.41');
  assert.deepEqual(await page.sentBy(() => page.click(tab('c1', '.tname'))), [{ cmd: 'activateTab', data: { id: 'c1' } }]);
});

test('context menu: items, disabled states and each action', async (open) => {
  const page = await open(listed());
  await page.click(item('a1', '.name'), { button: 'right' });
  const entries = await page.$$eval('#ctxMenu > *', (xs) => xs.map((x) => x.className === 'ctx-sep' ? '-' : x.textContent + (x.disabled ? '(off)' : '')));
  assert.deepEqual(entries, ['连接（新标签）', '断开连接(off)', '重新连接(off)', '-', '用系统 mstsc 打开', '立即探测延迟', '-', '编辑 / 备注', '复制地址', '删除']);
  assert.equal(await page.$eval('#ctxMenu .ctx-item:disabled', (b) => getComputedStyle(b).opacity), '0.4');
  await page.click('#ctxMenu >> text=用系统 mstsc 打开');
  assert.equal(await page.isVisible('#ctxMenu'), false);
  for (const text of ['立即探测延迟', '连接（新标签）', '重新连接', '断开连接']) await page.menu(item('a1', '.name'), text);
  await page.menu(item('a3', '.name'), '复制地址');
  assert.equal(await page.textContent('#toasts .toast.ok'), '已复制 10.0.1.13:13389');
  assert.deepEqual(await page.actions(), [
    { cmd: 'openExternal', data: { id: 'a1' } }, { cmd: 'pingNow', data: {} }, { cmd: 'connect', data: { id: 'a1' } },
    { cmd: 'reconnect', data: { id: 'a1' } }, { cmd: 'disconnect', data: { id: 'a1' } },
  ]);
  await page.menu(item('a3', '.name'), '删除');
  assert.deepEqual(await page.texts('#confirmTitle', '#confirmText', '#confirmOk'), ['删除服务器', '确定删除 10.0.1.13:13389 吗？', '删除']);
  assert.deepEqual(await page.sentBy(() => page.click('#confirmNo')), []);
  await page.menu(item('a3', '.name'), '删除');
  assert.deepEqual(await page.sentBy(() => page.click('#confirmOk')), [{ cmd: 'removeServer', data: { id: 'a3' } }]);
  // Right click on a tab opens the same menu; a click elsewhere closes it.
  await page.click(tab('a1'), { button: 'right' });
  assert.equal(await page.isVisible('#ctxMenu'), true);
  await page.mouse.click(700, 400);
  assert.equal(await page.isVisible('#ctxMenu'), false);
});

test('context menu stays 8 px inside the window near the corner; the browser menu is suppressed elsewhere', async (open) => {
  const page = await open(listed());
  await page.$eval(item('c3'), (li) => li.dispatchEvent(new MouseEvent('contextmenu', { clientX: 1275, clientY: 795, bubbles: true, cancelable: true })));
  const box = await page.$eval('#ctxMenu', (m) => m.getBoundingClientRect().toJSON());
  assert.deepEqual([Math.round(box.right), Math.round(box.bottom)], [1280 - 8, 800 - 8]);
  assert.equal(await page.$eval('#welcome', (w) => !w.dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true }))), true);
});

test('content-area report: hidden while a dialog is open or no tab is active, the rectangle otherwise', async (open) => {
  const page = await open(listed());
  const steps = [ // action, wait in ms, last report
    [() => page.click('#btnSettings'), 100, HIDDEN],
    [() => page.click('#settingsPanel [data-close]'), 100, HIDDEN], // still no tab
    [() => page.deliver('tabOpened', { id: 'a1' }), 500, WITH_SIDEBAR],
    [() => page.click('#btnSettings'), 100, HIDDEN],
    [() => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    [() => page.click('#btnCollapse'), 450, { x: 0, y: 40, w: 1280, h: 760 }],
    [() => page.click('#btnExpand'), 450, WITH_SIDEBAR],
    [() => page.setViewportSize({ width: 1000, height: 700 }), 200, { x: 336, y: 40, w: 664, h: 660 }],
  ];
  for (const [act, ms, rect] of steps) {
    await act();
    assert.deepEqual(await page.lastRect(ms), rect, String(act));
  }
  // Many triggers in one frame give one report.
  await page.clearSent();
  await page.evaluate(() => { for (let i = 0; i < 20; i++) window.dispatchEvent(new Event('resize')); });
  await page.waitForTimeout(100);
  assert.equal((await page.sent('contentRect')).length, 1);
});

test('full screen: the stage fills the window, the tab bar hides after a while and comes back near the top', async (open) => {
  const page = await open(listed());
  assert.deepEqual(await page.sentBy(() => page.click('#btnFullscreen')), [{ cmd: 'toggleFullscreen', data: {} }]);
  await page.deliver('tabOpened', { id: 'a1' });
  await page.mouse.move(600, 500);
  await page.deliver('fullscreen', { on: true });
  assert.equal(await page.isVisible('#sidebar'), false);
  assert.deepEqual(await page.lastRect(300), { x: 0, y: 0, w: 1280, h: 800 });
  // pointer height (or off), wait in ms, whether the tab bar is hidden then
  for (const [y, ms, hidden] of [[500, 0, false], [500, 2400, true], [30, 0, false], [500, 2400, true], ['off', 0, false]]) {
    if (y === 'off') await page.deliver('fullscreen', { on: false });
    else await page.mouse.move(600, y);
    await page.waitForTimeout(ms);
    assert.equal(await page.$eval('#tabbar', (b) => b.classList.contains('fs-hidden')), hidden, `${y} after ${ms} ms`);
  }
  assert.equal(await page.isVisible('#sidebar'), true);
});

test('keyboard: F12 asks for the developer tools, Ctrl+R for a reload by the native side', async (open) => {
  const page = await open(listed());
  const keys = () => page.keyboard.press('F12').then(() => page.keyboard.press('Control+r'));
  assert.deepEqual(await page.sentBy(keys), [{ cmd: 'devtools', data: {} }, { cmd: 'reloadUI', data: {} }]);
  assert.equal((await page.sent('ready')).length, 0); // the page itself did not reload
});

test('settings event applies theme, display mode and the password badge; the page starts in the default dark theme', async (open) => {
  const page = await open();
  const theme = () => page.getAttribute('html', 'data-theme');
  assert.equal(await theme(), 'dark');
  await page.deliver('settings', Object.assign({}, SETTINGS, { darkTheme: true, passwordEnabled: true, changeRemoteResolution: false }));
  assert.equal(await page.$eval('body', (b) => getComputedStyle(b).backgroundColor), 'rgb(13, 17, 26)');
  await page.click('#btnSettings');
  assert.deepEqual(await page.texts('#pwdState', '#modeTip'),
    ['当前状态：已设置启动密码', '远端分辨率保持不变，画面缩放铺满窗口。任何服务器都有效，缩放后可能略微模糊。']);
  assert.deepEqual([await page.classOf('#pwdState'), await page.classOf('#modeSeg [data-mode-value="stretch"]')], ['badge on', 'on']);
  await page.deliver('settings', {});
  assert.deepEqual([await theme(), await page.textContent('#pwdState')], ['dark', '当前状态：未设置（直接进入主界面）']);
  await page.deliver('settings', { darkTheme: false });
  assert.equal(await theme(), 'light');
  assert.equal(await page.$eval('#stage', (s) => getComputedStyle(s).backgroundColor), 'rgb(223, 230, 241)');
});

test('environment notice: a browser error said at once, the missing control only after the page asked again, each once', async (open) => {
  const page = await open(listed());
  const env = (d) => page.deliver('env', Object.assign({ activex: false, activexName: '', webview: true, webviewError: '',
    version: '1.0.0', dataDir: 'D:\\Tavolin\\data' }, d));
  const lines = () => page.$$eval('#envNotice:not([hidden]) #envNoticeText > div', (ds) => ds.map((d) => d.textContent));
  const ERROR = '内置浏览器报告了错误：<b>0x80070005</b>';
  const MISSING = '没有找到可用的远程桌面控件，连接时会改用系统自带的远程桌面客户端（mstsc）。';
  await env({ webviewError: '<b>0x80070005</b>' });
  assert.deepEqual(await lines(), [ERROR]); // "activex" false here may only mean the detection has not finished
  await page.waitForFunction(() => window.__sent.some((m) => m.cmd === 'getEnv'));
  await env({ activex: true, activexName: 'MsTscAx.MsTscAx' });
  assert.deepEqual(await lines(), [ERROR]);
  await env({});
  await env({ webviewError: 'again' });
  assert.deepEqual(await lines(), [ERROR, MISSING]);
  await page.click('#btnEnvNoticeClose');
  await env({ webviewError: 'another' });
  assert.deepEqual(await lines(), []);
});

test('start-up: "ready" twice, the second followed by a content-area report', async (open) => {
  const page = await open();
  await page.waitForFunction(() => window.__sent.filter((m) => m.cmd === 'ready').length === 2);
  await page.waitForTimeout(100);
  const cmds = (await page.sent()).map((m) => m.cmd);
  assert.ok(cmds.indexOf('contentRect', cmds.lastIndexOf('ready')) > cmds.lastIndexOf('ready'));
});
