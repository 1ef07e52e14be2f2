#include "form/device_places.h"

namespace kestavon::form {

DeviceGrid plotGrid(double ratio) { return DeviceGrid::at(ratio, kPlotLeft, kPlotTop); }

DevicePoint plotOrigin(double ratio) {
  return {static_cast<int>(wholeDevicePixel(kPlotLeft * ratio)),
          static_cast<int>(wholeDevicePixel(kPlotTop * ratio))};
}

}  // namespace kestavon::form
