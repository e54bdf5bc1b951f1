// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfartikel.h"

#include "articles/core/articlechangeover.h"
#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/textfiles.h"
#include "data/dates.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "data/tdata.h"
#include "documents/tftedit.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

using namespace WindowParts;

namespace {

const QString kTitle = QStringLiteral("Tavirelsverwaltung");

// The currency buttons show their currency: a coin with "€" or "DM".
QIcon currencyIcon(const QString &text, const QColor &colour)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour.darker(140), size / 16.0));
        p.setBrush(colour.lighter(175));
        p.drawEllipse(QRectF(0.75, 0.75, size - 1.5, size - 1.5));
        QFont f(QStringLiteral("Liberation Sans"));
        f.setBold(true);
        f.setPixelSize(text.size() > 1 ? size * 7 / 16 : size * 11 / 16);
        p.setFont(f);
        p.setPen(colour.darker(160));
        p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, text);
        icon.addPixmap(pm);
    }
    return icon;
}

// The article buttons: a parcel with a green plus or a red minus.
QIcon parcelIcon(bool add)
{
    QIcon icon;
    for (int size : {16, 20, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        const QColor ink(0x5a, 0x40, 0x1e);
        p.setPen(QPen(ink, 1.2));
        p.setBrush(QColor(0xd8, 0xb0, 0x78));
        p.drawRect(QRectF(2.5, 7.5, 14, 12));
        p.setBrush(QColor(0xe8, 0xc8, 0x98));
        p.drawPolygon(
            QPolygonF({QPointF(2.5, 7.5), QPointF(6.5, 3.5), QPointF(20.5, 3.5), QPointF(16.5, 7.5)}));
        p.drawLine(QPointF(9.5, 7.5), QPointF(9.5, 12.5));
        const QColor badge = add ? QColor(0x2e, 0x8b, 0x3a) : QColor(0xc0, 0x30, 0x30);
        p.setPen(QPen(badge.darker(130), 1));
        p.setBrush(badge);
        p.drawEllipse(QRectF(12.5, 12.5, 11, 11));
        p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15.3, 18), QPointF(20.7, 18));
        if (add) p.drawLine(QPointF(18, 15.3), QPointF(18, 20.7));
        icon.addPixmap(pm);
    }
    return icon;
}

template <class C> C *bound(C *control, const char *name, const QString &field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setDataSource(&Data->ArtikelQ);
    control->setDataField(field);
    return control;
}

// A read-only display of a calculated figure: grey and passed over by Tab.
void displayOnly(DBEdit *edit)
{
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, edit->palette().color(QPalette::Window));
    edit->setPalette(pal);
}

// The text as a whole number, the way the program's conversion reads it.
int wholeNumber(const QString &text)
{
    qint64 n = 0;
    if (!German::parseInteger(text, &n) || n < INT_MIN || n > INT_MAX)
        throw AppError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
    return int(n);
}

} // namespace

TFartikel::TFartikel(QWidget *parent) : QWidget(parent)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("Fartikel"));
    setWindowTitle(QStringLiteral("Artikel"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    buildToolBar();
    outer->addWidget(ToolBar1);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    buildPanel();
    body->addWidget(Panel2);
    buildList();
    body->addWidget(DBGrid2, 1);
    outer->addLayout(body, 1);

    resize(1000, 640);
    FormCreate();
}

TFartikel::~TFartikel()
{
    deleteChildren(this);
}

TVexDaoTable &TFartikel::artikel() const
{
    return Data->Artikel;
}

// ---------------------------------------------------------------------------
// building the window

void TFartikel::buildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    ToolBar1->setMovable(false);

    ToolButton2 = toolButton(ToolBar1, "ToolButton2", QStringLiteral("Artikel hinzufügen"), parcelIcon(true));
    connect(ToolButton2, &QToolButton::clicked, this, &TFartikel::ToolButton2Click);
    ToolButton5 = toolButton(ToolBar1, "ToolButton5", QStringLiteral("Artikel löschen"), parcelIcon(false));
    connect(ToolButton5, &QToolButton::clicked, this, &TFartikel::ToolButton5Click);
    ToolBar1->addSeparator();

    Navigator = new DBNavigator(ToolBar1, DBNavigator::First | DBNavigator::Prior | DBNavigator::Next |
                                              DBNavigator::Last | DBNavigator::Post | DBNavigator::Cancel);
    Navigator->setObjectName(QStringLiteral("DBNavigator"));
    Navigator->setDataSource(&Data->ArtikelQ);
    ToolBar1->addWidget(Navigator);
    ToolBar1->addSeparator();

    dmbt = toolButton(ToolBar1, "dmbt", QStringLiteral("Alle Artikel auf DM setzen"),
                      currencyIcon(QStringLiteral("DM"), QColor(0x80, 0x60, 0x20)));
    dmbtItem = ToolBar1->actions().constLast();
    connect(dmbt, &QToolButton::clicked, this, &TFartikel::dmbtClick);
    eurbt = toolButton(ToolBar1, "eurbt", QStringLiteral("Alle Artikel von DM in Euro umrechnen"),
                       currencyIcon(QStringLiteral("€"), QColor(0x1e, 0x50, 0xb4)));
    eurbtItem = ToolBar1->actions().constLast();
    connect(eurbt, &QToolButton::clicked, this, &TFartikel::eurbtClick);
}

void TFartikel::buildPanel()
{
    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    // Amounts as wide as a price in the millions with its sign needs, in the font in use.
    const int amount = fontMetrics().horizontalAdvance(QStringLiteral("-9.999.999,99")) + 16;

    eBeschreibung = bound(new DBEdit, "eBeschreibung", QStringLiteral("Beschreibung"));
    EditArtNr = bound(new DBEdit, "EditArtNr", QStringLiteral("Art-Nr"));
    MemoBezeichnung = bound(new DBMemo, "MemoBezeichnung", QStringLiteral("Bezeichnung"));
    MemoBezeichnung->setTabChangesFocus(true);
    MemoBezeichnung->setMinimumHeight(fontMetrics().lineSpacing() * 5 + 12);
    cEinheit = bound(new DBComboBox, "cEinheit", QStringLiteral("Einheit"));
    cEinheit->setEditable(true);
    cEinheit->lineEdit()->setMaxLength(4); // the stored unit has four characters
    cEinheit->setFixedWidth(chars(this, 9));
    SpeedButton2 = new QToolButton;
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("..."));
    SpeedButton2->setToolTip(QStringLiteral("Einheiten bearbeiten"));
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFartikel::Button1Click);
    cMwst = bound(new DBComboBox, "cMwst", QStringLiteral("MwstSatz"));
    cMwst->setEditable(true);
    cMwst->setFixedWidth(chars(this, 9));
    cMwst->setToolTip(
        QStringLiteral("Mehrwertsteuersatz in Prozent, mit dem eine Position dieses Artikels beginnt"));
    DBEdit3 = bound(new DBEdit, "DBEdit3", QStringLiteral("Waehrung"));
    DBEdit3->setFixedWidth(chars(this, 6));

    EditEK = bound(new DBEdit, "EditEK", QStringLiteral("EK"));
    EditEK->setAlignment(Qt::AlignRight);
    EditEK->setFixedWidth(amount);
    SpeedButton1 = new QToolButton;
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("90 %"));
    SpeedButton1->setToolTip(QStringLiteral("Einkaufspreis um 10 % senken"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton1, &QToolButton::clicked, this, &TFartikel::SpeedButton1Click);
    gewinnbox = new QComboBox;
    gewinnbox->setObjectName(QStringLiteral("gewinnbox"));
    gewinnbox->setEditable(true);
    gewinnbox->setInsertPolicy(QComboBox::NoInsert);
    gewinnbox->setCompleter(nullptr); // "1" is one percent, not the item "10"
    gewinnbox->addItems(
        {QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20")});
    gewinnbox->setCurrentIndex(-1);
    gewinnbox->setEditText(QString());
    gewinnbox->setToolTip(QStringLiteral("Aufschlag auf den Einkaufspreis"));
    gewinnbox->setFixedWidth(chars(this, 7));
    connect(gewinnbox, &QComboBox::editTextChanged, this, &TFartikel::gewinnboxChange);

    EditVK = bound(new DBEdit, "EditVK", QStringLiteral("VK"));
    EditVK->setAlignment(Qt::AlignRight);
    EditVK->setFixedWidth(amount);
    DBEdit1 = bound(new DBEdit, "DBEdit1", QStringLiteral("Gewinn"));
    DBEdit1->setAlignment(Qt::AlignRight);
    DBEdit1->setMinimumWidth(amount);
    displayOnly(DBEdit1);
    DBText1 = bound(new DBText, "DBText1", QStringLiteral("Preisdatum"));
    DBText1->setMinimumWidth(chars(this, 10));
    DBEdit2 = bound(new DBEdit, "DBEdit2", QStringLiteral("VKbrutto"));
    DBEdit2->setAlignment(Qt::AlignRight);
    DBEdit2->setMinimumWidth(amount);
    displayOnly(DBEdit2);
    MemoNotizen = bound(new DBMemo, "MemoNotizen", QStringLiteral("Notizen"));
    MemoNotizen->setTabChangesFocus(true);
    Progress = new QProgressBar;
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setTextVisible(false);
    Progress->hide();

    auto *form = new QGridLayout(Panel2);
    form->setContentsMargins(8, 8, 8, 8);
    form->setHorizontalSpacing(6);
    form->setVerticalSpacing(6);
    form->setColumnStretch(1, 1);
    const auto row = [](std::initializer_list<QWidget *> widgets, bool stretch = true) {
        auto *h = new QHBoxLayout;
        h->setSpacing(4);
        for (QWidget *w : widgets)
            h->addWidget(w);
        if (stretch) h->addStretch(1);
        return h;
    };
    int r = 0;
    form->addWidget(label(QStringLiteral("Titel"), eBeschreibung), r, 0);
    form->addWidget(eBeschreibung, r++, 1);
    form->addWidget(label(QStringLiteral("Art-Nr"), EditArtNr), r, 0);
    form->addWidget(EditArtNr, r++, 1);
    form->addWidget(label(QStringLiteral("Bezeichnung"), MemoBezeichnung), r, 0, Qt::AlignTop);
    form->addWidget(MemoBezeichnung, r++, 1);
    form->setRowStretch(r - 1, 2);
    form->addWidget(label(QStringLiteral("Einheit"), cEinheit), r, 0);
    form->addLayout(row({cEinheit, SpeedButton2}), r++, 1);
    form->addWidget(label(QStringLiteral("MwSt. %"), cMwst), r, 0);
    form->addLayout(row({cMwst}), r++, 1);
    form->addWidget(label(QStringLiteral("Währung"), DBEdit3), r, 0);
    form->addLayout(row({DBEdit3}), r++, 1);
    form->addWidget(label(QStringLiteral("EK"), EditEK), r, 0);
    form->addLayout(row({EditEK, SpeedButton1, gewinnbox, new QLabel(QStringLiteral("%"))}), r++, 1);
    form->addWidget(label(QStringLiteral("VK"), EditVK), r, 0);
    auto *vkRow = row({EditVK, label(QStringLiteral("Gewinn"), DBEdit1)}, false);
    vkRow->addWidget(DBEdit1, 1);
    form->addLayout(vkRow, r++, 1);
    form->addWidget(label(QStringLiteral("Preis vom:")), r, 0);
    auto *dateRow = row({DBText1, label(QStringLiteral("Brutto"), DBEdit2)}, false);
    dateRow->addWidget(DBEdit2, 1);
    form->addLayout(dateRow, r++, 1);
    form->addWidget(label(QStringLiteral("Notizen"), MemoNotizen), r, 0, Qt::AlignTop);
    form->addWidget(MemoNotizen, r++, 1);
    form->setRowStretch(r - 1, 3);
    form->addWidget(Progress, r++, 0, 1, 2);

    // 281 pixels at the original's font; wider where the font or the
    // fields need it, so that no field is cut and no button covers one.
    Panel2->setFixedWidth(qMax(281, Panel2->minimumSizeHint().width()));

    // Title, number, description, unit, EK, markup, VK, notes, currency.
    setTabOrder(eBeschreibung, EditArtNr);
    setTabOrder(EditArtNr, MemoBezeichnung);
    setTabOrder(MemoBezeichnung, cEinheit);
    setTabOrder(cEinheit, cMwst);
    setTabOrder(cMwst, EditEK);
    setTabOrder(EditEK, gewinnbox);
    setTabOrder(gewinnbox, EditVK);
    setTabOrder(EditVK, MemoNotizen);
    setTabOrder(MemoNotizen, DBEdit3);
}

void TFartikel::buildList()
{
    DBGrid2 = new DBGrid(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setReadOnly(true);
    DBGrid2->setRowSelect(true);
    DBGrid2->setDataSource(&Data->ArtikelQ);
    DBGridColumn number(QStringLiteral("Art-Nr"), QString(), chars(this, 14));
    number.wholeValues = true;
    DBGrid2->setColumns(
        {number, DBGridColumn(QStringLiteral("Beschreibung"), QString(), chars(this, 44)),
         DBGridColumn(QStringLiteral("VK"), QString(), chars(this, 11)),
         DBGridColumn(QStringLiteral("EK"), QString(), chars(this, 11)),
         DBGridColumn(QStringLiteral("Waehrung"), QStringLiteral("Währung"), chars(this, 8))});
    // The title takes the room there is, up to a readable length; the figures
    // stay near it on wide screens.
    DBGrid2->setFillColumn(1, chars(this, 36), chars(this, 90));
    // The chosen article stays marked while the user types in the panel.
    QPalette pal = DBGrid2->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    DBGrid2->setPalette(pal);
}

// ---------------------------------------------------------------------------
// creation, activation, closing

void TFartikel::FormCreate()
{
    // Money figures of the calculated fields read like the prices beside them.
    for (const char *name : {"Gewinn", "vkbrutto"})
        if (TField *f = artikel().FindField(QString::fromLatin1(name)); f && f->DisplayFormat.isEmpty())
            f->DisplayFormat = QStringLiteral("#,#0.00");

    QStringList rates;
    for (double r : ProgramValues::instance().Steuer.rates.choicesAt(Today()))
        rates << Tax::rateText(r);
    cMwst->setItems(rates);
    // A file that could not be brought up to date keeps no rate per article.
    cMwst->setEnabled(artikel().Active() && artikel().FindField(QStringLiteral("MwstSatz")));
    try {
        loadUnits();
    } catch (const AppError &e) {
        // The window opens with an empty unit list. The currency buttons are
        // decided all the same: offering the DM labelling by accident could
        // mislabel a catalogue already in euro.
        cEinheit->setItems({});
        ShowErrorBox(e.message(), this);
    }
    const TField *waehrung = artikel().Active() ? artikel().FindField(QStringLiteral("Waehrung")) : nullptr;
    const QString currency = waehrung ? waehrung->AsString() : QString();
    dmbtItem->setVisible(currency != QLatin1String("DM") && currency != QStringLiteral("€"));
    eurbtItem->setVisible(!ArticleChangeover::EuroDone(ProgramFolder::iniPath()));
}

void TFartikel::loadUnits()
{
    QStringList units = TextFiles::loadLines(ProgramFolder::file(QStringLiteral("einheit.txt")));
    for (QString &u : units)
        u = u.trimmed();
    units.removeAll(QString());
    cEinheit->setItems(units);
}

void TFartikel::FormActivate()
{
    m_active = true;
    // A value its field refused has been said once; it waits in its control.
    if (PendingEdits::refusedControl(this)) return;
    guarded([this] {
        if (!artikel().Active()) return;
        artikel().OrderByField(QStringLiteral("Art-Nr"));
        // The filter text is empty: switching it on shows every article again,
        // read afresh, with the first one current.
        if (artikel().Filtered()) {
            artikel().Refresh();
            artikel().First();
        } else {
            artikel().setFiltered(true);
        }
    });
}

void TFartikel::FormDeactivate()
{
    m_active = false;
    if (PendingEdits::refusedControl(this)) return;
    guarded([this] {
        if (!artikel().Active()) return;
        dropUntouchedNew();
        if (artikel().Filtered()) {
            artikel().setFiltered(false);
        } else {
            artikel().Refresh();
            artikel().First();
        }
    });
}

void TFartikel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    followArea();
}

bool TFartikel::event(QEvent *event)
{
    // Standing alone (not inside the main window) the window is active when
    // the window system says so; a dialog opened from it is no deactivation.
    if (event->type() == QEvent::WindowActivate && isWindow() && !m_active) FormActivate();
    if (event->type() == QEvent::ParentChange) followArea();
    return QWidget::event(event);
}

void TFartikel::followArea()
{
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    QMdiArea *area = frame ? frame->mdiArea() : nullptr;
    if (area == m_area) return;
    if (m_area) disconnect(m_area, nullptr, this, nullptr);
    m_area = area;
    if (!area) return;
    // Only another child becoming active deactivates this one; a dialog or
    // another program taking the focus (no active child at all) does not.
    connect(area, &QMdiArea::subWindowActivated, this, &TFartikel::areaActivated);
    if (area->currentSubWindow() == frame) areaActivated(frame);
}

void TFartikel::areaActivated(QMdiSubWindow *frame)
{
    if (!frame || m_closed) return;
    const bool mine = frame == parentWidget();
    if (mine && !m_active)
        FormActivate();
    else if (!mine && m_active)
        FormDeactivate();
}

void TFartikel::closeEvent(QCloseEvent *event)
{
    // The typed text is written and checked before the question about it:
    // a value its field refuses keeps the window, with the message once.
    if (!PendingEdits::writeAll(this)) {
        event->ignore();
        return;
    }
    TVexDaoTable &a = artikel();
    guarded([this] { dropUntouchedNew(); });
    if (a.Active() && editingOrInserting(a)) {
        if (a.Modified()) {
            switch (Dialogs::instance().message(
                this, kTitle,
                QStringLiteral(
                    "Der aktuelle Datensatz ist noch nicht gespeichert. Wollen Sie jetzt speichern?"),
                Dialogs::Question, Dialogs::Yes | Dialogs::No | Dialogs::Cancel, Dialogs::Yes)) {
            case Dialogs::Yes:
                try {
                    a.Post();
                } catch (const AppError &e) {
                    // Not saved: the window stays so that nothing typed is lost unseen.
                    ShowErrorBox(e.message(), this);
                    event->ignore();
                    return;
                }
                break;
            case Dialogs::No:
                a.Cancel();
                break;
            default:
                event->ignore();
                return;
            }
        }
    }
    event->accept();
    FormClose();
}

void TFartikel::FormClose()
{
    if (m_closed) return;
    m_closed = true;
    FormDeactivate();
    if (m_area) disconnect(m_area, nullptr, this, nullptr);
    // The main window's frame empties the reference as well; a window that
    // closes on its own must not leave it behind either.
    forgetWindow(WindowKind::Artikel, this);
}

void TFartikel::guarded(const std::function<void()> &work)
{
    ShowErrorsOf(this, work);
}

// ---------------------------------------------------------------------------
// articles

bool TFartikel::dropUntouchedNew()
{
    // A new article nothing was typed into is no article: it goes unsaved
    // and unasked (its defaults alone make nothing worth keeping).
    TVexDaoTable &a = artikel();
    if (!a.Active() || a.State() != DataSetState::Insert || a.Touched()) return false;
    a.Cancel();
    return true;
}

void TFartikel::ToolButton2Click()
{
    if (!PendingEdits::writeAll(this)) return;
    guarded([this] {
        dropUntouchedNew();
        artikel().Insert();
    });
    if (editingOrInserting(artikel())) eBeschreibung->setFocus();
}

void TFartikel::ToolButton5Click()
{
    TVexDaoTable &a = artikel();
    if (!a.Active() || a.IsEmpty()) return;
    if (Dialogs::instance().message(this, kTitle, QStringLiteral("Wollen Sie wirklich löschen?"),
                                    Dialogs::Question, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    guarded([&a] { a.Delete(); });
}

void TFartikel::Button1Click()
{
    const QString path = ProgramFolder::file(QStringLiteral("einheit.txt"));
    {
        TFtedit editor(this);
        editor.SetFileName(path);
        try {
            editor.LoadFile();
        } catch (const AppError &e) {
            ShowErrorBox(e.message(), this);
            return;
        }
        Dialogs::instance().exec(editor);
    }
    guarded([this] { loadUnits(); });
}

void TFartikel::gewinnboxChange(const QString &text)
{
    guarded([&] {
        TVexDaoTable &a = artikel();
        a.Edit();
        const int p = wholeNumber(text);
        TField *ek = a.FieldByName(QStringLiteral("EK"));
        a.FieldByName(QStringLiteral("VK"))->SetAsFloat(double((p / 100.0L + 1.0L) * ek->AsFloat()));
    });
}

void TFartikel::SpeedButton1Click()
{
    guarded([this] {
        TVexDaoTable &a = artikel();
        if (editingOrInserting(a)) a.Post();
        a.Edit();
        TField *ek = a.FieldByName(QStringLiteral("EK"));
        ek->SetAsFloat(double(static_cast<long double>(ek->AsFloat()) * 0.9L));
    });
}

// ---------------------------------------------------------------------------
// the currency changeover

bool TFartikel::runOverArticles(const std::function<void(const std::function<void(int)> &)> &work,
                                const QString &whatFailed)
{
    TVexDaoTable &a = artikel();
    QString error;
    a.DisableControls();
    {
        // The display comes back and the bar goes whatever the run does.
        auto resume = qScopeGuard([&] {
            a.EnableControls();
            Progress->hide();
        });
        Progress->setRange(0, a.Active() ? qMax(a.RecordCount(), 1) : 1);
        Progress->setValue(0);
        Progress->show();
        try {
            work([this](int n) { Progress->setValue(n); });
        } catch (const AppError &e) {
            error = e.message();
        }
    }
    if (error.isEmpty()) return true;
    ShowErrorBox(error + QStringLiteral("\n\n") + whatFailed, this);
    return false;
}

void TFartikel::eurbtClick()
{
    const QString ini = ProgramFolder::iniPath();
    if (ArticleChangeover::EuroDone(ini)) {
        Dialogs::instance().message(this, QStringLiteral("Euroumrechnung"),
                                    QStringLiteral("Artikel sind schon in Euro umgerechnet worden!"),
                                    Dialogs::NoIcon, Dialogs::Ok);
        return;
    }
    if (Dialogs::instance().message(
            this, kTitle, QStringLiteral("Alle Artikel werden jetzt von DM in EURO umgerechnet!"),
            Dialogs::Warning, Dialogs::Yes | Dialogs::No, Dialogs::No) != Dialogs::Yes)
        return;
    const long double rate = ProgramValues::instance().DmEuroKurs;
    runOverArticles(
        [&](const std::function<void(int)> &progress) {
            ArticleChangeover::ConvertToEuro(artikel(), rate, ini, progress);
        },
        QStringLiteral("Die Umrechnung wurde abgebrochen; kein Artikel wurde umgerechnet"));
}

void TFartikel::dmbtClick()
{
    if (Dialogs::instance().message(this, kTitle, QStringLiteral("Alle Artikel werden jetzt auf DM gesetzt!"),
                                    Dialogs::Warning, Dialogs::Yes | Dialogs::No,
                                    Dialogs::No) != Dialogs::Yes)
        return;
    runOverArticles(
        [this](const std::function<void(int)> &progress) {
            ArticleChangeover::LabelAllDM(artikel(), progress);
        },
        QStringLiteral("Der Vorgang wurde abgebrochen; kein Artikel wurde geändert"));
}
