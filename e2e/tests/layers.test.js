// Nothing the page shows may lie under the remote desktop, which the native
// side lays over the reported content rectangle: toasts and menus against
// that rectangle and the reports, and dialogs above toasts.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { item, listed } = require('../fixtures');

const test = browserTests();

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

test('with a session shown, toasts and menus stay off the content rectangle, or it is reported hidden while they show', async (open) => {
  const page = await open(listed());
  await page.deliver('tabOpened', { id: 'a1' });
  const toast = (text) => page.deliver('toast', { type: 'ok', text });
  const steps = [ // what happens, wait in ms, the report after it
    ['a toast', () => toast('已添加 10.0.1.20'), 100, WITH_SIDEBAR],
    ['four toasts', async () => { for (const t of ['设置已保存', '已复制 10.0.1.13', '成功导入 3 台服务器']) await toast(t); }, 100, WITH_SIDEBAR],
    ["an item's menu opened at its right edge", () => page.click(item('a2', '.lat'), { button: 'right' }), 100, WITH_SIDEBAR],
    ['that menu closed', () => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    ["a tab's menu", () => page.click('#tabs .tab', { button: 'right' }), 100, HIDDEN],
    ['that menu closed', () => page.keyboard.press('Escape'), 100, WITH_SIDEBAR],
    ['a toast with the sidebar collapsed', async () => { await page.click('#btnCollapse'); await toast('已添加 10.0.1.21'); }, 300, HIDDEN],
    ['every toast gone', () => null, 3600, { x: 0, y: 40, w: 1280, h: 760 }],
  ];
  for (const [name, act, ms, report] of steps) {
    await act();
    const rect = await page.lastRect(ms);
    assert.deepEqual(rect, report, name);
    if (!rect.hidden) assert.deepEqual(await shownOver(page, rect), [], name);
  }
});

test('toasts above the sidebar foot, over no dialog: readable above the masks; where one would cover a dialog, the dialog wins', async (open) => {
  const page = await open(listed());
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
      return { controls: [...dialog.querySelectorAll('button, input, select, textarea')].filter((c) => c.getClientRects().length)
        .every((c) => dialog.contains(topAt(c))), toasts: toasts.every((t) => t.contains(topAt(t))),
      aboveFoot: toasts.every((t) => t.getBoundingClientRect().bottom <= foot.top) };
    });
    assert.deepEqual(top, { controls: true, toasts: toastsOnTop, aboveFoot: true }, String(width));
    await page.keyboard.press('Escape');
    await page.evaluate(() => document.getElementById('toasts').replaceChildren());
  }
});
