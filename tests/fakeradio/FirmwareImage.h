// Firmware files of any size for tests and benchmarks: an S0 header with the radio's part number
// and a version, S2 data records, an S8 end record; every line a valid record ending CR LF.
#pragma once

#include <QByteArray>
#include <QString>

namespace FirmwareImage {

// At least minBytes long.
QByteArray make(const QString &version, qsizetype minBytes);

} // namespace FirmwareImage
