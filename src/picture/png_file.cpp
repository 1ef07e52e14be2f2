#include "picture/png_file.h"

#include <exception>
#include <new>

#include "picture/png_encoding.h"
#include "platform/messages.h"

namespace kestavon {
namespace {

std::string cannotWrite(const std::string& name, const std::string& reason) {
  const std::string where =
      name == kStandardOutput ? std::string("to standard output") : printable(name);
  return "cannot write " + where + ": " + reason;
}

}  // namespace

std::optional<std::string> refusalOf(const std::string& name) {
  const Destination destination = destinationOf(name);
  if (destination.refused()) return cannotWrite(name, destination.refusal);
  return std::nullopt;
}

std::optional<std::string> writePng(const RasterCanvas& canvas, const std::string& name,
                                    Patience patience) {
  // Judged again: the name may designate something else since the runs began.
  const Destination destination = destinationOf(name);
  std::optional<std::string> failure;
  try {
    if (destination.refused()) return cannotWrite(name, destination.refusal);
    const std::vector<std::uint8_t> png = encodePng(canvas);
    switch (destination.kind) {
      case DestinationKind::File:
        failure = replaceFile(destination.path, png);
        break;
      case DestinationKind::Stream:
        failure = writeStream(name, png, patience);
        break;
      case DestinationKind::StandardOutput:
        failure = writeStandardOutput(png);
        break;
      case DestinationKind::Other:
        break;  // always refused
    }
  } catch (const std::bad_alloc&) {
    failure = "not enough memory to encode the picture";
  } catch (const std::exception& error) {
    failure = error.what();
  }
  if (failure) return cannotWrite(name, *failure);
  return std::nullopt;
}

}  // namespace kestavon
