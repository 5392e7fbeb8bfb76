// Requests to the page's workers, answered by id. A request of a kind (the
// figures, the sweep, the map) ends the one of that kind before it: a
// worker, which cannot be interrupted in the middle of a computation, is
// ended and a new one started, and the requests still wanted of it are
// sent to it again. So a long sweep or map never leaves the page deaf.
//
// The page loads this module on its own, ahead of the rest, so that the
// workers fetch and compile the study while the page's other modules load.
// Two workers where the browser has two cores or more: the first answers
// every request, and a map is computed in parts by both.
const workers = [];

// The study's WebAssembly, fetched and compiled once, here, as the workers
// start, and handed to each; null where the browser cannot compile it as
// it arrives (each worker then fetches it itself).
const study = typeof WebAssembly.compileStreaming === 'function'
  ? WebAssembly.compileStreaming(fetch('./tether.wasm')).catch(() => null)
  : Promise.resolve(null);
const pending = new Map();
let nextId = 0;

function startWorker(k) {
  const worker = new Worker('./worker.js', { type: 'module' });
  worker.onmessage = ({ data }) => {
    const request = pending.get(data.id);
    pending.delete(data.id);
    if (request) request.resolve(data);
  };
  workers[k] = worker;
  study.then((module) => worker.postMessage({ study: module }));
  for (const [id, request] of pending) {
    if (request.on === k) worker.postMessage({ id, call: request.name, args: request.args });
  }
}

// Ends the requests that pass the test (each answered null) and the work
// of the workers computing them; whether there were any.
export function cancel(test) {
  const ended = new Set();
  for (const [id, request] of pending) {
    if (test(request)) {
      pending.delete(id);
      request.resolve(null);
      ended.add(request.on);
    }
  }
  for (const k of ended) {
    workers[k].terminate();
    startWorker(k);
  }
  return ended.size > 0;
}

function send(k, kind, name, args) {
  return new Promise((resolve) => {
    const id = nextId++;
    pending.set(id, { kind, name, args, resolve, on: k });
    workers[k].postMessage({ id, call: name, args });
  });
}

// The answer of the first worker to name(...args), {id, result} or {id,
// failure}; null if it was cancelled. With a kind, it ends the request of
// that kind before it.
export function callKind(kind, name, ...args) {
  if (kind) cancel((request) => request.kind === kind);
  return send(0, kind, name, args);
}

// The map's parts: enough for the workers' compiler to optimise the code
// after the first few (a call runs on to its end in the code it started
// with). All are asked at once, so that no worker waits for the page's
// thread, which is busy laying the page out meanwhile.
const mapParts = 16;

// The map (the bindings' map(lines, first, second, figure, method)), as
// one answer of its parts (mapPart) computed by the workers in turn; it
// ends the map before it. A part's failure or errors are the map's (each
// part reads the same design and grid); else the parts' cells joined.
export async function callMap(...args) {
  cancel((request) => request.kind === 'map');
  const answers = await Promise.all(Array.from({ length: mapParts },
    (_, part) => send(part % workers.length, 'map', 'mapPart', [...args, part, mapParts])));
  if (answers.includes(null)) return null;
  const wrong = answers.find((a) => a.failure || a.result.errors.length);
  if (wrong) return wrong;
  const z = new Float64Array(answers.reduce((n, a) => n + a.result.z.length, 0));
  let at = 0;
  for (const a of answers) {
    z.set(a.result.z, at);
    at += a.result.z.length;
  }
  const refused = answers.reduce((n, a) => n + a.result.refused, 0);
  return { ...answers[0], result: { ...answers[0].result, z, refused } };
}

for (let k = 0; k < Math.min(2, navigator.hardwareConcurrency || 1); k++) startWorker(k);

// The answer to tables(), the library's tables the page builds itself
// from: asked at once, so that it is there when the page is.
export const tablesAnswer = callKind(null, 'tables');
