// The program as a new user meets it. (Script in names stays text: the page's
// "hostile texts render as text and run nothing"; a damaged config.json is
// kept aside: ConfigStoreTest.DamagedFileIsCopiedBeforeAnythingReplacesIt;
// how the page shows an empty list and the settings it is sent, the page's
// "empty list with the welcome panel" and its settings drawer test.)
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { scenario, shot } = require('../program');

scenario('a first start with no data folder shows the page in Chinese and writes the default settings', async (open, data) => {
  fs.rmSync(data, { recursive: true, force: true });
  const program = open();
  const page = await program.start();
  assert.equal(await page.evaluate(() => document.documentElement.lang), 'zh-CN');
  assert.equal(await page.isVisible('#emptyTip'), true);
  await shot(page, 'program-main.png');
  assert.equal(await program.quit(), 0);
  const saved = program.config();
  assert.deepEqual([saved.servers, saved.ping, saved.security.enabled], [[], { intervalSec: 10, timeoutMs: 2000, threads: 6 }, false]);
});
