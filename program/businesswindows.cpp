// SPDX-License-Identifier: GPL-3.0-or-later
#include "businesswindows.h"

#include "app/tfmain.h"

#include "addresses/tfadr.h"
#include "articles/tfartikel.h"
#include "documents/tfvorgang.h"
#include "lists/tfvliste.h"
#include "printing/printvorgang.h"

void RegisterBusinessWindows(Tfmain &main)
{
    // The document-list and document windows register their factories here
    // as well.
    main.registerWindow(WindowKind::Adressen, [] { return new TFAdr; });
    main.registerWindow(WindowKind::Artikel, [] { return new TFartikel; });
    main.registerWindow(WindowKind::Vorgangsliste, [] { return new TFVListe; });
    main.setPrintHandler(PrintVorgang);
    main.registerWindow(WindowKind::Vorgang, [] { return new TFVorgang; });
}
