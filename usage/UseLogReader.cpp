#include "usage/UseLogReader.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <map>
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

UseLogContents ParseUseLog(const QByteArray& bytes)
{
    UseLogContents contents;
    contents.Rows.reserve(size_t(bytes.size() / 80));
    QHash<QString, QString> texts; // one copy of each text
    const auto shared = [&texts](QString& text) {
        const auto found = texts.constFind(text);
        if (found != texts.cend())
            text = *found;
        else
            texts.insert(text, text);
    };
    const QByteArrayView all(bytes);
    const QByteArray header = UseLogHeader();
    qsizetype at = 0;
    bool first = true;
    while (at < all.size()) {
        qsizetype end = all.indexOf('\n', at);
        const bool whole = end >= 0;
        if (!whole)
            end = all.size();
        const QByteArrayView line = all.sliced(at, end - at);
        at = end + 1;
        if (first && QByteArrayView(header).startsWith(line) && whole) {
            first = false;
            continue;
        }
        first = false;
        if (line.isEmpty())
            continue;
        // A last line without its line end was cut short by a crash or a full disk.
        std::optional<UseLogRow> row = whole ? ParseUseLogRow(line) : std::nullopt;
        if (!row) {
            ++contents.Dropped;
            continue;
        }
        shared(row->Overlay);
        shared(row->CellText);
        contents.Rows.push_back(std::move(*row));
    }
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
    std::map<std::tuple<QString, int>, CellUse> cells;
    for (const UseLogRow& row : rows) {
        if (!InPeriod(row, from, to))
            continue;
        switch (row.Event) {
        case UseEvent::Choice: {
            ++summary.Choices;
            ++summary.ChoicesPerDay[size_t(from.daysTo(row.Day))];
            CellUse& cell = cells[{row.Overlay, row.Cell}];
            cell.Overlay = row.Overlay;
            cell.Cell = row.Cell;
            cell.Text = row.CellText;
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
    for (auto& [key, cell] : cells)
        summary.ChoicesPerCell.push_back(std::move(cell));
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
