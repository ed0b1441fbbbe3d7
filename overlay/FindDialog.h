#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace Tonlyra {

// A small find dialog that stays open beside the window it searches: the text to find, a
// whole-word choice and "Sök nästa". It searches downward only and always without regard to case,
// so it offers neither choice. The owner does the searching on FindNext.
class FindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    bool WholeWord() const;

    QLineEdit* FindEdit = nullptr;
    QCheckBox* WholeWordBox = nullptr;
    QPushButton* FindNextButton = nullptr;
    QPushButton* CancelButton = nullptr;

signals:
    // "Sök nästa" was pressed (or Enter with a text to find).
    void FindNext();
};

} // namespace Tonlyra
