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
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return u;
}

bool replaceFirst(QString &text, const QString &placeholder, const QString &by)
{
    const int at = int(upperAscii(text).indexOf(placeholder));
    if (at < 0) return false;
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
    if (!upper.contains(QLatin1String("%KONTO"))) return text;
    const Bank b = bankOf(qRound64(Data->vorgang.FieldByName(QStringLiteral("kdnr"))->AsFloat()));
    replaceFirst(text, QStringLiteral("%KONTONR"), b.nr);
    replaceFirst(text, QStringLiteral("%KONTOBANK"), b.bank);
    replaceFirst(text, QStringLiteral("%KONTOBLZ"), b.blz);
    replaceFirst(text, QStringLiteral("%KONTOINHABER"), b.inhaber);
    return text;
}

TFumw::Bank TFumw::bankOf(qint64 kdnr)
{
    const auto known = m_banks.constFind(kdnr);
    if (known != m_banks.constEnd()) return known.value();
    adrsql.Close();
    adrsql.SQL().clear();
    adrsql.SQL() << QStringLiteral(
                        "select kontonr,kontoinhaber,kontobank,kontoblz,kdnr from adress where kdnr = %1")
                        .arg(kdnr);
    adrsql.Open();
    const Bank b = adrsql.IsEmpty() ? Bank() : bankOfRow();
    adrsql.Close();
    return b;
}

TFumw::Bank TFumw::bankOfRow() const
{
    return Bank{adrsql.FieldByName(QStringLiteral("Kontonr"))->AsString(),
                adrsql.FieldByName(QStringLiteral("Kontobank"))->AsString(),
                adrsql.FieldByName(QStringLiteral("Kontoblz"))->AsString(),
                adrsql.FieldByName(QStringLiteral("KontoInhaber"))->AsString()};
}

namespace {

// The columns a copy takes over: the document's in the order they are set,
// the positions' as target and source names.
const char *const kHeaderColumns[] = {"Zieltage",  "KDNR",     "Kopftext",   "Fusstext",
                                      "Anschrift", "Waehrung", "Steuerfall", "Zahlungsart"};
const char *const kPositionColumns[][2] = {{"Artikel", "Artikel"}, {"Bezeichnung", "Bezeichnung"},
                                           {"Titel", "titel"},     {"Anzahl", "Anzahl"},
                                           {"Einheit", "Einheit"}, {"Preis", "Preis"},
                                           {"EK", "EK"},           {"Pos", "Pos"}};

} // namespace

void TFumw::ReadSources(const QString &condition)
{
    ForgetSources();
    m_keepSources = true;
    readSources(condition);
}

int TFumw::SourcePositions() const
{
    size_t n = 0;
    for (const auto &[id, s] : m_sources)
        n += s.positions.size();
    return int(n);
}

void TFumw::ForgetSources()
{
    m_sources.clear();
    m_banks.clear();
    m_keepSources = false;
}

void TFumw::readSources(const QString &condition)
{
    auto closeQueries = qScopeGuard([&] {
        vSql.Close();
        vdsql.Close();
        adrsql.Close();
    });
    vSql.Close();
    vSql.SQL().clear();
    vSql.SQL() << QStringLiteral("select * from vorgang1 where %1").arg(condition);
    vSql.Open();
    TField *id = vSql.FieldByName(QStringLiteral("id"));
    TField *kdnr = vSql.FieldByName(QStringLiteral("kdnr"));
    // An older file (read only) has neither tax case nor payment means.
    std::vector<std::pair<QString, TField *>> header;
    for (const char *name : kHeaderColumns)
        if (TField *f = vSql.FindField(QString::fromLatin1(name)))
            header.emplace_back(QString::fromLatin1(name), f);
    for (vSql.First(); !vSql.Eof(); vSql.Next()) {
        Source &s = m_sources[id->AsInteger()];
        s = Source();
        s.kdnr = qRound64(kdnr->AsFloat());
        for (const auto &[name, f] : header)
            s.header.append({name, f->AsString()});
    }

    vdsql.Close();
    vdsql.SQL().clear();
    // In the order the new document shows them, so that the positions it
    // holds after the copy are those a fresh read would give.
    vdsql.SQL() << QStringLiteral(
                       "select vorgang2.* from vorgang2 inner join vorgang1 on vorgang2.vorgangid = "
                       "vorgang1.id where %1 order by vorgang2.vorgangid, vorgang2.pos, vorgang2.id")
                       .arg(condition);
    vdsql.Open();
    TField *of = vdsql.FieldByName(QStringLiteral("vorgangid"));
    TField *columns[std::size(kPositionColumns)];
    for (size_t c = 0; c < std::size(kPositionColumns); ++c)
        columns[c] = vdsql.FieldByName(QString::fromLatin1(kPositionColumns[c][1]));
    TField *anzahl = vdsql.FieldByName(QStringLiteral("Anzahl"));
    TField *preis = vdsql.FieldByName(QStringLiteral("Preis"));
    TField *ek = vdsql.FieldByName(QStringLiteral("EK"));
    for (vdsql.First(); !vdsql.Eof(); vdsql.Next()) {
        const auto s = m_sources.find(of->AsInteger());
        if (s == m_sources.end()) continue;
        Source::Position p;
        for (TField *f : columns)
            p.values.push_back(f->value());
        p.anzahl = anzahl->AsFloat();
        p.preis = preis->AsFloat();
        p.ek = ek->AsFloat();
        p.rate = Tax::positionRate(vdsql);
        p.category = Tax::positionCategory(vdsql);
        s->second.positions.push_back(std::move(p));
    }

    // The bank data only where a text asks for it.
    bool wanted = false;
    for (const auto &[key, s] : m_sources)
        for (const auto &[name, value] : s.header)
            wanted = wanted || value.contains(QLatin1String("%KONTO"), Qt::CaseInsensitive);
    if (!wanted) return;
    adrsql.Close();
    adrsql.SQL().clear();
    adrsql.SQL() << QStringLiteral(
                        "select adress.kontonr, adress.kontoinhaber, adress.kontobank, adress.kontoblz, "
                        "adress.kdnr from adress inner join vorgang1 on adress.kdnr = vorgang1.kdnr "
                        "where %1")
                        .arg(condition);
    adrsql.Open();
    TField *bankOwner = adrsql.FieldByName(QStringLiteral("kdnr"));
    for (adrsql.First(); !adrsql.Eof(); adrsql.Next()) {
        const qint64 k = qRound64(bankOwner->AsFloat());
        if (m_banks.contains(k)) continue; // the first of several, as a read by number gives it
        m_banks.insert(k, bankOfRow());
    }
}

bool TFumw::CopyVorgang(const QString &typ, const QString &dateText, QString &number, const QDate &periodFrom,
                        const QDate &periodTo)
{
    TVexDaoTable &vorgang = Data->vorgang;
    if (vorgang.IsEmpty()) return false;
    return CopyVorgangFrom(vorgang.FieldByName(QStringLiteral("id"))->AsInteger(), typ, dateText, number,
                           periodFrom, periodTo);
}

std::pair<double, QString> TFumw::CopiedRate(double rate, const QString &category, Tax::Case taxCase)
{
    double r = ProgramValues::instance().Steuer.rates.sameKindAt(rate, Today());
    QString kat = category;
    // Also a category the case does not know, stored by another tool.
    if (kat == QLatin1String("S") || kat == QLatin1String("Z") || !Tax::categoriesOf(taxCase).contains(kat))
        kat = Tax::categoryOf(taxCase, r);
    if (Tax::isTaxFreeCategory(kat)) r = 0.0;
    return {r, kat};
}

bool TFumw::CopyVorgangFrom(qint64 sourceId, const QString &typ, const QString &dateText, QString &number,
                            const QDate &periodFrom, const QDate &periodTo)
{
    TVexDaoTable &vorgang = Data->vorgang;
    TVexDaoTable &vorgangdata = Data->vorgangdata;

    // The new document with all its positions is one transaction: an error
    // anywhere leaves nothing of it behind.
    TVexDaoDatabase *db = vorgang.Database();
    if (!db) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    // A source not read before is read now, under this transaction's lock.
    const bool ownRead = m_sources.find(sourceId) == m_sources.end();
    auto forget = qScopeGuard([&] {
        if (!ownRead) return;
        m_sources.erase(sourceId);
        if (!m_keepSources) m_banks.clear();
    });
    try {
        // Undone as the first thing when an error ends it, before the numbers are forgotten.
        TVexDaoDatabase::Transaction transaction(*db);
        if (ownRead) readSources(QStringLiteral("vorgang1.id = %1").arg(sourceId));
        const auto found = m_sources.find(sourceId);
        if (found == m_sources.end() || found->second.positions.empty()) {
            transaction.commit();
            return false;
        }
        const Source &source = found->second;

        // Rates of the same kind as the source's, valid today (a contract
        // from 2020 at 16 % is invoiced at today's normal rate).
        TField *rateTarget = vorgangdata.FindField(QStringLiteral("MwstSatz"));
        TField *katTarget = vorgangdata.FindField(QStringLiteral("MwstKat"));
        const bool withRates = rateTarget && katTarget;
        QString caseCode;
        for (const auto &[name, value] : source.header)
            if (name == QLatin1String("Steuerfall")) caseCode = value;
        // A small business invoices under § 19 whatever its contract says:
        // VAT shown anyway would be owed.
        const bool smallBusiness =
            ProgramValues::instance().Steuer.smallBusiness && typ != QLatin1String("B");
        const Tax::Case taxCase = smallBusiness ? Tax::Case::SmallBusiness : Tax::caseOfCode(caseCode);
        std::vector<std::pair<double, QString>> taxOf;
        // The totals go with the new document's first save: no second write for them.
        TData::PositionSums sums;
        for (const Source::Position &p : source.positions) {
            double rate = double(ProgramValues::instance().MwstSatz);
            QString kat = QStringLiteral("S");
            if (withRates) std::tie(rate, kat) = CopiedRate(p.rate, p.category, taxCase);
            taxOf.emplace_back(rate, kat);
            sums.add(p.anzahl, p.ek, p.preis, rate, kat);
        }

        // The positions follow the new document once it is numbered and
        // saved, not at every step of making it.
        vorgang.DisableControls();
        try {
            vorgang.Insert();
            vorgang.FieldByName(QStringLiteral("Typ"))->SetAsString(typ);
            vorgang.FieldByName(QStringLiteral("Datum"))->SetAsString(dateText);
            for (const auto &[name, value] : source.header) {
                const bool text = name == QLatin1String("Kopftext") || name == QLatin1String("Fusstext");
                if (TField *f = vorgang.FindField(name))
                    f->SetAsString(text ? ReplacePlaceholders(value) : value);
            }
            if (smallBusiness)
                if (TField *f = vorgang.FindField(QStringLiteral("Steuerfall")))
                    f->SetAsString(Tax::caseCode(taxCase));
            // The new document refers to its source: a run knows by it which
            // contracts a period has invoiced, a reader where a document came from.
            if (TField *bezug = vorgang.FindField(QStringLiteral("bezug"))) bezug->SetAsInteger(sourceId);
            if (periodFrom.isValid()) {
                if (TField *from = vorgang.FindField(QStringLiteral("leistungsdatum")))
                    from->SetAsDate(periodFrom);
                if (TField *to = vorgang.FindField(QStringLiteral("leistungbis"))) to->SetAsDate(periodTo);
            }
            SetZieldatum(dateText);
            sums.assignTo(vorgang);
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

        constexpr size_t kColumns = std::size(kPositionColumns);
        TField *targets[kColumns];
        for (size_t c = 0; c < kColumns; ++c)
            targets[c] = vorgangdata.FieldByName(QString::fromLatin1(kPositionColumns[c][0]));
        {
            // The totals are those of all positions: computed once they are all saved.
            TData::TotalsDeferred deferred(*Data);
            // Saved together: one round trip to a server for all of them.
            TVexDaoTable::InsertBatch batch(vorgangdata);
            for (size_t i = 0; i < source.positions.size(); ++i) {
                vorgangdata.Insert();
                for (size_t c = 0; c < kColumns; ++c) {
                    // As stored, without a detour through text; an empty text stays empty (null).
                    const Value &v = source.positions[i].values[c];
                    targets[c]->setValue(v.kind() == Value::Text && v.rawText().isEmpty() ? Value() : v);
                }
                if (withRates) {
                    rateTarget->SetAsFloat(taxOf[i].first);
                    katTarget->SetAsString(taxOf[i].second);
                }
                vorgangdata.Post();
            }
            batch.post();
        }
        // The totals went with the document's first save, summed from the
        // values its positions were just given: no second read or write.
        if (!m_batched) db->Flush();
        transaction.commit();
        number = newNumber;
        return true;
    } catch (...) {
        // The number given to the undone document is free again.
        Data->ForgetNumbers();
        // A new document that failed before it was first saved would
        // otherwise stay pending, and the next move would save it unnumbered.
        try {
            if (vorgang.State() == DataSetState::Insert) vorgang.Cancel();
        } catch (...) {
            // The error that stopped the copy is the one to report.
        }
        throw;
    }
}
