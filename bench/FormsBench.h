#pragma once
// What the forms benches share: the program's lists filled with a party and its candidates, and the
// shipped forms folder that the build lays out.
#include "uGlobals.h"
#include "uUtils.h"
#include "uZVGlobals.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>

namespace bench {

// Offscreen windows and configuration and temporary folders of the bench's own, for as long as the
// object lives; made before the application.
struct TBenchFolders {
    TBenchFolders()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("XDG_CONFIG_HOME", (Home.path() + "/config").toLocal8Bit().constData(), 1);
        setenv("TMPDIR", (Home.path() + "/tmp").toLocal8Bit().constData(), 1);
        QDir().mkpath(Home.path() + "/tmp");
    }
    QTemporaryDir Home;
};

// A party and count candidates in the program's lists, for as long as the object lives; FormsDir
// is the build's forms folder and the "Text Files" data source is registered.
struct TBenchLists {
    explicit TBenchLists(int count)
    {
        auto p = std::make_unique<TPartijRecord>();
        p->Afkorting = "ABC";
        p->StatuNaam = "Algemene Bond van Candidaten";
        p->Aanduiding = "ABC";
        PartijList->Add(std::move(p));
        for (int i = 1; i <= count; ++i) {
            auto k = std::make_unique<TKandidaatRecord>();
            k->KandidaatNr = std::to_string(i);
            k->Achternaam = "Achternaam " + std::to_string(i);
            k->Voorletters = "A.B.";
            k->Voornaam = "Voornaam";
            k->NaamStemapparaat = "Achternaam " + std::to_string(i) + ", A.B.";
            k->Geslacht = "V";
            k->Geboortedatum = "01-02-1970";
            k->Adres = "Straat 1";
            k->Postcode = "1234 AB";
            k->Plaats = "Plaats";
            KandidaatList->Add(std::move(k));
        }
        FormsDir = ZORVANDEL_FORMS_DIR;
        InstallODBCDriverIfNecessary();
    }
    TZVLists Lists;
};

} // namespace bench
