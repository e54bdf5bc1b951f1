SELECT Vorgang1.id, Vorgang1.kdnr, Vorgang1.Datum, Vorgang1.Typ, Vorgang1.vorgangnr, Adress.NAME1 AS Kunde,
Vorgang1.Zieldatum, Vorgang1.bezahlt, Vorgang1.Bezahltdatum, Vorgang1.EK, Vorgang1.VK, Vorgang1.VertragT,
Vorgang1.storniert, Vorgang1.Waehrung, Vorgang1.mwst, Vorgang1.zahlbetrag
FROM Vorgang1 LEFT JOIN Adress ON Vorgang1.kdnr = Adress.KDNR
