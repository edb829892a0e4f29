// Remote desktop (.rdp) files, dropped anywhere on the page or chosen in
// the import dialog: read as bytes and sent in one "importRdp".

// The native side's limits, each a copy of its figure there: the reader's
// cap on one file (kRdpFileMaxBytes), the files of one import
// (kMaxRdpFilesPerImport) and one page message (kMaxPageMessageBytes).
const RDP_FILE_MAX_BYTES = 1 << 20;
const RDP_FILES_MAX = 1000;
const PAGE_MESSAGE_MAX_BYTES = 32 * 1024 * 1024;
const NAMES_SHOWN = 3;

function isRdpName(name) {
  return /\.rdp$/i.test(str(name));
}

function shownNames(files) {
  const names = files
    .slice(0, NAMES_SHOWN)
    .map((f) => f.name)
    .join('、');
  return iso(files.length > NAMES_SHOWN ? names + ' 等' : names);
}

// The message as the native side counts it (UTF-8 bytes), at most: Base64
// takes four bytes for three, and a name's character at most six escaped.
function rdpMessageBytes(files) {
  return files.reduce((sum, f) => sum + Math.ceil(f.size / 3) * 4 + str(f.name).length * 6 + 32, 64);
}

// Why these files cannot go in one import (toast parts), or null.
function rdpImportRefusal(files) {
  if (files.length > RDP_FILES_MAX) {
    return [
      '一次最多导入 ' + RDP_FILES_MAX + ' 个 .rdp 文件，这次有 ' + files.length + ' 个，没有导入任何服务器',
    ];
  }
  const big = files.find((f) => f.size > RDP_FILE_MAX_BYTES);
  if (big) return ['文件超过 1 MB，不像远程桌面文件，没有导入任何服务器：', iso(big.name)];
  if (rdpMessageBytes(files) > PAGE_MESSAGE_MAX_BYTES) {
    return ['所选文件合计超过 ' + (PAGE_MESSAGE_MAX_BYTES >> 20) + ' MB，没有导入任何服务器，请分几次导入'];
  }
  return null;
}

function base64Of(buffer) {
  const bytes = new Uint8Array(buffer);
  let binary = '';
  // In pieces: one call with a million arguments overflows the stack.
  for (let i = 0; i < bytes.length; i += 0x8000) {
    binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(binary);
}

// list: File objects. Those not named .rdp are refused by name; the rest go
// in one command, or none of them when they are beyond the limits.
async function importRdpFiles(list) {
  const files = Array.from(list || []);
  const others = files.filter((f) => !isRdpName(f.name));
  const rdp = files.filter((f) => isRdpName(f.name));
  if (others.length) showToast('error', '只能导入 .rdp 文件，没有导入：', shownNames(others));
  if (!rdp.length) return;
  const refusal = rdpImportRefusal(rdp);
  if (refusal) {
    showToast('error', ...refusal);
    return;
  }
  let payload;
  try {
    payload = await Promise.all(
      rdp.map(async (f) => ({ name: f.name, data: base64Of(await f.arrayBuffer()) })),
    );
  } catch (e) {
    showToast('error', '读取文件失败，没有导入任何服务器');
    return;
  }
  send('importRdp', { files: payload });
}

// ---------------------------------------------------------------------------
// Dropping files on the page
// ---------------------------------------------------------------------------

// Entering and leaving each element underneath fire in pairs; the overlay
// goes when the drag has left the page.
let dragDepth = 0;

function dragHasFiles(ev) {
  return !!(ev.dataTransfer && Array.from(ev.dataTransfer.types || []).includes('Files'));
}

// Like a dialog, the overlay hides the remote desktop, which would otherwise
// lie over it and take the drop itself.
function showDropOverlay(on) {
  const o = $('dropOverlay');
  if (o.hidden === !on) return;
  o.hidden = !on;
  state.overlay = Math.max(0, state.overlay + (on ? 1 : -1));
  floatingChanged();
}

function onFileDragEnter(ev) {
  if (!dragHasFiles(ev)) return;
  ev.preventDefault();
  dragDepth++;
  showDropOverlay(true);
}

function onFileDragLeave(ev) {
  if (!dragHasFiles(ev)) return;
  dragDepth = Math.max(0, dragDepth - 1);
  if (dragDepth === 0) showDropOverlay(false);
}

// Files are never left to the view, which would open one in place of the
// page; text dropped into a field still lands there.
function onFileDragOver(ev) {
  if (ev.defaultPrevented || !dragHasFiles(ev)) return;
  ev.preventDefault();
  ev.dataTransfer.dropEffect = 'copy';
  showDropOverlay(true);
}

function onFileDrop(ev) {
  if (ev.defaultPrevented || !dragHasFiles(ev)) return;
  ev.preventDefault();
  dragDepth = 0;
  showDropOverlay(false);
  importRdpFiles(ev.dataTransfer.files);
}

function wireRdpImport() {
  document.addEventListener('dragenter', onFileDragEnter);
  document.addEventListener('dragleave', onFileDragLeave);
  document.addEventListener('dragover', onFileDragOver);
  document.addEventListener('drop', onFileDrop);
  $('btnChooseRdp').addEventListener('click', () => $('rdpFiles').click());
  $('rdpFiles').addEventListener('change', (ev) => {
    const files = Array.from(ev.target.files || []);
    ev.target.value = '';
    if (!files.length) return;
    closeDialog('importModal');
    importRdpFiles(files);
  });
}
