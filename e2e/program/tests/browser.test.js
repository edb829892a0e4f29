// The program on the browser runtime's bad days: none installed, a slow
// start, a browser that dies; and the keyboard as the window opens. (A page
// pushed to leave is the web host's PageInBrowser.TheViewKeepsToThePagesOwnOrigin.)
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, windowsOf, mainWindow, windowCommand, server, item, answeringPeer } = require('../program');

const IDNO = 7;
const messageBox = async () => (await windowsOf()).find((w) => w.class === '#32770' && w.visible);
const textOf = (box) => box.children.map((c) => c.title).join('\n');

scenario('with no runtime installed the user is told what is missing and where to get it, and one click closes the window', async (open) => {
  const program = open();
  await program.start({ env: { TAVOLIN_WEBVIEW_FAIL: 'no-runtime' }, page: false });
  const box = await until('the message', messageBox, 30000);
  assert.match(textOf(box), /没有找到 Microsoft Edge WebView2 运行时/);
  assert.match(textOf(box), /现在打开下载页面吗？/);
  await windowCommand('answer', box.hwnd, String(IDNO));
  await until('the message answered', async () => !(await messageBox()));
  await program.pressClose();
  assert.equal(await program.ended(), 0);
});

scenario('while the browser is still starting, one click on the close button closes the window', async (open) => {
  const program = open();
  await program.start({ env: { TAVOLIN_WEBVIEW_CREATE_DELAY_MS: '15000' }, page: false });
  await until('the main window', async () => { const w = await mainWindow(); return w && w.visible; });
  await program.pressClose();
  assert.equal(await program.ended(10000), 0);
});

scenario('the first keys typed after the start go to the search box, without a click', async (open) => {
  const program = open();
  program.writeConfig({ servers: [server('0000000000000001', 3389, 'alpha'), server('0000000000000002', 3390, 'beta')],
    ping: { intervalSec: 0 } });
  const page = await program.start();
  await page.keyboard.type('beta');
  await until('the search', async () => (await page.inputValue('#search')) === 'beta', 5000);
  await until('the list filtered', async () => (await page.locator('#serverList li.srv').count()) === 1, 5000);
  assert.equal(await page.isVisible(item('beta')), true);
  assert.equal(await program.quit(), 0);
});

scenario('a browser that dies is started again once: the page comes back with the open tab, says so, and still asks before closing', async (open) => {
  const peer = await answeringPeer();
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', peer.port, '一号')], ping: { intervalSec: 0 } });
    let page = await program.start();
    await page.dblclick(item('一号'));
    await page.waitForSelector('#tabs .tab[title*="已连接"]:has-text("一号")', { timeout: 15000 });
    page = await program.killBrowser();
    await page.waitForSelector('.toast:has-text("界面进程意外退出，已自动重新加载")', { timeout: 30000 });
    await page.waitForSelector('#tabs .tab[title*="已连接"]:has-text("一号")', { timeout: 5000 });
    await program.pressClose();
    await page.waitForSelector('#closeModal', { state: 'visible' });
    await page.click('#closeYes');
    assert.equal(await program.ended(), 0);
  } finally {
    await peer.close();
  }
});
