// Screenshots for review: the main screen in both themes with a realistic
// list and tabs in several states, and every dialog. Each also checks that
// the screen shows what it is meant to before it is saved.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { startEnv, SHOTS } = require('../harness');
const { realisticList, SETTINGS } = require('../fixtures');

let env;
before(async () => { env = await startEnv(); });
after(async () => { await env.stop(); });

async function mainScreen(dark) {
  const page = await env.newPage();
  await page.deliver('settings', Object.assign({}, SETTINGS, { darkTheme: dark }));
  await page.deliver('servers', realisticList());
  for (const [id, st] of [['a1', 2], ['a2', 1], ['b1', 3], ['c1', 0]]) {
    await page.deliver('tabOpened', { id });
    if (st) await page.deliver('sessionState', { id, state: st, code: 0, detail: st === 3 ? '远端会话已注销' : '', mode: 'activex' });
  }
  await page.deliver('tabActivated', { id: 'a1' });
  await page.click('#serverList li.srv[data-id="a2"] .name');
  await page.evaluate(() => { for (const t of document.querySelectorAll('#toasts .toast')) t.remove(); });
  await page.evaluate(() => document.fonts.ready);
  return page;
}

async function saved(page, name) {
  await page.shot(name);
  assert.ok(fs.statSync(path.join(SHOTS, name + '.png')).size > 10000, name);
}

for (const dark of [true, false]) {
  const theme = dark ? 'dark' : 'light';
  test(`main screen, ${theme} theme`, async () => {
    const page = await mainScreen(dark);
    assert.equal(await page.getAttribute('html', 'data-theme'), theme);
    assert.equal(await page.$$eval('#tabs .tab', (t) => t.length), 4);
    assert.equal(await page.$$eval('#serverList .group-head', (h) => h.length), 3);
    await saved(page, `main-${theme}`);
    await page.context().close();
  });
}

test('empty list with the welcome panel', async () => {
  const page = await env.newPage();
  await page.deliver('settings', Object.assign({}, SETTINGS, { darkTheme: false }));
  await page.deliver('servers', []);
  assert.equal(await page.isVisible('#welcome'), true);
  await saved(page, 'empty-light');
  await page.context().close();
});

test('dialogs and the context menu', async () => {
  const page = await mainScreen(true);
  await page.click('#btnAdd');
  await saved(page, 'dialog-server-new');
  await page.keyboard.press('Escape');
  await page.hover('#serverList li.srv[data-id="a1"]');
  await page.click('#serverList li.srv[data-id="a1"] .edit');
  await saved(page, 'dialog-server-edit');
  await page.click('#btnDeleteServer');
  await saved(page, 'dialog-confirm-delete');
  await page.keyboard.press('Escape');
  await page.keyboard.press('Escape');
  await page.click('#btnImport');
  await saved(page, 'dialog-import');
  await page.keyboard.press('Escape');
  await page.click('#btnSettings');
  await saved(page, 'dialog-settings');
  await page.keyboard.press('Escape');
  await page.deliver('confirmClose', { tabs: 4, connected: 1 });
  await saved(page, 'dialog-close');
  await page.keyboard.press('Escape');
  await page.click('#serverList li.srv[data-id="b1"] .name', { button: 'right' });
  await saved(page, 'context-menu');
  await page.mouse.click(700, 400);
  await page.deliver('toast', { type: 'ok', text: '已添加 10.0.1.20' });
  await page.deliver('toast', { type: 'error', text: '找不到这台服务器' });
  await saved(page, 'toasts');
  assert.equal(await page.evaluate(() => document.querySelectorAll('.mask:not([hidden])').length), 0);
  await page.context().close();
});
