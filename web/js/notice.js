// The notice about the environment: said once, plainly, when the RDP control
// is missing (connections then use the system's own client) or the browser
// reported an error. It stays in the sidebar, clear of the remote desktop,
// until the user closes it; a reason once said is never said again.

// The native side reports the control as missing until its detection has
// finished, so the page asks again after a while and believes only what
// comes after that question.
const ENV_RECHECK_MS = 2500;
let envRechecked = false;
const envSaid = new Set();

function addEnvNotice(reason, ...parts) {
  if (envSaid.has(reason)) return;
  envSaid.add(reason);
  const line = el('div');
  line.replaceChildren(...parts);
  $('envNoticeText').appendChild(line);
  $('envNotice').hidden = false;
}

function onEnv(d) {
  if (str(d.webviewError)) addEnvNotice('webview', '内置浏览器报告了错误：', iso(d.webviewError));
  if (envRechecked && d.activex === false) {
    addEnvNotice('activex', '没有找到可用的远程桌面控件，连接时会改用系统自带的远程桌面客户端（mstsc）。');
  }
}

function closeEnvNotice() {
  $('envNotice').hidden = true;
  $('envNoticeText').replaceChildren();
}

function watchEnv() {
  $('btnEnvNoticeClose').addEventListener('click', closeEnvNotice);
  setTimeout(() => {
    envRechecked = true;
    send('getEnv', {});
  }, ENV_RECHECK_MS);
}
