// The running program for the end-to-end scenarios: tavolin.exe under Wine
// (in the Wine session the caller started: WINEPREFIX and DISPLAY set), the
// stand-in browser runtime showing its page in headless Chromium, which the
// scenarios drive through the DevTools port, and the program's native
// windows as window_probe.exe reports them.
'use strict';

const { spawn, execFile } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const { chromium } = require('playwright-core');

const ROOT = path.resolve(__dirname, '..', '..');
const BUILD = process.env.TAVOLIN_BUILD || path.join(ROOT, 'build', 'windows');
const SHOTS = path.join(ROOT, 'build', 'e2e-screenshots');
const FAILURES = path.join(ROOT, 'build', 'e2e-program');

const winPath = (p) => 'Z:' + p.replace(/\//g, '\\');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// A Wine process that starts the Wine desktop hands it our pipes, which then
// stay open after the process ended: a child's output ends with its exit
// (and a moment for the last bytes), never with its pipes.
function forgetPipesAtExit(child) {
  child.on('exit', () => setTimeout(() => { for (const s of [child.stdout, child.stderr]) if (s) s.destroy(); }, 300));
}

function wine(args, env = {}) {
  return new Promise((resolve) => {
    const child = spawn('wine', args, { env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'ignore'] });
    let stdout = '';
    child.stdout.on('data', (d) => { stdout += d; });
    forgetPipesAtExit(child);
    // Usually the pipes close with the process; the exit is the fallback.
    let code = null;
    const finish = () => resolve({ code, stdout });
    child.on('close', (c) => { code = c; finish(); });
    child.on('exit', (c) => { code = c; setTimeout(finish, 300); });
  });
}

async function until(what, fn, ms = 20000) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await fn();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await sleep(150);
  }
}

// The program's top-level windows, each with its children.
async function windowsOf(image = 'tavolin.exe') {
  const { stdout } = await wine([path.join(BUILD, 'window_probe.exe'), 'list', image]);
  return stdout.split('\n').filter((l) => l.startsWith('{')).map((l) => JSON.parse(l));
}

// Wine reads the display's DPI from the registry as each process starts; a
// prefix without the value has 96.
let prefixDpi = 96;
async function setDpi(dpi) {
  if (dpi === prefixDpi) return;
  await wine(['reg', 'add', 'HKCU\\Control Panel\\Desktop', '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', String(dpi), '/f']);
  prefixDpi = dpi;
}

const mainWindow = async () => (await windowsOf()).find((w) => w.class === 'TavolinMainWindow');
const rectOf = (w) => ({ x: w.x, y: w.y, w: w.w, h: w.h });
// Keys and clicks on the virtual display, where the native windows are.
const xdotool = (...args) => new Promise((resolve, reject) =>
  execFile('xdotool', args, (error) => (error ? reject(error) : resolve())));

// A server record of a scenario's config.json, its item in the list and its tab.
const server = (id, port, remark) => ({ id, host: '127.0.0.1', port, remark, user: 'tester' });
const item = (text) => `#serverList li.srv:has-text("${text}")`;
const tab = (remark) => `#tabs .tab:has-text("${remark}")`;

// Records every status each tab's tooltip goes through from now on (its
// first line), in order; tabStates reads them as "name status".
const watchTabs = (page) => page.evaluate(() => {
  window.__tabStates = [];
  const last = new Map();
  new MutationObserver(() => {
    for (const t of document.querySelectorAll('#tabs .tab')) {
      const name = t.querySelector('.tname').textContent;
      const entry = name + ' ' + t.title.split(' — ')[1].split('\n')[0];
      if (last.get(name) !== entry) window.__tabStates.push(entry);
      last.set(name, entry);
    }
  }).observe(document.getElementById('tabs'), { subtree: true, childList: true, attributes: true });
});
const tabStates = (page) => page.evaluate(() => window.__tabStates);

const windowCommand = (command, ...args) => wine([path.join(BUILD, 'window_probe.exe'), command, ...args]);

const STANDIN_CONTROL = path.join(BUILD, 'tests', 'tavolin_rdp_standin.dll');
const registerControl = (yes) => wine(['regsvr32', '/s', ...(yes ? [] : ['/u']), winPath(STANDIN_CONTROL)]);

// A peer that accepts every connection and holds it, as a listening remote
// desktop port does; close() stops it, so its port then refuses.
async function answeringPeer(port = 0) {
  const sockets = new Set();
  const server = net.createServer((s) => { sockets.add(s); s.on('close', () => sockets.delete(s)); s.on('error', () => {}); });
  await new Promise((r) => server.listen(port, '127.0.0.1', r));
  return {
    port: server.address().port,
    close: () => new Promise((r) => { for (const s of sockets) s.destroy(); server.close(r); }),
  };
}

// A port nothing listens on: connections are refused.
async function refusedPort() {
  const server = net.createServer();
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  const port = server.address().port;
  await new Promise((r) => server.close(r));
  return port;
}

// A black-holed port (connections time out), from the Windows peer program,
// whose listener never accepts and keeps its queue full.
async function blackHole() {
  const spare = await refusedPort(), port = await refusedPort();
  const child = spawn('wine', [path.join(BUILD, 'standins', 'probe_peers.exe'), String(spare), String(port)],
    { stdio: ['ignore', 'pipe', 'ignore'] });
  forgetPipesAtExit(child);
  await new Promise((resolve) => child.stdout.on('data', (d) => { if (/black hole/.test(d)) resolve(); }));
  return { port, close: () => { child.kill(); return wine(['taskkill', '/f', '/im', 'probe_peers.exe']); } };
}

// Where the program keeps the browser's data: the local application data of
// the prefix's user. Wine sets LOCALAPPDATA itself in every process it starts
// from Linux, so scenarios share it; they run one at a time, and each start
// clears what would tell it an earlier page.
const BROWSER_DATA = path.join(process.env.WINEPREFIX || '', 'drive_c', 'users', os.userInfo().username,
  'AppData', 'Local', 'Tavolin', 'WebView2');

class Program {
  constructor(data) {
    this.data = data;
    this.output = '';
    this.console = [];
  }

  get configPath() { return path.join(this.data, 'config.json'); }
  config() { return JSON.parse(fs.readFileSync(this.configPath, 'utf8')); }
  writeConfig(value) {
    fs.mkdirSync(this.data, { recursive: true });
    fs.writeFileSync(this.configPath, typeof value === 'string' ? value : JSON.stringify(value));
  }

  // Starts the program and returns its page; with { page: false } returns
  // as soon as the process runs. dpi: the display's dots per inch for the
  // processes started from now on (Wine's LogPixels); every start sets it,
  // 96 unless asked.
  async start({ args = [], env = {}, page = true, dpi = 96 } = {}) {
    await setDpi(dpi);
    const userData = BROWSER_DATA;
    for (const stale of [path.join(userData, 'standin-page-address.txt'), path.join(userData, 'chromium', 'DevToolsActivePort')]) {
      fs.rmSync(stale, { force: true });
    }
    this.exited = null;
    this.process = spawn('wine', [path.join(BUILD, 'tavolin.exe'), '--data', winPath(this.data), ...args], {
      // The runtime takes its time to start on a real desk: every scenario
      // meets a window that has no page yet for a moment.
      env: { ...process.env, TAVOLIN_WEBVIEW_BROWSER: 'headless', TAVOLIN_WEBVIEW_CREATE_DELAY_MS: '1500',
        WINEPATH: winPath(path.join(BUILD, 'tests')), ...env },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    for (const s of [this.process.stdout, this.process.stderr]) s.on('data', (d) => { this.output += d; });
    forgetPipesAtExit(this.process);
    this.exitCode = new Promise((r) => this.process.on('exit', (code) => { this.exited = code; r(code); }));
    return page ? this.attach() : null;
  }

  // The page of the running program, once its servers' document arrived.
  async attach() {
    await this.connect();
    // The servers' document has arrived once the summary leaves its first text.
    await this.page.waitForFunction(() => {
      const summary = document.getElementById('netSummary');
      return summary !== null && summary.textContent !== '正在检测…';
    }, null, { timeout: 20000 });
    return this.page;
  }

  // Ends the browser as a crash would and returns the page of the one the
  // program starts instead, as soon as it can be reached (before it is told
  // anything, so that nothing it shows at once is missed).
  async killBrowser() {
    const pid = Number(fs.readFileSync(path.join(BROWSER_DATA, 'chromium.pid'), 'utf8'));
    if (this.browser) await this.browser.close().catch(() => {});
    fs.rmSync(path.join(BROWSER_DATA, 'chromium', 'DevToolsActivePort'), { force: true });
    process.kill(pid, 'SIGKILL');
    return this.connect();
  }

  async connect() {
    const userData = BROWSER_DATA;
    const portFile = path.join(userData, 'chromium', 'DevToolsActivePort');
    const port = await until('the page', () => this.exited === null
      ? fs.existsSync(portFile) && fs.readFileSync(portFile, 'utf8').split('\n')[0]
      : Promise.reject(new Error('the program ended with ' + this.exited + '\n' + this.output)), 40000);
    this.browser = await chromium.connectOverCDP('http://127.0.0.1:' + port);
    const context = this.browser.contexts()[0];
    this.page = context.pages()[0] || (await context.waitForEvent('page'));
    this.page.on('console', (m) => this.console.push(m.type() + ': ' + m.text()));
    this.page.on('pageerror', (e) => this.console.push('pageerror: ' + e));
    return this.page;
  }

  async main() { return until('the main window', mainWindow); }

  // The window's close button: one WM_CLOSE, the page then asks.
  async pressClose() { await windowCommand('close', (await this.main()).hwnd); }

  // Closes as a user who confirms, and returns the exit code.
  async quit() {
    await this.pressClose();
    await this.page.click('#closeYes');
    return this.ended();
  }

  async ended(ms = 20000) {
    const code = await Promise.race([this.exitCode, sleep(ms).then(() => 'still running')]);
    if (this.browser) await this.browser.close().catch(() => {});
    this.browser = null;
    return code;
  }

  async kill() {
    if (this.browser) await this.browser.close().catch(() => {});
    if (this.process && this.exited === null) {
      await wine(['taskkill', '/f', '/im', 'tavolin.exe']);
      await Promise.race([this.exitCode, sleep(5000)]);
    }
  }

  async leaveEvidence(name) {
    const dir = path.join(FAILURES, name.replace(/[^\w一-龥-]+/g, '_').slice(0, 80));
    fs.mkdirSync(dir, { recursive: true });
    fs.writeFileSync(path.join(dir, 'program-output.txt'), this.output);
    fs.writeFileSync(path.join(dir, 'page-console.txt'), this.console.join('\n'));
    fs.writeFileSync(path.join(dir, 'windows.json'), JSON.stringify(await windowsOf().catch(() => []), null, 1));
    if (this.page) await this.page.screenshot({ path: path.join(dir, 'page.png') }).catch(() => {});
    if (fs.existsSync(this.configPath)) fs.copyFileSync(this.configPath, path.join(dir, 'config.json'));
    return dir;
  }
}

// One scenario: a fresh data folder, the program at hand; whatever runs is
// ended afterwards, and a failure leaves the evidence beside the output.
function scenario(name, fn) {
  test(name, async () => {
    const data = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-e2e-'));
    const programs = [];
    const open = () => { const p = new Program(data); programs.push(p); return p; };
    try {
      await fn(open, data);
    } catch (error) {
      for (const p of programs) error.message += '\nevidence: ' + (await p.leaveEvidence(name));
      throw error;
    } finally {
      for (const p of programs) await p.kill();
      await setDpi(96);
      // Chromium may still be writing its profile while it shuts down.
      try { fs.rmSync(data, { recursive: true, force: true, maxRetries: 20, retryDelay: 250 }); } catch (e) { /* left in tmp */ }
    }
  });
}

// In device pixels, as the screen shows it at its scale.
const shot = (page, name) => { fs.mkdirSync(SHOTS, { recursive: true }); return page.screenshot({ path: path.join(SHOTS, name), scale: 'device' }); };

// What the virtual display shows of a native window (the page is headless,
// so the main window shows its sessions and the bar, not the page).
function displayShot(window, name) {
  fs.mkdirSync(SHOTS, { recursive: true });
  const box = [window.x, window.y, window.w, window.h].map((n) => String(Math.max(0, n)));
  return new Promise((resolve) => execFile('python3', [path.join(ROOT, 'scripts', 'x-screenshot.py'), process.env.DISPLAY,
    path.join(SHOTS, name), ...box], () => resolve()));
}

module.exports = { scenario, until, windowsOf, mainWindow, rectOf, xdotool, server, item, tab, watchTabs, tabStates, windowCommand, registerControl, answeringPeer, refusedPort, blackHole, shot, displayShot, BUILD };
