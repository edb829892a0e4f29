// The editor's collapsed "高级选项": the connection options of one server as
// flat members of its document. Values the native side does not know are
// read as the default, so an older document opens as it connected before.

const OPTION_DEFAULTS = {
  gatewayMode: 'none',
  gatewayHost: '',
  gatewayPort: 443,
  gatewayCredentials: 'server',
  gatewayUser: '',
  gatewayDomain: '',
  gatewayBypassLocal: true,
  redirectClipboard: true,
  redirectDrives: 'none',
  driveLetters: '',
  redirectPrinters: false,
  redirectSmartCards: false,
  audioMode: 'local',
  redirectMicrophone: false,
  adminSession: false,
  serverAuth: 'warn',
  keyboardHook: 'fullscreen',
};
const OPTION_CHOICES = {
  gatewayMode: ['none', 'explicit', 'detect'],
  gatewayCredentials: ['server', 'own'],
  redirectDrives: ['none', 'all', 'chosen'],
  audioMode: ['local', 'remote', 'off'],
  serverAuth: ['warn', 'refuse'],
  keyboardHook: ['remote', 'fullscreen', 'local'],
};

// Upper-case letters A to Z, each once, in order.
function driveLetters(text) {
  const seen = new Set(
    str(text)
      .toUpperCase()
      .replace(/[^A-Z]/g, ''),
  );
  return [...seen].sort().join('');
}

// A port as a whole number from 1 to 65535, else dflt.
function portOr(n, dflt) {
  return Number.isInteger(n) && n >= 1 && n <= 65535 ? n : dflt;
}

// The options of a server document (or of the settings' defaults for a new
// one), every member checked against what it may hold.
function optionValues(doc) {
  const d = doc && typeof doc === 'object' ? doc : {};
  const v = {};
  for (const [name, dflt] of Object.entries(OPTION_DEFAULTS)) {
    const given = d[name];
    if (OPTION_CHOICES[name]) v[name] = OPTION_CHOICES[name].includes(given) ? given : dflt;
    else if (typeof dflt === 'boolean') v[name] = typeof given === 'boolean' ? given : dflt;
    else if (typeof dflt === 'number') v[name] = portOr(given, dflt);
    else v[name] = str(given);
  }
  v.driveLetters = driveLetters(v.driveLetters);
  v.hasGatewayPassword = !!d.hasGatewayPassword;
  return v;
}

// The editor's fields are o_<name>; the settings drawer's defaults for new
// servers are the same section again as d_<name> (buildDefaultOptionFields).
function fillOptionFields(doc, prefix = 'o_') {
  const v = optionValues(doc);
  for (const name of Object.keys(OPTION_DEFAULTS)) {
    const field = $(prefix + name);
    if (field.type === 'checkbox') field.checked = v[name];
    else field.value = String(v[name]);
  }
  if (prefix === 'o_') {
    $('o_gatewayPassword').value = '';
    $('o_gatewayPassword').placeholder = v.hasGatewayPassword ? '已保存密码（留空表示不修改）' : '可留空';
    $('advancedOptions').open = false;
  }
  syncOptionFields(prefix);
}

// Fields that mean nothing in the current choice are disabled, not hidden,
// so the section keeps its shape.
function syncOptionFields(prefix = 'o_') {
  const mode = $(prefix + 'gatewayMode').value;
  for (const name of ['gatewayHost', 'gatewayPort', 'gatewayBypassLocal'])
    $(prefix + name).disabled = mode !== 'explicit';
  $(prefix + 'gatewayCredentials').disabled = mode === 'none';
  const own = mode !== 'none' && $(prefix + 'gatewayCredentials').value === 'own';
  for (const name of ['gatewayUser', 'gatewayDomain', 'gatewayPassword']) {
    const field = $(prefix + name);
    if (field) field.disabled = !own;
  }
  $(prefix + 'driveLetters').disabled = $(prefix + 'redirectDrives').value !== 'chosen';
}

// The members the editor sends; the gateway password only when typed.
function optionFieldValues(prefix = 'o_') {
  const data = {};
  for (const [name, dflt] of Object.entries(OPTION_DEFAULTS)) {
    const field = $(prefix + name);
    if (field.type === 'checkbox') data[name] = field.checked;
    else if (typeof dflt === 'number') data[name] = portOr(intOr(field.value, dflt), dflt);
    else data[name] = field.value.trim();
  }
  data.driveLetters = driveLetters(data.driveLetters);
  if (prefix === 'o_' && $('o_gatewayPassword').value !== '')
    data.gatewayPassword = $('o_gatewayPassword').value;
  return data;
}

// The settings document names each default after the option with a
// "default" prefix: "defaultRedirectClipboard".
function defaultOptionName(name) {
  return 'default' + name[0].toUpperCase() + name.slice(1);
}

function defaultOptionDoc(settings) {
  const doc = {};
  for (const name of Object.keys(OPTION_DEFAULTS)) doc[name] = settings[defaultOptionName(name)];
  return doc;
}

function defaultOptionMembers() {
  const data = {};
  for (const [name, value] of Object.entries(optionFieldValues('d_'))) data[defaultOptionName(name)] = value;
  return data;
}

// A copy of the editor's section, so the two can never differ; a password
// is a server's own, never a default, so its place stays empty.
function buildDefaultOptionFields() {
  const grid = $('advancedOptions').querySelector('.form-grid').cloneNode(true);
  for (const field of grid.querySelectorAll('[id^="o_"]')) field.id = 'd_' + field.id.slice(2);
  grid.querySelector('#d_gatewayPassword').closest('label').replaceWith(document.createElement('span'));
  $('defaultOptions').append(grid);
}

function wireOptionFields() {
  buildDefaultOptionFields();
  for (const prefix of ['o_', 'd_'])
    for (const name of ['gatewayMode', 'gatewayCredentials', 'redirectDrives'])
      $(prefix + name).addEventListener('change', () => syncOptionFields(prefix));
}
