// The program as a new user meets it. (Script in names stays text: the page's
// "hostile texts render as text and run nothing"; a damaged config.json is
// kept aside: ConfigStoreTest.DamagedFileIsCopiedBeforeAnythingReplacesIt.)
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { scenario, shot } = require('../program');

scenario('a first start with no data folder shows an empty list in Chinese and the default settings, and writes them', async (open, data) => {
  fs.rmSync(data, { recursive: true, force: true });
  const program = open();
  const page = await program.start();
  assert.equal(await page.evaluate(() => document.documentElement.lang), 'zh-CN');
  assert.equal(await page.locator('#serverList li').count(), 0);
  assert.equal(await page.isVisible('#emptyTip'), true);
  assert.equal(await page.textContent('#btnAdd'), '新增服务器');
  await shot(page, 'program-main.png');
  await page.click('#btnSettings');
  assert.deepEqual(await Promise.all(['#s_interval', '#s_timeout', '#s_threads', '#s_defUser'].map((s) => page.inputValue(s))),
    ['10', '2000', '6', '']);
  await page.keyboard.press('Escape');
  assert.equal(await program.quit(), 0);
  const saved = program.config();
  assert.deepEqual([saved.servers, saved.ping, saved.security.enabled], [[], { intervalSec: 10, timeoutMs: 2000, threads: 6 }, false]);
});
