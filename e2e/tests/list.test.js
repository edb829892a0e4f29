// The server list: latency classes and texts, search, groups, pings, summary,
// tooltips, and texts that must never be taken as markup.
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const { startEnv } = require('../harness');
const { server, realisticList } = require('../fixtures');

let env;
before(async () => { env = await startEnv(); });
after(async () => { await env.stop(); });

const items = (page) => page.$$eval('#serverList li.srv', (lis) => lis.map((li) => ({
  id: li.dataset.id,
  name: li.querySelector('.name').textContent,
  sub: li.querySelector('.sub').textContent,
  lat: li.querySelector('.lat').textContent,
  latClass: li.querySelector('.lat').className,
  dotClass: li.querySelector('.dot').className,
  title: li.title,
  cls: li.className,
})));

test('latency classes and texts at their boundaries', async () => {
  const page = await env.newPage();
  const cases = [
    [{ netState: 1, rtt: 49.6 }, '50 ms', 'st-ok'],
    [{ netState: 1, rtt: 49.4 }, '49 ms', 'st-ok'],
    [{ netState: 1, rtt: 50 }, '50 ms', 'st-mid'],
    [{ netState: 1, rtt: 119.9 }, '120 ms', 'st-mid'],
    [{ netState: 1, rtt: 120 }, '120 ms', 'st-warn'],
    [{ netState: 1, rtt: 249 }, '249 ms', 'st-warn'],
    [{ netState: 1, rtt: 250 }, '250 ms', 'st-bad'],
    [{ netState: 1, rtt: -1 }, '可达', 'st-unknown'],
    [{ netState: 2 }, '端口被拒', 'st-port'],
    [{ netState: 3 }, '超时', 'st-bad'],
    [{ netState: 4 }, '解析失败', 'st-bad'],
    [{ netState: 5 }, '不可达', 'st-bad'],
    [{ netState: 0 }, '未探测', 'st-unknown'],
    [{ netState: 9 }, '未探测', 'st-unknown'],
  ];
  await page.deliver('servers', cases.map(([f], i) => server('s' + i, Object.assign({ host: 'h' + i }, f))));
  const got = await items(page);
  cases.forEach(([f, text, cls], i) => {
    assert.equal(got[i].lat, text, JSON.stringify(f));
    assert.equal(got[i].latClass, 'lat ' + cls, JSON.stringify(f));
    assert.equal(got[i].dotClass, 'dot ' + cls, JSON.stringify(f));
  });
  // 8 reachable (the one at 250 counts as slow, the unmeasured one as normal),
  // 5 abnormal (an unknown state 9 included), 1 never probed.
  assert.equal(await page.textContent('#netSummary'), '14 台 · 7 正常 · 1 慢 · 5 异常 · 1 未知');
  assert.equal(await page.textContent('#listCount'), '14 台服务器');
  await page.context().close();
});

test('summary leaves out the counts that are zero, and an empty list shows the empty hint', async () => {
  const page = await env.newPage();
  assert.equal(await page.textContent('#netSummary'), '正在检测…');
  await page.deliver('servers', [server('a', { netState: 1, rtt: 10 })]);
  assert.equal(await page.textContent('#netSummary'), '1 台 · 1 正常');
  assert.equal(await page.isVisible('#emptyTip'), false);
  await page.deliver('servers', null);
  assert.equal(await page.isVisible('#emptyTip'), true);
  assert.equal(await page.textContent('#emptyTip > :first-child'), '还没有服务器');
  assert.equal(await page.textContent('#listCount'), '0 台服务器');
  await page.context().close();
});

test('search matches host, remark, group and user case-insensitively and shows the match count', async () => {
  const page = await env.newPage();
  await page.deliver('servers', [
    server('h', { host: '10.0.3.4' }),
    server('r', { host: 'a.example', remark: 'Backup 10.0 box' }),
    server('g', { host: 'b.example', group: 'Net-10.0' }),
    server('u', { host: 'c.example', user: 'ADMIN10.0' }),
    server('n', { host: '10.1.0.1', remark: 'other' }),
  ]);
  await page.fill('#search', '  10.0 ');
  // Grouped: the ungrouped matches first, then the group "Net-10.0".
  assert.deepEqual((await items(page)).map((i) => i.id), ['h', 'r', 'u', 'g']);
  assert.equal(await page.textContent('#listCount'), '5 台服务器（匹配 4）');
  await page.fill('#search', 'backup');
  assert.deepEqual((await items(page)).map((i) => i.id), ['r']);
  await page.fill('#search', 'zzz');
  assert.equal((await items(page)).length, 0);
  assert.equal(await page.textContent('#emptyTip > :first-child'), '没有匹配的服务器');
  assert.equal(await page.textContent('#listCount'), '5 台服务器（匹配 0）');
  await page.fill('#search', '');
  assert.equal(await page.textContent('#listCount'), '5 台服务器');
  assert.equal((await items(page)).length, 5);
  await page.context().close();
});

test('group headings: none for one empty group, in order of first appearance otherwise', async () => {
  const page = await env.newPage();
  const heads = () => page.$$eval('#serverList .group-head', (hs) => hs.map((h) => h.textContent));
  await page.deliver('servers', [server('a'), server('b')]);
  assert.deepEqual(await heads(), []);
  await page.deliver('servers', [server('a', { group: '生产' })]);
  assert.deepEqual(await heads(), ['生产']);
  await page.deliver('servers', [server('a', { group: 'B' }), server('b'), server('c', { group: 'A' }), server('d', { group: 'B' })]);
  assert.deepEqual(await heads(), ['B', '未分组', 'A']);
  const order = await page.$$eval('#serverList > li:not(.spacer)', (lis) => lis.map((li) => li.dataset.id || li.textContent));
  assert.deepEqual(order, ['B', 'a', 'd', '未分组', 'b', 'A', 'c']);
  await page.context().close();
});

test('item texts and tooltip', async () => {
  const page = await env.newPage();
  await page.deliver('servers', [
    server('a', { host: 'srv.example', port: 3390, remark: '主库', group: '生产', netState: 1, rtt: 23.4, resolvedIp: '10.1.1.1' }),
    server('b', { host: '10.1.1.2', port: 3389, netState: 3, netDetail: '连接超时', resolvedIp: '10.1.1.2' }),
    server('c', { host: '10.1.1.3' }),
  ]);
  const [a, b, c] = await items(page);
  assert.equal(a.name, 'srv.example:3390');
  assert.equal(a.sub, '生产主库');
  assert.equal(a.title, 'srv.example:3390\n解析到 10.1.1.1\nRDP 端口可达，延迟约 23 ms\n备注：主库\n双击发起连接');
  assert.equal(b.name, '10.1.1.2');
  assert.equal(b.sub, '（无备注，点右侧铅笔可填写）');
  assert.equal(b.title, '10.1.1.2\n连接超时\n双击发起连接');
  assert.equal(c.title, '10.1.1.3\n尚未探测\n双击发起连接');
  assert.equal(await page.getAttribute('#serverList li.srv .edit', 'title'), '编辑 / 备注');
  await page.context().close();
});

test('a ping updates only its own item, the summary and the tab dot; unknown ids change nothing', async () => {
  const page = await env.newPage();
  await page.deliver('servers', realisticList());
  await page.deliver('tabOpened', { id: 'c3', host: '10.0.9.7', port: 3389, remark: '新装机器' });
  const before = await page.evaluate(() => [document.getElementById('serverList').innerHTML, document.getElementById('netSummary').textContent, document.getElementById('tabs').innerHTML]);
  await page.deliver('ping', { id: 'zz-not-listed', state: 1, rtt: 5, ip: '1.2.3.4', detail: '' });
  const same = await page.evaluate(() => [document.getElementById('serverList').innerHTML, document.getElementById('netSummary').textContent, document.getElementById('tabs').innerHTML]);
  assert.deepEqual(same, before);

  // Mark the other items so a full redraw would be noticed.
  await page.evaluate(() => { for (const li of document.querySelectorAll('#serverList li.srv')) li.__mark = 1; });
  await page.deliver('ping', { id: 'c3', state: 1, rtt: 130, ip: '10.0.9.70', detail: '' });
  const c3 = (await items(page)).find((i) => i.id === 'c3');
  assert.equal(c3.lat, '130 ms');
  assert.equal(c3.latClass, 'lat st-warn');
  assert.match(c3.title, /解析到 10\.0\.9\.70/);
  assert.equal(await page.getAttribute('#tabs .tab[data-id="c3"] .dot', 'class'), 'dot st-warn');
  assert.equal(await page.evaluate(() => [...document.querySelectorAll('#serverList li.srv')].every((li) => li.__mark === 1)), true);
  assert.equal(await page.textContent('#netSummary'), '8 台 · 4 正常 · 1 慢 · 3 异常');
  await page.context().close();
});

test('hostile texts render as text and run nothing', async () => {
  const page = await env.newPage();
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
  assert.equal(e1.name, '<b>h</b>"\'&');
  assert.equal(e1.sub, '<script>window.__pwned=2</script>' + evil);
  assert.equal(e2.name, long);
  assert.equal(await page.textContent('#tabs .tab .tname'), evil);
  const toasts = await page.$$eval('#toasts .toast', (ts) => ts.map((t) => t.textContent));
  assert.deepEqual(toasts, ['<b>h</b>"\'&：<img src=y onerror="window.__pwned=3">', '<svg onload="window.__pwned=4">']);
  // A very long host must not push the sidebar wider than it is.
  assert.equal(await page.$eval('#sidebar', (s) => s.getBoundingClientRect().width), 336);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('the bridge posts JSON text, takes parsed objects and strings, and drops the rest', async () => {
  const page = await env.newPage();
  const raw = await page.evaluate(() => window.__rawSent[0]);
  assert.equal(raw, '{"cmd":"ready","data":{}}');
  await page.deliverRaw(JSON.stringify({ cmd: 'servers', data: [server('s1', { host: 'from-string' })] }));
  assert.equal((await items(page))[0].name, 'from-string');
  await page.deliverRaw('{not json');
  await page.deliverRaw({ data: [] });
  await page.deliverRaw({ cmd: 'noSuchEvent', data: 1 });
  await page.deliverRaw({ cmd: 'ping' });
  await page.deliverRaw({ cmd: 'sessionState', data: 'nonsense' });
  assert.equal((await items(page))[0].name, 'from-string');
  await page.evaluate(() => window.__send('pingNow', undefined));
  const raws = await page.evaluate(() => window.__rawSent.filter((t) => t.includes('pingNow')));
  assert.deepEqual(raws, ['{"cmd":"pingNow","data":null}']);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test('long lists: scrolling reaches every item, redraws keep the scroll position, pings reach undrawn items', async () => {
  const page = await env.newPage();
  const many = [];
  for (let i = 0; i < 600; i++) many.push(server('m' + i, { host: 'host-' + i, group: i < 300 ? 'A' : 'B' }));
  await page.deliver('servers', many);
  assert.ok((await items(page)).length < 600);
  await page.deliver('ping', { id: 'm599', state: 1, rtt: 33, ip: '', detail: '' });
  await page.$eval('#serverList', (ul) => { ul.scrollTop = ul.scrollHeight; });
  await page.waitForFunction(() => !!document.querySelector('#serverList li.srv[data-id="m599"]'));
  const last = (await items(page)).pop();
  assert.deepEqual([last.id, last.lat, last.latClass], ['m599', '33 ms', 'lat st-ok']);
  await page.$eval('#serverList', (ul) => { ul.scrollTop = 12000; });
  await page.waitForTimeout(100);
  const visibleId = () => page.evaluate(() => {
    const ul = document.getElementById('serverList');
    const r = ul.getBoundingClientRect();
    const li = document.elementFromPoint(r.left + 60, r.top + 5).closest('li.srv');
    return li ? li.dataset.id : null;
  });
  const before = await visibleId();
  assert.ok(before);
  await page.deliver('servers', many);
  assert.equal(await page.$eval('#serverList', (ul) => ul.scrollTop), 12000);
  assert.equal(await visibleId(), before);
  await page.dblclick(`#serverList li.srv[data-id="${before}"] .name`);
  assert.deepEqual((await page.actions()).filter((m) => m.cmd === 'connect'), [{ cmd: 'connect', data: { id: before } }]);
  await page.context().close();
});
