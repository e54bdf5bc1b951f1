# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page tavirel.1, made from the program's own --help text, so that
# the two never tell different things. Called with -DEXE= -DOUT= -DVERSION=.
execute_process(COMMAND "${EXE}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${EXE} --help failed: ${rc}")
endif()
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
# A line that begins with a dot or an apostrophe would be read as a request.
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
# The date of the build (SOURCE_DATE_EPOCH where a package build sets it).
string(TIMESTAMP date "%Y-%m-%d" UTC)
file(WRITE "${OUT}" ".TH TAVIREL 1 \"${date}\" \"Tavirelsverwaltung ${VERSION}\" \"Benutzerbefehle\"
.SH NAME
tavirel \\- Auftragsverwaltung für kleine Betriebe
.SH ÜBERSICHT
.B tavirel
[\\fIBEFEHL\\fR ...] [\\fB\\-\\-db\\fR \\fIPFAD\\fR]
.br
.B tavirel
\\fIDATEI.mdb\\fR
.SH BESCHREIBUNG
Ohne Befehl startet das Programm mit seinen Fenstern, mit einer Datenbankdatei als
einzigem Argument auf dieser Datei. Die Befehle dienen Skripten und der Pflege der Daten.
.PP
.nf
.ft CR
${help}.ft R
.fi
.SH RÜCKGABEWERT
.TP
.B 0
erledigt (bei check\\-db: keine Befunde)
.TP
.B 1
nicht erledigt: ein Fehler oder eine Ablehnung, mit einer Meldung auf der Standardfehlerausgabe
(bei check\\-db: Befunde)
.TP
.B 2
falscher Aufruf: ein unbekannter Befehl, eine unbekannte Option oder ein fehlender Wert
.SH DATEIEN
.TP
.I ~/.local/share/tavirel/daten/tavirel.mdb
die Datenbank eines Benutzers (\\fB$XDG_DATA_HOME\\fR/tavirel/daten/)
.TP
.I ~/.config/tavirel/
Einstellungen (tavirel.ini) und Textdateien des Benutzers (\\fB$XDG_CONFIG_HOME\\fR/tavirel/)
.TP
.I /usr/share/tavirel/
die Vorlagen, aus denen diese Dateien beim ersten Start angelegt werden
")
execute_process(COMMAND gzip -9n -c "${OUT}" OUTPUT_FILE "${OUT}.gz" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed: ${rc}")
endif()
