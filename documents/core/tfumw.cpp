// SPDX-License-Identifier: GPL-3.0-or-later
#include "tfumw.h"

#include "base/apperror.h"
#include "data/dates.h"
#include "data/programvalues.h"
#include "data/tax.h"
#include "data/tdata.h"
#include "data/tvexdaodatabase.h"

#include <QScopeGuard>
#include <iterator>

QPointer<TFumw> Fumw;

TFumw::TFumw(QObject *owner)
    : QObject(owner), vSql(this, QStringLiteral("vSql")), vdsql(this, QStringLiteral("vdsql")),
      adrsql(this, QStringLiteral("adrsql"))
{
    vSql.setDatabaseName(QStringLiteral("Tavirelmdb"));
    vdsql.setDatabaseName(QStringLiteral("Tavirelmdb"));
    adrsql.setDatabaseName(QStringLiteral("Tavirelmdb"));
}

TFumw::~TFumw() = default;

void TFumw::SetZieldatum(const QString &dateText)
{
    TVexDaoTable &vorgang = Data->vorgang;
    vorgang.Edit();
    const qint64 days = vorgang.FieldByName(QStringLiteral("zieltage"))->AsInteger();
    vorgang.FieldByName(QStringLiteral("zieldatum"))->SetAsString(AddDaysToDateText(dateText, int(days)));
}

namespace {

// Upper case of a to z only, so positions stay those of the text itself.
QString upperAscii(const QString &text)
{
    QString u = text;
    for (QChar &c : u)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    return u;
}

bool replaceFirst(QString &text, const QString &placeholder, const QString &by)
{
    const int at = int(upperAscii(text).indexOf(placeholder));
    if (at < 0)
        return false;
    text.replace(at, placeholder.size(), by);
    return true;
}

} // namespace

QString TFumw::ReplacePlaceholders(const QString &input)
{
    QString text = input;
    replaceFirst(text, QStringLiteral("%MONAT"), MonthYearText(Today()));
    const QString upper = upperAscii(text);
    // The bank data is read whenever any bank placeholder occurs, not only
    // with "%KONTONR"; otherwise the others would silently become empty.
    if (!upper.contains(QLatin1String("%KONTO")))
        return text;
    QString nr, bank, blz, inhaber;
    const qint64 kdnr = qRound64(Data->vorgang.FieldByName(QStringLiteral("kdnr"))->AsFloat());
    adrsql.Close();
    adrsql.SQL().clear();
    adrsql.SQL() << QStringLiteral("select kontonr,kontoinhaber,kontobank,kontoblz,kdnr from adress where kdnr = %1")
                        .arg(kdnr);
    adrsql.Open();
    if (!adrsql.IsEmpty()) {
        nr = adrsql.FieldByName(QStringLiteral("Kontonr"))->AsString();
        bank = adrsql.FieldByName(QStringLiteral("Kontobank"))->AsString();
        blz = adrsql.FieldByName(QStringLiteral("Kontoblz"))->AsString();
        inhaber = adrsql.FieldByName(QStringLiteral("KontoInhaber"))->AsString();
    }
    adrsql.Close();
    replaceFirst(text, QStringLiteral("%KONTONR"), nr);
    replaceFirst(text, QStringLiteral("%KONTOBANK"), bank);
    replaceFirst(text, QStringLiteral("%KONTOBLZ"), blz);
    replaceFirst(text, QStringLiteral("%KONTOINHABER"), inhaber);
    return text;
}

bool TFumw::CopyVorgang(const QString &typ, const QString &dateText, QString &number, const QDate &periodFrom,
                        const QDate &periodTo)
{
    TVexDaoTable &vorgang = Data->vorgang;
    TVexDaoTable &vorgangdata = Data->vorgangdata;
    if (vorgangdata.IsEmpty())
        return false;
    const qint64 n = vorgang.FieldByName(QStringLiteral("id"))->AsInteger();
    vSql.Close();
    vdsql.Close();
    vSql.SQL().clear();
    vSql.SQL() << QStringLiteral("Select * from vorgang1 where id = %1").arg(n);
    vdsql.SQL().clear();
    vdsql.SQL() << QStringLiteral("Select * from vorgang2 where vorgangid = %1").arg(n);

    // The new document with all its positions is one transaction: an error
    // anywhere leaves nothing of it behind.
    TVexDaoDatabase *db = vorgang.Database();
    db->StartTransaction();
    auto closeQueries = qScopeGuard([&] {
        vSql.Close();
        vdsql.Close();
    });
    try {
        // The positions follow the new document once it is numbered and
        // saved, not at every step of making it.
        vorgang.DisableControls();
        try {
            vorgang.Insert();
            vdsql.Open();
            vSql.Open();
            auto copy = [&](const char *target, const char *source) {
                vorgang.FieldByName(QString::fromLatin1(target))
                    ->SetAsString(vSql.FieldByName(QString::fromLatin1(source))->AsString());
            };
            vorgang.FieldByName(QStringLiteral("Typ"))->SetAsString(typ);
            vorgang.FieldByName(QStringLiteral("Datum"))->SetAsString(dateText);
            copy("Zieltage", "Zieltage");
            copy("KDNR", "KDNR");
            vorgang.FieldByName(QStringLiteral("Kopftext"))
                ->SetAsString(ReplacePlaceholders(vSql.FieldByName(QStringLiteral("Kopftext"))->AsString()));
            vorgang.FieldByName(QStringLiteral("Fusstext"))
                ->SetAsString(ReplacePlaceholders(vSql.FieldByName(QStringLiteral("Fusstext"))->AsString()));
            copy("Anschrift", "Anschrift");
            copy("Waehrung", "Waehrung");
            // The tax case and the payment means go with the document; an
            // older file (read only) has neither.
            for (const char *name : {"Steuerfall", "Zahlungsart"})
                if (vorgang.FindField(QString::fromLatin1(name)) && vSql.FindField(QString::fromLatin1(name)))
                    copy(name, name);
            if (periodFrom.isValid()) {
                if (TField *from = vorgang.FindField(QStringLiteral("leistungsdatum")))
                    from->SetAsDate(periodFrom);
                if (TField *to = vorgang.FindField(QStringLiteral("leistungbis"))) to->SetAsDate(periodTo);
            }
            SetZieldatum(dateText);
            Data->AssignVorgangNr(typ);
            vorgang.Post();
        } catch (...) {
            try {
                vorgang.EnableControls();
            } catch (...) {
                // The error that stopped the copy is the one to report.
            }
            throw;
        }
        vorgang.EnableControls();
        const QString newNumber = vorgang.FieldByName(QStringLiteral("vorgangnr"))->AsString();

        static const char *const columns[][2] = {{"Artikel", "Artikel"}, {"Bezeichnung", "Bezeichnung"},
                                                 {"Titel", "titel"},     {"Anzahl", "Anzahl"},
                                                 {"Einheit", "Einheit"}, {"Preis", "Preis"},
                                                 {"EK", "EK"},           {"Pos", "Pos"}};
        constexpr size_t kColumns = std::size(columns);
        TField *targets[kColumns], *sources[kColumns];
        for (size_t c = 0; c < kColumns; ++c) {
            targets[c] = vorgangdata.FieldByName(QString::fromLatin1(columns[c][0]));
            sources[c] = vdsql.FieldByName(QString::fromLatin1(columns[c][1]));
        }
        // Rates of the same kind as the source's, valid today (a contract
        // from 2020 at 16 % is invoiced at today's normal rate); the category
        // follows the rate in the normal case and stays otherwise (one the
        // case does not know, stored by another tool, follows the case).
        TField *rateTarget = vorgangdata.FindField(QStringLiteral("MwstSatz"));
        TField *katTarget = vorgangdata.FindField(QStringLiteral("MwstKat"));
        const bool withRates = rateTarget && katTarget;
        const Tax::Rates &rates = ProgramValues::instance().Steuer.rates;
        const Tax::Case taxCase = Data->TaxCase();
        bool copied = false;
        {
            // The totals are those of all positions: computed once they are all saved.
            TData::TotalsDeferred deferred(*Data);
            for (vdsql.First(); !vdsql.Eof(); vdsql.Next()) {
                vorgangdata.Insert();
                for (size_t c = 0; c < kColumns; ++c)
                    targets[c]->SetAsString(sources[c]->AsString());
                if (withRates) {
                    const double rate = rates.sameKindAt(Tax::positionRate(vdsql), Today());
                    QString kat = Tax::positionCategory(vdsql);
                    if (kat == QLatin1String("S") || kat == QLatin1String("Z") ||
                        !Tax::categoriesOf(taxCase).contains(kat))
                        kat = Tax::categoryOf(taxCase, rate);
                    rateTarget->SetAsFloat(Tax::isTaxFreeCategory(kat) ? 0.0 : rate);
                    katTarget->SetAsString(kat);
                }
                vorgangdata.Post();
                copied = true;
            }
        }
        if (copied)
            Data->RecalcTotals();
        vSql.Close();
        vdsql.Close();
        vorgang.Post();
        db->Commit();
        number = newNumber;
        return true;
    } catch (...) {
        if (db->Connected())
            db->Rollback();
        // A new document that failed before it was first saved would
        // otherwise stay pending, and the next move would save it unnumbered.
        try {
            if (vorgang.State() == DataSetState::Insert)
                vorgang.Cancel();
        } catch (...) {
            // The error that stopped the copy is the one to report.
        }
        throw;
    }
}
