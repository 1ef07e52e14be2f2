'use strict';
// The page: it makes and moves the window's elements as the module asks (page_calls.js), hands
// every click, key and change of density to the module, and shows its message boxes, downloads
// and clipboard. All that the window does is the module's; the page only maps it.

var Module = (() => {
  const main = document.getElementById('page');
  const controls = [];  // the form's controls in tab order: the plot, then the buttons
  const accessKeys = new Map();  // 'R' -> index of its control
  const plotKeys = new Map();  // 'S' -> the module's command
  let client = null;
  let plot = null;
  let canvas = null;
  let ratio = window.devicePixelRatio || 1;
  let ended = false;
  let dialog = null;  // the message box while it is open
  let endWhenClosed = false;

  // Every call into the module. End() and the report of a run-time error end the program by
  // unwinding out of the module (emscripten's ExitStatus); anything else unwinding out of it is a
  // failure of the page itself, and ends the program too.
  function call(act) {
    if (ended) return;
    try {
      act();
    } catch (error) {
      if (error && error.name === 'ExitStatus') {
        end();
      } else {
        ended = true;
        showMessage(true, 'The page failed: ' + (error && error.message ? error.message : error));
        end();
      }
    }
  }

  function end() {
    ended = true;
    if (dialog !== null) {
      endWhenClosed = true;
      return;
    }
    const line = document.createElement('p');
    line.className = 'ended';
    line.setAttribute('role', 'status');
    line.textContent = 'Kestavon has ended. Reload the page to start it again.';
    main.replaceChildren(line);
  }

  function open(caption, clientWidth, clientHeight) {
    document.title = caption;
    const frame = document.createElement('div');
    frame.className = 'window';
    const title = document.createElement('h1');
    title.className = 'title-bar';
    title.textContent = caption;
    client = document.createElement('div');
    client.className = 'client';
    client.style.width = clientWidth + 'px';
    client.style.height = clientHeight + 'px';
    frame.append(title, client);
    main.replaceChildren(frame);
  }

  // A caption with '&' before its access key, as text with that letter underlined.
  function captionNodes(caption) {
    const amp = caption.indexOf('&');
    if (amp < 0 || amp + 1 >= caption.length) return [caption];
    const key = document.createElement('u');
    key.textContent = caption[amp + 1];
    return [caption.slice(0, amp), key, caption.slice(amp + 2)];
  }

  function placeControl(index, view) {
    let element = controls[index];
    if (element === undefined) {
      element = view.caption === '' ? makePlot(view) : makeButton(index, view);
      controls[index] = element;
      client.append(element);  // in tab order
      if (element === plot) client.append(canvas);
    }
    Object.assign(element.style, {
      left: view.left + 'px', top: view.top + 'px',
      width: view.width + 'px', height: view.height + 'px'
    });
  }

  function makePlot(view) {
    plot = document.createElement('div');
    plot.id = view.name;
    plot.className = 'plot';
    plot.tabIndex = 0;
    plot.setAttribute('role', 'img');
    plot.setAttribute('aria-label', view.accessibleName);
    if (view.description !== '') {
      const help = document.createElement('span');
      help.id = view.name + '-keys';
      help.className = 'hidden';
      help.textContent = view.description;
      plot.setAttribute('aria-describedby', help.id);
      main.append(help);
    }
    // The plot's device pixels go into a canvas over the whole client area, transparent but for
    // them: the client area's origin and size are whole CSS pixels, which browsers put on the
    // device grid exactly, whereas a canvas at the plot's own place (a fraction of a CSS pixel at
    // most densities) would be resampled. Clicks go through it.
    canvas = document.createElement('canvas');
    canvas.className = 'plot-pixels';
    canvas.setAttribute('aria-hidden', 'true');
    return plot;
  }

  function makeButton(index, view) {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = view.name;
    button.append(...captionNodes(view.caption));
    button.setAttribute('aria-label', view.accessibleName);
    if (view.accessKey !== '') {
      accessKeys.set(view.accessKey, index);
      button.setAttribute('aria-keyshortcuts', 'Alt+' + view.accessKey);
    }
    button.addEventListener('click', () => call(() => Module._kestavon_click(index)));
    return button;
  }

  function addPlotKey(key, command) {
    plotKeys.set(key, command);
  }

  // The plot's device pixels one to one on the screen's, the first at the device pixel of the
  // client area that the module says. A new density makes a new, empty canvas.
  function showPlot(rgba, width, height, originX, originY, density) {
    const wide = Math.round(client.offsetWidth * density);
    const high = Math.round(client.offsetHeight * density);
    if (canvas.width !== wide || canvas.height !== high) {
      canvas.width = wide;
      canvas.height = high;
    }
    canvas.getContext('2d').putImageData(new ImageData(rgba, width, height), originX, originY);
  }

  function showMessage(isError, text) {
    const before = document.activeElement;
    dialog = document.createElement('dialog');
    dialog.setAttribute('role', isError ? 'alertdialog' : 'dialog');
    dialog.setAttribute('aria-labelledby', 'message-title');
    dialog.setAttribute('aria-describedby', 'message-text');
    const title = document.createElement('h2');
    title.id = 'message-title';
    title.className = 'title-bar';
    title.textContent = document.title;
    const message = document.createElement('p');
    message.id = 'message-text';
    message.textContent = text;
    const buttons = document.createElement('form');
    buttons.method = 'dialog';
    const ok = document.createElement('button');
    ok.textContent = 'OK';
    buttons.append(ok);
    dialog.append(title, message, buttons);
    dialog.addEventListener('close', () => {
      dialog.remove();
      dialog = null;
      if (endWhenClosed) {
        end();
      } else if (before instanceof HTMLElement) {
        before.focus();
      }
    });
    document.body.append(dialog);
    dialog.showModal();
    ok.focus();
  }

  function download(bytes, name) {
    const address = URL.createObjectURL(new Blob([bytes], {type: 'image/png'}));
    const link = document.createElement('a');
    link.href = address;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(address), 60000);
  }

  // True when the clipboard was asked; its refusal, if any, comes later.
  function copyPng(bytes) {
    if (!navigator.clipboard || !navigator.clipboard.write || typeof ClipboardItem !== 'function') {
      return false;
    }
    const item = new ClipboardItem({'image/png': new Blob([bytes], {type: 'image/png'})});
    navigator.clipboard.write([item]).catch((error) => {
      const why = String(error && error.message ? error.message : error).replace(/\.$/, '');
      call(() => withText('the browser did not allow it (' + why + ')', Module._kestavon_copy_refused));
    });
    return true;
  }

  function refuse(text) {
    ended = true;
    const line = document.createElement('p');
    line.className = 'refused';
    line.setAttribute('role', 'alert');
    line.textContent = text;
    main.replaceChildren(line);
  }

  // Calls `take` with `text` as a UTF-8 string in the module's memory.
  function withText(text, take) {
    const bytes = new TextEncoder().encode(text);
    const address = Module._malloc(bytes.length + 1);
    Module.HEAPU8.set(bytes, address);
    Module.HEAPU8[address + bytes.length] = 0;
    try {
      take(address);
    } finally {
      Module._free(address);
    }
  }

  // The letter of a key: the character it types on the user's layout, or, where a modifier makes
  // it type another (Option on macOS), the letter at its place.
  function letterOf(event) {
    if (/^[a-z]$/i.test(event.key)) return event.key.toUpperCase();
    const place = /^Key([A-Z])$/.exec(event.code);
    return place ? place[1] : '';
  }

  // The access keys with Alt, the plot's keys with Ctrl (or Command), anywhere in the page; on the
  // plot Space and Enter do nothing (and do not scroll). A key meant for the message box is its.
  document.addEventListener('keydown', (event) => {
    if (ended || dialog !== null || plot === null) return;
    const letter = letterOf(event);
    if (event.altKey && !event.ctrlKey && !event.metaKey && accessKeys.has(letter)) {
      event.preventDefault();
      const button = controls[accessKeys.get(letter)];
      button.focus();
      button.click();
    } else if ((event.ctrlKey || event.metaKey) && !event.altKey && plotKeys.has(letter)) {
      event.preventDefault();
      call(() => Module._kestavon_command(plotKeys.get(letter)));
    } else if (event.target === plot && (event.key === ' ' || event.key === 'Enter')) {
      event.preventDefault();
    }
  });

  // A zoom or a move to a screen of another density changes the device pixel ratio.
  function watchDensity() {
    matchMedia('(resolution: ' + ratio + 'dppx)').addEventListener('change', densityChanged,
                                                                    {once: true});
  }
  function densityChanged() {
    const now = window.devicePixelRatio || 1;
    if (now !== ratio) {
      ratio = now;
      alignClient();
      call(() => Module._kestavon_set_density(ratio));
    }
    watchDensity();
  }

  // The client area's origin on a device pixel, as a window's is, whatever the zoom.
  function alignClient() {
    main.style.marginLeft = main.style.marginTop = '0px';
    const box = client.getBoundingClientRect();
    const nudge = (position) => (Math.ceil(position * ratio - 1e-6) - position * ratio) / ratio;
    main.style.marginLeft = nudge(box.left + window.scrollX) + 'px';
    main.style.marginTop = nudge(box.top + window.scrollY) + 'px';
  }

  // The address's seed and start, as the command line's --seed and --start; other parameters
  // are the address's own business (a link's), and the page ignores them.
  function argumentsOfAddress() {
    const given = [];
    for (const pair of location.search.replace(/^\?/, '').split('&')) {
      const equals = pair.indexOf('=');
      const name = equals < 0 ? pair : pair.slice(0, equals);
      if (name !== 'seed' && name !== 'start') continue;
      const value = equals < 0 ? '' : pair.slice(equals + 1);
      let text = value;
      try {
        text = decodeURIComponent(value);
      } catch (malformed) {
        // The value as written: the command line says what is wrong with it.
      }
      given.push('--' + name + '=' + text);
    }
    return given;
  }

  function start() {
    call(() => {
      for (const argument of argumentsOfAddress()) {
        withText(argument, Module._kestavon_add_argument);
      }
      if (Module._kestavon_start(ratio) !== 0) return;
      alignClient();
      if (ratio !== (window.devicePixelRatio || 1)) densityChanged();
      watchDensity();
      addEventListener('resize', densityChanged);
      plot.focus();
    });
  }

  return {
    page: {open, placeControl, addPlotKey, showPlot, showMessage, download, copyPng, refuse},
    onRuntimeInitialized: start,
    // The module could not be made (a browser without WebAssembly's exceptions, say): the page
    // says so. Later, a failure of the module ends the program through call().
    onAbort: (what) => {
      if (client === null) refuse('This browser cannot run Kestavon: ' + what);
    },
    printErr: (line) => console.error(line)
  };
})();
