// Tabs, clicks on the list, the context menu, full screen, keyboard shortcuts,
// the settings event and the session events; and nothing the page shows may
// lie under the remote desktop, which the native side lays over the reported
// content rectangle.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { server, item, listed, realisticList, SETTINGS } = require('../fixtures');

const test = browserTests();

const tab = (id, part) => `#tabs .tab[data-id="${id}"]` + (part ? ' ' + part : '');
const tabIds = (page) => page.$$eval('#tabs .tab', (ts) => ts.map((t) => t.dataset.id + (t.classList.contains('active') ? '*' : '')));
const session = (page, id, state, detail = '') => page.deliver('sessionState', { id, state, code: 0, detail, mode: 'activex' });

const WITH_SIDEBAR = { x: 336, y: 40, w: 944, h: 760 };
const HIDDEN = { hidden: true };

// Every element shown that overlaps the rectangle, in any layer (the content
// area and the elements that hold it aside).
const shownOver = (page, r) => page.evaluate((r) => {
  const holders = new Set();
  for (let e = document.getElementById('contentArea'); e; e = e.parentElement) holders.add(e);
  return [...document.body.querySelectorAll('*')].filter((e) => {
    if (holders.has(e) || !e.checkVisibility({ checkOpacity: true, checkVisibilityCSS: true })) return false;
    const b = e.getBoundingClientRect();
    return b.left < r.x + r.w && r.x < b.right && b.top < r.y + r.h && r.y < b.bottom && b.width > 0 && b.height > 0;
  }).map((e) => e.id || e.className);
}, r);

test('the content rectangle is reported hidden while a dialog or a tab menu is open, no tab is active or a toast would cover it; else toasts and menus stay off it; toasts above the sidebar foot, over no dialog, readable above the masks, and where one would cover a dialog the dialog wins', async (open) => {
  const page = await open(listed());
  const toast = (text) => page.deliver('toast', { type: 'ok', text });
  const steps = [ // what happens, wait in ms, the report after it
    ['the settings with no tab', () => page.click('#btnSettings'), 100, HIDDEN],
    ['those closed, still no tab', () => page.click('#settingsPanel [data-close]'), 100, HIDDEN],
    ['a tab', () => page.deliver('tabOpened', { id: 'a1' }), 500, WITH_SIDEBAR],
    ['the settings', () => page.click('#btnSettings'), 100, HIDDEN],
    ['those closed by Escape', () => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    ['a toast', () => toast('已添加 10.0.1.20'), 100, WITH_SIDEBAR],
    ['four toasts', async () => { for (const t of ['设置已保存', '已复制 10.0.1.13', '成功导入 3 台服务器']) await toast(t); }, 100, WITH_SIDEBAR],
    ["an item's menu opened at its right edge", () => page.click(item('a2', '.lat'), { button: 'right' }), 100, WITH_SIDEBAR],
    ['that menu closed', () => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    ["a tab's menu", () => page.click('#tabs .tab', { button: 'right' }), 100, HIDDEN],
    ['that menu closed', () => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    ['a toast with the sidebar collapsed', async () => { await page.click('#btnCollapse'); await toast('已添加 10.0.1.21'); }, 300, HIDDEN],
    ['every toast gone', () => null, 3600, { x: 0, y: 40, w: 1280, h: 760 }],
    ['the sidebar expanded', () => page.click('#btnExpand'), 450, WITH_SIDEBAR],
    ['a smaller window', () => page.setViewportSize({ width: 1000, height: 700 }), 200, { x: 336, y: 40, w: 664, h: 660 }],
  ];
  for (const [name, act, ms, report] of steps) {
    await act();
    const rect = await page.lastRect(ms);
    assert.deepEqual(rect, report, name);
    if (!rect.hidden) assert.deepEqual(await shownOver(page, rect), [], name);
  }
  // Many triggers in one frame give one report.
  await page.clearSent();
  await page.evaluate(() => { for (let i = 0; i < 20; i++) window.dispatchEvent(new Event('resize')); });
  await page.waitForTimeout(100);
  assert.equal((await page.sent('contentRect')).length, 1);
  for (const [width, toastsOnTop] of [[1280, true], [760, false]]) {
    await page.setViewportSize({ width, height: 700 });
    await page.menu(item('a1'), '编辑 / 备注');
    for (let i = 0; i < 4; i++) await page.deliver('toast', { type: 'error', text: '找不到这台服务器' });
    const top = await page.evaluate(() => {
      // Toasts let clicks through; for the hit test they must count as drawn.
      document.getElementById('toasts').style.pointerEvents = 'auto';
      const topAt = (e) => { const b = e.getBoundingClientRect(); return document.elementFromPoint(b.left + b.width / 2, b.top + b.height / 2); };
      const dialog = document.querySelector('#serverModal .dialog');
      const toasts = [...document.querySelectorAll('#toasts .toast')];
      const foot = document.querySelector('.side-foot').getBoundingClientRect();
      // Controls scrolled out of the editor's body are not drawn there.
      const body = dialog.querySelector('.dlg-body').getBoundingClientRect();
      const shown = (c) => { const b = c.getBoundingClientRect(); return c.closest('.dlg-body') === null || (b.top >= body.top && b.bottom <= body.bottom); };
      return { controls: [...dialog.querySelectorAll('button, input, select, textarea')].filter((c) => c.getClientRects().length && shown(c))
        .every((c) => dialog.contains(topAt(c))), toasts: toasts.every((t) => t.contains(topAt(t))),
      aboveFoot: toasts.every((t) => t.getBoundingClientRect().bottom <= foot.top) };
    });
    assert.deepEqual(top, { controls: true, toasts: toastsOnTop, aboveFoot: true }, String(width));
    await page.keyboard.press('Escape');
    await page.evaluate(() => document.getElementById('toasts').replaceChildren());
  }
});

test('clicks on the list: one selects, or activates a tab; a double click connects, or activates a tab still connecting; tab events from the native side', async (open) => {
  const page = await open(listed());
  await page.click(item('a1', '.name'));
  assert.match(await page.classOf(item('a1')), /\bsel\b/);
  await page.waitForTimeout(300);
  assert.deepEqual([await page.actions(), await tabIds(page)], [[], []]);
  // The tab comes at once, before any answer from the native side.
  assert.deepEqual(await page.sentBy(() => page.dblclick(item('a1', '.name'))), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual([await tabIds(page), await page.isVisible('#welcome')], [['a1*'], false]);

  await session(page, 'a1', 1);
  await page.dblclick(item('a2', '.name'));
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  const acts = await page.sentBy(() => page.dblclick(item('a1', '.name')));
  assert.deepEqual([acts.some((m) => m.cmd === 'activateTab' && m.data.id === 'a1'), acts.some((m) => m.cmd === 'connect')], [true, false]);
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);
  assert.deepEqual(await page.sentBy(() => page.click(item('a2', '.name'))), [{ cmd: 'activateTab', data: { id: 'a2' } }]);
  assert.deepEqual(await tabIds(page), ['a1', 'a2*']);
  // A tab whose session failed or ended is connected anew by a double click.
  await session(page, 'a1', 3, '远端已注销');
  const again = await page.sentBy(() => page.dblclick(item('a1', '.name')));
  assert.deepEqual(again.filter((m) => m.cmd === 'connect'), [{ cmd: 'connect', data: { id: 'a1' } }]);
  assert.deepEqual(await tabIds(page), ['a1*', 'a2']);

  // The native side's events; tabs of servers no longer listed go.
  for (const id of ['a1', 'a2']) await page.deliver('tabClosed', { id });
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
  assert.deepEqual(await page.lastRect(200), HIDDEN); // no tab left
});

test('an address typed into the search box is offered when no server matches and connected by Enter; its tab is marked unsaved, with a menu of its own, until it is saved', async (open) => {
  const page = await open(listed());
  for (const [typed, offered] of [['10.0.1', false], ['a b', false], ['  admin@10.9.9.9:3391 ', true]]) {
    await page.fill('#search', typed);
    assert.equal(await page.isVisible('#quickOffer'), offered, typed);
  }
  assert.equal(await page.textContent('#quickOffer'), '连接 admin@10.9.9.9:3391');
  assert.deepEqual(await page.sentBy(() => page.press('#search', 'Enter')), [{ cmd: 'quickConnect', data: { address: 'admin@10.9.9.9:3391' } }]);
  assert.deepEqual([await page.inputValue('#search'), await page.isVisible('#quickOffer')], ['', false]);
  // The native side opens its tab as a temporary one, of a server in no list.
  await page.deliver('tabOpened', { id: 'q1', host: '10.9.9.9', port: 3391, remark: '', temporary: true });
  assert.deepEqual(await page.texts(tab('q1', '.tname'), tab('q1', '.tmark')), ['10.9.9.9', '未保存']);
  await page.click(tab('q1'), { button: 'right' });
  assert.deepEqual(await page.$$eval('#ctxMenu > *', (xs) => xs.map((x) => (x.className === 'ctx-sep' ? '-' : x.textContent))),
    ['断开连接', '重新连接', '-', '保存为服务器', '关闭标签']);
  assert.deepEqual(await page.sentBy(() => page.click('#ctxMenu >> text=保存为服务器')), [{ cmd: 'saveQuick', data: { id: 'q1' } }]);
  // Saved, its server is listed: an ordinary tab.
  await page.deliver('servers', realisticList().concat([server('q1', { host: '10.9.9.9', port: 3391 })]));
  assert.deepEqual([await page.locator('#tabs .tab.temp').count(), await tabIds(page)], [0, ['q1*']]);
});

test('context menu: items, disabled states, each action, and its place near the corner', async (open) => {
  const page = await open(listed());
  await page.click(item('a1', '.name'), { button: 'right' });
  const entries = await page.$$eval('#ctxMenu > *', (xs) => xs.map((x) => x.className === 'ctx-sep' ? '-' : x.textContent + (x.disabled ? '(off)' : '')));
  assert.deepEqual(entries, ['连接（新标签）', '断开连接(off)', '重新连接(off)', '-', '用系统 mstsc 打开', '立即探测延迟', '-', '编辑 / 备注', '复制地址', '导出为 .rdp', '删除']);
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
  // Opened near the corner it stays 8 px inside the window; elsewhere the browser's own menu is suppressed.
  await page.$eval(item('c3'), (li) => li.dispatchEvent(new MouseEvent('contextmenu', { clientX: 1275, clientY: 795, bubbles: true, cancelable: true })));
  const box = await page.$eval('#ctxMenu', (m) => m.getBoundingClientRect().toJSON());
  assert.deepEqual([Math.round(box.right), Math.round(box.bottom)], [1280 - 8, 800 - 8]);
  assert.equal(await page.$eval('#welcome', (w) => !w.dispatchEvent(new MouseEvent('contextmenu', { bubbles: true, cancelable: true }))), true);
});

test('F12, Ctrl+R and the full-screen button ask the native side; in full screen the stage fills the window, the tab bar hides after a while and comes back near the top', async (open) => {
  const page = await open(listed());
  const asks = async () => { for (const key of ['F12', 'Control+r']) await page.keyboard.press(key); await page.click('#btnFullscreen'); };
  assert.deepEqual(await page.sentBy(asks), ['devtools', 'reloadUI', 'toggleFullscreen'].map((cmd) => ({ cmd, data: {} })));
  assert.equal((await page.sent('ready')).length, 0); // the page itself did not reload
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

test('settings event applies theme, display mode and the password badge; the page starts in the default dark theme; the environment notice says a browser error at once, the missing control only after the page asked again, each once', async (open) => {
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
  await page.keyboard.press('Escape');
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
