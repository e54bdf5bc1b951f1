// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvbezahlen.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/dunning.h"
#include "data/tax.h"
#include "documents/tkalenderform.h"
#include "einvoice/incomingstore.h"
#include "einvoice/supplieraccounts.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbedit.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"
#include "widgets/windowparts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace WindowParts;

namespace {

// The calendar button's picture: a leaf of a tear-off calendar.
QIcon calendarIcon()
{
    QIcon icon;
    for (int size : {16, 20, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        const QColor ink(0x40, 0x48, 0x58);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(2.5, 4.5, 19, 17), 1.5, 1.5);
        p.setBrush(QColor(0xc0, 0x30, 0x30));
        p.drawRect(QRectF(2.5, 4.5, 19, 5));
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7.5, 2.5), QPointF(7.5, 6.5));
        p.drawLine(QPointF(16.5, 2.5), QPointF(16.5, 6.5));
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                p.drawRect(QRectF(5 + col * 4, 11.5 + row * 3.3, 2.2, 2.2));
        icon.addPixmap(pm);
    }
    return icon;
}

template <class C> C *bound(C *control, const char *name, TDataSource *source, const char *field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(source);
    control->setDataField(QString::fromLatin1(field));
    return control;
}

// A figure the window shows but never takes: grey and passed over by Tab.
DBEdit *displayOnly(DBEdit *edit)
{
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    edit->setPalette(pal);
    return edit;
}

} // namespace

TFVbezahlen::TFVbezahlen(QWidget *owner, qint64 documentId)
    : QDialog(owner), vorgangB(this, QStringLiteral("vorgangB")), vorgang1(this, &vorgangB)
{
    setObjectName(QStringLiteral("FVbezahlen"));
    setWindowTitle(QStringLiteral("Vorgangsdaten"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose, false); // made on the stack per use

    vorgangB.setDatabaseName(QStringLiteral("Tavirelmdb"));
    vorgangB.setTableName(QStringLiteral("Vorgang1"));
    vorgangB.addCalcField(QStringLiteral("vkbr"), FieldType::Number);
    vorgangB.OnCalcFields = [this](TVexDaoTable &ds) { vorgangBCalcFields(ds); };
    // A date sets the paid marks; a received invoice's new account is asked about then.
    vorgangB.BeforePost = [this](TVexDaoTable &ds) {
        vorgangBBeforePost(ds);
        checkNewAccount(ds);
    };
    // A reminder cancelled here sets its invoice's level back in the same save.
    vorgangB.AfterPost = [](TVexDaoTable &ds) { Dunning::SetLevelFromReminders(ds); };
    // Connected before any control, so that the amounts already carry the
    // currency of the row when the controls show it.
    connect(&vorgang1, &TDataSource::dataSetChanged, this, &TFVbezahlen::showInOwnCurrency);
    connect(&vorgang1, &TDataSource::currentChanged, this, &TFVbezahlen::showInOwnCurrency);
    connect(&vorgang1, &TDataSource::recordChanged, this, [this](TField *f) {
        if (!f || f->FieldName().compare(QLatin1String("Waehrung"), Qt::CaseInsensitive) == 0)
            showInOwnCurrency();
    });

    // ---- top: navigator and the unpaid-invoices switch
    DBNavigator1 = new DBNavigator(this, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                             DBNavigator::Last | DBNavigator::Post | DBNavigator::Cancel |
                                             DBNavigator::Refresh);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(&vorgang1);
    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("nur offene Rechnungen"));
    SpeedButton2->setToolTip(QStringLiteral("Nur die unbezahlten Rechnungen durchblättern"));
    SpeedButton2->setAutoRaise(true);
    SpeedButton2->setCheckable(true);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    auto *top = new QHBoxLayout;
    top->setSpacing(8);
    top->addWidget(DBNavigator1);
    top->addWidget(SpeedButton2);
    top->addStretch(1);

    // ---- group "Vorgang"
    GroupBox1 = new QGroupBox(QStringLiteral("Vorgang"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    DBEdit1 = displayOnly(bound(new DBEdit(GroupBox1), "DBEdit1", &vorgang1, "Typ"));
    DBEdit1->setFixedWidth(chars(this, 2));
    sVnr = displayOnly(bound(new DBEdit(GroupBox1), "sVnr", &vorgang1, "VorgangNR"));
    sAnschrift = bound(new DBMemo(GroupBox1), "sAnschrift", &vorgang1, "Anschrift");
    sAnschrift->setTabChangesFocus(true);
    sAnschrift->setMinimumHeight(fontMetrics().lineSpacing() * 5 + 10);
    EditDatum = displayOnly(bound(new DBEdit(GroupBox1), "EditDatum", &vorgang1, "Datum"));
    sZieldatum = displayOnly(bound(new DBEdit(GroupBox1), "sZieldatum", &vorgang1, "ZielDatum"));
    for (DBEdit *d : {EditDatum, sZieldatum})
        d->setFixedWidth(dateWidth(this));
    auto *number = new QHBoxLayout;
    number->setSpacing(4);
    number->addWidget(DBEdit1);
    number->addWidget(sVnr, 1);
    auto *g1 = new QGridLayout(GroupBox1);
    g1->setVerticalSpacing(5);
    g1->addWidget(new QLabel(QStringLiteral("Vorgang"), GroupBox1), 0, 0);
    g1->addLayout(number, 0, 1, 1, 3);
    auto *anschriftLabel = new QLabel(QStringLiteral("Anschrift"), GroupBox1);
    anschriftLabel->setBuddy(sAnschrift);
    g1->addWidget(anschriftLabel, 1, 0, Qt::AlignTop);
    g1->addWidget(sAnschrift, 1, 1, 1, 3);
    g1->addWidget(new QLabel(QStringLiteral("Datum"), GroupBox1), 2, 0);
    g1->addWidget(EditDatum, 2, 1);
    g1->addWidget(new QLabel(QStringLiteral("Zahlungsziel:"), GroupBox1), 2, 2, Qt::AlignRight);
    g1->addWidget(sZieldatum, 2, 3);
    g1->setColumnStretch(1, 1);
    g1->setRowStretch(1, 1);

    // ---- group "Status"
    GroupBox2 = new QGroupBox(QStringLiteral("Status"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    DBCheckBox3 =
        bound(new DBCheckBox(QStringLiteral("gedruckt"), GroupBox2), "DBCheckBox3", &vorgang1, "Gedruckt");
    DBCheckBox5 =
        bound(new DBCheckBox(QStringLiteral("weitergeführt"), GroupBox2), "DBCheckBox5", &vorgang1, "Weiter");
    DBCheckBox6 =
        bound(new DBCheckBox(QStringLiteral("erledigt"), GroupBox2), "DBCheckBox6", &vorgang1, "Erledigt");
    DBCheckBox7 =
        bound(new DBCheckBox(QStringLiteral("storniert"), GroupBox2), "DBCheckBox7", &vorgang1, "Storniert");
    DBCheckBox4 =
        bound(new DBCheckBox(QStringLiteral("bezahlt"), GroupBox2), "DBCheckBox4", &vorgang1, "Bezahlt");
    ebezahltDatum = bound(new DBEdit(GroupBox2), "ebezahltDatum", &vorgang1, "BezahltDatum");
    ebezahltDatum->setFixedWidth(dateWidth(this));
    ebezahltDatum->setToolTip(QStringLiteral("Doppelklick: heute bezahlt"));
    ebezahltDatum->installEventFilter(this);
    SpeedButton1 = new QToolButton(GroupBox2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(calendarIcon());
    SpeedButton1->setToolTip(QStringLiteral("Zahlungsdatum aus dem Kalender wählen"));
    SpeedButton1->setAutoRaise(true);
    // Like a speed button it takes no focus, so a typed date stays in its edit.
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    sEK = displayOnly(bound(new DBEdit(GroupBox2), "sEK", &vorgang1, "EK"));
    sVK = displayOnly(bound(new DBEdit(GroupBox2), "sVK", &vorgang1, "VK"));
    sVKbr = displayOnly(bound(new DBEdit(GroupBox2), "sVKbr", &vorgang1, "vkbr"));
    for (DBEdit *amount : {sEK, sVK, sVKbr}) {
        amount->setAlignment(Qt::AlignRight);
        amount->setFixedWidth(chars(this, 14));
    }

    auto *g2 = new QGridLayout(GroupBox2);
    g2->setVerticalSpacing(3);
    auto *marks = new QGridLayout;
    marks->setHorizontalSpacing(12);
    marks->addWidget(DBCheckBox3, 0, 0);
    marks->addWidget(DBCheckBox5, 0, 1);
    marks->addWidget(DBCheckBox6, 1, 0);
    marks->addWidget(DBCheckBox7, 1, 1);
    g2->addLayout(marks, 0, 0, 1, 2);
    auto *paid = new QHBoxLayout;
    paid->setSpacing(4);
    paid->addWidget(DBCheckBox4);
    paid->addSpacing(6);
    auto *amLabel = new QLabel(QStringLiteral("am:"), GroupBox2);
    amLabel->setBuddy(ebezahltDatum);
    paid->addWidget(amLabel);
    paid->addWidget(ebezahltDatum);
    paid->addWidget(SpeedButton1);
    paid->addStretch(1);
    g2->addLayout(paid, 1, 0, 1, 2);
    g2->addWidget(new QLabel(QStringLiteral("EK netto"), GroupBox2), 2, 0);
    g2->addWidget(sEK, 2, 1, Qt::AlignLeft);
    g2->addWidget(new QLabel(QStringLiteral("VK netto"), GroupBox2), 3, 0);
    g2->addWidget(sVK, 3, 1, Qt::AlignLeft);
    g2->addWidget(new QLabel(QStringLiteral("VK brutto"), GroupBox2), 4, 0);
    g2->addWidget(sVKbr, 4, 1, Qt::AlignLeft);
    g2->setRowStretch(5, 1);

    auto *groups = new QHBoxLayout;
    groups->setSpacing(8);
    groups->addWidget(GroupBox1, 1);
    groups->addWidget(GroupBox2);

    // ---- buttons and status bar
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Abbruch"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel1 = new QLabel(QStringLiteral("Doppelklick auf Datumsfeld für Tagesdatum"), StatusBar1);
    StatusPanel1->setMinimumWidth(220);
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setTextFormat(Qt::PlainText);
    StatusPanel2->setFixedWidth(50);
    StatusBar1->addWidget(StatusPanel1, 1);
    StatusBar1->addWidget(StatusPanel2);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(8, 6, 8, 6);
    body->setSpacing(6);
    body->addLayout(top);
    body->addLayout(groups, 1);
    body->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(body, 1);
    outer->addWidget(StatusBar1);

    setTabOrder(sAnschrift, DBCheckBox3);
    setTabOrder(DBCheckBox3, DBCheckBox5);
    setTabOrder(DBCheckBox5, DBCheckBox6);
    setTabOrder(DBCheckBox6, DBCheckBox7);
    setTabOrder(DBCheckBox7, DBCheckBox4);
    setTabOrder(DBCheckBox4, ebezahltDatum);
    setTabOrder(ebezahltDatum, Button1);
    setTabOrder(Button1, Button2);

    connect(SpeedButton1, &QToolButton::clicked, this, &TFVbezahlen::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFVbezahlen::SpeedButton2Click);
    connect(Button1, &QPushButton::clicked, this, &TFVbezahlen::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFVbezahlen::Button2Click);

    // All documents, positioned on the list's one without filtering: the
    // navigator still reaches every document. Not found (an empty list reads
    // id 0): the first document of the table.
    vorgangB.Open();
    vorgangB.setFilter(QStringLiteral("id = ") + QString::number(documentId));
    vorgangB.FindFirst();
    showInOwnCurrency();

    setMinimumSize(486, 238);
    // As low as the address's four lines allow: the memo need not be taller.
    resize(qMax(486, sizeHint().width()), qMax(238, minimumSizeHint().height()));
    ebezahltDatum->setFocus();
}

TFVbezahlen::~TFVbezahlen()
{
    deleteChildren(this);
}

bool TFVbezahlen::editing() const
{
    return vorgangB.State() == DataSetState::Edit || vorgangB.State() == DataSetState::Insert;
}

void TFVbezahlen::vorgangBCalcFields(TVexDaoTable &ds)
{
    TField *vkbr = ds.FieldByName(QStringLiteral("vkbr"));
    if (ds.FieldByName(QStringLiteral("vk"))->IsNull()) return vkbr->Clear(); // no net amount, no gross one
    // A received invoice partly paid in advance: what it leaves to pay.
    const TField *due = ds.FindField(QStringLiteral("zahlbetrag"));
    vkbr->SetAsFloat(due && !due->IsNull() ? due->AsFloat() : double(Money::toAmount(Tax::grossOf(ds))));
}

void TFVbezahlen::vorgangBBeforePost(TVexDaoTable &ds)
{
    // A payment date typed in means what a picked or double-clicked one
    // means: paid and done. One in the future is asked about once.
    const TField *datum = ds.FieldByName(QStringLiteral("bezahltdatum"));
    if (datum->IsNull()) return;
    const QDate day = datum->AsDate();
    TVexDaoTable stored(nullptr, QStringLiteral("bezahltVorher"));
    stored.setDatabase(ds.Database());
    stored.SQL() << QStringLiteral("select bezahltdatum, bezahlt from vorgang1 where id = %1")
                        .arg(ds.FieldByName(QStringLiteral("id"))->AsInteger());
    stored.Open();
    const bool changed = stored.IsEmpty() || stored.Fields(0)->IsNull() || stored.Fields(0)->AsDate() != day;
    if (!changed) return;
    if (day > Today() && m_confirmedFuture != day) {
        m_declined =
            Dialogs::instance().message(
                this, QStringLiteral("Zahlung"),
                QStringLiteral("Das Zahlungsdatum %1 liegt in der Zukunft. Soll der Vorgang trotzdem als "
                               "an diesem Tag bezahlt eingetragen werden?")
                    .arg(German::formatDate(day)),
                Dialogs::Question, Dialogs::Yes | Dialogs::No, Dialogs::No) != Dialogs::Yes;
        if (m_declined)
            throw AppError(
                QStringLiteral("Das Zahlungsdatum %1 liegt in der Zukunft; die Zahlung wurde nicht "
                               "eingetragen.")
                    .arg(German::formatDate(day)));
        m_confirmedFuture = day;
    }
    ds.FieldByName(QStringLiteral("bezahlt"))->SetAsBoolean(true);
    ds.FieldByName(QStringLiteral("erledigt"))->SetAsBoolean(true);
}

void TFVbezahlen::showInOwnCurrency()
{
    // Nothing to change on an empty table: the marks would make a new document.
    const bool any = vorgangB.Active() && !vorgangB.IsEmpty();
    GroupBox1->setEnabled(any);
    GroupBox2->setEnabled(any);
    if (!vorgangB.Active()) return;
    const QString currency = any ? vorgangB.FieldByName(QStringLiteral("Waehrung"))->AsString() : QString();
    const QString mask = QStringLiteral("#,##0.00 ") + currency;
    // Rounded as the print rounds them.
    for (const char *name : {"ek", "vk", "vkbr"})
        if (TField *f = vorgangB.FindField(QString::fromLatin1(name))) {
            f->DisplayFormat = mask;
            f->Currency = true;
        }
}

bool TFVbezahlen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ebezahltDatum && event->type() == QEvent::MouseButtonDblClick) {
        ebezahltDatumDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFVbezahlen::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

void TFVbezahlen::markPaid(const QString &dateText)
{
    if (!vorgangB.Active() || vorgangB.IsEmpty()) return;
    try {
        vorgangB.Edit();
        vorgangB.FieldByName(QStringLiteral("bezahltdatum"))->SetAsString(dateText);
        vorgangB.FieldByName(QStringLiteral("bezahlt"))->SetAsBoolean(true);
        vorgangB.FieldByName(QStringLiteral("erledigt"))->SetAsBoolean(true);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void TFVbezahlen::checkNewAccount(TVexDaoTable &ds)
{
    // A received invoice that asks for payment to an account its supplier is
    // not known to use is paid only once the user has confirmed the account.
    if (ds.FieldByName(QStringLiteral("typ"))->AsString() != IncomingTypeLetter() ||
        !ds.FieldByName(QStringLiteral("bezahlt"))->AsBoolean())
        return;
    const auto u =
        SupplierAccounts::unconfirmed(*ds.Database(), ds.FieldByName(QStringLiteral("id"))->AsInteger());
    if (!u) return;
    const QString number = ds.FieldByName(QStringLiteral("vorgangnr"))->AsString();
    if (Dialogs::instance().message(
            this, QStringLiteral("Zahlung"),
            QStringLiteral(
                "Die Eingangsrechnung %1 verlangt die Zahlung auf ein neues Konto.\n\n%2\n\n"
                "Ist das Konto beim Lieferanten bestätigt? „Ja“ merkt es als Konto des Lieferanten "
                "und trägt die Zahlung ein, „Nein“ trägt sie nicht ein.")
                .arg(number, u->text),
            Dialogs::Warning, Dialogs::Yes | Dialogs::No, Dialogs::No) != Dialogs::Yes)
        throw AppError(QStringLiteral("Die Zahlung der Eingangsrechnung %1 wurde nicht eingetragen: das neue "
                                      "Konto ist nicht bestätigt.")
                           .arg(number),
                       AppError::Kind::Refused);
    SupplierAccounts::confirm(*ds.Database(), *u);
}

void TFVbezahlen::ebezahltDatumDblClick()
{
    markPaid(German::formatDate(Today()));
}

void TFVbezahlen::SpeedButton1Click()
{
    TKalenderform calendar(this);
    Dialogs::instance().exec(calendar);
    if (!calendar.SelectedDateText.isEmpty()) markPaid(calendar.SelectedDateText);
}

void TFVbezahlen::SpeedButton2Click()
{
    // Once on, the filter stays for as long as the window is open.
    SpeedButton2->setChecked(true);
    if (vorgangB.Filtered()) return;
    try {
        // Opened on a received invoice, it pages through the unpaid received ones.
        const bool incoming = vorgangB.FieldByName(QStringLiteral("typ"))->AsString() == QLatin1String("E");
        vorgangB.setFilter(incoming ? QStringLiteral("not bezahlt and typ = 'E'")
                                    : QStringLiteral("not bezahlt and typ = 'R'"));
        vorgangB.setFiltered(true);
        SpeedButton2->setEnabled(false);
    } catch (const AppError &e) {
        SpeedButton2->setChecked(false);
        ShowErrorBox(e.message(), this);
    }
}

void TFVbezahlen::Button1Click()
{
    // A typed date that is no date keeps the window open with its message.
    if (!PendingEdits::writeAll(this)) return;
    if (editing()) {
        m_declined = false;
        try {
            vorgangB.Post();
        } catch (const AppError &e) {
            // "Nein" to a date in the future was the answer already.
            if (!m_declined) ShowErrorBox(e.message(), this);
            ebezahltDatum->setFocus();
            return;
        }
    }
    accept();
}

void TFVbezahlen::Button2Click()
{
    reject();
}

void TFVbezahlen::reject()
{
    if (editing()) vorgangB.Cancel();
    QDialog::reject();
}
