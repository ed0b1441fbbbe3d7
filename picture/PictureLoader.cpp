#include "picture/PictureLoader.h"

#include "picture/TMultiP.h"

#include <QMutex>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <atomic>

namespace Tonlyra {

// What the decoding jobs share with the loader. Receiver is cleared, under the lock, before the
// loader goes or gives the jobs up, so that a job hands its picture only to a loader alive
// then (Qt drops the calls queued to an object that is deleted afterwards).
struct PictureLoader::Shared
{
    std::atomic<bool> Cancelled{false};
    QMutex Lock;
    PictureLoader* Receiver = nullptr;
};

// One file to decode, and the components waiting for it.
struct PictureLoader::Job
{
    struct Target
    {
        QPointer<TPMultiImage> Image;
        quint64 Serial = 0; // the component's load this picture is for
    };
    TPMultiImage::DecodeRequest Request;
    QList<Target> Targets;
};

PictureLoader::PictureLoader(QObject* parent) : QObject(parent) {}

PictureLoader::~PictureLoader()
{
    Cancel();
}

void PictureLoader::Cancel()
{
    if (FShared) {
        FShared->Cancelled = true;
        QMutexLocker lock(&FShared->Lock);
        FShared->Receiver = nullptr;
    }
    FShared.reset();
    ++FBatch;
    FJobs.clear();
    FPending = 0;
}

void PictureLoader::Start(const QList<Load>& loads)
{
    Cancel();
    for (const Load& load : loads) {
        if (!load.Image)
            continue;
        TPMultiImage::DecodeRequest request;
        if (!load.Image->BeginLoad(load.Name, load.Box, &request))
            continue;
        const Job::Target target{load.Image, load.Image->FLoadSerial};
        auto same = std::find_if(FJobs.begin(), FJobs.end(),
                                 [&](const Job& job) { return job.Request == request; });
        if (same != FJobs.end())
            same->Targets.append(target);
        else
            FJobs.push_back(Job{request, {target}});
    }
    FPending = int(FJobs.size());
    if (FJobs.empty())
        return;

    FShared = std::make_shared<Shared>();
    FShared->Receiver = this;
    const quint64 batch = FBatch;
    for (int i = 0; i < int(FJobs.size()); ++i) {
        QThreadPool::globalInstance()->start(
            [shared = FShared, request = FJobs[i].Request, batch, i] {
                if (shared->Cancelled)
                    return;
                const PictureData decoded = TPMultiImage::Decode(request);
                QMutexLocker lock(&shared->Lock);
                if (PictureLoader* receiver = shared->Receiver)
                    QMetaObject::invokeMethod(
                        receiver,
                        [receiver, batch, i, decoded] { receiver->Deliver(batch, i, decoded); },
                        Qt::QueuedConnection);
            });
    }
}

void PictureLoader::Deliver(quint64 batch, int job, const PictureData& decoded)
{
    if (batch != FBatch || job < 0 || job >= int(FJobs.size()))
        return;
    --FPending;
    // Copied: a handler may start the loader again (an error box lets events run).
    const Job done = FJobs[job];
    const QPointer<PictureLoader> self(this);
    for (const Job::Target& target : done.Targets) {
        if (!target.Image || target.Image->FLoadSerial != target.Serial)
            continue;
        target.Image->FinishLoad(done.Request, decoded);
        if (!self || batch != FBatch)
            return;
        if (OnPictureLoaded && target.Image) {
            const auto handler = OnPictureLoaded;
            handler(target.Image);
            if (!self || batch != FBatch)
                return;
        }
    }
}

} // namespace Tonlyra
