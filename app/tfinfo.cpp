// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfinfo.h"

#include "platform/appicons.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

QPointer<TFinfo> Finfo;

namespace {

QFont arial(int pixelSize, bool bold = false, bool italic = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QLabel *label(QWidget *parent, const QString &text, const QRect &geometry, const QFont &font,
              const QColor &color)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(geometry);
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, color);
    l->setPalette(pal);
    return l;
}

} // namespace

TFinfo::TFinfo(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Finfo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(254, 87);

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(0, 0, 254, 87);
    Panel1->setAutoFillBackground(true);

    Panel2 = new QFrame(Panel1);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(8, 8, 40, 40);
    Image1 = new QLabel(Panel2);
    Image1->setGeometry(3, 3, 34, 34);
    Image1->setPixmap(AppIcons::programSymbol());

    const QString title = QStringLiteral("Tavirelsverwaltung");
    // The shadow first, so that the blue title lies on top of it.
    Label3 = label(Panel1, title, QRect(57, 7, 192, 24), arial(19, true), Qt::black);
    Label1 = label(Panel1, title, QRect(56, 6, 192, 24), arial(19, true), QColor(0, 0, 255));

    Bevel1 = new QFrame(Panel1);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    Bevel1->setGeometry(56, 32, 190, 2);

    Label4 =
        label(Panel1, QStringLiteral("....wird gestartet."), QRect(56, 36, 100, 14), arial(11), Qt::black);
    revision = label(Panel1, revisionText(QCoreApplication::applicationFilePath()), QRect(126, 36, 120, 14),
                     arial(10, false, true), Qt::gray);
    revision->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2 = label(Panel1, QStringLiteral("Tavirel · Aufträge für kleine Betriebe · 2026"),
                   QRect(56, 52, 190, 14), arial(9), QColor(0x40, 0x40, 0x40));

    Progress = new QProgressBar(Panel1);
    Progress->setGeometry(3, 71, 248, 13);
    Progress->setRange(0, 11);
    Progress->setValue(0);
    Progress->setTextVisible(false);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(placement(screen->availableGeometry()));

    Finfo = this;
}

TFinfo::~TFinfo() = default;

QString TFinfo::revisionText(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.exists()) return QString();
    return info.lastModified().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

QPoint TFinfo::placement(const QRect &availableGeometry)
{
    return {availableGeometry.x() + availableGeometry.width() - 270,
            availableGeometry.y() + availableGeometry.height() - 150};
}

void TFinfo::mousePressEvent(QMouseEvent *)
{
    close();
}
