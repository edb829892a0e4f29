// The server list by keyboard: Up, Down, Home and End move the selection,
// Enter connects, Alt+Up and Alt+Down move the item within its group; the
// menu key and Shift+F10 open the item's menu (see onListContextMenu).
// Moving the selection does not switch tabs, so that going through the list
// does not swap the remote desktop under the user.

const SELECT_KEYS = { ArrowUp: -1, ArrowDown: 1, Home: -Infinity, End: Infinity };

// The server `step` items away from `id` among those shown (clamped to the ends).
function itemAway(id, step) {
  const ids = rows.filter((r) => r.s).map((r) => r.s.id);
  const i = ids.indexOf(id);
  return ids[Math.max(0, Math.min(ids.length - 1, i + step))];
}

// Draws the item when it lies outside the drawn part of the list, then
// gives it the focus, which scrolls it into view.
function focusItem(id) {
  const ul = $('serverList');
  const i = rows.findIndex((r) => r.s && r.s.id === id);
  if (i < 0) return;
  if (i < drawnRange[0] || i >= drawnRange[1]) {
    ul.scrollTop = rowTops[i];
    drawRows(ul, visibleRange(ul));
  }
  const parts = listItems.get(id);
  if (parts) parts.li.focus();
}

function selectByKey(id) {
  state.selectedId = id;
  refreshItemClasses();
  focusItem(id);
}

function onListKeyDown(ev) {
  const li = itemFromEvent(ev);
  if (!li || ev.ctrlKey || ev.metaKey) return;
  const id = li.dataset.id;
  const step = SELECT_KEYS[ev.key];
  if (ev.altKey) {
    if (ev.key === 'ArrowUp' || ev.key === 'ArrowDown') {
      ev.preventDefault();
      moveByKey(id, step);
    }
    return;
  }
  if (step) {
    ev.preventDefault();
    selectByKey(itemAway(id, step));
  } else if (ev.key === 'Enter') {
    ev.preventDefault();
    connect(id);
  }
}

function wireListKeys(ul) {
  ul.addEventListener('keydown', onListKeyDown);
}
