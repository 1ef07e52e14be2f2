#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestavon {

// Writes all of `bytes` to an open file descriptor, however many writes it takes. A pipe whose
// reader has gone is a failure like any other (EPIPE), not the end of the program. Returns the
// system's reason when a write fails, or nothing.
std::optional<QString> writeAll(int descriptor, const QByteArray& bytes);

}  // namespace kestavon
