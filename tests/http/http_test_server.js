'use strict';
// The local HTTP server of the HTTP tests, on 127.0.0.1 only. It plays an HTTP-DNS service and a
// few plain endpoints:
//
//   GET  /text/<words>            200 with body <words>
//   GET  /empty                   200 with an empty body
//   GET  /status/<n>              status n with body "status <n>"
//   GET  /big                     200 with a 2000-byte body ("0123456789" repeated)
//   GET  /hang                    never answers (the connection is closed when the server stops)
//   POST /echo                    200 with JSON {method, headers, body (base64)} of the request
//   GET  [/<behaviour>]/multi_httpdns_resolve?qtype=a|aaaa&host_key=<host>
//        behaviour (the server text of a lookup can carry it as a path prefix):
//          ok<N>          {"dns_info":[{"ip":["192.0.2.N"]}]}  (qtype aaaa: "2001:db8::N")
//          late<N>-<ms>   the same after <ms> milliseconds
//          fail           503            empty    200 with no body
//          noip           {"dns_info":[{"ip":[]}]}
//          bad            a body that is not JSON
//          mixed          first usable address after unusable entries
//          hang           never answers
//        Without a behaviour the host key itself is answered: "<a>-<b>-<c>-<d>.test" gives the
//        address a.b.c.d, anything else 404.
//
// Run directly (`node http_test_server.js`) it prints "PORT <n>" and serves until its standard
// input closes, so that a native test can own it as a child process.
const http = require('http');

const DOCS = '192.0.2.';
const DOCS6 = '2001:db8::';

function dnsAnswer(addresses) {
  return JSON.stringify({ dns_info: [{ ip: addresses }] });
}

function answerDns(behaviour, query, res, hold) {
  const v6 = query.get('qtype') === 'aaaa';
  const address = (n) => (v6 ? DOCS6 : DOCS) + n;
  let m;
  if ((m = /^ok(\d+)$/.exec(behaviour))) return send(res, 200, dnsAnswer([address(m[1])]));
  if ((m = /^late(\d+)-(\d+)$/.exec(behaviour))) {
    const timer = setTimeout(() => send(res, 200, dnsAnswer([address(m[1])])), Number(m[2]));
    res.on('close', () => clearTimeout(timer));
    return undefined;
  }
  switch (behaviour) {
    case 'fail': return send(res, 503, 'unavailable');
    case 'empty': return send(res, 200, '');
    case 'noip': return send(res, 200, dnsAnswer([]));
    case 'bad': return send(res, 200, '{"dns_info":[{"ip":["192.0.2.1"');
    case 'mixed':
      return send(res, 200, JSON.stringify({
        dns_info: [{ ip: [7, null, 'not-an-address', 'x'.repeat(60), address(33)] }, { ip: [address(99)] }],
      }));
    case 'hang': return hold(res);
    case '': {
      const host = query.get('host_key') || '';
      if ((m = /^(\d+)-(\d+)-(\d+)-(\d+)\.test$/.exec(host))) return send(res, 200, dnsAnswer([m.slice(1, 5).join('.')]));
      return send(res, 404, 'unknown host');
    }
    default: return send(res, 400, 'unknown behaviour');
  }
}

function send(res, status, body) {
  res.writeHead(status, { 'Content-Type': 'text/plain' });
  res.end(body);
}

function startServer() {
  const hanging = new Set();
  const hold = (res) => {
    hanging.add(res);
    res.on('close', () => hanging.delete(res));
  };
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const chunks = [];
    req.on('data', (c) => chunks.push(c));
    req.on('end', () => {
      const path = url.pathname;
      let m;
      if ((m = /^(?:\/([^/]*))?\/multi_httpdns_resolve$/.exec(path))) return answerDns(m[1] || '', url.searchParams, res, hold);
      if ((m = /^\/text\/(.*)$/.exec(path))) return send(res, 200, decodeURIComponent(m[1]));
      if (path === '/empty') return send(res, 200, '');
      if ((m = /^\/status\/(\d+)$/.exec(path))) return send(res, Number(m[1]), 'status ' + m[1]);
      if (path === '/big') return send(res, 200, '0123456789'.repeat(200));
      if (path === '/hang') return hold(res);
      if (path === '/echo') {
        return send(res, 200, JSON.stringify({
          method: req.method, headers: req.headers, body: Buffer.concat(chunks).toString('base64'),
        }));
      }
      return send(res, 404, 'no such endpoint');
    });
  });
  const stop = () => new Promise((resolve) => {
    for (const res of hanging) res.destroy();
    server.closeAllConnections();
    server.close(() => resolve());
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve({ server, port: server.address().port, stop }));
  });
}

module.exports = { startServer };

if (require.main === module) {
  startServer().then(({ port, stop }) => {
    process.stdout.write(`PORT ${port}\n`);
    process.stdin.resume();
    process.stdin.on('end', () => stop().then(() => process.exit(0)));
    process.stdin.on('close', () => stop().then(() => process.exit(0)));
  });
}
