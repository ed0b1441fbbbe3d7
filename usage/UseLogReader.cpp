#include "usage/UseLogReader.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <map>
#include <thread>
#include <tuple>

namespace Tonlyra {

namespace {

bool InPeriod(const UseLogRow& row, QDate from, QDate to)
{
    return row.Day >= from && row.Day <= to;
}

} // namespace

UseLogContents ReadUseLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseUseLog(file.readAll());
}

namespace {

// Reads the lines of all[from, to), where from begins a line; atStart: the header may come first.
void ParseLines(QByteArrayView all, qsizetype from, qsizetype to, bool atStart,
                UseLogContents& into)
{
    into.Rows.reserve(size_t((to - from) / 80));
    SharedTexts texts;
    const QByteArray header = UseLogHeader();
    qsizetype at = from;
    bool first = atStart;
    while (at < to) {
        qsizetype end = all.indexOf('\n', at);
        const bool whole = end >= 0 && end < to;
        if (!whole)
            end = to;
        const QByteArrayView line = all.sliced(at, end - at);
        at = end + 1;
        if (first && whole && line == QByteArrayView(header).chopped(1)) {
            first = false;
            continue;
        }
        first = false;
        if (line.isEmpty())
            continue;
        // A last line without its line end was cut short by a crash or a full disk.
        std::optional<UseLogRow> row = whole ? ParseUseLogRow(line, texts) : std::nullopt;
        if (!row) {
            ++into.Dropped;
            continue;
        }
        into.Rows.push_back(std::move(*row));
    }
}

} // namespace

UseLogContents ParseUseLog(const QByteArray& bytes)
{
    // A large log is read in two halves at once, split at a line's end.
    constexpr qsizetype SplitAbove = 1 << 20;
    const QByteArrayView all(bytes);
    const qsizetype split = all.size() > SplitAbove && std::thread::hardware_concurrency() > 1
                                ? all.indexOf('\n', all.size() / 2) + 1
                                : 0;
    UseLogContents contents;
    if (split <= 0) {
        ParseLines(all, 0, all.size(), true, contents);
        return contents;
    }
    UseLogContents second;
    std::thread other([&] { ParseLines(all, split, all.size(), false, second); });
    ParseLines(all, 0, split, true, contents);
    other.join();
    contents.Rows.insert(contents.Rows.end(), std::make_move_iterator(second.Rows.begin()),
                         std::make_move_iterator(second.Rows.end()));
    contents.Dropped += second.Dropped;
    return contents;
}

UsageSummary SummarizeUse(const std::vector<UseLogRow>& rows, QDate from, QDate to)
{
    UsageSummary summary;
    summary.From = from;
    summary.To = to;
    if (!from.isValid() || !to.isValid() || to < from)
        return summary;
    summary.ChoicesPerDay.assign(size_t(from.daysTo(to) + 1), 0);
    QHash<std::pair<QString, int>, qsizetype> cellIndex; // where each cell is in ChoicesPerCell
    for (const UseLogRow& row : rows) {
        if (!InPeriod(row, from, to))
            continue;
        switch (row.Event) {
        case UseEvent::Choice: {
            ++summary.Choices;
            ++summary.ChoicesPerDay[size_t(from.daysTo(row.Day))];
            auto found = cellIndex.constFind(std::pair(row.Overlay, row.Cell));
            if (found == cellIndex.cend()) {
                found = cellIndex.insert(std::pair(row.Overlay, row.Cell),
                                         qsizetype(summary.ChoicesPerCell.size()));
                summary.ChoicesPerCell.push_back({row.Overlay, row.Cell, row.CellText, 0});
            }
            CellUse& cell = summary.ChoicesPerCell[size_t(*found)];
            cell.Text = row.CellText; // the latest
            ++cell.Choices;
            break;
        }
        case UseEvent::Row:
            ++summary.Rows;
            break;
        case UseEvent::NotCounted:
            if (row.Reason)
                ++summary.NotCounted[size_t(*row.Reason)];
            break;
        }
        if (row.Event != UseEvent::NotCounted && row.ReactionMs >= 0 && ScansByItself(row.Mode))
            summary.ReactionTimes.push_back(row.ReactionMs);
    }
    std::stable_sort(summary.ChoicesPerCell.begin(), summary.ChoicesPerCell.end(),
                     [](const CellUse& a, const CellUse& b) { return a.Choices > b.Choices; });
    summary.Suggestion = SuggestScanDelay(summary.ReactionTimes);
    return summary;
}

QByteArray ExportUseLog(const std::vector<UseLogRow>& rows, QDate from, QDate to)
{
    QByteArray out = UseLogHeader();
    for (const UseLogRow& row : rows)
        if (InPeriod(row, from, to))
            out += FormatUseLogRow(row);
    return out;
}

} // namespace Tonlyra
