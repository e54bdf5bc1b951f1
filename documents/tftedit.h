// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small modal editor for one plain text file: the caller names the file,
// the editor loads it, and "OK" writes it back. It knows nothing of what the
// file means (the article window keeps its list of units with it).
#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QStatusBar;

class TFtedit : public QDialog
{
    Q_OBJECT
  public:
    explicit TFtedit(QWidget *parent = nullptr);

    QPlainTextEdit *Textfeld;
    QPushButton *OKBtn;
    QPushButton *CancelBtn;
    QStatusBar *StatusBar1;

    QString FileName;

    void SetFileName(const QString &path);
    // Shows the file's lines and names the file in the caption. A file that
    // does not exist yet opens empty, so that "OK" can create it; one that
    // exists but cannot be read fails with AppError and is never replaced.
    void LoadFile();

  public Q_SLOTS:
    // Writes the lines to FileName, each ended by CR LF, and closes with OK.
    // When the file cannot be written the error is shown and the editor stays
    // open with the text, so that nothing typed is lost.
    void OKBtnClick();

  protected:
    void showEvent(QShowEvent *event) override;
};
