// Remote desktops in tabs: the stand-in control, and the external client when
// no control is registered. (That a session lies exactly over the page's
// content area is the DPI scenarios'; that a refused first connection closes
// its tab after its toast, TabRegistryTest's and the page's "a failed
// connection shows its error toast and then loses its tab".)
'use strict';

const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { scenario, until, windowsOf, mainWindow, xdotool, server, item, tab, watchTabs, tabStates, registerControl, answeringPeer, blackHole, shot, displayShot, BUILD } =
  require('../program');

// The session windows of the main window, by their class, with their place
// in the main window's client area; none while a listing misses the main
// window (a probe run under load can), so that a wait asks again.
async function sessions(cls = 'TavolinSessionHost') {
  const main = await mainWindow();
  if (!main) return [];
  return main.children.filter((c) => c.class === cls).map((c) => ({ ...c, x: c.x - main.cx, y: c.y - main.cy }));
}

scenario('a double-click opens a connected tab; tabs switch sessions; a connection past the program\'s deadline fails and closes', async (open) => {
  const [one, two, hole] = [await answeringPeer(), await answeringPeer(), await blackHole()];
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', one.port, '一号'), server('0000000000000002', two.port, '二号'),
      server('0000000000000004', hole.port, '黑洞')], ping: { intervalSec: 0 } });
    // The stand-in control waits longer for its connection than the program does.
    const page = await program.start({ env: { TAVOLIN_RDP_STANDIN_OPTIONS: 'connect_timeout_ms=60000' } });
    await watchTabs(page);
    await page.dblclick(item('一号'));
    await until('connected', async () => (await tabStates(page)).includes('一号 已连接'));
    // Before its session starts a tab shows the server's probe state.
    const sessionStates = (await tabStates(page)).filter((s) => /^一号 (连接中…|已连接|已断开|连接失败)$/.test(s));
    assert.deepEqual(sessionStates, ['一号 连接中…', '一号 已连接']);
    const [first] = await until('the session window', async () => (await sessions()).filter((s) => s.visible).length === 1 && sessions());
    await shot(page, 'program-connected-page.png');
    await displayShot(await mainWindow(), 'program-connected-window.png');

    await page.dblclick(item('二号'));
    await until('a second connected tab', async () => (await tabStates(page)).includes('二号 已连接'));
    const shown = async () => (await sessions()).filter((s) => s.visible).map((s) => s.hwnd);
    const second = (await sessions()).find((s) => s.hwnd !== first.hwnd);
    await until('only the second shown', async () => JSON.stringify(await shown()) === JSON.stringify([second.hwnd]));
    await page.click(tab('一号'));
    await until('only the first shown again', async () => JSON.stringify(await shown()) === JSON.stringify([first.hwnd]));

    await page.dblclick(item('黑洞'));
    await until('the tab connecting', async () => (await tabStates(page)).includes('黑洞 连接中…'));
    // The program's own deadline, 25 s, and its sweep.
    await until('the stalled tab failed and closed', async () => (await page.locator(tab('黑洞')).count()) === 0, 40000);
    assert.equal(await page.locator('#tabs .tab').count(), 2);
  } finally {
    for (const peer of [one, two, hole]) await peer.close();
  }
});

// Protects: the release-focus keys are the control giving the keyboard back,
// never a failed logon that closes the tab.
scenario('Ctrl+Alt+Left in a connected session keeps the tab connected and typing reaches the page', async (open) => {
  const peer = await answeringPeer();
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', peer.port, '一号'), server('0000000000000002', peer.port, '二号')],
      ping: { intervalSec: 0 } });
    const page = await program.start();
    await watchTabs(page);
    await page.dblclick(item('一号'));
    await until('connected', async () => (await tabStates(page)).includes('一号 已连接'));
    const views = () => sessions('TavolinRdpStandinView');
    const [view] = await until('the control window', async () => { const v = (await views()).filter((c) => c.visible); return v.length === 1 && v; });
    const main = await mainWindow();
    await xdotool('mousemove', String(main.cx + view.x + Math.round(view.w / 2)), String(main.cy + view.y + Math.round(view.h / 2)), 'click', '1');
    await until('the session has the keyboard', async () => (await views()).some((v) => v.focused));
    await xdotool('key', 'ctrl+alt+Left');
    await page.focus('#search');
    await page.keyboard.type('二号');
    await until('the search filters the list', async () => (await page.locator('#serverList li.srv').count()) === 1);
    assert.equal(await page.inputValue('#search'), '二号');
    assert.equal(await page.locator(tab('一号')).count(), 1);
    const states = (await tabStates(page)).filter((s) => s.startsWith('一号 '));
    assert.equal(states[states.length - 1], '一号 已连接');
  } finally {
    await peer.close();
  }
});

// What a real machine has: the client in the system folder. A program of the
// same name beside tavolin.exe, or on the search path, must never be the one run.
const SYSTEM_CLIENT = path.join(process.env.WINEPREFIX || '', 'drive_c', 'windows', 'system32', 'mstsc.exe');
const BESIDE_PROGRAM = path.join(BUILD, 'mstsc.exe');
const clientCommandLines = () => spawnSync('pgrep', ['-af', 'mstsc.exe'], { encoding: 'utf8' }).stdout.trim().split('\n').filter(Boolean);

scenario('without a registered control the tab runs the system\'s external client: its prompts stay the user\'s for as long as they take, then its main window is embedded', async (open) => {
  const peer = await answeringPeer();
  await registerControl(false);
  for (const place of [SYSTEM_CLIENT, BESIDE_PROGRAM]) fs.copyFileSync(path.join(BUILD, 'tests', 'mstsc.exe'), place);
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', peer.port, '外部')], ping: { intervalSec: 0 } });
    // The user takes 40 s over the credential prompt.
    const page = await program.start({ env: { TAVOLIN_MSTSC_STANDIN: 'slow-user' } });
    await watchTabs(page);
    await page.dblclick(item('外部'));
    const prompt = await until('the credential prompt', async () =>
      (await windowsOf('mstsc.exe')).find((w) => w.title === 'Windows 安全中心' && w.visible), 15000);
    assert.ok(clientCommandLines().every((l) => /system32\\mstsc\.exe/i.test(l)), clientCommandLines().join('\n'));
    await until('the tab telling what it waits for', async () => (await page.getAttribute(tab('外部'), 'title')).includes('等待远程桌面客户端窗口…'));
    // The prompt and the status window are the user's own top-level windows,
    // and nothing of the client is in the tab while they are answered.
    const waiting = await windowsOf('mstsc.exe');
    assert.ok(waiting.some((w) => w.hwnd === prompt.hwnd && w.visible));
    assert.ok(waiting.some((w) => w.title === '远程桌面连接' && w.class !== 'TscShellContainerClass' && w.visible));
    assert.equal((await sessions('TscShellContainerClass')).length, 0);

    // The answer comes after 40 s, twice the time the client was once given.
    const [client] = await until('the embedded main window', async () => {
      const found = (await sessions('TscShellContainerClass')).filter((c) => c.visible);
      return found.length === 1 && found;
    }, 60000);
    assert.ok(!(await tabStates(page)).some((s) => s.includes('连接失败')));
    assert.equal(await page.locator(tab('外部')).count(), 1);
    assert.ok(client.w > 100 && client.h > 100);
    assert.ok(!(await windowsOf('mstsc.exe')).some((w) => w.class === 'TscShellContainerClass'), 'no main window left outside the tab');

    // The menu's "用系统 mstsc 打开" starts the system folder's client as well, outside the tab.
    const pids = () => clientCommandLines().map((l) => Number(l.split(' ')[0]));
    const before = pids();
    await page.click(item('外部'), { button: 'right' });
    await page.click('#ctxMenu >> text=用系统 mstsc 打开');
    const [started] = await until('a client of its own', () => { const added = pids().filter((p) => !before.includes(p)); return added.length === 1 && added; }, 15000);
    assert.ok(clientCommandLines().every((l) => /system32\\mstsc\.exe/i.test(l)), clientCommandLines().join('\n'));
    process.kill(started, 'SIGKILL');
    // Closing the program ends the client it started.
    assert.equal(await program.quit(), 0);
    await until('the client ended', () => clientCommandLines().length === 0, 10000);
  } finally {
    await registerControl(true);
    await peer.close();
    for (const place of [SYSTEM_CLIENT, BESIDE_PROGRAM]) fs.rmSync(place, { force: true, maxRetries: 20, retryDelay: 250 });
  }
});
