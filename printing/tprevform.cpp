// SPDX-License-Identifier: GPL-3.0-or-later
#include "tprevform.h"

#include "pageview.h"
#include "previewicons.h"
#include "reporthelp.h"

#include "base/apperror.h"
#include "platform/platform.h"
#include "report/pageset.h"
#include "widgets/dialogs.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProgressBar>
#include <QSettings>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The zoom box: a typed number is taken whole when it is entered, one above
// the box's limit as the limit; an emptied box stands for 100 %.
class ZoomBox : public QSpinBox
{
  public:
    explicit ZoomBox(QWidget *parent) : QSpinBox(parent) { setKeyboardTracking(false); }
    QValidator::State validate(QString &input, int &pos) const override
    {
        const QString typed = input.trimmed();
        bool number = false;
        const int value = typed.toInt(&number);
        if (number && typed.size() <= 4 && value > maximum()) return QValidator::Intermediate;
        return QSpinBox::validate(input, pos);
    }
    void fixup(QString &input) const override
    {
        const QString typed = input.trimmed();
        bool number = false;
        if (typed.isEmpty())
            input = QStringLiteral("100");
        else if (typed.toInt(&number) > maximum() && number)
            input = QString::number(maximum());
        QSpinBox::fixup(input);
    }
};

// Per user: HKEY_CURRENT_USER\Software\quenar\report on Windows, the user's
// configuration folder elsewhere.
QSettings printerSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quenar"),
                     QStringLiteral("report"));
}

} // namespace

TPrevForm::TPrevForm(PageSet *pages, QWidget *parent) : QMainWindow(parent), m_pages(pages)
{
    setObjectName(QStringLiteral("PrevForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Bericht"));
    if (pages) pages->setParent(this);

    buildToolBars();

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Preview = new PageView(central);
    Preview->installEventFilter(this);
    column->addWidget(Preview, 1);
    setCentralWidget(central);
    buildBottomStrip();
    column->addWidget(Seite->parentWidget());

    // The invisible main menu: Esc closes the window.
    Schlieen1 = new QAction(QStringLiteral("&Schließen"), this);
    Schlieen1->setObjectName(QStringLiteral("Schlieen1"));
    Schlieen1->setShortcut(QKeySequence(Qt::Key_Escape));
    Schlieen1->setShortcutContext(Qt::WindowShortcut);
    connect(Schlieen1, &QAction::triggered, this, &TPrevForm::SchliessenClick);
    addAction(Schlieen1);

    Preview->setPageSet(pages);
    connect(Preview, &PageView::viewResized, this, [this] {
        if (m_fit == Fit::PageWidth)
            BreitederSeite1Click();
        else if (m_fit == Fit::WholePage)
            GesamteSeite1Click();
    });
    if (pages) {
        connect(pages, &PageSet::pageAvailable, this, &TPrevForm::PreviewPageAvailable);
        connect(pages, &PageSet::progressChanged, this, &TPrevForm::PreviewProgressUpdate);
        // A build that failed takes its pages away: nothing is left to show.
        connect(pages, &QObject::destroyed, this, &QWidget::close);
    }
    resize(1000, 760);
}

TPrevForm::~TPrevForm()
{
    if (m_pages) disconnect(m_pages, nullptr, this, nullptr);
}

QToolButton *TPrevForm::toolButton(QToolBar *bar, const char *name, const QString &caption,
                                   const QString &hint, const QIcon &icon, const QString &statusText)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setToolButtonStyle(bar->toolButtonStyle());
    b->setProperty("statusText", statusText);
    b->installEventFilter(this);
    bar->addWidget(b);
    return b;
}

void TPrevForm::buildToolBars()
{
    const auto bar = [this](const char *name, Qt::ToolButtonStyle style) {
        auto *b = new QToolBar(QString::fromLatin1(name), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMovable(false);
        b->setFloatable(false);
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(style);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QToolBar::customContextMenuRequested, this,
                [this, b](const QPoint &at) { Kontextmenu->popup(b->mapToGlobal(at)); });
        addToolBar(Qt::TopToolBarArea, b);
        return b;
    };

    Kontextmenu = new QMenu(this);
    Kontextmenu->setObjectName(QStringLiteral("Kontextmenu"));
    Symbolunterschriften1 = Kontextmenu->addAction(QStringLiteral("Symbolunterschriften"));
    Symbolunterschriften1->setObjectName(QStringLiteral("Symbolunterschriften1"));
    Symbolunterschriften1->setCheckable(true);
    Symbolunterschriften1->setChecked(true);
    connect(Symbolunterschriften1, &QAction::triggered, this, &TPrevForm::Symbolunterschriften1Click);

    // Paging; its captions are hidden at first.
    Toolbar = bar("Toolbar", Qt::ToolButtonIconOnly);
    T1 = toolButton(Toolbar, "T1", QStringLiteral("Anfang"), QStringLiteral("Erste Seite anzeigen"),
                    PreviewIcons::firstPage(), QStringLiteral("Erste Seite anzeigen."));
    T2 = toolButton(Toolbar, "T2", QStringLiteral("zurück"), QStringLiteral("zurückblättern"),
                    PreviewIcons::previousPage(), QStringLiteral("Vorherige Seite anzeigen."));
    T3 = toolButton(Toolbar, "T3", QStringLiteral("weiter"), QStringLiteral("nächste Seite"),
                    PreviewIcons::nextPage(), QStringLiteral("Nächste Seite anzeigen."));
    T4 = toolButton(Toolbar, "T4", QStringLiteral("Ende"), QStringLiteral("Letzte Seite anzeigen"),
                    PreviewIcons::lastPage(), QStringLiteral("Letzte Seite anzeigen."));
    connect(T1, &QToolButton::clicked, this, &TPrevForm::firstClick);
    connect(T2, &QToolButton::clicked, this, &TPrevForm::prevClick);
    connect(T3, &QToolButton::clicked, this, &TPrevForm::nextClick);
    connect(T4, &QToolButton::clicked, this, &TPrevForm::lastClick);

    // Zoom, view, printer, print, help, close; captions beside the pictures.
    ToolBar1 = bar("ToolBar1", Qt::ToolButtonTextBesideIcon);
    T7 = toolButton(ToolBar1, "T7", QStringLiteral("Verkleinern"),
                    QStringLiteral("Ansicht verkleinern (- 10 %)"), PreviewIcons::zoomOut(),
                    QStringLiteral("Verkleinert die Seitenanzeige um 10 %."));
    T5 = toolButton(ToolBar1, "T5", QStringLiteral("Vergrößern"),
                    QStringLiteral("Anzeige vergrößern (+ 10 %)"), PreviewIcons::zoomIn(),
                    QStringLiteral("Vergrößert die Seitenanzeige um 10 %."));
    T6 = toolButton(ToolBar1, "T6", QStringLiteral("Ansicht"), QStringLiteral("Ansicht ändern"),
                    PreviewIcons::view(),
                    QStringLiteral("Verkleinert den Bericht, um die gesamte Seite zu zeigen."));
    connect(T7, &QToolButton::clicked, this, &TPrevForm::T7Click);
    connect(T5, &QToolButton::clicked, this, &TPrevForm::T5Click);

    Ansichtmenu = new QMenu(this);
    Ansichtmenu->setObjectName(QStringLiteral("Ansichtmenu"));
    GesamteSeite1 =
        Ansichtmenu->addAction(QStringLiteral("&Gesamte Seite"), this, &TPrevForm::GesamteSeite1Click);
    GesamteSeite1->setObjectName(QStringLiteral("GesamteSeite1"));
    BreitederSeite1 =
        Ansichtmenu->addAction(QStringLiteral("&Seitenbreite"), this, &TPrevForm::BreitederSeite1Click);
    BreitederSeite1->setObjectName(QStringLiteral("BreitederSeite1"));
    Ansichtmenu->addSeparator();
    Zoom100 = Ansichtmenu->addAction(QStringLiteral("Kein Zoom (100 %)"), this, &TPrevForm::Zoom100Click);
    Zoom100->setObjectName(QStringLiteral("Zoom100"));
    T6->setMenu(Ansichtmenu);
    T6->setPopupMode(QToolButton::MenuButtonPopup);
    // The button itself does what its status text says.
    connect(T6, &QToolButton::clicked, this, &TPrevForm::GesamteSeite1Click);
    T6->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(T6, &QToolButton::customContextMenuRequested, this,
            [this](const QPoint &at) { Ansichtmenu->popup(T6->mapToGlobal(at)); });

    ToolBar1->addSeparator();
    PrinterBox = new QComboBox(ToolBar1);
    PrinterBox->setObjectName(QStringLiteral("PrinterBox"));
    PrinterBox->setFixedWidth(144);
    PrinterBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ToolBar1->addWidget(PrinterBox);
    connect(PrinterBox, &QComboBox::activated, this, &TPrevForm::PrinterBoxChange);

    T8 = toolButton(ToolBar1, "T8", QStringLiteral("Druck"), QStringLiteral("Bericht ausdrucken"),
                    PreviewIcons::print(), QStringLiteral("Druckt den Bericht aus."));
    printmenu = new QMenu(this);
    printmenu->setObjectName(QStringLiteral("printmenu"));
    Standarddruck1 = printmenu->addAction(QStringLiteral("&Standard-Druck"), this, &TPrevForm::DruckenClick);
    Standarddruck1->setObjectName(QStringLiteral("Standarddruck1"));
    AuswahlvorAusdruck1 = printmenu->addAction(QStringLiteral("Auswahl vor Ausdruck"), this,
                                               &TPrevForm::AuswahlvorAusdruck1Click);
    AuswahlvorAusdruck1->setObjectName(QStringLiteral("AuswahlvorAusdruck1"));
    T8->setMenu(printmenu);
    T8->setPopupMode(QToolButton::MenuButtonPopup);
    connect(T8, &QToolButton::clicked, this, &TPrevForm::DruckenClick);

    ToolBar1->addSeparator();
    T11 = toolButton(ToolBar1, "T11", QStringLiteral("Hilfe"), QStringLiteral("Hilfe aufrufen"),
                     PreviewIcons::help(), QStringLiteral("Zeigt die Hilfe zur Seitenansicht."));
    T10 = toolButton(ToolBar1, "T10", QStringLiteral("Schließen"), QStringLiteral("Bericht Schließen"),
                     PreviewIcons::close(), QStringLiteral("Schließt den Bericht."));
    connect(T11, &QToolButton::clicked, this, &TPrevForm::T11Click);
    connect(T10, &QToolButton::clicked, this, &TPrevForm::SchliessenClick);
}

void TPrevForm::buildBottomStrip()
{
    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("Bottomstrip"));
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 3, 6, 3);
    row->setSpacing(6);

    Seite = new QLabel(QStringLiteral("Seite"), strip);
    Seite->setObjectName(QStringLiteral("Seite"));
    Seite->setToolTip(QStringLiteral("Seite / Gesamt"));
    Seite->setMinimumWidth(70);
    Seite->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    row->addWidget(Seite);

    zoom = new ZoomBox(strip);
    zoom->setObjectName(QStringLiteral("zoom"));
    zoom->setRange(0, 300);
    zoom->setSingleStep(5);
    zoom->setValue(100);
    zoom->setToolTip(QStringLiteral("Zoomfaktor einstellen"));
    zoom->setProperty("statusText", QStringLiteral("Verändert den Vergrößerungsfaktor der Seitenanzeige."));
    zoom->installEventFilter(this);
    connect(zoom, &QSpinBox::valueChanged, this, &TPrevForm::ZoomChange);
    row->addWidget(zoom);
    percentLabel = new QLabel(QStringLiteral("% "), strip);
    row->addWidget(percentLabel);

    status = new QLabel(QStringLiteral("Status"), strip);
    status->setObjectName(QStringLiteral("status"));
    status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    row->addWidget(status, 1);

    Progressbar = new QProgressBar(strip);
    Progressbar->setObjectName(QStringLiteral("Progressbar"));
    Progressbar->setRange(0, 100);
    Progressbar->setValue(0);
    Progressbar->setFixedWidth(150);
    row->addWidget(Progressbar);
}

bool TPrevForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter) {
        if (watched == Preview)
            ShowStatus(QString());
        else if (watched->property("statusText").isValid())
            ShowStatus(watched->property("statusText").toString());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPrevForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown) return;
    m_shown = true;
    FormShow();
    if (m_pages && m_pages->isComplete()) {
        UpdatePageLabel();
        PreviewProgressUpdate(100);
    }
}

void TPrevForm::ShowStatus(const QString &text)
{
    status->setText(text);
}

void TPrevForm::UpdatePageLabel()
{
    const int available = m_pages ? m_pages->pagesAvailable() : 0;
    Seite->setText(QStringLiteral("%1 / %2").arg(Preview->pageNumber()).arg(available));
}

void TPrevForm::FormShow()
{
    m_filling = true;
    PrinterBox->clear();
    PrinterBox->addItems(Platform::printerNames());
    if (PrinterBox->count() > 0) PrinterBox->setCurrentIndex(0);
    // Read without creating: a first use has no stored choice and keeps the first printer.
    const QSettings settings = printerSettings();
    const QString key = settingsValue();
    if (PrinterBox->count() > 0 && settings.contains(key)) {
        bool ok = false;
        const int index = settings.value(key).toInt(&ok);
        // A position beyond the list (printers removed since) selects nothing.
        if (ok) PrinterBox->setCurrentIndex(index >= 0 && index < PrinterBox->count() ? index : -1);
    }
    m_filling = false;
}

void TPrevForm::PrinterBoxChange()
{
    if (m_filling) return;
    QSettings settings = printerSettings();
    settings.setValue(settingsValue(), PrinterBox->currentIndex());
}

bool TPrevForm::ensurePrinter()
{
    if (Platform::anyPrinter()) return true;
    Dialogs::instance().message(this, QStringLiteral("Tavirelsverwaltung"),
                                QStringLiteral("Es ist kein Drucker eingerichtet. Bitte richten Sie einen "
                                               "Drucker ein, um den Bericht zu drucken."),
                                Dialogs::Warning, Dialogs::Ok);
    return false;
}

void TPrevForm::printOn(QPrinter &printer, const QString &printerName)
{
    if (!m_pages) return;
    Platform::routePrintJob(printer, printerName);
    const int sent = m_pages->print(printer);
    ShowStatus(sent == 1 ? QStringLiteral("1 Seite an den Drucker gesendet.")
                         : QStringLiteral("%1 Seiten an den Drucker gesendet.").arg(sent));
}

void TPrevForm::DruckenClick()
{
    if (!ensurePrinter()) return;
    QPrinter printer(QPrinter::HighResolution);
    if (m_pages) m_pages->setUpPrinter(printer);
    const int index = PrinterBox->currentIndex();
    printOn(printer, index >= 0 ? PrinterBox->itemText(index) : Platform::defaultPrinterName());
}

void TPrevForm::AuswahlvorAusdruck1Click()
{
    if (!m_dialogPrinter) {
        // The dialog starts from the report's paper; what is chosen there applies.
        m_dialogPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        if (m_pages) m_pages->setUpPrinter(*m_dialogPrinter);
    }
    if (!Dialogs::instance().printerDialog(this, *m_dialogPrinter)) return;
    printOn(*m_dialogPrinter, QString());
}

void TPrevForm::firstClick()
{
    Preview->showPage(1);
    UpdatePageLabel();
}

void TPrevForm::prevClick()
{
    if (Preview->pageNumber() > 1) Preview->showPage(Preview->pageNumber() - 1);
    UpdatePageLabel();
}

void TPrevForm::nextClick()
{
    if (m_pages && Preview->pageNumber() < m_pages->totalPages())
        Preview->showPage(Preview->pageNumber() + 1);
    UpdatePageLabel();
}

void TPrevForm::lastClick()
{
    if (m_pages) Preview->showPage(m_pages->pagesAvailable());
    UpdatePageLabel();
}

void TPrevForm::PreviewPageAvailable()
{
    UpdatePageLabel();
    // Pages are built without the event loop running: show the count now.
    if (isVisible()) Seite->repaint();
}

void TPrevForm::PreviewProgressUpdate(int progress)
{
    Progressbar->setValue(progress);
    if (progress < 100) {
        if (isVisible()) Progressbar->repaint();
        return;
    }
    Progressbar->hide();
    setWindowTitle(m_pages ? m_pages->title() : QStringLiteral("Bericht"));
    BreitederSeite1Click();
}

void TPrevForm::copyZoomIntoBox()
{
    // The box holds at most 300; setting it runs ZoomChange whenever its
    // text changes, which brings a larger zoom back to the box's value.
    zoom->setValue(Preview->zoom());
}

void TPrevForm::ZoomChange()
{
    m_fit = Fit::None;
    if (zoom->text().trimmed().isEmpty()) {
        zoom->setValue(100);
        return;
    }
    // 5 % is the least the box takes, as it says; a smaller value means 5.
    if (zoom->value() < 5) {
        zoom->setValue(5);
        return;
    }
    Preview->setZoom(zoom->value());
}

void TPrevForm::T5Click()
{
    Preview->setZoom(Preview->zoom() + 10);
    copyZoomIntoBox();
    m_fit = Fit::None;
}

void TPrevForm::T7Click()
{
    Preview->setZoom(qMax(5, Preview->zoom() - 10));
    copyZoomIntoBox();
    m_fit = Fit::None;
}

void TPrevForm::Zoom100Click()
{
    Preview->setZoom(100);
    copyZoomIntoBox();
    m_fit = Fit::None;
}

void TPrevForm::GesamteSeite1Click()
{
    Preview->setZoom(Preview->wholePageZoom());
    copyZoomIntoBox();
    m_fit = Fit::WholePage;
}

void TPrevForm::BreitederSeite1Click()
{
    Preview->setZoom(Preview->pageWidthZoom());
    copyZoomIntoBox();
    m_fit = Fit::PageWidth;
}

void TPrevForm::Symbolunterschriften1Click()
{
    // The action has already turned its check mark round.
    const bool captions = Symbolunterschriften1->isChecked();
    for (QToolButton *b : {T1, T2, T3, T4}) {
        b->setToolButtonStyle(captions ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
        b->setIconSize(QSize(16, 16));
        b->setFixedHeight(20);
    }
    Toolbar->setToolButtonStyle(captions ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
}

void TPrevForm::T11Click()
{
    ReportHelp::showTopic(2000);
}

void TPrevForm::SchliessenClick()
{
    close();
}
