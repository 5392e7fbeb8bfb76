// The web page in a headless browser, against the native tether-explore.
// usage: node browser_test.mjs WEB_BUILD_DIR TETHER_EXPLORE [chromium|firefox]
// Needs the page built (make web), with puppeteer-core in WEB_BUILD_DIR/npm-dev
// (make web-test),
// and the browser (Debian: chromium, or firefox-esr). Exits 0 on success, 1
// on failure, 77 where something it needs is missing (1 then too when
// TETHER_WEB_REQUIRED is set). With TETHER_WEB_SCREENSHOT=FILE it checks the
// study's design, saves a screenshot of the page with a map drawn, and ends
// (make web-screenshot makes docs/web.png so).
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { serve } from './serve.mjs';

const [dir, explore] = process.argv.slice(2, 4).map((p) => resolve(p));
const browser_name = process.argv[4] || 'chromium';
const page_dir = join(dir, 'web');
const executable = browser_name === 'firefox' ? '/usr/bin/firefox-esr' : '/usr/bin/chromium';
function skip(why) {
  console.log(`${process.env.TETHER_WEB_REQUIRED ? 'FAIL' : 'SKIP'}: ${why}`);
  process.exit(process.env.TETHER_WEB_REQUIRED ? 1 : 77);
}
if (!existsSync(join(page_dir, 'tether.wasm'))) skip(`the page is not built in ${page_dir} (make web)`);
if (!existsSync(executable)) skip(`${executable} is missing (Debian: ${browser_name === 'firefox' ? 'firefox-esr' : 'chromium'})`);
const require = createRequire(join(dir, 'npm-dev', 'package.json'));
let puppeteer;
try {
  puppeteer = require('puppeteer-core');
} catch {
  skip('puppeteer-core is not installed (make web-test installs it)');
}

let failed = 0;
function check(what, ok, detail = '') {
  if (!ok) {
    console.error(`FAIL: ${what}${detail ? `: ${detail}` : ''}`);
    failed++;
  }
}

// What tether-explore prints, as name -> value text.
function exploreFigures(args) {
  const [head, row] = execFileSync(explore, [...args, '--format', 'csv'], { encoding: 'utf8' }).trim().split('\n');
  const names = head.split(',');
  const values = row.split(',');
  return Object.fromEntries(names.map((n, i) => [n, values[i]]));
}

const { server, base } = await serve(page_dir);

const profile = mkdtempSync(join(tmpdir(), 'tether-web-'));
const downloads = join(profile, 'downloads');
const browser = browser_name === 'firefox'
  ? await puppeteer.launch({
    browser: 'firefox',
    executablePath: executable,
    headless: true,
    userDataDir: join(profile, 'firefox'),
    extraPrefsFirefox: {
      'browser.download.folderList': 2,
      'browser.download.dir': downloads,
      'browser.download.useDownloadDir': true,
      'browser.download.always_ask_before_handling_new_types': false,
    },
  })
  : await puppeteer.launch({
    executablePath: executable,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${join(profile, 'chromium')}`],
  });

// Opens the page at a query and waits until the study has answered; says
// so, for a run that shows its progress (ctest -V).
let opened = 0;
async function open(query) {
  opened++;
  console.log(`${browser_name}: page ${opened}, ${failed} failed so far: ${query || '(no query)'}`);
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 900 });
  page.problems = [];
  page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') page.problems.push(m.text()); });
  page.on('pageerror', (e) => page.problems.push(String(e)));
  await page.goto(base + query);
  await page.waitForFunction(() => document.body.dataset.state);
  return page;
}
const cells = (page) => page.$$eval('td[data-name]', (tds) =>
  Object.fromEntries(tds.map((td) => [td.dataset.name, td.dataset.value ?? null])));

// Waits until the map panel has drawn, refused, or the page failed (at most
// timeout ms), and answers what it shows: the cells drawn (or null), the
// map's alert, the page's alert and the legend.
async function mapShown(page, timeout = 60000) {
  await page.waitForFunction(() => {
    const box = document.querySelector('#map-plot');
    return box.dataset.mapCells || box.querySelector('.alert')
      || document.querySelector('#map-alert').textContent || document.querySelector('#alert').textContent;
  }, { timeout }).catch(() => {});
  return page.evaluate(() => ({
    cells: document.querySelector('#map-plot').dataset.mapCells ?? null,
    alert: document.querySelector('#map-alert').textContent,
    page: document.querySelector('#alert').textContent,
    legend: document.querySelector('#map-plot p.hint')?.textContent ?? '',
  }));
}

// The map's picture as the browser decodes it: its size, and how many of
// its pixels are opaque and neither white nor the blank cells' grey.
const mapPicture = (page) => page.evaluate(async () => {
  const image = document.querySelector('#map-plot svg image');
  if (!image) return { width: 0, height: 0, coloured: 0 };
  const picture = new Image();
  picture.src = image.getAttribute('href');
  try {
    await picture.decode();
  } catch {
    return { width: 0, height: 0, coloured: 0 };
  }
  const canvas = document.createElement('canvas');
  canvas.width = picture.naturalWidth;
  canvas.height = picture.naturalHeight;
  const context = canvas.getContext('2d');
  context.drawImage(picture, 0, 0);
  const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
  let coloured = 0;
  for (let k = 0; k < data.length; k += 4) {
    const grey = data[k] === data[k + 1] && data[k + 1] === data[k + 2] && (data[k] === 0xd9 || data[k] === 255);
    if (data[k + 3] === 255 && !grey) coloured++;
  }
  return { width: canvas.width, height: canvas.height, coloured };
});

// What tether-explore says of a sweep it cannot read, less its own name and
// the option's.
function exploreRefusal(sweep) {
  try {
    execFileSync(explore, ['--sweep', sweep], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    // The command line's own words on where to look are not the page's.
    return error.stderr.split('\n')[0].replace(/^tether-explore: --sweep /, '')
      .replace(/ \(tether-explore --list shows them\)$/, '');
  }
  return `tether-explore took ${sweep}`;
}

// What the page's sway panel shows once computed: its rows (the mode and
// each period's value text, '' where none), its alert, its note and how
// many shape lines it draws.
async function modesShown(page, timeout = 30000) {
  await page.waitForFunction(() => document.querySelector('#modes').dataset.state, { timeout }).catch(() => {});
  return page.evaluate(() => ({
    rows: [...document.querySelectorAll('#modes tbody tr')].map((row) =>
      [row.querySelector('th').textContent, ...[...row.querySelectorAll('td')].map((td) => td.dataset.value ?? '')]),
    heads: [...document.querySelectorAll('#modes thead th code')].map((c) => c.textContent),
    alert: document.querySelector('#modes-alert').textContent,
    note: document.querySelector('#modes-note').textContent,
    lines: document.querySelector('#modes-plot .u-legend')?.querySelectorAll('.u-series').length ?? 0,
  }));
}
// tether-explore --modes N --format csv: its header and rows of text.
function exploreModes(args) {
  let text;
  try {
    text = execFileSync(explore, [...args, '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    text = error.stdout;
  }
  const [head, ...rows] = text.trim().split('\n');
  return { head: head.split(','), rows: rows.map((r) => r.split(',')) };
}
// What tether-explore says of a --modes it refuses, less its own name and
// the option's.
function exploreModesRefusal(n) {
  try {
    execFileSync(explore, ['--modes', n], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    return error.stderr.split('\n')[0].replace(/^tether-explore: --modes: /, '');
  }
  return `tether-explore took --modes ${n}`;
}
// Whether the page's rows hold the explorer's numbers, to the last bit (both
// use the same portable sin, atan2, exp and log), and none where it has none.
function samePeriods(shown, wanted) {
  return shown.length === wanted.length && shown.every((row, k) => row.length === wanted[k].length
    && row.every((v, c) => v === wanted[k][c]));
}

// What the Traffic panel shows once computed: the rows it drew (or null),
// how many plots, its alert and its note.
async function loadShown(page, timeout = 30000) {
  await page.waitForFunction(() => document.querySelector('#load').dataset.state, { timeout }).catch(() => {});
  return page.evaluate(() => ({
    state: document.querySelector('#load').dataset.state ?? null,
    rows: document.querySelector('#load-plot').dataset.rows ?? null,
    plots: document.querySelectorAll('#load-plot canvas').length,
    alert: document.querySelector('#load-alert').textContent,
    note: document.querySelector('#load-note').textContent,
  }));
}
// The rows of tether-explore --load and what it says on standard error, less
// its name and the note's kind.
function exploreLoad(args) {
  const run = spawnSync(explore, ['--load', ...args, '--format', 'csv'], { encoding: 'utf8' });
  return { rows: run.stdout.trim().split('\n').length - 1,
    said: run.stderr.trim().split('\n').filter(Boolean).map((l) => l.replace(/^tether-explore: (note|warning): /, '')) };
}

const screenshotTaken = Symbol('the screenshot is taken');
try {
  // The study's design: every figure is tether-explore's, to the last bit.
  let page = await open('');
  const wanted = exploreFigures([]);
  const got = await cells(page);
  for (const [name, value] of Object.entries(wanted)) {
    check(`figure ${name}`, got[name] === (value === '' ? null : value), `page ${got[name]}, explorer ${value}`);
  }
  check('the climb plotted', await page.$$eval('#plots canvas', (c) => c.length) >= 4);
  if (process.env.TETHER_WEB_SCREENSHOT) {
    // docs/web.png (make web-screenshot): the study's design, checked above,
    // with a map of travel time drawn and the sway's plots. Nothing more is
    // checked.
    page = await open('?map=strength:27:100:30,vmax:20:200:30&mapfig=time');
    const map = await mapShown(page, 300000);
    check('the screenshot\'s map drawn', map.cells === '900', JSON.stringify(map));
    await modesShown(page);
    await page.screenshot({ path: process.env.TETHER_WEB_SCREENSHOT, fullPage: true });
    throw screenshotTaken;
  }
  check('nothing on the console', page.problems.length === 0, page.problems.join('; '));

  // How the tether sways: the first five periods in and out of plane, as
  // tether-explore --modes 5 gives them, and the first three shapes drawn.
  let sway = await modesShown(page);
  let native = exploreModes(['--modes', '5']);
  check('the period columns', ['mode', ...sway.heads].join(',') === native.head.join(','), sway.heads.join(','));
  check('five periods, the explorer\'s', samePeriods(sway.rows, native.rows),
    `page ${JSON.stringify(sway.rows)}, explorer ${JSON.stringify(native.rows)}`);
  check('three shapes drawn', sway.lines === 4 && await page.$$eval('#modes-plot canvas', (c) => c.length) === 1,
    String(sway.lines));
  check('no note on the modes', sway.note === '' && sway.alert === '', `${sway.note} ${sway.alert}`);
  // An edit recomputes them.
  await page.$eval('#p-strength', (i) => { i.value = '60'; i.dispatchEvent(new Event('input', { bubbles: true })); });
  native = exploreModes(['--set', 'strength=60', '--modes', '5']);
  await page.waitForFunction((first) => {
    const cell = document.querySelector('#modes tbody td');
    return cell && cell.dataset.value === first;
  }, { timeout: 10000 }, native.rows[0][1]).catch(() => {});
  sway = await modesShown(page);
  check('an edit recomputes the periods', samePeriods(sway.rows, native.rows),
    `page ${JSON.stringify(sway.rows)}, explorer ${JSON.stringify(native.rows)}`);
  check('nothing on the console with the modes', page.problems.length === 0, page.problems.join('; '));

  // What the figures answer most: the explorer's elasticities, the largest by
  // size first, those that are 0 or missing left out, to the last bit.
  page = await open('?strength=60');
  await page.waitForFunction(() => document.querySelector('#sensitivity').dataset.state, { timeout: 30000 })
    .catch(() => {});
  const shownSlopes = await page.evaluate(() => [...document.querySelectorAll('#sensitivity tbody tr')]
    .map((row) => [...row.querySelectorAll('th')].map((th) => th.textContent).join(' ')
      + ` ${row.querySelector('td').dataset.value}`));
  const nativeSlopes = execFileSync(explore, ['--sensitivity', '--set', 'strength=60', '--format', 'csv'],
    { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] }).trim().split('\n').slice(1)
    .map((row) => row.split(',')).filter((r) => r[3] !== '' && Number(r[3]) !== 0)
    .sort((a, b) => Math.abs(Number(b[3])) - Math.abs(Number(a[3])))
    .map((r) => `${r[0]} ${r[1]} ${String(Number(r[3]))}`);
  check('the elasticities, the explorer\'s, largest first', shownSlopes.join(';') === nativeSlopes.join(';')
    && shownSlopes.length > 20, `page ${shownSlopes.slice(0, 5)}, explorer ${nativeSlopes.slice(0, 5)}`);
  check('the held ztop said', (await page.$eval('#sensitivity-note', (p) => p.textContent)).includes('ztop = auto is held'));
  check('nothing on the console with the elasticities', page.problems.length === 0, page.problems.join('; '));

  // modes=N in the address: as many rows; a count the explorer refuses said
  // in its words; a top end at GEO refused by its field.
  page = await open('?modes=7');
  sway = await modesShown(page);
  check('seven periods, the explorer\'s', samePeriods(sway.rows, exploreModes(['--modes', '7']).rows),
    JSON.stringify(sway.rows));
  check('the field holds the address\'s count', await page.$eval('#modes-n', (i) => i.value) === '7');
  for (const n of ['0', '101', '2.5', 'many']) {
    page = await open(`?modes=${n}`);
    sway = await modesShown(page);
    check(`modes=${n} refused`, sway.alert === exploreModesRefusal(n) && sway.rows.length === 0,
      `page: ${sway.alert}, explorer: ${exploreModesRefusal(n)}`);
  }
  check('the figures still shown with a bad modes', (await cells(page)).time === wanted.time);
  // A top end a rounding above GEO: refused by its field in the explorer's
  // words, and no periods.
  page = await open('?modes=2&rapex=42164.16962408611');
  sway = await modesShown(page, 5000);
  let topRefusal = '';
  try {
    execFileSync(explore, ['--set', 'rapex=42164.16962408611', '--modes', '2'], { stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    topRefusal = error.stderr.toString().split('\n')[0].replace(/^tether-explore: /, '');
  }
  check('a top end at GEO refused by its field', topRefusal !== ''
    && await page.$eval('#e-rapex', (e) => e.textContent) === topRefusal, topRefusal);
  check('a refused top end has no periods', sway.rows.length === 0 && sway.lines === 0, JSON.stringify(sway.rows));
  check('nothing on the console with odd modes', page.problems.length === 0, page.problems.join('; '));

  // Random designs from the address: every figure and the first four
  // periods are the explorer's, to the last bit (the page and the program
  // share one portable exp, log, pow, sin and atan2, whatever the processor).
  let state = 7;
  const random = () => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return state / 2147483648;
  };
  const pick = (lo, hi) => String(Number((lo + (hi - lo) * random()).toPrecision(6)));
  for (let k = 0; k < 2; k++) {
    const design = { strength: pick(10, 130), safety: pick(1, 2.5), vmax: pick(20, 300) };
    const address = Object.entries(design).map(([n, v]) => `${n}=${v}`).join('&');
    const args = Object.entries(design).flatMap(([n, v]) => ['--set', `${n}=${v}`]);
    page = await open(`?${address}&modes=4`);
    const shownFigures = await cells(page);
    const nativeFigures = exploreFigures(args);
    const differ = Object.keys(nativeFigures)
      .filter((n) => shownFigures[n] !== (nativeFigures[n] === '' ? null : nativeFigures[n]));
    check(`the figures of ${address}`, differ.length === 0,
      differ.map((n) => `${n}: page ${shownFigures[n]}, explorer ${nativeFigures[n]}`).join('; '));
    sway = await modesShown(page);
    native = exploreModes([...args, '--modes', '4']);
    check(`the periods of ${address}`, samePeriods(sway.rows, native.rows),
      `page ${JSON.stringify(sway.rows)}, explorer ${JSON.stringify(native.rows)}`);
  }

  // A stronger fibre: the taper ratio (GEO over the surface) near 1.623.
  page = await open('?strength=130');
  const ratio = 1 / Number((await cells(page)).taper_re);
  check('taper ratio of a 130 GPa fibre', Math.abs(ratio - 1.623) < 0.001, String(ratio));
  check('the field shows the address', await page.$eval('#p-strength', (i) => i.value) === '130');

  // Mars: the areostationary radius near 20428 km.
  page = await open('?planet=mars');
  const rgeo = Number((await cells(page)).rgeo);
  check('areostationary radius', Math.abs(rgeo - 20428) < 1, String(rgeo));
  check('Mars in the figures', (await cells(page)).rgeo === exploreFigures(['--planet', 'mars']).rgeo);

  // An invalid design: the message by its field and in the alert, no figure
  // values, no plots, nothing thrown.
  page = await open('?strength=-35');
  const message = 'strength = -35 GPa: must be greater than 0';
  check('message by the field', await page.$eval('#e-strength', (e) => e.textContent) === message);
  check('message in the alert', (await page.$eval('[role="alert"]', (e) => e.textContent)).includes(message));
  check('no figure values', Object.values(await cells(page)).every((v) => v === null));
  check('no plots', await page.$$eval('#plots canvas', (c) => c.length) === 0);
  check('nothing on the console when invalid', page.problems.length === 0, page.problems.join('; '));

  // Typing: the address and the figures follow.
  page = await open('');
  await page.type('#p-vmax', '50');
  await page.waitForFunction(() => location.search === '?vmax=50');
  await page.waitForFunction((time) => document.querySelector('td[data-name="time"]').dataset.value === time,
    { timeout: 10000 }, exploreFigures(['--set', 'vmax=50']).time);
  await page.select('#planet', 'mars');
  await page.waitForFunction(() => location.search === '?planet=mars&vmax=50');

  // The downloads: the ascent rows are tether-explore's, and the design file
  // reads back to the same figures.
  if (browser_name === 'chromium') {
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  }
  // A download is done when its file has content and no partial file is
  // left beside it (Firefox makes the file empty first, then fills it).
  const done = (name) => existsSync(downloads)
    && readdirSync(downloads).includes(name)
    && !readdirSync(downloads).some((f) => f.startsWith(name) && f !== name)
    && statSync(join(downloads, name)).size > 0;
  const fetched = async (button, name) => {
    await page.click(button);
    for (let i = 0; i < 200 && !done(name); i++) {
      await new Promise((r) => setTimeout(r, 100));
    }
    return done(name) ? readFileSync(join(downloads, name), 'utf8') : '';
  };
  const csv = await fetched('#download-csv', 'ascent.csv');
  const explorer_csv = execFileSync(explore, ['--planet', 'mars', '--set', 'vmax=50', '--ascent', '--format', 'csv'],
    { encoding: 'utf8' });
  check('ascent CSV', csv === explorer_csv, `${csv.length} bytes, explorer ${explorer_csv.length}`);
  const design = await fetched('#download-design', 'tether.design');
  const design_path = join(profile, 'tether.design');
  writeFileSync(design_path, design);
  check('design file', exploreFigures(['--config', design_path]).time
    === exploreFigures(['--planet', 'mars', '--set', 'vmax=50']).time);

  // The sweep panel draws a curve.
  await page.click('#sweep button[type="submit"]');
  await page.waitForSelector('#sweep-plot canvas', { timeout: 20000 });
  check('nothing on the console after editing', page.problems.length === 0, page.problems.join('; '));

  // Find a value: strength for time = 110 h, as tether-explore --solve
  // gives it, to the last bit; the address follows the field.
  page = await open('');
  const setField = (id, value) => page.$eval(id, (i, v) => {
    i.value = v;
    i.dispatchEvent(new Event('input', { bubbles: true }));
  }, value);
  const seek = async (low, high, target) => {
    await page.select('#find-name', 'strength');
    await page.select('#find-figure', 'time');
    await setField('#find-low', low);
    await setField('#find-high', high);
    await setField('#find-target', target);
    await page.$eval('#find-alert', (e) => { e.textContent = ''; });
    await page.$eval('#find-result', (e) => { e.textContent = ''; });
    await page.click('#find button[type="submit"]');
    await page.waitForFunction(() => document.querySelector('#find-alert').textContent
      || /holds it/.test(document.querySelector('#find-result').textContent), { timeout: 20000 }).catch(() => {});
  };
  // The explorer's solved rows, split into values; status 3 says some rows
  // have no answer, and they are still written.
  const explorerSolved = (args) => {
    let out;
    try {
      out = execFileSync(explore, [...args, '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
    } catch (error) {
      if (error.status !== 3) throw error;
      out = error.stdout;
    }
    return out.trim().split('\n').slice(1).map((line) => line.split(','));
  };
  await page.waitForFunction(() => document.querySelector('#find-target').value !== '', { timeout: 10000 })
    .catch(() => {});
  const findDefaults = await page.evaluate(() => ['name', 'low', 'high', 'figure', 'target']
    .map((f) => document.querySelector(`#find-${f}`).value).join(' '));
  const seekableTime = exploreFigures(['--method', 'integral']).time;
  check('the Find panel starts from the first example sweep and the figure as goal seek computes it',
    findDefaults === `vmax 10 200 time ${seekableTime}`, findDefaults);
  // Seeking its defaults keeps the design: vmax is found as its own value.
  await page.click('#find button[type="submit"]');
  await page.waitForFunction(() => document.querySelector('#find-alert').textContent
    || /holds it/.test(document.querySelector('#find-result').textContent), { timeout: 20000 }).catch(() => {});
  check('the Find panel\'s defaults find the design\'s own value',
    await page.$eval('#p-vmax', (i) => i.value) === '100', await page.$eval('#p-vmax', (i) => i.value));
  await page.$eval('#p-vmax', (i) => { i.value = ''; });
  // A pure number has no unit after it.
  const mre = exploreFigures(['--method', 'integral', '--set', 'safety=1.5']).mre;
  await page.select('#find-name', 'safety');
  await page.select('#find-figure', 'mre');
  await setField('#find-low', '1');
  await setField('#find-high', '3');
  await setField('#find-target', mre);
  await page.$eval('#find-result', (e) => { e.textContent = ''; });
  await page.click('#find button[type="submit"]');
  await page.waitForFunction(() => document.querySelector('#find-alert').textContent
    || /holds it/.test(document.querySelector('#find-result').textContent), { timeout: 20000 }).catch(() => {});
  const safetyFound = await page.$eval('#find-result', (e) => e.textContent);
  check('a dimensionless parameter found without a unit', /^safety = [0-9.]+ gives mre = /.test(safetyFound), safetyFound);
  await page.$eval('#p-safety', (i) => { i.value = ''; });
  // csgeo = 10000 mm^2: a foot that lifts the climber at 10 GPa.
  const thick = ['--set', 'csgeo=10000'];
  await setField('#p-csgeo', '10000');
  await seek('10', '300', '110');
  const solvedStrength = explorerSolved([...thick, '--solve', 'strength=10:300', '--for', 'time=110'])[0][0];
  check('the found value in its field', await page.$eval('#p-strength', (i) => i.value) === solvedStrength,
    `${await page.$eval('#p-strength', (i) => i.value)}, explorer ${solvedStrength}`);
  await page.waitForFunction((v) => new URLSearchParams(location.search).get('strength') === v,
    { timeout: 5000 }, solvedStrength).catch(() => {});
  check('the found value in the address', new URL(page.url()).searchParams.get('strength') === solvedStrength, page.url());
  await page.waitForFunction((time) => document.querySelector('td[data-name="time"]').dataset.value === time,
    { timeout: 10000 }, exploreFigures([...thick, '--set', `strength=${solvedStrength}`]).time).catch(() => {});
  check('the figures of the found value', (await cells(page)).time
    === exploreFigures([...thick, '--set', `strength=${solvedStrength}`]).time);
  // An end where the foot cannot lift the climber: the explorer's words, by the panel.
  await page.$eval('#p-strength', (i) => { i.value = ''; });
  await setField('#p-csgeo', '');
  await seek('10', '300', '72');
  let refusal = '';
  try {
    execFileSync(explore, ['--solve', 'strength=10:300', '--for', 'time=72'], { stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    refusal = error.stderr.toString().split('\n').filter((l) => !/warning/.test(l))[0].replace(/^tether-explore: /, '');
  }
  const said = await page.$eval('#find-alert', (e) => e.textContent);
  check('an end that cannot lift said as the explorer says it', said !== '' && said === refusal, `page ${said}, explorer ${refusal}`);
  await seek('10', 'x', '72');
  check('an unreadable bracket said', await page.$eval('#find-alert', (e) => e.textContent)
    === "strength=10:x: HIGH 'x' is not a finite number");

  // A solved curve: strength for time = 72 h against vmax, as tether-explore
  // --solve --sweep gives it; points without an answer left out and counted.
  const solvedCurve = async (from, to, n) => {
    await setField('#p-csgeo', '10000');
    await page.select('#sweep-name', 'vmax');
    await setField('#sweep-from', from);
    await setField('#sweep-to', to);
    await setField('#sweep-n', n);
    await page.$eval('#sweep-log', (i) => { i.checked = false; });
    await page.$eval('#sweep-solve', (i) => { i.checked = true; });
    await page.select('#sweep-solve-name', 'strength');
    await page.select('#sweep-solve-figure', 'time');
    await setField('#sweep-solve-low', '10');
    await setField('#sweep-solve-high', '1000');
    await setField('#sweep-solve-target', '72');
    await page.$eval('#sweep-plot', (e) => { delete e.dataset.solved; });
    await page.click('#sweep button[type="submit"]');
    await page.waitForFunction(() => document.querySelector('#sweep-plot').dataset.solved
      || document.querySelector('#sweep-alert').textContent, { timeout: 30000 }).catch(() => {});
    return page.$eval('#sweep-plot', (e) => e.dataset.solved ?? '');
  };
  const wantedCurve = (from, to, n) => explorerSolved([...thick, '--solve', 'strength=10:1000', '--for', 'time=72',
    '--sweep', `vmax=${from}:${to}:${n}`]).map((r) => `${r[0]},${r[1]}`).join('\n');
  // A random stretch of vmax, 10 points: the explorer's curve, to the bit.
  const [lowVmax, highVmax] = [pick(150, 200), pick(250, 400)];
  let curve = await solvedCurve(lowVmax, highVmax, '10');
  check(`a solved curve along vmax=${lowVmax}:${highVmax}:10`, curve === wantedCurve(lowVmax, highVmax, 10),
    `page ${curve}, explorer ${wantedCurve(lowVmax, highVmax, 10)}`);
  curve = await solvedCurve('160', '300', '5');
  check('a solved curve', curve === wantedCurve(160, 300, 5), `page ${curve}, explorer ${wantedCurve(160, 300, 5)}`);
  check('a solved curve drawn', await page.$$eval('#sweep-plot canvas', (c) => c.length) === 1);
  // The notes on the solved designs, as the explorer gives them.
  const explorerNotes = spawnSync(explore, [...thick, '--solve', 'strength=10:1000', '--for', 'time=72', '--sweep',
    'vmax=160:300:5', '--format', 'csv'], { encoding: 'utf8' }).stderr.split('\n')
    .filter((l) => l.startsWith('tether-explore: warning: ')).map((l) => l.slice('tether-explore: warning: '.length));
  const curveNotes = await page.$eval('#sweep-gaps', (e) => e.textContent);
  check('a solved curve\'s notes are the explorer\'s', explorerNotes.length > 0
    && curveNotes === explorerNotes.join('\n'), `page ${curveNotes}, explorer ${explorerNotes.join('; ')}`);
  curve = await solvedCurve('100', '300', '5');
  check('a solved curve with gaps', curve === wantedCurve(100, 300, 5), `page ${curve}, explorer ${wantedCurve(100, 300, 5)}`);
  const gaps = await page.$eval('#sweep-gaps', (e) => e.textContent);
  check('the gaps counted', gaps.startsWith('2 of 5 points have no answer'), gaps);
  await solvedCurve('100', '300', '2001');
  check('a solved curve\'s limit', await page.$eval('#sweep-alert', (e) => e.textContent)
    === 'a grid of 2001 designs is too large; at most 2000 on this page for a solved curve');
  check('nothing on the console when solving', page.problems.length === 0, page.problems.join('; '));

  // A map from the address, by the integral method: its cells, and its CSV
  // download is the command line's grid, byte for byte.
  page = await open('?method=integral&map=vmax:10:100:5,strength:20:60:4&mapfig=time');
  await page.waitForFunction(() => document.querySelector('#map-plot').dataset.mapCells === '20',
    { timeout: 20000 });
  check('integral figures', (await cells(page)).time === exploreFigures(['--method', 'integral']).time);
  if (browser_name === 'chromium') {
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  }
  const map_csv = await (async () => {
    await page.click('#download-map');
    for (let i = 0; i < 200 && !done('map.csv'); i++) await new Promise((r) => setTimeout(r, 100));
    return done('map.csv') ? readFileSync(join(downloads, 'map.csv'), 'utf8') : '';
  })();
  const explorer_map = execFileSync(explore, ['--method', 'integral', '--sweep', 'vmax=10:100:5',
    '--sweep', 'strength=20:60:4', '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  check('map CSV', map_csv === explorer_map, `${map_csv.length} bytes, explorer ${explorer_map.length}`);
  check('nothing on the console with a map', page.problems.length === 0, page.problems.join('; '));

  // The Spread panel, on the integral method's page: its summary table is
  // the command line's --summary, number for number, and so is the CSV it
  // holds, byte for byte; the histogram is drawn.
  await page.$eval('#spread-samples', (i) => { i.value = '300'; });
  await page.$eval('#spread-key', (i) => { i.value = '3'; });
  await page.click('#spread button[type="submit"]');
  await page.waitForFunction(() => document.querySelector('#spread-plot').dataset.csv
    || document.querySelector('#spread-alert').textContent, { timeout: 30000 }).catch(() => {});
  const spread_csv = execFileSync(explore, ['--method', 'integral', '--vary', 'strength=lognormal:35:1.5',
    '--vary', 'density=uniform:1200:1400', '--samples', '300', '--key', '3', '--summary', '--format', 'csv'],
  { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  check('spread CSV', await page.$eval('#spread-plot', (e) => e.dataset.csv) === spread_csv,
    await page.$eval('#spread-alert', (e) => e.textContent));
  const spread_cells = await page.$$eval('#spread-summary tbody tr', (rows) => rows.map((r) =>
    Array.from(r.children, (c) => c.dataset.value).join(',')).join('\n'));
  check('spread table', `${spread_cells}\n` === spread_csv.split('\n').slice(1).join('\n'), spread_cells.slice(0, 200));
  check('a histogram drawn', await page.$$eval('#spread-plot svg rect', (r) => r.length) === 40);
  check('nothing on the console with a spread', page.problems.length === 0, page.problems.join('; '));

  // A long map by the march, stopped: the page answers at once.
  await page.select('#method', 'march');
  await page.$eval('#map-x-n', (i) => { i.value = '40'; });
  await page.$eval('#map-y-n', (i) => { i.value = '25'; });
  await page.click('#map button[type="submit"]');
  await new Promise((r) => setTimeout(r, 300));
  await page.click('#stop');
  check('a stopped map draws nothing', await page.$eval('#map-plot', (e) => e.dataset.mapCells) === undefined);
  await page.$eval('#p-vmax', (i) => { i.value = '60'; i.dispatchEvent(new Event('input', { bubbles: true })); });
  await page.waitForFunction((time) => document.querySelector('td[data-name="time"]').dataset.value === time,
    { timeout: 5000 }, exploreFigures(['--set', 'vmax=60']).time);

  // The largest map on offer, 500 x 500 by the integral method, from the
  // address: drawn, every cell.
  page = await open('?method=integral&map=vmax:10:200:500,strength:20:130:500&mapfig=time');
  let shown = await mapShown(page, 120000);
  check('a 500 x 500 map drawn', shown.cells === '250000', JSON.stringify(shown));
  check('a 500 x 500 map has colour', (await mapPicture(page)).coloured > 0);
  check('nothing on the console with a 500 x 500 map', page.problems.length === 0, page.problems.join('; '));

  // An axis wider than any canvas: the picture is drawn, resampled, and the
  // legend counts the designs as they are.
  page = await open('?method=integral&map=vmax:10:200:70000,strength:20:130:2&mapfig=time');
  shown = await mapShown(page, 120000);
  check('a 70000 x 2 map drawn', shown.cells === '140000', JSON.stringify(shown));
  const wide = await mapPicture(page);
  check('a 70000 x 2 map is not blank', wide.coloured > 0 && wide.width <= 4096 && wide.height === 2,
    JSON.stringify(wide));
  check('the legend of a 70000 x 2 map', shown.legend.startsWith('70000 × 2 designs.'), shown.legend);
  check('nothing on the console with a 70000 x 2 map', page.problems.length === 0, page.problems.join('; '));
  // Too wide for a canvas, though few enough cells for anything else.
  page = await open('?method=integral&map=vmax:10:200:66000,strength:50:50:1&mapfig=time');
  shown = await mapShown(page, 120000);
  const line = await mapPicture(page);
  check('a 66000 x 1 map drawn', shown.cells === '66000' && line.coloured > 0, JSON.stringify({ shown, line }));

  // Maps in the address the study cannot read: each says why by the map, in
  // the command line's words where it has them, and the figure list keeps
  // its figure.
  page = await open('?map=vmax:10:100:5,strength:20:60:4&mapfig=bogus');
  shown = await mapShown(page);
  check('an unknown figure named', shown.alert === 'no figure named bogus', shown.alert);
  check('the figure list kept', await page.$eval('#map-figure', (s) => s.value) === 'time');
  for (const [address, sweep] of [
    ['foo:1:2:3,vmax:10:100:5', 'foo=1:2:3'],
    ['vmax:10:100:3:LOG,strength:20:60:4', 'vmax=10:100:3:LOG'],
    ['vmax:10:100:3:log:extra,strength:20:60:4', 'vmax=10:100:3:log:extra'],
    ['vmax:10:100:0,strength:20:60:4', 'vmax=10:100:0'],
  ]) {
    page = await open(`?map=${address}&mapfig=time`);
    shown = await mapShown(page);
    check(`map=${address} refused`, shown.alert === exploreRefusal(sweep), `page: ${shown.alert}`);
    check(`map=${address} not drawn`, shown.cells === null);
  }
  for (const address of ['vmax:10:100:5', 'vmax:10:100:5,strength:20:60:4,mre:1:2:3', '']) {
    page = await open(`?map=${address}&mapfig=time`);
    shown = await mapShown(page);
    check(`map=${address} refused`, shown.alert.includes('expected two axes'), `page: ${shown.alert}`);
  }
  check('nothing on the console with a bad map', page.problems.length === 0, page.problems.join('; '));

  // The default map, by the march: drawn.
  page = await open('');
  await page.click('#map button[type="submit"]');
  shown = await mapShown(page);
  check('the default map drawn by the march', shown.cells === '900', JSON.stringify(shown));

  // The march's limit on the page: 1000 designs drawn, 1001 refused.
  page = await open('?map=vmax:10:100:40,strength:20:60:25&mapfig=time');
  shown = await mapShown(page);
  check('1000 designs by the march drawn', shown.cells === '1000', JSON.stringify(shown));
  // (Counted axis by axis: past the limit before the last axis, the grid
  // is said to have that many or more.)
  for (const [address, count] of [['vmax:10:100:1001,strength:50:50:1', '1001 or more'],
    ['vmax:10:100:7,strength:20:60:143', '1001']]) {
    page = await open(`?map=${address}&mapfig=time`);
    shown = await mapShown(page);
    check(`map=${address} refused by the march`,
      shown.alert === `a grid of ${count} designs is too large; at most 1000 on this page by the march method`
      && shown.cells === null, JSON.stringify(shown));
  }
  // The integral method's limit, counted before any value is made.
  page = await open('?method=integral&map=vmax:10:100:1000,strength:20:60:1000000&mapfig=time');
  shown = await mapShown(page);
  check('a grid too large for the integral method refused', shown.alert
    === 'a grid of 1000000000 designs is too large; at most 250000 on this page by the integral method'
    && shown.cells === null, JSON.stringify(shown));

  // Hostile addresses: a planet named as every object's property, control
  // characters, a key given twice. The page starts, and says what is wrong.
  page = await open('?planet=constructor&strength=1%092&vmax=10&vmax=50');
  check('unknown planet named', (await page.$eval('#e-planet', (e) => e.textContent)).includes('unknown planet'));
  check('control character escaped', await page.$eval('#e-strength', (e) => e.textContent)
    === 'strength = 1\\t2: not a finite number');
  check('the last key wins', await page.$eval('#p-vmax', (i) => i.value) === '50');
  check('nothing on the console with a hostile address', page.problems.length === 0, page.problems.join('; '));
  page = await open('?strength=70');
  check('the rhog warning by its field', /^rhog = 0.01365 kg\/m is/.test(await page.$eval('#w-rhog', (e) => e.textContent)));

  // The library's notes on the figures, each by the figure it concerns in
  // the figures' table, and none where they do not apply.
  const notesShown = (p) => p.$$eval('#figures tbody tr', (rows) => Object.fromEntries(rows
    .map((row) => [row.querySelector('td[data-name]').dataset.name, row.querySelector('.warning')?.textContent ?? null])
    .filter(([, text]) => text)));
  let notes = await notesShown(page);
  check('no figure notes on a design without them', Object.keys(notes).length === 0, JSON.stringify(notes));
  page = await open('?strength=150');
  notes = await notesShown(page);
  check('the negative tether_mass note by its figure', /^tether_mass = -140.217 t is negative/.test(notes.tether_mass ?? '')
    && Object.keys(notes).length === 1, JSON.stringify(notes));
  check('the rhog note beside it', /^rhog = 0.01365 kg\/m is -74.6 %/.test(await page.$eval('#w-rhog', (e) => e.textContent)));
  page = await open('?ztop=0.1&rhog=auto');
  notes = await notesShown(page);
  check('the coarse march note by time', /^the march's first point alone gives 100 % of the travel time.*choose the integral method/
    .test(notes.time ?? ''), JSON.stringify(notes));
  check('no rhog note where rhog is auto', await page.$eval('#w-rhog', (e) => e.textContent) === '');
  await page.select('#method', 'integral');
  await page.waitForFunction(() => !document.querySelector('#n-time').textContent, { timeout: 10000 }).catch(() => {});
  check('no coarse march note by the integral method', await page.$eval('#n-time', (e) => e.textContent) === '');
  check('nothing on the console with notes', page.problems.length === 0, page.problems.join('; '));

  // The traffic's load along the tether, drawn for the design on screen:
  // the explorer's rows; a foot that would lift said by load_share, in the
  // explorer's words, and under the plot; an edit redraws it.
  page = await open('?method=integral&anchor=300');
  let load = await loadShown(page);
  let nativeLoad = exploreLoad(['--set', 'anchor=300']);
  check('the load plotted', load.plots === 1 && load.rows === String(nativeLoad.rows) && load.alert === '',
    JSON.stringify(load));
  // The swing beside the climb: --swing's rows, drawn.
  await page.waitForFunction(() => document.querySelector('#swing').dataset.state, { timeout: 30000 }).catch(() => {});
  const swingRows = spawnSync(explore, ['--set', 'anchor=300', '--swing', '--format', 'csv'], { encoding: 'utf8' })
    .stdout.trim().split('\n').length - 1;
  check('the swing plotted', await page.$eval('#swing-plot', (e) => `${e.dataset.rows} ${e.querySelectorAll('canvas').length}`),
    `${swingRows} 1`);
  await page.waitForFunction(() => document.querySelector('#ribbon').dataset.state, { timeout: 30000 }).catch(() => {});
  check('survival against width plotted', (await page.$$('#ribbon-plot canvas')).length === 1, 'no plot');
  // By the figure, the explorer's words on the design; under the plot, --load's.
  const liftsWord = (said) => said.find((l) => /so the foot would lift/.test(l)) ?? 'no warning from the explorer';
  const lifts = liftsWord(spawnSync(explore, ['--set', 'anchor=300', '--method', 'integral'], { encoding: 'utf8' })
    .stderr.split('\n').map((l) => l.replace(/^tether-explore: warning: /, '')));
  check('the foot lifts: said by load_share', await page.$eval('#n-load_share', (e) => e.textContent) === lifts,
    await page.$eval('#n-load_share', (e) => e.textContent));
  check('the foot lifts: said by the load', load.note === liftsWord(nativeLoad.said), load.note);
  check('the foot lifts: nothing else noted', Object.keys(await notesShown(page)).join() === 'load_share');
  await page.$eval('#p-anchor', (i) => { i.value = '50'; i.dispatchEvent(new Event('input', { bubbles: true })); });
  await page.$eval('#p-rowdz', (i) => { i.value = '50'; i.dispatchEvent(new Event('input', { bubbles: true })); });
  nativeLoad = exploreLoad(['--set', 'anchor=50', '--set', 'rowdz=50']);
  await page.waitForFunction((n) => document.querySelector('#load-plot').dataset.rows === n,
    { timeout: 15000 }, String(nativeLoad.rows)).catch(() => {});
  load = await loadShown(page);
  check('an edit redraws the load', load.rows === String(nativeLoad.rows) && load.note === '', JSON.stringify(load));
  await page.waitForFunction(() => !document.querySelector('#n-load_share').textContent, { timeout: 10000 }).catch(() => {});
  check('the foot holds: no note', await page.$eval('#n-load_share', (e) => e.textContent) === '');
  page = await open('?climbers=0');
  load = await loadShown(page);
  check('no load for a bad design', load.state === 'invalid' && load.plots === 0, JSON.stringify(load));
  check('nothing on the console with the load', page.problems.length === 0, page.problems.join('; '));

  // A tether on a moon, through L1 and L2: the figures the explorer's (the
  // release figures empty, not 0, with their note), the climb, the load and
  // the sway drawn, and maps drawn, one of an empty figure.
  const lunar = ['strength=5.7', 'density=1700', 'safety=2', 'rapex=150000', 'csgeo=3.4466189306',
    'rhog=auto', 'mclimb=580', 'fextra=600', 'vmax=30'];
  for (const [planet, how, mapFigure] of [['moon-l1', 'integral', 'orbit_alt'], ['moon-l2', 'march', 'time']]) {
    page = await open(`?planet=${planet}&method=${how}&${lunar.join('&')}&map=vmax:10:60:4,strength:4:8:3&mapfig=${mapFigure}`);
    const native = exploreFigures(['--planet', planet, ...lunar.flatMap((a) => ['--set', a]), '--method', how]);
    const shownFigures = await cells(page);
    const differ = Object.entries(native).filter(([name, value]) => shownFigures[name] !== (value === '' ? null : value));
    check(`${planet}: the explorer's figures`, differ.length === 0, JSON.stringify(differ));
    const release = await page.$$eval('td[data-name]', (tds) => tds
      .filter((td) => ['orbit_alt', 'escape_alt', 'apex_speed', 'apex_vinf'].includes(td.dataset.name))
      .map((td) => `${td.dataset.value ?? ''}:${td.textContent}`).join(','));
    check(`${planet}: the release figures empty`, release === ':none,:none,:none,:none', release);
    check(`${planet}: the release note by orbit_alt`, /orbit_alt, escape_alt, apex_speed and apex_vinf are empty/
      .test(await page.$eval('#n-orbit_alt', (e) => e.textContent)));
    check(`${planet}: the climb plotted`, await page.$$eval('#plots canvas', (c) => c.length) >= 4);
    load = await loadShown(page);
    const lunarLoad = exploreLoad(['--planet', planet, ...lunar.flatMap((a) => ['--set', a])]);
    check(`${planet}: the load plotted`, load.plots === 1 && load.rows === String(lunarLoad.rows), JSON.stringify(load));
    sway = await modesShown(page);
    check(`${planet}: the sway`, sway.rows.length === 5 && sway.lines === 4, JSON.stringify(sway));
    shown = await mapShown(page);
    check(`${planet}: a map of ${mapFigure} drawn`, shown.cells === '12' && shown.alert === '', JSON.stringify(shown));
    check(`${planet}: nothing on the console`, page.problems.length === 0, page.problems.join('; '));
  }
  page = await open('');

  // The page built from the library's tables: the methods with their
  // meanings, the hints with what auto gives, a plot for each of the
  // climb's plots, and an unknown method in the address named by the list.
  const listed = await page.$$eval('#method option', (os) => os.map((o) => o.value).join(','));
  check('the methods listed', listed === 'march,integral', listed);
  check('what auto gives in the hints', (await page.$eval('#m-ztop', (e) => e.textContent)).includes('auto: 19 km below GEO'));
  check('the climb\'s plots', (await page.$$eval('#plots .u-title', (ts) => ts.map((t) => t.textContent).join('; ')))
    === "climb speed; power used and surplus; taper and effective gravity; travel time; the climber's sideways push and the tether's tilt");
  page = await open('?method=bogus');
  await page.waitForFunction(() => document.querySelector('#e-method').textContent, { timeout: 10000 }).catch(() => {});
  check('an unknown method named', await page.$eval('#e-method', (e) => e.textContent)
    === 'method = bogus: unknown method; known: march or integral');
  check('the default method kept', await page.$eval('#method', (s) => s.value) === 'march');
} catch (error) {
  if (error !== screenshotTaken) check('the page', false, String(error));
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
if (failed) process.exit(1);
console.log(`ok: the page in ${browser_name} shows the explorer's figures`);
