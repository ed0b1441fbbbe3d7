#pragma once

#include <QDialog>

class TPMultiImage;

// The small window at the top left of the screen that previews a picture while one is being
// chosen (from a picture base or with the overlay editor's picture file dialog). The picture is
// scaled to the window keeping its proportions and centred; the window takes no input and never
// takes the focus from the dialog beside it.
class TPreviewForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget* parent = nullptr);

    // Shows the picture in path; an empty path, or a file that is not there, shows nothing.
    void ShowPreview(const QString& path);

    TPMultiImage* Image = nullptr;

    // Showing the window puts it at the top left of the screen's available area, above the
    // window that is active then.
    void setVisible(bool visible) override;

protected:
    // Showing the window empties the picture.
    void showEvent(QShowEvent* event) override;
};

