// SPDX-License-Identifier: GPL-3.0-or-later
#include "tftextshow.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "widgets/dialogs.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TFTextshow::TFTextshow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FTextshow"));
    setWindowTitle(QStringLiteral("Textshow"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(547, 403);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(MainMenu1);
    Datei1 = MainMenu1->addMenu(QStringLiteral("&Datei"));
    Datei1->setObjectName(QStringLiteral("Datei1"));
    Speichern1 = Datei1->addAction(QStringLiteral("&Speichern"));
    Speichern1->setObjectName(QStringLiteral("Speichern1"));
    Speichern1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Speichern1->setShortcutContext(Qt::WindowShortcut);
    addAction(Speichern1); // the shortcut works while the menu is closed
    N1 = Datei1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Beenden1 = Datei1->addAction(QStringLiteral("&Beenden"));
    Beenden1->setObjectName(QStringLiteral("Beenden1"));
    connect(Speichern1, &QAction::triggered, this, &TFTextshow::Speichern1Click);
    connect(Beenden1, &QAction::triggered, this, &TFTextshow::Beenden1Click);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo1);
}

void TFTextshow::LoadText(const QString &path)
{
    m_path = path;
    Memo1->clear();
    if (QFileInfo::exists(path)) Memo1->setPlainText(TextFiles::loadLines(path).join(QLatin1Char('\n')));
}

bool TFTextshow::Speichern1Click()
{
    const QString text = Memo1->toPlainText();
    try {
        TextFiles::saveLines(m_path, TextFiles::splitLines(text));
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
    return true;
}

void TFTextshow::Beenden1Click()
{
    close();
}

void TFTextshow::FormClose()
{
    if (m_closed) return;
    m_closed = true;
    Speichern1Click();
}

void TFTextshow::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFTextshow::closeEvent(QCloseEvent *event)
{
    // A close of a window that is not shown does not reach done().
    FormClose();
    QDialog::closeEvent(event);
}
