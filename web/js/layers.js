// What floats above the page against the remote desktop laid over the content
// area. The native window covers whatever the page draws there, so a toast or
// the menu lying over the content area hides the remote desktop for as long
// as it shows; and where a toast would cover an open dialog, the dialog wins.

function overlaps(a, b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The toasts and the context menu shown now.
function floatingPieces() {
  const pieces = [...$('toasts').children];
  if (!$('ctxMenu').hidden) pieces.push($('ctxMenu'));
  return pieces;
}

function contentCovered(rect) {
  return floatingPieces().some((e) => overlaps(e.getBoundingClientRect(), rect));
}

// Toasts stay above the dialogs' masks, readable, unless one of them would
// cover an open dialog box; then they all go under the masks.
function layerToasts() {
  const boxes = [
    ...document.querySelectorAll('.mask:not([hidden]) > .dialog, .mask:not([hidden]) > .drawer'),
  ].map((b) => b.getBoundingClientRect());
  const toasts = [...$('toasts').children].map((t) => t.getBoundingClientRect());
  $('toasts').classList.toggle(
    'under',
    toasts.some((t) => boxes.some((b) => overlaps(t, b))),
  );
}

// Called whenever a toast, the menu or a dialog comes or goes, and on resize.
function floatingChanged() {
  layerToasts();
  reportContentRect();
}
