// The main window as a person uses it: closing with sessions open, and a
// second start. (Full screen over a session by its keys is the DPI
// scenarios' in the program and MainWindowWithSessions' in one process.)
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, windowsOf, mainWindow, rectOf, server, item, windowCommand, answeringPeer } = require('../program');

scenario('closing with two tabs open asks; cancel keeps everything; confirming ends with code 0 and the placement saved', async (open) => {
  const peers = [await answeringPeer(), await answeringPeer()];
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', peers[0].port, '一号'), server('0000000000000002', peers[1].port, '二号')],
      ping: { intervalSec: 0 } });
    const page = await program.start();
    for (const remark of ['一号', '二号']) {
      await page.dblclick(item(remark));
      await page.waitForSelector(`#tabs .tab[title*="已连接"]:has-text("${remark}")`, { timeout: 15000 });
    }
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
  } finally {
    for (const p of peers) await p.close();
  }
});

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
