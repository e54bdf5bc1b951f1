// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The letterhead print of one business document: sender block, recipient,
// customer and tax number, date, the title line, header text, the positions,
// net, VAT and gross totals, the payment or validity line, footer text and
// the four footer columns; from page 2 on a smaller page header. Never shown:
// it holds the report `Bericht` and its own datasets, made for each print.
#include "datasetrowsource.h"

#include "data/tax.h"
#include "data/tdatasource.h"
#include "data/tvexdaotable.h"
#include "report/report.h"

#include <QObject>
#include <QStringList>

class PageSet;
class TVexDaoDatabase;

class TBvorgang : public QObject
{
    Q_OBJECT
  public:
    // The datasets use the given connection. Nothing is read before FormCreate.
    explicit TBvorgang(TVexDaoDatabase *connection, QObject *parent = nullptr);
    ~TBvorgang() override;

    // Opens the datasets, the header filtered to the document with the id
    // (filtered before it opens, so the whole table is never read), and reads
    // the letterhead files. AppError when the id is no number or a dataset
    // cannot be opened; unreadable letterhead files only end up in
    // loadProblems().
    void FormCreate(const QString &idText);
    // What could not be read of the letterhead files, one line each; those
    // elements print their built-in texts. Empty when everything was read.
    QStringList loadProblems() const { return m_problems; }
    // "Vorgang R-10005": the report title of the loaded document.
    QString titleText() const;
    // What of the built pages did not fit its box and was printed shortened,
    // one German sentence each. Empty when everything fitted.
    QStringList fitProblems(const PageSet &pages) const;

    // ---- datasets
    TVexDaoTable Vorgang1;
    TDataSource VorgangQ;
    TVexDaoTable vorgang2;
    TVexDaoTable typ;

    // ---- the report and its bands and elements
    Report Bericht;
    ReportBand *Marken, *PageHeaderBand1, *BandTitle, *ChildTitle, *GroupHeaderBand1, *BandDetail,
        *Zusammenfassung, *Zahlungsziel, *Fussband, *PageFooterBand1;
    // Fold and punch marks at the paper's edge, the mark of a cancelled document.
    ReportElement *Falzmarke1, *Lochmarke, *Falzmarke2, *Storniert;
    ReportElement *Firmaname1, *ZusatzName1, *Memo1, *QRSysData1, *QRShape3;
    ReportElement *Logo; // the firm's logo on the first page, from the settings ([Druck] Logo)
    ReportElement *FirmaName, *Zusatzname, *Memo, *QRShape1, *Briefadresse, *QRDBText1, *kd1, *kd2, *USt2,
        *UST1, *QRLabel1, *QRExpr2, *QRExpr1;
    // The firm's tax number beside its VAT id, where it has both.
    ReportElement *StNr2, *StNr1;
    ReportElement *QRDBText3;
    ReportElement *QRLabel5, *QRLabel3, *QRLabel4, *lPreis, *lgesamt;
    ReportElement *QRDBText11, *QRDBText7, *sMenge, *QRDBText4, *sPreis, *sGesamt;
    // Each position's rate, on a document with more than one.
    ReportElement *lSatz, *sSatz;
    ReportElement *lNetto, *GesNetto, *lMW, *GesMW, *Summenlinie, *lBrutto, *GesBrutto;
    ReportElement *Ziel1;
    ReportElement *QRDBText12;
    ReportElement *MemoF1, *MemoF2, *MemoF3, *MemoF4;

    // ---- running sums of the print, in ten-thousandths: the document's
    // totals by its own rounding, per rate and category
    Tax::Totals Sums;
    qint64 NetSum = 0;
    qint64 TaxSum = 0;
    qint64 GrossSum = 0;

    // ---- hooks
    void BerichtBeforePrint();
    void MarkenBeforePrint(bool &printBand);
    void BandTitleBeforePrint(bool &printBand);
    void GroupHeaderBand1BeforePrint(bool &printBand);
    void BandDetailBeforePrint(bool &printBand);
    void ZusammenfassungBeforePrint(bool &printBand);
    void ZahlungszielBeforePrint(bool &printBand);
    void Vorgang2CalcFields(TVexDaoTable &ds);

  private:
    void buildLayout();
    void loadLetterhead();
    QString moneyMask() const;
    bool cancelled() const;
    bool debited() const; // to be paid by SEPA direct debit
    QString docText(const char *field) const;

    DatasetRowSource m_master;
    DatasetRowSource m_positions;
    QStringList m_problems;
    bool m_foldMarks = true;
    bool m_mixedRates = false; // positions at more than one rate or category
    void placeColumns();
};
