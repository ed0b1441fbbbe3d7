#include "usage/UsageWindow.h"

#include "platform/AtomicFile.h"
#include "platform/UserPrompt.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace Tonlyra {

namespace {

// The reaction times are counted in steps of this many milliseconds.
constexpr int ReactionStepMs = 100;
// The cells the plot of cells shows, the most chosen first.
constexpr int CellsShown = 12;

QString Seconds(double ms)
{
    return QLocale().toString(ms / 1000.0, 'f', 2) + QStringLiteral(" s");
}

QString Milliseconds(double ms)
{
    return QStringLiteral("%1 ms").arg(std::lround(ms));
}

template <typename T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* NumbersLabel(QWidget* parent, const char* name)
{
    auto* label = Named(new QLabel(parent), name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QString(28, u'x')));
    return label;
}

// A group of a plot with its numbers beside it.
QGroupBox* PlotGroup(const QString& title, BarPlot* plot, QLabel* numbers, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(plot, 1);
    layout->addWidget(numbers);
    return group;
}

double Median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2)
        return values[middle];
    const int upper = values[middle];
    return (upper + *std::max_element(values.begin(), values.begin() + middle)) / 2.0;
}

} // namespace

// ---- The plot ----

BarPlot::BarPlot(Shape shape, QWidget* parent) : QWidget(parent), Form(shape)
{
    setMinimumHeight(fontMetrics().height() * 7);
}

void BarPlot::SetBars(QList<Bar> bars)
{
    Values = std::move(bars);
    update();
}

QSize BarPlot::sizeHint() const
{
    return {fontMetrics().averageCharWidth() * 60, fontMetrics().height() * 9};
}

void BarPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height();
    int largest = 0;
    for (const Bar& bar : Values)
        largest = std::max(largest, bar.Value);
    if (Values.isEmpty() || largest == 0) {
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Inget under perioden"));
        return;
    }
    const QColor barColor = QColor::fromRgb(BarColor);
    p.setPen(palette().color(QPalette::Text));
    if (Form == Shape::Bars) {
        // Each bar on a line of its own: its label, the bar, its value.
        const int rows = std::max(1, std::min<int>(Values.size(), height() / line));
        int labelWidth = 0;
        for (int k = 0; k < rows; ++k)
            labelWidth = std::max(labelWidth, metrics.horizontalAdvance(Values[k].Label));
        labelWidth = std::min(labelWidth, width() / 2);
        const int valueWidth = metrics.horizontalAdvance(QString::number(largest)) + 8;
        const int room = std::max(1, width() - labelWidth - valueWidth - 12);
        for (int k = 0; k < rows; ++k) {
            const int y = k * line;
            const Bar& bar = Values[k];
            p.drawText(QRect(2, y, labelWidth, line), Qt::AlignLeft | Qt::AlignVCenter,
                       metrics.elidedText(bar.Label, Qt::ElideRight, labelWidth));
            const int length = std::max(1, int(qint64(room) * bar.Value / largest));
            p.fillRect(QRect(labelWidth + 8, y + 2, length, line - 4), barColor);
            p.drawText(QRect(labelWidth + 12 + length, y, valueWidth, line),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::number(bar.Value));
        }
        return;
    }
    // Columns over the width, the value axis at the left, the first and last labels below.
    const int axisWidth = metrics.horizontalAdvance(QString::number(largest)) + 6;
    const QRect area(axisWidth, line / 2, width() - axisWidth - 2, height() - line - line / 2 - 2);
    p.drawText(QRect(0, area.top() - line / 2, axisWidth - 4, line), Qt::AlignRight,
               QString::number(largest));
    p.drawText(QRect(0, area.bottom() - line / 2, axisWidth - 4, line), Qt::AlignRight,
               QStringLiteral("0"));
    p.drawLine(area.bottomLeft(), area.bottomRight());
    const double step = double(area.width()) / Values.size();
    for (int k = 0; k < Values.size(); ++k) {
        const int height = int(qint64(area.height()) * Values[k].Value / largest);
        if (height <= 0)
            continue;
        const int left = area.left() + int(k * step);
        const int right = area.left() + int((k + 1) * step) - (step >= 4 ? 1 : 0);
        p.fillRect(QRect(left, area.bottom() - height, std::max(1, right - left), height),
                   barColor);
    }
    const QRect labels(area.left(), area.bottom() + 2, area.width(), line);
    p.drawText(labels, Qt::AlignLeft, Values.first().Label);
    if (Values.size() > 1)
        p.drawText(labels, Qt::AlignRight, Values.last().Label);
}

// ---- The window ----

UsageWindow::UsageWindow(const QString& logFolder, const QString& currentLog,
                         std::function<void(int ms)> useScanDelay, QWidget* parent)
    : QDialog(parent), Folder(logFolder), CurrentLog(currentLog),
      UseScanDelay(std::move(useScanDelay))
{
    setObjectName(QStringLiteral("UsageWindow"));
    setWindowTitle(QStringLiteral("Användning"));
    setSizeGripEnabled(true);

    UserList = Named(new QComboBox(this), "UserList");
    auto* userLabel = new QLabel(QStringLiteral("&Brukare"), this);
    userLabel->setBuddy(UserList);
    FromDate = Named(new QDateEdit(this), "FromDate");
    ToDate = Named(new QDateEdit(this), "ToDate");
    for (QDateEdit* date : {FromDate, ToDate}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    auto* fromLabel = new QLabel(QStringLiteral("&Från"), this);
    fromLabel->setBuddy(FromDate);
    auto* toLabel = new QLabel(QStringLiteral("&Till"), this);
    toLabel->setBuddy(ToDate);
    WholeLogButton = Named(new QPushButton(QStringLiteral("&Hela loggen"), this), "WholeLogButton");

    DayPlot = Named(new BarPlot(BarPlot::Shape::Columns, this), "DayPlot");
    DayNumbers = NumbersLabel(this, "DayNumbers");
    CellPlot = Named(new BarPlot(BarPlot::Shape::Bars, this), "CellPlot");
    CellNumbers = NumbersLabel(this, "CellNumbers");
    ReactionPlot = Named(new BarPlot(BarPlot::Shape::Columns, this), "ReactionPlot");
    ReactionNumbers = NumbersLabel(this, "ReactionNumbers");

    SuggestionLabel = Named(new QLabel(this), "SuggestionLabel");
    SuggestionLabel->setWordWrap(true);
    UseButton = Named(new QPushButton(QStringLiteral("&Använd"), this), "UseButton");
    UseButton->setToolTip(QStringLiteral(
        "Sätter brukarens scanningstid till den föreslagna. Spara brukarinställningarna "
        "som vanligt för att behålla den."));
    ExportButton = Named(new QPushButton(QStringLiteral("&Exportera perioden..."), this),
                         "ExportButton");
    CloseButton = Named(new QPushButton(QStringLiteral("&Stäng"), this), "CloseButton");

    auto* chooser = new QHBoxLayout;
    chooser->addWidget(userLabel);
    chooser->addWidget(UserList, 1);
    chooser->addSpacing(12);
    chooser->addWidget(fromLabel);
    chooser->addWidget(FromDate);
    chooser->addWidget(toLabel);
    chooser->addWidget(ToDate);
    chooser->addWidget(WholeLogButton);

    auto* suggestion = new QGroupBox(QStringLiteral("Föreslagen scanningstid"), this);
    auto* suggestionLayout = new QHBoxLayout(suggestion);
    suggestionLayout->addWidget(SuggestionLabel, 1);
    suggestionLayout->addWidget(UseButton);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ExportButton);
    buttons->addStretch(1);
    buttons->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(chooser);
    layout->addWidget(PlotGroup(QStringLiteral("Val per dag"), DayPlot, DayNumbers, this), 1);
    layout->addWidget(PlotGroup(QStringLiteral("Val per ruta"), CellPlot, CellNumbers, this), 1);
    layout->addWidget(
        PlotGroup(QStringLiteral("Reaktionstider"), ReactionPlot, ReactionNumbers, this), 1);
    layout->addWidget(suggestion);
    layout->addLayout(buttons);

    // The users are the logs in the folder; the one in force comes first.
    QStringList logs;
    const QFileInfoList files = QDir(Folder).entryInfoList({QStringLiteral("*.csv")}, QDir::Files,
                                                          QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        logs.append(file.absoluteFilePath());
    const QString current = QFileInfo(CurrentLog).absoluteFilePath();
    logs.removeAll(current);
    logs.prepend(current);
    for (const QString& log : logs)
        UserList->addItem(QFileInfo(log).completeBaseName(), log);

    connect(UserList, &QComboBox::activated, this,
            [this](int index) { ShowLog(UserList->itemData(index).toString()); });
    connect(FromDate, &QDateEdit::dateChanged, this, &UsageWindow::PeriodEdited);
    connect(ToDate, &QDateEdit::dateChanged, this, &UsageWindow::PeriodEdited);
    connect(WholeLogButton, &QPushButton::clicked, this, [this] { ShowLog(ShownLog); });
    connect(ExportButton, &QPushButton::clicked, this, &UsageWindow::ExportClick);
    connect(UseButton, &QPushButton::clicked, this, &UsageWindow::UseClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    ShowLog(current);
    resize(sizeHint().expandedTo(QSize(760, 640)));
}

void UsageWindow::ShowLog(const QString& path)
{
    if (path != ShownLog) {
        ShownLog = path;
        Contents = ReadUseLog(path);
    }
    QDate first, last;
    for (const UseLogRow& row : Contents.Rows) {
        if (!first.isValid() || row.Day < first)
            first = row.Day;
        if (!last.isValid() || row.Day > last)
            last = row.Day;
    }
    if (!first.isValid())
        first = last = QDate::currentDate();
    ShowPeriod(first, last);
}

void UsageWindow::ShowPeriod(QDate from, QDate to)
{
    Filling = true;
    FromDate->setDate(from);
    ToDate->setDate(to);
    Filling = false;
    Shown = SummarizeUse(Contents.Rows, from, to);
    ShowSummary();
}

void UsageWindow::PeriodEdited()
{
    if (!Filling)
        ShowPeriod(FromDate->date(), ToDate->date());
}

void UsageWindow::ShowSummary()
{
    const UsageSummary& s = Shown;
    const QLocale locale;

    QList<BarPlot::Bar> days;
    int busiest = 0, daysWithChoices = 0;
    for (size_t k = 0; k < s.ChoicesPerDay.size(); ++k) {
        const int count = s.ChoicesPerDay[k];
        days.append({s.From.addDays(qint64(k)).toString(QStringLiteral("yyyy-MM-dd")), count});
        busiest = std::max(busiest, count);
        daysWithChoices += count > 0;
    }
    DayPlot->SetBars(days);
    QString dayText = QStringLiteral("Val: %1\nDagar med val: %2 av %3\nFlest val en dag: %4")
                          .arg(s.Choices)
                          .arg(daysWithChoices)
                          .arg(s.ChoicesPerDay.size())
                          .arg(busiest);
    if (s.Rows > 0)
        dayText += QStringLiteral("\nValda rader: %1").arg(s.Rows);
    dayText += QStringLiteral("\n\nTryck som inte räknades: %1\n  för korta: %2\n  upprepningar: "
                              "%3\n  i pausen efter val: %4")
                   .arg(s.NotCountedTotal())
                   .arg(s.NotCounted[size_t(IgnoredPress::TooShort)])
                   .arg(s.NotCounted[size_t(IgnoredPress::Repeat)])
                   .arg(s.NotCounted[size_t(IgnoredPress::PauseAfterChoice)]);
    if (Contents.Dropped > 0)
        dayText += QStringLiteral("\n\nOlästa rader i loggen: %1").arg(Contents.Dropped);
    DayNumbers->setText(dayText);

    QList<BarPlot::Bar> cells;
    QString cellText;
    for (size_t k = 0; k < s.ChoicesPerCell.size() && k < size_t(CellsShown); ++k) {
        const CellUse& cell = s.ChoicesPerCell[k];
        const QString overlay = QFileInfo(cell.Overlay).completeBaseName();
        const QString label = cell.Text.isEmpty()
                                  ? QStringLiteral("%1: ruta %2").arg(overlay).arg(cell.Cell)
                                  : QStringLiteral("%1: %2").arg(overlay, cell.Text);
        cells.append({label, cell.Choices});
    }
    CellPlot->SetBars(cells);
    cellText = QStringLiteral("Rutor som valts: %1").arg(s.ChoicesPerCell.size());
    if (!s.ChoicesPerCell.empty())
        cellText += QStringLiteral("\nOftast: %1 (%2 val)")
                        .arg(cells.first().Label)
                        .arg(s.ChoicesPerCell.front().Choices);
    CellNumbers->setText(cellText);

    // The reaction times in steps of 100 ms, from 0 to the longest.
    const int longest = s.ReactionTimes.empty()
                            ? 0
                            : *std::max_element(s.ReactionTimes.begin(), s.ReactionTimes.end());
    QList<BarPlot::Bar> steps(s.ReactionTimes.empty() ? 0 : longest / ReactionStepMs + 1);
    for (int k = 0; k < steps.size(); ++k)
        steps[k].Label = QStringLiteral("%1 ms").arg(k * ReactionStepMs);
    for (int ms : s.ReactionTimes)
        ++steps[ms / ReactionStepMs].Value;
    ReactionPlot->SetBars(steps);
    const ScanDelaySuggestion& suggestion = s.Suggestion;
    ReactionNumbers->setText(
        s.ReactionTimes.empty()
            ? QStringLiteral("Inga reaktionstider från\nautomatisk scanning")
            : QStringLiteral("Antal: %1\nMedel: %2\nMedian: %3\nStandardavvikelse: %4\n"
                             "Kortast: %5\nLängst: %6")
                  .arg(suggestion.Presses)
                  .arg(Milliseconds(suggestion.MeanMs))
                  .arg(Milliseconds(Median(s.ReactionTimes)))
                  .arg(Milliseconds(suggestion.DeviationMs))
                  .arg(Milliseconds(
                      *std::min_element(s.ReactionTimes.begin(), s.ReactionTimes.end())))
                  .arg(Milliseconds(longest)));

    const bool inForce = QFileInfo(ShownLog) == QFileInfo(CurrentLog);
    if (suggestion.Enough()) {
        SuggestionLabel->setText(
            QStringLiteral("%1 (medelreaktionstiden / %2). Medel + 2 standardavvikelser: %3. "
                           "Bygger på %4 tryck.")
                .arg(Seconds(suggestion.SuggestedMs))
                .arg(locale.toString(ReactionShareOfScanStep, 'f', 2))
                .arg(Seconds(suggestion.MeanPlusTwoDeviationsMs))
                .arg(suggestion.Presses) +
            (inForce ? QString()
                     : QStringLiteral(" Öppna brukarens inställningar för att använda den.")));
    } else {
        SuggestionLabel->setText(
            QStringLiteral("För få reaktionstider från automatisk scanning för ett förslag: %1 "
                           "av minst %2.")
                .arg(suggestion.Presses)
                .arg(MinReactionTimesForSuggestion));
    }
    UseButton->setEnabled(suggestion.Enough() && inForce && UseScanDelay);
    ExportButton->setEnabled(!Contents.Rows.empty());
}

void UsageWindow::ExportClick()
{
    const QString name = QStringLiteral("%1 %2 - %3.csv")
                             .arg(UserList->currentText(),
                                  Shown.From.toString(QStringLiteral("yyyy-MM-dd")),
                                  Shown.To.toString(QStringLiteral("yyyy-MM-dd")));
    const QString path =
        UserPrompt::SaveFileName(this, QStringLiteral("Exportera perioden"),
                                 QStringLiteral("CSV-filer|*.csv"), QStringLiteral("csv"),
                                 QDir::homePath(), name);
    if (path.isEmpty())
        return;
    int error = 0;
    if (!SaveFileAtomically(path, ExportUseLog(Contents.Rows, Shown.From, Shown.To), &error))
        UserPrompt::ShowError(this, QStringLiteral("Det gick inte att skriva till %1\n%2")
                                        .arg(path, SaveFailureReason(error)));
}

void UsageWindow::UseClick()
{
    if (UseButton->isEnabled() && Shown.Suggestion.Enough())
        UseScanDelay(Shown.Suggestion.SuggestedMs);
}

} // namespace Tonlyra
