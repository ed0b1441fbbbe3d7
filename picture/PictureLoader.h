#pragma once

#include "platform/PictureReader.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TPMultiImage;

namespace Tonlyra {

// Loads the pictures of many picture components in the background, so that the window they
// stand in works while the pictures are decoded.
//
// Start sets every component's ImageName at once (the old pictures go, missing files and moving
// text messages are dealt with there and then) and queues the decoding on Qt's thread pool in
// the order given: for a grid, its scanning order, so that pictures fill in where the scanning
// starts. A file shown in several components of the same size is decoded once. Each component
// takes its picture as soon as it is decoded, with the events and messages that setting its
// ImageName would give (on the interface thread, like every event).
//
// Starting again, Cancel, or the loader's end give up what is still to come: pictures not yet
// started are not decoded, and those being decoded are thrown away when done.
class PictureLoader : public QObject
{
    Q_OBJECT

public:
    struct Load
    {
        TPMultiImage* Image = nullptr;
        QString Name;
        // The largest size the picture is drawn at (for a grid cell, the room inside it); an
        // invalid Box lets the component's present size and mode decide.
        QSize Box;
    };

    explicit PictureLoader(QObject* parent = nullptr);
    ~PictureLoader() override;

    void Start(const QList<Load>& loads);
    void Cancel();
    // True while pictures of the last Start are still to come.
    bool IsLoading() const { return FPending > 0; }

    // Raised after a component has taken its decoded picture (or its error).
    std::function<void(TPMultiImage* image)> OnPictureLoaded;

private:
    struct Shared;
    struct Job;
    void Deliver(quint64 batch, int job, const PictureData& decoded);

    std::shared_ptr<Shared> FShared;
    std::vector<Job> FJobs;
    quint64 FBatch = 0;
    int FPending = 0;
};

} // namespace Tonlyra
