#pragma once

#include <QDialog>

// The small window that previews a picture while one is chosen from a picture base.
class TPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget* parent = nullptr);
};

extern TPreviewForm* PreviewForm;
