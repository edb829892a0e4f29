// The server list: latency classes and texts, search, groups, pings, summary,
// tooltips, the bridge, and texts that must never be taken as markup.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { server, realisticList } = require('../fixtures');

const test = browserTests();

const items = (page) => page.$$eval('#serverList li.srv', (lis) => lis.map((li) => {
  const [name, sub, lat, dot] = ['.name', '.sub', '.lat', '.dot'].map((s) => li.querySelector(s));
  return { id: li.dataset.id, name: name.textContent, sub: sub.textContent, lat: lat.textContent,
    latClass: lat.className, dotClass: dot.className, title: li.title };
}));

test('the bridge posts JSON text ("ready" twice at the start, the second followed by a content-area report), takes parsed objects and strings, and drops the rest; one threshold table: latency text, dot, the legend\'s word for the dot and the summary agree at every boundary', async (open) => {
  const page = await open();
  await page.waitForFunction(() => window.__sent.filter((m) => m.cmd === 'ready').length === 2);
  await page.waitForTimeout(100);
  const cmds = (await page.sent()).map((m) => m.cmd);
  assert.ok(cmds.indexOf('contentRect', cmds.lastIndexOf('ready')) > cmds.lastIndexOf('ready'));
  assert.equal(await page.evaluate(() => window.__rawSent[0]), '{"cmd":"ready","data":{}}');
  await page.deliverRaw(JSON.stringify({ cmd: 'servers', data: [server('s1', { host: 'from-string' })] }));
  assert.equal((await items(page))[0].name, 'from-string');
  for (const bad of ['{not json', { data: [] }, { cmd: 'noSuchEvent', data: 1 }, { cmd: 'pings' },
    { cmd: 'pings', data: { results: 's1' } }, { cmd: 'pings', data: { results: [null, 5, 'x', {}] } }, { cmd: 'sessionState', data: 'nonsense' }]) await page.deliverRaw(bad);
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => r())));
  assert.deepEqual([(await items(page))[0].name, (await items(page))[0].lat], ['from-string', '未探测']);
  await page.evaluate(() => window.__send('pingNow', undefined));
  assert.deepEqual(await page.evaluate(() => window.__rawSent.filter((t) => t.includes('pingNow'))), ['{"cmd":"pingNow","data":null}']);
  const cases = [ // netState, rtt, text, class, the legend's word for that dot (none: not in the legend)
    [1, 49.4, '49 ms', 'st-ok', '正常'], [1, 49.6, '50 ms', 'st-ok', '正常'], [1, 50, '50 ms', 'st-mid', '正常'],
    [1, 119.9, '120 ms', 'st-mid', '正常'], [1, 120, '120 ms', 'st-warn', '较慢'], [1, 212, '212 ms', 'st-warn', '较慢'],
    [1, 310, '310 ms', 'st-warn', '较慢'], [1, -1, '可达', 'st-ok', '正常'], [2, -1, '端口被拒', 'st-port', '异常'],
    [3, -1, '超时', 'st-bad', '异常'], [4, -1, '解析失败', 'st-bad', '异常'], [5, -1, '不可达', 'st-bad', '异常'],
    [0, -1, '未探测', 'st-unknown', null], [9, -1, '未探测', 'st-unknown', null],
  ];
  await page.deliver('servers', cases.map(([netState, rtt], i) => server('s' + i, { host: 'h' + i, netState, rtt })));
  const legend = await page.$$eval('#legend > span', (es) => es.map((e) => [e.textContent, [...e.children].map((d) => d.className)]));
  const word = (cls) => (legend.find(([, dots]) => dots.includes('dot ' + cls)) || [null])[0];
  assert.deepEqual((await items(page)).map((x) => [x.lat, x.latClass, x.dotClass, word(x.dotClass.slice(4))]),
    cases.map(([, , text, cls, w]) => [text, 'lat ' + cls, 'dot ' + cls, w]));
  assert.deepEqual(await page.texts('#netSummary', '#listCount'), ['14 台 · 5 正常 · 3 慢 · 4 异常 · 2 未知', '14 台服务器']);
  assert.equal(await page.getAttribute('#netSummary', 'title'), '14 台服务器\n正常 5\n较慢 3\n异常 4\n未知 2');
});

test('search matches host, remark, group and user case-insensitively and shows the match count; items: texts, tooltip and group headings (none for one empty group, else in order of first appearance); a batch of pings updates only its own items, the summary and the tab dot; unknown ids change nothing', async (open) => {
  const page = await open();
  await page.deliver('servers', [server('h', { host: '10.0.3.4' }), server('r', { host: 'a.example', remark: 'Backup 10.0 box' }),
    server('g', { host: 'b.example', group: 'Net-10.0' }), server('u', { host: 'c.example', user: 'ADMIN10.0' }),
    server('n', { host: '10.1.0.1', remark: 'other' })]);
  assert.equal(await page.textContent('#netSummary'), '5 台 · 0 正常 · 5 未知'); // no slow or abnormal count
  const search = async (text) => { await page.fill('#search', text); return (await items(page)).map((i) => i.id); };
  // Grouped: the ungrouped matches first, then the group "Net-10.0".
  assert.deepEqual(await search('  10.0 '), ['h', 'r', 'u', 'g']);
  assert.equal(await page.textContent('#listCount'), '5 台服务器（匹配 4）');
  assert.deepEqual(await search('backup'), ['r']);
  assert.deepEqual(await search('zzz'), []);
  assert.deepEqual(await page.texts('#emptyTip > :first-child', '#listCount'), ['没有匹配的服务器', '5 台服务器（匹配 0）']);
  assert.equal(await page.isVisible('#emptyTip .empty-add'), false); // no hint to add servers while searching
  assert.deepEqual([(await search('   ')).length, await page.textContent('#listCount')], [5, '5 台服务器']);
  assert.deepEqual([(await search('')).length, await page.textContent('#listCount')], [5, '5 台服务器']);
  await page.deliver('servers', [
    server('a', { host: 'srv.example', port: 3390, remark: '主库', group: '生产', netState: 1, rtt: 23.4, resolvedIp: '10.1.1.1' }),
    server('b', { host: '10.1.1.2', port: 3389, netState: 3, netDetail: '连接超时', resolvedIp: '10.1.1.2' }),
    server('c', { host: '10.1.1.3' }),
    server('d', { host: '10.1.1.4', netState: 1, rtt: -1 }),
  ]);
  assert.deepEqual((await items(page)).map((i) => [i.name, i.sub, i.title]), [
    ['srv.example:3390', '生产主库', 'srv.example:3390\n解析到 10.1.1.1\nRDP 端口可达，延迟约 23 ms\n备注：主库\n双击发起连接'],
    ['10.1.1.2', '（无备注，点右侧铅笔可填写）', '10.1.1.2\n连接超时\n双击发起连接'],
    ['10.1.1.3', '（无备注，点右侧铅笔可填写）', '10.1.1.3\n尚未探测\n双击发起连接'],
    ['10.1.1.4', '（无备注，点右侧铅笔可填写）', '10.1.1.4\nRDP 端口可达，未测到延迟\n双击发起连接'],
  ]);
  const rows = async (list) => {
    await page.deliver('servers', list);
    return page.$$eval('#serverList > li:not(.spacer)', (lis) => lis.map((li) => li.dataset.id || '#' + li.textContent));
  };
  assert.deepEqual(await rows([server('a'), server('b')]), ['a', 'b']);
  assert.deepEqual(await rows([server('a', { group: '生产' })]), ['#生产', 'a']);
  assert.deepEqual(await rows([server('a', { group: 'B' }), server('b'), server('c', { group: 'A' }), server('d', { group: 'B' })]),
    ['#B', 'a', 'd', '#未分组', 'b', '#A', 'c']);
  await page.deliver('servers', realisticList());
  await page.deliver('tabOpened', { id: 'c3', host: '10.0.9.7', port: 3389, remark: '新装机器' });
  const drawn = () => page.$$eval('#serverList, #netSummary, #tabs', (es) => es.map((e) => e.innerHTML));
  const before = await drawn();
  await page.pings({ id: 'zz-not-listed', state: 1, rtt: 5, ip: '1.2.3.4', detail: '' });
  assert.deepEqual(await drawn(), before);
  // Mark the other items so a full redraw would be noticed.
  await page.evaluate(() => { for (const li of document.querySelectorAll('#serverList li.srv')) li.__mark = 1; });
  await page.pings({ id: 'c3', state: 1, rtt: 130, ip: '10.0.9.70', detail: '' });
  const c3 = (await items(page)).find((i) => i.id === 'c3');
  assert.deepEqual([c3.lat, c3.latClass], ['130 ms', 'lat st-warn']);
  assert.match(c3.title, /解析到 10\.0\.9\.70/);
  assert.equal(await page.classOf('#tabs .tab[data-id="c3"] .dot'), 'dot st-warn');
  assert.equal(await page.$$eval('#serverList li.srv', (lis) => lis.every((li) => li.__mark === 1)), true);
  assert.equal(await page.textContent('#netSummary'), '8 台 · 2 正常 · 3 慢 · 3 异常');
});

test('hostile texts render as text and run nothing', async (open) => {
  const page = await open();
  const evil = '<img src=x onerror="window.__pwned=1">';
  const rtl = '\u202eمرحبا بالعالم عربي\u202c';
  const long = 'x'.repeat(5000);
  await page.deliver('servers', [
    server('e1', { host: '<b>h</b>"\'&', remark: evil, group: '<script>window.__pwned=2</script>', user: evil }),
    server('e2', { host: long, remark: rtl, group: rtl }),
  ]);
  await page.deliver('tabOpened', { id: 'e1' });
  await page.deliver('sessionState', { id: 'e1', state: 4, code: 2, detail: '<img src=y onerror="window.__pwned=3">', mode: 'activex' });
  await page.deliver('toast', { type: '<i>x</i>', text: '<svg onload="window.__pwned=4">' });
  await page.deliver('confirmClose', { tabs: '<b>1</b>', connected: null });
  await page.waitForTimeout(100);
  assert.equal(await page.evaluate(() => window.__pwned), undefined);
  assert.equal(await page.$$eval('body img, #serverList script, #toasts svg, #serverList b, #tabs b', (x) => x.length), 0);
  const [e1, e2] = await items(page);
  assert.deepEqual([e1.name, e1.sub, e2.name], ['<b>h</b>"\'&', '<script>window.__pwned=2</script>' + evil, long]);
  assert.equal(await page.textContent('#tabs .tab .tname'), evil);
  assert.deepEqual(await page.$$eval('#toasts .toast', (ts) => ts.map((t) => t.textContent)),
    ['<b>h</b>"\'&：<img src=y onerror="window.__pwned=3">', '<svg onload="window.__pwned=4">']);
  // A very long host must not push the sidebar wider than it is.
  assert.equal(await page.$eval('#sidebar', (s) => s.getBoundingClientRect().width), 336);
});

test('user text with bidirectional controls cannot reorder the fixed text around it', async (open) => {
  const page = await open();
  const tricky = 'x\u2069\u202egnp.exe'; // an override behind a stray end of isolation
  await page.deliver('servers', [server('r', { host: tricky, remark: tricky })]);
  await page.deliver('tabOpened', { id: 'r' });
  await page.deliver('sessionState', { id: 'r', state: 4, code: 0, detail: '连接失败了', mode: 'activex' });
  await page.click('#serverList li.srv', { button: 'right' });
  await page.click('#ctxMenu >> text=删除');
  // The last character of the line is still drawn at its end.
  const lastAtEnd = (sel) => page.$eval(sel, (p) => {
    const texts = document.createTreeWalker(p, NodeFilter.SHOW_TEXT);
    let last = null;
    for (let n = texts.nextNode(); n; n = texts.nextNode()) if (n.data) last = n;
    const ch = document.createRange();
    ch.setStart(last, last.data.length - 1);
    ch.setEnd(last, last.data.length);
    const all = document.createRange();
    all.selectNodeContents(p);
    return Math.abs(ch.getBoundingClientRect().right - all.getBoundingClientRect().right) < 1;
  });
  assert.deepEqual([await lastAtEnd('#toasts .toast.error'), await lastAtEnd('#confirmText')], [true, true]);
  const iso = '\u2068x\u202egnp.exe\u2069';
  assert.deepEqual([await page.getAttribute('#tabs .tab', 'title'), (await items(page))[0].title],
    [iso + ' — 连接失败\n连接失败了', iso + '\n尚未探测\n备注：' + iso + '\n双击发起连接']);
});

test('long lists: the summary of 5,000 shown whole; scrolling reaches every item, redraws keep the scroll position, pings reach undrawn items', async (open) => {
  const page = await open();
  await page.deliver('servers', Array.from({ length: 5000 }, (_, i) => server('m' + i, { netState: i % 4, rtt: 300 })));
  assert.equal(await page.textContent('#netSummary'), '5000 台 · 0 正常 · 1250 慢 · 2500 异常 · 1250 未知');
  assert.equal(await page.$eval('#netSummary', (e) => e.scrollWidth <= e.clientWidth && e.scrollHeight <= e.clientHeight), true);
  const many = Array.from({ length: 600 }, (_, i) => server('m' + i, { host: 'host-' + i, group: i < 300 ? 'A' : 'B' }));
  await page.deliver('servers', many);
  assert.ok((await items(page)).length < 600);
  await page.pings({ id: 'm599', state: 1, rtt: 33, ip: '', detail: '' });
  await page.$eval('#serverList', (ul) => { ul.scrollTop = ul.scrollHeight; });
  await page.waitForFunction(() => !!document.querySelector('#serverList li.srv[data-id="m599"]'));
  const last = (await items(page)).pop();
  assert.deepEqual([last.id, last.lat, last.latClass], ['m599', '33 ms', 'lat st-ok']);
  await page.$eval('#serverList', (ul) => { ul.scrollTop = 12000; });
  await page.waitForTimeout(100);
  const topItem = () => page.$eval('#serverList', (ul) => {
    const r = ul.getBoundingClientRect();
    const li = document.elementFromPoint(r.left + 60, r.top + 5).closest('li.srv');
    return li ? li.dataset.id : null;
  });
  const before = await topItem();
  assert.ok(before);
  await page.deliver('servers', many);
  assert.equal(await page.$eval('#serverList', (ul) => ul.scrollTop), 12000);
  assert.equal(await topItem(), before);
});

test('a sweep of 50,000 results, in the native side\'s batches of 1,000, keeps every task under 100 ms; the drawn items and the summary show it, a later result for a server wins', async (open) => {
  const page = await open();
  const count = 50000;
  await page.deliver('servers', Array.from({ length: count }, (_, i) => server('m' + i, { host: 'h' + i })));
  const texts = await page.evaluate((n) => {
    const results = Array.from({ length: n }, (_, i) => ({ id: 'm' + i, state: 1, rtt: i % 100 ? 20 : 200, ip: '', detail: '' }));
    results.push({ id: 'm0', state: 3, rtt: -1, ip: '', detail: '连接超时' });
    const out = [];
    for (let i = 0; i < results.length; i += 1000) out.push(JSON.stringify({ cmd: 'pings', data: { results: results.slice(i, i + 1000) } }));
    return out;
  }, count);
  // Each batch is a message of its own, as from the native side.
  const longest = await page.evaluate((batches) => new Promise((resolve) => {
    const seen = [];
    const observer = new PerformanceObserver((l) => { for (const e of l.getEntries()) seen.push(e.duration); });
    observer.observe({ type: 'longtask' });
    for (const text of batches) setTimeout(() => window.__deliver(text), 0);
    const done = () => document.querySelector('#netSummary').textContent === '50000 台 · 49500 正常 · 499 慢 · 1 异常';
    const until = performance.now() + 20000;
    const check = () => {
      if (!done() && performance.now() < until) { requestAnimationFrame(check); return; }
      if (!done()) seen.push(Infinity); // never shown
      for (const e of observer.takeRecords()) seen.push(e.duration);
      observer.disconnect();
      resolve(Math.max(0, ...seen));
    };
    requestAnimationFrame(check);
  }), texts);
  assert.ok(longest <= 100, 'longest task ' + longest + ' ms');
  const shown = await items(page);
  assert.deepEqual(shown.slice(0, 3).map((i) => [i.id, i.lat]), [['m0', '超时'], ['m1', '20 ms'], ['m2', '20 ms']]);
});
