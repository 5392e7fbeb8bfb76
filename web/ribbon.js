// What strikes the ribbon: the design's chance of living through a year
// against the ribbon's width, undodged and with every tracked object
// dodged, as tether-explore --sweep width=... --figures survival,... gives
// it (docs/survival.md).
import uPlot from './uplot.js';

// The widths drawn, mm: the sweep's text.
const widths = 'width=10:1000:40:log';
const figures = ['survival', 'survival_dodging'];

// Sets up the Ribbon panel: call(kind, name, ...args) asks the worker (a
// request of a kind ending the one before), designLines() gives the design,
// method() the method. Returns the function that redraws it for the design
// on screen.
export function setupRibbon({ $, call, designLines, method, failureText }) {
  let plot = null;
  return async function recomputeRibbon() {
    delete $('ribbon').dataset.state;
    const answers = [];
    for (const figure of figures) {
      const answer = await call('ribbon', 'sweep', designLines(), widths, figure, method());
      if (!answer) return;
      answers.push(answer);
    }
    if (plot) { plot.destroy(); plot = null; }
    $('ribbon-plot').textContent = '';
    const failed = answers.find((a) => a.failure || a.result.errors.length);
    $('ribbon-alert').textContent = failed
      ? (failed.failure ? failureText(failed) : failed.result.errors.map((e) => e.message).join('\n')) : '';
    if (failed) return;
    const x = Array.from(answers[0].result.x);
    const ys = answers.map((a) => Array.from(a.result.y, (v) => (Number.isNaN(v) ? null : v)));
    const holder = document.createElement('figure');
    $('ribbon-plot').append(holder);
    plot = new uPlot({
      title: 'chance that the ribbon is not cut in a year, against its width',
      width: Math.max(320, Math.min(900, $('ribbon-plot').clientWidth || 800)),
      height: 280,
      scales: { x: { time: false, distr: 3 }, y: { range: [0, 1] } },
      axes: [{ label: 'width (mm)' }, { label: 'survival' }],
      series: [{ label: 'width' },
        { label: 'survival', stroke: '#1f77b4', width: 2 },
        { label: 'survival_dodging', stroke: '#d62728', width: 2, dash: [8, 4] }],
    }, [x, ...ys], holder);
    $('ribbon').dataset.state = 'ready';
  };
}
