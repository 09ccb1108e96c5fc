'use strict';
// The HTTP bridge and the resolver inside a real node process: the library is loaded with
// process.dlopen (its native module "VrioSDK" registers on load), the script function performs
// each request with Node's own HTTP client against a local server and answers through
// onHttpResponse, and a test-only add-on issues the requests from threads of its own.
//
// Environment: VRIO_LIB (the library), VRIO_ADDON (the add-on), VRIO_TEST_HTTP_DEADLINE_MS (the
// shortened response deadline of test builds; the deadline cases are skipped without it).
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const http = require('node:http');
const { startServer } = require('./http_test_server.js');

const deadlineMs = Number(process.env.VRIO_TEST_HTTP_DEADLINE_MS || 0);
const sdk = { exports: {} };
let addon;
let server;
let base;
const seen = [];          // every call of the script function
const manual = new Map(); // request id -> call, for requests the tests answer themselves

function sleep(ms) { return new Promise((resolve) => setTimeout(resolve, ms)); }

// The script function: url, requestId, isPost, headers, body.
function performRequest(url, requestId, isPost, headers, body) {
  const call = { argc: arguments.length, url, requestId, isPost, headers, body };
  seen.push(call);
  const target = new URL(url);
  if (target.pathname.startsWith('/manual')) {
    manual.set(requestId, call);
    return;
  }
  // Nothing leaves the machine: any other host is answered here as unreachable.
  if (target.hostname !== '127.0.0.1') {
    sdk.exports.onHttpResponse(requestId, '0', '');
    return;
  }
  const req = http.request(url, { method: isPost ? 'POST' : 'GET', headers: headers || {} }, (res) => {
    const chunks = [];
    res.on('data', (c) => chunks.push(c));
    res.on('end', () => sdk.exports.onHttpResponse(requestId, String(res.statusCode),
      Buffer.concat(chunks).toString('utf8')));
  });
  req.on('error', () => sdk.exports.onHttpResponse(requestId, '0', ''));
  if (body) req.write(Buffer.from(body));
  req.end();
}

function callFor(path) { return seen.filter((c) => c.url.endsWith(path)).pop(); }

async function waitForManual(predicate) {
  for (let i = 0; i < 200; ++i) {
    for (const [id, call] of manual) if (predicate(call)) return id;
    await sleep(10);
  }
  throw new Error('request never reached the script');
}

before(async () => {
  server = await startServer();
  base = `http://127.0.0.1:${server.port}`;
  process.dlopen(sdk, process.env.VRIO_LIB);
  addon = require(process.env.VRIO_ADDON);
  assert.equal(addon.bind(process.env.VRIO_LIB), true);
});

after(async () => {
  await server.stop();
  // Requests the tests left hanging end at their deadline: let them, before node exits.
  if (deadlineMs) await sleep(deadlineMs + 300);
});

test('the module registers with two functions when the library is loaded', () => {
  assert.equal(typeof sdk.exports.threadsafeRegisterNapiFunc, 'function');
  assert.equal(typeof sdk.exports.onHttpResponse, 'function');
});

test('without a registered script function a request answers 701 at once', async () => {
  const started = Date.now();
  const r = await addon.httpGet(`${base}/text/x`, 100);
  assert.equal(r.code, 701);
  assert.ok(Date.now() - started < 1000);
});

test('registration: a non-function is refused, a function is taken, a second one replaces it', async () => {
  assert.equal(sdk.exports.threadsafeRegisterNapiFunc(42), -1);
  assert.equal(sdk.exports.threadsafeRegisterNapiFunc(), -1);
  let first = 0;
  assert.equal(sdk.exports.threadsafeRegisterNapiFunc((url, id) => { ++first; sdk.exports.onHttpResponse(id, '200', 'first'); }), 0);
  assert.deepEqual(await addon.httpGet(`${base}/text/x`, 100), { code: 200, body: 'first', thread: '' });
  assert.equal(sdk.exports.threadsafeRegisterNapiFunc(performRequest), 0);
  assert.deepEqual(await addon.httpGet(`${base}/text/hello`, 100), { code: 200, body: 'hello', thread: '' });
  assert.equal(first, 1);
});

test('a GET reaches the script with the five-argument contract', async () => {
  await addon.httpGet(`${base}/text/contract`, 100);
  const call = callFor('/text/contract');
  assert.equal(call.argc, 5);
  assert.equal(call.url, `${base}/text/contract`);
  assert.match(call.requestId, /^[0-9A-Za-z]{16}$/);
  assert.equal(call.isPost, false);
  assert.equal(call.headers, undefined);
  assert.equal(call.body, undefined);
});

test('result codes and the response buffer', async () => {
  const cases = [
    // [url, buffer size, code, body]
    [`${base}/text/abc`, 100, 200, 'abc'],
    [`${base}/text/abcdef`, 4, 200, 'abc'],         // cut to size - 1
    [`${base}/empty`, 100, 702, ''],
    [`${base}/status/404`, 100, 404, ''],
    [`${base}/status/503`, 100, 503, ''],
    [`${base}/big`, 4096, 200, '0123456789'.repeat(200).slice(0, 1023)],  // answers keep 1023 bytes
    ['', 100, 700, ''],
    [null, 100, 700, ''],
    [`${base}/text/x`, 0, 700, ''],                 // a GET needs a buffer
    [`${base}/text/x`, 1, 700, ''],
  ];
  for (const [url, size, code, body] of cases) {
    const r = await addon.httpGet(url, size);
    assert.deepEqual([r.code, r.body], [code, body], `GET ${url} (${size})`);
  }
});

test('a POST without headers carries the JSON content type and a copy of the body', async () => {
  const r = await addon.httpPost(`${base}/echo`, null, Buffer.from('{"a":1}'), 1024);
  assert.equal(r.code, 200);
  const echoed = JSON.parse(r.body);
  assert.equal(echoed.method, 'POST');
  assert.equal(echoed.headers['content-type'], 'application/json');
  assert.equal(Buffer.from(echoed.body, 'base64').toString(), '{"a":1}');
  const call = callFor('/echo');
  assert.equal(call.isPost, true);
  assert.deepEqual({ ...call.headers }, { 'Content-Type': 'application/json' });
  assert.ok(call.body instanceof ArrayBuffer);
  assert.equal(Buffer.from(call.body).toString(), '{"a":1}');
});

test('header texts become properties: name before the first colon, value untrimmed', async () => {
  const r = await addon.httpPost(`${base}/echo`, ['X-A: b', 'NoColon', 'Y:c:d'], null, 1024);
  assert.equal(r.code, 200);
  const call = callFor('/echo');
  assert.deepEqual({ ...call.headers }, { 'X-A': ' b', Y: 'c:d' });
  assert.equal(call.body, undefined);
  assert.equal(JSON.parse(r.body).headers['x-a'], 'b');
});

test('a POST may pass no response buffer', async () => {
  assert.equal((await addon.httpPost(`${base}/empty`, null, Buffer.from('x'), 0)).code, 200);
  assert.equal((await addon.httpPost(`${base}/text/abc`, null, null, 0)).code, 200);
  assert.equal((await addon.httpPost(`${base}/status/404`, null, null, 0)).code, 404);
  assert.equal((await addon.httpPost(`${base}/text/abc`, null, null, 1)).code, 700);
});

test('concurrent requests from many threads each get their own answer and identifier', async () => {
  const n = 12;
  const results = await Promise.all(Array.from({ length: n }, (_, i) => addon.httpGet(`${base}/text/r${i}`, 64)));
  results.forEach((r, i) => assert.deepEqual([r.code, r.body], [200, `r${i}`]));
  const ids = new Set(seen.filter((c) => /\/text\/r\d+$/.test(c.url)).map((c) => c.requestId));
  assert.equal(ids.size, n);
});

test('asynchronous calls run on their named threads and report through the callback', async () => {
  const get = await addon.httpGetAsync(`${base}/text/async`);
  assert.deepEqual(get, { code: 200, body: 'async', thread: 'httpget' });
  const post = await addon.httpPostAsync(`${base}/echo`, ['X-Async:1'], Buffer.from('zz'));
  assert.equal(post.code, 200);
  assert.equal(post.thread, 'httppost');
  assert.equal(Buffer.from(JSON.parse(post.body).body, 'base64').toString(), 'zz');
  assert.deepEqual((await addon.httpGetAsync(null)).code, 700);
});

test('malformed script answers are dropped without touching the pending request', async () => {
  const pending = addon.httpGet(`${base}/manual/1`, 100);
  const id = await waitForManual((c) => c.url.endsWith('/manual/1'));
  const answer = sdk.exports.onHttpResponse;
  assert.equal(answer(), undefined);
  assert.equal(answer(id), undefined);
  assert.equal(answer(id, '200'), undefined);
  assert.equal(answer(42, '200', 'x'), undefined);
  assert.equal(answer(id, 200, 'x'), undefined);
  assert.equal(answer(id, '200', { text: 'x' }), undefined);
  assert.equal(answer(id + 'X', '200', 'longer id'), undefined);
  assert.equal(answer('0000000000000000', '200', 'unknown id'), undefined);
  answer(id, '200', 'the answer');
  assert.deepEqual(await pending, { code: 200, body: 'the answer', thread: '' });
  answer(id, '200', 'a second answer for an ended request');

  const cut = addon.httpGet(`${base}/manual/2`, 100);
  const id2 = await waitForManual((c) => c.url.endsWith('/manual/2'));
  answer(id2, '40400', 'status text is read up to four characters');
  assert.deepEqual(await cut, { code: 4040, body: '', thread: '' });
});

test('an answer after the deadline is dropped; the request ended with 703', { skip: !deadlineMs && 'no test deadline in this build' }, async () => {
  const started = Date.now();
  const r = await addon.httpGet(`${base}/manual/late`, 100);
  const waited = Date.now() - started;
  assert.equal(r.code, 703);
  assert.ok(waited >= deadlineMs - 50 && waited < deadlineMs + 2000, `waited ${waited} ms`);
  const id = await waitForManual((c) => c.url.endsWith('/manual/late'));
  assert.equal(sdk.exports.onHttpResponse(id, '200', 'too late'), undefined);
  assert.deepEqual(await addon.httpGet(`${base}/text/after`, 100), { code: 200, body: 'after', thread: '' });
});

test('a server that never answers costs the deadline', { skip: !deadlineMs && 'no test deadline in this build' }, async () => {
  assert.equal((await addon.httpGet(`${base}/hang`, 100)).code, 703);
});

test('resolver: HTTP-DNS lookups through the bridge', async () => {
  const s = `127.0.0.1:${server.port}`;
  const cases = [
    // [options, rc, ip, source]
    [{ customServers: `${s}/ok5` }, 0, '192.0.2.5', 15],
    [{ customServers: `${s}/late7-400,${s}/ok8` }, 0, '192.0.2.8', 16],
    [{ customServers: `${s}/mixed` }, 0, '192.0.2.33', 15],
    [{ customServers: `${s}/ok5`, forceIpv6: 1 }, 0, '2001:db8::5', 15],
    [{ customServers: `${s}/bad,${s}/noip,${s}/empty,${s}/fail`, timeoutMs: 3000 }, -1, '', -1],
    [{ customServers: s }, 0, '192.0.2.9', 15],  // no behaviour: the host key is answered
  ];
  for (const [options, rc, ip, source] of cases) {
    const r = await addon.resolve('zrtc://192-0-2-9.test:1106/live/stream', { timeoutMs: 2000, ...options });
    assert.deepEqual([r.rc, r.ip, r.source, r.host], [rc, ip, source, '192-0-2-9.test'], JSON.stringify(options));
  }
  const query = seen.filter((c) => c.url.includes('/ok5/')).map((c) => new URL(c.url).search);
  assert.deepEqual(query, ['?qtype=a&host_key=192-0-2-9.test', '?qtype=aaaa&host_key=192-0-2-9.test']);
});

test('resolver: the built-in servers are asked, and the system lookup answers localhost', async () => {
  const r = await addon.resolve('localhost', { timeoutMs: 2000 });
  assert.deepEqual([r.rc, r.ip, r.source, r.host], [0, '127.0.0.1', 10, 'localhost']);
  // The HTTP-DNS lookups race on: both built-in servers are asked, if later than the answer.
  const asked = () => seen.filter((c) => c.url.endsWith('/multi_httpdns_resolve?qtype=a&host_key=localhost'));
  for (let i = 0; i < 100 && asked().length < 2; ++i) await sleep(10);
  assert.equal(asked().length, 2);
  assert.notEqual(new URL(asked()[0].url).host, new URL(asked()[1].url).host);
});

test('resolver: a cancel on the first poll fails at once', async () => {
  const started = Date.now();
  const r = await addon.resolve('edge.test', { customServers: `127.0.0.1:${server.port}/hang`, timeoutMs: 4000, cancelAfterPolls: 0 });
  assert.equal(r.rc, -1);
  assert.equal(r.polls, 1);
  assert.ok(Date.now() - started < 1000);
});
