#pragma once

#include "usage/ScanSpeed.h"
#include "usage/UseLog.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <vector>

namespace Tonlyra {

struct UseLogContents
{
    std::vector<UseLogRow> Rows; // in the order of the file
    int Dropped = 0;             // lines that are no whole row (a line torn by a crash)
};

// Reads a use log. A missing file is an empty log. Lines that are not whole rows are dropped
// and counted; equal texts share their storage, so that a year's log stays small.
UseLogContents ReadUseLog(const QString& path);
UseLogContents ParseUseLog(const QByteArray& bytes);

// What the use log says about a period, for the "Användning" window.
struct CellUse
{
    QString Overlay;
    int Cell = 0;
    QString Text;
    int Choices = 0;
};
struct UsageSummary
{
    QDate From, To;                     // the period, both days included
    std::vector<int> ChoicesPerDay;     // one entry per day of the period, From first
    std::vector<CellUse> ChoicesPerCell; // most chosen first
    int Choices = 0;
    int Rows = 0;                       // rows chosen in row-column scanning
    std::array<int, 3> NotCounted{};    // by IgnoredPress
    std::vector<int> ReactionTimes;     // of choices and rows in automatic scanning, in order
    ScanDelaySuggestion Suggestion;     // from those reaction times
    int NotCountedTotal() const { return NotCounted[0] + NotCounted[1] + NotCounted[2]; }
};
// The rows of the days from..to (both included).
UsageSummary SummarizeUse(const std::vector<UseLogRow>& rows, QDate from, QDate to);

// The rows of the period as a use log file of their own, header first.
QByteArray ExportUseLog(const std::vector<UseLogRow>& rows, QDate from, QDate to);

} // namespace Tonlyra
