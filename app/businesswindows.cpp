#include "businesswindows.h"

#include "tfmain.h"

void RegisterBusinessWindows(Tfmain &main)
{
    // The address, article, document-list and document windows register their
    // factories here, e.g.
    //   main.registerWindow(WindowKind::Adressen, [] { return new TFAdr; });
    Q_UNUSED(main);
}
