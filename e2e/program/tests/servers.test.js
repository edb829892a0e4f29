// The server list as a person keeps it in the editor, surviving a restart.
// (What each command makes of config.json is the controller's tests'; what
// the page sends for each, the page's.)
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { scenario, until, item } = require('../program');

const edit = async (page, sel) => { await page.hover(sel); await page.click(sel + ' .edit'); };
const listed = (page) => page.$$eval('#serverList li.srv .name', (names) => names.map((n) => n.textContent));

async function fillEditor(page, fields) {
  for (const [id, value] of Object.entries(fields)) await page.fill('#f_' + id, value);
  await page.click('#btnSaveServer');
  await page.waitForSelector('#serverModal', { state: 'hidden' });
}

scenario('servers added, edited and deleted in the editor are in the list after a restart, the password only in protected form', async (open) => {
  const program = open();
  let page = await program.start();
  const steps = [ // what a person does, then the list expected
    [async () => {
      for (const [host, remark] of [['db01.corp.example', '数据库'], ['web01.corp.example', '网站'], ['app01.corp.example', '应用']]) {
        await page.click('#btnAdd');
        await fillEditor(page, { host, user: 'Administrator', password: 'S3cret-' + host, remark, group: '生产' });
      }
    }, ['db01.corp.example', 'web01.corp.example', 'app01.corp.example']],
    [async () => {
      await edit(page, item('web01'));
      await fillEditor(page, { host: 'web02.corp.example', port: '3390', domain: 'CORP' });
    }, ['db01.corp.example', 'web02.corp.example:3390', 'app01.corp.example']],
    [async () => {
      await edit(page, item('db01'));
      await page.click('#btnDeleteServer');
      await page.click('#confirmOk');
    }, ['web02.corp.example:3390', 'app01.corp.example']],
  ];
  for (const [act, expected] of steps) {
    await act();
    await until('the list', async () => JSON.stringify(await listed(page)) === JSON.stringify(expected), 5000).catch(() => {});
    assert.deepEqual(await listed(page), expected);
  }
  assert.equal(await program.quit(), 0);
  page = await program.start();
  assert.deepEqual(await listed(page), steps[steps.length - 1][1], 'after a restart');
  assert.equal(fs.readFileSync(program.configPath, 'utf8').includes('S3cret'), false, 'no password in plain text');
  // The edited server kept what the editor left alone, its password among it.
  const web = program.config().servers.find((s) => s.host === 'web02.corp.example');
  assert.deepEqual([web.port, web.domain, web.user, typeof web.password, web.password.length > 20], [3390, 'CORP', 'Administrator', 'string', true]);
});
