// Reordering the list by drag and drop: the "reorder" each drop sends.
'use strict';

const assert = require('node:assert/strict');
const { browserTests } = require('../harness');
const { item, listed } = require('../fixtures');

const test = browserTests();

test('an item dropped on the upper or lower half of another of its group goes before or after it; other drops send nothing', async (open) => {
  const page = await open(listed());
  const cases = [ // dragged, target, half, "before" sent (null: nothing)
    ['a3', 'a1', 'upper', 'a1'], ['a1', 'a2', 'lower', 'a3'], ['a1', 'a3', 'lower', 'b1'], ['c1', 'c3', 'lower', ''],
    ['a1', 'a2', 'upper', null], // where it already is
    ['a2', 'a2', 'lower', null], ['a1', 'b1', 'upper', null], // onto itself, into another group
  ];
  for (const [id, target, half, before] of cases) {
    const drop = () => page.dragAndDrop(item(id, '.name'), item(target), { targetPosition: { x: 100, y: half === 'upper' ? 10 : 40 } });
    assert.deepEqual(await page.sentBy(drop), before === null ? [] : [{ cmd: 'reorder', data: { id, before } }], `${id} onto ${target}`);
  }
  assert.equal(await page.$$eval('.drop-before, .drop-after', (marks) => marks.length), 0); // the drop marker went with the drag
});
