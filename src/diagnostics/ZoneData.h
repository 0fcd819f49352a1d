// The radio's per-zone traffic counters as the "ZONE DATA" reply carries them, and its "skip"
// reply: the reading both zone windows share, kept apart from the windows so it can be checked on
// its own.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace ZoneData {

constexpr int Zones = 8;
// Echo line (11), 24 count lines of 21 characters, the prompt (1).
constexpr int CompleteLength = 516;

enum Field { TxTotal, RxTotal, RxError };
constexpr int FieldCount = 3;

QString label(Field field);

// The last count line is there and the reply has its full length.
bool looksComplete(const QString &buffer);

struct Counts
{
    // One count per zone and field, in the order they were read; empty where the read stopped.
    std::array<std::array<std::optional<qint64>, FieldCount>, Zones> value{};
    // Every zone was read to its last wanted field.
    bool complete = false;
};

// Reads the wanted fields of zones 1 to 8 out of buffer. Zone z's block starts at the first
// "z:" anywhere in buffer; each label is searched from where the previous count began, and its
// count is the 8 characters 9 characters after the label's start. The read stops at the first
// missing label, short field or count that is not a whole number.
Counts readCounts(const QString &buffer, const QList<Field> &fields);

struct SkipReply
{
    bool found = false;     // "SKIP" stands at or after the 5th character
    QList<int> zones;       // the zones listed as skipped (1 to 8), in the order given
};

// The zones the "skip" reply lists: "SKIP" searched from the 5th character (the echo stands in
// front), then "NONE", or the one character after the blank and after each comma.
SkipReply readSkip(const QString &buffer);

} // namespace ZoneData
