// The page under test: served from a loopback-only HTTP server to headless
// Chromium kept off the network, a fake native bridge injected before its script.
'use strict';

const http = require('node:http');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const assert = require('node:assert/strict');
const { test, before, after } = require('node:test');
const { chromium } = require('playwright-core');
const { writePage } = require('../web/build-app');

const TYPES = { '.html': 'text/html; charset=utf-8', '.css': 'text/css; charset=utf-8', '.js': 'text/javascript; charset=utf-8' };

// Serves the page folder as the program carries it (app.js joined from its
// parts by the same step the build uses) on 127.0.0.1 only.
function startServer() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-web-'));
  writePage(dir);
  const files = new Map(fs.readdirSync(dir).map((f) => [f, fs.readFileSync(path.join(dir, f))]));
  fs.rmSync(dir, { recursive: true, force: true });
  const server = http.createServer((req, res) => {
    const name = new URL(req.url, 'http://127.0.0.1').pathname.slice(1) || 'index.html';
    const body = files.get(name);
    res.writeHead(body ? 200 : 404, body ? { 'content-type': TYPES[path.extname(name)], 'cache-control': 'no-store' } : {});
    res.end(body);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Runs in the page before app.js: stands in for WebView2's window.chrome.webview.
function fakeBridge() {
  const listeners = [];
  window.__sent = [];
  window.__rawSent = [];
  window.chrome = { webview: {
    postMessage(text) { window.__rawSent.push(text); window.__sent.push(JSON.parse(text)); },
    addEventListener(type, fn) { if (type === 'message') listeners.push(fn); },
  } };
  window.__deliver = (data) => { for (const fn of listeners) fn({ data }); };
}

// A page in a context of its own, every address but the loopback server's
// refused. opts: settings and servers delivered first; settle: wait until the
// start-up's own reports are over and forget everything sent so far.
async function newPage(browser, base, opts) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, serviceWorkers: 'block' });
  context.setDefaultTimeout(10000); // a step that cannot happen fails instead of waiting forever
  await context.route((url) => !url.href.startsWith('http://127.0.0.1:'), (route) => route.abort());
  const page = wrap(await context.newPage());
  await page.addInitScript(fakeBridge);
  await page.goto(base);
  await page.waitForFunction(() => window.__sent.some((m) => m.cmd === 'ready'));
  if (opts.settings) await page.deliver('settings', opts.settings);
  if (opts.servers) await page.deliver('servers', opts.servers);
  if (opts.settle) await page.waitForTimeout(450).then(page.clearSent);
  return page;
}

// Adds the bridge helpers and the readers the tests use to a page.
function wrap(page) {
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') page.errors.push(m.text()); });
  page.deliver = (cmd, data) => page.evaluate(([c, d]) => window.__deliver({ cmd: c, data: d }), [cmd, data]);
  page.deliverRaw = (msg) => page.evaluate((m) => window.__deliver(m), msg);
  // Probe results as the native side batches them; the page applies a batch
  // in its next frame, so this returns after that frame.
  page.pings = async (...results) => {
    await page.deliver('pings', { results });
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
  };
  page.sent = (cmd) => page.evaluate((c) => window.__sent.filter((m) => !c || m.cmd === c), cmd || null);
  page.clearSent = () => page.evaluate(() => { window.__sent.length = 0; });
  // Commands other than those the page sends on its own timers: the start-up's
  // and the content-area reports, and the later question for the environment.
  page.actions = () => page.evaluate(() => window.__sent.filter((m) => !['contentRect', 'ready', 'getEnv'].includes(m.cmd)));
  page.sentBy = async (step) => { await page.clearSent(); await step(); return page.actions(); };
  // The last content-area report after the given wait (null when none was sent).
  page.lastRect = async (ms) => {
    await page.waitForTimeout(ms);
    return page.evaluate(() => { const r = window.__sent.filter((m) => m.cmd === 'contentRect').pop(); return r ? r.data : null; });
  };
  page.texts = (...sels) => Promise.all(sels.map((s) => page.textContent(s)));
  page.values = (...sels) => Promise.all(sels.map((s) => page.inputValue(s)));
  page.classOf = (sel) => page.getAttribute(sel, 'class');
  page.menu = async (sel, entry) => { await page.click(sel, { button: 'right' }); await page.click('#ctxMenu >> text=' + entry); };
  page.openMasks = () => page.$$eval('.mask:not([hidden])', (m) => m.length);
  return page;
}

// A loopback server and a browser, shared by the tests of a file and by the
// page benchmark: `newPage` opens a page (newPage's options), `stop` ends both.
async function startEnv() {
  const server = await startServer();
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
  const base = 'http://127.0.0.1:' + server.address().port + '/index.html';
  return {
    newPage: (opts = {}) => newPage(browser, base, opts),
    async stop() {
      await browser.close();
      await new Promise((r) => server.close(r));
    },
  };
}

// Declares the tests of a file: one environment for the file; each test gets
// `open` (newPage's options), and every page it opened must end free of
// script errors and is closed afterwards.
function browserTests() {
  let env;
  before(async () => { env = await startEnv(); });
  after(() => env.stop());
  return (name, fn) => test(name, async () => {
    const pages = [];
    try {
      await fn(async (opts) => { const p = await env.newPage(opts); pages.push(p); return p; });
      for (const p of pages) assert.deepEqual(p.errors, [], 'script errors on the page');
    } finally {
      for (const p of pages) await p.context().close();
    }
  });
}

module.exports = { startEnv, browserTests };
