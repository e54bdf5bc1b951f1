// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Datei › Vorlagen zurücksetzen …": the program's template files whose copy
// differs from what the program ships (a letter text, a footer, the units),
// each to be put back on request; the user's version is kept beside it.
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class TFVorlagen : public QDialog
{
    Q_OBJECT
  public:
    explicit TFVorlagen(QWidget *parent = nullptr);

    QLabel *lHinweis;
    QListWidget *lDateien; // checkable, none ticked
    QPushButton *btZuruecksetzen, *btAbbrechen;

    // Puts the ticked ones back; false after a message when one failed.
    bool zuruecksetzen();
};
