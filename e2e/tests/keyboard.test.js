// The page by keyboard alone (the focus kept inside an open dialog, the server
// list and its menu) and reordering the list by keys and by drag and drop.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { server, item, listed, realisticList } = require('../fixtures');

const test = browserTests();

const focusedId = (page) => page.evaluate(() => {
  const a = document.activeElement;
  return a.dataset.id || a.id || a.textContent;
});

test('Tab and Shift+Tab go round the controls of the top dialog only; closing gives the focus back', async (open) => {
  const page = await open(listed());
  const byKeys = (sel) => async () => { await page.focus(sel); await page.keyboard.press('Enter'); };
  const rows = [ // how it opens, the box the focus must stay in, where the focus is after Escape
    [byKeys('#btnAdd'), '#serverModal .dialog', 'btnAdd'],
    [byKeys('#btnSettings'), '#settingsPanel .drawer', 'btnSettings'],
    [async () => { await page.menu(item('a1'), '编辑 / 备注'); await byKeys('#btnDeleteServer')(); }, '#confirmModal .dialog', 'btnDeleteServer'],
  ];
  for (const [show, box, back] of rows) {
    await show();
    await page.waitForTimeout(50);
    for (const key of [...Array(22).fill('Tab'), ...Array(22).fill('Shift+Tab')]) {
      await page.keyboard.press(key);
      assert.equal(await page.$eval(box, (b) => b.contains(document.activeElement)), true, `${box} after ${key}`);
    }
    await page.keyboard.press('Escape');
    assert.equal(await focusedId(page), back, box);
  }
  await page.keyboard.press('Escape');

  // The editor's late first focus must not pull the focus out from under a
  // confirmation opened on top of it before that focus came.
  const focusAfter = await page.evaluate(async (sel) => {
    document.querySelector(sel + ' .edit').click();
    document.getElementById('btnDeleteServer').click();
    document.getElementById('confirmNo').focus();
    await new Promise((r) => setTimeout(r, 120));
    return document.activeElement.id;
  }, item('a1'));
  assert.equal(focusAfter, 'confirmNo');
});

test('the list by keyboard: Tab reaches it, arrows and Home/End select, Enter connects, the menu key opens a menu walked with arrows; reorder: Alt+Up/Down passes the neighbour in its group, a drop on the upper or lower half of another of its group goes before or after it; other moves send nothing', async (open) => {
  const page = await open(listed());
  await page.focus('#btnPingAll');
  await page.keyboard.press('Tab');
  assert.equal(await focusedId(page), 'a1');
  for (const [key, id] of [['ArrowDown', 'a2'], ['ArrowDown', 'a3'], ['ArrowDown', 'b1'], ['ArrowUp', 'a3'], ['End', 'c3'],
    ['ArrowDown', 'c3'], ['Home', 'a1'], ['ArrowUp', 'a1'], ['ArrowDown', 'a2']]) {
    await page.keyboard.press(key);
    assert.deepEqual([await focusedId(page), await page.$eval('#serverList .sel', (li) => li.dataset.id)], [id, id], key);
  }
  assert.deepEqual(await page.sentBy(() => page.keyboard.press('Enter')), [{ cmd: 'connect', data: { id: 'a2' } }]);
  const walk = []; // the focused entry after each key in the menu
  for (const key of ['ContextMenu', 'ArrowDown', 'ArrowUp', 'ArrowUp', 'ArrowUp', 'ArrowUp']) {
    await page.keyboard.press(key);
    walk.push(await focusedId(page));
  }
  assert.deepEqual(walk, ['连接（新标签）', '断开连接', '连接（新标签）', '删除', '导出为 .rdp', '复制地址']);
  await page.keyboard.press('Enter');
  assert.deepEqual([await page.isVisible('#ctxMenu'), await focusedId(page)], [false, 'a2']);
  assert.equal(await page.textContent('#toasts .toast.ok'), '已复制 app-02.corp.example');

  // In a long list End reaches an item that was not drawn yet.
  await page.deliver('servers', Array.from({ length: 600 }, (_, i) => server('m' + i)));
  await page.focus(item('m0'));
  await page.keyboard.press('End');
  assert.equal(await focusedId(page), 'm599');
  // Reordering, in the realistic list again.
  await page.deliver('servers', realisticList());
  const reorder = (id, before) => (before === null ? [] : [{ cmd: 'reorder', data: { id, before } }]);
  const keys = [ // item, key, "before" sent (null: nothing, at the end of its group)
    ['a2', 'Alt+ArrowUp', 'a1'], ['a1', 'Alt+ArrowDown', 'a3'], ['b1', 'Alt+ArrowDown', 'c1'],
    ['a1', 'Alt+ArrowUp', null], ['a3', 'Alt+ArrowDown', null],
  ];
  for (const [id, key, before] of keys) {
    await page.focus(item(id));
    assert.deepEqual(await page.sentBy(() => page.keyboard.press(key)), reorder(id, before), `${id} ${key}`);
  }
  const drops = [ // dragged, target, half, "before" sent (null: nothing)
    ['a3', 'a1', 'upper', 'a1'], ['a1', 'a2', 'lower', 'a3'], ['a1', 'a3', 'lower', 'b1'], ['c1', 'c3', 'lower', ''],
    ['a1', 'a2', 'upper', null], // where it already is
    ['a2', 'a2', 'lower', null], ['a1', 'b1', 'upper', null], // onto itself, into another group
  ];
  for (const [id, target, half, before] of drops) {
    const drop = () => page.dragAndDrop(item(id, '.name'), item(target), { targetPosition: { x: 100, y: half === 'upper' ? 10 : 40 } });
    assert.deepEqual(await page.sentBy(drop), reorder(id, before), `${id} onto ${target}`);
  }
  assert.equal(await page.$$eval('.drop-before, .drop-after', (marks) => marks.length), 0); // the drop marker went with the drag
  // A moved item keeps the focus through the new list.
  const [a1, a2, ...rest] = realisticList();
  await page.focus(item('a2'));
  await page.deliver('servers', [a2, a1, ...rest]);
  assert.equal(await focusedId(page), 'a2');
});
