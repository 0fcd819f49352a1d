#include "common/Module1.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

bool pathStatus(const QString &path, std::filesystem::file_status *status, QString *failure = nullptr)
{
    // An embedded NUL would let the system test a shorter path than the one asked about.
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    std::error_code error;
    *status = std::filesystem::status(std::filesystem::path(QFile::encodeName(path).toStdString()), error);
    // A missing file or folder on the way is an answer; any other error is a failed test.
    if (error && failure && status->type() != std::filesystem::file_type::not_found)
        *failure = QString::fromLocal8Bit(error.message());
    return !error && std::filesystem::exists(*status);
}

} // namespace

void Delay(qint32 ms)
{
    if (ms > 0)
        Clock::sleepMs(ms);
}

QString HexToBin(const QString &hex)
{
    QString bits;
    bits.reserve(hex.size() * 4);
    for (const QChar c : hex) {
        const int value = hexDigitValue(c);
        if (value < 0)
            continue;
        for (int bit = 3; bit >= 0; --bit)
            bits += (value >> bit) & 1 ? u'1' : u'0';
    }
    return bits;
}

QString BinToHex(const QString &bits)
{
    QString hex;
    for (qsizetype at = 0; at + 4 <= bits.size(); at += 4) {
        int value = 0;
        bool valid = true;
        for (qsizetype i = at; i < at + 4 && valid; ++i) {
            valid = bits[i] == u'0' || bits[i] == u'1';
            value = value * 2 + (bits[i] == u'1');
        }
        if (valid)
            hex += QLatin1Char(HexDigits[value]);
    }
    return hex;
}

bool FileExists(const QString &path)
{
    std::filesystem::file_status status;
    return pathStatus(path, &status);
}

bool FileExists(const QString &path, QString *failure)
{
    std::filesystem::file_status status;
    return pathStatus(path, &status, failure);
}

bool DirExists(const QString &path)
{
    std::filesystem::file_status status;
    return pathStatus(path, &status) && std::filesystem::is_directory(status);
}

bool HoldsControlCharacter(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool HoldsCharacterOutsideLatin1(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

bool RadioCanTake(const QString &text)
{
    return !HoldsControlCharacter(text) && !HoldsCharacterOutsideLatin1(text);
}

QString ShowControlCharacters(const QString &text)
{
    QString shown;
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            shown += c;
            continue;
        }
        switch (c.unicode()) {
        case 8: shown += QStringLiteral("<BS>"); break;
        case 9: shown += QStringLiteral("<TAB>"); break;
        case 10: shown += QStringLiteral("<LF>"); break;
        case 13: shown += QStringLiteral("<CR>"); break;
        case 27: shown += QStringLiteral("<ESC>"); break;
        default:
            shown += QStringLiteral("<0x%1>").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0'));
        }
    }
    return shown;
}

QString ControlCharacterMessage()
{
    return QStringLiteral("The entry holds a line end or another control character, which the radio would take as "
                          "a command of its own.\r\n\r\nNothing was sent; type the value on one line.");
}

QString OutsideLatin1Message()
{
    return QStringLiteral("The entry holds a character the radio cannot take: it knows only the single-byte letters, "
                          "digits and signs of Latin-1.\r\n\r\nNothing was sent; type the value without it.");
}

bool AnswerSendable(const QString &answer)
{
    if (RadioCanTake(answer))
        return true;
    MsgBox(HoldsControlCharacter(answer) ? ControlCharacterMessage() : OutsideLatin1Message(), Msg::OKOnly,
           Msg::Critical, QStringLiteral("Error!"));
    return false;
}
