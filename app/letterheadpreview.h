// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings window's preview of the letterhead: the first page of a
// document with the firm's name and addition, the logo, the sender line and
// block and the four footer columns where the print puts them.
#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QWidget>

class LetterheadPreview : public QWidget
{
    Q_OBJECT
  public:
    struct Texts
    {
        QString name, nameFont, addition, additionFont, senderLine, sender;
        QPoint nameAt, additionAt; // pixels at 96 per inch, as vorgang.txt holds them
        QString footer[4];
        QImage logo;
        QRectF logoRect; // millimetres in the text area; height 0: as the picture is
    };
    explicit LetterheadPreview(QWidget *parent = nullptr);

    void setTexts(const Texts &texts);
    const Texts &texts() const { return m_texts; }
    // A PNG or SVG logo, null when it cannot be read.
    static QImage loadLogo(const QString &path);

    QSize sizeHint() const override { return QSize(300, 424); }
    QSize minimumSizeHint() const override { return QSize(200, 283); }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    Texts m_texts;
};
