// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfeinstellungen.h"

#include "letterheadpreview.h"

#include "base/apperror.h"
#include "data/dunning.h"
#include "data/numbering.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "einvoice/sellerdata.h"
#include "widgets/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Einstellungen");
const QString kFirm = QStringLiteral("ERechnung");
const QString kPrint = QStringLiteral("Druck");

// The document types a user numbers, in the order the window lists them.
const char *const kTypes[][2] = {{"A", "Angebote"},   {"C", "Auftragsbestätigungen"}, {"L", "Lieferscheine"},
                                 {"R", "Rechnungen"}, {"G", "Gutschriften"},          {"V", "Verträge"},
                                 {"M", "Mahnungen"},  {"B", "Bestellungen"}};

// The assistant's steps, one for each of its pages.
const QStringList kSteps = {QStringLiteral("Ihre Firma"), QStringLiteral("Ihre Bankverbindung"),
                            QStringLiteral("Ihr Briefkopf"), QStringLiteral("Ihre Vorgänge")};

QWidget *pageWithForm(QFormLayout *&form, const QString &intro = QString())
{
    auto *page = new QWidget;
    auto *outer = new QVBoxLayout(page);
    if (!intro.isEmpty()) {
        auto *l = new QLabel(intro, page);
        l->setWordWrap(true);
        l->setMaximumWidth(l->fontMetrics().averageCharWidth() * 110);
        outer->addWidget(l);
    }
    // On a wide window the fields keep a readable length.
    auto *area = new QWidget(page);
    area->setMaximumWidth(area->fontMetrics().averageCharWidth() * 110);
    form = new QFormLayout(area);
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft);
    auto *row = new QHBoxLayout;
    row->addWidget(area, 1);
    row->addStretch(0);
    outer->addLayout(row);
    outer->addStretch(1);
    return page;
}

QSpinBox *spin(QWidget *parent, int max, const QString &suffix)
{
    auto *s = new QSpinBox(parent);
    s->setRange(0, max);
    s->setSuffix(suffix);
    return s;
}

} // namespace

TFEinstellungen::TFEinstellungen(Mode mode, QWidget *parent)
    : QDialog(parent), m_mode(mode),
      m_values(SettingsValues::read(ProgramFolder::dir(), ProgramFolder::iniPath()))
{
    setObjectName(mode == Mode::Window ? QStringLiteral("FEinstellungen") : QStringLiteral("FEinrichtung"));
    setWindowTitle(mode == Mode::Window ? kTitle : QStringLiteral("Die eigene Firma einrichten"));
    if (mode == Mode::Assistant) setProperty("helpPage", QStringLiteral("erster-tag.html#einrichtung"));

    auto *outer = new QVBoxLayout(this);
    struct Named
    {
        QWidget *page;
        QString caption;
    };
    QList<Named> pages = {{firmPage(), QStringLiteral("Firma")},
                          {bankPage(), QStringLiteral("Bank")},
                          {letterheadPage(), QStringLiteral("Briefkopf")},
                          {documentsPage(), QStringLiteral("Vorgänge")}};
    if (mode == Mode::Window) {
        pages += {{einvoicePage(), QStringLiteral("E-Rechnung")},
                  {dunningPage(), QStringLiteral("Mahnwesen")},
                  {serverPage(), QStringLiteral("Datenbank")}};
        Seiten = new QTabWidget(this);
        Seiten->setObjectName(QStringLiteral("Seiten"));
        for (const Named &p : pages)
            Seiten->addTab(p.page, p.caption);
        outer->addWidget(Seiten, 1);
    } else {
        Schritt = new QLabel(this);
        Schritt->setObjectName(QStringLiteral("Schritt"));
        QFont bold = Schritt->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        Schritt->setFont(bold);
        outer->addWidget(Schritt);
        // The steps beside the page, the current one marked: the user sees
        // how far the way is.
        auto *body = new QHBoxLayout;
        auto *steps = new QFrame(this);
        steps->setObjectName(QStringLiteral("Wegweiser"));
        steps->setFrameShape(QFrame::StyledPanel);
        steps->setBackgroundRole(QPalette::Base);
        steps->setAutoFillBackground(true);
        auto *stepList = new QVBoxLayout(steps);
        for (int i = 0; i < kSteps.size(); ++i) {
            auto *l = new QLabel(QStringLiteral("%1. %2").arg(i + 1).arg(kSteps.at(i)), steps);
            l->setContentsMargins(6, 4, 12, 4);
            stepList->addWidget(l);
            m_stepLabels << l;
        }
        stepList->addStretch(1);
        body->addWidget(steps);
        Schritte = new QStackedWidget(this);
        Schritte->setObjectName(QStringLiteral("Schritte"));
        for (const Named &p : pages)
            Schritte->addWidget(p.page);
        body->addWidget(Schritte, 1);
        outer->addLayout(body, 1);
    }
    for (const Named &p : pages)
        m_pages << p.page;

    auto *buttons = new QDialogButtonBox(this);
    const auto button = [&](const char *name, const QString &caption, QDialogButtonBox::ButtonRole role) {
        auto *b = buttons->addButton(caption, role);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    btZurueck = button("btZurueck", QStringLiteral("< &Zurück"), QDialogButtonBox::ActionRole);
    btWeiter = button("btWeiter", QStringLiteral("&Weiter >"), QDialogButtonBox::ActionRole);
    btOk = button("btOk", mode == Mode::Window ? QStringLiteral("OK") : QStringLiteral("&Fertig"),
                  QDialogButtonBox::AcceptRole);
    btAbbrechen =
        button("btAbbrechen",
               mode == Mode::Window ? QStringLiteral("Abbrechen") : QStringLiteral("&Später einrichten"),
               QDialogButtonBox::RejectRole);
    connect(btZurueck, &QPushButton::clicked, this, &TFEinstellungen::back);
    connect(btWeiter, &QPushButton::clicked, this, &TFEinstellungen::next);
    connect(btOk, &QPushButton::clicked, this, [this] {
        if (save()) accept();
    });
    connect(btAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    lPruefung = new QLabel(this);
    lPruefung->setObjectName(QStringLiteral("lPruefung"));
    lPruefung->setWordWrap(true);
    lPruefung->hide();
    QPalette warning = lPruefung->palette();
    warning.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x20));
    lPruefung->setPalette(warning);
    outer->addWidget(lPruefung);
    outer->addWidget(buttons);

    if (mode == Mode::Assistant) {
        showStep(0);
    } else {
        btZurueck->hide();
        btWeiter->hide();
        btOk->setDefault(true);
    }
    updatePreview();
    updateMissing();
    resize(900, 640);
}

TFEinstellungen::~TFEinstellungen() = default;

QLineEdit *TFEinstellungen::edit(const QString &section, const QString &key) const
{
    for (const Bound &b : m_bound)
        if (b.section.compare(section, Qt::CaseInsensitive) == 0 &&
            b.key.compare(key, Qt::CaseInsensitive) == 0)
            return b.edit;
    return nullptr;
}

QPlainTextEdit *TFEinstellungen::text(const QString &file) const
{
    return m_files.value(file);
}

QLineEdit *TFEinstellungen::bound(QWidget *page, const char *section, const char *key, const QString &label,
                                  std::function<QString(const QString &)> check)
{
    auto *e = new QLineEdit(page);
    const QString s = QString::fromLatin1(section), k = QString::fromLatin1(key);
    e->setObjectName(QStringLiteral("e%1_%2").arg(s, k));
    e->setText(m_values.key(s, k));
    const bool checked = bool(check);
    m_bound.append({s, k, e, std::move(check), QString(label).remove(QLatin1Char('&')), page});
    connect(e, &QLineEdit::textChanged, this, [this] {
        updatePreview();
        updateMissing();
    });
    if (checked)
        connect(e, &QLineEdit::editingFinished, this, [this, e] {
            for (const Bound &b : std::as_const(m_bound))
                if (b.edit == e) return checkTyped(b);
        });
    return e;
}

QPlainTextEdit *TFEinstellungen::fileEdit(const QString &file)
{
    auto *t = new QPlainTextEdit;
    t->setObjectName(QStringLiteral("t") + QString(file).remove(QStringLiteral(".txt")));
    t->setPlainText(m_values.file(file));
    t->setLineWrapMode(QPlainTextEdit::NoWrap);
    t->setTabChangesFocus(true);
    m_files.insert(file, t);
    connect(t, &QPlainTextEdit::textChanged, this, &TFEinstellungen::updatePreview);
    return t;
}

// ---------------------------------------------------------------------------
// pages

QWidget *TFEinstellungen::firmPage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(
        form,
        m_mode == Mode::Assistant
            ? QStringLiteral("Diese Angaben stehen auf Ihren Rechnungen und in Ihren E-Rechnungen. Name, "
                             "Anschrift und Steuernummer oder USt-IdNr. braucht jede Rechnung.")
            : QString());
    const auto row = [&](const char *key, const QString &label,
                         std::function<QString(const QString &)> check = {}) {
        QLineEdit *e = bound(page, "ERechnung", key, label, std::move(check));
        form->addRow(label, e);
        return e;
    };
    row("Firma", QStringLiteral("&Firmenname"));
    row("Strasse", QStringLiteral("&Straße und Hausnummer"));
    QLineEdit *plz = bound(page, "ERechnung", "PLZ", QStringLiteral("Postleitzahl"));
    QLineEdit *ort = bound(page, "ERechnung", "Ort", QStringLiteral("Ort"));
    plz->setMaximumWidth(fontMetrics().averageCharWidth() * 10);
    auto *town = new QHBoxLayout;
    town->addWidget(plz);
    town->addWidget(ort, 1);
    form->addRow(QStringLiteral("&PLZ und Ort"), town);
    static_cast<QLabel *>(form->labelForField(town))->setBuddy(plz);
    QLineEdit *land = row("Land", QStringLiteral("&Land (ISO-Code)"), SettingsChecks::country);
    land->setMaximumWidth(fontMetrics().averageCharWidth() * 8);
    if (land->text().trimmed().isEmpty()) land->setText(QStringLiteral("DE"));
    row("Kontakt", QStringLiteral("&Ansprechpartner"));
    row("Telefon", QStringLiteral("&Telefon"));
    row("EMail", QStringLiteral("&E-Mail"), SettingsChecks::email);
    row("Steuernummer", QStringLiteral("Steuer&nummer"), SettingsChecks::taxNumber)
        ->setPlaceholderText(QStringLiteral("z. B. 026 241 47118"));
    row("UStIdNr", QStringLiteral("&USt-IdNr."), SettingsChecks::vatId)
        ->setPlaceholderText(QStringLiteral("z. B. DE123456789"));
    row("Handelsregister", QStringLiteral("&Handelsregister"))
        ->setPlaceholderText(QStringLiteral("z. B. HRB 4711, Amtsgericht Kassel"));
    row("Geschaeftsfuehrer", QStringLiteral("&Geschäftsführer"));
    return page;
}

QWidget *TFEinstellungen::bankPage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(
        form, QStringLiteral("Auf dieses Konto überweisen Ihre Kunden; es steht auf jeder Rechnung. Die "
                             "Gläubiger-ID braucht nur, wer Rechnungsbeträge per Lastschrift einzieht."));
    const auto row = [&](const char *key, const QString &label,
                         std::function<QString(const QString &)> check = {}) {
        QLineEdit *e = bound(page, "ERechnung", key, label, std::move(check));
        form->addRow(label, e);
        return e;
    };
    row("IBAN", QStringLiteral("&IBAN"), SettingsChecks::iban)
        ->setPlaceholderText(QStringLiteral("z. B. DE02 1203 0000 0000 2020 51"));
    row("BIC", QStringLiteral("&BIC"));
    row("Bank", QStringLiteral("Bank (&Name)"));
    row("GlaeubigerID", QStringLiteral("&Gläubiger-ID (SEPA-Lastschrift)"), SettingsChecks::creditorId)
        ->setPlaceholderText(QStringLiteral("z. B. DE98ZZZ09999999999"));
    return page;
}

QWidget *TFEinstellungen::letterheadPage()
{
    auto *page = new QWidget;
    auto *outer = new QHBoxLayout(page);
    auto *left = new QVBoxLayout;
    outer->addLayout(left, 3);

    // vorgang.txt: name, its font, left and top; addition, font, left, top;
    // the sender line above the recipient.
    QStringList head = m_values.file(QStringLiteral("vorgang.txt")).split(QLatin1Char('\n'));
    while (head.size() < 9)
        head << QString();
    auto *names = new QGroupBox(QStringLiteral("Kopf (vorgang.txt)"), page);
    auto *grid = new QGridLayout(names);
    const auto lineEdit = [&](const char *name, const QString &value) {
        auto *e = new QLineEdit(value, names);
        e->setObjectName(QString::fromLatin1(name));
        connect(e, &QLineEdit::textChanged, this, &TFEinstellungen::updatePreview);
        return e;
    };
    const auto position = [&](const char *name, const QString &value) {
        QSpinBox *s = spin(names, 600, QStringLiteral(" px"));
        s->setObjectName(QString::fromLatin1(name));
        s->setValue(value.trimmed().toInt());
        s->setToolTip(QStringLiteral("Abstand vom Rand in Bildpunkten (96 je Zoll)"));
        connect(s, &QSpinBox::valueChanged, this, &TFEinstellungen::updatePreview);
        return s;
    };
    eName = lineEdit("eName", head.at(0));
    eSchrift = lineEdit("eSchrift", head.at(1));
    sNameLinks = position("sNameLinks", head.at(2));
    sNameOben = position("sNameOben", head.at(3));
    eZusatz = lineEdit("eZusatz", head.at(4));
    eZusatzSchrift = lineEdit("eZusatzSchrift", head.at(5));
    sZusatzLinks = position("sZusatzLinks", head.at(6));
    sZusatzOben = position("sZusatzOben", head.at(7));
    eAbsender = lineEdit("eAbsender", head.at(8));
    const auto label = [names](const QString &caption, QWidget *buddy) {
        auto *l = new QLabel(caption, names);
        l->setBuddy(buddy);
        return l;
    };
    int column = 1;
    for (const char *title : {"Text", "Schrift", "links", "oben"})
        grid->addWidget(new QLabel(QString::fromLatin1(title), names), 0, column++);
    grid->addWidget(label(QStringLiteral("&Name"), eName), 1, 0);
    grid->addWidget(eName, 1, 1);
    grid->addWidget(eSchrift, 1, 2);
    grid->addWidget(sNameLinks, 1, 3);
    grid->addWidget(sNameOben, 1, 4);
    grid->addWidget(label(QStringLiteral("&Zusatz"), eZusatz), 2, 0);
    grid->addWidget(eZusatz, 2, 1);
    grid->addWidget(eZusatzSchrift, 2, 2);
    grid->addWidget(sZusatzLinks, 2, 3);
    grid->addWidget(sZusatzOben, 2, 4);
    grid->addWidget(label(QStringLiteral("Absender&zeile"), eAbsender), 3, 0);
    grid->addWidget(eAbsender, 3, 1, 1, 4);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    left->addWidget(names);

    auto *blocks = new QGridLayout;
    const auto caption = [](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    QPlainTextEdit *first = fileEdit(QStringLiteral("vorgang1.txt"));
    QPlainTextEdit *later = fileEdit(QStringLiteral("vorgang2.txt"));
    blocks->addWidget(caption(QStringLiteral("&Absender Seite 1 (vorgang1.txt)"), first), 0, 0, 1, 2);
    blocks->addWidget(caption(QStringLiteral("Absender &Folgeseiten (vorgang2.txt)"), later), 0, 2, 1, 2);
    blocks->addWidget(first, 1, 0, 1, 2);
    blocks->addWidget(later, 1, 2, 1, 2);
    for (int i = 1; i <= 4; ++i) {
        QPlainTextEdit *f = fileEdit(QStringLiteral("Fuss%1.txt").arg(i));
        blocks->addWidget(caption(QStringLiteral("Fuß &%1").arg(i), f), 2, i - 1);
        blocks->addWidget(f, 3, i - 1);
    }
    left->addLayout(blocks, 1);

    auto *logo = new QHBoxLayout;
    eLogo = new QLineEdit(m_values.key(kPrint, QStringLiteral("Logo")), page);
    eLogo->setObjectName(QStringLiteral("eLogo"));
    eLogo->setReadOnly(true);
    eLogo->setPlaceholderText(QStringLiteral("kein Logo"));
    btLogo = new QPushButton(QStringLiteral("Lo&go …"), page);
    btLogo->setObjectName(QStringLiteral("btLogo"));
    btLogoWeg = new QPushButton(QStringLiteral("Entfernen"), page);
    btLogoWeg->setObjectName(QStringLiteral("btLogoWeg"));
    sLogoLinks = spin(page, 210, QStringLiteral(" mm"));
    sLogoOben = spin(page, 60, QStringLiteral(" mm"));
    sLogoBreite = spin(page, 100, QStringLiteral(" mm"));
    sLogoLinks->setObjectName(QStringLiteral("sLogoLinks"));
    sLogoOben->setObjectName(QStringLiteral("sLogoOben"));
    sLogoBreite->setObjectName(QStringLiteral("sLogoBreite"));
    sLogoLinks->setToolTip(QStringLiteral("Abstand vom linken Rand des Textbereichs"));
    sLogoOben->setToolTip(QStringLiteral("Abstand vom oberen Rand des Textbereichs"));
    sLogoBreite->setToolTip(QStringLiteral("Breite des Logos"));
    const auto number = [&](const char *key, int fallback) {
        bool ok = false;
        const int v = m_values.key(kPrint, QString::fromLatin1(key)).trimmed().toInt(&ok);
        return ok ? v : fallback;
    };
    sLogoLinks->setValue(number("LogoLinks", 95));
    sLogoOben->setValue(number("LogoOben", 0));
    sLogoBreite->setValue(number("LogoBreite", 35));
    logo->addWidget(caption(QStringLiteral("Logo"), btLogo));
    logo->addWidget(eLogo, 1);
    logo->addWidget(btLogo);
    logo->addWidget(btLogoWeg);
    logo->addSpacing(8);
    logo->addWidget(new QLabel(QStringLiteral("links"), page));
    logo->addWidget(sLogoLinks);
    logo->addWidget(new QLabel(QStringLiteral("oben"), page));
    logo->addWidget(sLogoOben);
    logo->addWidget(new QLabel(QStringLiteral("Breite"), page));
    logo->addWidget(sLogoBreite);
    left->addLayout(logo);
    connect(btLogo, &QPushButton::clicked, this, &TFEinstellungen::chooseLogo);
    connect(btLogoWeg, &QPushButton::clicked, this, [this] {
        m_logoSource.clear();
        eLogo->clear();
        updatePreview();
    });
    for (QSpinBox *s : {sLogoLinks, sLogoOben, sLogoBreite})
        connect(s, &QSpinBox::valueChanged, this, &TFEinstellungen::updatePreview);

    btAusFirma = new QPushButton(QStringLiteral("Aus den &Firmendaten ausfüllen"), page);
    btAusFirma->setObjectName(QStringLiteral("btAusFirma"));
    btAusFirma->setToolTip(QStringLiteral("Setzt Kopf, Absender und Fußzeilen aus Firma und Bank zusammen"));
    connect(btAusFirma, &QPushButton::clicked, this, &TFEinstellungen::fillLetterheadFromFirm);
    auto *fillRow = new QHBoxLayout;
    fillRow->addWidget(btAusFirma);
    fillRow->addStretch(1);
    left->addLayout(fillRow);

    Vorschau = new LetterheadPreview(page);
    Vorschau->setObjectName(QStringLiteral("Vorschau"));
    outer->addWidget(Vorschau, 2);
    return page;
}

QWidget *TFEinstellungen::documentsPage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(form);
    QLineEdit *days = bound(page, "Vorgaenge", "Zahlungsziel", QStringLiteral("Zahlungsziel"),
                            [](const QString &t) { return SettingsChecks::number(t, 0, 999); });
    days->setMaximumWidth(fontMetrics().averageCharWidth() * 8);
    days->setPlaceholderText(QStringLiteral("7"));
    auto *dayRow = new QHBoxLayout;
    dayRow->addWidget(days);
    dayRow->addWidget(new QLabel(QStringLiteral("Tage (ein Kunde kann in seiner Adresse ein eigenes haben)")),
                      1);
    form->addRow(QStringLiteral("&Zahlungsziel"), dayRow);
    static_cast<QLabel *>(form->labelForField(dayRow))->setBuddy(days);

    cbSteuerfall = new QComboBox(page);
    cbSteuerfall->setObjectName(QStringLiteral("cbSteuerfall"));
    cbSteuerfall->addItem(QStringLiteral("Regelbesteuerung: mit Umsatzsteuer"), QStringLiteral("0"));
    cbSteuerfall->addItem(QStringLiteral("Kleinunternehmer nach § 19 UStG: ohne Umsatzsteuer"),
                          QStringLiteral("1"));
    const bool small =
        m_values.key(QStringLiteral("Steuer"), QStringLiteral("Kleinunternehmer")).trimmed().toInt() != 0;
    cbSteuerfall->setCurrentIndex(small ? 1 : 0);
    form->addRow(QStringLiteral("&Steuerfall"), cbSteuerfall);

    auto *numbers = new QGroupBox(
        QStringLiteral("Erste Nummer je Vorgangsart (solange es noch keinen Vorgang dieser Art gibt)"), page);
    auto *grid = new QGridLayout(numbers);
    int i = 0;
    for (const auto &type : kTypes) {
        const QString letter = QString::fromLatin1(type[0]);
        const QString caption = QString::fromUtf8(type[1]);
        QLineEdit *e = bound(page, "Nummernkreise", type[0], caption,
                             [](const QString &t) { return SettingsChecks::number(t, 1, 999999999); });
        e->setPlaceholderText(Numbering::builtInStartNumber(letter));
        e->setMaximumWidth(fontMetrics().averageCharWidth() * 12);
        auto *l = new QLabel(caption, numbers);
        l->setBuddy(e);
        grid->addWidget(l, i / 2, (i % 2) * 3);
        grid->addWidget(e, i / 2, (i % 2) * 3 + 1);
        ++i;
    }
    grid->setColumnMinimumWidth(2, fontMetrics().averageCharWidth() * 3);
    grid->setColumnStretch(5, 1);
    form->addRow(numbers);
    return page;
}

QWidget *TFEinstellungen::einvoicePage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(
        form, QStringLiteral("Eine E-Rechnung nimmt die Angaben der Seiten \"Firma\" und \"Bank\". Ohne "
                             "USt-IdNr. erkennt der Empfänger den Rechnungssteller an der "
                             "Handelsregisternummer oder an einer eigenen Kennung."));
    form->addRow(QStringLiteral("&Kennung"), bound(page, "ERechnung", "Kennung", QStringLiteral("Kennung")));
    lFehlt = new QLabel(page);
    lFehlt->setObjectName(QStringLiteral("lFehlt"));
    lFehlt->setWordWrap(true);
    form->addRow(QString(), lFehlt);
    return page;
}

QWidget *TFEinstellungen::dunningPage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(form);
    const auto days = [](int min) {
        return [min](const QString &t) { return SettingsChecks::number(t, min, 3650); };
    };
    const auto row = [&](const char *key, const QString &label, std::function<QString(const QString &)> check,
                         const QString &placeholder) {
        QLineEdit *e = bound(page, "Mahnwesen", key, label, std::move(check));
        e->setPlaceholderText(placeholder);
        e->setMaximumWidth(fontMetrics().averageCharWidth() * 12);
        form->addRow(label, e);
        return e;
    };
    row("Karenztage", QStringLiteral("&Karenztage nach Fälligkeit"), days(0), QStringLiteral("7"));
    row("Abstand", QStringLiteral("&Tage zwischen zwei Stufen"), days(1), QStringLiteral("14"));
    row("Gebuehr1", QStringLiteral("Gebühr &Zahlungserinnerung (€)"), SettingsChecks::amount,
        QStringLiteral("0"));
    row("Gebuehr2", QStringLiteral("Gebühr &1. Mahnung (€)"), SettingsChecks::amount, QStringLiteral("5"));
    row("Gebuehr3", QStringLiteral("Gebühr &2. Mahnung (€)"), SettingsChecks::amount, QStringLiteral("10"));
    row("Pauschale", QStringLiteral("&Pauschale für Firmen (€, 0 = aus)"), SettingsChecks::amount,
        QStringLiteral("0"));
    cbZinsen = new QCheckBox(QStringLiteral("&Verzugszinsen ab der 1. Mahnung berechnen"), page);
    cbZinsen->setObjectName(QStringLiteral("cbZinsen"));
    // Read as the dunning run reads it ("ja", "an", "1", …); a word it does
    // not know shows unticked and stays as typed until the box is changed.
    m_zinsenShown =
        Dunning::Settings::yesNo(m_values.key(QStringLiteral("Mahnwesen"), QStringLiteral("Zinsen")))
            .value_or(false);
    cbZinsen->setChecked(m_zinsenShown);
    form->addRow(QString(), cbZinsen);
    QLineEdit *rates =
        bound(page, "Mahnwesen", "Basiszins", QStringLiteral("Basiszinssatz"), [](const QString &t) {
            QStringList problems;
            Dunning::BaseRates::withChanges(t.trimmed(), &problems);
            return problems.isEmpty()
                       ? QString()
                       : QStringLiteral("Basiszinssatz: %1").arg(problems.join(QStringLiteral("; ")));
        });
    rates->setPlaceholderText(QStringLiteral("2025-07-01:1,27 (die Sätze bis 2026 sind eingebaut)"));
    form->addRow(QStringLiteral("&Basiszinssatz ab Tag"), rates);
    return page;
}

QWidget *TFEinstellungen::serverPage()
{
    QFormLayout *form = nullptr;
    QWidget *page = pageWithForm(
        form,
        QStringLiteral("Mehrere Arbeitsplätze teilen ihre Daten über einen PostgreSQL-Server. Leer: die "
                       "Datenbankdatei dieses Arbeitsplatzes. Eine Änderung gilt ab dem nächsten Start; "
                       "das Kennwort gehört in die Kennwortdatei (.pgpass), nie hierher."));
    QLineEdit *server = bound(page, "DATENBANK", "Verbindung", QStringLiteral("Datenbankserver"),
                              SettingsChecks::serverLocation);
    server->setPlaceholderText(QStringLiteral("postgresql://benutzer@server:5432/tavirel"));
    form->addRow(QStringLiteral("Datenbank&server"), server);
    QLineEdit *reminder =
        bound(page, "Datensicherung", "Erinnerung", QStringLiteral("Erinnerung an die Datensicherung"),
              [](const QString &t) { return SettingsChecks::number(t, 0, 365); });
    reminder->setPlaceholderText(QStringLiteral("7"));
    reminder->setMaximumWidth(fontMetrics().averageCharWidth() * 8);
    auto *row = new QHBoxLayout;
    row->addWidget(reminder);
    row->addWidget(new QLabel(QStringLiteral("Tage nach der letzten Datensicherung (0 = nie)")), 1);
    form->addRow(QStringLiteral("&Erinnerung an die Sicherung"), row);
    static_cast<QLabel *>(form->labelForField(row))->setBuddy(reminder);
    return page;
}

// ---------------------------------------------------------------------------
// behaviour

void TFEinstellungen::showPage(QWidget *page)
{
    if (Seiten) Seiten->setCurrentWidget(page);
    if (Schritte) showStep(int(m_pages.indexOf(page)));
}

void TFEinstellungen::showStep(int step)
{
    if (!Schritte) return;
    step = qBound(0, step, int(m_pages.size()) - 1);
    Schritte->setCurrentIndex(step);
    Schritt->setText(
        QStringLiteral("Schritt %1 von %2: %3").arg(step + 1).arg(m_pages.size()).arg(kSteps.value(step)));
    for (int i = 0; i < m_stepLabels.size(); ++i) {
        QFont f = m_stepLabels.at(i)->font();
        f.setBold(i == step);
        m_stepLabels.at(i)->setFont(f);
        m_stepLabels.at(i)->setEnabled(i <= step);
    }
    const bool last = step == int(m_pages.size()) - 1;
    btZurueck->setEnabled(step > 0);
    btWeiter->setVisible(!last);
    btOk->setVisible(last);
    (last ? btOk : btWeiter)->setDefault(true);
}

void TFEinstellungen::next()
{
    if (!Schritte) return;
    const int step = Schritte->currentIndex();
    // Arriving at the letterhead without one: it is made from the firm's data.
    if (m_pages.at(step + 1) == Vorschau->parentWidget() && eName->text().trimmed().isEmpty() &&
        text(QStringLiteral("Fuss1.txt"))->toPlainText().trimmed().isEmpty())
        fillLetterheadFromFirm();
    showStep(step + 1);
}

void TFEinstellungen::back()
{
    if (Schritte) showStep(Schritte->currentIndex() - 1);
}

void TFEinstellungen::fillLetterheadFromFirm()
{
    const auto v = [this](const char *key) {
        return edit(kFirm, QString::fromLatin1(key))->text().trimmed();
    };
    const QString firma = v("Firma"), strasse = v("Strasse"),
                  ort = (v("PLZ") + QLatin1Char(' ') + v("Ort")).trimmed();
    const auto lines = [](const QStringList &l) {
        QStringList out;
        for (const QString &s : l)
            if (!s.trimmed().isEmpty()) out << s;
        return out.join(QLatin1Char('\n'));
    };
    const auto prefixed = [](const QString &prefix, const QString &value) {
        return value.isEmpty() ? QString() : prefix + value;
    };
    // A long name prints its first word large and the rest beside it, as
    // the letterhead's two lines are meant.
    const qsizetype blank = firma.indexOf(QLatin1Char(' '));
    const bool split = firma.size() > 18 && blank > 0;
    eName->setText(split ? firma.left(blank) : firma);
    eZusatz->setText(split ? firma.mid(blank + 1) : QString());
    if (eSchrift->text().trimmed().isEmpty()) eSchrift->setText(QStringLiteral("Times New Roman"));
    if (eZusatzSchrift->text().trimmed().isEmpty()) eZusatzSchrift->setText(QStringLiteral("Arial"));
    QStringList sender;
    for (const QString &s : {firma, strasse, ort})
        if (!s.isEmpty()) sender << s;
    eAbsender->setText(sender.join(QStringLiteral(" · ")));
    const QString phone = prefixed(QStringLiteral("Tel. "), v("Telefon"));
    text(QStringLiteral("vorgang1.txt"))->setPlainText(lines({strasse, ort, phone, v("EMail")}));
    text(QStringLiteral("vorgang2.txt"))->setPlainText(lines({strasse, ort, phone}));
    text(QStringLiteral("Fuss1.txt"))->setPlainText(lines({firma, strasse, ort}));
    text(QStringLiteral("Fuss2.txt"))
        ->setPlainText(lines({prefixed(QStringLiteral("Telefon "), v("Telefon")), v("EMail")}));
    text(QStringLiteral("Fuss3.txt"))
        ->setPlainText(lines({v("Bank"), v("IBAN").isEmpty() ? QString() : QStringLiteral("IBAN:"), v("IBAN"),
                              prefixed(QStringLiteral("BIC: "), v("BIC"))}));
    text(QStringLiteral("Fuss4.txt"))
        ->setPlainText(lines({prefixed(QStringLiteral("Steuernummer "), v("Steuernummer")),
                              prefixed(QStringLiteral("USt-IdNr. "), v("UStIdNr")), v("Handelsregister"),
                              prefixed(QStringLiteral("Geschäftsführer: "), v("Geschaeftsfuehrer"))}));
}

void TFEinstellungen::chooseLogo()
{
    Dialogs::SaveFileOptions options;
    options.caption = QStringLiteral("Logo wählen");
    options.filter = QStringLiteral("Bilder (*.png *.svg);;Alle Dateien (*)");
    const QString path = Dialogs::instance().openFileName(this, options);
    if (path.isEmpty()) return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if ((suffix != QLatin1String("png") && suffix != QLatin1String("svg")) ||
        LetterheadPreview::loadLogo(path).isNull()) {
        Dialogs::instance().message(
            this, kTitle,
            QStringLiteral(
                "Die Datei %1 ist kein lesbares Bild im Format PNG oder SVG; das Logo bleibt, wie es war.")
                .arg(QDir::toNativeSeparators(path)),
            Dialogs::Warning, Dialogs::Ok);
        return;
    }
    m_logoSource = path;
    eLogo->setText(QStringLiteral("logo.") + suffix);
    updatePreview();
}

void TFEinstellungen::updatePreview()
{
    if (!Vorschau || !eAbsender) return;
    LetterheadPreview::Texts t;
    t.name = eName->text();
    t.nameFont = eSchrift->text();
    t.nameAt = QPoint(sNameLinks->value(), sNameOben->value());
    t.addition = eZusatz->text();
    t.additionFont = eZusatzSchrift->text();
    t.additionAt = QPoint(sZusatzLinks->value(), sZusatzOben->value());
    t.senderLine = eAbsender->text();
    t.sender = text(QStringLiteral("vorgang1.txt"))->toPlainText();
    for (int i = 0; i < 4; ++i)
        t.footer[i] = text(QStringLiteral("Fuss%1.txt").arg(i + 1))->toPlainText();
    const QString logo = m_logoSource.isEmpty() && !eLogo->text().isEmpty()
                             ? QDir(ProgramFolder::dir()).filePath(eLogo->text())
                             : m_logoSource;
    if (!logo.isEmpty()) t.logo = LetterheadPreview::loadLogo(logo);
    t.logoRect = QRectF(sLogoLinks->value(), sLogoOben->value(), sLogoBreite->value(), 0);
    Vorschau->setTexts(t);
}

void TFEinstellungen::updateMissing()
{
    if (!lFehlt) return;
    const SellerData s = SellerData::fromValues([this](const char *key) {
        QLineEdit *e = edit(kFirm, QString::fromLatin1(key));
        return e ? e->text().trimmed() : QString();
    });
    const QStringList missing = s.missing(true);
    lFehlt->setText(
        missing.isEmpty()
            ? QStringLiteral("Die Angaben reichen für E-Rechnungen.")
            : QStringLiteral("Für E-Rechnungen fehlt noch: %1.").arg(missing.join(QStringLiteral(", "))));
}

void TFEinstellungen::collect()
{
    for (const Bound &b : std::as_const(m_bound))
        m_values.setKey(b.section, b.key, b.edit->text().trimmed());
    const QString land = edit(kFirm, QStringLiteral("Land"))->text().trimmed().toUpper();
    m_values.setKey(kFirm, QStringLiteral("Land"), land);
    // The tax number the print names: the VAT id where there is one.
    const QString ustid = edit(kFirm, QStringLiteral("UStIdNr"))->text().trimmed();
    const QString steuernummer = edit(kFirm, QStringLiteral("Steuernummer"))->text().trimmed();
    m_values.setKey(QStringLiteral("UST"), QStringLiteral("ID"), ustid.isEmpty() ? steuernummer : ustid);
    m_values.setKey(QStringLiteral("Steuer"), QStringLiteral("Kleinunternehmer"),
                    cbSteuerfall->currentData().toString());
    if (cbZinsen && cbZinsen->isChecked() != m_zinsenShown)
        m_values.setKey(QStringLiteral("Mahnwesen"), QStringLiteral("Zinsen"),
                        cbZinsen->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    m_values.setFile(QStringLiteral("vorgang.txt"),
                     QStringList{eName->text(), eSchrift->text(), QString::number(sNameLinks->value()),
                                 QString::number(sNameOben->value()), eZusatz->text(), eZusatzSchrift->text(),
                                 QString::number(sZusatzLinks->value()),
                                 QString::number(sZusatzOben->value()), eAbsender->text()}
                         .join(QLatin1Char('\n')));
    for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it)
        m_values.setFile(it.key(), it.value()->toPlainText());
    m_values.setKey(kPrint, QStringLiteral("Logo"), eLogo->text());
    if (!eLogo->text().isEmpty()) {
        m_values.setKey(kPrint, QStringLiteral("LogoLinks"), QString::number(sLogoLinks->value()));
        m_values.setKey(kPrint, QStringLiteral("LogoOben"), QString::number(sLogoOben->value()));
        m_values.setKey(kPrint, QStringLiteral("LogoBreite"), QString::number(sLogoBreite->value()));
    }
}

QString TFEinstellungen::problemOf(const Bound &b) const
{
    if (!b.check) return QString();
    QString problem = b.check(b.edit->text());
    // The firm's VAT id is one of its own country.
    if (problem.isEmpty() && b.section == kFirm && b.key == QLatin1String("UStIdNr"))
        problem = Tax::checkVatIdCountry(edit(kFirm, QStringLiteral("Land"))->text().trimmed().toUpper(),
                                         b.edit->text());
    return problem;
}

void TFEinstellungen::checkTyped(const Bound &b)
{
    const QString problem = problemOf(b);
    QPalette marked = b.edit->style()->standardPalette();
    if (!problem.isEmpty()) marked.setColor(QPalette::Base, QColor(0xfd, 0xe4, 0xe4));
    b.edit->setPalette(marked);
    b.edit->setToolTip(problem);
    if (problem.isEmpty() && lPruefung->property("field").value<QObject *>() != b.edit) return;
    lPruefung->setText(problem);
    lPruefung->setProperty("field", QVariant::fromValue<QObject *>(b.edit));
    lPruefung->setVisible(!problem.isEmpty());
}

bool TFEinstellungen::save()
{
    QStringList problems;
    const Bound *first = nullptr;
    for (const Bound &b : std::as_const(m_bound)) {
        const QString problem = problemOf(b);
        if (problem.isEmpty()) continue;
        problems << problem;
        if (!first) first = &b;
    }
    if (first) {
        showPage(first->page);
        first->edit->setFocus();
        first->edit->selectAll();
        Dialogs::instance().message(this, kTitle,
                                    QStringLiteral("Die Einstellungen wurden nicht gespeichert:\n\n%1")
                                        .arg(problems.join(QLatin1Char('\n'))),
                                    Dialogs::Warning, Dialogs::Ok);
        return false;
    }
    collect();
    try {
        if (!m_logoSource.isEmpty()) {
            const QString target = QDir(ProgramFolder::dir()).filePath(eLogo->text());
            QFile::remove(target);
            if (!QFile::copy(m_logoSource, target))
                throw AppError(
                    QStringLiteral("Das Logo %1 konnte nicht nach %2 kopiert werden")
                        .arg(QDir::toNativeSeparators(m_logoSource), QDir::toNativeSeparators(target)));
            m_logoSource.clear();
        }
        m_values.write();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
        return false;
    }
    // What the modules read once at their start follows at once.
    ProgramValues &values = ProgramValues::instance();
    values.UstId = m_values.key(QStringLiteral("UST"), QStringLiteral("ID"));
    values.Steuer = Tax::Settings::read(ProgramFolder::iniPath());
    return true;
}

namespace SetupAssistant {

bool run(QWidget *parent)
{
    TFEinstellungen assistant(TFEinstellungen::Mode::Assistant, parent);
    return Dialogs::instance().exec(assistant) == QDialog::Accepted;
}

} // namespace SetupAssistant
