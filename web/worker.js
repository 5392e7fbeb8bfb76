// Computes designs off the page's thread, with the study compiled to
// WebAssembly. Each request names a function and its arguments; the answer
// carries the request's id back.
import createTether from './tether.mjs';

const ready = createTether();

self.onmessage = async (event) => {
  const { id, call, args } = event.data;
  try {
    const tether = await ready;
    const text = tether[call](...args);
    if (call === 'ascentCsv' || call === 'designFile') {
      self.postMessage({ id, result: text });
      return;
    }
    const result = JSON.parse(text);
    if (call === 'evaluate') {
      // The ascent rows, as columns of numbers named as tether-explore names them.
      const flat = tether.ascentRows().slice();
      const n = result.columns.length;
      result.rows = Object.fromEntries(result.columns.map((name, c) =>
        [name, Float64Array.from({ length: flat.length / n }, (_, r) => flat[r * n + c])]));
    }
    self.postMessage({ id, result });
  } catch (error) {
    self.postMessage({ id, failure: String(error && error.message ? error.message : error) });
  }
};
