// The writer's policy, the same on every system: what is refused and in which words, and the
// sequence of a write, over the system calls of picture/file_system.h.

#include "picture/png_file.h"

#include <exception>
#include <new>
#include <random>
#include <vector>

#include "picture/file_system.h"
#include "picture/png_encoding.h"
#include "platform/messages.h"
#include "platform/signals.h"
#include "platform/standard_streams.h"

namespace kestavon {
namespace {

// How long a window's save waits for a stream's reader to take more.
constexpr int kStallMilliseconds = 500;

// Names tried for a temporary file before the writer gives up.
constexpr int kTemporaryNameTries = 100;

enum class Way { File, Stream, StandardOutput };

// What writing a name takes, as judged just before.
struct Judgement {
  Way way = Way::File;
  files::Found found;
  files::Place place;
  std::optional<std::string> refusal;
};

bool endsInPng(std::string_view name) {
  if (name.size() < 4) return false;
  std::string suffix(name.substr(name.size() - 4));
  for (char& c : suffix) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return suffix == ".png";
}

// A short name of its own for a temporary file, whatever the length of the name it will replace.
std::string temporaryLeaf() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device source;
  std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
  std::string leaf = ".kestavon-";
  for (int i = 0; i < 8; ++i) leaf += kLetters[letter(source)];
  return leaf;
}

// The writer's words for a failure; `keptAs` names the temporary file that a failed replace left
// as the only picture.
std::string wordsOf(const files::Failure& failure, const std::string& keptAs = {}) {
  using Kind = files::Failure::Kind;
  switch (failure.kind) {
    case Kind::NoReader:
      return "no program is reading it";
    case Kind::Stalled:
      return "the program reading it stopped reading";
    case Kind::NotStream:
      return "it is no longer a FIFO, a pipe or a character device";
    case Kind::Moved:
      return "it was moved or replaced while the picture was made";
    case Kind::NoFolder:
      return "the system cannot say which folder holds the file it leads to";
    case Kind::KeptTemporary:  // the new picture is the only one left: it stays, and we say where
      return failure.words + "; the picture is in " + printable(keptAs);
    case Kind::Exists:
    case Kind::Other:
      break;
  }
  return failure.words;
}

std::string inFolder(const files::Place& place, const files::Failure& failure) {
  return "no file can be made in " + printable(place.folderName) + ": " + failure.words;
}

std::string what(files::Kind kind) {
  switch (kind) {
    case files::Kind::Directory:
      return "a directory";
    case files::Kind::Socket:
      return "a socket";
    case files::Kind::BlockDevice:
      return "a block device";
    default:
      return "not a regular file";
  }
}

std::optional<std::string> pngRule(const std::string& name, files::Kind kind) {
  if ((kind != files::Kind::Missing && kind != files::Kind::File) || endsInPng(name)) {
    return std::nullopt;
  }
  return "'" + printable(name) + "' does not end in .png";
}

std::optional<std::string> judgeStandardOutput() {
  switch (standardOutputState()) {
    case StandardOutputState::Closed:
      return cannotWrite(kStandardOutput, "it is closed");
    case StandardOutputState::NotWritable:
      return cannotWrite(kStandardOutput, "it is open for reading only");
    case StandardOutputState::Terminal:
      return cannotWrite(kStandardOutput, "it is a terminal; redirect it to a file or a pipe");
    case StandardOutputState::Writable:
      break;
  }
  return std::nullopt;
}

// Where a regular file goes, new or replaced: a folder that takes new files and, for an existing
// file reached by a link, a file whose own name follows the rule too.
std::optional<std::string> judgePlace(const std::string& name, Judgement& judged) {
  const bool replacing = judged.found.kind == files::Kind::File;
  std::optional<files::Failure> failure;
  judged.place = replacing ? files::placeOf(judged.found.handle, name, failure)
                           : files::placeOfNew(name, failure);
  if (failure && failure->kind == files::Failure::Kind::NoFolder) {
    return cannotWrite(name, wordsOf(*failure));
  }
  if (failure) return cannotWrite(name, inFolder(judged.place, *failure));
  if (replacing && !endsInPng(judged.place.leaf)) {
    return cannotWrite(name, "it leads to '" + printable(judged.place.prefix + judged.place.leaf) +
                                 "', whose name does not end in .png");
  }
  if ((failure = files::mayMakeFileIn(judged.place, temporaryLeaf()))) {
    return cannotWrite(name, inFolder(judged.place, *failure));
  }
  if (replacing && (failure = files::mayReplace(judged.place, judged.found.handle))) {
    return cannotWrite(name, failure->words);
  }
  return std::nullopt;
}

Judgement judge(const std::string& name) {
  Judgement judged;
  if (name == kStandardOutput) {
    judged.way = Way::StandardOutput;
    judged.refusal = judgeStandardOutput();
    return judged;
  }
  if (name.empty()) {
    judged.refusal = cannotWrite(name, "no file name");
    return judged;
  }
  judged.found = files::lookAt(name);
  if (judged.found.failure) {
    judged.refusal = cannotWrite(name, wordsOf(*judged.found.failure));
    return judged;
  }
  switch (judged.found.kind) {
    case files::Kind::Stream:
      judged.way = Way::Stream;
      judged.found.handle = {};  // opened again to be written: a serial port takes one at a time
      break;
    case files::Kind::Terminal:
      judged.refusal = cannotWrite(name, "it is a terminal; redirect it to a file or a pipe");
      break;
    case files::Kind::LinkToNothing:
      judged.refusal = cannotWrite(name, "it is a symbolic link to a file that does not exist");
      break;
    case files::Kind::Missing:
    case files::Kind::File:
      judged.refusal = pngRule(name, judged.found.kind);
      if (!judged.refusal) judged.refusal = judgePlace(name, judged);
      break;
    default:
      judged.refusal = cannotWrite(name, "it is " + what(judged.found.kind) +
                                             "; a picture goes into a file, a pipe or a "
                                             "character device");
  }
  return judged;
}

// A new file beside the one to replace, under a temporary name, written and dressed as the old
// one, flushed, then renamed over it; removed on any failure. The signals that end the program
// wait while it exists.
std::optional<std::string> replaceFile(const Judgement& judged, std::span<const std::uint8_t> png) {
  const files::Handle* old = judged.found.handle.valid() ? &judged.found.handle : nullptr;
  const HeldEndings held;
  std::optional<files::Failure> failure;
  std::string leaf;
  files::Handle made;
  for (int attempt = 0; attempt < kTemporaryNameTries && !made.valid(); ++attempt) {
    failure.reset();
    leaf = temporaryLeaf();
    made = files::makeFile(judged.place, leaf, old, failure);
    if (failure && failure->kind != files::Failure::Kind::Exists) break;
  }
  if (!made.valid()) return wordsOf(*failure);
  {
    const WriteSignalsAsErrors asErrors(false);  // a file size limit: EFBIG, reported
    failure = files::write(made, png, -1);
  }
  if (!failure) failure = files::dress(made, old, judged.place);
  if (!failure) failure = files::flush(made);
  if (std::optional<files::Failure> closing = files::close(made); !failure) failure = closing;
  if (!failure) failure = files::putInPlace(judged.place, leaf, old);
  if (!failure) return std::nullopt;
  if (failure->kind == files::Failure::Kind::KeptTemporary) {
    return wordsOf(*failure, judged.place.prefix + leaf);
  }
  files::removeQuietly(judged.place, leaf);
  return wordsOf(*failure);
}

std::optional<std::string> writeStream(const std::string& name, std::span<const std::uint8_t> png,
                                       Patience patience) {
  const bool wait = patience == Patience::Wait;
  std::optional<files::Failure> failure;
  files::Handle stream = files::openStream(name, wait, failure);
  if (!failure) {
    const WriteSignalsAsErrors asErrors(true);  // a reader that has gone is a failure to report
    failure = files::write(stream, png, wait ? -1 : kStallMilliseconds);
  }
  if (stream.valid()) {
    if (std::optional<files::Failure> closing = files::close(stream); !failure) failure = closing;
  }
  if (failure) return wordsOf(*failure);
  return std::nullopt;
}

}  // namespace

std::string cannotWrite(const std::string& name, const std::string& reason) {
  if (name == kStandardOutput) return "cannot write to standard output: " + reason;
  return "cannot write " + printable(name) + ": " + reason;
}

std::optional<std::string> pngNameRefusal(const std::string& name) {
  if (name == kStandardOutput || name.empty() || endsInPng(name)) return std::nullopt;
  return pngRule(name, files::lookAt(name).kind);
}

std::optional<std::string> refusalOf(const std::string& name) { return judge(name).refusal; }

std::optional<std::string> writePng(const RasterCanvas& canvas, const std::string& name,
                                    Patience patience) {
  // Judged again: the name may reach something else since the runs began.
  const Judgement judged = judge(name);
  if (judged.refusal) return judged.refusal;
  std::vector<std::uint8_t> png;
  try {
    png = encodePng(canvas);
  } catch (const std::bad_alloc&) {
    return cannotWrite(name, "not enough memory to encode a " + std::to_string(canvas.width()) +
                                 " x " + std::to_string(canvas.height()) + " picture");
  } catch (const std::exception& error) {
    return cannotWrite(name, error.what());
  }
  std::optional<std::string> failure;
  switch (judged.way) {
    case Way::File:
      failure = replaceFile(judged, png);
      break;
    case Way::Stream:
      failure = writeStream(name, png, patience);
      break;
    case Way::StandardOutput:
      failure = writeStandardOutput(png);
      break;
  }
  if (failure) return cannotWrite(name, *failure);
  return std::nullopt;
}

}  // namespace kestavon
