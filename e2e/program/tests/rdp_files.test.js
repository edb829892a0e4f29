// Remote desktop files as a person brings them from the desktop: dropped on
// the window's page, and written back through the save dialog.
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { scenario, until, windowsOf, windowCommand, item } = require('../program');

const listed = (page) => page.$$eval('#serverList li.srv .name', (names) => names.map((n) => n.textContent));
const toasts = (page) => page.$$eval('#toasts .toast', (ts) => ts.map((t) => t.textContent));

// As Windows writes a .rdp file: UTF-16LE with a byte-order mark, CRLF.
const WINDOWS_FILE = Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(
  'screen mode id:i:1\r\nfull address:s:win.corp.example:3390\r\nusername:s:CORP\\alice\r\n' +
  'password 51:b:01000000D08C9DDF0115D1118C7A00C04FC297EB\r\nsmart sizing:i:0\r\n', 'utf16le')]);
const UTF8_FILE = Buffer.from('full address:s:10.0.0.9\nusername:s:运维\ndomain:s:LAB\nsession bpp:i:24\n', 'utf8');

// The DOM-level drop the page handles: a DataTransfer of File objects,
// dispatched on the body as a drop from the desktop arrives there.
const dropFiles = (page, files) => page.evaluate((fs) => {
  const dt = new DataTransfer();
  for (const f of fs) dt.items.add(new File([Uint8Array.from(atob(f.data), (c) => c.charCodeAt(0))], f.name));
  for (const type of ['dragenter', 'dragover', 'drop']) {
    document.body.dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: dt }));
  }
}, files.map(([name, bytes]) => ({ name, data: bytes.toString('base64') })));

scenario('.rdp files of both encodings dropped on the page become servers in the list and in config.json, without the file\'s password; a server exported as .rdp through the save dialog reads back the same', async (open, data) => {
  const program = open();
  const page = await program.start();
  await dropFiles(page, [['办公室.rdp', WINDOWS_FILE], ['lab.rdp', UTF8_FILE]]);
  await until('the imported servers', async () => (await listed(page)).length === 2, 8000);
  assert.deepEqual(await listed(page), ['win.corp.example:3390', '10.0.0.9']);
  await until('the reply', async () => (await toasts(page)).includes('成功导入 2 台服务器，忽略 1 项不支持的设置'), 5000);
  const fields = (s) => [s.host, s.port, s.user, s.domain, s.smartSizing, s.colorDepth, s.autoConnect, s.password || ''];
  assert.deepEqual(program.config().servers.map(fields), [
    ['win.corp.example', 3390, 'alice', 'CORP', false, 32, false, ''],
    ['10.0.0.9', 3389, '运维', 'LAB', true, 24, false, ''],
  ]);

  const file = path.join(data, '..', path.basename(data) + '-export.rdp');
  await page.click(item('win.corp'), { button: 'right' });
  await page.click('#ctxMenu >> text=导出为 .rdp');
  const dialog = await until('the save dialog', async () => (await windowsOf()).find((w) => w.class === '#32770' && w.visible));
  await windowCommand('save', dialog.hwnd, 'Z:' + file.replace(/\//g, '\\'));
  await until('the exported file', () => fs.existsSync(file), 10000);
  try {
    const bytes = fs.readFileSync(file);
    assert.deepEqual([...bytes.subarray(0, 2)], [0xff, 0xfe]);
    const text = bytes.subarray(2).toString('utf16le');
    assert.ok(text.startsWith('full address:s:win.corp.example:3390\r\nusername:s:alice\r\ndomain:s:CORP\r\n'), text);
    assert.equal(/password/i.test(text), false);
    await until('the toast', async () => (await toasts(page)).includes('已导出到 ' + 'Z:' + file.replace(/\//g, '\\')), 5000);
  } finally {
    fs.rmSync(file, { force: true });
  }
});
