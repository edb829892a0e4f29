// The server list as a person keeps it: the editor, drag and drop, import and
// export, each step surviving a restart and landing in config.json.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { scenario, until, windowsOf, windowCommand, item } = require('../program');

const edit = async (page, sel) => { await page.hover(sel); await page.click(sel + ' .edit'); };
const listed = (page) => page.$$eval('#serverList li.srv .name', (names) => names.map((n) => n.textContent));

async function fillEditor(page, fields) {
  for (const [id, value] of Object.entries(fields)) await page.fill('#f_' + id, value);
  await page.click('#btnSaveServer');
  await page.waitForSelector('#serverModal', { state: 'hidden' });
}

scenario('servers added, edited, reordered by drag and drop and deleted stay so across restarts, the password only in protected form', async (open) => {
  const program = open();
  let page = await program.start();
  const steps = [ // what a person does, then the list expected after a restart
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
      await page.dragAndDrop(item('app01') + ' .name', item('db01'), { targetPosition: { x: 100, y: 8 } });
    }, ['app01.corp.example', 'db01.corp.example', 'web02.corp.example:3390']],
    [async () => {
      await edit(page, item('db01'));
      await page.click('#btnDeleteServer');
      await page.click('#confirmOk');
    }, ['app01.corp.example', 'web02.corp.example:3390']],
  ];
  for (const [act, expected] of steps) {
    await act();
    await until('the list', async () => JSON.stringify(await listed(page)) === JSON.stringify(expected), 5000).catch(() => {});
    assert.deepEqual(await listed(page), expected);
    assert.equal(await program.quit(), 0);
    page = await program.start();
    assert.deepEqual(await listed(page), expected, 'after a restart');
  }
  const text = fs.readFileSync(program.configPath, 'utf8');
  assert.equal(text.includes('S3cret'), false, 'no password in plain text');
  const web = program.config().servers.find((s) => s.host === 'web02.corp.example');
  assert.deepEqual([web.port, web.domain, web.user, typeof web.password, web.password.length > 20], [3390, 'CORP', 'Administrator', 'string', true]);
});

// Saves through the program's own save dialog, as a person types a file name there.
async function exportTo(page, file, withPasswords) {
  await page.click('#btnExport');
  if (withPasswords) await page.check('#exportPasswords');
  await page.click('#btnDoExport');
  const dialog = await until('the save dialog', async () => (await windowsOf()).find((w) => w.class === '#32770' && w.visible));
  await windowCommand('save', dialog.hwnd, 'Z:' + file.replace(/\//g, '\\'));
  await until('the exported file', () => fs.existsSync(file), 10000);
}

// That an exported file imports back whole is ExportRoundTrip.EveryKindOfTextImportsBackUnchanged
// (tests/config/export_csv_test.cpp).
scenario('a mixed paste imports with the right fields, and the CSV export through the save dialog carries passwords only when asked', async (open, data) => {
  const program = open();
  const page = await program.start();
  const pastes = [ // two pastes, each with its header row
    ['地址,端口,用户名,密码,备注,分组', '10.0.0.5,3389,Administrator,pw1,数据库主机,生产', '10.0.0.7', 'jump.corp.example:50000'],
    ['host,port,user,password,remark,group', 'files.corp.example,3390,ops,pw2,文件,办公'],
    ['excel-01.corp.example:3389\tadmin\tpw3\t表格粘贴\t财务'], // cells copied from a spreadsheet
  ];
  for (const lines of pastes) {
    const before = (await listed(page)).length;
    await page.click('#btnImport');
    await page.fill('#importText', lines.join('\n'));
    await page.click('#btnDoImport');
    await until('the imported lines', async () => (await listed(page)).length === before + lines.length - (lines.length > 1 ? 1 : 0), 8000);
  }
  const fields = (s) => [s.host, s.port, s.user, s.remark, s.group];
  const imported = program.config().servers.map(fields);
  assert.deepEqual(imported, [
    ['10.0.0.5', 3389, 'Administrator', '数据库主机', '生产'], ['10.0.0.7', 3389, '', '', ''], ['jump.corp.example', 50000, '', '', ''],
    ['files.corp.example', 3390, 'ops', '文件', '办公'], ['excel-01.corp.example', 3389, 'admin', '表格粘贴', '财务'],
  ]);

  const csv = path.join(data, '..', path.basename(data) + '-export.csv');
  await exportTo(page, csv, false);
  assert.equal(fs.readFileSync(csv, 'utf8').includes('pw1'), false, 'passwords only when asked for');
  fs.rmSync(csv);
  await exportTo(page, csv, true);
  const exported = fs.readFileSync(csv, 'utf8');
  assert.equal(exported.includes(',pw1,'), true);
  fs.rmSync(csv);
});
