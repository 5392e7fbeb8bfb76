// The study compiled to WebAssembly gives the native program's numbers to the
// last bit, under Node.
// usage: node wasm_test.mjs WEB_BUILD_DIR TETHER_EXPLORE
// Random designs' figures, maps, solved curves and modes are compared with
// TETHER_EXPLORE's, byte for byte.
// Exits 0 on success, 1 on failure, 77 where the page is not built.
import { existsSync, readFileSync } from 'node:fs';
import { execFileSync, spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';
import { dirname, join } from 'node:path';

const [dir, explore] = process.argv.slice(2, 4);
if (!explore) {
  console.error('usage: node wasm_test.mjs WEB_BUILD_DIR TETHER_EXPLORE');
  process.exit(2);
}
const module = join(dir, 'web', 'tether.mjs');
if (!existsSync(module)) {
  console.log(`${process.env.TETHER_WEB_REQUIRED ? 'FAIL' : 'SKIP'}: ${module} is not built (make web)`);
  process.exit(process.env.TETHER_WEB_REQUIRED ? 1 : 77);
}
// Emscripten 3.1.6 writes an ES module that still looks for CommonJS's
// require and __dirname when it runs under Node.
globalThis.require = createRequire(pathToFileURL(module));
globalThis.__dirname = dirname(module);
const { default: createTether } = await import(pathToFileURL(module));
// Node's fetch cannot read files: the module gets its code directly.
const tether = await createTether({ wasmBinary: readFileSync(join(dir, 'web', 'tether.wasm')) });

let failed = 0;
function check(what, got, wanted) {
  if (got !== wanted) {
    console.error(`FAIL: ${what}: got ${got}, wanted ${wanted}`);
    failed++;
  }
}
// The bits of a binary64, for comparing numbers exactly.
const bits = (x) => {
  const view = new DataView(new ArrayBuffer(8));
  view.setFloat64(0, x);
  return view.getBigUint64(0).toString(16);
};

const study = tether.evaluate('', 'march');
check('errors of the default design', study.errors.length, 0);
const figure = (s, name) => s.figures.find((f) => f.name === name).value;
// The march's sums, as the native build gives them.
check('time', figure(study, 'time'), '105.97027192859169');
check('total_mass', figure(study, 'total_mass'), '2275.3355806298227');
check('time bits', bits(Number(figure(study, 'time'))), bits(105.97027192859169));
check('total_mass bits', bits(Number(figure(study, 'total_mass'))), bits(2275.3355806298227));
check('rgeo', figure(study, 'rgeo'), '42164.169624086106');
check('cap_alt', figure(study, 'cap_alt'), '1943.75');
const rows = study.rows;
const width = study.columns.length;
check('ascent columns', study.columns.join(','), 'alt,taper,grav,power,speed,time,surplus,coriolis,tilt');
check('ascent rows', rows.length / width, 1789);
check('last row', rows[1788 * width], 35760);
check('last row time', rows[1788 * width + 5].toFixed(3), '105.951');

// A design that cannot be computed says which parameter and why.
const bad = tether.evaluate('strength=-1', 'march');
check('bad design errors', bad.errors.length, 1);
check('bad design parameter', bad.errors[0].name, 'strength');
check('bad design message', bad.errors[0].message, 'strength = -1 GPa: must be greater than 0');
check('bad design figures', bad.figures.length, 0);
const typo = tether.evaluate('vmax=fast', 'march');
check('unreadable value', typo.errors[0].message, 'vmax = fast: not a finite number');
check('Mars', Math.round(Number(figure(tether.evaluate('planet=mars', 'march'), 'rgeo'))), 20428);
check('no figure when never capped',
  figure(tether.evaluate('vmax=1e9', 'march'), 'cap_alt'), null);

// The integral method: the native figures, to the last bit.
check('integral time', figure(tether.evaluate('', 'integral'), 'time'), '105.96903743928627');
// Control characters reach the page as text in a message, never as broken JSON.
check('control character', tether.evaluate('strength=1\\2\x01', 'march').errors[0].message,
  'strength = 1\\2\\x01: not a finite number');
const noted = tether.evaluate('strength=70', 'march').notes;
check('the rhog note', noted.length, 1);
check('the rhog note concerns rhog', `${noted[0].on} ${noted[0].name}`, 'parameter rhog');
check('the rhog note text', /^rhog = 0.01365 kg\/m is/.test(noted[0].text), true);
const coarse = tether.evaluate('ztop=0.1\nrhog=auto', 'march').notes;
check('the coarse march notes', coarse.map((n) => `${n.on} ${n.name}`).join(', '), 'figure tether_mass, figure time');
check('no coarse march note by the integral method',
  tether.evaluate('ztop=0.1\nrhog=auto', 'integral').notes.map((n) => n.name).join(', '), 'tether_mass');
check('an unknown method', tether.evaluate('', 'bogus').errors[0].message,
  'method = bogus: unknown method; known: march or integral');
const named = tether.tables();
check('methods', named.methods.map((m) => m.name).join(','), 'march,integral');
check('the methods of a figure', named.figures.find((f) => f.name === 'time').methods.join(','), 'march,integral');
check('presets', Object.keys(named.presets).join(','), 'earth,mars,moon-l1,moon-l2');
check('a preset sets the planet', Object.keys(named.presets.mars).join(','),
  'GM,RE,tsid,partner_GM,partner_distance,partner_RE,partner_side');
check('a locked day is auto', named.presets['moon-l1'].tsid, 'auto');
check('parameters', named.parameters.length, 29);
check('the ribbon\'s and the swing\'s figures by name alone', named.figures.filter((f) => f.named).length, 11);
check('the traffic by the integral method only',
  named.figures.find((f) => f.name === 'load_share').methods.join(','), 'integral');
check('the Moon through L1',
  Math.round(Number(figure(tether.evaluate('planet=moon-l1\nrapex=150000', 'integral'), 'rgeo'))), 58019);
check('auto rule', named.parameters.find((p) => p.name === 'ztop').autoRule, '19 km below GEO, rounded down');

// Numbers read by fast_float and written by {fmt} read the same as natively.
const sweep = tether.sweep('', 'vmax=0.1:1:10', 'time', 'march');
check('sweep values', sweep.x.length, 10);
check('sweep last value', sweep.x[9], 1);
check('sweep third value', sweep.x[2], 0.30000000000000004);
check('design file', tether.designFile('strength=1e-1\nrapex=42200').split('\n')
  .find((line) => line.startsWith('rapex')), 'rapex    = 42200          # km, radius of the top end');

const map = tether.map('', 'vmax=10:100:3', 'strength=0.3,35.1', 'time', 'integral');
check('map cells', map.z.length, 6);
check('map refused cells', map.refused, 3);
// A map in parts (as the page's workers compute it) is the map: every
// cell to the bit in order, its refusals counted once, whatever the parts;
// and a grid the study refuses is refused by every part in the same words.
for (const [first, second, parts] of [['vmax=10:100:7', 'strength=0.3:35.1:5', 3],
  ['vmax=10:200:5', 'strength=20:130:2', 8], ['vmax=10:100:2', 'strength=30', 5]]) {
  const whole = tether.map('', first, second, 'time', 'integral');
  const pieces = Array.from({ length: parts }, (_, k) => tether.mapPart('', first, second, 'time', 'integral', k, parts));
  const joined = pieces.flatMap((p) => Array.from(p.z));
  check(`${first} ${second} in ${parts} parts: cells`, joined.map(bits).join(','), Array.from(whole.z, bits).join(','));
  check(`${first} ${second} in ${parts} parts: refused`, pieces.reduce((n, p) => n + p.refused, 0), whole.refused);
  check(`${first} ${second} in ${parts} parts: axes`, pieces.every((p) => p.x.length === whole.x.length
    && p.y.length === whole.y.length && p.errors.length === 0), true);
}
check('a refused grid in parts', tether.mapPart('', 'vmax=10:100:0', 'strength=20:60:4', 'time', 'integral', 1, 2)
  .errors.map((e) => e.message).join(), tether.map('', 'vmax=10:100:0', 'strength=20:60:4', 'time', 'integral')
  .errors.map((e) => e.message).join());
// Parts are numbered from 0: one numbered as many as there are is refused,
// said of the map, with no cells.
const beyond = tether.mapPart('', 'vmax=10:100:2', 'strength=30', 'time', 'integral', 2, 2);
check('a part beyond the last: refused of the map, no cells',
  `${beyond.errors.map((e) => e.name).join()} ${beyond.z}`, 'map undefined');
check('map csv header', tether.mapCsv('', 'vmax=10:100:3', 'strength=20,35.1', 'integral').split('\n')[0],
  execFileSync(explore, ['--method', 'integral', '--sweep', 'vmax=10:100:3', '--sweep', 'strength=20,35.1',
    '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).split('\n')[0]);

// Goal seek, as tether-explore --solve NAME=LOW:HIGH --for FIGURE=VALUE.
// csgeo = 10000 mm^2: a foot that lifts the climber at 10 GPa.
const found = tether.solve('csgeo=10000', 'strength=10:300', 'time=110');
check('solved value', found.value, '19.38426737324232');
check('solved by', found.method, 'integral');
const seek = ['--set', 'csgeo=10000', '--set', 'vmax=200', '--solve', 'strength=10:1000', '--for', 'time=72'];
const seekNotes = spawnSync(explore, seek, { encoding: 'utf8' }).stderr.split('\n')
  .filter((l) => l.startsWith('tether-explore: warning: ')).map((l) => l.slice('tether-explore: warning: '.length));
check('a goal\'s notes, as the explorer says them', seekNotes.length > 0
  && tether.solve('csgeo=10000\nvmax=200', 'strength=10:1000', 'time=72').notes.join('\n') === seekNotes.join('\n'), true);
check('no crossing', tether.solve('csgeo=10000', 'strength=10:300', 'time=72').problem,
  'time = 448.19 h at strength = 10 GPa and 104.39 h at strength = 300 GPa: 72 h is not between them');
check('an unreadable goal', tether.solve('', 'strength=10:x', 'time=72').errors[0].message,
  "strength=10:x: HIGH 'x' is not a finite number");
// A figure that jumps over the target has no answer: the two neighbouring
// top speeds named, computed here afresh, lie on either side of it.
const jump = tether.solve('strength=10\ncsgeo=10000', 'vmax=26.5:27.2', 'cap_alt=5000');
check('a jump has no value', jump.value, null);
const jumpEnds = [...jump.problem.matchAll(/ at vmax = ([-+0-9.e]+) m\/s/g)].map((m) => m[1]);
check('a jump said', jump.problem.startsWith('no value gives cap_alt = 5000 km: it jumps from ')
  && jump.problem.endsWith('(a capped stretch of the climb appears or vanishes there)'), true);
check('a jump between two top speeds', jumpEnds.length, 2);
const capAt = (vmax) => Number(tether.evaluate(`strength=10\ncsgeo=10000\nvmax=${vmax}`, 'integral').figures
  .find((f) => f.name === 'cap_alt').value);
check('a jump straddles the target', (capAt(jumpEnds[0]) < 5000) !== (capAt(jumpEnds[1]) < 5000), true);
const curve = tether.solveSweep('csgeo=10000', 'vmax=100:300:5', 'strength=10:1000', 'time=72');
check('a solved curve\'s notes', curve.notes.some((n) => n.startsWith('design 3 of 5 (vmax=200) and 2 more: rhog = ')), true);
check('solved curve', curve.yText.join(','), ',,19.506565337113067,18.186279263866034,17.710140299076294');
check('solved curve gaps', curve.problems.map((p) => p.at).join(','), '100,150');
check('solved curve gap value', Number.isNaN(curve.y[0]), true);
check('solved curve limit', tether.solveSweep('', 'vmax=100:300:5000', 'strength=10:1000', 'time=72').errors[0].message,
  'a grid of 5000 designs is too large; at most 2000 on this page for a solved curve');
check('solved and swept', tether.solveSweep('', 'vmax=100:300:5', 'vmax=10:1000', 'time=72').errors[0].message,
  'vmax=10:1000: vmax is swept too');

// The oscillation modes, as tether-explore --modes 5 --format csv gives them
// natively, to the last bit (the same portable sin, atan2, exp and log).
const near = (got, wanted) => got === wanted;
const swayed = tether.modes('', '5');
check('modes errors', swayed.errors.length, 0);
check('period families', swayed.families.map((f) => `${f.name} ${f.unit}`).join(', '), 'period_in h, period_out h');
check('period families in the tables', named.families.map((f) => f.name).join(','), 'period_in,period_out');
const nativePeriods = execFileSync(explore, ['--modes', '5', '--format', 'csv'], { encoding: 'utf8' })
  .trim().split('\n').slice(1).map((row) => row.split(',').slice(1).map(Number));
check('modes listed', `${swayed.periods.in.length} ${swayed.periods.out.length}`, '5 5');
nativePeriods.forEach(([inPlane, out], k) => {
  check(`period_in_${k + 1}`, near(swayed.periods.in[k], inPlane), true);
  check(`period_out_${k + 1}`, near(swayed.periods.out[k], out), true);
});
check('no note when every period is found', swayed.note, null);
check('three shapes', Object.keys(swayed.shapes).join(','), 'alt,shape_1,shape_2,shape_3');
check('shape altitudes', `${swayed.shapes.alt.length} ${swayed.shapes.alt[0]} ${swayed.shapes.alt[200]}`, '201 0 293622');
check('a shape at the foot', swayed.shapes.shape_1[0], 0);
check('a shape scaled to 1', Math.max(...swayed.shapes.shape_2.map(Math.abs)), 1);
check('three shapes for one mode', Object.keys(tether.modes('', '1').shapes).length, 4);
for (const n of ['0', '101', '2.5', 'x']) {
  check(`modes ${n}`, tether.modes('', n).errors[0].message, `${n} is not a whole number from 1 to 100`);
}
check('modes of a bad design', tether.modes('strength=-1', '5').errors[0].name, 'strength');
// A top end a rounding above GEO (a counterweight of any size, either
// sign) is refused, naming rapex, as on the command line.
const still = tether.modes('rapex=42164.16962408611', '2');
check('a top end a rounding above GEO', still.errors?.[0]?.name, 'rapex');
check('its figures', tether.evaluate('rapex=42164.16962408611', 'march').errors?.[0]?.name, 'rapex');

// The derivatives, as tether-explore --sensitivity --format csv gives them,
// to the last bit, with the notes on standard error.
for (const design of [[], ['strength=20', 'rhog=auto', 'safety=1.5']]) {
  const slopes = tether.sensitivity(design.join('\n'));
  const run = spawnSync(explore, ['--sensitivity', ...design.flatMap((a) => ['--set', a]), '--format', 'csv'],
    { encoding: 'utf8' });
  const [head, ...rows] = run.stdout.trim().split('\n');
  check(`sensitivity ${design}: columns`, head, 'figure,parameter,derivative,elasticity');
  check(`sensitivity ${design}: rows`, slopes.figure.length, rows.length);
  rows.forEach((row, i) => {
    const [figure, parameter, derivative, elasticity] = row.split(',');
    const same = (got, text) => (text === '' ? Number.isNaN(got) : bits(got) === bits(Number(text)));
    check(`sensitivity ${design}: row ${i}`, `${slopes.figure[i]},${slopes.parameter[i]},` +
      `${same(slopes.derivative[i], derivative)},${same(slopes.elasticity[i], elasticity)}`,
      `${figure},${parameter},true,true`);
  });
  const said = run.stderr.trim().split('\n').map((line) => line.replace(/^tether-explore: (note|warning): /, ''));
  check(`sensitivity ${design}: notes`, slopes.notes.join('\n'), said.join('\n'));
}
check('sensitivity of a bad design', tether.sensitivity('strength=-1').errors[0].name, 'strength');

// Random designs against the native program, byte for byte: figures by both
// methods, a map, a solved curve and the modes. The native figures do not
// depend on the processor (the portable exp and its kin), so neither does
// this comparison.
{
  let state = 20240611;
  const random = () => {
    state = (state * 1103515245 + 12345) % 2147483648;
    return state / 2147483648;
  };
  const pick = (lo, hi) => Number((lo + (hi - lo) * random()).toPrecision(6));
  const native = (args) => {
    try {
      return execFileSync(explore, [...args, '--format', 'csv', '--jobs', '2'],
        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
    } catch (error) {
      return error.stdout;  // status 3: some rows have no answer
    }
  };
  const setting = (design) => design.flatMap(([name, value]) => ['--set', `${name}=${value}`]);
  const text = (design) => design.map(([name, value]) => `${name}=${value}`).join('\n');
  for (let k = 0; k < 12; k++) {
    const design = [['strength', pick(10, 130)], ['safety', pick(1, 3)], ['vmax', pick(20, 300)],
      ['rhog', 'auto']];
    const what = text(design).replace(/\n/g, ' ');
    for (const method of ['march', 'integral']) {
      const [head, row] = native([...setting(design), '--method', method]).trim().split('\n');
      const page = tether.evaluate(text(design), method).figures;
      const values = row.split(',');
      head.split(',').forEach((name, i) => {
        check(`${what}, ${method}: ${name}`, page.find((f) => f.name === name)?.value ?? '', values[i]);
      });
    }
    const x = `vmax=${pick(20, 100)}:${pick(150, 300)}:7`;
    const y = `strength=${pick(10, 40)}:${pick(60, 130)}:5`;
    check(`${what}: map ${x} ${y}`, tether.mapCsv(text(design), x, y, 'integral'),
      native([...setting(design), '--method', 'integral', '--sweep', x, '--sweep', y]));
    const target = `time=${pick(60, 200)}`;
    const solved = native([...setting(design), '--solve', 'strength=5:1000', '--for', target,
      '--sweep', x]).trim().split('\n').slice(1).map((r) => r.split(',')[1]).join(',');
    check(`${what}: strength for ${target} along ${x}`,
      tether.solveSweep(text(design), x, 'strength=5:1000', target).yText.join(','), solved);
    const [, ...rows] = native([...setting(design), '--modes', '4']).trim().split('\n');
    const modes = tether.modes(text(design), '4');
    rows.forEach((r, i) => {
      const [, inPlane, out] = r.split(',');
      check(`${what}: period_in_${i + 1}`, String(modes.periods.in[i]), inPlane);
      check(`${what}: period_out_${i + 1}`, String(modes.periods.out[i]), out);
    });
  }
}

// The Spread panel's draws: the summary's CSV is the explorer's, byte for
// byte, and the histogram's values are its rows' figure, bit for bit, by
// both methods and for a design of its own.
{
  const vary = ['strength=normal:20:12', 'density=uniform:1200:1400'];
  const native = (args) => execFileSync(explore, [...vary.flatMap((v) => ['--vary', v]), ...args,
    '--samples', '200', '--key', '5', '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
  for (const [design, method] of [['', 'march'], ['vmax=150\nrhog=auto', 'integral']]) {
    const sets = design ? design.split('\n').flatMap((line) => ['--set', line]) : [];
    const page = tether.spread(design, vary.join('\n'), '200', '5', method, 'time');
    check(`spread ${method}: errors`, page.errors.length, 0);
    check(`spread ${method}: summary`, page.csv, native([...sets, '--method', method, '--summary']));
    const [head, ...rows] = native([...sets, '--method', method]).trim().split('\n');
    const at = head.split(',').indexOf('time');
    check(`spread ${method}: draws`, page.values.length, rows.length);
    check(`spread ${method}: refused draws`, rows.some((r) => r.split(',')[at] === ''), true);
    rows.forEach((r, k) => {
      const cell = r.split(',')[at];
      check(`spread ${method}: draw ${k}`, bits(page.values[k]), bits(cell === '' ? NaN : Number(cell)));
    });
  }
  const refused = tether.spread('', 'strength=uniform:5:1', '10', '1', 'integral', 'time').errors;
  check('spread: a bad distribution', refused[0]?.message, 'strength=uniform:5:1: LOW = 5 and HIGH = 1: LOW must be less than HIGH');
  check('spread: too many draws by the march', tether.spread('', vary.join('\n'), '1001', '1', 'march', 'time').errors[0]?.message,
    'draws: at most 1000 on this page by the march method');
}

// The traffic's load along the tether: the page's table is tether-explore
// --load --format csv, byte for byte, its numbers the CSV's to the bit, and
// its notes (the foot that would lift) those the explorer says.
{
  const lunar = ['strength=5.7', 'density=1700', 'safety=2', 'rapex=150000', 'csgeo=3.4466189306',
    'rhog=auto', 'mclimb=580', 'fextra=600', 'vmax=30'];
  const designs = [[], ['climbers=4'], ['interval=12', 'payload=12000'], ['anchor=300'],
    ['strength=40', 'rhog=auto', 'interval=30', 'rowdz=7'], ['planet=moon-l1', ...lunar],
    ['planet=moon-l2', ...lunar, 'climbers=3']];
  for (const design of designs) {
    const args = design.flatMap((a) => (a.startsWith('planet=') ? ['--planet', a.slice(7)] : ['--set', a]));
    const run = spawnSync(explore, ['--load', ...args, '--format', 'csv'], { encoding: 'utf8' });
    const what = `load ${design.join(' ') || 'of the study'}`;
    check(`${what}: the explorer's status`, run.status, 0);
    check(`${what}: CSV`, tether.loadCsv(design.join('\n')), run.stdout);
    const page = tether.load(design.join('\n'));
    check(`${what}: errors`, page.errors.length, 0);
    const [head, ...rows] = run.stdout.trim().split('\n');
    check(`${what}: columns`, page.columns.map((c) => c.name).join(','), head);
    const width = page.columns.length;
    check(`${what}: rows`, page.rows.length / width, rows.length);
    let same = 0;
    rows.forEach((row, r) => row.split(',').forEach((cell, c) => {
      same += bits(page.rows[r * width + c]) === bits(cell === '' ? NaN : Number(cell)) ? 1 : 0;
    }));
    check(`${what}: every number to the bit`, same, rows.length * width);
    const said = run.stderr.trim().split('\n').filter(Boolean)
      .map((line) => line.replace(/^tether-explore: (note|warning): /, ''));
    check(`${what}: notes`, page.notes.map((n) => n.text).join('\n'), said.join('\n'));
    check(`${what}: no reason`, page.why, null);
  }
  // The study's climber with a 300 kN anchor lifts the foot: said by
  // load_share, by the figures as by the load table, in the explorer's words.
  const lifted = spawnSync(explore, ['--set', 'anchor=300', '--method', 'integral', '--format', 'csv'],
    { encoding: 'utf8' }).stderr.trim().split('\n').map((line) => line.replace(/^tether-explore: warning: /, ''));
  const byFigure = tether.evaluate('anchor=300', 'integral').notes.filter((n) => n.name === 'load_share');
  check('the foot lifts: one note by load_share', byFigure.length, 1);
  check('the foot lifts: the explorer\'s words', lifted.includes(byFigure[0]?.text), true);
  check('the foot lifts: said', /so the foot would lift/.test(byFigure[0]?.text), true);
  // (The load table's note is --load's: it has no shortest interval to speak of.)
  check('the foot lifts: by the load table too', tether.load('anchor=300').notes
    .map((n) => `${n.on} ${n.name} ${/so the foot would lift/.test(n.text)}`).join(), 'figure load_share true');
  check('no note where the foot holds', tether.evaluate('anchor=100', 'integral').notes.length, 0);
  const unlifted = spawnSync(explore, ['--load', '--set', 'strength=20'], { encoding: 'utf8' });
  check('load of a climber the foot cannot lift: refused as the explorer refuses', unlifted.status === 2
    && unlifted.stderr.includes(`tether-explore: ${tether.load('strength=20').errors[0]?.message}\n`), true);
  check('load of a bad design', tether.load('climbers=0').errors[0]?.name, 'climbers');
  check('a table too long: named by its spacing', tether.load('rowdz=1e-6').errors.map((e) => e.name).join(),
    tether.load('').spacing);
  check('load of a bad design: no rows', tether.load('climbers=0').rows.length, 0);
  check('load of a bad design: no CSV', tether.loadCsv('climbers=0'), '');
  // The swing over time: tether-explore --swing --format csv, byte for byte,
  // and the page's numbers the CSV's to the bit.
  for (const design of [[], ['damping=0.05', 'rowdz=500'], ['planet=moon-l1', ...lunar]]) {
    const args = design.flatMap((a) => (a.startsWith('planet=') ? ['--planet', a.slice(7)] : ['--set', a]));
    const run = spawnSync(explore, ['--swing', ...args, '--format', 'csv'], { encoding: 'utf8' });
    const page = tether.swing(design.join('\n'));
    const cells = run.stdout.trim().split('\n').slice(1).flatMap((row) => row.split(',').map(Number));
    check(`swing ${design.join(' ')}: CSV`, tether.swingCsv(design.join('\n')), run.stdout);
    check(`swing ${design.join(' ')}: every number to the bit`, cells.length > 100
      && cells.every((v, k) => bits(v) === bits(page.rows[k])) && page.rows.length, cells.length);
  }
  check('swing of a climber the foot cannot lift: no rows, said', tether.swing('strength=20').notes
    .some((n) => /cannot lift/.test(n.text)) && tether.swing('strength=20').rows.length, 0);
}

// A tether on a moon: the figures by both methods are the explorer's, the
// release figures empty (a payload let go there is no two-body orbit), none
// of them 0; a map over two parameters and a sweep have the explorer's
// numbers and leave those figures empty.
{
  const lunar = 'strength=5.7\ndensity=1700\nsafety=2\nrapex=150000\ncsgeo=3.4466189306\nrhog=auto\nmclimb=580';
  const release = ['orbit_alt', 'escape_alt', 'apex_speed', 'apex_vinf'];
  for (const planet of ['moon-l1', 'moon-l2']) {
    const sets = lunar.split('\n').flatMap((a) => ['--set', a]);
    for (const method of ['march', 'integral']) {
      const [head, row] = execFileSync(explore, ['--planet', planet, ...sets, '--method', method, '--format', 'csv'],
        { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim().split('\n');
      const page = tether.evaluate(`planet=${planet}\n${lunar}`, method);
      check(`${planet} ${method}: errors`, page.errors.length, 0);
      const values = row.split(',');
      head.split(',').forEach((name, i) => {
        check(`${planet} ${method}: ${name}`, page.figures.find((f) => f.name === name)?.value ?? '', values[i]);
      });
      for (const name of release) {
        check(`${planet} ${method}: ${name} empty`, page.figures.find((f) => f.name === name)?.value, null);
      }
      check(`${planet} ${method}: the release note by orbit_alt`,
        page.notes.some((n) => n.on === 'figure' && n.name === 'orbit_alt' && /empty/.test(n.text)), true);
      check(`${planet} ${method}: ascent rows`, page.rows.length > 0 && page.rows.length % page.columns.length, 0);
    }
    const x = 'vmax=10:60:3';
    const y = 'strength=4:8:3';
    check(`${planet}: map`, tether.mapCsv(`planet=${planet}\n${lunar}`, x, y, 'integral'),
      execFileSync(explore, ['--planet', planet, ...sets, '--method', 'integral', '--sweep', x, '--sweep', y,
        '--format', 'csv'], { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }));
    const empty = tether.map(`planet=${planet}\n${lunar}`, x, y, 'orbit_alt', 'integral');
    check(`${planet}: a map of orbit_alt`, `${empty.errors.length} ${empty.z.length}`, '0 9');
    check(`${planet}: a map of orbit_alt is empty`, empty.z.every(Number.isNaN), true);
    const timed = tether.map(`planet=${planet}\n${lunar}`, x, y, 'time', 'integral');
    check(`${planet}: a map of time has values`, timed.z.some(Number.isFinite), true);
    const swept = tether.sweep(`planet=${planet}\n${lunar}`, 'vmax=10:60:4', 'apex_speed', 'march');
    check(`${planet}: a sweep of apex_speed is empty`, swept.y.length === 4 && swept.y.every(Number.isNaN), true);
  }
}

if (failed) process.exit(1);
console.log('ok: the WebAssembly study matches the native numbers');
