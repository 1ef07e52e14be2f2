#pragma once

// The module's calls into the page, made in page_calls.js: each hands its values to page.js, which
// owns the page's elements. Texts are UTF-8; pixels and bytes are read before the call returns.

#include <cstddef>
#include <cstdint>

extern "C" {

// Titles the page and its window's title bar with `caption`, and sizes the client area (CSS
// pixels).
void kestavon_page_open(const char* caption, int clientWidth, int clientHeight);

// Makes control `index` of the form, or moves it when it is made: at (left, top) of the client
// area, width x height CSS pixels. `caption` has '&' before its access key `accessKey` (0: none);
// an empty caption makes the plot.
void kestavon_page_place_control(int index, const char* name, const char* caption, char accessKey,
                                 const char* accessibleName, const char* description, int left,
                                 int top, int width, int height);

// Ctrl with `key` gives the module command `command`.
void kestavon_page_add_plot_key(char key, int command);

// Shows `width` x `height` device pixels (RGBA, row by row) in the plot, the first at device pixel
// (originX, originY) of the client area on a screen of `ratio` device pixels to a CSS pixel.
void kestavon_page_show_plot(const std::uint8_t* rgba, int width, int height, int originX,
                             int originY, double ratio);

// Opens the modal message box, titled with the caption; returns at once.
void kestavon_page_show_message(int isError, const char* text);

// Hands the file `path` (of the module's memory) to the browser as a download named `name`, and
// removes it.
void kestavon_page_download(const char* path, const char* name);

// Puts the PNG `bytes` on the clipboard: 0 when asked (the browser answers later, through
// kestavon_copy_refused), 1 when the browser lets no page put a picture there.
int kestavon_page_copy_png(const std::uint8_t* bytes, std::size_t size);

// Shows `text` in place of the window: the address was refused, and nothing runs.
void kestavon_page_refuse(const char* text);
}
