#include "fakeradio/FirmwareImage.h"

namespace {
QByteArray record(char type, const QByteArray &payload)
{
    const int count = int(payload.size()) + 1;
    unsigned sum = unsigned(count);
    for (const char b : payload)
        sum += static_cast<unsigned char>(b);
    QByteArray line = QByteArray("S") + type;
    line += QByteArray::number(count, 16).rightJustified(2, '0').toUpper();
    line += payload.toHex().toUpper();
    line += QByteArray::number(~sum & 0xFF, 16).rightJustified(2, '0').toUpper();
    return line + "\r\n";
}
} // namespace

namespace FirmwareImage {

QByteArray make(const QString &version, qsizetype minBytes)
{
    QByteArray out = record('0', QByteArray(2, '\0') + "17-2851" + "A01 " + version.toLatin1());
    for (quint32 address = 0x010000; out.size() < minBytes; address += 32) {
        QByteArray payload;
        payload += char(address >> 16);
        payload += char(address >> 8);
        payload += char(address);
        for (int i = 0; i < 32; ++i)
            payload += char((address + quint32(i) * 13) & 0xFF);
        out += record('2', payload);
    }
    return out + record('8', QByteArray::fromHex("010000"));
}

} // namespace FirmwareImage
