// Start-up benchmark: the time from starting tavolin.exe under Wine to the
// page's "ready", to the page holding its documents, and to the first "pings"
// on the page, with 10 and with 10,000 servers; and the way down: from the
// close (the page's confirmation) to the process's exit, with 1,000 probes
// in flight that never answer and with none. The program runs with the
// stand-in browser runtime and no browser of its own; the page it serves is
// opened here in headless Chromium, already running, so Chromium's own start
// is not counted. Prints the figures; asserts nothing.
//   node bench/startup/bench.js [--quick] TAVOLIN_EXE   (--quick: one run of each, to see that it runs)
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
// The page tests' pinned copy.
const { chromium } = require(require.resolve('playwright-core', { paths: [path.join(__dirname, '../../e2e')] }));

const QUICK = process.argv.includes('--quick');
const RUNS = QUICK ? 1 : 3;
const COUNTS = [10, 10000];

// Runs in the page before anything else: notes when the page first sends
// each command and first receives each event, on the wall clock the bench
// reads too. The stand-in runtime's bridge talks through a worker.
function markMessages() {
  const marks = (window.__marks = {});
  const now = () => performance.timeOrigin + performance.now();
  const note = (key) => { if (!(key in marks)) marks[key] = now(); };
  const cmdOf = (text) => { try { return JSON.parse(text).cmd; } catch (_) { return undefined; } };
  const NativeWorker = window.Worker;
  window.Worker = class extends NativeWorker {
    constructor(...args) {
      super(...args);
      this.addEventListener('message', ({ data }) => {
        if (data && data.type === 'message') note('got:' + cmdOf(data.data));
      });
    }
    postMessage(message, ...rest) {
      if (message && message.type === 'message') note('sent:' + cmdOf(message.text));
      return super.postMessage(message, ...rest);
    }
  };
}

// Every server on loopback port 1, where nothing listens: each probe ends at
// once as refused. Sweeps every second, so a sweep that ended before the
// page was there is followed by one it sees. With a port that never answers
// and the longest time-out, the probes stay in flight.
function writeConfig(folder, count, port = 1) {
  const servers = [];
  for (let i = 0; i < count; i++) {
    servers.push({ id: (0x1000000000000 + i).toString(16).padStart(16, '0'), host: '127.0.0.1', port,
      remark: '服务器 ' + i, group: ['生产', '测试', ''][i % 3] });
  }
  const ping = port === 1 ? { intervalSec: 1 } : { intervalSec: 1, timeoutMs: 30000 };
  fs.writeFileSync(path.join(folder, 'config.json'), JSON.stringify({ ping, servers }));
}

const windowsPath = (p) => 'Z:' + p.replace(/\//g, '\\');

// Where the program keeps the browser's data, and the stand-in runtime the
// page's address: the local application data of the prefix's user, the same
// for every run (Wine sets LOCALAPPDATA in every process it starts). Runs go
// one at a time, each clearing the address an earlier one left.
const ADDRESS_FILE = path.join(process.env.WINEPREFIX || '', 'drive_c', 'users', os.userInfo().username,
  'AppData', 'Local', 'Tavolin', 'WebView2', 'standin-page-address.txt');
function pageAddress() {
  fs.rmSync(ADDRESS_FILE, { force: true });
  return () => waitForFile(ADDRESS_FILE, 60000);
}

async function waitForFile(file, limitMs) {
  const until = Date.now() + limitMs;
  while (Date.now() < until) {
    try {
      const text = fs.readFileSync(file, 'utf8').trim();
      if (text) return text;
    } catch (_) { /* not there yet */ }
    await new Promise((r) => setTimeout(r, 2));
  }
  throw new Error('no page address in ' + file);
}

async function runOnce(browser, exe, count, silentPort = 0) {
  const data = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-startup-'));
  writeConfig(data, count, silentPort || 1);
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, serviceWorkers: 'block' });
  await context.route((url) => !url.href.startsWith('http://127.0.0.1:'), (route) => route.abort());
  const page = await context.newPage();
  await page.addInitScript(markMessages);

  const address = pageAddress();
  const start = Date.now();
  const program = spawn('wine', [exe, '--multi', '--data', windowsPath(data)], {
    env: { ...process.env, TAVOLIN_WEBVIEW_BROWSER: 'none' }, stdio: 'ignore',
  });
  const exited = new Promise((r) => program.on('exit', r));
  try {
    const url = await address();
    const navigated = Date.now();
    await page.goto(url);
    // Silent servers send no result: their probes are in flight a second
    // after the documents (the first sweep starts with the window).
    await page.waitForFunction((silent) => window.__marks['got:servers'] && (silent || window.__marks['got:pings']),
      silentPort !== 0, { timeout: 60000, polling: 10 });
    if (silentPort) await new Promise((r) => setTimeout(r, 1000));
    const marks = await page.evaluate(() => window.__marks);
    // Closing without the page's question: it has answered already.
    const closing = Date.now();
    await page.evaluate(() => window.chrome.webview.postMessage(
      JSON.stringify({ cmd: 'confirmClose', data: { ok: true } })));
    await Promise.race([exited, new Promise((r) => setTimeout(r, 15000))]);
    const down = program.exitCode === null && program.signalCode === null ? Infinity : Date.now() - closing;
    return {
      down,
      address: navigated - start,
      ready: marks['sent:ready'] - start,
      documents: marks['got:servers'] - marks['sent:ready'],
      ping: marks['got:pings'] - start,
      pageLoad: marks['sent:ready'] - navigated,
    };
  } finally {
    if (program.exitCode === null) program.kill('SIGKILL');
    await context.close();
    fs.rmSync(data, { recursive: true, force: true });
  }
}

// Wine's own part of a start: a second instance, which hands over to the
// first and ends before anything of its own is set up, from spawning wine
// to its exit.
async function wineStart(exe) {
  const data = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-first-'));
  const env = { ...process.env, TAVOLIN_WEBVIEW_BROWSER: 'none' };
  const address = pageAddress();
  const first = spawn('wine', [exe, '--data', windowsPath(data)], { env, stdio: 'ignore' });
  try {
    await address();
    const times = [];
    for (let i = 0; i < RUNS; i++) {
      const start = Date.now();
      const second = spawn('wine', [exe, '--data', windowsPath(data)], { env, stdio: 'ignore' });
      await new Promise((r) => second.on('exit', r));
      times.push(Date.now() - start);
    }
    return median(times);
  } finally {
    // Under Wine the spawned process is the program itself.
    const gone = new Promise((r) => first.on('exit', r));
    first.kill('SIGKILL');
    await gone;
    fs.rmSync(data, { recursive: true, force: true });
  }
}

// A port that never answers: the peer program's listener, whose queue is
// full and which never accepts.
async function blackHole(exe) {
  const net = require('node:net');
  const free = () => new Promise((r) => { const s = net.createServer(); s.listen(0, '127.0.0.1', () => { const p = s.address().port; s.close(() => r(p)); }); });
  const [spare, port] = [await free(), await free()];
  const peers = path.join(path.dirname(exe), 'standins', 'probe_peers.exe');
  const child = spawn('wine', [peers, String(spare), String(port)], { stdio: ['ignore', 'pipe', 'ignore'] });
  await new Promise((resolve) => child.stdout.on('data', (d) => { if (/black hole/.test(d)) resolve(); }));
  return { port, close: () => child.kill('SIGKILL') };
}

// From the close to the exit, with 1,000 probes in flight and with none.
async function exitTimes(browser, exe) {
  const hole = await blackHole(exe);
  try {
    const quiet = [], busy = [];
    for (let i = 0; i < RUNS; i++) {
      quiet.push((await runOnce(browser, exe, 1000)).down);
      busy.push((await runOnce(browser, exe, 1000, hole.port)).down);
    }
    return { quiet: median(quiet), busy: median(busy) };
  } finally {
    hole.close();
  }
}

const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];
const ms = (v) => (v / 1000).toFixed(2).padStart(6) + ' s';

async function main() {
  const exe = process.argv.slice(2).find((a) => a !== '--quick');
  if (!exe) throw new Error('usage: bench.js TAVOLIN_EXE');
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
  try {
    const wine = await wineStart(exe);
    console.log('Wine starting a process (a second instance handing over): ' + ms(wine));
    console.log('servers   page address   ready   documents   first ping   native to ready   native to ping');
    for (const count of COUNTS) {
      const runs = [];
      for (let i = 0; i < RUNS; i++) runs.push(await runOnce(browser, exe, count));
      const m = (key) => median(runs.map((r) => r[key]));
      // The native part: everything but the page loading in Chromium.
      const nativeReady = m('address') - wine + m('documents');
      const nativePing = m('ping') - m('pageLoad') - wine;
      console.log(String(count).padStart(7) + '   ' + ms(m('address')) + '       ' + ms(m('ready')) + '  ' +
        ms(m('documents')) + '    ' + ms(m('ping')) + '      ' + ms(nativeReady) + ' (< 1 s)  ' +
        ms(nativePing) + ' (< 2 s)');
    }
    const down = await exitTimes(browser, exe);
    console.log('close to exit, 1,000 servers: no probe in flight ' + ms(down.quiet) + ', 1,000 in flight (never' +
      ' answering) ' + ms(down.busy) + ': ' + Math.round(down.busy - down.quiet) + ' ms more (target <= 100 ms more)');
    console.log('(medians of ' + RUNS + ' runs, from starting wine; "page address": the program has made its window' +
      ' and its browser and navigated; "documents": "ready" to "servers" at the page; the page loading in' +
      ' Chromium and Wine\'s own process start are left out of the native parts; servers are swept every' +
      ' second)');
  } finally {
    await browser.close();
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
