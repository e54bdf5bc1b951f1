// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A plain text window: shows one text file, lets the user change it and
// writes it back to the same file, on "&Speichern" and on every close.
#include <QDialog>

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

class TFTextshow : public QDialog
{
    Q_OBJECT
  public:
    explicit TFTextshow(QWidget *parent = nullptr);

    QMenuBar *MainMenu1;
    QMenu *Datei1;
    QAction *Speichern1, *N1, *Beenden1;
    QPlainTextEdit *Memo1;

    // Remembers the path and shows the file's lines; a missing file leaves
    // the text empty. AppError when the file exists but cannot be read.
    void LoadText(const QString &path);
    QString path() const { return m_path; }

  public Q_SLOTS:
    // Writes the text; false (after the error box) when that failed.
    bool Speichern1Click();
    void Beenden1Click();

    // Every close writes the file first (FormClose); a failed write is
    // reported and the window closes all the same.
    void done(int result) override;

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void FormClose();

    QString m_path;
    bool m_closed = false;
};
