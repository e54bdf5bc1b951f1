// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfvtext.h"

#include "base/apperror.h"
#include "base/textfiles.h"
#include "data/programfolder.h"
#include "data/settings.h"
#include "data/tdata.h"
#include "widgets/dbmemo.h"
#include "widgets/dialogs.h"
#include "widgets/pendingedits.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kLineBreak = QStringLiteral("\r\n"); // as the memos store it

bool editingOrInserting(const TVexDaoTable &ds)
{
    return ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert;
}

DBMemo *memoIn(QGroupBox *group, const char *name, const QString &field)
{
    auto *memo = new DBMemo(group);
    memo->setObjectName(QString::fromLatin1(name));
    memo->setDataSource(&Data->VorgangQ);
    memo->setDataField(field);
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addWidget(memo);
    return memo;
}

QGroupBox *group(QWidget *parent, const char *name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

} // namespace

TFVtext::TFVtext(QWidget *owner) : QDialog(owner)
{
    if (!Data) throw AppError(QStringLiteral("Das Dokumentmodul ist nicht geladen"));
    setObjectName(QStringLiteral("FVtext"));
    setWindowTitle(QStringLiteral("Vorgangstexte bearbeiten"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto *outer = new QVBoxLayout(this);
    GroupBox1 = group(this, "GroupBox1", QStringLiteral("Kopf-Text"));
    Memo1 = memoIn(GroupBox1, "Memo1", QStringLiteral("Kopftext"));
    outer->addWidget(GroupBox1, 3);
    GroupBox2 = group(this, "GroupBox2", QStringLiteral("Fuss-Text"));
    Memo2 = memoIn(GroupBox2, "Memo2", QStringLiteral("Fusstext"));
    outer->addWidget(GroupBox2, 3);
    GroupBox3 = group(this, "GroupBox3", QStringLiteral("Notizen (nur intern)"));
    DBMemo3 = memoIn(GroupBox3, "DBMemo3", QStringLiteral("Notiz"));
    outer->addWidget(GroupBox3, 2);
    for (DBMemo *memo : {Memo1, Memo2, DBMemo3}) {
        memo->setTabChangesFocus(true);
        memo->viewport()->installEventFilter(this);
    }

    auto *buttons = new QHBoxLayout;
    Monat = new QPushButton(QStringLiteral("Monat einsetzen"), this);
    Monat->setObjectName(QStringLiteral("Monat"));
    connect(Monat, &QPushButton::clicked, this, &TFVtext::MonatClick);
    Fusstext1 = new QPushButton(QStringLiteral("Abbuchungstext"), this);
    Fusstext1->setObjectName(QStringLiteral("Fusstext1"));
    connect(Fusstext1, &QPushButton::clicked, this, &TFVtext::Fusstext1Click);
    Button2 = new QPushButton(QStringLiteral("OK"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button2, &QPushButton::clicked, this, &TFVtext::Button2Click);
    Button1 = new QPushButton(QStringLiteral("Abbruch"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton *b : {Monat, Fusstext1, Button2, Button1}) {
        // Enter makes a new line in the memos; it presses no button.
        b->setAutoDefault(false);
        buttons->addWidget(b);
        if (b == Fusstext1) buttons->addStretch(1);
    }
    outer->addLayout(buttons);

    // The aids prepare texts for the invoices generated from a contract.
    const bool contract = Data->vorgang.Active() &&
                          Data->vorgang.FieldByName(QStringLiteral("typ"))->AsString() == QLatin1String("V");
    Monat->setEnabled(contract);
    Fusstext1->setEnabled(contract);

    resize(620, 560);
}

bool TFVtext::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == Memo1->viewport() || watched == Memo2->viewport() || watched == DBMemo3->viewport()))
        Memo1Click();
    return QDialog::eventFilter(watched, event);
}

void TFVtext::Memo1Click()
{
    try {
        if (!editingOrInserting(Data->vorgang)) Data->vorgang.Edit();
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void TFVtext::MonatClick()
{
    try {
        // Text still typed into the header memo comes first, so the line goes after it.
        if (!PendingEdits::writeAll(this)) return;
        TVexDaoTable &vorgang = Data->vorgang;
        if (!editingOrInserting(vorgang)) vorgang.Edit();
        TField *kopf = vorgang.FieldByName(QStringLiteral("Kopftext"));
        QString text = kopf->AsString();
        // A new line of its own, as adding a line to the memo gives.
        if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\r')))
            text += kLineBreak;
        kopf->SetAsString(text + QStringLiteral("%Monat"));
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void TFVtext::Fusstext1Click()
{
    try {
        if (!PendingEdits::writeAll(this)) return;
        // Read before anything changes: a missing template leaves the footer as it was.
        QString text =
            TextFiles::loadLines(ProgramFolder::file(QStringLiteral("vertragfuss.txt"))).join(kLineBreak);
        // The creditor id is the firm's, from the settings, never typed into the template.
        const QString creditor = IniFile(ProgramFolder::iniPath())
                                     .readString(QStringLiteral("ERechnung"), QStringLiteral("GlaeubigerID"))
                                     .trimmed();
        if (!creditor.isEmpty()) text.replace(QStringLiteral("%GLAEUBIGERID"), creditor, Qt::CaseInsensitive);
        TVexDaoTable &vorgang = Data->vorgang;
        if (!editingOrInserting(vorgang)) vorgang.Edit();
        vorgang.FieldByName(QStringLiteral("Fusstext"))->SetAsString(text);
    } catch (const AppError &e) {
        ShowErrorBox(e.message(), this);
    }
}

void TFVtext::Button2Click()
{
    try {
        if (!PendingEdits::writeAll(this)) return;
        TVexDaoTable &vorgang = Data->vorgang;
        if (editingOrInserting(vorgang)) vorgang.Post();
    } catch (const AppError &e) {
        // Not saved (another user changed the document, say): the window
        // stays open with every text, so nothing typed is lost unseen.
        ShowErrorBox(e.message(), this);
        return;
    }
    accept();
}
