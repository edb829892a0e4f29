// Sessions that follow the network: a tab whose server went away waits and
// reconnects by itself once the server's port answers again. (A session the
// server ended on purpose is never waited for:
// Reconnects.OnlyNetworkDropsOfConnectedSessionsWaitWhileSwitchedOn; a
// cancelled wait ends for good: Reconnects.CancelCloseAndTheSettingEndTheWait,
// and the page's cancel buttons and panel: "waiting and disconnected tabs"; a
// typed address connects unsaved: Reconnects.AQuickConnectionOpensATabAndIsSavedOnlyWhenAsked,
// TabRegistryTest's temporary tab and the page's "an address typed into the
// search box".)
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, server, item, tab, watchTabs, tabStates, answeringPeer } = require('../program');

const latency = (page, remark) => page.$eval(item(remark), (li) => li.querySelector('.lat').textContent);
const sinceLast = (list, entry) => list.slice(list.lastIndexOf(entry));

// Protects: a session lost with its server comes back by itself, but only
// once the port answers.
scenario('a session whose server goes away waits, and reconnects once its port answers again', async (open) => {
  let peer = await answeringPeer();
  const port = peer.port;
  try {
    const program = open();
    // No periodic sweep: whatever probes the server is the waiting tab's own.
    program.writeConfig({ servers: [server('0000000000000001', port, '一号'), server('0000000000000002', port, '二号')],
      ping: { intervalSec: 0, timeoutMs: 800 } });
    const page = await program.start();
    await watchTabs(page);
    await page.dblclick(item('一号'));
    await until('connected', async () => (await tabStates(page)).includes('一号 已连接'));
    await page.dblclick(item('二号'));
    await until('the second connected', async () => (await tabStates(page)).includes('二号 已连接'));
    await page.click(tab('一号'));

    await peer.close();
    // What a waiting tab and its panel say is the page's "waiting and disconnected tabs".
    await until('both waiting', async () => (await page.locator('#tabs .tab.waiting').count()) === 2);
    // The waiting tab's own probe finds the port closed: no attempt before it answers.
    await until('probed while down', async () => (await latency(page, '一号')) === '端口被拒', 10000);
    const whileDown = sinceLast(await tabStates(page), '一号 已连接').slice(1).filter((s) => s.startsWith('一号 '));
    assert.ok(whileDown.every((s) => s === '一号 已断开' || s.startsWith('一号 等待服务器恢复…')), whileDown.join(' | '));

    peer = await answeringPeer(port);
    await until('reconnected', async () => sinceLast(await tabStates(page), '一号 等待服务器恢复…').includes('一号 已连接'), 15000);
    await until('the second too', async () => sinceLast(await tabStates(page), '二号 等待服务器恢复…').includes('二号 已连接'), 15000);
    assert.deepEqual(await page.$$eval('#tabs .tab .tname', (t) => t.map((e) => e.textContent)), ['一号', '二号'], 'same tabs, same order');
    assert.equal(await page.getAttribute(tab('一号'), 'class'), 'tab active', 'the tab in front stays in front');
    assert.ok(await page.isHidden('#sessionPanel'));
  } finally {
    await peer.close();
  }
});
