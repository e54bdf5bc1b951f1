// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application object. An error that no operation catches ends that
// operation, not the program: whatever an event handler throws is shown in
// the error box and the message loop goes on.
#include <QApplication>

class TavirelApplication : public QApplication
{
    Q_OBJECT
  public:
    TavirelApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
