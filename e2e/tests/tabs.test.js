// Tabs, clicks on the list, the context menu, the content-area report, full
// screen, keyboard shortcuts and the session events.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { startEnv } = require('../harness');
const { server, realisticList, SETTINGS } = require('../fixtures');

let env;
before(async () => { env = await startEnv(); });
after(async () => { await env.stop(); });

async function listPage() {
  const page = await env.newPage();
  await page.deliver('settings', SETTINGS);
  await page.deliver('servers', realisticList());
  await page.waitForTimeout(450); // let the start-up reports pass
  await page.clearSent();
  return page;
}
const item = (id) => `#serverList li.srv[data-id="${id}"]`;
const tabIds = (page) => page.$$eval('#tabs .tab', (ts) => ts.map((t) => t.dataset.id + (t.classList.contains('active') ? '*' : '')));
const lastRect = async (page) => { const r = await page.sent('contentRect'); return r.length ? r[r.length - 1].data : null; };

test('a single click only selects; a double click connects at once and adds the tab before any answer', async () => {
  const page = await listPage();
  await page.click(item('a1') + ' .name');
  assert.match(await page.getAttribute(item('a1'), 'class'), /\bsel\b/);
  await page.waitForTimeout(300);
  assert.deepEqual(await page.actions(), []);
  assert.deepEqual(await tabIds(page), []);

  await page.dblclick(item('a1') + ' .name');
  assert.deepEqual(await page.actions(), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual(await tabIds(page), ['a1*']);
  assert.match(await page.getAttribute(item('a1'), 'class'), /\bactive\b/);
  assert.equal(await page.isVisible('#welcome'), false);
  assert.equal(await page.textContent('#tabs .tab .tname'), '生产数据库主库');
  await page.waitForTimeout(500);
  const r = await lastRect(page);
  const box = await page.$eval('#contentArea', (e) => { const b = e.getBoundingClientRect(); return { x: Math.round(b.left), y: Math.round(b.top), w: Math.round(b.width), h: Math.round(b.height) }; });
  assert.deepEqual(r, box);
  assert.equal(box.x, 336);
  assert.equal(box.y, 40);
  await page.context().close();
});

test('double click on a tab that is connecting only activates it; clicking an item with a tab activates it', async () => {
  const page = await listPage();
  await page.dblclick(item('a1') + ' .name');
  await page.deliver('sessionState', { id: 'a1', state: 1, code: 0, detail: '', mode: 'activex' });
  await page.dblclick(item('a2') + ' .name');
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  assert.match(await page.getAttribute('#tabs .tab[data-id="a1"]', 'title'), /^10\.0\.1\.11 — 连接中…$/);
  assert.equal(await page.getAttribute('#tabs .tab[data-id="a1"] .dot', 'class'), 'dot st-warn');
  await page.clearSent();
  await page.dblclick(item('a1') + ' .name');
  const acts = await page.actions();
  assert.ok(acts.some((m) => m.cmd === 'activateTab' && m.data.id === 'a1'));
  assert.ok(!acts.some((m) => m.cmd === 'connect'));
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);

  await page.clearSent();
  await page.click(item('a2') + ' .name');
  assert.deepEqual(await page.actions(), [{ cmd: 'activateTab', data: { id: 'a2' } }]);
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  // A tab whose session failed or ended is connected anew by a double click.
  await page.deliver('sessionState', { id: 'a1', state: 3, code: 1, detail: '远端已注销', mode: 'activex' });
  await page.clearSent();
  await page.dblclick(item('a1') + ' .name');
  assert.deepEqual((await page.actions()).filter((m) => m.cmd === 'connect'), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);
  await page.context().close();
});

test('a failed connection shows its error toast and then loses its tab', async () => {
  const page = await listPage();
  await page.dblclick(item('a2') + ' .name');
  await page.dblclick(item('a3') + ' .name');
  await page.deliver('tabOpened', { id: 'a3', host: '10.0.1.13', port: 13389, remark: '报表服务器' });
  await page.deliver('sessionState', { id: 'a3', state: 4, code: 516, detail: '无法连接到远程计算机', mode: 'activex' });
  assert.equal(await page.textContent('#toasts .toast.error'), '10.0.1.13:13389：无法连接到远程计算机');
  assert.match(await page.getAttribute('#tabs .tab[data-id="a3"]', 'title'), /— 连接失败\n无法连接到远程计算机$/);
  assert.equal(await page.getAttribute(item('a3') + ' .dot', 'class'), 'dot st-bad');
  await page.deliver('tabClosed', { id: 'a3' });
  assert.deepEqual(await tabIds(page), ['a2*']);
  assert.equal(await page.getAttribute(item('a3') + ' .dot', 'class'), 'dot st-warn'); // back to its latency
  // A disconnect is told as information, with an empty label for a server no longer listed.
  await page.deliver('sessionState', { id: 'gone', state: 3, code: 0, detail: '会话已结束', mode: 'activex' });
  assert.equal(await page.textContent('#toasts .toast.info'), '：会话已结束');
  await page.context().close();
});

test('a tab the native side could not make stays until the user closes it', async () => {
  const page = await listPage();
  await page.dblclick(item('b1') + ' .name');
  await page.deliver('toast', { type: 'error', text: '创建远程桌面窗口失败' });
  assert.equal(await page.textContent('#toasts .toast.error'), '创建远程桌面窗口失败');
  assert.deepEqual(await tabIds(page), ['b1*']);
  await page.clearSent();
  await page.click('#tabs .tab[data-id="b1"] .tclose');
  assert.deepEqual(await page.actions(), [{ cmd: 'closeTab', data: { id: 'b1' } }]);
  assert.deepEqual(await tabIds(page), []);
  assert.equal(await page.isVisible('#welcome'), true);
  await page.waitForTimeout(200);
  assert.deepEqual(await lastRect(page), { hidden: true });
  await page.context().close();
});

test('tab events: opened, activated, closed, and servers that are not listed are not drawn', async () => {
  const page = await listPage();
  await page.deliver('tabOpened', { id: 'a1', host: '10.0.1.11', port: 3389, remark: '' });
  await page.deliver('tabOpened', { id: 'c1' });
  await page.deliver('tabOpened', { id: 'a1' });
  assert.deepEqual(await tabIds(page), ['a1*', 'c1']);
  await page.deliver('tabActivated', { id: 'c1' });
  assert.deepEqual(await tabIds(page), ['a1', 'c1*']);
  assert.match(await page.getAttribute(item('c1'), 'class'), /\bactive\b/);
  await page.deliver('tabOpened', { id: 'b2' });
  await page.deliver('tabClosed', { id: 'b2' });
  assert.deepEqual(await tabIds(page), ['a1', 'c1*']); // the last remaining tab became active
  await page.deliver('servers', realisticList().filter((s) => s.id !== 'a1'));
  assert.deepEqual(await tabIds(page), ['c1*']);
  // A tab with no remark is named by its host.
  await page.deliver('tabOpened', { id: 'b2' });
  assert.equal(await page.textContent('#tabs .tab[data-id="b2"] .tname'), '192.0.2.41');
  await page.clearSent();
  await page.click('#tabs .tab[data-id="c1"] .tname');
  assert.deepEqual(await page.actions(), [{ cmd: 'activateTab', data: { id: 'c1' } }]);
  await page.context().close();
});

test('context menu: items, disabled states and each action', async () => {
  const page = await listPage();
  await page.click(item('a1') + ' .name', { button: 'right' });
  const entries = await page.$$eval('#ctxMenu > *', (xs) => xs.map((x) => x.className === 'ctx-sep' ? '-' : x.textContent + (x.disabled ? '(off)' : '')));
  assert.deepEqual(entries, ['连接（新标签）', '断开连接(off)', '重新连接(off)', '-', '用系统 mstsc 打开', '立即探测延迟', '-', '编辑 / 备注', '复制地址', '删除']);
  assert.equal(await page.$eval('#ctxMenu .ctx-item:disabled', (b) => getComputedStyle(b).opacity), '0.4');
  await page.click('#ctxMenu >> text=用系统 mstsc 打开');
  assert.equal(await page.isVisible('#ctxMenu'), false);
  const run = async (id, text) => { await page.click(item(id) + ' .name', { button: 'right' }); await page.click('#ctxMenu >> text=' + text); };
  await run('a1', '立即探测延迟');
  await run('a1', '连接（新标签）');
  await run('a1', '重新连接');
  await run('a1', '断开连接');
  await run('a3', '复制地址');
  assert.equal(await page.textContent('#toasts .toast.ok'), '已复制 10.0.1.13:13389');
  assert.deepEqual(await page.actions(), [
    { cmd: 'openExternal', data: { id: 'a1' } }, { cmd: 'pingNow', data: {} }, { cmd: 'connect', data: { id: 'a1' } },
    { cmd: 'reconnect', data: { id: 'a1' } }, { cmd: 'disconnect', data: { id: 'a1' } },
  ]);
  await page.clearSent();
  await run('a3', '删除');
  assert.equal(await page.textContent('#confirmTitle'), '删除服务器');
  assert.equal(await page.textContent('#confirmText'), '确定删除 10.0.1.13:13389 吗？');
  assert.equal(await page.textContent('#confirmOk'), '删除');
  await page.click('#confirmNo');
  assert.deepEqual(await page.actions(), []);
  await run('a3', '删除');
  await page.click('#confirmOk');
  assert.deepEqual(await page.actions(), [{ cmd: 'removeServer', data: { id: 'a3' } }]);
  // Right click on a tab opens the same menu; a click elsewhere closes it.
  await page.click('#tabs .tab[data-id="a1"]', { button: 'right' });
  assert.equal(await page.isVisible('#ctxMenu'), true);
  await page.mouse.click(700, 400);
  assert.equal(await page.isVisible('#ctxMenu'), false);
  await page.context().close();
});

test('context menu stays 8 px inside the window near the corner; the browser menu is suppressed elsewhere', async () => {
  const page = await listPage();
  await page.$eval(item('c3'), (li) => li.dispatchEvent(new MouseEvent('contextmenu', { clientX: 1275, clientY: 795, bubbles: true, cancelable: true })));
  const box = await page.$eval('#ctxMenu', (m) => m.getBoundingClientRect().toJSON());
  assert.equal(Math.round(box.right), 1280 - 8);
  assert.equal(Math.round(box.bottom), 800 - 8);
  const prevented = await page.evaluate(() => {
    const ev = new MouseEvent('contextmenu', { bubbles: true, cancelable: true });
    document.getElementById('welcome').dispatchEvent(ev);
    return ev.defaultPrevented;
  });
  assert.equal(prevented, true);
  await page.context().close();
});

test('content-area report: hidden while a dialog is open or no tab is active, the rectangle otherwise', async () => {
  const page = await listPage();
  await page.click('#btnSettings');
  await page.waitForTimeout(100);
  assert.deepEqual(await lastRect(page), { hidden: true });
  await page.click('#settingsPanel [data-close]');
  await page.waitForTimeout(100);
  assert.deepEqual(await lastRect(page), { hidden: true }); // still no tab
  await page.deliver('tabOpened', { id: 'a1' });
  await page.waitForTimeout(500);
  assert.deepEqual(await lastRect(page), { x: 336, y: 40, w: 944, h: 760 });
  await page.click('#btnSettings');
  await page.waitForTimeout(100);
  assert.deepEqual(await lastRect(page), { hidden: true });
  await page.keyboard.press('Escape');
  await page.waitForTimeout(100);
  assert.deepEqual(await lastRect(page), { x: 336, y: 40, w: 944, h: 760 });
  // Many triggers in one frame give one report.
  await page.clearSent();
  await page.evaluate(() => { for (let i = 0; i < 20; i++) window.dispatchEvent(new Event('resize')); });
  await page.waitForTimeout(100);
  assert.equal((await page.sent('contentRect')).length, 1);
  // Collapsing the sidebar moves the area; the report follows.
  await page.click('#btnCollapse');
  await page.waitForTimeout(450);
  assert.deepEqual(await lastRect(page), { x: 0, y: 40, w: 1280, h: 760 });
  assert.equal(await page.isVisible('#btnExpand'), true);
  await page.click('#btnExpand');
  await page.waitForTimeout(450);
  assert.deepEqual(await lastRect(page), { x: 336, y: 40, w: 944, h: 760 });
  await page.setViewportSize({ width: 1000, height: 700 });
  await page.waitForTimeout(200);
  assert.deepEqual(await lastRect(page), { x: 336, y: 40, w: 664, h: 660 });
  await page.context().close();
});

test('full screen: the stage fills the window, the tab bar hides after a while and comes back near the top', async () => {
  const page = await listPage();
  await page.click('#btnFullscreen');
  assert.deepEqual(await page.actions(), [{ cmd: 'toggleFullscreen', data: {} }]);
  await page.deliver('tabOpened', { id: 'a1' });
  await page.mouse.move(600, 500);
  await page.deliver('fullscreen', { on: true });
  assert.equal(await page.isVisible('#sidebar'), false);
  await page.waitForTimeout(300);
  assert.deepEqual(await lastRect(page), { x: 0, y: 0, w: 1280, h: 800 });
  const hidden = () => page.$eval('#tabbar', (b) => b.classList.contains('fs-hidden'));
  assert.equal(await hidden(), false);
  await page.waitForTimeout(2400);
  assert.equal(await hidden(), true);
  await page.mouse.move(600, 30);
  assert.equal(await hidden(), false);
  await page.mouse.move(600, 500);
  await page.waitForTimeout(2400);
  assert.equal(await hidden(), true);
  await page.deliver('fullscreen', { on: false });
  assert.equal(await hidden(), false);
  assert.equal(await page.isVisible('#sidebar'), true);
  await page.context().close();
});

test('keyboard: F12, Ctrl+R and Escape', async () => {
  const page = await listPage();
  await page.keyboard.press('F12');
  await page.keyboard.press('Control+r');
  assert.deepEqual(await page.actions(), [{ cmd: 'devtools', data: {} }, { cmd: 'reloadUI', data: {} }]);
  assert.equal((await page.sent('ready')).length, 0); // the page itself did not reload
  await page.click('#btnImport');
  await page.keyboard.press('Escape');
  assert.equal(await page.isVisible('#importModal'), false);
  await page.click('#btnAdd');
  await page.keyboard.press('Escape');
  assert.equal(await page.isVisible('#serverModal'), false);
  assert.equal(await page.evaluate(() => document.querySelectorAll('.mask:not([hidden])').length), 0);
  await page.context().close();
});

test('settings event applies theme, display mode and the password badge; the page starts light', async () => {
  const page = await env.newPage();
  assert.equal(await page.getAttribute('html', 'data-theme'), 'light');
  await page.deliver('settings', Object.assign({}, SETTINGS, { darkTheme: true, passwordEnabled: true, changeRemoteResolution: false }));
  assert.equal(await page.getAttribute('html', 'data-theme'), 'dark');
  assert.equal(await page.$eval('body', (b) => getComputedStyle(b).backgroundColor), 'rgb(13, 17, 26)');
  await page.click('#btnSettings');
  assert.equal(await page.textContent('#pwdState'), '当前状态：已设置启动密码');
  assert.equal(await page.getAttribute('#pwdState', 'class'), 'badge on');
  assert.equal(await page.getAttribute('#modeSeg [data-mode-value="stretch"]', 'class'), 'on');
  assert.equal(await page.textContent('#modeTip'), '远端分辨率保持不变，画面缩放铺满窗口。任何服务器都有效，缩放后可能略微模糊。');
  await page.deliver('settings', {});
  assert.equal(await page.getAttribute('html', 'data-theme'), 'dark');
  assert.equal(await page.textContent('#pwdState'), '当前状态：未设置（直接进入主界面）');
  await page.deliver('settings', { darkTheme: false });
  assert.equal(await page.getAttribute('html', 'data-theme'), 'light');
  assert.equal(await page.$eval('#stage', (s) => getComputedStyle(s).backgroundColor), 'rgb(223, 230, 241)');
  await page.context().close();
});

test('start-up: "ready" twice, the second followed by a content-area report', async () => {
  const page = await env.newPage();
  await page.waitForFunction(() => window.__sent.filter((m) => m.cmd === 'ready').length === 2);
  await page.waitForTimeout(100);
  const cmds = (await page.sent()).map((m) => m.cmd);
  const second = cmds.lastIndexOf('ready');
  assert.ok(cmds.indexOf('contentRect', second) > second);
  assert.equal(await page.title(), 'Tavolin远程桌面管理器');
  assert.equal(await page.getAttribute('html', 'lang'), 'zh-CN');
  await page.context().close();
});
