// Which device stands behind port number N ("Com1" ... "Com16").
#pragma once

#include <QString>
#include <QStringList>

namespace PortMap {
// WAVECREST_COM<N> in the environment names the device for port N. Otherwise port N is the
// N-th serial device present: USB and ACM adapters first, then the built-in ports, each group
// in natural name order. On Windows port N is COMN.
QString deviceFor(int port);
// The devices in port order (index 0 is port 1), as used when no variable overrides a port.
QStringList enumerate();
} // namespace PortMap
