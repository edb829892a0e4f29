// Sessions that follow the network: a tab whose server went away waits and
// reconnects by itself once the server's port answers again; the user can
// cancel it; an address typed into the search box connects without being
// saved. (A session the server ended on purpose is never waited for:
// Reconnects.OnlyNetworkDropsOfConnectedSessionsWaitWhileSwitchedOn.)
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const { scenario, until, server, item, answeringPeer } = require('../program');

const tab = (remark) => `#tabs .tab:has-text("${remark}")`;

// Every status each tab's tooltip went through, in order, from now on.
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
const states = (page) => page.evaluate(() => window.__tabStates);
const latency = (page, remark) => page.$eval(item(remark), (li) => li.querySelector('.lat').textContent);
const sinceLast = (list, entry) => list.slice(list.lastIndexOf(entry));
const count = async (page, entry) => (await states(page)).filter((s) => s === entry).length;

// Protects: a session lost with its server comes back by itself, but only
// once the port answers; cancelled, it stays ended until the user asks.
scenario('a session whose server goes away waits, reconnects once its port answers again, and stops waiting when cancelled', async (open) => {
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
    await until('connected', async () => (await states(page)).includes('一号 已连接'));
    await page.dblclick(item('二号'));
    await until('the second connected', async () => (await states(page)).includes('二号 已连接'));
    await page.click(tab('一号'));

    await peer.close();
    await until('both waiting', async () => (await page.locator('#tabs .tab.waiting').count()) === 2);
    assert.match(await page.textContent(`${tab('一号')} .twait`), /等待服务器恢复…/);
    assert.match(await page.textContent('#sessionPanel'), /等待服务器恢复…[\s\S]*套接字已被关闭/);
    // The waiting tab's own probe finds the port closed: no attempt before it answers.
    await until('probed while down', async () => (await latency(page, '一号')) === '端口被拒', 10000);
    const whileDown = sinceLast(await states(page), '一号 已连接').slice(1).filter((s) => s.startsWith('一号 '));
    assert.ok(whileDown.every((s) => s === '一号 已断开' || s.startsWith('一号 等待服务器恢复…')), whileDown.join(' | '));

    peer = await answeringPeer(port);
    await until('reconnected', async () => sinceLast(await states(page), '一号 等待服务器恢复…').includes('一号 已连接'), 15000);
    await until('the second too', async () => sinceLast(await states(page), '二号 等待服务器恢复…').includes('二号 已连接'), 15000);
    assert.deepEqual(await page.$$eval('#tabs .tab .tname', (t) => t.map((e) => e.textContent)), ['一号', '二号'], 'same tabs, same order');
    assert.equal(await page.getAttribute(tab('一号'), 'class'), 'tab active', 'the tab in front stays in front');
    assert.ok(await page.isHidden('#sessionPanel'));

    // Cancelled: the tab shows why it ended and waits for the user.
    await peer.close();
    await until('waiting again', async () => (await page.locator(`${tab('一号')}.waiting`).count()) === 1);
    await page.click(`${tab('一号')} .tcancel`);
    await until('no longer waiting', async () => (await page.locator(`${tab('一号')}.waiting`).count()) === 0);
    peer = await answeringPeer(port);
    await page.click('#btnPingAll');
    await until('the port answers', async () => /^\d+ ms$/.test(await latency(page, '一号')), 10000);
    await until('the other tab reconnected', async () => (await count(page, '二号 已连接')) === 3, 15000);
    assert.equal(await count(page, '一号 已连接'), 2, 'the cancelled tab did not reconnect');
    assert.match(await page.textContent('#sessionPanel'), /连接已断开：套接字已被关闭/);
    await page.click('#sessionPanel >> text=重新连接');
    await until('reconnected by the button', async () => (await count(page, '一号 已连接')) === 3);
  } finally {
    await peer.close();
  }
});

// Protects: connecting to a typed address keeps config.json as it was; only
// saving the tab's server writes it.
scenario('an address typed into the search box opens a tab and is written to config.json only when saved', async (open) => {
  const peer = await answeringPeer();
  try {
    const program = open();
    program.writeConfig({ servers: [server('0000000000000001', peer.port, '已有')], ping: { intervalSec: 0 } });
    const page = await program.start();
    const before = fs.readFileSync(program.configPath, 'utf8');
    await watchTabs(page);
    const address = `admin@127.0.0.1:${peer.port}`;
    await page.fill('#search', address);
    await until('offered', async () => (await page.textContent('#quickOffer')) === `连接 ${address}`);
    await page.press('#search', 'Enter');
    await until('connected', async () => (await states(page)).includes('127.0.0.1 已连接'));
    assert.equal(await page.textContent('#tabs .tab.temp .tmark'), '未保存');
    assert.equal(fs.readFileSync(program.configPath, 'utf8'), before, 'nothing written');

    await page.click('#tabs .tab.temp', { button: 'right' });
    await page.click('#ctxMenu >> text=保存为服务器');
    await until('saved', () => program.config().servers.length === 2);
    const saved = program.config().servers[1];
    assert.deepEqual([saved.host, saved.port, saved.user], ['127.0.0.1', peer.port, 'admin']);
    await until('the tab is an ordinary one', async () => (await page.locator('#tabs .tab.temp').count()) === 0);
    assert.equal(await page.locator('#serverList li.srv').count(), 2);
  } finally {
    await peer.close();
  }
});
