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

// The options of a server document (or of the settings' defaults for a new
// one), every member checked against what it may hold.
function optionValues(doc) {
  const d = doc && typeof doc === 'object' ? doc : {};
  const v = {};
  for (const [name, dflt] of Object.entries(OPTION_DEFAULTS)) {
    const given = d[name];
    if (OPTION_CHOICES[name]) v[name] = OPTION_CHOICES[name].includes(given) ? given : dflt;
    else if (typeof dflt === 'boolean') v[name] = typeof given === 'boolean' ? given : dflt;
    else if (typeof dflt === 'number')
      v[name] = Number.isInteger(given) && given >= 1 && given <= 65535 ? given : dflt;
    else v[name] = str(given);
  }
  v.driveLetters = driveLetters(v.driveLetters);
  v.hasGatewayPassword = !!d.hasGatewayPassword;
  return v;
}

function fillOptionFields(doc) {
  const v = optionValues(doc);
  for (const name of Object.keys(OPTION_DEFAULTS)) {
    const field = $('o_' + name);
    if (field.type === 'checkbox') field.checked = v[name];
    else field.value = String(v[name]);
  }
  $('o_gatewayPassword').value = '';
  $('o_gatewayPassword').placeholder = v.hasGatewayPassword ? '已保存密码（留空表示不修改）' : '可留空';
  $('advancedOptions').open = false;
  syncOptionFields();
}

// Fields that mean nothing in the current choice are disabled, not hidden,
// so the section keeps its shape.
function syncOptionFields() {
  const mode = $('o_gatewayMode').value;
  for (const id of ['o_gatewayHost', 'o_gatewayPort', 'o_gatewayBypassLocal'])
    $(id).disabled = mode !== 'explicit';
  $('o_gatewayCredentials').disabled = mode === 'none';
  const own = mode !== 'none' && $('o_gatewayCredentials').value === 'own';
  for (const id of ['o_gatewayUser', 'o_gatewayDomain', 'o_gatewayPassword']) $(id).disabled = !own;
  $('o_driveLetters').disabled = $('o_redirectDrives').value !== 'chosen';
}

// The members the editor sends; the gateway password only when typed.
function optionFieldValues() {
  const data = {};
  for (const [name, dflt] of Object.entries(OPTION_DEFAULTS)) {
    const field = $('o_' + name);
    if (field.type === 'checkbox') data[name] = field.checked;
    else if (typeof dflt === 'number')
      data[name] =
        intOr(field.value, dflt) >= 1 && intOr(field.value, dflt) <= 65535 ? intOr(field.value, dflt) : dflt;
    else data[name] = field.value.trim();
  }
  data.driveLetters = driveLetters(data.driveLetters);
  if ($('o_gatewayPassword').value !== '') data.gatewayPassword = $('o_gatewayPassword').value;
  return data;
}

function wireOptionFields() {
  for (const id of ['o_gatewayMode', 'o_gatewayCredentials', 'o_redirectDrives'])
    $(id).addEventListener('change', syncOptionFields);
}
