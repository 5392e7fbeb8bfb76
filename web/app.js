// The design explorer: a form for the design, kept in the address; the study
// computed by a worker; the figures, plots, sweep and downloads.
import uPlot from './uplot.js';

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

// Requests to the worker, answered by id; for each kind only the latest
// request waiting is kept, so typing never queues up stale work.
const worker = new Worker('./worker.js', { type: 'module' });
const waiting = new Map();
let nextId = 0;
worker.onmessage = ({ data }) => {
  const done = waiting.get(data.id);
  waiting.delete(data.id);
  if (done) done(data);
};
function call(name, ...args) {
  return new Promise((resolve) => {
    const id = nextId++;
    waiting.set(id, resolve);
    worker.postMessage({ id, call: name, args });
  });
}
const latest = {};
async function callLatest(kind, name, ...args) {
  const ticket = (latest[kind] = (latest[kind] || 0) + 1);
  const answer = await call(name, ...args);
  return ticket === latest[kind] ? answer : null;
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

function updateAddress() {
  const query = new URLSearchParams();
  if ($('planet').value !== 'earth') query.set('planet', $('planet').value);
  for (const p of params) {
    const value = $(`p-${p.name}`).value.trim();
    if (value !== '') query.set(p.name, value);
  }
  const text = query.toString();
  history.replaceState(null, '', text ? `?${text}` : location.pathname);
}

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
        + '<span class="unit"></span><span class="meaning">GM, RE and tsid of a planet</span>';
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
      meaning.textContent = `${p.meaning} (default ${p.value}${p.auto ? ', or auto' : ''})`;
      const error = document.createElement('span');
      error.className = 'error';
      error.id = `e-${p.name}`;
      row.append(label, input, unit, meaning, error);
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
  const answer = await callLatest('evaluate', 'evaluate', designLines());
  if (!answer) return;
  if (answer.failure) {
    valid = false;
    showErrors([{ name: '', message: answer.failure }]);
    showFigures([]);
    clearPlots();
    return;
  }
  const { errors, figures, rows } = answer.result;
  valid = errors.length === 0;
  showErrors(errors);
  showFigures(figures);
  if (valid) showPlots(rows);
  else clearPlots();
  document.body.dataset.state = valid ? 'ready' : 'invalid';
}

let timer = null;
function scheduleRecompute() {
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
  const answer = await callLatest('sweep', 'sweep', designLines(), text, figure);
  if (!answer) return;
  if (sweepPlot) { sweepPlot.destroy(); sweepPlot = null; }
  $('sweep-plot').textContent = '';
  const errors = answer.failure ? [{ message: answer.failure }] : answer.result.errors;
  $('sweep-alert').textContent = errors.map((e) => e.message).join('\n');
  if (errors.length) return;
  const { x, y } = answer.result;
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
  }, [x, y.map((v) => (v === null ? null : v))], holder);
}

async function start() {
  const [p, q] = await Promise.all([call('parameters'), call('presets')]);
  params = p.result;
  presets = q.result;
  buildForm();
  const address = new URLSearchParams(location.search);
  if (address.get('planet') && presets[address.get('planet')]) $('planet').value = address.get('planet');
  for (const param of params) {
    if (address.has(param.name)) $(`p-${param.name}`).value = address.get(param.name);
  }
  showPresetPlaceholders();

  const first = await call('evaluate', '');
  buildFigureTable(first.result.figures);
  for (const param of params) {
    $('sweep-name').add(new Option(`${param.name} (${param.unit})`, param.name, false, param.name === 'vmax'));
  }
  for (const f of first.result.figures) {
    $('sweep-figure').add(new Option(f.name, f.name, false, f.name === 'time'));
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
  await recompute();
}

start().catch((error) => { $('alert').textContent = `The page could not start: ${error.message}`; });
