// Test harness for the page: headless Chromium kept off the network, the page
// served from a loopback-only HTTP server, and a fake native bridge injected
// before the page's script runs.
'use strict';

const http = require('node:http');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { writePage } = require('../web/build-app');

const ROOT = path.resolve(__dirname, '..');
const SHOTS = path.join(ROOT, 'build', 'e2e-screenshots');

const TYPES = { '.html': 'text/html; charset=utf-8', '.css': 'text/css; charset=utf-8', '.js': 'text/javascript; charset=utf-8' };

// Serves the page folder as the program carries it (app.js joined from its
// parts, into a folder of this run's own) on 127.0.0.1 only.
function startServer() {
  const WEB = fs.mkdtempSync(path.join(os.tmpdir(), 'tavolin-web-'));
  writePage(WEB);
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(WEB, name);
    if (!file.startsWith(WEB + path.sep) || !fs.existsSync(file)) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'content-type': TYPES[path.extname(file)] || 'application/octet-stream', 'cache-control': 'no-store' });
    res.end(fs.readFileSync(file));
  });
  server.on('close', () => fs.rmSync(WEB, { recursive: true, force: true }));
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function launchBrowser() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run'],
  });
}

// Runs in the page before app.js: stands in for WebView2's window.chrome.webview.
function fakeBridge() {
  const listeners = [];
  window.__sent = [];
  window.__rawSent = [];
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage(text) {
      window.__rawSent.push(text);
      window.__sent.push(JSON.parse(text));
    },
    addEventListener(type, fn) { if (type === 'message') listeners.push(fn); },
    removeEventListener() {},
  };
  window.__deliver = (data) => { for (const fn of listeners) fn({ data: data }); };
}

// One started environment: a server and a browser shared by the tests of a file.
async function startEnv() {
  const server = await startServer();
  const browser = await launchBrowser();
  const base = 'http://127.0.0.1:' + server.address().port + '/index.html';
  return {
    browser,
    async newPage(opts = {}) {
      const context = await browser.newContext({ viewport: opts.viewport || { width: 1280, height: 800 }, serviceWorkers: 'block' });
      // Anything that is not our loopback server is refused, so a fault in the
      // page can never reach the network.
      await context.route((url) => !url.href.startsWith('http://127.0.0.1:'), (route) => route.abort());
      const page = await context.newPage();
      const errors = [];
      page.on('pageerror', (e) => errors.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
      await page.addInitScript(fakeBridge);
      await page.goto(base);
      await page.waitForFunction(() => window.__sent.some((m) => m.cmd === 'ready'));
      return wrap(page, errors);
    },
    async stop() {
      await browser.close();
      await new Promise((r) => server.close(r));
    },
  };
}

// Adds the bridge helpers the tests use to a page.
function wrap(page, errors) {
  page.errors = errors;
  page.deliver = (cmd, data) => page.evaluate(([c, d]) => window.__deliver({ cmd: c, data: d }), [cmd, data]);
  page.deliverRaw = (msg) => page.evaluate((m) => window.__deliver(m), msg);
  page.sent = (cmd) => page.evaluate((c) => window.__sent.filter((m) => !c || m.cmd === c), cmd || null);
  page.clearSent = () => page.evaluate(() => { window.__sent.length = 0; });
  // Commands other than the content-area reports, which come on their own timers.
  page.actions = () => page.evaluate(() => window.__sent.filter((m) => m.cmd !== 'contentRect' && m.cmd !== 'ready'));
  page.waitSent = (cmd, pred) => page.waitForFunction(([c, p]) => window.__sent.some((m) => m.cmd === c &&
    (!p || JSON.stringify(m.data) === p)), [cmd, pred ? JSON.stringify(pred) : null]);
  page.shot = async (name) => {
    fs.mkdirSync(SHOTS, { recursive: true });
    await page.screenshot({ path: path.join(SHOTS, name + '.png') });
  };
  return page;
}

module.exports = { startEnv, launchBrowser, startServer, SHOTS };
