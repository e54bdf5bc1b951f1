// SPDX-License-Identifier: GPL-3.0-or-later
#include "reporthelp.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

QPointer<ReportHelp> ReportHelp::s_window;

ReportHelp::ReportHelp()
{
    setObjectName(QStringLiteral("ReportHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::Window);
    setOpenExternalLinks(false);
    setReadOnly(true);
    resize(560, 500);
    document()->setDocumentMargin(14);
    auto *close = new QAction(this);
    close->setShortcut(Qt::Key_Escape);
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);
}

ReportHelp *ReportHelp::current()
{
    return s_window;
}

ReportHelp *ReportHelp::showTopic(int topic)
{
    if (!s_window) s_window = new ReportHelp;
    s_window->setTopic(topic);
    s_window->show();
    s_window->raise();
    s_window->activateWindow();
    return s_window;
}

void ReportHelp::setTopic(int topic)
{
    m_topic = topic;
    setWindowTitle(topic == 1005 ? QStringLiteral("Hilfe - Kalender")
                                 : QStringLiteral("Hilfe - Seitenansicht"));
    setHtml(topicHtml(topic));
}

QString ReportHelp::topicHtml(int topic)
{
    if (topic == 1005)
        return QStringLiteral(
            "<h2>Kalender</h2><p>Wählen Sie einen Tag mit der Maus oder den Pfeiltasten; die Pfeile "
            "oben blättern die Monate, Monat und Jahr lassen sich auch direkt wählen. Links steht die "
            "Kalenderwoche.</p><p><b>OK</b>, die Eingabetaste oder ein Doppelklick auf einen Tag "
            "übernehmen das Datum; <b>Abbruch</b> oder Esc schließen den Kalender, ohne etwas zu "
            "ändern.</p>");
    if (topic != 2000)
        return QStringLiteral("<h3>Hilfe</h3><p>Zu diesem Thema (%1) gibt es keine Hilfe.</p>").arg(topic);
    return QStringLiteral(
        "<h2>Seitenansicht</h2><p>Die Seitenansicht zeigt einen Bericht - einen Vorgang auf dem "
        "Briefbogen oder eine Liste - so, wie er gedruckt wird. Solange die Seiten noch aufgebaut "
        "werden, läuft unten rechts der Fortschrittsbalken; danach trägt das Fenster den Titel "
        "des Berichts und zeigt die Seite in voller Breite.</p><h3>Blättern</h3><p><b>Anfang</b>, "
        "<b>zurück</b>, <b>weiter</b> und <b>Ende</b> zeigen die erste, die vorige, die nächste "
        "und die letzte Seite. Unten links steht die gezeigte Seite und die Zahl der Seiten, z. "
        "B. <i>2 / 5</i>.</p><h3>Vergrößern und Verkleinern</h3><p><b>Vergrößern</b> und "
        "<b>Verkleinern</b> ändern die Anzeige um 10 %. Ein Klick auf <b>Ansicht</b> zeigt die "
        "ganze Seite; sein Pfeil öffnet ein Menü mit <i>Gesamte Seite</i>, <i>Seitenbreite</i> "
        "(die Seite so breit wie das Fenster) und <i>Kein Zoom (100 %)</i> (die Seite in ihrer "
        "wirklichen Größe). Im Feld unten lässt sich der Vergrößerungsfaktor auch eintippen (5 "
        "bis 300 %); er gilt, sobald Sie die Eingabetaste drücken oder das Feld verlassen, ein "
        "größerer Wert als 300 %, ein leeres Feld als 100 %.</p><h3>Drucken</h3><p>Im Auswahlfeld neben "
        "<b>Druck</b> wählen Sie den Drucker; die Wahl gilt auch für alle späteren Berichte. "
        "<b>Druck</b> (oder <i>Standard-Druck</i> im Menü des Knopfes) druckt alle Seiten einmal "
        "auf diesem Drucker. <i>Auswahl vor Ausdruck</i> öffnet vorher den Druckdialog, in dem "
        "Sie Drucker, Papier, Ausrichtung, Seitenbereich und Zahl der Exemplare wählen; eine Seite "
        "auf anderem Papier wird passend verkleinert. <i>Abbrechen</i> druckt "
        "nichts.</p><h3>Schließen</h3><p><b>Schließen</b> oder die Taste <b>Esc</b> schließt die "
        "Seitenansicht. Ein Rechtsklick auf die Werkzeugleisten schaltet mit "
        "<i>Symbolunterschriften</i> die Beschriftung der Blättern-Knöpfe ein und aus.</p>");
}
