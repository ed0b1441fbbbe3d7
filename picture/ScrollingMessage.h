#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>

namespace Tonlyra {

// A moving text message that a cell shows in place of a picture. Two file kinds hold one:
//
// ".SCM": one text of tagged fields, each running to the next tag:
//     /fc|<font colour>/fh|<font height>/fn|<font name>/fs|<font size>/ft|<style>
//     /bc|<background colour>/sp|<speed>/sm|<the message>/eo|
//   The message is one line that moves left across the cell and comes back in at the right
//   edge when it has left it.
// ".CMS": line by line: line 1 is free (a title), lines 2 to 6 are the font colour, height,
//   name, size and style, line 7 the background colour, line 8 the speed, and every line from
//   line 9 on is one message line. The lines move up from the bottom of the cell, one at a
//   time, and the next comes in when the previous has left the top; after the last line the
//   first comes back.
//
// Colours are decimal 0x00BBGGRR values. The font height is in pixels (negative values as
// positive); when it is 0 the size in points is used. The style is four characters "1" or "0":
// bold, italic, underline, strike-out. The text moves one pixel on every (speed + 1)-th tick of
// a 10 ms timer, so speed 0 moves 100 pixels a second, speed 1 fifty, speed 4 twenty.
// A missing or unreadable field takes its default: font colour 255 (red), height -13, font
// "SYSTEM" (the desktop's own font), bold, background 128 (dark red), speed 1, and the message
// " Invallid message format ! ". Files are read as UTF-8, or Windows-1252 when not valid UTF-8.
struct ScrollingMessage
{
    enum Kind
    {
        Band,
        Lines
    };

    Kind Motion = Band;
    QColor FontColor;
    int FontHeight = -13;
    QString FontName = QStringLiteral("SYSTEM");
    int FontSize = 0;
    bool Bold = true, Italic = false, Underline = false, StrikeOut = false;
    QColor Background;
    int Speed = 1;
    QStringList Text; // one entry for a band message; the lines of a line message

    ScrollingMessage();

    QFont Font() const;

    static ScrollingMessage FromScm(const QString& text);
    static ScrollingMessage FromCms(const QString& text);
    // Reads a ".SCM" or ".CMS" file by its extension; a file that cannot be read gives the
    // message with every default.
    static ScrollingMessage FromFile(const QString& path);
};

// The motion of a message, without any drawing: the position of the band or the current line
// after each tick of the animation timer.
class MessageMotion
{
public:
    // Starts at the right edge (band) or the bottom edge (lines) of an area of size area.
    // extents are the widths (band) or heights (lines) of the drawn texts, one per text.
    void Start(ScrollingMessage::Kind motion, int speed, QList<int> extents, QSize area);
    // One timer tick; returns true when the text moved.
    bool Tick(QSize area);

    int Offset() const { return Position; } // x of the band or y of the current line
    int CurrentLine() const { return Line; }

private:
    ScrollingMessage::Kind Motion = ScrollingMessage::Band;
    int Speed = 1;
    QList<int> Extents;
    int Ticks = 0;
    int Position = 0;
    int Line = 0;
};

// 0x00BBGGRR as the old colour dialogs stored them.
QColor ColorFromBgr(qint64 value);

} // namespace Tonlyra
