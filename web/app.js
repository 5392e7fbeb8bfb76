// The design explorer: a form for the design, kept in the address; the study
// computed by a worker; the figures, plots, sweep and downloads.
import uPlot from './uplot.js';
import { drawMap } from './map.js';

const meanings = {
  rgeo: 'geostationary radius',
  yuri: 'specific strength',
  taper_re: 'cross-section at the surface relative to GEO',
  taper_apex: 'cross-section at the apex relative to GEO',
  cs_re: 'cross-section at the surface',
  cs_apex: 'cross-section at the apex',
  mapex: 'apex counterweight',
  mre: 'mass the tether holds at the surface',
  tether_mass: 'tether mass up to the top of the march, less the apex mass',
  total_mass: 'tether mass up to the top of the march',
  time: 'travel time to the top of the march',
  cap_alt: 'lowest altitude where the top speed caps the climber',
};

const $ = (id) => document.getElementById(id);

// Requests to the worker, answered by id. A request of a kind (the figures,
// the sweep, the map) ends the one of that kind before it: the worker, which
// cannot be interrupted in the middle of a computation, is ended and a new
// one started, and the requests still wanted are sent to it again. So a long
// sweep or map never leaves the page deaf.
let worker = null;
const pending = new Map();
let nextId = 0;
function startWorker() {
  worker = new Worker('./worker.js', { type: 'module' });
  worker.onmessage = ({ data }) => {
    const request = pending.get(data.id);
    pending.delete(data.id);
    if (request) request.resolve(data);
  };
  for (const [id, request] of pending) worker.postMessage({ id, call: request.name, args: request.args });
}
function cancel(test) {
  let cancelled = false;
  for (const [id, request] of pending) {
    if (test(request)) {
      pending.delete(id);
      request.resolve(null);
      cancelled = true;
    }
  }
  if (cancelled) {
    worker.terminate();
    startWorker();
  }
  return cancelled;
}
function callKind(kind, name, ...args) {
  if (kind) cancel((request) => request.kind === kind);
  return new Promise((resolve) => {
    const id = nextId++;
    pending.set(id, { kind, name, args, resolve });
    worker.postMessage({ id, call: name, args });
  });
}
const call = (name, ...args) => callKind(null, name, ...args);
const callLatest = callKind;
startWorker();

// The failure of a request, as a message a person can read.
function failureText(answer) {
  return /memory/i.test(answer.failure) ? answer.failure : `The computation failed: ${answer.failure}`;
}

let params = [];
let presets = {};

// The design as the lines the study reads: the planet first, then every
// field that is not empty.
function designLines() {
  const lines = [`planet=${$('planet').value}`];
  for (const p of params) {
    const value = $(`p-${p.name}`).value.trim();
    if (value !== '') lines.push(`${p.name}=${value}`);
  }
  return lines.join('\n');
}

const method = () => $('method').value;

function updateAddress() {
  const query = new URLSearchParams();
  if ($('planet').value !== 'earth') query.set('planet', $('planet').value);
  if (method() !== 'march') query.set('method', method());
  for (const p of params) {
    const value = $(`p-${p.name}`).value.trim();
    if (value !== '') query.set(p.name, value);
  }
  if (mapState) {
    query.set('map', mapState.axes);
    query.set('mapfig', mapState.figure);
  }
  const text = query.toString();
  history.replaceState(null, '', text ? `?${text}` : location.pathname);
}
let mapState = null;

function buildForm() {
  const groups = $('groups');
  for (const group of [...new Set(params.map((p) => p.group))]) {
    const set = document.createElement('fieldset');
    const legend = document.createElement('legend');
    legend.textContent = group;
    set.append(legend);
    if (group === 'planet') {
      const row = document.createElement('div');
      row.className = 'field';
      row.innerHTML = '<label for="planet">preset</label>'
        + '<select id="planet"><option value="earth">Earth</option><option value="mars">Mars</option></select>'
        + '<span class="unit"></span><span class="meaning">GM, RE and tsid of a planet</span>'
        + '<span class="error" id="e-planet"></span>';
      set.append(row);
    }
    for (const p of params.filter((q) => q.group === group)) {
      const row = document.createElement('div');
      row.className = 'field';
      const label = document.createElement('label');
      label.htmlFor = `p-${p.name}`;
      label.textContent = p.name;
      const input = document.createElement('input');
      input.id = `p-${p.name}`;
      input.name = p.name;
      input.type = 'text';
      input.inputMode = 'decimal';
      input.autocomplete = 'off';
      input.spellcheck = false;
      input.placeholder = p.value;
      input.setAttribute('aria-describedby', `m-${p.name} e-${p.name}`);
      const unit = document.createElement('span');
      unit.className = 'unit';
      unit.textContent = p.unit;
      const meaning = document.createElement('span');
      meaning.className = 'meaning';
      meaning.id = `m-${p.name}`;
      meaning.textContent = `${p.meaning} (default ${p.value}${p.auto && p.value !== 'auto' ? ', or auto' : ''})`;
      const error = document.createElement('span');
      error.className = 'error';
      error.id = `e-${p.name}`;
      const warning = document.createElement('span');
      warning.className = 'warning';
      warning.id = `w-${p.name}`;
      row.append(label, input, unit, meaning, error, warning);
      set.append(row);
    }
    groups.append(set);
  }
}

function showPresetPlaceholders() {
  const preset = presets[$('planet').value];
  for (const name of ['GM', 'RE', 'tsid']) $(`p-${name}`).placeholder = preset[name];
}

function showErrors(errors) {
  for (const p of params) {
    $(`e-${p.name}`).textContent = '';
    $(`p-${p.name}`).removeAttribute('aria-invalid');
  }
  for (const e of errors) {
    const field = document.getElementById(`e-${e.name}`);
    if (field) {
      field.textContent = e.message;
      $(`p-${e.name}`).setAttribute('aria-invalid', 'true');
    }
  }
  $('alert').textContent = errors.map((e) => e.message).join('\n');
}

function showFigures(figures) {
  const body = document.querySelector('#figures tbody');
  for (const cell of body.querySelectorAll('td[data-name]')) {
    const figure = figures.find((f) => f.name === cell.dataset.name);
    if (figure && figure.value !== null) {
      cell.dataset.value = figure.value;
      cell.textContent = Number(figure.value).toPrecision(10).replace(/\.?0+($|e)/, '$1');
    } else {
      delete cell.dataset.value;
      cell.textContent = figure ? 'none' : '–';
    }
  }
}

function buildFigureTable(figures) {
  const body = document.querySelector('#figures tbody');
  for (const f of figures) {
    const row = document.createElement('tr');
    row.innerHTML = `<th scope="row"><code>${f.name}</code></th><td data-name="${f.name}"></td>`
      + `<td>${f.unit === '-' ? '' : f.unit}</td><td>${meanings[f.name] || ''}</td>`;
    body.append(row);
  }
}

// Plots of the climb: each a uPlot over altitude; series told apart by dash
// as well as colour.
const plots = [];
function clearPlots() {
  while (plots.length) plots.pop().destroy();
  $('plots').textContent = '';
}

function plot(target, title, x, series, scales = {}) {
  const width = Math.max(320, Math.min(900, target.clientWidth || 800));
  const opts = {
    title,
    width,
    height: 240,
    scales: { x: { time: false }, ...scales },
    axes: [{ label: 'altitude (km)' }, ...series.axes],
    series: [{ label: 'altitude (km)' }, ...series.lines],
  };
  const holder = document.createElement('figure');
  target.append(holder);
  plots.push(new uPlot(opts, [x, ...series.data], holder));
}

function showPlots(rows) {
  clearPlots();
  const box = $('plots');
  const x = rows.alt;
  plot(box, 'climb speed', x, {
    axes: [{ label: 'm/s' }],
    lines: [{ label: 'speed (m/s)', stroke: '#1f77b4', width: 2 }],
    data: [rows.speed],
  });
  plot(box, 'power used and surplus', x, {
    axes: [{ label: 'MW' }],
    lines: [
      { label: 'power used (MW)', stroke: '#1f77b4', width: 2 },
      { label: 'surplus (MW)', stroke: '#d62728', width: 2, dash: [8, 4] },
    ],
    data: [rows.power, rows.surplus],
  });
  plot(box, 'taper and effective gravity', x, {
    axes: [{ label: 'taper' }, { label: 'm/s²', scale: 'g', side: 1, grid: { show: false } }],
    lines: [
      { label: 'taper (surface = 1)', stroke: '#1f77b4', width: 2 },
      { label: 'effective gravity (m/s²)', stroke: '#2ca02c', width: 2, dash: [8, 4], scale: 'g' },
    ],
    data: [rows.taper, rows.grav],
  });
  plot(box, 'travel time', x, {
    axes: [{ label: 'h' }],
    lines: [{ label: 'time (h)', stroke: '#1f77b4', width: 2 }],
    data: [rows.time],
  });
}

let valid = false;
async function recompute() {
  updateAddress();
  const answer = await callLatest('evaluate', 'evaluate', designLines(), method());
  if (!answer) return;
  if (answer.failure) {
    valid = false;
    showErrors([{ name: '', message: failureText(answer) }]);
    showFigures([]);
    clearPlots();
    return;
  }
  const { errors, figures, rows, warning } = answer.result;
  valid = errors.length === 0;
  showErrors(errors);
  $('w-rhog').textContent = warning || '';
  showFigures(figures);
  if (valid) showPlots(rows);
  else clearPlots();
  document.body.dataset.state = valid ? 'ready' : 'invalid';
}

let timer = null;
function scheduleRecompute() {
  // A sweep or map of the design as it was is no longer wanted.
  if (cancel((request) => request.kind === 'sweep' || request.kind === 'map')) {
    $('map-plot').textContent = '';
    $('sweep-method').textContent = '';
  }
  clearTimeout(timer);
  timer = setTimeout(recompute, 120);
}

function download(name, text, type) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([text], { type }));
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

async function downloadCsv() {
  const answer = await call('ascentCsv', designLines());
  if (answer.result) download('ascent.csv', answer.result, 'text/csv');
  else $('alert').textContent = 'This design cannot be computed: nothing to download.';
}

async function downloadDesign() {
  const answer = await call('designFile', designLines());
  if (answer.result) download('tether.design', answer.result, 'text/plain');
  else $('alert').textContent = 'This design cannot be computed: nothing to download.';
}

let sweepPlot = null;
async function drawSweep(event) {
  event.preventDefault();
  const name = $('sweep-name').value;
  const log = $('sweep-log').checked;
  const text = `${name}=${$('sweep-from').value.trim()}:${$('sweep-to').value.trim()}:${$('sweep-n').value.trim()}${log ? ':log' : ''}`;
  const figure = $('sweep-figure').value;
  const how = method();
  $('sweep-method').textContent = 'Computing…';
  const answer = await callLatest('sweep', 'sweep', designLines(), text, figure, how);
  if (!answer) return;
  if (sweepPlot) { sweepPlot.destroy(); sweepPlot = null; }
  $('sweep-plot').textContent = '';
  const errors = answer.failure ? [{ message: failureText(answer) }] : answer.result.errors;
  $('sweep-alert').textContent = errors.map((e) => e.message).join('\n');
  $('sweep-method').textContent = errors.length ? '' : `Drawn by the ${how} method.`;
  if (errors.length) return;
  const x = Array.from(answer.result.x);
  const y = Array.from(answer.result.y, (v) => (Number.isNaN(v) ? null : v));
  const positive = y.every((v) => v > 0);
  const holder = document.createElement('figure');
  $('sweep-plot').append(holder);
  const unit = params.find((p) => p.name === name).unit;
  sweepPlot = new uPlot({
    title: `${figure} against ${name}`,
    width: Math.max(320, Math.min(900, $('sweep-plot').clientWidth || 800)),
    height: 300,
    scales: { x: { time: false, distr: log ? 3 : 1 }, y: { distr: positive ? 3 : 1 } },
    axes: [{ label: `${name} (${unit})` }, { label: figure }],
    series: [{ label: name }, { label: figure, stroke: '#1f77b4', width: 2, points: { show: true } }],
  }, [x, y], holder);
}

// The map's two axes as the explorer's sweeps, NAME=FROM:TO:N[:log].
function mapAxis(axis) {
  const name = $(`map-${axis}-name`).value;
  const part = (field) => $(`map-${axis}-${field}`).value.trim();
  return `${name}=${part('from')}:${part('to')}:${part('n')}${$(`map-${axis}-log`).checked ? ':log' : ''}`;
}

// Draws the map of the form's axes and figure, or of the address's
// (given: {first, second, figure}, as the study's readers take them, so
// that they, not the page, judge the text).
async function drawTheMap(event, given = null) {
  if (event) event.preventDefault();
  const { first, second, figure } = given
    || { first: mapAxis('x'), second: mapAxis('y'), figure: $('map-figure').value };
  const how = method();
  mapState = { axes: [first, second].map((s) => s.replace('=', ':')).join(','), figure };
  updateAddress();
  const box = $('map-plot');
  delete box.dataset.mapCells;
  box.textContent = 'Computing…';
  $('map-alert').textContent = '';
  const answer = await callLatest('map', 'map', designLines(), first, second, figure, how);
  if (!answer) return;
  box.textContent = '';
  const errors = answer.failure ? [{ message: failureText(answer) }] : answer.result.errors;
  $('map-alert').textContent = errors.map((e) => e.message).join('\n');
  if (errors.length) return;
  const label = (sweep) => {
    const name = sweep.slice(0, sweep.indexOf('=')).trim();
    return `${name} (${params.find((p) => p.name === name).unit})`;
  };
  const drawn = drawMap(box, answer.result, { x: label(first), y: label(second), figure, method: how });
  if (drawn) box.dataset.mapCells = String(answer.result.z.length);
}

async function downloadMap() {
  const answer = await call('mapCsv', designLines(), mapAxis('x'), mapAxis('y'), method());
  if (answer && answer.result) download('map.csv', answer.result, 'text/csv');
  else $('map-alert').textContent = 'This map cannot be computed: nothing to download.';
}

// The address's map: NAME:FROM:TO:N[:log],NAME:FROM:TO:N[:log], as the
// study's sweeps NAME=FROM:TO:N[:log] with the figure's name, or null (and
// the reason by the map) where it has not two axes. The form shows what of
// it the form can hold; the study's readers judge the rest when it is drawn.
function readMapAddress(text, figure) {
  const axes = text.split(',');
  if (axes.length !== 2) {
    $('map-alert').textContent = `map = ${text}: expected two axes, NAME:FROM:TO:N[:log],NAME:FROM:TO:N[:log]`
      + ` (${axes.length === 1 ? 'one is' : `${axes.length} are`} given)`;
    return null;
  }
  for (const [axis, text] of [['x', axes[0]], ['y', axes[1]]]) {
    const parts = text.split(':');
    if (params.some((p) => p.name === parts[0])) $(`map-${axis}-name`).value = parts[0];
    ['from', 'to', 'n'].forEach((field, k) => {
      if (parts[k + 1] !== undefined) $(`map-${axis}-${field}`).value = parts[k + 1];
    });
    $(`map-${axis}-log`).checked = parts[4] === 'log';
  }
  if (figure !== null && [...$('map-figure').options].some((o) => o.value === figure)) {
    $('map-figure').value = figure;
  }
  return {
    first: axes[0].replace(':', '='),
    second: axes[1].replace(':', '='),
    figure: figure ?? $('map-figure').value,
  };
}

async function start() {
  const [p, q] = await Promise.all([call('parameters'), call('presets')]);
  params = p.result;
  presets = q.result;
  buildForm();
  const query = new URLSearchParams(location.search);
  // A key given twice: the last wins, as on the command line.
  const address = (name) => {
    const all = query.getAll(name);
    return all.length ? all[all.length - 1] : null;
  };
  const planet = address('planet');
  // Only the presets' own names: never a name every object has.
  if (planet !== null && Object.prototype.hasOwnProperty.call(presets, planet)) $('planet').value = planet;
  for (const param of params) {
    if (address(param.name) !== null) $(`p-${param.name}`).value = address(param.name);
  }
  if (address('method') === 'integral') $('method').value = 'integral';
  showPresetPlaceholders();

  const first = await call('evaluate', '', 'march');
  buildFigureTable(first.result.figures);
  for (const param of params) {
    $('sweep-name').add(new Option(`${param.name} (${param.unit})`, param.name, false, param.name === 'vmax'));
  }
  for (const f of first.result.figures) {
    $('sweep-figure').add(new Option(f.name, f.name, false, f.name === 'time'));
    $('map-figure').add(new Option(f.name, f.name, false, f.name === 'time'));
  }
  for (const param of params) {
    $('map-x-name').add(new Option(`${param.name} (${param.unit})`, param.name, false, param.name === 'strength'));
    $('map-y-name').add(new Option(`${param.name} (${param.unit})`, param.name, false, param.name === 'vmax'));
  }

  $('design').addEventListener('input', scheduleRecompute);
  $('planet').addEventListener('change', () => { showPresetPlaceholders(); scheduleRecompute(); });
  $('reset').addEventListener('click', () => {
    for (const param of params) $(`p-${param.name}`).value = '';
    $('planet').value = 'earth';
    showPresetPlaceholders();
    scheduleRecompute();
  });
  $('download-csv').addEventListener('click', downloadCsv);
  $('download-design').addEventListener('click', downloadDesign);
  $('sweep').addEventListener('submit', drawSweep);
  $('map').addEventListener('submit', drawTheMap);
  $('download-map').addEventListener('click', downloadMap);
  $('method').addEventListener('change', scheduleRecompute);
  $('stop').addEventListener('click', () => {
    if (cancel((request) => request.kind === 'sweep' || request.kind === 'map')) {
      $('map-plot').textContent = '';
      $('sweep-method').textContent = 'Stopped.';
    }
  });
  await recompute();
  if (planet !== null && !Object.prototype.hasOwnProperty.call(presets, planet)) {
    $('e-planet').textContent = `planet = ${planet}: unknown planet; known: earth, mars`;
  }
  if (address('map') !== null) {
    const given = readMapAddress(address('map'), address('mapfig'));
    if (given) await drawTheMap(null, given);
  }
}

start().catch((error) => { $('alert').textContent = `The page could not start: ${error.message}`; });
