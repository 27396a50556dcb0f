#include "uZVGlobals.h"

TPartijList* PartijList = nullptr;
TKandidaatList* KandidaatList = nullptr;

TZVLists::TZVLists()
{
    if (PartijList || KandidaatList)
        throw std::logic_error("TZVLists: de lijsten bestaan al");
    auto partijen = std::make_unique<TPartijList>();
    auto kandidaten = std::make_unique<TKandidaatList>();
    PartijList = partijen.release();
    KandidaatList = kandidaten.release();
}

TZVLists::~TZVLists()
{
    delete KandidaatList;
    KandidaatList = nullptr;
    delete PartijList;
    PartijList = nullptr;
}
