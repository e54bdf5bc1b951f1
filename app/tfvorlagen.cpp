// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvorlagen.h"

#include "base/apperror.h"
#include "data/programfolder.h"
#include "widgets/dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TFVorlagen::TFVorlagen(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FVorlagen"));
    setWindowTitle(QStringLiteral("Vorlagen zurücksetzen"));
    const QStringList changed = ProgramFolder::changedTemplates();
    lHinweis = new QLabel(this);
    lHinweis->setWordWrap(true);
    lHinweis->setText(
        changed.isEmpty()
            ? QStringLiteral("Alle Vorlagen in %1 sind so, wie das Programm sie mitbringt.")
                  .arg(QDir::toNativeSeparators(ProgramFolder::dir()))
            : QStringLiteral("Diese Dateien in %1 weichen von den Vorlagen des Programms ab. Die "
                             "angekreuzten werden auf die Vorlage zurückgesetzt; die eigene Fassung "
                             "bleibt daneben als \"<Name>.alt\" erhalten.")
                  .arg(QDir::toNativeSeparators(ProgramFolder::dir())));
    lDateien = new QListWidget(this);
    lDateien->setObjectName(QStringLiteral("lDateien"));
    for (const QString &name : changed) {
        auto *item = new QListWidgetItem(name, lDateien);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    auto *buttons = new QDialogButtonBox(this);
    btZuruecksetzen = buttons->addButton(QStringLiteral("&Zurücksetzen"), QDialogButtonBox::AcceptRole);
    btZuruecksetzen->setObjectName(QStringLiteral("btZuruecksetzen"));
    btZuruecksetzen->setEnabled(!changed.isEmpty());
    btAbbrechen = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    btAbbrechen->setObjectName(QStringLiteral("btAbbrechen"));
    connect(btZuruecksetzen, &QPushButton::clicked, this, [this] {
        if (zuruecksetzen()) accept();
    });
    connect(btAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(lHinweis);
    outer->addWidget(lDateien, 1);
    outer->addWidget(buttons);
    resize(560, 380);
}

bool TFVorlagen::zuruecksetzen()
{
    for (int i = 0; i < lDateien->count(); ++i) {
        QListWidgetItem *item = lDateien->item(i);
        if (item->checkState() != Qt::Checked) continue;
        try {
            ProgramFolder::restoreTemplate(item->text());
            item->setCheckState(Qt::Unchecked);
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), this);
            return false;
        }
    }
    return true;
}
