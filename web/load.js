// Panels of one table of the design on screen, drawn: the traffic's load
// on the tether (the tension along it at the traffic's worst moment against
// the tether's own, as tether-explore --load gives it) and the swing a climb
// sets off (the top end's and the balance point's displacement against
// time, the arrival marked, as tether-explore --swing gives it).
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

// A dashed upright line at x = at (no line where at is undefined).
const upright = (at) => (u) => {
  if (at === undefined) return;
  const x = u.valToPos(at, 'x', true);
  u.ctx.save();
  u.ctx.strokeStyle = '#555';
  u.ctx.setLineDash([4, 4]);
  u.ctx.beginPath();
  u.ctx.moveTo(x, u.bbox.top);
  u.ctx.lineTo(x, u.bbox.top + u.bbox.height);
  u.ctx.stroke();
  u.ctx.restore();
};

// Sets up the panel of element id: call(kind, name, ...args) asks the worker
// (a request of a kind ending the one before) for the table (name: id),
// designLines() gives the design. The table's columns shown are those named
// (all but the first where none); mark(columns) gives the x marked, or
// undefined; consequence says what a miss makes of the numbers. Returns the
// function that recomputes the panel for the design on screen.
function setupTable({ $, call, designLines, failureText }, { id, title, shown: names, mark, consequence }) {
  let plot = null;
  function clear() {
    if (plot) { plot.destroy(); plot = null; }
    $(`${id}-plot`).textContent = '';
    delete $(`${id}-plot`).dataset.rows;
  }
  // The columns shown, one axis a unit.
  function draw(result) {
    const byName = columnsOf(result);
    const [x, ...rest] = result.columns;
    const shown = names ? rest.filter((c) => names.includes(c.name)) : rest;
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
    $(`${id}-plot`).append(holder);
    plot = new uPlot({
      title,
      width: Math.max(320, Math.min(900, $(`${id}-plot`).clientWidth || 800)),
      height: 280,
      scales,
      axes,
      hooks: { draw: [upright(mark?.(byName))] },
      series: [{ label: x.name }, ...shown.map((c, k) => ({
        label: unitLabel(c),
        stroke: colours[k % colours.length],
        width: 2,
        dash: dashes[k % dashes.length],
        scale: `y${units.indexOf(c.unit)}`,
      }))],
    }, [byName[x.name], ...shown.map((c) => byName[c.name])], holder);
    $(`${id}-plot`).dataset.rows = String(byName[x.name].length);
  }
  return async function recompute() {
    delete $(id).dataset.state;
    const answer = await call(id, id, designLines());
    if (!answer) return;
    clear();
    const errors = answer.failure ? [{ name: '', message: failureText(answer) }] : answer.result.errors;
    // The design's own errors are said by its fields; the panel says its own
    // (and the one of the parameter that spaces its rows, where it has one).
    const spacing = answer.result?.spacing;
    $(`${id}-alert`).textContent = errors.filter((e) => e.name === '' || e.name === spacing)
      .map((e) => e.message).join('\n');
    const result = errors.length ? null : answer.result;
    $(`${id}-note`).textContent = result
      ? [...result.notes.map((n) => n.text), ...(result.why ? [`${result.why}; ${consequence}`] : [])].join('\n')
      : '';
    if (result) draw(result);
    $(id).dataset.state = result ? 'ready' : 'invalid';
  };
}

// The Traffic panel.
export const setupLoad = (context) => setupTable(context, {
  id: 'load',
  title: 'tension along the tether at the traffic\'s worst moment',
  consequence: 'the tensions are NaN',
});

// The Swing panel: the arrival is the first row at the top of the climb.
export const setupSwing = (context) => setupTable(context, {
  id: 'swing',
  title: 'the tether\'s sideways swing (dashed: the climber arrives at the top)',
  shown: ['top', 'balance'],
  mark: ({ time, alt }) => time[alt.indexOf(Math.max(...alt))],
  consequence: 'the swing has no rows',
});
