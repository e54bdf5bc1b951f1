// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfmain.h"

#include "childframe.h"
#include "databasemenu.h"
#include "platform/appicons.h"
#include "platform/platform.h"
#include "tfeinstellungen.h"
#include "tfhandbuch.h"
#include "tfinfo.h"
#include "tfvorlagen.h"
#include "widgets/dialogs.h"
#include "widgets/mergingchild.h"
#include "widgets/vorgangwindows.h"

#include "base/apperror.h"
#include "data/programvalues.h"
#include "data/tdataa.h"
#include "widgets/pendingedits.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

Tfmain *fmain = nullptr;

Tfmain::Tfmain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmain"));
    fmain = this;
    setShell(this);
    // The child frames show their owner's symbol too.
    setWindowIcon(QIcon(AppIcons::programSymbol()));

    ClientArea = new QMdiArea(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(ClientArea);

    buildStatusBar();
    buildToolBars();
    buildMenus();

    // 544 x 375 in the middle of the screen is where the window returns to
    // when the user restores it from maximised.
    resize(544, 375);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    FormCreate();
    updatemenuitems();
}

Tfmain::~Tfmain()
{
    // The frames go while this window is whole; afterwards the client area
    // must not call back into a half-destroyed main window.
    m_endingWithoutAsking = true;
    const QList<QMdiSubWindow *> frames = ClientArea->subWindowList();
    for (QMdiSubWindow *frame : frames)
        delete frame;
    ClientArea->disconnect(this);
    if (fmain == this) fmain = nullptr;
    if (shell() == this) setShell(nullptr);
}

void Tfmain::FormCreate()
{
    ProgramValues &values = ProgramValues::instance();
    values.DmEuroKurs = 1.95583L;
    setWindowState(windowState() | Qt::WindowMaximized);
    connect(ClientArea, &QMdiArea::subWindowActivated, this, &Tfmain::updatemenuitems);
    values.MaKuerzel = QStringLiteral("TV");
    if (Finfo) Finfo->repaint();
    values.MwstSatz = 19;
    setWindowTitle(QStringLiteral("Tavirels-Verwaltung"));
}

void Tfmain::buildStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    const auto panel = [this](const QString &text, int width) {
        auto *l = new QLabel(text, StatusBar1);
        l->setTextFormat(Qt::PlainText);
        l->setFixedWidth(width);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusBar1->addWidget(l);
        return l;
    };
    StatusPanel1 = panel(QStringLiteral("Tavirelsverwaltung"), 120);
    StatusPanel2 = panel(QString(), 50);
}

void Tfmain::buildToolBars()
{
    const auto button = [this](QToolBar *bar, const char *name, const QString &hint, const QIcon &icon,
                               void (Tfmain::*slot)()) {
        QAction *a = bar->addAction(icon, hint);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        connect(a, &QAction::triggered, this, slot);
        if (QWidget *w = bar->widgetForAction(a)) w->setObjectName(QString::fromLatin1(name));
        return a;
    };
    const auto bar = [this](const char *name) {
        auto *b = new QToolBar(QString::fromLatin1(name), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setOrientation(Qt::Vertical);
        b->setMovable(false);
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        addToolBar(Qt::LeftToolBarArea, b);
        return b;
    };

    ToolBar1 = bar("ToolBar1");
    ToolBar1->setMinimumHeight(26);
    ToolButton2 = button(ToolBar1, "ToolButton2", QStringLiteral("Adressverwaltung"), AppIcons::addresses(),
                         &Tfmain::Kontakte1Click);
    ToolButton4 = button(ToolBar1, "ToolButton4", QStringLiteral("Vorgangsliste"), AppIcons::documentList(),
                         &Tfmain::bersicht1Click);
    ToolButton5 = button(ToolBar1, "ToolButton5", QStringLiteral("Artikelstamm"), AppIcons::articles(),
                         &Tfmain::ArtikelListe1Click);
    vorgangneu = button(ToolBar1, "vorgangneu", QStringLiteral("Neuer Vorgang"), AppIcons::newDocument(),
                        &Tfmain::vorgangneuClick);

    ToolBar2 = bar("ToolBar2");
    ToolButton6 = button(ToolBar2, "ToolButton6", QStringLiteral("Taschenrechner"), AppIcons::calculator(),
                         &Tfmain::ToolButton6Click);
}

void Tfmain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto menu = [bar](const char *name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    const auto item = [this](QMenu *m, const char *name, const QString &caption, const QKeySequence &key,
                             const QIcon &icon, void (Tfmain::*slot)()) {
        QAction *a = m->addAction(icon, caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    Datei1 = menu("Datei1", QStringLiteral("&Datei"));
    Einstellungen1 = item(Datei1, "Einstellungen1", QStringLiteral("&Einstellungen …"), QKeySequence(),
                          QIcon(), &Tfmain::Einstellungen1Click);
    Vorlagen1 = item(Datei1, "Vorlagen1", QStringLiteral("&Vorlagen zurücksetzen …"), QKeySequence(), QIcon(),
                     &Tfmain::Vorlagen1Click);
    Datei1->addSeparator();
    Schlieen1 = item(Datei1, "Schlieen1", QStringLiteral("&Schließen"), QKeySequence(Qt::CTRL | Qt::Key_F4),
                     QIcon(), &Tfmain::Schlieen1Click);
    Beenden1 = item(Datei1, "Beenden1", QStringLiteral("&Beenden"), QKeySequence(Qt::ALT | Qt::Key_F4),
                    QIcon(), &Tfmain::Beenden1Click);

    Menue2 = menu("Menue2", QStringLiteral("&Stammdaten"));
    Kontakte1 = item(Menue2, "Kontakte1", QStringLiteral("&Adressen"), QKeySequence(Qt::CTRL | Qt::Key_A),
                     AppIcons::addresses(), &Tfmain::Kontakte1Click);
    ArtikelListe1 =
        item(Menue2, "ArtikelListe1", QStringLiteral("Ar&tikel"), QKeySequence(Qt::CTRL | Qt::Key_T),
             AppIcons::articles(), &Tfmain::ArtikelListe1Click);
    bersicht1 = item(Menue2, "bersicht1", QStringLiteral("&Vorgänge"), QKeySequence(Qt::CTRL | Qt::Key_G),
                     AppIcons::documentList(), &Tfmain::bersicht1Click);

    Fenster1 = menu("Fenster1", QStringLiteral("&Fenster"));
    Nebeneinander1 = item(Fenster1, "Nebeneinander1", QStringLiteral("&Nebeneinander"), QKeySequence(),
                          QIcon(), &Tfmain::Nebeneinander1Click);
    berlappend1 = item(Fenster1, "berlappend1", QStringLiteral("Ü&berlappend"), QKeySequence(), QIcon(),
                       &Tfmain::berlappend1Click);
    m_windowListSeparator = Fenster1->addSeparator();
    // Window captions may have changed since the last activation.
    connect(Fenster1, &QMenu::aboutToShow, this, &Tfmain::rebuildWindowList);

    Hilfe1 = menu("Hilfe1", QStringLiteral("&Hilfe"));
    Handbuch1 = item(Hilfe1, "Handbuch1", QStringLiteral("&Handbuch"), QKeySequence(Qt::Key_F1), QIcon(),
                     &Tfmain::Handbuch1Click);
    Ueber1 = item(Hilfe1, "Ueber1", QStringLiteral("Ü&ber …"), QKeySequence(), QIcon(), &Tfmain::Ueber1Click);
    // Where the main window's F1 cannot reach (a modal dialog, another window).
    qApp->installEventFilter(new HelpKeyFilter(this));

    for (WindowKind kind :
         {WindowKind::Adressen, WindowKind::Artikel, WindowKind::Vorgangsliste, WindowKind::Vorgang})
        for (QAction *a : actionsOf(kind))
            a->setEnabled(false);
}

QList<QAction *> Tfmain::actionsOf(WindowKind kind) const
{
    switch (kind) {
    case WindowKind::Adressen:
        return {Kontakte1, ToolButton2};
    case WindowKind::Artikel:
        return {ArtikelListe1, ToolButton5};
    case WindowKind::Vorgangsliste:
        return {bersicht1, ToolButton4};
    case WindowKind::Vorgang:
        return {vorgangneu};
    }
    return {};
}

void Tfmain::registerWindow(WindowKind kind, std::function<QWidget *()> factory)
{
    const bool usable = bool(factory);
    m_factories[size_t(kind)] = std::move(factory);
    for (QAction *a : actionsOf(kind))
        a->setEnabled(usable);
}

bool Tfmain::isRegistered(WindowKind kind) const
{
    return bool(m_factories[size_t(kind)]);
}

QPointer<QWidget> &Tfmain::reference(WindowKind kind)
{
    switch (kind) {
    case WindowKind::Adressen:
        return FAdr;
    case WindowKind::Artikel:
        return Fartikel;
    case WindowKind::Vorgangsliste:
        return FVListe;
    case WindowKind::Vorgang:
        break;
    }
    return FVorgang;
}

QWidget *Tfmain::showWindow(WindowKind kind)
{
    const auto &factory = m_factories[size_t(kind)];
    if (!factory) return nullptr;
    return showChild(reference(kind), factory);
}

QWidget *Tfmain::showChild(QPointer<QWidget> &ref, const std::function<QWidget *()> &factory)
{
    if (!ref) {
        QWidget *window = factory();
        if (!window) return nullptr;
        ref = window;
        auto *frame = new ChildFrame(window);
        // The reference empties as soon as the window has closed, not only
        // when it is freed later, so that asking again makes a new window.
        QPointer<QWidget> *refAddress = &ref;
        connect(frame, &ChildFrame::closed, this, [this, refAddress, window] {
            if (refAddress->data() == window) *refAddress = nullptr;
            updatemenuitems();
        });
        ClientArea->addSubWindow(frame);
        frame->showMaximized();
        window->show();
    } else if (auto *frame = qobject_cast<QMdiSubWindow *>(ref->parentWidget())) {
        if (frame->isMinimized() || frame->isHidden()) frame->showMaximized();
        ClientArea->setActiveSubWindow(frame);
    }
    // The focus goes into the window asked for: when the window system gives
    // the frame its focus back only afterwards (a question just answered), it
    // returns there and not to the window that asked.
    QWidget *target = ref->focusWidget();
    for (QWidget *w = ref->nextInFocusChain(); !target && w && w != ref; w = w->nextInFocusChain())
        if (ref->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            target = w;
    (target ? target : ref.data())->setFocus(Qt::OtherFocusReason);
    updatemenuitems();
    return ref;
}

QList<QWidget *> Tfmain::childWindows() const
{
    QList<QWidget *> result;
    const QList<QMdiSubWindow *> frames = ClientArea->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow *frame : frames)
        if (frame->widget()) result << frame->widget();
    return result;
}

QWidget *Tfmain::activeChild() const
{
    QMdiSubWindow *frame = currentFrame();
    return frame ? frame->widget() : nullptr;
}

QMdiSubWindow *Tfmain::currentFrame() const
{
    // The current rather than the active frame: while a dialog has the focus
    // no frame is active, yet its menus stay.
    QMdiSubWindow *frame = ClientArea->currentSubWindow();
    if (frame && !ClientArea->subWindowList().contains(frame)) return nullptr;
    return frame;
}

void Tfmain::updatemenuitems()
{
    const bool anyChild = !ClientArea->subWindowList().isEmpty();
    Schlieen1->setEnabled(anyChild);
    Nebeneinander1->setEnabled(anyChild);
    berlappend1->setEnabled(anyChild);
    mergeMenusOf(currentFrame());
    rebuildWindowList();
}

void Tfmain::mergeMenusOf(QMdiSubWindow *frame)
{
    QList<QMenu *> wanted;
    if (frame)
        if (auto *child = dynamic_cast<MergingChild *>(frame->widget())) wanted = child->mergedMenus();

    QList<QMenu *> shown;
    for (const QPointer<QMenu> &m : std::as_const(m_mergedMenus))
        if (m) shown << m;
    if (shown == wanted) return;

    for (QMenu *m : std::as_const(shown))
        menuBar()->removeAction(m->menuAction());
    m_mergedMenus.clear();
    for (QMenu *m : std::as_const(wanted)) {
        if (!m) continue;
        menuBar()->insertAction(Fenster1->menuAction(), m->menuAction());
        m_mergedMenus << m;
    }
}

void Tfmain::rebuildWindowList()
{
    qDeleteAll(m_windowListActions);
    m_windowListActions.clear();

    const QList<QMdiSubWindow *> frames = ClientArea->subWindowList(QMdiArea::CreationOrder);
    m_windowListSeparator->setVisible(!frames.isEmpty());
    QMdiSubWindow *current = currentFrame();
    int number = 0;
    for (QMdiSubWindow *frame : frames) {
        ++number;
        QString caption = frame->widget() ? frame->widget()->windowTitle() : frame->windowTitle();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QString text = number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                   : QStringLiteral("%1 %2").arg(number).arg(caption);
        QAction *a = Fenster1->addAction(text);
        a->setCheckable(true);
        a->setChecked(frame == current);
        QPointer<QMdiSubWindow> target(frame);
        connect(a, &QAction::triggered, this, [this, target] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            ClientArea->setActiveSubWindow(target);
        });
        m_windowListActions << a;
    }
}

void Tfmain::Kontakte1Click()
{
    showWindow(WindowKind::Adressen);
}

void Tfmain::ArtikelListe1Click()
{
    showWindow(WindowKind::Artikel);
}

void Tfmain::bersicht1Click()
{
    showWindow(WindowKind::Vorgangsliste);
}

void Tfmain::ShowVorgangEditor()
{
    showWindow(WindowKind::Vorgang);
}

void Tfmain::vorgangneuClick()
{
    ShowVorgangEditor();
    if (auto *editor = dynamic_cast<VorgangEditorWindow *>(FVorgang.data())) editor->tbNeuClick();
}

void Tfmain::ShowVorgaengeOfAddress()
{
    bersicht1Click();
    auto *list = dynamic_cast<VorgangListWindow *>(FVListe.data());
    if (!list) return;
    if (!dataa) throw AppError(QStringLiteral("Die Adressdaten sind nicht geöffnet"));
    // A closed address dataset reads as empty; say so instead of filtering on
    // an empty customer number.
    dataa->Adress.checkActive();
    // No blank after "=": the list's own customer button writes it this way too.
    list->setCustomerFilter(QStringLiteral("kdnr =") +
                            dataa->Adress.FieldByName(QStringLiteral("kdnr"))->AsString());
    list->ApplyFilter();
    if (QAbstractButton *button = list->BTfilter()) button->setChecked(true);
}

void Tfmain::setPrintHandler(PrintHandler handler)
{
    m_print = std::move(handler);
}

void Tfmain::PrintVorgang(const QString &idText, bool preview, bool withDialog)
{
    if (!m_print) throw AppError(QStringLiteral("Das Drucken von Vorgängen ist noch nicht verfügbar"));
    m_print(idText, preview, withDialog);
}

void Tfmain::Einstellungen1Click()
{
    TFEinstellungen window(TFEinstellungen::Mode::Window, this);
    Dialogs::instance().exec(window);
}

void Tfmain::Vorlagen1Click()
{
    TFVorlagen window(this);
    Dialogs::instance().exec(window);
}

void Tfmain::Schlieen1Click()
{
    if (QMdiSubWindow *frame = currentFrame()) frame->close();
}

void Tfmain::Beenden1Click()
{
    // Ending does not ask the child windows: they are freed without their
    // close questions. The address module saves a pending change itself when
    // its dataset closes at the end of the run; text still in a control joins
    // that change first, and a value its field refuses keeps the program
    // running so that it can be corrected.
    const QList<QMdiSubWindow *> frames = ClientArea->subWindowList();
    for (QMdiSubWindow *frame : frames)
        if (!PendingEdits::writeAll(frame)) return;
    m_endingWithoutAsking = true;
    for (QMdiSubWindow *frame : frames)
        delete frame;
    close();
}

void Tfmain::closeEvent(QCloseEvent *event)
{
    if (!m_endingWithoutAsking) {
        // The close box asks every child in turn; one refusal keeps the
        // program running.
        const QList<QMdiSubWindow *> frames = ClientArea->subWindowList(QMdiArea::CreationOrder);
        for (QMdiSubWindow *frame : frames) {
            if (!frame->close()) {
                event->ignore();
                return;
            }
        }
    }
    event->accept();
    // The run ends with the main window, whatever other top-level window
    // (a print preview, say) is still open.
    QCoreApplication::quit();
}

void Tfmain::Nebeneinander1Click()
{
    ClientArea->tileSubWindows();
}

void Tfmain::berlappend1Click()
{
    ClientArea->cascadeSubWindows();
}

void Tfmain::ToolButton6Click()
{
    Platform::ShellOpen(QStringLiteral("calc.exe"));
}

void Tfmain::Handbuch1Click()
{
    // The page of the window in front: the focused part of the active child
    // (a dialog of its own may say more), else the child, else the main window.
    QWidget *child = activeChild();
    QWidget *focus = QApplication::focusWidget();
    QWidget *from = child && focus && child->isAncestorOf(focus) ? focus : child ? child : this;
    TFHandbuch::open(TFHandbuch::pageFor(from));
}

void Tfmain::Ueber1Click()
{
    Dialogs::instance().message(
        this, QStringLiteral("Über Tavirelsverwaltung"),
        QStringLiteral("Tavirelsverwaltung %1\n"
                       "Auftragsverwaltung für kleine Betriebe\n\n"
                       "Lizenz: GNU General Public License, Version 3 oder später (GPL-3.0-or-later). "
                       "Das Programm wird ohne jede Gewährleistung weitergegeben.\n\n"
                       "Datenbank: %2\n"
                       "Qt %3")
            .arg(QStringLiteral(TAVIREL_VERSION), DatabaseMenu::shownLocation(),
                 QString::fromLatin1(qVersion())),
        Dialogs::Information, Dialogs::Ok);
}
