// Server items and settings as the native side sends them, for the page tests.
'use strict';

function server(id, fields) {
  return Object.assign({
    id, host: '10.0.0.1', port: 3389, user: 'Administrator', domain: '', remark: '', group: '',
    colorDepth: 32, width: 0, height: 0, smartSizing: true, fullscreenOnConnect: false,
    autoConnect: false, pingPort: 0, hasPassword: false, netState: 0, rtt: -1, resolvedIp: '', netDetail: '',
  }, fields);
}

// A realistic list: three groups and every latency class.
function realisticList() {
  return [
    server('a1', { host: '10.0.1.11', remark: '生产数据库主库', group: '生产环境', netState: 1, rtt: 12, resolvedIp: '10.0.1.11' }),
    server('a2', { host: 'app-02.corp.example', remark: '订单服务', group: '生产环境', netState: 1, rtt: 86.4, resolvedIp: '10.0.1.12' }),
    server('a3', { host: '10.0.1.13', port: 13389, remark: '报表服务器', group: '生产环境', netState: 1, rtt: 180 }),
    server('b1', { host: '192.0.2.40', remark: '海外跳板机', group: '海外节点', netState: 1, rtt: 320 }),
    server('b2', { host: '192.0.2.41', remark: '', group: '海外节点', netState: 3, netDetail: '连接超时（2000 ms）' }),
    server('c1', { host: '10.0.9.5', remark: '测试机，RDP 未开', group: '测试', netState: 2, netDetail: '主机在线，但端口拒绝连接' }),
    server('c2', { host: 'no-such-host.invalid', remark: '旧的构建机', group: '测试', netState: 4, netDetail: '域名解析失败' }),
    server('c3', { host: '10.0.9.7', remark: '新装机器', group: '测试' }),
  ];
}

const SETTINGS = {
  pingIntervalSec: 10, pingTimeoutMs: 2000, pingThreads: 6, passwordEnabled: false, passwordHint: '',
  defaultUser: '', defaultDomain: '', defaultColorDepth: 32, defaultSmartSizing: true,
  changeRemoteResolution: true, darkTheme: true,
};

// Page options for a test that starts from the realistic list (plus `extra`
// servers) once the start-up's own reports are over.
function listed(settings, extra = []) {
  return { settings: Object.assign({}, SETTINGS, settings), servers: realisticList().concat(extra), settle: true };
}

// The selector of a server's list item, or of a part of it.
const item = (id, part) => `#serverList li.srv[data-id="${id}"]` + (part ? ' ' + part : '');

module.exports = { server, realisticList, SETTINGS, listed, item };
