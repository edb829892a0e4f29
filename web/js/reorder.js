// Reordering the list: an item dragged onto another of its group, or moved
// by Alt+Up and Alt+Down, becomes one "reorder" command. Items move only
// among the items of their own group, because the list is drawn by groups
// and a move across groups would not show where it went.

// The "before" of a move of `id` next to `targetId` (after it when `after`)
// in the whole list `ids`: the record it must precede, '' for the end, or
// null when the move changes nothing.
function reorderBefore(ids, id, targetId, after) {
  const rest = ids.filter((x) => x !== id);
  let at = rest.indexOf(targetId);
  if (at < 0 || ids.indexOf(id) < 0) return null;
  if (after) at++;
  if (ids.indexOf(id) === at) return null;
  return at < rest.length ? rest[at] : '';
}

function sendReorder(id, targetId, after) {
  const before = reorderBefore(
    state.servers.map((s) => s.id),
    id,
    targetId,
    after,
  );
  if (before !== null) send('reorder', { id: id, before: before });
}

function sameGroup(a, b) {
  const x = findServer(a),
    y = findServer(b);
  return !!x && !!y && str(x.group) === str(y.group);
}

// Alt+Up / Alt+Down: past the neighbour of the same group among those shown.
function moveByKey(id, step) {
  const peers = rows.filter((r) => r.s && sameGroup(id, r.s.id)).map((r) => r.s.id);
  const i = peers.indexOf(id);
  if (i < 0 || i + step < 0 || i + step >= peers.length) return;
  sendReorder(id, peers[i + step], step > 0);
}

// ---------------------------------------------------------------------------
// Drag and drop
// ---------------------------------------------------------------------------

// Our own drag type, so that a file or text dragged in from outside is no move.
const DRAG_TYPE = 'application/x-tavolin-server';
let dragId = null;
let dropMark = null;

function onDragStart(ev) {
  const li = itemFromEvent(ev);
  if (!li) return;
  dragId = li.dataset.id;
  ev.dataTransfer.effectAllowed = 'move';
  ev.dataTransfer.setData(DRAG_TYPE, dragId);
}

// The item the pointer is over, when the dragged one may land next to it, and
// whether it lands after it (the item's lower half).
function dropTarget(ev) {
  const li = itemFromEvent(ev);
  if (!li || dragId === null || !ev.dataTransfer.types.includes(DRAG_TYPE)) return null;
  const id = li.dataset.id;
  if (id === dragId || !sameGroup(dragId, id)) return null;
  const r = li.getBoundingClientRect();
  return { li: li, after: ev.clientY >= r.top + r.height / 2 };
}

function markDrop(target) {
  if (dropMark) dropMark.classList.remove('drop-before', 'drop-after');
  dropMark = target ? target.li : null;
  if (target) target.li.classList.add(target.after ? 'drop-after' : 'drop-before');
}

function onDragOver(ev) {
  const t = dropTarget(ev);
  markDrop(t);
  if (!t) return;
  ev.preventDefault();
  ev.dataTransfer.dropEffect = 'move';
}

function onDrop(ev) {
  const t = dropTarget(ev);
  markDrop(null);
  if (!t) return;
  ev.preventDefault();
  sendReorder(dragId, t.li.dataset.id, t.after);
}

function onDragEnd() {
  dragId = null;
  markDrop(null);
}

function wireReorder(ul) {
  ul.addEventListener('dragstart', onDragStart);
  ul.addEventListener('dragover', onDragOver);
  ul.addEventListener('dragleave', (ev) => {
    if (!ul.contains(ev.relatedTarget)) markDrop(null);
  });
  ul.addEventListener('drop', onDrop);
  ul.addEventListener('dragend', onDragEnd);
}
