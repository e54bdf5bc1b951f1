// SPDX-License-Identifier: GPL-3.0-or-later
// The document editor (tfvorgang.h): the commands on positions (new, empty,
// delete, show, save, move up and down, renumber).
#include "tfvorgang.h"

#include "tfvadr.h"
#include "tfvartikel.h"
#include "tfvinfo.h"
#include "tfvpostext.h"
#include "tfvtext.h"
#include "tkalenderform.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "data/dates.h"
#include "data/dunning.h"
#include "data/programvalues.h"
#include "data/tdata.h"
#include "data/tdataa.h"
#include "data/tvexdaodatabase.h"
#include "documents/core/tfumw.h"
#include "platform/appicons.h"
#include "printing/printvorgang.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/dbnavigator.h"
#include "widgets/dbtext.h"
#include "widgets/dialogs.h"
#include "widgets/fieldlink.h"
#include "widgets/pendingedits.h"
#include "widgets/shell.h"
#include "widgets/windowparts.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QScopeGuard>
#include <QSplitter>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace WindowParts;

namespace {

const QString kTitle = QStringLiteral("Tavirelsverwaltung");

} // namespace

// ---------------------------------------------------------------------------
// positions

void TFVorgang::PosnewClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        if (!FvartikelRef()) {
            FvartikelRef() = new Tfvartikel(this);
            FvartikelRef()->PosshowClick = [this] { PosshowClick(); };
        }
        Dialogs::instance().exec(*FvartikelRef());
    });
}

void TFVorgang::LeerposClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] { Data->vorgangdata.Insert(); });
    if (Data->vorgangdata.State() == DataSetState::Insert) {
        Tab->setFocus();
        Tab->setCurrentIndex(Tab->model()->index(Data->vorgangdata.RecNo(), 1));
    }
}

void TFVorgang::PosdelClick()
{
    if (!hasSavedDocument() || Data->vorgangdata.IsEmpty()) return;
    if (Dialogs::instance().message(
            this, kTitle, QStringLiteral("Wollen Sie diese Position wirklich löschen?"), Dialogs::Information,
            Dialogs::Yes | Dialogs::No, Dialogs::Yes) != Dialogs::Yes)
        return;
    // Text typed into the position goes with it.
    for (FieldLink *link : findChildren<FieldLink *>())
        if (link->modified() && link->dataSource() == &Data->VorgangDQ) link->reset();
    guarded([] {
        Data->vorgangdata.Delete();
        Data->RecalcTotals();
    });
}

void TFVorgang::PosshowClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    if (Data->vorgangdata.IsEmpty()) return;
    guarded([this] {
        {
            QPointer<TFVPostext> dialog = new TFVPostext(this);
            auto free = qScopeGuard([&] { delete dialog.data(); });
            Dialogs::instance().exec(*dialog);
        }
        Data->RecalcTotals();
    });
    // Back to the positions, in front: the dialog may have been asked for
    // from the article chooser or while another window had the focus.
    Tab->setFocus(Qt::OtherFocusReason);
    if (shell() && shell()->reference(WindowKind::Vorgang) == this) shell()->ShowVorgangEditor();
}

void TFVorgang::tbposSaveClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([] {
        if (editingOrInserting(Data->vorgangdata)) Data->vorgangdata.Post();
    });
}

void TFVorgang::Positionspeichern1Click()
{
    tbposSaveClick();
}

void TFVorgang::Posnachoben1Click()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        if (dropUntouchedPosition()) return;
        d.CheckBrowseMode(); // a new row is saved before it moves
        if (d.IsEmpty()) return;
        const qint64 id = d.FieldByName(QStringLiteral("id"))->AsInteger();
        const qint64 p = d.FieldByName(QStringLiteral("pos"))->AsInteger();
        if (p <= 1) return;
        {
            d.DisableControls();
            auto resume = qScopeGuard([&] { d.EnableControls(); });
            d.Prior();
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(p);
            d.Post();
            locatePosition(id);
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(p - 1);
            d.Post();
        }
        // Shown in the order of their numbers again, on the moved row.
        d.Refresh();
    });
}

void TFVorgang::Posnachunten1Click()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        if (dropUntouchedPosition()) return;
        d.CheckBrowseMode();
        if (d.IsEmpty()) return;
        TField *id = d.FieldByName(QStringLiteral("id"));
        const qint64 remembered = id->AsInteger();
        d.DisableControls();
        d.Next();
        d.EnableControls();
        if (id->AsInteger() == remembered) return; // the last row
        {
            d.Prior();
            const qint64 b = d.FieldByName(QStringLiteral("pos"))->AsInteger();
            d.DisableControls();
            auto resume = qScopeGuard([&] { d.EnableControls(); });
            d.Next();
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(b);
            d.Post();
            locatePosition(remembered);
            d.Edit();
            d.FieldByName(QStringLiteral("pos"))->SetAsInteger(b + 1);
            d.Post();
        }
        d.Refresh();
    });
}

void TFVorgang::tbPosnrClick()
{
    if (!hasSavedDocument() || !PendingEdits::writeAll(this)) return;
    guarded([this] {
        TVexDaoTable &d = Data->vorgangdata;
        d.CheckBrowseMode();
        vorgang2->Open();
        vorgang2->First();
        vorgang2->DisableControls();
        {
            auto done = qScopeGuard([this] {
                vorgang2->EnableControls();
                vorgang2->Close();
            });
            TField *pos = vorgang2->FieldByName(QStringLiteral("pos"));
            for (int n = 1; !vorgang2->Eof(); ++n) {
                vorgang2->Edit();
                pos->SetAsInteger(n);
                vorgang2->Next(); // saves the row as it moves on
            }
        }
        // The shared positions read the new numbers.
        d.Refresh();
    });
}
