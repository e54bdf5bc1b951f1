// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The splash window shown during start-up: the program's name, the date of
// its own file and the start-up progress. A click closes it; closing frees it.
#include <QPointer>
#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

class TFinfo : public QWidget
{
    Q_OBJECT
  public:
    explicit TFinfo(QWidget *parent = nullptr);
    ~TFinfo() override;

    QFrame *Panel1; // the raised panel covering the client area
    QLabel *Label3; // shadow of the title
    QLabel *Label1; // the title
    QFrame *Bevel1;
    QLabel *Label4;
    QLabel *revision;
    QLabel *Label2; // the maker's line
    QFrame *Panel2; // frame of the symbol
    QLabel *Image1;
    QProgressBar *Progress;

    // "dd.mm.yyyy hh:mm:ss" of the file's modification time; empty when the
    // file cannot be found.
    static QString revisionText(const QString &filePath);
    // The splash's top-left corner on a screen with this available area:
    // 270 pixels left of its right edge and 150 above its bottom edge.
    static QPoint placement(const QRect &availableGeometry);

  protected:
    void mousePressEvent(QMouseEvent *event) override;
};

// The splash window while it exists (empty after it has closed).
extern QPointer<TFinfo> Finfo;
