// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QMessageBox::Icon qtIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Information:
        return QMessageBox::Information;
    case Dialogs::Warning:
        return QMessageBox::Warning;
    case Dialogs::Error:
        return QMessageBox::Critical;
    case Dialogs::Question:
        return QMessageBox::Question;
    case Dialogs::NoIcon:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonText
{
    Dialogs::Button ours;
    QMessageBox::StandardButton qt;
    const char16_t *text;
};

// The order in which the buttons stand in the box; the texts are set here and
// not left to a translation that may not be installed.
const ButtonText kButtons[] = {
    {Dialogs::Yes, QMessageBox::Yes, u"&Ja"},
    {Dialogs::No, QMessageBox::No, u"&Nein"},
    {Dialogs::Ok, QMessageBox::Ok, u"OK"},
    {Dialogs::Cancel, QMessageBox::Cancel, u"Abbrechen"},
};

} // namespace

std::unique_ptr<QMessageBox> QtDialogs::makeMessageBox(QWidget *parent, const QString &caption,
                                                       const QString &text, Icon icon, int buttons,
                                                       Button defaultButton)
{
    auto box = std::make_unique<QMessageBox>(qtIcon(icon), caption, text, QMessageBox::NoButton, parent);
    // Messages carry names and texts from files and the database: shown as
    // they are, never taken for markup that could hide a line.
    box->setTextFormat(Qt::PlainText);
    if ((buttons & (Ok | Yes | No | Cancel)) == 0) buttons = Ok;
    for (const ButtonText &b : kButtons) {
        if (!(buttons & b.ours)) continue;
        QPushButton *button = box->addButton(b.qt);
        button->setText(QString::fromUtf16(b.text));
        if (b.ours == defaultButton) box->setDefaultButton(button);
    }
    if (buttons & Cancel)
        box->setEscapeButton(box->button(QMessageBox::Cancel));
    else if (buttons == Ok)
        box->setEscapeButton(box->button(QMessageBox::Ok));
    // A short question ("Neuen Vorgang anlegen?") must not leave the box too
    // narrow for its title, which the title bar would cut.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout())) {
        const int titleWidth = box->fontMetrics().horizontalAdvance(caption) + 160;
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return box;
}

Dialogs::Button QtDialogs::pressedButton(const QMessageBox &box)
{
    const auto *clicked = box.clickedButton();
    for (const ButtonText &b : kButtons)
        if (clicked && clicked == box.button(b.qt)) return b.ours;
    return Cancel;
}

Dialogs::Button QtDialogs::message(QWidget *parent, const QString &caption, const QString &text, Icon icon,
                                   int buttons, Button defaultButton)
{
    auto box = makeMessageBox(parent, caption, text, icon, buttons, defaultButton);
    box->exec();
    return pressedButton(*box);
}

std::unique_ptr<QDialog> QtDialogs::makeInputBox(QWidget *parent, const QString &caption,
                                                 const QString &prompt, const QString &value)
{
    auto dialog = std::make_unique<QDialog>(parent);
    dialog->setWindowTitle(caption);
    auto *layout = new QVBoxLayout(dialog.get());
    auto *label = new QLabel(prompt, dialog.get());
    label->setTextFormat(Qt::PlainText);
    auto *edit = new QLineEdit(value, dialog.get());
    edit->setObjectName(QStringLiteral("value"));
    edit->selectAll();
    label->setBuddy(edit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog.get());
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog.get(), &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog->setMinimumWidth(320);
    return dialog;
}

bool QtDialogs::inputBox(QWidget *parent, const QString &caption, const QString &prompt, QString &value)
{
    auto dialog = makeInputBox(parent, caption, prompt, value);
    if (dialog->exec() != QDialog::Accepted) return false;
    value = dialog->findChild<QLineEdit *>(QStringLiteral("value"))->text();
    return true;
}

QString QtDialogs::saveFileName(QWidget *parent, const SaveFileOptions &options)
{
    QFileDialog dialog(parent, options.caption, options.directory, options.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(options.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (!options.fileName.isEmpty()) dialog.selectFile(options.fileName);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

QString QtDialogs::openFileName(QWidget *parent, const SaveFileOptions &options)
{
    QFileDialog dialog(parent, options.caption, options.directory, options.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

bool QtDialogs::printerDialog(QWidget *parent, QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::exec(QDialog &dialog)
{
    return dialog.exec();
}
