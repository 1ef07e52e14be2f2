// What the page's tests and its benchmark share: Debian's browsers started headless for
// puppeteer-core, the page served from 127.0.0.1, and PNG pictures read into pixels.

import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

import puppeteer from 'puppeteer-core';

export const browsers = {
  chromium: '/usr/bin/chromium',
  firefox: '/usr/bin/firefox-esr',
};

// A browser with a fresh profile that reaches for nothing on the network.
export async function launch(name) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `kestavon-${name}-`));
  const browser = name === 'chromium'
    ? await puppeteer.launch({
        executablePath: browsers.chromium, headless: true, userDataDir: profile,
        args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
               '--disable-component-update', '--disable-sync', '--no-first-run',
               '--disable-default-apps', '--disable-extensions'],
      })
    : await puppeteer.launch({
        browser: 'firefox', executablePath: browsers.firefox, headless: true,
        userDataDir: profile,
      });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return browser;
}

// Serves `file` as / (and nothing else) on 127.0.0.1 at a free port.
export async function serve(file) {
  const body = fs.readFileSync(file);
  const server = http.createServer((request, response) => {
    if (new URL(request.url, 'http://127.0.0.1').pathname === '/') {
      response.writeHead(200, {'Content-Type': 'text/html; charset=utf-8'});
      response.end(body);
    } else {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close()};
}

// A PNG file's pixels as RGBA: 8-bit RGB or RGBA, not interlaced (what libpng writes for the
// program and what browsers write for screenshots).
export function decodePng(bytes) {
  const buffer = Buffer.from(bytes);
  if (buffer.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG file');
  let offset = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString('latin1', offset + 4, offset + 8);
    const chunk = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = chunk.readUInt32BE(0);
      height = chunk.readUInt32BE(4);
      const [depth, colour, , , interlace] = chunk.subarray(8);
      if (depth !== 8 || interlace !== 0 || (colour !== 2 && colour !== 6)) {
        throw new Error(`PNG of depth ${depth}, colour type ${colour}: not read here`);
      }
      channels = colour === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      data.push(chunk);
    }
    offset += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rgba = new Uint8Array(width * height * 4);
  let previous = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Uint8Array.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? row[i - channels] : 0;
      const up = previous[i];
      const upLeft = i >= channels ? previous[i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = left;
      else if (filter === 2) predicted = up;
      else if (filter === 3) predicted = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft;
        const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upLeft);
        predicted = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      row[i] = (row[i] + predicted) & 0xff;
    }
    for (let x = 0; x < width; ++x) {
      for (let c = 0; c < 4; ++c) {
        rgba[(y * width + x) * 4 + c] = c < channels ? row[x * channels + c] : 255;
      }
    }
    previous = row;
  }
  return {width, height, rgba};
}

// Runs a program and returns its standard output and error, and its status.
export function run(program, args) {
  const result = spawnSync(program, args, {encoding: 'buffer', maxBuffer: 64 << 20});
  if (result.error) throw result.error;
  return {status: result.status, stdout: result.stdout, stderr: result.stderr.toString('utf8')};
}
