// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfhandbuch.h"

#include "platform/platform.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kRoot = QStringLiteral("qrc:/handbuch/");
const char *const kHelpPage = "helpPage";

// The windows the manual describes, by class, and where.
struct Place
{
    const char *className;
    const char *page;
};
const Place kPlaces[] = {
    {"TFEinstellungen", "erster-tag.html#einstellungen"},
    {"TFAdr", "erster-tag.html#adressen"},
    {"Tfadrins", "erster-tag.html#adressen"},
    {"TFartikel", "erster-tag.html#artikel"},
    {"TFVadr", "vorgaenge.html#vorgang"},
    {"TFVorgang", "vorgaenge.html#vorgang"},
    {"TFVListe", "vorgaenge.html#vorgangsliste"},
    {"TFVbezahlen", "zahlungen.html#zahlung"},
    {"TFERechnung", "erechnungen.html"},
    {"TFMahnlauf", "mahnwesen.html#mahnlauf"},
    {"Tfmain", "index.html#hauptfenster"},
};

QPointer<TFHandbuch> &viewer()
{
    static QPointer<TFHandbuch> v;
    return v;
}

} // namespace

TFHandbuch::TFHandbuch(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FHandbuch"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Handbuch – Tavirelsverwaltung"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    // Links to other programs (web, mail) leave through the platform layer.
    Browser->setOpenLinks(false);
    connect(Browser, &QTextBrowser::anchorClicked, this, &TFHandbuch::follow);
    // Lines of a readable length on a wide screen.
    Browser->setLineWrapMode(QTextEdit::FixedPixelWidth);
    Browser->setLineWrapColumnOrWidth(Browser->fontMetrics().averageCharWidth() * 110);
    Zurueck1 = ToolBar1->addAction(QStringLiteral("◀ Zurück"), Browser, &QTextBrowser::backward);
    Zurueck1->setShortcut(QKeySequence::Back);
    Vor1 = ToolBar1->addAction(QStringLiteral("Vor ▶"), Browser, &QTextBrowser::forward);
    Vor1->setShortcut(QKeySequence::Forward);
    Inhalt1 = ToolBar1->addAction(QStringLiteral("Inhalt"), this, [this] { showPage(contents()); });
    Zurueck1->setEnabled(false);
    Vor1->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, Zurueck1, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, Vor1, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Handbuch – Tavirelsverwaltung")
                                       : QStringLiteral("%1 – Handbuch").arg(title));
    });
    layout->addWidget(ToolBar1);
    layout->addWidget(Browser, 1);
    resize(fontMetrics().averageCharWidth() * 100, fontMetrics().height() * 40);
}

QUrl TFHandbuch::contents()
{
    return QUrl(kRoot + QStringLiteral("index.html"));
}

QUrl TFHandbuch::pageFor(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        // A window that is more than its class (the settings as the set-up assistant) names its page.
        const QString own = w->property(kHelpPage).toString();
        if (!own.isEmpty()) return QUrl(kRoot + own);
        for (const Place &p : kPlaces)
            if (w->inherits(p.className)) return QUrl(kRoot + QLatin1String(p.page));
    }
    return contents();
}

QList<QUrl> TFHandbuch::places()
{
    QList<QUrl> out{contents(), QUrl(kRoot + QStringLiteral("erster-tag.html#einrichtung"))};
    for (const Place &p : kPlaces)
        out << QUrl(kRoot + QLatin1String(p.page));
    return out;
}

TFHandbuch *TFHandbuch::current()
{
    return viewer();
}

TFHandbuch *TFHandbuch::open(const QUrl &page)
{
    QWidget *modal = QApplication::activeModalWidget();
    QPointer<TFHandbuch> &v = viewer();
    // A viewer blocked by the modal dialog in front is of no use: one of the dialog's own replaces it.
    if (v && modal && v->parentWidget() != modal && !modal->isAncestorOf(v)) {
        v->close();
        v = nullptr;
    }
    if (!v) v = new TFHandbuch(modal);
    v->showPage(page);
    v->show();
    v->raise();
    v->activateWindow();
    v->Browser->setFocus(Qt::OtherFocusReason);
    return v;
}

void TFHandbuch::showPage(const QUrl &page)
{
    Browser->setSource(page);
}

void TFHandbuch::follow(const QUrl &link)
{
    const QUrl target = Browser->source().resolved(link);
    if (target.scheme() == QLatin1String("qrc"))
        showPage(target);
    else
        Platform::ShellOpen(target.toString());
}

bool HelpKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            const QWidget *focus = QApplication::focusWidget();
            TFHandbuch::open(TFHandbuch::pageFor(focus ? focus : static_cast<QWidget *>(watched)));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
