// SPDX-License-Identifier: GPL-3.0-or-later
#include "dbnavigator.h"

#include "dialogs.h"

#include "base/apperror.h"
#include "data/tdatasource.h"
#include "data/tvexdaotable.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace {

struct ButtonInfo
{
    DBNavigator::Button button;
    QStyle::StandardPixmap icon;
    const char16_t *hint;
};

const ButtonInfo kButtons[] = {
    {DBNavigator::First, QStyle::SP_MediaSkipBackward, u"Erster Datensatz"},
    {DBNavigator::Prior, QStyle::SP_ArrowBack, u"Vorheriger Datensatz"},
    {DBNavigator::Next, QStyle::SP_ArrowForward, u"Nächster Datensatz"},
    {DBNavigator::Last, QStyle::SP_MediaSkipForward, u"Letzter Datensatz"},
    {DBNavigator::Insert, QStyle::SP_FileIcon, u"Datensatz einfügen"},
    {DBNavigator::Delete, QStyle::SP_TrashIcon, u"Datensatz löschen"},
    {DBNavigator::Post, QStyle::SP_DialogApplyButton, u"Änderungen speichern"},
    {DBNavigator::Cancel, QStyle::SP_DialogCancelButton, u"Änderungen verwerfen"},
    {DBNavigator::Refresh, QStyle::SP_BrowserReload, u"Daten aktualisieren"},
};

int indexOf(DBNavigator::Button which)
{
    for (int i = 0; i < int(std::size(kButtons)); ++i)
        if (kButtons[i].button == which) return i;
    return -1;
}

} // namespace

DBNavigator::DBNavigator(QWidget *parent, Buttons visible) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const ButtonInfo &info : kButtons) {
        auto *b = new QToolButton(this);
        const QString hint = QString::fromUtf16(info.hint);
        b->setIcon(style()->standardIcon(info.icon, nullptr, this));
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus); // a click must not take the focus from the control being edited
        const Button which = info.button;
        connect(b, &QToolButton::clicked, this, [this, which] { click(which); });
        layout->addWidget(b);
        m_buttons << b;
    }
    setVisibleButtons(visible);
    updateButtons();
}

void DBNavigator::setDataSource(TDataSource *source)
{
    if (m_source == source) return;
    if (m_source) disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &TDataSource::dataSetChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &TDataSource::currentChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &TDataSource::stateChanged, this, &DBNavigator::updateButtons);
        connect(m_source, &TDataSource::rowInserted, this, &DBNavigator::updateButtons);
        connect(m_source, &TDataSource::rowRemoved, this, &DBNavigator::updateButtons);
        connect(m_source, &QObject::destroyed, this, &DBNavigator::updateButtons);
    }
    updateButtons();
}

void DBNavigator::setVisibleButtons(Buttons visible)
{
    m_visible = visible;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setVisible(visible.testFlag(kButtons[i].button));
}

QToolButton *DBNavigator::button(Button which) const
{
    const int i = indexOf(which);
    return i < 0 ? nullptr : m_buttons[i];
}

void DBNavigator::updateButtons()
{
    const TVexDaoTable *ds = m_source ? m_source->DataSet() : nullptr;
    const bool active = ds && ds->Active();
    if (ds && ds->ControlsDisabled()) return;
    const bool editing = active && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
    auto set = [this](Button which, bool on) { button(which)->setEnabled(on); };
    set(First, active && !ds->Bof());
    set(Prior, active && !ds->Bof());
    set(Next, active && !ds->Eof());
    set(Last, active && !ds->Eof());
    set(Insert, active);
    set(Delete, active && !ds->IsEmpty());
    set(Post, editing);
    set(Cancel, editing);
    set(Refresh, active);
}

void DBNavigator::click(Button which)
{
    QToolButton *b = button(which);
    TVexDaoTable *ds = m_source ? m_source->DataSet() : nullptr;
    if (!b || !b->isEnabled() || !ds) return;
    try {
        if (BeforeAction && !BeforeAction(which)) return;
        switch (which) {
        case First:
            ds->First();
            break;
        case Prior:
            ds->Prior();
            break;
        case Next:
            ds->Next();
            break;
        case Last:
            ds->Last();
            break;
        case Insert:
            ds->Insert();
            break;
        case Delete:
            ds->Delete();
            break;
        case Post:
            ds->Post();
            break;
        case Cancel:
            ds->Cancel();
            break;
        case Refresh:
            ds->Refresh();
            break;
        }
    } catch (const AppError &e) {
        updateButtons();
        ShowErrorBox(e.message(), this);
        return;
    }
    // Bof and Eof change without another row becoming current.
    updateButtons();
    Q_EMIT clicked(which);
}
