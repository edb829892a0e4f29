// Page benchmark: how long the page takes to apply a "servers" document of
// 5,000 servers (list and tabs drawn, layout forced), and the mean time to
// apply one "ping" to that list. Prints the figures; asserts nothing.
'use strict';

const { startEnv } = require('../../e2e/harness');

const SERVERS = 5000;
const TABS = 20;
const RUNS = 5;
const PINGS = 2000;

// Runs inside the page: builds the document there so that only applying it is timed.
function measureServers([count, tabs]) {
  const groups = ['生产环境', '测试', '海外节点', '', '数据库', '办公网'];
  const list = [];
  for (let i = 0; i < count; i++) {
    list.push({
      id: 'id' + i, host: '10.' + (i >> 16 & 255) + '.' + (i >> 8 & 255) + '.' + (i & 255), port: i % 7 ? 3389 : 13389,
      user: 'Administrator', domain: '', remark: '服务器备注 ' + i, group: groups[i % groups.length], colorDepth: 32,
      width: 0, height: 0, smartSizing: true, fullscreenOnConnect: false, autoConnect: false, pingPort: 0,
      hasPassword: i % 2 === 0, netState: i % 6, rtt: (i * 7) % 400, resolvedIp: '', netDetail: i % 6 > 1 ? '连接超时' : '',
    });
  }
  for (let i = 0; i < tabs; i++) window.__deliver({ cmd: 'tabOpened', data: { id: 'id' + i * 250 } });
  const t0 = performance.now();
  window.__deliver({ cmd: 'servers', data: list });
  void document.body.offsetHeight;
  return performance.now() - t0;
}

function measurePings([count, pings]) {
  const t0 = performance.now();
  for (let i = 0; i < pings; i++) {
    const id = 'id' + ((i * 7919) % count);
    window.__deliver({ cmd: 'ping', data: { id, state: 1 + (i % 5), rtt: i % 300, ip: '10.1.2.3', detail: '' } });
    void document.body.offsetHeight;
  }
  return (performance.now() - t0) / pings;
}

async function main() {
  const env = await startEnv();
  try {
    const page = await env.newPage();
    const times = [];
    for (let r = 0; r < RUNS; r++) times.push(await page.evaluate(measureServers, [SERVERS, TABS]));
    const shown = await page.$$eval('#serverList li.srv', (l) => l.length);
    const tabs = await page.$$eval('#tabs .tab', (l) => l.length);
    const perPing = await page.evaluate(measurePings, [SERVERS, PINGS]);
    const sorted = times.slice().sort((a, b) => a - b);
    console.log(`servers document, ${SERVERS} servers (${shown} items, ${tabs} tabs drawn):`);
    console.log(`  first ${times[0].toFixed(1)} ms, median ${sorted[RUNS >> 1].toFixed(1)} ms, best ${sorted[0].toFixed(1)} ms over ${RUNS} runs (target < 100 ms)`);
    console.log(`ping event: mean ${perPing.toFixed(4)} ms over ${PINGS} pings (target < 0.5 ms)`);
  } finally {
    await env.stop();
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
