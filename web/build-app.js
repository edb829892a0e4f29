// Builds the page folder the program carries: index.html and style.css as they
// are, and app.js joined from the parts in web/js/ in the order below.
//
//   node web/build-app.js OUT_DIR
//
// The parts share one function scope in the joined script, as one file would,
// so nothing but what the page exposes on purpose reaches the page's globals.
// The result depends only on the sources (no dates, fixed order, LF line
// ends), so an unchanged page keeps the fingerprint of the program's embedded
// resources. A part file that is not listed is refused rather than left out.
'use strict';

const fs = require('node:fs');
const path = require('node:path');

// Top-level constants are initialised in this order; functions may call into
// later parts, because nothing runs before "start" wires the page.
const PARTS = [
  'bridge',
  'list',
  'tabs',
  'recovery',
  'menu',
  'layers',
  'fullscreen',
  'dialogs',
  'rdp_import',
  'server_options',
  'settings',
  'reorder',
  'keyboard',
  'notice',
  'start',
];
const COPIED = ['index.html', 'style.css'];
const PARTS_DIR = path.join(__dirname, 'js');

function checkParts() {
  const found = fs
    .readdirSync(PARTS_DIR)
    .filter((f) => f.endsWith('.js'))
    .map((f) => f.slice(0, -3));
  const unlisted = found.filter((p) => !PARTS.includes(p));
  if (unlisted.length) throw new Error('web/js: part not listed in build-app.js: ' + unlisted.join(', '));
}

function appScript() {
  checkParts();
  const out = [
    '// Tavolin page script, joined by web/build-app.js from web/js/: edit the parts there.',
    "'use strict';",
    '',
    '(function () {',
  ];
  for (const name of PARTS) {
    const text = fs.readFileSync(path.join(PARTS_DIR, name + '.js'), 'utf8').replace(/\r\n/g, '\n');
    out.push('', '// ==== js/' + name + '.js ====', '', text.trimEnd());
  }
  out.push('})();', '');
  return out.join('\n');
}

function writePage(dir) {
  const script = appScript();
  fs.mkdirSync(dir, { recursive: true });
  for (const f of COPIED) fs.copyFileSync(path.join(__dirname, f), path.join(dir, f));
  fs.writeFileSync(path.join(dir, 'app.js'), script);
}

if (require.main === module) {
  if (process.argv.length !== 3) {
    console.error('usage: node web/build-app.js OUT_DIR');
    process.exit(2);
  }
  try {
    writePage(path.resolve(process.argv[2]));
  } catch (e) {
    console.error(e.message);
    process.exit(1);
  }
}

module.exports = { appScript, writePage };
