// The Spread panel: parameters drawn from distributions, a histogram of one
// figure over the draws, and every figure's summary, as tether-explore
// --vary ... --summary computes them.
import { element, short } from './map.js';

const rowsShown = 3;

// The finite values in `bins` bins of equal width over their range, drawn as
// bars with the range's ends and the count of draws without a value.
function drawHistogram(box, values, label, bins = 40) {
  const finite = Array.from(values).filter(Number.isFinite);
  box.textContent = '';
  if (!finite.length) {
    box.textContent = 'No draw gave this figure.';
    return;
  }
  let low = finite[0];
  let high = finite[0];
  for (const v of finite) {
    if (v < low) low = v;
    if (v > high) high = v;
  }
  const width = high > low ? (high - low) / bins : 1;
  const counts = new Array(bins).fill(0);
  for (const v of finite) counts[Math.min(bins - 1, Math.floor((v - low) / width))] += 1;
  const most = Math.max(...counts);
  const w = 640;
  const h = 220;
  const left = 40;
  const bottom = 36;
  const svg = element('svg', { viewBox: `0 0 ${w} ${h}`, width: w, height: h, role: 'img', 'aria-label': `histogram of ${label}` });
  const barWidth = (w - left - 10) / bins;
  counts.forEach((n, k) => {
    const barHeight = ((h - bottom - 10) * n) / most;
    svg.append(element('rect', {
      x: left + k * barWidth, y: h - bottom - barHeight, width: Math.max(1, barWidth - 1), height: barHeight, fill: '#1f77b4',
    }));
  });
  svg.append(element('text', { x: left, y: h - bottom + 16 }, short(low)));
  svg.append(element('text', { x: w - 10, y: h - bottom + 16, 'text-anchor': 'end' }, short(high)));
  svg.append(element('text', { x: (w + left) / 2, y: h - 4, 'text-anchor': 'middle' }, label));
  svg.append(element('text', { x: left - 4, y: 16, 'text-anchor': 'end' }, String(most)));
  box.append(svg);
  const missing = values.length - finite.length;
  if (missing) {
    const note = document.createElement('p');
    note.className = 'hint';
    note.textContent = `${missing} of ${values.length} draws gave no value and are left out.`;
    box.append(note);
  }
}

function showSummary(table, result) {
  const head = table.querySelector('thead tr');
  const body = table.querySelector('tbody');
  head.textContent = '';
  body.textContent = '';
  if (!result) return;
  for (const name of result.columns) {
    const cell = document.createElement('th');
    cell.scope = 'col';
    cell.textContent = name;
    head.append(cell);
  }
  for (const row of result.rows) {
    const tr = document.createElement('tr');
    row.forEach((text, k) => {
      const cell = document.createElement(k ? 'td' : 'th');
      if (!k) cell.scope = 'row';
      cell.textContent = k && text !== '' && !Number.isNaN(Number(text)) ? Number(text).toPrecision(6).replace(/\.?0+(e|$)/, '$1') : text;
      cell.dataset.value = text;
      tr.append(cell);
    });
    body.append(tr);
  }
}

// The varied parameters as "NAME=DIST" lines, one a row of the form.
function varyLines($) {
  const lines = [];
  for (let k = 0; k < rowsShown; k++) {
    const name = $(`spread-name-${k}`).value;
    const dist = $(`spread-dist-${k}`).value.trim();
    if (name && dist) lines.push(`${name}=${dist}`);
  }
  return lines.join('\n');
}

// Builds the panel's form from the tables and draws on submit; ctx gives
// the page's $, its call to the worker, the tables, the design's lines and
// the method chosen.
export function setupSpread(ctx) {
  const { $, tables } = ctx;
  const rows = $('spread-rows');
  for (let k = 0; k < rowsShown; k++) {
    const line = document.createElement('p');
    const select = document.createElement('select');
    select.id = `spread-name-${k}`;
    select.setAttribute('aria-label', `parameter ${k + 1} drawn`);
    select.add(new Option('—', ''));
    for (const p of tables.parameters) select.add(new Option(`${p.name} (${p.unit})`, p.name));
    const dist = document.createElement('input');
    dist.id = `spread-dist-${k}`;
    dist.type = 'text';
    dist.size = 24;
    dist.setAttribute('aria-label', `distribution of parameter ${k + 1}`);
    dist.placeholder = 'lognormal:35:1.5';
    line.append(select, ' from ', dist);
    rows.append(line);
  }
  // The worked example of the documentation to start from.
  $('spread-name-0').value = 'strength';
  $('spread-dist-0').value = 'lognormal:35:1.5';
  $('spread-name-1').value = 'density';
  $('spread-dist-1').value = 'uniform:1200:1400';
  for (const f of tables.figures) $('spread-figure').add(new Option(f.name, f.name));
  $('spread-figure').value = 'system_mass';
  $('spread').addEventListener('submit', async (event) => {
    event.preventDefault();
    const figure = $('spread-figure').value;
    $('spread-method').textContent = 'Drawing…';
    const answer = await ctx.call('spread', 'spread', ctx.designLines(), varyLines($),
      $('spread-samples').value, $('spread-key').value, ctx.method(), figure);
    if (!answer) return;
    const errors = answer.failure ? [{ message: ctx.failureText(answer) }] : answer.result.errors;
    $('spread-alert').textContent = errors.map((e) => e.message).join('\n');
    $('spread-notes').textContent = errors.length ? '' : answer.result.notes.join('\n');
    $('spread-method').textContent = errors.length ? ''
      : `${answer.result.values.length} draws by the ${answer.result.method} method, seed ${$('spread-key').value.trim()}.`;
    $('spread-plot').dataset.csv = errors.length ? '' : answer.result.csv;
    showSummary($('spread-summary'), errors.length ? null : answer.result);
    if (errors.length) {
      $('spread-plot').textContent = '';
      return;
    }
    const unit = tables.figures.find((f) => f.name === figure)?.unit ?? '';
    drawHistogram($('spread-plot'), answer.result.values, unit && unit !== '1' && unit !== '-' ? `${figure} (${unit})` : figure);
  });
}
