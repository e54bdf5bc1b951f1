// SPDX-License-Identifier: GPL-3.0-or-later
#include "tbvorgang.h"

#include "base/apperror.h"
#include "base/germanformat.h"
#include "base/money.h"
#include "base/textfiles.h"
#include "data/dunning.h"
#include "data/programfolder.h"
#include "data/programvalues.h"
#include "data/settings.h"
#include "data/tax.h"
#include "einvoice/sellerdata.h"
#include "platform/pictures.h"
#include "report/pageset.h"
#include "report/reportfonts.h"

#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace {

using BandKind = ReportBand::Kind;
using ReportFonts::font;

const QString kTimes = QStringLiteral("Times New Roman");
const QString kArial = QStringLiteral("Arial");
// The totals block: the tops of the net, the VAT line, the rule and the gross.
constexpr qreal kNetTop = 0.8, kVatTop = 6.1, kRuleTop = 11.6, kGrossTop = 12.4;

// Letterhead positions are screen pixels of the layout at 100 % (96 per inch).
qreal mmOfPixels(int pixels)
{
    return pixels * 25.4 / 96.0;
}

} // namespace

TBvorgang::TBvorgang(TVexDaoDatabase *connection, QObject *parent)
    : QObject(parent), Vorgang1(this, QStringLiteral("Vorgang1")), VorgangQ(this, &Vorgang1),
      vorgang2(this, QStringLiteral("vorgang2")), typ(this, QStringLiteral("typ")), m_master(Vorgang1),
      m_positions(vorgang2)
{
    setObjectName(QStringLiteral("BVorgang"));
    using T = FieldType;
    typ.setDatabase(connection);
    typ.setTableName(QStringLiteral("VTyp"));

    Vorgang1.setDatabase(connection);
    Vorgang1.setTableName(QStringLiteral("Vorgang1"));
    Vorgang1.addLookupField(QStringLiteral("Typname"), T::Text, 30, QStringLiteral("typ"), &typ,
                            QStringLiteral("id"), QStringLiteral("Typbez"));

    vorgang2.setDatabase(connection);
    vorgang2.setTableName(QStringLiteral("Vorgang2"));
    vorgang2.setMasterSource(&VorgangQ);
    vorgang2.setMasterFields({QStringLiteral("vorgangID -> id")});
    // In the order of their numbers, as the editor shows them.
    vorgang2.OrderByField(QStringLiteral("Pos"));
    vorgang2.addCalcField(QStringLiteral("gesamtpreis"), T::Number);
    vorgang2.OnCalcFields = [this](TVexDaoTable &ds) { Vorgang2CalcFields(ds); };

    buildLayout();
}

TBvorgang::~TBvorgang() = default;

void TBvorgang::buildLayout()
{
    Bericht.paper = QSizeF(210, 297);
    Bericht.margins = QMarginsF(20, 15, 20, 10);
    Bericht.baseFont = font(kTimes, 12);
    Bericht.setMaster(&m_master);
    Bericht.beforePrint = [this](Report &) { BerichtBeforePrint(); };
    using Fit = ReportElement::Fit;

    // At the paper's left edge, as DIN 5008 has them: fold marks at 105 and
    // 210 mm, the punch mark at the middle of the sheet; and on every page of
    // a cancelled document a stamp in the top margin, where nothing else stands.
    Marken = Bericht.addBand(BandKind::Overlay, QStringLiteral("Marken"), 0);
    Marken->beforePrint = [this](ReportBand &, bool &print) { MarkenBeforePrint(print); };
    Falzmarke1 = &Marken->addLine(QStringLiteral("Falzmarke1"), 5, 105, 5);
    Lochmarke = &Marken->addLine(QStringLiteral("Lochmarke"), 5, 148.5, 8);
    Falzmarke2 = &Marken->addLine(QStringLiteral("Falzmarke2"), 5, 210, 5);
    for (ReportElement *mark : {Falzmarke1, Lochmarke, Falzmarke2})
        mark->penWidth = 0.2;
    Storniert = &Marken->addLabel(QStringLiteral("Storniert"), 70, 4.5, QStringLiteral("STORNIERT"))
                     .size(70, 9.5)
                     .aligned(Qt::AlignHCenter)
                     .withFont(font(kArial, 22, true));
    Storniert->color = QColor(176, 0, 0);
    Storniert->framed = true;
    Storniert->penWidth = 0.6;

    // Pages 2 and later: name, addition, the short sender block, page number.
    PageHeaderBand1 = Bericht.addBand(BandKind::PageHeader, QStringLiteral("PageHeaderBand1"), 32.3);
    PageHeaderBand1->printOnFirstPage = false;
    Firmaname1 = &PageHeaderBand1->addLabel(QStringLiteral("Firmaname1"), 0, mmOfPixels(4),
                                            QStringLiteral("Firmenname"));
    Firmaname1->font = font(kTimes, 36);
    ZusatzName1 =
        &PageHeaderBand1->addLabel(QStringLiteral("ZusatzName1"), mmOfPixels(4), mmOfPixels(60), {});
    ZusatzName1->font = font(kArial, 12, false, true);
    // A longer sender block pushes the page number and the line down.
    Memo1 = &PageHeaderBand1->addMemo(QStringLiteral("Memo1"), 135.5, 2.6, 31.5, 0).fitting(Fit::Grow);
    QRSysData1 =
        &PageHeaderBand1->addPageNumber(QStringLiteral("QRSysData1"), 141.6, 21.7, QStringLiteral("Seite: "))
             .size(26.7, 5.3)
             .aligned(Qt::AlignRight)
             .withFont(font(kArial, 10));
    QRShape3 = &PageHeaderBand1->addLine(QStringLiteral("QRShape3"), 1.3, 29.1, 168.0);

    // First page: the letterhead, the recipient, numbers and date, the title line.
    BandTitle = Bericht.addBand(BandKind::Title, QStringLiteral("BandTitle"), 93.9);
    BandTitle->beforePrint = [this](ReportBand &, bool &print) { BandTitleBeforePrint(print); };
    Logo = &BandTitle->addPicture(QStringLiteral("Logo"), 95, 0, 35);
    Logo->enabled = false;
    FirmaName =
        &BandTitle->addLabel(QStringLiteral("FirmaName"), 0, mmOfPixels(4), QStringLiteral("Firmenname"));
    FirmaName->font = font(kTimes, 36);
    Zusatzname = &BandTitle->addLabel(QStringLiteral("Zusatzname"), mmOfPixels(4), mmOfPixels(60), {});
    Zusatzname->font = font(kArial, 12);
    // Ends above the line: the first page keeps the address window in its place.
    Memo = &BandTitle->addMemo(QStringLiteral("Memo"), 134.1, 1.3, 31.5, 28.8).fitting(Fit::Cut);
    QRShape1 = &BandTitle->addLine(QStringLiteral("QRShape1"), 0, 30.4, 168.0);
    Briefadresse = &BandTitle->addLabel(QStringLiteral("Briefadresse"), 0, 33.1, {});
    Briefadresse->font = font(kArial, 6);
    QRDBText1 = &BandTitle->addDataText(QStringLiteral("QRDBText1"), 0, 42.3, QStringLiteral("anschrift"))
                     .size(108.7, 37.6)
                     .fitting(Fit::Cut);
    // Numbers and date: labels and values in two columns, the values ending on
    // the right margin (a longer tax number is set smaller, never past it).
    const qreal infoLabels = 116.0, infoValues = 145.0, infoWidth = Bericht.bandWidth() - infoValues;
    kd1 = &BandTitle->addExpression(QStringLiteral("kd1"), infoLabels, 66.1,
                                    [](const RowSource *) { return QStringLiteral("Kd.-Nr.: "); });
    kd2 = &BandTitle->addExpression(QStringLiteral("kd2"), infoValues, 66.1, [this](const RowSource *) {
        return QString::number(qRound64(Vorgang1.FieldByName(QStringLiteral("kdnr"))->AsFloat()));
    });
    USt2 = &BandTitle->addLabel(QStringLiteral("USt2"), infoLabels, 71.4, QStringLiteral("Steuernummer:"));
    UST1 = &BandTitle->addLabel(QStringLiteral("UST1"), infoValues, 71.4, {});
    StNr2 = &BandTitle->addLabel(QStringLiteral("StNr2"), infoLabels, 71.4, QStringLiteral("Steuernummer:"));
    StNr1 = &BandTitle->addLabel(QStringLiteral("StNr1"), infoValues, 71.4, {});
    QRLabel1 = &BandTitle->addLabel(QStringLiteral("QRLabel1"), infoLabels, 76.7, QStringLiteral("Datum:"));
    QRExpr2 =
        &BandTitle->addExpression(QStringLiteral("QRExpr2"), infoValues, 76.7, [this](const RowSource *) {
            const TField *d = Vorgang1.FieldByName(QStringLiteral("datum"));
            return d->IsNull() ? QString() : German::formatDate(d->AsDate());
        });
    for (ReportElement *value : {kd2, UST1, StNr1, QRExpr2})
        value->size(infoWidth);
    QRExpr1 = &BandTitle->addExpression(QStringLiteral("QRExpr1"), 0, 87.3, [this](const RowSource *) {
        // A reminder is titled by its level: "1. Mahnung M - 20042".
        const TField *level = Vorgang1.FindField(QStringLiteral("mahnstufe"));
        const QString title = docText("typ") == QLatin1String("M") && level && !level->IsNull()
                                  ? Dunning::LevelTitle(int(level->AsInteger()))
                                  : QString();
        return (title.isEmpty() ? docText("Typname") : title) + QLatin1Char(' ') + docText("typ") +
               QStringLiteral(" - ") + docText("vorgangnr");
    });
    QRExpr1->toBand(ReportElement::BandAlign::Left).size(123.0, 6.1).withFont(font(kArial, 14, true));

    ChildTitle = Bericht.addChild(BandTitle, QStringLiteral("ChildTitle"), 13.5);
    QRDBText3 = &ChildTitle->addDataText(QStringLiteral("QRDBText3"), 0, 3.2, QStringLiteral("Kopftext"))
                     .size(167.5)
                     .fitting(Fit::Grow)
                     .withFont(font(kTimes, 10));

    // The positions with their column titles.
    GroupHeaderBand1 = Bericht.addBand(BandKind::GroupHeader, QStringLiteral("GroupHeaderBand1"), 6.3);
    GroupHeaderBand1->font = font(kArial, 10, true, false, true);
    GroupHeaderBand1->beforePrint = [this](ReportBand &, bool &print) { GroupHeaderBand1BeforePrint(print); };
    QRLabel5 = &GroupHeaderBand1->addLabel(QStringLiteral("QRLabel5"), 0, 0.5, QStringLiteral("Pos"));
    QRLabel3 =
        &GroupHeaderBand1->addLabel(QStringLiteral("QRLabel3"), 10.6, 0.5, QStringLiteral("Bezeichnung"));
    QRLabel4 = &GroupHeaderBand1->addLabel(QStringLiteral("QRLabel4"), 107.2, 0.5, QStringLiteral("Menge"));
    lPreis = &GroupHeaderBand1->addLabel(QStringLiteral("lPreis"), 138.9, 0.5, QStringLiteral("Preis"));
    lgesamt = &GroupHeaderBand1->addLabel(QStringLiteral("lgesamt"), 156.1, 0.5, QStringLiteral("Gesamt"));
    lSatz = &GroupHeaderBand1->addLabel(QStringLiteral("lSatz"), 136.5, 0.5, QStringLiteral("USt."));

    BandDetail = Bericht.addSubDetail(QStringLiteral("BandDetail"), 5.8, &m_positions, GroupHeaderBand1);
    BandDetail->font = font(kTimes, 9);
    BandDetail->beforePrint = [this](ReportBand &, bool &print) { BandDetailBeforePrint(print); };
    QRDBText11 = &BandDetail->addDataText(QStringLiteral("QRDBText11"), 0, 0.3, QStringLiteral("Pos"));
    QRDBText7 =
        &BandDetail->addDataText(QStringLiteral("QRDBText7"), 10.6, 0.3, QStringLiteral("Bezeichnung"))
             .size(92.9)
             .fitting(Fit::Grow);
    sMenge = &BandDetail->addDataText(QStringLiteral("sMenge"), 108.5, 0.3, QStringLiteral("Anzahl"))
                  .size(8.2)
                  .aligned(Qt::AlignRight);
    QRDBText4 = &BandDetail->addDataText(QStringLiteral("QRDBText4"), 117.2, 0.3, QStringLiteral("Einheit"))
                     .size(8.7);
    sPreis = &BandDetail->addDataText(QStringLiteral("sPreis"), 126.5, 0.3, QStringLiteral("Preis"))
                  .size(21.2)
                  .aligned(Qt::AlignRight);
    sSatz =
        &BandDetail
             ->addExpression(QStringLiteral("sSatz"), 137.0, 0.3,
                             [this](const RowSource *) {
                                 const QString kat = Tax::positionCategory(vorgang2);
                                 if (kat == QLatin1String("O")) return QStringLiteral("n. st.");
                                 return Tax::rateText(Tax::positionVatRate(vorgang2)) + QStringLiteral(" %");
                             })
             .size(8.0)
             .aligned(Qt::AlignRight);
    sGesamt = &BandDetail->addDataText(QStringLiteral("sGesamt"), 0, 0.3, QStringLiteral("gesamtpreis"))
                   .size(22.5)
                   .aligned(Qt::AlignRight)
                   .toBand(ReportElement::BandAlign::Right);

    // Totals: a label and an amount per line. The VAT line may hold several
    // lines (one per rate); what stands below it moves down with it.
    Zusammenfassung = Bericht.addBand(BandKind::Summary, QStringLiteral("Zusammenfassung"), 25.9);
    Zusammenfassung->beforePrint = [this](ReportBand &, bool &print) { ZusammenfassungBeforePrint(print); };
    const qreal labels = 85.0, labelWidth = 40.0, amountWidth = 44.5;
    const auto amount = [&](const QString &name, qreal top) -> ReportElement & {
        return Zusammenfassung->addLabel(name, 0, top, {})
            .size(amountWidth)
            .aligned(Qt::AlignRight)
            .toBand(ReportElement::BandAlign::Right);
    };
    lNetto =
        &Zusammenfassung->addLabel(QStringLiteral("lNetto"), labels, kNetTop, QStringLiteral("Nettobetrag"))
             .size(labelWidth);
    GesNetto = &amount(QStringLiteral("GesNetto"), kNetTop);
    // Up to the amounts: a VAT line may name the net it is charged on. Each
    // stays one line beside its amount (a large net is set smaller), as the
    // amounts beside them grow the band.
    lMW = &Zusammenfassung->addLabel(QStringLiteral("lMW"), labels, kVatTop, {})
               .size(labelWidth + 18)
               .fitting(Fit::Shrink);
    GesMW = &amount(QStringLiteral("GesMW"), kVatTop).fitting(Fit::Grow);
    Summenlinie = &Zusammenfassung->addLine(QStringLiteral("Summenlinie"), labels, kRuleTop,
                                            Bericht.bandWidth() - labels);
    Summenlinie->penWidth = 0.2;
    lBrutto = &Zusammenfassung->addLabel(QStringLiteral("lBrutto"), labels, kGrossTop, {})
                   .size(labelWidth)
                   .withFont(font(kTimes, 12, true));
    GesBrutto = &amount(QStringLiteral("GesBrutto"), kGrossTop).withFont(font(kTimes, 12, true));

    Zahlungsziel = Bericht.addChild(Zusammenfassung, QStringLiteral("Zahlungsziel"), 8.7);
    Zahlungsziel->beforePrint = [this](ReportBand &, bool &print) { ZahlungszielBeforePrint(print); };
    // The date of supply and the tax notes stand above the payment line.
    Ziel1 = &Zahlungsziel->addLabel(QStringLiteral("Ziel1"), 1.3, 0.5, QStringLiteral("       "))
                 .size(Bericht.bandWidth() - 1.3)
                 .fitting(Fit::Grow)
                 .withFont(font(kTimes, 10));

    Fussband = Bericht.addChild(Zahlungsziel, QStringLiteral("Fussband"), 6.3);
    QRDBText12 = &Fussband->addDataText(QStringLiteral("QRDBText12"), 0, 0.5, QStringLiteral("Fusstext"))
                      .size(168.8)
                      .fitting(Fit::Grow)
                      .withFont(font(kTimes, 10));

    // Every page: the firm's four footer columns; what does not fit is cut.
    PageFooterBand1 = Bericht.addBand(BandKind::PageFooter, QStringLiteral("PageFooterBand1"), 18.0);
    PageFooterBand1->font = font(kArial, 8);
    MemoF1 = &PageFooterBand1->addMemo(QStringLiteral("MemoF1"), 0, 0.5, 39.7, 16.7)
                  .toBand(ReportElement::BandAlign::Left);
    MemoF2 = &PageFooterBand1->addMemo(QStringLiteral("MemoF2"), 45.0, 0.5, 39.7, 16.1);
    MemoF3 = &PageFooterBand1->addMemo(QStringLiteral("MemoF3"), 90.0, 0.5, 39.7, 16.1);
    MemoF4 =
        &PageFooterBand1->addMemo(QStringLiteral("MemoF4"), 132.3, 0.5, Bericht.bandWidth() - 132.3, 16.7);
    for (ReportElement *column : {MemoF1, MemoF2, MemoF3, MemoF4})
        column->fit = Fit::Cut;
}

QString TBvorgang::docText(const char *field) const
{
    return Vorgang1.FieldByName(QString::fromLatin1(field))->AsString();
}

void TBvorgang::FormCreate(const QString &idText)
{
    // Only a whole number reaches the filter text: anything else would be
    // read as a condition of its own.
    static const QRegularExpression number(QStringLiteral("^\\s*-?\\d{1,18}\\s*$"));
    if (!number.match(idText).hasMatch())
        throw AppError(
            QStringLiteral("Ungültige Vorgangs-ID \"%1\": erwartet wird eine ganze Zahl").arg(idText));
    typ.Open();
    Vorgang1.setFilter(QStringLiteral("id =") + idText.trimmed());
    Vorgang1.setFiltered(true);
    Vorgang1.Open();
    vorgang2.Open();
    loadLetterhead();
    m_foldMarks = IniFile(ProgramFolder::iniPath())
                      .readBool(QStringLiteral("Druck"), QStringLiteral("Falzmarken"), true);
}

void TBvorgang::loadLetterhead()
{
    m_problems.clear();
    const auto problem = [this](const QString &file, const QString &what) {
        m_problems << QStringLiteral("%1: %2").arg(file, what);
    };

    // vorgang.txt is taken whole or not at all, so that a name never appears
    // beside a half-read position or font.
    const QString letterhead = QStringLiteral("vorgang.txt");
    try {
        const QStringList lines = TextFiles::readLinesOrNotFound(ProgramFolder::file(letterhead));
        if (lines.size() < 9) throw AppError(QStringLiteral("nur %1 von 9 Zeilen").arg(lines.size()));
        int positions[4] = {};
        const int lineOf[4] = {3, 4, 7, 8};
        for (int i = 0; i < 4; ++i) {
            bool ok = false;
            positions[i] = lines.at(lineOf[i] - 1).trimmed().toInt(&ok);
            if (!ok)
                throw AppError(QStringLiteral("Zeile %1: \"%2\" ist keine ganze Zahl")
                                   .arg(lineOf[i])
                                   .arg(lines.at(lineOf[i] - 1)));
        }
        const auto family = [](const QString &name) {
            return name.trimmed().isEmpty() ? kTimes : name.trimmed();
        };
        // LoadLabelFromText for the first page, then for the page header.
        for (ReportElement *name : {FirmaName, Firmaname1}) {
            name->text = lines.at(0);
            name->font = font(family(lines.at(1)), 36);
            name->left = mmOfPixels(positions[0]);
            name->top = mmOfPixels(positions[1]);
        }
        for (ReportElement *addition : {Zusatzname, ZusatzName1}) {
            addition->text = lines.at(4);
            addition->font = font(family(lines.at(5)), 12, false, addition == ZusatzName1);
            addition->left = mmOfPixels(positions[2]);
            addition->top = mmOfPixels(positions[3]);
        }
        Briefadresse->text = lines.at(8);
    } catch (const AppError &e) {
        problem(letterhead, e.message());
    }

    // The logo: a PNG or SVG in the program folder, where the settings put it.
    const IniFile ini(ProgramFolder::iniPath());
    const QString logo = ini.readString(QStringLiteral("Druck"), QStringLiteral("Logo")).trimmed();
    Logo->enabled = false;
    if (!logo.isEmpty()) {
        const auto mm = [&ini](const char *key, qreal fallback) {
            bool ok = false;
            const qreal v =
                ini.readString(QStringLiteral("Druck"), QString::fromLatin1(key)).trimmed().toDouble(&ok);
            return ok && v >= 0 ? v : fallback;
        };
        Logo->left = mm("LogoLinks", 95);
        Logo->top = mm("LogoOben", 0);
        Logo->width = qBound<qreal>(5, mm("LogoBreite", 35), 170);
        Logo->picture = Pictures::loadLogo(ProgramFolder::file(logo), Logo->width);
        Logo->enabled = !Logo->picture.isNull();
        if (!Logo->enabled) problem(logo, QStringLiteral("kein lesbares Bild (PNG oder SVG)"));
    }

    const struct
    {
        const char *file;
        ReportElement *memo;
    } memos[] = {{"vorgang1.txt", Memo}, {"vorgang2.txt", Memo1}, {"Fuss1.txt", MemoF1},
                 {"Fuss2.txt", MemoF2},  {"Fuss3.txt", MemoF3},   {"Fuss4.txt", MemoF4}};
    for (const auto &m : memos) {
        const QString file = QString::fromLatin1(m.file);
        try {
            m.memo->lines = TextFiles::loadLines(ProgramFolder::file(file));
        } catch (const AppError &e) {
            problem(file, e.message());
        }
    }
}

QString TBvorgang::titleText() const
{
    if (!Vorgang1.Active() || Vorgang1.IsEmpty()) return QStringLiteral("Vorgang -");
    return QStringLiteral("Vorgang %1-%2").arg(docText("Typ"), docText("Vorgangnr"));
}

QStringList TBvorgang::fitProblems(const PageSet &pages) const
{
    const auto footer = [](int column) {
        return QStringLiteral("Fuss%1.txt passt nicht ganz in die Fußzeile; was nicht passt, fehlt im Druck.")
            .arg(column);
    };
    const QHash<const ReportElement *, QString> known = {
        {QRDBText1, QStringLiteral("Die Anschrift hat mehr Zeilen, als das Anschriftfeld fasst; die letzten "
                                   "fehlen im Druck.")},
        {Memo,
         QStringLiteral("vorgang1.txt hat mehr Zeilen, als der Briefkopf über der Linie fasst; die letzten "
                        "fehlen im Druck.")},
        {MemoF1, footer(1)},
        {MemoF2, footer(2)},
        {MemoF3, footer(3)},
        {MemoF4, footer(4)}};
    // The rest are one-line fields; the user knows them by their column.
    const QHash<const ReportElement *, QString> columns = {
        {sMenge, QStringLiteral("Menge")},    {QRDBText4, QStringLiteral("Einheit")},
        {sPreis, QStringLiteral("Preis")},    {sGesamt, QStringLiteral("Gesamt")},
        {GesNetto, QStringLiteral("Summen")}, {GesMW, QStringLiteral("Summen")},
        {GesBrutto, QStringLiteral("Summen")}};
    QStringList out;
    for (const QString &name : pages.cutElements()) {
        const ReportElement *e = Bericht.element(name);
        QString problem = known.value(e);
        if (problem.isEmpty() && columns.contains(e))
            problem = QStringLiteral("Ein Wert der Spalte \"%1\" ist zu breit für sie und endet im Druck mit "
                                     "\"…\".")
                          .arg(columns.value(e));
        if (problem.isEmpty())
            problem = QStringLiteral("Ein Text ist zu breit für sein Feld und endet im Druck mit \"…\".");
        if (!out.contains(problem)) out << problem;
    }
    return out;
}

bool TBvorgang::cancelled() const
{
    return Vorgang1.Active() && !Vorgang1.IsEmpty() &&
           Vorgang1.FieldByName(QStringLiteral("storniert"))->AsBoolean();
}

bool TBvorgang::debited() const
{
    const TField *means = Vorgang1.FindField(QStringLiteral("Zahlungsart"));
    return means && means->AsString().trimmed() == QLatin1String("59");
}

QString TBvorgang::moneyMask() const
{
    return QStringLiteral("#,##0.00 ") + docText("Waehrung");
}

void TBvorgang::BerichtBeforePrint()
{
    sPreis->mask = moneyMask();
    sGesamt->mask = moneyMask();
    // With more than one rate (or a part without VAT) each position says
    // which it is, as § 14 Abs. 4 UStG asks the totals to be split.
    QSet<QString> kinds;
    for (vorgang2.First(); !vorgang2.Eof(); vorgang2.Next())
        if (vorgang2.FieldByName(QStringLiteral("anzahl"))->AsFloat() != 0)
            kinds.insert(Tax::positionCategory(vorgang2) + QLatin1Char(' ') +
                         Tax::rateText(Tax::positionVatRate(vorgang2)));
    vorgang2.First();
    m_mixedRates = kinds.size() > 1 && docText("typ") != QLatin1String("L");
    placeColumns();
}

void TBvorgang::placeColumns()
{
    // The rate column takes its room from the description.
    const qreal shift = m_mixedRates ? 12.0 : 0.0;
    QRDBText7->width = 92.9 - shift;
    QRLabel4->left = 107.2 - shift;
    sMenge->left = 108.5 - shift;
    QRDBText4->left = 117.2 - shift;
    lPreis->left = 138.9 - shift - (m_mixedRates ? 2.0 : 0.0);
    sPreis->left = 126.5 - shift - (m_mixedRates ? 2.0 : 0.0);
    lSatz->enabled = m_mixedRates;
    sSatz->enabled = m_mixedRates;
}

void TBvorgang::MarkenBeforePrint(bool &)
{
    for (ReportElement *mark : {Falzmarke1, Lochmarke, Falzmarke2})
        mark->enabled = m_foldMarks;
    Storniert->enabled = cancelled();
}

void TBvorgang::BandTitleBeforePrint(bool &)
{
    Sums = Tax::Totals(!Tax::isLegacyDocument(Vorgang1));
    NetSum = 0;
    GrossSum = 0;
    // Each number under its own name: a VAT id (with its country prefix) is
    // no tax number. The settings' [UST] ID is either; [ERechnung] may add the other.
    const QString ustId = ProgramValues::instance().UstId.trimmed();
    const SellerData seller = SellerData::read(ProgramFolder::iniPath());
    // A tax number is digits (and slashes); a VAT id begins with its country.
    const auto isVatId = [](const QString &n) {
        const QString c = Tax::compactVatId(n);
        return c.size() > 4 && c.at(0).isLetter() && c.at(1).isLetter();
    };
    QString vatId = isVatId(ustId) ? ustId : QString();
    QString taxNumber = vatId.isEmpty() ? ustId : QString();
    if (vatId.isEmpty() && isVatId(seller.UStIdNr)) vatId = seller.UStIdNr.trimmed();
    if (taxNumber.isEmpty()) taxNumber = seller.Steuernummer.trimmed();
    if (!ustId.isEmpty() && !vatId.isEmpty() && !taxNumber.isEmpty() && ustId != vatId && ustId != taxNumber)
        taxNumber.clear(); // the number the settings name for the print comes first
    const bool both = !vatId.isEmpty() && !taxNumber.isEmpty();
    const bool withTaxNumber = !vatId.isEmpty() || !taxNumber.isEmpty();
    USt2->text = vatId.isEmpty() ? QStringLiteral("Steuernummer:") : QStringLiteral("USt-IdNr.:");
    UST1->text = vatId.isEmpty() ? taxNumber : vatId;
    UST1->enabled = withTaxNumber;
    USt2->enabled = withTaxNumber;
    StNr1->text = taxNumber;
    StNr1->enabled = both;
    StNr2->enabled = both;
    USt2->top = both ? 66.1 : 71.4;
    UST1->top = USt2->top;
    // A document without an address has no customer number to name.
    const TField *kdnr = Vorgang1.FieldByName(QStringLiteral("kdnr"));
    const bool withCustomer = !kdnr->IsNull() && kdnr->AsFloat() >= 1;
    kd1->enabled = withCustomer;
    kd2->enabled = withCustomer;
    // Without a tax number the customer number takes its line, directly above the date.
    kd1->top = both ? 60.8 : withTaxNumber ? 66.1 : 71.4;
    kd2->top = kd1->top;
}

void TBvorgang::GroupHeaderBand1BeforePrint(bool &)
{
    const bool prices = docText("typ") != QLatin1String("L");
    lPreis->enabled = prices;
    lgesamt->enabled = prices;
}

void TBvorgang::BandDetailBeforePrint(bool &)
{
    const double anzahl = vorgang2.FieldByName(QStringLiteral("anzahl"))->AsFloat();
    const bool priced = anzahl != 0;
    Sums.add(anzahl, vorgang2.FieldByName(QStringLiteral("Preis"))->AsFloat(), Tax::positionRate(vorgang2),
             Tax::positionCategory(vorgang2));
    NetSum = Sums.net();
    // A position typed only into the editor's grid has its title alone.
    const bool described =
        !vorgang2.FieldByName(QStringLiteral("Bezeichnung"))->AsString().trimmed().isEmpty();
    QRDBText7->field = described ? QStringLiteral("Bezeichnung") : QStringLiteral("Titel");
    const bool deliveryNote = docText("typ") == QLatin1String("L");
    // A unit price with the decimals it has (up to four), so that every line
    // multiplies out: 7,333 is not printed as 7,33.
    const double preis = vorgang2.FieldByName(QStringLiteral("Preis"))->AsFloat();
    int decimals = 2;
    while (decimals < 4 &&
           std::abs(std::round(preis * std::pow(10.0, decimals)) - preis * std::pow(10.0, decimals)) >
               1e-6 * std::max(1.0, std::abs(preis) * std::pow(10.0, decimals)))
        ++decimals;
    sPreis->mask = QStringLiteral("#,##0.") + QString(decimals, QLatin1Char('0')) + QLatin1Char(' ') +
                   docText("Waehrung");
    sSatz->enabled = m_mixedRates && priced;
    sPreis->enabled = priced && !deliveryNote;
    sGesamt->enabled = priced && !deliveryNote;
}

void TBvorgang::ZusammenfassungBeforePrint(bool &printBand)
{
    if (docText("typ") == QLatin1String("L")) printBand = false;
    NetSum = Sums.net();
    TaxSum = Sums.vat();
    GrossSum = NetSum + TaxSum;
    const QString mask = moneyMask();
    GesNetto->text = Money::format(NetSum, mask);
    // A reminder claims amounts without VAT: its total stands once.
    const bool reminder = docText("typ") == QLatin1String("M");
    GesNetto->enabled = !reminder;
    GesBrutto->text = Money::format(GrossSum, mask);
    // One line per rate on which VAT is charged, the rates actually used:
    // the label beside its amount; what stands below moves down with them.
    // Where the net holds several rates (or tax-free parts), each line names
    // the net it is charged on, as § 14 Abs. 4 Nr. 7 UStG wants it split.
    // With more than one, every part is named, those without VAT too
    // (§ 14 Abs. 4 Nr. 8 UStG).
    QStringList labels, amounts;
    const QList<Tax::Group> groups = Sums.groups();
    for (const Tax::Group &g : groups) {
        const bool taxFree = Tax::isTaxFreeCategory(g.category);
        if (taxFree && groups.size() == 1) continue;
        const QString net = Money::format(g.net, mask);
        if (!taxFree || g.category == QLatin1String("Z"))
            labels << QStringLiteral("+ %1 % MWSt.").arg(Tax::rateText(taxFree ? 0.0 : g.rate)) +
                          (groups.size() > 1 ? QStringLiteral(" auf ") + net : QString());
        else if (g.category == QLatin1String("O"))
            labels << QStringLiteral("nicht steuerbar: ") + net;
        else
            labels << QStringLiteral("ohne Umsatzsteuer: ") + net;
        amounts << Money::format(taxFree ? 0 : g.vat, mask);
    }
    lMW->text = labels.join(QLatin1Char('\n'));
    GesMW->text = amounts.join(QLatin1Char('\n'));
    // Without VAT (a small business, an export) the gross follows the net;
    // on a reminder it stands alone, in the net's place.
    const bool vat = !labels.isEmpty() && !reminder;
    lNetto->enabled = !reminder;
    lMW->enabled = vat;
    GesMW->enabled = vat;
    Summenlinie->enabled = !reminder;
    const qreal up = reminder ? kGrossTop - kNetTop : vat ? 0 : kGrossTop - kVatTop;
    Summenlinie->top = kRuleTop - up;
    lBrutto->top = kGrossTop - up;
    GesBrutto->top = kGrossTop - up;
    const QString t = docText("typ");
    lBrutto->text = t == QLatin1String("R")   ? QStringLiteral("Rechnungsbetrag")
                    : t == QLatin1String("G") ? QStringLiteral("Gutschriftsbetrag")
                                              : QStringLiteral("Gesamtbetrag");
}

void TBvorgang::ZahlungszielBeforePrint(bool &printBand)
{
    const QString t = docText("Typ");
    const TField *due = Vorgang1.FieldByName(QStringLiteral("zieldatum"));
    const QString dueText = due->IsNull() ? QString() : German::formatDate(due->AsDate());
    QStringList lines;
    // An invoice names the date of supply or the service period, and where
    // no VAT is charged, the reason the law asks for.
    if (t == QLatin1String("R")) {
        const auto date = [this](const char *field) {
            const TField *f = Vorgang1.FindField(QString::fromLatin1(field));
            return f && !f->IsNull() ? f->AsDate() : QDate();
        };
        lines << Tax::supplyLine(date("leistungsdatum"), date("leistungbis"));
    }
    if (t != QLatin1String("L")) {
        QStringList categories;
        for (const Tax::Group &g : Sums.groups())
            categories << g.category;
        const TField *kdnr = Vorgang1.FieldByName(QStringLiteral("kdnr"));
        QString buyerId;
        if (!kdnr->IsNull() &&
            (categories.contains(QStringLiteral("AE")) || categories.contains(QStringLiteral("K"))))
            buyerId = Tax::customerOf(Vorgang1.Database(), kdnr->AsFloat()).ustid;
        lines << Tax::legalNotes(categories, buyerId);
    }
    if (cancelled()) {
        // Never a due date on a cancelled document: nothing is to be paid.
        lines << (t == QLatin1String("R")
                      ? QStringLiteral("Diese Rechnung ist storniert und nicht zu bezahlen.")
                      : QStringLiteral("Dieser Vorgang ist storniert."));
    } else if (dueText.isEmpty() || t == QLatin1String("G")) {
        // Without a due date there is no date to name: no "fällig bis ."
    } else if (t == QLatin1String("A")) {
        lines << QStringLiteral("Dieses Angebot ist bis zum %1 gültig.").arg(dueText);
    } else if (t == QLatin1String("R") && debited()) {
        // The payment means decides the sentence, never a free text.
        const SellerData seller = SellerData::read(ProgramFolder::iniPath());
        const TField *kdnr = Vorgang1.FieldByName(QStringLiteral("kdnr"));
        QString reference = QStringLiteral("Mandatsreferenz %1")
                                .arg(kdnr->IsNull() ? QString() : QString::number(qRound64(kdnr->AsFloat())));
        if (!seller.GlaeubigerID.trimmed().isEmpty())
            reference += QStringLiteral(", Gläubiger-ID %1").arg(seller.GlaeubigerID.trimmed());
        lines << QStringLiteral(
                     "Der Rechnungsbetrag wird am %1 per SEPA-Lastschrift von Ihrem Konto eingezogen "
                     "(%2).")
                     .arg(dueText, reference);
    } else if (t == QLatin1String("R") || t == QLatin1String("M")) {
        lines << QStringLiteral("Zahlung fällig bis %1.").arg(dueText);
    }
    if (t == QLatin1String("G") && lines.isEmpty()) printBand = false;
    Ziel1->text = lines.isEmpty() ? QStringLiteral("       ") : lines.join(QLatin1Char('\n'));
}

void TBvorgang::Vorgang2CalcFields(TVexDaoTable &ds)
{
    // The line amount the totals add: to the cent, or as an older version showed it.
    const double anzahl = ds.FieldByName(QStringLiteral("anzahl"))->AsFloat();
    const double preis = ds.FieldByName(QStringLiteral("Preis"))->AsFloat();
    const double total = Tax::isLegacyDocument(Vorgang1)
                             ? double(static_cast<long double>(anzahl) * preis)
                             : double(Money::toAmount(Tax::Totals::lineAmount(anzahl, preis, true)));
    ds.FieldByName(QStringLiteral("gesamtpreis"))->SetAsFloat(total);
}
