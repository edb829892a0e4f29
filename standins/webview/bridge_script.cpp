#include "standins/webview/bridge_script.h"

#include <cctype>

// The page side. Page -> host goes through the worker in order; host -> page
// arrives from the worker as "message", "eval", "reload", "navigate", "focus"
// and "crash".
const char kBridgeScript[] = R"JS((() => {
  'use strict';
  if (window.chrome && window.chrome.webview) return;
  // Everything of the loader's sits beside this script, below the server's token.
  const base = new URL('.', document.currentScript.src).pathname;
  const worker = new Worker(base + 'worker.js?page=' + encodeURIComponent(location.pathname + location.search));
  const evalName = '__tavolinWebviewEval';
  let dead = false;  // the render process "ended": nothing reaches the host any more

  class WebView extends EventTarget {
    postMessage(value) {
      if (arguments.length === 0) throw new TypeError("Failed to execute 'postMessage': 1 argument required.");
      if (typeof value === 'string') {
        if (!dead) worker.postMessage({ type: 'message', kind: 'string', text: value });
        return;
      }
      const text = JSON.stringify(value);
      if (text === undefined) throw new TypeError("Failed to execute 'postMessage': the value cannot be serialized to JSON.");
      if (!dead) worker.postMessage({ type: 'message', kind: 'json', text });
    }
  }
  const webview = new WebView();
  window.chrome = window.chrome || {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, enumerable: true });

  // Evaluation, in the shape of the DevTools protocol's Runtime.evaluate.
  let exceptionCount = 0;
  const jobs = new Map();  // script URL -> job
  function remote(v) {
    switch (typeof v) {
      case 'undefined': return { type: 'undefined' };
      case 'boolean': case 'string': return { type: typeof v, value: v };
      case 'number':
        if (Number.isFinite(v) && !Object.is(v, -0)) return { type: 'number', value: v, description: String(v) };
        return { type: 'number', unserializableValue: Object.is(v, -0) ? '-0' : String(v), description: Object.is(v, -0) ? '-0' : String(v) };
      case 'bigint': return { type: 'bigint', unserializableValue: v + 'n', description: v + 'n' };
      case 'symbol': return { type: 'symbol', description: v.toString() };
      case 'function': return { type: 'function', className: 'Function', description: String(v) };
      default:
        if (v === null) return { type: 'object', subtype: 'null', value: null };
        return Array.isArray(v) ? { type: 'object', subtype: 'array', value: JSON.parse(JSON.stringify(v)) }
                                : { type: 'object', value: JSON.parse(JSON.stringify(v)) };
    }
  }
  function thrownObject(e) {
    if (e instanceof Error) {
      return { type: 'object', subtype: 'error', className: (e.constructor && e.constructor.name) || 'Error', description: e.stack || String(e) };
    }
    try { return remote(e); } catch (_) { return { type: 'object', description: String(e) }; }
  }
  function finish(job, make) {
    if (job.done) return;
    job.done = true;
    let body, failed = false;
    try { body = JSON.stringify(make()); } catch (_) {
      failed = true;
      body = JSON.stringify({ code: -32000, message: "Object couldn't be returned by value" });
    }
    worker.postMessage({ type: 'result', id: job.id, failed, body });
  }
  const returned = (job, v) => finish(job, () => ({ result: remote(v) }));
  const thrown = (job, e, text) => finish(job, () => {
    const exception = thrownObject(e);
    return { result: exception, exceptionDetails: { exceptionId: ++exceptionCount, text, lineNumber: 0, columnNumber: 0, exception } };
  });
  Object.defineProperty(window, evalName, { value: (id, body) => {
    const job = [...jobs.values()].find((j) => j.id === id);
    if (!job || job.done) return;
    let value;
    try { value = body.call(window); } catch (e) { thrown(job, e, 'Uncaught'); return; }
    if (job.awaitPromise && value instanceof Promise) {
      value.then((v) => returned(job, v), (e) => thrown(job, e, 'Uncaught (in promise)'));
    } else {
      returned(job, value);
    }
  } });
  function load(job, mode) {
    const script = document.createElement('script');
    script.src = base + 'eval?id=' + job.id + '&mode=' + mode;
    script.async = false;  // evaluations run in the order they were asked for
    job.mode = mode;
    jobs.set(script.src, job);
    const done = () => {
      script.remove();
      jobs.delete(script.src);
      if (job.mode === mode && !job.done) returned(job, undefined);
    };
    script.onload = done;
    script.onerror = () => { job.done = true; script.remove(); jobs.delete(script.src); worker.postMessage({ type: 'result', id: job.id, failed: true, body: '{"code":-32000,"message":"Evaluation was lost"}' }); };
    document.documentElement.appendChild(script);
  }
  // An evaluation's errors are its own result, never the page's.
  window.addEventListener('error', (event) => {
    const job = jobs.get(event.filename);
    if (!job) return;
    event.stopImmediatePropagation();
    event.preventDefault();
    if (job.mode === 'expression' && event.error instanceof SyntaxError) load(job, 'statements');
    else thrown(job, event.error, 'Uncaught');
  }, true);

  // Navigations leave only once the host let them (NavigationStarting), and
  // new windows are the host's to open (NewWindowRequested): the page's own
  // attempts are held here and reported; the loader sends back the one it
  // lets through.
  let approved = null;
  function ask(url, user, newWindow) {
    if (!dead) worker.postMessage({ type: 'navigation', body: JSON.stringify({ url: String(url), user: !!user, window: !!newWindow }) });
  }
  navigation.addEventListener('navigate', (event) => {
    if (event.destination.sameDocument || event.downloadRequest !== null || event.navigationType === 'traverse' || !event.cancelable) return;
    if (event.destination.url === approved) { approved = null; return; }
    event.preventDefault();
    ask(event.destination.url, event.userInitiated, false);
  });
  window.open = function open(url) {
    const target = url === undefined || url === '' ? 'about:blank' : new URL(String(url), location.href).href;
    ask(target, navigator.userActivation.isActive, true);
    return null;
  };
  // Runs act after every listener of the page saw the event (a listener
  // added while the event passes the window on its way down comes last on
  // its way up), unless one of them handled it.
  function whenUnhandled(type, act) {
    let pending = null;
    window.addEventListener(type, (event) => {
      if (pending) window.removeEventListener(type, pending);
      pending = (late) => {
        window.removeEventListener(type, pending);
        pending = null;
        if (late === event && !late.defaultPrevented) act(late);
      };
      window.addEventListener(type, pending);
    }, true);
  }
  const linkOf = (event) => event.composedPath().find((node) => node.localName === 'a' && node.href);
  function opensWindow(link, event) {
    const base = document.querySelector('base[target]');
    const target = (link.target || (base ? base.target : '')).toLowerCase();
    return event.ctrlKey || event.shiftKey || event.metaKey || event.button === 1 ||
      !['', '_self', '_top', '_parent'].includes(target);
  }
  for (const type of ['click', 'auxclick']) {
    whenUnhandled(type, (event) => {
      const link = linkOf(event);
      if (!link || !opensWindow(link, event) || (type === 'auxclick' && event.button !== 1)) return;
      event.preventDefault();
      ask(link.href, event.isTrusted || navigator.userActivation.isActive, true);
    });
  }
  // A file dropped where the page takes no drop: the browser would open it
  // in the page's place. The page sees the file's name only, never its folder.
  const carriesFiles = (event) => event.isTrusted && event.dataTransfer !== null && [...event.dataTransfer.types].includes('Files');
  whenUnhandled('dragover', (event) => { if (carriesFiles(event)) event.preventDefault(); });
  whenUnhandled('drop', (event) => {
    if (!carriesFiles(event) || event.dataTransfer.files.length === 0) return;
    event.preventDefault();
    ask('file:///' + encodeURIComponent(event.dataTransfer.files[0].name), true, false);
  });

  // Keys typed while the webview lacks the keyboard focus go elsewhere on
  // Windows; the page gets the focus from the host (MoveFocus) or from a
  // mouse press into it.
  let focused = false;
  const swallow = (event) => {
    if (focused || !event.isTrusted) return;
    event.stopImmediatePropagation();
    event.preventDefault();
  };
  for (const type of ['keydown', 'keypress', 'keyup', 'beforeinput']) window.addEventListener(type, swallow, true);
  window.addEventListener('mousedown', (event) => {
    if (focused || !event.isTrusted) return;
    focused = true;
    worker.postMessage({ type: 'focus' });
  }, true);

  function crash() {
    dead = true;
    const body = document.createElement('body');
    body.textContent = '此页面存在问题。';
    document.documentElement.replaceChildren(document.createElement('head'), body);
  }

  worker.onmessage = ({ data: { type, data } }) => {
    if (type === 'message') { if (!dead) webview.dispatchEvent(new MessageEvent('message', { data: JSON.parse(data) })); }
    else if (type === 'eval') { const job = JSON.parse(data); job.done = false; load(job, 'expression'); }
    else if (type === 'reload') { approved = location.href; location.reload(); }
    else if (type === 'navigate') { approved = new URL(data, location.href).href; location.href = data; }
    else if (type === 'focus') focused = true;
    else if (type === 'crash') crash();
  };
})();
)JS";

// The worker: one event stream from the loader, and requests sent one after
// the other, so the loader receives them in the order the page made them.
// Nothing is sent before the stream is open: the loader then knows the page
// and can answer it.
const char kWorkerScript[] = R"JS('use strict';
// Relative addresses: the loader's routes sit beside this script.
const events = new EventSource('events' + self.location.search);
let chain = new Promise((resolve) => events.addEventListener('open', resolve, { once: true }));
function send(url, body, headers) {
  chain = chain.then(() => fetch(url, { method: 'POST', body, headers }).catch(() => {}));
}
self.onmessage = ({ data }) => {
  if (data.type === 'message') send('message' + self.location.search, data.text, { 'X-Webview-Kind': data.kind });
  else if (data.type === 'result') send('result?id=' + data.id + (data.failed ? '&failed=1' : ''), data.body, {});
  else if (data.type === 'navigation') send('navigation', data.body, {});
  else if (data.type === 'focus') send('focus', '', {});
};
for (const type of ['message', 'eval', 'reload', 'navigate', 'focus', 'crash']) {
  events.addEventListener(type, (event) => self.postMessage({ type, data: event.data }));
}
)JS";

namespace {

// The offset just after the opening tag named name ("<head" followed by a
// space or '>'), or npos.
size_t AfterOpeningTag(std::string_view html, std::string_view name) {
    for (size_t at = 0; at + name.size() + 1 < html.size(); ++at) {
        if (html[at] != '<') continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(html[at + 1 + i])) == name[i];
        }
        const char next = html[at + 1 + name.size()];
        if (!same || !(next == '>' || next == ' ' || next == '\t' || next == '\n' || next == '\r')) continue;
        const size_t close = html.find('>', at);
        return close == std::string_view::npos ? std::string_view::npos : close + 1;
    }
    return std::string_view::npos;
}

}  // namespace

std::string InjectBridge(std::string_view html, const std::string& bridgePath) {
    const std::string element = "<script src=\"" + bridgePath + "\"></script>";
    size_t at = AfterOpeningTag(html, "head");
    if (at == std::string_view::npos) at = AfterOpeningTag(html, "html");
    // Before everything, but never before the doctype: that would switch
    // the page into quirks mode.
    if (at == std::string_view::npos) at = AfterOpeningTag(html, "!doctype");
    if (at == std::string_view::npos) at = 0;
    std::string out;
    out.reserve(html.size() + element.size());
    out.append(html.substr(0, at));
    out.append(element);
    out.append(html.substr(at));
    return out;
}

std::string EvaluationScript(int id, std::string_view expression, bool asStatements) {
    const std::string call = "__tavolinWebviewEval(" + std::to_string(id) + ", function () { return ";
    // The line breaks keep a trailing line comment from swallowing the rest.
    if (asStatements) return std::string(expression) + "\n;" + call + "undefined; });\n";
    return call + "(\n" + std::string(expression) + "\n); });\n";
}

std::string EventText(std::string_view kind, std::string_view data) {
    std::string out = "event: ";
    out.append(kind);
    out += '\n';
    // Each line of data is one "data:" line; the page joins them with "\n".
    size_t start = 0;
    while (true) {
        const size_t end = data.find_first_of("\r\n", start);
        out += "data: ";
        out.append(data.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        out += '\n';
        if (end == std::string_view::npos) break;
        start = end + (data.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    out += '\n';
    return out;
}
