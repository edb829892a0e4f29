// Screenshots for review: the main screen in both themes with a realistic
// list and tabs in several states, and every dialog. Each also checks that
// the screen shows what it is meant to before it is saved.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { browserTests } = require('../harness');
const { item, realisticList, SETTINGS } = require('../fixtures');

const test = browserTests();
const SHOTS = path.join(__dirname, '..', '..', 'build', 'e2e-screenshots');

async function mainScreen(open, dark) {
  const page = await open({ settings: Object.assign({}, SETTINGS, { darkTheme: dark }), servers: realisticList() });
  for (const [id, state] of [['a1', 2], ['a2', 1], ['b1', 3], ['c1', 0]]) {
    await page.deliver('tabOpened', { id });
    if (state) await page.deliver('sessionState', { id, state, code: 0, detail: state === 3 ? '远端会话已注销' : '', mode: 'activex' });
  }
  await page.deliver('tabActivated', { id: 'a1' });
  await page.click(item('a2', '.name'));
  await page.evaluate(() => { for (const t of document.querySelectorAll('#toasts .toast')) t.remove(); });
  await page.evaluate(() => document.fonts.ready);
  return page;
}

async function saved(page, name) {
  const file = path.join(SHOTS, name + '.png');
  await page.screenshot({ path: file });
  assert.ok(fs.statSync(file).size > 10000, name);
}

for (const theme of ['dark', 'light']) {
  test(`main screen, ${theme} theme`, async (open) => {
    const page = await mainScreen(open, theme === 'dark');
    assert.equal(await page.getAttribute('html', 'data-theme'), theme);
    // Each tab's dot and tooltip follow its session, or its latency when it has none.
    assert.deepEqual(await page.$$eval('#tabs .tab', (ts) => ts.map((t) => [t.querySelector('.dot').className, t.title])), [
      ['dot st-ok', '10.0.1.11 — 已连接'], ['dot st-warn', 'app-02.corp.example — 连接中…'],
      ['dot st-bad', '192.0.2.40 — 已断开\n远端会话已注销'], ['dot st-port', '10.0.9.5 — 端口被拒']]);
    await saved(page, `main-${theme}`);
  });
}

test('empty list with the welcome panel and the empty hint', async (open) => {
  const page = await open({ settings: Object.assign({}, SETTINGS, { darkTheme: false }) });
  await page.deliver('servers', null);
  assert.deepEqual([await page.isVisible('#welcome'), await page.isVisible('#emptyTip')], [true, true]);
  assert.deepEqual(await page.texts('#emptyTip > :first-child', '#listCount'), ['还没有服务器', '0 台服务器']);
  await saved(page, 'empty-light');
});

// Each dialog is shown, saved, and closed with Escape (the editor under the
// delete confirmation needs two), so that the next one starts from the list.
test('dialogs and the context menu, each closed again with Escape', async (open) => {
  const page = await mainScreen(open, true);
  const steps = [
    ['dialog-server-new', 1, () => page.click('#btnAdd')],
    ['dialog-server-edit', 0, async () => { await page.hover(item('a1')); await page.click(item('a1', '.edit')); }],
    ['dialog-confirm-delete', 2, () => page.click('#btnDeleteServer')],
    ['dialog-import', 1, () => page.click('#btnImport')],
    ['dialog-settings', 1, () => page.click('#btnSettings')],
    ['dialog-close', 1, () => page.deliver('confirmClose', { tabs: 4, connected: 1 })],
    ['context-menu', 0, () => page.click(item('b1', '.name'), { button: 'right' })],
    ['toasts', 0, async () => {
      await page.mouse.click(700, 400);
      await page.deliver('toast', { type: 'ok', text: '已添加 10.0.1.20' });
      await page.deliver('toast', { type: 'error', text: '找不到这台服务器' });
    }],
  ];
  for (const [name, escapes, show] of steps) {
    await show();
    await saved(page, name);
    for (let i = 0; i < escapes; i++) await page.keyboard.press('Escape');
    if (escapes) assert.equal(await page.openMasks(), 0, name);
  }
});
