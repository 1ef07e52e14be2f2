#include "web/plot_view.h"

#include <cstddef>

#include "form/device_places.h"
#include "web/page_calls.h"

namespace kestavon {

void WebPlotView::show(const RasterCanvas& pixels, double ratio) {
  const std::size_t count =
      static_cast<std::size_t>(pixels.width()) * static_cast<std::size_t>(pixels.height());
  m_rgba.resize(count);
  // 0xFFRRGGBB to the bytes R, G, B, A in memory: 0xAABBGGRR on this little-endian machine.
  const std::uint32_t* argb = pixels.pixels();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t pixel = argb[i];
    m_rgba[i] = (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFFu) | ((pixel & 0xFFu) << 16);
  }
  const form::DevicePoint origin = form::plotOrigin(ratio);
  kestavon_page_show_plot(reinterpret_cast<const std::uint8_t*>(m_rgba.data()), pixels.width(),
                          pixels.height(), origin.x, origin.y, ratio);
}

}  // namespace kestavon
