// The traffic's load on the tether: the tension along it at the traffic's
// worst moment against the tether's own, as tether-explore --load gives it,
// drawn for the design on screen.
import uPlot from './uplot.js';

// A unit as a label: "-" (a pure number) as nothing.
const unitLabel = (c) => `${c.meaning}${c.unit === '-' ? '' : ` (${c.unit})`}`;

// The answer's flat rows as columns of numbers by name.
function columnsOf(result) {
  const n = result.columns.length;
  const count = n ? result.rows.length / n : 0;
  return Object.fromEntries(result.columns.map((c, k) =>
    [c.name, Array.from({ length: count }, (_, r) => {
      const v = result.rows[r * n + k];
      return Number.isNaN(v) ? null : v;
    })]));
}

// Sets up the Traffic panel: call(kind, name, ...args) asks the worker (a
// request of a kind ending the one before), designLines() gives the design.
// Returns the function that recomputes the panel for the design on screen.
export function setupLoad({ $, call, designLines, failureText }) {
  let plot = null;
  function clear() {
    if (plot) { plot.destroy(); plot = null; }
    $('load-plot').textContent = '';
    delete $('load-plot').dataset.rows;
  }
  // The tension and the tether's own (kN) on one axis; the share on its own.
  function draw(result) {
    const byName = columnsOf(result);
    const [x, ...shown] = result.columns;
    const colours = ['#1f77b4', '#d62728', '#2ca02c'];
    const dashes = [undefined, [8, 4], [2, 3]];
    const units = [...new Set(shown.map((c) => c.unit))];
    const scales = { x: { time: false } };
    const axes = [{ label: unitLabel(x) }];
    units.forEach((unit, k) => {
      scales[`y${k}`] = {};
      const named = shown.filter((c) => c.unit === unit).map((c) => c.name).join(', ');
      axes.push({ label: unit === '-' ? named : unit, scale: `y${k}`, ...(k ? { side: 1, grid: { show: false } } : {}) });
    });
    const holder = document.createElement('figure');
    $('load-plot').append(holder);
    plot = new uPlot({
      title: 'tension along the tether at the traffic\'s worst moment',
      width: Math.max(320, Math.min(900, $('load-plot').clientWidth || 800)),
      height: 280,
      scales,
      axes,
      series: [{ label: x.name }, ...shown.map((c, k) => ({
        label: unitLabel(c),
        stroke: colours[k % colours.length],
        width: 2,
        dash: dashes[k % dashes.length],
        scale: `y${units.indexOf(c.unit)}`,
      }))],
    }, [byName[x.name], ...shown.map((c) => byName[c.name])], holder);
    $('load-plot').dataset.rows = String(byName[x.name].length);
  }
  return async function recomputeLoad() {
    delete $('load').dataset.state;
    const answer = await call('load', 'load', designLines());
    if (!answer) return;
    clear();
    const errors = answer.failure ? [{ name: '', message: failureText(answer) }] : answer.result.errors;
    // The design's own errors are said by its fields; the panel says its own
    // (and the one of the parameter that spaces its rows).
    const spacing = answer.result?.spacing;
    $('load-alert').textContent = errors.filter((e) => e.name === '' || e.name === spacing)
      .map((e) => e.message).join('\n');
    const result = errors.length ? null : answer.result;
    $('load-note').textContent = result
      ? [...result.notes.map((n) => n.text), ...(result.why ? [`${result.why}; the tensions are NaN`] : [])].join('\n')
      : '';
    if (result) draw(result);
    $('load').dataset.state = result ? 'ready' : 'invalid';
  };
}
