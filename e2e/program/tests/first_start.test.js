// The program as a new user meets it, and with a configuration nobody should trust.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { scenario, shot } = require('../program');

scenario('a first start with no data folder shows an empty list in Chinese and the default settings, and writes them', async (open, data) => {
  fs.rmSync(data, { recursive: true, force: true });
  const program = open();
  const page = await program.start();
  assert.equal(await page.evaluate(() => document.documentElement.lang), 'zh-CN');
  assert.equal(await page.locator('#serverList li').count(), 0);
  assert.equal(await page.isVisible('#emptyTip'), true);
  assert.equal(await page.textContent('#btnAdd'), '新增服务器');
  await page.click('#btnSettings');
  assert.deepEqual(await Promise.all(['#s_interval', '#s_timeout', '#s_threads', '#s_defUser'].map((s) => page.inputValue(s))),
    ['10', '2000', '6', '']);
  await page.keyboard.press('Escape');
  assert.equal(await program.quit(), 0);
  const saved = program.config();
  assert.deepEqual([saved.servers, saved.ping, saved.security.enabled], [[], { intervalSec: 10, timeoutMs: 2000, threads: 6 }, false]);
});

scenario('script in names, remarks and groups is shown as text and never runs; a truncated file is kept aside and the program starts afresh', async (open, data) => {
  const payload = '<img src=x onerror="window.__ran=1">';
  const program = open();
  program.writeConfig({ servers: [{ id: '0000000000000001', host: 'a.example', remark: payload, group: '<script>window.__ran=2</script>' }] });
  let page = await program.start();
  assert.ok((await page.textContent('#serverList')).includes(payload));
  assert.equal(await page.evaluate(() => window.__ran), undefined);
  assert.equal(await page.locator('#serverList img').count(), 0);
  assert.equal(await program.quit(), 0);

  const broken = fs.readFileSync(program.configPath, 'utf8').slice(0, 60);
  program.writeConfig(broken);
  page = await program.start();
  assert.equal(await page.locator('#serverList li').count(), 0);
  const kept = fs.readdirSync(data).filter((f) => f.startsWith('config.json.bad_'));
  assert.equal(kept.length, 1, 'the damaged file is kept as its dated copy');
  assert.equal(fs.readFileSync(path.join(data, kept[0]), 'utf8'), broken);
  await shot(page, 'program-main.png');
  assert.equal(await program.quit(), 0);
  assert.deepEqual(program.config().servers, []);
});
