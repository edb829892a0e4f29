// What the list says about each server's remote desktop port, probed on loopback.
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, server, answeringPeer, refusedPort, blackHole } = require('../program');

scenario('loopback peers show online with a latency, refused and timeout; a stopped peer turns within a period; the refresh button probes at once', async (open) => {
  const [answer, refused, hole] = [await answeringPeer(), await refusedPort(), await blackHole()];
  try {
    const program = open();
    program.writeConfig({
      servers: [server('0000000000000001', answer.port, 'a'), server('0000000000000002', refused, 'r'), server('0000000000000003', hole.port, 'h')],
      ping: { intervalSec: 2, timeoutMs: 800, threads: 3 },
    });
    const page = await program.start();
    const byRemark = () => page.$$eval('#serverList li.srv', (items) => items.map((li) => li.querySelector('.lat').textContent));
    // Within two periods (and the timeout) every dot has its state.
    const states = await until('three states', async () => {
      const t = await byRemark();
      return /^\d+ ms$/.test(t[0]) && t[1] === '端口被拒' && t[2] === '超时' && t;
    }, 2 * 2000 + 800 + 2000);
    assert.match(states[0], /^\d+ ms$/);

    await answer.close();
    // Within one period, its probe's timeout and a margin for the page.
    await until('the stopped peer refused', async () => (await byRemark())[0] === '端口被拒', 2000 + 800 + 1500);

    // Automatic probing off: only the refresh button can show the peer back.
    await page.click('#btnSettings');
    await page.fill('#s_interval', '0');
    await page.click('#btnSaveSettings');
    await page.keyboard.press('Escape');
    const back = await answeringPeer(answer.port);
    try {
      await new Promise((r) => setTimeout(r, 3000));
      assert.equal((await byRemark())[0], '端口被拒', 'nothing probes by itself');
      await page.click('#btnPingAll');
      await until('the refreshed dot', async () => /^\d+ ms$/.test((await byRemark())[0]), 3000);
    } finally {
      await back.close();
    }
    assert.equal(program.config().ping.intervalSec, 0);
  } finally {
    await hole.close();
  }
});
