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
    const json = call === 'ascentCsv' || call === 'designFile';
    self.postMessage({ id, result: json ? text : JSON.parse(text) });
  } catch (error) {
    self.postMessage({ id, failure: String(error && error.message ? error.message : error) });
  }
};
