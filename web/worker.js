// Computes designs off the page's thread, with the study compiled to
// WebAssembly. Each request names a function and its arguments; the answer
// carries the request's id back. The page ends a long computation by
// ending this worker and starting another.
import createTether from './tether.mjs';

// The study from the module the page compiled (requests.js), handed over
// in a message of its own; without one (null) Emscripten fetches it here.
function instantiate(module) {
  if (!module) return createTether();
  let failed;
  const failure = new Promise((_, reject) => { failed = reject; });
  return Promise.race([failure, createTether({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance), failed);
      return {};
    },
  })]);
}
let handOver;
const ready = new Promise((resolve) => { handOver = resolve; }).then(instantiate);

self.onmessage = async (event) => {
  if ('study' in event.data) {
    handOver(event.data.study);
    return;
  }
  const { id, call, args } = event.data;
  try {
    const tether = await ready;
    const result = tether[call](...args);
    if (call === 'evaluate' && result.rows) {
      // The ascent rows, as columns of numbers named as tether-explore names them.
      const flat = result.rows;
      const n = result.columns.length;
      result.rows = Object.fromEntries(result.columns.map((name, c) =>
        [name, Float64Array.from({ length: flat.length / n }, (_, r) => flat[r * n + c])]));
    }
    self.postMessage({ id, result });
  } catch (error) {
    // Emscripten reports an exhausted memory as an abort or as the C++
    // exception that nothing caught: a WebAssembly.Exception (a bare number
    // where the page is built with JavaScript's exceptions).
    const text = error && error.message ? error.message : String(error);
    const uncaught = typeof error === 'number'
      || (typeof WebAssembly.Exception === 'function' && error instanceof WebAssembly.Exception);
    const memory = uncaught || /memory|OOM|abort/i.test(text);
    self.postMessage({ id, failure: memory ? 'The computation ran out of memory: try fewer designs or a larger dz.' : text });
  }
};
