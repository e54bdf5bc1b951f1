// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "backupmenu.h"
#include "databasemenu.h"
#include "firststart.h"
#include "platform/appicons.h"
#include "tfeinstellungen.h"
#include "tfinfo.h"
#include "tfmain.h"

#include "base/apperror.h"
#include "data/engine.h"
#include "data/notices.h"
#include "data/programfolder.h"
#include "data/progress.h"
#include "data/schema.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "widgets/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <exception>

namespace Startup {

namespace {

std::function<void(const QString &)> &observer()
{
    static std::function<void(const QString &)> o;
    return o;
}

void told(const QString &step)
{
    if (observer()) observer()(step);
}

// A failure is shown in the error box and the caller goes on.
void guarded(const std::function<void()> &body)
{
    try {
        body();
    } catch (const AppError &e) {
        ShowErrorBox(e.message());
    } catch (const std::exception &e) {
        ShowErrorBox(QString::fromLocal8Bit(e.what()));
    }
}

// One creation step: its failure is shown and the next step follows.
void step(const QString &name, const std::function<void()> &body)
{
    guarded(body);
    told(name);
}

// A write-protected database opens as any other; only the first save would
// tell. The user hears it once, now, and the status bar keeps saying it.
void warnIfWriteProtected()
{
    if (!dataa || !dataa->Datenbank.Connected() || dataa->Datenbank.canWrite()) return;
    const Engine &engine = dataa->Datenbank.engine();
    const QString path = Engine::shownLocation(engine.path());
    if (fmain) {
        auto *panel = new QLabel(QStringLiteral("Schreibgeschützt"), fmain->StatusBar1);
        panel->setObjectName(QStringLiteral("WriteProtectionPanel"));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setToolTip(QStringLiteral("Änderungen können nicht gespeichert werden."));
        fmain->StatusBar1->addPermanentWidget(panel);
    }
    Dialogs::instance().message(
        fmain, QStringLiteral("Tavirelsverwaltung"),
        QStringLiteral("Die Datenbank %1 ist schreibgeschützt. Änderungen können nicht "
                       "gespeichert werden.")
            .arg(path),
        Dialogs::Warning, Dialogs::Ok);
}

void showProgress(int value)
{
    if (Finfo) {
        Finfo->Progress->setValue(value);
        Finfo->Progress->repaint();
    }
    told(QStringLiteral("Fortschritt %1").arg(value));
}

} // namespace

Tfmain *start(const Registration &registerWindows, const QString &databasePath)
{
    step(QStringLiteral("TFinfo"), [] {
        auto *splash = new TFinfo;
        splash->show();
        // The window system maps the window asynchronously; let it do so now
        // so that the splash is seen while the modules open the database.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        splash->repaint();
    });
    step(QStringLiteral("Titel"), [] {
        // The name only: a display name would be appended to every caption.
        QCoreApplication::setApplicationName(QStringLiteral("Tavirelsverwaltung"));
        QApplication::setWindowIcon(QIcon(AppIcons::programSymbol()));
    });
    step(QStringLiteral("Tfmain"), [&registerWindows] {
        auto *main = new Tfmain;
        if (registerWindows) registerWindows(*main);
    });

    FirstStart::Made made = FirstStart::Made::Nothing;
    guarded([&] { made = FirstStart::offerDatabase(nullptr, databasePath); });
    // A database others could read is tightened as it opens, a server
    // connection may be unencrypted: the user is told.
    Notices::setHandler([](const QString &text) {
        Dialogs::instance().message(nullptr, QStringLiteral("Tavirelsverwaltung"), text, Dialogs::Information,
                                    Dialogs::Ok);
    });
    StartupProgress::setHandler(showProgress);
    step(QStringLiteral("Tdataa"), [&databasePath] {
        // The module exists even when its creation fails, so that every
        // window finds its (closed) datasets.
        dataa = new Tdataa;
        // A file that is no database of this program (a double-click on
        // another SQLite file) is said once and left alone.
        const QString foreign =
            Schema::notOurs(databasePath.isEmpty() ? ProgramFolder::databasePath() : databasePath);
        if (!foreign.isEmpty()) throw AppError(foreign);
        dataa->DataModuleCreate(databasePath);
    });
    step(QStringLiteral("TData"), [] {
        Data = new TData(dataa ? &dataa->Datenbank : nullptr);
        // Without a database the address module has said so; the document
        // module's datasets stay closed without a second message.
        if (dataa && dataa->Datenbank.Connected()) Data->DataCreate();
    });
    StartupProgress::setHandler({});

    // The address window is a child of the main window's client area, so the
    // frame comes on screen first.
    if (fmain) fmain->show();
    step(QStringLiteral("TFAdr"), [] {
        // Opens as soon as the address window has registered itself.
        if (fmain && fmain->isRegistered(WindowKind::Adressen)) fmain->Kontakte1Click();
    });
    step(QStringLiteral("TFinfo geschlossen"), [] {
        if (Finfo) {
            Finfo->close();
            delete Finfo.data();
        }
    });
    guarded(warnIfWriteProtected);
    guarded([] {
        if (!fmain) return;
        DatabaseMenu::install(*fmain);
        BackupMenu::install(*fmain);
    });
    // An empty database is a new firm: its own data comes first.
    if (made == FirstStart::Made::Empty && fmain) guarded([] { SetupAssistant::run(fmain); });
    return fmain;
}

void finish()
{
    delete fmain;
    // A pending address change is saved as Adress closes; a failing save
    // shows its message here rather than inside a destructor.
    guarded([] {
        if (dataa) dataa->Adress.Close();
    });
    delete Data;
    Data = nullptr;
    delete dataa;
    dataa = nullptr;
}

int run(const Registration &registerWindows, const QString &databasePath)
{
    if (!start(registerWindows, databasePath)) return 1;
    const int status = QApplication::exec();
    finish();
    return status;
}

void setObserverForTests(std::function<void(const QString &step)> o)
{
    observer() = std::move(o);
}

} // namespace Startup
