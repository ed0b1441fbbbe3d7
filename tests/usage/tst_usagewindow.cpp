// The "Användning" window offscreen, on logs written by the test: the users, the period, the
// plots and their numbers, the export and the suggested scan delay with "Använd".

#include "tests/support/TestSupport.h"
#include "usage/UsageWindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Tonlyra;
using namespace Tonlyra::Test;

namespace {

const QDate Monday(2026, 3, 2);

UseLogRow Choice(QDate day, int cell, int reaction = -1)
{
    UseLogRow row;
    row.Day = day;
    row.MsOfDay = 10 * 3600000;
    row.Overlay = QStringLiteral("Djur.cdu");
    row.Cell = cell;
    row.CellText = QStringLiteral("Ruta %1").arg(cell);
    row.Source = PressSource::Switch2;
    row.Mode = ControlMode::OneSwitchScanControl;
    row.HoldMs = 100;
    row.ReactionMs = reaction;
    return row;
}

QByteArray Log(const std::vector<UseLogRow>& rows)
{
    QByteArray bytes = UseLogHeader();
    for (const UseLogRow& row : rows)
        bytes += FormatUseLogRow(row);
    return bytes;
}

class UsageWindowTest : public ::testing::Test
{
protected:
    QString LogFile(const QString& user) const
    {
        return Dir.File(QStringLiteral("logg/%1.csv").arg(user));
    }
    std::unique_ptr<UsageWindow> Open(const QString& current)
    {
        return std::make_unique<UsageWindow>(Dir.File(QStringLiteral("logg")), LogFile(current),
                                             [this](int ms) { Used.push_back(ms); });
    }

    TempDir Dir;
    std::vector<int> Used;
};

} // namespace

TEST_F(UsageWindowTest, ShowsTheUserInForceOverTheWholeLog)
{
    std::vector<UseLogRow> rows = {Choice(Monday, 1), Choice(Monday, 2), Choice(Monday, 2),
                                   Choice(Monday.addDays(2), 3)};
    UseLogRow ignored = Choice(Monday.addDays(1), 0);
    ignored.Event = UseEvent::NotCounted;
    ignored.Reason = IgnoredPress::TooShort;
    rows.push_back(ignored);
    WriteAll(LogFile(QStringLiteral("Bertil")), Log(rows) + "2026-03-04 10:00:00.000,Dju");
    WriteAll(LogFile(QStringLiteral("Anna")), Log({Choice(Monday, 1)}));

    const auto window = Open(QStringLiteral("Bertil"));
    window->show();
    ASSERT_EQ(window->UserList->count(), 2);
    EXPECT_EQ(window->UserList->itemText(0), QStringLiteral("Bertil"));
    EXPECT_EQ(window->UserList->itemText(1), QStringLiteral("Anna"));
    EXPECT_EQ(window->FromDate->date(), Monday);
    EXPECT_EQ(window->ToDate->date(), Monday.addDays(2));

    QList<int> perDay;
    for (const BarPlot::Bar& bar : window->DayPlot->Bars())
        perDay.append(bar.Value);
    EXPECT_EQ(perDay, (QList<int>{3, 0, 1}));
    EXPECT_TRUE(window->DayNumbers->text().contains(QStringLiteral("Val: 4")));
    EXPECT_TRUE(window->DayNumbers->text().contains(QStringLiteral("för korta: 1")));
    EXPECT_TRUE(window->DayNumbers->text().contains(QStringLiteral("Olästa rader i loggen: 1")));
    ASSERT_FALSE(window->CellPlot->Bars().isEmpty());
    EXPECT_EQ(window->CellPlot->Bars().first().Label, QStringLiteral("Djur: Ruta 2"));
    EXPECT_EQ(window->CellPlot->Bars().first().Value, 2);
    EXPECT_FALSE(window->grab().isNull()); // the plots paint

    // A shorter period.
    window->FromDate->setDate(Monday.addDays(1));
    EXPECT_EQ(window->Summary().Choices, 1);
    EXPECT_EQ(window->DayPlot->Bars().size(), 2);

    // Another user.
    window->UserList->setCurrentIndex(1);
    emit window->UserList->activated(1);
    EXPECT_EQ(window->Summary().Choices, 1);
    EXPECT_EQ(window->FromDate->date(), Monday);
}

TEST_F(UsageWindowTest, SuggestsAScanDelayFromTwentyReactionTimesAndUsesItOnlyWhenAsked)
{
    std::vector<UseLogRow> rows;
    for (int k = 0; k < 19; ++k)
        rows.push_back(Choice(Monday, 1 + k % 3, k % 2 ? 500 : 700));
    WriteAll(LogFile(QStringLiteral("Anna")), Log(rows));
    {
        const auto window = Open(QStringLiteral("Anna"));
        EXPECT_FALSE(window->UseButton->isEnabled());
        EXPECT_TRUE(window->SuggestionLabel->text().contains(QStringLiteral("19 av minst 20")));
    }
    rows.push_back(Choice(Monday.addDays(1), 2, 500));
    WriteAll(LogFile(QStringLiteral("Anna")), Log(rows));
    WriteAll(LogFile(QStringLiteral("Bertil")), Log(rows));

    const auto window = Open(QStringLiteral("Anna"));
    EXPECT_TRUE(Used.empty()); // nothing changes by itself
    ASSERT_TRUE(window->UseButton->isEnabled());
    EXPECT_TRUE(window->SuggestionLabel->text().startsWith(QStringLiteral("0,92 s")))
        << window->SuggestionLabel->text().toStdString();
    EXPECT_TRUE(window->SuggestionLabel->text().contains(QStringLiteral("Bygger på 20 tryck")));
    EXPECT_TRUE(window->ReactionNumbers->text().contains(QStringLiteral("Medel: 600 ms")));
    QTest::mouseClick(window->UseButton, Qt::LeftButton);
    EXPECT_EQ(Used, (std::vector<int>{923}));

    // Another user's suggestion is shown, not used: their settings are not in force.
    window->UserList->setCurrentIndex(1);
    emit window->UserList->activated(1);
    EXPECT_TRUE(window->Summary().Suggestion.Enough());
    EXPECT_FALSE(window->UseButton->isEnabled());
}

TEST_F(UsageWindowTest, ExportsThePeriod)
{
    const std::vector<UseLogRow> rows = {Choice(Monday, 1), Choice(Monday.addDays(1), 2),
                                         Choice(Monday.addDays(5), 3)};
    WriteAll(LogFile(QStringLiteral("Anna")), Log(rows));
    const auto window = Open(QStringLiteral("Anna"));
    window->ToDate->setDate(Monday.addDays(1));

    ScriptedPrompts prompts;
    const QString target = Dir.File(QStringLiteral("export.csv"));
    prompts.File(target);
    QTest::mouseClick(window->ExportButton, Qt::LeftButton);
    ASSERT_EQ(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].InitialName, QStringLiteral("Anna 2026-03-02 - 2026-03-03.csv"));
    EXPECT_EQ(ReadAll(target), Log({rows[0], rows[1]}));
}

TEST_F(UsageWindowTest, AnEmptyLogShowsNothingToExport)
{
    const auto window = Open(QStringLiteral("Ny"));
    ASSERT_EQ(window->UserList->count(), 1);
    EXPECT_EQ(window->Summary().Choices, 0);
    EXPECT_FALSE(window->ExportButton->isEnabled());
    EXPECT_FALSE(window->UseButton->isEnabled());
    EXPECT_FALSE(window->grab().isNull());
}
