// The main window as a person uses it: full screen over a session, closing
// with sessions open, and a second start.
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, windowsOf, mainWindow, rectOf, xdotool, server, item, windowCommand, answeringPeer, shot, displayShot } =
  require('../program');

const WS_CAPTION = 0x00c00000;
const activeTab = (page) => page.textContent('#tabs .tab.active .tname');

// A program with two connected tabs, the second active.
async function twoSessions(open, peers) {
  const program = open();
  program.writeConfig({ servers: [server('0000000000000001', peers[0].port, '一号'), server('0000000000000002', peers[1].port, '二号')],
    ping: { intervalSec: 0 } });
  const page = await program.start();
  for (const remark of ['一号', '二号']) {
    await page.dblclick(item(remark));
    await page.waitForSelector(`#tabs .tab[title*="已连接"]:has-text("${remark}")`, { timeout: 15000 });
  }
  return { program, page };
}

async function withPeers(fn) {
  const peers = [await answeringPeer(), await answeringPeer()];
  try { return await fn(peers); } finally { for (const p of peers) await p.close(); }
}

scenario('F11 while the session has the keyboard gives full screen with its bar, Ctrl+Tab switches tabs there, and F11 brings the window back to its rectangle', (open) => withPeers(async (peers) => {
  const { page } = await twoSessions(open, peers);
  const before = await mainWindow();
  const area = await page.$eval('#contentArea', (e) => e.getBoundingClientRect().toJSON());
  await xdotool('mousemove', String(before.cx + area.x + area.width / 2), String(before.cy + area.y + area.height / 2), 'click', '1');
  await xdotool('key', 'F11');
  const full = await until('full screen', async () => { const w = await mainWindow(); return (w.style & WS_CAPTION) === 0 && w.x === 0 && w; });
  assert.deepEqual(rectOf(full), { x: 0, y: 0, w: 1600, h: 1000 });
  assert.ok((await windowsOf()).some((w) => w.class === 'TavolinFsBar'), 'the bar is there');
  await until('the page in full screen', () => page.evaluate(() => document.body.classList.contains('fullscreen')));
  await shot(page, 'program-fullscreen-page.png');
  await displayShot(full, 'program-fullscreen-window.png');
  assert.equal(await activeTab(page), '二号');
  await xdotool('key', 'ctrl+Tab');
  await until('the next tab', async () => (await activeTab(page)) === '一号', 5000);
  await xdotool('key', 'F11');
  const back = await until('the window back', async () => { const w = await mainWindow(); return (w.style & WS_CAPTION) !== 0 && w; });
  assert.deepEqual(rectOf(back), rectOf(before));
  assert.equal(back.style, before.style);
  // Outside full screen Ctrl+Tab is the session's own.
  await xdotool('key', 'ctrl+Tab');
  await new Promise((r) => setTimeout(r, 1000));
  assert.equal(await activeTab(page), '一号');
}));

scenario('closing with two tabs open asks; cancel keeps everything; confirming ends with code 0 and the placement saved', (open) => withPeers(async (peers) => {
  const { program, page } = await twoSessions(open, peers);
  await program.pressClose();
  await page.waitForSelector('#closeModal', { state: 'visible' });
  assert.equal(await page.textContent('#closeText'), '还有 2 个远程桌面会话连着，关闭后这些连接会全部断开。');
  await page.click('#closeNo');
  await new Promise((r) => setTimeout(r, 1000));
  assert.equal(program.exited, null);
  assert.equal(await page.locator('#tabs .tab[title*="已连接"]').count(), 2);
  const placed = await mainWindow();
  await program.pressClose();
  await page.click('#closeYes');
  assert.equal(await program.ended(), 0);
  const ui = program.config().ui;
  assert.deepEqual({ x: ui.x, y: ui.y, w: ui.w, h: ui.h, maximized: ui.maximized }, { ...rectOf(placed), maximized: false });
}));

scenario('a second start raises the first window and exits', async (open) => {
  const first = open();
  await first.start();
  const window = await first.main();
  await windowCommand('minimize', window.hwnd);
  await until('minimized', async () => (await mainWindow()).iconic);
  const second = open();
  await second.start({ page: false });
  assert.equal(await second.ended(15000), 0);
  await until('the first window restored', async () => !(await mainWindow()).iconic, 5000);
  assert.equal(first.exited, null);
  assert.equal((await windowsOf()).filter((w) => w.class === 'TavolinMainWindow').length, 1);
});
