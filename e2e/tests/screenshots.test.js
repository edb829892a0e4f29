// Screenshots for review and the contrast of every text: the main screen in
// both themes with a realistic list and tabs in several states, and every
// dialog. Each screen is checked for what it is meant to show.
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

test('empty list with the welcome panel and the empty hint', async (open) => {
  const page = await open({ settings: Object.assign({}, SETTINGS, { darkTheme: false }) });
  await page.deliver('servers', null);
  assert.deepEqual([await page.isVisible('#welcome'), await page.isVisible('#emptyTip')], [true, true]);
  assert.deepEqual(await page.texts('#emptyTip > :first-child', '#listCount'), ['还没有服务器', '0 台服务器']);
  await saved(page, 'empty-light');
});

// The contrast of every text shown, from its rendered colours (WCAG 2): the
// text colour against what lies behind it, translucent backgrounds composed
// up to the first opaque one. Disabled entries are exempt, as WCAG has them.
const lowContrast = (page) => page.evaluate(() => {
  const rgba = (c) => { const v = c.match(/[\d.]+/g).map(Number); return v.length > 3 ? v : v.concat(1); };
  const over = (top, base) => base.map((b, i) => top[i] * top[3] + b * (1 - top[3]));
  const behind = (e) => {
    const layers = [];
    for (; e && (!layers.length || layers[layers.length - 1][3] < 1); e = e.parentElement) {
      const c = rgba(getComputedStyle(e).backgroundColor);
      if (c[3] > 0) layers.push(c);
    }
    return layers.reverse().reduce((base, c) => over(c, base), [255, 255, 255]);
  };
  const lum = (c) => { const l = c.slice(0, 3).map((v) => { v /= 255; return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; });
    return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2]; };
  const ratio = (fg, bg) => { const [a, b] = [lum(over(fg, bg)), lum(bg)].sort((x, y) => y - x); return (a + 0.05) / (b + 0.05); };
  const texts = [...document.querySelectorAll('body *')].filter((e) => e.checkVisibility({ checkVisibilityCSS: true }) &&
    !e.closest(':disabled') && [...e.childNodes].some((n) => n.nodeType === 3 && n.data.trim()));
  const fields = [...document.querySelectorAll('input:not([type=checkbox]), textarea')].filter((e) => e.checkVisibility() && !e.value && e.placeholder);
  return texts.map((e) => [e, getComputedStyle(e).color]).concat(fields.map((e) => [e, getComputedStyle(e, '::placeholder').color]))
    .map(([e, color]) => [(e.id || e.className || e.tagName) + ' ' + (e.placeholder || e.textContent).slice(0, 16), ratio(rgba(color), behind(e))])
    .filter(([, r]) => r < 4.5).map(([what, r]) => what + ' ' + r.toFixed(2));
});

// Each dialog is shown (saved in the dark theme) and closed with Escape (the
// editor under the delete confirmation needs two), so that the next one starts
// from the list; the context menu is closed by a click.
for (const theme of ['dark', 'light']) {
  test(`main screen and every dialog, ${theme} theme: every text reads at 4.5:1 or better`, async (open) => {
    const page = await mainScreen(open, theme === 'dark');
    assert.equal(await page.getAttribute('html', 'data-theme'), theme);
    // Each tab's dot and tooltip follow its session, or its latency when it has none.
    assert.deepEqual(await page.$$eval('#tabs .tab', (ts) => ts.map((t) => [t.querySelector('.dot').className, t.title])), [
      ['dot st-ok', '10.0.1.11 — 已连接'], ['dot st-warn', 'app-02.corp.example — 连接中…'],
      ['dot st-bad', '192.0.2.40 — 已断开\n远端会话已注销'], ['dot st-port', '10.0.9.5 — 端口被拒']]);
    const steps = [
      [`main-${theme}`, 0, () => null],
      ['dialog-server-new', 1, () => page.click('#btnAdd')],
      [`server-advanced-${theme}`, 1, async () => {
        await page.hover(item('a2'));
        await page.click(item('a2', '.edit'));
        await page.click('#advancedOptions summary');
        await page.selectOption('#o_gatewayMode', 'explicit');
        await page.fill('#o_gatewayHost', 'gw.corp.example');
        await page.evaluate(() => document.getElementById('advancedOptions').scrollIntoView({ block: 'end' }));
      }],
      ['dialog-server-edit', 0, async () => { await page.hover(item('a1')); await page.click(item('a1', '.edit')); }],
      ['dialog-confirm-delete', 2, () => page.click('#btnDeleteServer')],
      ['dialog-import', 1, () => page.click('#btnImport')],
      ['dialog-settings', 0, () => page.click('#btnSettings')],
      [`settings-defaults-${theme}`, 1, async () => {
        await page.click('#defaultOptions summary');
        await page.selectOption('#d_redirectDrives', 'chosen');
        await page.evaluate(() => document.getElementById('defaultOptions').scrollIntoView({ block: 'end' }));
      }],
      ['dialog-close', 1, () => page.deliver('confirmClose', { tabs: 4, connected: 1 })],
      ['context-menu', 0, () => page.click(item('b1', '.name'), { button: 'right' })],
      ['env-notice', 0, () => page.deliver('env', { activex: true, webviewError: '浏览器进程意外退出（0x8007139F）' })],
      ['toasts', 0, async () => {
        await page.mouse.click(700, 400);
        for (const type of ['ok', 'error', 'info']) await page.deliver('toast', { type, text: '找不到这台服务器' });
      }],
    ];
    for (const [name, escapes, show] of steps) {
      await show();
      if (theme === 'dark' || name.endsWith('-' + theme)) await saved(page, name);
      assert.deepEqual(await lowContrast(page), [], name);
      for (let i = 0; i < escapes; i++) await page.keyboard.press('Escape');
      if (escapes) assert.equal(await page.openMasks(), 0, name);
    }
  });
}

// A tab waiting for its server and a tab whose session ended, each shown in
// the content area where its session was, in both themes.
for (const theme of ['dark', 'light']) {
  test(`waiting and disconnected tabs, ${theme} theme: the content area tells why and offers the way back`, async (open) => {
    const page = await mainScreen(open, theme === 'dark');
    await page.deliver('sessionState', { id: 'a1', state: 3, code: 2308, detail: '套接字已被关闭', mode: 'activex' });
    await page.deliver('reconnect', { id: 'a1', phase: 'waiting', attempts: 2 });
    await page.deliver('tabActivated', { id: 'a1' });
    await page.evaluate(() => { for (const t of document.querySelectorAll('#toasts .toast')) t.remove(); });
    assert.deepEqual(await page.texts('#tabs .tab.active .twait', '#sessionPanel .panel-wait', '#sessionPanel .panel-reason'),
      ['等待服务器恢复…', '等待服务器恢复…（已重试 2 次）', '连接已断开：套接字已被关闭']);
    assert.equal(await page.classOf(item('a1', '.dot')), 'dot st-wait');
    assert.deepEqual(await lowContrast(page), []);
    await saved(page, `tab-waiting-${theme}`);
    assert.deepEqual(await page.sentBy(() => page.click('#sessionPanel >> text=取消自动重连')), [{ cmd: 'cancelReconnect', data: { id: 'a1' } }]);
    // The tab's own cancel button asks the same; once the wait is off, the panel tells why the session ended.
    assert.deepEqual(await page.sentBy(() => page.click('#tabs .tab.active .tcancel')), [{ cmd: 'cancelReconnect', data: { id: 'a1' } }]);
    await page.deliver('reconnect', { id: 'a1', phase: 'off', attempts: 0 });
    assert.deepEqual([await page.texts('#sessionPanel .panel-reason', '#sessionPanel .btn.primary'), await page.locator('#tabs .tab.waiting').count()],
      [['连接已断开：套接字已被关闭', '重新连接'], 0]);

    await page.click('#tabs .tab:has-text("海外跳板机")');
    assert.deepEqual(await page.texts('#sessionPanel h2', '#sessionPanel .panel-reason'), ['海外跳板机', '连接已断开：远端会话已注销']);
    assert.deepEqual(await lowContrast(page), []);
    await saved(page, `tab-disconnected-${theme}`);
    assert.deepEqual(await page.sentBy(() => page.click('#sessionPanel >> text=重新连接')), [{ cmd: 'reconnect', data: { id: 'b1' } }]);
  });
}
