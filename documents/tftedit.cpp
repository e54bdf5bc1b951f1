// SPDX-License-Identifier: GPL-3.0-or-later
#include "tftedit.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "widgets/dialogs.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

TFtedit::TFtedit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Ftedit"));
    setWindowTitle(QStringLiteral("Textdatei bearbeiten"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false); // the caller owns it and reads it afterwards
    resize(420, 360);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(8, 8, 8, 8);
    body->setSpacing(8);

    Textfeld = new QPlainTextEdit(this);
    Textfeld->setObjectName(QStringLiteral("Textfeld"));
    Textfeld->setLineWrapMode(QPlainTextEdit::NoWrap);
    body->addWidget(Textfeld, 1);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setAutoDefault(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    body->addLayout(buttons);
    outer->addLayout(body, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    outer->addWidget(StatusBar1);

    connect(OKBtn, &QPushButton::clicked, this, &TFtedit::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    Textfeld->setFocus();
}

void TFtedit::SetFileName(const QString &path)
{
    FileName = path;
}

void TFtedit::LoadFile()
{
    QStringList lines;
    if (QFileInfo::exists(FileName)) lines = TextFiles::loadLines(FileName);
    Textfeld->setPlainText(lines.join(QLatin1Char('\n')));
    setWindowTitle(QStringLiteral("Editor - ") + QFileInfo(FileName).fileName());
}

void TFtedit::OKBtnClick()
{
    try {
        TextFiles::saveLines(FileName, TextFiles::splitLines(Textfeld->toPlainText()));
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return;
    }
    accept();
}

void TFtedit::showEvent(QShowEvent *event)
{
    // Centred on the screen, whoever opened it.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    Textfeld->setFocus();
    QDialog::showEvent(event);
}
