// The program on screens of 150 % and 200 %: the window is per-monitor DPI
// aware, the page is drawn at the monitor's scale, and the session window
// lies exactly over the page's content area in device pixels.
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, windowsOf, mainWindow, server, item, answeringPeer, xdotool, shot, displayShot } =
  require('../program');

for (const dpi of [144, 192]) {
  scenario(`at ${dpi} DPI the page is drawn at the monitor's scale and a session lies exactly over its content area`, async (open) => {
    const peer = await answeringPeer();
    try {
      const program = open();
      program.writeConfig({ servers: [server('0000000000000001', peer.port, '一号')], ping: { intervalSec: 0 } });
      const page = await program.start({ dpi });
      const scale = dpi / 96;
      assert.equal(await page.evaluate(() => window.devicePixelRatio), scale);
      await page.dblclick(item('一号'));
      await page.waitForSelector('#tabs .tab[title*="已连接"]', { timeout: 15000 });
      const area = await page.$eval('#contentArea', (e) => e.getBoundingClientRect().toJSON());
      const expected = {
        x: Math.round(area.left * scale), y: Math.round(area.top * scale),
        w: Math.round(area.right * scale) - Math.round(area.left * scale),
        h: Math.round(area.bottom * scale) - Math.round(area.top * scale),
      };
      const session = await until('the session window', async () => {
        const main = await mainWindow();
        const shown = main.children.find((c) => c.class === 'TavolinSessionHost' && c.visible);
        return shown && { main, rect: { x: shown.x - main.cx, y: shown.y - main.cy, w: shown.w, h: shown.h } };
      });
      assert.deepEqual(session.rect, expected, 'the session lies over the content area, in device pixels');
      if (dpi === 144) {
        await shot(page, 'program-144dpi-page.png');
        await displayShot(session.main, 'program-144dpi-window.png');
      }
      // Full screen: the bar is as tall as its design at this scale.
      const main = session.main;
      await xdotool('mousemove', String(main.cx + expected.x + expected.w / 2), String(main.cy + expected.y + expected.h / 2),
        'click', '1');
      await xdotool('key', 'F11');
      const bar = await until('the bar', async () => (await windowsOf()).find((w) => w.class === 'TavolinFsBar' && w.visible));
      assert.equal(bar.h, Math.round(36 * scale));
      if (dpi === 144) await displayShot(bar, 'program-144dpi-bar.png');
      // And back to the window as it was.
      await xdotool('key', 'F11');
      const back = await until('the window back', async () => { const w = await mainWindow(); return w.style === main.style && w; });
      assert.deepEqual([back.x, back.y, back.w, back.h], [main.x, main.y, main.w, main.h]);
    } finally {
      await peer.close();
    }
  });
}
