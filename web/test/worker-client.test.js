// Calls to a worker: each answer reaches its own call, a worker's failure
// or a stop rejects every call waiting, and the next call starts a new
// worker. The browser's Worker is played by a fake that keeps what it is
// sent.
import assert from 'node:assert/strict';
import test from 'node:test';
import { workerClient } from '../src/worker-client.js';

const workers = [];
globalThis.Worker = class {
  constructor(url) {
    this.url = url;
    this.posted = [];
    this.terminated = false;
    workers.push(this);
  }
  postMessage(message, transfer) {
    this.posted.push({ message, transfer });
  }
  terminate() {
    this.terminated = true;
  }
};
const settled = (promise) => promise.then((result) => ['resolved', result], (error) => ['rejected', error.message]);

test('answers reach their own calls, in whatever order they come', async () => {
  workers.length = 0;
  const client = workerClient('source');
  const buffer = new ArrayBuffer(4);
  const first = settled(client.call({ program: 'a' }, [buffer]));
  const second = settled(client.call({ program: 'b' }));
  assert.equal(workers.length, 1);
  assert.deepEqual(workers[0].posted, [
    { message: { program: 'a', id: 1 }, transfer: [buffer] }, { message: { program: 'b', id: 2 }, transfer: [] },
  ]);
  workers[0].onmessage({ data: { id: 2, result: 'of b' } });
  workers[0].onmessage({ data: { id: 1, error: 'no such program' } });
  assert.deepEqual([await first, await second], [['rejected', 'no such program'], ['resolved', 'of b']]);
});

test('a stop or a failure rejects every call waiting, and the next call starts a new worker', async () => {
  workers.length = 0;
  const client = workerClient('source');
  client.stop();
  assert.equal(workers.length, 0);
  const stopped = [settled(client.call({})), settled(client.call({}))];
  client.stop();
  assert.deepEqual(await Promise.all(stopped), [['rejected', 'stopped for a newer choice'], ['rejected', 'stopped for a newer choice']]);
  assert.equal(workers[0].terminated, true);
  const failed = settled(client.call({}));
  assert.equal(workers.length, 2);
  let prevented = false;
  workers[1].onerror({ message: '', preventDefault: () => { prevented = true; } });
  assert.deepEqual(await failed, ['rejected', 'the worker failed: it could not start']);
  assert.deepEqual([prevented, workers[1].terminated], [true, true]);
  const again = settled(client.call({ program: 'c' }));
  assert.equal(workers.length, 3);
  assert.deepEqual(workers[2].posted[0].message, { program: 'c', id: 4 });
  workers[2].onmessage({ data: { id: 4, result: 'of c' } });
  assert.deepEqual(await again, ['resolved', 'of c']);
});
