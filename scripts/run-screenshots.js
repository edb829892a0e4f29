// Takes a picture of the running program's page every five seconds, for a
// run without a display: attaches to the stand-in runtime's Chromium
// through its DevTools port.
//   node scripts/run-screenshots.js CHROMIUM_PROFILE OUT_DIR
'use strict';

const fs = require('node:fs');
const path = require('node:path');
const { chromium } = require(path.join(__dirname, '..', 'e2e', 'node_modules', 'playwright-core'));

const [profile, out] = process.argv.slice(2);

async function port() {
  for (let i = 0; i < 100; i++) {
    try {
      return fs.readFileSync(path.join(profile, 'DevToolsActivePort'), 'utf8').split('\n')[0];
    } catch (e) {
      await new Promise((r) => setTimeout(r, 200));
    }
  }
  throw new Error('no DevToolsActivePort in ' + profile);
}

async function main() {
  const browser = await chromium.connectOverCDP('http://127.0.0.1:' + (await port()));
  for (;;) {
    const pages = browser.contexts().flatMap((c) => c.pages());
    if (pages.length) await pages[0].screenshot({ path: path.join(out, 'page.png') }).catch(() => {});
    await new Promise((r) => setTimeout(r, 5000));
  }
}

main().catch(() => process.exit(0));
