#pragma once

// A plain widget hosting an annotation instance the way the picture component does: it draws
// the annotations in its paint event and forwards its mouse messages.

#include "glosa32/glosa32.h"

#include <QPainter>
#include <QWidget>

#include <cstdint>

namespace GlosaTest {

inline int32_t Pack(int x, int y)
{
    return static_cast<int32_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) | (x & 0xFFFF));
}

class Host : public QWidget
{
public:
    explicit Host(const char* stampLibrary = "")
    {
        resize(400, 300);
        InitAnnotation(Key(), this, Key(), &Host::Notified, stampLibrary);
    }
    ~Host() override { DestroyAnnotation(Key()); }
    intptr_t Key() const { return reinterpret_cast<intptr_t>(this); }

    void Send(int message, int x, int y) { MouseMon(Key(), message, 0, Pack(x, y)); }
    void Move(int x, int y) { Send(512, x, y); }
    void LeftDown(int x, int y) { Send(513, x, y); }
    void LeftUp(int x, int y) { Send(514, x, y); }
    void RightDown(int x, int y) { Send(516, x, y); }
    void Drag(int x0, int y0, int x1, int y1)
    {
        LeftDown(x0, y0);
        Move((x0 + x1) / 2, (y0 + y1) / 2);
        Move(x1, y1);
        LeftUp(x1, y1);
    }

    double Zoom = 1.0;
    int OriginX = 0, OriginY = 0, OffsetX = 0, OffsetY = 0;
    static inline int Notifications = 0;
    static inline intptr_t LastNotifyValue = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        DrawAnnotation(Key(), Zoom, OriginX, OriginY, OffsetX, OffsetY, 0, &painter);
    }

private:
    static void Notified(intptr_t value)
    {
        ++Notifications;
        LastNotifyValue = value;
    }
};

} // namespace GlosaTest
