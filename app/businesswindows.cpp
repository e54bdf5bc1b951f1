#include "businesswindows.h"

#include "tfmain.h"

#include "addresses/tfadr.h"
#include "printing/printvorgang.h"

void RegisterBusinessWindows(Tfmain &main)
{
    // The article, document-list and document windows register their
    // factories here as well.
    main.registerWindow(WindowKind::Adressen, [] { return new TFAdr; });
    main.setPrintHandler(PrintVorgang);
}
