// SPDX-License-Identifier: GPL-3.0-or-later
#include "tdata.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "dates.h"
#include "dunning.h"
#include "engine.h"
#include "numbering.h"
#include "programfolder.h"
#include "programvalues.h"
#include "progress.h"
#include "settings.h"
#include "tvexdaodatabase.h"

#include "sqldialect.h"

#include <QScopeGuard>
#include <algorithm>
#include <cfenv>
#include <cmath>

TData *Data = nullptr;

namespace {

// A received invoice (type E) carries its supplier's figures: it has no
// positions to sum them from, and it stays for as long as its original.
bool isReceivedInvoice(const TVexDaoTable &ds)
{
    return ds.FieldByName(QStringLiteral("typ"))
               ->AsString()
               .compare(QLatin1String("E"), Qt::CaseInsensitive) == 0;
}

// Amounts of documents and positions read as money wherever they are shown
// ("1.234,50"); what is stored and what an edit shows stay the plain number.
const QString kMoneyFormat = QStringLiteral("#,##0.00");

void showAsMoney(TVexDaoTable &ds, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (TField *f = ds.FindField(QString::fromLatin1(name))) {
            f->DisplayFormat = kMoneyFormat;
            f->Currency = true;
        }
}

// Payment days from which a due date follows: whole days from 0, with the due
// date no later than the last day the program writes (31.12.9999).
void checkPaymentTerm(const QDate &date, qint64 days)
{
    if (days < 0 || days > 32767)
        throw AppError(QStringLiteral("Die Zahl der Zahlungstage muss zwischen 0 und 32767 liegen"));
    if (date.isValid() && date.addDays(days).year() > 9999)
        throw AppError(QStringLiteral("Das Datum %1 plus %2 Tage liegt nach dem Jahr 9999")
                           .arg(German::formatDate(date))
                           .arg(days));
}

} // namespace

QString CurrencyOfDate(const QDate &date)
{
    return date >= QDate(2002, 1, 1) ? QStringLiteral("€") : QStringLiteral("DM");
}

TData::TData(TVexDaoDatabase *connection, QObject *parent)
    : QObject(parent), vorgang(this, QStringLiteral("vorgang")), VorgangQ(this, &vorgang),
      vorgangdata(this, QStringLiteral("vorgangdata")), VorgangDQ(this, &vorgangdata),
      typen(this, QStringLiteral("typen")), TypenQ(this, &typen), vorSQL(this, QStringLiteral("vorSQL")),
      Artikel(this, QStringLiteral("Artikel")), ArtikelQ(this, &Artikel)
{
    using T = FieldType;
    typen.setDatabase(connection);
    typen.SQL() << QStringLiteral("select * from vtyp") << QStringLiteral("order by Typbez");

    vorgang.setDatabase(connection);
    vorgang.setTableName(QStringLiteral("Vorgang1"));
    vorgang.addCalcField(QStringLiteral("vkbr"), T::Number);
    vorgang.addCalcField(QStringLiteral("gewinn"), T::Number);
    vorgang.addLookupField(QStringLiteral("Typname"), T::Text, 20, QStringLiteral("typ"), &typen,
                           QStringLiteral("id"), QStringLiteral("Typbez"));
    vorgang.AfterInsert = [this](TVexDaoTable &ds) { VorgangAfterInsert(ds); };
    vorgang.BeforePost = [this](TVexDaoTable &ds) { VorgangBeforePost(ds); };
    vorgang.BeforeDelete = [this](TVexDaoTable &ds) { VorgangBeforeDelete(ds); };
    // A reminder cancelled (or cancelled no more) sets its invoice's level
    // in the same save.
    vorgang.AfterPost = [](TVexDaoTable &ds) { Dunning::SetLevelFromReminders(ds); };
    vorgang.OnCalcFields = [this](TVexDaoTable &ds) { VorgangCalcFields(ds); };
    showAsMoney(vorgang, {"vkbr", "gewinn"});

    vorgangdata.setDatabase(connection);
    vorgangdata.setTableName(QStringLiteral("Vorgang2"));
    vorgangdata.setMasterSource(&VorgangQ);
    vorgangdata.setMasterFields({QStringLiteral("vorgangID -> id")});
    // Positions in the order of their numbers: moving, renumbering and the
    // renumbering after a deletion go through the rows in this order.
    vorgangdata.OrderByField(QStringLiteral("Pos"));
    vorgangdata.addCalcField(QStringLiteral("gesamtpreis"), T::Number);
    vorgangdata.addCalcField(QStringLiteral("preisbr"), T::Number);
    vorgangdata.AfterInsert = [this](TVexDaoTable &ds) { VorgangDataAfterInsert(ds); };
    vorgangdata.BeforePost = [this](TVexDaoTable &ds) { VorgangDataBeforePost(ds); };
    vorgangdata.AfterPost = [this](TVexDaoTable &ds) { VorgangDataAfterPost(ds); };
    vorgangdata.AfterDelete = [this](TVexDaoTable &ds) { VorgangDataAfterDelete(ds); };
    vorgangdata.OnCalcFields = [this](TVexDaoTable &ds) { VorgangDataCalcFields(ds); };
    showAsMoney(vorgangdata, {"gesamtpreis", "preisbr"});

    vorSQL.setDatabase(connection);

    Artikel.setDatabase(connection);
    Artikel.setTableName(QStringLiteral("Artikel"));
    Artikel.addCalcField(QStringLiteral("Gewinn"), T::Number);
    Artikel.addCalcField(QStringLiteral("vkbrutto"), T::Number);
    // Program end: a pending article change is saved as the dataset closes,
    // as the address module saves its own.
    Artikel.BeforeClose = [](TVexDaoTable &ds) {
        if (ds.State() == DataSetState::Edit || ds.State() == DataSetState::Insert) ds.Post();
    };
    Artikel.AfterInsert = [this](TVexDaoTable &ds) { ArtikelAfterInsert(ds); };
    Artikel.BeforePost = [this](TVexDaoTable &ds) { ArtikelBeforePost(ds); };
    Artikel.OnCalcFields = [this](TVexDaoTable &ds) { ArtikelCalcFields(ds); };
}

TData::~TData()
{
    try {
        Artikel.Close();
    } catch (const AppError &e) {
        qWarning("%s", qPrintable(e.message()));
    }
    if (Data == this) Data = nullptr;
}

void TData::DataCreate()
{
    ProgramValues::instance().UstId =
        IniFile(ProgramFolder::iniPath()).readString(QStringLiteral("UST"), QStringLiteral("ID"));
    ProgramValues::instance().Steuer = Tax::Settings::read(ProgramFolder::iniPath());
    StartupProgress::set(6);
    Artikel.Open();
    for (const char *column : {"EK", "VK"}) {
        const QString name = QString::fromLatin1(column);
        TField *price = Artikel.FieldByName(name);
        price->DisplayFormat = QStringLiteral("#,#0.00");
        price->Validate = [name](const Value &v) {
            if (!v.isNull()) Money::checkAmount(v.toDouble(), name);
        };
    }
    StartupProgress::set(7);
    vorgang.Open();
    showAsMoney(vorgang, {"EK", "VK"});
    // A payment term whose due date cannot be given is refused where it is
    // typed, so that no save stores it beside a stale due date.
    TField *datum = vorgang.FieldByName(QStringLiteral("datum"));
    TField *zieltage = vorgang.FieldByName(QStringLiteral("zieltage"));
    zieltage->Validate = [datum](const Value &v) {
        if (!v.isNull()) checkPaymentTerm(datum->AsDate(), qint64(v.toDouble()));
    };
    datum->Validate = [zieltage](const Value &v) {
        if (v.kind() == Value::DateTime)
            checkPaymentTerm(v.toDateTime().date(), qMax<qint64>(zieltage->AsInteger(), 0));
    };
    StartupProgress::set(8);
    vorgangdata.Open();
    showAsMoney(vorgangdata, {"EK", "Preis"});
    // A line whose amount passes the program's limit is refused where the
    // price or the quantity is typed.
    TField *anzahl = vorgangdata.FieldByName(QStringLiteral("anzahl"));
    TField *preis = vorgangdata.FieldByName(QStringLiteral("Preis"));
    TField *ek = vorgangdata.FieldByName(QStringLiteral("EK"));
    const auto line = [](const Value &v, const TField *other, const QString &what) {
        if (!v.isNull()) Money::checkAmount(static_cast<long double>(v.toDouble()) * other->AsFloat(), what);
    };
    preis->Validate = [=](const Value &v) { line(v, anzahl, QStringLiteral("Anzahl × Preis")); };
    ek->Validate = [=](const Value &v) { line(v, anzahl, QStringLiteral("Anzahl × EK")); };
    anzahl->Validate = [=](const Value &v) {
        line(v, preis, QStringLiteral("Anzahl × Preis"));
        line(v, ek, QStringLiteral("Anzahl × EK"));
    };
    // A category is one of the document's case; choosing it sets the rate it implies
    // (0 where no VAT is charged, the article's or the normal rate for S).
    TField *satz = vorgangdata.FindField(QStringLiteral("MwstSatz"));
    if (TField *kat = vorgangdata.FindField(QStringLiteral("MwstKat")); kat && satz) {
        TField *artikel = vorgangdata.FieldByName(QStringLiteral("Artikel"));
        kat->Validate = [this, satz, artikel](const Value &v) {
            const QString code = v.kind() == Value::Text ? v.rawText().trimmed().toUpper() : QString();
            if (code.isEmpty()) return;
            const Tax::Case c = TaxCase();
            const QStringList valid = Tax::categoriesOf(c);
            if (!valid.contains(code))
                throw AppError(
                    QStringLiteral("Die Kategorie \"%1\" passt nicht zum Steuerfall \"%2\" des "
                                   "Vorgangs; möglich sind %3.")
                        .arg(v.rawText().trimmed(), Tax::caseName(c), valid.join(QStringLiteral(", "))));
            const double rate = satz->IsNull() ? 0.0 : satz->AsFloat();
            if (code == QLatin1String("S") && rate == 0)
                satz->SetAsFloat(taxableRateOf(artikel->AsString()));
            else if (code != QLatin1String("S") && rate != 0)
                satz->SetAsFloat(0);
        };
    }
    StartupProgress::set(9);
    typen.Open();
    StartupProgress::set(11);
}

using Money::addRounded;

void TData::forEachPosition(const std::function<void()> &body)
{
    const qint64 remembered =
        vorgangdata.IsEmpty() ? 0 : vorgangdata.FieldByName(QStringLiteral("id"))->AsInteger();
    vorgangdata.DisableControls();
    auto enable = qScopeGuard([&] { vorgangdata.EnableControls(); });
    for (vorgangdata.First(); !vorgangdata.Eof(); vorgangdata.Next())
        body();
    vorgangdata.setFilter(QStringLiteral("id = %1").arg(remembered));
    vorgangdata.FindFirst();
}

namespace {

// The fields of the stored rate and category, found once for all positions.
struct PositionTax
{
    explicit PositionTax(const TVexDaoTable &positions)
        : rate(positions.FindField(QStringLiteral("MwstSatz"))),
          kat(positions.FindField(QStringLiteral("MwstKat")))
    {}
    double rateValue() const { return Tax::rateOfField(rate); }
    QString category() const { return Tax::categoryOfField(kat); }
    TField *rate, *kat;
};

QString noVatMessage(Tax::Case c)
{
    return QStringLiteral("Im Steuerfall \"%1\" wird keine Umsatzsteuer berechnet; der Steuersatz einer "
                          "Position ist 0 %.")
        .arg(Tax::caseName(c));
}

} // namespace

void TData::PositionSums::add(double anzahl, double ek, double preis, double rate, const QString &category)
{
    m_purchase = addRounded(m_purchase, static_cast<long double>(ek) * anzahl);
    m_sales.add(anzahl, preis, rate, category);
}

void TData::PositionSums::assignTo(TVexDaoTable &document) const
{
    // Sums the print, the list and the VAT can carry; a position that would
    // pass the limit is refused with the save it came with.
    Money::checkAmount(Money::toAmount(m_sales.gross()), QStringLiteral("Die Summe des Vorgangs"));
    Money::checkAmount(Money::toAmount(m_purchase), QStringLiteral("Die Einkaufssumme des Vorgangs"));
    document.Edit();
    document.FieldByName(QStringLiteral("ek"))->SetAsFloat(double(Money::toAmount(m_purchase)));
    document.FieldByName(QStringLiteral("vk"))->SetAsFloat(double(Money::toAmount(m_sales.net())));
    // A file that could not be brought up to date (read only) has neither.
    if (TField *mwst = document.FindField(QStringLiteral("mwst")))
        mwst->SetAsFloat(double(Money::toAmount(m_sales.vat())));
    if (TField *rundung = document.FindField(QStringLiteral("Rundung"))) rundung->SetAsInteger(1);
}

void TData::RecalcTotals()
{
    if (isReceivedInvoice(vorgang)) return;
    PositionSums sums;
    if (!vorgang.FieldByName(QStringLiteral("storniert"))->AsBoolean()) addStoredPositions(sums);
    sums.assignTo(vorgang);
}

void TData::addStoredPositions(PositionSums &sums, qint64 except)
{
    // The positions as stored, read in the saving transaction: another
    // workstation may have changed one this program still shows as it was,
    // and the totals are those of what the document holds.
    if (vorgang.State() == DataSetState::Insert || vorgang.IsEmpty()) return;
    const qint64 id = vorgang.FieldByName(QStringLiteral("id"))->AsInteger();
    TVexDaoDatabase *db = vorgang.Database();
    const TableSchema *table = db->table(QStringLiteral("Vorgang2"));
    const bool withTax =
        table && table->column(QStringLiteral("MwstSatz")) && table->column(QStringLiteral("MwstKat"));
    auto st = db->engine().prepare(
        (withTax ? QStringLiteral("SELECT anzahl, EK, Preis, MwstSatz, MwstKat FROM Vorgang2")
                 : QStringLiteral("SELECT anzahl, EK, Preis FROM Vorgang2")) +
        QStringLiteral(" WHERE vorgangID = ? AND id <> ?"));
    st->bind(1, Value(id));
    st->bind(2, Value(except));
    const double programRate = double(ProgramValues::instance().MwstSatz);
    while (st->step()) {
        const Value rate = withTax ? st->column(3, FieldType::Number) : Value();
        const QString kat =
            withTax ? st->column(4, FieldType::Text).textOrEmpty().trimmed().toUpper() : QString();
        sums.add(st->column(0, FieldType::Number).toDouble(), st->column(1, FieldType::Number).toDouble(),
                 st->column(2, FieldType::Number).toDouble(), rate.isNull() ? programRate : rate.toDouble(),
                 kat.isEmpty() ? QStringLiteral("S") : kat);
    }
}

TData::PositionSums TData::SumsWithPendingPosition()
{
    PositionSums sums;
    if (vorgang.IsEmpty() || vorgang.FieldByName(QStringLiteral("storniert"))->AsBoolean()) return sums;
    const bool pending =
        vorgangdata.State() == DataSetState::Edit || vorgangdata.State() == DataSetState::Insert;
    const TField *id = vorgangdata.FieldByName(QStringLiteral("id"));
    addStoredPositions(sums, pending && !id->IsNull() ? id->AsInteger() : -1);
    if (pending) {
        const PositionTax tax(vorgangdata);
        sums.add(vorgangdata.FieldByName(QStringLiteral("anzahl"))->AsFloat(),
                 vorgangdata.FieldByName(QStringLiteral("EK"))->AsFloat(),
                 vorgangdata.FieldByName(QStringLiteral("Preis"))->AsFloat(), tax.rateValue(),
                 tax.category());
    }
    return sums;
}

Tax::Totals TData::PositionTotals()
{
    Tax::Totals totals(!Tax::isLegacyDocument(vorgang));
    TField *preis = vorgangdata.FieldByName(QStringLiteral("Preis"));
    TField *anzahl = vorgangdata.FieldByName(QStringLiteral("anzahl"));
    const PositionTax tax(vorgangdata);
    forEachPosition(
        [&] { totals.add(anzahl->AsFloat(), preis->AsFloat(), tax.rateValue(), tax.category()); });
    return totals;
}

Tax::Case TData::TaxCase() const
{
    const TField *f = vorgang.FindField(QStringLiteral("Steuerfall"));
    return Tax::caseOfCode(f && !vorgang.IsEmpty() ? f->AsString() : QString());
}

QDate TData::TaxDate() const
{
    if (!vorgang.IsEmpty() || vorgang.State() == DataSetState::Insert) {
        const TField *supply = vorgang.FindField(QStringLiteral("leistungsdatum"));
        if (supply && !supply->IsNull()) return supply->AsDate();
        const TField *datum = vorgang.FieldByName(QStringLiteral("datum"));
        if (!datum->IsNull()) return datum->AsDate();
    }
    return Today();
}

QList<double> TData::RateChoices() const
{
    const Tax::Rates &rates = ProgramValues::instance().Steuer.rates;
    QList<double> choices = rates.choicesAt(TaxDate());
    // A service period across a change of rates: those at its end apply too.
    const TField *to = vorgang.FindField(QStringLiteral("leistungbis"));
    if (to && !to->IsNull() && !vorgang.IsEmpty())
        for (double r : rates.choicesAt(to->AsDate()))
            if (!choices.contains(r)) choices << r;
    return choices;
}

double TData::ArticleRate(double articleRate) const
{
    return ProgramValues::instance().Steuer.rates.sameKindAt(articleRate, TaxDate());
}

Tax::Customer TData::customerTax() const
{
    const TField *kdnr = vorgang.FieldByName(QStringLiteral("kdnr"));
    return kdnr->IsNull() ? Tax::Customer() : Tax::customerOf(vorgang.Database(), kdnr->AsFloat());
}

Tax::Case TData::TaxCaseOfCustomer() const
{
    // An order to a supplier is taxed by the supplier: our own case does not apply.
    if (vorgang.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper() == QLatin1String("B"))
        return Tax::Case::Normal;
    const Tax::Customer customer = customerTax();
    return Tax::caseFor(ProgramValues::instance().Steuer.smallBusiness, customer.land, customer.ustid);
}

void TData::SetTaxCase(Tax::Case c)
{
    TField *fall = vorgang.FindField(QStringLiteral("Steuerfall"));
    if (!fall)
        throw AppError(QStringLiteral("Die Datenbank kennt noch keine Steuerfälle (sie ist schreibgeschützt "
                                      "und konnte nicht auf den neuen Stand gebracht werden)"));
    const bool supplierOrder =
        vorgang.FieldByName(QStringLiteral("typ"))->AsString().trimmed().toUpper() == QLatin1String("B");
    // A small business shows no VAT on any document: VAT shown anyway would be owed (§ 14c UStG).
    if (ProgramValues::instance().Steuer.smallBusiness && c != Tax::Case::SmallBusiness && !supplierOrder)
        throw AppError(QStringLiteral("Als Kleinunternehmer (§ 19 UStG, Einstellung Kleinunternehmer=1) "
                                      "weist die Firma keine Umsatzsteuer aus; der Steuerfall \"%1\" ist "
                                      "nicht möglich.")
                           .arg(Tax::caseName(c)));
    // Where the buyer owes the VAT, the invoice names the buyer's VAT id.
    const Tax::Customer customer = customerTax();
    if ((c == Tax::Case::ReverseCharge || c == Tax::Case::IntraEu) &&
        Tax::compactVatId(customer.ustid).isEmpty())
        throw AppError(QStringLiteral("Für den Steuerfall \"%1\" braucht die Adresse des Kunden eine "
                                      "USt-IdNr.; bitte sie zuerst in der Adresse eintragen.")
                           .arg(Tax::caseName(c)));
    const QString misfit = Tax::checkCaseForCustomer(c, customer);
    if (!misfit.isEmpty()) throw AppError(misfit);

    // A position being typed is saved first, under the case it was typed
    // in; refused, it stays as typed and the case stays too.
    postPendingPosition();
    if (!vorgangdata.Active() || vorgangdata.IsEmpty()) {
        vorgang.Edit();
        fall->SetAsString(Tax::caseCode(c));
        RecalcTotals();
        return;
    }
    // What was typed into the document is saved on its own first: undoing
    // the change of case below must not take it with it.
    if (vorgang.State() != DataSetState::Browse) vorgang.PostKeepingDetails();
    // The case and the positions it changes are saved together or not at all.
    TField *artikel = vorgangdata.FieldByName(QStringLiteral("Artikel"));
    const PositionTax tax(vorgangdata);
    saveWithPositions([&] {
        vorgang.Edit();
        fall->SetAsString(Tax::caseCode(c));
        forEachPosition([&] {
            const QString old = tax.category();
            if (old == QLatin1String("O")) return; // not subject to VAT in any case
            double rate = 0;
            if (c == Tax::Case::Normal) {
                rate = tax.rateValue();
                if (Tax::isTaxFreeCategory(old) && rate == 0) rate = taxableRateOf(artikel->AsString());
            }
            const QString kat = Tax::categoryOf(c, rate);
            if (tax.rateValue() == rate && tax.category() == kat) return;
            vorgangdata.Edit();
            tax.rate->SetAsFloat(rate);
            tax.kat->SetAsString(kat);
            vorgangdata.Post();
        });
    });
}

void TData::postPendingPosition()
{
    if (vorgangdata.Active() && vorgangdata.State() == DataSetState::Insert && !vorgangdata.Touched())
        vorgangdata.Cancel();
    else if (vorgangdata.Active() && vorgangdata.State() != DataSetState::Browse)
        vorgangdata.Post();
}

void TData::saveWithPositions(const std::function<void()> &change)
{
    TVexDaoDatabase *db = vorgang.Database();
    {
        // Shows what is stored: the document with its positions as they were.
        TVexDaoDatabase::Transaction transaction(*db);
        {
            TotalsDeferred deferred(*this);
            change();
        }
        RecalcTotals();
        vorgang.PostKeepingDetails();
        transaction.commit();
    }
}

int TData::DefaultPaymentDays()
{
    bool ok = false;
    const int days = IniFile(ProgramFolder::iniPath())
                         .readString(QStringLiteral("Vorgaenge"), QStringLiteral("Zahlungsziel"))
                         .trimmed()
                         .toInt(&ok);
    return ok && days >= 0 && days <= 999 ? days : 7;
}

int TData::PaymentDaysOfCustomer() const
{
    const TField *kdnr = vorgang.FieldByName(QStringLiteral("kdnr"));
    if (kdnr->IsNull()) return -1;
    TVexDaoTable adr(nullptr, QStringLiteral("zielAdress"));
    adr.setDatabase(vorgang.Database());
    adr.SQL() << QStringLiteral("select zieltage from adress where kdnr = %1").arg(qRound64(kdnr->AsFloat()));
    try {
        adr.Open();
    } catch (const AppError &) {
        return -1; // a file without the column, opened read only
    }
    return adr.IsEmpty() || adr.Fields(0)->IsNull() ? -1 : int(adr.Fields(0)->AsInteger());
}

void TData::CustomerChanged()
{
    // A new document takes the customer's payment days where it has its own.
    if (vorgang.State() == DataSetState::Insert) {
        const int days = PaymentDaysOfCustomer();
        if (days >= 0) vorgang.FieldByName(QStringLiteral("zieltage"))->SetAsInteger(days);
    }
    const TField *fall = vorgang.FindField(QStringLiteral("Steuerfall"));
    if (!fall) return;
    const Tax::Case c = TaxCaseOfCustomer();
    if (fall->IsNull() || c != TaxCase()) SetTaxCase(c);
}

double TData::articleRateOf(const QString &artNr) const
{
    if (artNr.trimmed().isEmpty()) return 0;
    TVexDaoTable art(nullptr, QStringLiteral("steuerArtikel"));
    art.setDatabase(vorgang.Database());
    art.SQL()
        << QStringLiteral("select MwstSatz from Artikel where [Art-Nr] = %1").arg(Sql::quoteText(artNr));
    try {
        art.Open();
    } catch (const AppError &) {
        return 0; // a file without article rates
    }
    return art.IsEmpty() ? 0 : art.FieldByName(QStringLiteral("MwstSatz"))->AsFloat();
}

double TData::taxableRateOf(const QString &artNr) const
{
    const double own = articleRateOf(artNr);
    return own > 0 ? ArticleRate(own) : ProgramValues::instance().Steuer.rates.normalAt(TaxDate());
}

void TData::SetPositionRate(double rate)
{
    TField *satz = vorgangdata.FindField(QStringLiteral("MwstSatz"));
    TField *kat = vorgangdata.FindField(QStringLiteral("MwstKat"));
    if (!satz || !kat) return;
    const Tax::Case c = TaxCase();
    if (c != Tax::Case::Normal && rate != 0) throw AppError(noVatMessage(c));
    vorgangdata.Edit();
    satz->SetAsFloat(rate);
    kat->SetAsString(Tax::categoryOf(c, rate));
}

QString TData::StartNumber(const QString &typ)
{
    return Numbering::startNumber(typ);
}

QString TData::BuiltInStartNumber(const QString &typ)
{
    return Numbering::builtInStartNumber(typ);
}

QString TData::TypeName(const QString &typ) const
{
    if (typen.Active()) {
        const TField *id = typen.FindField(QStringLiteral("id"));
        const TField *name = typen.FindField(QStringLiteral("Typbez"));
        for (int i = 0; id && name && i < typen.RowCount(); ++i) {
            const QString text = name->DisplayTextAt(i);
            if (id->DisplayTextAt(i).compare(typ, Qt::CaseInsensitive) == 0 && !text.isEmpty()) return text;
        }
    }
    return typ;
}

QString TData::NextNumberAfter(const QString &typ, double highest, int fieldSize) const
{
    const QString next = Numbering::numberAfter(highest, fieldSize);
    if (next.isEmpty()) {
        const QString why = fieldSize > 0
                                ? QStringLiteral("passt nicht in das Nummernfeld (%1 Zeichen)").arg(fieldSize)
                                : QStringLiteral("ist zu groß");
        throw AppError(QStringLiteral("Für den Vorgangstyp '%1' ist keine weitere Nummer frei: die nächste "
                                      "Nummer nach %2 %3. Der neue Vorgang wurde nicht gespeichert.")
                           .arg(TypeName(typ), QString::number(highest, 'f', 0), why));
    }
    return next;
}

QStringList TData::NextNumberSql(const QString &typ)
{
    return Numbering::highestSql(typ);
}

void TData::AssignVorgangNr(const QString &typ)
{
    vorgang.FieldByName(QStringLiteral("datum"))->SetAsDate(Today());
    vorgang.FieldByName(QStringLiteral("Waehrung"))->SetAsString(CurrencyOfDate(Today()));
    TVexDaoDatabase *db = vorgang.Database();
    if (!db) throw AppError(QStringLiteral("TVexDaoTable.OpenDaoRecordset: Database is NOT connected"));
    // The highest number is read and the new one saved under one write lock:
    // two programs on one file never give the same number. The highest is the
    // numeric one, so that 10000 follows 9999 and 10001 follows 10000.
    bool refused = false;
    TField *nr = vorgang.FieldByName(QStringLiteral("vorgangnr"));
    try {
        TVexDaoDatabase::Transaction transaction(*db);
        const auto known = m_numberingRuns > 0 ? m_lastNumbers.constFind(typ) : m_lastNumbers.constEnd();
        double highest = 0;
        if (known != m_lastNumbers.constEnd()) {
            highest = double(known.value());
        } else {
            highest = Numbering::highestDocumentNumber(*db, typ);
        }
        QString next = StartNumber(typ);
        if (highest > 0) {
            refused = true; // until the next number is found to fit
            next = NextNumberAfter(typ, highest, nr->Size());
            refused = false;
        }
        if (!next.isEmpty()) nr->SetAsString(next);
        vorgang.Post();
        transaction.commit();
    } catch (...) {
        m_lastNumbers.remove(typ);
        // A new document refused a number is dropped, so that no later move
        // saves it unnumbered.
        if (refused && vorgang.State() == DataSetState::Insert) vorgang.Cancel();
        throw;
    }
    if (m_numberingRuns > 0) {
        // Only a plain number is known to be the highest a look-up would find.
        bool plain = false;
        const qint64 given = nr->AsString().trimmed().toLongLong(&plain);
        if (plain && given > 0)
            m_lastNumbers.insert(typ, given);
        else
            m_lastNumbers.remove(typ);
    }
    vorgang.Edit();
}

void TData::VorgangAfterInsert(TVexDaoTable &ds)
{
    ds.FieldByName(QStringLiteral("zieltage"))->SetAsInteger(DefaultPaymentDays());
    // A new document is summed by this version's rule and starts in the
    // firm's case; the customer's may change it (TaxCaseOfCustomer).
    if (TField *rundung = ds.FindField(QStringLiteral("Rundung"))) rundung->SetAsInteger(1);
    if (TField *fall = ds.FindField(QStringLiteral("Steuerfall")))
        fall->SetAsString(Tax::caseCode(
            ProgramValues::instance().Steuer.smallBusiness ? Tax::Case::SmallBusiness : Tax::Case::Normal));
}

void TData::VorgangBeforePost(TVexDaoTable &ds)
{
    CheckServicePeriod(ds);
    // A date that decides the rates moved: the positions must not keep the
    // rates of another period without a word (16 % on a 2026 invoice).
    if (ds.State() != DataSetState::Edit || TaxCase() != Tax::Case::Normal) return;
    bool moved = false;
    for (const char *name : {"leistungsdatum", "leistungbis", "datum"})
        if (const TField *f = ds.FindField(QString::fromLatin1(name)))
            moved = moved || ds.ValueBeforeEdit(f) != f->value();
    if (!moved) return;
    const QStringList stale = StaleRates();
    if (!stale.isEmpty())
        throw AppError(QStringLiteral("Am %1 gelten andere Steuersätze als bei Position %2. Bitte die Sätze "
                                      "anpassen (die Frage beim Ändern des Datums mit „Ja“ beantworten) oder "
                                      "das Datum zurücksetzen; der Vorgang wurde nicht gespeichert.")
                           .arg(German::formatDate(TaxDate()), stale.join(QStringLiteral(", "))));
}

QStringList TData::StaleRates()
{
    QStringList stale;
    if (!vorgangdata.Active() || vorgangdata.IsEmpty() || TaxCase() != Tax::Case::Normal) return stale;
    const PositionTax tax(vorgangdata);
    if (!tax.rate || !tax.kat) return stale;
    const Tax::Rates &rates = ProgramValues::instance().Steuer.rates;
    const QList<double> choices = RateChoices();
    TField *pos = vorgangdata.FieldByName(QStringLiteral("Pos"));
    forEachPosition([&] {
        const double rate = tax.rateValue();
        const Tax::Rates::Kind kind = rates.kindOf(rate);
        if (tax.category() != QLatin1String("S") || choices.contains(rate) ||
            (kind != Tax::Rates::Kind::Normal && kind != Tax::Rates::Kind::Reduced))
            return;
        stale << QStringLiteral("%1 (%2 %, jetzt %3 %)")
                     .arg(pos->AsString(), Tax::rateText(rate),
                          Tax::rateText(rates.sameKindAt(rate, TaxDate())));
    });
    return stale;
}

void TData::RerateToTaxDate()
{
    postPendingPosition();
    if (StaleRates().isEmpty()) return;
    const Tax::Rates &rates = ProgramValues::instance().Steuer.rates;
    const QList<double> choices = RateChoices();
    const PositionTax tax(vorgangdata);
    // The new date and the rates it brings are saved together.
    saveWithPositions([&] {
        forEachPosition([&] {
            const double rate = tax.rateValue();
            if (tax.category() != QLatin1String("S") || choices.contains(rate)) return;
            const double now = rates.sameKindAt(rate, TaxDate());
            if (now == rate) return;
            vorgangdata.Edit();
            tax.rate->SetAsFloat(now);
            vorgangdata.Post();
        });
    });
}

void TData::CheckServicePeriod(const TVexDaoTable &ds)
{
    const TField *from = ds.FindField(QStringLiteral("leistungsdatum"));
    const TField *to = ds.FindField(QStringLiteral("leistungbis"));
    if (!from || !to || to->IsNull()) return;
    if (from->IsNull())
        throw AppError(QStringLiteral("Ein Leistungszeitraum braucht seinen Anfang: bitte das Leistungsdatum "
                                      "eintragen oder \"bis\" leeren."));
    if (to->AsDate() < from->AsDate())
        throw AppError(QStringLiteral("Der Leistungszeitraum endet (%1) vor seinem Anfang (%2).")
                           .arg(German::formatDate(to->AsDate()), German::formatDate(from->AsDate())));
}

void TData::VorgangBeforeDelete(TVexDaoTable &ds)
{
    if (isReceivedInvoice(ds))
        throw AppError(QStringLiteral("Eine eingelesene Eingangsrechnung wird nicht gelöscht: sie bleibt mit "
                                      "ihrem Original aufbewahrt. Ist sie hinfällig, markieren Sie sie unter "
                                      "\"Info's zum Vorgang\" als storniert."));
    Dunning::SetLevelFromReminders(ds, true);
    vorgangdata.First();
    while (!vorgangdata.IsEmpty())
        vorgangdata.Delete();
}

void TData::VorgangCalcFields(TVexDaoTable &ds)
{
    const double vk = ds.FieldByName(QStringLiteral("vk"))->AsFloat();
    const double ek = ds.FieldByName(QStringLiteral("ek"))->AsFloat();
    ds.FieldByName(QStringLiteral("vkbr"))->SetAsFloat(double(Money::toAmount(Tax::grossOf(ds))));
    ds.FieldByName(QStringLiteral("gewinn"))->SetAsFloat(vk - ek);
}

void TData::VorgangDataAfterInsert(TVexDaoTable &ds)
{
    ds.FieldByName(QStringLiteral("Pos"))->SetAsInteger(ds.RecordCount() + 1);
    // The rate valid at the document's date of supply, in the document's case.
    TField *satz = ds.FindField(QStringLiteral("MwstSatz"));
    TField *kat = ds.FindField(QStringLiteral("MwstKat"));
    if (satz && kat) {
        const Tax::Case c = TaxCase();
        const double rate =
            c == Tax::Case::Normal ? ProgramValues::instance().Steuer.rates.normalAt(TaxDate()) : 0.0;
        satz->SetAsFloat(rate);
        kat->SetAsString(Tax::categoryOf(c, rate));
    }
}

void TData::VorgangDataBeforePost(TVexDaoTable &ds)
{
    // A rate typed into the grid: its category follows from it and the
    // document's case; "O" (not subject to VAT) is chosen per position.
    TField *satz = ds.FindField(QStringLiteral("MwstSatz"));
    TField *kat = ds.FindField(QStringLiteral("MwstKat"));
    if (!satz || !kat) return;
    // An empty rate (a row written by another tool) is the program-wide rate,
    // as everywhere, unless the row's category charges none.
    const QString storedKat = kat->AsString().trimmed().toUpper();
    const double rate = !satz->IsNull() ? satz->AsFloat()
                        : storedKat == QLatin1String("O") || Tax::isTaxFreeCategory(storedKat)
                            ? 0.0
                            : Tax::rateOfField(satz);
    // Choosing O sets the rate 0 (below); a rate typed afterwards makes the position taxable.
    const bool notSubject = kat->AsString().trimmed().toUpper() == QLatin1String("O") && rate == 0;
    if (!(rate >= 0 && rate < 100))
        throw AppError(
            QStringLiteral("Der Steuersatz %1 % ist nicht möglich: bitte einen Satz zwischen 0 und "
                           "99 % eingeben (z. B. 19 oder 7).")
                .arg(Tax::rateText(rate)));
    const Tax::Case c = TaxCase();
    if (!notSubject && c != Tax::Case::Normal && rate != 0) throw AppError(noVatMessage(c));
    // A rate typed or picked must be one the law knows at the date of supply;
    // a rate the position already had stays (a document of another period).
    const Value before = ds.ValueBeforeEdit(satz);
    const double rateBefore =
        before.isNull() ? double(ProgramValues::instance().MwstSatz) : before.toDouble();
    const bool rateChanged = ds.State() == DataSetState::Insert || std::abs(rateBefore - rate) > 1e-9;
    if (c == Tax::Case::Normal && rate != 0 && rateChanged) {
        const QList<double> choices = RateChoices();
        if (!std::any_of(choices.begin(), choices.end(),
                         [&](double r) { return std::abs(r - rate) < 1e-9; })) {
            QStringList allowed;
            for (double r : choices)
                allowed << Tax::rateText(r) + QStringLiteral(" %");
            throw AppError(QStringLiteral("Den Steuersatz %1 % gibt es am %2 nicht; möglich sind %3.")
                               .arg(Tax::rateText(rate), German::formatDate(TaxDate()),
                                    allowed.join(QStringLiteral(", "))));
        }
    }
    const QString want = notSubject ? QStringLiteral("O") : Tax::categoryOf(c, rate);
    if (kat->AsString() != want) kat->SetAsString(want);
}

void TData::VorgangDataAfterPost(TVexDaoTable &)
{
    if (m_totalsDeferred > 0) return;
    RecalcTotals();
    // The totals are saved in the position's transaction: a document deleted
    // or changed elsewhere refuses both, and no position outlives its
    // document. The positions stay as they are shown.
    if (vorgang.State() == DataSetState::Edit) vorgang.PostKeepingDetails();
}

TData::NumberingRun::NumberingRun(TData &data) : m_data(data)
{
    ++m_data.m_numberingRuns;
}

TData::NumberingRun::~NumberingRun()
{
    if (--m_data.m_numberingRuns == 0) m_data.m_lastNumbers.clear();
}

TData::TotalsDeferred::TotalsDeferred(TData &data) : m_data(data)
{
    ++m_data.m_totalsDeferred;
}

TData::TotalsDeferred::~TotalsDeferred()
{
    --m_data.m_totalsDeferred;
}

void TData::VorgangDataAfterDelete(TVexDaoTable &ds)
{
    if (ds.IsEmpty()) return;
    const qint64 remembered = ds.FieldByName(QStringLiteral("id"))->AsInteger();
    {
        // Each renumbered position is saved on its own; the totals are the
        // same after every one of these saves, so they are computed once.
        TotalsDeferred deferred(*this);
        TField *pos = ds.FieldByName(QStringLiteral("Pos"));
        int n = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) {
            ++n;
            if (pos->AsInteger() != n) {
                ds.Edit();
                pos->SetAsInteger(n);
                ds.Post();
            }
        }
    }
    RecalcTotals();
    ds.setFilter(QStringLiteral("ID = %1").arg(remembered));
    ds.FindFirst();
    ds.setFilter(QString());
}

void TData::VorgangDataCalcFields(TVexDaoTable &ds)
{
    // The line amount as the document sums it: to the cent, or, in a document
    // of an older version, the product as it was shown.
    const double preis = ds.FieldByName(QStringLiteral("Preis"))->AsFloat();
    const double anzahl = ds.FieldByName(QStringLiteral("anzahl"))->AsFloat();
    const bool legacy = Tax::isLegacyDocument(vorgang);
    const double total = legacy ? double(static_cast<long double>(preis) * anzahl)
                                : double(Money::toAmount(Tax::Totals::lineAmount(anzahl, preis, true)));
    const PositionTax tax(ds);
    const double rate = Tax::isTaxFreeCategory(tax.category()) ? 0.0 : tax.rateValue();
    ds.FieldByName(QStringLiteral("gesamtpreis"))->SetAsFloat(total);
    ds.FieldByName(QStringLiteral("preisbr"))->SetAsFloat(double(total * (1.0L + rate / 100.0L)));
}

void TData::ArtikelAfterInsert(TVexDaoTable &ds)
{
    ds.FieldByName(QStringLiteral("Waehrung"))->SetAsString(CurrencyOfDate(Today()));
    if (TField *satz = ds.FindField(QStringLiteral("MwstSatz")))
        satz->SetAsFloat(ProgramValues::instance().Steuer.rates.normalAt(Today()));
}

void TData::ArtikelBeforePost(TVexDaoTable &ds)
{
    ds.FieldByName(QStringLiteral("Preisdatum"))->SetAsDate(Today());
}

void TData::ArtikelCalcFields(TVexDaoTable &ds)
{
    const TField *satz = ds.FindField(QStringLiteral("MwstSatz"));
    const long double factor =
        satz && !satz->IsNull() ? 1.0L + satz->AsFloat() / 100.0L : ProgramValues::instance().vatFactor();
    const double vk = ds.FieldByName(QStringLiteral("VK"))->AsFloat();
    ds.FieldByName(QStringLiteral("Gewinn"))
        ->SetAsFloat(vk - ds.FieldByName(QStringLiteral("EK"))->AsFloat());
    ds.FieldByName(QStringLiteral("vkbrutto"))->SetAsFloat(double(vk * factor));
}
