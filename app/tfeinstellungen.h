// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Datei › Einstellungen …": the firm, its bank, letterhead and footer with a
// preview and a logo, the defaults of new documents, e-invoices, dunning, the
// server and the backup reminder, on one page each. At the first start the
// same pages for the firm, its bank, its letterhead and its documents are a
// short set-up assistant, page after page. Everything is read from and
// written into the files the program reads (tavirel.ini, vorgang*.txt,
// Fuss*.txt), so hand edits keep working.
#include "settingsvalues.h"

#include <QDialog>
#include <QHash>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class LetterheadPreview;

class TFEinstellungen : public QDialog
{
    Q_OBJECT
  public:
    enum class Mode { Window, Assistant };
    explicit TFEinstellungen(Mode mode = Mode::Window, QWidget *parent = nullptr);
    ~TFEinstellungen() override;

    Mode mode() const { return m_mode; }
    // The edit of a key of tavirel.ini ("ERechnung", "IBAN"), null when the window has none.
    QLineEdit *edit(const QString &section, const QString &key) const;
    // The text of a letterhead file ("Fuss3.txt").
    QPlainTextEdit *text(const QString &file) const;

    // ---- pages: tabs in the window, one after another in the assistant
    QTabWidget *Seiten = nullptr;
    QStackedWidget *Schritte = nullptr;
    QLabel *Schritt = nullptr; // the assistant's "Schritt 1 von 4: …"
    QLineEdit *eName = nullptr, *eSchrift = nullptr, *eZusatz = nullptr, *eZusatzSchrift = nullptr,
              *eAbsender = nullptr;
    QSpinBox *sNameLinks = nullptr, *sNameOben = nullptr, *sZusatzLinks = nullptr, *sZusatzOben = nullptr;
    QPushButton *btAusFirma = nullptr;
    QLineEdit *eLogo = nullptr;
    QPushButton *btLogo = nullptr, *btLogoWeg = nullptr;
    QSpinBox *sLogoLinks = nullptr, *sLogoOben = nullptr, *sLogoBreite = nullptr;
    LetterheadPreview *Vorschau = nullptr;
    QComboBox *cbSteuerfall = nullptr;
    QCheckBox *cbZinsen = nullptr;
    QLabel *lFehlt = nullptr;    // what e-invoices still lack
    QLabel *lPruefung = nullptr; // what is wrong with the value just typed
    QPushButton *btOk = nullptr, *btAbbrechen = nullptr, *btZurueck = nullptr, *btWeiter = nullptr;

    // Checks what was typed and writes it; false after the message naming
    // what is wrong (the page with it shown, nothing written).
    bool save();
    // Fills the letterhead and footer texts from the firm's data.
    void fillLetterheadFromFirm();
    // The assistant's next and previous page; the last page's next saves.
    void next();
    void back();

  private:
    struct Bound
    {
        QString section, key;
        QLineEdit *edit;
        std::function<QString(const QString &)> check;
        QString label;
        QWidget *page;
    };
    QWidget *firmPage();
    QWidget *bankPage();
    QWidget *letterheadPage();
    QWidget *documentsPage();
    QWidget *einvoicePage();
    QWidget *dunningPage();
    QWidget *serverPage();
    QLineEdit *bound(QWidget *page, const char *section, const char *key, const QString &label,
                     std::function<QString(const QString &)> check = {});
    QPlainTextEdit *fileEdit(const QString &file);
    void showPage(QWidget *page);
    void showStep(int step);
    void updatePreview();
    void updateMissing();
    void chooseLogo();
    // The check of one field as soon as the user leaves it: the problem
    // shown under the pages and the field marked, or both cleared.
    void checkTyped(const Bound &b);
    // The problem with a field's value, its own check and those across fields.
    QString problemOf(const Bound &b) const;
    // The values of the window into m_values.
    void collect();

    Mode m_mode;
    SettingsValues m_values;
    QList<Bound> m_bound;
    QHash<QString, QPlainTextEdit *> m_files;
    QList<QWidget *> m_pages;
    QList<QLabel *> m_stepLabels; // the assistant's way, beside its page
    QString m_logoSource;         // a logo chosen in this window, copied on save
    bool m_zinsenShown = false;   // as read: written only when the user changes it
};

namespace SetupAssistant {
// The assistant for a new firm, run modally through the dialog seam; true
// when it saved.
bool run(QWidget *parent);
} // namespace SetupAssistant
