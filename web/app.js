// The design explorer: a form for the design, kept in the address; the study
// computed by workers (requests.js); the figures, plots, oscillation modes,
// sweep and downloads.
import uPlot from './uplot.js';
import { drawMap } from './map.js';
import { setupSpread } from './spread.js';
import { setupLoad, setupSwing } from './load.js';
import { setupRibbon } from './ribbon.js';
import { callKind, callMap, cancel, tablesAnswer } from './requests.js';

const $ = (id) => document.getElementById(id);

// Requests to the workers (requests.js): call() answers in turn, callLatest()
// ends the request of its kind before it.
const call = (name, ...args) => callKind(null, name, ...args);
const callLatest = callKind;

// The failure of a request, as a message a person can read.
function failureText(answer) {
  return /memory/i.test(answer.failure) ? answer.failure : `The computation failed: ${answer.failure}`;
}

// The library's tables (the bindings' tables()): parameters, planet presets,
// figures, the ascent table's columns, the climb's plots, methods, example
// sweeps. The page builds itself from them and names none of their rows.
let tables = null;
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
  if ($('planet').value !== defaultPlanet()) query.set('planet', $('planet').value);
  if (method() !== tables.methods[0].name) query.set('method', method());
  for (const p of params) {
    const value = $(`p-${p.name}`).value.trim();
    if (value !== '') query.set(p.name, value);
  }
  const modesWanted = $('modes-n').value.trim();
  if (modesWanted !== $('modes-n').defaultValue) query.set('modes', modesWanted);
  if (mapState) {
    query.set('map', mapState.axes);
    query.set('mapfig', mapState.figure);
  }
  const text = query.toString();
  history.replaceState(null, '', text ? `?${text}` : location.pathname);
}
let mapState = null;

const defaultPlanet = () => Object.keys(presets)[0];
// The parameters a preset sets: those of its entry in the presets.
const presetNames = () => Object.keys(presets[defaultPlanet()]);

// A parameter's hint: its meaning, its default, and whether "auto" is
// allowed and what it gives.
function hint(p) {
  const auto = p.auto ? (p.value === 'auto' ? `: ${p.autoRule}` : `, or auto: ${p.autoRule}`) : '';
  return `${p.meaning} (default ${p.value}${auto})`;
}

function buildForm() {
  const groups = $('groups');
  const planetGroup = params.find((p) => presetNames().includes(p.name))?.group;
  for (const group of [...new Set(params.map((p) => p.group))]) {
    const set = document.createElement('fieldset');
    const legend = document.createElement('legend');
    legend.textContent = group;
    set.append(legend);
    if (group === planetGroup) {
      const row = document.createElement('div');
      row.className = 'field';
      const label = document.createElement('label');
      label.htmlFor = 'planet';
      label.textContent = 'preset';
      const select = document.createElement('select');
      select.id = 'planet';
      for (const name of Object.keys(presets)) {
        select.add(new Option(name[0].toUpperCase() + name.slice(1), name));
      }
      const unit = document.createElement('span');
      unit.className = 'unit';
      const meaning = document.createElement('span');
      meaning.className = 'meaning';
      meaning.textContent = `${presetNames().join(', ')} of a planet`;
      const error = document.createElement('span');
      error.className = 'error';
      error.id = 'e-planet';
      row.append(label, select, unit, meaning, error);
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
      input.setAttribute('aria-describedby', `m-${p.name} e-${p.name} w-${p.name}`);
      const unit = document.createElement('span');
      unit.className = 'unit';
      unit.textContent = p.unit;
      const meaning = document.createElement('span');
      meaning.className = 'meaning';
      meaning.id = `m-${p.name}`;
      meaning.textContent = hint(p);
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
  for (const m of tables.methods) $('method').add(new Option(`${m.name}: ${m.meaning}`, m.name));
}

function showPresetPlaceholders() {
  const preset = presets[$('planet').value];
  for (const [name, value] of Object.entries(preset)) $(`p-${name}`).placeholder = value;
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
      document.getElementById(`p-${e.name}`)?.setAttribute('aria-invalid', 'true');
    }
  }
  $('alert').textContent = errors.map((e) => e.message).join('\n');
}

function showFigures(figures) {
  const body = document.querySelector('#figures tbody');
  for (const cell of body.querySelectorAll('td[data-name]')) {
    const figure = figures.find((f) => f.name === cell.dataset.name);
    const computed = tables.figures.find((f) => f.name === cell.dataset.name)?.methods.includes(method());
    cell.title = computed === false ? `not computed by the ${method()} method` : '';
    if (computed === false) {
      delete cell.dataset.value;
      cell.textContent = '–';
    } else if (figure && figure.value !== null) {
      cell.dataset.value = figure.value;
      cell.textContent = Number(figure.value).toPrecision(10).replace(/\.?0+($|e)/, '$1');
    } else {
      delete cell.dataset.value;
      cell.textContent = figure ? 'none' : '–';
    }
  }
}

// The figures a design's evaluation gives: not those given only by name.
const evaluated = () => tables.figures.filter((f) => !f.named);

// The figures' table: a row for each figure the design's evaluation gives
// (not those given only by name), with its unit, its meaning and a place
// for the library's notes on it.
function buildFigureTable() {
  const body = document.querySelector('#figures tbody');
  for (const f of evaluated()) {
    const row = document.createElement('tr');
    const name = document.createElement('th');
    name.scope = 'row';
    const code = document.createElement('code');
    code.textContent = f.name;
    name.append(code);
    const value = document.createElement('td');
    value.dataset.name = f.name;
    const unit = document.createElement('td');
    unit.textContent = f.unit === '-' ? '' : f.unit;
    const meaning = document.createElement('td');
    meaning.textContent = f.meaning;
    const note = document.createElement('span');
    note.className = 'warning';
    note.id = `n-${f.name}`;
    meaning.append(note);
    row.append(name, value, unit, meaning);
    body.append(row);
  }
}

// The library's notes, each by the parameter or figure it concerns, or
// apart where the page has no place for it.
function showNotes(notes) {
  for (const p of params) $(`w-${p.name}`).textContent = '';
  for (const f of evaluated()) $(`n-${f.name}`).textContent = '';
  const apart = [];
  for (const n of notes) {
    const place = n.on === 'parameter' && params.some((p) => p.name === n.name) ? $(`w-${n.name}`)
      : n.on === 'figure' && evaluated().some((f) => f.name === n.name) ? $(`n-${n.name}`) : null;
    if (place) place.textContent = place.textContent ? `${place.textContent} ${n.text}` : n.text;
    else apart.push(n.text);
  }
  $('notes').textContent = apart.join('\n');
}

// Plots of the climb: each a uPlot over altitude; series told apart by dash
// as well as colour.
const plots = [];
function clearPlots() {
  while (plots.length) plots.pop().destroy();
  $('plots').textContent = '';
}

// A unit as a label: "m/s^2" as "m/s²"; a pure number ("-" or "1") as nothing.
const unitText = (unit) => (unit === '-' || unit === '1' ? '' : unit.replace(/\^2/g, '²').replace(/\^3/g, '³'));
// " UNIT" after a number, or nothing for a pure number.
const withUnit = (unit) => (unitText(unit) ? ` ${unitText(unit)}` : '');
const colours = ['#1f77b4', '#d62728', '#2ca02c', '#9467bd'];
const dashes = [undefined, [8, 4], [2, 3], [12, 3, 3, 3]];

// The climb's plots as the library lists them: each a title and columns of
// the ascent table against its first; one y axis for each distinct unit.
function showPlots(rows) {
  clearPlots();
  const box = $('plots');
  const column = (name) => tables.ascent.find((c) => c.name === name);
  const xc = tables.ascent[0];
  const xLabel = `${xc.meaning}${unitText(xc.unit) ? ` (${unitText(xc.unit)})` : ''}`;
  for (const p of tables.plots) {
    const shown = p.columns.map(column).filter(Boolean);
    const units = [...new Set(shown.map((c) => c.unit))];
    const scales = { x: { time: false } };
    const axes = [{ label: xLabel }];
    units.forEach((unit, k) => {
      const scale = `y${k}`;
      scales[scale] = {};
      const named = shown.filter((c) => c.unit === unit).map((c) => c.name).join(', ');
      axes.push({ label: unitText(unit) || named, scale, ...(k ? { side: 1, grid: { show: false } } : {}) });
    });
    const lines = shown.map((c, k) => ({
      label: `${c.meaning}${unitText(c.unit) ? ` (${unitText(c.unit)})` : ''}`,
      stroke: colours[k % colours.length],
      width: 2,
      dash: dashes[k % dashes.length],
      scale: `y${units.indexOf(c.unit)}`,
    }));
    const width = Math.max(320, Math.min(900, box.clientWidth || 800));
    const holder = document.createElement('figure');
    box.append(holder);
    plots.push(new uPlot({
      title: p.title, width, height: 240, scales, axes, series: [{ label: xLabel }, ...lines],
    }, [rows[xc.name], ...shown.map((c) => rows[c.name])], holder));
  }
}

// The oscillation modes' table: a row a mode, a column for each of the
// library's period families, headed by its name, unit and meaning.
function buildModesTable() {
  const head = document.querySelector('#modes thead tr');
  for (const f of tables.families) {
    const cell = document.createElement('th');
    cell.scope = 'col';
    const code = document.createElement('code');
    code.textContent = f.name;
    const meaning = document.createElement('span');
    meaning.className = 'meaning';
    meaning.textContent = f.meaning;
    cell.append(code, unitText(f.unit) ? ` (${unitText(f.unit)})` : '', meaning);
    head.append(cell);
  }
}

// The periods of the modes, a row a mode (the families' values in their
// order), their note, and the first in-plane shapes drawn against altitude.
let modesPlot = null;
function showModes(result) {
  const body = document.querySelector('#modes tbody');
  body.textContent = '';
  if (modesPlot) { modesPlot.destroy(); modesPlot = null; }
  $('modes-plot').textContent = '';
  $('modes-note').textContent = result ? result.note ?? '' : '';
  if (!result) return;
  const columns = Object.values(result.periods);
  const count = columns.length ? columns[0].length : 0;
  for (let k = 0; k < count; k++) {
    const row = document.createElement('tr');
    const mode = document.createElement('th');
    mode.scope = 'row';
    mode.textContent = String(k + 1);
    row.append(mode);
    columns.forEach((values, c) => {
      const cell = document.createElement('td');
      cell.dataset.period = tables.families[c]?.name ?? '';
      if (Number.isNaN(values[k])) {
        cell.textContent = 'none';
      } else {
        cell.dataset.value = String(values[k]);
        cell.textContent = values[k].toPrecision(10).replace(/\.?0+($|e)/, '$1');
      }
      row.append(cell);
    });
    body.append(row);
  }
  // The shapes: the first entry the altitudes, the rest a mode each.
  const [[xName, x], ...shapes] = Object.entries(result.shapes);
  if (!x || !shapes.some(([, y]) => y.some((v) => !Number.isNaN(v)))) return;
  const xc = tables.ascent.find((c) => c.name === xName);
  const xLabel = xc ? `${xc.meaning}${unitText(xc.unit) ? ` (${unitText(xc.unit)})` : ''}` : xName;
  const family = tables.families[0];
  const inPlane = columns[0] ?? [];
  const holder = document.createElement('figure');
  $('modes-plot').append(holder);
  modesPlot = new uPlot({
    title: 'the first in-plane mode shapes, scaled to a largest sideways displacement of 1',
    width: Math.max(320, Math.min(900, $('modes-plot').clientWidth || 800)),
    height: 280,
    scales: { x: { time: false } },
    axes: [{ label: xLabel }, { label: 'sideways displacement' }],
    series: [{ label: xName }, ...shapes.map(([name], k) => ({
      label: k < inPlane.length && !Number.isNaN(inPlane[k]) && family
        ? `${name} (${family.name}_${k + 1} = ${inPlane[k].toPrecision(4)} ${unitText(family.unit)})` : name,
      stroke: colours[k % colours.length],
      width: 2,
      dash: dashes[k % dashes.length],
    }))],
  }, [Array.from(x), ...shapes.map(([, y]) => Array.from(y, (v) => (Number.isNaN(v) ? null : v)))], holder);
}

// Computes the modes of the design in the worker, a new request ending the
// one before; the table says "ready" or "invalid" when shown.
async function recomputeModes() {
  delete $('modes').dataset.state;
  const answer = await callLatest('modes', 'modes', designLines(), $('modes-n').value);
  if (!answer) return;
  if (answer.failure) {
    $('modes-alert').textContent = failureText(answer);
    showModes(null);
    $('modes').dataset.state = 'invalid';
    return;
  }
  const { errors } = answer.result;
  // The design's own errors are said by its fields; the panel says its own.
  $('modes-alert').textContent = errors.filter((e) => e.name === 'modes').map((e) => e.message).join('\n');
  if (errors.some((e) => e.name === 'modes')) $('modes-n').setAttribute('aria-invalid', 'true');
  else $('modes-n').removeAttribute('aria-invalid');
  showModes(errors.length ? null : answer.result);
  $('modes').dataset.state = errors.length ? 'invalid' : 'ready';
}

// The elasticities of the design's figures, the largest by size first; the
// rows whose elasticity is 0 or missing left out. Returns the rows shown as
// [figure, parameter, elasticity, derivative].
function elasticityRows(result) {
  const rows = [];
  for (let i = 0; i < result.figure.length; i++) {
    const e = result.elasticity[i];
    if (Number.isFinite(e) && e !== 0) rows.push([result.figure[i], result.parameter[i], e, result.derivative[i]]);
  }
  // Largest size first; ties in the engine's order (sort is stable).
  return rows.sort((a, b) => Math.abs(b[2]) - Math.abs(a[2]));
}
function showSensitivity(result) {
  const body = document.querySelector('#sensitivity tbody');
  body.textContent = '';
  $('sensitivity-note').textContent = result ? result.notes.join('\n') : '';
  if (!result) return;
  for (const row of elasticityRows(result)) {
    const tr = document.createElement('tr');
    row.forEach((v, c) => {
      const cell = document.createElement(c < 2 ? 'th' : 'td');
      if (c < 2) cell.scope = 'row';
      cell.textContent = c < 2 ? v : Number(v.toPrecision(6)).toString();
      if (c >= 2) cell.dataset.value = String(v);
      tr.append(cell);
    });
    body.append(tr);
  }
}
async function recomputeSensitivity() {
  delete $('sensitivity').dataset.state;
  const answer = await callLatest('sensitivity', 'sensitivity', designLines());
  if (!answer) return;
  const failed = answer.failure || answer.result.errors.length;
  $('sensitivity-alert').textContent = answer.failure ? failureText(answer)
    : answer.result.errors.map((e) => e.message).join('\n');
  showSensitivity(failed ? null : answer.result);
  $('sensitivity').dataset.state = failed ? 'invalid' : 'ready';
}

let valid = false;
// The Traffic, Swing and Ribbon panels' recomputations, once the page is set up.
let recomputeLoad = () => {};
let recomputeSwing = () => {};
let recomputeRibbon = () => {};
async function recompute() {
  updateAddress();
  recomputeModes();
  recomputeLoad();
  recomputeSwing();
  recomputeRibbon();
  recomputeSensitivity();
  const answer = await callLatest('evaluate', 'evaluate', designLines(), method());
  if (!answer) return;
  if (answer.failure) {
    valid = false;
    showErrors([{ name: '', message: failureText(answer) }]);
    showNotes([]);
    showFigures([]);
    clearPlots();
    return;
  }
  const { errors, figures, rows, notes } = answer.result;
  valid = errors.length === 0;
  showErrors(errors);
  showNotes(notes);
  showFigures(figures);
  if (valid) showPlots(rows);
  else clearPlots();
  document.body.dataset.state = valid ? 'ready' : 'invalid';
}

let timer = null;
function scheduleRecompute() {
  // A sweep or map of the design as it was is no longer wanted.
  if (cancel((request) => request.kind === 'sweep' || request.kind === 'map' || request.kind === 'find')) {
    $('map-plot').textContent = '';
    $('sweep-method').textContent = '';
    $('find-result').textContent = '';
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

// A goal as the explorer's --solve NAME=LOW:HIGH and --for FIGURE=VALUE,
// from the fields PREFIX-name, -low, -high, -figure and -target.
function goalTexts(prefix) {
  const part = (field) => $(`${prefix}-${field}`).value.trim();
  return {
    name: part('name'),
    solve: `${part('name')}=${part('low')}:${part('high')}`,
    for: `${part('figure')}=${part('target')}`,
  };
}

// A figure's value for the design shown by the method goal seek uses (the
// integral method), to the last bit, or ''.
async function seekableValue(name) {
  const answer = await call('evaluate', designLines(), 'integral');
  const figure = answer.result?.figures.find((f) => f.name === name);
  return figure && figure.value !== null ? String(figure.value) : '';
}

// A goal's target follows its figure: the figure's value for the design
// shown as goal seek computes it (so that seeking it finds the design's own
// value), until the target is typed; the unit beside it is the figure's.
async function fillTarget(prefix, force = false) {
  const target = $(`${prefix}-target`);
  const name = $(`${prefix}-figure`).value;
  const figure = tables.figures.find((f) => f.name === name);
  $(`${prefix}-unit`).textContent = figure ? unitText(figure.unit) : '';
  if (!force && target.dataset.typed) return;
  const edits = Number(target.dataset.edits ?? 0);
  const value = await seekableValue(figure ? figure.name : '');
  // A target typed (even to the text it held), or another figure chosen,
  // while it was computed stays.
  if (value && Number(target.dataset.edits ?? 0) === edits && $(`${prefix}-figure`).value === name) {
    target.value = value;
  }
}

// Seeks the goal of the Find panel for the design; the parameter's field
// then holds the value found, and the study follows. Or says why not.
async function findValue(event) {
  event.preventDefault();
  const goal = goalTexts('find');
  $('find-alert').textContent = '';
  $('find-notes').textContent = '';
  $('find-result').textContent = 'Seeking…';
  const answer = await callLatest('find', 'solve', designLines(), goal.solve, goal.for);
  if (!answer) return;
  $('find-result').textContent = '';
  const errors = answer.failure ? [{ message: failureText(answer) }] : answer.result.errors;
  const why = errors.length ? errors.map((e) => e.message).join('\n') : answer.result.problem;
  if (why) {
    $('find-alert').textContent = why;
    return;
  }
  const field = $(`p-${goal.name}`);
  field.value = answer.result.value;
  const unit = params.find((p) => p.name === goal.name).unit;
  $('find-result').textContent = `${goal.name} = ${answer.result.value}${withUnit(unit)} gives ${goal.for.replace('=', ' = ')}`
    + `${$('find-unit').textContent ? ` ${$('find-unit').textContent}` : ''} by the ${answer.result.method} method; the field holds it.`;
  // The notes on the design found, as the explorer says them.
  $('find-notes').textContent = answer.result.notes.join('\n');
  scheduleRecompute();
}

let sweepPlot = null;
async function drawSweep(event) {
  event.preventDefault();
  const name = $('sweep-name').value;
  const log = $('sweep-log').checked;
  const text = `${name}=${$('sweep-from').value.trim()}:${$('sweep-to').value.trim()}:${$('sweep-n').value.trim()}${log ? ':log' : ''}`;
  const solving = $('sweep-solve').checked;
  const goal = goalTexts('sweep-solve');
  const goalUnit = $('sweep-solve-unit').textContent;
  const wanted = `${goal.for.replace('=', ' = ')}${goalUnit ? ` ${goalUnit}` : ''}`;
  const figure = solving ? goal.name : $('sweep-figure').value;
  let how = method();
  $('sweep-method').textContent = solving ? 'Seeking…' : 'Computing…';
  $('sweep-gaps').textContent = '';
  const answer = solving
    ? await callLatest('sweep', 'solveSweep', designLines(), text, goal.solve, goal.for)
    : await callLatest('sweep', 'sweep', designLines(), text, figure, how);
  if (!answer) return;
  if (sweepPlot) { sweepPlot.destroy(); sweepPlot = null; }
  $('sweep-plot').textContent = '';
  delete $('sweep-plot').dataset.solved;
  const errors = answer.failure ? [{ message: failureText(answer) }] : answer.result.errors;
  $('sweep-alert').textContent = errors.map((e) => e.message).join('\n');
  if (solving && !errors.length) how = answer.result.method;
  $('sweep-method').textContent = errors.length ? ''
    : solving ? `${goal.name} at which ${wanted}, sought at each ${name} by the ${how} method.`
      : `Drawn by the ${how} method.`;
  if (errors.length) return;
  const x = Array.from(answer.result.x);
  const y = Array.from(answer.result.y, (v) => (Number.isNaN(v) ? null : v));
  if (solving) {
    // The curve's points as the explorer's CSV writes them, an empty value
    // where there is no answer; and the points without one, counted.
    const { xText, yText, problems, notes } = answer.result;
    $('sweep-plot').dataset.solved = xText.map((v, k) => `${v},${yText[k]}`).join('\n');
    const said = problems.length ? [`${problems.length} of ${x.length} points have no answer and are left out of the line;`
      + ` the first, at ${name} = ${problems[0].at}: ${problems[0].text}.`] : [];
    // The notes on the solved designs, as the explorer says them.
    $('sweep-gaps').textContent = [...said, ...notes].join('\n');
  }
  const positive = y.every((v) => v === null || v > 0);
  const holder = document.createElement('figure');
  $('sweep-plot').append(holder);
  const unit = params.find((p) => p.name === name).unit;
  const yUnit = solving ? params.find((p) => p.name === figure)?.unit : tables.figures.find((f) => f.name === figure)?.unit;
  const yLabel = yUnit && unitText(yUnit) ? `${figure} (${unitText(yUnit)})` : figure;
  sweepPlot = new uPlot({
    title: solving ? `${figure} at which ${wanted}, against ${name}` : `${figure} against ${name}`,
    width: Math.max(320, Math.min(900, $('sweep-plot').clientWidth || 800)),
    height: 300,
    scales: { x: { time: false, distr: log ? 3 : 1 }, y: { distr: positive ? 3 : 1 } },
    axes: [{ label: `${name} (${unit})` }, { label: yLabel }],
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
  // Asked first: the workers start on it while the page says so.
  const asked = callMap(designLines(), first, second, figure, how);
  mapState = { axes: [first, second].map((s) => s.replace('=', ':')).join(','), figure };
  updateAddress();
  const box = $('map-plot');
  delete box.dataset.mapCells;
  box.textContent = 'Computing…';
  $('map-alert').textContent = '';
  const answer = await asked;
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
  fillAxis('map-x', axes[0].replace(':', '='));
  fillAxis('map-y', axes[1].replace(':', '='));
  if (figure !== null && [...$('map-figure').options].some((o) => o.value === figure)) {
    $('map-figure').value = figure;
  }
  return {
    first: axes[0].replace(':', '='),
    second: axes[1].replace(':', '='),
    figure: figure ?? $('map-figure').value,
  };
}

// Fills a sweep's fields (PREFIX-name, -from, -to, -n, -log) from the text
// NAME=FROM:TO:N[:log], as far as they can hold it.
function fillAxis(prefix, text) {
  const eq = text.indexOf('=');
  const name = eq < 0 ? text : text.slice(0, eq);
  const parts = eq < 0 ? [] : text.slice(eq + 1).split(':');
  if (params.some((p) => p.name === name)) $(`${prefix}-name`).value = name;
  ['from', 'to', 'n'].forEach((field, k) => {
    if (parts[k] !== undefined) $(`${prefix}-${field}`).value = parts[k];
  });
  $(`${prefix}-log`).checked = parts[3] === 'log';
}

// Fills a goal's fields (PREFIX-name, -low, -high, -figure) from a sweep
// NAME=FROM:TO[:N[:log]] and a figure: the parameter sought in that range.
function fillGoal(prefix, sweepText, figure) {
  const eq = sweepText.indexOf('=');
  const name = sweepText.slice(0, eq);
  const [from, to] = sweepText.slice(eq + 1).split(':');
  if (params.some((p) => p.name === name)) $(`${prefix}-name`).value = name;
  $(`${prefix}-low`).value = from ?? '';
  $(`${prefix}-high`).value = to ?? '';
  $(`${prefix}-figure`).value = figure;
}

// What the library says of a name the address gives that the page's
// lists do not hold (a planet, a method), by its field.
async function refuseAddress(lines, method, field) {
  const answer = await call('evaluate', lines, method);
  const error = answer.result?.errors.find((e) => e.name === field);
  if (error) $(`e-${field}`).textContent = error.message;
}

async function start() {
  tables = (await tablesAnswer).result;
  params = tables.parameters;
  presets = tables.presets;
  buildForm();
  const query = new URLSearchParams(location.search);
  // A key given twice: the last wins, as on the command line.
  const address = (name) => {
    const all = query.getAll(name);
    return all.length ? all[all.length - 1] : null;
  };
  const has = (object, key) => Object.prototype.hasOwnProperty.call(object, key);
  const planet = address('planet');
  // Only the presets' own names: never a name every object has.
  if (planet !== null && has(presets, planet)) $('planet').value = planet;
  for (const param of params) {
    if (address(param.name) !== null) $(`p-${param.name}`).value = address(param.name);
  }
  if (address('modes') !== null) $('modes-n').value = address('modes');
  const methodGiven = address('method');
  const methodKnown = tables.methods.some((m) => m.name === methodGiven);
  if (methodKnown) $('method').value = methodGiven;
  showPresetPlaceholders();

  // The sweep and the map start from the library's example sweeps: the
  // sweep from the first, the map's axes from the first two.
  buildFigureTable();
  buildModesTable();
  const [example, second = example] = tables.examples;
  for (const param of params) {
    for (const id of ['sweep-name', 'map-x-name', 'map-y-name', 'find-name', 'sweep-solve-name']) {
      $(id).add(new Option(`${param.name} (${param.unit})`, param.name));
    }
  }
  for (const f of tables.figures) {
    for (const id of ['sweep-figure', 'map-figure', 'find-figure', 'sweep-solve-figure']) {
      $(id).add(new Option(f.name, f.name));
    }
  }
  if (example) {
    fillAxis('sweep', example.sweep);
    fillAxis('map-x', example.sweep);
    fillAxis('map-y', second.sweep);
    $('sweep-figure').value = example.figure;
    $('map-figure').value = example.figure;
    // The goals: Find seeks the first example's parameter in its range; a
    // solved curve, swept along the first, seeks the second's; both for
    // the first example's figure.
    fillGoal('find', example.sweep, example.figure);
    fillGoal('sweep-solve', second.sweep, example.figure);
  }

  $('design').addEventListener('input', scheduleRecompute);
  $('planet').addEventListener('change', () => { showPresetPlaceholders(); scheduleRecompute(); });
  $('reset').addEventListener('click', () => {
    for (const param of params) $(`p-${param.name}`).value = '';
    $('planet').value = defaultPlanet();
    showPresetPlaceholders();
    scheduleRecompute();
  });
  let modesTimer = null;
  $('modes-n').addEventListener('input', () => {
    updateAddress();
    clearTimeout(modesTimer);
    modesTimer = setTimeout(recomputeModes, 120);
  });
  $('modes-form').addEventListener('submit', (event) => event.preventDefault());
  $('download-csv').addEventListener('click', downloadCsv);
  $('download-design').addEventListener('click', downloadDesign);
  $('sweep').addEventListener('submit', drawSweep);
  $('map').addEventListener('submit', drawTheMap);
  $('download-map').addEventListener('click', downloadMap);
  setupSpread({ $, tables, call: callLatest, designLines, method, failureText });
  recomputeLoad = setupLoad({ $, call: callLatest, designLines, failureText });
  recomputeSwing = setupSwing({ $, call: callLatest, designLines, failureText });
  recomputeRibbon = setupRibbon({ $, call: callLatest, designLines, method, failureText });
  $('find').addEventListener('submit', findValue);
  // A solved curve plots the parameter sought, not the sweep's figure.
  $('sweep-solve').addEventListener('change', () => { $('sweep-figure').disabled = $('sweep-solve').checked; });
  for (const prefix of ['find', 'sweep-solve']) {
    $(`${prefix}-figure`).addEventListener('change', () => fillTarget(prefix, true));
    $(`${prefix}-target`).addEventListener('input', (e) => {
      e.target.dataset.typed = 'yes';
      e.target.dataset.edits = String(Number(e.target.dataset.edits ?? 0) + 1);
    });
  }
  $('method').addEventListener('change', () => { $('e-method').textContent = ''; scheduleRecompute(); });
  $('stop').addEventListener('click', () => {
    if (cancel((request) => ['sweep', 'map', 'find', 'spread'].includes(request.kind))) {
      $('map-plot').textContent = '';
      $('sweep-method').textContent = 'Stopped.';
      $('find-result').textContent = '';
    }
  });
  // An address that gives a map has it drawn first, the design's panels
  // after: the map is what such a link is for, and both workers and the
  // page's thread are its own until it is drawn.
  const mapGiven = address('map') !== null ? readMapAddress(address('map'), address('mapfig')) : null;
  if (mapGiven) await drawTheMap(null, mapGiven);
  await recompute();
  await fillTarget('find');
  await fillTarget('sweep-solve');
  if (planet !== null && !has(presets, planet)) await refuseAddress(`planet=${planet}`, method(), 'planet');
  if (methodGiven !== null && !methodKnown) await refuseAddress('', methodGiven, 'method');
}

start().catch((error) => { $('alert').textContent = `The page could not start: ${error.message}`; });
