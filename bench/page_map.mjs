// The page's 100 x 100 map of travel time: first the engine's map alone
// under Node (CPU time, which other processes on the machine hardly
// change), then the page in headless Chromium from the address to the
// drawn map (wall-clock time, which they do).
// usage: node bench/page_map.mjs WEB_BUILD_DIR [LOADS] [QUERY]
// Needs the page built (make web) and puppeteer-core (make web-test).
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { serve } from '../tests/web/serve.mjs';

const dir = resolve(process.argv[2] || 'build-web');
const loads = Number(process.argv[3] || 6);
const query = process.argv[4]
  || '?method=integral&map=vmax:10:200:100,strength:20:130:100&mapfig=time';
const pageDir = join(dir, 'web');

// Emscripten's ES module looks for CommonJS's require and __dirname under Node.
const module = join(pageDir, 'tether.mjs');
globalThis.require = createRequire(pathToFileURL(module));
globalThis.__dirname = dirname(module);
const { default: createTether } = await import(pathToFileURL(module));
const tether = await createTether({ wasmBinary: readFileSync(join(pageDir, 'tether.wasm')) });
const cpu = [];
for (let i = 0; i < loads; i++) {
  const start = process.cpuUsage();
  const map = tether.map('', 'vmax=10:200:100', 'strength=20:130:100', 'time', 'integral');
  const used = process.cpuUsage(start);
  if (map.errors.length || map.z.length !== 10000) throw new Error(JSON.stringify(map.errors));
  cpu.push((used.user + used.system) / 1e6);
}
console.log(`the engine's map under Node, CPU: ${cpu.map((t) => t.toFixed(3)).join(' ')} s; best ${Math.min(...cpu).toFixed(3)} s`);

const puppeteer = createRequire(join(dir, 'npm-dev', 'package.json'))('puppeteer-core');

const { server, base } = await serve(pageDir);

const profile = mkdtempSync(join(tmpdir(), 'tether-bench-'));
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', `--user-data-dir=${profile}`],
});

const times = [];
for (let i = 0; i < loads; i++) {
  const page = await browser.newPage();
  const start = performance.now();
  await page.goto(base + query);
  await page.waitForFunction(() => document.querySelector('#map-plot')?.dataset.mapCells,
    { timeout: 120000, polling: 'raf' });
  times.push((performance.now() - start) / 1000);
  await page.close();
}
await browser.close();
server.close();
rmSync(profile, { recursive: true, force: true });
console.log(`the page in Chromium, address to drawn map: ${times.map((t) => t.toFixed(2)).join(' ')} s; best ${Math.min(...times).toFixed(2)} s`);
