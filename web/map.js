// A map of one figure over a grid of two parameters: the cells as a colour
// map, contour lines over them (d3-contour), a colour scale, and the value
// under the pointer. Cells without a value (a refused design, a cap never
// reached) are left blank in a colour the legend names, with their count.
import { contours } from 'd3-contour';
import { interpolateViridis } from 'd3-scale-chromatic';

const blank = '#d9d9d9';
const svgNS = 'http://www.w3.org/2000/svg';

// An SVG element with its attributes and text.
export function element(name, attributes = {}, text = null) {
  const node = document.createElementNS(svgNS, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (text !== null) node.textContent = text;
  return node;
}

// A number to four significant digits, for an axis.
export const short = (v) => Number(v.toPrecision(4)).toString();

// The most pixels a side of the map's canvas has.
const maxSide = 4096;

// result: {x, y, z, refused}, z[i * ny + j] the figure at x[i], y[j].
// Whether the map was drawn: if not, box holds why.
export function drawMap(box, result, labels) {
  const { x, y, z, refused } = result;
  const nx = x.length;
  const ny = y.length;
  // The range of the values, by a loop: spreading a quarter of a million
  // values into Math.min's arguments overflows the call stack.
  let lo = Infinity;
  let hi = -Infinity;
  let count = 0;
  for (const v of z) {
    if (!Number.isFinite(v)) continue;
    count++;
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  const blanks = z.length - count;
  if (!count) {
    lo = 0;
    hi = 1;
  }
  const scale = (v) => interpolateViridis(hi > lo ? (v - lo) / (hi - lo) : 0.5);
  // The scale's 256 colours as bytes: the colour of t is colour floor(256 t),
  // as interpolateViridis picks it, without a text to parse for every cell.
  const bytes = (colour) => (colour.startsWith('#')
    ? [1, 3, 5].map((k) => parseInt(colour.slice(k, k + 2), 16))
    : colour.match(/\d+/g).slice(0, 3).map(Number));
  const palette = Array.from({ length: 256 }, (_, k) => bytes(interpolateViridis((k + 0.5) / 256)));
  const blankBytes = bytes(blank);
  const colourOf = (v) => {
    if (!Number.isFinite(v)) return blankBytes;
    const t = hi > lo ? (v - lo) / (hi - lo) : 0.5;
    return palette[Math.max(0, Math.min(255, Math.floor(t * 256)))];
  };

  // The cells on a canvas stretched over the plot area: one pixel each up
  // to maxSide a side; past it (a canvas that wide cannot be drawn) each
  // pixel takes the cell under its centre.
  const w = Math.min(nx, maxSide);
  const h = Math.min(ny, maxSide);
  const canvas = document.createElement('canvas');
  canvas.width = w;
  canvas.height = h;
  const context = canvas.getContext('2d');
  const image = context.createImageData(w, h);
  const data = image.data;
  for (let px = 0; px < w; px++) {
    const i = Math.floor(((px + 0.5) * nx) / w);
    for (let py = 0; py < h; py++) {
      // Image rows from the top; y grows upwards.
      const j = ny - 1 - Math.floor(((py + 0.5) * ny) / h);
      const at = (py * w + px) * 4;
      const [r, g, b] = colourOf(z[i * ny + j]);
      data[at] = r;
      data[at + 1] = g;
      data[at + 2] = b;
      data[at + 3] = 255;
    }
  }
  context.putImageData(image, 0, 0);
  const picture = canvas.toDataURL();
  // A canvas the browser cannot make gives an empty picture: say so rather
  // than show a blank plot as the map.
  if (!picture.startsWith('data:image/png')) {
    const refusal = document.createElement('p');
    refusal.className = 'alert';
    refusal.textContent = `This browser could not draw the ${nx} × ${ny} cells: try fewer values.`;
    box.append(refusal);
    return false;
  }

  // Rows of the grid by y, x fastest, for the contour lines; cells without
  // a value below every level.
  const grid = new Float64Array(nx * ny);
  for (let i = 0; i < nx; i++) {
    for (let j = 0; j < ny; j++) {
      const v = z[i * ny + j];
      grid[j * nx + i] = Number.isFinite(v) ? v : lo - (hi - lo) - 1;
    }
  }

  const width = 640;
  const height = 420;
  const margin = { left: 70, right: 90, top: 30, bottom: 50 };
  const plotW = width - margin.left - margin.right;
  const plotH = height - margin.top - margin.bottom;
  const svg = element('svg', { viewBox: `0 0 ${width} ${height}`, width, height, role: 'img',
    'aria-label': `${labels.figure} over ${labels.x} and ${labels.y}` });
  svg.append(element('text', { x: margin.left, y: 18 }, `${labels.figure} (${labels.method} method)`));
  const cells = element('image', { x: margin.left, y: margin.top, width: plotW, height: plotH,
    preserveAspectRatio: 'none', href: picture, style: 'image-rendering: pixelated' });
  svg.append(cells);

  // Contour lines at ten levels, drawn in the grid's own coordinates.
  if (count && hi > lo) {
    const levels = Array.from({ length: 9 }, (_, k) => lo + ((k + 1) * (hi - lo)) / 10);
    const lines = contours().size([nx, ny]).thresholds(levels)(Array.from(grid));
    const sx = plotW / nx;
    const sy = plotH / ny;
    const group = element('g', { transform: `translate(${margin.left},${margin.top + plotH}) scale(${sx},${-sy})`,
      fill: 'none', stroke: '#fff', 'stroke-opacity': 0.7, 'vector-effect': 'non-scaling-stroke' });
    for (const line of lines) {
      let d = '';
      for (const polygon of line.coordinates) {
        for (const ring of polygon) d += `M${ring.map((p) => p.join(',')).join('L')}Z`;
      }
      group.append(element('path', { d, 'stroke-width': 1, 'vector-effect': 'non-scaling-stroke' }));
    }
    svg.append(group);
  }

  // Axes: ticks at five values of each parameter.
  const ticks = (n) => [0, 0.25, 0.5, 0.75, 1].map((t) => Math.round(t * (n - 1)));
  for (const i of ticks(nx)) {
    const px = margin.left + ((i + 0.5) * plotW) / nx;
    svg.append(element('line', { x1: px, x2: px, y1: margin.top + plotH, y2: margin.top + plotH + 5, stroke: '#333' }));
    svg.append(element('text', { x: px, y: margin.top + plotH + 18, 'text-anchor': 'middle' }, short(x[i])));
  }
  for (const j of ticks(ny)) {
    const py = margin.top + plotH - ((j + 0.5) * plotH) / ny;
    svg.append(element('line', { x1: margin.left - 5, x2: margin.left, y1: py, y2: py, stroke: '#333' }));
    svg.append(element('text', { x: margin.left - 8, y: py + 4, 'text-anchor': 'end' }, short(y[j])));
  }
  svg.append(element('text', { x: margin.left + plotW / 2, y: height - 8, 'text-anchor': 'middle' }, labels.x));
  svg.append(element('text', { x: 14, y: margin.top + plotH / 2, 'text-anchor': 'middle',
    transform: `rotate(-90 14 ${margin.top + plotH / 2})` }, labels.y));

  // The colour scale, and the blank cells' colour with their count.
  const barX = width - margin.right + 20;
  for (let k = 0; k < 50; k++) {
    svg.append(element('rect', { x: barX, y: margin.top + (plotH * (49 - k)) / 50, width: 16,
      height: plotH / 50 + 0.5, fill: scale(lo + ((k + 0.5) * (hi - lo)) / 50) }));
  }
  svg.append(element('text', { x: barX + 20, y: margin.top + 10 }, short(hi)));
  svg.append(element('text', { x: barX + 20, y: margin.top + plotH }, short(lo)));
  const legend = document.createElement('p');
  legend.className = 'hint';
  legend.textContent = `${nx} × ${ny} designs. Grey: ${blanks} cells without a value`
    + ` (${refused} designs refused, ${blanks - refused} whose figure has no value).`
    + (w < nx || h < ny ? ` Drawn on ${w} × ${h} pixels, each the cell under its centre.` : '');

  // The value under the pointer.
  const pointer = document.createElement('p');
  pointer.className = 'pointer';
  svg.addEventListener('pointermove', (event) => {
    const box = svg.getBoundingClientRect();
    const px = ((event.clientX - box.left) / box.width) * width - margin.left;
    const py = ((event.clientY - box.top) / box.height) * height - margin.top;
    const i = Math.floor((px / plotW) * nx);
    const j = ny - 1 - Math.floor((py / plotH) * ny);
    if (i < 0 || i >= nx || j < 0 || j >= ny) {
      pointer.textContent = '';
      return;
    }
    const v = z[i * ny + j];
    pointer.textContent = `${labels.x} = ${x[i]}, ${labels.y} = ${y[j]}: ${labels.figure} = `
      + `${Number.isFinite(v) ? v : 'none'}`;
  });
  box.append(svg, legend, pointer);
  return true;
}
