// The server editor, the import box, the settings drawer with its password
// form, and the confirmation and close dialogs.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { server, item, listed, realisticList, SETTINGS } = require('../fixtures');

const test = browserTests();

// A server with every field away from its default, and an odd resolution.
const P1 = server('p1', { host: 'pw.example', port: 3391, user: 'ops', domain: 'CORP', remark: '第一行\n第二行', group: 'G', colorDepth: 16,
  width: 1600, height: 900, smartSizing: false, fullscreenOnConnect: true, autoConnect: true, pingPort: 3390, hasPassword: true });
const toasts = (page) => page.$$eval('#toasts .toast', (ts) => ts.map((t) => t.className.replace('toast ', '') + ':' + t.textContent));
const focused = (page, id) => page.waitForFunction((i) => document.activeElement.id === i, id);
// What the editor sends for a server whose advanced options were never opened.
const OPTIONS = { gatewayMode: 'none', gatewayHost: '', gatewayPort: 443, gatewayCredentials: 'server', gatewayUser: '',
  gatewayDomain: '', gatewayBypassLocal: true, redirectClipboard: true, redirectDrives: 'none', driveLetters: '',
  redirectPrinters: false, redirectSmartCards: false, audioMode: 'local', redirectMicrophone: false, adminSession: false,
  serverAuth: 'warn', keyboardHook: 'fullscreen' };
const fill = async (page, fields) => { for (const [sel, text] of Object.entries(fields)) await page.fill(sel, text); };

test('new server: defaults from the settings, validation of the address, the data sent, the probe port read; editing a server: its values, the saved-password hint, an odd resolution kept, "password" only when typed', async (open) => {
  const page = await open(listed({ defaultUser: 'deploy', defaultDomain: 'CORP', defaultColorDepth: 24, defaultSmartSizing: false }));
  await page.click('#btnAdd');
  assert.deepEqual([await page.textContent('#serverTitle'), await page.getAttribute('#f_password', 'placeholder')], ['新增服务器', '可留空']);
  assert.deepEqual(await page.values('#f_user', '#f_domain', '#f_port', '#f_pingPort', '#f_colorDepth', '#f_resolution'),
    ['deploy', 'CORP', '3389', '0', '24', '0']);
  assert.deepEqual([await page.isChecked('#f_smartSizing'), await page.isChecked('#f_autoConnect'),
    await page.isChecked('#f_fullscreenOnConnect'), await page.isVisible('#btnDeleteServer')], [false, false, false, false]);
  await focused(page, 'f_host');

  await page.keyboard.type('   ');
  assert.deepEqual(await page.sentBy(() => page.click('#btnSaveServer')), []);
  assert.deepEqual(await toasts(page), ['error:请填写服务器地址']);
  assert.deepEqual([await page.evaluate(() => document.activeElement.id), await page.isVisible('#serverModal')], ['f_host', true]);

  await fill(page, { '#f_host': '  10.9.8.7 ', '#f_port': '', '#f_user': ' admin ', '#f_domain': ' ad.example ',
    '#f_remark': ' 备注 ', '#f_group': ' 组 ' });
  await page.selectOption('#f_resolution', '1920x1080');
  await page.check('#f_autoConnect');
  await page.check('#f_fullscreenOnConnect');
  await page.focus('#f_group');
  assert.deepEqual(await page.sentBy(() => page.keyboard.press('Enter')), [{ cmd: 'addServer', data: {
    host: '10.9.8.7', port: 3389, user: 'admin', domain: 'ad.example', remark: '备注', group: '组', colorDepth: 24,
    width: 1920, height: 1080, smartSizing: false, fullscreenOnConnect: true, autoConnect: true, pingPort: 0, ...OPTIONS } }]);
  assert.equal(await page.isVisible('#serverModal'), false);
  // The probe port: a whole number from 0 to 65535 is sent as it is, anything else as 0.
  for (const [typed, sent] of [['443', 443], ['65535', 65535], ['', 0], ['65536', 0], ['-1', 0], ['2.5', 0]]) {
    await page.click('#btnAdd');
    await fill(page, { '#f_host': 'h', '#f_pingPort': typed });
    assert.equal((await page.sentBy(() => page.click('#btnSaveServer')))[0].data.pingPort, sent, typed);
  }

  // Editing a server with every field set.
  await page.deliver('servers', realisticList().concat([P1]));
  await page.hover(item('p1'));
  await page.click(item('p1', '.edit'));
  assert.deepEqual([await page.textContent('#serverTitle'), await page.getAttribute('#f_password', 'placeholder'), await page.isVisible('#btnDeleteServer')],
    ['编辑服务器', '已保存密码（留空表示不修改）', true]);
  assert.deepEqual(await page.values('#f_remark', '#f_resolution', '#f_colorDepth', '#f_domain', '#f_pingPort'),
    ['第一行\n第二行', '1600x900', '16', 'CORP', '3390']);
  assert.equal(await page.isChecked('#f_fullscreenOnConnect'), true);
  assert.deepEqual(await page.sentBy(() => page.click('#btnSaveServer')), [{ cmd: 'updateServer', data: {
    host: 'pw.example', port: 3391, user: 'ops', domain: 'CORP', remark: '第一行\n第二行', group: 'G', colorDepth: 16,
    width: 1600, height: 900, smartSizing: false, fullscreenOnConnect: true, autoConnect: true, pingPort: 3390, ...OPTIONS,
    id: 'p1' } }]);

  await page.dblclick(item('c3', '.name')); // opens a tab; the editor must still work
  await page.menu(item('c3'), '编辑 / 备注');
  assert.deepEqual(await page.values('#f_user', '#f_resolution'), ['Administrator', '0']);
  assert.equal(await page.$$eval('#f_resolution option', (o) => o.length), 6); // the odd size was not left behind
  await page.fill('#f_password', 'n3w pass');
  const [upd] = await page.sentBy(() => page.click('#btnSaveServer'));
  assert.deepEqual([upd.cmd, upd.data.id, upd.data.password], ['updateServer', 'c3', 'n3w pass']);
});

test('advanced options: collapsed, read from the server or the settings\' defaults, unknown values as the defaults, fields of other choices disabled, letters tidied, the gateway password only when typed; "导出为 .rdp" in the menu', async (open) => {
  const G1 = server('g1', { host: 'gw.example', gatewayMode: 'explicit', gatewayHost: 'gw.corp', gatewayPort: 8443,
    gatewayCredentials: 'own', gatewayUser: 'gwu', hasGatewayPassword: true, gatewayBypassLocal: false, redirectDrives: 'chosen',
    driveLetters: 'ec', audioMode: 'off', keyboardHook: 'local', serverAuth: 'refuse', redirectClipboard: false,
    adminSession: true, redirectPrinters: 'yes', redirectSmartCards: true });
  const page = await open(listed({ defaultAudioMode: 'remote', defaultRedirectPrinters: true, defaultKeyboardHook: 'sideways' },
    [G1]));
  await page.click('#btnAdd');
  assert.equal(await page.evaluate(() => document.getElementById('advancedOptions').open), false);
  await page.fill('#f_host', 'new.example');
  const [added] = await page.sentBy(() => page.click('#btnSaveServer'));
  assert.deepEqual(added.data, { ...added.data, ...OPTIONS, audioMode: 'remote', redirectPrinters: true });

  await page.menu(item('g1'), '编辑 / 备注');
  await page.click('#advancedOptions summary');
  assert.deepEqual(await page.values('#o_gatewayMode', '#o_gatewayHost', '#o_gatewayPort', '#o_gatewayCredentials', '#o_driveLetters',
    '#o_audioMode', '#o_keyboardHook', '#o_serverAuth'), ['explicit', 'gw.corp', '8443', 'own', 'CE', 'off', 'local', 'refuse']);
  assert.equal(await page.getAttribute('#o_gatewayPassword', 'placeholder'), '已保存密码（留空表示不修改）');
  assert.deepEqual([await page.isChecked('#o_redirectPrinters'), await page.isChecked('#o_redirectSmartCards'),
    await page.isDisabled('#o_gatewayUser'), await page.isDisabled('#o_driveLetters')], [false, true, false, false]);
  await page.fill('#o_driveLetters', 'd: c; d');
  const [kept] = await page.sentBy(() => page.click('#btnSaveServer'));
  assert.deepEqual([kept.data.driveLetters, 'gatewayPassword' in kept.data, kept.data.gatewayBypassLocal], ['CD', false, false]);

  await page.menu(item('g1'), '编辑 / 备注');
  assert.equal(await page.evaluate(() => document.getElementById('advancedOptions').open), false);
  await page.click('#advancedOptions summary');
  await page.selectOption('#o_gatewayMode', 'none');
  await page.selectOption('#o_redirectDrives', 'all');
  assert.deepEqual([await page.isDisabled('#o_gatewayHost'), await page.isDisabled('#o_gatewayPassword'),
    await page.isDisabled('#o_driveLetters')], [true, true, true]);
  await page.selectOption('#o_gatewayMode', 'detect');
  await page.fill('#o_gatewayPassword', 'gw pass');
  const [changed] = await page.sentBy(() => page.click('#btnSaveServer'));
  assert.deepEqual([changed.data.gatewayMode, changed.data.redirectDrives, changed.data.gatewayPassword], ['detect', 'all', 'gw pass']);

  assert.deepEqual(await page.sentBy(() => page.menu(item('g1'), '导出为 .rdp')), [{ cmd: 'exportRdp', data: { id: 'g1' } }]);
});

test('deleting from the editor asks first, the mask closes the editor and answers the confirmation with no; the import box; the settings drawer and the start-up password; the close dialog: texts by count, focus, answers by button and Escape, a second ask only changes the text', async (open) => {
  const page = await open(listed());
  await page.hover(item('a2'));
  await page.click(item('a2', '.edit'));
  await page.click('#btnDeleteServer');
  assert.equal(await page.textContent('#confirmText'), '确定删除 app-02.corp.example 吗？');
  await focused(page, 'confirmOk');
  assert.deepEqual(await page.sentBy(() => page.mouse.click(5, 5)), []); // on the confirmation's mask
  assert.deepEqual([await page.isVisible('#confirmModal'), await page.isVisible('#serverModal')], [false, true]);
  // Enter on the editor again must not delete anything.
  assert.deepEqual((await page.sentBy(() => page.keyboard.press('Enter'))).map((m) => m.cmd), ['updateServer']);
  await page.menu(item('a2'), '编辑 / 备注');
  await page.click('#btnDeleteServer');
  assert.deepEqual(await page.sentBy(() => page.click('#confirmOk')), [{ cmd: 'removeServer', data: { id: 'a2' } }]);
  assert.equal(await page.openMasks(), 0);
  await page.click('#btnAdd');
  await page.mouse.click(5, 5); // on the editor's mask
  assert.equal(await page.isVisible('#serverModal'), false);

  // The import box: refuses empty text, sends the text untrimmed, clears and closes.
  await page.click('#btnImport');
  await page.fill('#importText', ' \n\t ');
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoImport')), []);
  assert.deepEqual(await toasts(page), ['error:请先粘贴要导入的内容']);
  const text = '  10.0.0.5:3389, Administrator, pw, 主机, 生产\n# comment\n';
  await page.fill('#importText', text);
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoImport')), [{ cmd: 'importText', data: { text } }]);
  assert.equal(await page.isVisible('#importModal'), false);
  await page.click('#btnImport');
  assert.equal(await page.inputValue('#importText'), '');
  await page.keyboard.press('Escape');

  // The settings drawer: fields from the settings, the six members and the options' defaults on save, theme and
  // mode sent alone. The defaults are the editor's section without its password.
  await page.deliver('settings', Object.assign({}, SETTINGS, { pingIntervalSec: 30, pingTimeoutMs: 1500, pingThreads: 4,
    defaultUser: 'ops', defaultColorDepth: 16, defaultSmartSizing: false, passwordHint: '生日', defaultRedirectDrives: 'chosen',
    defaultDriveLetters: 'd' }));
  await page.click('#btnSettings');
  assert.deepEqual(await page.values('#s_interval', '#s_timeout', '#s_threads', '#s_defUser', '#s_defColor', '#s_hint'),
    ['30', '1500', '4', 'ops', '16', '生日']);
  assert.equal(await page.isChecked('#s_defSmart'), false);
  assert.deepEqual([await page.values('#d_redirectDrives', '#d_driveLetters'), await page.$$('#d_gatewayPassword')], [['chosen', 'D'], []]);
  await fill(page, { '#s_interval': '', '#s_threads': '8', '#s_defUser': '  root ' });
  await page.check('#s_defSmart');
  await page.click('#defaultOptions summary');
  await page.selectOption('#d_gatewayMode', 'explicit');
  await page.fill('#d_gatewayHost', ' gw.corp ');
  const defaults = Object.fromEntries(Object.entries({ ...OPTIONS, gatewayMode: 'explicit', gatewayHost: 'gw.corp',
    redirectDrives: 'chosen', driveLetters: 'D' }).map(([k, v]) => ['default' + k[0].toUpperCase() + k.slice(1), v]));
  assert.deepEqual(await page.sentBy(() => page.click('#btnSaveSettings')), [{ cmd: 'saveSettings', data: {
    pingIntervalSec: 0, pingTimeoutMs: 1500, pingThreads: 8, defaultUser: 'root', defaultColorDepth: 16, defaultSmartSizing: true,
    ...defaults } }]);
  // Already dark: the first click sends nothing.
  const clicks = async () => {
    for (const b of ['#themeSeg [data-theme-value="dark"]', '#themeSeg [data-theme-value="light"]',
      '#modeSeg [data-mode-value="stretch"]', '#modeSeg [data-mode-value="resolution"]']) await page.click(b);
  };
  assert.deepEqual(await page.sentBy(clicks), [{ darkTheme: false }, { changeRemoteResolution: false }, { changeRemoteResolution: true }]
    .map((data) => ({ cmd: 'saveSettings', data })));
  assert.equal(await page.getAttribute('html', 'data-theme'), 'light');
  assert.equal(await page.textContent('#modeTip'), '把远端桌面分辨率改成窗口大小，画面最清晰。需要远端系统支持，不支持时会退化成拉伸。');

  // The start-up password: validation in order, the command, and clearing.
  const attempt = (a, b) => page.sentBy(async () => {
    await fill(page, { '#s_newPwd': a, '#s_newPwd2': b });
    await page.click('#btnSetPwd');
  });
  for (const [a, b] of [['', 'x'], ['abcd', 'abce'], ['abcde', 'abcde'], ['开门密码五', '开门密码五']]) assert.deepEqual(await attempt(a, b), []);
  assert.deepEqual((await toasts(page)).slice(-4), ['error:新密码不能为空', 'error:两次输入的新密码不一致', 'error:新密码至少要 6 个字符', 'error:新密码至少要 6 个字符']);
  await fill(page, { '#s_oldPwd': 'old1', '#s_hint': '  我的提示  ' });
  assert.deepEqual(await attempt('good pass', 'good pass'), [{ cmd: 'setPassword', data: { old: 'old1', new: 'good pass', hint: '我的提示' } }]);
  assert.deepEqual(await page.values('#s_oldPwd', '#s_newPwd', '#s_newPwd2'), ['', '', '']);

  await page.click('#btnClearPwd');
  assert.equal((await toasts(page)).pop(), 'info:当前没有设置启动密码');
  await page.deliver('settings', Object.assign({}, SETTINGS, { passwordEnabled: true }));
  await page.fill('#s_oldPwd', 'cur');
  await page.click('#btnClearPwd');
  assert.deepEqual(await page.texts('#confirmTitle', '#confirmText', '#confirmOk'),
    ['取消启动密码', '确定取消启动密码吗？取消后打开软件将不再需要输入密码。', '取消密码']);
  assert.deepEqual(await page.sentBy(() => page.keyboard.press('Escape')), []);
  assert.equal(await page.isVisible('#settingsPanel'), true); // Escape answered the confirmation only
  await page.click('#btnClearPwd');
  assert.deepEqual(await page.sentBy(() => page.click('#confirmOk')), [{ cmd: 'clearPassword', data: { old: 'cur' } }]);
  assert.equal(await page.inputValue('#s_oldPwd'), '');
  await page.mouse.click(100, 400); // the drawer's mask
  assert.equal(await page.isVisible('#settingsPanel'), false);

  // The close dialog.
  await page.deliver('tabOpened', { id: 'a1' });
  const ask = async (data) => { await page.deliver('confirmClose', data); return page.textContent('#closeText'); };
  assert.equal(await ask({ tabs: 0, connected: 0 }), '关闭后需要重新打开程序。');
  await focused(page, 'closeYes');
  assert.deepEqual(await page.lastRect(100), { hidden: true });
  assert.equal(await ask({ tabs: '3', connected: 2 }), '还有 2 个远程桌面会话连着，关闭后这些连接会全部断开。');
  assert.equal(await ask({ tabs: 3 }), '打开了 3 个远程桌面标签，关闭后这些连接会全部断开。');
  assert.deepEqual(await page.sentBy(() => page.keyboard.press('Escape')), [{ cmd: 'confirmClose', data: { ok: false } }]);
  assert.equal(await page.isVisible('#closeModal'), false);
  await ask(null);
  assert.deepEqual(await page.sentBy(() => page.click('#closeYes')), [{ cmd: 'confirmClose', data: { ok: true } }]);
  // Both dialogs counted once each: with none left open the rectangle is reported again.
  assert.equal((await page.lastRect(100)).hidden, undefined);
});

test('export: passwords only when ticked, and with a start-up password set only with it typed again; the choice goes to the save dialog', async (open) => {
  const page = await open(listed({}, [P1]));
  await page.click('#btnExport');
  assert.equal(await page.isVisible('#exportPwdRow'), false);
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoExport')), [{ cmd: 'exportServers', data: { includePasswords: false } }]);
  assert.equal(await page.isVisible('#exportModal'), false);

  await page.click('#btnExport');
  await page.check('#exportPasswords');
  assert.equal(await page.isVisible('#exportPwdRow'), false); // no start-up password: nothing to type
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoExport')), [{ cmd: 'exportServers', data: { includePasswords: true } }]);

  await page.deliver('settings', Object.assign({}, SETTINGS, { passwordEnabled: true }));
  await page.click('#btnExport');
  assert.equal(await page.isChecked('#exportPasswords'), false); // every export starts without
  await page.check('#exportPasswords');
  assert.equal(await page.isVisible('#exportPwdRow'), true);
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoExport')), []);
  assert.equal((await toasts(page)).pop(), 'error:导出密码前请再次输入启动密码');
  await page.fill('#exportPwd', 'start-pw');
  assert.deepEqual(await page.sentBy(() => page.click('#btnDoExport')),
    [{ cmd: 'exportServers', data: { includePasswords: true, password: 'start-pw' } }]);
  await page.click('#btnExport');
  assert.equal(await page.inputValue('#exportPwd'), '');
});

// Files dropped on the page as a drop from the desktop arrives there: a
// DataTransfer carrying File objects, dispatched on the body. files: {name,
// text} (a string as UTF-8, or an array of bytes) or {name, size} (that many
// zero bytes).
const dropFiles = (page, files, events = ['dragenter', 'dragover', 'drop']) => page.evaluate(([fs, evs]) => {
  const dt = new DataTransfer();
  for (const f of fs) dt.items.add(new File([typeof f.text === 'string' ? f.text : new Uint8Array(f.text || f.size)], f.name));
  for (const type of evs) document.body.dispatchEvent(new DragEvent(type, { bubbles: true, cancelable: true, dataTransfer: dt }));
}, [files, events]);
// Each "importRdp" sent, as its files' names and Base64, and the same of files given.
const importSent = async (page) => {
  await page.waitForFunction(() => window.__sent.some((m) => m.cmd === 'importRdp'));
  return (await page.sent('importRdp')).map((m) => m.data.files.map((f) => [f.name, f.data]));
};
const asSent = (...files) => files.map((f) => [f.name, Buffer.from(f.text).toString('base64')]);

test('.rdp files: the overlay while files are dragged over the page, one "importRdp" with each file\'s bytes for a drop or a choice in the import box; files not named .rdp, too many, too large refused with nothing sent', async (open) => {
  const page = await open(listed({}, [P1]));
  const A = { name: 'a.rdp', text: 'full address:s:a.example\r\n' };
  // As Windows writes it: UTF-16LE with a byte-order mark, no valid UTF-8.
  const B = { name: '数据库.RDP', text: [0xff, 0xfe, ...Buffer.from('full address:s:b.example:3390\r\n', 'utf16le')] };

  await page.deliver('tabOpened', { id: 'p1' });
  await dropFiles(page, [A], ['dragenter', 'dragover']);
  assert.deepEqual([await page.isVisible('#dropOverlay'), await page.textContent('#dropOverlay')], [true, '松开以导入 .rdp 文件']);
  assert.equal((await page.lastRect(100)).hidden, true); // the remote desktop goes from under it
  await dropFiles(page, [A], ['dragleave']);
  assert.equal(await page.isVisible('#dropOverlay'), false);
  assert.equal((await page.lastRect(100)).hidden, undefined);

  await page.clearSent();
  await dropFiles(page, [A, B]);
  assert.deepEqual(await importSent(page), [asSent(A, B)]);
  assert.equal(await page.isVisible('#dropOverlay'), false);

  const refusals = [
    [[{ name: 'notes.txt', text: 'x' }], 'error:只能导入 .rdp 文件，没有导入：notes.txt'],
    [[{ name: 'big.rdp', size: (1 << 20) + 1 }], 'error:文件超过 1 MB，不像远程桌面文件，没有导入任何服务器：big.rdp'],
    [Array.from({ length: 1001 }, (_, i) => ({ name: i + '.rdp', text: '' })), 'error:一次最多导入 1000 个 .rdp 文件，这次有 1001 个，没有导入任何服务器'],
    [Array.from({ length: 40 }, (_, i) => ({ name: i + '.rdp', size: 1 << 20 })), 'error:所选文件合计超过 32 MB，没有导入任何服务器，请分几次导入'],
  ];
  for (const [files, toast] of refusals) {
    await page.clearSent();
    await page.evaluate(() => document.getElementById('toasts').replaceChildren());
    await dropFiles(page, files);
    assert.deepEqual(await toasts(page), [toast]);
    assert.deepEqual(await page.sent('importRdp'), []);
  }
  // With the .rdp files of a mixed drop imported, the others named.
  await page.clearSent();
  await dropFiles(page, [{ name: 'notes.txt', text: 'x' }, A]);
  assert.deepEqual(await importSent(page), [asSent(A)]);
  assert.deepEqual((await toasts(page)).pop(), 'error:只能导入 .rdp 文件，没有导入：notes.txt');

  await page.click('#btnImport');
  assert.equal(await page.getAttribute('#rdpFiles', 'accept'), '.rdp');
  await page.clearSent();
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#btnChooseRdp')]);
  await chooser.setFiles([{ name: B.name, mimeType: 'application/x-rdp', buffer: Buffer.from(B.text) }]);
  assert.deepEqual(await importSent(page), [asSent(B)]);
  assert.equal(await page.isVisible('#importModal'), false);
});
