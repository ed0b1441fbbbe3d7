#pragma once

#include "usage/UseLogReader.h"

#include <QDialog>
#include <QList>
#include <QWidget>

#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace Tonlyra {

// A plot of columns (or, lying, of bars with their labels), drawn with the painter: the largest
// value fills the height, and the value axis says what that is.
class BarPlot : public QWidget
{
public:
    struct Bar
    {
        QString Label;
        int Value = 0;
    };
    enum class Shape
    {
        Columns, // side by side; the first and last labels under them
        Bars,    // one under the other, each with its label and value
    };
    // The bars' colour, the same on every desktop theme.
    static constexpr QRgb BarColor = 0x2E6DB4;
    BarPlot(Shape shape, QWidget* parent = nullptr);
    void SetBars(QList<Bar> bars);
    const QList<Bar>& Bars() const { return Values; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape Form;
    QList<Bar> Values;
};

// "Användning": what a user's use log says about a period, for the carer: choices per day and
// per cell, presses not counted, reaction times, each a plot with its numbers beside it; the
// period exported as CSV; and the scan delay the reaction times suggest, which "Använd" sets
// for the user whose settings are in force (never by itself).
class UsageWindow : public QDialog
{
    Q_OBJECT
public:
    // logFolder holds the logs, one a user; currentLog is the log of the settings in force (the
    // user shown first); useScanDelay sets their scan delay.
    UsageWindow(const QString& logFolder, const QString& currentLog,
                std::function<void(int ms)> useScanDelay, QWidget* parent = nullptr);

    QComboBox* UserList = nullptr; // the logs, by user
    QDateEdit* FromDate = nullptr;
    QDateEdit* ToDate = nullptr;
    QPushButton* WholeLogButton = nullptr; // "Hela loggen"
    BarPlot* DayPlot = nullptr;
    QLabel* DayNumbers = nullptr;
    BarPlot* CellPlot = nullptr;
    QLabel* CellNumbers = nullptr;
    BarPlot* ReactionPlot = nullptr;
    QLabel* ReactionNumbers = nullptr;
    QLabel* SuggestionLabel = nullptr;
    QPushButton* UseButton = nullptr; // "&Använd"
    QPushButton* ExportButton = nullptr;
    QPushButton* CloseButton = nullptr;

    // The log shown and what it says about the period chosen.
    const QString& LogPath() const { return ShownLog; }
    const UseLogContents& Log() const { return Contents; }
    const UsageSummary& Summary() const { return Shown; }

    // Shows the log at path, over the days it spans.
    void ShowLog(const QString& path);
    // Shows the days from..to of the log shown.
    void ShowPeriod(QDate from, QDate to);
    // Saves the period's rows as a CSV file the carer names.
    void ExportClick();
    // Sets the suggested scan delay for the user whose settings are in force.
    void UseClick();

private:
    void ShowSummary();
    void PeriodEdited();

    QString Folder;
    QString CurrentLog;
    std::function<void(int)> UseScanDelay;
    QString ShownLog;
    UseLogContents Contents;
    UsageSummary Shown;
    bool Filling = false;
};

} // namespace Tonlyra
