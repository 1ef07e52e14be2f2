// A click on XY Plane in the page, in headless Chromium, against the same click natively, from
// the same start, side by side: rounds that each time a few clicks in the page and a few in the
// native program (native_click.cpp), after clicks that warm both up. A click in the page is the
// button's handler to its end: the run in WebAssembly and the plot put into the canvas; natively,
// the run through the same controller. Medians, and the fastest clicks, which other programs on
// a shared machine slow the least, and their ratios.
//
//   node bench/web_click.mjs --page build/web/kestavon.html --native build/release/bench/native_click
//                            [--rounds 5] [--clicks 4]
//
// Run it with tests/web's packages installed (npm ci in tests/web).

import path from 'node:path';
import {pathToFileURL} from 'node:url';
import {parseArgs} from 'node:util';

import {launch, run} from '../tests/web/browser.mjs';

const {values: options} = parseArgs({options: {
  page: {type: 'string'}, native: {type: 'string'},
  rounds: {type: 'string', default: '8'}, clicks: {type: 'string', default: '4'},
}});
const start = '0.5,0.25,0.125';
const rounds = Number(options.rounds), clicks = Number(options.clicks);

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

function nativeClicks(count) {
  const result = run(options.native, [start, String(count)]);
  if (result.status !== 0) throw new Error(`native_click: ${result.stderr}`);
  return result.stdout.toString().trim().split('\n').map(Number);
}

const browser = await launch('chromium');
try {
  const page = await browser.newPage();
  await page.setViewport({width: 720, height: 600, deviceScaleFactor: 1});
  await page.goto(`${pathToFileURL(path.resolve(options.page)).href}?start=${start}`);
  await page.waitForFunction(() => document.querySelector('canvas'));
  const pageClicks = (count) => page.evaluate((n) => {
    const button = document.getElementById('cmdXY');
    const times = [];
    for (let i = 0; i < n; ++i) {
      const begin = performance.now();
      button.click();
      times.push(performance.now() - begin);
    }
    return times;
  }, count);

  // The browser compiles a function for speed once it has run a while, in the background; the
  // first clicks run the quick first compilation, and a few more the functions not yet replaced.
  const first = await pageClicks(10);
  nativeClicks(3);
  const inPage = [], native = [];
  for (let round = 0; round < rounds; ++round) {
    inPage.push(...await pageClicks(clicks));
    native.push(...nativeClicks(clicks));
  }
  console.log(`first clicks in the page (ms): ${first.map((t) => t.toFixed(1)).join(' ')}`);
  for (const [name, times] of [['in the page', inPage], ['native     ', native]]) {
    console.log(`${name}: median ${median(times).toFixed(1)} ms, fastest ` +
                `${Math.min(...times).toFixed(1)} ms, slowest ${Math.max(...times).toFixed(1)} ms ` +
                `of ${times.length} clicks`);
  }
  console.log(`page over native: ${(median(inPage) / median(native)).toFixed(2)} of the medians, ` +
              `${(Math.min(...inPage) / Math.min(...native)).toFixed(2)} of the fastest ` +
              '(target: at most 1.6)');
} finally {
  await browser.close();
}
