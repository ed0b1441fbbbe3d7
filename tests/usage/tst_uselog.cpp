// The use log's file: rows written and read back, a crashed session's torn line, a full disk and
// an unwritable folder; the summary of a period and the suggested scan delay.

#include "tests/support/TestSupport.h"
#include "usage/UseLogReader.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

UseLogRow Row(QDate day, int cell, UseEvent event = UseEvent::Choice,
              ControlMode mode = ControlMode::OneSwitchScanControl, int reaction = -1)
{
    UseLogRow row;
    row.Day = day;
    row.MsOfDay = 9 * 3600000 + 1234;
    row.Overlay = QStringLiteral("Djur.cdu");
    row.Cell = event == UseEvent::NotCounted ? 0 : cell;
    row.CellText = cell ? QStringLiteral("Ruta %1").arg(cell) : QString();
    row.Event = event;
    row.Source = PressSource::Switch2;
    row.Mode = mode;
    row.HoldMs = 120;
    row.ReactionMs = reaction;
    return row;
}

// Counts the program's log lines while it lives.
class WarningCount
{
public:
    WarningCount() { Previous = qInstallMessageHandler(&WarningCount::Count); Lines = 0; }
    ~WarningCount() { qInstallMessageHandler(Previous); }
    static int Lines;

private:
    static void Count(QtMsgType type, const QMessageLogContext&, const QString&)
    {
        Lines += type == QtWarningMsg;
    }
    QtMessageHandler Previous;
};
int WarningCount::Lines = 0;

} // namespace

TEST(UseLog, RowsGoBackAndForthThroughTheirLines)
{
    UseLogRow full = Row(QDate(2026, 1, 31), 12, UseEvent::Choice, ControlMode::OneSwitchScanControl,
                         431);
    full.Overlay = QStringLiteral("Mat, \"godis\".cdu");
    full.CellText = QStringLiteral("Glass\noch saft");
    EXPECT_EQ(FormatUseLogRow(full),
              QByteArray("2026-01-31 09:00:01.234,\"Mat, \"\"godis\"\".cdu\",12,Glass och saft,val,"
                         "brytare 2,One-switch scan,120,,431\n"));
    UseLogRow ignored = Row(QDate(2026, 2, 1), 0, UseEvent::NotCounted, ControlMode::MouseControl);
    ignored.Source = PressSource::Click;
    ignored.HoldMs = -1;
    ignored.Reason = IgnoredPress::PauseAfterChoice;
    EXPECT_EQ(FormatUseLogRow(ignored),
              QByteArray("2026-02-01 09:00:01.234,Djur.cdu,,,ej räknad,klick,Mouse,,paus efter "
                         "val,\n"));

    full.CellText = QStringLiteral("Glass och saft");
    for (const UseLogRow& row : {full, ignored}) {
        const QByteArray line = FormatUseLogRow(row).chopped(1);
        EXPECT_EQ(ParseUseLogRow(line), row) << line.constData();
    }
    // Lines that are not whole rows.
    for (const char* line : {"", "2026-01-31 09:00:01.234,Djur.cdu,12",
                             "2026-01-31 09:00:01.2,Djur.cdu,12,a,val,,Mouse,1,,",
                             "2026-01-31 09:00:01.234,\"Djur.cdu,12,a,val,,Mouse,1,,",
                             "2026-01-31 09:00:01.234,Djur.cdu,12,a,köp,,Mouse,1,,",
                             "2026-01-31 09:00:01.234,Djur.cdu,12,a,val,,Mus,1,,",
                             "2026-01-31 09:00:01.234,Djur.cdu,-4,a,val,,Mouse,1,,"})
        EXPECT_FALSE(ParseUseLogRow(line)) << line;
}

TEST(UseLog, AppendsToTheFileASessionsAfterAnother)
{
    TempDir dir;
    const QString path = dir.File(QStringLiteral("data/logg/Anna.csv"));
    const UseLogRow first = Row(QDate(2026, 1, 31), 1);
    const UseLogRow second = Row(QDate(2026, 2, 1), 2);
    {
        UseLogFile log(path); // the folders are made
        ASSERT_TRUE(log.IsOn());
        log.Append(first);
    }
    {
        UseLogFile log(path);
        log.Append(second);
    }
    EXPECT_EQ(ReadAll(path), UseLogHeader() + FormatUseLogRow(first) + FormatUseLogRow(second));
    const UseLogContents contents = ReadUseLog(path);
    EXPECT_EQ(contents.Rows, (std::vector<UseLogRow>{first, second}));
    EXPECT_EQ(contents.Dropped, 0);
    EXPECT_TRUE(ReadUseLog(dir.File(QStringLiteral("none.csv"))).Rows.empty());
}

TEST(UseLog, ACrashedSessionLosesAtMostItsLastLine)
{
    TempDir dir;
    const QString path = dir.File(QStringLiteral("Anna.csv"));
    const QByteArray whole = FormatUseLogRow(Row(QDate(2026, 1, 31), 1));
    const QByteArray next = FormatUseLogRow(Row(QDate(2026, 1, 31), 2));
    // Cut anywhere in the second row.
    for (qsizetype cut = 1; cut < next.size(); cut += 7) {
        WriteAll(path, UseLogHeader() + whole + next.left(cut));
        UseLogContents contents = ReadUseLog(path);
        ASSERT_EQ(contents.Rows.size(), 1u) << cut;
        EXPECT_EQ(contents.Rows[0].Cell, 1);
        EXPECT_EQ(contents.Dropped, 1);
        // The next session's rows stay whole after the torn line.
        {
            UseLogFile log(path);
            log.Append(Row(QDate(2026, 2, 1), 3));
        }
        contents = ReadUseLog(path);
        ASSERT_EQ(contents.Rows.size(), 2u) << cut;
        EXPECT_EQ(contents.Rows[1].Cell, 3);
        EXPECT_EQ(contents.Dropped, 1);
    }
}

TEST(UseLog, AFullDiskOrAnUnwritableFolderTurnsTheLogOffWithOneLogLine)
{
    TempDir dir;
    WarningCount warnings;
    {
        // Every write to /dev/full fails as on a full disk.
        const QString full = dir.File(QStringLiteral("full.csv"));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
        UseLogFile log(full);
        EXPECT_FALSE(log.IsOn());
        log.Append(Row(QDate(2026, 1, 31), 1));
        log.Append(Row(QDate(2026, 1, 31), 2));
        EXPECT_EQ(WarningCount::Lines, 1);
    }
    if (geteuid() != 0) { // root writes anywhere
        WarningCount::Lines = 0;
        const QString locked = dir.File(QStringLiteral("locked"));
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        UseLogFile log(locked + QStringLiteral("/logg/Anna.csv"));
        EXPECT_FALSE(log.IsOn());
        log.Append(Row(QDate(2026, 1, 31), 1));
        EXPECT_EQ(WarningCount::Lines, 1);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(UseLog, TheLogOfASettingsFileIsNamedAfterIt)
{
    EXPECT_EQ(UseLogFileFor(QStringLiteral("/x/Users/Anna B.usr")),
              UseLogFolder() + QStringLiteral("/Anna B.csv"));
    EXPECT_TRUE(UseLogFolder().endsWith(QStringLiteral("tonlyran/logg")));
}

TEST(UseLog, SummaryOfAPeriod)
{
    const QDate monday(2026, 3, 2);
    const ControlMode twoSwitch = ControlMode::TwoSwitchScanControl;
    std::vector<UseLogRow> rows = {
        Row(monday.addDays(-1), 1, UseEvent::Choice, ControlMode::OneSwitchScanControl, 900),
        Row(monday, 1, UseEvent::Choice, ControlMode::OneSwitchScanControl, 400),
        Row(monday, 2, UseEvent::Choice, ControlMode::OneSwitchScanControl, 500),
        Row(monday, 1, UseEvent::Row, ControlMode::OneSwitchScanXYControl, 600),
        Row(monday.addDays(2), 2, UseEvent::Choice, twoSwitch, 300), // not automatic scanning
        Row(monday.addDays(2), 2, UseEvent::Choice, ControlMode::MouseControl),
        Row(monday.addDays(2), 0, UseEvent::NotCounted),
        Row(monday.addDays(2), 0, UseEvent::NotCounted),
        Row(monday.addDays(3), 0, UseEvent::NotCounted),
        Row(monday.addDays(9), 1),
    };
    rows[6].Reason = IgnoredPress::TooShort;
    rows[7].Reason = IgnoredPress::PauseAfterChoice;
    rows[8].Reason = IgnoredPress::TooShort;
    const UsageSummary s = SummarizeUse(rows, monday, monday.addDays(3));
    EXPECT_EQ(s.ChoicesPerDay, (std::vector<int>{2, 0, 2, 0}));
    EXPECT_EQ(s.Choices, 4);
    EXPECT_EQ(s.Rows, 1);
    EXPECT_EQ(s.NotCounted, (std::array<int, 3>{2, 0, 1}));
    EXPECT_EQ(s.NotCountedTotal(), 3);
    ASSERT_EQ(s.ChoicesPerCell.size(), 2u);
    EXPECT_EQ(s.ChoicesPerCell[0].Cell, 2);
    EXPECT_EQ(s.ChoicesPerCell[0].Choices, 3);
    EXPECT_EQ(s.ChoicesPerCell[0].Text, QStringLiteral("Ruta 2"));
    EXPECT_EQ(s.ChoicesPerCell[1].Choices, 1);
    EXPECT_EQ(s.ReactionTimes, (std::vector<int>{400, 500, 600}));
    EXPECT_FALSE(s.Suggestion.Enough());

    // The export holds the period's rows alone, and reads back as them.
    const UseLogContents exported = ParseUseLog(ExportUseLog(rows, monday, monday.addDays(3)));
    EXPECT_EQ(exported.Rows, std::vector<UseLogRow>(rows.begin() + 1, rows.end() - 1));
    EXPECT_EQ(SummarizeUse(rows, monday, monday.addDays(-1)).Choices, 0);
}

TEST(ScanSpeed, SuggestionFromKnownReactionTimes)
{
    std::vector<int> times(10, 500);
    times.insert(times.end(), 10, 700);
    const ScanDelaySuggestion s = SuggestScanDelay(times);
    EXPECT_EQ(s.Presses, 20);
    EXPECT_TRUE(s.Enough());
    EXPECT_DOUBLE_EQ(s.MeanMs, 600);
    EXPECT_NEAR(s.DeviationMs, 102.598, 0.001); // sqrt(20 * 100^2 / 19)
    EXPECT_EQ(s.SuggestedMs, 923);              // 600 / 0.65
    EXPECT_EQ(s.MeanPlusTwoDeviationsMs, 805);

    times.pop_back();
    EXPECT_FALSE(SuggestScanDelay(times).Enough());
    // Never below the shortest scan delay.
    EXPECT_EQ(SuggestScanDelay(std::vector<int>(25, 60)).SuggestedMs, MinScanDelayTime);
    EXPECT_EQ(SuggestScanDelay({}).Presses, 0);
}

TEST(UseLog, ALargeLogReadsWholeAndInOrder)
{
    // Large enough to be read in two halves.
    std::vector<UseLogRow> rows;
    QByteArray bytes = UseLogHeader();
    for (int k = 0; bytes.size() < 3 * (1 << 20); ++k) {
        rows.push_back(Row(QDate(2026, 1, 1).addDays(k / 1000), 1 + k % 30));
        bytes += FormatUseLogRow(rows.back());
    }
    const UseLogContents contents = ParseUseLog(bytes + "2026-01");
    EXPECT_EQ(contents.Rows, rows);
    EXPECT_EQ(contents.Dropped, 1);
}
