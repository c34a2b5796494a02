// A Web Worker made from its bundled source, and calls to it that resolve
// to its answers.

// Return {call(message, transfer), stop()}: call posts message, with an id
// of its own, to a worker running source, and resolves to the worker's
// result (or rejects with its error). The worker is made when first called.
// stop ends the worker and what it was doing, its calls rejected, and the
// next call makes a new one.
export function workerClient(source) {
  let worker = null;
  let url = null;
  let blob = null;
  let next = 0;
  const pending = new Map();
  function forget() {
    if (url !== null) {
      URL.revokeObjectURL(url);
      url = null;
    }
  }
  function start() {
    // The source is made a Blob once: a worker started again after stop
    // does not copy its megabytes again on the page's thread.
    blob = blob || new Blob([source], { type: 'text/javascript' });
    url = URL.createObjectURL(blob);
    worker = new Worker(url);
    worker.onmessage = ({ data }) => {
      forget();
      const call = pending.get(data.id);
      pending.delete(data.id);
      if (data.error !== undefined) {
        call.reject(new Error(data.error));
      } else {
        call.resolve(data.result);
      }
    };
    worker.onerror = (event) => {
      forget();
      event.preventDefault();
      const error = new Error('the worker failed: ' + (event.message || 'it could not start'));
      for (const call of pending.values()) {
        call.reject(error);
      }
      pending.clear();
      worker.terminate();
      worker = null;
    };
  }
  function stop() {
    if (worker === null) {
      return;
    }
    worker.terminate();
    worker = null;
    forget();
    const error = new Error('stopped for a newer choice');
    for (const call of pending.values()) {
      call.reject(error);
    }
    pending.clear();
  }
  return {
    stop,
    call(message, transfer = []) {
      if (worker === null) {
        start();
      }
      const id = ++next;
      return new Promise((resolve, reject) => {
        pending.set(id, { resolve, reject });
        worker.postMessage({ ...message, id }, transfer);
      });
    },
  };
}
