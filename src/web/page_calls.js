// The module's calls into the page (page_calls.h): each reads its values out of the module's
// memory and hands them to the page (page.js, Module.page), which owns the elements.
mergeInto(LibraryManager.library, {
  kestavon_page_open: function (caption, clientWidth, clientHeight) {
    Module.page.open(UTF8ToString(caption), clientWidth, clientHeight);
  },
  kestavon_page_place_control: function (index, name, caption, accessKey, accessibleName,
                                         description, left, top, width, height) {
    Module.page.placeControl(index, {
      name: UTF8ToString(name),
      caption: UTF8ToString(caption),
      accessKey: accessKey ? String.fromCharCode(accessKey) : '',
      accessibleName: UTF8ToString(accessibleName),
      description: UTF8ToString(description),
      left: left, top: top, width: width, height: height
    });
  },
  kestavon_page_add_plot_key: function (key, command) {
    Module.page.addPlotKey(String.fromCharCode(key), command);
  },
  kestavon_page_show_plot: function (rgba, width, height, originX, originY, ratio) {
    Module.page.showPlot(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width,
                         height, originX, originY, ratio);
  },
  kestavon_page_show_message: function (isError, text) {
    Module.page.showMessage(isError !== 0, UTF8ToString(text));
  },
  kestavon_page_download__deps: ['$FS'],
  kestavon_page_download: function (path, name) {
    var file = UTF8ToString(path);
    var bytes = FS.readFile(file);
    FS.unlink(file);
    Module.page.download(bytes, UTF8ToString(name));
  },
  kestavon_page_copy_png: function (bytes, size) {
    return Module.page.copyPng(HEAPU8.slice(bytes, bytes + size)) ? 0 : 1;
  },
  kestavon_page_refuse: function (text) {
    Module.page.refuse(UTF8ToString(text));
  }
});
