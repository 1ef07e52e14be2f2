// The page (build/web/kestavon.html) in real browsers, headless, opened from the disk and from a
// server on 127.0.0.1: its pictures against the program's --render and against the window's
// controller at other densities, its keys and focus, its ending, its error box, its download, its
// clipboard, its refusals, its accessibility, and that it loads nothing from anywhere.
//
//   node page_test.mjs --page kestavon.html --program kestavon --reference web_reference_picture
//                      [--browsers chromium,firefox]
//
// Prints a line for each check and, last, 'N passed, N failed, N skipped'; exits non-zero when a
// check failed.

import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {pathToFileURL} from 'node:url';
import {parseArgs} from 'node:util';

import {decodePng, launch, run, serve} from './browser.mjs';

const {values: options} = parseArgs({options: {
  page: {type: 'string'}, program: {type: 'string'}, reference: {type: 'string'},
  browsers: {type: 'string', default: 'chromium,firefox'},
}});
const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'),
                                  'utf8');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kestavon-page-'));
const kStart = '0.5,0.25,0.125';
const kCaption = 'Kestavon Ocsillator';
const kBlack = 0xff000000, kYellow = 0xffffff00, kGreen = 0xff00ff00;

// --- What the program makes: --render's files, its messages, the controller's pictures.

const made = new Map();
function once(key, make) {
  if (!made.has(key)) made.set(key, make());
  return made.get(key);
}

// The bytes of `kestavon --render ARGS --output FILE`.
function rendered(...args) {
  return once(['render', ...args].join(' '), () => {
    const file = path.join(work, `render-${made.size}.png`);
    const result = run(options.program, ['--render', ...args, '--output', file]);
    if (result.status !== 0) throw new Error(`--render ${args.join(' ')}: ${result.stderr}`);
    return fs.readFileSync(file);
  });
}

// The picture the window's controller shows at `ratio` after `actions` (reference_picture.cpp).
function controllerPicture(ratio, ...actions) {
  return once(['controller', ratio, ...actions].join(' '), () => {
    const file = path.join(work, `controller-${made.size}.png`);
    const result = run(options.reference, [file, kStart, String(ratio), ...actions]);
    if (result.status !== 0) throw new Error(`reference picture: ${result.stderr}`);
    return decodePng(fs.readFileSync(file));
  });
}

// The first line that the program writes on standard error for `args`, without its name.
function programSays(...args) {
  const line = run(options.program, args).stderr.split('\n')[0];
  return line.replace(/^kestavon: /, '');
}

// --- Pictures compared.

function pixel(picture, i) {
  const o = i * 4;
  return ((picture.rgba[o + 3] << 24) | (picture.rgba[o] << 16) | (picture.rgba[o + 1] << 8) |
          picture.rgba[o + 2]) >>> 0;
}

function expectSame(actual, expected, what) {
  if (actual.width !== expected.width || actual.height !== expected.height) {
    throw new Error(`${what}: ${actual.width} x ${actual.height} pixels, expected ` +
                    `${expected.width} x ${expected.height}`);
  }
  let differing = 0, first = -1;
  for (let i = 0; i < actual.width * actual.height; ++i) {
    if (pixel(actual, i) !== pixel(expected, i)) {
      if (differing++ === 0) first = i;
    }
  }
  if (differing > 0) {
    const x = first % actual.width, y = Math.floor(first / actual.width);
    throw new Error(`${what}: ${differing} pixels differ, the first at (${x}, ${y}): ` +
                    `${pixel(actual, first).toString(16)} for ${pixel(expected, first).toString(16)}`);
  }
}

function expectOnlyPlotColours(picture, what) {
  for (let i = 0; i < picture.width * picture.height; ++i) {
    const value = pixel(picture, i);
    if (value !== kBlack && value !== kYellow && value !== kGreen) {
      throw new Error(`${what}: pixel (${i % picture.width}, ${Math.floor(i / picture.width)}) ` +
                      `is ${value.toString(16)}, not black, yellow or green`);
    }
  }
}

function expectEqual(actual, expected, what) {
  const a = JSON.stringify(actual), e = JSON.stringify(expected);
  if (a !== e) throw new Error(`${what}: ${a}, expected ${e}`);
}

// --- The page.

// Opens the page at `address` + `query` in a context of its own, on a screen of `ratio`.
async function open(browser, address, {ratio = 1, query = '', downloads = null} = {}) {
  const context = await browser.createBrowserContext(
      downloads ? {downloadBehavior: {policy: 'allow', downloadPath: downloads}} : {});
  const page = await context.newPage();
  const requests = [], errors = [];
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => errors.push(error.message));
  await page.setViewport({width: 720, height: 600, deviceScaleFactor: ratio});
  await page.goto(address + query);
  await page.waitForFunction(() => document.querySelector('canvas, .refused, .ended'));
  return {page, context, requests, errors, ratio, close: () => context.close()};
}

// Where the plot's device pixels lie in the client area: from the device pixel that holds the
// corner of its drawing area, logical pixel (34, 18), as large as the picture expected there.
function plotPlace(ratio, picture) {
  return {x: Math.floor(34 * ratio + 1e-6), y: Math.floor(18 * ratio + 1e-6),
          width: picture.width, height: picture.height};
}

// The page's canvas (over the whole client area) where the plot should be.
async function canvasPicture({page}, place) {
  const data = await page.evaluate(({x, y, width, height}) => {
    const canvas = document.querySelector('#page canvas');
    const bytes = canvas.getContext('2d').getImageData(x, y, width, height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }, place);
  return {width: place.width, height: place.height, rgba: Buffer.from(data, 'base64')};
}

// The screen's device pixels where the plot should be.
async function screenPicture(opened, place) {
  const client = await screenUnder(opened, '.client');
  const rgba = new Uint8Array(place.width * place.height * 4);
  for (let y = 0; y < place.height; ++y) {
    const from = ((place.y + y) * client.width + place.x) * 4;
    rgba.set(client.rgba.subarray(from, from + place.width * 4), y * place.width * 4);
  }
  return {width: place.width, height: place.height, rgba};
}

// The screen's device pixels under the element `selector` (its border box).
async function screenUnder({page, ratio}, selector) {
  const box = await page.evaluate((chosen) => {
    const r = document.querySelector(chosen).getBoundingClientRect();
    return {left: r.left, top: r.top, right: r.right, bottom: r.bottom};
  }, selector);
  const shot = decodePng(await page.screenshot({type: 'png'}));
  const left = Math.round(box.left * ratio), top = Math.round(box.top * ratio);
  const width = Math.round(box.right * ratio) - left, height = Math.round(box.bottom * ratio) - top;
  const rgba = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; ++y) {
    const from = ((top + y) * shot.width + left) * 4;
    rgba.set(shot.rgba.subarray(from, from + width * 4), y * width * 4);
  }
  return {width, height, rgba};
}

// The canvas as the page holds it and as the screen shows it, both the expected picture.
async function expectPlot(opened, expected, what) {
  const place = plotPlace(opened.ratio, expected);
  expectSame(await canvasPicture(opened, place), expected, `${what}, the canvas`);
  expectSame(await screenPicture(opened, place), expected, `${what}, on the screen`);
}

async function click(opened, id) {
  await opened.page.click(`#${id}`);
}

async function focused({page}) {
  return page.evaluate(() => document.activeElement && document.activeElement.id);
}

async function expectEnded({page}) {
  const text = await page.$eval('main', (main) => main.innerText.trim());
  expectEqual(text, 'Kestavon has ended. Reload the page to start it again.', 'the ended page');
  expectEqual(await page.$$eval('button, canvas', (all) => all.length), 0, 'controls left');
}

async function expectNoAxeViolation({page}, when) {
  await page.evaluate(axeSource);
  const violations = await page.evaluate(async () =>
    (await window.axe.run(document)).violations.map((v) => `${v.id}: ${v.help}`));
  if (violations.length > 0) throw new Error(`${when}: ${violations.join('; ')}`);
}

// --- The checks.

const counts = {passed: 0, failed: 0, skipped: 0};

async function check(name, body) {
  try {
    await body();
    counts.passed++;
    console.log(`ok: ${name}`);
  } catch (error) {
    counts.failed++;
    console.log(`FAILED: ${name}: ${error && error.stack ? error.stack : error}`);
  }
}

function skip(name, why) {
  counts.skipped++;
  console.log(`skipped: ${name}: ${why}`);
}

// Opens a page for `body`, closes it after, and fails on a page error or a request for anything
// but the page itself.
function withPage(browser, address, settings, body) {
  return async () => {
    const opened = await open(browser, address, settings);
    try {
      await body(opened);
      const elsewhere = opened.requests.filter((url) => url.split('?')[0] !== address &&
                                                        !url.startsWith('data:'));
      if (elsewhere.length > 0) throw new Error(`requests for ${elsewhere.join(', ')}`);
      if (opened.errors.length > 0) throw new Error(`page errors: ${opened.errors.join('; ')}`);
    } finally {
      await opened.close();
    }
  };
}

async function checkPage(browserName, browser, origin, address) {
  const at = (name) => `${browserName}, ${origin}: ${name}`;
  const start = `?start=${kStart}`;

  await check(at('opens as the window: caption, controls in tab order, the plot focused'),
              withPage(browser, address, {query: start}, async (opened) => {
    expectEqual(await opened.page.title(), kCaption, 'the title');
    expectEqual(await opened.page.$eval('h1', (h) => h.textContent), kCaption, 'the title bar');
    expectEqual(await opened.page.$$eval('.client > :not(canvas)', (all) => all.map((e) => [
      e.id, e.offsetLeft, e.offsetTop, e.offsetWidth, e.offsetHeight, e.textContent,
      e.getAttribute('aria-label')])), [
      ['picGraph', 32, 16, 553, 377, '', 'Trajectory plot'],
      ['cmdRun3D', 40, 416, 137, 41, 'Run-3D', 'Run-3D'],
      ['cmdExit', 472, 416, 121, 41, 'Exit', 'Exit'],
      ['cmdXY', 208, 416, 121, 41, 'XY Plane', 'XY Plane'],
      ['cmdCls', 344, 416, 121, 41, 'Clear', 'Clear']], 'the controls');
    expectEqual(await opened.page.$$eval('button u', (all) => all.map((u) => u.textContent)),
                ['R', 'x', 'P', 'C'], 'the underlined access keys');
    expectEqual(await opened.page.$eval('.client', (c) => [c.offsetWidth, c.offsetHeight]),
                [619, 478], 'the client area');
    expectEqual(await focused(opened), 'picGraph', 'the focus');
    await expectPlot(opened, controllerPicture(1), 'the opening axes');
  }));

  for (const ratio of [1, 2]) {
    for (const [view, button] of [['xy', 'cmdXY'], ['3d', 'cmdRun3D']]) {
      await check(at(`${button} at ratio ${ratio} is --render ${view} --scale ${ratio}`),
                  withPage(browser, address, {ratio, query: start}, async (opened) => {
        await click(opened, button);
        await expectPlot(opened, decodePng(rendered(view, '--start', kStart, '--scale',
                                                    String(ratio))), 'after the click');
      }));
    }
    await check(at(`three clicks with ?seed=7 at ratio ${ratio} are --seed 7 --runs 3`),
                withPage(browser, address, {ratio, query: '?seed=7'}, async (opened) => {
      for (let k = 0; k < 3; ++k) await click(opened, 'cmdRun3D');
      await expectPlot(opened, decodePng(rendered('3d', '--seed', '7', '--runs', '3', '--scale',
                                                  String(ratio))), 'after three clicks');
    }));
  }

  for (const ratio of [1.25, 1.5, 1.75]) {
    await check(at(`ratio ${ratio}: black, yellow and green only, as the controller draws`),
                withPage(browser, address, {ratio, query: start}, async (opened) => {
      await click(opened, 'cmdXY');
      await click(opened, 'cmdRun3D');
      const expected = controllerPicture(ratio, 'xy', '3d');
      expectOnlyPlotColours(await screenPicture(opened, plotPlace(ratio, expected)), 'the screen');
      await expectPlot(opened, expected, 'after XY Plane and Run-3D');
    }));
  }

  await check(at('a change of density moves the drawing as the controller does'),
              withPage(browser, address, {query: start}, async (opened) => {
    await click(opened, 'cmdXY');
    await opened.page.setViewport({width: 720, height: 600, deviceScaleFactor: 2});
    await opened.page.screenshot();  // a frame, in which the browser tells the page of the change
    await opened.page.waitForFunction(() => document.querySelector('canvas').width === 1238);
    opened.ratio = 2;
    await expectPlot(opened, controllerPicture(1, 'xy', '2'), 'at ratio 2');
  }));

  await check(at('Alt+P, Alt+R and Alt+C click their buttons; Alt+X ends the page'),
              withPage(browser, address, {query: start}, async (opened) => {
    const {page} = opened;
    const alt = async (key) => {
      await page.keyboard.down('Alt');
      await page.keyboard.press(key);
      await page.keyboard.up('Alt');
    };
    await alt('KeyP');
    await expectPlot(opened, controllerPicture(1, 'xy'), 'after Alt+P');
    expectEqual(await focused(opened), 'cmdXY', 'the focus after Alt+P');
    await alt('KeyR');
    await expectPlot(opened, controllerPicture(1, 'xy', '3d'), 'after Alt+R');
    await alt('KeyC');
    await expectPlot(opened, controllerPicture(1, 'xy', '3d', 'cls'), 'after Alt+C');
    await alt('KeyX');
    await expectEnded(opened);
  }));

  await check(at('Tab and Shift+Tab follow the tab order; Space and Enter click a button'),
              withPage(browser, address, {query: start}, async (opened) => {
    const {page} = opened;
    const order = [];
    for (let i = 0; i < 4; ++i) {
      await page.keyboard.press('Tab');
      order.push(await focused(opened));
    }
    expectEqual(order, ['cmdRun3D', 'cmdExit', 'cmdXY', 'cmdCls'], 'Tab');
    const back = [];
    for (let i = 0; i < 4; ++i) {
      await page.keyboard.down('Shift');
      await page.keyboard.press('Tab');
      await page.keyboard.up('Shift');
      back.push(await focused(opened));
    }
    expectEqual(back, ['cmdXY', 'cmdExit', 'cmdRun3D', 'picGraph'], 'Shift+Tab');
    await page.keyboard.press(' ');
    await page.keyboard.press('Enter');
    await expectPlot(opened, controllerPicture(1), 'after Space and Enter on the plot');
    expectEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0], 'the scroll');
    await page.focus('#cmdXY');
    await page.keyboard.press(' ');
    await expectPlot(opened, controllerPicture(1, 'xy'), 'after Space on XY Plane');
    await page.focus('#cmdCls');
    await page.keyboard.press('Enter');
    await expectPlot(opened, controllerPicture(1, 'xy', 'cls'), 'after Enter on Clear');
  }));

  await check(at('the focus is visible on the plot and on the buttons'),
              withPage(browser, address, {query: start}, async (opened) => {
    const {page} = opened;
    const looks = async (selector) => screenUnder(opened, selector);
    const differs = (a, b) => Buffer.compare(Buffer.from(a.rgba), Buffer.from(b.rgba)) !== 0;
    const plotFocused = await looks('#picGraph');
    const buttonUnfocused = await looks('#cmdCls');
    await page.focus('#cmdCls');
    await page.mouse.move(0, 0);
    if (!differs(await looks('#cmdCls'), buttonUnfocused)) throw new Error('a button shows no focus');
    if (!differs(await looks('#picGraph'), plotFocused)) throw new Error('the plot shows no focus');
  }));

  await check(at('Clear wipes the plot, axes and all'),
              withPage(browser, address, {query: start}, async (opened) => {
    await click(opened, 'cmdXY');
    await click(opened, 'cmdCls');
    await expectPlot(opened, controllerPicture(1, 'cls'), 'after Clear');
  }));

  await check(at('Exit ends the page: one line, and nothing responds'),
              withPage(browser, address, {query: start}, async (opened) => {
    await click(opened, 'cmdExit');
    await expectEnded(opened);
    await opened.page.keyboard.down('Alt');
    await opened.page.keyboard.press('KeyP');
    await opened.page.keyboard.up('Alt');
    await expectEnded(opened);
  }));

  await check(at('?start=1e300,0,0: the desktop\'s words in a box titled with the caption, then the end'),
              withPage(browser, address, {query: '?start=1e300,0,0'}, async (opened) => {
    const {page} = opened;
    const words = programSays('--render', 'xy', '--start', '1e300,0,0', '--output',
                              path.join(work, 'fault.png'));
    await click(opened, 'cmdXY');
    await page.waitForSelector('dialog[open]');
    expectEqual(await page.$eval('dialog[open]', (d) => [
      d.querySelector('.title-bar').textContent, d.querySelector('p').textContent]),
      [kCaption, words], 'the message box');
    // The box's backdrop shades the screen: the canvas alone.
    expectSame(await canvasPicture(opened, plotPlace(1, controllerPicture(1))), controllerPicture(1),
               'the plot under the box, drawn until the fault');
    await page.keyboard.down('Alt');
    await page.keyboard.press('KeyP');
    await page.keyboard.up('Alt');
    await page.click('dialog[open] button');
    await page.waitForSelector('.ended');
    await expectEnded(opened);
  }));

  for (const ratio of [1, 2]) {
    const downloads = fs.mkdtempSync(path.join(work, 'downloads-'));
    await check(at(`Ctrl+S at ratio ${ratio} downloads kestavon.png, --render's bytes`),
                withPage(browser, address, {ratio, query: start, downloads}, async (opened) => {
      const {page} = opened;
      await click(opened, 'cmdXY');
      await page.keyboard.down('Control');
      await page.keyboard.press('KeyS');
      await page.keyboard.up('Control');
      const file = path.join(downloads, 'kestavon.png');
      for (let wait = 0; wait < 100 && !fs.existsSync(file); ++wait) {
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
      if (!fs.existsSync(file)) {
        throw new Error(`nothing downloaded (${fs.readdirSync(downloads).join(', ')})`);
      }
      if (Buffer.compare(fs.readFileSync(file), rendered('xy', '--start', kStart, '--scale',
                                                         String(ratio))) !== 0) {
        throw new Error('the downloaded bytes are not --render\'s');
      }
    }));
  }

  if (browserName === 'firefox') {
    skip(at('Ctrl+C puts the picture on the clipboard'), 'headless Firefox\'s clipboard holds ' +
         'text alone: it takes the picture without a word and gives nothing back');
  } else await check(at('Ctrl+C puts the picture on the clipboard (permission granted)'),
              withPage(browser, address, {query: start}, async (opened) => {
    const {page, context} = opened;
    const origin = address.startsWith('http') ? new URL(address).origin : '*';
    for (const name of ['clipboard-read', 'clipboard-write']) {
      await context.setPermission(origin, {permission: {name}, state: 'granted'});
    }
    await click(opened, 'cmdRun3D');
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyC');
    await page.keyboard.up('Control');
    const read = await page.evaluate(async () => {
      for (let wait = 0; wait < 50; ++wait) {
        try {  // the write may still be under way
          const items = await navigator.clipboard.read();
          const item = items.find((i) => i.types.includes('image/png'));
          if (item) {
            const bytes = new Uint8Array(await (await item.getType('image/png')).arrayBuffer());
            let text = '';
            for (const byte of bytes) text += String.fromCharCode(byte);
            return btoa(text);
          }
        } catch (changing) {
          // read again
        }
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
      return null;
    });
    if (read === null) throw new Error('no PNG on the clipboard');
    expectSame(decodePng(Buffer.from(read, 'base64')), controllerPicture(1, '3d'),
               'the clipboard\'s picture');
    expectEqual(await page.$$('dialog[open]').then((d) => d.length), 0, 'message boxes');
  }));

  await check(at('Ctrl+C where the browser has no picture clipboard says so in words'),
              withPage(browser, address, {query: start}, async (opened) => {
    const {page} = opened;
    await page.evaluate(() => { delete window.ClipboardItem; });
    await page.keyboard.down('Control');
    await page.keyboard.press('KeyC');
    await page.keyboard.up('Control');
    await page.waitForSelector('dialog[open]');
    expectEqual(await page.$eval('dialog[open] p', (p) => p.textContent),
                'The plot was not copied: this browser lets no page put a picture on the ' +
                'clipboard.', 'the message');
    await page.click('dialog[open] button');
    await click(opened, 'cmdXY');  // the program goes on
    await expectPlot(opened, controllerPicture(1, 'xy'), 'after the message');
  }));

  for (const [query, args] of [['?seed=abc', ['--seed', 'abc']], ['?seed=4294967296', ['--seed', '4294967296']],
                               ['?start=1,2', ['--start', '1,2']], ['?start=1,2,x', ['--start', '1,2,x']],
                               ['?start=1e400,0,0', ['--start', '1e400,0,0']], ['?seed=', ['--seed=']],
                               ['?seed=1&seed=2', ['--seed', '1', '--seed', '2']]]) {
    await check(at(`${query} is refused in the command line's words, and nothing runs`),
                withPage(browser, address, {query}, async (opened) => {
      expectEqual(await opened.page.$eval('main', (m) => m.innerText.trim()), programSays(...args),
                  'the page');
      expectEqual(await opened.page.$$eval('button, canvas', (all) => all.length), 0,
                  'controls');
    }));
  }

  await check(at('axe-core finds no violation, before and after a run'),
              withPage(browser, address, {query: start}, async (opened) => {
    await expectNoAxeViolation(opened, 'before a run');
    await click(opened, 'cmdXY');
    await expectNoAxeViolation(opened, 'after a run');
  }));
}

let exitStatus = 0;
try {
  const page = path.resolve(options.page);
  await check('the page is one file under 512 KB', async () => {
    const size = fs.statSync(page).size;
    if (size >= 512 * 1024) throw new Error(`${size} bytes`);
    console.log(`  (${size} bytes)`);
  });
  const server = await serve(page);
  try {
    for (const name of options.browsers.split(',')) {
      let browser;
      try {
        browser = await launch(name);
      } catch (error) {
        skip(name, `cannot be started: ${error.message}`);
        continue;
      }
      try {
        await checkPage(name, browser, 'file://', pathToFileURL(page).href);
        await checkPage(name, browser, 'http://127.0.0.1', server.url);
      } finally {
        await browser.close();
      }
    }
  } finally {
    server.close();
  }
} finally {
  fs.rmSync(work, {recursive: true, force: true});
  console.log(`${counts.passed} passed, ${counts.failed} failed, ${counts.skipped} skipped`);
  exitStatus = counts.failed > 0 ? 1 : 0;
}
process.exit(exitStatus);
